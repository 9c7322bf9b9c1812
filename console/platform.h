// The platform seam: the only calls the game makes into the operating system.
// Each back end (Win32 console, POSIX terminal, scripted headless) implements
// these free functions in one .cpp chosen at link time. Everything above the
// seam -- the key table, the poll, the frame loop -- exists once.
#pragma once

#include <cstdint>

namespace fg {

// One console cell, laid out exactly as the Win32 CHAR_INFO record: a 16-bit
// character field holding the code page 437 code in its low byte, then a
// 16-bit attribute word (bits 0-2 foreground, bit 3 bright, bits 4-6 background).
struct CHAR_INFO {
    uint16_t character;
    uint16_t attributes;
};
static_assert(sizeof(CHAR_INFO) == 4, "cells must match the console record");

constexpr int SCREEN_WIDTH = 80;
constexpr int SCREEN_HEIGHT = 50;

// The part of a console input record the game uses.
constexpr uint16_t INPUT_KEY_EVENT = 1;  // any other type is consumed and ignored
struct InputRecord {
    uint16_t eventType;
    uint16_t virtualKeyCode;
    uint8_t keyDown;
};

// Opens the console for an 80 x 50 picture and sets the window title. A back
// end that cannot (the POSIX one, when standard input or output is not a
// terminal) says why and ends the process with status 1.
void PlatformOpenConsole(const char* title);
// Shows all SCREEN_WIDTH x SCREEN_HEIGHT cells, row-major.
void PlatformPresent(const CHAR_INFO* cells);
// Number of input records waiting; never waits for input. It is also where a
// back end with job control acts on it: on a POSIX terminal a Ctrl-Z or a stop
// signal gives the terminal back and the process stops inside this call until
// it is continued.
uint32_t PlatformPendingInput();
// Moves up to capacity waiting records into records, in arrival order; returns
// how many. Called only when records are pending, so it never blocks.
uint32_t PlatformReadInput(InputRecord* records, uint32_t capacity);
// Milliseconds, 32 bits, wrapping at 2^32.
uint32_t PlatformTickCount();
// True when the back end wants the run to end without Escape (a signal, the
// end of a script). Checked beside the Escape test.
bool PlatformQuitRequested();
// Gives the console back as it was found, as far as the back end changed it.
// Returns, unless the run ended in a way the platform reports by the exit
// status: the POSIX terminal ends the process here with status 130 after
// Ctrl-C. (It also ends the process, status 1, from whichever call finds the
// terminal gone, and a signal that ends the process ends it by that signal.)
void PlatformCloseConsole();

}  // namespace fg
