# The two entry points of the README. Each installs what is missing, builds, then runs.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# Compiler-cache hits across checkouts in other folders (a CI clone reuses a developer's objects).
export CCACHE_BASEDIR ?= $(CURDIR)
export CCACHE_NOHASHDIR ?= 1

# CLIENT=gui or CLIENT=terminal chooses; by default the graphical client when a display is there.
CLIENT ?= $(if $(or $(DISPLAY),$(WAYLAND_DISPLAY)),gui,terminal)
SCREENSHOTS ?= docs/screenshots

# Seconds each fuzz target runs for under `make fuzz`.
FUZZ_SECONDS ?= 60

.PHONY: deps build run run-gui run-terminal screenshots package test bench crash-test fuzz clean

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

run: run-$(CLIENT)

run-gui: build
	$(BUILD)/bin/vokari-gui $(ARGS)

run-terminal: build
	$(BUILD)/bin/vokari $(ARGS)

# Drives the graphical client through a road under Qt's offscreen platform (no display needed)
# and saves a PNG of every screen it shows into $(SCREENSHOTS).
screenshots: build
	rm -rf $(SCREENSHOTS) && mkdir -p $(SCREENSHOTS)
	QT_QPA_PLATFORM=offscreen VOKARI_SCREENSHOT_DIR=$(abspath $(SCREENSHOTS)) \
	  $(BUILD)/tests/gui/gui_tests --gtest_filter='GuiRoad.*'

# A Debian package of the programs, their data, desktop entry and icon, into $(BUILD).
package: build
	cmake --build $(BUILD) --target package

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(BUILD)-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVOKARI_BENCH=ON
	cmake --build $(BUILD)-bench -j $(JOBS)
	for b in $(BUILD)-bench/bench/*_bench; do $$b; done

# Kills a writer of every store at random moments and checks each fresh start (CI runs 100).
CRASH_KILLS ?= 1000
crash-test: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS) --target crash_tests
	CRASH_KILLS=$(CRASH_KILLS) $(BUILD)/tests/crash/crash_tests

# The libFuzzer targets of tests/fuzz, built with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer, each run for FUZZ_SECONDS over its committed corpus.
fuzz: deps
	CC=clang-14 CXX=clang++-14 cmake -S . -B $(BUILD)-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DVOKARI_FUZZ=ON
	cmake --build $(BUILD)-fuzz -j $(JOBS)
	bash scripts/fuzz-run.sh $(BUILD)-fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(BUILD)-*
