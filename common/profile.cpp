#include "common/profile.h"

#include <climits>
#include <filesystem>
#include <system_error>

namespace common {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
    return s;
}

// Names compare in ASCII lower case, as the Windows profile functions do for
// the names a program uses.
std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// A line without its line end ("\n" or "\r\n").
std::string_view content_of(std::string_view line) {
    if (!line.empty() && line.back() == '\n') {
        line.remove_suffix(1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    }
    return line;
}

bool has_line_end(const std::string& line) { return !line.empty() && line.back() == '\n'; }

// The name of a "[name]" header line, or no value when the line is not one.
// A header without its closing bracket still opens a section, as in Windows.
std::optional<std::string_view> header_name(std::string_view content) {
    content = trim(content);
    if (content.empty() || content.front() != '[') return std::nullopt;
    content.remove_prefix(1);
    const size_t close = content.find(']');
    if (close != std::string_view::npos) content = content.substr(0, close);
    return trim(content);
}

// The key of a key line, or no value for comments, blank lines and lines
// without an equals sign.
std::optional<std::string_view> key_name(std::string_view content) {
    const std::string_view t = trim(content);
    if (t.empty() || t.front() == ';' || t.front() == '#' || t.front() == '[') return std::nullopt;
    const size_t eq = content.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    const std::string_view key = trim(content.substr(0, eq));
    if (key.empty()) return std::nullopt;
    return key;
}

void note_key(ProfileSection& section, std::string_view key, size_t index) {
    section.keys.emplace(lower(key), index);  // keeps the first occurrence
    section.insert_at = index + 1;
}

void add_section(Profile& profile, std::string_view name, std::string header_line) {
    ProfileSection section;
    section.has_header = true;
    section.lines.push_back(std::move(header_line));
    section.insert_at = 1;
    profile.section_index.emplace(lower(name), profile.sections.size());
    profile.sections.push_back(std::move(section));
}

// The file's last line, or null for an empty file.
std::string* last_line(Profile& profile) {
    for (auto s = profile.sections.rbegin(); s != profile.sections.rend(); ++s)
        if (!s->lines.empty()) return &s->lines.back();
    return nullptr;
}

// The line before a new one must end, even when it was the file's last line.
void end_last_line(Profile& profile) {
    if (std::string* last = last_line(profile); last && !has_line_end(*last))
        *last += profile.line_end;
}

bool valid_section_name(std::string_view name) {
    name = trim(name);
    return !name.empty() && name.find_first_of("]\r\n") == std::string_view::npos;
}

bool valid_key_name(std::string_view key) {
    key = trim(key);
    return !key.empty() && key.find_first_of("=\r\n") == std::string_view::npos &&
           key.front() != ';' && key.front() != '#' && key.front() != '[';
}

}  // namespace

Profile profile_parse(std::string_view text) {
    Profile profile;
    profile.sections.emplace_back();  // lines before the first header belong to no section
    bool line_end_known = false;
    while (!text.empty()) {
        const size_t nl = text.find('\n');
        const size_t length = nl == std::string_view::npos ? text.size() : nl + 1;
        std::string line(text.substr(0, length));
        text.remove_prefix(length);
        if (!line_end_known && has_line_end(line)) {
            profile.line_end = line.size() >= 2 && line[line.size() - 2] == '\r' ? "\r\n" : "\n";
            line_end_known = true;
        }
        const std::string_view content = content_of(line);
        if (const auto name = header_name(content)) {
            add_section(profile, *name, std::move(line));
            continue;
        }
        ProfileSection& section = profile.sections.back();
        const std::optional<std::string_view> key = key_name(content);
        if (key && section.has_header) note_key(section, *key, section.lines.size());
        section.lines.push_back(std::move(line));
    }
    return profile;
}

std::string profile_text(const Profile& profile) {
    std::string text;
    for (const ProfileSection& section : profile.sections)
        for (const std::string& line : section.lines) text += line;
    return text;
}

ProfileStatus profile_load(const std::string& path, Profile& profile) {
    if (auto bytes = read_file(path, profile_max_size)) {
        profile = profile_parse(
            std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
        return ProfileStatus::loaded;
    }
    profile = profile_parse({});
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    return status.type() == std::filesystem::file_type::not_found ? ProfileStatus::missing
                                                                  : ProfileStatus::unreadable;
}

std::optional<std::string> profile_get(const Profile& profile, std::string_view section,
                                       std::string_view key) {
    const auto s = profile.section_index.find(lower(trim(section)));
    if (s == profile.section_index.end()) return std::nullopt;
    const ProfileSection& sec = profile.sections[s->second];
    const auto k = sec.keys.find(lower(trim(key)));
    if (k == sec.keys.end()) return std::nullopt;
    const std::string_view content = content_of(sec.lines[k->second]);
    return std::string(trim(content.substr(content.find('=') + 1)));
}

std::optional<int> profile_parse_int(std::string_view value) {
    value = trim(value);
    bool negative = false;
    if (!value.empty() && (value.front() == '-' || value.front() == '+')) {
        negative = value.front() == '-';
        value.remove_prefix(1);
    }
    if (value.empty() || value.front() < '0' || value.front() > '9') return std::nullopt;
    // Accumulate as a negative number so INT_MIN fits; saturate beyond the range.
    long long n = 0;
    for (char c : value) {
        if (c < '0' || c > '9') break;
        if (n > LLONG_MIN / 100) n = n * 10 - (c - '0');
    }
    if (!negative) n = -n;
    if (n < INT_MIN) return INT_MIN;
    if (n > INT_MAX) return INT_MAX;
    return static_cast<int>(n);
}

int profile_get_int(const Profile& profile, std::string_view section, std::string_view key,
                    int fallback) {
    const auto value = profile_get(profile, section, key);
    if (!value) return fallback;
    return profile_parse_int(*value).value_or(fallback);
}

bool profile_set(Profile& profile, std::string_view section, std::string_view key,
                 std::string_view value) {
    if (!valid_section_name(section) || !valid_key_name(key)) return false;
    section = trim(section);
    key = trim(key);
    // Only a line feed ends a line when the file is read, so only a line
    // feed cuts the value: a carriage return inside it reads back as written.
    value = value.substr(0, value.find('\n'));

    const auto s = profile.section_index.find(lower(section));
    size_t index;
    if (s != profile.section_index.end()) {
        index = s->second;
    } else {
        // A new section goes at the end of the file, after a blank line
        // when the file does not already end with one.
        if (const std::string* last = last_line(profile)) {
            const bool blank = trim(content_of(*last)).empty();
            end_last_line(profile);
            if (!blank) profile.sections.back().lines.push_back(profile.line_end);
        }
        index = profile.sections.size();
        // Appended piece by piece: GCC 12 at -O3 misreads the chained
        // operator+ of a literal and a string as an overlapping copy.
        std::string header;
        header.reserve(section.size() + 2 + profile.line_end.size());
        header.append("[").append(section).append("]").append(profile.line_end);
        add_section(profile, section, std::move(header));
    }

    ProfileSection& sec = profile.sections[index];
    const auto k = sec.keys.find(lower(key));
    if (k != sec.keys.end()) {
        // Keep the key as spelled in the file, the blanks after the equals
        // sign and the line's own line end; replace only the value.
        std::string& line = sec.lines[k->second];
        const std::string_view content = content_of(line);
        size_t start = content.find('=') + 1;
        while (start < content.size() && is_blank(content[start])) ++start;
        const std::string end = line.substr(content.size());
        line = line.substr(0, start) + std::string(value) + end;
        return true;
    }

    if (sec.insert_at == sec.lines.size()) {
        // The section's last line may be the file's last line, without a line end.
        if (!has_line_end(sec.lines.back())) sec.lines.back() += profile.line_end;
    }
    std::string line = std::string(key) + "=" + std::string(value) + profile.line_end;
    // Only blank lines and comments follow insert_at, so no key index moves.
    sec.lines.insert(sec.lines.begin() + static_cast<std::ptrdiff_t>(sec.insert_at),
                     std::move(line));
    note_key(sec, key, sec.insert_at);
    return true;
}

bool profile_save(const Profile& profile, const std::string& path, ProfileReplace replace) {
    return replace(path, profile_text(profile));
}

bool profile_begin_update(const std::string& path, Profile& profile) {
    return profile_load(path, profile) != ProfileStatus::unreadable;
}

bool profile_write(const std::string& path, std::string_view section, std::string_view key,
                   std::string_view value, ProfileReplace replace) {
    Profile profile;
    if (!profile_begin_update(path, profile)) return false;
    if (!profile_set(profile, section, key, value)) return false;
    return profile_save(profile, path, replace);
}

}  // namespace common
