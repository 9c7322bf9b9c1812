// What the benchmarks share: the built-in world started as the game starts it,
// the named views of the column pass, and the floor every figure is measured
// against.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "app/frame_loop.h"
#include "assets/asset_set.h"
#include "assets/level.h"
#include "console/frame_buffer.h"
#include "console/keyboard.h"
#include "console/script/frame_script.h"
#include "console/script/platform_script.h"
#include "render/shade_table.h"
#include "world/actors.h"
#include "world/doors.h"
#include "world/player.h"

namespace fg::bench {

// Start-up as the game runs it, under a script of the given lines; returns
// the number of frames the run will present.
inline int64_t StartBuiltInWorld(const std::string& script, uint32_t repeat) {
    ScriptedRun run;
    std::string error;
    ParseFrameScript(script, run.lines, error);
    run.repeat = repeat;
    BeginScriptedRun(run);
    ResetWorldState();
    StartUp();
    return static_cast<int64_t>(run.lines.size()) * repeat;
}

struct DoorSetting {
    int x, y;
    double closure;
};

struct View {
    const char* name;
    double x, y;
    int angle;
    DoorSetting door;  // {0, 0, ...} leaves every door closed
    bool crowd;        // the figures stand in rows ahead of the player
};

// Angle 0 faces +y, 120 faces +x, 240 -y, 360 -x.
constexpr View VIEWS[] = {
    // From the bath's west end across the slate chapel, through its open door.
    {"open_hall", 20.5, 38.5, 120, {27, 38, 0.0}, false},
    // Down the stone passage at y = 26 through its open door to the far room.
    {"long_corridor", 20.5, 26.5, 120, {28, 26, 0.0}, false},
    // A quarter cell from the hall's south wall: it fills the screen.
    {"facing_wall", 30.5, 34.75, 0, {0, 0, 1.0}, false},
    // The start, facing the steel shutter half open onto the chapel.
    {"half_open_door", 32.0, 32.0, 0, {32, 35, 0.5}, false},
    // The chapel from its west door with all twenty figures in front.
    {"many_figures", 28.5, 38.5, 120, {0, 0, 1.0}, true},
};

// Twenty figures in rows across the chapel, all ahead of a player who faces +x.
inline void CrowdFigures(const View& view) {
    for (int i = 0; i < ACTOR_COUNT; ++i) {
        Actor& a = ActorTable[i];
        a.x = view.x + 1.5 + (i / 4) * 1.25;
        a.y = view.y - 1.8 + (i % 4) * 1.1 + (i / 4 % 2) * 0.5;  // rows staggered
        a.heading = i * 61;
        a.frame = i % 4;
    }
}

inline void SetView(const View& view) {
    StartBuiltInWorld("", 1);
    Player.x = view.x;
    Player.y = view.y;
    Player.angle = view.angle;
    if (view.door.x != 0) DoorClosureGrid[view.door.x][view.door.y] = view.door.closure;
    if (view.crowd) CrowdFigures(view);
}

// The least a frame can cost: each of the 4000 cells written once from the
// shade table, with one texel read for it.
inline void DrawFloorFrame(uint32_t offset) {
    constexpr int FLOOR_TEXTURE = 2;
    const uint8_t* texels = TextureBank + FLOOR_TEXTURE * TEXTURE_TEXELS;
    for (int i = 0; i < SCREEN_WIDTH * SCREEN_HEIGHT; ++i) {
        const uint8_t t = texels[(static_cast<uint32_t>(i) * 67 + offset) % TEXTURE_TEXELS];
        FrameBuffer[i] = ShadeTable[(t & 7) * 8 + ((t >> 3) & 7)];
    }
}

}  // namespace fg::bench
