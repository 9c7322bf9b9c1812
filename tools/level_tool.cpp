// farrowgate-level: prints the built-in level as a map and the figures that
// the level must keep (reachable area, bounds, texture counts, pocket).
//
// Map symbols: '#' wall, 'D' door, ' ' reachable floor, '@' the start cell,
// '*' an unreachable pocket with a floor, 'c' a stray ceiling, '.' nothing.

#include <cstdio>

#include "app/frame_loop.h"
#include "assets/asset_set.h"
#include "tools/level_survey.h"

namespace {

void PrintCounts(const char* what, const int* counts, int size) {
    std::printf("%-9s", what);
    for (int i = 1; i < size; ++i)
        if (counts[i] != 0) std::printf(" %d:%d", i, counts[i]);
    std::printf("\n");
}

char Symbol(const uint8_t* image, const fg::LevelSurvey& s, int x, int y) {
    const int w = image[fg::LevelByteIndex(fg::WALL_LAYER, x, y)];
    const int f = image[fg::LevelByteIndex(fg::FLOOR_LAYER, x, y)];
    const int c = image[fg::LevelByteIndex(fg::CEILING_LAYER, x, y)];
    if (w > fg::DOOR_BYTE_BASE && w <= fg::LAST_DOOR_BYTE) return 'D';
    if (w != 0 && w != fg::DOOR_BYTE_BASE) return '#';
    if (x == s.startX && y == s.startY) return '@';
    if (s.reachable[x][y]) return ' ';
    if (f != 0) return '*';
    if (c != 0) return 'c';
    return '.';
}

}  // namespace

int main() {
    fg::BuildWorld();
    const uint8_t* image = fg::LevelImage;
    fg::LevelSurvey s;
    fg::SurveyLevel(image, s);

    std::printf("    x ");
    for (int x = 0; x < 64; ++x) std::printf("%d", x / 10);
    std::printf("\n      ");
    for (int x = 0; x < 64; ++x) std::printf("%d", x % 10);
    std::printf("\n");
    for (int y = 0; y < 64; ++y) {
        std::printf("y %2d  ", y);
        for (int x = 0; x < 64; ++x) std::putchar(Symbol(image, s, x, y));
        std::printf("\n");
    }

    std::printf("\nstart               (%d, %d)\n", s.startX, s.startY);
    std::printf("reachable cells     %d%s%s\n", s.reachableCount, s.reachableOnEdge ? " (ON THE EDGE)" : "",
                s.reachableTouchesOutside ? " (NOT ENCLOSED)" : "");
    std::printf("wall-layer cells    %d, within x %d..%d, y %d..%d\n", s.wallCells, s.wallMinX, s.wallMaxX,
                s.wallMinY, s.wallMaxY);
    PrintCounts("walls", s.wallsByTexture, 64);
    PrintCounts("doors", s.doorsByByte, 256);
    std::printf("doors in wall lines %s\n", s.everyDoorInWallLine ? "all" : "NOT ALL");
    std::printf("floor cells         %d\n", s.floorCells);
    PrintCounts("floors", s.floorsByTexture, 256);
    std::printf("ceiling cells       %d\n", s.ceilingCells);
    PrintCounts("ceilings", s.ceilingsByTexture, 256);
    std::printf("pocket cells        %d\n", s.pocketCells);
    std::printf("stray ceilings      %d\n", s.strayCeilings);
    std::printf("trailing zero ceiling bytes %d\n", s.trailingCeilingZeros);
    std::printf("cells an actor may start on %d\n", s.actorCells);
    return 0;
}
