#pragma once
// Menus of the class library: TMenuItem trees behind TMainMenu (a window's
// menu bar) and TPopupMenu (a popup at a point), built into platform menus
// whose items carry each item's command; short-cuts and their text.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/user/Menu.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/ImgList.h"

namespace vcl {

// A key with its modifiers: the virtual key in the low byte.
using TShortCut = uint16_t;
constexpr TShortCut scNone = 0;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;

// `modifiers` is a combination of scShift, scCtrl and scAlt.
TShortCut ShortCut(uint16_t key, TShortCut modifiers);
void ShortCutToKey(TShortCut short_cut, uint16_t& key, TShortCut& modifiers);
// "Ctrl+S", "Shift+F1", "Ctrl+Alt+Del"; empty for scNone.
std::string ShortCutToText(TShortCut short_cut);
// The reverse, letter case ignored; scNone for text it does not know.
TShortCut TextToShortCut(std::string_view text);

VCL_DECLARE_EXCEPTION(EMenuError, Exception);

class TMenu;
class TMenuItem;

using TMenuDrawItemEvent = std::function<void(TObject* sender, TCanvas* canvas, TRect rect, bool selected)>;
using TMenuMeasureItemEvent = std::function<void(TObject* sender, TCanvas* canvas, int& width, int& height)>;

// One item: a command, a separator (Caption "-") or a submenu (it has items).
class TMenuItem : public TComponent {
  VCL_DECLARE_CLASS(TMenuItem, TComponent)
 public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& value);
  // Setting it changes the mark only; no click runs.
  bool Checked() const { return checked_; }
  void SetChecked(bool value);
  bool AutoCheck() const { return auto_check_; }
  void SetAutoCheck(bool value) { auto_check_ = value; }
  // Radio items of one GroupIndex among their siblings are checked one at a time.
  bool RadioItem() const { return radio_item_; }
  void SetRadioItem(bool value);
  int GroupIndex() const { return group_index_; }
  void SetGroupIndex(int value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  bool Default() const { return default_; }
  void SetDefault(bool value);
  TShortCut ShortCut() const { return short_cut_; }
  void SetShortCut(TShortCut value);
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& value) { hint_ = value; }
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int value) { image_index_ = value; }

  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int index) const;
  TMenuItem* Parent() const { return parent_; }
  int MenuIndex() const;
  int IndexOf(const TMenuItem* item) const;
  void Add(TMenuItem* item);
  void Insert(int index, TMenuItem* item);
  // Takes the item out (it is not freed).
  void Remove(TMenuItem* item);
  // Frees the item at `index`.
  void Delete(int index);
  void Clear();
  bool IsLine() const { return caption_ == "-"; }

  // The platform command of this item, unique in the process.
  plat::UINT Command() const { return command_; }
  // The platform submenu of an item with items (made on demand).
  plat::HMENU Handle();
  // The menu this item belongs to (through its parents), or null.
  TMenu* GetParentMenu() const;

  // AutoCheck toggles Checked, then OnClick runs.
  virtual void Click();
  // The plain measuring of an owner-drawn item, whatever OnMeasureItem says:
  // the caption and short-cut text, the menu's image size.
  void MeasureDefault(TCanvas* canvas, int& width, int& height) const;
  // The plain look of an owner-drawn item, whatever OnDrawItem says.
  void DrawDefault(TCanvas* canvas, TRect rect, bool selected) const;

  TNotifyEvent OnClick;
  TMenuDrawItemEvent OnDrawItem;
  TMenuMeasureItemEvent OnMeasureItem;

  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* parent) override;
  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) override;

 protected:
  // Measuring and drawing for owner-drawn menus: the events, else the plain look.
  virtual void MeasureItem(TCanvas* canvas, int& width, int& height);
  virtual void DrawItem(TCanvas* canvas, TRect rect, bool selected);

 private:
  friend class TMenu;
  void Changed();
  void TurnSiblingsOff();
  void Rebuild();

  std::string caption_;
  bool checked_ = false;
  bool auto_check_ = false;
  bool radio_item_ = false;
  int group_index_ = 0;
  bool enabled_ = true;
  bool visible_ = true;
  bool default_ = false;
  TShortCut short_cut_ = scNone;
  std::string hint_;
  int image_index_ = -1;
  std::vector<TMenuItem*> items_;
  TMenuItem* parent_ = nullptr;
  TMenu* menu_ = nullptr;  // set on the root item of a menu
  plat::UINT command_ = 0;
  plat::HMENU handle_ = nullptr;
};

enum TFindItemKind { fkCommand, fkHandle, fkShortCut };

// A tree of items with its platform menu.
class TMenu : public TComponent {
  VCL_DECLARE_CLASS(TMenu, TComponent)
 public:
  explicit TMenu(TComponent* owner);
  ~TMenu() override;

  TMenuItem* Items() const { return items_; }
  plat::HMENU Handle() { return items_->Handle(); }
  bool OwnerDraw() const { return owner_draw_; }
  void SetOwnerDraw(bool value);
  // The glyphs of the items (by their ImageIndex); a link, cleared when the list goes.
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* value);

  // By command, submenu handle or short-cut, at any depth; null when none.
  TMenuItem* FindItem(uintptr_t value, TFindItemKind kind) const;
  // Runs the click of the enabled, visible item with this short-cut (the
  // parents' clicks first, as opening their submenus would); false when none.
  bool IsShortCut(uint16_t key, TShortCut modifiers);
  bool IsShortCut(TShortCut short_cut);
  // The click of the item with this command; false when none.
  bool DispatchCommand(plat::UINT command);
  // WM_INITMENUPOPUP: the click of the item whose submenu opens.
  bool DispatchPopup(plat::HMENU submenu);
  // WM_MEASUREITEM / WM_DRAWITEM for owner-drawn items; false when not ours.
  bool MeasureItem(plat::MEASUREITEMSTRUCT& measure);
  bool DrawItem(const plat::DRAWITEMSTRUCT& draw);

  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) override;

 protected:
  friend class TMenuItem;
  // The platform menu was rebuilt (a bar redraws itself).
  virtual void MenuChanged() {}
  virtual bool IsPopupMenu() const = 0;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TMenuItem* items_;
  bool owner_draw_ = false;
  TCustomImageList* images_ = nullptr;
};

// The menu bar of a window.
class TMainMenu : public TMenu {
  VCL_DECLARE_CLASS(TMainMenu, TMenu)
 public:
  explicit TMainMenu(TComponent* owner);
  ~TMainMenu() override;
  // The window whose bar shows this menu (the form sets it); null detaches.
  plat::HWND WindowHandle() const { return window_; }
  void SetWindowHandle(plat::HWND value);

 protected:
  void MenuChanged() override;
  bool IsPopupMenu() const override { return false; }

 private:
  plat::HWND window_ = nullptr;
};

enum TPopupAlignment { paLeft, paRight, paCenter };

// A menu shown at a point by Popup, or by a control's right click when AutoPopup.
class TPopupMenu : public TMenu {
  VCL_DECLARE_CLASS(TPopupMenu, TMenu)
 public:
  explicit TPopupMenu(TComponent* owner);
  ~TPopupMenu() override;

  bool AutoPopup() const { return auto_popup_; }
  void SetAutoPopup(bool value) { auto_popup_ = value; }
  TPopupAlignment Alignment() const { return alignment_; }
  void SetAlignment(TPopupAlignment value) { alignment_ = value; }
  // The component that popped the menu up last.
  TComponent* PopupComponent() const { return popup_component_; }
  void SetPopupComponent(TComponent* value) { popup_component_ = value; }

  // Runs OnPopup, shows the menu at the screen point and returns once it
  // closed; the chosen item's click runs before it returns.
  virtual void Popup(int x, int y);

  TNotifyEvent OnPopup;

 protected:
  bool IsPopupMenu() const override { return true; }
  void Notification(TComponent* component, TOperation operation) override;

 private:
  bool auto_popup_ = true;
  TPopupAlignment alignment_ = paLeft;
  TComponent* popup_component_ = nullptr;
  plat::HWND window_ = nullptr;
};

// Registers the menu classes for form descriptions.
void RegisterMenuClasses();

}  // namespace vcl
