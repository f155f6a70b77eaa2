#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/kernel/Errors.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/Modules.h"
#include "support/TempDir.h"

using namespace plat;

namespace {

int BuiltinAnswer() { return 42; }

template <typename F>
F Entry(HMODULE module, const char* name) {
  return reinterpret_cast<F>(GetProcAddress(module, name));
}

}  // namespace

TEST(Modules, LoadsTheTestModuleFromTheProgramFolder) {
  ASSERT_TRUE(std::filesystem::exists(GetProgramFolder() + "testmodule.so"));
  HMODULE module = LoadLibraryA("TESTMODULE.DLL");
  ASSERT_NE(module, nullptr);
  auto add = Entry<int (*)(int, int)>(module, "TestModuleAdd");
  auto name = Entry<const char* (*)()>(module, "TestModuleName");
  ASSERT_NE(add, nullptr);
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(add(2, 3), 5);
  EXPECT_STREQ(name(), "testmodule");

  SetLastError(0);
  EXPECT_EQ(GetProcAddress(module, "NoSuchEntry"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_EQ(GetProcAddress(module, reinterpret_cast<const char*>(uintptr_t{5})), nullptr);  // an ordinal

  char path[512];
  DWORD length = GetModuleFileNameA(module, path, sizeof path);
  EXPECT_EQ(std::string(path, length), GetProgramFolder() + "testmodule.so");
  EXPECT_EQ(GetModuleHandleA("testmodule.dll"), module);
  EXPECT_EQ(FreeLibrary(module), TRUE);
}

TEST(Modules, CountsReferencesAndNeverReusesHandles) {
  HMODULE first = LoadLibraryA("testmodule.dll");
  HMODULE again = LoadLibraryA("TestModule");  // same file, no extension
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(again, first);
  auto calls = Entry<int (*)()>(first, "TestModuleCalls");
  EXPECT_EQ(calls(), 1);
  EXPECT_EQ(calls(), 2);
  FreeLibrary(first);
  EXPECT_EQ(GetModuleHandleA("testmodule.dll"), first);  // one reference left
  FreeLibrary(again);
  EXPECT_EQ(GetModuleHandleA("testmodule.dll"), nullptr);
  EXPECT_EQ(FreeLibrary(first), FALSE);

  HMODULE reloaded = LoadLibraryA("TESTMODULE.DLL");
  ASSERT_NE(reloaded, nullptr);
  EXPECT_NE(reloaded, first);
  EXPECT_EQ(Entry<int (*)()>(reloaded, "TestModuleCalls")(), 1);  // really unloaded in between
  FreeLibrary(reloaded);
}

TEST(Modules, MissingModulesFailCleanly) {
  testsupport::TempDir dir;
  for (const std::string& name :
       std::vector<std::string>{"NOSUCHMODULE.DLL", "nosuchmodule", dir.File("TESTMODULE.DLL"), ""}) {
    SCOPED_TRACE(name);
    SetLastError(0);
    EXPECT_EQ(LoadLibraryA(name.c_str()), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  }
  EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
  EXPECT_EQ(GetModuleHandleA("NOSUCHMODULE.DLL"), nullptr);
}

TEST(Modules, LoadsFromAGivenFolderAndFoldsLetterCase) {
  testsupport::TempDir dir;
  std::filesystem::copy_file(GetProgramFolder() + "testmodule.so", dir.File("testmodule.so"));
  std::string upper = dir.path().string() + "\\TestModule.DLL";
  HMODULE module = LoadLibraryA(upper.c_str());
  ASSERT_NE(module, nullptr);
  char path[512];
  GetModuleFileNameA(module, path, sizeof path);
  EXPECT_EQ(std::string(path), dir.File("testmodule.so"));
  EXPECT_NE(module, GetModuleHandleA("TESTMODULE.DLL"));  // another file is another module
  FreeLibrary(module);
}

TEST(Modules, BuiltinModulesAreFoundByNameInAnyForm) {
  RegisterBuiltinModule("QXTEST32.DLL", {{"Answer", reinterpret_cast<FARPROC>(&BuiltinAnswer)}});
  for (const char* name :
       {"qxtest32", "QxTest32.dll", "C:\\WINDOWS\\SYSTEM\\QXTEST32.DLL", "some/folder/qxtest32.DLL"}) {
    SCOPED_TRACE(name);
    HMODULE module = LoadLibraryA(name);
    ASSERT_NE(module, nullptr);
    auto answer = Entry<int (*)()>(module, "Answer");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(GetProcAddress(module, "answer"), nullptr);  // entry names keep their case
    EXPECT_EQ(FreeLibrary(module), TRUE);
  }
  EXPECT_EQ(GetModuleHandleA("qxtest32.dll"), nullptr);
}

TEST(Modules, TheProgramAndKernelAreAlwaysLoaded) {
  HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
  ASSERT_NE(kernel, nullptr);
  using DiskFreeEx = BOOL (*)(const char*, ULONGLONG*, ULONGLONG*, ULONGLONG*);
  auto disk_free = Entry<DiskFreeEx>(kernel, "GetDiskFreeSpaceExA");
  ASSERT_NE(disk_free, nullptr);
  ULONGLONG free_bytes = 0, total = 0, total_free = 0;
  EXPECT_EQ(disk_free("/", &free_bytes, &total, &total_free), TRUE);
  EXPECT_GT(total, 0u);
  EXPECT_NE(GetProcAddress(kernel, "GetDiskFreeSpaceA"), nullptr);
  EXPECT_EQ(FreeLibrary(kernel), TRUE);
  EXPECT_EQ(GetModuleHandleA("kernel32"), kernel);

  HMODULE program = GetModuleHandleA(nullptr);
  ASSERT_NE(program, nullptr);
  char path[512];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  EXPECT_EQ(std::string(path, length), std::filesystem::read_symlink("/proc/self/exe").string());
  EXPECT_EQ(GetModuleFileNameA(program, path, sizeof path), length);

  // A short buffer gets a cut, terminated path.
  char small[4];
  EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), 4u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(small[3], '\0');
}
