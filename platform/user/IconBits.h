#pragma once
// Where the parts of one icon or cursor image lie: after the bitmap header
// the colour table, then the XOR bits and the AND mask, each row padded to
// 32 bits. Nothing when the image holds fewer bytes than that layout needs.
#include <cstddef>
#include <optional>

#include "platform/kernel/Types.h"

namespace plat::user {

struct IconBits {
  const BYTE* table;
  const BYTE* xor_bits;
  const BYTE* and_bits;
  size_t xor_stride;
  size_t and_stride;
};

inline std::optional<IconBits> LocateIconBits(const BYTE* image, size_t bytes, size_t header_size,
                                              size_t colours, int width, int height, int bit_count) {
  IconBits bits;
  bits.xor_stride = (static_cast<size_t>(width) * bit_count + 31) / 32 * 4;
  bits.and_stride = (static_cast<size_t>(width) + 31) / 32 * 4;
  const size_t needed = header_size + colours * 4 + (bits.xor_stride + bits.and_stride) * height;
  if (needed > bytes) return std::nullopt;
  bits.table = image + header_size;
  bits.xor_bits = bits.table + colours * 4;
  bits.and_bits = bits.xor_bits + bits.xor_stride * height;
  return bits;
}

}  // namespace plat::user
