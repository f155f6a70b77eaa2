#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/registry/Registry.h"
#include "platform/vcl/Lists.h"
#include "platform/vcl/VclRegistry.h"
#include "support/TempDir.h"

using namespace vcl;

namespace {

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { plat::RegistrySetStorePath(temp_.File("registry.reg")); }
  void TearDown() override { plat::RegistrySetStorePath(""); }

  std::vector<std::string> Names(TStrings& list) {
    std::vector<std::string> names;
    for (int i = 0; i < list.Count(); ++i) names.push_back(list.Strings(i));
    return names;
  }

  testsupport::TempDir temp_;
};

}  // namespace

TEST_F(RegistryTest, KeysOpenRelativeToTheCurrentKeyOrFromTheRoot) {
  TRegistry reg;
  EXPECT_EQ(reg.RootKey(), plat::HKEY_CURRENT_USER);
  EXPECT_FALSE(reg.OpenKey("Software\\Quellix", false));
  EXPECT_NE(reg.LastError(), plat::ERROR_SUCCESS);
  ASSERT_TRUE(reg.OpenKey("Software\\Quellix", true));
  EXPECT_EQ(reg.CurrentPath(), "Software\\Quellix");
  ASSERT_TRUE(reg.OpenKey("Settings", true));
  EXPECT_EQ(reg.CurrentPath(), "Software\\Quellix\\Settings");
  ASSERT_TRUE(reg.OpenKey("\\Software", false));
  EXPECT_EQ(reg.CurrentPath(), "Software");
  EXPECT_TRUE(reg.KeyExists("Quellix\\Settings"));
  EXPECT_TRUE(reg.KeyExists("\\Software\\Quellix"));
  EXPECT_FALSE(reg.KeyExists("Settings"));
  EXPECT_TRUE(reg.HasSubKeys());
  reg.CloseKey();
  EXPECT_EQ(reg.CurrentKey(), nullptr);
  EXPECT_EQ(reg.CurrentPath(), "");
  // Another root is another tree.
  reg.SetRootKey(plat::HKEY_LOCAL_MACHINE);
  EXPECT_FALSE(reg.KeyExists("Software\\Quellix"));
}

TEST_F(RegistryTest, ValuesRoundTripThroughTheStore) {
  const unsigned char blob[] = {0, 1, 2, 254, 255};
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software\\Quellix", true));
    reg.WriteString("Skin", "Dark Steel");
    reg.WriteString("Empty", "");
    reg.WriteInteger("DeviceID in", -1);
    reg.WriteBool("Show RMS", true);
    reg.WriteBool("Show Note", false);
    reg.WriteFloat("dela", 0.125);
    reg.WriteBinaryData("BinData0", blob, sizeof blob);
  }
  plat::RegistryReload();
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly("Software\\Quellix"));
  EXPECT_EQ(reg.ReadString("Skin"), "Dark Steel");
  EXPECT_EQ(reg.ReadString("Empty"), "");
  EXPECT_EQ(reg.ReadString("Missing"), "");
  EXPECT_EQ(reg.ReadInteger("DeviceID in"), -1);
  EXPECT_TRUE(reg.ReadBool("Show RMS"));
  EXPECT_FALSE(reg.ReadBool("Show Note"));
  EXPECT_EQ(reg.ReadFloat("dela"), 0.125);
  unsigned char back[8] = {};
  EXPECT_EQ(reg.ReadBinaryData("BinData0", back, sizeof back), 5);
  EXPECT_EQ(std::memcmp(back, blob, sizeof blob), 0);
  EXPECT_EQ(reg.ReadBinaryData("Missing", back, sizeof back), 0);

  struct Case {
    const char* name;
    TRegDataType type;
    int size;
  };
  const Case cases[] = {
      {"Skin", rdString, 11}, {"DeviceID in", rdInteger, 4}, {"Show RMS", rdInteger, 4},
      {"dela", rdBinary, 8},  {"BinData0", rdBinary, 5},     {"Missing", rdUnknown, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(reg.GetDataType(c.name), c.type) << c.name;
    EXPECT_EQ(reg.GetDataSize(c.name), c.size) << c.name;
    EXPECT_EQ(reg.ValueExists(c.name), c.size >= 0) << c.name;
  }

  TStringList names;
  reg.GetValueNames(&names);
  EXPECT_EQ(Names(names), (std::vector<std::string>{"Skin", "Empty", "DeviceID in", "Show RMS", "Show Note",
                                                    "dela", "BinData0"}));
}

TEST_F(RegistryTest, ReadingAnotherTypeRaisesAndWritingToAReadOnlyKeyFails) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software\\Quellix", true));
  reg.WriteString("Skin", "Dark");
  reg.WriteInteger("Count", 3);
  reg.WriteBinaryData("Big", "0123456789", 10);
  reg.WriteExpandString("Path", "%HOME%\\x");
  EXPECT_EQ(reg.ReadString("Path"), "%HOME%\\x");

  struct Case {
    const char* what;
    std::function<void()> read;
    std::string message;
  };
  const Case cases[] = {
      {"integer from a string", [&] { reg.ReadInteger("Skin"); }, "Invalid data type for 'Skin'"},
      {"string from an integer", [&] { reg.ReadString("Count"); }, "Invalid data type for 'Count'"},
      {"float from an integer", [&] { reg.ReadFloat("Count"); }, "Invalid data type for 'Count'"},
      {"float from 10 bytes", [&] { reg.ReadFloat("Big"); }, "Invalid data type for 'Big'"},
      {"binary from a string",
       [&] {
         char b[16];
         reg.ReadBinaryData("Skin", b, sizeof b);
       },
       "Invalid data type for 'Skin'"},
      {"binary into a short buffer",
       [&] {
         char b[4];
         reg.ReadBinaryData("Big", b, sizeof b);
       },
       "Invalid data type for 'Big'"},
      {"missing integer", [&] { reg.ReadInteger("Nothing"); }, "Failed to get data for 'Nothing'"},
      {"missing bool", [&] { reg.ReadBool("Nothing"); }, "Failed to get data for 'Nothing'"},
  };
  for (const Case& c : cases) {
    try {
      c.read();
      ADD_FAILURE() << c.what << ": no exception";
    } catch (const ERegistryException& e) {
      EXPECT_EQ(e.Message(), c.message) << c.what;
    }
  }

  TRegistry reader;
  ASSERT_TRUE(reader.OpenKeyReadOnly("Software\\Quellix"));
  try {
    reader.WriteInteger("Count", 4);
    ADD_FAILURE() << "write to a read-only key";
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message(), "Failed to set data for 'Count'");
  }
  EXPECT_EQ(reader.LastError(), plat::ERROR_ACCESS_DENIED);
  EXPECT_EQ(reader.ReadInteger("Count"), 3);
}

TEST_F(RegistryTest, DeletingKeysTakesTheirSubtreeAndValuesGoOneByOne) {
  TRegistry reg;
  ASSERT_TRUE(reg.CreateKey("Software\\Quellix\\Slots\\A"));
  ASSERT_TRUE(reg.CreateKey("\\Software\\Quellix\\Slots\\B\\Deep"));
  ASSERT_TRUE(reg.OpenKey("Software\\Quellix", false));
  reg.WriteInteger("Keep", 1);
  reg.WriteInteger("Drop", 2);

  TStringList keys;
  ASSERT_TRUE(reg.OpenKey("Slots", false));
  reg.GetKeyNames(&keys);
  EXPECT_EQ(Names(keys), (std::vector<std::string>{"A", "B"}));

  ASSERT_TRUE(reg.OpenKey("\\Software\\Quellix", false));
  EXPECT_TRUE(reg.DeleteKey("Slots"));
  EXPECT_FALSE(reg.KeyExists("Slots"));
  EXPECT_FALSE(reg.KeyExists("\\Software\\Quellix\\Slots\\B\\Deep"));
  EXPECT_FALSE(reg.DeleteKey("Slots"));

  EXPECT_TRUE(reg.DeleteValue("Drop"));
  EXPECT_FALSE(reg.DeleteValue("Drop"));
  TStringList values;
  reg.GetValueNames(&values);
  EXPECT_EQ(Names(values), std::vector<std::string>{"Keep"});
}
