#include "console/cell_pixels.h"

#include "console/cell_glyphs.h"

namespace fg {

namespace {

// The light shade's dots: one in each row and each column of every 4 x 4
// square, in columns 0, 2, 1, 3 down its rows, so they show neither stripes
// nor lines.
bool LightDot(int x, int y) { return (x & 3) == ((y * 2 + ((y >> 1) & 1)) & 3); }

void PutPixel(uint8_t* pixel, const uint8_t* colour) {
    pixel[0] = colour[0];
    pixel[1] = colour[1];
    pixel[2] = colour[2];
    pixel[3] = 255;
}

}  // namespace

bool DotIsForeground(uint16_t character, int x, int y) {
    switch (ShadeGlyphQuarters(character & 0xFF)) {
        case 1: return LightDot(x, y);
        case 2: return ((x + y) & 1) == 0;
        case 3: return !LightDot(x, y);
        case 4: return true;
        default: return false;
    }
}

void DrawCellPixel(const CHAR_INFO& cell, int row, int column, uint8_t* rgba) {
    const uint8_t* foreground = CONSOLE_PALETTE[cell.attributes & 0x0F];
    const uint8_t* background = CONSOLE_PALETTE[(cell.attributes >> 4) & 0x0F];
    for (int y = 0; y < CELL_PIXELS; ++y) {
        uint8_t* line = rgba + ((row * CELL_PIXELS + y) * PICTURE_WIDTH + column * CELL_PIXELS) * 4;
        for (int x = 0; x < CELL_PIXELS; ++x)
            PutPixel(line + x * 4, DotIsForeground(cell.character, x, y) ? foreground : background);
    }
}

void DrawCellPixels(const CHAR_INFO* cells, uint8_t* rgba) {
    for (int row = 0; row < SCREEN_HEIGHT; ++row)
        for (int column = 0; column < SCREEN_WIDTH; ++column)
            DrawCellPixel(cells[row * SCREEN_WIDTH + column], row, column, rgba);
}

}  // namespace fg
