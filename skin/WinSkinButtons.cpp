#include "skin/WinSkinButtons.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/TextLayout.h"
#include "platform/kernel/ScopeGuard.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "platform/user/Window.h"
#include "platform/user/WindowMessages.h"
#include "platform/vcl/Buttons.h"
#include "platform/vcl/ImgList.h"
#include "platform/vcl/SysUtils.h"
#include "skin/SkinData.h"
#include "skin/SkinDraw.h"
#include "skin/WinSkinData.h"
#include "skin/WinSkinForm.h"
#include "skin/WinSubClassPaint.h"

namespace skin {

namespace {

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// Controls of these classes do their own mouse-down handling.
int ModeOf(const vcl::TObject* control) {
  const std::string name = vcl::LowerCase(control->ClassName());
  return StartsWith(name, "trz") || StartsWith(name, "tel") ? 1 : 0;
}

bool WantsParentBackground(TSkinData* data, const vcl::TControl* control) {
  return (control && control->Tag() == 5555) || data->Options().Contains(xoTransparent);
}

// Glyph cell for a frame: pressed shows the pressed cell, disabled the
// disabled one, everything else the normal one.
int GlyphCell(int frame) { return frame == 2 ? 3 : frame == 3 ? 2 : 1; }

}  // namespace

int ButtonFrame(bool focused, bool pressed, bool hovered, bool enabled) {
  int frame = 1;
  if (focused) frame = 5;
  if (pressed)
    frame = 2;
  else if (hovered)
    frame = 4;
  if (!enabled) frame = 3;
  return frame;
}

void TSkinButton::AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                                vcl::TCanvas* canvas) {
  TSkinControl::AttachControl(skin_form, skin_data, use_skin_colour, canvas);
  if (!Attached()) return;
  Mode = 0;
  if (vcl::TControl* c = LiveControl()) {
    Mode = ModeOf(c);
    DrawParentBackground = WantsParentBackground(skin_data, c);
  }
}

void TSkinButton::AttachWindow(plat::HWND handle, TSkinData* skin_data, TWinSkinForm* skin_form,
                               vcl::TCanvas* canvas) {
  TSkinControl::AttachWindow(handle, skin_data, skin_form, canvas);
  DrawParentBackground = WantsParentBackground(skin_data, nullptr);
}

int TSkinButton::CurrentFrame() const {
  return ButtonFrame(IsFocused, (MouseState & kSkinPressed) && !pressed_away_, MouseState & kSkinHover,
                     IsEnabled);
}

bool TSkinButton::HoldsCapture() const { return Handle() && plat::GetCapture() == Handle(); }

bool TSkinButton::Inside(plat::LPARAM lparam) const {
  plat::RECT client{};
  if (!Handle() || !plat::GetClientRect(Handle(), &client)) return false;
  plat::POINT p{plat::GET_X_LPARAM(lparam), plat::GET_Y_LPARAM(lparam)};
  return plat::PtInRect(&client, p) != plat::FALSE;
}

bool PaintAllOfIt(TSkinControl* companion, vcl::TMessage& message) {
  if (message.Msg == plat::WM_PAINT) {
    PaintMessage(companion, message);
    return true;
  }
  if (message.Msg == plat::WM_ERASEBKGND) {
    message.Result = 1;
    return true;
  }
  return false;
}

bool TSkinButton::SpaceKey(const vcl::TMessage& message) {
  if ((message.Msg != plat::WM_KEYDOWN && message.Msg != plat::WM_KEYUP) ||
      message.WParam != static_cast<plat::WPARAM>(plat::VK_SPACE))
    return false;
  if (message.Msg == plat::WM_KEYDOWN)
    MouseState |= kSkinPressed;
  else
    MouseState &= ~kSkinPressed;
  return true;
}

bool TSkinButton::PreProcessMessage(vcl::TMessage& message) {
  if (PaintAllOfIt(this, message)) return false;
  switch (message.Msg) {
    case plat::WM_LBUTTONDOWN:
    case plat::WM_LBUTTONDBLCLK:
      if (plat::GetFocus() != Handle()) plat::SetFocus(Handle());
      MouseState |= kSkinPressed;
      pressed_away_ = false;
      // The release may come outside the button; it must still end the press.
      plat::SetCapture(Handle());
      PaintControl(nullptr);
      if (Mode == 0 && Control()) FireMouseDown(this, message);
      return false;
    default:
      return TSkinControl::PreProcessMessage(message);
  }
}

void TSkinButton::PostProcessMessage(vcl::TMessage& message) {
  switch (message.Msg) {
    case plat::WM_MOUSELEAVE:
      MouseState &= ~kSkinHover;
      // While the button holds the mouse the press goes on until the release.
      if (!HoldsCapture()) MouseState &= ~kSkinPressed;
      RepaintWindow();
      break;
    case vcl::CM_DIALOGKEY:
    case vcl::CM_FOCUSCHANGED:
      RepaintWindow();
      break;
    case plat::WM_CAPTURECHANGED:
      // Someone else took the mouse: the press ends without a click.
      if ((MouseState & kSkinPressed) && reinterpret_cast<plat::HWND>(message.LParam) != Handle()) {
        MouseState &= ~(kSkinPressed | kSkinHover);
        RepaintWindow();
      }
      break;
    case plat::WM_LBUTTONUP: {
      if (!(MouseState & kSkinPressed)) break;
      const bool inside = Inside(message.LParam);
      MouseState &= ~kSkinPressed;
      pressed_away_ = false;
      if (inside)
        MouseState |= kSkinHover;
      else
        MouseState &= ~kSkinHover;
      if (HoldsCapture()) plat::ReleaseCapture();
      RepaintWindow();
      if (inside) Clicked();
      break;
    }
    case plat::WM_SETTEXT:
      PaintControl(nullptr);
      break;
    case plat::WM_KEYDOWN:
    case plat::WM_KEYUP:
      if (SpaceKey(message)) RepaintWindow();
      break;
    case plat::WM_MOUSEMOVE: {
      const int before = MouseState;
      const bool was_away = pressed_away_;
      if ((MouseState & kSkinPressed) && HoldsCapture()) {
        // Held down: the pressed look follows the mouse in and out.
        pressed_away_ = !Inside(message.LParam);
        if (pressed_away_)
          MouseState &= ~kSkinHover;
        else
          MouseState |= kSkinHover;
      } else if (plat::IsWindowEnabled(Handle()) && !(MouseState & kSkinHover)) {
        MouseState |= kSkinHover;
      }
      if (MouseState != before || pressed_away_ != was_away) RepaintWindow();
      plat::TRACKMOUSEEVENT track{};
      track.cbSize = sizeof track;
      track.dwFlags = plat::TME_LEAVE;
      track.hwndTrack = Handle();
      plat::TrackMouseEvent(&track);
      break;
    }
    default:
      TSkinControl::PostProcessMessage(message);
      break;
  }
}

void TSkinButton::Clicked() {
  if (Control()) {
    if (vcl::TControl* c = LiveControl()) c->Click();
    return;
  }
  if (!Handle()) return;
  char name[64] = {};
  plat::GetClassNameA(Handle(), name, static_cast<int>(sizeof name));
  const int id = vcl::LowerCase(name) == "tbutton" ? 0 : plat::GetDlgCtrlID(Handle());
  plat::PostMessageA(plat::GetParent(Handle()), plat::WM_COMMAND,
                     plat::MAKEWPARAM(static_cast<plat::WORD>(id), 0),
                     reinterpret_cast<plat::LPARAM>(Handle()));
}

vcl::TColor TSkinButton::StateTextColour(int frame, vcl::TColor colour) const {
  const TDataSkinButton* e = SkinData()->Skin().Buttons.get();
  if (!e) return colour;
  if (frame == 1 && e->HasNormalColour2) return e->NormalColour2;
  if (frame == 4 && e->HasMouseOverColour2) return e->MouseOverColour2;
  if (frame == 2 && e->HasPressedColour2) return e->PressedColour2;
  if (frame == 3) return vcl::clBtnShadow;
  return colour;
}

void TSkinButton::ReadWindowState() {
  IsEnabled = (plat::GetWindowLongA(Handle(), plat::GWL_STYLE) & plat::WS_DISABLED) == 0;
  IsFocused = plat::GetFocus() == Handle();
}

plat::HGDIOBJ TSkinButton::PrepareWork(int w, int h, int frame, vcl::TControl* control, bool element_frame) {
  TDataSkinButton* element = SkinData()->Skin().Buttons.get();
  const vcl::TRect local = vcl::Rect(0, 0, w, h);
  WorkBitmap.SetPixelFormat(vcl::pf24bit);
  WorkBitmap.SetSize(w, h);
  vcl::TCanvas* canvas = WorkBitmap.Canvas();
  plat::HDC work = canvas->Handle();
  if (DrawParentBackground && control)
    SkinPaintParentBackground(control, work);
  else
    FillFace(this, work, local);
  if (element_frame) DrawElementState(this, work, local, element->Frame, frame, element);
  if (control) {
    canvas->Font()->Assign(control->Font());
    canvas->Font()->SetColor(StateTextColour(frame, control->Font()->Color()));
    return nullptr;
  }
  canvas->Font()->SetColor(StateTextColour(frame, SkinData()->Skin().ButtonText));
  plat::HGDIOBJ old_font = nullptr;
  auto font = reinterpret_cast<plat::HGDIOBJ>(plat::SendMessageA(Handle(), plat::WM_GETFONT, 0, 0));
  if (font) old_font = plat::SelectObject(work, font);
  plat::SetTextColor(work, vcl::ColorToRGB(canvas->Font()->Color()));
  return old_font;
}

void TSkinButton::DrawControl(plat::HDC dc, const vcl::TRect& rect) {
  TDataSkinButton* element = SkinData()->Skin().Buttons.get();
  if (!element || element->Bitmap.Empty()) return;
  ReadWindowState();
  vcl::TControl* control = LiveControl();
  const std::string caption = control ? GetTextProp(control, "Caption") : WindowText(Handle());
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  plat::HGDIOBJ old_font = PrepareWork(w, h, CurrentFrame(), control);
  vcl::TCanvas* canvas = WorkBitmap.Canvas();
  DrawButtonCaption(this, canvas, vcl::Rect(0, 0, w, h), plat::DT_CENTER, caption);
  plat::BitBlt(dc, rect.left, rect.top, w, h, canvas->Handle(), 0, 0, plat::SRCCOPY);
  if (old_font) plat::SelectObject(canvas->Handle(), old_font);
}

TGlyphPlace GlyphBlockPlace(int c, int g, int t, int margin, int spacing, bool far_side, bool speed) {
  if (t == 0 || g == 0) spacing = 0;
  if (margin != -1) {
    if (spacing == -1) spacing = ((c - margin - g) - t) / 2;
  } else if (spacing != -1) {
    margin = (c - (g + spacing + t)) / 2 + (speed ? 1 : 0);
  } else {
    margin = (c - (g + t)) / 3;
    spacing = margin;
  }
  TGlyphPlace place;
  if (!far_side) {
    place.glyph = margin;
    place.text = margin + g + spacing;
  } else {
    place.glyph = c - margin - g;
    place.text = place.glyph - spacing - t;
  }
  return place;
}

// Bit buttons

bool TSkinBitButton::DrawGlyphAndCaption(vcl::TControl* control, int w, int h, int frame, bool speed) {
  vcl::TCanvas* canvas = WorkBitmap.Canvas();
  plat::HDC work = canvas->Handle();
  // The glyph: a named picture, a strip of cells, or an image of a list.
  vcl::TGraphic* picture = nullptr;
  vcl::TBitmap* strip = nullptr;
  vcl::TCustomImageList* images = nullptr;
  int cells = 1, gw = 0, gh = 0;
  const int image_index = GetIntProp(control, "ImageIndex");
  if (!GlyphProperty.empty()) {
    picture = dynamic_cast<vcl::TGraphic*>(
        GetObjectPropByName(control, GlyphProperty, vcl::TGraphic::StaticClass()));
    if (picture && !picture->Empty()) {
      gw = picture->Width();
      gh = picture->Height();
    } else {
      picture = nullptr;
    }
  } else if ((strip = dynamic_cast<vcl::TBitmap*>(
                  GetObjectPropByName(control, "Glyph", vcl::TBitmap::StaticClass()))) &&
             !strip->Empty()) {
    // Read before it divides; a missing or nonsensical count is one cell.
    cells = std::max(GetIntProp(control, "NumGlyphs"), 1);
    gw = strip->Width() / cells;
    gh = strip->Height();
  } else if (!speed && image_index != -1 &&
             (images = dynamic_cast<vcl::TCustomImageList*>(
                  GetObjectPropByName(control, "Images", vcl::TCustomImageList::StaticClass())))) {
    strip = nullptr;
    gw = images->Width();
    gh = images->Height();
  } else {
    strip = nullptr;
  }
  if (speed && gw == 0) return false;

  const std::string layout_text = vcl::LowerCase(GetPropText(control, "Layout"));
  const int layout = layout_text == "blglyphright"    ? 1
                     : layout_text == "blglyphtop"    ? 2
                     : layout_text == "blglyphbottom" ? 3
                                                      : 0;
  int margin = GetIntProp(control, "Margin");
  const int spacing = GetIntProp(control, "Spacing");
  // A centred alignment centres the block whatever the margin says.
  if (!speed && vcl::LowerCase(GetPropText(control, "Alignment")) == "tacenter") margin = -1;

  vcl::TRect bounds{2, 2, w - 2, h - 2};
  if (layout <= 1)
    bounds.right -= gw + 2;
  else
    bounds.bottom -= gh + 2;
  std::string text = GetTextProp(control, "Caption");
  if (size_t bar = text.find("||"); bar != std::string::npos) text.replace(bar, 2, "\r\n");
  int tw = 0, th = 0;
  if (!text.empty()) {
    vcl::TRect measure = bounds;
    SkinDrawText(work, text, &measure, plat::DT_CALCRECT | plat::DT_WORDBREAK);
    tw = measure.right - measure.left;
    th = measure.bottom - measure.top;
  }
  vcl::TPoint gp{}, tp{};
  plat::UINT flags = plat::DT_WORDBREAK;
  if (layout <= 1) {
    gp.y = (h - gh + 1) / 2;
    tp.y = (h - th + 1) / 2;
    TGlyphPlace p = GlyphBlockPlace(w, gw, tw, margin, spacing, layout == 1, speed);
    gp.x = p.glyph;
    tp.x = p.text;
    if (layout == 1) flags |= plat::DT_RIGHT;
  } else {
    gp.x = (w - gw + 1) / 2;
    tp.x = (w - tw + 1) / 2;
    TGlyphPlace p = GlyphBlockPlace(h, gh, th, margin, spacing, layout == 3, speed);
    gp.y = p.glyph;
    tp.y = p.text;
    flags |= plat::DT_CENTER;
  }
  if (picture) {
    canvas->Draw(gp.x, gp.y, picture);
  } else if (strip) {
    DrawGlyphCell(this, canvas, gp, cells, GlyphCell(frame), strip);
  } else if (images) {
    const int disabled_index = GetIntProp(control, "DisabledIndex");
    if (frame != 3)
      images->Draw(canvas, gp.x, gp.y, image_index, true);
    else
      images->Draw(canvas, gp.x, gp.y, disabled_index != -1 ? disabled_index : image_index, false);
  }
  if (!text.empty()) {
    const int old_mode = plat::SetBkMode(work, plat::TRANSPARENT);
    vcl::TRect box = vcl::Bounds(tp.x, tp.y, tw, th);
    plat::SetTextColor(work, vcl::ColorToRGB(canvas->Font()->Color()));
    SkinDrawText(work, text, &box, flags);
    plat::SetBkMode(work, old_mode);
    if (!speed && IsFocused && !SkinData()->Options().Contains(xoNoFocusRect)) {
      plat::InflateRect(&box, 2, 2);
      canvas->DrawFocusRect(box);
    }
  }
  return true;
}

void TSkinBitButton::DrawControl(plat::HDC dc, const vcl::TRect& rect) {
  TDataSkinButton* element = SkinData()->Skin().Buttons.get();
  vcl::TControl* control = LiveControl();
  if (!element || element->Bitmap.Empty() || !control) {
    // A bare window has no glyph to lay out.
    if (!control) TSkinButton::DrawControl(dc, rect);
    return;
  }
  ReadWindowState();
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  const int frame = CurrentFrame();
  PrepareWork(w, h, frame, control);
  DrawGlyphAndCaption(control, w, h, frame, false);
  plat::BitBlt(dc, rect.left, rect.top, w, h, WorkBitmap.Canvas()->Handle(), 0, 0, plat::SRCCOPY);
}

// Menu buttons

void TSkinMenuButton::DrawControl(plat::HDC dc, const vcl::TRect& rect) {
  TDataSkinButton* element = SkinData()->Skin().Buttons.get();
  if (!element || element->Bitmap.Empty()) return;
  ReadWindowState();
  vcl::TControl* control = LiveControl();
  const std::string caption = control ? GetTextProp(control, "Caption") : WindowText(Handle());
  // The focus shows as the hover frame and the focus rectangle.
  int frame = CurrentFrame();
  if (frame == 5) frame = 4;
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  plat::HGDIOBJ old_font = PrepareWork(w, h, frame, control);
  vcl::TCanvas* canvas = WorkBitmap.Canvas();
  plat::HDC work = canvas->Handle();
  const int area = w - 17;
  if (!caption.empty()) {
    vcl::TRect measure{2, 2, area - 2, h - 2};
    SkinDrawText(work, caption, &measure, plat::DT_CALCRECT | plat::DT_WORDBREAK);
    const int tw = measure.right - measure.left, th = measure.bottom - measure.top;
    vcl::TRect box = vcl::Bounds((area - tw) / 2 + 2, (h - th + 1) / 2, tw, th);
    const int old_mode = plat::SetBkMode(work, plat::TRANSPARENT);
    plat::SetTextColor(work, vcl::ColorToRGB(canvas->Font()->Color()));
    SkinDrawText(work, caption, &box, plat::DT_WORDBREAK);
    plat::SetBkMode(work, old_mode);
  }
  const vcl::TColor arrow = frame == 3 ? vcl::clBtnShadow : vcl::clWindowText;
  canvas->Pen()->SetStyle(vcl::psSolid);
  canvas->Pen()->SetColor(arrow);
  canvas->Brush()->SetStyle(vcl::bsSolid);
  canvas->Brush()->SetColor(arrow);
  canvas->Polygon(
      {vcl::TPoint{w - 12, h / 2 + 2}, vcl::TPoint{w - 15, h / 2 - 1}, vcl::TPoint{w - 9, h / 2 - 1}});
  if (IsFocused && !SkinData()->Options().Contains(xoNoFocusRect))
    canvas->DrawFocusRect(vcl::Rect(0, 0, area, h));
  plat::BitBlt(dc, rect.left, rect.top, w, h, work, 0, 0, plat::SRCCOPY);
  if (old_font) plat::SelectObject(work, old_font);
}

// Speed buttons

void TSkinSpeedButton::AttachGraphic(TWinSkinForm* skin_form, TSkinData* skin_data, vcl::TCanvas* canvas) {
  TSkinControl::AttachControl(skin_form, skin_data, false, canvas);
  if (!Attached()) return;
  DrawParentBackground = WantsParentBackground(skin_data, LiveControl());
}

bool TSkinSpeedButton::PreProcessMessage(vcl::TMessage& message) {
  switch (message.Msg) {
    case plat::WM_PAINT: {
      vcl::TControl* c = LiveControl();
      auto dc = reinterpret_cast<plat::HDC>(message.WParam);
      if (c && dc) DrawControl(dc, vcl::Rect(0, 0, c->Width(), c->Height()));
      message.Result = 1;
      return false;
    }
    case plat::WM_LBUTTONDOWN:
    case plat::WM_LBUTTONDBLCLK:
      CallPrevious(message);
      if (Retired() || !LiveControl()) return false;
      MouseState |= kSkinPressed;
      PaintControl(nullptr);
      return false;
    default:
      return TSkinButton::PreProcessMessage(message);
  }
}

void TSkinSpeedButton::PostProcessMessage(vcl::TMessage& message) {
  switch (message.Msg) {
    case vcl::CM_MOUSEENTER:
      MouseState |= kSkinHover;
      PaintControl(nullptr);
      break;
    case vcl::CM_MOUSELEAVE:
      MouseState &= ~(kSkinHover | kSkinPressed);
      if (vcl::TControl* c = LiveControl(); c && c->Visible()) PaintControl(nullptr);
      break;
    case plat::WM_LBUTTONUP:
      MouseState &= ~kSkinPressed;
      PaintControl(nullptr);
      break;
    case plat::WM_KEYDOWN:
    case plat::WM_KEYUP:
      if (SpaceKey(message)) PaintControl(nullptr);
      break;
    default:
      TSkinControl::PostProcessMessage(message);
      break;
  }
}

void TSkinSpeedButton::PaintControl(plat::HDC) {
  vcl::TControl* c = LiveControl();
  if (!c || !c->Parent() || !c->Parent()->HandleAllocated() || !c->Visible()) return;
  vcl::TControlCanvas canvas;
  canvas.SetControl(c);
  DrawControl(canvas.Handle(), vcl::Rect(0, 0, c->Width(), c->Height()));
  canvas.FreeHandle();
}

void TSkinSpeedButton::DrawControl(plat::HDC dc, const vcl::TRect& rect) {
  TDataSkinButton* element = SkinData()->Skin().Buttons.get();
  vcl::TControl* control = LiveControl();
  if (!element || element->Bitmap.Empty() || painting_ || !control) return;
  painting_ = true;
  plat::ScopeExit done([this] { painting_ = false; });
  int frame = (MouseState & kSkinPressed) ? 2 : (MouseState & kSkinHover) ? 4 : 1;
  if (vcl::LowerCase(GetPropText(control, "Enabled")) != "true") frame = 3;
  if (vcl::LowerCase(GetPropText(control, "Down")) == "true") frame = 2;
  IsEnabled = frame != 3;
  const bool flat = vcl::LowerCase(GetPropText(control, "Flat")) == "true";
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  PrepareWork(w, h, frame, control, !flat || frame == 2 || frame == 4);
  if (!DrawGlyphAndCaption(control, w, h, frame, true))
    DrawButtonCaption(this, WorkBitmap.Canvas(), vcl::Rect(0, 0, w, h), plat::DT_CENTER,
                      GetTextProp(control, "Caption"));
  plat::BitBlt(dc, rect.left, rect.top, w, h, WorkBitmap.Canvas()->Handle(), 0, 0, plat::SRCCOPY);
}

}  // namespace skin
