// The thread component, the thread timer and the folder and registry
// monitors: when work runs and where, what its errors show, restarts, and
// one notice per change with none after a stop.
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

#include "ThreadTestSupport.h"
#include "platform/kernel/ChangeNotify.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/registry/RegistryFile.h"
#include "platform/user/MessageBox.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/FormWriter.h"
#include "platform/vcl/TypInfo.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"
#include "utility/UtilityUnits.h"
#include "utility/qelThreadComponents.h"

namespace utility {
namespace {

using namespace threadtest;
namespace fs = std::filesystem;

class ETestError : public vcl::Exception {
 public:
  using Exception::Exception;
};

// Lets a test act as the form reader does: values written while loading,
// then Loaded.
template <class T>
class Reading : public T {
 public:
  using T::T;
  void BeginReading() {
    this->SetComponentState(this->ComponentState() + vcl::TComponentState{vcl::csLoading});
  }
  void EndReading() {
    this->SetComponentState(this->ComponentState() - vcl::TComponentState{vcl::csLoading});
    this->Loaded();
  }
};

TEST(qelThreadComponentsValues, FiltersAndRootsAsThePlatformWantsThem) {
  EXPECT_EQ(FolderMonitorFilter(TqelCustomFolderMonitor(nullptr).NotifyFilters()), 0x3u);
  EXPECT_EQ(FolderMonitorFilter({fmfFileNameChange, fmfDirNameChange, fmfAttributeChange, fmfSizeChange,
                                 fmfWriteChange, fmfSecurityChange}),
            0x11Fu);
  EXPECT_EQ(RegistryMonitorFilter(TqelCustomRegistryMonitor(nullptr).NotifyFilters()), 0x5u);
  EXPECT_EQ(RegistryMonitorFilter({rmfSubTreeChange, rmfAttributeChange, rmfValueChange, rmfSecurityChange}),
            0xFu);
  const uintptr_t roots[] = {0x80000000, 0x80000001, 0x80000002, 0x80000003, 0x80000005, 0x80000006};
  for (int r = rrkClassesRoot; r <= rrkDynData; ++r)
    EXPECT_EQ(reinterpret_cast<uintptr_t>(RegistryMonitorRoot(static_cast<TqelRegistryRootKey>(r))),
              roots[r]);
}

TEST(qelThreadComponentsValues, StoredComponentsReadBackAsWritten) {
  InitComponentsUnit();
  testsupport::TempDir temp;
  vcl::TComponent root(nullptr);
  auto* worker = new TqelThreadComponent(&root);
  worker->SetName("Worker");
  worker->SetPriority(vcl::tpLower);
  worker->SetReturnValue(7);
  worker->SetSynchronized(true);
  auto* timer = new TqelThreadTimer(&root);
  timer->SetName("Timer");
  timer->SetInterval(250);
  timer->SetPriority(vcl::tpHigher);
  auto* folders = new TqelFolderMonitor(&root);
  folders->SetName("Folders");
  folders->SetFolder(temp.path().string());
  folders->SetNotifyFilters({fmfWriteChange, fmfSecurityChange});
  folders->SetWatchSubTree(false);
  folders->SetActive(true);
  auto* keys = new TqelRegistryMonitor(&root);
  keys->SetName("Keys");
  keys->SetRegistryKey("Software\\QTest");
  keys->SetRootKey(rrkLocalMachine);
  keys->SetNotifyFilters({rmfAttributeChange});

  const std::string text = vcl::WriteFormText(&root);
  vcl::TComponent copy(nullptr);
  vcl::ReadFormText(&copy, text);
  auto* worker2 = dynamic_cast<TqelThreadComponent*>(copy.FindComponent("Worker"));
  auto* timer2 = dynamic_cast<TqelThreadTimer*>(copy.FindComponent("Timer"));
  auto* folders2 = dynamic_cast<TqelFolderMonitor*>(copy.FindComponent("Folders"));
  auto* keys2 = dynamic_cast<TqelRegistryMonitor*>(copy.FindComponent("Keys"));
  ASSERT_TRUE(worker2 && timer2 && folders2 && keys2) << text;
  EXPECT_EQ(worker2->Priority(), vcl::tpLower);
  EXPECT_EQ(worker2->ReturnValue(), 7);
  EXPECT_TRUE(worker2->Synchronized());
  EXPECT_TRUE(worker2->Suspended());
  EXPECT_EQ(timer2->Interval(), 250u);
  EXPECT_EQ(timer2->Priority(), vcl::tpHigher);
  EXPECT_FALSE(timer2->Enabled());
  EXPECT_EQ(folders2->Folder(), temp.path().string());
  EXPECT_EQ(folders2->NotifyFilters(), (TqelFolderMonitorFilters{fmfWriteChange, fmfSecurityChange}));
  EXPECT_FALSE(folders2->WatchSubTree());
  EXPECT_TRUE(folders2->Active());
  EXPECT_EQ(folders2->Thread(), nullptr);  // no OnChange
  EXPECT_EQ(keys2->RegistryKey(), "Software\\QTest");
  EXPECT_EQ(keys2->RootKey(), rrkLocalMachine);
  EXPECT_EQ(keys2->NotifyFilters(), TqelRegistryMonitorFilters{rmfAttributeChange});
  EXPECT_TRUE(keys2->WatchSubTree());
  EXPECT_EQ(vcl::GetClass("TqelCustomFolderMonitor")->ClassParent(), TqelComponent::StaticClass());
}

// ---- Thread component ----

class qelThreadComponent : public ThreadTest {
 protected:
  void SetUp() override {
    ThreadTest::SetUp();
    vcl::Application->SetTitle("Quellix Test");
    vcl::SetMessageBoxSink([this](const std::string& text, const std::string& caption, unsigned flags) {
      boxes_.push_back({text, caption, flags});
      return vcl::IDOK;
    });
  }
  void TearDown() override {
    vcl::SetMessageBoxSink(nullptr);
    ThreadTest::TearDown();
  }
  struct Box {
    std::string text, caption;
    unsigned flags;
  };
  std::vector<Box> boxes_;
};

TEST_F(qelThreadComponent, RunsOnceWhenResumedInTheWorkerOrOnTheMainThread) {
  for (bool synchronized : {false, true}) {
    SCOPED_TRACE(synchronized);
    TqelThreadComponent worker(nullptr);
    std::atomic<int> runs{0};
    std::atomic<plat::DWORD> ran_on{0};
    worker.OnExecute = [&](vcl::TObject* sender) {
      EXPECT_EQ(sender, &worker);
      ran_on = plat::GetCurrentThreadId();
      ++runs;
    };
    worker.SetSynchronized(synchronized);
    EXPECT_TRUE(worker.Suspended());
    ServeFor(150);
    EXPECT_EQ(runs.load(), 0);
    worker.SetSuspended(false);
    EXPECT_TRUE(Until([&] { return runs > 0; }));
    ServeFor(100);
    EXPECT_EQ(runs.load(), 1);
    EXPECT_EQ(ran_on.load() == plat::GetCurrentThreadId(), synchronized);
  }
}

TEST_F(qelThreadComponent, StoredValuesApplyAfterReading) {
  Reading<TqelThreadComponent> worker(nullptr);
  std::atomic<plat::DWORD> ran_on{0};
  worker.OnExecute = [&](vcl::TObject*) { ran_on = plat::GetCurrentThreadId(); };
  worker.BeginReading();
  worker.SetSuspended(false);
  worker.SetSynchronized(true);
  ServeFor(150);
  EXPECT_EQ(ran_on.load(), 0u);  // nothing starts while the description is read
  worker.EndReading();
  EXPECT_TRUE(Until([&] { return ran_on != 0u; }));
  EXPECT_EQ(ran_on.load(), plat::GetCurrentThreadId());
}

TEST_F(qelThreadComponent, WhatTheWorkRaisesIsReportedOnTheMainThread) {
  TqelThreadComponent worker(nullptr);
  worker.SetName("Worker1");
  worker.OnExecute = [](vcl::TObject*) { throw ETestError("boom"); };
  worker.SetSuspended(false);
  ASSERT_TRUE(Until([&] { return !boxes_.empty(); }));
  EXPECT_EQ(boxes_[0].text, "Thread Worker1 raised exception class ETestError with message \"boom\".");
  EXPECT_EQ(boxes_[0].caption, "Quellix Test");
  EXPECT_EQ(boxes_[0].flags, 0x12010u);

  std::string handled;
  vcl::TObject* handled_by = nullptr;
  worker.OnException = [&](vcl::TObject* sender, const vcl::Exception& e) {
    handled = e.Message();
    handled_by = sender;
    EXPECT_TRUE(plat::IsMainThread());
  };
  worker.Execute();
  ASSERT_TRUE(Until([&] { return !handled.empty(); }));
  EXPECT_EQ(handled, "boom");
  EXPECT_EQ(handled_by, &worker);
  EXPECT_EQ(boxes_.size(), 1u);
}

TEST_F(qelThreadComponent, ExecuteEndsTheRunningWorkBeforeTheNewStarts) {
  TqelThreadComponent worker(nullptr);
  std::atomic<int> running{0}, most{0}, started{0};
  worker.OnExecute = [&](vcl::TObject*) {
    most = std::max(most.load(), ++running);
    ++started;
    while (!worker.Terminated()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    --running;
  };
  worker.SetSuspended(false);
  ASSERT_TRUE(Until([&] { return started == 1; }));
  for (int i = 2; i <= 4; ++i) {
    worker.Execute();
    ASSERT_TRUE(Until([&] { return started == i; }));
  }
  EXPECT_EQ(most.load(), 1);
  EXPECT_EQ(running.load(), 1);
}

TEST_F(qelThreadComponent, PrioritiesReadBackAsSet) {
  TqelThreadComponent worker(nullptr);
  EXPECT_EQ(worker.Priority(), vcl::tpNormal);
  for (int p = vcl::tpIdle; p <= vcl::tpTimeCritical; ++p) {
    worker.SetPriority(static_cast<vcl::TThreadPriority>(p));
    EXPECT_EQ(worker.Priority(), p);
  }
}

// ---- Thread timer ----

TEST_F(qelThreadComponent, TimerTicksOnlyWhileEnabledAndKeepsTickingAfterExecute) {
  auto owned = std::make_unique<TqelThreadTimer>(nullptr);
  TqelThreadTimer& timer = *owned;
  std::atomic<int> ticks{0};
  timer.OnExecute = [&](vcl::TObject*) { ++ticks; };
  timer.SetInterval(50);
  EXPECT_FALSE(timer.Enabled());
  ServeFor(kQuiet);
  EXPECT_EQ(ticks.load(), 0);

  timer.SetEnabled(true);
  EXPECT_TRUE(Until([&] { return ticks >= 5; }, 2000));
  EXPECT_NO_THROW(timer.SetEnabled(false));
  ServeFor(100);
  int at = ticks;
  ServeFor(kQuiet);
  EXPECT_EQ(ticks.load(), at);

  timer.SetEnabled(true);
  timer.Execute();  // a timer thread again, not a single run
  at = ticks;
  EXPECT_TRUE(Until([&] { return ticks >= at + 3; }, 2000));
  EXPECT_NE(dynamic_cast<TqelTimerThread*>(timer.Thread()), nullptr);

  timer.SetInterval(1000);
  at = ticks;
  ServeFor(800);
  EXPECT_LE(ticks.load(), at + 1);  // at most the one already under way
  timer.SetInterval(3600000);
  const auto start = std::chrono::steady_clock::now();
  owned.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
}

// ---- Folder monitor ----

class qelFolderMonitor : public ThreadTest {
 protected:
  void SetUp() override {
    ThreadTest::SetUp();
    root_ = temp_.path() / "watched";
    fs::create_directories(root_ / "sub");
    std::ofstream(root_ / "existing.txt") << "x";
  }
  void TearDown() override {
    plat::SetChangeNotificationWatchLimit(0);
    ThreadTest::TearDown();
  }
  std::unique_ptr<TqelFolderMonitor> Make(TqelFolderMonitorFilters filters, bool subtree) {
    auto monitor = std::make_unique<TqelFolderMonitor>(nullptr);
    monitor->SetFolder(root_.string());
    monitor->SetNotifyFilters(filters);
    monitor->SetWatchSubTree(subtree);
    monitor->SetOnChange([this] {
      EXPECT_TRUE(plat::IsMainThread());
      ++calls_;
    });
    monitor->SetActive(true);
    return monitor;
  }
  // The thread has started waiting once a first change is heard.
  testsupport::TempDir temp_;
  fs::path root_;
  int calls_ = 0;
};

TEST_F(qelFolderMonitor, OneChangeGivesOneNotice) {
  struct Case {
    const char* label;
    TqelFolderMonitorFilters filters;
    bool subtree;
    std::function<void(const fs::path&)> change;
    int notices;  // -1: at least one (a write is a change of content and one of its end)
  };
  const TqelFolderMonitorFilters names{fmfFileNameChange, fmfDirNameChange};
  const Case cases[] = {
      {"file made", names, true, [](const fs::path& r) { std::ofstream(r / "a.txt") << "a"; }, 1},
      {"file appended, names", names, true,
       [](const fs::path& r) { std::ofstream(r / "existing.txt", std::ios::app) << "y"; }, 0},
      {"file appended, writes",
       {fmfWriteChange},
       true,
       [](const fs::path& r) { std::ofstream(r / "existing.txt", std::ios::app) << "y"; },
       -1},
      {"made below, no subtree", names, false,
       [](const fs::path& r) { std::ofstream(r / "sub" / "b") << "b"; }, 0},
      {"made below, subtree", names, true, [](const fs::path& r) { std::ofstream(r / "sub" / "b") << "b"; },
       1},
      {"mode changed",
       {fmfAttributeChange},
       true,
       [](const fs::path& r) { ::chmod((r / "existing.txt").c_str(), 0600); },
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    fs::remove_all(root_);
    fs::create_directories(root_ / "sub");
    std::ofstream(root_ / "existing.txt") << "x";
    calls_ = 0;
    auto monitor = Make(c.filters, c.subtree);
    ServeFor(100);  // the thread opens its watch
    c.change(root_);
    if (c.notices != 0) {
      EXPECT_TRUE(Until([&] { return calls_ > 0; }));
    }
    ServeFor(kQuiet);
    if (c.notices >= 0) {
      EXPECT_EQ(calls_, c.notices);
    }
  }
}

TEST_F(qelFolderMonitor, ABurstAndAFolderMadeLaterAreHeard) {
  auto monitor = Make({fmfFileNameChange}, true);
  ServeFor(100);
  for (int i = 0; i < 50; ++i) std::ofstream(root_ / ("f" + std::to_string(i))) << "x";
  EXPECT_TRUE(Until([&] { return calls_ > 0; }));
  ServeFor(kQuiet);
  calls_ = 0;
  fs::create_directory(root_ / "n");
  EXPECT_TRUE(Until([&] { return calls_ > 0; }));  // the new folder is followed
  ServeFor(kQuiet);
  calls_ = 0;
  std::ofstream(root_ / "n" / "x.txt") << "x";
  EXPECT_TRUE(Until([&] { return calls_ > 0; }));
}

TEST_F(qelFolderMonitor, StartsOnlyWithAHandlerAndRestartsOnANewFolder) {
  TqelFolderMonitor monitor(nullptr);
  monitor.SetFolder(root_.string());
  monitor.SetActive(true);
  EXPECT_EQ(monitor.Thread(), nullptr);  // no OnChange, no thread
  monitor.SetOnChange([this] { ++calls_; });
  ASSERT_NE(monitor.Thread(), nullptr);

  const fs::path other = temp_.path() / "other";
  fs::create_directory(other);
  monitor.SetFolder(other.string());
  ServeFor(100);
  std::ofstream(root_ / "old.txt") << "x";
  ServeFor(kQuiet);
  EXPECT_EQ(calls_, 0);
  std::ofstream(other / "new.txt") << "x";
  EXPECT_TRUE(Until([&] { return calls_ > 0; }));
}

TEST_F(qelFolderMonitor, NoNoticeAfterStopFromOutsideOrFromItsOwnHandler) {
  auto monitor = Make({fmfFileNameChange}, false);
  ServeFor(100);
  monitor->SetActive(false);
  EXPECT_EQ(monitor->Thread(), nullptr);
  std::ofstream(root_ / "a.txt") << "x";
  ServeFor(kQuiet);
  EXPECT_EQ(calls_, 0);

  // Stopped from inside its handler: returns at once, no further call.
  monitor->SetOnChange([&] {
    ++calls_;
    monitor->SetActive(false);
  });
  monitor->SetActive(true);
  ServeFor(100);
  std::ofstream(root_ / "b.txt") << "x";
  EXPECT_TRUE(Until([&] { return calls_ > 0; }));
  std::ofstream(root_ / "c.txt") << "x";
  ServeFor(kQuiet);
  EXPECT_EQ(calls_, 1);

  // Freed with a notice on its way: nothing reaches the freed monitor.
  monitor->SetOnChange([this] { ++calls_; });
  monitor->SetActive(true);
  ServeFor(100);
  std::ofstream(root_ / "d.txt") << "x";
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  monitor.reset();
  ServeFor(kQuiet);
  EXPECT_EQ(calls_, 1);
}

TEST_F(qelFolderMonitor, TheUnitShutDownStopsItsThreadsBeforeTheFormsGo) {
  auto monitor = Make({fmfFileNameChange}, false);
  ServeFor(100);
  plat::UnitTable table;
  RegisterUtilityUnits(table);
  table.Initialize();
  table.Finalize();
  ASSERT_NE(monitor->Thread(), nullptr);
  EXPECT_TRUE(monitor->Thread()->Finished());
  std::ofstream(root_ / "late.txt") << "x";
  ServeFor(kQuiet);
  EXPECT_EQ(calls_, 0);
  monitor.reset();  // the form's turn comes later
}

TEST_F(qelFolderMonitor, AFolderItCannotWatchEndsTheThreadAndLetsTheOwnerGo) {
  for (const std::string& folder : {(temp_.path() / "missing").string(), std::string("C:\\")}) {
    SCOPED_TRACE(folder);
    plat::SetChangeNotificationWatchLimit(plat::ChangeNotificationWatchCount() + 64);
    auto owner = std::make_unique<vcl::TComponent>(nullptr);
    auto* monitor = new TqelFolderMonitor(owner.get());
    monitor->SetFolder(folder);  // "C:\" is the whole disk with its subtree: past the cap
    monitor->SetOnChange([this] { ++calls_; });
    monitor->SetActive(true);
    ASSERT_NE(monitor->Thread(), nullptr);
    EXPECT_TRUE(Until([&] { return monitor->Thread()->Finished(); }));
    owner.reset();
  }
  EXPECT_EQ(calls_, 0);
}

// ---- Registry monitor ----

class qelRegistryMonitor : public ThreadTest {
 protected:
  void SetUp() override {
    ThreadTest::SetUp();
    store_ = temp_.File("registry.reg");
    plat::RegistrySetStorePath(store_);
  }
  void TearDown() override {
    monitor_.reset();
    plat::RegistrySetStorePath("");
    ThreadTest::TearDown();
  }
  void Watch(std::function<void()> extra = {}) {
    monitor_ = std::make_unique<TqelRegistryMonitor>(nullptr);
    monitor_->SetRegistryKey("Software\\QTest");
    monitor_->SetOnChange([this, extra] {
      ++calls_;
      if (extra) extra();
    });
    monitor_->SetActive(true);
    ServeFor(100);
  }
  static void CreateKey(const char* path) {
    plat::HKEY key = nullptr;
    ASSERT_EQ(plat::RegCreateKeyA(plat::HKEY_CURRENT_USER, path, &key), plat::ERROR_SUCCESS);
    plat::RegCloseKey(key);
  }
  static void SetValue(const char* path, plat::DWORD v) {
    plat::HKEY key = nullptr;
    ASSERT_EQ(plat::RegCreateKeyA(plat::HKEY_CURRENT_USER, path, &key), plat::ERROR_SUCCESS);
    plat::RegSetValueExA(key, "v", 0, plat::REG_DWORD, reinterpret_cast<const plat::BYTE*>(&v), 4);
    plat::RegCloseKey(key);
  }
  // One notice arrives for the change, and no second one follows.
  void ExpectOneNotice(int line = __builtin_LINE()) {
    SCOPED_TRACE(line);
    EXPECT_TRUE(Until([&] { return calls_ > 0; }));
    ServeFor(kQuiet);
    EXPECT_EQ(calls_, 1);
    calls_ = 0;
  }

  testsupport::TempDir temp_;
  std::string store_;
  std::unique_ptr<TqelRegistryMonitor> monitor_;
  int calls_ = 0;
};

TEST_F(qelRegistryMonitor, ValuesKeysAndTheKeyComingAndGoing) {
  Watch();  // the key does not exist yet
  CreateKey("Software\\QTest");
  ExpectOneNotice();
  SetValue("Software\\QTest", 2);
  ExpectOneNotice();
  CreateKey("Software\\QTest\\Sub");
  ExpectOneNotice();
  ASSERT_EQ(plat::RegDeleteKeyA(plat::HKEY_CURRENT_USER, "Software\\QTest\\Sub"), plat::ERROR_SUCCESS);
  ExpectOneNotice();
  ASSERT_EQ(plat::RegDeleteKeyA(plat::HKEY_CURRENT_USER, "Software\\QTest"), plat::ERROR_SUCCESS);
  ExpectOneNotice();
  SetValue("Software\\Other", 1);
  ServeFor(kQuiet);
  EXPECT_EQ(calls_, 0);

  monitor_->SetActive(false);
  SetValue("Software\\QTest", 3);
  ServeFor(kQuiet);
  EXPECT_EQ(calls_, 0);
}

TEST_F(qelRegistryMonitor, AKeyDeletedAndMadeAgainInsideTheHandlerIsStillWatched) {
  SetValue("Software\\QTest", 1);
  bool recreate = true;
  Watch([&] {
    if (!std::exchange(recreate, false)) return;
    plat::RegDeleteKeyA(plat::HKEY_CURRENT_USER, "Software\\QTest");
    SetValue("Software\\QTest", 5);
  });
  SetValue("Software\\QTest", 2);
  EXPECT_TRUE(Until([&] { return calls_ > 0 && !recreate; }));
  ServeFor(kQuiet);
  calls_ = 0;
  SetValue("Software\\QTest", 6);
  EXPECT_TRUE(Until([&] { return calls_ > 0; }));
}

TEST_F(qelRegistryMonitor, AChangeWrittenByAChildProcessIsHeard) {
  SetValue("Software\\QTest", 1);
  Watch();
  std::string text;
  {
    std::ifstream in(store_, std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in), {});
  }
  plat::RegistryParseResult parsed = plat::RegistryParseText(text);
  parsed.tree.roots[1]->FindSubkey("Software")->FindSubkey("QTest")->values.Set({"v", plat::REG_BINARY, {7}});
  text = plat::RegistryFormatText(parsed.tree);
  ASSERT_TRUE(testsupport::ReplaceFileInChild(store_, text));
  ExpectOneNotice();
}

}  // namespace
}  // namespace utility
