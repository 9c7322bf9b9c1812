// How often a back end shows a frame on a real screen. The game itself runs
// frames as fast as it can; a screen gains nothing from more than 60 a second,
// and a terminal would only fall behind.
#pragma once

#include <cstdint>

namespace fg {

constexpr int64_t PRESENTS_PER_SECOND = 60;

// How long to wait before presenting, in the clock's units (ticksPerSecond of
// them a second), given the time of the previous present. A late frame waits
// for nothing and starts a new interval rather than rushing the next.
inline int64_t PresentWait(bool hasPresented, int64_t lastPresent, int64_t now, int64_t ticksPerSecond) {
    const int64_t interval = ticksPerSecond / PRESENTS_PER_SECOND;
    if (!hasPresented || now - lastPresent >= interval) return 0;
    return interval - (now - lastPresent);
}

}  // namespace fg
