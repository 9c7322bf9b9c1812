// The world state after a frame, as the headless runner reports it.
#pragma once

#include <cstdint>
#include <cstdio>

namespace fg {

// One block: frame, player, use, actor, slot, door and depth lines.
void WriteStateReport(std::FILE* out, uint64_t frameIndex);
// One frame as 4000 console cells of 4 bytes: code, 0, attribute (little-endian).
void WriteFrameCells(std::FILE* out);

}  // namespace fg
