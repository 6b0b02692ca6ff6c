// trivo --headless against settings and paths an attacker (or an unlucky
// user) could hand it: absurd numbers, FIFOs, folders and devices where a
// file belongs, a 10 MB line, binary junk, ROM files of awkward sizes, an S19
// file of 100,000 lines, outputs into missing and protected folders and onto
// links. Every case ends by itself with the fallback or a clear message and
// its exit status, and leaves every file it was not asked to write exactly
// as it was: same kind, bytes, mode and inode (a file replaced by an equal
// copy counts as replaced).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "fifo_guard.h"
#include "headless_runner.h"
#include "machine/builtin_images.h"
#include "scratch_folder.h"

namespace trivo {
namespace {

namespace fs = std::filesystem;

struct InFolder : test_support::ScratchFolder {
    fs::path previous = fs::current_path();
    InFolder() { fs::current_path(path); }
    ~InFolder() {
        // Protected folders a case made must not stop the clean-up.
        for (const auto& e : fs::recursive_directory_iterator(path))
            if (e.is_directory() && !e.is_symlink()) fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add);
        fs::current_path(previous);
    }
};

void write_bytes(const std::string& name, const std::string& bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
}

std::string link_text(const std::string& name) {
    std::error_code error;
    return fs::read_symlink(name, error).string();
}

// What a name holds, compared before and after a run.
struct Entry {
    mode_t mode = 0;
    ino_t inode = 0;
    off_t size = 0;
    dev_t device = 0;
    std::string link;     // a symbolic link's text
    size_t content = 0;   // hash of a regular file's bytes (files up to 64 MB)
    bool operator==(const Entry&) const = default;
};

std::map<std::string, Entry> snapshot() {
    std::map<std::string, Entry> all;
    for (const auto& e : fs::recursive_directory_iterator(".")) {
        struct stat st {};
        EXPECT_EQ(::lstat(e.path().c_str(), &st), 0) << e.path();
        Entry entry;
        entry.mode = st.st_mode;
        entry.inode = st.st_ino;
        entry.size = st.st_size;
        entry.device = st.st_rdev;
        if (S_ISLNK(st.st_mode)) entry.link = link_text(e.path());
        if (S_ISREG(st.st_mode) && st.st_size <= (64 << 20)) {
            std::ifstream in(e.path(), std::ios::binary);
            std::stringstream s;
            s << in.rdbuf();
            entry.content = std::hash<std::string>{}(s.str());
        }
        all[e.path().lexically_normal().string()] = entry;
    }
    return all;
}

// Files a case sets up in the scratch folder. FIFOs are guarded: a reader
// that waits on one is set free after a while, and the case fails.
struct Files {
    std::vector<std::unique_ptr<test_support::FifoGuard>> fifos;
    bool devices = true;  // false when device nodes could not be made (not root)

    void fifo(const std::string& name) {
        fifos.push_back(std::make_unique<test_support::FifoGuard>(name, "[SPEED]\ncpuspeedopt=1\n"));
        ASSERT_TRUE(fifos.back()->made());
    }
    // Device nodes of our own, so that no case ever risks the system's.
    void device(const std::string& name, unsigned minor) {
        if (::mknod(name.c_str(), S_IFCHR | 0666, makedev(1, minor)) != 0) devices = false;
    }
};

using Result = test::HeadlessResult;
const auto run = test::run_headless;

std::string s19_record(uint16_t address, const std::vector<uint8_t>& data) {
    char text[8];
    std::string line = "S1";
    unsigned sum = 0;
    auto put = [&](uint8_t b) {
        std::snprintf(text, sizeof text, "%02X", b);
        line += text;
        sum += b;
    };
    put(static_cast<uint8_t>(data.size() + 3));
    put(static_cast<uint8_t>(address >> 8));
    put(static_cast<uint8_t>(address));
    for (uint8_t b : data) put(b);
    std::snprintf(text, sizeof text, "%02X", static_cast<uint8_t>(~sum));
    return line + text + "\n";
}

std::string ram_at(const std::string& dump, size_t address, size_t n) {
    std::ifstream in(dump, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return bytes.size() == 65536 ? bytes.substr(address, n) : std::string();
}

struct Hostile {
    const char* name;
    std::function<void(Files&)> setup;
    std::vector<std::string> args;
    int status;
    std::string message;               // part of stderr; empty: stderr stays empty
    std::vector<std::string> written;  // the only names the run may change
    std::function<void()> check = {};  // what the written names hold afterwards
};

std::vector<Hostile> hostile_cases() {
    return {
        // --- settings: numbers ------------------------------------------------
        {"huge numbers clamp",
         [](Files&) {
             write_bytes("foo.ini",
                         "[SPEED]\ncpuspeedopt=2\nactivescancust=99999999999999999999\n"
                         "vblankcust=2147483648\nfpscust=9223372036854775808\nvideoupdatesps=1e999\n"
                         "usevideoupdatepsflag=1\n[VIDEO]\nwindowscaling=4294967297\n"
                         "[FILES]\nnscreenshot=99999\n[PRINTER]\nwidth=2147483647\nfixedwidthflag=1\n"
                         "[LOADBINARY]\nbloadaddr=65536\n[CSAVEM]\ncsavend=999999\n"
                         "[KEYBOARD]\nn41=2147483647\nK05=" + std::string(4000, 'Z') + "\n");
         },
         {"--seconds", "1", "--speed"}, 0, "", {}, {}},
        {"negative numbers clamp",
         [](Files&) {
             write_bytes("foo.ini",
                         "[SPEED]\ncpuspeedopt=2\nactivescancust=-2147483648\nvblankcust=-1\n"
                         "fpscust=-30\n[SOUND]\nclickervolpct=-4\n[MEMORY]\ncarttype=-9\n"
                         "expandertype=-1\n[PRINTER]\nwidth=-5\nfixedwidthflag=1\n"
                         "[KEYBOARD]\nn41=-2147483648\ns20=-2\n");
         },
         {"--seconds", "1", "--speed"}, 0, "", {}, {}},
        {"absurd command-line numbers", [](Files&) {}, {"--frames", "99999999999999999999"}, 2,
         "--frames needs", {}, {}},
        {"negative frames", [](Files&) {}, {"--frames", "-1"}, 2, "--frames needs", {}, {}},
        {"seconds beyond any run", [](Files&) {}, {"--seconds", "1e308"}, 2, "--seconds needs", {}, {}},

        // --- settings files that are no files ------------------------------
        {"configuration file is a FIFO", [](Files& s) { s.fifo("foo.ini"); },
         {"--seconds", "1", "--speed"}, 0, "", {}, {}},
        {"DI10.INI names a FIFO",
         [](Files& s) {
             write_bytes("DI10.INI", "[CONFIG]\nini=pipe.ini\n");
             s.fifo("pipe.ini");
         },
         {"--seconds", "1", "--speed"}, 0, "", {}, {}},
        {"DI10.INI is a FIFO", [](Files& s) { s.fifo("DI10.INI"); }, {"--seconds", "1", "--speed"}, 0,
         "", {}, {}},
        {"DI10.INI names a folder",
         [](Files&) {
             write_bytes("DI10.INI", "[CONFIG]\nini=settings\n");
             fs::create_directory("settings");
         },
         {"--seconds", "1", "--speed"}, 0, "", {}, {}},
        {"DI10.INI names a device",
         [](Files&) { write_bytes("DI10.INI", "[CONFIG]\nini=/dev/zero\n"); },
         {"--seconds", "1", "--speed"}, 0, "", {}, {}},
        {"--config names a FIFO", [](Files& s) { s.fifo("pipe.ini"); }, {"--config", "pipe.ini"}, 1,
         "cannot read configuration file pipe.ini", {}, {}},
        {"--config names a folder", [](Files&) { fs::create_directory("dir.ini"); },
         {"--config", "dir.ini"}, 1, "cannot read configuration file dir.ini", {}, {}},
        {"--config names a device", [](Files&) {}, {"--config", "/dev/null"}, 1,
         "cannot read configuration file /dev/null", {}, {}},

        // --- settings files with odd contents ---------------------------------
        {"10 MB line before the keys",
         [](Files&) {
             write_bytes("foo.ini", "[SPEED]\njunk=" + std::string(10 << 20, 'x') + "\nfpscust=30\ncpuspeedopt=2\n");
         },
         {"--seconds", "1", "--speed"}, 0, "", {}, {}},
        {"10 MB file name is cut, not used whole",
         [](Files&) {
             write_bytes("foo.ini", "[MEMORY]\nusebuiltinromflag=0\nROMfilename=" + std::string(10 << 20, 'r') + "\n");
         },
         {"--frames", "2"}, 1, "Could not load in ROM OS file\n " + std::string(255, 'r') + "\n  See", {}, {}},
        {"binary junk",
         [](Files&) {
             std::mt19937 random(11);
             std::string junk(256 << 10, '\0');
             for (char& c : junk) c = static_cast<char>(random());
             write_bytes("foo.ini", junk);
         },
         {"--seconds", "1", "--speed"}, 0, "", {}, {}},

        // --- ROM images -----------------------------------------------------
        {"system ROM of 0 bytes",
         [](Files&) {
             write_bytes("foo.ini", "[MEMORY]\nusebuiltinromflag=0\nROMfilename=empty.rom\n");
             write_bytes("empty.rom", "");
         },
         {"--frames", "2"}, 1, "Could not load in ROM OS file\n empty.rom", {}, {}},
        {"system ROM is a FIFO",
         [](Files& s) {
             write_bytes("foo.ini", "[MEMORY]\nusebuiltinromflag=0\nROMfilename=pipe.rom\n");
             s.fifo("pipe.rom");
         },
         {"--frames", "2"}, 1, "Could not load in ROM OS file\n pipe.rom", {}, {}},
        {"system ROM is a device",
         [](Files&) { write_bytes("foo.ini", "[MEMORY]\nusebuiltinromflag=0\nROMfilename=/dev/zero\n"); },
         {"--frames", "2"}, 1, "Could not load in ROM OS file\n /dev/zero", {}, {}},
        {"cartridge of 0 bytes",
         [](Files&) {
             write_bytes("foo.ini", "[MEMORY]\ncarttype=3\nGAMEfilename=empty.bin\n");
             write_bytes("empty.bin", "");
         },
         {"--frames", "2"}, 1, "Could not load in Game ROM OS file\n empty.bin", {}, {}},
        {"cartridge is a folder",
         [](Files&) {
             write_bytes("foo.ini", "[MEMORY]\ncarttype=3\nGAMEfilename=game\n");
             fs::create_directory("game");
         },
         {"--frames", "2"}, 1, "Could not load in Game ROM OS file\n game", {}, {}},
        // A cartridge without the $BB signature is not started: the system ROM
        // runs as without one, so these images load and the run succeeds.
        {"cartridge of 1 byte",
         [](Files&) {
             write_bytes("foo.ini", "[MEMORY]\ncarttype=3\nGAMEfilename=one.bin\n");
             write_bytes("one.bin", std::string(1, '\x5A'));
         },
         {"--frames", "2", "--ram-dump", "ram.bin"}, 0, "", {"ram.bin"},
         [] { EXPECT_EQ(ram_at("ram.bin", 0x8000, 4), "ZZZZ"); }},
        {"cartridge of 8,193 bytes",
         [](Files&) {
             write_bytes("foo.ini", "[MEMORY]\ncarttype=3\nGAMEfilename=long.bin\n");
             write_bytes("long.bin", "AB" + std::string(8189, 'x') + "YZ");
         },
         {"--frames", "2", "--ram-dump", "ram.bin"}, 0, "", {"ram.bin"},
         [] {
             EXPECT_EQ(ram_at("ram.bin", 0x8000, 2), "AB");
             EXPECT_EQ(ram_at("ram.bin", 0x9FFF, 1), "Y");  // the 8,193rd byte stays out
         }},
        {"cartridge of 3 GB, sparse",
         [](Files&) {
             write_bytes("foo.ini", "[MEMORY]\ncarttype=3\nGAMEfilename=huge.bin\n");
             write_bytes("huge.bin", "Q");
             fs::resize_file("huge.bin", 3ull << 30);
         },
         {"--frames", "2", "--ram-dump", "ram.bin"}, 0, "", {"ram.bin"},
         [] { EXPECT_EQ(ram_at("ram.bin", 0x8000, 2), std::string("Q\0", 2)); }},
        {"S19 of 100,000 lines",
         [](Files&) {
             write_bytes("foo.ini", "[MEMORY]\ncarttype=4\nS19filename=big.s19\n");
             std::string text;
             text.reserve(100000 * 45);
             for (int i = 0; i < 100000; ++i) {
                 // The records go round $B000-$BFFF, 256 to a round, each
                 // holding the number of its round.
                 const uint16_t address = static_cast<uint16_t>(0xB000 + (i % 256) * 16);
                 text += s19_record(address, std::vector<uint8_t>(16, static_cast<uint8_t>(i >> 8)));
             }
             write_bytes("big.s19", text);
         },
         {"--frames", "2", "--ram-dump", "ram.bin"}, 0, "", {"ram.bin"},
         [] {
             // The last record, 99,999, is number 159 of round 390 at $B9F0;
             // the one after it in memory was last written in round 389.
             EXPECT_EQ(ram_at("ram.bin", 0xB9F0, 1), std::string(1, static_cast<char>(390 & 0xFF)));
             EXPECT_EQ(ram_at("ram.bin", 0xBA00, 1), std::string(1, static_cast<char>(389 & 0xFF)));
         }},
        {"S19 of binary junk",
         [](Files&) {
             write_bytes("foo.ini", "[MEMORY]\ncarttype=4\nS19filename=junk.s19\n");
             write_bytes("junk.s19", std::string("S1\xff\x00\x13zz\nS1", 11));
         },
         {"--frames", "2"}, 1, "Problem loading S19 file\n junk.s19", {}, {}},

        // --- other inputs ---------------------------------------------------
        {"text to type is a FIFO", [](Files& s) { s.fifo("typed.txt"); }, {"--type-file", "typed.txt"}, 1,
         "cannot read text file typed.txt", {}, {}},
        {"text to type is a device", [](Files&) {}, {"--type-file", "/dev/zero"}, 1,
         "cannot read text file /dev/zero", {}, {}},
        {"script is a FIFO", [](Files& s) { s.fifo("run.txt"); }, {"--script", "run.txt"}, 1,
         "cannot run script file run.txt", {}, {}},
        {"script is a folder", [](Files&) { fs::create_directory("run.txt"); }, {"--script", "run.txt"}, 1,
         "cannot run script file run.txt", {}, {}},
        {"tape is a FIFO", [](Files& s) { s.fifo("tape.cpf"); }, {"--tape", "tape.cpf"}, 1,
         "cannot read cassette file tape.cpf", {}, {}},

        // --- outputs ----------------------------------------------------------
        {"output into a missing folder", [](Files&) {},
         {"--frames", "1", "--ram-dump", "absent/ram.bin"}, 1, "cannot write RAM dump absent/ram.bin", {}, {}},
        {"output into a protected folder",
         [](Files&) {
             fs::create_directory("locked");
             write_bytes("locked/ram.bin", "old");
             fs::permissions("locked", fs::perms::owner_read | fs::perms::owner_exec);
         },
         {"--frames", "1", "--ram-dump", "locked/ram.bin", "--screenshot", "locked/shot.bmp"}, 1,
         "cannot write screenshot locked/shot.bmp\ntrivo: cannot write RAM dump locked/ram.bin", {}, {}},
        {"output onto a read-only file",
         [](Files&) {
             write_bytes("ram.bin", "protected");
             fs::permissions("ram.bin", fs::perms::owner_read | fs::perms::group_read);
         },
         {"--frames", "1", "--ram-dump", "ram.bin"}, 1, "cannot write RAM dump ram.bin", {}, {}},
        {"output onto a folder", [](Files&) { fs::create_directory("shot.bmp"); },
         {"--frames", "1", "--screenshot", "shot.bmp"}, 1, "cannot write screenshot shot.bmp", {}, {}},
        {"output onto a symbolic link",
         [](Files&) {
             fs::create_directory("keep");
             write_bytes("keep/ram.bin", "old");
             fs::create_symlink("keep/ram.bin", "ram.bin");
             fs::create_symlink("keep/shot.bmp", "shot.bmp");  // to a file not yet there
         },
         {"--frames", "1", "--ram-dump", "ram.bin", "--screenshot", "shot.bmp"}, 0, "",
         {"keep/ram.bin", "keep/shot.bmp"},
         [] {
             EXPECT_EQ(link_text("ram.bin"), "keep/ram.bin");
             EXPECT_EQ(link_text("shot.bmp"), "keep/shot.bmp");
             EXPECT_EQ(fs::file_size("keep/ram.bin"), 65536u);
             EXPECT_EQ(fs::file_size("keep/shot.bmp"), 61558u);
         }},
        {"output onto a link to a read-only file",
         [](Files&) {
             write_bytes("kept.bin", "protected");
             fs::permissions("kept.bin", fs::perms::owner_read);
             fs::create_symlink("kept.bin", "ram.bin");
         },
         {"--frames", "1", "--ram-dump", "ram.bin"}, 1, "cannot write RAM dump ram.bin", {}, {}},
        {"output onto a FIFO nobody reads", [](Files& s) { s.fifo("ram.bin"); },
         {"--frames", "1", "--ram-dump", "ram.bin"}, 1, "cannot write RAM dump ram.bin", {}, {}},
        {"output onto devices",
         [](Files& s) {
             s.device("null", 3);
             s.device("full", 7);
         },
         {"--frames", "1", "--ram-dump", "null", "--screenshot", "full"}, 1, "cannot write screenshot full", {}, {}},
    };
}

TEST(HeadlessHostile, EveryCaseEndsWithItsFallbackOrMessageAndLosesNothing) {
    for (const Hostile& c : hostile_cases()) {
        SCOPED_TRACE(c.name);
        InFolder folder;
        Files setup;
        c.setup(setup);
        if (!setup.devices) {
            std::printf("[ skipped  ] %s: device nodes need root\n", c.name);
            continue;
        }
        auto before = snapshot();

        const auto case_started = std::chrono::steady_clock::now();
        const Result r = run(c.args);
        const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - case_started).count();

        EXPECT_EQ(r.status, c.status) << r.err;
        if (!c.message.empty()) {
            EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        } else {
            EXPECT_EQ(r.err, "");
        }
        for (const auto& fifo : setup.fifos) EXPECT_FALSE(fifo->reader_waited()) << "a reader waited on a FIFO";
        EXPECT_LT(seconds, 5.0) << "the case took that long";

        // Nothing lost or replaced but the names the case may write.
        auto after = snapshot();
        for (const std::string& name : c.written) {
            EXPECT_TRUE(after.count(name)) << name << " was not written";
            before.erase(name);
            after.erase(name);
        }
        EXPECT_EQ(before.size(), after.size());
        for (const auto& [name, entry] : before) {
            const auto found = after.find(name);
            if (found == after.end()) {
                ADD_FAILURE() << name << " is gone";
            } else if (!(found->second == entry)) {
                ADD_FAILURE() << name << " was changed or replaced";
            }
        }
        for (const auto& [name, entry] : after)
            if (!before.count(name)) ADD_FAILURE() << name << " appeared";
        if (c.check) c.check();
    }
}

// Which settings the fallback cases actually ran with: the frame rate shows
// in the number of frames one emulated second takes.
TEST(HeadlessHostile, FallbacksRunWithTheSettingsTheyShould) {
    const struct {
        const char* name;
        std::function<void(Files&)> setup;
        const char* frames;
    } cases[] = {
        {"no file: 60 frames a second",
         [](Files& s) { s.fifo("foo.ini"); }, "frames 60,"},
        {"custom rate after a 10 MB line",
         [](Files&) {
             write_bytes("foo.ini", "[SPEED]\njunk=" + std::string(10 << 20, 'x') + "\nfpscust=30\ncpuspeedopt=2\n");
         },
         "frames 30,"},
        {"a huge rate clamps to 600",
         [](Files&) { write_bytes("foo.ini", "[SPEED]\ncpuspeedopt=2\nfpscust=9223372036854775808\n"); },
         "frames 600,"},
        {"a negative rate clamps to 1",
         [](Files&) { write_bytes("foo.ini", "[SPEED]\ncpuspeedopt=2\nfpscust=-30\n"); }, "frames 1,"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        InFolder folder;
        Files setup;
        c.setup(setup);
        const Result r = run({"--seconds", "1", "--speed"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find(c.frames), std::string::npos) << r.out;
    }
}

}  // namespace
}  // namespace trivo
