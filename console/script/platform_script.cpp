#include "console/script/platform_script.h"

#include <deque>

#include "console/input_queue.h"

namespace fg {

namespace {

ScriptedRun Run;
std::deque<InputRecord> Queue;
uint32_t Clock;
uint64_t Presented;
bool StartUpRead;
bool FrameStarted;

uint64_t TotalFrames() { return static_cast<uint64_t>(Run.lines.size()) * Run.repeat; }

}  // namespace

void BeginScriptedRun(const ScriptedRun& run) {
    Run = run;
    Queue.clear();
    Clock = run.startTick;
    Presented = 0;
    StartUpRead = false;
    FrameStarted = false;
}

void AppendScriptLine(const ScriptLine& line) { Run.lines.push_back(line); }

uint64_t ScriptedFramesPresented() { return Presented; }

void PlatformOpenConsole(const char*) {}

void PlatformPresent(const CHAR_INFO* cells) {
    if (Run.onPresent != nullptr) Run.onPresent(cells);
    ++Presented;
    FrameStarted = false;
}

uint32_t PlatformPendingInput() { return static_cast<uint32_t>(Queue.size()); }

uint32_t PlatformReadInput(InputRecord* records, uint32_t capacity) {
    return TakeInputRecords(Queue, records, capacity);
}

// The first reading ends start-up. The first reading of each frame advances
// the clock by the frame's line and queues its events; the second reading of
// the frame returns the same value.
uint32_t PlatformTickCount() {
    if (!StartUpRead) {
        StartUpRead = true;
        return Clock;
    }
    if (!FrameStarted && Presented < TotalFrames()) {
        FrameStarted = true;
        const ScriptLine& line = Run.lines[Presented % Run.lines.size()];
        Clock += line.elapsed;  // wraps at 2^32 like the real clock
        Queue.insert(Queue.end(), line.events.begin(), line.events.end());
    }
    return Clock;
}

bool PlatformQuitRequested() { return Presented >= TotalFrames(); }

void PlatformCloseConsole() {}

}  // namespace fg
