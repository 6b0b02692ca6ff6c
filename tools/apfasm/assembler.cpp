// Two-pass 6800 assembler.
//
// Pass 1 reads every line, sizes every statement and gives each label its
// address. An instruction whose address operand is known in pass 1 and lies
// in page 0 gets the two-byte direct form; any other, forward references
// included, gets the three-byte extended form. That choice is recorded and
// pass 2 reuses it, so no statement changes size between the passes and no
// label moves. Equates whose value depends on later symbols are resolved
// between the passes. Pass 2 evaluates every operand, checks ranges and
// produces the bytes and the listing. Pass 2 runs only after a clean pass 1.
#include "apfasm/assembler.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

#include "common/file_util.h"
#include "common/opcode_table.h"

namespace apfasm {

namespace {

using m6800::AddressMode;
using m6800::Mn;
using m6800::opcode_table;

constexpr int mode_count = 10;

// Opcode of each mnemonic in each addressing mode, -1 where the 6800 has none.
constexpr auto encoding = [] {
    std::array<std::array<int16_t, mode_count>, m6800::mnemonic_count> e{};
    for (auto& row : e) row.fill(-1);
    for (int op = 0; op < 256; ++op) {
        const m6800::OpcodeInfo& info = opcode_table[op];
        if (info.validity & m6800::opcode_not_6800) continue;
        e[static_cast<int>(info.mnemonic)][static_cast<int>(info.mode)] = static_cast<int16_t>(op);
    }
    return e;
}();

int16_t opcode_for(Mn m, AddressMode mode) {
    return encoding[static_cast<int>(m)][static_cast<int>(mode)];
}

bool has_mode(Mn m, AddressMode mode) { return opcode_for(m, mode) >= 0; }

bool has_any_mode(Mn m) {
    for (int16_t op : encoding[static_cast<int>(m)]) {
        if (op >= 0) return true;
    }
    return false;
}

std::string lower(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
}

// Mnemonics in the table's spelling, plus the short forms many 6800 sources
// use and the data sheet's cpx for cmpx.
std::optional<Mn> find_mnemonic(std::string_view word) {
    const std::string w = lower(word);
    struct Alias {
        std::string_view alias;
        Mn mnemonic;
    };
    static constexpr Alias aliases[] = {
        {"lda", Mn::ldaa}, {"sta", Mn::staa}, {"ldb", Mn::ldab}, {"stb", Mn::stab},
        {"ora", Mn::oraa}, {"orb", Mn::orab}, {"cpx", Mn::cmpx},
    };
    for (const Alias& a : aliases) {
        if (w == a.alias) return a.mnemonic;
    }
    for (int i = 0; i < m6800::mnemonic_count; ++i) {
        const auto m = static_cast<Mn>(i);
        if (m != Mn::illegal && w == m6800::mnemonic_names[i]) return m;
    }
    return std::nullopt;
}

enum class Directive {
    none, org, equ, set, fcb, fdb, fcc, rmb, fill, align, include, incbin, end, error,
    macro, endm, if_, ifdef, ifndef, else_, endif,
    ignored,  // Motorola's listing directives: nam, ttl, opt, page, spc
};

Directive find_directive(std::string_view word) {
    std::string w = lower(word);
    if (w.size() > 1 && w[0] == '.') w.erase(0, 1);
    if (w == "org") return Directive::org;
    if (w == "equ" || w == "=") return Directive::equ;
    if (w == "fcb" || w == "db") return Directive::fcb;
    if (w == "fdb" || w == "dw") return Directive::fdb;
    if (w == "fcc") return Directive::fcc;
    if (w == "rmb" || w == "ds") return Directive::rmb;
    if (w == "include") return Directive::include;
    if (w == "end") return Directive::end;
    if (w == "set") return Directive::set;
    if (w == "fill") return Directive::fill;
    if (w == "align") return Directive::align;
    if (w == "incbin") return Directive::incbin;
    if (w == "error") return Directive::error;
    if (w == "macro") return Directive::macro;
    if (w == "endm") return Directive::endm;
    if (w == "if") return Directive::if_;
    if (w == "ifdef") return Directive::ifdef;
    if (w == "ifndef") return Directive::ifndef;
    if (w == "else") return Directive::else_;
    if (w == "endif") return Directive::endif;
    if (w == "nam" || w == "ttl" || w == "opt" || w == "page" || w == "spc") return Directive::ignored;
    return Directive::none;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

bool is_name_start(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '@';
}

bool is_name_char(char c) {
    return is_name_start(c) || std::isdigit(static_cast<unsigned char>(c));
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
    return s;
}

// Position of the character after a "string" or 'c' constant starting at i,
// or i + 1 when s[i] opens neither.
size_t skip_quoted(std::string_view s, size_t i) {
    if (s[i] == '"') {
        const size_t close = s.find('"', i + 1);
        return close == std::string_view::npos ? s.size() : close + 1;
    }
    if (s[i] == '\'' && i + 2 < s.size() && s[i + 2] == '\'') return i + 3;
    return i + 1;
}

// Cuts a trailing ";" comment, ignoring semicolons inside strings and
// character constants.
std::string_view strip_comment(std::string_view s) {
    for (size_t i = 0; i < s.size(); i = skip_quoted(s, i)) {
        if (s[i] == ';') return trim(s.substr(0, i));
    }
    return trim(s);
}

// The operand field of a Motorola source line. It ends at a ";", or at a
// blank that follows a complete operand when what comes next cannot go on
// with it (no operator, no comma): the rest of the line is a comment, as in
// "ldaa #1  the count". Blanks inside an operand stay allowed: "255 , x",
// "1 + 2".
std::string_view operand_field(std::string_view s) {
    s = trim(s);
    bool expect_value = true;  // at the start, after an operator, a comma or "("
    int depth = 0;
    size_t i = 0;
    while (i < s.size()) {
        const char c = s[i];
        if (c == ';') return trim(s.substr(0, i));
        if (is_blank(c)) {
            size_t j = i;
            while (j < s.size() && is_blank(s[j])) ++j;
            if (depth == 0 && !expect_value && j < s.size() && !std::strchr("+-*/%&|^<>,)=!", s[j])) {
                return trim(s.substr(0, i));
            }
            i = j;
            continue;
        }
        if (c == '"' || c == '\'') {
            i = skip_quoted(s, i);
            expect_value = false;
            continue;
        }
        if (c == '(') {
            ++depth;
            expect_value = true;
        } else if (c == ')') {
            --depth;
            expect_value = false;
        } else if (expect_value && (c == '*')) {
            expect_value = false;  // the line's address
        } else if (expect_value && std::strchr("$%<>#~+-!", c)) {
            // a prefix: the value follows
        } else if (std::strchr("+-*/%&|^<>,~#=!", c)) {
            expect_value = true;
        } else {
            expect_value = false;
        }
        ++i;
    }
    return s;
}

// Splits at commas outside strings, character constants and parentheses.
std::vector<std::string_view> split_list(std::string_view s) {
    std::vector<std::string_view> items;
    int depth = 0;
    size_t start = 0;
    for (size_t i = 0; i < s.size(); i = skip_quoted(s, i)) {
        if (s[i] == '(') {
            ++depth;
        } else if (s[i] == ')') {
            --depth;
        } else if (s[i] == ',' && depth == 0) {
            items.push_back(trim(s.substr(start, i - start)));
            start = i + 1;
        }
    }
    items.push_back(trim(s.substr(start)));
    return items;
}

template <typename... Args>
std::string format(const char* fmt, Args... args) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, fmt, args...);
    return buffer;
}

// Appended piece by piece: GCC 12 at -O3 misreads the chained operator+ of a
// literal and a string as an overlapping copy.
std::string quoted(std::string_view s) {
    std::string q(1, '\'');
    q.append(s.substr(0, 64));
    q.push_back('\'');
    return q;
}

// Negative values in decimal, others in hexadecimal as the source usually
// writes addresses and bytes.
std::string describe_value(int64_t v) {
    return v <= 0 ? format("%lld", static_cast<long long>(v))
                  : format("$%llX", static_cast<long long>(v));
}

std::string directory_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void append_hex(std::string& out, const char* fmt, unsigned value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, fmt, value);
    out += buffer;
}

// A value in pass 1 may be unknown (a forward reference); arithmetic on an
// unknown value is unknown.
struct Value {
    int32_t v = 0;
    bool known = true;
};

struct Symbol {
    int32_t value = 0;
    bool known = false;
    std::string file;
    int line = 0;
    bool redefinable = false;  // defined by set
};

// A macro: its parameters and its body, as written between macro and endm.
struct Macro {
    std::string name;
    std::vector<std::string> params;
    std::vector<std::string> body;
};

// One open if: whether its lines are assembled, and whether else was seen.
struct Conditional {
    bool taking = false;        // the lines now read are assembled
    bool outer_active = false;  // the if itself stood in assembled lines
    bool result = false;        // its condition held
    bool else_seen = false;
    std::string where;          // "file:line" of the if
};

// The fields of a line, found without judging them: enough to see where a
// macro body or a skipped block ends.
struct RawFields {
    std::string_view label;
    std::string_view op;
    std::string_view rest;
};

struct SourceFile {
    std::string path;
    std::vector<std::string> lines;
};

// An equate whose value was unknown in pass 1.
struct PendingEquate {
    std::string name;
    std::string expression;
    int32_t pc;
};

constexpr int max_include_depth = 16;
constexpr int max_expression_depth = 64;

class Assembler {
public:
    Assembler(const SourceReader& reader, const AssembleOptions& options, Assembly& out)
        : reader_(reader), options_(options), out_(out) {}

    void run(const std::string& path);

private:
    friend class ExpressionParser;

    void error(const std::string& message);
    void warning(const std::string& message);
    bool stopped() const { return ended_ || too_many_errors_; }

    const SourceFile* load(const std::string& path);
    std::optional<std::string> find_file(std::string_view name, std::string& path);
    void assemble_file(const SourceFile& file, int depth);
    void assemble_line(const std::string& text, int depth);
    bool control_line(const std::string& text);
    void conditional(Directive d, std::string_view operand);
    bool active() const { return conditionals_.empty() || conditionals_.back().taking; }
    void expand_macro(const Macro& macro, std::string_view operand, int depth);
    void resolve_pending_equates();

    std::string full_name(std::string_view name) const;
    void define_label(const std::string& name);
    void define_equate(const std::string& name, std::string_view expression);
    void define_set(const std::string& name, std::string_view expression);
    std::optional<Value> lookup(std::string_view name);
    std::optional<Value> evaluate(std::string_view text);
    std::optional<int32_t> evaluate_known(std::string_view text, const char* what);
    void mark_address();

    void directive(Directive d, const std::string& label, std::string_view rest, int depth);
    void include(std::string_view operand, int depth);
    void include_binary(std::string_view operand);
    std::vector<std::string> candidate_paths(std::string_view name) const;
    void fill(std::string_view operand);
    void align(std::string_view operand);
    void data_bytes(std::string_view operand);
    void data_words(std::string_view operand);
    void constant_string(std::string_view rest);
    void instruction(Mn m, std::string_view operand);
    void emit(uint8_t byte);
    void emit_checked(int64_t value, int bytes, int64_t low, int64_t high, const char* what);

    const SourceReader& reader_;
    const AssembleOptions& options_;
    Assembly& out_;
    std::map<std::string, std::unique_ptr<SourceFile>> files_;
    std::map<std::string, std::string> binaries_;  // incbin files by path
    std::map<std::string, Macro> macros_;          // by lower-case name
    Macro* collecting_ = nullptr;                  // the macro whose body is being read
    Macro discarded_;                              // pass 2 reads bodies into this
    std::string collecting_file_;
    int collecting_line_ = 0;
    std::vector<Conditional> conditionals_;
    std::vector<bool> condition_results_;  // pass 1's result of each if, reused by pass 2
    size_t condition_index_ = 0;
    int expansions_ = 0;                   // macro expansions so far in this pass: \@
    std::string macro_context_;            // " (in macro 'm', line n)" while expanding
    std::string scope_;                    // the last label without a leading "."
    std::map<std::string, Symbol> symbols_;
    std::vector<PendingEquate> pending_;
    std::vector<AddressMode> address_modes_;  // pass 1's choice per address operand
    size_t address_mode_index_ = 0;

    int pass_ = 1;
    int32_t pc_ = 0;       // reaches 0x10000 just past a last byte at $FFFF
    int32_t line_pc_ = 0;  // pc at the start of the line: the value of *
    bool ended_ = false;
    bool too_many_errors_ = false;
    int error_count_ = 0;
    const SourceFile* file_ = nullptr;
    int line_number_ = 0;

    // The current line's listing entry (pass 2), and its once-per-line errors.
    ListingLine* listing_ = nullptr;
    bool line_overflow_reported_ = false;
    bool line_overlap_reported_ = false;
};

// Recursive descent over C's operator precedence:
//   ||  &&  |  ^  &  == !=  < <= > >=  << >>  + -  * / %  unary - + ~ !  primary
// Comparisons and ! give 1 for true and 0 for false.
// Primaries: decimal, $hex, %binary, 'c', * (the line's address), symbols,
// hi(expr), lo(expr) and parentheses. Values are 32-bit two's complement.
class ExpressionParser {
public:
    ExpressionParser(Assembler& as, std::string_view text) : as_(as), s_(text) {}

    std::optional<Value> parse() {
        Value v;
        if (!binary(0, v)) return std::nullopt;
        skip();
        if (p_ < s_.size()) {
            fail("unexpected " + quoted(s_.substr(p_, 1)) + " in expression");
            return std::nullopt;
        }
        return v;
    }

private:
    // Reports the first error of the expression only.
    bool fail(const std::string& message) {
        if (!failed_) as_.error(message);
        failed_ = true;
        return false;
    }

    void skip() {
        while (p_ < s_.size() && is_blank(s_[p_])) ++p_;
    }

    bool peek(std::string_view token) const { return s_.substr(p_, token.size()) == token; }

    // An operator of the given precedence level at the cursor, consumed; empty
    // when there is none.
    std::string_view match_operator(int level) {
        static constexpr std::string_view levels[operator_levels][4] = {
            {"||"}, {"&&"}, {"|"}, {"^"}, {"&"}, {"==", "!="}, {"<=", ">=", "<", ">"},
            {"<<", ">>"}, {"+", "-"}, {"*", "/", "%"},
        };
        skip();
        for (std::string_view op : levels[level]) {
            if (op.empty() || !peek(op)) continue;
            // "|" and "&" are not the first half of "||" and "&&", nor "<"
            // and ">" of a shift.
            if (op.size() == 1 && p_ + 1 < s_.size() && s_[p_ + 1] == op[0] && std::strchr("|&<>", op[0])) continue;
            p_ += op.size();
            return op;
        }
        return {};
    }

    static constexpr int operator_levels = 10;

    bool binary(int level, Value& v) {
        if (level == operator_levels) return unary(v);
        if (!binary(level + 1, v)) return false;
        for (;;) {
            const std::string_view op = match_operator(level);
            if (op.empty()) return true;
            Value r;
            if (!binary(level + 1, r) || !apply(op, v, r)) return false;
        }
    }

    bool apply(std::string_view op, Value& v, const Value& r) {
        const bool known = v.known && r.known;
        const int64_t a = v.v;
        const int64_t b = r.v;
        int64_t result = 0;
        if (op == "+") {
            result = a + b;
        } else if (op == "-") {
            result = a - b;
        } else if (op == "*") {
            result = a * b;
        } else if (op == "/" || op == "%") {
            if (known && b == 0) return fail("division by zero");
            if (b != 0) result = op == "/" ? a / b : a % b;
        } else if (op == "&") {
            result = a & b;
        } else if (op == "&&" || op == "||") {
            result = op == "&&" ? (a != 0 && b != 0) : (a != 0 || b != 0);
        } else if (op == "==" || op == "!=") {
            result = (a == b) == (op == "==");
        } else if (op == "<") {
            result = a < b;
        } else if (op == ">") {
            result = a > b;
        } else if (op == "<=") {
            result = a <= b;
        } else if (op == ">=") {
            result = a >= b;
        } else if (op == "|") {
            result = a | b;
        } else if (op == "^") {
            result = a ^ b;
        } else {  // << and >>; >> is arithmetic, as on a signed value
            if (known && (b < 0 || b > 31)) return fail("shift count out of range (0 to 31)");
            const int shift = static_cast<int>(b & 31);
            result = op == "<<" ? static_cast<int64_t>(static_cast<uint32_t>(a) << shift)
                                : static_cast<int64_t>(static_cast<int32_t>(a) >> shift);
        }
        v.v = static_cast<int32_t>(static_cast<uint32_t>(result));
        v.known = known;
        return true;
    }

    bool unary(Value& v) {
        if (++depth_ > max_expression_depth) return fail("expression nested too deeply");
        skip();
        bool ok;
        if (peek("-") || peek("~") || peek("+") || (peek("!") && !peek("!="))) {
            const char op = s_[p_++];
            ok = unary(v);
            if (op == '-') v.v = static_cast<int32_t>(0u - static_cast<uint32_t>(v.v));
            if (op == '~') v.v = ~v.v;
            if (op == '!') v.v = v.v == 0 ? 1 : 0;
        } else {
            ok = primary(v);
        }
        --depth_;
        return ok;
    }

    // Digits of a number in `base`; letters and name characters run on so
    // that 12ab or $1g are reported whole rather than half-read.
    bool number(int base, Value& v) {
        const size_t start = p_;
        uint64_t n = 0;
        while (p_ < s_.size() && is_name_char(s_[p_])) {
            const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(s_[p_])));
            int digit = 99;
            if (c >= '0' && c <= '9') digit = c - '0';
            if (c >= 'a' && c <= 'z') digit = c - 'a' + 10;
            if (digit >= base) {
                size_t end = p_;
                while (end < s_.size() && is_name_char(s_[end])) ++end;
                const size_t from = start > 0 && (s_[start - 1] == '$' || s_[start - 1] == '%') ? start - 1 : start;
                return fail("bad number " + quoted(s_.substr(from, end - from)));
            }
            n = n * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
            if (n > 0xFFFFFFFFu) return fail("number too large");
            ++p_;
        }
        if (p_ == start) return fail("missing digits after " + quoted(s_.substr(start - 1, 1)));
        v = {static_cast<int32_t>(static_cast<uint32_t>(n)), true};
        return true;
    }

    bool parenthesised(Value& v) {
        if (!binary(0, v)) return false;
        skip();
        if (!peek(")")) return fail("missing ')'");
        ++p_;
        return true;
    }

    bool primary(Value& v) {
        skip();
        if (p_ >= s_.size()) return fail("missing value");
        const char c = s_[p_];
        if (c == '(') {
            ++p_;
            return parenthesised(v);
        }
        if (c == '$' || c == '%') {
            ++p_;
            return number(c == '$' ? 16 : 2, v);
        }
        if (std::isdigit(static_cast<unsigned char>(c))) return number(10, v);
        if (c == '\'') {
            if (p_ + 2 >= s_.size() || s_[p_ + 2] != '\'') return fail("bad character constant");
            v = {static_cast<unsigned char>(s_[p_ + 1]), true};
            p_ += 3;
            return true;
        }
        if (c == '*') {
            ++p_;
            v = {as_.line_pc_, true};
            return true;
        }
        if (is_name_start(c)) {
            const size_t start = p_;
            while (p_ < s_.size() && is_name_char(s_[p_])) ++p_;
            const std::string_view name = s_.substr(start, p_ - start);
            const std::string function = lower(name);
            skip();
            if ((function == "hi" || function == "lo") && peek("(")) {
                ++p_;
                if (!parenthesised(v)) return false;
                v.v = function == "hi" ? (v.v >> 8) & 0xFF : v.v & 0xFF;
                return true;
            }
            const std::optional<Value> symbol = as_.lookup(name);
            if (!symbol) {
                failed_ = true;  // lookup has reported it
                return false;
            }
            v = *symbol;
            return true;
        }
        return fail("unexpected " + quoted(s_.substr(p_, 1)) + " in expression");
    }

    Assembler& as_;
    std::string_view s_;
    size_t p_ = 0;
    int depth_ = 0;
    bool failed_ = false;
};

void Assembler::error(const std::string& message) {
    if (too_many_errors_) return;
    std::string where = file_ ? file_->path + format(":%d", line_number_) : std::string("apfasm");
    if (++error_count_ > max_errors) {
        out_.errors.push_back(where + ": too many errors, stopping");
        too_many_errors_ = true;
        return;
    }
    out_.errors.push_back(where + ": " + message + macro_context_);
}

// Pass 1 reads every line of a source that pass 2 is allowed to see, so it
// is the pass that warns, once per line.
void Assembler::warning(const std::string& message) {
    if (pass_ != 1 || !file_) return;
    out_.warnings.push_back(file_->path + format(":%d: warning: ", line_number_) + message);
}

const SourceFile* Assembler::load(const std::string& path) {
    if (const auto it = files_.find(path); it != files_.end()) return it->second.get();
    const std::optional<std::string> text = reader_(path);
    if (!text) return nullptr;
    auto file = std::make_unique<SourceFile>();
    file->path = path;
    size_t start = 0;
    while (start < text->size()) {
        size_t end = text->find('\n', start);
        if (end == std::string::npos) end = text->size();
        std::string line = text->substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        file->lines.push_back(std::move(line));
        start = end + 1;
    }
    const SourceFile* result = file.get();
    files_[path] = std::move(file);
    return result;
}

void Assembler::run(const std::string& path) {
    const SourceFile* top = load(path);
    if (!top) {
        out_.errors.push_back(path + ": cannot read the file");
        return;
    }
    for (const auto& [name, value] : options_.defines) {
        symbols_[name] = {value, true, "command line", 0, false};
        out_.defined_at[name] = "command line";
    }
    for (pass_ = 1; pass_ <= 2; ++pass_) {
        pc_ = 0;
        ended_ = false;
        address_mode_index_ = 0;
        condition_index_ = 0;
        conditionals_.clear();
        collecting_ = nullptr;
        expansions_ = 0;
        scope_.clear();
        assemble_file(*top, 0);
        file_ = nullptr;
        // A block left open runs to the end of the source; say where it began.
        if (collecting_ && !too_many_errors_) {
            out_.errors.push_back(collecting_file_ + format(":%d", collecting_line_) + ": macro without endm");
        }
        if (!conditionals_.empty() && !too_many_errors_) {
            out_.errors.push_back(conditionals_.back().where + ": if without endif");
        }
        if (!out_.errors.empty()) return;
        if (pass_ == 1) resolve_pending_equates();
    }
    for (const auto& [name, symbol] : symbols_) out_.symbols[name] = symbol.value;
}

// Equates that depended on later symbols get their values now, round after
// round while any progress is made. The rounds alternate direction, so a
// chain written in either order resolves in one or two rounds. Whatever
// stays unresolved, or fails to evaluate, is reported by pass 2 at its own
// line.
void Assembler::resolve_pending_equates() {
    bool progress = true;
    for (bool forward = true; progress; forward = !forward) {
        progress = false;
        for (size_t i = 0; i < pending_.size(); ++i) {
            const PendingEquate& e = pending_[forward ? i : pending_.size() - 1 - i];
            Symbol& s = symbols_[e.name];
            if (s.known) continue;
            line_pc_ = e.pc;
            const std::optional<Value> v = ExpressionParser(*this, e.expression).parse();
            if (v && v->known) {
                s.value = v->v;
                s.known = true;
                progress = true;
            }
        }
    }
    out_.errors.clear();
    error_count_ = 0;
}

void Assembler::assemble_file(const SourceFile& file, int depth) {
    for (size_t i = 0; i < file.lines.size() && !stopped(); ++i) {
        file_ = &file;
        line_number_ = static_cast<int>(i + 1);
        line_pc_ = pc_;
        line_overflow_reported_ = false;
        line_overlap_reported_ = false;
        listing_ = nullptr;
        if (pass_ == 2) {
            out_.listing.push_back({line_number_, std::nullopt, {}, std::nullopt, file.lines[i]});
            listing_ = &out_.listing.back();
        }
        assemble_line(file.lines[i], depth);
    }
}

// Line layout: [label[:]] [operation [operand]] [; comment]. A label starts
// in the first column, or anywhere when a colon follows it. A line whose
// first non-blank character is * or ; is a comment.
void Assembler::assemble_line(const std::string& text, int depth) {
    if (control_line(text)) return;
    const std::string_view s = text;
    const std::string_view t = trim(s);
    if (t.empty() || t[0] == ';' || t[0] == '*') return;

    auto name_end = [&s](size_t from) {
        while (from < s.size() && is_name_char(s[from])) ++from;
        return from;
    };
    std::string label;
    size_t p = 0;
    if (!is_blank(s[0])) {
        p = is_name_start(s[0]) ? name_end(0) : 0;
        if (p == 0 || (p < s.size() && !is_blank(s[p]) && s[p] != ':' && s[p] != ';' && s[p] != '=')) {
            return error("bad label " + quoted(s.substr(0, std::min(s.find_first_of(" \t"), size_t{20}))));
        }
        label = std::string(s.substr(0, p));
        if (p < s.size() && s[p] == ':') ++p;
    } else {
        while (p < s.size() && is_blank(s[p])) ++p;
        if (is_name_start(s[p])) {
            const size_t q = name_end(p);
            if (q < s.size() && s[q] == ':') {
                label = std::string(s.substr(p, q - p));
                p = q + 1;
            }
        }
    }
    while (p < s.size() && is_blank(s[p])) ++p;

    // The operation: a mnemonic, a directive, or "=" for an equate.
    size_t q = p;
    if (q < s.size() && s[q] == '=') {
        ++q;
    } else {
        while (q < s.size() && !is_blank(s[q]) && s[q] != ';' && s[q] != '=') ++q;
    }
    std::string_view op = s.substr(p, q - p);
    std::string_view rest = s.substr(q);

    // An indented "name equ value" or "name = value" defines name all the same.
    if (label.empty() && !op.empty() && is_name_start(op[0]) && !find_mnemonic(op) &&
        find_directive(op) == Directive::none) {
        const std::string_view after = trim(rest);
        size_t w = 0;
        while (w < after.size() && !is_blank(after[w]) && after[w] != '=') ++w;
        const size_t length = !after.empty() && after[0] == '=' ? 1 : w;
        if (length > 0 && find_directive(after.substr(0, length)) == Directive::equ) {
            label = std::string(op);
            op = after.substr(0, length);
            rest = after.substr(length);
        }
    }

    // "nop" or "inx" written in the first column is a label, and the line
    // assembles to nothing; almost always the indentation was forgotten.
    if (const auto m = find_mnemonic(label); m && has_any_mode(*m)) {
        warning("label " + quoted(label) + " is spelt like an instruction");
    }

    if (op.empty()) {
        if (!label.empty()) define_label(label);
        if (!label.empty()) mark_address();
        return;
    }
    const Directive d = find_directive(op);
    if (d != Directive::none) return directive(d, label, rest, depth);
    if (!label.empty()) define_label(label);
    if (const auto it = macros_.find(lower(op)); it != macros_.end()) {
        mark_address();
        return expand_macro(it->second, rest, depth);
    }
    const std::optional<Mn> m = find_mnemonic(op);
    if (!m) return error("unknown instruction " + quoted(op));
    mark_address();
    instruction(*m, operand_field(rest));
}

RawFields raw_fields(std::string_view s) {
    RawFields f;
    const std::string_view t = trim(s);
    if (t.empty() || t[0] == ';' || t[0] == '*') return f;
    size_t p = 0;
    if (!is_blank(s[0])) {
        while (p < s.size() && !is_blank(s[p]) && s[p] != ':') ++p;
        f.label = s.substr(0, p);
        if (p < s.size() && s[p] == ':') ++p;
    } else {
        while (p < s.size() && is_blank(s[p])) ++p;
        size_t q = p;
        while (q < s.size() && !is_blank(s[q]) && s[q] != ':') ++q;
        if (q < s.size() && s[q] == ':') {
            f.label = s.substr(p, q - p);
            p = q + 1;
        }
    }
    while (p < s.size() && is_blank(s[p])) ++p;
    size_t q = p;
    while (q < s.size() && !is_blank(s[q])) ++q;
    f.op = s.substr(p, q - p);
    f.rest = s.substr(q);
    return f;
}

// Lines that open or close a block are handled here, before anything else:
// a macro body is stored, not assembled, until its endm; inside an if whose
// condition failed only the if/else/endif nesting is followed. True when
// the line needs nothing more.
bool Assembler::control_line(const std::string& text) {
    const RawFields f = raw_fields(text);
    const Directive d = f.op.empty() ? Directive::none : find_directive(f.op);
    if (collecting_) {
        if (d == Directive::endm) {
            collecting_ = nullptr;
        } else if (d == Directive::macro) {
            error("macro definition inside a macro definition");
        } else {
            collecting_->body.push_back(text);
        }
        return true;
    }
    if (d == Directive::if_ || d == Directive::ifdef || d == Directive::ifndef || d == Directive::else_ ||
        d == Directive::endif) {
        conditional(d, operand_field(f.rest));
        return true;
    }
    if (!active()) return true;
    if (d == Directive::endm) {
        error("endm without macro");
        return true;
    }
    if (d != Directive::macro) return false;

    const std::string name(f.label);
    if (name.empty() || !is_name_start(name[0]) || name[0] == '.') {
        error("macro needs a name in the label field");
    } else if (find_mnemonic(name) || find_directive(name) != Directive::none) {
        error("macro name " + quoted(name) + " is an instruction or directive");
    }
    collecting_file_ = file_->path;
    collecting_line_ = line_number_;
    if (pass_ == 2) {
        discarded_.body.clear();
        collecting_ = &discarded_;
        return true;
    }
    Macro macro;
    macro.name = name;
    const std::string_view params = operand_field(f.rest);
    if (!params.empty()) {
        for (const std::string_view p : split_list(params)) {
            if (p.empty() || !is_name_start(p[0])) {
                error("bad macro parameter " + quoted(p));
                continue;
            }
            for (const char c : p) {
                if (!is_name_char(c)) error("bad macro parameter " + quoted(p));
            }
            macro.params.emplace_back(p);
        }
    }
    const auto [it, fresh] = macros_.emplace(lower(name), std::move(macro));
    if (!fresh) error("macro " + quoted(name) + " is defined twice");
    collecting_ = fresh ? &it->second : &discarded_;
    return true;
}

// if expr / ifdef name / ifndef name ... [else ...] endif. Pass 1 decides
// each condition; pass 2 reuses the decision, so that a symbol defined
// further down cannot change which lines exist.
void Assembler::conditional(Directive d, std::string_view operand) {
    if (d == Directive::if_ || d == Directive::ifdef || d == Directive::ifndef) {
        Conditional c;
        c.outer_active = active();
        c.where = file_->path + format(":%d", line_number_);
        if (c.outer_active) {
            if (pass_ == 1) {
                if (d == Directive::if_) {
                    const std::optional<int32_t> v = evaluate_known(operand, "if");
                    c.result = v && *v != 0;
                } else if (operand.empty() || !is_name_start(operand[0]) ||
                           std::any_of(operand.begin(), operand.end(), [](char ch) { return !is_name_char(ch); })) {
                    error(std::string(d == Directive::ifdef ? "ifdef" : "ifndef") + " needs a symbol name");
                } else {
                    const bool defined = symbols_.count(full_name(operand)) != 0;
                    c.result = defined == (d == Directive::ifdef);
                }
                condition_results_.push_back(c.result);
            } else if (condition_index_ < condition_results_.size()) {
                c.result = condition_results_[condition_index_++];
            }
        }
        c.taking = c.outer_active && c.result;
        conditionals_.push_back(std::move(c));
        return;
    }
    const char* word = d == Directive::else_ ? "else" : "endif";
    if (conditionals_.empty()) return error(std::string(word) + " without if");
    Conditional& c = conditionals_.back();
    if (d == Directive::endif) {
        conditionals_.pop_back();
        return;
    }
    if (c.else_seen) return error("second else for one if");
    c.else_seen = true;
    c.taking = c.outer_active && !c.result;
}

// A macro's body with its arguments in place: \1-\9 by position, \name by
// parameter name, \@ a text unique to this expansion (for labels).
std::string substitute(const std::string& line, const Macro& macro, const std::vector<std::string>& args,
                       const std::string& unique) {
    std::string out;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\\' || i + 1 >= line.size()) {
            out += line[i];
            continue;
        }
        const char n = line[i + 1];
        if (n == '@') {
            out += unique;
            ++i;
        } else if (n >= '1' && n <= '9') {
            const size_t k = static_cast<size_t>(n - '1');
            if (k < args.size()) out += args[k];
            ++i;
        } else if (is_name_start(n)) {
            size_t e = i + 1;
            while (e < line.size() && is_name_char(line[e])) ++e;
            const std::string name = line.substr(i + 1, e - i - 1);
            const auto p = std::find(macro.params.begin(), macro.params.end(), name);
            if (p == macro.params.end()) {
                out += line[i];
                continue;
            }
            const size_t k = static_cast<size_t>(p - macro.params.begin());
            if (k < args.size()) out += args[k];
            i = e - 1;
        } else {
            out += line[i];
        }
    }
    return out;
}

// The body, with the arguments substituted, assembled line by line where the
// macro is used. The listing shows each expanded line after the call, marked
// with "+"; errors name the call's line and the line of the body.
void Assembler::expand_macro(const Macro& macro, std::string_view operand, int depth) {
    if (depth + 1 >= max_include_depth) return error("macros nested too deeply (a macro that uses itself?)");
    std::vector<std::string> args;
    operand = operand_field(operand);
    if (!operand.empty()) {
        for (const std::string_view a : split_list(operand)) args.emplace_back(a);
    }
    if (args.size() > macro.params.size()) {
        return error(format("macro %s takes %zu arguments, not %zu", quoted(macro.name).c_str(),
                            macro.params.size(), args.size()));
    }
    const std::string unique = format("_%04d", ++expansions_);
    const std::string outer_context = macro_context_;
    const size_t outer_conditionals = conditionals_.size();
    for (size_t k = 0; k < macro.body.size() && !stopped(); ++k) {
        const std::string line = substitute(macro.body[k], macro, args, unique);
        listing_ = nullptr;
        if (pass_ == 2) {
            out_.listing.push_back({line_number_, std::nullopt, {}, std::nullopt, "+" + line});
            listing_ = &out_.listing.back();
        }
        line_pc_ = pc_;
        line_overflow_reported_ = false;
        line_overlap_reported_ = false;
        macro_context_ = format(" (in macro %s, line %zu)", quoted(macro.name).c_str(), k + 1);
        assemble_line(line, depth + 1);
    }
    if (conditionals_.size() > outer_conditionals && !stopped()) error("if without endif in the macro's body");
    conditionals_.resize(std::min(conditionals_.size(), outer_conditionals));
    macro_context_ = outer_context;
    listing_ = nullptr;
}

// The listing shows the line's address (the line's first byte, or where its
// label points).
void Assembler::mark_address() {
    if (listing_ && pc_ <= 0xFFFF) listing_->address = static_cast<uint16_t>(pc_);
}

std::string base_name(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A name starting with "." is local: it belongs to the last label without
// one, so ".loop" under "print" is "print.loop", and every routine may have
// its own ".loop".
std::string Assembler::full_name(std::string_view name) const {
    if (!name.empty() && name[0] == '.' && !scope_.empty()) return scope_ + std::string(name);
    return std::string(name);
}

void Assembler::define_label(const std::string& written) {
    const std::string name = full_name(written);
    if (written[0] != '.') scope_ = written;
    if (pass_ == 1) {
        if (const auto it = symbols_.find(name); it != symbols_.end()) {
            return error(format("duplicate symbol %s (first defined at %s:%d)", quoted(name).c_str(),
                                it->second.file.c_str(), it->second.line));
        }
        symbols_[name] = {pc_, true, file_->path, line_number_, false};
        out_.defined_at[name] = base_name(file_->path) + format(":%d", line_number_);
        return;
    }
    // Pass 2 reuses pass 1's sizes, so a label cannot move; this guards the
    // assembler itself rather than the source.
    if (const auto it = symbols_.find(name); it != symbols_.end() && it->second.value != pc_) {
        error(format("internal error: %s moved between passes", quoted(name).c_str()));
    }
}

void Assembler::define_equate(const std::string& written, std::string_view expression) {
    const std::string name = full_name(written);
    if (pass_ == 1) {
        if (const auto it = symbols_.find(name); it != symbols_.end()) {
            return error(format("duplicate symbol %s (first defined at %s:%d)", quoted(name).c_str(),
                                it->second.file.c_str(), it->second.line));
        }
        const std::optional<Value> v = evaluate(expression);
        if (!v) return;
        symbols_[name] = {v->v, v->known, file_->path, line_number_, false};
        out_.defined_at[name] = base_name(file_->path) + format(":%d", line_number_);
        if (!v->known) pending_.push_back({name, std::string(expression), line_pc_});
        return;
    }
    const std::optional<Value> v = evaluate(expression);
    if (!v) return;
    symbols_[name].value = v->v;
    symbols_[name].known = true;
    if (listing_) listing_->value = v->v;
}

// A set symbol may change its value as the source goes on: each use sees the
// value of the last set before it. Its first value stands for uses above it.
void Assembler::define_set(const std::string& written, std::string_view expression) {
    const std::string name = full_name(written);
    const auto it = symbols_.find(name);
    if (it != symbols_.end() && !it->second.redefinable) {
        return error(format("%s is not a set symbol (defined at %s:%d)", quoted(name).c_str(),
                            it->second.file.c_str(), it->second.line));
    }
    const std::optional<int32_t> v = evaluate_known(expression, "set");
    if (!v) return;
    if (it == symbols_.end()) {
        symbols_[name] = {*v, true, file_->path, line_number_, true};
        out_.defined_at[name] = base_name(file_->path) + format(":%d", line_number_);
    } else {
        it->second.value = *v;
    }
    if (listing_) listing_->value = *v;
}

std::optional<Value> Assembler::lookup(std::string_view written) {
    const std::string name = full_name(written);
    const auto it = symbols_.find(name);
    if (pass_ == 1) {
        if (it == symbols_.end() || !it->second.known) return Value{0, false};
        return Value{it->second.value, true};
    }
    if (it == symbols_.end()) {
        error("undefined symbol " + quoted(name));
        return std::nullopt;
    }
    if (file_) {
        std::vector<std::string>& uses = out_.used_at[name];
        std::string where = base_name(file_->path) + format(":%d", line_number_);
        if (uses.empty() || uses.back() != where) uses.push_back(std::move(where));
    }
    if (!it->second.known) {
        error("symbol " + quoted(name) + " has no value (its definition is circular)");
        return std::nullopt;
    }
    return Value{it->second.value, true};
}

std::optional<Value> Assembler::evaluate(std::string_view text) {
    text = trim(text);
    if (text.empty()) {
        error("missing value");
        return std::nullopt;
    }
    return ExpressionParser(*this, text).parse();
}

// Values that decide where code goes (org, rmb) must be known in pass 1.
std::optional<int32_t> Assembler::evaluate_known(std::string_view text, const char* what) {
    const std::optional<Value> v = evaluate(text);
    if (!v) return std::nullopt;
    if (!v->known) {
        error(format("%s needs a value known at this point (no forward references)", what));
        return std::nullopt;
    }
    return v->v;
}

void Assembler::directive(Directive d, const std::string& label, std::string_view rest, int depth) {
    const std::string_view operand = operand_field(rest);
    if (d == Directive::equ) {
        if (label.empty()) return error("equ needs a label");
        return define_equate(label, operand);
    }
    if (d == Directive::set) {
        if (label.empty()) return error("set needs a label");
        return define_set(label, operand);
    }
    if (d == Directive::error) {
        // The message is the whole rest of the line, quoted or not.
        std::string_view text = strip_comment(rest);
        if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
        if (pass_ == 1) error(text.empty() ? std::string("error directive") : std::string(text));
        return;
    }
    if (d == Directive::org) {
        const std::optional<int32_t> v = evaluate_known(operand, "org");
        if (!v) return;
        if (*v < 0 || *v > 0xFFFF) return error("org address " + describe_value(*v) + " out of range");
        pc_ = *v;
        if (!label.empty()) define_label(label);
        return mark_address();
    }
    // Every other directive's label is the address where the line starts.
    if (!label.empty()) define_label(label);
    switch (d) {
        case Directive::rmb: {
            const std::optional<int32_t> v = evaluate_known(operand, "rmb");
            if (!v) return;
            if (*v < 0 || *v > 0x10000) return error("rmb count " + describe_value(*v) + " out of range");
            if (pc_ + *v > 0x10000) return error("rmb reserves past $FFFF");
            mark_address();
            pc_ += *v;
            return;
        }
        case Directive::fcb:
            mark_address();
            return data_bytes(operand);
        case Directive::fdb:
            mark_address();
            return data_words(operand);
        case Directive::fcc:
            mark_address();
            return constant_string(rest);
        case Directive::include: return include(operand, depth);
        case Directive::incbin: return include_binary(operand);
        case Directive::fill: return fill(operand);
        case Directive::align: return align(operand);
        case Directive::ignored: return;
        case Directive::end:
            if (!operand.empty() && pass_ == 2) {
                const std::optional<Value> v = evaluate(operand);
                if (v && (v->v < 0 || v->v > 0xFFFF)) {
                    error("entry address " + describe_value(v->v) + " out of range");
                } else if (v) {
                    out_.entry = static_cast<uint16_t>(v->v);
                }
            }
            ended_ = true;
            return;
        default: return;
    }
}

// include "file" (or <file>, or a bare name): relative names are relative to
// the directory of the including file.
void Assembler::include(std::string_view operand, int depth) {
    std::string_view name = operand;
    if (name.size() >= 2 && ((name.front() == '"' && name.back() == '"') ||
                             (name.front() == '<' && name.back() == '>'))) {
        name = name.substr(1, name.size() - 2);
    }
    if (name.empty()) return error("include needs a file name");
    if (depth + 1 >= max_include_depth) return error("includes nested too deeply (an include loop?)");
    const SourceFile* included = nullptr;
    std::string first_path;
    for (const std::string& path : candidate_paths(name)) {
        if (first_path.empty()) first_path = path;
        if ((included = load(path)) != nullptr) break;
    }
    if (!included) return error("cannot read include file " + quoted(first_path));
    const SourceFile* outer = file_;
    const int outer_line = line_number_;
    assemble_file(*included, depth + 1);
    file_ = outer;
    line_number_ = outer_line;
    listing_ = nullptr;
}

// Where a file named in include or incbin is looked for: beside the file
// that names it, then in each include folder in turn. An absolute name is
// taken as it is.
std::vector<std::string> Assembler::candidate_paths(std::string_view name) const {
    if (name.front() == '/') return {std::string(name)};
    std::vector<std::string> paths = {directory_of(file_->path) + std::string(name)};
    for (const std::string& dir : options_.include_dirs) {
        if (dir.empty()) continue;
        paths.push_back(dir + (dir.back() == '/' ? "" : "/") + std::string(name));
    }
    return paths;
}

// incbin "file"[,offset[,length]]: the file's bytes, or part of them, as data.
void Assembler::include_binary(std::string_view operand) {
    const std::vector<std::string_view> items = split_list(operand);
    std::string_view name = items[0];
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
    if (name.empty()) return error("incbin needs a file name");
    if (items.size() > 3) return error("incbin takes a file name, an offset and a length");
    const std::string* data = nullptr;
    std::string first_path;
    for (const std::string& path : candidate_paths(name)) {
        if (first_path.empty()) first_path = path;
        if (const auto it = binaries_.find(path); it != binaries_.end()) {
            data = &it->second;
            break;
        }
        if (std::optional<std::string> text = reader_(path)) {
            data = &(binaries_[path] = std::move(*text));
            break;
        }
    }
    if (!data) return error("cannot read incbin file " + quoted(first_path));
    const int64_t size = static_cast<int64_t>(data->size());
    int64_t offset = 0;
    int64_t length = size;
    if (items.size() >= 2) {
        const std::optional<int32_t> v = evaluate_known(items[1], "incbin offset");
        if (!v) return;
        offset = *v;
        length = size - offset;
    }
    if (items.size() == 3) {
        const std::optional<int32_t> v = evaluate_known(items[2], "incbin length");
        if (!v) return;
        length = *v;
    }
    if (offset < 0 || length < 0 || offset + length > size) {
        return error(format("incbin range outside the file (%lld bytes)", static_cast<long long>(size)));
    }
    mark_address();
    for (int64_t i = 0; i < length; ++i) emit(static_cast<uint8_t>((*data)[static_cast<size_t>(offset + i)]));
}

// fill value,count: count bytes of one value.
void Assembler::fill(std::string_view operand) {
    const std::vector<std::string_view> items = split_list(operand);
    if (items.size() != 2) return error("fill needs a value and a count");
    const std::optional<int32_t> count = evaluate_known(items[1], "fill count");
    if (!count) return;
    if (*count < 0 || pc_ + *count > 0x10000) return error("fill count " + describe_value(*count) + " out of range");
    const std::optional<Value> v = evaluate(items[0]);
    if (pass_ == 2 && v && (v->v < -128 || v->v > 255)) {
        return error("fill value " + describe_value(v->v) + " out of range (-128 to $FF)");
    }
    mark_address();
    for (int32_t i = 0; i < *count; ++i) emit(static_cast<uint8_t>(v ? v->v : 0));
}

// align n[,value]: on to the next multiple of n, reserving the gap (so it
// stays $FF in a binary), or filling it with the value.
void Assembler::align(std::string_view operand) {
    const std::vector<std::string_view> items = split_list(operand);
    if (items.size() > 2) return error("align takes a boundary and a fill value");
    const std::optional<int32_t> n = evaluate_known(items[0], "align");
    if (!n) return;
    if (*n < 1 || *n > 0x8000) return error("align boundary " + describe_value(*n) + " out of range (1 to $8000)");
    const int32_t gap = (*n - pc_ % *n) % *n;
    if (pc_ + gap > 0x10000) return error("align runs past $FFFF");
    mark_address();
    if (items.size() == 1) {
        pc_ += gap;
        return;
    }
    const std::optional<Value> v = evaluate(items[1]);
    if (pass_ == 2 && v && (v->v < -128 || v->v > 255)) {
        return error("fill value " + describe_value(v->v) + " out of range (-128 to $FF)");
    }
    for (int32_t i = 0; i < gap; ++i) emit(static_cast<uint8_t>(v ? v->v : 0));
}

void Assembler::emit(uint8_t byte) {
    if (pc_ > 0xFFFF) {
        if (!line_overflow_reported_) error("code runs past $FFFF");
        line_overflow_reported_ = true;
        return;
    }
    if (pass_ == 2) {
        if (out_.used[pc_] && !line_overlap_reported_) {
            error(format("overwrites code already assembled at $%04X", static_cast<unsigned>(pc_)));
            line_overlap_reported_ = true;
        }
        out_.memory[pc_] = byte;
        out_.used[pc_] = 1;
        if (listing_) listing_->bytes.push_back(byte);
    }
    ++pc_;
}

// Emits a one- or two-byte value (high byte first). Ranges are checked in
// pass 2, when every value is known.
void Assembler::emit_checked(int64_t value, int bytes, int64_t low, int64_t high, const char* what) {
    if (pass_ == 2 && (value < low || value > high)) {
        error(format("%s %s out of range (%s to %s)", what, describe_value(value).c_str(),
                     describe_value(low).c_str(), describe_value(high).c_str()));
    }
    if (bytes == 2) emit(static_cast<uint8_t>(value >> 8));
    emit(static_cast<uint8_t>(value));
}

// fcb/db: expressions and "strings", comma-separated.
void Assembler::data_bytes(std::string_view operand) {
    if (operand.empty()) return error("fcb needs at least one value");
    for (const std::string_view item : split_list(operand)) {
        if (!item.empty() && item.front() == '"') {
            if (item.size() < 2 || item.back() != '"') return error("unterminated string");
            for (const char c : item.substr(1, item.size() - 2)) emit(static_cast<uint8_t>(c));
            continue;
        }
        const std::optional<Value> v = evaluate(item);
        emit_checked(v ? v->v : 0, 1, -128, 255, "byte value");
    }
}

void Assembler::data_words(std::string_view operand) {
    if (operand.empty()) return error("fdb needs at least one value");
    for (const std::string_view item : split_list(operand)) {
        const std::optional<Value> v = evaluate(item);
        emit_checked(v ? v->v : 0, 2, -32768, 65535, "word value");
    }
}

// fcc takes its text between two equal delimiters: fcc "text" or fcc /text/.
void Assembler::constant_string(std::string_view rest) {
    rest = trim(rest);
    if (rest.empty()) return error("fcc needs a delimited string");
    const char delimiter = rest[0];
    const size_t close = rest.find(delimiter, 1);
    if (close == std::string_view::npos) return error("unterminated string");
    const std::string_view after = rest.substr(close + 1);
    if (!after.empty() && !is_blank(after[0]) && after[0] != ';') return error("unexpected text after the string");
    for (const char c : rest.substr(1, close - 1)) emit(static_cast<uint8_t>(c));
}

void Assembler::instruction(Mn m, std::string_view operand) {
    const std::string name(m6800::mnemonic_name(m));
    auto opcode = [m](AddressMode mode) { return static_cast<uint8_t>(opcode_for(m, mode)); };
    if (!has_any_mode(m)) return error(quoted(name) + " is not a 6800 instruction");

    if (operand.empty()) {
        if (!has_mode(m, AddressMode::inherent)) return error(quoted(name) + " needs an operand");
        return emit(opcode(AddressMode::inherent));
    }
    // Anything after an instruction without operand is a comment, as in
    // "rts  back to the caller".
    if (has_mode(m, AddressMode::inherent)) return emit(opcode(AddressMode::inherent));

    if (has_mode(m, AddressMode::relative)) {
        const std::optional<Value> target = evaluate(operand);
        emit(opcode(AddressMode::relative));
        int64_t offset = 0;
        if (target && pass_ == 2) {
            if (target->v < 0 || target->v > 0xFFFF) {
                error("branch target " + describe_value(target->v) + " out of range");
            } else {
                // The offset counts from the next instruction, modulo 64K as
                // the processor adds it.
                offset = static_cast<int16_t>(static_cast<uint16_t>(target->v - (line_pc_ + 2)));
                if (offset < -128 || offset > 127) {
                    error(format("branch out of range (target $%04X is %lld bytes away)",
                                 static_cast<unsigned>(target->v), static_cast<long long>(offset)));
                }
            }
        }
        return emit(static_cast<uint8_t>(offset));
    }

    if (operand[0] == '#') {
        // The core executes a store with '#' (it writes into its own operand
        // bytes), but the data sheet has no such opcode and a programmer who
        // writes one nearly always meant a load or a store to an address.
        if (m == Mn::staa || m == Mn::stab || m == Mn::sts || m == Mn::stx) {
            const int16_t op = opcode_for(m, has_mode(m, AddressMode::immediate8)
                                                 ? AddressMode::immediate8
                                                 : AddressMode::immediate16);
            warning(format("'%s #' stores into its own operand (opcode $%02X, not in the data sheet)",
                           name.c_str(), static_cast<unsigned>(op)));
        }
        const std::optional<Value> v = evaluate(operand.substr(1));
        const int64_t value = v ? v->v : 0;
        if (has_mode(m, AddressMode::immediate8)) {
            emit(opcode(AddressMode::immediate8));
            return emit_checked(value, 1, -128, 255, "immediate value");
        }
        if (has_mode(m, AddressMode::immediate16)) {
            emit(opcode(AddressMode::immediate16));
            return emit_checked(value, 2, -32768, 65535, "immediate value");
        }
        return error(quoted(name) + " has no immediate mode");
    }

    // Indexed: "offset,x" or ",x"; the offset is unsigned.
    const std::vector<std::string_view> parts = split_list(operand);
    if (parts.size() > 2) return error("too many operands");
    if (parts.size() == 2) {
        if (lower(parts[1]) != "x") return error("bad index register " + quoted(parts[1]) + " (only x)");
        if (!has_mode(m, AddressMode::indexed)) return error(quoted(name) + " has no indexed mode");
        const std::optional<Value> v = parts[0].empty() ? Value{0, true} : evaluate(parts[0]);
        emit(opcode(AddressMode::indexed));
        return emit_checked(v ? v->v : 0, 1, 0, 255, "index offset");
    }

    // Direct or extended; "<" forces direct, ">" extended.
    const bool force_direct = operand[0] == '<';
    const bool force_extended = operand[0] == '>';
    if (force_direct || force_extended) operand.remove_prefix(1);
    const bool direct_ok = has_mode(m, AddressMode::direct);
    const bool extended_ok = has_mode(m, AddressMode::extended);
    if (force_direct && !direct_ok) return error(quoted(name) + " has no direct mode");
    if (force_extended && !extended_ok) return error(quoted(name) + " has no extended mode");
    if (!direct_ok && !extended_ok) return error(quoted(name) + " has no direct or extended mode");
    const std::optional<Value> v = evaluate(operand);

    AddressMode mode;
    if (pass_ == 1) {
        // jsr has a direct form only as an extra opcode of this machine's
        // core, not in the data sheet, so it is used only when asked for.
        const bool page0 = v && v->known && v->v >= 0 && v->v <= 0xFF;
        const bool direct = force_direct || !extended_ok ||
                            (!force_extended && direct_ok && page0 && m != Mn::jsr);
        mode = direct ? AddressMode::direct : AddressMode::extended;
        address_modes_.push_back(mode);
    } else {
        if (address_mode_index_ >= address_modes_.size()) return error("internal error: passes differ");
        mode = address_modes_[address_mode_index_++];
    }
    emit(opcode(mode));
    if (mode == AddressMode::direct) return emit_checked(v ? v->v : 0, 1, 0, 255, "direct address");
    emit_checked(v ? v->v : 0, 2, 0, 65535, "address");
}

}  // namespace

std::optional<std::string> read_source_file(const std::string& path) {
    const std::optional<std::vector<uint8_t>> data = common::read_file(path, 16u << 20);
    if (!data) return std::nullopt;
    return std::string(data->begin(), data->end());
}

Assembly assemble(const std::string& path, const SourceReader& reader, const AssembleOptions& options) {
    Assembly out;
    Assembler(reader, options, out).run(path);
    return out;
}

std::optional<std::pair<uint16_t, uint16_t>> used_range(const Assembly& assembly) {
    int low = -1;
    int high = -1;
    for (int a = 0; a < 0x10000; ++a) {
        if (!assembly.used[a]) continue;
        if (low < 0) low = a;
        high = a;
    }
    if (low < 0) return std::nullopt;
    return std::pair{static_cast<uint16_t>(low), static_cast<uint16_t>(high)};
}

std::string binary_image(const Assembly& assembly, uint16_t from, uint16_t to) {
    if (from > to) return {};
    return std::string(assembly.memory.begin() + from, assembly.memory.begin() + to + 1);
}

std::string s19_text(const Assembly& assembly) {
    std::string out;
    // Count covers the address, the data and the checksum; the checksum is
    // the ones' complement of the sum of count, address and data bytes.
    auto record = [&out](char type, uint16_t address, const uint8_t* data, int count) {
        const int length = count + 3;
        unsigned sum = static_cast<unsigned>(length) + (address >> 8) + (address & 0xFFu);
        out += 'S';
        out += type;
        append_hex(out, "%02X", static_cast<unsigned>(length));
        append_hex(out, "%04X", address);
        for (int i = 0; i < count; ++i) {
            append_hex(out, "%02X", data[i]);
            sum += data[i];
        }
        append_hex(out, "%02X", ~sum & 0xFFu);
        out += '\n';
    };
    for (int a = 0; a < 0x10000;) {
        if (!assembly.used[a]) {
            ++a;
            continue;
        }
        int n = 0;
        while (n < 16 && a + n < 0x10000 && assembly.used[a + n]) ++n;
        record('1', static_cast<uint16_t>(a), &assembly.memory[a], n);
        a += n;
    }
    record('9', assembly.entry, nullptr, 0);
    return out;
}

std::string listing_text(const Assembly& assembly) {
    constexpr size_t bytes_per_line = 4;
    std::string out;
    auto bytes_field = [](const std::vector<uint8_t>& bytes, size_t from) {
        std::string field;
        for (size_t i = from; i < bytes.size() && i < from + bytes_per_line; ++i) {
            append_hex(field, "%02X ", bytes[i]);
        }
        return field;
    };
    for (const ListingLine& l : assembly.listing) {
        out += format("%5d  ", l.line_number % 100000);
        if (l.address) {
            append_hex(out, "%04X ", *l.address);
        } else {
            out += "     ";
        }
        std::string field = bytes_field(l.bytes, 0);
        if (l.value) {
            field = *l.value >= 0 && *l.value <= 0xFFFF ? format("=%04X", static_cast<unsigned>(*l.value))
                                                          : format("=%d", *l.value);
        }
        field.resize(12, ' ');
        out += field;
        out += l.text;
        out += '\n';
        // Longer data continue on lines of their own, each with its address.
        for (size_t i = bytes_per_line; i < l.bytes.size(); i += bytes_per_line) {
            out += "       ";
            append_hex(out, "%04X ", static_cast<unsigned>((*l.address + i) & 0xFFFF));
            std::string more = bytes_field(l.bytes, i);
            more.pop_back();
            out += more;
            out += '\n';
        }
    }
    if (!assembly.symbols.empty()) {
        // Indented past the address columns, so the debugger maps no
        // address to these lines.
        // The cross-reference: each symbol's value, where it was defined and
        // every line that used it.
        out += "\nSymbols:\n";
        for (const auto& [name, value] : assembly.symbols) {
            std::string line = "            " + name;
            if (line.size() < 40) line.resize(40, ' ');
            line += value >= 0 && value <= 0xFFFF ? format(" $%04X", static_cast<unsigned>(value))
                                                  : format(" %d", value);
            if (const auto d = assembly.defined_at.find(name); d != assembly.defined_at.end()) {
                line += "  " + d->second;
            }
            const auto u = assembly.used_at.find(name);
            if (u == assembly.used_at.end()) {
                if (line.size() < 70) line.resize(70, ' ');
                line += " unused";
            } else {
                for (size_t i = 0; i < u->second.size(); ++i) {
                    if (i % 6 == 0) {
                        if (i > 0) {
                            out += line + '\n';
                            line.clear();
                        }
                        if (line.size() < 70) line.resize(70, ' ');
                    }
                    line += ' ' + u->second[i];
                }
            }
            out += line;
            out += '\n';
        }
    }
    return out;
}

std::optional<uint16_t> parse_address(const std::string& text) {
    std::string_view s = text;
    int base = 10;
    if (!s.empty() && s[0] == '$') {
        base = 16;
        s.remove_prefix(1);
    } else if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty() || s.size() > 8) return std::nullopt;
    uint32_t v = 0;
    for (const char c : s) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && std::isxdigit(static_cast<unsigned char>(c))) {
            digit = std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
        } else {
            return std::nullopt;
        }
        v = v * static_cast<uint32_t>(base) + static_cast<uint32_t>(digit);
    }
    if (v > 0xFFFF) return std::nullopt;
    return static_cast<uint16_t>(v);
}

}  // namespace apfasm
