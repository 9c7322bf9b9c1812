#include "world/player.h"

#include "assets/asset_set.h"
#include "assets/level.h"
#include "console/keyboard.h"
#include "world/angle_tables.h"
#include "world/doors.h"

namespace fg {

PlayerState Player;

namespace {

constexpr double TURN_SCALE = 1.0 / 512;  // 120/512 angle units per ms
constexpr double WALK_SCALE = 1.0 / 256;  // cells per ms

}  // namespace

void PlacePlayer() {
    Player.x = LevelImage[0];
    Player.y = LevelImage[1];
}

void ReadMotionKeys() {
    Player.turnInput = KeyState[VK_RIGHT] ? 120 : KeyState[VK_LEFT] ? -120 : 0;
    Player.moveInput = KeyState[VK_DOWN] ? 1 : KeyState[VK_UP] ? -1 : 0;
}

void MovePlayer(double elapsed) {
    const double turned = Player.angle - elapsed * Player.turnInput * TURN_SCALE;
    Player.angle = WrapAngle(static_cast<int32_t>(turned));

    const double newX = Player.x - SinTable[Player.angle] * WALK_SCALE * elapsed * Player.moveInput;
    const double newY =
        Player.y - SinTable[WrapAngle(Player.angle + 120)] * WALK_SCALE * elapsed * Player.moveInput;
    if (!Collides(newX, Player.y)) Player.x = newX;
    if (!Collides(Player.x, newY)) Player.y = newY;
}

bool CellBlocks(int cellX, int cellY) {
    if (cellX < 0 || cellX >= MAP_SIZE || cellY < 0 || cellY >= MAP_SIZE) return true;
    const int w = WallGrid[cellX][cellY];
    if (w > 0) return true;
    if (w == 0) return false;
    const DoorMotion& first = DoorMotionTable[0];
    if (first.rate != 0 && first.x == cellX && first.y == cellY) return true;
    return DoorClosureGrid[cellX][cellY] >= DOOR_BLOCKING_CLOSURE;
}

bool Collides(double px, double py) {
    const double r = COLLISION_HALF_SIZE;
    const double left = px - r, top = py - r, right = px + r, bottom = py + r;
    // Outside the grid counts as solid; truncation would take -0.5 to cell 0.
    if (!(left >= 0 && top >= 0 && right < MAP_SIZE && bottom < MAP_SIZE)) return true;
    const int x0 = static_cast<int>(left), y0 = static_cast<int>(top);
    const int x1 = static_cast<int>(right), y1 = static_cast<int>(bottom);
    return CellBlocks(x0, y0) || CellBlocks(x1, y0) || CellBlocks(x0, y1) || CellBlocks(x1, y1);
}

void ResetPlayer() { Player = PlayerState{}; }

}  // namespace fg
