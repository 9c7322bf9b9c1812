// Start-up and the frame loop, shared by the game and the headless runner.
#pragma once

#include <algorithm>
#include <cstdint>

namespace fg {

constexpr int ANIMATION_PERIOD_MS = 200;
// The longest time step of motion (turning, walking, figures, doors).
constexpr int32_t MOTION_LIMIT_MS = 100;

struct FrameTiming {
    uint32_t lastTick;       // the reading the next frame's elapsed time is measured from
    int64_t animationClock;  // 64 bits: a frame near 2^31 ms must not overflow it
    int32_t elapsedMs;       // this frame's, for whoever reports on the frame
};

extern FrameTiming Timing;

// A frame's elapsed time as the step of motion: limited to 0..MOTION_LIMIT_MS.
// The animation pacing and the reports keep the frame's own elapsed time.
inline double MotionStepMs(int32_t elapsedMs) {
    return static_cast<double>(std::clamp(elapsedMs, int32_t{0}, MOTION_LIMIT_MS));
}

// The start-up steps between the console and the clock: content, level,
// tables (BuildTables) and the actors' placement.
void BuildWorld();
// The shade, angle, row-distance and floor-shade tables, in start-up's order,
// then what is worked out from the level and the textures for drawing them.
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
// StartUp, then frames while Escape is up and the back end wants more, then
// the console closed; returns 0, the status of a run that ended normally. A
// back end may end the process itself with another status instead (see
// PlatformCloseConsole).
int RunGame();

}  // namespace fg
