// The game as a web page. Live, one frame runs per animation frame of the
// page, through the same start-up and frame functions as every other program.
// With ?script in the page's address the game does not start: a test runs a
// frame script through fg_run_script and reads each frame from the page.
#include <emscripten.h>

#include <string>
#include <vector>

#include "app/frame_loop.h"
#include "console/frame_buffer.h"
#include "console/script/frame_script.h"
#include "console/web/web_platform.h"
#include "world/player.h"

namespace {

std::string ScriptError;
bool ScriptRan;

EM_JS(int, PageWantsScript, (), { return Module.farrowgatePage.scripted ? 1 : 0; });

void EndGame() {
    emscripten_cancel_main_loop();
    fg::PlatformCloseConsole();
}

// Called by the browser before each repaint of the page.
void AnimationFrame() {
    fg::RunFrame();
    if (!fg::LoopGoesOn()) EndGame();
}

}  // namespace

extern "C" {

// One key record from the page's key listeners.
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

// Where the player faces, so a test can tell that a held key turns the view.
EMSCRIPTEN_KEEPALIVE int fg_player_angle() { return fg::Player.angle; }

}  // extern "C"

int main() {
    if (PageWantsScript()) return 0;
    fg::StartUp();
    if (!fg::LoopGoesOn()) {
        fg::PlatformCloseConsole();
        return 0;
    }
    emscripten_set_main_loop(AnimationFrame, 0, false);  // 0: at the page's repaint rate
    return 0;
}
