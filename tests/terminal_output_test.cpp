#include "console/ansi/terminal_output.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace fg {
namespace {

const std::string BEGIN = "\x1b[?2026h";
const std::string END = "\x1b[?2026l";
const std::string ERASE = "\x18\x80\x80\x1b[0m\x1b[2J";

std::vector<CHAR_INFO> Frame(CHAR_INFO fill) {
    return std::vector<CHAR_INFO>(SCREEN_WIDTH * SCREEN_HEIGHT, fill);
}

std::string Encode(TerminalOutputState& state, const std::vector<CHAR_INFO>& cells) {
    static TerminalBytes out;
    EncodeFrame(state, cells.data(), out);
    return std::string(out.data, out.length);
}

// A terminal of 4 x 3 cells shows the top-left corner of the picture, which
// keeps the byte stream short enough to spell out; its last row is too short
// for even the size the game needs, so no notice cuts it.
TEST(TerminalOutput, EncodesGlyphsAndColoursOfAFrameCutToTheTerminal) {
    std::vector<CHAR_INFO> cells = Frame({0, 0});
    cells[0] = {176, 0x0C};  // bright red on black
    cells[1] = {177, 0x0C};  // same colour: no SGR
    cells[2] = {178, 0x1C};  // only the background changes, to blue
    cells[3] = {219, 0x1C};
    cells[4] = {'z', 0x0F};  // beyond the terminal's fourth column
    cells[SCREEN_WIDTH + 0] = {0, 0x00};
    cells[SCREEN_WIDTH + 1] = {'A', 0x01};
    cells[SCREEN_WIDTH + 2] = {7, 0x01};       // a control code must not reach the terminal
    cells[SCREEN_WIDTH + 3] = {0x0141, 0x01};  // only the low byte is the character
    cells[2 * SCREEN_WIDTH] = {'z', 0x0F};

    TerminalOutputState state;
    ResetTerminalOutput(state, 4, 3);
    EXPECT_EQ(Encode(state, cells), BEGIN + ERASE +
                                        "\x1b[H\x1b[91;40m\u2591\u2592\x1b[44m\u2593\u2588"
                                        "\r\n\x1b[30;40m \x1b[34mA A"
                                        "\r\n\x1b[97mz\x1b[30m   " +
                                        END);
}

TEST(TerminalOutput, ColourChangesSendOnlyTheHalfThatDiffers) {
    struct Case {
        int from, to;
        const char* sgr;
    };
    const Case cases[] = {
        {PEN_UNKNOWN, 0x00, "\x1b[30;40m"},
        {PEN_UNKNOWN, 0x01, "\x1b[34;40m"},  // blue
        {PEN_UNKNOWN, 0x02, "\x1b[32;40m"},
        {PEN_UNKNOWN, 0x03, "\x1b[36;40m"},  // green, cyan
        {PEN_UNKNOWN, 0x04, "\x1b[31;40m"},
        {PEN_UNKNOWN, 0x05, "\x1b[35;40m"},  // red, magenta
        {PEN_UNKNOWN, 0x06, "\x1b[33;40m"},
        {PEN_UNKNOWN, 0x0F, "\x1b[97;40m"},  // yellow, bright
        {PEN_UNKNOWN, 0x20, "\x1b[30;42m"},
        {PEN_UNKNOWN, 0x60, "\x1b[30;43m"},  // backgrounds
        {PEN_UNKNOWN, 0x80, "\x1b[30;100m"},
        {PEN_UNKNOWN, 0xF9, "\x1b[94;107m"},
        {PEN_PLAIN, 0x07, "\x1b[37;40m"},  // from default colours both halves are needed
        {0x07, 0x0F, "\x1b[97m"},
        {0x07, 0x17, "\x1b[44m"},
        {0x07, 0x87, "\x1b[100m"},
        {0x1C, 0x2A, "\x1b[92;42m"},
        {0x07, 0x07, ""},
        {0x1C, PEN_PLAIN, "\x1b[0m"},
        {PEN_PLAIN, PEN_PLAIN, ""},
    };
    for (const Case& c : cases) {
        char out[16];
        EXPECT_EQ(std::string(out, EncodeColourChange(c.from, c.to, out)), c.sgr)
            << "from " << c.from << " to " << c.to;
        EXPECT_EQ(ColourChangeLength(c.from, c.to), std::string(c.sgr).size());
    }
}

TEST(TerminalOutput, CursorMovesTakeTheShortestForm) {
    struct Case {
        int fromRow, fromColumn, row, column, lastRow;
        const char* bytes;
    };
    const Case cases[] = {
        {-1, -1, 0, 0, 49, "\x1b[H"},
        {-1, 5, 4, 0, 49, "\x1b[5H"},  // from nowhere: absolute
        {-1, -1, 4, 9, 49, "\x1b[5;10H"},
        {3, -1, 4, 0, 49, "\r\n"},    // next line
        {3, -1, 4, 0, 3, "\x1b[5H"},  // a line feed on the last row would scroll
        {2, 10, 2, 10, 49, ""},
        {2, 10, 2, 11, 49, "\x1b[C"},
        {2, 10, 2, 9, 49, "\b"},
        {2, 10, 2, 4, 49, "\x1b[6D"},
        {2, 10, 2, 0, 49, "\r"},
        {2, 10, 2, 30, 49, "\x1b[20C"},
        {2, -1, 2, 3, 49, "\r\x1b[3C"},
        {2, 10, 3, 10, 49, "\x1b[B"},
        {2, 10, 0, 10, 49, "\x1b[2A"},
        {2, 10, 3, 11, 49, "\x1b[B\x1b[C"},
        {20, 70, 45, 3, 49, "\x1b[46;4H"},
        {5, 40, 6, 2, 49, "\x1b[7;3H"},
        {5, 40, 4, 39, 49, "\x1b[A\b"},
        {5, 40, 4, 0, 49, "\x1b[5H"},  // a tie goes to absolute
    };
    for (const Case& c : cases) {
        char out[16];
        EXPECT_EQ(
            std::string(out, EncodeCursorMove(c.fromRow, c.fromColumn, c.row, c.column, c.lastRow, out)),
            c.bytes)
            << "(" << c.fromRow << "," << c.fromColumn << ") to (" << c.row << "," << c.column << ")";
    }
}

// Only changed cells go out, reached by a move or by rewriting the unchanged
// cells between when that is shorter; an unchanged frame sends nothing.
TEST(TerminalOutput, SendsOnlyWhatChangedAndNothingForAnUnchangedFrame) {
    std::vector<CHAR_INFO> cells = Frame({'x', 0x07});
    TerminalOutputState state;
    ResetTerminalOutput(state, SCREEN_WIDTH, SCREEN_HEIGHT);  // the picture alone, at the top-left
    const std::string start = BEGIN + ERASE + "\x1b[H" + "\x1b[37;40mxxx";
    EXPECT_EQ(Encode(state, cells).substr(0, start.size()), start);
    EXPECT_EQ(Encode(state, cells), "");

    cells[0] = cells[3] = cells[10] = {'y', 0x07};
    cells[SCREEN_WIDTH] = {'y', 0x17};
    EXPECT_EQ(Encode(state, cells), BEGIN + "\x1b[H" + "yxxy" + "\x1b[6Cy" + "\r\n\x1b[44my" + END);

    ForgetTerminalScreen(state);  // all again, from an erased screen
    std::string repaint = Encode(state, cells);
    const std::string again = BEGIN + ERASE + "\x1b[H\x1b[37;40myxxyxx";
    EXPECT_EQ(repaint.substr(0, again.size()), again);
    EXPECT_GT(repaint.size(), size_t{SCREEN_WIDTH * SCREEN_HEIGHT});
}

TEST(TerminalOutput, RepeatsRunsOnlyWhereAllowedAndShorter) {
    std::vector<CHAR_INFO> cells = Frame({'x', 0x07});
    for (bool allowed : {false, true}) {
        TerminalOutputState state;
        ResetTerminalOutput(state, SCREEN_WIDTH, SCREEN_HEIGHT);
        state.repeatAllowed = allowed;
        Encode(state, Frame({'x', 0x07}));
        std::vector<CHAR_INFO> next = cells;
        for (int c = 0; c < 10; ++c) next[c] = {219, 0x0C};
        for (int c = 0; c < 3; ++c) next[2 * SCREEN_WIDTH + c] = {'z', 0x07};  // REP would be longer
        std::string run = allowed ? "\u2588\x1b[9b" : "";
        if (!allowed) {
            for (int c = 0; c < 10; ++c) run += "\u2588";
        }
        EXPECT_EQ(Encode(state, next), BEGIN + "\x1b[H\x1b[91m" + run + "\x1b[3H\x1b[37mzzz" + END);
    }
}

// A row whose picture moved sideways (the view turned) is shifted in the
// terminal with DCH or ICH, in default colours, and only the cells that came
// into view are drawn. A right shift beside a wider terminal's blank area
// first deletes at the picture's edge, so nothing is pushed out beside it.
TEST(TerminalOutput, ShiftsARowThatMovedSideways) {
    auto row = [](int offset) {
        std::vector<CHAR_INFO> cells = Frame({'x', 0x07});
        for (int c = 0; c < SCREEN_WIDTH; ++c)
            cells[c] = {static_cast<uint16_t>('a' + (c + offset + 26) % 26), 0x07};
        return cells;
    };
    struct Case {
        int columns, offset;
        const char* bytes;
    };
    const Case cases[] = {
        // The picture centred at column 10 of 100.
        {100, 2, "\x1b[0m\x1b[1;11H\x1b[2P\x1b[78C\x1b[37;40mcd"},           // left by 2
        {100, -3, "\x1b[0m\x1b[1;88H\x1b[3P\x1b[77D\x1b[3@\x1b[37;40mxyz"},  // right by 3
        {80, -3, "\x1b[0m\x1b[H\x1b[3@\x1b[37;40mxyz"},                      // nothing beside the picture
    };
    for (const Case& c : cases) {
        TerminalOutputState state;
        ResetTerminalOutput(state, c.columns, SCREEN_HEIGHT);
        Encode(state, row(0));
        EXPECT_EQ(Encode(state, row(c.offset)), BEGIN + c.bytes + END) << c.columns << " " << c.offset;
    }
}

TEST(TerminalOutput, WorstCaseFrameFitsTheBuffer) {
    // Every other cell changes, in colours that differ in both halves.
    std::vector<CHAR_INFO> first = Frame({219, 0x9F});
    std::vector<CHAR_INFO> second = first;
    for (size_t i = 0; i < second.size(); i += 2)
        second[i] = {219, static_cast<uint16_t>(i % 4 ? 0xF8 : 0x70)};
    TerminalOutputState state;
    ResetTerminalOutput(state, 0, 0);  // size unknown: send everything
    EXPECT_LE(Encode(state, first).size(), TERMINAL_FRAME_BYTES_MAX);
    EXPECT_LE(Encode(state, second).size(), TERMINAL_FRAME_BYTES_MAX);
}

TEST(TerminalOutput, SizeNoticeShortensToFitTheTerminal) {
    struct Case {
        int rows, columns;
        const char* notice;
    };
    const Case cases[] = {
        {24, 80, "terminal is 80x24; FARROWGATE needs 80x50 - enlarge it or use a smaller font"},
        {24, 200, "terminal is 200x24; FARROWGATE needs 80x50 - enlarge it or use a smaller font"},
        {60, 79, "terminal is 79x60; FARROWGATE needs 80x50 - enlarge it or use a smaller font"},
        {24, 60, "terminal is 60x24; FARROWGATE needs 80x50"},
        {24, 30, "30x24; needs 80x50"},
        {3, 12, "needs 80x50"},
        {3, 9, "80x50"},
        {3, 4, ""},  // a size is shown whole or not at all
        {50, 80, ""},
        {60, 100, ""},
        {0, 0, ""},  // fits, or size unknown
    };
    for (const Case& c : cases) {
        char out[128];
        EXPECT_EQ(std::string(out, SizeNotice(c.columns, c.rows, out)), c.notice)
            << c.columns << "x" << c.rows;
    }
}

TEST(TerminalOutput, RepeatIsUsedOnlyOnTerminalsKnownToTakeIt) {
    EXPECT_TRUE(TerminalKnownToRepeat("xterm-256color", false, true));    // xterm itself
    EXPECT_FALSE(TerminalKnownToRepeat("screen-256color", true, true));   // tmux in xterm: ASCII only
    EXPECT_FALSE(TerminalKnownToRepeat("tmux-256color", false, true));    // tmux over ssh, say
    EXPECT_FALSE(TerminalKnownToRepeat("xterm-256color", false, false));  // could be anything
    EXPECT_FALSE(TerminalKnownToRepeat("linux", false, false));
    EXPECT_FALSE(TerminalKnownToRepeat(nullptr, false, true));
}

TEST(TerminalOutput, TitleKeepsPrintableTextAndFitsItsBuffer) {
    char out[32];
    size_t length = EncodeTitle("FARROWGATE - a\x1b\a\nb", out, sizeof out);
    EXPECT_EQ(std::string(out, length), "\x1b]2;FARROWGATE - ab\a");

    length = EncodeTitle("FARROWGATE", out, 8);
    EXPECT_EQ(std::string(out, length), "\x1b]2;FAR\a");
    EXPECT_EQ(EncodeTitle("FARROWGATE", out, 4), 0u);
}

}  // namespace
}  // namespace fg
