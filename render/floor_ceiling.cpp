#include "render/floor_ceiling.h"

#include "assets/asset_set.h"
#include "assets/level.h"
#include "console/frame_buffer.h"
#include "render/caster.h"
#include "render/shade_table.h"
#include "world/angle_tables.h"
#include "world/player.h"

// SSE2 is part of every x86-64 target; elsewhere (the web build, other CPUs)
// the plain path draws the same cells.
#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define FARROWGATE_FLOOR_SSE2 1
#include <emmintrin.h>
#else
#define FARROWGATE_FLOOR_SSE2 0
#endif

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

// Row j's point, scaled: (px, py) * 64 + d * 64 (sin a, cos a).
void PointOf(const FloorColumn& f, int j, double& sx, double& sy) {
    const double d = f.distances[j];
    sx = f.px64 + d * f.sin64;
    sy = f.py64 + d * f.cos64;
}

// Draws row j from its point's truncated texel coordinates (both non-negative
// and inside the grid): ceiling row j and, unless skipped, floor row 49 - j.
void DrawRowAt(const FloorColumn& f, int j, int ix, int iy, bool drawFloor) {
    const int cell = (ix >> TEXEL_BITS) * MAP_SIZE + (iy >> TEXEL_BITS);
    const int floor = (&FloorGrid[0][0])[cell];
    const int ceiling = (&CeilingGrid[0][0])[cell];
    // Both are non-negative here, so the remainder is the low six bits.
    const int texel = (iy & (TEXTURE_SIZE - 1)) * TEXTURE_SIZE + (ix & (TEXTURE_SIZE - 1));
    const CHAR_INFO* cells = FloorShadeCells[f.sets[j]];
    if (drawFloor && Drawable(floor))
        f.floor[-j * SCREEN_WIDTH] = cells[TextureBank[floor * TEXTURE_TEXELS + texel] & SHADED_TEXEL_BITS];
    if (Drawable(ceiling))
        f.ceiling[j * SCREEN_WIDTH] =
            cells[TextureBank[ceiling * TEXTURE_TEXELS + texel] & SHADED_TEXEL_BITS];
}

// Row j where its point may lie outside the grid: nothing is drawn there.
void DrawCheckedRow(const FloorColumn& f, int j, bool drawFloor) {
    double sx, sy;
    PointOf(f, j, sx, sy);
    if (InsideGrid(sx, sy)) DrawRowAt(f, j, static_cast<int>(sx), static_cast<int>(sy), drawFloor);
}

// Rows j and j + 1, both points inside the grid, both floors drawn.
template <bool PLAIN>
void DrawTwoRows(const FloorColumn& f, int j) {
#if FARROWGATE_FLOOR_SSE2
    if constexpr (!PLAIN) {
        // The same products and sums as PointOf, two rows to an instruction:
        // each lane rounds exactly as the scalar operation does.
        const __m128d d = _mm_loadu_pd(f.distances + j);
        const __m128d sx = _mm_add_pd(_mm_set1_pd(f.px64), _mm_mul_pd(d, _mm_set1_pd(f.sin64)));
        const __m128d sy = _mm_add_pd(_mm_set1_pd(f.py64), _mm_mul_pd(d, _mm_set1_pd(f.cos64)));
        alignas(16) int32_t xy[4];  // ix(j), ix(j + 1), iy(j), iy(j + 1)
        _mm_store_si128(reinterpret_cast<__m128i*>(xy),
                        _mm_unpacklo_epi64(_mm_cvttpd_epi32(sx), _mm_cvttpd_epi32(sy)));
        DrawRowAt(f, j, xy[0], xy[2], true);
        DrawRowAt(f, j + 1, xy[1], xy[3], true);
        return;
    }
#endif
    double sx0, sy0, sx1, sy1;
    PointOf(f, j, sx0, sy0);
    PointOf(f, j + 1, sx1, sy1);
    DrawRowAt(f, j, static_cast<int>(sx0), static_cast<int>(sy0), true);
    DrawRowAt(f, j + 1, static_cast<int>(sx1), static_cast<int>(sy1), true);
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

namespace {

template <bool PLAIN>
void DrawColumn(int column, int angle, int height) {
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
    double sx0, sy0, sxLast, syLast;
    PointOf(f, 0, sx0, sy0);
    PointOf(f, lastRow, sxLast, syLast);
    // Floor row 50 - top is never drawn: it is the wall's (for an odd height
    // the floor instead overwrites the wall's last row).
    if (DistancesRise && InsideGrid(sx0, sy0) && InsideGrid(sxLast, syLast)) {
        int j = 0;
        for (; j + 1 < lastRow; j += 2) DrawTwoRows<PLAIN>(f, j);
        if (j < lastRow) {
            double sx, sy;
            PointOf(f, j, sx, sy);
            DrawRowAt(f, j, static_cast<int>(sx), static_cast<int>(sy), true);
        }
        DrawRowAt(f, lastRow, static_cast<int>(sxLast), static_cast<int>(syLast), false);
    } else {
        for (int j = 0; j < lastRow; ++j) DrawCheckedRow(f, j, true);
        DrawCheckedRow(f, lastRow, false);
    }
}

}  // namespace

void DrawFloorAndCeiling(int column, int angle, int height) { DrawColumn<false>(column, angle, height); }

void DrawFloorAndCeilingPlain(int column, int angle, int height) { DrawColumn<true>(column, angle, height); }

}  // namespace fg
