// Floor below and ceiling above a wall column: row j above the horizon and row
// 49 - j below it show the same world point, RowDistanceTable[c][j] along the ray.
#pragma once

#include <cstdint>

#include "console/platform.h"

namespace fg {

// The shading of the floor points [column][j]: each point's eight levels
// (trunc(brightness * 2 / (distance + 0.5)) clamped to 0..7, the factor kept
// in double precision) are one of at most 50 sets, and FloorShadeCells holds
// the cell of every texel (by its low six bits) at each set; FloorRowCells
// names each point's. Only j = 0..24.
constexpr int FLOOR_LEVEL_SETS = 50;
extern CHAR_INFO FloorShadeCells[FLOOR_LEVEL_SETS][64];
extern const CHAR_INFO* FloorRowCells[SCREEN_WIDTH][SCREEN_HEIGHT / 2];

// Reads RowDistanceTable, so it follows BuildRowDistanceTable.
void BuildFloorShadeLevels();

// Called for wall heights below the screen height, after the column's wall;
// angle is the column's ray angle, 0..479.
void DrawFloorAndCeiling(int column, int angle, int height);
// The same cells without SIMD: what other targets and the web build run; x86
// tests compare the two.
void DrawFloorAndCeilingPlain(int column, int angle, int height);

}  // namespace fg
