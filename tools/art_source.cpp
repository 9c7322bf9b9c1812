#include "tools/art_source.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>

#include "assets/asset_set.h"
#include "assets/level.h"
#include "assets/run_length.h"
#include "console/number_text.h"
#include "console/quoted_text.h"
#include "tools/level_survey.h"
#include "world/actors.h"

namespace fg::art {
namespace {

struct Line {
    int number;  // 1-based, in the file
    std::string text;
};

// Content lines: comments and blank lines dropped, trailing blanks and CR cut.
std::vector<Line> ContentLines(const std::string& text) {
    std::vector<Line> lines;
    std::istringstream in(text);
    std::string s;
    int number = 0;
    while (std::getline(in, s)) {
        ++number;
        while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t')) s.pop_back();
        if (s.empty() || s[0] == '#') continue;
        lines.push_back({number, s});
    }
    return lines;
}

std::string Where(const std::string& path, int line, int column) {
    return path + ":" + std::to_string(line) + ":" + std::to_string(column) + ": ";
}

// Editors may save one; it is no texel or symbol, and would only show as a short row.
bool RefuseByteOrderMark(const std::string& path, const std::string& text, std::string& error) {
    if (text.rfind("\xEF\xBB\xBF", 0) != 0) return false;
    error = Where(path, 1, 1) + "the file starts with a UTF-8 byte-order mark; save it without one";
    return true;
}

struct Word {
    int column;  // 1-based
    std::string_view text;
};

// The blank-separated words of a line, with their columns.
std::vector<Word> Words(const std::string& line) {
    std::vector<Word> words;
    size_t i = 0;
    while ((i = line.find_first_not_of(" \t", i)) != std::string::npos) {
        const size_t end = std::min(line.find_first_of(" \t", i), line.size());
        words.push_back({static_cast<int>(i) + 1, std::string_view(line).substr(i, end - i)});
        i = end;
    }
    return words;
}

bool ReadStart(const std::string& path, const Line& line, std::vector<uint8_t>& image, std::string& error) {
    const std::vector<Word> words = Words(line.text);
    if (words.size() != 3 || words[0].text != "start") {
        error = Where(path, line.number, 1) + "expected 'start X Y' with X and Y in 0..63";
        return false;
    }
    for (int i = 1; i <= 2; ++i) {
        int value = 0;
        if (!ParseDecimal(words[i].text, MAP_SIZE - 1, value)) {
            error = Where(path, line.number, words[i].column) + "the start " + (i == 1 ? "X" : "Y") +
                    " must be a whole number 0..63, found " + QuoteForMessage(words[i].text);
            return false;
        }
        image[i - 1] = static_cast<uint8_t>(value);
    }
    return true;
}

// "<symbol> <byte 0..255> [description]"; '#' would start a comment, so it is no symbol.
bool ReadLegendLine(const std::string& path, const Line& line, int* legend, std::string& error) {
    const std::vector<Word> words = Words(line.text);
    const Word& symbol = words[0];
    const unsigned char c = static_cast<unsigned char>(symbol.text[0]);
    if (symbol.text.size() != 1 || c < 33 || c > 126 || words.size() < 2) {
        error = Where(path, line.number, symbol.column) +
                "a legend line is '<symbol> <byte 0..255> [description]', the symbol one visible character";
        return false;
    }
    if (c == '#') {
        error =
            Where(path, line.number, symbol.column) + "'#' starts a comment and cannot be a legend symbol";
        return false;
    }
    int value = 0;
    if (!ParseDecimal(words[1].text, 255, value)) {
        error = Where(path, line.number, words[1].column) + "the byte of " + QuoteForMessage(symbol.text) +
                " must be a whole number 0..255, found " + QuoteForMessage(words[1].text);
        return false;
    }
    if (legend[c] >= 0) {
        error = Where(path, line.number, symbol.column) + "symbol " + QuoteForMessage(symbol.text) +
                " is already in the legend";
        return false;
    }
    legend[c] = value;
    return true;
}

int ColourIndex(char c) {
    const char* letters = "kbgcrmyw";
    for (int i = 0; i < 8; ++i)
        if (letters[i] == c) return i;
    return -1;
}

// Reads 64 texels of one line into out; texel pair n at columns 2n+1, 2n+2.
bool ReadTexelRow(const std::string& path, const Line& line, bool allowTransparent, uint8_t* out,
                  std::string& error) {
    if (line.text.size() != 2 * TEXTURE_SIZE) {
        error = Where(path, line.number, static_cast<int>(line.text.size()) + 1) +
                "a texel row needs 64 texels (128 characters), found " + std::to_string(line.text.size()) +
                " characters";
        return false;
    }
    for (int u = 0; u < TEXTURE_SIZE; ++u) {
        const char c = line.text[2 * u];
        const char d = line.text[2 * u + 1];
        if (c == '.' && d == '.') {
            if (!allowTransparent) {
                error = Where(path, line.number, 2 * u + 1) + "transparent texel in a surface texture";
                return false;
            }
            out[u] = TRANSPARENT_TEXEL;
            continue;
        }
        const int colour = ColourIndex(c);
        if (colour < 0) {
            error = Where(path, line.number, 2 * u + 1) + "unknown colour letter " +
                    QuoteForMessage(std::string_view(&c, 1)) + " (expected one of kbgcrmyw or '..')";
            return false;
        }
        if (d < '0' || d > '7') {
            error = Where(path, line.number, 2 * u + 2) + "brightness must be a digit 0..7, found " +
                    QuoteForMessage(std::string_view(&d, 1));
            return false;
        }
        out[u] = static_cast<uint8_t>(colour | (d - '0') << 3);
    }
    return true;
}

bool EndOfFile(const std::string& path, const std::vector<Line>& lines, size_t at, const std::string& what,
               std::string& error) {
    if (at < lines.size()) return true;
    const int last = lines.empty() ? 1 : lines.back().number + 1;
    error = Where(path, last, 1) + "the file ends early: " + what;
    return false;
}

// Where the level text set each thing, for the messages of the checks below.
struct LevelLines {
    int start;
    int startColumn;  // of X
    int wallRows[MAP_SIZE];
    int floors;  // the 'floors' line
};

// What the game relies on to start and to keep everyone inside: the player
// starts on an empty cell, walls or doors enclose all the player can reach,
// and every figure finds a cell of its own.
bool CheckPlayable(const std::string& path, const std::vector<uint8_t>& image, const LevelLines& at,
                   std::string& error) {
    LevelSurvey survey;
    SurveyLevel(image.data(), survey);
    const int startWall = image[LevelByteIndex(WALL_LAYER, survey.startX, survey.startY)];
    if (startWall != 0 && startWall != DOOR_BYTE_BASE) {
        error = Where(path, at.start, at.startColumn) + "the start cell (" + std::to_string(survey.startX) +
                ", " + std::to_string(survey.startY) +
                ") holds a wall or a door; the player must start on an empty cell";
        return false;
    }
    for (int y = 0; y < MAP_SIZE; ++y)
        for (int x = 0; x < MAP_SIZE; ++x) {
            const bool edge = x == 0 || y == 0 || x == MAP_SIZE - 1 || y == MAP_SIZE - 1;
            if (!edge || !survey.reachable[x][y]) continue;
            error = Where(path, at.wallRows[y], x + 1) + "cell (" + std::to_string(x) + ", " +
                    std::to_string(y) +
                    ") on the grid's edge can be reached from the start; walls or doors must enclose all the "
                    "player can reach";
            return false;
        }
    if (survey.actorCells < PLACED_ACTORS) {
        error = Where(path, at.floors, 1) + std::to_string(survey.actorCells) +
                " cells have a floor and no wall or door, too few for the " + std::to_string(PLACED_ACTORS) +
                " figures";
        return false;
    }
    return true;
}

}  // namespace

bool ReadTexture(const std::string& path, const std::string& text, std::vector<uint8_t>& texels,
                 std::string& error) {
    if (RefuseByteOrderMark(path, text, error)) return false;
    const std::vector<Line> lines = ContentLines(text);
    texels.assign(TEXTURE_TEXELS, 0);
    for (size_t v = 0; v < TEXTURE_SIZE; ++v) {
        if (!EndOfFile(path, lines, v, "a texture has 64 rows", error)) return false;
        if (!ReadTexelRow(path, lines[v], false, &texels[v * TEXTURE_SIZE], error)) return false;
    }
    if (lines.size() > TEXTURE_SIZE) {
        error = Where(path, lines[TEXTURE_SIZE].number, 1) + "a texture has 64 rows; this is one too many";
        return false;
    }
    return true;
}

bool ReadSpriteSheet(const std::string& path, const std::string& text, std::vector<uint8_t>& sheet,
                     std::string& error) {
    if (RefuseByteOrderMark(path, text, error)) return false;
    const std::vector<Line> lines = ContentLines(text);
    sheet.assign(SPRITE_SHEET_BYTES, 0);
    size_t at = 0;
    for (int view = 0; view < SPRITE_VIEWS; ++view) {
        const std::string header = "view " + std::to_string(view);
        if (!EndOfFile(path, lines, at, "expected '" + header + "'", error)) return false;
        if (lines[at].text != header) {
            error = Where(path, lines[at].number, 1) + "expected '" + header + "'";
            return false;
        }
        ++at;
        for (int r = 0; r < TEXTURE_SIZE; ++r, ++at) {
            if (!EndOfFile(path, lines, at, header + " has 64 rows", error)) return false;
            if (!ReadTexelRow(path, lines[at], true, &sheet[r * SPRITE_SHEET_WIDTH + TEXTURE_SIZE * view],
                              error))
                return false;
        }
    }
    if (at < lines.size()) {
        error = Where(path, lines[at].number, 1) + "unexpected text after view 7";
        return false;
    }
    return true;
}

bool ReadLevel(const std::string& path, const std::string& text, std::vector<uint8_t>& image,
               std::string& error) {
    if (RefuseByteOrderMark(path, text, error)) return false;
    const std::vector<Line> lines = ContentLines(text);
    image.assign(LEVEL_IMAGE_BYTES, 0);
    int legend[256];
    for (int& b : legend) b = -1;
    size_t at = 0;

    LevelLines where{};
    if (!EndOfFile(path, lines, at, "expected 'start X Y'", error)) return false;
    if (!ReadStart(path, lines[at], image, error)) return false;
    where.start = lines[at].number;
    where.startColumn = Words(lines[at].text)[1].column;
    ++at;

    if (!EndOfFile(path, lines, at, "expected 'legend'", error)) return false;
    if (lines[at].text != "legend") {
        error = Where(path, lines[at].number, 1) + "expected 'legend'";
        return false;
    }
    for (++at; at < lines.size() && lines[at].text != "walls"; ++at)
        if (!ReadLegendLine(path, lines[at], legend, error)) return false;

    const char* sections[LEVEL_LAYER_COUNT] = {"walls", "floors", "ceilings"};
    for (int layer = 0; layer < LEVEL_LAYER_COUNT; ++layer) {
        if (!EndOfFile(path, lines, at, std::string("expected '") + sections[layer] + "'", error))
            return false;
        if (lines[at].text != sections[layer]) {
            error = Where(path, lines[at].number, 1) + "expected '" + sections[layer] + "'";
            return false;
        }
        if (layer == 1) where.floors = lines[at].number;
        ++at;
        for (int y = 0; y < MAP_SIZE; ++y, ++at) {
            if (!EndOfFile(path, lines, at, std::string(sections[layer]) + " has 64 rows", error))
                return false;
            const Line& line = lines[at];
            if (layer == 0) where.wallRows[y] = line.number;
            if (line.text.size() != MAP_SIZE) {
                error = Where(path, line.number, static_cast<int>(line.text.size()) + 1) +
                        "a map row needs 64 symbols, found " + std::to_string(line.text.size());
                return false;
            }
            for (int x = 0; x < MAP_SIZE; ++x) {
                const int value = legend[static_cast<unsigned char>(line.text[x])];
                if (value < 0) {
                    error = Where(path, line.number, x + 1) + "symbol " +
                            QuoteForMessage(std::string_view(line.text).substr(x, 1)) +
                            " is not in the legend";
                    return false;
                }
                if (value == RUN_ESCAPE) {
                    error = Where(path, line.number, x + 1) + "cell (" + std::to_string(x) + ", " +
                            std::to_string(y) + ") of the " + sections[layer] +
                            " holds 0x91, the run-length escape, which the packed level cannot store";
                    return false;
                }
                if (layer == 0 && value >= 128) {
                    error = Where(path, line.number, x + 1) +
                            "a wall-layer byte must be below 128 (walls 1..63, doors 65..127)";
                    return false;
                }
                image[LevelByteIndex(layer, x, y)] = static_cast<uint8_t>(value);
            }
        }
    }
    if (at < lines.size()) {
        error = Where(path, lines[at].number, 1) + "unexpected text after the ceilings";
        return false;
    }
    return CheckPlayable(path, image, where, error);
}

bool ReadArtFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
    std::error_code code;
    if (std::filesystem::is_directory(path, code)) {
        error = QuoteForMessage(path) + ": is a directory, not an art file";
        return false;
    }
    const std::string tooLarge = QuoteForMessage(path) + ": larger than " +
                                 std::to_string(MAX_ART_FILE_BYTES >> 10) + " KiB, which no art file is";
    const uintmax_t size = std::filesystem::file_size(path, code);
    if (!code && size > MAX_ART_FILE_BYTES) {
        error = tooLarge;
        return false;
    }
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = QuoteForMessage(path) + ": cannot read the file: " + std::strerror(errno);
        return false;
    }
    // A device or a growing file has no size to check first: read no more than one byte past the limit.
    std::string text(MAX_ART_FILE_BYTES + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) {
        error = QuoteForMessage(path) + ": reading the file failed";
        return false;
    }
    text.resize(static_cast<size_t>(in.gcount()));
    if (text.size() > MAX_ART_FILE_BYTES) {
        error = tooLarge;
        return false;
    }
    const std::string name = path.substr(path.find_last_of('/') + 1);
    if (name == "level.txt") return ReadLevel(path, text, bytes, error);
    if (name.rfind("sheet_", 0) == 0) return ReadSpriteSheet(path, text, bytes, error);
    return ReadTexture(path, text, bytes, error);
}

}  // namespace fg::art
