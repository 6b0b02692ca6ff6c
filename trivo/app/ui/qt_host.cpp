#include "app/ui/qt_host.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QStringList>
#include <cstdio>

namespace trivo::ui {

namespace {

QMessageBox::Icon qtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::information: return QMessageBox::Information;
        case MessageIcon::warning: return QMessageBox::Warning;
        case MessageIcon::error: return QMessageBox::Critical;
        case MessageIcon::question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

QString qtFileFilter(const FileFilter& filter) {
    QStringList patterns;
    const QStringList given =
        QString::fromStdString(filter.pattern).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& p : given) {
        const QString trimmed = p.trimmed();
        for (const QString& variant : {trimmed, trimmed.toLower(), trimmed.toUpper()}) {
            if (!patterns.contains(variant)) patterns << variant;
        }
    }
    return QString::fromStdString(filter.description) + QStringLiteral(" (") +
           patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

MessageAnswer QtHost::message_box(const std::string& caption, const std::string& text,
                                  MessageIcon icon, MessageButtons buttons) {
    QMessageBox box(qtIcon(icon), QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::NoButton, m_parent);
    switch (buttons) {
        case MessageButtons::ok: box.setStandardButtons(QMessageBox::Ok); break;
        case MessageButtons::ok_cancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case MessageButtons::yes_no: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    }
    switch (box.exec()) {
        case QMessageBox::Cancel: return MessageAnswer::cancel;
        case QMessageBox::Yes: return MessageAnswer::yes;
        case QMessageBox::No: return MessageAnswer::no;
        default: break;
    }
    // A box closed by its title bar answers as its escape button would.
    if (buttons == MessageButtons::ok_cancel && box.clickedButton() == nullptr) {
        return MessageAnswer::cancel;
    }
    return MessageAnswer::ok;
}

std::optional<std::string> QtHost::choose_file(const FileRequest& request, bool save) {
    QFileDialog dialog(m_parent, QString::fromStdString(request.title));
    QStringList filters;
    for (const FileFilter& f : request.filters) filters << qtFileFilter(f);
    if (!filters.isEmpty()) dialog.setNameFilters(filters);
    if (!request.default_extension.empty()) {
        dialog.setDefaultSuffix(QString::fromStdString(request.default_extension));
    }
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (!request.overwrite_prompt) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (!request.start_path.empty()) {
        const QFileInfo start(QString::fromStdString(request.start_path));
        if (start.isDir()) {
            dialog.setDirectory(start.absoluteFilePath());
        } else {
            dialog.setDirectory(start.absolutePath());
            dialog.selectFile(start.fileName());
        }
    }
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.first().toStdString();
}

std::optional<std::string> QtHost::choose_open_file(const FileRequest& request) {
    return choose_file(request, false);
}

std::optional<std::string> QtHost::choose_save_file(const FileRequest& request) {
    return choose_file(request, true);
}

void QtHost::debug_output(const std::string& text) {
    std::fputs(text.c_str(), stderr);
    if (!text.empty() && text.back() != '\n') std::fputc('\n', stderr);
}

void QtHost::post_command(int command) {
    if (m_target != nullptr) m_target->postCommand(command);
}

std::string QtHost::clipboard_text() {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard == nullptr ? std::string() : clipboard->text().toStdString();
}

void QtHost::menu_state(int command, bool checked, bool enabled) {
    if (m_target != nullptr) m_target->setMenuState(command, checked, enabled);
}

uint32_t QtHost::milliseconds() {
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - m_start)
                                     .count());
}

std::optional<int64_t> QtHost::counter() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() -
                                                                m_start)
        .count();
}

int QtHost::run_program(const std::string& program, const std::string& argument) {
    // No shell: the program is started by name with exactly one argument.
    const int status = QProcess::execute(QString::fromStdString(program),
                                         {QString::fromStdString(argument)});
    return status < 0 ? -1 : status;
}

}  // namespace trivo::ui
