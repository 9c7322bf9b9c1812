#include "render/angle_tables.h"

#include <bit>
#include <cmath>

namespace fg {

const double ANGLE_UNIT_RADIANS = std::bit_cast<double>(uint64_t{0x3F8ACEE9F37BEBCE});

double SinTable[ANGLE_STEPS];
double TanTable[ANGLE_STEPS];
double RowDistanceTable[SCREEN_WIDTH][SCREEN_HEIGHT];

void BuildAngleTables() {
    for (int i = 0; i < ANGLE_STEPS; ++i) {
        const double x = i * ANGLE_UNIT_RADIANS;
        SinTable[i] = std::sin(x);
        TanTable[i] = std::tan(x);
    }
}

void BuildRowDistanceTable() {
    for (int c = 0; c < SCREEN_WIDTH; ++c)
        for (int j = 0; j < SCREEN_HEIGHT / 2; ++j) {
            const double secant = 1.0 / SinTable[ANGLE_STEPS / 4 + SCREEN_WIDTH / 2 - c];  // 1 / cos of the offset
            const double stretch = SCREEN_HEIGHT / 2.0 / (SCREEN_HEIGHT / 2 - j);
            RowDistanceTable[c][j] = secant * stretch;
        }
}

}  // namespace fg
