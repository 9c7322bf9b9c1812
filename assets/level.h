// The world grids, filled once from the level image.
#pragma once

#include <cstdint>

#include "assets/level_image.h"

namespace fg {

// All grids are indexed [x][y]. WallGrid: 0 empty, 1..63 a wall of that
// texture, negative a door of texture -value. FloorGrid and CeilingGrid hold
// the level's bytes unchanged; only 1..63 are drawn. Written only by LoadLevel.
extern int32_t WallGrid[MAP_SIZE][MAP_SIZE];
extern int32_t FloorGrid[MAP_SIZE][MAP_SIZE];
extern int32_t CeilingGrid[MAP_SIZE][MAP_SIZE];
// 1.0 closed .. 0.0 open; changed only by the door motion.
extern double DoorClosureGrid[MAP_SIZE][MAP_SIZE];

// Reads LevelImage's wall, floor and ceiling layers (row y, then x within the
// row). Every door starts closed. The two bytes before the layers, the player's
// start corner, are the player's to read (PlacePlayer).
void LoadLevel();

}  // namespace fg
