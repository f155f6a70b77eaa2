#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/kernel/Locale.h"

using namespace plat;

TEST(Locale, SystemSeparatorsAreConsistentAndLeaveTheGlobalLocaleAlone) {
  std::string before = std::setlocale(LC_NUMERIC, nullptr);
  LocaleSeparators system = GetLocaleSeparators();
  EXPECT_EQ(std::setlocale(LC_NUMERIC, nullptr), before);
  EXPECT_TRUE(system.decimal == '.' || system.decimal == ',') << system.decimal;
  EXPECT_EQ(system.list, system.decimal == ',' ? ';' : ',');
}

TEST(Locale, InjectedSeparatorsTakePrecedenceUntilReset) {
  LocaleSeparators system = GetLocaleSeparators();
  SetLocaleSeparators(LocaleSeparators{',', ';'});
  EXPECT_EQ(GetLocaleSeparators().decimal, ',');
  EXPECT_EQ(GetLocaleSeparators().list, ';');
  SetLocaleSeparators(std::nullopt);
  EXPECT_EQ(GetLocaleSeparators().decimal, system.decimal);
  EXPECT_EQ(GetLocaleSeparators().list, system.list);
}

TEST(Locale, ReadersAndInjectorsRunTogether) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < 2000; ++i) {
        if (t == 0) SetLocaleSeparators(i % 2 ? std::optional(LocaleSeparators{',', ';'}) : std::nullopt);
        LocaleSeparators s = GetLocaleSeparators();
        EXPECT_NE(s.decimal, s.list);
      }
    });
  for (auto& thread : threads) thread.join();
  SetLocaleSeparators(std::nullopt);
}
