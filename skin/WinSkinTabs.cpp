#include "skin/WinSkinTabs.h"

#include <algorithm>
#include <string>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/TextLayout.h"
#include "platform/kernel/ScopeGuard.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "platform/user/TabControl.h"
#include "platform/user/UpDown.h"
#include "platform/user/Window.h"
#include "platform/user/WindowMessages.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/Tabs.h"
#include "skin/ImgUtil.h"
#include "skin/SkinData.h"
#include "skin/SkinDraw.h"
#include "skin/SkinRects.h"
#include "skin/WinSkinBoxes.h"
#include "skin/WinSkinData.h"
#include "skin/WinSkinDlg.h"
#include "skin/WinSkinForm.h"
#include "skin/WinSkinUpDown.h"
#include "skin/WinSubClassPaint.h"

namespace skin {

namespace {

using vcl::TRect;

// The first child window of the up-down class.
plat::HWND FindUpDownChild(plat::HWND parent) {
  for (plat::HWND c = plat::GetWindow(parent, plat::GW_CHILD); c; c = plat::GetWindow(c, plat::GW_HWNDNEXT)) {
    char name[64] = {};
    plat::GetClassNameA(c, name, static_cast<int>(sizeof name));
    if (vcl::LowerCase(name) == "msctls_updown32") return c;
  }
  return nullptr;
}

// The scroll arrows of the companion's window. Arrows without a companion
// of their own get one, which the form skin owns; none is remembered here,
// as the arrows' window may go (and its companion with it) at any time.
plat::HWND SkinnedArrows(TSkinControl* owner) {
  if (!owner->Handle() || owner->SkinState() == kSkinWindowGone) return nullptr;
  plat::HWND arrows = FindUpDownChild(owner->Handle());
  if (!arrows || !owner->SkinForm() || plat::SendMessageA(arrows, SKM_ISSKINNED, 0, 0) == 1) return arrows;
  auto* skin = new TSkinUpDown();
  skin->AttachWindow(arrows, owner->SkinData(), owner->SkinForm(), owner->WorkCanvas);
  return arrows;
}

}  // namespace

// ----------------------------------------------------------------- TSkinTab

int TSkinTab::TabSideOfStyle(plat::DWORD style) {
  if (style & plat::TCS_VERTICAL) return (style & plat::TCS_RIGHT) ? 3 : 2;
  return (style & plat::TCS_BOTTOM) ? 1 : 0;
}

TRect TSkinTab::StripTabRect(int side, const TRect& r, const TRect& rect, const TRect& pane,
                             int strip_width) {
  switch (side) {
    case 0:
      return TRect{r.left, r.top + 1, r.right, r.bottom + 1};
    case 1:
      return TRect{r.left, r.top - pane.bottom - 1, r.right, r.bottom - pane.bottom - 1};
    case 2:
      return TRect{strip_width - r.bottom, r.left, strip_width - r.top, r.right};
    default:
      // Turned right afterwards: a strip row becomes the column counted
      // from the control's right edge.
      return TRect{r.top - 1, rect.right - r.right, r.bottom - 1, rect.right - r.left};
  }
}

void TSkinTab::AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                             vcl::TCanvas* canvas) {
  if (Attached()) return;
  TSkinControl::AttachControl(skin_form, skin_data, use_skin_colour, canvas);
  if (!Attached() || !Handle()) return;
  auto* pages = dynamic_cast<vcl::TPageControl*>(Control());
  ShowCloseButtons = pages && pages->Tag() == kSkinTabCloseTag && pages->TabPosition() == vcl::tpTop;
  AttachParts();
}

void TSkinTab::AttachWindow(plat::HWND handle, TSkinData* skin_data, TWinSkinForm* skin_form,
                            vcl::TCanvas* canvas) {
  TSkinControl::AttachWindow(handle, skin_data, skin_form, canvas);
  IsFocused = plat::GetFocus() == handle;
  ShowCloseButtons = false;
  AttachParts();
}

void TSkinTab::AttachParts() {
  IsEnabled = (StyleOf(Handle()) & plat::WS_DISABLED) == 0;
  PrepareImages();
  ScrollArrows(nullptr);
  SkinActive = true;
}

void TSkinTab::RefreshSkin() {
  if (SkinState() != kSkinWindowGone && Handle()) PrepareImages();
  TSkinControl::RefreshSkin();
}

bool TSkinTab::HasTabImage() const {
  const TDataSkinBorder* tabs = skin_data_ ? skin_data_->Skin().Tabs.get() : nullptr;
  return tabs && !tabs->Bitmap.Empty();
}

void TSkinTab::PrepareImages() {
  TabSide = TabSideOfStyle(StyleOf(Handle()));
  TabImage.Assign(nullptr);
  PaneImage.Assign(nullptr);
  if (!skin_data_) return;
  TParsedSkin& skin = skin_data_->Skin();
  TDataSkinBorder* tabs = skin.Tabs.get();
  if (!tabs) return;
  if (!tabs->Bitmap.Empty()) TabImage.Assign(&tabs->Bitmap);
  if (tabs->Style == 0 && !tabs->Bitmap2.Empty())
    PaneImage.Assign(&tabs->Bitmap2);
  else if (tabs->Style == 1 && skin.TabPane && !skin.TabPane->Bitmap.Empty())
    PaneImage.Assign(&skin.TabPane->Bitmap);
  for (vcl::TBitmap* b : {&TabImage, &PaneImage})
    if (!b->Empty()) b->SetPixelFormat(vcl::pf24bit);
  if (TabSide == 1) {
    if (!TabImage.Empty()) FlipBitmap(TabImage);
    if (!PaneImage.Empty()) FlipBitmap(PaneImage);
  } else if (TabSide == 2 && !PaneImage.Empty()) {
    RotateBitmapLeft(PaneImage);
  } else if (TabSide == 3 && !PaneImage.Empty()) {
    RotateBitmapRight(PaneImage);
  }
}

plat::HWND TSkinTab::ScrollArrows(bool* visible) {
  plat::HWND arrows = SkinnedArrows(this);
  if (visible) *visible = arrows && (StyleOf(arrows) & plat::WS_VISIBLE) != 0;
  return arrows;
}

bool TSkinTab::PreProcessMessage(vcl::TMessage& message) {
  switch (message.Msg) {
    case plat::WM_PAINT:
      // Without tab pictures the control paints itself.
      if (!HasTabImage()) break;
      PaintMessage(this, message);
      return false;
    case plat::WM_LBUTTONDOWN:
      if (CloseMarkClicked(message)) return false;
      break;
    default:
      break;
  }
  return TSkinControl::PreProcessMessage(message);
}

bool TSkinTab::CloseMarkClicked(vcl::TMessage& message) {
  if (!ShowCloseButtons) return false;
  const plat::POINT p{plat::GET_X_LPARAM(message.LParam), plat::GET_Y_LPARAM(message.LParam)};
  std::vector<int> hits;
  for (size_t i = 0; i < CloseRects.size(); ++i) {
    const plat::RECT r = CloseRects[i];
    if (plat::PtInRect(&r, p)) hits.push_back(static_cast<int>(i));
  }
  if (hits.empty()) return false;
  // The marks belong to the pages as they were painted: freeing one page
  // renumbers the rest, so the pages are taken first.
  std::vector<vcl::TTabSheet*> pages;
  if (auto* control = dynamic_cast<vcl::TPageControl*>(Control()))
    for (int i : hits) pages.push_back(i < control->PageCount() ? control->Pages(i) : nullptr);
  const plat::HWND tab_window = Handle();
  for (size_t k = 0; k < hits.size(); ++k) {
    const plat::HWND target = skin_form_ ? skin_form_->Handle() : nullptr;
    const plat::LRESULT answer =
        target ? plat::SendMessageA(target, SKM_TABCLOSE, reinterpret_cast<plat::WPARAM>(tab_window), hits[k])
               : 0;
    if (answer != 0 || Retired() || SkinState() == kSkinWindowGone) continue;
    auto* control = dynamic_cast<vcl::TPageControl*>(Control());
    if (!control || !pages[k]) continue;
    for (int i = 0; i < control->PageCount(); ++i)
      if (control->Pages(i) == pages[k]) {
        delete pages[k];
        break;
      }
  }
  message.Result = 0;
  return true;
}

void TSkinTab::DrawControl(plat::HDC dc, const TRect& rect) {
  if (!HasTabImage() || !Handle()) return;
  TParsedSkin& skin = skin_data_->Skin();
  TDataSkinBorder* tabs = skin.Tabs.get();
  TabSide = TabSideOfStyle(StyleOf(Handle()));
  IsEnabled = (StyleOf(Handle()) & plat::WS_DISABLED) == 0;

  // The display area with its frame, touching the tabs.
  plat::RECT adjusted = rect;
  plat::SendMessageA(Handle(), plat::TCM_ADJUSTRECT, plat::FALSE, reinterpret_cast<plat::LPARAM>(&adjusted));
  TRect pane = adjusted;
  plat::InflateRect(&pane, 4, 4);
  switch (TabSide) {
    case 0:
      pane.top += 1;
      break;
    case 1:
      pane.bottom -= 1;
      break;
    case 2:
      pane.left += 1;
      break;
    default:
      pane.right -= 1;
      break;
  }
  const int count = static_cast<int>(plat::SendMessageA(Handle(), plat::TCM_GETITEMCOUNT, 0, 0));
  const int focus = static_cast<int>(plat::SendMessageA(Handle(), plat::TCM_GETCURFOCUS, 0, 0));
  CloseRects.assign(static_cast<size_t>(std::max(count, 0)), TRect{});

  TRect strip = rect;
  switch (TabSide) {
    case 0:
      strip.bottom = pane.top;
      break;
    case 1:
      strip.top = pane.bottom;
      break;
    case 2:
      strip.right = pane.left;
      break;
    default:
      strip.left = pane.right;
      break;
  }
  const bool lying = TabSide >= 2;
  const int sw = lying ? Height(strip) : Width(strip), sh = lying ? Width(strip) : Height(strip);

  // The arrows keep their own picture.
  const int saved = plat::SaveDC(dc);
  plat::ScopeExit restore([&] { plat::RestoreDC(dc, saved); });
  bool arrows_shown = false;
  if (plat::HWND arrows = ScrollArrows(&arrows_shown); arrows && arrows_shown) {
    plat::RECT a{};
    plat::GetWindowRect(arrows, &a);
    plat::MapWindowPoints(nullptr, Handle(), reinterpret_cast<plat::POINT*>(&a), 2);
    plat::ExcludeClipRect(dc, a.left, a.top, a.right, a.bottom);
  }
  // Outside the tabs and the pane picture the control shows the face.
  FillFace(this, dc, rect);
  if (sw > 0 && sh > 0) {
    StripBitmap.SetPixelFormat(vcl::pf24bit);
    StripBitmap.SetSize(sw, sh);
    vcl::TCanvas* canvas = StripBitmap.Canvas();
    canvas->Brush()->SetStyle(vcl::bsSolid);
    canvas->Brush()->SetColor(skin.ButtonFace);
    canvas->FillRect(vcl::Rect(0, 0, sw, sh));
    for (int i = 0; i < count; ++i) {
      char text[81] = {};
      plat::TCITEMA item;
      item.mask = plat::TCIF_TEXT | plat::TCIF_IMAGE | plat::TCIF_STATE;
      item.pszText = text;
      item.cchTextMax = static_cast<int>(sizeof text);
      plat::SendMessageA(Handle(), plat::TCM_GETITEMA, static_cast<plat::WPARAM>(i),
                         reinterpret_cast<plat::LPARAM>(&item));
      plat::RECT got{};
      if (!plat::SendMessageA(Handle(), plat::TCM_GETITEMRECT, static_cast<plat::WPARAM>(i),
                              reinterpret_cast<plat::LPARAM>(&got)))
        continue;
      const TRect r = StripTabRect(TabSide, got, rect, pane, sw);
      const int frame = i == focus ? 2 : 1;
      SkinDrawElement(canvas->Handle(), r, &TabImage, false, tabs->Tile == 1, tabs->Trans == 1,
                      std::max(tabs->Frame, 1), frame, Margins(*tabs));
      if (ShowCloseButtons) {
        const TRect mark{r.right - 8, r.top + 2, r.right - 2, r.top + 8};
        canvas->Brush()->SetStyle(vcl::bsClear);
        canvas->Rectangle(mark);
        canvas->MoveTo(mark.left, mark.top);
        canvas->LineTo(mark.right, mark.bottom);
        canvas->MoveTo(mark.right - 1, mark.top);
        canvas->LineTo(mark.left - 1, mark.bottom);
        // Marks are only shown with the tabs at the top, where the strip
        // starts at the window's origin.
        CloseRects[static_cast<size_t>(i)] = mark;
      }
      TakeWindowFont(canvas, Handle());
      canvas->Font()->SetColor(frame == 1 ? tabs->NormalColour2 : tabs->MouseOverColour2);
      DrawImageText(this, canvas, r, 1, text, item.iImage, nullptr);
    }
    if (TabSide == 3) RotateBitmapRight(StripBitmap);
    if (TabSide == 2) RotateBitmapLeft(StripBitmap);

    plat::BitBlt(dc, strip.left, strip.top, Width(strip), Height(strip), StripBitmap.Canvas()->Handle(), 0, 0,
                 plat::SRCCOPY);
  }
  if (!PaneImage.Empty()) {
    const TDataSkinObject* pane_element = skin.TabPane.get();
    const TRect margins = tabs->Style != 0 && pane_element ? Margins(*pane_element) : TRect{4, 5, 4, 4};
    SkinDrawElement(dc, pane, &PaneImage, false, false, false, 1, 1, margins);
  }
  if (Control() && Mode == 2) PaintWindowlessChildren(Control(), dc);
}

// --------------------------------------------------------------- TSkinTab31

void TSkinTab31::AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                               vcl::TCanvas* canvas) {
  if (Attached()) return;
  TSkinControl::AttachControl(skin_form, skin_data, use_skin_colour, canvas);
  if (Attached()) PrepareImage();
}

void TSkinTab31::RefreshSkin() {
  PrepareImage();
  TSkinControl::RefreshSkin();
}

void TSkinTab31::PrepareImage() {
  TabImage.Assign(nullptr);
  const TDataSkinBorder* tabs = skin_data_ ? skin_data_->Skin().Tabs.get() : nullptr;
  if (!tabs || tabs->Bitmap.Empty()) return;
  TabImage.Assign(&tabs->Bitmap);
  TabImage.SetPixelFormat(vcl::pf24bit);
  FlipBitmap(TabImage);
}

bool TSkinTab31::PreProcessMessage(vcl::TMessage& message) {
  switch (message.Msg) {
    case plat::WM_PAINT:
      // The tab set's own painting follows on a validated window, and the
      // picture is drawn once more after it.
      PaintMessage(this, message);
      return true;
    case plat::WM_ERASEBKGND:
      message.Result = 1;
      return false;
    default:
      return TSkinControl::PreProcessMessage(message);
  }
}

void TSkinTab31::DrawControl(plat::HDC dc, const TRect& rect) {
  auto* set = dynamic_cast<vcl::TTabSet*>(LiveControl());
  const TDataSkinBorder* tabs = skin_data_ ? skin_data_->Skin().Tabs.get() : nullptr;
  const int w = Width(rect), h = Height(rect);
  if (!set || !tabs || TabImage.Empty() || w <= 0 || h <= 0) return;
  IsEnabled = set->Enabled();
  vcl::TBitmap work;
  work.SetPixelFormat(vcl::pf24bit);
  work.SetSize(w, h);
  vcl::TCanvas* canvas = work.Canvas();
  canvas->Brush()->SetColor(skin_data_->Skin().ButtonFace);
  canvas->FillRect(vcl::Rect(0, 0, w, h));
  canvas->Font()->Assign(set->Font());
  // The tab set's own layout, so that the picture and its clicks agree.
  for (int i = set->FirstIndex(); i < set->Tabs()->Count(); ++i) {
    const TRect r = set->ItemRect(i);
    if (r.right <= r.left) break;
    const TRect tab{r.left, 0, r.right, h};
    const int frame = i == set->TabIndex() ? 2 : 1;
    SkinDrawElement(canvas->Handle(), tab, &TabImage, false, tabs->Tile == 1, tabs->Trans == 1,
                    std::max(tabs->Frame, 1), frame, Margins(*tabs));
    canvas->Font()->SetColor(frame == 1 ? tabs->NormalColour2 : tabs->MouseOverColour2);
    DrawLabelText(this, canvas, tab, plat::DT_CENTER | plat::DT_VCENTER | plat::DT_SINGLELINE, IsEnabled,
                  set->Tabs()->Strings(i));
  }
  plat::BitBlt(dc, rect.left, rect.top, w, h, canvas->Handle(), 0, 0, plat::SRCCOPY);
}

// ------------------------------------------------------------- TSkinAdvPage

void TSkinAdvPage::AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                                 vcl::TCanvas* canvas) {
  if (Attached()) return;
  TSkinControl::AttachControl(skin_form, skin_data, use_skin_colour, canvas);
  if (Attached()) Apply();
}

void TSkinAdvPage::RefreshSkin() {
  Apply();
  TSkinControl::RefreshSkin();
}

void TSkinAdvPage::Apply() {
  vcl::TControl* control = LiveControl();
  TDataSkinBorder* tabs = skin_data_ ? skin_data_->Skin().Tabs.get() : nullptr;
  if (PageKind != 4 || !control || !tabs) return;
  const char* properties[] = {"TabBackGround", "TabBackGroundActive"};
  for (int frame = 1; frame <= 2; ++frame) {
    auto* target = dynamic_cast<vcl::TBitmap*>(
        GetObjectPropByName(control, properties[frame - 1], vcl::TBitmap::StaticClass()));
    if (!target) continue;
    if (auto image = SkinRenderImage(vcl::Rect(0, 0, 100, 21), &tabs->Bitmap, Margins(*tabs), false,
                                     tabs->Tile == 1, std::max(tabs->Frame, 1), frame))
      target->Assign(image.get());
  }
  control->Invalidate();
}

void TSkinAdvPage::Unskin() {
  if (vcl::TControl* control = LiveControl()) {
    for (const char* name : {"TabBackGround", "TabBackGroundActive"})
      if (auto* target =
              dynamic_cast<vcl::TBitmap*>(GetObjectPropByName(control, name, vcl::TBitmap::StaticClass())))
        target->Assign(nullptr);
  }
  TSkinControl::Unskin();
}

void TSkinAdvPage::DrawControl(plat::HDC, const TRect&) { SkinnedArrows(this); }

}  // namespace skin
