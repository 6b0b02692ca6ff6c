// What a large 6800 program needs from the assembler: Motorola comment
// fields, macros, conditional assembly, local labels, set symbols, fill and
// align, incbin, the error directive, -D and -I, and the cross-reference.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "common/file_util.h"
#include "scratch_folder.h"
#include "sources.h"

namespace apfasm {
namespace {

using test::assemble_text;
using test::bytes_at;
using test::first_error;

using Bytes = std::vector<uint8_t>;

struct LineCase {
    const char* line;
    Bytes bytes;
};

// Classic sources write the comment after the operand with no ";". The
// operand must end where the comment starts, while blanks inside an operand
// ("255 , x", "1 + 2") still belong to it.
TEST(CommentField, TextAfterTheOperandIsAComment) {
    const LineCase cases[] = {
        {"ldaa #1   load the count", {0x86, 0x01}},
        {"ldaa 255 , x  from the table", {0xA6, 0xFF}},
        {"ldaa #1 + 2   three", {0x86, 0x03}},
        {"ldaa #( 1 + 2 ) * 2  six", {0x86, 0x06}},
        {"ldx #* next", {0xCE, 0x40, 0x00}},
        {"rts        back to the caller", {0x39}},
        {"nop 5", {0x01}},
        {"fcb 1, 2 ,3   three bytes", {1, 2, 3}},
        {"fcb \"a b\" 0 text with a blank", {'a', ' ', 'b'}},
        {"fcb ';' semicolon", {';'}},
        {"fcc /x y/ the text", {'x', ' ', 'y'}},
        {"bra *  forever", {0x20, 0xFE}},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.line);
        const Assembly a = assemble_text(std::string("        org $4000\n        ") + c.line + "\n");
        ASSERT_TRUE(a.ok()) << first_error(a);
        EXPECT_EQ(bytes_at(a, 0x4000, c.bytes.size()), c.bytes);
        EXPECT_EQ(a.used[0x4000 + c.bytes.size()], 0);
    }
}

TEST(CommentField, MotorolaListingDirectivesAreIgnored) {
    const Assembly a = assemble_text(
        "        nam   monitor\n        ttl   The monitor, part 1\n        opt   l,s\n"
        "        page\n        spc   2\n        org   $4000\n        nop\n");
    ASSERT_TRUE(a.ok()) << first_error(a);
    EXPECT_EQ(bytes_at(a, 0x4000, 2), (Bytes{0x01, 0xFF}));
}

TEST(Macros, ParametersByNameAndNumberAndUniqueLabels) {
    const Assembly a = assemble_text(R"(
store   macro  value,where
        ldaa   #\value
        staa   \2
        endm
wait    macro  count
        ldab   #\1
w\@     decb
        bne    w\@
        endm
        org    $4000
first   store  $12,$40     two arguments
        wait   3
        wait   4
        STORE  'A',$1234
)");
    ASSERT_TRUE(a.ok()) << first_error(a);
    const Bytes expected = {
        0x86, 0x12, 0x97, 0x40,  // store $12,$40
        0xC6, 0x03, 0x5A, 0x26, 0xFD,  // wait 3: its own loop label
        0xC6, 0x04, 0x5A, 0x26, 0xFD,  // wait 4: another one
        0x86, 0x41, 0xB7, 0x12, 0x34,
    };
    EXPECT_EQ(bytes_at(a, 0x4000, expected.size()), expected);
    EXPECT_EQ(a.symbols.at("first"), 0x4000);
    EXPECT_EQ(a.symbols.at("w_0002"), 0x4006);  // the first expansion was store's
    EXPECT_EQ(a.symbols.at("w_0003"), 0x400B);

    // The listing shows each expanded line with its address after the call.
    const std::string listing = listing_text(a);
    EXPECT_NE(listing.find("4000 86 12       +        ldaa   #$12"), std::string::npos) << listing;
    EXPECT_NE(listing.find("4006 5A          +w_0002     decb"), std::string::npos) << listing;
}

struct ErrorCase {
    const char* source;
    const char* error;
};

TEST(Macros, ErrorsNameTheCallAndTheBodyLine) {
    const ErrorCase cases[] = {
        {"m       macro a\n        ldaa #\\a\n        bogus\n        endm\n        m 1\n",
         "test.asm:5: unknown instruction 'bogus' (in macro 'm', line 2)"},
        {"m       macro a\n        endm\n        m 1,2\n", "test.asm:3: macro 'm' takes 1 arguments, not 2"},
        {"m       macro\n        nop\n", "test.asm:1: macro without endm"},
        {"m       macro\nn       macro\n        endm\n", "test.asm:2: macro definition inside a macro definition"},
        {"m       macro\n        endm\nm       macro\n        endm\n", "test.asm:3: macro 'm' is defined twice"},
        {"ldaa    macro\n        endm\n", "test.asm:1: macro name 'ldaa' is an instruction or directive"},
        {"        macro\n        endm\n", "test.asm:1: macro needs a name in the label field"},
        {"        endm\n", "test.asm:1: endm without macro"},
        {"m       macro\n        m\n        endm\n        m\n",
         "test.asm:4: macros nested too deeply (a macro that uses itself?) (in macro 'm', line 1)"},
        {"        m\nm       macro\n        endm\n", "test.asm:1: unknown instruction 'm'"},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.source);
        const Assembly a = assemble_text(c.source);
        ASSERT_FALSE(a.ok());
        EXPECT_EQ(a.errors.front(), c.error);
    }
}

TEST(Conditionals, IfElseIfdefNest) {
    const Assembly a = assemble_text(R"(
big     equ    1
        org    $4000
        if     big
        fcb    1
        if     big-1
        fcb    2
        else
        fcb    3
        endif
        else
        fcb    4
        bogus  not assembled, not checked
        endif
        ifdef  big
        fcb    5
        endif
        ifndef big
        fcb    6
        else
        fcb    7
        endif
        if     0
        if     undefined_here
        endif
        endif
)");
    ASSERT_TRUE(a.ok()) << first_error(a);
    EXPECT_EQ(bytes_at(a, 0x4000, 4), (Bytes{1, 3, 5, 7}));
    EXPECT_EQ(a.used[0x4004], 0);
}

// A symbol defined further down exists in pass 2 but not yet in pass 1; the
// second pass must keep the first pass's decision, or the lines it assembles
// would differ and every later label would move.
TEST(Conditionals, PassTwoKeepsPassOnesDecision) {
    const Assembly a = assemble_text(R"(
        org    $4000
        ifndef later
        fcb    1,2,3
        endif
later   nop
)");
    ASSERT_TRUE(a.ok()) << first_error(a);
    EXPECT_EQ(a.symbols.at("later"), 0x4003);
    EXPECT_EQ(bytes_at(a, 0x4000, 4), (Bytes{1, 2, 3, 0x01}));
}

TEST(Conditionals, ErrorsAndTheErrorDirective) {
    const ErrorCase cases[] = {
        {"        if later\n        endif\nlater   nop\n",
         "test.asm:1: if needs a value known at this point (no forward references)"},
        {"        else\n", "test.asm:1: else without if"},
        {"        endif\n", "test.asm:1: endif without if"},
        {"        if 1\n        else\n        else\n        endif\n", "test.asm:3: second else for one if"},
        {"        nop\n        if 1\n        nop\n", "test.asm:2: if without endif"},
        {"        ifdef 1x\n        endif\n", "test.asm:1: ifdef needs a symbol name"},
        {"        org $8500\n        fcb 1,2\n        if * > $8501\n        error \"the table runs into $8502\"\n"
         "        endif\n",
         "test.asm:4: the table runs into $8502"},
        {"        error stop here ; why\n", "test.asm:1: stop here"},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.source);
        const Assembly a = assemble_text(c.source);
        ASSERT_FALSE(a.ok());
        EXPECT_EQ(a.errors.front(), c.error);
    }
    // An error directive in a branch not taken says nothing.
    EXPECT_TRUE(assemble_text("        if 0\n        error never\n        endif\n").ok());
}

TEST(LocalLabels, EachRoutineHasItsOwn) {
    const Assembly a = assemble_text(R"(
        org    $4000
first   ldab   #2
.loop   decb
        bne    .loop
        rts
second  ldab   #3
.loop   decb
        bne    .loop
        jmp    first.loop
)");
    ASSERT_TRUE(a.ok()) << first_error(a);
    EXPECT_EQ(a.symbols.at("first.loop"), 0x4002);
    EXPECT_EQ(a.symbols.at("second.loop"), 0x4008);
    EXPECT_EQ(bytes_at(a, 0x4003, 2), (Bytes{0x26, 0xFD}));
    EXPECT_EQ(bytes_at(a, 0x4009, 5), (Bytes{0x26, 0xFD, 0x7E, 0x40, 0x02}));

    const Assembly dup = assemble_text("        org $4000\nr       nop\n.x      nop\n.x      nop\n");
    EXPECT_EQ(first_error(dup), "test.asm:4: duplicate symbol 'r.x' (first defined at test.asm:3)");
    const Assembly missing = assemble_text("        org $4000\nr       bra .x\ns\n.x      nop\n");
    EXPECT_EQ(first_error(missing), "test.asm:2: undefined symbol 'r.x'");
}

TEST(SetSymbols, TakeTheLastValueSetAboveThem) {
    const Assembly a = assemble_text(R"(
n       set    1
        org    $4000
        fcb    n
n       set    n+1
        fcb    n
n       set    n*10
        fcb    n
)");
    ASSERT_TRUE(a.ok()) << first_error(a);
    EXPECT_EQ(bytes_at(a, 0x4000, 3), (Bytes{1, 2, 20}));

    EXPECT_EQ(first_error(assemble_text("n       equ 1\nn       set 2\n")),
              "test.asm:2: 'n' is not a set symbol (defined at test.asm:1)");
    EXPECT_EQ(first_error(assemble_text("n       set 1\nn       equ 2\n")),
              "test.asm:2: duplicate symbol 'n' (first defined at test.asm:1)");
    EXPECT_EQ(first_error(assemble_text("n       set later\nlater   equ 1\n")),
              "test.asm:1: set needs a value known at this point (no forward references)");
}

TEST(FillAndAlign, BytesAndGaps) {
    const Assembly a = assemble_text(R"(
        org    $4001
        fill   $AA,3
        align  8
here    fcb    1
        align  4,0
there   nop
)");
    ASSERT_TRUE(a.ok()) << first_error(a);
    EXPECT_EQ(bytes_at(a, 0x4001, 3), (Bytes{0xAA, 0xAA, 0xAA}));
    EXPECT_EQ(a.used[0x4004], 0);  // the gap align leaves is reserved, not written
    EXPECT_EQ(a.symbols.at("here"), 0x4008);
    EXPECT_EQ(bytes_at(a, 0x4009, 3), (Bytes{0, 0, 0}));
    EXPECT_EQ(a.symbols.at("there"), 0x400C);

    const ErrorCase cases[] = {
        {"        fill 1", "test.asm:1: fill needs a value and a count"},
        {"        fill 256,2", "test.asm:1: fill value $100 out of range (-128 to $FF)"},
        {"        org $FFFF\n        fill 0,2", "test.asm:2: fill count $2 out of range"},
        {"        align 0", "test.asm:1: align boundary 0 out of range (1 to $8000)"},
        {"        org $FFFF\n        align 7", "test.asm:2: align runs past $FFFF"},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.source);
        EXPECT_EQ(first_error(assemble_text(std::string(c.source) + "\n")), c.error);
    }
}

TEST(IncludeFolders, IncbinAndIncludeSearchTheFoldersInOrder) {
    test::Sources sources;
    sources.files["src/main.asm"] =
        "        include \"defs.inc\"\n        org $4000\n        incbin \"font.bin\"\n"
        "        incbin \"font.bin\",1,2\n        incbin local.bin\n        fcb value\n";
    sources.files["src/local.bin"] = std::string("\x00\xFF", 2);
    sources.files["lib/defs.inc"] = "value   equ 7\n";
    sources.files["other/font.bin"] = "xyz";
    sources.files["lib/font.bin"] = "abc";  // after other/: never used
    AssembleOptions options;
    options.include_dirs = {"other", "lib/"};
    const Assembly a = assemble("src/main.asm", sources.reader(), options);
    ASSERT_TRUE(a.ok()) << first_error(a);
    EXPECT_EQ(bytes_at(a, 0x4000, 8), (Bytes{'x', 'y', 'z', 'y', 'z', 0x00, 0xFF, 7}));

    const ErrorCase cases[] = {
        {"        incbin \"none.bin\"", "src/main.asm:1: cannot read incbin file 'src/none.bin'"},
        {"        incbin \"local.bin\",1,2", "src/main.asm:1: incbin range outside the file (2 bytes)"},
        {"        incbin \"local.bin\",3", "src/main.asm:1: incbin range outside the file (2 bytes)"},
        {"        include \"none.inc\"", "src/main.asm:1: cannot read include file 'src/none.inc'"},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.source);
        sources.files["src/main.asm"] = std::string(c.source) + "\n";
        EXPECT_EQ(first_error(assemble("src/main.asm", sources.reader(), options)), c.error);
    }
}

TEST(Defines, CommandLineSymbolsSelectCode) {
    test::Sources sources;
    sources.files["main.asm"] =
        "        org $4000\n        ifdef fast\n        fcb speed\n        else\n        fcb 0\n        endif\n";
    AssembleOptions options;
    Assembly a = assemble("main.asm", sources.reader(), options);
    ASSERT_TRUE(a.ok()) << first_error(a);
    EXPECT_EQ(a.memory[0x4000], 0);
    options.defines = {{"fast", 1}, {"speed", 9}};
    a = assemble("main.asm", sources.reader(), options);
    ASSERT_TRUE(a.ok()) << first_error(a);
    EXPECT_EQ(a.memory[0x4000], 9);
    // A source that defines the symbol too is told where the first one came from.
    sources.files["main.asm"] = "fast    equ 2\n";
    EXPECT_EQ(first_error(assemble("main.asm", sources.reader(), options)),
              "main.asm:1: duplicate symbol 'fast' (first defined at command line:0)");
}

TEST(CrossReference, ListsDefinitionAndEveryUse) {
    const Assembly a = assemble_text(R"(count   equ 3
        org $4000
start   ldab #count
loop    decb
        bne loop
        bra start
        ldaa #count
)");
    ASSERT_TRUE(a.ok()) << first_error(a);
    std::istringstream in(listing_text(a));
    std::vector<std::string> symbols;
    bool in_table = false;
    for (std::string line; std::getline(in, line);) {
        if (in_table) symbols.push_back(line);
        if (line == "Symbols:") in_table = true;
    }
    auto row = [](const char* name, const char* value, const char* rest) {
        std::string line = std::string(12, ' ') + name;
        line.resize(40, ' ');
        line += std::string(" ") + value + "  ";
        line += rest;
        return line;
    };
    std::string count = row("count", "$0003", "test.asm:1");
    count.resize(70, ' ');
    count += " test.asm:3 test.asm:7";
    std::string loop = row("loop", "$4002", "test.asm:4");
    loop.resize(70, ' ');
    loop += " test.asm:5";
    std::string start = row("start", "$4000", "test.asm:3");
    start.resize(70, ' ');
    start += " test.asm:6";
    EXPECT_EQ(symbols, (std::vector<std::string>{count, loop, start}));
}

TEST(CommandLineOptions, DefinesAndIncludeFolders) {
    test_support::ScratchFolder dir;
    std::filesystem::create_directories(dir.path / "inc");
    common::write_file_atomic(dir.file("prog.asm"),
                              "        org $4000\n        include \"defs.inc\"\n        fcb one,two,three\n");
    common::write_file_atomic(dir.file("inc/defs.inc"), "three   equ 3\n");
    std::string out, err;
    ASSERT_EQ(run_command_line({dir.file("prog.asm"), "-Done", "-D", "two=$2", "-I", dir.file("inc"), "-o",
                                dir.file("prog.bin")},
                               out, err),
              0)
        << err;
    EXPECT_EQ(common::read_file(dir.file("prog.bin"), 16), (std::optional<Bytes>{{1, 2, 3}}));

    EXPECT_EQ(run_command_line({"x.asm", "-D", "=1"}, out, err), 2);
    EXPECT_EQ(err, "apfasm: bad definition '=1' for -D (NAME or NAME=VALUE)\n");
    err.clear();
    EXPECT_EQ(run_command_line({"x.asm", "-DA=$10000"}, out, err), 2);
    EXPECT_EQ(err, "apfasm: bad definition 'A=$10000' for -D (NAME or NAME=VALUE)\n");
    err.clear();
    EXPECT_EQ(run_command_line({"x.asm", "-I"}, out, err), 2);
    EXPECT_EQ(err, "apfasm: -I needs a value\n");
}

}  // namespace
}  // namespace apfasm
