// The headless runner's view of the POSIX presenter: every presented frame
// through the real terminal encoder, written to a file as the bytes a
// terminal would receive, each frame preceded by its length (4 bytes,
// little-endian). A frame that changes nothing has length 0.
#pragma once

#include <string>

#include "console/platform.h"

namespace fg {

constexpr int CAPTURE_DEFAULT_COLUMNS = 100;
constexpr int CAPTURE_DEFAULT_ROWS = 60;

// "COLSxROWS", each 1..9999.
bool ParseTerminalSize(const char* text, int& columns, int& rows);

// Starts a capture for a terminal of the given size that takes REP, as xterm,
// kitty and tmux do. False when the file cannot be created.
bool OpenTerminalCapture(const std::string& path, int columns, int rows);
// Adds one frame; does nothing when no capture is open.
void CaptureTerminalFrame(const CHAR_INFO* cells);
// Ends the capture; false when any write failed. True when none was open.
bool CloseTerminalCapture();

}  // namespace fg
