// Turns the bytes a raw-mode terminal sends into key records like the
// console's. No I/O and no clock of its own: the back end passes in the bytes
// it read and the millisecond time it read them, and takes the records out.
//
// Three ways a terminal reports keys, all decoded at any time:
// - Legacy: the arrows as "ESC [ A..D" (modifiers allowed) or "ESC O A..D",
//   the space bar as itself, Escape as a lone ESC (no further byte within
//   ESCAPE_DELAY_MS), Ctrl-C as byte 3 and Ctrl-Z as byte 26. Presses only.
//   Once the terminal speaks one of the two protocols below, a bare ESC is
//   never Escape, only the start of a sequence.
// In every protocol the letter q quits as Escape does (it is reported as Escape).
// - The kitty keyboard protocol: "CSI code ; mods : event u" and
//   "CSI 1 ; mods : event A..D", event 1 press, 2 repeat, 3 release.
// - win32-input-mode: "CSI Vk ; Sc ; Uc ; Kd ; Cs ; Rc _", Kd 1 down, 0 up.
// A sequence split across reads is joined whatever the gap between its
// parts; one longer than CSI_MAX_BYTES is nobody's and is dropped.
// The last two carry real releases; once the terminal shows it speaks one
// (its answer to the protocol query, or a first win32 record) no release is
// ever synthesised again. A release that comes before any poll has taken the
// key's press waits for the next feed, so even the shortest tap is seen by
// one frame.
//
// The answer to a status request (CSI 5 n) is counted, never taken for a key,
// in every protocol: as "CSI 0 n" (or "CSI 3 n"), and in win32-input-mode
// also as the character-only records (virtual key 0) a console host may turn
// it into.
//
// Synthesised releases (legacy): a held key sends its bytes again at the
// autorepeat rate after the repeat delay, so a key goes down on its first
// byte and is let go by time. A key that has not repeated is let go after a
// nudge of KEY_NUDGE_MS, so a tap moves a little, not for a whole repeat
// delay. When its first repeat then comes (about the terminal's repeat delay
// after the press) the key is held again, and a repeating key is let go
// REPEAT_HOLD_INTERVALS_X2 / 2 intervals after its last byte (KEY_REPEAT_HOLD_MS
// until an interval is known). So a hold moves for the nudge, pauses for the
// rest of the repeat delay, and runs on. The decoder learns the terminal's
// delay (first byte to first repeat) and interval (between repeats) from the
// holds it sees.
//
// A link that delivers repeats in bursts (ssh, a busy network) shows gaps
// longer than the interval: the decoder learns that jitter from the repeat
// spacing and holds a repeating key over it, up to JITTER_HOLD_MAX_MS. A key
// let go during such a gap is held again when its repeats resume.
//
// Autorepeat follows the newest key, so an arrow held when another arrow goes
// down stops repeating though it is still held: it stays down until that
// newer key is let go.
#pragma once

#include <cstdint>

#include "console/platform.h"

namespace fg {

constexpr uint32_t ESCAPE_DELAY_MS = 50;
constexpr uint32_t KEY_NUDGE_MS = 75;           // a tap: a few degrees of turn, a third of a cell of walk
constexpr uint32_t KEY_FIRST_HOLD_MS = 550;     // before a delay is learned, a nudged key's first repeat
                                                // may come this late (the common delays are 250-500 ms)
constexpr uint32_t KEY_REPEAT_HOLD_MS = 120;    // two slow repeats plus a late frame
constexpr uint32_t DELAY_MARGIN_MS = 80;        // poll steps and scheduling around the delay
constexpr uint32_t FIRST_REPEAT_MIN_MS = 200;   // before a delay is learned: nearer is a second tap
constexpr uint32_t FIRST_REPEAT_SLACK_MS = 40;  // a first repeat comes this near the learned delay
constexpr uint32_t REPEAT_HOLD_INTERVALS_X2 = 5;
constexpr uint32_t REPEAT_HOLD_MIN_MS = 50;   // a frame or two of jitter with a fast repeat
constexpr uint32_t JITTER_MARGIN_MS = 30;     // on top of the learned jitter
constexpr uint32_t JITTER_HOLD_MAX_MS = 400;  // a key is never let go later than this after its last byte
constexpr uint32_t JITTER_DECAY_SHIFT = 5;    // each repeat forgets 1/32 of the jitter learned
constexpr uint32_t LEARN_INTERVAL_SPAN_MIN_MS = 60;  // repeats closer than this together tell no interval
// What a plausible terminal timing looks like; anything else is two taps.
constexpr uint32_t LEARN_DELAY_MIN_MS = 100;
constexpr uint32_t LEARN_DELAY_MAX_MS = 2000;
constexpr uint32_t LEARN_INTERVAL_MAX_MS = 200;

constexpr int TERMINAL_KEY_COUNT = 6;  // Escape, space and the four arrows
constexpr uint32_t TERMINAL_INPUT_QUEUE = 256;
constexpr int CSI_MAX_FIELDS = 6;  // win32-input-mode has six
constexpr int CSI_MAX_PARTS = 3;   // "a:b:c" within a field
// Bytes after "ESC [", well over any sequence a terminal sends us (a
// win32-input-mode record or a device-attributes answer is under 40).
constexpr uint32_t CSI_MAX_BYTES = 128;

enum class EscapeParse : uint8_t { Ground, Escape, Csi, Ss3 };
enum class KeyProtocol : uint8_t { Legacy, Kitty, Win32 };

struct HeldKey {
    uint16_t virtualKeyCode;
    bool down;
    uint32_t repeats;  // bytes seen since the press, press excluded
    uint32_t pressMs;  // when the key went down
    uint32_t firstRepeatMs;
    uint32_t lastByteMs;
    uint32_t pressOrder;  // order of presses, to tell which key is newer
    uint32_t lastByteOrder;
    uint32_t pressTake;       // state.takes when the key went down
    bool releaseDue;          // released before any poll took its press
    bool timedOutUnrepeated;  // let go by the nudge, its first repeat not yet seen
    bool timedOutRepeating;   // let go by time while it repeated: perhaps a gap in the link
};

// A control sequence being read: "ESC [" marker fields intermediate final.
struct CsiParse {
    uint8_t marker;                                 // '?', '<', '=', '>' or 0
    uint8_t intermediate;                           // e.g. '$' of a mode report, or 0
    int fields;                                     // fields begun so far
    int parts;                                      // parts of the current field begun so far
    uint32_t value[CSI_MAX_FIELDS][CSI_MAX_PARTS];  // empty parts are 0
    bool overflow;                                  // more fields or parts than kept: not a key of ours
    uint32_t length;                                // bytes after "ESC [" so far
};

// What the terminal answered to the start-up queries.
struct TerminalReplies {
    bool kittyFlagsSeen;  // "CSI ? flags u"
    uint32_t kittyFlags;
    bool win32ModeSeen;       // "CSI ? 9001 ; Ps $ y"
    uint32_t win32Mode;       // 0 unknown, 1 set, 2 reset, 3 always set, 4 always reset
    bool attributesSeen;      // primary device attributes: the last answer
    uint32_t statusReports;   // answers to CSI 5 n ("CSI 0 n", "CSI 3 n") so far, wrapping
    uint8_t win32ReplyBytes;  // of such an answer typed out as win32 character records
    bool cellSizeSeen;        // "CSI 6 ; height ; width t", the cell's size in pixels
    uint32_t cellWidthPx;
    uint32_t cellHeightPx;
};

// Everything the decoder remembers between feeds. Set up by ResetTerminalInput.
struct TerminalInputState {
    EscapeParse parse;
    uint32_t parseStartMs;  // when the ESC of the open sequence was fed
    CsiParse csi;
    KeyProtocol protocol;
    TerminalReplies replies;
    HeldKey keys[TERMINAL_KEY_COUNT];
    uint32_t order;              // counts key bytes, for pressOrder and lastByteOrder
    uint32_t takes;              // counts TakeTerminalInput calls
    uint32_t learnedDelayMs;     // 0 until a hold has shown it
    uint32_t learnedIntervalMs;  // 0 until a hold has shown it
    uint32_t learnedJitterMs;    // how much later than the interval repeats have come
    bool interruptRequested;     // Ctrl-C was typed; stays set
    bool suspendRequested;       // Ctrl-Z was typed; the back end clears it
    bool repaintRequested;       // focus came back; the back end clears it
    uint32_t queued;             // records waiting in queue, oldest first
    InputRecord queue[TERMINAL_INPUT_QUEUE];
};

void ResetTerminalInput(TerminalInputState& state);

// How many bytes the next FeedTerminalInput may take without the queue
// overflowing; the back end leaves the rest in the terminal until records
// have been taken out.
uint32_t TerminalInputRoom(const TerminalInputState& state);

// First lets time pass to nowMs (lone ESC recognised, synthesised releases),
// then decodes count bytes (0 is fine: time alone) that arrived at nowMs.
// count must not exceed TerminalInputRoom; records that would not fit are dropped.
// Times are wrapping 32-bit milliseconds.
void FeedTerminalInput(TerminalInputState& state, const uint8_t* bytes, uint32_t count, uint32_t nowMs);

// Every held key goes up now (focus lost, the program stopped and resumed).
void ReleaseAllTerminalKeys(TerminalInputState& state);

// Moves up to capacity queued records, oldest first, into records; returns how many.
uint32_t TakeTerminalInput(TerminalInputState& state, InputRecord* records, uint32_t capacity);

}  // namespace fg
