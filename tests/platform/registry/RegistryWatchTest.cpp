// Saves made by other processes reach this process's listeners: what a read
// of the store reports as changed, and the watch that hears a save at once.
#include <atomic>
#include <functional>

#include "RegistryFixture.h"
#include "platform/kernel/Sync.h"
#include "support/ChildProcess.h"
#include "support/PumpUntil.h"

using namespace plat;

namespace regtest {
namespace {

// The store as another process leaves it: read, changed, written beside and
// renamed over, without this process's registry knowing.
std::string ChangedText(const std::string& text, const std::function<void(RegKeyNode& hkcu)>& change) {
  RegistryParseResult parsed = RegistryParseText(text);
  change(*parsed.tree.roots[1]);
  return RegistryFormatText(parsed.tree);
}

void ReplaceFile(const std::string& path, const std::string& text) {
  const std::string tmp = path + ".other";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out << text;
  }
  ASSERT_EQ(std::rename(tmp.c_str(), path.c_str()), 0);
}

void SetRaw(RegKeyNode& key, const char* name, uint8_t v) { key.values.Set({name, REG_BINARY, {v}}); }

RegKeyNode& At(RegKeyNode& root, const char* path) {
  RegKeyNode* node = &root;
  std::stringstream ss(path);
  for (std::string part; std::getline(ss, part, '\\');) node = &node->AddSubkey(part);
  return *node;
}

TEST_F(RegistryTest, AReadTellsListenersWhatAnotherProcessChanged) {
  struct Case {
    const char* label;
    const char* watched;
    bool subtree;
    DWORD filter;
    std::function<void(RegKeyNode&)> change;
    bool fires;
  };
  constexpr DWORD kAll = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;
  const Case cases[] = {
      {"value changed", "W", false, REG_NOTIFY_CHANGE_LAST_SET,
       [](RegKeyNode& r) { SetRaw(At(r, "W"), "v", 9); }, true},
      {"value added", "W", false, REG_NOTIFY_CHANGE_LAST_SET,
       [](RegKeyNode& r) { SetRaw(At(r, "W"), "n", 1); }, true},
      {"value removed", "W", false, REG_NOTIFY_CHANGE_LAST_SET,
       [](RegKeyNode& r) { At(r, "W").values.Erase("v"); }, true},
      {"value below, not watched there", "W", false, kAll,
       [](RegKeyNode& r) { SetRaw(At(r, "W\\A"), "v", 9); }, false},
      {"value below, subtree", "W", true, REG_NOTIFY_CHANGE_LAST_SET,
       [](RegKeyNode& r) { SetRaw(At(r, "W\\A"), "v", 9); }, true},
      {"key made", "W", false, REG_NOTIFY_CHANGE_NAME, [](RegKeyNode& r) { At(r, "W\\New"); }, true},
      {"key made, values only", "W", false, REG_NOTIFY_CHANGE_LAST_SET,
       [](RegKeyNode& r) { At(r, "W\\New"); }, false},
      {"watched key deleted with its keys", "W\\A", false, REG_NOTIFY_CHANGE_LAST_SET,
       [](RegKeyNode& r) { At(r, "W").RemoveSubkey("A"); }, true},
      {"key deep below deleted, watched", "W\\A\\B", false, REG_NOTIFY_CHANGE_LAST_SET,
       [](RegKeyNode& r) { At(r, "W").RemoveSubkey("A"); }, true},
      {"same content written again", "W", true, kAll, [](RegKeyNode&) {}, false},
      {"a sibling", "W", true, kAll, [](RegKeyNode& r) { SetRaw(At(r, "Other"), "v", 9); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    RegDeleteKeyA(HKEY_CURRENT_USER, "W\\A\\B");
    RegDeleteKeyA(HKEY_CURRENT_USER, "W\\A");
    RegDeleteKeyA(HKEY_CURRENT_USER, "W\\New");
    RegCloseKey(Create("W\\A\\B"));
    HKEY w = Create("W");
    SetDword(w, "v", 1);
    RegDeleteValueA(w, "n");
    RegCloseKey(w);
    HKEY watched = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, c.watched, 0, KEY_READ, &watched), ERROR_SUCCESS);
    std::atomic<int> calls{0};
    auto token = RegistryAddChangeListener(
        watched, c.subtree, [&] { ++calls; }, c.filter);
    ReplaceFile(store_, ChangedText(ReadStore(), c.change));
    RegistryReload();
    // The store's watcher may have heard the save first and be telling the
    // listener on its own thread right now.
    const bool heard = testsupport::PumpUntil([&] { return calls > 0; }, {.limit_ms = c.fires ? 3000 : 100});
    EXPECT_EQ(heard, c.fires);
    RegistryRemoveChangeListener(token);
    RegCloseKey(watched);
  }
}

TEST_F(RegistryTest, AChildProcessSaveReachesListenersWithoutACall) {
  HKEY key = Create("Shared\\Child");
  SetDword(key, "v", 1);
  std::atomic<int> calls{0};
  auto token = RegistryAddChangeListener(key, true, [&] { ++calls; });
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_EQ(RegNotifyChangeKeyValue(key, TRUE, REG_NOTIFY_CHANGE_LAST_SET, event, TRUE), ERROR_SUCCESS);
  const std::string text =
      ChangedText(ReadStore(), [](RegKeyNode& r) { SetRaw(At(r, "Shared\\Child"), "v", 2); });
  ASSERT_TRUE(testsupport::ReplaceFileInChild(store_, text));
  // No registry call here: the watch on the store hears the save.
  EXPECT_TRUE(testsupport::PumpUntil([&] { return calls > 0; }, {.limit_ms = 3000}));
  EXPECT_EQ(WaitForSingleObject(event, 3000), WAIT_OBJECT_0);
  EXPECT_EQ(calls.load(), 1);
  RegistryRemoveChangeListener(token);
  CloseHandle(event);
  RegCloseKey(key);
}

}  // namespace
}  // namespace regtest
