// The figures: flat upright images scaled by depth, drawn farthest first and
// hidden column by column behind nearer surfaces through the DepthBuffer.
#pragma once

#include "world/actors.h"

namespace fg {

// One call per screen column, after the column's wall, floor and ceiling:
// lists the actors in front of the player, sorts them farthest first and draws
// every figure over its whole span.
void DrawSprites();

// Sorts entries left..right (0 <= left < right) into descending depth; a
// Hoare quicksort whose order of equal depths is part of the picture.
void SortSpritesByDepth(Actor* list, int left, int right);

}  // namespace fg
