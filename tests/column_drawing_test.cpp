// The scaled column drawer and the shade levels it works from, checked
// exhaustively against the rules written out plainly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <iterator>
#include <vector>

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

// Texture column u drawn into screen column 12 at every height the drawer
// accepts and those just outside: the rows it writes and the texels they
// show, and nothing beside it.
void ExpectEveryHeightAsThePlainRules(int u, float factor) {
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
            ExpectEveryHeightAsThePlainRules(u, factor);
        }
    }
}

// Figure-like columns, whose opaque texels lie between transparent rows above
// and below (or nowhere), with their spans worked out as start-up does: the
// drawer visits only the rows between and still draws as the plain rules do,
// at every height, the edges of the span included.
TEST_F(ColumnDrawing, ColumnsWithTransparentEndsMatchThePlainRules) {
    struct Shape {
        int from, to;  // opaque texture rows, the rest transparent; from > to: none
        bool holes;    // transparent texels inside the span too
    };
    const Shape shapes[] = {{0, 63, true}, {16, 63, true},  {0, 40, false}, {17, 62, true}, {30, 30, false},
                            {0, 0, false}, {63, 63, false}, {5, 4, false},  {1, 62, true}};
    for (int u = 0; u < static_cast<int>(std::size(shapes)); ++u)
        for (int v = 0; v < TEXTURE_SIZE; ++v) {
            const Shape& s = shapes[u];
            const bool inside = v >= s.from && v <= s.to && !(s.holes && (v * 5 + u) % 7 == 0);
            Texel(TEXTURE, v, u) = inside ? static_cast<uint8_t>((v * 37 + u * 11) & 63) : TRANSPARENT_TEXEL;
        }
    BuildOpaqueRowSpans();
    EXPECT_EQ(OpaqueRowSpans[TEXTURE][1].first, 16);
    EXPECT_EQ(OpaqueRowSpans[TEXTURE][1].last, 63);
    EXPECT_GT(OpaqueRowSpans[TEXTURE][7].first, OpaqueRowSpans[TEXTURE][7].last);  // wholly transparent
    for (const float factor : {0.5f, 1.6666666f})
        for (int u = 0; u < static_cast<int>(std::size(shapes)); ++u)
            ExpectEveryHeightAsThePlainRules(u, factor);
}

// The row of cells looked up once for a factor shades every texel as
// ShadeTexel does: at every factor where some level changes (k / b), just
// either side of it, and at factors well away from them.
TEST_F(ColumnDrawing, ShadeCellsAgreeWithShadeTexel) {
    std::vector<float> factors = {-1.0f, 0.0f, 0.1f, 0.5f, 2.5f, 100.0f, 1e30f};
    for (int b = 1; b < 8; ++b)
        for (int k = 1; k <= 8; ++k) {
            const float f = static_cast<float>(k) / static_cast<float>(b);
            factors.insert(factors.end(), {std::nextafter(f, 0.0f), f, std::nextafter(f, 100.0f)});
        }
    for (const float factor : factors) {
        const CHAR_INFO* cells = ShadeCellsAt(factor);
        for (int texel = 0; texel < 256; ++texel) {
            ASSERT_TRUE(Same(cells[texel & SHADED_TEXEL_BITS], ShadeTexel(texel, factor)))
                << "texel " << texel << " factor " << factor;
        }
    }
}

}  // namespace
}  // namespace fg
