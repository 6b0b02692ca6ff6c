// The Host of the windowed program: message boxes, file dialogs, the
// clipboard, posted menu commands and menu states, the clock and running
// other programs, all through Qt on the GUI thread.
#pragma once

#include <QString>
#include <chrono>

#include "machine/host.h"

class QWidget;

namespace trivo::ui {

// What the Host needs of the main window.
class CommandTarget {
public:
    virtual ~CommandTarget() = default;
    // Runs a menu command later, from the event loop, as a posted message would.
    virtual void postCommand(int command) = 0;
    virtual void setMenuState(int command, bool checked, bool enabled) = 0;
};

class QtHost : public Host {
public:
    // Dialogs are children of parent; commands and menu states go to target.
    QtHost(QWidget* parent, CommandTarget* target) : m_parent(parent), m_target(target) {}

    MessageAnswer message_box(const std::string& caption, const std::string& text,
                              MessageIcon icon, MessageButtons buttons) override;
    std::optional<std::string> choose_open_file(const FileRequest& request) override;
    std::optional<std::string> choose_save_file(const FileRequest& request) override;
    void debug_output(const std::string& text) override;
    void post_command(int command) override;
    std::string clipboard_text() override;
    void menu_state(int command, bool checked, bool enabled) override;
    uint32_t milliseconds() override;
    std::optional<int64_t> counter() override;
    int64_t counter_frequency() override { return 1'000'000'000; }
    int run_program(const std::string& program, const std::string& argument) override;

private:
    std::optional<std::string> choose_file(const FileRequest& request, bool save);

    QWidget* m_parent;
    CommandTarget* m_target;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

// The name filter line a Qt file dialog takes for one filter: the
// description, then its patterns in both cases, since the patterns are
// written for a file system that ignores case ("*.cpf;*.wav" also finds
// GAME.CPF).
QString qtFileFilter(const FileFilter& filter);

}  // namespace trivo::ui
