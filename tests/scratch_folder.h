// A scratch folder for one test: created empty in the system's temporary
// folder, named after the running test (and process, since CTest runs tests
// side by side), removed with everything in it when the test ends.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace test_support {

struct ScratchFolder {
    std::filesystem::path path;

    ScratchFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = "apf_test_" + std::string(info->test_suite_name()) + "_" + info->name() +
                           "_" + std::to_string(::getpid());
        for (char& c : name) {
            if (c == '/') c = '_';  // parameterised tests carry a '/'
        }
        path = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string file(std::string_view name) const { return (path / name).string(); }
};

}  // namespace test_support
