#include "console/ansi/terminal_input.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/terminal_decoder.h"

namespace fg {
namespace {

TEST(TerminalInput, DecodesArrowsInBothFormsAndSpace) {
    struct Case {
        const char* bytes;
        uint16_t code;
    };
    const Case cases[] = {
        {"\x1b[A", 38}, {"\x1b[B", 40}, {"\x1b[C", 39}, {"\x1b[D", 37},    {"\x1bOA", 38},
        {"\x1bOB", 40}, {"\x1bOC", 39}, {"\x1bOD", 37}, {"\x1b[1;5D", 37},  // with a modifier it is still the arrow
        {" ", 32},
    };
    for (const Case& c : cases) {
        Decoder decoder;
        EXPECT_EQ(decoder.Feed(c.bytes, 1000), (Keys{{c.code, true}})) << c.bytes + 1;
        // Long after: the key is released, and no Escape was left behind.
        EXPECT_EQ(decoder.Feed("", 1000 + KEY_NUDGE_MS), (Keys{{c.code, false}})) << c.bytes + 1;
    }
}

TEST(TerminalInput, LoneEscapeCountsOnlyAfterTheDelay) {
    Decoder decoder;
    EXPECT_EQ(decoder.Feed("\x1b", 1000), Keys{});
    EXPECT_EQ(decoder.Feed("", 1000 + ESCAPE_DELAY_MS - 1), Keys{});
    EXPECT_EQ(decoder.Feed("", 1000 + ESCAPE_DELAY_MS), (Keys{{27, true}}));

    Decoder twice;  // a second ESC proves the first stood alone
    EXPECT_EQ(twice.Feed("\x1b\x1b", 1000), (Keys{{27, true}}));
    EXPECT_EQ(twice.Feed("", 1000 + ESCAPE_DELAY_MS), Keys{});  // already down: repeat, not a new press
}

TEST(TerminalInput, JoinsASequenceSplitAcrossReadsWhateverTheGap) {
    Decoder split;
    EXPECT_EQ(split.Feed("\x1b", 1000), Keys{});
    EXPECT_EQ(split.Feed("[", 1010), Keys{});
    EXPECT_EQ(split.Feed("A", 1020), (Keys{{38, true}}));
    EXPECT_EQ(split.Feed("", 1200), (Keys{{38, false}}));  // the nudge ends; no stray Escape

    Decoder late;  // Escape, then "[A" typed much later, is Escape and two ignored keys
    EXPECT_EQ(late.Feed("\x1b", 1000), Keys{});
    EXPECT_EQ(late.Feed("[A", 1000 + ESCAPE_DELAY_MS), (Keys{{27, true}}));

    Decoder slow;  // once begun, a sequence waits for its end
    EXPECT_EQ(slow.Feed("\x1b[", 1000), Keys{});
    EXPECT_EQ(slow.Feed("", 1500), Keys{});
    EXPECT_EQ(slow.Feed("A", 2000), (Keys{{38, true}}));

    Decoder endless;  // but not past its longest: what follows is read afresh
    EXPECT_EQ(endless.Feed("\x1b[" + std::string(CSI_MAX_BYTES, '1'), 1000), Keys{});
    EXPECT_EQ(endless.Feed("1 ", 1100), (Keys{{32, true}}));
}

// Under kitty's protocol or win32-input-mode Escape has a sequence of its own,
// so a bare ESC is a sequence begun, however late its rest comes.
TEST(TerminalInput, UnderTheKeyProtocolsABareEscapeWaitsForTheRest) {
    struct Case {
        const char* name;
        const char* speaks;  // what shows the terminal speaks the protocol
        const char* rest;    // a sequence's bytes after its ESC
        Keys keys;
    };
    const Case cases[] = {
        {"kitty, flags answer", "\x1b[?11u", "[1;1:1D", {{37, true}}},
        {"kitty, disambiguate only", "\x1b[?1u", "[27u", {{27, true}}},
        {"kitty, a release seen", "\x1b[32;1:3u", "[1;1:1D", {{37, true}}},
        {"win32-input-mode", "\x1b[65;30;97;0;0;1_", "[37;75;0;1;0;1_", {{37, true}}},
    };
    for (const Case& c : cases) {
        Decoder decoder;
        decoder.Feed(c.speaks, 900);
        EXPECT_EQ(decoder.Feed("\x1b", 1000), Keys{}) << c.name;
        EXPECT_EQ(decoder.Feed("", 1000 + 10 * ESCAPE_DELAY_MS), Keys{})
            << c.name << ": a bare ESC was Escape";
        EXPECT_EQ(decoder.Feed(c.rest, 1080 + 10 * ESCAPE_DELAY_MS), c.keys) << c.name;
        // A key without release reports may be let go by now; no key goes down.
        for (const Key& key : decoder.Feed("\x1b\x1b", 2000))
            EXPECT_FALSE(key.down) << c.name << ": two ESCs pressed " << key.code;
    }

    Decoder kitty;  // a release cut inside its sequence still lets go
    kitty.Feed("\x1b[?11u", 900);
    EXPECT_EQ(kitty.Feed("\x1b[1;1:1D", 1000), (Keys{{37, true}}));
    EXPECT_EQ(kitty.Feed("\x1b[1;1:", 1100), Keys{});
    EXPECT_EQ(kitty.Feed("3D", 1180), (Keys{{37, false}}));
}

// A press that names its event comes only from a terminal reporting event
// types: it is held until its release, even before the flags are answered.
TEST(TerminalInput, AKittyPressThatNamesItsEventWaitsForItsRelease) {
    Decoder decoder;
    EXPECT_EQ(decoder.Feed("\x1b[1;1:1D", 1000), (Keys{{37, true}}));
    EXPECT_EQ(decoder.Feed("", 3000), Keys{});
    EXPECT_EQ(decoder.Feed("\x1b[1;1:3D", 3100), (Keys{{37, false}}));
}

TEST(TerminalInput, IgnoresOtherKeysAndSequences) {
    Decoder decoder;
    EXPECT_EQ(decoder.Feed("x\r\t\x1b[2~\x1b[I\x1b[?1;2c\x1bx\x1bOP\x1b[200~", 1000), Keys{});
    EXPECT_EQ(decoder.Feed("", 1000 + ESCAPE_DELAY_MS), Keys{});
    EXPECT_EQ(decoder.Feed("\x1b[C", 1200), (Keys{{39, true}}));
    EXPECT_FALSE(decoder.state.interruptRequested);
}

TEST(TerminalInput, TapIsReleasedAfterTheNudge) {
    Decoder decoder;
    EXPECT_EQ(decoder.Feed("\x1b[A", 1000), (Keys{{38, true}}));
    EXPECT_EQ(decoder.Feed("", 1000 + KEY_NUDGE_MS - 1), Keys{});
    EXPECT_EQ(decoder.Feed("", 1000 + KEY_NUDGE_MS), (Keys{{38, false}}));
    EXPECT_EQ(decoder.Feed("", 5000), Keys{});
}

// A key held for two seconds on a terminal with a 500 ms repeat delay and a
// 33 ms repeat rate, polled every 16 ms: down for the nudge, up until the
// first repeat shows it held, then down without a break until released.
TEST(TerminalInput, HeldKeyIsHeldAgainFromItsFirstRepeatAndReleasedSoonAfter) {
    Decoder decoder;
    Keys seen;
    uint32_t nextByte = 1000;
    for (uint32_t now = 1000; now < 3200; now += 16) {
        std::string bytes;
        for (; nextByte <= now && nextByte <= 3000; nextByte += nextByte == 1000 ? 500 : 33) {
            bytes += "\x1b[D";
        }
        for (const Key& key : decoder.Feed(bytes, now)) seen.push_back(key);
        const Keys expected = now < 1000 + KEY_NUDGE_MS ? Keys{{37, true}}
                              : now < 1500              ? Keys{{37, true}, {37, false}}
                                                        : Keys{{37, true}, {37, false}, {37, true}};
        if (now <= 3000) {
            ASSERT_EQ(seen, expected) << "at " << now;
        }
    }
    EXPECT_EQ(seen, (Keys{{37, true}, {37, false}, {37, true}, {37, false}}));
}

// Whatever the protocol, a press and its release read in one poll hold the
// key for the frame that takes them: the release waits for the next poll.
TEST(TerminalInput, APressAndReleaseInOnePollHoldTheKeyForOneFrame) {
    const char* const taps[] = {
        "\x1b[1;1:1D\x1b[1;1:3D",                  // kitty
        "\x1b[37;75;0;1;0;1_\x1b[37;75;0;0;0;1_",  // win32-input-mode
    };
    for (const char* tap : taps) {
        Decoder decoder;
        decoder.Feed(tap, 1000);  // learns the protocol from a first tap
        EXPECT_EQ(decoder.Feed("", 1016), (Keys{{37, false}}));
        EXPECT_EQ(decoder.Feed(tap, 1032), (Keys{{37, true}})) << tap + 1;
        EXPECT_EQ(decoder.Feed("", 1048), (Keys{{37, false}})) << tap + 1;
    }
    Decoder legacy;  // no release is reported: the nudge holds it for frames
    EXPECT_EQ(legacy.Feed("\x1b[D", 1000), (Keys{{37, true}}));
    EXPECT_EQ(legacy.Feed("", 1016), Keys{});
}

TEST(TerminalInput, TheLetterQQuitsAsEscapeInEveryProtocol) {
    for (const char* q : {"q", "Q", "\x1b[113u", "\x1b[113;1:1u", "\x1b[81;16;113;1;0;1_"}) {
        Decoder decoder;
        EXPECT_EQ(decoder.Feed(q, 1000), (Keys{{27, true}})) << q;
    }
}

TEST(TerminalInput, TakesTheCellSizeReplyApartFromKeys) {
    Decoder decoder;
    EXPECT_EQ(decoder.Feed("\x1b[6;18;9t\x1b[A", 1000), (Keys{{38, true}}));
    EXPECT_TRUE(decoder.state.replies.cellSizeSeen);
    EXPECT_EQ(decoder.state.replies.cellHeightPx, 18u);
    EXPECT_EQ(decoder.state.replies.cellWidthPx, 9u);
    Decoder zero;  // a terminal that does not know says 0
    zero.Feed("\x1b[6;0;0t", 1000);
    EXPECT_FALSE(zero.state.replies.cellSizeSeen);
}

TEST(TerminalInput, ReleaseAndNewPressInOnePollLeaveTheKeyDown) {
    Decoder decoder;
    decoder.Feed(" ", 1000);
    EXPECT_EQ(decoder.Feed(" ", 2000), (Keys{{32, false}, {32, true}}));
}

TEST(TerminalInput, HoldTimesSurviveTheClockWrapping) {
    Decoder decoder;
    uint32_t start = 0xFFFFFF00u;
    decoder.Feed("\x1b[B", start);
    EXPECT_EQ(decoder.Feed("", start + KEY_NUDGE_MS - 1), Keys{});
    EXPECT_EQ(decoder.Feed("", start + KEY_NUDGE_MS), (Keys{{40, false}}));
}

TEST(TerminalInput, CtrlCRequestsQuitEvenInsideASequence) {
    Decoder decoder;
    decoder.Feed("\x1b[", 1000);
    decoder.Feed("\x03", 1001);
    EXPECT_TRUE(decoder.state.interruptRequested);
    EXPECT_EQ(decoder.Feed("A", 1002), (Keys{{38, true}}));
}

TEST(TerminalInput, QueueKeepsOrderAcrossPartialTakesAndReportsRoom) {
    TerminalInputState state;
    ResetTerminalInput(state);
    uint32_t now = 1000;
    for (int i = 0; i < 60; ++i, now += 1000) {
        FeedTerminalInput(state, reinterpret_cast<const uint8_t*>(" "), 1, now);  // down, then up next time
    }
    ASSERT_EQ(state.queued, 119u);
    EXPECT_EQ(TerminalInputRoom(state), TERMINAL_INPUT_QUEUE - 119 - 2 * TERMINAL_KEY_COUNT - 1);

    InputRecord records[100];
    ASSERT_EQ(TakeTerminalInput(state, records, 100), 100u);
    ASSERT_EQ(TakeTerminalInput(state, records, 100), 19u);
    for (uint32_t i = 0; i < 19; ++i) {
        EXPECT_EQ(records[i].keyDown, (100 + i) % 2 == 0 ? 1 : 0) << i;  // down, up, down, ...
    }
    EXPECT_EQ(state.queued, 0u);
}

}  // namespace
}  // namespace fg
