#include "bench/tour_frames.h"

#include <stdlib.h>
#include <unistd.h>  // mkdtemp on macOS (glibc has it in stdlib.h)

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fg {

namespace {

namespace fs = std::filesystem;

// The tour's frames as the headless runner writes them: 4-byte cells, the
// character code in byte 0 and the attribute word in bytes 2-3.
void ReadFrames(const fs::path& path, std::vector<TourFrame>& frames) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t frameBytes = SCREEN_WIDTH * SCREEN_HEIGHT * 4;
    for (size_t at = 0; at + frameBytes <= bytes.size(); at += frameBytes) {
        frames.emplace_back();
        TourFrame& frame = frames.back();
        const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes.data() + at);
        for (int i = 0; i < SCREEN_WIDTH * SCREEN_HEIGHT; ++i, b += 4)
            frame.cells[i] = {static_cast<uint16_t>(b[0] | b[1] << 8),
                              static_cast<uint16_t>(b[2] | b[3] << 8)};
        frame.tourStart = at == 0;
    }
}

}  // namespace

// Each tour runs in the headless runner, a fresh process, exactly as the
// golden tour tests run it.
const std::vector<TourFrame>& GoldenTourFrames() {
    static std::vector<TourFrame> frames;
    if (!frames.empty()) return frames;
    std::vector<fs::path> scripts;
    for (const auto& entry : fs::directory_iterator(fs::path(FARROWGATE_SOURCE_DIR) / "tests" / "tours")) {
        if (entry.path().extension() == ".txt") scripts.push_back(entry.path());
    }
    std::sort(scripts.begin(), scripts.end());
    std::string pattern = (fs::temp_directory_path() / "farrowgate-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return frames;
    const fs::path out = fs::path(pattern) / "frames.bin";
    for (const fs::path& script : scripts) {
        std::ifstream in(script);
        std::string options;
        if (std::getline(in, options) && options.rfind("#! ", 0) == 0)
            options = options.substr(3);
        else
            options.clear();
        const std::string command = std::string(FARROWGATE_HEADLESS) + " --script " + script.string() +
                                    " --frames-out " + out.string() + " " + options + " > /dev/null";
        if (std::system(command.c_str()) == 0) ReadFrames(out, frames);
    }
    std::error_code ignored;
    fs::remove_all(pattern, ignored);
    return frames;
}

}  // namespace fg
