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
        const double wx = px + d * sinA;
        const double wy = py + d * cosA;
        if (!(wx >= 0 && wx < MAP_SIZE && wy >= 0 && wy < MAP_SIZE)) continue;
        const int cellX = static_cast<int>(wx);
        const int cellY = static_cast<int>(wy);
        const int floor = FloorGrid[cellX][cellY];
        const int ceiling = CeilingGrid[cellX][cellY];
        // Both are non-negative here, so the remainder is the low six bits.
        const int v = static_cast<int>(wy * 64) & (TEXTURE_SIZE - 1);
        const int u = static_cast<int>(wx * 64) & (TEXTURE_SIZE - 1);
        const int texel = v * TEXTURE_SIZE + u;
        // Floor row 50 - top is never drawn: it is the wall's (for an odd
        // height the floor instead overwrites the wall's last row).
        if (j != top - 1 && Drawable(floor))
            *floorCell = ShadeFloorTexel(TextureBank[floor * TEXTURE_TEXELS + texel], levels[j]);
        if (Drawable(ceiling)) *ceilingCell = ShadeFloorTexel(TextureBank[ceiling * TEXTURE_TEXELS + texel], levels[j]);
    }
}

}  // namespace fg
