// The world state after a frame and the frame itself, as the headless runner
// reports them.
#pragma once

#include <cstdint>
#include <string>

namespace fg {

// One block: frame, player, use, actor, slot, door and depth lines. Doubles as
// printf's %.17g would print them, without its cost.
void AppendStateReport(std::string& out, uint64_t frameIndex);
// One frame as 4000 console cells of 4 bytes: code, 0, attribute (little-endian).
void AppendFrameCells(std::string& out);

}  // namespace fg
