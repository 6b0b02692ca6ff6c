#include "cassette/block_image.h"

#include <algorithm>
#include <optional>

#include "cassette/deck.h"
#include "common/file_util.h"
#include "machine/machine.h"

namespace trivo {

namespace {

constexpr uint8_t leader_byte = 0x55;
constexpr uint8_t sync_byte = 0x3C;
constexpr uint8_t type_name = 0x00;
constexpr uint8_t type_data = 0x01;
constexpr uint8_t type_end = 0xFF;

}  // namespace

BlockWalk block_image_walk(std::span<const uint8_t> source, int selected,
                           std::vector<uint8_t>* converted) {
    BlockWalk walk;
    const size_t n = source.size();
    size_t p = 0;
    bool has_name = false;
    bool has_data = false;
    bool after_name = false;  // the previous complete block was a name block

    for (;;) {
        while (p < n && source[p] == leader_byte) ++p;
        if (p < n && source[p] == sync_byte) ++p;

        // Type, length, data, checksum, each only while bytes remain; a
        // field that is not there reads as 0, as past the end of a tape.
        uint8_t type = 0;
        uint8_t length = 0;
        uint8_t checksum = 0;
        size_t data_start = 0;
        bool complete = false;
        if (p < n) {
            type = source[p++];
            if (p < n) {
                length = source[p++];
                data_start = p;
                const size_t present = std::min<size_t>(length, n - p);
                p += present;
                if (present == length && p < n) {
                    checksum = source[p++];
                    complete = true;
                }
            }
        }
        if (p < n && source[p] == leader_byte) ++p;

        if (type == 0 && length == 0 && checksum == 0) {
            walk.ok = true;  // the end mark, or the end of the data
            return walk;
        }
        unsigned sum = type + length;
        if (complete) {
            for (size_t i = 0; i < length; ++i) sum += source[data_start + i];
        }
        if (!complete || (sum & 0xFF) != checksum) {
            walk.ok = p >= n;
            return walk;
        }

        if (converted && walk.programs == selected) {
            if (type == type_name || after_name) converted->insert(converted->end(), block_leader_length, leader_byte);
            converted->push_back(leader_byte);
            converted->push_back(sync_byte);
            converted->push_back(type);
            converted->push_back(length);
            converted->insert(converted->end(), source.begin() + static_cast<std::ptrdiff_t>(data_start),
                              source.begin() + static_cast<std::ptrdiff_t>(data_start + length));
            converted->push_back(checksum);
            converted->push_back(leader_byte);
        }
        after_name = type == type_name;

        switch (type) {
            case type_name: has_name = true; break;
            case type_data: has_data = true; break;
            case type_end:
                if (!has_name || !has_data) return walk;
                ++walk.programs;
                has_name = has_data = false;
                break;
            default: return walk;  // not a block type of this format
        }
    }
}

bool block_image_valid(std::span<const uint8_t> source) {
    const BlockWalk walk = block_image_walk(source, -1, nullptr);
    return walk.ok && walk.programs > 0;
}

std::vector<uint8_t> block_image_convert(std::span<const uint8_t> source, int program) {
    std::vector<uint8_t> converted;
    const BlockWalk walk = block_image_walk(source, program, &converted);
    if (walk.programs <= program) converted.clear();  // the program never ended
    return converted;
}

bool block_image_open(Machine& m, const std::string& path) {
    const std::optional<std::vector<uint8_t>> source = common::read_file(path, tape_image_max_size);
    if (source && source->empty()) return false;
    std::vector<uint8_t> converted;
    if (source && block_image_valid(*source)) converted = block_image_convert(*source, 0);
    if (converted.empty()) {
        m.host->message_box(block_image_failure_caption, block_image_failure_text, MessageIcon::warning);
        return false;
    }
    deck_install_image(m, std::move(converted));
    return true;
}

}  // namespace trivo
