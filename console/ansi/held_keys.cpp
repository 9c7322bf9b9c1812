#include "console/ansi/held_keys.h"

#include <cassert>

#include "console/keyboard.h"

namespace fg {

namespace {

constexpr uint16_t TRACKED_KEYS[TERMINAL_KEY_COUNT] = {VK_ESCAPE, VK_SPACE, VK_LEFT,
                                                       VK_UP,     VK_RIGHT, VK_DOWN};

bool IsArrow(uint16_t code) { return code >= VK_LEFT && code <= VK_DOWN; }

bool After(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b) > 0; }  // wrap-safe a > b

HeldKey* FindKey(TerminalInputState& state, uint16_t virtualKeyCode) {
    for (HeldKey& key : state.keys) {
        if (key.virtualKeyCode == virtualKeyCode) return &key;
    }
    return nullptr;
}

void Release(TerminalInputState& state, HeldKey& key) {
    key.down = false;
    key.releaseDue = false;
    PushKeyRecord(state, key.virtualKeyCode, false);
}

bool PlausibleDelay(uint32_t delay, uint32_t laterGap) {
    return delay >= LEARN_DELAY_MIN_MS && delay <= LEARN_DELAY_MAX_MS && laterGap * 2 <= delay;
}

// The first repeat after a long pause, then repeats close together: that is a
// hold, and its gaps are the terminal's delay and interval. Two taps in a row
// do not look like that and teach nothing.
void LearnFromHold(TerminalInputState& state, const HeldKey& key, uint32_t gapToLast) {
    const uint32_t firstGap = key.firstRepeatMs - key.pressMs;
    if (key.repeats == 2) {
        if (PlausibleDelay(firstGap, gapToLast)) state.learnedDelayMs = firstGap;
        return;
    }
    // From three repeats on, the average gap smooths out the poll steps; a
    // burst of repeats delivered at once tells nothing about it.
    const uint32_t span = key.lastByteMs - key.firstRepeatMs;
    if (span < LEARN_INTERVAL_SPAN_MIN_MS) return;
    const uint32_t interval = span / (key.repeats - 1);
    if (state.learnedDelayMs != 0 && interval * 2 <= state.learnedDelayMs &&
        interval <= LEARN_INTERVAL_MAX_MS) {
        state.learnedIntervalMs = interval > 0 ? interval : 1;
    }
}

// A gap between two repeats of one hold: what it exceeds the interval by is
// the link's jitter. The largest seen is kept, fading slowly as repeats come
// on time again.
void LearnJitter(TerminalInputState& state, uint32_t gap) {
    if (state.learnedIntervalMs == 0) return;
    uint32_t jitter = state.learnedJitterMs - (state.learnedJitterMs >> JITTER_DECAY_SHIFT);
    if (gap > state.learnedIntervalMs) {
        const uint32_t excess = gap - state.learnedIntervalMs;
        if (excess > jitter) jitter = excess < JITTER_HOLD_MAX_MS ? excess : JITTER_HOLD_MAX_MS;
    }
    state.learnedJitterMs = jitter;
}

uint32_t HoldMs(const TerminalInputState& state, const HeldKey& key) {
    if (key.repeats == 0) return KEY_NUDGE_MS;
    // One byte after a nudge, before the terminal is known, may have been a
    // second tap rather than a first repeat: it counts as no more than a nudge
    // until a further repeat shows the hold, which then goes on.
    if (state.learnedIntervalMs == 0) return key.repeats == 1 ? KEY_NUDGE_MS : KEY_REPEAT_HOLD_MS;
    const uint32_t byInterval = state.learnedIntervalMs * REPEAT_HOLD_INTERVALS_X2 / 2;
    uint32_t hold = byInterval > REPEAT_HOLD_MIN_MS ? byInterval : REPEAT_HOLD_MIN_MS;
    if (state.learnedJitterMs > 0) {
        uint32_t overGaps = state.learnedIntervalMs + state.learnedJitterMs + JITTER_MARGIN_MS;
        if (overGaps > JITTER_HOLD_MAX_MS) overGaps = JITTER_HOLD_MAX_MS;
        if (overGaps > hold) hold = overGaps;
    }
    return hold;
}

// Whether a byte `sincePress` after a nudged press is that press's first
// repeat: about the learned delay later (with room for the link's jitter), or
// before any delay is learned, later than a quick second tap would be.
bool IsFirstRepeat(const TerminalInputState& state, uint32_t sincePress) {
    if (state.learnedDelayMs == 0)
        return sincePress >= FIRST_REPEAT_MIN_MS && sincePress <= LEARN_DELAY_MAX_MS;
    const uint32_t slack = FIRST_REPEAT_SLACK_MS + state.learnedJitterMs;
    const uint32_t earliest = state.learnedDelayMs > slack ? state.learnedDelayMs - slack : 0;
    return sincePress >= earliest && sincePress <= state.learnedDelayMs + slack;
}

// A key let go by the nudge may yet prove held, until its first repeat is due.
bool AwaitingFirstRepeat(const TerminalInputState& state, const HeldKey& key, uint32_t nowMs) {
    if (!key.timedOutUnrepeated) return false;
    const uint32_t wait = state.learnedDelayMs != 0
                              ? state.learnedDelayMs + DELAY_MARGIN_MS + state.learnedJitterMs
                              : KEY_FIRST_HOLD_MS;
    return nowMs - key.pressMs <= wait;
}

// An arrow whose repeats stopped because a newer arrow or the space bar went
// down may still be held: autorepeat only follows the newest key. A newer key
// let go by its nudge covers it until that key's first repeat is due.
bool CoveredByNewerKey(const TerminalInputState& state, const HeldKey& key, uint32_t nowMs) {
    if (!IsArrow(key.virtualKeyCode)) return false;
    for (const HeldKey& other : state.keys) {
        if (&other == &key || other.virtualKeyCode == VK_ESCAPE) continue;
        if (!other.down && !AwaitingFirstRepeat(state, other, nowMs)) continue;
        if (After(other.pressOrder, key.lastByteOrder)) return true;
    }
    return false;
}

}  // namespace

void PushKeyRecord(TerminalInputState& state, uint16_t virtualKeyCode, bool down) {
    assert(state.queued < TERMINAL_INPUT_QUEUE && "fed more bytes than TerminalInputRoom");
    if (state.queued >= TERMINAL_INPUT_QUEUE) return;
    state.queue[state.queued++] =
        InputRecord{INPUT_KEY_EVENT, virtualKeyCode, static_cast<uint8_t>(down ? 1 : 0)};
}

void ResetHeldKeys(TerminalInputState& state) {
    for (int k = 0; k < TERMINAL_KEY_COUNT; ++k) {
        state.keys[k] = HeldKey{};
        state.keys[k].virtualKeyCode = TRACKED_KEYS[k];
    }
    state.order = 0;
    state.takes = 0;
    state.learnedDelayMs = 0;
    state.learnedIntervalMs = 0;
    state.learnedJitterMs = 0;
}

void KeyBytes(TerminalInputState& state, uint16_t virtualKeyCode, uint32_t nowMs) {
    HeldKey* key = FindKey(state, virtualKeyCode);
    if (key == nullptr) return;
    ++state.order;
    const uint32_t gap = nowMs - key->lastByteMs;
    key->lastByteMs = nowMs;
    key->lastByteOrder = state.order;
    key->releaseDue = false;  // pressed again before its release was passed on
    const bool legacy = state.protocol == KeyProtocol::Legacy;
    if (!key->down) {
        // Let go by time, but the bytes show it was held all along: down
        // again, and the hold goes on where it was.
        const bool firstRepeat =
            legacy && key->timedOutUnrepeated && IsFirstRepeat(state, nowMs - key->pressMs);
        const bool resumed = legacy && key->timedOutRepeating && gap <= JITTER_HOLD_MAX_MS + JITTER_MARGIN_MS;
        key->timedOutUnrepeated = false;
        key->timedOutRepeating = false;
        key->down = true;
        key->pressTake = state.takes;
        key->pressOrder = state.order;
        PushKeyRecord(state, virtualKeyCode, true);
        if (firstRepeat) {
            key->repeats = 1;
            key->firstRepeatMs = nowMs;
        } else if (resumed) {
            LearnJitter(state, gap);
            ++key->repeats;
            LearnFromHold(state, *key, gap);
        } else {
            key->repeats = 0;
            key->pressMs = nowMs;
        }
        return;
    }
    if (!legacy) return;  // a reported repeat: nothing to learn
    ++key->repeats;
    if (key->repeats == 1) {
        key->firstRepeatMs = nowMs;
        return;
    }
    if (key->repeats > 2) LearnJitter(state, gap);
    LearnFromHold(state, *key, gap);
}

void KeyReleased(TerminalInputState& state, uint16_t virtualKeyCode) {
    HeldKey* key = FindKey(state, virtualKeyCode);
    if (key == nullptr || !key->down) return;
    if (key->pressTake == state.takes)
        key->releaseDue = true;  // no frame has seen it down yet
    else
        Release(state, *key);
}

// A key no frame has seen down yet is let go after the next poll, so that
// even then the press is not lost.
void ReleaseAllKeys(TerminalInputState& state) {
    for (HeldKey& key : state.keys) {
        if (!key.down) continue;
        if (key.pressTake == state.takes)
            key.releaseDue = true;
        else
            Release(state, key);
    }
}

void UseRealReleases(TerminalInputState& state, KeyProtocol protocol) {
    if (state.protocol == protocol) return;
    state.protocol = protocol;
    ReleaseAllKeys(state);  // their releases may never be reported
}

void PassKeyTime(TerminalInputState& state, uint32_t nowMs) {
    for (HeldKey& key : state.keys) {
        if (key.releaseDue && key.pressTake != state.takes) Release(state, key);
    }
    if (state.protocol != KeyProtocol::Legacy) return;
    // A release can uncover an older arrow, which may then be due at once.
    for (bool released = true; released;) {
        released = false;
        for (HeldKey& key : state.keys) {
            if (!key.down || CoveredByNewerKey(state, key, nowMs)) continue;
            if (nowMs - key.lastByteMs >= HoldMs(state, key)) {
                key.timedOutUnrepeated = key.repeats == 0;
                key.timedOutRepeating = key.repeats >= 1;
                Release(state, key);
                released = true;
            }
        }
    }
}

}  // namespace fg
