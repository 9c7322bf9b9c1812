// What many tests share: reading a whole file, the hash that pins bytes, and
// the golden tours. Temporary folders are tests/temp_folder.h, running the
// build's programs tests/test_process.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "tests/temp_folder.h"
#include "tests/test_process.h"

namespace fg::test {

// The file's bytes, unchanged; empty if it cannot be read.
std::string ReadAll(const std::filesystem::path& path);

// FNV-1a over 64 bits. The start value is one digit short of the textbook
// offset basis; every pinned hash was taken with it, so it stays.
constexpr uint64_t FNV1A_START = 1469598103934665603ull;
uint64_t Fnv1a(const void* data, size_t size, uint64_t hash = FNV1A_START);

// The golden tours, tests/tours/<name>.txt, each with its pinned .hashes. A
// new tour is added here (and its files there); a test holds the list and
// the folder to each other.
constexpr const char* GOLDEN_TOURS[] = {"north_rooms", "south_rooms", "watch_figures", "clock_wrap"};
std::filesystem::path ToursFolder();
// The runner options a tour's first line may carry ("#! --start-tick N"), or "".
std::string TourOptions(const std::string& name);

}  // namespace fg::test
