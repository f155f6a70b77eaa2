// File-type associations exported into temporary desktop folders, read back
// by the desktop's own MIME database tool.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/shell/Associations.h"
#include "platform/shell/Xdg.h"
#include "support/TempDir.h"

namespace plat {
namespace {

namespace fs = std::filesystem;

class Associations : public ::testing::Test {
 protected:
  std::string Read(const std::string& path) { return ReadFileText(path).value_or("<none>"); }

  testsupport::TempDir temp_;
  testsupport::ScopedEnv data_home_{"XDG_DATA_HOME", temp_.File("data")};
  testsupport::ScopedEnv config_home_{"XDG_CONFIG_HOME", temp_.File("config")};
};

TEST_F(Associations, ExportedReadBackAndRemoved) {
  fs::create_directories(temp_.File("config"));
  std::ofstream(temp_.File("config/mimeapps.list")) << "[Default Applications]\ntext/plain=editor.desktop;\n";
  FileAssociation a{".abc", "AbcFile", "Sonavex <data> & more", "/opt/q/abc.ico", {}};
  a.verbs = {{"open", "", "\"/opt/my q/quellix\" \"%1\" 100%"},
             {"edit", "Edit it", "/opt/q/quellix --edit %1"},
             {"printto", "", "/opt/q/quellix --to %1"}};
  ASSERT_TRUE(ExportFileAssociation(a));

  std::string package = Read(AssociationPackagePath(".abc"));
  EXPECT_NE(package.find("<mime-type type=\"application/x-abcfile\">"), std::string::npos);
  EXPECT_NE(package.find("<comment>Sonavex &lt;data&gt; &amp; more</comment>"), std::string::npos);
  EXPECT_NE(package.find("<glob pattern=\"*.abc\"/>"), std::string::npos);
  std::string desktop = Read(AssociationDesktopPath(".abc"));
  EXPECT_NE(desktop.find("\nExec=\"/opt/my q/quellix\" %f 100%%\n"), std::string::npos) << desktop;
  EXPECT_NE(desktop.find("\nMimeType=application/x-abcfile;\n"), std::string::npos);
  EXPECT_NE(desktop.find("\nActions=edit;\n"), std::string::npos);  // print-to has no counterpart
  EXPECT_NE(desktop.find("[Desktop Action edit]\nName=Edit it\nExec=/opt/q/quellix --edit %f\n"),
            std::string::npos);
  EXPECT_EQ(
      Read(temp_.File("config/mimeapps.list")),
      "[Default Applications]\ntext/plain=editor.desktop;\napplication/x-abcfile=quellix-abc.desktop;\n");

  // The desktop's own tool reads the package: the extension names the type.
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
  EXPECT_GE(FlushAssociationChanges(), 1);
  EXPECT_EQ(FlushAssociationChanges(), 0);  // both notices made one refresh
  EXPECT_NE(Read(temp_.File("data/mime/globs2")).find("application/x-abcfile:*.abc"), std::string::npos);

  EXPECT_TRUE(RemoveFileAssociation(".abc"));
  EXPECT_FALSE(fs::exists(AssociationPackagePath(".abc")));
  EXPECT_FALSE(fs::exists(AssociationDesktopPath(".abc")));
  EXPECT_EQ(Read(temp_.File("config/mimeapps.list")), "[Default Applications]\ntext/plain=editor.desktop;\n");
}

TEST_F(Associations, UnsafeTextIsRefused) {
  FileAssociation a{".abc", "abcfile", "two\nlines", "", {{"open", "", "/q %1"}}};
  EXPECT_FALSE(ExportFileAssociation(a));
  a.description = "ok";
  a.verbs[0].command = "/q\t%1";
  EXPECT_FALSE(ExportFileAssociation(a));
  EXPECT_FALSE(fs::exists(AssociationPackagePath(".abc")));
  EXPECT_FALSE(fs::exists(AssociationDesktopPath(".abc")));
}

}  // namespace
}  // namespace plat
