// The figures: flat upright images scaled by depth, drawn farthest first and
// hidden column by column behind nearer surfaces through the DepthBuffer.
#pragma once

#include <cstdint>

#include "console/platform.h"
#include "render/shade_table.h"
#include "world/actors.h"

namespace fg {

// One figure ready to draw: everything that depends only on the player and
// the actor, worked out once per frame.
struct FigureSpan {
    int texture;
    int first;  // span columns first..last, both included; may reach off screen
    int last;
    int size;                // height N, 1..2499; the span's k-th column shows texture column 64 k / N
    int key;                 // trunc(depth * depth), compared with and written to the DepthBuffer
    const CHAR_INFO* cells;  // ShadeCellsAt the factor 2 / (depth + 0.5), rounded to single precision
};

// The figures of the frame, farthest first; figures too far or on the
// player's spot are left out. Each screen column lists the figures whose span
// crosses it, in the same order, so a column's sprite step visits only those.
struct FigureList {
    FigureSpan spans[ACTOR_CAPACITY];
    int count;
    uint8_t crossing[SCREEN_WIDTH][ACTOR_CAPACITY];  // indexes into spans
    int crossingCount[SCREEN_WIDTH];
};
static_assert(ACTOR_CAPACITY <= 256, "span indexes are bytes");

// Lists the actors in front of the player, sorts them farthest first and
// works out each one's span, size, key and shading.
void BuildFigureList(FigureList& list);
// Draws every listed figure over its whole span, in list order, where it is
// nearer than the DepthBuffer entry, lowering the entry to its key.
void DrawFigureSpans(const FigureList& list);
// The same, for screen column x alone.
void DrawFigureColumn(const FigureList& list, int x);

// The sprite step on its own: builds the list and draws every span whole.
void DrawSprites();

// Sorts entries left..right (0 <= left < right) into descending depth; a
// Hoare quicksort whose order of equal depths is part of the picture.
void SortSpritesByDepth(Actor* list, int left, int right);

}  // namespace fg
