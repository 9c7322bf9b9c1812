// The seam on the Windows text console, through KERNEL32's console calls.
// Results of the console calls are not examined: with no console, or one that
// refuses the 80 x 50 window, the game runs on and presents into what there is.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <timeapi.h>  // needs windows.h before it

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "console/frame_pacing.h"
#include "console/platform.h"

static_assert(sizeof(::CHAR_INFO) == sizeof(fg::CHAR_INFO), "cells are handed to the console as they are");
static_assert(offsetof(::CHAR_INFO, Attributes) == offsetof(fg::CHAR_INFO, attributes),
              "the attribute word follows the character field");

namespace fg {

namespace {

constexpr uint32_t MAX_CONSOLE_RECORDS = 128;
constexpr UINT CONSOLE_CODE_PAGE = 437;  // the code page of the shade characters

HANDLE ConsoleOut;
HANDLE ConsoleIn;
const COORD BufferSize{SCREEN_WIDTH, SCREEN_HEIGHT};
const COORD BufferOrigin{0, 0};
// One record for the whole run: the console reports back in it the rectangle
// it wrote, and the next present asks for that rectangle again.
SMALL_RECT WriteRegion{0, 0, SCREEN_WIDTH - 1, SCREEN_HEIGHT - 1};

// What set-up changes and every way out puts back: the output code page and
// the cursor. Restored at most once, by whichever thread gets there first.
UINT SavedCodePage = 0;  // 0: there was none to save
CONSOLE_CURSOR_INFO SavedCursor;
bool HasSavedCursor = false;
volatile LONG ModesSaved = 0;
volatile LONG QuitRequested = 0;

void RestoreConsoleModes() {
    if (InterlockedExchange(&ModesSaved, 0) == 0) return;
    if (SavedCodePage != 0) SetConsoleOutputCP(SavedCodePage);
    if (HasSavedCursor) SetConsoleCursorInfo(ConsoleOut, &SavedCursor);
}

// Runs on a thread of its own. Ctrl-C and Ctrl-Break end the loop like
// Escape; closing the window, logging off and shutting down end the process
// as soon as this returns, so the console is put back here.
BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        InterlockedExchange(&QuitRequested, 1);
        return TRUE;
    }
    RestoreConsoleModes();
    return FALSE;
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS*) {
    RestoreConsoleModes();
    return EXCEPTION_CONTINUE_SEARCH;
}

void RestoreAtExit() { RestoreConsoleModes(); }

// The shade characters are code page 437's; under other code pages (1252,
// UTF-8, ...) the same codes are letters or replacement marks. The cursor
// would blink over the picture.
void SaveAndSetConsoleModes() {
    SavedCodePage = GetConsoleOutputCP();
    HasSavedCursor = GetConsoleCursorInfo(ConsoleOut, &SavedCursor) != 0;
    InterlockedExchange(&QuitRequested, 0);
    InterlockedExchange(&ModesSaved, 1);
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    SetUnhandledExceptionFilter(OnCrash);
    static const bool registered = std::atexit(RestoreAtExit) == 0;
    (void)registered;
    SetConsoleOutputCP(CONSOLE_CODE_PAGE);
    if (HasSavedCursor) {
        CONSOLE_CURSOR_INFO hidden = SavedCursor;
        hidden.bVisible = FALSE;
        SetConsoleCursorInfo(ConsoleOut, &hidden);
    }
}

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
    // Again: a window cannot outgrow the old buffer, so a console that started
    // smaller than 80 x 50 only reaches it once the buffer has grown.
    window = SMALL_RECT{0, 0, SCREEN_WIDTH - 1, SCREEN_HEIGHT - 1};
    SetConsoleWindowInfo(ConsoleOut, TRUE, &window);
    SetConsoleTitleA(title);
    SaveAndSetConsoleModes();
    // Wine begins to read a terminal's keys only once the queue is first
    // looked at; on Windows the peek changes nothing.
    INPUT_RECORD peeked;
    DWORD peekedCount = 0;
    PeekConsoleInputA(ConsoleIn, &peeked, 1, &peekedCount);
    timeBeginPeriod(1);  // Sleep otherwise waits in steps of ~15.6 ms: 32 frames a second, not 60
}

void PlatformPresent(const CHAR_INFO* cells) {
    WaitForPresentSlot();
    WriteConsoleOutputA(ConsoleOut, reinterpret_cast<const ::CHAR_INFO*>(cells), BufferSize, BufferOrigin,
                        &WriteRegion);
}

uint32_t PlatformPendingInput() {
    DWORD pending = 0;
    if (!GetNumberOfConsoleInputEvents(ConsoleIn, &pending))
        return 0;  // a failed query must not block the poll
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

bool PlatformQuitRequested() { return QuitRequested != 0; }

void PlatformCloseConsole() {
    RestoreConsoleModes();
    timeEndPeriod(1);
}

}  // namespace fg
