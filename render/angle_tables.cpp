#include "render/angle_tables.h"

#include <cmath>

namespace fg {

// Written as a hexadecimal literal (bits 0x3F8ACEE9F37BEBCE): exact on every
// compiler, and older standard libraries have no std::bit_cast.
const double ANGLE_UNIT_RADIANS = 0x1.ACEE9F37BEBCEp-7;

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
        for (int j = 0; j < 25; ++j) {
            const double secant = 1.0 / SinTable[160 - c];  // 1 / cos of the column's offset
            const double stretch = 25.0 / (25 - j);
            RowDistanceTable[c][j] = secant * stretch;
        }
}

}  // namespace fg
