// The built-in content's run-length encoding. A stream is a sequence of
// records: RUN_ESCAPE, value, count expands to count copies of value; any other
// byte stands for itself. No header, no terminator: the caller knows the
// decoded length.
#pragma once

#include <cstdint>

namespace fg {

constexpr uint8_t RUN_ESCAPE = 0x91;

// Decodes source (storedLength bytes) into destination until expectedLength
// bytes are produced. Never reads past storedLength and never writes past
// expectedLength: a run reaching past the end is cut there, and a stream that
// ends early leaves the rest of the destination as it was.
void DecodeRuns(const uint8_t* source, int32_t storedLength, uint8_t* destination, int32_t expectedLength);

}  // namespace fg
