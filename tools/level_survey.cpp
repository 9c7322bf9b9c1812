#include "tools/level_survey.h"

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "assets/level_image.h"

namespace fg {

namespace {

constexpr int N = MAP_SIZE;

int Wall(const uint8_t* image, int x, int y) { return image[LevelByteIndex(WALL_LAYER, x, y)]; }
int Floor(const uint8_t* image, int x, int y) { return image[LevelByteIndex(FLOOR_LAYER, x, y)]; }
int Ceiling(const uint8_t* image, int x, int y) { return image[LevelByteIndex(CEILING_LAYER, x, y)]; }
bool Empty(int wall) { return wall == 0 || wall == DOOR_BYTE_BASE; }
bool Door(int wall) { return wall > DOOR_BYTE_BASE && wall <= LAST_DOOR_BYTE; }
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

void AddCounts(std::string& out, const char* name, const int* counts, int size) {
    out += name;
    for (int i = 1; i < size; ++i)
        if (counts[i] != 0) {
            // Piecewise: GCC 12 warns falsely (-Wrestrict) on " " + string.
            out += ' ';
            out += std::to_string(i);
            out += ':';
            out += std::to_string(counts[i]);
        }
    out += "\n";
}

void AddNumbers(std::string& out, const char* name, std::initializer_list<int> numbers) {
    out += name;
    for (int n : numbers) {
        out += ' ';
        out += std::to_string(n);
    }
    out += "\n";
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
                if (w < DOOR_BYTE_BASE)
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
    const uint8_t* ceilings = image + LevelByteIndex(CEILING_LAYER, 0, 0);
    for (int i = LEVEL_LAYER_BYTES - 1; i >= 0 && ceilings[i] == 0; --i) ++zeros;
    s.trailingCeilingZeros = zeros;
}

std::string SurveyFigures(const LevelSurvey& s) {
    std::string out;
    AddNumbers(out, "start", {s.startX, s.startY});
    AddNumbers(out, "reachable_cells", {s.reachableCount});
    AddNumbers(out, "reachable_on_edge", {s.reachableOnEdge});
    AddNumbers(out, "reachable_touches_outside", {s.reachableTouchesOutside});
    AddNumbers(out, "wall_cells", {s.wallCells});
    AddNumbers(out, "wall_extent", {s.wallMinX, s.wallMaxX, s.wallMinY, s.wallMaxY});
    AddCounts(out, "walls_by_texture", s.wallsByTexture, DOOR_BYTE_BASE);
    AddCounts(out, "doors_by_byte", s.doorsByByte, 256);
    AddNumbers(out, "other_wall_bytes", {s.otherWallBytes});
    AddNumbers(out, "doors_in_wall_line", {s.everyDoorInWallLine});
    AddCounts(out, "floors_by_texture", s.floorsByTexture, 256);
    AddCounts(out, "ceilings_by_texture", s.ceilingsByTexture, 256);
    AddNumbers(out, "pocket_cells", {s.pocketCells});
    AddNumbers(out, "stray_ceilings", {s.strayCeilings});
    AddNumbers(out, "ceiling_zero_tail", {s.trailingCeilingZeros});
    AddNumbers(out, "actor_cells", {s.actorCells});
    return out;
}

}  // namespace fg
