#include "tools/level_survey.h"

#include <cstring>
#include <vector>

namespace fg {

namespace {

constexpr int N = 64;

int Wall(const uint8_t* image, int x, int y) { return image[2 + y * N + x]; }
int Floor(const uint8_t* image, int x, int y) { return image[2 + 4096 + y * N + x]; }
int Ceiling(const uint8_t* image, int x, int y) { return image[2 + 8192 + y * N + x]; }
bool Empty(int wall) { return wall == 0 || wall == 64; }
bool Door(int wall) { return wall >= 65 && wall <= 127; }
bool Solid(int wall) { return !Empty(wall) && !Door(wall); }

void Fill(const uint8_t* image, LevelSurvey& s) {
    std::vector<int> stack{s.startY * N + s.startX};
    while (!stack.empty()) {
        const int at = stack.back();
        stack.pop_back();
        const int x = at % N, y = at / N;
        if (s.reachable[x][y] || Solid(Wall(image, x, y))) continue;
        s.reachable[x][y] = true;
        const int dx[4] = {1, -1, 0, 0}, dy[4] = {0, 0, 1, -1};
        for (int i = 0; i < 4; ++i) {
            const int nx = x + dx[i], ny = y + dy[i];
            if (nx >= 0 && nx < N && ny >= 0 && ny < N) stack.push_back(ny * N + nx);
        }
    }
}

bool InWallLine(const uint8_t* image, const LevelSurvey& s, int x, int y) {
    if (x < 1 || y < 1 || x > N - 2 || y > N - 2) return false;
    auto open = [&](int cx, int cy) { return s.reachable[cx][cy] && Empty(Wall(image, cx, cy)); };
    const bool alongX =
        Solid(Wall(image, x - 1, y)) && Solid(Wall(image, x + 1, y)) && open(x, y - 1) && open(x, y + 1);
    const bool alongY =
        Solid(Wall(image, x, y - 1)) && Solid(Wall(image, x, y + 1)) && open(x - 1, y) && open(x + 1, y);
    return alongX || alongY;
}

}  // namespace

void SurveyLevel(const uint8_t* image, LevelSurvey& s) {
    std::memset(&s, 0, sizeof s);
    s.startX = image[0];
    s.startY = image[1];
    s.wallMinX = s.wallMinY = N;
    s.wallMaxX = s.wallMaxY = -1;
    s.everyDoorInWallLine = true;
    Fill(image, s);
    for (int y = 0; y < N; ++y)
        for (int x = 0; x < N; ++x) {
            const int w = Wall(image, x, y), f = Floor(image, x, y), c = Ceiling(image, x, y);
            const bool edge = x == 0 || y == 0 || x == N - 1 || y == N - 1;
            if (s.reachable[x][y]) {
                ++s.reachableCount;
                s.reachableOnEdge |= edge;
                for (int d = 0; d < 4 && !edge; ++d) {
                    const int nx = x + (d == 0) - (d == 1), ny = y + (d == 2) - (d == 3);
                    if (Floor(image, nx, ny) == 0) s.reachableTouchesOutside = true;
                }
            }
            if (w != 0) {
                ++s.wallCells;
                if (x < s.wallMinX) s.wallMinX = x;
                if (x > s.wallMaxX) s.wallMaxX = x;
                if (y < s.wallMinY) s.wallMinY = y;
                if (y > s.wallMaxY) s.wallMaxY = y;
                if (w < 64)
                    ++s.wallsByTexture[w];
                else if (Door(w)) {
                    ++s.doorsByByte[w];
                    if (!InWallLine(image, s, x, y)) s.everyDoorInWallLine = false;
                } else {
                    ++s.otherWallBytes;
                }
            }
            if (f != 0) {
                ++s.floorCells;
                ++s.floorsByTexture[f];
            }
            if (c != 0) {
                ++s.ceilingCells;
                ++s.ceilingsByTexture[c];
            }
            if (Empty(w) && !s.reachable[x][y] && f != 0) ++s.pocketCells;
            if (w == 0 && f == 0 && c != 0) ++s.strayCeilings;
            if (f != 0 && Empty(w)) ++s.actorCells;
        }
    int zeros = 0;
    for (int i = 4095; i >= 0 && image[2 + 8192 + i] == 0; --i) ++zeros;
    s.trailingCeilingZeros = zeros;
}

}  // namespace fg
