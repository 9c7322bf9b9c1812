// farrowgate-headless: the game's start-up and frame loop driven by a frame
// script, with frames and world state written to files.

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "app/frame_loop.h"
#include "console/script/frame_script.h"
#include "console/script/state_report.h"
#include "assets/asset_set.h"
#include "console/script/platform_script.h"
#include "console/script/terminal_capture.h"

namespace {

const char USAGE[] =
    "usage: farrowgate-headless --script FILE [--frames-out FILE] [--state-out FILE]\n"
    "                           [--start-tick N] [--repeat N]\n"
    "                           [--terminal-out FILE [--terminal-size COLSxROWS]]\n"
    "       farrowgate-headless --dump-assets DIR\n"
    "       farrowgate-headless --help\n"
    "\n"
    "Runs the game's start-up and frame loop with a scripted clock and keyboard.\n"
    "Script: one line per frame, '<elapsed ms> [+KEY|-KEY|OTHER ...]', '#' comments;\n"
    "KEY is ESC, SPACE, LEFT, UP, RIGHT, DOWN or a virtual-key code 0..65535.\n"
    "FILE '-' reads the script from standard input.\n"
    "--terminal-out writes, for every frame, the bytes the POSIX terminal back end\n"
    "would send for it (a terminal of COLSxROWS, default 100x60, taking REP as xterm\n"
    "does), each frame preceded by its length as a 4-byte little-endian number.\n";

std::FILE* FramesOut;
std::FILE* StateOut;

void OnPresent(const fg::CHAR_INFO* cells) {
    if (FramesOut != nullptr) fg::WriteFrameCells(FramesOut);
    if (StateOut != nullptr) fg::WriteStateReport(StateOut, fg::ScriptedFramesPresented());
    fg::CaptureTerminalFrame(cells);
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "farrowgate-headless: %s\n", message.c_str());
    return 2;
}

bool ParseUnsigned(const char* text, uint64_t limit, uint64_t& value) {
    if (*text == '\0') return false;
    value = 0;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9') return false;
        value = value * 10 + static_cast<uint64_t>(*c - '0');
        if (value > limit) return false;
    }
    return true;
}

bool WriteFile(const std::string& path, const void* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

int DumpAssets(const std::string& dir) {
    fg::DecodeAssets();
    fg::SplitSpriteSheets();
    if (!WriteFile(dir + "/texture_bank.bin", fg::TextureBank, sizeof fg::TextureBank))
        return UsageError("cannot write " + dir + "/texture_bank.bin");
    if (!WriteFile(dir + "/level_image.bin", fg::LevelImage, sizeof fg::LevelImage))
        return UsageError("cannot write " + dir + "/level_image.bin");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string scriptPath, framesPath, statePath, dumpDir, terminalPath;
    int terminalColumns = fg::CAPTURE_DEFAULT_COLUMNS, terminalRows = fg::CAPTURE_DEFAULT_ROWS;
    uint64_t startTick = 0, repeat = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help") {
            std::fputs(USAGE, stdout);
            return 0;
        }
        const bool takesValue = option == "--script" || option == "--frames-out" ||
                                option == "--state-out" || option == "--start-tick" ||
                                option == "--repeat" || option == "--dump-assets" ||
                                option == "--terminal-out" || option == "--terminal-size";
        if (!takesValue) return UsageError("unknown option '" + option + "' (see --help)");
        if (i + 1 >= argc) return UsageError(option + " needs a value");
        const char* value = argv[++i];
        if (option == "--script") scriptPath = value;
        else if (option == "--frames-out") framesPath = value;
        else if (option == "--state-out") statePath = value;
        else if (option == "--dump-assets") dumpDir = value;
        else if (option == "--terminal-out") terminalPath = value;
        else if (option == "--terminal-size") {
            if (!fg::ParseTerminalSize(value, terminalColumns, terminalRows))
                return UsageError("--terminal-size takes COLSxROWS (1..9999 each), not '" + std::string(value) + "'");
        }
        else if (option == "--start-tick") {
            if (!ParseUnsigned(value, UINT32_MAX, startTick))
                return UsageError("--start-tick takes a number 0..4294967295, not '" +
                                  std::string(value) + "'");
        } else if (!ParseUnsigned(value, UINT32_MAX, repeat) || repeat < 1) {
            return UsageError("--repeat takes a number 1..4294967295, not '" + std::string(value) + "'");
        }
    }
    if (!dumpDir.empty()) {
        if (!scriptPath.empty()) return UsageError("--dump-assets runs no script; give one or the other");
        return DumpAssets(dumpDir);
    }
    if (scriptPath.empty()) return UsageError("--script FILE is required (see --help)");

    std::string text;
    if (scriptPath == "-") {
        std::ostringstream s;
        s << std::cin.rdbuf();
        text = s.str();
    } else {
        std::ifstream in(scriptPath, std::ios::binary);
        std::error_code code;
        if (!in || std::filesystem::is_directory(scriptPath, code))
            return UsageError("cannot read script '" + scriptPath + "'");
        std::ostringstream s;
        s << in.rdbuf();
        text = s.str();
    }
    fg::ScriptedRun run;
    std::string error;
    if (!fg::ParseFrameScript(text, run.lines, error))
        return UsageError(scriptPath + ": " + error);
    run.repeat = static_cast<uint32_t>(repeat);
    run.startTick = static_cast<uint32_t>(startTick);
    run.onPresent = OnPresent;

    // Every input is checked before any output file is created.
    if (!framesPath.empty() && (FramesOut = std::fopen(framesPath.c_str(), "wb")) == nullptr)
        return UsageError("cannot write frames to '" + framesPath + "'");
    if (!statePath.empty() && (StateOut = std::fopen(statePath.c_str(), "wb")) == nullptr) {
        if (FramesOut != nullptr) {
            std::fclose(FramesOut);
            std::remove(framesPath.c_str());
        }
        return UsageError("cannot write state to '" + statePath + "'");
    }
    if (!terminalPath.empty() && !fg::OpenTerminalCapture(terminalPath, terminalColumns, terminalRows)) {
        if (FramesOut != nullptr) {
            std::fclose(FramesOut);
            std::remove(framesPath.c_str());
        }
        if (StateOut != nullptr) {
            std::fclose(StateOut);
            std::remove(statePath.c_str());
        }
        return UsageError("cannot write terminal bytes to '" + terminalPath + "'");
    }

    fg::BeginScriptedRun(run);
    fg::StartUp();
    const auto begin = std::chrono::steady_clock::now();
    fg::RunFrames();
    const auto end = std::chrono::steady_clock::now();
    fg::PlatformCloseConsole();

    bool written = true;
    if (FramesOut != nullptr) written = std::fclose(FramesOut) == 0 && written;
    if (StateOut != nullptr) written = std::fclose(StateOut) == 0 && written;
    written = fg::CloseTerminalCapture() && written;
    if (!written) return UsageError("writing the output files failed");

    const double ms = std::chrono::duration<double, std::milli>(end - begin).count();
    const uint64_t frames = fg::ScriptedFramesPresented();
    std::printf("frames %llu ms %.3f fps %.1f\n", static_cast<unsigned long long>(frames), ms,
                ms > 0 ? frames * 1000.0 / ms : 0.0);
    return 0;
}
