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
#include <unordered_map>
#include <vector>

#include "platform/kernel/Types.h"

namespace plat {

struct RegValue {
  std::string name;  // as first written; "" is the default value
  DWORD type = 0;
  std::vector<BYTE> data;
};

// Limits no real store comes near. They keep a damaged or hostile store from
// costing unbounded stack, time or memory; what lies past them is not loaded.
constexpr size_t kRegMaxDepth = 512;  // key levels below a root
constexpr size_t kRegMaxValuesPerKey = 65536;
constexpr size_t kRegMaxSubkeysPerKey = 4096;

// ASCII letters compare without case; other bytes as they are.
bool RegNamesEqual(std::string_view a, std::string_view b);
bool RegNameLess(std::string_view a, std::string_view b);

// A key's values in the order they were first written, found by name (without
// letter case) in constant time. Names do not change once a value is in.
class RegValueList {
 public:
  size_t size() const { return items_.size(); }
  bool empty() const { return items_.empty(); }
  const RegValue& operator[](size_t i) const { return items_[i]; }
  std::vector<RegValue>::const_iterator begin() const { return items_.begin(); }
  std::vector<RegValue>::const_iterator end() const { return items_.end(); }

  RegValue* Find(std::string_view name);
  const RegValue* Find(std::string_view name) const;
  // Replaces the type and data of the value of that name, or appends it.
  void Set(RegValue value);
  bool Erase(std::string_view name);

 private:
  struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const;
  };
  struct NameEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return RegNamesEqual(a, b); }
  };
  std::vector<RegValue> items_;
  std::unordered_map<std::string, size_t, NameHash, NameEqual> index_;  // name -> position in items_
};

// One key. Subkeys are kept sorted by name without letter case.
struct RegKeyNode {
  std::string name;
  uint64_t id = 0;          // identity for open handles; 0 until the store assigns one
  uint64_t last_write = 0;  // 100 ns units since 1601, not stored in the file
  RegValueList values;
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

struct RegistryParseResult {
  RegistryTree tree;
  bool header_ok = false;    // the first non-empty line is the store's header
  size_t skipped_lines = 0;  // malformed lines and lines past a limit, all ignored
  // Lines past each limit (also counted in skipped_lines).
  size_t too_deep_lines = 0;
  size_t too_many_values_lines = 0;
  size_t too_many_subkeys_lines = 0;
};

extern const char* const kRegistryHeader;

RegistryParseResult RegistryParseText(std::string_view text);
std::string RegistryFormatText(const RegistryTree& tree);
// Says in one sentence what a read left out for going past a limit; empty
// when nothing was.
std::string RegistryLimitProblem(const RegistryParseResult& result);
// Names, types, data and order; ids and times are ignored.
bool RegistryTreesEqual(const RegistryTree& a, const RegistryTree& b);

}  // namespace plat
