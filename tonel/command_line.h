// tonel's command line: `tonel FILE.CPF [options]` converts at once with the
// choices of the converter's dialog given as options, prints the status line
// and reports the outcome in the exit code.
#pragma once

#include <string>
#include <vector>

namespace tonel {

constexpr int exit_good = 0;
constexpr int exit_checksum_mismatch = 1;
constexpr int exit_bad_input = 2;  // unreadable, empty or oversized input; bad options
constexpr int exit_output_failed = 3;

struct CommandOutput {
    int exit_code = exit_good;
    std::string out;  // for standard output: the status line, or the usage
    std::string err;  // for standard error: what went wrong
};

std::string usage_text();

// Runs tonel with its arguments (without the program name).
CommandOutput run_tonel(const std::vector<std::string>& args);

}  // namespace tonel
