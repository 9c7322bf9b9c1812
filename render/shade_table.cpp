#include "render/shade_table.h"

#include "console/cell_glyphs.h"

namespace fg {

CHAR_INFO ShadeTable[64];
CHAR_INFO ShadeCells[SHADE_LEVEL_SETS][64];

namespace {

// The product of a brightness and a single-precision factor is exact in
// double, so a level is the whole part of the exact product, clamped. The
// set changes only where some b * factor reaches a whole number k, that is
// at factor = k / b; the set at each such point (and at 0) is every set
// there is, worked out here in whole numbers.
void FillShadeCells(int k, int b) {
    int levels[8];
    int set = 0;
    for (int brightness = 0; brightness < 8; ++brightness) {
        const int level = b == 0 ? 0 : brightness * k / b;
        levels[brightness] = level > 7 ? 7 : level;
        set += levels[brightness];
    }
    for (int t = 0; t < 64; ++t) ShadeCells[set][t] = ShadeTable[(t & 7) * 8 + levels[t >> 3]];
}

}  // namespace

void BuildShadeTable() {
    static const uint16_t glyphs[4] = {LIGHT_SHADE, MEDIUM_SHADE, DARK_SHADE, FULL_BLOCK};
    for (int c = 0; c < 8; ++c)
        for (int l = 0; l < 8; ++l) {
            uint16_t attribute = static_cast<uint16_t>(c);
            if (l > 3) attribute += 8;
            if (l == 3 || l == 5) attribute |= static_cast<uint16_t>(c * 16);
            if (l == 0) attribute = 0;
            ShadeTable[c * 8 + l] = {glyphs[l / 2], attribute};
        }
    FillShadeCells(0, 0);
    for (int b = 1; b < 8; ++b)
        for (int k = 1; k <= 8; ++k) FillShadeCells(k, b);
}

}  // namespace fg
