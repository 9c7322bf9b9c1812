// Every frame of the golden tours (tests/tours/*.txt), as farrowgate-headless
// draws them, for benchmarks that replay real pictures.
#pragma once

#include <vector>

#include "console/platform.h"

namespace fg {

struct TourFrame {
    CHAR_INFO cells[SCREEN_WIDTH * SCREEN_HEIGHT];
    bool tourStart;  // the first frame of a tour: a fresh terminal
};

// Runs the tours once and keeps their frames, in tour and frame order; empty
// when the runner cannot be run.
const std::vector<TourFrame>& GoldenTourFrames();

}  // namespace fg
