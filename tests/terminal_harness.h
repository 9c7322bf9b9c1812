// Helpers for tests that run the game in a real terminal: a private temporary
// folder, shell commands with their output, waiting by polling, and a pseudo
// terminal of the test's own.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

#include "tests/test_support.h"

namespace fg::harness {

// A folder of the test's own (tests/test_process.h), removed afterwards; its
// paths are the strings shell commands are built from. The name is short:
// socket paths inside it must stay within the 108 bytes a socket name may
// have, and commands typed into a shell on one line of the pane.
struct TempDir {
    std::string path = test::MakeUniqueFolder("farrowgate-term").string();
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempDir() = default;
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string operator/(const std::string& name) const { return path + "/" + name; }
};

// Standard output of a shell command (standard error dropped).
inline std::string Output(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
        pclose(pipe);
    }
    return text;
}

inline bool Succeeds(const std::string& command) {
    return std::system((command + " > /dev/null 2>&1").c_str()) == 0;
}

inline bool Installed(const std::string& program) { return Succeeds("command -v " + program); }

inline std::string ReadText(const std::string& path) { return test::ReadAll(path); }

inline std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Polls the condition every few milliseconds until it holds or time runs out.
inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

inline bool ProcessGone(pid_t pid) {
    if (kill(pid, 0) != 0) return true;
    // A zombie waits for a parent that may be gone too: it runs no more.
    const std::string stat = ReadText("/proc/" + std::to_string(pid) + "/stat");
    if (stat.empty()) {  // no /proc (macOS, the BSDs): ps tells the state
        FILE* ps = popen(("ps -o stat= -p " + std::to_string(pid)).c_str(), "r");
        if (ps == nullptr) return false;
        const int first = std::fgetc(ps);
        pclose(ps);
        return first == 'Z' || first == EOF;
    }
    const size_t close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z';
}

// The game as the only process of a session on a pseudo terminal of ours.
struct PtyGame {
    int master = -1;
    pid_t pid = -1;

    // blockHangup: start with SIGHUP blocked, as under a session leader that ignores it.
    bool Start(const std::string& program, bool blockHangup) {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return false;
        const std::string slave = ptsname(master);
        pid = fork();
        if (pid != 0) return pid > 0;
        close(master);  // or the terminal would never see its master go
        setsid();
        const int fd = open(slave.c_str(), O_RDWR);
        ioctl(fd, TIOCSCTTY, 0);
        winsize size{60, 100, 0, 0};
        ioctl(fd, TIOCSWINSZ, &size);
        dup2(fd, 0);
        dup2(fd, 1);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        const rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        if (blockHangup) {
            sigset_t hangup;
            sigemptyset(&hangup);
            sigaddset(&hangup, SIGHUP);
            sigprocmask(SIG_BLOCK, &hangup, nullptr);
        }
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }

    // Bytes the game has written that nobody has read yet.
    int Unread() const {
        int count = 0;
        return ioctl(master, FIONREAD, &count) == 0 ? count : -1;
    }

    // Every byte still waiting to be read, once the game has ended: until the
    // terminal reports its other side closed, or nothing comes for a while.
    std::string ReadAll() const {
        std::string text;
        char buffer[4096];
        for (;;) {
            pollfd ready{master, POLLIN, 0};
            if (poll(&ready, 1, 1000) <= 0) break;
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n <= 0) break;
            text.append(buffer, static_cast<size_t>(n));
        }
        return text;
    }

    // Waits for the game to end; false if it has not within timeoutMs.
    bool Ended(int& status, int timeoutMs) {
        return WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, timeoutMs);
    }

    ~PtyGame() {
        int status = 0;
        if (pid > 0 && waitpid(pid, &status, WNOHANG) == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
        if (master >= 0) close(master);
    }
};

}  // namespace fg::harness
