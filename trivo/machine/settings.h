// The persistent settings record. The configuration file fills it at start-up;
// dialogs edit a copy and write back their own group of keys. Field names are
// the configuration keys; the tables are named after what they hold.
//
// The values given here are the built-in ones: what a setting holds when the
// configuration file or its key is missing. Flags are 0 or 1.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "machine/timing.h"

namespace trivo {

// One entry of the display palette: 8 bits each of red, green and blue.
struct PaletteEntry {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;

    friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};

inline constexpr int palette_entries = 49;
using VideoPalette = std::array<PaletteEntry, palette_entries>;

// The palette as the machine shows it, one entry per colour swatch of the
// Colors dialog: borders of both colour sets, the text colours, the nine
// colours of colour set 0, set 1 and 4-colour graphics, the 2-colour graphics
// pairs and the artifact colours.
inline constexpr VideoPalette default_video_palette = [] {
    constexpr PaletteEntry black{16, 16, 16}, green{40, 224, 40}, yellow{240, 240, 112},
        blue{32, 32, 216}, red{168, 32, 32}, buff{240, 240, 240}, cyan{40, 168, 168},
        magenta{211, 97, 250}, orange{240, 136, 40}, dark_green{16, 96, 16},
        light_orange{240, 176, 64}, dark_orange{128, 48, 16};
    constexpr PaletteEntry colours[9] = {black, green, yellow, blue, red,
                                         buff,  cyan,  magenta, orange};
    VideoPalette p{};
    p[0] = green;   // colour set 0: 2-colour graphics border
    p[1] = buff;    // colour set 1: 2-colour graphics border
    p[2] = green;   // colour set 0: 4-colour graphics border
    p[3] = buff;    // colour set 1: 4-colour graphics border
    p[4] = black;   // colour set 0: alphanumeric and semigraphics border
    p[5] = black;   // colour set 1: the same (never drawn: that border is always entry 4)
    p[6] = green;   // colour set 0: text 0, text 1, inverse text 0, inverse text 1
    p[7] = dark_green;
    p[8] = dark_green;
    p[9] = green;
    p[19] = light_orange;  // colour set 1: the same four
    p[20] = dark_orange;
    p[21] = dark_orange;
    p[22] = light_orange;
    for (int i = 0; i < 9; ++i) {
        p[10 + i] = colours[i];  // colour set 0 semigraphics
        p[23 + i] = colours[i];  // colour set 1 semigraphics
        p[32 + i] = colours[i];  // 4-colour graphics
    }
    p[41] = dark_green;  // 2-colour graphics: black and green of set 0,
    p[42] = green;
    p[43] = black;       // black and buff of set 1
    p[44] = buff;
    p[45] = black;  // artifacting: black, buff, green, red
    p[46] = buff;
    p[47] = PaletteEntry{32, 240, 32};
    p[48] = PaletteEntry{160, 16, 224};
    return p;
}();

// Sensible keyboard: one entry per PC virtual-key code, -1 when unassigned,
// else the APF key number plus 256 when APF SHIFT must be held plus 512 when
// APF CTRL must be held.
inline constexpr int sensible_unassigned = -1;
inline constexpr int sensible_with_shift = 256;
inline constexpr int sensible_with_ctrl = 512;
using SensibleTable = std::array<int, 256>;
inline constexpr SensibleTable unassigned_sensible_table = [] {
    SensibleTable t{};
    t.fill(sensible_unassigned);
    return t;
}();

// Emulated keyboard: for each APF key number 0x00-0x7F, the PC keys and
// joystick switches that press it, as two-character tokens (at most 15).
inline constexpr size_t emu_key_text_max = 31;
using EmuKeyMap = std::array<std::string, 128>;

struct Settings {
    // --- MEMORY ---
    // Memory layout: 0 = the machine as sold, 1 = the emulator's enhanced RAM layout.
    int enhancedflag = 0;
    // 0 = no RAM expander, 1 = 8K expansion at 0xC000-0xDFFF. Reading the
    // configuration always sets it (a missing key reads as 0).
    int expandertype = 0;
    // Enhanced layout only: the ROM windows become RAM.
    int writeROMflag = 0;
    int usebuiltinromflag = 1;    // built-in system ROM instead of ROMfilename
    int usebuiltincharflag = 1;   // built-in character ROM instead of CHARfilename
    int usebuiltincharxflag = 1;  // no external character ROM (else CHARXfilename)
    std::string ROMfilename = "NECTREK.BIN";
    std::string CHARfilename = "TREKCHAR.BIN";
    std::string CHARXfilename = "TREKCHRX.BIN";
    // Cartridge: a CartType number; read it with cart_type. Reading the
    // configuration always sets it: a missing key reads as 0, no cartridge.
    int carttype = 1;
    int enableromhacksflag = 1;  // fast cassette I/O traps, with the built-in BASIC only
    std::string BASICfilename = "basic_6880.bin";
    std::string GAMEfilename = "backgammon_80.bin";
    std::string S19filename = "ufo.S19";

    // --- PRINTER ---
    int printnulls = 0;        // pass zero bytes to the printer file
    int autolinefeedflag = 1;  // line feed after each carriage return
    int fixedwidthflag = 0;    // break lines at width
    int width = 132;
    std::string filename = "LPRINT.TXT";

    // --- KEYBOARD ---
    int emulatedflag = 0;    // 1: positional (emulated) keyboard; 0: sensible keyboard
    int qtuselowerflag = 1;  // quicktype types lower case as lower case
    int joykeyenable = 1;    // joysticks press the APF keys mapped to them
    SensibleTable sensible_normal = unassigned_sensible_table;  // PC key alone
    SensibleTable sensible_shift = unassigned_sensible_table;   // with PC Shift
    SensibleTable sensible_ctrl = unassigned_sensible_table;    // with PC Ctrl

    // --- EMUKEYBOARD ---
    EmuKeyMap emu_key_map;

    // --- VIDEO and COLOR ---
    int windowscaling = 2;  // window size 1, 2 or 3 times the picture
    int useartifact = 0;    // artifact colours in 2-colour graphics
    VideoPalette video_palette = default_video_palette;

    // --- SOUND ---
    int clickerflag = 1;
    int clickervolpct = 50;  // 0-100

    // --- FILES ---
    std::string cassette = "grloop.c10";    // cassette to play
    std::string quicktype = "grfun.txt";    // text to type
    std::string cassettewr = "cassav.c10";  // cassette to record into
    std::string lst1 = "testasm.lst";       // assembler listing for the LST window
    std::string script = "demo.txt";
    int nscreenshot = 0;  // number of the next screenshot file

    // --- LOADBINARY ---
    int execaddrishex = 1;  // kept and written back; no dialog field uses it
    int loadaddrishex = 1;  // load address shown in hexadecimal
    int pokeexecaddr = 0;   // kept and written back; no dialog field uses it
    int bloadaddr = 0xB000;
    int bexecaddr = 0xB000;  // kept and written back; no dialog field uses it
    std::string bloadfilename = "pinball.bin";

    // --- CSAVEM ---
    int csavstartishex = 1;
    int csavendishex = 1;
    int csavstart = 0xB000;
    int csavend = 0xBFFE;  // last address saved, included
    std::string csavfilename = "mymlprog.c10";

    // --- SPEED ---
    // Timing mode: a TimingMode number (0 NTSC, 1 PAL, 2 custom, 3 fast);
    // read it with timing_mode. Reading the configuration always sets it (a
    // missing key reads as 0).
    int cpuspeedopt = 0;
    int ntscmultiplierpct = 100;  // speed in percent, NTSC mode
    int palmultiplierpct = 100;   // speed in percent, PAL mode
    int activescancust = ntsc_timing.active_scan_cycles;  // custom mode: cycles of active scan per frame
    int vblankcust = ntsc_timing.vblank_cycles;  // custom mode: cycles of border and vertical blank
    int fpscust = ntsc_timing.frames_per_second;  // custom mode: frames per second
    int usevideoupdatepsflag = 0;  // pace repaints at videoupdatesps
    int videoupdatesps = 60;
    int speedupfilesflag = 1;  // run flat out while a file is being read or written

    friend bool operator==(const Settings&, const Settings&) = default;
};

// What the cartridge slot holds (carttype keeps these numbers in the
// configuration file).
enum class CartType : int {
    none = 0,
    builtin_basic = 1,  // the BASIC built into the program
    basic_file = 2,     // BASIC from BASICfilename
    game_file = 3,      // a game ROM from GAMEfilename
    s19_file = 4,       // a program from the S-record file S19filename
};

inline CartType cart_type(const Settings& s) { return static_cast<CartType>(s.carttype); }
inline void set_cart_type(Settings& s, CartType type) { s.carttype = static_cast<int>(type); }

// The timing mode the settings select. A number outside the four modes
// selects none of them; the scheduler treats it as NTSC.
inline TimingMode timing_mode(const Settings& s) { return static_cast<TimingMode>(s.cpuspeedopt); }
inline void set_timing_mode(Settings& s, TimingMode mode) { s.cpuspeedopt = static_cast<int>(mode); }

}  // namespace trivo
