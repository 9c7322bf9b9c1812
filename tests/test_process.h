// Running the build's programs from a test, through the POSIX shell or cmd.exe.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#if defined(_WIN32)
#include <process.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fg::test {

#if defined(_WIN32)
constexpr const char* NULL_DEVICE = "NUL";
#else
constexpr const char* NULL_DEVICE = "/dev/null";
#endif

// A path as one quoted shell word, with the platform's separators.
inline std::string ShellWord(std::filesystem::path path) {
    std::string word(1, '"');  // appended piecewise: GCC 12 warns falsely on "\"" + s
    word += path.make_preferred().string();
    word += '"';
    return word;
}

// Runs a command line in a shell; the program's exit status, or -1 if it did
// not exit normally.
inline int RunCommand(const std::string& commandLine) {
#if defined(_WIN32)
    // cmd /c drops the first and the last quote of the line: give it a pair
    // of its own so the quoted words inside survive.
    std::string line(1, '"');
    line += commandLine;
    line += '"';
    return std::system(line.c_str());
#else
    const int raw = std::system(commandLine.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
}

// The command's status after running it in folder dir.
inline int RunCommandIn(const std::filesystem::path& dir, const std::string& commandLine) {
#if defined(_WIN32)
    const char* change = "cd /d ";  // /d: the folder may be on another drive
#else
    const char* change = "cd ";
#endif
    return RunCommand(change + ShellWord(dir) + " && " + commandLine);
}

// A new empty folder of the system's temporary folder that no other test or
// test process shares; the caller removes it.
inline std::filesystem::path MakeUniqueFolder(const std::string& stem) {
#if defined(_WIN32)
    const long process = _getpid();
#else
    const long process = getpid();
#endif
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int n = 0;; ++n) {
        const std::filesystem::path dir =
            base / (stem + "-" + std::to_string(process) + "-" + std::to_string(n));
        std::error_code error;
        if (std::filesystem::create_directory(dir, error)) return dir;  // false when it already exists
    }
}

}  // namespace fg::test
