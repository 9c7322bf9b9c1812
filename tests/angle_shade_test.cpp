// The angle tables and the shade table: known values and their edge cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "render/shade_table.h"
#include "world/angle_tables.h"

namespace fg {
namespace {

// WrapAngle
TEST(WrapAngle, KnownValues) {
    EXPECT_EQ(WrapAngle(-1), 479);
    EXPECT_EQ(WrapAngle(-480), 0);
    EXPECT_EQ(WrapAngle(-481), 479);
    EXPECT_EQ(WrapAngle(0), 0);
    EXPECT_EQ(WrapAngle(479), 479);
    EXPECT_EQ(WrapAngle(480), 0);
    EXPECT_EQ(WrapAngle(959), 479);
    EXPECT_EQ(WrapAngle(1000), 40);
}

TEST(WrapAngle, IsTheLeastNonNegativeRemainderOverTheWholeIntRange) {
    // a - 480 * floor(a / 480): -2147483648 = -4473925 * 480 - 352 ... + 480.
    EXPECT_EQ(WrapAngle(std::numeric_limits<int32_t>::min()), 352);
    EXPECT_EQ(WrapAngle(std::numeric_limits<int32_t>::max()), 127);
    EXPECT_EQ(WrapAngle(-120), 360);
    EXPECT_EQ(WrapAngle(-959), 1);
    EXPECT_EQ(WrapAngle(-960), 0);
    for (int32_t a = -2000; a <= 2000; ++a) {
        const int w = WrapAngle(a);
        ASSERT_GE(w, 0) << a;
        ASSERT_LT(w, ANGLE_STEPS) << a;
        ASSERT_EQ((static_cast<int64_t>(a) - w) % ANGLE_STEPS, 0) << a;
    }
}

// The tables
class AngleTables : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        BuildAngleTables();
        BuildRowDistanceTable();
    }
};

TEST_F(AngleTables, UnitHasItsExactBitPattern) {
    EXPECT_EQ(std::bit_cast<uint64_t>(ANGLE_UNIT_RADIANS), uint64_t{0x3F8ACEE9F37BEBCE});
    EXPECT_EQ(ANGLE_UNIT_RADIANS, 6.28318530717958 / 480);
    EXPECT_EQ(ANGLE_UNIT_RADIANS, 0.013089969389957459);
    // Not the double nearest to 2 pi / 480.
    EXPECT_NE(ANGLE_UNIT_RADIANS, 2 * 3.14159265358979323846 / 480);
}

TEST_F(AngleTables, ValuesAtTheQuarterTurns) {
    EXPECT_EQ(SinTable[0], 0.0);
    EXPECT_EQ(TanTable[0], 0.0);
    EXPECT_EQ(SinTable[120], 1.0);
    // Not 0: 240 units of this unit fall a little short of pi.
    EXPECT_GT(SinTable[240], 0.0);
    // Exactly, on every platform: C libraries differ here from the sixth digit on.
    EXPECT_EQ(SinTable[240], 3.2310891488651735e-15);
    EXPECT_NEAR(SinTable[360], -1.0, 1e-15);
}

TEST_F(AngleTables, TangentsAtTheQuarterTurnsAreHugeButFiniteAndPositive) {
    EXPECT_TRUE(std::isfinite(TanTable[120]));
    EXPECT_TRUE(std::isfinite(TanTable[360]));
    EXPECT_GT(TanTable[120], 0.0);
    EXPECT_GT(TanTable[360], 0.0);
    EXPECT_NEAR(TanTable[120] / 6.19e14, 1.0, 0.005);  // "about" values: three digits
    EXPECT_NEAR(TanTable[360] / 2.16e14, 1.0, 0.005);
    EXPECT_NEAR(TanTable[240], -3.2310891488651735e-15, 1e-27);
}

TEST_F(AngleTables, EveryEntryIsTheFunctionOfIndexTimesUnit) {
    for (int i = 0; i < ANGLE_STEPS; ++i) {
        const double x = i * ANGLE_UNIT_RADIANS;
#if defined(__GLIBC__)
        // The constants were generated with glibc: here they are its results, bit for bit.
        EXPECT_EQ(std::bit_cast<uint64_t>(SinTable[i]), std::bit_cast<uint64_t>(std::sin(x))) << i;
        EXPECT_EQ(std::bit_cast<uint64_t>(TanTable[i]), std::bit_cast<uint64_t>(std::tan(x))) << i;
#else
        // Other C libraries agree to the precision of a double, not in every last bit.
        const double s = std::sin(x), t = std::tan(x);
        EXPECT_NEAR(SinTable[i], s, 1e-15 * std::max(1.0, std::fabs(s))) << i;
        EXPECT_NEAR(TanTable[i], t, 1e-15 * std::max(1.0, std::fabs(t))) << i;
#endif
    }
    // The direction of angle a is (sin a, cos a): 0 faces +y, 120 faces +x.
    EXPECT_NEAR(SinTable[30], 0.38268343236508978, 1e-15);  // sin 22.5 degrees
    EXPECT_NEAR(SinTable[60], 0.70710678118654752, 1e-15);  // sin 45 degrees
    EXPECT_NEAR(TanTable[60], 1.0, 1e-14);
}

TEST_F(AngleTables, RowDistancesAtColumns0_40_79) {
    EXPECT_EQ(RowDistanceTable[40][0], 1.0);
    EXPECT_EQ(RowDistanceTable[40][24], 25.0);
    EXPECT_NEAR(RowDistanceTable[0][0], 1.1547005383792515, 1e-14);  // 1 / cos 30 degrees
    EXPECT_NEAR(RowDistanceTable[79][0], 1.1461370503631, 1e-12);    // 1 / cos 29.25 degrees
    // Not symmetric: column 0 is 40 units left of centre, column 79 only 39 right.
    EXPECT_GT(RowDistanceTable[0][0], RowDistanceTable[79][0]);
    EXPECT_NEAR(RowDistanceTable[1][0], RowDistanceTable[79][0], 1e-14);
    EXPECT_NEAR(RowDistanceTable[0][24], 25 * 1.1547005383792515, 1e-12);
}

TEST_F(AngleTables, RowDistanceIsTheProductOfTheTwoRoundedQuotients) {
    for (int c = 0; c < SCREEN_WIDTH; ++c)
        for (int j = 0; j < 25; ++j) {
            const double secant = 1.0 / SinTable[160 - c];
            const double stretch = 25.0 / (25 - j);
            ASSERT_EQ(RowDistanceTable[c][j], secant * stretch) << c << " " << j;
        }
}

TEST_F(AngleTables, RowDistanceEntries25To49StayZero) {
    for (int c = 0; c < SCREEN_WIDTH; ++c)
        for (int j = 25; j < SCREEN_HEIGHT; ++j) ASSERT_EQ(RowDistanceTable[c][j], 0.0) << c << " " << j;
}

// The shade table
struct Cell {
    uint16_t character;
    uint16_t attributes;
};

// The complete table, row by row (colour 0..7), level 0..7 in each row.
constexpr Cell EXPECTED_SHADE_TABLE[64] = {
    // 0 black
    {176, 0x00},
    {176, 0x00},
    {177, 0x00},
    {177, 0x00},
    {178, 0x08},
    {178, 0x08},
    {219, 0x08},
    {219, 0x08},
    // 1 blue
    {176, 0x00},
    {176, 0x01},
    {177, 0x01},
    {177, 0x11},
    {178, 0x09},
    {178, 0x19},
    {219, 0x09},
    {219, 0x09},
    // 2 green
    {176, 0x00},
    {176, 0x02},
    {177, 0x02},
    {177, 0x22},
    {178, 0x0A},
    {178, 0x2A},
    {219, 0x0A},
    {219, 0x0A},
    // 3 cyan
    {176, 0x00},
    {176, 0x03},
    {177, 0x03},
    {177, 0x33},
    {178, 0x0B},
    {178, 0x3B},
    {219, 0x0B},
    {219, 0x0B},
    // 4 red
    {176, 0x00},
    {176, 0x04},
    {177, 0x04},
    {177, 0x44},
    {178, 0x0C},
    {178, 0x4C},
    {219, 0x0C},
    {219, 0x0C},
    // 5 magenta
    {176, 0x00},
    {176, 0x05},
    {177, 0x05},
    {177, 0x55},
    {178, 0x0D},
    {178, 0x5D},
    {219, 0x0D},
    {219, 0x0D},
    // 6 yellow
    {176, 0x00},
    {176, 0x06},
    {177, 0x06},
    {177, 0x66},
    {178, 0x0E},
    {178, 0x6E},
    {219, 0x0E},
    {219, 0x0E},
    // 7 white
    {176, 0x00},
    {176, 0x07},
    {177, 0x07},
    {177, 0x77},
    {178, 0x0F},
    {178, 0x7F},
    {219, 0x0F},
    {219, 0x0F},
};

class Shade : public ::testing::Test {
protected:
    static void SetUpTestSuite() { BuildShadeTable(); }

    static void ExpectCell(const CHAR_INFO& actual, uint16_t character, uint16_t attributes) {
        EXPECT_EQ(actual.character, character);
        EXPECT_EQ(actual.attributes, attributes);
    }
};

TEST_F(Shade, TableEqualsTheExpectedCellForCell) {
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(ShadeTable[i].character, EXPECTED_SHADE_TABLE[i].character)
            << "colour " << i / 8 << " level " << i % 8;
        EXPECT_EQ(ShadeTable[i].attributes, EXPECTED_SHADE_TABLE[i].attributes)
            << "colour " << i / 8 << " level " << i % 8;
    }
}

TEST_F(Shade, TexelZeroIsBlackWithAnyFactor) {
    for (float f : {0.0f, 0.5f, 1.0f, 3.0f, 100.0f, -1.0f}) ExpectCell(ShadeTexel(0, f), 176, 0x00);
}

TEST_F(Shade, BrightnessZeroIsBlackForEveryColour) {
    for (int colour = 0; colour < 8; ++colour)
        for (float f : {0.5f, 1.0f, 7.0f}) ExpectCell(ShadeTexel(colour, f), 176, 0x00);
}

TEST_F(Shade, KnownValues) {
    ExpectCell(ShadeTexel(63, 1.0f), 219, 0x0F);  // white, brightness 7: level 7
    ExpectCell(ShadeTexel(28, 1.0f), 177, 0x44);  // red, brightness 3: level 3
    // Brightness 7 at 0.5: 3.5, level 3.
    ExpectCell(ShadeTexel((7 << 3) | 2, 0.5f), 177, 0x22);
    // Brightness 7 at 1.2: 8.4, truncated to 8, clamped to 7.
    ExpectCell(ShadeTexel((7 << 3) | 2, 1.2f), 219, 0x0A);
}

TEST_F(Shade, ProductOfExactlyEightIsLevelSeven) {
    ExpectCell(ShadeTexel((4 << 3) | 6, 2.0f), 219, 0x0E);
    ExpectCell(ShadeTexel((1 << 3) | 6, 8.0f), 219, 0x0E);
}

TEST_F(Shade, ProductJustBelowOneIsLevelZero) {
    const float belowOne = std::nextafter(1.0f, 0.0f);
    ExpectCell(ShadeTexel((1 << 3) | 5, belowOne), 176, 0x00);
    ExpectCell(ShadeTexel((1 << 3) | 5, 1.0f), 176, 0x05);  // exactly one: level 1
}

TEST_F(Shade, NegativeFactorIsLevelZero) {
    ExpectCell(ShadeTexel(63, -0.5f), 176, 0x00);
    ExpectCell(ShadeTexel(63, -100.0f), 176, 0x00);
}

TEST_F(Shade, FactorIsWidenedToDoubleBeforeTheProduct) {
    // 0x1.aaaaaap+0f = 1.6666666269302368 (the float nearest 2.5 / 1.5). Times
    // brightness 3 it is 4.99999988... in double: level 4. A product rounded
    // to single precision would be 5.0 and give level 5.
    const float factor = 0x1.aaaaaap+0f;
    ASSERT_EQ(factor, static_cast<float>(2.5 / 1.5));
    ExpectCell(ShadeTexel((3 << 3) | 3, factor), 178, 0x0B);  // level 4
    // Brightness 6 at 0x1.aaaaaap-1f (just below 5 / 6): 4.9999998..., level 4, not 5.
    ExpectCell(ShadeTexel((6 << 3) | 1, 0x1.aaaaaap-1f), 178, 0x09);
}

TEST_F(Shade, BitsSixAndSevenAreIgnored) {
    for (int n = 0; n < 64; ++n)
        for (float f : {0.3f, 1.0f, 1.7f}) {
            const CHAR_INFO a = ShadeTexel(n, f);
            const CHAR_INFO b = ShadeTexel(0x40 + n, f);
            const CHAR_INFO c = ShadeTexel(0x80 + n, f);
            EXPECT_EQ(a.character, b.character) << n;
            EXPECT_EQ(a.attributes, b.attributes) << n;
            EXPECT_EQ(a.character, c.character) << n;
            EXPECT_EQ(a.attributes, c.attributes) << n;
        }
}

TEST_F(Shade, LevelsSixAndSevenAreIdenticalForEveryColour) {
    for (int colour = 0; colour < 8; ++colour) {
        EXPECT_EQ(ShadeTable[colour * 8 + 6].character, ShadeTable[colour * 8 + 7].character);
        EXPECT_EQ(ShadeTable[colour * 8 + 6].attributes, ShadeTable[colour * 8 + 7].attributes);
    }
}

TEST_F(Shade, EveryTexelAtFactorOneShowsItsOwnLevel) {
    for (int texel = 0; texel < 64; ++texel) {
        const CHAR_INFO cell = ShadeTexel(texel, 1.0f);
        const Cell& expected = EXPECTED_SHADE_TABLE[(texel & 7) * 8 + (texel >> 3)];
        EXPECT_EQ(cell.character, expected.character) << texel;
        EXPECT_EQ(cell.attributes, expected.attributes) << texel;
    }
}

}  // namespace
}  // namespace fg
