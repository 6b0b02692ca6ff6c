#include "ui/tonel_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "converter.h"

namespace tonel {

namespace {

QLabel* wrapped(const QString& text) {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

}  // namespace

TonelDialog::TonelDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("TONEL"));
    auto* layout = new QVBoxLayout(this);

    layout->addWidget(wrapped(QStringLiteral(
        "This program converts a .CPF cassette image file to WAV.  The WAV file may then be "
        "used with a real APF Imagination Machine.")));
    layout->addWidget(wrapped(QStringLiteral("Version 1.0, our own.")));
    layout->addWidget(new QLabel(QStringLiteral("How to use (in four easy steps):")));

    layout->addWidget(new QLabel(QStringLiteral("Step 1: Pick a sample rate for the output WAV:")));
    m_rate44 = new QRadioButton(QStringLiteral("44 KHz"));
    m_rate22 = new QRadioButton(QStringLiteral("22 KHz"));
    auto* rates = new QButtonGroup(this);
    rates->addButton(m_rate44);
    rates->addButton(m_rate22);
    layout->addWidget(m_rate44);
    layout->addWidget(m_rate22);

    layout->addWidget(new QLabel(QStringLiteral("Step 2:  Pick the output wave's shape:")));
    m_square = new QRadioButton(QStringLiteral("Square"));
    m_sine = new QRadioButton(QStringLiteral("Sine"));
    auto* shapes = new QButtonGroup(this);
    shapes->addButton(m_square);
    shapes->addButton(m_sine);
    auto* shape_grid = new QGridLayout;
    shape_grid->addWidget(m_square, 0, 0);
    shape_grid->addWidget(
        new QLabel(QStringLiteral("Choose this if your APF is connected to your PC sound card")), 0, 1);
    shape_grid->addWidget(m_sine, 1, 0);
    shape_grid->addWidget(new QLabel(QStringLiteral("Choose this if you're recording to cassette")),
                          1, 1);
    layout->addLayout(shape_grid);

    layout->addWidget(
        new QLabel(QStringLiteral("Step 3:  If you want a log file output, check the box below:")));
    m_log = new QCheckBox(QStringLiteral("Write a log file too"));
    layout->addWidget(m_log);

    layout->addWidget(new QLabel(QStringLiteral("Step 4:  Select the .CPF file to process:")));
    m_browse = new QPushButton(QStringLiteral("Browse"));
    m_input = wrapped(QStringLiteral("Input File (Go browse for one)"));
    auto* file_row = new QHBoxLayout;
    file_row->addWidget(m_browse);
    file_row->addWidget(m_input, 1);
    layout->addLayout(file_row);

    m_status = new QLabel(QStringLiteral("-"));
    m_status->setFrameShape(QFrame::StyledPanel);
    layout->addWidget(m_status);

    auto* exit = new QPushButton(QStringLiteral("Exit"));
    auto* exit_row = new QHBoxLayout;
    exit_row->addStretch(1);
    exit_row->addWidget(exit);
    layout->addLayout(exit_row);

    // The starting choices: 44 KHz, sine, no log.
    m_rate44->setChecked(true);
    m_sine->setChecked(true);
    m_log->setChecked(false);

    connect(m_browse, &QPushButton::clicked, this, &TonelDialog::browse);
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);
}

QString TonelDialog::askForFile() {
    if (chooseFile) return chooseFile();
    return QFileDialog::getOpenFileName(
        this, QString(), QString(),
        QStringLiteral("CPF Files (*.CPF) (*.cpf *.CPF);;All Files (*.*) (*)"));
}

void TonelDialog::browse() {
    const QString path = askForFile();
    if (path.isEmpty()) return;
    // A file that cannot be read changes nothing on the dialog.
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly)) return;
    probe.close();
    m_input->setText(path);

    ConversionSettings settings;
    settings.sample_rate = m_rate22->isChecked() ? SampleRate::hz22050 : SampleRate::hz44100;
    settings.wave_shape = m_sine->isChecked() ? WaveShape::sine : WaveShape::square;
    settings.log_file = m_log->isChecked();
    const ConversionResult result = convert_cpf(path.toStdString(), settings);
    // An input that turned out empty or unreadable leaves the status line as it was.
    if (!result.status.empty()) m_status->setText(QString::fromStdString(result.status));
}

}  // namespace tonel
