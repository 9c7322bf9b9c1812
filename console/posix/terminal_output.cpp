#include "console/posix/terminal_output.h"

#include <cstring>

#include "console/cell_glyphs.h"

namespace fg {

namespace {

void Append(TerminalBytes& out, const char* bytes, std::size_t count) {
    std::memcpy(out.data + out.length, bytes, count);
    out.length += count;
}

void AppendNumber(TerminalBytes& out, int value) {
    char digits[12];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0);
    while (count > 0) out.data[out.length++] = digits[--count];
}

void AppendCursorToRow(TerminalBytes& out, int row) {
    Append(out, "\x1b[", 2);
    AppendNumber(out, row + 1);
    Append(out, ";1H", 3);
}

int ForegroundSgr(uint16_t attributes) {
    int base = (attributes & 0x08) ? 90 : 30;
    return base + ANSI_FROM_CONSOLE_COLOUR[attributes & 0x07];
}

int BackgroundSgr(uint16_t attributes) {
    int base = (attributes & 0x80) ? 100 : 40;
    return base + ANSI_FROM_CONSOLE_COLOUR[(attributes >> 4) & 0x07];
}

// Sends only the halves that differ from what the terminal already shows.
void AppendColour(TerminalOutputState& state, TerminalBytes& out, uint16_t attributes) {
    int foreground = ForegroundSgr(attributes);
    int background = BackgroundSgr(attributes);
    bool sendForeground = !state.colourKnown || foreground != ForegroundSgr(state.attributes);
    bool sendBackground = !state.colourKnown || background != BackgroundSgr(state.attributes);
    if (!sendForeground && !sendBackground) return;
    Append(out, "\x1b[", 2);
    if (sendForeground) AppendNumber(out, foreground);
    if (sendForeground && sendBackground) Append(out, ";", 1);
    if (sendBackground) AppendNumber(out, background);
    Append(out, "m", 1);
    state.colourKnown = true;
    state.attributes = attributes;
}

void AppendGlyph(TerminalBytes& out, uint16_t character) {
    unsigned code = character & 0xFF;
    if (const char* shade = ShadeGlyphUtf8(code)) {
        Append(out, shade, 3);
        return;
    }
    out.data[out.length++] = (code >= 32 && code <= 126) ? static_cast<char>(code) : ' ';
}

int VisibleCount(int terminalSize, int pictureSize) {
    return (terminalSize > 0 && terminalSize < pictureSize) ? terminalSize : pictureSize;
}

}  // namespace

void ResetTerminalOutput(TerminalOutputState& state, int rows, int columns) {
    state = TerminalOutputState{};
    state.rows = rows;
    state.columns = columns;
}

void ForgetTerminalScreen(TerminalOutputState& state) {
    state.screenKnown = false;
}

void EncodeFrame(TerminalOutputState& state, const CHAR_INFO* cells, TerminalBytes& out) {
    out.length = 0;
    if (!state.screenKnown) {  // erased in default colours, not in the last cell's background
        Append(out, "\x1b[0m\x1b[2J", 8);
        state.screenKnown = true;
        state.colourKnown = false;
    }
    int rows = VisibleCount(state.rows, SCREEN_HEIGHT);
    int columns = VisibleCount(state.columns, SCREEN_WIDTH);
    for (int row = 0; row < rows; ++row) {
        AppendCursorToRow(out, row);
        const CHAR_INFO* line = cells + row * SCREEN_WIDTH;
        for (int column = 0; column < columns; ++column) {
            AppendColour(state, out, line[column].attributes);
            AppendGlyph(out, line[column].character);
        }
    }
}

std::size_t EncodeTitle(const char* title, char* out, std::size_t capacity) {
    constexpr std::size_t FRAMING = 5;  // ESC ] 2 ; ... BEL
    if (capacity < FRAMING) return 0;
    std::memcpy(out, "\x1b]2;", 4);
    std::size_t length = 4;
    for (const char* c = title; *c != '\0' && length < capacity - 1; ++c) {
        if (*c >= 32 && *c <= 126) out[length++] = *c;
    }
    out[length++] = '\a';
    return length;
}

}  // namespace fg
