#include "skin/WinSkinMenuItems.h"

#include <algorithm>

#include "platform/gdi/Colors.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Text.h"
#include "platform/kernel/Resources.h"
#include "platform/kernel/ScopeGuard.h"
#include "platform/user/Bitmaps.h"
#include "platform/user/NonClient.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/ImgList.h"
#include "platform/vcl/Menus.h"
#include "skin/SkinData.h"
#include "skin/SkinDraw.h"
#include "skin/WinSkinData.h"
#include "skin/WinSkinDlg.h"
#include "skin/WinSkinForm.h"
#include "skin/WinSkinMenu.h"

namespace skin {

namespace {

plat::COLORREF Ref(vcl::TColor colour) { return static_cast<plat::COLORREF>(vcl::ColorToRGB(colour)); }

// The system's menu font on the canvas, bold for a default item.
void UseMenuFont(vcl::TCanvas* canvas, bool bold) {
  plat::NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof metrics;
  plat::SystemParametersInfoA(plat::SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  plat::LOGFONTA font = metrics.lfMenuFont;
  if (bold) font.lfWeight = plat::FW_BOLD;
  canvas->Font()->SetHandle(plat::CreateFontIndirectA(&font));
  plat::SelectObject(canvas->Handle(), canvas->Font()->Handle());
}

TDataSkinObject* ItemElement(TSkinData* data) {
  TDataSkinObject* e = data ? data->Skin().MenuItem.get() : nullptr;
  return e && !e->Bitmap.Empty() ? e : nullptr;
}

bool InTree(vcl::TMenuItem* root, const vcl::TMenuItem* wanted) {
  for (int i = 0; i < root->Count(); ++i) {
    vcl::TMenuItem* item = root->Items(i);
    if (item == wanted || InTree(item, wanted)) return true;
  }
  return false;
}

// The caption, or another text, in the item's colours; "-" is an etched
// line 4 pixels below the top.
void DrawItemText(TSkinData* data, const TMenuItemLook& look, plat::HDC dc, plat::UINT flags, bool selected,
                  plat::RECT* rect, std::string text) {
  if ((flags & plat::DT_CALCRECT) && (text.empty() || text == "&")) text += " ";
  if (text == "-") {
    if (flags & plat::DT_CALCRECT) return;
    plat::RECT line{rect->left, rect->top + 4, rect->right, rect->top + 6};
    plat::DrawEdge(dc, &line, plat::EDGE_ETCHED, plat::BF_TOP);
    return;
  }
  TParsedSkin& s = data->Skin();
  vcl::TColor colour = selected ? s.HilightText : s.MenuText;
  if (!look.Enabled)
    colour =
        vcl::ColorToRGB(s.ButtonShadow) == vcl::ColorToRGB(s.MenuText) ? vcl::clBtnShadow : s.ButtonShadow;
  plat::SetBkMode(dc, plat::TRANSPARENT);
  plat::SetTextColor(dc, Ref(colour));
  SkinDrawText(dc, text, rect, flags);
}

// The system's check mark, its ink in `colour`, centred on the square.
void DrawCheckMark(plat::HDC dc, const plat::RECT& square, vcl::TColor colour) {
  plat::HBITMAP mark = plat::LoadBitmapA(nullptr, plat::MAKEINTRESOURCEA(plat::OBM_CHECK));
  if (!mark) return;
  plat::BITMAP info{};
  plat::GetObject(mark, sizeof info, &info);
  plat::HDC mark_dc = plat::CreateCompatibleDC(dc);
  plat::HGDIOBJ old = plat::SelectObject(mark_dc, mark);
  const int x0 = square.left + (square.right - square.left - info.bmWidth) / 2;
  const int y0 = square.top + (square.bottom - square.top - info.bmHeight) / 2;
  for (int y = 0; y < info.bmHeight; ++y)
    for (int x = 0; x < info.bmWidth; ++x)
      if ((plat::GetPixel(mark_dc, x, y) & 0xFFFFFF) == 0) plat::SetPixel(dc, x0 + x, y0 + y, Ref(colour));
  plat::SelectObject(mark_dc, old);
  plat::DeleteDC(mark_dc);
  plat::DeleteObject(mark);
}

// A checked item's image stands on a sunken square of button face and
// highlight dots.
void DrawSunkenSquare(plat::HDC dc, plat::RECT square) {
  const plat::COLORREF face = Ref(vcl::clBtnFace), light = Ref(vcl::clBtnHighlight);
  for (int y = square.top; y < square.bottom; ++y)
    for (int x = square.left; x < square.right; ++x) plat::SetPixel(dc, x, y, ((x + y) & 1) ? light : face);
  plat::DrawEdge(dc, &square, plat::BDR_SUNKENOUTER, plat::BF_RECT);
}

// Glyph square, caption and short-cut of an item within `rect` of the
// canvas.
void DrawItemContent(TSkinData* data, const TMenuItemLook& look, vcl::TCanvas* canvas, bool selected,
                     const vcl::TRect& rect) {
  plat::HDC dc = canvas->Handle();
  TDataSkinObject* e = ItemElement(data);
  const int indent = e ? e->LeftWidth : 0;
  int g = look.Images ? look.Images->Width() : 16;
  if (look.Checked) g = std::max(g, 16);
  const plat::RECT square{rect.left + 1 + indent, rect.top + 1, rect.left + 1 + indent + g, rect.top + 1 + g};
  if (!look.IsLine()) {
    if (look.Images && look.ImageIndex >= 0 && look.ImageIndex < look.Images->Count()) {
      if (look.Checked) DrawSunkenSquare(dc, square);
      look.Images->Draw(canvas, square.left, square.top, look.ImageIndex, look.Enabled);
    } else if (look.Checked) {
      DrawCheckMark(dc, square, data->Skin().ButtonText);
    }
  }
  UseMenuFont(canvas, look.Default);
  const plat::UINT flags = plat::DT_SINGLELINE | plat::DT_EXPANDTABS;
  plat::RECT text{square.right + 3, rect.top, rect.right - 1, rect.bottom};
  if (look.IsLine()) text.left = rect.left;
  plat::RECT measured = text;
  DrawItemText(data, look, dc, flags | plat::DT_CALCRECT, selected, &measured, look.Caption);
  const int th = measured.bottom - measured.top;
  text.top = rect.top + (rect.bottom - rect.top - th) / 2;
  text.bottom = text.top + th;
  DrawItemText(data, look, dc, flags, selected, &text, look.Caption);
  if (!look.ShortCut.empty() && !look.IsLine()) {
    plat::RECT keys{rect.left, text.top, rect.right - 10, text.bottom};
    DrawItemText(data, look, dc, flags | plat::DT_RIGHT, selected, &keys, look.ShortCut);
  }
}

// Frame 2 of the element, bottom-aligned, its edges at the sides and its
// middle stretched between, key colour left out.
void DrawMenuSeparator(TDataSkinObject* e, plat::HDC dc, int w, int h) {
  vcl::TBitmap* bitmap = &e->Bitmap;
  const int fw = bitmap->Width() / 5, ih = bitmap->Height();
  if (fw <= 0 || ih <= 0 || w <= 0 || h <= 0) return;
  const int top = std::max(0, ih - h), sh = ih - top, x0 = fw;
  int lw = std::max(e->LeftWidth, 0), rw = std::max(e->RightWidth, 0);
  if (lw + rw >= fw || lw + rw >= w) lw = rw = 0;
  vcl::TBitmap part;
  part.SetPixelFormat(vcl::pf24bit);
  part.SetSize(w, h);
  plat::HDC pdc = part.Canvas()->Handle();
  plat::HDC src = bitmap->Canvas()->Handle();
  plat::SetStretchBltMode(pdc, plat::COLORONCOLOR);
  if (lw) plat::StretchBlt(pdc, 0, 0, lw, h, src, x0, top, lw, sh, plat::SRCCOPY);
  if (rw) plat::StretchBlt(pdc, w - rw, 0, rw, h, src, x0 + fw - rw, top, rw, sh, plat::SRCCOPY);
  plat::StretchBlt(pdc, lw, 0, w - lw - rw, h, src, x0 + lw, top, fw - lw - rw, sh, plat::SRCCOPY);
  SkinDrawTransparent(dc, vcl::Rect(0, 0, w, h), &part, kSkinKeyColour);
}

}  // namespace

TMenuItemLook LookOfItem(vcl::TMenuItem* item, vcl::TMenu* fallback) {
  TMenuItemLook look;
  look.Caption = item->Caption();
  look.ShortCut = vcl::ShortCutToText(item->ShortCut());
  look.Enabled = item->Enabled();
  look.Checked = item->Checked();
  look.Default = item->Default();
  look.ImageIndex = item->ImageIndex();
  vcl::TMenu* menu = item->GetParentMenu();
  if (!menu) menu = fallback;
  look.Images = menu ? menu->Images() : nullptr;
  if (item->Parent()) look.Menu = item->Parent()->Handle();
  return look;
}

bool ReadPlatformItem(plat::HMENU menu, int position, TPlatformItem& item) {
  plat::MENUITEMINFOA& info = item.Info;
  info = plat::MENUITEMINFOA{};
  info.cbSize = sizeof info;
  info.fMask = plat::MIIM_STATE | plat::MIIM_ID | plat::MIIM_SUBMENU | plat::MIIM_FTYPE | plat::MIIM_STRING |
               plat::MIIM_DATA;
  info.dwTypeData = item.Text;
  info.cch = sizeof item.Text;
  if (!plat::GetMenuItemInfoA(menu, static_cast<plat::UINT>(position), plat::TRUE, &info)) return false;
  item.Text[sizeof item.Text - 1] = '\0';
  return true;
}

TMenuItemLook LookOfPlatformItem(plat::HMENU menu, int position) {
  TMenuItemLook look;
  look.Menu = menu;
  TPlatformItem read;
  if (!ReadPlatformItem(menu, position, read)) return look;
  const plat::MENUITEMINFOA& info = read.Info;
  const char* text = read.Text;
  look.Caption = (info.fType & plat::MFT_SEPARATOR) || !text[0] ? "-" : text;
  look.Enabled = !(info.fState & (plat::MFS_GRAYED | plat::MF_DISABLED));
  look.Checked = (info.fState & plat::MFS_CHECKED) != 0;
  look.Default = (info.fState & plat::MFS_DEFAULT) != 0;
  return look;
}

void SetPlatformMenuOwnerDraw(plat::HMENU menu) {
  const int count = plat::GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    plat::MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = plat::MIIM_STATE | plat::MIIM_SUBMENU | plat::MIIM_FTYPE;
    if (!plat::GetMenuItemInfoA(menu, static_cast<plat::UINT>(i), plat::TRUE, &info)) continue;
    if (info.hSubMenu) SetPlatformMenuOwnerDraw(info.hSubMenu);
    if (info.fType & plat::MFT_OWNERDRAW) continue;
    info.fMask = plat::MIIM_FTYPE;
    info.fType |= plat::MFT_OWNERDRAW;
    plat::SetMenuItemInfoA(menu, static_cast<plat::UINT>(i), plat::TRUE, &info);
  }
}

vcl::TMenuItem* FindMenuItem(vcl::TMenu* menu, plat::ULONG_PTR data, plat::UINT command) {
  if (!menu) return nullptr;
  // The pointer is compared, never followed, until it is found in the tree.
  if (data && InTree(menu->Items(), reinterpret_cast<const vcl::TMenuItem*>(data)))
    return reinterpret_cast<vcl::TMenuItem*>(data);
  return menu->FindItem(command, vcl::fkCommand);
}

void MeasureMenuItem(TSkinData* data, vcl::TMenuItem* item, vcl::TCanvas* canvas, int& width, int& height) {
  item->MeasureDefault(canvas, width, height);
  if (TDataSkinObject* e = ItemElement(data)) width += e->LeftWidth;
  width += 10;
  vcl::TMenu* menu = item->GetParentMenu();
  if (!menu || !menu->Images()) width += 25;
}

void MeasureSystemItem(TSkinData* data, vcl::TMenuItem* item, vcl::TCanvas* canvas, int& width, int& height) {
  // The platform leaves the width to the handler: the caption first.
  item->MeasureDefault(canvas, width, height);
  if (!data) return;
  if (TDataSkinObject* e = ItemElement(data)) width += e->LeftWidth;
  width += 12;
  vcl::TMenu* menu = item->GetParentMenu();
  if (!menu || !menu->Images()) width += 23;
}

void DrawMenuItem(TSkinData* data, const TMenuItemLook& look, plat::HDC dc, bool selected,
                  const vcl::TRect& rect) {
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  if (!data || w <= 0 || h <= 0) return;
  TSkinManage* manager = SkinManager();
  if (manager) manager->MarkMenusFromBar();
  TParsedSkin& s = data->Skin();
  TDataSkinObject* e = ItemElement(data);
  vcl::TBitmap work;
  work.SetPixelFormat(vcl::pf24bit);
  work.SetSize(w, h);
  vcl::TCanvas* canvas = work.Canvas();
  plat::HDC wdc = canvas->Handle();
  const vcl::TRect whole = vcl::Rect(0, 0, w, h);
  if (!e) {
    canvas->Brush()->SetColor(selected ? s.Hilight : s.MenuColour);
    canvas->FillRect(whole);
    DrawItemContent(data, look, canvas, selected, whole);
  } else {
    if (manager) manager->SetMenuOwnerItem(look.Menu);
    // The popup's own background behind the item; an item's rectangle lies
    // inside the popup's 3-pixel frame.
    vcl::TBitmap* background = manager ? manager->MenuBitmapOfItem(look.Menu) : nullptr;
    if (background && !background->Empty()) {
      plat::BitBlt(wdc, 0, 0, w, h, background->Canvas()->Handle(), rect.left + 3, rect.top + 3,
                   plat::SRCCOPY);
    } else {
      canvas->Brush()->SetColor(s.MenuColour);
      canvas->FillRect(whole);
    }
    if (look.IsLine()) {
      DrawMenuSeparator(e, wdc, w, h);
    } else {
      SkinDrawElement(wdc, whole, &e->Bitmap, false, e->Tile == 1, e->Trans == 1, 5, selected ? 4 : 1,
                      vcl::Rect(e->LeftWidth, e->TopHeight, e->RightWidth, e->BottomHeight));
      DrawItemContent(data, look, canvas, selected, whole);
    }
  }
  plat::BitBlt(dc, rect.left, rect.top, w, h, wdc, 0, 0, plat::SRCCOPY);
}

// ---- the class-library menus' handlers ------------------------------------------

namespace {

// The skin data when the manager still knows it; compared, never followed
// before it is found.
TSkinData* LiveSkinData(TSkinData* data) {
  TSkinManage* manager = SkinManager();
  if (!manager || !data) return nullptr;
  for (TSkinData* d : manager->SkinDatas())
    if (d == data) return d;
  return nullptr;
}

// The skin's handlers, told apart from anyone else's by their type. Once
// the skin data is gone they fall back to the plain look.
struct SkinDrawHandler {
  TSkinData* data;
  void operator()(vcl::TObject* sender, vcl::TCanvas* canvas, vcl::TRect rect, bool selected) const {
    auto* item = dynamic_cast<vcl::TMenuItem*>(sender);
    if (!item) return;
    if (TSkinData* live = LiveSkinData(data))
      DrawMenuItem(live, LookOfItem(item, nullptr), canvas->Handle(), selected, rect);
    else
      item->DrawDefault(canvas, rect, selected);
  }
};

struct SkinMeasureHandler {
  TSkinData* data;
  bool popup;  // the popup menus' measuring, else the main menus'
  void operator()(vcl::TObject* sender, vcl::TCanvas* canvas, int& width, int& height) const {
    auto* item = dynamic_cast<vcl::TMenuItem*>(sender);
    if (!item) return;
    UseMenuFont(canvas, false);
    TSkinData* live = LiveSkinData(data);
    if (!live)
      item->MeasureDefault(canvas, width, height);
    else if (popup)
      MeasureSystemItem(live, item, canvas, width, height);
    else
      MeasureMenuItem(live, item, canvas, width, height);
  }
};

bool SkinMeasures(const vcl::TMenuItem* item) {
  return item->OnMeasureItem.target<SkinMeasureHandler>() != nullptr;
}

// Binds or takes away the skin's handlers on the items below `root` from
// `first_depth` on (`root`'s own items have depth 1); notes whether some
// item has a draw handler of someone else's, and whether one had the skin's.
struct Bound {
  bool foreign = false, skin = false;
};
void BindItems(vcl::TMenuItem* root, TSkinData* data, bool on, bool popup, int depth, int first_depth,
               Bound& bound) {
  for (int i = 0; i < root->Count(); ++i) {
    vcl::TMenuItem* item = root->Items(i);
    const bool own_draw = item->OnDrawItem && !HasSkinDrawHandler(item);
    bound.foreign = bound.foreign || own_draw;
    bound.skin = bound.skin || HasSkinDrawHandler(item) || SkinMeasures(item);
    if (on && depth >= first_depth && !own_draw) {
      item->OnDrawItem = SkinDrawHandler{data};
      if (!item->OnMeasureItem || SkinMeasures(item)) item->OnMeasureItem = SkinMeasureHandler{data, popup};
    } else if (!on) {
      if (HasSkinDrawHandler(item)) item->OnDrawItem = nullptr;
      if (SkinMeasures(item)) item->OnMeasureItem = nullptr;
    }
    BindItems(item, data, on, popup, depth + 1, first_depth, bound);
  }
}

// Owner drawing on; off again only where the skin drew and no one else's
// drawing is left.
void SwitchMenu(vcl::TMenu* menu, TSkinData* data, bool on, bool popup) {
  Bound bound;
  BindItems(menu->Items(), data, on, popup, 1, popup ? 1 : 2, bound);
  if (on || (bound.skin && !bound.foreign)) menu->SetOwnerDraw(on);
}

}  // namespace

bool HasSkinDrawHandler(const vcl::TMenuItem* item) {
  return item->OnDrawItem.target<SkinDrawHandler>() != nullptr;
}

void SetMainMenusOwnerDraw(TSkinData* data, vcl::TComponent* form, bool on) {
  if (!form) return;
  for (int i = 0; i < form->ComponentCount(); ++i)
    if (auto* menu = dynamic_cast<vcl::TMainMenu*>(form->Components(i))) SwitchMenu(menu, data, on, false);
}

void SetPopupMenusOwnerDraw(TSkinData* data, vcl::TComponent* owner, bool on) {
  if (!owner || !data || owner->ClassName() == "TwwRichEditForm") return;
  for (int i = 0; i < owner->ComponentCount(); ++i) {
    vcl::TComponent* c = owner->Components(i);
    if (dynamic_cast<vcl::TCustomForm*>(c)) {
      SetPopupMenusOwnerDraw(data, c, on);
    } else if (auto* menu = dynamic_cast<vcl::TPopupMenu*>(c)) {
      // Switching off finds every menu the skin bound, whatever has changed.
      if (on && (menu->Tag() == data->DisableTag() || !data->SkinControls().Contains(xcPopupMenu))) continue;
      SwitchMenu(menu, data, on, true);
    }
  }
}

// ---- the form skin's side -------------------------------------------------------

namespace {

// The position in `menu` of the item a measure or draw request names: a
// submenu item by its data (its command reads 0), any other by command.
int PositionOf(plat::HMENU menu, plat::UINT id, plat::ULONG_PTR item_data) {
  const int count = plat::GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    plat::MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = plat::MIIM_ID | plat::MIIM_DATA | plat::MIIM_SUBMENU;
    if (!plat::GetMenuItemInfoA(menu, static_cast<plat::UINT>(i), plat::TRUE, &info)) continue;
    if (info.hSubMenu ? id == 0 && info.dwItemData == item_data : info.wID == id) return i;
  }
  return -1;
}

// The menu below `menu` (itself included) holding such an item.
plat::HMENU HolderOf(plat::HMENU menu, plat::UINT id, plat::ULONG_PTR item_data, int* position) {
  if (!menu) return nullptr;
  if ((*position = PositionOf(menu, id, item_data)) >= 0) return menu;
  const int count = plat::GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i)
    if (plat::HMENU found = HolderOf(plat::GetSubMenu(menu, i), id, item_data, position)) return found;
  return nullptr;
}

// Commands the class library hands out to items lie in 1..4095; one it does
// not know is left to whoever gave it.
bool LeftToOthers(plat::UINT id) { return id >= 1 && id <= 4095; }

}  // namespace

plat::LRESULT TWinSkinForm::OnMeasureItem(plat::LPARAM lparam, bool& handled) {
  handled = false;
  auto* measure = reinterpret_cast<plat::MEASUREITEMSTRUCT*>(lparam);
  if (!measure || measure->CtlType != plat::ODT_MENU || !had_menu_) return 0;
  TSkinManage* manager = SkinManager();
  vcl::TMenuItem* item = nullptr;
  if (form_) {
    if (manager) manager->MarkMenusFromBar();
    item = FindMenuItem(menu_bar_ ? menu_bar_->Menu() : nullptr, measure->itemData, measure->itemID);
  }
  // A foreign window's items are all ours: it has no class-library menu.
  if (!item && form_ && LeftToOthers(measure->itemID)) return 0;
  int position = -1;
  plat::HMENU holder = item ? nullptr : HolderOf(open_popup_, measure->itemID, measure->itemData, &position);
  if (!item && !holder) return 0;
  plat::HDC dc = plat::GetDC(handle_);
  vcl::TCanvas canvas;
  canvas.SetHandle(dc);
  UseMenuFont(&canvas, false);
  int width = static_cast<int>(measure->itemWidth), height = static_cast<int>(measure->itemHeight);
  if (item) {
    MeasureMenuItem(skin_data_, item, &canvas, width, height);
  } else {
    // Another item: its text.
    const TMenuItemLook look = LookOfPlatformItem(holder, position);
    TDataSkinObject* e = ItemElement(skin_data_);
    if (look.IsLine()) {
      height = 8;
    } else {
      width = canvas.TextWidth(look.Caption) + 26 + (e ? e->LeftWidth : 0);
      height += 4;
    }
  }
  canvas.SetHandle(nullptr);
  plat::ReleaseDC(handle_, dc);
  measure->itemWidth = static_cast<plat::UINT>(std::max(width, 0));
  measure->itemHeight = static_cast<plat::UINT>(std::max(height, 0));
  handled = true;
  return plat::TRUE;
}

plat::LRESULT TWinSkinForm::OnDrawItem(plat::LPARAM lparam, bool& handled) {
  handled = false;
  const auto* draw = reinterpret_cast<const plat::DRAWITEMSTRUCT*>(lparam);
  if (!draw || draw->CtlType != plat::ODT_MENU || !had_menu_) return 0;
  const auto menu = reinterpret_cast<plat::HMENU>(draw->hwndItem);
  TSkinManage* manager = SkinManager();
  if (manager) {
    manager->SetMenuOwnerItem(menu);
    manager->MarkMenusFromBar();
  }
  const bool selected = (draw->itemState & plat::ODS_SELECTED) != 0;
  vcl::TMenu* bar_menu = menu_bar_ ? menu_bar_->Menu() : nullptr;
  vcl::TMenuItem* item = form_ ? FindMenuItem(bar_menu, draw->itemData, draw->itemID) : nullptr;
  TMenuItemLook look;
  if (item) {
    look = LookOfItem(item, bar_menu);
  } else {
    if (form_ && LeftToOthers(draw->itemID)) return 0;
    const int position = PositionOf(menu, draw->itemID, draw->itemData);
    if (position < 0) return 0;
    // Drawn from a plain record: nothing is made for the item.
    look = LookOfPlatformItem(menu, position);
  }
  look.Menu = menu;
  DrawMenuItem(skin_data_, look, draw->hDC, selected, draw->rcItem);
  handled = true;
  return plat::TRUE;
}

void TWinSkinForm::BuildSystemMenu() {
  // Never rebuilt under its own open menu.
  if (system_popup_open_) return;
  system_popup_.reset();
  // The painter may have taken the system-menu style off: the menu read
  // when the skin started serves then.
  plat::HMENU system = plat::GetSystemMenu(handle_, plat::FALSE);
  if (!system && plat::IsMenu(system_menu_)) system = system_menu_;
  if (!system) return;
  system_popup_ = std::make_unique<vcl::TPopupMenu>(nullptr);
  vcl::TPopupMenu* popup = system_popup_.get();
  popup->SetTag(33333);
  popup->SetOwnerDraw(true);
  popup->SetImages(skin_data_->MenuGlyphs());
  const bool maximized = window_state_ == 1, minimized = window_state_ == 2, normal = window_state_ == 0;
  const int count = plat::GetMenuItemCount(system);
  for (int i = 0; i < count; ++i) {
    TPlatformItem read;
    if (!ReadPlatformItem(system, i, read)) continue;
    const plat::MENUITEMINFOA& info = read.Info;
    const char* text = read.Text;
    auto* item = new vcl::TMenuItem(popup);
    item->SetCaption(text[0] && !(info.fType & plat::MFT_SEPARATOR) ? text : "-");
    item->SetTag(static_cast<int>(info.wID));
    // This platform greys an item without its disabled bit.
    bool enabled = (info.fState & plat::MFS_GRAYED) == 0;
    int glyph = -1;
    switch (info.wID) {
      case plat::SC_SIZE:
      case plat::SC_MOVE:
        enabled = !maximized;
        break;
      case plat::SC_MINIMIZE:
        glyph = 2;
        enabled = !minimized && (caption_flags_ & 2);
        break;
      case plat::SC_MAXIMIZE:
        glyph = 1;
        enabled = !maximized && (caption_flags_ & 1);
        break;
      case plat::SC_CLOSE:
        glyph = 3;
        break;
      case plat::SC_RESTORE:
        glyph = 0;
        enabled = !normal;
        break;
      default:
        break;
    }
    item->SetImageIndex(glyph);
    item->SetEnabled(enabled);
    item->SetChecked((info.fState & plat::MFS_CHECKED) != 0);
    item->SetDefault((info.fState & plat::MFS_DEFAULT) != 0);
    const plat::HWND window = handle_;
    const auto command = static_cast<plat::WPARAM>(info.wID);
    item->OnClick = [window, command](vcl::TObject*) {
      if (plat::IsWindow(window)) plat::PostMessageA(window, plat::WM_SYSCOMMAND, command, 0);
    };
    item->OnDrawItem = [this, item](vcl::TObject*, vcl::TCanvas* canvas, vcl::TRect rect, bool selected) {
      DrawMenuItem(skin_data_, LookOfItem(item, nullptr), canvas->Handle(), selected, rect);
    };
    item->OnMeasureItem = [this, item](vcl::TObject*, vcl::TCanvas* canvas, int& width, int& height) {
      UseMenuFont(canvas, false);
      MeasureSystemItem(skin_data_, item, canvas, width, height);
    };
    popup->Items()->Add(item);
  }
}

void TWinSkinForm::PopupSystemMenu(plat::POINT screen) {
  if (TSkinManage* manager = SkinManager()) manager->SetMenuKind(2);
  BuildSystemMenu();
  if (!system_popup_) return;
  system_popup_open_ = true;
  plat::ScopeExit closed([this] { system_popup_open_ = false; });
  // The chosen item posts its command to the window.
  system_popup_->Popup(screen.x, screen.y);
}

}  // namespace skin
