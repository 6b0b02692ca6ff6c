// The one way the suite holds an open file: a C stream that closes itself.
//
// `File` is a plain owner of a stream, opened with fopen's modes or, for
// readers, only when the name is a regular file. `ReplacingFile` is the
// writer for a file that replaces an earlier version: its bytes go to a
// temporary file beside the real one and are renamed over it once complete,
// so an interrupted or failed write never leaves half a file behind.
//
// No open ever waits: a FIFO without its other end fails at once (a reader
// refuses it anyway), instead of hanging the program until some other
// process comes along.
//
// A file whose mode has no write bit at all is never written or replaced,
// even by root, who may otherwise write anything: the user protected it.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <sys/types.h>

namespace common {

class File {
public:
    File() = default;
    // Opens with one of fopen's modes ("rb", "wb", "ab"); check the result
    // with `if (file)`. A folder never opens; for writing, neither does a
    // file without write bits, and a FIFO only while a reader holds it.
    // A device or FIFO opened for writing is written into as it is.
    File(const std::string& path, const char* mode);

    // Opens a file for reading when it is a regular file. Anything else (a
    // FIFO, a folder, a device, a socket) gives no file, as a missing one
    // does: opening a FIFO blocks until some writer comes, and a device may
    // never end. The open itself never blocks.
    static File open_regular(const std::string& path);

    explicit operator bool() const { return stream_ != nullptr; }
    std::FILE* get() const { return stream_.get(); }

    // Closes without asking whether the last bytes made it.
    void reset() { stream_.reset(); }
    // Flushes and closes; false when any byte written could not be, or when
    // no file was open.
    bool close();

private:
    friend class ReplacingFile;
    explicit File(std::FILE* stream) : stream_(stream) {}

    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> stream_;
};

// Writes a file that replaces any earlier one of that name: the bytes go
// to `<name>.tmp` beside it, renamed over it by `move_into_place`.
//
// - A symbolic link is followed (through any chain of links) and the file
//   it names is replaced; the link stays a link to the new file.
// - A replaced file keeps its permission bits (and, when root replaces it,
//   its owner and group).
// - A name that exists but is no regular file (a FIFO, a device) is never
//   replaced by a plain file: the bytes are written into it directly, and a
//   failure to open or write it is reported like any other.
// - Nothing opens (is_open() is false) for a folder, a file without write
//   bits, a file in a folder without write bits, or a name the caller may
//   not write.
class ReplacingFile {
public:
    explicit ReplacingFile(const std::string& path);
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;
    // A temporary file not moved into place is removed.
    ~ReplacingFile();

    bool is_open() const { return static_cast<bool>(file_); }
    std::FILE* get() const { return file_.get(); }

    // Flushes and closes; false when any byte could not be written.
    bool close();
    // Puts the closed file in place under its name; false when the name
    // cannot be taken (a folder of that name, no right to replace it).
    // Nothing to do for a file written directly.
    bool move_into_place();

private:
    std::string target_;     // the file replaced, symbolic links followed
    std::string temporary_;  // empty when writing the target directly
    File file_;
    bool closed_ = false;    // closed, and not yet moved into place
};

}  // namespace common
