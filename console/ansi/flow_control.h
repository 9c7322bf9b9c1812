// Keeps the picture from running ahead of the terminal. After each frame it
// sends, the back end asks for a device status report (CSI 5 n), which every
// VT100-like terminal, tmux and screen answer with CSI 0 n once everything
// before it has been read. While too many requests are unanswered no frame
// is sent: the game runs on, and the next frame sent is the difference from
// what the terminal was last sent, so the picture jumps to the present
// instead of queueing up in buffers the game cannot see (ssh's window, a
// socket's send buffer).
//
// Two frames may be unanswered while answers come within QUICK_ANSWER_MS of
// their request, so a fast link with a long round trip is not left idle
// while an answer crosses it; once they take longer (the link needs that
// long to carry a frame) only one, so the view stops sooner after the key.
//
// A terminal that never answers must not freeze the picture: if no reply at
// all has come FIRST_REPLY_WAIT_MS after the first request, the game stops
// asking and sends every frame, as a terminal without flow control needs.
// The wait is long because on a slow link the first picture alone takes its
// time to cross (17 KB: 1.4 s at 100 kbit/s). A reply that comes later still
// turns pacing back on. Once replies have come, a request left unanswered for
// REPLY_LOST_MS is taken as lost, so a dropped reply costs a pause, never the
// picture.
//
// No I/O and no clock of its own: times are the back end's wrapping 32-bit
// milliseconds.
#pragma once

#include <cstdint>

namespace fg {

constexpr int FRAMES_IN_FLIGHT = 2;  // the most unanswered; measured against one and three
constexpr uint32_t QUICK_ANSWER_MS = 250;
constexpr uint32_t FIRST_REPLY_WAIT_MS = 5000;
constexpr uint32_t REPLY_LOST_MS = 10000;
constexpr char STATUS_REQUEST[] = "\x1b[5n";

struct FlowControl {
    bool asking;                        // requests go out with frames; false once given up
    bool started;                       // the first request has gone out
    bool answered;                      // a reply has come
    int unanswered;                     // requests sent and not yet answered
    uint32_t sentMs[FRAMES_IN_FLIGHT];  // when each unanswered request went, oldest first
    bool slowAnswers;                   // the last answer took longer than QUICK_ANSWER_MS
    uint32_t firstRequestMs;
    uint32_t lastProgressMs;  // the last request sent or reply taken
};

void ResetFlowControl(FlowControl& flow);

// Whether a frame may go out now. Gives up asking, or takes a request as
// lost, when its time has come.
bool FrameMayGo(FlowControl& flow, uint32_t nowMs);

// A frame went out; true when a status request must follow it.
bool FrameSent(FlowControl& flow, uint32_t nowMs);

// The last request never went out whole (a write failed and the rest of the
// frame with it): no answer will come for it.
void RequestNotSent(FlowControl& flow);

// count replies were read.
void TakeStatusReplies(FlowControl& flow, uint32_t count, uint32_t nowMs);

// The terminal's input was flushed (the game took the terminal again): the
// replies on their way are gone with it.
void ForgetStatusRequests(FlowControl& flow);

}  // namespace fg
