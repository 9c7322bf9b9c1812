// The game's own bounded buffer in front of the terminal, written without
// blocking: what the terminal does not take now goes out on later frames, so
// a slow terminal or link never holds up the frame loop. Bytes are never
// dropped from the middle of what was queued, except all at once by
// DropQueuedOutput when the terminal is being taken again anyway.
#pragma once

#include <cstddef>

namespace fg {

// Room for the longest frame and the few bytes that may follow it.
constexpr std::size_t OUTPUT_QUEUE_BYTES = 84 * 1024;

// Opens a descriptor of the terminal on standard output for non-blocking
// writes, private to the game so the shell's descriptor keeps its modes.
// Where the terminal cannot be opened by name the queue writes through,
// waiting, as the terminal session does.
void OpenOutputQueue();

// Appends bytes; false, with nothing queued, when they do not fit.
bool QueueOutput(const char* bytes, std::size_t count);

// Bytes queued and not yet taken by the terminal.
std::size_t QueuedOutput();

// Writes what the terminal takes now; false when a write failed, which drops
// the rest (the screen is then unknown).
bool SendQueuedOutput();

// Writes the rest, waiting; gives up once the terminal takes nothing for stallMs.
bool FinishQueuedOutput(int stallMs);

void DropQueuedOutput();

}  // namespace fg
