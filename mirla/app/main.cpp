// mirla's entry point. The window comes with the application's own work;
// until then mirla runs headless only.
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/headless.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << "usage: mirla --headless MACHINE [options]\n" << mirla::headless_usage();
        return 0;
    }
    if (args.empty() || args[0] != "--headless") {
        std::cerr << "mirla: this build has no window; run mirla --headless MACHINE (see --help)\n";
        return 2;
    }
    auto parsed = mirla::headless_parse(std::vector<std::string>(args.begin() + 1, args.end()));
    if (auto* error = std::get_if<std::string>(&parsed)) {
        std::cerr << "mirla: " << *error << "\n" << mirla::headless_usage();
        return 2;
    }
    auto& options = std::get<mirla::HeadlessOptions>(parsed);
    // A board's monitor is opened by name in the current folder; the build
    // and the installation put ours beside the program, which is looked in
    // next.
    std::error_code ec;
    options.folders.push_back(std::filesystem::current_path(ec));
    const auto program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) options.folders.push_back(program.parent_path());
    return mirla::headless_run(options, std::cout, std::cerr);
}
