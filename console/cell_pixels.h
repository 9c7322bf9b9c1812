// Cells to pixels for screens that draw their own glyphs: each cell becomes a
// square of dots in its foreground and background colours, the shade glyphs
// as fixed dot patterns, so the picture looks the same wherever it is shown.
#pragma once

#include <cstdint>

#include "console/platform.h"

namespace fg {

constexpr int CELL_PIXELS = 8;  // a cell is CELL_PIXELS x CELL_PIXELS dots
constexpr int PICTURE_WIDTH = SCREEN_WIDTH * CELL_PIXELS;
constexpr int PICTURE_HEIGHT = SCREEN_HEIGHT * CELL_PIXELS;
constexpr int PICTURE_BYTES = PICTURE_WIDTH * PICTURE_HEIGHT * 4;

// True where the dot (x, y) of a cell with this character shows the
// foreground colour. Light shade lights one dot in four, spread evenly;
// medium a checkerboard; dark the light pattern inverted; full block all.
// Any other character shows the background only.
bool DotIsForeground(uint16_t character, int x, int y);

// Draws all cells into rgba: PICTURE_WIDTH x PICTURE_HEIGHT pixels, row-major,
// four bytes each (red, green, blue, 255).
void DrawCellPixels(const CHAR_INFO* cells, uint8_t* rgba);
// Draws the one cell at (row, column) into the same picture, for screens that
// redraw only the cells that changed.
void DrawCellPixel(const CHAR_INFO& cell, int row, int column, uint8_t* rgba);

}  // namespace fg
