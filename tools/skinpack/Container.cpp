#include "tools/skinpack/Container.h"

#include "skin/SkinReader.h"
#include "tools/skinpack/LzhufEncoder.h"

namespace skinpack {

namespace {

void PutWord(std::vector<uint8_t>& out, uint32_t w) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(w >> (8 * i)));
}

}  // namespace

std::vector<uint8_t> WriteContainer(const std::vector<SkinMember>& members) {
  if (members.size() > static_cast<size_t>(skin::kSkinMaxMembers)) throw PackError("more than 1001 members");
  std::string names;
  uint64_t total = 0;
  for (const SkinMember& m : members) {
    if (m.name.empty() || m.name.find_first_of("\r\n") != std::string::npos)
      throw PackError("member name \"" + m.name + "\" is empty or holds a line break");
    names += m.name + "\r\n";
    total += m.bytes.size();
  }
  if (16 + names.size() + 4 * members.size() + total > skin::kSkinMaxPackageSize)
    throw PackError("the members exceed the package size cap");
  std::vector<uint8_t> out;
  PutWord(out, skin::kSkinFormatWord);
  PutWord(out, static_cast<uint32_t>(names.size()));
  PutWord(out, 0);
  PutWord(out, 0);
  out.insert(out.end(), names.begin(), names.end());
  for (const SkinMember& m : members) PutWord(out, static_cast<uint32_t>(m.bytes.size()));
  for (const SkinMember& m : members) out.insert(out.end(), m.bytes.begin(), m.bytes.end());
  return out;
}

std::vector<uint8_t> PackSkin(const std::vector<SkinMember>& members) {
  return LzhCompress(WriteContainer(members));
}

}  // namespace skinpack
