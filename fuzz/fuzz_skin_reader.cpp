// Reads arbitrary bytes as a skin package. Whatever is accepted must hold
// sizes within its bytes, and every member must come out at its own size.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "skin/SkinReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vcl::TMemoryStream source;
  if (size > 0) source.WriteBuffer(data, static_cast<int64_t>(size));
  skin::TSkinReader reader;
  skin::TSkinLoadStatus status = reader.Load(source);
  if (status != skin::TSkinLoadStatus::Ok) {
    if (reader.MemberCount() != 0 || reader.DataSize() != 0) std::abort();
    return 0;
  }
  if (reader.MemberCount() > skin::kSkinMaxMembers) std::abort();
  uint64_t total = 0;
  for (int i = 0; i < reader.MemberCount(); ++i) total += reader.MemberSize(i);
  if (total > reader.DataSize()) std::abort();
  vcl::TMemoryStream dest;
  for (int i = 0; i < reader.MemberCount(); ++i) {
    reader.ExtractMember(reader.Names().Strings(i), dest);
    if (dest.Size() > static_cast<int64_t>(reader.MemberSize(i))) std::abort();
  }
  std::string full_name;
  reader.ExtractMemberLike(".ini", dest, full_name);
  return 0;
}
