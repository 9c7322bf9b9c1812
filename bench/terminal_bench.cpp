// The terminal presenter's cost over every frame of the golden tours, side by
// side: our cell diff (with and without REP), a full repaint every frame, and
// ncurses drawing the same frames on a pseudo-terminal as xterm-256color.
// Each reports bytes per frame (mean and 95th percentile, from one pass over
// all frames) and, as the benchmark's own time, the cost of one frame.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench/tour_frames.h"
#include "console/ansi/terminal_output.h"

namespace fg {

// Bytes-per-frame figures of one pass, as benchmark counters.
void ReportFrameBytes(benchmark::State& state, std::vector<double> bytes) {
    if (bytes.empty()) return;
    double total = 0;
    for (double b : bytes) total += b;
    std::sort(bytes.begin(), bytes.end());
    state.counters["bytes_mean"] = total / static_cast<double>(bytes.size());
    state.counters["bytes_p95"] = bytes[(bytes.size() * 95) / 100];
    state.counters["frames"] = static_cast<double>(bytes.size());
}

namespace {

enum Mode { DIFF = 0, DIFF_WITHOUT_REP = 1, FULL_REPAINT = 2 };

TerminalOutputState Output;
TerminalBytes Bytes;

size_t EncodeTourFrame(const TourFrame& frame, Mode mode) {
    if (frame.tourStart || mode == FULL_REPAINT) ForgetTerminalScreen(Output);
    EncodeFrame(Output, frame.cells, Bytes);
    return Bytes.length;
}

// Arguments: the mode, terminal cells per picture cell (1 narrow, 2 wide, in
// a 200 x 60 terminal) and colours (16 or 24).
void BM_TerminalEncode(benchmark::State& state) {
    const std::vector<TourFrame>& frames = GoldenTourFrames();
    const Mode mode = static_cast<Mode>(state.range(0));
    const bool wide = state.range(1) == 2;
    const bool trueColour = state.range(2) == 24;
    ResetTerminalOutput(Output, wide ? 200 : 100, 60);
    Output.trueColour = trueColour;
    ArrangeTerminalPicture(Output);
    Output.repeatAllowed = mode != DIFF_WITHOUT_REP;
    std::vector<double> bytes;
    for (const TourFrame& frame : frames) bytes.push_back(static_cast<double>(EncodeTourFrame(frame, mode)));
    size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(EncodeTourFrame(frames[next], mode));
        next = next + 1 == frames.size() ? 0 : next + 1;
    }
    ReportFrameBytes(state, bytes);
    std::string label = mode == DIFF               ? "cell diff, REP"
                        : mode == DIFF_WITHOUT_REP ? "cell diff, no REP"
                                                   : "full repaint";
    label += wide ? ", wide" : ", narrow";
    label += trueColour ? ", 24-bit" : ", 16 colours";
    state.SetLabel(label);
}
BENCHMARK(BM_TerminalEncode)
    ->Args({DIFF, 1, 16})
    ->Args({DIFF_WITHOUT_REP, 1, 16})
    ->Args({FULL_REPAINT, 1, 16})
    ->Args({DIFF, 1, 24})
    ->Args({DIFF, 2, 16})
    ->Args({DIFF, 2, 24});

}  // namespace
}  // namespace fg
