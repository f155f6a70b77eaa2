#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/kernel/Errors.h"
#include "platform/kernel/Locale.h"
#include "platform/kernel/Profile.h"
#include "support/TempDir.h"

using namespace plat;
namespace fs = std::filesystem;

namespace {

class ProfileTest : public ::testing::Test {
 protected:
  void TearDown() override { SetLocaleSeparators(std::nullopt); }

  void Write(const std::string& text) { std::ofstream(ini_, std::ios::binary) << text; }
  std::string Text() const {
    std::ifstream in(ini_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::string Get(const char* section, const char* key, const char* fallback = "?") {
    char out[256];
    DWORD n = GetPrivateProfileStringA(section, key, fallback, out, sizeof out, ini_.c_str());
    return std::string(out, n);
  }
  std::string User(const char* section, const char* key, const char* fallback = "?") {
    char out[256];
    DWORD n = GetProfileStringA(section, key, fallback, out, sizeof out);
    return std::string(out, n);
  }

  testsupport::TempDir dir_;
  std::string ini_ = dir_.File("Settings.ini");
  testsupport::ScopedEnv profile_{"QUELLIX_PROFILE", dir_.File("win.ini")};
};

}  // namespace

TEST_F(ProfileTest, ReadsSectionsAndKeysWithoutLetterCase) {
  Write("; comment=not a key\n[Main]\n  Rate = 44100  \nName=\"  quoted  \"\n\n[Other]\nRate=8000\n");
  struct Case {
    const char* section;
    const char* key;
    std::string value;
  } cases[] = {
      {"Main", "Rate", "44100"}, {"MAIN", "rate", "44100"},   {"main", "NAME", "  quoted  "},
      {"Other", "Rate", "8000"}, {"Main", "Missing", "dflt"}, {"Nowhere", "Rate", "dflt"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Get(c.section, c.key, "dflt  "), c.value) << c.section << "." << c.key;
  EXPECT_EQ(GetPrivateProfileIntA("main", "RATE", 7, ini_.c_str()), 44100u);
  EXPECT_EQ(Get("Main", "Rate", nullptr), "44100");
  EXPECT_EQ(Get("Main", "Missing", nullptr), "");
  // A missing file reads as empty.
  EXPECT_EQ(GetPrivateProfileStringA("Main", "Rate", "d", nullptr, 0, dir_.File("none.ini").c_str()), 0u);
  EXPECT_EQ(GetPrivateProfileIntA("Main", "Rate", 7, dir_.File("none.ini").c_str()), 7u);
}

TEST_F(ProfileTest, IntegersParseLikeTheModel) {
  Write("[N]\nplain=42\nneg=-17\nhex=0x1F\ntrail=12abc\nword=abc\nhuge=99999999999\nempty=\n");
  struct Case {
    const char* key;
    UINT value;
  } cases[] = {{"plain", 42}, {"neg", static_cast<UINT>(-17)}, {"hex", 31},  {"trail", 12},
               {"word", 0},   {"huge", 0xFFFFFFFFu},           {"empty", 5}, {"missing", 5}};
  for (const Case& c : cases) EXPECT_EQ(GetPrivateProfileIntA("N", c.key, 5, ini_.c_str()), c.value) << c.key;
}

TEST_F(ProfileTest, CopiesAtMostSizeMinusOneCharacters) {
  Write("[S]\nk=abcdef\n");
  char out[8];
  std::memset(out, 'x', sizeof out);
  EXPECT_EQ(GetPrivateProfileStringA("S", "k", "", out, 4, ini_.c_str()), 3u);
  EXPECT_STREQ(out, "abc");
  EXPECT_EQ(out[4], 'x');
  EXPECT_EQ(GetPrivateProfileStringA("S", "k", "", out, 1, ini_.c_str()), 0u);
  EXPECT_STREQ(out, "");
}

TEST_F(ProfileTest, ListsSectionsAndKeysAsZeroSeparatedLists) {
  Write("[One]\na=1\nB=2\n[Two]\nc=3\n[one]\nA=dup\nd=4\n");
  EXPECT_EQ(Get(nullptr, nullptr), std::string("One\0Two\0", 8));
  EXPECT_EQ(Get("ONE", nullptr), std::string("a\0B\0d\0", 6));
  EXPECT_EQ(Get("None", nullptr), "");

  // A list cut short still ends in two zeros.
  char out[6];
  EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", out, sizeof out, ini_.c_str()), 4u);
  EXPECT_EQ(std::string(out, 6), std::string("One\0T\0", 6).substr(0, 4) + std::string("\0\0", 2));
}

TEST_F(ProfileTest, WritesReplaceInPlaceAndKeepOrder) {
  Write("; settings\r\n[Main]\r\nRate=44100\r\nBits=16\r\n\r\n[View]\r\nZoom=2\r\n");
  EXPECT_EQ(WritePrivateProfileStringA("main", "RATE", "48000", ini_.c_str()), TRUE);
  EXPECT_EQ(WritePrivateProfileStringA("MAIN", "Channels", "2", ini_.c_str()), TRUE);
  EXPECT_EQ(WritePrivateProfileStringA("New", "Key", " spaced ", ini_.c_str()), TRUE);
  EXPECT_EQ(Text(),
            "; settings\r\n[Main]\r\nRate=48000\r\nBits=16\r\nChannels=2\r\n\r\n[View]\r\nZoom=2\r\n\r\n"
            "[New]\r\nKey= spaced \r\n");
  EXPECT_EQ(Get("new", "key"), "spaced");
}

TEST_F(ProfileTest, WriteCreatesAFileAndReadsBack) {
  std::string fresh = dir_.File("fresh.ini");
  ASSERT_EQ(WritePrivateProfileStringA("Device", "Name", "Loopback", fresh.c_str()), TRUE);
  char out[64];
  EXPECT_EQ(GetPrivateProfileStringA("device", "name", "", out, sizeof out, fresh.c_str()), 8u);
  EXPECT_STREQ(out, "Loopback");
  // No temporary file is left beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator{}), 1);
}

TEST_F(ProfileTest, NullValueDeletesKeyAndNullKeyDeletesSection) {
  Write("[A]\nk1=1\nk2=2\n[B]\nk3=3\n[C]\nk4=4\n");
  EXPECT_EQ(WritePrivateProfileStringA("a", "K1", nullptr, ini_.c_str()), TRUE);
  EXPECT_EQ(WritePrivateProfileStringA("b", nullptr, nullptr, ini_.c_str()), TRUE);
  EXPECT_EQ(Text(), "[A]\nk2=2\n[C]\nk4=4\n");
  EXPECT_EQ(Get("A", "k1"), "?");

  // Deleting what is not there writes nothing, not even a new file.
  std::string absent = dir_.File("absent.ini");
  EXPECT_EQ(WritePrivateProfileStringA("A", "k", nullptr, absent.c_str()), TRUE);
  EXPECT_FALSE(fs::exists(absent));
}

TEST_F(ProfileTest, RefusesWritesThatWouldCorruptOtherEntries) {
  Write("[A]\nk=1\n");
  struct Case {
    const char* section;
    const char* key;
    const char* value;
  } cases[] = {
      {"A", "k", "1\n[Evil]\nx=y"},
      {"A", "k\r\nz", "2"},
      {"A]x", "k", "2"},
      {"A", "a=b", "2"},
      {"A", "", "2"},
      {"", "k", "2"},
      {nullptr, "k", "2"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WritePrivateProfileStringA(c.section, c.key, c.value, ini_.c_str()), FALSE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  EXPECT_EQ(Text(), "[A]\nk=1\n");
}

TEST_F(ProfileTest, IntlSeparatorsFollowTheLocaleUnlessTheUserSetsThem) {
  SetLocaleSeparators(LocaleSeparators{',', ';'});
  EXPECT_EQ(User("Intl", "sDecimal"), ",");
  EXPECT_EQ(User("intl", "SLIST"), ";");
  EXPECT_EQ(User("Intl", "sThousand", "."), ".");  // other keys keep the caller's default
  SetLocaleSeparators(LocaleSeparators{'.', ','});
  EXPECT_EQ(User("Intl", "sDecimal"), ".");
  EXPECT_EQ(User("Intl", "sList"), ",");

  ASSERT_EQ(WriteProfileStringA("Intl", "sList", "|"), TRUE);
  EXPECT_EQ(User("Intl", "sList"), "|");
  EXPECT_EQ(User("Intl", "sDecimal"), ".");
  // Private files have no such fallback.
  EXPECT_EQ(Get("Intl", "sDecimal"), "?");
}

TEST_F(ProfileTest, UserProfileLivesInTheConfigurationFolder) {
  testsupport::TempDir home;
  testsupport::ScopedEnv no_override("QUELLIX_PROFILE", "");
  {
    testsupport::ScopedEnv xdg("XDG_CONFIG_HOME", home.File("config"));
    ASSERT_EQ(WriteProfileStringA("Main", "Key", "xdg"), TRUE);
    EXPECT_TRUE(fs::exists(home.File("config/quellix/win.ini")));
    EXPECT_EQ(GetProfileIntA("main", "key", 3), 0u);
    // A bare private file name lives beside it.
    ASSERT_EQ(WritePrivateProfileStringA("S", "k", "v", "extra.ini"), TRUE);
    EXPECT_TRUE(fs::exists(home.File("config/quellix/extra.ini")));
  }
  testsupport::ScopedEnv xdg("XDG_CONFIG_HOME", "");
  testsupport::ScopedEnv home_env("HOME", home.path().string());
  ASSERT_EQ(WriteProfileStringA("Main", "Key", "home"), TRUE);
  EXPECT_TRUE(fs::exists(home.File(".config/quellix/win.ini")));
  EXPECT_EQ(User("Main", "Key"), "home");
}
