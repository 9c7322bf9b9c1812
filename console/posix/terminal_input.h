// Turns the bytes a raw-mode terminal sends into key records like the
// console's. No I/O and no clock of its own: the back end passes in the bytes
// it read and the millisecond time it read them, and takes the records out.
//
// Keys: the arrows, as "ESC [ A..D" (with or without modifier parameters) or
// "ESC O A..D"; the space bar; Escape, which is the same byte that starts
// every sequence, so a lone ESC counts only once no further byte has come
// within ESCAPE_DELAY_MS. Ctrl-C (byte 3) sets interruptRequested. Every other
// byte and sequence is consumed and ignored.
//
// A terminal reports presses only, never releases: a held key sends its byte
// again at the autorepeat rate. So a key goes down on its first byte and is
// released by a timeout since its last byte. Until repeats flow, the timeout
// must outlast the terminal's repeat delay, or a held key would stop for a
// moment before its repeats start. 550 ms covers the common 250-500 ms
// delays with a frame to spare (plain X's 660 ms costs one short pause per
// hold), at the price that a single tap walks or turns for about half a second. Once repeats flow (every 25-50 ms) a much
// shorter timeout lets the player stop promptly on release; 120 ms still
// spans two of the slowest repeats plus a late frame or a slow link.
#pragma once

#include <cstdint>

#include "console/platform.h"

namespace fg {

constexpr uint32_t ESCAPE_DELAY_MS = 100;
constexpr uint32_t KEY_FIRST_HOLD_MS = 550;
constexpr uint32_t KEY_REPEAT_HOLD_MS = 120;

constexpr int TERMINAL_KEY_COUNT = 6;  // Escape, space and the four arrows
constexpr uint32_t TERMINAL_INPUT_QUEUE = 256;

enum class EscapeParse : uint8_t { Ground, Escape, Csi, Ss3 };

struct HeldKey {
    uint16_t virtualKeyCode;
    bool down;
    bool repeating;       // a byte came again while the key was down
    uint32_t lastByteMs;  // when the key's last byte was fed
};

// Everything the decoder remembers between feeds. Set up by ResetTerminalInput.
struct TerminalInputState {
    EscapeParse parse;
    uint32_t parseStartMs;  // when the ESC of the open sequence was fed
    HeldKey keys[TERMINAL_KEY_COUNT];
    bool interruptRequested;  // Ctrl-C was typed; stays set
    uint32_t queued;          // records waiting in queue, oldest first
    InputRecord queue[TERMINAL_INPUT_QUEUE];
};

void ResetTerminalInput(TerminalInputState& state);

// How many bytes the next FeedTerminalInput may take without the queue
// overflowing; the back end leaves the rest in the terminal until records
// have been taken out.
uint32_t TerminalInputRoom(const TerminalInputState& state);

// First lets time pass to nowMs (lone ESC recognised, hold timeouts released),
// then decodes count bytes (0 is fine: time alone) that arrived at nowMs.
// count must not exceed TerminalInputRoom; records that would not fit are dropped.
// Times are wrapping 32-bit milliseconds.
void FeedTerminalInput(TerminalInputState& state, const uint8_t* bytes, uint32_t count,
                       uint32_t nowMs);

// Moves up to capacity queued records, oldest first, into records; returns how many.
uint32_t TakeTerminalInput(TerminalInputState& state, InputRecord* records, uint32_t capacity);

}  // namespace fg
