// The configuration dialogs of the Configure menu and File > Cartridge, and
// the two binary utility dialogs of the Util menu.
//
// Every dialog edits a scratch copy of the settings the caller gives it.
// OK reads the controls into that copy and closes the dialog only when the
// values pass its checks; the caller then copies the scratch back, writes
// the dialog's own section(s) and applies the change (run_settings_dialog
// in the main window). Cancel, Escape or closing the window leave the copy
// to be dropped: nothing is written.
//
// "Browse" buttons ask the machine's Host for a file, so a test answers them
// without a file dialog; a cancelled choice keeps the previous name.
#pragma once

#include <QDialog>
#include <QPushButton>
#include <array>
#include <string>

#include "machine/host.h"
#include "machine/settings.h"

class QAbstractButton;
class QBoxLayout;
class QButtonGroup;
class QGridLayout;
class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSlider;

namespace trivo {
struct Machine;
}

namespace trivo::ui {

// A file name shown read-only with its "Browse" button.
struct FileField {
    QPushButton* browse = nullptr;
    QLineEdit* name = nullptr;
    void setEnabled(bool enabled);
};

class SettingsDialog : public QDialog {
    Q_OBJECT

public:
    SettingsDialog(Machine& machine, Settings& scratch, const QString& title, QWidget* parent);

protected:
    // OK, Cancel, Escape and Return as a desktop dialog has them.
    void addButtons(QBoxLayout* layout);
    // A name field (named after its setting) with its Browse button, asking
    // the Host with request, start_path filled from the field.
    FileField addFileField(QGridLayout* grid, int row, int column, const char* setting,
                           const std::string& name, FileRequest request);
    // Asks the Host for a file; the field keeps its name when cancelled.
    void browse(QLineEdit* name, const FileRequest& request, bool save);

    Machine& m_machine;
    Settings& m_scratch;
};

// "Configure Memory": the memory layout, the expander, the system ROM and the
// two character ROMs.
class MemoryDialog : public SettingsDialog {
    Q_OBJECT

public:
    MemoryDialog(Machine& machine, Settings& scratch, QWidget* parent = nullptr);
    void accept() override;

private:
    void layoutChosen();
    void sourcesChosen();

    QRadioButton* m_normal;
    QRadioButton* m_enhanced;
    QRadioButton* m_noExpander;
    QRadioButton* m_expander;
    QCheckBox* m_writeRom;
    QRadioButton* m_builtinRom;
    QRadioButton* m_fileRom;
    QRadioButton* m_builtinChar;
    QRadioButton* m_fileChar;
    QRadioButton* m_noCharX;
    QRadioButton* m_fileCharX;
    FileField m_romFile, m_charFile, m_charXFile;
};

// "Configure Cartridge": what the cartridge slot holds.
class CartridgeDialog : public SettingsDialog {
    Q_OBJECT

public:
    CartridgeDialog(Machine& machine, Settings& scratch, QWidget* parent = nullptr);
    void accept() override;

private:
    void choiceMade();

    std::array<QRadioButton*, 5> m_choices{};
    QCheckBox* m_romHacks;
    FileField m_basicFile, m_gameFile, m_s19File;
};

// "Configure Serial Printer": how printer output goes into its text file.
class PrinterDialog : public SettingsDialog {
    Q_OBJECT

public:
    PrinterDialog(Machine& machine, Settings& scratch, QWidget* parent = nullptr);
    void accept() override;

private:
    QCheckBox* m_nulls;
    QCheckBox* m_autoLinefeed;
    QRadioButton* m_unlimited;
    QRadioButton* m_fixed;
    QLineEdit* m_width;
    FileField m_file;
};

// The printer width as the dialog reads it: an unsigned number; below 2
// (empty and invalid text included) it becomes 32, above 65535 it is 65535.
int printer_width_from_text(const QString& text);

// "Colors": the palette, artifacting and the window size.
class ColorsDialog : public SettingsDialog {
    Q_OBJECT

public:
    // custom_colours_set: whether the colour chooser's custom colours were
    // set up this run; the first opening sets them and the flag.
    ColorsDialog(Machine& machine, Settings& scratch, bool& custom_colours_set,
                 QWidget* parent = nullptr);
    void accept() override;
    QAbstractButton* swatch(int entry) const { return m_swatches[entry]; }

private:
    void chooseColour(int entry);

    std::array<QAbstractButton*, palette_entries> m_swatches{};
    QCheckBox* m_artifact;
};

// The 14 distinct colours of the built-in palette, in the order the colour
// chooser's custom colours take them; the last two custom slots are black.
inline constexpr std::array<PaletteEntry, 14> chooser_custom_colours = {{
    {16, 16, 16}, {40, 224, 40}, {240, 240, 112}, {32, 32, 216}, {168, 32, 32},
    {240, 240, 240}, {40, 168, 168}, {211, 97, 250}, {240, 136, 40}, {16, 96, 16},
    {128, 48, 16}, {240, 176, 64}, {32, 240, 32}, {160, 16, 224},
}};

// "Configure Sound": the speaker clicker and its volume.
class SoundDialog : public SettingsDialog {
    Q_OBJECT

public:
    SoundDialog(Machine& machine, Settings& scratch, QWidget* parent = nullptr);
    void accept() override;

private:
    QCheckBox* m_clicker;
    QSlider* m_volume;
    QLabel* m_volumeLabel;
};

// "Configure CPU Timing": the television standard or custom frame, the
// speed, repaint pacing and the file speed-up.
class TimingDialog : public SettingsDialog {
    Q_OBJECT

public:
    TimingDialog(Machine& machine, Settings& scratch, QWidget* parent = nullptr);
    void accept() override;

private:
    void modeClicked(int mode);
    void speedMoved(int percent);
    void videoUpdateClicked();
    void setDefaults();
    void showStandard();
    int selectedMode() const;

    std::array<QRadioButton*, 4> m_modes{};
    QSlider* m_speed;
    QLabel* m_speedLabel;
    QPushButton* m_hundred;
    QLineEdit* m_activeScan;
    QLineEdit* m_vblank;
    QLineEdit* m_fps;
    QCheckBox* m_videoUpdate;
    QSlider* m_updateRate;
    QLabel* m_updateLabel;
    QCheckBox* m_speedUpFiles;
};

// "Load a binary file to memory" (Util > Load Binary File).
class LoadBinaryDialog : public SettingsDialog {
    Q_OBJECT

public:
    LoadBinaryDialog(Machine& machine, Settings& scratch, QWidget* parent = nullptr);
    void accept() override;

private:
    QLineEdit* m_name;
    QLineEdit* m_address;
};

// "CSAVEM - save RAM as .C10" (Util > CSAVEM).
class CsavemDialog : public SettingsDialog {
    Q_OBJECT

public:
    CsavemDialog(Machine& machine, Settings& scratch, QWidget* parent = nullptr);
    void accept() override;

private:
    QLineEdit* m_name;
    QLineEdit* m_start;
    QLineEdit* m_end;
};

// The note the binary utility dialogs show above their address fields.
inline constexpr const char* address_note =
    "Addresses below are assumed decimal - precede hex entry with a $ ";

}  // namespace trivo::ui
