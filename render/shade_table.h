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

// A texel (bits 0-2 colour, 3-5 brightness) at a brightness factor; the level
// is trunc(brightness * factor) clamped to 0..7.
inline CHAR_INFO ShadeTexel(int texel, float factor) {
    const int colour = texel & 7;
    const int brightness = (texel >> 3) & 7;
    const double product = brightness * static_cast<double>(factor);
    int level = 0;
    if (product >= 8.0) level = 7;
    else if (product > 0.0) level = static_cast<int>(product);
    return ShadeTable[colour * 8 + level];
}

}  // namespace fg
