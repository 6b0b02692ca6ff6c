#include "automation/ui/script_window.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "automation/automation.h"
#include "machine/host.h"
#include "machine/machine.h"

namespace trivo::ui {

ScriptWindow::ScriptWindow(Machine& machine, QWidget* parent)
    : QDialog(parent), m_machine(machine) {
    setWindowTitle(QStringLiteral("Script"));
    setModal(false);
    auto* grid = new QGridLayout(this);
    m_fileName = new QLabel(QString::fromStdString(machine.settings.script));
    m_fileName->setObjectName(QStringLiteral("script"));
    m_fileName->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_fileName->setMinimumWidth(260);
    m_fileName->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* browse = new QPushButton(QStringLiteral("Browse"));
    browse->setAutoDefault(false);
    m_go = new QPushButton(QStringLiteral("Go"));
    m_go->setDefault(true);
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_status->setTextFormat(Qt::PlainText);
    grid->addWidget(m_fileName, 0, 0);
    grid->addWidget(browse, 0, 1);
    grid->addWidget(m_status, 1, 0);
    grid->addWidget(m_go, 1, 1);
    connect(browse, &QPushButton::clicked, this, &ScriptWindow::browse);
    connect(m_go, &QPushButton::clicked, this, &ScriptWindow::go);
    refresh();
}

void ScriptWindow::refresh() {
    const QString status = QString::fromLatin1(script_status(m_machine).data(),
                                               static_cast<int>(script_status(m_machine).size()));
    if (m_status->text() != status) m_status->setText(status);
}

void ScriptWindow::browse() {
    if (m_machine.host == nullptr) return;
    FileRequest request{FilePurpose::script, "Open", {{"Text Files (*.TXT)", "*.txt"}}, "txt",
                        m_fileName->text().toStdString(), false};
    if (const auto chosen = m_machine.host->choose_open_file(request)) {
        m_fileName->setText(QString::fromStdString(*chosen));
    }
}

void ScriptWindow::go() {
    // A start refused (a script, tape or quick-type already running) or a
    // file that cannot be read leaves the window as it was.
    const std::string path = m_fileName->text().toStdString();
    if (!path.empty()) script_start(m_machine, path);
    refresh();
}

}  // namespace trivo::ui
