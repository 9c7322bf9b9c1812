#include <gtest/gtest.h>

#include <cfloat>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "app/frame_loop.h"
#include "programs/headless/state_report.h"
#include "test_world.h"

namespace fg {
namespace {

std::string Printed(const char* format, double a, double b, int c) {
    char text[128];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

// The report's doubles must read exactly as "%.17g" prints them: the golden
// tours hash the text, and other programs parse it.
TEST(StateReport, PrintsDoublesExactlyAsPrintfWould) {
    const double values[] = {0.0,
                             -0.0,
                             1.0,
                             32.5,
                             0.1,
                             1.0 / 3.0,
                             1e-4,
                             1e-5,
                             0.00012345678901234567,
                             123456789012345678.0,
                             1e16,
                             1e17,
                             1e22,
                             -2.5e-300,
                             5e-324,
                             DBL_MIN,
                             DBL_MAX,
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             std::nextafter(33.0, 0.0),
                             63.999999999999993};
    test::ResetWorld();
    for (double v : values) {
        Player.x = v;
        Player.y = -v;
        Player.angle = 479;
        std::string out;
        AppendStateReport(out, 0);
        const size_t at = out.find("\nplayer ");
        ASSERT_NE(at, std::string::npos);
        const std::string line = out.substr(at + 1, out.find('\n', at + 1) - at);
        EXPECT_EQ(line, Printed("player %.17g %.17g %d\n", v, -v, 479)) << v;
    }
}

TEST(StateReport, WritesEveryLineOfTheBlockInOrder) {
    test::ResetWorld();
    Timing.elapsedMs = -5;
    Timing.animationClock = INT64_C(9000000000);
    DepthBuffer[79] = 0.25;
    WallGrid[5][6] = -3;
    DoorClosureGrid[5][6] = 0.5;
    WallGrid[7][8] = 2;  // a wall's closure is no door's
    DoorClosureGrid[7][8] = 0.5;
    DoorMotionTable[2] = {5, 6, -DOOR_RATE};
    std::string out;
    AppendStateReport(out, UINT64_C(18446744073709551615));
    EXPECT_EQ(out.rfind("frame 18446744073709551615 elapsed -5 anim 9000000000\nplayer ", 0), 0u)
        << out.substr(0, 80);
    char slot[64];
    std::snprintf(slot, sizeof slot, "\nslot 2 5 6 %.17g\ndoor 5 6 0.5\ndepth 0 0 ", -DOOR_RATE);
    EXPECT_NE(out.find(std::string("\nuse 0 0 0") + slot), std::string::npos) << out.substr(0, 200);
    EXPECT_EQ(out.substr(out.size() - 12), " 0 0 0 0.25\n") << "the last depth value ends the block";
    EXPECT_EQ(out.find("door 7 8"), std::string::npos);
}

}  // namespace
}  // namespace fg
