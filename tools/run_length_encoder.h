// The build-time encoder for the game's run-length streams. The game itself
// only decodes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fg::art {

// Encodes plain bytes: a stretch of three or more equal bytes becomes run
// records (count 255 at most, the remainder in one last record), one or two
// equal bytes stay literals. Fails on a 0x91 in the plain data, which could
// only be stored as a run of its own and never occurs in our art.
bool EncodeRuns(const std::vector<uint8_t>& plain, std::vector<uint8_t>& encoded, std::string& error);

}  // namespace fg::art
