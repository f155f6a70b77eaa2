#include "platform/kernel/SystemInfo.h"

#include <unistd.h>

#include <cstring>
#include <mutex>

#include "platform/kernel/Errors.h"

namespace plat {

namespace {

OSVERSIONINFOA DefaultVersion() {
  OSVERSIONINFOA info;
  info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
  info.dwMajorVersion = 10;
  info.dwMinorVersion = 0;
  info.dwBuildNumber = 19045;
  info.dwPlatformId = VER_PLATFORM_WIN32_NT;
  return info;
}

std::map<uint32_t, CpuIdResult> DefaultCpu() {
  // Vendor text in EBX, EDX, ECX order, as the instruction returns it.
  auto text = [](const char* four) {
    uint32_t v;
    std::memcpy(&v, four, 4);
    return v;
  };
  constexpr uint32_t kFpu = 1u << 0, kTsc = 1u << 4, kCx8 = 1u << 8, kCmov = 1u << 15, kFxsr = 1u << 24;
  constexpr uint32_t kSse3 = 1u << 0, kSsse3 = 1u << 9;
  return {
      {0, {1, text("Quel"), text("odel"), text("lixM")}},
      // Family 6, model 15, stepping 1.
      {1,
       {0x000006F1, 0x00010000, kSse3 | kSsse3,
        kFpu | kTsc | kCx8 | kCmov | CPUID_EDX_MMX | kFxsr | CPUID_EDX_SSE | CPUID_EDX_SSE2}},
  };
}

std::mutex profile_mutex;
std::optional<OSVERSIONINFOA> version_override;
std::optional<std::map<uint32_t, CpuIdResult>> cpu_override;

}  // namespace

BOOL GetVersionExA(OSVERSIONINFOA* info) {
  if (!info) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  OSVERSIONINFOA profile;
  {
    std::lock_guard lock(profile_mutex);
    profile = version_override.value_or(DefaultVersion());
  }
  profile.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
  profile.szCSDVersion[sizeof profile.szCSDVersion - 1] = '\0';
  *info = profile;
  return TRUE;
}

DWORD GetVersion() {
  OSVERSIONINFOA info;
  info.dwOSVersionInfoSize = sizeof info;
  GetVersionExA(&info);
  const DWORD version = (info.dwMajorVersion & 0xFF) | (info.dwMinorVersion & 0xFF) << 8;
  if (info.dwPlatformId != VER_PLATFORM_WIN32_NT) return version | 0x80000000u;
  return version | (info.dwBuildNumber & 0x7FFF) << 16;
}

void SetVersionProfile(std::optional<OSVERSIONINFOA> profile) {
  std::lock_guard lock(profile_mutex);
  version_override = std::move(profile);
}

bool IsCpuIdAvailable() {
  std::lock_guard lock(profile_mutex);
  return !cpu_override || !cpu_override->empty();
}

CpuIdResult GetCpuId(uint32_t leaf) {
  static const std::map<uint32_t, CpuIdResult> fixed = DefaultCpu();
  std::lock_guard lock(profile_mutex);
  const auto& leaves = cpu_override ? *cpu_override : fixed;
  auto it = leaves.find(leaf);
  return it == leaves.end() ? CpuIdResult{} : it->second;
}

void SetCpuIdProfile(std::optional<std::map<uint32_t, CpuIdResult>> leaves) {
  std::lock_guard lock(profile_mutex);
  cpu_override = std::move(leaves);
}

void GetSystemInfo(SYSTEM_INFO* info) {
  if (!info) return;
  *info = SYSTEM_INFO{};
  long processors = sysconf(_SC_NPROCESSORS_ONLN);
  long page = sysconf(_SC_PAGESIZE);
  info->wProcessorArchitecture =
      sizeof(void*) == 8 ? PROCESSOR_ARCHITECTURE_AMD64 : PROCESSOR_ARCHITECTURE_INTEL;
  info->dwPageSize = page > 0 ? static_cast<DWORD>(page) : 4096;
  info->lpMinimumApplicationAddress = reinterpret_cast<void*>(uintptr_t{0x10000});
  info->lpMaximumApplicationAddress = reinterpret_cast<void*>(~uintptr_t{0} >> 17);
  info->dwNumberOfProcessors = processors > 0 ? static_cast<DWORD>(processors) : 1;
  unsigned shift = info->dwNumberOfProcessors < 64 ? info->dwNumberOfProcessors : 63;
  info->dwActiveProcessorMask = shift >= 63 ? ~uintptr_t{0} : ((uintptr_t{1} << shift) - 1);
  info->dwAllocationGranularity = 65536;
  CpuIdResult id = GetCpuId(1);
  info->wProcessorLevel = static_cast<WORD>((id.eax >> 8) & 0xF);
  info->wProcessorRevision = static_cast<WORD>(((id.eax >> 4) & 0xF) << 8 | (id.eax & 0xF));
  info->dwProcessorType = 586;
}

}  // namespace plat
