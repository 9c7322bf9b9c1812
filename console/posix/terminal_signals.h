// Signals on a POSIX terminal. Every signal whose default action ends the
// process gives the terminal back first and then ends it by that same signal,
// so the exit status still says what happened. A stop (SIGTSTP), a continue
// (SIGCONT) and a resize (SIGWINCH) are only noted here; the back end acts on
// them between frames.
#pragma once

namespace fg {

void InstallTerminalSignals();

// Each returns whether its signal came since the last call, and forgets it.
bool TakeStopRequest();     // SIGTSTP
bool TakeContinued();       // SIGCONT, for the terminal session
bool TakeClockContinued();  // SIGCONT, for the clock
bool TakeResized();         // SIGWINCH

// Stops the process and the rest of its process group as a Ctrl-Z typed at
// the terminal would; returns once continued.
void StopAsTerminalStop();

}  // namespace fg
