// The seam on the Windows text console, through KERNEL32's console calls.
// The game draws in a screen buffer of its own, made active for the run, so
// the user's buffer (its size, scrollback, window and cursor) is never
// touched; the title and code page are put back on every way out. A console
// that refuses the 80 x 50 window gets the small terminal's notice instead of
// its last visible row.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "console/ansi/terminal_output.h"
#include "console/frame_pacing.h"
#include "console/keyboard.h"
#include "console/platform.h"
#include "console/win32/windows_api.h"

#include <timeapi.h>  // needs windows.h before it

static_assert(sizeof(::CHAR_INFO) == sizeof(fg::CHAR_INFO), "cells are handed to the console as they are");
static_assert(offsetof(::CHAR_INFO, Attributes) == offsetof(fg::CHAR_INFO, attributes),
              "the attribute word follows the character field");
static_assert(fg::win32::WINDOWS_KEY_CODES[0] == fg::VK_ESCAPE &&
                  fg::win32::WINDOWS_KEY_CODES[1] == fg::VK_SPACE &&
                  fg::win32::WINDOWS_KEY_CODES[2] == fg::VK_LEFT &&
                  fg::win32::WINDOWS_KEY_CODES[3] == fg::VK_UP &&
                  fg::win32::WINDOWS_KEY_CODES[4] == fg::VK_RIGHT &&
                  fg::win32::WINDOWS_KEY_CODES[5] == fg::VK_DOWN,
              "the game's key codes are Windows' virtual-key codes");

namespace fg {

namespace {

constexpr uint32_t MAX_CONSOLE_RECORDS = 128;
constexpr UINT CONSOLE_CODE_PAGE = 437;   // the code page of the shade characters
constexpr int INTERRUPT_STATUS = 130;     // Ctrl-C: the status the terminal build gives
constexpr WORD NOTICE_ATTRIBUTES = 0x70;  // black on light grey, apart from any picture
constexpr DWORD TITLE_CAPACITY = 1024;

HANDLE ConsoleIn;
HANDLE UserScreen;                         // the buffer that was active at start
HANDLE GameScreen = INVALID_HANDLE_VALUE;  // ours; the user's if none could be made
const COORD BufferSize{SCREEN_WIDTH, SCREEN_HEIGHT};
const COORD BufferOrigin{0, 0};
::CHAR_INFO Shown[SCREEN_WIDTH * SCREEN_HEIGHT];  // the frame with the notice, if any, on top

// What set-up changes and every way out puts back. Restored at most once, by
// whichever thread gets there first.
UINT SavedCodePage = 0;  // 0: there was none to save
char SavedTitle[TITLE_CAPACITY];
bool HasSavedTitle = false;
CONSOLE_SCREEN_BUFFER_INFO SavedScreen;  // only needed when drawing in the user's buffer
bool HasSavedScreen = false;
CONSOLE_CURSOR_INFO SavedCursor;
bool HasSavedCursor = false;
volatile LONG ModesSaved = 0;
volatile LONG QuitRequested = 0;
volatile LONG Interrupted = 0;

bool DrawsInUserScreen() { return GameScreen == UserScreen; }

// A window can be no larger than its buffer, and a buffer no smaller than its
// window: shrink the window first, then size the buffer, then the window.
void SizeScreen(HANDLE screen, COORD size, SMALL_RECT window) {
    SMALL_RECT fits{0, 0, 0, 0};
    SetConsoleWindowInfo(screen, TRUE, &fits);
    SetConsoleScreenBufferSize(screen, size);
    SetConsoleWindowInfo(screen, TRUE, &window);
}

void RestoreConsoleModes() {
    if (InterlockedExchange(&ModesSaved, 0) == 0) return;
    if (DrawsInUserScreen()) {
        if (HasSavedScreen) {
            SizeScreen(UserScreen, SavedScreen.dwSize, SavedScreen.srWindow);
            SetConsoleCursorPosition(UserScreen, SavedScreen.dwCursorPosition);
        }
        if (HasSavedCursor) SetConsoleCursorInfo(UserScreen, &SavedCursor);
    } else {
        SetConsoleActiveScreenBuffer(UserScreen);
    }
    if (SavedCodePage != 0) SetConsoleOutputCP(SavedCodePage);
    if (HasSavedTitle) SetConsoleTitleA(SavedTitle);
}

// Runs on a thread of its own. Ctrl-C and Ctrl-Break end the loop like
// Escape; closing the window, logging off and shutting down end the process
// as soon as this returns, so the console is put back here.
BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        InterlockedExchange(&Interrupted, 1);
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

// Without a console (a Unix-style terminal such as mintty, or redirected
// handles) nothing would show and no key would come: say so and stop.
void RequireConsole() {
    DWORD mode = 0;
    if (GetConsoleMode(ConsoleIn, &mode) && GetConsoleMode(UserScreen, &mode)) return;
    std::fputs(
        "farrowgate: needs a Windows console (standard input and output must be one; "
        "from mintty, run it through winpty)\n",
        stderr);
    std::exit(1);
}

// A second set-up before the close starts a fresh run but keeps the first
// save: the console now holds the game's settings, not the user's.
void SaveConsole() {
    InterlockedExchange(&QuitRequested, 0);
    InterlockedExchange(&Interrupted, 0);
    if (ModesSaved != 0) return;
    SavedCodePage = GetConsoleOutputCP();
    SavedTitle[0] = '\0';
    HasSavedTitle = GetConsoleTitleA(SavedTitle, TITLE_CAPACITY) > 0 || GetLastError() == ERROR_SUCCESS;
    HasSavedScreen = GetConsoleScreenBufferInfo(UserScreen, &SavedScreen) != 0;
    HasSavedCursor = GetConsoleCursorInfo(UserScreen, &SavedCursor) != 0;
    InterlockedExchange(&ModesSaved, 1);
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    SetUnhandledExceptionFilter(OnCrash);
    static const bool registered = std::atexit(RestoreAtExit) == 0;
    (void)registered;
}

// The shade characters are code page 437's; under other code pages (1252,
// UTF-8, ...) the same codes are letters or replacement marks. The cursor
// would blink over the picture.
void SetUpGameScreen() {
    if (GameScreen == INVALID_HANDLE_VALUE)
        GameScreen =
            CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr);
    if (GameScreen == INVALID_HANDLE_VALUE || !SetConsoleActiveScreenBuffer(GameScreen)) {
        if (GameScreen != INVALID_HANDLE_VALUE && GameScreen != UserScreen) CloseHandle(GameScreen);
        GameScreen = UserScreen;  // draw in the user's buffer, and put its size back at the end
    }
    SizeScreen(GameScreen, BufferSize, SMALL_RECT{0, 0, SCREEN_WIDTH - 1, SCREEN_HEIGHT - 1});
    SetConsoleOutputCP(CONSOLE_CODE_PAGE);
    CONSOLE_CURSOR_INFO hidden{1, FALSE};
    if (DrawsInUserScreen() && HasSavedCursor) hidden.dwSize = SavedCursor.dwSize;
    SetConsoleCursorInfo(GameScreen, &hidden);
}

// The frame as the console shows it: where the window shows fewer than 80 x
// 50 cells (a font too large for the screen), its last visible row says so.
const ::CHAR_INFO* WithSizeNotice(const CHAR_INFO* cells) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(GameScreen, &info)) return reinterpret_cast<const ::CHAR_INFO*>(cells);
    const int rows = info.srWindow.Bottom - info.srWindow.Top + 1;
    const int columns = info.srWindow.Right - info.srWindow.Left + 1;
    char notice[128];
    const std::size_t length = SizeNotice(columns, rows, notice);
    const int row = info.srWindow.Bottom;
    if (length == 0 || row < 0 || row >= SCREEN_HEIGHT || info.srWindow.Left < 0)
        return reinterpret_cast<const ::CHAR_INFO*>(cells);
    std::memcpy(Shown, cells, sizeof Shown);
    ::CHAR_INFO* line = Shown + row * SCREEN_WIDTH;
    for (int column = info.srWindow.Left; column < SCREEN_WIDTH && column <= info.srWindow.Right; ++column) {
        const std::size_t at = static_cast<std::size_t>(column - info.srWindow.Left);
        line[column].Char.AsciiChar = at < length ? notice[at] : ' ';
        line[column].Attributes = NOTICE_ATTRIBUTES;
    }
    return Shown;
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
    ConsoleIn = GetStdHandle(STD_INPUT_HANDLE);
    UserScreen = GetStdHandle(STD_OUTPUT_HANDLE);
    RequireConsole();
    SaveConsole();
    SetUpGameScreen();
    SetConsoleTitleA(title);
    // Wine begins to read a terminal's keys only once the queue is first
    // looked at; on Windows the peek changes nothing.
    INPUT_RECORD peeked;
    DWORD peekedCount = 0;
    PeekConsoleInputA(ConsoleIn, &peeked, 1, &peekedCount);
    timeBeginPeriod(1);  // Sleep otherwise waits in steps of ~15.6 ms: 32 frames a second, not 60
}

void PlatformPresent(const CHAR_INFO* cells) {
    WaitForPresentSlot();
    // The console reports back the rectangle it wrote: ask for the whole again.
    SMALL_RECT region{0, 0, SCREEN_WIDTH - 1, SCREEN_HEIGHT - 1};
    WriteConsoleOutputA(GameScreen, WithSizeNotice(cells), BufferSize, BufferOrigin, &region);
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
    if (GameScreen != INVALID_HANDLE_VALUE && !DrawsInUserScreen()) CloseHandle(GameScreen);
    GameScreen = INVALID_HANDLE_VALUE;
    timeEndPeriod(1);
    if (Interrupted != 0) std::exit(INTERRUPT_STATUS);
}

}  // namespace fg
