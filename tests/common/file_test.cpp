// Opening and replacing files whose names hold something other than a plain
// file: symbolic links, FIFOs, devices, folders, protected files.
#include "common/file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "common/file_util.h"
#include "fifo_guard.h"
#include "scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using test_support::ScratchFolder;

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void put(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

mode_t mode_of(const fs::path& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st.st_mode;
}

TEST(ReplacingFile, FollowsSymbolicLinksAndKeepsThem) {
    ScratchFolder dir;
    fs::create_directory(dir.path / "sub");
    struct LinkCase {
        const char* name;
        std::vector<std::pair<std::string, std::string>> links;  // link name -> its text
        const char* data;                                        // the file written at last
    };
    const std::string absolute = (dir.path / "abs.bin").string();
    const LinkCase cases[] = {
        {"relative", {{"link1", "data1.bin"}}, "data1.bin"},
        {"absolute", {{"link2", absolute}}, "abs.bin"},
        {"chain through a folder", {{"link3", "sub/hop"}, {"sub/hop", "../data3.bin"}}, "data3.bin"},
        {"dangling", {{"link4", "sub/new.bin"}}, "sub/new.bin"},
    };
    for (const LinkCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (std::string(c.name) != "dangling") put(dir.path / c.data, "old");
        for (const auto& [name, text] : c.links) fs::create_symlink(text, dir.path / name);
        const fs::path link = dir.path / c.links.front().first;

        ASSERT_TRUE(common::write_file_atomic(link.string(), "new"));
        for (const auto& [name, text] : c.links) {
            EXPECT_TRUE(fs::is_symlink(dir.path / name)) << name;
            EXPECT_EQ(fs::read_symlink(dir.path / name).string(), text);
        }
        EXPECT_EQ(slurp(dir.path / c.data), "new");
        EXPECT_FALSE(fs::exists(dir.path / (std::string(c.data) + ".tmp")));
    }

    // A loop of links names no file: nothing is written anywhere.
    fs::create_symlink("loop_b", dir.path / "loop_a");
    fs::create_symlink("loop_a", dir.path / "loop_b");
    EXPECT_FALSE(common::write_file_atomic((dir.path / "loop_a").string(), "new"));
    EXPECT_TRUE(fs::is_symlink(dir.path / "loop_a"));
    EXPECT_TRUE(fs::is_symlink(dir.path / "loop_b"));
}

// Root passes every permission check of the system, so the mode bits
// themselves decide: a file or folder without write bits is not replaced,
// whoever runs the program. A replaced file keeps its mode.
TEST(ReplacingFile, KeepsTheModeAndLeavesProtectedFilesAlone) {
    ScratchFolder dir;
    struct ModeCase {
        mode_t file_mode, folder_mode;
        bool replaced;
    };
    const ModeCase cases[] = {
        {0640, 0755, true}, {0600, 0700, true}, {0664, 0775, true},
        {0444, 0755, false}, {0400, 0700, false},  // protected file
        {0644, 0555, false},                      // protected folder
    };
    int n = 0;
    for (const ModeCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::oct << "file " << c.file_mode << " folder " << c.folder_mode);
        const fs::path folder = dir.path / std::to_string(n++);
        fs::create_directory(folder);
        const fs::path file = folder / "settings.ini";
        put(file, "old");
        ::chmod(file.c_str(), c.file_mode);
        ::chmod(folder.c_str(), c.folder_mode);

        EXPECT_EQ(common::write_file_atomic(file.string(), "new"), c.replaced);
        EXPECT_EQ(slurp(file), c.replaced ? "new" : "old");
        EXPECT_EQ(mode_of(file) & 07777, c.file_mode);
        EXPECT_TRUE(fs::is_regular_file(file));
        EXPECT_EQ(fs::exists(folder / "settings.ini.tmp"), false);
        ::chmod(folder.c_str(), 0755);
    }
}

// A name that is no regular file is never replaced by one: bytes go into a
// FIFO or device as it stands, and a failure to do so is reported.
TEST(ReplacingFile, WritesIntoFifosAndDevicesWithoutReplacingThem) {
    ScratchFolder dir;
    const fs::path fifo = dir.path / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);

    // Nobody reading: fails at once, the FIFO stays.
    EXPECT_FALSE(common::write_file_atomic(fifo.string(), "lost"));
    EXPECT_TRUE(fs::is_fifo(fifo));

    // A reader gets the bytes.
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_TRUE(common::write_file_atomic(fifo.string(), "through the pipe"));
    char got[64] = {};
    EXPECT_EQ(::read(reader, got, sizeof got), 16);
    EXPECT_STREQ(got, "through the pipe");
    ::close(reader);
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_FALSE(fs::exists(dir.path / "pipe.tmp"));

    // A folder is neither replaced nor written.
    fs::create_directory(dir.path / "folder");
    EXPECT_FALSE(common::write_file_atomic((dir.path / "folder").string(), "lost"));
    EXPECT_TRUE(fs::is_directory(dir.path / "folder"));

    // Device nodes of our own (the null and the always-full device), so that
    // no test ever risks the system's: only root may make them.
    const fs::path null_device = dir.path / "null";
    const fs::path full_device = dir.path / "full";
    if (::mknod(null_device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0 ||
        ::mknod(full_device.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0) {
        GTEST_SKIP() << "device nodes need root";
    }
    EXPECT_TRUE(common::write_file_atomic(null_device.string(), "gone"));
    EXPECT_FALSE(common::write_file_atomic(full_device.string(), "no room"));
    const fs::path link = dir.path / "to_null";
    fs::create_symlink("null", link);
    EXPECT_TRUE(common::write_file_atomic(link.string(), "gone"));
    for (const fs::path& device : {null_device, full_device}) {
        EXPECT_TRUE(S_ISCHR(mode_of(device))) << device;
        EXPECT_FALSE(fs::exists(device.string() + ".tmp"));
    }
    EXPECT_TRUE(fs::is_symlink(link));
}

// Readers take only regular files and never wait; writers that open a name
// directly (printer file, cassette recording) never wait either, and leave a
// protected file as it is.
TEST(File, OpensWithoutWaitingAndOnlyWhatTheCallerMayUse) {
    ScratchFolder dir;
    test_support::FifoGuard fifo(dir.file("pipe"));
    ASSERT_TRUE(fifo.made());
    fs::create_directory(dir.path / "folder");
    const fs::path locked = dir.path / "locked.txt";
    put(locked, "kept");
    ::chmod(locked.c_str(), 0444);

    for (const std::string& name : {dir.file("pipe"), dir.file("folder"), std::string("/dev/zero")}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(common::File::open_regular(name));
        EXPECT_FALSE(common::read_file(name, 1 << 20));
    }
    EXPECT_FALSE(common::File(dir.file("folder"), "rb"));
    for (const char* mode : {"wb", "ab"}) {
        SCOPED_TRACE(mode);
        EXPECT_FALSE(common::File(dir.file("pipe"), mode));  // no reader
        EXPECT_FALSE(common::File(dir.file("folder"), mode));
        EXPECT_FALSE(common::File(locked.string(), mode));
    }
    EXPECT_EQ(slurp(locked), "kept");
    EXPECT_FALSE(fifo.reader_waited());
    EXPECT_TRUE(fs::is_fifo(dir.file("pipe")));

    // An ordinary file still opens every way, "wb" emptying it.
    const fs::path plain = dir.path / "plain.txt";
    put(plain, "abc");
    EXPECT_TRUE(common::File::open_regular(plain.string()));
    {
        common::File append(plain.string(), "ab");
        ASSERT_TRUE(append);
        std::fputs("d", append.get());
        EXPECT_TRUE(append.close());
    }
    EXPECT_EQ(slurp(plain), "abcd");
    EXPECT_TRUE(common::File(plain.string(), "wb"));
    EXPECT_EQ(slurp(plain), "");
}

}  // namespace
