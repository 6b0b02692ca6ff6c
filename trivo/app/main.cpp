// trivo: emulator of the APF Imagination Machine.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "app/headless.h"
#include "app/ui/window_app.h"
#include "machine/builtin_images.h"

namespace {

void print_usage(std::FILE* to) {
    std::fprintf(to,
                 "trivo - emulator of the APF Imagination Machine (MP1000 console and keyboard "
                 "unit)\n"
                 "\n"
                 "usage: trivo --headless [options]\n"
                 "       trivo                  open the window\n"
                 "       trivo --user-folder    open the window, working in the per-user data\n"
                 "                              folder (~/.local/share/trivo), as the desktop\n"
                 "                              menu entry does\n"
                 "       trivo --help\n"
                 "\n"
                 "%s"
                 "\n"
                 "The configuration file is the one DI10.INI in the current folder names\n"
                 "(section CONFIG, key ini), or foo.ini.\n",
                 trivo::headless_usage());
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // --help wins wherever it stands, so "trivo --headless --help" shows the
    // options instead of refusing one.
    const bool help = std::any_of(args.begin(), args.end(),
                                  [](const std::string& a) { return a == "--help" || a == "-h"; });
    if (help) {
        print_usage(stdout);
        return 0;
    }
    if (args.empty() || (args.size() == 1 && args[0] == "--user-folder")) {
        trivo::WindowOptions options;
        options.user_folder = !args.empty();
        return trivo::run_window(argc, argv, options);
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
