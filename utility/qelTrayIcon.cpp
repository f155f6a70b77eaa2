#include "utility/qelTrayIcon.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/Gdi.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Icon.h"
#include "platform/user/Input.h"
#include "platform/user/Subclass.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"
#include "utility/qelConsts.h"
#include "utility/qelSysUtils.h"
#include "utility/qelVclUtils.h"

namespace utility {

namespace {
// The panel's record: the extended form on this platform's profile.
size_t TipLimit() { return VersionFlags().RunningWin2000OrLater ? 127 : 63; }

void CopyText(char* into, size_t size, const std::string& text, size_t limit) {
  size_t n = std::min({text.size(), limit, size - 1});
  std::memcpy(into, text.data(), n);
  into[n] = '\0';
}

// The image list's picture at `index` as a new icon.
plat::HICON ListIcon(vcl::TCustomImageList* list, int index) {
  if (!list || index < 0 || index >= list->Count()) return nullptr;
  vcl::TBitmap bitmap;
  list->GetBitmap(index, &bitmap);
  std::vector<uint8_t> zeros(static_cast<size_t>((list->Width() + 15) / 16 * 2 * list->Height()), 0);
  plat::HBITMAP mask = plat::CreateBitmap(list->Width(), list->Height(), 1, 1, zeros.data());
  plat::ICONINFO info;
  info.hbmColor = bitmap.Handle();
  info.hbmMask = mask;
  plat::HICON icon = plat::CreateIconIndirect(&info);
  plat::DeleteObject(mask);
  return icon;
}
}  // namespace

VCL_IMPLEMENT_CLASS(
    TqelTrayIcon,
    BoolProp("CycleIcons", &TqelTrayIcon::CycleIcons, &TqelTrayIcon::SetCycleIcons).Default(false),
    IntProp("CycleInterval", &TqelTrayIcon::CycleInterval, &TqelTrayIcon::SetCycleInterval).Default(200),
    BoolProp("Enabled", &TqelTrayIcon::Enabled, &TqelTrayIcon::SetEnabled).Default(true),
    StrProp("Hint", &TqelTrayIcon::Hint, &TqelTrayIcon::SetHint),
    RefProp("ImageList", &TqelTrayIcon::ImageList, &TqelTrayIcon::SetImageList),
    IntProp("ImageIndex", &TqelTrayIcon::ImageIndex, &TqelTrayIcon::SetImageIndex).Default(0),
    IntProp("IconID", &TqelTrayIcon::IconID, &TqelTrayIcon::SetIconID).Default(0),
    BoolProp("MinimizeToTray", &TqelTrayIcon::MinimizeToTray, &TqelTrayIcon::SetMinimizeToTray)
        .Default(false),
    BoolProp("MinimizeOnStart", &TqelTrayIcon::MinimizeOnStart, &TqelTrayIcon::SetMinimizeOnStart)
        .Default(false),
    RefProp("PopupMenu", &TqelTrayIcon::PopupMenu, &TqelTrayIcon::SetPopupMenu),
    BoolProp("PopupByLeft", &TqelTrayIcon::PopupByLeft, &TqelTrayIcon::SetPopupByLeft).Default(false),
    BoolProp("ShowHint", &TqelTrayIcon::ShowHint, &TqelTrayIcon::SetShowHint).Default(true),
    BoolProp("Visible", &TqelTrayIcon::Visible, &TqelTrayIcon::SetVisible).Default(false),
    BoolProp("VisibleOnDesigning", &TqelTrayIcon::VisibleOnDesigning, &TqelTrayIcon::SetVisibleOnDesigning)
        .Default(false),
    StrProp("InfoText", &TqelTrayIcon::InfoText, &TqelTrayIcon::SetInfoText),
    StrProp("InfoTitle", &TqelTrayIcon::InfoTitle, &TqelTrayIcon::SetInfoTitle),
    IntProp("InfoTimeout", &TqelTrayIcon::InfoTimeout, &TqelTrayIcon::SetInfoTimeout).Default(10000),
    EnumProp("InfoType", &TqelTrayIcon::InfoType, &TqelTrayIcon::SetInfoType,
             {"tiiNone", "tiiInfo", "tiiWarning", "tiiError"})
        .Default(tiiNone),
    EventProp("OnMinimize", &TqelTrayIcon::OnMinimize), EventProp("OnClick", &TqelTrayIcon::OnClick),
    EventProp("OnDblClick", &TqelTrayIcon::OnDblClick), EventProp("OnPopupMenu", &TqelTrayIcon::OnPopupMenu),
    EventProp("OnShow", &TqelTrayIcon::OnShow), EventProp("OnHide", &TqelTrayIcon::OnHide),
    EventProp("OnCycleIcons", &TqelTrayIcon::OnCycleIcons),
    EventProp("OnBalloonShow", &TqelTrayIcon::OnBalloonShow),
    EventProp("OnBalloonTimeout", &TqelTrayIcon::OnBalloonTimeout),
    EventProp("OnBalloonClick", &TqelTrayIcon::OnBalloonClick),
    EventProp("OnMouseMove", &TqelTrayIcon::OnMouseMove),
    EventProp("OnMouseDown", &TqelTrayIcon::OnMouseDown), EventProp("OnMouseUp", &TqelTrayIcon::OnMouseUp))

TqelTrayIcon::TqelTrayIcon(vcl::TComponent* owner) : TqelCustomTimer(owner) {
  // The timer runs only with a handler; the steps come from Timer.
  if (!Designing()) SetOnTimer([](vcl::TObject*) {});
  SetCycleIcons(false);
  SetCycleInterval(200);
  HookApplication();
}

TqelTrayIcon::~TqelTrayIcon() {
  // Going away takes the icon along, and nothing else: no window is shown
  // while its owner may be going away too.
  if (visible_) {
    plat::NOTIFYICONDATAA data;
    FillData(data);
    plat::Shell_NotifyIconA(plat::NIM_DELETE, &data);
    visible_ = false;
  }
  if (hooked_)
    plat::RemoveWindowSubclass(hooked_, &TqelTrayIcon::AppSubclass, reinterpret_cast<plat::UINT_PTR>(this));
  if (icon_) plat::DestroyIcon(icon_);
}

bool TqelTrayIcon::Destroying() const {
  if (ComponentState().Contains(vcl::csDestroying)) return true;
  return Owner() && Owner()->ComponentState().Contains(vcl::csDestroying);
}

// The main form stands for the application's window: its minimising is
// watched on the window's subclass chain, which others may join and leave
// in any order.
void TqelTrayIcon::HookApplication() {
  if (hooked_ || Designing()) return;
  vcl::TCustomForm* form = vcl::ApplicationMainForm();
  if (!form || !form->HandleAllocated()) return;
  hooked_ = form->Handle();
  plat::SetWindowSubclass(hooked_, &TqelTrayIcon::AppSubclass, reinterpret_cast<plat::UINT_PTR>(this),
                          reinterpret_cast<plat::DWORD_PTR>(this));
}

plat::LRESULT TqelTrayIcon::AppSubclass(plat::HWND hwnd, plat::UINT msg, plat::WPARAM wparam,
                                        plat::LPARAM lparam, plat::UINT_PTR, plat::DWORD_PTR data) {
  auto* self = reinterpret_cast<TqelTrayIcon*>(data);
  if (msg == plat::WM_NCDESTROY) self->hooked_ = nullptr;
  return self->AppWndProc(hwnd, msg, wparam, lparam);
}

plat::LRESULT TqelTrayIcon::AppWndProc(plat::HWND hwnd, plat::UINT msg, plat::WPARAM wparam,
                                       plat::LPARAM lparam) {
  if (msg == plat::WM_SIZE && wparam == plat::SIZE_MINIMIZED && minimize_to_tray_) Minimize();
  return plat::DefSubclassProc(hwnd, msg, wparam, lparam);
}

void TqelTrayIcon::Loaded() {
  TqelCustomTimer::Loaded();
  HookApplication();
  // Visible only arrived while the description was read: the icon is added
  // once, here (by Minimize when the program starts in the tray).
  bool& shown = Designing() ? visible_on_designing_ : visible_;
  bool show = shown;
  shown = false;
  if (!Designing() && minimize_on_start_) {
    if (vcl::Application) vcl::Application->SetShowMainForm(false);
    Minimize();
  } else if (show) {
    Show();
  }
}

void TqelTrayIcon::FillData(plat::NOTIFYICONDATAA& data) {
  data = plat::NOTIFYICONDATAA{};
  data.hWnd = WindowHandle();
  data.uID = static_cast<plat::UINT>(icon_id_);
  data.uFlags = flags_;
  data.uCallbackMessage = kTrayCallbackMessage;
  data.hIcon = icon_;
  if (show_hint_) CopyText(data.szTip, sizeof data.szTip, hint_, TipLimit());
}

bool TqelTrayIcon::Add() {
  plat::NOTIFYICONDATAA data;
  FillData(data);
  return plat::Shell_NotifyIconA(plat::NIM_ADD, &data);
}

void TqelTrayIcon::Show() {
  flags_ |= plat::NIF_ICON;
  // No panel that takes icons: the program must not vanish into nowhere.
  if (!Add()) throw EqelTrayIcon(vcl::Format(SqelInsertToTrayFailed, {Name()}));
  if (Designing())
    visible_on_designing_ = true;
  else
    visible_ = true;
  if (OnShow) OnShow(this);
}

void TqelTrayIcon::Hide() {
  flags_ &= ~plat::NIF_ICON;
  plat::NOTIFYICONDATAA data;
  FillData(data);
  plat::Shell_NotifyIconA(plat::NIM_DELETE, &data);
  if (Designing())
    visible_on_designing_ = false;
  else
    visible_ = false;
  if (OnHide) OnHide(this);
  if (Destroying()) return;
  if (minimize_to_tray_) ShowApp();
  if (vcl::TWinControl* owner = OwnerControl(); owner && !owner->Visible()) owner->SetVisible(true);
}

void TqelTrayIcon::Update() {
  plat::NOTIFYICONDATAA data;
  FillData(data);
  plat::Shell_NotifyIconA(plat::NIM_MODIFY, &data);
}

void TqelTrayIcon::ShowBalloon() {
  if (!VersionFlags().RunningWin2000OrLater) return;
  plat::NOTIFYICONDATAA data;
  FillData(data);
  // The balloon alone: the stored flags stay as they are.
  data.uFlags = plat::NIF_INFO;
  CopyText(data.szInfo, sizeof data.szInfo, info_text_, 255);
  CopyText(data.szInfoTitle, sizeof data.szInfoTitle, info_title_, 63);
  data.uTimeout = static_cast<plat::UINT>(info_timeout_);
  data.dwInfoFlags = static_cast<plat::DWORD>(info_type_);
  plat::Shell_NotifyIconA(plat::NIM_MODIFY, &data);
}

void TqelTrayIcon::ShowApp() { ShowApplication(); }
void TqelTrayIcon::HideApp() { HideApplication(); }

vcl::TWinControl* TqelTrayIcon::OwnerControl() const { return dynamic_cast<vcl::TWinControl*>(Owner()); }

plat::LRESULT TqelTrayIcon::WndProc(plat::UINT msg, plat::WPARAM wparam, plat::LPARAM lparam) {
  if (msg == kTrayCallbackMessage && !Designing() && enabled_) {
    try {
      Notify(static_cast<plat::UINT>(lparam));
    } catch (...) {
      if (!vcl::Application) throw;
      vcl::Application->HandleException(this);
    }
    return 0;
  }
  if (msg == TaskbarMessage() && TaskbarMessage() != 0 && visible_) {
    // The panel came back: the icon is added again, and nothing else
    // changes (a program minimised to the tray stays there).
    Add();
  }
  return TqelCustomTimer::WndProc(msg, wparam, lparam);
}

void TqelTrayIcon::Notify(plat::UINT notice) {
  plat::POINT pos = plat::NotifyIconEventPos(WindowHandle(), static_cast<plat::UINT>(icon_id_));
  vcl::TShiftState shift = CurrentShiftState();
  switch (notice) {
    case plat::WM_MOUSEMOVE:
      MouseMove(shift, pos.x, pos.y);
      break;
    case plat::WM_LBUTTONDOWN:
      MouseDown(vcl::mbLeft, shift + vcl::TShiftState{vcl::ssLeft}, pos.x, pos.y);
      click_pending_ = true;
      break;
    case plat::WM_LBUTTONUP:
      MouseUp(vcl::mbLeft, shift + vcl::TShiftState{vcl::ssLeft}, pos.x, pos.y);
      if (click_pending_) Click();
      if (popup_by_left_) PopupAtCursor();
      click_pending_ = false;
      break;
    case plat::WM_LBUTTONDBLCLK:
      DblClick();
      break;
    case plat::WM_RBUTTONDOWN:
      MouseDown(vcl::mbRight, shift + vcl::TShiftState{vcl::ssRight}, pos.x, pos.y);
      break;
    case plat::WM_RBUTTONUP:
      MouseUp(vcl::mbRight, shift + vcl::TShiftState{vcl::ssRight}, pos.x, pos.y);
      PopupAtCursor();
      break;
    case plat::WM_MBUTTONDOWN:
      MouseDown(vcl::mbMiddle, shift + vcl::TShiftState{vcl::ssMiddle}, pos.x, pos.y);
      break;
    case plat::WM_MBUTTONUP:
      MouseUp(vcl::mbMiddle, shift + vcl::TShiftState{vcl::ssMiddle}, pos.x, pos.y);
      break;
    case plat::NIN_BALLOONSHOW:
      if (OnBalloonShow) OnBalloonShow(this);
      break;
    case plat::NIN_BALLOONTIMEOUT:
      if (OnBalloonTimeout) OnBalloonTimeout(this);
      break;
    case plat::NIN_BALLOONUSERCLICK:
      if (OnBalloonClick) OnBalloonClick(this);
      break;
  }
}

void TqelTrayIcon::MouseMove(vcl::TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TqelTrayIcon::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TqelTrayIcon::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  if (vcl::TWinControl* owner = OwnerControl(); owner && owner->HandleAllocated())
    plat::SetForegroundWindow(owner->Handle());
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TqelTrayIcon::Click() {
  if (OnClick) OnClick(this);
}

void TqelTrayIcon::DblClick() {
  vcl::TWinControl* owner = OwnerControl();
  if (popup_menu_ && popup_menu_->AutoPopup() && !popup_by_left_) {
    for (int i = 0; i < popup_menu_->Items()->Count(); ++i) {
      vcl::TMenuItem* item = popup_menu_->Items()->Items(i);
      if (item->Default()) {
        item->Click();
        break;
      }
    }
    if (OnDblClick) OnDblClick(this);
    if (owner && owner->HandleAllocated()) plat::SetForegroundWindow(owner->Handle());
    return;
  }
  if (!Designing() && minimize_to_tray_ && owner) {
    if (owner->Visible())
      HideApp();
    else
      ShowApp();
  }
  if (OnDblClick) OnDblClick(this);
}

void TqelTrayIcon::PopupAtCursor() {
  if (!popup_menu_ || !popup_menu_->AutoPopup()) return;
  plat::POINT pos = plat::NotifyIconEventPos(WindowHandle(), static_cast<plat::UINT>(icon_id_));
  if (vcl::Application) vcl::Application->ProcessMessages();
  vcl::TWinControl* owner = OwnerControl();
  if (owner && owner->HandleAllocated()) plat::SetForegroundWindow(owner->Handle());
  popup_menu_->SetPopupComponent(this);
  popup_menu_->Popup(pos.x, pos.y);
  if (owner && owner->HandleAllocated()) plat::PostMessageA(owner->Handle(), plat::WM_NULL, 0, 0);
  if (OnPopupMenu) OnPopupMenu(this);
}

void TqelTrayIcon::Minimize() {
  if (Designing()) return;
  // The icon first: without a panel to hold it the application stays where it is.
  SetVisible(true);
  HideApp();
  if (OnMinimize) OnMinimize(this);
}

void TqelTrayIcon::Timer() {
  TqelCustomTimer::Timer();
  // An empty list has nothing to step through.
  if (!image_list_ || image_list_->Count() == 0) return;
  SetImageIndex(image_index_ >= image_list_->Count() - 1 ? 0 : image_index_ + 1);
  if (OnCycleIcons) OnCycleIcons(this);
}

void TqelTrayIcon::SetHint(const std::string& value) {
  if (value == hint_) return;
  hint_ = value;
  if (visible_) Update();
}

void TqelTrayIcon::SetShowHint(bool value) {
  if (value == show_hint_) return;
  show_hint_ = value;
  if (visible_) Update();
}

void TqelTrayIcon::SetIcon(plat::HICON value) {
  if (icon_) plat::DestroyIcon(icon_);
  icon_ = value ? plat::CopyIcon(value) : nullptr;
  if (visible_) Update();
}

void TqelTrayIcon::RefreshIcon() {
  if (!image_list_) return;
  plat::HICON icon = ListIcon(image_list_, image_index_);
  SetIcon(icon);
  if (icon) plat::DestroyIcon(icon);
}

void TqelTrayIcon::SetImageList(vcl::TCustomImageList* value) {
  if (value == image_list_) return;
  if (image_list_) image_list_->RemoveFreeNotification(this);
  image_list_ = value;
  if (image_list_) image_list_->FreeNotification(this);
  if (!Reading()) RefreshIcon();
}

void TqelTrayIcon::SetImageIndex(int value) {
  image_index_ = value;
  if (!Reading()) RefreshIcon();
}

void TqelTrayIcon::SetIconID(int value) {
  if (value == icon_id_) return;
  if (!visible_ || Reading()) {
    icon_id_ = value;
    return;
  }
  // The icon moves to its new identifier; the application is not touched.
  plat::NOTIFYICONDATAA data;
  FillData(data);
  plat::Shell_NotifyIconA(plat::NIM_DELETE, &data);
  icon_id_ = value;
  Add();
}

void TqelTrayIcon::SetMinimizeToTray(bool value) {
  minimize_to_tray_ = value;
  HookApplication();
}

void TqelTrayIcon::SetPopupMenu(vcl::TPopupMenu* value) {
  if (value == popup_menu_) return;
  if (popup_menu_) popup_menu_->RemoveFreeNotification(this);
  popup_menu_ = value;
  if (popup_menu_) popup_menu_->FreeNotification(this);
}

void TqelTrayIcon::SetVisible(bool value) {
  if (Designing() || value == visible_) return;
  // While the description is read the value only arrives; Loaded shows it.
  if (Reading()) {
    visible_ = value;
    return;
  }
  if (value)
    Show();
  else
    Hide();
}

void TqelTrayIcon::SetVisibleOnDesigning(bool value) {
  if (!Designing() || Reading()) {
    visible_on_designing_ = value;
    return;
  }
  if (value != visible_on_designing_) value ? Show() : Hide();
}

void TqelTrayIcon::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  TqelCustomTimer::Notification(component, operation);
  if (operation != vcl::opRemove) return;
  if (component == popup_menu_) popup_menu_ = nullptr;
  if (component == image_list_) image_list_ = nullptr;
}

}  // namespace utility
