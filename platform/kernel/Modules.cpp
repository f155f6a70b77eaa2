#include "platform/kernel/Modules.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/kernel/Errors.h"
#include "platform/kernel/Files.h"

namespace plat {

namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
  return s;
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// The key a built-in module is known by: lower case, no folder, no ".dll".
std::string BuiltinKey(std::string name) {
  std::replace(name.begin(), name.end(), '\\', '/');
  name = Lower(name.substr(name.find_last_of('/') + 1));
  if (EndsWith(name, ".dll")) name.resize(name.size() - 4);
  return name;
}

enum class Kind { kProgram, kBuiltin, kShared };

struct Module {
  Kind kind = Kind::kShared;
  std::string key;   // built-in key or full file path
  std::string path;  // what GetModuleFileNameA reports
  void* library = nullptr;
  std::shared_ptr<const ModuleExports> exports;
  int references = 0;
  bool resident = false;
};

class ModuleTable {
 public:
  ModuleTable() {
    Module program;
    program.kind = Kind::kProgram;
    program.key = "\x01program";
    program.library = dlopen(nullptr, RTLD_NOW);
    program.resident = true;
    program_ = Add(std::move(program));

    builtins_["kernel32"] = std::make_shared<const ModuleExports>(ModuleExports{
        {"GetDiskFreeSpaceExA", reinterpret_cast<FARPROC>(&plat::GetDiskFreeSpaceExA)},
        {"GetDiskFreeSpaceA", reinterpret_cast<FARPROC>(&plat::GetDiskFreeSpaceA)},
    });
    Module kernel;
    kernel.kind = Kind::kBuiltin;
    kernel.key = "kernel32";
    kernel.path = GetProgramFolder() + "kernel32.dll";
    kernel.exports = builtins_["kernel32"];
    kernel.resident = true;
    Add(std::move(kernel));
  }

  // Dynamic loading runs module constructors, which may load modules in turn.
  std::recursive_mutex mutex;
  // Shared, so a loaded module keeps the exports it was loaded with.
  std::map<std::string, std::shared_ptr<const ModuleExports>> builtins_;
  std::map<uintptr_t, Module> modules_;
  uintptr_t program_ = 0;
  uintptr_t next_id_ = 1;

  uintptr_t Add(Module module) {
    // Numbered in their own range, above the null page, never reused.
    uintptr_t handle = 0x400000 + (next_id_++ << 4);
    module.references = 1;
    modules_.emplace(handle, std::move(module));
    return handle;
  }

  Module* Find(HMODULE handle) {
    auto it = modules_.find(handle ? reinterpret_cast<uintptr_t>(handle) : program_);
    return it == modules_.end() ? nullptr : &it->second;
  }

  std::optional<uintptr_t> FindByKey(const std::string& key) {
    for (auto& [handle, module] : modules_)
      if (module.key == key) return handle;
    return std::nullopt;
  }
};

ModuleTable& Table() {
  static ModuleTable table;
  return table;
}

// The file a shared module is loaded from: lower case name, ".dll" -> ".so",
// in the program folder unless the caller gave a folder.
std::string SharedPath(const std::string& file_name) {
  std::string name = file_name;
  std::replace(name.begin(), name.end(), '\\', '/');
  auto slash = name.find_last_of('/');
  std::string folder =
      slash == std::string::npos ? GetProgramFolder() : ResolvePath(name.substr(0, slash + 1));
  if (!folder.empty() && folder.back() != '/') folder += '/';
  std::string base = Lower(name.substr(slash == std::string::npos ? 0 : slash + 1));
  if (EndsWith(base, ".dll"))
    base.replace(base.size() - 4, 4, ".so");
  else if (base.find('.') == std::string::npos)
    base += ".so";
  return folder + base;
}

HMODULE AsHandle(uintptr_t value) { return reinterpret_cast<HMODULE>(value); }

}  // namespace

void RegisterBuiltinModule(const std::string& name, ModuleExports exports) {
  ModuleTable& table = Table();
  std::lock_guard lock(table.mutex);
  table.builtins_[BuiltinKey(name)] = std::make_shared<const ModuleExports>(std::move(exports));
}

HMODULE LoadLibraryA(const char* file_name) {
  if (!file_name || !*file_name) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  ModuleTable& table = Table();
  std::lock_guard lock(table.mutex);
  std::string key = BuiltinKey(file_name);
  auto builtin = table.builtins_.find(key);
  if (builtin == table.builtins_.end()) {
    key = SharedPath(file_name);
  }
  if (auto loaded = table.FindByKey(key)) {
    ++table.modules_[*loaded].references;
    return AsHandle(*loaded);
  }
  Module module;
  module.key = key;
  if (builtin != table.builtins_.end()) {
    module.kind = Kind::kBuiltin;
    module.exports = builtin->second;
    module.path = GetProgramFolder() + key + ".dll";
  } else {
    module.kind = Kind::kShared;
    module.path = key;
    module.library = dlopen(key.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module.library) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return nullptr;
    }
    // A constructor of the library may itself have loaded it.
    if (auto loaded = table.FindByKey(key)) {
      dlclose(module.library);
      ++table.modules_[*loaded].references;
      return AsHandle(*loaded);
    }
  }
  return AsHandle(table.Add(std::move(module)));
}

FARPROC GetProcAddress(HMODULE module, const char* proc_name) {
  // Ordinals (values below 64 Ki in the name's place) are not offered.
  if (!proc_name || reinterpret_cast<uintptr_t>(proc_name) < 0x10000) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  ModuleTable& table = Table();
  std::lock_guard lock(table.mutex);
  Module* m = table.Find(module);
  if (!m) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  FARPROC proc = nullptr;
  if (m->kind == Kind::kBuiltin) {
    for (const auto& [name, entry] : *m->exports)
      if (name == proc_name) proc = entry;
  } else if (m->library) {
    proc = reinterpret_cast<FARPROC>(dlsym(m->library, proc_name));
  }
  if (!proc) SetLastError(ERROR_PROC_NOT_FOUND);
  return proc;
}

BOOL FreeLibrary(HMODULE module) {
  ModuleTable& table = Table();
  std::lock_guard lock(table.mutex);
  Module* m = module ? table.Find(module) : nullptr;
  if (!m) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (m->resident || --m->references > 0) return TRUE;
  void* library = m->library;
  table.modules_.erase(reinterpret_cast<uintptr_t>(module));
  // After the entry is gone, so a destructor that loads modules sees a consistent table.
  if (library) dlclose(library);
  return TRUE;
}

HMODULE GetModuleHandleA(const char* name) {
  ModuleTable& table = Table();
  std::lock_guard lock(table.mutex);
  if (!name) return AsHandle(table.program_);
  if (*name) {
    std::string key = BuiltinKey(name);
    if (table.builtins_.count(key) == 0) key = SharedPath(name);
    if (auto loaded = table.FindByKey(key)) return AsHandle(*loaded);
  }
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

DWORD GetModuleFileNameA(HMODULE module, char* out, DWORD size) {
  std::string path;
  {
    ModuleTable& table = Table();
    std::lock_guard lock(table.mutex);
    Module* m = table.Find(module);
    if (!m) {
      SetLastError(ERROR_INVALID_HANDLE);
      return 0;
    }
    path = m->path;
  }
  if (path.empty()) {
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n > 0) path.assign(buffer, static_cast<size_t>(n));
  }
  if (!out || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (path.size() >= size) {
    std::memcpy(out, path.data(), size - 1);
    out[size - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::memcpy(out, path.c_str(), path.size() + 1);
  return static_cast<DWORD>(path.size());
}

}  // namespace plat
