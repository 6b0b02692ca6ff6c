#include "common/profile.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "scratch_folder.h"

namespace {

namespace fs = std::filesystem;

using TempDir = test_support::ScratchFolder;

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void put(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Writes the temporary file in full, as the real replacement does, and then
// fails where the rename would happen.
bool fail_at_rename(const std::string& path, std::string_view contents) {
    std::ofstream(path + ".tmp", std::ios::binary) << contents;
    return false;
}

// A hand-edited file: a comment before any section, blank lines, CRLF line
// ends, odd spacing and case, a duplicate section and key, a key before any
// section and lines that are no key.
const std::string sample =
    "; settings of the emulator\r\n"
    "stray=before any section\r\n"
    "\r\n"
    "[Sound]\r\n"
    "  ClickerFlag =  1  \r\n"
    "; the volume\r\n"
    "clickervolpct=50\r\n"
    "clickervolpct=99\r\n"
    "not a key line\r\n"
    "# another comment\r\n"
    ";clickerflag=0\r\n"
    "\r\n"
    "; about the files\r\n"
    "[ files ]\r\n"
    "cassette = my tape.c10\r\n"
    "empty=\r\n"
    "[SOUND]\r\n"
    "clickervolpct=7\r\n";

TEST(Profile, ReadsLikeTheWindowsProfileFunctions) {
    const common::Profile p = common::profile_parse(sample);
    struct Case {
        const char* section;
        const char* key;
        std::optional<std::string> value;
    };
    const Case cases[] = {
        {"SOUND", "clickerflag", "1"},          // case and blanks around names and value ignored
        {"sound", "CLICKERVOLPCT", "50"},       // the first of two keys counts
        {"Files", "cassette", "my tape.c10"},   // blanks inside a value stay
        {"FILES", "empty", ""},                 // present but empty
        {"FILES", "missing", std::nullopt},
        {"NOSECTION", "cassette", std::nullopt},
        {"SOUND", "not a key line", std::nullopt},
        {"SOUND", ";clickerflag", std::nullopt},  // comments are no keys
        {"", "stray", std::nullopt},              // nor lines before the first section
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key);
        EXPECT_EQ(common::profile_get(p, c.section, c.key), c.value);
    }
    EXPECT_EQ(p.line_end, "\r\n");
    EXPECT_EQ(common::profile_text(p), sample);
}

TEST(Profile, IntegersReadLikeGetPrivateProfileInt) {
    struct Case {
        const char* text;
        std::optional<int> value;
    };
    const Case cases[] = {
        {"42", 42},
        {"-4", -4},
        {"+7", 7},
        {" 12 ", 12},
        {"12abc", 12},  // the digits in front count
        {"0x10", 0},    // decimal only
        {"007", 7},
        {"abc", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"- 5", std::nullopt},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"-2147483648", INT_MIN},
        {"99999999999999999999999999", INT_MAX},
        {"-99999999999999999999999999", INT_MIN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(common::profile_parse_int(c.text), c.value);
    }

    const common::Profile p = common::profile_parse("[A]\nn=12\nword=abc\n");
    EXPECT_EQ(common::profile_get_int(p, "a", "N", 5), 12);
    EXPECT_EQ(common::profile_get_int(p, "A", "word", 5), 5);
    EXPECT_EQ(common::profile_get_int(p, "A", "missing", -1), -1);
}

TEST(Profile, WritesChangeOnlyTheirKeys) {
    common::Profile p = common::profile_parse(sample);
    // An existing key keeps its spelling, indentation, the blanks after the
    // equals sign and its line end (the blanks after the old value go with
    // it); a new key goes after the last key of the first section of that
    // name; a new section goes at the end after a blank line.
    ASSERT_TRUE(common::profile_set(p, "sound", "CLICKERFLAG", "0"));
    ASSERT_TRUE(common::profile_set(p, "Sound", "clickervolpct", "25"));
    ASSERT_TRUE(common::profile_set(p, "SOUND", "newkey", "x y"));
    ASSERT_TRUE(common::profile_set(p, "FILES", "script", "demo.txt"));
    ASSERT_TRUE(common::profile_set(p, "VIDEO", "windowscaling", "3"));
    ASSERT_TRUE(common::profile_set(p, "video", "useartifact", "1"));
    const std::string expected =
        "; settings of the emulator\r\n"
        "stray=before any section\r\n"
        "\r\n"
        "[Sound]\r\n"
        "  ClickerFlag =  0\r\n"
        "; the volume\r\n"
        "clickervolpct=25\r\n"
        "clickervolpct=99\r\n"
        "newkey=x y\r\n"
        "not a key line\r\n"
        "# another comment\r\n"
        ";clickerflag=0\r\n"
        "\r\n"
        "; about the files\r\n"
        "[ files ]\r\n"
        "cassette = my tape.c10\r\n"
        "empty=\r\n"
        "script=demo.txt\r\n"
        "[SOUND]\r\n"
        "clickervolpct=7\r\n"
        "\r\n"
        "[VIDEO]\r\n"
        "windowscaling=3\r\n"
        "useartifact=1\r\n";
    EXPECT_EQ(common::profile_text(p), expected);
    // What was written reads back from the text.
    const common::Profile again = common::profile_parse(common::profile_text(p));
    EXPECT_EQ(common::profile_get(again, "SOUND", "newkey"), "x y");
    EXPECT_EQ(common::profile_get(again, "sound", "clickerflag"), "0");
    EXPECT_EQ(common::profile_get(again, "video", "useartifact"), "1");
}

TEST(Profile, WritesIntoFilesWithoutFinalLineEndOrSections) {
    struct Case {
        const char* name;
        const char* before;
        const char* section;
        const char* after;
    };
    const Case cases[] = {
        {"empty file", "", "A", "[A]\nk=v\n"},
        {"last key unterminated", "[A]\nx=1", "A", "[A]\nx=1\nk=v\n"},
        {"header unterminated", "[A]", "A", "[A]\nk=v\n"},
        {"other section unterminated", "[B]\nx=1", "A", "[B]\nx=1\n\n[A]\nk=v\n"},
        {"only comments", "; note\n", "A", "; note\n\n[A]\nk=v\n"},
        {"ends with blank line", "[B]\n\n", "A", "[B]\n\n[A]\nk=v\n"},
        {"header without bracket", "[A\nx=1\n", "a", "[A\nx=1\nk=v\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        common::Profile p = common::profile_parse(c.before);
        ASSERT_TRUE(common::profile_set(p, c.section, "k", "v"));
        EXPECT_EQ(common::profile_text(p), c.after);
    }
}

TEST(Profile, RefusesNamesAndLineBreaksTheFormatCannotHold) {
    common::Profile p = common::profile_parse("[A]\nx=1\n");
    for (auto [section, key] : {std::pair{"", "k"}, {"A", ""}, {"A]", "k"}, {"A\nB", "k"},
                                {"A", "k=v"}, {"A", ";k"}, {"A", "[k"}, {"A", "k\rx"},
                                {"  ", "k"}}) {
        SCOPED_TRACE(std::string(section) + "/" + key);
        EXPECT_FALSE(common::profile_set(p, section, key, "v"));
    }
    EXPECT_EQ(common::profile_text(p), "[A]\nx=1\n");

    // A value is cut at its first line break instead of adding a line.
    ASSERT_TRUE(common::profile_set(p, "A", "x", "one\n[B]\ny=2"));
    EXPECT_EQ(common::profile_text(p), "[A]\nx=one\n");
}

// What a value reads as after it was written: a carriage return that ends
// no line is part of it (reading splits lines at line feeds only), so the
// writer must not cut there, or a setting read with one is lost when saved.
TEST(Profile, ValuesReadBackAsWrittenUpToTheirFirstLineFeed) {
    struct Case {
        std::string value;
        std::string reads;
    };
    const Case cases[] = {
        {"my\rtape.c10", "my\rtape.c10"},
        {"\t\r*\t", "*"},             // blanks around the value go, as on reading
        {"one\r\ntwo", "one"},         // a line break ends it
        {"one\rtwo\nthree", "one\rtwo"},
        {"end\r", "end"},
    };
    for (const std::string& file : {std::string("[A]\nx=old\n"), std::string("[A]\r\nx=old\r\n"),
                                    std::string("[A]")}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(file + " / " + c.value);
            common::Profile p = common::profile_parse(file);
            ASSERT_TRUE(common::profile_set(p, "A", "x", c.value));
            ASSERT_TRUE(common::profile_set(p, "B", "y", c.value));
            const common::Profile again = common::profile_parse(common::profile_text(p));
            EXPECT_EQ(common::profile_get(again, "A", "x"), c.reads);
            EXPECT_EQ(common::profile_get(again, "B", "y"), c.reads);
        }
    }
}

TEST(Profile, MalformedFilesNeverBreakReadingOrWriting) {
    std::mt19937 random(1234);
    std::string junk(64 * 1024, '\0');
    for (char& c : junk) c = static_cast<char>(random());
    junk += "\n[";  // an unterminated header at the very end
    const std::string long_line = "[A]\nkey=" + std::string(1 << 20, 'x') + "\n" +
                                  std::string(1 << 20, '=') + "\nshort=1";
    const std::string cases[] = {
        junk,
        long_line,
        "no sections at all\nkey=value\n",
        "[A]\nmissing equals\n=no key\n   \n",
        std::string("[A]\0\nk\0=v\0\n", 12),
        "[A]\rx=1\ry=2\r",  // old Mac line ends: one line
    };
    for (const std::string& text : cases) {
        common::Profile p = common::profile_parse(text);
        EXPECT_EQ(common::profile_text(p), text);
        EXPECT_FALSE(common::profile_get(p, "A", "missing"));
        ASSERT_TRUE(common::profile_set(p, "NEW", "k", "v"));
        const std::string written = common::profile_text(p);
        // Everything that was there is still there, in front of the new section.
        EXPECT_EQ(written.compare(0, text.size(), text), 0);
        EXPECT_EQ(common::profile_get(common::profile_parse(written), "new", "K"), "v");
    }
    const common::Profile p = common::profile_parse(long_line);
    EXPECT_EQ(common::profile_get(p, "A", "key")->size(), 1u << 20);
    EXPECT_EQ(common::profile_get(p, "A", "short"), "1");
    EXPECT_FALSE(common::profile_get(common::profile_parse(cases[2]), "", "key"));
    EXPECT_EQ(common::profile_get(common::profile_parse(cases[4]), "A", std::string("k\0", 2)),
              std::string("v\0", 2));
}

TEST(ProfileFile, MissingFileIsCreatedByTheFirstWrite) {
    TempDir dir;
    const std::string path = dir.file("new.ini");
    common::Profile p;
    EXPECT_EQ(common::profile_load(path, p), common::ProfileStatus::missing);
    EXPECT_FALSE(common::profile_get(p, "A", "k"));

    ASSERT_TRUE(common::profile_write(path, "A", "k", "1"));
    ASSERT_TRUE(common::profile_write(path, "B", "k", "2"));
    ASSERT_TRUE(common::profile_write(path, "a", "K", "3"));
    EXPECT_EQ(slurp(path), "[A]\nk=3\n\n[B]\nk=2\n");
    EXPECT_EQ(common::profile_load(path, p), common::ProfileStatus::loaded);
    EXPECT_EQ(common::profile_get(p, "B", "K"), "2");
    EXPECT_FALSE(fs::exists(path + ".tmp"));
}

TEST(ProfileFile, FailedReplacementLeavesTheOldFileWhole) {
    TempDir dir;
    const std::string path = dir.file("settings.ini");
    put(path, sample);

    // The temporary file is written but the rename fails.
    EXPECT_FALSE(common::profile_write(path, "SOUND", "clickerflag", "0", fail_at_rename));
    EXPECT_EQ(slurp(path), sample);
    EXPECT_NE(slurp(path + ".tmp"), sample);  // the new text was there, unused
    fs::remove(path + ".tmp");

    // The file system refuses the temporary file.
    fs::create_directory(path + ".tmp");
    EXPECT_FALSE(common::profile_write(path, "SOUND", "clickerflag", "0"));
    EXPECT_EQ(slurp(path), sample);
    fs::remove(path + ".tmp");

    // Once the way is clear the same write goes through.
    EXPECT_TRUE(common::profile_write(path, "SOUND", "clickerflag", "0"));
    common::Profile p;
    ASSERT_EQ(common::profile_load(path, p), common::ProfileStatus::loaded);
    EXPECT_EQ(common::profile_get(p, "sound", "clickerflag"), "0");
    EXPECT_EQ(common::profile_get(p, "files", "cassette"), "my tape.c10");
}

TEST(ProfileFile, UnreadableFileIsNeverOverwritten) {
    TempDir dir;
    // A folder in the file's place, and a file too large to be a profile.
    const std::string folder = dir.file("folder.ini");
    fs::create_directory(folder);
    fs::create_directory(folder + "/inside");
    const std::string huge = dir.file("huge.ini");
    put(huge, "[A]\nk=1\n");
    fs::resize_file(huge, common::profile_max_size + 1);

    for (const std::string& path : {folder, huge}) {
        SCOPED_TRACE(path);
        common::Profile p;
        EXPECT_EQ(common::profile_load(path, p), common::ProfileStatus::unreadable);
        EXPECT_FALSE(common::profile_get(p, "A", "k"));
        EXPECT_FALSE(common::profile_begin_update(path, p));
        EXPECT_FALSE(common::profile_write(path, "A", "k", "2"));
    }
    EXPECT_TRUE(fs::is_directory(folder + "/inside"));
    EXPECT_EQ(fs::file_size(huge), common::profile_max_size + 1);
    EXPECT_EQ(slurp(huge).substr(0, 8), "[A]\nk=1\n");
}

}  // namespace
