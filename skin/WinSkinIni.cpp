#include "skin/WinSkinIni.h"

#include <algorithm>
#include <cstdint>

#include "platform/vcl/SysUtils.h"
#include "skin/SkinReader.h"

namespace skin {

namespace {

// Blanks and control characters, as the description's lines are trimmed.
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view TrimView(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool IsHeader(std::string_view line) { return line.size() >= 2 && line.front() == '[' && line.back() == ']'; }

}  // namespace

void TQuickIni::LoadFromStream(vcl::TStream* stream) {
  if (!stream) return;
  // A description is a package member, so the package cap bounds it too.
  int64_t left = std::clamp<int64_t>(stream->Size() - stream->Position(), 0, kSkinMaxPackageSize);
  std::string text(static_cast<size_t>(left), '\0');
  text.resize(static_cast<size_t>(stream->Read(text.data(), left)));
  LoadFromText(text);
}

void TQuickIni::LoadFromText(std::string_view text) {
  lines_.clear();
  sections_.clear();
  first_section_.clear();
  text = text.substr(0, text.find('\0'));
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = TrimView(text.substr(pos, end - pos));
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n' && (pos == end || text[pos - 1] == '\r')) ++pos;
    if (line.empty() || line.front() == ';') continue;
    lines_.emplace_back(line);
    if (IsHeader(line)) {
      int index = static_cast<int>(lines_.size()) - 1;
      sections_.emplace_back(std::string(line), index);
      first_section_.emplace(Lower(line), index);
    }
  }
}

std::vector<std::string> TQuickIni::ReadSections() const {
  std::vector<std::string> names;
  names.reserve(sections_.size());
  for (const auto& [header, index] : sections_)
    names.emplace_back(TrimView(std::string_view(header).substr(1, header.size() - 2)));
  return names;
}

void TQuickIni::ReadString(std::string_view section, std::string_view key, std::string& value,
                           const std::string& default_value) const {
  value = default_value;
  auto found = first_section_.find(Lower("[" + std::string(section) + "]"));
  if (found == first_section_.end()) return;
  const std::string wanted = Lower(key);
  for (size_t i = static_cast<size_t>(found->second) + 1; i < lines_.size(); ++i) {
    std::string_view line = lines_[i];
    if (IsHeader(line)) return;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    if (Lower(TrimView(line.substr(0, eq))) != wanted) continue;
    std::string_view v = TrimView(line.substr(eq + 1));
    if (!v.empty()) value = std::string(v);
    return;
  }
}

std::string TQuickIni::ReadString(std::string_view section, std::string_view key,
                                  const std::string& default_value) const {
  std::string value;
  ReadString(section, key, value, default_value);
  return value;
}

bool SkinTextToInt(const std::string& text, int& value) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    return vcl::TryStrToInt("$" + text.substr(2), value);
  return vcl::TryStrToInt(text, value);
}

int TQuickIni::ReadInteger(std::string_view section, std::string_view key, int default_value) const {
  std::string text = ReadString(section, key);
  int value;
  if (text.empty() || !SkinTextToInt(text, value)) return default_value;
  return value;
}

vcl::TColor TQuickIni::ReadColour(std::string_view section, std::string_view key,
                                  vcl::TColor default_value) const {
  std::string text = ReadString(section, key);
  return text.empty() ? default_value : SkinColourText(text);
}

vcl::TColor TQuickIni::ReadColourTriple(std::string_view section, std::string_view prefix,
                                        vcl::TColor default_value) const {
  const std::string p(prefix);
  int r = ReadInteger(section, p + "R", -1);
  int g = ReadInteger(section, p + "G", -1);
  int b = ReadInteger(section, p + "B", -1);
  if (r < 0 || g < 0 || b < 0) return default_value;
  return (r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16;
}

vcl::TColor SkinColourText(std::string_view text) {
  text = TrimView(text);
  constexpr uint64_t kLargest = 2147483647;
  int channels[3] = {0, 0, 0};
  int stored = 0;
  uint64_t pending = 0;
  bool digits = false;
  // A run past the largest value stays pending for good: later digits only
  // join it, so counting stops there instead of overflowing.
  bool blocked = false;
  auto store = [&] {
    if (stored < 3) channels[stored] = static_cast<int>(pending % 256);
    ++stored;
    pending = 0;
    digits = false;
  };
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      digits = true;
      if (!blocked) {
        pending = pending * 10 + static_cast<uint64_t>(c - '0');
        blocked = pending > kLargest;
      }
    } else if (digits && !blocked) {
      store();
    }
  }
  if (stored == 2 && digits && !blocked) store();
  return channels[0] | channels[1] << 8 | channels[2] << 16;
}

}  // namespace skin
