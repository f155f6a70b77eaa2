// Notification, concurrency between threads and processes, and crash safety
// of the store.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include "RegistryFixture.h"
#include "platform/kernel/Sync.h"

using namespace plat;

namespace regtest {
namespace {

struct NotifyCase {
  const char* label;
  const char* watched;
  bool subtree;
  DWORD filter;
  std::function<void()> change;
  bool fires;
};

void SetDwordAt(const char* path, const char* name, DWORD v) {
  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, path, &k), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(k, name, 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4), ERROR_SUCCESS);
  RegCloseKey(k);
}

TEST_F(RegistryTest, ListenersHearChangesAtOrBelowTheWatchedKey) {
  constexpr DWORD kAll = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;
  const std::vector<NotifyCase> cases = {
      {"value of the key", "W", false, kAll, [] { SetDwordAt("W", "v", 2); }, true},
      {"same value again is no change", "W", false, kAll, [] { SetDwordAt("W", "v", 1); }, false},
      {"value of a child, not watched below", "W", false, kAll, [] { SetDwordAt("W\\A", "v", 2); }, false},
      {"value of a child, subtree", "W", true, kAll, [] { SetDwordAt("W\\A", "v", 2); }, true},
      {"value deep below, subtree", "W", true, kAll, [] { SetDwordAt("W\\A\\B", "v", 2); }, true},
      {"new child is a name change", "W", false, REG_NOTIFY_CHANGE_NAME, [] { SetDwordAt("W\\New", "v", 1); },
       true},
      {"new child, values only", "W", false, REG_NOTIFY_CHANGE_LAST_SET, [] { SetDwordAt("W\\New", "v", 1); },
       false},
      {"deleted child", "W", false, REG_NOTIFY_CHANGE_NAME,
       [] { EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "W\\A\\B"), ERROR_SUCCESS); }, false},
      {"deleted grandchild, subtree", "W", true, REG_NOTIFY_CHANGE_NAME,
       [] { EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "W\\A\\B"), ERROR_SUCCESS); }, true},
      {"the watched key deleted", "W\\A\\B", false, REG_NOTIFY_CHANGE_LAST_SET,
       [] { EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "W\\A\\B"), ERROR_SUCCESS); }, true},
      {"deleted value", "W", false, REG_NOTIFY_CHANGE_LAST_SET,
       [] {
         EXPECT_EQ(RegDeleteValueA(HKEY_CURRENT_USER, "nothing"), ERROR_FILE_NOT_FOUND);
         HKEY k;
         RegOpenKeyA(HKEY_CURRENT_USER, "W", &k);
         RegDeleteValueA(k, "v");
         RegCloseKey(k);
       },
       true},
      {"a sibling", "W\\A", true, kAll, [] { SetDwordAt("Other", "v", 2); }, false},
      {"root, subtree", "", true, kAll, [] { SetDwordAt("W\\A\\B", "v", 2); }, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    RegDeleteKeyA(HKEY_CURRENT_USER, "W\\A\\B");
    RegDeleteKeyA(HKEY_CURRENT_USER, "W\\A");
    RegDeleteKeyA(HKEY_CURRENT_USER, "W\\New");
    SetDwordAt("W\\A\\B", "v", 1);
    SetDwordAt("W\\A", "v", 1);
    SetDwordAt("W", "v", 1);
    HKEY watched = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, c.watched, 0, KEY_READ, &watched), ERROR_SUCCESS);
    std::atomic<int> calls{0};
    auto token = RegistryAddChangeListener(
        watched, c.subtree, [&] { ++calls; }, c.filter);
    ASSERT_NE(token, 0u);
    c.change();
    EXPECT_EQ(calls > 0, c.fires);
    EXPECT_TRUE(RegistryRemoveChangeListener(token));
    EXPECT_FALSE(RegistryRemoveChangeListener(token));
    RegCloseKey(watched);
  }
}

TEST_F(RegistryTest, ListenerMayUseTheRegistryAndStopsAfterRemoval) {
  HKEY key = Create("Live");
  DWORD seen = 0;
  auto token = RegistryAddChangeListener(key, false, [&] { seen = GetDword(key, "v"); });
  SetDword(key, "v", 7);
  EXPECT_EQ(seen, 7u);
  RegistryRemoveChangeListener(token);
  SetDword(key, "v", 8);
  EXPECT_EQ(seen, 7u);
  EXPECT_EQ(RegistryAddChangeListener(reinterpret_cast<HKEY>(0x999), false, [] {}), 0u);
  RegCloseKey(key);
}

TEST_F(RegistryTest, NotifyEventIsSignalledOnceOnTheNextChange) {
  HKEY key = Create("Ev\\Sub");
  RegCloseKey(key);
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Ev", 0, KEY_READ, &key), ERROR_SUCCESS);
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_EQ(RegNotifyChangeKeyValue(key, TRUE, REG_NOTIFY_CHANGE_LAST_SET, event, TRUE), ERROR_SUCCESS);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  SetDwordAt("Ev\\Sub", "v", 1);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  ResetEvent(event);
  SetDwordAt("Ev\\Sub", "v", 2);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);  // one-shot until re-armed

  // Closing the key ends the registration.
  ASSERT_EQ(RegNotifyChangeKeyValue(key, TRUE, REG_NOTIFY_CHANGE_LAST_SET, event, TRUE), ERROR_SUCCESS);
  RegCloseKey(key);
  SetDwordAt("Ev\\Sub", "v", 3);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);

  // A root key can be watched too.
  ASSERT_EQ(RegNotifyChangeKeyValue(HKEY_CURRENT_USER, TRUE, REG_NOTIFY_CHANGE_NAME, event, TRUE),
            ERROR_SUCCESS);
  RegCloseKey(Create("Ev\\Another"));
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);

  EXPECT_EQ(RegNotifyChangeKeyValue(key, TRUE, REG_NOTIFY_CHANGE_NAME, event, TRUE), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegNotifyChangeKeyValue(HKEY_CURRENT_USER, TRUE, REG_NOTIFY_CHANGE_NAME, nullptr, TRUE),
            ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegNotifyChangeKeyValue(HKEY_CURRENT_USER, TRUE, 0, event, TRUE), ERROR_INVALID_PARAMETER);
  HKEY no_notify = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Ev", 0, KEY_QUERY_VALUE, &no_notify), ERROR_SUCCESS);
  EXPECT_EQ(RegNotifyChangeKeyValue(no_notify, TRUE, REG_NOTIFY_CHANGE_NAME, event, TRUE),
            ERROR_ACCESS_DENIED);
  RegCloseKey(no_notify);
  CloseHandle(event);
}

TEST_F(RegistryTest, SynchronousNotifyReturnsAtTheChange) {
  HKEY key = Create("Block");
  std::atomic<bool> returned{false};
  std::thread waiter([&] {
    EXPECT_EQ(RegNotifyChangeKeyValue(key, FALSE, REG_NOTIFY_CHANGE_LAST_SET, nullptr, FALSE), ERROR_SUCCESS);
    returned = true;
  });
  // Changes until the waiter has registered and returned; bounded.
  for (int i = 0; i < 2000 && !returned; ++i) {
    SetDword(key, "v", static_cast<DWORD>(i));
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  waiter.join();
  EXPECT_TRUE(returned);
  RegCloseKey(key);
}

TEST_F(RegistryTest, TwoThreadsWritingThroughTwoHandlesLoseNothing) {
  constexpr int kPerThread = 60;
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t) {
    threads.emplace_back([this, t] {
      HKEY key = Create("Threads");
      for (int i = 0; i < kPerThread; ++i)
        SetDword(key, ("t" + std::to_string(t) + "_" + std::to_string(i)).c_str(), static_cast<DWORD>(i));
      RegCloseKey(key);
    });
  }
  for (auto& th : threads) th.join();
  for (bool reload : {false, true}) {
    if (reload) RegistryReload();
    HKEY key = Create("Threads");
    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 2u * kPerThread);
    EXPECT_EQ(GetDword(key, "t1_59"), 59u);
    RegCloseKey(key);
  }
}

TEST_F(RegistryTest, TwoProcessesWritingAtOnceLoseNothing) {
  constexpr int kPerProcess = 30;
  SetDwordAt("Shared", "seed", 1);  // both start from a store they have read
  std::vector<pid_t> children;
  for (int p = 0; p < 2; ++p) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      HKEY key = nullptr;
      int failures = RegCreateKeyA(HKEY_CURRENT_USER, "Shared", &key) != ERROR_SUCCESS;
      for (int i = 0; i < kPerProcess; ++i) {
        DWORD v = static_cast<DWORD>(i);
        std::string name = "p" + std::to_string(p) + "_" + std::to_string(i);
        failures +=
            RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4) != ERROR_SUCCESS;
      }
      _exit(failures == 0 ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  // The parent sees the other processes' writes without an explicit reload.
  HKEY key = Create("Shared");
  DWORD values = 0;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                   nullptr, nullptr);
  EXPECT_EQ(values, 1u + 2 * kPerProcess);
  EXPECT_EQ(GetDword(key, "p0_29"), 29u);
  EXPECT_EQ(GetDword(key, "p1_0"), 0u);
  RegCloseKey(key);
}

// The store as a file on disk, read without the registry's own state.
struct CrashState {
  bool present = false;
  DWORD counter = 0;
  DWORD blob_counter = 0;
  bool blob_consistent = true;
};

CrashState ReadCrashState(const std::string& text, size_t& skipped, bool& header_ok) {
  auto r = RegistryParseText(text);
  skipped = r.skipped_lines;
  header_ok = r.header_ok;
  CrashState s;
  const RegKeyNode* key = r.tree.roots[1]->FindSubkey("Crash");
  if (!key) return s;
  const RegValue* counter = key->FindValue("counter");
  const RegValue* blob = key->FindValue("blob");
  if (!counter || !blob || counter->data.size() != 4 || blob->data.size() != 8192) {
    s.blob_consistent = false;
    return s;
  }
  s.present = true;
  std::memcpy(&s.counter, counter->data.data(), 4);
  std::memcpy(&s.blob_counter, blob->data.data(), 4);
  for (size_t i = 4; i < blob->data.size(); ++i)
    if (blob->data[i] != static_cast<BYTE>(s.blob_counter)) s.blob_consistent = false;
  return s;
}

TEST_F(RegistryTest, KillingAWriterLeavesTheOldOrTheNewStore) {
  std::mt19937 rng(12345);
  DWORD last_counter = 0;
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE(round);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      HKEY key = nullptr;
      RegCreateKeyA(HKEY_CURRENT_USER, "Crash", &key);
      DWORD i = 0, size = 4;
      RegQueryValueExA(key, "counter", nullptr, nullptr, reinterpret_cast<BYTE*>(&i), &size);
      std::vector<BYTE> blob(8192);
      for (;;) {
        ++i;
        RegSetValueExA(key, "counter", 0, REG_DWORD, reinterpret_cast<BYTE*>(&i), 4);
        std::memcpy(blob.data(), &i, 4);
        std::fill(blob.begin() + 4, blob.end(), static_cast<BYTE>(i));
        RegSetValueExA(key, "blob", 0, REG_BINARY, blob.data(), static_cast<DWORD>(blob.size()));
      }
    }
    // Let the child get going past where the last round stopped, then kill it
    // at a random moment.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    size_t skipped = 0;
    bool header_ok = false;
    // A reader at any moment sees a whole store, never one half written.
    int torn_reads = 0;
    auto watch = [&] {
      CrashState seen = ReadCrashState(ReadStore(), skipped, header_ok);
      if (round > 0 && (!header_ok || skipped != 0 || !seen.present || !seen.blob_consistent)) ++torn_reads;
      return seen;
    };
    while (std::chrono::steady_clock::now() < deadline && watch().counter < last_counter + 3) {
    }
    auto kill_at = std::chrono::steady_clock::now() + std::chrono::microseconds(rng() % 20000);
    while (std::chrono::steady_clock::now() < kill_at) watch();
    kill(pid, SIGKILL);
    EXPECT_EQ(torn_reads, 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);

    CrashState s = ReadCrashState(ReadStore(), skipped, header_ok);
    EXPECT_TRUE(header_ok);
    EXPECT_EQ(skipped, 0u);
    ASSERT_TRUE(s.present);
    EXPECT_TRUE(s.blob_consistent);
    EXPECT_TRUE(s.blob_counter == s.counter || s.blob_counter + 1 == s.counter)
        << s.counter << " " << s.blob_counter;
    EXPECT_GE(s.counter, last_counter + 3);
    last_counter = s.counter;
  }
  // The registry itself reads the store the killed writers left.
  HKEY key = Create("Crash");
  EXPECT_EQ(GetDword(key, "counter"), last_counter);
  RegCloseKey(key);
}

}  // namespace
}  // namespace regtest
