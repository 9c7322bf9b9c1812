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
#include "tests/walk_frames.h"

namespace fg {
namespace {

using namespace harness;

constexpr int START_MS = 20000;
constexpr int FRAME_MS = 17;  // the game shows 60 frames a second

// An X server of the test's own, found by -displayfd, never a fixed number.
struct XServer {
    TempDir dir;
    std::string display;
    std::string pid;

    bool Start() {
        if (!Installed("Xvfb") || !Installed("xdotool")) return false;
        pid = Output("Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3> " + dir / "display" +
                     " > /dev/null 2>&1 & echo $!");
        auto written = [&] { return ReadText(dir / "display").find('\n') != std::string::npos; };
        if (!WaitUntil(written, START_MS)) return false;
        const std::string number = ReadText(dir / "display");
        display = std::string(":").append(number, 0, number.find('\n'));
        return true;
    }
    ~XServer() {
        if (!pid.empty()) Succeeds("kill " + pid);
    }
    std::string Env() const {
        return "DISPLAY=" + display + " XDG_CONFIG_HOME=" + dir / "config" +
               " XDG_CACHE_HOME=" + dir / "cache" + " XDG_RUNTIME_DIR=" + dir / "runtime" +
               " KITTY_CONFIG_DIRECTORY=" + dir / "kitty-config" +
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
        const std::string window =
            Output(Env() + "xdotool search --sync --class " + windowClass + " | head -1");
        return !window.empty() && Succeeds(Env() + "xdotool windowfocus --sync " + window);
    }
    void Hold(const std::string& key, int holdMs) {
        Succeeds(Env() + "xdotool keydown " + key + " sleep " + std::to_string(holdMs / 1000.0) + " keyup " +
                 key);
    }
};

bool ShowsGame(const std::string& text) { return text.find("\u2593") != std::string::npos; }

TEST(TerminalKeysInX, KittyReportsReleasesSoAHoldWalksItsOwnLength) {
    XServer x;
    if (!x.Start()) GTEST_SKIP() << "Xvfb and xdotool are needed for this test";
    if (!Installed("kitty")) GTEST_SKIP() << "kitty is needed for this test";
    const std::string socket = "unix:" + x.dir / "kitty.sock";
    const std::string kittyPid = x.Launch(
        "kitty --config NONE -o linux_display_server=x11 -o allow_remote_control=yes --listen-on " + socket +
        " -o initial_window_width=84c -o initial_window_height=54c -o remember_window_size=no " +
        FARROWGATE_GAME);
    auto screen = [&] { return Output(x.Env() + "kitty @ --to " + socket + " get-text"); };
    if (!WaitUntil([&] { return ShowsGame(screen()); }, START_MS)) {
        Succeeds("kill " + kittyPid);
        GTEST_SKIP() << "kitty did not start under Xvfb: " << ReadText(x.dir / "launch.log");
    }
    ASSERT_TRUE(x.Focus("kitty"));
    // A press and a release are each seen at the next frame, and kitty,
    // drawing with software OpenGL, passes a release on up to a frame or two
    // late while it draws (about one on an idle machine). A busy machine may
    // spoil one hold, so each length has three tries.
    for (int holdMs : {200, 100, 300}) {
        double walkedMs = 0;
        for (int attempt = 0; attempt < 3; ++attempt) {
            const double before = SettledY(screen);
            x.Hold(holdMs % 200 == 0 ? "Up" : "Down", holdMs);
            walkedMs = std::fabs(SettledY(screen) - before) * MS_PER_CELL;
            RecordProperty(
                "kitty_hold_" + std::to_string(holdMs) + "_try_" + std::to_string(attempt) + "_walked_ms",
                static_cast<int>(std::lround(walkedMs)));
            if (std::fabs(walkedMs - holdMs) <= 3 * FRAME_MS) break;
            x.Hold(holdMs % 200 == 0 ? "Down" : "Up", holdMs);  // back the same way
        }
        EXPECT_NEAR(walkedMs, holdMs, 3 * FRAME_MS) << "a " << holdMs << " ms hold";
    }
    Succeeds(x.Env() + "xdotool key Escape");
    EXPECT_TRUE(WaitUntil([&] { return ProcessGone(std::stoi(kittyPid)); }, START_MS))
        << "Escape did not quit";
}

TEST(TerminalKeysInX, XtermTapsAreNudgesAndAHoldRunsFromItsFirstRepeat) {
    XServer x;
    if (!x.Start()) GTEST_SKIP() << "Xvfb and xdotool are needed for this test";
    if (!Installed("xterm") || !Installed("tmux")) GTEST_SKIP() << "xterm and tmux are needed for this test";
    const std::string tmux = "tmux -S " + x.dir / "tmux.sock" + " -f /dev/null";
    const std::string xtermPid =
        x.Launch("xterm -u8 -geometry 84x54 -e " + tmux + " new-session -s input-x " + FARROWGATE_GAME);
    auto screen = [&] { return Output(tmux + " capture-pane -p -t input-x"); };
    if (!WaitUntil([&] { return ShowsGame(screen()); }, START_MS)) {
        Succeeds("kill " + xtermPid);
        GTEST_SKIP() << "xterm did not start under Xvfb: " << ReadText(x.dir / "launch.log");
    }
    ASSERT_TRUE(x.Focus("xterm"));
    // Ten taps (40 ms down, half a second apart): each walks for the nudge,
    // about 75 ms, whether a hold has been seen yet or not (before, a tap as
    // late as a first repeat may be held as one, up to 120 ms).
    for (int tap = 0; tap < 10; ++tap) {
        const double before = SettledY(screen);
        x.Hold(tap % 2 == 0 ? "Up" : "Down", 40);
        const double tapMs = std::fabs(SettledY(screen) - before) * MS_PER_CELL;
        RecordProperty("xterm_tap_" + std::to_string(tap) + "_walked_ms",
                       static_cast<int>(std::lround(tapMs)));
        EXPECT_GE(tapMs, 75 - FRAME_MS) << "tap " << tap;
        EXPECT_LE(tapMs, 120 + 2 * FRAME_MS) << "tap " << tap;
    }

    x.Hold("Down", 1500);  // teaches the delay and interval; ends at the wall behind
    double before = SettledY(screen);
    x.Hold("Up", 1500);
    const double holdMs = std::fabs(SettledY(screen) - before) * MS_PER_CELL;
    RecordProperty("xterm_learned_1500ms_hold_walked_ms", static_cast<int>(std::lround(holdMs)));
    // X repeats after 660 ms every 40 ms: the nudge walks 75 ms, the first
    // repeat walks on from 660 ms, the last repeat comes at most 40 ms before
    // the release and the walk stops 2.5 intervals after it.
    EXPECT_GE(holdMs, 75 + (1500 - 660) - 2 * FRAME_MS);
    EXPECT_LE(holdMs, 75 + (1500 - 660) + 100 + 2 * FRAME_MS);

    before = SettledY(screen);
    x.Hold("Down", 40);
    const double tapMs = std::fabs(SettledY(screen) - before) * MS_PER_CELL;
    RecordProperty("xterm_learned_tap_walked_ms", static_cast<int>(std::lround(tapMs)));
    EXPECT_NEAR(tapMs, 75, 2 * FRAME_MS);
    Succeeds(x.Env() + "xdotool key Escape");
    EXPECT_TRUE(WaitUntil([&] { return ProcessGone(std::stoi(xtermPid)); }, START_MS))
        << "Escape did not quit";
    Succeeds(tmux + " kill-server");
}

}  // namespace
}  // namespace fg
