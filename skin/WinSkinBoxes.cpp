#include "skin/WinSkinBoxes.h"

#include <algorithm>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/gdi/TextLayout.h"
#include "platform/kernel/ScopeGuard.h"
#include "platform/user/Button.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "platform/user/StatusBar.h"
#include "platform/user/Window.h"
#include "platform/user/WindowMessages.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"
#include "skin/SkinData.h"
#include "skin/SkinDraw.h"
#include "skin/SkinRects.h"
#include "skin/WinSkinButtons.h"
#include "skin/WinSkinData.h"
#include "skin/WinSkinForm.h"
#include "skin/WinSubClassPaint.h"

namespace skin {

namespace {

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

struct PaintAccess : vcl::TWinControl {
  static void Children(vcl::TWinControl* control, plat::HDC dc) {
    (control->*(&PaintAccess::PaintControls))(dc, nullptr);
  }
};

}  // namespace

void PaintWindowlessChildren(vcl::TWinControl* control, plat::HDC dc) {
  if (control && dc) PaintAccess::Children(control, dc);
}

// Check boxes

void TSkinCheckBox::AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                                  vcl::TCanvas* canvas) {
  TSkinControl::AttachControl(skin_form, skin_data, use_skin_colour, canvas);
  if (!Attached()) return;
  CheckState = 0;
  Mode = 0;
  if (vcl::TControl* c = LiveControl()) {
    Mode = 1;
    DrawParentBackground = c->Tag() == 5555 || skin_data->Options().Contains(xoTransparent);
  }
}

bool TSkinCheckBox::PreProcessMessage(vcl::TMessage& message) {
  if (!TSkinControl::PreProcessMessage(message)) return false;
  switch (message.Msg) {
    case plat::WM_PAINT:
    case plat::WM_PRINT:
      if (Mode != 1) return true;
      PaintMessage(this, message);
      return false;
    case plat::WM_ERASEBKGND:
      if (!DrawParentBackground) return true;
      EraseMessage(this, message);
      return false;
    default:
      return true;
  }
}

void TSkinCheckBox::PostProcessMessage(vcl::TMessage& message) {
  switch (message.Msg) {
    case plat::BM_SETCHECK:
      CheckState = static_cast<int>(message.WParam) + 1;
      RepaintWindow();
      break;
    case plat::WM_LBUTTONDOWN:
    case plat::WM_LBUTTONUP:
    case plat::WM_LBUTTONDBLCLK:
    case vcl::CM_EXIT:
      RepaintWindow();
      break;
    default:
      TSkinControl::PostProcessMessage(message);
      break;
  }
}

int TSkinCheckBox::BoxFrame(int frames) {
  const plat::LRESULT state = plat::SendMessageA(Handle(), plat::BM_GETSTATE, 0, 0);
  int frame = (state & plat::BST_CHECKED) ? 2 : 1;
  if (vcl::TControl* c = LiveControl()) {
    if (vcl::IsPublishedProp(c, "State")) {
      const std::string text = vcl::LowerCase(GetPropText(c, "State"));
      if (Contains(text, "uncheck"))
        frame = 1;
      else if (Contains(text, "check"))
        frame = 2;
      else if (Contains(text, "gray"))
        frame = 4;
    } else if (vcl::IsPublishedProp(c, "Checked")) {
      frame = vcl::LowerCase(GetPropText(c, "Checked")) == "true" ? 2 : 1;
    }
    if (vcl::IsPublishedProp(c, "DataField") && CheckState != 0) frame = CheckState == 3 ? 4 : CheckState;
    if (vcl::IsPublishedProp(c, "DataBinding")) frame = 1;
  }
  const bool disabled = (StyleOf(Handle()) & plat::WS_DISABLED) != 0;
  const bool indeterminate = (state & plat::BST_INDETERMINATE) != 0;
  if (disabled) frame += 2;
  if (indeterminate) frame = 4;
  if (frames == 12) {
    if (indeterminate)
      frame = disabled ? 12 : 9;
    else
      frame = frame == 2 ? 5 : frame == 3 ? 4 : frame == 4 ? 8 : frame;
  }
  // A grey state of a disabled box would point past a strip of four.
  return std::clamp(frame, 1, std::max(frames, 1));
}

void TSkinCheckBox::DrawControl(plat::HDC dc, const vcl::TRect& rect) {
  TDataSkinButton* e = SkinData()->Skin().Buttons.get();
  if (!e || e->CheckBitmap.Empty()) {
    Mode = 0;
    return;
  }
  DrawBox(dc, rect, &e->CheckBitmap, e->CheckButtonFrame);
}

void TSkinCheckBox::DrawBox(plat::HDC dc, const vcl::TRect& rect, vcl::TBitmap* image, int frames) {
  frames = std::max(frames, 1);
  const int fw = image->Width() / frames, fh = image->Height();
  const int frame = BoxFrame(frames);
  const int top = rect.top + (rect.bottom - rect.top - fh) / 2;
  const bool right = (StyleOf(Handle()) & plat::BS_LEFTTEXT) != 0;
  vcl::TRect box, text_area = rect;
  // A radio box at the right stays one pixel in from the edge.
  const int edge = right && Radio() ? rect.right - 1 : rect.right;
  if (right) {
    box = vcl::Rect(edge - fw, top, edge, top + fh);
    text_area.right = box.left - 2;
  } else {
    box = vcl::Rect(rect.left, top, rect.left + fw, top + fh);
    text_area.left = box.right + 2;
  }
  plat::UINT flags = plat::DT_WORDBREAK | plat::DT_EXPANDTABS;
  if (Mode == 1 && !DrawParentBackground) FillFace(this, dc, rect);
  DrawStripFrame(dc, box, frames, frame, image);
  if (Mode == 0) return;
  vcl::TControl* c = LiveControl();
  CaptionText = WindowText(Handle());
  if (c) CaptionText = GetTextProp(c, "Caption");
  const bool enabled = c ? c->Enabled() : plat::IsWindowEnabled(Handle()) != plat::FALSE;
  plat::HGDIOBJ font = nullptr;
  if (c)
    font = c->Font()->Handle();
  else
    font = reinterpret_cast<plat::HGDIOBJ>(plat::SendMessageA(Handle(), plat::WM_GETFONT, 0, 0));
  const int saved = plat::SaveDC(dc);
  plat::ScopeExit restore([&] { plat::RestoreDC(dc, saved); });
  if (font) plat::SelectObject(dc, font);
  const vcl::TColor text_colour =
      enabled ? (c ? c->Font()->Color() : SkinData()->Skin().ButtonText) : vcl::clBtnShadow;
  plat::SetTextColor(dc, vcl::ColorToRGB(text_colour));
  plat::SetBkColor(dc, vcl::ColorToRGB(SkinData()->Skin().ButtonFace));
  plat::SetBkMode(dc, plat::TRANSPARENT);
  vcl::TRect measured = text_area;
  SkinDrawText(dc, CaptionText, &measured, flags | plat::DT_CALCRECT | plat::DT_NOCLIP);
  const int th = measured.bottom - measured.top;
  vcl::TRect place = text_area;
  place.top = text_area.top + (text_area.bottom - text_area.top - th) / 2;
  place.bottom = place.top + th;
  if (plat::GetFocus() == Handle() && !CaptionText.empty()) DrawFocusAroundText(this, dc, flags, place);
  SkinDrawText(dc, CaptionText, &place, flags);
}

// Radio buttons

void TSkinRadioButton::PostProcessMessage(vcl::TMessage& message) {
  if (message.Msg == plat::BM_SETCHECK) {
    RepaintWindow();
    return;
  }
  TSkinCheckBox::PostProcessMessage(message);
}

int TSkinRadioButton::BoxFrame(int frames) {
  int frame = plat::SendMessageA(Handle(), plat::BM_GETCHECK, 0, 0) == plat::BST_CHECKED ? 2 : 1;
  if (vcl::TControl* c = LiveControl(); c && vcl::IsPublishedProp(c, "Checked"))
    frame = vcl::LowerCase(GetPropText(c, "Checked")) == "true" ? 2 : 1;
  if (StyleOf(Handle()) & plat::WS_DISABLED) frame += 2;
  if (frames == 8) frame = frame == 2 ? 5 : frame == 3 ? 4 : frame == 4 ? 8 : frame;
  return std::clamp(frame, 1, std::max(frames, 1));
}

void TSkinRadioButton::DrawControl(plat::HDC dc, const vcl::TRect& rect) {
  TDataSkinButton* e = SkinData()->Skin().Buttons.get();
  if (!e || e->RadioBitmap.Empty()) {
    Mode = 0;
    return;
  }
  DrawBox(dc, rect, &e->RadioBitmap, e->RadioButtonFrame);
}

// Group boxes

void TSkinGroupBox::AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                                  vcl::TCanvas* canvas) {
  TSkinControl::AttachControl(skin_form, skin_data, use_skin_colour, canvas);
  if (Attached() && LiveControl()) Mode = 1;
}

bool TSkinGroupBox::PreProcessMessage(vcl::TMessage& message) {
  if (!TSkinControl::PreProcessMessage(message)) return false;
  if (Mode == 0) return true;
  if (message.Msg == plat::WM_PAINT) {
    PaintMessage(this, message);
    return false;
  }
  if (message.Msg == plat::WM_ERASEBKGND) {
    EraseMessage(this, message);
    return false;
  }
  return true;
}

void TSkinGroupBox::DrawControl(plat::HDC dc, const vcl::TRect& rect) {
  vcl::TControl* c = LiveControl();
  std::string caption = WindowText(Handle());
  if (caption.empty() && c) caption = GetTextProp(c, "Caption");
  const int saved = plat::SaveDC(dc);
  plat::ScopeExit restore([&] { plat::RestoreDC(dc, saved); });
  plat::HGDIOBJ font = reinterpret_cast<plat::HGDIOBJ>(plat::SendMessageA(Handle(), plat::WM_GETFONT, 0, 0));
  if (c) font = c->Font()->Handle();
  if (font) plat::SelectObject(dc, font);
  if (c) plat::SetTextColor(dc, vcl::ColorToRGB(c->Font()->Color()));
  plat::SIZE zero{};
  plat::GetTextExtentPoint32A(dc, "0", 1, &zero);
  const int th = zero.cy;
  const TParsedSkin& skin = SkinData()->Skin();
  if (Mode == 0) {
    // Cover the window's own frame.
    vcl::TRect outer = vcl::Rect(0, th / 2 - 1, rect.right, rect.bottom);
    plat::FrameRect(dc, &outer, skin.FaceBrush.Handle());
    plat::InflateRect(&outer, -1, -1);
    plat::FrameRect(dc, &outer, skin.FaceBrush.Handle());
  }
  plat::HPEN pen = plat::CreatePen(plat::PS_SOLID, 1, vcl::ColorToRGB(skin.ButtonShadow));
  plat::HGDIOBJ old_pen = plat::SelectObject(dc, pen);
  plat::SelectObject(dc, plat::GetStockObject(plat::NULL_BRUSH));
  plat::RoundRect(dc, 1, th / 2 - 1, rect.right - 1, rect.bottom - 1, 5, 5);
  plat::SelectObject(dc, old_pen);
  plat::DeleteObject(pen);
  plat::SetBkColor(dc, vcl::ColorToRGB(skin.ButtonFace));
  plat::SetBkMode(dc, plat::OPAQUE);
  vcl::TRect text = vcl::Rect(rect.left + 8, rect.top, rect.right, rect.bottom);
  SkinDrawText(dc, caption, &text, plat::DT_EXPANDTABS);
  if (c && Mode == 1) PaintWindowlessChildren(Control(), dc);
}

// Panels

void TSkinBox::Unskin() {
  TSkinControl::Unskin();
  SetSkinState(kSkinPanelRemoved);
}

// Dialog panes

bool TSkinBoxH::PreProcessMessage(vcl::TMessage& message) {
  switch (message.Msg) {
    case plat::WM_ERASEBKGND: {
      plat::RECT r{};
      plat::GetWindowRect(Handle(), &r);
      FillFace(this, reinterpret_cast<plat::HDC>(message.WParam),
               vcl::Rect(0, 0, r.right - r.left, r.bottom - r.top));
      message.Result = 0;
      return false;
    }
    case plat::WM_CTLCOLORSTATIC: {
      CallPrevious(message);
      // The static's letters sit on the face too, not on a box of their own.
      plat::SetBkColor(reinterpret_cast<plat::HDC>(message.WParam),
                       vcl::ColorToRGB(SkinData()->Skin().ButtonFace));
      message.Result = reinterpret_cast<plat::LRESULT>(SkinData()->Skin().FaceBrush.Handle());
      return false;
    }
    default:
      return TSkinControl::PreProcessMessage(message);
  }
}

// Size grips

void TSkinSizer::FillWith(plat::HDC dc, const vcl::TRect& rect) { FillFace(this, dc, rect); }

// Tab sheets

bool TSkinTabSheet::PreProcessMessage(vcl::TMessage& message) {
  if (!TSkinControl::PreProcessMessage(message)) return false;
  if (Mode != 0) return true;
  switch (message.Msg) {
    case plat::WM_ERASEBKGND: {
      plat::RECT client{};
      plat::GetClientRect(Handle(), &client);
      plat::FillRect(reinterpret_cast<plat::HDC>(message.WParam), &client,
                     SkinData()->Skin().FaceBrush.Handle());
      message.Result = 1;
      return false;
    }
    case plat::WM_PAINT:
    case plat::WM_PRINT:
      PaintMessage(this, message);
      return false;
    default:
      return true;
  }
}

void TSkinTabSheet::DrawControl(plat::HDC dc, const vcl::TRect& rect) {
  FillFace(this, dc, rect);
  PaintWindowlessChildren(Control(), dc);
}

// Status bars

bool TSkinStatusBar::PreProcessMessage(vcl::TMessage& message) {
  if (PaintAllOfIt(this, message)) return false;
  return TSkinControl::PreProcessMessage(message);
}

void TSkinStatusBar::DrawControl(plat::HDC dc, const vcl::TRect& rect) {
  auto* bar = dynamic_cast<vcl::TStatusBar*>(LiveControl());
  if (!bar) return;
  const TParsedSkin& skin = SkinData()->Skin();
  TDataSkinObject* edges = skin.StatusBarEdges.get();
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  const vcl::TRect local = vcl::Rect(0, 0, w, h);
  vcl::TBitmap* work = SkinWorkBitmap(w, h);
  if (!work) return;
  vcl::TCanvas* canvas = work->Canvas();
  canvas->Brush()->SetStyle(vcl::bsSolid);
  canvas->Brush()->SetColor(skin.ButtonFace);
  canvas->FillRect(local);
  canvas->Font()->Assign(bar->Font());
  canvas->Font()->SetStyle({});
  if (edges) canvas->Font()->SetColor(edges->NormalColour2);
  auto panel = [&](vcl::TRect r, int edge, int alignment, std::string text) {
    if (edges && !edges->Bitmap.Empty()) {
      const vcl::TRect margins{edges->LeftWidth, edges->TopHeight, edges->RightWidth, edges->BottomHeight};
      if (auto image = SkinRenderImage(vcl::Rect(0, 0, r.right - r.left, r.bottom - r.top), &edges->Bitmap,
                                       margins, false, edges->Tile == 1, 3, edge))
        canvas->Draw(r.left, r.top, image.get());
    } else if (edge != 3) {
      vcl::TRect frame = r;
      const bool lowered = edge == 1;
      vcl::Frame3D(canvas, frame, lowered ? vcl::clBtnShadow : vcl::clBtnHighlight,
                   lowered ? vcl::clBtnHighlight : vcl::clBtnShadow, 1);
    }
    if (text.empty()) text = " ";
    plat::InflateRect(&r, -2, 0);
    static constexpr plat::UINT kAlign[] = {plat::DT_LEFT, plat::DT_RIGHT, plat::DT_CENTER};
    DrawLabelText(this, canvas, r, kAlign[std::clamp(alignment, 0, 2)], true, text);
  };
  const int count = bar->Panels()->Count();
  if (!bar->SimplePanel() && count > 0) {
    for (int i = 0; i < count; ++i) {
      vcl::TStatusPanel* p = bar->Panels()->Items(i);
      const int edge = p->Bevel() == vcl::pbLowered ? 1 : p->Bevel() == vcl::pbNone ? 3 : 2;
      plat::RECT r{};
      if (!plat::SendMessageA(Handle(), plat::SB_GETRECT, static_cast<plat::WPARAM>(i),
                              reinterpret_cast<plat::LPARAM>(&r)))
        continue;
      r.right += 2;
      if (i == count - 1) r.right = local.right;
      panel(r, edge, static_cast<int>(p->Alignment()), GetTextProp(p, "Text"));
    }
  } else {
    panel(local, 1, 0, GetTextProp(bar, "SimpleText"));
  }
  TDataSkinObject* extra = skin.ExtraImages.get();
  if ((StyleOf(Handle()) & plat::SBARS_SIZEGRIP) && extra && !extra->Bitmap.Empty()) {
    const int frames = std::max(extra->Frame, 1);
    const int fw = extra->Bitmap.Width() / frames, fh = extra->Bitmap.Height();
    DrawStripFrame(canvas, vcl::Rect(w - 1 - fw, h - 1 - fh, w - 1, h - 1), frames, 5, &extra->Bitmap);
  }
  plat::BitBlt(dc, rect.left, rect.top, w, h, canvas->Handle(), 0, 0, plat::SRCCOPY);
  PaintWindowlessChildren(Control(), dc);
}

// Other makers' check and radio boxes

namespace {

constexpr vcl::TColor kStripKey = 0xFF00FF;

// An integer or colour property set to a number, when the control has it.
void SetNumberProp(vcl::TObject* object, const char* name, int64_t value) {
  const vcl::TPropInfo* p = vcl::GetPropInfo(object, name);
  if (p && p->set_ord && (p->kind == vcl::tkInteger || p->kind == vcl::tkColor)) p->set_ord(object, value);
}

}  // namespace

void TSkinObjImage::AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                                  vcl::TCanvas* canvas) {
  if (Attached()) return;
  // The control keeps its own colours: only its glyphs are the skin's.
  TSkinControl::AttachControl(skin_form, skin_data, false, canvas);
  UseSkinColour = use_skin_colour;
  if (Attached()) HandOver();
}

bool TSkinObjImage::BuildStrip(vcl::TBitmap& strip) const {
  TDataSkinButton* e = SkinData() ? SkinData()->Skin().Buttons.get() : nullptr;
  if (!e) return false;
  const bool radio = GlyphKind == 2;
  vcl::TBitmap& source = radio ? e->RadioBitmap : e->CheckBitmap;
  if (source.Empty()) return false;
  const int frames = std::max(radio ? e->RadioButtonFrame : e->CheckButtonFrame, 1);
  const int w = source.Width() / frames, h = source.Height();
  if (w <= 0 || h <= 0) return false;
  // Cell (from 1) -> source frame (from 1); 0 leaves the cell transparent.
  std::vector<int> cells;
  if (GlyphKind == 1)
    cells = {1, 2, 5, 1, 2, 5, 3, 4, 5};
  else if (GlyphKind == 2)
    cells = {1, 2, 1, 2, 3, 4};
  else if (GlyphKind == 3)
    cells = {1, 2, 5, 1, 2, 5};
  else
    return false;
  strip.SetPixelFormat(vcl::pf24bit);
  strip.SetSize(w * static_cast<int>(cells.size()), h);
  strip.Canvas()->Brush()->SetStyle(vcl::bsSolid);
  strip.Canvas()->Brush()->SetColor(kStripKey);
  strip.Canvas()->FillRect(vcl::Rect(0, 0, strip.Width(), h));
  for (size_t i = 0; i < cells.size(); ++i) {
    const int frame = cells[i];
    // The fifth picture exists only in strips of five.
    if (frame > frames || (frame == 5 && frames != 5)) continue;
    plat::BitBlt(strip.Canvas()->Handle(), static_cast<int>(i) * w, 0, w, h, source.Canvas()->Handle(),
                 (frame - 1) * w, 0, plat::SRCCOPY);
  }
  return true;
}

void TSkinObjImage::HandOver() {
  vcl::TControl* control = LiveControl();
  if (!control) return;
  vcl::TBitmap strip;
  if (!BuildStrip(strip)) return;
  if (GlyphKind == 1 || GlyphKind == 2) {
    auto* target = dynamic_cast<vcl::TBitmap*>(
        GetObjectPropByName(control, "CustomGlyphs", vcl::TBitmap::StaticClass()));
    if (!target) return;
    target->Assign(&strip);
    SetNumberProp(control, "TransparentColor", kStripKey);
    // Off and on again: the control reloads its glyphs.
    SetPropByName(control, "UseCustomGlyphs", "False");
    SetPropByName(control, "UseCustomGlyphs", "True");
  } else if (GlyphKind == 3) {
    vcl::TObject* properties = GetObjectPropByName(control, "Properties", vcl::TPersistent::StaticClass());
    auto* target =
        dynamic_cast<vcl::TBitmap*>(GetObjectPropByName(properties, "Glyph", vcl::TBitmap::StaticClass()));
    if (!target) return;
    target->Assign(&strip);
    target->SetTransparentColor(kStripKey);
    target->SetTransparent(false);
  }
}

void TSkinObjImage::RefreshSkin() { HandOver(); }

void TSkinObjImage::Unskin() {
  vcl::TControl* control = LiveControl();
  if (!control) return;
  if (GlyphKind == 1 || GlyphKind == 2) {
    SetPropByName(control, "UseCustomGlyphs", "False");
  } else if (GlyphKind == 3) {
    vcl::TObject* properties = GetObjectPropByName(control, "Properties", vcl::TPersistent::StaticClass());
    auto* target =
        dynamic_cast<vcl::TBitmap*>(GetObjectPropByName(properties, "Glyph", vcl::TBitmap::StaticClass()));
    if (target) {
      vcl::TBitmap empty;
      target->Assign(&empty);
    }
  }
}

}  // namespace skin
