#pragma once
// The skin package: a 4-byte uncompressed size and a compressed container of
// named members (bitmaps and one description). Nothing in a package is
// trusted: sizes are checked against caps and against the bytes held, and a
// damaged package is refused with a status, never with a message.
#include <array>
#include <cstdint>
#include <string>

#include "platform/vcl/Lists.h"
#include "platform/vcl/Streams.h"

namespace skin {

inline constexpr uint32_t kSkinFormatWord = 20000;
inline constexpr int kSkinMaxMembers = 1001;
// Packages are tens of kilobytes; anything this large is refused unread.
inline constexpr uint32_t kSkinMaxPackageSize = 16u << 20;
// What the caller shows for a package of the older format.
inline constexpr const char* kOlderSkinText = "This is Older Skin File\rPlease update to new version !";

enum class TSkinLoadStatus { Ok, OlderFormat, Corrupt };

class TSkinReader {
 public:
  // Reads the whole package held in `source` from its start. On any status
  // but Ok the reader holds no members.
  TSkinLoadStatus Load(vcl::TStream& source);

  // Copies the member named `name` (any case) into `dest` and rewinds it; an
  // empty `dest` when there is none. The first of equal names wins.
  void ExtractMember(const std::string& name, vcl::TMemoryStream& dest) const;
  // Copies the first member whose (lower-case) name contains `text` and sets
  // `full_name`; on no hit `dest` is empty and `full_name` unchanged.
  void ExtractMemberLike(const std::string& text, vcl::TMemoryStream& dest, std::string& full_name) const;

  const vcl::TStringList& Names() const { return names_; }
  int MemberCount() const { return names_.Count(); }
  uint32_t MemberSize(int index) const { return sizes_.at(static_cast<size_t>(index)); }
  // All member bytes back to back.
  const vcl::TMemoryStream& Data() const { return data_; }
  uint64_t DataSize() const { return held_; }
  uint32_t FormatWord() const { return format_; }

 private:
  void Clear();
  void CopyMember(int index, uint64_t offset, vcl::TMemoryStream& dest) const;

  vcl::TStringList names_;
  std::array<uint32_t, kSkinMaxMembers> sizes_{};
  vcl::TMemoryStream data_;
  uint64_t held_ = 0;
  uint32_t format_ = 0;
  uint32_t names_length_ = 0;
  uint32_t reserved1_ = 0;
  uint32_t reserved2_ = 0;
};

}  // namespace skin
