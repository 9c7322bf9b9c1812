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
SurfaceCell SurfaceGrid[MAP_SIZE * MAP_SIZE];
const CHAR_INFO* FloorRowCells[SCREEN_WIDTH][SCREEN_HEIGHT / 2];

namespace {

bool DistancesRise;  // every column's row distances are non-decreasing in j

constexpr double GRID_TEXELS = MAP_SIZE * TEXTURE_SIZE;  // texels across the grid
constexpr int TEXEL_BITS = 6;                            // a cell is 2^6 texels across
static_assert(1 << TEXEL_BITS == TEXTURE_SIZE);

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
    const CHAR_INFO* const* cells;  // the shaded cells of each row j
};

bool InsideGrid(double sx, double sy) { return sx >= 0 && sx < GRID_TEXELS && sy >= 0 && sy < GRID_TEXELS; }

// Row j's point, scaled: (px, py) * 64 + d * 64 (sin a, cos a).
void PointOf(const FloorColumn& f, int j, double& sx, double& sy) {
    const double d = f.distances[j];
    sx = f.px64 + d * f.sin64;
    sy = f.py64 + d * f.cos64;
}

// Where a point inside the grid (ix, iy: its scaled coordinates, truncated)
// reads: the grid cell (ix / 64, iy / 64) and the texel (row iy mod 64,
// column ix mod 64); both are non-negative, so these are shifts and masks.
struct Reading {
    uint32_t cell;
    uint32_t texel;
};
Reading ReadingAt(uint32_t ix, uint32_t iy) {
    return {(ix & ~uint32_t{TEXTURE_SIZE - 1}) + (iy >> TEXEL_BITS),
            ((iy & (TEXTURE_SIZE - 1)) << TEXEL_BITS) | (ix & (TEXTURE_SIZE - 1))};
}
static_assert(MAP_SIZE == TEXTURE_SIZE, "a cell's row of the grid is as long as a texture's row");

// Ceiling row j at `ceiling` and, when `floor` is given, floor row 49 - j.
[[gnu::always_inline]] inline void DrawRow(const CHAR_INFO* cells, Reading at, CHAR_INFO* ceiling,
                                           CHAR_INFO* floor) {
    const SurfaceCell surfaces = SurfaceGrid[at.cell];
    if (floor != nullptr && surfaces.floor != NO_SURFACE)
        *floor = cells[TextureBank[surfaces.floor + at.texel] & SHADED_TEXEL_BITS];
    if (surfaces.ceiling != NO_SURFACE)
        *ceiling = cells[TextureBank[surfaces.ceiling + at.texel] & SHADED_TEXEL_BITS];
}

// The readings of rows j .. j + rows - 1 (rows <= 4) from their points, four
// rows to an instruction where SSE2 is there: each lane rounds, truncates and
// masks exactly as the scalar operations of the plain path do. The SIMD path
// works out all four (the distance table has room past row 24); lanes past
// `rows` are not used.
constexpr int ROWS_AT_ONCE = 4;
template <bool PLAIN>
[[gnu::always_inline]] inline void ReadRows(const FloorColumn& f, int j, Reading (&at)[ROWS_AT_ONCE],
                                            int rows) {
#if FARROWGATE_FLOOR_SSE2
    if constexpr (!PLAIN) {
        const __m128d d01 = _mm_loadu_pd(f.distances + j);
        const __m128d d23 = _mm_loadu_pd(f.distances + j + 2);
        const __m128d px = _mm_set1_pd(f.px64), py = _mm_set1_pd(f.py64);
        const __m128d sine = _mm_set1_pd(f.sin64), cosine = _mm_set1_pd(f.cos64);
        const __m128i x = _mm_unpacklo_epi64(_mm_cvttpd_epi32(_mm_add_pd(px, _mm_mul_pd(d01, sine))),
                                             _mm_cvttpd_epi32(_mm_add_pd(px, _mm_mul_pd(d23, sine))));
        const __m128i y = _mm_unpacklo_epi64(_mm_cvttpd_epi32(_mm_add_pd(py, _mm_mul_pd(d01, cosine))),
                                             _mm_cvttpd_epi32(_mm_add_pd(py, _mm_mul_pd(d23, cosine))));
        const __m128i low = _mm_set1_epi32(TEXTURE_SIZE - 1);
        alignas(16) uint32_t cell[ROWS_AT_ONCE];
        alignas(16) uint32_t texel[ROWS_AT_ONCE];
        _mm_store_si128(reinterpret_cast<__m128i*>(cell),
                        _mm_add_epi32(_mm_andnot_si128(low, x), _mm_srli_epi32(y, TEXEL_BITS)));
        _mm_store_si128(
            reinterpret_cast<__m128i*>(texel),
            _mm_or_si128(_mm_slli_epi32(_mm_and_si128(y, low), TEXEL_BITS), _mm_and_si128(x, low)));
        for (int k = 0; k < ROWS_AT_ONCE; ++k) at[k] = {cell[k], texel[k]};
        return;
    }
#endif
    for (int k = 0; k < rows; ++k) {
        double sx, sy;
        PointOf(f, j + k, sx, sy);
        at[k] = ReadingAt(static_cast<uint32_t>(static_cast<int>(sx)),
                          static_cast<uint32_t>(static_cast<int>(sy)));
    }
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
            FloorRowCells[c][j] = FloorShadeCells[set];
            if (!filled[set])
                for (int t = 0; t < TEXTURE_SIZE; ++t)
                    FloorShadeCells[set][t] = ShadeTable[(t & 7) * 8 + levels[t >> 3]];
            filled[set] = true;
            if (j > 0 && !(RowDistanceTable[c][j - 1] <= RowDistanceTable[c][j])) DistancesRise = false;
        }
}

namespace {

uint32_t SurfaceOffset(int32_t texture) {
    return texture >= 1 && texture <= 63 ? static_cast<uint32_t>(texture) * TEXTURE_TEXELS : NO_SURFACE;
}

}  // namespace

void PackFloorAndCeiling() {
    for (int x = 0; x < MAP_SIZE; ++x)
        for (int y = 0; y < MAP_SIZE; ++y)
            SurfaceGrid[x * MAP_SIZE + y] = {SurfaceOffset(FloorGrid[x][y]),
                                             SurfaceOffset(CeilingGrid[x][y])};
}

namespace {

template <bool PLAIN>
void DrawColumn(int column, int angle, int height) {
    const int top = HORIZON_ROW - height / 2;
    if (top <= 0) return;
    const FloorColumn f{
        Player.x * TEXTURE_SIZE,        Player.y * TEXTURE_SIZE,
        SinTable[angle] * TEXTURE_SIZE, SinTable[angle < 360 ? angle + 120 : angle - 360] * TEXTURE_SIZE,
        RowDistanceTable[column],       FloorRowCells[column]};
    CHAR_INFO* ceiling = FrameBuffer + column;                                     // row j
    CHAR_INFO* floor = FrameBuffer + (SCREEN_HEIGHT - 1) * SCREEN_WIDTH + column;  // row 49 - j
    // The distances grow with j (checked when the levels are built) and every
    // step of the point's computation rounds monotonically, so each coordinate
    // moves one way along the rows: when the first and last points lie in the
    // grid, all between do too.
    const int lastRow = top - 1;
    double sx0, sy0, sxLast, syLast;
    PointOf(f, 0, sx0, sy0);
    PointOf(f, lastRow, sxLast, syLast);
    // Floor row 50 - top is never drawn: it is the wall's (for an odd height
    // the floor instead overwrites the wall's last row).
    if (DistancesRise && InsideGrid(sx0, sy0) && InsideGrid(sxLast, syLast)) {
        int j = 0;
        for (; j + ROWS_AT_ONCE - 1 < lastRow; j += ROWS_AT_ONCE) {
            Reading at[ROWS_AT_ONCE];
            ReadRows<PLAIN>(f, j, at, ROWS_AT_ONCE);
            for (int k = 0; k < ROWS_AT_ONCE; ++k)
                DrawRow(f.cells[j + k], at[k], ceiling + k * SCREEN_WIDTH, floor - k * SCREEN_WIDTH);
            ceiling += ROWS_AT_ONCE * SCREEN_WIDTH;
            floor -= ROWS_AT_ONCE * SCREEN_WIDTH;
        }
        // The last one to four rows, the last of them without its floor row.
        const int rest = lastRow - j + 1;
        Reading at[ROWS_AT_ONCE];
        ReadRows<PLAIN>(f, j, at, rest);
        for (int k = 0; k < rest; ++k)
            DrawRow(f.cells[j + k], at[k], ceiling + k * SCREEN_WIDTH,
                    j + k < lastRow ? floor - k * SCREEN_WIDTH : nullptr);
    } else {
        for (int j = 0; j <= lastRow; ++j, ceiling += SCREEN_WIDTH, floor -= SCREEN_WIDTH) {
            double sx, sy;
            PointOf(f, j, sx, sy);
            if (!InsideGrid(sx, sy)) continue;  // nothing drawn off the grid
            DrawRow(f.cells[j],
                    ReadingAt(static_cast<uint32_t>(static_cast<int>(sx)),
                              static_cast<uint32_t>(static_cast<int>(sy))),
                    ceiling, j < lastRow ? floor : nullptr);
        }
    }
}

}  // namespace

void DrawFloorAndCeiling(int column, int angle, int height) { DrawColumn<false>(column, angle, height); }

void DrawFloorAndCeilingPlain(int column, int angle, int height) { DrawColumn<true>(column, angle, height); }

}  // namespace fg
