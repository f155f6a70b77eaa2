#include "RegistryFixture.h"

using namespace plat;

namespace regtest {
namespace {

struct ValueCase {
  const char* label;
  DWORD type;
  std::vector<BYTE> written;
  std::vector<BYTE> stored;  // what a query gives back
};

std::vector<BYTE> Bytes(const std::string& s) { return std::vector<BYTE>(s.begin(), s.end()); }
std::vector<BYTE> Sz(const std::string& s) {
  auto b = Bytes(s);
  b.push_back(0);
  return b;
}

TEST_F(RegistryTest, EveryValueKindRoundTripsThroughTheStore) {
  std::vector<BYTE> big(5000);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<BYTE>(i * 7);
  const std::vector<ValueCase> cases = {
      {"dword", REG_DWORD, {0x2a, 0, 0, 0x80}, {0x2a, 0, 0, 0x80}},
      {"text", REG_SZ, Sz("Sonavex \"pro\" C:\\Data\\ äöü"), Sz("Sonavex \"pro\" C:\\Data\\ äöü")},
      {"empty text", REG_SZ, Sz(""), Sz("")},
      {"text without terminator", REG_SZ, Bytes("abc"), Sz("abc")},
      {"text with line breaks", REG_SZ, Sz("line 1\r\nline 2"), Sz("line 1\r\nline 2")},
      {"expandable", REG_EXPAND_SZ, Sz("%HOME%\\x"), Sz("%HOME%\\x")},
      {"binary", REG_BINARY, {0, 1, 0xfe, 0xff}, {0, 1, 0xfe, 0xff}},
      {"empty binary", REG_BINARY, {}, {}},
      {"large binary", REG_BINARY, big, big},
      {"multi", REG_MULTI_SZ, {'a', 0, 'b', 0, 0}, {'a', 0, 'b', 0, 0}},
      {"qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}, {1, 2, 3, 4, 5, 6, 7, 8}},
      {"none", REG_NONE, {9}, {9}},
      {"short dword", REG_DWORD, {1, 2}, {1, 2}},
  };
  HKEY key = Create("Vantorel\\Sonavex Pro Lab");
  for (const auto& c : cases)
    ASSERT_EQ(RegSetValueExA(key, c.label, 0, c.type, c.written.data(), static_cast<DWORD>(c.written.size())),
              ERROR_SUCCESS)
        << c.label;
  RegCloseKey(key);

  for (bool reload : {false, true}) {
    if (reload) RegistryReload();
    EXPECT_EQ(RegistrySkippedLines(), 0u);
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Vantorel\\Sonavex Pro Lab", 0, KEY_READ, &k), ERROR_SUCCESS);
    for (const auto& c : cases) {
      DWORD type = 99;
      std::vector<BYTE> data;
      ASSERT_EQ(Get(k, c.label, type, data), ERROR_SUCCESS) << c.label;
      EXPECT_EQ(type, c.type) << c.label;
      EXPECT_EQ(data, c.stored) << c.label << (reload ? " after reload" : "");
    }
    RegCloseKey(k);
  }
}

TEST_F(RegistryTest, StoreFileReadsLikeAnExport) {
  HKEY key = Create("\\Vantorel\\Mp3 Encoder");
  SetDword(key, "Mp3 Encode BitRate", 42);
  SetString(key, "Mp3 Encode", "C:\\Music\\\"new\"");
  SetString(key, "", "default");
  BYTE bin[] = {1, 0xab};
  RegSetValueExA(key, "bin", 0, REG_BINARY, bin, 2);
  RegCloseKey(key);
  RegCloseKey(Create("Vantorel\\Empty"));

  EXPECT_EQ(ReadStore(), std::string(kRegistryHeader) +
                             "\n\n"
                             "[HKEY_CURRENT_USER\\Vantorel]\n\n"
                             "[HKEY_CURRENT_USER\\Vantorel\\Empty]\n\n"
                             "[HKEY_CURRENT_USER\\Vantorel\\Mp3 Encoder]\n"
                             "\"Mp3 Encode BitRate\"=dword:0000002a\n"
                             "\"Mp3 Encode\"=\"C:\\\\Music\\\\\\\"new\\\"\"\n"
                             "@=\"default\"\n"
                             "\"bin\"=hex:01,ab\n\n");
}

TEST_F(RegistryTest, NamesCompareWithoutCaseAndKeepTheirFirstSpelling) {
  HKEY a = Create("Vantorel\\Sonavex Pro Lab");
  SetDword(a, "Set Oct", 1);
  HKEY b = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "VANTOREL\\sonavex pro lab", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &b, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  EXPECT_NE(a, b);
  SetDword(b, "SET OCT", 3);
  EXPECT_EQ(GetDword(a, "set oct"), 3u);

  char name[64];
  DWORD size = sizeof name;
  ASSERT_EQ(RegEnumValueA(a, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_STREQ(name, "Set Oct");
  size = sizeof name;
  ASSERT_EQ(RegEnumKeyExA(HKEY_CURRENT_USER, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_STREQ(name, "Vantorel");
  EXPECT_EQ(size, 8u);
  RegCloseKey(a);
  RegCloseKey(b);
}

TEST_F(RegistryTest, QueryReportsTheStoredTypeSoCallersSeeAMismatch) {
  HKEY key = Create("Kind");
  SetDword(key, "number", 7);
  SetString(key, "text", "7");
  DWORD type = 0;
  std::vector<BYTE> data;
  ASSERT_EQ(Get(key, "number", type, data), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  ASSERT_EQ(Get(key, "text", type, data), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(data.size(), 2u);
  // Rewriting a value with another kind replaces it in place.
  SetString(key, "number", "seven");
  ASSERT_EQ(Get(key, "number", type, data), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  char name[16];
  DWORD size = sizeof name;
  ASSERT_EQ(RegEnumValueA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_STREQ(name, "number");
  RegCloseKey(key);
}

TEST_F(RegistryTest, QueryValueSizeRules) {
  HKEY key = Create("Sizes");
  SetString(key, "s", "hello");
  DWORD type = 0, size = 0;
  // Size query: the text with its terminating zero.
  ASSERT_EQ(RegQueryValueExA(key, "s", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(type, REG_SZ);
  // Too small: ERROR_MORE_DATA with the size needed, buffer untouched.
  char small[4] = {'x', 'x', 'x', 'x'};
  size = sizeof small;
  EXPECT_EQ(RegQueryValueExA(key, "s", nullptr, nullptr, reinterpret_cast<BYTE*>(small), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(small[0], 'x');
  // Exactly big enough and larger: the bytes and their count.
  for (DWORD capacity : {6u, 32u}) {
    char buf[32] = {};
    size = capacity;
    EXPECT_EQ(RegQueryValueExA(key, "s", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(size, 6u);
    EXPECT_STREQ(buf, "hello");
  }
  // Data without a size, a missing value, and a type-only query.
  char buf[8];
  EXPECT_EQ(RegQueryValueExA(key, "s", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegQueryValueExA(key, "missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  type = 0;
  EXPECT_EQ(RegQueryValueExA(key, "s", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  // The default value answers to both a null and an empty name.
  EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  SetString(key, nullptr, "d");
  EXPECT_EQ(RegQueryValueExA(key, "", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 2u);
  RegCloseKey(key);
}

TEST_F(RegistryTest, EnumerationOrderAndEnd) {
  HKEY key = Create("Enum");
  for (const char* sub : {"zeta", "Alpha", "beta"})
    RegCloseKey(Create((std::string("Enum\\") + sub).c_str()));
  for (const char* v : {"z", "a", "M"}) SetDword(key, v, 1);

  std::vector<std::string> keys, values;
  char name[32];
  DWORD size;
  LONG r;
  for (DWORD i = 0; (size = sizeof name, r = RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr,
                                                           nullptr)) == ERROR_SUCCESS;
       ++i)
    keys.push_back(name);
  EXPECT_EQ(r, ERROR_NO_MORE_ITEMS);
  for (DWORD i = 0; (size = sizeof name, r = RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr,
                                                           nullptr)) == ERROR_SUCCESS;
       ++i)
    values.push_back(name);
  EXPECT_EQ(r, ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(keys, (std::vector<std::string>{"Alpha", "beta", "zeta"}));
  EXPECT_EQ(values, (std::vector<std::string>{"z", "a", "M"}));

  // A name buffer without room for the terminator.
  size = 5;
  EXPECT_EQ(RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  // Value data too small: the size needed comes back.
  DWORD data_size = 2;
  BYTE data[4];
  size = sizeof name;
  EXPECT_EQ(RegEnumValueA(key, 0, name, &size, nullptr, nullptr, data, &data_size), ERROR_MORE_DATA);
  EXPECT_EQ(data_size, 4u);

  DWORD sub_keys = 0, max_sub = 0, n_values = 0, max_name = 0, max_len = 0;
  FILETIME written;
  ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &sub_keys, &max_sub, nullptr, &n_values,
                             &max_name, &max_len, nullptr, &written),
            ERROR_SUCCESS);
  EXPECT_EQ(sub_keys, 3u);
  EXPECT_EQ(max_sub, 5u);
  EXPECT_EQ(n_values, 3u);
  EXPECT_EQ(max_name, 1u);
  EXPECT_EQ(max_len, 4u);
  EXPECT_NE(written.dwHighDateTime, 0u);
  RegCloseKey(key);
}

TEST_F(RegistryTest, DeleteKeyOnlyTakesLeaves) {
  RegCloseKey(Create("Tree\\Branch\\Leaf"));
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Tree\\Branch"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Tree\\Branch\\Missing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "tree\\branch\\LEAF"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Tree\\Branch"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, ""), ERROR_INVALID_PARAMETER);
  HKEY k = reinterpret_cast<HKEY>(1);
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Tree\\Branch", 0, KEY_READ, &k), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(k, nullptr);
  RegistryReload();
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Tree\\Branch", 0, KEY_READ, &k), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Tree", 0, KEY_READ, &k), ERROR_SUCCESS);
  RegCloseKey(k);
}

TEST_F(RegistryTest, DeleteTreeTakesSubkeysAlong) {
  HKEY open = Create("Tree\\Branch\\Leaf");
  SetDword(open, "v", 1);
  RegCloseKey(Create("Tree\\Other"));
  EXPECT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "tree\\BRANCH"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "Tree\\Branch"), ERROR_FILE_NOT_FOUND);
  DWORD v = 2;
  // A handle into the deleted tree no longer reaches a key.
  EXPECT_NE(RegSetValueExA(open, "v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4), ERROR_SUCCESS);
  RegCloseKey(open);
  RegistryReload();
  HKEY k = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Tree\\Branch\\Leaf", 0, KEY_READ, &k), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Tree\\Other", 0, KEY_READ, &k), ERROR_SUCCESS);
  RegCloseKey(k);
}

TEST_F(RegistryTest, DeleteValue) {
  HKEY key = Create("Values");
  SetDword(key, "a", 1);
  EXPECT_EQ(RegDeleteValueA(key, "A"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key, "a"), ERROR_FILE_NOT_FOUND);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "a", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
}

TEST_F(RegistryTest, KeysAndValuesStopAtTheLimitsTheStoreCanReadBack) {
  std::string deepest;
  for (size_t i = 0; i < kRegMaxDepth; ++i) deepest += "d\\";
  HKEY key = Create(deepest.c_str());
  ASSERT_NE(key, nullptr);
  HKEY other = nullptr;
  EXPECT_EQ(RegCreateKeyA(key, "one more", &other), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, (deepest + "x").c_str(), &other), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (deepest + "x").c_str(), 0, KEY_READ, &other),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(other, nullptr);
  RegCloseKey(key);

  // A full key: new names are refused, existing ones stay writable, and a
  // deletion from the middle leaves every other value where it was.
  std::filesystem::create_directories(std::filesystem::path(store_).parent_path());
  {
    std::ofstream out(store_, std::ios::binary);
    out << kRegistryHeader << "\n[HKEY_CURRENT_USER\\Full]\n";
    for (size_t i = 0; i < kRegMaxValuesPerKey; ++i)
      out << "\"v" << i << "\"=dword:" << std::hex << i << std::dec << "\n";
  }
  RegistryReload();
  ASSERT_EQ(RegistrySkippedLines(), 0u);
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Full", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  DWORD v = 1;
  const auto* bytes = reinterpret_cast<const BYTE*>(&v);
  EXPECT_EQ(RegSetValueExA(key, "new", 0, REG_DWORD, bytes, 4), ERROR_OUTOFMEMORY);
  EXPECT_EQ(RegSetValueExA(key, "V7", 0, REG_DWORD, bytes, 4), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key, "v100"), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(key, "new", 0, REG_DWORD, bytes, 4), ERROR_SUCCESS);
  EXPECT_EQ(GetDword(key, "v7"), 1u);
  EXPECT_EQ(GetDword(key, "v99"), 99u);
  EXPECT_EQ(GetDword(key, "v101"), 101u);
  EXPECT_EQ(GetDword(key, ("v" + std::to_string(kRegMaxValuesPerKey - 1)).c_str()), kRegMaxValuesPerKey - 1);
  char name[32];
  DWORD size = sizeof name;
  ASSERT_EQ(RegEnumValueA(key, 100, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_STREQ(name, "v101");
  RegCloseKey(key);
}

TEST_F(RegistryTest, HandlesAreOwnValuesAndClosedOnesAreRefused) {
  HKEY a = Create("H");
  HKEY b = Create("H");
  ASSERT_NE(a, nullptr);
  EXPECT_NE(a, b);
  auto v = reinterpret_cast<uintptr_t>(a);
  EXPECT_FALSE(v >= 0x80000000u && v <= 0x80000006u);
  EXPECT_EQ(RegCloseKey(a), ERROR_SUCCESS);
  HKEY c = Create("H");
  EXPECT_NE(c, a);  // never reused

  DWORD size = 4, v32 = 1;
  HKEY out = nullptr;
  char name[8];
  DWORD name_size = sizeof name;
  EXPECT_EQ(RegCloseKey(a), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegSetValueExA(a, "x", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v32), 4), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegQueryValueExA(a, "x", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegOpenKeyExA(a, "sub", 0, KEY_READ, &out), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCreateKeyA(a, "sub", &out), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegEnumKeyExA(a, 0, name, &name_size, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegDeleteValueA(a, "x"), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegFlushKey(a), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(0x12345)), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
  // Root keys are always open.
  EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
  EXPECT_EQ(RegFlushKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
  RegCloseKey(b);
  RegCloseKey(c);
}

TEST_F(RegistryTest, HandleOfADeletedKeyFailsWithoutCrashing) {
  HKEY held = Create("Gone\\Leaf");
  SetDword(held, "v", 1);
  ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Gone\\Leaf"), ERROR_SUCCESS);
  DWORD v = 2, size = 4;
  EXPECT_EQ(RegSetValueExA(held, "v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4), ERROR_KEY_DELETED);
  EXPECT_EQ(RegQueryValueExA(held, "v", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
  // A new key of the same name is another key; the old handle stays dead.
  HKEY fresh = Create("Gone\\Leaf");
  EXPECT_EQ(RegQueryValueExA(held, "v", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
  EXPECT_EQ(RegQueryValueExA(fresh, "v", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegCloseKey(held), ERROR_SUCCESS);
  RegCloseKey(fresh);
}

TEST_F(RegistryTest, OpenHandlesSurviveAReload) {
  HKEY key = Create("Stay");
  SetDword(key, "v", 5);
  RegistryReload();
  EXPECT_EQ(GetDword(key, "v"), 5u);
  RegCloseKey(key);
}

TEST_F(RegistryTest, AccessRightsOfAHandleAreKept) {
  RegCloseKey(Create("Ro"));
  HKEY ro = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Ro", 0, KEY_READ, &ro), ERROR_SUCCESS);
  DWORD v = 1;
  HKEY sub = nullptr;
  EXPECT_EQ(RegSetValueExA(ro, "v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegCreateKeyExA(ro, "new", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr),
            ERROR_ACCESS_DENIED);
  RegCloseKey(ro);
  HKEY wo = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Ro", 0, KEY_WRITE, &wo), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(wo, "v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4), ERROR_SUCCESS);
  DWORD size = 4;
  EXPECT_EQ(RegQueryValueExA(wo, "v", nullptr, nullptr, nullptr, &size), ERROR_ACCESS_DENIED);
  RegCloseKey(wo);
}

TEST_F(RegistryTest, KeyPathsAndDisposition) {
  DWORD disposition = 0;
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "\\A\\\\B\\C\\", 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  RegCloseKey(key);
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A\\B\\C", 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  // Other roots are separate trees.
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "A", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  // RegOpenKey with no sub key hands back the same handle; RegOpenKeyEx a new one.
  HKEY same = nullptr, other = nullptr;
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "A", &key), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyA(key, nullptr, &same), ERROR_SUCCESS);
  EXPECT_EQ(same, key);
  EXPECT_EQ(RegOpenKeyExA(key, "", 0, KEY_READ, &other), ERROR_SUCCESS);
  EXPECT_NE(other, key);
  RegCloseKey(other);
  RegCloseKey(key);
  // A line break cannot be stored in a name.
  EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "bad\nname", &key), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegSetValueExA(HKEY_CURRENT_USER, "bad\nname", 0, REG_NONE, nullptr, 0), ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryTest, FollowsTheEnvironmentWhenNoPathIsSet) {
  plat::RegistrySetStorePath("");
  testsupport::TempDir other;
  testsupport::ScopedEnv unset_override("QUELLIX_REGISTRY", "");
  {
    testsupport::ScopedEnv xdg("XDG_CONFIG_HOME", other.path().string());
    EXPECT_EQ(RegistryStorePath(), other.File("quellix/registry.reg"));
    {
      testsupport::ScopedEnv override_path("QUELLIX_REGISTRY", other.File("own.reg"));
      EXPECT_EQ(RegistryStorePath(), other.File("own.reg"));
      HKEY key = Create("Env");
      SetDword(key, "v", 9);
      RegCloseKey(key);
      EXPECT_TRUE(std::filesystem::exists(other.File("own.reg")));
    }
    // A different store: the value written above is not here.
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Env", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  }
  testsupport::ScopedEnv no_xdg("XDG_CONFIG_HOME", "");
  testsupport::ScopedEnv home("HOME", other.path().string());
  EXPECT_EQ(RegistryStorePath(), other.File(".config/quellix/registry.reg"));
}

TEST_F(RegistryTest, FailedWriteIsReportedAndLeavesNothingBehind) {
  { std::ofstream(temp_.File("blocker")) << "x"; }
  std::filesystem::create_directories(temp_.File("a directory.reg"));
  // A store whose folder is a file cannot even be locked; one that is a
  // folder cannot be replaced by the new file.
  for (const char* bad : {"blocker/registry.reg", "a directory.reg"}) {
    RegistrySetStorePath(temp_.File(bad));
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Lost", &key), ERROR_WRITE_FAULT) << bad;
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(RegSetValueExA(HKEY_CURRENT_USER, "v", 0, REG_NONE, nullptr, 0), ERROR_WRITE_FAULT) << bad;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Lost", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND) << bad;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(HKEY_CURRENT_USER, "v", nullptr, nullptr, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp_.path()), {}), 3);  // no temporary left
}

}  // namespace
}  // namespace regtest
