#pragma once
// The registry's in-memory tree and its text form: a header line, then one
// `[ROOT\Key\Sub]` section per key with its values, in the style of a
// registry export. Parsing and formatting are pure; the store does the I/O.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/kernel/Types.h"

namespace plat {

struct RegValue {
  std::string name;  // as first written; "" is the default value
  DWORD type = 0;
  std::vector<BYTE> data;
};

// One key. Subkeys are kept sorted by name without letter case, values in the
// order they were first written.
struct RegKeyNode {
  std::string name;
  uint64_t id = 0;          // identity for open handles; 0 until the store assigns one
  uint64_t last_write = 0;  // 100 ns units since 1601, not stored in the file
  std::vector<RegValue> values;
  std::vector<std::unique_ptr<RegKeyNode>> subkeys;

  RegKeyNode* FindSubkey(std::string_view key_name) const;
  // Returns the existing subkey of that name or a new one.
  RegKeyNode& AddSubkey(std::string_view key_name, bool* created = nullptr);
  bool RemoveSubkey(std::string_view key_name);
  RegValue* FindValue(std::string_view value_name);
  const RegValue* FindValue(std::string_view value_name) const;
  std::unique_ptr<RegKeyNode> Clone() const;
};

constexpr int kRegRootCount = 7;

// The predefined roots, index 0 = HKEY_CLASSES_ROOT (0x80000000) upwards.
struct RegistryTree {
  std::array<std::unique_ptr<RegKeyNode>, kRegRootCount> roots;

  RegistryTree();
  RegistryTree Clone() const;
};

const char* RegRootName(int index);
int RegRootIndex(std::string_view name);  // -1 when it is not a root name

// ASCII letters compare without case; other bytes as they are.
bool RegNamesEqual(std::string_view a, std::string_view b);
bool RegNameLess(std::string_view a, std::string_view b);

struct RegistryParseResult {
  RegistryTree tree;
  bool header_ok = false;    // the first non-empty line is the store's header
  size_t skipped_lines = 0;  // malformed lines that were ignored
};

extern const char* const kRegistryHeader;

RegistryParseResult RegistryParseText(std::string_view text);
std::string RegistryFormatText(const RegistryTree& tree);
// Names, types, data and order; ids and times are ignored.
bool RegistryTreesEqual(const RegistryTree& a, const RegistryTree& b);

}  // namespace plat
