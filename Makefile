# The two entry points of the README. Each installs what is missing, builds, then runs.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps build run test bench clean

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/apps/vokari/vokari $(ARGS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(BUILD)-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVOKARI_BENCH=ON
	cmake --build $(BUILD)-bench -j $(JOBS)
	for b in $(BUILD)-bench/bench/*_bench; do $$b; done

clean:
	rm -rf $(BUILD) $(BUILD)-*
