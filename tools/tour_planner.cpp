// farrowgate-tour: turns a tour plan (walk to points, face angles, use doors)
// into a frame script for farrowgate-headless. It drives the real start-up
// and frame loop while it plans, so every key it writes is chosen from the
// world as it really is at that frame.
//
//   farrowgate-tour PLAN > SCRIPT
//
// Plan lines ('#' starts a comment):
//   goto X Y      face the point (cell units) and walk to it
//   face A        turn to angle A (0..479; 0 faces +y, 120 faces +x)
//   use           press space for one frame, then wait until no door moves
//   wait MS       stand still for MS milliseconds, in 16 ms frames
//   frame LINE    one raw script line: elapsed milliseconds and events

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "app/frame_loop.h"
#include "console/keyboard.h"
#include "console/quoted_text.h"
#include "console/script/frame_script.h"
#include "console/script/platform_script.h"
#include "world/angle_tables.h"
#include "world/doors.h"
#include "world/player.h"

namespace {

std::string Script;
std::string PendingEvents;
bool Failed;

// Runs one frame of the game with this line; its events act from the next frame.
void Frame(uint32_t elapsed) {
    const std::string text = std::to_string(elapsed) + PendingEvents;
    PendingEvents.clear();
    std::vector<fg::ScriptLine> lines;
    std::string error;
    fg::ParseFrameScript(text, lines, error);
    fg::AppendScriptLine(lines[0]);
    fg::RunFrame();
    Script += text + "\n";
}

void Press(const char* key, bool down) { PendingEvents += std::string(down ? " +" : " -") + key; }

int Difference(int target, int angle) {
    int d = fg::WrapAngle(target - angle);
    return d > 240 ? d - 480 : d;  // shortest way round; positive turns left
}

int TurnedAngle(int angle, uint32_t elapsed, double turnInput) {
    return fg::WrapAngle(static_cast<int32_t>(angle - elapsed * turnInput * (1.0 / 512)));
}

// Turns with 16 ms frames while far off and short frames near the target, so
// the truncated turn steps land on the angle exactly.
void Face(int target) {
    uint32_t elapsed = 16;
    double held = 0;  // the turn input the next frame will see
    for (int guard = 0; guard < 2000; ++guard) {
        const int after = TurnedAngle(fg::Player.angle, elapsed, held);
        const int d = Difference(target, after);
        double want = 0;
        uint32_t nextElapsed = 16;
        if (d != 0) {
            const double turn = d > 0 ? -120 : 120;
            const uint32_t options[3] = {16, 8, 4};
            for (uint32_t e : options) {
                const int next = TurnedAngle(after, e, turn);
                const int left = Difference(target, next);
                if (next != after && std::abs(left) < std::abs(d) && (left == 0 || (left > 0) == (d > 0))) {
                    want = turn;
                    nextElapsed = e;
                    break;
                }
            }
        }
        if (want != held) {
            if (held != 0) Press(held < 0 ? "LEFT" : "RIGHT", false);
            if (want != 0) Press(want < 0 ? "LEFT" : "RIGHT", true);
        }
        Frame(elapsed);
        held = want;
        elapsed = nextElapsed;
        if (held == 0 && fg::Player.angle == target) return;
    }
    std::fprintf(stderr, "farrowgate-tour: could not face %d (at %d)\n", target, fg::Player.angle);
    Failed = true;
}

void Goto(double x, double y) {
    const double radians = std::atan2(x - fg::Player.x, y - fg::Player.y);
    Face(fg::WrapAngle(static_cast<int>(std::lround(radians / fg::ANGLE_UNIT_RADIANS))));
    const double step = 16.0 / 256;
    bool held = false;
    double best = 1e9;
    int stalled = 0;
    for (int guard = 0; guard < 5000; ++guard) {
        const double dx = x - fg::Player.x, dy = y - fg::Player.y;
        const double remaining = std::sqrt(dx * dx + dy * dy) - (held ? step : 0);
        const bool want = remaining > step / 2;
        if (want != held) Press("UP", want);
        Frame(16);
        held = want;
        const double now = std::hypot(x - fg::Player.x, y - fg::Player.y);
        if (!held) return;
        if (now < best - 1e-3) {
            best = now;
            stalled = 0;
        } else if (++stalled > 20) {
            break;
        }
    }
    Press("UP", false);
    Frame(16);
    std::fprintf(stderr, "farrowgate-tour: stuck at (%.2f, %.2f) on the way to (%.2f, %.2f)\n", fg::Player.x,
                 fg::Player.y, x, y);
    Failed = true;
}

bool DoorsMoving() {
    for (const fg::DoorMotion& slot : fg::DoorMotionTable)
        if (slot.rate != 0) return true;
    return false;
}

void Use() {
    Press("SPACE", true);
    Frame(16);
    Press("SPACE", false);
    Frame(16);
    for (int guard = 0; guard < 200 && DoorsMoving(); ++guard) Frame(16);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: farrowgate-tour PLAN > SCRIPT\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "farrowgate-tour: cannot read %s\n", fg::QuoteForMessage(argv[1]).c_str());
        return 2;
    }
    const std::string plan = fg::QuoteForMessage(argv[1]);
    fg::BeginScriptedRun({});
    fg::StartUp();
    std::string raw;
    for (int number = 1; std::getline(in, raw); ++number) {
        const std::string line = raw.substr(0, raw.find('#'));
        std::istringstream words(line);
        std::string command;
        if (!(words >> command)) continue;
        Script += "# " + line + "\n";
        double a = 0, b = 0;
        if (command == "goto" && words >> a >> b)
            Goto(a, b);
        else if (command == "face" && words >> a)
            Face(static_cast<int>(a));
        else if (command == "use")
            Use();
        else if (command == "wait" && words >> a)
            for (int ms = 0; ms < a; ms += 16) Frame(16);
        else if (command == "frame") {
            std::string rest;
            std::getline(words, rest);
            std::vector<fg::ScriptLine> lines;
            std::string error;
            if (!fg::ParseFrameScript(rest, lines, error) || lines.size() != 1) {
                std::fprintf(stderr, "%s:%d: bad frame line: %s\n", plan.c_str(), number, error.c_str());
                return 2;
            }
            fg::AppendScriptLine(lines[0]);
            fg::RunFrame();
            Script += rest + "\n";
        } else {
            std::fprintf(stderr, "%s:%d: unknown plan line %s\n", plan.c_str(), number,
                         fg::QuoteForMessage(line).c_str());
            return 2;
        }
        if (Failed) {
            std::fprintf(stderr, "%s:%d: the plan could not be followed\n", plan.c_str(), number);
            return 1;
        }
    }
    std::fputs(Script.c_str(), stdout);
    std::fprintf(stderr, "player ends at (%.3f, %.3f) angle %d\n", fg::Player.x, fg::Player.y,
                 fg::Player.angle);
    return 0;
}
