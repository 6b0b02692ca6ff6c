// A main window around a machine running our system ROM, in a scratch folder
// that serves as the start-up directory.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/startup.h"
#include "app/ui/main_window.h"
#include "host/keyboard.h"
#include "machine/builtin_images.h"
#include "machine/machine.h"
#include "scratch_folder.h"
#include "video/video.h"

namespace trivo::test {

// A machine with our system ROM and the built-in settings (unless the test
// changes them), started up to its first hard reset, without a window.
inline std::unique_ptr<Machine> prepared_machine(const std::function<void(Settings&)>& adjust = {}) {
    auto m = make_machine();
    StartupOptions options;
    options.startup_directory = "/nonexistent";  // no configuration file
    if (adjust) options.create_front_end = [&](Machine& machine) { adjust(machine.settings); };
    machine_startup(*m, builtin_images(), options);
    return m;
}

// Runs the event loop until the condition holds or the time is up.
inline bool wait_for(const std::function<bool()>& condition, int milliseconds = 5000) {
    return QTest::qWaitFor(condition, milliseconds);
}

// Answers the next modal dialog or message box: calls answer with it, then
// closes it if the answer left it open.
inline void answer_next_modal(std::function<void(QWidget*)> answer) {
    // A timer owned by the application polls until a modal shows; one that
    // never sees one goes with the application, holding nothing else.
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer = std::move(answer)] {
        poll->setInterval(10);
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        poll->stop();
        poll->deleteLater();
        answer(modal);
        if (QApplication::activeModalWidget() == modal) modal->close();
    });
    poll->start(0);
}

class WindowTest : public ::testing::Test {
protected:
    // Runs the start-up with the window created at its place in the order.
    void open_window(const std::function<void(Settings&)>& adjust = {},
                     AudioSink* sink = nullptr, ui::JoystickSlots* joysticks = nullptr) {
        machine = make_machine();
        StartupOptions options;
        options.startup_directory = scratch.path.string();
        options.create_front_end = [&](Machine& m) {
            if (adjust) {
                adjust(m.settings);
                // Settings changed after the configuration was read, as the
                // keyboard dialogs change them: the key lookups follow.
                keyboard_rebuild_tables(m);
            }
            m.sound.sink = sink;
            window = std::make_unique<ui::MainWindow>(m, scratch.path.string(), joysticks);
        };
        machine_startup(*machine, builtin_images(), options);
    }
    // Shows the window and waits until the start command has run.
    void start_window(const std::function<void(Settings&)>& adjust = {},
                      ui::JoystickSlots* joysticks = nullptr) {
        open_window(adjust, nullptr, joysticks);
        window->showAndFit();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        ASSERT_TRUE(wait_for([&] { return (window->startGate() & ui::gate_started) != 0; }));
    }
    // Waits until a whole frame has run after this call: its input snapshot
    // and keyboard scan saw what the test did before.
    void next_frame() {
        const uint64_t before = machine->scheduler.frames_run;
        ASSERT_TRUE(wait_for([&] { return machine->scheduler.frames_run > before; }));
    }
    void TearDown() override {
        window.reset();
        machine.reset();
    }

    test_support::ScratchFolder scratch;
    std::unique_ptr<Machine> machine;
    std::unique_ptr<ui::MainWindow> window;
};

}  // namespace trivo::test
