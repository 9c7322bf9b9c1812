#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/frame_loop.h"
#include "console/frame_buffer.h"
#include "console/keyboard.h"
#include "console/script/frame_script.h"
#include "console/script/platform_script.h"
#include "test_world.h"
#include "world/player.h"

namespace fg {
namespace {

std::vector<ScriptLine> Script(const std::string& text) {
    std::vector<ScriptLine> lines;
    std::string error;
    EXPECT_TRUE(ParseFrameScript(text, lines, error)) << error;
    return lines;
}

struct Recorder {
    static inline std::vector<int32_t> elapsed;
    static inline std::vector<int64_t> animation;
    static inline std::vector<int> frames;
    static inline std::vector<uint8_t> up;
    static inline std::vector<double> playerY;
    static void Clear() {
        playerY.clear();
        elapsed.clear();
        animation.clear();
        frames.clear();
        up.clear();
    }
    static void OnPresent(const CHAR_INFO*) {
        elapsed.push_back(Timing.elapsedMs);
        animation.push_back(Timing.animationClock);
        frames.push_back(ActorTable[0].frame);
        up.push_back(KeyState[VK_UP]);
        playerY.push_back(Player.y);
    }
};

// Runs the real start-up and loop over a script with the built-in content.
void RunScript(const std::string& text, uint32_t startTick = 0) {
    test::ResetWorld();
    Recorder::Clear();
    ScriptedRun run;
    run.lines = Script(text);
    run.startTick = startTick;
    run.onPresent = Recorder::OnPresent;
    BeginScriptedRun(run);
    StartUp();
    RunFrames();
}

TEST(FrameLoop, ElapsedTimeAndAnimationPacing) {
    RunScript("0\n200\n1\n100\n450\n600\n");
    EXPECT_EQ(Recorder::elapsed, (std::vector<int32_t>{0, 200, 1, 100, 450, 600}));
    // Exactly 200 takes no step; 201 does and keeps the remainder 1; 100 + 450 = 551
    // steps once (however many periods) and keeps 151 (the remainder, not the excess).
    EXPECT_EQ(Recorder::animation, (std::vector<int64_t>{0, 200, 1, 101, 151, 151}));
    EXPECT_EQ(Recorder::frames, (std::vector<int>{0, 0, 1, 1, 2, 3}));
}

TEST(FrameLoop, KeysActFromTheFrameAfterTheirPoll) {
    RunScript("16 +UP\n16\n16 -UP\n16\n");
    // The first frame never sees a key: nothing has been polled before it.
    EXPECT_EQ(Recorder::up, (std::vector<uint8_t>{1, 1, 0, 0}));
}

TEST(FrameLoop, EscapeEndsTheRunAfterThatFrameIsPresented) {
    RunScript("16\n16 +ESC\n16\n16\n");
    EXPECT_EQ(ScriptedFramesPresented(), 2u);
    // Escape already down before the loop: not even one frame.
    BeginScriptedRun({});
    RunFrames();
    EXPECT_EQ(ScriptedFramesPresented(), 0u);
}

TEST(FrameLoop, TheClockWrapsHarmlessly) {
    RunScript("10\n20\n30\n", 4294967290u);
    EXPECT_EQ(Recorder::elapsed, (std::vector<int32_t>{10, 20, 30}));
    // A huge step is a negative elapsed time and must not overflow the pacing.
    RunScript("4294967295\n2147483648\n2147483647\n");
    EXPECT_EQ(Recorder::elapsed, (std::vector<int32_t>{-1, INT32_MIN, INT32_MAX}));
    EXPECT_EQ(Recorder::animation.back(), (-1LL + INT32_MIN + INT32_MAX) % 200);
}

// A slow frame (a hidden page, a slow link) moves as a 100 ms one: the walls
// are tested where a step ends, so a longer step could cross one. From the
// start view, walking at Up into the shutter 3 cells ahead (y 35) by frames of
// 1500 ms stops at it instead of passing it; time itself is not cut.
TEST(FrameLoop, ALongFrameMovesNoFurtherThanALimitedStep) {
    RunScript("16 +UP\n100\n");
    const double hundred = Recorder::playerY.back();
    std::string script = "16 +UP\n";
    for (int i = 0; i < 20; ++i) script += "1500\n";
    RunScript(script);
    EXPECT_EQ(Recorder::playerY[1], hundred) << "1500 ms walks as 100";
    EXPECT_DOUBLE_EQ(hundred - 32, MOTION_LIMIT_MS / 256.0);
    EXPECT_EQ(Recorder::elapsed[1], 1500) << "the report keeps the frame's own time";
    EXPECT_EQ(Recorder::animation[1], (16 + 1500) % ANIMATION_PERIOD_MS);
    for (double y : Recorder::playerY) EXPECT_LT(y, 35 - COLLISION_HALF_SIZE) << "through the shutter";
    EXPECT_GT(Recorder::playerY.back(), 35 - COLLISION_HALF_SIZE - MOTION_LIMIT_MS / 256.0);
}

TEST(PollInput, AppliesRecordsInOrderAtMost128AtATime) {
    ResetKeyboard();
    ScriptedRun run;
    std::string line = "0 +LEFT -LEFT +SPACE OTHER +255 +293";  // 255 folds to 0, 293 to 38
    for (int i = 0; i < 130; ++i) line += (i % 2) ? " -RIGHT" : " +RIGHT";
    run.lines = Script(line + "\n0\n");
    BeginScriptedRun(run);
    PlatformTickCount();  // the start-up reading
    PlatformTickCount();  // the first frame's reading queues its events
    PollInput();
    EXPECT_EQ(KeyState[VK_LEFT], 0);  // pressed and released within one poll
    EXPECT_EQ(KeyState[VK_SPACE], 1);
    EXPECT_EQ(KeyState[0], 1);
    EXPECT_EQ(KeyState[VK_UP], 1);
    // 6 records before the RIGHT ones, so 122 RIGHT records this time: the last a release.
    EXPECT_EQ(KeyState[VK_RIGHT], 0);
    EXPECT_EQ(PlatformPendingInput(), 8u);
    PollInput();
    EXPECT_EQ(KeyState[VK_RIGHT], 0);
    EXPECT_EQ(PlatformPendingInput(), 0u);
    PollInput();  // nothing pending: nothing changes
    EXPECT_EQ(KeyState[VK_SPACE], 1);
}

TEST(FrameBufferCells, CellsNobodyWritesKeepTheirContent) {
    // A column pass over an empty world draws nothing: each wall is out of reach
    // and no floor or ceiling exists, so last frame's cells must survive.
    test::ResetWorld();
    Player.x = Player.y = 32.5;
    for (CHAR_INFO& cell : FrameBuffer) cell = {177, 0x1E};
    ColumnPass();
    for (const CHAR_INFO& cell : FrameBuffer) {
        ASSERT_EQ(cell.character, 177);
        ASSERT_EQ(cell.attributes, 0x1E);
    }
}

TEST(FrameScript, ParsesEventsAndRejectsMalformedLines) {
    std::vector<ScriptLine> lines;
    std::string error;
    ASSERT_TRUE(
        ParseFrameScript("# tour\n\n16 +UP -DOWN +SPACE OTHER +65535 # walk\n4294967295\n", lines, error));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].elapsed, 16u);
    ASSERT_EQ(lines[0].events.size(), 5u);
    EXPECT_EQ(lines[0].events[1].virtualKeyCode, VK_DOWN);
    EXPECT_EQ(lines[0].events[1].keyDown, 0);
    EXPECT_NE(lines[0].events[3].eventType, INPUT_KEY_EVENT);
    EXPECT_EQ(lines[0].events[4].virtualKeyCode, 65535);
    EXPECT_EQ(lines[1].elapsed, 4294967295u);

    const struct {
        const char* text;
        const char* error;
    } bad[] = {{"16\n-5\n", "line 2:"},     {"16 UP\n", "line 1:"},     {"16 +UP +TAB\n", "line 1:"},
               {"4294967296\n", "line 1:"}, {"16 +65536\n", "line 1:"}, {"\n\n1x\n", "line 3:"}};
    for (const auto& b : bad) {
        EXPECT_FALSE(ParseFrameScript(b.text, lines, error)) << b.text;
        EXPECT_EQ(error.rfind(b.error, 0), 0u) << error;
    }
}

}  // namespace
}  // namespace fg
