#include "console/posix/terminal_output.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#ifdef FARROWGATE_HAVE_VTERM
#include <vterm.h>
#endif

namespace fg {
namespace {

std::vector<CHAR_INFO> BlankFrame() {
    return std::vector<CHAR_INFO>(SCREEN_WIDTH * SCREEN_HEIGHT, CHAR_INFO{0, 0});
}

std::string Encode(TerminalOutputState& state, const std::vector<CHAR_INFO>& cells) {
    static TerminalBytes out;
    EncodeFrame(state, cells.data(), out);
    return std::string(out.data, out.length);
}

// A terminal of 2 x 4 cells shows only the top-left corner of the picture,
// which keeps the whole byte stream short enough to spell out.
TEST(TerminalOutput, EncodesGlyphsAndColoursOfAFrameCutToTheTerminal) {
    std::vector<CHAR_INFO> cells = BlankFrame();
    cells[0] = {176, 0x0C};  // bright red on black
    cells[1] = {177, 0x0C};  // same colour: no SGR
    cells[2] = {178, 0x1C};  // only the background changes, to blue
    cells[3] = {219, 0x1C};
    cells[4] = {'z', 0x0F};  // beyond the terminal's fourth column
    cells[SCREEN_WIDTH + 0] = {0, 0x00};
    cells[SCREEN_WIDTH + 1] = {'A', 0x01};
    cells[SCREEN_WIDTH + 2] = {7, 0x01};       // a control code must not reach the terminal
    cells[SCREEN_WIDTH + 3] = {0x0141, 0x01};  // only the low byte is the character
    cells[2 * SCREEN_WIDTH] = {'z', 0x0F};     // below the terminal's second row

    TerminalOutputState state;
    ResetTerminalOutput(state, 2, 4);
    EXPECT_EQ(Encode(state, cells),
              "\x1b[0m\x1b[2J"
              "\x1b[1;1H\x1b[91;40m\u2591\u2592\x1b[44m\u2593\u2588"
              "\x1b[2;1H\x1b[30;40m \x1b[34mA A");
}

TEST(TerminalOutput, MapsConsoleColourBitsToAnsiColours) {
    struct Case {
        uint16_t attributes;
        const char* sgr;
    };
    const Case cases[] = {
        {0x00, "30;40"}, {0x01, "34;40"}, {0x02, "32;40"}, {0x03, "36;40"},   // blue, green, cyan
        {0x04, "31;40"}, {0x05, "35;40"}, {0x06, "33;40"}, {0x07, "37;40"},   // red, magenta, yellow
        {0x08, "90;40"}, {0x0C, "91;40"}, {0x0F, "97;40"},                    // bright foreground
        {0x10, "30;44"}, {0x20, "30;42"}, {0x40, "30;41"}, {0x60, "30;43"},   // backgrounds
        {0x70, "30;47"}, {0x80, "30;100"}, {0xF9, "94;107"}, {0xFF07, "37;40"},  // bright back, high bits
    };
    for (const Case& c : cases) {
        std::vector<CHAR_INFO> cells = BlankFrame();
        cells[0] = {' ', c.attributes};
        TerminalOutputState state;
        ResetTerminalOutput(state, 1, 1);
        EXPECT_EQ(Encode(state, cells), std::string("\x1b[0m\x1b[2J\x1b[1;1H\x1b[") + c.sgr + "m ")
            << "attributes 0x" << std::hex << c.attributes;
    }
}

TEST(TerminalOutput, CarriesColourAcrossFramesAndErasesOnlyWhenTheScreenIsUnknown) {
    std::vector<CHAR_INFO> cells = BlankFrame();
    cells[0] = {'a', 0x07};
    cells[1] = {'b', 0x17};
    TerminalOutputState state;
    ResetTerminalOutput(state, 1, 2);
    EXPECT_EQ(Encode(state, cells), "\x1b[0m\x1b[2J\x1b[1;1H\x1b[37;40ma\x1b[44mb");

    cells[0] = {'c', 0x17};  // the colour the last frame ended in
    cells[1] = {'d', 0x12};
    EXPECT_EQ(Encode(state, cells), "\x1b[1;1Hc\x1b[32md");

    ForgetTerminalScreen(state);
    EXPECT_EQ(Encode(state, cells), "\x1b[0m\x1b[2J\x1b[1;1H\x1b[37;44mc\x1b[32md");
}

TEST(TerminalOutput, WorstCaseFrameFitsTheBuffer) {
    std::vector<CHAR_INFO> cells = BlankFrame();
    for (size_t i = 0; i < cells.size(); ++i) {
        cells[i] = {219, static_cast<uint16_t>(i % 2 ? 0xF8 : 0x9F)};  // both halves change, longest codes
    }
    TerminalOutputState state;
    ResetTerminalOutput(state, 0, 0);  // size unknown: send everything
    std::string bytes = Encode(state, cells);
    EXPECT_LE(bytes.size(), TERMINAL_FRAME_BYTES_MAX);
    EXPECT_EQ(bytes.size(), 8 + 9 * 6 + 41 * 7 + SCREEN_WIDTH * SCREEN_HEIGHT * (9 + 3));
}

TEST(TerminalOutput, TitleKeepsPrintableTextAndFitsItsBuffer) {
    char out[32];
    size_t length = EncodeTitle("FARROWGATE - a\x1b\a\nb", out, sizeof out);
    EXPECT_EQ(std::string(out, length), "\x1b]2;FARROWGATE - ab\a");

    length = EncodeTitle("FARROWGATE", out, 8);
    EXPECT_EQ(std::string(out, length), "\x1b]2;FAR\a");
    EXPECT_EQ(EncodeTitle("FARROWGATE", out, 4), 0u);
}

#ifdef FARROWGATE_HAVE_VTERM

int AnsiIndex(unsigned consoleColour, bool bright) {
    static const int ANSI[8] = {0, 4, 2, 6, 1, 5, 3, 7};
    return ANSI[consoleColour & 7] + (bright ? 8 : 0);
}

std::vector<CHAR_INFO> PatternFrame(int seed) {
    static const uint16_t GLYPHS[] = {176, 177, 178, 219, 0, 'x', 3};
    std::vector<CHAR_INFO> cells = BlankFrame();
    for (size_t i = 0; i < cells.size(); ++i) {
        size_t n = i * 7 + static_cast<size_t>(seed);
        cells[i] = {GLYPHS[n % 7], static_cast<uint16_t>((n / 3) % 256)};
    }
    return cells;
}

uint32_t ExpectedCodePoint(uint16_t character) {
    switch (character) {
        case 176: return 0x2591;
        case 177: return 0x2592;
        case 178: return 0x2593;
        case 219: return 0x2588;
        case 'x': return 'x';
        default: return ' ';
    }
}

// A real terminal emulator, fed our bytes, must show every visible cell with
// its glyph and colours, frame after frame, and nothing may wrap.
void ExpectScreenShows(VTermScreen* screen, const std::vector<CHAR_INFO>& cells, int rows, int columns) {
    int wrong = 0;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            VTermScreenCell shown;
            vterm_screen_get_cell(screen, VTermPos{r, c}, &shown);
            const CHAR_INFO& cell = cells[r * SCREEN_WIDTH + c];
            uint32_t glyph = shown.chars[0] == 0 ? ' ' : shown.chars[0];
            bool ok = glyph == ExpectedCodePoint(cell.character) && VTERM_COLOR_IS_INDEXED(&shown.fg) &&
                      VTERM_COLOR_IS_INDEXED(&shown.bg) &&
                      shown.fg.indexed.idx == AnsiIndex(cell.attributes, cell.attributes & 0x08) &&
                      shown.bg.indexed.idx == AnsiIndex(cell.attributes >> 4, cell.attributes & 0x80);
            if (!ok && ++wrong <= 5) ADD_FAILURE() << "cell row " << r << " column " << c;
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST(TerminalOutput, TerminalEmulatorShowsTheFrames) {
    struct Size {
        int rows, columns;
    };
    for (Size size : {Size{SCREEN_HEIGHT, SCREEN_WIDTH}, Size{20, 33}, Size{60, 100}}) {
        VTerm* vt = vterm_new(size.rows, size.columns);
        vterm_set_utf8(vt, 1);
        VTermScreen* screen = vterm_obtain_screen(vt);
        vterm_screen_reset(screen, 1);
        const char* noWrap = "\x1b[?7l";
        vterm_input_write(vt, noWrap, 5);

        TerminalOutputState state;
        ResetTerminalOutput(state, size.rows, size.columns);
        for (int seed = 0; seed < 3; ++seed) {
            std::vector<CHAR_INFO> cells = PatternFrame(seed);
            std::string bytes = Encode(state, cells);
            vterm_input_write(vt, bytes.data(), bytes.size());
            int rows = size.rows < SCREEN_HEIGHT ? size.rows : SCREEN_HEIGHT;
            int columns = size.columns < SCREEN_WIDTH ? size.columns : SCREEN_WIDTH;
            ExpectScreenShows(screen, cells, rows, columns);
        }
        vterm_free(vt);
    }
}

#endif

}  // namespace
}  // namespace fg
