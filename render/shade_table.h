// Texels and the 64 console cells they can become.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "console/platform.h"

namespace fg {

// Index colour * 8 + level. Level 0 is black, 1-3 the dark colour in light,
// medium and medium-on-dark shades, 4-5 the bright colour in dark shade, 6-7 a
// full bright block.
extern CHAR_INFO ShadeTable[64];

// Fills ShadeTable and ShadeCells.
void BuildShadeTable();

// The level of a brightness 0..7 at a factor: trunc(brightness * factor)
// clamped to 0..7, the factor widened to double first.
inline int ShadeLevel(int brightness, float factor) {
    const double product = brightness * static_cast<double>(factor);
    if (product >= 8.0) return 7;
    if (product > 0.0) return static_cast<int>(product);
    return 0;
}

// Every factor gives one of at most 50 sets of eight levels. Each level grows
// with the factor, so the sets form a chain: two different sets differ in
// their sums (0..49, brightness 0 being always level 0), and the sum names
// the set. ShadeCells[set] holds the cell of every texel (by its low six bits)
// at that set, so a texel costs one lookup.
constexpr int SHADE_LEVEL_SETS = 50;
constexpr int SHADED_TEXEL_BITS = 63;  // colour and brightness; shading ignores bits 6-7
extern CHAR_INFO ShadeCells[SHADE_LEVEL_SETS][64];

// Every threshold k / b (b = 1..7) is a whole number of 1/420ths, and 420
// times a single-precision factor is exact in double, so the set of a factor
// depends only on trunc(420 * factor): ShadeSetOfTick maps that, clamped to
// 0..SHADE_TICKS (from 7 = 2940/420 up, every level is 7), to the set.
constexpr int SHADE_TICKS_PER_UNIT = 420;
constexpr int SHADE_TICKS = 7 * SHADE_TICKS_PER_UNIT;
inline constexpr auto ShadeSetOfTick = [] {  // worked out by the compiler
    std::array<uint8_t, SHADE_TICKS + 1> sets{};
    for (int n = 0; n <= SHADE_TICKS; ++n) {
        int set = 0;
        for (int b = 1; b < 8; ++b) {  // at factor n / 420, level trunc(b * n / 420), clamped
            const int level = b * n / SHADE_TICKS_PER_UNIT;
            set += level > 7 ? 7 : level;
        }
        sets[static_cast<size_t>(n)] = static_cast<uint8_t>(set);
    }
    return sets;
}();

// The row of ShadeCells for a factor: ShadeCells[set][t] == ShadeTexel(t, factor).
inline const CHAR_INFO* ShadeCellsAt(float factor) {
    const double ticks = SHADE_TICKS_PER_UNIT * static_cast<double>(factor);
    const int tick = ticks >= SHADE_TICKS ? SHADE_TICKS : ticks > 0 ? static_cast<int>(ticks) : 0;
    return ShadeCells[ShadeSetOfTick[static_cast<size_t>(tick)]];
}

// A texel (bits 0-2 colour, 3-5 brightness) at a brightness factor.
inline CHAR_INFO ShadeTexel(int texel, float factor) {
    return ShadeTable[(texel & 7) * 8 + ShadeLevel((texel >> 3) & 7, factor)];
}

}  // namespace fg
