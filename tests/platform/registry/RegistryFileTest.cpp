#include "RegistryFixture.h"

using namespace plat;

namespace regtest {
namespace {

const RegKeyNode* Find(const RegistryTree& tree, int root, std::initializer_list<const char*> path) {
  const RegKeyNode* node = tree.roots[root].get();
  for (const char* part : path) {
    if (!node) return nullptr;
    node = node->FindSubkey(part);
  }
  return node;
}

constexpr int kUser = 1;

TEST(RegistryFileTest, ReadsEachValueForm) {
  std::string text = std::string(kRegistryHeader) +
                     "\r\n"
                     "[HKEY_CURRENT_USER\\Vantorel\\Sonavex Pro Lab]\r\n"
                     "\"i\"=dword:0000002a\r\n"
                     "\"short\"=dword:7\r\n"
                     "\"s\"=\"a \\\"q\\\" b\\\\c\"\r\n"
                     "@=\"def\"\r\n"
                     "\"b\"=hex:01,ff,00\r\n"
                     "\"e\"=hex:\r\n"
                     "\"x\"=hex(7):61,00,00\r\n"
                     "\"wrapped\"=hex:01,02,\\\r\n"
                     "  03,04\r\n"
                     "; a comment\r\n"
                     "[hkey_local_machine\\Other]\n";
  auto r = RegistryParseText(text);
  EXPECT_TRUE(r.header_ok);
  EXPECT_EQ(r.skipped_lines, 0u);
  const RegKeyNode* lab = Find(r.tree, kUser, {"vantorel", "SONAVEX PRO LAB"});
  ASSERT_NE(lab, nullptr);
  struct Expect {
    const char* name;
    DWORD type;
    std::vector<BYTE> data;
  };
  const std::vector<Expect> expected = {
      {"i", REG_DWORD, {0x2a, 0, 0, 0}},
      {"short", REG_DWORD, {7, 0, 0, 0}},
      {"s", REG_SZ, {'a', ' ', '"', 'q', '"', ' ', 'b', '\\', 'c', 0}},
      {"", REG_SZ, {'d', 'e', 'f', 0}},
      {"b", REG_BINARY, {1, 0xff, 0}},
      {"e", REG_BINARY, {}},
      {"x", REG_MULTI_SZ, {'a', 0, 0}},
      {"wrapped", REG_BINARY, {1, 2, 3, 4}},
  };
  ASSERT_EQ(lab->values.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(lab->values[i].name, expected[i].name);
    EXPECT_EQ(lab->values[i].type, expected[i].type) << expected[i].name;
    EXPECT_EQ(lab->values[i].data, expected[i].data) << expected[i].name;
  }
  EXPECT_NE(Find(r.tree, 2, {"Other"}), nullptr);
}

TEST(RegistryFileTest, SkipsMalformedLinesAndCountsThem) {
  struct Case {
    const char* label;
    const char* body;
    size_t skipped;
  };
  const std::vector<Case> cases = {
      {"value before any section", "\"a\"=dword:1\n[HKEY_CURRENT_USER\\K]\n", 1},
      {"unknown root and its values", "[HKEY_NOWHERE\\K]\n\"a\"=dword:1\n\"b\"=dword:2\n", 3},
      {"section without closing bracket", "[HKEY_CURRENT_USER\\K\n", 1},
      {"unterminated name", "[HKEY_CURRENT_USER\\K]\n\"a=dword:1\n", 1},
      {"unknown escape", "[HKEY_CURRENT_USER\\K]\n\"a\\n\"=dword:1\n", 1},
      {"dword too long", "[HKEY_CURRENT_USER\\K]\n\"a\"=dword:123456789\n", 1},
      {"dword not hex", "[HKEY_CURRENT_USER\\K]\n\"a\"=dword:xyz\n", 1},
      {"byte too wide", "[HKEY_CURRENT_USER\\K]\n\"a\"=hex:100\n", 1},
      {"empty byte", "[HKEY_CURRENT_USER\\K]\n\"a\"=hex:01,,02\n", 1},
      {"junk after text", "[HKEY_CURRENT_USER\\K]\n\"a\"=\"x\" y\n", 1},
      {"unknown kind", "[HKEY_CURRENT_USER\\K]\n\"a\"=qword:1\n", 1},
      {"no equals", "[HKEY_CURRENT_USER\\K]\n\"a\" dword:1\n", 1},
      {"plain junk", "[HKEY_CURRENT_USER\\K]\nhello\n\x01\x02\n", 2},
      {"continuation into the end", "[HKEY_CURRENT_USER\\K]\n\"a\"=hex:01,\\\n", 1},
      {"broken continued list", "[HKEY_CURRENT_USER\\K]\n\"a\"=hex:01,\\\n  zz\n", 2},
  };
  for (const auto& c : cases) {
    auto r = RegistryParseText(std::string(kRegistryHeader) + "\n" + c.body);
    EXPECT_EQ(r.skipped_lines, c.skipped) << c.label;
    const RegKeyNode* k = Find(r.tree, kUser, {"K"});
    if (k) {
      EXPECT_TRUE(k->values.empty()) << c.label;
    }
  }
  // Without the header the rest is still read, and the header's absence shows.
  auto r = RegistryParseText("[HKEY_CURRENT_USER\\K]\n\"a\"=dword:1\n");
  EXPECT_FALSE(r.header_ok);
  EXPECT_NE(Find(r.tree, kUser, {"K"}), nullptr);
}

TEST(RegistryFileTest, DuplicatesMergeAndTheLastValueWins) {
  auto r = RegistryParseText(std::string(kRegistryHeader) +
                             "\n[HKEY_CURRENT_USER\\Key]\n\"A\"=dword:1\n\"b\"=dword:2\n"
                             "[HKEY_CURRENT_USER\\KEY]\n\"a\"=\"x\"\n");
  const RegKeyNode* k = Find(r.tree, kUser, {"key"});
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(k->name, "Key");
  ASSERT_EQ(k->values.size(), 2u);
  EXPECT_EQ(k->values[0].name, "A");
  EXPECT_EQ(k->values[0].type, REG_SZ);
}

TEST(RegistryFileTest, FormatThenParseGivesTheSameTree) {
  RegistryTree tree;
  RegKeyNode& k = tree.roots[kUser]->AddSubkey("Odd ]names[");
  k.values.push_back({"", REG_SZ, {'x', 0}});
  k.values.push_back({"q\"uote\\", REG_SZ, {'a', '\\', '"', 0}});
  k.values.push_back({"nul inside", REG_SZ, {'a', 0, 'b', 0}});
  k.values.push_back({"no terminator", REG_SZ, {'a'}});
  k.values.push_back({"cr", REG_SZ, {'a', '\r', 0}});
  k.values.push_back({"three byte dword", REG_DWORD, {1, 2, 3}});
  k.values.push_back({"big type", 0x12345678, {1}});
  k.AddSubkey(" spaced ").AddSubkey("deep");
  tree.roots[0]->values.push_back({"root value", REG_DWORD, {1, 0, 0, 0}});
  std::string text = RegistryFormatText(tree);
  auto back = RegistryParseText(text);
  EXPECT_TRUE(back.header_ok);
  EXPECT_EQ(back.skipped_lines, 0u);
  EXPECT_TRUE(RegistryTreesEqual(tree, back.tree)) << text;
  EXPECT_EQ(RegistryFormatText(back.tree), text);
}

TEST_F(RegistryTest, StoreWithJunkIsReadAndKeptAsABackupBeforeItIsReplaced) {
  std::filesystem::create_directories(std::filesystem::path(store_).parent_path());
  const std::string junk =
      std::string(kRegistryHeader) +
      "\n[HKEY_CURRENT_USER\\Kept]\n\"v\"=dword:00000003\ngarbage line\n\"w\"=dword:zz\n";
  { std::ofstream(store_, std::ios::binary) << junk; }
  RegistryReload();
  EXPECT_EQ(RegistrySkippedLines(), 2u);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Kept", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  EXPECT_EQ(GetDword(key, "v"), 3u);
  SetDword(key, "x", 4);
  RegCloseKey(key);
  std::ifstream bak(store_ + ".bak", std::ios::binary);
  std::stringstream ss;
  ss << bak.rdbuf();
  EXPECT_EQ(ss.str(), junk);
  RegistryReload();
  EXPECT_EQ(RegistrySkippedLines(), 0u);
}

}  // namespace
}  // namespace regtest
