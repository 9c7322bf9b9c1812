// Real key presses and releases from an X server (Xvfb, driven by xdotool)
// through real terminals to the game, and how far the player walks: kitty,
// which reports releases, and xterm, which repeats presses (read back through
// tmux inside it). Where the player stands is read off the screen by matching
// it against frames the headless runner draws at known positions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/terminal_harness.h"

namespace fg {
namespace {

using namespace harness;

constexpr int START_MS = 20000;
constexpr double MS_PER_CELL = 256;  // walking speed
constexpr int FRAME_MS = 17;         // the game shows 60 frames a second

using Screen = std::vector<std::string>;  // 50 rows of 80 cells, one glyph each

struct Position {
    Screen screen;
    double y;
};

// Frames of a walk straight back to the wall behind the start and then
// forward to the wall ahead, a millisecond of walking apart.
const std::vector<Position>& WalkFrames() {
    static std::vector<Position> frames;
    if (!frames.empty()) return frames;
    TempDir dir;
    std::string script = "16\n0 +DOWN\n";
    for (int i = 0; i < 720; ++i) script += "1\n";
    script += "0 -DOWN +UP\n";
    for (int i = 0; i < 1420; ++i) script += "1\n";
    std::ofstream(dir / "walk.txt") << script;
    Succeeds(std::string(FARROWGATE_HEADLESS) + " --script " + dir / "walk.txt" + " --frames-out " + dir / "f.bin" +
             " --state-out " + dir / "s.txt");
    const std::string cells = ReadText(dir / "f.bin");
    std::istringstream states(ReadText(dir / "s.txt"));
    std::vector<double> ys;
    for (std::string word; states >> word;) {
        if (word != "player") continue;
        double x = 0, y = 0;
        states >> x >> y;
        ys.push_back(y);
    }
    const char* glyphs[256] = {};
    glyphs[176] = "\u2591";
    glyphs[177] = "\u2592";
    glyphs[178] = "\u2593";
    glyphs[219] = "\u2588";
    for (size_t f = 0; f < ys.size() && (f + 1) * 16000 <= cells.size(); ++f) {
        Position position{Screen(50), ys[f]};
        for (int cell = 0; cell < 4000; ++cell) {
            const unsigned char code = static_cast<unsigned char>(cells[f * 16000 + cell * 4]);
            position.screen[cell / 80] += glyphs[code] ? glyphs[code] : code >= 32 && code < 127 ? std::string(1, code) : " ";
        }
        frames.push_back(position);
    }
    return frames;
}

// Splits screen text into rows of single glyphs, padded to 80 x 50.
std::vector<std::vector<std::string>> Cells(const Screen& rows) {
    std::vector<std::vector<std::string>> cells(50, std::vector<std::string>(80, " "));
    for (size_t r = 0; r < rows.size() && r < 50; ++r) {
        size_t c = 0;
        for (size_t i = 0; i < rows[r].size() && c < 80; ++c) {
            size_t length = 1;
            while (i + length < rows[r].size() && (rows[r][i + length] & 0xC0) == 0x80) ++length;
            cells[r][c] = rows[r].substr(i, length);
            i += length;
        }
    }
    return cells;
}

// The y of the walk frames that look most like the screen (the middle of a tie).
double WhereOnTheWalk(const std::string& text) {
    Screen rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line) && rows.size() < 50;) rows.push_back(line);
    const auto seen = Cells(rows);
    int best = 1 << 30;
    double low = 0, high = 0;
    for (const Position& frame : WalkFrames()) {
        const auto drawn = Cells(frame.screen);
        int differ = 0;
        for (int r = 0; r < 50; ++r) {
            for (int c = 0; c < 80; ++c) differ += drawn[r][c] != seen[r][c];
        }
        if (differ < best) {
            best = differ;
            low = high = frame.y;
        } else if (differ == best) {
            low = std::min(low, frame.y);
            high = std::max(high, frame.y);
        }
    }
    return (low + high) / 2;
}

// An X server of the test's own, found by -displayfd, never a fixed number.
struct XServer {
    TempDir dir;
    std::string display;
    std::string pid;

    bool Start() {
        if (!Installed("Xvfb") || !Installed("xdotool")) return false;
        pid = Output("Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3> " + dir / "display" +
                     " > /dev/null 2>&1 & echo $!");
        if (!WaitUntil([&] { return ReadText(dir / "display").find('\n') != std::string::npos; }, START_MS)) return false;
        const std::string number = ReadText(dir / "display");
        display = std::string(":").append(number, 0, number.find('\n'));
        return true;
    }
    ~XServer() {
        if (!pid.empty()) Succeeds("kill " + pid);
    }
    std::string Env() const {
        return "DISPLAY=" + display + " XDG_CONFIG_HOME=" + dir / "config" + " XDG_CACHE_HOME=" + dir / "cache" +
               " XDG_RUNTIME_DIR=" + dir / "runtime" + " KITTY_CONFIG_DIRECTORY=" + dir / "kitty-config" +
               " KITTY_CACHE_DIRECTORY=" + dir / "kitty-cache" +
               " MESA_SHADER_CACHE_DISABLE=true LIBGL_ALWAYS_SOFTWARE=1 LANG=C.UTF-8 ";
    }
    // Starts a program in the background; returns its process id.
    std::string Launch(const std::string& command) {
        Succeeds("mkdir -p -m 700 " + dir / "runtime");
        return Output(Env() + command + " > " + dir / "launch.log" + " 2>&1 & echo $!");
    }
    // Focuses the first window of the class, then holds the key for holdMs.
    bool Focus(const std::string& windowClass) {
        const std::string window = Output(Env() + "xdotool search --sync --class " + windowClass + " | head -1");
        return !window.empty() && Succeeds(Env() + "xdotool windowfocus --sync " + window);
    }
    void Hold(const std::string& key, int holdMs) {
        Succeeds(Env() + "xdotool keydown " + key + " sleep " + std::to_string(holdMs / 1000.0) + " keyup " + key);
    }
};

// Reads the screen until it stops changing (the walk is over), then where it shows.
double SettledY(const std::function<std::string()>& screen) {
    std::string last = screen();
    WaitUntil([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        const std::string now = screen();
        const bool same = now == last;
        last = now;
        return same;
    }, 5000);
    return WhereOnTheWalk(last);
}

bool ShowsGame(const std::string& text) { return text.find("\u2593") != std::string::npos; }

TEST(TerminalKeysInX, KittyReportsReleasesSoAHoldWalksItsOwnLength) {
    XServer x;
    if (!x.Start()) GTEST_SKIP() << "Xvfb and xdotool are needed for this test";
    if (!Installed("kitty")) GTEST_SKIP() << "kitty is needed for this test";
    const std::string socket = "unix:" + x.dir / "kitty.sock";
    const std::string kittyPid = x.Launch(
        "kitty --config NONE -o linux_display_server=x11 -o allow_remote_control=yes --listen-on " + socket +
        " -o initial_window_width=84c -o initial_window_height=54c -o remember_window_size=no " + FARROWGATE_GAME);
    auto screen = [&] { return Output(x.Env() + "kitty @ --to " + socket + " get-text"); };
    if (!WaitUntil([&] { return ShowsGame(screen()); }, START_MS)) {
        Succeeds("kill " + kittyPid);
        GTEST_SKIP() << "kitty did not start under Xvfb: " << ReadText(x.dir / "launch.log");
    }
    ASSERT_TRUE(x.Focus("kitty"));
    for (int holdMs : {200, 100, 300}) {
        const double before = SettledY(screen);
        x.Hold(holdMs % 200 == 0 ? "Up" : "Down", holdMs);
        const double walkedMs = std::fabs(SettledY(screen) - before) * MS_PER_CELL;
        // A press and a release are each seen at the next frame: up to a frame
        // early or late each, and the X server and kitty add their own moments.
        EXPECT_NEAR(walkedMs, holdMs, 2 * FRAME_MS) << "a " << holdMs << " ms hold";
        RecordProperty("kitty_hold_" + std::to_string(holdMs) + "_walked_ms", static_cast<int>(std::lround(walkedMs)));
    }
    Succeeds(x.Env() + "xdotool key Escape");
    EXPECT_TRUE(WaitUntil([&] { return ProcessGone(std::stoi(kittyPid)); }, START_MS)) << "Escape did not quit";
}

TEST(TerminalKeysInX, XtermRepeatsPressesAndALearnedHoldDoesNotStutter) {
    XServer x;
    if (!x.Start()) GTEST_SKIP() << "Xvfb and xdotool are needed for this test";
    if (!Installed("xterm") || !Installed("tmux")) GTEST_SKIP() << "xterm and tmux are needed for this test";
    const std::string tmux = "tmux -S " + x.dir / "tmux.sock" + " -f /dev/null";
    const std::string xtermPid = x.Launch("xterm -u8 -geometry 84x54 -e " + tmux + " new-session -s input-x " +
                                          FARROWGATE_GAME);
    auto screen = [&] { return Output(tmux + " capture-pane -p -t input-x"); };
    if (!WaitUntil([&] { return ShowsGame(screen()); }, START_MS)) {
        Succeeds("kill " + xtermPid);
        GTEST_SKIP() << "xterm did not start under Xvfb: " << ReadText(x.dir / "launch.log");
    }
    ASSERT_TRUE(x.Focus("xterm"));
    // A tap before anything is learned lasts the decoder's first wait.
    double before = SettledY(screen);
    x.Hold("Up", 200);
    const double firstTapMs = std::fabs(SettledY(screen) - before) * MS_PER_CELL;
    RecordProperty("xterm_first_200ms_hold_walked_ms", static_cast<int>(std::lround(firstTapMs)));
    EXPECT_NEAR(firstTapMs, 550, 2 * FRAME_MS + 10);

    x.Hold("Down", 1500);  // teaches the delay and interval; ends at the wall behind
    before = SettledY(screen);
    x.Hold("Up", 1200);
    const double holdMs = std::fabs(SettledY(screen) - before) * MS_PER_CELL;
    RecordProperty("xterm_learned_1200ms_hold_walked_ms", static_cast<int>(std::lround(holdMs)));
    // X repeats after 660 ms every 40 ms: the last repeat comes 20 ms before
    // the release, the walk stops 2.5 intervals after it, about 1280 ms in
    // all. One pause at 550 ms until the first repeat would cost 110 ms of it.
    EXPECT_GE(holdMs, 1200 + 30);
    EXPECT_LE(holdMs, 1200 + 40 + 100 + 2 * FRAME_MS);

    before = SettledY(screen);
    x.Hold("Down", 200);
    const double tapMs = std::fabs(SettledY(screen) - before) * MS_PER_CELL;
    RecordProperty("xterm_learned_200ms_hold_walked_ms", static_cast<int>(std::lround(tapMs)));
    Succeeds(x.Env() + "xdotool key Escape");
    EXPECT_TRUE(WaitUntil([&] { return ProcessGone(std::stoi(xtermPid)); }, START_MS)) << "Escape did not quit";
    Succeeds(tmux + " kill-server");
}

}  // namespace
}  // namespace fg
