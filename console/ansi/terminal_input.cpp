#include "console/ansi/terminal_input.h"

#include <cstring>

#include "console/ansi/held_keys.h"
#include "console/keyboard.h"

namespace fg {

namespace {

// Records one feed can add besides one per byte: every key released by time,
// again by a protocol switch or focus loss, and a lone ESC recognised by time.
constexpr uint32_t RECORDS_FROM_TIME = 2 * TERMINAL_KEY_COUNT + 1;

constexpr uint8_t BYTE_CTRL_C = 0x03;
constexpr uint8_t BYTE_CTRL_Z = 0x1A;
constexpr uint8_t BYTE_ESC = 0x1B;
constexpr uint8_t BYTE_SPACE = 0x20;
constexpr uint8_t BYTE_QUIT = 'q';             // quits as Escape does: the key terminal users try first
constexpr uint32_t CSI_VALUE_CAP = 1'000'000;  // larger numbers are nobody's key

// Kitty protocol: modifiers are sent as 1 + bits; the lock keys are not ours.
constexpr uint32_t KITTY_CTRL = 4;
constexpr uint32_t KITTY_LOCKS = 64 | 128;  // caps lock, num lock
constexpr uint32_t KITTY_EVENT_PRESS = 1;   // 0 when the event field is left out
constexpr uint32_t KITTY_EVENT_REPEAT = 2;
constexpr uint32_t KITTY_EVENT_RELEASE = 3;
constexpr uint32_t KITTY_FLAG_DISAMBIGUATE = 1;  // either of these sends Escape as "CSI 27 u"
constexpr uint32_t KITTY_FLAG_EVENT_TYPES = 2;
constexpr uint32_t KITTY_FLAG_ALL_KEYS = 8;
constexpr uint32_t KITTY_KEYPAD_LEFT = 57417;  // keypad arrows: left, right, up, down

// win32-input-mode control-key state bits: either Ctrl key.
constexpr uint32_t WIN32_CTRL = 0x04 | 0x08;
constexpr uint32_t VK_QUIT_LETTER = 'Q';  // virtual-key codes name letters in capitals
constexpr uint32_t WIN32_INPUT_MODE = 9001;
constexpr uint32_t CELL_SIZE_REPLY = 6;  // the answer to CSI 16 t

uint16_t ArrowKey(uint8_t finalByte) {
    switch (finalByte) {
        case 'A': return VK_UP;
        case 'B': return VK_DOWN;
        case 'C': return VK_RIGHT;
        case 'D': return VK_LEFT;
        default: return 0;
    }
}

uint16_t KittyKey(uint32_t code) {
    switch (code) {
        case 27:
        case BYTE_QUIT: return VK_ESCAPE;
        case 32: return VK_SPACE;
        case KITTY_KEYPAD_LEFT: return VK_LEFT;
        case KITTY_KEYPAD_LEFT + 1: return VK_RIGHT;
        case KITTY_KEYPAD_LEFT + 2: return VK_UP;
        case KITTY_KEYPAD_LEFT + 3: return VK_DOWN;
        default: return 0;
    }
}

// A press or repeat (event 1, 2 or absent) or a release (3) in kitty's form.
void KittyEvent(TerminalInputState& state, uint16_t key, uint32_t event, uint32_t nowMs) {
    // Only a terminal reporting event types names one, even a press's: its
    // releases will come, whether or not its flags answer has yet.
    if (event == KITTY_EVENT_PRESS || event == KITTY_EVENT_REPEAT || event == KITTY_EVENT_RELEASE)
        UseRealReleases(state, KeyProtocol::Kitty);
    if (event == KITTY_EVENT_RELEASE)
        KeyReleased(state, key);
    else
        KeyBytes(state, key, nowMs);
}

void KittyCodepoint(TerminalInputState& state, const CsiParse& csi, uint32_t nowMs) {
    const uint32_t code = csi.value[0][0];
    const uint32_t sent = csi.value[1][0];
    const uint32_t mods = (sent > 0 ? sent - 1 : 0) & ~KITTY_LOCKS;
    const uint32_t event = csi.value[1][1];
    if ((mods & KITTY_CTRL) != 0 && event != KITTY_EVENT_RELEASE) {
        if (code == 'c') state.interruptRequested = true;
        if (code == 'z') state.suspendRequested = true;
        return;
    }
    const uint16_t key = KittyKey(code);
    if (key != 0) KittyEvent(state, key, event, nowMs);
}

bool IsStatusAnswer(uint32_t status) { return status == 0 || status == 3; }  // fine, malfunction

// Matches "ESC [ 0 n" (or 3) typed out one character record at a time.
void Win32ReplyCharacter(TerminalReplies& replies, uint32_t character) {
    uint8_t& matched = replies.win32ReplyBytes;
    const bool next = (matched == 0 && character == BYTE_ESC) || (matched == 1 && character == '[') ||
                      (matched == 2 && IsStatusAnswer(character - '0')) || (matched == 3 && character == 'n');
    matched = next ? matched + 1 : (character == BYTE_ESC ? 1 : 0);
    if (matched == 4) {
        ++replies.statusReports;
        matched = 0;
    }
}

void Win32Record(TerminalInputState& state, const CsiParse& csi, uint32_t nowMs) {
    UseRealReleases(state, KeyProtocol::Win32);
    const uint32_t virtualKey = csi.value[0][0];
    const uint32_t character = csi.value[2][0];
    const bool down = csi.value[3][0] != 0;
    if (virtualKey == 0 && down) Win32ReplyCharacter(state.replies, character);
    const bool ctrl = (csi.value[4][0] & WIN32_CTRL) != 0;
    if (down && (character == BYTE_CTRL_C || (ctrl && virtualKey == 'C'))) state.interruptRequested = true;
    if (down && (character == BYTE_CTRL_Z || (ctrl && virtualKey == 'Z'))) state.suspendRequested = true;
    const uint16_t key = virtualKey == VK_QUIT_LETTER ? VK_ESCAPE : static_cast<uint16_t>(virtualKey);
    if (key != VK_ESCAPE && key != VK_SPACE && (key < VK_LEFT || key > VK_DOWN)) return;
    if (down)
        KeyBytes(state, key, nowMs);
    else
        KeyReleased(state, key);
}

void Reply(TerminalInputState& state, const CsiParse& csi, uint8_t finalByte) {
    TerminalReplies& replies = state.replies;
    if (finalByte == 'u' && csi.intermediate == 0) {
        replies.kittyFlagsSeen = true;
        replies.kittyFlags = csi.value[0][0];
        if ((replies.kittyFlags & KITTY_FLAG_EVENT_TYPES) != 0) UseRealReleases(state, KeyProtocol::Kitty);
    } else if (finalByte == 'c' && csi.intermediate == 0) {
        replies.attributesSeen = true;
    } else if (finalByte == 'y' && csi.intermediate == '$' && csi.value[0][0] == WIN32_INPUT_MODE) {
        replies.win32ModeSeen = true;
        replies.win32Mode = csi.value[1][0];
    }
}

void Dispatch(TerminalInputState& state, uint8_t finalByte, uint32_t nowMs) {
    const CsiParse& csi = state.csi;
    if (csi.marker == '?') Reply(state, csi, finalByte);  // the fields kept are enough
    if (csi.overflow || csi.marker != 0 || csi.intermediate != 0) return;
    if (finalByte == 't' && csi.fields == 3 && csi.value[0][0] == CELL_SIZE_REPLY) {
        state.replies.cellSizeSeen = csi.value[1][0] > 0 && csi.value[2][0] > 0;
        state.replies.cellHeightPx = csi.value[1][0];
        state.replies.cellWidthPx = csi.value[2][0];
        return;
    }
    const uint16_t arrow = ArrowKey(finalByte);
    if (arrow != 0)
        KittyEvent(state, arrow, csi.value[1][1], nowMs);  // legacy forms have no event
    else if (finalByte == 'u')
        KittyCodepoint(state, csi, nowMs);
    else if (finalByte == '_')
        Win32Record(state, csi, nowMs);
    else if (finalByte == 'n' && csi.fields <= 1 && IsStatusAnswer(csi.value[0][0]))
        ++state.replies.statusReports;
    else if (finalByte == 'I' && csi.fields == 0)
        state.repaintRequested = true;  // focus in
    else if (finalByte == 'O' && csi.fields == 0)
        ReleaseAllKeys(state);  // focus out
}

// Only the legacy keyboard sends Escape as a bare ESC. Under kitty's protocol
// (Escape is "CSI 27 u") or win32-input-mode (a record) a bare ESC only ever
// begins a sequence, whose rest may come late.
bool LoneEscapeIsAKey(const TerminalInputState& state) {
    const TerminalReplies& replies = state.replies;
    const bool kittyEscape =
        replies.kittyFlagsSeen && (replies.kittyFlags & (KITTY_FLAG_DISAMBIGUATE | KITTY_FLAG_ALL_KEYS)) != 0;
    return state.protocol == KeyProtocol::Legacy && !kittyEscape;
}

void StartSequence(TerminalInputState& state, uint32_t nowMs) {
    state.parse = EscapeParse::Escape;
    state.parseStartMs = nowMs;
}

void StartCsi(TerminalInputState& state) {
    state.parse = EscapeParse::Csi;
    std::memset(&state.csi, 0, sizeof state.csi);
}

void CsiByte(TerminalInputState& state, uint8_t byte, uint32_t nowMs) {
    CsiParse& csi = state.csi;
    if (++csi.length > CSI_MAX_BYTES && byte != BYTE_ESC) {
        state.parse = EscapeParse::Ground;  // longer than anything a terminal sends us
        return;
    }
    if (byte >= '0' && byte <= '9') {
        if (csi.fields == 0) csi.fields = csi.parts = 1;
        uint32_t& value = csi.value[csi.fields - 1][csi.parts - 1];
        value = value * 10 + (byte - '0');
        if (value > CSI_VALUE_CAP) value = CSI_VALUE_CAP;
    } else if (byte == ';') {
        if (csi.fields == 0) csi.fields = 1;
        if (csi.fields == CSI_MAX_FIELDS) {
            csi.overflow = true;
            csi.parts = CSI_MAX_PARTS;  // later digits land in the last part kept
        } else {
            ++csi.fields;
            csi.parts = 1;
        }
    } else if (byte == ':') {
        if (csi.fields == 0) csi.fields = csi.parts = 1;
        if (csi.parts == CSI_MAX_PARTS)
            csi.overflow = true;
        else
            ++csi.parts;
    } else if (byte >= '<' && byte <= '?') {
        if (csi.fields == 0 && csi.marker == 0)
            csi.marker = byte;
        else
            csi.overflow = true;
    } else if (byte >= 0x20 && byte <= 0x2F) {
        csi.intermediate = byte;
    } else if (byte >= 0x40 && byte <= 0x7E) {
        Dispatch(state, byte, nowMs);
        state.parse = EscapeParse::Ground;
    } else if (byte == BYTE_ESC) {
        StartSequence(state, nowMs);
    } else {
        state.parse = EscapeParse::Ground;  // not a sequence after all
    }
}

void DecodeByte(TerminalInputState& state, uint8_t byte, uint32_t nowMs) {
    if (byte == BYTE_CTRL_C) {
        state.interruptRequested = true;
        return;
    }
    if (byte == BYTE_CTRL_Z) {
        state.suspendRequested = true;
        return;
    }
    switch (state.parse) {
        case EscapeParse::Ground:
            if (byte == BYTE_ESC)
                StartSequence(state, nowMs);
            else if (byte == BYTE_SPACE)
                KeyBytes(state, VK_SPACE, nowMs);
            else if (byte == BYTE_QUIT || byte == (BYTE_QUIT ^ 0x20))  // q or Q
                KeyBytes(state, VK_ESCAPE, nowMs);
            return;
        case EscapeParse::Escape:
            if (byte == '[')
                StartCsi(state);
            else if (byte == 'O')
                state.parse = EscapeParse::Ss3;
            else if (byte == BYTE_ESC) {  // the first ESC stood alone
                if (LoneEscapeIsAKey(state)) KeyBytes(state, VK_ESCAPE, nowMs);
                StartSequence(state, nowMs);
            } else
                state.parse = EscapeParse::Ground;  // Alt with a key: not ours
            return;
        case EscapeParse::Csi: CsiByte(state, byte, nowMs); return;
        case EscapeParse::Ss3:
            if (byte == BYTE_ESC)
                StartSequence(state, nowMs);
            else {
                const uint16_t arrow = ArrowKey(byte);
                if (arrow != 0) KeyBytes(state, arrow, nowMs);
                state.parse = EscapeParse::Ground;
            }
            return;
    }
}

// A sequence once begun is held until it ends, however long its bytes take
// to come: only a bare ESC on a legacy terminal is settled by time.
void PassTime(TerminalInputState& state, uint32_t nowMs) {
    if (state.parse == EscapeParse::Escape && LoneEscapeIsAKey(state) &&
        nowMs - state.parseStartMs >= ESCAPE_DELAY_MS) {
        KeyBytes(state, VK_ESCAPE, nowMs);
        state.parse = EscapeParse::Ground;
    }
    PassKeyTime(state, nowMs);
}

}  // namespace

void ResetTerminalInput(TerminalInputState& state) {
    std::memset(&state, 0, sizeof state);
    state.parse = EscapeParse::Ground;
    state.protocol = KeyProtocol::Legacy;
    ResetHeldKeys(state);
}

uint32_t TerminalInputRoom(const TerminalInputState& state) {
    uint32_t free = TERMINAL_INPUT_QUEUE - state.queued;
    return free > RECORDS_FROM_TIME ? free - RECORDS_FROM_TIME : 0;
}

void FeedTerminalInput(TerminalInputState& state, const uint8_t* bytes, uint32_t count, uint32_t nowMs) {
    PassTime(state, nowMs);
    for (uint32_t i = 0; i < count; ++i) DecodeByte(state, bytes[i], nowMs);
}

void ReleaseAllTerminalKeys(TerminalInputState& state) { ReleaseAllKeys(state); }

uint32_t TakeTerminalInput(TerminalInputState& state, InputRecord* records, uint32_t capacity) {
    ++state.takes;
    uint32_t taken = state.queued < capacity ? state.queued : capacity;
    std::memcpy(records, state.queue, taken * sizeof(InputRecord));
    std::memmove(state.queue, state.queue + taken, (state.queued - taken) * sizeof(InputRecord));
    state.queued -= taken;
    return taken;
}

}  // namespace fg
