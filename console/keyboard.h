// Key-down flags, filled from console key events once per frame.
#pragma once

#include <cstdint>

namespace fg {

constexpr int KEY_SLOTS = 255;
constexpr uint32_t MAX_INPUT_RECORDS = 128;

constexpr int VK_ESCAPE = 27;
constexpr int VK_SPACE = 32;
constexpr int VK_LEFT = 37;
constexpr int VK_UP = 38;
constexpr int VK_RIGHT = 39;
constexpr int VK_DOWN = 40;

// Entry code % KEY_SLOTS is non-zero while the last event for that code was a
// key-down. Changed only by PollInput; never cleared.
extern uint8_t KeyState[KEY_SLOTS];

// Applies the pending key events, in order, at most MAX_INPUT_RECORDS per call;
// the rest stay queued for the next poll. Never waits.
void PollInput();

void ResetKeyboard();  // for tests: every key up

}  // namespace fg
