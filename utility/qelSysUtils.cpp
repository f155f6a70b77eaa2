#include "utility/qelSysUtils.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "platform/kernel/Errors.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/Modules.h"
#include "platform/kernel/Sync.h"
#include "platform/kernel/SystemInfo.h"
#include "platform/shell/Autostart.h"
#include "platform/user/Input.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/SysUtils.h"
#include "utility/qelConsts.h"

namespace utility {

int MinInt(int a, int b) { return a < b ? a : b; }

vcl::TShiftState CurrentShiftState() {
  vcl::TShiftState state;
  if (plat::GetKeyState(plat::VK_SHIFT) < 0) state.Include(vcl::ssShift);
  if (plat::GetKeyState(plat::VK_MENU) < 0) state.Include(vcl::ssAlt);
  if (plat::GetKeyState(plat::VK_CONTROL) < 0) state.Include(vcl::ssCtrl);
  return state;
}

int PosFrom(std::string_view sub_str, std::string_view s, int start) {
  if (sub_str.empty() || s.empty() || sub_str.size() > s.size()) return 0;
  size_t from = static_cast<size_t>(std::max(start, 1) - 1);
  if (from >= s.size()) return 0;
  size_t at = s.find(sub_str, from);
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

int BackPosFrom(std::string_view sub_str, std::string_view s, int start) {
  if (sub_str.empty() || s.empty() || sub_str.size() > s.size()) return 0;
  int last = std::min(start, static_cast<int>(s.size())) - static_cast<int>(sub_str.size()) + 1;
  for (int pos = last; pos >= 1; --pos)
    if (s.substr(static_cast<size_t>(pos - 1), sub_str.size()) == sub_str) return pos;
  return 0;
}

int BackPos(std::string_view sub_str, std::string_view s) {
  return BackPosFrom(sub_str, s, static_cast<int>(s.size()));
}

void ReplaceAt(std::string& s, int index, std::string_view old_text, std::string_view new_text) {
  if (index < 1 || static_cast<size_t>(index) > s.size() + 1) return;
  s.replace(static_cast<size_t>(index - 1), old_text.size(), new_text);
}

void ReplaceAll(std::string& s, std::string_view old_text, std::string_view new_text) {
  if (old_text.empty()) return;
  size_t at = s.find(old_text);
  while (at != std::string::npos) {
    s.replace(at, old_text.size(), new_text);
    at = s.find(old_text, at + new_text.size());
  }
}

void ReplaceChar(std::string& s, char old_char, char new_char) {
  std::replace(s.begin(), s.end(), old_char, new_char);
}

void TextToStrings(std::string_view text, std::string_view separator, vcl::TStrings& strings) {
  if (text.empty()) return;
  if (separator.empty()) {
    strings.Add(std::string(text));
    return;
  }
  size_t from = 0;
  while (true) {
    size_t at = text.find(separator, from);
    if (at == std::string_view::npos) {
      // A separator at the very end closes the last line; it opens no new one.
      if (from < text.size()) strings.Add(std::string(text.substr(from)));
      return;
    }
    strings.Add(std::string(text.substr(from, at - from)));
    from = at + separator.size();
  }
}

bool CanCreateFile(const std::string& name) {
  if (name.empty()) return false;
  std::string path = plat::ResolvePath(name);
  std::error_code error;
  if (std::filesystem::is_regular_file(path, error)) return true;
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(path.c_str());
  return true;
}

namespace {
bool IsDelimiter(char c) { return c == '\\' || c == '/' || c == ':'; }

size_t NamePartStart(const std::string& path) {
  for (size_t i = path.size(); i > 0; --i)
    if (IsDelimiter(path[i - 1])) return i;
  return 0;
}

// The extension of a name part, with its dot; empty when there is none.
std::string ExtensionOf(const std::string& name) {
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

bool HasWildcards(const std::string& text) { return text.find_first_of("*?") != std::string::npos; }
}  // namespace

std::string IncludeBackslash(const std::string& path) {
  // A folder already ending in a delimiter of either kind gets none added.
  if (!path.empty() && (path.back() == '\\' || path.back() == '/')) return path;
  return path + '\\';
}

std::string RemoveDoubleBackslashes(const std::string& path) {
  std::string out;
  size_t i = 0;
  if (path.rfind("\\\\", 0) == 0) {
    out = "\\\\";
    i = 2;
  }
  while (i < path.size()) {
    out += path[i];
    i += (path[i] == '\\' && i + 1 < path.size() && path[i + 1] == '\\') ? 2 : 1;
  }
  return out;
}

std::string ExtractNamePart(const std::string& path) { return path.substr(NamePartStart(path)); }

std::string ExtractPathPart(const std::string& path) { return path.substr(0, NamePartStart(path)); }

std::string ExtractBareName(const std::string& path) {
  std::string name = ExtractNamePart(path);
  return name.substr(0, name.size() - ExtensionOf(name).size());
}

std::string ApplyFileMask(const std::string& source, const std::string& mask) {
  if (vcl::Trim(mask).empty()) return source;
  std::string result = ExtractPathPart(mask);
  if (result.empty()) result = ExtractPathPart(source);
  std::string mask_name = ExtractBareName(mask);
  result += (!mask_name.empty() && !HasWildcards(mask_name)) ? mask_name : ExtractBareName(source);
  std::string mask_ext = ExtensionOf(ExtractNamePart(mask));
  result += (!mask_ext.empty() && !HasWildcards(mask_ext)) ? mask_ext : ExtensionOf(ExtractNamePart(source));
  return result;
}

std::string ExpandRelativePath(const std::string& base, const std::string& path) {
  bool has_drive = path.size() >= 2 && path[1] == ':';
  bool absolute = !path.empty() && path[0] == '/';
  bool network = path.rfind("\\\\", 0) == 0;
  if (has_drive || absolute || network) return path;
  return RemoveDoubleBackslashes(IncludeBackslash(base) + path);
}

std::string SystemDirectory() { return ProgramPath(); }

namespace {
// The write's result; a key that cannot be made raises.
plat::LONG WriteString(plat::HKEY root, const std::string& key, const std::string& name,
                       const std::string& value) {
  plat::HKEY handle = nullptr;
  if (plat::RegCreateKeyExA(root, key.c_str(), 0, nullptr, plat::REG_OPTION_NON_VOLATILE, plat::KEY_WRITE,
                            nullptr, &handle, nullptr) != plat::ERROR_SUCCESS)
    throw EqelRegistry(vcl::Format(SqelCannotOpenKey, {key}));
  plat::DWORD type = value.find('%') != std::string::npos ? plat::REG_EXPAND_SZ : plat::REG_SZ;
  plat::LONG result =
      plat::RegSetValueExA(handle, name.c_str(), 0, type, reinterpret_cast<const plat::BYTE*>(value.c_str()),
                           static_cast<plat::DWORD>(value.size() + 1));
  plat::RegCloseKey(handle);
  return result;
}
}  // namespace

void WriteRegistryString(plat::HKEY root, const std::string& key, const std::string& name,
                         const std::string& value) {
  WriteString(root, key, name, value);
}

void GetAutoRunKey(TqelAutoExecKind kind, plat::HKEY& root, std::string& key) {
  static const char* const kSuffix[] = {"Run", "RunOnce", "Run", "RunOnce", "RunServices", "RunServicesOnce"};
  root = (kind == aekUserRun || kind == aekUserRunOnce) ? plat::HKEY_CURRENT_USER : plat::HKEY_LOCAL_MACHINE;
  key = std::string("Software\\Microsoft\\Windows\\CurrentVersion\\") + kSuffix[kind];
}

namespace {
bool IsServiceKind(TqelAutoExecKind kind) { return kind == aekServiceRun || kind == aekServiceRunOnce; }
}  // namespace

namespace {
plat::AutostartScope ScopeOf(TqelAutoExecKind kind) {
  return kind == aekUserRun || kind == aekUserRunOnce ? plat::AutostartScope::user
                                                      : plat::AutostartScope::machine;
}
}  // namespace

// The entries are desktop autostart files: the user's folder for the user
// kinds, the machine's for the others.
bool AddToAutoRun(TqelAutoExecKind kind, const std::string& file_name) {
  if (IsServiceKind(kind) && VersionFlags().RunningWinNT) return false;
  bool run_once = kind == aekMachineRunOnce || kind == aekUserRunOnce || kind == aekServiceRunOnce;
  std::string title = vcl::Application ? vcl::Application->Title() : ExtractBareName(file_name);
  switch (plat::WriteAutostartEntry(ScopeOf(kind), file_name, title, run_once)) {
    case plat::AutostartResult::done:
      return true;
    case plat::AutostartResult::badText:
      return false;
    case plat::AutostartResult::cannotWrite:
      break;
  }
  throw EqelRegistry(vcl::Format(SqelCannotOpenKey, {plat::AutostartFolder(ScopeOf(kind))}));
}

bool RemoveFromAutoRun(TqelAutoExecKind kind, const std::string& file_name) {
  if (IsServiceKind(kind) && VersionFlags().RunningWinNT) return false;
  return plat::RemoveAutostartEntry(ScopeOf(kind), file_name);
}

void RegisterClassOnce(vcl::TClass cls) {
  if (!vcl::GetClass(cls->ClassName())) vcl::RegisterClass(cls);
}

void RegisterClassesOnce(std::initializer_list<vcl::TClass> classes) {
  for (vcl::TClass cls : classes) RegisterClassOnce(cls);
}

plat::HANDLE RegNotifyStart(plat::HKEY key, bool watch_subtree, plat::DWORD filter, TqelRegNotifyRec& rec) {
  rec.key = key;
  rec.watch_subtree = watch_subtree ? -1 : 0;
  rec.filter = filter;
  plat::HANDLE event = plat::CreateEventA(nullptr, plat::TRUE, plat::FALSE, nullptr);
  plat::LONG r = plat::RegNotifyChangeKeyValue(key, watch_subtree, filter, event, plat::TRUE);
  // Signalled at once: ask again, for the change after this one.
  if (r == plat::ERROR_SUCCESS && plat::WaitForSingleObject(event, 0) == plat::WAIT_OBJECT_0) {
    plat::ResetEvent(event);
    r = plat::RegNotifyChangeKeyValue(key, watch_subtree, filter, event, plat::TRUE);
  }
  if (r == plat::ERROR_SUCCESS) return event;
  plat::CloseHandle(event);
  plat::SetLastError(static_cast<plat::DWORD>(r));
  return plat::INVALID_HANDLE_VALUE;
}

bool RegNotifyNext(plat::HANDLE event, TqelRegNotifyRec& rec) {
  if (event == plat::INVALID_HANDLE_VALUE || !plat::ResetEvent(event)) return false;
  plat::LONG r =
      plat::RegNotifyChangeKeyValue(rec.key, rec.watch_subtree != 0, rec.filter, event, plat::TRUE);
  if (r == plat::ERROR_SUCCESS) return true;
  plat::SetLastError(static_cast<plat::DWORD>(r));
  return false;
}

void RegNotifyClose(plat::HANDLE event) {
  if (event != plat::INVALID_HANDLE_VALUE) plat::CloseHandle(event);
}

namespace {
TqelVersionFlags& Flags() {
  static TqelVersionFlags flags;
  return flags;
}
}  // namespace

const TqelVersionFlags& VersionFlags() { return Flags(); }

void DetectVersion() {
  TqelVersionFlags f;
  plat::OSVERSIONINFOA info;
  info.dwOSVersionInfoSize = sizeof(info);
  if (plat::GetVersionExA(&info)) {
    std::string csd = info.szCSDVersion;
    plat::DWORD build = info.dwBuildNumber;
    if (info.dwPlatformId == plat::VER_PLATFORM_WIN32_WINDOWS) {
      build &= 0xFFFF;
      if (info.dwMinorVersion == 0)
        f.code = csd == "B" ? 2 : 1;
      else if (info.dwMinorVersion == 10)
        f.code = csd == "A" ? 4 : 3;
      else if (info.dwMinorVersion == 90)
        f.code = 8;
      f.RunningWin98OrLater = f.code != 1 && f.code != 2;
    } else if (info.dwPlatformId == plat::VER_PLATFORM_WIN32_NT) {
      f.RunningWinNT = true;
      if (info.dwMajorVersion == 3)
        f.code = 5;
      else if (info.dwMajorVersion == 4)
        f.code = 6;
      else if (info.dwMajorVersion == 5)
        f.code = info.dwMinorVersion == 0 ? 7 : 9;
      f.RunningWin2000OrLater = f.code != 5 && f.code != 6;
      f.RunningWinXPOrLater = f.RunningWin2000OrLater && f.code != 7;
    }
    static const plat::DWORD kExpectedBuild[] = {0, 0, 1111, 1998, 2222, 0, 1381, 2195, 3000, 2600};
    if (f.code > 0 && kExpectedBuild[f.code] != 0 && kExpectedBuild[f.code] != build) f.code = 0;
  }
  f.RunningWin95 = f.code == 1;
  f.RunningWin95OSR2 = f.code == 2;
  f.RunningWin98 = f.code == 3;
  f.RunningWin98SE = f.code == 4;
  f.RunningWinNT3 = f.code == 5;
  f.RunningWinNT4 = f.code == 6;
  f.RunningWin2000 = f.code == 7;
  f.RunningWinME = f.code == 8;
  f.RunningWinXP = f.code == 9;
  Flags() = f;
}

namespace {
struct ProgramPaths {
  std::string log_file_name;
  std::string program_path;
};
ProgramPaths& Paths() {
  static ProgramPaths paths;
  return paths;
}
}  // namespace

const std::string& LogFileName() { return Paths().log_file_name; }
const std::string& ProgramPath() { return Paths().program_path; }

void InitProgramPaths() {
  char buffer[4096] = {};
  plat::DWORD length = plat::GetModuleFileNameA(nullptr, buffer, sizeof(buffer));
  std::string exe(buffer, length);
  std::string name = ExtractNamePart(exe);
  std::string ext = ExtensionOf(name);
  Paths().program_path = ExtractPathPart(exe);
  Paths().log_file_name = exe.substr(0, exe.size() - ext.size()) + ".log";
  // An entry that was to start the program once has done so now.
  plat::RemoveRunOnceEntries(exe);
}

}  // namespace utility
