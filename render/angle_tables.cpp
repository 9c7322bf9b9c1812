#include "render/angle_tables.h"

#include <algorithm>
#include <bit>
#include <iterator>

#include "render/angle_tables_values.h"

namespace fg {

const double ANGLE_UNIT_RADIANS = std::bit_cast<double>(uint64_t{0x3F8ACEE9F37BEBCE});

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
        for (int j = 0; j < 25; ++j) {
            const double secant = 1.0 / SinTable[160 - c];  // 1 / cos of the column's offset
            const double stretch = 25.0 / (25 - j);
            RowDistanceTable[c][j] = secant * stretch;
        }
}

}  // namespace fg
