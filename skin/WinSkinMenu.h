#pragma once
// The skinned menu bar of a form skin: the window's menu taken off the
// window and kept as buttons drawn into the strip below the caption, each
// opening its item's popup itself. Main thread only; one bar popup is open
// at a time.
#include <memory>
#include <string>
#include <vector>

#include "platform/kernel/Types.h"
#include "platform/user/Menu.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "skin/WinSkinForm.h"

namespace vcl {
class TMenu;
class TMenuItem;
}  // namespace vcl

namespace skin {

class TSkinData;

// One button of the bar: a top-level item of the menu.
class TMenuBtn : public TNCObject {
 public:
  using TNCObject::TNCObject;
  void Paint() override;

  vcl::TMenuItem* Item = nullptr;
  int Index = 0;
  std::string Caption;
  bool Enabled = true;
  plat::HMENU Popup = nullptr;
  plat::UINT Command = 0;
};

class TWinSkinMenu {
 public:
  TWinSkinMenu(TWinSkinForm* form, TSkinData* skin_data, vcl::TMenu* menu);
  ~TWinSkinMenu();
  TWinSkinMenu(const TWinSkinMenu&) = delete;
  TWinSkinMenu& operator=(const TWinSkinMenu&) = delete;

  // Buttons from the window's menu, which is then taken off the window.
  void ReadMenu();
  // Lays out and draws the bar at `rect` (window coordinates).
  void PaintBar(plat::HDC dc, const vcl::TRect& rect);
  // The button under a point of the window, never one without a caption.
  TMenuBtn* ButtonAt(plat::POINT point) const;
  // The first enabled, visible button with `key` as its accelerator.
  TMenuBtn* FindAccelButton(char key) const;
  // Repaints one button in its state.
  void PaintButton(TMenuBtn& button);

  const std::vector<std::unique_ptr<TMenuBtn>>& BarButtons() const { return buttons_; }
  plat::HMENU MenuHandle() const { return menu_handle_; }
  void SetMenuHandle(plat::HMENU menu) { menu_handle_ = menu; }
  vcl::TMenu* Menu() const { return menu_; }
  void MenuGone() { menu_ = nullptr; }
  const vcl::TRect& MenuBarRect() const { return bar_rect_; }

 private:
  void DrawCaption(plat::HDC dc, const TMenuBtn& button, const vcl::TRect& rect);

  TWinSkinForm* form_;
  TSkinData* skin_data_;
  vcl::TMenu* menu_;
  plat::HMENU menu_handle_ = nullptr;
  std::vector<std::unique_ptr<TMenuBtn>> buttons_;
  vcl::TRect bar_rect_{};
  vcl::TBitmap background_;
};

// Hides separators that lead, trail or follow another separator among the
// visible items of `item`; a separator followed by a visible item shows.
void TidySeparators(vcl::TMenuItem* item);

}  // namespace skin
