// Screen helpers for renderer tests: a sentinel cell no renderer step writes,
// and ways to compare what a column shows with what DrawTextureColumn draws.
#pragma once

#include <array>
#include <cstring>
#include <vector>

#include "assets/asset_set.h"
#include "console/frame_buffer.h"
#include "render/caster.h"

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

}  // namespace fg::test
