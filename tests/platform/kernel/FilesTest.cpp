#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "platform/kernel/Errors.h"
#include "platform/kernel/Files.h"
#include "support/TempDir.h"

using namespace plat;
namespace fs = std::filesystem;

namespace {

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(Files, ResolvePathMapsSeparatorsAndLetterCase) {
  testsupport::TempDir dir;
  fs::create_directories(dir.path() / "Data" / "Skins");
  WriteFile(dir.File("Data/Skins/Blue.SKN"), "x");
  const std::string root = dir.path().string();
  struct Case {
    std::string in;
    std::string out;
  } cases[] = {
      {root + "\\Data\\Skins\\Blue.SKN", root + "/Data/Skins/Blue.SKN"},
      {root + "\\DATA\\skins\\blue.skn", root + "/Data/Skins/Blue.SKN"},
      {root + "/data/SKINS/", root + "/Data/Skins/"},
      // Only the existing part is matched; the missing rest is kept as written.
      {root + "/data/Missing/File.txt", root + "/Data/Missing/File.txt"},
      {"", ""},
      {"C:\\", "/"},
      {"c:\\tmp", "/tmp"},
  };
  for (const Case& c : cases) EXPECT_EQ(ResolvePath(c.in), c.out) << c.in;
}

TEST(Files, ResolvePathWorksForRelativeNames) {
  testsupport::TempDir dir;
  fs::create_directories(dir.path() / "Sub");
  WriteFile(dir.File("Sub/Name.txt"), "x");
  char old[4096];
  ASSERT_GT(GetCurrentDirectoryA(sizeof old, old), 0u);
  ASSERT_EQ(SetCurrentDirectoryA(dir.path().string().c_str()), TRUE);
  EXPECT_EQ(ResolvePath("SUB\\NAME.TXT"), "Sub/Name.txt");
  char now[4096];
  DWORD length = GetCurrentDirectoryA(sizeof now, now);
  EXPECT_EQ(std::string(now, length), fs::canonical(dir.path()).string());
  EXPECT_EQ(GetCurrentDirectoryA(2, now), length + 1);  // too small: the size needed
  ASSERT_EQ(SetCurrentDirectoryA(old), TRUE);
  EXPECT_EQ(SetCurrentDirectoryA((dir.path() / "nothing").string().c_str()), FALSE);
}

TEST(Files, ProgramFolderIsTheExecutablesFolder) {
  std::string folder = GetProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_EQ(fs::path(folder + "x").parent_path(), fs::read_symlink("/proc/self/exe").parent_path());
}

TEST(Files, DiskSpaceOfKnownAndUnknownPaths) {
  testsupport::TempDir dir;
  ULONGLONG free_bytes = 0, total = 0, total_free = 0;
  ASSERT_EQ(GetDiskFreeSpaceExA(dir.path().string().c_str(), &free_bytes, &total, &total_free), TRUE);
  EXPECT_GT(total, 0u);
  EXPECT_LE(free_bytes, total_free);
  EXPECT_LE(total_free, total);
  EXPECT_EQ(GetDiskFreeSpaceExA(nullptr, &free_bytes, nullptr, nullptr), TRUE);  // the current folder

  DWORD sectors = 0, bytes = 0, free_clusters = 0, clusters = 0;
  ASSERT_EQ(GetDiskFreeSpaceA(dir.path().string().c_str(), &sectors, &bytes, &free_clusters, &clusters),
            TRUE);
  EXPECT_GT(ULONGLONG{sectors} * bytes * clusters, 0u);
  EXPECT_LE(free_clusters, clusters);

  for (const char* unknown : {"/no/such/folder/anywhere", "Q:\\no\\such\\folder\\"}) {
    SCOPED_TRACE(unknown);
    EXPECT_EQ(GetDiskFreeSpaceExA(unknown, &free_bytes, &total, &total_free), FALSE);
    EXPECT_EQ(GetDiskFreeSpaceA(unknown, &sectors, &bytes, &free_clusters, &clusters), FALSE);
  }
}

TEST(Files, AttributesAndFolderOperations) {
  testsupport::TempDir dir;
  std::string folder = dir.File("Folder"), file = dir.File("file.txt"), locked = dir.File("locked.txt");
  WriteFile(file, "abc");
  WriteFile(locked, "abc");
  chmod(locked.c_str(), 0444);

  EXPECT_EQ(CreateDirectoryA(folder.c_str()), TRUE);
  EXPECT_EQ(CreateDirectoryA(folder.c_str()), FALSE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(CreateDirectoryA(dir.File("no/such/parent").c_str()), FALSE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  EXPECT_EQ(GetFileAttributesA(dir.File("FOLDER").c_str()) & FILE_ATTRIBUTE_DIRECTORY,
            FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributesA(file.c_str()), FILE_ATTRIBUTE_NORMAL);
  if (geteuid() != 0) {
    EXPECT_EQ(GetFileAttributesA(locked.c_str()) & FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_READONLY);
  }
  EXPECT_EQ(GetFileAttributesA(dir.File("missing").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  EXPECT_EQ(DeleteFileA(folder.c_str()), FALSE);  // not a file
  EXPECT_EQ(RemoveDirectoryA(dir.File("folder").c_str()), TRUE);
  EXPECT_EQ(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(DeleteFileA(dir.File("FILE.TXT").c_str()), TRUE);
  EXPECT_EQ(DeleteFileA(file.c_str()), FALSE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(Files, MoveAndCopyNeverOverwriteUnasked) {
  testsupport::TempDir dir;
  std::string a = dir.File("a.txt"), b = dir.File("b.txt"), c = dir.File("c.txt");
  WriteFile(a, "alpha");
  WriteFile(b, "beta");

  EXPECT_EQ(MoveFileA(a.c_str(), b.c_str()), FALSE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(ReadFile(b), "beta");
  EXPECT_EQ(CopyFileA(a.c_str(), b.c_str(), TRUE), FALSE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  EXPECT_EQ(ReadFile(b), "beta");

  EXPECT_EQ(CopyFileA(a.c_str(), b.c_str(), FALSE), TRUE);
  EXPECT_EQ(ReadFile(b), "alpha");
  EXPECT_EQ(MoveFileA(dir.File("A.TXT").c_str(), c.c_str()), TRUE);
  EXPECT_FALSE(fs::exists(a));
  EXPECT_EQ(ReadFile(c), "alpha");

  EXPECT_EQ(CopyFileA(a.c_str(), dir.File("d.txt").c_str(), FALSE), FALSE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(CopyFileA(dir.path().string().c_str(), dir.File("d.txt").c_str(), FALSE), FALSE);  // a folder
  // No temporary file is left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator{}), 2);
}

TEST(Files, FindMatchesWildcardsWithoutLetterCase) {
  testsupport::TempDir dir;
  for (const char* name : {"Track01.WAV", "track02.wav", "track10.mp3", "notes.txt", "README"})
    WriteFile(dir.File(name), std::string(7, 'x'));
  fs::create_directory(dir.path() / "Sub");
  struct Case {
    std::string pattern;
    std::set<std::string> names;
  } cases[] = {
      {"*.wav", {"Track01.WAV", "track02.wav"}},
      {"TRACK0?.*", {"Track01.WAV", "track02.wav"}},
      {"track*", {"Track01.WAV", "track02.wav", "track10.mp3"}},
      {"readme", {"README"}},
      {"*.*", {".", "..", "Track01.WAV", "track02.wav", "track10.mp3", "notes.txt", "README", "Sub"}},
      {"t*1*.w?v", {"Track01.WAV"}},
  };
  const std::string root = dir.path().string();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((root + "\\" + c.pattern).c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    std::set<std::string> found;
    do {
      found.insert(data.cFileName);
      std::string name = data.cFileName;
      bool folder = name == "." || name == ".." || name == "Sub";
      EXPECT_EQ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, folder);
      if (!folder) {
        EXPECT_EQ(data.nFileSizeLow, 7u);
      }
    } while (FindNextFileA(find, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_EQ(found, c.names);
    EXPECT_EQ(FindClose(find), TRUE);
    EXPECT_EQ(FindClose(find), FALSE);
    EXPECT_EQ(FindNextFileA(find, &data), FALSE);
  }
}

TEST(Files, FindReportsNothingFoundCleanly) {
  testsupport::TempDir dir;
  WIN32_FIND_DATAA data;
  EXPECT_EQ(FindFirstFileA(dir.File("*.xyz").c_str(), &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(FindFirstFileA(dir.File("nowhere/*").c_str(), &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(FindFirstFileA(nullptr, &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(FindClose(INVALID_HANDLE_VALUE), FALSE);
}
