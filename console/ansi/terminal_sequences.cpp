// The control sequences the terminal encoder is made of, each the shortest
// form that does the job.
#include <cstring>

#include "console/ansi/terminal_output.h"
#include "console/cell_glyphs.h"

namespace fg {

namespace {

std::size_t Copy(char* out, const char* text) {
    std::size_t length = std::strlen(text);
    std::memcpy(out, text, length);
    return length;
}

std::size_t AppendNumber(char* out, int value) {
    char digits[12];
    std::size_t count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0);
    for (std::size_t i = 0; i < count; ++i) out[i] = digits[count - 1 - i];
    return count;
}

}  // namespace

std::size_t EncodeCsi(int count, char final, char* out) {
    out[0] = '\x1b';
    out[1] = '[';
    std::size_t length = 2;
    if (count != 1) length += AppendNumber(out + length, count);
    out[length++] = final;
    return length;
}

namespace {

std::size_t AbsoluteMove(int row, int column, char* out) {
    std::size_t length = Copy(out, "\x1b[");
    if (row > 0 || column > 0) length += AppendNumber(out + length, row + 1);
    if (column > 0) {
        out[length++] = ';';
        length += AppendNumber(out + length, column + 1);
    }
    out[length++] = 'H';
    return length;
}

// Along the row, from a known column or (fromColumn < 0) by a carriage return.
std::size_t HorizontalMove(int fromColumn, int column, char* out) {
    char viaReturn[16];
    std::size_t returnLength = Copy(viaReturn, "\r");
    if (column > 0) returnLength += EncodeCsi(column, 'C', viaReturn + 1);
    std::size_t length = SIZE_MAX;
    if (fromColumn == column)
        length = 0;
    else if (fromColumn == column + 1)
        length = Copy(out, "\b");
    else if (fromColumn > column)
        length = EncodeCsi(fromColumn - column, 'D', out);
    else if (fromColumn >= 0)
        length = EncodeCsi(column - fromColumn, 'C', out);
    if (length <= returnLength) return length;
    std::memcpy(out, viaReturn, returnLength);
    return returnLength;
}

int ForegroundSgr(int pen) { return ((pen & 0x08) ? 90 : 30) + ANSI_FROM_CONSOLE_COLOUR[pen & 0x07]; }
int BackgroundSgr(int pen) { return ((pen & 0x80) ? 100 : 40) + ANSI_FROM_CONSOLE_COLOUR[(pen >> 4) & 0x07]; }

}  // namespace

std::size_t EncodeCursorMove(int fromRow, int fromColumn, int row, int column, int lastRow, char* out) {
    std::size_t best = AbsoluteMove(row, column, out);
    if (fromRow < 0) return best;
    char relative[32];
    std::size_t length = 0;
    if (row == fromRow + 1 && column == 0 && fromRow < lastRow) {
        length = Copy(relative, "\r\n");  // whatever the line discipline does to \n, \r\n lands at column 0
    } else {
        if (row > fromRow) length = EncodeCsi(row - fromRow, 'B', relative);
        if (row < fromRow) length = EncodeCsi(fromRow - row, 'A', relative);
        length += HorizontalMove(fromColumn, column, relative + length);
    }
    if (length < best) {
        std::memcpy(out, relative, length);
        best = length;
    }
    return best;
}

namespace {

// The parts of a colour change in 24-bit: "38;2;r;g;b" for the foreground,
// "48;2;r;g;b" for the background, from the console palette.
std::size_t AppendRgb(char* out, int introducer, int colour) {
    std::size_t length = AppendNumber(out, introducer);
    out[length++] = ';';
    out[length++] = '2';
    for (uint8_t channel : CONSOLE_PALETTE[colour]) {
        out[length++] = ';';
        length += AppendNumber(out + length, channel);
    }
    return length;
}

std::size_t SgrPart(bool trueColour, bool foreground, int pen, char* out) {
    if (trueColour) return AppendRgb(out, foreground ? 38 : 48, foreground ? pen & 0x0F : (pen >> 4) & 0x0F);
    return AppendNumber(out, foreground ? ForegroundSgr(pen) : BackgroundSgr(pen));
}

// Which halves a change from `from` to `to` (neither PEN_PLAIN as `to`) sends.
void HalvesToSend(int from, int to, bool& foreground, bool& background) {
    const bool whole = from == PEN_UNKNOWN || from == PEN_PLAIN;
    foreground = whole || ((from ^ to) & 0x0F) != 0;
    background = whole || ((from ^ to) & 0xF0) != 0;
}

}  // namespace

std::size_t ColourChangeLength(int from, int to, bool trueColour) {
    if (from == to) return 0;
    if (to == PEN_PLAIN) return 4;
    bool sendForeground, sendBackground;
    HalvesToSend(from, to, sendForeground, sendBackground);
    if (trueColour) {
        char scratch[40];
        return EncodeColourChange(from, to, scratch, true);
    }
    return 3 + (sendForeground ? 2 : 0) + (sendBackground ? (to & 0x80 ? 3 : 2) : 0) +
           (sendForeground && sendBackground ? 1 : 0);
}

std::size_t EncodeColourChange(int from, int to, char* out, bool trueColour) {
    if (from == to) return 0;
    if (to == PEN_PLAIN) return Copy(out, "\x1b[0m");
    bool sendForeground, sendBackground;
    HalvesToSend(from, to, sendForeground, sendBackground);
    std::size_t length = Copy(out, "\x1b[");
    if (sendForeground) length += SgrPart(trueColour, true, to, out + length);
    if (sendForeground && sendBackground) out[length++] = ';';
    if (sendBackground) length += SgrPart(trueColour, false, to, out + length);
    out[length++] = 'm';
    return length;
}

bool TerminalTakesTrueColour(const char* colorterm, const char* term, bool inMultiplexer) {
    if (inMultiplexer) return term != nullptr && std::strstr(term, "-direct") != nullptr;
    return colorterm != nullptr &&
           (std::strcmp(colorterm, "truecolor") == 0 || std::strcmp(colorterm, "24bit") == 0);
}

bool TerminalKnownToRepeat(const char* term, bool inTmux, bool inXterm) {
    // xterm repeats any character; tmux repeats only ASCII ones, which it
    // would make of the shade glyphs, and it passes on xterm's environment.
    return inXterm && !inTmux && term != nullptr && std::strncmp(term, "xterm", 5) == 0;
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
