#include "console/keyboard.h"

#include <cstring>

#include "console/platform.h"

namespace fg {

uint8_t KeyState[KEY_SLOTS];

void PollInput() {
    InputRecord buffer[MAX_INPUT_RECORDS];
    uint32_t read = 0;
    if (PlatformPendingInput() != 0) read = PlatformReadInput(buffer, MAX_INPUT_RECORDS);
    if (read > MAX_INPUT_RECORDS) read = MAX_INPUT_RECORDS;
    for (uint32_t i = 0; i < read; ++i) {
        if (buffer[i].eventType != INPUT_KEY_EVENT) continue;  // mouse, focus, menu, resize
        KeyState[buffer[i].virtualKeyCode % KEY_SLOTS] = buffer[i].keyDown != 0 ? 1 : 0;
    }
}

void ResetKeyboard() { std::memset(KeyState, 0, sizeof KeyState); }

}  // namespace fg
