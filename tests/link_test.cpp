// The game over simulated slow links (tests/link_simulator.h): the picture
// keeps up with the keys however slow the link, never more than a few frames
// wait in it, a terminal that never answers still gets every frame, and the
// terminal does no output processing while the game runs. Limits are the
// link's own periods (the time it takes to carry a picture), never tighter.
#include <gtest/gtest.h>
#include <termios.h>

#include <chrono>
#include <thread>

#include "console/ansi/flow_control.h"
#include "tests/link_simulator.h"
#include "tests/terminal_harness.h"

namespace fg {
namespace {

#ifdef FARROWGATE_HAVE_VTERM

constexpr double DELAY = 0.05;  // one way
constexpr double SLACK = 1.0;   // a loaded machine's pauses

TEST(LinkSimulator, ThePictureStopsSoonAfterTheKeyOverAnyLink) {
    struct Case {
        double bitsPerSecond;  // 0: unthrottled
        double delay;
    };
    for (const Case c : {Case{0, 0}, Case{1e6, DELAY}, Case{100e3, DELAY}}) {
        SCOPED_TRACE(c.bitsPerSecond);
        link::Link link(c.bitsPerSecond / 8, c.delay);
        const link::HoldResult result = link::HoldLeft(link, FARROWGATE_GAME, 3, 30, true);
        ASSERT_TRUE(result.started);
        ASSERT_TRUE(result.settled);
        const double picture = c.bitsPerSecond > 0 ? link::PICTURE_BYTES * 8 / c.bitsPerSecond : 0;
        // Without pacing the link buffers seconds to minutes of turning.
        EXPECT_LE(result.releaseToLastTurn, 2 * c.delay + FRAMES_IN_FLIGHT * picture + SLACK);
        EXPECT_LE(result.mostBuffered, FRAMES_IN_FLIGHT * link::PICTURE_BYTES + 1000);
        if (c.bitsPerSecond == 0 || c.bitsPerSecond >= 1e6) {
            EXPECT_GE(result.turningFramesPerSecond, 1.0);
        }
        // What the diffs built up is what a whole repaint of the present shows.
        EXPECT_TRUE(result.repaintMatches);
        RecordProperty("release_to_last_turn_ms_" + std::to_string(static_cast<int>(c.bitsPerSecond)),
                       static_cast<int>(result.releaseToLastTurn * 1000));
    }
}

bool OutputProcessing(int terminal) {
    termios modes{};
    return tcgetattr(terminal, &modes) == 0 && (modes.c_oflag & OPOST) != 0;
}

TEST(LinkSimulator, ATerminalThatNeverAnswersGetsEveryFrameAfterFiveSeconds) {
    // A new pseudo terminal processes output, so the game must turn that off.
    // (Checked on one of its own: the game may already have done so on its
    // terminal by the time this test looks.)
    const int fresh = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(fresh, 0);
    EXPECT_TRUE(OutputProcessing(fresh));
    close(fresh);

    link::Link link(0, 0);
    link.answerStatus = false;
    ASSERT_TRUE(link.Start(FARROWGATE_GAME));
    const int terminal = open(ptsname(link.game.master), O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);

    // Paced while it waits for a first answer: no more frames than requests allowed.
    link.RunFor(3.5);
    EXPECT_FALSE(OutputProcessing(terminal)) << "the kernel scans every byte written";
    EXPECT_GE(link.framesFromGame, 1);
    EXPECT_LE(link.framesFromGame, FRAMES_IN_FLIGHT);
    EXPECT_EQ(link.requestsFromGame, link.framesFromGame);

    // Past the wait: every frame goes out, and no more requests with them.
    link.RunFor(FIRST_REPLY_WAIT_MS / 1000.0 - 3.5 + 1);
    const int requests = link.requestsFromGame;
    const std::size_t shownBefore = link.frames.size();
    link.Type(link::LEFT_PRESS);
    link.TypeAt(link.Now() + 1, link::LEFT_RELEASE);
    link.RunFor(1.5);
    int turned = 0;
    for (std::size_t i = shownBefore; i < link.frames.size(); ++i) turned += link.frames[i].turned;
    EXPECT_GE(turned, 10);
    EXPECT_EQ(link.requestsFromGame, requests);

    link.Type("\x1b[27u");  // Escape, as a terminal in the kitty protocol sends it
    int status = 0;
    ASSERT_TRUE(link.RunUntil([&] { return waitpid(link.game.pid, &status, WNOHANG) == link.game.pid; },
                              link.Now() + 10));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(OutputProcessing(terminal)) << "not given back";
    close(terminal);
}

// With frames in flight the terminal still owes answers when the game quits:
// they must not reach the shell as typing.
TEST(LinkSimulator, QuittingMidTurnOverASlowLinkLeavesNoAnswerForTheShell) {
    link::Link link(256e3 / 8, DELAY);
    ASSERT_TRUE(link.Start(FARROWGATE_GAME));
    const int terminal = open(ptsname(link.game.master), O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    ASSERT_TRUE(link.RunUntil([&] { return link.Settled(link.QuietSeconds()); }, link.Now() + 30));
    link.Type(link::LEFT_PRESS);
    link.RunFor(0.5);
    const int requests = link.requestsFromGame;
    link.Type("\x1b[27u");  // Escape, as kitty reports it
    int status = 0;
    ASSERT_TRUE(link.RunUntil([&] { return waitpid(link.game.pid, &status, WNOHANG) == link.game.pid; },
                              link.Now() + 10));
    EXPECT_GT(requests, 1);
    link.RunFor(1 + 2 * DELAY);  // whatever was still on the way arrives
    termios modes{};
    ASSERT_EQ(tcgetattr(terminal, &modes), 0);
    modes.c_lflag &= ~static_cast<tcflag_t>(ICANON);
    modes.c_cc[VMIN] = 0;
    modes.c_cc[VTIME] = 0;
    tcsetattr(terminal, TCSANOW, &modes);
    char left[256];
    const ssize_t count = read(terminal, left, sizeof left);
    EXPECT_LE(count, 0) << "the shell would read: " << std::string(left, count > 0 ? count : 0);
    close(terminal);
}

#else

TEST(LinkSimulator, NeedsLibvterm) { GTEST_SKIP() << "built without libvterm (Debian libvterm-dev)"; }

#endif

// A terminal that reads nothing (a stalled link): the game never waits in a
// write, so it still reads its keys and quits at once on Escape.
TEST(LinkSimulator, AStalledTerminalDoesNotHoldUpTheGame) {
    harness::PtyGame game;
    ASSERT_TRUE(game.Start(FARROWGATE_GAME, false));
    ASSERT_TRUE(harness::WaitUntil(
        [&] {
            const int before = game.Unread();
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            return before > 0 && game.Unread() == before;
        },
        10000));
    const char escape[] = "\x1b[27u";  // as kitty reports it: no wait for a lone ESC
    ASSERT_EQ(write(game.master, escape, sizeof escape - 1), static_cast<ssize_t>(sizeof escape - 1));
    int status = 0;
    ASSERT_TRUE(game.Ended(status, 3000)) << "blocked in a write: the keys are never read";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
}  // namespace fg
