#include "platform/vcl/Menus.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <set>

#include "platform/gdi/Colors.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/Lists.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/UtilWindow.h"

namespace vcl {

namespace {

// Commands of live items, from 100 up. WM_COMMAND carries a command in 16
// bits, so freed commands are handed out again (the lowest first) rather than
// counting on past 65535, where a program that makes and frees items as it
// runs would get commands no click can reach.
class CommandPool {
 public:
  static constexpr plat::UINT kFirst = 100;
  static constexpr plat::UINT kLast = 0xFFFF;

  plat::UINT Take() {
    std::lock_guard lock(mutex_);
    if (!free_.empty()) {
      const plat::UINT command = *free_.begin();
      free_.erase(free_.begin());
      return command;
    }
    // Every command in use: the item gets none and cannot be chosen.
    if (next_ > kLast) return 0;
    return next_++;
  }
  void Give(plat::UINT command) {
    if (command < kFirst || command > kLast) return;
    std::lock_guard lock(mutex_);
    free_.insert(command);
  }

 private:
  std::mutex mutex_;
  plat::UINT next_ = kFirst;
  std::set<plat::UINT> free_;
};

CommandPool& Commands() {
  static auto* pool = new CommandPool;
  return *pool;
}

struct KeyName {
  uint16_t key;
  const char* name;
};

constexpr KeyName kKeyNames[] = {
    {plat::VK_BACK, "BkSp"},     {plat::VK_TAB, "Tab"},        {plat::VK_RETURN, "Enter"},
    {plat::VK_ESCAPE, "Esc"},    {plat::VK_SPACE, "Space"},    {plat::VK_PRIOR, "PgUp"},
    {plat::VK_NEXT, "PgDn"},     {plat::VK_END, "End"},        {plat::VK_HOME, "Home"},
    {plat::VK_LEFT, "Left"},     {plat::VK_UP, "Up"},          {plat::VK_RIGHT, "Right"},
    {plat::VK_DOWN, "Down"},     {plat::VK_INSERT, "Ins"},     {plat::VK_DELETE, "Del"},
    {plat::VK_NUMPAD0, "Num 0"}, {plat::VK_NUMPAD1, "Num 1"},  {plat::VK_NUMPAD2, "Num 2"},
    {plat::VK_NUMPAD3, "Num 3"}, {plat::VK_NUMPAD4, "Num 4"},  {plat::VK_MULTIPLY, "Num *"},
    {plat::VK_ADD, "Num +"},     {plat::VK_SUBTRACT, "Num -"}, {plat::VK_DIVIDE, "Num /"},
};

std::string KeyToText(uint16_t key) {
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return std::string(1, static_cast<char>(key));
  if (key >= plat::VK_F1 && key <= plat::VK_F1 + 23) return "F" + std::to_string(key - plat::VK_F1 + 1);
  for (const KeyName& k : kKeyNames)
    if (k.key == key) return k.name;
  return {};
}

bool SameLetters(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

uint16_t TextToKey(std::string_view text) {
  for (uint16_t key = 8; key < 256; ++key) {
    const std::string name = KeyToText(key);
    if (!name.empty() && SameLetters(name, text)) return key;
  }
  return 0;
}

}  // namespace

TShortCut ShortCut(uint16_t key, TShortCut modifiers) {
  if (key & 0xFF00) return scNone;
  return static_cast<TShortCut>(key | (modifiers & (scShift | scCtrl | scAlt)));
}

void ShortCutToKey(TShortCut short_cut, uint16_t& key, TShortCut& modifiers) {
  key = short_cut & 0xFF;
  modifiers = short_cut & (scShift | scCtrl | scAlt);
}

std::string ShortCutToText(TShortCut short_cut) {
  const std::string key = KeyToText(short_cut & 0xFF);
  if (key.empty()) return {};
  std::string text;
  if (short_cut & scShift) text += "Shift+";
  if (short_cut & scCtrl) text += "Ctrl+";
  if (short_cut & scAlt) text += "Alt+";
  return text + key;
}

TShortCut TextToShortCut(std::string_view text) {
  TShortCut modifiers = scNone;
  for (;;) {
    auto take = [&](std::string_view prefix, TShortCut bit) {
      if (text.size() > prefix.size() && SameLetters(text.substr(0, prefix.size()), prefix)) {
        text.remove_prefix(prefix.size());
        modifiers |= bit;
        return true;
      }
      return false;
    };
    if (!take("Shift+", scShift) && !take("Ctrl+", scCtrl) && !take("Alt+", scAlt)) break;
  }
  const uint16_t key = TextToKey(text);
  return key ? ShortCut(key, modifiers) : scNone;
}

// ---- TMenuItem ------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), command_(Commands().Take()) {}

TMenuItem::~TMenuItem() {
  Destroying();
  if (parent_) parent_->Remove(this);
  while (!items_.empty()) delete items_.back();
  if (handle_) plat::DestroyMenu(handle_);
  Commands().Give(command_);
}

void TMenuItem::SetCaption(const std::string& value) {
  if (caption_ == value) return;
  caption_ = value;
  Changed();
}

void TMenuItem::SetChecked(bool value) {
  if (checked_ == value) return;
  checked_ = value;
  if (value && radio_item_) TurnSiblingsOff();
  Changed();
}

void TMenuItem::SetRadioItem(bool value) {
  if (radio_item_ == value) return;
  radio_item_ = value;
  if (checked_ && value) TurnSiblingsOff();
  Changed();
}

void TMenuItem::SetGroupIndex(int value) {
  if (group_index_ == value) return;
  group_index_ = value;
  if (checked_ && radio_item_) TurnSiblingsOff();
}

void TMenuItem::SetEnabled(bool value) {
  if (enabled_ == value) return;
  enabled_ = value;
  Changed();
}

void TMenuItem::SetVisible(bool value) {
  if (visible_ == value) return;
  visible_ = value;
  Changed();
}

void TMenuItem::SetDefault(bool value) {
  if (default_ == value) return;
  default_ = value;
  if (value && parent_)
    for (TMenuItem* sibling : parent_->items_)
      if (sibling != this) sibling->default_ = false;
  Changed();
}

void TMenuItem::SetShortCut(TShortCut value) {
  if (short_cut_ == value) return;
  short_cut_ = value;
  Changed();
}

void TMenuItem::TurnSiblingsOff() {
  if (!parent_) return;
  for (TMenuItem* sibling : parent_->items_)
    if (sibling != this && sibling->radio_item_ && sibling->group_index_ == group_index_ &&
        sibling->checked_) {
      sibling->checked_ = false;
    }
}

TMenuItem* TMenuItem::Items(int index) const {
  if (index < 0 || index >= Count()) throw EMenuError("Menu index out of range");
  return items_[index];
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

int TMenuItem::MenuIndex() const { return parent_ ? parent_->IndexOf(this) : -1; }

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (!item) return;
  if (item->parent_) throw EMenuError("Menu inserted twice");
  index = std::clamp(index, 0, Count());
  items_.insert(items_.begin() + index, item);
  item->parent_ = this;
  Changed();
}

void TMenuItem::Remove(TMenuItem* item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) throw EMenuError("Sub-menu is not in menu");
  items_.erase(it);
  item->parent_ = nullptr;
  if (!(ComponentState().Contains(csDestroying))) Changed();
}

void TMenuItem::Delete(int index) { delete Items(index); }

void TMenuItem::Clear() {
  while (!items_.empty()) delete items_.back();
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* item = this;
  while (item->parent_) item = item->parent_;
  return item->menu_;
}

plat::HMENU TMenuItem::Handle() {
  if (!handle_) {
    handle_ = (menu_ && !menu_->IsPopupMenu()) ? plat::CreateMenu() : plat::CreatePopupMenu();
    Rebuild();
  }
  return handle_;
}

// Fills the platform menu from the visible items; handles stay the same, so
// whoever holds them (a window's bar, a skin) keeps seeing the items.
void TMenuItem::Rebuild() {
  if (!handle_) return;
  while (plat::GetMenuItemCount(handle_) > 0) plat::RemoveMenu(handle_, 0, plat::MF_BYPOSITION);
  TMenu* menu = GetParentMenu();
  const bool owner_draw = menu && menu->OwnerDraw();
  for (TMenuItem* item : items_) {
    if (!item->visible_) continue;
    plat::MENUITEMINFOA info;
    info.fMask = plat::MIIM_FTYPE | plat::MIIM_STATE | plat::MIIM_ID | plat::MIIM_STRING | plat::MIIM_DATA;
    info.fType = item->IsLine() ? plat::MFT_SEPARATOR : plat::MFT_STRING;
    if (item->radio_item_) info.fType |= plat::MFT_RADIOCHECK;
    // Lines too: whoever draws an owner-drawn menu draws all of it.
    if (owner_draw) info.fType |= plat::MFT_OWNERDRAW;
    info.fState = (item->checked_ ? plat::MFS_CHECKED : 0) | (item->enabled_ ? 0 : plat::MFS_GRAYED) |
                  (item->default_ ? plat::MFS_DEFAULT : 0);
    info.wID = item->command_;
    info.dwItemData = reinterpret_cast<plat::ULONG_PTR>(item);
    std::string text = item->caption_;
    if (const std::string keys = ShortCutToText(item->short_cut_); !keys.empty()) text += "\t" + keys;
    info.dwTypeData = text.data();
    if (!item->items_.empty()) {
      info.fMask |= plat::MIIM_SUBMENU;
      info.hSubMenu = item->Handle();
      item->Rebuild();
    }
    plat::InsertMenuItemA(handle_, static_cast<plat::UINT>(plat::GetMenuItemCount(handle_)), plat::TRUE,
                          &info);
  }
}

void TMenuItem::Changed() {
  if (ComponentState().Contains(csDestroying) || ComponentState().Contains(csLoading)) return;
  if (handle_) Rebuild();
  if (parent_) {
    parent_->Changed();
  } else if (menu_) {
    menu_->MenuChanged();
  }
}

void TMenuItem::Click() {
  if (!enabled_) return;
  if (auto_check_) SetChecked(!checked_);
  if (OnClick) OnClick(this);
}

TComponent* TMenuItem::GetParentComponent() const {
  if (parent_ && parent_->menu_) return parent_->menu_;
  return parent_;
}

void TMenuItem::SetParentComponent(TComponent* parent) {
  if (parent_) parent_->Remove(this);
  if (auto* menu = dynamic_cast<TMenu*>(parent))
    menu->Items()->Add(this);
  else if (auto* item = dynamic_cast<TMenuItem*>(parent))
    item->Add(this);
}

void TMenuItem::GetChildren(const std::function<void(TComponent*)>& proc, TComponent*) {
  for (TMenuItem* item : items_) proc(item);
}

void TMenuItem::MeasureItem(TCanvas* canvas, int& width, int& height) {
  if (OnMeasureItem) {
    OnMeasureItem(this, canvas, width, height);
    return;
  }
  MeasureDefault(canvas, width, height);
}

void TMenuItem::MeasureDefault(TCanvas* canvas, int& width, int& height) const {
  if (IsLine()) {
    height = 8;
    return;
  }
  std::string text = caption_;
  if (const std::string keys = ShortCutToText(short_cut_); !keys.empty()) text += "    " + keys;
  width = canvas->TextWidth(text) + 30;
  height = std::max(canvas->TextHeight("Wg") + 4, 18);
  if (TMenu* menu = GetParentMenu(); menu && menu->Images()) {
    width = std::max(width, canvas->TextWidth(text) + menu->Images()->Width() + 14);
    height = std::max(height, menu->Images()->Height() + 2);
  }
}

void TMenuItem::DrawItem(TCanvas* canvas, TRect rect, bool selected) {
  if (OnDrawItem) {
    OnDrawItem(this, canvas, rect, selected);
    return;
  }
  DrawDefault(canvas, rect, selected);
}

void TMenuItem::DrawDefault(TCanvas* canvas, TRect rect, bool selected) const {
  canvas->Brush()->SetColor(selected ? clHighlight : clMenu);
  canvas->FillRect(rect);
  if (IsLine()) {
    plat::RECT line{rect.left + 1, (rect.top + rect.bottom) / 2 - 1, rect.right - 1,
                    (rect.top + rect.bottom) / 2 + 1};
    plat::DrawEdge(canvas->Handle(), &line, plat::EDGE_ETCHED, plat::BF_TOP);
    return;
  }
  // The glyph from the menu's images, in the column left of the caption.
  TMenu* menu = GetParentMenu();
  if (TCustomImageList* images = menu ? menu->Images() : nullptr;
      images && image_index_ >= 0 && image_index_ < images->Count())
    images->Draw(canvas, rect.left + 1, rect.top + (rect.bottom - rect.top - images->Height()) / 2,
                 image_index_, enabled_);
  canvas->Font()->SetColor(!enabled_ ? clGrayText : selected ? clHighlightText : clMenuText);
  canvas->Brush()->SetStyle(bsClear);
  canvas->TextOut(rect.left + 18, rect.top + 2, caption_);
}

VCL_IMPLEMENT_CLASS(TMenuItem, StrProp("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption).Default(""),
                    BoolProp("AutoCheck", &TMenuItem::AutoCheck, &TMenuItem::SetAutoCheck).Default(false),
                    BoolProp("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked).Default(false),
                    BoolProp("Default", &TMenuItem::Default, &TMenuItem::SetDefault).Default(false),
                    BoolProp("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled).Default(true),
                    IntProp("GroupIndex", &TMenuItem::GroupIndex, &TMenuItem::SetGroupIndex).Default(0),
                    StrProp("Hint", &TMenuItem::Hint, &TMenuItem::SetHint).Default(""),
                    IntProp("ImageIndex", &TMenuItem::ImageIndex, &TMenuItem::SetImageIndex).Default(-1),
                    BoolProp("RadioItem", &TMenuItem::RadioItem, &TMenuItem::SetRadioItem).Default(false),
                    IntProp("ShortCut", &TMenuItem::ShortCut, &TMenuItem::SetShortCut).Default(0),
                    BoolProp("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible).Default(true),
                    EventProp("OnClick", &TMenuItem::OnClick),
                    EventProp("OnDrawItem", &TMenuItem::OnDrawItem),
                    EventProp("OnMeasureItem", &TMenuItem::OnMeasureItem))

// ---- TMenu ----------------------------------------------------------------------

TMenu::TMenu(TComponent* owner) : TComponent(owner), items_(new TMenuItem(nullptr)) { items_->menu_ = this; }

TMenu::~TMenu() {
  Destroying();
  delete items_;
}

void TMenu::SetImages(TCustomImageList* value) {
  if (images_ == value) return;
  if (images_) images_->RemoveFreeNotification(this);
  images_ = value;
  if (images_) images_->FreeNotification(this);
  items_->Changed();
}

void TMenu::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == images_) {
    images_ = nullptr;
    items_->Changed();
  }
}

void TMenu::SetOwnerDraw(bool value) {
  if (owner_draw_ == value) return;
  owner_draw_ = value;
  items_->Changed();
}

namespace {

TMenuItem* FindIn(TMenuItem* root, uintptr_t value, TFindItemKind kind) {
  for (int i = 0; i < root->Count(); ++i) {
    TMenuItem* item = root->Items(i);
    switch (kind) {
      case fkCommand:
        if (value != 0 && item->Command() == value) return item;
        break;
      case fkHandle:
        if (item->Count() > 0 && reinterpret_cast<uintptr_t>(item->Handle()) == value) return item;
        break;
      case fkShortCut:
        if (item->ShortCut() != scNone && item->ShortCut() == value) return item;
        break;
    }
    if (TMenuItem* found = FindIn(item, value, kind)) return found;
  }
  return nullptr;
}

// The item of the tree whose address is `data`; the pointer is compared,
// never followed, until it is found.
TMenuItem* ItemWithData(TMenuItem* root, uintptr_t data) {
  if (!data) return nullptr;
  for (int i = 0; i < root->Count(); ++i) {
    TMenuItem* item = root->Items(i);
    if (reinterpret_cast<uintptr_t>(item) == data) return item;
    if (TMenuItem* found = ItemWithData(item, data)) return found;
  }
  return nullptr;
}

// The item and all its parents are enabled and visible.
bool Reachable(TMenuItem* item) {
  for (TMenuItem* i = item; i && i->Parent(); i = i->Parent())
    if (!i->Enabled() || !i->Visible()) return false;
  return true;
}

}  // namespace

TMenuItem* TMenu::FindItem(uintptr_t value, TFindItemKind kind) const { return FindIn(items_, value, kind); }

bool TMenu::IsShortCut(uint16_t key, TShortCut modifiers) { return IsShortCut(ShortCut(key, modifiers)); }

bool TMenu::IsShortCut(TShortCut short_cut) {
  if (short_cut == scNone) return false;
  TMenuItem* item = FindItem(short_cut, fkShortCut);
  if (!item || !Reachable(item)) return false;
  // The parents hear their clicks first, as when their submenus open, so
  // they can update the item before it runs.
  std::vector<TMenuItem*> chain;
  for (TMenuItem* p = item->Parent(); p && p->Parent(); p = p->Parent()) chain.insert(chain.begin(), p);
  for (TMenuItem* p : chain) p->Click();
  if (!item->Enabled()) return false;
  item->Click();
  return true;
}

bool TMenu::DispatchCommand(plat::UINT command) {
  TMenuItem* item = FindItem(command, fkCommand);
  if (!item) return false;
  item->Click();
  return true;
}

bool TMenu::DispatchPopup(plat::HMENU submenu) {
  TMenuItem* item = FindItem(reinterpret_cast<uintptr_t>(submenu), fkHandle);
  if (!item) return false;
  item->Click();
  return true;
}

bool TMenu::MeasureItem(plat::MEASUREITEMSTRUCT& measure) {
  if (measure.CtlType != plat::ODT_MENU) return false;
  // By its data: an item with a submenu is reported without its command.
  TMenuItem* item = ItemWithData(items_, measure.itemData);
  if (!item) return false;
  plat::HDC dc = plat::GetDC(nullptr);
  TCanvas canvas;
  canvas.SetHandle(dc);
  int width = static_cast<int>(measure.itemWidth);
  int height = static_cast<int>(measure.itemHeight);
  item->MeasureItem(&canvas, width, height);
  canvas.SetHandle(nullptr);
  plat::ReleaseDC(nullptr, dc);
  measure.itemWidth = static_cast<plat::UINT>(std::max(width, 0));
  measure.itemHeight = static_cast<plat::UINT>(std::max(height, 0));
  return true;
}

bool TMenu::DrawItem(const plat::DRAWITEMSTRUCT& draw) {
  if (draw.CtlType != plat::ODT_MENU) return false;
  TMenuItem* item = ItemWithData(items_, draw.itemData);
  if (!item) return false;
  TCanvas canvas;
  const int saved = plat::SaveDC(draw.hDC);
  canvas.SetHandle(draw.hDC);
  item->DrawItem(&canvas, draw.rcItem, (draw.itemState & plat::ODS_SELECTED) != 0);
  canvas.SetHandle(nullptr);
  plat::RestoreDC(draw.hDC, saved);
  return true;
}

void TMenu::GetChildren(const std::function<void(TComponent*)>& proc, TComponent*) {
  for (int i = 0; i < items_->Count(); ++i) proc(items_->Items(i));
}

VCL_IMPLEMENT_CLASS(TMenu, RefProp("Images", &TMenu::Images, &TMenu::SetImages),
                    BoolProp("OwnerDraw", &TMenu::OwnerDraw, &TMenu::SetOwnerDraw).Default(false))

// ---- TMainMenu ------------------------------------------------------------------

TMainMenu::TMainMenu(TComponent* owner) : TMenu(owner) {}

TMainMenu::~TMainMenu() {
  if (window_ && plat::IsWindow(window_) && plat::GetMenu(window_) == Handle())
    plat::SetMenu(window_, nullptr);
}

void TMainMenu::SetWindowHandle(plat::HWND value) {
  if (window_ == value) return;
  if (window_ && plat::IsWindow(window_) && plat::GetMenu(window_) == Handle())
    plat::SetMenu(window_, nullptr);
  window_ = value;
  if (window_) plat::SetMenu(window_, Handle());
}

// The window's control hears of the change (CM_MENUCHANGED), so whoever
// chains its WindowProc sees it; the form then shows the bar again.
void TMainMenu::MenuChanged() {
  if (!window_ || !plat::IsWindow(window_)) return;
  if (TWinControl* control = TWinControl::FindControl(window_))
    control->Perform(CM_MENUCHANGED, 0, reinterpret_cast<plat::LPARAM>(this));
  else
    plat::DrawMenuBar(window_);
}

VCL_IMPLEMENT_CLASS(TMainMenu)

// ---- TPopupMenu -----------------------------------------------------------------

TPopupMenu::TPopupMenu(TComponent* owner) : TMenu(owner) {}

TPopupMenu::~TPopupMenu() {
  if (window_) DeallocateUtilityWindow(window_);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
  TMenu::Notification(component, operation);
  if (operation == opRemove && component == popup_component_) popup_component_ = nullptr;
}

void TPopupMenu::Popup(int x, int y) {
  if (OnPopup) OnPopup(this);
  if (!window_) {
    window_ = AllocateUtilityWindow(
        [this](plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam) {
          switch (message) {
            case plat::WM_INITMENUPOPUP:
              DispatchPopup(reinterpret_cast<plat::HMENU>(wparam));
              return plat::LRESULT{0};
            case plat::WM_MEASUREITEM:
              if (MeasureItem(*reinterpret_cast<plat::MEASUREITEMSTRUCT*>(lparam)))
                return plat::LRESULT{plat::TRUE};
              break;
            case plat::WM_DRAWITEM:
              if (DrawItem(*reinterpret_cast<const plat::DRAWITEMSTRUCT*>(lparam)))
                return plat::LRESULT{plat::TRUE};
              break;
            default:
              break;
          }
          return plat::DefWindowProcA(hwnd, message, wparam, lparam);
        });
  }
  const plat::UINT align = alignment_ == paRight    ? plat::TPM_RIGHTALIGN
                           : alignment_ == paCenter ? plat::TPM_CENTERALIGN
                                                    : plat::TPM_LEFTALIGN;
  const plat::UINT command = static_cast<plat::UINT>(plat::TrackPopupMenu(
      Handle(), align | plat::TPM_RIGHTBUTTON | plat::TPM_RETURNCMD, x, y, 0, window_, nullptr));
  if (command) DispatchCommand(command);
}

VCL_IMPLEMENT_CLASS(TPopupMenu,
                    BoolProp("AutoPopup", &TPopupMenu::AutoPopup, &TPopupMenu::SetAutoPopup).Default(true),
                    EnumProp("Alignment", &TPopupMenu::Alignment, &TPopupMenu::SetAlignment,
                             {"paLeft", "paRight", "paCenter"})
                        .Default(paLeft),
                    EventProp("OnPopup", &TPopupMenu::OnPopup))

void RegisterMenuClasses() {
  RegisterClasses({TMenuItem::StaticClass(), TMainMenu::StaticClass(), TPopupMenu::StaticClass()});
}

}  // namespace vcl
