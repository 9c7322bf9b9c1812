#include "app/command_line.h"

#include <cstring>

#include "console/quoted_text.h"

namespace fg {
namespace {

// Exit status for bad usage, as terminal programs use it.
constexpr int USAGE_STATUS = 2;

const char USAGE[] =
    "usage: farrowgate [--help | --version]\n"
    "\n"
    "A first-person walk through a small stone complex, drawn in a text console.\n"
    "With no argument the game starts; Escape quits.\n"
    "\n"
    "Keys:\n"
    "  Up / Down      walk forward / backward\n"
    "  Left / Right   turn\n"
    "  Space          open or close the door in the middle of the view\n"
    "  Escape         quit (in a terminal q too)\n"
    "\n"
    "Terminal: at least 80 columns by 50 rows, UTF-8 and 16 colours; standard\n"
    "input and output must be that terminal. On Windows the game uses the console.\n"
    "\n"
    "The game reads nothing but the keyboard and writes nothing but the terminal:\n"
    "no files, no environment variables, no saved state.\n"
    "\n"
    "Options:\n"
    "  --help      show this text and exit\n"
    "  --version   show the version and exit\n";

}  // namespace

void PrintVersion(const char* program, std::FILE* out) {
    std::fprintf(out, "%s %s\n", program, FARROWGATE_VERSION);
}

int HandleCommandLine(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
    if (argc <= 1) return COMMAND_LINE_PLAY;
    // Every argument is checked before any is acted on, so a typo beside
    // --help is still reported.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") != 0 && std::strcmp(argv[i], "--version") != 0) {
            std::fprintf(err, "farrowgate: unknown argument %s (try 'farrowgate --help')\n",
                         QuoteForMessage(argv[i]).c_str());
            return USAGE_STATUS;
        }
    }
    if (std::strcmp(argv[1], "--help") == 0) {
        std::fputs(USAGE, out);
    } else {
        PrintVersion("farrowgate", out);
    }
    if (std::fflush(out) != 0 || std::ferror(out)) {
        std::fputs("farrowgate: cannot write to standard output\n", err);
        return 1;
    }
    return 0;
}

}  // namespace fg
