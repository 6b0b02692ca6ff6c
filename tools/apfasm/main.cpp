#include <cstdio>
#include <string>
#include <vector>

#include "apfasm/assembler.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::string out, err;
    const int status = apfasm::run_command_line(args, out, err);
    std::fputs(out.c_str(), stdout);
    std::fputs(err.c_str(), stderr);
    return status;
}
