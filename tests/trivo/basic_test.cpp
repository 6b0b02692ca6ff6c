// Our BASIC on the whole machine: typed at the keyboard, run, listed, saved
// to and loaded from cassette on both of the deck's paths, printed.
//
// The machine starts as the program starts it (built-in images, BASIC
// cartridge, hard reset) and runs whole frames. Keys are pressed through
// key_state, one frame down and one frame up per character, as a person
// types; the screen is read back from the text screen's memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "cassette/deck.h"
#include "cassette/printer.h"
#include "cassette/wav_input.h"
#include "common/file_util.h"
#include "converter.h"
#include "cpu/cpu.h"
#include "machine/builtin_images.h"
#include "machine/bus.h"
#include "machine/keys.h"
#include "machine/machine.h"
#include "machine/reset.h"
#include "machine/rom_images.h"
#include "machine/scheduler.h"
#include "machine/settings.h"
#include "machine/timing.h"
#include "rom_fixture.h"
#include "wav_bytes.h"

namespace trivo {
namespace {

using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;

constexpr uint16_t screen = 0x0200;
constexpr uint8_t cursor_block = 0x20;  // BASIC's cursor: an inverse blank

// The keyboard as the system ROM reads it: the character each key types,
// plain and with SHIFT, by key number (row * 8 + bit).
constexpr char keys_plain[] = "XZQ2A1WSCVR3F4EDNBT6G5YHM,I7K8UJ/.O0L9P; :";
constexpr char keys_shift[] = "XZQ\"A!WSCVR#F$ED^BT&G%YH]<I'[(UJ?>_0\\)@+ *";

struct KeyPress {
    int key = -1;
    bool shift = false;
};

KeyPress key_for(char c) {
    if (c == '\n' || c == '\r') return {key_return, false};
    if (c == '-') return {45, false};
    if (c == '=') return {45, true};
    for (int k = 0; keys_plain[k] != '\0'; ++k) {
        if (keys_plain[k] == c) return {k, false};
    }
    for (int k = 0; keys_shift[k] != '\0'; ++k) {
        if (keys_shift[k] == c) return {k, true};
    }
    return {};
}

// The text a screen cell shows, as putchar wrote it: '#' for a block cell.
char cell_char(uint8_t code) {
    if (code >= 0x80) return '#';
    const int glyph = code & 0x3F;
    return static_cast<char>(glyph < 0x20 ? glyph + 0x40 : glyph);
}

struct BasicRig {
    std::unique_ptr<Machine> machine = make_machine();
    Machine& m = *machine;
    test::MenuHost host;
    // A test's scratch folder is named after the test: machines of one test
    // share the first machine's.
    std::unique_ptr<test::ScratchDir> own_dir;
    const test::ScratchDir& dir;

    explicit BasicRig(bool fast_io = true, const test::ScratchDir* shared = nullptr)
        : own_dir(shared ? nullptr : std::make_unique<test::ScratchDir>()), dir(shared ? *shared : *own_dir) {
        m.host = &host;
        set_cart_type(m.settings, CartType::builtin_basic);
        m.settings.enableromhacksflag = fast_io ? 1 : 0;
        set_timing_mode(m.settings, TimingMode::fast);  // every frame_tick runs a frame
        m.settings.filename = dir.file("LPRINT.TXT");
        load_rom_images(m, builtin_images());
        timing_recompute(m);
        frame_scheduler_start(m);
        machine_reset(m, ResetKind::hard);
        frames(20);
    }

    void frames(int n) {
        for (int i = 0; i < n; ++i) frame_tick(m);
    }

    bool cursor_shown() const {
        const uint16_t cursor = static_cast<uint16_t>(m.memory_image[0x0182] << 8 | m.memory_image[0x0183]);
        return cursor >= screen && cursor < screen + 512 && m.memory_image[cursor] == cursor_block;
    }

    // Runs until BASIC waits for a key again (its cursor shows for two
    // frames in a row), at most `limit` frames.
    void settle(int limit = 3000) {
        int shown = 0;
        for (int i = 0; i < limit && shown < 2; ++i) {
            frame_tick(m);
            shown = cursor_shown() ? shown + 1 : 0;
        }
    }

    void press(char c) {
        const KeyPress k = key_for(c);
        ASSERT_GE(k.key, 0) << "no key types '" << c << "'";
        m.key_state.fill(0);
        m.key_state[k.key] = 1;
        if (k.shift) m.key_state[key_shift] = 1;
        frames(1);
        m.key_state.fill(0);
        frames(1);
    }

    // Types text; each line end waits for BASIC to be ready for the next.
    void type(const std::string& text) {
        for (const char c : text) {
            press(c);
            if (c == '\n') settle();
        }
    }

    std::string row(int r) const {
        std::string text;
        for (int c = 0; c < 32; ++c) text += cell_char(m.memory_image[screen + r * 32 + c]);
        return text.substr(0, text.find_last_not_of(' ') + 1);
    }

    int cursor_row() const {
        const uint16_t cursor = static_cast<uint16_t>(m.memory_image[0x0182] << 8 | m.memory_image[0x0183]);
        return (cursor - screen) / 32;
    }

    // The rows printed after the last row that reads `command`, up to the
    // cursor's row.
    Lines output_after(const std::string& command) const {
        const int end = cursor_row();
        int start = end - 1;
        while (start >= 0 && row(start) != command) --start;
        Lines lines;
        for (int r = start + 1; r < end; ++r) lines.push_back(row(r));
        return lines;
    }
};

// Lines as the 32-column screen shows them: a longer line goes on in the
// next row.
Lines screen_rows(const Lines& lines) {
    Lines rows;
    for (const std::string& line : lines) {
        for (size_t at = 0; at == 0 || at < line.size(); at += 32) rows.push_back(line.substr(at, 32));
    }
    return rows;
}

TEST(Basic, StartsWithItsBannerAndWaitsForALine) {
    BasicRig b;
    EXPECT_EQ(b.row(0), "BASIC 1.0");
    EXPECT_EQ(b.row(1), "6399 BYTES FREE");
    EXPECT_EQ(b.row(2), "READY");
    EXPECT_EQ(b.cursor_row(), 3);
    EXPECT_TRUE(b.cursor_shown());
}

// One program per row: the lines typed, then RUN; the rows it prints up to
// READY or the error. Expected texts are written by hand from the language's
// rules, not taken from a run.
struct LanguageCase {
    const char* name;
    const char* program;
    Lines output;
};

const LanguageCase language_cases[] = {
    {"arithmetic", "10 PRINT 2+3*4,-7/2,7 MOD 3,-7 MOD 3\n20 PRINT (2+3)*4;-(-5);$10\n",
     {"14      -3      1       -1", "20516", "READY"}},
    {"comparisons and logic", "10 PRINT 3>2;2>3;2<=2;2<>2;NOT 0;5 AND 3;5 OR 3;-1<0\n",
     {"-10-10-117-1", "READY"}},
    {"variables", "10 A=5:B=A*A:LET C=B-A\n20 PRINT A;\" \";B;\" \";C\n", {"5 25 20", "READY"}},
    {"goto and if", "10 I=1\n20 PRINT I;\n30 I=I+1\n40 IF I<4 THEN 20\n50 IF I=4 GOTO 70\n60 PRINT \"NO\"\n70 PRINT\n",
     {"123", "READY"}},
    {"gosub", "10 GOSUB 100:PRINT \"B\";:GOSUB 100:END\n100 PRINT \"A\";:RETURN\n", {"ABA", "READY"}},
    {"for next step", "10 FOR I=10 TO 1 STEP -3:PRINT I;\" \";:NEXT I\n20 FOR J=1 TO 0:PRINT J:NEXT\n",
     {"10 7 4 1 1", "READY"}},
    {"nested for", "10 FOR I=1 TO 2:FOR J=1 TO 2:PRINT I*10+J;\" \";:NEXT J:NEXT I\n", {"11 12 21 22", "READY"}},
    {"data read restore", "10 READ A,B:RESTORE:READ C\n20 DATA 7, -8\n30 PRINT A;B;C\n", {"7-87", "READY"}},
    {"arrays", "10 DIM A(5):FOR I=0 TO 5:A(I)=I*I:NEXT\n20 PRINT A(5)+A(2);B(10)\n", {"290", "READY"}},
    {"functions", "10 POKE $A300,77:PRINT PEEK(41728);ABS(-9);ABS(4)\n20 R=RND(6):PRINT R>0 AND R<7\n",
     {"7794", "-1", "READY"}},
    {"tab and chr$", "10 PRINT \"A\";TAB(5);\"B\";CHR$(67)\n", {"A    BC", "READY"}},
    {"strings", "10 A$=\"HELLO\":B$=A$+\" WORLD\"\n20 PRINT B$;LEN(B$)\n", {"HELLO WORLD11", "READY"}},
    {"string functions",
     "10 A$=\"HELLO\"\n20 PRINT LEFT$(A$,2);RIGHT$(A$,3);MID$(A$,2,3);MID$(A$,4)\n"
     "30 PRINT ASC(\"A\");CHR$(66);STR$(-12);VAL(\"34\")+1;LEFT$(A$,9)\n",
     {"HELLOELLLO", "65B-1235HELLO", "READY"}},
    {"string comparisons",
     "10 A$=\"AB\"\n20 PRINT A$=\"AB\";\"A\"<\"B\";\"B\"<\"A\";A$<>\"A\";\"\"<\"A\"\n"
     "30 IF A$=\"AB\" AND 1 THEN PRINT \"YES\"\n",
     {"-1-10-1-1", "YES", "READY"}},
    {"string variables hold 31", "10 A$=\"0123456789\":A$=A$+A$+A$+A$\n20 PRINT LEN(A$);B$;\"!\"\n",
     {"31!", "READY"}},
    {"string too long", "10 A$=\"0123456789\":A$=A$+A$+A$+A$\n20 PRINT A$+A$+A$+A$+A$+A$+A$+A$+A$\n",
     {"?OUT OF MEMORY ERROR IN 20", "READY"}},
    {"rem", "10 REM PRINT 1:PRINT 2\n20 PRINT 3\n", {"3", "READY"}},
    {"end and stop", "10 PRINT 1:STOP:PRINT 2\n", {"1", "BREAK IN 10", "READY"}},
    {"syntax error", "10 PRINT 1+\n", {"?SYNTAX ERROR IN 10", "READY"}},
    {"division by zero", "10 A=0\n20 PRINT 1/A\n", {"?DIVISION BY ZERO ERROR IN 20", "READY"}},
    {"return without gosub", "10 RETURN\n", {"?RETURN WITHOUT GOSUB ERROR IN 10", "READY"}},
    {"out of memory in gosubs", "10 GOSUB 10\n", {"?OUT OF MEMORY ERROR IN 10", "READY"}},
    {"out of memory in dim", "10 DIM A(5000)\n", {"?OUT OF MEMORY ERROR IN 10", "READY"}},
    {"undefined line", "10 GOTO 99\n", {"?UNDEFINED LINE ERROR IN 10", "READY"}},
    {"next without for", "10 NEXT\n", {"?NEXT WITHOUT FOR ERROR IN 10", "READY"}},
    {"out of data", "10 READ A\n", {"?OUT OF DATA ERROR IN 10", "READY"}},
    {"bad subscript", "10 DIM A(2):A(3)=1\n", {"?BAD SUBSCRIPT ERROR IN 10", "READY"}},
    {"overflow", "10 PRINT 65536\n", {"?OVERFLOW ERROR IN 10", "READY"}},
    {"deep expression", "10 PRINT ((((((((((((((((((((((((((((((1))))))))))))))))))))))))))))))\n",
     {"?OUT OF MEMORY ERROR IN 10", "READY"}},
};

TEST(BasicLanguage, StatementsFunctionsAndErrors) {
    for (const LanguageCase& c : language_cases) {
        SCOPED_TRACE(c.name);
        BasicRig b;
        b.type(c.program);
        b.type("RUN\n");
        EXPECT_EQ(b.output_after("RUN"), screen_rows(c.output));
    }
}

TEST(BasicLanguage, ImmediateModeErrorsCarryNoLineNumber) {
    const LanguageCase cases[] = {
        {"print", "PRINT 6*7\n", {"42", "READY"}},
        {"error", "PRINT 1/0\n", {"?DIVISION BY ZERO ERROR", "READY"}},
        {"cont", "CONT\n", {"?CAN'T CONTINUE ERROR", "READY"}},
        {"unknown", "HELLO\n", {"?SYNTAX ERROR", "READY"}},
    };
    for (const LanguageCase& c : cases) {
        SCOPED_TRACE(c.name);
        BasicRig b;
        b.type(c.program);
        std::string command = c.program;
        command.pop_back();
        EXPECT_EQ(b.output_after(command), c.output);
    }
}

TEST(BasicLanguage, StopThenContAndInput) {
    BasicRig b;
    b.type("10 PRINT 1:STOP:PRINT 2\nRUN\nCONT\n");
    EXPECT_EQ(b.output_after("CONT"), (Lines{"2", "READY"}));

    b.type("NEW\n10 INPUT \"N\";N,M:PRINT N*M\nRUN\n6,-7\n");
    EXPECT_EQ(b.output_after("RUN"), (Lines{"N? 6,-7", "-42", "READY"}));
    // Too few numbers: asked for more; not a number: asked again.
    b.type("RUN\n3\nX\n5\n");
    EXPECT_EQ(b.output_after("RUN"), (Lines{"N? 3", "?? X", "?REDO", "? 5", "15", "READY"}));

    b.type("NEW\n10 INPUT N$,M$:PRINT \"HI \";N$;\" \";M$\nRUN\nJOE\nANN, BOB\n");
    EXPECT_EQ(b.output_after("RUN"), (Lines{"? JOE", "?? ANN, BOB", "HI JOE ANN", "READY"}));
}

TEST(BasicEditor, LinesAreInsertedReplacedDeletedAndListed) {
    BasicRig b;
    b.type("30 PRINT 3\n10 PRINT 1\n20 PRINT 0\n20 PRINT 2\n40 GOTO 10\n40\nLIST\n");
    EXPECT_EQ(b.output_after("LIST"), (Lines{"10 PRINT 1", "20 PRINT 2", "30 PRINT 3", "READY"}));
    b.type("LIST 20\n");
    EXPECT_EQ(b.output_after("LIST 20"), (Lines{"20 PRINT 2", "READY"}));
    b.type("LIST -20\n");
    EXPECT_EQ(b.output_after("LIST -20"), (Lines{"10 PRINT 1", "20 PRINT 2", "READY"}));
    b.type("LIST 20-\n");
    EXPECT_EQ(b.output_after("LIST 20-"), (Lines{"20 PRINT 2", "30 PRINT 3", "READY"}));
    // Keywords typed without blanks come back spelt out, the rest as typed.
    b.type("5 FORI=1TO2:PRINT\"A B\";I:NEXT\nLIST 5\n");
    EXPECT_EQ(b.output_after("LIST 5"), (Lines{"5 FORI=1TO2:PRINT\"A B\";I:NEXT", "READY"}));
    b.type("NEW\nLIST\n");
    EXPECT_EQ(b.output_after("LIST"), (Lines{"READY"}));
}

TEST(BasicEditor, RuboutTakesBackACharacter) {
    BasicRig b;
    b.m.key_state.fill(0);
    b.type("PRINT 12");
    b.m.key_state[47] = 1;  // RUBOUT
    b.frames(1);
    b.m.key_state.fill(0);
    b.frames(1);
    b.type("3\n");
    EXPECT_EQ(b.output_after("PRINT 13"), (Lines{"13", "READY"}));
}

TEST(BasicGraphics, PlotLightsBlocksInTheChosenColour) {
    BasicRig b;
    b.type("CLS:PRINT:COLOR 3:PLOT 0,0:PLOT 3,1:PLOT 2,0\n");
    EXPECT_EQ(b.m.memory_image[screen], 0x80 | 0x30 | 0x08);             // red, upper left
    EXPECT_EQ(b.m.memory_image[screen + 1], 0x80 | 0x30 | 0x08 | 0x01);  // and lower right of cell 1
    b.type("COLOR 8\n");
    EXPECT_EQ(b.output_after("COLOR 8"), (Lines{"?BAD VALUE ERROR", "READY"}));
    b.type("PLOT 64,0\n");
    EXPECT_EQ(b.output_after("PLOT 64,0"), (Lines{"?BAD VALUE ERROR", "READY"}));
}

// ------------------------------------------------------------- cassette

const char* const tape_program = "10 FOR I=1 TO 3\n20 PRINT \"HELLO\";I\n30 NEXT\n";
const Lines tape_listing = {"10 FOR I=1 TO 3", "20 PRINT \"HELLO\";I", "30 NEXT", "READY"};

// One program line as BASIC keeps it: length, number, text with the
// keywords as tokens, 0.
Bytes record(uint16_t number, const Bytes& text) {
    Bytes r(text.size() + 4, 0);
    r[0] = static_cast<uint8_t>(r.size());
    r[1] = static_cast<uint8_t>(number >> 8);
    r[2] = static_cast<uint8_t>(number);
    std::copy(text.begin(), text.end(), r.begin() + 3);
    return r;
}

Bytes program_bytes() {
    Bytes p = record(10, {0x86, ' ', 'I', '=', '1', ' ', 0x9F, ' ', '3'});  // FOR, TO
    const Bytes l20 = record(20, {0x80, ' ', '"', 'H', 'E', 'L', 'L', 'O', '"', ';', 'I'});  // PRINT
    const Bytes l30 = record(30, {0x87});  // NEXT
    p.insert(p.end(), l20.begin(), l20.end());
    p.insert(p.end(), l30.begin(), l30.end());
    return p;
}

Bytes read_file(const std::string& path) { return common::read_file(path, 1 << 24).value_or(Bytes{}); }

// The machine loads, lists and runs what it saved.
void expect_program_loaded(BasicRig& b) {
    b.type("LIST\n");
    EXPECT_EQ(b.output_after("LIST"), tape_listing);
    b.type("RUN\n");
    EXPECT_EQ(b.output_after("RUN"), (Lines{"HELLO1", "HELLO2", "HELLO3", "READY"}));
}

// CSAVE with fast I/O writes the CPF image: length, lines, sum; tonel checks
// the sum as the machine's tapes carry it.
TEST(BasicCassette, CsaveWritesACpfImageTonelCallsGood) {
    BasicRig b;
    b.type(tape_program);
    const std::string cpf = b.dir.file("PROG.CPF");
    b.host.save_answer = cpf;
    b.type("CSAVE\n");
    EXPECT_EQ(b.output_after("CSAVE"), (Lines{"READY"}));
    b.frames(70);  // a second without bytes ends the recording
    const Bytes image = read_file(cpf);
    Bytes expected = {0, static_cast<uint8_t>(program_bytes().size())};
    const Bytes lines = program_bytes();
    expected.insert(expected.end(), lines.begin(), lines.end());
    expected.push_back(static_cast<uint8_t>(std::accumulate(expected.begin(), expected.end(), 0u)));
    EXPECT_EQ(image, expected);
    EXPECT_EQ(tonel::checksum_status(image), "Good");
    EXPECT_EQ(b.host.save_requests.size(), 1u);

    // The same image through the byte path of a fresh machine.
    BasicRig load(true, &b.dir);
    load.host.open_answer = cpf;
    load.type("CLOAD\n");
    EXPECT_EQ(load.output_after("CLOAD"), (Lines{"READY"}));
    expect_program_loaded(load);
}

// tonel's recording, played into the cassette input without fast I/O: the
// preamble finds the leader and read-byte times every bit, for both sample
// rates and both wave shapes (whose halves come in opposite order).
TEST(BasicCassette, TonelRecordingLoadsThroughTheBitPath) {
    BasicRig save;
    save.type(tape_program);
    const std::string cpf = save.dir.file("PROG.CPF");
    save.host.save_answer = cpf;
    save.type("CSAVE\n");
    save.frames(70);
    for (const auto rate : {tonel::SampleRate::hz44100, tonel::SampleRate::hz22050}) {
        for (const auto shape : {tonel::WaveShape::sine, tonel::WaveShape::square}) {
            SCOPED_TRACE(static_cast<int>(rate) + (shape == tonel::WaveShape::sine ? 0 : 1));
            tonel::ConversionSettings settings;
            settings.sample_rate = rate;
            settings.wave_shape = shape;
            const tonel::ConversionResult wav = tonel::convert_cpf(cpf, settings);
            ASSERT_EQ(wav.outcome, tonel::ConversionOutcome::good);

            BasicRig b(false, &save.dir);
            ASSERT_TRUE(deck_open_cassette_file(b.m, wav.wav_path));
            b.press('C');
            b.type("LOAD\n");
            b.settle(2000);  // half a second of silence and 12 s of leader
            EXPECT_EQ(b.output_after("CLOAD"), (Lines{"READY"}));
            expect_program_loaded(b);
        }
    }
}

// With fast I/O on, a WAV recording chosen at the load still plays through
// read-byte, and the logger catches every byte read-byte returns: the CPF
// image again.
TEST(BasicCassette, LoggerCapturesTheBytesOfARecording) {
    BasicRig save;
    save.type(tape_program);
    const std::string cpf = save.dir.file("PROG.CPF");
    save.host.save_answer = cpf;
    save.type("CSAVE\n");
    save.frames(70);
    const tonel::ConversionResult wav = tonel::convert_cpf(cpf, {});
    ASSERT_EQ(wav.outcome, tonel::ConversionOutcome::good);

    BasicRig b(true, &save.dir);
    wav_logger_toggle(b.m);
    ASSERT_TRUE(b.m.wav_logger_on);
    b.host.open_answer = wav.wav_path;
    b.type("CLOAD\n");
    b.settle(2000);
    EXPECT_EQ(b.output_after("CLOAD"), (Lines{"READY"}));
    b.frames(70);  // the tape stops a second after the last read
    EXPECT_EQ(read_file(wav_log_name(wav.wav_path)), read_file(cpf));
    expect_program_loaded(b);
}

// Without fast I/O CSAVE drives the cassette output bit itself. Its square
// wave, sampled as a recorder would, loads back through the bit path.
TEST(BasicCassette, SlowSaveIsARealSquareWaveTape) {
    BasicRig b(false);
    b.type(tape_program);
    b.type("CSAVE");
    b.m.key_state[key_return] = 1;
    // Step instruction by instruction, noting each change of the output bit.
    std::vector<std::pair<uint32_t, bool>> edges;
    bool level = false;
    uint64_t spent = 0;
    while (spent < 4'000'000 && !(edges.size() > 100 && b.cursor_shown())) {
        spent += static_cast<uint64_t>(cpu_execute(b.m, 1));
        if (spent > 30'000) b.m.key_state.fill(0);
        const bool now = (b.m.memory_image[pia2_base + 2] & 0x40) != 0;
        if (now != level) edges.push_back({b.m.machine_clock, now});
        level = now;
    }
    ASSERT_GT(edges.size(), 1000u);
    // One period per bit, low half first: every low half is short (a 0,
    // about 230 cycles) or long (a 1, about 470).
    for (size_t i = 1; i < edges.size(); ++i) {
        if (edges[i].second) {
            const uint32_t low = edges[i].first - edges[i - 1].first;
            EXPECT_TRUE((low > 200 && low < 260) || (low > 440 && low < 500)) << low;
        }
    }
    EXPECT_TRUE(b.host.save_requests.empty());  // nothing went to a file

    // 44100 samples a second: high 240, low 16, with silence either side.
    Bytes samples(22050, 128);
    const double cycles_per_sample = 894900.0 / 44100.0;
    size_t e = 0;
    bool out = false;
    for (double t = edges.front().first; t < edges.back().first + 2000; t += cycles_per_sample) {
        while (e < edges.size() && edges[e].first <= t) out = edges[e++].second;
        samples.push_back(out ? 240 : 16);
    }
    samples.insert(samples.end(), 22050, 128);
    const std::string wav = b.dir.file("SLOW.WAV");
    test::write_bytes(wav, test_wav::wav(samples));

    BasicRig load(false, &b.dir);
    ASSERT_TRUE(deck_open_cassette_file(load.m, wav));
    load.type("CLOAD\n");
    load.settle(2000);
    EXPECT_EQ(load.output_after("CLOAD"), (Lines{"READY"}));
    expect_program_loaded(load);
}

// A recording that ends too soon, or one whose sum is wrong, loads nothing.
TEST(BasicCassette, BadTapesAreReportedAndLeaveNoProgram) {
    BasicRig b;
    b.type(tape_program);
    Bytes image = {0, static_cast<uint8_t>(program_bytes().size())};
    const Bytes lines = program_bytes();
    image.insert(image.end(), lines.begin(), lines.end());
    const uint8_t sum = static_cast<uint8_t>(std::accumulate(image.begin(), image.end(), 0u));
    const struct {
        const char* name;
        Bytes tape;
        const char* message;
    } cases[] = {
        {"checksum", [&] { Bytes t = image; t.push_back(static_cast<uint8_t>(sum + 1)); return t; }(),
         "?CHECKSUM ERROR"},
        {"short", Bytes(image.begin(), image.begin() + 10), "?TAPE ERROR"},
        {"too long", Bytes{0xFF, 0x00, 1, 2, 3}, "?OUT OF MEMORY ERROR"},
        {"not lines", [&] { Bytes t = {0, 3, 1, 2, 3}; t.push_back(static_cast<uint8_t>(9)); return t; }(),
         "?TAPE ERROR"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = b.dir.file(std::string(c.name) + ".CPF");
        test::write_bytes(path, c.tape);
        b.host.open_answer = path;
        b.type("CLOAD\n");
        b.frames(70);
        EXPECT_EQ(b.output_after("CLOAD"), (Lines{c.message, "READY"}));
        b.type("LIST\n");
        EXPECT_EQ(b.output_after("LIST"), (Lines{"READY"}));
    }
}

// ------------------------------------------------------------- printer

TEST(BasicPrinter, LprintAndLlistGoToThePrinterFile) {
    BasicRig b;
    b.type("10 LPRINT \"A\";1,2\n20 LPRINT TAB(3);\"B\"\nRUN\nLLIST\n");
    b.frames(60);  // the printer file closes after 0.67 s without a byte
    const Bytes file = read_file(b.m.settings.filename);
    const std::string text(file.begin(), file.end());
    EXPECT_EQ(text,
              "A1      2\r\n"
              "   B\r\n"
              "10 LPRINT \"A\";1,2\r\n"
              "20 LPRINT TAB(3);\"B\"\r\n");
    // Nothing of it on the screen.
    EXPECT_EQ(b.output_after("RUN"), (Lines{"READY", "LLIST", "READY"}));
}

}  // namespace
}  // namespace trivo
