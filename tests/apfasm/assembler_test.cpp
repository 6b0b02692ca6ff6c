// The assembler's language: expressions, addressing-mode choice, forward
// references, directives, includes and every error it reports.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sources.h"

namespace apfasm {
namespace {

using test::assemble_text;
using test::bytes_at;
using test::first_error;

struct ExpressionCase {
    const char* expression;
    int32_t value;
};

constexpr ExpressionCase expression_cases[] = {
    {"10", 10},
    {"$1F", 0x1F},
    {"$abCD", 0xABCD},
    {"%1010", 10},
    {"'A'", 65},
    {"';'", ';'},
    {"2+3*4", 14},
    {"(2+3)*4", 20},
    {"-5", -5},
    {"3--2", 5},
    {"2*-3", -6},
    {"~0", -1},
    {"~$10 & $FF", 0xEF},
    {"1<<4", 16},
    {"1+2<<1", 6},  // shifts bind looser than +
    {"$F0>>4", 15},
    {"-16>>2", -4},  // arithmetic shift
    {"$FF & $0F", 0x0F},
    {"$F0 | $0F", 0xFF},
    {"$FF ^ $0F", 0xF0},
    {"1|2^3&4", 3},  // | below ^ below &
    {"17 % 5", 2},
    {"17/5", 3},
    {"-7/2", -3},
    {"5 %%11", 2},  // remainder, then a binary number
    {"hi($1234)", 0x12},
    {"lo($1234)", 0x34},
    {"HI($ABCD)+1", 0xAC},
    {"lo(-1)", 0xFF},
    {"*", 0x1234},
    {"*+2", 0x1236},
    {"**2", 0x2468},  // the address, times 2
    {"$FFFFFFFF", -1},
    {"'a'-'A'", 32},
    {" ( 1 + 2 ) * 3 ", 9},
    {"3 > 2", 1},
    {"2 >= 3", 0},
    {"-1 < 0", 1},  // signed
    {"1<<2 < 5", 1},  // a shift, then a comparison
    {"4>>1 <= 2", 1},
    {"2 == 2 && 3 != 3", 0},
    {"!0 || 0", 1},
    {"1|2 == 2", 1},  // == binds tighter than |
};

TEST(Expressions, Values) {
    for (const ExpressionCase& c : expression_cases) {
        SCOPED_TRACE(c.expression);
        const Assembly a = assemble_text(std::string("        org $1234\nv       equ ") + c.expression + "\n");
        ASSERT_TRUE(a.ok()) << first_error(a);
        EXPECT_EQ(a.symbols.at("v"), c.value);
    }
}

struct ErrorCase {
    const char* source;  // follows "        org $4000\n", so its first line is line 2
    const char* error;
};

TEST(Expressions, ErrorsNameTheProblem) {
    constexpr ErrorCase cases[] = {
        {"v equ 1/0", "test.asm:2: division by zero"},
        {"v equ 5%(2-2)", "test.asm:2: division by zero"},
        {"v equ (1+2", "test.asm:2: missing ')'"},
        {"v equ hi(1", "test.asm:2: missing ')'"},
        {"v equ 1+", "test.asm:2: missing value"},
        {"v equ", "test.asm:2: missing value"},
        {"v equ $", "test.asm:2: missing digits after '$'"},
        {"v equ $12G4", "test.asm:2: bad number '$12G4'"},
        {"v equ %102", "test.asm:2: bad number '%102'"},
        {"v equ 12ab", "test.asm:2: bad number '12ab'"},
        {"v equ 99999999999", "test.asm:2: number too large"},
        {"v equ 1<<32", "test.asm:2: shift count out of range (0 to 31)"},
        {"v equ 'ab'", "test.asm:2: bad character constant"},
        {"v equ 1)", "test.asm:2: unexpected ')' in expression"},
        {"v equ 1+#", "test.asm:2: unexpected '#' in expression"},
        {"v equ nosuch+1", "test.asm:2: undefined symbol 'nosuch'"},
        {"v equ ((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((1",
         "test.asm:2: expression nested too deeply"},
        // A division by zero that only shows once a later symbol is known.
        {"v equ 1/zero\nzero equ 0", "test.asm:2: division by zero"},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.source);
        const Assembly a = assemble_text(std::string("        org $4000\n") + c.source + "\n");
        ASSERT_FALSE(a.ok());
        EXPECT_EQ(a.errors.front(), c.error);
        EXPECT_EQ(a.errors.size(), 1u);  // one error per bad expression
    }
}

struct ModeCase {
    const char* line;
    std::vector<uint8_t> bytes;
};

TEST(Addressing, ModeChoiceAndEncoding) {
    const ModeCase cases[] = {
        {"nop", {0x01}},
        {"ldaa #$12", {0x86, 0x12}},
        {"LDAA #1", {0x86, 0x01}},
        {"ldaa #-1", {0x86, 0xFF}},
        {"ldaa #'A'", {0x86, 0x41}},
        {"ldx #$1234", {0xCE, 0x12, 0x34}},
        {"ldx #-2", {0xCE, 0xFF, 0xFE}},
        {"ldaa $12", {0x96, 0x12}},
        {"ldaa $0012", {0x96, 0x12}},  // the value decides, not the digits
        {"ldaa $1234", {0xB6, 0x12, 0x34}},
        {"ldaa >$12", {0xB6, 0x00, 0x12}},
        {"ldaa <$12", {0x96, 0x12}},
        {"ldaa $12,x", {0xA6, 0x12}},
        {"ldaa ,x", {0xA6, 0x00}},
        {"ldaa 0,X", {0xA6, 0x00}},
        {"ldaa 255 , x", {0xA6, 0xFF}},
        {"clr $40", {0x7F, 0x00, 0x40}},  // no direct form on the 6800
        {"jmp $12", {0x7E, 0x00, 0x12}},
        {"jmp 5,x", {0x6E, 0x05}},
        {"jsr $12", {0xBD, 0x00, 0x12}},  // direct jsr only when asked for
        {"jsr <$12", {0x9D, 0x12}},
        {"staa #5", {0x87, 0x05}},
        {"stab #5", {0xC7, 0x05}},
        {"sts #$1234", {0x8F, 0x12, 0x34}},
        {"stx #1", {0xCF, 0x00, 0x01}},
        {"brn *", {0x21, 0xFE}},
        {"bra *", {0x20, 0xFE}},
        {"bsr *+2", {0x8D, 0x00}},
        {"beq *+129", {0x27, 0x7F}},
        {"bne *-126", {0x26, 0x80}},
        {"lda 5,x", {0xA6, 0x05}},
        {"sta $20", {0x97, 0x20}},
        {"ldb #1", {0xC6, 0x01}},
        {"stb $1000", {0xF7, 0x10, 0x00}},
        {"ora #1", {0x8A, 0x01}},
        {"orb #1", {0xCA, 0x01}},
        {"cpx #5", {0x8C, 0x00, 0x05}},
        {"cmpx $10", {0x9C, 0x10}},
        {"lds #$01FF", {0x8E, 0x01, 0xFF}},
    };
    for (const ModeCase& c : cases) {
        SCOPED_TRACE(c.line);
        const Assembly a = assemble_text(std::string("        org $4000\n        ") + c.line + "\n");
        ASSERT_TRUE(a.ok()) << first_error(a);
        EXPECT_EQ(bytes_at(a, 0x4000, c.bytes.size()), c.bytes);
        EXPECT_EQ(a.used[0x4000 + c.bytes.size()], 0);  // and nothing more
    }
}

// A forward reference gets the extended form even when its value turns out
// to be in page 0, so the sizes of pass 1 hold and every label is right.
TEST(Addressing, ForwardReferencesKeepTheirSize) {
    const Assembly a = assemble_text(R"(
early   equ   $10
        org   $4000
start   ldaa  later        ; forward, page 0: still extended
        ldaa  early        ; known, page 0: direct
        ldaa  <later       ; forced direct
        jsr   target
        bne   target
        ldx   #target
target  rts
later   equ   $20
chain   equ   link+1       ; equates may refer to later ones
link    equ   target
        fdb   chain
)");
    ASSERT_TRUE(a.ok()) << first_error(a);
    const std::vector<uint8_t> expected = {
        0xB6, 0x00, 0x20,  // 4000 ldaa later
        0x96, 0x10,        // 4003 ldaa early
        0x96, 0x20,        // 4005 ldaa <later
        0xBD, 0x40, 0x0F,  // 4007 jsr target
        0x26, 0x03,        // 400A bne target
        0xCE, 0x40, 0x0F,  // 400C ldx #target
        0x39,              // 400F target rts
        0x40, 0x10,        // 4010 fdb chain
    };
    EXPECT_EQ(bytes_at(a, 0x4000, expected.size()), expected);
    EXPECT_EQ(a.symbols.at("target"), 0x400F);
    EXPECT_EQ(a.symbols.at("chain"), 0x4010);
}

TEST(Syntax, LabelsCommentsAndDirectives) {
    const Assembly a = assemble_text(R"(* a comment line
; another
        org   $4000
label1  nop           ; comment
label2: nop
   label3: nop
label4
        nop
        .org  $4010
data    fcb   1,-1,'A',"hi",$FF
        db    "a;b,c",0     ; a string with a semicolon and a comma
words   fdb   $1234,-2
        dw    words
text    fcc   /x;y/
        fcc   "q" ; comment
buf     rmb   3
after   ds    2
last    equ   *
value = 7
  indented equ 8
  spaced = 9
        end   label2
        nop   ; after end: not assembled
)");
    ASSERT_TRUE(a.ok()) << first_error(a);
    EXPECT_EQ(bytes_at(a, 0x4000, 4), (std::vector<uint8_t>{0x01, 0x01, 0x01, 0x01}));
    const std::vector<uint8_t> data = {1,   0xFF, 'A',  'h', 'i', 0xFF, 'a',  ';',  'b', ',', 'c', 0,
                                       0x12, 0x34, 0xFF, 0xFE, 0x40, 0x1C, 'x', ';', 'y', 'q'};
    EXPECT_EQ(bytes_at(a, 0x4010, data.size()), data);
    const std::pair<const char*, int32_t> symbols[] = {
        {"label1", 0x4000}, {"label2", 0x4001}, {"label3", 0x4002}, {"label4", 0x4003},
        {"data", 0x4010},   {"words", 0x401C},  {"text", 0x4022},   {"buf", 0x4026},
        {"after", 0x4029},  {"last", 0x402B},   {"value", 7},       {"indented", 8},
        {"spaced", 9},
    };
    for (const auto& [name, value] : symbols) EXPECT_EQ(a.symbols.at(name), value) << name;
    // Reserved space and everything after end stay unwritten.
    for (int address = 0x4026; address < 0x4030; ++address) EXPECT_EQ(a.used[address], 0) << address;
    EXPECT_EQ(a.entry, 0x4001);
}

TEST(Syntax, IncludesAreRelativeToTheIncludingFile) {
    test::Sources sources;
    sources.files["src/main.asm"] = "        include \"lib/defs.inc\"\n        org $4000\n        ldaa #val\n"
                                    "        include lib/code.inc\n        nop\n";
    sources.files["src/lib/defs.inc"] = "val     equ 5\n        include \"more.inc\"\n";
    sources.files["src/lib/more.inc"] = "other   equ 6\n";
    sources.files["src/lib/code.inc"] = "        ldab #other\n";
    Assembly a = assemble("src/main.asm", sources.reader());
    ASSERT_TRUE(a.ok()) << first_error(a);
    EXPECT_EQ(bytes_at(a, 0x4000, 5), (std::vector<uint8_t>{0x86, 0x05, 0xC6, 0x06, 0x01}));

    // Errors in an included file carry its own name and line.
    sources.files["src/lib/code.inc"] = "        ldab #other\n        bogus\n";
    a = assemble("src/main.asm", sources.reader());
    EXPECT_EQ(a.errors, std::vector<std::string>{"src/lib/code.inc:2: unknown instruction 'bogus'"});

    sources.files["src/lib/code.inc"] = "        include \"code.inc\"\n";
    a = assemble("src/main.asm", sources.reader());
    EXPECT_EQ(a.errors, std::vector<std::string>{"src/lib/code.inc:1: includes nested too deeply (an include loop?)"});

    sources.files["src/lib/code.inc"] = "        include \"missing.inc\"\n";
    a = assemble("src/main.asm", sources.reader());
    EXPECT_EQ(first_error(a), "src/lib/code.inc:1: cannot read include file 'src/lib/missing.inc'");

    a = assemble("src/none.asm", sources.reader());
    EXPECT_EQ(a.errors, std::vector<std::string>{"src/none.asm: cannot read the file"});
}

TEST(Errors, EachIsReportedAtItsLine) {
    constexpr ErrorCase cases[] = {
        {"        ldaa #256", "test.asm:2: immediate value $100 out of range (-128 to $FF)"},
        {"        ldaa #-129", "test.asm:2: immediate value -129 out of range (-128 to $FF)"},
        {"        ldx #$10000", "test.asm:2: immediate value $10000 out of range (-32768 to $FFFF)"},
        {"        ldaa 256,x", "test.asm:2: index offset $100 out of range (0 to $FF)"},
        {"        ldaa -1,x", "test.asm:2: index offset -1 out of range (0 to $FF)"},
        {"        ldaa <$100", "test.asm:2: direct address $100 out of range (0 to $FF)"},
        {"        ldaa $10000", "test.asm:2: address $10000 out of range (0 to $FFFF)"},
        {"        ldaa -1", "test.asm:2: address -1 out of range (0 to $FFFF)"},
        {"        fcb 1,256", "test.asm:2: byte value $100 out of range (-128 to $FF)"},
        {"        fdb $10000", "test.asm:2: word value $10000 out of range (-32768 to $FFFF)"},
        {"        bra *+130", "test.asm:2: branch out of range (target $4082 is 128 bytes away)"},
        {"        bra *-127", "test.asm:2: branch out of range (target $3F81 is -129 bytes away)"},
        {"        bra -1", "test.asm:2: branch target -1 out of range"},
        {"        bogus", "test.asm:2: unknown instruction 'bogus'"},
        {"        illegal", "test.asm:2: unknown instruction 'illegal'"},
        {"        mul", "test.asm:2: 'mul' is not a 6800 instruction"},
        {"        ldd #1", "test.asm:2: 'ldd' is not a 6800 instruction"},
        {"        jmp #1", "test.asm:2: 'jmp' has no immediate mode"},
        {"        ldaa", "test.asm:2: 'ldaa' needs an operand"},
        {"        ldaa 1,y", "test.asm:2: bad index register 'y' (only x)"},
        {"        ldaa 1,x,x", "test.asm:2: too many operands"},
        {"        jmp <1", "test.asm:2: 'jmp' has no direct mode"},
        {"        ldaa nothing", "test.asm:2: undefined symbol 'nothing'"},
        {"        bra nowhere", "test.asm:2: undefined symbol 'nowhere'"},
        {"start   nop\nstart   nop", "test.asm:3: duplicate symbol 'start' (first defined at test.asm:2)"},
        {"v       equ 1\nv       nop", "test.asm:3: duplicate symbol 'v' (first defined at test.asm:2)"},
        {"        org later\nlater   nop", "test.asm:2: org needs a value known at this point (no forward references)"},
        {"        rmb size\nsize    equ 2", "test.asm:2: rmb needs a value known at this point (no forward references)"},
        {"        org $10000", "test.asm:2: org address $10000 out of range"},
        {"        rmb -1", "test.asm:2: rmb count -1 out of range"},
        {"        org $FFFF\n        rmb 2", "test.asm:3: rmb reserves past $FFFF"},
        {"        fcc /abc", "test.asm:2: unterminated string"},
        {"        fcc /abc/x", "test.asm:2: unexpected text after the string"},
        {"        fcc", "test.asm:2: fcc needs a delimited string"},
        {"        fcb \"abc", "test.asm:2: unterminated string"},
        {"        fcb", "test.asm:2: fcb needs at least one value"},
        {"        fcb 1,,2", "test.asm:2: missing value"},
        {"        fdb", "test.asm:2: fdb needs at least one value"},
        {"a       equ b\nb       equ a", "test.asm:2: symbol 'b' has no value (its definition is circular)"},
        {"        equ 5", "test.asm:2: equ needs a label"},
        {"1abel   nop", "test.asm:2: bad label '1abel'"},
        {"lab-el  nop", "test.asm:2: bad label 'lab-el'"},
        {"        org $FFFE\n        ldx #1", "test.asm:3: code runs past $FFFF"},
        {"        nop\n        org $4000\n        nop", "test.asm:4: overwrites code already assembled at $4000"},
        {"        include", "test.asm:2: include needs a file name"},
        {"        end 70000", "test.asm:2: entry address $11170 out of range"},
        {"label:: nop", "test.asm:2: unknown instruction ':'"},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.source);
        const Assembly a = assemble_text(std::string("        org $4000\n") + c.source + "\n");
        ASSERT_FALSE(a.ok());
        EXPECT_EQ(a.errors.front(), c.error);
    }
}

// The code just fits: the last byte at $FFFF and branches that wrap.
TEST(Errors, CodeMayEndExactlyAtTheTopOfMemory) {
    const Assembly a = assemble_text("        org $FFFD\n        ldx #1\n        end\n");
    ASSERT_TRUE(a.ok()) << first_error(a);
    EXPECT_EQ(a.memory[0xFFFF], 0x01);
    const Assembly wrap = assemble_text("        org $FFFE\n        bra $0005\n");
    ASSERT_TRUE(wrap.ok()) << first_error(wrap);
    EXPECT_EQ(bytes_at(wrap, 0xFFFE, 2), (std::vector<uint8_t>{0x20, 0x05}));
}

TEST(Errors, AllErrorsOfAPassInSourceOrder) {
    // Pass 1 finds three; the undefined symbol would only show in pass 2,
    // which does not run.
    Assembly a = assemble_text("        bogus\n        nop\n        mul\n        ldaa nothing\n        jmp #1\n");
    EXPECT_EQ(a.errors, (std::vector<std::string>{"test.asm:1: unknown instruction 'bogus'",
                                                  "test.asm:3: 'mul' is not a 6800 instruction",
                                                  "test.asm:5: 'jmp' has no immediate mode"}));
    // Pass 2 finds all of its own.
    a = assemble_text("        ldaa one\n        nop\n        ldab #$1FF\n        bra two\n");
    EXPECT_EQ(a.errors, (std::vector<std::string>{"test.asm:1: undefined symbol 'one'",
                                                  "test.asm:3: immediate value $1FF out of range (-128 to $FF)",
                                                  "test.asm:4: undefined symbol 'two'"}));
    // A flood of errors stops at the cap with a last line saying so.
    std::string flood;
    for (int i = 0; i < 200; ++i) flood += "        bogus\n";
    a = assemble_text(flood);
    ASSERT_EQ(a.errors.size(), static_cast<size_t>(max_errors) + 1);
    EXPECT_EQ(a.errors.back(), "test.asm:51: too many errors, stopping");
}

// Lines that assemble but rarely mean what they say: an instruction written
// in the label column (a label, and nothing assembled), and a store with '#'
// (the core's extra opcodes 87, C7, 8F, CF). Each is warned about once, and
// the bytes are those of the line as written.
TEST(Warnings, LabelsSpeltLikeInstructionsAndStoresWithHash) {
    const Assembly a = assemble_text(
        "        org $4000\n"
        "nop\n"                      // a label; nothing assembled
        "INX     ldaa #1\n"          // a label, in any letter case
        "here:   staa #$12\n"
        "        stab #1\n"
        "        sts #$1234\n"
        "        stx #here\n"
        "tim     ldaa #2\n"          // 6801-only spelling: an ordinary label
        "loop    inx\n"              // nothing to warn about
        "        ldx #1\n"
        "        staa 1,x\n"
        "        fcb 0\n");
    ASSERT_TRUE(a.ok()) << first_error(a);
    EXPECT_EQ(a.warnings,
              (std::vector<std::string>{
                  "test.asm:2: warning: label 'nop' is spelt like an instruction",
                  "test.asm:3: warning: label 'INX' is spelt like an instruction",
                  "test.asm:4: warning: 'staa #' stores into its own operand (opcode $87, not in the data sheet)",
                  "test.asm:5: warning: 'stab #' stores into its own operand (opcode $C7, not in the data sheet)",
                  "test.asm:6: warning: 'sts #' stores into its own operand (opcode $8F, not in the data sheet)",
                  "test.asm:7: warning: 'stx #' stores into its own operand (opcode $CF, not in the data sheet)",
              }));
    EXPECT_EQ(a.symbols.at("nop"), 0x4000);
    EXPECT_EQ(bytes_at(a, 0x4000, 4), (std::vector<uint8_t>{0x86, 0x01, 0x87, 0x12}));

    // A failing assembly still warns about what pass 1 read.
    const Assembly bad = assemble_text("nop\n        bogus\n");
    EXPECT_EQ(bad.warnings,
              std::vector<std::string>{"test.asm:1: warning: label 'nop' is spelt like an instruction"});
    EXPECT_FALSE(bad.ok());
}

}  // namespace
}  // namespace apfasm
