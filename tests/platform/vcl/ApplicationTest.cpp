#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/kernel/Threads.h"
#include "platform/user/Messages.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/UtilWindow.h"

using namespace vcl;

namespace {

struct Shown {
  std::string text, caption;
  unsigned flags;
  bool operator==(const Shown&) const = default;
};

// An application with a recording message-box sink and a window whose
// messages the test answers.
class ApplicationTest : public ::testing::Test {
 protected:
  static constexpr plat::UINT kPing = plat::WM_USER + 1;
  static constexpr plat::UINT kQuit = plat::WM_USER + 2;
  static constexpr plat::UINT kFail = plat::WM_USER + 3;

  void SetUp() override {
    InitApplication();
    SetMessageBoxSink([this](const std::string& text, const std::string& caption, unsigned flags) {
      shown_.push_back({text, caption, flags});
      return 7;
    });
    window_ = AllocateUtilityWindow([this](plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam,
                                           plat::LPARAM lparam) -> plat::LRESULT {
      if (message == kPing) pings_.push_back(static_cast<int>(wparam));
      if (message == kQuit) Application->Terminate();
      if (message == kFail) throw EConvertError("Bad value");
      return plat::DefWindowProcA(hwnd, message, wparam, lparam);
    });
  }
  void TearDown() override {
    DeallocateUtilityWindow(window_);
    Application->ProcessMessages();
    SetMessageBoxSink(nullptr);
    DoneApplication();
  }

  plat::HWND window_ = nullptr;
  std::vector<int> pings_;
  std::vector<Shown> shown_;
};

}  // namespace

TEST_F(ApplicationTest, ProcessMessagesHandlesEverythingWaitingInOrder) {
  for (int i = 1; i <= 3; ++i) plat::PostMessageA(window_, kPing, i, 0);
  Application->ProcessMessages();
  EXPECT_EQ(pings_, (std::vector<int>{1, 2, 3}));
  // Nothing waiting: returns at once.
  Application->ProcessMessages();
  EXPECT_EQ(pings_.size(), 3u);
}

TEST_F(ApplicationTest, HandleMessageTakesOneMessageOrGoesIdle) {
  int idles = 0;
  Application->OnIdle = [&](TObject* sender, bool& done) {
    EXPECT_EQ(sender, Application);
    ++idles;
    done = false;  // asks to be called again rather than to sleep
  };
  plat::PostMessageA(window_, kPing, 1, 0);
  plat::PostMessageA(window_, kPing, 2, 0);
  Application->HandleMessage();
  EXPECT_EQ(pings_, std::vector<int>{1});
  EXPECT_EQ(idles, 0);
  Application->HandleMessage();
  Application->HandleMessage();
  EXPECT_EQ(pings_, (std::vector<int>{1, 2}));
  EXPECT_EQ(idles, 1);
}

TEST_F(ApplicationTest, IdleThatIsDoneSleepsUntilAMessageArrives) {
  int idles = 0;
  Application->OnIdle = [&](TObject*, bool&) { ++idles; };
  std::atomic<bool> posted{false};
  plat::HWND target = window_;
  std::thread poster([&] {
    plat::Sleep(20);
    posted = true;
    plat::PostMessageA(target, kPing, 9, 0);
  });
  Application->HandleMessage();  // idle, then waits
  EXPECT_TRUE(posted);
  EXPECT_EQ(idles, 1);
  Application->HandleMessage();
  EXPECT_EQ(pings_, std::vector<int>{9});
  poster.join();
}

TEST_F(ApplicationTest, RunHandlesErrorsAndEndsOnTerminate) {
  Application->SetTitle("Analyser");
  plat::PostMessageA(window_, kPing, 1, 0);
  plat::PostMessageA(window_, kFail, 0, 0);
  plat::PostMessageA(window_, kPing, 2, 0);
  plat::PostMessageA(window_, kQuit, 0, 0);
  plat::PostMessageA(window_, kPing, 3, 0);
  EXPECT_FALSE(Application->Terminated());
  Application->Run();
  EXPECT_TRUE(Application->Terminated());
  // The quit message comes after everything already posted.
  EXPECT_EQ(pings_, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(shown_, (std::vector<Shown>{{"Bad value.", "Analyser", MB_OK | MB_ICONSTOP}}));
}

TEST_F(ApplicationTest, TerminateFromAnotherThreadEndsRun) {
  std::thread other([] { Application->Terminate(); });
  other.join();
  Application->Run();
  EXPECT_TRUE(Application->Terminated());
}

TEST_F(ApplicationTest, HandleExceptionShowsTheMessageOrHandsItToOnException) {
  Application->SetTitle("Analyser");
  struct Case {
    const char* what;
    std::function<void()> raise;
    std::vector<Shown> shown;
  };
  const Case cases[] = {
      {"full stop added",
       [] { throw EInOutError("File not found"); },
       {{"File not found.", "Analyser", 0x10}}},
      {"ends in a digit", [] { throw Exception("Error 5"); }, {{"Error 5.", "Analyser", 0x10}}},
      {"ends in punctuation", [] { throw Exception("Done!"); }, {{"Done!", "Analyser", 0x10}}},
      {"already a sentence", [] { throw Exception("Stop."); }, {{"Stop.", "Analyser", 0x10}}},
      {"empty message", [] { throw Exception(""); }, {{"", "Analyser", 0x10}}},
      {"abort is silent", [] { throw EAbort("x"); }, {}},
      {"standard exception", [] { throw std::runtime_error("boom"); }, {{"boom.", "Analyser", 0x10}}},
      {"anything else", [] { throw 42; }, {{"Unknown exception.", "Analyser", 0x10}}},
  };
  for (const Case& c : cases) {
    shown_.clear();
    try {
      c.raise();
    } catch (...) {
      Application->HandleException(Application);
    }
    EXPECT_EQ(shown_, c.shown) << c.what;
  }

  std::vector<std::string> handled;
  Application->OnException = [&](TObject* sender, const Exception& e) {
    EXPECT_EQ(sender, nullptr);
    handled.push_back(e.Message());
  };
  shown_.clear();
  for (auto raise : {+[] { throw EConvertError("one"); }, +[] { throw EAbort("two"); }}) {
    try {
      raise();
    } catch (...) {
      Application->HandleException(nullptr);
    }
  }
  EXPECT_EQ(handled, std::vector<std::string>{"one"});
  EXPECT_TRUE(shown_.empty());
}

TEST_F(ApplicationTest, MessageBoxGoesThroughTheSink) {
  EXPECT_EQ(Application->MessageBox("Saved", "Sonavex", 0x40), 7);
  EXPECT_EQ(shown_, (std::vector<Shown>{{"Saved", "Sonavex", 0x40}}));
  SetMessageBoxSink(nullptr);
  // The default answers OK (and writes to stderr).
  EXPECT_EQ(Application->MessageBox("Saved", "Sonavex", 0), IDOK);
}

TEST_F(ApplicationTest, TitleDefaultsToTheExecutablesName) {
  EXPECT_EQ(Application->ExeName().substr(Application->ExeName().find_last_of('/') + 1), "test_platform_vcl");
  EXPECT_EQ(Application->Title(), "test_platform_vcl");
  Application->SetTitle("Sonavex pro");
  EXPECT_EQ(Application->Title(), "Sonavex pro");
}
