// CAS/C10/K7 block cassette images.
//
// Such an image is the byte stream of a tape cut into blocks, each:
//
//   leader    any number of bytes 55 (optional)
//   sync      one byte 3C (optional)
//   type      00 name block, 01 data block, FF end block
//   length    number of data bytes, 0-255
//   data      `length` bytes
//   checksum  (type + length + sum of the data bytes) modulo 256
//   trailer   one byte 55 (optional)
//
// A program is a name block, data blocks and an end block; several
// programs may follow one another. A block of type, length and checksum 0
// ends the image.
//
// The deck plays one program on its bit path: the first one, converted into
// a tape image with its leaders restored, 128 bytes 55 before the name block
// and before the block after it, every block written out whole (55, 3C,
// type, length, data, checksum, 55). The bit path's gap schedule follows
// exactly this layout.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace trivo {

struct Machine;

// The one refusal of a block image.
inline constexpr const char* block_image_failure_text = "This does not appear to be a good\n CAS/C10/K7 file";
inline constexpr const char* block_image_failure_caption = "Quillo";

// Bytes of leader the conversion puts before a name block and the block
// after it.
inline constexpr int block_leader_length = 128;

struct BlockWalk {
    bool ok = false;   // the walk ended at the end of the data or at an all-zero block
    int programs = 0;  // complete programs (name, data, end block) seen
};

// Walks the blocks. A block that is cut short or has a wrong checksum ends
// the walk: successfully when it is the last thing in the data, as a
// failure when bytes follow it. An end block of a program without a name or
// without data, or a block of an unknown type, is a failure. When
// `converted` is given, the blocks of program number `selected` are
// appended to it in playable form.
BlockWalk block_image_walk(std::span<const uint8_t> source, int selected,
                           std::vector<uint8_t>* converted);

// The walk succeeds and finds at least one program.
bool block_image_valid(std::span<const uint8_t> source);

// The playable tape image of one program (empty when there is no such
// program).
std::vector<uint8_t> block_image_convert(std::span<const uint8_t> source, int program);

// Reads, validates and converts a block image and attaches its first
// program to the deck. The tape must already be stopped. An empty file
// fails silently; any other failure shows the refusal message.
bool block_image_open(Machine& m, const std::string& path);

}  // namespace trivo
