// The link benchmark: Left held for three seconds over links of 10 Mbit/s,
// 1 Mbit/s, 256 kbit/s and 100 kbit/s with 50 ms each way, and unthrottled;
// for each, the time from the release to the last frame that still turned,
// the turning frames shown a second while held, and the most bytes that
// waited in the link. Prints a Markdown table, one row per run.
//
//   farrowgate-link-bench [--game PROGRAM] [--runs N] [--rate BITS_PER_SECOND]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/link_simulator.h"

#ifdef FARROWGATE_HAVE_VTERM

namespace {

struct Rate {
    const char* name;
    double bitsPerSecond;  // 0: unthrottled
    double delaySeconds;
};

const Rate RATES[] = {
    {"unthrottled", 0, 0},       {"10 Mbit/s", 10e6, 0.05},   {"1 Mbit/s", 1e6, 0.05},
    {"256 kbit/s", 256e3, 0.05}, {"100 kbit/s", 100e3, 0.05},
};

constexpr double HOLD_SECONDS = 3;
constexpr double SETTLE_LIMIT = 600;  // the game without flow control may take minutes

}  // namespace

int main(int argc, char** argv) {
    std::string game = FARROWGATE_GAME;
    int runs = 1;
    double only = -1;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--game") == 0) game = argv[i + 1];
        if (std::strcmp(argv[i], "--runs") == 0) runs = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--rate") == 0) only = std::atof(argv[i + 1]);
    }
    std::printf(
        "| link | release to last turning frame (s) | turning frames/s held | most bytes waiting in the link "
        "| bytes sent | frames sent | status requests |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|\n");
    for (const Rate& rate : RATES) {
        if (only >= 0 && rate.bitsPerSecond != only) continue;
        for (int run = 0; run < runs; ++run) {
            fg::link::Link link(rate.bitsPerSecond / 8, rate.delaySeconds);
            const fg::link::HoldResult r = fg::link::HoldLeft(link, game, HOLD_SECONDS, SETTLE_LIMIT, false);
            if (!r.started || !r.settled) {
                std::printf("| %s | %s | | | | | |\n", rate.name,
                            r.started ? "did not settle" : "did not start");
                continue;
            }
            std::printf("| %s | %.2f | %.1f | %zu | %zu | %d | %d |\n", rate.name, r.releaseToLastTurn,
                        r.turningFramesPerSecond, r.mostBuffered, r.bytesFromGame, r.framesFromGame,
                        r.requestsFromGame);
            std::fflush(stdout);
        }
    }
    return 0;
}

#else

int main() {
    std::fputs("farrowgate-link-bench: built without libvterm (Debian libvterm-dev)\n", stderr);
    return 1;
}

#endif
