#include "tests/test_support.h"

#include <fstream>
#include <sstream>

namespace fg::test {

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

uint64_t Fnv1a(const void* data, size_t size, uint64_t hash) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

std::filesystem::path ToursFolder() {
    return std::filesystem::path(FARROWGATE_SOURCE_DIR) / "tests" / "tours";
}

std::string TourOptions(const std::string& name) {
    std::istringstream script(ReadAll(ToursFolder() / (name + ".txt")));
    std::string line;
    if (std::getline(script, line) && line.rfind("#! ", 0) == 0) return line.substr(3);
    return "";
}

}  // namespace fg::test
