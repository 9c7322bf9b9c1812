// The world state after a frame and the frame itself, as the headless runner
// reports them, and the output files it writes them to.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace fg {

// One block: frame, player, use, actor, slot, door and depth lines. Doubles as
// printf's %.17g would print them, without its cost.
void AppendStateReport(std::string& out, uint64_t frameIndex);
// One frame as 4000 console cells of 4 bytes: code, 0, attribute (little-endian).
void AppendFrameCells(std::string& out);

// An output file filled in large blocks. The first failed or short write
// marks it failed; later writes are skipped.
struct OutputFile {
    std::string path;
    std::FILE* file = nullptr;
    std::string pending;
    bool failed = false;
    int error = 0;           // errno of the first failure
    bool removable = false;  // a regular file: never remove a device or a pipe
};

bool OpenOutput(OutputFile& out, const std::string& path);
// Writes what is pending once a block has gathered; returns false once failed.
bool FlushOutputBlock(OutputFile& out);
// Writes the rest and closes; false if any write or the close failed.
bool CloseOutput(OutputFile& out);
// Closes without writing the rest and removes the file if it is a regular one.
void DiscardOutput(OutputFile& out);

}  // namespace fg
