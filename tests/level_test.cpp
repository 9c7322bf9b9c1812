#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "assets/asset_set.h"
#include "assets/level.h"
#include "tools/level_survey.h"
#include "world/player.h"

namespace fg {
namespace {

uint8_t& WallByte(int x, int y) { return LevelImage[LevelByteIndex(WALL_LAYER, x, y)]; }
uint8_t& FloorByte(int x, int y) { return LevelImage[LevelByteIndex(FLOOR_LAYER, x, y)]; }
uint8_t& CeilingByte(int x, int y) { return LevelImage[LevelByteIndex(CEILING_LAYER, x, y)]; }

TEST(LoadLevel, ConvertsLayersAndStartsEveryDoorClosed) {
    std::memset(LevelImage, 0, sizeof LevelImage);
    for (auto& column : DoorClosureGrid)
        for (double& c : column) c = 0.25;
    LevelImage[0] = 7;
    LevelImage[1] = 9;
    WallByte(1, 2) = 70;  // door of texture 6
    WallByte(3, 4) = 64;  // also empty
    WallByte(5, 6) = 63;  // wall of texture 63
    WallByte(63, 63) = 127;
    FloorByte(5, 10) = 200;  // floors and ceilings are copied unchanged
    CeilingByte(2, 3) = 64;
    ASSERT_EQ(LevelImage[2 + 4096 + 10 * 64 + 5], 200);  // the layout in plain numbers, once
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

int Sum(const std::map<int, int>& counts) {
    int total = 0;
    for (const auto& [value, count] : counts) total += count;
    return total;
}

// art/level_figures.txt: '<name> <numbers>' or '<name> <value:count> ...'.
struct LevelFigures {
    std::map<std::string, std::vector<int>> numbers;
    std::map<std::string, std::map<int, int>> counts;
};

LevelFigures ReadLevelFigures() {
    LevelFigures figures;
    std::ifstream in(std::string(FARROWGATE_SOURCE_DIR) + "/art/level_figures.txt");
    EXPECT_TRUE(in) << "art/level_figures.txt";
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line.substr(0, line.find('#')));
        std::string name, word;
        if (!(words >> name)) continue;
        while (words >> word) {
            const size_t colon = word.find(':');
            if (colon == std::string::npos)
                figures.numbers[name].push_back(std::stoi(word));
            else
                figures.counts[name][std::stoi(word.substr(0, colon))] = std::stoi(word.substr(colon + 1));
        }
    }
    return figures;
}

// The built-in level keeps its outline: an enclosed complex of a fixed size
// whose textures are used exactly so often, as art/level_figures.txt pins them.
TEST(BuiltInLevel, KeepsItsOutline) {
    LevelFigures f = ReadLevelFigures();
    const std::vector<int> start = f.numbers["start"], box = f.numbers["wall_box"],
                           stray = f.numbers["last_stray_ceiling"];
    ASSERT_EQ(start.size(), 2u);
    ASSERT_EQ(box.size(), 4u);
    ASSERT_EQ(stray.size(), 2u);
    const int reachable = f.numbers["reachable_cells"].at(0), pockets = f.numbers["pocket_cells"].at(0);

    DecodeAssets();
    LevelSurvey s;
    SurveyLevel(LevelImage, s);
    EXPECT_EQ(s.startX, start[0]);
    EXPECT_EQ(s.startY, start[1]);
    for (int x : {start[0] - 1, start[0]})
        for (int y : {start[1] - 1, start[1]}) EXPECT_EQ(WallByte(x, y), 0) << x << "," << y;
    EXPECT_EQ(s.reachableCount, reachable);
    EXPECT_FALSE(s.reachableOnEdge);
    EXPECT_FALSE(s.reachableTouchesOutside);
    EXPECT_EQ(s.wallCells, Sum(f.counts["walls_by_texture"]) + Sum(f.counts["doors_by_byte"]));
    EXPECT_GE(s.wallMinX, box[0]);
    EXPECT_LE(s.wallMaxX, box[1]);
    EXPECT_GE(s.wallMinY, box[2]);
    EXPECT_LE(s.wallMaxY, box[3]);
    EXPECT_EQ(Counts(s.wallsByTexture, 64), f.counts["walls_by_texture"]);
    EXPECT_EQ(Counts(s.doorsByByte, 256), f.counts["doors_by_byte"]);
    EXPECT_EQ(s.otherWallBytes, 0);
    EXPECT_TRUE(s.everyDoorInWallLine);
    EXPECT_EQ(s.floorCells, Sum(f.counts["floors_by_texture"]));
    EXPECT_EQ(Counts(s.floorsByTexture, 256), f.counts["floors_by_texture"]);
    EXPECT_EQ(s.ceilingCells, Sum(f.counts["ceilings_by_texture"]));
    EXPECT_EQ(Counts(s.ceilingsByTexture, 256), f.counts["ceilings_by_texture"]);
    EXPECT_EQ(s.pocketCells, pockets);
    EXPECT_EQ(s.strayCeilings, f.numbers["stray_ceilings"].at(0));
    EXPECT_NE(CeilingByte(stray[0], stray[1]), 0);
    EXPECT_EQ(s.trailingCeilingZeros, f.numbers["ceiling_zero_tail"].at(0));
    // Actors start on reachable cells that are no door, or in the pocket.
    EXPECT_EQ(s.actorCells, reachable - Sum(f.counts["doors_by_byte"]) + pockets);
    // Every reachable cell can be drawn from inside: a floor and a ceiling.
    for (int x = 0; x < 64; ++x)
        for (int y = 0; y < 64; ++y)
            if (s.reachable[x][y]) {
                EXPECT_NE(FloorByte(x, y), 0) << x << "," << y;
                EXPECT_NE(CeilingByte(x, y), 0) << x << "," << y;
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
            uint8_t& w = WallByte(x, y);
            if (w == 0 || w >= 64 || !before.reachable[x + 1][y] || FloorByte(x - 1, y) != 0) continue;
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
