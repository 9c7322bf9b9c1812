#include "render/caster.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdlib>

#include "assets/asset_set.h"
#include "assets/level.h"
#include "console/frame_buffer.h"
#include "render/floor_ceiling.h"
#include "render/shade_table.h"
#include "render/sprites.h"
#include "world/angle_tables.h"
#include "world/doors.h"
#include "world/player.h"

namespace fg {

RayHit YLineHit;
RayHit XLineHit;
double DepthBuffer[SCREEN_WIDTH];
double CarriedWallDistance;
TextureRowSpan OpaqueRowSpans[TEXTURE_COUNT][TEXTURE_SIZE];

namespace {

constexpr double Y_SIDE_BRIGHTNESS = 1.5;
constexpr double X_SIDE_BRIGHTNESS = 2.5;  // faces on lines of constant x are lit more

double Frac(double v) { return v - std::trunc(v); }

// Walks one ray across the grid lines of one family. The cell read is the one on
// the far side of the line just crossed; a door is a panel on the cell's middle
// line covering 0..closure of its width. The point is kept in locals while it
// moves (the grids it reads could otherwise alias it).
//
// Neither coordinate needs a two-sided bounds test per step. The
// whole-numbered one (y for the y-line walk) steps one line at a time, so the
// cell index along it runs to the grid's edge (-1 or 64) and stops there. The
// other starts inside the grid or the walk takes no step; from there it only
// moves one way (ACROSS_UP: up), so only that side's bound is tested.
template <bool Y_LINES, bool ACROSS_UP>
[[gnu::always_inline]] inline void WalkLines(RayHit& hit) {
    double x = hit.x;
    double y = hit.y;
    const double stepX = hit.stepX;
    const double stepY = hit.stepY;
    const int back = Y_LINES ? hit.yDecreasing : hit.xDecreasing;
    const double start = Y_LINES ? y : x;  // a whole number
    const double across = Y_LINES ? x : y;
    int wall = hit.wallValue;  // the last value read; stored once the walk ends
    hit.leftGrid = true;
    // Lines start, start +- 1, ...; the cell read at each lies on the far side.
    if (start >= back && start < MAP_SIZE && across >= 0 && across < MAP_SIZE) {
        const std::ptrdiff_t lineStep = back ? -1 : 1;
        const std::ptrdiff_t end = back ? -1 : MAP_SIZE;
        for (std::ptrdiff_t line = static_cast<std::ptrdiff_t>(start) - back; line != end; line += lineStep) {
            const double a = Y_LINES ? x : y;
            if (ACROSS_UP ? !(a < MAP_SIZE) : !(a >= 0)) break;
            const std::ptrdiff_t cell = Y_LINES ? static_cast<std::ptrdiff_t>(x) * MAP_SIZE + line
                                                : line * MAP_SIZE + static_cast<std::ptrdiff_t>(y);
            const int w = (&WallGrid[0][0])[cell];
            wall = w;
            if (w < 0) {
                hit.closure = (&DoorClosureGrid[0][0])[cell];
                hit.doorSeen = true;
                if (!hit.firstDoorRecorded) {
                    // The door cell's indices, whole numbers, not the ray's point.
                    const std::ptrdiff_t doorX = cell / MAP_SIZE, doorY = cell % MAP_SIZE;
                    hit.firstDoorX = static_cast<double>(doorX);
                    hit.firstDoorY = static_cast<double>(doorY);
                    hit.firstDoorRecorded = true;
                }
                x += stepX / 2;
                y += stepY / 2;
                if (Frac(Y_LINES ? x : y) < hit.closure) {  // the panel
                    hit.leftGrid = false;
                    break;
                }
                hit.closure = 0;
                x += stepX / 2;
                y += stepY / 2;
            } else if (w > 0) {
                hit.leftGrid = false;
                break;
            } else {
                x += stepX;
                y += stepY;
            }
        }
    }
    hit.wallValue = wall;
    hit.x = x;
    hit.y = y;
}

template <bool Y_LINES>
[[gnu::always_inline]] inline void Walk(RayHit& hit) {
    if ((Y_LINES ? hit.stepX : hit.stepY) >= 0)
        WalkLines<Y_LINES, true>(hit);
    else
        WalkLines<Y_LINES, false>(hit);
}

// The player as every column of a pass sees it, worked out once.
struct Viewpoint {
    double px, py;
    double cellX, cellY;  // trunc(px), trunc(py)
    int angle;
};

Viewpoint CurrentViewpoint() {
    return {Player.x, Player.y, std::trunc(Player.x), std::trunc(Player.y), Player.angle};
}

double SquaredDistanceTo(const Viewpoint& v, const RayHit& hit) {
    const double dx = v.px - hit.x;
    const double dy = v.py - hit.y;
    return dx * dx + dy * dy;
}

// The wall step, inlined into the column pass: returned through memory its
// result would cost a store-forwarding stall per column.
[[gnu::always_inline]] inline ColumnResult CastColumn(const Viewpoint& v, int column) {
    const double px = v.px;
    const double py = v.py;
    const int a = WrapAngle(v.angle - column + CENTRE_COLUMN);

    RayHit& yh = YLineHit;
    yh.doorSeen = false;
    yh.closure = 0;
    yh.firstDoorRecorded = false;
    if (a > 120 && a < 360) {
        yh.y = v.cellY;
        yh.stepY = -1;
        yh.stepX = -TanTable[a];
        yh.yDecreasing = 1;
    } else {
        yh.y = v.cellY + 1;
        yh.stepY = 1;
        yh.stepX = TanTable[a];
        yh.yDecreasing = 0;
    }
    yh.x = px + (yh.y - py) * TanTable[a];

    RayHit& xh = XLineHit;
    xh.doorSeen = false;
    xh.closure = 0;
    xh.firstDoorRecorded = false;
    // a is already in 0..479: a quarter turn either way wraps with one test.
    const int b = a >= 120 ? a - 120 : a + 360;  // WrapAngle(a - 120)
    if (b > 120 && b < 360) {
        xh.x = v.cellX;
        xh.stepX = -1;
        xh.stepY = TanTable[b];
        xh.xDecreasing = 1;
    } else {
        xh.x = v.cellX + 1;
        xh.stepX = 1;
        xh.stepY = -TanTable[b];
        xh.xDecreasing = 0;
    }
    xh.y = py - (xh.x - px) * TanTable[a < 360 ? a + 120 : a - 360];  // WrapAngle(a + 120)

    Walk<true>(yh);
    Walk<false>(xh);
    yh.squaredDistance = SquaredDistanceTo(v, yh);
    xh.squaredDistance = SquaredDistanceTo(v, xh);

    const bool yTaken = yh.squaredDistance <= xh.squaredDistance;  // ties go to the y-line walk
    const RayHit& hit = yTaken ? yh : xh;
    const double along = yTaken ? hit.x : hit.y;
    const double side = yTaken ? Y_SIDE_BRIGHTNESS : X_SIDE_BRIGHTNESS;

    // Brightness comes from the previous column's distance, which keeps the
    // shading of neighbouring columns in step.
    const float factor = static_cast<float>(side / (CarriedWallDistance + 0.5));
    DepthBuffer[column] = hit.squaredDistance;
    const double dist = std::sqrt(hit.squaredDistance);
    const int texture = std::abs(hit.wallValue);
    double u = Frac(along);
    if (hit.closure > 0 && hit.closure < 1) u += 1 - hit.closure;  // the texture slides with the panel
    const int tx = static_cast<int>(u * TEXTURE_SIZE) % TEXTURE_SIZE;
    if (tx < 0) return {a, 0, true};
    const double corrected = dist * SinTable[column + ANGLE_STEPS / 4 - CENTRE_COLUMN];  // cos of the offset
    CarriedWallDistance = corrected;
    const double q = SCREEN_HEIGHT / corrected;
    const int height = q >= MAX_COLUMN_HEIGHT ? MAX_COLUMN_HEIGHT : static_cast<int>(q);
    if (!hit.leftGrid) DrawTextureColumn(texture, tx, column, height, factor);
    return {a, height, false};
}

}  // namespace

ColumnResult CastWallColumn(int column) { return CastColumn(CurrentViewpoint(), column); }

void DrawTextureColumn(int texture, int u, int x, int height, float factor) {
    if (height <= 0 || height >= MAX_COLUMN_HEIGHT) return;
    DrawShadedColumn(texture, u, x, height, ShadeCellsAt(factor));
}

namespace {

// ceil(2^32 / height) for every drawable height, worked out by the compiler:
// a division per column costs more than the column's texels.
constexpr auto RECIPROCALS = [] {
    std::array<uint64_t, MAX_COLUMN_HEIGHT> r{};
    for (uint64_t h = 1; h < MAX_COLUMN_HEIGHT; ++h) r[h] = ((uint64_t{1} << 32) + h - 1) / h;
    return r;
}();

}  // namespace

// Screen row r shows texture row (max(r - 1, first) - top) * 64 / height: the
// first two rows share one, and the row where that would reach 64 lies past
// the last (top + height at most), so the loop's end is the stop. The division
// is a multiplication by m = ceil(2^32 / height) and a shift: for
// a = q * height + s (0 <= s < height) and a < 2^18, a * m / 2^32 lies within
// a / 2^32 < 2^-14 above a / height = q + s / height, and s / height is at
// most 1 - 1 / height < 1 - 2^-12, so the whole part is still q.
//
// Only the rows whose texture row lies in the column's opaque span are
// visited; the others would read transparent texels and write nothing. With
// acc = max(r - 1, first) - top, texture row acc * 64 / height reaches the
// span's first row f once acc >= ceil(f * height / 64) and stays within its
// last row l while acc < ceil((l + 1) * height / 64).
void DrawShadedColumn(int texture, int u, int x, int height, const CHAR_INFO* cells) {
    if (height <= 0 || height >= MAX_COLUMN_HEIGHT) return;
    if (texture < 0 || texture >= TEXTURE_COUNT) return;
    u %= TEXTURE_SIZE;
    const TextureRowSpan span = OpaqueRowSpans[texture][u];
    if (span.first > span.last) return;  // a wholly transparent column
    const int top = HORIZON_ROW - height / 2;
    const int last = top + height >= SCREEN_HEIGHT ? SCREEN_HEIGHT - 1 : top + height;
    const int first = top < 0 ? 0 : top;
    // The rows from..to; the first row counts with the one below it. A
    // column opaque from top to bottom (every wall) visits them all.
    int from = first;
    int to = last;
    if (span.first != 0 || span.last != TEXTURE_SIZE - 1) {
        const int accFrom = (span.first * height + TEXTURE_SIZE - 1) / TEXTURE_SIZE;
        const int accEnd = ((span.last + 1) * height + TEXTURE_SIZE - 1) / TEXTURE_SIZE;
        if (top + accEnd <= first) return;  // the span ends above the first row
        if (top + accFrom > first) from = top + 1 + accFrom;
        if (top + accEnd < last) to = top + accEnd;
        if (from > to) return;
    }
    const uint64_t reciprocal = RECIPROCALS[static_cast<size_t>(height)];
    const uint8_t* texels = TextureBank + texture * TEXTURE_TEXELS + u;
    CHAR_INFO* cell = FrameBuffer + from * SCREEN_WIDTH + x;
    // product = acc * m for the row to draw next; it grows by exactly 64 m
    // from row to row, except from the first row to the one below it.
    uint64_t product =
        static_cast<uint64_t>((from > first ? from - 1 : first) - top) * TEXTURE_SIZE * reciprocal;
    const uint64_t step = TEXTURE_SIZE * reciprocal;
    const auto draw = [&] {
        const uint8_t texel = texels[(product >> 32) * TEXTURE_SIZE];
        if (texel != TRANSPARENT_TEXEL) *cell = cells[texel & SHADED_TEXEL_BITS];
        cell += SCREEN_WIDTH;
    };
    int rows = to - from + 1;
    if (from == first) {
        draw();  // the first row and the one below it show the same texture row
        --rows;
    }
    for (; rows >= 2; rows -= 2) {  // two rows a turn: half the loop's own steps
        draw();
        product += step;
        draw();
        product += step;
    }
    if (rows > 0) draw();
}

// Row by row, each column's span as the least and the greatest row with an
// opaque texel: plain byte minima and maxima, which the compiler does sixteen
// at a time (start-up reads the whole bank, 256 KiB).
void BuildOpaqueRowSpans() {
    for (int t = 0; t < TEXTURE_COUNT; ++t) {
        uint8_t first[TEXTURE_SIZE];
        uint8_t last[TEXTURE_SIZE];
        for (int u = 0; u < TEXTURE_SIZE; ++u) {
            first[u] = TEXTURE_SIZE;  // none yet: first > last
            last[u] = 0;
        }
        for (int v = 0; v < TEXTURE_SIZE; ++v) {
            const uint8_t* row = TextureBank + t * TEXTURE_TEXELS + v * TEXTURE_SIZE;
            const uint8_t here = static_cast<uint8_t>(v);
            for (int u = 0; u < TEXTURE_SIZE; ++u) {
                const bool opaque = row[u] != TRANSPARENT_TEXEL;
                first[u] = std::min(first[u], opaque ? here : uint8_t{TEXTURE_SIZE});
                last[u] = std::max(last[u], opaque ? here : uint8_t{0});
            }
        }
        for (int u = 0; u < TEXTURE_SIZE; ++u) OpaqueRowSpans[t][u] = {first[u], last[u]};
    }
}

void CaptureUseTarget(int column) {
    if (column != CENTRE_COLUMN) return;
    // Either walk counts, drawn or not; the y-line walk's door wins.
    const RayHit* seen = YLineHit.doorSeen ? &YLineHit : XLineHit.doorSeen ? &XLineHit : nullptr;
    if (seen == nullptr) return;
    UseRequest = 1;
    UseTarget[0] = static_cast<int32_t>(seen->firstDoorX);
    UseTarget[1] = static_cast<int32_t>(seen->firstDoorY);
}

void ColumnPass() {
    // The figures are the same for every column of the frame, so they are
    // listed once, and the first column's sprite step draws every span whole.
    // Each later step draws only its own column, and that draws the same
    // cells: a full span pass leaves every entry it visits at or below the key
    // of every figure tried there, and entries only go down until the wall
    // step of their own column resets them. So once column 0's step has run
    // (always the first: a stop ends the pass), a later step c finds nothing
    // to draw in a column right of c (its entry has only gone down since
    // column 0's step tried every figure there) nor left of c (likewise since
    // that column's own step).
    static FigureList figures;
    UseRequest = 0;
    CarriedWallDistance = 10;
    const Viewpoint view = CurrentViewpoint();  // nothing moves while the frame is drawn
    for (int c = 0; c < SCREEN_WIDTH; ++c) {
        const ColumnResult r = CastColumn(view, c);
        if (r.stop) break;
        if (r.height < SCREEN_HEIGHT) DrawFloorAndCeiling(c, r.angle, r.height);
        if (c == 0) {
            BuildFigureList(figures);
            DrawFigureSpans(figures);
        } else if (figures.crossingCount[c] > 0) {
            DrawFigureColumn(figures, c);
        }
        CaptureUseTarget(c);
    }
}

}  // namespace fg
