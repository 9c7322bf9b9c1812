// The seam on a POSIX terminal: raw keyboard bytes in, ANSI escape sequences
// out. The decoding and encoding are pure (terminal_input, terminal_output);
// this file owns the terminal modes, the clock, pacing and the signals, and
// makes sure every way out gives the terminal back as it was found.
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "console/frame_pacing.h"
#include "console/platform.h"
#include "console/posix/terminal_input.h"
#include "console/posix/terminal_output.h"

namespace fg {

namespace {

constexpr int WRITE_STALL_MS = 1000;  // a terminal that takes nothing for this long loses the frame

// Hide the cursor, stop line wrap (a narrow terminal cuts the picture instead
// of folding it), save the title on the terminal's title stack, ask for an
// 80 x 50 window and start from a clear screen.
constexpr char SETUP_BYTES[] = "\x1b[?25l\x1b[?7l\x1b[22;0t\x1b[8;50;80t\x1b[2J\x1b[H";
// Cancel (CAN) any sequence a frame cut short left open and end its
// synchronized update, undo SETUP_BYTES, reset the colours, and leave the
// cursor on the line below the picture (row 50, then a new line, which
// scrolls a short terminal) so the last frame stays on screen.
constexpr char RESTORE_BYTES[] = "\x18\x1b[?2026l\x1b[0m\x1b[?25h\x1b[?7h\x1b[23;0t\x1b[50;1H\r\n";

constexpr int QUIT_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int FATAL_SIGNALS[] = {SIGQUIT, SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL};

termios SavedModes;
volatile sig_atomic_t TerminalChanged = 0;  // raw mode and SETUP_BYTES in force
volatile sig_atomic_t QuitSignalled = 0;
volatile sig_atomic_t Resized = 0;

TerminalOutputState Output;
TerminalBytes FrameBytes;
TerminalInputState Input;
bool InputLost = false;  // the terminal went away under us
bool HasPresented = false;
int64_t LastPresentNs = 0;

// Async-signal-safe: used by the signal handlers too. False when not all went out.
bool WriteAll(const char* bytes, size_t count) {
    while (count > 0) {
        ssize_t written = write(STDOUT_FILENO, bytes, count);
        if (written > 0) {
            bytes += written;
            count -= static_cast<size_t>(written);
        } else if (written < 0 && errno == EINTR) {
            continue;
        } else if (written < 0 && errno == EAGAIN) {  // someone made the terminal non-blocking
            pollfd out{STDOUT_FILENO, POLLOUT, 0};
            if (poll(&out, 1, WRITE_STALL_MS) <= 0) return false;
        } else {
            return false;
        }
    }
    return true;
}

// Async-signal-safe and idempotent.
void RestoreTerminal() {
    if (!TerminalChanged) return;
    TerminalChanged = 0;
    WriteAll(RESTORE_BYTES, sizeof RESTORE_BYTES - 1);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &SavedModes);  // typed-ahead keys must not reach the shell
}

void RestoreWithSignalsBlocked() {
    sigset_t all, previous;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, &previous);
    RestoreTerminal();
    sigprocmask(SIG_SETMASK, &previous, nullptr);
}

void DieOfSignal(int signal) {
    RestoreTerminal();
    std::signal(signal, SIG_DFL);
    raise(signal);  // delivered with the default action once the handler returns
}

// The first request ends the loop normally; a second means the loop is not
// getting there, so give the terminal back and go.
void OnQuitSignal(int signal) {
    if (QuitSignalled) DieOfSignal(signal);
    QuitSignalled = 1;
}

void OnResize(int) { Resized = 1; }

void Handle(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
}

void InstallSignalHandlers() {
    for (int signal : QUIT_SIGNALS) Handle(signal, OnQuitSignal);
    for (int signal : FATAL_SIGNALS) Handle(signal, DieOfSignal);
    Handle(SIGWINCH, OnResize);
}

void RestoreAtExit() { RestoreWithSignalsBlocked(); }

termios RawModes(const termios& saved) {
    termios raw = saved;
    raw.c_iflag &= ~static_cast<tcflag_t>(BRKINT | ICRNL | INPCK | ISTRIP | IXON);
    raw.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB);
    raw.c_cflag |= CS8;
    // No ISIG: Ctrl-C arrives as byte 3 and the decoder turns it into a quit
    // request, and Ctrl-Z cannot stop us with the terminal left raw.
    raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | IEXTEN | ISIG);
    raw.c_cc[VMIN] = 0;  // reads return at once; the descriptor itself stays
    raw.c_cc[VTIME] = 0;  // blocking, since it is shared with standard output
    return raw;
}

void ReadTerminalSize(int& rows, int& columns) {
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0) {
        rows = size.ws_row;
        columns = size.ws_col;
    } else {
        rows = 0;
        columns = 0;
    }
}

int64_t MonotonicNs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// Sleeps out the rest of the frame interval since the previous present, on a
// clock of its own so that the game's clock stays a pure reading. A relative
// nanosleep measured on the monotonic clock: every POSIX system has both.
void WaitForPresentSlot() {
    int64_t now = MonotonicNs();
    const int64_t wait = PresentWait(HasPresented, LastPresentNs, now, 1'000'000'000);
    if (wait > 0) {
        const int64_t due = now + wait;
        for (int64_t left = wait; left > 0; left = due - MonotonicNs()) {
            timespec interval{static_cast<time_t>(left / 1'000'000'000), static_cast<long>(left % 1'000'000'000)};
            if (nanosleep(&interval, nullptr) != 0 && errno != EINTR) break;
        }
        now = due;
    }
    LastPresentNs = now;
    HasPresented = true;
}

}  // namespace

void PlatformOpenConsole(const char* title) {
    if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO) || tcgetattr(STDIN_FILENO, &SavedModes) != 0) {
        std::fputs("farrowgate: needs an interactive terminal (standard input and output must be a terminal)\n",
                   stderr);
        std::exit(1);
    }
    InstallSignalHandlers();
    std::atexit(RestoreAtExit);

    termios raw = RawModes(SavedModes);
    TerminalChanged = 1;
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &raw);
    WriteAll(SETUP_BYTES, sizeof SETUP_BYTES - 1);
    char titleBytes[256];
    WriteAll(titleBytes, EncodeTitle(title, titleBytes, sizeof titleBytes));

    int rows = 0;
    int columns = 0;
    ReadTerminalSize(rows, columns);
    ResetTerminalOutput(Output, rows, columns);
    Output.repeatAllowed = TerminalKnownToRepeat(std::getenv("TERM"), std::getenv("TMUX") != nullptr,
                                                 std::getenv("XTERM_VERSION") != nullptr);
    ResetTerminalInput(Input);
}

void PlatformPresent(const CHAR_INFO* cells) {
    if (Resized) {
        Resized = 0;
        ReadTerminalSize(Output.rows, Output.columns);
        ForgetTerminalScreen(Output);  // the terminal may have reflowed the old picture
    }
    EncodeFrame(Output, cells, FrameBytes);  // empty when nothing changed
    WaitForPresentSlot();
    // Part of a frame, maybe cut inside a sequence, leaves the screen unknown.
    if (FrameBytes.length > 0 && !WriteAll(FrameBytes.data, FrameBytes.length)) ForgetTerminalScreen(Output);
}

uint32_t PlatformPendingInput() {
    uint32_t now = PlatformTickCount();
    FeedTerminalInput(Input, nullptr, 0, now);
    uint8_t bytes[256];
    for (;;) {
        uint32_t room = TerminalInputRoom(Input);
        if (room > sizeof bytes) room = sizeof bytes;
        if (room == 0) break;  // the rest waits in the terminal for the next poll
        ssize_t count = read(STDIN_FILENO, bytes, room);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0 && errno != EAGAIN) InputLost = true;
        if (count <= 0) break;
        FeedTerminalInput(Input, bytes, static_cast<uint32_t>(count), now);
    }
    return Input.queued;
}

uint32_t PlatformReadInput(InputRecord* records, uint32_t capacity) {
    return TakeTerminalInput(Input, records, capacity);
}

uint32_t PlatformTickCount() {
    return static_cast<uint32_t>(static_cast<uint64_t>(MonotonicNs()) / 1'000'000);
}

bool PlatformQuitRequested() {
    return QuitSignalled != 0 || Input.interruptRequested || InputLost;
}

void PlatformCloseConsole() { RestoreWithSignalsBlocked(); }

}  // namespace fg
