#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status;
    std::string out, err;
    std::map<std::string, uintmax_t> files;  // what the run left in its folder, by size
};

Outcome RunHeadless(const std::string& arguments, const std::string& script = "") {
    // A folder of its own: other test processes run the runner at the same time.
    std::string pattern = (fs::temp_directory_path() / "farrowgate-cli-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return {-1, "", "mkdtemp failed", {}};
    const fs::path dir = pattern;
    std::ofstream(dir / "script.txt") << script;
    const std::string command = "cd " + dir.string() + " && " + FARROWGATE_HEADLESS + " " +
                                arguments + " > out.txt 2> err.txt";
    const int raw = std::system(command.c_str());
    auto read = [&](const char* name) {
        std::ifstream in(dir / name);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    };
    Outcome outcome{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read("out.txt"), read("err.txt"), {}};
    for (const auto& entry : fs::directory_iterator(dir))
        outcome.files[entry.path().filename().string()] = entry.file_size();
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    return outcome;
}

TEST(HeadlessRunner, BadUsageIsOneClearLineAndExitTwo) {
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
    };
    for (const auto& c : cases) {
        const Outcome o = RunHeadless(c.arguments, c.script);
        EXPECT_EQ(o.status, 2) << c.arguments;
        EXPECT_NE(o.err.find(c.mentions), std::string::npos) << c.arguments << ": " << o.err;
        EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
        EXPECT_TRUE(o.out.empty()) << o.out;
        // Nothing is half-written when the input is bad.
        EXPECT_EQ(o.files.count("f.bin"), 0u) << c.arguments;
    }
}

TEST(HeadlessRunner, RunsRepeatsAndReportsFrames) {
    const Outcome o = RunHeadless("--script script.txt --repeat 3 --frames-out f.bin --state-out s.txt",
                          "16\n0 OTHER\n");
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out.rfind("frames 6 ms ", 0), 0u) << o.out;
    EXPECT_NE(o.out.find(" fps "), std::string::npos);
    EXPECT_EQ(o.files.at("f.bin"), 6u * 16000);

    const Outcome dump = RunHeadless("--dump-assets .");
    EXPECT_EQ(dump.status, 0) << dump.err;
    EXPECT_EQ(dump.files.at("texture_bank.bin"), 262144u);
    EXPECT_EQ(dump.files.at("level_image.bin"), 12290u);
}

}  // namespace
