// trivo: emulator of the APF Imagination Machine.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "app/headless.h"
#include "machine/builtin_images.h"

namespace {

void print_usage(std::FILE* to) {
    std::fprintf(to,
                 "trivo - emulator of the APF Imagination Machine (MP1000 console and keyboard "
                 "unit)\n"
                 "\n"
                 "usage: trivo --headless [options]\n"
                 "       trivo --help\n"
                 "\n"
                 "%s"
                 "\n"
                 "The configuration file is the one DI10.INI in the current folder names\n"
                 "(section CONFIG, key ini), or foo.ini. The window comes in a later version;\n"
                 "this one runs the machine headless only.\n",
                 trivo::headless_usage());
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // --help wins wherever it stands, so "trivo --headless --help" shows the
    // options instead of refusing one.
    const bool help = std::any_of(args.begin(), args.end(),
                                  [](const std::string& a) { return a == "--help" || a == "-h"; });
    if (args.empty() || help) {
        print_usage(stdout);
        return 0;
    }
    if (args[0] != "--headless") {
        std::fprintf(stderr, "trivo: unknown option '%s'\n\n", args[0].c_str());
        print_usage(stderr);
        return 2;
    }
    auto parsed = trivo::headless_parse({args.begin() + 1, args.end()});
    if (auto* error = std::get_if<std::string>(&parsed)) {
        std::fprintf(stderr, "trivo: %s\n\n", error->c_str());
        print_usage(stderr);
        return 2;
    }
    return trivo::headless_run(std::get<trivo::HeadlessOptions>(parsed),
                               trivo::builtin_images(), std::cout, std::cerr);
}
