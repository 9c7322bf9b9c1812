#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <iterator>
#include <random>
#include <utility>
#include <vector>

#include "app/frame_loop.h"
#include "console/script/platform_script.h"
#include "test_world.h"

namespace fg {
namespace {

// Whole frames through the real frame loop and the scripted back end, the
// column pass included: enough for every build, the sanitized ones too.
constexpr int FRAME_COUNT = 100000;
constexpr int CHECK_EVERY = 100;

bool BoxInsideGrid(double x, double y) {
    return std::isfinite(x) && std::isfinite(y) && x - COLLISION_HALF_SIZE >= 0 &&
           y - COLLISION_HALF_SIZE >= 0 && x + COLLISION_HALF_SIZE < MAP_SIZE &&
           y + COLLISION_HALF_SIZE < MAP_SIZE;
}

testing::AssertionResult WorldIsSound() {
    if (!BoxInsideGrid(Player.x, Player.y))
        return testing::AssertionFailure() << "player at (" << Player.x << ", " << Player.y << ")";
    if (Player.angle < 0 || Player.angle >= ANGLE_STEPS)
        return testing::AssertionFailure() << "player angle " << Player.angle;
    for (int i = 0; i < ACTOR_COUNT; ++i) {
        const Actor& actor = ActorTable[i];
        if (!BoxInsideGrid(actor.x, actor.y))
            return testing::AssertionFailure()
                   << "actor " << i << " at (" << actor.x << ", " << actor.y << ")";
        if (actor.frame < 0 || actor.frame > 3)
            return testing::AssertionFailure() << "actor " << i << " frame " << actor.frame;
    }
    for (int x = 0; x < MAP_SIZE; ++x)
        for (int y = 0; y < MAP_SIZE; ++y)
            if (!(DoorClosureGrid[x][y] >= 0.0 && DoorClosureGrid[x][y] <= 1.0))
                return testing::AssertionFailure()
                       << "closure " << DoorClosureGrid[x][y] << " at (" << x << ", " << y << ")";
    for (const DoorMotion& slot : DoorMotionTable)
        if (slot.rate != 0 && slot.rate != DOOR_RATE && slot.rate != -DOOR_RATE)
            return testing::AssertionFailure() << "slot rate " << slot.rate;
    return testing::AssertionSuccess();
}

// Elapsed times as the frame loop can see them: mostly ordinary frames, but
// also stalls, frames near the 2^31 limit and the negative values a clock
// running backwards gives once the unsigned difference is read as signed.
int32_t DrawElapsed(std::mt19937& random) {
    std::uniform_int_distribution<int> kind(0, 9);
    std::uniform_int_distribution<int32_t> small(1, 50);
    std::uniform_int_distribution<int32_t> huge(1000, 10000000);
    std::uniform_int_distribution<int32_t> margin(0, 1000);
    switch (kind(random)) {
        case 0: return 0;
        case 1: return huge(random);
        case 2: return INT32_MAX - margin(random);
        case 3: return static_cast<int32_t>(uint32_t{5} - static_cast<uint32_t>(small(random) + 5));
        case 4: return INT32_MIN + margin(random);
        default: return small(random);
    }
}

// A script of random frames: random elapsed times and random key presses and
// releases, the door in view now and then drawn at random.
std::vector<ScriptLine> RandomScript(std::mt19937& random, int frames) {
    std::bernoulli_distribution coin(0.5);
    std::uniform_int_distribution<int> keyCount(0, 3);
    const uint16_t keys[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_SPACE};
    std::uniform_int_distribution<size_t> pickKey(0, std::size(keys) - 1);
    std::vector<ScriptLine> lines(static_cast<size_t>(frames));
    for (ScriptLine& line : lines) {
        line.elapsed = static_cast<uint32_t>(DrawElapsed(random));  // the clock may run backwards
        for (int k = keyCount(random); k > 0; --k)
            line.events.push_back(
                {INPUT_KEY_EVENT, keys[pickKey(random)], static_cast<uint8_t>(coin(random))});
    }
    return lines;
}

TEST(RobustnessTest, RandomFramesKeepTheWorldInsideTheGrid) {
    test::ResetWorld();
    std::mt19937 random(20240611);
    ScriptedRun run;
    run.lines = RandomScript(random, FRAME_COUNT);
    BeginScriptedRun(run);
    StartUp();

    std::vector<std::pair<int, int>> doors;
    for (int x = 0; x < MAP_SIZE; ++x)
        for (int y = 0; y < MAP_SIZE; ++y)
            if (WallGrid[x][y] < 0) doors.emplace_back(x, y);
    ASSERT_FALSE(doors.empty());
    std::bernoulli_distribution coin(0.5);
    std::uniform_int_distribution<size_t> pickDoor(0, doors.size() - 1);
    long moves = 0, doorFrames = 0;

    for (int frame = 0; frame < FRAME_COUNT; ++frame) {
        // Half the frames, a door stands in the middle of the view instead of
        // what the last pass found there.
        if (coin(random)) {
            UseRequest = coin(random);
            const auto& door = doors[pickDoor(random)];
            UseTarget[0] = door.first;
            UseTarget[1] = door.second;
        }
        const double beforeX = Player.x, beforeY = Player.y;
        RunFrame();
        if (Player.x != beforeX || Player.y != beforeY) ++moves;
        if (DoorMotionTable[0].rate != 0) ++doorFrames;
        if (frame % CHECK_EVERY == CHECK_EVERY - 1) {
            ASSERT_TRUE(WorldIsSound()) << "after frame " << frame;
        }
    }
    EXPECT_EQ(ScriptedFramesPresented(), static_cast<uint64_t>(FRAME_COUNT));
    EXPECT_TRUE(WorldIsSound());
    // The run must have exercised walking and doors, not stood still.
    EXPECT_GT(moves, FRAME_COUNT / 20);
    EXPECT_GT(doorFrames, FRAME_COUNT / 20);
}

}  // namespace
}  // namespace fg
