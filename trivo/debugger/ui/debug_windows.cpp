#include "debugger/ui/debug_windows.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "cassette/binary_utils.h"
#include "debugger/lst_store.h"
#include "debugger/ui/row_view.h"
#include "machine/bus.h"
#include "machine/commands.h"
#include "machine/machine.h"

namespace trivo::ui {

namespace {

QString text_of(const char* format, int value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return QString::fromLatin1(text);
}

// Sets a field's text only when it changes: a refresh per frame must not
// move the caret of a field the user is looking at, nor cost a relayout.
void set_text(QLineEdit* edit, const QString& text) {
    if (edit->text() != text) edit->setText(text);
}
void set_text(QLabel* label, const QString& text) {
    if (label->text() != text) label->setText(text);
}

bool stopped(const Machine& m) { return m.break_flags != 0; }

int text_height(const QFont& font) { return QFontMetrics(font).height(); }
int char_width(const QFont& font) { return QFontMetrics(font).horizontalAdvance(QLatin1Char('M')); }

// Room left of the first character of a row.
constexpr int row_margin = 2;

}  // namespace

// ---------------------------------------------------------------- base

DebugWindow::DebugWindow(DebugWindows& owner, const char* title)
    : QWidget(owner.parent(), Qt::Tool), m_owner(owner) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromLatin1(title));
    setFont(DebugWindows::fixedFont());
}

Machine& DebugWindow::machine() const { return m_owner.machine(); }

QPushButton* DebugWindow::button(const char* text, std::function<void()> action) {
    auto* b = new QPushButton(QString::fromLatin1(text), this);
    b->setAutoDefault(false);
    QObject::connect(b, &QPushButton::clicked, this, [action = std::move(action)] { action(); });
    return b;
}

QPushButton* DebugWindow::commandButton(const char* text, void (*command)(Machine&)) {
    return button(text, [this, command] {
        command(machine());
        m_owner.commandDone();
    });
}

// ---------------------------------------------------------------- registers

namespace {

constexpr const char* register_names[] = {"A", "B", "D", "X", "CC", "S", "PC"};

}  // namespace

RegisterFieldsBox::RegisterFieldsBox(QWidget* parent) : QWidget(parent) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    int row = 0;
    for (const char* name : register_names) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setMaxLength(15);
        edit->setFixedWidth(char_width(font()) * 8 + 8);
        // D is A and B together: it follows them and is not written itself.
        if (std::strcmp(name, "D") == 0) edit->setReadOnly(true);
        auto* note = new QLabel(this);
        grid->addWidget(new QLabel(QString::fromLatin1(name), this), row, 0);
        grid->addWidget(edit, row, 1);
        grid->addWidget(note, row, 2);
        m_rows.push_back({name, edit, note});
        ++row;
    }
}

QLineEdit* RegisterFieldsBox::field(const char* name) const {
    for (const Row& r : m_rows) {
        if (std::strcmp(r.name, name) == 0) return r.edit;
    }
    return nullptr;
}

QString RegisterFieldsBox::note(const char* name) const {
    for (const Row& r : m_rows) {
        if (std::strcmp(r.name, name) == 0) return r.note->text();
    }
    return {};
}

void RegisterFieldsBox::show(const RegisterSnapshot& r) {
    auto byte_note = [](uint8_t v) {
        char text[32];
        if (v >= 32 && v <= 126) std::snprintf(text, sizeof text, " = %d = '%c' ", v, v);
        else std::snprintf(text, sizeof text, " = %d        ", v);
        return QString::fromLatin1(text);
    };
    for (const Row& row : m_rows) {
        const std::string name = row.name;
        if (name == "A" || name == "B") {
            const uint8_t v = name == "A" ? r.a : r.b;
            set_text(row.edit, text_of("$%02x", v));
            set_text(row.note, byte_note(v));
        } else if (name == "CC") {
            set_text(row.edit, QString::fromStdString(cc_letters(r.cc)));
            char text[16];
            std::snprintf(text, sizeof text, "$%02x=%d", r.cc, r.cc);
            set_text(row.note, QString::fromLatin1(text));
        } else {
            const uint16_t v = name == "D" ? r.d : name == "X" ? r.x : name == "S" ? r.s : r.pc;
            set_text(row.edit, text_of("$%04x", v));
            set_text(row.note, text_of(" = %d      ", v));
        }
    }
}

RegisterFields RegisterFieldsBox::fields() const {
    RegisterFields f;
    f.a = field("A")->text().toStdString();
    f.b = field("B")->text().toStdString();
    f.x = field("X")->text().toStdString();
    f.s = field("S")->text().toStdString();
    f.pc = field("PC")->text().toStdString();
    f.cc = field("CC")->text().toStdString();
    return f;
}

RegisterWindow::RegisterWindow(DebugWindows& owner) : DebugWindow(owner, "Register Display") {
    auto* layout = new QVBoxLayout(this);
    m_fields = new RegisterFieldsBox(this);
    layout->addWidget(m_fields);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(button("Write", [this] { write(); }));
    buttons->addWidget(commandButton("Step in", [](Machine& m) { debugger_step_in(m); }));
    buttons->addWidget(commandButton("Break", debugger_break));
    buttons->addWidget(commandButton("Run", debugger_run));
    layout->addLayout(buttons);
}

void RegisterWindow::refresh() { m_fields->show(machine().debugger.snapshot); }

void RegisterWindow::write() {
    debugger_write_registers(machine(), m_fields->fields());
    m_owner.afterRegisterWrite();
}

// ---------------------------------------------------------------- memory

namespace {

// Character columns of a memory row: "%04x:" then 16 cells of three.
constexpr int memory_first_cell = 5;
constexpr int memory_chars_column = memory_first_cell + 16 * 3 + 2;

}  // namespace

MemoryWindow::MemoryWindow(DebugWindows& owner) : DebugWindow(owner, "Memory Display") {
    auto* layout = new QVBoxLayout(this);
    m_list = new RowView(this);
    m_list->setFont(font());
    m_list->setRowHeight(text_height(font()));
    m_list->setRowCount(memory_rows);
    m_list->paint_row = [this](QPainter& p, const QRect& r, int row) { paintRow(p, r, row); };
    m_list->row_clicked = [this](int row, int x, bool double_click) {
        if (!double_click) return;
        int digit = 0;
        const int cell = cellAt(x, &digit);
        if (cell < 0) return;
        memory_view_place_cursor(m_view, static_cast<uint16_t>(row * 16 + cell));
        m_list->redraw();
    };
    m_list->key_pressed = [this](QKeyEvent* e) { return key(e); };
    m_list->setMinimumSize(char_width(font()) * (memory_chars_column + 16) + 24,
                           text_height(font()) * 16);
    layout->addWidget(m_list);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(button("Commit edits", [this] { commit(); }));
    buttons->addWidget(button("Cancel edits", [this] { cancel(); }));
    layout->addLayout(buttons);
    memory_view_reload(machine(), m_view);
}

int MemoryWindow::cellAt(int x, int* digit) const {
    const int cw = char_width(font());
    if (x < row_margin) return -1;
    const int column = (x - row_margin) / cw - memory_first_cell;
    if (column < 0 || column >= 16 * 3 || column % 3 == 2) return -1;
    if (digit != nullptr) *digit = column % 3;
    return column / 3;
}

void MemoryWindow::paintRow(QPainter& p, const QRect& r, int row) {
    Machine& m = machine();
    // Rows show what the memory holds as they are drawn.
    memory_view_reload_row(m, m_view, row);
    p.fillRect(r, memory_row_is_ram(m, row) ? debug_colour::light_grey : debug_colour::mid_grey);
    const int cw = char_width(font());
    const int baseline = r.top() + QFontMetrics(font()).ascent();
    const QString text = QString::fromStdString(memory_row_text(m_view, row));
    auto x_of = [&](int column) { return r.left() + row_margin + column * cw; };
    p.setPen(debug_colour::near_black);
    p.drawText(x_of(0), baseline, text.left(memory_first_cell));
    for (int i = 0; i < 16; ++i) {
        const auto a = static_cast<size_t>(row * 16 + i);
        const uint8_t flags = m_view.edit[a];
        const int column = memory_first_cell + i * 3;
        if (flags & edit_cursor_high) p.fillRect(x_of(column), r.top(), cw, r.height(), debug_colour::light_green);
        if (flags & edit_cursor_low) p.fillRect(x_of(column + 1), r.top(), cw, r.height(), debug_colour::light_green);
        p.setPen((flags & edit_changed) ? debug_colour::dark_red : debug_colour::near_black);
        p.drawText(x_of(column), baseline, text.mid(column, 2));
    }
    p.setPen(debug_colour::near_black);
    p.drawText(x_of(memory_chars_column), baseline, text.mid(memory_chars_column));
}

bool MemoryWindow::key(QKeyEvent* e) {
    if (m_view.cursor < 0) return false;
    switch (e->key()) {
        case Qt::Key_Left: memory_view_move(m_view, CursorMove::left); break;
        case Qt::Key_Right: memory_view_move(m_view, CursorMove::right); break;
        case Qt::Key_Up: memory_view_move(m_view, CursorMove::up); break;
        case Qt::Key_Down: memory_view_move(m_view, CursorMove::down); break;
        default: {
            const QString t = e->text();
            if (t.size() != 1 || !memory_view_type(m_view, t[0].toLatin1())) return false;
            break;
        }
    }
    m_list->ensureVisible(m_view.cursor / 16);
    m_list->redraw();
    return true;
}

void MemoryWindow::commit() {
    memory_view_commit(machine(), m_view);
    m_list->redraw();
}

void MemoryWindow::cancel() {
    memory_view_cancel(machine(), m_view);
    m_list->redraw();
}

void MemoryWindow::refresh() {
    Machine& m = machine();
    if (stopped(m)) {
        memory_view_reload(m, m_view);
        m_list->redraw();
        return;
    }
    // Running: the rows on screen are re-read; they are drawn again only
    // when a byte of theirs changed.
    io_snapshot(m);
    const int first = m_list->firstVisibleRow();
    const int last = std::min(memory_rows - 1, first + m_list->viewport()->height() / m_list->rowHeight());
    bool changed = false;
    for (int row = first; row <= last && !changed; ++row) {
        for (int i = 0; i < 16; ++i) {
            const auto a = static_cast<uint16_t>(row * 16 + i);
            if ((m_view.edit[a] & edit_changed) == 0 && m_view.copy[a] != bus_peek(m, a)) {
                changed = true;
                break;
            }
        }
    }
    if (changed) m_list->redraw();
}

// ---------------------------------------------------------------- history

HistoryWindow::HistoryWindow(DebugWindows& owner) : DebugWindow(owner, "History Display") {
    auto* layout = new QVBoxLayout(this);
    m_list = new RowView(this);
    m_list->setFont(font());
    m_list->setRowHeight(text_height(font()));
    m_list->setRowCount(trace_records);
    m_list->setMinimumSize(char_width(font()) * 90, text_height(font()) * 20);
    m_list->paint_row = [this](QPainter& p, const QRect& r, int row) {
        const bool selected = row == m_list->currentRow();
        p.fillRect(r, selected ? debug_colour::mid_grey : debug_colour::light_grey);
        p.setPen(debug_colour::near_black);
        p.drawText(r.left() + row_margin, r.top() + QFontMetrics(font()).ascent(),
                   QString::fromStdString(rowText(row)));
    };
    layout->addWidget(m_list);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(button("To Clipboard", [this] { toClipboard(); }));
    buttons->addStretch();
    layout->addLayout(buttons);
    m_offsets = history_cycle_offsets(machine().trace_ring);
    // The newest row, selected and in view.
    m_list->setCurrentRow(trace_records - 1);
    m_list->ensureVisible(trace_records - 1);
}

std::string HistoryWindow::rowText(int row) const {
    if (row < 0 || row >= trace_records) return {};
    return history_line(machine().trace_ring, row, m_offsets[static_cast<size_t>(row)]);
}

void HistoryWindow::toClipboard() {
    QGuiApplication::clipboard()->setText(
        QString::fromStdString(history_clipboard_text(machine().trace_ring)));
}

void HistoryWindow::refresh() {
    m_offsets = history_cycle_offsets(machine().trace_ring);
    m_list->redraw();
}

// ---------------------------------------------------------------- disassembly

DisassemblyWindow::DisassemblyWindow(DebugWindows& owner) : DebugWindow(owner, "Disassembly Display") {
    auto* layout = new QVBoxLayout(this);
    auto* start = new QHBoxLayout;
    m_fromPc = new QRadioButton(QStringLiteral("PC"), this);
    m_fromAddress = new QRadioButton(this);
    m_address = new QLineEdit(this);
    m_address->setMaxLength(15);
    m_fromPc->setChecked(true);
    start->addWidget(m_fromPc);
    start->addWidget(m_fromAddress);
    start->addWidget(m_address);
    start->addWidget(button("Dump", [this] { dump(); }));
    layout->addLayout(start);
    QObject::connect(m_fromPc, &QRadioButton::toggled, this, [this] { refresh(); });

    m_list = new RowView(this);
    m_list->setFont(font());
    m_list->setRowHeight(text_height(font()));
    m_list->setRowCount(row_count);
    m_list->setMinimumSize(char_width(font()) * 36, text_height(font()) * row_count + 4);
    m_list->paint_row = [this](QPainter& p, const QRect& r, int row) {
        const Machine& m = machine();
        const bool here = row < static_cast<int>(m_rowAddress.size());
        const uint16_t address = here ? m_rowAddress[static_cast<size_t>(row)] : 0;
        QColor background = debug_colour::light_grey;
        if (here && debugger_has_breakpoint(m, address)) background = debug_colour::pink;
        p.fillRect(r, background);
        if (!here) return;
        p.setPen(debug_colour::near_black);
        p.drawText(r.left() + row_margin, r.top() + QFontMetrics(font()).ascent(),
                   QString::fromStdString(disassembly_row(m, address, nullptr)));
    };
    m_list->row_clicked = [this](int row, int, bool double_click) {
        if (!double_click || row >= static_cast<int>(m_rowAddress.size())) return;
        debugger_toggle_breakpoint(machine(), m_rowAddress[static_cast<size_t>(row)]);
        m_owner.refresh();
    };
    layout->addWidget(m_list);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(commandButton("Step in", [](Machine& m) { debugger_step_in(m); }));
    buttons->addWidget(commandButton("Step over", debugger_step_over));
    buttons->addWidget(commandButton("Step Out", debugger_step_out));
    buttons->addWidget(commandButton("Break", debugger_break));
    buttons->addWidget(commandButton("Run", debugger_run));
    layout->addLayout(buttons);
}

uint16_t DisassemblyWindow::startAddress() const {
    return m_fromPc->isChecked() ? machine().debugger.snapshot.pc : m_typed;
}

void DisassemblyWindow::dump() {
    const ParsedNumber n = parse_number(m_address->text().toStdString());
    if (n.value >= 0) m_typed = static_cast<uint16_t>(n.value);
    m_fromAddress->setChecked(true);
    refresh();
}

std::vector<std::string> DisassemblyWindow::rowTexts() const {
    std::vector<std::string> rows;
    for (const uint16_t a : m_rowAddress) rows.push_back(disassembly_row(machine(), a, nullptr));
    return rows;
}

void DisassemblyWindow::refresh() {
    Machine& m = machine();
    io_snapshot(m);
    std::vector<uint16_t> addresses;
    uint16_t address = startAddress();
    for (int row = 0; row < row_count; ++row) {
        addresses.push_back(address);
        int length = 1;
        disassembly_row(m, address, &length);
        address = static_cast<uint16_t>(address + std::max(1, length));
    }
    // Running, the rows change only when the start does; stopped, the
    // memory under them may have been edited.
    if (addresses == m_rowAddress && !stopped(m)) return;
    m_rowAddress = std::move(addresses);
    m_list->redraw();
}

// ---------------------------------------------------------------- breaks

namespace {

struct BreakCheck {
    const char* caption;
    uint32_t bit;
    // Value fields after the check box, with the captions between them.
    const char* first;
    const char* between;
    const char* second;
};

constexpr BreakCheck break_checks[] = {
    {"Breakpoint", flag_breakpoint, nullptr, nullptr, nullptr},
    {"Single step", flag_step_in, nullptr, nullptr, nullptr},
    {"IRQ pending", flag_interrupt, nullptr, nullptr, nullptr},
    {"?? mem read", flag_questionable_read, nullptr, nullptr, nullptr},
    {"?? mem write", flag_questionable_write, nullptr, nullptr, nullptr},
    {"Illegal opcode", flag_illegal, nullptr, nullptr, nullptr},
    {"PC=", flag_pc, "pc", nullptr, nullptr},
    {"X=", flag_x, "x", nullptr, nullptr},
    {"A=", flag_a, "a", nullptr, nullptr},
    {"B=", flag_b, "b", nullptr, nullptr},
    {"D=", flag_d, "d", nullptr, nullptr},
    {"S=", flag_s, "s", nullptr, nullptr},
    {"CC and", flag_cc, "cc_mask", "=", "cc_value"},
    {"Memory at", flag_memory, "memory_address", "becomes", "memory_value"},
    {"Read in range", flag_read_watch, "read_low", "-", "read_high"},
    {"Write in range", flag_write_watch, "write_low", "-", "write_high"},
};

QString saved_value(const BreakSettings& v, const std::string& name) {
    if (name == "pc") return text_of("$%04x", v.pc);
    if (name == "x") return text_of("$%04x", v.x);
    if (name == "d") return text_of("$%04x", v.d);
    if (name == "s") return text_of("$%04x", v.s);
    if (name == "a") return text_of("$%02x", v.a);
    if (name == "b") return text_of("$%02x", v.b);
    if (name == "cc_mask") return QString::fromStdString(cc_letters(v.cc_mask));
    if (name == "cc_value") return QString::fromStdString(cc_letters(v.cc_value));
    if (name == "memory_address") return text_of("$%04x", v.memory_address);
    if (name == "memory_value") return text_of("$%02x", v.memory_value);
    return {};  // the ranges open empty
}

}  // namespace

BreaksWindow::BreaksWindow(DebugWindows& owner) : DebugWindow(owner, "Breaks") {
    auto* layout = new QHBoxLayout(this);
    auto* conditions = new QGridLayout;
    const BreakSettings& v = machine().debugger.settings;
    int row = 0;
    for (const BreakCheck& c : break_checks) {
        auto* box = new QCheckBox(QString::fromLatin1(c.caption), this);
        box->setChecked((v.enabled & c.bit) != 0);
        conditions->addWidget(box, row, 0);
        m_checks.push_back({c.caption, c.bit, box});
        int column = 1;
        for (const char* name : {c.first, c.second}) {
            if (name == nullptr) continue;
            if (column == 2) {
                conditions->addWidget(new QLabel(QString::fromLatin1(c.between), this), row, column++);
            }
            auto* edit = new QLineEdit(saved_value(v, name), this);
            edit->setMaxLength(15);
            edit->setFixedWidth(char_width(font()) * 8 + 8);
            conditions->addWidget(edit, row, column == 1 ? 1 : 3);
            m_values.emplace_back(name, edit);
            column = 2;
        }
        ++row;
    }
    conditions->addWidget(button("Run until", [this] { runUntil(); }), row, 0);
    layout->addLayout(conditions);

    auto* right = new QVBoxLayout;
    auto* current = new QGroupBox(QStringLiteral("Currently"), this);
    auto* current_layout = new QVBoxLayout(current);
    m_registers = new RegisterFieldsBox(current);
    current_layout->addWidget(m_registers);
    current_layout->addWidget(button("Write regs", [this] {
        debugger_write_registers(machine(), m_registers->fields());
        m_owner.afterRegisterWrite();
    }));
    right->addWidget(current);
    m_reasons = new QListWidget(this);
    m_reasons->setMinimumHeight(text_height(font()) * 5);
    right->addWidget(m_reasons);
    auto* add_row = new QHBoxLayout;
    m_add = new QLineEdit(this);
    m_add->setMaxLength(15);
    add_row->addWidget(m_add);
    add_row->addWidget(button("Add", [this] { addBreakpoint(); }));
    right->addLayout(add_row);
    m_breakpoints = new QListWidget(this);
    QObject::connect(m_breakpoints, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        const ParsedNumber n = parse_number(item->text().toStdString());
        if (n.value >= 0) debugger_remove_breakpoint(machine(), static_cast<uint16_t>(n.value));
        m_owner.refresh();
    });
    right->addWidget(m_breakpoints);
    layout->addLayout(right);
}

QCheckBox* BreaksWindow::check(const char* caption) const {
    for (const Check& c : m_checks) {
        if (std::strcmp(c.caption, caption) == 0) return c.box;
    }
    return nullptr;
}

QLineEdit* BreaksWindow::value(const char* name) const {
    for (const auto& [n, edit] : m_values) {
        if (std::strcmp(n, name) == 0) return edit;
    }
    return nullptr;
}

void BreaksWindow::runUntil() {
    BreakFields f;
    for (const Check& c : m_checks) {
        if (c.box->isChecked()) f.enabled |= c.bit;
    }
    auto get = [this](const char* name) { return value(name)->text().toStdString(); };
    f.pc = get("pc");
    f.x = get("x");
    f.a = get("a");
    f.b = get("b");
    f.d = get("d");
    f.s = get("s");
    f.cc_mask = get("cc_mask");
    f.cc_value = get("cc_value");
    f.memory_address = get("memory_address");
    f.memory_value = get("memory_value");
    f.read_low = get("read_low");
    f.read_high = get("read_high");
    f.write_low = get("write_low");
    f.write_high = get("write_high");
    debugger_apply_break_fields(machine(), f);
    m_owner.commandDone();
}

void BreaksWindow::addBreakpoint() {
    const ParsedNumber n = parse_number(m_add->text().toStdString());
    if (n.value < 0) return;
    debugger_add_breakpoint(machine(), static_cast<uint16_t>(n.value));
    m_owner.refresh();
}

void BreaksWindow::showBreakpoints() {
    const DebuggerState& g = machine().debugger;
    m_breakpoints->clear();
    for (int i = 0; i < g.breakpoint_count; ++i) {
        m_breakpoints->addItem(text_of("$%04x", g.breakpoints[static_cast<size_t>(i)]));
    }
}

void BreaksWindow::refresh() {
    const Machine& m = machine();
    m_registers->show(m.debugger.snapshot);
    QStringList reasons;
    for (const std::string& line : debugger_reason_lines(m)) reasons << QString::fromStdString(line);
    QStringList shown;
    for (int i = 0; i < m_reasons->count(); ++i) shown << m_reasons->item(i)->text();
    if (shown != reasons) {
        m_reasons->clear();
        m_reasons->addItems(reasons);
    }
    if (m_shownGeneration != m.debugger.view_generation) {
        m_shownGeneration = m.debugger.view_generation;
        showBreakpoints();
    }
}

// ---------------------------------------------------------------- LST

LstWindow::LstWindow(DebugWindows& owner) : DebugWindow(owner, "LST File Display") {
    auto* layout = new QVBoxLayout(this);
    m_lines = new RowView(this);
    m_lines->setFont(font());
    m_lines->setRowHeight(text_height(font()));
    m_lines->setMinimumSize(char_width(font()) * 80, text_height(font()) * 24);
    m_lines->paint_row = [this](QPainter& p, const QRect& r, int line) {
        const LstStore& store = machine().debugger.lst;
        p.fillRect(r, lineColour(line));
        if (store.current < 0) return;
        const LstFile& file = store.files[static_cast<size_t>(store.current)];
        if (line >= static_cast<int>(file.lines.size())) return;
        p.setPen(debug_colour::near_black);
        p.drawText(r.left() + row_margin, r.top() + QFontMetrics(font()).ascent(),
                   QString::fromLatin1(file.lines[static_cast<size_t>(line)]));
        if (line == store.selected_line) p.drawRect(r.adjusted(0, 0, -1, -1));
    };
    m_lines->row_clicked = [this](int line, int, bool double_click) {
        if (double_click) toggleBreakpointAt(line);
        else selectLine(line);
    };
    layout->addWidget(m_lines, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(commandButton("Step in", [](Machine& m) { debugger_step_in(m); }));
    buttons->addWidget(commandButton("Step over", debugger_step_over));
    buttons->addWidget(commandButton("Step Out", debugger_step_out));
    buttons->addWidget(commandButton("Step Next", debugger_step_next));
    buttons->addWidget(commandButton("Break", debugger_break));
    buttons->addWidget(commandButton("Run", debugger_run));
    buttons->addWidget(commandButton("Run To Cursor", debugger_run_to_cursor));
    layout->addLayout(buttons);

    auto* bottom = new QHBoxLayout;
    m_files = new QListWidget(this);
    m_files->setMaximumHeight(text_height(font()) * 5);
    bottom->addWidget(m_files, 1);
    bottom->addWidget(button("Load LST file", [this] { m_owner.runCommand(command_load_lst); }));
    layout->addLayout(bottom);
    // The file list acts only while the processor is stopped: a running
    // machine's window follows its PC from file to file.
    QObject::connect(m_files, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        Machine& m = machine();
        const int index = m_files->row(item);
        if (stopped(m) && index >= 0) {
            m.debugger.lst.current = index;
            m.debugger.lst.selected_line = -1;
        }
        m_shownFile = -2;
        refresh();
    });
    QObject::connect(m_files, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        Machine& m = machine();
        const int index = m_files->row(item);
        if (stopped(m) && index >= 0) debugger_unload_lst(m, index);
        refresh();
    });
}

QColor LstWindow::lineColour(int line) const {
    const Machine& m = machine();
    const LstStore& store = m.debugger.lst;
    if (store.current < 0) return debug_colour::light_grey;
    const LstFile& file = store.files[static_cast<size_t>(store.current)];
    if (line < 0 || line >= static_cast<int>(file.line_address.size())) return debug_colour::light_grey;
    const int32_t address = file.line_address[static_cast<size_t>(line)];
    const auto line_of = [&](int32_t a) {
        return a >= 0 && a <= 0xFFFF && !file.address_line.empty() ? file.address_line[static_cast<size_t>(a)]
                                                                     : lst_none;
    };
    if (line_of(m.debugger.snapshot.pc) == line) return debug_colour::yellow;
    if (address != lst_none && debugger_has_breakpoint(m, static_cast<uint16_t>(address))) {
        return debug_colour::pink;
    }
    if (line_of(m.debugger.lst_cursor) == line) return debug_colour::light_cyan;
    return debug_colour::light_grey;
}

void LstWindow::selectLine(int line) {
    debugger_select_lst_line(machine(), line);
    m_lines->setCurrentRow(line);
    m_lines->redraw();
}

void LstWindow::toggleBreakpointAt(int line) {
    const LstStore& store = machine().debugger.lst;
    if (store.current < 0) return;
    const int32_t address = lst_address_from_line(store.files[static_cast<size_t>(store.current)], line);
    if (address == lst_none) return;
    debugger_toggle_breakpoint(machine(), static_cast<uint16_t>(address));
    m_owner.refresh();
}

void LstWindow::showFiles() {
    const LstStore& store = machine().debugger.lst;
    m_files->clear();
    for (int i = 0; i < static_cast<int>(store.files.size()); ++i) {
        m_files->addItem(QString::fromStdString(lst_file_label(store, i)));
    }
    if (store.current >= 0) m_files->setCurrentRow(store.current);
}

void LstWindow::refresh() {
    Machine& m = machine();
    LstStore& store = m.debugger.lst;
    const int before_file = store.current;
    const int before_line = store.selected_line;
    // The window goes to the processor's line when the processor has moved;
    // a file the user chose while it stands still stays shown.
    bool found = false;
    if (m.cpu.pc != m_followedPc) {
        m_followedPc = m.cpu.pc;
        found = debugger_follow_pc(m);
    }
    const bool files_changed = m_shownGeneration != m.debugger.view_generation;
    if (files_changed || store.current != m_shownFile) {
        m_shownGeneration = m.debugger.view_generation;
        showFiles();
        m_shownFile = store.current;
        m_lines->setRowCount(store.current < 0 ? 0
                                               : static_cast<int>(store.files[static_cast<size_t>(store.current)].lines.size()));
    }
    if (found) {
        m_lines->setCurrentRow(store.selected_line);
        m_lines->ensureVisible(store.selected_line, true);
    }
    // Running through code without a listing, nothing here changes.
    if (files_changed || found || before_file != store.current || before_line != store.selected_line ||
        stopped(m)) {
        m_lines->redraw();
    }
}

// ---------------------------------------------------------------- map/level

namespace {

constexpr const char* map_format_names[] = {"Hex", "ASCII", "Mono", "Parrot", "Baboon", "ASG4", "ASG6", "iRGB"};
constexpr const char* map_field_captions[] = {"Map Base=", "Width=", "XOffset=", "Pixel Magnify"};
constexpr const char* map_field_defaults[] = {"$a000", "32", "0", "1"};

bool text_format(MapFormat f) { return f == MapFormat::hex || f == MapFormat::ascii; }

}  // namespace

MapWindow::MapWindow(DebugWindows& owner) : DebugWindow(owner, "Map/Level Display") {
    auto* layout = new QVBoxLayout(this);
    auto* fields = new QHBoxLayout;
    for (size_t i = 0; i < m_fields.size(); ++i) {
        fields->addWidget(new QLabel(QString::fromLatin1(map_field_captions[i]), this));
        m_fields[i] = new QLineEdit(QString::fromLatin1(map_field_defaults[i]), this);
        m_fields[i]->setMaxLength(15);
        m_fields[i]->setFixedWidth(char_width(font()) * 7 + 8);
        fields->addWidget(m_fields[i]);
    }
    m_format = new QComboBox(this);
    for (const char* name : map_format_names) m_format->addItem(QString::fromLatin1(name));
    fields->addWidget(m_format);
    fields->addWidget(button("Fetch", [this] { fetch(); }));
    layout->addLayout(fields);
    QObject::connect(m_format, &QComboBox::currentIndexChanged, this, [this] { fetch(); });

    m_list = new RowView(this);
    m_list->setFont(font());
    m_list->setRowCount(map_rows);
    m_list->setMinimumSize(char_width(font()) * 90, text_height(font()) * 20);
    m_list->paint_row = [this](QPainter& p, const QRect& r, int row) { paintRow(p, r, row); };
    layout->addWidget(m_list, 1);
    fetch();
}

int MapWindow::labelWidth() const {
    const int row_height = m_list->rowHeight();
    return row_height >= text_height(font()) - 3 ? char_width(font()) * 6 + row_margin : 0;
}

int MapWindow::cellWidth() const {
    const int cw = char_width(font());
    switch (m_settings.format) {
        case MapFormat::hex: return 2 * cw + 3;
        case MapFormat::ascii: return cw + 3;
        default: return map_pixels_per_byte(m_settings.format) * m_settings.magnify;
    }
}

int MapWindow::cellLeft(int column) const { return labelWidth() + column * cellWidth(); }

void MapWindow::fetch() {
    const auto text = [this](int i) { return m_fields[static_cast<size_t>(i)]->text().toStdString(); };
    m_settings = map_parse_fields(text(0), text(1), text(2), text(3),
                                  static_cast<MapFormat>(std::max(0, m_format->currentIndex())));
    std::copy(machine().memory_image.begin(), machine().memory_image.end(), m_copy.begin());
    m_list->setRowHeight(text_format(m_settings.format)
                             ? text_height(font())
                             : map_lines_per_row(m_settings.format) * m_settings.magnify);
    m_list->redraw();
}

void MapWindow::paintRow(QPainter& p, const QRect& r, int row) {
    const Machine& m = machine();
    p.fillRect(r, debug_colour::light_grey);
    const uint16_t start = map_row_address(m_settings, row);
    const int label = labelWidth();
    const int ascent = QFontMetrics(font()).ascent();
    if (label > 0) {
        p.setPen(debug_colour::near_black);
        p.drawText(r.left() + row_margin, r.top() + ascent, QString::fromStdString(map_row_label(start)));
    }
    const int cell = cellWidth();
    const int fit = std::max(0, (r.width() - label + cell - 1) / cell);
    const int count = std::min(m_settings.width, fit);
    if (text_format(m_settings.format)) {
        for (int i = 0; i < count; ++i) {
            const auto a = static_cast<uint16_t>(start + i);
            const QRect box(r.left() + cellLeft(i), r.top(), cell, r.height());
            p.fillRect(box, map_cell_darker(a) ? debug_colour::odd_cell : debug_colour::light_grey);
            p.setPen(debug_colour::near_black);
            p.drawText(box.left() + 1, r.top() + ascent,
                       QString::fromStdString(map_cell_text(m_settings.format, m_copy[a])));
        }
        return;
    }
    // Pixel formats: the row's pixels at one dot each, then enlarged.
    const int per_byte = map_pixels_per_byte(m_settings.format);
    const int lines = map_lines_per_row(m_settings.format);
    QImage image(count * per_byte, lines, QImage::Format_RGB32);
    if (image.isNull()) return;
    uint32_t colours[8];
    for (int line = 0; line < lines; ++line) {
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(line));
        for (int i = 0; i < count; ++i) {
            const auto a = static_cast<uint16_t>(start + i);
            const int n = map_byte_pixels(m, m_settings.format, m_copy[a], line, colours);
            for (int k = 0; k < n; ++k) out[i * per_byte + k] = 0xFF000000u | colours[k];
        }
    }
    p.drawImage(QRect(r.left() + label, r.top(), image.width() * m_settings.magnify,
                      lines * m_settings.magnify),
                image);
}

void MapWindow::refresh() {
    // The copy follows memory while the processor is stopped; running, the
    // map stays as fetched and costs nothing.
    const Machine& m = machine();
    if (!stopped(m)) return;
    if (std::equal(m_copy.begin(), m_copy.end(), m.memory_image.begin())) return;
    std::copy(m.memory_image.begin(), m.memory_image.end(), m_copy.begin());
    m_list->redraw();
}

// ---------------------------------------------------------------- the set

DebugWindows::DebugWindows(Machine& machine, QWidget* parent, std::function<bool()> full_screen)
    : m_machine(machine), m_parent(parent), m_fullScreen(std::move(full_screen)) {
    // The build puts our system ROM's listing beside the program, and an
    // installation beside it in the same way.
    m_systemListing =
        (QCoreApplication::applicationDirPath() + QStringLiteral("/system_rom.lst")).toStdString();
}

DebugWindows::~DebugWindows() {
    QList<QWidget*> open;
    for (QWidget* w : std::initializer_list<QWidget*>{m_register, m_history, m_disassembly, m_breaks, m_lst}) {
        if (w != nullptr) open << w;
    }
    for (auto& w : m_memory) if (w) open << w;
    for (auto& w : m_map) if (w) open << w;
    qDeleteAll(open);
}

QFont DebugWindows::fixedFont() { return QFontDatabase::systemFont(QFontDatabase::FixedFont); }

namespace {

bool is_open(const QWidget* w) { return w != nullptr && w->isVisible(); }

}  // namespace

template <class W>
void DebugWindows::toggle(QPointer<W>& slot) {
    if (is_open(slot)) {
        slot->close();
        return;
    }
    if (m_fullScreen && m_fullScreen()) return;
    debugger_take_snapshot(m_machine);
    slot = new W(*this);
    slot->show();
    slot->refresh();
}

template <class W>
void DebugWindows::openAnother(std::array<QPointer<W>, 4>& group) {
    if (m_fullScreen && m_fullScreen()) return;
    for (auto& slot : group) {
        if (is_open(slot)) continue;
        debugger_take_snapshot(m_machine);
        slot = new W(*this);
        slot->show();
        slot->refresh();
        return;
    }
}

bool DebugWindows::runCommand(int command) {
    switch (command) {
        case command_register_window: toggle(m_register); return true;
        case command_history_window: toggle(m_history); return true;
        case command_disassembly_window: toggle(m_disassembly); return true;
        case command_breaks_window: toggle(m_breaks); return true;
        case command_lst_window:
            if (!is_open(m_lst)) offerSystemListing();
            toggle(m_lst);
            return true;
        case command_memory_window: openAnother(m_memory); return true;
        case command_map_window: openAnother(m_map); return true;
        case command_load_lst:
            if (debugger_load_lst_dialog(m_machine)) refresh();
            return true;
        default: return false;
    }
}

void DebugWindows::offerSystemListing() {
    // A new user can step through the machine's own ROM at source level
    // without preparing anything: the first time the window opens with no
    // listing loaded, the build's listing of our system ROM is loaded.
    if (m_systemListingOffered) return;
    m_systemListingOffered = true;
    if (!m_machine.debugger.lst.files.empty() || m_systemListing.empty()) return;
    std::error_code error;
    if (!std::filesystem::is_regular_file(m_systemListing, error)) return;
    debugger_load_lst(m_machine, m_systemListing);
}

int DebugWindows::openCount() const {
    int count = 0;
    for (const QWidget* w : {static_cast<const QWidget*>(m_register), static_cast<const QWidget*>(m_history),
                             static_cast<const QWidget*>(m_disassembly),
                             static_cast<const QWidget*>(m_breaks), static_cast<const QWidget*>(m_lst)}) {
        count += is_open(w) ? 1 : 0;
    }
    for (const auto& w : m_memory) count += is_open(w) ? 1 : 0;
    for (const auto& w : m_map) count += is_open(w) ? 1 : 0;
    return count;
}

std::vector<MemoryWindow*> DebugWindows::memoryWindows() const {
    std::vector<MemoryWindow*> open;
    for (const auto& w : m_memory) if (is_open(w)) open.push_back(w);
    return open;
}

std::vector<MapWindow*> DebugWindows::mapWindows() const {
    std::vector<MapWindow*> open;
    for (const auto& w : m_map) if (is_open(w)) open.push_back(w);
    return open;
}

void DebugWindows::refresh() {
    if (openCount() == 0) return;
    debugger_take_snapshot(m_machine);
    for (DebugWindow* w : std::initializer_list<DebugWindow*>{m_register, m_history, m_disassembly, m_breaks, m_lst}) {
        if (is_open(w)) w->refresh();
    }
    for (auto& w : m_memory) if (is_open(w)) w->refresh();
    for (auto& w : m_map) if (is_open(w)) w->refresh();
}

void DebugWindows::commandDone() { refresh(); }

void DebugWindows::afterRegisterWrite() { refresh(); }

}  // namespace trivo::ui
