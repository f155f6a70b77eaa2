#include "ResGen.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string_view>

#include "Generators.h"

namespace resgen {

namespace fs = std::filesystem;

namespace {

constexpr uint16_t kRtString = 6;
constexpr uint16_t kRtRcdata = 10;

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsIdentChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) || c == '_';
}

// "123" or "#123" within 0..65535.
bool ParseId(const std::string& text, uint16_t& id) {
  size_t start = (!text.empty() && text[0] == '#') ? 1 : 0;
  if (start == text.size() || text.size() - start > 5) return false;
  unsigned value = 0;
  for (size_t i = start; i < text.size(); ++i) {
    if (!IsDigit(text[i])) return false;
    value = value * 10 + static_cast<unsigned>(text[i] - '0');
  }
  if (value > 0xFFFF) return false;
  id = static_cast<uint16_t>(value);
  return true;
}

Key IdKey(uint16_t id) { return Key{true, id, {}}; }

// Structure only: lead bytes and their continuation bytes.
bool ValidUtf8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    auto c = static_cast<unsigned char>(s[i]);
    size_t extra = c < 0x80             ? 0
                   : (c & 0xE0) == 0xC0 ? 1
                   : (c & 0xF0) == 0xE0 ? 2
                   : (c & 0xF8) == 0xF0 ? 3
                                        : 4;
    if (extra == 4 || s.size() - i <= extra) return false;
    for (size_t k = 1; k <= extra; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += extra + 1;
  }
  return true;
}

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads one literal starting at the opening quote; `at` ends after the closing one.
std::string ReadLiteral(const std::string& line, size_t& at, const std::string& where) {
  std::string out;
  ++at;
  while (true) {
    if (at >= line.size()) throw Error(where + ": text not closed with '\"'");
    char c = line[at++];
    if (c == '"') return out;
    if (c != '\\') {
      out += c;
      continue;
    }
    if (at >= line.size()) throw Error(where + ": escape at the end of the line");
    char e = line[at++];
    switch (e) {
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case 'r':
        out += '\r';
        break;
      case 'a':
        out += '\a';
        break;
      case 'b':
        out += '\b';
        break;
      case 'f':
        out += '\f';
        break;
      case 'v':
        out += '\v';
        break;
      case '\\':
        out += '\\';
        break;
      case '"':
        out += '"';
        break;
      case '\'':
        out += '\'';
        break;
      case '?':
        out += '?';
        break;
      case 'x': {
        int value = 0, digits = 0;
        while (digits < 2 && at < line.size() && HexValue(line[at]) >= 0)
          value = value * 16 + HexValue(line[at++]), ++digits;
        if (digits == 0) throw Error(where + ": \\x without hex digits");
        out += static_cast<char>(value);
        break;
      }
      default:
        if (e >= '0' && e <= '7') {
          int value = e - '0', digits = 1;
          while (digits < 3 && at < line.size() && line[at] >= '0' && line[at] <= '7')
            value = value * 8 + (line[at++] - '0'), ++digits;
          if (value > 0xFF) throw Error(where + ": octal escape above \\377");
          out += static_cast<char>(value);
          break;
        }
        throw Error(where + ": unknown escape \\" + std::string(1, e));
    }
  }
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Error(path.string() + ": cannot read");
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool Skipped(const fs::path& path) {
  std::string base = path.filename().string();
  return base.empty() || base[0] == '.' || base.back() == '~';
}

std::vector<fs::path> FilesOf(const fs::path& folder) {
  std::vector<fs::path> files;
  for (const auto& item : fs::directory_iterator(folder)) {
    if (Skipped(item.path())) continue;
    if (!item.is_regular_file())
      throw Error(item.path().string() + ": only files belong in a resource type folder");
    files.push_back(item.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string CString(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (IsIdentChar(static_cast<char>(c)) || c == ' ' || c == '-' || c == '.') {
      out += static_cast<char>(c);
    } else {
      char octal[8];
      std::snprintf(octal, sizeof octal, "\\%03o", c);
      out += octal;
    }
  }
  return out + "\"";
}

std::string KeyInitializer(const Key& key) {
  return key.is_id ? "{" + std::to_string(key.id) + ", nullptr}" : "{0, " + CString(key.name) + "}";
}

}  // namespace

Key TypeKey(const std::string& text) {
  static const std::map<std::string, uint16_t> known = {
      {"CURSOR", 1},        {"BITMAP", 2},        {"ICON", 3},        {"MENU", 4},        {"DIALOG", 5},
      {"STRING", 6},        {"FONTDIR", 7},       {"FONT", 8},        {"ACCELERATOR", 9}, {"RCDATA", 10},
      {"MESSAGETABLE", 11}, {"GROUP_CURSOR", 12}, {"GROUP_ICON", 14}, {"VERSION", 16},
  };
  std::string upper = Upper(text);
  if (auto it = known.find(upper); it != known.end()) return IdKey(it->second);
  return NameKey(text);
}

Key NameKey(const std::string& text) {
  if (text.empty()) throw Error("empty resource name");
  uint16_t id = 0;
  if (ParseId(text, id)) return IdKey(id);
  return Key{false, 0, Upper(text)};
}

std::string KeyText(const Key& key) { return key.is_id ? "#" + std::to_string(key.id) : key.name; }

std::map<uint16_t, std::string> ParseStringTable(const std::string& text, const std::string& origin) {
  std::map<uint16_t, std::string> strings;
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    const std::string where = origin + ":" + std::to_string(number);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t at = line.find_first_not_of(" \t");
    if (number == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) at = line.find_first_not_of(" \t", 3);
    if (at == std::string::npos || line[at] == '#' || line.compare(at, 2, "//") == 0) continue;
    size_t id_end = at;
    while (id_end < line.size() && IsDigit(line[id_end])) ++id_end;
    uint16_t id = 0;
    if (!ParseId(line.substr(at, id_end - at), id))
      throw Error(where + ": expected a string number from 0 to 65535");
    at = id_end;
    std::string value;
    bool any = false;
    if (at < line.size() && line[at] != ' ' && line[at] != '\t')
      throw Error(where + ": expected a blank after the number");
    while (true) {
      size_t next = line.find_first_not_of(" \t", at);
      if (next == std::string::npos || (any && line.compare(next, 2, "//") == 0)) break;
      if (line[next] != '"') throw Error(where + ": expected a quoted text after the number");
      at = next;
      value += ReadLiteral(line, at, where);
      any = true;
    }
    if (!any) throw Error(where + ": expected a quoted text after the number");
    if (!ValidUtf8(value)) throw Error(where + ": the text is not valid UTF-8");
    if (value.size() > 0xFFFF) throw Error(where + ": the text is longer than 65535 bytes");
    if (!strings.emplace(id, std::move(value)).second)
      throw Error(where + ": string " + std::to_string(id) + " is defined twice");
  }
  return strings;
}

std::vector<Resource> StringBlocks(const std::map<uint16_t, std::string>& strings) {
  std::map<unsigned, std::vector<const std::string*>> blocks;
  for (const auto& [id, text] : strings) {
    auto& slots = blocks[id / 16u + 1];
    slots.resize(16, nullptr);
    slots[id % 16] = &text;
  }
  std::vector<Resource> out;
  for (const auto& [block, slots] : blocks) {
    Resource resource;
    resource.type = IdKey(kRtString);
    resource.name = IdKey(static_cast<uint16_t>(block));
    resource.origin = "string table block " + std::to_string(block);
    for (const std::string* text : slots) {
      size_t length = text ? text->size() : 0;
      resource.data.push_back(static_cast<uint8_t>(length & 0xFF));
      resource.data.push_back(static_cast<uint8_t>(length >> 8));
      if (text) resource.data.insert(resource.data.end(), text->begin(), text->end());
    }
    out.push_back(std::move(resource));
  }
  return out;
}

std::string FormClassName(const std::string& description, const std::string& origin) {
  // The binary form: "TPF0", then the class name as a counted string.
  if (description.compare(0, 4, "TPF0") == 0) {
    if (description.size() < 5) throw Error(origin + ": truncated binary form");
    size_t length = static_cast<unsigned char>(description[4]);
    if (length == 0 || description.size() < 5 + length) throw Error(origin + ": truncated binary form");
    return Upper(description.substr(5, length));
  }
  // Text: "object|inherited|inline Name: TClass" as the first statement.
  size_t at = description.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  auto skip_blanks = [&] {
    while (at < description.size() && std::isspace(static_cast<unsigned char>(description[at]))) ++at;
  };
  auto word = [&] {
    skip_blanks();
    size_t start = at;
    while (at < description.size() && IsIdentChar(description[at])) ++at;
    return description.substr(start, at - start);
  };
  std::string keyword = Upper(word());
  if (keyword != "OBJECT" && keyword != "INHERITED" && keyword != "INLINE")
    throw Error(origin + ": a form description starts with 'object', 'inherited' or 'inline'");
  std::string first = word();
  skip_blanks();
  std::string class_name = first;  // an unnamed root gives only its class
  if (at < description.size() && description[at] == ':') {
    ++at;
    class_name = word();
  }
  if (class_name.empty()) throw Error(origin + ": the form's class name is missing");
  return Upper(class_name);
}

std::string SpliceFiles(const std::string& description, const fs::path& files, const std::string& origin) {
  static constexpr std::string_view kMark = "{@file:";
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  size_t from = 0;
  for (size_t at; (at = description.find(kMark, from)) != std::string::npos;) {
    const size_t end = description.find('}', at);
    const size_t line_end = description.find('\n', at);
    if (end == std::string::npos || end > line_end)
      throw Error(origin + ": '}' expected after " + std::string(kMark));
    const std::string name = description.substr(at + kMark.size(), end - at - kMark.size());
    if (name.empty()) throw Error(origin + ": file name expected after " + std::string(kMark));
    if (files.empty()) throw Error(origin + ": " + name + " needs the folder of spliced files");
    const std::string bytes = ReadFile(files / name);
    if (bytes.size() > UINT32_MAX) throw Error((files / name).string() + ": too large to splice");
    std::string block;
    const auto size = static_cast<uint32_t>(bytes.size());
    for (int shift = 0; shift < 32; shift += 8) block.push_back(static_cast<char>((size >> shift) & 0xFF));
    block += bytes;
    out.append(description, from, at - from);
    out += '{';
    for (size_t i = 0; i < block.size(); ++i) {
      if (i % 32 == 0) out += "\n      ";
      const auto byte = static_cast<uint8_t>(block[i]);
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    }
    out += '}';
    from = end + 1;
  }
  out.append(description, from, std::string::npos);
  return out;
}

std::vector<Resource> Collect(const fs::path& folder, bool drawn, const fs::path& files) {
  if (!fs::is_directory(folder)) throw Error(folder.string() + ": not a folder");
  std::vector<Resource> resources;
  std::map<uint16_t, std::string> strings;
  std::map<uint16_t, std::string> string_origin;

  std::vector<fs::path> subfolders;
  for (const auto& item : fs::directory_iterator(folder))
    if (item.is_directory() && !Skipped(item.path())) subfolders.push_back(item.path());
  std::sort(subfolders.begin(), subfolders.end());

  for (const fs::path& sub : subfolders) {
    const std::string kind = sub.filename().string();
    for (const fs::path& file : FilesOf(sub)) {
      const std::string origin = file.string();
      if (kind == "strings") {
        for (auto& [id, text] : ParseStringTable(ReadFile(file), origin)) {
          if (!strings.emplace(id, text).second)
            throw Error(origin + ": string " + std::to_string(id) + " is also defined in " +
                        string_origin[id]);
          string_origin[id] = origin;
        }
        continue;
      }
      Resource resource;
      resource.origin = origin;
      std::string content = ReadFile(file);
      if (kind == "forms") {
        resource.type = IdKey(kRtRcdata);
        resource.name = NameKey(FormClassName(content, origin));
        if (content.rfind("TPF0", 0) != 0) content = SpliceFiles(content, files, origin);
      } else {
        resource.type = TypeKey(kind);
        resource.name = NameKey(file.stem().string());
      }
      resource.data.assign(content.begin(), content.end());
      resources.push_back(std::move(resource));
    }
  }
  for (Resource& block : StringBlocks(strings)) resources.push_back(std::move(block));
  for (const Generator& generator : drawn ? Generators() : std::span<const Generator>()) {
    Resource resource;
    resource.type = TypeKey(generator.type);
    resource.name = NameKey(generator.name);
    resource.data = generator.draw();
    resource.origin = std::string("generator ") + generator.type + "/" + generator.name;
    resources.push_back(std::move(resource));
  }

  std::stable_sort(resources.begin(), resources.end(), [](const Resource& a, const Resource& b) {
    return a.type == b.type ? a.name < b.name : a.type < b.type;
  });
  for (size_t i = 1; i < resources.size(); ++i) {
    const Resource& a = resources[i - 1];
    const Resource& b = resources[i];
    if (a.type == b.type && a.name == b.name)
      throw Error(a.origin + " and " + b.origin + " both give resource " + KeyText(a.type) + " " +
                  KeyText(a.name));
  }
  return resources;
}

std::string Emit(const std::vector<Resource>& resources, const std::string& name) {
  std::ostringstream out;
  out << "// Made by resgen from the resource folder; edit the resources, not this file.\n"
         "#include \"platform/kernel/Modules.h\"\n"
         "#include \"platform/kernel/Resources.h\"\n\n"
         "namespace {\n\n";
  for (size_t i = 0; i < resources.size(); ++i) {
    // A zero after the bytes lets text resources be read as C strings; aligned for headers.
    std::string label = KeyText(resources[i].type) + " " + KeyText(resources[i].name);
    for (char& c : label)
      if (static_cast<unsigned char>(c) < 0x20 || c == '\\') c = '?';
    out << "// " << label << "\n";
    out << "alignas(16) const plat::BYTE kData" << i << "[] = {";
    size_t column = 0;
    for (uint8_t byte : resources[i].data) {
      if (column++ % 24 == 0) out << "\n";
      out << static_cast<unsigned>(byte) << ",";
    }
    out << "0};\n";
  }
  if (resources.empty()) {
    out << "const plat::ResourceTable kTable = {nullptr, 0};\n";
  } else {
    out << "\nconst plat::ResourceEntry kEntries[] = {\n";
    for (size_t i = 0; i < resources.size(); ++i)
      out << "    {" << KeyInitializer(resources[i].type) << ", " << KeyInitializer(resources[i].name)
          << ", kData" << i << ", " << resources[i].data.size() << "},\n";
    out << "};\n\nconst plat::ResourceTable kTable = {kEntries, " << resources.size() << "};\n";
  }
  out << "\n}  // namespace\n\n"
      << "const plat::ResourceTable& " << name << "ResourceTable() { return kTable; }\n\n"
      << "void Register" << name
      << "Resources() { plat::RegisterResourceTable(plat::GetModuleHandleA(nullptr), kTable); }\n";
  return out.str();
}

std::string Listing(const std::vector<Resource>& resources) {
  std::string out;
  for (const Resource& r : resources)
    out += KeyText(r.type) + " " + KeyText(r.name) + " " + std::to_string(r.data.size()) + "\n";
  return out;
}

}  // namespace resgen
