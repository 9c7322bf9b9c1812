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

// Outputs are written beside their targets and replace them only when the
// whole run succeeded: a failed run leaves every file as it was and no
// temporary file behind, and a link given as an output is replaced, never
// written through.
TEST_F(HeadlessRunner, OutputsReplaceTheirTargetsOnlyWhenTheRunSucceeds) {
    const auto names = [&] {
        std::vector<std::string> left;
        for (const auto& entry : fs::directory_iterator(dir.path()))
            left.push_back(entry.path().filename().string());
        std::sort(left.begin(), left.end());
        return left;
    };
    for (const char* made : {"script.txt", "out.txt", "err.txt"}) std::ofstream(dir / made) << "";
    std::ofstream(dir / "kept.txt") << "must stay";
    std::ofstream(dir / "s.txt") << "an earlier state";
#if !defined(_WIN32)
    fs::create_symlink("kept.txt", dir / "link.bin");
    const std::string frames = "link.bin";
#else
    const std::string frames = "kept.txt";
#endif
    const std::vector<std::string> before = names();
    const char* const failing[] = {"16\n16 +UP\n16\n\n16 +JUMP\n",  // line 5 is malformed
                                   "16\n0 OTHER\n"};                // the state's folder is missing
    const std::string stateOut[] = {"s.txt", "no/such/s.txt"};
    for (int i = 0; i < 2; ++i) {
        const Outcome o =
            Run("--script script.txt --frames-out " + frames + " --state-out " + stateOut[i], failing[i]);
        EXPECT_EQ(o.status, 2) << o.err;
        EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
        EXPECT_EQ(ReadAll(dir / "kept.txt"), "must stay");
        EXPECT_EQ(ReadAll(dir / "s.txt"), "an earlier state");
        EXPECT_EQ(names(), before) << "no temporary file left, no file removed";
    }
    EXPECT_NE(Run("--script script.txt --state-out s.txt", failing[0]).err.find("line 5: unknown event"),
              std::string::npos);

    const Outcome o = Run("--script script.txt --frames-out " + frames + " --state-out s.txt", "16\n16\n");
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(fs::file_size(dir / frames), 2u * 16000);
    EXPECT_EQ(ReadAll(dir / "s.txt").rfind("frame 0 elapsed 16", 0), 0u);
#if !defined(_WIN32)
    EXPECT_FALSE(fs::is_symlink(dir / "link.bin")) << "the link itself is replaced";
    EXPECT_EQ(ReadAll(dir / "kept.txt"), "must stay");
#endif
    EXPECT_EQ(names(), before);
}

// Output paths that cannot be right are refused before anything is written.
TEST_F(HeadlessRunner, OutputPathsThatCannotBeRightAreUsageErrors) {
    fs::create_directory(dir / "sub");
    const struct {
        std::string arguments;
        const char* mentions;
    } cases[] = {
        {"--frames-out \"\"", "--frames-out needs a file name"},
        {"--state-out sub", "'sub' names a folder"},
        {"--frames-out f.bin --state-out sub/../f.bin", "--frames-out and --state-out name the same file"},
        {"--frames-out f.bin --terminal-out ./f.bin", "name the same file"},
#if defined(_WIN32)
        {"--frames-out aux.bin", "a Windows device name"},
        {"--frames-out CON", "a Windows device name"},
        {"--state-out com1.txt", "a Windows device name"},
        {"--frames-out \"f.bin.\"", "ends in a dot or a space"},
        {"--frames-out \"f.bin \"", "ends in a dot or a space"},
#endif
    };
    for (const auto& c : cases)
        ExpectRefused(Run("--script script.txt " + c.arguments, "16\n"), c.mentions, c.arguments);
    ExpectRefused(Run("--dump-assets \"\""), "--dump-assets needs a folder", "empty folder");
}

// --dump-assets makes its folder (one level) and says why when it cannot.
TEST_F(HeadlessRunner, DumpAssetsMakesItsFolderAndSaysWhyItFails) {
    const Outcome made = Run("--dump-assets new");
    EXPECT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(fs::file_size(dir / "new" / "level_image.bin"), 12290u);
    const Outcome deep = Run("--dump-assets missing/new");
    EXPECT_EQ(deep.status, 2);
    EXPECT_NE(deep.err.find("'missing/new': No such file or directory"), std::string::npos) << deep.err;
    std::ofstream(dir / "plain") << "x";
    const Outcome file = Run("--dump-assets plain");
    EXPECT_EQ(file.status, 2);
    EXPECT_NE(file.err.find("'plain"), std::string::npos) << file.err;
    EXPECT_EQ(ReadAll(dir / "plain"), "x");
}

#if !defined(_WIN32)
// The script is read a line per frame: a run ends at its Escape frame while
// the pipe feeding it is still open. --repeat reads a script again, which a
// pipe cannot give (a file on standard input can).
TEST_F(HeadlessRunner, ScriptsAreStreamedAndRepeatNeedsAFile) {
    const Outcome file = Run("--script - --repeat 2 --frames-out f.bin < script.txt", "16\n16\n");
    EXPECT_EQ(file.status, 0) << file.err;
    EXPECT_EQ(fs::file_size(dir / "f.bin"), 4u * 16000);
    fs::remove(dir / "f.bin");
    const std::string pipe = "--version > /dev/null; cat script.txt | " + std::string(FARROWGATE_HEADLESS);
    ExpectRefused(Run(pipe + " --script - --repeat 2 --frames-out f.bin", "16\n"),
                  "--repeat needs a script file", "a pipe");

    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const pid_t child = fork();
    if (child == 0) {
        dup2(ends[0], 0);
        close(ends[1]);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        execl(FARROWGATE_HEADLESS, FARROWGATE_HEADLESS, "--script", "-", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(ends[0]);
    const char lines[] = "16 +UP\n16 +ESC\n";
    ASSERT_EQ(write(ends[1], lines, sizeof lines - 1), static_cast<ssize_t>(sizeof lines - 1));
    int raw = 0;
    pid_t done = 0;
    for (int waited = 0; waited < 600 && done == 0; ++waited) {  // up to a minute on a loaded machine
        done = waitpid(child, &raw, WNOHANG);
        if (done == 0) usleep(100000);
    }
    close(ends[1]);
    if (done == 0) waitpid(child, &raw, 0);  // ends at the pipe's end: the runner did not stream
    EXPECT_NE(done, 0) << "the runner waited for the end of the script before its frames";
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0);
}
#endif

}  // namespace
