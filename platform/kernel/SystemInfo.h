#pragma once
// The operating-system version and processor the program sees: one fixed,
// modern profile that tests may replace, so version and CPU checks are
// deterministic on every machine.
#include <cstdint>
#include <map>
#include <optional>

#include "platform/kernel/Types.h"

namespace plat {

constexpr DWORD VER_PLATFORM_WIN32s = 0;
constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

struct OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize = 0;
  DWORD dwMajorVersion = 0;
  DWORD dwMinorVersion = 0;
  DWORD dwBuildNumber = 0;
  DWORD dwPlatformId = 0;
  char szCSDVersion[128] = {};
};
static_assert(sizeof(OSVERSIONINFOA) == 148);

// Fails (ERROR_INSUFFICIENT_BUFFER) unless dwOSVersionInfoSize is the record's size.
BOOL GetVersionExA(OSVERSIONINFOA* info);
// The same profile packed: major version in the low byte, minor in the next;
// the high word holds the build on the NT platform, else bit 31 is set.
DWORD GetVersion();
// Replaces the profile (NT platform, 10.0 build 19045) until reset with std::nullopt.
void SetVersionProfile(std::optional<OSVERSIONINFOA> profile);

struct CpuIdResult {
  uint32_t eax = 0;
  uint32_t ebx = 0;
  uint32_t ecx = 0;
  uint32_t edx = 0;
};

// Feature bits of leaf 1, EDX.
constexpr uint32_t CPUID_EDX_MMX = 1u << 23;
constexpr uint32_t CPUID_EDX_SSE = 1u << 25;
constexpr uint32_t CPUID_EDX_SSE2 = 1u << 26;

// False when the profile models a processor without the identification instruction.
bool IsCpuIdAvailable();
// Zeros for a leaf the profile does not define. The fixed profile is a family 6
// processor with MMX, SSE and SSE2.
CpuIdResult GetCpuId(uint32_t leaf);
// Replaces the leaves until reset with std::nullopt; an empty map models a
// processor without the identification instruction.
void SetCpuIdProfile(std::optional<std::map<uint32_t, CpuIdResult>> leaves);

constexpr WORD PROCESSOR_ARCHITECTURE_INTEL = 0;
constexpr WORD PROCESSOR_ARCHITECTURE_AMD64 = 9;

struct SYSTEM_INFO {
  WORD wProcessorArchitecture = 0;
  WORD wReserved = 0;
  DWORD dwPageSize = 0;
  void* lpMinimumApplicationAddress = nullptr;
  void* lpMaximumApplicationAddress = nullptr;
  uintptr_t dwActiveProcessorMask = 0;
  DWORD dwNumberOfProcessors = 0;
  DWORD dwProcessorType = 0;
  DWORD dwAllocationGranularity = 0;
  WORD wProcessorLevel = 0;
  WORD wProcessorRevision = 0;
};

// The machine's processor count and page size; level and revision from the CPU profile.
void GetSystemInfo(SYSTEM_INFO* info);

}  // namespace plat
