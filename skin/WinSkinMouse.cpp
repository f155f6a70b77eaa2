// The mouse on a skinned frame: hit testing against the skin's borders, the
// hot and pressed caption buttons, their actions, the system menu and the
// hover timer that notices the mouse leaving a button.
#include <algorithm>

#include "platform/user/Cursor.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Menu.h"
#include "platform/user/Messages.h"
#include "platform/user/NonClient.h"
#include "platform/user/Screen.h"
#include "platform/vcl/ExtTimer.h"
#include "skin/WinSkinData.h"
#include "skin/WinSkinDlg.h"
#include "skin/WinSkinForm.h"
#include "skin/WinSkinMenu.h"

namespace skin {

namespace {

bool Inside(const vcl::TRect& r, plat::POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

plat::POINT PointOf(plat::LPARAM lparam) {
  return plat::POINT{static_cast<plat::SHORT>(plat::LOWORD(static_cast<uintptr_t>(lparam))),
                     static_cast<plat::SHORT>(plat::HIWORD(static_cast<uintptr_t>(lparam)))};
}

plat::LPARAM ParamOf(plat::POINT p) {
  return static_cast<plat::LPARAM>(
      plat::MAKELONG(static_cast<plat::WORD>(p.x), static_cast<plat::WORD>(p.y)));
}

}  // namespace

// ---- TNCObject ----------------------------------------------------------------

TNCObject::~TNCObject() {
  if (Form && Form->HotObject() == this) Form->SetHotObject(nullptr);
}

void TNCObject::DoHover() {
  TNCObject* hot = Form->HotObject();
  if (hot == this) return;
  if (hot) hot->DoLeave();
  if (!Visible) return;
  Form->SetHotObject(this);
  ButtonState = 3;
  Paint();
}

void TNCObject::DoPress() {
  TNCObject* hot = Form->HotObject();
  if (hot && hot != this) hot->DoLeave();
  if (!Visible) return;
  Form->SetHotObject(this);
  ButtonState = 2;
  Paint();
}

void TNCObject::DoRelease() {
  if (!Visible) return;
  ButtonState = 3;
  Paint();
}

void TNCObject::DoLeave() {
  // A hidden object is not hot either, so the hover timer lets go of it.
  if (Form->HotObject() == this) Form->SetHotObject(nullptr);
  if (!Visible) return;
  ButtonState = 1;
  Paint();
}

void TWinSysButton::Paint() { Form->PaintButton(*this, ButtonState); }

// ---- the form skin's mouse handling ---------------------------------------------

TNCObject* TWinSkinForm::ObjectAt(plat::POINT point) {
  for (auto& b : nc_objects_)
    if (b->Visible && b->Element->Action >= 0 && Inside(b->Rect, point)) return b.get();
  return nullptr;
}

plat::POINT TWinSkinForm::ToWindowPoint(plat::POINT screen) const {
  plat::POINT p = screen;
  plat::ScreenToClient(handle_, &p);
  p.x += border_left_;
  p.y += border_top_ + menu_bar_height_;
  return p;
}

plat::LRESULT TWinSkinForm::HitTest(plat::POINT screen) {
  // What the window's own procedure says outside the window and its region
  // stands; the frame inside is the skin's, not the platform's layout.
  const plat::LRESULT passed = PassOn(plat::WM_NCHITTEST, 0, ParamOf(screen));
  if (passed == plat::HTNOWHERE || passed == plat::HTTRANSPARENT || passed == plat::HTERROR) return passed;
  plat::RECT window{};
  plat::GetWindowRect(handle_, &window);
  const plat::POINT p = ToWindowPoint(screen);
  const int w = window.right - window.left, h = window.bottom - window.top;
  plat::RECT client{};
  plat::GetClientRect(handle_, &client);
  plat::POINT in_client = screen;
  plat::ScreenToClient(handle_, &in_client);
  if (plat::PtInRect(&client, in_client)) return plat::HTCLIENT;
  plat::LRESULT answer = plat::HTNOWHERE;
  if (window_state_ == 2) {
    answer = plat::HTCAPTION;
  } else {
    const int frame = plat::GetSystemMetrics(plat::SM_CYFRAME);
    const bool left = p.x < border_left_, right = p.x >= w - border_right_;
    const bool top = p.y < std::min(frame, border_top_), bottom = p.y >= h - border_bottom_;
    if (left || right || top || bottom) {
      if (!thick_frame_ || window_state_ == 1) {
        answer = plat::HTBORDER;
      } else {
        // The corners reach along the edges as far as a caption button is wide.
        const int corner = plat::GetSystemMetrics(plat::SM_CXSIZE);
        const bool near_left = p.x < corner, near_right = p.x >= w - corner;
        const bool near_top = p.y < corner, near_bottom = p.y >= h - corner;
        if (top)
          answer = near_left ? plat::HTTOPLEFT : near_right ? plat::HTTOPRIGHT : plat::HTTOP;
        else if (bottom)
          answer = near_left ? plat::HTBOTTOMLEFT : near_right ? plat::HTBOTTOMRIGHT : plat::HTBOTTOM;
        else if (left)
          answer = near_top ? plat::HTTOPLEFT : near_bottom ? plat::HTBOTTOMLEFT : plat::HTLEFT;
        else
          answer = near_top ? plat::HTTOPRIGHT : near_bottom ? plat::HTBOTTOMRIGHT : plat::HTRIGHT;
      }
    }
  }
  if (answer == plat::HTNOWHERE || answer == plat::HTCAPTION) {
    if (p.y > 3) answer = plat::HTCAPTION;
    if (p.y > border_top_ && menu_bar_height_ > 0) answer = plat::HTMENU;
  }
  // The window manager takes a press on the caption as the start of a move
  // before the window hears of it, so a caption button names itself.
  if (answer == plat::HTCAPTION)
    if (auto* button = static_cast<TWinSysButton*>(ObjectAt(p))) {
      switch (button->Element->Action) {
        case 0:
          return plat::HTCLOSE;
        case 1:
        case 22:
          return plat::HTMAXBUTTON;
        case 2:
        case 23:
          return plat::HTMINBUTTON;
        case 3:
        case 11:
        case 12:
          return plat::HTSYSMENU;
        default:
          return plat::HTOBJECT;
      }
    }
  return answer;
}

plat::LRESULT TWinSkinForm::OnNCMouse(plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam,
                                      bool& handled) {
  handled = true;
  const plat::POINT screen = PointOf(lparam);
  switch (message) {
    case plat::WM_NCHITTEST:
      return HitTest(screen);
    case plat::WM_NCMOUSEMOVE: {
      if (!active_) return 0;
      if (TNCObject* object = NCObjectAt(ToWindowPoint(screen))) {
        object->DoHover();
        return 0;
      }
      if (hot_) hot_->DoLeave();
      return PassOn(message, wparam, lparam);
    }
    case plat::WM_NCLBUTTONDOWN: {
      if (TNCObject* object = NCObjectAt(ToWindowPoint(screen))) {
        if (!active_) plat::SetForegroundWindow(handle_);
        object->DoPress();
        if (auto* button = dynamic_cast<TMenuBtn*>(object)) OpenMenuButton(*button);
        return 0;
      }
      if (window_state_ == 1 && active_ && wparam == plat::HTCAPTION) wparam = plat::HTMENU;
      return PassOn(message, wparam, lparam);
    }
    case plat::WM_NCLBUTTONUP: {
      TNCObject* object = NCObjectAt(ToWindowPoint(screen));
      if (!object) return PassOn(message, wparam, lparam);
      if (object == hot_ && !dynamic_cast<TMenuBtn*>(object)) {
        object->DoRelease();
        RunButtonAction(screen);
      }
      return 0;
    }
    case plat::WM_NCLBUTTONDBLCLK: {
      if (TNCObject* object = ObjectAt(ToWindowPoint(screen))) {
        const int action = static_cast<TWinSysButton*>(object)->Element->Action;
        if (action == 3 || action == 11) {
          StopHoverTimer();
          plat::PostMessageA(handle_, plat::WM_SYSCOMMAND, plat::SC_CLOSE, 0);
        }
        return 0;
      }
      if (window_state_ != 0) {
        plat::SendMessageA(handle_, plat::WM_SYSCOMMAND, plat::SC_RESTORE, lparam);
        return 0;
      }
      if (caption_flags_ & 1) {
        plat::SendMessageA(handle_, plat::WM_SYSCOMMAND, plat::SC_MAXIMIZE, lparam);
        return 0;
      }
      return PassOn(message, wparam, lparam);
    }
    case plat::WM_NCRBUTTONDOWN:
      if (wparam == plat::HTCAPTION) {
        ShowSystemMenu(screen);
        return 0;
      }
      return PassOn(message, wparam, lparam);
    default:
      handled = false;
      return 0;
  }
}

void TWinSkinForm::RunButtonAction(plat::POINT screen) {
  auto* button = dynamic_cast<TWinSysButton*>(hot_);
  if (!button) return;
  const int action = button->Element->Action;
  switch (action) {
    case 0:
      if (system_menu_ &&
          plat::GetMenuState(system_menu_, plat::SC_CLOSE, plat::MF_BYCOMMAND) != 0xFFFFFFFFu) {
        StopHoverTimer();
        plat::PostMessageA(handle_, plat::WM_SYSCOMMAND, plat::SC_CLOSE, 0);
      }
      break;
    case 1:
    case 22:
      if (window_state_ == 1) {
        window_state_ = 0;
        plat::PostMessageA(handle_, plat::WM_SYSCOMMAND, plat::SC_RESTORE, 0);
      } else {
        window_state_ = 1;
        plat::PostMessageA(handle_, plat::WM_SYSCOMMAND, plat::SC_MAXIMIZE, 0);
        hot_ = nullptr;
      }
      break;
    case 2:
    case 23:
      if (window_state_ == 2) {
        window_state_ = 0;
        plat::PostMessageA(handle_, plat::WM_SYSCOMMAND, plat::SC_RESTORE, 0);
      } else {
        window_state_ = 2;
        SetSysMenuStyle(false);
        plat::PostMessageA(handle_, plat::WM_SYSCOMMAND, plat::SC_MINIMIZE, 0);
      }
      break;
    case 3:
    case 11:
    case 12:
      ShowSystemMenu(plat::POINT{screen.x + 1, screen.y + 1});
      break;
    case 7:
    case 60:
    case 8:
    case 61:
    case 9:
    case 62:
      break;  // child-window buttons: there are no child-window frames here
    default:
      plat::PostMessageA(handle_, SKM_BUTTONACTION, static_cast<plat::WPARAM>(action), 0);
      break;
  }
}

void TWinSkinForm::ShowSystemMenu(plat::POINT screen) {
  const plat::DWORD now = plat::GetTickCount();
  const plat::UINT double_click = plat::GetDoubleClickTime();
  if (system_menu_shown_ && static_cast<int>(double_click) >= 0 && now - last_system_menu_ < double_click) {
    // The second click of a double click on the icon closes the window.
    if (hot_) {
      StopHoverTimer();
      plat::PostMessageA(handle_, plat::WM_CLOSE, 0, 0);
    }
    return;
  }
  last_system_menu_ = now;
  system_menu_shown_ = true;
  PopupSystemMenu(screen);
}

void TWinSkinForm::HoverTick() {
  if (menu_tracking_ || !hot_) return;
  plat::POINT cursor{};
  if (!plat::GetCursorPos(&cursor)) return;
  if (!Inside(hot_->Rect, ToWindowPoint(cursor))) hot_->DoLeave();
}

bool TWinSkinForm::HoverTimerEnabled() const { return hover_timer_ && hover_timer_->Enabled(); }

void TWinSkinForm::StopHoverTimer() { SetHoverTimer(false); }

void TWinSkinForm::SetHoverTimer(bool enabled) {
  if (hover_timer_) hover_timer_->SetEnabled(enabled);
}

}  // namespace skin
