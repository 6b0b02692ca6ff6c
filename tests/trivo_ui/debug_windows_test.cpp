// The debugger's tool windows on a running machine: what they show, what
// their fields and buttons do to the machine, and how many can be open.
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QRadioButton>
#include <fstream>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <string>
#include <vector>

#include "debugger/debugger.h"
#include "debugger/ui/debug_windows.h"
#include "debugger/ui/row_view.h"
#include "machine/bus.h"
#include "machine/commands.h"
#include "window_fixture.h"

namespace trivo::test {
namespace {

using ui::DebugWindows;
namespace colour = ui::debug_colour;

// A RAM byte in the keyboard unit's 8K, where the test programs go.
constexpr uint16_t program = 0xA100;

class DebugWindowTest : public WindowTest {
protected:
    // The machine running our system ROM, then stopped by Break.
    void start_stopped(const std::function<void(Settings&)>& adjust = {}) {
        start_window(adjust);
        next_frame();
        window->runCommand(command_break);
        ASSERT_TRUE(wait_for([&] { return machine->scheduler.frames_run > 0 && stopped_frame(); }));
    }
    bool stopped_frame() {
        // The stop has been shown once the instruction under way has ended.
        const uint32_t clock = machine->machine_clock;
        QTest::qWait(30);
        return machine->machine_clock == clock;
    }
    DebugWindows& windows() { return window->debugWindows(); }
    // Writes bytes into memory and points the processor at them, interrupts masked.
    void load_program(const std::vector<uint8_t>& bytes) {
        for (size_t i = 0; i < bytes.size(); ++i) machine->memory_image[program + i] = bytes[i];
        RegisterFields f;
        f.pc = "$a100";
        f.cc = "I";
        debugger_write_registers(*machine, f);
        windows().refresh();
    }
    // Clicks a window's button by its caption.
    void click(QWidget* w, const char* caption) {
        for (QPushButton* b : w->findChildren<QPushButton*>()) {
            if (b->text() == QString::fromLatin1(caption)) {
                b->click();
                return;
            }
        }
        FAIL() << "no button " << caption;
    }
    // Clicks a command button and waits until the machine has stopped again.
    void command_and_wait(QWidget* w, const char* caption) {
        click(w, caption);
        ASSERT_TRUE(wait_for([&] { return machine->break_flags != 0; }));
        // The frame showing the stop has refreshed the windows.
        QTest::qWait(40);
    }
    // The colour drawn near the right end of a row of a list.
    QRgb row_pixel(ui::RowView* list, int row, int x = -1) {
        list->ensureVisible(row);
        const QImage image = list->viewport()->grab().toImage();
        const QRect r = list->rowRect(row);
        return image.pixel(x < 0 ? r.right() - 2 : x, r.top() + 1);
    }
};

TEST_F(DebugWindowTest, MemoryWindowEditsCommitThroughTheBus) {
    struct Case {
        const char* name;
        bool enhanced_writable_rom;
        uint16_t address;
        const char* typed;
        uint8_t expected;  // memory_image afterwards
    };
    const Case cases[] = {
        {"RAM byte", false, 0xA010, "5a", 0x5A},
        // PIA1's control register B: its bit 7 is the read-only interrupt
        // flag, so a real register write leaves it clear.
        {"PIA register", false, pia1_base + 3, "FF", 0x7F},
        {"ROM byte", false, 0xE010, "00", 0xFF},
        {"ROM byte, writable", true, 0xE010, "00", 0x00},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start_stopped([&](Settings& s) {
            s.enhancedflag = c.enhanced_writable_rom ? 1 : 0;
            s.writeROMflag = c.enhanced_writable_rom ? 1 : 0;
        });
        if (c.address == 0xE010) machine->memory_image[0xE010] = 0xFF;
        window->runCommand(command_memory_window);
        ASSERT_EQ(windows().memoryWindows().size(), 1u);
        ui::MemoryWindow* w = windows().memoryWindows()[0];
        ui::RowView* list = w->rows();
        const int row = c.address / 16;
        list->ensureVisible(row);
        const int cw = QFontMetrics(list->font()).horizontalAdvance(QLatin1Char('M'));
        const QPoint at(2 + (5 + 3 * (c.address % 16)) * cw + 1, list->rowRect(row).center().y());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        ASSERT_EQ(w->view().cursor, c.address);
        QTest::keyClicks(list, QString::fromLatin1(c.typed));
        // Typed, not yet written: shown in dark red, the cursor on the next byte.
        EXPECT_EQ(w->view().edit[c.address] & edit_changed, edit_changed);
        EXPECT_EQ(w->view().cursor, c.address + 1);
        const uint8_t before = machine->memory_image[c.address];
        w->view().copy[c.address] = w->view().copy[c.address];  // nothing else touches it
        EXPECT_EQ(machine->memory_image[c.address], before);

        const uint8_t speaker = machine->speaker_level;
        click(w, "Commit edits");
        EXPECT_EQ(machine->memory_image[c.address], c.expected);
        EXPECT_EQ(w->view().cursor, -1);
        EXPECT_EQ(w->view().edit[c.address], 0);
        if (c.address == pia1_base + 3) {
            EXPECT_EQ(machine->speaker_level, 1) << "was " << int(speaker);
        }
        window.reset();
    }
}

TEST_F(DebugWindowTest, MemoryRowsShowRamLightAndTheCursorDigitGreen) {
    start_stopped();
    window->runCommand(command_memory_window);
    ui::MemoryWindow* w = windows().memoryWindows()[0];
    EXPECT_EQ(row_pixel(w->rows(), 0xA000 / 16), colour::light_grey.rgb());
    EXPECT_EQ(row_pixel(w->rows(), 0xF800 / 16), colour::mid_grey.rgb());
    memory_view_place_cursor(w->view(), 0xA001);
    QTest::keyClick(w->rows(), Qt::Key_Right);  // to the low digit
    const int cw = QFontMetrics(w->rows()->font()).horizontalAdvance(QLatin1Char('M'));
    EXPECT_EQ(row_pixel(w->rows(), 0xA000 / 16, 2 + (5 + 3 + 1) * cw), colour::light_green.rgb());
    // Down moves by a row, keeping the digit.
    QTest::keyClick(w->rows(), Qt::Key_Down);
    EXPECT_EQ(w->view().cursor, 0xA011);
    EXPECT_EQ(w->view().edit[0xA011] & edit_cursor_low, edit_cursor_low);
}

TEST_F(DebugWindowTest, RegisterWindowWritesItsFieldsAndEveryWindowFollows) {
    start_stopped();
    window->runCommand(command_register_window);
    window->runCommand(command_breaks_window);
    ui::RegisterWindow* w = windows().registerWindow();
    ASSERT_NE(w, nullptr);
    struct Case {
        const char *a, *b, *x, *s, *pc, *cc;
        uint8_t ea, eb;
        uint16_t ex, es, epc;
        uint8_t ecc;
    };
    const Case cases[] = {
        {"$41", "7", "$1234", "$01f0", "$a100", "$d1", 0x41, 7, 0x1234, 0x01F0, 0xA100, 0xD1},
        // A field that does not parse keeps the register.
        {"zz", "$", "$12345", "-1", "x", "$c0", 0x41, 7, 0x1234, 0x01F0, 0xA100, 0xC0},
        // CC as letters, either case, on top of bits 7-6.
        {"0", "255", "0", "$1ff", "$a102", "hZc", 0, 0xFF, 0, 0x01FF, 0xA102, 0xE5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.a);
        ui::RegisterFieldsBox* f = w->fields();
        f->field("A")->setText(QString::fromLatin1(c.a));
        f->field("B")->setText(QString::fromLatin1(c.b));
        f->field("X")->setText(QString::fromLatin1(c.x));
        f->field("S")->setText(QString::fromLatin1(c.s));
        f->field("PC")->setText(QString::fromLatin1(c.pc));
        f->field("CC")->setText(QString::fromLatin1(c.cc));
        click(w, "Write");
        EXPECT_EQ(machine->cpu.a, c.ea);
        EXPECT_EQ(machine->cpu.b, c.eb);
        EXPECT_EQ(machine->cpu.x, c.ex);
        EXPECT_EQ(machine->cpu.s, c.es);
        EXPECT_EQ(machine->cpu.pc, c.epc);
        EXPECT_EQ(machine->cpu.cc, c.ecc);
    }
    // The fields show the registers again, and so does the Breaks window's
    // "Currently" group, refreshed by the write.
    ui::RegisterFieldsBox* f = w->fields();
    EXPECT_EQ(f->field("B")->text().toStdString(), "$ff");
    EXPECT_EQ(f->note("B").toStdString(), " = 255        ");
    EXPECT_EQ(f->field("D")->text().toStdString(), "$00ff");
    EXPECT_EQ(f->field("CC")->text().toStdString(), "H..Z.C");
    EXPECT_EQ(f->note("CC").toStdString(), "$e5=229");
    EXPECT_EQ(f->field("PC")->text().toStdString(), "$a102");
    EXPECT_EQ(f->note("PC").toStdString(), " = 41218      ");
    f->field("A")->setText(QStringLiteral("65"));
    click(w, "Write");
    EXPECT_EQ(f->note("A").toStdString(), " = 65 = 'A' ");
    EXPECT_EQ(windows().breaksWindow()->registers()->field("A")->text().toStdString(), "$41");
}

TEST_F(DebugWindowTest, RegisterFieldsFollowTheRunningMachineFrameByFrame) {
    start_window();
    window->runCommand(command_register_window);
    QLineEdit* pc = windows().registerWindow()->fields()->field("PC");
    // The system ROM's idle loop moves PC; the field follows what each frame left.
    ASSERT_TRUE(wait_for([&] {
        char expected[8];
        std::snprintf(expected, sizeof expected, "$%04x", machine->cpu.pc);
        return machine->scheduler.frames_run > 3 && pc->text().toStdString() == expected;
    }));
}

TEST_F(DebugWindowTest, HistoryShowsTheStepsAndCopiesThemToTheClipboard) {
    start_stopped();
    window->runCommand(command_register_window);
    load_program({0x86, 0x12, 0xC6, 0x34, 0x01});  // ldaa #$12; ldab #$34; nop
    for (int i = 0; i < 3; ++i) command_and_wait(windows().registerWindow(), "Step in");
    EXPECT_EQ(machine->cpu.pc, program + 5);
    window->runCommand(command_history_window);
    ui::HistoryWindow* h = windows().historyWindow();
    ASSERT_NE(h, nullptr);
    // The newest row is selected and in view; rows are oldest first.
    EXPECT_EQ(h->rows()->currentRow(), trace_records - 1);
    const std::string newest = h->rowText(trace_records - 1);
    const std::string before = h->rowText(trace_records - 2);
    const std::string first = h->rowText(trace_records - 3);
    EXPECT_EQ(newest.substr(0, 13), "     -2 a104 ") << newest;
    EXPECT_NE(newest.find("pc=a105 d=1234"), std::string::npos) << newest;
    EXPECT_NE(before.find("ldab"), std::string::npos) << before;
    EXPECT_EQ(before.substr(0, 13), "     -4 a102 ") << before;
    EXPECT_NE(first.find("pc=a102 d=12"), std::string::npos) << first;
    EXPECT_NE(first.find("cc=.I...."), std::string::npos) << first;

    h->findChild<QPushButton*>()->click();
    const std::string clip = QGuiApplication::clipboard()->text().toStdString();
    ASSERT_GE(clip.size(), newest.size() + 2);
    EXPECT_EQ(clip.substr(clip.size() - newest.size() - 2), newest + "\r\n");
    EXPECT_NE(clip.find(before + "\r\n" + newest + "\r\n"), std::string::npos);
    EXPECT_EQ(clip.find("\r\n\r\n"), std::string::npos);  // no empty rows
}

TEST_F(DebugWindowTest, BreaksRunUntilStopsOnSeveralConditionsAtOnce) {
    start_stopped();
    window->runCommand(command_breaks_window);
    ui::BreaksWindow* b = windows().breaksWindow();
    ASSERT_NE(b, nullptr);
    // ldaa #$12; ldab #$34; nop; nop; bra *
    load_program({0x86, 0x12, 0xC6, 0x34, 0x01, 0x01, 0x20, 0xFE});
    // A and PC both fire after the first instruction, D never; a value
    // that does not parse counts as 0.
    b->check("A=")->setChecked(true);
    b->value("a")->setText(QStringLiteral("$12"));
    b->check("PC=")->setChecked(true);
    b->value("pc")->setText(QStringLiteral("41218"));  // $a102
    b->check("D=")->setChecked(true);
    b->value("d")->setText(QStringLiteral("nonsense"));
    command_and_wait(b, "Run until");
    EXPECT_EQ(machine->cpu.pc, program + 2);
    EXPECT_EQ(machine->break_flags, flag_pc | flag_a);
    EXPECT_EQ(machine->debugger.settings.d, 0);
    std::vector<std::string> reasons;
    for (int i = 0; i < b->reasons()->count(); ++i) reasons.push_back(b->reasons()->item(i)->text().toStdString());
    EXPECT_EQ(reasons, (std::vector<std::string>{"PC compare", "A compare"}));

    // A breakpoint added by its field, and CC given as letters: carry clear and
    // zero clear after ldab.
    b->addField()->setText(QStringLiteral("$a105"));
    click(b, "Add");
    ASSERT_EQ(b->breakpoints()->count(), 1);
    EXPECT_EQ(b->breakpoints()->item(0)->text().toStdString(), "$a105");
    b->check("A=")->setChecked(false);
    b->check("PC=")->setChecked(false);
    b->check("D=")->setChecked(false);
    b->check("Breakpoint")->setChecked(true);
    b->check("B=")->setChecked(true);
    b->value("b")->setText(QStringLiteral("$34"));
    command_and_wait(b, "Run until");
    EXPECT_EQ(machine->cpu.pc, program + 4);
    EXPECT_EQ(machine->break_flags, flag_b);
    b->check("B=")->setChecked(false);
    command_and_wait(b, "Run until");
    EXPECT_EQ(machine->cpu.pc, program + 5);
    EXPECT_EQ(machine->break_flags, flag_breakpoint);
    EXPECT_EQ(b->reasons()->item(0)->text().toStdString(), "Hit breakpoint");

    // Double-clicking the entry removes it.
    QListWidgetItem* item = b->breakpoints()->item(0);
    emit b->breakpoints()->itemDoubleClicked(item);
    EXPECT_EQ(machine->debugger.breakpoint_count, 0);
    EXPECT_EQ(b->breakpoints()->count(), 0);

    // Reopened, the window shows the saved conditions and values.
    window->runCommand(command_breaks_window);
    QApplication::processEvents();
    window->runCommand(command_breaks_window);
    b = windows().breaksWindow();
    EXPECT_TRUE(b->check("Breakpoint")->isChecked());
    EXPECT_FALSE(b->check("A=")->isChecked());
    EXPECT_EQ(b->value("a")->text().toStdString(), "$12");
    EXPECT_EQ(b->value("pc")->text().toStdString(), "$a102");
    EXPECT_EQ(b->value("read_low")->text().toStdString(), "");
}

// A listing of the test program: line numbers, then the address in columns 7-10.
constexpr const char* program_listing =
    "    1                  * test program\n"
    "    2  a100 86 12      start ldaa #$12\n"
    "    3  a102 c6 34            ldab #$34\n"
    "    4                  * a comment between\n"
    "    5  a104 01                nop\n"
    "    6  a105 01         there  nop\n"
    "    7  a106 20 fe             bra *\n";

TEST_F(DebugWindowTest, LstWindowColoursRunsToTheCursorAndTogglesBreakpoints) {
    start_stopped();
    load_program({0x86, 0x12, 0xC6, 0x34, 0x01, 0x01, 0x20, 0xFE});
    ASSERT_EQ(lst_load_text(machine->debugger.lst, "prog.lst", program_listing), LstLoad::loaded);
    windows().setSystemListing("");
    window->runCommand(command_lst_window);
    ui::LstWindow* w = windows().lstWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->files()->count(), 1);
    EXPECT_EQ(w->files()->item(0)->text().toStdString(), "prog.lst");

    // The processor's line yellow, a breakpoint's line pink, the cursor's
    // line light cyan (a comment line selects the next line with an address).
    debugger_add_breakpoint(*machine, 0xA102);
    w->selectLine(3);
    EXPECT_EQ(machine->debugger.lst_cursor, 0xA104);
    windows().refresh();
    const QColor expected[] = {colour::light_grey, colour::yellow, colour::pink, colour::light_grey,
                               colour::light_cyan, colour::light_grey, colour::light_grey};
    for (int line = 0; line < 7; ++line) {
        SCOPED_TRACE(line);
        EXPECT_EQ(w->lineColour(line), expected[line]);
        EXPECT_EQ(row_pixel(w->lines(), line), expected[line].rgb());
    }

    // Run To Cursor: the processor stops at the cursor's line, which turns
    // yellow; the breakpoint on the way does not stop it (not enabled).
    command_and_wait(w, "Run To Cursor");
    EXPECT_EQ(machine->cpu.pc, 0xA104);
    EXPECT_EQ(machine->break_flags, flag_lst_cursor);
    EXPECT_EQ(w->lineColour(4), colour::yellow);
    EXPECT_EQ(machine->debugger.lst.selected_line, 4);

    // Double-clicking a line toggles its breakpoint.
    w->lines()->ensureVisible(0);
    QTest::mouseDClick(w->lines()->viewport(), Qt::LeftButton, {}, w->lines()->rowRect(5).center());
    EXPECT_TRUE(debugger_has_breakpoint(*machine, 0xA105));
    EXPECT_EQ(w->lineColour(5), colour::pink);
    QTest::mouseDClick(w->lines()->viewport(), Qt::LeftButton, {}, w->lines()->rowRect(5).center());
    EXPECT_FALSE(debugger_has_breakpoint(*machine, 0xA105));

    // Keyboard: Down selects the next line and moves the cursor with it.
    w->lines()->setCurrentRow(1);
    QTest::keyClick(w->lines(), Qt::Key_Down);
    EXPECT_EQ(machine->debugger.lst_cursor, 0xA102);
}

TEST_F(DebugWindowTest, LstWindowOffersOurSystemRomListingAndFollowsPcIntoIt) {
    start_stopped();
    windows().setSystemListing(SYSTEM_ROM_LST);
    window->runCommand(command_lst_window);
    ui::LstWindow* w = windows().lstWindow();
    ASSERT_EQ(w->files()->count(), 1);
    EXPECT_EQ(w->files()->item(0)->text().toStdString(), "system_rom.lst");
    // Stopped inside the ROM: the window shows the processor's line.
    ASSERT_GE(machine->cpu.pc, 0xF800);
    const LstStore& store = machine->debugger.lst;
    ASSERT_EQ(store.current, 0);
    ASSERT_GE(store.selected_line, 0);
    EXPECT_EQ(store.files[0].line_address[static_cast<size_t>(store.selected_line)], machine->cpu.pc);
    EXPECT_EQ(w->lineColour(store.selected_line), colour::yellow);

    // Step in moves the yellow line along the listing.
    const int32_t line = store.selected_line;
    command_and_wait(w, "Step in");
    EXPECT_EQ(store.files[0].line_address[static_cast<size_t>(store.selected_line)], machine->cpu.pc);
    EXPECT_EQ(w->lineColour(store.selected_line), colour::yellow);
    if (store.selected_line != line) {
        EXPECT_NE(w->lineColour(line), colour::yellow);
    }
}

TEST_F(DebugWindowTest, LoadLstFileAsksFromTheRememberedPathAndUnloadsByDoubleClick) {
    start_stopped();
    const std::string path = scratch.file("prog.lst");
    {
        std::ofstream out(path);
        out << program_listing;
    }
    windows().setSystemListing("");
    window->runCommand(command_lst_window);
    ui::LstWindow* w = windows().lstWindow();
    answer_next_modal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->selectFile(QString::fromStdString(path));
        static_cast<QDialog*>(dialog)->accept();
    });
    click(w, "Load LST file");
    ASSERT_EQ(w->files()->count(), 1);
    EXPECT_EQ(machine->settings.lst1, path);
    emit w->files()->itemDoubleClicked(w->files()->item(0));
    EXPECT_EQ(w->files()->count(), 0);
    EXPECT_TRUE(machine->debugger.lst.files.empty());
}

TEST_F(DebugWindowTest, DisassemblyRowsStepThroughTheProgram) {
    start_stopped();
    load_program({0x86, 0x12, 0xBD, 0xA1, 0x10, 0x01});  // ldaa #$12; jsr $a110; nop
    window->runCommand(command_disassembly_window);
    ui::DisassemblyWindow* w = windows().disassemblyWindow();
    std::vector<std::string> rows = w->rowTexts();
    ASSERT_EQ(rows.size(), 25u);
    EXPECT_EQ(rows[0].substr(0, 17), "a100 86 12     ld") << rows[0];
    EXPECT_EQ(rows[1].substr(0, 17), "a102 bd a1 10  js") << rows[1];
    EXPECT_EQ(rows[2].substr(0, 17), "a105 01        no") << rows[2];
    // "Dump" from a typed address.
    w->addressField()->setText(QStringLiteral("$a102"));
    click(w, "Dump");
    EXPECT_EQ(w->rowTexts()[0].substr(0, 4), "a102");
    // Step over runs the whole call (the subroutine is a bare rts).
    machine->memory_image[0xA110] = 0x39;
    w->pcOption()->setChecked(true);
    command_and_wait(w, "Step in");
    command_and_wait(w, "Step over");
    EXPECT_EQ(machine->cpu.pc, 0xA105);
    EXPECT_EQ(w->rowTexts()[0].substr(0, 4), "a105");
}

TEST_F(DebugWindowTest, MapRowsInEveryFormat) {
    start_stopped();
    for (int i = 0; i < 64; ++i) machine->memory_image[0xA000 + i] = static_cast<uint8_t>(0x41 + i * 37);
    window->runCommand(command_map_window);
    ui::MapWindow* w = windows().mapWindows()[0];
    w->resize(900, 400);
    QApplication::processEvents();
    w->field(0)->setText(QStringLiteral("$a000"));
    w->field(1)->setText(QStringLiteral("6"));
    w->field(2)->setText(QStringLiteral("1"));
    w->field(3)->setText(QStringLiteral("2"));
    const int text_height = QFontMetrics(w->rows()->font()).height();
    for (int f = 0; f < 8; ++f) {
        const auto format = static_cast<MapFormat>(f);
        SCOPED_TRACE(f);
        w->format()->setCurrentIndex(f);  // choosing a format fetches
        w->fetch();
        EXPECT_EQ(w->settings().width, 6);
        EXPECT_EQ(map_row_address(w->settings(), 1), 0xA007);
        w->rows()->ensureVisible(0);
        const QImage image = w->rows()->viewport()->grab().toImage();
        const int row = 1;
        const QRect r = w->rows()->rowRect(row);
        if (format == MapFormat::hex || format == MapFormat::ascii) {
            EXPECT_EQ(r.height(), text_height);
            // Cells alternate by address: A007 odd (darker), A008 even.
            EXPECT_EQ(image.pixel(w->cellLeft(0) + w->cellWidth() - 1, r.top()), colour::odd_cell.rgb());
            EXPECT_EQ(image.pixel(w->cellLeft(1) + w->cellWidth() - 1, r.top()), colour::light_grey.rgb());
            // Six bytes a row and no more.
            EXPECT_EQ(image.pixel(w->cellLeft(6) + 1, r.top()), colour::light_grey.rgb());
            EXPECT_EQ(image.pixel(w->cellLeft(5) + w->cellWidth() - 1, r.top()), colour::light_grey.rgb());
            continue;
        }
        const int lines = map_lines_per_row(format);
        EXPECT_EQ(r.height(), lines * 2);
        // Every pixel of every line of the row's bytes, two dots each way.
        uint32_t pixels[8];
        for (int line = 0; line < lines; ++line) {
            for (int i = 0; i < 6; ++i) {
                const uint8_t byte = machine->memory_image[0xA007 + i];
                const int n = map_byte_pixels(*machine, format, byte, line, pixels);
                for (int k = 0; k < n; ++k) {
                    const int x = w->cellLeft(i) + k * 2 + 1;
                    const int y = r.top() + line * 2 + 1;
                    ASSERT_EQ(image.pixel(x, y) & 0xFFFFFF, pixels[k]) << "byte " << i << " pixel " << k
                                                                        << " line " << line;
                }
            }
        }
    }
}

TEST_F(DebugWindowTest, FourMemoryAndMapWindowsAtMostAndNoneInFullScreen) {
    start_window();
    for (const int command : {command_memory_window, command_map_window}) {
        SCOPED_TRACE(command);
        for (int i = 0; i < 5; ++i) window->runCommand(command);
        const size_t open = command == command_memory_window ? windows().memoryWindows().size()
                                                             : windows().mapWindows().size();
        EXPECT_EQ(open, 4u);
    }
    EXPECT_EQ(windows().openCount(), 8);
    // Closing one makes room for another.
    windows().memoryWindows()[1]->close();
    EXPECT_EQ(windows().memoryWindows().size(), 3u);
    window->runCommand(command_memory_window);
    EXPECT_EQ(windows().memoryWindows().size(), 4u);

    // The single windows toggle.
    window->runCommand(command_register_window);
    EXPECT_NE(windows().registerWindow(), nullptr);
    EXPECT_EQ(windows().openCount(), 9);
    window->runCommand(command_register_window);
    EXPECT_EQ(windows().openCount(), 8);

    // Full screen is refused beside them.
    window->runCommand(command_full_screen);
    EXPECT_FALSE(window->display().full_screen);
    for (ui::MemoryWindow* w : windows().memoryWindows()) w->close();
    for (ui::MapWindow* w : windows().mapWindows()) w->close();
    EXPECT_EQ(windows().openCount(), 0);
    window->runCommand(command_full_screen);
    ASSERT_TRUE(window->display().full_screen);
    // And in full screen no debugger window opens.
    for (const int command : {command_register_window, command_memory_window, command_history_window,
                              command_disassembly_window, command_breaks_window, command_lst_window,
                              command_map_window}) {
        window->runCommand(command);
    }
    EXPECT_EQ(windows().openCount(), 0);
    window->runCommand(command_full_screen);
}

}  // namespace
}  // namespace trivo::test
