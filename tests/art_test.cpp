// The built-in art keeps the look the renderer was tuned for: each surface's
// main colours and brightness range, and a figure of the right size and
// colours in every view of every sheet.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "assets/asset_set.h"

namespace fg {
namespace {

enum Colour { K, B, G, C, R, M, Y, W };

struct SurfaceLook {
    std::vector<int> mainColours;  // most frequent first
    int minLevel, maxLevel;
};

const SurfaceLook Surfaces[19] = {
    {},
    {{W, K}, 0, 6},
    {{W, Y, K}, 0, 7},
    {{B, K, W}, 0, 7},
    {{W, K, Y}, 0, 7},
    {{C, K, W}, 0, 6},
    {{C, W, K}, 0, 7},
    {{W, Y}, 1, 4},
    {{W, Y}, 1, 3},
    {{W, K}, 0, 7},
    {{W, K}, 1, 7},
    {{W, M, R}, 0, 7},
    {{R, W, K}, 0, 6},
    {{C, R, W}, 1, 7},
    {{W, K}, 1, 6},
    {{Y, W, R}, 0, 7},
    {{B, K, W}, 0, 7},
    {{W, K, Y}, 0, 7},
    {{W, R, K}, 0, 7},
};

class Art : public testing::Test {
protected:
    static void SetUpTestSuite() {
        DecodeAssets();
        SplitSpriteSheets();
    }
    static const uint8_t* Texture(int t) { return TextureBank + t * TEXTURE_TEXELS; }
};

TEST_F(Art, UnusedTexturesStayZero) {
    for (int t : {0, 19, 20, 25, 31})
        EXPECT_TRUE(std::all_of(Texture(t), Texture(t) + TEXTURE_TEXELS, [](uint8_t b) { return b == 0; }))
            << "texture " << t;
}

TEST_F(Art, SurfacesHaveTheirMainColoursAndBrightnessRange) {
    for (int t = 1; t <= 18; ++t) {
        int colours[8] = {}, levels[8] = {};
        for (int i = 0; i < TEXTURE_TEXELS; ++i) {
            const uint8_t texel = Texture(t)[i];
            ASSERT_LE(texel, 63) << "texture " << t << " texel " << i;
            ++colours[texel & 7];
            ++levels[texel >> 3];
        }
        const SurfaceLook& look = Surfaces[t];
        int covered = 0;
        for (size_t k = 0; k < look.mainColours.size(); ++k) {
            covered += colours[look.mainColours[k]];
            if (k > 0) {
                EXPECT_GT(colours[look.mainColours[k - 1]], colours[look.mainColours[k]])
                    << "texture " << t << ": main colours out of order";
            }
        }
        const int least = colours[look.mainColours.back()];
        for (int c = 0; c < 8; ++c)
            if (std::find(look.mainColours.begin(), look.mainColours.end(), c) == look.mainColours.end()) {
                EXPECT_LT(colours[c], least)
                    << "texture " << t << ": colour " << c << " outnumbers a main one";
            }
        EXPECT_GE(covered * 10, TEXTURE_TEXELS * 9) << "texture " << t;
        for (int l = 0; l < 8; ++l)
            EXPECT_EQ(levels[l] > 0, l >= look.minLevel && l <= look.maxLevel)
                << "texture " << t << " brightness " << l;
    }
}

TEST_F(Art, EveryViewShowsTheFigureWithinItsBounds) {
    for (int sheet = 0; sheet < SPRITE_SHEET_COUNT; ++sheet) {
        int transparent = 0, colours[8] = {}, levels[8] = {};
        for (int view = 0; view < SPRITE_VIEWS; ++view) {
            const uint8_t* image = Texture(FIRST_SPRITE_TEXTURE + 8 * sheet + view);
            int top = 64, bottom = -1, left = 64, right = -1;
            for (int v = 0; v < 64; ++v)
                for (int u = 0; u < 64; ++u) {
                    const uint8_t texel = image[v * 64 + u];
                    if (texel == TRANSPARENT_TEXEL) {
                        ++transparent;
                        continue;
                    }
                    ASSERT_LE(texel, 63);
                    ++colours[texel & 7];
                    ++levels[texel >> 3];
                    top = std::min(top, v), bottom = std::max(bottom, v);
                    left = std::min(left, u), right = std::max(right, u);
                }
            const std::string where = "sheet " + std::to_string(sheet) + " view " + std::to_string(view);
            EXPECT_GE(top, 16) << where;
            EXPECT_GE(bottom, 62) << where;  // the feet reach the floor line
            EXPECT_GE(left, 13) << where;
            EXPECT_LE(right, 47) << where;
            EXPECT_NEAR((left + right) / 2.0, 31, 4) << where << ": roughly centred";
        }
        EXPECT_GE(transparent, 27857) << "sheet " << sheet;
        EXPECT_LE(transparent, 28172) << "sheet " << sheet;
        for (int c : {B, C, M, Y}) EXPECT_EQ(colours[c], 0) << "sheet " << sheet << " colour " << c;
        EXPECT_GT(colours[G], colours[W]) << "a green outfit";
        EXPECT_GT(colours[K], 0);
        EXPECT_GT(colours[R], 0);
        EXPECT_LT(colours[R] * 20, colours[G]) << "only a few red details";
        for (int l = 0; l < 8; ++l) EXPECT_GT(levels[l], 0) << "sheet " << sheet << " brightness " << l;
    }
}

}  // namespace
}  // namespace fg
