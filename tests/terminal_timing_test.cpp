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

        // Then a hold is the nudge, a pause until the first repeat, and a
        // press that lasts until soon after the key is let go.
        const auto second = Play(decoder, {{"\x1b[A", 5000, 7000}}, c.delay, c.interval, 5000, 8000);
        ASSERT_EQ(KeysOf(second), (Keys{{38, true}, {38, false}, {38, true}, {38, false}}))
            << c.delay << "/" << c.interval;
        EXPECT_NEAR(second[1].atMs - 5000.0, KEY_NUDGE_MS, POLL_MS);
        EXPECT_NEAR(second[2].atMs - 5000.0, c.delay, POLL_MS);
        const uint32_t lastByte = 7000 - (7000 - 5000 - c.delay) % c.interval;
        const uint32_t releaseBy = lastByte + std::max(c.interval * 5 / 2, REPEAT_HOLD_MIN_MS) + 2 * POLL_MS;
        EXPECT_LE(second[3].atMs, releaseBy) << c.delay << "/" << c.interval;

        // A tap is let go after the nudge.
        const auto tap = Play(decoder, {{"\x1b[A", 9000, 9050}}, c.delay, c.interval, 9000, 11000);
        ASSERT_EQ(KeysOf(tap), (Keys{{38, true}, {38, false}}));
        EXPECT_NEAR(tap[1].atMs - 9000.0, KEY_NUDGE_MS, POLL_MS);
    }
}

// Ten taps of Left, half a second apart, as a player lines up a door: each
// is down for the nudge alone, about 75 ms, whether the terminal's delay is
// known or not (before, a tap as late as a first repeat might be is taken for
// one, but held no longer than a nudge).
TEST(TerminalTiming, EveryTapIsANudge) {
    for (bool learned : {false, true}) {
        Decoder decoder;
        if (learned) Play(decoder, {{"\x1b[B", 0, 1500}}, 660, 40, 0, 2000);
        std::vector<Hold> taps;
        for (uint32_t t = 0; t < 10; ++t) taps.push_back({"\x1b[D", 3000 + t * 500, 3000 + t * 500 + 40});
        const auto seen = Play(decoder, taps, 660, 40, 3000, 9000);
        ASSERT_EQ(seen.size(), 20u) << learned;
        for (size_t i = 0; i < seen.size(); i += 2) {
            EXPECT_EQ(seen[i].key, (Key{37, true}));
            const uint32_t downMs = seen[i + 1].atMs - seen[i].atMs;
            EXPECT_NEAR(downMs, KEY_NUDGE_MS, POLL_MS) << "tap " << i / 2 << (learned ? " learned" : "");
        }
    }
}

TEST(TerminalTiming, TapsInARowTeachNothing) {
    Decoder decoder;
    // Taps 300 ms apart look like a press and a first repeat, but no repeats follow.
    Play(decoder, {{"\x1b[C", 1000, 1050}, {"\x1b[C", 1300, 1350}, {"\x1b[C", 1600, 1650}}, 5000, 40, 1000,
         3000);
    EXPECT_EQ(decoder.state.learnedDelayMs, 0u);
    EXPECT_EQ(decoder.state.learnedIntervalMs, 0u);
    EXPECT_EQ(decoder.state.learnedJitterMs, 0u);
}

// Autorepeat follows the newest key: an older arrow held when another key
// goes down stays down while that key is (or may yet prove) held. A key let
// go by its nudge before the newer one went down cannot be told from a tap.
TEST(TerminalTiming, AnOlderHeldArrowStaysDownUntilTheNewerKeyIsLetGo) {
    struct Case {
        const char* name;
        std::vector<Hold> holds;
        Keys expected;
        uint32_t lastUpAfter;  // the older key is not let go before this
    };
    const Case cases[] = {
        {"walk, then turn while walking",
         {{"\x1b[A", 1000, 4000}, {"\x1b[D", 2000, 3500}},
         {{38, true}, {38, false}, {38, true}, {37, true}, {37, false}, {37, true}, {37, false}, {38, false}},
         3500},
        {"turn, then walk a moment later, both held: the turn was a tap, as far as anyone can tell",
         {{"\x1b[D", 1000, 4000}, {"\x1b[A", 1100, 4000}},
         {{37, true}, {37, false}, {38, true}, {38, false}, {38, true}, {38, false}},
         4000},
        {"the space bar while walking",
         {{"\x1b[A", 1000, 4000}, {" ", 2000, 2050}},
         {{38, true}, {38, false}, {38, true}, {32, true}, {32, false}, {38, false}},
         2050},
    };
    for (const Case& c : cases) {
        for (bool learned : {false, true}) {
            Decoder decoder;
            if (learned) Play(decoder, {{"\x1b[B", 0, 800}}, 500, 33, 0, 1000);
            const auto seen = Play(decoder, c.holds, 500, 33, 1000, 6000);
            EXPECT_EQ(KeysOf(seen), c.expected) << c.name;
            if (!seen.empty()) {
                EXPECT_GE(seen.back().atMs, c.lastUpAfter) << c.name;
            }
        }
    }
}

// Repeats that cross a link in batches (all that the last 200 ms held, at
// once) must not let a held key go in every gap: a 3 s hold turns for at
// least 90% of the frames that even delivery gives, and the key is let go
// within the bound after the last batch.
TEST(TerminalTiming, RepeatsInBurstsStillHoldTheKey) {
    constexpr uint32_t DELAY = 660, INTERVAL = 40, BATCH = 200;
    auto framesDown = [&](bool bursty, uint32_t& upAt) {
        Decoder decoder;
        Play(decoder, {{"\x1b[B", 0, 1500}}, DELAY, INTERVAL, 0, 2000);  // learns the terminal first
        std::vector<uint32_t> sent;                                      // Left held from 3000 to 6000
        sent.push_back(3000);
        for (uint32_t t = 3000 + DELAY; t < 6000; t += INTERVAL) sent.push_back(t);
        int down = 0;
        bool held = false;
        upAt = 0;
        for (uint32_t now = 3000; now <= 8000; now += POLL_MS) {
            std::string fed;
            for (uint32_t at : sent) {
                const uint32_t arrives = bursty ? (at + BATCH - 1) / BATCH * BATCH : at;
                if (arrives <= now && arrives + POLL_MS > now) fed += "\x1b[D";
            }
            for (const Key& key : decoder.Feed(fed, now)) {
                held = key.down;
                if (!key.down) upAt = now;
            }
            down += held ? 1 : 0;
        }
        return down;
    };
    uint32_t evenUp = 0, burstyUp = 0;
    const int even = framesDown(false, evenUp);
    const int bursty = framesDown(true, burstyUp);
    RecordProperty("frames_down_even", even);
    RecordProperty("frames_down_bursty", bursty);
    EXPECT_GE(bursty * 10, even * 9) << bursty << " of " << even;
    EXPECT_LE(burstyUp, 6000 + JITTER_HOLD_MAX_MS + 2 * POLL_MS);
    EXPECT_LE(evenUp, 6000 + INTERVAL * 5 / 2 + 2 * POLL_MS);  // an even link learns no jitter to speak of
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
