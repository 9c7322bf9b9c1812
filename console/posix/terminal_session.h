// The game's hold on the terminal: the modes and bytes it changes, and every
// way it gives them back (exit, a signal, a stop). Writes and reads that find
// the terminal gone (hung up, closed) end the process at once with status 1.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fg {

// Saves the terminal's modes, enters raw mode and sends the set-up bytes,
// the keyboard protocol requests and the title. False, with nothing changed,
// when standard input or output is not a terminal.
bool OpenTerminalSession(const char* title);

// Writes every byte, waiting while the terminal is slow; false when an error
// cut the write short.
bool WriteToTerminal(const char* bytes, std::size_t count);

// The terminal hung up or was closed: ends the process with status 1 at once,
// since nothing more can be shown or given back.
[[noreturn]] void EndBecauseTerminalGone();

// Up to capacity bytes the terminal has sent; 0 when none are waiting. Never waits.
std::size_t ReadFromTerminal(uint8_t* bytes, std::size_t capacity);

// Asks for win32-input-mode from now on (and again after a stop).
void EnableWin32InputMode();

// Async-signal-safe and idempotent, for a signal that ends the process:
// protocols popped, modes back, cursor shown, wrap on. Never waits: output the
// terminal has not read yet is dropped and the restore bytes queued instead.
void RestoreTerminal();
// The same from the program (not a handler), with signals held off meanwhile;
// it lets a slow terminal read the last frame first, but not a stalled one.
void RestoreTerminalFromProgram();

// Gives the terminal back, stops the process group as a SIGTSTP would, and
// takes the terminal again once continued.
void SuspendTerminalSession();
// After a continue the game did not cause: takes the terminal again if it was
// given up, else only sets the line modes again (pushing nothing twice).
void ResumeTerminalSession();

}  // namespace fg
