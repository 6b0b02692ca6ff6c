// The debugger's tool windows beside the emulator: Register, Memory (up to
// four), History, Disassembly, Breaks, LST and Map/Level (up to four). They
// show what the debugger core computes and call its commands; nothing here
// decides when the machine stops.
//
// All of them are refreshed together, from one register snapshot, after
// every displayed frame and after a register write. While the machine runs a
// refresh only repaints what is on screen; the copies of memory the Memory
// and Map/Level windows keep are reloaded only while the processor is
// stopped, as the user reads them then.
#pragma once

#include <QColor>
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "debugger/debugger.h"
#include "debugger/memory_view.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace trivo {
struct Machine;
}

namespace trivo::ui {

class RowView;
class DebugWindows;

// The colours of the debugger's rows.
namespace debug_colour {
inline const QColor light_grey(0xF0, 0xF0, 0xF0);  // normal background
inline const QColor mid_grey(0xA0, 0xA0, 0xA0);    // memory that is not plain RAM
inline const QColor dark_red(0x70, 0x20, 0x20);    // edited bytes
inline const QColor near_black(0x10, 0x10, 0x10);  // normal text
inline const QColor light_green(0x90, 0xC0, 0x90); // the memory cursor's digit
inline const QColor light_cyan(0x30, 0xF0, 0xF0);  // the LST cursor's line
inline const QColor pink(0xF0, 0xA0, 0xA0);        // a breakpoint's line
inline const QColor yellow(0xF0, 0xF0, 0x30);      // the processor's line
inline const QColor odd_cell(0xD8, 0xD8, 0xD8);    // map cells at odd addresses
}  // namespace debug_colour

// A debugger tool window: a top-level window of the main window's, deleted
// when closed.
class DebugWindow : public QWidget {
public:
    DebugWindow(DebugWindows& owner, const char* title);
    virtual void refresh() = 0;

protected:
    Machine& machine() const;
    // A push button calling `action`.
    QPushButton* button(const char* text, std::function<void()> action);
    // The stepping buttons that forward to the debugger's commands; each
    // refreshes the windows after its command.
    QPushButton* commandButton(const char* text, void (*command)(Machine&));
    DebugWindows& m_owner;
};

// The register fields of the Register window and the Breaks window's
// "Currently" group.
class RegisterFieldsBox : public QWidget {
public:
    explicit RegisterFieldsBox(QWidget* parent);
    void show(const RegisterSnapshot& r);
    RegisterFields fields() const;
    QLineEdit* field(const char* name) const;
    QString note(const char* name) const;

private:
    struct Row {
        const char* name;
        QLineEdit* edit;
        QLabel* note;
    };
    std::vector<Row> m_rows;
};

class RegisterWindow : public DebugWindow {
public:
    explicit RegisterWindow(DebugWindows& owner);
    void refresh() override;
    RegisterFieldsBox* fields() const { return m_fields; }
    // "Write": the fields into the processor.
    void write();

private:
    RegisterFieldsBox* m_fields;
};

class MemoryWindow : public DebugWindow {
public:
    explicit MemoryWindow(DebugWindows& owner);
    void refresh() override;
    MemoryView& view() { return m_view; }
    RowView* rows() const { return m_list; }
    void commit();
    void cancel();
    // The byte cell and digit (0 high, 1 low) under an x position; -1 when none.
    int cellAt(int x, int* digit) const;

private:
    void paintRow(QPainter& p, const QRect& r, int row);
    bool key(QKeyEvent* event);
    MemoryView m_view;
    RowView* m_list;
};

class HistoryWindow : public DebugWindow {
public:
    explicit HistoryWindow(DebugWindows& owner);
    void refresh() override;
    RowView* rows() const { return m_list; }
    std::string rowText(int row) const;
    void toClipboard();

private:
    RowView* m_list;
    std::vector<int32_t> m_offsets;
};

class DisassemblyWindow : public DebugWindow {
public:
    explicit DisassemblyWindow(DebugWindows& owner);
    void refresh() override;
    static constexpr int row_count = 25;
    // The rows as shown, from the chosen start address.
    std::vector<std::string> rowTexts() const;
    uint16_t startAddress() const;
    QLineEdit* addressField() const { return m_address; }
    QRadioButton* pcOption() const { return m_fromPc; }
    void dump();

private:
    RowView* m_list;
    QRadioButton* m_fromPc;
    QRadioButton* m_fromAddress;
    QLineEdit* m_address;
    uint16_t m_typed = 0;
    std::vector<uint16_t> m_rowAddress;
};

class BreaksWindow : public DebugWindow {
public:
    explicit BreaksWindow(DebugWindows& owner);
    void refresh() override;
    // A check box by its caption ("PC=", "Breakpoint" ...) and a value field
    // by its name ("pc", "cc_mask", "read_low" ...).
    QCheckBox* check(const char* caption) const;
    QLineEdit* value(const char* name) const;
    RegisterFieldsBox* registers() const { return m_registers; }
    QListWidget* reasons() const { return m_reasons; }
    QListWidget* breakpoints() const { return m_breakpoints; }
    QLineEdit* addField() const { return m_add; }
    void runUntil();
    void addBreakpoint();

private:
    void showBreakpoints();
    struct Check {
        const char* caption;
        uint32_t bit;
        QCheckBox* box;
    };
    std::vector<Check> m_checks;
    std::vector<std::pair<const char*, QLineEdit*>> m_values;
    RegisterFieldsBox* m_registers;
    QListWidget* m_reasons;
    QListWidget* m_breakpoints;
    QLineEdit* m_add;
    uint32_t m_shownGeneration = ~0u;
};

class LstWindow : public DebugWindow {
public:
    explicit LstWindow(DebugWindows& owner);
    void refresh() override;
    RowView* lines() const { return m_lines; }
    QListWidget* files() const { return m_files; }
    // The background of a line of the current listing.
    QColor lineColour(int line) const;
    void selectLine(int line);
    void toggleBreakpointAt(int line);

private:
    void showFiles();
    RowView* m_lines;
    QListWidget* m_files;
    uint32_t m_shownGeneration = ~0u;
    int m_shownFile = -2;
    int32_t m_followedPc = -1;
};

class MapWindow : public DebugWindow {
public:
    explicit MapWindow(DebugWindows& owner);
    void refresh() override;
    // "Fetch": reads the fields and redraws.
    void fetch();
    const MapSettings& settings() const { return m_settings; }
    QLineEdit* field(int index) const { return m_fields[static_cast<size_t>(index)]; }
    QComboBox* format() const { return m_format; }
    RowView* rows() const { return m_list; }
    // Where byte `column` of a row starts, in the row's pixels.
    int cellLeft(int column) const;
    int cellWidth() const;
    int labelWidth() const;

private:
    void paintRow(QPainter& p, const QRect& r, int row);
    RowView* m_list;
    std::array<QLineEdit*, 4> m_fields{};
    QComboBox* m_format;
    MapSettings m_settings;
    std::vector<uint8_t> m_copy = std::vector<uint8_t>(0x10000);
};

// The set of open debugger windows, owned by the main window.
class DebugWindows {
public:
    // `parent` is the main window; `full_screen` says whether it is in full
    // screen mode, where no debugger window opens.
    DebugWindows(Machine& machine, QWidget* parent, std::function<bool()> full_screen);
    ~DebugWindows();

    // Runs a Debug menu command that opens or closes a window, or loads a
    // listing. False for any other command.
    bool runCommand(int command);
    // Every open window from the machine's present state, after the snapshot.
    void refresh();
    int openCount() const;

    Machine& machine() const { return m_machine; }
    QWidget* parent() const { return m_parent; }
    RegisterWindow* registerWindow() const { return m_register; }
    HistoryWindow* historyWindow() const { return m_history; }
    DisassemblyWindow* disassemblyWindow() const { return m_disassembly; }
    BreaksWindow* breaksWindow() const { return m_breaks; }
    LstWindow* lstWindow() const { return m_lst; }
    std::vector<MemoryWindow*> memoryWindows() const;
    std::vector<MapWindow*> mapWindows() const;

    // The listing of our own system ROM, offered in the LST window when no
    // listing is loaded. Beside the program by default.
    void setSystemListing(std::string path) { m_systemListing = std::move(path); }
    const std::string& systemListing() const { return m_systemListing; }
    // Called by the LST window when it opens.
    void offerSystemListing();

    // After a window's own command: the snapshot and every window again.
    void commandDone();
    // Register writes and the like: snapshot and refresh.
    void afterRegisterWrite();
    // The fixed-pitch font the windows use.
    static QFont fixedFont();

private:
    template <class W>
    void toggle(QPointer<W>& slot);
    template <class W>
    void openAnother(std::array<QPointer<W>, 4>& group);

    Machine& m_machine;
    QWidget* m_parent;
    std::function<bool()> m_fullScreen;
    QPointer<RegisterWindow> m_register;
    QPointer<HistoryWindow> m_history;
    QPointer<DisassemblyWindow> m_disassembly;
    QPointer<BreaksWindow> m_breaks;
    QPointer<LstWindow> m_lst;
    std::array<QPointer<MemoryWindow>, 4> m_memory;
    std::array<QPointer<MapWindow>, 4> m_map;
    std::string m_systemListing;
    bool m_systemListingOffered = false;
};

}  // namespace trivo::ui
