// The benchmark program's entry: Google Benchmark's usual command line, plus
// --paired_repetitions=N. With it, the per-frame benchmarks run in N rounds,
// each round in a shuffled order and every run preceded by a run of BM_Floor
// (and the last followed by one), all in this one process, so that
// tools/bench_table.py can divide each run by the floor measured right beside
// it: a change in the machine's load then falls on both alike.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "bench/registry.h"

namespace {

void Register(const fg::bench::Entry& e) { benchmark::RegisterBenchmark(e.name.c_str(), e.run); }

}  // namespace

int main(int argc, char** argv) {
    constexpr const char* PAIRED = "--paired_repetitions=";
    int rounds = 0;
    int kept = 0;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], PAIRED, std::strlen(PAIRED)) == 0)
            rounds = std::atoi(argv[i] + std::strlen(PAIRED));
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    const std::vector<fg::bench::Entry> frames = fg::bench::FrameBenchmarks();  // the floor first
    const std::vector<fg::bench::Entry> startup = fg::bench::StartupBenchmarks();
    if (rounds <= 0) {
        for (const auto& e : frames) Register(e);
    } else {
        std::mt19937 random(2026);  // a fixed order: runs are comparable
        std::vector<fg::bench::Entry> order(frames.begin() + 1, frames.end());
        for (int r = 0; r < rounds; ++r) {
            std::shuffle(order.begin(), order.end(), random);
            for (const auto& e : order) {
                Register(frames.front());
                Register(e);
            }
        }
        Register(frames.front());
    }
    for (const auto& e : startup) Register(e);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
