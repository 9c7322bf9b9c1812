#include "render/floor_ceiling.h"

#include "assets/asset_set.h"
#include "assets/level.h"
#include "console/frame_buffer.h"
#include "render/angle_tables.h"
#include "render/caster.h"
#include "render/shade_table.h"
#include "world/player.h"

namespace fg {

uint8_t FloorShadeLevels[SCREEN_WIDTH][SCREEN_HEIGHT / 2][8];

namespace {

constexpr double GRID_TEXELS = MAP_SIZE * TEXTURE_SIZE;  // texels across the grid

bool Drawable(int texture) { return texture >= 1 && texture <= 63; }

// The same rule as ShadeTexel, with the factor kept in double precision.
uint8_t FloorLevel(double factor, int brightness) {
    const double product = factor * brightness;
    if (product >= 8.0) return 7;
    if (product > 0.0) return static_cast<uint8_t>(product);
    return 0;
}

CHAR_INFO ShadeFloorTexel(uint8_t texel, const uint8_t* levels) {
    return ShadeTable[(texel & 7) * 8 + levels[(texel >> 3) & 7]];
}

}  // namespace

void BuildFloorShadeLevels() {
    for (int c = 0; c < SCREEN_WIDTH; ++c)
        for (int j = 0; j < HORIZON_ROW; ++j) {
            const double factor = 2 / (RowDistanceTable[c][j] + 0.5);
            for (int b = 0; b < 8; ++b) FloorShadeLevels[c][j][b] = FloorLevel(factor, b);
        }
}

void DrawFloorAndCeiling(int column, int angle, int height) {
    const int top = HORIZON_ROW - height / 2;
    if (top <= 0) return;
    const double px = Player.x;
    const double py = Player.y;
    const double sinA = SinTable[angle];
    const double cosA = SinTable[WrapAngle(angle + 120)];
    const double* distances = RowDistanceTable[column];
    const uint8_t(*levels)[8] = FloorShadeLevels[column];
    CHAR_INFO* ceilingCell = FrameBuffer + column;
    CHAR_INFO* floorCell = FrameBuffer + (SCREEN_HEIGHT - 1) * SCREEN_WIDTH + column;
    for (int j = 0; j < top; ++j, ceilingCell += SCREEN_WIDTH, floorCell -= SCREEN_WIDTH) {
        const double d = distances[j];
        // Scaled by 64, exactly: the whole part names the cell in its high
        // bits and the texel in its low six.
        const double sx = (px + d * sinA) * TEXTURE_SIZE;
        const double sy = (py + d * cosA) * TEXTURE_SIZE;
        if (!(sx >= 0 && sx < GRID_TEXELS && sy >= 0 && sy < GRID_TEXELS)) continue;
        const int ix = static_cast<int>(sx);
        const int iy = static_cast<int>(sy);
        const int floor = FloorGrid[ix >> 6][iy >> 6];
        const int ceiling = CeilingGrid[ix >> 6][iy >> 6];
        const int texel = (iy & (TEXTURE_SIZE - 1)) * TEXTURE_SIZE + (ix & (TEXTURE_SIZE - 1));
        // Floor row 50 - top is never drawn: it is the wall's (for an odd
        // height the floor instead overwrites the wall's last row).
        if (j != top - 1 && Drawable(floor))
            *floorCell = ShadeFloorTexel(TextureBank[floor * TEXTURE_TEXELS + texel], levels[j]);
        if (Drawable(ceiling)) *ceilingCell = ShadeFloorTexel(TextureBank[ceiling * TEXTURE_TEXELS + texel], levels[j]);
    }
}

}  // namespace fg
