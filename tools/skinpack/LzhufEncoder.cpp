#include "tools/skinpack/LzhufEncoder.h"

#include <algorithm>

#include "skin/SkinLzh.h"

namespace skinpack {

namespace {

class BitWriter {
 public:
  void Bit(int bit) {
    if (count_ % 8 == 0) bytes_.push_back(0);
    if (bit) bytes_.back() = static_cast<uint8_t>(bytes_.back() | (0x80 >> (count_ % 8)));
    ++count_;
  }
  void Bits(unsigned value, int bits) {
    for (int i = bits - 1; i >= 0; --i) Bit(static_cast<int>((value >> i) & 1));
  }
  std::vector<uint8_t>& Bytes() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  size_t count_ = 0;
};

// Chains of earlier places sharing the next three bytes; a bounded walk keeps
// runs of one byte (the initial spaces) from costing a whole ring per byte.
constexpr int kHashBits = 14;
constexpr int kChainLimit = 256;

uint32_t Hash3(const uint8_t* p) {
  return ((static_cast<uint32_t>(p[0]) << 10) ^ (static_cast<uint32_t>(p[1]) << 5) ^ p[2]) &
         ((1u << kHashBits) - 1);
}

}  // namespace

std::vector<uint8_t> LzhEncodeTokens(const std::vector<LzhToken>& tokens) {
  skin::TLzhufTree tree;
  BitWriter out;
  for (const LzhToken& t : tokens) {
    int symbol = t.literal >= 0 ? t.literal : t.length + 253;
    for (uint8_t bit : tree.CodeOf(symbol)) out.Bit(bit);
    tree.Update(symbol);
    if (t.literal < 0) {
      skin::TLzhPositionCode code = skin::LzhPositionCode(t.position >> 6);
      out.Bits(code.code, code.length);
      out.Bits(static_cast<unsigned>(t.position & 63), 6);
    }
  }
  return std::move(out.Bytes());
}

std::vector<LzhToken> LzhParse(const std::vector<uint8_t>& data) {
  // The data laid out after the ring's initial spaces: a byte's index here
  // is its ring slot modulo the ring size, and a copy from up to a ring back
  // reads bytes the decoder still holds (overlapping copies included).
  const int64_t start = skin::kLzhStartPosition;
  std::vector<uint8_t> v(static_cast<size_t>(start), ' ');
  v.insert(v.end(), data.begin(), data.end());
  const int64_t end = static_cast<int64_t>(v.size());
  std::vector<int64_t> head(size_t{1} << kHashBits, -1);
  std::vector<int64_t> prev(v.size(), -1);
  int64_t inserted = 0;
  auto insert_until = [&](int64_t limit) {
    for (; inserted < limit && inserted + 2 < end; ++inserted) {
      uint32_t h = Hash3(&v[static_cast<size_t>(inserted)]);
      prev[static_cast<size_t>(inserted)] = head[h];
      head[h] = inserted;
    }
  };

  std::vector<LzhToken> tokens;
  int64_t at = start;
  while (at < end) {
    insert_until(at);
    int best_length = 0;
    int64_t best_from = 0;
    int64_t most = std::min<int64_t>(skin::kLzhMaxMatch, end - at);
    if (most >= 3) {
      int64_t from = head[Hash3(&v[static_cast<size_t>(at)])];
      for (int steps = 0; from >= 0 && at - from <= skin::kLzhRingSize && steps < kChainLimit; ++steps) {
        int length = 0;
        while (length < most &&
               v[static_cast<size_t>(from + length)] == v[static_cast<size_t>(at + length)]) {
          ++length;
        }
        if (length > best_length) {
          best_length = length;
          best_from = from;
          if (length == most) break;
        }
        from = prev[static_cast<size_t>(from)];
      }
    }
    if (best_length > skin::kLzhThreshold) {
      tokens.push_back(LzhCopy(best_length, static_cast<int>(at - best_from - 1)));
      at += best_length;
    } else {
      tokens.push_back(LzhLiteral(v[static_cast<size_t>(at)]));
      ++at;
    }
  }
  return tokens;
}

std::vector<uint8_t> LzhCompress(const std::vector<uint8_t>& data) {
  uint32_t size = static_cast<uint32_t>(data.size());
  std::vector<uint8_t> out = {static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
                              static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 24)};
  std::vector<uint8_t> body = LzhEncodeTokens(LzhParse(data));
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

}  // namespace skinpack
