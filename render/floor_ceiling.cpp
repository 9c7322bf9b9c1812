#include "render/floor_ceiling.h"

#include "assets/asset_set.h"
#include "assets/level.h"
#include "console/frame_buffer.h"
#include "render/angle_tables.h"
#include "render/caster.h"
#include "render/shade_table.h"
#include "world/player.h"

namespace fg {

namespace {

// The same rule as ShadeTexel, with the factor kept in double precision.
CHAR_INFO ShadeFloorTexel(int texel, double factor) {
    const double product = factor * ((texel >> 3) & 7);
    int level = 0;
    if (product >= 8.0) level = 7;
    else if (product > 0.0) level = static_cast<int>(product);
    return ShadeTable[(texel & 7) * 8 + level];
}

bool Drawable(int texture) { return texture >= 1 && texture <= 63; }

}  // namespace

void DrawFloorAndCeiling(int column, int angle, int height) {
    const int top = HORIZON_ROW - height / 2;
    if (top <= 0) return;
    const double sinA = SinTable[angle];
    const double cosA = SinTable[WrapAngle(angle + 120)];
    for (int j = 0; j < top; ++j) {
        const double d = RowDistanceTable[column][j];
        const double wx = Player.x + d * sinA;
        const double wy = Player.y + d * cosA;
        if (!(wx >= 0 && wx < MAP_SIZE && wy >= 0 && wy < MAP_SIZE)) continue;
        const int cellX = static_cast<int>(wx);
        const int cellY = static_cast<int>(wy);
        const int floor = FloorGrid[cellX][cellY];
        const int ceiling = CeilingGrid[cellX][cellY];
        const int v = static_cast<int>(wy * TEXTURE_SIZE) % TEXTURE_SIZE;
        const int u = static_cast<int>(wx * TEXTURE_SIZE) % TEXTURE_SIZE;
        const double factor = 2 / (d + 0.5);
        // Floor row 50 - top is never drawn: it is the wall's (for an odd
        // height the floor instead overwrites the wall's last row).
        if (j != top - 1 && Drawable(floor))
            FrameBuffer[(SCREEN_HEIGHT - 1 - j) * SCREEN_WIDTH + column] =
                ShadeFloorTexel(TextureBank[floor * TEXTURE_TEXELS + v * TEXTURE_SIZE + u], factor);
        if (Drawable(ceiling))
            FrameBuffer[j * SCREEN_WIDTH + column] =
                ShadeFloorTexel(TextureBank[ceiling * TEXTURE_TEXELS + v * TEXTURE_SIZE + u], factor);
    }
}

}  // namespace fg
