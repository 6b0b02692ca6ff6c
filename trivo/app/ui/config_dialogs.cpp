#include "app/ui/config_dialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "cassette/binary_utils.h"
#include "machine/machine.h"
#include "machine/timing.h"

namespace trivo::ui {

namespace {

const FileFilter rom_files{"ROM Files (*.ROM, *.BIN)", "*.rom;*.bin"};
const FileFilter all_files{"All Files (*.*)", "*.*"};

FileRequest rom_request() {
    return {FilePurpose::rom_image, "Open", {rom_files, all_files}, "", "", false};
}

QString text_of(const std::string& s) { return QString::fromStdString(s); }

// An unsigned number as a Windows dialog field reads one: decimal digits
// only; anything else, or nothing, is no number. Saturates instead of
// wrapping.
std::optional<unsigned> unsigned_field(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return std::nullopt;
    unsigned long long value = 0;
    for (const QChar c : t) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
        value = std::min<unsigned long long>(value * 10 + (c.unicode() - '0'), 0xFFFFFFFFull);
    }
    return static_cast<unsigned>(value);
}

QRadioButton* radio(const char* text, QButtonGroup* group, int id) {
    auto* button = new QRadioButton(QString::fromLatin1(text));
    group->addButton(button, id);
    return button;
}

// A colour swatch: a button painted as a rectangle in its colour.
class Swatch : public QPushButton {
public:
    explicit Swatch(QWidget* parent = nullptr) : QPushButton(parent) {
        setFixedSize(24, 18);
        setFocusPolicy(Qt::StrongFocus);
    }
    void setColour(const QColor& colour) {
        m_colour = colour;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        painter.fillRect(rect().adjusted(2, 2, -2, -2), m_colour);
        if (hasFocus()) {
            painter.setPen(QPen(palette().highlight().color(), 1, Qt::DotLine));
            painter.drawRect(rect().adjusted(0, 0, -1, -1));
        }
    }

private:
    QColor m_colour;
};

QColor colour_of(const PaletteEntry& e) { return QColor(e.red, e.green, e.blue); }

}  // namespace

void FileField::setEnabled(bool enabled) {
    browse->setEnabled(enabled);
    name->setEnabled(enabled);
}

// ---------------------------------------------------------------- common

SettingsDialog::SettingsDialog(Machine& machine, Settings& scratch, const QString& title,
                               QWidget* parent)
    : QDialog(parent), m_machine(machine), m_scratch(scratch) {
    setWindowTitle(title);
    setModal(true);
}

void SettingsDialog::addButtons(QBoxLayout* layout) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

FileField SettingsDialog::addFileField(QGridLayout* grid, int row, int column, const char* setting,
                                       const std::string& name, FileRequest request) {
    FileField field;
    field.browse = new QPushButton(QStringLiteral("Browse"));
    field.browse->setAutoDefault(false);
    field.name = new QLineEdit(text_of(name));
    field.name->setReadOnly(true);
    field.name->setObjectName(QString::fromLatin1(setting));
    field.name->setMinimumWidth(220);
    grid->addWidget(field.browse, row, column);
    grid->addWidget(field.name, row, column + 1);
    QLineEdit* edit = field.name;
    const bool save = request.purpose == FilePurpose::printer_output ||
                      request.purpose == FilePurpose::csavem_output;
    connect(field.browse, &QPushButton::clicked, this,
            [this, edit, request, save] { browse(edit, request, save); });
    return field;
}

void SettingsDialog::browse(QLineEdit* name, const FileRequest& request, bool save) {
    if (m_machine.host == nullptr) return;
    FileRequest r = request;
    r.start_path = name->text().toStdString();
    const auto chosen = save ? m_machine.host->choose_save_file(r) : m_machine.host->choose_open_file(r);
    if (chosen) name->setText(text_of(*chosen));
}

// ---------------------------------------------------------------- Memory

MemoryDialog::MemoryDialog(Machine& machine, Settings& scratch, QWidget* parent)
    : SettingsDialog(machine, scratch, QStringLiteral("Configure Memory"), parent) {
    auto* top = new QVBoxLayout(this);

    auto* layoutGroup = new QButtonGroup(this);
    m_normal = radio("Normal (as sold in stores) A000-BFFF", layoutGroup, 0);
    m_enhanced = radio("Emulator Enhanced $0400-1FFF, $C000-DFFF", layoutGroup, 1);
    auto* expanderGroup = new QButtonGroup(this);
    m_noExpander = radio("No RAM expamder", expanderGroup, 0);
    m_expander = radio("+ 8K RAM Expansion (As sold in stores) C000-DFFF", expanderGroup, 1);
    m_writeRom = new QCheckBox(QStringLiteral("Make ROM writeable"));

    auto* ram = new QGridLayout;
    ram->addWidget(m_normal, 0, 0);
    ram->addWidget(m_noExpander, 1, 1);
    ram->addWidget(m_expander, 2, 1);
    ram->addWidget(m_enhanced, 3, 0);
    ram->addWidget(m_writeRom, 4, 1);
    ram->setColumnMinimumWidth(0, 20);
    top->addLayout(ram);

    auto* files = new QGridLayout;
    auto* romGroup = new QButtonGroup(this);
    m_builtinRom = radio("Use built-in 2K OS ROM", romGroup, 1);
    m_fileRom = radio("Load OS ROM (up to 8K) from file", romGroup, 0);
    auto* charGroup = new QButtonGroup(this);
    m_builtinChar = radio("Use built-in 768 byte Character  ROM", charGroup, 1);
    m_fileChar = radio("Load 768 byte Character ROM from file", charGroup, 0);
    auto* charXGroup = new QButtonGroup(this);
    m_noCharX = radio("No external character definition ROM", charXGroup, 1);
    m_fileCharX = radio("Load external 4K Character ROM from file", charXGroup, 0);
    files->addWidget(m_builtinRom, 0, 0, 1, 3);
    files->addWidget(m_fileRom, 1, 0, 1, 3);
    m_romFile = addFileField(files, 2, 1, "ROMfilename", scratch.ROMfilename, rom_request());
    files->addWidget(m_builtinChar, 3, 0, 1, 3);
    files->addWidget(m_fileChar, 4, 0, 1, 3);
    m_charFile = addFileField(files, 5, 1, "CHARfilename", scratch.CHARfilename, rom_request());
    files->addWidget(m_noCharX, 6, 0, 1, 3);
    files->addWidget(m_fileCharX, 7, 0, 1, 3);
    m_charXFile = addFileField(files, 8, 1, "CHARXfilename", scratch.CHARXfilename, rom_request());
    files->setColumnMinimumWidth(0, 20);
    top->addLayout(files);

    top->addWidget(new QLabel(QStringLiteral("NOTE:  Clicking \"OK\" will hard reset the emulator.")));
    addButtons(top);

    (scratch.enhancedflag ? m_enhanced : m_normal)->setChecked(true);
    (scratch.expandertype ? m_expander : m_noExpander)->setChecked(true);
    m_writeRom->setChecked(scratch.writeROMflag != 0);
    (scratch.usebuiltinromflag ? m_builtinRom : m_fileRom)->setChecked(true);
    (scratch.usebuiltincharflag ? m_builtinChar : m_fileChar)->setChecked(true);
    (scratch.usebuiltincharxflag ? m_noCharX : m_fileCharX)->setChecked(true);
    layoutChosen();
    sourcesChosen();

    connect(layoutGroup, &QButtonGroup::idClicked, this, [this] { layoutChosen(); });
    for (QButtonGroup* g : {romGroup, charGroup, charXGroup}) {
        connect(g, &QButtonGroup::idClicked, this, [this] { sourcesChosen(); });
    }
}

void MemoryDialog::layoutChosen() {
    // The expander belongs to the machine as sold; writeable ROM windows only
    // exist in the enhanced layout.
    const bool normal = m_normal->isChecked();
    m_noExpander->setEnabled(normal);
    m_expander->setEnabled(normal);
    m_writeRom->setEnabled(!normal);
}

void MemoryDialog::sourcesChosen() {
    m_romFile.setEnabled(m_fileRom->isChecked());
    m_charFile.setEnabled(m_fileChar->isChecked());
    m_charXFile.setEnabled(m_fileCharX->isChecked());
}

void MemoryDialog::accept() {
    Settings& s = m_scratch;
    s.enhancedflag = m_enhanced->isChecked() ? 1 : 0;
    s.expandertype = m_expander->isChecked() ? 1 : 0;
    s.writeROMflag = m_writeRom->isChecked() ? 1 : 0;
    s.usebuiltinromflag = m_builtinRom->isChecked() ? 1 : 0;
    s.usebuiltincharflag = m_builtinChar->isChecked() ? 1 : 0;
    s.usebuiltincharxflag = m_noCharX->isChecked() ? 1 : 0;
    s.ROMfilename = m_romFile.name->text().toStdString();
    s.CHARfilename = m_charFile.name->text().toStdString();
    s.CHARXfilename = m_charXFile.name->text().toStdString();
    QDialog::accept();
}

// ---------------------------------------------------------------- Cartridge

CartridgeDialog::CartridgeDialog(Machine& machine, Settings& scratch, QWidget* parent)
    : SettingsDialog(machine, scratch, QStringLiteral("Configure Cartridge"), parent) {
    auto* top = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    auto* group = new QButtonGroup(this);
    m_choices[0] = radio("No cartridge ROM", group, 0);
    m_choices[1] = radio("Use built-in BASIC ROM", group, 1);
    m_choices[2] = radio("Load BASIC ROM from file", group, 2);
    m_choices[3] = radio("Load game cartridge ROM from file", group, 3);
    m_choices[4] = radio("Load from S19 file", group, 4);
    m_romHacks = new QCheckBox(QStringLiteral("Enable ROM hack fast I/O"));
    grid->addWidget(m_choices[0], 0, 0, 1, 3);
    grid->addWidget(m_choices[1], 1, 0, 1, 3);
    grid->addWidget(m_romHacks, 2, 1, 1, 2);
    grid->addWidget(m_choices[2], 3, 0, 1, 3);
    m_basicFile = addFileField(grid, 4, 1, "BASICfilename", scratch.BASICfilename, rom_request());
    grid->addWidget(m_choices[3], 5, 0, 1, 3);
    m_gameFile = addFileField(grid, 6, 1, "GAMEfilename", scratch.GAMEfilename, rom_request());
    grid->addWidget(m_choices[4], 7, 0, 1, 3);
    m_s19File = addFileField(grid, 8, 1, "S19filename", scratch.S19filename,
                             {FilePurpose::s19_program, "Open", {{"S19 Files (*.S19)", "*.s19"}}, "", "", false});
    grid->setColumnMinimumWidth(0, 20);
    top->addLayout(grid);
    addButtons(top);

    m_romHacks->setChecked(scratch.enableromhacksflag != 0);
    if (scratch.carttype >= 0 && scratch.carttype < static_cast<int>(m_choices.size())) {
        m_choices[scratch.carttype]->setChecked(true);
    }
    choiceMade();
    connect(group, &QButtonGroup::idClicked, this, [this] { choiceMade(); });
}

void CartridgeDialog::choiceMade() {
    m_romHacks->setEnabled(m_choices[1]->isChecked());
    m_basicFile.setEnabled(m_choices[2]->isChecked());
    m_gameFile.setEnabled(m_choices[3]->isChecked());
    m_s19File.setEnabled(m_choices[4]->isChecked());
}

void CartridgeDialog::accept() {
    Settings& s = m_scratch;
    s.carttype = 1;  // no choice made: the built-in BASIC
    for (size_t i = 0; i < m_choices.size(); ++i) {
        if (m_choices[i]->isChecked()) s.carttype = static_cast<int>(i);
    }
    s.enableromhacksflag = m_romHacks->isChecked() ? 1 : 0;
    s.BASICfilename = m_basicFile.name->text().toStdString();
    s.GAMEfilename = m_gameFile.name->text().toStdString();
    s.S19filename = m_s19File.name->text().toStdString();
    QDialog::accept();
}

// ---------------------------------------------------------------- Serial Printer

int printer_width_from_text(const QString& text) {
    const auto value = unsigned_field(text);
    if (!value || *value < 2) return 32;
    return static_cast<int>(std::min(*value, 65535u));
}

PrinterDialog::PrinterDialog(Machine& machine, Settings& scratch, QWidget* parent)
    : SettingsDialog(machine, scratch, QStringLiteral("Configure Serial Printer"), parent) {
    auto* top = new QVBoxLayout(this);
    m_nulls = new QCheckBox(QStringLiteral("Allow printing of nulls"));
    m_autoLinefeed = new QCheckBox(QStringLiteral("Automatic linefeed following carriage return"));
    top->addWidget(m_nulls);
    top->addWidget(m_autoLinefeed);

    auto* group = new QButtonGroup(this);
    m_unlimited = radio("Unlimited width", group, 0);
    m_fixed = radio("Fixed width at ", group, 1);
    m_width = new QLineEdit(QString::number(scratch.width));
    m_width->setObjectName(QStringLiteral("width"));
    m_width->setMaximumWidth(70);
    top->addWidget(m_unlimited);
    auto* fixedRow = new QHBoxLayout;
    fixedRow->addWidget(m_fixed);
    fixedRow->addWidget(m_width);
    fixedRow->addWidget(new QLabel(QStringLiteral("characters")));
    fixedRow->addStretch();
    top->addLayout(fixedRow);

    auto* fileBox = new QGroupBox(QStringLiteral("Filename for Printer Output"));
    auto* fileGrid = new QGridLayout(fileBox);
    m_file = addFileField(fileGrid, 0, 0, "filename", scratch.filename,
                          {FilePurpose::printer_output, "Save As", {{"Text Files (*.TXT)", "*.txt"}},
                           "txt", "", true});
    top->addWidget(fileBox);
    auto* note = new QLabel(QStringLiteral(
        "NOTE:  This emulator sends all printer output to a file.  It does NOT attempt to print "
        "to a real printer."));
    note->setWordWrap(true);
    top->addWidget(note);
    addButtons(top);

    m_nulls->setChecked(scratch.printnulls != 0);
    m_autoLinefeed->setChecked(scratch.autolinefeedflag != 0);
    (scratch.fixedwidthflag ? m_fixed : m_unlimited)->setChecked(true);
    m_width->setEnabled(m_fixed->isChecked());
    connect(group, &QButtonGroup::idClicked, this,
            [this] { m_width->setEnabled(m_fixed->isChecked()); });
}

void PrinterDialog::accept() {
    Settings& s = m_scratch;
    s.printnulls = m_nulls->isChecked() ? 1 : 0;
    s.autolinefeedflag = m_autoLinefeed->isChecked() ? 1 : 0;
    s.fixedwidthflag = m_fixed->isChecked() ? 1 : 0;
    s.width = printer_width_from_text(m_width->text());
    s.filename = m_file.name->text().toStdString();
    QDialog::accept();
}

// ---------------------------------------------------------------- Colors

ColorsDialog::ColorsDialog(Machine& machine, Settings& scratch, bool& custom_colours_set,
                           QWidget* parent)
    : SettingsDialog(machine, scratch, QStringLiteral("Colors"), parent) {
    if (!custom_colours_set) {
        // The chooser's custom colours live for the whole run; they start as
        // the palette's own colours so that a changed swatch is easy to undo.
        for (int i = 0; i < 16; ++i) {
            const PaletteEntry e = i < static_cast<int>(chooser_custom_colours.size())
                                       ? chooser_custom_colours[i]
                                       : PaletteEntry{0, 0, 0};
            QColorDialog::setCustomColor(i, colour_of(e));
        }
        custom_colours_set = true;
    }

    auto* top = new QVBoxLayout(this);
    // One row per group of palette entries, in entry order.
    struct Row {
        const char* caption;
        int first, count;
    };
    constexpr Row rows[] = {
        {"Borders", 0, 6},
        {"Text, colour set 0", 6, 4},
        {"Semigraphics, colour set 0", 10, 9},
        {"Text, colour set 1", 19, 4},
        {"Semigraphics, colour set 1", 23, 9},
        {"4-colour graphics", 32, 9},
        {"2-colour graphics", 41, 4},
    };
    auto* grid = new QGridLayout;
    int r = 0;
    for (const Row& row : rows) {
        grid->addWidget(new QLabel(QString::fromLatin1(row.caption)), r, 0);
        for (int i = 0; i < row.count; ++i) {
            auto* swatch = new Swatch;
            m_swatches[row.first + i] = swatch;
            grid->addWidget(swatch, r, 1 + i);
        }
        ++r;
    }
    top->addLayout(grid);

    auto* artifactBox = new QGroupBox(QStringLiteral("Artifacting"));
    auto* artifactRow = new QHBoxLayout(artifactBox);
    m_artifact = new QCheckBox(QStringLiteral("Use artifacting in Hi-res"));
    artifactRow->addWidget(m_artifact);
    for (int i = 45; i < palette_entries; ++i) {
        auto* swatch = new Swatch;
        m_swatches[i] = swatch;
        artifactRow->addWidget(swatch);
    }
    artifactRow->addStretch();
    top->addWidget(artifactBox);

    auto* sizeBox = new QGroupBox(QStringLiteral("Window size"));
    auto* sizeRow = new QHBoxLayout(sizeBox);
    auto* sizeGroup = new QButtonGroup(this);
    sizeRow->addWidget(radio("100%", sizeGroup, 1));
    sizeRow->addWidget(radio("200% (best)", sizeGroup, 2));
    sizeRow->addWidget(radio("300%", sizeGroup, 3));
    sizeRow->addStretch();
    top->addWidget(sizeBox);
    addButtons(top);

    for (int i = 0; i < palette_entries; ++i) {
        static_cast<Swatch*>(m_swatches[i])->setColour(colour_of(scratch.video_palette[i]));
        connect(m_swatches[i], &QAbstractButton::clicked, this, [this, i] { chooseColour(i); });
    }
    m_artifact->setChecked(scratch.useartifact != 0);
    if (QAbstractButton* size = sizeGroup->button(scratch.windowscaling)) size->setChecked(true);
    connect(sizeGroup, &QButtonGroup::idClicked, this, [this](int id) { m_scratch.windowscaling = id; });
}

void ColorsDialog::chooseColour(int entry) {
    PaletteEntry& e = m_scratch.video_palette[entry];
    const QColor chosen = QColorDialog::getColor(colour_of(e), this);
    if (!chosen.isValid()) return;
    e = PaletteEntry{static_cast<uint8_t>(chosen.red()), static_cast<uint8_t>(chosen.green()),
                     static_cast<uint8_t>(chosen.blue())};
    static_cast<Swatch*>(m_swatches[entry])->setColour(chosen);
}

void ColorsDialog::accept() {
    m_scratch.useartifact = m_artifact->isChecked() ? 1 : 0;
    QDialog::accept();
}

// ---------------------------------------------------------------- Sound

SoundDialog::SoundDialog(Machine& machine, Settings& scratch, QWidget* parent)
    : SettingsDialog(machine, scratch, QStringLiteral("Configure Sound"), parent) {
    auto* top = new QVBoxLayout(this);
    m_clicker = new QCheckBox(QStringLiteral("Speaker Clicker Sound"));
    m_volume = new QSlider(Qt::Horizontal);
    m_volume->setRange(0, 100);
    m_volume->setPageStep(10);
    m_volume->setMinimumWidth(200);
    m_volumeLabel = new QLabel;
    m_volumeLabel->setObjectName(QStringLiteral("volumeLabel"));
    m_volumeLabel->setMinimumWidth(80);
    top->addWidget(m_clicker);
    auto* row = new QHBoxLayout;
    row->addWidget(m_volume);
    row->addWidget(m_volumeLabel);
    top->addLayout(row);
    addButtons(top);

    auto showVolume = [this](int value) {
        m_volumeLabel->setText(QStringLiteral("%1% Volume").arg(value));
    };
    connect(m_volume, &QSlider::valueChanged, this, showVolume);
    m_clicker->setChecked(scratch.clickerflag != 0);
    m_volume->setValue(std::clamp(scratch.clickervolpct, 0, 100));
    showVolume(m_volume->value());
}

void SoundDialog::accept() {
    m_scratch.clickerflag = m_clicker->isChecked() ? 1 : 0;
    m_scratch.clickervolpct = m_volume->value();
    QDialog::accept();
}

// ---------------------------------------------------------------- CPU Timing

TimingDialog::TimingDialog(Machine& machine, Settings& scratch, QWidget* parent)
    : SettingsDialog(machine, scratch, QStringLiteral("Configure CPU Timing"), parent) {
    auto* top = new QVBoxLayout(this);
    auto* timingBox = new QGroupBox(QStringLiteral("CPU Timing"));
    auto* grid = new QGridLayout(timingBox);
    auto* modeGroup = new QButtonGroup(this);
    m_modes[0] = radio("NTSC", modeGroup, 0);
    m_modes[1] = radio("Pal", modeGroup, 1);
    m_modes[2] = radio("Custom", modeGroup, 2);
    m_modes[3] = radio("Fast!  (turns off sound)", modeGroup, 3);
    for (int i = 0; i < 4; ++i) grid->addWidget(m_modes[i], i, 0);

    m_speed = new QSlider(Qt::Horizontal);
    m_speed->setRange(1, 800);
    m_speed->setPageStep(20);
    m_speed->setObjectName(QStringLiteral("speed"));
    m_speed->setMinimumWidth(240);
    m_speedLabel = new QLabel;
    m_speedLabel->setObjectName(QStringLiteral("speedLabel"));
    m_speedLabel->setMinimumWidth(110);
    m_hundred = new QPushButton(QStringLiteral("100%"));
    m_hundred->setAutoDefault(false);
    grid->addWidget(m_speed, 0, 1, 1, 2);
    grid->addWidget(m_speedLabel, 1, 1);
    grid->addWidget(m_hundred, 1, 2);

    m_activeScan = new QLineEdit;
    m_vblank = new QLineEdit;
    m_fps = new QLineEdit;
    const std::pair<QLineEdit*, const char*> fields[] = {
        {m_activeScan, "cycles Active Scan"}, {m_vblank, "cycles border + VBlank"},
        {m_fps, "frames per second"}};
    int row = 4;
    for (const auto& [edit, caption] : fields) {
        edit->setObjectName(QString::fromLatin1(caption));
        edit->setMaximumWidth(80);
        grid->addWidget(edit, row, 0);
        grid->addWidget(new QLabel(QString::fromLatin1(caption)), row, 1, 1, 2);
        ++row;
    }
    top->addWidget(timingBox);

    auto* updateBox = new QGroupBox(QStringLiteral("Video Updating"));
    auto* updateGrid = new QGridLayout(updateBox);
    m_videoUpdate = new QCheckBox(QStringLiteral("Try to update this many times per second:"));
    m_updateRate = new QSlider(Qt::Horizontal);
    m_updateRate->setRange(1, 600);
    m_updateRate->setPageStep(5);
    m_updateLabel = new QLabel;
    m_updateLabel->setMinimumWidth(70);
    updateGrid->addWidget(m_videoUpdate, 0, 0, 1, 2);
    updateGrid->addWidget(m_updateRate, 1, 0);
    updateGrid->addWidget(m_updateLabel, 1, 1);
    top->addWidget(updateBox);

    auto* otherBox = new QGroupBox(QStringLiteral("Other"));
    auto* otherRow = new QHBoxLayout(otherBox);
    m_speedUpFiles = new QCheckBox(QStringLiteral("Speed up when accessing files"));
    otherRow->addWidget(m_speedUpFiles);
    top->addWidget(otherBox);

    auto* bottom = new QHBoxLayout;
    auto* defaults = new QPushButton(QStringLiteral("Default"));
    defaults->setAutoDefault(false);
    bottom->addWidget(defaults);
    bottom->addStretch();
    top->addLayout(bottom);
    addButtons(top);

    connect(m_updateRate, &QSlider::valueChanged, this,
            [this](int v) { m_updateLabel->setText(QStringLiteral("%1 fps ").arg(v)); });
    m_updateRate->setValue(std::clamp(scratch.videoupdatesps, 1, 600));
    m_updateLabel->setText(QStringLiteral("%1 fps ").arg(m_updateRate->value()));
    connect(modeGroup, &QButtonGroup::idClicked, this, &TimingDialog::modeClicked);
    connect(m_speed, &QSlider::valueChanged, this, &TimingDialog::speedMoved);
    connect(m_hundred, &QPushButton::clicked, this, [this] {
        m_speed->setValue(100);
        speedMoved(100);
    });
    connect(m_videoUpdate, &QCheckBox::clicked, this, &TimingDialog::videoUpdateClicked);
    connect(defaults, &QPushButton::clicked, this, &TimingDialog::setDefaults);

    // Opening: all but the mode radios off, then as if the stored mode and
    // each stored check box had been clicked.
    for (QWidget* w : std::initializer_list<QWidget*>{m_speed, m_hundred, m_activeScan, m_vblank,
                                                       m_fps, m_updateRate, m_updateLabel}) {
        w->setEnabled(false);
    }
    const int mode = std::clamp(scratch.cpuspeedopt, 0, 3);
    m_modes[mode]->setChecked(true);
    modeClicked(mode);
    m_videoUpdate->setChecked(scratch.usevideoupdatepsflag != 0);
    videoUpdateClicked();
    m_speedUpFiles->setChecked(scratch.speedupfilesflag != 0);
}

int TimingDialog::selectedMode() const {
    for (int i = 0; i < 4; ++i) {
        if (m_modes[i]->isChecked()) return i;
    }
    return 0;
}

void TimingDialog::showStandard() {
    // The fields show the frame the selected standard runs at this speed.
    const bool pal = selectedMode() == static_cast<int>(TimingMode::pal);
    const Timing& t = pal ? pal_timing : ntsc_timing;
    const int percent = pal ? m_scratch.palmultiplierpct : m_scratch.ntscmultiplierpct;
    m_speedLabel->setText(QString::fromLatin1(pal ? "PAL * %1%" : "NTSC * %1%").arg(percent));
    m_activeScan->setText(QString::number(static_cast<long long>(t.active_scan_cycles) * percent / 100));
    m_vblank->setText(QString::number(static_cast<long long>(t.vblank_cycles) * percent / 100));
    m_fps->setText(QString::number(t.frames_per_second));
}

void TimingDialog::modeClicked(int mode) {
    switch (static_cast<TimingMode>(mode)) {
        case TimingMode::ntsc:
        case TimingMode::pal: {
            const bool pal = mode == static_cast<int>(TimingMode::pal);
            m_speed->setEnabled(true);
            m_hundred->setEnabled(true);
            for (QLineEdit* f : {m_activeScan, m_vblank, m_fps}) f->setEnabled(false);
            const int percent = pal ? m_scratch.palmultiplierpct : m_scratch.ntscmultiplierpct;
            const QSignalBlocker quiet(m_speed);
            m_speed->setValue(std::clamp(percent, 1, 800));
            showStandard();
            break;
        }
        case TimingMode::custom:
            m_speed->setEnabled(false);
            m_hundred->setEnabled(false);
            for (QLineEdit* f : {m_activeScan, m_vblank, m_fps}) f->setEnabled(true);
            m_activeScan->setText(QString::number(m_scratch.activescancust));
            m_vblank->setText(QString::number(m_scratch.vblankcust));
            m_fps->setText(QString::number(m_scratch.fpscust));
            break;
        case TimingMode::fast:
            m_speed->setEnabled(false);
            m_hundred->setEnabled(false);
            for (QLineEdit* f : {m_activeScan, m_vblank, m_fps}) {
                f->setEnabled(false);
                f->setText(QStringLiteral("n/a"));
            }
            break;
    }
}

void TimingDialog::speedMoved(int percent) {
    const int mode = selectedMode();
    if (mode == static_cast<int>(TimingMode::ntsc)) {
        m_scratch.ntscmultiplierpct = percent;
    } else if (mode == static_cast<int>(TimingMode::pal)) {
        m_scratch.palmultiplierpct = percent;
    } else {
        return;
    }
    showStandard();
}

void TimingDialog::videoUpdateClicked() {
    const bool on = m_videoUpdate->isChecked();
    m_updateRate->setEnabled(on);
    m_updateLabel->setEnabled(on);
}

void TimingDialog::setDefaults() {
    m_modes[0]->setChecked(true);
    modeClicked(0);
    m_speed->setValue(100);
    speedMoved(100);
    m_videoUpdate->setChecked(false);
    videoUpdateClicked();
    m_speedUpFiles->setChecked(false);
}

void TimingDialog::accept() {
    Settings& s = m_scratch;
    const int mode = selectedMode();
    if (mode == static_cast<int>(TimingMode::custom)) {
        const unsigned active = unsigned_field(m_activeScan->text()).value_or(0);
        const unsigned vblank = unsigned_field(m_vblank->text()).value_or(0);
        const unsigned fps = unsigned_field(m_fps->text()).value_or(0);
        // A frame needs a rate and enough cycles to hold an instruction or two.
        if (fps == 0) {
            m_fps->setText(QStringLiteral("1"));
            return;
        }
        if (static_cast<unsigned long long>(active) + vblank < 24) {
            m_activeScan->setText(QStringLiteral("24"));
            m_vblank->setText(QStringLiteral("24"));
            return;
        }
        // The frame still has to fit the scheduler's counters: no cycle count
        // beyond a second of processor time, no rate beyond what the
        // configuration file accepts.
        s.activescancust = static_cast<int>(std::min<unsigned>(active, cpu_clock_hz));
        s.vblankcust = static_cast<int>(std::min<unsigned>(vblank, cpu_clock_hz));
        s.fpscust = static_cast<int>(std::min<unsigned>(fps, 600));
    }
    s.cpuspeedopt = mode;
    if (mode == static_cast<int>(TimingMode::fast)) s.clickerflag = 0;
    s.usevideoupdatepsflag = m_videoUpdate->isChecked() ? 1 : 0;
    s.videoupdatesps = m_updateRate->value();
    s.speedupfilesflag = m_speedUpFiles->isChecked() ? 1 : 0;
    QDialog::accept();
}

// ---------------------------------------------------------------- Load Binary

LoadBinaryDialog::LoadBinaryDialog(Machine& machine, Settings& scratch, QWidget* parent)
    : SettingsDialog(machine, scratch, QStringLiteral("Load a binary file to memory"), parent) {
    auto* top = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    const FileRequest request{FilePurpose::binary_load,
                              "Open",
                              {{"Binary Files (*.bin)", "*.bin"},
                               {"TASM Object Files (*.obj)", "*.obj"},
                               all_files},
                              "bin",
                              "",
                              false};
    const FileField file = addFileField(grid, 0, 0, "bloadfilename", scratch.bloadfilename, request);
    m_name = file.name;
    top->addLayout(grid);
    top->addWidget(new QLabel(QString::fromLatin1(address_note)));
    auto* row = new QHBoxLayout;
    auto* caption = new QLabel(QStringLiteral("Load to address: "));
    m_address = new QLineEdit(
        QString::fromStdString(address_text(scratch.bloadaddr, scratch.loadaddrishex != 0)));
    caption->setBuddy(m_address);
    m_address->setObjectName(QStringLiteral("address"));
    row->addWidget(caption);
    row->addWidget(m_address);
    row->addStretch();
    top->addLayout(row);
    addButtons(top);
    m_address->setFocus();
}

void LoadBinaryDialog::accept() {
    m_scratch.bloadfilename = m_name->text().toStdString();
    if (load_binary_dialog_ok(m_machine, m_scratch, m_address->text().toStdString())) {
        QDialog::accept();
    }
}

// ---------------------------------------------------------------- CSAVEM

CsavemDialog::CsavemDialog(Machine& machine, Settings& scratch, QWidget* parent)
    : SettingsDialog(machine, scratch, QStringLiteral("CSAVEM - save RAM as .C10"), parent) {
    auto* top = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    const FileRequest request{FilePurpose::csavem_output,
                              "Save As",
                              {{"C10 Files (*.c10)", "*.c10"}, all_files},
                              "bin",
                              "",
                              true};
    const FileField file = addFileField(grid, 0, 0, "csavfilename", scratch.csavfilename, request);
    m_name = file.name;
    top->addLayout(grid);
    top->addWidget(new QLabel(QString::fromLatin1(address_note)));
    auto* fields = new QGridLayout;
    m_start = new QLineEdit(
        QString::fromStdString(address_text(scratch.csavstart, scratch.csavstartishex != 0)));
    m_end = new QLineEdit(
        QString::fromStdString(address_text(scratch.csavend, scratch.csavendishex != 0)));
    auto* startCaption = new QLabel(QStringLiteral("Load to address: "));
    auto* endCaption = new QLabel(QStringLiteral("End address (including):"));
    startCaption->setBuddy(m_start);
    m_start->setObjectName(QStringLiteral("start"));
    m_end->setObjectName(QStringLiteral("end"));
    endCaption->setBuddy(m_end);
    fields->addWidget(startCaption, 0, 0);
    fields->addWidget(m_start, 0, 1);
    fields->addWidget(endCaption, 1, 0);
    fields->addWidget(m_end, 1, 1);
    top->addLayout(fields);
    addButtons(top);
    m_start->setFocus();
}

void CsavemDialog::accept() {
    m_scratch.csavfilename = m_name->text().toStdString();
    if (csavem_dialog_ok(m_machine, m_scratch, m_start->text().toStdString(),
                         m_end->text().toStdString())) {
        QDialog::accept();
    }
}

}  // namespace trivo::ui
