#include "skin/SkinLzh.h"

#include <algorithm>
#include <cstring>

namespace skin {

void TLzhufTree::Start() {
  for (int i = 0; i < kLzhSymbols; ++i) {
    freq_[i] = 1;
    son_[i] = static_cast<int16_t>(i + kLzhTableSize);
    parent_[i + kLzhTableSize] = static_cast<int16_t>(i);
  }
  for (int i = 0, j = kLzhSymbols; j <= kLzhRoot; i += 2, ++j) {
    freq_[j] = static_cast<uint16_t>(freq_[i] + freq_[i + 1]);
    son_[j] = static_cast<int16_t>(i);
    parent_[i] = parent_[i + 1] = static_cast<int16_t>(j);
  }
  // Sentinel that stops the climb in Update.
  freq_[kLzhTableSize] = 0xFFFF;
  parent_[kLzhRoot] = 0;
}

void TLzhufTree::Rebuild() {
  // Leaves to the front with halved counts (rounded up), then the inner nodes
  // again in order of frequency.
  int j = 0;
  for (int i = 0; i < kLzhTableSize; ++i) {
    if (son_[i] >= kLzhTableSize) {
      freq_[j] = static_cast<uint16_t>((freq_[i] + 1) / 2);
      son_[j] = son_[i];
      ++j;
    }
  }
  for (int i = 0, n = kLzhSymbols; n < kLzhTableSize; i += 2, ++n) {
    uint16_t f = static_cast<uint16_t>(freq_[i] + freq_[i + 1]);
    freq_[n] = f;
    int k = n - 1;
    while (f < freq_[k]) --k;
    ++k;
    size_t moved = static_cast<size_t>(n - k);
    std::memmove(&freq_[k + 1], &freq_[k], moved * sizeof(freq_[0]));
    freq_[k] = f;
    std::memmove(&son_[k + 1], &son_[k], moved * sizeof(son_[0]));
    son_[k] = static_cast<int16_t>(i);
  }
  for (int i = 0; i < kLzhTableSize; ++i) {
    int k = son_[i];
    if (k >= kLzhTableSize) {
      parent_[k] = static_cast<int16_t>(i);
    } else {
      parent_[k] = parent_[k + 1] = static_cast<int16_t>(i);
    }
  }
}

void TLzhufTree::Update(int symbol) {
  if (freq_[kLzhRoot] == kLzhMaxFreq) Rebuild();
  int c = parent_[symbol + kLzhTableSize];
  do {
    uint16_t k = ++freq_[c];
    int l = c + 1;
    if (k > freq_[l]) {
      while (k > freq_[++l]) {
      }
      --l;
      freq_[c] = freq_[l];
      freq_[l] = k;
      int i = son_[c];
      parent_[i] = static_cast<int16_t>(l);
      if (i < kLzhTableSize) parent_[i + 1] = static_cast<int16_t>(l);
      int j = son_[l];
      son_[l] = static_cast<int16_t>(i);
      parent_[j] = static_cast<int16_t>(c);
      if (j < kLzhTableSize) parent_[j + 1] = static_cast<int16_t>(c);
      son_[c] = static_cast<int16_t>(j);
      c = l;
    }
    c = parent_[c];
  } while (c != 0);
}

std::vector<uint8_t> TLzhufTree::CodeOf(int symbol) const {
  std::vector<uint8_t> bits;
  int k = parent_[symbol + kLzhTableSize];
  // The second child of a node sits at the odd index and carries the 1.
  do {
    bits.push_back(static_cast<uint8_t>(k & 1));
    k = parent_[k];
  } while (k != kLzhRoot);
  std::reverse(bits.begin(), bits.end());
  return bits;
}

namespace {

// Code lengths 3..8 for 1, 3, 8, 12, 24 and 16 of the 64 upper values.
constexpr int kLengthCounts[6] = {1, 3, 8, 12, 24, 16};

struct PositionTables {
  std::array<TLzhPositionCode, 64> codes{};
  std::array<uint8_t, 256> upper{};
  std::array<uint8_t, 256> length{};
  PositionTables() {
    int value = 0;
    unsigned code = 0;
    for (int length_index = 0; length_index < 6; ++length_index) {
      int bits = length_index + 3;
      for (int n = 0; n < kLengthCounts[length_index]; ++n, ++value, ++code) {
        codes[value] = {static_cast<uint8_t>(code), static_cast<uint8_t>(bits)};
        unsigned first = code << (8 - bits);
        for (unsigned b = first; b < first + (1u << (8 - bits)); ++b) {
          upper[b] = static_cast<uint8_t>(value);
          length[b] = static_cast<uint8_t>(bits);
        }
      }
      code <<= 1;
    }
  }
};

const PositionTables& Tables() {
  static const PositionTables tables;
  return tables;
}

}  // namespace

TLzhPositionCode LzhPositionCode(int upper) { return Tables().codes[static_cast<size_t>(upper & 63)]; }
int LzhPositionUpper(uint8_t byte) { return Tables().upper[byte]; }
int LzhPositionLength(uint8_t byte) { return Tables().length[byte]; }

void TLZH::Fill() {
  while (bit_count_ <= 8) {
    uint8_t byte = 0;
    int moved = 0;
    read_(read_target_, &byte, 1, moved);
    if (moved != 1) byte = 0;
    bit_buffer_ = static_cast<uint16_t>(bit_buffer_ | (byte << (8 - bit_count_)));
    bit_count_ = static_cast<uint8_t>(bit_count_ + 8);
  }
}

int TLZH::GetBit() {
  Fill();
  int bit = (bit_buffer_ >> 15) & 1;
  bit_buffer_ = static_cast<uint16_t>(bit_buffer_ << 1);
  --bit_count_;
  return bit;
}

int TLZH::GetByte() {
  Fill();
  int byte = bit_buffer_ >> 8;
  bit_buffer_ = static_cast<uint16_t>(bit_buffer_ << 8);
  bit_count_ = static_cast<uint8_t>(bit_count_ - 8);
  return byte;
}

int TLZH::DecodeChar() {
  int c = tree_.Son(kLzhRoot);
  while (c < kLzhTableSize) c = tree_.Son(c + GetBit());
  c -= kLzhTableSize;
  tree_.Update(c);
  return c;
}

int TLZH::DecodePosition() {
  int i = GetByte();
  int upper = LzhPositionUpper(static_cast<uint8_t>(i));
  for (int extra = LzhPositionLength(static_cast<uint8_t>(i)) - 2; extra > 0; --extra)
    i = (i << 1) + GetBit();
  return (upper << 6) | (i & 0x3F);
}

void TLZH::Decode(uint32_t size, TLzhWriteProc write, void* write_target, TLzhReadProc read,
                  void* read_target) {
  read_ = read;
  read_target_ = read_target;
  bit_buffer_ = 0;
  bit_count_ = 0;
  tree_.Start();
  std::fill(ring_.begin(), ring_.begin() + kLzhStartPosition, static_cast<uint8_t>(' '));
  std::fill(ring_.begin() + kLzhStartPosition, ring_.end(), static_cast<uint8_t>(0));
  int r = kLzhStartPosition;
  uint32_t count = 0;
  auto put = [&](uint8_t byte) {
    int moved = 0;
    write(write_target, &byte, 1, moved);
    ring_[static_cast<size_t>(r)] = byte;
    r = (r + 1) & (kLzhRingSize - 1);
    ++count;
  };
  while (count < size) {
    int c = DecodeChar();
    if (c < 256) {
      put(static_cast<uint8_t>(c));
      continue;
    }
    int from = (r - DecodePosition() - 1) & (kLzhRingSize - 1);
    int length = c - 255 + kLzhThreshold;
    // A match may run past the announced size; the output stops there.
    for (int k = 0; k < length && count < size; ++k)
      put(ring_[static_cast<size_t>((from + k) & (kLzhRingSize - 1))]);
  }
}

namespace {
struct MemorySource {
  const uint8_t* data;
  size_t size;
  size_t position;
};
}  // namespace

std::vector<uint8_t> LzhDecode(uint32_t size, const uint8_t* body, size_t body_size) {
  std::vector<uint8_t> out;
  out.reserve(size);
  MemorySource source{body, body_size, 0};
  TLZH lzh;
  lzh.Decode(
      size,
      [](void* target, const uint8_t* buffer, int count, int& moved) {
        auto* v = static_cast<std::vector<uint8_t>*>(target);
        v->insert(v->end(), buffer, buffer + count);
        moved = count;
      },
      &out,
      [](void* target, uint8_t* buffer, int count, int& moved) {
        auto* s = static_cast<MemorySource*>(target);
        size_t n = std::min(static_cast<size_t>(count), s->size - s->position);
        if (n > 0) std::memcpy(buffer, s->data + s->position, n);
        s->position += n;
        moved = static_cast<int>(n);
      },
      &source);
  return out;
}

}  // namespace skin
