#pragma once
// What the benchmarks share: measurements registered in alternating rounds, and their median.

#include <algorithm>
#include <initializer_list>
#include <utility>
#include <vector>

#include <benchmark/benchmark.h>

namespace vokari::bench {

using Measure = void (*)(benchmark::State&);

// Registers each measurement once per round, in the order given, so that drift in the
// machine's load falls on a measurement and its baseline alike. Each run times itself.
inline void registerRounds(int rounds,
                           std::initializer_list<std::pair<const char*, Measure>> measures) {
  for (int round = 0; round < rounds; ++round) {
    for (const auto& [name, measure] : measures) {
      benchmark::RegisterBenchmark(name, measure)
          ->UseManualTime()
          ->Unit(benchmark::kMillisecond)
          ->Iterations(1);
    }
  }
}

inline double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace vokari::bench
