#include "app/ui/window_app.h"

#include <QApplication>
#include <SDL.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app/ui/main_window.h"
#include "host/ui/sdl_audio_sink.h"
#include "host/ui/sdl_joysticks.h"
#include "app/startup.h"
#include "machine/builtin_images.h"
#include "machine/machine.h"

namespace trivo {

namespace {

constexpr const char* no_display_text =
    "trivo: the window needs a display, and none can be reached (DISPLAY and\n"
    "WAYLAND_DISPLAY are unset or refused). To run the machine without a window\n"
    "use: trivo --headless (trivo --help lists its options).\n";

bool display_reachable() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform != nullptr && *platform != '\0') return true;  // the user chose one
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x != nullptr && *x != '\0') || (wayland != nullptr && *wayland != '\0');
}

// Qt ends the process when its platform cannot start (a DISPLAY that refuses
// the connection); say what to do instead of crashing.
void message_handler(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtFatalMsg) {
        std::fputs(no_display_text, stderr);
        std::fflush(stderr);
        std::_Exit(1);
    }
    if (type == QtWarningMsg || type == QtCriticalMsg) {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }
}

}  // namespace

std::string user_data_folder() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data == '/') {
        return std::string(data) + "/trivo";
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') {
        return std::string(home) + "/.local/share/trivo";
    }
    return {};
}

int run_window(int argc, char** argv, const WindowOptions& options) {
    if (!display_reachable()) {
        std::fputs(no_display_text, stderr);
        return 1;
    }
    if (options.user_folder) {
        const std::string folder = user_data_folder();
        std::error_code ec;
        if (folder.empty() || (std::filesystem::create_directories(folder, ec), ec) ||
            (std::filesystem::current_path(folder, ec), ec)) {
            std::fprintf(stderr, "trivo: cannot use the data folder %s\n", folder.c_str());
            return 1;
        }
    }

    qInstallMessageHandler(message_handler);
    QApplication app(argc, argv);
    qInstallMessageHandler(nullptr);
    QApplication::setApplicationName(QStringLiteral("trivo"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/trivo/trivo.png")));

    // Sound and game controllers through SDL, without its video and without
    // its signal handlers (Qt owns the process). Either may be missing.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    const bool audio = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    const bool joystick = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
    (void)audio;
    (void)joystick;

    auto machine = make_machine();
    Machine& m = *machine;
    // Start-up messages ("trivo - File Missing") already come as boxes.
    ui::QtHost startup_host(nullptr, nullptr);
    m.host = &startup_host;
    const std::string startup = std::filesystem::current_path().string();

    // The sound device and the controllers outlive the window, which
    // releases them when it closes.
    ui::SdlAudioSink sound_device;
    ui::JoystickSlots joysticks;
    std::unique_ptr<ui::MainWindow> window;
    StartupOptions startup_options;
    startup_options.startup_directory = startup;
    startup_options.create_front_end = [&](Machine& machine) {
        machine.sound.sink = &sound_device;
        window = std::make_unique<ui::MainWindow>(machine, startup, &joysticks);
    };
    machine_startup(m, builtin_images(), startup_options);
    window->showAndFit();
    const int status = QApplication::exec();
    window.reset();
    sound_device.release();
    joysticks.shutdown();
    SDL_Quit();
    return status;
}

}  // namespace trivo
