// Figures of a level image: what can be reached, what is used where. The level
// tool prints them and the tests hold the built-in level to them.
#pragma once

#include <cstdint>

namespace fg {

struct LevelSurvey {
    int startX, startY;
    bool reachable[64][64];  // 4-neighbour fill from the start cell through empty and door cells
    int reachableCount;
    bool reachableOnEdge;
    bool reachableTouchesOutside;  // a reachable cell beside a cell with no floor
    int wallCells;                 // non-zero wall-layer bytes
    int wallMinX, wallMaxX, wallMinY, wallMaxY;
    int wallsByTexture[64];      // wall-layer bytes 1..63
    int doorsByByte[256];        // wall-layer bytes 65..127
    int otherWallBytes;          // 64 or 128 and up
    bool everyDoorInWallLine;    // walls on both sides along one axis, open ground across
    int floorsByTexture[256];    // non-zero floor-layer bytes
    int ceilingsByTexture[256];  // non-zero ceiling-layer bytes
    int floorCells, ceilingCells;
    int pocketCells;    // empty, unreachable cells with a floor
    int strayCeilings;  // ceilings on cells with neither wall nor floor
    int floorOutside;   // floors on empty cells neither reachable nor pocket
    int trailingCeilingZeros;
    int actorCells;  // cells an actor may start on: a floor, no wall, no door
};

// image: the 12290-byte level image (start, wall, floor and ceiling layers).
void SurveyLevel(const uint8_t* image, LevelSurvey& survey);

}  // namespace fg
