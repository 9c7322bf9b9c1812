#include "tools/art_source.h"

#include <cstdio>
#include <fstream>
#include <sstream>

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

int ColourIndex(char c) {
    const char* letters = "kbgcrmyw";
    for (int i = 0; i < 8; ++i)
        if (letters[i] == c) return i;
    return -1;
}

// Reads 64 texels of one line into out; texel pair n at columns 2n+1, 2n+2.
bool ReadTexelRow(const std::string& path, const Line& line, bool allowTransparent,
                  uint8_t* out, std::string& error) {
    if (line.text.size() != 128) {
        error = Where(path, line.number, static_cast<int>(line.text.size()) + 1) +
                "a texel row needs 64 texels (128 characters), found " +
                std::to_string(line.text.size()) + " characters";
        return false;
    }
    for (int u = 0; u < 64; ++u) {
        const char c = line.text[2 * u];
        const char d = line.text[2 * u + 1];
        if (c == '.' && d == '.') {
            if (!allowTransparent) {
                error = Where(path, line.number, 2 * u + 1) + "transparent texel in a surface texture";
                return false;
            }
            out[u] = 255;
            continue;
        }
        const int colour = ColourIndex(c);
        if (colour < 0) {
            error = Where(path, line.number, 2 * u + 1) + "unknown colour letter '" +
                    std::string(1, c) + "' (expected one of kbgcrmyw or '..')";
            return false;
        }
        if (d < '0' || d > '7') {
            error = Where(path, line.number, 2 * u + 2) + "brightness must be a digit 0..7, found '" +
                    std::string(1, d) + "'";
            return false;
        }
        out[u] = static_cast<uint8_t>(colour | (d - '0') << 3);
    }
    return true;
}

bool EndOfFile(const std::string& path, const std::vector<Line>& lines, size_t at,
               const std::string& what, std::string& error) {
    if (at < lines.size()) return true;
    const int last = lines.empty() ? 1 : lines.back().number + 1;
    error = Where(path, last, 1) + "the file ends early: " + what;
    return false;
}

}  // namespace

bool ReadTexture(const std::string& path, const std::string& text, std::vector<uint8_t>& texels,
                 std::string& error) {
    const std::vector<Line> lines = ContentLines(text);
    texels.assign(64 * 64, 0);
    for (size_t v = 0; v < 64; ++v) {
        if (!EndOfFile(path, lines, v, "a texture has 64 rows", error)) return false;
        if (!ReadTexelRow(path, lines[v], false, &texels[v * 64], error)) return false;
    }
    if (lines.size() > 64) {
        error = Where(path, lines[64].number, 1) + "a texture has 64 rows; this is one too many";
        return false;
    }
    return true;
}

bool ReadSpriteSheet(const std::string& path, const std::string& text,
                     std::vector<uint8_t>& sheet, std::string& error) {
    const std::vector<Line> lines = ContentLines(text);
    sheet.assign(512 * 64, 0);
    size_t at = 0;
    for (int view = 0; view < 8; ++view) {
        const std::string header = "view " + std::to_string(view);
        if (!EndOfFile(path, lines, at, "expected '" + header + "'", error)) return false;
        if (lines[at].text != header) {
            error = Where(path, lines[at].number, 1) + "expected '" + header + "'";
            return false;
        }
        ++at;
        for (int r = 0; r < 64; ++r, ++at) {
            if (!EndOfFile(path, lines, at, header + " has 64 rows", error)) return false;
            if (!ReadTexelRow(path, lines[at], true, &sheet[r * 512 + 64 * view], error))
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
    const std::vector<Line> lines = ContentLines(text);
    image.assign(12290, 0);
    int legend[256];
    for (int& b : legend) b = -1;
    size_t at = 0;

    if (!EndOfFile(path, lines, at, "expected 'start X Y'", error)) return false;
    int sx = -1, sy = -1;
    char tail = 0;
    if (std::sscanf(lines[at].text.c_str(), "start %d %d %c", &sx, &sy, &tail) != 2 || sx < 0 ||
        sx > 63 || sy < 0 || sy > 63) {
        error = Where(path, lines[at].number, 1) + "expected 'start X Y' with X and Y in 0..63";
        return false;
    }
    image[0] = static_cast<uint8_t>(sx);
    image[1] = static_cast<uint8_t>(sy);
    ++at;

    if (!EndOfFile(path, lines, at, "expected 'legend'", error)) return false;
    if (lines[at].text != "legend") {
        error = Where(path, lines[at].number, 1) + "expected 'legend'";
        return false;
    }
    ++at;
    for (; at < lines.size() && lines[at].text != "walls"; ++at) {
        const std::string& s = lines[at].text;
        size_t i = s.find_first_not_of(" \t");
        const unsigned char symbol = static_cast<unsigned char>(s[i]);
        int value = -1, used = 0;
        if (symbol < 33 || symbol > 126 ||
            std::sscanf(s.c_str() + i + 1, " %d%n", &value, &used) != 1 || value < 0 ||
            value > 255 || (s.size() > i + 1 && s[i + 1] != ' ' && s[i + 1] != '\t')) {
            error = Where(path, lines[at].number, static_cast<int>(i) + 1) +
                    "a legend line is '<symbol> <byte 0..255> [description]'";
            return false;
        }
        if (legend[symbol] >= 0) {
            error = Where(path, lines[at].number, static_cast<int>(i) + 1) + "symbol '" +
                    std::string(1, static_cast<char>(symbol)) + "' is already in the legend";
            return false;
        }
        legend[symbol] = value;
    }

    const char* sections[3] = {"walls", "floors", "ceilings"};
    for (int layer = 0; layer < 3; ++layer) {
        if (!EndOfFile(path, lines, at, std::string("expected '") + sections[layer] + "'", error))
            return false;
        if (lines[at].text != sections[layer]) {
            error = Where(path, lines[at].number, 1) + "expected '" + sections[layer] + "'";
            return false;
        }
        ++at;
        for (int y = 0; y < 64; ++y, ++at) {
            if (!EndOfFile(path, lines, at, std::string(sections[layer]) + " has 64 rows", error))
                return false;
            const Line& line = lines[at];
            if (line.text.size() != 64) {
                error = Where(path, line.number, static_cast<int>(line.text.size()) + 1) +
                        "a map row needs 64 symbols, found " + std::to_string(line.text.size());
                return false;
            }
            for (int x = 0; x < 64; ++x) {
                const int value = legend[static_cast<unsigned char>(line.text[x])];
                if (value < 0) {
                    error = Where(path, line.number, x + 1) + "symbol '" +
                            std::string(1, line.text[x]) + "' is not in the legend";
                    return false;
                }
                if (layer == 0 && value >= 128) {
                    error = Where(path, line.number, x + 1) +
                            "a wall-layer byte must be below 128 (walls 1..63, doors 65..127)";
                    return false;
                }
                image[2 + layer * 4096 + y * 64 + x] = static_cast<uint8_t>(value);
            }
        }
    }
    if (at < lines.size()) {
        error = Where(path, lines[at].number, 1) + "unexpected text after the ceilings";
        return false;
    }
    return true;
}

bool ReadArtFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot read the file";
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    const std::string name = path.substr(path.find_last_of('/') + 1);
    if (name == "level.txt") return ReadLevel(path, text.str(), bytes, error);
    if (name.rfind("sheet_", 0) == 0) return ReadSpriteSheet(path, text.str(), bytes, error);
    return ReadTexture(path, text.str(), bytes, error);
}

}  // namespace fg::art
