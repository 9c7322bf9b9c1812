// The headless runner's frame scripts: one line per frame, the milliseconds
// the clock advances and the input records queued before the frame's poll.
//
//   <elapsed> [+NAME | -NAME | OTHER ...]    # comment
//
// NAME is ESC, SPACE, LEFT, UP, RIGHT, DOWN or a virtual-key code 0..65535.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "console/platform.h"

namespace fg {

struct ScriptLine {
    uint32_t elapsed;
    std::vector<InputRecord> events;
};

// On a malformed line returns false with error "line N: what is wrong".
bool ParseFrameScript(const std::string& text, std::vector<ScriptLine>& lines, std::string& error);

}  // namespace fg
