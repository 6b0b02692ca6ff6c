#include <QAction>
#include <QMenuBar>
#include <QMessageBox>
#include <QSignalSpy>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/ui/menu_table.h"
#include "host/display.h"
#include "machine/commands.h"
#include "machine/bus.h"
#include "window_fixture.h"

namespace trivo::test {
namespace {

using ui::MainWindow;

// A RAM byte the system ROM leaves alone.
constexpr uint16_t ram_marker = 0x3000;

TEST_F(WindowTest, NoFrameRunsBeforeTheWindowIsCreatedActivatedAndPainted) {
    open_window();
    EXPECT_EQ(window->startGate(), ui::gate_created);
    machine->memory_image[ram_marker] = 0x5A;
    QTest::qWait(50);
    EXPECT_EQ(machine->machine_clock, 0u);  // not one instruction yet

    window->showAndFit();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    ASSERT_TRUE(wait_for([&] { return machine->machine_clock > 0; }));
    EXPECT_EQ(window->startGate(),
              ui::gate_created | ui::gate_activated | ui::gate_painted | ui::gate_started);
    // The start was a hard reset: RAM cleared, the system ROM running.
    EXPECT_EQ(machine->memory_image[ram_marker], 0);

    // It happens once: later paints and activations do not reset again.
    machine->memory_image[ram_marker] = 0xA5;
    window->screen()->repaint();
    window->activateWindow();
    QTest::qWait(100);
    EXPECT_EQ(machine->memory_image[ram_marker], 0xA5);
}

TEST_F(WindowTest, EveryMenuItemHasItsTextAndIdAndDispatchesItsCommand) {
    start_window();
    QSignalSpy spy(window.get(), &MainWindow::commandRun);
    std::vector<int> greyed;
    for (const ui::MenuItem& item : ui::menu_items) {
        SCOPED_TRACE(item.text);
        QAction* action = window->action(item.command);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->text().toStdString(), item.text);
        EXPECT_EQ(action->data().toInt(), item.command);
        // The logger is usable exactly while the BASIC ROM traps are armed.
        if (item.command == command_wav_logger) {
            EXPECT_EQ(action->isEnabled(), machine->rom_hacks_armed);
            if (!machine->rom_hacks_armed) continue;
        }
        if (!action->isEnabled()) {
            greyed.push_back(item.command);
            continue;
        }
        // Items that open a box or a file dialog get it cancelled; Exit is
        // left out, it would end the test's window.
        if (item.command == command_exit) continue;
        // The Script and Keyboard windows are no modal boxes: the item opens
        // one and, chosen again, closes it.
        const bool modeless =
            item.command == command_script_window || item.command == command_keyboard_window;
        // The debugger windows opened by earlier items stay open.
        if (!modeless) answer_next_modal([](QWidget* modal) { modal->close(); });
        const int tool_windows = window->toolWindowCount();
        spy.clear();
        action->trigger();
        ASSERT_EQ(spy.count(), 1);
        EXPECT_EQ(spy.at(0).at(0).toInt(), item.command);
        if (modeless) {
            EXPECT_EQ(window->toolWindowCount(), tool_windows + 1);
            action->trigger();
            EXPECT_TRUE(wait_for([&] { return window->toolWindowCount() == tool_windows; }));
        }
        if (item.command == command_full_screen && window->display().full_screen) {
            window->runCommand(command_full_screen);
        }
        QApplication::processEvents();
    }
    // The items waiting for their dialogs and windows.
    const std::vector<int> expected_greyed = {
        command_quick_type, command_emulated_keyboard, command_sensible_keyboard, command_paste};
    EXPECT_EQ(greyed, expected_greyed);
}

TEST_F(WindowTest, AcceleratorsDispatchTheirCommands) {
    start_window();
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        int command;
    };
    const Case cases[] = {
        {Qt::Key_F9, Qt::NoModifier, command_soft_reset},
        {Qt::Key_F9, Qt::ShiftModifier, command_hard_reset},
        {Qt::Key_F11, Qt::NoModifier, command_screenshot},
        {Qt::Key_F12, Qt::NoModifier, command_full_screen},
        {Qt::Key_F12, Qt::NoModifier, command_full_screen},  // and back
        {Qt::Key_Pause, Qt::NoModifier, command_break},
        {Qt::Key_Pause, Qt::NoModifier, command_break},
        {Qt::Key_Slash, Qt::AltModifier, command_about},
        {Qt::Key_Question, Qt::AltModifier, command_about},
    };
    QSignalSpy spy(window.get(), &MainWindow::commandRun);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        spy.clear();
        if (c.command == command_about) answer_next_modal([](QWidget* box) { box->close(); });
        // The offscreen platform does not give the activation back when a box closes.
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window->screen(), static_cast<Qt::Key>(c.key), c.modifiers);
        ASSERT_EQ(spy.count(), 1);
        EXPECT_EQ(spy.at(0).at(0).toInt(), c.command);
    }
    EXPECT_FALSE(window->display().full_screen);
    EXPECT_EQ(machine->break_flags, 0u);
}

TEST_F(WindowTest, BreakTogglesOnlyItsOwnBit) {
    start_window();
    machine->break_flags = 0x100;  // a breakpoint has stopped the machine
    window->runCommand(command_break);
    EXPECT_EQ(machine->break_flags, 0x4100u);
    window->runCommand(command_break);
    EXPECT_EQ(machine->break_flags, 0x100u);  // still stopped by the breakpoint

    machine->break_flags = 0;
    window->runCommand(command_break);
    const uint32_t clock = machine->machine_clock;
    QTest::qWait(100);
    EXPECT_EQ(machine->machine_clock, clock);  // stopped
    window->runCommand(command_break);
    EXPECT_TRUE(wait_for([&] { return machine->machine_clock != clock; }));
}

TEST_F(WindowTest, ClientAreaFollowsTheWindowScale) {
    const struct {
        int setting, width, height;
    } cases[] = {{1, 280, 216}, {2, 560, 432}, {3, 840, 648}, {7, 560, 432}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setting);
        open_window([&](Settings& s) { s.windowscaling = c.setting; });
        window->showAndFit();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        EXPECT_EQ(window->screen()->size(), QSize(c.width, c.height));
        EXPECT_EQ(window->screen()->pictureRect(), QRect(0, 0, c.width, c.height));
        window.reset();
    }
}

TEST_F(WindowTest, SpeedReadout) {
    EXPECT_EQ(display_speed_text(100), " 100%  ");
    EXPECT_EQ(display_speed_text(7), " 7%  ");
    start_window();
    machine->scheduler.speed_percent = 123;
    window->displayPaint();
    EXPECT_EQ(window->windowTitle().toStdString(), "trivo  123%");
}

TEST_F(WindowTest, SaveRamWritesTheWholeAddressSpace) {
    start_window();
    window->runCommand(command_break);  // hold the machine still
    machine->memory_image[0x0000] = 0x11;
    machine->memory_image[0xFFFF] = 0x22;
    window->runCommand(command_save_ram);
    std::ifstream in(scratch.file("ram.bin"), std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(bytes.size(), 65536u);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), machine->memory_image.begin()));
}

TEST_F(WindowTest, SaveRamThatCannotWriteSaysSo) {
    start_window();
    // ram.bin is a folder: the file cannot be created.
    std::filesystem::create_directory(scratch.file("ram.bin"));
    QString caption, text;
    answer_next_modal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        caption = box->windowTitle();
        text = box->text();
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
    });
    window->runCommand(command_save_ram);
    EXPECT_EQ(caption.toStdString(), "trivo - Save Ram");
    EXPECT_TRUE(text.contains(QStringLiteral("ram.bin"))) << text.toStdString();
}

TEST_F(WindowTest, SoftResetKeepsMemoryAndHardResetClearsIt) {
    start_window();
    const uint16_t reset_vector =
        static_cast<uint16_t>(machine->memory_image[0xFFFE] << 8 | machine->memory_image[0xFFFF]);
    QTest::qWait(50);
    window->runCommand(command_break);
    machine->memory_image[ram_marker] = 0x77;
    machine->memory_image[pia1_base + 2] = 0xC0;  // a device latch

    window->runCommand(command_soft_reset);
    EXPECT_EQ(machine->cpu.pc, reset_vector);
    EXPECT_EQ(machine->machine_clock, 0u);
    EXPECT_EQ(machine->memory_image[ram_marker], 0x77);
    EXPECT_EQ(machine->memory_image[pia1_base + 2], 0xC0);
    EXPECT_EQ(machine->break_flags, 0x4000u);  // stopped stays stopped

    machine->memory_image[0xF000] ^= 0xFF;  // a ROM copy changed behind its back
    const uint8_t rom_byte = static_cast<uint8_t>(machine->memory_image[0xF000] ^ 0xFF);
    window->runCommand(command_hard_reset);
    EXPECT_EQ(machine->cpu.pc, reset_vector);
    EXPECT_EQ(machine->memory_image[ram_marker], 0);
    EXPECT_EQ(machine->memory_image[pia1_base + 2], 0);
    EXPECT_EQ(machine->memory_image[0xF000], rom_byte);  // ROM images installed again
    EXPECT_EQ(machine->break_flags, 0x4000u);
}

TEST_F(WindowTest, ResetsPostedByScriptsAndDialogsRunFromTheEventLoop) {
    start_window();
    window->runCommand(command_break);
    machine->memory_image[ram_marker] = 0x33;
    machine->host->post_command(command_hard_reset);
    EXPECT_EQ(machine->memory_image[ram_marker], 0x33);  // not yet
    EXPECT_TRUE(wait_for([&] { return machine->memory_image[ram_marker] == 0; }));
}

TEST_F(WindowTest, FullScreenShowsThePictureInItsFieldAndIsRefusedBesideToolWindows) {
    start_window([](Settings& s) { s.windowscaling = 3; });
    window->setToolWindowCount(1);
    window->runCommand(command_full_screen);
    EXPECT_FALSE(window->display().full_screen);
    window->setToolWindowCount(0);

    window->runCommand(command_full_screen);
    ASSERT_TRUE(window->display().full_screen);
    EXPECT_EQ(window->display().display_scale, 2);
    EXPECT_FALSE(window->menuBar()->isVisible());
    // Right click brings the menu back, and again hides it.
    QTest::mouseClick(window->screen(), Qt::RightButton);
    EXPECT_TRUE(window->menuBar()->isVisible());
    QTest::mouseClick(window->screen(), Qt::RightButton);
    EXPECT_FALSE(window->menuBar()->isVisible());

    // The 640 x 480 field scaled to the widget with its aspect kept.
    window->screen()->resize(1280, 1024);
    EXPECT_EQ(window->screen()->pictureRect(), QRect(80, 48 + 32, 1120, 864));

    QTest::keyClick(window->screen(), Qt::Key_F12);
    EXPECT_FALSE(window->display().full_screen);
    EXPECT_TRUE(window->menuBar()->isVisible());
    EXPECT_EQ(window->screen()->size(), QSize(840, 648));
}

TEST_F(WindowTest, WindowPictureIsTheFrameScaledByWholePixels) {
    start_window();
    window->runCommand(command_break);
    QTest::qWait(50);
    video_render_frame(*machine);
    const QImage grabbed = window->screen()->grab().toImage();
    ASSERT_EQ(grabbed.size(), QSize(560, 432));
    for (int y = 0; y < 432; y += 7) {
        for (int x = 0; x < 560; x += 5) {
            const PaletteEntry& c =
                machine->video_palette[machine->frame_pixels[(y / 2) * frame_width + x / 2]];
            ASSERT_EQ(grabbed.pixel(x, y), qRgb(c.red, c.green, c.blue)) << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace trivo::test
