// The platform functions over a browser page: the picture on a canvas, key
// records from the page's key events, the clock from performance.now(). The
// page's own script (page.js) owns the canvas and the listeners; this side
// keeps the input queue and turns cells into pixels.
#include <emscripten.h>

#include <deque>

#include "console/cell_pixels.h"
#include "console/input_queue.h"
#include "console/web/web_platform.h"

namespace fg {

namespace {

std::deque<InputRecord> Queue;
bool Scripted;
uint32_t ScriptClock;
uint8_t Pixels[PICTURE_BYTES];

}  // namespace

EM_JS(void, PageSetTitle, (const char* title), { Module.farrowgatePage.setTitle(UTF8ToString(title)); });
EM_JS(void, PageShowPixels, (const uint8_t* rgba, int width, int height),
      { Module.farrowgatePage.show(HEAPU8.subarray(rgba, rgba + width * height * 4), width, height); });
EM_JS(void, PageFrameOut, (const CHAR_INFO* cells, int bytes),
      { Module.farrowgatePage.frameOut(HEAPU8.subarray(cells, cells + bytes)); });
EM_JS(double, PageNow, (), { return performance.now(); });
EM_JS(void, PageGameEnded, (), { Module.farrowgatePage.ended(); });

void WebQueueInput(const InputRecord& record) { Queue.push_back(record); }

void WebBeginScriptedRun(uint32_t startTick) {
    Scripted = true;
    ScriptClock = startTick;
    Queue.clear();
}

void WebAdvanceClock(uint32_t ms) { ScriptClock += ms; }  // wraps at 2^32 like the real clock

void WebShowCells(const CHAR_INFO* cells) {
    DrawCellPixels(cells, Pixels);
    PageShowPixels(Pixels, PICTURE_WIDTH, PICTURE_HEIGHT);
}

void PlatformOpenConsole(const char* title) { PageSetTitle(title); }

void PlatformPresent(const CHAR_INFO* cells) {
    if (Scripted)
        PageFrameOut(cells, static_cast<int>(sizeof(CHAR_INFO)) * SCREEN_WIDTH * SCREEN_HEIGHT);
    else
        WebShowCells(cells);
}

uint32_t PlatformPendingInput() { return static_cast<uint32_t>(Queue.size()); }

uint32_t PlatformReadInput(InputRecord* records, uint32_t capacity) {
    return TakeInputRecords(Queue, records, capacity);
}

// performance.now() counts milliseconds from the page's start as a double;
// its whole part, cut to 32 bits, wraps like the console clock.
uint32_t PlatformTickCount() {
    if (Scripted) return ScriptClock;
    return static_cast<uint32_t>(static_cast<uint64_t>(PageNow()));
}

bool PlatformQuitRequested() { return false; }

void PlatformCloseConsole() { PageGameEnded(); }

}  // namespace fg
