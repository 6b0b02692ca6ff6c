// Test doubles for the world around the core: a Host with a clock the test
// turns by hand that records every message, and a sound device that keeps
// what it is given.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "host/sound.h"
#include "machine/host.h"

namespace trivo {

// File requests as a failing comparison shows them.
inline void PrintTo(const FileRequest& q, std::ostream* os) {
    *os << "{purpose " << static_cast<int>(q.purpose) << ", \"" << q.title << "\", filters";
    for (const FileFilter& f : q.filters) *os << " [\"" << f.description << "\" " << f.pattern << "]";
    *os << ", ext \"" << q.default_extension << "\", start \"" << q.start_path << "\""
        << (q.overwrite_prompt ? ", overwrite prompt}" : "}");
}

}  // namespace trivo

namespace trivo::test {

class FakeHost : public Host {
public:
    struct Message {
        std::string caption;
        std::string text;
        MessageIcon icon;
    };

    std::vector<Message> messages;
    std::vector<std::string> debug_lines;
    std::vector<int> posted_commands;
    std::vector<FileRequest> open_requests;
    std::vector<FileRequest> save_requests;
    std::optional<std::string> open_answer;
    std::optional<std::string> save_answer;
    MessageAnswer message_answer = MessageAnswer::ok;
    std::string clipboard;
    struct ProgramRun {
        std::string program;
        std::string argument;
    };
    std::vector<ProgramRun> programs_run;
    int program_status = 0;  // what every program run returns

    uint32_t now_ms = 0;
    std::optional<int64_t> counter_value = 0;  // nullopt: the counter read fails
    int64_t frequency = 0;                     // 0: no high-resolution counter

    MessageAnswer message_box(const std::string& caption, const std::string& text,
                              MessageIcon icon, MessageButtons) override {
        messages.push_back({caption, text, icon});
        return message_answer;
    }
    std::optional<std::string> choose_open_file(const FileRequest& request) override {
        open_requests.push_back(request);
        return open_answer;
    }
    std::optional<std::string> choose_save_file(const FileRequest& request) override {
        save_requests.push_back(request);
        return save_answer;
    }
    void debug_output(const std::string& text) override { debug_lines.push_back(text); }
    void post_command(int command) override { posted_commands.push_back(command); }
    std::string clipboard_text() override { return clipboard; }
    int run_program(const std::string& program, const std::string& argument) override {
        programs_run.push_back({program, argument});
        return program_status;
    }
    uint32_t milliseconds() override { return now_ms; }
    std::optional<int64_t> counter() override { return counter_value; }
    int64_t counter_frequency() override { return frequency; }
};

// A sound device whose ring is a plain array; it plays only when told and
// its play cursor stays where the test puts it.
class FakeSink : public AudioSink {
public:
    bool can_open = true;
    bool can_create = true;
    bool playing = false;
    uint32_t cursor = 0;
    std::vector<int16_t> ring;
    int play_starts = 0;
    int stops = 0;
    int writes = 0;
    std::vector<uint32_t> write_offsets;

    bool open() override { return can_open; }
    bool create_buffer(uint32_t ring_bytes) override {
        if (!can_create) return false;
        ring.assign(ring_bytes / 2, 0x5555);
        return true;
    }
    bool is_playing() override { return playing; }
    bool play_looping() override {
        playing = true;
        ++play_starts;
        return true;
    }
    void stop() override {
        playing = false;
        ++stops;
    }
    uint32_t play_cursor() override { return cursor; }
    void set_play_position(uint32_t offset) override { cursor = offset; }
    void clear() override { std::fill(ring.begin(), ring.end(), 0); }
    void write(uint32_t offset, const int16_t* samples, uint32_t count) override {
        ++writes;
        write_offsets.push_back(offset);
        for (uint32_t i = 0; i < count; ++i) ring.at(offset / 2 + i) = samples[i];
    }
    void release() override { ring.clear(); }
};

}  // namespace trivo::test
