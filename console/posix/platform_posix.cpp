// The seam on a POSIX terminal: raw keyboard bytes in, ANSI escape sequences
// out. The decoding and encoding are pure (terminal_input, terminal_output);
// the terminal's modes and signals are terminal_session's and terminal_signals';
// this file owns the clock and pacing and follows what the keys ask for.
// Frames go out through the output queue, paced by the terminal's answers to
// status requests (flow_control), so a slow link never holds up the game nor
// lets the picture fall behind it.
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "console/ansi/flow_control.h"
#include "console/ansi/terminal_input.h"
#include "console/ansi/terminal_output.h"
#include "console/frame_pacing.h"
#include "console/platform.h"
#include "console/posix/output_queue.h"
#include "console/posix/owed_answers.h"
#include "console/posix/terminal_session.h"
#include "console/posix/terminal_signals.h"

namespace fg {

namespace {

TerminalOutputState Output;
TerminalBytes FrameBytes;
TerminalInputState Input;
FlowControl Flow;
uint32_t StatusReportsTaken = 0;  // of Input.replies.statusReports
bool HasPresented = false;
int64_t LastPresentNs = 0;
int64_t LastTickNs = 0;  // the clock's previous reading
int64_t StoppedNs = 0;   // time spent stopped, which no frame may count
bool KeyboardNegotiated = false;
bool CellShapeFollowed = false;  // the answer to CSI 16 t has been used

constexpr int INTERRUPT_STATUS = 130;  // Ctrl-C, as a shell reports it
constexpr int QUEUE_STALL_MS = 500;    // as long as the restore waits for a stalled terminal

void RestoreAtExit() { RestoreTerminalFromProgram(); }

// The terminal's size and, where the terminal fills in its pixel size, the
// shape of its cells; else the shape the terminal answered to CSI 16 t, if any.
void ReadTerminalSize(TerminalOutputState& output) {
    winsize size{};
    const bool known = ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0;
    output.columns = known ? size.ws_col : 0;
    output.rows = known ? size.ws_row : 0;
    const TerminalReplies& replies = Input.replies;
    if (known && size.ws_col > 0 && size.ws_row > 0 && size.ws_xpixel > 0 && size.ws_ypixel > 0) {
        output.cellWidthPx = size.ws_xpixel / size.ws_col;
        output.cellHeightPx = size.ws_ypixel / size.ws_row;
    } else if (replies.cellSizeSeen) {
        output.cellWidthPx = static_cast<int>(replies.cellWidthPx);
        output.cellHeightPx = static_cast<int>(replies.cellHeightPx);
    }
    ArrangeTerminalPicture(output);
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
            timespec interval{static_cast<time_t>(left / 1'000'000'000),
                              static_cast<long>(left % 1'000'000'000)};
            if (nanosleep(&interval, nullptr) != 0 && errno != EINTR) break;
        }
        now = due;
    }
    LastPresentNs = now;
    HasPresented = true;
}

// After a stop, the keys held then are not held now, and the terminal shows
// whatever the shell left there.
void AfterResume() {
    ReleaseAllTerminalKeys(Input);
    ForgetTerminalScreen(Output);
    ForgetStatusRequests(Flow);  // taking the terminal flushed their answers
    SetStatusAnswersOwed(0);
}

// The frame going out is finished first, so the restore lands after its
// sequences; the answers still owed are taken before signals are held off.
void Suspend() {
    if (FinishQueuedOutput(QUEUE_STALL_MS)) TakeOwedAnswers();  // a stalled terminal answers nothing
    DropQueuedOutput();
    SuspendTerminalSession();
    AfterResume();
}

void FollowJobControl() {
    if (TakeStopRequest()) {
        Suspend();
    } else if (TakeContinued()) {  // SIGSTOP, a bare SIGCONT, a start in the background
        FinishQueuedOutput(QUEUE_STALL_MS);
        DropQueuedOutput();
        ResumeTerminalSession();
        AfterResume();
    }
}

// Ctrl-Z, focus, and the answers to the start-up queries, as decoded.
void FollowKeyboardRequests() {
    if (Input.suspendRequested) {
        Input.suspendRequested = false;
        Suspend();
    }
    if (Input.repaintRequested) {
        Input.repaintRequested = false;
        ForgetTerminalScreen(Output);
    }
    const TerminalReplies& replies = Input.replies;
    if (replies.cellSizeSeen && !CellShapeFollowed) {
        CellShapeFollowed = true;
        ReadTerminalSize(Output);
    }
    if (!KeyboardNegotiated && replies.attributesSeen) {
        KeyboardNegotiated = true;
        const bool win32Available = replies.win32Mode >= 1 && replies.win32Mode <= 3;  // set or settable
        if (Input.protocol == KeyProtocol::Legacy && replies.win32ModeSeen && win32Available) {
            FinishQueuedOutput(QUEUE_STALL_MS);  // not inside a frame's sequences
            EnableWin32InputMode();
        }
    }
}

// Decodes what the terminal has sent, as far as the key queue has room, and
// counts the status answers in it.
void ReadTerminal(uint32_t now) {
    FeedTerminalInput(Input, nullptr, 0, now);
    uint8_t bytes[256];
    for (;;) {
        uint32_t room = TerminalInputRoom(Input);
        if (room > sizeof bytes) room = sizeof bytes;
        if (room == 0) break;  // the rest waits in the terminal for the next poll
        const std::size_t count = ReadFromTerminal(bytes, room);
        if (count == 0) break;
        FeedTerminalInput(Input, bytes, static_cast<uint32_t>(count), now);
    }
    TakeStatusReplies(Flow, Input.replies.statusReports - StatusReportsTaken, now);
    StatusReportsTaken = Input.replies.statusReports;
    SetStatusAnswersOwed(Flow.unanswered);
}

}  // namespace

void PlatformOpenConsole(const char* title) {
    if (!OpenTerminalSession(title)) {
        std::fputs(
            "farrowgate: needs an interactive terminal (standard input and output must be a terminal)\n",
            stderr);
        std::exit(1);
    }
    std::atexit(RestoreAtExit);

    ResetTerminalInput(Input);
    ResetTerminalOutput(Output, 0, 0);
    ReadTerminalSize(Output);
    const char* term = std::getenv("TERM");
    const bool inTmux = std::getenv("TMUX") != nullptr;
    Output.repeatAllowed = TerminalKnownToRepeat(term, inTmux, std::getenv("XTERM_VERSION") != nullptr);
    Output.trueColour =
        TerminalTakesTrueColour(std::getenv("COLORTERM"), term, inTmux || std::getenv("STY") != nullptr);
    ResetFlowControl(Flow);
    OpenOutputQueue();
}

void PlatformPresent(const CHAR_INFO* cells) {
    if (TakeResized()) {
        ReadTerminalSize(Output);
        ForgetTerminalScreen(Output);  // the terminal may have reflowed the old picture
    }
    WaitForPresentSlot();
    // A frame is encoded only once the last has gone out whole and the
    // terminal has answered for all but a few (answers read at the last
    // moment: a round trip is the pace on a fast link); otherwise this one is
    // skipped and the next sent is the difference from what the terminal was sent.
    bool sent = SendQueuedOutput();
    const uint32_t now = PlatformTickCount();
    ReadTerminal(now);
    if (sent && QueuedOutput() == 0 && FrameMayGo(Flow, now)) {
        EncodeFrame(Output, cells, FrameBytes);  // empty when nothing changed
        if (FrameBytes.length > 0) {
            QueueOutput(FrameBytes.data, FrameBytes.length);  // the queue is empty and holds a frame
            if (FrameSent(Flow, now)) QueueOutput(STATUS_REQUEST, sizeof STATUS_REQUEST - 1);
            sent = SendQueuedOutput();
        }
    }
    // Part of a frame, maybe cut inside a sequence, leaves the screen unknown;
    // its request, queued last, went with it.
    if (!sent) {
        ForgetTerminalScreen(Output);
        RequestNotSent(Flow);
    }
    SetStatusAnswersOwed(Flow.unanswered);
}

uint32_t PlatformPendingInput() {
    FollowJobControl();
    ReadTerminal(PlatformTickCount());
    FollowKeyboardRequests();
    return Input.queued;
}

uint32_t PlatformReadInput(InputRecord* records, uint32_t capacity) {
    return TakeTerminalInput(Input, records, capacity);
}

uint32_t PlatformTickCount() {
    const int64_t now = MonotonicNs();
    if (TakeClockContinued() && LastTickNs != 0)
        StoppedNs += now - LastTickNs;  // the stop is no frame's time
    LastTickNs = now;
    return static_cast<uint32_t>(static_cast<uint64_t>(now - StoppedNs) / 1'000'000);
}

bool PlatformQuitRequested() { return Input.interruptRequested; }

void PlatformCloseConsole() {
    if (FinishQueuedOutput(QUEUE_STALL_MS)) TakeOwedAnswers();  // the last frame whole, then the restore
    RestoreTerminalFromProgram();
    if (Input.interruptRequested) std::exit(INTERRUPT_STATUS);
}

}  // namespace fg
