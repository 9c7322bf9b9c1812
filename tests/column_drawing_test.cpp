// The scaled column drawer and the shade levels it works from, checked
// exhaustively against the rules written out plainly.
#include <gtest/gtest.h>

#include <cstring>

#include "render/caster.h"
#include "render/shade_table.h"
#include "tests/test_screen.h"
#include "tests/test_world.h"

namespace fg {
namespace {

using namespace test;

constexpr int TEXTURE = 7;

// DrawTextureColumn as its rules read: a division per row, the texture row
// one row behind, a stop once it would reach row 64.
Column ReferenceColumn(int u, int height, float factor) {
    Column column;
    column.fill(SENTINEL);
    if (height <= 0 || height >= MAX_COLUMN_HEIGHT) return column;
    const int top = HORIZON_ROW - height / 2;
    const int last = top + height >= SCREEN_HEIGHT ? SCREEN_HEIGHT - 1 : top + height;
    const int first = top < 0 ? 0 : top;
    int acc = (first - top) * 64;
    int v = acc / height;
    for (int r = first; r <= last; ++r) {
        const uint8_t texel = Texel(TEXTURE, v, u % 64);
        if (texel != TRANSPARENT_TEXEL) column[r] = ShadeTexel(texel, factor);
        const int next = acc / height;
        if (next >= 64) break;
        v = next;
        acc += 64;
    }
    return column;
}

class ColumnDrawing : public ::testing::Test {
protected:
    void SetUp() override {
        ResetWorld();
        // Every texel differs from its neighbours above and below, and some
        // are transparent.
        for (int v = 0; v < TEXTURE_SIZE; ++v)
            for (int u = 0; u < TEXTURE_SIZE; ++u)
                Texel(TEXTURE, v, u) =
                    (v * 7 + u) % 23 == 0 ? TRANSPARENT_TEXEL : static_cast<uint8_t>((v * 37 + u * 11) & 63);
    }
};

// Every height the drawer accepts, and those just outside, at a few texture
// columns and factors: the rows it writes and the texels they show.
TEST_F(ColumnDrawing, EveryHeightMatchesThePlainRules) {
    for (const float factor : {0.25f, 1.0f, 1.6666666f}) {
        for (const int u : {0, 33, 63, 64 + 5}) {
            for (int height = -1; height <= MAX_COLUMN_HEIGHT; ++height) {
                FillSentinel();
                DrawTextureColumn(TEXTURE, u, 12, height, factor);
                const Column expected = ReferenceColumn(u, height, factor);
                const Column actual = ColumnOf(12);
                for (int r = 0; r < SCREEN_HEIGHT; ++r)
                    ASSERT_TRUE(Same(actual[r], expected[r]))
                        << "height " << height << " u " << u << " factor " << factor << " row " << r;
                ASSERT_TRUE(ColumnUntouched(11) && ColumnUntouched(13)) << "height " << height;
            }
        }
    }
}

// The levels worked out once for a factor shade every texel as ShadeTexel does.
TEST_F(ColumnDrawing, ShadeLevelsAgreeWithShadeTexel) {
    for (const float factor :
         {-1.0f, 0.0f, 0.1f, 0.142857f, 0.5f, 0.99999994f, 1.0f, 1.142857f, 8.0f / 7, 2.5f, 100.0f}) {
        const ShadeLevels levels = LevelsAt(factor);
        for (int texel = 0; texel < 256; ++texel) {
            const CHAR_INFO viaLevels = ShadeTable[(texel & 7) * 8 + levels.level[(texel >> 3) & 7]];
            ASSERT_TRUE(Same(viaLevels, ShadeTexel(texel, factor)))
                << "texel " << texel << " factor " << factor;
        }
    }
}

}  // namespace
}  // namespace fg
