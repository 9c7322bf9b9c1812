#include <gtest/gtest.h>

#include <cstring>

#include "test_world.h"

namespace fg {
namespace {

constexpr int DOOR = -6;

class DoorsTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::ResetWorld();
        // Two doors in one column and a third beside the first.
        WallGrid[10][10] = DOOR;
        WallGrid[10][12] = DOOR;
        WallGrid[14][10] = DOOR;
    }

    // A frame in which space is down and the last pass saw the door at (x, y).
    static void Use(int x, int y) {
        KeyState[VK_SPACE] = 1;
        UseRequest = 1;
        UseTarget[0] = x;
        UseTarget[1] = y;
        UseDoor();
    }

    static bool SameTable(const DoorMotion (&a)[DOOR_SLOT_COUNT]) {
        return std::memcmp(a, DoorMotionTable, sizeof DoorMotionTable) == 0;
    }
};

TEST_F(DoorsTest, OpensInOneSecondAndFreesItsSlotInTheFramePastOpen) {
    Use(10, 10);
    KeyState[VK_SPACE] = 0;
    ASSERT_EQ(DoorMotionTable[0].rate, -DOOR_RATE);
    // 1000 ms of 16 ms frames: after 62 frames 0.008 is left, the 63rd passes 0.
    for (int frame = 1; frame <= 62; ++frame) {
        UpdateDoors(16);
        ASSERT_NEAR(DoorClosureGrid[10][10], 1.0 - 0.016 * frame, 1e-12) << "frame " << frame;
        ASSERT_EQ(DoorMotionTable[0].rate, -DOOR_RATE) << "frame " << frame;
        // Open enough to pass long before, but the first slot's door blocks while it moves.
        ASSERT_TRUE(CellBlocks(10, 10)) << "frame " << frame;
    }
    UpdateDoors(16);
    EXPECT_EQ(DoorClosureGrid[10][10], 0.0);
    EXPECT_EQ(DoorMotionTable[0].rate, 0.0);
    EXPECT_FALSE(CellBlocks(10, 10));
    EXPECT_EQ(DoorClosureGrid[10][12], 1.0);
}

TEST_F(DoorsTest, LandingExactlyOnTheEndKeepsTheSlotOneMoreFrame) {
    const struct { double from, rate, to; } rows[] = {{1.0, -DOOR_RATE, 0.0}, {0.0, DOOR_RATE, 1.0}};
    for (const auto& row : rows) {
        ResetDoors();
        DoorClosureGrid[10][10] = row.from;
        Use(10, 10);
        ASSERT_EQ(DoorMotionTable[0].rate, row.rate);
        UpdateDoors(1000);
        ASSERT_EQ(DoorClosureGrid[10][10], row.to);
        EXPECT_EQ(DoorMotionTable[0].rate, row.rate) << "from " << row.from;
        UpdateDoors(0);
        EXPECT_EQ(DoorMotionTable[0].rate, row.rate) << "from " << row.from;
        UpdateDoors(16);
        EXPECT_EQ(DoorClosureGrid[10][10], row.to);
        EXPECT_EQ(DoorMotionTable[0].rate, 0.0) << "from " << row.from;
    }
}

TEST_F(DoorsTest, HoldingSpaceReclosesInTheFrameAfterTheSlotFrees) {
    // Every frame: space down, the centre column sees the door, 16 ms pass.
    int freedFrame = 0;
    for (int frame = 1; frame <= 63 && !freedFrame; ++frame) {
        Use(10, 10);
        UpdateDoors(16);
        if (DoorMotionTable[0].rate == 0) freedFrame = frame;
    }
    ASSERT_EQ(freedFrame, 63);
    ASSERT_EQ(DoorClosureGrid[10][10], 0.0);
    Use(10, 10);
    UpdateDoors(16);
    EXPECT_EQ(DoorMotionTable[0].rate, DOOR_RATE);
    EXPECT_NEAR(DoorClosureGrid[10][10], 0.016, 1e-12);
    // The same again the other way: closed in the 63rd frame, then opening.
    for (int frame = 2; frame <= 63; ++frame) {
        Use(10, 10);
        UpdateDoors(16);
    }
    EXPECT_EQ(DoorClosureGrid[10][10], 1.0);
    EXPECT_EQ(DoorMotionTable[0].rate, 0.0);
    Use(10, 10);
    EXPECT_EQ(DoorMotionTable[0].rate, -DOOR_RATE);
    for (int slot = 1; slot < DOOR_SLOT_COUNT; ++slot) EXPECT_EQ(DoorMotionTable[slot].rate, 0.0);
}

TEST_F(DoorsTest, UsingAMovingDoorInTheFirstReachedSlotChangesNothing) {
    // Opening in slot 0, now below one half, where a fresh slot would close it.
    Use(10, 10);
    UpdateDoors(700);
    DoorMotion before[DOOR_SLOT_COUNT];
    std::memcpy(before, DoorMotionTable, sizeof before);
    const double closure = DoorClosureGrid[10][10];
    ASSERT_LT(closure, 0.5);
    Use(10, 10);
    EXPECT_TRUE(SameTable(before));
    EXPECT_EQ(DoorClosureGrid[10][10], closure);

    // Behind a busy slot of another door, the search still stops at its own slot.
    Use(14, 10);
    ASSERT_EQ(DoorMotionTable[1].x, 14);
    std::memcpy(before, DoorMotionTable, sizeof before);
    Use(14, 10);
    EXPECT_TRUE(SameTable(before));
}

TEST_F(DoorsTest, TwoDoorsInOneColumnMoveInTwoSlots) {
    Use(10, 10);
    UpdateDoors(300);
    Use(10, 12);
    EXPECT_EQ(DoorMotionTable[0].x, 10);
    EXPECT_EQ(DoorMotionTable[0].y, 10);
    EXPECT_EQ(DoorMotionTable[0].rate, -DOOR_RATE);
    EXPECT_EQ(DoorMotionTable[1].x, 10);
    EXPECT_EQ(DoorMotionTable[1].y, 12);
    EXPECT_EQ(DoorMotionTable[1].rate, -DOOR_RATE);
    UpdateDoors(100);
    EXPECT_NEAR(DoorClosureGrid[10][10], 0.6, 1e-12);
    EXPECT_NEAR(DoorClosureGrid[10][12], 0.9, 1e-12);
    // The first finishes and frees slot 0; the second keeps slot 1.
    UpdateDoors(650);
    EXPECT_EQ(DoorClosureGrid[10][10], 0.0);
    EXPECT_EQ(DoorMotionTable[0].rate, 0.0);
    EXPECT_NEAR(DoorClosureGrid[10][12], 0.25, 1e-12);
    EXPECT_EQ(DoorMotionTable[1].rate, -DOOR_RATE);
}

TEST_F(DoorsTest, AnEarlierFreeSlotGivesAMovingDoorASecondSlot) {
    Use(14, 10);  // slot 0
    UpdateDoors(900);
    Use(10, 10);  // slot 1
    UpdateDoors(200);
    ASSERT_EQ(DoorMotionTable[0].rate, 0.0);  // the first door is open, slot 0 free
    ASSERT_NEAR(DoorClosureGrid[10][10], 0.8, 1e-12);
    // The search stops at free slot 0 and never reaches slot 1.
    Use(10, 10);
    EXPECT_EQ(DoorMotionTable[0].x, 10);
    EXPECT_EQ(DoorMotionTable[0].y, 10);
    EXPECT_EQ(DoorMotionTable[0].rate, -DOOR_RATE);
    EXPECT_EQ(DoorMotionTable[1].rate, -DOOR_RATE);
    // Both slots move the door: twice the speed.
    UpdateDoors(100);
    EXPECT_NEAR(DoorClosureGrid[10][10], 0.6, 1e-12);
    // Slot 0 takes it to 0.2, slot 1 then past 0: slot 1 clamps and frees, while
    // slot 0, which never saw it below 0, keeps moving it one frame longer.
    UpdateDoors(400);
    EXPECT_EQ(DoorClosureGrid[10][10], 0.0);
    EXPECT_EQ(DoorMotionTable[0].rate, -DOOR_RATE);
    EXPECT_EQ(DoorMotionTable[1].rate, 0.0);
    UpdateDoors(16);
    EXPECT_EQ(DoorClosureGrid[10][10], 0.0);
    EXPECT_EQ(DoorMotionTable[0].rate, 0.0);
}

TEST_F(DoorsTest, FreshSlotOpensOnlyAMostlyClosedDoor) {
    const struct {
        double closure, rate;
    } rows[] = {
        {1.0, -DOOR_RATE}, {0.5000001, -DOOR_RATE}, {0.5, DOOR_RATE}, {0.3, DOOR_RATE}, {0.0, DOOR_RATE}};
    for (const auto& row : rows) {
        ResetDoors();
        DoorClosureGrid[10][10] = row.closure;
        Use(10, 10);
        EXPECT_EQ(DoorMotionTable[0].rate, row.rate) << "closure " << row.closure;
    }
}

TEST_F(DoorsTest, AllSlotsBusyIgnoresTheUseUntilOneFrees) {
    for (int slot = 0; slot < DOOR_SLOT_COUNT; ++slot) {
        WallGrid[slot][40] = DOOR;
        DoorClosureGrid[slot][40] = 0.5 + 0.01 * slot;
        DoorMotionTable[slot] = {slot, 40, -DOOR_RATE};
    }
    DoorMotion before[DOOR_SLOT_COUNT];
    std::memcpy(before, DoorMotionTable, sizeof before);
    Use(10, 10);
    EXPECT_TRUE(SameTable(before));
    UpdateDoors(0);
    EXPECT_EQ(DoorClosureGrid[10][10], 1.0);

    // The door of slot 0 is the nearest to open: it finishes first.
    UpdateDoors(501);
    ASSERT_EQ(DoorMotionTable[0].rate, 0.0);
    ASSERT_NE(DoorMotionTable[1].rate, 0.0);
    Use(10, 10);
    EXPECT_EQ(DoorMotionTable[0].x, 10);
    EXPECT_EQ(DoorMotionTable[0].y, 10);
    EXPECT_EQ(DoorMotionTable[0].rate, -DOOR_RATE);
}

TEST_F(DoorsTest, LongFrameCarriesPastTheEndAndClampsAtOnce) {
    const struct { double from, to; } rows[] = {{1.0, 0.0}, {0.0, 1.0}, {0.7, 0.0}, {0.2, 1.0}};
    for (const auto& row : rows) {
        ResetDoors();
        DoorClosureGrid[10][10] = row.from;
        Use(10, 10);
        UpdateDoors(5000);
        EXPECT_EQ(DoorClosureGrid[10][10], row.to) << "from " << row.from;
        EXPECT_EQ(DoorMotionTable[0].rate, 0.0) << "from " << row.from;
    }
}

TEST_F(DoorsTest, UseNeedsBothTheSpaceBarAndADoorInView) {
    const struct {
        bool space, request, used;
    } rows[] = {{false, false, false}, {true, false, false}, {false, true, false}, {true, true, true}};
    for (const auto& row : rows) {
        ResetDoors();
        KeyState[VK_SPACE] = row.space;
        UseRequest = row.request;
        UseTarget[0] = 10;
        UseTarget[1] = 10;
        UseDoor();
        UpdateDoors(16);
        EXPECT_EQ(DoorMotionTable[0].rate != 0, row.used)
            << "space " << row.space << " request " << row.request;
        EXPECT_EQ(DoorClosureGrid[10][10] < 1.0, row.used);
        DoorClosureGrid[10][10] = 1.0;
    }
}

}  // namespace
}  // namespace fg
