// The INI profile reader and writer.
//
// Input: the text of a file, optionally followed by a NUL and one edit,
// "section \x01 key \x01 value". Properties:
// - parsing and writing back gives the same bytes;
// - after the edit, the written text parses back to a profile whose edited
//   key reads as the value (cut at its first line feed, blanks around it
//   removed) and whose every other key reads as before;
// - a refused edit changes nothing.
#include <map>
#include <string>
#include <utility>

#include "common/profile.h"
#include "fuzz_support.h"

namespace {

using Values = std::map<std::pair<std::string, std::string>, std::string>;

// Every key the profile holds, by its section and key name as stored.
Values all_values(const common::Profile& p) {
    Values values;
    for (const auto& [section, index] : p.section_index)
        for (const auto& [key, line] : p.sections[index].keys) {
            (void)line;
            values[{section, key}] = common::profile_get(p, section, key).value_or("<missing>");
        }
    return values;
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string stored_value(std::string_view value) {
    value = value.substr(0, value.find('\n'));
    while (!value.empty() && is_blank(value.front())) value.remove_prefix(1);
    while (!value.empty() && is_blank(value.back())) value.remove_suffix(1);
    return std::string(value);
}

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string_view next_field(std::string_view& rest) {
    const size_t end = rest.find('\x01');
    const std::string_view field = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    return field;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\0');
    const std::string_view text = input.substr(0, split);

    common::Profile p = common::profile_parse(text);
    fuzz::check(common::profile_text(p) == text, "parse then write gives the same bytes");
    if (split == std::string_view::npos) return 0;

    std::string_view rest = input.substr(split + 1);
    const std::string_view section = next_field(rest);
    const std::string_view key = next_field(rest);
    const std::string_view value = rest;

    const Values before = all_values(p);
    if (!common::profile_set(p, section, key, value)) {
        fuzz::check(common::profile_text(p) == text, "a refused edit changes nothing");
        return 0;
    }
    const std::string written = common::profile_text(p);
    const common::Profile again = common::profile_parse(written);
    fuzz::check(common::profile_text(again) == written, "the edited text parses back whole");
    const auto got = common::profile_get(again, section, key);
    fuzz::check(got.has_value(), "the edited key is there");
    fuzz::check(*got == stored_value(value), "the edited key reads as set");

    Values after = all_values(again);
    std::string edited_section(section), edited_key(key);
    // The names as the profile stores them: blanks removed, lower case.
    auto trim = [](std::string s) { return stored_value(s); };
    after.erase({lower(trim(edited_section)), lower(trim(edited_key))});
    for (const auto& [name, old_value] : before) {
        if (name == std::pair{lower(trim(edited_section)), lower(trim(edited_key))}) continue;
        const auto now = after.find(name);
        fuzz::check(now != after.end() && now->second == old_value,
                    "every other key keeps its value");
    }
    return 0;
}
