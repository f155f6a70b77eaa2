#pragma once
// TWinSkinForm: the skin of one top-level window. The skin manager makes it,
// attaches it and owns it. Attached, it sits on the window's subclass chain:
// it answers the non-client messages with the skin's borders, caption and
// caption buttons, keeps the window's state and, where the border images have
// key-coloured parts, cuts the window region along them.
//
// The frame's geometry lives here once: the borders (`BorderLeft` ...,
// `MenuBarHeight`), the caption text rectangle and the caption buttons'
// rectangles. WM_NCCALCSIZE, the painter and the region read the same values.
//
// The form skin follows its window's life through WM_NCDESTROY and its form's
// through free notification; it never frees itself. Main thread only.
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/kernel/Types.h"
#include "platform/user/Subclass.h"
#include "platform/user/Window.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/GraphicsBitmap.h"

namespace vcl {
class TForm;
class TPopupMenu;
class TTimer;
class TCustomForm;
}  // namespace vcl

namespace skin {

class TSkinData;
class TWinSkinMenu;
class TMenuBtn;
class TDataSkinSysButton;
class TDataSkinBorder;
class TSkinControl;
class TSkinControlList;

inline constexpr plat::UINT SKM_REFRESHSKIN = 0x3401;
inline constexpr plat::UINT SKM_REPAINTFRAME = 0x3502;
inline constexpr plat::UINT SKM_TABCLOSE = 0x3507;
inline constexpr plat::UINT SKM_BUTTONACTION = 0x3514;
inline constexpr plat::UINT SKM_BUTTONVISIBLE = 0x3515;
inline constexpr plat::UINT SKM_OPENMENUAT = 0x3518;

class TWinSkinForm;

// A clickable object of a skinned frame (a caption button, a menu bar
// button): where it sits in window coordinates, whether it shows, and its
// state (1 normal, 2 pressed, 3 hover). At most one object of a form is hot;
// an object that goes stops being the hot one.
class TNCObject {
 public:
  explicit TNCObject(TWinSkinForm* form) : Form(form) {}
  virtual ~TNCObject();
  TNCObject(const TNCObject&) = delete;
  TNCObject& operator=(const TNCObject&) = delete;

  virtual void DoPress();
  virtual void DoRelease();
  virtual void DoHover();
  virtual void DoLeave();
  virtual void Paint() {}

  TWinSkinForm* Form;
  vcl::TRect Rect{};
  bool Visible = false;
  int ButtonState = 1;
};

// One caption button, drawn from its skin element.
class TWinSysButton : public TNCObject {
 public:
  TWinSysButton(TWinSkinForm* form, TDataSkinSysButton* element) : TNCObject(form), Element(element) {}
  void Paint() override;
  TDataSkinSysButton* Element;
};

class TWinSkinForm : public vcl::TComponent {
 public:
  explicit TWinSkinForm(plat::HWND window);
  ~TWinSkinForm() override;

  plat::HWND Handle() const { return handle_; }
  TSkinData* SkinData() const { return skin_data_; }
  vcl::TCustomForm* Form() const { return form_; }

  void AttachForm(TSkinData* skin_data, vcl::TCustomForm* form);
  // Does nothing when already attached.
  void AttachHandle(TSkinData* skin_data);
  bool Attached() const { return attached_; }
  // Full unskinning: the window's own frame, menu and colour back, client
  // area kept.
  void RestoreWindow();
  // The window is going: leave its chain, touch nothing of the form.
  void DetachOnDestroy();
  void RefreshSkin();
  static void RepaintWindowNow(plat::HWND window);

  void FreeNCObjects();
  void BuildNCMetrics();
  void BuildRegion();
  void DropRegion();
  void SetCaptionStyle(bool flag);
  void SetSysMenuStyle(bool flag);
  void PaintFrame(plat::HDC dc = nullptr);
  void LayoutButtons();
  bool ButtonVisible(int index);
  // A caption button's own repaint (hover, press): frame = its state.
  void PaintButton(TWinSysButton& button, int frame);

  int BorderLeft() const { return border_left_; }
  int BorderTop() const { return border_top_; }
  int BorderRight() const { return border_right_; }
  int BorderBottom() const { return border_bottom_; }
  int MenuBarHeight() const { return menu_bar_height_; }
  // 0 sizeable, 1 fixed, 2 no caption, 3 dialog frame.
  int BorderKind() const { return border_kind_; }
  // 0 normal, 1 maximized, 2 minimized.
  int WindowState() const { return window_state_; }
  // 0 created, 1 ready, 3 re-colouring, 4 being destroyed, 5 resizing, 6 gone.
  int Phase() const { return phase_; }
  bool FrameSkinned() const { return frame_skinned_; }
  bool IsActive() const { return active_; }
  int CaptionFlags() const { return caption_flags_; }
  const vcl::TRect& CaptionTextRect() const { return caption_text_rect_; }
  const std::vector<std::unique_ptr<TWinSysButton>>& NCObjects() const { return nc_objects_; }
  bool RegionOwned() const { return region_owned_; }
  // How many window regions this skin has set.
  int RegionBuilds() const { return region_builds_; }

  // The manager's bookkeeping: handlers of this skin are running.
  bool InDispatch() const { return depth_ > 0; }
  void SetRetired() { retired_ = true; }

  // Caption text placement inside `area` of the caption bar, for a text of
  // the given size; also stores the caption text rectangle.
  vcl::TRect PlaceCaptionText(const vcl::TRect& area, int text_width, int text_height);

  // The mouse on the frame. Points in window coordinates (0, 0 at the
  // window's top-left corner).
  TNCObject* HotObject() const { return hot_; }
  void SetHotObject(TNCObject* object) { hot_ = object; }
  // The visible caption button under the point, else none.
  TNCObject* ObjectAt(plat::POINT point);
  plat::POINT ToWindowPoint(plat::POINT screen) const;
  // What a point of the window is, from the skin's borders.
  plat::LRESULT HitTest(plat::POINT screen);
  // Runs the hot caption button's action; `screen` is the mouse point.
  void RunButtonAction(plat::POINT screen);
  // A second click within the double-click time closes the window, else
  // the system menu pops up at the point.
  void ShowSystemMenu(plat::POINT screen);
  void PopupSystemMenu(plat::POINT screen);
  // The hover timer's tick: the hot object whose rectangle the cursor has
  // left is left.
  void HoverTick();
  bool HoverTimerEnabled() const;
  bool MenuTracking() const { return menu_tracking_; }
  void SetMenuTracking(bool value) { menu_tracking_ = value; }

  // The skinned menu bar, when the window has a menu.
  TWinSkinMenu* MenuBarSkin() const { return menu_bar_.get(); }
  // The caption button, else the menu bar button, under a window point.
  TNCObject* NCObjectAt(plat::POINT point);
  // Opens a bar button's popup and follows it until it closes; false for a
  // command item, whose command is only posted.
  bool OpenMenuButton(TMenuBtn& button);
  // A press on the button, posted to the window.
  void ClickMenuButton(const TMenuBtn& button);
  // The skinned system menu: a class-library popup made anew from the
  // window's system menu before each show (kept while it is showing).
  void BuildSystemMenu();
  vcl::TPopupMenu* SystemPopup() const { return system_popup_.get(); }

  // The companions of the window's controls, owned from their attach on.
  // Adding answers whether the companion was listed already.
  bool AddSkinControl(TSkinControl* companion);
  void RemoveSkinControl(TSkinControl* companion);
  TSkinControlList& SkinnedControls() { return *skin_controls_; }
  // Lent to every companion of this window.
  vcl::TCanvas* WorkCanvas() { return &work_canvas_; }

 protected:
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;

 private:
  static plat::LRESULT SubclassProc(plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam,
                                    plat::LPARAM lparam, plat::UINT_PTR id, plat::DWORD_PTR ref);
  plat::LRESULT WindowProc(plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam);
  plat::LRESULT SecondStage(plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam, bool& handled);
  plat::LRESULT ThirdStage(plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam, bool& handled);
  plat::LRESULT PassOn(plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam);
  void Detach();
  void InitForm();
  void ResizeForSkin(bool keep_client);
  void ReadWindowState();
  bool IsDialog() const { return dialog_; }

  plat::LRESULT OnNCMouse(plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam, bool& handled);
  void StopHoverTimer();
  void SetHoverTimer(bool enabled);
  // The class-level hook on the form's WindowProc.
  void FormHook(vcl::TMessage& message, const vcl::TWndHookNext& next);
  void FrameChanged();
  // Owner-drawn items of the window's popups; handled false passes on.
  plat::LRESULT OnMeasureItem(plat::LPARAM lparam, bool& handled);
  plat::LRESULT OnDrawItem(plat::LPARAM lparam, bool& handled);

  plat::LRESULT OnNCCalcSize(plat::WPARAM wparam, plat::LPARAM lparam);
  plat::LRESULT OnNCPaint(plat::WPARAM wparam, plat::LPARAM lparam);
  plat::LRESULT OnNCActivate(plat::WPARAM wparam);
  void PaintBorderPart(int part, const vcl::TRect& rect, plat::HDC dc);
  void PaintCaptionBar(plat::HDC dc);
  void PaintCaptionText(vcl::TCanvas* canvas, const vcl::TRect& area);
  void PaintButtons(vcl::TCanvas* canvas);
  void LoadWindowIcon();
  void PaintWindowIcon(plat::HDC dc, const vcl::TRect& rect);
  TDataSkinBorder* Border(int part) const;
  vcl::TBitmap* ButtonImage(const TWinSysButton& button, int& frames);
  plat::HRGN BorderRegion(int part, int x, int y, int w, int h);

  plat::HWND handle_;
  TSkinData* skin_data_ = nullptr;
  vcl::TCustomForm* form_ = nullptr;
  bool attached_ = false;
  bool init_done_ = false;
  bool frame_skinned_ = false;
  bool right_to_left_ = false;
  bool child_ = false;
  bool dialog_ = false;
  bool thick_frame_ = false;
  bool active_ = true;
  bool painting_ = false;
  bool retired_ = false;
  int depth_ = 0;
  std::string class_name_;
  plat::HWND owner_ = nullptr;
  plat::DWORD style_ = 0;
  plat::DWORD ex_style_ = 0;
  int caption_flags_ = 0;
  int border_kind_ = 1;
  int window_state_ = 0;
  int phase_ = 0;
  int border_left_ = 0, border_top_ = 0, border_right_ = 0, border_bottom_ = 0;
  int menu_bar_height_ = 0;
  int std_nc_width_ = 0, std_nc_height_ = 0;
  vcl::TRect client_at_init_{};
  vcl::TRect caption_text_rect_{};
  int right_buttons_left_ = 0;
  int painted_width_ = 0, painted_height_ = 0;
  int region_width_ = -1, region_height_ = -1;
  bool region_owned_ = false;
  int region_builds_ = 0;
  plat::HMENU system_menu_ = nullptr;
  vcl::TColor saved_colour_ = 0;
  bool colour_saved_ = false;
  const char* caption_prefix_ = " ";
  const char* caption_suffix_ = "  ";
  std::vector<std::unique_ptr<TWinSysButton>> nc_objects_;
  TNCObject* hot_ = nullptr;
  bool menu_tracking_ = false;
  bool form_hooked_ = false;
  std::unique_ptr<vcl::TTimer> hover_timer_;
  std::unique_ptr<TWinSkinMenu> menu_bar_;
  // The window had a menu when attached: its popups' items are ours.
  bool had_menu_ = false;
  plat::HMENU open_popup_ = nullptr;
  std::unique_ptr<vcl::TPopupMenu> system_popup_;
  bool system_popup_open_ = false;
  plat::DWORD last_system_menu_ = 0;
  bool system_menu_shown_ = false;
  vcl::TBitmap caption_bitmap_;
  vcl::TBitmap icon_bitmap_;
  plat::HICON icon_ = nullptr;
  int icon_size_ = 16;
  vcl::TCanvas work_canvas_;
  std::unique_ptr<TSkinControlList> skin_controls_;
};

}  // namespace skin
