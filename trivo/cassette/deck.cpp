// The cassette deck: tape images, the byte path's traps, the bit path's
// square wave, recordings and the idle timeouts.
//
// Everything here runs inside processor memory accesses (the traps, the
// input sample) or in the once-per-frame idle check; only the rare events
// (a dialog, opening or closing a file) allocate or touch the host.
#include "cassette/deck.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <utility>

#include "machine/config.h"
#include "cassette/block_image.h"
#include "cassette/wav_input.h"
#include "common/file_util.h"
#include "cpu/cpu.h"
#include "machine/bus.h"
#include "machine/machine.h"

namespace trivo {

namespace {

constexpr uint16_t cassette_input_latch = pia2_base + 2;

// Opcodes the traps put in place of the ROM's.
constexpr uint8_t opcode_rts = 0x39;
constexpr uint8_t opcode_ldab_immediate = 0xC6;
constexpr uint8_t opcode_bra = 0x20;
// What the read-byte entry yields when no byte is available: the ROM's
// routine does not start, the processor runs this opcode instead.
constexpr uint8_t opcode_no_byte = 0xFF;
// Operand of the BRA put at the read preamble: from the byte after it,
// 17 bytes ahead is the preamble's end, where the ROM reads its first byte.
constexpr uint16_t preamble_branch_operand = trap_read_preamble + 1;
constexpr uint8_t preamble_skip = 0x11;

// Half-period durations of the bit path in processor cycles, by bit value.
// A bit is one period, high half first: a 1 bit 426 cycles (about 2.1 kHz),
// a 0 bit 810 (about 1.1 kHz), and the last bit of every byte 52 cycles
// longer. Bits go out least significant first. This order and sense are
// those of the block images' tapes, not of the machine's own recordings
// (most significant bit first, a 1 bit long): a CPF image played here
// reaches the ROM with its bits reversed and inverted.
constexpr std::array<uint32_t, 2> high_half = {389, 197};
constexpr std::array<uint32_t, 2> low_half = {421, 229};
constexpr std::array<uint32_t, 2> low_half_last_bit = {473, 281};

// The first run: the 128-byte leader of a converted block image.
constexpr int32_t first_run_length = 128;

// The gap schedule, by gap state: after each run of bytes, the low half of
// the last bit is stretched into a gap and the next run is set. It follows
// the converted block image: leader, name block, long pause, second
// leader, then the data blocks one after another.
struct GapStep {
    uint32_t gap;         // cycles the input stays low
    bool leader_follows;  // the next run is a 128-byte leader (else a block)
    uint8_t next_state;
};
constexpr std::array<GapStep, 4> gap_schedule = {{
    {690, false, 1},    // after the first leader: the name block
    {10000, true, 2},   // after the name block: pause, second leader
    {3605, false, 3},   // after the second leader: the first data block
    {2893, false, 3},   // between blocks
}};

// A block of a converted image is 55, 3C, type, length, data, checksum, 55:
// 6 bytes around its data. Its length byte is 3 bytes after its start.
constexpr int32_t block_overhead = 6;
constexpr int32_t block_length_offset = 3;

constexpr const char* main_caption = "trivo";

void set_input(Machine& m, bool high) {
    uint8_t& latch = m.memory_image[cassette_input_latch];
    latch = high ? static_cast<uint8_t>(latch | deck_input_bit)
                 : static_cast<uint8_t>(latch & ~deck_input_bit);
}

// A WAV file chosen under any name: the first 12 bytes are "RIFF", a size
// and "WAVE".
bool starts_as_wav(const std::string& path) {
    const common::File f = common::File::open_regular(path);
    uint8_t head[12];
    return f && std::fread(head, 1, sizeof head, f.get()) == sizeof head &&
           std::equal(head, head + 4, "RIFF") && std::equal(head + 8, head + 12, "WAVE");
}

// The folder part of a path, with its separator ("" when there is none).
std::string folder_of(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Writes one FILES key at once, when the program knows its configuration file.
void remember_choice(Machine& m, FilesKey key) {
    if (m.config_path.empty()) return;
    if (!config_write_file_choice(m.config_path, m.settings, key)) {
        m.host->debug_output("Cassette file choice not saved: cannot write " + m.config_path + "\n");
    }
}

// Filters of both cassette open dialogs.
std::vector<FileFilter> cassette_filters() {
    return {{"Cassette (CPF WAV CAS K7)", "*.cpf;*.wav;*.cas;*.k7"}, {"All Files (*.*)", "*.*"}};
}

// Length of the run that starts at `position`: the whole block there, as
// its length byte gives it; 0 (no more gaps) when the image ends before
// that byte.
int32_t block_run_at(const DeckState& d, int32_t position) {
    const int64_t length_at = int64_t{position} + block_length_offset;
    if (length_at >= static_cast<int64_t>(d.image.size())) return 0;
    return block_overhead + d.image[static_cast<size_t>(length_at)];
}

// The bit path finished a byte: take the next one, and stretch the running
// half-period into a gap where the schedule says.
void next_byte(Machine& m) {
    DeckState& d = m.deck;
    d.bit_index = 0;
    ++d.position;
    if (d.position < static_cast<int32_t>(d.image.size())) {
        d.last_access_time = m.machine_clock;
        d.shift_byte = d.image[static_cast<size_t>(d.position)];
        d.bit_value = d.shift_byte & 1;
    } else {
        deck_stop_tape(m);
        return;
    }
    if (++d.byte_counter == d.run_length) {
        const GapStep& step = gap_schedule[d.gap_state];
        d.byte_counter = 0;
        d.half_period = step.gap;
        d.run_length = step.leader_follows ? block_leader_length : block_run_at(d, d.position);
        d.gap_state = step.next_state;
    }
}

// Starts the bit path at the first read of the input: the input goes high
// and the first bit's high half begins.
void start_playback(Machine& m, uint32_t now) {
    DeckState& d = m.deck;
    set_input(m, true);
    d.phase = 0;
    d.gap_state = 0;
    d.playback_started = true;
    d.position = 0;
    d.shift_byte = d.image.empty() ? 0 : d.image[0];
    d.byte_counter = 0;
    d.run_length = first_run_length;
    d.bit_index = 0;
    d.bit_value = d.shift_byte & 1;
    d.start_time = now;
    d.next_edge_time = now + high_half[d.bit_value];
}

}  // namespace

void deck_sample_input(Machine& m) {
    DeckState& d = m.deck;
    if (!d.playing) return;  // the input keeps its level
    const uint32_t now = m.machine_clock;
    d.last_access_time = now;
    if (!d.playback_started) {
        start_playback(m, now);
        return;
    }
    if (d.signal_mode) {
        wav_input_sample(m, now - d.start_time);
        return;
    }
    if (static_cast<int32_t>(now - d.next_edge_time) < 0) return;

    if (d.phase == 0) {
        // End of the high half: the low half of the same bit.
        set_input(m, false);
        d.phase = 1;
        d.half_period = d.bit_index == 7 ? low_half_last_bit[d.bit_value] : low_half[d.bit_value];
        if (++d.bit_index == 8) {
            next_byte(m);
            if (!d.playing) return;  // the image ended
        } else {
            d.shift_byte >>= 1;
            d.bit_value = d.shift_byte & 1;
        }
    } else {
        // End of the low half: the next bit's high half.
        set_input(m, true);
        d.phase = 0;
        d.half_period = high_half[d.bit_value];
    }
    d.next_edge_time = now + d.half_period;
}

void deck_idle_check(Machine& m) {
    const uint32_t now = m.machine_clock;
    if ((m.file_activity & activity_cassette_input) && now - m.deck.last_access_time > deck_idle_cycles) {
        deck_stop_tape(m);
    }
    if ((m.file_activity & activity_cassette_output) &&
        now - m.deck.last_write_time > deck_idle_cycles) {
        deck_close_output(m);
    }
}

uint8_t deck_fetch_opcode(Machine& m, uint16_t address) {
    switch (address) {
        case trap_delay_step:
            // The delay loop ends at its next test of X.
            cpu_set_register(m, CpuRegister::x, 1);
            break;
        case trap_read_byte:
            if (!m.deck.signal_mode) {
                const int value = deck_next_image_byte(m);
                if (value >= 0) {
                    cpu_set_register(m, CpuRegister::a, value);
                    return opcode_rts;
                }
                // The dialog may just have attached a recording: the ROM
                // then reads its bits itself.
                if (!m.deck.signal_mode) return opcode_no_byte;
            }
            break;
        case trap_read_byte_end:
            wav_logger_step(m, static_cast<uint8_t>(cpu_get_register(m, CpuRegister::a)));
            break;
        case trap_leader_call:
            // The call becomes a load of its operand: no leader is written.
            return opcode_ldab_immediate;
        case trap_write_byte:
            deck_write_byte(m, static_cast<uint8_t>(cpu_get_register(m, CpuRegister::a)));
            return opcode_rts;
        case trap_read_preamble:
            deck_byte_path_open_dialog(m);
            if (!m.deck.signal_mode) {
                m.memory_image[basic_load_checksum] = 0;
                return opcode_bra;
            }
            break;
        default: break;
    }
    return bus_read(m, address);
}

uint8_t deck_fetch_operand(Machine& m, uint16_t address) {
    if (address == preamble_branch_operand && !m.deck.signal_mode) return preamble_skip;
    return bus_read(m, address);
}

void deck_install_image(Machine& m, std::vector<uint8_t> image) {
    deck_stop_tape(m);
    DeckState& d = m.deck;
    d.image = std::move(image);
    d.position = 0;
    d.playing = true;
    d.playback_started = false;
    d.signal_mode = false;
    // The idle timeout counts from the load: a tape attached while the
    // program is not reading the input yet gets its full second.
    d.last_access_time = m.machine_clock;
    m.file_activity |= activity_cassette_input;
}

bool deck_load_image(Machine& m, const std::string& path) {
    if (common::has_extension(path, ".wav")) return deck_open_cassette_file(m, path);
    deck_stop_tape(m);
    std::optional<std::vector<uint8_t>> data = common::read_file(path, tape_image_max_size);
    if (!data || data->empty()) return false;
    deck_install_image(m, std::move(*data));
    return true;
}

void deck_stop_tape(Machine& m) {
    DeckState& d = m.deck;
    d.wav.reader.close();
    d.wav.current_sample = 128;
    d.playing = false;
    d.playback_started = false;
    d.signal_mode = false;
    d.position = 0;
    std::vector<uint8_t>().swap(d.image);
    d.log_file.reset();
    d.log_name.clear();
    m.file_activity &= static_cast<uint8_t>(~activity_cassette_input);
    set_input(m, false);
}

void deck_close_output(Machine& m) {
    DeckState& d = m.deck;
    m.file_activity &= static_cast<uint8_t>(~activity_cassette_output);
    d.output.reset();
    d.bytes_written = 0;
}

int deck_next_image_byte(Machine& m) {
    DeckState& d = m.deck;
    m.file_activity |= activity_cassette_input;
    d.last_access_time = m.machine_clock;
    if (!d.playing) {
        deck_byte_path_open_dialog(m);
        if (!d.playing) return -1;
    }
    if (d.position < 0 || d.position >= static_cast<int32_t>(d.image.size())) return -1;
    d.playback_started = true;
    return d.image[static_cast<size_t>(d.position++)];
}

void deck_write_byte(Machine& m, uint8_t value) {
    DeckState& d = m.deck;
    m.file_activity |= activity_cassette_output;
    d.last_write_time = m.machine_clock;

    if (d.bytes_written != 0) {
        if (d.output) std::fputc(value, d.output.get());
        if (d.bytes_written != UINT32_MAX) ++d.bytes_written;
        return;
    }

    // The first byte of a recording: ask where it goes. Whatever the answer,
    // the recording has begun, so a cancelled dialog is not asked again for
    // every following byte; they are dropped until the output times out.
    d.bytes_written = 1;
    FileRequest request;
    request.purpose = FilePurpose::cassette_record;
    request.title = deck_save_title;
    request.filters = {{"APF Cassette Files (*.CPF)", "*.cpf"}, {"All Files (*.*)", "*.*"}};
    request.default_extension = "CPF";
    request.start_path = folder_of(m.settings.cassettewr) + "APF_CAS.CPF";
    request.overwrite_prompt = true;
    const std::optional<std::string> path = m.host->choose_save_file(request);
    if (!path) return;

    d.output = common::File(*path, "wb");
    if (!d.output) {
        // The user confirmed a name and would otherwise believe the program
        // saved: say so in a message box too, not only to the developer.
        m.host->debug_output("Failed to open Cassette file " + *path + " for output\n");
        m.host->message_box(main_caption,
                            "Failed to open Cassette file\n " + *path +
                                "\nfor output. Nothing of this recording is saved.",
                            MessageIcon::warning);
        return;
    }
    m.settings.cassettewr = *path;
    remember_choice(m, FilesKey::cassettewr);
    std::fputc(value, d.output.get());
}

void deck_byte_path_open_dialog(Machine& m) {
    if (m.deck.playing || m.quicktype.active) return;
    FileRequest request;
    request.purpose = FilePurpose::cassette_read;
    request.title = deck_open_title;
    request.filters = cassette_filters();
    request.default_extension = "cpf";
    request.start_path = m.settings.cassette;
    const std::optional<std::string> path = m.host->choose_open_file(request);
    if (!path || !deck_load_image(m, *path)) return;
    m.settings.cassette = *path;
    remember_choice(m, FilesKey::cassette);
}

bool deck_play_cassette_file(Machine& m) {
    if (m.deck.playing || m.quicktype.active) return false;
    m.deck.log_name.clear();
    FileRequest request;
    request.purpose = FilePurpose::cassette_play;
    request.title = deck_play_title;
    request.filters = cassette_filters();
    request.default_extension = "c10";
    request.start_path = m.settings.cassette;
    const std::optional<std::string> path = m.host->choose_open_file(request);
    if (!path || !deck_open_cassette_file(m, *path)) return false;
    m.settings.cassette = *path;
    remember_choice(m, FilesKey::cassette);
    return true;
}

bool deck_open_cassette_file(Machine& m, const std::string& path) {
    if (!common::File::open_regular(path)) return false;
    deck_stop_tape(m);
    if (common::has_extension(path, ".wav") || starts_as_wav(path)) return wav_input_open(m, path);
    return block_image_open(m, path);
}

}  // namespace trivo
