#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "app/frame_loop.h"
#include "test_world.h"

namespace fg {
namespace {

constexpr int DOOR = -6;

class ActorsTest : public ::testing::Test {
protected:
    void SetUp() override { test::ResetWorld(); }

    // Start-up's own steps with the built-in content, placement included.
    static void LoadBuiltInWorld() {
        test::ResetWorld();
        BuildWorld();
    }

    static Actor& Single(double x, double y, int heading, int turn) {
        ACTOR_COUNT = 1;
        ActorTable[0] = Actor{};
        ActorTable[0].x = x;
        ActorTable[0].y = y;
        ActorTable[0].heading = heading;
        ActorTable[0].turn = turn;
        return ActorTable[0];
    }
};

TEST_F(ActorsTest, RandFollowsTheFixedSequence) {
    // state = state * 214013 + 2531011, bits 16..30, from state 1.
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
    ResetActors();
    for (int value : expected) EXPECT_EQ(rand(), value);
    // The state wraps modulo 2^32 and every result stays in 0..32767.
    for (int i = 0; i < 100000; ++i) {
        const int value = rand();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, 32767);
    }
}

TEST_F(ActorsTest, PlacementOnACraftedLevelIsRecorded) {
    // A 16 x 16 floored room walled round, with a closed and an open door inside.
    for (int x = 8; x < 24; ++x)
        for (int y = 8; y < 24; ++y) FloorGrid[x][y] = 1;
    test::WallRing(8, 8, 23, 23, 2);
    WallGrid[15][15] = DOOR;
    WallGrid[16][16] = DOOR;
    DoorClosureGrid[16][16] = 0.0;

    PlaceActors();
    ASSERT_EQ(ACTOR_COUNT, 20);
    const struct {
        int cx, cy, turn;
    } expected[20] = {
        {18, 16, 1}, {18, 13, 1},  {20, 11, 1},  {19, 13, 1},  {18, 9, 1},   {9, 12, 1},  {20, 22, -1},
        {13, 17, 1}, {11, 9, 1},   {21, 20, -1}, {15, 19, 1},  {19, 15, -1}, {10, 10, 1}, {14, 11, 1},
        {20, 9, -1}, {17, 21, -1}, {13, 16, 1},  {19, 11, -1}, {9, 10, -1},  {13, 19, 1},
    };
    for (int i = 0; i < 20; ++i) {
        SCOPED_TRACE(testing::Message() << "actor " << i);
        EXPECT_EQ(ActorTable[i].x, expected[i].cx + 0.5);
        EXPECT_EQ(ActorTable[i].y, expected[i].cy + 0.5);
        EXPECT_EQ(ActorTable[i].turn, expected[i].turn);
        EXPECT_EQ(ActorTable[i].heading, 0);
        EXPECT_EQ(ActorTable[i].frame, 0);
    }
    // 236 drawn cells and the turn draws use exactly this many values: the
    // generator goes on from here, never reseeded.
    EXPECT_EQ(rand(), 1264);
    Actor beyond{};
    EXPECT_EQ(std::memcmp(&ActorTable[20], &beyond, sizeof beyond), 0);
}

TEST_F(ActorsTest, PlacementRejectsCellsWithoutFloorOrThatBlock) {
    // The first drawn cell is (41, 35), the second (62, 4); every other cell has
    // a floor and is empty, so actor 0 lands on one of these two.
    struct Row {
        const char* name;
        int wall;
        int floor;
        double closure;
        bool accepted;
    };
    const Row rows[] = {
        {"no floor, no wall", 0, 0, 1.0, false},
        {"wall with floor", 3, 1, 1.0, false},
        {"closed door with floor", DOOR, 1, 1.0, false},
        {"door closed to one fifth", DOOR, 1, 0.2, false},
        {"open door with floor", DOOR, 1, 0.1, true},
        {"plain floor", 0, 1, 1.0, true},
        {"floor value out of the drawn range", 0, 200, 1.0, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::ResetWorld();
        for (auto& column : FloorGrid)
            for (int32_t& floor : column) floor = 1;
        WallGrid[41][35] = row.wall;
        FloorGrid[41][35] = row.floor;
        DoorClosureGrid[41][35] = row.closure;
        PlaceActors();
        EXPECT_EQ(ActorTable[0].x, row.accepted ? 41.5 : 62.5);
        EXPECT_EQ(ActorTable[0].y, row.accepted ? 35.5 : 4.5);
    }
}

// Placement tries a bounded number of cells, so no level hangs start-up: with
// nowhere to stand there are no figures, with one cell every figure is there.
TEST_F(ActorsTest, PlacementEndsOnALevelWithoutRoom) {
    test::ResetWorld();  // no floor anywhere
    PlaceActors();
    EXPECT_EQ(ACTOR_COUNT, 0);
    FloorGrid[7][9] = 1;
    PlaceActors();
    ASSERT_EQ(ACTOR_COUNT, PLACED_ACTORS);
    for (int i = 0; i < ACTOR_COUNT; ++i) {
        EXPECT_EQ(ActorTable[i].x, 7.5);
        EXPECT_EQ(ActorTable[i].y, 9.5);
    }
}

TEST_F(ActorsTest, BuiltInLevelPlacementIsTheSameEveryRun) {
    LoadBuiltInWorld();
    ASSERT_EQ(ACTOR_COUNT, 20);
    Actor first[ACTOR_CAPACITY];
    std::memcpy(first, ActorTable, sizeof first);

    ResetActors();
    PlaceActors();
    EXPECT_EQ(std::memcmp(first, ActorTable, sizeof first), 0);

    for (int i = 0; i < ACTOR_COUNT; ++i) {
        SCOPED_TRACE(testing::Message() << "actor " << i);
        const Actor& actor = ActorTable[i];
        const int cx = static_cast<int>(actor.x);
        const int cy = static_cast<int>(actor.y);
        EXPECT_EQ(actor.x, cx + 0.5);
        EXPECT_EQ(actor.y, cy + 0.5);
        EXPECT_NE(FloorGrid[cx][cy], 0);
        EXPECT_FALSE(CellBlocks(cx, cy));
        EXPECT_TRUE(actor.turn == 1 || actor.turn == -1);
        EXPECT_EQ(actor.heading, 0);
        EXPECT_EQ(actor.frame, 0);
    }
}

TEST_F(ActorsTest, ZeroElapsedFrameChangesNothing) {
    LoadBuiltInWorld();
    // Every key that acts is held and a door is in view.
    for (int key : {VK_LEFT, VK_UP, VK_SPACE}) KeyState[key] = 1;
    int doorX = -1, doorY = -1;
    for (int x = 0; x < MAP_SIZE && doorX < 0; ++x)
        for (int y = 0; y < MAP_SIZE && doorX < 0; ++y)
            if (WallGrid[x][y] < 0) doorX = x, doorY = y;
    ASSERT_GE(doorX, 0) << "the built-in level has doors";
    UseRequest = 1;
    UseTarget[0] = doorX;
    UseTarget[1] = doorY;

    const PlayerState player = Player;
    Actor actors[ACTOR_CAPACITY];
    std::memcpy(actors, ActorTable, sizeof actors);
    for (int frame = 0; frame < 5; ++frame) {
        ReadMotionKeys();
        UseDoor();
        MovePlayer(0);
        MoveActors(0);
        UpdateDoors(0);
    }
    EXPECT_EQ(Player.x, player.x);
    EXPECT_EQ(Player.y, player.y);
    EXPECT_EQ(Player.angle, player.angle);
    EXPECT_EQ(std::memcmp(actors, ActorTable, sizeof actors), 0);
    for (int x = 0; x < MAP_SIZE; ++x)
        for (int y = 0; y < MAP_SIZE; ++y) ASSERT_EQ(DoorClosureGrid[x][y], 1.0);
}

TEST_F(ActorsTest, HeadOnIntoAWallTurnsThenSlidesAlongIt) {
    for (int y = 0; y < MAP_SIZE; ++y) WallGrid[40][y] = 1;
    for (int turn : {1, -1}) {
        SCOPED_TRACE(testing::Message() << "turn " << turn);
        // Heading 0 travels toward +x; the box's right edge is 0.01 short of the wall.
        const double startX = 39.79, startY = 32.5;
        Actor& actor = Single(startX, startY, 0, turn);
        MoveActors(16);
        // The step has nothing along the wall, so the first blocked frame only turns.
        EXPECT_EQ(actor.x, startX);
        EXPECT_EQ(actor.y, startY);
        EXPECT_EQ(actor.heading, turn);

        int frames = 1;
        double lastX = actor.x, lastY = actor.y;
        while (actor.heading != 120 * turn && frames < 1000) {
            const int heading = actor.heading;
            MoveActors(16);
            ++frames;
            ASSERT_GE(actor.x, lastX);
            ASSERT_LT(actor.x + COLLISION_HALF_SIZE, 40.0);
            // Turning +1 swings the heading toward -y, turning -1 toward +y.
            ASSERT_EQ(actor.y < lastY, turn == 1);
            ASSERT_TRUE(actor.heading == heading || actor.heading == heading + turn);
            lastX = actor.x;
            lastY = actor.y;
        }
        EXPECT_EQ(actor.heading, 120 * turn);
        EXPECT_GT(std::fabs(actor.y - startY), 0.5);
        // Along the wall the full step is free: no more turning.
        for (int frame = 0; frame < 50; ++frame) MoveActors(16);
        EXPECT_EQ(actor.heading, 120 * turn);
        EXPECT_EQ(actor.x, lastX);
    }
}

TEST_F(ActorsTest, DoorClosingOnAnActorHoldsItWhileItsBoxStaysInTheCell) {
    WallGrid[33][32] = DOOR;
    DoorClosureGrid[33][32] = 0.2;
    // Small steps cannot take the box out of the cell: the actor stays put and
    // turns in every frame.
    for (int turn : {1, -1}) {
        Actor& actor = Single(33.1, 32.5, 0, turn);
        for (int frame = 0; frame < 100; ++frame) MoveActors(16);
        EXPECT_EQ(actor.x, 33.1);
        EXPECT_EQ(actor.y, 32.5);
        EXPECT_EQ(actor.heading, 100 * turn);
    }
    // No single step may end with the box still in the cell, whatever the heading.
    int escapes = 0;
    for (double elapsed : {1.0, 16.0, 100.0, 300.0, 1000.0}) {
        for (int heading = 0; heading < ANGLE_STEPS; heading += 5) {
            Actor& actor = Single(33.1, 32.5, heading, 1);
            MoveActors(elapsed);
            if (test::BoxTouches(actor.x, actor.y, 33, 32)) {
                ASSERT_EQ(actor.x, 33.1) << "heading " << heading << ", " << elapsed << " ms";
                ASSERT_EQ(actor.y, 32.5) << "heading " << heading << ", " << elapsed << " ms";
                ASSERT_EQ(actor.heading, heading + 1);
            } else {
                ++escapes;
            }
        }
    }
    EXPECT_GT(escapes, 0);
}

TEST_F(ActorsTest, HeadingIsNeverReduced) {
    // Both actors stand in a closed door cell: every frame is blocked.
    WallGrid[20][20] = DOOR;
    ACTOR_COUNT = 2;
    ActorTable[0] = Actor{};
    ActorTable[0].x = ActorTable[0].y = 20.5;
    ActorTable[0].turn = 1;
    ActorTable[1] = ActorTable[0];
    ActorTable[1].turn = -1;
    for (int frame = 0; frame < 480; ++frame) MoveActors(16);
    EXPECT_EQ(ActorTable[0].heading, 480);
    EXPECT_EQ(ActorTable[1].heading, -480);
    EXPECT_EQ(ActorTable[0].x, 20.5);
    EXPECT_EQ(ActorTable[1].y, 20.5);
}

TEST_F(ActorsTest, UnreducedHeadingsWalkLikeTheirWrappedAngle) {
    const struct { int stored, wrapped; } rows[] = {{480, 0}, {-1, 479}, {-480, 0}, {1000, 40}, {-1000, 440}};
    for (const auto& row : rows) {
        ACTOR_COUNT = 2;
        ActorTable[0] = Actor{};
        ActorTable[0].x = ActorTable[0].y = 32.5;
        ActorTable[1] = ActorTable[0];
        ActorTable[0].heading = row.stored;
        ActorTable[1].heading = row.wrapped;
        MoveActors(100);
        EXPECT_EQ(ActorTable[0].x, ActorTable[1].x) << "heading " << row.stored;
        EXPECT_EQ(ActorTable[0].y, ActorTable[1].y) << "heading " << row.stored;
        EXPECT_GT(std::hypot(ActorTable[0].x - 32.5, ActorTable[0].y - 32.5), 0.09);
    }
}

TEST_F(ActorsTest, AnimationCyclesThroughFourFramesTogether) {
    ACTOR_COUNT = 20;
    ActorTable[20].frame = 7;  // outside the count: never touched
    for (int step = 1; step <= 9; ++step) {
        AdvanceActorFrames();
        for (int i = 0; i < 20; ++i) ASSERT_EQ(ActorTable[i].frame, step % 4) << "step " << step;
    }
    EXPECT_EQ(ActorTable[20].frame, 7);
}

TEST_F(ActorsTest, MovementTouchesOnlyTheCountedActors) {
    ACTOR_COUNT = 1;
    ActorTable[0].x = ActorTable[0].y = 32.5;
    ActorTable[1].x = ActorTable[1].y = 30.5;
    MoveActors(1024);
    // Heading 0 travels toward +x, one cell in 1024 ms.
    EXPECT_NEAR(ActorTable[0].x, 33.5, 1e-12);
    EXPECT_NEAR(ActorTable[0].y, 32.5, 1e-12);
    EXPECT_EQ(ActorTable[1].x, 30.5);
    EXPECT_EQ(ActorTable[1].y, 30.5);
}

}  // namespace
}  // namespace fg
