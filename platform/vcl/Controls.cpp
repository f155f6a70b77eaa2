#include "platform/vcl/Controls.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>

#include "platform/gdi/Gdi.h"
#include "platform/user/CommonDialogs.h"  // WM_NOTIFY and its header
#include "platform/user/Controls.h"
#include "platform/user/Cursor.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/NonClient.h"
#include "platform/user/Paint.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Menus.h"
#include "platform/vcl/TypInfo.h"

namespace vcl {

const TIdentMap& CursorIdents() {
  static const TIdentMap map{
      {crDefault, "crDefault"},     {crNone, "crNone"},           {crArrow, "crArrow"},
      {crCross, "crCross"},         {crIBeam, "crIBeam"},         {crSizeNESW, "crSizeNESW"},
      {crSizeNS, "crSizeNS"},       {crSizeNWSE, "crSizeNWSE"},   {crSizeWE, "crSizeWE"},
      {crUpArrow, "crUpArrow"},     {crHourGlass, "crHourGlass"}, {crDrag, "crDrag"},
      {crNoDrop, "crNoDrop"},       {crHSplit, "crHSplit"},       {crVSplit, "crVSplit"},
      {crMultiDrag, "crMultiDrag"}, {crSQLWait, "crSQLWait"},     {crNo, "crNo"},
      {crAppStart, "crAppStart"},   {crHelp, "crHelp"},           {crHandPoint, "crHandPoint"},
      {crSizeAll, "crSizeAll"}};
  return map;
}

VCL_IMPLEMENT_CLASS(
    TControl, IntProp("Left", &TControl::Left, &TControl::SetLeft).NoDefault(),
    IntProp("Top", &TControl::Top, &TControl::SetTop).NoDefault(),
    IntProp("Width", &TControl::Width, &TControl::SetWidth).NoDefault(),
    IntProp("Height", &TControl::Height, &TControl::SetHeight).NoDefault(),
    IntProp("Cursor", &TControl::Cursor, &TControl::SetCursor).Default(crDefault).Idents(CursorIdents()),
    StrProp("Hint", &TControl::Hint, &TControl::SetHint))

VCL_IMPLEMENT_CLASS(TWinControl)
VCL_IMPLEMENT_CLASS(TGraphicControl)
VCL_IMPLEMENT_CLASS(TCustomControl)
VCL_IMPLEMENT_CLASS(TControlCanvas)

namespace {

TControl* capture_control = nullptr;
// The control under the pointer, for CM_MOUSEENTER / CM_MOUSELEAVE.
TControl* mouse_control = nullptr;

// Windows made by this library and their objects. The window thread owns
// both, but lookups may come from any thread that sends to the window.
std::mutex& ControlMapMutex() {
  static std::mutex m;
  return m;
}
std::unordered_map<plat::HWND, TWinControl*>& ControlMap() {
  static auto* map = new std::unordered_map<plat::HWND, TWinControl*>;
  return *map;
}
// The object whose window is being made; it binds on the first message.
thread_local TWinControl* creation_control = nullptr;

bool IsMouseMessage(plat::UINT msg) { return msg >= plat::WM_MOUSEFIRST && msg <= plat::WM_MOUSELAST; }

TPoint MessagePoint(const TMessage& m) {
  return TPoint{plat::GET_X_LPARAM(m.LParam), plat::GET_Y_LPARAM(m.LParam)};
}

plat::LPARAM PointToLParam(TPoint p) {
  return plat::MAKELPARAM(static_cast<plat::WORD>(static_cast<int16_t>(p.x)),
                          static_cast<plat::WORD>(static_cast<int16_t>(p.y)));
}

bool SameRect(const TRect& a, const TRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

TShiftState KeysToShiftState(plat::WPARAM keys) {
  TShiftState s;
  if (keys & plat::MK_SHIFT) s.Include(ssShift);
  if (keys & plat::MK_CONTROL) s.Include(ssCtrl);
  if (keys & plat::MK_LBUTTON) s.Include(ssLeft);
  if (keys & plat::MK_RBUTTON) s.Include(ssRight);
  if (keys & plat::MK_MBUTTON) s.Include(ssMiddle);
  if (plat::GetKeyState(plat::VK_MENU) < 0) s.Include(ssAlt);
  return s;
}

TShiftState KeyDataToShiftState(plat::LPARAM key_data) {
  TShiftState s;
  if (plat::GetKeyState(plat::VK_SHIFT) < 0) s.Include(ssShift);
  if (plat::GetKeyState(plat::VK_CONTROL) < 0) s.Include(ssCtrl);
  if (key_data & plat::KF_ALTDOWN_BIT) s.Include(ssAlt);
  return s;
}

TControl* GetCaptureControl() { return capture_control; }

void SetCaptureControl(TControl* control) {
  // Cleared first: a control giving up or handing over capture on purpose is
  // not told that it lost it.
  capture_control = nullptr;
  plat::ReleaseCapture();
  if (!control) return;
  if (auto* win = dynamic_cast<TWinControl*>(control)) {
    if (!win->HandleAllocated()) return;
    plat::SetCapture(win->Handle());
  } else {
    TWinControl* parent = control->Parent();
    if (!parent || !parent->HandleAllocated()) return;
    plat::SetCapture(parent->Handle());
  }
  capture_control = control;
}

// ---- TControl ---------------------------------------------------------------

TControl::TControl(TComponent* owner) : TComponent(owner), font_(std::make_unique<TFont>()) {
  WindowProc = [this](TMessage& m) {
    if (!hooks_) {
      WndProc(m);
      return;
    }
    const std::shared_ptr<const TWndHookNext::List> list = hooks_;
    RunHooks(m, *list, list->size());
  };
  font_->OnChange = [this](TObject* sender) { FontChanged(sender); };
}

TControl::~TControl() {
  if (Application && Application->HintControl() == this) Application->CancelHint();
  if (capture_control == this) SetCaptureControl(nullptr);
  if (mouse_control == this) mouse_control = nullptr;
  if (parent_) parent_->RemoveControl(this);
  font_->OnChange = nullptr;
}

void TControl::SetParent(TWinControl* value) {
  if (parent_ == value) return;
  if (value == this) throw EInvalidOperation("A control cannot have itself as its parent");
  if (parent_) parent_->RemoveControl(this);
  if (value) value->InsertControl(this);
}

TComponent* TControl::GetParentComponent() const { return parent_; }

void TControl::SetParentComponent(TComponent* parent) {
  if (auto* win = dynamic_cast<TWinControl*>(parent)) SetParent(win);
}

void TControl::UpdateBoundsRect(const TRect& r) {
  left_ = r.left;
  top_ = r.top;
  width_ = r.right - r.left;
  height_ = r.bottom - r.top;
}

void TControl::UpdateAnchorRules() {
  if (!parent_ || parent_->aligning_) return;
  anchor_origin_ = TPoint{left_, top_};
  anchor_extent_ = TPoint{width_, height_};
  TRect client = parent_->ClientRect();
  anchor_size_ = TPoint{client.right - client.left, client.bottom - client.top};
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (!CanResize(width, height)) return;
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  bool resized = width != width_ || height != height_;
  InvalidateControl(visible_, false);
  UpdateBoundsRect(Bounds(left, top, width, height));
  UpdateAnchorRules();
  InvalidateControl(visible_, false);
  RequestAlign();
  if (resized && !ComponentState().Contains(csLoading)) Resize();
}

TRect TControl::GetClientRect() const { return Rect(0, 0, width_, height_); }

TPoint TControl::GetClientOrigin() const {
  if (!parent_) return TPoint{left_, top_};
  TPoint p = parent_->ClientOrigin();
  return TPoint{p.x + left_, p.y + top_};
}

int TControl::ClientWidth() const {
  TRect r = ClientRect();
  return r.right - r.left;
}

int TControl::ClientHeight() const {
  TRect r = ClientRect();
  return r.bottom - r.top;
}

void TControl::SetClientWidth(int value) { SetBounds(left_, top_, width_ - ClientWidth() + value, height_); }

void TControl::SetClientHeight(int value) {
  SetBounds(left_, top_, width_, height_ - ClientHeight() + value);
}

TPoint TControl::ClientToScreen(TPoint point) const {
  TPoint origin = ClientOrigin();
  return TPoint{point.x + origin.x, point.y + origin.y};
}

TPoint TControl::ScreenToClient(TPoint point) const {
  TPoint origin = ClientOrigin();
  return TPoint{point.x - origin.x, point.y - origin.y};
}

void TControl::SetAlign(TAlign value) {
  if (align_ == value) return;
  TAlign old = align_;
  align_ = value;
  anchors_ = AnchorAlign[value];
  // A control leaving alClient keeps a usable size.
  if (old == alTop || old == alBottom || old == alLeft || old == alRight || old == alClient) {
    if (value == alNone && !ComponentState().Contains(csLoading)) UpdateAnchorRules();
  }
  RequestAlign();
}

void TControl::SetAnchors(TAnchors value) {
  if (anchors_ == value) return;
  anchors_ = value;
  UpdateAnchorRules();
}

void TControl::RequestAlign() {
  if (parent_) parent_->AlignControl(this);
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

void TControl::SetVisible(bool value) {
  if (visible_ == value) return;
  VisibleChanging();
  visible_ = value;
  Perform(CM_VISIBLECHANGED, value ? 1 : 0);
  RequestAlign();
}

void TControl::Show() {
  if (parent_) parent_->ShowControl(this);
  SetVisible(true);
}

void TControl::Hide() { SetVisible(false); }

void TControl::SetEnabled(bool value) {
  if (enabled_ == value) return;
  enabled_ = value;
  Perform(CM_ENABLEDCHANGED);
}

void TControl::SetColor(TColor value) {
  if (color_ == value) return;
  color_ = value;
  parent_color_ = false;
  Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool value) {
  if (parent_color_ == value) return;
  parent_color_ = value;
  if (parent_ && value) Perform(CM_PARENTCOLORCHANGED);
}

void TControl::FontChanged(TObject*) {
  if (!updating_font_) parent_font_ = false;
  Perform(CM_FONTCHANGED);
}

void TControl::SetParentFont(bool value) {
  if (parent_font_ == value) return;
  parent_font_ = value;
  if (parent_ && value) Perform(CM_PARENTFONTCHANGED);
}

void TControl::SetShowHint(bool value) {
  if (show_hint_ == value) return;
  show_hint_ = value;
  parent_show_hint_ = false;
  Perform(CM_SHOWHINTCHANGED);
}

void TControl::SetParentShowHint(bool value) {
  if (parent_show_hint_ == value) return;
  parent_show_hint_ = value;
  if (parent_ && value) Perform(CM_PARENTSHOWHINTCHANGED);
}

void TControl::SetText(const std::string& value) {
  if (GetText() == value) return;
  text_ = value;
  if (auto* win = dynamic_cast<TWinControl*>(this); win && win->HandleAllocated())
    plat::SetWindowTextA(win->handle_, value.c_str());
  Perform(CM_TEXTCHANGED);
}

void TControl::SetCursor(TCursor value) {
  if (cursor_ == value) return;
  cursor_ = value;
  Perform(CM_CURSORCHANGED);
}

void TControl::SetPopupMenu(TComponent* value) {
  if (popup_menu_ == value) return;
  if (popup_menu_) popup_menu_->RemoveFreeNotification(this);
  popup_menu_ = value;
  if (value) value->FreeNotification(this);
}

void TControl::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == popup_menu_) popup_menu_ = nullptr;
}

void TControl::Loaded() {
  TComponent::Loaded();
  // Inherited values arrive now that the parent has its own.
  if (parent_) {
    if (parent_color_) Perform(CM_PARENTCOLORCHANGED);
    if (parent_font_) Perform(CM_PARENTFONTCHANGED);
    if (parent_show_hint_) Perform(CM_PARENTSHOWHINTCHANGED);
  }
  UpdateAnchorRules();
  RequestAlign();
}

plat::LRESULT TControl::Perform(plat::UINT msg, plat::WPARAM wparam, plat::LPARAM lparam) {
  TMessage m{msg, wparam, lparam, 0};
  if (WindowProc)
    WindowProc(m);
  else
    WndProc(m);
  return m.Result;
}

struct TWndHookNext::Entry {
  const void* key;
  TWndHook hook;
  bool removed = false;
};

void TWndHookNext::operator()(TMessage& message) const { control_->RunHooks(message, *list_, index_); }

void TControl::RunHooks(TMessage& message, const TWndHookNext::List& list, size_t index) {
  while (index > 0 && list[index - 1]->removed) --index;
  if (index == 0) {
    WndProc(message);
    return;
  }
  const TWndHookNext::Entry& entry = *list[index - 1];
  entry.hook(message, TWndHookNext(this, &list, index - 1));
}

bool TControl::AddWindowProcHook(const void* key, TWndHook hook) {
  if (!hook || HasWindowProcHook(key)) return false;
  auto next = hooks_ ? std::make_shared<TWndHookNext::List>(*hooks_) : std::make_shared<TWndHookNext::List>();
  next->push_back(std::make_shared<TWndHookNext::Entry>(TWndHookNext::Entry{key, std::move(hook)}));
  hooks_ = std::move(next);
  return true;
}

bool TControl::RemoveWindowProcHook(const void* key) {
  if (!hooks_) return false;
  auto next = std::make_shared<TWndHookNext::List>();
  bool found = false;
  for (const auto& entry : *hooks_) {
    if (entry->key == key && !found) {
      // A message already on its way holds the old list; it skips this one.
      entry->removed = true;
      found = true;
    } else {
      next->push_back(entry);
    }
  }
  if (found) hooks_ = next->empty() ? nullptr : std::shared_ptr<const TWndHookNext::List>(std::move(next));
  return found;
}

bool TControl::HasWindowProcHook(const void* key) const {
  if (!hooks_) return false;
  return std::any_of(hooks_->begin(), hooks_->end(), [key](const auto& e) { return e->key == key; });
}

void TControl::WndProc(TMessage& message) {
  // A press ends whatever mode another control is in (a drag, a tracking popup).
  if (message.Msg == plat::WM_LBUTTONDOWN || message.Msg == plat::WM_LBUTTONDBLCLK) SendCancelMode();
  Dispatch(message);
}

void TControl::SendCancelMode() {
  if (capture_control && capture_control != this) capture_control->Perform(CM_CANCELMODE);
}

namespace {

struct MouseButtonMsg {
  plat::UINT msg;
  TMouseButton button;
  bool down;
  bool dbl;
};

constexpr MouseButtonMsg kMouseButtonMsgs[] = {
    {plat::WM_LBUTTONDOWN, mbLeft, true, false},   {plat::WM_LBUTTONDBLCLK, mbLeft, true, true},
    {plat::WM_LBUTTONUP, mbLeft, false, false},    {plat::WM_RBUTTONDOWN, mbRight, true, false},
    {plat::WM_RBUTTONDBLCLK, mbRight, true, true}, {plat::WM_RBUTTONUP, mbRight, false, false},
    {plat::WM_MBUTTONDOWN, mbMiddle, true, false}, {plat::WM_MBUTTONDBLCLK, mbMiddle, true, true},
    {plat::WM_MBUTTONUP, mbMiddle, false, false},
};

}  // namespace

void TControl::MouseButtonMessage(TMessage& m, TMouseButton button, bool down, bool dbl) {
  TPoint p = MessagePoint(m);
  TShiftState shift = KeysToShiftState(m.WParam);
  if (down && Application) Application->CancelHint();
  if (down) {
    if (dbl) {
      shift.Include(ssDouble);
      if (button == mbLeft && control_style_.Contains(csDoubleClicks)) DblClick();
    }
    if (button == mbLeft) {
      if (control_style_.Contains(csCaptureMouse)) SetMouseCapture(true);
      if (control_style_.Contains(csClickEvents)) control_state_.Include(csClicked);
      control_state_.Include(csLButtonDown);
    }
    MouseDown(button, shift, p.x, p.y);
  } else {
    bool clicked = false;
    if (button == mbLeft) {
      if (control_style_.Contains(csCaptureMouse)) SetMouseCapture(false);
      clicked = control_state_.Contains(csClicked);
      control_state_.Exclude(csClicked);
      control_state_.Exclude(csLButtonDown);
      TRect client = ClientRect();
      if (clicked && !plat::PtInRect(&client, p)) clicked = false;
    }
    MouseUp(button, shift, p.x, p.y);
    if (clicked) Click();
  }
}

void TControl::Dispatch(TMessage& m) {
  for (const MouseButtonMsg& b : kMouseButtonMsgs)
    if (m.Msg == b.msg) return MouseButtonMessage(m, b.button, b.down, b.dbl);
  switch (m.Msg) {
    case plat::WM_MOUSEMOVE: {
      TPoint p = MessagePoint(m);
      if (Application) Application->HintMouseMessage(this, ClientToScreen(p));
      MouseMove(KeysToShiftState(m.WParam), p.x, p.y);
      return;
    }
    case CM_CANCELMODE:
      if (capture_control == this) SetCaptureControl(nullptr);
      control_state_ = control_state_ - TControlState{csClicked, csLButtonDown};
      return;
    case plat::WM_CAPTURECHANGED:
      // Capture went elsewhere: the press can no longer end in a click.
      control_state_ = control_state_ - TControlState{csClicked, csLButtonDown};
      return;
    case CM_ENABLEDCHANGED:
      return CMEnabledChanged(m);
    case CM_VISIBLECHANGED:
      return CMVisibleChanged(m);
    case CM_FONTCHANGED:
      return CMFontChanged(m);
    case CM_COLORCHANGED:
      return CMColorChanged(m);
    case CM_TEXTCHANGED:
      return CMTextChanged(m);
    case CM_PARENTFONTCHANGED:
      return CMParentFontChanged(m);
    case CM_PARENTCOLORCHANGED:
      return CMParentColorChanged(m);
    case CM_PARENTSHOWHINTCHANGED:
      return CMParentShowHintChanged(m);
    case CM_MOUSEENTER:
      return CMMouseEnter(m);
    case CM_MOUSELEAVE:
      return CMMouseLeave(m);
    case CM_HITTEST:
      return CMHitTest(m);
    default:
      DefaultHandler(m);
  }
}

void TControl::DefaultHandler(TMessage& m) {
  switch (m.Msg) {
    case plat::WM_GETTEXTLENGTH:
      m.Result = static_cast<plat::LRESULT>(text_.size());
      break;
    default:
      break;
  }
}

void TControl::CMEnabledChanged(TMessage&) { Invalidate(); }

void TControl::CMVisibleChanged(TMessage&) {
  InvalidateControl(true, visible_ && control_style_.Contains(csOpaque));
}

void TControl::CMFontChanged(TMessage&) { Invalidate(); }

void TControl::CMColorChanged(TMessage&) { Invalidate(); }

void TControl::CMTextChanged(TMessage&) { Invalidate(); }

void TControl::CMParentFontChanged(TMessage&) {
  if (!parent_font_ || !parent_) return;
  updating_font_ = true;
  try {
    font_->Assign(parent_->Font());
  } catch (...) {
    updating_font_ = false;
    throw;
  }
  updating_font_ = false;
}

void TControl::CMParentColorChanged(TMessage&) {
  if (!parent_color_ || !parent_) return;
  if (color_ != parent_->Color()) {
    color_ = parent_->Color();
    Perform(CM_COLORCHANGED);
  }
}

void TControl::CMParentShowHintChanged(TMessage&) {
  if (!parent_show_hint_ || !parent_) return;
  if (show_hint_ != parent_->ShowHint()) {
    show_hint_ = parent_->ShowHint();
    Perform(CM_SHOWHINTCHANGED);
  }
}

void TControl::CMMouseEnter(TMessage& m) {
  // Only a control's own entry fires its event; parents hear of children through LParam.
  if (m.LParam == 0 && OnMouseEnter) OnMouseEnter(this);
  if (parent_) parent_->Perform(CM_MOUSEENTER, 0, m.LParam ? m.LParam : reinterpret_cast<plat::LPARAM>(this));
}

void TControl::CMMouseLeave(TMessage& m) {
  if (m.LParam == 0 && OnMouseLeave) OnMouseLeave(this);
  if (parent_) parent_->Perform(CM_MOUSELEAVE, 0, m.LParam ? m.LParam : reinterpret_cast<plat::LPARAM>(this));
}

void TControl::CMHitTest(TMessage& m) { m.Result = plat::HTCLIENT; }

void TControl::InvalidateControl(bool is_visible, bool is_opaque) {
  if (!is_visible || !parent_ || !parent_->HandleAllocated()) return;
  TRect r = BoundsRect();
  plat::InvalidateRect(parent_->handle_, &r, is_opaque ? plat::FALSE : plat::TRUE);
}

void TControl::Invalidate() { InvalidateControl(visible_, control_style_.Contains(csOpaque)); }

void TControl::Update() {
  if (parent_) parent_->Update();
}

void TControl::Repaint() {
  if (!visible_ || !parent_ || !parent_->HandleAllocated()) return;
  Invalidate();
  parent_->Update();
}

void TControl::SetZOrder(bool top) {
  if (!parent_) return;
  auto& list = parent_->controls_;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  list.erase(it);
  if (top)
    list.push_back(this);
  else
    list.insert(list.begin(), this);
  InvalidateControl(visible_, true);
}

bool TControl::MouseCapture() const { return capture_control == this; }

void TControl::SetMouseCapture(bool value) {
  if (MouseCapture() == value) return;
  SetCaptureControl(value ? this : nullptr);
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

// ---- TControlCanvas ---------------------------------------------------------

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::SetControl(TControl* value) {
  if (control_ == value) return;
  FreeHandle();
  control_ = value;
}

void TControlCanvas::FreeHandle() {
  if (!dc_) return;
  plat::HDC dc = dc_;
  dc_ = nullptr;
  SetHandle(nullptr);
  plat::ReleaseDC(window_, dc);
  window_ = nullptr;
}

void TControlCanvas::PaintOn(plat::HDC dc, const std::function<void()>& paint) {
  // Locked before the own DC goes: another thread may still be drawing with it.
  Lock();
  FreeHandle();
  try {
    SetHandle(dc);
    paint();
  } catch (...) {
    SetHandle(nullptr);
    Unlock();
    throw;
  }
  SetHandle(nullptr);
  Unlock();
}

void TControlCanvas::CreateHandle() {
  if (!control_) return;
  if (auto* win = dynamic_cast<TWinControl*>(control_)) {
    window_ = win->Handle();
    dc_ = plat::GetDC(window_);
  } else {
    TWinControl* parent = control_->Parent();
    if (!parent) return;
    window_ = parent->Handle();
    dc_ = plat::GetDC(window_);
    if (dc_) {
      plat::OffsetViewportOrgEx(dc_, control_->Left(), control_->Top(), nullptr);
      plat::IntersectClipRect(dc_, 0, 0, control_->Width(), control_->Height());
    }
  }
  if (dc_) SetHandle(dc_);
}

// ---- TWinControl ------------------------------------------------------------

TWinControl::TWinControl(TComponent* owner) : TControl(owner), brush_(std::make_unique<TBrush>()) {
  brush_->SetColor(Color());
}

TWinControl::~TWinControl() {
  Destroying();
  if (parent_) parent_->RemoveControl(this);
  if (TCustomForm* form = GetParentForm(this); form && form != this) form->ControlDestroying(this);
  if (HandleAllocated()) DestroyHandle();
  // Children go with their parent, whoever owns them.
  while (!controls_.empty() || !win_controls_.empty()) {
    TControl* child =
        !win_controls_.empty() ? static_cast<TControl*>(win_controls_.back()) : controls_.back();
    Remove(child);
    delete child;
  }
}

TWinControl* TWinControl::FindControl(plat::HWND window) {
  if (!window) return nullptr;
  std::lock_guard lock(ControlMapMutex());
  auto it = ControlMap().find(window);
  return it == ControlMap().end() ? nullptr : it->second;
}

plat::LRESULT TWinControl::StaticWndProc(plat::HWND hwnd, plat::UINT msg, plat::WPARAM wparam,
                                         plat::LPARAM lparam) {
  TWinControl* control = FindControl(hwnd);
  if (!control && creation_control) {
    control = creation_control;
    creation_control = nullptr;
    control->handle_ = hwnd;
    std::lock_guard lock(ControlMapMutex());
    ControlMap()[hwnd] = control;
  }
  if (!control) return plat::DefWindowProcA(hwnd, msg, wparam, lparam);
  TMessage m{msg, wparam, lparam, 0};
  control->MainWndProc(m);
  if (msg == plat::WM_NCDESTROY) {
    {
      std::lock_guard lock(ControlMapMutex());
      ControlMap().erase(hwnd);
    }
    if (control->handle_ == hwnd) {
      control->handle_ = nullptr;
      control->showing_ = false;
    }
  }
  return m.Result;
}

void TWinControl::MainWndProc(TMessage& message) {
  try {
    if (WindowProc)
      WindowProc(message);
    else
      WndProc(message);
  } catch (...) {
    if (!Application) throw;
    Application->HandleException(this);
  }
}

plat::HWND TWinControl::Handle() {
  HandleNeeded();
  return handle_;
}

void TWinControl::HandleNeeded() {
  if (handle_) return;
  if (parent_) parent_->HandleNeeded();
  CreateHandle();
}

void TWinControl::CreateParams(TCreateParams& params) {
  params = TCreateParams{};
  params.Caption = text_;
  params.Style = plat::WS_CHILD | plat::WS_CLIPCHILDREN | plat::WS_CLIPSIBLINGS;
  if (!enabled_) params.Style |= plat::WS_DISABLED;
  params.X = left_;
  params.Y = top_;
  params.Width = width_;
  params.Height = height_;
  params.WndParent = parent_ ? parent_->handle_ : parent_window_;
  if (!parent_ && !parent_window_) params.Style &= ~plat::WS_CHILD;
  params.WindowClass.style = plat::CS_VREDRAW | plat::CS_HREDRAW | plat::CS_DBLCLKS;
  params.WindowClass.lpfnWndProc = &TWinControl::StaticWndProc;
  params.WindowClass.hCursor = plat::LoadCursorA(nullptr, plat::IDC_ARROW);
  params.WinClassName = ClassName();
}

void TWinControl::CreateHandle() {
  if (handle_) return;
  CreateWnd();
  ReadWindowBounds();
  for (TControl* c : controls_) c->UpdateAnchorRules();
  for (TWinControl* c : win_controls_)
    if (c->Visible()) c->HandleNeeded();
}

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  if (params.WndParent == nullptr && (params.Style & plat::WS_CHILD) && !parent_window_)
    throw EInvalidOperation("Control '" + Name() + "' has no parent window");
  plat::WNDCLASSA existing;
  params.WindowClass.lpszClassName = params.WinClassName.c_str();
  // A class of the window layer (CreateSubClass) keeps its own procedure.
  const bool subclass = params.WindowClass.lpfnWndProc != &TWinControl::StaticWndProc;
  if (!subclass && (!plat::GetClassInfoA(nullptr, params.WinClassName.c_str(), &existing) ||
                    existing.lpfnWndProc != &TWinControl::StaticWndProc)) {
    if (existing.lpfnWndProc != nullptr && existing.lpfnWndProc != &TWinControl::StaticWndProc)
      plat::UnregisterClassA(params.WinClassName.c_str(), nullptr);
    if (!plat::RegisterClassA(&params.WindowClass))
      throw EOutOfResources("Error creating window class " + params.WinClassName);
  }
  default_proc_ = subclass ? params.WindowClass.lpfnWndProc : &plat::DefWindowProcA;
  CreateWindowHandle(params);
  if (!handle_) throw EOutOfResources("Error creating window");
  if (subclass) {
    plat::SetWindowLongPtrA(handle_, plat::GWLP_WNDPROC,
                            reinterpret_cast<plat::LONG_PTR>(&TWinControl::StaticWndProc));
    std::lock_guard lock(ControlMapMutex());
    ControlMap()[handle_] = this;
  }
  if (parent_) {
    // Keep the windows stacked as the children list says.
    plat::SetWindowPos(handle_, plat::HWND_TOP, 0, 0, 0, 0,
                       plat::SWP_NOMOVE | plat::SWP_NOSIZE | plat::SWP_NOACTIVATE);
  }
}

void TWinControl::CreateSubClass(TCreateParams& params, const char* control_class) {
  plat::RegisterStandardControls();
  plat::WNDCLASSA wc;
  if (!plat::GetClassInfoA(nullptr, control_class, &wc))
    throw EOutOfResources(std::string("Error creating window class ") + control_class);
  params.WinClassName = control_class;
  params.WindowClass = wc;
}

void TWinControl::CreateWindowHandle(const TCreateParams& params) {
  creation_control = this;
  plat::HWND hwnd = nullptr;
  try {
    hwnd = plat::CreateWindowExA(params.ExStyle, params.WinClassName.c_str(), params.Caption.c_str(),
                                 params.Style, params.X, params.Y, params.Width, params.Height,
                                 params.WndParent, nullptr, nullptr, params.Param);
  } catch (...) {
    creation_control = nullptr;
    throw;
  }
  creation_control = nullptr;
  if (hwnd) handle_ = hwnd;
}

void TWinControl::DestroyHandle() {
  if (!handle_) return;
  for (TWinControl* c : win_controls_) c->DestroyHandle();
  DestroyWnd();
}

void TWinControl::DestroyWnd() {
  control_state_.Include(csDestroyingHandle);
  DestroyWindowHandle();
  control_state_.Exclude(csDestroyingHandle);
}

void TWinControl::DestroyWindowHandle() {
  if (!handle_) return;
  if (capture_control == this || (capture_control && capture_control->parent_ == this))
    capture_control = nullptr;
  plat::HWND hwnd = handle_;
  // A control of the window layer keeps what the user typed for the next window.
  if (IsSubClassed()) text_ = GetText();
  plat::DestroyWindow(hwnd);
  {
    std::lock_guard lock(ControlMapMutex());
    ControlMap().erase(hwnd);
  }
  handle_ = nullptr;
  showing_ = false;
}

void TWinControl::RecreateWnd() {
  if (!handle_) return;
  DestroyHandle();
  UpdateControlState();
}

void TWinControl::SetParentWindow(plat::HWND value) {
  if (parent_window_ == value) return;
  parent_window_ = value;
  if (!parent_) {
    if (handle_) DestroyHandle();
    UpdateControlState();
  }
}

void TWinControl::ReadWindowBounds() {
  if (!handle_) return;
  plat::RECT r;
  plat::GetWindowRect(handle_, &r);
  plat::HWND parent = plat::GetParent(handle_);
  if (parent && (plat::GetWindowLongA(handle_, plat::GWL_STYLE) & plat::WS_CHILD))
    plat::MapWindowPoints(nullptr, parent, reinterpret_cast<plat::POINT*>(&r), 2);
  UpdateBoundsRect(r);
}

void TWinControl::ApplyWindowPos() {
  if (!handle_) return;
  applying_bounds_ = true;
  try {
    plat::SetWindowPos(handle_, nullptr, left_, top_, width_, height_,
                       plat::SWP_NOZORDER | plat::SWP_NOACTIVATE);
  } catch (...) {
    applying_bounds_ = false;
    throw;
  }
  applying_bounds_ = false;
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  if (!CanResize(width, height)) return;
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  bool resized = width != width_ || height != height_;
  UpdateBoundsRect(Bounds(left, top, width, height));
  ApplyWindowPos();
  UpdateAnchorRules();
  RequestAlign();
  if (resized) {
    Realign();
    if (!ComponentState().Contains(csLoading)) Resize();
  }
}

TRect TWinControl::GetClientRect() const {
  if (handle_) {
    plat::RECT r;
    if (plat::GetClientRect(handle_, &r)) return r;
  }
  TSize nc = NonClientSize();
  return Rect(0, 0, std::max(0, width_ - nc.cx), std::max(0, height_ - nc.cy));
}

TPoint TWinControl::GetClientOrigin() const {
  if (handle_) {
    plat::POINT p{0, 0};
    plat::ClientToScreen(handle_, &p);
    return p;
  }
  return TControl::GetClientOrigin();
}

std::string TWinControl::GetText() const {
  // The user changes the text of an edit or combo box without WM_SETTEXT.
  if (handle_ && IsSubClassed()) {
    int n = plat::GetWindowTextLengthA(handle_);
    std::string text(static_cast<size_t>(std::max(n, 0)) + 1, '\0');
    n = plat::GetWindowTextA(handle_, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(std::max(n, 0)));
    return text;
  }
  return text_;
}

TControl* TWinControl::Controls(int index) const {
  int n = static_cast<int>(controls_.size());
  if (index < 0 || index >= ControlCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return index < n ? controls_[index] : win_controls_[index - n];
}

bool TWinControl::ContainsControl(const TControl* control) const {
  while (control && control != this) control = control->parent_;
  return control == this;
}

void TWinControl::Insert(TControl* control) {
  if (auto* win = dynamic_cast<TWinControl*>(control)) {
    win_controls_.push_back(win);
    tab_list_.push_back(win);
  } else {
    controls_.push_back(control);
  }
  control->parent_ = this;
}

void TWinControl::Remove(TControl* control) {
  // By address: a control being destroyed no longer knows it was windowed.
  std::erase(tab_list_, control);
  std::erase(win_controls_, control);
  std::erase(controls_, control);
  tab_orders_.erase(control);
  control->parent_ = nullptr;
}

void TWinControl::InsertControl(TControl* control) {
  if (control->parent_ == this) return;
  if (control == this ||
      (dynamic_cast<TWinControl*>(control) && static_cast<TWinControl*>(control)->ContainsControl(this)))
    throw EInvalidOperation("A control cannot be its own parent");
  Insert(control);
  if (!control->ComponentState().Contains(csReading)) {
    control->Perform(CM_PARENTCOLORCHANGED);
    control->Perform(CM_PARENTFONTCHANGED);
    control->Perform(CM_PARENTSHOWHINTCHANGED);
    if (auto* win = dynamic_cast<TWinControl*>(control)) {
      win->UpdateAnchorRules();
      win->UpdateControlState();
    } else if (handle_) {
      control->UpdateAnchorRules();
      control->Invalidate();
    }
    AlignControl(control);
  }
  Perform(CM_CONTROLCHANGE, reinterpret_cast<plat::WPARAM>(control), 1);
}

void TWinControl::RemoveControl(TControl* control) {
  if (control->parent_ != this) return;
  Perform(CM_CONTROLCHANGE, reinterpret_cast<plat::WPARAM>(control), 0);
  if (auto* win = dynamic_cast<TWinControl*>(control)) {
    if (TCustomForm* form = GetParentForm(this)) form->ControlDestroying(win);
    win->DestroyHandle();
  } else {
    control->Invalidate();
  }
  if (capture_control == control) SetCaptureControl(nullptr);
  Remove(control);
  Realign();
}

// ---- alignment --------------------------------------------------------------

void TWinControl::DisableAlign() { ++align_level_; }

void TWinControl::EnableAlign() {
  if (align_level_ == 0) return;
  if (--align_level_ == 0) {
    if (control_state_.Contains(csAlignmentNeeded)) Realign();
  }
}

void TWinControl::Realign() { AlignControl(nullptr); }

void TWinControl::AlignControl(TControl* control) {
  if (ComponentState().Contains(csDestroying)) return;
  if (align_level_ != 0 || ComponentState().Contains(csLoading)) {
    control_state_.Include(csAlignmentNeeded);
    return;
  }
  DisableAlign();
  try {
    TRect rect = ClientRect();
    AlignControls(control, rect);
  } catch (...) {
    control_state_.Exclude(csAlignmentNeeded);
    EnableAlign();
    throw;
  }
  control_state_.Exclude(csAlignmentNeeded);
  EnableAlign();
}

void TWinControl::AlignControls(TControl* control, TRect& rect) {
  aligning_ = true;
  struct TReset {
    bool& flag;
    ~TReset() { flag = false; }
  } reset{aligning_};
  std::vector<TControl*> all(controls_.begin(), controls_.end());
  all.insert(all.end(), win_controls_.begin(), win_controls_.end());

  // Anchored controls follow the change of the client size since their rule was made.
  TSize client{rect.right - rect.left, rect.bottom - rect.top};
  for (TControl* c : all) {
    if (c->align_ != alNone || !c->visible_) continue;
    if (c->anchors_ == TAnchors{akLeft, akTop}) continue;
    if (c->anchor_size_.x == 0 && c->anchor_size_.y == 0) continue;
    int dx = client.cx - c->anchor_size_.x, dy = client.cy - c->anchor_size_.y;
    int l = c->anchor_origin_.x, w = c->anchor_extent_.x;
    int t = c->anchor_origin_.y, h = c->anchor_extent_.y;
    if (c->anchors_.Contains(akRight)) {
      if (c->anchors_.Contains(akLeft))
        w += dx;
      else
        l += dx;
    } else if (!c->anchors_.Contains(akLeft)) {
      l += dx / 2;
    }
    if (c->anchors_.Contains(akBottom)) {
      if (c->anchors_.Contains(akTop))
        h += dy;
      else
        t += dy;
    } else if (!c->anchors_.Contains(akTop)) {
      t += dy / 2;
    }
    c->SetBounds(l, t, std::max(0, w), std::max(0, h));
  }

  // The classic order: top, bottom, left, right, client. Within one kind the
  // controls go by position; the control being moved wins a tie.
  auto before = [](TControl* a, TControl* b, TAlign align) {
    switch (align) {
      case alTop:
        return a->top_ < b->top_;
      case alBottom:
        return a->top_ + a->height_ > b->top_ + b->height_;
      case alLeft:
        return a->left_ < b->left_;
      case alRight:
        return a->left_ + a->width_ > b->left_ + b->width_;
      default:
        return false;
    }
  };
  for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
    std::vector<TControl*> list;
    if (control && control->align_ == align && control->visible_ && control->parent_ == this)
      list.push_back(control);
    for (TControl* c : all) {
      if (c == control || c->align_ != align || !c->visible_) continue;
      size_t j = 0;
      while (j < list.size() && !before(c, list[j], align)) ++j;
      list.insert(list.begin() + static_cast<std::ptrdiff_t>(j), c);
    }
    for (TControl* c : list) {
      int w = rect.right - rect.left, h = rect.bottom - rect.top;
      switch (align) {
        case alTop:
          c->SetBounds(rect.left, rect.top, w, c->height_);
          rect.top += c->height_;
          break;
        case alBottom:
          c->SetBounds(rect.left, rect.bottom - c->height_, w, c->height_);
          rect.bottom -= c->height_;
          break;
        case alLeft:
          c->SetBounds(rect.left, rect.top, c->width_, h);
          rect.left += c->width_;
          break;
        case alRight:
          c->SetBounds(rect.right - c->width_, rect.top, c->width_, h);
          rect.right -= c->width_;
          break;
        default:
          c->SetBounds(rect.left, rect.top, w, h);
          break;
      }
    }
  }
}

// ---- showing, z-order -------------------------------------------------------

void TWinControl::UpdateShowing() {
  bool show = visible_ && !ComponentState().Contains(csDestroying);
  if (show) {
    if (!handle_) CreateHandle();
    // Child windows first, so they appear with their parent.
    for (TWinControl* c : win_controls_) c->UpdateShowing();
  }
  if (!handle_ || show == showing_) return;
  showing_ = show;
  try {
    Perform(CM_SHOWINGCHANGED);
  } catch (...) {
    showing_ = !show;
    throw;
  }
}

void TWinControl::UpdateControlState() {
  // Only a chain that reaches a shown top-level window makes windows appear.
  const TWinControl* c = this;
  while (c->parent_) {
    c = c->parent_;
    if (!c->showing_) return;
  }
  if (dynamic_cast<const TCustomForm*>(c) || c->parent_window_) UpdateShowing();
}

void TWinControl::CMShowingChanged(TMessage&) {
  plat::SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
                     plat::SWP_NOSIZE | plat::SWP_NOMOVE | plat::SWP_NOZORDER | plat::SWP_NOACTIVATE |
                         (showing_ ? plat::SWP_SHOWWINDOW : plat::SWP_HIDEWINDOW));
}

void TWinControl::ShowControl(TControl*) {
  if (parent_) parent_->ShowControl(this);
}

void TWinControl::SetZOrderPosition(int position) {
  if (!parent_) return;
  auto& list = parent_->win_controls_;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  list.erase(it);
  position = std::clamp(position, 0, static_cast<int>(list.size()));
  list.insert(list.begin() + position, this);
}

void TWinControl::SetZOrder(bool top) {
  if (parent_) {
    SetZOrderPosition(top ? static_cast<int>(parent_->win_controls_.size()) : 0);
  }
  if (handle_) {
    plat::SetWindowPos(handle_, top ? plat::HWND_TOP : plat::HWND_BOTTOM, 0, 0, 0, 0,
                       plat::SWP_NOMOVE | plat::SWP_NOSIZE | plat::SWP_NOACTIVATE);
  }
}

// ---- tab order and focus ----------------------------------------------------

TTabOrder TWinControl::TabOrder() const {
  if (!parent_) return -1;
  auto& list = parent_->tab_list_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(TTabOrder value) {
  if (!parent_) return;
  if (ComponentState().Contains(csReading)) {
    parent_->tab_orders_[this] = value;
    return;
  }
  auto& list = parent_->tab_list_;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  int current = static_cast<int>(it - list.begin());
  if (value < 0 || value >= static_cast<int>(list.size())) value = static_cast<int>(list.size()) - 1;
  if (value == current) return;
  list.erase(it);
  list.insert(list.begin() + value, this);
}

void TWinControl::SetTabStop(bool value) {
  if (tab_stop_ == value) return;
  tab_stop_ = value;
  Perform(CM_TABSTOPCHANGED);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) {
  for (TWinControl* c : tab_list_) {
    list.push_back(c);
    c->GetTabOrderList(list);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool go_forward, bool check_tab_stop,
                                          bool check_parent) {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  int n = static_cast<int>(list.size());
  auto it = std::find(list.begin(), list.end(), current);
  int start = it == list.end() ? (go_forward ? n - 1 : 0) : static_cast<int>(it - list.begin());
  int i = start;
  for (int step = 0; step < n; ++step) {
    i = go_forward ? (i + 1) % n : (i - 1 + n) % n;
    TWinControl* c = list[i];
    if (c == current) break;
    if ((!check_tab_stop || c->tab_stop_) && (!check_parent || c->parent_ == this) && c->CanFocus()) return c;
  }
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool go_forward, bool check_tab_stop) {
  if (TWinControl* next = FindNextControl(current, go_forward, check_tab_stop, !check_tab_stop))
    next->SetFocus();
}

bool TWinControl::CanFocus() const {
  const TWinControl* c = this;
  while (c) {
    if (!c->visible_ || !c->enabled_) return false;
    if (dynamic_cast<const TCustomForm*>(c)) return true;
    c = c->parent_;
  }
  return parent_window_ != nullptr;
}

bool TWinControl::Focused() const { return handle_ && plat::GetFocus() == handle_; }

void TWinControl::SetFocus() {
  if (TCustomForm* form = GetParentForm(this)) {
    form->FocusControl(this);
  } else if (parent_window_) {
    plat::SetFocus(Handle());
  } else {
    throw EInvalidOperation("Control '" + Name() + "' has no parent window");
  }
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

bool TWinControl::DoKeyDown(uint16_t& key, TShiftState shift) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview() && form->DoKeyDown(key, shift)) return true;
  KeyDown(key, shift);
  return key == 0;
}

bool TWinControl::DoKeyPress(char& key) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview() && form->DoKeyPress(key)) return true;
  KeyPress(key);
  return key == 0;
}

void TWinControl::KeyDown(uint16_t& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(uint16_t& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

// ---- messages ---------------------------------------------------------------

void TWinControl::Broadcast(TMessage& m) {
  // A handler may add or remove children; walk a copy.
  std::vector<TControl*> all(controls_.begin(), controls_.end());
  all.insert(all.end(), win_controls_.begin(), win_controls_.end());
  for (TControl* c : all) {
    m.Result = c->Perform(m.Msg, m.WParam, m.LParam);
    if (m.Result != 0) return;
  }
}

void TWinControl::NotifyControls(plat::UINT msg) {
  // A handler may add or remove children; walk a copy.
  std::vector<TControl*> all(controls_.begin(), controls_.end());
  all.insert(all.end(), win_controls_.begin(), win_controls_.end());
  for (TControl* c : all) c->Perform(msg);
}

void TWinControl::CMEnabledChanged(TMessage& m) {
  if (handle_) plat::EnableWindow(handle_, enabled_ ? plat::TRUE : plat::FALSE);
  TControl::CMEnabledChanged(m);
}

void TWinControl::CMVisibleChanged(TMessage&) { UpdateControlState(); }

void TWinControl::CMFontChanged(TMessage& m) {
  TControl::CMFontChanged(m);
  NotifyControls(CM_PARENTFONTCHANGED);
}

void TWinControl::CMColorChanged(TMessage& m) {
  brush_->SetColor(color_);
  TControl::CMColorChanged(m);
  NotifyControls(CM_PARENTCOLORCHANGED);
}

void TWinControl::CMTextChanged(TMessage& m) { TControl::CMTextChanged(m); }

bool TWinControl::IsControlMouseMsg(TMessage& m) {
  TControl* control = nullptr;
  if (capture_control && capture_control->parent_ == this && plat::GetCapture() == handle_) {
    control = capture_control;
  } else {
    control = ControlAtPos(MessagePoint(m), false);
  }
  if (!control) return false;
  TPoint p = MessagePoint(m);
  p.x -= control->left_;
  p.y -= control->top_;
  m.Result = control->Perform(m.Msg, m.WParam, PointToLParam(p));
  return true;
}

TControl* TWinControl::ControlAtPos(TPoint point, bool allow_disabled, bool allow_win_controls) const {
  auto hit = [&](TControl* c) {
    if (!c->visible_ || (!allow_disabled && !c->enabled_)) return false;
    TRect r = c->BoundsRect();
    if (!plat::PtInRect(&r, point)) return false;
    TPoint local{point.x - c->left_, point.y - c->top_};
    return c->Perform(CM_HITTEST, 0, PointToLParam(local)) != 0;
  };
  if (allow_win_controls)
    for (auto it = win_controls_.rbegin(); it != win_controls_.rend(); ++it)
      if (hit(*it)) return *it;
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it)
    if (hit(*it)) return *it;
  return nullptr;
}

void TWinControl::WndProc(TMessage& m) {
  if (m.Msg == plat::WM_RBUTTONUP && handle_) {
    // The window layer sends no WM_CONTEXTMENU of its own after a right click.
    plat::HWND hwnd = handle_;
    TPoint p = ClientToScreen(MessagePoint(m));
    WndProcMouse(m);
    if (plat::IsWindow(hwnd) && FindControl(hwnd) == this)
      plat::SendMessageA(hwnd, plat::WM_CONTEXTMENU, reinterpret_cast<plat::WPARAM>(hwnd), PointToLParam(p));
    return;
  }
  WndProcMouse(m);
}

void TWinControl::WndProcMouse(TMessage& m) {
  if (IsMouseMessage(m.Msg)) {
    TControl* target = nullptr;
    bool to_child = IsControlMouseMsg(m);
    if (m.Msg == plat::WM_MOUSEMOVE) {
      target = to_child ? (capture_control && capture_control->parent_ == this
                               ? capture_control
                               : ControlAtPos(MessagePoint(m), false))
                        : this;
      if (target != mouse_control) {
        TControl* old = mouse_control;
        mouse_control = target;
        if (old) old->Perform(CM_MOUSELEAVE);
        if (target) target->Perform(CM_MOUSEENTER);
      }
      plat::TRACKMOUSEEVENT track;
      track.dwFlags = plat::TME_LEAVE;
      track.hwndTrack = handle_;
      if (handle_) plat::TrackMouseEvent(&track);
    }
    if (to_child) return;
  } else if (m.Msg == plat::WM_MOUSELEAVE) {
    if (mouse_control == this ||
        (mouse_control && mouse_control->parent_ == this && !dynamic_cast<TWinControl*>(mouse_control))) {
      TControl* old = mouse_control;
      mouse_control = nullptr;
      old->Perform(CM_MOUSELEAVE);
    }
  }
  TControl::WndProc(m);
}

bool TWinControl::ReflectToChild(TMessage& m) {
  plat::HWND child = nullptr;
  switch (m.Msg) {
    case plat::WM_COMMAND:
    case plat::WM_HSCROLL:
    case plat::WM_VSCROLL:
    case plat::WM_CTLCOLORMSGBOX:
    case plat::WM_CTLCOLOREDIT:
    case plat::WM_CTLCOLORLISTBOX:
    case plat::WM_CTLCOLORBTN:
    case plat::WM_CTLCOLORDLG:
    case plat::WM_CTLCOLORSCROLLBAR:
    case plat::WM_CTLCOLORSTATIC:
      child = reinterpret_cast<plat::HWND>(m.LParam);
      break;
    case plat::WM_NOTIFY:
      if (m.LParam) child = reinterpret_cast<const plat::NMHDR*>(m.LParam)->hwndFrom;
      break;
    case plat::WM_DRAWITEM:
      if (m.LParam) {
        const auto* draw = reinterpret_cast<const plat::DRAWITEMSTRUCT*>(m.LParam);
        if (draw->CtlType != plat::ODT_MENU) child = draw->hwndItem;
      }
      break;
    default:
      return false;
  }
  if (!child || child == handle_) return false;
  TWinControl* control = FindControl(child);
  if (!control) return false;
  m.Result = control->Perform(CN_BASE + m.Msg, m.WParam, m.LParam);
  return true;
}

bool TWinControl::DoContextPopup(TMessage& m) {
  TPoint screen{plat::GET_X_LPARAM(m.LParam), plat::GET_Y_LPARAM(m.LParam)};
  TControl* target = this;
  if (screen.x == -1 && screen.y == -1) {
    screen = ClientToScreen(TPoint{0, 0});  // from the keyboard
  } else if (TControl* c = ControlAtPos(ScreenToClient(screen), false)) {
    target = c;
  }
  for (TControl* c = target; c; c = c == this ? nullptr : c->parent_) {
    auto* menu = dynamic_cast<TPopupMenu*>(c->PopupMenu());
    if (menu && menu->AutoPopup()) {
      menu->SetPopupComponent(c);
      menu->Popup(screen.x, screen.y);
      m.Result = 1;
      return true;
    }
  }
  return false;
}

void TWinControl::Dispatch(TMessage& m) {
  if (ReflectToChild(m)) return;
  if (IsSubClassed()) {
    // The class paints the control and follows the mouse itself; the object
    // adds its windowless children and its mouse events.
    switch (m.Msg) {
      case plat::WM_PAINT:
        DefaultHandler(m);
        if (!controls_.empty() && handle_ && m.WParam == 0) {
          plat::HDC dc = plat::GetDC(handle_);
          try {
            PaintControls(dc, nullptr);
          } catch (...) {
            plat::ReleaseDC(handle_, dc);
            throw;
          }
          plat::ReleaseDC(handle_, dc);
        }
        return;
      case plat::WM_ERASEBKGND:
        DefaultHandler(m);
        return;
      default:
        if (IsMouseMessage(m.Msg)) {
          // The class may report a click whose handler frees this control.
          const std::weak_ptr<const char> alive = life_;
          DefaultHandler(m);
          if (alive.expired()) return;
        }
        break;
    }
  }
  switch (m.Msg) {
    case plat::WM_PAINT:
      return PaintHandler(m);
    case plat::WM_CONTEXTMENU:
      if (DoContextPopup(m)) return;
      // Unanswered, the parent gets its turn, as the default procedure does elsewhere.
      if (parent_ && parent_->handle_)
        m.Result = plat::SendMessageA(parent_->handle_, plat::WM_CONTEXTMENU, m.WParam, m.LParam);
      else
        DefaultHandler(m);
      return;
    case plat::WM_ERASEBKGND: {
      auto dc = reinterpret_cast<plat::HDC>(m.WParam);
      TRect r = ClientRect();
      plat::FillRect(dc, &r, brush_->Handle());
      m.Result = 1;
      return;
    }
    case plat::WM_SETTEXT:
      text_ = m.LParam ? reinterpret_cast<const char*>(m.LParam) : "";
      DefaultHandler(m);
      return;
    case plat::WM_WINDOWPOSCHANGED: {
      DefaultHandler(m);
      if (applying_bounds_ || !handle_) return;
      // Moved or sized from outside (the window manager, the layer): take it over.
      TRect old = BoundsRect();
      ReadWindowBounds();
      TRect now = BoundsRect();
      if (!SameRect(old, now)) {
        RequestAlign();
        if (old.right - old.left != now.right - now.left || old.bottom - old.top != now.bottom - now.top) {
          Realign();
          Resize();
        }
      }
      return;
    }
    case plat::WM_SETFOCUS: {
      if (TCustomForm* form = GetParentForm(this); form && form != this) {
        if (!form->SetFocusedControl(this)) return;
      } else if (!GetParentForm(this)) {
        DoEnter();
      }
      DefaultHandler(m);
      return;
    }
    case plat::WM_KILLFOCUS:
      DefaultHandler(m);
      return;
    case plat::WM_KEYDOWN:
    case plat::WM_SYSKEYDOWN: {
      uint16_t key = static_cast<uint16_t>(m.WParam);
      TShiftState shift = KeyDataToShiftState(m.LParam);
      // Menu short-cuts come before the form's and the control's key handlers.
      if (TCustomForm* form = GetParentForm(this)) {
        if (form->IsShortCut(key, shift)) return;
        // Enter and Escape go to the form's buttons unless this control keeps them (a multi-line edit).
        if ((key == plat::VK_RETURN || key == plat::VK_ESCAPE) &&
            !(Perform(plat::WM_GETDLGCODE) & plat::DLGC_WANTALLKEYS) &&
            form->Perform(CM_DIALOGKEY, key, m.LParam) != 0)
          return;
      }
      if (!DoKeyDown(key, shift)) DefaultHandler(m);
      return;
    }
    case plat::WM_KEYUP:
    case plat::WM_SYSKEYUP: {
      uint16_t key = static_cast<uint16_t>(m.WParam);
      KeyUp(key, KeyDataToShiftState(m.LParam));
      if (key != 0) DefaultHandler(m);
      return;
    }
    case plat::WM_CHAR: {
      char key = static_cast<char>(m.WParam);
      if (!DoKeyPress(key)) DefaultHandler(m);
      return;
    }
    case plat::WM_CAPTURECHANGED:
      if (capture_control && reinterpret_cast<plat::HWND>(m.LParam) != handle_) {
        if (capture_control == this) {
          capture_control = nullptr;
        } else if (capture_control->parent_ == this) {
          // A windowless control holds capture through this window; it hears
          // the loss as its own WM_CAPTURECHANGED so its drag or read-out ends.
          TControl* lost = capture_control;
          capture_control = nullptr;
          lost->Perform(plat::WM_CAPTURECHANGED, 0, m.LParam);
        }
      }
      DefaultHandler(m);
      return;
    case plat::WM_SETCURSOR: {
      if (static_cast<plat::LRESULT>(plat::LOWORD(static_cast<uintptr_t>(m.LParam))) == plat::HTCLIENT &&
          reinterpret_cast<plat::HWND>(m.WParam) == handle_) {
        TCursor cursor = Screen ? Screen->Cursor() : crDefault;
        if (cursor == crDefault) {
          plat::POINT p;
          plat::GetCursorPos(&p);
          plat::ScreenToClient(handle_, &p);
          TControl* c = ControlAtPos(p, false);
          cursor = c ? c->Cursor() : Cursor();
        }
        if (cursor != crDefault && Screen) {
          plat::SetCursor(Screen->Cursors(cursor));
          m.Result = 1;
          return;
        }
      }
      DefaultHandler(m);
      return;
    }
    case CM_SHOWINGCHANGED:
      return CMShowingChanged(m);
    case CM_SHOWHINTCHANGED:
      NotifyControls(CM_PARENTSHOWHINTCHANGED);
      return;
    case CM_INVALIDATE:
      Invalidate();
      return;
    case CM_DIALOGKEY:
      return Broadcast(m);
    case plat::WM_SYSCOLORCHANGE:
      NotifyControls(CM_SYSCOLORCHANGE);
      DefaultHandler(m);
      return;
    case CM_SYSCOLORCHANGE:
      NotifyControls(CM_SYSCOLORCHANGE);
      return;
    case plat::WM_SETTINGCHANGE:
      NotifyControls(CM_WININICHANGE);
      DefaultHandler(m);
      return;
    case CM_WININICHANGE:
      NotifyControls(CM_WININICHANGE);
      return;
    default:
      TControl::Dispatch(m);
  }
}

void TWinControl::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) {
  if (root == this) TComponent::GetChildren(proc, root);
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (c->Owner() == root) proc(c);
  }
}

void TWinControl::DefaultHandler(TMessage& m) {
  if (handle_ && default_proc_) {
    m.Result = plat::CallWindowProcA(default_proc_, handle_, m.Msg, m.WParam, m.LParam);
    return;
  }
  TControl::DefaultHandler(m);
}

// ---- painting ---------------------------------------------------------------

void TWinControl::PaintWindow(plat::HDC) {}

void TWinControl::PaintHandler(TMessage& m) {
  auto dc = reinterpret_cast<plat::HDC>(m.WParam);
  plat::PAINTSTRUCT ps;
  bool own_dc = dc == nullptr;
  if (own_dc) {
    if (!handle_) return;
    dc = plat::BeginPaint(handle_, &ps);
  }
  try {
    if (controls_.empty()) {
      PaintWindow(dc);
    } else {
      // The window's own paint leaves out what opaque children cover.
      int saved = plat::SaveDC(dc);
      for (TControl* c : controls_) {
        if (c->visible_ && c->control_style_.Contains(csOpaque)) {
          plat::ExcludeClipRect(dc, c->left_, c->top_, c->left_ + c->width_, c->top_ + c->height_);
        }
      }
      PaintWindow(dc);
      plat::RestoreDC(dc, saved);
      PaintControls(dc, nullptr);
    }
  } catch (...) {
    if (own_dc) plat::EndPaint(handle_, &ps);
    throw;
  }
  if (own_dc) plat::EndPaint(handle_, &ps);
}

void TWinControl::PaintControls(plat::HDC dc, TControl* first) {
  auto it = controls_.begin();
  if (first) {
    it = std::find(controls_.begin(), controls_.end(), first);
    if (it == controls_.end()) it = controls_.begin();
  }
  for (; it != controls_.end(); ++it) {
    TControl* c = *it;
    if (!c->visible_ || c->width_ <= 0 || c->height_ <= 0) continue;
    TRect r = c->BoundsRect();
    if (!plat::RectVisible(dc, &r)) continue;
    int saved = plat::SaveDC(dc);
    plat::OffsetViewportOrgEx(dc, c->left_, c->top_, nullptr);
    plat::IntersectClipRect(dc, 0, 0, c->width_, c->height_);
    try {
      c->Perform(plat::WM_PAINT, reinterpret_cast<plat::WPARAM>(dc), 0);
    } catch (...) {
      plat::RestoreDC(dc, saved);
      throw;
    }
    plat::RestoreDC(dc, saved);
  }
}

void TWinControl::PaintTo(plat::HDC dc, int x, int y) {
  int saved = plat::SaveDC(dc);
  plat::OffsetViewportOrgEx(dc, x, y, nullptr);
  TRect client = ClientRect();
  plat::IntersectClipRect(dc, 0, 0, client.right - client.left, client.bottom - client.top);
  try {
    Perform(plat::WM_ERASEBKGND, reinterpret_cast<plat::WPARAM>(dc), 0);
    Perform(plat::WM_PAINT, reinterpret_cast<plat::WPARAM>(dc), 0);
    for (TWinControl* c : win_controls_)
      if (c->visible_) c->PaintTo(dc, c->left_, c->top_);
  } catch (...) {
    plat::RestoreDC(dc, saved);
    throw;
  }
  plat::RestoreDC(dc, saved);
}

void TWinControl::Invalidate() {
  if (handle_)
    plat::InvalidateRect(handle_, nullptr, control_style_.Contains(csOpaque) ? plat::FALSE : plat::TRUE);
}

void TWinControl::Update() {
  if (handle_) plat::UpdateWindow(handle_);
}

void TWinControl::Repaint() {
  Invalidate();
  Update();
}

void TWinControl::Loaded() {
  TControl::Loaded();
  if (!tab_orders_.empty()) {
    // Tab orders read before all siblings existed are applied in order now.
    std::stable_sort(tab_list_.begin(), tab_list_.end(), [this](TWinControl* a, TWinControl* b) {
      auto ia = tab_orders_.find(a), ib = tab_orders_.find(b);
      int oa = ia == tab_orders_.end() ? 1 << 30 : ia->second;
      int ob = ib == tab_orders_.end() ? 1 << 30 : ib->second;
      return oa < ob;
    });
    tab_orders_.clear();
  }
  Realign();
}

// ---- TGraphicControl, TCustomControl ----------------------------------------

TGraphicControl::TGraphicControl(TComponent* owner)
    : TControl(owner), canvas_(std::make_unique<TControlCanvas>()) {
  canvas_->SetControl(this);
}

TGraphicControl::~TGraphicControl() { canvas_->SetControl(nullptr); }

void TGraphicControl::Dispatch(TMessage& m) {
  if (m.Msg != plat::WM_PAINT) return TControl::Dispatch(m);
  auto dc = reinterpret_cast<plat::HDC>(m.WParam);
  if (!dc) return;
  canvas_->PaintOn(dc, [this] { Paint(); });
}

TCustomControl::TCustomControl(TComponent* owner)
    : TWinControl(owner), canvas_(std::make_unique<TControlCanvas>()) {
  canvas_->SetControl(this);
}

TCustomControl::~TCustomControl() { canvas_->SetControl(nullptr); }

void TCustomControl::PaintWindow(plat::HDC dc) {
  canvas_->PaintOn(dc, [this] { Paint(); });
}

}  // namespace vcl
