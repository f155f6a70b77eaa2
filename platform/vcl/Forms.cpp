#include "platform/vcl/Forms.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>

#include "platform/kernel/Modules.h"
#include "platform/user/Cursor.h"
#include "platform/user/Edit.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Icon.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/NonClient.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/Menus.h"
#include "platform/vcl/TypInfo.h"

namespace vcl {

VCL_IMPLEMENT_CLASS(TCustomForm)

VCL_IMPLEMENT_CLASS(
    TForm, IntProp("Width", &TForm::Width, &TForm::SetWidth).NoDefault().Stored(false),
    IntProp("Height", &TForm::Height, &TForm::SetHeight).NoDefault().Stored(false),
    RefProp("ActiveControl", &TForm::ActiveControl, &TForm::SetActiveControl),
    SetOfProp("BorderIcons", &TForm::BorderIcons, &TForm::SetBorderIcons,
              {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"})
        .Default(TBorderIcons{biSystemMenu, biMinimize, biMaximize}),
    EnumProp("BorderStyle", &TForm::BorderStyle, &TForm::SetBorderStyle,
             {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"})
        .Default(bsSizeable),
    StrProp("Caption", &TForm::Caption, &TForm::SetCaption),
    IntProp("ClientHeight", &TForm::StoredClientHeight, &TForm::SetStoredClientHeight).NoDefault(),
    IntProp("ClientWidth", &TForm::StoredClientWidth, &TForm::SetStoredClientWidth).NoDefault(),
    ColorProp("Color", &TForm::Color, &TForm::SetColor).Default(clBtnFace),
    BoolProp("Enabled", &TForm::Enabled, &TForm::SetEnabled).Default(true),
    ObjProp("Font", &TForm::Font, &TForm::SetFont),
    EnumProp("FormStyle", &TForm::FormStyle, &TForm::SetFormStyle,
             {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"})
        .Default(fsNormal),
    BoolProp("KeyPreview", &TForm::KeyPreview, &TForm::SetKeyPreview).Default(false),
    RefProp("Menu", &TForm::Menu, &TForm::SetMenu),
    BoolProp("OldCreateOrder", &TForm::OldCreateOrder, &TForm::SetOldCreateOrder).Default(false),
    BoolProp("ParentFont", &TForm::ParentFont, &TForm::SetParentFont).Default(false),
    EnumProp("Position", &TForm::Position, &TForm::SetPosition,
             {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter",
              "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"})
        .Default(poDesigned),
    BoolProp("Scaled", &TForm::Scaled, &TForm::SetScaled).Default(true),
    BoolProp("ShowHint", &TForm::ShowHint, &TForm::SetShowHint).Default(false),
    BoolProp("Visible", &TForm::Visible, &TForm::SetVisible).Default(false),
    EnumProp("WindowState", &TForm::WindowState, &TForm::SetWindowState,
             {"wsNormal", "wsMinimized", "wsMaximized"})
        .Default(wsNormal),
    EventProp("OnActivate", &TForm::OnActivate), EventProp("OnClick", &TForm::OnClick),
    EventProp("OnClose", &TForm::OnClose), EventProp("OnCloseQuery", &TForm::OnCloseQuery),
    EventProp("OnCreate", &TForm::OnCreate), EventProp("OnDblClick", &TForm::OnDblClick),
    EventProp("OnDeactivate", &TForm::OnDeactivate), EventProp("OnDestroy", &TForm::OnDestroy),
    EventProp("OnHide", &TForm::OnHide), EventProp("OnKeyDown", &TForm::OnKeyDown),
    EventProp("OnKeyPress", &TForm::OnKeyPress), EventProp("OnKeyUp", &TForm::OnKeyUp),
    EventProp("OnMouseDown", &TForm::OnMouseDown), EventProp("OnMouseMove", &TForm::OnMouseMove),
    EventProp("OnMouseUp", &TForm::OnMouseUp), EventProp("OnPaint", &TForm::OnPaint),
    EventProp("OnResize", &TForm::OnResize), EventProp("OnShow", &TForm::OnShow),
    IntProp("PixelsPerInch", &TForm::PixelsPerInch, &TForm::SetPixelsPerInch).NoDefault(),
    IntProp("TextHeight", &TForm::TextHeight, &TForm::SetTextHeight).NoDefault())

VCL_IMPLEMENT_CLASS(TScreen)

TScreen* Screen = nullptr;

namespace {

std::mutex resource_mutex;
std::unordered_map<std::string, std::string>& FormResources() {
  static auto* map = new std::unordered_map<std::string, std::string>;
  return *map;
}

plat::HWND app_window = nullptr;
TCustomForm* main_form = nullptr;
bool app_show_hint = true;
// Set by ApplicationCreateForm for the form being made.
std::function<void(TCustomForm*)> pending_store;

constexpr const char* kAppWindowClass = "TApplication";

}  // namespace

void RegisterFormResource(const std::string& class_name, std::string text) {
  std::lock_guard lock(resource_mutex);
  FormResources()[class_name] = std::move(text);
}

TRect MoveOntoWorkArea(const TRect& bounds) {
  const TRect area = Screen ? Screen->WorkAreaRect() : plat::user::WorkArea();
  const int width = std::min(bounds.right - bounds.left, area.right - area.left);
  const int height = std::min(bounds.bottom - bounds.top, area.bottom - area.top);
  const int left = std::clamp(bounds.left, area.left, area.right - width);
  const int top = std::clamp(bounds.top, area.top, area.bottom - height);
  return Bounds(left, top, width, height);
}

TCustomForm* GetParentForm(const TControl* control) {
  while (control && control->Parent()) control = control->Parent();
  return const_cast<TCustomForm*>(dynamic_cast<const TCustomForm*>(control));
}

void InitForm(TCustomForm* form) {
  if (pending_store) {
    auto store = std::move(pending_store);
    pending_store = nullptr;
    store(form);
  }
  std::string text;
  {
    std::lock_guard lock(resource_mutex);
    auto it = FormResources().find(form->ClassName());
    if (it != FormResources().end()) text = it->second;
  }
  if (!text.empty()) ReadFormText(form, text);
  form->form_state_.Exclude(fsCreating);
  form->DoCreate();
}

// ---- TCustomForm ------------------------------------------------------------

TCustomForm::TCustomForm(TComponent* owner)
    : TWinControl(owner), canvas_(std::make_unique<TControlCanvas>()) {
  canvas_->SetControl(this);
  form_state_.Include(fsCreating);
  visible_ = false;
  control_style_ =
      TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  SetColor(clBtnFace);
  SetParentFont(false);
  UpdateBoundsRect(Bounds(0, 0, 320, 240));
  if (Screen) Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
  BeforeDestruction();
  if (main_form == this) main_form = nullptr;
  if (Screen) Screen->RemoveForm(this);
  canvas_->SetControl(nullptr);
  SetMenu(nullptr);
}

void TCustomForm::BeforeDestruction() {
  if (destroy_done_) return;
  destroy_done_ = true;
  Destroying();
  DoDestroy();
}

void TCustomForm::DoCreate() {
  if (OnCreate) OnCreate(this);
}

void TCustomForm::DoDestroy() {
  if (OnDestroy) OnDestroy(this);
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

void TCustomForm::DoClose(TCloseAction& action) {
  if (OnClose) OnClose(this, action);
}

void TCustomForm::Paint() {
  if (OnPaint) OnPaint(this);
}

void TCustomForm::PaintWindow(plat::HDC dc) {
  canvas_->PaintOn(dc, [this] { Paint(); });
}

void TCustomForm::SetMenu(TComponent* value) {
  if (menu_ == value) return;
  if (menu_) {
    menu_->RemoveFreeNotification(this);
    if (auto* bar = dynamic_cast<TMainMenu*>(menu_)) bar->SetWindowHandle(nullptr);
  }
  menu_ = value;
  if (value) value->FreeNotification(this);
  // Until the window exists, CreateWnd attaches the bar.
  if (auto* bar = dynamic_cast<TMainMenu*>(menu_); bar && handle_ && !parent_) bar->SetWindowHandle(handle_);
}

bool TCustomForm::IsShortCut(uint16_t key, TShiftState shift) {
  auto* menu = dynamic_cast<TMenu*>(menu_);
  if (!menu) return false;
  // A focused text field keeps the keys it edits with (Ctrl+A, Ctrl+C, ...).
  if (plat::user::EditKeepsKey(plat::GetFocus(), key, shift.Contains(ssShift), shift.Contains(ssCtrl),
                               shift.Contains(ssAlt)))
    return false;
  TShortCut modifiers = 0;
  if (shift.Contains(ssShift)) modifiers |= scShift;
  if (shift.Contains(ssCtrl)) modifiers |= scCtrl;
  if (shift.Contains(ssAlt)) modifiers |= scAlt;
  return menu->IsShortCut(key, modifiers);
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == menu_) menu_ = nullptr;
  if (component == active_control_) active_control_ = nullptr;
  if (component == focused_control_) focused_control_ = nullptr;
}

plat::DWORD TCustomForm::FrameStyle(plat::DWORD* ex_style) const {
  plat::DWORD style = 0;
  plat::DWORD ex = 0;
  switch (border_style_) {
    case bsNone:
      style = plat::WS_POPUP;
      break;
    case bsSingle:
      style = plat::WS_CAPTION | plat::WS_BORDER;
      break;
    case bsSizeable:
      style = plat::WS_CAPTION | plat::WS_THICKFRAME;
      break;
    case bsDialog:
      style = plat::WS_POPUP | plat::WS_CAPTION;
      ex = plat::WS_EX_DLGMODALFRAME | plat::WS_EX_WINDOWEDGE;
      break;
    case bsToolWindow:
      style = plat::WS_CAPTION;
      ex = plat::WS_EX_TOOLWINDOW;
      break;
    case bsSizeToolWin:
      style = plat::WS_CAPTION | plat::WS_THICKFRAME;
      ex = plat::WS_EX_TOOLWINDOW;
      break;
  }
  if (border_style_ != bsNone && border_icons_.Contains(biSystemMenu)) {
    style |= plat::WS_SYSMENU;
    // Only the ordinary frames have room for minimise and maximise boxes.
    if (border_style_ == bsSingle || border_style_ == bsSizeable) {
      if (border_icons_.Contains(biMinimize)) style |= plat::WS_MINIMIZEBOX;
      if (border_icons_.Contains(biMaximize)) style |= plat::WS_MAXIMIZEBOX;
    }
  }
  if (form_style_ == fsStayOnTop) ex |= plat::WS_EX_TOPMOST;
  if (ex_style) *ex_style = ex;
  return style;
}

void TCustomForm::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  if (parent_) return;
  plat::DWORD ex = 0;
  params.Style = FrameStyle(&ex) | plat::WS_CLIPCHILDREN;
  if (!enabled_) params.Style |= plat::WS_DISABLED;
  params.ExStyle = ex;
  params.WndParent = parent_window_ ? parent_window_ : ApplicationHandle();
  if (position_ == poDefault || position_ == poDefaultPosOnly) params.X = params.Y = plat::CW_USEDEFAULT;
  if (position_ == poDefault || position_ == poDefaultSizeOnly)
    params.Width = params.Height = plat::CW_USEDEFAULT;
}

void TCustomForm::CreateWnd() {
  TWinControl::CreateWnd();
  if (!parent_) {
    // Forms show the application's icon.
    const plat::HWND app = ApplicationHandle();
    for (plat::WPARAM which : {plat::ICON_BIG, plat::ICON_SMALL})
      plat::SendMessageA(handle_, plat::WM_SETICON, which,
                         plat::SendMessageA(app, plat::WM_GETICON, which, 0));
  }
  if (auto* bar = dynamic_cast<TMainMenu*>(menu_); bar && !parent_) {
    // The bar takes its height from the client area; the window keeps its size.
    bar->SetWindowHandle(handle_);
  }
  if (!parent_) ReadWindowBounds();
}

TSize TCustomForm::NonClientSize() const {
  if (parent_) return TSize{0, 0};
  plat::DWORD ex = 0;
  plat::DWORD style = FrameStyle(&ex);
  plat::RECT r{0, 0, 0, 0};
  plat::AdjustWindowRectEx(&r, style, plat::FALSE, ex);
  // A menu bar is one line high, whatever its items.
  int bar = dynamic_cast<TMainMenu*>(menu_) ? plat::GetSystemMetrics(plat::SM_CYMENU) : 0;
  return TSize{r.right - r.left, r.bottom - r.top + bar};
}

void TCustomForm::SetBorderStyle(TBorderStyle value) {
  if (border_style_ == value) return;
  border_style_ = value;
  RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons value) {
  if (border_icons_ == value) return;
  border_icons_ = value;
  RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle value) {
  if (form_style_ == value) return;
  form_style_ = value;
  if (handle_) {
    plat::SetWindowPos(handle_, value == fsStayOnTop ? plat::HWND_TOPMOST : plat::HWND_NOTOPMOST, 0, 0, 0, 0,
                       plat::SWP_NOMOVE | plat::SWP_NOSIZE | plat::SWP_NOACTIVATE);
  }
}

void TCustomForm::SetPosition(TPosition value) { position_ = value; }

void TCustomForm::SetWindowState(TWindowState value) {
  if (window_state_ == value) return;
  window_state_ = value;
  if (handle_ && showing_) ApplyWindowState();
}

void TCustomForm::ApplyWindowState() {
  static constexpr int kShowCommands[] = {plat::SW_SHOWNORMAL, plat::SW_SHOWMINIMIZED,
                                          plat::SW_SHOWMAXIMIZED};
  plat::ShowWindow(handle_, kShowCommands[window_state_]);
}

void TCustomForm::SetStoredClientWidth(int value) {
  if (ComponentState().Contains(csReading))
    pending_client_width_ = value;
  else
    SetClientWidth(value);
}

void TCustomForm::SetStoredClientHeight(int value) {
  if (ComponentState().Contains(csReading))
    pending_client_height_ = value;
  else
    SetClientHeight(value);
}

void TCustomForm::Loaded() {
  TWinControl::Loaded();
  // The client size wins over Width and Height wherever they were written.
  if (pending_client_width_ >= 0) SetClientWidth(pending_client_width_);
  if (pending_client_height_ >= 0) SetClientHeight(pending_client_height_);
  pending_client_width_ = pending_client_height_ = -1;
}

void TCustomForm::PlaceOnShow() {
  // A modal dialog comes up before its owner each time; a window shown
  // without a modal loop keeps where the user put it after its first showing.
  if (placed_ && !form_state_.Contains(fsModal)) return;
  placed_ = true;
  TCustomForm* center_on = nullptr;
  switch (position_) {
    case poScreenCenter:
    case poDesktopCenter:
      break;
    case poMainFormCenter:
      center_on = main_form;
      break;
    case poOwnerFormCenter:
      center_on = dynamic_cast<TCustomForm*>(Owner());
      if (!center_on) center_on = main_form;
      break;
    default:
      return;
  }
  TRect area = Screen ? Screen->WorkAreaRect() : plat::user::WorkArea();
  // A form that is not on the screen has no place to centre on: the screen's is taken.
  if (center_on && center_on != this && center_on->handle_ && plat::IsWindowVisible(center_on->handle_) &&
      !plat::IsIconic(center_on->handle_)) {
    plat::RECT r;
    plat::GetWindowRect(center_on->handle_, &r);
    area = r;
  }
  const int x = area.left + (area.right - area.left - width_) / 2;
  const int y = area.top + (area.bottom - area.top - height_) / 2;
  SetBoundsRect(MoveOntoWorkArea(Bounds(x, y, width_, height_)));
}

void TCustomForm::CMShowingChanged(TMessage&) {
  if (showing_) {
    DoShow();
    PlaceOnShow();
    ApplyWindowState();
    if (window_state_ != wsMinimized) SetWindowFocus();
  } else {
    DoHide();
    plat::ShowWindow(handle_, plat::SW_HIDE);
  }
}

void TCustomForm::SetWindowFocus() {
  if (!handle_) return;
  if (active_control_ && active_control_->CanFocus() && active_control_->Handle())
    plat::SetFocus(active_control_->Handle());
  else
    plat::SetFocus(handle_);
}

void TCustomForm::SetActiveControl(TWinControl* control) {
  if (active_control_ == control) return;
  bool loading = ComponentState().Contains(csLoading);
  if (control && (control == this || GetParentForm(control) != this || (!loading && !control->CanFocus())))
    throw EInvalidOperation("Cannot focus a disabled or invisible window");
  if (active_control_) active_control_->RemoveFreeNotification(this);
  active_control_ = control;
  if (control) control->FreeNotification(this);
  if (!loading && active_ && showing_) SetWindowFocus();
}

void TCustomForm::FocusControl(TWinControl* control) {
  bool was_active = active_;
  SetActiveControl(control);
  if (!was_active && showing_) SetWindowFocus();
}

bool TCustomForm::SetFocusedControl(TWinControl* control) {
  if (focused_control_ == control) return true;
  TWinControl* old = focused_control_;
  focused_control_ = control;
  if (control != this && control != active_control_) {
    if (active_control_) active_control_->RemoveFreeNotification(this);
    active_control_ = control;
    if (control) control->FreeNotification(this);
  }
  // Exits from the old control up to the common parent, then enters down to the new one.
  for (TWinControl* c = old; c && c != this && !c->ContainsControl(control); c = c->parent_) {
    c->DoExit();
    if (focused_control_ != control) return false;
  }
  std::vector<TWinControl*> enter;
  for (TWinControl* c = control; c && c != this && !(old && c->ContainsControl(old)); c = c->parent_)
    enter.push_back(c);
  for (auto it = enter.rbegin(); it != enter.rend(); ++it) {
    (*it)->DoEnter();
    if (focused_control_ != control) return false;
  }
  return true;
}

void TCustomForm::ControlDestroying(TWinControl* control) {
  if (active_control_ && control->ContainsControl(active_control_)) active_control_ = nullptr;
  if (focused_control_ && control->ContainsControl(focused_control_)) focused_control_ = nullptr;
}

bool TCustomForm::CanFocus() const { return visible_ && enabled_; }

void TCustomForm::SetFocus() {
  if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  if (!active_) {
    SetWindowFocus();
    if (handle_) plat::SetActiveWindow(handle_);
  } else {
    plat::SetFocus(Handle());
  }
}

bool TCustomForm::DoKeyDown(uint16_t& key, TShiftState shift) {
  KeyDown(key, shift);
  return key == 0;
}

bool TCustomForm::DoKeyPress(char& key) {
  KeyPress(key);
  return key == 0;
}

void TCustomForm::Activate() {
  if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::Show() {
  SetVisible(true);
  BringToFront();
}

void TCustomForm::Hide() { SetVisible(false); }

bool TCustomForm::CloseQuery() {
  bool can_close = true;
  if (OnCloseQuery) OnCloseQuery(this, can_close);
  return can_close;
}

void TCustomForm::Close() {
  if (form_state_.Contains(fsModal)) {
    modal_result_ = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = form_style_ == fsMDIChild ? caMinimize : caHide;
  DoClose(action);
  if (action == caNone) return;
  if (main_form == this) {
    if (Application) Application->Terminate();
  } else if (action == caHide) {
    Hide();
  } else if (action == caMinimize) {
    SetWindowState(wsMinimized);
  } else {
    Release();
  }
}

void TCustomForm::Release() {
  if (!handle_) HandleNeeded();
  plat::PostMessageA(handle_, CM_RELEASE, 0, 0);
}

void TCustomForm::CloseModal() {
  TCloseAction action = caNone;
  if (CloseQuery()) {
    action = caHide;
    DoClose(action);
  }
  switch (action) {
    case caNone:
      modal_result_ = mrNone;
      break;
    case caFree:
      Release();
      break;
    default:
      break;
  }
}

TModalResult TCustomForm::ShowModal() {
  if (visible_ || !enabled_ || form_state_.Contains(fsModal) || form_style_ == fsMDIChild)
    throw EInvalidOperation("Cannot make a visible window modal");
  if (!Application) throw EInvalidOperation("No application to run a modal loop");
  if (plat::HWND capture = plat::GetCapture()) plat::SendMessageA(capture, CM_CANCELMODE, 0, 0);
  plat::ReleaseCapture();
  form_state_.Include(fsModal);
  plat::HWND active_window = plat::GetActiveWindow();
  TCursor save_cursor = Screen ? Screen->Cursor() : crDefault;
  if (Screen) Screen->SetCursor(crDefault);
  // Every other enabled window of the application stops taking input meanwhile.
  std::vector<plat::HWND> disabled;
  if (Screen) {
    for (TCustomForm* f : Screen->forms_) {
      if (f == this || !f->handle_ || !plat::IsWindowVisible(f->handle_) ||
          !plat::IsWindowEnabled(f->handle_))
        continue;
      plat::EnableWindow(f->handle_, plat::FALSE);
      disabled.push_back(f->handle_);
    }
  }
  auto restore = [&] {
    for (plat::HWND w : disabled)
      if (plat::IsWindow(w)) plat::EnableWindow(w, plat::TRUE);
    if (Screen) Screen->SetCursor(save_cursor);
    if (active_window && plat::IsWindow(active_window)) plat::SetActiveWindow(active_window);
    form_state_.Exclude(fsModal);
  };
  TModalResult result = mrNone;
  try {
    Show();
    try {
      modal_result_ = mrNone;
      do {
        Application->HandleMessage();
        if (Application->Terminated())
          modal_result_ = mrCancel;
        else if (modal_result_ != mrNone)
          CloseModal();
      } while (modal_result_ == mrNone);
      result = modal_result_;
    } catch (...) {
      Hide();
      throw;
    }
    Hide();
  } catch (...) {
    restore();
    throw;
  }
  restore();
  return result;
}

void TCustomForm::Dispatch(TMessage& m) {
  auto* menu = dynamic_cast<TMenu*>(menu_);
  switch (m.Msg) {
    case plat::WM_COMMAND:
      // Menu commands carry no control; the rest are notifications of children.
      if (m.LParam == 0 && menu && menu->DispatchCommand(plat::LOWORD(m.WParam))) return;
      TWinControl::Dispatch(m);
      return;
    case plat::WM_INITMENUPOPUP:
      if (menu && menu->DispatchPopup(reinterpret_cast<plat::HMENU>(m.WParam))) return;
      TWinControl::Dispatch(m);
      return;
    case plat::WM_MEASUREITEM: {
      auto* measure = reinterpret_cast<plat::MEASUREITEMSTRUCT*>(m.LParam);
      if (measure && measure->CtlType == plat::ODT_MENU && menu && menu->MeasureItem(*measure)) {
        m.Result = plat::TRUE;
        return;
      }
      TWinControl::Dispatch(m);
      return;
    }
    case plat::WM_DRAWITEM: {
      const auto* draw = reinterpret_cast<const plat::DRAWITEMSTRUCT*>(m.LParam);
      if (draw && draw->CtlType == plat::ODT_MENU && menu && menu->DrawItem(*draw)) {
        m.Result = plat::TRUE;
        return;
      }
      TWinControl::Dispatch(m);
      return;
    }
    case plat::WM_CLOSE:
      Close();
      return;
    case plat::WM_ACTIVATE:
      if (plat::LOWORD(m.WParam) != plat::WA_INACTIVE) {
        active_ = true;
        if (Screen) Screen->SetActiveForm(this);
        Activate();
        // The focus goes to the active control, unless a click sends it elsewhere.
        if (plat::LOWORD(m.WParam) != plat::WA_CLICKACTIVE || !plat::GetFocus()) SetWindowFocus();
        m.Result = 0;
      } else {
        active_ = false;
        Deactivate();
        TWinControl::Dispatch(m);
      }
      return;
    case plat::WM_SETFOCUS:
      // The form's own window took the focus: hand it on to the active control.
      if (active_control_ && active_control_ != this && active_control_->CanFocus()) {
        plat::SetFocus(active_control_->Handle());
        return;
      }
      SetFocusedControl(this);
      DefaultHandler(m);
      return;
    case plat::WM_SIZE:
      // A hidden window's size says nothing of its state: the state read from
      // the description waits for the window to show.
      if (!applying_bounds_ && handle_ && plat::IsWindowVisible(handle_)) {
        if (m.WParam == plat::SIZE_MINIMIZED)
          window_state_ = wsMinimized;
        else if (m.WParam == plat::SIZE_MAXIMIZED)
          window_state_ = wsMaximized;
        else if (m.WParam == plat::SIZE_RESTORED)
          window_state_ = wsNormal;
      }
      TWinControl::Dispatch(m);
      return;
    case CM_MENUCHANGED:
      // The bar may have been taken off the window (a skin draws its own):
      // the changed menu goes back on.
      if (auto* bar = dynamic_cast<TMainMenu*>(menu_); bar && handle_ && !parent_) {
        if (plat::GetMenu(handle_) != bar->Handle()) plat::SetMenu(handle_, bar->Handle());
        plat::DrawMenuBar(handle_);
      }
      return;
    case CM_RELEASE:
      BeforeDestruction();
      delete this;
      return;
    case CM_DIALOGKEY:
      if (m.WParam == static_cast<plat::WPARAM>(plat::VK_TAB)) {
        const TShiftState shift = KeyDataToShiftState(m.LParam);
        if (shift.Contains(ssCtrl) || shift.Contains(ssAlt)) return;
        SelectNext(active_control_, !shift.Contains(ssShift), true);
        m.Result = 1;
        return;
      }
      TWinControl::Dispatch(m);
      return;
    default:
      TWinControl::Dispatch(m);
  }
}

// ---- TScreen ----------------------------------------------------------------

TScreen::TScreen(TComponent* owner) : TComponent(owner) {}

TScreen::~TScreen() {
  if (Screen == this) Screen = nullptr;
}

TCustomForm* TScreen::Forms(int index) const {
  if (index < 0 || index >= FormCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return forms_[index];
}

TWinControl* TScreen::ActiveControl() const { return active_form_ ? active_form_->ActiveControl() : nullptr; }

void TScreen::AddForm(TCustomForm* form) { forms_.push_back(form); }

void TScreen::RemoveForm(TCustomForm* form) {
  std::erase(forms_, form);
  if (active_form_ == form) SetActiveForm(nullptr);
}

void TScreen::SetActiveForm(TCustomForm* form) {
  if (active_form_ == form) return;
  active_form_ = form;
  // The active form moves to the front of the list, as the window stack has it.
  if (form) {
    auto it = std::find(forms_.begin(), forms_.end(), form);
    if (it != forms_.end()) std::rotate(forms_.begin(), it, it + 1);
  }
  if (OnActiveFormChange) OnActiveFormChange(this);
}

void TScreen::SetCursor(TCursor value) {
  if (cursor_ == value) return;
  cursor_ = value;
  plat::SetCursor(Cursors(value == crDefault ? crArrow : value));
}

plat::HCURSOR TScreen::Cursors(int index) const {
  if (auto it = cursors_.find(index); it != cursors_.end()) return it->second;
  const char* name = plat::IDC_ARROW;
  switch (index) {
    case crNone:
      return nullptr;
    case crCross:
      name = plat::IDC_CROSS;
      break;
    case crIBeam:
      name = plat::IDC_IBEAM;
      break;
    case crSizeNESW:
      name = plat::IDC_SIZENESW;
      break;
    case crSizeNS:
      name = plat::IDC_SIZENS;
      break;
    case crSizeNWSE:
      name = plat::IDC_SIZENWSE;
      break;
    case crSizeWE:
      name = plat::IDC_SIZEWE;
      break;
    case crUpArrow:
      name = plat::IDC_UPARROW;
      break;
    case crHourGlass:
    case crSQLWait:
      name = plat::IDC_WAIT;
      break;
    case crNo:
    case crNoDrop:
      name = plat::IDC_NO;
      break;
    case crAppStart:
      name = plat::IDC_APPSTARTING;
      break;
    case crHelp:
      name = plat::IDC_HELP;
      break;
    case crHandPoint:
      name = plat::IDC_HAND;
      break;
    case crSizeAll:
      name = plat::IDC_SIZEALL;
      break;
    default:
      break;
  }
  return plat::LoadCursorA(nullptr, name);
}

void TScreen::SetCursors(int index, plat::HCURSOR handle) {
  if (handle)
    cursors_[index] = handle;
  else
    cursors_.erase(index);
}

int TScreen::Width() const { return plat::GetSystemMetrics(plat::SM_CXSCREEN); }

int TScreen::Height() const { return plat::GetSystemMetrics(plat::SM_CYSCREEN); }

TRect TScreen::WorkAreaRect() const {
  plat::RECT r{0, 0, Width(), Height()};
  plat::SystemParametersInfoA(plat::SPI_GETWORKAREA, 0, &r, 0);
  return r;
}

// ---- the application's visual side ------------------------------------------

void InitForms() {
  if (!Screen) Screen = new TScreen(nullptr);
  ApplicationHandle();
}

void DoneForms() {
  // Forms go first, while the window that owns them still exists.
  if (Application) {
    for (int i = Application->ComponentCount() - 1; i >= 0; --i) {
      if (i >= Application->ComponentCount()) continue;
      if (auto* form = dynamic_cast<TCustomForm*>(Application->Components(i))) {
        form->BeforeDestruction();
        delete form;
      }
    }
  }
  main_form = nullptr;
  if (app_window) {
    plat::DestroyWindow(app_window);
    app_window = nullptr;
  }
  delete Screen;
  Screen = nullptr;
  app_show_hint = true;
}

plat::HWND ApplicationHandle() {
  if (app_window && plat::IsWindow(app_window)) return app_window;
  plat::WNDCLASSA wc;
  if (!plat::GetClassInfoA(nullptr, kAppWindowClass, &wc)) {
    wc = plat::WNDCLASSA{};
    wc.lpfnWndProc = &plat::DefWindowProcA;
    wc.lpszClassName = kAppWindowClass;
    plat::RegisterClassA(&wc);
  }
  std::string title = Application ? Application->Title() : std::string();
  app_window = plat::CreateWindowExA(0, kAppWindowClass, title.c_str(), plat::WS_POPUP, 0, 0, 0, 0, nullptr,
                                     nullptr, nullptr, nullptr);
  // The program's icon, or the system's application icon where the program has none.
  plat::HMODULE program = plat::GetModuleHandleA(nullptr);
  plat::HICON big = plat::LoadIconA(program, "MAINICON");
  auto small = static_cast<plat::HICON>(
      plat::LoadImageA(program, "MAINICON", plat::IMAGE_ICON, plat::GetSystemMetrics(plat::SM_CXSMICON),
                       plat::GetSystemMetrics(plat::SM_CYSMICON), plat::LR_SHARED));
  if (!big) big = plat::LoadIconA(nullptr, plat::IDI_APPLICATION);
  plat::SendMessageA(app_window, plat::WM_SETICON, plat::ICON_BIG, reinterpret_cast<plat::LPARAM>(big));
  plat::SendMessageA(app_window, plat::WM_SETICON, plat::ICON_SMALL, reinterpret_cast<plat::LPARAM>(small));
  return app_window;
}

TCustomForm* ApplicationMainForm() { return main_form; }

bool ApplicationShowHint() { return app_show_hint; }

void SetApplicationShowHint(bool value) { app_show_hint = value; }

void ApplicationCreateForm(TClass cls, const std::function<void(TCustomForm*)>& store) {
  if (!cls || !cls->InheritsFrom(TCustomForm::StaticClass())) throw EInvalidOperation("Not a form class");
  pending_store = [&store](TCustomForm* form) {
    if (store) store(form);
  };
  TCustomForm* form = nullptr;
  try {
    form = static_cast<TCustomForm*>(cls->Create(Application));
  } catch (...) {
    pending_store = nullptr;
    throw;
  }
  // A form class whose constructor does not read its description still gets one.
  if (pending_store) InitForm(form);
  if (!main_form) {
    form->HandleNeeded();
    main_form = form;
  }
}

void ApplicationRun() {
  if (!Application) throw EInvalidOperation("No application");
  if (main_form && Application->ShowMainForm()) main_form->Show();
  Application->Run();
}

}  // namespace vcl
