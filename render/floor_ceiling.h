// Floor below and ceiling above a wall column: row j above the horizon and row
// 49 - j below it show the same world point, RowDistanceTable[c][j] along the ray.
#pragma once

#include <cstdint>

#include "console/platform.h"

namespace fg {

// The shade level of each texel brightness 0..7 at each floor point
// [column][j]: trunc(brightness * 2 / (distance + 0.5)) clamped to 0..7, the
// factor kept in double precision. Only j = 0..24 is filled.
extern uint8_t FloorShadeLevels[SCREEN_WIDTH][SCREEN_HEIGHT / 2][8];

// Reads RowDistanceTable, so it follows BuildRowDistanceTable.
void BuildFloorShadeLevels();

// Called for wall heights below the screen height, after the column's wall.
void DrawFloorAndCeiling(int column, int angle, int height);

}  // namespace fg
