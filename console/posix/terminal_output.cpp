#include "console/posix/terminal_output.h"

#include <cstring>

#include "console/cell_glyphs.h"

namespace fg {

namespace {

constexpr char SYNC_BEGIN[] = "\x1b[?2026h";
constexpr char SYNC_END[] = "\x1b[?2026l";
// Erased in default colours, not in whatever background the pen last held.
// A frame cut short may have left the terminal inside an escape sequence or a
// UTF-8 glyph: CAN ends the one, two continuation bytes the other, and what
// they print goes with the erase.
constexpr char ERASE[] = "\x18\x80\x80\x1b[0m\x1b[2J";
constexpr uint32_t ERASED_CELL = SHOWN_PLAIN | (' ' << 8);

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

// "ESC [ n final", the count left out where it is the default 1.
std::size_t Csi(char* out, int count, char final) {
    out[0] = '\x1b';
    out[1] = '[';
    std::size_t length = 2;
    if (count != 1) length += AppendNumber(out + length, count);
    out[length++] = final;
    return length;
}

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
    if (column > 0) returnLength += Csi(viaReturn + 1, column, 'C');
    std::size_t length = SIZE_MAX;
    if (fromColumn == column) length = 0;
    else if (fromColumn == column + 1) length = Copy(out, "\b");
    else if (fromColumn > column) length = Csi(out, fromColumn - column, 'D');
    else if (fromColumn >= 0) length = Csi(out, column - fromColumn, 'C');
    if (length <= returnLength) return length;
    std::memcpy(out, viaReturn, returnLength);
    return returnLength;
}

int ForegroundSgr(int pen) { return ((pen & 0x08) ? 90 : 30) + ANSI_FROM_CONSOLE_COLOUR[pen & 0x07]; }
int BackgroundSgr(int pen) { return ((pen & 0x80) ? 100 : 40) + ANSI_FROM_CONSOLE_COLOUR[(pen >> 4) & 0x07]; }

int PenOf(uint32_t shown) { return (shown & SHOWN_PLAIN) ? PEN_PLAIN : static_cast<int>(shown & 0xFF); }
unsigned GlyphOf(uint32_t shown) { return (shown >> 8) & 0xFF; }

// The code a cell shows: a shade glyph, printable ASCII, or else a space.
unsigned VisibleGlyph(uint16_t character) {
    unsigned code = character & 0xFF;
    if (ShadeGlyphUtf8(code) != nullptr || (code >= 32 && code <= 126)) return code;
    return ' ';
}

std::size_t GlyphLength(unsigned code) { return ShadeGlyphUtf8(code) != nullptr ? 3 : 1; }

void Append(TerminalBytes& out, const char* bytes, std::size_t count) {
    std::memcpy(out.data + out.length, bytes, count);
    out.length += count;
}

void AppendGlyph(TerminalBytes& out, unsigned code) {
    if (const char* shade = ShadeGlyphUtf8(code)) Append(out, shade, 3);
    else out.data[out.length++] = static_cast<char>(code);
}

int VisibleCount(int terminalSize, int pictureSize) {
    return (terminalSize > 0 && terminalSize < pictureSize) ? terminalSize : pictureSize;
}

// Where the cursor rests after drawing at `column`: the next column, or
// unknown at the terminal's right edge, where it stays put without wrapping.
int ColumnAfter(const TerminalOutputState& state, int column) {
    int edge = state.columns > 0 ? state.columns : SCREEN_WIDTH;
    return column + 1 < edge ? column + 1 : -1;
}

void DrawCell(TerminalOutputState& state, TerminalBytes& out, int row, int column, uint32_t cell) {
    out.length += EncodeColourChange(state.pen, PenOf(cell), out.data + out.length);
    state.pen = PenOf(cell);
    AppendGlyph(out, GlyphOf(cell));
    state.shown[row * SCREEN_WIDTH + column] = cell;
    state.cursorColumn = ColumnAfter(state, column);
}

std::size_t ColourChangeLength(int from, int to) {
    char scratch[16];
    return EncodeColourChange(from, to, scratch);
}

// Takes the cursor to `column` of `row`, ready to draw `want[column]`: by a
// move, or by writing the unchanged cells in between again (in their own
// colours) when that, with the colour change it leaves for the cell, is shorter.
void ReachCell(TerminalOutputState& state, TerminalBytes& out, int row, int column, const uint32_t* want) {
    if (state.cursorRow == row && state.cursorColumn == column) return;
    char move[16];
    int lastRow = state.rows > 0 ? state.rows - 1 : -1;
    const std::size_t moveLength = EncodeCursorMove(state.cursorRow, state.cursorColumn, row, column, lastRow, move);
    const int target = PenOf(want[column]);
    const std::size_t byMove = moveLength + ColourChangeLength(state.pen, target);
    std::size_t byRewrite = 0;
    int pen = state.pen;
    const bool canRewrite = state.cursorRow == row && state.cursorColumn >= 0 && state.cursorColumn < column;
    for (int c = canRewrite ? state.cursorColumn : column; c < column && byRewrite < byMove; ++c) {
        byRewrite += ColourChangeLength(pen, PenOf(want[c])) + GlyphLength(GlyphOf(want[c]));
        pen = PenOf(want[c]);
    }
    if (canRewrite && byRewrite + ColourChangeLength(pen, target) < byMove) {
        for (int c = state.cursorColumn; c < column; ++c) {
            out.length += EncodeColourChange(state.pen, PenOf(want[c]), out.data + out.length);
            state.pen = PenOf(want[c]);
            AppendGlyph(out, GlyphOf(want[c]));
        }
    } else {
        Append(out, move, moveLength);
    }
    state.cursorRow = row;
    state.cursorColumn = column;
}

// After drawing `cell` at `column`: repeats it over the following cells that
// want the same, through the last of them that changed, when REP is shorter.
int RepeatCell(TerminalOutputState& state, TerminalBytes& out, int row, int column, int columns,
               const uint32_t* want) {
    uint32_t* shown = state.shown + row * SCREEN_WIDTH;
    int last = column;
    for (int c = column + 1; c < columns && want[c] == want[column]; ++c) {
        if (shown[c] != want[c]) last = c;
    }
    int count = last - column;
    if (count == 0) return column;
    char rep[16];
    std::size_t repLength = Csi(rep, count, 'b');
    if (repLength >= count * GlyphLength(GlyphOf(want[column]))) return column;
    Append(out, rep, repLength);
    for (int c = column + 1; c <= last; ++c) shown[c] = want[column];
    state.cursorColumn = ColumnAfter(state, last);
    return last;
}

void EncodeRow(TerminalOutputState& state, TerminalBytes& out, int row, int columns, const uint32_t* want) {
    const uint32_t* shown = state.shown + row * SCREEN_WIDTH;
    for (int column = 0; column < columns; ++column) {
        if (want[column] == shown[column]) continue;
        ReachCell(state, out, row, column, want);
        DrawCell(state, out, row, column, want[column]);
        if (state.repeatAllowed) column = RepeatCell(state, out, row, column, columns, want);
    }
}

}  // namespace

void ResetTerminalOutput(TerminalOutputState& state, int rows, int columns) {
    state.rows = rows;
    state.columns = columns;
    state.repeatAllowed = false;
    ForgetTerminalScreen(state);
}

void ForgetTerminalScreen(TerminalOutputState& state) {
    state.screenKnown = false;
    state.pen = PEN_UNKNOWN;
    state.cursorRow = -1;
    state.cursorColumn = -1;
    for (uint32_t& cell : state.shown) cell = SHOWN_UNKNOWN;
}

void EncodeFrame(TerminalOutputState& state, const CHAR_INFO* cells, TerminalBytes& out) {
    out.length = 0;
    Append(out, SYNC_BEGIN, sizeof SYNC_BEGIN - 1);
    if (!state.screenKnown) {
        Append(out, ERASE, sizeof ERASE - 1);
        for (uint32_t& cell : state.shown) cell = ERASED_CELL;
        state.pen = PEN_PLAIN;
        state.screenKnown = true;
    }
    const int rows = VisibleCount(state.rows, SCREEN_HEIGHT);
    const int columns = VisibleCount(state.columns, SCREEN_WIDTH);
    char notice[128];
    const std::size_t noticeLength = SizeNotice(state.rows, state.columns, notice);
    for (int row = 0; row < rows; ++row) {
        uint32_t want[SCREEN_WIDTH];
        const CHAR_INFO* line = cells + row * SCREEN_WIDTH;
        for (int column = 0; column < columns; ++column) {
            if (noticeLength > 0 && row == rows - 1) {
                unsigned code = static_cast<std::size_t>(column) < noticeLength ? notice[column] : ' ';
                want[column] = SHOWN_PLAIN | (code << 8);
            } else {
                want[column] = (VisibleGlyph(line[column].character) << 8) | (line[column].attributes & 0xFFu);
            }
        }
        EncodeRow(state, out, row, columns, want);
    }
    if (out.length == sizeof SYNC_BEGIN - 1) out.length = 0;  // nothing changed: send nothing
    else Append(out, SYNC_END, sizeof SYNC_END - 1);
}

std::size_t EncodeCursorMove(int fromRow, int fromColumn, int row, int column, int lastRow, char* out) {
    std::size_t best = AbsoluteMove(row, column, out);
    if (fromRow < 0) return best;
    char relative[32];
    std::size_t length = 0;
    if (row == fromRow + 1 && column == 0 && fromRow < lastRow) {
        length = Copy(relative, "\r\n");  // whatever the line discipline does to \n, \r\n lands at column 0
    } else {
        if (row > fromRow) length = Csi(relative, row - fromRow, 'B');
        if (row < fromRow) length = Csi(relative, fromRow - row, 'A');
        length += HorizontalMove(fromColumn, column, relative + length);
    }
    if (length < best) {
        std::memcpy(out, relative, length);
        best = length;
    }
    return best;
}

std::size_t EncodeColourChange(int from, int to, char* out) {
    if (from == to) return 0;
    if (to == PEN_PLAIN) return Copy(out, "\x1b[0m");
    const bool whole = from == PEN_UNKNOWN || from == PEN_PLAIN;
    const bool sendForeground = whole || ForegroundSgr(from) != ForegroundSgr(to);
    const bool sendBackground = whole || BackgroundSgr(from) != BackgroundSgr(to);
    std::size_t length = Copy(out, "\x1b[");
    if (sendForeground) length += AppendNumber(out + length, ForegroundSgr(to));
    if (sendForeground && sendBackground) out[length++] = ';';
    if (sendBackground) length += AppendNumber(out + length, BackgroundSgr(to));
    out[length++] = 'm';
    return length;
}

bool TerminalKnownToRepeat(const char* term, bool inTmux, bool inXterm) {
    if (inTmux || inXterm) return true;
    if (term == nullptr) return false;
    static const char* const REPEATING_TERMINALS[] = {"xterm-kitty", "tmux", "foot"};
    for (const char* prefix : REPEATING_TERMINALS) {
        if (std::strncmp(term, prefix, std::strlen(prefix)) == 0) return true;
    }
    return false;
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
