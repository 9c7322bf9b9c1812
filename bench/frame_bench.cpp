// The per-frame cost: the floor, the column pass over named views of the
// built-in level, and whole frames along a tour that walks through the rooms.
// tools/bench_table.py gives every figure as a multiple of the floor measured
// in the same run.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

#include "bench/bench_world.h"
#include "bench/registry.h"
#include "render/caster.h"

namespace {

using namespace fg::bench;

void BM_Floor(benchmark::State& state) {
    StartBuiltInWorld("", 1);
    uint32_t offset = 0;
    for (auto _ : state) {
        DrawFloorFrame(offset++);
        benchmark::ClobberMemory();
    }
}

void BM_ColumnPass(benchmark::State& state, const View& view) {
    SetView(view);
    fg::ColumnPass();  // the depth buffer a previous frame leaves
    for (auto _ : state) {
        fg::ColumnPass();
        benchmark::ClobberMemory();
    }
}

std::string TourScript(const char* name) {
    std::ifstream in(std::string(FARROWGATE_SOURCE_DIR) + "/tests/tours/" + name);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Whole frames (clock, world, poll, column pass, a presentation that writes
// nothing) along the south rooms tour: through six doors and five rooms, with
// the figures wandering. At the tour's end the world starts afresh, outside
// the timing. A frame that does not walk is no walking frame: a run as long as
// the tour fails unless the player moved in at least a quarter of its frames
// (the tour walks in about 45%; the library's short trial runs only report).
void BM_WalkingFrame(benchmark::State& state) {
    const std::string script = TourScript("south_rooms.txt");
    if (script.empty()) {
        state.SkipWithError("tests/tours/south_rooms.txt not found");
        return;
    }
    const int64_t tourFrames = StartBuiltInWorld(script, 1);
    int64_t moved = 0;
    for (auto _ : state) {
        if (fg::PlatformQuitRequested()) {
            state.PauseTiming();
            StartBuiltInWorld(script, 1);
            state.ResumeTiming();
        }
        const double x = fg::Player.x, y = fg::Player.y;
        fg::RunFrame();
        moved += fg::Player.x != x || fg::Player.y != y;
    }
    state.counters["walking"] = static_cast<double>(moved) / static_cast<double>(state.iterations());
    if (state.iterations() >= tourFrames && moved * 4 < state.iterations())
        state.SkipWithError("the player stood still in three frames of four");
}

}  // namespace

std::vector<fg::bench::Entry> fg::bench::FrameBenchmarks() {
    std::vector<Entry> list = {{"BM_Floor", BM_Floor}};
    for (const View& view : VIEWS)
        list.push_back({std::string("BM_ColumnPass/") + view.name,
                        [&view](benchmark::State& state) { BM_ColumnPass(state, view); }});
    list.push_back({"BM_WalkingFrame", BM_WalkingFrame});
    return list;
}
