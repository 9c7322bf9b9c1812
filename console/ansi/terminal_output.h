// Turns console cells into the bytes an ANSI terminal needs to show them.
// No I/O: the POSIX back end writes what these functions produce.
//
// The encoder remembers what the terminal shows and sends only the cells that
// changed since the last frame, reaching each by the cheapest cursor move and
// sending only the half of the colour pair that differs from the terminal's.
// Each frame is wrapped in a synchronized update (CSI ? 2026 h ... l) so a
// terminal that supports it never paints half a frame; others ignore it.
//
// Colours: the cell's attribute word keeps the console's colour order (blue
// bit 0, green bit 1, red bit 2); the terminal's SGR colours put red first,
// so the three bits are reversed. Foreground bit 3 selects the bright set
// (90-97); background bits 4-6 give 40-47 and bit 7 the bright background set
// (100-107), as the console would show it. Other attribute bits are ignored.
//
// Glyphs, from the low byte of the character field: the shades 176, 177, 178
// and the full block 219 become U+2591, U+2592, U+2593 and U+2588 in UTF-8;
// printable ASCII (32-126) is sent as itself; every other code, 0 included,
// is shown as a space, so no cell can send a control byte to the terminal.
//
// A terminal smaller than the picture shows its top-left part, and its last
// visible row says, in the terminal's own colours, how big it is and how big
// it needs to be.
//
// Shape and place (terminal_layout.cpp): where terminal cells are tall (1.5
// times as tall as wide or more) and there are columns enough, each picture
// cell is drawn as two terminal cells side by side, which gives the picture
// its designed shape. A larger terminal shows the picture centred, with a
// line of keys under it when a row is free.
//
// Colours in 24-bit (trueColour) come from the console palette itself, so the
// picture does not change with the terminal's theme; the same halves are sent
// as in 16 colours, only when they change.
#pragma once

#include <cstddef>
#include <cstdint>

#include "console/platform.h"

namespace fg {

// A shown cell: glyph code << 8 | attribute low byte, or a cell in the
// terminal's default colours (erased, or the size notice) with SHOWN_PLAIN set.
constexpr uint32_t SHOWN_PLAIN = 1u << 16;
constexpr uint32_t SHOWN_UNKNOWN = 0xFFFFFFFFu;
// The terminal's pen: an attribute low byte, PEN_PLAIN (default colours) or
// PEN_UNKNOWN.
constexpr int PEN_PLAIN = 0x100;
constexpr int PEN_UNKNOWN = -1;

// What the encoder knows about the terminal between frames. Set up by
// ResetTerminalOutput; only EncodeFrame, ForgetTerminalScreen and the back end
// (size, repeatAllowed) change it.
// Terminal cells across one picture cell, at most.
constexpr int TERMINAL_CELLS_PER_CELL_MAX = 2;
constexpr int SHOWN_WIDTH_MAX = SCREEN_WIDTH * TERMINAL_CELLS_PER_CELL_MAX;

struct TerminalOutputState {
    int columns;       // terminal size; cells outside it are not sent, so a
    int rows;          // small terminal shows the picture cut, not wrapped
    int cellWidthPx;   // a terminal cell's shape in pixels; 0: unknown, taken
    int cellHeightPx;  // as twice as tall as wide
    bool trueColour;   // the terminal takes 24-bit colour
    // Set by ArrangeTerminalPicture from the fields above:
    int cellsPerCell;  // terminal cells across one picture cell: 1 or 2
    int top;           // the picture's first terminal row and column
    int left;
    bool keyLine;        // the row under the picture shows the keys
    bool shapeLine;      // the row under that says how wide the true shape needs
    bool screenKnown;    // false: erase the screen, in default colours, before the next frame
    bool repeatAllowed;  // the terminal is known to take REP (CSI n b)
    int pen;             // the colours the terminal draws in now
    int cursorRow;       // -1: unknown
    int cursorColumn;    // -1: unknown (also after writing the terminal's last column)
    // What each terminal cell of the picture shows, SHOWN_WIDTH_MAX to a row.
    uint32_t shown[SCREEN_HEIGHT * SHOWN_WIDTH_MAX];
};

// Longest frame: the synchronized-update brackets, a colour reset and erase,
// the key lines, per row a sideways shift, and per terminal cell the longest
// move (16 bytes), 24-bit SGR ("ESC[38;2;255;255;255;48;2;255;255;255m") and glyph.
constexpr std::size_t TERMINAL_FRAME_BYTES_MAX =
    32 + 2 * (16 + 128) + SCREEN_HEIGHT * 64 + SHOWN_WIDTH_MAX * SCREEN_HEIGHT * (16 + 38 + 3);

struct TerminalBytes {
    std::size_t length;
    char data[TERMINAL_FRAME_BYTES_MAX];
};

// Starts from an unknown screen of the given size (0 or less: assume the
// picture fits), cells of unknown shape and 16 colours. REP stays off until
// the back end allows it.
void ResetTerminalOutput(TerminalOutputState& state, int columns, int rows);

// Works out the picture's width and place from the size and cell shape, and
// forgets the screen if they changed. Call after changing those fields.
void ArrangeTerminalPicture(TerminalOutputState& state);

// The line of keys shown under the picture.
constexpr char KEY_LINE[] = "arrows walk and turn   space opens doors   Esc or q quits";

// The terminal may no longer show what we sent (resize, resume, focus-in, a
// frame that did not go out whole): the next frame erases and redraws all.
void ForgetTerminalScreen(TerminalOutputState& state);

// Replaces out with the bytes that make the terminal show the SCREEN_WIDTH x
// SCREEN_HEIGHT cells (row-major) where ArrangeTerminalPicture placed them,
// and records in state what it shows afterwards. Nothing changed: out is empty and nothing need be sent.
void EncodeFrame(TerminalOutputState& state, const CHAR_INFO* cells, TerminalBytes& out);

// "ESC [ count final", the count left out where it is the default 1.
std::size_t EncodeCsi(int count, char final, char* out);

// The cheapest bytes that take the cursor from (fromRow, fromColumn) to (row,
// column); a negative from-coordinate is unknown. lastRow is the terminal's
// last row (a line feed there would scroll). Writes at most 16 bytes.
std::size_t EncodeCursorMove(int fromRow, int fromColumn, int row, int column, int lastRow, char* out);

// The SGR that changes the pen from `from` to `to` (attribute bytes or
// PEN_PLAIN/PEN_UNKNOWN), sending only the halves that differ, as 16 colours
// or (trueColour) the palette's own. At most 38 bytes.
std::size_t EncodeColourChange(int from, int to, char* out, bool trueColour = false);
// Its length, without writing it.
std::size_t ColourChangeLength(int from, int to, bool trueColour = false);

// The notice for a terminal of the given size that cannot show the whole
// picture, shortened to fit `columns` by dropping words, never by cutting a
// size; returns its length (0 when the picture fits). out holds at least
// 128 bytes.
std::size_t SizeNotice(int columns, int rows, char* out);

// The notice for a terminal that shows the picture but would show its true
// shape with `wideColumns` columns: 0 when it has them (or never could), else
// the line, shortened in the same way.
std::size_t ShapeNotice(int columns, int wideColumns, char* out);

// Whether the terminal takes 24-bit colour: COLORTERM says "truecolor" or
// "24bit". Inside tmux or screen, whose COLORTERM may be the outer terminal's,
// only when TERM names a "-direct" (24-bit) terminal type.
bool TerminalTakesTrueColour(const char* colorterm, const char* term, bool inMultiplexer);

// Whether a terminal is known to repeat any character with REP, from $TERM
// and whether $TMUX and $XTERM_VERSION (set by xterm itself) are present.
// Only xterm, outside tmux; unknown terminals: no.
bool TerminalKnownToRepeat(const char* term, bool inTmux, bool inXterm);

// Writes the window-title request "ESC ] 2 ; title BEL" into out (at most
// capacity bytes, title shortened to fit) and returns its length. Only
// printable ASCII of the title is kept, so it cannot end the request early.
std::size_t EncodeTitle(const char* title, char* out, std::size_t capacity);

}  // namespace fg
