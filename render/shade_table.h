// Texels and the 64 console cells they can become.
#pragma once

#include <cstdint>

#include "console/platform.h"

namespace fg {

// Index colour * 8 + level. Level 0 is black, 1-3 the dark colour in light,
// medium and medium-on-dark shades, 4-5 the bright colour in dark shade, 6-7 a
// full bright block.
extern CHAR_INFO ShadeTable[64];

void BuildShadeTable();

// The level of a brightness 0..7 at a factor: trunc(brightness * factor)
// clamped to 0..7, the factor widened to double first.
inline int ShadeLevel(int brightness, float factor) {
    const double product = brightness * static_cast<double>(factor);
    if (product >= 8.0) return 7;
    if (product > 0.0) return static_cast<int>(product);
    return 0;
}

// The levels of all eight brightnesses at one factor, for drawing many texels
// with it: the cell of texel t is ShadeTable[(t & 7) * 8 + level[(t >> 3) & 7]].
struct ShadeLevels {
    uint8_t level[8];
};
inline ShadeLevels LevelsAt(float factor) {
    ShadeLevels levels;
    for (int b = 0; b < 8; ++b) levels.level[b] = static_cast<uint8_t>(ShadeLevel(b, factor));
    return levels;
}

// A texel (bits 0-2 colour, 3-5 brightness) at a brightness factor.
inline CHAR_INFO ShadeTexel(int texel, float factor) {
    return ShadeTable[(texel & 7) * 8 + ShadeLevel((texel >> 3) & 7, factor)];
}

}  // namespace fg
