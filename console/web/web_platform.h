// The web page's side of the platform seam: what the page's script and the
// page's entry point hand to the back end.
#pragma once

#include <cstdint>

#include "console/platform.h"

namespace fg {

// Appends one input record to the queue the next poll reads.
void WebQueueInput(const InputRecord& record);
// Drops every record not yet read, for a fresh start-up.
void WebClearInput();

// Switches the back end to a scripted run: the clock stands at startTick and
// moves only by WebAdvanceClock, and presented frames go to the page's frame
// listener instead of the canvas.
void WebBeginScriptedRun(uint32_t startTick);
void WebAdvanceClock(uint32_t ms);

// Draws on the canvas the cells that differ from the last ones drawn, whatever
// the mode; after WebForgetPicture, every cell.
void WebShowCells(const CHAR_INFO* cells);
void WebForgetPicture();

}  // namespace fg
