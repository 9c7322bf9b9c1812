// The Python art tools keep their own copy of the console palette (they run
// without a build); it must stay the palette the game's back ends show.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "console/cell_glyphs.h"

namespace fg {
namespace {

TEST(ToolTables, PythonPaletteIsTheConsolePalette) {
    std::ifstream in(std::string(FARROWGATE_SOURCE_DIR) + "/tools/art_format.py");
    ASSERT_TRUE(in);
    std::ostringstream text;
    text << in.rdbuf();
    const std::string source = text.str();
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

}  // namespace
}  // namespace fg
