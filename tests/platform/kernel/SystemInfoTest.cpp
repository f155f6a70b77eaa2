#include <gtest/gtest.h>

#include <cstring>

#include "platform/kernel/Errors.h"
#include "platform/kernel/SystemInfo.h"

using namespace plat;

namespace {

// Restores the fixed profiles whatever a test leaves behind.
class SystemInfoTest : public ::testing::Test {
 protected:
  void TearDown() override {
    SetVersionProfile(std::nullopt);
    SetCpuIdProfile(std::nullopt);
  }
};

}  // namespace

TEST_F(SystemInfoTest, VersionRecordSizeIsChecked) {
  for (DWORD size : {0u, 147u, 149u, 156u}) {
    SCOPED_TRACE(size);
    OSVERSIONINFOA info;
    info.dwOSVersionInfoSize = size;
    EXPECT_EQ(GetVersionExA(&info), FALSE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(info.dwMajorVersion, 0u);
  }
  EXPECT_EQ(GetVersionExA(nullptr), FALSE);

  OSVERSIONINFOA info;
  info.dwOSVersionInfoSize = sizeof info;
  ASSERT_EQ(GetVersionExA(&info), TRUE);
  EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_NT);
  EXPECT_EQ(info.dwMajorVersion, 10u);
  EXPECT_EQ(info.dwMinorVersion, 0u);
  EXPECT_EQ(info.dwBuildNumber, 19045u);
  EXPECT_EQ(GetVersion(), 0x4A65000Au);  // build 19045 above version 10.0
}

TEST_F(SystemInfoTest, VersionProfileCanBeReplacedAndReset) {
  OSVERSIONINFOA old_system;
  old_system.dwMajorVersion = 4;
  old_system.dwMinorVersion = 10;
  old_system.dwBuildNumber = 2222;
  old_system.dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
  std::strcpy(old_system.szCSDVersion, " A ");
  SetVersionProfile(old_system);

  OSVERSIONINFOA info;
  info.dwOSVersionInfoSize = sizeof info;
  ASSERT_EQ(GetVersionExA(&info), TRUE);
  EXPECT_EQ(info.dwOSVersionInfoSize, sizeof info);
  EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_WINDOWS);
  EXPECT_EQ(info.dwMinorVersion, 10u);
  EXPECT_STREQ(info.szCSDVersion, " A ");
  // Outside the NT platform the high bit is set and no build is reported.
  EXPECT_EQ(GetVersion(), 0x80000A04u);

  SetVersionProfile(std::nullopt);
  ASSERT_EQ(GetVersionExA(&info), TRUE);
  EXPECT_EQ(info.dwMajorVersion, 10u);
  EXPECT_STREQ(info.szCSDVersion, "");
}

TEST_F(SystemInfoTest, CpuProfileIsAModernFamily6WithSimd) {
  EXPECT_TRUE(IsCpuIdAvailable());
  CpuIdResult id = GetCpuId(1);
  EXPECT_EQ((id.eax >> 8) & 0xF, 6u);
  for (uint32_t bit : {CPUID_EDX_MMX, CPUID_EDX_SSE, CPUID_EDX_SSE2}) EXPECT_EQ(id.edx & bit, bit);
  EXPECT_GE(GetCpuId(0).eax, 1u);  // leaf 1 is offered
  CpuIdResult unknown = GetCpuId(0x80000008);
  EXPECT_EQ(unknown.eax | unknown.ebx | unknown.ecx | unknown.edx, 0u);

  SetCpuIdProfile(std::map<uint32_t, CpuIdResult>{{1, {0x0543, 0, 0, 0}}});
  EXPECT_EQ((GetCpuId(1).eax >> 8) & 0xF, 5u);
  EXPECT_EQ(GetCpuId(1).edx & CPUID_EDX_MMX, 0u);
  SetCpuIdProfile(std::map<uint32_t, CpuIdResult>{});
  EXPECT_FALSE(IsCpuIdAvailable());
  EXPECT_EQ(GetCpuId(1).eax, 0u);
}

TEST_F(SystemInfoTest, SystemInfoCountsProcessors) {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  EXPECT_GE(info.dwNumberOfProcessors, 1u);
  EXPECT_GT(info.dwPageSize, 0u);
  EXPECT_EQ(info.wProcessorLevel, 6u);
}
