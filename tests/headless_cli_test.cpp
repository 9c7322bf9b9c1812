#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/test_support.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status;
    std::string out, err;
};

using fg::test::ReadAll;

#if defined(_WIN32)
using rlim_t = unsigned long;  // no file-size limits on Windows: the tests that need one skip there

Outcome RunHeadlessIn(const fs::path& dir, const std::string& arguments, rlim_t = 0) {
    const int status = fg::test::RunCommandIn(
        dir, fg::test::ShellWord(FARROWGATE_HEADLESS) + " " + arguments + " > out.txt 2> err.txt");
    return {status, ReadAll(dir / "out.txt"), ReadAll(dir / "err.txt")};
}
#else
// Runs the headless runner in dir through the shell, stdout and stderr kept;
// fileSizeLimit > 0 runs it under that RLIMIT_FSIZE with SIGXFSZ ignored.
Outcome RunHeadlessIn(const fs::path& dir, const std::string& arguments, rlim_t fileSizeLimit = 0) {
    const std::string command = std::string(FARROWGATE_HEADLESS) + " " + arguments;
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(dir.c_str()) != 0) _exit(127);
        const int out = open("out.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open("err.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(127);
        if (fileSizeLimit > 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{fileSizeLimit, fileSizeLimit};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(127);
        }
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int raw = 0;
    waitpid(child, &raw, 0);
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadAll(dir / "out.txt"), ReadAll(dir / "err.txt")};
}
#endif

class HeadlessRunner : public testing::Test {
protected:
    fg::test::TempFolder dir;

    Outcome Run(const std::string& arguments, const std::string& script = "", rlim_t fileSizeLimit = 0) {
        std::ofstream(dir / "script.txt", std::ios::binary) << script;
        return RunHeadlessIn(dir.path(), arguments, fileSizeLimit);
    }
    // A refusal: status 2, one line on stderr naming the problem, nothing on
    // stdout, and no output file left behind.
    void ExpectRefused(const Outcome& o, const std::string& mentions, const std::string& what) {
        EXPECT_EQ(o.status, 2) << what;
        EXPECT_NE(o.err.find(mentions), std::string::npos) << what << ": " << o.err;
        EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << what << ": " << o.err;
        EXPECT_TRUE(o.out.empty()) << what << ": " << o.out;
        EXPECT_FALSE(fs::exists(dir / "f.bin")) << what;
        EXPECT_FALSE(fs::exists(dir / "s.txt")) << what;
        fs::remove(dir / "f.bin");
        fs::remove(dir / "s.txt");
    }
};

TEST_F(HeadlessRunner, BadUsageIsOneClearLineAndExitTwo) {
    const struct {
        const char* arguments;
        const char* script;
        const char* mentions;
    } cases[] = {
        {"", "", "--script"},
        {"--script script.txt --speed 3", "16\n", "--speed"},
        {"--script missing.txt", "", "missing.txt"},
        {"--script .", "", "cannot read"},
        {"--script script.txt --repeat 0", "16\n", "--repeat"},
        {"--script script.txt --start-tick 4294967296", "16\n", "--start-tick"},
        {"--script script.txt --frames-out f.bin", "16\n16 +UP\n\n# x\n16 +JUMP\n", "line 5"},
        {"--script script.txt --state-out", "16\n", "needs a value"},
        {"--script script.txt --frames-out f.bin --state-out no/such/s.txt", "16\n", "no/such/s.txt"},
    };
    for (const auto& c : cases) ExpectRefused(Run(c.arguments, c.script), c.mentions, c.arguments);
}

TEST_F(HeadlessRunner, RunsRepeatsAndReportsFrames) {
    const Outcome o =
        Run("--script script.txt --repeat 3 --frames-out f.bin --state-out s.txt", "16\n0 OTHER\n");
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out.rfind("frames 6 ms ", 0), 0u) << o.out;
    EXPECT_NE(o.out.find(" fps "), std::string::npos);
    EXPECT_EQ(fs::file_size(dir / "f.bin"), 6u * 16000);
    const std::string state = ReadAll(dir / "s.txt");
    EXPECT_EQ(state.rfind("frame 0 elapsed 16 anim 16\n", 0), 0u) << state.substr(0, 80);
    EXPECT_NE(state.find("\nframe 5 elapsed 0 anim "), std::string::npos);

    const Outcome dump = Run("--dump-assets .");
    EXPECT_EQ(dump.status, 0) << dump.err;
    EXPECT_EQ(fs::file_size(dir / "texture_bank.bin"), 262144u);
    EXPECT_EQ(fs::file_size(dir / "level_image.bin"), 12290u);
}

// A write that fails or falls short ends the run: status 2, one line, and no
// partial file that could pass for a whole run.
TEST_F(HeadlessRunner, FailedWritesEndTheRunAndRemoveTheOutputs) {
#if defined(_WIN32)
    GTEST_SKIP() << "needs /dev/full and file-size limits";
#endif
    const std::string script = "16 +UP\n16\n16 -UP +LEFT\n";
    const struct {
        const char* arguments;
        rlim_t fileSizeLimit;
        const char* mentions;
    } cases[] = {
        {"--script script.txt --frames-out /dev/full --state-out s.txt", 0, "/dev/full"},
        {"--script script.txt --frames-out f.bin --state-out /dev/full", 0, "/dev/full"},
        {"--script script.txt --frames-out f.bin --state-out s.txt --terminal-out /dev/full", 0, "/dev/full"},
        {"--script script.txt --repeat 200 --frames-out f.bin --state-out s.txt", 100000, "failed"},
        {"--script script.txt --repeat 200 --state-out s.txt", 20000, "s.txt"},
        {"--script script.txt > /dev/full", 0, "summary"},
    };
    for (const auto& c : cases) {
        const Outcome o = Run(c.arguments, script, c.fileSizeLimit);
        EXPECT_EQ(o.status, 2) << c.arguments;
        EXPECT_NE(o.err.find(c.mentions), std::string::npos) << c.arguments << ": " << o.err;
        EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << c.arguments << ": " << o.err;
        EXPECT_FALSE(fs::exists(dir / "f.bin")) << c.arguments;
        EXPECT_FALSE(fs::exists(dir / "s.txt")) << c.arguments;
    }
    EXPECT_TRUE(fs::is_character_file("/dev/full")) << "a device is never removed";
}

// Input the runner cannot sensibly hold is refused with its line number, and
// messages show at most 40 characters of it, control characters escaped.
TEST_F(HeadlessRunner, RefusesRunawayInputAndQuotesItSafely) {
    const std::string longWord = "16 +" + std::string(3000000, 'X') + "\n";
    ExpectRefused(Run("--script script.txt --frames-out f.bin", "16\n" + longWord), "line 2: longer than",
                  "long line");
#if !defined(_WIN32)
    ExpectRefused(Run("--script /dev/zero --frames-out f.bin"), "line 1: longer than", "/dev/zero");
#endif

    // 100,000 records a frame against a poll that drains 128: the queue passes
    // 10^6 in the eleventh frame.
    std::string flood = "16\n# a flood\n0";
    for (int i = 0; i < 100000; ++i) flood += " OTHER";
    ExpectRefused(Run("--script script.txt --repeat 50 --frames-out f.bin --state-out s.txt", flood + "\n"),
                  "line 3: more than 1000000", "flood");

    const Outcome o = Run("--script script.txt", "16 +UP\x1b[2J\x07" + std::string(200, 'z') + "\n");
    ExpectRefused(o, "line 1: unknown event '+UP\\x1b[2J\\x07zzz", "escapes");
    EXPECT_EQ(o.err.find('\x1b'), std::string::npos);
    EXPECT_EQ(o.err.find('\x07'), std::string::npos);
    EXPECT_EQ(o.err.find(std::string(40, 'z')), std::string::npos) << "at most 40 characters quoted";
    EXPECT_NE(o.err.find("'..."), std::string::npos) << "a cut quote says so";

#if !defined(_WIN32)
    const Outcome option = Run("--script script.txt --" + std::string(100, 'y') + "$'\\n'", "16\n");
    EXPECT_EQ(option.status, 2);
    EXPECT_LT(option.err.size(), 120u) << option.err;
#endif
}

}  // namespace
