// A temporary folder of the test's own, unique per process and test, removed
// with everything in it when the test ends: tests may run side by side.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/test_process.h"

namespace fg::test {

class TempFolder {
public:
    TempFolder() {
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        std::string name = "farrowgate-";
        if (test != nullptr) name += std::string(test->test_suite_name()) + "." + test->name() + "-";
        for (char& c : name)
            if (c == '/') c = '_';
        path_ = MakeUniqueFolder(name + "tmp");
    }
    ~TempFolder() {
        std::error_code code;
        std::filesystem::remove_all(path_, code);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

}  // namespace fg::test
