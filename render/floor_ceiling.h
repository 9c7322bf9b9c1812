// Floor below and ceiling above a wall column: row j above the horizon and row
// 49 - j below it show the same world point, RowDistanceTable[c][j] along the ray.
#pragma once

#include <cstdint>

#include "assets/level.h"
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

// FloorGrid and CeilingGrid as the floor and ceiling read them, one record a
// map cell (index x * 64 + y): each texture as its offset in TextureBank, or
// NO_SURFACE where the grid value is outside 1..63 and nothing is drawn. One
// load a row instead of two, and no range test or multiplication per texel.
// The grids do not change while the game runs; whatever changes them (the
// level loader, a test) packs them again before the next frame.
constexpr uint32_t NO_SURFACE = ~uint32_t{0};
struct SurfaceCell {
    uint32_t floor;
    uint32_t ceiling;
};
extern SurfaceCell SurfaceGrid[MAP_SIZE * MAP_SIZE];
void PackFloorAndCeiling();

// Called for wall heights below the screen height, after the column's wall;
// angle is the column's ray angle, 0..479.
void DrawFloorAndCeiling(int column, int angle, int height);
// The same cells without SIMD: what other targets and the web build run; x86
// tests compare the two.
void DrawFloorAndCeilingPlain(int column, int angle, int height);

}  // namespace fg
