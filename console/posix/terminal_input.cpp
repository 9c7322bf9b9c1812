#include "console/posix/terminal_input.h"

#include <cassert>
#include <cstring>

#include "console/keyboard.h"

namespace fg {

namespace {

constexpr uint16_t TRACKED_KEYS[TERMINAL_KEY_COUNT] = {VK_ESCAPE, VK_SPACE, VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN};

// Records one feed can add besides one per byte: every key released, plus a
// lone ESC recognised by time.
constexpr uint32_t RECORDS_FROM_TIME = TERMINAL_KEY_COUNT + 1;

constexpr uint8_t BYTE_CTRL_C = 0x03;
constexpr uint8_t BYTE_ESC = 0x1B;
constexpr uint8_t BYTE_SPACE = 0x20;

void Push(TerminalInputState& state, uint16_t virtualKeyCode, bool down) {
    assert(state.queued < TERMINAL_INPUT_QUEUE && "fed more bytes than TerminalInputRoom");
    if (state.queued >= TERMINAL_INPUT_QUEUE) return;
    state.queue[state.queued++] = InputRecord{INPUT_KEY_EVENT, virtualKeyCode,
                                              static_cast<uint8_t>(down ? 1 : 0)};
}

void KeyByte(TerminalInputState& state, uint16_t virtualKeyCode, uint32_t nowMs) {
    for (HeldKey& key : state.keys) {
        if (key.virtualKeyCode != virtualKeyCode) continue;
        if (key.down) {
            key.repeating = true;
        } else {
            key.down = true;
            key.repeating = false;
            Push(state, virtualKeyCode, true);
        }
        key.lastByteMs = nowMs;
        return;
    }
}

uint16_t ArrowKey(uint8_t finalByte) {
    switch (finalByte) {
        case 'A': return VK_UP;
        case 'B': return VK_DOWN;
        case 'C': return VK_RIGHT;
        case 'D': return VK_LEFT;
        default: return 0;
    }
}

void SequenceEnd(TerminalInputState& state, uint8_t finalByte, uint32_t nowMs) {
    uint16_t key = ArrowKey(finalByte);
    if (key != 0) KeyByte(state, key, nowMs);
    state.parse = EscapeParse::Ground;
}

void PassTime(TerminalInputState& state, uint32_t nowMs) {
    if (state.parse != EscapeParse::Ground && nowMs - state.parseStartMs >= ESCAPE_DELAY_MS) {
        if (state.parse == EscapeParse::Escape) KeyByte(state, VK_ESCAPE, nowMs);
        state.parse = EscapeParse::Ground;  // an unfinished sequence is dropped
    }
    for (HeldKey& key : state.keys) {
        uint32_t hold = key.repeating ? KEY_REPEAT_HOLD_MS : KEY_FIRST_HOLD_MS;
        if (key.down && nowMs - key.lastByteMs >= hold) {
            key.down = false;
            Push(state, key.virtualKeyCode, false);
        }
    }
}

void StartSequence(TerminalInputState& state, uint32_t nowMs) {
    state.parse = EscapeParse::Escape;
    state.parseStartMs = nowMs;
}

void DecodeByte(TerminalInputState& state, uint8_t byte, uint32_t nowMs) {
    if (byte == BYTE_CTRL_C) {
        state.interruptRequested = true;
        return;
    }
    switch (state.parse) {
        case EscapeParse::Ground:
            if (byte == BYTE_ESC) StartSequence(state, nowMs);
            else if (byte == BYTE_SPACE) KeyByte(state, VK_SPACE, nowMs);
            return;
        case EscapeParse::Escape:
            if (byte == '[') state.parse = EscapeParse::Csi;
            else if (byte == 'O') state.parse = EscapeParse::Ss3;
            else if (byte == BYTE_ESC) {  // the first ESC stood alone
                KeyByte(state, VK_ESCAPE, nowMs);
                StartSequence(state, nowMs);
            } else state.parse = EscapeParse::Ground;  // Alt with a key: not ours
            return;
        case EscapeParse::Csi:
            if (byte >= 0x40 && byte <= 0x7E) SequenceEnd(state, byte, nowMs);
            else if (byte == BYTE_ESC) StartSequence(state, nowMs);
            else if (byte < 0x20 || byte > 0x3F) state.parse = EscapeParse::Ground;
            return;  // parameter and intermediate bytes: modifiers, ignored
        case EscapeParse::Ss3:
            if (byte == BYTE_ESC) StartSequence(state, nowMs);
            else SequenceEnd(state, byte, nowMs);
            return;
    }
}

}  // namespace

void ResetTerminalInput(TerminalInputState& state) {
    state.parse = EscapeParse::Ground;
    state.parseStartMs = 0;
    for (int k = 0; k < TERMINAL_KEY_COUNT; ++k) state.keys[k] = HeldKey{TRACKED_KEYS[k], false, false, 0};
    state.interruptRequested = false;
    state.queued = 0;
}

uint32_t TerminalInputRoom(const TerminalInputState& state) {
    uint32_t free = TERMINAL_INPUT_QUEUE - state.queued;
    return free > RECORDS_FROM_TIME ? free - RECORDS_FROM_TIME : 0;
}

void FeedTerminalInput(TerminalInputState& state, const uint8_t* bytes, uint32_t count,
                       uint32_t nowMs) {
    PassTime(state, nowMs);
    for (uint32_t i = 0; i < count; ++i) DecodeByte(state, bytes[i], nowMs);
}

uint32_t TakeTerminalInput(TerminalInputState& state, InputRecord* records, uint32_t capacity) {
    uint32_t taken = state.queued < capacity ? state.queued : capacity;
    std::memcpy(records, state.queue, taken * sizeof(InputRecord));
    std::memmove(state.queue, state.queue + taken, (state.queued - taken) * sizeof(InputRecord));
    state.queued -= taken;
    return taken;
}

}  // namespace fg
