#include "common/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace common {

namespace {

// Opens `path` with O_NONBLOCK so that no open waits (a FIFO without its
// other end), then makes the descriptor blocking again for ordinary reads
// and writes, and wraps it in a stream. `accept` sees the file's status and
// says whether to go on. No stream on any failure.
template <typename Accept>
std::FILE* open_checked(const std::string& path, int flags, const char* mode, Accept accept) {
    const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st {};
    const int fl = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &st) != 0 || !accept(st) || fl < 0 || ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* stream = ::fdopen(fd, mode);
    if (!stream) ::close(fd);
    return stream;
}

}  // namespace

File::File(const std::string& path, const char* mode) : stream_(std::fopen(path.c_str(), mode)) {}

File File::open_regular(const std::string& path) {
    return File(open_checked(path, O_RDONLY, "rb", [](const struct stat& st) { return S_ISREG(st.st_mode); }));
}

bool File::close() {
    if (!stream_) return false;
    const bool flushed = std::fflush(stream_.get()) == 0 && !std::ferror(stream_.get());
    const bool closed = std::fclose(stream_.release()) == 0;
    return flushed && closed;
}

ReplacingFile::ReplacingFile(const std::string& path)
    : target_(path), temporary_(path + ".tmp"), file_(temporary_, "wb") {}

ReplacingFile::~ReplacingFile() {
    if (temporary_.empty()) return;
    if (file_ || closed_) {
        file_.reset();
        std::remove(temporary_.c_str());
    }
}

bool ReplacingFile::close() {
    if (!file_) return false;
    closed_ = true;
    return file_.close();
}

bool ReplacingFile::move_into_place() {
    if (!closed_) return false;
    if (!temporary_.empty() && std::rename(temporary_.c_str(), target_.c_str()) != 0) return false;
    closed_ = false;
    return true;
}

}  // namespace common
