// Shared set-up for tests that build small worlds by hand.
#pragma once

#include <cstring>

#include "app/frame_loop.h"
#include "assets/asset_set.h"
#include "assets/level.h"
#include "console/frame_buffer.h"
#include "console/keyboard.h"
#include "render/caster.h"
#include "render/floor_ceiling.h"
#include "render/shade_table.h"
#include "world/actors.h"
#include "world/angle_tables.h"
#include "world/doors.h"
#include "world/player.h"

namespace fg::test {

// An empty world: no walls, floors or ceilings, every closure 1.0, every door
// slot free, no actors, every key up, zero frame and depth buffers, zero
// textures; the shade and angle tables built.
inline void ResetWorld() {
    std::memset(WallGrid, 0, sizeof WallGrid);
    std::memset(FloorGrid, 0, sizeof FloorGrid);
    std::memset(CeilingGrid, 0, sizeof CeilingGrid);
    for (auto& column : DoorClosureGrid)
        for (double& closure : column) closure = 1.0;
    std::memset(TextureBank, 0, sizeof TextureBank);
    std::memset(FrameBuffer, 0, sizeof FrameBuffer);
    std::memset(DepthBuffer, 0, sizeof DepthBuffer);
    ResetWorldState();
    BuildTables();
}

// The cells the collision box at (px, py) covers are exactly those between the
// truncated corners, so "touches" uses the same cut as the collision test.
inline bool BoxTouches(double px, double py, int cx, int cy) {
    const int x0 = static_cast<int>(px - COLLISION_HALF_SIZE);
    const int x1 = static_cast<int>(px + COLLISION_HALF_SIZE);
    const int y0 = static_cast<int>(py - COLLISION_HALF_SIZE);
    const int y1 = static_cast<int>(py + COLLISION_HALF_SIZE);
    return x0 <= cx && cx <= x1 && y0 <= cy && cy <= y1;
}

// Walls of texture `texture` around the rectangle x0..x1, y0..y1 (inclusive).
inline void WallRing(int x0, int y0, int x1, int y1, int texture) {
    for (int x = x0; x <= x1; ++x) WallGrid[x][y0] = WallGrid[x][y1] = texture;
    for (int y = y0; y <= y1; ++y) WallGrid[x0][y] = WallGrid[x1][y] = texture;
}

}  // namespace fg::test
