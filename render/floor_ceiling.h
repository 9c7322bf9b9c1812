// Floor below and ceiling above a wall column: row j above the horizon and row
// 49 - j below it show the same world point, RowDistanceTable[c][j] along the ray.
#pragma once

namespace fg {

// Called for wall heights below the screen height, after the column's wall.
void DrawFloorAndCeiling(int column, int angle, int height);

}  // namespace fg
