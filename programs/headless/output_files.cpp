#include "programs/headless/output_files.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "console/quoted_text.h"

namespace fg {

namespace {

namespace fs = std::filesystem;

// Large enough that a write call costs little per frame, small enough to stay in cache.
constexpr size_t OUTPUT_BLOCK_BYTES = size_t{1} << 20;

// The file a path names once its folder is resolved (links in the folder
// followed, the name itself not: a link there is what gets replaced).
fs::path ResolvedFile(const std::string& path) {
    std::error_code code;
    fs::path absolute = fs::absolute(fs::path(path), code);
    const fs::path folder = fs::weakly_canonical(absolute.parent_path(), code);
    return folder / absolute.filename();
}

std::string PathProblem(const OutputFile& out) {
    const std::string& path = out.file.path;
    const std::string where = std::string(out.option) + " " + QuoteForMessage(path);
    if (path.empty()) return std::string(out.option) + " needs a file name, not ''";
    std::error_code code;
    if (fs::is_directory(path, code) || !fs::path(path).has_filename())
        return where + " names a folder, not a file";
#if defined(_WIN32)
    if (const char* problem = WindowsNameProblem(fs::path(path).filename().string()))
        return where + " " + problem;
#endif
    return "";
}

bool WriteAll(OutputFile& out, const std::string& data) {
    if (out.failed) return false;
    errno = 0;
    if (!data.empty() && std::fwrite(data.data(), 1, data.size(), out.file.file) != data.size()) {
        out.failed = true;
        out.file.error = errno != 0 ? errno : EIO;
    }
    return !out.failed;
}

}  // namespace

std::string CheckOutputPaths(const OutputFile* const* outputs, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (!outputs[i]->wanted) continue;
        if (std::string problem = PathProblem(*outputs[i]); !problem.empty()) return problem;
        for (size_t j = 0; j < i; ++j)
            if (outputs[j]->wanted &&
                ResolvedFile(outputs[j]->file.path) == ResolvedFile(outputs[i]->file.path))
                return std::string(outputs[j]->option) + " and " + outputs[i]->option +
                       " name the same file " + QuoteForMessage(outputs[i]->file.path);
    }
    return "";
}

bool OpenOutput(OutputFile& out) {
    const std::string path = out.file.path;
    if (!OpenAtomicFile(out.file, path)) return false;
    std::setvbuf(out.file.file, nullptr, _IONBF, 0);  // the blocks are the buffer
    out.pending.reserve(OUTPUT_BLOCK_BYTES + (OUTPUT_BLOCK_BYTES >> 2));
    out.failed = false;
    return true;
}

bool FlushOutputBlock(OutputFile& out) {
    if (out.pending.size() < OUTPUT_BLOCK_BYTES) return !out.failed;
    const bool ok = WriteAll(out, out.pending);
    out.pending.clear();
    return ok;
}

bool FinishOutput(OutputFile& out) {
    const bool ok = WriteAll(out, out.pending);
    out.pending.clear();
    return ok;
}

bool CommitOutput(OutputFile& out) { return !out.failed && CommitAtomicFile(out.file); }

void DiscardOutput(OutputFile& out) {
    AbandonAtomicFile(out.file);
    out.pending.clear();
}

}  // namespace fg
