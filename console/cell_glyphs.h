// What a console cell looks like: its four shade glyphs and sixteen colours.
// The one home of these mappings for the renderer, every back end and the tools.
#pragma once

#include <cstdint>

namespace fg {

// Code page 437 codes of the glyphs the picture is drawn with.
constexpr uint16_t LIGHT_SHADE = 176;
constexpr uint16_t MEDIUM_SHADE = 177;
constexpr uint16_t DARK_SHADE = 178;
constexpr uint16_t FULL_BLOCK = 219;

// The same glyphs in UTF-8 (U+2591, U+2592, U+2593, U+2588), for terminals.
// Returns nullptr for a code that is not a shade glyph.
inline const char* ShadeGlyphUtf8(unsigned code) {
    switch (code) {
        case LIGHT_SHADE: return "\xE2\x96\x91";
        case MEDIUM_SHADE: return "\xE2\x96\x92";
        case DARK_SHADE: return "\xE2\x96\x93";
        case FULL_BLOCK: return "\xE2\x96\x88";
        default: return nullptr;
    }
}

// Fraction of a cell's dots in the foreground colour, in quarters: 1, 2, 3 or 4
// for the shade glyphs, 0 for anything else.
inline int ShadeGlyphQuarters(unsigned code) {
    switch (code) {
        case LIGHT_SHADE: return 1;
        case MEDIUM_SHADE: return 2;
        case DARK_SHADE: return 3;
        case FULL_BLOCK: return 4;
        default: return 0;
    }
}

// Console colours number blue as bit 0 and red as bit 2; ANSI the other way round.
constexpr int ANSI_FROM_CONSOLE_COLOUR[8] = {0, 4, 2, 6, 1, 5, 3, 7};

// The sixteen console colours as RGB, in attribute-nibble order (bit 3 bright).
constexpr uint8_t CONSOLE_PALETTE[16][3] = {
    {0x00, 0x00, 0x00}, {0x00, 0x00, 0xAA}, {0x00, 0xAA, 0x00}, {0x00, 0xAA, 0xAA},
    {0xAA, 0x00, 0x00}, {0xAA, 0x00, 0xAA}, {0xAA, 0x55, 0x00}, {0xAA, 0xAA, 0xAA},
    {0x55, 0x55, 0x55}, {0x55, 0x55, 0xFF}, {0x55, 0xFF, 0x55}, {0x55, 0xFF, 0xFF},
    {0xFF, 0x55, 0x55}, {0xFF, 0x55, 0xFF}, {0xFF, 0xFF, 0x55}, {0xFF, 0xFF, 0xFF},
};

}  // namespace fg
