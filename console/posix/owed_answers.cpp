#include "console/posix/owed_answers.h"

#include <sys/select.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <ctime>

namespace fg {

namespace {

// Long enough for the frames in flight to cross a slow link (two pictures
// at 100 kbit/s) before their answers come back.
constexpr int64_t ANSWER_WAIT_MS = 3000;

volatile sig_atomic_t AnswersOwed = 0;

int64_t NowMs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

// Follows "ESC [ 0 n" and "ESC [ 3 n" through bytes read in any pieces.
struct AnswerMatch {
    int matched = 0;
    bool Next(char byte) {
        const bool next = (matched == 0 && byte == '\x1b') || (matched == 1 && byte == '[') ||
                          (matched == 2 && (byte == '0' || byte == '3')) || (matched == 3 && byte == 'n');
        matched = next ? matched + 1 : (byte == '\x1b' ? 1 : 0);
        if (matched < 4) return false;
        matched = 0;
        return true;
    }
};

}  // namespace

void SetStatusAnswersOwed(int count) { AnswersOwed = count; }

void TakeOwedAnswers() {
    int owed = AnswersOwed;
    AnswersOwed = 0;
    const int64_t end = NowMs() + ANSWER_WAIT_MS;
    AnswerMatch match;
    while (owed > 0) {
        const int64_t left = end - NowMs();
        if (left <= 0) return;
        fd_set in;
        FD_ZERO(&in);
        FD_SET(STDIN_FILENO, &in);
        timeval limit{static_cast<time_t>(left / 1000), static_cast<suseconds_t>((left % 1000) * 1000)};
        const int ready = select(STDIN_FILENO + 1, &in, nullptr, nullptr, &limit);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return;
        char bytes[256];
        const ssize_t count = read(STDIN_FILENO, bytes, sizeof bytes);
        if (count <= 0) return;  // gone, or nothing after all (raw mode, VMIN 0)
        for (ssize_t i = 0; i < count; ++i) owed -= match.Next(bytes[i]) ? 1 : 0;
    }
}

}  // namespace fg
