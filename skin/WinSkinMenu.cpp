#include "skin/WinSkinMenu.h"

#include <algorithm>
#include <cctype>

#include "platform/gdi/Text.h"
#include "platform/gdi/TextLayout.h"
#include "platform/user/Cursor.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Hooks.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/NonClient.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "platform/user/Subclass.h"
#include "platform/user/WindowMessages.h"
#include "platform/vcl/Menus.h"
#include "skin/SkinData.h"
#include "skin/SkinDraw.h"
#include "skin/WinSkinData.h"
#include "skin/WinSkinDlg.h"
#include "skin/WinSkinMenuItems.h"

namespace skin {

namespace {

bool Inside(const vcl::TRect& r, plat::POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// The system's menu font, made once per paint.
class MenuFont {
 public:
  MenuFont() {
    plat::NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    plat::SystemParametersInfoA(plat::SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    font_ = plat::CreateFontIndirectA(&metrics.lfMenuFont);
  }
  ~MenuFont() {
    if (font_) plat::DeleteObject(font_);
  }
  MenuFont(const MenuFont&) = delete;
  MenuFont& operator=(const MenuFont&) = delete;
  plat::HFONT Handle() const { return font_; }

 private:
  plat::HFONT font_ = nullptr;
};

int TextWidth(plat::HDC dc, const std::string& text) {
  if (text.empty()) return 0;
  plat::RECT r{0, 0, 0, 0};
  SkinDrawText(dc, text, &r, plat::DT_CALCRECT | plat::DT_SINGLELINE);
  return r.right - r.left;
}

}  // namespace

void TidySeparators(vcl::TMenuItem* item) {
  if (!item) return;
  const int count = item->Count();
  bool seen_visible = false;
  for (int i = 0; i < count; ++i) {
    vcl::TMenuItem* sub = item->Items(i);
    if (!sub->IsLine()) {
      seen_visible = seen_visible || sub->Visible();
      continue;
    }
    // Shown only between visible items, and only the last of a run.
    bool next_visible = false;
    for (int j = i + 1; j < count; ++j) {
      vcl::TMenuItem* after = item->Items(j);
      if (after->IsLine()) break;
      if (after->Visible()) {
        next_visible = true;
        break;
      }
    }
    sub->SetVisible(seen_visible && next_visible);
  }
}

// ---- TMenuBtn ------------------------------------------------------------------

void TMenuBtn::Paint() {
  if (TWinSkinMenu* bar = Form->MenuBarSkin()) bar->PaintButton(*this);
}

// ---- TWinSkinMenu --------------------------------------------------------------

TWinSkinMenu::TWinSkinMenu(TWinSkinForm* form, TSkinData* skin_data, vcl::TMenu* menu)
    : form_(form), skin_data_(skin_data), menu_(menu) {
  background_.SetPixelFormat(vcl::pf24bit);
}

TWinSkinMenu::~TWinSkinMenu() = default;

void TWinSkinMenu::ReadMenu() {
  plat::HMENU menu = plat::GetMenu(form_->Handle());
  if (menu) menu_handle_ = menu;
  if (!menu_handle_) return;
  if (form_->Form() && !menu_) return;
  buttons_.clear();
  const int count = plat::GetMenuItemCount(menu_handle_);
  for (int i = 0; i < count; ++i) {
    TPlatformItem read;
    if (!ReadPlatformItem(menu_handle_, i, read)) continue;
    const plat::MENUITEMINFOA& info = read.Info;
    auto button = std::make_unique<TMenuBtn>(form_);
    button->Index = i;
    button->Popup = info.hSubMenu;
    button->Enabled = !(info.fState & (plat::MF_GRAYED | plat::MF_DISABLED));
    button->Visible = true;
    button->Command = info.wID;
    button->Caption = read.Text;
    if (vcl::TMenuItem* item = menu_ ? menu_->FindItem(info.wID, vcl::fkCommand) : nullptr) {
      button->Caption = item->Caption();
      button->Enabled = item->Enabled();
      button->Item = item;
      button->Popup = item->Count() > 0 ? item->Handle() : nullptr;
    }
    buttons_.push_back(std::move(button));
  }
  if (menu) plat::SetMenu(form_->Handle(), nullptr);
}

void TWinSkinMenu::PaintBar(plat::HDC dc, const vcl::TRect& rect) {
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  if (w <= 0 || h <= 0) return;
  vcl::TBitmap* work = SkinWorkBitmap(w, h);
  if (!work) return;
  plat::HDC wdc = work->Canvas()->Handle();
  TParsedSkin& s = skin_data_->Skin();
  int x = 6;
  if (TDataSkinObject* e = s.MenuBar.get(); e && !e->Bitmap.Empty()) {
    const int frame = form_->IsActive() ? 1 : 2;
    const vcl::TRect margins = vcl::Rect(e->LeftWidth, e->TopHeight, e->RightWidth, e->BottomHeight);
    if (e->Tile == 1)
      SkinDrawElement(wdc, vcl::Rect(0, 0, w, h), &e->Bitmap, true, false, false, 2, frame, margins);
    else
      SkinDrawBand(work->Canvas(), vcl::Rect(0, 0, w, h), &e->Bitmap, true, false, 2, frame, margins);
    x = e->LeftWidth + 4;
    if (w < x) x = 12;
  } else {
    plat::HBRUSH brush =
        plat::CreateSolidBrush(static_cast<plat::COLORREF>(vcl::ColorToRGB(s.MenuBarColour)));
    plat::RECT all{0, 0, w, h};
    plat::FillRect(wdc, &all, brush);
    plat::DeleteObject(brush);
  }
  bar_rect_ = rect;
  background_.SetSize(w, h);
  plat::BitBlt(background_.Canvas()->Handle(), 0, 0, w, h, wdc, 0, 0, plat::SRCCOPY);
  MenuFont font;
  plat::HGDIOBJ old = plat::SelectObject(wdc, font.Handle());
  for (auto& b : buttons_) {
    if (!b->Visible) {
      b->Rect = vcl::TRect{};
      continue;
    }
    const int tw = TextWidth(wdc, b->Caption);
    const int bw = tw ? tw + 10 : 0;
    const vcl::TRect r = vcl::Rect(x, 0, x + bw, h - 1);
    DrawCaption(wdc, *b, r);
    b->Rect = vcl::Rect(r.left + rect.left, r.top + rect.top, r.right + rect.left, r.bottom + rect.top);
    x += bw;
  }
  plat::SelectObject(wdc, old);
  plat::BitBlt(dc, rect.left, rect.top, w, h, wdc, 0, 0, plat::SRCCOPY);
}

void TWinSkinMenu::DrawCaption(plat::HDC dc, const TMenuBtn& button, const vcl::TRect& rect) {
  if (button.Caption.empty()) return;
  TParsedSkin& s = skin_data_->Skin();
  const int old_mode = plat::SetBkMode(dc, plat::TRANSPARENT);
  plat::SetTextColor(
      dc, static_cast<plat::COLORREF>(vcl::ColorToRGB(button.Enabled ? s.MenuBarText : s.ButtonShadow)));
  // Measured, then centred in the button both ways.
  plat::RECT text{0, 0, 0, 0};
  const plat::UINT flags = plat::DT_CENTER | plat::DT_SINGLELINE | plat::DT_EXPANDTABS;
  SkinDrawText(dc, button.Caption, &text, flags | plat::DT_CALCRECT);
  const int tw = text.right - text.left, th = text.bottom - text.top;
  plat::RECT box{rect.left + (rect.right - rect.left - tw) / 2, rect.top + (rect.bottom - rect.top - th) / 2,
                 0, 0};
  box.right = box.left + tw;
  box.bottom = box.top + th;
  SkinDrawText(dc, button.Caption, &box, flags);
  plat::SetBkMode(dc, old_mode);
}

TMenuBtn* TWinSkinMenu::ButtonAt(plat::POINT point) const {
  for (const auto& b : buttons_)
    if (!b->Caption.empty() && Inside(b->Rect, point)) return b.get();
  return nullptr;
}

TMenuBtn* TWinSkinMenu::FindAccelButton(char key) const {
  const char wanted = static_cast<char>(std::tolower(static_cast<unsigned char>(key)));
  if (!wanted) return nullptr;
  for (const auto& b : buttons_)
    if (b->Enabled && b->Visible && plat::MenuMnemonic(b->Caption) == wanted) return b.get();
  return nullptr;
}

void TWinSkinMenu::PaintButton(TMenuBtn& button) {
  const vcl::TRect& r = button.Rect;
  if (r.right <= r.left || r.bottom <= r.top || background_.Empty()) return;
  plat::HDC dc = plat::GetWindowDC(form_->Handle());
  if (!dc) return;
  plat::BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, background_.Canvas()->Handle(),
               r.left - bar_rect_.left, r.top - bar_rect_.top, plat::SRCCOPY);
  if (button.ButtonState == 2 || button.ButtonState == 3) {
    plat::HBRUSH brush = plat::CreateSolidBrush(
        static_cast<plat::COLORREF>(vcl::ColorToRGB(skin_data_->Skin().ButtonHilight)));
    plat::RECT frame{r.left, r.top, r.right, r.bottom};
    plat::FrameRect(dc, &frame, brush);
    plat::DeleteObject(brush);
  }
  MenuFont font;
  plat::HGDIOBJ old = plat::SelectObject(dc, font.Handle());
  DrawCaption(dc, button, r);
  plat::SelectObject(dc, old);
  plat::ReleaseDC(form_->Handle(), dc);
}

// ---- TWinSkinPopMenu ------------------------------------------------------------

namespace {
constexpr plat::UINT_PTR kPopupSubclassId = 0x534D;
}  // namespace

TWinSkinPopMenu::~TWinSkinPopMenu() { Detach(); }

void TWinSkinPopMenu::Attach(plat::HWND window, TSkinData* skin_data, plat::HMENU menu) {
  if (attached_) return;
  handle_ = window;
  skin_data_ = skin_data;
  owner_menu_ = menu;
  from_bar_ = false;
  attached_ = plat::SetWindowSubclass(window, &TWinSkinPopMenu::SubclassProc, kPopupSubclassId,
                                      reinterpret_cast<plat::DWORD_PTR>(this)) != 0;
}

void TWinSkinPopMenu::Detach() {
  if (!attached_) return;
  plat::RemoveWindowSubclass(handle_, &TWinSkinPopMenu::SubclassProc, kPopupSubclassId);
  attached_ = false;
  background_.reset();
}

plat::LRESULT TWinSkinPopMenu::SubclassProc(plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam,
                                            plat::LPARAM lparam, plat::UINT_PTR, plat::DWORD_PTR ref) {
  auto* self = reinterpret_cast<TWinSkinPopMenu*>(ref);
  if (!self->attached_) return plat::DefSubclassProc(hwnd, message, wparam, lparam);
  ++self->depth_;
  struct Leave {
    int& depth;
    ~Leave() { --depth; }
  } leave{self->depth_};
  return self->WindowProc(message, wparam, lparam);
}

bool TWinSkinPopMenu::PrepareBackground(vcl::TRect& rect) {
  if (!skin_data_ || skin_data_->NotLoaded()) return false;
  TDataSkinObject* e = skin_data_->Skin().MenuBackground.get();
  if (!e || e->Bitmap.Empty()) return false;
  plat::RECT window{};
  plat::GetWindowRect(handle_, &window);
  rect = vcl::Rect(0, 0, window.right - window.left, window.bottom - window.top);
  background_ =
      SkinRenderImage(rect, &e->Bitmap, vcl::Rect(e->LeftWidth, e->TopHeight, e->RightWidth, e->BottomHeight),
                      false, e->Tile != 1, std::max(e->Frame, 1), 1);
  return background_ != nullptr;
}

vcl::TBitmap* TWinSkinPopMenu::Background() {
  if (!attached_) return nullptr;
  plat::RECT window{};
  plat::GetWindowRect(handle_, &window);
  if (background_ && background_->Width() == window.right - window.left &&
      background_->Height() == window.bottom - window.top)
    return background_.get();
  vcl::TRect rect;
  return PrepareBackground(rect) ? background_.get() : nullptr;
}

plat::LRESULT TWinSkinPopMenu::WindowProc(plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam) {
  if (message == SKM_ISSKINNED) return 1;
  TSkinManage* manager = SkinManager();
  if (!manager || !manager->Active()) return plat::DefSubclassProc(handle_, message, wparam, lparam);
  switch (message) {
    case plat::WM_DESTROY: {
      const plat::HWND window = handle_;
      Detach();
      return plat::DefSubclassProc(window, message, wparam, lparam);
    }
    case plat::WM_ERASEBKGND:
      if (!skin_data_->Options().Contains(xoMenuBG)) plat::DefSubclassProc(handle_, message, wparam, lparam);
      return 1;
    case plat::WM_NCPAINT: {
      vcl::TRect rect;
      if (!PrepareBackground(rect)) return plat::DefSubclassProc(handle_, message, wparam, lparam);
      // Region 1 means the whole frame.
      const auto region = wparam > 1 ? reinterpret_cast<plat::HRGN>(wparam) : nullptr;
      plat::HDC dc =
          plat::GetDCEx(handle_, region, plat::DCX_WINDOW | (region ? plat::DCX_INTERSECTRGN : 0u));
      if (!dc) return 0;
      plat::HDC src = background_->Canvas()->Handle();
      const int w = rect.right, h = rect.bottom;
      plat::BitBlt(dc, 0, 0, w, 3, src, 0, 0, plat::SRCCOPY);
      plat::BitBlt(dc, 0, h - 3, w, 3, src, 0, h - 3, plat::SRCCOPY);
      plat::BitBlt(dc, 0, 0, 3, h, src, 0, 0, plat::SRCCOPY);
      plat::BitBlt(dc, w - 3, 0, 3, h, src, w - 3, 0, plat::SRCCOPY);
      plat::ReleaseDC(handle_, dc);
      return 0;
    }
    case plat::WM_PRINT: {
      vcl::TRect rect;
      if (!PrepareBackground(rect)) return plat::DefSubclassProc(handle_, message, wparam, lparam);
      auto dc = reinterpret_cast<plat::HDC>(wparam);
      plat::BitBlt(dc, 0, 0, rect.right, rect.bottom, background_->Canvas()->Handle(), 0, 0, plat::SRCCOPY);
      const int old_mode = plat::SetBkMode(dc, plat::TRANSPARENT);
      plat::HRGN clip = plat::CreateRectRgn(3, 3, rect.right - 3, rect.bottom - 3);
      plat::SelectClipRgn(dc, clip);
      const plat::LRESULT r = plat::DefSubclassProc(handle_, message, wparam, lparam);
      plat::SelectClipRgn(dc, nullptr);
      plat::DeleteObject(clip);
      plat::SetBkMode(dc, old_mode);
      return r;
    }
    default:
      return plat::DefSubclassProc(handle_, message, wparam, lparam);
  }
}

// ---- following an open bar popup ----------------------------------------------

namespace {

// One bar popup is open at a time on the main thread.
struct Tracking {
  plat::HHOOK hook = nullptr;
  TWinSkinForm* form = nullptr;
  int open_index = -1;
  plat::HMENU open_popup = nullptr;
  plat::POINT last_mouse{};
  bool first = false;
  // The button to open once the open popup has closed, or -1.
  int next = -1;
};
Tracking& Track() {
  static Tracking t;
  return t;
}

// The innermost highlighted item below the open popup: its menu and
// position, or no menu when nothing is selected.
void SelectedItem(plat::HMENU popup, plat::HMENU* menu, int* index) {
  *menu = nullptr;
  *index = -1;
  for (plat::HMENU m = popup; m;) {
    int hilite = -1;
    const int count = plat::GetMenuItemCount(m);
    for (int i = 0; i < count && hilite < 0; ++i)
      if (plat::GetMenuState(m, static_cast<plat::UINT>(i), plat::MF_BYPOSITION) & plat::MF_HILITE)
        hilite = i;
    if (hilite < 0) return;
    *menu = m;
    *index = hilite;
    m = plat::GetSubMenu(m, hilite);
  }
}

// The next (step 1) or previous (-1) button a press could reach, wrapping.
int StepButton(const TWinSkinMenu& bar, int from, int step) {
  const auto& buttons = bar.BarButtons();
  const int n = static_cast<int>(buttons.size());
  for (int k = 1; k <= n; ++k) {
    const int i = ((from + step * k) % n + n) % n;
    const TMenuBtn& b = *buttons[static_cast<size_t>(i)];
    if (b.Visible && !b.Caption.empty() && b.Rect.right > b.Rect.left) return i;
  }
  return -1;
}

plat::LRESULT MenuFilter(int code, plat::WPARAM wparam, plat::LPARAM lparam) {
  Tracking& t = Track();
  const plat::LRESULT next = plat::CallNextHookEx(t.hook, code, wparam, lparam);
  if (next || code != plat::MSGF_MENU || !t.form) return next;
  auto* msg = reinterpret_cast<plat::MSG*>(lparam);
  TWinSkinMenu* bar = t.form->MenuBarSkin();
  if (!msg || !bar) return 0;
  if (t.first) {
    t.first = false;
    plat::PostMessageA(msg->hwnd, plat::WM_KEYDOWN, plat::VK_DOWN, 0);
  }
  int found = -1;
  switch (msg->message) {
    case plat::WM_KEYDOWN: {
      plat::HMENU menu = nullptr;
      int index = -1;
      SelectedItem(t.open_popup, &menu, &index);
      if (msg->wParam == plat::VK_RIGHT) {
        if (!menu || !plat::GetSubMenu(menu, index)) found = StepButton(*bar, t.open_index, 1);
      } else if (msg->wParam == plat::VK_LEFT) {
        if (!menu || menu == t.open_popup) found = StepButton(*bar, t.open_index, -1);
      }
      break;
    }
    case plat::WM_SYSKEYDOWN:
      if (msg->wParam == plat::VK_MENU) t.form->SetMenuTracking(false);
      return 0;
    case plat::WM_MOUSEMOVE:
    case plat::WM_NCMOUSEMOVE:
      if (msg->pt.x != t.last_mouse.x || msg->pt.y != t.last_mouse.y) {
        t.last_mouse = msg->pt;
        if (TMenuBtn* b = bar->ButtonAt(t.form->ToWindowPoint(msg->pt))) found = b->Index;
      }
      break;
    default:
      break;
  }
  if (found < 0 || found == t.open_index) return 0;
  // This menu loop keeps the press that would close it, so the popup is
  // ended here and the next button pressed once it has closed.
  t.next = found;
  plat::PostMessageA(t.form->Handle(), plat::WM_CANCELMODE, 0, 0);
  return 1;
}

}  // namespace

TNCObject* TWinSkinForm::NCObjectAt(plat::POINT point) {
  if (TNCObject* object = ObjectAt(point)) return object;
  return menu_bar_ ? menu_bar_->ButtonAt(point) : nullptr;
}

void TWinSkinForm::ClickMenuButton(const TMenuBtn& button) {
  plat::RECT window{};
  plat::GetWindowRect(handle_, &window);
  const int x = window.left + button.Rect.left + 1, y = window.top + button.Rect.top + 1;
  plat::PostMessageA(
      handle_, plat::WM_NCLBUTTONDOWN, plat::HTCLIENT,
      static_cast<plat::LPARAM>(plat::MAKELONG(static_cast<plat::WORD>(x), static_cast<plat::WORD>(y))));
}

bool TWinSkinForm::OpenMenuButton(TMenuBtn& button) {
  // A foreign window's popup button has no click to run: its window is
  // told nothing it could take for a command of its own.
  if (!button.Popup || button.Item) plat::PostMessageA(handle_, plat::WM_COMMAND, button.Command, 0);
  if (!button.Popup) return false;
  Tracking& t = Track();
  if (t.form) return false;  // one bar popup at a time
  TidySeparators(button.Item);
  // The skin draws every item of the popup and of its submenus.
  SetPlatformMenuOwnerDraw(button.Popup);
  t.form = this;
  t.open_index = button.Index;
  t.open_popup = button.Popup;
  t.next = -1;
  menu_tracking_ = true;
  open_popup_ = button.Popup;
  plat::RECT window{};
  plat::GetWindowRect(handle_, &window);
  const int x = window.left + button.Rect.left, y = window.top + button.Rect.bottom;
  if (TSkinManage* manager = SkinManager()) {
    manager->SetMenuKind(1);
    manager->SetMenuFromBar(true);
  }
  const plat::HMENU popup = button.Popup;
  const bool enabled = button.Enabled;
  t.first = true;
  plat::GetCursorPos(&t.last_mouse);
  t.hook = plat::SetWindowsHookExA(plat::WH_MSGFILTER, &MenuFilter, nullptr, plat::GetCurrentThreadId());
  // The modal loop dispatches messages: the bar's buttons may be read anew
  // meanwhile, so `button` is not touched after it. This form skin stays, as
  // its handlers are running.
  if (enabled) plat::TrackPopupMenu(popup, plat::TPM_RIGHTBUTTON, x, y, 0, handle_, nullptr);
  if (t.hook) plat::UnhookWindowsHookEx(t.hook);
  open_popup_ = nullptr;
  const int next = t.next;
  t = Tracking{};
  menu_tracking_ = false;
  if (next >= 0 && menu_bar_ && next < static_cast<int>(menu_bar_->BarButtons().size()) &&
      plat::IsWindow(handle_)) {
    if (hot_) hot_->DoLeave();
    ClickMenuButton(*menu_bar_->BarButtons()[static_cast<size_t>(next)]);
  } else if (hot_ && menu_bar_) {
    // The popup has closed: the pressed button is let go unless the mouse
    // is still on it.
    HoverTick();
  }
  return true;
}

}  // namespace skin
