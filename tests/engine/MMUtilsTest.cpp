#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <numeric>
#include <optional>
#include <vector>

#include "engine/EngineUnits.h"
#include "engine/MMUtils.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Locale.h"
#include "platform/kernel/SystemInfo.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/kernel/UnitTable.h"
#include "platform/registry/Registry.h"
#include "support/TempDir.h"

namespace {

TEST(MMUtilsTable, SwapAndIncrement) {
  plat::WORD w1 = 1, w2 = 0xFFFF;
  engine::SwapWord(w1, w2);
  EXPECT_EQ(w1, 0xFFFF);
  EXPECT_EQ(w2, 1);
  plat::DWORD d1 = 1, d2 = 0xFFFFFFFF;
  engine::SwapLong(d1, d2);
  EXPECT_EQ(d1, 0xFFFFFFFFu);
  EXPECT_EQ(d2, 1u);
  int32_t i1 = -5, i2 = 7;
  engine::SwapInt(i1, i2);
  EXPECT_EQ(i1, 7);
  EXPECT_EQ(i2, -5);
  engine::IncBy(i1, -10);
  EXPECT_EQ(i1, -3);
}

struct RangeCase {
  int32_t x, a, b;
  int32_t clamp, clamp_either;
  bool in_range, in_range_either;
};

TEST(MMUtilsTable, ClampAndRangeTestsWithBoundsInEitherOrder) {
  const RangeCase cases[] = {
      // x, a, b: IntClamp(x, a, b), IntClampEither, IntInRange, IntInRangeEither
      {5, 0, 10, 5, 5, true, true},      {-3, 0, 10, 0, 0, false, false},
      {12, 0, 10, 10, 10, false, false}, {0, 0, 10, 0, 0, true, true},
      {10, 0, 10, 10, 10, true, true},   {5, 10, 0, 10, 5, false, true},  // lower bound wins in IntClamp
      {-3, 10, 0, 10, 0, false, false},  {12, 10, 0, 0, 10, false, false},
      {7, 7, 7, 7, 7, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << " in " << c.a << ".." << c.b);
    EXPECT_EQ(engine::IntClamp(c.x, c.a, c.b), c.clamp);
    EXPECT_EQ(engine::IntClampEither(c.x, c.a, c.b), c.clamp_either);
    EXPECT_EQ(engine::IntInRange(c.x, c.a, c.b), c.in_range);
    EXPECT_EQ(engine::IntInRangeEither(c.x, c.a, c.b), c.in_range_either);
  }
  EXPECT_EQ(engine::IntMin(3, -3), -3);
  EXPECT_EQ(engine::IntMin(-3, 3), -3);
  EXPECT_EQ(engine::IntMax(-3, 3), 3);
}

// Guard bytes on both sides show writes outside the block.
struct Block {
  std::array<uint8_t, 32> bytes{};
  Block() { bytes.fill(0xEE); }
  uint8_t* at(int i) { return bytes.data() + 8 + i; }
  int Count(uint8_t v) const { return static_cast<int>(std::count(bytes.begin(), bytes.end(), v)); }
};

TEST(MMUtilsMemory, FillBytesWritesExactlyCountBytes) {
  for (int count : {0, 1, 3, 4, 7, 8, 13}) {
    Block b;
    engine::FillBytes(b.at(1), count, 0x5A);  // odd start: not word-aligned
    EXPECT_EQ(b.Count(0x5A), count) << count;
    for (int i = 0; i < count; ++i) EXPECT_EQ(*b.at(1 + i), 0x5A);
  }
  Block b;
  engine::FillBytes(b.at(0), -4, 0);
  engine::FillBytes(nullptr, 16, 0);
  EXPECT_EQ(b.Count(0xEE), 32);
}

TEST(MMUtilsMemory, FillPatternWritesWordsThenTheLowByte) {
  Block b;
  engine::FillPattern(b.at(1), 7, 0x44332211);
  const uint8_t expected[] = {0x11, 0x22, 0x33, 0x44, 0x11, 0x11, 0x11};
  EXPECT_EQ(std::memcmp(b.at(1), expected, 7), 0);
  EXPECT_EQ(b.Count(0xEE), 32 - 7);
  engine::FillPattern(b.at(0), -1, 0);
  engine::FillPattern(nullptr, 8, 0);  // refused, not written through
  EXPECT_EQ(b.Count(0xEE), 32 - 7);
}

TEST(MMUtilsMemory, MoveBytesMatchesACopyThroughATemporary) {
  const struct {
    int from, to, count;
  } cases[] = {{0, 3, 10}, {3, 0, 10}, {1, 2, 17}, {2, 1, 17}, {0, 4, 12}, {5, 5, 9}, {0, 9, 3}};
  for (const auto& c : cases) {
    std::vector<uint8_t> buf(40), ref(40);
    std::iota(buf.begin(), buf.end(), uint8_t{1});
    ref = buf;
    const std::vector<uint8_t> temp(ref.begin() + c.from, ref.begin() + c.from + c.count);
    std::copy(temp.begin(), temp.end(), ref.begin() + c.to);
    engine::MoveBytes(buf.data() + c.from, buf.data() + c.to, c.count);
    EXPECT_EQ(buf, ref) << c.from << " -> " << c.to << " x" << c.count;
  }
  std::vector<uint8_t> buf{1, 2, 3};
  engine::MoveBytes(buf.data(), buf.data() + 1, -2);
  engine::MoveBytes(buf.data(), buf.data() + 1, 0);
  EXPECT_EQ(buf, (std::vector<uint8_t>{1, 2, 3}));
}

TEST(MMUtilsMemory, BytesEqualComparesTheFirstCountBytes) {
  const uint8_t a[] = {1, 2, 3, 4, 5, 6, 7};
  const uint8_t b[] = {1, 2, 3, 4, 5, 6, 8};
  EXPECT_TRUE(engine::BytesEqual(a, b, 6));
  EXPECT_FALSE(engine::BytesEqual(a, b, 7));  // differs in the byte tail
  const uint8_t c[] = {1, 2, 9, 4, 5, 6, 7};
  EXPECT_FALSE(engine::BytesEqual(a, c, 7));  // differs in the first word
  EXPECT_TRUE(engine::BytesEqual(nullptr, nullptr, 0));
}

TEST(MMUtilsText, TimeToTextPicksTheFormatBySize) {
  const struct {
    bool with_ms;
    int64_t time;
    const char* expected;
  } cases[] = {
      {true, 3723004, "1:02:03.004"},
      {true, 90061001, "1:01:01:01.001"},
      {true, 0, "0:00.000"},
      {true, 3599999, "59:59.999"},
      {true, 3600000, "1:00:00.000"},
      {true, 86399999, "23:59:59.999"},
      {true, 86400000, "1:00:00:00.000"},
      {false, 59999, "0:59"},
      {false, 125000, "2:05"},
      {false, 3723004, "1:02:03"},
      {false, 90061001, "1:01:01:01"},
      // Days, hours and minutes beyond 32 bits of milliseconds.
      {false, int64_t{100} * 86400000 + 1000, "100:00:00:01"},
  };
  for (const auto& c : cases) EXPECT_EQ(engine::TimeToText(c.with_ms, c.time), c.expected) << c.time;
  EXPECT_EQ(engine::TimeToTextMS(3723004), "1:02:03.004");
}

class MMUtilsLevel : public testing::Test {
 protected:
  void TearDown() override { plat::SetLocaleSeparators(std::nullopt); }
  void UseDecimal(char decimal) { plat::SetLocaleSeparators(plat::LocaleSeparators{decimal, ';'}); }
};

TEST_F(MMUtilsLevel, DecibelsAgainstFullScale) {
  UseDecimal('.');
  const struct {
    int32_t value, ref;
    float offset;
    const char* text;
    const char* text_int;
  } cases[] = {
      {0, 32768, 0, "-Inf", "-Inf"},
      {16384, 32768, 0, "-6.02", "-6"},
      {-32768, 32768, 0, "0.00", " 0"},
      {32768, 32768, 3.5f, "3.50", " 0"},  // the integer form ignores the offset
      {1, 0, 0, "0.00", " 0"},             // ref 0 counts as 1
      {10, -5, 0, "20.00", "20"},
      {-2147483647 - 1, 1, 0, "186.64", "187"},
      {1, 32768, 0, "-90.31", "-90"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(engine::LevelToDBText(c.value, c.ref, c.offset), c.text) << c.value << "/" << c.ref;
    EXPECT_EQ(engine::LevelToDBTextInt(c.value, c.ref, c.offset), c.text_int) << c.value << "/" << c.ref;
  }
}

TEST_F(MMUtilsLevel, UsesTheUsersDecimalSeparator) {
  UseDecimal(',');
  EXPECT_EQ(engine::LevelToDBText(16384, 32768, 0), "-6,02");
  EXPECT_EQ(engine::LevelToDBText(0, 32768, 0), "-Inf");
}

TEST(MMUtilsGlobal, BlocksAreZeroedAndFreedToNil) {
  void* p = engine::GlobalAllocZeroed(64);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(std::count(static_cast<uint8_t*>(p), static_cast<uint8_t*>(p) + 64, 0), 64);
  std::memset(p, 0xAB, 64);
  engine::GlobalRenew(p, 16);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(std::count(static_cast<uint8_t*>(p), static_cast<uint8_t*>(p) + 16, 0), 16);
  engine::GlobalFreeAndNil(p);
  EXPECT_EQ(p, nullptr);
  engine::GlobalFreeAndNil(p);  // nil stays nil
}

// ---- Registry values ----

class MMUtilsRegistry : public ::testing::Test {
 protected:
  void SetUp() override { plat::RegistrySetStorePath(temp_.File("registry.reg")); }
  void TearDown() override { plat::RegistrySetStorePath(""); }

  // Type and bytes of a stored value below HKEY_CURRENT_USER, or nullopt.
  struct Stored {
    plat::DWORD type = 0;
    std::vector<uint8_t> data;
  };
  static std::optional<Stored> Read(const char* key, const char* name,
                                    plat::HKEY root = plat::HKEY_CURRENT_USER) {
    plat::HKEY k = nullptr;
    if (plat::RegOpenKeyExA(root, key, 0, plat::KEY_READ, &k) != plat::ERROR_SUCCESS) return std::nullopt;
    Stored s;
    plat::DWORD size = 0;
    plat::LONG r = plat::RegQueryValueExA(k, name, nullptr, &s.type, nullptr, &size);
    if (r == plat::ERROR_SUCCESS) {
      s.data.resize(size);
      r = plat::RegQueryValueExA(k, name, nullptr, &s.type, s.data.data(), &size);
    }
    plat::RegCloseKey(k);
    if (r != plat::ERROR_SUCCESS) return std::nullopt;
    return s;
  }
  static bool KeyExists(const char* key, plat::HKEY root = plat::HKEY_CURRENT_USER) {
    plat::HKEY k = nullptr;
    if (plat::RegOpenKeyExA(root, key, 0, plat::KEY_READ, &k) != plat::ERROR_SUCCESS) return false;
    plat::RegCloseKey(k);
    return true;
  }
  static void SetRaw(const char* key, const char* name, plat::DWORD type, const void* data,
                     plat::DWORD size) {
    plat::HKEY k = nullptr;
    ASSERT_EQ(plat::RegCreateKeyExA(plat::HKEY_CURRENT_USER, key, 0, nullptr, 0, plat::KEY_ALL_ACCESS,
                                    nullptr, &k, nullptr),
              plat::ERROR_SUCCESS);
    ASSERT_EQ(plat::RegSetValueExA(k, name, 0, type, static_cast<const plat::BYTE*>(data), size),
              plat::ERROR_SUCCESS);
    plat::RegCloseKey(k);
  }

  testsupport::TempDir temp_;
  const plat::HKEY hkcu_ = plat::HKEY_CURRENT_USER;
};

TEST_F(MMUtilsRegistry, EachKindIsStoredWithItsRegistryTypeAndReadBack) {
  using plat::Variant;
  const struct {
    const char* name;
    Variant value;
    plat::DWORD type;
    size_t size;
    Variant read_default;  // of the same group
  } cases[] = {
      {"Int", Variant(int32_t{-7}), plat::REG_DWORD, 4, Variant(int32_t{0})},
      {"Small", Variant(int16_t{300}), plat::REG_DWORD, 4, Variant(int32_t{0})},
      {"Byte", Variant(uint8_t{200}), plat::REG_DWORD, 4, Variant(uint8_t{0})},
      {"Bool", Variant(true), plat::REG_DWORD, 4, Variant(false)},
      {"Double", Variant(0.1), plat::REG_BINARY, 8, Variant(0.0)},
      {"Single", Variant(0.5f), plat::REG_BINARY, 8, Variant(0.0f)},
      {"Money", Variant::FromCurrency(123456789), plat::REG_BINARY, 8, Variant::FromCurrency(0)},
      {"Date", Variant::FromDate(36526.75), plat::REG_BINARY, 8, Variant::FromDate(0)},
      {"Text", Variant("C:\\Wave\\a.wav"), plat::REG_SZ, 14, Variant("")},
      {"Ole", Variant::FromOleStr("x"), plat::REG_SZ, 2, Variant::FromOleStr("")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    engine::RegWriteVariant(hkcu_, "Software\\Quellix\\Kinds", c.name, c.value);
    const auto stored = Read("Software\\Quellix\\Kinds", c.name);
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->type, c.type);
    EXPECT_EQ(stored->data.size(), c.size);
    const Variant back = engine::RegReadVariant(hkcu_, "Software\\Quellix\\Kinds", c.name, c.read_default);
    switch (c.value.VarType()) {
      case plat::varSmallint:
      case plat::varByte:
      case plat::varInteger:
        EXPECT_EQ(back.VarType(), plat::varInteger);
        EXPECT_EQ(back.AsInteger(), c.value.AsInteger());
        break;
      case plat::varSingle:
        EXPECT_EQ(back, Variant(0.5));  // read back as a double
        break;
      case plat::varOleStr:
        EXPECT_EQ(back, Variant("x"));
        break;
      default:
        EXPECT_EQ(back, c.value);
    }
  }
  // The double is the IEEE value itself, the currency the scaled integer.
  const auto d = Read("Software\\Quellix\\Kinds", "Double");
  double dv = 0;
  std::memcpy(&dv, d->data.data(), 8);
  EXPECT_EQ(dv, 0.1);
  const auto m = Read("Software\\Quellix\\Kinds", "Money");
  int64_t mv = 0;
  std::memcpy(&mv, m->data.data(), 8);
  EXPECT_EQ(mv, 123456789);
  EXPECT_EQ(Read("Software\\Quellix\\Kinds", "Bool")->data, (std::vector<uint8_t>{1, 0, 0, 0}));
}

TEST_F(MMUtilsRegistry, ReadsFallBackToTheDefaultOnAnyMismatch) {
  using plat::Variant;
  engine::RegWriteVariant(hkcu_, "Software\\Quellix", "Count", Variant(int32_t{42}));
  const uint8_t four[4] = {1, 2, 3, 4};
  SetRaw("Software\\Quellix", "Short", plat::REG_BINARY, four, 4);
  const uint8_t nine[9] = {};
  SetRaw("Software\\Quellix", "Long", plat::REG_BINARY, nine, 9);
  const plat::DWORD seven = 7;
  SetRaw("Software\\Quellix", "Flag", plat::REG_DWORD, &seven, 4);

  const struct {
    const char* key;
    const char* name;
    Variant def;
    Variant expected;
  } cases[] = {
      {"Software\\Quellix", "Count", Variant(int32_t{0}), Variant(int32_t{42})},
      {"Software\\Quellix", "Count", Variant("none"), Variant("none")},  // string default, DWORD stored
      {"Software\\Quellix", "Count", Variant(1.5), Variant(1.5)},
      {"Software\\Quellix", "Missing", Variant(int32_t{9}), Variant(int32_t{9})},
      {"Software\\Nowhere", "Count", Variant(int32_t{9}), Variant(int32_t{9})},
      {"Software\\Quellix", "Short", Variant(2.5), Variant(2.5)},    // binary of 4 bytes
      {"Software\\Quellix", "Long", Variant(2.5), Variant(2.5)},     // binary of 9 bytes
      {"Software\\Quellix", "Flag", Variant(false), Variant(true)},  // any non-zero DWORD
      {"Software\\Quellix", "Count", Variant(), Variant()},          // not-stored kind
      {"Software\\Quellix", "Count", Variant::Null(), Variant(int32_t{42})},
      {"\\Software\\Quellix", "Count", Variant(int32_t{0}), Variant(int32_t{42})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.key << " " << c.name << " default kind " << c.def.VarType());
    plat::Variant result = plat::Variant("stale");
    engine::RegReadVariant(hkcu_, c.key, c.name, c.def, result);
    EXPECT_EQ(result, c.expected);
  }
  EXPECT_FALSE(KeyExists("Software\\Nowhere"));  // reading never creates
}

TEST_F(MMUtilsRegistry, UnstorableValuesCreateTheKeyOnly) {
  using plat::Variant;
  engine::RegWriteVariant(hkcu_, "Software\\A", "V", Variant(int32_t{5}));
  const struct {
    const char* key;
    Variant value;
  } cases[] = {
      {"Software\\Empty", Variant()},
      {"Software\\Null", Variant::Null()},  // null does not convert to an integer
      {"Software\\Error", Variant::FromError(5)},
      {"Software\\Int64", Variant(int64_t{1} << 40)},
      {"Software\\Word", Variant::FromWord(3)},
      {"Software\\A", Variant::Null()},  // leaves the old value alone
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    engine::RegWriteVariant(hkcu_, c.key, "V", c.value);
    EXPECT_TRUE(KeyExists(c.key));
  }
  for (const char* key :
       {"Software\\Empty", "Software\\Null", "Software\\Error", "Software\\Int64", "Software\\Word"})
    EXPECT_FALSE(Read(key, "V").has_value()) << key;
  EXPECT_EQ(engine::RegReadVariant(hkcu_, "Software\\A", "V", Variant(int32_t{0})), Variant(int32_t{5}));
}

TEST_F(MMUtilsRegistry, OnlyThePredefinedRootsAreUsed) {
  const struct {
    uintptr_t root;
    plat::HKEY lands_in;
  } cases[] = {
      {0, plat::HKEY_CURRENT_USER},           {0x80000007u, plat::HKEY_CURRENT_USER},
      {0x7FFFFFFFu, plat::HKEY_CURRENT_USER}, {0x80000002u, plat::HKEY_LOCAL_MACHINE},
      {0x80000000u, plat::HKEY_CLASSES_ROOT}, {0x80000006u, plat::HKEY_DYN_DATA},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string key = "Software\\Root" + std::to_string(n++);
    SCOPED_TRACE(key);
    engine::RegWriteVariant(reinterpret_cast<plat::HKEY>(c.root), key, "V", plat::Variant(true));
    EXPECT_TRUE(Read(key.c_str(), "V", c.lands_in).has_value());
    if (c.lands_in != plat::HKEY_CURRENT_USER) {
      EXPECT_FALSE(KeyExists(key.c_str()));
    }
    EXPECT_EQ(engine::RegReadVariant(reinterpret_cast<plat::HKEY>(c.root), key, "V", plat::Variant(false)),
              plat::Variant(true));
  }
}

// ---- Operating system and processor ----

class MMUtilsSystem : public ::testing::Test {
 protected:
  void TearDown() override {
    plat::SetVersionProfile(std::nullopt);
    plat::SetCpuIdProfile(std::nullopt);
  }
  static void UseVersion(plat::DWORD platform, plat::DWORD major, plat::DWORD minor) {
    plat::OSVERSIONINFOA v;
    v.dwOSVersionInfoSize = sizeof(v);
    v.dwPlatformId = platform;
    v.dwMajorVersion = major;
    v.dwMinorVersion = minor;
    plat::SetVersionProfile(v);
  }
};

TEST_F(MMUtilsSystem, VersionTestsFollowTheProfile) {
  constexpr plat::DWORD k9x = plat::VER_PLATFORM_WIN32_WINDOWS, kNT = plat::VER_PLATFORM_WIN32_NT;
  const struct {
    plat::DWORD platform, major, minor;
    bool win95, win98, me, nt3, nt4, w2000, xp;
  } cases[] = {
      {k9x, 4, 0, true, false, false, false, false, false, false},
      {k9x, 4, 10, false, true, false, false, false, false, false},
      {k9x, 4, 90, false, false, true, false, false, false, false},
      {kNT, 3, 51, false, false, false, true, false, false, false},
      {kNT, 4, 0, false, false, false, false, true, false, false},
      {kNT, 5, 0, false, false, false, false, false, true, false},
      {kNT, 5, 1, false, false, false, false, false, false, true},
      {kNT, 5, 2, false, false, false, false, false, false, true},
      {kNT, 6, 0, false, false, false, false, false, false, true},
      {kNT, 6, 1, false, false, false, false, false, false, true},
      {kNT, 10, 0, false, false, false, false, false, false, true},
      {k9x, 5, 1, false, false, false, false, false, false, false},  // not NT
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.platform << " " << c.major << "." << c.minor);
    UseVersion(c.platform, c.major, c.minor);
    EXPECT_EQ(engine::IsWin95(), c.win95);
    EXPECT_EQ(engine::IsWin98(), c.win98);
    EXPECT_EQ(engine::IsWinME(), c.me);
    EXPECT_EQ(engine::IsWinNT3(), c.nt3);
    EXPECT_EQ(engine::IsWinNT4(), c.nt4);
    EXPECT_EQ(engine::IsWin2000(), c.w2000);
    EXPECT_EQ(engine::IsWinXPOrLater(), c.xp);
  }
}

TEST_F(MMUtilsSystem, StartUpSetsTheFlagsOnceAndRegistersInTheUnitTable) {
  UseVersion(plat::VER_PLATFORM_WIN32_NT, 4, 0);
  plat::SetCpuIdProfile(std::map<uint32_t, plat::CpuIdResult>{{1, {0x0500, 0, 0, plat::CPUID_EDX_MMX}}});
  plat::UnitTable table;
  engine::RegisterEngineUnits(table);
  ASSERT_TRUE(table.IsRegistered("MMUtils"));
  table.Initialize();
  EXPECT_TRUE(engine::OSIsNT4());
  EXPECT_TRUE(engine::OSIsNT());
  EXPECT_TRUE(engine::OSIsNT4OrLater());
  EXPECT_FALSE(engine::OSIsWin9x());
  EXPECT_FALSE(engine::OSIsXPOrLater());
  EXPECT_EQ(engine::CPUClass(), 1);
  EXPECT_TRUE(engine::CPUHasMMX());

  // A second start-up is a no-op: the flags keep what the first one found.
  UseVersion(plat::VER_PLATFORM_WIN32_WINDOWS, 4, 0);
  engine::MMUtilsInitialize();
  EXPECT_TRUE(engine::OSIsNT4());
  EXPECT_FALSE(engine::OSIsWin95());
  engine::MMUtilsFinalize();
  table.Finalize();

  UseVersion(plat::VER_PLATFORM_WIN32_WINDOWS, 4, 10);
  engine::MMUtilsInitialize();
  EXPECT_TRUE(engine::OSIsWin98());
  EXPECT_TRUE(engine::OSIsWin9x());
  EXPECT_FALSE(engine::OSIsNT());
  engine::MMUtilsFinalize();
}

TEST_F(MMUtilsSystem, ProcessorClassAndFeatures) {
  plat::SetCpuIdProfile(std::map<uint32_t, plat::CpuIdResult>{{1, {0x0633, 0, 0, 0x00800001}}});
  EXPECT_EQ(engine::GetCPUClass(), 2);
  EXPECT_EQ(engine::GetCPUFeatures(), 0x00800001u);
  plat::SetCpuIdProfile(std::map<uint32_t, plat::CpuIdResult>{});  // no identification instruction
  EXPECT_EQ(engine::GetCPUClass(), 0);
  EXPECT_EQ(engine::GetCPUFeatures(), 0u);
}

// ---- Time and waiting ----

TEST(MMUtilsTime, MicrosecondsFollowTheCounterWithoutOverflow) {
  // 2e13 ticks at 1 MHz: counter * 1e6 would leave the 64-bit range.
  for (int64_t start : {int64_t{1'000'000}, int64_t{20'000'000'000'000}, int64_t{9'000'000'000'000'000}}) {
    plat::ScopedManualClock clock(start);
    EXPECT_EQ(engine::GetTimeMicroseconds(), start);
    plat::clock::Advance(1500);
    EXPECT_EQ(engine::GetTimeMicroseconds(), start + 1500);
  }
}

TEST(MMUtilsTime, DelayOfZeroReturnsAtOnce) {
  plat::ScopedManualClock clock;
  int pumped = 0;
  engine::SetDelayMessagePump([&pumped] { ++pumped; });
  plat::PostThreadMessageA(plat::GetCurrentThreadId(), plat::WM_USER, 0, 0);
  // On a manual clock nobody advances time: any wait would hang here.
  engine::DelayMS(0, true);
  engine::DelayMS(0, false);
  EXPECT_EQ(pumped, 0);
  engine::SetDelayMessagePump({});
  plat::CurrentThreadQueue()->posted.clear();
}

TEST(MMUtilsTime, DelayProcessesMessagesUntilTheTimeHasPassed) {
  // A pump that takes one message and lets 4 ms pass, as a busy
  // application would; the delay returns after 10 ms, not at the first message.
  plat::ScopedManualClock clock;
  auto queue = plat::CurrentThreadQueue();
  int pumped = 0;
  engine::SetDelayMessagePump([&] {
    ++pumped;
    queue->posted.clear();
    plat::clock::Advance(4000);
    if (pumped < 5) plat::PostThreadMessageA(plat::GetCurrentThreadId(), plat::WM_USER, 0, 0);
  });
  plat::PostThreadMessageA(plat::GetCurrentThreadId(), plat::WM_USER, 0, 0);
  const int64_t start = plat::ClockNowMicroseconds();
  engine::DelayMS(10, true);
  EXPECT_EQ(pumped, 3);
  EXPECT_GE(plat::ClockNowMicroseconds() - start, 10000);
  engine::SetDelayMessagePump({});
  queue->posted.clear();
}

TEST(MMUtilsTime, RemovingThePumpEndsTheDelay) {
  plat::ScopedManualClock clock;
  auto queue = plat::CurrentThreadQueue();
  int pumped = 0;
  engine::SetDelayMessagePump([&] {
    ++pumped;
    queue->posted.clear();
    engine::SetDelayMessagePump({});  // the application goes away
  });
  plat::PostThreadMessageA(plat::GetCurrentThreadId(), plat::WM_USER, 0, 0);
  engine::DelayMS(1000, true);  // would hang on the manual clock if it kept waiting
  EXPECT_EQ(pumped, 1);
}

TEST(MMUtilsTime, WindowMessagesGoToTheInstalledPump) {
  std::vector<plat::HWND> seen;
  const auto wnd = reinterpret_cast<plat::HWND>(uintptr_t{0x1234});
  engine::ProcessWindowMessages(wnd);  // nothing installed: nothing happens
  engine::SetWindowMessagePump([&seen](plat::HWND h) { seen.push_back(h); });
  engine::ProcessWindowMessages(wnd);
  engine::SetWindowMessagePump({});
  EXPECT_EQ(seen, std::vector<plat::HWND>{wnd});
}

// ---- Paths, files and disks ----

TEST(MMUtilsPath, AdjustTrailingBackslash) {
  const struct {
    const char* path;
    bool add;
    const char* expected;
  } cases[] = {
      {"C:\\Data", true, "C:\\Data\\"},
      {"C:\\Data\\", true, "C:\\Data\\"},
      {"C:\\Data\\", false, "C:\\Data"},
      {"C:\\Data", false, "C:\\Data"},
      {"", true, ""},
      {"", false, ""},
      {"\\\\", false, "\\"},
      {"\\", false, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(engine::AdjustTrailingBackslash(c.path, c.add), c.expected) << c.path << " add=" << c.add;
}

TEST(MMUtilsPath, FileSizeByName) {
  testsupport::TempDir temp;
  const std::string name = temp.File("a.wav");
  {
    std::FILE* f = std::fopen(name.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite("0123456789", 1, 10, f);
    std::fclose(f);
  }
  EXPECT_EQ(engine::GetFileSizeByName(name), 10);
  EXPECT_EQ(engine::GetFileSizeByName(temp.File("missing.wav")), -1);
}

TEST(MMUtilsPath, DiskSpace) {
  engine::MMUtilsInitialize();
  testsupport::TempDir temp;
  const std::string file = temp.File("x.wav");
  int64_t free = -5, total = -5;
  EXPECT_TRUE(engine::GetDiskSpace(file, free, total));
  EXPECT_GT(total, 0);
  EXPECT_GE(total, free);
  EXPECT_TRUE(engine::HasDiskFreeSpace(file, 0));
  EXPECT_FALSE(engine::HasDiskFreeSpace(file, std::numeric_limits<int64_t>::max()));

  EXPECT_FALSE(engine::GetDiskSpace("Q:\\no such folder\\x.wav", free, total));
  EXPECT_EQ(free, 0);
  EXPECT_EQ(total, 1);
  EXPECT_FALSE(engine::HasDiskFreeSpace("Q:\\no such folder\\x.wav", 0));
  engine::MMUtilsFinalize();

  // The fallback gives the same volume's figures from cluster counts.
  plat::ULONGLONG fb_free = 0, fb_total = 0;
  EXPECT_NE(
      engine::GetDiskFreeSpaceFallback((temp.path().string() + "/").c_str(), &fb_free, &fb_total, nullptr),
      plat::FALSE);
  EXPECT_GT(fb_total, 0u);
  EXPECT_EQ(engine::GetDiskFreeSpaceFallback("\\\\nohost\\noshare\\dir", &fb_free, &fb_total, nullptr),
            plat::FALSE);
}

}  // namespace
