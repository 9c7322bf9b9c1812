#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "assets/asset_set.h"
#include "assets/level.h"
#include "tools/level_survey.h"
#include "world/player.h"

namespace fg {
namespace {

uint8_t& WallByte(int x, int y) { return LevelImage[2 + y * 64 + x]; }
uint8_t& FloorByte(int x, int y) { return LevelImage[2 + 4096 + y * 64 + x]; }
uint8_t& CeilingByte(int x, int y) { return LevelImage[2 + 8192 + y * 64 + x]; }

TEST(LoadLevel, ConvertsLayersAndStartsEveryDoorClosed) {
    std::memset(LevelImage, 0, sizeof LevelImage);
    for (auto& column : DoorClosureGrid)
        for (double& c : column) c = 0.25;
    LevelImage[0] = 7;
    LevelImage[1] = 9;
    WallByte(1, 2) = 70;   // door of texture 6
    WallByte(3, 4) = 64;   // also empty
    WallByte(5, 6) = 63;   // wall of texture 63
    WallByte(63, 63) = 127;
    FloorByte(5, 10) = 200;  // floors and ceilings are copied unchanged
    CeilingByte(2, 3) = 64;
    ASSERT_EQ(LevelImage[2 + 4096 + 10 * 64 + 5], 200);
    LoadLevel();
    PlacePlayer();
    EXPECT_EQ(Player.x, 7.0);  // a corner, not a cell centre
    EXPECT_EQ(Player.y, 9.0);
    EXPECT_EQ(WallGrid[1][2], -6);
    EXPECT_EQ(WallGrid[3][4], 0);
    EXPECT_EQ(WallGrid[5][6], 63);
    EXPECT_EQ(WallGrid[63][63], -63);
    EXPECT_EQ(FloorGrid[5][10], 200);
    EXPECT_EQ(CeilingGrid[2][3], 64);
    for (auto& column : DoorClosureGrid)
        for (double c : column) ASSERT_EQ(c, 1.0);
}

std::map<int, int> Counts(const int* counts, int size) {
    std::map<int, int> m;
    for (int i = 0; i < size; ++i)
        if (counts[i] != 0) m[i] = counts[i];
    return m;
}

// The built-in level keeps its outline: an enclosed complex of a fixed size
// whose textures are used exactly so often.
TEST(BuiltInLevel, KeepsItsOutline) {
    DecodeAssets();
    LevelSurvey s;
    SurveyLevel(LevelImage, s);
    EXPECT_EQ(s.startX, 32);
    EXPECT_EQ(s.startY, 32);
    for (int x : {31, 32})
        for (int y : {31, 32}) EXPECT_EQ(LevelImage[2 + y * 64 + x], 0) << x << "," << y;
    EXPECT_EQ(s.reachableCount, 188);
    EXPECT_FALSE(s.reachableOnEdge);
    EXPECT_FALSE(s.reachableTouchesOutside);
    EXPECT_EQ(s.wallCells, 224);
    EXPECT_GE(s.wallMinX, 16);
    EXPECT_LE(s.wallMaxX, 40);
    EXPECT_GE(s.wallMinY, 19);
    EXPECT_LE(s.wallMaxY, 49);
    EXPECT_EQ(Counts(s.wallsByTexture, 64),
              (std::map<int, int>{{1, 50}, {2, 10}, {3, 6}, {4, 14}, {5, 14}, {8, 18}, {9, 2},
                                  {10, 16}, {11, 3}, {12, 43}, {13, 13}, {15, 2}, {16, 20}, {18, 2}}));
    EXPECT_EQ(Counts(s.doorsByByte, 256), (std::map<int, int>{{70, 9}, {73, 1}, {78, 1}}));
    EXPECT_EQ(s.otherWallBytes, 0);
    EXPECT_TRUE(s.everyDoorInWallLine);
    EXPECT_EQ(s.floorCells, 404);
    EXPECT_EQ(Counts(s.floorsByTexture, 256),
              (std::map<int, int>{{2, 50}, {7, 149}, {8, 90}, {12, 21}, {16, 94}}));
    EXPECT_EQ(s.ceilingCells, 406);
    EXPECT_EQ(Counts(s.ceilingsByTexture, 256),
              (std::map<int, int>{{1, 51}, {2, 21}, {7, 67}, {8, 25}, {12, 69}, {16, 173}}));
    EXPECT_EQ(s.pocketCells, 3);
    EXPECT_EQ(s.strayCeilings, 2);
    EXPECT_NE(LevelImage[2 + 8192 + 61 * 64 + 15], 0);
    EXPECT_EQ(s.trailingCeilingZeros, 176);
    EXPECT_EQ(s.actorCells, 180);
    // Every reachable cell can be drawn from inside: a floor and a ceiling.
    for (int x = 0; x < 64; ++x)
        for (int y = 0; y < 64; ++y)
            if (s.reachable[x][y]) {
                EXPECT_NE(LevelImage[2 + 4096 + y * 64 + x], 0) << x << "," << y;
                EXPECT_NE(LevelImage[2 + 8192 + y * 64 + x], 0) << x << "," << y;
            }
}

// The survey itself must notice a broken enclosure, or the test above proves nothing.
TEST(BuiltInLevel, SurveyNoticesAHoleInTheOuterWall) {
    DecodeAssets();
    LevelSurvey before;
    SurveyLevel(LevelImage, before);
    // Knock out the first wall that has a reachable cell on one side and nothing on the other.
    for (int y = 1; y < 63; ++y)
        for (int x = 1; x < 63; ++x) {
            uint8_t& w = LevelImage[2 + y * 64 + x];
            if (w == 0 || w >= 64 || !before.reachable[x + 1][y] || LevelImage[2 + 4096 + y * 64 + x - 1] != 0)
                continue;
            w = 0;
            LevelSurvey after;
            SurveyLevel(LevelImage, after);
            EXPECT_TRUE(after.reachableTouchesOutside);
            return;
        }
    ADD_FAILURE() << "no outer wall found";
}

}  // namespace
}  // namespace fg
