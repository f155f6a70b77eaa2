// File operations in temporary folders: destinations, masks, collisions,
// confirmations, errors, and deletions into a temporary Trash.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/shell/FileOperation.h"
#include "platform/shell/Xdg.h"
#include "platform/user/MessageBox.h"
#include "support/TempDir.h"

namespace plat {
namespace {

namespace fs = std::filesystem;

class FileOperation : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(temp_.File("src"));
    Write("src/a.txt", "a");
    Write("src/b.wav", "b");
    fs::create_directories(temp_.File("src/sub"));
  }
  void TearDown() override { SetDialogScript(nullptr); }

  void Write(const std::string& name, const std::string& text) { std::ofstream(temp_.File(name)) << text; }
  std::string Read(const std::string& name) { return ReadFileText(temp_.File(name)).value_or("<none>"); }
  static std::string List(std::initializer_list<std::string> names) {
    std::string out;
    for (const std::string& n : names) out += n + '\0';
    return out + '\0';
  }
  int Run(UINT function, const std::string& from, const std::string& to, FILEOP_FLAGS flags) {
    SHFILEOPSTRUCTA op;
    op.wFunc = function;
    op.pFrom = from.c_str();
    op.pTo = to.c_str();
    op.fFlags = flags;
    int result = SHFileOperationA(&op);
    aborted_ = op.fAnyOperationsAborted;
    return result;
  }

  testsupport::TempDir temp_;
  testsupport::ScopedEnv data_home_{"XDG_DATA_HOME", temp_.File("data")};
  BOOL aborted_ = 0;
};

TEST_F(FileOperation, CopiesMovesAndRenames) {
  const FILEOP_FLAGS quiet = FOF_NOCONFIRMATION;
  // Several sources, one folder (made when missing).
  EXPECT_EQ(Run(FO_COPY, List({temp_.File("src/*.txt"), temp_.File("src/b.wav")}), List({temp_.File("out")}),
                quiet),
            0);
  EXPECT_EQ(Read("out/a.txt"), "a");
  EXPECT_EQ(Read("out/b.wav"), "b");
  // Source and destination in pairs.
  EXPECT_EQ(Run(FO_COPY, List({temp_.File("src/a.txt")}), List({temp_.File("pairs/x.bak")}),
                quiet | FOF_MULTIDESTFILES),
            0);
  EXPECT_EQ(Read("pairs/x.bak"), "a");
  // A collision takes the next free name and leaves the original alone.
  Write("out/a.txt", "old");
  for (int i = 0; i < 2; ++i)
    EXPECT_EQ(Run(FO_COPY, List({temp_.File("src/a.txt")}), List({temp_.File("out")}), FOF_RENAMEONCOLLISION),
              0);
  EXPECT_EQ(Read("out/a.txt"), "old");
  EXPECT_EQ(Read("out/a (copy).txt"), "a");
  EXPECT_EQ(Read("out/a (copy 2).txt"), "a");
  // Moving and renaming.
  EXPECT_EQ(Run(FO_MOVE, List({temp_.File("out/b.wav")}), List({temp_.File("moved")}), quiet), 0);
  EXPECT_FALSE(fs::exists(temp_.File("out/b.wav")));
  EXPECT_EQ(Read("moved"), "b");  // one source, a destination that is no folder: the new name
  EXPECT_EQ(Run(FO_RENAME, List({temp_.File("moved")}), List({temp_.File("renamed.wav")}), quiet), 0);
  EXPECT_EQ(Read("renamed.wav"), "b");
  // Wildcards with files only leave the folder out.
  EXPECT_EQ(Run(FO_COPY, List({temp_.File("src/*")}), List({temp_.File("files")}), quiet | FOF_FILESONLY), 0);
  EXPECT_FALSE(fs::exists(temp_.File("files/sub")));
  EXPECT_TRUE(fs::exists(temp_.File("files/a.txt")));
}

TEST_F(FileOperation, ConfirmationsAndErrors) {
  std::vector<std::string> asked;
  SetDialogScript([&](const DialogRequest& request) -> std::optional<DialogAnswer> {
    asked.push_back(request.title);
    DialogAnswer no;
    no.button = IDNO;
    return no;
  });
  fs::create_directories(temp_.File("out"));
  Write("out/a.txt", "old");
  EXPECT_EQ(Run(FO_COPY, List({temp_.File("src/a.txt")}), List({temp_.File("out")}), 0),
            kFileOperationCancelled);
  EXPECT_TRUE(aborted_);
  EXPECT_EQ(Read("out/a.txt"), "old");
  EXPECT_EQ(Run(FO_DELETE, List({temp_.File("src/a.txt")}), List({}), FOF_ALLOWUNDO),
            kFileOperationCancelled);
  EXPECT_TRUE(fs::exists(temp_.File("src/a.txt")));
  EXPECT_EQ(asked, (std::vector<std::string>{"Confirm Replace", "Confirm Delete"}));

  EXPECT_EQ(
      Run(FO_COPY, List({temp_.File("src/missing.txt")}), List({temp_.File("out")}), FOF_NOCONFIRMATION),
      ENOENT);
  EXPECT_EQ(Run(FO_COPY, List({temp_.File("src/a.txt"), temp_.File("src/b.wav")}), List({temp_.File("x")}),
                FOF_MULTIDESTFILES),
            EINVAL);  // two sources, one destination
  EXPECT_EQ(Run(99, List({temp_.File("src/a.txt")}), List({}), 0), EINVAL);
}

TEST_F(FileOperation, DeletionsThatMayBeUndoneGoToTheTrash) {
  Write("src/a b%.txt", "x");
  EXPECT_EQ(Run(FO_DELETE, List({temp_.File("src/a b%.txt"), temp_.File("src/sub")}), List({}),
                FOF_ALLOWUNDO | FOF_NOCONFIRMATION),
            0);
  EXPECT_FALSE(fs::exists(temp_.File("src/a b%.txt")));
  EXPECT_EQ(Read("data/Trash/files/a b%.txt"), "x");
  EXPECT_TRUE(fs::is_directory(temp_.File("data/Trash/files/sub")));
  std::string info = Read("data/Trash/info/a b%.txt.trashinfo");
  std::string escaped = temp_.File("src/a%20b%25.txt");
  EXPECT_EQ(info.rfind("[Trash Info]\nPath=" + escaped + "\nDeletionDate=", 0), 0u) << info;
  // The same name again is kept beside the first.
  Write("src/a b%.txt", "y");
  EXPECT_EQ(MoveToTrash(temp_.File("src/a b%.txt")), 0);
  EXPECT_EQ(Read("data/Trash/files/a b%.txt.2"), "y");
  EXPECT_TRUE(fs::exists(temp_.File("data/Trash/info/a b%.txt.2.trashinfo")));
  // Without undo the file is gone for good.
  EXPECT_EQ(Run(FO_DELETE, List({temp_.File("src/b.wav")}), List({}), FOF_NOCONFIRMATION), 0);
  EXPECT_FALSE(fs::exists(temp_.File("src/b.wav")));
  EXPECT_FALSE(fs::exists(temp_.File("data/Trash/files/b.wav")));
}

}  // namespace
}  // namespace plat
