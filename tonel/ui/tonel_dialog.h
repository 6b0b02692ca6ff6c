// tonel's dialog: the program's main window when it is started without
// arguments. Pick a rate and a wave shape, tick the log box if wanted, then
// Browse for a CPF file: it is converted at once, beside the input, and the
// status line tells "Good" or the checksum mismatch.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace tonel {

class TonelDialog : public QDialog {
    Q_OBJECT

public:
    explicit TonelDialog(QWidget* parent = nullptr);

    // Asks the user for the input file; an empty answer is a cancel. Tests
    // replace it.
    std::function<QString()> chooseFile;

    // The Browse button's work: choose, check the file opens, convert.
    void browse();

    QLabel* inputLabel() const { return m_input; }
    QLabel* statusLabel() const { return m_status; }
    QRadioButton* rate22() const { return m_rate22; }
    QRadioButton* square() const { return m_square; }
    QCheckBox* logBox() const { return m_log; }
    QPushButton* browseButton() const { return m_browse; }

private:
    QString askForFile();

    QLabel* m_input;
    QLabel* m_status;
    QRadioButton* m_rate44;
    QRadioButton* m_rate22;
    QRadioButton* m_square;
    QRadioButton* m_sine;
    QCheckBox* m_log;
    QPushButton* m_browse;
};

}  // namespace tonel
