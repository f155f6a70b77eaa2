#pragma once
// Owner-drawn menu items of a skinned window: the items of the menu bar's
// popups and of the skinned system menu, measured with the skin's indent
// and drawn on the skin's menu item element over the open popup's skinned
// background, with the glyph column, check marks, captions and short-cuts.
// Main thread only.
#include <string>

#include "platform/kernel/Types.h"
#include "platform/user/Menu.h"
#include "platform/vcl/Graphics.h"

namespace vcl {
class TComponent;
class TCustomImageList;
class TMenu;
class TMenuItem;
}  // namespace vcl

namespace skin {

class TSkinData;

// What one item shows: read from a class-library item or, for items the
// class library does not know (the system menu's), from the platform's.
struct TMenuItemLook {
  std::string Caption;  // "-" for a separator
  std::string ShortCut;
  bool Enabled = true;
  bool Checked = false;
  bool Default = false;
  int ImageIndex = -1;
  vcl::TCustomImageList* Images = nullptr;
  // The platform menu that holds the item.
  plat::HMENU Menu = nullptr;
  bool IsLine() const { return Caption == "-"; }
};

// A platform item as read: state, command, type, submenu, data and up to
// 79 characters of its text. Not to be copied (the text is read in place).
struct TPlatformItem {
  plat::MENUITEMINFOA Info{};
  char Text[80] = {};
};
bool ReadPlatformItem(plat::HMENU menu, int position, TPlatformItem& item);

// The look of a class-library item; images from its menu, else `fallback`'s.
TMenuItemLook LookOfItem(vcl::TMenuItem* item, vcl::TMenu* fallback);
// The look of a platform item, by position.
TMenuItemLook LookOfPlatformItem(plat::HMENU menu, int position);

// Every item of the platform menu, and of its submenus, drawn by the owner.
void SetPlatformMenuOwnerDraw(plat::HMENU menu);

// The class-library item of `menu` whose item data is `data` (taken only
// when it is an item of that menu's tree), else the one with `command`.
vcl::TMenuItem* FindMenuItem(vcl::TMenu* menu, plat::ULONG_PTR data, plat::UINT command);

// A bar popup's item: the plain measuring, then the skin's indent.
void MeasureMenuItem(TSkinData* data, vcl::TMenuItem* item, vcl::TCanvas* canvas, int& width, int& height);
// A system menu item: its caption measured, then the skin's indent.
void MeasureSystemItem(TSkinData* data, vcl::TMenuItem* item, vcl::TCanvas* canvas, int& width, int& height);

// The skin's item handlers on the class-library menus of `form`: the
// items below a main menu's bar (`data`'s indent, the bar draws its own
// items), and every item of its popup menus and of the forms it owns. Items
// with a draw handler of their own keep it, and one with a measure handler
// of its own keeps that; switching off takes away only the skin's handlers.
void SetMainMenusOwnerDraw(TSkinData* data, vcl::TComponent* form, bool on);
void SetPopupMenusOwnerDraw(TSkinData* data, vcl::TComponent* owner, bool on);
// Whether the item's draw handler is the skin's.
bool HasSkinDrawHandler(const vcl::TMenuItem* item);

// Draws an item at `rect` of `dc`: on the skin's menu item element over the
// popup's background when the skin has the element, else plain.
void DrawMenuItem(TSkinData* data, const TMenuItemLook& look, plat::HDC dc, bool selected,
                  const vcl::TRect& rect);

}  // namespace skin
