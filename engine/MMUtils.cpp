#include "engine/MMUtils.h"

#include <atomic>
#include <charconv>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>

#include "engine/MMMath.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/Locale.h"
#include "platform/kernel/Modules.h"
#include "platform/kernel/SystemInfo.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/kernel/Threads.h"
#include "platform/registry/Registry.h"
#include "platform/user/Screen.h"
#include "platform/vcl/Controls.h"

namespace engine {

namespace {

// Fixed-point text of v with the given separator, right-aligned to width:
// locale-independent, unlike printf.
std::string FormatFixed(long double v, int precision, int width, char decimal) {
  char buf[128];
  auto [end, ec] =
      std::to_chars(buf, buf + sizeof(buf), static_cast<double>(v), std::chars_format::fixed, precision);
  std::string text = ec == std::errc() ? std::string(buf, end) : std::string();
  if (const size_t dot = text.find('.'); dot != std::string::npos) text[dot] = decimal;
  if (text.size() < static_cast<size_t>(width)) text.insert(0, static_cast<size_t>(width) - text.size(), ' ');
  return text;
}

long double LevelToDB(int32_t value, int32_t ref) {
  const long double magnitude = std::fabs(static_cast<long double>(value));  // |INT_MIN| fits here
  return 20.0L * FloatLog10(magnitude / static_cast<long double>(IntMax(ref, 1)));
}

}  // namespace

void SwapWord(plat::WORD& a, plat::WORD& b) {
  const plat::WORD t = a;
  a = b;
  b = t;
}

void SwapLong(plat::DWORD& a, plat::DWORD& b) {
  const plat::DWORD t = a;
  a = b;
  b = t;
}

void SwapInt(int32_t& a, int32_t& b) {
  const int32_t t = a;
  a = b;
  b = t;
}

int32_t IntMin(int32_t a, int32_t b) { return b < a ? b : a; }

int32_t IntMax(int32_t a, int32_t b) { return b >= a ? b : a; }

int32_t IntClamp(int32_t x, int32_t lo, int32_t hi) {
  if (lo > x) return lo;
  if (x <= hi) return x;
  return hi;
}

int32_t IntClampEither(int32_t x, int32_t a, int32_t b) {
  if (a > b) std::swap(a, b);
  if (x < a) return a;
  if (x > b) return b;
  return x;
}

bool IntInRange(int32_t x, int32_t lo, int32_t hi) { return lo <= x && x <= hi; }

bool IntInRangeEither(int32_t x, int32_t a, int32_t b) {
  return a <= b ? (a <= x && x <= b) : (b <= x && x <= a);
}

void IncBy(int32_t& v, int32_t n) {
  // Wraps like the 32-bit add it stands for, without signed-overflow UB.
  v = static_cast<int32_t>(static_cast<uint32_t>(v) + static_cast<uint32_t>(n));
}

// The memory routines leave the word-then-byte work to the C library, which
// does it at least as well and handles overlap and alignment.
void FillBytes(void* p, int32_t count, plat::BYTE value) {
  if (p == nullptr || count <= 0) return;
  std::memset(p, value, static_cast<size_t>(count));
}

void FillPattern(void* p, int32_t count, plat::DWORD value) {
  // A null block is refused rather than written through.
  if (p == nullptr || count <= 0) return;
  auto* out = static_cast<unsigned char*>(p);
  const size_t words = static_cast<size_t>(count) / 4;
  for (size_t i = 0; i < words; ++i) std::memcpy(out + 4 * i, &value, 4);
  std::memset(out + 4 * words, static_cast<int>(value & 0xFF), static_cast<size_t>(count) % 4);
}

void MoveBytes(const void* source, void* dest, int32_t count) {
  if (count <= 0 || source == dest) return;
  std::memmove(dest, source, static_cast<size_t>(count));
}

bool BytesEqual(const void* p1, const void* p2, plat::DWORD count) {
  return count == 0 || std::memcmp(p1, p2, count) == 0;
}

std::string TimeToText(bool with_ms, int64_t time) {
  constexpr int64_t kDay = 86400000;
  constexpr int64_t kHour = 3600000;
  constexpr int64_t kMinute = 60000;
  const int64_t h = time % kDay / kHour;
  const int64_t m = time % kHour / kMinute;
  const int64_t s = time % kMinute / 1000;
  const int64_t ms = time % 1000;
  char buf[96];
  if (with_ms) {
    if (time >= kDay)
      std::snprintf(buf, sizeof(buf), "%" PRId64 ":%2.2" PRId64 ":%2.2" PRId64 ":%2.2" PRId64 ".%3.3" PRId64,
                    time / kDay, h, m, s, ms);
    else if (time >= kHour)
      std::snprintf(buf, sizeof(buf), "%" PRId64 ":%2.2" PRId64 ":%2.2" PRId64 ".%3.3" PRId64, time / kHour,
                    m, s, ms);
    else
      std::snprintf(buf, sizeof(buf), "%" PRId64 ":%2.2" PRId64 ".%3.3" PRId64, time / kMinute, s, ms);
  } else {
    if (time >= kDay)
      std::snprintf(buf, sizeof(buf), "%" PRId64 ":%2.2" PRId64 ":%2.2" PRId64 ":%2.2" PRId64, time / kDay, h,
                    m, s);
    else if (time >= kHour)
      std::snprintf(buf, sizeof(buf), "%" PRId64 ":%2.2" PRId64 ":%2.2" PRId64, time / kHour, m, s);
    else
      std::snprintf(buf, sizeof(buf), "%" PRId64 ":%2.2" PRId64, time / kMinute, s);
  }
  return buf;
}

std::string TimeToTextMS(int64_t time) { return TimeToText(true, time); }

std::string LevelToDBText(int32_t value, int32_t ref, float offset) {
  if (value == 0) return "-Inf";
  return FormatFixed(LevelToDB(value, ref) + offset, 2, 2, plat::GetLocaleSeparators().decimal);
}

std::string LevelToDBTextInt(int32_t value, int32_t ref, float /*offset*/) {
  if (value == 0) return "-Inf";
  return FormatFixed(LevelToDB(value, ref), 0, 2, plat::GetLocaleSeparators().decimal);
}

void RaiseOutOfMemory() { throw std::bad_alloc(); }

void* GlobalAllocZeroed(size_t size) {
  const plat::HGLOBAL block = plat::GlobalAlloc(plat::GPTR, size);
  void* p = block != nullptr ? plat::GlobalLock(block) : nullptr;
  if (p == nullptr) {
    if (block != nullptr) plat::GlobalFree(block);
    RaiseOutOfMemory();
  }
  return p;
}

void GlobalFreeAndNil(void*& p) {
  if (p == nullptr) return;
  const plat::HGLOBAL block = plat::GlobalHandle(p);
  p = nullptr;
  if (block == nullptr) return;
  plat::GlobalUnlock(block);
  plat::GlobalFree(block);
}

void GlobalRenew(void*& p, size_t size) {
  GlobalFreeAndNil(p);
  p = GlobalAllocZeroed(size);
}

// ---- Registry values ----

namespace {

enum class RegGroup { None, Integer, Boolean, Double, Currency, Date, String };

RegGroup GroupOf(plat::TVarType type) {
  switch (type) {
    case plat::varNull:
    case plat::varSmallint:
    case plat::varInteger:
    case plat::varByte:
      return RegGroup::Integer;
    case plat::varBoolean:
      return RegGroup::Boolean;
    case plat::varSingle:
    case plat::varDouble:
      return RegGroup::Double;
    case plat::varCurrency:
      return RegGroup::Currency;
    case plat::varDate:
      return RegGroup::Date;
    case plat::varOleStr:
    case plat::varString:
      return RegGroup::String;
    default:
      return RegGroup::None;
  }
}

plat::HKEY EffectiveRoot(plat::HKEY root) {
  const uintptr_t v = reinterpret_cast<uintptr_t>(root);
  return v >= 0x80000000u && v <= 0x80000006u ? root : plat::HKEY_CURRENT_USER;
}

std::string SubKey(const std::string& key) { return !key.empty() && key[0] == '\\' ? key.substr(1) : key; }

// Closes the key on every path out of the registry routines.
struct KeyCloser {
  plat::HKEY key = nullptr;
  ~KeyCloser() {
    if (key != nullptr) plat::RegCloseKey(key);
  }
};

void WriteVariant(plat::HKEY key, const std::string& name, const plat::Variant& value) {
  const char* value_name = name.c_str();
  switch (GroupOf(value.VarType())) {
    case RegGroup::Integer:
    case RegGroup::Boolean: {
      const plat::DWORD v = value.VarType() == plat::varBoolean ? (value.AsBoolean() ? 1u : 0u)
                                                                : static_cast<plat::DWORD>(value.AsInteger());
      plat::RegSetValueExA(key, value_name, 0, plat::REG_DWORD, reinterpret_cast<const plat::BYTE*>(&v), 4);
      break;
    }
    case RegGroup::Double:
    case RegGroup::Date: {
      const double v = value.VarType() == plat::varDate ? value.AsDate() : value.AsDouble();
      plat::RegSetValueExA(key, value_name, 0, plat::REG_BINARY, reinterpret_cast<const plat::BYTE*>(&v), 8);
      break;
    }
    case RegGroup::Currency: {
      const int64_t v = value.AsCurrency();
      plat::RegSetValueExA(key, value_name, 0, plat::REG_BINARY, reinterpret_cast<const plat::BYTE*>(&v), 8);
      break;
    }
    case RegGroup::String: {
      const std::string text = value.AsString();
      plat::RegSetValueExA(key, value_name, 0, plat::REG_SZ,
                           reinterpret_cast<const plat::BYTE*>(text.c_str()),
                           static_cast<plat::DWORD>(text.size() + 1));
      break;
    }
    case RegGroup::None:
      break;
  }
}

bool ReadVariant(plat::HKEY key, const std::string& name, plat::TVarType kind, plat::Variant& result) {
  const RegGroup group = GroupOf(kind);
  if (group == RegGroup::None) return false;
  plat::DWORD type = 0, size = 0;
  if (plat::RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != plat::ERROR_SUCCESS)
    return false;
  std::string data(size, '\0');
  if (size > 0 &&
      plat::RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<plat::BYTE*>(data.data()),
                             &size) != plat::ERROR_SUCCESS)
    return false;
  data.resize(std::min<size_t>(size, data.size()));
  switch (group) {
    case RegGroup::Integer:
    case RegGroup::Boolean: {
      if (type != plat::REG_DWORD || data.size() != 4) return false;
      int32_t v = 0;
      std::memcpy(&v, data.data(), 4);
      result = group == RegGroup::Boolean ? plat::Variant(v != 0) : plat::Variant(v);
      return true;
    }
    case RegGroup::Double:
    case RegGroup::Date:
    case RegGroup::Currency: {
      if (type != plat::REG_BINARY || data.size() != 8) return false;
      if (group == RegGroup::Currency) {
        int64_t v = 0;
        std::memcpy(&v, data.data(), 8);
        result = plat::Variant::FromCurrency(v);
      } else {
        double v = 0;
        std::memcpy(&v, data.data(), 8);
        result = group == RegGroup::Date ? plat::Variant::FromDate(v) : plat::Variant(v);
      }
      return true;
    }
    case RegGroup::String: {
      if (type != plat::REG_SZ) return false;
      result = plat::Variant(std::string(data.c_str()));  // up to the first zero
      return true;
    }
    case RegGroup::None:
      break;
  }
  return false;
}

}  // namespace

void RegWriteVariant(plat::HKEY root, const std::string& key, const std::string& name,
                     const plat::Variant& value) {
  try {
    KeyCloser k;
    if (plat::RegCreateKeyExA(EffectiveRoot(root), SubKey(key).c_str(), 0, nullptr,
                              plat::REG_OPTION_NON_VOLATILE, plat::KEY_ALL_ACCESS, nullptr, &k.key,
                              nullptr) != plat::ERROR_SUCCESS)
      return;
    WriteVariant(k.key, name, value);
  } catch (...) {
    // Settings are best effort: a value that cannot be stored leaves the old one.
  }
}

void RegReadVariant(plat::HKEY root, const std::string& key, const std::string& name,
                    const plat::Variant& def, plat::Variant& result) {
  result = def;
  try {
    KeyCloser k;
    if (plat::RegOpenKeyExA(EffectiveRoot(root), SubKey(key).c_str(), 0, plat::KEY_ALL_ACCESS, &k.key) !=
        plat::ERROR_SUCCESS)
      return;
    plat::Variant read;
    if (ReadVariant(k.key, name, def.VarType(), read)) result = std::move(read);
  } catch (...) {
    result = def;
  }
}

plat::Variant RegReadVariant(plat::HKEY root, const std::string& key, const std::string& name,
                             const plat::Variant& def) {
  plat::Variant result;
  RegReadVariant(root, key, name, def, result);
  return result;
}

// ---- Threads, processor and operating system ----

namespace {

struct VersionInfo {
  bool ok = false;
  plat::DWORD platform = 0, major = 0, minor = 0;
};

VersionInfo Version() {
  plat::OSVERSIONINFOA info;
  info.dwOSVersionInfoSize = sizeof(info);
  VersionInfo v;
  if (plat::GetVersionExA(&info) == plat::FALSE) return v;
  v.ok = true;
  v.platform = info.dwPlatformId;
  v.major = info.dwMajorVersion;
  v.minor = info.dwMinorVersion;
  return v;
}

// Set by the start-up, read-only afterwards.
struct UnitFlags {
  bool win95 = false, win98 = false, win_me = false, nt3 = false, nt4 = false, win2000 = false,
       xp_or_later = false;
  bool win9x = false, nt = false, nt4_or_later = false;
  int32_t cpu_class = 0;
  bool cpu_has_mmx = false;
};
UnitFlags unit_flags;

}  // namespace

bool SetThreadPriorityBool(plat::HANDLE thread, int priority) {
  return plat::SetThreadPriority(thread, priority) != plat::FALSE;
}

int32_t GetCPUClass() {
  if (!plat::IsCpuIdAvailable()) return 0;
  return static_cast<int32_t>((plat::GetCpuId(1).eax >> 8) & 0xF) - 4;
}

uint32_t GetCPUFeatures() { return plat::IsCpuIdAvailable() ? plat::GetCpuId(1).edx : 0; }

bool IsWin95() {
  const VersionInfo v = Version();
  return v.ok && v.platform == plat::VER_PLATFORM_WIN32_WINDOWS && v.major == 4 && v.minor == 0;
}
bool IsWin98() {
  const VersionInfo v = Version();
  return v.ok && v.platform == plat::VER_PLATFORM_WIN32_WINDOWS && v.major == 4 && v.minor == 10;
}
bool IsWinME() {
  const VersionInfo v = Version();
  return v.ok && v.platform == plat::VER_PLATFORM_WIN32_WINDOWS && v.major == 4 && v.minor >= 90;
}
bool IsWinNT3() {
  const VersionInfo v = Version();
  return v.ok && v.platform == plat::VER_PLATFORM_WIN32_NT && v.major == 3;
}
bool IsWinNT4() {
  const VersionInfo v = Version();
  return v.ok && v.platform == plat::VER_PLATFORM_WIN32_NT && v.major == 4;
}
bool IsWin2000() {
  const VersionInfo v = Version();
  return v.ok && v.platform == plat::VER_PLATFORM_WIN32_NT && v.major == 5 && v.minor == 0;
}
bool IsWinXPOrLater() {
  const VersionInfo v = Version();
  return v.ok && v.platform == plat::VER_PLATFORM_WIN32_NT && (v.major > 5 || (v.major == 5 && v.minor >= 1));
}

bool OSIsWin95() { return unit_flags.win95; }
bool OSIsWin98() { return unit_flags.win98; }
bool OSIsWinME() { return unit_flags.win_me; }
bool OSIsNT3() { return unit_flags.nt3; }
bool OSIsNT4() { return unit_flags.nt4; }
bool OSIsWin2000() { return unit_flags.win2000; }
bool OSIsXPOrLater() { return unit_flags.xp_or_later; }
bool OSIsWin9x() { return unit_flags.win9x; }
bool OSIsNT() { return unit_flags.nt; }
bool OSIsNT4OrLater() { return unit_flags.nt4_or_later; }
int32_t CPUClass() { return unit_flags.cpu_class; }
bool CPUHasMMX() { return unit_flags.cpu_has_mmx; }

// ---- Time and waiting ----

namespace {

// 0 = not read yet, 1 = unusable (the tick count is used instead).
std::atomic<int64_t> counter_frequency{0};

std::mutex pump_mutex;
TMessagePump delay_pump;
TWindowMessagePump window_pump;

TMessagePump CurrentDelayPump() {
  std::lock_guard lock(pump_mutex);
  return delay_pump;
}

}  // namespace

int64_t GetTimeMicroseconds() {
  int64_t frequency = counter_frequency.load();
  if (frequency == 0) {
    plat::LONGLONG f = 0;
    frequency = plat::QueryPerformanceFrequency(&f) != plat::FALSE && f > 1 && f <= 0xFFFFFFFFLL ? f : 1;
    counter_frequency.store(frequency);
  }
  if (frequency > 1) {
    plat::LONGLONG counter = 0;
    if (plat::QueryPerformanceCounter(&counter) != plat::FALSE)
      return counter / frequency * 1000000 + counter % frequency * 1000000 / frequency;
  }
  return static_cast<int64_t>(plat::GetTickCount()) * 1000;
}

void SetDelayMessagePump(TMessagePump pump) {
  std::lock_guard lock(pump_mutex);
  delay_pump = std::move(pump);
}

void SetWindowMessagePump(TWindowMessagePump pump) {
  std::lock_guard lock(pump_mutex);
  window_pump = std::move(pump);
}

void DelayMS(uint32_t ms, bool process_messages) {
  if (ms == 0) return;
  if (!process_messages) {
    plat::Sleep(ms);
    return;
  }
  const int64_t start = plat::ClockNowMicroseconds();
  const int64_t span = static_cast<int64_t>(ms) * 1000;
  for (;;) {
    const int64_t elapsed = plat::ClockNowMicroseconds() - start;
    if (elapsed >= span) return;
    const auto left = static_cast<plat::DWORD>((span - elapsed + 999) / 1000);
    TMessagePump pump = CurrentDelayPump();
    // Without a pump nothing could take the input away, so watching the
    // queue would only spin; the wait is then a plain one on the clock.
    const plat::DWORD result =
        plat::MsgWaitForMultipleObjects(0, nullptr, plat::FALSE, left, pump ? plat::QS_ALLINPUT : 0);
    if (result != plat::WAIT_OBJECT_0) return;  // timed out (or failed)
    pump();
    // The application removes its pump when it is destroyed.
    if (!CurrentDelayPump()) return;
  }
}

void ProcessWindowMessages(plat::HWND wnd) {
  TWindowMessagePump pump;
  {
    std::lock_guard lock(pump_mutex);
    pump = window_pump;
  }
  if (pump) pump(wnd);
}

// ---- Paths, files and disks ----

namespace {

bool IsFolderSeparator(char c) { return c == '\\' || c == '/' || c == ':'; }

TGetDiskFreeSpaceEx bound_disk_free_space = plat::GetDiskFreeSpaceExA;

}  // namespace

plat::POINT MapClientPoint(const vcl::TControl* dest, const vcl::TControl* source, plat::POINT p) {
  if (!dest || !source) return p;
  return dest->ScreenToClient(source->ClientToScreen(p));
}

int GetCaptionFrameHeight() {
  return plat::GetSystemMetrics(plat::SM_CYCAPTION) + 2 * plat::GetSystemMetrics(plat::SM_CYFRAME);
}

std::string AdjustTrailingBackslash(const std::string& path, bool add) {
  if (path.empty()) return path;
  const bool has = path.back() == '\\';
  if (add) return has ? path : path + '\\';
  return has ? path.substr(0, path.size() - 1) : path;
}

int64_t GetFileSizeByName(const std::string& name) {
  plat::WIN32_FIND_DATAA data;
  const plat::HANDLE find = plat::FindFirstFileA(name.c_str(), &data);
  if (find == plat::INVALID_HANDLE_VALUE) return -1;
  plat::FindClose(find);
  return static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

bool GetDiskSpace(const std::string& path, int64_t& free, int64_t& total) {
  size_t end = path.size();
  while (end > 0 && !IsFolderSeparator(path[end - 1])) --end;
  const std::string folder = path.substr(0, end);
  plat::ULONGLONG free_bytes = 0, total_bytes = 0, total_free = 0;
  const TGetDiskFreeSpaceEx query = BoundDiskFreeSpaceEx();
  if (query(folder.empty() ? nullptr : folder.c_str(), &free_bytes, &total_bytes, &total_free) ==
      plat::FALSE) {
    free = 0;
    total = 1;
    return false;
  }
  free = static_cast<int64_t>(free_bytes);
  total = static_cast<int64_t>(total_bytes);
  return true;
}

bool HasDiskFreeSpace(const std::string& path, int64_t bytes) {
  int64_t free = 0, total = 0;
  return GetDiskSpace(path, free, total) && free >= bytes;
}

plat::BOOL GetDiskFreeSpaceFallback(const char* directory, plat::ULONGLONG* free_to_caller,
                                    plat::ULONGLONG* total_bytes, plat::ULONGLONG* /*total_free*/) {
  std::string root;
  if (directory != nullptr) {
    const std::string dir = directory;
    if (dir.size() >= 2 && dir[1] == ':') {
      root = dir.substr(0, 2);
    } else if (dir.rfind("\\\\", 0) == 0) {
      // \\server\share: up to the separator after the share.
      const size_t server_end = dir.find('\\', 2);
      const size_t share_end =
          server_end == std::string::npos ? std::string::npos : dir.find('\\', server_end + 1);
      root = dir.substr(0, share_end);
    } else {
      root = dir;  // no drive on this system: the folder names its volume
    }
    root = AdjustTrailingBackslash(root, true);
  }
  plat::DWORD sectors = 0, bytes_per_sector = 0, free_clusters = 0, total_clusters = 0;
  const plat::BOOL ok = plat::GetDiskFreeSpaceA(directory != nullptr ? root.c_str() : nullptr, &sectors,
                                                &bytes_per_sector, &free_clusters, &total_clusters);
  const plat::ULONGLONG cluster = static_cast<plat::ULONGLONG>(sectors) * bytes_per_sector;
  if (free_to_caller != nullptr) *free_to_caller = cluster * free_clusters;
  if (total_bytes != nullptr) *total_bytes = cluster * total_clusters;
  return ok;
}

void BindDiskFreeSpaceEx() {
  TGetDiskFreeSpaceEx entry = GetDiskFreeSpaceFallback;
  if (const plat::HMODULE kernel = plat::GetModuleHandleA("kernel32.dll"); kernel != nullptr)
    if (const plat::FARPROC proc = plat::GetProcAddress(kernel, "GetDiskFreeSpaceExA"); proc != nullptr)
      entry = reinterpret_cast<TGetDiskFreeSpaceEx>(proc);
  bound_disk_free_space = entry;
}

void BindDiskFreeSpaceEx(TGetDiskFreeSpaceEx entry) {
  if (entry == nullptr)
    BindDiskFreeSpaceEx();
  else
    bound_disk_free_space = entry;
}

TGetDiskFreeSpaceEx BoundDiskFreeSpaceEx() { return bound_disk_free_space; }

// ---- Unit start-up ----

namespace {

int unit_start_count = 0;
plat::CRITICAL_SECTION unit_lock;

}  // namespace

void MMUtilsInitialize() {
  if (unit_start_count++ != 0) return;
  plat::InitializeCriticalSection(&unit_lock);
  UnitFlags f;
  f.win95 = IsWin95();
  f.win98 = IsWin98();
  f.win_me = IsWinME();
  f.nt3 = IsWinNT3();
  f.nt4 = IsWinNT4();
  f.win2000 = IsWin2000();
  f.xp_or_later = IsWinXPOrLater();
  f.win9x = f.win95 || f.win98 || f.win_me;
  f.nt = f.nt3 || f.nt4 || f.win2000 || f.xp_or_later;
  f.nt4_or_later = f.nt4 || f.win2000 || f.xp_or_later;
  f.cpu_class = GetCPUClass();
  f.cpu_has_mmx = (GetCPUFeatures() & plat::CPUID_EDX_MMX) != 0;
  unit_flags = f;
  BindDiskFreeSpaceEx();
}

void MMUtilsFinalize() {
  if (unit_start_count == 0 || --unit_start_count != 0) return;
  plat::DeleteCriticalSection(&unit_lock);
}

plat::CRITICAL_SECTION* MMUtilsLock() { return &unit_lock; }

}  // namespace engine
