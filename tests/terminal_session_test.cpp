// The game in real terminals: every way out gives the terminal back with the
// right exit status; stops and continues; a terminal that hangs up or stalls.
// tmux drives an interactive shell; a pseudo terminal of the test's own stands
// in for a terminal that never reads.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "console/ansi/flow_control.h"
#include "tests/terminal_harness.h"
#include "tests/walk_frames.h"

namespace fg {
namespace {

using namespace harness;

constexpr int START_MS = 10000;  // start-up under the sanitizers is slow
constexpr int STEP_MS = 5000;

// A tmux server of this test alone, with a bash in a 100 x 60 pane.
struct Tmux {
    TempDir dir;
    std::string tmux;

    Tmux() { tmux = "tmux -S " + dir / "socket" + " -f /dev/null"; }
    ~Tmux() { Succeeds(tmux + " kill-server"); }

    bool Start(const std::string& command) {
        return Succeeds("TERM=xterm " + tmux + " new-session -d -s input-test -x 100 -y 60 " +
                        Quoted(command));
    }
    void Keys(const std::string& keys) { Succeeds(tmux + " send-keys -t input-test " + keys); }
    void Line(const std::string& text) { Keys(Quoted(text) + " Enter"); }
    std::string Format(const std::string& format) {
        std::string out = Output(tmux + " display-message -p -t input-test " + Quoted(format));
        while (!out.empty() && out.back() == '\n') out.pop_back();
        return out;
    }
    bool CursorShown() { return Format("#{cursor_flag}") == "1"; }
    std::string Screen() { return Output(tmux + " capture-pane -p -t input-test"); }
    std::string File(const std::string& name) {
        std::string text = ReadText(dir / name);
        while (!text.empty() && text.back() == '\n') text.pop_back();
        return text;
    }
    bool WaitForFile(const std::string& name) {
        return WaitUntil([&] { return !File(name).empty(); }, STEP_MS);
    }
    // The game has taken the terminal: its picture hides the cursor.
    bool WaitForGame() {
        return WaitUntil([&] { return !File("pid").empty() && !CursorShown(); }, START_MS);
    }
};

bool ShellToolsInstalled() { return Installed("tmux") && Installed("bash"); }

bool StartShell(Tmux& tmux) {
    if (!tmux.Start("env PS1='$ ' bash --norc --noprofile -i")) return false;
    tmux.Line("stty -g > " + tmux.dir / "before");
    return tmux.WaitForFile("before");
}

// Starts the game as the shell's foreground job; its exit status goes to `name`.
void RunGame(Tmux& tmux, const std::string& name) {
    Succeeds("rm -f " + tmux.dir / "pid" + " " + tmux.dir / name + " " + tmux.dir / "after");
    tmux.Line("bash -c " + Quoted("echo $$ > " + tmux.dir / "pid" + "; exec " + FARROWGATE_GAME) +
              "; echo $? > " + tmux.dir / name + "; stty -g > " + tmux.dir / "after");
}

// A shell in the pane with its terminal modes noted, and the game its foreground job.
bool GameInShell(Tmux& tmux) {
    if (!StartShell(tmux)) return false;
    RunGame(tmux, "status");
    return tmux.WaitForGame();
}

TEST(TerminalSession, EveryWayOutRestoresTheTerminalWithItsStatus) {
    Tmux tmux;
    if (!ShellToolsInstalled()) GTEST_SKIP() << "tmux and bash are needed for this test";
    ASSERT_TRUE(StartShell(tmux));
    struct Case {
        const char* how;  // keys typed, or a signal sent from outside
        bool signal;
        int status;
    };
    const Case cases[] = {
        {"Escape", false, 0},          {"C-c", false, 130},           {"TERM", true, 128 + SIGTERM},
        {"HUP", true, 128 + SIGHUP},   {"USR1", true, 128 + SIGUSR1}, {"PIPE", true, 128 + SIGPIPE},
        {"ALRM", true, 128 + SIGALRM}, {"XCPU", true, 128 + SIGXCPU}, {"PROF", true, 128 + SIGPROF},
    };
    for (const Case& c : cases) {
        RunGame(tmux, "status");
        ASSERT_TRUE(tmux.WaitForGame()) << c.how << ": the game did not start";
        if (c.signal)
            Succeeds(std::string("kill -") + c.how + " " + tmux.File("pid"));
        else
            tmux.Keys(c.how);
        ASSERT_TRUE(tmux.WaitForFile("after")) << c.how << ": the game did not end";
        EXPECT_EQ(tmux.File("status"), std::to_string(c.status)) << c.how;
        EXPECT_EQ(tmux.File("after"), tmux.File("before")) << c.how << ": terminal modes changed";
        EXPECT_TRUE(tmux.CursorShown()) << c.how << ": cursor left hidden";
    }
}

// The game draws on the alternate screen, in 16 colours inside tmux even where
// the outer terminal's COLORTERM says 24-bit, and q quits it with status 0:
// the shell's screen comes back as it was, with no trace of the picture.
TEST(TerminalSession, QQuitsAndGivesTheShellsScreenBack) {
    Tmux tmux;
    if (!ShellToolsInstalled()) GTEST_SKIP() << "tmux and bash are needed for this test";
    ASSERT_TRUE(StartShell(tmux));
    tmux.Line("export COLORTERM=truecolor; echo shell-text-before");
    ASSERT_TRUE(
        WaitUntil([&] { return tmux.Screen().find("\nshell-text-before") != std::string::npos; }, STEP_MS));
    RunGame(tmux, "status");
    ASSERT_TRUE(tmux.WaitForGame());
    EXPECT_EQ(tmux.Format("#{alternate_on}"), "1");
    const std::string picture = Output(tmux.tmux + " capture-pane -p -e -t input-test");
    EXPECT_NE(picture.find("\u2588"), std::string::npos) << "no picture";
    EXPECT_NE(picture.find(KEY_LINE), std::string::npos) << "no key line";
    EXPECT_EQ(picture.find("38;2;"), std::string::npos) << "24-bit colour inside tmux";
    tmux.Keys("q");
    ASSERT_TRUE(tmux.WaitForFile("after")) << "q did not quit";
    EXPECT_EQ(tmux.File("status"), "0");
    EXPECT_EQ(tmux.Format("#{alternate_on}"), "0");
    const std::string screen = tmux.Screen();
    EXPECT_NE(screen.find("\nshell-text-before"), std::string::npos) << screen;
    for (const char* glyph : {"\u2591", "\u2592", "\u2593", "\u2588"})
        EXPECT_EQ(screen.find(glyph), std::string::npos) << "the picture was left on the shell's screen";
}

// Stopped by a signal: /proc on Linux, where procps may be missing; ps elsewhere.
bool ProcessStopped(const std::string& pid) {
    if (pid.empty()) return false;
    std::string state = ReadText("/proc/" + pid + "/stat");
    const std::size_t close = state.rfind(')');
    if (close != std::string::npos) return close + 2 < state.size() && state[close + 2] == 'T';
    state = Output("ps -o stat= -p " + pid);
    const std::size_t first = state.find_first_not_of(' ');
    return first != std::string::npos && state[first] == 'T';
}

// Stopped, the terminal is the shell's again, and the shell takes commands.
void ExpectShellWhileStopped(Tmux& tmux, const char* how) {
    // Stopped: keys typed now are the shell's, not flushed as the game's.
    ASSERT_TRUE(WaitUntil([&] { return ProcessStopped(tmux.File("pid")); }, STEP_MS))
        << how << ": not stopped";
    ASSERT_TRUE(WaitUntil([&] { return tmux.CursorShown(); }, STEP_MS))
        << how << ": cursor hidden while stopped";
    Succeeds("rm -f " + tmux.dir / "stopped");
    tmux.Line("stty -g > " + tmux.dir / "stopped");
    ASSERT_TRUE(tmux.WaitForFile("stopped")) << how << ": no prompt while stopped";
    EXPECT_EQ(tmux.File("stopped"), tmux.File("before")) << how << ": terminal modes while stopped";
    EXPECT_EQ(tmux.Format("#{alternate_on}"), "0") << how << ": the shell's screen not given back";
}

// Stopped, the shell has the terminal; continued, the game takes it back and
// still quits on Escape.
void ExpectStoppedThenWorking(Tmux& tmux, const char* how) {
    ExpectShellWhileStopped(tmux, how);
    tmux.Line("fg > /dev/null; echo $? > " + tmux.dir / "resumed");
    ASSERT_TRUE(WaitUntil([&] { return !tmux.CursorShown(); }, STEP_MS)) << how << ": not resumed";
    EXPECT_EQ(tmux.Format("#{alternate_on}"), "1") << how << ": resumed outside the alternate screen";
    EXPECT_TRUE(WaitUntil([&] { return tmux.Screen().find(KEY_LINE) != std::string::npos; }, STEP_MS))
        << how << ": not repainted";
    tmux.Keys("Escape");
    ASSERT_TRUE(tmux.WaitForFile("resumed")) << how << ": Escape did not quit after resuming";
    EXPECT_EQ(tmux.File("resumed"), "0") << how;
}

TEST(TerminalSession, CtrlZStopsAndFgResumes) {
    Tmux tmux;
    if (!ShellToolsInstalled()) GTEST_SKIP() << "tmux and bash are needed for this test";
    ASSERT_TRUE(GameInShell(tmux));
    tmux.Keys("C-z");
    ExpectStoppedThenWorking(tmux, "Ctrl-Z");
}

TEST(TerminalSession, StopAndContinueFromOutside) {
    Tmux tmux;
    if (!ShellToolsInstalled()) GTEST_SKIP() << "tmux and bash are needed for this test";
    ASSERT_TRUE(GameInShell(tmux));
    const std::string pid = tmux.File("pid");
    Succeeds("kill -TSTP " + pid);
    // Stopped, and the shell has seen it (a continue before that would go unseen).
    ASSERT_TRUE(WaitUntil([&] { return tmux.Screen().find("Stopped") != std::string::npos; }, STEP_MS))
        << "not stopped";
    // Continued in the background, it must not take the terminal from the shell.
    Succeeds("kill -CONT " + pid);
    ExpectStoppedThenWorking(tmux, "kill -TSTP, kill -CONT");
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

// Under a wrapper script, Ctrl-Z and an outside SIGTSTP stop the wrapper too,
// so the shell shows its prompt. Continues the game did not cause (SIGSTOP
// and SIGCONT, a bare SIGCONT, a start in the background and fg) take nothing
// twice, and a game ended before it took the terminal gives nothing back:
// every push written to the terminal is popped once.
TEST(TerminalSession, JobControlUnderAWrapperAndPushesThatBalance) {
    Tmux tmux;
    if (!ShellToolsInstalled()) GTEST_SKIP() << "tmux and bash are needed for this test";
    ASSERT_TRUE(StartShell(tmux));
    ASSERT_TRUE(Succeeds(tmux.tmux + " pipe-pane -t input-test " + Quoted("cat >> " + tmux.dir / "bytes")));
    const std::string wrapper = tmux.dir / "wrap.sh";
    std::ofstream(wrapper) << "#!/bin/sh\n\"$@\"; echo $? > " << tmux.dir / "status"
                           << "\n";
    ASSERT_TRUE(Succeeds("chmod +x " + wrapper));
    tmux.Line(wrapper + " bash -c " + Quoted("echo $$ > " + tmux.dir / "pid" + "; exec " + FARROWGATE_GAME));
    ASSERT_TRUE(tmux.WaitForGame());
    const std::string pid = tmux.File("pid");
    auto resume = [&](const char* how) {
        tmux.Line("fg > /dev/null");
        ASSERT_TRUE(WaitUntil([&] { return !tmux.CursorShown(); }, STEP_MS)) << how << ": not resumed";
    };
    tmux.Keys("C-z");
    ExpectShellWhileStopped(tmux, "Ctrl-Z");
    resume("Ctrl-Z");
    Succeeds("kill -TSTP " + pid);
    ExpectShellWhileStopped(tmux, "kill -TSTP");
    resume("kill -TSTP");
    Succeeds("kill -STOP " + pid + "; kill -CONT " + pid);  // the shell sees neither
    Succeeds("kill -CONT " + pid);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // time to act on them
    tmux.Keys("Escape");
    ASSERT_TRUE(tmux.WaitForFile("status")) << "Escape did not end the game";
    EXPECT_EQ(tmux.File("status"), "0");

    // Started in the background, it waits for fg before taking the terminal;
    // ended while it waits, it gives back only what it took.
    for (const bool quit : {false, true}) {
        Succeeds("rm -f " + tmux.dir / "pid");
        tmux.Line("bash -c " + Quoted("echo $$ > " + tmux.dir / "pid" + "; exec " + FARROWGATE_GAME) + " &");
        ASSERT_TRUE(WaitUntil([&] { return ProcessStopped(tmux.File("pid")); }, START_MS))
            << "a game started in the background did not wait for fg";
        if (quit) {
            Succeeds("kill -TERM " + tmux.File("pid"));
            tmux.Line("fg > /dev/null");
        } else {
            resume("started in the background");
            tmux.Keys("Escape");
        }
        const pid_t game = std::stoi(tmux.File("pid"));
        ASSERT_TRUE(WaitUntil([&] { return ProcessGone(game); }, STEP_MS)) << "the game did not end";
    }

    struct Pair {
        const char* what;
        const char* push;
        const char* pop;
    };
    const Pair pairs[] = {
        {"kitty keyboard flags", "\x1b[>11u", "\x1b[<u"},
        {"title", "\x1b[22;0t", "\x1b[23;0t"},
        {"focus reports", "\x1b[?1004h", "\x1b[?1004l"},
    };
    const int takes = 4;  // two games that started, and after Ctrl-Z and SIGTSTP
    std::string bytes;
    WaitUntil(
        [&] {
            bytes = tmux.File("bytes");
            return Count(bytes, pairs[0].pop) >= takes;
        },
        STEP_MS);
    for (const Pair& pair : pairs) {
        EXPECT_EQ(Count(bytes, pair.push), takes) << pair.what << " pushed";
        EXPECT_EQ(Count(bytes, pair.pop), takes) << pair.what << " popped";
    }
}

// Stopped by SIGSTOP, which cannot be caught, with Up held: the frames after
// SIGCONT must not walk the player for the time stopped. (tmux continues a
// pane's own process at once, so the game runs under the pane's shell.)
TEST(TerminalSession, TimeStoppedWalksNoOne) {
    Tmux tmux;
    if (!ShellToolsInstalled()) GTEST_SKIP() << "tmux and bash are needed for this test";
    ASSERT_TRUE(GameInShell(tmux));
    const std::string pid = tmux.File("pid");
    auto screen = [&] { return tmux.Screen(); };
    auto where = [&] { return WhereOnTheWalk(screen()); };
    const double before = where();
    tmux.Keys("Up");  // held for about half a second: a terminal sends no release
    ASSERT_TRUE(WaitUntil([&] { return where() != before; }, STEP_MS)) << "Up did not walk";
    Succeeds("kill -STOP " + pid);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    Succeeds("kill -CONT " + pid);  // in the background now: it stops again at the terminal
    tmux.Line("fg > /dev/null");
    ASSERT_TRUE(WaitUntil([&] { return !tmux.CursorShown(); }, STEP_MS)) << "not resumed";
    const double walkedMs = (SettledY(screen) - before) * MS_PER_CELL;
    RecordProperty("walked_ms_across_a_1000ms_stop", static_cast<int>(walkedMs));
    EXPECT_LT(walkedMs, 400) << "the time stopped walked the player";
    tmux.Keys("Escape");
    EXPECT_TRUE(tmux.WaitForFile("status"));
}

TEST(TerminalSession, KillingTheSessionEndsAGameThatBlocksHangups) {
    Tmux tmux;
    if (!Installed("tmux")) GTEST_SKIP() << "tmux is needed for this test";
    ASSERT_TRUE(tmux.Start(std::string("echo $$ > ") + tmux.dir / "pid" + "; exec " +
                           FARROWGATE_SIGHUP_BLOCKED + " " + FARROWGATE_GAME));
    ASSERT_TRUE(tmux.WaitForGame());
    const pid_t pid = std::stoi(tmux.File("pid"));
    Succeeds(tmux.tmux + " kill-session -t input-test");
    EXPECT_TRUE(WaitUntil([&] { return ProcessGone(pid); }, 1000))
        << "still running a second after the session";
}

TEST(TerminalSession, AHungUpTerminalEndsTheGameAtOnceWithStatusOne) {
    PtyGame game;
    ASSERT_TRUE(game.Start(FARROWGATE_GAME, true));
    ASSERT_TRUE(WaitUntil([&] { return game.Unread() > 0; }, START_MS));
    close(game.master);
    game.master = -1;
    int status = 0;
    ASSERT_TRUE(game.Ended(status, 1000)) << "still running a second after the terminal went away";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
}

// The game has filled a terminal that nobody reads. It waits up to
// FIRST_REPLY_WAIT_MS for the terminal's first status answer, then sends a
// whole picture at every resize, which soon fills any terminal's buffer. Its
// writes do not block, so it is seldom seen waiting in one (Linux names that
// wait) and time is the test.
bool FilledTheTerminal(pid_t pid, std::chrono::steady_clock::time_point started) {
    constexpr auto FILLING = std::chrono::milliseconds(FIRST_REPLY_WAIT_MS + 1500);
    const std::string wait = ReadText("/proc/" + std::to_string(pid) + "/wchan");
    return wait == "wait_woken" || std::chrono::steady_clock::now() - started >= FILLING;
}

TEST(TerminalSession, AStalledTerminalCannotHoldAQuitSignalHostage) {
    // One game for each signal, their terminals filled side by side (filling
    // takes the game's whole wait for a first status answer).
    constexpr int SIGNALS[] = {SIGTERM, SIGINT, SIGQUIT};
    PtyGame games[std::size(SIGNALS)];
    for (PtyGame& game : games) ASSERT_TRUE(game.Start(FARROWGATE_GAME, false));
    for (PtyGame& game : games) ASSERT_TRUE(WaitUntil([&] { return game.Unread() > 0; }, START_MS));
    // Nobody reads, and every resize repaints the whole picture: the
    // terminals fill up.
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(WaitUntil(
        [&] {
            bool filled = true;
            for (PtyGame& game : games) {
                kill(game.pid, SIGWINCH);
                filled = FilledTheTerminal(game.pid, started) && filled;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            return filled;
        },
        START_MS))
        << "the terminals never filled";
    for (std::size_t i = 0; i < std::size(SIGNALS); ++i) {
        PtyGame& game = games[i];
        const int signal = SIGNALS[i];
        int status = 0;
        ASSERT_FALSE(game.Ended(status, 0));
        const auto sent = std::chrono::steady_clock::now();
        kill(game.pid, signal);
        ASSERT_TRUE(game.Ended(status, 1500)) << "signal " << signal << " held off by a stalled terminal";
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - sent);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "signal " << signal;
        RecordProperty("stalled_exit_ms_" + std::to_string(signal), static_cast<int>(ms.count()));
        // The frames never read were dropped and the restore waits in their
        // place: once the terminal reads again, it gets every byte of it.
        const std::string unread = game.ReadAll();
        const std::size_t restore = unread.rfind('\x18');  // CAN: the restore's first byte, in no frame
        ASSERT_NE(restore, std::string::npos) << "signal " << signal << ": no restore";
        const std::string tail = unread.substr(restore);
        EXPECT_NE(tail.find("\x1b[<u"), std::string::npos)
            << "signal " << signal << ": keyboard flags left pushed";
        EXPECT_NE(tail.find("\x1b[?25h"), std::string::npos) << "signal " << signal << ": cursor left hidden";
        const std::string last = "\x1b[?1049l";  // the restore ends by giving the shell's screen back
        EXPECT_TRUE(tail.size() >= last.size() &&
                    tail.compare(tail.size() - last.size(), last.size(), last) == 0)
            << "signal " << signal << ": restore cut short";
    }
}

}  // namespace
}  // namespace fg
