// Turns console cells into the bytes an ANSI terminal needs to show them.
// No I/O: the POSIX back end writes what these functions produce.
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
#pragma once

#include <cstddef>
#include <cstdint>

#include "console/platform.h"

namespace fg {

// What the encoder knows about the terminal between frames. Zero-initialised
// by ResetTerminalOutput; only EncodeFrame and the back end (size, resize)
// change it.
struct TerminalOutputState {
    int rows;             // terminal size; cells outside it are not sent, so a
    int columns;          // small terminal shows the picture cut, not wrapped
    bool screenKnown;     // false: erase the screen, in default colours, before the next frame
    bool colourKnown;     // true: the terminal's current SGR colours are `attributes`
    uint16_t attributes;  // the last attribute word sent as SGR
};

// Longest frame: a colour reset and erase, one cursor position per row, and
// per cell the longest SGR ("ESC[97;107m", 9 bytes) plus a three-byte glyph.
constexpr std::size_t TERMINAL_FRAME_BYTES_MAX =
    8 + SCREEN_HEIGHT * 8 + SCREEN_WIDTH * SCREEN_HEIGHT * 12;

struct TerminalBytes {
    std::size_t length;
    char data[TERMINAL_FRAME_BYTES_MAX];
};

// Starts from an unknown screen of the given size (0 or less: assume the
// picture fits).
void ResetTerminalOutput(TerminalOutputState& state, int rows, int columns);

// The terminal changed under us (resize): redraw from an erased screen.
void ForgetTerminalScreen(TerminalOutputState& state);

// Replaces out with the bytes that show the SCREEN_WIDTH x SCREEN_HEIGHT cells
// (row-major) at the top-left of the terminal, and records in state what the
// terminal shows afterwards. Every cell is sent each frame; the state carries
// the SGR colours across frames, so a frame that starts in the colour the last
// one ended in sends no SGR for it.
void EncodeFrame(TerminalOutputState& state, const CHAR_INFO* cells, TerminalBytes& out);

// Writes the window-title request "ESC ] 2 ; title BEL" into out (at most
// capacity bytes, title shortened to fit) and returns its length. Only
// printable ASCII of the title is kept, so it cannot end the request early.
std::size_t EncodeTitle(const char* title, char* out, std::size_t capacity);

}  // namespace fg
