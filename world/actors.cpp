#include "world/actors.h"

#include <cstring>

#include "assets/level.h"
#include "world/angle_tables.h"
#include "world/player.h"

namespace fg {

Actor ActorTable[ACTOR_CAPACITY];
int ACTOR_COUNT;
uint32_t RandState = 1;

namespace {

constexpr double ACTOR_SPEED = 0.0009765625;  // 1/1024 cell per ms
constexpr int ANIMATION_FRAMES = 4;
// Random tries at a figure's cell before taking the first free one in order:
// a level with few free cells (or none) must not hang start-up.
constexpr int PLACEMENT_TRIES = 16 * MAP_SIZE * MAP_SIZE;

bool FigureMayStand(int cx, int cy) { return FloorGrid[cx][cy] != 0 && !Collides(cx + 0.5, cy + 0.5); }

// The first free cell in row order, for when the random tries found none.
bool FirstFreeCell(int& cx, int& cy) {
    for (cy = 0; cy < MAP_SIZE; ++cy)
        for (cx = 0; cx < MAP_SIZE; ++cx)
            if (FigureMayStand(cx, cy)) return true;
    return false;
}

}  // namespace

int rand() {
    RandState = RandState * 214013u + 2531011u;
    return static_cast<int>((RandState >> 16) & 0x7FFF);
}

void PlaceActors() {
    ACTOR_COUNT = PLACED_ACTORS;
    for (int i = 0; i < ACTOR_COUNT; ++i) {
        Actor& actor = ActorTable[i];
        int cx = 0, cy = 0, tries = 0;
        do {
            cx = rand() % MAP_SIZE;
            cy = rand() % MAP_SIZE;
        } while (!FigureMayStand(cx, cy) && ++tries < PLACEMENT_TRIES);
        if (tries == PLACEMENT_TRIES && !FirstFreeCell(cx, cy)) {
            ACTOR_COUNT = i;  // nowhere to stand: fewer figures
            break;
        }
        actor.x = cx + 0.5;
        actor.y = cy + 0.5;
        actor.frame = 0;
        do {
            actor.turn = rand() % 3 - 1;
        } while (actor.turn == 0);
    }
}

void AdvanceActorFrames() {
    for (int i = 0; i < ACTOR_COUNT; ++i) ActorTable[i].frame = (ActorTable[i].frame + 1) % ANIMATION_FRAMES;
}

void MoveActors(double elapsed) {
    for (int i = 0; i < ACTOR_COUNT; ++i) {
        Actor& actor = ActorTable[i];
        const int h = actor.heading;
        const double nx = actor.x - SinTable[WrapAngle(h - 120)] * ACTOR_SPEED * elapsed;
        const double ny = actor.y - SinTable[WrapAngle(h)] * ACTOR_SPEED * elapsed;
        const bool blocked = Collides(nx, ny);
        if (!Collides(nx, actor.y)) actor.x = nx;
        if (!Collides(actor.x, ny)) actor.y = ny;
        if (blocked) actor.heading = h + actor.turn;
    }
}

void ResetActors() {
    std::memset(ActorTable, 0, sizeof ActorTable);
    ACTOR_COUNT = 0;
    RandState = 1;
}

}  // namespace fg
