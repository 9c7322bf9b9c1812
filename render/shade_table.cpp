#include "render/shade_table.h"

#include "console/cell_glyphs.h"

namespace fg {

CHAR_INFO ShadeTable[64];

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
}

}  // namespace fg
