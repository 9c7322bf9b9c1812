#include "console/script/platform_script.h"

#include <deque>

#include "console/input_queue.h"

namespace fg {

namespace {

ScriptedRun Run;
uint64_t Listed;  // lines taken from Run.lines
ScriptLine Next;
bool NextReady;
std::deque<InputRecord> Queue;
uint32_t Clock;
uint64_t Presented;
bool StartUpRead;
bool FrameStarted;
bool Stopped;
bool Overflowed;
uint32_t OverflowLine;

bool ListedLine(ScriptLine& line) {
    if (Run.lines.empty() || Listed >= static_cast<uint64_t>(Run.lines.size()) * Run.repeat) return false;
    line = Run.lines[Listed++ % Run.lines.size()];
    return true;
}

// Fetches the next frame's line once; true while there is one.
bool NextLineReady() {
    if (!NextReady && !Stopped) NextReady = Run.nextLine != nullptr ? Run.nextLine(Next) : ListedLine(Next);
    return NextReady;
}

}  // namespace

void BeginScriptedRun(const ScriptedRun& run) {
    Run = run;
    Listed = 0;
    NextReady = false;
    Queue.clear();
    Clock = run.startTick;
    Presented = 0;
    StartUpRead = false;
    FrameStarted = false;
    Stopped = false;
    Overflowed = false;
    OverflowLine = 0;
}

void AppendScriptLine(const ScriptLine& line) { Run.lines.push_back(line); }

uint64_t ScriptedFramesPresented() { return Presented; }

void StopScriptedRun() { Stopped = true; }

bool ScriptedQueueOverflowed(uint32_t& line) {
    line = OverflowLine;
    return Overflowed;
}

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
    if (!FrameStarted && !Stopped && NextLineReady()) {
        FrameStarted = true;
        NextReady = false;
        const ScriptLine& line = Next;
        Clock += line.elapsed;  // wraps at 2^32 like the real clock
        if (Queue.size() + line.events.size() > MAX_QUEUED_RECORDS) {
            Overflowed = Stopped = true;
            OverflowLine = line.number;
        } else {
            Queue.insert(Queue.end(), line.events.begin(), line.events.end());
        }
    }
    return Clock;
}

bool PlatformQuitRequested() { return Stopped || !NextLineReady(); }

void PlatformCloseConsole() {}

}  // namespace fg
