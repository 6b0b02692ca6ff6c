// trivo --headless as a batch user runs it, inside the test program: the
// options parsed as the command line would be, the run on the built-in
// images, its exit status and what it printed. Bad options end with status
// 2 and the parser's message, as the program does.
#pragma once

#include <filesystem>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "app/headless.h"
#include "machine/builtin_images.h"
#include "scratch_folder.h"

namespace trivo::test {

struct HeadlessResult {
    int status = -1;
    std::string out, err;
};

inline HeadlessResult run_headless(const std::vector<std::string>& args) {
    auto parsed = headless_parse(args);
    if (auto* error = std::get_if<std::string>(&parsed)) return {2, "", *error};
    std::ostringstream out, err;
    const int status = headless_run(std::get<HeadlessOptions>(parsed), builtin_images(), out, err);
    return {status, out.str(), err.str()};
}

// A scratch folder that is the current folder while it lives, as the
// runner's relative file names need.
struct InScratchFolder : test_support::ScratchFolder {
    std::filesystem::path previous = std::filesystem::current_path();
    InScratchFolder() { std::filesystem::current_path(path); }
    ~InScratchFolder() { std::filesystem::current_path(previous); }
};

}  // namespace trivo::test
