// The platform functions over a browser page: the picture on a canvas, key
// records from the page's key events, the clock from the page's own clock,
// which stands still while the game waits. The page's script (page.js) owns
// the canvas and the listeners; this side keeps the input queue and turns
// cells into pixels.
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
// The cells the canvas shows, so a frame redraws only the cells that changed.
CHAR_INFO Shown[SCREEN_WIDTH * SCREEN_HEIGHT];
bool HaveShown;
// Per cell row, the first and last column redrawn this frame; -1 when none.
int32_t ChangedSpans[SCREEN_HEIGHT * 2];

bool SameCell(const CHAR_INFO& a, const CHAR_INFO& b) {
    return a.character == b.character && a.attributes == b.attributes;
}

}  // namespace

EM_JS(void, PageSetTitle, (const char* title), { Module.farrowgatePage.setTitle(UTF8ToString(title)); });
// The page copies the changed spans' pixels to the canvas straight from the heap.
EM_JS(void, PageShowPixels, (const uint8_t* rgba, const int32_t* spans, int rows),
      { Module.farrowgatePage.show(HEAPU8, rgba, HEAP32.subarray(spans >> 2, (spans >> 2) + rows * 2)); });
EM_JS(void, PageFrameOut, (const CHAR_INFO* cells, int bytes),
      { Module.farrowgatePage.frameOut(HEAPU8.subarray(cells, cells + bytes)); });
EM_JS(double, PageNow, (), { return Module.farrowgatePage.now(); });

void WebQueueInput(const InputRecord& record) { Queue.push_back(record); }

void WebClearInput() { Queue.clear(); }

void WebBeginScriptedRun(uint32_t startTick) {
    Scripted = true;
    ScriptClock = startTick;
    Queue.clear();
}

void WebAdvanceClock(uint32_t ms) { ScriptClock += ms; }  // wraps at 2^32 like the real clock

void WebForgetPicture() { HaveShown = false; }

void WebShowCells(const CHAR_INFO* cells) {
    bool any = false;
    for (int row = 0; row < SCREEN_HEIGHT; ++row) {
        int32_t first = -1, last = -1;
        for (int column = 0; column < SCREEN_WIDTH; ++column) {
            const int at = row * SCREEN_WIDTH + column;
            if (HaveShown && SameCell(cells[at], Shown[at])) continue;
            Shown[at] = cells[at];
            DrawCellPixel(cells[at], row, column, Pixels);
            if (first < 0) first = column;
            last = column;
        }
        ChangedSpans[row * 2] = first;
        ChangedSpans[row * 2 + 1] = last;
        any = any || first >= 0;
    }
    HaveShown = true;
    if (any) PageShowPixels(Pixels, ChangedSpans, SCREEN_HEIGHT);
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

// The page's clock counts milliseconds as a double, from the page's start,
// less every pause; its whole part, cut to 32 bits, wraps like the console clock.
uint32_t PlatformTickCount() {
    if (Scripted) return ScriptClock;
    return static_cast<uint32_t>(static_cast<uint64_t>(PageNow()));
}

// The page quits through the Escape key (q is sent as Escape).
bool PlatformQuitRequested() { return false; }

// The page learns of the end from the frame's answer and shows its end screen.
void PlatformCloseConsole() {}

}  // namespace fg
