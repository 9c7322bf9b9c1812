// The packer's readers refuse bad art with the file, line and column, and the
// packer leaves no half-written output behind.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/temp_folder.h"
#include "tools/art_source.h"

namespace fg {
namespace {

namespace fs = std::filesystem;

constexpr char BOM[] = "\xEF\xBB\xBF";
constexpr int FLOOR_ROWS_FROM_LINE = 73;  // the line of floor row 0 in Level()

// A valid level: start, a legend of four lines plus `extra` on line 6, then
// 64 rows of each layer (walls round the edge); floorRow7 replaces floor row
// 7 and wallRow5 wall row 5 when given.
std::string Level(const std::string& start = "start 32 32", const std::string& extra = "Q 3",
                  const std::string& floorRow7 = "", const std::string& wallRow5 = "") {
    std::string text = start + "\nlegend\n. 0\nW 1\nF 2\n" + extra + "\nwalls\n";
    for (int y = 0; y < 64; ++y) {
        const std::string inner = y == 0 || y == 63 ? std::string(64, 'W') : "W" + std::string(62, '.') + "W";
        text += (y == 5 && !wallRow5.empty() ? wallRow5 : inner) + "\n";
    }
    text += "floors\n";
    for (int y = 0; y < 64; ++y)
        text += (y == 7 && !floorRow7.empty() ? floorRow7 : std::string(64, 'F')) + "\n";
    text += "ceilings\n";
    for (int y = 0; y < 64; ++y) text += std::string(64, 'F') + "\n";
    return text;
}

// A level whose only floors are `count` cells of row 10.
std::string FewFloors(int count) {
    std::string text = Level();
    const size_t floors = text.find("floors\n") + 7;
    for (int y = 0; y < 64; ++y) text.replace(floors + y * 65, 64, std::string(64, '.'));
    text.replace(floors + 10 * 65 + 1, count, std::string(count, 'F'));
    return text;
}

std::string FloorRow7With(char symbol, int x) {
    std::string row(64, 'F');
    row[x] = symbol;
    return row;
}

TEST(ArtSources, RefuseBadLevelsAtTheirLineAndColumn) {
    std::vector<uint8_t> image;
    std::string error;
    ASSERT_TRUE(art::ReadLevel("l.txt", Level(), image, error)) << error;
    EXPECT_EQ(image[0], 32);

    const std::string floor7 = "l.txt:" + std::to_string(FLOOR_ROWS_FROM_LINE + 7) + ":";
    const std::string wall5 = "l.txt:" + std::to_string(FLOOR_ROWS_FROM_LINE - 65 + 5) + ":";
    const struct {
        std::string text;
        std::string where;
        std::string says;
    } cases[] = {
        {Level("start 4294967328 32"), "l.txt:1:7: ", "0..63"},
        {Level("start 32 2abc"), "l.txt:1:10: ", "'2abc'"},
        {Level("start 64 0"), "l.txt:1:7: ", "0..63"},
        {Level("start -1 3"), "l.txt:1:7: ", "'-1'"},
        {Level("start 32 32 7"), "l.txt:1:1: ", "start X Y"},
        {Level("start 32"), "l.txt:1:1: ", "start X Y"},
        {Level("start 32 32", "Y 4294967298"), "l.txt:6:3: ", "0..255"},
        {Level("start 32 32", "Y 2abc"), "l.txt:6:3: ", "'2abc'"},
        {Level("start 32 32", "Y 256"), "l.txt:6:3: ", "0..255"},
        {Level("start 32 32", "Y +5"), "l.txt:6:3: ", "'+5'"},
        {Level("start 32 32", "  # 5"), "l.txt:6:3: ", "'#' starts a comment"},
        {Level("start 32 32", "YY 5"), "l.txt:6:1: ", "one visible character"},
        {Level("start 32 32", "Y"), "l.txt:6:1: ", "legend line"},
        {Level("start 32 32", "F 9"), "l.txt:6:1: ", "already in the legend"},
        {Level("start 32 32", "Z 145", FloorRow7With('Z', 9)), floor7 + "10: ", "cell (9, 7) of the floors"},
        {Level("start 32 32", "Q 3", FloorRow7With('\x1b', 2)), floor7 + "3: ", "symbol '\\x1b' is not"},
        {Level().insert(0, BOM), "l.txt:1:1: ", "byte-order mark"},
        // What the game needs to start: an empty start cell, an enclosed
        // reach, and room for every figure.
        {Level("start 0 5"), "l.txt:1:7: ", "start cell (0, 5) holds a wall"},
        {Level("start 32 5", "Q 3", "", "." + std::string(62, '.') + "W"),
         wall5 + "1: ", "cell (0, 5) on the grid's edge can be reached"},
        {Level("start 32 5", "Q 70", "", "Q" + std::string(62, '.') + "W"),
         wall5 + "1: ", "cell (0, 5) on the grid's edge"},
        {FewFloors(19), "l.txt:72:1: ", "19 cells have a floor and no wall or door, too few for the 20"},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(art::ReadLevel("l.txt", c.text, image, error)) << c.where << c.says;
        EXPECT_EQ(error.rfind(c.where, 0), 0u) << error;
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
        EXPECT_EQ(error.find('\x1b'), std::string::npos) << "raw control characters never reach the message";
    }
}

TEST(ArtSources, RefuseAByteOrderMarkInTexturesAndSheetsAndADirectory) {
    std::vector<uint8_t> out;
    std::string error;
    std::string texture;
    for (int i = 0; i < 64 * 64; ++i) texture += i % 64 == 63 ? "w3\n" : "w3";
    ASSERT_TRUE(art::ReadTexture("t.txt", texture, out, error)) << error;
    EXPECT_FALSE(art::ReadTexture("t.txt", texture.insert(0, BOM), out, error));
    EXPECT_EQ(error, "t.txt:1:1: the file starts with a UTF-8 byte-order mark; save it without one");
    EXPECT_FALSE(art::ReadSpriteSheet("s.txt", std::string(BOM) + "view 0\n", out, error));
    EXPECT_NE(error.find("byte-order mark"), std::string::npos) << error;

    test::TempFolder dir;
    fs::create_directory(dir / "level.txt");
    EXPECT_FALSE(art::ReadArtFile((dir / "level.txt").string(), out, error));
    EXPECT_NE(error.find("is a directory"), std::string::npos) << error;
}

// The packed output appears whole or not at all: a write that cannot finish
// leaves neither the output nor its temporary file.
TEST(AssetPacker, LeavesNoTemporaryFileAfterAFailedWrite) {
    const fs::path art = fs::path(FARROWGATE_SOURCE_DIR) / "art";
    std::vector<fs::path> paths = {art / "textures" / "18.txt"};
    for (const char* t : {"01", "02", "03", "04", "05", "06", "07", "08", "09", "10", "11", "12", "13", "14",
                          "15", "16", "17"})
        paths.push_back(art / "textures" / (std::string(t) + ".txt"));
    paths.push_back(art / "level.txt");
    for (const char* s : {"sheet_0.txt", "sheet_1.txt", "sheet_2.txt", "sheet_3.txt"})
        paths.push_back(art / "sprites" / s);
    std::string sources;
    for (const fs::path& p : paths) {
        sources += ' ';
        sources += p.string();
    }

    test::TempFolder dir;
    const auto pack = [&](const fs::path& out) {
        const std::string command = std::string(FARROWGATE_ASSET_PACKER) + " --out " + out.string() +
                                    sources + " 2> " + (dir / "err.txt").string();
        const int raw = std::system(command.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    };
    EXPECT_EQ(pack(dir / "streams.cpp"), 0);
    EXPECT_GT(fs::file_size(dir / "streams.cpp"), 10000u);

    fs::create_directory(dir / "taken");  // the rename onto a folder fails
    EXPECT_EQ(pack(dir / "taken"), 1);
    EXPECT_EQ(pack(dir / "missing" / "streams.cpp"), 1);
    EXPECT_FALSE(fs::exists(dir / "missing"));
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir.path()))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"err.txt", "streams.cpp", "taken"}))
        << "no temporary file left";

    // An art file over 1 MiB, or a device that never ends, is refused unread, by name.
    std::ofstream(dir / "big.txt") << std::string((1 << 20) + 1, 'w');
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_FALSE(art::ReadArtFile((dir / "big.txt").string(), bytes, error));
    EXPECT_NE(error.find("larger than 1024 KiB"), std::string::npos) << error;
    EXPECT_FALSE(art::ReadArtFile("/dev/zero", bytes, error));
    EXPECT_EQ(error, "'/dev/zero': larger than 1024 KiB, which no art file is");
}

}  // namespace
}  // namespace fg
