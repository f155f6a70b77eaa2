#include <sys/resource.h>

#include <chrono>

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
  k.values.Set({"", REG_SZ, {'x', 0}});
  k.values.Set({"q\"uote\\", REG_SZ, {'a', '\\', '"', 0}});
  k.values.Set({"nul inside", REG_SZ, {'a', 0, 'b', 0}});
  k.values.Set({"no terminator", REG_SZ, {'a'}});
  k.values.Set({"cr", REG_SZ, {'a', '\r', 0}});
  k.values.Set({"three byte dword", REG_DWORD, {1, 2, 3}});
  k.values.Set({"big type", 0x12345678, {1}});
  k.AddSubkey(" spaced ").AddSubkey("deep");
  tree.roots[0]->values.Set({"root value", REG_DWORD, {1, 0, 0, 0}});
  std::string text = RegistryFormatText(tree);
  auto back = RegistryParseText(text);
  EXPECT_TRUE(back.header_ok);
  EXPECT_EQ(back.skipped_lines, 0u);
  EXPECT_TRUE(RegistryTreesEqual(tree, back.tree)) << text;
  EXPECT_EQ(RegistryFormatText(back.tree), text);
}

// Store text with one section `depth` keys deep holding `values` values, then
// `subkeys` sibling keys written in falling order (the worst case for a
// sorted insert).
std::string LimitStore(size_t depth, size_t values, size_t subkeys) {
  std::string text = std::string(kRegistryHeader) + "\n[HKEY_CURRENT_USER";
  for (size_t i = 0; i < depth; ++i) text += "\\k";
  text += "]\n";
  for (size_t i = 0; i < values; ++i) text += "\"v" + std::to_string(i) + "\"=dword:1\n";
  if (values) text += "\"v0\"=dword:2\n";  // a name already in stays writable when the key is full
  for (size_t i = subkeys; i-- > 0;) text += "[HKEY_CURRENT_USER\\Wide\\s" + std::to_string(i) + "]\n";
  return text;
}

long PeakRssKb() {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TEST(RegistryFileTest, DeepAndCrowdedStoresLoadUpToTheLimitsInBoundedTimeAndMemory) {
  struct Case {
    const char* label;
    size_t depth, values, subkeys;
    size_t loaded_depth, loaded_values, loaded_subkeys;
    size_t too_deep, too_many_values, too_many_subkeys;
  };
  constexpr size_t D = kRegMaxDepth, V = kRegMaxValuesPerKey, S = kRegMaxSubkeysPerKey;
  const std::vector<Case> cases = {
      {"deep", 100, 3, 0, 100, 3, 0, 0, 0, 0},
      {"deepest allowed", D, 3, 0, D, 3, 0, 0, 0, 0},
      {"one level too deep", D + 1, 3, 0, 0, 0, 0, 5, 0, 0},  // the section, its values, the re-set
      {"20000 levels in 40 KB", 20000, 1, 0, 0, 0, 0, 3, 0, 0},
      {"values up to the limit", 1, V, 0, 1, V, 0, 0, 0, 0},
      {"100000 values", 1, 100000, 0, 1, V, 0, 0, 100000 - V, 0},
      {"subkeys up to the limit", 1, 0, S, 1, 0, S, 0, 0, 0},
      {"10000 subkeys", 1, 0, 10000, 1, 0, S, 0, 0, 10000 - S},
  };
  for (const auto& c : cases) {
    const std::string text = LimitStore(c.depth, c.values, c.subkeys);
    const long rss_before = PeakRssKb();
    const auto start = std::chrono::steady_clock::now();
    auto r = RegistryParseText(text);
    const std::string formatted = RegistryFormatText(r.tree);
    auto back = RegistryParseText(formatted);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long grown_mb = (PeakRssKb() - rss_before) / 1024;
    // Far above what the work needs, far below what a quadratic walk or
    // per-key path copies would take.
    EXPECT_LT(seconds, 60.0) << c.label;
    EXPECT_LT(grown_mb, 1024) << c.label;

    EXPECT_EQ(r.too_deep_lines, c.too_deep) << c.label;
    EXPECT_EQ(r.too_many_values_lines, c.too_many_values) << c.label;
    EXPECT_EQ(r.too_many_subkeys_lines, c.too_many_subkeys) << c.label;
    EXPECT_EQ(r.skipped_lines, c.too_deep + c.too_many_values + c.too_many_subkeys) << c.label;
    EXPECT_EQ(RegistryLimitProblem(r).empty(), r.skipped_lines == 0) << c.label;
    // What was loaded writes back and reads again without loss.
    EXPECT_EQ(back.skipped_lines, 0u) << c.label;
    EXPECT_TRUE(RegistryTreesEqual(r.tree, back.tree)) << c.label;

    const RegKeyNode* node = r.tree.roots[kUser].get();
    size_t depth = 0;
    while (const RegKeyNode* next = node->FindSubkey("k")) {
      node = next;
      ++depth;
    }
    EXPECT_EQ(depth, c.loaded_depth) << c.label;
    EXPECT_EQ(node->values.size(), c.loaded_values) << c.label;
    if (c.loaded_values) {
      EXPECT_EQ(node->FindValue("V0")->data[0], 2) << c.label;
      EXPECT_NE(node->FindValue("v" + std::to_string(c.loaded_values - 1)), nullptr) << c.label;
      EXPECT_EQ(node->FindValue("v" + std::to_string(c.loaded_values)), nullptr) << c.label;
    }
    const RegKeyNode* wide = Find(r.tree, kUser, {"Wide"});
    EXPECT_EQ(wide ? wide->subkeys.size() : 0u, c.loaded_subkeys) << c.label;
  }
}

TEST_F(RegistryTest, StoreWithJunkOrPastTheLimitsIsReadAndKeptAsABackupBeforeItIsReplaced) {
  struct Case {
    const char* label;
    std::string text;
    size_t skipped;
    const char* said;  // on stderr; "" for nothing
  };
  const std::string kept = "[HKEY_CURRENT_USER\\Kept]\n\"v\"=dword:00000003\n";
  const std::vector<Case> cases = {
      {"junk", std::string(kRegistryHeader) + "\n" + kept + "garbage line\n\"w\"=dword:zz\n", 2, ""},
      // The deep section, its two values and the re-set.
      {"too deep", LimitStore(kRegMaxDepth + 1, 2, 0) + kept, 4,
       "4 lines of keys nested deeper than 512 levels"},
  };
  std::filesystem::create_directories(std::filesystem::path(store_).parent_path());
  for (const auto& c : cases) {
    std::filesystem::remove(store_ + ".bak");
    { std::ofstream(store_, std::ios::binary) << c.text; }
    testing::internal::CaptureStderr();
    RegistryReload();
    const std::string said = testing::internal::GetCapturedStderr();
    if (*c.said) {
      EXPECT_NE(said.find(c.said), std::string::npos) << said;
      EXPECT_NE(said.find(store_ + ".bak"), std::string::npos) << said;
    } else {
      EXPECT_EQ(said, "") << c.label;
    }
    EXPECT_EQ(RegistrySkippedLines(), c.skipped) << c.label;
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Kept", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS) << c.label;
    EXPECT_EQ(GetDword(key, "v"), 3u) << c.label;
    SetDword(key, "x", 4);
    RegCloseKey(key);
    std::ifstream bak(store_ + ".bak", std::ios::binary);
    std::stringstream ss;
    ss << bak.rdbuf();
    EXPECT_EQ(ss.str(), c.text) << c.label;
    RegistryReload();
    EXPECT_EQ(RegistrySkippedLines(), 0u) << c.label;
  }
}

}  // namespace
}  // namespace regtest
