#include "world/angle_tables.h"

#include <algorithm>
#include <iterator>

#include "world/angle_tables_values.h"

namespace fg {

// Written as a hexadecimal literal (bits 0x3F8ACEE9F37BEBCE): exact on every
// compiler, and older standard libraries (Emscripten's) have no std::bit_cast.
const double ANGLE_UNIT_RADIANS = 0x1.ACEE9F37BEBCEp-7;

double SinTable[ANGLE_STEPS];
double TanTable[ANGLE_STEPS];
double RowDistanceTable[SCREEN_WIDTH][SCREEN_HEIGHT];

// sin and tan of i * ANGLE_UNIT_RADIANS, taken from exact constants rather than
// the C library, whose last bits differ between platforms.
void BuildAngleTables() {
    std::copy(std::begin(SIN_TABLE_VALUES), std::end(SIN_TABLE_VALUES), SinTable);
    std::copy(std::begin(TAN_TABLE_VALUES), std::end(TAN_TABLE_VALUES), TanTable);
}

void BuildRowDistanceTable() {
    for (int c = 0; c < SCREEN_WIDTH; ++c)
        for (int j = 0; j < SCREEN_HEIGHT / 2; ++j) {
            const double secant =
                1.0 / SinTable[ANGLE_STEPS / 4 + SCREEN_WIDTH / 2 - c];  // 1 / cos of the offset
            const int rowsBelowHorizon = SCREEN_HEIGHT / 2 - j;          // 25..1, exact
            const double stretch = SCREEN_HEIGHT / 2.0 / rowsBelowHorizon;
            RowDistanceTable[c][j] = secant * stretch;
        }
}

}  // namespace fg
