// Screen helpers for renderer tests: a sentinel cell no renderer step writes,
// and ways to compare what a column shows with what DrawTextureColumn draws.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "assets/asset_set.h"
#include "assets/level.h"
#include "console/frame_buffer.h"
#include "render/caster.h"
#include "render/floor_ceiling.h"
#include "render/shade_table.h"
#include "tests/test_support.h"
#include "world/actors.h"
#include "world/angle_tables.h"
#include "world/doors.h"
#include "world/player.h"

namespace fg::test {

inline constexpr CHAR_INFO SENTINEL{'?', 0x70};  // no renderer step ever writes this cell

using Column = std::array<CHAR_INFO, SCREEN_HEIGHT>;

inline bool Same(const CHAR_INFO& a, const CHAR_INFO& b) {
    return a.character == b.character && a.attributes == b.attributes;
}
inline CHAR_INFO& Cell(int row, int column) { return FrameBuffer[row * SCREEN_WIDTH + column]; }
inline bool Untouched(int row, int column) { return Same(Cell(row, column), SENTINEL); }
inline void FillSentinel() {
    for (CHAR_INFO& c : FrameBuffer) c = SENTINEL;
}
inline bool ColumnUntouched(int x) {
    for (int r = 0; r < SCREEN_HEIGHT; ++r)
        if (!Untouched(r, x)) return false;
    return true;
}
inline bool FrameUntouched() {
    for (const CHAR_INFO& c : FrameBuffer)
        if (!Same(c, SENTINEL)) return false;
    return true;
}
inline Column ColumnOf(int x) {
    Column out;
    for (int r = 0; r < SCREEN_HEIGHT; ++r) out[r] = Cell(r, x);
    return out;
}
inline bool SameColumn(const Column& a, const Column& b) {
    for (int r = 0; r < SCREEN_HEIGHT; ++r)
        if (!Same(a[r], b[r])) return false;
    return true;
}
// Screen column x as DrawTextureColumn(t, u, x, n, f) draws it over sentinel
// cells (DrawTextureColumn itself is pinned by the tests at the top).
inline Column Reference(int t, int u, int x, int n, float f) {
    static CHAR_INFO saved[SCREEN_WIDTH * SCREEN_HEIGHT];
    std::memcpy(saved, FrameBuffer, sizeof saved);
    for (int r = 0; r < SCREEN_HEIGHT; ++r) Cell(r, x) = SENTINEL;
    DrawTextureColumn(t, u, x, n, f);
    const Column out = ColumnOf(x);
    std::memcpy(FrameBuffer, saved, sizeof saved);
    return out;
}
// The texture columns u for which screen column x looks as texture t drawn at
// height n with factor f would.
inline std::vector<int> MatchingTextureColumns(int x, int t, int n, float f) {
    std::vector<int> found;
    const Column actual = ColumnOf(x);
    for (int u = 0; u < TEXTURE_SIZE; ++u)
        if (SameColumn(actual, Reference(t, u, x, n, f))) found.push_back(u);
    return found;
}

inline uint8_t& Texel(int t, int v, int u) { return TextureBank[t * TEXTURE_TEXELS + v * TEXTURE_SIZE + u]; }
inline void FillUniformTexture(int t, uint8_t texel) {
    std::memset(TextureBank + t * TEXTURE_TEXELS, texel, TEXTURE_TEXELS);
}

// A fingerprint (FNV-1a) of the state a column pass only reads: the grids,
// the textures, the tables and the actors.
inline uint64_t ReadOnlyWorld() {
    uint64_t hash = FNV1A_START;
    const auto add = [&](const void* data, size_t size) { hash = Fnv1a(data, size, hash); };
    add(WallGrid, sizeof WallGrid);
    add(FloorGrid, sizeof FloorGrid);
    add(CeilingGrid, sizeof CeilingGrid);
    add(SurfaceGrid, sizeof SurfaceGrid);
    add(DoorClosureGrid, sizeof DoorClosureGrid);
    add(TextureBank, sizeof TextureBank);
    add(ShadeTable, sizeof ShadeTable);
    add(SinTable, sizeof SinTable);
    add(TanTable, sizeof TanTable);
    add(RowDistanceTable, sizeof RowDistanceTable);
    add(ActorTable, sizeof ActorTable);
    add(&ACTOR_COUNT, sizeof ACTOR_COUNT);
    return hash;
}

// After a pass over a sentinel-filled frame: every cell the sentinel or a
// shade-table cell, every depth a number not below zero, and a use target, if
// one was taken, inside the grid.
inline testing::AssertionResult PassLeftASoundFrame() {
    for (int i = 0; i < SCREEN_WIDTH * SCREEN_HEIGHT; ++i) {
        bool known = Same(FrameBuffer[i], SENTINEL);
        for (const CHAR_INFO& shade : ShadeTable) known = known || Same(FrameBuffer[i], shade);
        if (!known)
            return testing::AssertionFailure()
                   << "row " << i / SCREEN_WIDTH << " column " << i % SCREEN_WIDTH << " holds "
                   << FrameBuffer[i].character << "/" << FrameBuffer[i].attributes;
    }
    for (int x = 0; x < SCREEN_WIDTH; ++x)
        if (std::isnan(DepthBuffer[x]) || DepthBuffer[x] < 0)
            return testing::AssertionFailure() << "depth " << DepthBuffer[x] << " in column " << x;
    if (UseRequest != 0 &&
        (UseTarget[0] < 0 || UseTarget[0] >= MAP_SIZE || UseTarget[1] < 0 || UseTarget[1] >= MAP_SIZE))
        return testing::AssertionFailure() << "use target " << UseTarget[0] << ", " << UseTarget[1];
    return testing::AssertionSuccess();
}

}  // namespace fg::test
