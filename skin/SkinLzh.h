#pragma once
// The package codec: LZSS over a 4096-byte ring with an adaptive Huffman
// coder for literals and match lengths, and a fixed prefix code for the upper
// six bits of match positions.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/vcl/SysUtils.h"

namespace skin {

// Raised when the coder's tables cannot be set up; the tables are members of
// the coder, so nothing raises it today.
class ElzhException : public vcl::Exception {
 public:
  using vcl::Exception::Exception;
};

inline constexpr int kLzhRingSize = 4096;
inline constexpr int kLzhMaxMatch = 60;
inline constexpr int kLzhThreshold = 2;
inline constexpr int kLzhSymbols = 256 - kLzhThreshold + kLzhMaxMatch;  // 314
inline constexpr int kLzhTableSize = 2 * kLzhSymbols - 1;               // 627
inline constexpr int kLzhRoot = kLzhTableSize - 1;
inline constexpr int kLzhMaxFreq = 0x8000;
// Where the first byte lands in the ring; everything before it starts as spaces.
inline constexpr int kLzhStartPosition = kLzhRingSize - kLzhMaxMatch;

// The adaptive Huffman tree both directions share, so encoder and decoder
// update it the same way.
class TLzhufTree {
 public:
  TLzhufTree() { Start(); }
  void Start();
  // Counts `symbol` once, rebuilding the tree first when the root is full.
  void Update(int symbol);
  // The symbol's current code, first bit first.
  std::vector<uint8_t> CodeOf(int symbol) const;

  // Node layout: children of node n are Son(n) and Son(n) + 1; values at or
  // above kLzhTableSize are leaves (symbol + kLzhTableSize).
  int Son(int node) const { return son_[node]; }
  uint16_t RootFrequency() const { return freq_[kLzhRoot]; }

 private:
  void Rebuild();
  std::array<uint16_t, kLzhTableSize + 1> freq_{};
  std::array<int16_t, kLzhTableSize + kLzhSymbols> parent_{};
  std::array<int16_t, kLzhTableSize> son_{};
};

// The fixed prefix code of a position's upper six bits: `length` bits of
// `code`, aligned to the right.
struct TLzhPositionCode {
  uint8_t code;
  uint8_t length;
};
TLzhPositionCode LzhPositionCode(int upper);
// Byte-indexed lookup the decoder uses: the upper six bits and the code length
// of the code that starts the byte.
int LzhPositionUpper(uint8_t byte);
int LzhPositionLength(uint8_t byte);

// Moves up to `count` bytes, one at a time in practice, and reports how many
// moved in `moved` (0 at the end of the data).
using TLzhReadProc = void (*)(void* target, uint8_t* buffer, int count, int& moved);
using TLzhWriteProc = void (*)(void* target, const uint8_t* buffer, int count, int& moved);

// The decoder's working state for one decode.
class TLZH {
 public:
  // Produces exactly `size` bytes through `write`; a source that runs dry
  // reads as zero bytes.
  void Decode(uint32_t size, TLzhWriteProc write, void* write_target, TLzhReadProc read, void* read_target);

 private:
  int GetBit();
  int GetByte();
  void Fill();
  int DecodeChar();
  int DecodePosition();

  TLzhReadProc read_ = nullptr;
  void* read_target_ = nullptr;
  uint16_t bit_buffer_ = 0;
  uint8_t bit_count_ = 0;
  std::array<uint8_t, kLzhRingSize + kLzhMaxMatch - 1> ring_{};
  TLzhufTree tree_;
};

// Decodes a whole package body (`size` bytes from `body`) into a vector.
std::vector<uint8_t> LzhDecode(uint32_t size, const uint8_t* body, size_t body_size);

}  // namespace skin
