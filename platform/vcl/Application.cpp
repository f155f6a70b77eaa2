#include "platform/vcl/Application.h"

#include <cstdio>
#include <mutex>

#include "platform/kernel/Modules.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/user/Controls.h"
#include "platform/user/Input.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/ExtTimer.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/HintWindow.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/VclThread.h"

namespace vcl {

VCL_IMPLEMENT_CLASS(TApplication)

TApplication* Application = nullptr;

namespace {

std::mutex sink_mutex;
TMessageBoxSink& Sink() {
  static auto* sink = new TMessageBoxSink;
  return *sink;
}

int DefaultMessageBox(const std::string& text, const std::string& caption, unsigned) {
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  return IDOK;
}

// The form's keys, taken before the focused control hears the key and before
// it is turned into a character: menu short-cuts, Tab to the next control,
// Enter and Escape for the form's buttons. A key taken here types nothing.
bool IsKeyMsg(const plat::MSG& msg) {
  if (msg.message != plat::WM_KEYDOWN && msg.message != plat::WM_SYSKEYDOWN) return false;
  // The edit inside a combo box is the combo box's.
  TWinControl* control = nullptr;
  for (plat::HWND w = msg.hwnd; w && !control; w = plat::GetParent(w)) control = TWinControl::FindControl(w);
  TCustomForm* form = control ? GetParentForm(control) : nullptr;
  if (!form) return false;
  const auto key = static_cast<uint16_t>(msg.wParam);
  const TShiftState shift = KeyDataToShiftState(msg.lParam);
  if (form->IsShortCut(key, shift)) return true;
  const auto wants =
      plat::SendMessageA(msg.hwnd, plat::WM_GETDLGCODE, msg.wParam, reinterpret_cast<plat::LPARAM>(&msg));
  bool dialog_key = false;
  if (key == plat::VK_TAB)
    dialog_key = !(wants & plat::DLGC_WANTTAB) && !shift.Contains(ssCtrl) && !shift.Contains(ssAlt);
  else if (key == plat::VK_RETURN || key == plat::VK_ESCAPE)
    dialog_key = !(wants & plat::DLGC_WANTALLKEYS);
  return dialog_key && form->Perform(CM_DIALOGKEY, msg.wParam, msg.lParam) != 0;
}

}  // namespace

int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  TMessageBoxSink sink;
  {
    std::lock_guard lock(sink_mutex);
    sink = Sink();
  }
  return sink ? sink(text, caption, flags) : DefaultMessageBox(text, caption, flags);
}

void SetMessageBoxSink(TMessageBoxSink sink) {
  std::lock_guard lock(sink_mutex);
  Sink() = std::move(sink);
}

void ReportException(TObject* sender) {
  if (!plat::IsMainThread()) {
    // Handlers and message boxes belong to the main thread. The sender may be
    // gone by the time it runs there, so it is not passed on.
    TThread::Queue(nullptr, [error = std::current_exception()] {
      try {
        std::rethrow_exception(error);
      } catch (...) {
        ReportException(nullptr);
      }
    });
    return;
  }
  if (Application) {
    Application->HandleException(sender);
    return;
  }
  std::string text = "Unknown exception";
  try {
    throw;
  } catch (const EAbort&) {
    return;
  } catch (const Exception& e) {
    text = e.Message();
  } catch (const std::exception& e) {
    text = e.what();
  } catch (...) {
  }
  const std::string caption = sender ? sender->ClassName() : std::string("Error");
  ShowMessageBox(text, caption, MB_OK | MB_ICONSTOP);
}

void InitApplication() {
  if (Application) return;
  InitThreadSynchronization();
  Application = new TApplication(nullptr);
}

void DoneApplication() {
  delete Application;
  Application = nullptr;
  DoneThreadSynchronization();
}

TApplication::TApplication(TComponent* owner) : TComponent(owner) {}

TApplication::~TApplication() {
  hint_control_ = nullptr;
  hint_timer_.reset();
  hint_window_.reset();
}

// ---- hints ----

void TApplication::SetShowHint(bool value) {
  if (show_hint_ == value) return;
  show_hint_ = value;
  if (!value) CancelHint();
}

void TApplication::StartHintTimer(unsigned interval) {
  if (!hint_timer_) {
    hint_timer_ = std::make_unique<TTimer>(nullptr);
    hint_timer_->OnTimer = [this](TObject*) { HintTimerTick(); };
  }
  hint_timer_->SetEnabled(false);
  hint_timer_->SetInterval(interval);
  hint_timer_->SetEnabled(true);
}

void TApplication::HintMouseMessage(TControl* control, plat::POINT cursor_pos) {
  if (!show_hint_ || !plat::IsMainThread()) return;
  hint_pos_ = cursor_pos;
  if (control == hint_control_) return;
  CancelHint();
  hint_control_ = control;
  if (control) StartHintTimer(hint_pause_);
}

void TApplication::HintTimerTick() {
  hint_timer_->SetEnabled(false);
  if (hint_showing_) {
    // Shown long enough; it comes back only on another control.
    hint_showing_ = false;
    if (hint_window_) hint_window_->ReleaseHint();
    return;
  }
  ShowHintNow();
}

void TApplication::ShowHintNow() {
  TControl* control = hint_control_;
  if (!control || !control->ShowHint() || control->Hint().empty()) return;
  THintInfo info{control, hint_pos_, control->Hint()};
  if (control->Perform(CM_HINTSHOW, 0, reinterpret_cast<plat::LPARAM>(&info)) != 0) return;
  if (!hint_window_) hint_window_ = std::make_unique<THintWindow>(nullptr);
  // Below the pointer's shape.
  hint_window_->ActivateHint(TPoint{info.CursorPos.x, info.CursorPos.y + 20}, info.HintStr);
  hint_showing_ = true;
  StartHintTimer(hint_hide_pause_);
}

void TApplication::CancelHint() {
  hint_control_ = nullptr;
  hint_showing_ = false;
  if (hint_timer_) hint_timer_->SetEnabled(false);
  if (hint_window_) hint_window_->ReleaseHint();
}

bool TApplication::ProcessMessage(plat::MSG& msg) {
  if (!plat::PeekMessageA(&msg, nullptr, 0, 0, plat::PM_REMOVE)) return false;
  if (msg.message == plat::WM_QUIT) {
    terminated_ = true;
    return true;
  }
  if (IsKeyMsg(msg)) return true;
  plat::TranslateMessage(&msg);
  plat::DispatchMessageA(&msg);
  return true;
}

void TApplication::ProcessMessages() {
  plat::MSG msg;
  while (ProcessMessage(msg)) {
  }
}

void TApplication::Idle() {
  bool done = true;
  if (OnIdle) OnIdle(this, done);
  // Work handed over by threads counts as not idle: look again at once.
  if (CheckSynchronize()) done = false;
  if (done) plat::WaitMessage();
}

void TApplication::HandleMessage() {
  plat::MSG msg;
  if (!ProcessMessage(msg)) Idle();
}

void TApplication::Run() {
  while (!terminated_) {
    try {
      HandleMessage();
    } catch (...) {
      HandleException(this);
    }
  }
}

void TApplication::Terminate() {
  if (plat::IsMainThread())
    plat::PostQuitMessage(0);
  else
    plat::PostThreadMessageA(plat::GetMainThreadId(), plat::WM_QUIT, 0, 0);
}

void TApplication::HandleException(TObject* sender) {
  std::exception_ptr current = std::current_exception();
  if (!current) return;
  try {
    std::rethrow_exception(current);
  } catch (const EAbort&) {
  } catch (const Exception& e) {
    if (OnException)
      OnException(sender, e);
    else
      ShowException(e);
  } catch (const std::exception& e) {
    Exception wrapped(e.what());
    if (OnException)
      OnException(sender, wrapped);
    else
      ShowException(wrapped);
  } catch (...) {
    Exception wrapped("Unknown exception");
    if (OnException)
      OnException(sender, wrapped);
    else
      ShowException(wrapped);
  }
}

void TApplication::ShowException(const Exception& e) {
  std::string text = e.Message();
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  MessageBox(text, Title(), MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  return ShowMessageBox(text, caption, flags);
}

std::string TApplication::Title() const {
  if (!title_.empty()) return title_;
  std::string name = ExeName();
  auto slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  auto dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

void TApplication::SetTitle(const std::string& value) {
  if (value == title_) return;
  title_ = value;
}

std::string TApplication::ExeName() const {
  char buffer[4096];
  plat::DWORD n = plat::GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  return std::string(buffer, n);
}

}  // namespace vcl
