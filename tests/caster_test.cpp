// DrawTextureColumn, the wall and door caster, the column pass, the use-target
// capture, and the caster's guards at the grid's edge, in small crafted levels.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "render/caster.h"
#include "render/floor_ceiling.h"
#include "tests/test_screen.h"
#include "tests/test_world.h"

namespace fg {
namespace {

using namespace test;

// Even texture columns show v & 7 as colour, odd ones v >> 3; brightness 7.
// At factor 1 every texel is level 7, attribute 8 + colour.
void FillRowCodeTexture(int t) {
    for (int v = 0; v < TEXTURE_SIZE; ++v)
        for (int u = 0; u < TEXTURE_SIZE; ++u) Texel(t, v, u) = 0x38 | ((u & 1) ? (v >> 3) : (v & 7));
}
// Texture rows 0..31 show u & 7 as colour, rows 32..63 u >> 3, with the
// brightness running 1..period down the rows: the texture column and the
// factor are both visible in a drawn column, and two probes of different
// periods look different.
void FillProbeTexture(int t, int period = 7) {
    for (int v = 0; v < TEXTURE_SIZE; ++v)
        for (int u = 0; u < TEXTURE_SIZE; ++u)
            Texel(t, v, u) = static_cast<uint8_t>(((1 + v % period) << 3) | (v < 32 ? (u & 7) : (u >> 3)));
}

// Texture row shown on screen row r of screen columns x (u = 0) and x + 1
// (u = 1) of a row-code texture drawn at factor 1; -1 where nothing was drawn.
int DrawnTextureRow(int r, int x) {
    if (Untouched(r, x) || Untouched(r, x + 1)) return -1;
    return (Cell(r, x + 1).attributes & 7) * 8 + (Cell(r, x).attributes & 7);
}

class Caster : public ::testing::Test {
protected:
    void SetUp() override {
        test::ResetWorld();
        FillSentinel();
        for (double& d : DepthBuffer) d = -1;
    }
};

// DrawTextureColumn
class DrawTextureColumnTest : public Caster {
protected:
    static constexpr int T = 5;
    static constexpr int X = 20;
    void SetUp() override {
        Caster::SetUp();
        FillRowCodeTexture(T);
    }
    void Draw(int n) {
        DrawTextureColumn(T, 0, X, n, 1.0f);
        DrawTextureColumn(T, 1, X + 1, n, 1.0f);
    }
    // Rows first..last show the given texture rows; every other cell of the
    // frame is untouched.
    void ExpectRows(int first, const std::vector<int>& rows) {
        for (int r = 0; r < SCREEN_HEIGHT; ++r) {
            const int k = r - first;
            const int expected = (k >= 0 && k < static_cast<int>(rows.size())) ? rows[k] : -1;
            EXPECT_EQ(DrawnTextureRow(r, X), expected) << "row " << r;
        }
        for (int x = 0; x < SCREEN_WIDTH; ++x)
            if (x != X && x != X + 1) {
                EXPECT_TRUE(ColumnUntouched(x)) << "column " << x;
            }
    }
};

TEST_F(DrawTextureColumnTest, HeightOneDrawsRows25And26BothTextureRowZero) {
    Draw(1);
    ExpectRows(25, {0, 0});
}

TEST_F(DrawTextureColumnTest, HeightTwoDrawsRows24To26WithTextureRows0_0_32) {
    Draw(2);
    ExpectRows(24, {0, 0, 32});
}

TEST_F(DrawTextureColumnTest, Height64IsClippedToTheScreenShowingRows7_7_8To55) {
    Draw(64);
    std::vector<int> rows = {7};
    for (int v = 7; v <= 55; ++v) rows.push_back(v);
    ASSERT_EQ(rows.size(), 50u);
    ExpectRows(0, rows);
}

TEST_F(DrawTextureColumnTest, Height2499DrawsEveryRow) {
    Draw(2499);
    // top = 25 - 1249 = -1224; screen row r shows ((max(r - 1, 0) + 1224) x 64) / 2499.
    std::vector<int> rows;
    for (int r = 0; r < SCREEN_HEIGHT; ++r) rows.push_back(((std::max(r - 1, 0) + 1224) * 64) / 2499);
    EXPECT_EQ(rows.front(), 31);
    EXPECT_EQ(rows.back(), 32);
    ExpectRows(0, rows);
}

TEST_F(DrawTextureColumnTest, UnclippedOddAndEvenHeights) {
    // N = 10: top 20, rows 20..30, texture row ((max(r - 1, 20) - 20) x 64) / 10.
    Draw(10);
    ExpectRows(20, {0, 0, 6, 12, 19, 25, 32, 38, 44, 51, 57});
}

TEST_F(DrawTextureColumnTest, Height2500AndAboveDrawNothing) {
    Draw(2500);
    Draw(2501);
    Draw(1 << 30);
    EXPECT_TRUE(FrameUntouched());
}

TEST_F(DrawTextureColumnTest, HeightZeroAndBelowDrawNothing) {
    Draw(0);
    Draw(-1);
    Draw(-2500);
    EXPECT_TRUE(FrameUntouched());
}

TEST_F(DrawTextureColumnTest, ShadesWithTheGivenFactor) {
    // Row 25 at N = 1 shows texel (0, 0) = 0x38: black, brightness 7.
    DrawTextureColumn(T, 0, X, 1, 0.5f);  // 3.5: level 3
    EXPECT_TRUE(Same(Cell(25, X), ShadeTable[0 * 8 + 3]));
    DrawTextureColumn(T, 0, X, 1, 0.6f);  // 4.2: level 4
    EXPECT_TRUE(Same(Cell(25, X), CHAR_INFO{178, 0x08}));
}

TEST_F(DrawTextureColumnTest, TextureColumnIsTakenModulo64) {
    DrawTextureColumn(T, 64, X, 64, 1.0f);      // as column 0
    DrawTextureColumn(T, 65, X + 1, 64, 1.0f);  // as column 1
    std::vector<int> rows = {7};
    for (int v = 7; v <= 55; ++v) rows.push_back(v);
    ExpectRows(0, rows);
}

TEST_F(DrawTextureColumnTest, TransparentTexelLeavesTheCellAsItWas) {
    // Column 2 of texture 6: transparent at texture rows 0..31, opaque below.
    for (int v = 0; v < TEXTURE_SIZE; ++v) Texel(6, v, 2) = v < 32 ? TRANSPARENT_TEXEL : 0x3C;
    const CHAR_INFO before{'x', 0x12};
    Cell(24, X) = before;
    Cell(25, X) = before;
    Cell(26, X) = before;
    DrawTextureColumn(6, 2, X, 2, 1.0f);  // rows 24, 25, 26: texture rows 0, 0, 32
    EXPECT_TRUE(Same(Cell(24, X), before));
    EXPECT_TRUE(Same(Cell(25, X), before));
    EXPECT_TRUE(Same(Cell(26, X), CHAR_INFO{219, 0x0C}));
    EXPECT_TRUE(Untouched(23, X));
    EXPECT_TRUE(Untouched(27, X));
}

// Ray angles
TEST_F(Caster, ColumnRayAnglesAreFacingPlus40MinusColumn) {
    test::WallRing(5, 5, 15, 15, 1);
    Player.x = 10.5;
    Player.y = 10.5;
    struct Case {
        int facing, column, angle;
    };
    for (const Case& k :
         {Case{0, 0, 40}, Case{0, 40, 0}, Case{0, 79, 441}, Case{100, 0, 140}, Case{100, 40, 100},
          Case{100, 79, 61}, Case{470, 0, 30}, Case{470, 79, 431}, Case{240, 40, 240}}) {
        Player.angle = k.facing;
        CarriedWallDistance = 10;
        EXPECT_EQ(CastWallColumn(k.column).angle, k.angle) << "facing " << k.facing << " column " << k.column;
    }
}

// The axis-parallel ray and the carried brightness
TEST_F(Caster, AxisParallelRayInColumn0TakesTheYLineHitLitFromCarriedDistance10) {
    test::WallRing(5, 5, 15, 15, 2);
    FillProbeTexture(2);
    Player.x = 10.5;
    Player.y = 10.5;
    Player.angle = 440;  // column 0 looks along 440 + 40 = 0: exactly +y

    CarriedWallDistance = 10;
    const ColumnResult r = CastWallColumn(0);
    EXPECT_EQ(r.angle, 0);
    EXPECT_FALSE(r.stop);
    // The x-line walk starts far outside the grid (tangent of about 6.19e14).
    EXPECT_TRUE(XLineHit.leftGrid);
    EXPECT_GT(XLineHit.squaredDistance, 1e20);
    EXPECT_FALSE(YLineHit.leftGrid);
    EXPECT_EQ(YLineHit.x, 10.5);
    EXPECT_EQ(YLineHit.y, 15.0);
    EXPECT_EQ(DepthBuffer[0], 20.25);
    // corrected = 4.5 x SinTable[80] (cos 30 degrees) = 3.897...; N = trunc(12.83) = 12.
    EXPECT_EQ(CarriedWallDistance, 4.5 * SinTable[80]);
    EXPECT_EQ(r.height, 12);

    const float factor = static_cast<float>(1.5 / (10 + 0.5));
    EXPECT_TRUE(SameColumn(ColumnOf(0), Reference(2, 32, 0, 12, factor)));
    // Not the x-line side constant, and not the column's own distance.
    EXPECT_FALSE(SameColumn(ColumnOf(0), Reference(2, 32, 0, 12, static_cast<float>(2.5 / 10.5))));
    EXPECT_FALSE(SameColumn(ColumnOf(0),
                            Reference(2, 32, 0, 12, static_cast<float>(1.5 / (4.5 * SinTable[80] + 0.5)))));

    // The same column as the column pass draws it.
    FillSentinel();
    ColumnPass();
    EXPECT_EQ(DepthBuffer[0], 20.25);
    EXPECT_TRUE(SameColumn(ColumnOf(0), Reference(2, 32, 0, 12, factor)));
}

TEST_F(Caster, YLineFaceAfterCorrectedDistanceOneHasFactorOneAndXLineFaceTwoAndAHalfOverOneAndAHalf) {
    test::WallRing(5, 5, 15, 15, 2);
    FillProbeTexture(2);
    Player.x = 10.5;
    Player.y = 10.5;

    Player.angle = 0;  // column 40 looks along +y: a y-line face at y = 15
    CarriedWallDistance = 1;
    ColumnResult r = CastWallColumn(40);
    ASSERT_EQ(r.height, 11);  // 50 / 4.5
    EXPECT_TRUE(SameColumn(ColumnOf(40), Reference(2, 32, 40, 11, 1.0f)));

    Player.angle = 120;  // column 40 looks along +x: an x-line face at x = 15
    FillSentinel();
    CarriedWallDistance = 1;
    r = CastWallColumn(40);
    ASSERT_EQ(r.height, 11);
    EXPECT_FALSE(XLineHit.leftGrid);
    EXPECT_EQ(XLineHit.x, 15.0);
    const float xFactor = static_cast<float>(2.5 / 1.5);
    EXPECT_TRUE(SameColumn(ColumnOf(40), Reference(2, 32, 40, 11, xFactor)));
    EXPECT_FALSE(SameColumn(ColumnOf(40), Reference(2, 32, 40, 11, 1.0f)));
    // A brightness-3 texel at that factor is level 4 (4.99999988 in double), not 5.
    bool sawLevel4 = false;
    for (int row = 0; row < SCREEN_HEIGHT; ++row)
        if (Same(Cell(row, 40), ShadeTable[0 * 8 + 4]) || Same(Cell(row, 40), ShadeTable[4 * 8 + 4]))
            sawLevel4 = true;
    EXPECT_TRUE(sawLevel4);
}

TEST_F(Caster, EachColumnIsLitFromThePreviousColumnsCorrectedDistance) {
    // Column 0 (a = 40) clips the left face of a pillar at (12, 13), corrected
    // distance about 3.45; column 1 (a = 39) passes it and meets the ring at
    // y = 15, corrected distance about 4.5. Column 1 is lit from column 0's.
    test::WallRing(5, 5, 15, 15, 2);
    WallGrid[12][13] = 2;
    FillProbeTexture(2);
    Player.x = 10.01;
    Player.y = 10.5;
    Player.angle = 0;

    CarriedWallDistance = 10;
    CastWallColumn(0);
    ASSERT_GT(YLineHit.squaredDistance, XLineHit.squaredDistance);
    ASSERT_EQ(XLineHit.x, 12.0);
    ASSERT_EQ(XLineHit.wallValue, 2);
    const double corrected0 = std::sqrt(DepthBuffer[0]) * SinTable[80];
    EXPECT_EQ(CarriedWallDistance, corrected0);
    EXPECT_NEAR(corrected0, 3.447, 0.001);

    const ColumnResult r1 = CastWallColumn(1);
    ASSERT_FALSE(YLineHit.leftGrid);
    ASSERT_EQ(YLineHit.y, 15.0);  // a y-line face, side constant 1.5
    ASSERT_LE(YLineHit.squaredDistance, XLineHit.squaredDistance);
    const double corrected1 = std::sqrt(DepthBuffer[1]) * SinTable[81];
    EXPECT_EQ(CarriedWallDistance, corrected1);
    EXPECT_EQ(r1.height, static_cast<int>(50 / corrected1));
    const int tx = static_cast<int>((YLineHit.x - std::trunc(YLineHit.x)) * 64) % 64;
    const float factor = static_cast<float>(1.5 / (corrected0 + 0.5));
    EXPECT_TRUE(SameColumn(ColumnOf(1), Reference(2, tx, 1, r1.height, factor)));
    EXPECT_FALSE(SameColumn(ColumnOf(1),
                            Reference(2, tx, 1, r1.height, static_cast<float>(1.5 / (corrected1 + 0.5)))));

    // The column pass starts every frame from 10 again.
    FillSentinel();
    CarriedWallDistance = 0.25;
    ColumnPass();
    EXPECT_TRUE(SameColumn(ColumnOf(1), Reference(2, tx, 1, r1.height, factor)));
}

// Choice of the surface
TEST_F(Caster, GridCornerTieGoesToTheYLineWalk) {
    // A ray at 420 (toward -x, +y, 45 degrees) from (10.0625, 10.9375) meets the
    // corner (10, 11) in both walks: the y-line walk reads cell (10, 11), the
    // x-line walk cell (9, 11). Different textures show which hit is drawn.
    WallGrid[10][11] = 3;
    WallGrid[9][11] = 4;
    FillProbeTexture(3);
    FillUniformTexture(4, 0x3C);
    Player.x = 10.0625;
    Player.y = 10.9375;
    Player.angle = 420;
    CarriedWallDistance = 1;
    const ColumnResult r = CastWallColumn(40);

    ASSERT_EQ(YLineHit.x, 10.0);
    ASSERT_EQ(YLineHit.y, 11.0);
    ASSERT_EQ(XLineHit.x, 10.0);
    ASSERT_EQ(XLineHit.y, 11.0);
    ASSERT_EQ(YLineHit.wallValue, 3);
    ASSERT_EQ(XLineHit.wallValue, 4);
    ASSERT_EQ(YLineHit.squaredDistance, XLineHit.squaredDistance);  // the tie

    EXPECT_EQ(DepthBuffer[40], 2 * 0.0625 * 0.0625);
    // The y-line hit: texture 3, column trunc(frac 10 x 64) = 0, side 1.5.
    EXPECT_TRUE(SameColumn(ColumnOf(40), Reference(3, 0, 40, r.height, 1.0f)));
    EXPECT_FALSE(SameColumn(ColumnOf(40), Reference(4, 0, 40, r.height, static_cast<float>(2.5 / 1.5))));
}

// Doors
class Doors : public Caster {
protected:
    void SetUp() override {
        Caster::SetUp();
        test::WallRing(5, 5, 15, 15, 1);
        FillProbeTexture(1);     // walls
        FillProbeTexture(3, 5);  // the door's texture, told apart from the walls'
        WallGrid[10][12] = -3;
        Player.y = 10.5;
        Player.angle = 0;  // column 40 looks along +y
    }
    // Casts column c lit by factor 1.0 (y-line faces) and returns the texture
    // and texture column it shows, checking both are unique.
    void CastAndIdentify(int c, int& texture, int& tx) {
        FillSentinel();
        CarriedWallDistance = 1;
        const ColumnResult r = CastWallColumn(c);
        ASSERT_FALSE(r.stop);
        ASSERT_LE(YLineHit.squaredDistance, XLineHit.squaredDistance);
        const std::vector<int> wall = MatchingTextureColumns(c, 1, r.height, 1.0f);
        const std::vector<int> door = MatchingTextureColumns(c, 3, r.height, 1.0f);
        ASSERT_EQ(wall.size() + door.size(), 1u) << "column " << c;
        texture = wall.empty() ? 3 : 1;
        tx = wall.empty() ? door[0] : wall[0];
    }
};

TEST_F(Doors, ClosedDoorStopsTheRayOnTheCellsMiddleLine) {
    Player.x = 10.25;
    int texture = 0, tx = -1;
    CastAndIdentify(40, texture, tx);
    EXPECT_EQ(YLineHit.y, 12.5);
    EXPECT_EQ(YLineHit.x, 10.25);
    EXPECT_EQ(YLineHit.closure, 1.0);
    EXPECT_EQ(YLineHit.wallValue, -3);
    EXPECT_EQ(DepthBuffer[40], 4.0);
    EXPECT_EQ(CastWallColumn(40).height, 25);
    EXPECT_EQ(texture, 3);
    EXPECT_EQ(tx, 16);  // trunc(0.25 x 64): no offset for a closed door
}

TEST_F(Doors, HalfOpenDoorStopsRaysOnItsClosedHalfShowingColumns32To63) {
    DoorClosureGrid[10][12] = 0.5;
    Player.x = 10.25;
    int texture = 0, tx = -1;
    CastAndIdentify(40, texture, tx);
    EXPECT_EQ(DepthBuffer[40], 4.0);
    EXPECT_EQ(YLineHit.closure, 0.5);
    EXPECT_EQ(texture, 3);
    EXPECT_EQ(tx, 48);  // trunc((0.25 + 0.5) x 64)
}

TEST_F(Doors, HalfOpenDoorLetsRaysThroughItsOpenHalfOntoTheWallWithoutOffset) {
    DoorClosureGrid[10][12] = 0.5;
    Player.x = 10.75;
    int texture = 0, tx = -1;
    CastAndIdentify(40, texture, tx);
    EXPECT_EQ(YLineHit.y, 15.0);
    EXPECT_EQ(YLineHit.closure, 0.0);
    EXPECT_TRUE(YLineHit.doorSeen);
    EXPECT_EQ(DepthBuffer[40], 4.5 * 4.5);
    EXPECT_EQ(texture, 1);
    EXPECT_EQ(tx, 48);  // trunc(0.75 x 64); with the door's offset it would be 16
}

TEST_F(Doors, HalfOpenDoorAcrossTheColumns) {
    // Door at (10, 14), its middle line y = 14.5 four cells ahead. Column 40
    // meets it at x = 10.5 exactly (frac 0.5: not < 0.5, passes); columns 41..49
    // meet it at x in (10, 10.5) and stop. Column 30 (a = 10, 7.5 degrees)
    // enters the door cell at x = 10.961 and reaches the middle line at
    // x = 11.027, past the cell's edge: frac 0.027 < 0.5, so it stops on the
    // panel too (the walk tests only frac of the door coordinate). The
    // others miss the closed half.
    WallGrid[10][12] = 0;
    WallGrid[10][14] = -3;
    DoorClosureGrid[10][14] = 0.5;
    Player.x = 10.5;
    std::vector<int> doorColumns;
    int previous = 64;
    int previousColumn = -2;
    for (int c = 0; c < SCREEN_WIDTH; ++c) {
        int texture = 0, tx = -1;
        CastAndIdentify(c, texture, tx);
        if (HasFatalFailure()) return;
        if (texture != 3) continue;
        doorColumns.push_back(c);
        EXPECT_EQ(YLineHit.y, 14.5) << c;
        EXPECT_GE(tx, 32) << c;
        EXPECT_LE(tx, 63) << c;
        // Along the panel the texture runs 63 -> 32 toward its lower-x edge.
        if (c == previousColumn + 1) {
            EXPECT_LT(tx, previous) << c;
        }
        previous = tx;
        previousColumn = c;
        const double u = YLineHit.x - std::trunc(YLineHit.x) + 0.5;
        EXPECT_EQ(tx, static_cast<int>(u * 64) % 64) << c;
    }
    EXPECT_EQ(doorColumns, (std::vector<int>{30, 41, 42, 43, 44, 45, 46, 47, 48, 49}));
}

TEST_F(Doors, HalfOpenDoorHandDerivedTextureColumns) {
    WallGrid[10][12] = 0;
    WallGrid[10][14] = -3;
    DoorClosureGrid[10][14] = 0.5;
    Player.x = 10.5;
    int texture = 0, tx = -1;
    // Column 41: x = 10.5 - 4 tan 0.75 deg = 10.4476: (0.4476 + 0.5) x 64 = 60.6.
    CastAndIdentify(41, texture, tx);
    EXPECT_EQ(texture, 3);
    EXPECT_EQ(tx, 60);
    // Column 49: x = 10.5 - 4 tan 6.75 deg = 10.0265: (0.0265 + 0.5) x 64 = 33.7.
    CastAndIdentify(49, texture, tx);
    EXPECT_EQ(texture, 3);
    EXPECT_EQ(tx, 33);
}

TEST_F(Doors, OpenDoorLetsEveryRayThrough) {
    DoorClosureGrid[10][12] = 0.0;
    for (double x : {10.01, 10.25, 10.5, 10.99}) {
        Player.x = x;
        int texture = 0, tx = -1;
        CastAndIdentify(40, texture, tx);
        EXPECT_EQ(YLineHit.y, 15.0) << x;
        EXPECT_TRUE(YLineHit.doorSeen) << x;
        EXPECT_EQ(texture, 1) << x;
        EXPECT_EQ(tx, static_cast<int>((x - 10) * 64)) << x;  // the wall, no door offset
    }
}

// The use-target capture
TEST_F(Doors, CentreColumnRecordsTheDoorCell) {
    Player.x = 10.25;
    UseTarget[0] = UseTarget[1] = 0;
    ColumnPass();
    EXPECT_EQ(UseRequest, 1);
    EXPECT_EQ(UseTarget[0], 10);
    EXPECT_EQ(UseTarget[1], 12);
}

TEST_F(Doors, OpenDoorIsStillCaptured) {
    DoorClosureGrid[10][12] = 0.0;
    Player.x = 10.5;
    ColumnPass();
    EXPECT_EQ(UseRequest, 1);
    EXPECT_EQ(UseTarget[0], 10);
    EXPECT_EQ(UseTarget[1], 12);
}

TEST_F(Doors, FirstDoorOnTheRayIsTheOneCaptured) {
    DoorClosureGrid[10][12] = 0.0;  // passed through
    WallGrid[10][13] = -3;          // stops the ray
    Player.x = 10.5;
    ColumnPass();
    EXPECT_EQ(UseRequest, 1);
    EXPECT_EQ(UseTarget[0], 10);
    EXPECT_EQ(UseTarget[1], 12);
}

TEST_F(Doors, XLineWalksDoorIsCapturedWhenTheYLineWalkSawNone) {
    WallGrid[10][12] = 0;
    WallGrid[12][10] = -3;
    Player.x = 10.5;
    Player.angle = 120;  // +x: the y-line walk starts far outside the grid
    ColumnPass();
    EXPECT_EQ(UseRequest, 1);
    EXPECT_EQ(UseTarget[0], 12);
    EXPECT_EQ(UseTarget[1], 10);
}

TEST_F(Doors, YLineWalksDoorWinsEvenWhenTheXLineWalksDoorIsNearerAndDrawn) {
    // Ray at 20 (15 degrees right of +y) from (10.5, 10.5): the y-line walk
    // reads cells (10, 11), (10, 12), (11, 13), ...; the x-line walk first
    // reads (11, 12). An open door at (11, 13) lets the y-line walk go on to
    // the ring, a closed one at (11, 12) stops the x-line walk nearer.
    WallGrid[10][12] = 0;
    WallGrid[11][13] = -3;
    DoorClosureGrid[11][13] = 0.0;
    WallGrid[11][12] = -3;
    Player.x = 10.5;
    Player.angle = 20;
    CarriedWallDistance = 1;
    CastWallColumn(40);
    ASSERT_TRUE(YLineHit.doorSeen);
    ASSERT_TRUE(XLineHit.doorSeen);
    ASSERT_EQ(YLineHit.firstDoorX, 11.0);
    ASSERT_EQ(YLineHit.firstDoorY, 13.0);
    ASSERT_EQ(XLineHit.firstDoorX, 11.0);
    ASSERT_EQ(XLineHit.firstDoorY, 12.0);
    ASSERT_LT(XLineHit.squaredDistance, YLineHit.squaredDistance);  // the x-line door is drawn

    ColumnPass();
    EXPECT_EQ(UseRequest, 1);
    EXPECT_EQ(UseTarget[0], 11);
    EXPECT_EQ(UseTarget[1], 13);
}

TEST_F(Doors, CaptureActsOnlyForColumn40) {
    Player.x = 10.25;
    CastWallColumn(40);
    ASSERT_TRUE(YLineHit.doorSeen);
    UseRequest = 0;
    UseTarget[0] = 7;
    UseTarget[1] = 9;
    CaptureUseTarget(39);
    CaptureUseTarget(41);
    EXPECT_EQ(UseRequest, 0);
    EXPECT_EQ(UseTarget[0], 7);
    EXPECT_EQ(UseTarget[1], 9);
    CaptureUseTarget(40);
    EXPECT_EQ(UseRequest, 1);
    EXPECT_EQ(UseTarget[0], 10);
    EXPECT_EQ(UseTarget[1], 12);
}

TEST_F(Caster, NoDoorLeavesUseRequestZeroAndUseTargetAsItWas) {
    test::WallRing(5, 5, 15, 15, 1);
    Player.x = 10.5;
    Player.y = 10.5;
    UseRequest = 1;  // from the last frame
    UseTarget[0] = 7;
    UseTarget[1] = 9;
    ColumnPass();
    EXPECT_EQ(UseRequest, 0);
    EXPECT_EQ(UseTarget[0], 7);
    EXPECT_EQ(UseTarget[1], 9);
}

// Failure handling and the guards at the grid edge
TEST_F(Caster, NegativeTextureColumnEndsThePassLeavingLaterColumnsUntouched) {
    // Not enclosed: the player stands outside the grid at x = -0.5 behind a
    // wall line at x = 5, facing 80. Column c looks along 120 - c. For a ray
    // within 45 degrees of +y the first y-line crossing (y = 11) lies at
    // x = -0.5 + 0.5 tan a < 0: that walk stops at once, nearer than the
    // x-line walk (which starts at x = 1). Column 62 (a = 58, tan 43.5 deg =
    // 0.949) is the first with x <= -1/64: texture column trunc(-0.0255 x 64)
    // = -1 < 0.
    for (int y = 0; y < MAP_SIZE; ++y) WallGrid[5][y] = 1;
    for (auto& column : FloorGrid)
        for (int32_t& f : column) f = 2;
    PackFloorAndCeiling();
    FillProbeTexture(1);
    FillUniformTexture(2, 0x3A);
    Player.x = -0.5;
    Player.y = 10.5;
    Player.angle = 80;
    ColumnPass();

    // Columns 0..59 meet the wall line and draw. Columns 60 and 61 (x = -8e-16
    // and -0.013: texture column 0) draw nothing either, by the guard: their
    // walk left the grid, and N >= 50 leaves out floor and ceiling. What shows
    // that the pass stopped at column 62 is the DepthBuffer: written for
    // column 62 (step 2 comes before the stop) and for no later column.
    for (int c = 0; c < 60; ++c) EXPECT_FALSE(ColumnUntouched(c)) << "column " << c;
    for (int c = 60; c < SCREEN_WIDTH; ++c) EXPECT_TRUE(ColumnUntouched(c)) << "column " << c;
    for (int c = 0; c <= 62; ++c) EXPECT_GT(DepthBuffer[c], 0.0) << "column " << c;
    for (int c = 63; c < SCREEN_WIDTH; ++c) EXPECT_EQ(DepthBuffer[c], -1.0) << "column " << c;

    CarriedWallDistance = 1;
    EXPECT_FALSE(CastWallColumn(61).stop);
    const ColumnResult r = CastWallColumn(62);
    EXPECT_TRUE(r.stop);
    EXPECT_EQ(r.angle, 58);
    EXPECT_TRUE(YLineHit.leftGrid);
    EXPECT_LT(YLineHit.x, -1.0 / 64);
    EXPECT_GT(YLineHit.x, -2.0 / 64);  // texture column trunc(-1.6) = -1
}

TEST_F(Caster, NegativeTextureColumnAtOrBeforeColumn40MeansNoCapture) {
    // As above, from x = -0.5 behind a line of doors at x = 5, facing 142:
    // column 0 (a = 182, 43.5 degrees past -y) stops the pass at once, while
    // column 40 (a = 142) would have seen a door.
    for (int y = 0; y < MAP_SIZE; ++y) WallGrid[5][y] = -1;
    Player.x = -0.5;
    Player.y = 10.5;
    Player.angle = 142;
    CarriedWallDistance = 10;
    ASSERT_TRUE(CastWallColumn(0).stop);
    ASSERT_FALSE(CastWallColumn(40).stop);
    ASSERT_TRUE(XLineHit.doorSeen || YLineHit.doorSeen);

    UseRequest = 1;
    UseTarget[0] = 7;
    UseTarget[1] = 9;
    FillSentinel();
    ColumnPass();
    EXPECT_EQ(UseRequest, 0);
    EXPECT_EQ(UseTarget[0], 7);
    EXPECT_EQ(UseTarget[1], 9);
    EXPECT_TRUE(FrameUntouched());
}

TEST_F(Caster, WalkThatLeftTheGridDrawsNoWallTexels) {
    // No walls at all: every ray leaves the grid. Texture 0 is all zero texels
    // and would show as {176, 0} cells in rows 25 and 26 (N = 1) if drawn.
    Player.x = 32.5;
    Player.y = 32.5;
    Player.angle = 0;
    ColumnPass();
    EXPECT_TRUE(FrameUntouched());
    // Everything else goes on: the DepthBuffer holds the squared distance to
    // where the walk stopped (y = 64 for the centre ray).
    EXPECT_EQ(DepthBuffer[40], 31.5 * 31.5);
    for (int c = 0; c < SCREEN_WIDTH; ++c) EXPECT_GT(DepthBuffer[c], 0.0) << c;
}

TEST_F(Caster, StaleWallValueOfAWalkThatReadNoCellIsNotDrawn) {
    // Both walks leave the grid before reading a cell; the wall value is the
    // one left from an earlier column.
    FillUniformTexture(7, 0x3F);
    YLineHit.wallValue = 7;
    XLineHit.wallValue = 7;
    Player.x = 10.5;
    Player.y = 0.5;
    Player.angle = 240;  // -y: the y-line walk's first cell would be row -1
    CarriedWallDistance = 1;
    const ColumnResult r = CastWallColumn(40);
    EXPECT_TRUE(YLineHit.leftGrid);
    EXPECT_EQ(YLineHit.wallValue, 7);
    EXPECT_FALSE(r.stop);
    EXPECT_EQ(r.height, 100);  // 50 / 0.5
    EXPECT_EQ(DepthBuffer[40], 0.25);
    EXPECT_TRUE(FrameUntouched());
}

TEST_F(Caster, PlayerWithin002OfAWallDrawsNoWallFloorOrCeiling) {
    test::WallRing(5, 5, 15, 15, 1);
    FillProbeTexture(1);
    for (auto& column : FloorGrid)
        for (int32_t& f : column) f = 2;
    for (auto& column : CeilingGrid)
        for (int32_t& k : column) k = 2;
    PackFloorAndCeiling();
    FillUniformTexture(2, 0x3A);
    Player.x = 10.5;
    Player.y = 14.99;  // 0.01 from the wall face at y = 15
    Player.angle = 0;

    CarriedWallDistance = 10;
    const ColumnResult r = CastWallColumn(40);
    EXPECT_EQ(r.height, MAX_COLUMN_HEIGHT);
    EXPECT_FALSE(r.stop);

    FillSentinel();
    ColumnPass();
    EXPECT_TRUE(FrameUntouched());
    EXPECT_NEAR(DepthBuffer[40], 0.0001, 1e-12);
}

TEST_F(Caster, PlayerOnTheWallFaceDrawsNothing) {
    // Distance exactly 0: 50 / 0 is taken as N = 2500, with no conversion of
    // an out-of-range double.
    test::WallRing(5, 5, 15, 15, 1);
    FillProbeTexture(1);
    for (auto& column : FloorGrid)
        for (int32_t& f : column) f = 2;
    PackFloorAndCeiling();
    FillUniformTexture(2, 0x3A);
    Player.x = 10.5;
    Player.y = 6.0;      // on the face y = 6 of the ring's row y = 5
    Player.angle = 240;  // facing -y
    CarriedWallDistance = 10;
    const ColumnResult r = CastWallColumn(40);
    EXPECT_EQ(DepthBuffer[40], 0.0);
    EXPECT_EQ(r.height, MAX_COLUMN_HEIGHT);

    FillSentinel();
    ColumnPass();
    EXPECT_TRUE(FrameUntouched());
}

TEST_F(Caster, EdgesOfAnOpenGridAreWalkedWithoutReadingOutsideIt) {
    // Run under AddressSanitizer in CI: no walk and no floor or ceiling row may
    // read a grid outside 0..63, whatever the position and heading.
    for (auto& column : FloorGrid)
        for (int32_t& f : column) f = 2;
    for (auto& column : CeilingGrid)
        for (int32_t& k : column) k = 2;
    PackFloorAndCeiling();
    FillUniformTexture(2, 0x3A);
    const double places[] = {0.0, 0.001, 0.5, 1.0, 31.5, 62.999, 63.0, 63.5, 63.999};
    const uint64_t before = ReadOnlyWorld();
    for (double x : places)
        for (double y : places)
            for (int angle = 0; angle < ANGLE_STEPS; angle += 20) {
                Player.x = x;
                Player.y = y;
                Player.angle = angle;
                FillSentinel();
                ColumnPass();
                ASSERT_TRUE(PassLeftASoundFrame()) << x << ", " << y << " facing " << angle;
            }
    EXPECT_EQ(ReadOnlyWorld(), before) << "a pass changed what it only reads";
}

TEST_F(Caster, DoorsAndWallsOnTheGridEdgeAreWalkedWithoutReadingOutsideIt) {
    for (int i = 0; i < MAP_SIZE; ++i) {
        WallGrid[i][0] = -1;
        WallGrid[0][i] = -2;
        WallGrid[i][63] = -3;
        WallGrid[63][i] = 4;
        DoorClosureGrid[i][0] = 0.0;
        DoorClosureGrid[0][i] = 0.5;
        DoorClosureGrid[i][63] = 0.0;
    }
    FillProbeTexture(1);
    FillProbeTexture(2);
    FillProbeTexture(3);
    FillProbeTexture(4);
    const double places[] = {0.25, 0.5, 1.0, 1.5, 32.0, 62.5, 63.0, 63.75};
    const uint64_t before = ReadOnlyWorld();
    for (double x : places)
        for (double y : places)
            for (int angle = 0; angle < ANGLE_STEPS; angle += 15) {
                Player.x = x;
                Player.y = y;
                Player.angle = angle;
                FillSentinel();
                ColumnPass();
                ASSERT_TRUE(PassLeftASoundFrame()) << x << ", " << y << " facing " << angle;
            }
    EXPECT_EQ(ReadOnlyWorld(), before) << "a pass changed what it only reads";
}

}  // namespace
}  // namespace fg
