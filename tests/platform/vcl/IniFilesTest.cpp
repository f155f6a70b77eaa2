#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/kernel/Locale.h"
#include "platform/vcl/IniFiles.h"
#include "support/TempDir.h"

using namespace vcl;

namespace {

class IniFileTest : public ::testing::Test {
 protected:
  std::string ReadFile() const {
    std::ifstream in(path_, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  void WriteFile(const std::string& text) const { std::ofstream(path_, std::ios::binary) << text; }

  static std::vector<std::string> List(TStrings& list) {
    std::vector<std::string> items;
    for (int i = 0; i < list.Count(); ++i) items.push_back(list.Strings(i));
    return items;
  }

  testsupport::TempDir temp_;
  std::string path_ = temp_.File("Default.prj");
};

}  // namespace

TEST_F(IniFileTest, KeepsFirstWrittenOrderAndReplacesInPlaceWithCrLf) {
  TIniFile ini(path_);
  ini.WriteInteger("TmmLedSpin", "LedSpin3", 20);
  ini.WriteInteger("TmmLedSpin", "LedSpin1", 10);
  ini.WriteBool("TCheckBox", "Checked2", true);
  ini.WriteInteger("TMMSpinButton", "SpinBnt4", -5);
  // Written again, under another letter case: same place, first spelling.
  ini.WriteInteger("tmmledspin", "LEDSPIN3", 30);
  ini.WriteBool("TCheckBox", "Checked1", false);
  EXPECT_EQ(ReadFile(),
            "[TmmLedSpin]\r\nLedSpin3=30\r\nLedSpin1=10\r\n\r\n"
            "[TCheckBox]\r\nChecked2=1\r\nChecked1=0\r\n\r\n"
            "[TMMSpinButton]\r\nSpinBnt4=-5\r\n");

  TStringList list;
  ini.ReadSections(&list);
  EXPECT_EQ(List(list), (std::vector<std::string>{"TmmLedSpin", "TCheckBox", "TMMSpinButton"}));
  ini.ReadSection("TMMLEDSPIN", &list);
  EXPECT_EQ(List(list), (std::vector<std::string>{"LedSpin3", "LedSpin1"}));
  ini.ReadSectionValues("tcheckbox", &list);
  EXPECT_EQ(List(list), (std::vector<std::string>{"Checked2=1", "Checked1=0"}));
  ini.ReadSection("Nothing", &list);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_TRUE(ini.SectionExists("tcheckbox"));
  EXPECT_FALSE(ini.SectionExists("Nothing"));
  EXPECT_TRUE(ini.ValueExists("TmmLedSpin", "ledspin1"));
  EXPECT_FALSE(ini.ValueExists("TmmLedSpin", "LedSpin2"));
}

TEST_F(IniFileTest, ValuesReadBackWithTheirDefaults) {
  TIniFile ini(path_);
  ini.WriteString("Bars", "Bar1", "  padded  ");
  ini.WriteInteger("Bars", "Bar2", 8);
  ini.WriteString("Bars", "Hex", "0x1F");
  ini.WriteString("Bars", "Dollar", "$10");
  ini.WriteString("Bars", "Junk", "eight");
  ini.WriteBool("Bars", "On", true);
  ini.WriteString("Bars", "Two", "2");
  ini.WriteFloat("Bars", "Decay", 12.5);
  ini.WriteString("Bars", "BadFloat", "1.2.3");

  struct Case {
    const char* key;
    int integer;   // default -1
    bool boolean;  // default false
    double real;   // default -1
  };
  const Case cases[] = {
      {"Bar2", 8, true, 8},       {"Hex", 31, true, -1},       {"Dollar", 16, true, -1},
      {"Junk", -1, false, -1},    {"On", 1, true, 1},          {"Two", 2, true, 2},
      {"Missing", -1, false, -1}, {"BadFloat", -1, false, -1}, {"Decay", -1, false, 12.5},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ini.ReadInteger("Bars", c.key, -1), c.integer) << c.key;
    EXPECT_EQ(ini.ReadBool("Bars", c.key, false), c.boolean) << c.key;
    EXPECT_EQ(ini.ReadFloat("Bars", c.key, -1), c.real) << c.key;
  }
  EXPECT_EQ(ini.ReadString("Bars", "Bar1", "x"), "padded");
  EXPECT_EQ(ini.ReadString("Bars", "Missing", "x"), "x");
  EXPECT_TRUE(ini.ReadBool("Bars", "Missing", true));
}

TEST_F(IniFileTest, FloatsUseTheLocalesDecimalSeparator) {
  plat::SetLocaleSeparators(plat::LocaleSeparators{',', ';'});
  {
    TIniFile ini(path_);
    ini.WriteFloat("Decay", "deca", 0.75);
    EXPECT_EQ(ini.ReadString("Decay", "deca", ""), "0,75");
    EXPECT_EQ(ini.ReadFloat("Decay", "deca", 0), 0.75);
  }
  plat::SetLocaleSeparators(std::nullopt);
}

TEST_F(IniFileTest, DeletingKeysAndSectionsKeepsTheRestAndComments) {
  WriteFile("; project file\n[A]\nx = 1\n; keep me\ny=2\n\n[B]\nz=3\n[a]\nw=4\n");
  TIniFile ini(path_);
  // A repeated section continues the first one.
  EXPECT_EQ(ini.ReadString("A", "w", ""), "4");
  ini.DeleteKey("A", "X");
  ini.DeleteKey("A", "nothing");
  ini.WriteString("A", "v", "5");
  EXPECT_EQ(ReadFile(), "; project file\r\n[A]\r\n; keep me\r\ny=2\r\nw=4\r\nv=5\r\n\r\n[B]\r\nz=3\r\n");
  ini.EraseSection("b");
  EXPECT_EQ(ReadFile(), "; project file\r\n[A]\r\n; keep me\r\ny=2\r\nw=4\r\nv=5\r\n\r\n");
  EXPECT_FALSE(ini.SectionExists("B"));

  // Nothing to delete in a file that does not exist: none is made.
  TIniFile absent(temp_.File("absent.ini"));
  absent.DeleteKey("A", "x");
  absent.EraseSection("A");
  EXPECT_FALSE(std::filesystem::exists(temp_.File("absent.ini")));
}

TEST_F(IniFileTest, TwoObjectsOnOneFileSeeEachOthersWrites) {
  TIniFile first(path_);
  TIniFile second(path_);
  first.WriteInteger("Ballistic", "Top1", 3);
  EXPECT_EQ(second.ReadInteger("Ballistic", "Top1", 0), 3);
  second.WriteInteger("Ballistic", "Top2", 4);
  first.WriteInteger("Ballistic", "Top1", 5);
  TIniFile reread(path_);
  EXPECT_EQ(reread.ReadInteger("Ballistic", "Top1", 0), 5);
  EXPECT_EQ(reread.ReadInteger("Ballistic", "Top2", 0), 4);
  // Written through a temporary file that replaced the old one; none is left over.
  int files = 0;
  for (auto& entry : std::filesystem::directory_iterator(temp_.path())) files += entry.is_regular_file();
  EXPECT_EQ(files, 1);
}

TEST_F(IniFileTest, RefusesWhatWouldBreakTheFileAndLeavesItAlone) {
  TIniFile ini(path_);
  ini.WriteString("A", "x", "1");
  const std::string before = ReadFile();
  const std::vector<std::array<std::string, 3>> bad = {
      {"A", "y", "two\nlines"}, {"A", "k=v", "1"}, {"A]", "y", "1"}, {"", "y", "1"},
      {"A", "", "1"},           {"A", "[z", "1"},  {"A", ";c", "1"},
  };
  for (const auto& [section, key, value] : bad) {
    EXPECT_THROW(ini.WriteString(section, key, value), EIniFileException) << section << "/" << key;
  }
  EXPECT_EQ(ReadFile(), before);

  TIniFile nowhere(temp_.File("no/such/folder/x.ini"));
  try {
    nowhere.WriteString("A", "x", "1");
    ADD_FAILURE() << "no exception";
  } catch (const EIniFileException& e) {
    EXPECT_EQ(e.Message(), "Unable to write to " + temp_.File("no/such/folder/x.ini"));
  }
}

TEST_F(IniFileTest, MemIniFileWritesOnlyOnUpdateFile) {
  WriteFile("[A]\r\nx=1\r\n");
  TMemIniFile mem(path_);
  mem.WriteString("A", "x", "2");
  mem.WriteString("B", "y", "3");
  EXPECT_EQ(ReadFile(), "[A]\r\nx=1\r\n");
  EXPECT_EQ(mem.ReadString("A", "x", ""), "2");
  mem.UpdateFile();
  EXPECT_EQ(ReadFile(), "[A]\r\nx=2\r\n\r\n[B]\r\ny=3\r\n");
  mem.Clear();
  mem.Rename(path_, true);
  EXPECT_EQ(mem.ReadString("B", "y", ""), "3");
}
