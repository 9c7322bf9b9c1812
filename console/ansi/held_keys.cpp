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
// do not look like that and teach nothing. A hold whose delay outlasted what
// the decoder waited was let go and pressed again: its delay is counted from
// the earlier press.
void LearnFromHold(TerminalInputState& state, const HeldKey& key, uint32_t gapToLast) {
    const uint32_t firstGap = key.firstRepeatMs - key.pressMs;
    if (key.repeats == 2) {
        if (PlausibleDelay(firstGap, gapToLast)) {
            state.learnedDelayMs = firstGap;
        } else if (key.pressedAgainSoon && PlausibleDelay(key.pressMs - key.earlierPressMs, firstGap) &&
                   gapToLast * 2 <= key.pressMs - key.earlierPressMs) {
            state.learnedDelayMs = key.pressMs - key.earlierPressMs;
        }
        return;
    }
    // From three repeats on, the average gap smooths out the poll steps.
    const uint32_t interval = (key.lastByteMs - key.firstRepeatMs) / (key.repeats - 1);
    if (state.learnedDelayMs != 0 && interval * 2 <= state.learnedDelayMs &&
        interval <= LEARN_INTERVAL_MAX_MS) {
        state.learnedIntervalMs = interval > 0 ? interval : 1;
    }
}

uint32_t HoldMs(const TerminalInputState& state, const HeldKey& key) {
    if (key.repeats == 0) {
        return state.learnedDelayMs != 0 ? state.learnedDelayMs + DELAY_MARGIN_MS : KEY_FIRST_HOLD_MS;
    }
    if (state.learnedIntervalMs == 0) return KEY_REPEAT_HOLD_MS;
    const uint32_t hold = state.learnedIntervalMs * REPEAT_HOLD_INTERVALS_X2 / 2;
    return hold > REPEAT_HOLD_MIN_MS ? hold : REPEAT_HOLD_MIN_MS;
}

// An arrow whose repeats stopped because a newer arrow or the space bar went
// down may still be held: autorepeat only follows the newest key.
bool CoveredByNewerKey(const TerminalInputState& state, const HeldKey& key) {
    if (!IsArrow(key.virtualKeyCode)) return false;
    for (const HeldKey& other : state.keys) {
        if (&other == &key || !other.down || other.virtualKeyCode == VK_ESCAPE) continue;
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
}

void KeyBytes(TerminalInputState& state, uint16_t virtualKeyCode, uint32_t nowMs) {
    HeldKey* key = FindKey(state, virtualKeyCode);
    if (key == nullptr) return;
    ++state.order;
    const uint32_t gap = nowMs - key->lastByteMs;
    key->lastByteMs = nowMs;
    key->lastByteOrder = state.order;
    key->releaseDue = false;  // pressed again before its release was passed on
    if (!key->down) {
        key->pressTake = state.takes;
        key->pressedAgainSoon = key->timedOutUnrepeated && nowMs - key->pressMs <= LEARN_DELAY_MAX_MS;
        key->earlierPressMs = key->pressMs;
        key->timedOutUnrepeated = false;
        key->down = true;
        key->repeats = 0;
        key->pressMs = nowMs;
        key->pressOrder = state.order;
        PushKeyRecord(state, virtualKeyCode, true);
        return;
    }
    if (state.protocol != KeyProtocol::Legacy) return;  // a reported repeat: nothing to learn
    ++key->repeats;
    if (key->repeats == 1)
        key->firstRepeatMs = nowMs;
    else
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

void ReleaseAllKeys(TerminalInputState& state) {
    for (HeldKey& key : state.keys) {
        if (key.down) Release(state, key);
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
            if (!key.down || CoveredByNewerKey(state, key)) continue;
            if (nowMs - key.lastByteMs >= HoldMs(state, key)) {
                key.timedOutUnrepeated = key.repeats == 0;
                Release(state, key);
                released = true;
            }
        }
    }
}

}  // namespace fg
