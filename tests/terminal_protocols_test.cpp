// The key protocols that report real releases (kitty's and win32-input-mode),
// the answers to the start-up queries, focus, and the control keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/ansi/terminal_input.h"
#include "tests/terminal_decoder.h"

namespace fg {
namespace {

constexpr uint32_t T0 = 1000;
const std::string KITTY_ON = "\x1b[?11u";  // kitty's answer once flags 11 are pushed

struct Step {
    const char* bytes;
    uint32_t at;  // ms after T0
    Keys expected;
};

struct Script {
    const char* name;
    std::string start;  // fed first, at T0 - 1; its records are not checked
    std::vector<Step> steps;
};

void RunScripts(const std::vector<Script>& scripts) {
    for (const Script& script : scripts) {
        Decoder decoder;
        decoder.Feed(script.start, T0 - 1);
        for (const Step& step : script.steps) {
            EXPECT_EQ(decoder.Feed(step.bytes, T0 + step.at), step.expected)
                << script.name << ", step at " << step.at;
        }
    }
}

TEST(TerminalProtocols, KittyPressRepeatAndReleaseInShortAndExplicitForms) {
    RunScripts({
        {"escape short then explicit release",
         KITTY_ON,
         {{"\x1b[27u", 0, {{27, true}}}, {"\x1b[27;1:2u", 30, {}}, {"\x1b[27;1:3u", 60, {{27, false}}}}},
        {"arrow short form, repeat and release",
         KITTY_ON,
         {{"\x1b[D", 0, {{37, true}}}, {"\x1b[1;1:2D", 500, {}}, {"\x1b[1;1:3D", 900, {{37, false}}}}},
        {"explicit press with modifiers",
         KITTY_ON,
         {{"\x1b[1;2:1A", 0, {{38, true}}}, {"\x1b[1;2:3A", 40, {{38, false}}}}},
        {"caps and num lock do not change the key",
         KITTY_ON,
         {{"\x1b[32;65u", 0, {{32, true}}}, {"\x1b[32;193:3u", 40, {{32, false}}}}},
        {"keypad arrows",
         KITTY_ON,
         {{"\x1b[57419u\x1b[57420u", 0, {{38, true}, {40, true}}},
          {"\x1b[57417;1:3u\x1b[57419;1:3u", 9, {{38, false}}}}},
        {"keys we do not use, modifiers as keys, function keys",
         KITTY_ON,
         {{"\x1b[97u\x1b[57441u\x1b[57441;2:3u\x1b[2~\x1b[13u\x1b[1;1:3P", 0, {}}}},
        {"no release is synthesised while a key is held",
         KITTY_ON,
         {{"\x1b[C", 0, {{39, true}}}, {"", 5000, {}}, {"\x1b[1;1:3C", 5001, {{39, false}}}}},
        {"a tap within one poll is still seen by one frame",
         KITTY_ON,
         {{"\x1b[32u\x1b[32;1:3u", 0, {{32, true}}}, {"", 1, {{32, false}}}}},
        {"pressed again before the release was passed on: still down",
         KITTY_ON,
         {{"\x1b[32u\x1b[32;1:3u\x1b[32u", 0, {{32, true}}},
          {"", 1, {}},
          {"\x1b[32;1:3u", 2, {{32, false}}}}},
        {"a release for a key never pressed is dropped", KITTY_ON, {{"\x1b[1;1:3B\x1b[32;1:3u", 0, {}}}},
        {"a release proves releases even before the answer",
         "",
         {{"\x1b[A", 0, {{38, true}}},
          {"\x1b[1;1:3A", 100, {{38, false}}},
          {"\x1b[B", 200, {{40, true}}},
          {"", 2000, {}}}},
    });
}

TEST(TerminalProtocols, Win32InputModeRecordsByVirtualKey) {
    RunScripts({
        {"arrow down then up",
         "",
         {{"\x1b[38;72;0;1;0;1_", 0, {{38, true}}},
          {"\x1b[38;72;0;1;0;1_", 30, {}},
          {"\x1b[38;72;0;0;0;1_", 60, {{38, false}}},
          {"", 5000, {}}}},
        {"empty fields", "", {{"\x1b[32;;32;1;;_", 0, {{32, true}}}, {"\x1b[32;;;;;_", 10, {{32, false}}}}},
        {"escape and the other arrows",
         "",
         {{"\x1b[27;1;27;1;0;1_\x1b[37;75;0;1;0;1_\x1b[39;77;0;1;0;1_\x1b[40;80;0;1;0;1_",
           0,
           {{27, true}, {37, true}, {39, true}, {40, true}}}}},
        {"other keys are ignored",
         "",
         {{"\x1b[65;30;97;1;0;1_\x1b[16;42;0;1;16;1_\x1b[65;30;97;0;0;1_", 0, {}}}},
    });
}

TEST(TerminalProtocols, ControlKeysInEveryForm) {
    struct Case {
        const char* bytes;
        bool interrupt;
        bool suspend;
    };
    const Case cases[] = {
        {"\x03", true, false},
        {"\x1a", false, true},
        {"\x1b[99;5u", true, false},
        {"\x1b[99;69u", true, false},   // caps lock on
        {"\x1b[99;133u", true, false},  // num lock on
        {"\x1b[122;5u", false, true},
        {"\x1b[99;5:3u", false, false},         // the release of Ctrl-C is not another Ctrl-C
        {"\x1b[99u\x1b[122;3u", false, false},  // plain c, Alt-z
        {"\x1b[67;46;3;1;8;1_", true, false},
        {"\x1b[67;46;0;1;4;1_", true, false},  // right Ctrl, no character
        {"\x1b[90;44;26;1;8;1_", false, true},
        {"\x1b[67;46;3;0;8;1_", false, false},  // key-up
    };
    for (const Case& c : cases) {
        Decoder decoder;
        EXPECT_EQ(decoder.Feed(c.bytes, T0), Keys{}) << c.bytes + 1;
        EXPECT_EQ(decoder.state.interruptRequested, c.interrupt) << c.bytes + 1;
        EXPECT_EQ(decoder.state.suspendRequested, c.suspend) << c.bytes + 1;
    }
}

TEST(TerminalProtocols, AnswersToTheStartUpQueriesEvenOneByteAtATime) {
    struct Case {
        std::string bytes;
        KeyProtocol protocol;
        bool kitty, win32, attributes;
        uint32_t kittyFlags, win32Mode;
    };
    const Case cases[] = {
        {"\x1b[?11u\x1b[?62;22c", KeyProtocol::Kitty, true, false, true, 11, 0},
        {"\x1b[?0u\x1b[?1;2c", KeyProtocol::Legacy, true, false, true, 0, 0},  // no flags took
        {"\x1b[?9001;2$y\x1b[?61;6;7;22;23;24;28;32;42c", KeyProtocol::Legacy, false, true, true, 0, 2},
        {"\x1b[?9001;0$y\x1b[?65;1c", KeyProtocol::Legacy, false, true, true, 0, 0},
        {"\x1b[?64;1;2;6;9;15;16;17;18;21;22;28c", KeyProtocol::Legacy, false, false, true, 0, 0},
        {"\x1b[?1;2$y\x1b[?u\x1b[>1;10;0c", KeyProtocol::Legacy, true, false, false, 0, 0},  // not ours
    };
    for (const Case& c : cases) {
        for (bool split : {false, true}) {
            Decoder decoder;
            if (split) {
                for (char byte : c.bytes) EXPECT_EQ(decoder.Feed(std::string(1, byte), T0), Keys{});
            } else {
                EXPECT_EQ(decoder.Feed(c.bytes, T0), Keys{});
            }
            const TerminalReplies& replies = decoder.state.replies;
            const std::string name = c.bytes.substr(1) + (split ? " split" : "");
            EXPECT_EQ(decoder.state.protocol, c.protocol) << name;
            EXPECT_EQ(replies.kittyFlagsSeen, c.kitty) << name;
            EXPECT_EQ(replies.win32ModeSeen, c.win32) << name;
            EXPECT_EQ(replies.attributesSeen, c.attributes) << name;
            EXPECT_EQ(replies.kittyFlags, c.kittyFlags) << name;
            EXPECT_EQ(replies.win32Mode, c.win32Mode) << name;
            EXPECT_EQ(decoder.Feed("", T0 + 1000), Keys{}) << name;  // no Escape left behind
        }
    }
}

TEST(TerminalProtocols, SwitchingToRealReleasesLetsGoOfKeysHeldByTime) {
    Decoder decoder;
    EXPECT_EQ(decoder.Feed("\x1b[A ", T0), (Keys{{38, true}, {32, true}}));
    EXPECT_EQ(decoder.Feed(KITTY_ON, T0 + 5), (Keys{{32, false}, {38, false}}));
    EXPECT_EQ(decoder.Feed("\x1b[?11u", T0 + 6), Keys{});  // said again: nothing changes
}

TEST(TerminalProtocols, FocusLossReleasesEveryKeyAndFocusAsksForARepaint) {
    for (const std::string& start : {std::string(), KITTY_ON}) {
        Decoder decoder;
        decoder.Feed(start, T0);
        EXPECT_EQ(decoder.Feed("\x1b[D\x1b[A", T0 + 1), (Keys{{37, true}, {38, true}}));
        EXPECT_EQ(decoder.Feed("\x1b[O", T0 + 2), (Keys{{37, false}, {38, false}}));
        EXPECT_FALSE(decoder.state.repaintRequested);
        EXPECT_EQ(decoder.Feed("\x1b[I", T0 + 3), Keys{});
        EXPECT_TRUE(decoder.state.repaintRequested);
    }
}

TEST(TerminalProtocols, ExternalReleaseOfAllKeys) {
    Decoder decoder;
    decoder.Feed("\x1b[C \x1b\x1b", T0);
    ReleaseAllTerminalKeys(decoder.state);
    EXPECT_EQ(decoder.Feed("", T0 + 1), (Keys{{27, false}, {32, false}, {39, false}}));
    EXPECT_EQ(decoder.Feed("", T0 + 60), (Keys{{27, true}}));  // the second ESC, alone since
}

}  // namespace
}  // namespace fg
