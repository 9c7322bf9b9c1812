#include "console/atomic_file.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>

namespace fg {

namespace {

namespace fs = std::filesystem;

// Tries at a free name before giving up (each try is a fresh name).
constexpr int TEMPORARY_NAME_TRIES = 100;

// A name nobody else picks at the same moment: the clock, a counter and this
// process's stack address, mixed.
std::string TemporaryName(const fs::path& target) {
    static uint64_t counter = 0;
    int local = 0;
    uint64_t mix = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    mix ^= (++counter << 32) ^ reinterpret_cast<uintptr_t>(&local);
    mix *= 0x9E3779B97F4A7C15ull;
    static const char DIGITS[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string tag;
    for (int i = 0; i < 10; ++i, mix /= 36) tag += DIGITS[mix % 36];
    // Built piecewise: GCC 12 warns falsely (-Wrestrict) on "." + string.
    std::string name = ".";
    name += target.filename().string();
    name += '.';
    name += tag;
    name += ".tmp";
    return (target.parent_path() / name).string();
}

bool IsStream(const std::string& path) {
    std::error_code code;
    const fs::file_status status = fs::status(path, code);  // through links: /dev/stdout is one
    return !code && fs::exists(status) && !fs::is_regular_file(status) && !fs::is_directory(status);
}

int ErrorOr(int fallback) { return errno != 0 ? errno : fallback; }

}  // namespace

bool OpenAtomicFile(AtomicFile& out, const std::string& path) {
    out = AtomicFile{};
    out.path = path;
    errno = 0;
    if (IsStream(path)) {
        out.file = std::fopen(path.c_str(), "wb");
        out.error = out.file == nullptr ? ErrorOr(EIO) : 0;
        return out.file != nullptr;
    }
#if defined(_WIN32)
    const char* mode = "wb";  // the Windows runtime knows no "x"; the name is fresh anyway
#else
    const char* mode = "wbx";  // never through a link or a file someone placed there
#endif
    for (int i = 0; i < TEMPORARY_NAME_TRIES && out.file == nullptr; ++i) {
        out.temporary = TemporaryName(fs::path(path));
        errno = 0;
        out.file = std::fopen(out.temporary.c_str(), mode);
        if (out.file == nullptr && errno != EEXIST) break;
    }
    if (out.file == nullptr) {
        out.error = ErrorOr(EEXIST);
        out.temporary.clear();
        return false;
    }
    // A replaced file keeps its permissions (a link's target is not consulted).
    std::error_code code;
    const fs::file_status old = fs::symlink_status(path, code);
    if (!code && fs::is_regular_file(old)) fs::permissions(out.temporary, old.permissions(), code);
    return true;
}

bool CommitAtomicFile(AtomicFile& out) {
    errno = 0;
    const bool written = out.file != nullptr && std::fflush(out.file) == 0 && !std::ferror(out.file);
    if (!written && out.error == 0) out.error = ErrorOr(EIO);
    errno = 0;
    const bool closed = out.file != nullptr && std::fclose(out.file) == 0;
    if (!closed && out.error == 0) out.error = ErrorOr(EIO);
    out.file = nullptr;
    if (out.temporary.empty()) return written && closed;
    std::error_code code;
    if (written && closed) fs::rename(out.temporary, out.path, code);
    if (written && closed && !code) {
        out.temporary.clear();
        return true;
    }
    if (code && out.error == 0) out.error = code.value();
    AbandonAtomicFile(out);
    return false;
}

void AbandonAtomicFile(AtomicFile& out) {
    if (out.file != nullptr) std::fclose(out.file);
    out.file = nullptr;
    std::error_code code;
    if (!out.temporary.empty()) fs::remove(out.temporary, code);
    out.temporary.clear();
}

bool WriteFileAtomically(const std::string& path, std::string_view data, int& error) {
    AtomicFile out;
    if (!OpenAtomicFile(out, path)) {
        error = out.error;
        return false;
    }
    errno = 0;
    if (std::fwrite(data.data(), 1, data.size(), out.file) != data.size()) out.error = ErrorOr(EIO);
    const bool ok = out.error == 0 && CommitAtomicFile(out);
    if (!ok) AbandonAtomicFile(out);
    error = out.error;
    return ok;
}

const char* WindowsNameProblem(std::string_view name) {
    if (!name.empty() && (name.back() == '.' || name.back() == ' ')) {
        if (name != "." && name != "..") return "ends in a dot or a space, which Windows drops";
    }
    static const char* const DEVICES[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    const std::string_view stem = name.substr(0, name.find('.'));
    std::string upper;
    for (char c : stem) upper += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    while (!upper.empty() && upper.back() == ' ') upper.pop_back();
    for (const char* device : DEVICES)
        if (upper == device) return "is a Windows device name";
    const bool numbered = upper.size() == 4 && (upper.rfind("COM", 0) == 0 || upper.rfind("LPT", 0) == 0) &&
                          upper[3] >= '0' && upper[3] <= '9';
    return numbered ? "is a Windows device name" : nullptr;
}

}  // namespace fg
