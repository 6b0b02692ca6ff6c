// tonel: converts a CPF cassette image to a WAV file for a real APF
// Imagination Machine. Without arguments it opens its dialog; with them it
// converts on the command line.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "command_line.h"
#include "ui/tonel_dialog.h"

namespace {

bool display_reachable() {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        if (!display_reachable()) {
            std::fputs("tonel: the dialog needs a display; to convert on the command line:\n",
                       stderr);
            std::fputs(tonel::usage_text().c_str(), stderr);
            return tonel::exit_bad_input;
        }
        QApplication app(argc, argv);
        tonel::TonelDialog dialog;
        dialog.exec();
        return 0;
    }
    const tonel::CommandOutput output = tonel::run_tonel(args);
    std::fputs(output.out.c_str(), stdout);
    std::fputs(output.err.c_str(), stderr);
    return output.exit_code;
}
