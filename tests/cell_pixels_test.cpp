// Cells to pixels for the web page: the shade glyphs' dot patterns and the
// placement and colours of every cell in the picture.
#include <gtest/gtest.h>

#include <array>
#include <utility>
#include <vector>

#include "console/cell_glyphs.h"
#include "console/cell_pixels.h"

namespace fg {
namespace {

// Each shade lights its share of dots in every row and every column of the
// cell alike, so no shade shows stripes; anything but a shade glyph shows the
// background only; the character is the low byte of the field.
TEST(CellPixels, ShadeGlyphsAreEvenDotPatterns) {
    const struct {
        uint16_t character;
        int dotsPerLine;
    } cases[] = {{LIGHT_SHADE, 2}, {MEDIUM_SHADE, 4}, {DARK_SHADE, 6},          {FULL_BLOCK, 8},
                 {0, 0},           {'A', 0},          {0x0100 | LIGHT_SHADE, 2}};
    for (const auto& c : cases) {
        for (int i = 0; i < CELL_PIXELS; ++i) {
            int row = 0, column = 0;
            for (int j = 0; j < CELL_PIXELS; ++j) {
                row += DotIsForeground(c.character, j, i);
                column += DotIsForeground(c.character, i, j);
            }
            EXPECT_EQ(row, c.dotsPerLine) << "character " << c.character << " row " << i;
            EXPECT_EQ(column, c.dotsPerLine) << "character " << c.character << " column " << i;
        }
    }
}

TEST(CellPixels, DarkShadeIsTheLightShadeInverted) {
    for (int y = 0; y < CELL_PIXELS; ++y)
        for (int x = 0; x < CELL_PIXELS; ++x) {
            EXPECT_NE(DotIsForeground(LIGHT_SHADE, x, y), DotIsForeground(DARK_SHADE, x, y)) << x << "," << y;
            // The medium shade is a checkerboard: no two neighbours alike.
            EXPECT_NE(DotIsForeground(MEDIUM_SHADE, x, y), DotIsForeground(MEDIUM_SHADE, x + 1, y));
        }
}

std::array<uint8_t, 4> Pixel(const std::vector<uint8_t>& rgba, int x, int y) {
    const uint8_t* p = &rgba[(y * PICTURE_WIDTH + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}

std::array<uint8_t, 4> Colour(int index) {
    return {CONSOLE_PALETTE[index][0], CONSOLE_PALETTE[index][1], CONSOLE_PALETTE[index][2], 255};
}

// Cells land at their row and column, each dot in the foreground or the
// background colour of the cell's attribute nibbles, every pixel opaque; a cell
// never written (all zero) is black.
TEST(CellPixels, CellsLandInPlaceInTheirColours) {
    const struct {
        int row, column;
        uint16_t character, attributes;
        int foreground, background, foregroundDots;
    } cases[] = {
        {0, 0, FULL_BLOCK, 0x1E, 14, 1, 64},    // yellow on blue, all foreground
        {10, 3, LIGHT_SHADE, 0x4A, 10, 4, 16},  // bright green on red
        {25, 40, MEDIUM_SHADE, 0x07, 7, 0, 32},
        {49, 79, DARK_SHADE, 0x68, 8, 6, 48},  // the last cell, bright black on brown
        {30, 20, 'x', 0xF5, 5, 15, 0},         // not a shade: background, all four bits
        {12, 60, 0, 0, 0, 0, 0},               // never written
    };
    std::vector<CHAR_INFO> cells(SCREEN_WIDTH * SCREEN_HEIGHT, CHAR_INFO{0, 0});
    for (const auto& c : cases) cells[c.row * SCREEN_WIDTH + c.column] = {c.character, c.attributes};
    std::vector<uint8_t> rgba(PICTURE_BYTES, 0x33);
    DrawCellPixels(cells.data(), rgba.data());

    for (const auto& c : cases) {
        int foreground = 0;
        for (int y = 0; y < CELL_PIXELS; ++y)
            for (int x = 0; x < CELL_PIXELS; ++x) {
                const auto pixel = Pixel(rgba, c.column * CELL_PIXELS + x, c.row * CELL_PIXELS + y);
                const bool lit = DotIsForeground(c.character, x, y);
                EXPECT_EQ(pixel, Colour(lit ? c.foreground : c.background))
                    << "cell " << c.row << "," << c.column << " dot " << x << "," << y;
                foreground += lit;
            }
        EXPECT_EQ(foreground, c.foregroundDots) << "cell " << c.row << "," << c.column;
    }
    // Every other cell is black, up to the picture's last byte.
    EXPECT_EQ(Pixel(rgba, 8, 0), Colour(0));
    EXPECT_EQ(Pixel(rgba, PICTURE_WIDTH - 9, PICTURE_HEIGHT - 1), Colour(0));
    for (size_t i = 3; i < rgba.size(); i += 4) ASSERT_EQ(rgba[i], 255) << "alpha at byte " << i;
}

// Redrawing one cell writes exactly its own square, as the whole picture does,
// and nothing around it: the page redraws only the cells that changed.
TEST(CellPixels, OneCellDrawsOnlyItsSquare) {
    std::vector<CHAR_INFO> cells(SCREEN_WIDTH * SCREEN_HEIGHT, CHAR_INFO{0, 0});
    const CHAR_INFO cell{LIGHT_SHADE, 0x4A};
    const std::array<uint8_t, 4> untouched{0x33, 0x33, 0x33, 0x33};
    for (const auto& [row, column] : {std::pair{0, 0}, std::pair{17, 33}, std::pair{49, 79}}) {
        cells[row * SCREEN_WIDTH + column] = cell;
        std::vector<uint8_t> whole(PICTURE_BYTES), one(PICTURE_BYTES, 0x33);
        DrawCellPixels(cells.data(), whole.data());
        DrawCellPixel(cell, row, column, one.data());
        cells[row * SCREEN_WIDTH + column] = CHAR_INFO{0, 0};
        for (int y = 0; y < PICTURE_HEIGHT; ++y)
            for (int x = 0; x < PICTURE_WIDTH; ++x) {
                const bool inside = y / CELL_PIXELS == row && x / CELL_PIXELS == column;
                ASSERT_EQ(Pixel(one, x, y), inside ? Pixel(whole, x, y) : untouched)
                    << "cell " << row << "," << column << " pixel " << x << "," << y;
            }
    }
}

}  // namespace
}  // namespace fg
