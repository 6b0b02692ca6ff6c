// trivo: emulator of the APF Imagination Machine.
#include <cstdio>
#include <cstring>

namespace {

void print_usage() {
    std::printf(
        "trivo - emulator of the APF Imagination Machine (MP1000 console and keyboard unit)\n"
        "\n"
        "This build holds the emulation core: the 6800 processor and the machine's\n"
        "memory map and bus. The window, sound and the headless runner are not part\n"
        "of it yet, so there is nothing to start.\n"
        "\n"
        "usage: trivo [--help]\n");
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") != 0 && std::strcmp(argv[i], "-h") != 0) {
            std::fprintf(stderr, "trivo: unknown option '%s'\n", argv[i]);
            print_usage();
            return 2;
        }
    }
    print_usage();
    return 0;
}
