// The settings dialogs driven through the main window's menu commands, on a
// running machine with a configuration file of its own: what OK writes and
// applies, that Cancel leaves file and settings alone, and the controls'
// rules.
#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/ui/config_dialogs.h"
#include "machine/commands.h"
#include "window_fixture.h"

namespace trivo::test {
namespace {

// A configuration file with a comment and a few keys in every section, so a
// writer that touches a section it does not own shows up.
constexpr const char* config_fixture =
    "; kept as the user wrote it\r\n"
    "[MEMORY]\r\nenhancedflag=0\r\nexpandertype=0\r\ncarttype=1\r\nenableromhacksflag=1\r\n"
    "[PRINTER]\r\nwidth=132\r\nprintnulls=0\r\n"
    "[KEYBOARD]\r\nemulatedflag=0\r\n"
    "[VIDEO]\r\nwindowscaling=2\r\n"
    "[COLOR]\r\n; the built-in palette\r\n"
    "[SOUND]\r\nclickerflag=1\r\nclickervolpct=50\r\n"
    "[FILES]\r\nscript=demo.txt\r\n"
    "[LOADBINARY]\r\nbloadaddr=45056\r\n"
    "[CSAVEM]\r\ncsavstart=45056\r\n"
    "[SPEED]\r\ncpuspeedopt=0\r\nclickerflag=1\r\n";

// The file split into its sections' texts ("" holds what precedes the first).
std::map<std::string, std::string> sections_of(const std::string& text) {
    std::map<std::string, std::string> sections;
    std::string current;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end + 1;
        const std::string line = text.substr(at, end - at);
        if (!line.empty() && line[0] == '[') current = line.substr(1, line.find(']') - 1);
        sections[current] += line;
        at = end;
    }
    return sections;
}

// The value of key in a section's text, or "" when missing.
std::string key_in(const std::string& section, const std::string& key) {
    const std::string head = "\n" + key + "=";
    const size_t at = ("\n" + section).find(head);
    if (at == std::string::npos) return {};
    const size_t begin = at + head.size() - 1;
    return section.substr(begin, section.find_first_of("\r\n", begin) - begin);
}

template <class T>
T* with_text(QWidget& parent, const QString& text) {
    for (T* w : parent.findChildren<T*>()) {
        if (w->text() == text) return w;
    }
    ADD_FAILURE() << "no control reads \"" << text.toStdString() << "\"";
    return nullptr;
}

template <class T>
T* named(QWidget& parent, const char* name) {
    T* w = parent.findChild<T*>(QString::fromLatin1(name));
    if (w == nullptr) ADD_FAILURE() << "no control named " << name;
    return w;
}

void press(QDialog& dialog, QDialogButtonBox::StandardButton which) {
    dialog.findChild<QDialogButtonBox*>()->button(which)->click();
}

class DialogTest : public WindowTest {
protected:
    void SetUp() override {
        std::ofstream(scratch.path / "foo.ini", std::ios::binary) << config_fixture;
        start_window();
        ASSERT_EQ(std::filesystem::path(machine->config_path), scratch.path / "foo.ini");
    }
    std::string config_text() const {
        std::ifstream in(scratch.path / "foo.ini", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // Runs a menu command whose dialog act works on while it is open; a
    // dialog act leaves open is closed (cancelled) afterwards.
    void run_dialog(int command, const std::function<void(QDialog&)>& act) {
        bool seen = false;
        answer_next_modal([&](QWidget* w) {
            auto* dialog = qobject_cast<QDialog*>(w);
            ASSERT_NE(dialog, nullptr);
            seen = true;
            act(*dialog);
        });
        window->runCommand(command);
        EXPECT_TRUE(seen);
    }
    // The text of the message box that opens while act runs.
    std::string message_during(const std::function<void()>& act, std::string* caption = nullptr) {
        std::string text;
        answer_next_modal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr);
            text = box->text().toStdString();
            if (caption != nullptr) *caption = box->windowTitle().toStdString();
        });
        act();
        return text;
    }
    // After OK: the sections named changed as the test says, every other
    // section is byte for byte what it was.
    void expect_only_sections_changed(const std::string& before, const std::set<std::string>& own) {
        auto old_sections = sections_of(before);
        auto new_sections = sections_of(config_text());
        for (const auto& [name, text] : old_sections) {
            if (own.count(name) != 0) continue;
            SCOPED_TRACE(name);
            EXPECT_EQ(new_sections[name], text);
        }
        for (const auto& [name, text] : new_sections) {
            if (old_sections.count(name) == 0) {
                EXPECT_EQ(own.count(name), 1u) << "new section " << name;
            }
        }
    }
};

// ---------------------------------------------------------------- Cancel

TEST_F(DialogTest, CancelInEveryDialogWritesNothingAndChangesNoSetting) {
    const std::string file_before = config_text();
    const Settings settings_before = machine->settings;
    const int commands[] = {command_memory,        command_cartridge, command_serial_printer,
                            command_video_colors,  command_sound,     command_system_timing,
                            command_load_binary,   command_csavem};
    for (const int command : commands) {
        SCOPED_TRACE(command);
        run_dialog(command, [&](QDialog& d) {
            // Change whatever there is to change: every check box, the last
            // radio button, the first swatch through the colour chooser.
            for (QCheckBox* c : d.findChildren<QCheckBox*>()) c->click();
            const auto radios = d.findChildren<QRadioButton*>();
            if (!radios.isEmpty()) radios.last()->click();
            if (auto* colors = qobject_cast<ui::ColorsDialog*>(&d)) {
                answer_next_modal([](QWidget* w) {
                    auto* chooser = qobject_cast<QColorDialog*>(w);
                    ASSERT_NE(chooser, nullptr);
                    chooser->setCurrentColor(QColor(1, 2, 3));
                    chooser->accept();
                });
                colors->swatch(0)->click();
            }
            for (QLineEdit* e : d.findChildren<QLineEdit*>()) {
                if (!e->isReadOnly()) e->setText(QStringLiteral("$0000"));
            }
            press(d, QDialogButtonBox::Cancel);
        });
        EXPECT_EQ(config_text(), file_before);
        EXPECT_TRUE(machine->settings == settings_before);
    }
}

// ---------------------------------------------------------------- Memory

TEST_F(DialogTest, MemoryOkWritesItsKeysAndHardResetsAfterClosingEvenUnchanged) {
    QSignalSpy spy(window.get(), &ui::MainWindow::commandRun);
    for (const bool change : {false, true}) {
        SCOPED_TRACE(change);
        const std::string before = config_text();
        machine->memory_image[0x3000] = 0x5A;
        spy.clear();
        run_dialog(command_memory, [&](QDialog& d) {
            if (change) {
                with_text<QRadioButton>(d, "Emulator Enhanced $0400-1FFF, $C000-DFFF")->click();
                with_text<QCheckBox>(d, "Make ROM writeable")->click();
            }
            press(d, QDialogButtonBox::Ok);
        });
        // The reset is posted: it runs once the dialog has closed.
        EXPECT_EQ(machine->memory_image[0x3000], 0x5A);
        ASSERT_TRUE(wait_for([&] {
            for (const auto& call : spy) {
                if (call.at(0).toInt() == command_hard_reset) return true;
            }
            return false;
        }));
        EXPECT_EQ(machine->memory_image[0x3000], 0);
        expect_only_sections_changed(before, {"MEMORY"});
        const std::string memory = sections_of(config_text())["MEMORY"];
        EXPECT_EQ(key_in(memory, "enhancedflag"), change ? "1" : "0");
        EXPECT_EQ(key_in(memory, "writeROMflag"), change ? "1" : "0");
        EXPECT_EQ(key_in(memory, "ROMfilename"), "NECTREK.BIN");
        // The cartridge keys are the Cartridge dialog's.
        EXPECT_EQ(key_in(memory, "carttype"), "1");
        EXPECT_EQ(machine->settings.enhancedflag, change ? 1 : 0);
    }
}

TEST_F(DialogTest, MemoryControlsFollowTheLayoutAndTheSources) {
    run_dialog(command_memory, [&](QDialog& d) {
        auto* normal = with_text<QRadioButton>(d, "Normal (as sold in stores) A000-BFFF");
        auto* enhanced = with_text<QRadioButton>(d, "Emulator Enhanced $0400-1FFF, $C000-DFFF");
        auto* expander = with_text<QRadioButton>(d, "+ 8K RAM Expansion (As sold in stores) C000-DFFF");
        auto* none = with_text<QRadioButton>(d, "No RAM expamder");
        auto* writeable = with_text<QCheckBox>(d, "Make ROM writeable");
        struct Case {
            QRadioButton* click;
            bool expander_on, writeable_on;
        };
        for (const Case& c : {Case{enhanced, false, true}, Case{normal, true, false}}) {
            c.click->click();
            EXPECT_EQ(expander->isEnabled(), c.expander_on);
            EXPECT_EQ(none->isEnabled(), c.expander_on);
            EXPECT_EQ(writeable->isEnabled(), c.writeable_on);
        }
        auto* rom_name = named<QLineEdit>(d, "ROMfilename");
        EXPECT_EQ(rom_name->text(), QStringLiteral("NECTREK.BIN"));
        EXPECT_FALSE(rom_name->isEnabled());
        with_text<QRadioButton>(d, "Load OS ROM (up to 8K) from file")->click();
        EXPECT_TRUE(rom_name->isEnabled());
        EXPECT_FALSE(named<QLineEdit>(d, "CHARXfilename")->isEnabled());
        EXPECT_TRUE(with_text<QLabel>(d, "NOTE:  Clicking \"OK\" will hard reset the emulator."));
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Configure Memory"));
        press(d, QDialogButtonBox::Cancel);
    });
}

// ---------------------------------------------------------------- Cartridge

TEST_F(DialogTest, CartridgeOkLoadsTheChosenGameWithoutAReset) {
    const std::vector<uint8_t> game = {0xBB, 0x01, 0x02, 0x03, 0xCA, 0xFE};
    const std::filesystem::path game_path = scratch.path / "game.bin";
    std::ofstream(game_path, std::ios::binary)
        .write(reinterpret_cast<const char*>(game.data()), static_cast<std::streamsize>(game.size()));
    const std::string before = config_text();
    QSignalSpy spy(window.get(), &ui::MainWindow::commandRun);
    machine->memory_image[0x3000] = 0x5A;
    run_dialog(command_cartridge, [&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Configure Cartridge"));
        with_text<QRadioButton>(d, "Load game cartridge ROM from file")->click();
        // Browse asks through a file dialog; its answer lands in the field.
        answer_next_modal([&](QWidget* w) {
            auto* files = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(files, nullptr);
            EXPECT_EQ(files->nameFilters().size(), 2);
            files->selectFile(QString::fromStdString(game_path.string()));
            QMetaObject::invokeMethod(files, "accept");
        });
        QPushButton* browse = nullptr;
        for (QPushButton* b : d.findChildren<QPushButton*>()) {
            if (b->text() == QStringLiteral("Browse") && b->isEnabled()) browse = b;
        }
        ASSERT_NE(browse, nullptr);
        browse->click();
        EXPECT_EQ(named<QLineEdit>(d, "GAMEfilename")->text().toStdString(), game_path.string());
        press(d, QDialogButtonBox::Ok);
    });
    EXPECT_TRUE(std::equal(game.begin(), game.end(), machine->memory_image.begin() + 0x8000));
    QTest::qWait(50);
    for (const auto& call : spy) EXPECT_NE(call.at(0).toInt(), command_hard_reset);
    EXPECT_EQ(machine->memory_image[0x3000], 0x5A);  // no reset cleared RAM
    expect_only_sections_changed(before, {"MEMORY"});
    const std::string memory = sections_of(config_text())["MEMORY"];
    EXPECT_EQ(key_in(memory, "carttype"), "3");
    EXPECT_EQ(key_in(memory, "GAMEfilename"), game_path.string());
    EXPECT_EQ(key_in(memory, "enhancedflag"), "0");
    EXPECT_EQ(key_in(memory, "ROMfilename"), "");  // a Memory key: not written here
}

TEST_F(DialogTest, CartridgeEnablesOnlyTheControlsOfTheChoice) {
    run_dialog(command_cartridge, [&](QDialog& d) {
        struct Case {
            const char* choice;
            bool hacks;
            const char* file;  // the one name field enabled, or none
        };
        constexpr Case cases[] = {
            {"No cartridge ROM", false, nullptr},
            {"Use built-in BASIC ROM", true, nullptr},
            {"Load BASIC ROM from file", false, "BASICfilename"},
            {"Load game cartridge ROM from file", false, "GAMEfilename"},
            {"Load from S19 file", false, "S19filename"},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.choice);
            with_text<QRadioButton>(d, c.choice)->click();
            EXPECT_EQ(with_text<QCheckBox>(d, "Enable ROM hack fast I/O")->isEnabled(), c.hacks);
            for (const char* f : {"BASICfilename", "GAMEfilename", "S19filename"}) {
                EXPECT_EQ(named<QLineEdit>(d, f)->isEnabled(), c.file != nullptr && std::string(c.file) == f) << f;
            }
        }
        press(d, QDialogButtonBox::Cancel);
    });
}

// ---------------------------------------------------------------- Printer

TEST(PrinterWidth, TextBecomesAWidthBetween2And65535) {
    const std::pair<const char*, int> cases[] = {
        {"1", 32}, {"0", 32}, {"", 32}, {"abc", 32}, {"-5", 32}, {"2", 2},
        {"80", 80}, {"65535", 65535}, {"70000", 65535}, {"99999999999", 65535},
    };
    for (const auto& [text, width] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ui::printer_width_from_text(QString::fromLatin1(text)), width);
    }
}

TEST_F(DialogTest, PrinterOkWritesOnlyPrinterAndTheWidthFieldFollowsTheRadio) {
    const std::string before = config_text();
    run_dialog(command_serial_printer, [&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Configure Serial Printer"));
        auto* width = named<QLineEdit>(d, "width");
        EXPECT_FALSE(width->isEnabled());
        with_text<QRadioButton>(d, "Fixed width at ")->click();
        EXPECT_TRUE(width->isEnabled());
        width->setText(QStringLiteral("70000"));
        with_text<QCheckBox>(d, "Allow printing of nulls")->click();
        press(d, QDialogButtonBox::Ok);
    });
    expect_only_sections_changed(before, {"PRINTER"});
    const std::string printer = sections_of(config_text())["PRINTER"];
    EXPECT_EQ(key_in(printer, "width"), "65535");
    EXPECT_EQ(key_in(printer, "fixedwidthflag"), "1");
    EXPECT_EQ(key_in(printer, "printnulls"), "1");
    EXPECT_EQ(machine->settings.width, 65535);
}

// ---------------------------------------------------------------- Colors

TEST_F(DialogTest, ColorsOkStoresTheSwatchTheScaleAndRefitsTheWindow) {
    const std::string before = config_text();
    run_dialog(command_video_colors, [&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Colors"));
        // The chooser's custom colours are the palette's distinct colours.
        EXPECT_EQ(QColorDialog::customColor(0), QColor(16, 16, 16));
        EXPECT_EQ(QColorDialog::customColor(13), QColor(160, 16, 224));
        EXPECT_EQ(QColorDialog::customColor(15), QColor(0, 0, 0));
        answer_next_modal([](QWidget* w) {
            auto* chooser = qobject_cast<QColorDialog*>(w);
            ASSERT_NE(chooser, nullptr);
            EXPECT_EQ(chooser->currentColor(), QColor(40, 168, 168));  // entry 16: cyan
            chooser->setCurrentColor(QColor(1, 2, 3));
            chooser->accept();
        });
        static_cast<ui::ColorsDialog&>(d).swatch(16)->click();
        with_text<QRadioButton>(d, "300%")->click();
        with_text<QCheckBox>(d, "Use artifacting in Hi-res")->click();
        press(d, QDialogButtonBox::Ok);
    });
    EXPECT_EQ(machine->settings.video_palette[16], (PaletteEntry{1, 2, 3}));
    EXPECT_EQ(machine->video_palette[16], (PaletteEntry{1, 2, 3}));  // display tables rebuilt
    EXPECT_EQ(window->screen()->size(), QSize(840, 648));
    expect_only_sections_changed(before, {"VIDEO", "COLOR"});
    const auto sections = sections_of(config_text());
    EXPECT_EQ(key_in(sections.at("VIDEO"), "windowscaling"), "3");
    EXPECT_EQ(key_in(sections.at("VIDEO"), "useartifact"), "1");
    EXPECT_NE(sections.at("COLOR").find("1"), std::string::npos);
}

// ---------------------------------------------------------------- Sound

TEST_F(DialogTest, SoundOkWritesTheClickerAndTheVolumeTheLabelShows) {
    const std::string before = config_text();
    run_dialog(command_sound, [&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Configure Sound"));
        auto* slider = d.findChild<QSlider*>();
        auto* label = named<QLabel>(d, "volumeLabel");
        EXPECT_EQ(label->text(), QStringLiteral("50% Volume"));
        EXPECT_EQ(slider->pageStep(), 10);
        slider->setValue(30);
        EXPECT_EQ(label->text(), QStringLiteral("30% Volume"));
        with_text<QCheckBox>(d, "Speaker Clicker Sound")->click();
        press(d, QDialogButtonBox::Ok);
    });
    expect_only_sections_changed(before, {"SOUND"});
    const std::string sound = sections_of(config_text())["SOUND"];
    EXPECT_EQ(key_in(sound, "clickerflag"), "0");
    EXPECT_EQ(key_in(sound, "clickervolpct"), "30");
    EXPECT_EQ(machine->settings.clickervolpct, 30);
}

// ---------------------------------------------------------------- CPU Timing

TEST_F(DialogTest, TimingOpensShowingTheStoredModesFrame) {
    struct Case {
        int mode, ntsc_pct, pal_pct;
        const char* label;  // nullptr: not checked
        const char *active, *vblank, *fps;
        bool fields_on, slider_on;
    };
    constexpr Case cases[] = {
        {0, 100, 100, "NTSC * 100%", "11364", "3551", "60", false, true},
        {0, 50, 100, "NTSC * 50%", "5682", "1775", "60", false, true},
        {1, 100, 200, "PAL * 200%", "27274", "8522", "50", false, true},
        {2, 100, 100, nullptr, "20000", "5000", "30", true, false},
        {3, 100, 100, nullptr, "n/a", "n/a", "n/a", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        Settings& s = machine->settings;
        s.cpuspeedopt = c.mode;
        s.ntscmultiplierpct = c.ntsc_pct;
        s.palmultiplierpct = c.pal_pct;
        s.activescancust = 20000;
        s.vblankcust = 5000;
        s.fpscust = 30;
        run_dialog(command_system_timing, [&](QDialog& d) {
            EXPECT_EQ(d.windowTitle(), QStringLiteral("Configure CPU Timing"));
            if (c.label != nullptr) {
                EXPECT_EQ(named<QLabel>(d, "speedLabel")->text().toStdString(), c.label);
            }
            auto* active = named<QLineEdit>(d, "cycles Active Scan");
            auto* vblank = named<QLineEdit>(d, "cycles border + VBlank");
            auto* fps = named<QLineEdit>(d, "frames per second");
            EXPECT_EQ(active->text().toStdString(), c.active);
            EXPECT_EQ(vblank->text().toStdString(), c.vblank);
            EXPECT_EQ(fps->text().toStdString(), c.fps);
            EXPECT_EQ(active->isEnabled(), c.fields_on);
            EXPECT_EQ(named<QSlider>(d, "speed")->isEnabled(), c.slider_on);
            EXPECT_EQ(with_text<QPushButton>(d, "100%")->isEnabled(), c.slider_on);
            press(d, QDialogButtonBox::Cancel);
        });
    }
}

TEST_F(DialogTest, TimingSliderHundredAndDefaultButtons) {
    machine->settings.cpuspeedopt = 1;
    machine->settings.usevideoupdatepsflag = 1;
    run_dialog(command_system_timing, [&](QDialog& d) {
        auto* slider = named<QSlider>(d, "speed");
        auto* label = named<QLabel>(d, "speedLabel");
        EXPECT_EQ(slider->pageStep(), 20);
        EXPECT_EQ(slider->maximum(), 800);
        slider->setValue(150);
        EXPECT_EQ(label->text(), QStringLiteral("PAL * 150%"));
        EXPECT_EQ(named<QLineEdit>(d, "cycles Active Scan")->text(), QStringLiteral("20455"));
        with_text<QPushButton>(d, "100%")->click();
        EXPECT_EQ(label->text(), QStringLiteral("PAL * 100%"));
        // The video update slider is usable only while its box is checked.
        auto* update = with_text<QCheckBox>(d, "Try to update this many times per second:");
        auto* rate = d.findChildren<QSlider*>().last();
        EXPECT_TRUE(rate->isEnabled());
        update->click();
        EXPECT_FALSE(rate->isEnabled());
        update->click();
        with_text<QPushButton>(d, "Default")->click();
        EXPECT_TRUE(with_text<QRadioButton>(d, "NTSC")->isChecked());
        EXPECT_EQ(label->text(), QStringLiteral("NTSC * 100%"));
        EXPECT_FALSE(update->isChecked());
        EXPECT_FALSE(rate->isEnabled());
        EXPECT_FALSE(with_text<QCheckBox>(d, "Speed up when accessing files")->isChecked());
        press(d, QDialogButtonBox::Cancel);
    });
}

TEST_F(DialogTest, TimingCustomRefusesAnEmptyFrameAndRecomputesOnOk) {
    struct Case {
        const char *active, *vblank, *fps;
        bool closes;
        const char *shown_active, *shown_vblank, *shown_fps;  // after OK
    };
    constexpr Case cases[] = {
        {"10", "10", "60", false, "24", "24", "60"},
        {"20000", "5000", "0", false, "20000", "5000", "1"},
        {"", "x", "60", false, "24", "24", "60"},
        {"20000", "5000", "40", true, nullptr, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.active) + "/" + c.vblank + "/" + c.fps);
        const std::string before = config_text();
        bool closed = false;
        run_dialog(command_system_timing, [&](QDialog& d) {
            with_text<QRadioButton>(d, "Custom")->click();
            auto* active = named<QLineEdit>(d, "cycles Active Scan");
            auto* vblank = named<QLineEdit>(d, "cycles border + VBlank");
            auto* fps = named<QLineEdit>(d, "frames per second");
            active->setText(QString::fromLatin1(c.active));
            vblank->setText(QString::fromLatin1(c.vblank));
            fps->setText(QString::fromLatin1(c.fps));
            press(d, QDialogButtonBox::Ok);
            closed = !d.isVisible();
            if (!closed) {
                EXPECT_EQ(active->text().toStdString(), c.shown_active);
                EXPECT_EQ(vblank->text().toStdString(), c.shown_vblank);
                EXPECT_EQ(fps->text().toStdString(), c.shown_fps);
            }
        });
        EXPECT_EQ(closed, c.closes);
        if (!c.closes) {
            EXPECT_EQ(config_text(), before);
            continue;
        }
        EXPECT_EQ(machine->timing.frames_per_second, 40);
        EXPECT_EQ(machine->timing.active_scan_cycles, 20000);
        EXPECT_EQ(machine->timing.vblank_cycles, 5000);
        expect_only_sections_changed(before, {"SPEED"});
        const std::string speed = sections_of(config_text())["SPEED"];
        EXPECT_EQ(key_in(speed, "cpuspeedopt"), "2");
        EXPECT_EQ(key_in(speed, "fpscust"), "40");
    }
}

TEST_F(DialogTest, TimingFastTurnsTheClickerOffButLeavesSoundInTheFile) {
    const std::string before = config_text();
    run_dialog(command_system_timing, [&](QDialog& d) {
        with_text<QRadioButton>(d, "Fast!  (turns off sound)")->click();
        press(d, QDialogButtonBox::Ok);
    });
    EXPECT_EQ(machine->settings.clickerflag, 0);
    EXPECT_EQ(timing_mode(machine->settings), TimingMode::fast);
    expect_only_sections_changed(before, {"SPEED"});
    EXPECT_EQ(key_in(sections_of(config_text())["SOUND"], "clickerflag"), "1");
}

// ---------------------------------------------------------------- Load Binary

TEST_F(DialogTest, LoadBinaryShowsItsDefaultsAndLoadsAtTheTypedAddress) {
    const std::filesystem::path bin = scratch.path / "sixteen.bin";
    std::string bytes;
    for (int i = 0; i < 16; ++i) bytes += static_cast<char>(0xA0 + i);
    std::ofstream(bin, std::ios::binary) << bytes;
    const std::string before = config_text();

    run_dialog(command_load_binary, [&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Load a binary file to memory"));
        EXPECT_EQ(named<QLineEdit>(d, "bloadfilename")->text(), QStringLiteral("pinball.bin"));
        EXPECT_EQ(named<QLineEdit>(d, "address")->text(), QStringLiteral("$b000"));
        EXPECT_TRUE(with_text<QLabel>(d, ui::address_note));
        EXPECT_TRUE(with_text<QLabel>(d, "Load to address: "));
        named<QLineEdit>(d, "bloadfilename")->setText(QString::fromStdString(bin.string()));
        named<QLineEdit>(d, "address")->setText(QStringLiteral("$FFF0"));
        press(d, QDialogButtonBox::Ok);
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(std::string(machine->memory_image.begin() + 0xFFF0, machine->memory_image.end()), bytes);
    expect_only_sections_changed(before, {"LOADBINARY"});
    const std::string section = sections_of(config_text())["LOADBINARY"];
    EXPECT_EQ(key_in(section, "bloadaddr"), "65520");
    EXPECT_EQ(key_in(section, "loadaddrishex"), "1");
    EXPECT_EQ(key_in(section, "bloadfilename"), bin.string());

    // Typed in decimal, it comes back in decimal.
    run_dialog(command_load_binary, [&](QDialog& d) {
        EXPECT_EQ(named<QLineEdit>(d, "address")->text(), QStringLiteral("$fff0"));
        named<QLineEdit>(d, "address")->setText(QStringLiteral("16384"));
        press(d, QDialogButtonBox::Ok);
    });
    run_dialog(command_load_binary, [&](QDialog& d) {
        EXPECT_EQ(named<QLineEdit>(d, "address")->text(), QStringLiteral("16384"));
        press(d, QDialogButtonBox::Cancel);
    });
}

TEST_F(DialogTest, LoadBinaryFailuresKeepTheDialogOpenWithTheirMessage) {
    const std::filesystem::path bin = scratch.path / "sixteen.bin";
    std::ofstream(bin, std::ios::binary) << std::string(16, '\x11');
    struct Case {
        const char* file;
        const char* address;
        const char* message;
    };
    const std::string present = bin.string();
    const std::string missing = (scratch.path / "missing.bin").string();
    const Case cases[] = {
        {present.c_str(), "zz", "ERROR: \nProblem with load address\n"},
        {present.c_str(), "$10000", "ERROR: \nProblem with load address\n"},
        {present.c_str(), "", "ERROR: \nProblem with load address\n"},
        {present.c_str(), "$FFF1", "ERROR: \nProblem loading file\n"},
        {missing.c_str(), "$4000", "ERROR: \nProblem loading file\n"},
    };
    const std::string before = config_text();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        const auto memory = machine->memory_image;
        run_dialog(command_load_binary, [&](QDialog& d) {
            named<QLineEdit>(d, "bloadfilename")->setText(QString::fromLatin1(c.file));
            named<QLineEdit>(d, "address")->setText(QString::fromLatin1(c.address));
            std::string caption;
            EXPECT_EQ(message_during([&] { press(d, QDialogButtonBox::Ok); }, &caption), c.message);
            EXPECT_EQ(caption, "Util Load Binary errors");
            EXPECT_TRUE(d.isVisible());
        });
        EXPECT_TRUE(std::equal(memory.begin() + 0x4000, memory.end(), machine->memory_image.begin() + 0x4000));
        EXPECT_EQ(config_text(), before);
    }
}

// ---------------------------------------------------------------- CSAVEM

TEST_F(DialogTest, CsavemShowsItsDefaultsAndWritesTheRangeWithItsChecksum) {
    const std::filesystem::path out = scratch.path / "saved.c10";
    const std::string before = config_text();
    run_dialog(command_csavem, [&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("CSAVEM - save RAM as .C10"));
        EXPECT_EQ(named<QLineEdit>(d, "csavfilename")->text(), QStringLiteral("mymlprog.c10"));
        EXPECT_EQ(named<QLineEdit>(d, "start")->text(), QStringLiteral("$b000"));
        EXPECT_EQ(named<QLineEdit>(d, "end")->text(), QStringLiteral("$bffe"));
        EXPECT_TRUE(with_text<QLabel>(d, "End address (including):"));
        named<QLineEdit>(d, "csavfilename")->setText(QString::fromStdString(out.string()));
        // The machine's own RAM: the frames are stopped while the dialog is open.
        machine->memory_image[0x3000] = 1;
        machine->memory_image[0x3001] = 2;
        machine->memory_image[0x3002] = 3;
        named<QLineEdit>(d, "start")->setText(QStringLiteral("$3000"));
        named<QLineEdit>(d, "end")->setText(QStringLiteral("12290"));
        press(d, QDialogButtonBox::Ok);
        EXPECT_FALSE(d.isVisible());
    });
    std::ifstream in(out, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), std::string("\x01\x02\x03\x06", 4));
    expect_only_sections_changed(before, {"CSAVEM"});
    const std::string section = sections_of(config_text())["CSAVEM"];
    EXPECT_EQ(key_in(section, "csavstart"), "12288");
    EXPECT_EQ(key_in(section, "csavstartishex"), "1");
    EXPECT_EQ(key_in(section, "csavendishex"), "0");
}

TEST_F(DialogTest, CsavemErrorsAreCollectedInOneBoxAndKeepTheDialogOpen) {
    const std::string out = (scratch.path / "saved.c10").string();
    const std::string nowhere = (scratch.path / "no" / "such" / "dir.c10").string();
    struct Case {
        const std::string* file;
        const char *start, *end;
        const char* message;
        const char* written;  // the file afterwards, or nullptr for none
        size_t written_size;
    };
    const Case cases[] = {
        {&out, "10", "5", "ERROR: \nStart address is greater than end address\n", "\0", 1},
        {&out, "x", "5", "ERROR: \nProblem with start address\n", nullptr, 0},
        {&out, "10", "$zz", "ERROR: \nProblem with end address\n", "\0", 1},
        {&out, "", "99999", "ERROR: \nProblem with start address\nProblem with end address\n", nullptr, 0},
        {&nowhere, "10", "12", "ERROR: \nCould not open file \n", nullptr, 0},
    };
    const std::string before = config_text();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.start) + ".." + c.end);
        std::filesystem::remove(out);
        run_dialog(command_csavem, [&](QDialog& d) {
            named<QLineEdit>(d, "csavfilename")->setText(QString::fromStdString(*c.file));
            named<QLineEdit>(d, "start")->setText(QString::fromLatin1(c.start));
            named<QLineEdit>(d, "end")->setText(QString::fromLatin1(c.end));
            std::string caption;
            EXPECT_EQ(message_during([&] { press(d, QDialogButtonBox::Ok); }, &caption), c.message);
            EXPECT_EQ(caption, "Util CSAVEM errors");
            EXPECT_TRUE(d.isVisible());
        });
        if (c.written == nullptr) {
            EXPECT_FALSE(std::filesystem::exists(out));
        } else {
            std::ifstream in(out, std::ios::binary);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), std::string(c.written, c.written_size));
        }
        EXPECT_EQ(config_text(), before);
    }
}

// ---------------------------------------------------------------- About

TEST_F(DialogTest, AboutBoxIsModalAndClosesWithReturnOrEscape) {
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        SCOPED_TRACE(key);
        bool seen = false;
        answer_next_modal([&](QWidget* box) {
            seen = true;
            EXPECT_EQ(box->windowTitle(), QStringLiteral("About trivo"));
            EXPECT_TRUE(qobject_cast<QMessageBox*>(box)->text().contains(QStringLiteral("APF Imagination Machine")));
            QTest::keyClick(box, key);
            EXPECT_FALSE(box->isVisible());
        });
        window->runCommand(command_about);
        EXPECT_TRUE(seen);
        EXPECT_EQ(config_text(), config_fixture);  // the box writes nothing
    }
}

}  // namespace
}  // namespace trivo::test
