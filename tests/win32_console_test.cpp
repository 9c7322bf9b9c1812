// The Win32 console back end against a real console (Windows, or Wine): key
// records injected into the input queue, frames read back from the screen
// buffer, the set-up's sizes, code page and cursor, and the user's screen
// given back as it was.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

// Windows' header first, the game's after: the order that breaks when
// <windows.h> comes in any other way (its VK_ macros would rewrite the game's
// key constants); the back end includes them the other way round.
#include "console/win32/windows_api.h"

#include "console/frame_buffer.h"
#include "console/keyboard.h"

namespace fg {
namespace {

constexpr UINT SHADE_CODE_PAGE = 437;
constexpr UINT OTHER_CODE_PAGE = 850;  // an OEM code page the user might have chosen

INPUT_RECORD Key(WORD code, bool down) {
    INPUT_RECORD record{};
    record.EventType = KEY_EVENT;
    record.Event.KeyEvent.bKeyDown = down ? TRUE : FALSE;
    record.Event.KeyEvent.wRepeatCount = 1;
    record.Event.KeyEvent.wVirtualKeyCode = code;
    return record;
}

INPUT_RECORD Other(WORD type) {
    INPUT_RECORD record{};
    record.EventType = type;
    if (type == MOUSE_EVENT) record.Event.MouseEvent.dwButtonState = FROM_LEFT_1ST_BUTTON_PRESSED;
    if (type == FOCUS_EVENT) record.Event.FocusEvent.bSetFocus = TRUE;
    if (type == WINDOW_BUFFER_SIZE_EVENT) record.Event.WindowBufferSizeEvent.dwSize = COORD{100, 40};
    return record;
}

HANDLE OpenActiveScreen() {
    return CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, 0, nullptr);
}

// Gives the back end a console input queue and a screen buffer of the test's
// own, active, as its standard handles: the user's screen, 60 x 20 like a
// small console.
class Win32Console : public ::testing::Test {
protected:
    void SetUp() override {
        if (GetConsoleWindow() == nullptr && GetStdHandle(STD_INPUT_HANDLE) == nullptr) AllocConsole();
        savedIn = GetStdHandle(STD_INPUT_HANDLE);
        savedOut = GetStdHandle(STD_OUTPUT_HANDLE);
        savedActive = OpenActiveScreen();
        savedCodePage = GetConsoleOutputCP();
        in = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
        out = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr);
        ASSERT_NE(in, INVALID_HANDLE_VALUE) << "no console input: run from a console";
        ASSERT_NE(out, INVALID_HANDLE_VALUE);
        SMALL_RECT small{0, 0, 59, 19};
        SetConsoleWindowInfo(out, TRUE, &small);
        SetConsoleScreenBufferSize(out, COORD{60, 20});
        SetConsoleActiveScreenBuffer(out);
        SetStdHandle(STD_INPUT_HANDLE, in);
        SetStdHandle(STD_OUTPUT_HANDLE, out);
        FlushConsoleInputBuffer(in);
        ResetKeyboard();
    }

    void TearDown() override {
        PlatformCloseConsole();
        if (savedCodePage != 0) SetConsoleOutputCP(savedCodePage);
        SetStdHandle(STD_INPUT_HANDLE, savedIn);
        SetStdHandle(STD_OUTPUT_HANDLE, savedOut);
        if (savedActive != INVALID_HANDLE_VALUE) {
            SetConsoleActiveScreenBuffer(savedActive);
            CloseHandle(savedActive);
        }
        CloseHandle(in);
        CloseHandle(out);
    }

    // The screen buffer the console shows now, and what it holds.
    CONSOLE_SCREEN_BUFFER_INFO ActiveInfo() {
        CONSOLE_SCREEN_BUFFER_INFO info{};
        HANDLE active = OpenActiveScreen();
        EXPECT_TRUE(GetConsoleScreenBufferInfo(active, &info));
        CloseHandle(active);
        return info;
    }

    std::vector<::CHAR_INFO> ActiveCells() {
        std::vector<::CHAR_INFO> screen(SCREEN_WIDTH * SCREEN_HEIGHT);
        SMALL_RECT region{0, 0, SCREEN_WIDTH - 1, SCREEN_HEIGHT - 1};
        HANDLE active = OpenActiveScreen();
        EXPECT_TRUE(ReadConsoleOutputA(active, screen.data(), COORD{SCREEN_WIDTH, SCREEN_HEIGHT}, COORD{0, 0},
                                       &region));
        CloseHandle(active);
        return screen;
    }

    void Inject(const std::vector<INPUT_RECORD>& records) {
        DWORD written = 0;
        ASSERT_TRUE(WriteConsoleInputA(in, records.data(), static_cast<DWORD>(records.size()), &written));
        ASSERT_EQ(written, records.size());
    }

    DWORD Pending() {
        DWORD pending = 0;
        GetNumberOfConsoleInputEvents(in, &pending);
        return pending;
    }

    HANDLE savedIn = nullptr, savedOut = nullptr, savedActive = INVALID_HANDLE_VALUE;
    UINT savedCodePage = 0;
    HANDLE in = INVALID_HANDLE_VALUE, out = INVALID_HANDLE_VALUE;
};

TEST_F(Win32Console, SetUpGrowsASmallConsoleTo80By50WithCodePage437AndNoCursor) {
    SetConsoleOutputCP(OTHER_CODE_PAGE);
    CONSOLE_CURSOR_INFO visible{25, TRUE};
    SetConsoleCursorInfo(out, &visible);

    SetUpConsole();
    const CONSOLE_SCREEN_BUFFER_INFO info = ActiveInfo();
    EXPECT_EQ(info.dwSize.X, 80);
    EXPECT_EQ(info.dwSize.Y, 50);
    // The window too, not only the buffer: it is set again once the buffer is big enough.
    EXPECT_EQ(info.srWindow.Left, 0);
    EXPECT_EQ(info.srWindow.Top, 0);
    EXPECT_EQ(info.srWindow.Right, 79);
    EXPECT_EQ(info.srWindow.Bottom, 49);
    EXPECT_EQ(GetConsoleOutputCP(), SHADE_CODE_PAGE);
    CONSOLE_CURSOR_INFO cursor{};
    HANDLE active = OpenActiveScreen();
    ASSERT_TRUE(GetConsoleCursorInfo(active, &cursor));
    CloseHandle(active);
    EXPECT_FALSE(cursor.bVisible);
    char title[256] = {};
    GetConsoleTitleA(title, sizeof title);
    EXPECT_STREQ(title, WINDOW_TITLE);

    PlatformCloseConsole();
    EXPECT_EQ(GetConsoleOutputCP(), OTHER_CODE_PAGE);
    ASSERT_TRUE(GetConsoleCursorInfo(out, &cursor));
    EXPECT_TRUE(cursor.bVisible);
}

TEST_F(Win32Console, CtrlCEndsTheRunAndTheConsoleIsGivenBack) {
    DWORD processes[4];
    if (GetConsoleProcessList(processes, 4) != 1)  // Ctrl-C goes to every program on the console
        GTEST_SKIP() << "other programs share this console (run the suite in a console of its own)";
    SetConsoleOutputCP(OTHER_CODE_PAGE);
    SetUpConsole();
    ASSERT_FALSE(PlatformQuitRequested());
    GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);  // delivered on a thread of its own
    for (int i = 0; i < 200 && !PlatformQuitRequested(); ++i) Sleep(10);
    EXPECT_TRUE(PlatformQuitRequested());
    // Closing now would end the process with status 130 (tests/run_under_wine.sh
    // checks that on the game); a second set-up starts afresh instead.
    SetUpConsole();
    EXPECT_FALSE(PlatformQuitRequested());
    PlatformCloseConsole();
    EXPECT_EQ(GetConsoleOutputCP(), OTHER_CODE_PAGE);
}

// The user's screen is not drawn on: its size, what it holds (the
// scrollback), its window, cursor and the title are as before the game.
TEST_F(Win32Console, TheUsersScreenIsGivenBackAsItWas) {
    const char text[] = "the user's own line";
    DWORD written = 0;
    ASSERT_TRUE(WriteConsoleOutputCharacterA(out, text, sizeof text - 1, COORD{2, 15}, &written));
    ASSERT_TRUE(SetConsoleCursorPosition(out, COORD{7, 17}));
    ASSERT_TRUE(SetConsoleTitleA("the user's title"));
    CONSOLE_SCREEN_BUFFER_INFO before{};
    ASSERT_TRUE(GetConsoleScreenBufferInfo(out, &before));

    SetUpConsole();
    for (CHAR_INFO& cell : FrameBuffer) cell = CHAR_INFO{219, 0x1E};
    PresentFrame();
    PlatformCloseConsole();

    CONSOLE_SCREEN_BUFFER_INFO after{};
    ASSERT_TRUE(GetConsoleScreenBufferInfo(out, &after));
    EXPECT_EQ(after.dwSize.X, before.dwSize.X);
    EXPECT_EQ(after.dwSize.Y, before.dwSize.Y);
    EXPECT_EQ(after.srWindow.Left, before.srWindow.Left);
    EXPECT_EQ(after.srWindow.Top, before.srWindow.Top);
    EXPECT_EQ(after.srWindow.Right, before.srWindow.Right);
    EXPECT_EQ(after.srWindow.Bottom, before.srWindow.Bottom);
    EXPECT_EQ(after.dwCursorPosition.X, 7);
    EXPECT_EQ(after.dwCursorPosition.Y, 17);
    char line[sizeof text] = {};
    DWORD read = 0;
    ASSERT_TRUE(ReadConsoleOutputCharacterA(out, line, sizeof text - 1, COORD{2, 15}, &read));
    EXPECT_STREQ(line, text);
    char title[256] = {};
    GetConsoleTitleA(title, sizeof title);
    EXPECT_STREQ(title, "the user's title");
    const CONSOLE_SCREEN_BUFFER_INFO shown = ActiveInfo();
    EXPECT_EQ(shown.dwSize.X, before.dwSize.X) << "the user's screen is not the one shown";
}

// A console whose font is too large for 80 x 50 shows fewer rows; the last
// one it shows says so, as a small terminal's does.
TEST_F(Win32Console, AWindowShorterThan50RowsEndsInANotice) {
    SetUpConsole();
    HANDLE active = OpenActiveScreen();
    SMALL_RECT shorter{0, 0, SCREEN_WIDTH - 1, 30};
    ASSERT_TRUE(SetConsoleWindowInfo(active, TRUE, &shorter));
    CloseHandle(active);
    for (CHAR_INFO& cell : FrameBuffer) cell = CHAR_INFO{219, 0x1E};
    PresentFrame();
    const std::vector<::CHAR_INFO> screen = ActiveCells();
    std::string row;
    for (int column = 0; column < SCREEN_WIDTH; ++column)
        row += screen[30 * SCREEN_WIDTH + column].Char.AsciiChar;
    EXPECT_EQ(row.rfind("terminal is 80x31; FARROWGATE needs 80x50", 0), 0u) << row;
    EXPECT_EQ(static_cast<unsigned char>(screen[29 * SCREEN_WIDTH].Char.AsciiChar), 219)
        << "the row above is the picture";
}

TEST_F(Win32Console, PresentedFrameReadsBackCellForCell) {
    SetUpConsole();
    const uint16_t shades[] = {0, 176, 177, 178, 219};
    for (int i = 0; i < SCREEN_WIDTH * SCREEN_HEIGHT; ++i)
        FrameBuffer[i] = CHAR_INFO{shades[(i / 7) % 5], static_cast<uint16_t>((i * 13) % 128)};
    PresentFrame();

    const std::vector<::CHAR_INFO> screen = ActiveCells();
    int wrong = 0;
    for (int i = 0; i < SCREEN_WIDTH * SCREEN_HEIGHT; ++i) {
        const bool same = static_cast<unsigned char>(screen[i].Char.AsciiChar) == FrameBuffer[i].character &&
                          screen[i].Attributes == FrameBuffer[i].attributes;
        if (!same && ++wrong <= 5)
            ADD_FAILURE() << "row " << i / SCREEN_WIDTH << " column " << i % SCREEN_WIDTH << ": "
                          << static_cast<int>(static_cast<unsigned char>(screen[i].Char.AsciiChar)) << "/"
                          << screen[i].Attributes << " for " << FrameBuffer[i].character << "/"
                          << FrameBuffer[i].attributes;
    }
    EXPECT_EQ(wrong, 0);
}

struct Poll {
    std::vector<INPUT_RECORD> injected;     // before the poll
    std::vector<std::pair<int, int>> keys;  // KeyState entry, flag after the poll
    DWORD pendingAfter;
};

struct InputCase {
    const char* name;
    std::vector<Poll> polls;
};

std::vector<INPUT_RECORD> Padded(int mice, INPUT_RECORD last) {
    std::vector<INPUT_RECORD> records(mice, Other(MOUSE_EVENT));
    records.push_back(last);
    return records;
}

TEST_F(Win32Console, KeyRecordsBecomeKeyState) {
    std::vector<INPUT_RECORD> overflow = Padded(127, Key(VK_UP, true));    // records 1..128
    const std::vector<INPUT_RECORD> rest = Padded(71, Key(VK_UP, false));  // records 129..200
    overflow.insert(overflow.end(), rest.begin(), rest.end());
    const InputCase cases[] = {
        {"down, then up in a later poll",
         {{{Key(VK_LEFT, true)}, {{VK_LEFT, 1}}, 0},
          {{}, {{VK_LEFT, 1}}, 0},
          {{Key(VK_LEFT, false)}, {{VK_LEFT, 0}}, 0}}},
        {"down and up in one poll: never seen down",
         {{{Key(VK_SPACE, true), Key(VK_SPACE, false)}, {{VK_SPACE, 0}}, 0}}},
        {"held with repeats",
         {{{Key(VK_RIGHT, true), Key(VK_RIGHT, true), Key(VK_RIGHT, true)}, {{VK_RIGHT, 1}}, 0}}},
        {"200 records: 128 in the first poll, 72 in the next",
         {{overflow, {{VK_UP, 1}}, 72}, {{}, {{VK_UP, 0}}, 0}}},
        {"mouse, focus, menu and size records are consumed without effect",
         {{{Key(VK_DOWN, true), Other(MOUSE_EVENT), Other(FOCUS_EVENT), Other(MENU_EVENT),
            Other(WINDOW_BUFFER_SIZE_EVENT)},
           {{VK_DOWN, 1}, {MOUSE_EVENT, 0}, {FOCUS_EVENT, 0}, {MENU_EVENT, 0}},
           0}}},
        {"codes fold modulo 255",
         {{{Key(255, true), Key(255 + VK_ESCAPE, true)}, {{0, 1}, {VK_ESCAPE, 1}}, 0}}},
    };
    SetUpConsole();
    for (const InputCase& c : cases) {
        SCOPED_TRACE(c.name);
        ResetKeyboard();
        FlushConsoleInputBuffer(in);
        for (size_t p = 0; p < c.polls.size(); ++p) {
            const Poll& poll = c.polls[p];
            if (!poll.injected.empty()) Inject(poll.injected);
            PollInput();
            for (const auto& [entry, flag] : poll.keys)
                EXPECT_EQ(KeyState[entry], flag) << "poll " << p << " entry " << entry;
            EXPECT_EQ(Pending(), poll.pendingAfter) << "poll " << p;
        }
    }
}

TEST_F(Win32Console, AnEmptyQueueLeavesKeyStateAlone) {
    SetUpConsole();
    KeyState[VK_LEFT] = 1;
    uint8_t before[KEY_SLOTS];
    std::memcpy(before, KeyState, sizeof before);
    PollInput();
    EXPECT_EQ(std::memcmp(before, KeyState, sizeof before), 0);
}

}  // namespace
}  // namespace fg
