#include "app/ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <cmath>
#include <cstring>
#include <utility>

#include "app/ui/config_dialogs.h"
#include "app/ui/menu_table.h"
#include "automation/ui/script_window.h"
#include "cassette/binary_utils.h"
#include "cassette/deck.h"
#include "cassette/printer.h"
#include "cassette/wav_input.h"
#include "debugger/debugger.h"
#include "debugger/ui/debug_windows.h"
#include "host/screenshot.h"
#include "host/ui/keyboard_picture.h"
#include "host/sound.h"
#include "host/ui/qt_keys.h"
#include "host/ui/sdl_joysticks.h"
#include "machine/builtin_images.h"
#include "machine/commands.h"
#include "machine/config.h"
#include "machine/machine.h"
#include "machine/rom_images.h"
#include "machine/reset.h"
#include "machine/scheduler.h"
#include "video/video.h"

namespace trivo::ui {

namespace {

// The break bit of the Break command (Pause key): the user's own stop.
constexpr uint32_t break_user = 0x4000;

}  // namespace

// ---------------------------------------------------------------- window

MainWindow::MainWindow(Machine& machine, std::string startupDirectory, JoystickSlots* joysticks,
                       QWidget* parent)
    : QMainWindow(parent),
      m_machine(machine),
      m_startupDirectory(std::move(startupDirectory)),
      m_joysticks(joysticks),
      m_host(this, this),
      m_keys(std::make_unique<KeyTracker>()) {
    setWindowTitle(QStringLiteral("trivo"));
    setAttribute(Qt::WA_QuitOnClose);
    m_machine.host = &m_host;

    m_screen = new ScreenWidget(*this);
    setCentralWidget(m_screen);
    m_screen->setFocus();
    buildMenus();
    m_debugWindows = std::make_unique<DebugWindows>(m_machine, this, [this] { return m_display.full_screen; });

    m_frameTimer.setSingleShot(true);
    m_frameTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_frameTimer, &QTimer::timeout, this, &MainWindow::frameTimerFired);

    // The frame clock and the sound output follow in the start-up, once the
    // window exists (machine_startup).
    m_display.display_scale = display_scale_for(m_machine.settings.windowscaling);
    gateBit(gate_created);
}

MainWindow::~MainWindow() {
    shutdown();
    m_debugWindows.reset();
    if (m_machine.host == &m_host) m_machine.host = &m_machine.default_host;
}

void MainWindow::buildMenus() {
    QMenu* menus[menu_titles.size()];
    for (size_t i = 0; i < menu_titles.size(); ++i) {
        menus[i] = menuBar()->addMenu(QString::fromLatin1(menu_titles[i]));
        // An open menu stops the sound, as the frames stop while it is open.
        connect(menus[i], &QMenu::aboutToShow, this, [this] {
            sound_suspend(m_machine);
            updatePasteItem();
        });
    }
    for (const MenuItem& item : menu_items) {
        QMenu* menu = menus[static_cast<int>(item.menu)];
        if (item.separator && !menu->isEmpty()) menu->addSeparator();
        auto* action = menu->addAction(QString::fromLatin1(item.text));
        action->setData(item.command);
        QList<QKeySequence> keys;
        if (item.shortcut != nullptr) keys << QKeySequence(QString::fromLatin1(item.shortcut));
        if (item.second_shortcut != nullptr) {
            keys << QKeySequence(QString::fromLatin1(item.second_shortcut));
        }
        if (!keys.isEmpty()) {
            action->setShortcuts(keys);
            // Accelerators work with the menu bar hidden (full screen) too.
            addAction(action);
        }
        if (item.later) action->setEnabled(false);
        const int command = item.command;
        connect(action, &QAction::triggered, this, [this, command] { runCommand(command); });
        m_actions[item.command] = action;
    }
    m_actions[command_wav_logger]->setCheckable(true);
}

QAction* MainWindow::action(int command) const {
    const auto found = m_actions.find(command);
    return found == m_actions.end() ? nullptr : found->second;
}

void MainWindow::showAndFit() {
    move(10, 10);
    show();
    fitWindow();
    // The logger needs the BASIC ROM traps; without them its item is off and grey.
    if (!m_machine.rom_hacks_armed) m_machine.wav_logger_on = false;
    setMenuState(command_wav_logger, m_machine.wav_logger_on, m_machine.rom_hacks_armed);
    activateWindow();
    raise();
}

void MainWindow::fitWindow() {
    if (m_display.full_screen) return;
    const int scale = m_display.display_scale;
    m_screen->setFixedSize(frame_width * scale, frame_height * scale);
    adjustSize();
    move(10, 10);
}

void MainWindow::postCommand(int command) {
    QMetaObject::invokeMethod(this, [this, command] { runCommand(command); }, Qt::QueuedConnection);
}

void MainWindow::setMenuState(int command, bool checked, bool enabled) {
    QAction* a = action(command);
    if (a == nullptr) return;
    if (a->isCheckable()) a->setChecked(checked);
    a->setEnabled(enabled);
}

// ---------------------------------------------------------------- start gate

void MainWindow::gateBit(int bit) {
    m_gate |= bit;
    const int ready = gate_created | gate_activated | gate_painted;
    if ((m_gate & ready) == ready && (m_gate & gate_started) == 0 && !m_startPosted) {
        m_startPosted = true;
        postCommand(command_start);
    }
}

void MainWindow::notePainted() { gateBit(gate_painted); }

void MainWindow::start() {
    if (m_gate & gate_started) return;
    m_gate |= gate_started;
    sound_redo(m_machine);
    machine_reset(m_machine, ResetKind::hard);
    setWindowTitle(QStringLiteral("trivo"));
    m_shownSpeed = -1;
    scheduleNextFrame();
}

bool MainWindow::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::WindowActivate:
            setInputFocus(true);
            gateBit(gate_activated);
            break;
        case QEvent::WindowDeactivate:
            setInputFocus(false);
            sound_suspend(m_machine);
            break;
        default:
            break;
    }
    return QMainWindow::event(event);
}

// ---------------------------------------------------------------- input

void MainWindow::setInputFocus(bool focused) {
    HostInput& in = m_machine.input.host;
    in.focused = focused;
    if (!focused) {
        // Keys held while the focus goes elsewhere would otherwise stay
        // down: their releases go to another window.
        m_keys->releaseAll();
        in.keys_down.fill(0);
    }
    if (m_joysticks != nullptr) m_joysticks->acquire(focused);
}

void MainWindow::takeInputSnapshot() {
    // What the user holds, as the next frame's keyboard scan reads it.
    HostInput& in = m_machine.input.host;
    in.keys_down = m_keys->held();
    if (m_joysticks != nullptr) m_joysticks->poll(in.joysticks);
}

// ---------------------------------------------------------------- main loop

bool MainWindow::emulationBlocked() const {
    // A modal dialog or an open menu runs its own event loop; the machine
    // waits until it closes.
    return QApplication::activeModalWidget() != nullptr ||
           QApplication::activePopupWidget() != nullptr;
}

void MainWindow::frameTimerFired() {
    if (!running()) return;
    if (m_inFrame || emulationBlocked()) {
        // Within a frame a dialog of the machine's (a cassette file to
        // choose) is open; the frame goes on when it closes.
        if (!m_inFrame) sound_suspend(m_machine);
        m_frameTimer.start(1000 / std::max(1, m_machine.timing.frames_per_second));
        return;
    }
    m_inFrame = true;
    // Fast mode and file speed-up run frames back to back; they still give
    // the event loop its turn after a few milliseconds.
    const auto batch_end = std::chrono::steady_clock::now() + std::chrono::milliseconds(8);
    do {
        const uint32_t before = m_machine.machine_clock;
        takeInputSnapshot();
        if (frame_tick(m_machine)) displayPaint();
        // The Keyboard window shows what each frame's scan left held.
        if (m_keyboardWindow != nullptr) m_keyboardWindow->refresh();
        if (m_machine.machine_clock == before) break;
    } while (std::chrono::steady_clock::now() < batch_end && m_machine.machine_started &&
             m_machine.scheduler.next_frame_time <= *m_host.counter());
    m_inFrame = false;
    scheduleNextFrame();
}

bool MainWindow::running() const {
    // Start-up's hard reset has set the started flag; frames wait for the gate.
    return m_machine.machine_started && (m_gate & gate_started) != 0 && !m_shutDown;
}

void MainWindow::scheduleNextFrame() {
    if (!running()) return;
    const FrameScheduler& s = m_machine.scheduler;
    const int fps = std::max(1, m_machine.timing.frames_per_second);
    const bool flat_out = timing_mode(m_machine.settings) == TimingMode::fast ||
                          (m_machine.settings.speedupfilesflag &&
                           (m_machine.quicktype.active || m_machine.deck.playing ||
                            m_machine.file_activity != 0));
    int wait_ms;
    if (m_machine.break_flags != 0) {
        // Stopped: look again each frame time whether the stop has ended.
        wait_ms = 1000 / fps;
    } else if (flat_out) {
        wait_ms = 0;
    } else if (s.counter_frequency > 0) {
        const int64_t wait = s.next_frame_time - *m_host.counter();
        wait_ms = wait <= 0 ? 0
                            : static_cast<int>((wait * 1000 + s.counter_frequency - 1) /
                                               s.counter_frequency);
    } else {
        wait_ms = 1;
    }
    m_frameTimer.start(std::clamp(wait_ms, 0, 1000));
}

void MainWindow::displayPaint() {
    const bool due = display_paint_due(m_machine, m_display);
    // The debugger windows follow every shown frame, and the frame that
    // shows a stop even when thinning skips its picture.
    if (due || m_machine.break_flags != 0) {
        debugger_refresh(m_machine);
        m_debugWindows->refresh();
    }
    if (!due) return;
    video_render_frame(m_machine);
    updateTitle();
    if (m_scriptWindow != nullptr) m_scriptWindow->refresh();
    m_screen->frameReady();
}

int MainWindow::toolWindowCount() const { return m_toolWindows + m_debugWindows->openCount(); }

QString MainWindow::speedCaption() const {
    return QStringLiteral("trivo") +
           QString::fromStdString(display_speed_text(m_machine.scheduler.speed_percent))
               .trimmed()
               .prepend(QStringLiteral("  "));
}

void MainWindow::updateTitle() {
    // The speed readout sits in the title bar; the title changes only when
    // the measured speed does.
    if (m_display.full_screen || m_machine.scheduler.speed_percent == m_shownSpeed) return;
    m_shownSpeed = m_machine.scheduler.speed_percent;
    setWindowTitle(speedCaption());
}

// ---------------------------------------------------------------- commands

bool MainWindow::runCommand(int command) {
    Machine& m = m_machine;
    if (command != command_start && action(command) == nullptr) return false;
    emit commandRun(command);
    switch (command) {
        case command_start:
            start();
            return true;
        case command_save_ram:
            save_ram(m, m_startupDirectory);
            break;
        case command_soft_reset:
            machine_reset(m, ResetKind::soft);
            break;
        case command_hard_reset:
            machine_reset(m, ResetKind::hard);
            break;
        case command_play_cassette:
            deck_play_cassette_file(m);
            break;
        case command_exit:
            close();
            break;
        case command_screenshot:
            display_screenshot(m, m_startupDirectory, m.config_path);
            break;
        case command_full_screen:
            toggleFullScreen();
            break;
        case command_wav_logger:
            wav_logger_toggle(m);
            break;
        case command_break:
            m.break_flags ^= break_user;
            break;
        case command_register_window:
        case command_memory_window:
        case command_history_window:
        case command_disassembly_window:
        case command_breaks_window:
        case command_lst_window:
        case command_load_lst:
        case command_map_window:
            m_debugWindows->runCommand(command);
            break;
        case command_about:
            showAbout();
            break;
        case command_script_window:
            toggleScriptWindow();
            break;
        case command_keyboard_window:
            toggleKeyboardWindow();
            break;
        case command_memory:
        case command_cartridge:
        case command_serial_printer:
        case command_video_colors:
        case command_sound:
        case command_system_timing:
        case command_load_binary:
        case command_csavem:
            runSettingsDialog(command);
            break;
        default:
            // Items whose dialogs are not built yet do nothing.
            break;
    }
    // Settings changed in a dialog take effect and the stream restarts after
    // the pause the command made.
    sound_redo(m);
    if (!m_frameTimer.isActive() && !m_inFrame) scheduleNextFrame();
    return true;
}

void MainWindow::runSettingsDialog(int command) {
    Machine& m = m_machine;
    Settings scratch = m.settings;
    std::unique_ptr<QDialog> dialog;
    switch (command) {
        case command_memory: dialog = std::make_unique<MemoryDialog>(m, scratch, this); break;
        case command_cartridge: dialog = std::make_unique<CartridgeDialog>(m, scratch, this); break;
        case command_serial_printer: dialog = std::make_unique<PrinterDialog>(m, scratch, this); break;
        case command_video_colors:
            dialog = std::make_unique<ColorsDialog>(m, scratch, m_customColoursSet, this);
            break;
        case command_sound: dialog = std::make_unique<SoundDialog>(m, scratch, this); break;
        case command_system_timing: dialog = std::make_unique<TimingDialog>(m, scratch, this); break;
        case command_load_binary: dialog = std::make_unique<LoadBinaryDialog>(m, scratch, this); break;
        case command_csavem: dialog = std::make_unique<CsavemDialog>(m, scratch, this); break;
        default: return;
    }
    sound_suspend(m);
    if (dialog->exec() != QDialog::Accepted) return;  // the copy is dropped

    const int old_scaling = m.settings.windowscaling;
    m.settings = scratch;
    const std::string& path = m.config_path;
    bool written = true;
    switch (command) {
        case command_memory:
            written = config_write_memory(path, m.settings);
            load_rom_images(m, builtin_images());
            video_build_tables(m);
            // The new memory map takes effect only with a hard reset, which
            // runs once this command has finished.
            postCommand(command_hard_reset);
            break;
        case command_cartridge:
            written = config_write_cartridge(path, m.settings);
            load_rom_images(m, builtin_images());
            video_build_tables(m);
            // A cartridge swapped in a running machine: no reset.
            install_rom_images(m);
            break;
        case command_serial_printer:
            // The printer output reads its settings with each character.
            written = config_write_printer(path, m.settings);
            break;
        case command_video_colors:
            written = config_write_video(path, m.settings);
            if (m.settings.windowscaling != old_scaling && !m_display.full_screen) {
                m_display.display_scale = display_scale_for(m.settings.windowscaling);
                fitWindow();
            }
            // The picture takes the new palette at its next paint.
            video_build_tables(m);
            m_screen->update();
            break;
        case command_sound:
            // The sound output is built again after every command.
            written = config_write_sound(path, m.settings);
            break;
        case command_system_timing:
            written = config_write_speed(path, m.settings);
            timing_recompute(m);
            break;
        case command_load_binary:
            written = config_write_load_binary(path, m.settings);
            break;
        case command_csavem:
            written = config_write_csavem(path, m.settings);
            break;
        default:
            break;
    }
    if (!written) m_host.debug_output("The configuration file could not be written\n");
}

void MainWindow::toggleScriptWindow() {
    if (m_scriptWindow != nullptr) {
        m_scriptWindow->close();
        return;
    }
    m_scriptWindow = new ScriptWindow(m_machine, this);
    ++m_toolWindows;
    // Closed by the menu item, its title bar or Escape: the window goes.
    connect(m_scriptWindow, &QDialog::finished, this, [this] {
        if (m_scriptWindow == nullptr) return;
        m_scriptWindow->deleteLater();
        m_scriptWindow = nullptr;
        --m_toolWindows;
    });
    m_scriptWindow->show();
}

void MainWindow::toggleKeyboardWindow() {
    if (m_keyboardWindow != nullptr) {
        m_keyboardWindow->close();
        return;
    }
    if (m_display.full_screen) return;
    m_keyboardWindow = new KeyboardWindow(m_machine, this);
    ++m_toolWindows;
    connect(m_keyboardWindow, &KeyboardWindow::closed, this, [this] {
        if (m_keyboardWindow == nullptr) return;
        m_keyboardWindow->deleteLater();
        m_keyboardWindow = nullptr;
        --m_toolWindows;
    });
    m_keyboardWindow->show();
}

void MainWindow::updatePasteItem() {
    // Paste is usable only while the clipboard holds text (and once the
    // quick-typing behind it exists).
    QAction* paste = action(command_paste);
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const bool has_text = clipboard != nullptr && clipboard->mimeData() != nullptr &&
                          clipboard->mimeData()->hasText();
    if (paste != nullptr && !has_text) paste->setEnabled(false);
}

void MainWindow::showAbout() {
    QMessageBox::about(this, QStringLiteral("About trivo"),
                       QStringLiteral("trivo\n\nAn emulator of the APF Imagination Machine:\n"
                                      "the MP1000 console with its keyboard unit.\n\n"
                                      "System ROM, character ROM and BASIC are our own."));
}

// ---------------------------------------------------------------- full screen

void MainWindow::toggleFullScreen() {
    if (m_display.full_screen) {
        m_display.full_screen = false;
        showNormal();
        menuBar()->show();
        unsetCursor();
        m_screen->unsetCursor();
        m_display.display_scale = display_scale_for(m_machine.settings.windowscaling);
        fitWindow();
        return;
    }
    // A tool window stays beside the picture; full screen would hide it.
    if (toolWindowCount() > 0) return;
    m_windowedGeometry = geometry();
    m_display.full_screen = true;
    m_display.display_scale = full_screen_scale;
    m_screen->setMinimumSize(0, 0);
    m_screen->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    menuBar()->hide();
    m_screen->setCursor(Qt::BlankCursor);
    showFullScreen();
    m_screen->update();
}

void MainWindow::toggleFullScreenMenu() {
    if (!m_display.full_screen) return;
    if (menuBar()->isVisible()) {
        menuBar()->hide();
        m_screen->setCursor(Qt::BlankCursor);
    } else {
        menuBar()->show();
        m_screen->unsetCursor();
    }
    m_screen->update();
}

// ---------------------------------------------------------------- shutdown

void MainWindow::closeEvent(QCloseEvent* event) {
    shutdown();
    QMainWindow::closeEvent(event);
}

void MainWindow::shutdown() {
    if (m_shutDown) return;
    m_shutDown = true;
    m_frameTimer.stop();
    m_machine.machine_started = false;
    if (m_display.full_screen) toggleFullScreen();
    sound_release(m_machine);
    setInputFocus(false);
    // Files the machine was writing are closed; settings are not written at exit.
    printer_close(m_machine);
    deck_stop_tape(m_machine);
    deck_close_output(m_machine);
}

// ---------------------------------------------------------------- screen

ScreenWidget::ScreenWidget(MainWindow& window) : QWidget(&window), m_window(window) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

bool ScreenWidget::syncPalette() {
    const VideoPalette& palette = m_window.machine().video_palette;
    std::array<QRgb, 256> colours;
    colours.fill(qRgb(0, 0, 0));
    for (int i = 0; i < palette_entries; ++i) {
        colours[i] = qRgb(palette[i].red, palette[i].green, palette[i].blue);
    }
    if (colours == m_colours) return false;
    m_colours = colours;
    return true;
}

int ScreenWidget::pictureScale() const {
    const DisplayState& d = m_window.display();
    return d.full_screen ? full_screen_scale : d.display_scale;
}

void ScreenWidget::convertRows(int first, int last) {
    const int scale = pictureScale();
    const auto& pixels = m_window.machine().frame_pixels;
    const size_t line_bytes = static_cast<size_t>(frame_width * scale) * sizeof(QRgb);
    for (int y = first; y <= last; ++y) {
        auto* line = reinterpret_cast<QRgb*>(m_picture.scanLine(y * scale));
        const uint8_t* source = pixels.data() + y * frame_width;
        for (int x = 0; x < frame_width; ++x) {
            const QRgb colour = m_colours[source[x]];
            for (int k = 0; k < scale; ++k) line[x * scale + k] = colour;
        }
        for (int k = 1; k < scale; ++k) std::memcpy(m_picture.scanLine(y * scale + k), line, line_bytes);
    }
    std::copy_n(pixels.begin() + first * frame_width, (last - first + 1) * frame_width,
                m_shown.begin() + first * frame_width);
}

void ScreenWidget::frameReady() {
    // Most frames change a few rows (a counter, a cursor) or none; only the
    // rows that changed are converted and sent to the screen.
    const int scale = pictureScale();
    const QSize size(frame_width * scale, frame_height * scale);
    const bool whole = syncPalette() || m_picture.size() != size;
    if (whole) {
        m_picture = QImage(size, QImage::Format_RGB32);
        convertRows(0, frame_height - 1);
        update();
        return;
    }
    const auto& pixels = m_window.machine().frame_pixels;
    int first = -1, last = -1;
    for (int y = 0; y < frame_height; ++y) {
        const size_t at = static_cast<size_t>(y * frame_width);
        if (std::memcmp(pixels.data() + at, m_shown.data() + at, frame_width) != 0) {
            if (first < 0) first = y;
            last = y;
        }
    }
    if (first < 0) return;
    convertRows(first, last);
    if (m_window.display().full_screen) {
        update();
    } else {
        update(QRect(0, first * scale, frame_width * scale, (last - first + 1) * scale));
    }
}

QRect ScreenWidget::pictureRect() const {
    const DisplayState& d = m_window.display();
    if (!d.full_screen) {
        return QRect(0, 0, frame_width * d.display_scale, frame_height * d.display_scale);
    }
    // The 640 x 480 field, scaled to the screen with its aspect kept; the
    // picture sits in it at twice its size.
    const double f = std::min(width() / double(full_screen_width),
                              height() / double(full_screen_height));
    const double left = (width() - full_screen_width * f) / 2;
    const double top = (height() - full_screen_height * f) / 2;
    return QRect(static_cast<int>(std::lround(left + full_screen_origin_x * f)),
                 static_cast<int>(std::lround(top + full_screen_origin_y * f)),
                 static_cast<int>(std::lround(frame_width * full_screen_scale * f)),
                 static_cast<int>(std::lround(frame_height * full_screen_scale * f)));
}

void ScreenWidget::paintEvent(QPaintEvent*) {
    Machine& m = m_window.machine();
    // Before the first start the picture shows the machine as start-up left it.
    const int scale = pictureScale();
    if ((m_window.startGate() & gate_started) == 0 || syncPalette() ||
        m_picture.size() != QSize(frame_width * scale, frame_height * scale)) {
        if ((m_window.startGate() & gate_started) == 0) video_render_frame(m);
        m_picture = QImage(frame_width * scale, frame_height * scale, QImage::Format_RGB32);
        convertRows(0, frame_height - 1);
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const QRect target = pictureRect();
    if (target != rect()) {
        // Around the picture (full screen, or a window larger than it) is black.
        const QRegion outside = QRegion(rect()).subtracted(target);
        for (const QRect& r : outside) painter.fillRect(r, Qt::black);
    }
    if (target.size() == m_picture.size()) {
        painter.drawImage(target.topLeft(), m_picture);  // clipped to what needs painting
    } else {
        painter.drawImage(target, m_picture);  // full screen: the field scaled to the screen
    }
    if (m_window.display().full_screen) {
        painter.setPen(QColor(64, 64, 64));
        const QString text =
            QString::fromStdString(display_speed_text(m.scheduler.speed_percent));
        const QRect box = painter.fontMetrics().boundingRect(text);
        painter.fillRect(QRect(0, 0, box.width(), box.height()), Qt::black);
        painter.drawText(QRect(0, 0, box.width(), box.height()), Qt::AlignLeft | Qt::AlignTop, text);
    }
    m_window.notePainted();
}

void ScreenWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) m_window.toggleFullScreenMenu();
    QWidget::mousePressEvent(event);
}

void ScreenWidget::keyPressEvent(QKeyEvent* event) {
    if (!m_window.keys().press(*event)) QWidget::keyPressEvent(event);
}

void ScreenWidget::keyReleaseEvent(QKeyEvent* event) {
    if (!m_window.keys().release(*event)) QWidget::keyReleaseEvent(event);
}

bool ScreenWidget::focusNextPrevChild(bool) {
    // Tab is a key of the machine, not a move to another widget.
    return false;
}

}  // namespace trivo::ui
