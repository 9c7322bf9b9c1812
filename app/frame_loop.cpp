#include "app/frame_loop.h"

#include "assets/asset_set.h"
#include "assets/level.h"
#include "console/frame_buffer.h"
#include "console/keyboard.h"
#include "console/platform.h"
#include "render/caster.h"
#include "render/floor_ceiling.h"
#include "render/shade_table.h"
#include "world/actors.h"
#include "world/angle_tables.h"
#include "world/doors.h"
#include "world/player.h"

namespace fg {

FrameTiming Timing;

void BuildTables() {
    BuildShadeTable();
    BuildAngleTables();
    BuildRowDistanceTable();
    BuildFloorShadeLevels();
    PackFloorAndCeiling();
    BuildOpaqueRowSpans();
}

void BuildWorld() {
    DecodeAssets();
    LoadLevel();
    PlacePlayer();
    SplitSpriteSheets();
    BuildTables();
    PlaceActors();
}

void ResetWorldState() {
    ResetPlayer();
    ResetDoors();
    ResetActors();
    ResetKeyboard();
    UseRequest = 0;
    UseTarget[0] = UseTarget[1] = 0;
    Timing = FrameTiming{};
}

void StartUp() {
    SetUpConsole();
    BuildWorld();
    Timing.lastTick = PlatformTickCount();  // start-up time is no frame's time
    Timing.animationClock = 0;
}

void RunFrame() {
    const uint32_t now = PlatformTickCount();
    Timing.elapsedMs = static_cast<int32_t>(now - Timing.lastTick);  // wraps harmlessly
    Timing.animationClock += Timing.elapsedMs;
    if (Timing.animationClock > ANIMATION_PERIOD_MS) {
        Timing.animationClock %= ANIMATION_PERIOD_MS;  // the remainder carries over
        AdvanceActorFrames();
    }
    // The rest of this frame, its presentation included, counts toward the next.
    Timing.lastTick = PlatformTickCount();

    ReadMotionKeys();
    UseDoor();
    // The collision tests look only at where a step ends, so no step may be
    // long: a slow frame (a hidden page, a slow link) moves as a 100 ms one.
    const double elapsed = MotionStepMs(Timing.elapsedMs);
    MovePlayer(elapsed);
    MoveActors(elapsed);
    UpdateDoors(elapsed);
    PollInput();
    ColumnPass();
    PresentFrame();
}

bool LoopGoesOn() { return !KeyState[VK_ESCAPE] && !PlatformQuitRequested(); }

void RunFrames() {
    while (LoopGoesOn()) RunFrame();
}

int RunGame() {
    StartUp();
    RunFrames();
    PlatformCloseConsole();
    return 0;
}

}  // namespace fg
