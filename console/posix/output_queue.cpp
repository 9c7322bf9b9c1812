#include "console/posix/output_queue.h"

#include <fcntl.h>
#include <sys/select.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "console/posix/terminal_session.h"

namespace fg {

namespace {

char Queue[OUTPUT_QUEUE_BYTES];
std::size_t Start = 0;  // the first byte not yet written
std::size_t End = 0;
int Descriptor = -1;  // non-blocking, or -1: write through WriteToTerminal

bool IsGone(int error) { return error == EIO || error == ENXIO; }

bool WaitWritable(int descriptor, int timeoutMs) {
    fd_set out;
    FD_ZERO(&out);
    FD_SET(descriptor, &out);
    timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    return select(descriptor + 1, nullptr, &out, nullptr, &limit) > 0;
}

}  // namespace

void OpenOutputQueue() {
    if (Descriptor >= 0) return;
    const char* name = ttyname(STDOUT_FILENO);
    if (name != nullptr) Descriptor = open(name, O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

bool QueueOutput(const char* bytes, std::size_t count) {
    if (Start == End) Start = End = 0;
    if (count > OUTPUT_QUEUE_BYTES - End) return false;
    std::memcpy(Queue + End, bytes, count);
    End += count;
    return true;
}

std::size_t QueuedOutput() { return End - Start; }

bool SendQueuedOutput() {
    if (Descriptor < 0) {
        const bool whole = WriteToTerminal(Queue + Start, End - Start);
        DropQueuedOutput();
        return whole;
    }
    while (Start < End) {
        const ssize_t written = write(Descriptor, Queue + Start, End - Start);
        if (written > 0) {
            Start += static_cast<std::size_t>(written);
        } else if (written < 0 && errno == EINTR) {
            continue;
        } else if (written < 0 && errno == EAGAIN) {
            return true;  // the rest goes on a later frame
        } else {
            if (written < 0 && IsGone(errno)) EndBecauseTerminalGone();
            DropQueuedOutput();
            return false;
        }
    }
    return true;
}

bool FinishQueuedOutput(int stallMs) {
    while (QueuedOutput() > 0) {
        if (Descriptor >= 0 && !WaitWritable(Descriptor, stallMs)) return false;
        if (!SendQueuedOutput()) return false;
    }
    return true;
}

void DropQueuedOutput() { Start = End = 0; }

}  // namespace fg
