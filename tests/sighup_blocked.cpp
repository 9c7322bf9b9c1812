// Runs a program with SIGHUP blocked, as under a session leader that keeps
// hangups from its children: a blocked signal stays blocked across exec.
#include <signal.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: sighup-blocked PROGRAM [ARGUMENT...]\n", stderr);
        return 2;
    }
    sigset_t hangup;
    sigemptyset(&hangup);
    sigaddset(&hangup, SIGHUP);
    sigprocmask(SIG_BLOCK, &hangup, nullptr);
    execvp(argv[1], argv + 1);
    std::perror(argv[1]);
    return 127;
}
