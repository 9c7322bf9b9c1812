#include "console/posix/terminal_signals.h"

#include <signal.h>
#include <unistd.h>

#include "console/posix/terminal_session.h"

namespace fg {

namespace {

// Every signal whose default action ends the process and that can be caught.
constexpr int EXIT_SIGNALS[] = {
    SIGHUP,    SIGINT,  SIGQUIT, SIGILL,  SIGTRAP, SIGABRT, SIGBUS,    SIGFPE,  SIGUSR1, SIGSEGV,
    SIGUSR2,   SIGPIPE, SIGALRM, SIGTERM, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGSYS,
#ifdef SIGSTKFLT
    SIGSTKFLT,
#endif
#ifdef SIGPWR
    SIGPWR,
#endif
#ifdef SIGEMT
    SIGEMT,
#endif
#if defined(__linux__)
    SIGIO,  // ends the process on Linux only; elsewhere it is ignored by default
#endif
};

volatile sig_atomic_t StopRequested = 0;
volatile sig_atomic_t Continued = 0;
volatile sig_atomic_t ClockContinued = 0;
volatile sig_atomic_t Resized = 0;

void SetAction(int signal, void (*handler)(int), int flags) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // While one handler runs, the others wait: restoring is not reentrant.
    for (int other : EXIT_SIGNALS) sigaddset(&action.sa_mask, other);
    sigaddset(&action.sa_mask, SIGTSTP);
    sigaddset(&action.sa_mask, SIGCONT);
    action.sa_flags = flags;
    sigaction(signal, &action, nullptr);
}

// Restores, then lets the signal's default action end the process. A fault
// (SIGSEGV and the like) would otherwise repeat on return; an outside signal
// ends here.
void OnExitSignal(int signal) {
    RestoreTerminal();
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    raise(signal);  // pending while this handler holds it blocked
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
}

void OnStop(int) { StopRequested = 1; }

void OnContinue(int) {
    Continued = 1;
    ClockContinued = 1;
}

void OnResize(int) { Resized = 1; }

bool Take(volatile sig_atomic_t& flag) {
    if (flag == 0) return false;
    flag = 0;
    return true;
}

}  // namespace

void InstallTerminalSignals() {
    // No SA_RESTART: a write blocked on a stalled terminal must let the handler run.
    for (int signal : EXIT_SIGNALS) SetAction(signal, OnExitSignal, 0);
    SetAction(SIGTSTP, OnStop, SA_RESTART);
    SetAction(SIGCONT, OnContinue, SA_RESTART);
    SetAction(SIGWINCH, OnResize, SA_RESTART);
}

bool TakeStopRequest() { return Take(StopRequested); }
bool TakeContinued() { return Take(Continued); }
bool TakeClockContinued() { return Take(ClockContinued); }
bool TakeResized() { return Take(Resized); }

void StopAsTerminalStop() {
    struct sigaction fallback {};
    struct sigaction previous {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(SIGTSTP, &fallback, &previous);
    sigset_t only;
    sigset_t mask;
    sigemptyset(&only);
    sigaddset(&only, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &only, &mask);
    // The whole process group, as the terminal's own Ctrl-Z would: a wrapper
    // script waiting on the game stops too, so its shell shows the prompt.
    kill(0, SIGTSTP);  // this process stops here until SIGCONT
    sigprocmask(SIG_SETMASK, &mask, nullptr);
    sigaction(SIGTSTP, &previous, nullptr);
    StopRequested = 0;
}

}  // namespace fg
