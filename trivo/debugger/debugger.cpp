#include "debugger/debugger.h"

#include <cctype>
#include <cstdio>
#include <optional>

#include "cassette/binary_utils.h"
#include "cpu/cpu.h"
#include "debugger/disassembler.h"
#include "machine/bus.h"
#include "machine/config.h"
#include "machine/host.h"
#include "machine/machine.h"

namespace trivo {

namespace {

const uint32_t* newest_record(const TraceRing& ring) {
    const int newest = ring.position == 0 ? trace_records - 1 : ring.position - 1;
    return &ring.words[static_cast<size_t>(newest) * trace_words];
}

// Rows count from the oldest record: the one the processor writes next.
const uint32_t* record_of_row(const TraceRing& ring, int row) {
    const int index = (ring.position + row) % trace_records;
    return &ring.words[static_cast<size_t>(index) * trace_words];
}

bool is_fill(const uint32_t* record) { return record[0] == 0xFFFFFFFFu; }

void changed(Machine& m) { ++m.debugger.view_generation; }

}  // namespace

// The order of the checks is the reason list's order; each is independent,
// so one instruction can fire several.
void debugger_instruction_check(Machine& m) {
    const uint32_t* r = newest_record(m.trace_ring);
    const auto after = static_cast<uint16_t>(r[2]);
    const auto d = static_cast<uint16_t>(r[3]);
    const auto x = static_cast<uint16_t>(r[4]);
    const auto s = static_cast<uint16_t>(r[5]);
    const auto cc = static_cast<uint8_t>(r[6]);
    const auto opcode = static_cast<uint8_t>(r[1]);
    const uint32_t enabled = m.debug_flags;
    DebuggerState& g = m.debugger;
    const BreakSettings& v = g.settings;
    uint32_t fired = 0;

    if (enabled & flag_breakpoint) {
        for (int i = 0; i < g.breakpoint_count; ++i) {
            if (g.breakpoints[static_cast<size_t>(i)] == after) {
                fired |= flag_breakpoint;
                break;
            }
        }
    }
    if ((enabled & flag_pc) && after == v.pc) fired |= flag_pc;
    if ((enabled & flag_x) && x == v.x) fired |= flag_x;
    if ((enabled & flag_a) && (d >> 8) == v.a) fired |= flag_a;
    if ((enabled & flag_b) && (d & 0xFF) == v.b) fired |= flag_b;
    if ((enabled & flag_d) && d == v.d) fired |= flag_d;
    if ((enabled & flag_cc) && (cc & v.cc_mask) == v.cc_value) fired |= flag_cc;
    if ((enabled & flag_s) && s == v.s) fired |= flag_s;
    if (enabled & flag_memory) {
        const uint8_t found = bus_peek(m, v.memory_address);
        if (found == v.memory_value) {
            fired |= flag_memory;
            std::snprintf(g.memory_message, sizeof g.memory_message, "Memory at $%04x is $%02x",
                          v.memory_address, found);
        }
    }
    if (enabled & flag_step_in) {
        if (g.step_in_left <= 1) {
            fired |= flag_step_in;
            g.step_in_left = 1;
        } else {
            --g.step_in_left;
        }
    }
    if ((enabled & flag_step_over) && after == g.step_over_target) fired |= flag_step_over;
    if ((enabled & flag_lst_cursor) && after == g.lst_cursor) {
        fired |= flag_lst_cursor;
        g.lst_cursor = lst_cursor_disarmed;
        changed(m);
    }
    if ((enabled & flag_illegal) && disasm_is_illegal(opcode)) fired |= flag_illegal;
    // S after the return: above the saved S once the frame Step Out started
    // in has been left, not when a deeper call returns to it.
    if ((enabled & flag_step_out) && disasm_is_return(opcode) && s > g.step_out_s) {
        fired |= flag_step_out;
    }
    if ((enabled & flag_step_next) && after == g.step_next_target) fired |= flag_step_next;

    m.break_flags |= fired;
}

void debugger_take_snapshot(Machine& m) {
    RegisterSnapshot& r = m.debugger.snapshot;
    r.a = m.cpu.a;
    r.b = m.cpu.b;
    r.d = static_cast<uint16_t>(m.cpu.a << 8 | m.cpu.b);
    r.x = m.cpu.x;
    r.s = m.cpu.s;
    r.pc = m.cpu.pc;
    r.cc = m.cpu.cc;
}

void debugger_refresh(Machine& m) { debugger_take_snapshot(m); }

// ---------------------------------------------------------------- commands

void debugger_step_in(Machine& m, uint32_t count) {
    m.debugger.step_in_left = count == 0 ? 1 : count;
    m.debug_flags = flag_step_in;
    m.break_flags = 0;
}

void debugger_step_over(Machine& m) {
    debugger_take_snapshot(m);
    const uint16_t pc = m.debugger.snapshot.pc;
    const int length = disasm_call_length(bus_peek(m, pc));
    if (length < 0) return debugger_step_in(m);
    m.break_flags = 0;
    m.debugger.step_over_target = static_cast<uint16_t>(pc + length);
    m.debug_flags = flag_step_over;
}

void debugger_step_next(Machine& m) {
    debugger_take_snapshot(m);
    const uint16_t pc = m.debugger.snapshot.pc;
    const int length = disasm_length_by_mode(bus_peek(m, pc));
    if (length <= 0) return debugger_step_in(m);
    m.break_flags = 0;
    m.debugger.step_next_target = static_cast<uint16_t>(pc + length);
    m.debug_flags = flag_step_next;
}

void debugger_step_out(Machine& m) {
    debugger_take_snapshot(m);
    m.debugger.step_out_s = m.debugger.snapshot.s;
    m.debug_flags = flag_step_out;
    m.break_flags = 0;
}

void debugger_run_to_cursor(Machine& m) {
    m.debug_flags = flag_lst_cursor;
    m.break_flags = 0;
}

void debugger_break(Machine& m) { m.break_flags = flag_manual; }

void debugger_run(Machine& m) {
    m.debug_flags = 0;
    m.break_flags = 0;
}

void debugger_run_until(Machine& m) {
    const BreakSettings& v = m.debugger.settings;
    m.watch.read_low = v.read_low;
    m.watch.read_high = v.read_high;
    m.watch.write_low = v.write_low;
    m.watch.write_high = v.write_high;
    m.debugger.step_in_left = 1;
    m.debug_flags = v.enabled;
    m.break_flags = 0;
}

void debugger_toggle_break(Machine& m) { m.break_flags ^= flag_manual; }

// ------------------------------------------------------------ breakpoints

BreakpointAdd debugger_add_breakpoint(Machine& m, uint16_t address) {
    DebuggerState& g = m.debugger;
    if (g.breakpoint_count > breakpoint_max - 1) return BreakpointAdd::list_full;
    if (debugger_has_breakpoint(m, address)) return BreakpointAdd::already_there;
    g.breakpoints[static_cast<size_t>(g.breakpoint_count++)] = address;
    changed(m);
    return BreakpointAdd::added;
}

bool debugger_remove_breakpoint(Machine& m, uint16_t address) {
    DebuggerState& g = m.debugger;
    for (int i = 0; i < g.breakpoint_count; ++i) {
        if (g.breakpoints[static_cast<size_t>(i)] != address) continue;
        for (int j = i + 1; j < g.breakpoint_count; ++j) {
            g.breakpoints[static_cast<size_t>(j - 1)] = g.breakpoints[static_cast<size_t>(j)];
        }
        --g.breakpoint_count;
        changed(m);
        return true;
    }
    return false;
}

bool debugger_toggle_breakpoint(Machine& m, uint16_t address) {
    if (debugger_remove_breakpoint(m, address)) return false;
    return debugger_add_breakpoint(m, address) == BreakpointAdd::added;
}

bool debugger_has_breakpoint(const Machine& m, uint16_t address) {
    const DebuggerState& g = m.debugger;
    for (int i = 0; i < g.breakpoint_count; ++i) {
        if (g.breakpoints[static_cast<size_t>(i)] == address) return true;
    }
    return false;
}

// ----------------------------------------------------------------- listings

void debugger_select_lst_line(Machine& m, int32_t line) {
    DebuggerState& g = m.debugger;
    LstStore& store = g.lst;
    if (store.current < 0) return;
    const LstFile& file = store.files[static_cast<size_t>(store.current)];
    if (line < 0 || line >= static_cast<int32_t>(file.lines.size())) return;
    store.selected_line = line;
    const int32_t address = lst_address_from_line(file, line);
    g.lst_cursor = address == lst_none ? lst_cursor_disarmed : address;
    changed(m);
}

LstLoad debugger_load_lst(Machine& m, const std::string& path) {
    const LstLoad result = lst_load_file(m.debugger.lst, path);
    if (result == LstLoad::cannot_open) m.host->debug_output("Could not open LST file\n");
    if (result == LstLoad::loaded) changed(m);
    return result;
}

bool debugger_load_lst_dialog(Machine& m) {
    if (m.debugger.lst.files.size() >= static_cast<size_t>(lst_max_files)) return false;
    FileRequest request;
    request.purpose = FilePurpose::listing;
    request.title = "Load LST file";
    request.filters = {{"LST Files (*.LST)", "*.lst;*.log"}};
    request.default_extension = "lst";
    request.start_path = m.settings.lst1;
    const std::optional<std::string> path = m.host->choose_open_file(request);
    if (!path || debugger_load_lst(m, *path) != LstLoad::loaded) return false;
    m.settings.lst1 = *path;
    if (!m.config_path.empty() && !config_write_file_choice(m.config_path, m.settings, FilesKey::lst1)) {
        m.host->debug_output("File choice not saved: cannot write " + m.config_path + "\n");
    }
    return true;
}

void debugger_unload_lst(Machine& m, int index) {
    lst_unload(m.debugger.lst, index);
    changed(m);
}

void debugger_clear_lsts(Machine& m) {
    lst_clear(m.debugger.lst);
    changed(m);
}

bool debugger_follow_pc(Machine& m) {
    LstStore& store = m.debugger.lst;
    const auto place = lst_find_address(store, m.cpu.pc);
    if (!place) return false;
    store.current = place->file;
    store.selected_line = place->line;
    return true;
}

// ----------------------------------------------------------------- reasons

std::vector<std::string> debugger_reason_lines(const Machine& m) {
    struct Reason {
        uint32_t bit;
        const char* text;
    };
    static constexpr Reason reasons[] = {
        {flag_breakpoint, "Hit breakpoint"},
        {flag_pc, "PC compare"},
        {flag_x, "X compare"},
        {flag_a, "A compare"},
        {flag_b, "B compare"},
        {flag_d, "D compare"},
        {flag_cc, "CC compare"},
        {flag_s, "S compare"},
        {flag_questionable_read, "Questionable mem read"},
        {flag_questionable_write, "Questionable mem write"},
        {flag_interrupt, "Enter interrupt"},
        {flag_memory, "Memory compare"},
        {flag_step_in, "Step in"},
        {flag_step_over, "Step over"},
        {flag_manual, "Manual break"},
        {flag_lst_cursor, "Ran to LST cursor"},
        {flag_illegal, "Illegal opcode"},
        {flag_step_out, "Step out"},
        {flag_step_next, "Step next"},
        {flag_read_watch, "Read range"},
        {flag_write_watch, "Write range"},
    };
    std::vector<std::string> lines;
    for (const Reason& r : reasons) {
        if ((m.break_flags & r.bit) == 0) continue;
        lines.emplace_back(r.text);
        switch (r.bit) {
            case flag_questionable_read: lines.emplace_back(m.watch.questionable_read_message); break;
            case flag_questionable_write: lines.emplace_back(m.watch.questionable_write_message); break;
            case flag_interrupt: {
                // The processor's message ends in a line feed the list does not show.
                std::string detail = m.break_reason;
                while (!detail.empty() && (detail.back() == '\n' || detail.back() == '\r')) detail.pop_back();
                lines.emplace_back(detail.empty() ? "Interrupt -" : detail);
                break;
            }
            case flag_memory: lines.emplace_back(m.debugger.memory_message); break;
            case flag_read_watch: lines.emplace_back(m.watch.read_message); break;
            case flag_write_watch: lines.emplace_back(m.watch.write_message); break;
            default: break;
        }
    }
    return lines;
}

// ----------------------------------------------------------------- history

std::vector<int32_t> history_cycle_offsets(const TraceRing& ring) {
    std::vector<int32_t> offsets(trace_records, 0);
    int32_t sum = 0;
    for (int row = trace_records - 1; row >= 0; --row) {
        const uint32_t* r = record_of_row(ring, row);
        if (!is_fill(r)) sum += cpu_cycles_of(static_cast<uint8_t>(r[1]));
        offsets[static_cast<size_t>(row)] = -sum;
    }
    return offsets;
}

std::string history_line(const TraceRing& ring, int row, int32_t cycle_offset) {
    const uint32_t* r = record_of_row(ring, row);
    if (is_fill(r)) return {};
    std::array<char, disasm_text_size> text{};
    disassemble(text, static_cast<uint16_t>(r[0]), static_cast<uint8_t>(r[1]),
                static_cast<uint8_t>(r[1] >> 8), static_cast<uint8_t>(r[1] >> 16));
    char line[128];
    std::snprintf(line, sizeof line, "%7d %04x %s pc=%04x d=%04x x=%04x s=%04x cc=%s        ",
                  static_cast<int>(cycle_offset), static_cast<unsigned>(r[0] & 0xFFFF), text.data(),
                  static_cast<unsigned>(r[2] & 0xFFFF), static_cast<unsigned>(r[3] & 0xFFFF),
                  static_cast<unsigned>(r[4] & 0xFFFF), static_cast<unsigned>(r[5] & 0xFFFF),
                  cc_letters(static_cast<uint8_t>(r[6])).c_str());
    return line;
}

std::vector<std::string> history_last_lines(const TraceRing& ring, int count) {
    std::vector<std::string> lines;
    if (count <= 0) return lines;
    if (count > trace_records) count = trace_records;
    const std::vector<int32_t> offsets = history_cycle_offsets(ring);
    for (int row = trace_records - count; row < trace_records; ++row) {
        std::string line = history_line(ring, row, offsets[static_cast<size_t>(row)]);
        if (!line.empty()) lines.push_back(std::move(line));
    }
    return lines;
}

std::string history_clipboard_text(const TraceRing& ring) {
    std::string text;
    for (const std::string& line : history_last_lines(ring, trace_records)) {
        text += line;
        text += "\r\n";
    }
    return text;
}

// ---------------------------------------------------------------- registers

std::string cc_letters(uint8_t cc) {
    std::string text = "HINZVC";
    for (int i = 0; i < 6; ++i) {
        if ((cc & (0x20 >> i)) == 0) text[static_cast<size_t>(i)] = '.';
    }
    return text;
}

namespace {

// A register field: its number, or the old value when it does not parse.
int field_value(const std::string& field, int old_value, int limit) {
    const ParsedNumber n = parse_number(field);
    if (n.value < 0) return old_value;
    return n.value & limit;
}

}  // namespace

uint8_t debugger_parse_cc(std::string_view field, uint8_t keep) {
    const ParsedNumber n = parse_number(field);
    if (n.value >= 0) return static_cast<uint8_t>(n.value & 0xFF);
    int cc = keep & 0xC0;
    for (const char ch : field) {
        switch (std::toupper(static_cast<unsigned char>(ch))) {
            case 'H': cc |= 0x20; break;
            case 'I': cc |= 0x10; break;
            case 'N': cc |= 0x08; break;
            case 'Z': cc |= 0x04; break;
            case 'V': cc |= 0x02; break;
            case 'C': cc |= 0x01; break;
            default: break;
        }
    }
    return static_cast<uint8_t>(cc);
}

namespace {

// A Breaks window value: its number, or 0 when it does not parse.
int break_value(const std::string& field, int limit) {
    const ParsedNumber n = parse_number(field);
    return n.value < 0 ? 0 : n.value & limit;
}

}  // namespace

void debugger_apply_break_fields(Machine& m, const BreakFields& f) {
    BreakSettings& v = m.debugger.settings;
    v.enabled = f.enabled;
    v.pc = static_cast<uint16_t>(break_value(f.pc, 0xFFFF));
    v.x = static_cast<uint16_t>(break_value(f.x, 0xFFFF));
    v.d = static_cast<uint16_t>(break_value(f.d, 0xFFFF));
    v.s = static_cast<uint16_t>(break_value(f.s, 0xFFFF));
    v.a = static_cast<uint8_t>(break_value(f.a, 0xFF));
    v.b = static_cast<uint8_t>(break_value(f.b, 0xFF));
    v.cc_mask = debugger_parse_cc(f.cc_mask, 0);
    v.cc_value = debugger_parse_cc(f.cc_value, 0);
    v.memory_address = static_cast<uint16_t>(break_value(f.memory_address, 0xFFFF));
    v.memory_value = static_cast<uint8_t>(break_value(f.memory_value, 0xFF));
    v.read_low = static_cast<uint16_t>(break_value(f.read_low, 0xFFFF));
    v.read_high = static_cast<uint16_t>(break_value(f.read_high, 0xFFFF));
    v.write_low = static_cast<uint16_t>(break_value(f.write_low, 0xFFFF));
    v.write_high = static_cast<uint16_t>(break_value(f.write_high, 0xFFFF));
    debugger_run_until(m);
}

std::string disassembly_row(const Machine& m, uint16_t address, int* length) {
    const uint8_t opcode = bus_peek(m, address);
    const uint8_t byte1 = bus_peek(m, static_cast<uint16_t>(address + 1));
    const uint8_t byte2 = bus_peek(m, static_cast<uint16_t>(address + 2));
    std::array<char, disasm_text_size> text{};
    disassemble(text, address, opcode, byte1, byte2);
    const int step = disasm_length_by_mode(opcode);
    if (length != nullptr) *length = step;
    char row[64];
    switch (step) {
        case 3:
            std::snprintf(row, sizeof row, "%04x %02x %02x %02x  %s", address, opcode, byte1, byte2,
                          text.data());
            break;
        case 2:
            std::snprintf(row, sizeof row, "%04x %02x %02x     %s", address, opcode, byte1, text.data());
            break;
        default:
            std::snprintf(row, sizeof row, "%04x %02x        %s", address, opcode, text.data());
            break;
    }
    return row;
}

void debugger_write_registers(Machine& m, const RegisterFields& f) {
    const CpuState& c = m.cpu;
    const int a = field_value(f.a, c.a, 0xFF);
    const int b = field_value(f.b, c.b, 0xFF);
    const int x = field_value(f.x, c.x, 0xFFFF);
    const int s = field_value(f.s, c.s, 0xFFFF);
    const int pc = field_value(f.pc, c.pc, 0xFFFF);
    const int cc = debugger_parse_cc(f.cc, c.cc);
    cpu_set_register(m, CpuRegister::cc, cc | 0xC0);
    cpu_set_register(m, CpuRegister::a, a);
    cpu_set_register(m, CpuRegister::b, b);
    cpu_set_register(m, CpuRegister::x, x);
    cpu_set_register(m, CpuRegister::s, s);
    if (pc != c.pc) cpu_set_register(m, CpuRegister::pc, pc);
    debugger_take_snapshot(m);
}

std::string register_line(const RegisterSnapshot& r) {
    char line[96];
    std::snprintf(line, sizeof line, "A=$%02x B=$%02x D=$%04x X=$%04x S=$%04x PC=$%04x CC=%s", r.a,
                  r.b, r.d, r.x, r.s, r.pc, cc_letters(r.cc).c_str());
    return line;
}

}  // namespace trivo
