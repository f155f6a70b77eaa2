#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/kernel/UnitTable.h"

TEST(UnitTable, StartsByRankAndStopsInReverse) {
  plat::UnitTable table;
  std::vector<std::string> log;
  auto unit = [&](const std::string& name, int rank) {
    table.Register(
        name, rank, [&log, name] { log.push_back("+" + name); }, [&log, name] { log.push_back("-" + name); });
  };
  unit("app", plat::rankApp);
  unit("kernel", plat::rankPlatform);
  unit("engine", plat::rankEngine);
  unit("registry", plat::rankPlatform);  // same rank: registration order holds
  unit("kernel", plat::rankUtility);     // duplicate name ignored
  table.Initialize();
  table.Finalize();
  table.Finalize();
  EXPECT_EQ(log, (std::vector<std::string>{"+kernel", "+registry", "+engine", "+app", "-app", "-engine",
                                           "-registry", "-kernel"}));
}

TEST(UnitTable, FailedStartUpStopsWhatAlreadyStarted) {
  plat::UnitTable table;
  std::vector<std::string> log;
  table.Register(
      "a", 1, [&] { log.push_back("+a"); }, [&] { log.push_back("-a"); });
  table.Register(
      "b", 2, [] { throw std::runtime_error("no device"); }, [&] { log.push_back("-b"); });
  table.Register("c", 3, [&] { log.push_back("+c"); });
  EXPECT_THROW(table.Initialize(), std::runtime_error);
  EXPECT_EQ(log, (std::vector<std::string>{"+a", "-a"}));
  EXPECT_TRUE(table.StartedUnits().empty());
}
