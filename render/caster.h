// The column pass: for each screen column a ray through the wall grid, the
// textured wall or door column it finds, then floor, ceiling and figures.
#pragma once

#include <cstdint>

#include "assets/asset_set.h"
#include "console/platform.h"
#include "render/shade_table.h"

namespace fg {

constexpr int CENTRE_COLUMN = 40;
constexpr int HORIZON_ROW = 25;
constexpr int MAX_COLUMN_HEIGHT = 2500;  // heights from here up are not drawn

// The working record of one grid walk. The y-line walk visits the crossings of
// the lines y = integer, the x-line walk those of x = integer.
struct RayHit {
    double x;  // the walk's point; finally where it stopped
    double y;
    double stepX;
    double stepY;
    double squaredDistance;
    int xDecreasing;  // set by the x-line walk only
    int yDecreasing;  // set by the y-line walk only
    int wallValue;    // the last WallGrid value read; kept from column to column
    bool doorSeen;
    double closure;     // closure of the door panel that stopped the walk, else 0
    double firstDoorX;  // indices of the first door cell read
    double firstDoorY;
    bool firstDoorRecorded;
    bool leftGrid;  // stopped outside the grid without meeting a wall or door
};

extern RayHit YLineHit;
extern RayHit XLineHit;

// Squared straight-line distance of the nearest surface drawn in each column
// this frame; figures lower it to their depth key where they draw.
extern double DepthBuffer[SCREEN_WIDTH];
// The previous column's corrected distance; 10 before column 0.
extern double CarriedWallDistance;

struct ColumnResult {
    int angle;   // the ray's angle, 0..479
    int height;  // projected wall height N
    bool stop;   // a negative texture column ends the pass
};

void ColumnPass();
ColumnResult CastWallColumn(int column);
// Draws texture column u of texture t into screen column x, scaled to height N
// about the horizon; transparent texels leave the cell as it was.
void DrawTextureColumn(int texture, int u, int x, int height, float factor);
// The same with the factor's row of ShadeCells (ShadeCellsAt) looked up beforehand.
void DrawShadedColumn(int texture, int u, int x, int height, const CHAR_INFO* cells);
void CaptureUseTarget(int column);

// The texture rows of each texture column (by texture, then column) that hold
// every texel there that is not transparent: first..last, or first > last
// where the whole column is transparent. A figure column then skips the
// screen rows above and below its figure instead of reading each one's texel.
// Built from TextureBank with the start-up tables; the bank does not change
// while the game runs. A change that only makes texels transparent needs no
// rebuild (the spans stay wide enough); one that makes a transparent texel
// opaque does.
struct TextureRowSpan {
    uint8_t first;
    uint8_t last;
};
extern TextureRowSpan OpaqueRowSpans[TEXTURE_COUNT][TEXTURE_SIZE];
void BuildOpaqueRowSpans();

}  // namespace fg
