// The headless runner's output files. Each is written to a temporary file
// beside it and replaces it only when the whole run succeeded, so a failed run
// leaves every file as it was (console/atomic_file.h). Blocks of output gather
// in memory and go out in large writes.
#pragma once

#include <string>

#include "console/atomic_file.h"

namespace fg {

struct OutputFile {
    const char* option;  // "--frames-out", for messages
    bool wanted = false;
    AtomicFile file{};
    std::string pending{};
    bool failed = false;  // the first failed write; later writes are skipped
};

// Usage faults of the output paths, found before anything is written: an
// empty path, a folder, two outputs naming one file, and on Windows a name it
// would alter. Returns the message, or "" when the paths are sound.
std::string CheckOutputPaths(const OutputFile* const* outputs, size_t count);

bool OpenOutput(OutputFile& out);
// Writes what is pending once a block has gathered; false once failed.
bool FlushOutputBlock(OutputFile& out);
// Writes the rest, without yet replacing the target; false if any write failed.
bool FinishOutput(OutputFile& out);
// Replaces the target with what was written; false (target untouched) on failure.
bool CommitOutput(OutputFile& out);
// Drops the temporary file; the target stays as it was.
void DiscardOutput(OutputFile& out);

}  // namespace fg
