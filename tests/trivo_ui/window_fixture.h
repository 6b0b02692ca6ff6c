// A main window around a machine running our system ROM, in a scratch folder
// that serves as the start-up directory.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/ui/main_window.h"
#include "machine/builtin_images.h"
#include "machine/machine.h"
#include "machine/rom_images.h"
#include "machine/scheduler.h"
#include "scratch_folder.h"
#include "video/video.h"

namespace trivo::test {

// The machine as start-up leaves it before the window exists: settings (the
// built-in ones unless the test changes them), ROM images, timing, tables.
inline std::unique_ptr<Machine> prepared_machine(const std::function<void(Settings&)>& adjust = {}) {
    auto m = make_machine();
    if (adjust) adjust(m->settings);
    load_rom_images(*m, builtin_images());
    timing_recompute(*m);
    video_build_tables(*m);
    return m;
}

// Runs the event loop until the condition holds or the time is up.
inline bool wait_for(const std::function<bool()>& condition, int milliseconds = 5000) {
    return QTest::qWaitFor(condition, milliseconds);
}

// Answers the next modal dialog or message box: calls answer with it, then
// closes it if the answer left it open.
inline void answer_next_modal(std::function<void(QWidget*)> answer) {
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [answer, poll] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) {
            QTimer::singleShot(10, *poll);
            return;
        }
        answer(modal);
        if (QApplication::activeModalWidget() == modal) modal->close();
        *poll = nullptr;  // break the cycle
    };
    QTimer::singleShot(0, *poll);
}

class WindowTest : public ::testing::Test {
protected:
    void open_window(const std::function<void(Settings&)>& adjust = {}) {
        machine = prepared_machine(adjust);
        window = std::make_unique<ui::MainWindow>(*machine, scratch.path.string());
    }
    // Shows the window and waits until the start command has run.
    void start_window(const std::function<void(Settings&)>& adjust = {}) {
        open_window(adjust);
        window->showAndFit();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        ASSERT_TRUE(wait_for([&] { return machine->machine_started; }));
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
