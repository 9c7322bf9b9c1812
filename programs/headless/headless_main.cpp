// farrowgate-headless: the game's start-up and frame loop driven by a frame
// script, with frames and world state written to files.

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <string_view>
#include <tuple>

#include "app/command_line.h"
#include "app/frame_loop.h"
#include "assets/asset_set.h"
#include "console/atomic_file.h"
#include "console/number_text.h"
#include "console/quoted_text.h"
#include "console/script/frame_script.h"
#include "console/script/platform_script.h"
#include "programs/headless/output_files.h"
#include "programs/headless/state_report.h"
#include "programs/headless/terminal_capture.h"

namespace {

namespace fs = std::filesystem;

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
fg::OutputFile FramesOut{.option = "--frames-out"}, StateOut{.option = "--state-out"},
    TerminalOut{.option = "--terminal-out"};
fg::OutputFile* const OUTPUTS[] = {&FramesOut, &StateOut, &TerminalOut};

// The script, read a line per frame as the run goes.
struct ScriptStream {
    std::string path;
    std::FILE* in = nullptr;
    uint32_t number = 0;      // lines read in this pass
    uint32_t passesLeft = 1;  // --repeat: the passes still to start, this one included
    bool framesThisPass = false;
    bool ended = false;
    std::string error;  // set when a line is malformed or unreadable
};
ScriptStream Script;

bool NextScriptLine(fg::ScriptLine& line) {
    while (!Script.ended) {
        const fg::ScriptRead read = fg::ReadScriptLine(Script.in, Script.number, line, Script.error);
        if (read == fg::ScriptRead::LINE) {
            Script.framesThisPass = true;
            return true;
        }
        Script.ended = read == fg::ScriptRead::FAILED || --Script.passesLeft == 0 || !Script.framesThisPass;
        if (!Script.ended && std::fseek(Script.in, 0, SEEK_SET) != 0) {
            Script.error = "cannot read the script again: " + std::string(std::strerror(errno));
            Script.ended = true;
        }
        Script.number = 0;
        Script.framesThisPass = false;
    }
    return false;  // and so on every later ask
}

void OnPresent(const fg::CHAR_INFO* cells) {
    if (FramesOut.wanted) fg::AppendFrameCells(FramesOut.pending);
    if (StateOut.wanted) fg::AppendStateReport(StateOut.pending, fg::ScriptedFramesPresented());
    if (TerminalOut.wanted) fg::AppendTerminalFrame(TerminalOut.pending, cells);
    bool ok = true;
    for (fg::OutputFile* out : OUTPUTS)
        if (out->wanted) ok = fg::FlushOutputBlock(*out) && ok;
    if (!ok) fg::StopScriptedRun();  // no point drawing frames nobody can keep
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "farrowgate-headless: %s\n", message.c_str());
    return 2;
}

// Drops what was written so far: every target stays as it was.
int RunError(const std::string& message) {
    for (fg::OutputFile* out : OUTPUTS)
        if (out->wanted) fg::DiscardOutput(*out);
    return UsageError(message);
}

// Standard output refused the help, the version or the summary.
int StdoutError(const char* what) {
    std::fprintf(stderr, "farrowgate-headless: cannot write %s to standard output\n", what);
    return 1;
}

int DumpAssets(const std::string& dir) {
    std::error_code code;
    fs::create_directory(dir, code);  // one level, like mkdir; an existing folder is fine
    if (code) return UsageError("cannot make the folder " + fg::QuoteForMessage(dir) + ": " + code.message());
    fg::DecodeAssets();
    fg::SplitSpriteSheets();
    for (const auto& [name, data, size] :
         {std::tuple{"texture_bank.bin", reinterpret_cast<const char*>(fg::TextureBank),
                     sizeof fg::TextureBank},
          std::tuple{"level_image.bin", reinterpret_cast<const char*>(fg::LevelImage),
                     sizeof fg::LevelImage}}) {
        const std::string path = (fs::path(dir) / name).string();
        int error = 0;
        if (!fg::WriteFileAtomically(path, std::string_view(data, size), error))
            return UsageError("cannot write " + fg::QuoteForMessage(path) + ": " + std::strerror(error));
    }
    return 0;
}

int OpenScript(const std::string& path, uint32_t repeat) {
    std::error_code code;
    if (path != "-" && fs::is_directory(path, code))
        return UsageError("cannot read script " + fg::QuoteForMessage(path) + ": a directory");
    Script.path = path;
    errno = 0;
    Script.in = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
    if (Script.in == nullptr)
        return UsageError("cannot read script " + fg::QuoteForMessage(path) + ": " + std::strerror(errno));
    Script.passesLeft = repeat;
    // Replaying reads the script again from its start, which a pipe cannot give.
    if (repeat > 1 && std::fseek(Script.in, 0, SEEK_CUR) != 0)
        return UsageError("--repeat needs a script file it can read again; " + fg::QuoteForMessage(path) +
                          " is a pipe or a terminal");
    return 0;
}

// Opens each output asked for; a failure drops those already opened.
int OpenOutputs() {
    for (fg::OutputFile* out : OUTPUTS)
        if (out->wanted && !fg::OpenOutput(*out))
            return RunError(std::string("cannot write ") + fg::QuoteForMessage(out->file.path) + ": " +
                            std::strerror(out->file.error));
    return 0;
}

// Runs the frames; the outputs replace their targets only if all went well.
int RunAndReport() {
    fg::StartUp();
    const auto begin = std::chrono::steady_clock::now();
    fg::RunFrames();
    const auto end = std::chrono::steady_clock::now();
    fg::PlatformCloseConsole();

    uint32_t line = 0;
    if (!Script.error.empty()) return RunError(fg::QuoteForMessage(Script.path) + ": " + Script.error);
    if (fg::ScriptedQueueOverflowed(line))
        return RunError("line " + std::to_string(line) + ": more than " +
                        std::to_string(fg::MAX_QUEUED_RECORDS) + " input records would be waiting");
    for (fg::OutputFile* out : OUTPUTS)
        if (out->wanted && !fg::FinishOutput(*out))
            return RunError("writing " + fg::QuoteForMessage(out->file.path) +
                            " failed: " + std::strerror(out->file.error));
    for (fg::OutputFile* out : OUTPUTS)
        if (out->wanted && !fg::CommitOutput(*out))
            return RunError("writing " + fg::QuoteForMessage(out->file.path) +
                            " failed: " + std::strerror(out->file.error));

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
    std::string scriptPath, dumpDir;
    bool dumpGiven = false;
    fg::CaptureTerminal terminal;
    uint64_t startTick = 0, repeat = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help") {
            std::fputs(USAGE, stdout);
            return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : StdoutError("the help text");
        }
        if (option == "--version") {
            fg::PrintVersion("farrowgate-headless", stdout);
            return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : StdoutError("the version");
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
        else if (option == "--frames-out" || option == "--state-out" || option == "--terminal-out") {
            fg::OutputFile& out = option == "--frames-out"  ? FramesOut
                                  : option == "--state-out" ? StateOut
                                                            : TerminalOut;
            out.wanted = true;
            out.file.path = value;
        } else if (option == "--dump-assets") {
            dumpDir = value;
            dumpGiven = true;
        } else if (option == "--terminal-size") {
            if (!fg::ParseWidthByHeight(value, fg::CAPTURE_MAX_SIDE, terminal.columns, terminal.rows))
                return UsageError("--terminal-size takes COLSxROWS (1..9999 each), not " +
                                  fg::QuoteForMessage(value));
        } else if (option == "--terminal-cell") {
            if (!fg::ParseWidthByHeight(value, fg::CAPTURE_MAX_SIDE, terminal.cellWidthPx,
                                        terminal.cellHeightPx))
                return UsageError("--terminal-cell takes WxH in pixels (1..9999 each), not " +
                                  fg::QuoteForMessage(value));
        } else if (option == "--terminal-colours") {
            if (std::strcmp(value, "16") != 0 && std::strcmp(value, "24bit") != 0)
                return UsageError("--terminal-colours takes 16 or 24bit, not " + fg::QuoteForMessage(value));
            terminal.trueColour = std::strcmp(value, "24bit") == 0;
        } else if (option == "--start-tick") {
            if (!fg::ParseDecimal(value, UINT32_MAX, startTick))
                return UsageError("--start-tick takes a number 0..4294967295, not " +
                                  fg::QuoteForMessage(value));
        } else if (!fg::ParseDecimal(value, UINT32_MAX, repeat) || repeat < 1) {
            return UsageError("--repeat takes a number 1..4294967295, not " + fg::QuoteForMessage(value));
        }
    }
    if (dumpGiven) {
        if (!scriptPath.empty()) return UsageError("--dump-assets runs no script; give one or the other");
        if (dumpDir.empty()) return UsageError("--dump-assets needs a folder name, not ''");
        return DumpAssets(dumpDir);
    }
    if (scriptPath.empty()) return UsageError("--script FILE is required (see --help)");

    if (const std::string problem = fg::CheckOutputPaths(OUTPUTS, std::size(OUTPUTS)); !problem.empty())
        return UsageError(problem);
    if (const int status = OpenScript(scriptPath, static_cast<uint32_t>(repeat)); status != 0) return status;
    fg::ScriptedRun run;
    run.nextLine = NextScriptLine;
    run.startTick = static_cast<uint32_t>(startTick);
    run.onPresent = OnPresent;
    if (const int status = OpenOutputs(); status != 0) return status;
    fg::StartTerminalCapture(terminal);
    fg::BeginScriptedRun(run);
    return RunAndReport();
}
