// The scripted back end, the one driver of the frame loop by script: the
// clock and the input queue follow frame lines, and every presented frame
// goes to a callback. It never waits, so a run is a pure function of its
// script. The lines come from a list or, a line per frame, from a source (a
// script streamed from a file, a planner deciding each frame as it goes).
#pragma once

#include <cstdint>
#include <vector>

#include "console/platform.h"
#include "console/script/frame_script.h"

namespace fg {

struct ScriptedRun {
    std::vector<ScriptLine> lines;  // played in order when nextLine is null
    uint32_t repeat = 1;            // the lines are replayed this many times
    // When set: fills in the next frame's line, false when there is none. Asked
    // once per frame, before the frame starts.
    bool (*nextLine)(ScriptLine& line) = nullptr;
    uint32_t startTick = 0;  // the clock reading that ends start-up
    void (*onPresent)(const CHAR_INFO* cells) = nullptr;
};

// Installs a run; the next clock reading is the start-up one. Clears the queue.
void BeginScriptedRun(const ScriptedRun& run);
// Adds a frame line to the running list, for tools that decide each frame's
// keys from the world as it is.
void AppendScriptLine(const ScriptLine& line);
// Frames presented since BeginScriptedRun.
uint64_t ScriptedFramesPresented();

// More records than this waiting in the input queue ends the run: the poll
// drains 128 a frame, so a script that queues faster only grows memory.
constexpr size_t MAX_QUEUED_RECORDS = 1000000;
// Ends the run after the frame being drawn (a failed output, for example).
void StopScriptedRun();
// True when a line's records would have overfilled the queue; line is its number.
bool ScriptedQueueOverflowed(uint32_t& line);

}  // namespace fg
