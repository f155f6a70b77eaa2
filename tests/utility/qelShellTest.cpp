// The shell components: what a file operation asks of the platform and what
// it reports, an association in a temporary registry and desktop folders,
// and the start button that is never found.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/registry/Registry.h"
#include "platform/shell/Associations.h"
#include "platform/shell/FileOperation.h"
#include "platform/shell/Xdg.h"
#include "platform/vcl/FormReader.h"
#include "support/TempDir.h"
#include "utility/qelComponents.h"
#include "utility/qelShell.h"
#include "utility/qelVclUtils.h"

namespace utility {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Names(const char* list) {
  std::vector<std::string> out;
  for (const char* at = list; at && *at; at += out.back().size() + 1) out.emplace_back(at);
  return out;
}

class qelFileOperation : public ::testing::Test {
 protected:
  void TearDown() override { plat::SetFileOperationSink(nullptr); }
  // Records what the platform is asked and answers `result`.
  void Record(int result) {
    plat::SetFileOperationSink([this, result](const plat::SHFILEOPSTRUCTA& op) {
      calls_.push_back({op.wFunc, op.fFlags, Names(op.pFrom), Names(op.pTo)});
      return result;
    });
  }
  struct Call {
    plat::UINT function;
    plat::FILEOP_FLAGS flags;
    std::vector<std::string> from, to;
  };

  TqelFileOperation op_{nullptr};
  std::vector<Call> calls_;
  std::vector<std::string> errors_;
};

TEST_F(qelFileOperation, AsksThePlatformAndReportsItsAnswer) {
  op_.OnError = [this](vcl::TObject*, const std::string& text, bool&) { errors_.push_back(text); };
  Record(0);
  EXPECT_TRUE(op_.Execute());  // nothing to do
  EXPECT_TRUE(calls_.empty());

  op_.FileList()->Add("a.txt");
  op_.FileList()->Add("b.txt");
  op_.SetDestFolder("/t");
  const std::pair<TqelFileOperationType, plat::UINT> codes[] = {
      {fotCopy, 2}, {fotDelete, 3}, {fotMove, 1}, {fotRename, 4}};
  for (auto [operation, code] : codes) {
    op_.SetOperation(operation);
    EXPECT_TRUE(op_.Execute());
    EXPECT_EQ(calls_.back().function, code);
    EXPECT_EQ(calls_.back().flags, 0xC8);
  }
  EXPECT_EQ(calls_.back().from, (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(calls_.back().to, (std::vector<std::string>{"/t"}));

  // One line with "=" turns every line into a pair; destinations are made
  // absolute and a mask takes the source's name.
  op_.FileList()->Clear();
  op_.FileList()->Add("a.txt=b.txt");
  op_.FileList()->Add("s/a.txt=*.bak");
  op_.FileList()->Add("c.txt");
  op_.SetOperation(fotCopy);
  op_.Execute();
  EXPECT_EQ(calls_.back().flags, 0xC9);
  EXPECT_EQ(calls_.back().from, (std::vector<std::string>{"a.txt", "s/a.txt", "c.txt"}));
  // (The file layer reads "\\" as "/".)
  EXPECT_EQ(calls_.back().to, (std::vector<std::string>{"/t\\b.txt", "/t\\a.bak", "/t\\"}));

  Record(plat::kFileOperationCancelled);
  EXPECT_FALSE(op_.Execute());
  EXPECT_TRUE(errors_.empty());  // a declined confirmation is no error
  Record(ENOENT);
  EXPECT_FALSE(op_.Execute());
  EXPECT_EQ(errors_, (std::vector<std::string>{"No such file or directory"}));
}

TEST_F(qelFileOperation, RealFilesInPairsAndByMask) {
  testsupport::TempDir temp;
  std::ofstream(temp.File("a.txt")) << "a";
  op_.SetDestFolder(temp.File("T"));
  op_.FileList()->Add(temp.File("a.txt") + "=b.txt");
  op_.FileList()->Add(temp.File("a.txt") + "=*.bak");
  op_.SetOptions({fofNoConfirmation});
  EXPECT_TRUE(op_.Execute());
  EXPECT_EQ(plat::ReadFileText(temp.File("T/b.txt")), "a");
  EXPECT_EQ(plat::ReadFileText(temp.File("T/a.bak")), "a");
  EXPECT_TRUE(fs::exists(temp.File("a.txt")));
}

class qelFileAssociation : public ::testing::Test {
 protected:
  void SetUp() override {
    InitComponentsUnit();
    plat::RegistrySetStorePath(temp_.File("registry.reg"));
  }
  void TearDown() override { plat::RegistrySetStorePath(""); }
  static std::string Default(const std::string& key) {
    plat::HKEY handle = nullptr;
    if (plat::RegOpenKeyExA(plat::HKEY_CLASSES_ROOT, key.c_str(), 0, plat::KEY_READ, &handle) != 0)
      return "<none>";
    char buffer[512] = {};
    plat::DWORD size = sizeof buffer;
    plat::RegQueryValueExA(handle, "", nullptr, nullptr, reinterpret_cast<plat::BYTE*>(buffer), &size);
    plat::RegCloseKey(handle);
    return buffer;
  }

  testsupport::TempDir temp_;
  testsupport::ScopedEnv data_home_{"XDG_DATA_HOME", temp_.File("data")};
  testsupport::ScopedEnv config_home_{"XDG_CONFIG_HOME", temp_.File("config")};
};

TEST_F(qelFileAssociation, RegistersReadsBackAndUnregisters) {
  TqelFileAssociation a(nullptr);
  a.SetExtension("abc");
  EXPECT_EQ(a.Extension(), ".abc");
  EXPECT_EQ(a.ExtDescription(), "");  // nothing registered yet
  plat::HICON document = nullptr, program = nullptr;
  GetShellIcon(0, &document, nullptr);
  GetShellIcon(2, nullptr, &program);
  EXPECT_EQ(a.LargeIcon(), document);
  EXPECT_EQ(a.SmallIcon(), document);
  EXPECT_NE(document, program);
  TqelFileAssociation exe(nullptr);
  exe.SetExtension(".EXE");
  EXPECT_EQ(exe.LargeIcon(), program);

  a.SetOpenCommand("/opt/q/quellix %1");
  EXPECT_EQ(a.OpenCommand(), "");  // read-only at run time: refused
  EXPECT_EQ(Default(".abc"), "<none>");

  a.SetReadOnly(false);
  a.SetFileDescription("Abc data");
  a.SetIconFile("/opt/q/q.ico");
  a.SetIconIndex(1);
  a.SetOpenCommand("/opt/q/quellix \"%1\"");
  EXPECT_EQ(Default(".abc"), "abcfile");
  EXPECT_EQ(Default("abcfile"), "Abc data");
  EXPECT_EQ(Default("abcfile\\DefaultIcon"), "/opt/q/q.ico,1");
  EXPECT_EQ(Default("abcfile\\shell\\open\\command"), "/opt/q/quellix \"%1\"");
  EXPECT_EQ(Default("abcfile\\shell\\edit"), "<none>");  // no command, no verb

  // Exported to the desktop, whose database is refreshed once for all the writes.
  std::string desktop = plat::ReadFileText(plat::AssociationDesktopPath(".abc")).value_or("");
  EXPECT_NE(desktop.find("\nExec=/opt/q/quellix %f\n"), std::string::npos) << desktop;
  EXPECT_NE(desktop.find("\nMimeType=application/x-abcfile;\n"), std::string::npos);
  EXPECT_GE(plat::FlushAssociationChanges(), 1);
  EXPECT_EQ(plat::FlushAssociationChanges(), 0);

  TqelFileAssociation reader(nullptr);
  reader.SetExtension(".abc");
  EXPECT_EQ(reader.FileDescription(), "Abc data");
  EXPECT_EQ(reader.IconFile(), "/opt/q/q.ico");
  EXPECT_EQ(reader.IconIndex(), 1);

  plat::HKEY extra = nullptr;
  plat::RegCreateKeyA(plat::HKEY_CLASSES_ROOT, ".abc\\OpenWithProgids", &extra);
  plat::RegCloseKey(extra);
  EXPECT_TRUE(reader.Unregister());
  EXPECT_EQ(Default(".abc"), "<none>");
  EXPECT_EQ(Default("abcfile"), "Abc data");  // the type key stays
  EXPECT_EQ(reader.FileDescription(), "");
  EXPECT_FALSE(fs::exists(plat::AssociationDesktopPath(".abc")));
  EXPECT_FALSE(fs::exists(plat::AssociationPackagePath(".abc")));
  EXPECT_TRUE(reader.Unregister());  // nothing there: done
}

TEST_F(qelFileAssociation, DefaultIconValues) {
  struct Case {
    const char* value;
    const char* file;
    int index;
  };
  const Case cases[] = {
      {"q.dll,2", "q.dll", 2},
      {"q.dll", "q.dll", 0},
      {"q.dll,x", "q.dll,x", 0},
      {"C:\\p,q\\a.dll,2", "C:\\p,q\\a.dll", 2},  // a comma in the path keeps the index
      {"q.dll,-3", "q.dll", -3},
  };
  for (const Case& c : cases) {
    std::string file;
    int index = 99;
    TqelFileAssociation::ParseDefaultIcon(c.value, file, index);
    EXPECT_EQ(file, c.file) << c.value;
    EXPECT_EQ(index, c.index) << c.value;
  }
}

TEST_F(qelFileAssociation, AStoredComponentReadsTheRegistryOnceLoaded) {
  plat::HKEY key = nullptr;
  plat::RegCreateKeyA(plat::HKEY_CLASSES_ROOT, ".xyz", &key);
  plat::RegSetValueExA(key, "", 0, plat::REG_SZ, reinterpret_cast<const plat::BYTE*>("xyzfile"), 8);
  plat::RegCloseKey(key);
  plat::RegCreateKeyA(plat::HKEY_CLASSES_ROOT, "xyzfile", &key);
  plat::RegSetValueExA(key, "", 0, plat::REG_SZ, reinterpret_cast<const plat::BYTE*>("Now"), 4);
  plat::RegCloseKey(key);
  vcl::TComponent root(nullptr);
  vcl::ReadFormText(&root,
                    "object TComponent\n  object A: TqelFileAssociation\n    Extension = '.xyz'\n"
                    "    FileDescription = 'Stored'\n    ReadOnly = False\n  end\nend\n");
  auto* a = static_cast<TqelFileAssociation*>(root.FindComponent("A"));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->FileDescription(), "Now");
  EXPECT_EQ(Default("xyzfile"), "Now");  // reading wrote nothing
}

TEST(qelStartButtonProperties, FindsNoButtonAndChangesNothing) {
  TqelStartButtonProperties button(nullptr);
  EXPECT_EQ(button.Button(), nullptr);
  EXPECT_EQ(button.ButtonLeft(), 0);
  EXPECT_EQ(button.ButtonWidth(), 0);
  EXPECT_FALSE(button.Enabled());
  EXPECT_FALSE(button.Visible());
  EXPECT_NO_THROW(button.SetButtonLeft(10));
  EXPECT_NO_THROW(button.SetVisible(false));
  EXPECT_EQ(button.ButtonLeft(), 0);
}

}  // namespace
}  // namespace utility
