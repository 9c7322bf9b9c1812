#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "test_world.h"

namespace fg {
namespace {

constexpr int DOOR = -6;  // a door showing texture 6

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override { test::ResetWorld(); }

    static void Hold(int key) { KeyState[key] = 1; }

    static void Place(double x, double y, int angle) {
        Player.x = x;
        Player.y = y;
        Player.angle = angle;
    }

    // One frame's share of the player's work: inputs from the keys, then the move.
    static void Step(double elapsed) {
        ReadMotionKeys();
        MovePlayer(elapsed);
    }

    // A wall along the whole column x = index (or the whole row y = index).
    static void WallLine(bool column, int index) {
        for (int i = 0; i < MAP_SIZE; ++i) (column ? WallGrid[index][i] : WallGrid[i][index]) = 1;
    }
};

TEST_F(PlayerTest, RightBeatsLeftAndDownBeatsUp) {
    struct Row {
        bool left, right, up, down;
        double turn, move;
    };
    const Row rows[] = {
        {false, false, false, false, 0, 0},   {true, false, false, false, -120, 0},
        {false, true, false, false, 120, 0},  {true, true, false, false, 120, 0},
        {false, false, true, false, 0, -1},   {false, false, false, true, 0, 1},
        {false, false, true, true, 0, 1},     {true, true, true, true, 120, 1},
        {true, false, true, false, -120, -1},
    };
    for (const Row& row : rows) {
        ResetKeyboard();
        if (row.left) Hold(VK_LEFT);
        if (row.right) Hold(VK_RIGHT);
        if (row.up) Hold(VK_UP);
        if (row.down) Hold(VK_DOWN);
        Player.turnInput = 99;  // stale values must be overwritten, never kept
        Player.moveInput = 99;
        ReadMotionKeys();
        SCOPED_TRACE(testing::Message() << "left " << row.left << " right " << row.right << " up " << row.up
                                        << " down " << row.down);
        EXPECT_EQ(Player.turnInput, row.turn);
        EXPECT_EQ(Player.moveInput, row.move);
    }
}

TEST_F(PlayerTest, TurningTruncatesTowardZero) {
    struct Row {
        int start;
        double elapsed;
        int key;
        int expected;
    };
    // 16 ms is a step of 3.75 units: right loses the fraction (a step of 4 down),
    // left keeps only the whole units (a step of 3 up).
    std::vector<Row> rows = {
        {100, 16, VK_RIGHT, 96}, {100, 16, VK_LEFT, 103}, {2, 16, VK_RIGHT, 479}, {479, 16, VK_LEFT, 2},
        {0, 16, VK_LEFT, 3},     {100, 0, VK_RIGHT, 100}, {0, 2048, VK_RIGHT, 0}, {0, 2048, VK_LEFT, 0},
    };
    // Frames of 1..4 ms turn by less than one unit: left cannot move the angle,
    // right always cuts off one unit, except at 0 where -0.x truncates back to 0.
    for (int ms = 1; ms <= 4; ++ms) {
        rows.push_back({100, double(ms), VK_LEFT, 100});
        rows.push_back({100, double(ms), VK_RIGHT, 99});
        rows.push_back({0, double(ms), VK_RIGHT, 0});
        rows.push_back({1, double(ms), VK_RIGHT, 0});
    }
    for (const Row& row : rows) {
        ResetKeyboard();
        Hold(row.key);
        Place(32, 32, row.start);
        Step(row.elapsed);
        EXPECT_EQ(Player.angle, row.expected) << "from " << row.start << ", " << row.elapsed << " ms "
                                              << (row.key == VK_LEFT ? "left" : "right");
    }
}

TEST_F(PlayerTest, WalksAlongTheHeading) {
    struct Row {
        int angle;
        int key;
        double dx, dy;
    };
    // 256 ms is exactly one cell; up walks forward, down backward.
    const Row rows[] = {
        {0, VK_UP, 0, 1},    {120, VK_UP, 1, 0},  {240, VK_UP, 0, -1},
        {360, VK_UP, -1, 0}, {0, VK_DOWN, 0, -1}, {120, VK_DOWN, -1, 0},
    };
    for (const Row& row : rows) {
        ResetKeyboard();
        Hold(row.key);
        Place(32.5, 32.5, row.angle);
        Step(256);
        SCOPED_TRACE(testing::Message() << "angle " << row.angle);
        EXPECT_NEAR(Player.x, 32.5 + row.dx, 1e-12);
        EXPECT_NEAR(Player.y, 32.5 + row.dy, 1e-12);
        EXPECT_EQ(Player.angle, row.angle);
    }
}

TEST_F(PlayerTest, WalksAlongTheHeadingAfterThisFramesTurn) {
    Hold(VK_LEFT);
    Hold(VK_UP);
    Place(32.5, 32.5, 0);
    Step(16);
    ASSERT_EQ(Player.angle, 3);
    // Along the old heading (angle 0) x could not change at all.
    EXPECT_GT(Player.x, 32.5);
    EXPECT_NEAR(Player.x, 32.5 + SinTable[3] / 16, 1e-12);
    EXPECT_NEAR(Player.y, 32.5 + SinTable[123] / 16, 1e-12);
}

TEST_F(PlayerTest, SlidesAlongAWallFace) {
    struct Row {
        const char* name;
        bool wallIsColumn;
        int wallIndex;
        double x, y;
        int angle;
    };
    // Each start is close enough to the wall that the 40 ms diagonal step (about
    // 0.11 cell per axis) would push the box into it.
    const Row rows[] = {
        {"east wall", true, 40, 39.7, 32.5, 60},
        {"west wall", true, 24, 25.25, 32.5, 300},
        {"north wall", false, 40, 32.5, 39.7, 60},
        {"south wall", false, 24, 32.5, 25.25, 180},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::ResetWorld();
        WallLine(row.wallIsColumn, row.wallIndex);
        Hold(VK_UP);
        Place(row.x, row.y, row.angle);
        Step(40);
        const double slid = row.wallIsColumn ? Player.y - row.y : Player.x - row.x;
        EXPECT_EQ(row.wallIsColumn ? Player.x : Player.y, row.wallIsColumn ? row.x : row.y);
        EXPECT_GT(std::fabs(slid), 0.10);
        EXPECT_LT(std::fabs(slid), 0.12);
    }
}

TEST_F(PlayerTest, XAxisMovesBeforeYAxis) {
    // A lone pillar diagonally ahead: x alone is free, y alone is free, but once
    // x has moved the y step reaches the pillar.
    WallGrid[40][33] = 1;
    Hold(VK_UP);
    Place(39.75, 32.75, 60);
    Step(36);
    EXPECT_GT(Player.x, 39.84);
    EXPECT_EQ(Player.y, 32.75);
}

TEST_F(PlayerTest, DoorCellBlocksFromClosureOneFifth) {
    WallGrid[10][10] = DOOR;
    const struct {
        double closure;
        bool blocks;
    } rows[] = {{0.0, false}, {0.1999, false}, {0.2, true}, {0.5, true}, {1.0, true}};
    for (const auto& row : rows) {
        DoorClosureGrid[10][10] = row.closure;
        EXPECT_EQ(CellBlocks(10, 10), row.blocks) << "closure " << row.closure;
    }
}

TEST_F(PlayerTest, OnlyTheFirstSlotBlocksItsMovingDoor) {
    struct Row {
        const char* name;
        int wall;
        int slot;
        DoorMotion motion;
        bool blocks;
    };
    // The door at (10, 10) is open far enough to pass in every row.
    const Row rows[] = {
        {"opening in slot 0", DOOR, 0, {10, 10, -DOOR_RATE}, true},
        {"closing in slot 0", DOOR, 0, {10, 10, DOOR_RATE}, true},
        {"opening in slot 1", DOOR, 1, {10, 10, -DOOR_RATE}, false},
        {"free slot 0 still naming the cell", DOOR, 0, {10, 10, 0}, false},
        {"slot 0 moving another row", DOOR, 0, {10, 11, -DOOR_RATE}, false},
        {"slot 0 moving another column", DOOR, 0, {11, 10, -DOOR_RATE}, false},
        {"slot 0 naming an empty cell", 0, 0, {10, 10, -DOOR_RATE}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ResetDoors();
        WallGrid[10][10] = row.wall;
        DoorClosureGrid[10][10] = 0.0;
        DoorMotionTable[row.slot] = row.motion;
        EXPECT_EQ(CellBlocks(10, 10), row.blocks);
        EXPECT_EQ(Collides(10.5, 10.5), row.blocks);
    }
}

TEST_F(PlayerTest, DoorClosingOnThePlayerHoldsThemWhileTheBoxStaysInIt) {
    WallGrid[33][32] = DOOR;
    DoorClosureGrid[33][32] = 0.0;
    // Box overlapping the door cell along x, and one overlapping it along y.
    const double starts[][2] = {{32.9, 32.5}, {33.5, 32.1}};
    for (const auto& start : starts) {
        // Still open enough: a small step that stays in the door cell is allowed.
        DoorClosureGrid[33][32] = 0.19;
        ResetKeyboard();
        Hold(VK_UP);
        Place(start[0], start[1], 120);
        Step(16);
        EXPECT_NE(Player.x, start[0]);

        DoorClosureGrid[33][32] = 0.2;
        int escapes = 0;
        for (int key : {VK_UP, VK_DOWN}) {
            for (double elapsed : {1.0, 4.0, 16.0, 40.0, 100.0}) {
                for (int angle = 0; angle < ANGLE_STEPS; angle += 8) {
                    ResetKeyboard();
                    Hold(key);
                    Place(start[0], start[1], angle);
                    Step(elapsed);
                    if (test::BoxTouches(Player.x, Player.y, 33, 32)) {
                        ASSERT_EQ(Player.x, start[0]) << "angle " << angle << ", " << elapsed;
                        ASSERT_EQ(Player.y, start[1]) << "angle " << angle << ", " << elapsed;
                    } else {
                        ++escapes;
                    }
                }
            }
        }
        // Stepping clear of the cell in one frame is still possible.
        EXPECT_GT(escapes, 0);
    }
}

TEST_F(PlayerTest, LongFrameCanLandBeyondAThinWall) {
    // The wall is one cell thick at x = 40; only the end point of a step is tested.
    WallLine(true, 40);
    const struct {
        double startX;
        double elapsed;
        bool beyond;
    } rows[] = {{39.5, 128, false}, {39.5, 256, false}, {39.5, 512, true}, {30.5, 5000, true}};
    for (const auto& row : rows) {
        ResetKeyboard();
        Hold(VK_UP);
        Place(row.startX, 32.5, 120);
        Step(row.elapsed);
        SCOPED_TRACE(testing::Message() << row.elapsed << " ms");
        if (row.beyond) {
            EXPECT_NEAR(Player.x, row.startX + SinTable[120] * row.elapsed / 256, 1e-9);
            EXPECT_GT(Player.x, 41.2);
        } else {
            EXPECT_EQ(Player.x, row.startX);
        }
        EXPECT_NEAR(Player.y, 32.5, 1e-12);
    }
}

TEST_F(PlayerTest, BoxesReachingOutsideTheGridCollide) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double x, y;
        bool collides;
    } rows[] = {
        // Truncation would take the left edge -0.1 to cell 0, which is empty.
        {0.1, 32, true},  {32, 0.1, true},    {-0.5, 32, true},  {0.2, 32, false},
        {32, 0.2, false}, {63.79, 32, false}, {63.8, 32, true},  // the right edge on 64 is already outside
        {63.9, 32, true}, {32, 63.9, true},   {-1e12, 32, true}, {32, 1e12, true},
        {inf, 32, true},  {32, -inf, true},   {nan, 32, true},   {32, nan, true},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Collides(row.x, row.y), row.collides) << "(" << row.x << ", " << row.y << ")";
}

TEST_F(PlayerTest, CellsOutsideTheGridBlock) {
    const struct {
        int x, y;
        bool blocks;
    } rows[] = {
        {-1, 5, true},      {64, 0, true},      {0, -1, true}, {5, 64, true},
        {INT_MIN, 0, true}, {0, INT_MAX, true}, {0, 0, false}, {63, 63, false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(CellBlocks(row.x, row.y), row.blocks) << "(" << row.x << ", " << row.y << ")";
}

TEST_F(PlayerTest, NoStepLeavesTheGrid) {
    // An empty level has no walls to stop the player at the border.
    const struct {
        double x, y;
        int angle;
        double elapsed;
    } rows[] = {
        {50.5, 32.5, 120, 5000},
        {0.25, 32.5, 360, 16},
        {32.5, 63.7, 0, 100},
        {32.5, 5.5, 240, 2e9},
    };
    for (const auto& row : rows) {
        ResetKeyboard();
        Hold(VK_UP);
        Place(row.x, row.y, row.angle);
        Step(row.elapsed);
        // The cross-axis drift of an almost-axis-aligned heading is far below 1e-6.
        EXPECT_NEAR(Player.x, row.x, 1e-6) << "angle " << row.angle;
        EXPECT_NEAR(Player.y, row.y, 1e-6) << "angle " << row.angle;
    }
}

}  // namespace
}  // namespace fg
