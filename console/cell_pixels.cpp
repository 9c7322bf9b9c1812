#include "console/cell_pixels.h"

#include <cstring>

#include "console/cell_glyphs.h"

namespace fg {

namespace {

// The light shade's dots: one in each row and each column of every 4 x 4
// square, in columns 0, 2, 1, 3 down its rows, so they show neither stripes
// nor lines.
constexpr bool LightDot(int x, int y) { return (x & 3) == ((y * 2 + ((y >> 1) & 1)) & 3); }

constexpr bool QuarterDot(int quarters, int x, int y) {
    switch (quarters) {
        case 1: return LightDot(x, y);
        case 2: return ((x + y) & 1) == 0;
        case 3: return !LightDot(x, y);
        case 4: return true;
        default: return false;
    }
}

// Each glyph's dots as one byte a row (bit x for dot x), by shaded quarters,
// so a cell is drawn without a test per dot.
struct DotRows {
    uint8_t rows[5][CELL_PIXELS];
};

constexpr DotRows MakeDotRows() {
    DotRows table{};
    for (int quarters = 0; quarters <= 4; ++quarters)
        for (int y = 0; y < CELL_PIXELS; ++y)
            for (int x = 0; x < CELL_PIXELS; ++x)
                if (QuarterDot(quarters, x, y)) table.rows[quarters][y] |= static_cast<uint8_t>(1u << x);
    return table;
}

constexpr DotRows DOT_ROWS = MakeDotRows();

// The colour as the four bytes of one pixel (red, green, blue, 255).
uint32_t PixelWord(const uint8_t* colour) {
    const uint8_t bytes[4] = {colour[0], colour[1], colour[2], 255};
    uint32_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

}  // namespace

bool DotIsForeground(uint16_t character, int x, int y) {
    return QuarterDot(ShadeGlyphQuarters(character & 0xFF), x, y);
}

void DrawCellPixel(const CHAR_INFO& cell, int row, int column, uint8_t* rgba) {
    const uint32_t foreground = PixelWord(CONSOLE_PALETTE[cell.attributes & 0x0F]);
    const uint32_t background = PixelWord(CONSOLE_PALETTE[(cell.attributes >> 4) & 0x0F]);
    const uint8_t* dots = DOT_ROWS.rows[ShadeGlyphQuarters(cell.character & 0xFF)];
    for (int y = 0; y < CELL_PIXELS; ++y) {
        uint32_t line[CELL_PIXELS];
        for (int x = 0; x < CELL_PIXELS; ++x) line[x] = (dots[y] >> x) & 1 ? foreground : background;
        std::memcpy(rgba + ((row * CELL_PIXELS + y) * PICTURE_WIDTH + column * CELL_PIXELS) * 4, line,
                    sizeof line);
    }
}

void DrawCellPixels(const CHAR_INFO* cells, uint8_t* rgba) {
    for (int row = 0; row < SCREEN_HEIGHT; ++row)
        for (int column = 0; column < SCREEN_WIDTH; ++column)
            DrawCellPixel(cells[row * SCREEN_WIDTH + column], row, column, rgba);
}

}  // namespace fg
