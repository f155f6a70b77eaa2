#pragma once
// TApplication: the main thread's message loop, idle processing, the
// application-wide exception handler and the message-box service it reports
// through. The one instance lives from InitApplication to DoneApplication.
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "platform/user/Messages.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/Lists.h"

namespace vcl {

class TControl;
class THintWindow;
class TTimer;

using TIdleEvent = std::function<void(TObject* sender, bool& done)>;
using TExceptionEvent = std::function<void(TObject* sender, const Exception& e)>;

// Message-box flags and results the application uses.
constexpr unsigned MB_OK = 0x0000;
constexpr unsigned MB_ICONSTOP = 0x0010;
constexpr int IDOK = 1;

class TApplication : public TComponent {
  VCL_DECLARE_CLASS(TApplication, TComponent)
 public:
  explicit TApplication(TComponent* owner);
  ~TApplication() override;

  // Handles messages until Terminated; what a handler raises goes to
  // HandleException and the loop goes on.
  void Run();
  // Handles every message waiting now, then returns. Exceptions propagate.
  void ProcessMessages();
  // Handles one message, or when none waits: runs Idle and, when OnIdle
  // leaves Done set, sleeps until the next message arrives.
  void HandleMessage();
  // Ends Run: posts WM_QUIT to the main thread; Terminated is set when it is handled.
  void Terminate();
  bool Terminated() const { return terminated_; }

  // Call from inside a catch block. EAbort is silent; otherwise OnException,
  // or ShowException when none is assigned.
  void HandleException(TObject* sender);
  // The message, with a full stop added after a letter or digit, in a message
  // box captioned with Title.
  void ShowException(const Exception& e);
  // Through the message-box sink (SetMessageBoxSink).
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags);

  // The executable's file name without its extension until set.
  std::string Title() const;
  void SetTitle(const std::string& value);
  // The path of the executable.
  std::string ExeName() const;
  // Whether the program shows its main form once started; a copy that hands
  // over to a running one, or starts in the tray, says no.
  bool ShowMainForm() const { return show_main_form_; }
  void SetShowMainForm(bool value) { show_main_form_ = value; }

  // Hints: a control with ShowHint and a Hint shows it when the pointer has
  // rested on it for HintPause ms, for HintHidePause ms, unless it answers
  // CM_HINTSHOW with non-zero. Main thread only.
  bool ShowHint() const { return show_hint_; }
  void SetShowHint(bool value);
  unsigned HintPause() const { return hint_pause_; }
  void SetHintPause(unsigned value) { hint_pause_ = value; }
  unsigned HintHidePause() const { return hint_hide_pause_; }
  void SetHintHidePause(unsigned value) { hint_hide_pause_ = value; }
  // The pointer moved on `control` (screen point); a new control starts the pause.
  void HintMouseMessage(TControl* control, plat::POINT cursor_pos);
  // Hides the hint and forgets its control.
  void CancelHint();
  TControl* HintControl() const { return hint_control_; }
  // Null until a hint was first shown.
  THintWindow* HintWindow() const { return hint_window_.get(); }

  TIdleEvent OnIdle;
  TExceptionEvent OnException;

 protected:
  // Retrieves and dispatches one message; false when none was waiting.
  bool ProcessMessage(plat::MSG& msg);
  void Idle();

 private:
  void HintTimerTick();
  void ShowHintNow();
  void StartHintTimer(unsigned interval);

  bool terminated_ = false;
  bool show_main_form_ = true;
  std::string title_;
  bool show_hint_ = true;
  unsigned hint_pause_ = 500;
  unsigned hint_hide_pause_ = 2500;
  TControl* hint_control_ = nullptr;
  plat::POINT hint_pos_{};
  bool hint_showing_ = false;
  std::unique_ptr<TTimer> hint_timer_;
  std::unique_ptr<THintWindow> hint_window_;
};

// The application object, or null outside InitApplication..DoneApplication.
extern TApplication* Application;

// Makes the application object (and the main thread's synchronisation window).
// Call once from the main thread at start-up.
void InitApplication();
void DoneApplication();

// The message-box service: shows `text` under `caption` with MB_* flags and
// returns the button chosen. Without one (or after setting an empty one) the
// text goes to stderr and the answer is IDOK.
using TMessageBoxSink =
    std::function<int(const std::string& text, const std::string& caption, unsigned flags)>;
void SetMessageBoxSink(TMessageBoxSink sink);
// Through the sink, with or without an application.
int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags);

// Call from inside a catch block, where nobody up the stack can act on the
// error: the application's HandleException, or without an application the
// exception's text through the message-box service. Off the main thread the
// report is queued to the main thread (without the sender).
void ReportException(TObject* sender);

}  // namespace vcl
