#include "render/sprites.h"

#include <utility>

#include "assets/asset_set.h"
#include "render/angle_tables.h"
#include "render/caster.h"
#include "world/player.h"

namespace fg {

namespace {

// One list for the whole run; each call writes every entry it reads.
Actor SpriteList[ACTOR_CAPACITY];

constexpr int VIEW_OFFSET = 135;  // angle units from heading difference to view 0's middle

}  // namespace

void SortSpritesByDepth(Actor* list, int left, int right) {
    for (;;) {
        int i = left;
        int j = right;
        const double pivot = list[(left + right) / 2].depth;  // by value: it does not follow its entry
        for (;;) {
            while (list[i].depth > pivot) ++i;
            while (list[j].depth < pivot) --j;
            if (i > j) break;
            std::swap(list[i], list[j]);
            ++i;
            --j;
            if (i > j) break;
        }
        if (left < j) SortSpritesByDepth(list, left, j);
        if (i >= right) return;
        left = i;
    }
}

void DrawSprites() {
    const int a = Player.angle;
    const double s = SinTable[WrapAngle(a)];
    const double c = SinTable[WrapAngle(a + 120)];
    int visible = 0;
    for (int i = 0; i < ACTOR_COUNT; ++i) {
        Actor& e = SpriteList[visible];
        e.dx = ActorTable[i].x - Player.x;
        e.dy = ActorTable[i].y - Player.y;
        e.depth = s * e.dx + c * e.dy;
        if (!(e.depth > 0)) continue;  // beside or behind the player
        e.lateral = SinTable[WrapAngle(a + 120)] * e.dx + SinTable[WrapAngle(a + 240)] * e.dy;
        e.heading = ActorTable[i].heading;
        e.frame = ActorTable[i].frame;
        ++visible;
    }
    if (visible > 1) SortSpritesByDepth(SpriteList, 0, visible - 1);

    for (int n = 0; n < visible; ++n) {
        const Actor& e = SpriteList[n];
        const int v = WrapAngle(a - e.heading + VIEW_OFFSET);
        const double q = SCREEN_HEIGHT / e.depth;
        if (q < 1 || q >= MAX_COLUMN_HEIGHT) continue;  // too far, or on the player's spot
        const int size = static_cast<int>(q);
        const int centre = static_cast<int>(CENTRE_COLUMN - (SCREEN_WIDTH / e.depth) * e.lateral);
        const int key = static_cast<int>(e.depth * e.depth);
        const int view = ((v * SPRITE_VIEWS) / ANGLE_STEPS) % SPRITE_VIEWS;
        const int texture = view + SPRITE_VIEWS * e.frame + FIRST_SPRITE_TEXTURE;
        const float factor = static_cast<float>(2 / (e.depth + 0.5));
        const int half = size / 2;
        // Off-screen span columns are skipped: a column's texture column
        // depends only on its place k in the span.
        int k = 0;
        if (centre - half < 0) k = -(centre - half);
        for (; k <= 2 * half; ++k) {
            const int x = centre - half + k;
            if (x >= SCREEN_WIDTH) break;
            if (!(DepthBuffer[x] > key)) continue;
            DrawTextureColumn(texture, (64 * k) / size, x, size, factor);
            DepthBuffer[x] = key;  // even where every texel was transparent
        }
    }
}

}  // namespace fg
