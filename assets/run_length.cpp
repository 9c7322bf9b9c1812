#include "assets/run_length.h"

#include <cstring>

namespace fg {

void DecodeRuns(const uint8_t* source, int32_t storedLength, uint8_t* destination, int32_t expectedLength) {
    int32_t produced = 0;
    int32_t read = 0;
    while (produced < expectedLength && read < storedLength) {
        const uint8_t b = source[read++];
        if (b != RUN_ESCAPE) {
            destination[produced++] = b;
            continue;
        }
        if (storedLength - read < 2) return;  // a run record cut short
        const uint8_t value = source[read];
        int32_t count = source[read + 1];
        read += 2;
        if (count > expectedLength - produced) count = expectedLength - produced;
        std::memset(destination + produced, value, static_cast<size_t>(count));
        produced += count;
    }
}

}  // namespace fg
