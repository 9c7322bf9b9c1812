#include "console/number_text.h"

namespace fg {

bool ParseDecimal(std::string_view text, uint64_t limit, uint64_t& value) {
    if (text.empty()) return false;
    uint64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (result > (limit - digit) / 10) return false;  // result * 10 + digit > limit, without overflow
        result = result * 10 + digit;
    }
    value = result;
    return true;
}

bool ParseDecimal(std::string_view text, int limit, int& value) {
    uint64_t wide = 0;
    if (limit < 0 || !ParseDecimal(text, static_cast<uint64_t>(limit), wide)) return false;
    value = static_cast<int>(wide);
    return true;
}

bool ParseWidthByHeight(std::string_view text, int limit, int& width, int& height) {
    const size_t x = text.find('x');
    if (x == std::string_view::npos) return false;
    int w = 0, h = 0;
    if (!ParseDecimal(text.substr(0, x), limit, w) || !ParseDecimal(text.substr(x + 1), limit, h))
        return false;
    if (w < 1 || h < 1) return false;
    width = w;
    height = h;
    return true;
}

}  // namespace fg
