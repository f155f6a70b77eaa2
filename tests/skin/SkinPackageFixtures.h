#pragma once
// Test-side package builders: a token-script encoder that writes exactly the
// literals and matches it is given (so streams can hold what a compressor
// would never choose), and the container layout around named members.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "skin/SkinLzh.h"

namespace skin_test {

struct Token {
  int literal = -1;  // 0..255, or -1 for a match
  int length = 0;    // 3..60
  int position = 0;  // distance - 1, 0..4095
};
inline Token Lit(int byte) { return Token{byte, 0, 0}; }
inline Token Match(int length, int position) { return Token{-1, length, position}; }

class BitWriter {
 public:
  void Bit(int bit) {
    if (count_ % 8 == 0) bytes_.push_back(0);
    if (bit) bytes_.back() = static_cast<uint8_t>(bytes_.back() | (0x80 >> (count_ % 8)));
    ++count_;
  }
  void Bits(unsigned value, int bits) {
    for (int i = bits - 1; i >= 0; --i) Bit((value >> i) & 1);
  }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  size_t count_ = 0;
};

// The compressed stream of `tokens`, without the size word.
inline std::vector<uint8_t> EncodeTokens(const std::vector<Token>& tokens) {
  skin::TLzhufTree tree;
  BitWriter out;
  for (const Token& t : tokens) {
    int symbol = t.literal >= 0 ? t.literal : t.length + 253;
    for (uint8_t bit : tree.CodeOf(symbol)) out.Bit(bit);
    tree.Update(symbol);
    if (t.literal < 0) {
      skin::TLzhPositionCode code = skin::LzhPositionCode(t.position >> 6);
      out.Bits(code.code, code.length);
      out.Bits(static_cast<unsigned>(t.position & 63), 6);
    }
  }
  return out.Bytes();
}

inline std::vector<uint8_t> Package(uint32_t size, const std::vector<uint8_t>& body) {
  std::vector<uint8_t> p = {static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
                            static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 24)};
  p.insert(p.end(), body.begin(), body.end());
  return p;
}

// A package of `bytes` written as literals only.
inline std::vector<uint8_t> LiteralPackage(const std::vector<uint8_t>& bytes) {
  std::vector<Token> tokens;
  tokens.reserve(bytes.size());
  for (uint8_t b : bytes) tokens.push_back(Lit(b));
  return Package(static_cast<uint32_t>(bytes.size()), EncodeTokens(tokens));
}

inline void PutWord(std::vector<uint8_t>& out, uint32_t w) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(w >> (8 * i)));
}

struct Member {
  std::string name;
  std::string bytes;
};

// The container around `members`; each name ends with CR LF.
inline std::vector<uint8_t> Container(const std::vector<Member>& members, uint32_t format = 20000) {
  std::string names;
  for (const Member& m : members) names += m.name + "\r\n";
  std::vector<uint8_t> out;
  PutWord(out, format);
  PutWord(out, static_cast<uint32_t>(names.size()));
  PutWord(out, 0);
  PutWord(out, 0);
  out.insert(out.end(), names.begin(), names.end());
  for (const Member& m : members) PutWord(out, static_cast<uint32_t>(m.bytes.size()));
  for (const Member& m : members) out.insert(out.end(), m.bytes.begin(), m.bytes.end());
  return out;
}

}  // namespace skin_test
