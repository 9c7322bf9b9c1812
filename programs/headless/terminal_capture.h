// The headless runner's view of the POSIX presenter: every presented frame
// through the real terminal encoder, as the bytes a terminal would receive,
// each frame preceded by its length (4 bytes, little-endian). A frame that
// changes nothing has length 0.
#pragma once

#include <string>

#include "console/platform.h"

namespace fg {

constexpr int CAPTURE_DEFAULT_COLUMNS = 100;
constexpr int CAPTURE_DEFAULT_ROWS = 60;

constexpr int CAPTURE_MAX_SIDE = 9999;  // columns or rows

// The terminal the capture stands for.
struct CaptureTerminal {
    int columns = CAPTURE_DEFAULT_COLUMNS;
    int rows = CAPTURE_DEFAULT_ROWS;
    int cellWidthPx = 0;  // 0: cell shape unknown, taken as twice as tall as wide
    int cellHeightPx = 0;
    bool trueColour = false;
};

// Starts from a fresh terminal as described that takes REP, as xterm does.
void StartTerminalCapture(const CaptureTerminal& terminal);
// Appends one frame's length and bytes.
void AppendTerminalFrame(std::string& out, const CHAR_INFO* cells);

}  // namespace fg
