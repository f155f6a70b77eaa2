#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/kernel/Errors.h"
#include "platform/kernel/Modules.h"
#include "platform/kernel/Resources.h"
#include "resources/ProgramResources.h"
#include "support/TempDir.h"

// Made by resgen from tests/resources/fixture.
const plat::ResourceTable& FixtureResourceTable();

using namespace plat;

namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::string Bytes(HMODULE module, HRSRC found) {
  const void* data = LockResource(LoadResource(module, found));
  return data ? std::string(static_cast<const char*>(data), SizeofResource(module, found)) : std::string();
}

std::string LoadString(HMODULE module, UINT id, int size = 256) {
  std::vector<char> buffer(static_cast<size_t>(size), 'x');
  int count = LoadStringA(module, id, buffer.data(), size);
  EXPECT_EQ(count, static_cast<int>(std::strlen(buffer.data())));
  return std::string(buffer.data(), static_cast<size_t>(count));
}

class ProgramResources : public testing::Test {
 protected:
  void SetUp() override { RegisterProgramResources(); }
};

// The fixture folder's resources, packed by the build, on a module of their own.
class FixtureResources : public testing::Test {
 protected:
  void SetUp() override {
    RegisterBuiltinModule("resfixture", {});
    module_ = LoadLibraryA("resfixture.dll");
    ASSERT_NE(module_, nullptr);
    RegisterResourceTable(module_, FixtureResourceTable());
  }
  void TearDown() override {
    UnregisterResourceTable(module_, FixtureResourceTable());
    FreeLibrary(module_);
  }
  HMODULE module_ = nullptr;
};

}  // namespace

TEST_F(ProgramResources, LibraryMessagesLoadByNumber) {
  const struct {
    UINT id;
    const char* text;
  } cases[] = {
      {28001, "Open Wave File"},
      {28004, "Wave Files(*.wav)|*.wav"},
      {28062, "Invalid WaveFormat"},
      {28070, "The actual device can''t play this format"},
      {28131, "Can't write to MemoryWave"},
      {28133, "Invalid wave file..."},
      {28163, "Unable to close device"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LoadString(nullptr, c.id), c.text) << c.id;
    EXPECT_EQ(LoadString(GetModuleHandleA(nullptr), c.id), c.text) << c.id;
  }
}

TEST_F(ProgramResources, MissingStringGivesZeroAndAnEmptyBuffer) {
  // No string in a block that holds others, no block at all, beyond 16 bits.
  for (UINT id : {28000u, 28003u, 28159u, 1u, 65535u, 0x10000u + 28062u}) {
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(LoadStringA(nullptr, id, buffer, sizeof buffer), 0) << id;
    EXPECT_STREQ(buffer, "") << id;
  }
  // Another module has none of the program's strings.
  EXPECT_EQ(LoadString(GetModuleHandleA("kernel32.dll"), 28062), "");
}

TEST_F(ProgramResources, LoadStringCutsToTheBuffer) {
  const struct {
    int size;
    const char* text;
  } cases[] = {{1, ""}, {2, "I"}, {8, "Invalid"}, {18, "Invalid WaveForma"}, {19, "Invalid WaveFormat"}};
  for (const auto& c : cases) {
    char buffer[32];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(LoadStringA(nullptr, 28062, buffer, c.size), static_cast<int>(std::strlen(c.text))) << c.size;
    EXPECT_STREQ(buffer, c.text) << c.size;
    EXPECT_EQ(buffer[c.size], 'x') << "wrote past the buffer of " << c.size;
  }
  char untouched = 'x';
  EXPECT_EQ(LoadStringA(nullptr, 28062, &untouched, 0), 0);
  EXPECT_EQ(untouched, 'x');
  EXPECT_EQ(LoadStringA(nullptr, 28062, nullptr, 10), 0);
}

TEST_F(ProgramResources, RegisteringAgainKeepsOneTable) {
  RegisterProgramResources();
  UnregisterResourceTable(nullptr, ProgramResourceTable());
  EXPECT_EQ(LoadString(nullptr, 28062), "");
  RegisterProgramResources();
  EXPECT_EQ(LoadString(nullptr, 28062), "Invalid WaveFormat");
}

TEST_F(FixtureResources, StringsKeepTheirEscapesAndCharacters) {
  EXPECT_EQ(LoadString(module_, 100), "tab\there \"quoted\" back\\slash");
  EXPECT_EQ(LoadString(module_, 101), "joined text");
  EXPECT_EQ(LoadString(module_, 102),
            "Gr\xC3\xBC\xC3\x9F"
            "e: Gr\xC3\xBC\xC3\x9F"
            "e");
  EXPECT_EQ(LoadString(module_, 115), "");
  EXPECT_EQ(LoadString(module_, 116), "next block");
}

TEST_F(FixtureResources, LoadStringNeverSplitsACharacter) {
  // "Grüße": G r ü(2) ß(2) e
  const struct {
    int size;
    const char* text;
  } cases[] = {{3, "Gr"}, {4, "Gr"}, {5, "Gr\xC3\xBC"}, {6, "Gr\xC3\xBC"}, {7, "Gr\xC3\xBC\xC3\x9F"}};
  for (const auto& c : cases) EXPECT_EQ(LoadString(module_, 102, c.size), c.text) << c.size;
}

TEST_F(FixtureResources, FindsFilesByNameOrIdWithoutLetterCase) {
  const std::filesystem::path folder = QUELLIX_RESOURCE_FIXTURE;
  const struct {
    const char* name;
    const char* type;
    const char* file;
  } cases[] = {
      {"TFrmTest", RT_RCDATA, "forms/Test.dfm"},  // named after the form's class
      {"tfrmtest", "#10", "forms/Test.dfm"},     {"beep", "wave", "WAVE/Beep.wav"},
      {"BEEP", "Wave", "WAVE/Beep.wav"},         {MAKEINTRESOURCEA(2001), RT_CURSOR, "CURSOR/2001.cur"},
      {"#2001", "#1", "CURSOR/2001.cur"},        {"Glyph", RT_BITMAP, "BITMAP/Glyph.bmp"},
  };
  for (const auto& c : cases) {
    HRSRC found = FindResourceA(module_, c.name, c.type);
    ASSERT_NE(found, nullptr) << c.file;
    EXPECT_EQ(Bytes(module_, found), ReadFile(folder / c.file)) << c.file;
  }
}

TEST_F(FixtureResources, MissingResourcesSayWhatIsMissing) {
  const struct {
    const char* name;
    const char* type;
    LONG error;
  } cases[] = {
      {"TFRMOTHER", RT_RCDATA, ERROR_RESOURCE_NAME_NOT_FOUND},
      {"Test", RT_RCDATA, ERROR_RESOURCE_NAME_NOT_FOUND},  // the file name is not the form's name
      {"2001", RT_CURSOR, ERROR_RESOURCE_NAME_NOT_FOUND},  // a name of digits is not the id
      {"#2002", RT_CURSOR, ERROR_RESOURCE_NAME_NOT_FOUND},
      {"BEEP", RT_RCDATA, ERROR_RESOURCE_NAME_NOT_FOUND},
      {"BEEP", "WAV", ERROR_RESOURCE_TYPE_NOT_FOUND},
      {"GLYPH", RT_ICON, ERROR_RESOURCE_TYPE_NOT_FOUND},
      {nullptr, RT_BITMAP, ERROR_INVALID_PARAMETER},
      {"GLYPH", nullptr, ERROR_INVALID_PARAMETER},
  };
  for (const auto& c : cases) {
    SetLastError(0);
    EXPECT_EQ(FindResourceA(module_, c.name, c.type), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(c.error)) << (c.name ? c.name : "null");
  }
}

TEST_F(FixtureResources, EachModuleHasOnlyItsOwnResources) {
  HRSRC found = FindResourceA(module_, "TFRMTEST", RT_RCDATA);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(FindResourceA(nullptr, "TFRMTEST", RT_RCDATA), nullptr);
  EXPECT_EQ(FindResourceA(GetModuleHandleA("kernel32.dll"), "TFRMTEST", RT_RCDATA), nullptr);
  // A resource of one module is not loaded through another.
  EXPECT_EQ(LoadResource(nullptr, found), nullptr);
  EXPECT_EQ(SizeofResource(nullptr, found), 0u);

  UnregisterResourceTable(module_, FixtureResourceTable());
  EXPECT_EQ(FindResourceA(module_, "TFRMTEST", RT_RCDATA), nullptr);
  EXPECT_EQ(LoadResource(module_, found), nullptr);
}

TEST(RegisteredTables, LaterTablesComeFirstAndTextNamesIgnoreCase) {
  static const BYTE kOld[] = {1, 2, 3};
  static const BYTE kNew[] = {9};
  static const ResourceEntry kOldEntries[] = {
      {{RT_RCDATA_ID, nullptr}, {0, "Settings"}, kOld, sizeof kOld},
      {{0, "Wave"}, {7, nullptr}, kOld, 2},
  };
  static const ResourceEntry kNewEntries[] = {{{RT_RCDATA_ID, nullptr}, {0, "SETTINGS"}, kNew, sizeof kNew}};
  static const ResourceTable kOldTable = {kOldEntries, 2};
  static const ResourceTable kNewTable = {kNewEntries, 1};

  RegisterBuiltinModule("restables", {});
  HMODULE module = LoadLibraryA("restables");
  RegisterResourceTable(module, kOldTable);
  RegisterResourceTable(module, kNewTable);
  HRSRC found = FindResourceA(module, "settings", RT_RCDATA);
  EXPECT_EQ(Bytes(module, found), std::string(1, '\x09'));
  EXPECT_EQ(Bytes(module, FindResourceA(module, "#7", "WAVE")), std::string("\x01\x02"));
  EXPECT_EQ(FreeResource(LoadResource(module, found)), FALSE);

  UnregisterResourceTable(module, kNewTable);
  EXPECT_EQ(Bytes(module, FindResourceA(module, "Settings", RT_RCDATA)), std::string("\x01\x02\x03"));
  UnregisterResourceTable(module, kOldTable);
  FreeLibrary(module);
}

namespace {

struct ToolRun {
  int status;
  std::string out;
  std::string err;
};

ToolRun RunResgen(const std::string& arguments, const testsupport::TempDir& temp) {
  const std::string out = temp.File("resgen.out"), err = temp.File("resgen.err");
  int status =
      std::system((std::string(QUELLIX_RESGEN) + " " + arguments + " >" + out + " 2>" + err).c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out), ReadFile(err)};
}

void WriteFile(const std::filesystem::path& path, const std::string& content) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

}  // namespace

TEST(ResourceGenerator, ListsWhatItPacksFromAFolder) {
  testsupport::TempDir temp;
  ToolRun run = RunResgen(std::string("--list ") + QUELLIX_RESOURCE_FIXTURE, temp);
  ASSERT_EQ(run.status, 0) << run.err;
  // Ids before names, types in order; strings in blocks of 16 (100..111 -> 7, 112..127 -> 8).
  EXPECT_EQ(run.out,
            "#1 #2001 4\n"
            "#2 GLYPH 2\n"
            "#6 #7 87\n"
            "#6 #8 42\n"
            "#10 TFRMTEST 51\n"
            "WAVE BEEP 54\n");
}

TEST(ResourceGenerator, RejectsBadInputWithItsPlace) {
  const struct {
    const char* file;
    const char* content;
    const char* message;
  } cases[] = {
      {"strings/a.txt", "1 \"a\"\n\n1 \"b\"\n", "a.txt:3: string 1 is defined twice"},
      {"strings/a.txt", "1 \"a\\q\"\n", "a.txt:1: unknown escape \\q"},
      {"strings/a.txt", "1 \"open\n", "a.txt:1: text not closed"},
      {"strings/a.txt", "65536 \"big\"\n", "a.txt:1: expected a string number"},
      {"strings/a.txt", "7\n", "a.txt:1: expected a quoted text"},
      {"strings/a.txt", "7 text\n", "a.txt:1: expected a quoted text"},
      {"strings/a.txt", "7 \"\\xC3(\"\n", "a.txt:1: the text is not valid UTF-8"},
      {"forms/a.dfm", "Caption = 'x'\n", "a.dfm: a form description starts with"},
      {"RCDATA/Foo.bin", "", "both give resource #10 FOO"},
  };
  for (const auto& c : cases) {
    testsupport::TempDir temp;
    const std::filesystem::path folder = temp.path() / "res";
    WriteFile(folder / c.file, c.content);
    WriteFile(folder / "RCDATA/foo.txt", "");
    ToolRun run = RunResgen("--out " + temp.File("out.cpp") + " " + folder.string(), temp);
    EXPECT_EQ(run.status, 1) << c.file << ": " << c.content;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(temp.File("out.cpp"))) << c.message;
  }
}

// A form description takes a build output as a stored binary block: the
// file's size as 32 bits, then its bytes, in hexadecimal lines of 32 bytes.
TEST(ResourceGenerator, SplicesFilesIntoFormDescriptions) {
  const std::string head = "object FrmA: TFrmA\n  Data = ";
  const struct {
    const char* description;
    bool files;
    int status;
    const char* expected;  // the packed size, or the error
  } cases[] = {
      {"{@file:sub/pkg.bin}\nend\n", true, 0, nullptr},
      {"{@file:sub/pkg.bin}\n  More = {@file:sub/pkg.bin}\nend\n", true, 0, nullptr},
      {"{@file:sub/none.bin}\nend\n", true, 1, "none.bin: cannot read"},
      {"{@file:sub/pkg.bin}\nend\n", false, 1, "sub/pkg.bin needs the folder of spliced files"},
      {"{@file:sub/pkg.bin\nend}\n", true, 1, "'}' expected after {@file:"},
      {"{@file:}\nend\n", true, 1, "file name expected after {@file:"},
  };
  const std::string bytes(40, '\xAB');
  for (const auto& c : cases) {
    testsupport::TempDir temp;
    const std::filesystem::path folder = temp.path() / "res";
    const std::string description = head + c.description;
    WriteFile(folder / "forms/a.dfm", description);
    WriteFile(temp.path() / "out/sub/pkg.bin", bytes);
    const std::string files = c.files ? "--files " + (temp.path() / "out").string() + " " : "";
    ToolRun run = RunResgen(files + "--list " + folder.string(), temp);
    EXPECT_EQ(run.status, c.status) << c.description << run.err;
    if (c.status != 0) {
      EXPECT_NE(run.err.find(c.expected), std::string::npos) << run.err;
      continue;
    }
    // 44 bytes: two lines of hexadecimal digits, each line indented six.
    const size_t marks = description.find("More") == std::string::npos ? 1 : 2;
    const size_t block = 2 + 2 * (1 + 6) + 2 * 44;
    const size_t size = description.size() + marks * (block - std::string("{@file:sub/pkg.bin}").size());
    EXPECT_EQ(run.out, "#10 TFRMA " + std::to_string(size) + "\n");
  }
}
