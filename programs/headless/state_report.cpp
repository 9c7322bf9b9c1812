#include "programs/headless/state_report.h"

#include <bit>
#include <charconv>
#include <cstring>

#include "app/frame_loop.h"
#include "assets/level.h"
#include "console/frame_buffer.h"
#include "render/caster.h"
#include "world/actors.h"
#include "world/doors.h"
#include "world/player.h"

namespace fg {

namespace {

// "%.17g": seventeen significant digits bring every double back exactly.
constexpr int DOUBLE_DIGITS = 17;

void Put(std::string& out, double value) {
    char text[32];
    const auto end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, DOUBLE_DIGITS).ptr;
    out.append(text, end);
}

template <typename Integer>
void Put(std::string& out, Integer value) {
    char text[24];
    out.append(text, std::to_chars(text, text + sizeof text, value).ptr);
}

void Put(std::string& out, const char* text) { out += text; }

// The fields separated by single spaces, the line ended.
template <typename... Fields>
void Line(std::string& out, const char* name, Fields... fields) {
    out += name;
    ((out += ' ', Put(out, fields)), ...);
    out += '\n';
}

}  // namespace

void AppendStateReport(std::string& out, uint64_t frameIndex) {
    Line(out, "frame", frameIndex, "elapsed", static_cast<int>(Timing.elapsedMs), "anim",
         Timing.animationClock);
    Line(out, "player", Player.x, Player.y, Player.angle);
    Line(out, "use", UseRequest, static_cast<int>(UseTarget[0]), static_cast<int>(UseTarget[1]));
    for (int i = 0; i < ACTOR_COUNT; ++i) {
        const Actor& a = ActorTable[i];
        Line(out, "actor", i, a.x, a.y, a.heading, a.frame);
    }
    for (int i = 0; i < DOOR_SLOT_COUNT; ++i) {
        const DoorMotion& s = DoorMotionTable[i];
        if (s.rate != 0) Line(out, "slot", i, static_cast<int>(s.x), static_cast<int>(s.y), s.rate);
    }
    for (int x = 0; x < MAP_SIZE; ++x)
        for (int y = 0; y < MAP_SIZE; ++y)
            if (WallGrid[x][y] < 0 && DoorClosureGrid[x][y] != 1.0)
                Line(out, "door", x, y, DoorClosureGrid[x][y]);
    out += "depth";
    for (double d : DepthBuffer) {
        out += ' ';
        Put(out, d);
    }
    out += '\n';
}

void AppendFrameCells(std::string& out) {
    const size_t at = out.size();
    out.resize(at + sizeof FrameBuffer);
    char* b = out.data() + at;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(b, FrameBuffer, sizeof FrameBuffer);  // the record is already the file's layout
        return;
    }
    for (const CHAR_INFO& cell : FrameBuffer) {
        *b++ = static_cast<char>(cell.character & 0xFF);
        *b++ = static_cast<char>(cell.character >> 8);
        *b++ = static_cast<char>(cell.attributes & 0xFF);
        *b++ = static_cast<char>(cell.attributes >> 8);
    }
}

}  // namespace fg
