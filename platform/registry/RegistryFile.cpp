#include "platform/registry/RegistryFile.h"

#include <algorithm>
#include <cstdio>

namespace plat {

const char* const kRegistryHeader = "Quellix Registry Store 1";

namespace {

const char* const kRootNames[kRegRootCount] = {
    "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
};

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr DWORD kTypeSz = 1;
constexpr DWORD kTypeBinary = 3;
constexpr DWORD kTypeDword = 4;

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// 1 to 8 hex digits, the whole of `s`.
bool ParseHex32(std::string_view s, DWORD& out) {
  if (s.empty() || s.size() > 8) return false;
  DWORD v = 0;
  for (char c : s) {
    int d = HexDigit(c);
    if (d < 0) return false;
    v = (v << 4) | static_cast<DWORD>(d);
  }
  out = v;
  return true;
}

// A quoted name or text at the start of `s` with \" and \\ escapes; `s` is
// advanced past the closing quote.
bool ParseQuoted(std::string_view& s, std::string& out) {
  if (s.empty() || s.front() != '"') return false;
  out.clear();
  size_t i = 1;
  while (i < s.size()) {
    char c = s[i];
    if (c == '"') {
      s.remove_prefix(i + 1);
      return true;
    }
    if (c == '\\') {
      if (i + 1 >= s.size()) return false;
      char e = s[i + 1];
      if (e != '"' && e != '\\') return false;
      out.push_back(e);
      i += 2;
      continue;
    }
    out.push_back(c);
    ++i;
  }
  return false;
}

bool ParseByteList(std::string_view s, std::vector<BYTE>& out) {
  out.clear();
  s = TrimRight(TrimLeft(s));
  if (s.empty()) return true;
  size_t pos = 0;
  while (true) {
    size_t comma = s.find(',', pos);
    std::string_view tok =
        TrimRight(TrimLeft(s.substr(pos, comma == std::string_view::npos ? s.npos : comma - pos)));
    DWORD v = 0;
    if (tok.size() > 2 || !ParseHex32(tok, v)) return false;
    out.push_back(static_cast<BYTE>(v));
    if (comma == std::string_view::npos) return true;
    pos = comma + 1;
  }
}

std::string Quote(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

// Text form only where reading it back gives exactly the same bytes.
bool IsPlainText(const RegValue& v) {
  if (v.type != kTypeSz || v.data.empty() || v.data.back() != 0) return false;
  for (size_t i = 0; i + 1 < v.data.size(); ++i) {
    BYTE b = v.data[i];
    if (b == 0 || b == '\n' || b == '\r') return false;
  }
  return true;
}

void AppendHexBytes(std::string& out, const std::vector<BYTE>& data) {
  static const char kDigits[] = "0123456789abcdef";
  out.reserve(out.size() + data.size() * 3);
  for (size_t i = 0; i < data.size(); ++i) {
    if (i) out.push_back(',');
    out.push_back(kDigits[data[i] >> 4]);
    out.push_back(kDigits[data[i] & 15]);
  }
}

void FormatValue(std::string& out, const RegValue& v) {
  out += v.name.empty() ? std::string("@") : Quote(v.name);
  out.push_back('=');
  char buf[32];
  if (IsPlainText(v)) {
    out += Quote(std::string_view(reinterpret_cast<const char*>(v.data.data()), v.data.size() - 1));
  } else if (v.type == kTypeDword && v.data.size() == 4) {
    DWORD d = static_cast<DWORD>(v.data[0]) | (static_cast<DWORD>(v.data[1]) << 8) |
              (static_cast<DWORD>(v.data[2]) << 16) | (static_cast<DWORD>(v.data[3]) << 24);
    std::snprintf(buf, sizeof buf, "dword:%08x", d);
    out += buf;
  } else {
    if (v.type == kTypeBinary) {
      out += "hex:";
    } else {
      std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
      out += buf;
    }
    AppendHexBytes(out, v.data);
  }
  out.push_back('\n');
}

// Walks the tree with its own stack and one path string that grows and
// shrinks with the walk, so neither the depth nor the length of the paths
// costs stack or copies.
void FormatRoot(std::string& out, const RegKeyNode& root, std::string_view root_name) {
  struct Frame {
    const RegKeyNode* node;
    size_t next_sub;
    size_t path_size;  // the path's length without this key's part
  };
  std::string path(root_name);
  std::vector<Frame> stack;
  auto enter = [&](const RegKeyNode& node, bool is_root) {
    size_t parent_size = path.size();
    if (!is_root) {
      path += '\\';
      path += node.name;
    }
    if (!is_root || !node.values.empty()) {
      out += '[';
      out += path;
      out += "]\n";
      for (const RegValue& v : node.values) FormatValue(out, v);
      out.push_back('\n');
    }
    stack.push_back({&node, 0, parent_size});
  };
  enter(root, true);
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next_sub < top.node->subkeys.size()) {
      enter(*top.node->subkeys[top.next_sub++], false);
    } else {
      path.resize(top.path_size);
      stack.pop_back();
    }
  }
}

bool KeysEqual(const RegKeyNode& a, const RegKeyNode& b) {
  if (a.name != b.name || a.values.size() != b.values.size() || a.subkeys.size() != b.subkeys.size())
    return false;
  for (size_t i = 0; i < a.values.size(); ++i) {
    const RegValue& x = a.values[i];
    const RegValue& y = b.values[i];
    if (x.name != y.name || x.type != y.type || x.data != y.data) return false;
  }
  for (size_t i = 0; i < a.subkeys.size(); ++i)
    if (!KeysEqual(*a.subkeys[i], *b.subkeys[i])) return false;
  return true;
}

enum class LineResult { kRead, kMalformed, kTooManyValues };

// Reads one value line into `key`.
LineResult ParseValueLine(std::string_view line, RegKeyNode& key) {
  RegValue value;
  if (line.front() == '@') {
    line.remove_prefix(1);
  } else if (!ParseQuoted(line, value.name)) {
    return LineResult::kMalformed;
  }
  if (value.name.find('\n') != std::string::npos) return LineResult::kMalformed;
  line = TrimLeft(line);
  if (line.empty() || line.front() != '=') return LineResult::kMalformed;
  line = TrimLeft(line.substr(1));
  if (!line.empty() && line.front() == '"') {
    std::string text;
    if (!ParseQuoted(line, text) || !TrimLeft(line).empty()) return LineResult::kMalformed;
    value.type = kTypeSz;
    value.data.assign(text.begin(), text.end());
    value.data.push_back(0);
  } else if (line.substr(0, 6) == "dword:") {
    DWORD d = 0;
    if (!ParseHex32(line.substr(6), d)) return LineResult::kMalformed;
    value.type = kTypeDword;
    value.data = {static_cast<BYTE>(d), static_cast<BYTE>(d >> 8), static_cast<BYTE>(d >> 16),
                  static_cast<BYTE>(d >> 24)};
  } else if (line.substr(0, 4) == "hex:") {
    value.type = kTypeBinary;
    if (!ParseByteList(line.substr(4), value.data)) return LineResult::kMalformed;
  } else if (line.substr(0, 4) == "hex(") {
    size_t close = line.find("):");
    if (close == std::string_view::npos || !ParseHex32(line.substr(4, close - 4), value.type))
      return LineResult::kMalformed;
    if (!ParseByteList(line.substr(close + 2), value.data)) return LineResult::kMalformed;
  } else {
    return LineResult::kMalformed;
  }
  if (key.values.size() >= kRegMaxValuesPerKey && !key.values.Find(value.name))
    return LineResult::kTooManyValues;
  key.values.Set(std::move(value));
  return LineResult::kRead;
}

enum class SectionResult { kOpened, kMalformed, kTooDeep, kTooManySubkeys };

// Opens the key a section names, creating what is missing. Nothing is created
// for a section that goes past a limit.
SectionResult OpenSection(RegistryTree& tree, std::string_view path, RegKeyNode*& node) {
  node = nullptr;
  size_t slash = path.find('\\');
  int root = RegRootIndex(path.substr(0, slash));
  if (root < 0) return SectionResult::kMalformed;
  std::vector<std::string_view> parts;
  while (slash != std::string_view::npos) {
    size_t start = slash + 1;
    slash = path.find('\\', start);
    std::string_view part = path.substr(start, slash == std::string_view::npos ? path.npos : slash - start);
    if (part.empty()) continue;
    if (parts.size() == kRegMaxDepth) return SectionResult::kTooDeep;
    parts.push_back(part);
  }
  RegKeyNode* at = tree.roots[root].get();
  size_t i = 0;
  for (; i < parts.size(); ++i) {
    RegKeyNode* next = at->FindSubkey(parts[i]);
    if (!next) break;
    at = next;
  }
  // Below the first new key every parent is new, so only that one can be full.
  if (i < parts.size() && at->subkeys.size() >= kRegMaxSubkeysPerKey) return SectionResult::kTooManySubkeys;
  for (; i < parts.size(); ++i) at = &at->AddSubkey(parts[i]);
  node = at;
  return SectionResult::kOpened;
}

}  // namespace

bool RegNamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

bool RegNameLess(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    auto x = static_cast<unsigned char>(Lower(a[i]));
    auto y = static_cast<unsigned char>(Lower(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

RegKeyNode* RegKeyNode::FindSubkey(std::string_view key_name) const {
  auto it = std::lower_bound(
      subkeys.begin(), subkeys.end(), key_name,
      [](const std::unique_ptr<RegKeyNode>& n, std::string_view k) { return RegNameLess(n->name, k); });
  if (it != subkeys.end() && RegNamesEqual((*it)->name, key_name)) return it->get();
  return nullptr;
}

RegKeyNode& RegKeyNode::AddSubkey(std::string_view key_name, bool* created) {
  auto it = std::lower_bound(
      subkeys.begin(), subkeys.end(), key_name,
      [](const std::unique_ptr<RegKeyNode>& n, std::string_view k) { return RegNameLess(n->name, k); });
  if (it != subkeys.end() && RegNamesEqual((*it)->name, key_name)) {
    if (created) *created = false;
    return **it;
  }
  auto node = std::make_unique<RegKeyNode>();
  node->name = std::string(key_name);
  if (created) *created = true;
  return **subkeys.insert(it, std::move(node));
}

bool RegKeyNode::RemoveSubkey(std::string_view key_name) {
  for (auto it = subkeys.begin(); it != subkeys.end(); ++it) {
    if (RegNamesEqual((*it)->name, key_name)) {
      subkeys.erase(it);
      return true;
    }
  }
  return false;
}

size_t RegValueList::NameHash::operator()(std::string_view s) const {
  // FNV-1a over the lower-cased bytes, so names equal without case hash alike.
  uint64_t h = 14695981039346656037ull;
  for (char c : s) {
    h ^= static_cast<unsigned char>(Lower(c));
    h *= 1099511628211ull;
  }
  return static_cast<size_t>(h);
}

RegValue* RegValueList::Find(std::string_view name) {
  auto it = index_.find(name);
  return it == index_.end() ? nullptr : &items_[it->second];
}

const RegValue* RegValueList::Find(std::string_view name) const {
  return const_cast<RegValueList*>(this)->Find(name);
}

void RegValueList::Set(RegValue value) {
  if (RegValue* existing = Find(value.name)) {
    existing->type = value.type;
    existing->data = std::move(value.data);
    return;
  }
  index_.emplace(value.name, items_.size());
  items_.push_back(std::move(value));
}

bool RegValueList::Erase(std::string_view name) {
  auto it = index_.find(name);
  if (it == index_.end()) return false;
  size_t pos = it->second;
  index_.erase(it);
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(pos));
  for (auto& entry : index_)
    if (entry.second > pos) --entry.second;
  return true;
}

RegValue* RegKeyNode::FindValue(std::string_view value_name) { return values.Find(value_name); }

const RegValue* RegKeyNode::FindValue(std::string_view value_name) const { return values.Find(value_name); }

std::unique_ptr<RegKeyNode> RegKeyNode::Clone() const {
  auto copy = std::make_unique<RegKeyNode>();
  copy->name = name;
  copy->id = id;
  copy->last_write = last_write;
  copy->values = values;
  copy->subkeys.reserve(subkeys.size());
  for (const auto& sub : subkeys) copy->subkeys.push_back(sub->Clone());
  return copy;
}

RegistryTree::RegistryTree() {
  for (int i = 0; i < kRegRootCount; ++i) {
    roots[i] = std::make_unique<RegKeyNode>();
    roots[i]->name = kRootNames[i];
  }
}

RegistryTree RegistryTree::Clone() const {
  RegistryTree copy;
  for (int i = 0; i < kRegRootCount; ++i) copy.roots[i] = roots[i]->Clone();
  return copy;
}

const char* RegRootName(int index) { return index >= 0 && index < kRegRootCount ? kRootNames[index] : ""; }

int RegRootIndex(std::string_view name) {
  for (int i = 0; i < kRegRootCount; ++i)
    if (RegNamesEqual(name, kRootNames[i])) return i;
  return -1;
}

RegistryParseResult RegistryParseText(std::string_view text) {
  RegistryParseResult result;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);

  std::vector<std::string_view> lines;
  for (size_t pos = 0; pos <= text.size();) {
    size_t nl = text.find('\n', pos);
    if (nl == std::string_view::npos) {
      if (pos < text.size()) lines.push_back(text.substr(pos));
      break;
    }
    lines.push_back(text.substr(pos, nl - pos));
    pos = nl + 1;
  }

  bool seen_first = false;
  RegKeyNode* section = nullptr;
  size_t* refused_for = nullptr;  // the count of the limit that refused the current section
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = TrimRight(TrimLeft(lines[i]));
    if (line.empty()) continue;
    if (!seen_first) {
      seen_first = true;
      if (line == kRegistryHeader) {
        result.header_ok = true;
        continue;
      }
    }
    if (line.front() == ';') continue;
    if (line.front() == '[') {
      SectionResult opened = SectionResult::kMalformed;
      section = nullptr;
      if (line.size() >= 2 && line.back() == ']')
        opened = OpenSection(result.tree, line.substr(1, line.size() - 2), section);
      refused_for = opened == SectionResult::kTooDeep          ? &result.too_deep_lines
                    : opened == SectionResult::kTooManySubkeys ? &result.too_many_subkeys_lines
                                                               : nullptr;
      if (refused_for) ++*refused_for;
      if (!section) ++result.skipped_lines;
      continue;
    }
    if (line.front() != '"' && line.front() != '@') {
      ++result.skipped_lines;
      continue;
    }
    // A byte list may go on over lines that end in a backslash.
    std::string joined;
    size_t used = 1;
    if (line.back() == '\\' && line.find("=hex") != std::string_view::npos) {
      joined.assign(line.substr(0, line.size() - 1));
      while (i + used < lines.size()) {
        std::string_view next = TrimRight(TrimLeft(lines[i + used]));
        ++used;
        if (!next.empty() && next.back() == '\\') {
          joined.append(next.substr(0, next.size() - 1));
          continue;
        }
        joined.append(next);
        break;
      }
      line = joined;
    }
    LineResult read = section ? ParseValueLine(line, *section) : LineResult::kMalformed;
    if (read == LineResult::kTooManyValues) result.too_many_values_lines += used;
    if (!section && refused_for) *refused_for += used;
    if (read != LineResult::kRead) result.skipped_lines += used;
    i += used - 1;
  }
  return result;
}

std::string RegistryFormatText(const RegistryTree& tree) {
  std::string out = kRegistryHeader;
  out += "\n\n";
  for (int i = 0; i < kRegRootCount; ++i) FormatRoot(out, *tree.roots[i], kRootNames[i]);
  return out;
}

std::string RegistryLimitProblem(const RegistryParseResult& result) {
  std::string text;
  auto add = [&](size_t count, const std::string& what) {
    if (!count) return;
    text += text.empty() ? "not loaded: " : "; ";
    text += std::to_string(count) + " " + what;
  };
  add(result.too_deep_lines, "lines of keys nested deeper than " + std::to_string(kRegMaxDepth) + " levels");
  add(result.too_many_values_lines, "values past " + std::to_string(kRegMaxValuesPerKey) + " in one key");
  add(result.too_many_subkeys_lines,
      "lines of keys past " + std::to_string(kRegMaxSubkeysPerKey) + " subkeys of one key");
  return text;
}

bool RegistryTreesEqual(const RegistryTree& a, const RegistryTree& b) {
  for (int i = 0; i < kRegRootCount; ++i)
    if (!KeysEqual(*a.roots[i], *b.roots[i])) return false;
  return true;
}

}  // namespace plat
