// Profile files: the Windows "INI" format of [sections] holding key=value
// lines, read and written the way the Windows profile functions do it.
//
// - Section and key names are matched without regard to case (ASCII), with
//   the blanks around them ignored. Where a section or a key appears twice,
//   the first one counts, for reading and for writing.
// - Values are text, with the blanks around them removed. A line is a key
//   line when it holds an equals sign; lines starting with ';' or '#' are
//   comments, and lines without '=' are ignored. Quotes are not special.
// - Integers read like GetPrivateProfileInt: an optional sign and the decimal
//   digits that follow it; anything after the digits is ignored.
// - Writing changes only the lines of the keys written. Every other section,
//   key, blank line, comment and line end stays byte for byte. A new key goes
//   after the last key of its section, a new section at the end of the file.
//   The file is replaced as a whole through a temporary file and a rename, so
//   a write that fails at any point leaves the old file whole.
//
// A file is loaded once into a Profile, queried or edited in memory, and saved
// once, so a writer of many keys replaces the file a single time.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/file_util.h"

namespace common {

// Replaces the file at path with contents, returning false when the file was
// not replaced. common::write_file_atomic in the programs; tests pass one
// that fails on purpose.
using ProfileReplace = bool (*)(const std::string& path, std::string_view contents);

// Larger files are not profile files: they read as absent and are never
// overwritten.
inline constexpr size_t profile_max_size = 16u << 20;

struct ProfileSection {
    // Lines of the section as they stand in the file, each with its own line
    // end (the last line of a file may have none). lines[0] is the
    // "[name]" header, except in the leading section (lines before any header).
    std::vector<std::string> lines;
    bool has_header = false;
    // Lower-case key -> index in lines of its first key line.
    std::unordered_map<std::string, size_t> keys;
    // Index just after the last key line (or the header): where a new key
    // goes, so it lands before the blank lines and comments that usually
    // introduce the next section.
    size_t insert_at = 0;
};

struct Profile {
    std::vector<ProfileSection> sections;
    // Lower-case section name -> index of its first occurrence in sections.
    std::unordered_map<std::string, size_t> section_index;
    // Line end for new lines: the first one found in the file, else "\n".
    std::string line_end = "\n";
};

enum class ProfileStatus {
    loaded,      // the file was read
    missing,     // no such file: an empty profile, and the first save creates it
    unreadable,  // the file exists but cannot be read (or is too large): empty profile
};

// Splits text into a Profile.
Profile profile_parse(std::string_view text);
// The exact text of the profile, ready to be written.
std::string profile_text(const Profile& profile);

// Loads the file at path into profile (an empty one unless the status is loaded).
ProfileStatus profile_load(const std::string& path, Profile& profile);

// The value of a key, or no value when the section or the key is missing.
std::optional<std::string> profile_get(const Profile& profile, std::string_view section,
                                       std::string_view key);

// The integer of a key's value: an optional sign and the decimal digits after
// it, beyond the int range saturated; fallback when the key is missing or its
// value does not start with a number.
int profile_get_int(const Profile& profile, std::string_view section, std::string_view key,
                    int fallback);
std::optional<int> profile_parse_int(std::string_view value);

// Sets a key, adding it (and its section) when missing. The value is cut at
// its first line feed, since the format has no way to hold one; a carriage
// return elsewhere in it is kept, as reading keeps one. Returns
// false, changing nothing, when the section or key name cannot be written
// (empty, a line break, ']' in a section name, '=' in a key, or a key that
// would read back as a comment or a section header).
bool profile_set(Profile& profile, std::string_view section, std::string_view key,
                 std::string_view value);

// Writes the profile over the file at path. False when it was not written.
bool profile_save(const Profile& profile, const std::string& path,
                  ProfileReplace replace = write_file_atomic);

// Starts a batch of writes: loads the file, keeping the profile to edit.
// False when the file exists but cannot be read, since saving over it would
// lose what it holds.
bool profile_begin_update(const std::string& path, Profile& profile);

// WritePrivateProfileString for one key: load, set, save.
bool profile_write(const std::string& path, std::string_view section, std::string_view key,
                   std::string_view value, ProfileReplace replace = write_file_atomic);

}  // namespace common
