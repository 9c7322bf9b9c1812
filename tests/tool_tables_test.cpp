// The Python art tools keep their own copies of the console palette and the
// level layout (they run without a build), and the level checker its own
// survey: each must stay what the game and the C++ tools use.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>

#include "assets/level_image.h"
#include "console/cell_glyphs.h"
#include "tests/test_support.h"
#include "tools/art_source.h"
#include "tools/level_survey.h"

namespace fg {
namespace {

std::string ArtFormatSource() {
    return test::ReadAll(std::string(FARROWGATE_SOURCE_DIR) + "/tools/art_format.py");
}

TEST(ToolTables, PythonPaletteIsTheConsolePalette) {
    const std::string source = ArtFormatSource();
    ASSERT_FALSE(source.empty());
    const size_t begin = source.find("\nPALETTE = [");
    ASSERT_NE(begin, std::string::npos);
    const std::string block = source.substr(begin, source.find(']', begin) - begin);

    const std::regex entry(
        R"(\(\s*(0x[0-9A-Fa-f]+|\d+)\s*,\s*(0x[0-9A-Fa-f]+|\d+)\s*,\s*(0x[0-9A-Fa-f]+|\d+)\s*\))");
    int index = 0;
    for (auto m = std::sregex_iterator(block.begin(), block.end(), entry); m != std::sregex_iterator();
         ++m, ++index) {
        ASSERT_LT(index, 16) << "more than sixteen colours";
        for (int channel = 0; channel < 3; ++channel)
            EXPECT_EQ(std::stoi((*m)[channel + 1].str(), nullptr, 0), CONSOLE_PALETTE[index][channel])
                << "colour " << index << " channel " << channel;
    }
    EXPECT_EQ(index, 16);
}

TEST(ToolTables, PythonLevelLayoutIsTheGames) {
    const std::string source = ArtFormatSource();
    const std::map<std::string, int> layout = {{"MAP_SIZE", MAP_SIZE},
                                               {"LEVEL_START_BYTES", LEVEL_START_BYTES},
                                               {"LEVEL_LAYER_BYTES", LEVEL_LAYER_BYTES},
                                               {"DOOR_BYTE_BASE", DOOR_BYTE_BASE},
                                               {"LAST_DOOR_BYTE", LAST_DOOR_BYTE}};
    for (const auto& [name, value] : layout) {
        std::smatch m;
        ASSERT_TRUE(std::regex_search(source, m, std::regex("\n" + name + R"( = (\d+)\n)"))) << name;
        EXPECT_EQ(std::stoi(m[1].str()), value) << name;
    }
}

#if defined(FARROWGATE_PYTHON)
// The level text with `from` changed to `to` in one section (from its header
// line to the next), `count` times at most.
std::string Edited(std::string text, const std::string& section, char from, char to, int count) {
    const char* next = section == "walls" ? "\nfloors\n" : section == "floors" ? "\nceilings\n" : nullptr;
    const size_t end = next != nullptr ? text.find(next) : text.size();
    size_t at = text.find("\n" + section + "\n");
    for (int n = 0; n < count && (at = text.find(from, at)) < end; ++n) text[at] = to;
    return text;
}

// The checker's survey and the level tool's count the same things the same
// way: on the built-in level and on levels broken in the ways the figures
// watch for.
TEST(ToolTables, PythonLevelSurveyCountsAsTheToolDoes) {
    const std::string level = test::ReadAll(std::string(FARROWGATE_SOURCE_DIR) + "/art/level.txt");
    ASSERT_FALSE(level.empty());
    const size_t start = level.find("\nstart 32 32\n");
    ASSERT_NE(start, std::string::npos);
    const std::string moved = level.substr(0, start) + "\nstart 1 62\n" + level.substr(start + 13);
    const struct {
        const char* name;
        std::string text;
    } variants[] = {
        {"built-in", level},
        {"start outside", moved},
        {"doors removed", Edited(level, "walls", '=', '.', 100)},
        {"a breach in the outer wall", Edited(level, "walls", 'W', '.', 3)},
        {"walls turned into doors", Edited(level, "walls", 'X', '%', 2)},
        {"floors taken away", Edited(level, "floors", 'Q', '.', 40)},
        {"ceilings taken away", Edited(level, "ceilings", 'N', '.', 300)},
    };
    test::TempFolder dir;
    std::vector<std::string> expected;
    std::string paths;
    for (size_t i = 0; i < std::size(variants); ++i) {
        std::vector<uint8_t> image;
        std::string error;
        // The packer refuses most of the broken ones; the image is still read.
        const bool playable = art::ReadLevel("level.txt", variants[i].text, image, error);
        ASSERT_TRUE(playable || (i > 0 && error.find("level.txt:") == 0))
            << variants[i].name << ": " << error;
        ASSERT_EQ(image.size(), static_cast<size_t>(LEVEL_IMAGE_BYTES)) << variants[i].name;
        LevelSurvey survey;
        SurveyLevel(image.data(), survey);
        expected.push_back(SurveyFigures(survey));
        if (i > 0) {
            EXPECT_NE(expected[i], expected[0]) << variants[i].name << " changed nothing";
        }
        const std::filesystem::path path = dir / ("level_" + std::to_string(i) + ".txt");
        std::ofstream(path, std::ios::binary) << variants[i].text;
        paths += ' ';  // piecewise: GCC 12 warns falsely on " " + s
        paths += test::ShellWord(path);
    }
    // One run for all: the interpreter's start is most of the time.
    const std::string command =
        test::ShellWord(FARROWGATE_PYTHON) + " " +
        test::ShellWord(std::string(FARROWGATE_SOURCE_DIR) + "/tools/level_check.py") + " --survey" + paths +
        " > " + test::ShellWord(dir / "survey.txt");
    ASSERT_EQ(test::RunCommand(command), 0) << command;
    std::istringstream actual(test::ReadAll(dir / "survey.txt"));
    for (size_t i = 0; i < std::size(variants); ++i) {
        std::string block;
        for (std::string line; std::getline(actual, line) && !line.empty();) block += line + "\n";
        EXPECT_EQ(block, expected[i]) << variants[i].name;
    }
}
#endif

}  // namespace
}  // namespace fg
