#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "console/atomic_file.h"
#include "console/number_text.h"
#include "tests/temp_folder.h"

namespace fg {
namespace {

namespace fs = std::filesystem;

TEST(NumberText, DecimalsAndSizesAcceptDigitsOnlyWithinTheirLimits) {
    uint64_t value = 7;
    EXPECT_TRUE(ParseDecimal("0", 5, value) && value == 0);
    EXPECT_TRUE(ParseDecimal("4294967295", UINT32_MAX, value) && value == UINT32_MAX);
    EXPECT_TRUE(ParseDecimal("18446744073709551615", UINT64_MAX, value) && value == UINT64_MAX);
    for (const char* bad : {"", "+1", "-1", " 1", "1 ", "1a", "0x10", "4294967296", "18446744073709551616"})
        EXPECT_FALSE(ParseDecimal(bad, UINT32_MAX, value)) << bad;
    EXPECT_FALSE(ParseDecimal("99999999999999999999999", UINT64_MAX, value)) << "no overflow";
    EXPECT_EQ(value, UINT64_MAX) << "a refused number leaves the value alone";
    int small = 0;
    EXPECT_TRUE(ParseDecimal("255", 255, small) && small == 255);
    EXPECT_FALSE(ParseDecimal("256", 255, small));

    int w = 0, h = 0;
    EXPECT_TRUE(ParseWidthByHeight("80x50", 9999, w, h) && w == 80 && h == 50);
    EXPECT_TRUE(ParseWidthByHeight("9999x1", 9999, w, h) && w == 9999 && h == 1);
    for (const char* bad : {"0x5", "5x0", "80x", "x50", "80X50", "10000x1", "1x1x1", "80 x50", "", "x"})
        EXPECT_FALSE(ParseWidthByHeight(bad, 9999, w, h)) << bad;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> Names(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A file is replaced whole or left as it was, never half written, and no
// temporary file stays behind either way.
TEST(AtomicFile, ReplacesWholeOrLeavesTheTargetAlone) {
    test::TempFolder dir;
    const std::string target = (dir / "t.txt").string();
    std::ofstream(target) << "old";
    AtomicFile out;
    ASSERT_TRUE(OpenAtomicFile(out, target));
    std::fputs("half of the new", out.file);
    AbandonAtomicFile(out);
    EXPECT_EQ(ReadAll(target), "old");
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"t.txt"});

    int error = 0;
    ASSERT_TRUE(WriteFileAtomically(target, "new", error));
    EXPECT_EQ(ReadAll(target), "new");
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"t.txt"});

    EXPECT_FALSE(WriteFileAtomically((dir / "no" / "t.txt").string(), "x", error));
    EXPECT_EQ(error, ENOENT);
    fs::create_directory(dir / "d");
    EXPECT_FALSE(WriteFileAtomically((dir / "d").string(), "x", error)) << "a folder is never replaced";
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"d", "t.txt"}));
#if !defined(_WIN32)
    // A link is replaced itself; what it points to stays as it was.
    fs::create_symlink("t.txt", dir / "link");
    ASSERT_TRUE(WriteFileAtomically((dir / "link").string(), "through?", error));
    EXPECT_FALSE(fs::is_symlink(dir / "link"));
    EXPECT_EQ(ReadAll(dir / "link"), "through?");
    EXPECT_EQ(ReadAll(target), "new");
    EXPECT_TRUE(WriteFileAtomically("/dev/null", "a device is a stream", error));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
#endif
}

TEST(AtomicFile, NamesWindowsWouldAlterAreKnown) {
    for (const char* name :
         {"aux.bin", "con", "NUL", "com1", "COM1.txt", "lpt9", "com0", "prn.tar.gz", "a.", "a ", "CONOUT$"})
        EXPECT_NE(WindowsNameProblem(name), nullptr) << name;
    for (const char* name : {"console", "com10", "aux_b", "a.b", "nul-file", ".", ".."})
        EXPECT_EQ(WindowsNameProblem(name), nullptr) << name;
}

}  // namespace
}  // namespace fg
