// The wandering figures.
#pragma once

#include <cstdint>

namespace fg {

// One actor; the same record serves as a sprite list entry, which fills the
// view-space fields dx, dy, depth and lateral instead of x, y and turn.
struct Actor {
    double x;
    double y;
    double dx;
    double dy;
    double depth;
    double lateral;
    int frame;    // animation frame 0..3
    int heading;  // angle units, never reduced: every use wraps it
    int turn;     // -1 or +1, added to heading in each blocked frame
};

constexpr int ACTOR_CAPACITY = 200;
constexpr int PLACED_ACTORS = 20;  // the figures start-up places

extern Actor ActorTable[ACTOR_CAPACITY];
extern int ACTOR_COUNT;  // 20 once placed; every loop over actors reads it afresh

// The placement's generator, fixed so every run places the figures alike:
// state = state * 214013 + 2531011, result bits 16..30. State 1 at start.
extern uint32_t RandState;
int rand();

// Puts each actor at the centre of a drawn cell with a floor that does not block.
void PlaceActors();
void AdvanceActorFrames();
// Walks every actor along its heading at 1/1024 cell per ms, sliding along
// what blocks one axis and turning by its turn sense while the full step is blocked.
void MoveActors(double elapsed);

void ResetActors();  // for tests: zero table, count 0, generator state 1

}  // namespace fg
