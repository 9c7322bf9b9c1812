// Pacing by status reports: how many frames may wait for an answer (one or
// two, by how quickly answers come), giving up on a terminal that never
// answers and taking up again if it does, a lost answer; and the decoder
// telling the answers from keys in every protocol.
#include <gtest/gtest.h>

#include <string>

#include "console/ansi/flow_control.h"
#include "tests/terminal_decoder.h"

namespace fg {
namespace {

constexpr uint32_t T0 = 4'294'960'000u;  // near the clock's wrap, which must not matter

TEST(FlowControl, FramesWaitForAnswersAndAnUnansweringTerminalGetsThemAllAfterTheWait) {
    FlowControl flow;
    ResetFlowControl(flow);
    for (int i = 0; i < FRAMES_IN_FLIGHT; ++i) {
        ASSERT_TRUE(FrameMayGo(flow, T0 + i));
        EXPECT_TRUE(FrameSent(flow, T0 + i));  // every frame asks
    }
    EXPECT_FALSE(FrameMayGo(flow, T0 + 100));
    TakeStatusReplies(flow, 1, T0 + 200);
    ASSERT_TRUE(FrameMayGo(flow, T0 + 200));
    FrameSent(flow, T0 + 200);
    EXPECT_FALSE(FrameMayGo(flow, T0 + 300));
    TakeStatusReplies(flow, 5, T0 + 300);  // more answers than asked: none owed
    EXPECT_EQ(flow.unanswered, 0);

    FlowControl silent;
    ResetFlowControl(silent);
    FrameSent(silent, T0);
    FrameSent(silent, T0 + 16);
    EXPECT_FALSE(FrameMayGo(silent, T0 + FIRST_REPLY_WAIT_MS - 1));
    EXPECT_TRUE(FrameMayGo(silent, T0 + FIRST_REPLY_WAIT_MS));
    EXPECT_FALSE(FrameSent(silent, T0 + FIRST_REPLY_WAIT_MS)) << "still asking after giving up";
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(FrameMayGo(silent, T0 + FIRST_REPLY_WAIT_MS + i));
    // An answer after all (a very slow first picture): pacing again.
    TakeStatusReplies(silent, 1, T0 + 9000);
    EXPECT_TRUE(FrameSent(silent, T0 + 9000));
    EXPECT_TRUE(FrameSent(silent, T0 + 9001));
    EXPECT_FALSE(FrameMayGo(silent, T0 + 9002));
}

TEST(FlowControl, SlowAnswersLeaveOneFrameInFlightQuickOnesTwo) {
    FlowControl flow;
    ResetFlowControl(flow);
    FrameSent(flow, T0);
    FrameSent(flow, T0 + 16);
    TakeStatusReplies(flow, 1, T0 + QUICK_ANSWER_MS + 1);  // the link needs that long for a frame
    EXPECT_FALSE(FrameMayGo(flow, T0 + QUICK_ANSWER_MS + 2)) << "two in flight on a slow link";
    TakeStatusReplies(flow, 1, T0 + 600);
    ASSERT_TRUE(FrameMayGo(flow, T0 + 600));
    FrameSent(flow, T0 + 600);
    EXPECT_FALSE(FrameMayGo(flow, T0 + 601));
    TakeStatusReplies(flow, 1, T0 + 600 + QUICK_ANSWER_MS);  // quick enough again
    FrameSent(flow, T0 + 900);
    EXPECT_TRUE(FrameMayGo(flow, T0 + 901));
    FrameSent(flow, T0 + 901);
    EXPECT_FALSE(FrameMayGo(flow, T0 + 902));
}

TEST(FlowControl, ALostAnswerCostsAPauseAndAnUnsentRequestNothing) {
    FlowControl flow;
    ResetFlowControl(flow);
    FrameSent(flow, T0);
    TakeStatusReplies(flow, 1, T0 + 100);
    FrameSent(flow, T0 + 200);
    FrameSent(flow, T0 + 216);
    EXPECT_FALSE(FrameMayGo(flow, T0 + 216 + REPLY_LOST_MS - 1));
    EXPECT_TRUE(FrameMayGo(flow, T0 + 216 + REPLY_LOST_MS));
    FrameSent(flow, T0 + 216 + REPLY_LOST_MS);
    EXPECT_FALSE(FrameMayGo(flow, T0 + 216 + REPLY_LOST_MS + 1));
    // A frame whose write failed took its request with it.
    RequestNotSent(flow);
    EXPECT_TRUE(FrameMayGo(flow, T0 + 216 + REPLY_LOST_MS + 1));
    FrameSent(flow, T0 + 216 + REPLY_LOST_MS + 1);
    // The terminal taken again: the answers on their way were flushed.
    ForgetStatusRequests(flow);
    EXPECT_TRUE(FrameMayGo(flow, T0 + 216 + REPLY_LOST_MS + 2));
}

TEST(FlowControl, StatusAnswersAreCountedAndNeverKeysInEveryProtocol) {
    struct Case {
        const char* name;
        std::string start;  // puts the decoder in its protocol
        std::string bytes;
        uint32_t answers;
        Keys keys;
    };
    const std::string win32Left = "\x1b[37;75;0;1;0;1_";
    const Case cases[] = {
        {"legacy", "", "\x1b[0n", 1, {}},
        {"legacy, between arrow presses", "", "\x1b[D\x1b[0n\x1b[3n\x1b[C", 2, {{37, true}, {39, true}}},
        {"other reports are not answers", "", "\x1b[5n\x1b[?0n\x1b[1;1R\x1b[0;1n", 0, {}},
        {"kitty", "\x1b[?11u", "\x1b[1;1:2D\x1b[0n\x1b[1;1:1A", 1, {{37, true}, {38, true}}},
        {"win32-input-mode", win32Left, "\x1b[0n", 1, {}},
        // A console host may type the answer out as character records.
        {"win32 character records",
         win32Left,
         "\x1b[0;0;27;1;0;1_\x1b[0;0;27;0;0;1_\x1b[0;0;91;1;0;1_\x1b[0;0;48;1;0;1_\x1b[0;0;110;1;0;1_",
         1,
         {}},
        {"win32 characters that are no answer",
         win32Left,
         "\x1b[0;0;27;1;0;1_\x1b[0;0;91;1;0;1_\x1b[0;0;49;1;0;1_\x1b[0;0;110;1;0;1_",
         0,
         {}},
    };
    for (const Case& c : cases) {
        Decoder decoder;
        decoder.Feed(c.start, 1);
        const uint32_t before = decoder.state.replies.statusReports;
        // Whole, then byte by byte as a slow link may deliver it.
        EXPECT_EQ(decoder.Feed(c.bytes, 10), c.keys) << c.name;
        EXPECT_EQ(decoder.state.replies.statusReports - before, c.answers) << c.name;
        Decoder split;
        split.Feed(c.start, 1);
        Keys keys;
        for (char byte : c.bytes) {
            for (const Key& key : split.Feed(std::string(1, byte), 10)) keys.push_back(key);
        }
        EXPECT_EQ(keys, c.keys) << c.name << ", byte by byte";
        EXPECT_EQ(split.state.replies.statusReports, decoder.state.replies.statusReports) << c.name;
    }
}

}  // namespace
}  // namespace fg
