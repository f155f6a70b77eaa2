#pragma once
// Visual controls. TControl keeps bounds, alignment, the parent link and the
// font, colour and hint that children inherit, and talks to descendants
// through control messages (Perform -> WindowProc -> WndProc -> Dispatch).
// TWinControl owns a window of the window layer whose procedure dispatches to
// the object; it lays out its children and paints its windowless ones.
// TGraphicControl and TCustomControl paint through a canvas.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/kernel/Types.h"
#include "platform/user/Window.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/Colors.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/Lists.h"
#include "platform/vcl/TypInfo.h"

namespace vcl {

class TControl;
class TWinControl;

// A message as the object sees it; handlers fill in Result.
struct TMessage {
  plat::UINT Msg = 0;
  plat::WPARAM WParam = 0;
  plat::LPARAM LParam = 0;
  plat::LRESULT Result = 0;
};
using TWndMethod = std::function<void(TMessage& message)>;

// The rest of a control's hook chain, as one hook sees it: calling it passes
// the message on to the next hook, and past the last one to WndProc.
class TWndHookNext {
 public:
  void operator()(TMessage& message) const;

 private:
  friend class TControl;
  struct Entry;
  using List = std::vector<std::shared_ptr<Entry>>;
  TWndHookNext(TControl* control, const List* list, size_t index)
      : control_(control), list_(list), index_(index) {}
  TControl* control_;
  const List* list_;
  size_t index_;
};
using TWndHook = std::function<void(TMessage& message, const TWndHookNext& next)>;

// Control messages: notifications between controls, their parents and the
// skin engine. LParam names the control where a message is about a child.
constexpr plat::UINT CM_BASE = 0xB000;
constexpr plat::UINT CM_ACTIVATE = CM_BASE + 0;
constexpr plat::UINT CM_DEACTIVATE = CM_BASE + 1;
constexpr plat::UINT CM_GOTFOCUS = CM_BASE + 2;
constexpr plat::UINT CM_LOSTFOCUS = CM_BASE + 3;
constexpr plat::UINT CM_CANCELMODE = CM_BASE + 4;
constexpr plat::UINT CM_DIALOGKEY = CM_BASE + 5;
constexpr plat::UINT CM_DIALOGCHAR = CM_BASE + 6;
constexpr plat::UINT CM_FOCUSCHANGED = CM_BASE + 7;
constexpr plat::UINT CM_PARENTFONTCHANGED = CM_BASE + 8;
constexpr plat::UINT CM_PARENTCOLORCHANGED = CM_BASE + 9;
constexpr plat::UINT CM_HITTEST = CM_BASE + 10;
constexpr plat::UINT CM_VISIBLECHANGED = CM_BASE + 11;
constexpr plat::UINT CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr plat::UINT CM_COLORCHANGED = CM_BASE + 13;
constexpr plat::UINT CM_FONTCHANGED = CM_BASE + 14;
constexpr plat::UINT CM_CURSORCHANGED = CM_BASE + 15;
constexpr plat::UINT CM_TEXTCHANGED = CM_BASE + 18;
constexpr plat::UINT CM_MOUSEENTER = CM_BASE + 19;
constexpr plat::UINT CM_MOUSELEAVE = CM_BASE + 20;
// A form's main menu changed its items; LParam is the menu.
constexpr plat::UINT CM_MENUCHANGED = CM_BASE + 21;
// Broadcast to a button's siblings: WParam the group index, LParam the button.
constexpr plat::UINT CM_BUTTONPRESSED = CM_BASE + 24;
constexpr plat::UINT CM_SHOWINGCHANGED = CM_BASE + 25;
constexpr plat::UINT CM_ENTER = CM_BASE + 26;
constexpr plat::UINT CM_EXIT = CM_BASE + 27;
constexpr plat::UINT CM_RELEASE = CM_BASE + 33;
constexpr plat::UINT CM_SHOWHINTCHANGED = CM_BASE + 34;
constexpr plat::UINT CM_PARENTSHOWHINTCHANGED = CM_BASE + 35;
// The system colours changed; windowed controls pass it on to their children.
constexpr plat::UINT CM_SYSCOLORCHANGE = CM_BASE + 36;
// The desktop's settings changed (WM_SETTINGCHANGE), passed on to every control.
constexpr plat::UINT CM_WININICHANGE = CM_BASE + 37;
constexpr plat::UINT CM_TABSTOPCHANGED = CM_BASE + 40;
constexpr plat::UINT CM_CONTROLLISTCHANGE = CM_BASE + 44;
constexpr plat::UINT CM_CHILDKEY = CM_BASE + 46;
constexpr plat::UINT CM_RECREATEWND = CM_BASE + 51;
constexpr plat::UINT CM_INVALIDATE = CM_BASE + 52;
// Asked of a control before its hint shows: non-zero keeps the hint hidden.
// LParam points to the THintInfo about to show, which the control may change.
constexpr plat::UINT CM_HINTSHOW = CM_BASE + 48;
constexpr plat::UINT CM_CONTROLCHANGE = CM_BASE + 54;

// Notifications a parent gets about a child window (WM_COMMAND, WM_HSCROLL,
// WM_CTLCOLOR*, ...) are reflected to the child's object as CN_BASE + message.
constexpr plat::UINT CN_BASE = 0xBC00;
constexpr plat::UINT CN_COMMAND = CN_BASE + 0x0111;
constexpr plat::UINT CN_NOTIFY = CN_BASE + 0x004E;
constexpr plat::UINT CN_DRAWITEM = CN_BASE + 0x002B;
constexpr plat::UINT CN_HSCROLL = CN_BASE + 0x0114;
constexpr plat::UINT CN_VSCROLL = CN_BASE + 0x0115;
constexpr plat::UINT CN_CTLCOLORMSGBOX = CN_BASE + 0x0132;
constexpr plat::UINT CN_CTLCOLOREDIT = CN_BASE + 0x0133;
constexpr plat::UINT CN_CTLCOLORLISTBOX = CN_BASE + 0x0134;
constexpr plat::UINT CN_CTLCOLORBTN = CN_BASE + 0x0135;
constexpr plat::UINT CN_CTLCOLORDLG = CN_BASE + 0x0136;
constexpr plat::UINT CN_CTLCOLORSCROLLBAR = CN_BASE + 0x0137;
constexpr plat::UINT CN_CTLCOLORSTATIC = CN_BASE + 0x0138;

struct THintInfo {
  TControl* HintControl = nullptr;
  TPoint CursorPos{};  // screen
  std::string HintStr;
};

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind>;
inline constexpr TAnchors AnchorAlign[] = {
    {akLeft, akTop},                    // alNone
    {akLeft, akTop, akRight},           // alTop
    {akLeft, akRight, akBottom},        // alBottom
    {akLeft, akTop, akBottom},          // alLeft
    {akRight, akTop, akBottom},         // alRight
    {akLeft, akTop, akRight, akBottom}  // alClient
};

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftStateFlag { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateFlag>;

using TMouseEvent =
    std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;
using TKeyEvent = std::function<void(TObject* sender, uint16_t& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TObject* sender, char& key)>;

enum TControlStateFlag {
  csLButtonDown,
  csClicked,
  csPalette,
  csReadingState,
  csAlignmentNeeded,
  csFocusing,
  csCreating,
  csPaintCopy,
  csCustomPaint,
  csDestroyingHandle,
  csDocking
};
using TControlState = TSet<TControlStateFlag>;

enum TControlStyleFlag {
  csAcceptsControls,
  csCaptureMouse,
  csDesignInteractive,
  csClickEvents,
  csFramed,
  csSetCaption,
  csOpaque,
  csDoubleClicks,
  csFixedWidth,
  csFixedHeight,
  csNoDesignVisible,
  csReplicatable,
  csNoStdEvents,
  csDisplayDragImage,
  csReflector,
  csActionClient,
  csMenuEvents,
  csParentBackground
};
using TControlStyle = TSet<TControlStyleFlag>;

// Cursor numbers: the built-in shapes are negative, the program's own cursors
// positive (Screen's cursor table maps both to handles).
using TCursor = int16_t;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;
constexpr TCursor crSize = -22;
// Cursor identifiers of form descriptions.
const TIdentMap& CursorIdents();

enum TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TFormBorderStyle = TBorderStyle;

using TTabOrder = int;

// Base of every visual control.
class TControl : public TComponent {
  VCL_DECLARE_CLASS(TControl, TComponent)
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* value);

  int Left() const { return left_; }
  void SetLeft(int value) { SetBounds(value, top_, width_, height_); }
  int Top() const { return top_; }
  void SetTop(int value) { SetBounds(left_, value, width_, height_); }
  int Width() const { return width_; }
  void SetWidth(int value) { SetBounds(left_, top_, value, height_); }
  int Height() const { return height_; }
  void SetHeight(int value) { SetBounds(left_, top_, width_, value); }
  TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
  void SetBoundsRect(const TRect& r) { SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top); }
  // Moves and sizes in the parent's client coordinates; the parent realigns.
  virtual void SetBounds(int left, int top, int width, int height);

  // The area children and painting use, in the control's own coordinates.
  TRect ClientRect() const { return GetClientRect(); }
  int ClientWidth() const;
  void SetClientWidth(int value);
  int ClientHeight() const;
  void SetClientHeight(int value);
  // The screen position of the client area's top-left corner.
  TPoint ClientOrigin() const { return GetClientOrigin(); }
  TPoint ClientToScreen(TPoint point) const;
  TPoint ScreenToClient(TPoint point) const;

  TAlign Align() const { return align_; }
  void SetAlign(TAlign value);
  TAnchors Anchors() const { return anchors_; }
  void SetAnchors(TAnchors value);

  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  void Show();
  void Hide();
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool value);

  TColor Color() const { return color_; }
  void SetColor(TColor value);
  bool ParentColor() const { return parent_color_; }
  void SetParentColor(bool value);
  TFont* Font() const { return font_.get(); }
  void SetFont(TFont* value) { font_->Assign(value); }
  bool ParentFont() const { return parent_font_; }
  void SetParentFont(bool value);

  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& value) { hint_ = value; }
  bool ShowHint() const { return show_hint_; }
  void SetShowHint(bool value);
  bool ParentShowHint() const { return parent_show_hint_; }
  void SetParentShowHint(bool value);

  // Caption and Text are one value; windowed controls keep it as window text.
  std::string Caption() const { return GetText(); }
  void SetCaption(const std::string& value) { SetText(value); }
  std::string Text() const { return GetText(); }
  void SetText(const std::string& value);

  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor value);
  // The popup menu is a plain component link until menus exist.
  TComponent* PopupMenu() const { return popup_menu_; }
  void SetPopupMenu(TComponent* value);

  TControlState ControlState() const { return control_state_; }
  void SetControlState(TControlState value) { control_state_ = value; }
  TControlStyle ControlStyle() const { return control_style_; }
  void SetControlStyle(TControlStyle value) { control_style_ = value; }

  // Sends a message through WindowProc and returns its result.
  plat::LRESULT Perform(plat::UINT msg, plat::WPARAM wparam = 0, plat::LPARAM lparam = 0);
  // Where messages enter the object. Replacing it cuts out whatever was
  // there; code that only wants to see messages adds a hook instead.
  TWndMethod WindowProc;
  virtual void WndProc(TMessage& message);
  // Hooks between WindowProc and WndProc: the last one added sees a message
  // first and passes it on through `next`. Each is known by its key and
  // leaves by it in any order, also while a message is on its way through
  // the chain; a removed hook is never called again. A second hook under a
  // key already present replaces nothing and answers false.
  bool AddWindowProcHook(const void* key, TWndHook hook);
  bool RemoveWindowProcHook(const void* key);
  bool HasWindowProcHook(const void* key) const;
  // Routes a message to its handler by number; DefaultHandler when there is none.
  virtual void Dispatch(TMessage& message);
  virtual void DefaultHandler(TMessage& message);

  virtual void Invalidate();
  virtual void Update();
  virtual void Repaint();
  void Refresh() { Repaint(); }
  void BringToFront() { SetZOrder(true); }
  void SendToBack() { SetZOrder(false); }

  // Within the same window: the control's own client point in the parent's.
  bool MouseCapture() const;
  void SetMouseCapture(bool value);

  virtual void Click();
  virtual void DblClick();

  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* parent) override;

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TNotifyEvent OnResize;

 protected:
  virtual TRect GetClientRect() const;
  virtual TPoint GetClientOrigin() const;
  virtual std::string GetText() const { return text_; }
  virtual void SetZOrder(bool top);
  // Tells the parent that this control's place in the alignment changed.
  virtual void RequestAlign();
  virtual void Resize();
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;
  // The part of the parent's client area to repaint for this control.
  void InvalidateControl(bool is_visible, bool is_opaque);
  virtual void VisibleChanging() {}
  // Called before the bounds change; may adjust them.
  virtual bool CanResize(int& /*width*/, int& /*height*/) { return true; }

  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);

  // Handlers of the control messages; descendants override and call up.
  virtual void CMEnabledChanged(TMessage& message);
  virtual void CMVisibleChanged(TMessage& message);
  virtual void CMFontChanged(TMessage& message);
  virtual void CMColorChanged(TMessage& message);
  virtual void CMTextChanged(TMessage& message);
  virtual void CMParentFontChanged(TMessage& message);
  virtual void CMParentColorChanged(TMessage& message);
  virtual void CMParentShowHintChanged(TMessage& message);
  virtual void CMMouseEnter(TMessage& message);
  virtual void CMMouseLeave(TMessage& message);
  virtual void CMHitTest(TMessage& message);

  bool IsColorStored() const { return !parent_color_; }
  bool IsFontStored() const { return !parent_font_; }
  bool IsShowHintStored() const { return !parent_show_hint_; }

  // Changes the fields without notifying; the writers build on these.
  void UpdateBoundsRect(const TRect& r);
  void UpdateAnchorRules();

 private:
  friend class TWndHookNext;
  // Runs the hooks of `list` below `index`, then WndProc.
  void RunHooks(TMessage& message, const TWndHookNext::List& list, size_t index);
  // Copied on change, so a message on its way keeps the list it started with.
  std::shared_ptr<const TWndHookNext::List> hooks_;
  // Expires with the control: code that hands a message on to handlers which
  // may free the control (a click's) looks at it before going on.
  std::shared_ptr<const char> life_ = std::make_shared<const char>();

  friend class TWinControl;
  friend class TCustomForm;
  void FontChanged(TObject* sender);
  void MouseButtonMessage(TMessage& message, TMouseButton button, bool down, bool dbl);
  void SendCancelMode();

  TWinControl* parent_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  TAlign align_ = alNone;
  TAnchors anchors_{akLeft, akTop};
  // Distances kept for anchors at the right and bottom, against the parent's client size.
  TPoint anchor_origin_{};
  TPoint anchor_extent_{};
  TPoint anchor_size_{};  // the parent's client size when the rule was made
  bool visible_ = true;
  bool enabled_ = true;
  TColor color_ = clWindow;
  bool parent_color_ = true;
  std::unique_ptr<TFont> font_;
  bool parent_font_ = true;
  std::string hint_;
  bool show_hint_ = false;
  bool parent_show_hint_ = true;
  std::string text_;
  TCursor cursor_ = crDefault;
  TComponent* popup_menu_ = nullptr;
  TControlState control_state_;
  TControlStyle control_style_{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  bool updating_font_ = false;
};

// The canvas of a control: the DC of its window, or of its parent's window
// clipped and moved to the control's bounds for windowless controls.
class TControlCanvas : public TCanvas {
  VCL_DECLARE_CLASS(TControlCanvas, TCanvas)
 public:
  TControlCanvas() = default;
  ~TControlCanvas() override;
  TControl* Control() const { return control_; }
  void SetControl(TControl* value);
  // Lets go of a DC the canvas fetched itself.
  void FreeHandle();
  // Runs paint drawing on dc; the canvas lets go of dc afterwards, even on a throw.
  void PaintOn(plat::HDC dc, const std::function<void()>& paint);

 protected:
  void CreateHandle() override;

 private:
  TControl* control_ = nullptr;
  plat::HDC dc_ = nullptr;
  plat::HWND window_ = nullptr;
};

// A control with a window of its own.
class TWinControl : public TControl {
  VCL_DECLARE_CLASS(TWinControl, TControl)
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  // Made on first use, with the parent's window first.
  plat::HWND Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  void HandleNeeded();
  void DestroyHandle();
  // Remakes the window with the current creation parameters.
  void RecreateWnd();
  // For windows without a parent control: the window to be a child of or owned by.
  plat::HWND ParentWindow() const { return parent_window_; }
  void SetParentWindow(plat::HWND value);

  int ControlCount() const { return static_cast<int>(controls_.size() + win_controls_.size()); }
  // Windowless children first, then windowed ones, each in z-order from the bottom.
  TControl* Controls(int index) const;
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  bool ContainsControl(const TControl* control) const;
  // The topmost visible child under a client point.
  TControl* ControlAtPos(TPoint point, bool allow_disabled, bool allow_win_controls = false) const;
  // Offers `message` to each child in turn until one answers non-zero.
  void Broadcast(TMessage& message);

  void DisableAlign();
  void EnableAlign();
  bool AlignDisabled() const { return align_level_ > 0; }
  void Realign();

  TTabOrder TabOrder() const;
  void SetTabOrder(TTabOrder value);
  bool TabStop() const { return tab_stop_; }
  void SetTabStop(bool value);
  // Enabled, visible controls whose window can take the focus.
  void GetTabOrderList(std::vector<TWinControl*>& list);
  TWinControl* FindNextControl(TWinControl* current, bool go_forward, bool check_tab_stop, bool check_parent);
  void SelectNext(TWinControl* current, bool go_forward, bool check_tab_stop);

  virtual bool CanFocus() const;
  bool Focused() const;
  virtual void SetFocus();
  // Visible, and so are all its parents.
  bool Showing() const { return showing_; }

  bool DoubleBuffered() const { return double_buffered_; }
  void SetDoubleBuffered(bool value) { double_buffered_ = value; }
  TBrush* Brush() const { return brush_.get(); }

  // Paints the control and its children into `dc` with the control's top-left at (x, y).
  void PaintTo(plat::HDC dc, int x, int y);

  void SetBounds(int left, int top, int width, int height) override;
  void Invalidate() override;
  void Update() override;
  void Repaint() override;
  void Dispatch(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;
  void WndProc(TMessage& message) override;
  // Filing: on the root, its components without a parent first; then the
  // child controls the root owns.
  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) override;

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;

  // The object behind a window made by this library; null for other windows.
  static TWinControl* FindControl(plat::HWND window);

 protected:
  struct TCreateParams {
    std::string Caption;
    plat::DWORD Style = 0;
    plat::DWORD ExStyle = 0;
    int X = 0, Y = 0, Width = 0, Height = 0;
    plat::HWND WndParent = nullptr;
    void* Param = nullptr;
    plat::WNDCLASSA WindowClass;
    std::string WinClassName;
  };
  virtual void CreateParams(TCreateParams& params);
  virtual void CreateHandle();
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& params);
  // For wrappers of the window layer's controls ("Button", "Edit", ...): the
  // window is made of that class and the object's procedure goes in front of
  // the class's own, which becomes the default handler.
  void CreateSubClass(TCreateParams& params, const char* control_class);
  bool IsSubClassed() const { return default_proc_ && default_proc_ != &plat::DefWindowProcA; }
  virtual void DestroyWnd();
  virtual void DestroyWindowHandle();
  // Entry from the window procedure: WindowProc with exceptions handed to the application.
  void MainWndProc(TMessage& message);

  // Lays out aligned and anchored children inside `rect` (the client area).
  virtual void AlignControls(TControl* control, TRect& rect);
  void AlignControl(TControl* control);
  // Paints the window's own content; the default window procedure does nothing.
  virtual void PaintWindow(plat::HDC dc);
  void PaintHandler(TMessage& message);
  // Paints the windowless children from `first` up (all when null) into `dc`.
  void PaintControls(plat::HDC dc, TControl* first);
  virtual void ShowControl(TControl* control);
  void SetZOrder(bool top) override;
  void SetZOrderPosition(int position);
  void UpdateShowing();
  void UpdateControlState();
  std::string GetText() const override;
  void Loaded() override;
  TRect GetClientRect() const override;
  TPoint GetClientOrigin() const override;
  // Widths of the window frame (window size minus client size) before the window exists.
  virtual TSize NonClientSize() const { return TSize{0, 0}; }

  virtual void DoEnter();
  virtual void DoExit();
  virtual bool DoKeyDown(uint16_t& key, TShiftState shift);
  virtual bool DoKeyPress(char& key);
  virtual void KeyDown(uint16_t& key, TShiftState shift);
  virtual void KeyUp(uint16_t& key, TShiftState shift);
  virtual void KeyPress(char& key);

  void CMEnabledChanged(TMessage& message) override;
  void CMVisibleChanged(TMessage& message) override;
  void CMFontChanged(TMessage& message) override;
  void CMColorChanged(TMessage& message) override;
  void CMTextChanged(TMessage& message) override;
  virtual void CMShowingChanged(TMessage& message);

  // The child (or this control) a mouse message of this window is for.
  bool IsControlMouseMsg(TMessage& message);

 private:
  friend class TControl;
  friend class TCustomForm;
  static plat::LRESULT StaticWndProc(plat::HWND hwnd, plat::UINT msg, plat::WPARAM wparam,
                                     plat::LPARAM lparam);
  void Insert(TControl* control);
  void Remove(TControl* control);
  void AlignChildren(TControl* control);
  void NotifyControls(plat::UINT msg);
  // Sends a child's notification back to the child's object; false when the
  // message is not one or the child has none.
  bool ReflectToChild(TMessage& message);
  // Right clicks and the menu key: the popup menu of the control under the point.
  bool DoContextPopup(TMessage& message);
  void WndProcMouse(TMessage& message);
  void ApplyWindowPos();
  void ReadWindowBounds();

  plat::HWND handle_ = nullptr;
  plat::HWND parent_window_ = nullptr;
  plat::WNDPROC default_proc_ = nullptr;
  std::vector<TControl*> controls_;         // windowless, bottom first
  std::vector<TWinControl*> win_controls_;  // windowed, bottom first
  std::vector<TWinControl*> tab_list_;
  std::unique_ptr<TBrush> brush_;
  int align_level_ = 0;
  bool tab_stop_ = false;
  bool showing_ = false;
  bool double_buffered_ = false;
  bool applying_bounds_ = false;  // a move the object made itself is not read back
  bool aligning_ = false;         // children moved by AlignControls keep their anchor rules
  // Tab orders read from a description, applied once all siblings exist.
  std::unordered_map<const TControl*, int> tab_orders_;
};

// A windowless control that paints on its parent's window through Canvas.
class TGraphicControl : public TControl {
  VCL_DECLARE_CLASS(TGraphicControl, TControl)
 public:
  explicit TGraphicControl(TComponent* owner);
  ~TGraphicControl() override;
  TCanvas* Canvas() const { return canvas_.get(); }
  void Dispatch(TMessage& message) override;

 protected:
  virtual void Paint() {}

 private:
  std::unique_ptr<TControlCanvas> canvas_;
};

// A windowed control that paints itself through Canvas.
class TCustomControl : public TWinControl {
  VCL_DECLARE_CLASS(TCustomControl, TWinControl)
 public:
  explicit TCustomControl(TComponent* owner);
  ~TCustomControl() override;
  TCanvas* Canvas() const { return canvas_.get(); }

 protected:
  virtual void Paint() {}
  void PaintWindow(plat::HDC dc) override;

 private:
  std::unique_ptr<TControlCanvas> canvas_;
};

// Key state of the shift keys and mouse buttons a message carries.
TShiftState KeysToShiftState(plat::WPARAM keys);
TShiftState KeyDataToShiftState(plat::LPARAM key_data);

// The control holding the mouse, or null. When its window loses capture
// to another window (or capture is released behind its back), a windowless
// capture control receives WM_CAPTURECHANGED (LParam: the new capture
// window) so it can end a drag or read-out; giving capture up through
// SetCaptureControl sends no such notice.
TControl* GetCaptureControl();
void SetCaptureControl(TControl* control);

}  // namespace vcl
