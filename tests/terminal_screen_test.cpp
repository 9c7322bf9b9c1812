// The terminal encoder checked by a real terminal emulator (libvterm): every
// frame of every golden tour, in sequence, must show cell for cell, through
// resizes and a frame that did not reach the terminal whole.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "console/ansi/terminal_output.h"
#include "console/cell_glyphs.h"
#include "tests/test_support.h"

#ifdef FARROWGATE_HAVE_VTERM
#include <vterm.h>
#endif

namespace fg {
namespace {

namespace fs = std::filesystem;

constexpr size_t FRAME_BYTES = SCREEN_WIDTH * SCREEN_HEIGHT * sizeof(CHAR_INFO);

using test::ReadAll;

int RunHeadless(const std::string& arguments) {
    const std::string command = std::string(FARROWGATE_HEADLESS) + " " + arguments + " > /dev/null 2>&1";
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

std::vector<CHAR_INFO> FrameCells(const std::string& frames, size_t index) {
    std::vector<CHAR_INFO> cells(SCREEN_WIDTH * SCREEN_HEIGHT);
    for (size_t i = 0; i < cells.size(); ++i) {
        const unsigned char* b =
            reinterpret_cast<const unsigned char*>(frames.data() + index * FRAME_BYTES + i * 4);
        cells[i] = {static_cast<uint16_t>(b[0] | b[1] << 8), static_cast<uint16_t>(b[2] | b[3] << 8)};
    }
    return cells;
}

// Splits a --terminal-out file into its frames; false if the framing is broken.
bool SplitCapture(const std::string& capture, std::vector<std::string>& chunks) {
    size_t at = 0;
    while (at + 4 <= capture.size()) {
        const unsigned char* b = reinterpret_cast<const unsigned char*>(capture.data() + at);
        const size_t length = b[0] | b[1] << 8 | b[2] << 16 | static_cast<size_t>(b[3]) << 24;
        if (at + 4 + length > capture.size()) return false;
        chunks.push_back(capture.substr(at + 4, length));
        at += 4 + length;
    }
    return at == capture.size();
}

TEST(TerminalCapture, WritesTheEncodersBytesForEveryFrameAndRejectsABadSize) {
    test::TempFolder dir;
    const fs::path script = dir / "walk.txt", frames = dir / "frames.bin", capture = dir / "out.bin";
    std::ofstream(script) << "16\n16 +UP\n16\n16 -UP\n16\n16 +LEFT\n16 -LEFT\n";
    ASSERT_EQ(RunHeadless("--script " + script.string() + " --frames-out " + frames.string() +
                          " --terminal-out " + capture.string() + " --terminal-size 80x24"),
              0);
    std::vector<std::string> chunks;
    ASSERT_TRUE(SplitCapture(ReadAll(capture), chunks));
    const std::string cells = ReadAll(frames);
    ASSERT_EQ(chunks.size(), cells.size() / FRAME_BYTES);
    ASSERT_EQ(chunks.size(), 7u);

    TerminalOutputState state;
    ResetTerminalOutput(state, 80, 24);
    state.repeatAllowed = true;
    static TerminalBytes out;
    for (size_t f = 0; f < chunks.size(); ++f) {
        EncodeFrame(state, FrameCells(cells, f).data(), out);
        EXPECT_EQ(chunks[f], std::string(out.data, out.length)) << "frame " << f;
    }
    EXPECT_EQ(chunks[0].rfind("\x1b[?2026h\x18\x80\x80\x1b[0m\x1b[2J", 0), 0u);

    for (const char* size : {"80", "80x", "x24", "0x24", "80x24x", "80x99999", "-1x5"}) {
        fs::remove(capture);
        EXPECT_EQ(RunHeadless("--script " + script.string() + " --terminal-out " + capture.string() +
                              " --terminal-size " + size),
                  2)
            << size;
        EXPECT_FALSE(fs::exists(capture)) << size;
    }
}

#ifdef FARROWGATE_HAVE_VTERM

const fs::path ToursDir = test::ToursFolder();

uint32_t CodePoint(uint16_t character) {
    switch (character & 0xFF) {
        case 176: return 0x2591;
        case 177: return 0x2592;
        case 178: return 0x2593;
        case 219: return 0x2588;
        default: return (character & 0xFF) >= 32 && (character & 0xFF) <= 126 ? character & 0xFF : ' ';
    }
}

int AnsiIndex(unsigned colour, bool bright) {
    static const int ANSI[8] = {0, 4, 2, 6, 1, 5, 3, 7};
    return ANSI[colour & 7] + (bright ? 8 : 0);
}

struct Emulator {
    VTerm* vt;
    VTermScreen* screen;
    int rows, columns;

    Emulator(int c, int r) : vt(vterm_new(r, c)), rows(r), columns(c) {
        vterm_set_utf8(vt, 1);
        screen = vterm_obtain_screen(vt);
        vterm_screen_reset(screen, 1);
        Feed("\x1b[?25l\x1b[?7l");  // as the back end sets the terminal up: no wrap
    }
    ~Emulator() { vterm_free(vt); }
    void Feed(const std::string& bytes) { vterm_input_write(vt, bytes.data(), bytes.size()); }
    void Resize(int c, int r) {
        vterm_set_size(vt, r, c);
        rows = r;
        columns = c;
    }
};

// The state an encoder for this emulator's terminal would arrange: where the
// picture sits, how wide its cells are, and its colours.
TerminalOutputState Layout(const Emulator& e, int cellWidth, int cellHeight, bool trueColour) {
    TerminalOutputState layout;
    ResetTerminalOutput(layout, e.columns, e.rows);
    layout.cellWidthPx = cellWidth;
    layout.cellHeightPx = cellHeight;
    layout.trueColour = trueColour;
    ArrangeTerminalPicture(layout);
    return layout;
}

bool ShowsColour(const VTermColor& shown, unsigned colour, bool trueColour) {
    if (!trueColour)
        return VTERM_COLOR_IS_INDEXED(&shown) && shown.indexed.idx == AnsiIndex(colour, colour & 0x08);
    const uint8_t* rgb = CONSOLE_PALETTE[colour & 0x0F];
    return VTERM_COLOR_IS_RGB(&shown) && shown.rgb.red == rgb[0] && shown.rgb.green == rgb[1] &&
           shown.rgb.blue == rgb[2];
}

// The text lines under the picture, by terminal row: the key line, and the
// true-shape notice under it.
std::vector<std::pair<int, std::string>> LinesUnder(const TerminalOutputState& layout) {
    std::vector<std::pair<int, std::string>> lines;
    if (layout.keyLine) lines.push_back({layout.top + SCREEN_HEIGHT, KEY_LINE});
    char notice[128];
    if (layout.shapeLine)
        lines.push_back({layout.top + SCREEN_HEIGHT + 1,
                         std::string(notice, ShapeNotice(layout.columns, 2 * SCREEN_WIDTH, notice))});
    return lines;
}

// Counts visible cells that differ from the frame, as laid out; the last
// visible row holds the size notice, in default colours, when the terminal
// is too small, and the rows under the picture its key line.
int WrongCells(const Emulator& e, const std::vector<CHAR_INFO>& cells, std::string& first, int cellWidth = 0,
               int cellHeight = 0, bool trueColour = false) {
    const TerminalOutputState layout = Layout(e, cellWidth, cellHeight, trueColour);
    const int step = layout.cellsPerCell, width = SCREEN_WIDTH * step;
    const int rows = std::min(e.rows - layout.top, SCREEN_HEIGHT);
    const int columns = std::min(e.columns - layout.left, width);
    char notice[128];
    const size_t noticeLength = SizeNotice(e.columns, e.rows, notice);
    int wrong = 0;
    auto note = [&](int r, int c, uint32_t glyph) {
        if (wrong++ < 3)
            first += "row " + std::to_string(r) + " column " + std::to_string(c) + " shows " +
                     std::to_string(glyph) + "; ";
    };
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            VTermScreenCell shown;
            vterm_screen_get_cell(e.screen, VTermPos{r + layout.top, c + layout.left}, &shown);
            const uint32_t glyph = shown.chars[0] == 0 ? ' ' : shown.chars[0];
            bool ok;
            if (noticeLength > 0 && r == rows - 1) {
                const uint32_t want = static_cast<size_t>(c) < noticeLength ? notice[c] : ' ';
                ok = glyph == want && VTERM_COLOR_IS_DEFAULT_FG(&shown.fg) &&
                     VTERM_COLOR_IS_DEFAULT_BG(&shown.bg);
            } else {
                const CHAR_INFO& cell = cells[r * SCREEN_WIDTH + c / step];
                ok = glyph == CodePoint(cell.character) &&
                     ShowsColour(shown.fg, cell.attributes & 0x0F, trueColour) &&
                     ShowsColour(shown.bg, (cell.attributes >> 4) & 0x0F, trueColour);
            }
            if (!ok) note(r, c, glyph);
        }
    }
    // Beside and below the picture: the lines under it, else blank, in
    // default colours.
    const auto lines = LinesUnder(layout);
    for (int r = 0; r < e.rows; ++r) {
        std::string text;
        for (const auto& [row, line] : lines)
            if (row == r) text = line;
        const int textAt = layout.left + (width - static_cast<int>(text.size())) / 2;
        for (int c = 0; c < e.columns; ++c) {
            const bool inPicture =
                r >= layout.top && r < layout.top + rows && c >= layout.left && c < layout.left + columns;
            if (inPicture) continue;
            VTermScreenCell shown;
            vterm_screen_get_cell(e.screen, VTermPos{r, c}, &shown);
            const uint32_t glyph = shown.chars[0] == 0 ? ' ' : shown.chars[0];
            const int at = c - textAt;
            const uint32_t want = at >= 0 && at < static_cast<int>(text.size()) ? text[at] : ' ';
            if (glyph != want || !VTERM_COLOR_IS_DEFAULT_FG(&shown.fg) ||
                !VTERM_COLOR_IS_DEFAULT_BG(&shown.bg))
                note(r, c, glyph);
        }
    }
    return wrong;
}

struct Tour {
    std::string frames;
    std::vector<std::string> capture;  // the runner's bytes for a 100 x 60 terminal
    size_t count;
};

Tour RunTour(const std::string& name, const fs::path& dir, const std::string& terminal = "") {
    const fs::path script = ToursDir / (name + ".txt");
    const std::string options = test::TourOptions(name);
    const fs::path frames = dir / "frames.bin", capture = dir / "terminal.bin";
    Tour tour;
    EXPECT_EQ(RunHeadless("--script " + script.string() + " --frames-out " + frames.string() +
                          " --terminal-out " + capture.string() + " " + options + " " + terminal),
              0);
    tour.frames = ReadAll(frames);
    tour.count = tour.frames.size() / FRAME_BYTES;
    EXPECT_TRUE(SplitCapture(ReadAll(capture), tour.capture));
    EXPECT_EQ(tour.capture.size(), tour.count);
    return tour;
}

class TerminalScreen : public testing::TestWithParam<const char*> {};

TEST_P(TerminalScreen, EveryTourFrameShowsOnAnEmulatedTerminal) {
    test::TempFolder dir;
    const Tour tour = RunTour(GetParam(), dir.path());
    ASSERT_GT(tour.count, 8u);

    // 100 x 60, as captured by the headless runner: the picture fits.
    Emulator large(100, 60);
    for (size_t f = 0; f < tour.count; ++f) {
        large.Feed(tour.capture[f]);
        std::string where;
        ASSERT_EQ(WrongCells(large, FrameCells(tour.frames, f), where), 0)
            << "100x60 frame " << f << ": " << where;
    }

    // Each cell two wide, in 24-bit colour, centred in 180 x 56 with the keys under it.
    const Tour wide = RunTour(GetParam(), dir.path(),
                              "--terminal-size 180x56 --terminal-cell 9x18 --terminal-colours 24bit");
    ASSERT_EQ(wide.count, tour.count);
    Emulator wideScreen(180, 56);
    for (size_t f = 0; f < wide.count; ++f) {
        wideScreen.Feed(wide.capture[f]);
        std::string where;
        ASSERT_EQ(WrongCells(wideScreen, FrameCells(wide.frames, f), where, 9, 18, true), 0)
            << "180x56 wide 24-bit frame " << f << ": " << where;
    }

    // 80 x 24 without REP; grown to 100 x 60, to 170 x 52 (two wide, in
    // 24-bit colour) and shrunk to 70 x 30 on the way, as the back end does
    // on SIGWINCH; two frames cut short, one inside an escape sequence and one
    // inside a glyph, as by a failed write.
    Emulator small(80, 24);
    TerminalOutputState state;
    ResetTerminalOutput(state, 80, 24);
    static TerminalBytes out;
    const size_t grow = tour.count / 4, widen = tour.count / 2, shrink = 3 * tour.count / 4;
    const size_t cutSequence = tour.count / 2 + 2, cutGlyph = tour.count - 3;
    for (size_t f = 0; f < tour.count; ++f) {
        if (f == grow || f == widen || f == shrink) {
            const int columns = f == grow    ? 100
                                : f == widen ? 170
                                             : 70,
                      rows = f == grow    ? 60
                             : f == widen ? 52
                                          : 30;
            small.Resize(columns, rows);
            state.columns = columns;
            state.rows = rows;
            state.trueColour = f == widen;
            ArrangeTerminalPicture(state);
            ForgetTerminalScreen(state);
        }
        const std::vector<CHAR_INFO> cells = FrameCells(tour.frames, f);
        EncodeFrame(state, cells.data(), out);
        std::string bytes(out.data, out.length);
        if (f == cutSequence || f == cutGlyph) {
            const std::string mark = f == cutSequence ? "\x1b[" : "\xE2\x96";
            const size_t at = bytes.find(mark, bytes.size() / 2);
            small.Feed(bytes.substr(0, at == std::string::npos ? bytes.size() / 2 : at + mark.size()));
            ForgetTerminalScreen(state);
            continue;
        }
        small.Feed(bytes);
        std::string where;
        ASSERT_EQ(WrongCells(small, cells, where, 0, 0, state.trueColour), 0)
            << small.columns << "x" << small.rows << " frame " << f << ": " << where;
    }
}

// Paced over a slow link, most frames are never encoded: the next one sent is
// the difference from the last one sent, and must leave the screen exact.
TEST_P(TerminalScreen, FramesSkippedWhileTheLinkIsBusyLeaveTheScreenExact) {
    test::TempFolder dir;
    const Tour tour = RunTour(GetParam(), dir.path());
    Emulator e(100, 60);
    TerminalOutputState state;
    ResetTerminalOutput(state, 100, 60);
    static TerminalBytes out;
    std::mt19937 random(21);
    size_t sent = 0;
    for (size_t f = 0; f < tour.count; ++f) {
        // Long runs skipped, as while pictures cross a slow link; the last is sent.
        if (f + 1 < tour.count && random() % 41 != 0 && f % 97 != 0) continue;
        const std::vector<CHAR_INFO> cells = FrameCells(tour.frames, f);
        EncodeFrame(state, cells.data(), out);
        e.Feed(std::string(out.data, out.length));
        ++sent;
        std::string where;
        ASSERT_EQ(WrongCells(e, cells, where), 0) << "frame " << f << " after skipping: " << where;
    }
    EXPECT_LT(sent, tour.count / 4);
}

INSTANTIATE_TEST_SUITE_P(Tours, TerminalScreen, testing::ValuesIn(test::GOLDEN_TOURS));

#endif

}  // namespace
}  // namespace fg
