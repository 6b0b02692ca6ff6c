// A FIFO for tests of code that must never wait on one.
//
// Code that opens a FIFO for reading waits until some writer opens the other
// end, which in a test means forever. The guard watches from a thread: when
// the test has not released it after `patience`, it opens the write end
// itself (which succeeds only while a reader waits), feeds it `feed`, closes
// it so the reader sees the end, and remembers that it had to. The test then
// asserts `!reader_waited()` and fails instead of hanging.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace test_support {

class FifoGuard {
public:
    explicit FifoGuard(std::string path, std::string feed = "[SPEED]\ncpuspeedopt=2\n",
                       std::chrono::milliseconds patience = std::chrono::milliseconds(1500))
        : path_(std::move(path)), feed_(std::move(feed)) {
        made_ = ::mkfifo(path_.c_str(), 0644) == 0;
        if (made_) watcher_ = std::thread([this, patience] { watch(patience); });
    }
    ~FifoGuard() { release(); }
    FifoGuard(const FifoGuard&) = delete;
    FifoGuard& operator=(const FifoGuard&) = delete;

    bool made() const { return made_; }
    // Stops watching; true when some reader sat waiting on the FIFO.
    bool reader_waited() {
        release();
        return waited_;
    }

private:
    void release() {
        {
            std::lock_guard lock(mutex_);
            released_ = true;
        }
        wake_.notify_all();
        if (watcher_.joinable()) watcher_.join();
    }

    void watch(std::chrono::milliseconds patience) {
        std::unique_lock lock(mutex_);
        const auto deadline = std::chrono::steady_clock::now() + patience;
        // After the deadline keep setting readers free until released: a
        // reader that opens the FIFO once more must not hang the test either.
        while (!released_) {
            if (wake_.wait_until(lock, deadline, [this] { return released_; })) break;
            const int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                waited_ = true;
                if (::write(fd, feed_.data(), feed_.size()) < 0) { /* the reader went away */ }
                ::close(fd);
            }
            wake_.wait_for(lock, std::chrono::milliseconds(20), [this] { return released_; });
        }
    }

    std::string path_;
    std::string feed_;
    bool made_ = false;
    bool waited_ = false;
    bool released_ = false;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::thread watcher_;
};

}  // namespace test_support
