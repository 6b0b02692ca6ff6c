// tonel: converts a CPF cassette image to a WAV file for a real APF
// Imagination Machine.
#include <cstdio>
#include <string>
#include <vector>

#include "command_line.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const tonel::CommandOutput output = tonel::run_tonel(args);
    std::fputs(output.out.c_str(), stdout);
    std::fputs(output.err.c_str(), stderr);
    return output.exit_code;
}
