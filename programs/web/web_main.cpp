// The game as a web page. The page's script drives it: fg_start for a fresh
// start-up, then fg_frame once per animation frame while the game is played,
// through the same start-up and frame functions as every other program. The
// page stops calling while it waits (start screen, pause, end screen), and its
// clock stands still meanwhile. With ?script in the page's address the game
// does not start: a test runs a frame script through fg_run_script and reads
// each frame from the page.
#include <emscripten.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/frame_loop.h"
#include "assets/asset_set.h"
#include "console/cell_glyphs.h"
#include "console/frame_buffer.h"
#include "console/keyboard.h"
#include "console/script/frame_script.h"
#include "console/web/web_platform.h"
#include "render/caster.h"
#include "world/actors.h"
#include "world/doors.h"
#include "world/player.h"

namespace {

std::string ScriptError;
bool ScriptRan;

// Everything a start-up does not set itself goes back to how the program
// starts, so a second start-up in the same page gives the first one's frames.
void ForgetLastWalk() {
    fg::ResetPlayer();
    fg::ResetDoors();
    fg::ResetActors();
    fg::ResetKeyboard();
    fg::UseRequest = 0;
    fg::UseTarget[0] = fg::UseTarget[1] = 0;
    std::memset(fg::FrameBuffer, 0, sizeof fg::FrameBuffer);
    std::memset(fg::DepthBuffer, 0, sizeof fg::DepthBuffer);
    fg::Timing = fg::FrameTiming{};
    fg::WebClearInput();
    fg::WebForgetPicture();
}

}  // namespace

extern "C" {

// A fresh start-up, the same for the page's first walk and every walk after.
EMSCRIPTEN_KEEPALIVE void fg_start() {
    ForgetLastWalk();
    fg::StartUp();
}

// One frame; 1 while the walk goes on, 0 once Escape has ended it.
EMSCRIPTEN_KEEPALIVE int fg_frame() {
    fg::RunFrame();
    return fg::LoopGoesOn() ? 1 : 0;
}

// One key record from the page's key listeners and on-screen controls.
EMSCRIPTEN_KEEPALIVE void fg_key_event(int virtualKeyCode, int down) {
    fg::InputRecord record{};
    record.eventType = fg::INPUT_KEY_EVENT;
    record.virtualKeyCode = static_cast<uint16_t>(virtualKeyCode);
    record.keyDown = down != 0 ? 1 : 0;
    fg::WebQueueInput(record);
}

// Runs a frame script, as the headless runner does, from start-up on; every
// presented frame goes to the page's frame listener, and the last one is
// drawn. Returns the number of frames, or -1 with fg_script_error() telling
// why. A page runs one script: the world is built once.
EMSCRIPTEN_KEEPALIVE int fg_run_script(const char* text, uint32_t startTick) {
    std::vector<fg::ScriptLine> lines;
    if (ScriptRan) {
        ScriptError = "a page runs one script; load it again for another";
        return -1;
    }
    if (!fg::ParseFrameScript(text, lines, ScriptError)) return -1;
    ScriptRan = true;
    fg::WebBeginScriptedRun(startTick);
    fg::StartUp();
    int frames = 0;
    for (const fg::ScriptLine& line : lines) {
        if (!fg::LoopGoesOn()) break;
        // The line's records wait in the queue for the frame's poll.
        fg::WebAdvanceClock(line.elapsed);
        for (const fg::InputRecord& record : line.events) fg::WebQueueInput(record);
        fg::RunFrame();
        ++frames;
    }
    fg::WebShowCells(fg::FrameBuffer);
    return frames;
}

EMSCRIPTEN_KEEPALIVE const char* fg_script_error() { return ScriptError.c_str(); }

// Draws every cell afresh, so a test can hold the picture drawn cell by
// changed cell to the whole picture.
EMSCRIPTEN_KEEPALIVE void fg_redraw() {
    fg::WebForgetPicture();
    fg::WebShowCells(fg::FrameBuffer);
}

// Where the player and the figures are, so a test can tell what a key did and
// that nothing moved while the page waited.
EMSCRIPTEN_KEEPALIVE int fg_player_angle() { return fg::Player.angle; }
EMSCRIPTEN_KEEPALIVE double fg_player_x() { return fg::Player.x; }
EMSCRIPTEN_KEEPALIVE double fg_player_y() { return fg::Player.y; }
EMSCRIPTEN_KEEPALIVE int fg_actor_count() { return fg::ACTOR_COUNT; }
EMSCRIPTEN_KEEPALIVE double fg_actor_x(int i) {
    return i >= 0 && i < fg::ACTOR_COUNT ? fg::ActorTable[i].x : -1;
}
EMSCRIPTEN_KEEPALIVE double fg_actor_y(int i) {
    return i >= 0 && i < fg::ACTOR_COUNT ? fg::ActorTable[i].y : -1;
}

// The page's icon, drawn from a figure's front view (the first sprite image):
// 32 x 32 rgba, every second texel, clear where the figure is.
EMSCRIPTEN_KEEPALIVE void fg_draw_icon(uint8_t* rgba) {
    constexpr int ICON_SIZE = 32;
    constexpr int FIRST_SPRITE = 32;
    for (int y = 0; y < ICON_SIZE; ++y)
        for (int x = 0; x < ICON_SIZE; ++x) {
            const uint8_t texel =
                fg::TextureBank[FIRST_SPRITE * fg::TEXTURE_TEXELS + y * 2 * fg::TEXTURE_SIZE + x * 2];
            uint8_t* pixel = rgba + (y * ICON_SIZE + x) * 4;
            if (texel == fg::TRANSPARENT_TEXEL) {
                std::memset(pixel, 0, 4);
                continue;
            }
            // Colour in bits 0-2; the upper half of the brightness lights it.
            const int colour = (texel & 7) | (((texel >> 3) & 7) >= 4 ? 8 : 0);
            std::memcpy(pixel, fg::CONSOLE_PALETTE[colour], 3);
            pixel[3] = 255;
        }
}

}  // extern "C"

// The page starts the game (fg_start) once the module is ready.
int main() { return 0; }
