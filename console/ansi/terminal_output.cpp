#include "console/ansi/terminal_output.h"

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
// Sideways shifts tried for a row, and the cells a shift must save to be
// used, in picture cells.
constexpr int MAX_SHIFT = 12;
constexpr int MIN_SHIFT_GAIN = 8;

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
    if (const char* shade = ShadeGlyphUtf8(code))
        Append(out, shade, 3);
    else
        out.data[out.length++] = static_cast<char>(code);
}

int VisibleCount(int terminalSize, int pictureSize) {
    return (terminalSize > 0 && terminalSize < pictureSize) ? terminalSize : pictureSize;
}

int PictureWidth(const TerminalOutputState& state) { return SCREEN_WIDTH * state.cellsPerCell; }

// Positions in the state are the picture's own (row 0, column 0 at its
// top-left corner); the terminal's are offset by where the picture sits.
std::size_t PictureMove(const TerminalOutputState& state, int row, int column, char* out) {
    const int lastRow = state.rows > 0 ? state.rows - 1 : -1;
    const int fromRow = state.cursorRow >= 0 ? state.cursorRow + state.top : -1;
    const int fromColumn = state.cursorColumn >= 0 ? state.cursorColumn + state.left : -1;
    return EncodeCursorMove(fromRow, fromColumn, row + state.top, column + state.left, lastRow, out);
}

void ChangePen(TerminalOutputState& state, TerminalBytes& out, int pen) {
    out.length += EncodeColourChange(state.pen, pen, out.data + out.length, state.trueColour);
    state.pen = pen;
}

// Where the cursor rests after drawing at `column`: the next column, or
// unknown at the terminal's right edge, where it stays put without wrapping.
int ColumnAfter(const TerminalOutputState& state, int column) {
    int edge = state.columns > 0 ? state.columns - state.left : PictureWidth(state);
    return column + 1 < edge ? column + 1 : -1;
}

void DrawCell(TerminalOutputState& state, TerminalBytes& out, int row, int column, uint32_t cell) {
    ChangePen(state, out, PenOf(cell));
    AppendGlyph(out, GlyphOf(cell));
    state.shown[row * SHOWN_WIDTH_MAX + column] = cell;
    state.cursorColumn = ColumnAfter(state, column);
}

// Takes the cursor to `column` of `row`, ready to draw `want[column]`: by a
// move, or by writing the unchanged cells in between again (in their own
// colours) when that, with the colour change it leaves for the cell, is shorter.
void ReachCell(TerminalOutputState& state, TerminalBytes& out, int row, int column, const uint32_t* want) {
    if (state.cursorRow == row && state.cursorColumn == column) return;
    char move[16];
    const std::size_t moveLength = PictureMove(state, row, column, move);
    const int target = PenOf(want[column]);
    const bool rgb = state.trueColour;
    const std::size_t byMove = moveLength + ColourChangeLength(state.pen, target, rgb);
    std::size_t byRewrite = 0;
    int pen = state.pen;
    const bool canRewrite = state.cursorRow == row && state.cursorColumn >= 0 && state.cursorColumn < column;
    for (int c = canRewrite ? state.cursorColumn : column; c < column && byRewrite < byMove; ++c) {
        byRewrite += ColourChangeLength(pen, PenOf(want[c]), rgb) + GlyphLength(GlyphOf(want[c]));
        pen = PenOf(want[c]);
    }
    if (canRewrite && byRewrite + ColourChangeLength(pen, target, rgb) < byMove) {
        for (int c = state.cursorColumn; c < column; ++c) {
            ChangePen(state, out, PenOf(want[c]));
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
    uint32_t* shown = state.shown + row * SHOWN_WIDTH_MAX;
    int last = column;
    for (int c = column + 1; c < columns && want[c] == want[column]; ++c) {
        if (shown[c] != want[c]) last = c;
    }
    int count = last - column;
    if (count == 0) return column;
    char rep[16];
    std::size_t repLength = EncodeCsi(count, 'b', rep);
    if (repLength >= count * GlyphLength(GlyphOf(want[column]))) return column;
    Append(out, rep, repLength);
    for (int c = column + 1; c <= last; ++c) shown[c] = want[column];
    state.cursorColumn = ColumnAfter(state, last);
    return last;
}

void MoveCursor(TerminalOutputState& state, TerminalBytes& out, int row, int column) {
    out.length += PictureMove(state, row, column, out.data + out.length);
    state.cursorRow = row;
    state.cursorColumn = column;
}

// Cells of the row that a shift would leave showing what is wanted, or fewer
// than `needed` as soon as that many can no longer be reached.
int ShiftMatches(const uint32_t* shown, const uint32_t* want, int columns, int shift, int needed) {
    const int first = shift > 0 ? 0 : -shift, end = shift > 0 ? columns - shift : columns;
    // A quick look at every eighth cell first: most shifts are plainly wrong.
    int samples = 0, sampled = 0;
    for (int c = first; c < end; c += 8, ++samples) sampled += want[c] == shown[c + shift];
    if (samples > 0 && sampled * (end - first) / samples + 8 < needed) return 0;
    int matches = 0;
    for (int c = first; c < end; ++c) {
        matches += want[c] == shown[c + shift];
        if (matches + (end - c - 1) < needed) return matches;
    }
    return matches;
}

// How far the row's picture moved sideways since it was sent (turning moves
// it whole): positive to the left; 0 when no shift saves enough cells. The
// shift `hint` (the last row's) is tried first: a whole view turns as one.
// Shifts and gains count terminal cells, `step` of them to a picture cell.
int RowShift(const uint32_t* shown, const uint32_t* want, int columns, int hint, int step) {
    const int minGain = MIN_SHIFT_GAIN * step;
    int unchanged = 0;
    for (int c = 0; c < columns; ++c) unchanged += want[c] == shown[c];
    if (columns - unchanged < minGain) return 0;
    int best = 0, bestMatches = unchanged + minGain - 1;
    if (hint != 0) {
        const int matches = ShiftMatches(shown, want, columns, hint, bestMatches + 1);
        if (matches > columns - minGain) return hint;
        if (matches > bestMatches) {
            best = hint;
            bestMatches = matches;
        }
    }
    for (int distance = step; distance <= MAX_SHIFT * step; distance += step) {
        const int shifts[2] = {distance, -distance};
        for (int shift : shifts) {
            const int matches = ShiftMatches(shown, want, columns, shift, bestMatches + 1);
            if (matches > bestMatches) {
                best = shift;
                bestMatches = matches;
            }
        }
    }
    return best;
}

// Moves the row's cells sideways in the terminal by deleting (DCH) or
// inserting (ICH) characters at its start. In default colours, so the blanks
// the terminal fills in are plain; a right shift first deletes as many cells
// at the picture's right edge, so none are pushed out beside the picture.
void ShiftRow(TerminalOutputState& state, TerminalBytes& out, int row, int columns, int shift) {
    ChangePen(state, out, PEN_PLAIN);
    uint32_t* shown = state.shown + row * SHOWN_WIDTH_MAX;
    if (shift > 0) {
        MoveCursor(state, out, row, 0);
        out.length += EncodeCsi(shift, 'P', out.data + out.length);
        for (int c = 0; c < columns; ++c) shown[c] = c + shift < columns ? shown[c + shift] : SHOWN_UNKNOWN;
        return;
    }
    if (state.columns > state.left + PictureWidth(state)) {
        MoveCursor(state, out, row, PictureWidth(state) + shift);
        out.length += EncodeCsi(-shift, 'P', out.data + out.length);
    }
    MoveCursor(state, out, row, 0);
    out.length += EncodeCsi(-shift, '@', out.data + out.length);
    for (int c = columns - 1; c >= 0; --c) shown[c] = c + shift >= 0 ? shown[c + shift] : SHOWN_UNKNOWN;
}

// `shift` carries the last row's shift in and this row's out.
void EncodeRow(TerminalOutputState& state, TerminalBytes& out, int row, int columns, const uint32_t* want,
               bool mayShift, int& shift) {
    const uint32_t* shown = state.shown + row * SHOWN_WIDTH_MAX;
    if (mayShift) {
        shift = RowShift(shown, want, columns, shift, state.cellsPerCell);
        if (shift != 0) ShiftRow(state, out, row, columns, shift);
    }
    for (int column = 0; column < columns; ++column) {
        if (want[column] == shown[column]) continue;
        ReachCell(state, out, row, column, want);
        DrawCell(state, out, row, column, want[column]);
        if (state.repeatAllowed) column = RepeatCell(state, out, row, column, columns, want);
    }
}

// A line of text in the terminal's own colours, centred on terminal row
// `row` (a picture row number: it may lie below the picture).
void DrawTextLine(TerminalOutputState& state, TerminalBytes& out, int row, const char* text,
                  std::size_t length) {
    const int column = (PictureWidth(state) - static_cast<int>(length)) / 2;
    MoveCursor(state, out, row, column);
    ChangePen(state, out, PEN_PLAIN);
    Append(out, text, length);
    state.cursorColumn = -1;  // it may have ended at the terminal's edge
}

}  // namespace

void ResetTerminalOutput(TerminalOutputState& state, int columns, int rows) {
    state.columns = columns;
    state.rows = rows;
    state.cellWidthPx = 0;
    state.cellHeightPx = 0;
    state.trueColour = false;
    state.repeatAllowed = false;
    state.cellsPerCell = 0;  // not yet arranged
    ArrangeTerminalPicture(state);
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
    const bool erase = !state.screenKnown;
    const int step = state.cellsPerCell;
    const int width = PictureWidth(state);
    if (erase) {
        Append(out, ERASE, sizeof ERASE - 1);
        for (uint32_t& cell : state.shown) cell = ERASED_CELL;
        state.pen = PEN_PLAIN;
        state.cursorRow = -1;
        state.cursorColumn = -1;
        state.screenKnown = true;
        // The lines under the picture never change while the size does not.
        if (state.keyLine) DrawTextLine(state, out, SCREEN_HEIGHT, KEY_LINE, sizeof KEY_LINE - 1);
        char shapeNotice[128];
        if (state.shapeLine)
            DrawTextLine(state, out, SCREEN_HEIGHT + 1, shapeNotice,
                         ShapeNotice(state.columns, SCREEN_WIDTH * TERMINAL_CELLS_PER_CELL_MAX, shapeNotice));
    }
    const int rows = VisibleCount(state.rows > 0 ? state.rows - state.top : 0, SCREEN_HEIGHT);
    const int columns = VisibleCount(state.columns > 0 ? state.columns - state.left : 0, width);
    char notice[128];
    const std::size_t noticeLength = SizeNotice(state.columns, state.rows, notice);
    int shift = 0;
    for (int row = 0; row < rows; ++row) {
        uint32_t want[SHOWN_WIDTH_MAX];
        const CHAR_INFO* line = cells + row * SCREEN_WIDTH;
        for (int column = 0; column < columns; ++column) {
            if (noticeLength > 0 && row == rows - 1) {
                // As an unsigned byte: a char above 127 must not widen negative.
                unsigned code = static_cast<std::size_t>(column) < noticeLength
                                    ? static_cast<unsigned char>(notice[column])
                                    : static_cast<unsigned char>(' ');
                want[column] = SHOWN_PLAIN | (code << 8);
            } else {
                const CHAR_INFO& cell = line[column / step];
                want[column] = (VisibleGlyph(cell.character) << 8) | (cell.attributes & 0xFFu);
            }
        }
        // Only where the terminal's width is known: shifts act on whole lines.
        const bool mayShift =
            !erase && state.rows > 0 && state.columns > 0 && !(noticeLength > 0 && row == rows - 1);
        EncodeRow(state, out, row, columns, want, mayShift, shift);
    }
    if (out.length == sizeof SYNC_BEGIN - 1)
        out.length = 0;  // nothing changed: send nothing
    else
        Append(out, SYNC_END, sizeof SYNC_END - 1);
}

}  // namespace fg
