#include "console/script/state_report.h"

#include <cinttypes>

#include "app/frame_loop.h"
#include "assets/level.h"
#include "console/frame_buffer.h"
#include "render/caster.h"
#include "world/actors.h"
#include "world/doors.h"
#include "world/player.h"

namespace fg {

void WriteStateReport(std::FILE* out, uint64_t frameIndex) {
    std::fprintf(out, "frame %" PRIu64 " elapsed %d anim %" PRId64 "\n", frameIndex,
                 static_cast<int>(Timing.elapsedMs), Timing.animationClock);
    std::fprintf(out, "player %.17g %.17g %d\n", Player.x, Player.y, Player.angle);
    std::fprintf(out, "use %d %d %d\n", UseRequest, static_cast<int>(UseTarget[0]),
                 static_cast<int>(UseTarget[1]));
    for (int i = 0; i < ACTOR_COUNT; ++i) {
        const Actor& a = ActorTable[i];
        std::fprintf(out, "actor %d %.17g %.17g %d %d\n", i, a.x, a.y, a.heading, a.frame);
    }
    for (int i = 0; i < DOOR_SLOT_COUNT; ++i) {
        const DoorMotion& s = DoorMotionTable[i];
        if (s.rate != 0)
            std::fprintf(out, "slot %d %d %d %.17g\n", i, static_cast<int>(s.x),
                         static_cast<int>(s.y), s.rate);
    }
    for (int x = 0; x < MAP_SIZE; ++x)
        for (int y = 0; y < MAP_SIZE; ++y)
            if (WallGrid[x][y] < 0 && DoorClosureGrid[x][y] != 1.0)
                std::fprintf(out, "door %d %d %.17g\n", x, y, DoorClosureGrid[x][y]);
    std::fputs("depth", out);
    for (double d : DepthBuffer) std::fprintf(out, " %.17g", d);
    std::fputc('\n', out);
}

void WriteFrameCells(std::FILE* out) {
    unsigned char bytes[sizeof FrameBuffer];
    unsigned char* b = bytes;
    for (const CHAR_INFO& cell : FrameBuffer) {
        *b++ = static_cast<unsigned char>(cell.character & 0xFF);
        *b++ = static_cast<unsigned char>(cell.character >> 8);
        *b++ = static_cast<unsigned char>(cell.attributes & 0xFF);
        *b++ = static_cast<unsigned char>(cell.attributes >> 8);
    }
    std::fwrite(bytes, 1, sizeof bytes, out);
}

}  // namespace fg
