#include "tools/run_length_encoder.h"

#include "assets/run_length.h"

namespace fg::art {

bool EncodeRuns(const std::vector<uint8_t>& plain, std::vector<uint8_t>& encoded, std::string& error) {
    encoded.clear();
    size_t i = 0;
    while (i < plain.size()) {
        const uint8_t value = plain[i];
        if (value == RUN_ESCAPE) {
            error = "byte " + std::to_string(i) + " is 0x91, which plain data may not hold";
            return false;
        }
        size_t end = i;
        while (end < plain.size() && plain[end] == value) ++end;
        size_t stretch = end - i;
        if (stretch < 3) {
            encoded.insert(encoded.end(), stretch, value);
        } else {
            while (stretch > 0) {
                const size_t count = stretch > 255 ? 255 : stretch;
                encoded.push_back(RUN_ESCAPE);
                encoded.push_back(value);
                encoded.push_back(static_cast<uint8_t>(count));
                stretch -= count;
            }
        }
        i = end;
    }
    return true;
}

}  // namespace fg::art
