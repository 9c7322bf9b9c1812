// Floor and ceiling rows, their world points, their shading with the
// double-precision factor, and the guard for points off the grid.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "render/caster.h"
#include "render/floor_ceiling.h"
#include "tests/test_screen.h"
#include "tests/test_world.h"

namespace fg {
namespace {

using namespace test;

// Fills a floor or ceiling grid and packs the grids again, as the level
// loader does; a test that sets single cells packs them itself.
void FillGrid(int32_t (&grid)[MAP_SIZE][MAP_SIZE], int32_t value) {
    for (auto& column : grid)
        for (int32_t& g : column) g = value;
    PackFloorAndCeiling();
}

constexpr int FLOOR_TEXTURE = 2;    // green, brightness 7
constexpr int CEILING_TEXTURE = 3;  // red, brightness 7
constexpr int WALL_TEXTURE = 4;     // blue, brightness 7

// One letter per row of screen column x: F floor, C ceiling, W wall (by the
// colour), 0 a level-0 (black) cell, . untouched.
std::string Rows(int x) {
    std::string s;
    for (int r = 0; r < SCREEN_HEIGHT; ++r) {
        const CHAR_INFO& c = Cell(r, x);
        if (Same(c, SENTINEL))
            s += '.';
        else if (c.attributes == 0)
            s += '0';
        else if ((c.attributes & 7) == 2)
            s += 'F';
        else if ((c.attributes & 7) == 4)
            s += 'C';
        else if ((c.attributes & 7) == 1)
            s += 'W';
        else
            s += '?';
    }
    return s;
}
std::string Repeat(char c, int n) { return std::string(static_cast<size_t>(n), c); }

class FloorCeiling : public ::testing::Test {
protected:
    void SetUp() override {
        test::ResetWorld();
        FillSentinel();
        FillGrid(FloorGrid, FLOOR_TEXTURE);
        FillGrid(CeilingGrid, CEILING_TEXTURE);
        FillUniformTexture(FLOOR_TEXTURE, 0x3A);
        FillUniformTexture(CEILING_TEXTURE, 0x3C);
        FillUniformTexture(WALL_TEXTURE, 0x39);
        Player.x = 32.5;
        Player.y = 32.5;
        Player.angle = 0;
    }
};

// Which rows are written
TEST_F(FloorCeiling, Height49DrawsOnlyTheCeilingInRow0) {
    // T = 1: only j = 0 runs; its floor row 49 is the wall's.
    DrawFloorAndCeiling(40, 0, 49);
    EXPECT_EQ(Rows(40), "C" + Repeat('.', 49));
}

TEST_F(FloorCeiling, Height10CeilingRows0To19FloorRows31To49) {
    // T = 20; the floor row 30 (j = 19) is skipped: it is the wall's.
    DrawFloorAndCeiling(40, 0, 10);
    EXPECT_EQ(Rows(40), Repeat('C', 20) + Repeat('.', 11) + Repeat('F', 19));
}

TEST_F(FloorCeiling, Height10WithItsWallWritesEveryRowOnce) {
    DrawTextureColumn(WALL_TEXTURE, 0, 40, 10, 1.0f);  // rows 20..30
    DrawFloorAndCeiling(40, 0, 10);
    EXPECT_EQ(Rows(40), Repeat('C', 20) + Repeat('W', 11) + Repeat('F', 19));
}

TEST_F(FloorCeiling, Height11FloorOverwritesTheWallsLastRow) {
    DrawFloorAndCeiling(40, 0, 11);
    EXPECT_EQ(Rows(40), Repeat('C', 20) + Repeat('.', 11) + Repeat('F', 19));

    FillSentinel();
    DrawTextureColumn(WALL_TEXTURE, 0, 40, 11, 1.0f);  // rows 20..31
    EXPECT_EQ(Rows(40), Repeat('.', 20) + Repeat('W', 12) + Repeat('.', 18));
    DrawFloorAndCeiling(40, 0, 11);
    EXPECT_EQ(Rows(40), Repeat('C', 20) + Repeat('W', 11) + Repeat('F', 19));  // row 31 ends as floor
}

TEST_F(FloorCeiling, Height0LeavesRow25AsItWas) {
    // T = 25: ceiling rows 0..24, floor rows 26..49. Row 24 (j = 24, D = 25)
    // is shaded to level 0: 2 / 25.5 x 7 = 0.55.
    DrawFloorAndCeiling(40, 0, 0);
    EXPECT_EQ(Rows(40), Repeat('C', 24) + "0" + "." + Repeat('F', 24));
}

TEST_F(FloorCeiling, HeightsOf50AndAboveDrawNothing) {
    for (int n : {50, 51, 52, 100, 2499, 2500}) DrawFloorAndCeiling(40, 0, n);
    for (const CHAR_INFO& c : FrameBuffer) ASSERT_TRUE(Same(c, SENTINEL));
}

TEST_F(FloorCeiling, WritesOnlyItsOwnColumn) {
    DrawFloorAndCeiling(7, WrapAngle(0 + 40 - 7), 0);
    for (int x = 0; x < SCREEN_WIDTH; ++x)
        if (x != 7) {
            EXPECT_EQ(Rows(x), Repeat('.', 50)) << x;
        }
    // Column 7's rows lie farther (D x 1 / cos 24.75 degrees): j = 23 (rows 23
    // and 26, D = 13.77) and j = 24 (row 24) are level 0.
    EXPECT_EQ(Rows(7), Repeat('C', 23) + "00" + "." + "0" + Repeat('F', 23));
}

// The world point
TEST_F(FloorCeiling, CentreColumnRowZeroShowsThePointOneCellAhead) {
    // From (32.3, 32.6) facing +y, j = 0 of column 40 has D = 1: the point
    // (32.3, 33.6), cell (32, 33), texel row trunc(33.6 x 64) mod 64 = 38 and
    // column trunc(32.3 x 64) mod 64 = 19. Only that texel is red (floor) or
    // yellow (ceiling), and only that cell has these textures.
    FillGrid(FloorGrid, 0);
    FillGrid(CeilingGrid, 0);
    FloorGrid[32][33] = 5;
    CeilingGrid[32][33] = 6;
    PackFloorAndCeiling();
    FillUniformTexture(5, 0x3A);
    FillUniformTexture(6, 0x39);
    Texel(5, 38, 19) = 0x3C;
    Texel(6, 38, 19) = 0x3E;
    Player.x = 32.3;
    Player.y = 32.6;
    DrawFloorAndCeiling(40, 0, 10);
    // D = 1: factor 2 / 1.5, 7 x 1.33 = 9.3, clamped to level 7.
    EXPECT_TRUE(Same(Cell(49, 40), CHAR_INFO{219, 0x0C}));
    EXPECT_TRUE(Same(Cell(0, 40), CHAR_INFO{219, 0x0E}));
    // j = 1..7 (D = 1.04 .. 1.39) are still in cell (32, 33), texel rows
    // 41..63: the plain texels, still level 7 (7 x 2 / 1.89 = 7.4).
    for (int j = 1; j <= 7; ++j) {
        EXPECT_TRUE(Same(Cell(49 - j, 40), CHAR_INFO{219, 0x0A})) << j;
        EXPECT_TRUE(Same(Cell(j, 40), CHAR_INFO{219, 0x09})) << j;
    }
    // From j = 8 (D = 1.47, y = 34.07) the rows lie in cells with no floor or ceiling.
    for (int r = 8; r < 42; ++r) EXPECT_TRUE(Same(Cell(r, 40), SENTINEL)) << r;
}

TEST_F(FloorCeiling, CentreColumnRow24ShowsThePoint25CellsAhead) {
    // j = 24, D = 25: the point (32.3, 57.6), cell (32, 57). Only the ceiling
    // row 24 is drawn (row 25, the floor's, is skipped at N = 0).
    FillGrid(FloorGrid, 0);
    FillGrid(CeilingGrid, 0);
    FloorGrid[32][57] = 5;
    CeilingGrid[32][57] = 6;
    PackFloorAndCeiling();
    FillUniformTexture(5, 0x3A);
    FillUniformTexture(6, 0x39);
    Player.x = 32.3;
    Player.y = 32.6;
    DrawFloorAndCeiling(40, 0, 0);
    EXPECT_TRUE(Same(Cell(24, 40), CHAR_INFO{176, 0x00}));  // 2 / 25.5 x 7 = 0.55: level 0
    for (int r = 0; r < SCREEN_HEIGHT; ++r)
        if (r != 24) {
            EXPECT_TRUE(Same(Cell(r, 40), SENTINEL)) << r;
        }
}

// Shading
TEST_F(FloorCeiling, FactorTwoOverDPlusHalfInDoublePrecision) {
    // Row 49 and row 0 of column 40 at D = 1: factor 2 / 1.5.
    struct Case {
        int brightness;
        int level;
    };
    // 1.33, 2.67, 4.0 (exactly, in double), 5.33, 6.67, 8.0 -> 7, 9.33 -> 7.
    for (const Case& k :
         {Case{0, 0}, Case{1, 1}, Case{2, 2}, Case{3, 4}, Case{4, 5}, Case{5, 6}, Case{6, 7}, Case{7, 7}}) {
        FillUniformTexture(FLOOR_TEXTURE, static_cast<uint8_t>((k.brightness << 3) | 5));
        FillUniformTexture(CEILING_TEXTURE, static_cast<uint8_t>((k.brightness << 3) | 3));
        DrawFloorAndCeiling(40, 0, 10);
        EXPECT_TRUE(Same(Cell(49, 40), ShadeTable[5 * 8 + k.level])) << "brightness " << k.brightness;
        EXPECT_TRUE(Same(Cell(0, 40), ShadeTable[3 * 8 + k.level])) << "brightness " << k.brightness;
    }
}

TEST_F(FloorCeiling, FactorIsNotRoundedToSinglePrecision) {
    // No entry of the real table tells the two apart (every column, row and
    // brightness was checked), so one distance is crafted: at D = 1.0000000001
    // brightness 3 gives 3 x 2 / 1.5000000001 = 3.9999999997 in double, level
    // 3; a factor rounded to single precision (1.33333337) would give 4.0000001,
    // level 4.
    const double saved = RowDistanceTable[40][0];
    RowDistanceTable[40][0] = 1.0000000001;
    BuildFloorShadeLevels();  // the levels follow the distances
    FillUniformTexture(FLOOR_TEXTURE, (3 << 3) | 5);
    FillUniformTexture(CEILING_TEXTURE, (3 << 3) | 6);
    DrawFloorAndCeiling(40, 0, 10);
    RowDistanceTable[40][0] = saved;
    BuildFloorShadeLevels();
    EXPECT_TRUE(Same(Cell(49, 40), ShadeTable[5 * 8 + 3]));
    EXPECT_TRUE(Same(Cell(0, 40), ShadeTable[6 * 8 + 3]));
}

TEST_F(FloorCeiling, TexelOf255IsShadedLikeAnyOther) {
    FillUniformTexture(FLOOR_TEXTURE, TRANSPARENT_TEXEL);  // colour 7, brightness 7, bits 6-7 ignored
    DrawFloorAndCeiling(40, 0, 10);
    EXPECT_TRUE(Same(Cell(49, 40), CHAR_INFO{219, 0x0F}));
}

// Worked examples, one row of one column each, from the player at (10.25,
// 20.5). Row j lies d = secant x 25 / (25 - j) along the column's ray, whose
// direction is (sin a, cos a); the world point (wx, wy) names the cell
// (trunc wx, trunc wy) and the texel v = trunc(64 wy) % 64, u = trunc(64 wx) %
// 64; a texel of brightness 5 gets level trunc(5 x 2 / (d + 0.5)).
struct RowExample {
    int column, facing, row;
    int cellX, cellY, v, u, level;
};
const RowExample ROW_EXAMPLES[] = {
    // Column 40 facing 0 looks along +y: wx = 10.25, u = 656 % 64 = 16, d = 25 / (25 - j).
    {40, 0, 0, 10, 21, 32, 16, 6},   // d 1, wy 21.5, 5 x 1.333 = 6.67
    {40, 0, 5, 10, 21, 48, 16, 5},   // d 1.25, wy 21.75, 5 x 1.143 = 5.71
    {40, 0, 15, 10, 23, 0, 16, 3},   // d 2.5, wy 23.0, 5 x 0.667 = 3.33
    {40, 0, 20, 10, 25, 32, 16, 1},  // d 5, wy 25.5, 5 x 0.364 = 1.82
    // Facing 120 looks along +x: d 1.6667, wx 11.9167, 64 wx = 762.7, u 58; wy 20.5, v 32.
    {40, 120, 10, 11, 20, 32, 58, 4},  // 5 x 0.923 = 4.62
    // Column 0 at facing 440 also looks along +y, its secant 1 / sin 120 deg = 1.1547:
    // wy 21.6547, 64 wy = 1385.9, v 41.
    {0, 440, 0, 10, 21, 41, 16, 6},  // 5 x 1.2087 = 6.04
    // Facing 60 (45 degrees): wx 10.9571, 64 wx = 701.25, u 61; wy 21.2071, 64 wy = 1357.25, v 13.
    {40, 60, 0, 10, 21, 13, 61, 6},
    // Facing 300 (225 degrees), d 1.25: wx 9.3661, 64 wx = 599.4, u 23; wy 19.6161, 64 wy = 1255.4, v 39.
    {40, 300, 5, 9, 19, 39, 23, 5},
};

TEST_F(FloorCeiling, WorkedExamplesShowTheirCellTexelAndLevel) {
    constexpr int MARK_FLOOR = 5, MARK_CEILING = 6;  // the texel worked out, in colours of its own
    for (const RowExample& e : ROW_EXAMPLES) {
        // Every other cell and texel is another colour, so only the worked-out
        // cell, texel and level give the expected glyph.
        FillGrid(FloorGrid, 1);
        FillGrid(CeilingGrid, 1);
        FloorGrid[e.cellX][e.cellY] = FLOOR_TEXTURE;
        CeilingGrid[e.cellX][e.cellY] = CEILING_TEXTURE;
        PackFloorAndCeiling();
        FillUniformTexture(1, (5 << 3) | 7);
        FillUniformTexture(FLOOR_TEXTURE, (5 << 3) | 2);
        FillUniformTexture(CEILING_TEXTURE, (5 << 3) | 4);
        Texel(FLOOR_TEXTURE, e.v, e.u) = (5 << 3) | MARK_FLOOR;
        Texel(CEILING_TEXTURE, e.v, e.u) = (5 << 3) | MARK_CEILING;
        Player.x = 10.25;
        Player.y = 20.5;
        Player.angle = e.facing;
        FillSentinel();
        DrawFloorAndCeiling(e.column, WrapAngle(e.facing + CENTRE_COLUMN - e.column), 0);
        EXPECT_TRUE(Same(Cell(SCREEN_HEIGHT - 1 - e.row, e.column), ShadeTable[MARK_FLOOR * 8 + e.level]))
            << "floor, column " << e.column << " facing " << e.facing << " row " << e.row;
        EXPECT_TRUE(Same(Cell(e.row, e.column), ShadeTable[MARK_CEILING * 8 + e.level]))
            << "ceiling, column " << e.column << " facing " << e.facing << " row " << e.row;
    }
}

// The rows drawn for a wall of height n: ceiling rows 0..top-1 and floor rows
// from 50 - top + 1 down, top = 25 - n / 2; nothing at all once n / 2 >= 25.
TEST_F(FloorCeiling, RowsDrawnFollowTheWallHeight) {
    FillUniformTexture(FLOOR_TEXTURE, 0x3A);
    FillUniformTexture(CEILING_TEXTURE, 0x3C);
    FillGrid(CeilingGrid, CEILING_TEXTURE);
    Player.x = 31.37;
    Player.y = 29.81;
    for (int n : {0, 1, 7, 10, 11, 30, 48, 49, 50, 51}) {
        FillSentinel();
        DrawFloorAndCeiling(40, 0, n);
        const int top = std::max(0, 25 - n / 2);
        const int floorRows = std::max(0, top - 1);
        std::string drawn = Rows(40);  // the farthest rows may come out black: which rows, not their colour
        for (char& c : drawn)
            if (c != '.') c = '#';
        std::string expected = Repeat('#', top);
        expected += Repeat('.', 50 - top - floorRows);
        expected += Repeat('#', floorRows);
        EXPECT_EQ(drawn, expected) << n;
    }
}

// From outside the grid, or with row distances that do not rise with j (the
// pass then tests every point on its own), a point outside the grid draws
// nothing; the sanitizer build also sees that nothing outside the grids is read.
TEST_F(FloorCeiling, PointsOutsideTheGridDrawNothing) {
    const struct {
        double x, y;
        int facing;  // away from the grid: 360 faces -x, 60 faces +x and +y
    } outside[] = {{-3.0, 20.0, 360}, {70.5, 66.0, 60}, {-0.01, -0.01, 300}};
    for (const auto& p : outside) {
        Player.x = p.x;
        Player.y = p.y;
        FillSentinel();
        for (int c = 0; c < SCREEN_WIDTH; ++c)
            DrawFloorAndCeiling(c, WrapAngle(p.facing + CENTRE_COLUMN - c), 0);
        EXPECT_TRUE(FrameUntouched()) << p.x << ", " << p.y;
    }

    // Row 3 of column 40 a thousand cells away: only its two cells stay as they were.
    const double saved = RowDistanceTable[40][3];
    RowDistanceTable[40][3] = 1000;
    BuildFloorShadeLevels();
    Player.x = 32.5;
    Player.y = 32.5;
    FillSentinel();
    DrawFloorAndCeiling(40, 0, 0);
    EXPECT_EQ(Rows(40),
              Repeat('C', 3) + "." + Repeat('C', 20) + "0." + Repeat('F', 20) + "." + Repeat('F', 3));
    RowDistanceTable[40][3] = saved;
    BuildFloorShadeLevels();
}

// Grid values that are not drawn
TEST_F(FloorCeiling, ValuesOutside1To63LeaveTheCells) {
    for (int32_t value : {0, 64, 65, 255, 1000, -1, -64}) {
        FillGrid(FloorGrid, value);
        FillGrid(CeilingGrid, value);
        FillSentinel();
        DrawFloorAndCeiling(40, 0, 0);
        EXPECT_EQ(Rows(40), Repeat('.', 50)) << value;
    }
}

TEST_F(FloorCeiling, Value63IsDrawn) {
    FillGrid(FloorGrid, 63);
    FillGrid(CeilingGrid, 1);
    FillUniformTexture(63, 0x3A);
    FillUniformTexture(1, 0x3C);
    DrawFloorAndCeiling(40, 0, 10);
    EXPECT_EQ(Rows(40), Repeat('C', 20) + Repeat('.', 11) + Repeat('F', 19));
}

TEST_F(FloorCeiling, FloorAndCeilingAreIndependent) {
    FillGrid(CeilingGrid, 0);
    DrawFloorAndCeiling(40, 0, 10);
    EXPECT_EQ(Rows(40), Repeat('.', 31) + Repeat('F', 19));
    FillSentinel();
    FillGrid(CeilingGrid, CEILING_TEXTURE);
    FillGrid(FloorGrid, 64);
    DrawFloorAndCeiling(40, 0, 10);
    EXPECT_EQ(Rows(40), Repeat('C', 20) + Repeat('.', 30));
}

// The guard: world points off the grid
TEST_F(FloorCeiling, PointJustLeftOfTheGridIsNotDrawn) {
    // From x = 0.6 facing -x: j = 0 is at x = -0.4, which truncation toward
    // zero would wrongly take to cell 0. Every row is off the grid.
    Player.x = 0.6;
    Player.angle = 360;
    DrawFloorAndCeiling(40, 360, 0);
    EXPECT_EQ(Rows(40), Repeat('.', 50));
}

TEST_F(FloorCeiling, PointsPastTheFarEdgesAreNotDrawn) {
    Player.x = 63.5;
    Player.angle = 120;  // +x: x = 64.5 and beyond
    DrawFloorAndCeiling(40, 120, 0);
    EXPECT_EQ(Rows(40), Repeat('.', 50));
    Player.x = 32.5;
    Player.y = 63.5;
    Player.angle = 0;  // +y
    DrawFloorAndCeiling(40, 0, 0);
    EXPECT_EQ(Rows(40), Repeat('.', 50));
    Player.y = 0.3;
    Player.angle = 240;  // -y: y = -0.7 and below
    DrawFloorAndCeiling(40, 240, 0);
    EXPECT_EQ(Rows(40), Repeat('.', 50));
}

TEST_F(FloorCeiling, RowsWhosePointsLeaveTheGridAreLeftTheOthersDrawn) {
    // From x = 3.5 facing -x, the point of row j is at x = 3.5 - 25 / (25 - j):
    // j = 17 at 0.375 is drawn, j = 18 at -0.071 is not.
    Player.x = 3.5;
    Player.angle = 360;
    DrawFloorAndCeiling(40, 360, 0);
    EXPECT_EQ(Rows(40), Repeat('C', 18) + Repeat('.', 14) + Repeat('F', 18));
}

TEST_F(FloorCeiling, ColumnPassFromOutsideTheGridDrawsOnlyThePointsOnIt) {
    // Not enclosed: the player stands on the grid line x = -1, y = 32, facing
    // 110 (82.5 degrees, a little left of +x), a wall line at x = 10. Column
    // 40's x-line walk meets it at (10, 33.45): corrected distance 11.09,
    // N = 4, T = 23. Row j shows x = -1 + 0.9914 x 25 / (25 - j): j = 0 at
    // x = -0.0086 is off the grid (truncation toward zero would take it to
    // cell 0); j = 1 at 0.033 is on it. No column of this pass stops it.
    for (int y = 0; y < MAP_SIZE; ++y) WallGrid[10][y] = WALL_TEXTURE;
    Player.x = -1.0;
    Player.y = 32.0;
    Player.angle = 110;
    ColumnPass();
    EXPECT_GT(DepthBuffer[79], 0.0);  // the pass ran to the last column
    EXPECT_EQ(Rows(40), std::string(".") + Repeat('C', 22) + Repeat('W', 5) + Repeat('F', 21) + ".");
}

// The floor and ceiling read their grids packed: start-up packs the level it
// loads, and each grid value maps to its texture's place in the bank, or to
// nothing outside 1..63.
TEST_F(FloorCeiling, StartUpPacksTheLoadedLevelsFloorAndCeiling) {
    BuildWorld();
    int drawn = 0;
    for (int x = 0; x < MAP_SIZE; ++x)
        for (int y = 0; y < MAP_SIZE; ++y) {
            const SurfaceCell& s = SurfaceGrid[x * MAP_SIZE + y];
            for (const auto& [value, packed] :
                 {std::pair{FloorGrid[x][y], s.floor}, {CeilingGrid[x][y], s.ceiling}}) {
                const bool shown = value >= 1 && value <= 63;
                ASSERT_EQ(packed, shown ? static_cast<uint32_t>(value) * TEXTURE_TEXELS : NO_SURFACE)
                    << x << ", " << y;
                drawn += shown;
            }
        }
    EXPECT_GT(drawn, 500);  // the level has rooms, not an empty grid
    for (int32_t value : {-1, 0, 1, 63, 64, 255}) {
        FloorGrid[3][4] = value;
        PackFloorAndCeiling();
        EXPECT_EQ(SurfaceGrid[3 * MAP_SIZE + 4].floor,
                  value >= 1 && value <= 63 ? static_cast<uint32_t>(value) * TEXTURE_TEXELS : NO_SURFACE)
            << value;
    }
}

TEST_F(FloorCeiling, ColumnPassesAtTheGridsEdgesReadNoGridOutsideIt) {
    // Run under AddressSanitizer in CI.
    for (int y = 0; y < MAP_SIZE; ++y) WallGrid[10][y] = WALL_TEXTURE;
    const double places[] = {-3.0, -1.5, -0.25, 0.0, 0.5, 63.5, 64.0, 65.5};
    const uint64_t before = ReadOnlyWorld();
    for (double x : places)
        for (double y : {-2.0, 0.25, 32.5, 63.75, 66.0})
            for (int facing = 0; facing < ANGLE_STEPS; facing += 24) {
                Player.x = x;
                Player.y = y;
                Player.angle = facing;
                FillSentinel();
                ColumnPass();
                ASSERT_TRUE(PassLeftASoundFrame()) << x << ", " << y << " facing " << facing;
            }
    EXPECT_EQ(ReadOnlyWorld(), before) << "a pass changed what it only reads";
}

}  // namespace
}  // namespace fg

namespace fg {
namespace {

// The SIMD floor (x86) and the plain one every other target runs draw the
// very same cells: random textures, grids with holes and out-of-range values,
// points on and off the grid, every column, angle and wall height. Where
// there is no SIMD path the two are one and this still runs.
TEST(FloorCeilingPaths, PlainAndSimdDrawTheSameCells) {
    test::ResetWorld();
    uint64_t state = 0x243f6a8885a308d3ull;
    auto next = [&state] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 33);
    };
    for (uint8_t& t : TextureBank) t = static_cast<uint8_t>(next());
    for (int x = 0; x < MAP_SIZE; ++x)
        for (int y = 0; y < MAP_SIZE; ++y) {
            FloorGrid[x][y] = static_cast<int32_t>(next() % 70);
            CeilingGrid[x][y] = static_cast<int32_t>(next() % 70);
        }
    PackFloorAndCeiling();
    CHAR_INFO plain[SCREEN_WIDTH * SCREEN_HEIGHT];
    for (int view = 0; view < 400; ++view) {
        // Mostly inside the grid; one view in eight near or past its edge.
        const bool edge = next() % 8 == 0;
        Player.x = edge ? -2.0 + (next() % 6800) / 100.0 : 1.0 + (next() % 6200) / 100.0;
        Player.y = edge ? -2.0 + (next() % 6800) / 100.0 : 1.0 + (next() % 6200) / 100.0;
        for (CHAR_INFO& c : FrameBuffer) c = {static_cast<uint16_t>(next()), static_cast<uint16_t>(next())};
        std::memcpy(plain, FrameBuffer, sizeof plain);  // the same start for both
        const int angle = static_cast<int>(next() % ANGLE_STEPS);
        std::vector<int> heights(SCREEN_WIDTH);
        for (int& h : heights) h = static_cast<int>(next() % 50);
        for (int c = 0; c < SCREEN_WIDTH; ++c)
            DrawFloorAndCeilingPlain(c, WrapAngle(angle + CENTRE_COLUMN - c), heights[c]);
        std::swap_ranges(plain, plain + SCREEN_WIDTH * SCREEN_HEIGHT, FrameBuffer);
        for (int c = 0; c < SCREEN_WIDTH; ++c)
            DrawFloorAndCeiling(c, WrapAngle(angle + CENTRE_COLUMN - c), heights[c]);
        for (int i = 0; i < SCREEN_WIDTH * SCREEN_HEIGHT; ++i)
            ASSERT_TRUE(Same(FrameBuffer[i], plain[i])) << "view " << view << " cell " << i;
    }
}

}  // namespace
}  // namespace fg
