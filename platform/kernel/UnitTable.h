#pragma once
// The unit table: every unit with start-up or shut-down work registers it
// here with a rank; the program runs start-up in rank order and shut-down in
// reverse. Registration is explicit (each layer's RegisterUnits), so nothing
// depends on the order of static initialisation.
#include <functional>
#include <string>
#include <vector>

namespace plat {

// Ranks by layer; units of one layer add a small offset for their own order.
enum UnitRank : int {
  rankPlatform = 1000,
  rankEngine = 2000,
  rankDisplays = 3000,
  rankControls = 4000,
  rankFiles = 5000,
  rankSkin = 6000,
  rankApp = 7000,
  rankUtility = 8000,
};

struct UnitEntry {
  std::string name;
  int rank = 0;
  std::function<void()> initialize;
  std::function<void()> finalize;
};

class UnitTable {
 public:
  // Adds a unit; a second registration of the same name is ignored.
  void Register(std::string name, int rank, std::function<void()> initialize,
                std::function<void()> finalize = {});
  // Runs every start-up in rank order (registration order within a rank).
  // When one throws, the units already started are shut down in reverse and
  // the exception propagates.
  void Initialize();
  // Runs the shut-down of every started unit in reverse order; safe to call twice.
  void Finalize();
  bool IsRegistered(const std::string& name) const;
  const std::vector<std::string>& StartedUnits() const { return started_names_; }

 private:
  std::vector<UnitEntry> units_;
  std::vector<size_t> started_;
  std::vector<std::string> started_names_;
};

// The program's one table.
UnitTable& Units();

}  // namespace plat
