// The sprite step (spans, texture columns, depth keys, views,
// hiding) and the Hoare quicksort whose order of equal depths is part of the
// picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "render/caster.h"
#include "render/sprites.h"
#include "tests/test_screen.h"
#include "tests/test_world.h"

namespace fg {
namespace {

constexpr double FAR = 1e9;  // DepthBuffer entries nothing hides behind

using namespace test;
// Texture rows 0..31 show u & 7 as colour, rows 32..63 u >> 3, brightness 7:
// at depth 10 (factor 2 / 10.5, level 1) both colours show.
void FillColumnCodeTexture(int t) {
    for (int v = 0; v < TEXTURE_SIZE; ++v)
        for (int u = 0; u < TEXTURE_SIZE; ++u) Texel(t, v, u) = 0x38 | (v < 32 ? (u & 7) : (u >> 3));
}

void AddActor(double x, double y, int heading, int frame) {
    Actor& a = ActorTable[ACTOR_COUNT++];
    a = Actor{};
    a.x = x;
    a.y = y;
    a.heading = heading;
    a.frame = frame;
    a.turn = 1;
}

class Sprites : public ::testing::Test {
protected:
    void SetUp() override {
        test::ResetWorld();
        FillSentinel();
        for (double& d : DepthBuffer) d = FAR;
        for (int t = FIRST_SPRITE_TEXTURE; t < TEXTURE_COUNT; ++t) FillUniformTexture(t, TRANSPARENT_TEXEL);
        Player.x = 32.5;
        Player.y = 32.5;
    }
    static void ExpectDepthBuffer(int from, int to, double value) {
        for (int x = from; x <= to; ++x) EXPECT_EQ(DepthBuffer[x], value) << "column " << x;
    }
    static void ExpectDepthBufferFarOutside(int from, int to) {
        for (int x = 0; x < SCREEN_WIDTH; ++x)
            if (x < from || x > to) {
                EXPECT_EQ(DepthBuffer[x], FAR) << "column " << x;
            }
    }
};

// Worked examples
TEST_F(Sprites, Depth10StraightAheadSpans38To42WithTextureColumns0_12_25_38_51) {
    // Facing 240 (-y), lateral is exactly 0 for an actor straight ahead:
    // SinTable[240 + 240] = SinTable[0] = 0 and SinTable[360] = -1.
    Player.angle = 240;
    AddActor(32.5, 22.5, 240 + 120, 0);  // view 0 of frame 0: texture 32
    FillColumnCodeTexture(32);
    DrawSprites();

    const float factor = static_cast<float>(2 / (10 + 0.5));
    const int expected[5] = {0, 12, 25, 38, 51};
    for (int k = 0; k < 5; ++k) {
        const int x = 38 + k;
        EXPECT_EQ(MatchingTextureColumns(x, 32, 5, factor), std::vector<int>{expected[k]}) << "column " << x;
        // Rows 23..28 (N = 5 about the horizon); texture rows 0, 0, 12, 25, 38, 51.
        for (int r = 0; r < SCREEN_HEIGHT; ++r) EXPECT_EQ(Untouched(r, x), r < 23 || r > 28) << r;
        // Read back: row 23 shows u & 7, row 27 (texture row 38) u >> 3.
        EXPECT_EQ((Cell(27, x).attributes & 7) * 8 + (Cell(23, x).attributes & 7), expected[k]) << x;
    }
    EXPECT_TRUE(ColumnUntouched(37));
    EXPECT_TRUE(ColumnUntouched(43));
    ExpectDepthBuffer(38, 42, 100.0);  // K = trunc(10 x 10)
    ExpectDepthBufferFarOutside(38, 42);
}

TEST_F(Sprites, AtAngle120TheTinyNonZeroLateralPutsTheCentreAt39) {
    // A trap: facing +x, lateral = SinTable[240] x 10 = 3.2e-14,
    // so C = trunc(40 - 8 x 3.2e-14) = 39, not 40.
    Player.angle = 120;
    AddActor(42.5, 32.5, 120 + 120, 0);
    FillUniformTexture(32, 0x3F);
    DrawSprites();
    ExpectDepthBuffer(37, 41, 100.0);
    ExpectDepthBufferFarOutside(37, 41);
    EXPECT_TRUE(ColumnUntouched(42));
    EXPECT_FALSE(ColumnUntouched(37));
}

TEST_F(Sprites, Depth20SpansThreeColumnsWithTextureColumns0_32_0) {
    // N = 2, half = 1: columns 39..41, texture columns 0, 32 and 64 (taken as 0).
    // Texture column 0 is opaque only in texture rows 0..31, column 32 only in
    // rows 32..63; every other column is transparent. Rows 24, 25, 26 show
    // texture rows 0, 0, 32.
    Player.angle = 240;
    AddActor(32.5, 12.5, 240 + 120, 0);
    for (int v = 0; v < TEXTURE_SIZE; ++v) {
        Texel(32, v, 0) = v < 32 ? 0x3F : TRANSPARENT_TEXEL;
        Texel(32, v, 32) = v < 32 ? TRANSPARENT_TEXEL : 0x3F;
    }
    DrawSprites();
    const CHAR_INFO black{176, 0x00};  // 7 x 2 / 20.5 = 0.68: level 0
    for (int x : {39, 41}) {
        EXPECT_TRUE(Same(Cell(24, x), black)) << x;
        EXPECT_TRUE(Same(Cell(25, x), black)) << x;
        EXPECT_TRUE(Untouched(26, x)) << x;
    }
    EXPECT_TRUE(Untouched(24, 40));
    EXPECT_TRUE(Untouched(25, 40));
    EXPECT_TRUE(Same(Cell(26, 40), black));
    for (int x = 0; x < SCREEN_WIDTH; ++x)
        for (int r = 0; r < SCREEN_HEIGHT; ++r)
            if (r < 24 || r > 26 || x < 39 || x > 41) {
                ASSERT_TRUE(Untouched(r, x)) << r << " " << x;
            }
    // K is written in every span column, the transparent ones too.
    ExpectDepthBuffer(39, 41, 400.0);
    ExpectDepthBufferFarOutside(39, 41);
}

TEST_F(Sprites, Depth50IsOneColumnWithTextureColumn0) {
    Player.y = 55.5;
    Player.angle = 240;
    AddActor(32.5, 5.5, 240 + 120, 0);
    for (int v = 0; v < TEXTURE_SIZE; ++v) Texel(32, v, 0) = 0x3F;  // only texture column 0 is opaque
    DrawSprites();
    EXPECT_TRUE(Same(Cell(25, 40), CHAR_INFO{176, 0x00}));
    EXPECT_TRUE(Same(Cell(26, 40), CHAR_INFO{176, 0x00}));
    for (int x = 0; x < SCREEN_WIDTH; ++x)
        for (int r = 0; r < SCREEN_HEIGHT; ++r)
            if (x != 40 || (r != 25 && r != 26)) {
                ASSERT_TRUE(Untouched(r, x)) << r << " " << x;
            }
    ExpectDepthBuffer(40, 40, 2500.0);
    ExpectDepthBufferFarOutside(40, 40);
}

TEST_F(Sprites, Depth50AndAHalfIsNotDrawnButANearerActorStillIs) {
    // Actor 0 at depth 50.5, 19 cells to the side: it would be centred on
    // column trunc(40 - 80 / 50.5 x 19) = 9. Actor 1 straight ahead at depth 10.
    Player.y = 60.5;
    Player.angle = 240;
    AddActor(32.5 - 19, 10.0, 240 + 120, 1);  // texture 40, opaque
    AddActor(32.5, 50.5, 240 + 120, 0);       // texture 32, opaque
    FillUniformTexture(40, 0x3F);
    FillUniformTexture(32, 0x3F);
    DrawSprites();
    EXPECT_TRUE(ColumnUntouched(9));
    EXPECT_EQ(DepthBuffer[9], FAR);
    ExpectDepthBuffer(38, 42, 100.0);
    ExpectDepthBufferFarOutside(38, 42);
    for (int x = 38; x <= 42; ++x) EXPECT_FALSE(ColumnUntouched(x)) << x;

    // Control: the same actor at depth 49.5 is drawn in column 9.
    ActorTable[0].y = 11.0;
    DrawSprites();
    EXPECT_FALSE(ColumnUntouched(9));
    EXPECT_EQ(DepthBuffer[9], 2450.0);  // trunc(49.5 x 49.5 = 2450.25)
}

TEST_F(Sprites, ActorOnThePlayersSpotIsPassedOver) {
    Player.angle = 0;               // +y: depth = dy exactly
    AddActor(32.5, 32.51, 120, 0);  // depth 0.01: q = 5000
    FillUniformTexture(32, 0x3F);
    DrawSprites();
    EXPECT_TRUE(FrameUntouched());
    ExpectDepthBufferFarOutside(80, 80);
}

// Views and animation frames
struct ViewCase {
    int headingOffset;  // heading - player angle
    int frame;
    int texture;
};

TEST_F(Sprites, ViewAndFrameChooseTheTexture) {
    // v = WrapAngle(angle - heading + 135), view = v / 60, texture 32 + view + 8 frame.
    const ViewCase cases[] = {
        {120, 0, 32},                                            // v = 15: view 0, walking toward the player
        {-120, 0, 36},                                           // v = 255: view 4, walking away
        {120, 3, 56},                                            // frame 3
        {-120, 2, 52},        {120 + 960, 1, 40},                // headings are never reduced
        {-120 - 1440, 1, 44}, {120 - 2400, 3, 56}, {75, 0, 33},  // v = 60: view 1
        {76, 0, 32},                                             // v = 59: view 0
        {135, 0, 32},                                            // v = 0
        {136, 0, 39},                                            // v = 479: view 7
        {135 - 420, 2, 55},                                      // v = 420: view 7
        {135 - 419, 2, 54},                                      // v = 419: view 6
    };
    for (int angle : {240, 37, 0, 455}) {
        for (const ViewCase& k : cases) {
            ResetActors();
            FillSentinel();
            for (double& d : DepthBuffer) d = FAR;
            for (int t = FIRST_SPRITE_TEXTURE; t < TEXTURE_COUNT; ++t)
                FillUniformTexture(t, TRANSPARENT_TEXEL);
            FillUniformTexture(k.texture, 0x3F);  // only the expected image shows
            Player.angle = angle;
            // An actor about 10 cells ahead.
            AddActor(Player.x + 10 * SinTable[angle], Player.y + 10 * SinTable[WrapAngle(angle + 120)],
                     angle + k.headingOffset, k.frame);
            DrawSprites();
            EXPECT_FALSE(Untouched(25, 40) && Untouched(25, 39))
                << "angle " << angle << " heading offset " << k.headingOffset << " frame " << k.frame;
            EXPECT_LT(DepthBuffer[40], FAR);
        }
    }
}

// Hiding
TEST_F(Sprites, EqualKeysHideTheSecondFigureEvenThroughTransparentTexels) {
    // Two actors at depth 10 exactly (K = 100): A straight ahead (span 38..42,
    // opaque), B 0.125 to the right (C = 41, span 39..43, all transparent).
    // Equal depths: the sort swaps the two entries, so B is drawn first and
    // writes K = 100 into 39..43; A then shows only in column 38.
    Player.angle = 240;
    AddActor(32.5, 22.5, 360, 0);    // A: texture 32
    AddActor(32.625, 22.5, 360, 1);  // B: texture 40
    FillUniformTexture(32, 0x3F);
    DrawSprites();
    EXPECT_FALSE(ColumnUntouched(38));
    for (int x = 39; x <= 43; ++x) EXPECT_TRUE(ColumnUntouched(x)) << x;
    ExpectDepthBuffer(38, 43, 100.0);
    ExpectDepthBufferFarOutside(38, 43);
}

TEST_F(Sprites, EqualKeysOfDifferentDepthsHideTheNearerFigureToo) {
    // B at depth 10.01 (K = trunc(100.2) = 100, span 39..43) is farther, so drawn first
    // whatever the tie rule; A at depth 10 (K = 100) is hidden where B was drawn.
    Player.angle = 240;
    AddActor(32.5, 22.5, 360, 0);    // A
    AddActor(32.75, 22.49, 360, 1);  // B: C = trunc(40 + 7.99 x 0.25) = 41, N = 4
    FillUniformTexture(32, 0x3F);
    DrawSprites();
    EXPECT_FALSE(ColumnUntouched(38));
    for (int x = 39; x <= 43; ++x) EXPECT_TRUE(ColumnUntouched(x)) << x;
    ExpectDepthBuffer(38, 43, 100.0);
}

TEST_F(Sprites, NearerFigureShowsThroughTheFartherOnesTransparentTexelsAndOverIt) {
    // Farthest first: B at depth 20 (opaque, span 39..41, K = 400) is drawn
    // first; A at depth 10 (span 38..42, K = 100 < 400) draws over it.
    Player.angle = 240;
    AddActor(32.5, 22.5, 360, 0);  // A: texture 32, red
    AddActor(32.5, 12.5, 360, 1);  // B: texture 40, green
    FillUniformTexture(32, 0x3C);
    FillUniformTexture(40, 0x3A);
    DrawSprites();
    for (int x = 38; x <= 42; ++x)
        for (int r = 23; r <= 28; ++r) EXPECT_EQ(Cell(r, x).attributes & 7, 4) << r << " " << x;
    ExpectDepthBuffer(38, 42, 100.0);
}

TEST_F(Sprites, FigureBehindAWallKeepsTheWallsDepth) {
    Player.angle = 240;
    AddActor(32.5, 22.5, 360, 0);  // K = 100 over 38..42
    FillUniformTexture(32, 0x3F);
    DepthBuffer[38] = 99.5;   // nearer wall
    DepthBuffer[39] = 100.0;  // equal: not strictly greater, not drawn
    DepthBuffer[40] = 100.5;
    DepthBuffer[41] = 100.5;
    DepthBuffer[42] = 100.5;
    DrawSprites();
    EXPECT_TRUE(ColumnUntouched(38));
    EXPECT_TRUE(ColumnUntouched(39));
    for (int x = 40; x <= 42; ++x) EXPECT_FALSE(ColumnUntouched(x)) << x;
    EXPECT_EQ(DepthBuffer[38], 99.5);
    EXPECT_EQ(DepthBuffer[39], 100.0);
    ExpectDepthBuffer(40, 42, 100.0);
}

TEST_F(Sprites, FigureOutsideTheRoomIsHiddenByItsWallInTheColumnPass) {
    // Facing -y from (10.5, 10.5); the ring's wall face at y = 6 is 4.5 away
    // (squared 20.25 in column 40). An actor at (10.5, 0.5), depth 10, K = 100,
    // is hidden; one at (10.5, 7.5), depth 3, K = 9, is drawn.
    test::WallRing(5, 5, 15, 15, 1);
    FillUniformTexture(1, 0x39);   // blue walls
    FillUniformTexture(32, 0x3C);  // red figure
    Player.x = 10.5;
    Player.y = 10.5;
    Player.angle = 240;
    AddActor(10.5, 0.5, 360, 0);
    ColumnPass();
    EXPECT_EQ(DepthBuffer[40], 20.25);
    for (int x = 38; x <= 42; ++x) EXPECT_LT(DepthBuffer[x], 100.0) << x;
    for (const CHAR_INFO& c : FrameBuffer) ASSERT_NE(c.attributes & 7, 4);

    ActorTable[0].y = 7.5;
    ColumnPass();
    EXPECT_EQ(DepthBuffer[40], 9.0);
    EXPECT_EQ(Cell(25, 40).attributes & 7, 4);
}

TEST_F(Sprites, ActorsBehindOrBesideThePlayerAreNotDrawn) {
    Player.angle = 0;  // +y: depth = dy exactly
    AddActor(32.5, 31.5, 120, 0);
    AddActor(40.0, 22.5, 120, 0);
    AddActor(25.0, 32.5, 120, 0);  // beside: depth exactly 0
    AddActor(32.5, 32.5, 120, 0);  // on the spot
    FillUniformTexture(32, 0x3F);
    DrawSprites();
    EXPECT_TRUE(FrameUntouched());
    ExpectDepthBufferFarOutside(80, 80);
}

TEST_F(Sprites, ActorsBehindDoNotDisturbTheOnesInFront) {
    Player.angle = 240;
    AddActor(32.5, 40.5, 360, 0);  // behind
    AddActor(32.5, 22.5, 360, 0);  // depth 10, straight ahead
    AddActor(30.0, 35.5, 360, 0);  // behind
    FillColumnCodeTexture(32);
    DrawSprites();
    const float factor = static_cast<float>(2 / 10.5);
    const int expected[5] = {0, 12, 25, 38, 51};
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(MatchingTextureColumns(38 + k, 32, 5, factor), std::vector<int>{expected[k]}) << k;
    ExpectDepthBuffer(38, 42, 100.0);
    ExpectDepthBufferFarOutside(38, 42);
}

TEST_F(Sprites, SpanPastTheLeftEdgeKeepsItsTextureColumns) {
    // Facing +y, an actor at dx = 4.8, dy = 10: depth 10, C = trunc(40 - 8 x 4.8) = 1,
    // span -1..3. Columns 0..3 are span places 1..4: texture columns 12, 25, 38, 51.
    Player.angle = 0;
    AddActor(32.5 + 4.8, 42.5, 120, 0);
    FillColumnCodeTexture(32);
    DrawSprites();
    const float factor = static_cast<float>(2 / 10.5);
    const int expected[4] = {12, 25, 38, 51};
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(MatchingTextureColumns(x, 32, 5, factor), std::vector<int>{expected[x]}) << x;
    ExpectDepthBuffer(0, 3, 100.0);
    ExpectDepthBufferFarOutside(0, 3);
    EXPECT_TRUE(ColumnUntouched(4));
}

TEST_F(Sprites, SpanPastTheRightEdgeIsCutOff) {
    // dx = -4.8: C = trunc(78.4 - 2.6e-13) = 78, span 76..80: columns 76..79
    // show texture columns 0, 12, 25, 38.
    Player.angle = 0;
    AddActor(32.5 - 4.8, 42.5, 120, 0);
    FillColumnCodeTexture(32);
    DrawSprites();
    const float factor = static_cast<float>(2 / 10.5);
    const int expected[4] = {0, 12, 25, 38};
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(MatchingTextureColumns(76 + k, 32, 5, factor), std::vector<int>{expected[k]}) << k;
    ExpectDepthBuffer(76, 79, 100.0);
    ExpectDepthBufferFarOutside(76, 79);
    EXPECT_TRUE(ColumnUntouched(75));
}

// SortSpritesByDepth
std::vector<Actor> Entries(const std::vector<double>& depths) {
    std::vector<Actor> list;
    for (size_t i = 0; i < depths.size(); ++i) {
        Actor a{};
        a.depth = depths[i];
        a.frame = static_cast<int>(i);  // the tag
        a.dx = 100.0 + static_cast<double>(i);
        list.push_back(a);
    }
    return list;
}
std::vector<int> Frames(const std::vector<Actor>& list) {
    std::vector<int> f;
    for (const Actor& a : list) f.push_back(a.frame);
    return f;
}

TEST(SortSpritesByDepth, OneEntryIsLeftAsItIs) {
    // DrawSprites never sorts a list of one; called on one anyway, it changes nothing.
    std::vector<Actor> list = Entries({4.5});
    SortSpritesByDepth(list.data(), 0, 0);
    EXPECT_EQ(list[0].depth, 4.5);
    EXPECT_EQ(list[0].frame, 0);
}

TEST(SortSpritesByDepth, SeveralEntriesEndInDescendingDepth) {
    std::vector<Actor> list = Entries({3, 9, 1, 7, 5});
    SortSpritesByDepth(list.data(), 0, 4);
    EXPECT_EQ(Frames(list), (std::vector<int>{1, 3, 4, 0, 2}));
    for (const Actor& a : list) EXPECT_EQ(a.dx, 100.0 + a.frame);  // whole entries move

    list = Entries({1, 2, 3});
    SortSpritesByDepth(list.data(), 0, 2);
    EXPECT_EQ(Frames(list), (std::vector<int>{2, 1, 0}));
}

TEST(SortSpritesByDepth, TwentyDistinctDepths) {
    std::vector<double> depths;
    for (int i = 0; i < 20; ++i) depths.push_back(((i * 37) % 20) + 0.25 * (i % 3));
    std::vector<Actor> list = Entries(depths);
    SortSpritesByDepth(list.data(), 0, 19);
    std::vector<double> expected = depths;
    std::sort(expected.begin(), expected.end(), [](double a, double b) { return a > b; });
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(list[static_cast<size_t>(i)].depth, expected[static_cast<size_t>(i)]) << i;
}

TEST(SortSpritesByDepth, SortsOnlyLeftToRight) {
    std::vector<Actor> list = Entries({1, 2, 3, 4, 5, 6});
    SortSpritesByDepth(list.data(), 2, 4);
    EXPECT_EQ(Frames(list), (std::vector<int>{0, 1, 4, 3, 2, 5}));
}

// Equal depths, traced by hand through the sort's steps (entries tagged by frame):
TEST(SortSpritesByDepth, TwoEqualDepthsAreSwapped) {
    // p = 5; i = 0, j = 1 both stop; swap; i = 1, j = 0: end. Nothing to recurse on.
    std::vector<Actor> list = Entries({5, 5});
    SortSpritesByDepth(list.data(), 0, 1);
    EXPECT_EQ(Frames(list), (std::vector<int>{1, 0}));
}

TEST(SortSpritesByDepth, ThreeEqualDepthsAreReversed) {
    // p = 5; swap 0,2 -> [2 1 0], i = 1, j = 1; swap 1,1, i = 2, j = 0: end.
    // left < j? no; i >= right: return.
    std::vector<Actor> list = Entries({5, 5, 5});
    SortSpritesByDepth(list.data(), 0, 2);
    EXPECT_EQ(Frames(list), (std::vector<int>{2, 1, 0}));
}

TEST(SortSpritesByDepth, FourEqualDepths) {
    // p = 5; swap 0,3 -> [3 1 2 0]; swap 1,2 -> [3 2 1 0], i = 2, j = 1.
    // Recurse on 0..1: swap -> [2 3 1 0]. Then left = 2: swap 2,3 -> [2 3 0 1].
    std::vector<Actor> list = Entries({5, 5, 5, 5});
    SortSpritesByDepth(list.data(), 0, 3);
    EXPECT_EQ(Frames(list), (std::vector<int>{2, 3, 0, 1}));
}

TEST(SortSpritesByDepth, EqualDepthsAmongOthers) {
    // [5 9 5 1 5], p = entry 2's depth 5. Swap 0,4 -> tags [4 1 2 3 0]; i runs
    // past 9 to 2, j past 1 to 2; swap 2,2; i = 3, j = 1. Recurse on 0..1
    // (p = 5): swap -> [1 4 2 3 0]. Then left = 3 (p = 1): swap 3,4 -> [1 4 2 0 3].
    std::vector<Actor> list = Entries({5, 9, 5, 1, 5});
    SortSpritesByDepth(list.data(), 0, 4);
    EXPECT_EQ(Frames(list), (std::vector<int>{1, 4, 2, 0, 3}));
    for (size_t i = 1; i < list.size(); ++i) EXPECT_GE(list[i - 1].depth, list[i].depth);
}

}  // namespace
}  // namespace fg
