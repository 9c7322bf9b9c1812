// Sine, tangent and floor-distance tables: the frame never calls a
// trigonometric function.
#pragma once

#include <cstdint>

#include "console/platform.h"

namespace fg {

constexpr int ANGLE_STEPS = 480;  // a full turn; 0 faces +y, 120 faces +x
// 6.28318530717958 / 480 as stored in the original tables; not 2 pi / 480.
extern const double ANGLE_UNIT_RADIANS;

extern double SinTable[ANGLE_STEPS];
extern double TanTable[ANGLE_STEPS];
// [column][j]: distance along the column's ray at which the floor shows in
// row 49 - j and the ceiling in row j. Only j = 0..24 is filled.
extern double RowDistanceTable[SCREEN_WIDTH][SCREEN_HEIGHT];

// The least non-negative remainder of a modulo ANGLE_STEPS, for any int.
inline int WrapAngle(int32_t a) {
    if (a >= 0) return a % ANGLE_STEPS;
    return ANGLE_STEPS - 1 - static_cast<int>((-(static_cast<int64_t>(a)) - 1) % ANGLE_STEPS);
}

void BuildAngleTables();       // copies exact constants: the same bits on every platform
void BuildRowDistanceTable();  // reads SinTable

}  // namespace fg
