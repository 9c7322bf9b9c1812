// The picture's shape, place and colours on a terminal: when each picture
// cell takes two terminal cells, where the picture and its key line sit, the
// 24-bit colours, and the notices that must never show a cut number.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "console/ansi/terminal_output.h"

namespace fg {
namespace {

TEST(TerminalPicture, TallCellsAndRoomEnoughDrawEachCellTwoWideCentredWithTheKeysUnder) {
    struct Case {
        int columns, rows, cellWidth, cellHeight;
        int cellsPerCell, left, top;
        bool keyLine, shapeLine;
    };
    const Case cases[] = {
        {80, 50, 0, 0, 1, 0, 0, false, false},    // as small as the picture: nothing else
        {80, 24, 0, 0, 1, 0, 0, false, false},    // too small: cut, at the top-left
        {160, 50, 0, 0, 2, 0, 0, false, false},   // unknown shape: taken as 1:2
        {160, 51, 9, 18, 2, 0, 0, true, false},   // a row for the keys
        {200, 60, 8, 16, 2, 20, 4, true, false},  // centred, keys under (rows 4-54)
        {159, 60, 8, 16, 1, 39, 4, true, true},   // a little narrow: says what width would do
        {150, 53, 8, 16, 1, 35, 0, true, true},
        {100, 51, 8, 16, 1, 10, 0, true, false},   // no second row for the shape notice
        {200, 60, 10, 14, 1, 60, 4, true, false},  // cells under 1.5 as tall as wide: square enough
        {200, 60, 10, 15, 2, 20, 4, true, false},  // exactly 1.5
        {60, 60, 8, 16, 1, 0, 0, false, false},    // too narrow: no key line, not centred
        {0, 0, 0, 0, 1, 0, 0, false, false},       // size unknown
    };
    for (const Case& c : cases) {
        TerminalOutputState state;
        ResetTerminalOutput(state, c.columns, c.rows);
        state.cellWidthPx = c.cellWidth;
        state.cellHeightPx = c.cellHeight;
        ArrangeTerminalPicture(state);
        const std::string what = std::to_string(c.columns) + "x" + std::to_string(c.rows) + " cells " +
                                 std::to_string(c.cellWidth) + "x" + std::to_string(c.cellHeight);
        EXPECT_EQ(state.cellsPerCell, c.cellsPerCell) << what;
        EXPECT_EQ(state.left, c.left) << what;
        EXPECT_EQ(state.top, c.top) << what;
        EXPECT_EQ(state.keyLine, c.keyLine) << what;
        EXPECT_EQ(state.shapeLine, c.shapeLine) << what;
    }
}

TEST(TerminalPicture, ArrangingAgainForgetsTheScreenOnlyWhenThePlaceChanged) {
    TerminalOutputState state;
    ResetTerminalOutput(state, 200, 60);
    static TerminalBytes out;
    const std::vector<CHAR_INFO> cells(SCREEN_WIDTH * SCREEN_HEIGHT, CHAR_INFO{'x', 0x07});
    EncodeFrame(state, cells.data(), out);
    ArrangeTerminalPicture(state);
    EXPECT_TRUE(state.screenKnown);
    state.cellWidthPx = 10;
    state.cellHeightPx = 10;  // the terminal answered: square cells
    ArrangeTerminalPicture(state);
    EXPECT_FALSE(state.screenKnown);
    EXPECT_EQ(state.cellsPerCell, 1);
}

// Wide: every picture cell twice, REP over the pair where it is shorter, the
// key line centred under the picture in default colours.
TEST(TerminalPicture, AWideFrameDrawsEachCellTwiceAndTheKeyLineUnderIt) {
    std::vector<CHAR_INFO> cells(SCREEN_WIDTH * SCREEN_HEIGHT, CHAR_INFO{'x', 0x07});
    cells[0] = {219, 0x0C};
    cells[1] = {'a', 0x07};
    TerminalOutputState state;
    ResetTerminalOutput(state, 160, 51);
    ArrangeTerminalPicture(state);
    static TerminalBytes out;
    EncodeFrame(state, cells.data(), out);
    const std::string bytes(out.data, out.length);
    // Row 51 and, 1-based, column (160 - 57) / 2 + 1.
    EXPECT_NE(bytes.find(std::string("\x1b[51;52H") + KEY_LINE), std::string::npos);
    EXPECT_NE(bytes.find("\x1b[H\x1b[91;40m\u2588\u2588\x1b[37maaxxxx"), std::string::npos);

    // A view that turns by one picture cell shifts the row by two terminal cells.
    std::vector<CHAR_INFO> turned = cells;
    for (int c = 0; c < SCREEN_WIDTH; ++c) turned[c] = {static_cast<uint16_t>('a' + c % 26), 0x07};
    EncodeFrame(state, turned.data(), out);
    std::vector<CHAR_INFO> next = turned;
    for (int c = 0; c < SCREEN_WIDTH; ++c) next[c] = {static_cast<uint16_t>('a' + (c + 1) % 26), 0x07};
    EncodeFrame(state, next.data(), out);
    EXPECT_EQ(std::string(out.data, out.length),
              "\x1b[?2026h\x1b[0m\r\x1b[2P\x1b[158C\x1b[37;40mcc\x1b[?2026l");
}

TEST(TerminalPicture, TrueColourSendsThePalettesOwnColoursAndOnlyTheHalfThatChanged) {
    struct Case {
        int from, to;
        const char* sgr;
    };
    const Case cases[] = {
        {PEN_UNKNOWN, 0x06, "\x1b[38;2;170;85;0;48;2;0;0;0m"},  // the floor's brown, on black
        {PEN_PLAIN, 0x1F, "\x1b[38;2;255;255;255;48;2;0;0;170m"},
        {0x06, 0x0E, "\x1b[38;2;255;255;85m"},
        {0x06, 0x86, "\x1b[48;2;85;85;85m"},
        {0x06, 0x06, ""},
        {0x06, PEN_PLAIN, "\x1b[0m"},
    };
    for (const Case& c : cases) {
        char out[64];
        EXPECT_EQ(std::string(out, EncodeColourChange(c.from, c.to, out, true)), c.sgr);
        EXPECT_EQ(ColourChangeLength(c.from, c.to, true), std::string(c.sgr).size());
    }
}

TEST(TerminalPicture, TrueColourOnlyWhereTheTerminalSaysSo) {
    EXPECT_TRUE(TerminalTakesTrueColour("truecolor", "xterm-kitty", false));
    EXPECT_TRUE(TerminalTakesTrueColour("24bit", "xterm-256color", false));
    EXPECT_FALSE(TerminalTakesTrueColour(nullptr, "xterm-256color", false));
    EXPECT_FALSE(TerminalTakesTrueColour("", "xterm-256color", false));
    EXPECT_FALSE(TerminalTakesTrueColour("truecolor", "tmux-256color", true));  // the outer terminal's word
    EXPECT_TRUE(TerminalTakesTrueColour(nullptr, "tmux-direct", true));
}

// Whatever the width, a notice is one of its whole forms: a size is never cut.
TEST(TerminalPicture, NoticesDropWordsButNeverCutASize) {
    const std::vector<std::string> sizeForms = {
        "terminal is 9x24; FARROWGATE needs 80x50 - enlarge the window or use a smaller font",
        "terminal is 9x24; FARROWGATE needs 80x50 - enlarge it or use a smaller font",
        "terminal is 9x24; FARROWGATE needs 80x50",
        "9x24; needs 80x50",
        "needs 80x50",
        "80x50",
        "",
    };
    for (int columns = 1; columns < 100; ++columns) {
        char out[128];
        const std::string notice(out, SizeNotice(columns, 24, out));
        std::string general = notice;
        const std::string size = std::to_string(columns) + "x24";
        if (const size_t at = general.find(size); at != std::string::npos)
            general.replace(at, size.size(), "9x24");
        EXPECT_NE(std::find(sizeForms.begin(), sizeForms.end(), general), sizeForms.end()) << notice;
        EXPECT_LE(notice.size(), static_cast<size_t>(columns));
        if (columns >= 5) {
            EXPECT_FALSE(notice.empty()) << columns;
        }
    }
    char out[128];
    EXPECT_EQ(std::string(out, SizeNotice(10, 24, out)), "80x50");
    EXPECT_EQ(std::string(out, SizeNotice(9, 24, out)), "80x50");
    EXPECT_EQ(std::string(out, SizeNotice(4, 24, out)), "");
    EXPECT_EQ(std::string(out, SizeNotice(11, 24, out)), "needs 80x50");
    EXPECT_EQ(std::string(out, SizeNotice(80, 50, out)), "");

    EXPECT_EQ(std::string(out, ShapeNotice(159, 160, out)),
              "a terminal 160 columns wide shows the picture in its true shape (this one: 159)");
    EXPECT_EQ(std::string(out, ShapeNotice(77, 160, out)), "true shape from 160 columns (now 77)");
    EXPECT_EQ(std::string(out, ShapeNotice(30, 160, out)), "true shape from 160 columns");
    EXPECT_EQ(std::string(out, ShapeNotice(20, 160, out)), "");
    EXPECT_EQ(std::string(out, ShapeNotice(160, 160, out)), "");
}

}  // namespace
}  // namespace fg
