// Files written whole or not at all: the bytes go to a new temporary file in
// the target's own folder, which replaces the target only once everything is
// written. A failure leaves the target as it was and no temporary behind. The
// rename replaces a symbolic link itself, never the file it points to. A
// target that is a device or a pipe (/dev/null, a FIFO) is written straight,
// as a stream, and never removed.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace fg {

struct AtomicFile {
    std::string path;       // the target, as given
    std::string temporary;  // empty when the target is a stream
    std::FILE* file = nullptr;
    int error = 0;  // errno of the first failure, for messages
};

// Opens the temporary (or the stream); false with error set.
bool OpenAtomicFile(AtomicFile& out, const std::string& path);
// Closes and renames the temporary over the target; false with error set,
// the temporary removed and the target untouched.
bool CommitAtomicFile(AtomicFile& out);
// Closes and removes the temporary; the target stays as it was.
void AbandonAtomicFile(AtomicFile& out);
// All of data to path that way; false with error set.
bool WriteFileAtomically(const std::string& path, std::string_view data, int& error);

// Why Windows would not keep this file name as given, or nullptr: "is a
// Windows device name" ("con", "aux.bin", "com1"...) or "ends in a dot or a
// space, which Windows drops".
const char* WindowsNameProblem(std::string_view name);

}  // namespace fg
