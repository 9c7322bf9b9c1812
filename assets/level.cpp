#include "assets/level.h"

#include "assets/asset_set.h"

namespace fg {

int32_t WallGrid[MAP_SIZE][MAP_SIZE];
int32_t FloorGrid[MAP_SIZE][MAP_SIZE];
int32_t CeilingGrid[MAP_SIZE][MAP_SIZE];
double DoorClosureGrid[MAP_SIZE][MAP_SIZE];

void LoadLevel() {
    const uint8_t* b = LevelImage + LEVEL_START_BYTES;
    int32_t(*layers[LEVEL_LAYER_COUNT])[MAP_SIZE] = {WallGrid, FloorGrid, CeilingGrid};
    for (int layer = 0; layer < LEVEL_LAYER_COUNT; ++layer)
        for (int y = 0; y < MAP_SIZE; ++y)
            for (int x = 0; x < MAP_SIZE; ++x) {
                const int32_t value = *b++;
                layers[layer][x][y] =
                    (layer == WALL_LAYER && value >= DOOR_BYTE_BASE) ? DOOR_BYTE_BASE - value : value;
                DoorClosureGrid[x][y] = 1.0;
            }
}

}  // namespace fg
