#include "world/doors.h"

#include <cstring>

#include "assets/level.h"
#include "console/keyboard.h"

namespace fg {

DoorMotion DoorMotionTable[DOOR_SLOT_COUNT];
uint8_t UseRequest;
int32_t UseTarget[2];

void UseDoor() {
    if (!KeyState[VK_SPACE] || !UseRequest) return;
    const int32_t tx = UseTarget[0];
    const int32_t ty = UseTarget[1];
    for (DoorMotion& slot : DoorMotionTable) {
        const bool free = slot.rate == 0;
        if (!free && !(slot.x == tx && slot.y == ty)) continue;
        slot.x = tx;
        slot.y = ty;
        // A door already moving keeps its direction: using it again does nothing.
        if (free) slot.rate = DoorClosureGrid[tx][ty] > 0.5 ? -DOOR_RATE : DOOR_RATE;
        return;
    }
}

void UpdateDoors(double elapsed) {
    for (DoorMotion& slot : DoorMotionTable) {
        if (slot.rate == 0) continue;
        double& closure = DoorClosureGrid[slot.x][slot.y];
        closure = elapsed * slot.rate + closure;
        if (closure < 0.0) {
            closure = 0.0;
            slot.rate = 0;
        } else if (closure > 1.0) {
            closure = 1.0;
            slot.rate = 0;
        }
    }
}

void ResetDoors() { std::memset(DoorMotionTable, 0, sizeof DoorMotionTable); }

}  // namespace fg
