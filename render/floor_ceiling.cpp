#include "render/floor_ceiling.h"

#include "assets/asset_set.h"
#include "assets/level.h"
#include "console/frame_buffer.h"
#include "render/caster.h"
#include "render/shade_table.h"
#include "world/angle_tables.h"
#include "world/player.h"

namespace fg {

CHAR_INFO FloorShadeCells[FLOOR_LEVEL_SETS][64];
uint8_t FloorShadeSet[SCREEN_WIDTH][SCREEN_HEIGHT / 2];

namespace {

bool DistancesRise;  // every column's row distances are non-decreasing in j

constexpr double GRID_TEXELS = MAP_SIZE * TEXTURE_SIZE;  // texels across the grid
constexpr int TEXEL_BITS = 6;                            // a cell is 2^6 texels across
static_assert(1 << TEXEL_BITS == TEXTURE_SIZE);

bool Drawable(int texture) { return texture >= 1 && texture <= 63; }

// The same rule as ShadeTexel, with the factor kept in double precision.
uint8_t FloorLevel(double factor, int brightness) {
    const double product = factor * brightness;
    if (product >= 8.0) return 7;
    if (product > 0.0) return static_cast<uint8_t>(product);
    return 0;
}

constexpr int TEXEL_BITS_SHADED = 63;  // colour and brightness; shading ignores bits 6-7

// One column's floor and ceiling walk: the world point of row j is
// (px, py) + RowDistanceTable[c][j] * (sin a, cos a), kept scaled by 64 so
// that its whole part names the cell in its high bits and the texel in its
// low six bits. Scaling by 64 is exact, so 64 * (px + d * s) = 64 px + d * (64 s)
// bit for bit.
struct FloorColumn {
    double px64, py64;
    double sin64, cos64;
    const double* distances;
    const uint8_t* sets;
    CHAR_INFO* ceiling;  // cell of row 0 in this column
    CHAR_INFO* floor;    // cell of row 49
};

bool InsideGrid(double sx, double sy) { return sx >= 0 && sx < GRID_TEXELS && sy >= 0 && sy < GRID_TEXELS; }

// Row j: ceiling row j and, unless skipped, floor row 49 - j.
template <bool CHECKED>
void DrawRowPair(const FloorColumn& f, int j, bool drawFloor) {
    const double d = f.distances[j];
    const double sx = f.px64 + d * f.sin64;
    const double sy = f.py64 + d * f.cos64;
    if (CHECKED && !InsideGrid(sx, sy)) return;
    const int ix = static_cast<int>(sx);
    const int iy = static_cast<int>(sy);
    const int floor = FloorGrid[ix >> TEXEL_BITS][iy >> TEXEL_BITS];
    const int ceiling = CeilingGrid[ix >> TEXEL_BITS][iy >> TEXEL_BITS];
    // Both are non-negative here, so the remainder is the low six bits.
    const int texel = (iy & (TEXTURE_SIZE - 1)) * TEXTURE_SIZE + (ix & (TEXTURE_SIZE - 1));
    const CHAR_INFO* cells = FloorShadeCells[f.sets[j]];
    if (drawFloor && Drawable(floor))
        f.floor[-j * SCREEN_WIDTH] = cells[TextureBank[floor * TEXTURE_TEXELS + texel] & TEXEL_BITS_SHADED];
    if (Drawable(ceiling))
        f.ceiling[j * SCREEN_WIDTH] =
            cells[TextureBank[ceiling * TEXTURE_TEXELS + texel] & TEXEL_BITS_SHADED];
}

}  // namespace

// Every level grows with the factor, so of two sets of levels one is at or
// above the other in every brightness: different sets have different sums
// (0..49, brightness 0 being always level 0), and the sum names the set.
void BuildFloorShadeLevels() {
    bool filled[FLOOR_LEVEL_SETS] = {};
    DistancesRise = true;
    for (int c = 0; c < SCREEN_WIDTH; ++c)
        for (int j = 0; j < HORIZON_ROW; ++j) {
            const double factor = 2 / (RowDistanceTable[c][j] + 0.5);
            uint8_t levels[8];
            int set = 0;
            for (int b = 0; b < 8; ++b) {
                levels[b] = FloorLevel(factor, b);
                set += levels[b];
            }
            FloorShadeSet[c][j] = static_cast<uint8_t>(set);
            if (!filled[set])
                for (int t = 0; t < TEXTURE_SIZE; ++t)
                    FloorShadeCells[set][t] = ShadeTable[(t & 7) * 8 + levels[t >> 3]];
            filled[set] = true;
            if (j > 0 && !(RowDistanceTable[c][j - 1] <= RowDistanceTable[c][j])) DistancesRise = false;
        }
}

void DrawFloorAndCeiling(int column, int angle, int height) {
    const int top = HORIZON_ROW - height / 2;
    if (top <= 0) return;
    const FloorColumn f{
        Player.x * TEXTURE_SIZE,        Player.y * TEXTURE_SIZE,
        SinTable[angle] * TEXTURE_SIZE, SinTable[WrapAngle(angle + 120)] * TEXTURE_SIZE,
        RowDistanceTable[column],       FloorShadeSet[column],
        FrameBuffer + column,           FrameBuffer + (SCREEN_HEIGHT - 1) * SCREEN_WIDTH + column};
    // The distances grow with j (checked when the levels are built) and every step of the point's computation
    // rounds monotonically, so each coordinate moves one way along the rows:
    // when the first and last points lie in the grid, all between do too.
    const int lastRow = top - 1;
    const bool allInside =
        DistancesRise && InsideGrid(f.px64 + f.distances[0] * f.sin64, f.py64 + f.distances[0] * f.cos64) &&
        InsideGrid(f.px64 + f.distances[lastRow] * f.sin64, f.py64 + f.distances[lastRow] * f.cos64);
    // Floor row 50 - top is never drawn: it is the wall's (for an odd height
    // the floor instead overwrites the wall's last row).
    if (allInside) {
        for (int j = 0; j < lastRow; ++j) DrawRowPair<false>(f, j, true);
        DrawRowPair<false>(f, lastRow, false);
    } else {
        for (int j = 0; j < lastRow; ++j) DrawRowPair<true>(f, j, true);
        DrawRowPair<true>(f, lastRow, false);
    }
}

}  // namespace fg
