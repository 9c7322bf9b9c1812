// The picture and its presentation.
#pragma once

#include "console/platform.h"

namespace fg {

extern const char WINDOW_TITLE[];

// The picture, row-major: cell (row r, column c) at r * SCREEN_WIDTH + c.
// Written only by the renderer, read only by PresentFrame. Never cleared: a
// cell nothing writes in a frame shows what it held before.
extern CHAR_INFO FrameBuffer[SCREEN_WIDTH * SCREEN_HEIGHT];

// Opens the 80 x 50 console with its title. First step of start-up.
void SetUpConsole();
// Shows the whole FrameBuffer; once per frame.
void PresentFrame();

}  // namespace fg
