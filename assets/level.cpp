#include "assets/level.h"

#include "assets/asset_set.h"

namespace fg {

int32_t WallGrid[MAP_SIZE][MAP_SIZE];
int32_t FloorGrid[MAP_SIZE][MAP_SIZE];
int32_t CeilingGrid[MAP_SIZE][MAP_SIZE];
double DoorClosureGrid[MAP_SIZE][MAP_SIZE];

void LoadLevel() {
    const uint8_t* b = LevelImage + 2;
    int32_t(*layers[3])[MAP_SIZE] = {WallGrid, FloorGrid, CeilingGrid};
    for (int layer = 0; layer < 3; ++layer)
        for (int y = 0; y < MAP_SIZE; ++y)
            for (int x = 0; x < MAP_SIZE; ++x) {
                const int32_t value = *b++;
                layers[layer][x][y] = (layer == 0 && value >= 64) ? 64 - value : value;
                DoorClosureGrid[x][y] = 1.0;
            }
}

}  // namespace fg
