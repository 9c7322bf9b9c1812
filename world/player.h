// The player: turning, walking, and the one collision test of the world.
#pragma once

namespace fg {

struct PlayerState {
    double x;  // cell units along the first grid index
    double y;
    int angle;         // 0..479; larger angles turn left
    double turnInput;  // -120, 0 or +120
    double moveInput;  // -1 (forward), 0 or +1 (backward)
};

extern PlayerState Player;

constexpr double COLLISION_HALF_SIZE = 0.2;
constexpr double DOOR_BLOCKING_CLOSURE = 0.2;

// Puts the player on the level's start corner (LevelImage bytes 0 and 1, no
// half-cell offset). Part of loading the level: runs right after LoadLevel.
void PlacePlayer();
// Right beats left and down (backward) beats up (forward).
void ReadMotionKeys();
// Turns, then moves along the new heading with collision, x axis before y axis.
void MovePlayer(double elapsed);
// True for a wall, a door closed to DOOR_BLOCKING_CLOSURE or more, the door held
// by the first door slot while it moves, and any cell outside the grid.
bool CellBlocks(int cellX, int cellY);
// True if the 0.4-wide box centred on (px, py) touches a blocking cell or
// reaches outside the grid.
bool Collides(double px, double py);

void ResetPlayer();  // for tests: everything zero

}  // namespace fg
