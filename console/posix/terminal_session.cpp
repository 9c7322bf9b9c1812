#include "console/posix/terminal_session.h"

#include <fcntl.h>
#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <ctime>

#include "console/ansi/terminal_output.h"
#include "console/posix/owed_answers.h"
#include "console/posix/terminal_signals.h"

namespace fg {

namespace {

// Switch to the alternate screen (the shell's screen is kept as it was, to
// come back on every way out), hide the cursor, stop line wrap (a narrow
// terminal cuts the picture instead of folding it), save the title on the
// terminal's title stack, ask for an 80 x 50 window and start from a clear screen.
constexpr char SETUP_BYTES[] = "\x1b[?1049h\x1b[?25l\x1b[?7l\x1b[22;0t\x1b[8;50;80t\x1b[2J\x1b[H";
// Undo SETUP_BYTES and reset the colours; leaving the alternate screen puts
// back the shell's screen and cursor.
constexpr char RESTORE_BYTES[] = "\x1b[0m\x1b[?25h\x1b[?7h\x1b[23;0t\x1b[?1049l";
// Report focus changes; push the kitty keyboard flags 11 (disambiguate,
// event types, every key as an escape); then ask for those flags, for
// win32-input-mode, for the cell size in pixels (the picture's shape depends
// on it) and for the primary device attributes, which every terminal answers
// last: no kitty answer before it means no kitty protocol.
constexpr char KEYBOARD_SETUP_BYTES[] = "\x1b[?1004h\x1b[>11u\x1b[?u\x1b[?9001$p\x1b[16t\x1b[c";
// Cancel (CAN) any sequence a frame cut short left open and end its
// synchronized update, so the rest is read as meant; then pop the kitty flags
// (nothing happens where none were pushed) and turn focus reports off.
constexpr char KEYBOARD_RESTORE_BYTES[] = "\x18\x1b[?2026l\x1b[<u\x1b[?1004l";
constexpr char WIN32_INPUT_ON[] = "\x1b[?9001h";
constexpr char WIN32_INPUT_OFF[] = "\x1b[?9001l";

constexpr int RESTORE_STALL_MS = 500;  // then the terminal counts as stalled
constexpr std::size_t TITLE_BYTES = 256;
constexpr int GONE_STATUS = 1;

termios SavedModes;
volatile sig_atomic_t TerminalChanged = 0;  // raw mode and set-up bytes in force
// The set-up bytes have gone out, so the restore bytes must follow. Not yet
// while a take from the background waits for fg: a quit signal then must pop
// nothing the game never pushed.
volatile sig_atomic_t SetupSent = 0;
volatile sig_atomic_t Win32InputOn = 0;
char TitleBytes[TITLE_BYTES];
std::size_t TitleLength = 0;

bool IsGone(int error) { return error == EIO || error == ENXIO; }

// Waits until the terminal takes bytes, at most timeoutMs (-1: for ever).
bool WaitWritable(int timeoutMs) {
    fd_set out;
    FD_ZERO(&out);
    FD_SET(STDOUT_FILENO, &out);
    timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    return select(STDOUT_FILENO + 1, nullptr, &out, nullptr, timeoutMs < 0 ? nullptr : &limit) > 0;
}

// Async-signal-safe. Gives up, returning false, once the terminal takes
// nothing for stallMs.
bool WriteWithin(const char* bytes, std::size_t count, int stallMs) {
    while (count > 0) {
        if (!WaitWritable(stallMs)) return false;
        const ssize_t written = write(STDOUT_FILENO, bytes, count);
        if (written > 0) {
            bytes += written;
            count -= static_cast<std::size_t>(written);
        } else if (written < 0 && errno != EINTR && errno != EAGAIN) {
            return false;
        }
    }
    return true;
}

// Async-signal-safe. Writes what the terminal takes at once and drops the
// rest. The descriptor's flags are shared with the shell: put back at once.
void QueueWithoutWaiting(const char* bytes, std::size_t count) {
    const int flags = fcntl(STDOUT_FILENO, F_GETFL);
    if (flags < 0 || fcntl(STDOUT_FILENO, F_SETFL, flags | O_NONBLOCK) != 0) return;
    while (count > 0) {
        const ssize_t written = write(STDOUT_FILENO, bytes, count);
        if (written > 0) {
            bytes += written;
            count -= static_cast<std::size_t>(written);
        } else if (written == 0 || errno != EINTR) {
            break;
        }
    }
    fcntl(STDOUT_FILENO, F_SETFL, flags);
}

// Every byte that undoes the set-up, in order, into bytes; returns how many.
template <std::size_t N>
std::size_t RestoreBytes(char (&bytes)[N]) {
    std::size_t length = 0;
    auto add = [&](const char* part, std::size_t count) {
        for (std::size_t i = 0; i < count && length < N; ++i) bytes[length++] = part[i];
    };
    add(KEYBOARD_RESTORE_BYTES, sizeof KEYBOARD_RESTORE_BYTES - 1);
    if (Win32InputOn) add(WIN32_INPUT_OFF, sizeof WIN32_INPUT_OFF - 1);
    add(RESTORE_BYTES, sizeof RESTORE_BYTES - 1);
    return length;
}

// Async-signal-safe. quitting: a signal is ending the process, which must not
// wait for the terminal. Otherwise the restore waits for a slow terminal, but
// not for a stalled one. Either way a stalled terminal's backlog (frames it
// may never read) is dropped and the restore bytes queued in its place, so
// they are what it reads when it reads again.
void GiveTerminalBack(bool quitting) {
    if (!TerminalChanged) return;
    TerminalChanged = 0;
    char bytes[sizeof KEYBOARD_RESTORE_BYTES + sizeof WIN32_INPUT_OFF + sizeof RESTORE_BYTES];
    const std::size_t length = RestoreBytes(bytes);
    if (SetupSent) {
        if (!quitting && WriteWithin(bytes, length, RESTORE_STALL_MS)) {
            // The status answers still on their way must not reach the shell
            // as typed text. A stalled terminal, or one whose output was just
            // discarded, answers nothing, so only this path waits for them.
            TakeOwedAnswers();
        } else {
            tcflush(STDOUT_FILENO, TCOFLUSH);
            QueueWithoutWaiting(bytes, length);
        }
    }
    SetupSent = 0;
    // At once rather than after the output drains, which a stalled terminal
    // never does; typed-ahead keys must not reach the shell.
    tcsetattr(STDIN_FILENO, TCSANOW, &SavedModes);
    tcflush(STDIN_FILENO, TCIFLUSH);
}

termios RawModes(const termios& saved) {
    termios raw = saved;
    raw.c_iflag &= ~static_cast<tcflag_t>(BRKINT | ICRNL | INPCK | ISTRIP | IXON);
    // No output processing: the kernel would scan every byte of every frame
    // for line feeds, and every line feed we send comes with its \r.
    raw.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    raw.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB);
    raw.c_cflag |= CS8;
    // No ISIG: Ctrl-C and Ctrl-Z arrive as keys, so the game decides what they
    // do and the terminal is never left raw by them.
    raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | IEXTEN | ISIG);
    raw.c_cc[VMIN] = 0;   // reads return at once; the descriptor itself stays
    raw.c_cc[VTIME] = 0;  // blocking, since it is shared with standard output
    return raw;
}

template <std::size_t N>
void Send(const char (&bytes)[N]) {
    WriteToTerminal(bytes, N - 1);
}

// Every signal but the background-terminal stops: holding those off would
// let a process in the background take the terminal.
void HoldSignals(sigset_t& previous) {
    sigset_t held;
    sigfillset(&held);
    sigdelset(&held, SIGTTOU);
    sigdelset(&held, SIGTTIN);
    sigprocmask(SIG_BLOCK, &held, &previous);
}

// Raw mode, with signals held off so that a handler sees the modes and the
// flag agree; then every set-up byte. Nothing here waits for the terminal
// with signals held: a stalled terminal must not keep a quit signal out.
void TakeTerminal() {
    sigset_t previous;
    HoldSignals(previous);
    const termios raw = RawModes(SavedModes);
    TerminalChanged = 1;
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    tcflush(STDIN_FILENO, TCIFLUSH);  // keys typed before are not the game's
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    SetupSent = 1;
    Send(SETUP_BYTES);
    Send(KEYBOARD_SETUP_BYTES);
    if (Win32InputOn) Send(WIN32_INPUT_ON);
    WriteToTerminal(TitleBytes, TitleLength);
}

}  // namespace

void EndBecauseTerminalGone() {
    TerminalChanged = 0;
    _exit(GONE_STATUS);
}

bool OpenTerminalSession(const char* title) {
    if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO) || tcgetattr(STDIN_FILENO, &SavedModes) != 0)
        return false;
    TitleLength = EncodeTitle(title, TitleBytes, sizeof TitleBytes);
    InstallTerminalSignals();
    TakeTerminal();
    return true;
}

bool WriteToTerminal(const char* bytes, std::size_t count) {
    while (count > 0) {
        const ssize_t written = write(STDOUT_FILENO, bytes, count);
        if (written > 0) {
            bytes += written;
            count -= static_cast<std::size_t>(written);
        } else if (written < 0 && IsGone(errno)) {
            EndBecauseTerminalGone();
        } else if (written < 0 && errno == EAGAIN) {  // someone made the terminal non-blocking
            WaitWritable(-1);
        } else if (written == 0 || errno != EINTR) {
            return false;
        }
    }
    return true;
}

std::size_t ReadFromTerminal(uint8_t* bytes, std::size_t capacity) {
    // A raw terminal's read returns 0 both when nothing is waiting and when
    // the terminal is gone; only a read the terminal says is ready tells them apart.
    fd_set in;
    FD_ZERO(&in);
    FD_SET(STDIN_FILENO, &in);
    timeval now{0, 0};
    if (select(STDIN_FILENO + 1, &in, nullptr, nullptr, &now) <= 0) return 0;
    const ssize_t count = read(STDIN_FILENO, bytes, capacity);
    if (count > 0) return static_cast<std::size_t>(count);
    if (count == 0 || IsGone(errno)) EndBecauseTerminalGone();
    return 0;
}

void EnableWin32InputMode() {
    Win32InputOn = 1;
    Send(WIN32_INPUT_ON);
}

void RestoreTerminal() { GiveTerminalBack(true); }

void RestoreTerminalFromProgram() {
    sigset_t previous;
    HoldSignals(previous);
    GiveTerminalBack(false);
    sigprocmask(SIG_SETMASK, &previous, nullptr);
}

namespace {

// A take from the background stops at the terminal until the shell's fg
// continues it; that continue is answered by the take itself. Taking the
// terminal once more for it would flush the keys typed since.
void TakeTerminalOnce() {
    TakeTerminal();
    TakeContinued();
}

}  // namespace

void SuspendTerminalSession() {
    RestoreTerminalFromProgram();
    StopAsTerminalStop();
    TakeContinued();  // this continue is handled here
    TakeTerminalOnce();
}

void ResumeTerminalSession() {
    if (!TerminalChanged) {
        TakeTerminalOnce();
        return;
    }
    // Never given up (SIGSTOP, a bare SIGCONT, a start in the background):
    // the pushed keyboard flags, title and modes are still the terminal's, and
    // pushing them again would leave one set behind at exit. Only a shell that
    // saw the stop may have put its own line modes back. Setting ours again
    // stops the game, when in the background, until fg.
    const termios raw = RawModes(SavedModes);
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    TakeContinued();
}

}  // namespace fg
