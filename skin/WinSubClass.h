#pragma once
// TSkinControl: the companion that paints one standard control from the
// skin. It sits in front of the control's own message handling, lets that
// handling run or not, and paints afterwards; each kind of control has a
// descendant with its own painter.
//
// Who owns what:
// - The form skin owns every companion of its window from the companion's
//   attach on (it is made with new and attached at once; one never attached
//   is its maker's). The control does not own its companion.
// - A companion owns its helper windows (AdoptHelper). It follows its
//   control and each helper through free notification and the window's
//   WM_NCDESTROY: once one is going, the companion never writes into it
//   again, and a helper someone else freed is not freed twice.
// - A companion is never freed while one of its handlers runs: Free retires
//   it at once (no further message reaches it) and the last handler to
//   return frees it.
//
// How it hooks: a class-library control through the control's ordered
// WindowProc hook list (keyed by the companion), a bare window through the
// window's subclass chain. Both are left by key in any order, so nothing
// that hooked the same control or window before or after is cut out.
//
// Main thread only.
#include <memory>
#include <string>
#include <vector>

#include "platform/kernel/Types.h"
#include "platform/user/Subclass.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/Graphics.h"

namespace vcl {
class TBitmap;
}

namespace skin {

class TSkinData;
class TWinSkinForm;

inline constexpr plat::UINT SKM_SETACTIVE = 0x3506;
inline constexpr plat::UINT SKM_REATTACHSCROLL = 0x3517;

// Mouse state bits.
inline constexpr int kSkinHover = 1;
inline constexpr int kSkinPressed = 2;

// SkinState values.
inline constexpr int kSkinCreated = 0;
inline constexpr int kSkinAttached = 1;
inline constexpr int kSkinPanelRemoved = 2;
inline constexpr int kSkinWindowGone = 6;

class TSkinControl : public vcl::TComponent {
 public:
  // `subject` is the control AttachControl skins (nil for a bare window).
  explicit TSkinControl(vcl::TComponent* subject = nullptr);
  ~TSkinControl() override;

  // Frees the companion now, or, while one of its handlers runs, retires it
  // (hook and subclass left, out of its form skin's list) and frees it when
  // the last handler returns.
  static void Free(TSkinControl* companion);

  // Hooks the subject control; does nothing when already attached or when
  // the subject is gone.
  virtual void AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                             vcl::TCanvas* canvas);
  // Subclasses a bare window.
  virtual void AttachWindow(plat::HWND handle, TSkinData* skin_data, TWinSkinForm* skin_form,
                            vcl::TCanvas* canvas);
  // The control's colour and parent background back (not into a control
  // that is going).
  virtual void Unskin();
  virtual void RefreshSkin();
  // Records the window rectangle and draws over the whole window; with no DC
  // on the window's own DC.
  virtual void PaintControl(plat::HDC dc);
  virtual void DrawControl(plat::HDC dc, const vcl::TRect& rect);
  virtual bool AllowHotTrack() { return true; }

  // Sends the class library's mouse-leave notice to the window.
  void SendMouseLeave();
  void RepaintWindow();
  // Text of a window, at most 1000 characters.
  static std::string WindowText(plat::HWND window);
  static void CopyBitmap(vcl::TBitmap* source, vcl::TBitmap* target);

  // A helper window the companion made; freed with the companion unless it
  // went first.
  void AdoptHelper(vcl::TControl* helper);
  const std::vector<vcl::TControl*>& Helpers() const { return helpers_; }

  int MouseState = 0;
  vcl::TCanvas* WorkCanvas = nullptr;
  bool IsEnabled = false;
  bool IsFocused = false;
  std::string CaptionText;
  bool SkinActive = true;
  bool UseSkinColour = false;
  vcl::TColor SavedColour = vcl::clBtnFace;
  bool SavedParentColour = false;
  int Mode = 0;
  bool ParentBackgroundWasTrue = false;
  vcl::TRect WindowRect{};

  TSkinData* SkinData() const { return skin_data_; }
  TWinSkinForm* SkinForm() const { return skin_form_; }
  plat::HWND Handle() const { return handle_; }
  // The skinned windowed control; nil for a bare window and once it is gone.
  vcl::TWinControl* Control() const { return control_; }
  // The skinned windowless control (speed buttons); nil once it is gone.
  vcl::TControl* GraphicControl() const { return graphic_; }
  bool Attached() const { return attached_; }
  int SkinState() const { return skin_state_; }
  // A handler of this companion is running.
  bool InDispatch() const { return depth_ > 0; }
  bool Retired() const { return retired_; }

 protected:
  // True lets the control's own handling and then PostProcessMessage run.
  virtual bool PreProcessMessage(vcl::TMessage& message);
  virtual void PostProcessMessage(vcl::TMessage& message);
  void CallPrevious(vcl::TMessage& message);
  // The control (windowed or not) while it may still be written into.
  vcl::TControl* LiveControl() const;
  void SwitchParentBackground(bool on);
  // A family's own states (a panel whose skin was taken off is 2).
  void SetSkinState(int state) {
    if (skin_state_ != kSkinWindowGone) skin_state_ = state;
  }
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;

  TSkinData* skin_data_ = nullptr;
  TWinSkinForm* skin_form_ = nullptr;

 private:
  static plat::LRESULT SubclassProc(plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam,
                                    plat::LPARAM lparam, plat::UINT_PTR id, plat::DWORD_PTR ref);
  // Every message of the window or control; `next` is the previous handling.
  void SkinWindowProc(vcl::TMessage& message, const vcl::TWndHookNext* next);
  // Leaves the hook and the subclass chain.
  void Unhook();
  // Runs one message as a handler; frees a retired companion on the way out.
  static void Enter(TSkinControl* self, vcl::TMessage& message, const vcl::TWndHookNext* next);

  vcl::TComponent* subject_ = nullptr;
  vcl::TWinControl* control_ = nullptr;
  vcl::TControl* graphic_ = nullptr;
  vcl::TControl* hooked_ = nullptr;
  plat::HWND handle_ = nullptr;
  bool subclassed_ = false;
  bool attached_ = false;
  int skin_state_ = kSkinCreated;
  int depth_ = 0;
  bool retired_ = false;
  const vcl::TWndHookNext* next_ = nullptr;
  std::vector<vcl::TControl*> helpers_;
};

// The companions of one form skin, owned.
class TSkinControlList {
 public:
  TSkinControlList() = default;
  ~TSkinControlList();
  TSkinControlList(const TSkinControlList&) = delete;
  TSkinControlList& operator=(const TSkinControlList&) = delete;

  // Takes the companion over unless it is listed already; answers whether it was.
  bool Add(TSkinControl* companion);
  // Takes it out without freeing it (its own destruction calls this).
  void Remove(TSkinControl* companion);
  // Frees every companion whose window or control is gone.
  void Sweep();
  // Unskins (unless gone) and frees every companion.
  void UnskinAll();
  void RefreshAll();
  // The last companion of the window, or nil.
  TSkinControl* Find(plat::HWND window) const;
  int Count() const { return static_cast<int>(items_.size()); }
  TSkinControl* Items(int index) const { return items_[static_cast<size_t>(index)]; }

 private:
  // Links; each entry is owned by the list until it leaves it.
  std::vector<TSkinControl*> items_;
};

}  // namespace skin
