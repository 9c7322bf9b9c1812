// The drawing order of the column pass, pinned cell for cell: thousands of
// random views of the built-in level (random place and facing, figures strewn
// about, doors part open, holes in floor and ceiling, the frame and depth
// buffers an earlier pass left), each view's frame buffer, depth buffer and
// use target pinned by hash. Any faster column pass must draw the very same.
//
// After a deliberate change to the picture, regenerate the table:
//   FARROWGATE_UPDATE_VIEWS=1 build/tests/farrowgate-tests --gtest_filter='RandomViews*'
#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/frame_loop.h"
#include "render/caster.h"
#include "tests/test_screen.h"
#include "tests/test_support.h"
#include "tests/test_world.h"

namespace fg {
namespace {

namespace fs = std::filesystem;

const fs::path TablePath = fs::path(FARROWGATE_SOURCE_DIR) / "tests" / "views" / "random_views.hashes";
constexpr int VIEW_COUNT = 3000;
constexpr uint64_t SEED = 0x5eed'f00d'2026'1209ull;

// splitmix64: the same numbers on every platform and compiler.
struct Random {
    uint64_t state;
    uint64_t Next() {
        uint64_t z = (state += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }
    double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }  // [0, 1)
    int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }
    bool Chance(double p) { return Unit() < p; }
};

using test::Fnv1a;

struct Pinned {
    uint64_t frame;
    uint64_t depth;
    int useRequest;
    int useX;
    int useY;
    bool operator==(const Pinned&) const = default;
};

// The built-in world as start-up builds it; every view starts from its grids.
struct Level {
    int32_t floor[MAP_SIZE][MAP_SIZE];
    int32_t ceiling[MAP_SIZE][MAP_SIZE];
    std::vector<std::pair<int, int>> open;  // empty cells with a floor: inside the level
    std::vector<std::pair<int, int>> doors;
};

Level BuildLevel() {
    ResetWorldState();
    BuildWorld();
    Level l;
    std::memcpy(l.floor, FloorGrid, sizeof l.floor);
    std::memcpy(l.ceiling, CeilingGrid, sizeof l.ceiling);
    for (int x = 0; x < MAP_SIZE; ++x)
        for (int y = 0; y < MAP_SIZE; ++y) {
            if (WallGrid[x][y] < 0) l.doors.emplace_back(x, y);
            if (WallGrid[x][y] == 0 && FloorGrid[x][y] != 0) l.open.emplace_back(x, y);
        }
    return l;
}

// A standing point: mostly inside the level, some hard against a wall face
// (nearer than any walk allows), some in a doorway, some anywhere in the grid,
// which is mostly outside the level where rays leave the grid.
void RandomPlace(Random& r, const Level& level, double& x, double& y) {
    const int kind = r.Below(10);
    if (kind <= 6) {
        const auto [cx, cy] = level.open[r.Below(static_cast<int>(level.open.size()))];
        x = cx + r.Unit();
        y = cy + r.Unit();
        if (kind == 6) {  // within 0.02 of one of the cell's edges
            const double edge = r.Unit() * 0.02;
            if (r.Chance(0.5))
                x = cx + (r.Chance(0.5) ? edge : 1 - edge);
            else
                y = cy + (r.Chance(0.5) ? edge : 1 - edge);
        }
    } else if (kind == 7) {
        const auto [cx, cy] = level.doors[r.Below(static_cast<int>(level.doors.size()))];
        x = cx + r.Unit();
        y = cy + r.Unit();
    } else {
        x = r.Unit() * MAP_SIZE;
        y = r.Unit() * MAP_SIZE;
    }
}

// Holes: cells whose floor or ceiling is not drawn, with 0 or a value outside 1..63.
void PunchHoles(Random& r, int32_t (&grid)[MAP_SIZE][MAP_SIZE]) {
    static constexpr int32_t NOT_DRAWN[] = {0, 0, 0, 64, 255, -7};
    const double share = r.Chance(0.3) ? 0 : r.Unit() * 0.5;
    for (auto& column : grid)
        for (int32_t& cell : column)
            if (r.Chance(share)) cell = NOT_DRAWN[r.Below(6)];
}

// Up to 24 figures round the player: some far, some on the same spot as the
// one before (equal depths), some practically on the player's spot.
void StrewFigures(Random& r) {
    ACTOR_COUNT = r.Below(25);
    const double reach = 1 + r.Unit() * 14;
    for (int i = 0; i < ACTOR_COUNT; ++i) {
        Actor& a = ActorTable[i];
        a = Actor{};
        if (i > 0 && r.Chance(0.1)) {
            a.x = ActorTable[i - 1].x;
            a.y = ActorTable[i - 1].y;
        } else if (r.Chance(0.04)) {
            a.x = Player.x + (r.Unit() - 0.5) * 0.02;
            a.y = Player.y + (r.Unit() - 0.5) * 0.02;
        } else {
            a.x = Player.x + (r.Unit() * 2 - 1) * reach;
            a.y = Player.y + (r.Unit() * 2 - 1) * reach;
        }
        a.heading = r.Below(4000) - 2000;  // never reduced: every use wraps it
        a.frame = r.Below(4);
        a.turn = 1;
    }
}

// One view: an earlier pass from another place (or the same place turned a
// little) leaves its frame and depth buffers, then the pinned pass.
Pinned DrawRandomView(const Level& level, int index) {
    Random r{SEED ^ (static_cast<uint64_t>(index) * 0xd1b54a32d192ed03ull)};
    std::memcpy(FloorGrid, level.floor, sizeof FloorGrid);
    std::memcpy(CeilingGrid, level.ceiling, sizeof CeilingGrid);
    PunchHoles(r, FloorGrid);
    PunchHoles(r, CeilingGrid);
    PackFloorAndCeiling();
    for (const auto& [x, y] : level.doors) {
        const int state = r.Below(3);
        DoorClosureGrid[x][y] = state == 0 ? 1.0 : state == 1 ? 0.0 : r.Unit();
    }
    std::memset(&YLineHit, 0, sizeof YLineHit);
    std::memset(&XLineHit, 0, sizeof XLineHit);
    std::memset(FrameBuffer, 0, sizeof FrameBuffer);
    for (double& d : DepthBuffer) d = 1e9;
    UseRequest = 0;
    UseTarget[0] = UseTarget[1] = 0;

    RandomPlace(r, level, Player.x, Player.y);
    Player.angle = r.Below(ANGLE_STEPS);
    StrewFigures(r);
    ColumnPass();
    if (r.Chance(0.5)) RandomPlace(r, level, Player.x, Player.y);
    Player.angle = r.Chance(0.5) ? r.Below(ANGLE_STEPS) : WrapAngle(Player.angle + r.Below(21) - 10);
    if (r.Chance(0.5)) StrewFigures(r);
    ColumnPass();
    return {Fnv1a(FrameBuffer, sizeof FrameBuffer), Fnv1a(DepthBuffer, sizeof DepthBuffer), UseRequest,
            UseTarget[0], UseTarget[1]};
}

std::vector<Pinned> ReadTable() {
    std::vector<Pinned> pinned;
    std::ifstream in(TablePath);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        unsigned long long index, frame, depth;
        int request, x, y;
        if (std::sscanf(line.c_str(), "%llu %llx %llx %d %d %d", &index, &frame, &depth, &request, &x, &y) ==
            6)
            pinned.push_back({frame, depth, request, x, y});
    }
    return pinned;
}

void WriteTable(const std::vector<Pinned>& views) {
    fs::create_directories(TablePath.parent_path());
    std::ofstream out(TablePath);
    out << "# view, FNV-1a 64 of the frame buffer and of the depth buffer, use request, use target x y\n";
    char line[96];
    for (size_t i = 0; i < views.size(); ++i) {
        const Pinned& v = views[i];
        std::snprintf(line, sizeof line, "%zu %016" PRIx64 " %016" PRIx64 " %d %d %d\n", i, v.frame, v.depth,
                      v.useRequest, v.useX, v.useY);
        out << line;
    }
}

TEST(RandomViews, EveryViewDrawsAsPinned) {
    const Level level = BuildLevel();
    std::vector<Pinned> actual;
    for (int i = 0; i < VIEW_COUNT; ++i) actual.push_back(DrawRandomView(level, i));
    if (std::getenv("FARROWGATE_UPDATE_VIEWS") != nullptr) {
        WriteTable(actual);
        GTEST_SKIP() << "pinned " << actual.size() << " views";
    }
    const std::vector<Pinned> pinned = ReadTable();
    ASSERT_EQ(pinned.size(), actual.size()) << TablePath;
    int differing = 0;
    for (int i = 0; i < VIEW_COUNT; ++i) {
        if (actual[i] == pinned[i]) continue;
        if (++differing <= 5)
            ADD_FAILURE() << "view " << i
                          << " differs:" << (actual[i].frame != pinned[i].frame ? " frame" : "")
                          << (actual[i].depth != pinned[i].depth ? " depth" : "")
                          << (actual[i].useRequest != pinned[i].useRequest ||
                                      actual[i].useX != pinned[i].useX || actual[i].useY != pinned[i].useY
                                  ? " use target"
                                  : "");
    }
    EXPECT_EQ(differing, 0) << "views of " << VIEW_COUNT << " that differ";
}

// The views are no mere repetition: they differ from one another and reach
// the cases the pass has to get right.
TEST(RandomViews, TheViewsVary) {
    const Level level = BuildLevel();
    std::vector<uint64_t> frames;
    int requests = 0;
    for (int i = 0; i < 200; ++i) {
        const Pinned p = DrawRandomView(level, i);
        frames.push_back(p.frame);
        requests += p.useRequest;
    }
    std::sort(frames.begin(), frames.end());
    EXPECT_GT(std::unique(frames.begin(), frames.end()) - frames.begin(), 190);
    EXPECT_GT(requests, 10);
    EXPECT_LT(requests, 190);
}

}  // namespace
}  // namespace fg
