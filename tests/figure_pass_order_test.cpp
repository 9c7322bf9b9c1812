// Worked examples of where figures land in the column pass that no tour
// reaches: a span that begins left of the column being drawn, and a figure
// that only the pass's first sprite step draws.
#include <gtest/gtest.h>

#include <cstring>

#include "render/caster.h"
#include "render/sprites.h"
#include "tests/test_screen.h"
#include "tests/test_world.h"

namespace fg {
namespace {

using namespace test;

constexpr uint8_t WALL_TEXEL = 0x3C;   // red, brightness 7
constexpr uint8_t FLOOR_TEXEL = 0x3A;  // green, brightness 7

// Every figure image: texel (v, u) shows u & 7 as colour in rows 0..31 and
// u >> 3 in rows 32..63, at brightness 7, so a column tells its u.
void FillFigureTextures() {
    for (int t = FIRST_SPRITE_TEXTURE; t < TEXTURE_COUNT; ++t)
        for (int v = 0; v < TEXTURE_SIZE; ++v)
            for (int u = 0; u < TEXTURE_SIZE; ++u) Texel(t, v, u) = 0x38 | (v < 32 ? (u & 7) : (u >> 3));
}

void AddFigure(double x, double y) {
    Actor& a = ActorTable[ACTOR_COUNT++];
    a = Actor{};
    a.x = x;
    a.y = y;
}

class FigurePassOrder : public ::testing::Test {
protected:
    void SetUp() override {
        ResetWorld();
        FillSentinel();
        FillFigureTextures();
        std::memset(TextureBank + 1 * TEXTURE_TEXELS, WALL_TEXEL, TEXTURE_TEXELS);
        std::memset(TextureBank + 3 * TEXTURE_TEXELS, FLOOR_TEXEL, TEXTURE_TEXELS);
    }
    // The figure columns x of a span starting at `first`, drawn at height n and
    // factor f, show the texture columns of their place in the whole span.
    static void ExpectFigureColumns(int from, int to, int first, int n, float f) {
        const int top = HORIZON_ROW - n / 2;
        for (int x = from; x <= to; ++x) {
            const Column expected =
                Reference(FIRST_SPRITE_TEXTURE, (TEXTURE_SIZE * (x - first)) / n, x, n, f);
            for (int r = top; r <= top + n; ++r)
                EXPECT_TRUE(Same(Cell(r, x), expected[r])) << "column " << x << " row " << r;
        }
    }
};

// The player looks along +y, a hair left of a pillar's edge; a figure 1.5
// ahead spans columns 25..57 (size 33, centre 41). The pillar, at most 0.8
// away, hides the span's columns 25..39; from column 40 on the figure shows
// texture columns 64 k / 33 for its place k = 15.. in the whole span.
TEST_F(FigurePassOrder, SpanStartingLeftOfTheColumnHiddenThereByANearerWall) {
    WallRing(0, 0, 63, 63, 1);
    WallGrid[11][11] = 1;
    Player.x = 10.99;
    Player.y = 10.5;
    Player.angle = 0;
    AddFigure(10.96, 12.0);
    for (double& d : DepthBuffer) d = 1e9;  // nothing hides the figure in the previous frame

    ColumnPass();
    for (int x = 25; x <= 39; ++x) {
        EXPECT_LT(DepthBuffer[x], 1.0) << "the pillar's distance stays in column " << x;
        for (int r = 0; r < SCREEN_HEIGHT; ++r)
            ASSERT_EQ(Cell(r, x).attributes, 0x0C) << "only the pillar shows in column " << x << " row " << r;
    }
    for (int x = 40; x <= 57; ++x) EXPECT_EQ(DepthBuffer[x], 2.0) << "the figure's key in column " << x;
    EXPECT_GT(DepthBuffer[58], 2.0);
    ExpectFigureColumns(40, 57, 25, 33, 1.0f);
}

// With no wall in reach every ray leaves the grid 2 cells ahead: no wall is
// drawn, and the depth there (about 4) hides a figure 3 ahead (key 9) from
// its own column's sprite step. The floor and ceiling cells under the view
// are 0, so nothing redraws those cells either: the figure shows exactly when
// the pass's first sprite step, judged against the depth buffer the previous
// frame left, drew its whole span.
TEST_F(FigurePassOrder, FigureOnlyTheFirstSpriteStepDraws) {
    struct Case {
        double previousDepth;
        bool shows;
    };
    for (const Case& c : {Case{1e9, true}, Case{9.5, true}, Case{9.0, false}, Case{4.0, false}}) {
        SetUp();
        for (int x = 0; x < MAP_SIZE; ++x)
            for (int y = 2; y < MAP_SIZE; ++y) FloorGrid[x][y] = CeilingGrid[x][y] = 3;
        PackFloorAndCeiling();
        Player.x = 32.5;
        Player.y = 2.0;
        Player.angle = 240;  // along -y
        AddFigure(32.5, -1.0);
        for (double& d : DepthBuffer) d = c.previousDepth;

        ColumnPass();
        for (int x = 32; x <= 48; ++x) {
            EXPECT_GE(DepthBuffer[x], 4.0) << "the ray's exit point, not the figure's key, in column " << x;
            EXPECT_LT(DepthBuffer[x], 9.0) << x;
        }
        if (c.shows) {
            ExpectFigureColumns(32, 48, 32, 16, static_cast<float>(2 / 3.5));
        } else {
            for (int x = 32; x <= 48; ++x)
                for (int r = 17; r <= 33; ++r) EXPECT_TRUE(Untouched(r, x)) << "column " << x << " row " << r;
        }
        EXPECT_TRUE(Untouched(HORIZON_ROW, 31)) << "outside the span nothing is drawn";
        EXPECT_TRUE(Untouched(HORIZON_ROW, 49));
    }
}

// The pass as it runs (the wall step inlined, the figures listed once, steps
// skipped in columns no figure crosses, figure columns cut to their opaque
// rows) against the column-by-column order written out with the public
// steps, on random rooms with see-through wall texels, half-open doors, holes
// in the floor and ceiling, figures with transparent margins, stops at a
// negative texture column, and whatever frame and depth a previous frame
// left: every cell, depth entry and use target the same.
// Returns whether a column stopped the pass.
bool ColumnByColumnPass() {
    static FigureList figures;
    UseRequest = 0;
    CarriedWallDistance = 10;
    for (int c = 0; c < SCREEN_WIDTH; ++c) {
        const ColumnResult r = CastWallColumn(c);
        if (r.stop) return true;
        if (r.height < SCREEN_HEIGHT) DrawFloorAndCeiling(c, r.angle, r.height);
        if (c == 0) {
            BuildFigureList(figures);
            DrawFigureSpans(figures);
        } else {
            DrawFigureColumn(figures, c);
        }
        CaptureUseTarget(c);
    }
    return false;
}

TEST_F(FigurePassOrder, WholePassesDrawAsTheColumnByColumnOrder) {
    uint64_t state = 0x9e3779b97f4a7c15ull;
    auto next = [&state] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 33);
    };
    auto unit = [&next] { return (next() % 100000) / 100000.0; };
    // Walls with a see-through texel in eight; figures opaque only inside a
    // margin, with holes.
    for (int v = 0; v < TEXTURE_SIZE; ++v)
        for (int u = 0; u < TEXTURE_SIZE; ++u) {
            Texel(1, v, u) = next() % 8 == 0 ? TRANSPARENT_TEXEL : static_cast<uint8_t>(next() & 63);
            Texel(2, v, u) = static_cast<uint8_t>(next() & 63);
            for (int t = FIRST_SPRITE_TEXTURE; t < TEXTURE_COUNT; ++t) {
                const bool inside = v >= 16 + t % 5 && u >= 13 && u <= 47 && next() % 6 != 0;
                Texel(t, v, u) = inside ? static_cast<uint8_t>(next() & 63) : TRANSPARENT_TEXEL;
            }
        }
    BuildOpaqueRowSpans();
    CHAR_INFO frame[SCREEN_WIDTH * SCREEN_HEIGHT];
    double depth[SCREEN_WIDTH];
    int stops = 0;
    for (int view = 0; view < 300; ++view) {
        std::memset(WallGrid, 0, sizeof WallGrid);
        WallRing(0, 0, 63, 63, 1);
        for (int x = 0; x < MAP_SIZE; ++x)
            for (int y = 0; y < MAP_SIZE; ++y) {
                if (x > 0 && x < 63 && y > 0 && y < 63 && next() % 12 == 0)
                    WallGrid[x][y] = next() % 3 ? 1 : -2;
                DoorClosureGrid[x][y] = next() % 2 ? 1.0 : unit();
                FloorGrid[x][y] = next() % 10 == 0 ? 0 : 2;
                CeilingGrid[x][y] = next() % 10 == 0 ? 70 : 2;
            }
        PackFloorAndCeiling();
        // One view in three from just outside the grid, where columns can stop.
        const bool outside = view % 3 == 0;
        Player.x = outside ? -0.05 - unit() : 2.0 + unit() * 60;
        Player.y = 2.0 + unit() * 60;
        Player.angle = static_cast<int>(next() % ANGLE_STEPS);
        ACTOR_COUNT = 0;
        // Most figures ahead of the player, within the view.
        const double ahead[2] = {SinTable[Player.angle], SinTable[WrapAngle(Player.angle + 120)]};
        for (int i = static_cast<int>(next() % 21); i > 0; --i) {
            const double d = 0.5 + unit() * 8, side = (unit() - 0.5) * d;
            if (next() % 4 != 0)
                AddFigure(Player.x + d * ahead[0] + side * ahead[1],
                          Player.y + d * ahead[1] - side * ahead[0]);
            else
                AddFigure(Player.x + unit() * 12 - 6, Player.y + unit() * 12 - 6);
            ActorTable[ACTOR_COUNT - 1].heading = static_cast<int>(next() % ANGLE_STEPS);
            ActorTable[ACTOR_COUNT - 1].frame = static_cast<int>(next() % 4);
        }
        for (CHAR_INFO& c : FrameBuffer) c = {static_cast<uint16_t>(next()), static_cast<uint16_t>(next())};
        for (double& d : DepthBuffer) d = next() % 3 == 0 ? 1e9 : unit() * 40;
        const RayHit y = YLineHit, x = XLineHit;
        std::memcpy(frame, FrameBuffer, sizeof frame);
        std::memcpy(depth, DepthBuffer, sizeof depth);

        stops += ColumnByColumnPass();
        CHAR_INFO expectedFrame[SCREEN_WIDTH * SCREEN_HEIGHT];
        double expectedDepth[SCREEN_WIDTH];
        std::memcpy(expectedFrame, FrameBuffer, sizeof expectedFrame);
        std::memcpy(expectedDepth, DepthBuffer, sizeof expectedDepth);
        const int32_t expectedUse[3] = {UseRequest, UseTarget[0], UseTarget[1]};
        const double expectedCarried = CarriedWallDistance;

        std::memcpy(FrameBuffer, frame, sizeof frame);
        std::memcpy(DepthBuffer, depth, sizeof depth);
        YLineHit = y;
        XLineHit = x;
        ColumnPass();
        for (int i = 0; i < SCREEN_WIDTH * SCREEN_HEIGHT; ++i)
            ASSERT_TRUE(Same(FrameBuffer[i], expectedFrame[i])) << "view " << view << " cell " << i;
        for (int c = 0; c < SCREEN_WIDTH; ++c)
            ASSERT_EQ(DepthBuffer[c], expectedDepth[c]) << "view " << view << " column " << c;
        EXPECT_EQ(UseRequest, expectedUse[0]) << view;
        EXPECT_EQ(UseTarget[0], expectedUse[1]) << view;
        EXPECT_EQ(UseTarget[1], expectedUse[2]) << view;
        EXPECT_EQ(CarriedWallDistance, expectedCarried) << view;
    }
    EXPECT_GT(stops, 20) << "some passes stop early";
}

}  // namespace
}  // namespace fg
