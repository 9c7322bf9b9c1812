// The game's command line: --help and --version, nothing else. With no
// argument the game runs; it takes no options that change play.
#pragma once

#include <cstdio>

namespace fg {

// What HandleCommandLine returns when the game should start.
constexpr int COMMAND_LINE_PLAY = -1;

// Answers --help and --version on out, names a bad argument on err. Returns
// the exit status, or COMMAND_LINE_PLAY when there are no arguments.
int HandleCommandLine(int argc, const char* const* argv, std::FILE* out, std::FILE* err);

// "farrowgate-headless 1.2.3" for a program that shares the version.
void PrintVersion(const char* program, std::FILE* out);

}  // namespace fg
