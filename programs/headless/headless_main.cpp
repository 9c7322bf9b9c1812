// farrowgate-headless: the game's start-up and frame loop driven by a frame
// script, with frames and world state written to files.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "app/command_line.h"
#include "app/frame_loop.h"
#include "assets/asset_set.h"
#include "console/quoted_text.h"
#include "console/script/frame_script.h"
#include "console/script/platform_script.h"
#include "programs/headless/state_report.h"
#include "programs/headless/terminal_capture.h"

namespace {

const char USAGE[] =
    "usage: farrowgate-headless --script FILE [--frames-out FILE] [--state-out FILE]\n"
    "                           [--start-tick N] [--repeat N]\n"
    "                           [--terminal-out FILE [--terminal-size COLSxROWS]\n"
    "                            [--terminal-cell WxH] [--terminal-colours 16|24bit]]\n"
    "       farrowgate-headless --dump-assets DIR\n"
    "       farrowgate-headless --help\n"
    "       farrowgate-headless --version\n"
    "\n"
    "Runs the game's start-up and frame loop with a scripted clock and keyboard.\n"
    "Script: one line per frame, '<elapsed ms> [+KEY|-KEY|OTHER ...]', '#' comments;\n"
    "KEY is ESC, SPACE, LEFT, UP, RIGHT, DOWN or a virtual-key code 0..65535.\n"
    "FILE '-' reads the script from standard input.\n"
    "--terminal-out writes, for every frame, the bytes the POSIX terminal back end\n"
    "would send for it (a terminal of COLSxROWS, default 100x60, taking REP as xterm\n"
    "does), each frame preceded by its length as a 4-byte little-endian number.\n"
    "--terminal-cell gives the terminal's cell size in pixels (default: unknown,\n"
    "taken as twice as tall as wide); --terminal-colours 24bit sends the palette's\n"
    "own colours, 16 (the default) the terminal's sixteen.\n";

// The output files; one not asked for stays closed.
fg::OutputFile FramesOut, StateOut, TerminalOut;
fg::OutputFile* const OUTPUTS[] = {&FramesOut, &StateOut, &TerminalOut};

void OnPresent(const fg::CHAR_INFO* cells) {
    if (FramesOut.file != nullptr) fg::AppendFrameCells(FramesOut.pending);
    if (StateOut.file != nullptr) fg::AppendStateReport(StateOut.pending, fg::ScriptedFramesPresented());
    if (TerminalOut.file != nullptr) fg::AppendTerminalFrame(TerminalOut.pending, cells);
    bool ok = true;
    for (fg::OutputFile* out : OUTPUTS)
        if (out->file != nullptr) ok = fg::FlushOutputBlock(*out) && ok;
    if (!ok) fg::StopScriptedRun();  // no point drawing frames nobody can keep
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "farrowgate-headless: %s\n", message.c_str());
    return 2;
}

// Removes what was written so far: a cut-off output must not pass for a whole one.
int RunError(const std::string& message) {
    for (fg::OutputFile* out : OUTPUTS)
        if (!out->path.empty()) fg::DiscardOutput(*out);  // closed or not
    return UsageError(message);
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
    if (std::fclose(f) == 0 && ok) return true;
    std::error_code code;
    if (std::filesystem::is_regular_file(path, code)) std::remove(path.c_str());
    return false;
}

int DumpAssets(const std::string& dir) {
    fg::DecodeAssets();
    fg::SplitSpriteSheets();
    for (const auto& [name, data, size] :
         {std::tuple{"/texture_bank.bin", static_cast<const void*>(fg::TextureBank), sizeof fg::TextureBank},
          std::tuple{"/level_image.bin", static_cast<const void*>(fg::LevelImage), sizeof fg::LevelImage}})
        if (!WriteFile(dir + name, data, size))
            return UsageError("cannot write " + fg::QuoteForMessage(dir + name));
    return 0;
}

// Reads the whole script before any output file is created.
int ReadScript(const std::string& path, std::vector<fg::ScriptLine>& lines) {
    std::error_code code;
    if (path != "-" && std::filesystem::is_directory(path, code))
        return UsageError("cannot read script " + fg::QuoteForMessage(path) + ": a directory");
    std::FILE* in = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
    if (in == nullptr) return UsageError("cannot read script " + fg::QuoteForMessage(path));
    std::string error;
    const bool ok = fg::ReadFrameScript(in, lines, error);
    if (in != stdin) std::fclose(in);
    if (!ok) return UsageError(fg::QuoteForMessage(path) + ": " + error);
    return 0;
}

// Opens each output asked for; a failure removes those already made.
int OpenOutputs(const std::string (&paths)[std::size(OUTPUTS)]) {
    static const char* const WHAT[] = {"frames", "state", "terminal bytes"};
    for (std::size_t i = 0; i < std::size(OUTPUTS); ++i)
        if (!paths[i].empty() && !fg::OpenOutput(*OUTPUTS[i], paths[i]))
            return RunError(std::string("cannot write ") + WHAT[i] + " to " + fg::QuoteForMessage(paths[i]));
    return 0;
}

// Runs the frames and closes the outputs; every failure removes both.
int RunAndReport() {
    fg::StartUp();
    const auto begin = std::chrono::steady_clock::now();
    fg::RunFrames();
    const auto end = std::chrono::steady_clock::now();
    fg::PlatformCloseConsole();

    uint32_t line = 0;
    if (fg::ScriptedQueueOverflowed(line))
        return RunError("line " + std::to_string(line) + ": more than " +
                        std::to_string(fg::MAX_QUEUED_RECORDS) + " input records would be waiting");
    for (fg::OutputFile* out : OUTPUTS)
        if (out->file != nullptr && !fg::CloseOutput(*out))
            return RunError("writing " + fg::QuoteForMessage(out->path) +
                            " failed: " + std::strerror(out->error));

    const double ms = std::chrono::duration<double, std::milli>(end - begin).count();
    const uint64_t frames = fg::ScriptedFramesPresented();
    std::printf("frames %llu ms %.3f fps %.1f\n", static_cast<unsigned long long>(frames), ms,
                ms > 0 ? static_cast<double>(frames) * 1000.0 / ms : 0.0);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) return UsageError("cannot write the summary line");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);  // a file-size limit then fails the write, which is reported
#endif
    std::string scriptPath, framesPath, statePath, terminalPath, dumpDir;
    fg::CaptureTerminal terminal;
    uint64_t startTick = 0, repeat = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help") {
            std::fputs(USAGE, stdout);
            return std::fflush(stdout) == 0 ? 0 : UsageError("cannot write the help text");
        }
        if (option == "--version") {
            fg::PrintVersion("farrowgate-headless", stdout);
            return std::fflush(stdout) == 0 ? 0 : UsageError("cannot write the version");
        }
        const bool takesValue = option == "--script" || option == "--frames-out" || option == "--state-out" ||
                                option == "--start-tick" || option == "--repeat" ||
                                option == "--dump-assets" || option == "--terminal-out" ||
                                option == "--terminal-size" || option == "--terminal-cell" ||
                                option == "--terminal-colours";
        if (!takesValue) return UsageError("unknown option " + fg::QuoteForMessage(option) + " (see --help)");
        if (i + 1 >= argc) return UsageError(option + " needs a value");
        const char* value = argv[++i];
        if (option == "--script")
            scriptPath = value;
        else if (option == "--frames-out")
            framesPath = value;
        else if (option == "--state-out")
            statePath = value;
        else if (option == "--dump-assets")
            dumpDir = value;
        else if (option == "--terminal-out")
            terminalPath = value;
        else if (option == "--terminal-size") {
            if (!fg::ParseTerminalSize(value, terminal.columns, terminal.rows))
                return UsageError("--terminal-size takes COLSxROWS (1..9999 each), not " +
                                  fg::QuoteForMessage(value));
        } else if (option == "--terminal-cell") {
            if (!fg::ParseTerminalSize(value, terminal.cellWidthPx, terminal.cellHeightPx))
                return UsageError("--terminal-cell takes WxH in pixels (1..9999 each), not " +
                                  fg::QuoteForMessage(value));
        } else if (option == "--terminal-colours") {
            if (std::strcmp(value, "16") != 0 && std::strcmp(value, "24bit") != 0)
                return UsageError("--terminal-colours takes 16 or 24bit, not " + fg::QuoteForMessage(value));
            terminal.trueColour = std::strcmp(value, "24bit") == 0;
        } else if (option == "--start-tick") {
            if (!ParseUnsigned(value, UINT32_MAX, startTick))
                return UsageError("--start-tick takes a number 0..4294967295, not " +
                                  fg::QuoteForMessage(value));
        } else if (!ParseUnsigned(value, UINT32_MAX, repeat) || repeat < 1) {
            return UsageError("--repeat takes a number 1..4294967295, not " + fg::QuoteForMessage(value));
        }
    }
    if (!dumpDir.empty()) {
        if (!scriptPath.empty()) return UsageError("--dump-assets runs no script; give one or the other");
        return DumpAssets(dumpDir);
    }
    if (scriptPath.empty()) return UsageError("--script FILE is required (see --help)");

    fg::ScriptedRun run;
    if (const int status = ReadScript(scriptPath, run.lines); status != 0) return status;
    run.repeat = static_cast<uint32_t>(repeat);
    run.startTick = static_cast<uint32_t>(startTick);
    run.onPresent = OnPresent;
    if (const int status = OpenOutputs({framesPath, statePath, terminalPath}); status != 0) return status;
    fg::StartTerminalCapture(terminal);
    fg::BeginScriptedRun(run);
    return RunAndReport();
}
