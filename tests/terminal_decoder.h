// Feeds bytes to the terminal key decoder and collects what it queues.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "console/ansi/terminal_input.h"

namespace fg {

struct Key {
    uint16_t code;
    bool down;
    bool operator==(const Key&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Key& key) {
    return out << key.code << (key.down ? " down" : " up");
}

using Keys = std::vector<Key>;

struct Decoder {
    TerminalInputState state;
    Decoder() { ResetTerminalInput(state); }

    // Feeds the bytes at time now and returns every record the feed queued.
    Keys Feed(const std::string& bytes, uint32_t now) {
        FeedTerminalInput(state, reinterpret_cast<const uint8_t*>(bytes.data()),
                          static_cast<uint32_t>(bytes.size()), now);
        Keys keys;
        InputRecord records[TERMINAL_INPUT_QUEUE];
        uint32_t count = TakeTerminalInput(state, records, TERMINAL_INPUT_QUEUE);
        for (uint32_t i = 0; i < count; ++i) {
            EXPECT_EQ(records[i].eventType, INPUT_KEY_EVENT);
            keys.push_back({records[i].virtualKeyCode, records[i].keyDown != 0});
        }
        return keys;
    }
};

}  // namespace fg
