// The input queue of a back end that collects records itself (a script, a
// web page), handed out the way the console hands out its records.
#pragma once

#include <cstdint>
#include <deque>

#include "console/platform.h"

namespace fg {

// Moves up to capacity records from the front of the queue into records, in
// arrival order; returns how many.
inline uint32_t TakeInputRecords(std::deque<InputRecord>& queue, InputRecord* records, uint32_t capacity) {
    uint32_t n = 0;
    while (n < capacity && !queue.empty()) {
        records[n++] = queue.front();
        queue.pop_front();
    }
    return n;
}

}  // namespace fg
