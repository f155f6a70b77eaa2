#pragma once
// The block codec of stored bitmap lists: an LZ scheme with a 4096-entry hash
// of three bytes, a 4096-byte window, matches of 3 to 18 bytes, runs of 16 to
// 4095 bytes and 16 items per big-endian control word. Its output is part of
// the stored format, so it must stay byte for byte as it is.
//
// A block starts with a flag byte: 0x80 stores the input as it is (chosen when
// coding would not make it shorter), 0x40 codes it.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace controls {

// Bitmap images are coded in pieces of at most this many bytes.
constexpr size_t kLZChunkSize = 32781;
// The longest block a piece codes to: a stored piece with its flag byte.
constexpr size_t kLZMaxBlockSize = kLZChunkSize + 1;

// Codes `size` bytes (at most kLZChunkSize) into one block. Reads nothing
// outside [data, data + size).
std::vector<uint8_t> LZCompressBlock(const uint8_t* data, size_t size);

// Decodes one block of `size` bytes and appends what it gives to `out`.
// False, with `out` cut back to its old length, when the block is damaged: an
// item cut off at its end, a copy reaching before the block's own output, or
// more than `max_output` bytes of output.
bool LZDecompressBlock(const uint8_t* data, size_t size, std::vector<uint8_t>& out,
                       size_t max_output = kLZChunkSize);

}  // namespace controls
