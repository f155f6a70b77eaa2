#pragma once
// The package container the program's reader takes: format word 20000, the
// name list's length, two reserved words, the names each ended by CR LF, one
// 32-bit size per member, then the members back to back; all of it packed
// behind its 4-byte size by the compressor.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace skinpack {

struct SkinMember {
  std::string name;
  std::vector<uint8_t> bytes;
};

class PackError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Raises PackError for what the reader would refuse: more than 1001
// members, a name holding a line break, or a package past its size cap.
std::vector<uint8_t> WriteContainer(const std::vector<SkinMember>& members);
std::vector<uint8_t> PackSkin(const std::vector<SkinMember>& members);

}  // namespace skinpack
