// What apfasm writes: the listing's columns (as the debugger's listing
// window reads them), S-records with their checksums, binary ranges, and the
// command line's promise to write nothing when anything goes wrong.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "sources.h"

namespace apfasm {
namespace {

using test::assemble_text;
using test::first_error;

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A listing line's address as the debugger's listing window finds it: four
// hexadecimal digits in columns 7-10 of a line longer than 10 characters,
// not followed by another hexadecimal digit.
std::optional<uint16_t> listed_address(const std::string& line) {
    if (line.size() <= 10) return std::nullopt;
    for (size_t i = 7; i <= 10; ++i) {
        if (!std::isxdigit(static_cast<unsigned char>(line[i]))) return std::nullopt;
    }
    if (line.size() > 11 && std::isxdigit(static_cast<unsigned char>(line[11]))) return std::nullopt;
    return static_cast<uint16_t>(std::stoul(line.substr(7, 4), nullptr, 16));
}

TEST(Listing, ColumnsMapEachAddressToItsSourceLine) {
    const Assembly a = assemble_text(
        "* demo\n"
        "screen  equ   $0200\n"
        "        org   $4000\n"
        "start   ldaa  #$12\n"
        "        staa  screen\n"
        "loop    bra   loop\n"
        "table   fcb   1,2,3,4,5,6,7,8,9\n"
        "        rmb   2\n"
        "        end   start\n");
    ASSERT_TRUE(a.ok()) << first_error(a);
    const std::vector<std::string> lines = lines_of(listing_text(a));
    const std::vector<std::string> expected_head = {
        "    1                   * demo",
        "    2       =0200       screen  equ   $0200",
        "    3  4000                     org   $4000",
        "    4  4000 86 12       start   ldaa  #$12",
        "    5  4002 B7 02 00            staa  screen",
        "    6  4005 20 FE       loop    bra   loop",
        "    7  4007 01 02 03 04 table   fcb   1,2,3,4,5,6,7,8,9",
        "       400B 05 06 07 08",
        "       400F 09",
        "    8  4010                     rmb   2",
        "    9                           end   start",
    };
    ASSERT_GE(lines.size(), expected_head.size());
    for (size_t i = 0; i < expected_head.size(); ++i) EXPECT_EQ(lines[i], expected_head[i]);

    // The address-to-line map the listing window builds: the last line
    // carrying an address wins.
    std::map<uint16_t, std::string> line_of;
    for (const std::string& line : lines) {
        if (const auto address = listed_address(line)) line_of[*address] = line;
    }
    EXPECT_EQ(line_of[0x4000], expected_head[3]);  // the instruction, not the org
    EXPECT_EQ(line_of[0x4002], expected_head[4]);
    EXPECT_EQ(line_of[0x4005], expected_head[5]);
    EXPECT_EQ(line_of[0x4007], expected_head[6]);
    EXPECT_EQ(line_of[0x400B], expected_head[7]);
    EXPECT_EQ(line_of.count(0x0200), 0u);  // an equate's value is no address
    EXPECT_EQ(line_of[0x4010], expected_head[9]);
    EXPECT_EQ(line_of.size(), 7u);  // the symbol table adds none
}

TEST(Listing, IncludedLinesKeepTheirOwnNumbers) {
    test::Sources sources;
    sources.files["main.asm"] = "        org $4000\n        include \"inc.asm\"\n        inx\n";
    sources.files["inc.asm"] = "* included\n        nop\n";
    const Assembly a = assemble("main.asm", sources.reader());
    ASSERT_TRUE(a.ok()) << first_error(a);
    const std::vector<std::string> lines = lines_of(listing_text(a));
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[1], "    2                           include \"inc.asm\"");
    EXPECT_EQ(lines[2], "    1                   * included");
    EXPECT_EQ(lines[3], "    2  4000 01                  nop");
    EXPECT_EQ(lines[4], "    3  4001 08                  inx");
}

TEST(S19, RecordsAndChecksums) {
    const Assembly small = assemble_text("        org $4000\n        fcb 1,2,3\n        end $4000\n");
    ASSERT_TRUE(small.ok());
    EXPECT_EQ(s19_text(small), "S1064000010203B3\nS9034000BC\n");

    // 40 bytes of code, a gap, and the reset vector: records stop at the
    // gap, hold at most 16 bytes, and give back exactly the assembled bytes.
    std::string source = "        org $4000\nstart\n";
    for (int i = 0; i < 20; ++i) source += "        ldaa #" + std::to_string(i * 13) + "\n";
    source += "        org $FFFE\n        fdb start\n        end start\n";
    const Assembly a = assemble_text(source);
    ASSERT_TRUE(a.ok()) << first_error(a);
    std::vector<uint8_t> memory(0x10000, 0xFF), used(0x10000, 0);
    const std::vector<std::string> records = lines_of(s19_text(a));
    ASSERT_EQ(records.size(), 5u);  // 16 + 16 + 8 bytes, the vector, S9
    for (const std::string& r : records) {
        SCOPED_TRACE(r);
        ASSERT_GE(r.size(), 10u);
        ASSERT_EQ(r[0], 'S');
        std::vector<unsigned> bytes;
        for (size_t i = 2; i + 1 < r.size(); i += 2) bytes.push_back(std::stoul(r.substr(i, 2), nullptr, 16));
        ASSERT_EQ(bytes[0] + 1, bytes.size());  // the count covers the rest of the record
        unsigned sum = 0;
        for (unsigned b : bytes) sum += b;
        EXPECT_EQ(sum & 0xFF, 0xFFu);  // ones' complement checksum
        const unsigned address = bytes[1] << 8 | bytes[2];
        if (r[1] == '9') {
            EXPECT_EQ(address, 0x4000u);
            EXPECT_EQ(&r, &records.back());
            continue;
        }
        ASSERT_EQ(r[1], '1');
        EXPECT_LE(bytes.size() - 4, 16u);
        for (size_t i = 3; i + 1 < bytes.size(); ++i) {
            memory[address + i - 3] = static_cast<uint8_t>(bytes[i]);
            used[address + i - 3] = 1;
        }
    }
    EXPECT_EQ(used, a.used);
    EXPECT_EQ(memory, a.memory);
}

TEST(Binary, RangesFillUnassembledBytesWithFF) {
    const Assembly a = assemble_text("        org $4002\n        nop\n        rmb 1\n        inx\n");
    ASSERT_TRUE(a.ok());
    const auto range = used_range(a);
    ASSERT_TRUE(range);
    EXPECT_EQ(range->first, 0x4002);
    EXPECT_EQ(range->second, 0x4004);
    EXPECT_EQ(binary_image(a, 0x4000, 0x4005), std::string("\xFF\xFF\x01\xFF\x08\xFF", 6));
    EXPECT_EQ(binary_image(a, 0xFFFF, 0xFFFF), std::string("\xFF", 1));
    EXPECT_FALSE(used_range(assemble_text("v equ 1\n")));
}

TEST(CommandLineArguments, AddressesParse) {
    EXPECT_EQ(parse_address("$E000"), 0xE000);
    EXPECT_EQ(parse_address("0xe000"), 0xE000);
    EXPECT_EQ(parse_address("65535"), 0xFFFF);
    EXPECT_EQ(parse_address("0"), 0);
    for (const char* bad : {"", "$", "0x", "65536", "$10000", "12a", "-1", "$G0", "0x1_0"}) {
        EXPECT_FALSE(parse_address(bad)) << bad;
    }
}

// The program itself, on real files in a scratch directory.
class CommandLine : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::path(::testing::TempDir()) /
               ("apfasm_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    void write(const std::string& name, const std::string& text) const {
        std::ofstream(path(name), std::ios::binary) << text;
    }

    std::optional<std::string> read(const std::string& name) const {
        std::ifstream in(path(name), std::ios::binary);
        if (!in) return std::nullopt;
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    int run(const std::vector<std::string>& args) {
        out_.clear();
        err_.clear();
        return run_command_line(args, out_, err_);
    }

    std::filesystem::path dir_;
    std::string out_, err_;
};

TEST_F(CommandLine, WritesTheBinaryS19AndListing) {
    write("prog.asm", "        org $4000\nstart   ldaa #1\n        bra start\n        end start\n");
    ASSERT_EQ(run({path("prog.asm"), "-o", path("prog.bin"), "--from", "$4000", "--to", "0x4007", "--s19",
                   path("prog.s19"), "--list", path("prog.lst")}),
              0)
        << err_;
    EXPECT_EQ(err_, "");
    EXPECT_EQ(read("prog.bin"), std::string("\x86\x01\x20\xFC\xFF\xFF\xFF\xFF", 8));
    const Assembly a = assemble(path("prog.asm"));
    EXPECT_EQ(read("prog.s19"), s19_text(a));
    EXPECT_EQ(read("prog.lst"), listing_text(a));
    EXPECT_EQ(files(), (std::vector<std::string>{"prog.asm", "prog.bin", "prog.lst", "prog.s19"}));

    // Without a range: the assembled bytes only, and the old file replaced.
    ASSERT_EQ(run({path("prog.asm"), "-o", path("prog.bin")}), 0) << err_;
    EXPECT_EQ(read("prog.bin"), std::string("\x86\x01\x20\xFC", 4));
}

TEST_F(CommandLine, NothingIsWrittenOnError) {
    write("bad.asm", "        org $4000\n        bogus\n        ldaa #1\n        ldab nothing\n");
    write("prog.bin", "old");
    EXPECT_EQ(run({path("bad.asm"), "-o", path("prog.bin"), "--s19", path("prog.s19"), "--list",
                   path("prog.lst")}),
              1);
    EXPECT_EQ(err_, path("bad.asm") + ":2: unknown instruction 'bogus'\n");
    EXPECT_EQ(read("prog.bin"), "old");
    EXPECT_EQ(files(), (std::vector<std::string>{"bad.asm", "prog.bin"}));

    // Errors of pass 2 alike.
    write("bad.asm", "        org $4000\n        ldab nothing\n        bra $5000\n");
    EXPECT_EQ(run({path("bad.asm"), "--s19", path("prog.s19")}), 1);
    EXPECT_EQ(err_, path("bad.asm") + ":2: undefined symbol 'nothing'\n" + path("bad.asm") +
                        ":3: branch out of range (target $5000 is 4091 bytes away)\n");
    EXPECT_EQ(files(), (std::vector<std::string>{"bad.asm", "prog.bin"}));
}

// All outputs or none: a second output that cannot be written leaves the
// first one as it was, and no temporary file behind.
TEST_F(CommandLine, OneFailingOutputWritesNone) {
    write("prog.asm", "        org $4000\n        nop\n");
    write("prog.bin", "old");
    std::filesystem::create_directories(path("folder"));
    const struct {
        const char* name;
        std::vector<std::string> args;
        std::string error;
    } cases[] = {
        {"S19 in a missing folder",
         {path("prog.asm"), "-o", path("prog.bin"), "--s19", path("no/such/dir/prog.s19")},
         "apfasm: cannot write '" + path("no/such/dir/prog.s19") + "'\n"},
        {"listing onto a folder",
         {path("prog.asm"), "-o", path("prog.bin"), "--s19", path("prog.s19"), "--list", path("folder")},
         "apfasm: cannot write '" + path("folder") + "': it is a folder\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(run(c.args), 1);
        EXPECT_EQ(err_, c.error);
        EXPECT_EQ(read("prog.bin"), "old");
        EXPECT_EQ(files(), (std::vector<std::string>{"folder", "prog.asm", "prog.bin"}));
    }
}

// Bytes assembled outside --from/--to would be lost from the binary: an
// error naming the lowest such address, and nothing written.
TEST_F(CommandLine, CodeOutsideTheBinaryRangeIsAnError) {
    const struct {
        const char* source;
        std::vector<std::string> range;
        const char* error;
    } cases[] = {
        {"        org $3FFF\n        nop\n        nop\n", {"--from", "$4000", "--to", "$40FF"},
         "apfasm: $3FFF was assembled outside the binary's range $4000-$40FF\n"},
        {"        org $4000\n        ldx #1\n        org $FFFE\n        fdb $4000\n",
         {"--from", "$4000", "--to", "$4001"},
         "apfasm: $4002 was assembled outside the binary's range $4000-$4001\n"},
        {"        org $4000\n        nop\n        org $5000\n        nop\n", {"--to", "$4FFF"},
         "apfasm: $5000 was assembled outside the binary's range $4000-$4FFF\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        write("prog.asm", c.source);
        std::vector<std::string> args = {path("prog.asm"), "-o", path("prog.bin"), "--s19", path("prog.s19")};
        args.insert(args.end(), c.range.begin(), c.range.end());
        EXPECT_EQ(run(args), 1);
        EXPECT_EQ(err_, c.error);
        EXPECT_EQ(files(), std::vector<std::string>{"prog.asm"});
    }
    // The S-records carry every byte wherever it is: without -o there is no range.
    write("prog.asm", "        org $3FFF\n        nop\n");
    EXPECT_EQ(run({path("prog.asm"), "--s19", path("prog.s19")}), 0) << err_;
}

// Warnings reach stderr as file:line and change neither the status nor the
// outputs.
TEST_F(CommandLine, WarningsGoToStderrAndTheAssemblySucceeds) {
    write("prog.asm", "        org $4000\nnop\n        staa #1\n");
    EXPECT_EQ(run({path("prog.asm"), "-o", path("prog.bin")}), 0);
    EXPECT_EQ(err_, path("prog.asm") + ":2: warning: label 'nop' is spelt like an instruction\n" +
                        path("prog.asm") +
                        ":3: warning: 'staa #' stores into its own operand (opcode $87, not in the data sheet)\n");
    EXPECT_EQ(read("prog.bin"), std::string("\x87\x01", 2));
    EXPECT_EQ(out_, "");
}

TEST_F(CommandLine, UsageErrorsWriteNothing) {
    write("prog.asm", "        nop\n");
    const std::string src = path("prog.asm");
    const std::string bin = path("prog.bin");
    const struct {
        std::vector<std::string> args;
        std::string error;
    } cases[] = {
        {{src, "--bogus"}, "apfasm: unknown option '--bogus'\n"},
        {{src, "-o", bin, "--from", "$10000"}, "apfasm: bad address '$10000' for --from (0 to 65535: decimal, $hex or 0xhex)\n"},
        {{src, "-o", bin, "--from", "5", "--to", "4"}, "apfasm: --from is above --to\n"},
        {{src, "-o"}, "apfasm: -o needs a value\n"},
        {{src, "--from", "0"}, "apfasm: --from and --to set the binary's range; give -o FILE\n"},
        {{src, src}, "apfasm: more than one source file ('" + src + "', '" + src + "')\n"},
        {{src, "-o", bin, "--list", bin}, "apfasm: '" + bin + "' is named for two outputs\n"},
        {{}, "usage: apfasm"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        EXPECT_EQ(run(c.args), 2);
        EXPECT_EQ(err_.substr(0, c.error.size()), c.error);
    }
    EXPECT_EQ(files(), std::vector<std::string>{"prog.asm"});

    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_EQ(out_.substr(0, 13), "usage: apfasm");
}

TEST_F(CommandLine, OutputProblemsAreReported) {
    write("prog.asm", "        org $4000\n        nop\n");
    EXPECT_EQ(run({path("prog.asm"), "-o", path("no/such/dir/prog.bin")}), 1);
    EXPECT_EQ(err_, "apfasm: cannot write '" + path("no/such/dir/prog.bin") + "'\n");

    EXPECT_EQ(run({path("prog.asm"), "-o", path("prog.bin"), "--from", "$4001"}), 1);
    EXPECT_NE(err_.find("range is empty"), std::string::npos);

    write("equ.asm", "v equ 1\n");
    EXPECT_EQ(run({path("equ.asm"), "-o", path("prog.bin")}), 1);
    EXPECT_EQ(err_, "apfasm: nothing was assembled; give --from and --to for the binary\n");
    EXPECT_EQ(files(), (std::vector<std::string>{"equ.asm", "prog.asm"}));

    // An explicit range needs no code: an erased image.
    EXPECT_EQ(run({path("equ.asm"), "-o", path("prog.bin"), "--from", "0", "--to", "2"}), 0) << err_;
    EXPECT_EQ(read("prog.bin"), "\xFF\xFF\xFF");

    EXPECT_EQ(run({path("missing.asm")}), 1);
    EXPECT_EQ(err_, path("missing.asm") + ": cannot read the file\n");
}

}  // namespace
}  // namespace apfasm
