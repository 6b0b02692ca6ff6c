// trivo with its window: sets up Qt and SDL, the machine and the main
// window, and runs until the window closes.
#pragma once

#include <string>

namespace trivo {

struct WindowOptions {
    // Work in the per-user data folder (created on first start) instead of
    // the current folder: what the desktop menu entry asks for, so that the
    // configuration, screenshots and saves do not land in the home folder.
    bool user_folder = false;
};

// The per-user data folder: $XDG_DATA_HOME/trivo, or ~/.local/share/trivo.
// Empty when neither variable gives a place.
std::string user_data_folder();

// Returns the process exit status. Without a display it says so, points to
// --headless and returns 1.
int run_window(int argc, char** argv, const WindowOptions& options);

}  // namespace trivo
