// Sliding doors: closure 1.0 closed .. 0.0 open, moved through a table of slots.
#pragma once

#include <cstdint>

namespace fg {

constexpr int DOOR_SLOT_COUNT = 32;
constexpr double DOOR_RATE = 0.001;  // closure per ms: a full swing takes a second

struct DoorMotion {
    int32_t x;
    int32_t y;
    double rate;  // -DOOR_RATE opening, +DOOR_RATE closing, 0 a free slot
};

extern DoorMotion DoorMotionTable[DOOR_SLOT_COUNT];

// The door seen by the centre column of the last column pass, for the next
// frame's use key. Written only by the renderer; UseTarget is a cell inside the
// grid whenever UseRequest is set.
extern uint8_t UseRequest;
extern int32_t UseTarget[2];

// While space is down and the last pass saw a door: gives that door the first
// slot that is free or already moves it. A fresh slot opens a door that is more
// than half closed and closes any other.
void UseDoor();
// Moves every active door; a door that passes fully open or closed stops
// there and frees its slot.
void UpdateDoors(double elapsed);

void ResetDoors();  // for tests: every slot free

}  // namespace fg
