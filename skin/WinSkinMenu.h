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

// The skin of one popup-menu window ("#32768"): its background and 3-pixel
// frame from the skin's menu background, on the window's subclass chain.
// The manager makes, owns and frees it.
class TWinSkinPopMenu {
 public:
  TWinSkinPopMenu() = default;
  ~TWinSkinPopMenu();
  TWinSkinPopMenu(const TWinSkinPopMenu&) = delete;
  TWinSkinPopMenu& operator=(const TWinSkinPopMenu&) = delete;

  void Attach(plat::HWND window, TSkinData* skin_data, plat::HMENU menu);
  void Detach();
  plat::HWND Handle() const { return handle_; }
  bool Attached() const { return attached_; }
  bool FromBar() const { return from_bar_; }
  void SetFromBar(bool value) { from_bar_ = value; }
  plat::HMENU OwnerMenu() const { return owner_menu_; }
  void SetOwnerMenu(plat::HMENU menu) { owner_menu_ = menu; }
  bool InDispatch() const { return depth_ > 0; }
  // The background at the window's current size, rendered when it is not
  // yet; null without a menu background.
  vcl::TBitmap* Background();

 private:
  static plat::LRESULT SubclassProc(plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam,
                                    plat::LPARAM lparam, plat::UINT_PTR id, plat::DWORD_PTR ref);
  plat::LRESULT WindowProc(plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam);
  // The background at the window's size; false without a menu background.
  bool PrepareBackground(vcl::TRect& rect);

  plat::HWND handle_ = nullptr;
  TSkinData* skin_data_ = nullptr;
  plat::HMENU owner_menu_ = nullptr;
  bool from_bar_ = false;
  bool attached_ = false;
  int depth_ = 0;
  std::unique_ptr<vcl::TBitmap> background_;
};

// Hides separators that lead, trail or follow another separator among the
// visible items of `item`; a separator followed by a visible item shows.
void TidySeparators(vcl::TMenuItem* item);

}  // namespace skin
