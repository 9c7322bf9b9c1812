// The seam on the Windows text console, through KERNEL32's console calls.
// Results of the console calls are not examined: with no console, or one that
// refuses the 80 x 50 window, the game runs on and presents into what there is.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <timeapi.h>

#include <cstddef>
#include <cstdint>

#include "console/frame_pacing.h"
#include "console/platform.h"

static_assert(sizeof(::CHAR_INFO) == sizeof(fg::CHAR_INFO), "cells are handed to the console as they are");
static_assert(offsetof(::CHAR_INFO, Attributes) == offsetof(fg::CHAR_INFO, attributes),
              "the attribute word follows the character field");

namespace fg {

namespace {

constexpr uint32_t MAX_CONSOLE_RECORDS = 128;

HANDLE ConsoleOut;
HANDLE ConsoleIn;
const COORD BufferSize{SCREEN_WIDTH, SCREEN_HEIGHT};
const COORD BufferOrigin{0, 0};
// One record for the whole run: the console reports back in it the rectangle
// it wrote, and the next present asks for that rectangle again.
SMALL_RECT WriteRegion{0, 0, SCREEN_WIDTH - 1, SCREEN_HEIGHT - 1};

bool HasPresented = false;
LONGLONG LastPresentCount = 0;

LONGLONG PerformanceCount() {
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return count.QuadPart;
}

// Sleeps out the rest of the frame interval since the previous present, on a
// clock of its own so that the game's clock stays a pure reading. Sleep's
// granularity is the system timer's, so the wait may run a little long.
void WaitForPresentSlot() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    LONGLONG now = PerformanceCount();
    const LONGLONG wait = PresentWait(HasPresented, LastPresentCount, now, frequency.QuadPart);
    if (wait > 0) {
        Sleep(static_cast<DWORD>(wait * 1000 / frequency.QuadPart));
        now = PerformanceCount();
    }
    LastPresentCount = now;
    HasPresented = true;
}

}  // namespace

void PlatformOpenConsole(const char* title) {
    ConsoleOut = GetStdHandle(STD_OUTPUT_HANDLE);
    ConsoleIn = GetStdHandle(STD_INPUT_HANDLE);
    SMALL_RECT window{0, 0, SCREEN_WIDTH - 1, SCREEN_HEIGHT - 1};  // not WriteRegion: the call may change it
    SetConsoleWindowInfo(ConsoleOut, TRUE, &window);
    SetConsoleScreenBufferSize(ConsoleOut, BufferSize);
    SetConsoleTitleA(title);
    timeBeginPeriod(1);  // Sleep otherwise waits in steps of ~15.6 ms: 32 frames a second, not 60
}

void PlatformPresent(const CHAR_INFO* cells) {
    WaitForPresentSlot();
    WriteConsoleOutputA(ConsoleOut, reinterpret_cast<const ::CHAR_INFO*>(cells), BufferSize, BufferOrigin,
                        &WriteRegion);
}

uint32_t PlatformPendingInput() {
    DWORD pending = 0;
    if (!GetNumberOfConsoleInputEvents(ConsoleIn, &pending)) return 0;  // a failed query must not block the poll
    return pending;
}

uint32_t PlatformReadInput(InputRecord* records, uint32_t capacity) {
    INPUT_RECORD console[MAX_CONSOLE_RECORDS];
    DWORD wanted = capacity < MAX_CONSOLE_RECORDS ? capacity : MAX_CONSOLE_RECORDS;
    DWORD read = 0;
    if (wanted == 0 || !ReadConsoleInputA(ConsoleIn, console, wanted, &read)) return 0;
    for (DWORD i = 0; i < read; ++i) {
        InputRecord& record = records[i];
        record.eventType = console[i].EventType;
        record.virtualKeyCode = 0;
        record.keyDown = 0;
        if (console[i].EventType == KEY_EVENT) {
            record.virtualKeyCode = console[i].Event.KeyEvent.wVirtualKeyCode;
            record.keyDown = console[i].Event.KeyEvent.bKeyDown != 0 ? 1 : 0;
        }
    }
    return read;
}

uint32_t PlatformTickCount() { return GetTickCount(); }

bool PlatformQuitRequested() { return false; }

void PlatformCloseConsole() { timeEndPeriod(1); }

}  // namespace fg
