// ncurses drawing the golden tours' frames: the yardstick for the terminal
// presenter. It runs as xterm-256color on a pseudo-terminal of 100 x 60 whose
// other end a thread drains and counts. Only this benchmark links ncurses.
#define _XOPEN_SOURCE_EXTENDED 1
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <ncurses.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <clocale>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "bench/tour_frames.h"
#include "console/cell_glyphs.h"

namespace fg {

void ReportFrameBytes(benchmark::State& state, std::vector<double> bytes);

namespace {

constexpr unsigned char FRAME_MARK = 0xFF;  // never in UTF-8 or an escape sequence

// The terminal end of the pseudo-terminal, drained by a thread that counts
// the bytes between marks.
struct PseudoTerminal {
    int master = -1, slave = -1;
    std::thread reader;
    std::mutex lock;
    std::vector<double> marked;  // bytes before each mark
    std::atomic<bool> closing{false};

    bool Open(int columns, int rows) {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return false;
        slave = open(ptsname(master), O_RDWR | O_NOCTTY);
        if (slave < 0) return false;
        termios modes;
        tcgetattr(slave, &modes);
        cfmakeraw(&modes);  // the bytes ncurses writes, untranslated
        tcsetattr(slave, TCSANOW, &modes);
        winsize size{static_cast<unsigned short>(rows), static_cast<unsigned short>(columns), 0, 0};
        ioctl(master, TIOCSWINSZ, &size);
        reader = std::thread([this] { Drain(); });
        return true;
    }
    void Drain() {
        unsigned char buffer[65536];
        double count = 0;
        for (;;) {
            ssize_t n = read(master, buffer, sizeof buffer);
            if (n <= 0) return;
            for (ssize_t i = 0; i < n; ++i) {
                if (buffer[i] != FRAME_MARK) {
                    ++count;
                    continue;
                }
                std::lock_guard<std::mutex> guard(lock);
                marked.push_back(count);
                count = 0;
            }
        }
    }
    void Mark() {
        const unsigned char mark = FRAME_MARK;
        (void)write(slave, &mark, 1);
    }
    size_t MarkedCount() {
        std::lock_guard<std::mutex> guard(lock);
        return marked.size();
    }
    void Close() {
        close(slave);  // the reader then sees EIO or end of file
        reader.join();
        close(master);
    }
};

// The cchar_t of every glyph code and attribute byte, made once, so that the
// timed part is ncurses's own: copying cells into its window and updating.
std::vector<cchar_t> CellTable() {
    for (short pair = 1; pair <= 256; ++pair) {
        const int attributes = pair - 1;
        const short fg =
            static_cast<short>(ANSI_FROM_CONSOLE_COLOUR[attributes & 7] + ((attributes & 0x08) ? 8 : 0));
        const short bg = static_cast<short>(ANSI_FROM_CONSOLE_COLOUR[(attributes >> 4) & 7] +
                                            ((attributes & 0x80) ? 8 : 0));
        init_pair(pair, fg, bg);
    }
    std::vector<cchar_t> table(256 * 256);
    for (unsigned code = 0; code < 256; ++code) {
        wchar_t text[2] = {L' ', 0};
        if (ShadeGlyphQuarters(code) > 0) {
            static const wchar_t SHADES[] = {0x2591, 0x2592, 0x2593, 0x2588};
            text[0] = SHADES[ShadeGlyphQuarters(code) - 1];
        } else if (code >= 32 && code <= 126) {
            text[0] = static_cast<wchar_t>(code);
        }
        for (int attributes = 0; attributes < 256; ++attributes)
            setcchar(&table[code * 256 + attributes], text, A_NORMAL, static_cast<short>(attributes + 1),
                     nullptr);
    }
    return table;
}

// `wide`: each cell drawn twice side by side, as the game draws it in a
// terminal of tall cells.
void DrawFrame(const TourFrame& frame, const std::vector<cchar_t>& table, int wide) {
    if (frame.tourStart) clearok(curscr, TRUE);
    cchar_t line[SCREEN_WIDTH * 2];
    for (int row = 0; row < SCREEN_HEIGHT; ++row) {
        for (int column = 0; column < SCREEN_WIDTH * wide; ++column) {
            const CHAR_INFO& cell = frame.cells[row * SCREEN_WIDTH + column / wide];
            line[column] = table[(cell.character & 0xFF) * 256 + (cell.attributes & 0xFF)];
        }
        mvadd_wchnstr(row, 0, line, SCREEN_WIDTH * wide);
    }
    refresh();
}

void BM_NcursesFrame(benchmark::State& state) {
    const std::vector<TourFrame>& frames = GoldenTourFrames();
    const int wide = static_cast<int>(state.range(0));
    PseudoTerminal pty;
    std::setlocale(LC_ALL, "C.UTF-8");
    unsetenv("LINES");
    unsetenv("COLUMNS");
    if (!pty.Open(wide == 2 ? 200 : 100, 60)) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    FILE* out = fdopen(dup(pty.slave), "w");
    FILE* in = fdopen(dup(pty.slave), "r");
    SCREEN* screen = newterm("xterm-256color", out, in);
    if (screen == nullptr) {
        state.SkipWithError("ncurses has no xterm-256color");
        pty.Close();
        return;
    }
    start_color();
    curs_set(0);
    const std::vector<cchar_t> table = CellTable();
    refresh();  // ncurses's own start-up output stays out of the figures
    pty.Mark();
    for (const TourFrame& frame : frames) {
        DrawFrame(frame, table, wide);
        pty.Mark();
    }
    while (pty.MarkedCount() < frames.size() + 1) std::this_thread::yield();

    size_t next = 0;
    for (auto _ : state) {
        DrawFrame(frames[next], table, wide);
        next = next + 1 == frames.size() ? 0 : next + 1;
    }
    endwin();
    delscreen(screen);
    std::fclose(out);
    std::fclose(in);
    pty.Close();
    ReportFrameBytes(state,
                     std::vector<double>(pty.marked.begin() + 1, pty.marked.begin() + 1 + frames.size()));
    state.SetLabel(wide == 2 ? "ncurses, xterm-256color, wide (200x60)" : "ncurses, xterm-256color");
}
BENCHMARK(BM_NcursesFrame)->Arg(1)->Arg(2);

}  // namespace
}  // namespace fg
