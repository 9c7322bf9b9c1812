// The benchmarks of farrowgate-bench, listed for its main (bench_main.cpp),
// which registers them in the order a run needs.
#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <string>
#include <vector>

namespace fg::bench {

struct Entry {
    std::string name;
    std::function<void(benchmark::State&)> run;
};

// BM_Floor first, then the column pass views and whole frames.
std::vector<Entry> FrameBenchmarks();
// Start-up's steps.
std::vector<Entry> StartupBenchmarks();

}  // namespace fg::bench
