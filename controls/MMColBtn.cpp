#include "controls/MMColBtn.h"

#include <algorithm>

#include "platform/kernel/ScopeGuard.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/Window.h"
#include "platform/vcl/Buttons.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/TypInfo.h"

namespace controls {

namespace {

constexpr const char* kArrowGlyph = "BM_CLRBTNDOWN";
constexpr const char* kDefaultCaption = "&Other...";
constexpr int kPopupWidth = 78, kPopupHeight = 119;
constexpr vcl::TRect kCustomButtonRect{3, 95, 3 + 51, 95 + 18};

// Red in the low byte.
constexpr std::array<vcl::TColor, 20> kPalette = {
    0xFFFFFF, 0x000000, 0xC0C0C0, 0x808080, 0x0000FF, 0x000080, 0x00FFFF, 0x008080, 0x00FF00, 0x008000,
    0xFFFF00, 0x808000, 0xFF0000, 0x800000, 0xFF00FF, 0x800080, 0xC0DCC0, 0xF0CAA6, 0xF0FBFF, 0xA4A0A0};

// Every second pixel from `from` towards `to`, `to` itself left out.
void DottedLine(vcl::TCanvas* canvas, vcl::TPoint from, vcl::TPoint to, vcl::TColor color) {
  const int dx = (to.x > from.x) - (to.x < from.x), dy = (to.y > from.y) - (to.y < from.y);
  for (vcl::TPoint p = from; p.x != to.x || p.y != to.y; p.x += dx, p.y += dy) {
    if (((p.x - from.x) + (p.y - from.y)) % 2 == 0) canvas->SetPixels(p.x, p.y, color);
  }
}

}  // namespace

// ---- TMMColorSpeedButton ----

VCL_IMPLEMENT_CLASS(TMMColorSpeedButton)

TMMColorSpeedButton::TMMColorSpeedButton(vcl::TComponent* owner) : TMMSpeedButton(owner) {}

TMMCustomColorButton* TMMColorSpeedButton::ColorButton() const {
  return dynamic_cast<TMMCustomColorButton*>(Owner());
}

void TMMColorSpeedButton::Paint() {
  SyncEnabledState();
  TMMCustomColorButton* button = ColorButton();
  const bool focused = button && button->Focused();
  vcl::TCanvas* canvas = Canvas();
  canvas->SetFont(Font());
  const bool pressed = State() == vcl::bsDown || State() == vcl::bsExclusive;
  const vcl::TRect r = vcl::DrawButtonFace(canvas, vcl::Rect(0, 0, Width(), Height()), 1, vcl::bsAutoDetect,
                                           false, pressed, focused);
  const int cell_width = Glyph()->Empty() ? 0 : Glyph()->Width() / std::max(NumGlyphs(), 1);
  const int g = cell_width + 2;
  const int s = std::max(0, r.right - r.left - g - 2);
  ButtonGlyph()->DrawGlyphAndCaption(canvas, vcl::Rect(r.left + s + 2, r.top, r.right, r.bottom), State(),
                                     Spacing(), Margin(), Layout(), "");
  if ((Enabled() || DesignMode()) && s > 0) {
    canvas->Pen()->SetColor(vcl::clBlack);
    canvas->Pen()->SetWidth(1);
    canvas->Brush()->SetStyle(vcl::bsSolid);
    canvas->Brush()->SetColor(button ? button->Value() : vcl::clBlack);
    canvas->Rectangle(r.left + 4, r.top + 2, r.left + s - 4, r.bottom - 2);
  }
  const int x = r.left + s;
  canvas->Pen()->SetColor(vcl::clBtnShadow);
  canvas->MoveTo(x, r.top + 2);
  canvas->LineTo(x, r.bottom - 2);
  canvas->Pen()->SetColor(vcl::clBtnHighlight);
  canvas->MoveTo(x + 1, r.top + 2);
  canvas->LineTo(x + 1, r.bottom - 2);
  if (focused) {
    const vcl::TRect f = vcl::Rect(r.left + 1, r.top + 1, r.right - 2, r.bottom - 2);
    const vcl::TColor color = button->FocusColor();
    DottedLine(canvas, {f.left, f.top}, {f.right, f.top}, color);
    DottedLine(canvas, {f.right, f.top}, {f.right, f.bottom}, color);
    DottedLine(canvas, {f.right, f.bottom}, {f.left, f.bottom}, color);
    DottedLine(canvas, {f.left, f.bottom}, {f.left, f.top}, color);
  }
}

// ---- TMMCustomButton ----

VCL_IMPLEMENT_CLASS(TMMCustomButton)

void TMMCustomButton::KeyDown(uint16_t& key, vcl::TShiftState shift) {
  if (key == plat::VK_ESCAPE && Parent() && Parent()->HandleAllocated()) {
    plat::PostMessageA(Parent()->Handle(), plat::WM_KEYDOWN, plat::VK_ESCAPE, 0);
    key = 0;
    return;
  }
  TButton::KeyDown(key, shift);
}

void TMMCustomButton::Dispatch(vcl::TMessage& message) {
  if (message.Msg == plat::WM_KILLFOCUS)
    if (auto* popup = dynamic_cast<TMMColorPopUp*>(Parent()))
      popup->FocusMoved(reinterpret_cast<plat::HWND>(message.WParam));
  TButton::Dispatch(message);
}

// ---- TMMColorPopUp ----

VCL_IMPLEMENT_CLASS(TMMColorPopUp)

TMMColorPopUp::TMMColorPopUp(TMMCustomColorButton* button) : TMMCustomControl(button), button_(button) {
  // The popup holds the mouse from ShowPopup to CloseUp; a click must not let go of it.
  SetControlStyle(ControlStyle() - vcl::TControlStyle{vcl::csCaptureMouse});
  SetVisible(false);
  SetTabStop(true);
  SetColor(vcl::clBtnFace);
  Bevel()->SetBevelOuter(engine::bvNone);
  custom_button_ = new TMMCustomButton(this);
  custom_button_->SetParent(this);
  custom_button_->SetBoundsRect(kCustomButtonRect);
  custom_button_->SetCaption("&Custom...");
  custom_button_->OnClick = [this](vcl::TObject*) { CustomClick(); };
  SetBounds(0, 0, kPopupWidth, kPopupHeight);
}

TMMColorPopUp::~TMMColorPopUp() { CloseUp(false); }

void TMMColorPopUp::CreateParams(TCreateParams& params) {
  TMMCustomControl::CreateParams(params);
  params.Style = (params.Style & ~plat::WS_CHILD) | plat::WS_POPUP | plat::WS_DLGFRAME;
  params.ExStyle |= plat::WS_EX_TOOLWINDOW;
  params.WindowClass.style |= plat::CS_SAVEBITS;
}

void TMMColorPopUp::SetSelected(int index) {
  selected_ = index == -2 ? -1 : index;
  Invalidate();
}

int TMMColorPopUp::CellAt(int x, int y) const {
  // Division truncates toward zero, so without this a point just left of or
  // above the grid would count as column or row 0.
  if (x < 0 || y < 0) return -1;
  const int column = x / kCell, row = y / kCell;
  if (column <= 3 && row <= 4) return row * 4 + column;
  if (show_current_cell_ && x >= kCurrentCell.x && x <= kCurrentCell.x + kCell && y >= kCurrentCell.y &&
      y <= kCurrentCell.y + kCell)
    return -2;
  return -1;
}

void TMMColorPopUp::EnableOthers() {
  std::vector<plat::HWND> windows;
  windows.swap(disabled_windows_);
  for (plat::HWND w : windows)
    if (plat::IsWindow(w)) plat::EnableWindow(w, plat::TRUE);
}

void TMMColorPopUp::ShowPopup() {
  if (shown_) return;
  HandleNeeded();
  // The rest of the thread's windows stay disabled only while the popup is
  // up: a failure on the way there gives them back at once.
  struct Collect {
    plat::HWND self;
    std::vector<plat::HWND>* list;
  } collect{Handle(), &disabled_windows_};
  plat::EnumThreadWindows(
      plat::GetCurrentThreadId(),
      [](plat::HWND w, plat::LPARAM l) -> plat::BOOL {
        auto* c = reinterpret_cast<Collect*>(l);
        if (w != c->self && plat::IsWindowEnabled(w)) c->list->push_back(w);
        return plat::TRUE;
      },
      reinterpret_cast<plat::LPARAM>(&collect));
  bool done = false;
  plat::ScopeExit give_back([this, &done] {
    if (!done) EnableOthers();
  });
  for (plat::HWND w : disabled_windows_) plat::EnableWindow(w, plat::FALSE);

  palette_ = kPalette;
  const vcl::TColor value = vcl::ColorToRGB(button_->Value());
  const auto found = std::find(palette_.begin(), palette_.end(), value);
  selected_ = found == palette_.end() ? -1 : static_cast<int>(found - palette_.begin());
  show_current_cell_ = button_->ShowCurrent() || selected_ == -1;
  custom_button_->SetCaption(button_->ButtonCaption());
  Show();
  SetFocus();
  shown_ = true;
  plat::SetCapture(Handle());
  done = true;
}

void TMMColorPopUp::CloseUp(bool accept) {
  if (!shown_) return;
  // First, so the capture and focus notices this sends find the popup closed.
  shown_ = false;
  EnableOthers();
  if (HandleAllocated() && plat::GetCapture() == Handle()) plat::ReleaseCapture();
  Hide();
  if (!button_->ComponentState().Contains(vcl::csDestroying)) {
    if (button_->CanFocus()) button_->SetFocus();
    if (accept && selected_ != -1) button_->SetValue(palette_[static_cast<size_t>(selected_)]);
  }
}

void TMMColorPopUp::FocusMoved(plat::HWND window) {
  if (!shown_ || !HandleAllocated()) return;
  if (window == Handle() || (window && plat::IsChild(Handle(), window))) return;
  CloseUp(false);
}

void TMMColorPopUp::CustomClick() {
  CloseUp(false);
  if (button_->HandleAllocated()) plat::PostMessageA(button_->Handle(), MM_COLORDIALOG, 0, 0);
}

void TMMColorPopUp::Dispatch(vcl::TMessage& message) {
  switch (message.Msg) {
    case plat::WM_KILLFOCUS:
      FocusMoved(reinterpret_cast<plat::HWND>(message.WParam));
      break;
    case plat::WM_CAPTURECHANGED:
      // Without the mouse the popup could not see a click outside it.
      if (reinterpret_cast<plat::HWND>(message.LParam) != Handle()) CloseUp(false);
      break;
    default:
      break;
  }
  TMMCustomControl::Dispatch(message);
}

void TMMColorPopUp::PaintCell(vcl::TCanvas* canvas, const vcl::TRect& rect, bool selected,
                              vcl::TColor color) {
  if (selected) {
    canvas->Brush()->SetStyle(vcl::bsClear);
    canvas->Pen()->SetWidth(1);
    canvas->Pen()->SetColor(vcl::clBlack);
    canvas->Rectangle(rect);
    canvas->Rectangle(rect.left + 2, rect.top + 2, rect.right - 2, rect.bottom - 2);
    canvas->Pen()->SetColor(vcl::clWhite);
    canvas->Rectangle(rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1);
  } else {
    vcl::TRect r = rect;
    vcl::Frame3D(canvas, r, vcl::clBtnFace, vcl::clBtnFace, 1);
    vcl::Frame3D(canvas, r, vcl::clBtnShadow, vcl::clBtnHighlight, 1);
    vcl::Frame3D(canvas, r, vcl::clBtnText, vcl::clBtnFace, 1);
  }
  canvas->Brush()->SetStyle(vcl::bsSolid);
  canvas->Brush()->SetColor(color);
  canvas->FillRect(vcl::Rect(rect.left + 3, rect.top + 3, rect.right - 3, rect.bottom - 3));
}

void TMMColorPopUp::Paint() {
  vcl::TBitmap image;
  image.SetPixelFormat(vcl::pf24bit);
  image.SetSize(ClientWidth(), ClientHeight());
  vcl::TCanvas* canvas = image.Canvas();
  canvas->Brush()->SetColor(vcl::clBtnFace);
  canvas->FillRect(vcl::Rect(0, 0, image.Width(), image.Height()));
  for (int i = 0; i < 20; ++i)
    PaintCell(canvas, vcl::Bounds(kCell * (i % 4), kCell * (i / 4), kCell, kCell), i == selected_,
              palette_[static_cast<size_t>(i)]);
  if (show_current_cell_)
    PaintCell(canvas, vcl::Bounds(kCurrentCell.x, kCurrentCell.y, kCell, kCell), selected_ == -1,
              button_->Value());
  canvas->Pen()->SetColor(vcl::clBtnShadow);
  canvas->MoveTo(0, 91);
  canvas->LineTo(image.Width(), 91);
  canvas->Pen()->SetColor(vcl::clBtnHighlight);
  canvas->MoveTo(0, 92);
  canvas->LineTo(image.Width(), 92);
  Canvas()->Draw(0, 0, &image);
}

void TMMColorPopUp::KeyDown(uint16_t& key, vcl::TShiftState shift) {
  TMMCustomControl::KeyDown(key, shift);
  switch (key) {
    case plat::VK_TAB:
      custom_button_->SetFocus();
      key = 0;
      return;
    case plat::VK_RETURN:
    case plat::VK_ESCAPE: {
      const bool accept = key == plat::VK_RETURN;
      key = 0;
      CloseUp(accept);
      return;
    }
    default:
      break;
  }
  int column = 0, row = 0;
  if (selected_ >= 0) {
    column = selected_ % 4;
    row = selected_ / 4;
  } else if (show_current_cell_) {
    column = 3;
    row = 5;
  } else {
    return;
  }
  switch (key) {
    case plat::VK_END:
      column = 3;
      row = show_current_cell_ ? 5 : 4;
      break;
    case plat::VK_HOME:
      column = 0;
      row = 0;
      break;
    case plat::VK_LEFT:
      if (column > 0) --column;
      break;
    case plat::VK_UP:
      if (row > 0) --row;
      break;
    case plat::VK_RIGHT:
      if (column < 3) ++column;
      break;
    case plat::VK_DOWN:
      if (row < 4)
        ++row;
      else if (column == 3 && show_current_cell_)
        row = 5;
      break;
    default:
      return;
  }
  key = 0;
  SetSelected(row == 5 ? -2 : row * 4 + column);
}

void TMMColorPopUp::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  TMMCustomControl::MouseDown(button, shift, x, y);
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) {
    CloseUp(false);
    return;
  }
  // The dialog button does not see the mouse the popup holds.
  const vcl::TRect b = custom_button_->BoundsRect();
  if (x >= b.left && x < b.right && y >= b.top && y < b.bottom) custom_button_->Click();
}

void TMMColorPopUp::MouseMove(vcl::TShiftState shift, int x, int y) {
  TMMCustomControl::MouseMove(shift, x, y);
  if (x < 0 || y < 0 || x > Width() || y > Height()) return;
  const int cell = CellAt(x, y);
  if (cell != -1 && cell != (selected_ == -1 ? -2 : selected_)) SetSelected(cell);
}

void TMMColorPopUp::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  TMMCustomControl::MouseUp(button, shift, x, y);
  if (!shown_) return;
  const int cell = CellAt(x, y);
  if (cell == -1) return;
  SetSelected(cell);
  CloseUp(true);
}

// ---- TMMCustomColorButton ----

VCL_IMPLEMENT_CLASS(TMMCustomColorButton)

TMMCustomColorButton::TMMCustomColorButton(vcl::TComponent* owner)
    : TMMCustomControl(owner), button_caption_(kDefaultCaption) {
  SetTabStop(true);
  drop_button_ = new TMMColorSpeedButton(this);
  drop_button_->SetParent(this);
  drop_button_->OnMouseDown = [this](vcl::TObject*, vcl::TMouseButton, vcl::TShiftState, int, int) {
    if (CanFocus()) SetFocus();
  };
  drop_button_->OnClick = [this](vcl::TObject*) { DropDown(); };
  SetGlyph(nullptr);
  color_dialog_ = new vcl::TColorDialog(this);
  color_dialog_->SetOptions(vcl::TColorDialogOptions{vcl::cdFullOpen});
  SetBounds(Left(), Top(), 43, 21);
}

TMMCustomColorButton::~TMMCustomColorButton() {
  // The popup hands nothing back to a button on its way out.
  Destroying();
  if (popup_) popup_->CloseUp(false);
}

void TMMCustomColorButton::SetBounds(int left, int top, int width, int height) {
  TMMCustomControl::SetBounds(left, top, width, height);
  drop_button_->SetBounds(0, 0, Width(), Height());
}

void TMMCustomColorButton::SetValue(vcl::TColor value) {
  if (value_ == value) return;
  value_ = value;
  Changed();
  Change();
}

void TMMCustomColorButton::SetFocusColor(vcl::TColor value) {
  if (focus_color_ == value) return;
  focus_color_ = value;
  Changed();
}

void TMMCustomColorButton::SetGlyph(vcl::TBitmap* value) {
  if (value && !value->Empty()) {
    drop_button_->SetGlyph(value);
    return;
  }
  vcl::TBitmap arrow;
  arrow.LoadFromResourceName(nullptr, kArrowGlyph);
  drop_button_->SetGlyph(&arrow);
}

void TMMCustomColorButton::SetButtonCaption(const std::string& value) {
  button_caption_ = value.empty() ? kDefaultCaption : value;
  if (popup_ && popup_->Shown()) popup_->CustomButton()->SetCaption(button_caption_);
}

void TMMCustomColorButton::Change() {
  if (ComponentState().Contains(vcl::csLoading)) return;
  if (OnChange) OnChange(this);
}

void TMMCustomColorButton::Changed() {
  Invalidate();
  drop_button_->Invalidate();
}

TMMColorPopUp* TMMCustomColorButton::GetPopup() {
  if (popup_) return popup_;
  popup_ = new TMMColorPopUp(this);
  // Owned by the button, over the window of its form.
  if (vcl::TCustomForm* form = vcl::GetParentForm(this))
    popup_->SetParentWindow(form->Handle());
  else if (HandleAllocated())
    popup_->SetParentWindow(plat::GetAncestor(Handle(), plat::GA_ROOT));
  popup_->HandleNeeded();
  // The client area is fixed; the frame comes on top of it.
  plat::RECT window, client;
  plat::GetWindowRect(popup_->Handle(), &window);
  plat::GetClientRect(popup_->Handle(), &client);
  popup_->SetBounds(0, 0, kPopupWidth + (window.right - window.left) - client.right,
                    kPopupHeight + (window.bottom - window.top) - client.bottom);
  return popup_;
}

void TMMCustomColorButton::DropDown() {
  TMMColorPopUp* popup = GetPopup();
  vcl::TPoint p = ClientToScreen(vcl::Point(0, Height()));
  if (p.y + popup->Height() > vcl::Screen->Height()) p.y -= popup->Height() + Height();
  popup->SetBounds(p.x, p.y, popup->Width(), popup->Height());
  popup->ShowPopup();
}

void TMMCustomColorButton::KeyDown(uint16_t& key, vcl::TShiftState shift) {
  TMMCustomControl::KeyDown(key, shift);
  if (key != plat::VK_SPACE) return;
  key = 0;
  DropDown();
}

void TMMCustomColorButton::CMEnabledChanged(vcl::TMessage& message) {
  TMMCustomControl::CMEnabledChanged(message);
  drop_button_->SetEnabled(Enabled());
}

void TMMCustomColorButton::OpenColorDialog() {
  color_dialog_->SetColor(value_);
  if (color_dialog_->Execute()) SetValue(color_dialog_->Color());
}

void TMMCustomColorButton::Dispatch(vcl::TMessage& message) {
  switch (message.Msg) {
    case MM_COLORDIALOG:
      OpenColorDialog();
      return;
    case plat::WM_SETFOCUS:
    case plat::WM_KILLFOCUS:
      Changed();
      break;
    default:
      break;
  }
  TMMCustomControl::Dispatch(message);
}

void TMMCustomColorButton::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  TMMCustomControl::Notification(component, operation);
  if (operation == vcl::opRemove && component == popup_) popup_ = nullptr;
}

VCL_IMPLEMENT_CLASS(
    TMMColorButton, IntProp("Width", &TMMColorButton::Width, &TMMColorButton::SetWidth).Default(43),
    IntProp("Height", &TMMColorButton::Height, &TMMColorButton::SetHeight).Default(21),
    BoolProp("TabStop", &TMMColorButton::TabStop, &TMMColorButton::SetTabStop).Default(true),
    IntProp("TabOrder", &TMMColorButton::TabOrder, &TMMColorButton::SetTabOrder).Default(-1),
    ColorProp("FocusColor", &TMMColorButton::FocusColor, &TMMColorButton::SetFocusColor)
        .Default(vcl::clBlack),
    ObjProp("Glyph", &TMMColorButton::Glyph, &TMMColorButton::SetGlyph),
    IntProp("NumGlyphs", &TMMColorButton::NumGlyphs, &TMMColorButton::SetNumGlyphs).Default(1),
    ColorProp("Value", &TMMColorButton::Value, &TMMColorButton::SetValue).Default(vcl::clBlack),
    ObjProp("CustomColors", &TMMColorButton::CustomColors, &TMMColorButton::SetCustomColors),
    StrProp("ButtonCaption", &TMMColorButton::ButtonCaption, &TMMColorButton::SetButtonCaption)
        .Default(kDefaultCaption),
    BoolProp("ShowCurrent", &TMMColorButton::ShowCurrent, &TMMColorButton::SetShowCurrent).Default(false),
    EventProp("OnChange", &TMMColorButton::OnChange),
    BoolProp("Enabled", &TMMColorButton::Enabled, &TMMColorButton::SetEnabled).Default(true),
    BoolProp("Visible", &TMMColorButton::Visible, &TMMColorButton::SetVisible).Default(true))

}  // namespace controls
