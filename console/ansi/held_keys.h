// The decoder's held keys: presses, real and synthesised releases, and the
// terminal's learned autorepeat timing. Used by terminal_input.cpp only.
#pragma once

#include <cstdint>

#include "console/ansi/terminal_input.h"

namespace fg {

void ResetHeldKeys(TerminalInputState& state);
// A key's bytes arrived: a press, or a repeat of a key already down.
void KeyBytes(TerminalInputState& state, uint16_t virtualKeyCode, uint32_t nowMs);
// The terminal reported a release itself.
void KeyReleased(TerminalInputState& state, uint16_t virtualKeyCode);
// Every held key goes up at once.
void ReleaseAllKeys(TerminalInputState& state);
// From now on the terminal reports releases; what is held by time goes up.
void UseRealReleases(TerminalInputState& state, KeyProtocol protocol);
// Synthesised releases that are due by nowMs (legacy only).
void PassKeyTime(TerminalInputState& state, uint32_t nowMs);
// Queues a key record; drops it if the queue is full.
void PushKeyRecord(TerminalInputState& state, uint16_t virtualKeyCode, bool down);

}  // namespace fg
