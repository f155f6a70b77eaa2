#pragma once
// The compressor for skin packages: produces what the program's package
// decoder reads (4-byte size, then the adaptive Huffman coded LZSS stream).
// A host-side tool; the program itself only reads packages.
#include <cstdint>
#include <vector>

namespace skinpack {

// One step of a stream: a literal byte, or a copy of `length` (3..60) bytes
// from `position` + 1 bytes back in the 4096-byte ring.
struct LzhToken {
  int literal = -1;  // 0..255; -1 for a copy
  int length = 0;
  int position = 0;  // 0..4095
};
inline LzhToken LzhLiteral(int byte) { return LzhToken{byte, 0, 0}; }
inline LzhToken LzhCopy(int length, int position) { return LzhToken{-1, length, position}; }

// The coded stream of exactly these tokens (no size word), last byte padded
// with zero bits. Writes what a parse would never choose, for tests.
std::vector<uint8_t> LzhEncodeTokens(const std::vector<LzhToken>& tokens);

// Greedy longest-match parse of `data` over the ring as the decoder starts
// it (spaces before the write position).
std::vector<LzhToken> LzhParse(const std::vector<uint8_t>& data);

// A whole package body: the size word and the coded stream of `data`.
std::vector<uint8_t> LzhCompress(const std::vector<uint8_t>& data);

}  // namespace skinpack
