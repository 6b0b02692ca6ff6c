// trivo's main window: the emulated screen, the menu, and the loop that runs
// the machine.
//
// One thread runs the window and the emulation. A single-shot precise timer
// wakes the loop when the next frame is due; between frames the program
// sleeps in the event loop, so events are handled as they come and no core
// spins. Modal dialogs and open menus stop the frames (and the sound) until
// they close, as the machine's own host program does.
//
// Keys and game controllers are data the frames read: key presses and
// releases keep the set of held virtual keys, and before each frame that set
// and the controllers' states become the machine's input snapshot. Losing
// the focus releases every key and the controllers.
//
// The machine starts only once the window has been created, activated and
// painted: each of those sets a bit of the start gate, and when all three
// are in, a posted start command performs the first hard reset.
#pragma once

#include <QImage>
#include <array>
#include <QMainWindow>
#include <QTimer>
#include <map>
#include <memory>
#include <string>

#include "app/ui/qt_host.h"
#include "host/display.h"
#include "video/video.h"

class QAction;
class QMenu;

namespace trivo {
struct Machine;
}

namespace trivo::ui {

class ScreenWidget;
class ScriptWindow;
class KeyboardWindow;
class KeyTracker;
class DebugWindows;
class JoystickSlots;

// Bits of the start gate.
inline constexpr int gate_created = 1;
inline constexpr int gate_activated = 2;
inline constexpr int gate_painted = 4;
inline constexpr int gate_started = 0x4000;

class MainWindow : public QMainWindow, public CommandTarget {
    Q_OBJECT

public:
    // Created by the start-up (machine_startup) once the settings, ROM
    // images and timing are there; the start-up then starts the frame clock
    // and the sound output and performs a hard reset, and the window runs
    // frames once its start gate has opened.
    MainWindow(Machine& machine, std::string startupDirectory,
               JoystickSlots* joysticks = nullptr, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Shows the window at (10, 10) with the client area the scale asks for.
    void showAndFit();

    // CommandTarget
    void postCommand(int command) override;
    void setMenuState(int command, bool checked, bool enabled) override;

    // Runs a menu command now; false for an id the window does not handle.
    bool runCommand(int command);

    Machine& machine() { return m_machine; }
    int startGate() const { return m_gate; }
    const DisplayState& display() const { return m_display; }
    QAction* action(int command) const;
    ScreenWidget* screen() const { return m_screen; }
    KeyTracker& keys() { return *m_keys; }
    JoystickSlots* joysticks() const { return m_joysticks; }
    DebugWindows& debugWindows() { return *m_debugWindows; }
    const std::string& startupDirectory() const { return m_startupDirectory; }
    // Open tool windows (debugger, script, keyboard): full screen is refused
    // while there is one.
    int toolWindowCount() const;
    void setToolWindowCount(int count) { m_toolWindows = count; }
    // What the window title says: the caption and the speed readout.
    QString speedCaption() const;
    // The Script window while it is open.
    ScriptWindow* scriptWindow() const { return m_scriptWindow; }
    // The Keyboard window while it is open.
    KeyboardWindow* keyboardWindow() const { return m_keyboardWindow; }

    // Paints the frame the scheduler just finished, unless thinning skips it.
    void displayPaint();
    // Makes the client area exactly scale x 280 by scale x 216.
    void fitWindow();
    void toggleFullScreen();
    void toggleFullScreenMenu();

    // Called by the screen widget.
    void notePainted();

signals:
    // A menu command is about to run (menu, accelerator or posted).
    void commandRun(int command);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void gateBit(int bit);
    void start();
    void frameTimerFired();
    void scheduleNextFrame();
    // The keyboard focus came (true) or went: keys and controllers follow it.
    void setInputFocus(bool focused);
    // Held keys and controller states into the machine's snapshot, before a frame.
    void takeInputSnapshot();
    bool running() const;
    bool emulationBlocked() const;
    void shutdown();
    void showAbout();
    // Runs the settings dialog of a menu command on a scratch copy of the
    // settings; on OK copies it back, writes the dialog's sections and
    // applies the change.
    void runSettingsDialog(int command);
    // Opens the Script window, or closes it when it is open.
    void toggleScriptWindow();
    // Opens the Keyboard window (not in full screen), or closes it.
    void toggleKeyboardWindow();
    void updateTitle();
    void updatePasteItem();

    Machine& m_machine;
    std::string m_startupDirectory;
    JoystickSlots* m_joysticks;
    QtHost m_host;
    std::unique_ptr<KeyTracker> m_keys;
    std::unique_ptr<DebugWindows> m_debugWindows;
    ScreenWidget* m_screen = nullptr;
    std::map<int, QAction*> m_actions;
    QTimer m_frameTimer;
    DisplayState m_display;
    int m_gate = 0;
    bool m_startPosted = false;
    bool m_inFrame = false;
    bool m_shutDown = false;
    int m_toolWindows = 0;
    int m_shownSpeed = -1;
    // The colour chooser's custom colours are set once a run, at the first
    // Colors dialog.
    bool m_customColoursSet = false;
    ScriptWindow* m_scriptWindow = nullptr;
    KeyboardWindow* m_keyboardWindow = nullptr;
    QRect m_windowedGeometry;
};

// The emulated screen: the 280 x 216 palette-index picture, scaled by whole
// pixels without smoothing.
class ScreenWidget : public QWidget {
    Q_OBJECT

public:
    explicit ScreenWidget(MainWindow& window);

    // A new frame is composed: the rows that changed since the last one
    // shown are converted and only they are repainted.
    void frameReady();
    // Where the picture lands in the widget.
    QRect pictureRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    // The palette as 32-bit colours; true when it changed.
    bool syncPalette();
    // Converts picture rows first..last into m_picture, each source pixel
    // a block of scale x scale.
    void convertRows(int first, int last);
    int pictureScale() const;

    MainWindow& m_window;
    // The frame as shown, at whole-pixel scale, and the frame it was made from.
    QImage m_picture;
    std::array<uint8_t, frame_width * frame_height> m_shown{};
    std::array<QRgb, 256> m_colours{};
};

}  // namespace trivo::ui
