// The level image's layout, the one place the game and the tools take it
// from: two bytes of start corner (x, y), then the wall, floor and ceiling
// layers, each MAP_SIZE rows (y) of MAP_SIZE bytes (x). tools/art_format.py
// keeps a copy for the Python tools; a test holds the two equal.
#pragma once

namespace fg {

constexpr int MAP_SIZE = 64;

constexpr int LEVEL_START_BYTES = 2;
constexpr int LEVEL_LAYER_BYTES = MAP_SIZE * MAP_SIZE;
constexpr int WALL_LAYER = 0;
constexpr int FLOOR_LAYER = 1;
constexpr int CEILING_LAYER = 2;
constexpr int LEVEL_LAYER_COUNT = 3;
constexpr int LEVEL_IMAGE_BYTES = LEVEL_START_BYTES + LEVEL_LAYER_COUNT * LEVEL_LAYER_BYTES;

// A wall-layer byte b: 0 empty, 1..63 a wall of texture b, DOOR_BYTE_BASE
// empty too, and DOOR_BYTE_BASE + t (up to 127) a door of texture t.
constexpr int DOOR_BYTE_BASE = 64;
constexpr int LAST_DOOR_BYTE = 127;

// Where the byte of cell (x, y) of a layer lies in the image.
constexpr int LevelByteIndex(int layer, int x, int y) {
    return LEVEL_START_BYTES + layer * LEVEL_LAYER_BYTES + y * MAP_SIZE + x;
}

}  // namespace fg
