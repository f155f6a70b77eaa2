#pragma once
// Test-side package builders over the tool's encoder: token scripts that
// write exactly the literals and copies given (what a compressor would never
// choose), literal-only packages, and the container around named members.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tools/skinpack/LzhufEncoder.h"

namespace skin_test {

using Token = skinpack::LzhToken;
inline Token Lit(int byte) { return skinpack::LzhLiteral(byte); }
inline Token Match(int length, int position) { return skinpack::LzhCopy(length, position); }
inline std::vector<uint8_t> EncodeTokens(const std::vector<Token>& tokens) {
  return skinpack::LzhEncodeTokens(tokens);
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
