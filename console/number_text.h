// Numbers as people type them on command lines and in scripts and art files:
// plain decimal digits, no sign, no spaces, nothing after.
#pragma once

#include <cstdint>
#include <string_view>

namespace fg {

// A whole number 0..limit; false for anything else (empty, a sign, too large).
bool ParseDecimal(std::string_view text, uint64_t limit, uint64_t& value);
// The same into an int, for limits an int holds.
bool ParseDecimal(std::string_view text, int limit, int& value);
// "WxH": two such numbers 1..limit each, joined by a lower-case 'x'.
bool ParseWidthByHeight(std::string_view text, int limit, int& width, int& height);

}  // namespace fg
