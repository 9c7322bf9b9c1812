// Synthesised releases on terminals that report presses only: the learned
// repeat delay and interval, two keys held at once, and a long random run.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "console/ansi/terminal_input.h"
#include "tests/terminal_decoder.h"

namespace fg {
namespace {

constexpr uint32_t POLL_MS = 16;  // a frame at 60 per second

struct Hold {
    const char* bytes;  // what one press or repeat sends
    uint32_t downMs, upMs;
};

// A terminal's autorepeat: the newest key held repeats, older held keys stop.
// Feeds every poll from startMs to endMs and returns each record with its time.
struct Timed {
    Key key;
    uint32_t atMs;
};

std::vector<Timed> Play(Decoder& decoder, const std::vector<Hold>& holds, uint32_t delayMs,
                        uint32_t intervalMs, uint32_t startMs, uint32_t endMs) {
    std::vector<std::pair<uint32_t, std::string>> bytes;  // when each key byte is sent
    for (size_t i = 0; i < holds.size(); ++i) {
        const Hold& hold = holds[i];
        uint32_t stop = hold.upMs;
        for (size_t j = i + 1; j < holds.size(); ++j) {
            if (holds[j].downMs > hold.downMs && holds[j].downMs < stop) stop = holds[j].downMs;
        }
        bytes.push_back({hold.downMs, hold.bytes});
        for (uint32_t t = hold.downMs + delayMs; t < stop; t += intervalMs) bytes.push_back({t, hold.bytes});
    }
    std::vector<Timed> seen;
    for (uint32_t now = startMs; now <= endMs; now += POLL_MS) {
        std::string fed;
        for (const auto& [at, sent] : bytes) {
            if (at <= now && at + POLL_MS > now) fed += sent;
        }
        for (const Key& key : decoder.Feed(fed, now)) seen.push_back({key, now});
    }
    return seen;
}

Keys KeysOf(const std::vector<Timed>& timed) {
    Keys keys;
    for (const Timed& t : timed) keys.push_back(t.key);
    return keys;
}

TEST(TerminalTiming, LearnsTheDelayAndIntervalFromOneHold) {
    struct Case {
        uint32_t delay, interval;
    };
    for (const Case c : {Case{660, 40}, Case{500, 33}, Case{250, 30}, Case{300, 16}, Case{1000, 100}}) {
        Decoder decoder;
        Play(decoder, {{"\x1b[A", 1000, 3000}}, c.delay, c.interval, 1000, 4000);
        EXPECT_NEAR(decoder.state.learnedDelayMs, c.delay, POLL_MS) << c.delay << "/" << c.interval;
        EXPECT_NEAR(decoder.state.learnedIntervalMs, c.interval, POLL_MS / 2) << c.delay << "/" << c.interval;

        // Then a hold is one press and one release, let go soon after the key is.
        const auto second = Play(decoder, {{"\x1b[A", 5000, 7000}}, c.delay, c.interval, 5000, 8000);
        ASSERT_EQ(KeysOf(second), (Keys{{38, true}, {38, false}})) << c.delay << "/" << c.interval;
        const uint32_t lastByte = 7000 - (7000 - 5000 - c.delay) % c.interval;
        const uint32_t releaseBy = lastByte + std::max(c.interval * 5 / 2, REPEAT_HOLD_MIN_MS) + 2 * POLL_MS;
        EXPECT_LE(second[1].atMs, releaseBy) << c.delay << "/" << c.interval;

        // A tap is let go once the learned delay and its margin have passed.
        const auto tap = Play(decoder, {{"\x1b[A", 9000, 9050}}, c.delay, c.interval, 9000, 11000);
        ASSERT_EQ(KeysOf(tap), (Keys{{38, true}, {38, false}}));
        EXPECT_NEAR(tap[1].atMs - 9000.0, decoder.state.learnedDelayMs + DELAY_MARGIN_MS, POLL_MS);
    }
}

TEST(TerminalTiming, BeforeAnythingIsLearnedATapLastsTheFirstHold) {
    Decoder decoder;
    const auto tap = Play(decoder, {{" ", 1000, 1050}}, 500, 33, 1000, 3000);
    ASSERT_EQ(KeysOf(tap), (Keys{{32, true}, {32, false}}));
    EXPECT_NEAR(tap[1].atMs - 1000.0, KEY_FIRST_HOLD_MS, POLL_MS);
}

TEST(TerminalTiming, TapsInARowTeachNothing) {
    Decoder decoder;
    // Taps 300 ms apart look like a press and a first repeat, but no repeats follow.
    Play(decoder, {{"\x1b[C", 1000, 1050}, {"\x1b[C", 1300, 1350}, {"\x1b[C", 1600, 1650}}, 5000, 40, 1000,
         3000);
    EXPECT_EQ(decoder.state.learnedDelayMs, 0u);
    EXPECT_EQ(decoder.state.learnedIntervalMs, 0u);
}

TEST(TerminalTiming, AnOlderHeldArrowStaysDownUntilTheNewerKeyIsLetGo) {
    struct Case {
        const char* name;
        std::vector<Hold> holds;
        Keys expected;
        uint32_t olderUpAfter;  // the older key is not let go before this
    };
    const Case cases[] = {
        {"walk, then turn while walking",
         {{"\x1b[A", 1000, 4000}, {"\x1b[D", 2000, 3500}},
         {{38, true}, {37, true}, {37, false}, {38, false}},
         3500},
        {"turn, then walk a moment later, both held",
         {{"\x1b[D", 1000, 4000}, {"\x1b[A", 1100, 4000}},
         {{37, true}, {38, true}, {38, false}, {37, false}},
         4000},
        {"the space bar while walking",
         {{"\x1b[A", 1000, 4000}, {" ", 2000, 2050}},
         {{38, true}, {32, true}, {32, false}, {38, false}},
         2050},
    };
    for (const Case& c : cases) {
        for (bool learned : {false, true}) {
            Decoder decoder;
            if (learned) Play(decoder, {{"\x1b[B", 0, 800}}, 500, 33, 0, 1000);
            const auto seen = Play(decoder, c.holds, 500, 33, 1000, 6000);
            EXPECT_EQ(KeysOf(seen), c.expected) << c.name;
            if (seen.size() == 4) {
                EXPECT_GE(seen[3].atMs, c.olderUpAfter) << c.name;
            }
        }
    }
}

// Random bytes of every kind, in random chunks at random times: every record
// names one of the six keys, and each key's records alternate down and up.
TEST(TerminalTiming, RandomInputInRandomChunksKeepsRecordsSound) {
    const std::vector<std::string> pieces = {
        "\x1b[A",
        "\x1b[B",
        "\x1b[C",
        "\x1b[D",
        "\x1bOA",
        "\x1bOD",
        " ",
        "\x1b",
        "\x1b[1;5C",
        "\x1b[27u",
        "\x1b[27;1:3u",
        "\x1b[1;1:2A",
        "\x1b[1;1:3B",
        "\x1b[32;65:3u",
        "\x1b[57419u",
        "\x1b[38;72;0;1;0;1_",
        "\x1b[38;72;0;0;0;1_",
        "\x1b[32;;32;1;;_",
        "\x1b[I",
        "\x1b[O",
        "\x1b[?11u",
        "\x1b[?0u",
        "\x1b[?9001;2$y",
        "\x1b[?62;22c",
        "\x1b[2~",
        "x",
        "\r",
        "\x1b[",
        "\x1b[1;2;3;4;5;6;7;8u",
        "\x1b[1:2:3:4:5A",
        "\x1b[99999999999u",
        "\x7f",
    };
    std::mt19937 random(20261209);
    Decoder decoder;
    int state[256] = {};         // 0 never seen, 1 down, 2 up
    uint32_t now = 0xFFFF0000u;  // the clock wraps on the way
    uint64_t records = 0;
    for (int round = 0; round < 40000; ++round) {
        std::string chunk;
        const int count = static_cast<int>(random() % 6);
        for (int i = 0; i < count; ++i) {
            if (random() % 8 == 0)
                chunk += static_cast<char>(random() % 256);
            else
                chunk += pieces[random() % pieces.size()];
        }
        // Split the chunk anywhere, as reads would.
        size_t at = 0;
        while (at <= chunk.size()) {
            const size_t take = std::min<size_t>(chunk.size() - at, 1 + random() % 12);
            uint32_t room = TerminalInputRoom(decoder.state);
            ASSERT_GE(room, take) << "room";
            for (const Key& key : decoder.Feed(chunk.substr(at, take), now)) {
                ASSERT_TRUE(key.code == 27 || key.code == 32 || (key.code >= 37 && key.code <= 40)) << key;
                if (key.down) {
                    ASSERT_NE(state[key.code], 1) << key;  // never down twice
                } else {
                    ASSERT_EQ(state[key.code], 1) << key;  // up only after down
                }
                state[key.code] = key.down ? 1 : 2;
                ++records;
            }
            at += take == 0 ? 1 : take;
            now += static_cast<uint32_t>(random() % 40);
        }
        if (random() % 50 == 0) now += 2000;
    }
    EXPECT_GT(records, 1000u);
}

}  // namespace
}  // namespace fg
