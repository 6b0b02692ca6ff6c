#include "common/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

namespace common {

namespace {

// Some write bit set. Root passes every access() check, so the bits
// themselves say whether the owner meant the file to be written.
bool has_write_bits(const struct stat& st) { return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0; }

// Opens `path` with O_NONBLOCK so that no open waits (a FIFO without its
// other end), then makes the descriptor blocking again for ordinary reads
// and writes, and wraps it in a stream. `accept` sees the file's status and
// says whether to go on; `truncate` empties a regular file once accepted
// (never before, so a refused file keeps its bytes). No stream on any
// failure.
template <typename Accept>
std::FILE* open_checked(const std::string& path, int flags, const char* mode, Accept accept,
                        bool truncate = false) {
    const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) return nullptr;
    struct stat st {};
    const int fl = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &st) != 0 || !accept(st) || fl < 0 || ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) != 0 ||
        (truncate && S_ISREG(st.st_mode) && ::ftruncate(fd, 0) != 0)) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* stream = ::fdopen(fd, mode);
    if (!stream) ::close(fd);
    return stream;
}

// The name that finally holds the data of `path`: symbolic links followed,
// each relative one from the folder of the link. The last name need not
// exist (a link to a file not yet written). No value for a loop of links or
// a link that cannot be read.
std::optional<std::string> follow_links(const std::string& path) {
    std::filesystem::path p(path);
    for (int hop = 0; hop < 40; ++hop) {  // the kernel's own limit on a chain
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p.string();
        std::vector<char> text(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        const ssize_t n = ::readlink(p.c_str(), text.data(), text.size());
        if (n < 0 || static_cast<size_t>(n) >= text.size()) return std::nullopt;
        const std::filesystem::path link(std::string(text.data(), static_cast<size_t>(n)));
        p = link.is_absolute() ? link : p.parent_path() / link;
    }
    return std::nullopt;
}

}  // namespace

File::File(const std::string& path, const char* mode) {
    const bool plus = std::strchr(mode, '+') != nullptr;
    int flags = 0;
    bool truncate = false;
    switch (mode[0]) {
        case 'r': flags = plus ? O_RDWR : O_RDONLY; break;
        case 'w': flags = (plus ? O_RDWR : O_WRONLY) | O_CREAT; truncate = true; break;
        case 'a': flags = (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND; break;
        default: return;
    }
    const bool writes = plus || mode[0] != 'r';
    stream_.reset(open_checked(
        path, flags, mode,
        [writes](const struct stat& st) { return !S_ISDIR(st.st_mode) && (!writes || has_write_bits(st)); },
        truncate));
}

File File::open_regular(const std::string& path) {
    return File(open_checked(path, O_RDONLY, "rb", [](const struct stat& st) { return S_ISREG(st.st_mode); }));
}

bool File::close() {
    if (!stream_) return false;
    const bool flushed = std::fflush(stream_.get()) == 0 && !std::ferror(stream_.get());
    const bool closed = std::fclose(stream_.release()) == 0;
    return flushed && closed;
}

ReplacingFile::ReplacingFile(const std::string& path) {
    const std::optional<std::string> target = follow_links(path);
    if (!target) return;
    target_ = *target;

    struct stat st {};
    const bool exists = ::stat(target_.c_str(), &st) == 0;
    if (!exists && errno != ENOENT) return;
    if (exists) {
        if (S_ISDIR(st.st_mode) || !has_write_bits(st) || ::access(target_.c_str(), W_OK) != 0) return;
        if (!S_ISREG(st.st_mode)) {
            // A FIFO, a device or a socket: written into as it stands.
            file_ = File(open_checked(target_, O_WRONLY, "wb",
                                      [](const struct stat& s) { return !S_ISREG(s.st_mode) && !S_ISDIR(s.st_mode); }));
            return;
        }
    }

    // The temporary file goes beside the target, so that the rename stays
    // within one file system. Root may create files in any folder; a folder
    // without write bits is one its owner closed.
    std::filesystem::path folder = std::filesystem::path(target_).parent_path();
    if (folder.empty()) folder = ".";
    struct stat folder_st {};
    if (::stat(folder.c_str(), &folder_st) != 0 || !has_write_bits(folder_st)) return;

    // A stale temporary file of an earlier, interrupted run goes first; the
    // new one is created afresh (never through a link someone left there).
    // Something that cannot be removed (a folder of that name) stays, and
    // the write fails.
    temporary_ = target_ + ".tmp";
    struct stat stale {};
    if (::lstat(temporary_.c_str(), &stale) == 0 && !S_ISDIR(stale.st_mode)) ::unlink(temporary_.c_str());
    const int fd = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return;
    bool kept = true;
    if (exists) {
        // Only root can hand a file back to its owner; anyone else replaces
        // only files they may write, and the new one is theirs. The owner
        // goes first, since changing it clears the set-id bits.
        if (::geteuid() == 0 && (st.st_uid != 0 || st.st_gid != 0)) {
            kept = ::fchown(fd, st.st_uid, st.st_gid) == 0;
        }
        kept = kept && ::fchmod(fd, st.st_mode & 07777) == 0;
    }
    std::FILE* stream = kept ? ::fdopen(fd, "wb") : nullptr;
    if (!stream) {
        ::close(fd);
        ::unlink(temporary_.c_str());
        return;
    }
    file_ = File(stream);
}

ReplacingFile::~ReplacingFile() {
    if (temporary_.empty()) return;
    if (file_ || closed_) {
        file_.reset();
        ::unlink(temporary_.c_str());
    }
}

bool ReplacingFile::close() {
    if (!file_) return false;
    closed_ = true;
    return file_.close();
}

bool ReplacingFile::move_into_place() {
    if (!closed_) return false;
    if (!temporary_.empty()) {
        // The name may have changed since the write began: a FIFO, a device
        // or a folder that took its place is not replaced after all.
        struct stat st {};
        if (::lstat(target_.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return false;
        if (::rename(temporary_.c_str(), target_.c_str()) != 0) return false;
    }
    closed_ = false;
    return true;
}

}  // namespace common
