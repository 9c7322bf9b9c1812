// The per-frame cost: the column pass alone over fixed views of the built-in
// level, and whole frames (simulation, column pass, a presentation that writes
// nothing) while walking and turning.
#include <benchmark/benchmark.h>

#include "app/frame_loop.h"
#include "console/script/frame_script.h"
#include "assets/asset_set.h"
#include "console/script/platform_script.h"
#include "render/caster.h"
#include "world/player.h"

namespace {

void StartBuiltInWorld(const char* script, uint32_t repeat) {
    fg::ScriptedRun run;
    std::string error;
    fg::ParseFrameScript(script, run.lines, error);
    run.repeat = repeat;
    fg::BeginScriptedRun(run);
    fg::StartUp();
}

// Views: the start, facing along the long chapel, across the hall toward the
// steel room's door, and from the mosaic room up the boarded passage.
constexpr struct {
    double x, y;
    int angle;
} Views[] = {{32.0, 32.0, 0}, {29.5, 37.5, 120}, {31.0, 31.5, 120}, {36.5, 42.5, 240}};

void BM_ColumnPass(benchmark::State& state) {
    StartBuiltInWorld("", 1);
    const auto& view = Views[state.range(0)];
    fg::Player.x = view.x;
    fg::Player.y = view.y;
    fg::Player.angle = view.angle;
    for (auto _ : state) {
        fg::ColumnPass();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ColumnPass)->DenseRange(0, 3);

// Whole frames while the player walks a loop and the figures wander.
void BM_Frame(benchmark::State& state) {
    StartBuiltInWorld("16 +UP\n16\n16\n16 +LEFT\n16\n16 -LEFT\n16\n16 -UP +RIGHT\n16\n16 -RIGHT\n", 1u << 30);
    for (auto _ : state) fg::RunFrame();
}
BENCHMARK(BM_Frame);

// Start-up's decoding of all 23 built-in streams and the sprite cut.
void BM_DecodeAssets(benchmark::State& state) {
    for (auto _ : state) {
        fg::DecodeAssets();
        fg::SplitSpriteSheets();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DecodeAssets);

}  // namespace
