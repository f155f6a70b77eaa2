#include "skin/WinSkinForm.h"

#include <algorithm>

#include "platform/gdi/TextLayout.h"
#include "platform/kernel/ScopeGuard.h"
#include "platform/kernel/SystemInfo.h"
#include "platform/user/Controls.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Menu.h"
#include "platform/user/Messages.h"
#include "platform/user/NonClient.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "platform/user/Subclass.h"
#include "platform/user/WindowMessages.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/ExtTimer.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Menus.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"
#include "skin/SkinData.h"
#include "skin/WinSkinData.h"
#include "skin/WinSkinDlg.h"
#include "skin/WinSkinMenu.h"
#include "skin/WinSkinMenuItems.h"
#include "skin/WinSkinWalk.h"
#include "skin/WinSubClass.h"

namespace skin {

namespace {

constexpr plat::UINT_PTR kSubclassId = 0x534B;  // one chain entry per form skin
constexpr plat::DWORD kDsModalFrame = 0x80;
constexpr int kStripCaption = 0x10;

}  // namespace

TWinSkinForm::TWinSkinForm(plat::HWND window)
    : vcl::TComponent(nullptr), handle_(window), skin_controls_(std::make_unique<TSkinControlList>()) {}

TWinSkinForm::~TWinSkinForm() {
  skin_controls_->UnskinAll();
  if (attached_) Detach();
  if (form_) form_->RemoveFreeNotification(this);
  menu_bar_.reset();
  FreeNCObjects();
  system_popup_.reset();
}

void TWinSkinForm::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  vcl::TComponent::Notification(component, operation);
  if (operation == vcl::opRemove && component == form_) {
    form_ = nullptr;
    form_hooked_ = false;
  }
}

void TWinSkinForm::AttachForm(TSkinData* skin_data, vcl::TCustomForm* form) {
  form_ = form;
  if (form_) {
    form_->FreeNotification(this);
    if (vcl::IsPublishedProp(form_, "AutoScroll")) vcl::SetPropValue(form_, "AutoScroll", "False");
  }
  AttachHandle(skin_data);
  if (form_ && frame_skinned_ && !form_hooked_)
    form_hooked_ = form_->AddWindowProcHook(
        this, [this](vcl::TMessage& m, const vcl::TWndHookNext& next) { FormHook(m, next); });
  if (form_) {
    saved_colour_ = form_->Color();
    colour_saved_ = true;
    form_->SetColor(skin_data->Skin().ButtonFace);
    if (skin_data->SkinControls().Contains(xcMenuItem)) SetMainMenusOwnerDraw(skin_data, form_, true);
  }
}

void TWinSkinForm::AttachHandle(TSkinData* skin_data) {
  if (attached_) return;
  if (TSkinManage* manager = SkinManager(); manager && manager->State() == 0) manager->SetState(1);
  skin_data_ = skin_data;
  if (!hover_timer_) {
    hover_timer_ = std::make_unique<vcl::TTimer>(nullptr);
    hover_timer_->SetEnabled(false);
    hover_timer_->SetInterval(250);
    hover_timer_->OnTimer = [this](vcl::TObject*) { HoverTick(); };
  }
  frame_skinned_ = skin_data->SkinControls().Contains(xcMainMenu);
  style_ = static_cast<plat::DWORD>(plat::GetWindowLongA(handle_, plat::GWL_STYLE));
  ex_style_ = static_cast<plat::DWORD>(plat::GetWindowLongA(handle_, plat::GWL_EXSTYLE));
  right_to_left_ = (ex_style_ & plat::WS_EX_LEFTSCROLLBAR) != 0;
  child_ = (style_ & plat::WS_CHILD) != 0;
  char name[101] = {};
  plat::GetClassNameA(handle_, name, sizeof name);
  class_name_ = name;
  owner_ = plat::GetWindow(handle_, plat::GW_OWNER);

  caption_flags_ = 0;
  if (style_ & plat::WS_SYSMENU) caption_flags_ |= 8;
  if (style_ & plat::WS_MINIMIZEBOX) caption_flags_ |= 2;
  if (style_ & plat::WS_MAXIMIZEBOX) caption_flags_ |= 1;
  ReadWindowState();
  thick_frame_ = (style_ & plat::WS_THICKFRAME) != 0;

  border_kind_ = 1;
  if ((style_ & plat::WS_CAPTION) == plat::WS_CAPTION)
    border_kind_ = thick_frame_ ? 0 : (style_ & kDsModalFrame) ? 3 : 1;
  else
    border_kind_ = 2;
  if (ex_style_ & plat::WS_EX_DLGMODALFRAME) border_kind_ = 3;

  // The platform's version profile decides whether the caption style is
  // taken off while skinned: application windows and ownerless windows.
  plat::OSVERSIONINFOA version;
  version.dwOSVersionInfoSize = sizeof version;
  if (plat::GetVersionExA(&version) && version.dwMajorVersion >= 5 && version.dwMinorVersion == 0 &&
      ((ex_style_ & plat::WS_EX_APPWINDOW) || !owner_))
    caption_flags_ |= kStripCaption;

  std::string lower = vcl::LowerCase(class_name_);
  if (lower == "#32770" || lower == "tmessageform") {
    border_kind_ = 3;
    dialog_ = true;
  }
  if (!child_ && frame_skinned_ && border_kind_ != 2)
    plat::SendMessageA(handle_, plat::WM_SETREDRAW, plat::FALSE, 0);

  plat::SetWindowSubclass(handle_, &TWinSkinForm::SubclassProc, kSubclassId,
                          reinterpret_cast<plat::DWORD_PTR>(this));
  attached_ = true;

  if (frame_skinned_) {
    // The skinned bar takes the menu off the window and draws it itself.
    if (plat::GetMenu(handle_)) {
      had_menu_ = true;
      menu_bar_height_ = plat::GetSystemMetrics(plat::SM_CYMENU);
      auto* menu = form_ ? dynamic_cast<vcl::TMenu*>(form_->Menu()) : nullptr;
      menu_bar_ = std::make_unique<TWinSkinMenu>(this, skin_data, menu);
      menu_bar_->ReadMenu();
    }
    if (window_state_ != 2) SetCaptionStyle(false);
    BuildNCMetrics();
  } else {
    phase_ = 1;
  }
}

void TWinSkinForm::ReadWindowState() {
  plat::WINDOWPLACEMENT placement;
  placement.length = sizeof placement;
  if (!plat::GetWindowPlacement(handle_, &placement)) return;
  switch (placement.showCmd) {
    case plat::SW_SHOWMINIMIZED:
    case plat::SW_MINIMIZE:
    case plat::SW_SHOWMINNOACTIVE:
      window_state_ = 2;
      break;
    case plat::SW_SHOWMAXIMIZED:
      window_state_ = 1;
      break;
    default:
      window_state_ = 0;
  }
}

void TWinSkinForm::InitForm() {
  init_done_ = true;
  system_menu_ = plat::GetSystemMenu(handle_, plat::FALSE);
  LoadWindowIcon();
  plat::RECT window{}, client{};
  plat::GetWindowRect(handle_, &window);
  plat::GetClientRect(handle_, &client);
  std_nc_width_ = (window.right - window.left) - (client.right - client.left);
  std_nc_height_ = (window.bottom - window.top) - (client.bottom - client.top);
  client_at_init_ = client;
  if (!child_ && frame_skinned_) {
    plat::SendMessageA(handle_, plat::WM_SETREDRAW, plat::TRUE, 0);
    plat::RedrawWindow(handle_, nullptr, nullptr,
                       plat::RDW_INVALIDATE | plat::RDW_ERASE | plat::RDW_INTERNALPAINT | plat::RDW_FRAME);
  }
  TSkinWalk walk(this);
  if (form_)
    walk.SkinFormControls(form_);
  else
    walk.WalkChildWindows(handle_);
  if (phase_ == 0 && !child_ && border_kind_ != 2 && window_state_ != 2) {
    phase_ = 5;
    ResizeForSkin(false);
    phase_ = 1;
    if (window_state_ == 1)
      plat::SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
                         plat::SWP_NOSIZE | plat::SWP_NOMOVE | plat::SWP_NOZORDER | plat::SWP_NOACTIVATE |
                             plat::SWP_FRAMECHANGED);
    else
      BuildRegion();
  }
  phase_ = 1;
  SetHoverTimer(active_);
}

void TWinSkinForm::ResizeForSkin(bool keep_client) {
  plat::UINT flags = plat::SWP_NOMOVE | plat::SWP_NOZORDER | plat::SWP_FRAMECHANGED;
  if (phase_ == 3) flags |= plat::SWP_NOACTIVATE;
  if (window_state_ == 1) {
    plat::SetWindowPos(handle_, nullptr, 0, 0, 0, 0, flags | plat::SWP_NOSIZE);
    return;
  }
  int cw, ch;
  plat::RECT now{};
  plat::GetClientRect(handle_, &now);
  if (keep_client && phase_ == 3) {
    // A new skin on a framed window: the client area is already the skinned
    // one. Taking the menu strip off again would shrink a form with a menu
    // by its height at every change of skin.
    cw = now.right - now.left;
    ch = now.bottom - now.top;
  } else if (form_) {
    // The client area took the strip of the menu that was taken off.
    cw = form_->ClientWidth();
    ch = form_->ClientHeight() - menu_bar_height_;
  } else {
    cw = client_at_init_.right - client_at_init_.left;
    ch = client_at_init_.bottom - client_at_init_.top;
  }
  int width = cw + border_left_ + border_right_;
  int height = ch + border_top_ + border_bottom_ + menu_bar_height_;
  if (dialog_ && !keep_client) {
    std::string text(1000, '\0');
    text.resize(static_cast<size_t>(plat::GetWindowTextA(handle_, text.data(), 1000)));
    text = caption_prefix_ + text + caption_suffix_;
    int text_width = 0;
    if (plat::HDC dc = plat::GetDC(nullptr)) {
      plat::HGDIOBJ old = plat::SelectObject(dc, skin_data_->CaptionFont()->Handle());
      plat::RECT r{0, 0, 0, 0};
      SkinDrawText(dc, text, &r, plat::DT_CALCRECT | plat::DT_SINGLELINE);
      text_width = r.right - r.left;
      plat::SelectObject(dc, old);
      plat::ReleaseDC(nullptr, dc);
    }
    const TDataSkinTitle* title = skin_data_->Skin().Title.get();
    int needed = text_width + (title ? title->TextShift() + title->TextRightClip() : 0);
    if (width < needed) {
      int shift = (needed - width) / 2;
      for (plat::HWND c = plat::GetWindow(handle_, plat::GW_CHILD); c;
           c = plat::GetWindow(c, plat::GW_HWNDNEXT)) {
        plat::RECT r{};
        plat::GetWindowRect(c, &r);
        plat::POINT p{r.left, r.top};
        plat::ScreenToClient(handle_, &p);
        plat::SetWindowPos(
            c, nullptr, p.x + shift, p.y, 0, 0,
            plat::SWP_NOSIZE | plat::SWP_NOZORDER | plat::SWP_NOACTIVATE | plat::SWP_NOSENDCHANGING);
      }
      width = needed;
    }
  }
  plat::SetWindowPos(handle_, nullptr, 0, 0, width, height, flags);
}

void TWinSkinForm::SetCaptionStyle(bool flag) {
  if (!(caption_flags_ & kStripCaption)) return;
  auto style = static_cast<plat::DWORD>(plat::GetWindowLongA(handle_, plat::GWL_STYLE));
  plat::DWORD next = flag ? style | plat::WS_CAPTION : style & ~plat::WS_CAPTION;
  if (next != style) plat::SetWindowLongA(handle_, plat::GWL_STYLE, static_cast<plat::LONG>(next));
}

void TWinSkinForm::SetSysMenuStyle(bool flag) {
  if (caption_flags_ & kStripCaption) return;
  auto style = static_cast<plat::DWORD>(plat::GetWindowLongA(handle_, plat::GWL_STYLE));
  plat::DWORD next = style;
  if (flag)
    next &= ~plat::WS_SYSMENU;
  else if (caption_flags_ & 8)
    next |= plat::WS_SYSMENU;
  if (next != style) plat::SetWindowLongA(handle_, plat::GWL_STYLE, static_cast<plat::LONG>(next));
}

void TWinSkinForm::Detach() {
  StopHoverTimer();
  if (form_ && form_hooked_) form_->RemoveWindowProcHook(this);
  form_hooked_ = false;
  if (!attached_) return;
  plat::RemoveWindowSubclass(handle_, &TWinSkinForm::SubclassProc, kSubclassId);
  attached_ = false;
}

bool TWinSkinForm::AddSkinControl(TSkinControl* companion) { return skin_controls_->Add(companion); }

void TWinSkinForm::RemoveSkinControl(TSkinControl* companion) { skin_controls_->Remove(companion); }

void TWinSkinForm::RestoreWindow() {
  skin_controls_->UnskinAll();
  // The form's menus lose the skin's handlers (and only those).
  if (form_ && phase_ != 4) {
    SetPopupMenusOwnerDraw(skin_data_, form_, false);
    SetMainMenusOwnerDraw(skin_data_, form_, false);
  }
  if (!frame_skinned_) {
    // Only the controls were skinned: the window's procedure goes back.
    if (form_ && colour_saved_ && phase_ != 4) form_->SetColor(saved_colour_);
    Detach();
    return;
  }
  Detach();
  if (form_ && colour_saved_ && phase_ != 4) form_->SetColor(saved_colour_);
  SetSysMenuStyle(false);
  SetCaptionStyle(true);
  if (menu_bar_) {
    // The window gets back the menu the bar shows; with it, the strip is the
    // platform's again.
    if (plat::IsMenu(menu_bar_->MenuHandle())) plat::SetMenu(handle_, menu_bar_->MenuHandle());
    menu_bar_.reset();
  }
  if (phase_ != 4 && !child_) {
    plat::RECT r{};
    plat::GetWindowRect(handle_, &r);
    int width = (r.right - r.left) - (border_left_ + border_right_ - std_nc_width_);
    int height = (r.bottom - r.top) - (border_top_ + border_bottom_ - std_nc_height_);
    if (!init_done_) {
      // Never resized for the skin: the platform's frame comes back as it was.
      width = r.right - r.left;
      height = r.bottom - r.top;
    }
    plat::SetWindowPos(handle_, nullptr, 0, 0, width, height,
                       plat::SWP_NOMOVE | plat::SWP_NOZORDER | plat::SWP_NOACTIVATE | plat::SWP_FRAMECHANGED);
  }
  if (region_owned_) {
    plat::SetWindowRgn(handle_, nullptr, plat::TRUE);
    region_owned_ = false;
  }
}

void TWinSkinForm::DetachOnDestroy() {
  Detach();
  skin_controls_->UnskinAll();
  menu_bar_.reset();
  FreeNCObjects();
}

void TWinSkinForm::RefreshSkin() {
  if (form_) {
    form_->SetColor(skin_data_->Skin().ButtonFace);
    for (int i = 0; i < form_->ComponentCount(); ++i)
      if (auto* f = dynamic_cast<vcl::TCustomForm*>(form_->Components(i)))
        f->SetColor(skin_data_->Skin().ButtonFace);
  }
  skin_controls_->RefreshAll();
  phase_ = 3;
  if (frame_skinned_ && form_) {
    SetPopupMenusOwnerDraw(skin_data_, form_, true);
    ResizeForSkin(true);
    int h = form_->Height();
    form_->SetHeight(h + 1);
    form_->SetHeight(h);
    region_width_ = region_height_ = -1;
    BuildRegion();
  }
  phase_ = 1;
}

void TWinSkinForm::RepaintWindowNow(plat::HWND window) {
  plat::RedrawWindow(
      window, nullptr, nullptr,
      plat::RDW_INVALIDATE | plat::RDW_ERASE | plat::RDW_FRAME | plat::RDW_ALLCHILDREN | plat::RDW_UPDATENOW);
}

plat::LRESULT TWinSkinForm::SubclassProc(plat::HWND, plat::UINT message, plat::WPARAM wparam,
                                         plat::LPARAM lparam, plat::UINT_PTR, plat::DWORD_PTR ref) {
  auto* self = reinterpret_cast<TWinSkinForm*>(ref);
  ++self->depth_;
  plat::LRESULT result = 0;
  {
    plat::ScopeExit leave([self] { --self->depth_; });
    result = self->WindowProc(message, wparam, lparam);
  }
  // A form skin retired while its handlers ran is freed once they are done.
  if (self->depth_ == 0 && self->retired_)
    if (TSkinManage* manager = SkinManager()) manager->Sweep();
  return result;
}

plat::LRESULT TWinSkinForm::PassOn(plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam) {
  return plat::DefSubclassProc(handle_, message, wparam, lparam);
}

plat::LRESULT TWinSkinForm::WindowProc(plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam) {
  if (message == plat::WM_NCPAINT && phase_ == 0) return 0;
  const bool foreign = form_ == nullptr;
  switch (message) {
    case plat::WM_CTLCOLORBTN: {
      plat::LRESULT r = PassOn(message, wparam, lparam);
      if (foreign) plat::SetBkMode(reinterpret_cast<plat::HDC>(wparam), plat::TRANSPARENT);
      return r;
    }
    case plat::WM_CTLCOLORSTATIC: {
      plat::LRESULT r = PassOn(message, wparam, lparam);
      if (!foreign) return r;
      plat::SetBkMode(reinterpret_cast<plat::HDC>(wparam), plat::TRANSPARENT);
      return reinterpret_cast<plat::LRESULT>(skin_data_->Skin().FaceBrush.Handle());
    }
    case plat::WM_ERASEBKGND: {
      plat::LRESULT r = PassOn(message, wparam, lparam);
      if (!foreign) return r;
      plat::RECT client{};
      plat::GetClientRect(handle_, &client);
      plat::FillRect(reinterpret_cast<plat::HDC>(wparam), &client, skin_data_->Skin().FaceBrush.Handle());
      return 1;
    }
    case plat::WM_NCDESTROY: {
      phase_ = 4;
      DetachOnDestroy();
      plat::LRESULT r = PassOn(message, wparam, lparam);
      phase_ = 6;
      if (TSkinManage* manager = SkinManager()) manager->FormGone(this);
      return r;
    }
    case plat::WM_NCACTIVATE:
      if (phase_ == 0) return 0;
      break;
    case plat::WM_INITMENUPOPUP:
      // A bar popup's own item has had its command posted; its submenus are
      // announced as on the platform's bar, so their items' clicks run.
      if (menu_tracking_ && reinterpret_cast<plat::HMENU>(wparam) == open_popup_) return 0;
      if (TSkinManage* manager = SkinManager())
        manager->SetMenuKind(reinterpret_cast<plat::HMENU>(wparam) == system_menu_ ? 2 : 1);
      return PassOn(message, wparam, lparam);
    case SKM_INITFORM:
      InitForm();
      return 0;
    case SKM_ISSKINNED:
      return 1;
    case SKM_REFRESHSKIN:
      // A form hears it on its hook, however it arrives.
      if (form_hooked_) return PassOn(message, wparam, lparam);
      RefreshSkin();
      return 0;
    default:
      break;
  }
  if (!frame_skinned_) return PassOn(message, wparam, lparam);
  if (child_) return PassOn(message, wparam, lparam);
  bool handled = false;
  plat::LRESULT r = SecondStage(message, wparam, lparam, handled);
  if (handled) return r;
  if (phase_ != 0) {
    r = ThirdStage(message, wparam, lparam, handled);
    if (handled) return r;
  }
  return PassOn(message, wparam, lparam);
}

plat::LRESULT TWinSkinForm::SecondStage(plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam,
                                        bool& handled) {
  handled = true;
  switch (message) {
    case plat::WM_SIZE: {
      plat::LRESULT r = PassOn(message, wparam, lparam);
      window_state_ = wparam == plat::SIZE_MINIMIZED ? 2 : wparam == plat::SIZE_MAXIMIZED ? 1 : 0;
      if (window_state_ != 2 && (phase_ == 1 || phase_ == 3)) BuildRegion();
      return r;
    }
    case plat::WM_ACTIVATE:
      active_ = plat::LOWORD(wparam) != 0;
      handled = false;
      return 0;
    case plat::WM_NCACTIVATE:
      active_ = wparam != 0;
      handled = false;
      return 0;
    case plat::WM_GETMINMAXINFO: {
      plat::LRESULT r = PassOn(message, wparam, lparam);
      ReadWindowState();
      SetCaptionStyle(window_state_ == 2);
      return r;
    }
    case plat::WM_WINDOWPOSCHANGED:
      ReadWindowState();
      return PassOn(message, wparam, lparam);
    case plat::WM_COMMAND: {
      plat::WPARAM id = plat::LOWORD(wparam);
      switch (id) {
        case plat::SC_SIZE:
        case plat::SC_MOVE:
        case plat::SC_MINIMIZE:
        case plat::SC_MAXIMIZE:
        case plat::SC_NEXTWINDOW:
        case plat::SC_PREVWINDOW:
        case plat::SC_CLOSE:
        case plat::SC_RESTORE:
          plat::PostMessageA(handle_, plat::WM_SYSCOMMAND, id, 0);
          return 0;
        default:
          return PassOn(message, wparam, lparam);
      }
    }
    case plat::WM_SYSCOMMAND:
      if ((wparam & 0xFFF0) == plat::SC_KEYMENU && !menu_tracking_) {
        const char key = static_cast<char>(lparam & 0xFF);
        if (key == ' ') {
          plat::POINT origin{0, 0};
          plat::ClientToScreen(handle_, &origin);
          PopupSystemMenu(origin);
          return 0;
        }
        if (key != '-' && !plat::GetCapture()) {
          TMenuBtn* button = nullptr;
          if (menu_bar_) {
            button = key ? menu_bar_->FindAccelButton(key)
                         : (menu_bar_->BarButtons().empty() ? nullptr : menu_bar_->BarButtons()[0].get());
          }
          if (!key || button) {
            if (button) OpenMenuButton(*button);
            return 1;
          }
        }
      }
      switch (wparam & 0xFFF0) {
        case plat::SC_MINIMIZE:
          window_state_ = 2;
          break;
        case plat::SC_MAXIMIZE:
          window_state_ = 1;
          break;
        case plat::SC_RESTORE:
          window_state_ = 0;
          break;
        default:
          break;
      }
      return PassOn(message, wparam, lparam);
    case vcl::CM_MENUCHANGED: {
      // The class library re-sets the menu; no frame is painted meanwhile,
      // and the flag comes back however the pass-on ends.
      plat::LRESULT r = 0;
      {
        skin_data_->SetFramePaint(false);
        plat::ScopeExit restore([this] { skin_data_->SetFramePaint(true); });
        r = PassOn(message, wparam, lparam);
      }
      if (menu_bar_ && skin_data_->MenuUpdate() && plat::GetMenu(handle_)) {
        menu_bar_->SetMenuHandle(plat::GetMenu(handle_));
        menu_bar_->ReadMenu();
      }
      if (plat::GetMenu(handle_)) plat::SetMenu(handle_, nullptr);
      PaintFrame();
      return r;
    }
    case SKM_OPENMENUAT: {
      const plat::POINT screen{static_cast<plat::SHORT>(plat::LOWORD(static_cast<uintptr_t>(lparam))),
                               static_cast<plat::SHORT>(plat::HIWORD(static_cast<uintptr_t>(lparam)))};
      if (menu_bar_)
        if (TMenuBtn* button = menu_bar_->ButtonAt(ToWindowPoint(screen))) OpenMenuButton(*button);
      return 0;
    }
    case plat::WM_SETTEXT: {
      // A form hears it on its hook; another window's caption changes here,
      // so its own painter never leaves the platform's caption on the skin.
      plat::LRESULT r = PassOn(message, wparam, lparam);
      if (!form_hooked_) FrameChanged();
      return r;
    }
    default:
      handled = false;
      return 0;
  }
}

plat::LRESULT TWinSkinForm::ThirdStage(plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam,
                                       bool& handled) {
  handled = true;
  switch (message) {
    case plat::WM_NCCALCSIZE:
      return OnNCCalcSize(wparam, lparam);
    case plat::WM_NCPAINT:
      return OnNCPaint(wparam, lparam);
    case plat::WM_NCACTIVATE:
      return OnNCActivate(wparam);
    case SKM_REPAINTFRAME:
      PaintFrame();
      return 0;
    case plat::WM_MEASUREITEM: {
      bool ours = false;
      const plat::LRESULT r = OnMeasureItem(lparam, ours);
      return ours ? r : PassOn(message, wparam, lparam);
    }
    case plat::WM_DRAWITEM: {
      bool ours = false;
      const plat::LRESULT r = OnDrawItem(lparam, ours);
      return ours ? r : PassOn(message, wparam, lparam);
    }
    default:
      return OnNCMouse(message, wparam, lparam, handled);
  }
}

void TWinSkinForm::FrameChanged() {
  if (phase_ != 1 && phase_ != 3) return;
  if (window_state_ == 2)
    PaintFrame();
  else
    plat::SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
                       plat::SWP_NOSIZE | plat::SWP_NOMOVE | plat::SWP_NOZORDER | plat::SWP_NOACTIVATE |
                           plat::SWP_FRAMECHANGED);
}

void TWinSkinForm::FormHook(vcl::TMessage& message, const vcl::TWndHookNext& next) {
  switch (message.Msg) {
    case plat::WM_SETTEXT:
      next(message);
      FrameChanged();
      return;
    case SKM_REFRESHSKIN:
      RefreshSkin();
      return;
    case vcl::CM_DIALOGCHAR: {
      next(message);
      if (message.Result || !menu_bar_) return;
      const vcl::TShiftState shift = vcl::KeyDataToShiftState(message.LParam);
      if (shift == vcl::TShiftState{vcl::ssAlt})
        if (TMenuBtn* button = menu_bar_->FindAccelButton(static_cast<char>(message.WParam))) {
          ClickMenuButton(*button);
          message.Result = 1;
        }
      return;
    }
    default:
      next(message);
      return;
  }
}

}  // namespace skin
