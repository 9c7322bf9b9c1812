#include "console/ansi/flow_control.h"

namespace fg {

void ResetFlowControl(FlowControl& flow) {
    flow = FlowControl{};
    flow.asking = true;
}

namespace {

void TakeOldestRequest(FlowControl& flow) {
    for (int i = 1; i < flow.unanswered; ++i) flow.sentMs[i - 1] = flow.sentMs[i];
    --flow.unanswered;
}

}  // namespace

bool FrameMayGo(FlowControl& flow, uint32_t nowMs) {
    if (!flow.asking) return true;
    if (!flow.answered && flow.started && nowMs - flow.firstRequestMs >= FIRST_REPLY_WAIT_MS) {
        flow.asking = false;  // this terminal does not answer
        flow.unanswered = 0;
        return true;
    }
    const int allowed = flow.slowAnswers ? 1 : FRAMES_IN_FLIGHT;
    if (flow.unanswered >= allowed && flow.answered && nowMs - flow.lastProgressMs >= REPLY_LOST_MS) {
        TakeOldestRequest(flow);
        flow.lastProgressMs = nowMs;
    }
    return flow.unanswered < allowed;
}

bool FrameSent(FlowControl& flow, uint32_t nowMs) {
    if (!flow.asking) return false;
    if (!flow.started) {
        flow.started = true;
        flow.firstRequestMs = nowMs;
    }
    if (flow.unanswered == FRAMES_IN_FLIGHT) TakeOldestRequest(flow);  // sent unasked: the ring's bound
    flow.sentMs[flow.unanswered++] = nowMs;
    flow.lastProgressMs = nowMs;
    return true;
}

void RequestNotSent(FlowControl& flow) {
    if (flow.unanswered > 0) --flow.unanswered;  // the newest is last
}

void TakeStatusReplies(FlowControl& flow, uint32_t count, uint32_t nowMs) {
    if (count == 0) return;
    flow.answered = true;
    flow.asking = true;  // a slow terminal answers after all
    for (uint32_t i = 0; i < count && flow.unanswered > 0; ++i) {
        flow.slowAnswers = nowMs - flow.sentMs[0] > QUICK_ANSWER_MS;
        TakeOldestRequest(flow);
    }
    flow.lastProgressMs = nowMs;
}

void ForgetStatusRequests(FlowControl& flow) { flow.unanswered = 0; }

}  // namespace fg
