#include "platform/kernel/Resources.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/kernel/Errors.h"
#include "platform/kernel/Modules.h"

namespace plat {

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// A caller's type or name: an integer id, or a text in upper case. "#123" is the id 123.
struct Wanted {
  std::optional<WORD> id;
  std::string name;
};

std::optional<Wanted> Parse(const char* key) {
  if (!key) return std::nullopt;
  Wanted wanted;
  if (IS_INTRESOURCE(key)) {
    wanted.id = static_cast<WORD>(reinterpret_cast<uintptr_t>(key));
    return wanted;
  }
  if (key[0] == '#' && key[1]) {
    unsigned long value = 0;
    const char* p = key + 1;
    for (; *p >= '0' && *p <= '9' && value <= 0xFFFF; ++p)
      value = value * 10 + static_cast<unsigned long>(*p - '0');
    if (!*p && value <= 0xFFFF) {
      wanted.id = static_cast<WORD>(value);
      return wanted;
    }
  }
  for (const char* p = key; *p; ++p) wanted.name += Upper(*p);
  return wanted;
}

bool Matches(const ResourceKey& key, const Wanted& wanted) {
  if (wanted.id) return !key.name && key.id == *wanted.id;
  if (!key.name) return false;
  // Tables hold upper case, but a hand-written test table may not.
  const char* p = key.name;
  for (char c : wanted.name)
    if (Upper(*p++) != c) return false;
  return *p == '\0';
}

class Registry {
 public:
  std::mutex mutex;
  // Per module, newest first.
  std::map<HMODULE, std::vector<const ResourceTable*>> tables;

  bool Knows(HMODULE module, const ResourceEntry* entry) {
    auto it = tables.find(module);
    if (it == tables.end()) return false;
    for (const ResourceTable* table : it->second)
      if (entry >= table->entries && entry < table->entries + table->count) return true;
    return false;
  }
};

Registry& Resources() {
  static Registry registry;
  return registry;
}

HMODULE Resolve(HMODULE module) { return module ? module : GetModuleHandleA(nullptr); }

const BYTE kEmpty[1] = {0};

}  // namespace

void RegisterResourceTable(HMODULE module, const ResourceTable& table) {
  module = Resolve(module);
  Registry& registry = Resources();
  std::lock_guard lock(registry.mutex);
  auto& list = registry.tables[module];
  if (std::find(list.begin(), list.end(), &table) == list.end()) list.insert(list.begin(), &table);
}

void UnregisterResourceTable(HMODULE module, const ResourceTable& table) {
  module = Resolve(module);
  Registry& registry = Resources();
  std::lock_guard lock(registry.mutex);
  auto it = registry.tables.find(module);
  if (it == registry.tables.end()) return;
  std::erase(it->second, &table);
  if (it->second.empty()) registry.tables.erase(it);
}

HRSRC FindResourceA(HMODULE module, const char* name, const char* type) {
  auto wanted_name = Parse(name);
  auto wanted_type = Parse(type);
  if (!wanted_name || !wanted_type) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  module = Resolve(module);
  Registry& registry = Resources();
  std::lock_guard lock(registry.mutex);
  bool type_seen = false;
  auto it = registry.tables.find(module);
  if (it != registry.tables.end()) {
    for (const ResourceTable* table : it->second) {
      for (size_t i = 0; i < table->count; ++i) {
        const ResourceEntry& entry = table->entries[i];
        if (!Matches(entry.type, *wanted_type)) continue;
        type_seen = true;
        if (Matches(entry.name, *wanted_name))
          return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(&entry));
      }
    }
  }
  SetLastError(type_seen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
  return nullptr;
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
  const auto* entry = reinterpret_cast<const ResourceEntry*>(resource);
  module = Resolve(module);
  Registry& registry = Resources();
  std::lock_guard lock(registry.mutex);
  if (!entry || !registry.Knows(module, entry)) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  // The linked bytes are the loaded resource; an empty one still needs a non-null handle.
  return const_cast<BYTE*>(entry->data ? entry->data : kEmpty);
}

void* LockResource(HGLOBAL loaded) { return loaded; }

DWORD SizeofResource(HMODULE module, HRSRC resource) {
  const auto* entry = reinterpret_cast<const ResourceEntry*>(resource);
  module = Resolve(module);
  Registry& registry = Resources();
  std::lock_guard lock(registry.mutex);
  if (!entry || !registry.Knows(module, entry)) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return 0;
  }
  return entry->size;
}

BOOL FreeResource(HGLOBAL) { return FALSE; }

int LoadStringA(HINSTANCE instance, UINT id, char* buffer, int size) {
  if (!buffer || size <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  buffer[0] = '\0';
  if (id > 0xFFFF) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return 0;
  }
  HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(static_cast<WORD>((id >> 4) + 1)), RT_STRING);
  if (!found) return 0;
  const auto* block = static_cast<const BYTE*>(LockResource(LoadResource(instance, found)));
  const DWORD block_size = SizeofResource(instance, found);
  if (!block) return 0;
  // Walk to the string's slot; a short or malformed block means the string is missing.
  DWORD at = 0;
  for (UINT slot = 0;; ++slot) {
    if (at + 2 > block_size) {
      SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
      return 0;
    }
    const DWORD length = block[at] | (static_cast<DWORD>(block[at + 1]) << 8);
    at += 2;
    if (at + length > block_size) {
      SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
      return 0;
    }
    if (slot == (id & 15)) {
      DWORD count = std::min<DWORD>(length, static_cast<DWORD>(size - 1));
      // Cut before a character that would not fit whole.
      if (count < length)
        while (count > 0 && (block[at + count] & 0xC0) == 0x80) --count;
      std::memcpy(buffer, block + at, count);
      buffer[count] = '\0';
      return static_cast<int>(count);
    }
    at += length;
  }
}

}  // namespace plat
