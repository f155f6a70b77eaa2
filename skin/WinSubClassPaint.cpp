#include "skin/WinSubClassPaint.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/FontTypes.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/TextLayout.h"
#include "platform/kernel/ScopeGuard.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Paint.h"
#include "platform/user/Window.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/ImgList.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"
#include "skin/ImgUtil.h"
#include "skin/SkinData.h"
#include "skin/SkinDraw.h"
#include "skin/WinSkinData.h"
#include "skin/WinSubClass.h"

namespace skin {

namespace {

using vcl::TRect;

int Width(const TRect& r) { return r.right - r.left; }
int Height(const TRect& r) { return r.bottom - r.top; }

const vcl::TPropInfo* Prop(const vcl::TObject* object, const std::string& name) {
  return object ? vcl::GetPropInfo(object, name) : nullptr;
}

vcl::TControl* SkinnedControl(TSkinControl* companion) {
  if (!companion) return nullptr;
  return companion->Control() ? static_cast<vcl::TControl*>(companion->Control())
                              : companion->GraphicControl();
}

void FillColour(plat::HDC dc, const TRect& rect, vcl::TColor colour) {
  plat::HBRUSH brush = plat::CreateSolidBrush(vcl::ColorToRGB(colour));
  plat::FillRect(dc, &rect, brush);
  plat::DeleteObject(brush);
}

// Text drawn transparently in the plain style of the canvas's font.
void PlainText(vcl::TCanvas* canvas) {
  canvas->Brush()->SetStyle(vcl::bsClear);
  canvas->Font()->SetStyle({});
}

// The measured size of `text` for `flags`, starting at `from`.
TRect Measure(vcl::TCanvas* canvas, const std::string& text, TRect from, plat::UINT flags) {
  SkinDrawText(canvas->Handle(), text, &from, flags | plat::DT_CALCRECT);
  return from;
}

// The mouse handling of the class library, reached from outside the class.
struct MouseAccess : vcl::TControl {
  static void Down(vcl::TControl* control, vcl::TShiftState shift, int x, int y) {
    auto down = static_cast<void (vcl::TControl::*)(vcl::TMouseButton, vcl::TShiftState, int, int)>(
        &MouseAccess::MouseDown);
    (control->*down)(vcl::mbLeft, shift, x, y);
  }
};

}  // namespace

int GetIntProp(const vcl::TObject* object, const std::string& name) {
  const vcl::TPropInfo* p = Prop(object, name);
  if (!p || p->kind != vcl::tkInteger || !p->get_ord) return -1;
  return static_cast<int>(p->get_ord(object));
}

std::string GetPropText(const vcl::TObject* object, const std::string& name) {
  const vcl::TPropInfo* p = Prop(object, name);
  if (!p) return {};
  switch (p->kind) {
    case vcl::tkString:
      return p->get_str ? p->get_str(object) : std::string();
    case vcl::tkInteger:
    case vcl::tkBoolean:
    case vcl::tkEnumeration:
    case vcl::tkSet:
    case vcl::tkColor:
      return vcl::GetPropValue(object, name);
    default:
      return {};
  }
}

std::string GetTextProp(const vcl::TObject* object, const std::string& name) {
  const vcl::TPropInfo* p = Prop(object, name);
  if (!p || p->kind != vcl::tkString || !p->get_str) return {};
  return p->get_str(object);
}

vcl::TObject* GetObjectPropByName(const vcl::TObject* object, const std::string& name, vcl::TClass cls) {
  const vcl::TPropInfo* p = Prop(object, name);
  if (!p || (p->kind != vcl::tkComponent && p->kind != vcl::tkClass)) return nullptr;
  return vcl::GetObjectProp(object, name, cls);
}

void SetPropByName(vcl::TObject* object, const std::string& name, const std::string& text) {
  const vcl::TPropInfo* p = Prop(object, name);
  if (!p || !p->set_ord) return;
  int64_t value = 0;
  switch (p->kind) {
    case vcl::tkEnumeration:
    case vcl::tkBoolean:
      if (!vcl::IdentToOrd(*p, text, value)) return;
      break;
    case vcl::tkInteger: {
      int number = 0;
      if (!vcl::TryStrToInt(text, number)) return;
      value = number;
      break;
    }
    default:
      return;
  }
  if (value < p->min_ord || value > p->max_ord) return;
  p->set_ord(object, value);
}

void FireMouseDown(TSkinControl* companion, const vcl::TMessage& message) {
  vcl::TControl* control = SkinnedControl(companion);
  if (!control) return;
  vcl::TShiftState shift;
  if (message.WParam & plat::MK_SHIFT) shift.Include(vcl::ssShift);
  if (message.WParam & plat::MK_CONTROL) shift.Include(vcl::ssCtrl);
  const auto x = static_cast<int16_t>(message.LParam & 0xFFFF);
  const auto y = static_cast<int16_t>((message.LParam >> 16) & 0xFFFF);
  MouseAccess::Down(control, shift, x, y);
}

void FillFace(TSkinControl* companion, plat::HDC dc, const TRect& rect) {
  FillColour(dc, rect, companion->SkinData()->Skin().ButtonFace);
}

vcl::TColor ParentColour(TSkinControl* companion, vcl::TColor fallback) {
  vcl::TControl* control = SkinnedControl(companion);
  return control && control->Parent() ? control->Parent()->Color() : fallback;
}

void FillParentColour(TSkinControl* companion, plat::HDC dc, const TRect& rect) {
  FillColour(dc, rect, ParentColour(companion, companion->SkinData()->Skin().ButtonFace));
}

void DrawElementState(TSkinControl*, plat::HDC dc, const TRect& rect, int frames, int frame,
                      TDataSkinObject* element) {
  if (!element || Width(rect) <= 0 || Height(rect) <= 0) return;
  const TRect margins{element->LeftWidth, element->TopHeight, element->RightWidth, element->BottomHeight};
  SkinDrawElement(dc, rect, &element->Bitmap, false, element->Tile == 1, element->Trans == 1, frames, frame,
                  margins);
}

void DrawStripFrame(plat::HDC dc, const TRect& rect, int frames, int frame, vcl::TBitmap* bitmap) {
  SkinDrawFrame(dc, rect, bitmap, true, frames, frame);
}

void DrawStripFrame(vcl::TCanvas* canvas, const TRect& rect, int frames, int frame, vcl::TBitmap* bitmap) {
  if (canvas) SkinDrawFrame(canvas->Handle(), rect, bitmap, true, frames, frame);
}

void DrawGlyphCell(TSkinControl*, vcl::TCanvas* canvas, vcl::TPoint position, int cells, int cell,
                   vcl::TBitmap* bitmap) {
  if (!canvas || !bitmap || bitmap->Empty()) return;
  cells = std::max(cells, 1);
  // The disabled look is grey even where the strip has no cell of its own for it.
  const bool grey = cell == 2;
  if (cell > cells || cell < 1) cell = 1;
  const int w = bitmap->Width() / cells, h = bitmap->Height();
  if (w <= 0) return;
  vcl::TBitmap copy;
  copy.SetPixelFormat(vcl::pf24bit);
  copy.SetSize(w, h);
  plat::BitBlt(copy.Canvas()->Handle(), 0, 0, w, h, bitmap->Canvas()->Handle(), (cell - 1) * w, 0,
               plat::SRCCOPY);
  if (grey) GrayscaleBitmap(copy);
  const vcl::TColor key = copy.Canvas()->Pixels(0, h - 1);
  SkinDrawTransparent(canvas->Handle(), vcl::Bounds(position.x, position.y, w, h), &copy, key);
}

void DrawButtonCaption(TSkinControl* companion, vcl::TCanvas* canvas, const TRect& rect, plat::UINT alignment,
                       const std::string& text) {
  std::string caption = text;
  if (size_t bar = caption.find("||"); bar != std::string::npos) caption.replace(bar, 2, "\r\n");
  companion->CaptionText = caption;
  const plat::UINT flags = alignment | plat::DT_WORDBREAK | plat::DT_EXPANDTABS;
  TRect box{rect.left + 2, rect.top + 2, rect.right - 2, rect.bottom - 2};
  plat::HDC dc = canvas->Handle();
  const int old_mode = plat::SetBkMode(dc, plat::TRANSPARENT);
  box = Measure(canvas, caption, box, flags | plat::DT_NOCLIP);
  box = ButtonCaptionRect(rect, alignment, Width(box), Height(box));
  SkinDrawText(dc, caption, &box, flags);
  plat::SetBkMode(dc, old_mode);
  if (companion->IsFocused && !companion->SkinData()->Options().Contains(xoNoFocusRect)) {
    plat::InflateRect(&box, 2, 2);
    canvas->DrawFocusRect(box);
  }
}

void TakeWindowFont(vcl::TCanvas* canvas, plat::HWND window) {
  auto font = reinterpret_cast<plat::HGDIOBJ>(plat::SendMessageA(window, plat::WM_GETFONT, 0, 0));
  plat::LOGFONTA lf{};
  if (!font || plat::GetObject(font, static_cast<int>(sizeof lf), &lf) != static_cast<int>(sizeof lf)) return;
  vcl::TFont* f = canvas->Font();
  f->SetName(std::string(lf.lfFaceName, strnlen(lf.lfFaceName, sizeof lf.lfFaceName)));
  f->SetHeight(lf.lfHeight);
  vcl::TFontStyles style;
  if (lf.lfWeight >= plat::FW_BOLD) style.Include(vcl::fsBold);
  if (lf.lfItalic) style.Include(vcl::fsItalic);
  if (lf.lfUnderline) style.Include(vcl::fsUnderline);
  f->SetStyle(style);
}

void DrawLabelText(TSkinControl*, vcl::TCanvas* canvas, const TRect& rect, plat::UINT flags, bool enabled,
                   const std::string& text) {
  PlainText(canvas);
  TRect box = Measure(canvas, text, rect, (flags & 0xFFFF) | 0x540);
  const int tw = Width(box), th = Height(box);
  const int top = rect.top + (Height(rect) - th) / 2 - 1;
  if (flags == plat::DT_CENTER)
    box = vcl::Bounds(rect.left + (Width(rect) - tw) / 2, top, tw, th);
  else
    box = TRect{rect.left, top, rect.right, top + th};
  if (!enabled) canvas->Font()->SetColor(vcl::clBtnShadow);
  SkinDrawText(canvas->Handle(), text, &box, flags | plat::DT_EXPANDTABS);
}

void DrawCentredLabel(vcl::TCanvas* canvas, const TRect& rect, const std::string& text, int alignment,
                      bool enabled) {
  static constexpr plat::UINT kAlign[] = {plat::DT_LEFT, plat::DT_RIGHT, plat::DT_CENTER};
  const plat::UINT flags =
      kAlign[alignment >= 0 && alignment <= 2 ? alignment : 0] | plat::DT_SINGLELINE | plat::DT_EXPANDTABS;
  PlainText(canvas);
  TRect box = Measure(canvas, text, rect, flags);
  const int tw = Width(box), th = Height(box);
  box = vcl::Bounds(rect.left + (Width(rect) - tw) / 2, rect.top + (Height(rect) - th) / 2, tw, th);
  if (!enabled) canvas->Font()->SetColor(vcl::clBtnShadow);
  SkinDrawText(canvas->Handle(), text, &box, flags);
}

void DrawImageText(TSkinControl* companion, vcl::TCanvas* canvas, const TRect& rect, int alignment,
                   const std::string& text, int index, vcl::TCustomImageList* images) {
  const int w = Width(rect), h = Height(rect);
  int iw = 0, ih = 0;
  if (images && index >= 0 && index < images->Count() && images->Width() < w) {
    iw = images->Width();
    ih = images->Height();
  }
  const plat::UINT flags = plat::DT_SINGLELINE | plat::DT_EXPANDTABS | plat::DT_END_ELLIPSIS;
  PlainText(canvas);
  int tw = 0, th = 0;
  if (!text.empty()) {
    // Measured whole: an ellipsis would cut it to the empty start rectangle.
    TRect measured = Measure(canvas, text, vcl::Rect(0, 0, 0, 0), flags & ~plat::DT_END_ELLIPSIS);
    tw = Width(measured);
    th = Height(measured);
  }
  const int x = ImageTextLeft(w, iw, tw, alignment);
  if (iw > 0) images->Draw(canvas, rect.left + x, rect.top + (h - ih) / 2, index, companion->IsEnabled);
  if (text.empty()) return;
  TRect box{std::max(rect.left + x + iw, rect.left), rect.top + (h - th) / 2, rect.right, 0};
  box.bottom = box.top + th;
  if (box.left >= box.right) return;
  if (!companion->IsEnabled) canvas->Font()->SetColor(vcl::clBtnShadow);
  SkinDrawText(canvas->Handle(), text, &box, flags);
}

void DrawFocusAroundText(TSkinControl* companion, plat::HDC dc, plat::UINT flags, const TRect& rect) {
  TRect box = rect;
  SkinDrawText(dc, companion->CaptionText, &box, flags | plat::DT_CALCRECT | plat::DT_NOCLIP);
  const int tw = Width(box), th = Height(box);
  if (flags & plat::DT_CENTER)
    box = vcl::Bounds(rect.left + (Width(rect) - tw) / 2, rect.top + (Height(rect) - th) / 2 - 1, tw, th);
  else if (flags & plat::DT_RIGHT)
    box = vcl::Bounds(rect.right - tw, box.top, tw, th);
  plat::InflateRect(&box, 2, 1);
  TRect clipped{};
  if (!plat::IntersectRect(&clipped, &box, &rect)) return;
  plat::DrawFocusRect(dc, &clipped);
}

void DrawArrow(vcl::TCanvas* canvas, int x, int y, int direction) {
  auto line = [canvas](int x1, int y1, int x2, int y2) {
    canvas->MoveTo(x1, y1);
    canvas->LineTo(x2, y2);
  };
  switch (direction) {
    case 0:
      line(x, y, x, y - 1);
      line(x + 1, y + 1, x + 4, y + 4);
      line(x, y + 1, x + 3, y + 4);
      line(x, y + 2, x + 2, y + 4);
      line(x - 1, y + 1, x - 4, y + 4);
      line(x, y + 2, x - 3, y + 4);
      line(x, y + 1, x - 2, y + 4);
      break;
    case 1:
      line(x, y + 3, x, y + 4);
      line(x + 1, y + 2, x + 4, y - 1);
      line(x, y + 2, x + 3, y - 1);
      line(x, y + 1, x + 2, y);
      line(x - 1, y + 2, x - 4, y - 1);
      line(x, y + 2, x - 3, y - 1);
      line(x, y + 1, x - 2, y);
      break;
    case 2:
      canvas->Polyline({{x, y}, {x + 1, y + 2}, {x + 1, y - 2}, {x - 1, y}, {x + 1, y + 2}});
      break;
    case 3:
      canvas->Polyline({{x, y}, {x - 1, y + 2}, {x - 1, y - 2}, {x + 1, y}, {x - 1, y + 2}});
      break;
    default:
      break;
  }
}

void PaintMessage(TSkinControl* companion, vcl::TMessage& message) {
  plat::HWND window = companion->Handle();
  plat::PAINTSTRUCT paint{};
  plat::HDC dc = reinterpret_cast<plat::HDC>(message.WParam);
  const bool own = dc == nullptr;
  if (own) dc = plat::BeginPaint(window, &paint);
  if (!dc) return;
  plat::ScopeExit end([&] {
    if (own) plat::EndPaint(window, &paint);
  });
  plat::RECT r{};
  if (!plat::GetWindowRect(window, &r)) return;
  companion->WindowRect = r;
  companion->DrawControl(dc, vcl::Rect(0, 0, r.right - r.left, r.bottom - r.top));
}

void EraseMessage(TSkinControl* companion, vcl::TMessage& message) {
  auto dc = reinterpret_cast<plat::HDC>(message.WParam);
  if (vcl::TControl* control = SkinnedControl(companion)) {
    SkinPaintParentBackground(control, dc);
  } else {
    plat::RECT client{};
    plat::GetClientRect(companion->Handle(), &client);
    FillParentColour(companion, dc, client);
  }
  message.Result = 1;
}

TRect ButtonCaptionRect(const TRect& rect, plat::UINT alignment, int tw, int th) {
  const int dy = (Height(rect) - th) / 2 - 1;
  if (alignment == plat::DT_CENTER)
    return vcl::Bounds(rect.left + (Width(rect) - tw) / 2, rect.top + dy, tw, th);
  return TRect{rect.left, rect.top + dy, rect.right, rect.top + dy + th};
}

int ImageTextLeft(int width, int image_width, int text_width, int alignment) {
  int x = 3;
  if (alignment == 1) x = (width - image_width - text_width) / 2;
  if (alignment == 2) x = width - image_width - text_width - 2;
  return x < 2 ? 1 : x;
}

bool IsPopupWindow(plat::HWND window) {
  if (!window) return false;
  const auto style = static_cast<plat::DWORD>(plat::GetWindowLongA(window, plat::GWL_STYLE));
  if (style & plat::WS_POPUP) return true;
  // A child window whose parent is the desktop.
  return (style & plat::WS_CHILD) != 0 &&
         plat::GetAncestor(window, plat::GA_PARENT) == plat::GetDesktopWindow();
}

}  // namespace skin
