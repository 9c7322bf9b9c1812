// Start-up and the frame loop, shared by the game and the headless runner.
#pragma once

#include <cstdint>

namespace fg {

constexpr int ANIMATION_PERIOD_MS = 200;

struct FrameTiming {
    uint32_t lastTick;       // the reading the next frame's elapsed time is measured from
    int64_t animationClock;  // 64 bits: a frame near 2^31 ms must not overflow it
    int32_t elapsedMs;       // this frame's, for whoever reports on the frame
};

extern FrameTiming Timing;

// The start-up steps between the console and the clock: content, level,
// tables (BuildTables) and the actors' placement.
void BuildWorld();
// The shade, angle, row-distance and floor-shade tables, in start-up's order.
void BuildTables();
// Every global the frame loop changes (player, doors, actors, keys, the use
// request, the clock) back to its value at process start, so that a second
// start in one process (tests, benchmarks) runs exactly as the first.
void ResetWorldState();
// Every start-up step in order, ending with the first clock reading.
void StartUp();
// One frame: clock, animation, inputs, world, poll, column pass, present.
void RunFrame();
// The loop's test: Escape is up and the back end wants more frames.
bool LoopGoesOn();
// Frames while LoopGoesOn; the test comes before the first frame and after
// every presentation. A back end that cannot block (a web page) calls RunFrame
// itself, once per screen refresh, with the same test around it.
void RunFrames();
// StartUp, then frames while Escape is up and the back end wants more.
int RunGame();

}  // namespace fg
