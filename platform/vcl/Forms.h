#pragma once
// Top-level windows: TCustomForm and TForm (frame styles, showing, closing,
// modal loops, the focused control), TScreen (the forms, the active form,
// cursors, the screen's size), and the visual side of the application: its
// main form, CreateForm and the hidden window that owns every form.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/vcl/Controls.h"

namespace vcl {

class TBitmap;
class TCustomForm;

enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon>;
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TFormStateFlag { fsCreating, fsVisible, fsShowing, fsModal, fsCreatedMDIChild, fsActivated };
using TFormState = TSet<TFormStateFlag>;

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrAll = 8;

using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TObject* sender, bool& can_close)>;

// A top-level window read from its description, with the published methods
// of its class as event handlers.
class TCustomForm : public TWinControl {
  VCL_DECLARE_CLASS(TCustomForm, TWinControl)
 public:
  explicit TCustomForm(TComponent* owner);
  ~TCustomForm() override;

  TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TBorderStyle value);
  TBorderIcons BorderIcons() const { return border_icons_; }
  void SetBorderIcons(TBorderIcons value);
  TFormStyle FormStyle() const { return form_style_; }
  void SetFormStyle(TFormStyle value);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition value);
  TWindowState WindowState() const { return window_state_; }
  void SetWindowState(TWindowState value);
  bool KeyPreview() const { return key_preview_; }
  void SetKeyPreview(bool value) { key_preview_ = value; }
  TModalResult ModalResult() const { return modal_result_; }
  void SetModalResult(TModalResult value) { modal_result_ = value; }
  TFormState FormState() const { return form_state_; }
  // The menu bar: a TMainMenu (other components are kept as a link only).
  TComponent* Menu() const { return menu_; }
  void SetMenu(TComponent* value);
  bool Scaled() const { return scaled_; }
  void SetScaled(bool value) { scaled_ = value; }
  int PixelsPerInch() const { return pixels_per_inch_; }
  void SetPixelsPerInch(int value) { pixels_per_inch_ = value; }
  int TextHeight() const { return text_height_; }
  void SetTextHeight(int value) { text_height_ = value; }
  bool OldCreateOrder() const { return old_create_order_; }
  void SetOldCreateOrder(bool value) { old_create_order_ = value; }
  // Read from descriptions; until the window exists the frame comes from the styles.
  int StoredClientWidth() const { return ClientWidth(); }
  void SetStoredClientWidth(int value);
  int StoredClientHeight() const { return ClientHeight(); }
  void SetStoredClientHeight(int value);

  // The control that has (or gets, when the form is activated) the focus.
  TWinControl* ActiveControl() const { return active_control_; }
  void SetActiveControl(TWinControl* control);
  // Moves the focus to `control`, activating the form when it is showing.
  void FocusControl(TWinControl* control);
  // Called when `control` receives the window focus: OnExit of the old chain,
  // OnEnter of the new one. False when a handler moved the focus elsewhere.
  bool SetFocusedControl(TWinControl* control);
  // Forgets a control that goes away.
  void ControlDestroying(TWinControl* control);
  bool Active() const { return active_; }

  void Show();
  void Hide();
  // Asks OnCloseQuery, then OnClose decides what closing means.
  void Close();
  virtual bool CloseQuery();
  // Shows the form, disables the application's other windows and handles
  // messages until ModalResult is set; returns it.
  virtual TModalResult ShowModal();
  // Frees the form once the messages now waiting are handled.
  void Release();

  // The form's own key events; controls call them first when KeyPreview is on.
  bool DoKeyDown(uint16_t& key, TShiftState shift) override;
  bool DoKeyPress(char& key) override;
  // Runs the main menu's item with this short-cut; true when one ran.
  virtual bool IsShortCut(uint16_t key, TShiftState shift);

  void SetFocus() override;
  bool CanFocus() const override;
  // Runs OnDestroy once; whoever frees a form calls it while the form is still whole.
  void BeforeDestruction();
  TCanvas* Canvas() const { return canvas_.get(); }

  // The client area painted now into a 24-bit bitmap; the form need not be shown.
  std::unique_ptr<TBitmap> GetFormImage();
  // Prints GetFormImage as one page of Printer(), titled with the caption:
  // scaled to the page with its proportions kept, from the top-left corner.
  // The printer's errors are raised; a cancelled file choice is an EAbort.
  void Print();

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnPaint;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Loaded() override;
  void PaintWindow(plat::HDC dc) override;
  TSize NonClientSize() const override;
  void CMShowingChanged(TMessage& message) override;
  virtual void DoCreate();
  virtual void DoDestroy();
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& action);
  virtual void Activate();
  virtual void Deactivate();
  virtual void Paint();
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend void InitForm(TCustomForm* form);
  friend class TScreen;
  void CloseModal();
  void PlaceOnShow();
  void SetWindowFocus();
  void ApplyWindowState();
  plat::DWORD FrameStyle(plat::DWORD* ex_style) const;

  TBorderStyle border_style_ = bsSizeable;
  TBorderIcons border_icons_{biSystemMenu, biMinimize, biMaximize};
  TFormStyle form_style_ = fsNormal;
  TPosition position_ = poDesigned;
  TWindowState window_state_ = wsNormal;
  bool key_preview_ = false;
  TModalResult modal_result_ = mrNone;
  TFormState form_state_;
  TComponent* menu_ = nullptr;
  bool scaled_ = true;
  int pixels_per_inch_ = 96;
  int text_height_ = 13;
  bool old_create_order_ = false;
  int pending_client_width_ = -1;
  int pending_client_height_ = -1;
  TWinControl* active_control_ = nullptr;
  TWinControl* focused_control_ = nullptr;
  bool active_ = false;
  bool placed_ = false;
  bool destroy_done_ = false;
  std::unique_ptr<TControlCanvas> canvas_;
};

// The form of the application's descriptions; it adds only the published set.
class TForm : public TCustomForm {
  VCL_DECLARE_CLASS(TForm, TCustomForm)
 public:
  using TCustomForm::TCustomForm;
};

// Reads the form's description, registered under its class name by
// RegisterFormResource, then runs OnCreate. Descendant constructors call it.
void InitForm(TCustomForm* form);
// The description text of a form class (by class name); resources register them.
void RegisterFormResource(const std::string& class_name, std::string text);
// The bounds made to lie on the screen's work area: no larger than it, and
// moved onto it where they reach past an edge.
TRect MoveOntoWorkArea(const TRect& bounds);
// The innermost form a control sits on, or null.
TCustomForm* GetParentForm(const TControl* control);

// The screen: the application's forms, the active form, the cursor and the cursor table.
class TScreen : public TComponent {
  VCL_DECLARE_CLASS(TScreen, TComponent)
 public:
  explicit TScreen(TComponent* owner);
  ~TScreen() override;

  int FormCount() const { return static_cast<int>(forms_.size()); }
  TCustomForm* Forms(int index) const;
  TCustomForm* ActiveForm() const { return active_form_; }
  TWinControl* ActiveControl() const;

  // crDefault lets each control's cursor show; anything else overrides them all.
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor value);
  // The handle of a cursor number; unknown numbers give the arrow.
  plat::HCURSOR Cursors(int index) const;
  // Numbers not built in (the program's own cursors) are filled in here; null removes one.
  void SetCursors(int index, plat::HCURSOR handle);

  int Width() const;
  int Height() const;
  TRect WorkAreaRect() const;
  int PixelsPerInch() const { return 96; }

  TNotifyEvent OnActiveFormChange;

 private:
  friend class TCustomForm;
  void AddForm(TCustomForm* form);
  void RemoveForm(TCustomForm* form);
  void SetActiveForm(TCustomForm* form);

  std::vector<TCustomForm*> forms_;
  TCustomForm* active_form_ = nullptr;
  TCursor cursor_ = crDefault;
  std::map<int, plat::HCURSOR> cursors_;
};

// The screen object; lives from InitForms to DoneForms.
extern TScreen* Screen;

// Makes Screen and the application window (InitApplication first); frees them again.
void InitForms();
void DoneForms();

// The application's visual side. The hidden window owns every form, so
// modal windows stay above the windows they block.
plat::HWND ApplicationHandle();
TCustomForm* ApplicationMainForm();
bool ApplicationShowHint();
void SetApplicationShowHint(bool value);
// Makes a form of `cls` owned by the application; `store` gets it before its
// description is read (so OnCreate may use the reference). The first form
// made becomes the main form.
void ApplicationCreateForm(TClass cls, const std::function<void(TCustomForm*)>& store);
template <class T>
void ApplicationCreateForm(T*& reference) {
  ApplicationCreateForm(T::StaticClass(),
                        [&reference](TCustomForm* form) { reference = static_cast<T*>(form); });
}
// Shows the main form (unless the application says not to) and runs the
// message loop until it closes.
void ApplicationRun();

}  // namespace vcl
