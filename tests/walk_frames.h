// Where the player stands on the straight walk from the start, read off a
// terminal's screen text by matching it against frames the headless runner
// draws a millisecond of walking apart.
#pragma once

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "console/ansi/terminal_output.h"
#include "tests/terminal_harness.h"

namespace fg {

constexpr double MS_PER_CELL = 256;  // walking speed

// 80 x 50 cells, one byte each: the code page 437 code of the glyph.
using CellCodes = std::string;

struct WalkFrame {
    CellCodes cells;
    double y;
};

// Frames of a walk straight back to the wall behind the start, then forward
// to the wall ahead.
inline const std::vector<WalkFrame>& WalkFrames() {
    static std::vector<WalkFrame> frames;
    if (!frames.empty()) return frames;
    harness::TempDir dir;
    std::string script = "16\n0 +DOWN\n";
    for (int i = 0; i < 720; ++i) script += "1\n";
    script += "0 -DOWN +UP\n";
    for (int i = 0; i < 1420; ++i) script += "1\n";
    std::ofstream(dir / "walk.txt") << script;
    harness::Succeeds(std::string(FARROWGATE_HEADLESS) + " --script " + dir / "walk.txt" + " --frames-out " +
                      dir / "f.bin" + " --state-out " + dir / "s.txt");
    const std::string bytes = harness::ReadText(dir / "f.bin");
    std::istringstream states(harness::ReadText(dir / "s.txt"));
    for (std::string word; states >> word;) {
        if (word != "player") continue;
        double x = 0, y = 0;
        states >> x >> y;
        const size_t at = frames.size() * 16000;
        if (at + 16000 > bytes.size()) break;
        WalkFrame frame{CellCodes(4000, ' '), y};
        for (int cell = 0; cell < 4000; ++cell) {
            const unsigned char code = static_cast<unsigned char>(bytes[at + cell * 4]);
            const bool shade = code == 0xb0 || code == 0xb1 || code == 0xb2 || code == 0xdb;
            const bool shown = shade || (code >= 32 && code < 127);
            frame.cells[cell] = shown ? static_cast<char>(code) : ' ';  // as the terminal shows it
        }
        frames.push_back(frame);
    }
    return frames;
}

// Screen text (UTF-8 rows) as cell codes; the shades and block become their
// code page 437 codes, other characters stay as they are.
// A terminal with room shows the picture centred, its key line under it:
// that line tells where the picture is (else it is at the top-left).
inline void FindPicture(const std::string& text, int& top, int& left) {
    std::istringstream lines(text);
    std::string line;
    top = left = 0;
    for (int row = 0; std::getline(lines, line); ++row) {
        const size_t at = line.find(KEY_LINE);
        if (at == std::string::npos || row < 50) continue;
        top = row - 50;
        left = static_cast<int>(at) - (80 - static_cast<int>(sizeof KEY_LINE - 1)) / 2;
        return;
    }
}

inline CellCodes CodesOf(const std::string& text) {
    CellCodes cells(4000, ' ');
    int top, left;
    FindPicture(text, top, left);
    std::istringstream lines(text);
    std::string line;
    for (int skip = 0; skip < top && std::getline(lines, line); ++skip) {
    }
    for (int row = 0; row < 50 && std::getline(lines, line); ++row) {
        int column = 0;
        size_t start = 0;
        for (int skip = 0; skip < left && start < line.size(); ++skip) {  // left of the picture: spaces
            ++start;
            while (start < line.size() && (line[start] & 0xC0) == 0x80) ++start;
        }
        for (size_t i = start; i < line.size() && column < 80; ++column) {
            if (line.compare(i, 3, "\u2591") == 0)
                cells[row * 80 + column] = '\xb0';
            else if (line.compare(i, 3, "\u2592") == 0)
                cells[row * 80 + column] = '\xb1';
            else if (line.compare(i, 3, "\u2593") == 0)
                cells[row * 80 + column] = '\xb2';
            else if (line.compare(i, 3, "\u2588") == 0)
                cells[row * 80 + column] = '\xdb';
            else
                cells[row * 80 + column] = line[i];
            ++i;
            while (i < line.size() && (line[i] & 0xC0) == 0x80) ++i;  // the rest of a UTF-8 glyph
        }
    }
    return cells;
}

// The y of the walk frames that look most like the screen (the middle of a tie).
inline double WhereOnTheWalk(const std::string& text) {
    const CellCodes seen = CodesOf(text);
    int best = 1 << 30;
    double low = 0, high = 0;
    for (const WalkFrame& frame : WalkFrames()) {
        int differ = 0;
        for (int cell = 0; cell < 4000; ++cell) differ += frame.cells[cell] != seen[cell];
        if (differ < best) {
            best = differ;
            low = high = frame.y;
        } else if (differ == best) {
            low = std::min(low, frame.y);
            high = std::max(high, frame.y);
        }
    }
    return (low + high) / 2;
}

// Reads the screen until it stops changing (the walk is over), then where it shows.
inline double SettledY(const std::function<std::string()>& screen) {
    std::string last = screen();
    harness::WaitUntil(
        [&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            const std::string now = screen();
            const bool same = now == last;
            last = now;
            return same;
        },
        5000);
    return WhereOnTheWalk(last);
}

}  // namespace fg
