#include "console/frame_buffer.h"

namespace fg {

const char WINDOW_TITLE[] = "FARROWGATE - a walk through the farrow gate, drawn in shades";

CHAR_INFO FrameBuffer[SCREEN_WIDTH * SCREEN_HEIGHT];

void SetUpConsole() { PlatformOpenConsole(WINDOW_TITLE); }

void PresentFrame() { PlatformPresent(FrameBuffer); }

}  // namespace fg
