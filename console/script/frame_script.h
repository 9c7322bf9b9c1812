// The headless runner's frame scripts: one line per frame, the milliseconds
// the clock advances and the input records queued before the frame's poll.
//
//   <elapsed> [+NAME | -NAME | OTHER ...]    # comment
//
// NAME is ESC, SPACE, LEFT, UP, RIGHT, DOWN or a virtual-key code 0..65535.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "console/platform.h"

namespace fg {

// A longer line is refused: no frame needs it, and a script without line
// breaks (a device, a binary file) must not be read into memory whole.
constexpr size_t MAX_SCRIPT_LINE_BYTES = size_t{1} << 20;

struct ScriptLine {
    uint32_t elapsed;
    std::vector<InputRecord> events;
    uint32_t number;  // in the script text, for messages; 0 when made by a program
};

// On a malformed line returns false with error "line N: what is wrong".
bool ParseFrameScript(const std::string& text, std::vector<ScriptLine>& lines, std::string& error);

enum class ScriptRead { LINE, END, FAILED };
// Reads on from in to the next frame line, past blank and comment lines;
// number counts the lines read so far. A read error or an over-long line is
// refused before the rest is read. Holds one line in memory, never the script.
ScriptRead ReadScriptLine(std::FILE* in, uint32_t& number, ScriptLine& line, std::string& error);

}  // namespace fg
