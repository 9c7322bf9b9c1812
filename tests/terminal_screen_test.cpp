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
    ResetTerminalOutput(state, 24, 80);
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

    Emulator(int r, int c) : vt(vterm_new(r, c)), rows(r), columns(c) {
        vterm_set_utf8(vt, 1);
        screen = vterm_obtain_screen(vt);
        vterm_screen_reset(screen, 1);
        Feed("\x1b[?25l\x1b[?7l");  // as the back end sets the terminal up: no wrap
    }
    ~Emulator() { vterm_free(vt); }
    void Feed(const std::string& bytes) { vterm_input_write(vt, bytes.data(), bytes.size()); }
    void Resize(int r, int c) {
        vterm_set_size(vt, r, c);
        rows = r;
        columns = c;
    }
};

// Counts visible cells that differ from the frame; the last visible row holds
// the size notice, in default colours, when the terminal is too small.
int WrongCells(const Emulator& e, const std::vector<CHAR_INFO>& cells, std::string& first) {
    const int rows = e.rows < SCREEN_HEIGHT ? e.rows : SCREEN_HEIGHT;
    const int columns = e.columns < SCREEN_WIDTH ? e.columns : SCREEN_WIDTH;
    char notice[128];
    const size_t noticeLength = SizeNotice(e.rows, e.columns, notice);
    int wrong = 0;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            VTermScreenCell shown;
            vterm_screen_get_cell(e.screen, VTermPos{r, c}, &shown);
            const uint32_t glyph = shown.chars[0] == 0 ? ' ' : shown.chars[0];
            bool ok;
            if (noticeLength > 0 && r == rows - 1) {
                const uint32_t want = static_cast<size_t>(c) < noticeLength ? notice[c] : ' ';
                ok = glyph == want && VTERM_COLOR_IS_DEFAULT_FG(&shown.fg) &&
                     VTERM_COLOR_IS_DEFAULT_BG(&shown.bg);
            } else {
                const CHAR_INFO& cell = cells[r * SCREEN_WIDTH + c];
                ok = glyph == CodePoint(cell.character) && VTERM_COLOR_IS_INDEXED(&shown.fg) &&
                     VTERM_COLOR_IS_INDEXED(&shown.bg) &&
                     shown.fg.indexed.idx == AnsiIndex(cell.attributes, cell.attributes & 0x08) &&
                     shown.bg.indexed.idx == AnsiIndex(cell.attributes >> 4, cell.attributes & 0x80);
            }
            if (!ok && wrong++ < 3)
                first += "row " + std::to_string(r) + " column " + std::to_string(c) + " shows " +
                         std::to_string(glyph) + " fg " + std::to_string(shown.fg.indexed.idx) + " bg " +
                         std::to_string(shown.bg.indexed.idx) + "; ";
        }
    }
    // Nothing beside or below the picture: blank, in default colours.
    for (int r = 0; r < e.rows; ++r) {
        for (int c = r < rows ? columns : 0; c < e.columns; ++c) {
            VTermScreenCell shown;
            vterm_screen_get_cell(e.screen, VTermPos{r, c}, &shown);
            const bool blank = (shown.chars[0] == 0 || shown.chars[0] == ' ') &&
                               VTERM_COLOR_IS_DEFAULT_FG(&shown.fg) && VTERM_COLOR_IS_DEFAULT_BG(&shown.bg);
            if (!blank && wrong++ == 0)
                first += "outside the picture, row " + std::to_string(r) + " column " + std::to_string(c);
        }
    }
    return wrong;
}

struct Tour {
    std::string frames;
    std::vector<std::string> capture;  // the runner's bytes for a 100 x 60 terminal
    size_t count;
};

Tour RunTour(const std::string& name, const fs::path& dir) {
    const fs::path script = ToursDir / (name + ".txt");
    const std::string options = test::TourOptions(name);
    const fs::path frames = dir / "frames.bin", capture = dir / "terminal.bin";
    Tour tour;
    EXPECT_EQ(RunHeadless("--script " + script.string() + " --frames-out " + frames.string() +
                          " --terminal-out " + capture.string() + " " + options),
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
    Emulator large(60, 100);
    for (size_t f = 0; f < tour.count; ++f) {
        large.Feed(tour.capture[f]);
        std::string where;
        ASSERT_EQ(WrongCells(large, FrameCells(tour.frames, f), where), 0)
            << "100x60 frame " << f << ": " << where;
    }

    // 80 x 24 without REP; grown to 100 x 60 and shrunk to 70 x 30 on the
    // way, as the back end does on SIGWINCH; two frames cut short, one inside
    // an escape sequence and one inside a glyph, as by a failed write.
    Emulator small(24, 80);
    TerminalOutputState state;
    ResetTerminalOutput(state, 24, 80);
    static TerminalBytes out;
    const size_t grow = tour.count / 3, shrink = 2 * tour.count / 3, cutSequence = tour.count / 2;
    const size_t cutGlyph = tour.count - 3;
    for (size_t f = 0; f < tour.count; ++f) {
        if (f == grow || f == shrink) {
            small.Resize(f == grow ? 60 : 30, f == grow ? 100 : 70);
            state.rows = small.rows;
            state.columns = small.columns;
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
        ASSERT_EQ(WrongCells(small, cells, where), 0)
            << small.columns << "x" << small.rows << " frame " << f << ": " << where;
    }
}

// Paced over a slow link, most frames are never encoded: the next one sent is
// the difference from the last one sent, and must leave the screen exact.
TEST_P(TerminalScreen, FramesSkippedWhileTheLinkIsBusyLeaveTheScreenExact) {
    test::TempFolder dir;
    const Tour tour = RunTour(GetParam(), dir.path());
    Emulator e(60, 100);
    TerminalOutputState state;
    ResetTerminalOutput(state, 60, 100);
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
