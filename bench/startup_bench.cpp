// Start-up's steps, each on its own: decoding the 23 built-in streams, the
// shade and angle tables, and the figures' placement.
#include <benchmark/benchmark.h>

#include "bench/bench_world.h"
#include "bench/registry.h"
#include "render/floor_ceiling.h"
#include "world/angle_tables.h"

namespace {

void BM_DecodeAssets(benchmark::State& state) {
    for (auto _ : state) {
        fg::DecodeAssets();
        fg::SplitSpriteSheets();
        benchmark::ClobberMemory();
    }
}

void BM_BuildTables(benchmark::State& state) {
    for (auto _ : state) {
        fg::BuildTables();
        benchmark::ClobberMemory();
    }
}

void BM_PlaceActors(benchmark::State& state) {
    fg::bench::StartBuiltInWorld("", 1);
    for (auto _ : state) {
        fg::RandState = 1;  // the same placement every time, as at start-up
        fg::PlaceActors();
        benchmark::ClobberMemory();
    }
}

// Everything between the console's opening and the first clock reading.
void BM_BuildWorld(benchmark::State& state) {
    for (auto _ : state) {
        fg::RandState = 1;
        fg::BuildWorld();
        benchmark::ClobberMemory();
    }
}

}  // namespace

std::vector<fg::bench::Entry> fg::bench::StartupBenchmarks() {
    return {{"BM_DecodeAssets", BM_DecodeAssets},
            {"BM_BuildTables", BM_BuildTables},
            {"BM_PlaceActors", BM_PlaceActors},
            {"BM_BuildWorld", BM_BuildWorld}};
}
