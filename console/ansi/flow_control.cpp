#include "console/ansi/flow_control.h"

namespace fg {

void ResetFlowControl(FlowControl& flow) {
    flow = FlowControl{};
    flow.asking = true;
}

bool FrameMayGo(FlowControl& flow, uint32_t nowMs) {
    if (!flow.asking) return true;
    if (!flow.answered && flow.started && nowMs - flow.firstRequestMs >= FIRST_REPLY_WAIT_MS) {
        flow.asking = false;  // this terminal does not answer
        flow.unanswered = 0;
        return true;
    }
    if (flow.unanswered >= FRAMES_IN_FLIGHT && flow.answered &&
        nowMs - flow.lastProgressMs >= REPLY_LOST_MS) {
        --flow.unanswered;
        flow.lastProgressMs = nowMs;
    }
    return flow.unanswered < FRAMES_IN_FLIGHT;
}

bool FrameSent(FlowControl& flow, uint32_t nowMs) {
    if (!flow.asking) return false;
    if (!flow.started) {
        flow.started = true;
        flow.firstRequestMs = nowMs;
    }
    ++flow.unanswered;
    flow.lastProgressMs = nowMs;
    return true;
}

void TakeStatusReplies(FlowControl& flow, uint32_t count, uint32_t nowMs) {
    if (count == 0) return;
    flow.answered = true;
    flow.asking = true;  // a slow terminal answers after all
    flow.unanswered = count >= static_cast<uint32_t>(flow.unanswered) ? 0 : flow.unanswered - static_cast<int>(count);
    flow.lastProgressMs = nowMs;
}

void ForgetStatusRequests(FlowControl& flow) { flow.unanswered = 0; }

}  // namespace fg
