// The Script window: a modeless tool window that names a script file, starts
// it with "Go" and shows the script's status line (the last line read, or
// "End OK"). The main window refreshes it with each repaint of the screen.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace trivo {
struct Machine;
}

namespace trivo::ui {

class ScriptWindow : public QDialog {
    Q_OBJECT

public:
    ScriptWindow(Machine& machine, QWidget* parent = nullptr);

    // Shows the status line as it is now.
    void refresh();
    QLabel* fileName() const { return m_fileName; }
    QLabel* status() const { return m_status; }

private:
    void browse();
    void go();

    Machine& m_machine;
    QLabel* m_fileName;
    QLabel* m_status;
    QPushButton* m_go;
};

}  // namespace trivo::ui
