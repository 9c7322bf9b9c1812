#include "render/sprites.h"

#include <utility>

#include "assets/asset_set.h"
#include "render/caster.h"
#include "world/angle_tables.h"
#include "world/player.h"

namespace fg {

namespace {

// The actors in view space, rebuilt for each list; each build writes every
// entry it reads.
Actor SpriteList[ACTOR_CAPACITY];

constexpr int VIEW_OFFSET = 135;  // angle units from heading difference to view 0's middle

// The actors in front of the player, farthest first; returns how many.
int ListVisibleActors(int a) {
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
    return visible;
}

void DrawSpanColumn(const FigureSpan& f, int x) {
    if (!(DepthBuffer[x] > f.key)) return;
    DrawShadedColumn(f.texture, (TEXTURE_SIZE * (x - f.first)) / f.size, x, f.size, f.cells);
    DepthBuffer[x] = f.key;  // even where every texel was transparent
}

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

void BuildFigureList(FigureList& list) {
    const int a = Player.angle;
    const int visible = ListVisibleActors(a);
    list.count = 0;
    for (int n = 0; n < visible; ++n) {
        const Actor& e = SpriteList[n];
        const double q = SCREEN_HEIGHT / e.depth;
        if (q < 1 || q >= MAX_COLUMN_HEIGHT) continue;  // too far, or on the player's spot
        FigureSpan& f = list.spans[list.count++];
        const int v = WrapAngle(a - e.heading + VIEW_OFFSET);
        const int view = ((v * SPRITE_VIEWS) / ANGLE_STEPS) % SPRITE_VIEWS;
        const int centre = static_cast<int>(CENTRE_COLUMN - (SCREEN_WIDTH / e.depth) * e.lateral);
        f.size = static_cast<int>(q);
        f.first = centre - f.size / 2;
        f.last = centre + f.size / 2;
        f.key = static_cast<int>(e.depth * e.depth);
        f.texture = view + SPRITE_VIEWS * e.frame + FIRST_SPRITE_TEXTURE;
        f.cells = ShadeCellsAt(static_cast<float>(2 / (e.depth + 0.5)));
    }
    for (int& n : list.crossingCount) n = 0;
    for (int n = 0; n < list.count; ++n) {
        const FigureSpan& f = list.spans[n];
        const int from = f.first < 0 ? 0 : f.first;
        const int to = f.last >= SCREEN_WIDTH ? SCREEN_WIDTH - 1 : f.last;
        for (int x = from; x <= to; ++x) list.crossing[x][list.crossingCount[x]++] = static_cast<uint8_t>(n);
    }
}

void DrawFigureSpans(const FigureList& list) {
    for (int n = 0; n < list.count; ++n) {
        const FigureSpan& f = list.spans[n];
        // Off-screen span columns are skipped: a column's texture column
        // depends only on its place in the span.
        const int from = f.first < 0 ? 0 : f.first;
        const int to = f.last >= SCREEN_WIDTH ? SCREEN_WIDTH - 1 : f.last;
        for (int x = from; x <= to; ++x) DrawSpanColumn(f, x);
    }
}

void DrawFigureColumn(const FigureList& list, int x) {
    for (int i = 0; i < list.crossingCount[x]; ++i) DrawSpanColumn(list.spans[list.crossing[x][i]], x);
}

void DrawSprites() {
    static FigureList list;
    BuildFigureList(list);
    DrawFigureSpans(list);
}

}  // namespace fg
