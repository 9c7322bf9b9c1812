// The game's command line, run as a user runs it: the built program, its exit
// status and exactly what it printed where.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
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

class CommandLine : public ::testing::Test {
protected:
    // Standard input is never the test's terminal: the game must not start.
    Outcome Run(const std::string& program, const std::string& arguments, const std::string& outPath = "") {
        const std::string out = outPath.empty() ? (dir / "out.txt").string() : outPath;
        const std::string command =
            program + " " + arguments + " < /dev/null > " + out + " 2> " + (dir / "err.txt").string();
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, fg::test::ReadAll(dir / "out.txt"),
                fg::test::ReadAll(dir / "err.txt")};
    }

    fg::test::TempFolder dir;
};

long Lines(const std::string& text) { return std::count(text.begin(), text.end(), '\n'); }

TEST_F(CommandLine, AnswersHelpAndVersionOnStandardOutput) {
    const struct {
        const char* arguments;
        const char* expected;  // the whole output, or a part of it when whole is false
        bool whole;
    } cases[] = {
        {"--version", "farrowgate " FARROWGATE_VERSION "\n", true},
        {"--version --help", "farrowgate " FARROWGATE_VERSION "\n", true},  // the first one answers
        {"--help", "usage: farrowgate [--help | --version]\n", false},
        {"--help", "80 columns by 50 rows", false},
        {"--help", "nothing but the terminal", false},
        {"--help", "Escape", false},
    };
    for (const auto& c : cases) {
        const Outcome o = Run(FARROWGATE_GAME, c.arguments);
        EXPECT_EQ(o.status, 0) << c.arguments;
        EXPECT_EQ(o.err, "") << c.arguments;
        if (c.whole)
            EXPECT_EQ(o.out, c.expected) << c.arguments;
        else
            EXPECT_NE(o.out.find(c.expected), std::string::npos) << c.arguments << ":\n" << o.out;
    }
    const Outcome headless = Run(FARROWGATE_HEADLESS, "--version");
    EXPECT_EQ(headless.status, 0);
    EXPECT_EQ(headless.out, "farrowgate-headless " FARROWGATE_VERSION "\n");
}

TEST_F(CommandLine, AnyOtherArgumentIsNamedOnOneLineWithStatusTwo) {
    const struct {
        const char* arguments;
        const char* named;
    } cases[] = {
        {"--bogus", "'--bogus'"},
        {"-h", "'-h'"},
        {"''", "''"},
        {"--help extra", "'extra'"},  // a typo beside --help is not swallowed
        {"--version --verison", "'--verison'"},
        {"--", "'--'"},
        // Quoted the one way: control bytes escaped, at most 40 characters.
        {"\"$(printf '%s\\033[31mRED' --x)\"", "'--x\\x1b[31mRED'"},
        {"\"$(printf '%0100000d' 0)\"", "'0000000000000000000000000000000000000000'..."},
    };
    for (const auto& c : cases) {
        const Outcome o = Run(FARROWGATE_GAME, c.arguments);
        EXPECT_EQ(o.status, 2) << c.arguments;
        EXPECT_EQ(o.out, "") << c.arguments;
        EXPECT_EQ(Lines(o.err), 1) << c.arguments << ": " << o.err;
        EXPECT_EQ(o.err.rfind("farrowgate: ", 0), 0u) << o.err;
        EXPECT_NE(o.err.find(c.named), std::string::npos) << c.arguments << ": " << o.err;
        EXPECT_NE(o.err.find("farrowgate --help"), std::string::npos) << o.err;
        EXPECT_EQ(o.err.find('\x1b'), std::string::npos) << o.err;
        EXPECT_LT(o.err.size(), 120u);
    }
}

TEST_F(CommandLine, WithoutArgumentsTheGameStartsAndRefusesAMissingTerminal) {
    const Outcome o = Run(FARROWGATE_GAME, "");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(Lines(o.err), 1) << o.err;
    EXPECT_NE(o.err.find("terminal"), std::string::npos) << o.err;
}

TEST_F(CommandLine, AFailedWriteIsAnErrorNotSuccess) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    for (const char* arguments : {"--help", "--version"}) {
        const Outcome o = Run(FARROWGATE_GAME, arguments, "/dev/full");
        EXPECT_EQ(o.status, 1) << arguments;
        EXPECT_EQ(Lines(o.err), 1) << arguments << ": " << o.err;
    }
}

}  // namespace
