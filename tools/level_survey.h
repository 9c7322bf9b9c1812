// Figures of a level image: what can be reached, what is used where. The level
// tool prints them and the tests hold the built-in level to them.
#pragma once

#include <cstdint>
#include <string>

#include "assets/level_image.h"

namespace fg {

struct LevelSurvey {
    int startX, startY;
    bool reachable[MAP_SIZE][MAP_SIZE];  // 4-neighbour fill from the start cell through empty and door cells
    int reachableCount;
    bool reachableOnEdge;
    bool reachableTouchesOutside;  // a reachable cell beside a cell with no floor
    int wallCells;                 // non-zero wall-layer bytes
    int wallMinX, wallMaxX, wallMinY, wallMaxY;
    int wallsByTexture[DOOR_BYTE_BASE];  // wall-layer bytes 1..63
    int doorsByByte[256];                // wall-layer bytes 65..127
    int otherWallBytes;                  // 64 or 128 and up
    bool everyDoorInWallLine;            // walls on both sides along one axis, open ground across
    int floorsByTexture[256];            // non-zero floor-layer bytes
    int ceilingsByTexture[256];          // non-zero ceiling-layer bytes
    int floorCells, ceilingCells;
    int pocketCells;    // empty, unreachable cells with a floor
    int strayCeilings;  // ceilings on cells with neither wall nor floor
    int floorOutside;   // floors on empty cells neither reachable nor pocket
    int trailingCeilingZeros;
    int actorCells;  // cells an actor may start on: a floor, no wall, no door
};

// image: a whole level image (assets/level_image.h).
void SurveyLevel(const uint8_t* image, LevelSurvey& survey);

// The survey as lines of art/level_figures.txt's form ("name numbers" or
// "name value:count ..."), as `tools/level_check.py --survey` prints its own.
std::string SurveyFigures(const LevelSurvey& survey);

}  // namespace fg
