#include "skin/SkinReader.h"

#include <algorithm>
#include <vector>

#include "skin/SkinLzh.h"

namespace skin {

namespace {

uint32_t Word(const std::vector<uint8_t>& bytes, uint64_t at) {
  return static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
         static_cast<uint32_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

std::string LowerAscii(std::string text) {
  for (char& ch : text) {
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  }
  return text;
}

// Lines as the string list splits them (CR, LF or CR LF; a final break adds
// no line), counted before any is made so a list of millions costs nothing.
uint64_t LineCount(const std::vector<uint8_t>& bytes, uint64_t begin, uint64_t end) {
  uint64_t lines = 0;
  uint64_t i = begin;
  while (i < end) {
    ++lines;
    while (i < end && bytes[i] != '\r' && bytes[i] != '\n') ++i;
    if (i < end && bytes[i] == '\r') {
      ++i;
      if (i < end && bytes[i] == '\n') ++i;
    } else if (i < end) {
      ++i;
    }
  }
  return lines;
}

}  // namespace

void TSkinReader::Clear() {
  names_.Clear();
  sizes_.fill(0);
  data_.Clear();
  held_ = 0;
}

TSkinLoadStatus TSkinReader::Load(vcl::TStream& source) {
  Clear();
  int64_t source_size = source.Size();
  if (source_size < 4 || source_size > static_cast<int64_t>(kSkinMaxPackageSize))
    return TSkinLoadStatus::Corrupt;
  std::vector<uint8_t> package(static_cast<size_t>(source_size));
  source.SetPosition(0);
  if (source.Read(package.data(), source_size) != source_size) return TSkinLoadStatus::Corrupt;
  uint32_t size = Word(package, 0);
  // The announced size is refused before a byte is decoded: a dry source
  // keeps yielding symbols, so decoding alone would never stop it.
  if (size > kSkinMaxPackageSize || size < 16) return TSkinLoadStatus::Corrupt;
  std::vector<uint8_t> m = LzhDecode(size, package.data() + 4, package.size() - 4);
  package.clear();

  format_ = Word(m, 0);
  names_length_ = Word(m, 4);
  reserved1_ = Word(m, 8);
  reserved2_ = Word(m, 12);
  if (format_ != kSkinFormatWord) return TSkinLoadStatus::OlderFormat;

  uint64_t names_end = 16 + static_cast<uint64_t>(names_length_);
  if (names_end > m.size()) return TSkinLoadStatus::Corrupt;
  if (LineCount(m, 16, names_end) > kSkinMaxMembers) return TSkinLoadStatus::Corrupt;
  std::string text =
      LowerAscii(std::string(m.begin() + 16, m.begin() + static_cast<std::ptrdiff_t>(names_end)));
  names_.SetText(text);
  int count = names_.Count();
  uint64_t sizes_end = names_end + 4 * static_cast<uint64_t>(count);
  if (sizes_end > m.size()) {
    Clear();
    return TSkinLoadStatus::Corrupt;
  }
  uint64_t total = 0;
  for (int i = 0; i < count; ++i) {
    sizes_[static_cast<size_t>(i)] = Word(m, names_end + 4 * static_cast<uint64_t>(i));
    total += sizes_[static_cast<size_t>(i)];
  }
  uint64_t held = m.size() - sizes_end;
  if (total > held) {
    Clear();
    return TSkinLoadStatus::Corrupt;
  }
  if (held > 0) data_.WriteBuffer(m.data() + sizes_end, static_cast<int64_t>(held));
  data_.SetPosition(0);
  held_ = held;
  return TSkinLoadStatus::Ok;
}

void TSkinReader::CopyMember(int index, uint64_t offset, vcl::TMemoryStream& dest) const {
  // Load has checked the sizes against the bytes held; the bound stays here
  // so a copy can never read past them.
  uint64_t held = held_;
  uint64_t size = sizes_[static_cast<size_t>(index)];
  if (offset < held) {
    size = std::min(size, held - offset);
    if (size > 0) dest.WriteBuffer(data_.Memory() + offset, static_cast<int64_t>(size));
  }
  dest.SetPosition(0);
}

void TSkinReader::ExtractMember(const std::string& name, vcl::TMemoryStream& dest) const {
  dest.Clear();
  std::string wanted = LowerAscii(name);
  uint64_t offset = 0;
  for (int i = 0; i < names_.Count(); ++i) {
    if (names_.Strings(i) == wanted) {
      CopyMember(i, offset, dest);
      return;
    }
    offset += sizes_[static_cast<size_t>(i)];
  }
}

void TSkinReader::ExtractMemberLike(const std::string& text, vcl::TMemoryStream& dest,
                                    std::string& full_name) const {
  dest.Clear();
  uint64_t offset = 0;
  for (int i = 0; i < names_.Count(); ++i) {
    if (names_.Strings(i).find(text) != std::string::npos) {
      CopyMember(i, offset, dest);
      full_name = names_.Strings(i);
      return;
    }
    offset += sizes_[static_cast<size_t>(i)];
  }
}

}  // namespace skin
