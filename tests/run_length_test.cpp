#include <gtest/gtest.h>

#include <vector>

#include "assets/asset_set.h"
#include "assets/run_length.h"
#include "tools/art_source.h"
#include "tools/run_length_encoder.h"

namespace fg {
namespace {

struct DecodeCase {
    const char* name;
    std::vector<uint8_t> source;
    int32_t expected;
    std::vector<uint8_t> want;  // the destination afterwards; it starts filled with 0xEE
};

TEST(DecodeRuns, WellFormedAndMalformedStreams) {
    const DecodeCase cases[] = {
        {"nothing expected reads nothing", {0x91}, 0, {0xEE, 0xEE}},
        {"one run", {0x91, 0x41, 0x05}, 5, {0x41, 0x41, 0x41, 0x41, 0x41, 0xEE}},
        {"an escaped 0x91", {0x91, 0x91, 0x01}, 1, {0x91, 0xEE}},
        {"a zero-count run writes nothing", {7, 0x91, 9, 0, 8}, 2, {7, 8, 0xEE}},
        {"stops at the expected length", {1, 2, 0x91, 3, 4}, 2, {1, 2, 0xEE}},
        {"runs join", {0x91, 5, 255, 0x91, 5, 2}, 257, std::vector<uint8_t>(257, 5)},
        // Malformed: never written past the expected length, never read past the stream.
        {"a run past the end is cut", {1, 0x91, 2, 200}, 4, {1, 2, 2, 2, 0xEE}},
        {"a short stream leaves the rest", {1, 2}, 4, {1, 2, 0xEE, 0xEE, 0xEE}},
        {"a run record cut short", {1, 0x91, 2}, 3, {1, 0xEE, 0xEE, 0xEE}},
        {"a negative length", {1}, -3, {0xEE}},
    };
    for (const DecodeCase& c : cases) {
        // Exact-size heap copies let the address sanitizer catch any overrun.
        std::vector<uint8_t> source(c.source);
        std::vector<uint8_t> out(c.want.size(), 0xEE);
        DecodeRuns(source.data(), static_cast<int32_t>(source.size()), out.data(), c.expected);
        EXPECT_EQ(out, c.want) << c.name;
    }
}

// Walks a stream's records and checks the rules every stored stream keeps.
void ExpectWellFormed(const EmbeddedStream& stream, int32_t decodedLength, int index) {
    int32_t produced = 0, at = 0;
    int previousLiteral = -1, literalRepeat = 0;
    while (at < stream.size) {
        ASSERT_LT(produced, decodedLength) << "stream " << index << " has bytes past its length";
        const uint8_t b = stream.data[at];
        if (b != RUN_ESCAPE) {
            literalRepeat = (b == previousLiteral) ? literalRepeat + 1 : 1;
            ASSERT_LE(literalRepeat, 2) << "stream " << index << ": three equal literals at " << at;
            previousLiteral = b;
            ++produced;
            ++at;
            continue;
        }
        ASSERT_LE(at + 3, stream.size) << "stream " << index;
        const int count = stream.data[at + 2];
        ASSERT_GT(count, 0) << "stream " << index << ": a zero-count run at " << at;
        ASSERT_NE(stream.data[at + 1], RUN_ESCAPE) << "stream " << index << ": 0x91 in plain data";
        previousLiteral = -1;
        produced += count;
        at += 3;
    }
    EXPECT_EQ(produced, decodedLength) << "stream " << index << " must end exactly at its length";
}

TEST(EmbeddedStreams, KeepTheStorageRulesAndRoundTrip) {
    const char* sources[ASSET_STREAM_COUNT] = {
        "textures/18.txt",     "textures/01.txt",     "textures/02.txt",    "textures/03.txt",
        "textures/04.txt",     "textures/05.txt",     "textures/06.txt",    "textures/07.txt",
        "textures/08.txt",     "textures/09.txt",     "textures/10.txt",    "textures/11.txt",
        "textures/12.txt",     "textures/13.txt",     "textures/14.txt",    "textures/15.txt",
        "textures/16.txt",     "textures/17.txt",     "level.txt",          "sprites/sheet_0.txt",
        "sprites/sheet_1.txt", "sprites/sheet_2.txt", "sprites/sheet_3.txt"};
    for (int i = 0; i < ASSET_STREAM_COUNT; ++i) {
        ExpectWellFormed(EmbeddedStreams[i], AssetTable[i].decodedLength, i);
        std::vector<uint8_t> plain, decoded(static_cast<size_t>(AssetTable[i].decodedLength));
        std::string error;
        ASSERT_TRUE(art::ReadArtFile(std::string(FARROWGATE_SOURCE_DIR) + "/art/" + sources[i], plain, error))
            << error;
        DecodeRuns(EmbeddedStreams[i].data, EmbeddedStreams[i].size, decoded.data(),
                   AssetTable[i].decodedLength);
        EXPECT_EQ(decoded, plain) << sources[i];
    }
}

TEST(EncodeRuns, SplitsLongStretchesAndRefusesTheEscapeByte) {
    std::vector<uint8_t> plain(600, 4);
    plain.push_back(9);
    plain.push_back(9);
    std::vector<uint8_t> encoded;
    std::string error;
    ASSERT_TRUE(art::EncodeRuns(plain, encoded, error));
    EXPECT_EQ(encoded, (std::vector<uint8_t>{0x91, 4, 255, 0x91, 4, 255, 0x91, 4, 90, 9, 9}));
    EXPECT_FALSE(art::EncodeRuns({1, 0x91, 2}, encoded, error));
    EXPECT_NE(error.find("byte 1"), std::string::npos);
}

TEST(ArtSources, MalformedFilesNameTheLineAndColumn) {
    std::string texture;
    for (int i = 0; i < 64; ++i) {
        for (int u = 0; u < 64; ++u) texture += "w3";
        texture += "\n";
    }
    std::vector<uint8_t> out;
    std::string error;

    std::string badLetter = "# header\n" + texture;
    badLetter[9 + 128 * 2 + 2 + 4] = 'z';  // row 3 of the data, column 5
    EXPECT_FALSE(art::ReadTexture("t.txt", badLetter, out, error));
    EXPECT_EQ(error.substr(0, 10), "t.txt:4:5:") << error;

    std::string shortRow = texture;
    shortRow.erase(10, 2);
    EXPECT_FALSE(art::ReadTexture("t.txt", shortRow, out, error));
    EXPECT_EQ(error.substr(0, 10), "t.txt:1:12") << error;

    std::string transparent = texture;
    transparent[0] = transparent[1] = '.';
    EXPECT_FALSE(art::ReadTexture("t.txt", transparent, out, error));
    EXPECT_NE(error.find("transparent"), std::string::npos);

    EXPECT_FALSE(art::ReadTexture("t.txt", texture.substr(0, 129 * 10), out, error));
    EXPECT_NE(error.find("ends early"), std::string::npos);

    std::string level = "start 32 32\nlegend\n. 0\nwalls\n";
    for (int i = 0; i < 64; ++i) level += std::string(64, i == 5 ? 'q' : '.') + "\n";
    EXPECT_FALSE(art::ReadLevel("l.txt", level, out, error));
    EXPECT_EQ(error.substr(0, 10), "l.txt:10:1") << error;
}

TEST(SplitSpriteSheets, CutsEachSheetIntoEightTiles) {
    for (int s = 0; s < SPRITE_SHEET_COUNT; ++s)
        for (int i = 0; i < SPRITE_SHEET_BYTES; ++i) SpriteSheet[s][i] = static_cast<uint8_t>(i * 7 + s);
    SpriteSheet[0][3 * 512 + 5] = TRANSPARENT_TEXEL;
    SplitSpriteSheets();
    const struct {
        int texture, sheet, firstColumn;
    } cuts[] = {{32, 0, 0}, {39, 0, 448}, {40, 1, 0}, {63, 3, 448}};
    for (const auto& cut : cuts)
        for (int r = 0; r < 64; ++r)
            for (int c = 0; c < 64; ++c)
                ASSERT_EQ(TextureBank[cut.texture * 4096 + r * 64 + c],
                          SpriteSheet[cut.sheet][r * 512 + cut.firstColumn + c])
                    << cut.texture << " " << r << " " << c;
    EXPECT_EQ(TextureBank[32 * 4096 + 3 * 64 + 5], TRANSPARENT_TEXEL);
}

}  // namespace
}  // namespace fg
