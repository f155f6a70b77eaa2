#pragma once
// The library's visual component bases, one per kind of class-library
// control: each adds the design-mode pair and, for the painted ones, an owned
// TMMBevel whose changes repaint the control. The two templates below hold
// what the bases share; the bases differ only in how they paint and align.
#include <functional>
#include <memory>

#include "engine/MMObj.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/ExtCtrls.h"

namespace engine {

// Registers the streamable visual classes with the class library.
void MMVisualInitialize();

// ---- shared by the bases ----

// The design-mode pair on top of a class-library control.
template <class Control>
class TMMDesignControl : public Control {
 public:
  explicit TMMDesignControl(vcl::TComponent* owner) : Control(owner) {}

  bool DesignMode() const { return this->ComponentState().Contains(vcl::csDesigning); }
  // ChangeDesignMode only when value differs from the design state.
  virtual void SetDesignMode(bool value);
  // The design state of this control and its children, then, for a windowed
  // control, the control state.
  virtual void ChangeDesignMode(bool value);
};

// A design-mode control with an owned TMMBevel around its inside.
template <class Control>
class TMMBevelControl : public TMMDesignControl<Control> {
 public:
  explicit TMMBevelControl(vcl::TComponent* owner);
  ~TMMBevelControl() override;

  int BevelExtent() const { return bevel_ ? bevel_->BevelExtent() : 0; }
  // The client rectangle inside the bevel; the displays draw there.
  vcl::TRect BevelClientRect() const;

 protected:
  // Descendants publish it; writing copies into the owned bevel.
  TMMBevel* Bevel() const { return bevel_.get(); }
  void SetBevel(TMMBevel* value) { bevel_->Assign(value); }
  // Paints the bevel over the client area and returns the rectangle inside it.
  vcl::TRect PaintBevel(bool fill_border);
  // Called when the bevel changes; the default repaints through Changed.
  virtual void BevelChanged() { Changed(); }
  // Repaints; descendants recompute their layout here.
  virtual void Changed() { this->Invalidate(); }

 private:
  std::unique_ptr<TMMBevel> bevel_;
};

extern template class TMMDesignControl<vcl::TWinControl>;
extern template class TMMDesignControl<vcl::TCustomControl>;
extern template class TMMDesignControl<vcl::TCustomPanel>;
extern template class TMMDesignControl<vcl::TGraphicControl>;
extern template class TMMBevelControl<vcl::TCustomControl>;
extern template class TMMBevelControl<vcl::TCustomPanel>;
extern template class TMMBevelControl<vcl::TGraphicControl>;

// ---- TMMWinControl ----

class TMMWinControl : public TMMDesignControl<vcl::TWinControl> {
  VCL_DECLARE_CLASS(TMMWinControl, vcl::TWinControl)
 public:
  explicit TMMWinControl(vcl::TComponent* owner) : TMMDesignControl(owner) {}
};

// ---- TMMCustomControl ----

// A windowed control painted as its bevel around a fill of Color.
class TMMCustomControl : public TMMBevelControl<vcl::TCustomControl> {
  VCL_DECLARE_CLASS(TMMCustomControl, vcl::TCustomControl)
 public:
  explicit TMMCustomControl(vcl::TComponent* owner);

 protected:
  void Paint() override;
};

// ---- TMMCustomPanel and TMMPanel ----

using TMMPaintBackgroundEvent =
    std::function<void(vcl::TObject* sender, vcl::TCanvas* canvas, const vcl::TRect& rect)>;

// A panel whose edges are its TMMBevel; the class library's own bevels and
// border stay off.
class TMMCustomPanel : public TMMBevelControl<vcl::TCustomPanel> {
  VCL_DECLARE_CLASS(TMMCustomPanel, vcl::TCustomPanel)
 public:
  explicit TMMCustomPanel(vcl::TComponent* owner);

 protected:
  // Without it the border band is reserved but left unpainted.
  bool FillBorder() const { return fill_border_; }
  void SetFillBorder(bool value);

  void AlignControls(vcl::TControl* control, vcl::TRect& rect) override;
  void Paint() override;
  // The children stay inside the bevel, so they realign first.
  void BevelChanged() override;

  // Replaces all painting when assigned.
  vcl::TNotifyEvent OnCustomPaint;
  // Replaces the fill inside the bevel when assigned.
  TMMPaintBackgroundEvent OnPaintBackground;

 private:
  bool fill_border_ = true;
};

// The class library has no drag and drop or 3-D switch yet; the panel keeps
// these values and events so stored descriptions read and write them.
enum TDragMode { dmManual, dmAutomatic };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
using TDragDropEvent = std::function<void(vcl::TObject* sender, vcl::TObject* source, int x, int y)>;
using TDragOverEvent = std::function<void(vcl::TObject* sender, vcl::TObject* source, int x, int y,
                                          TDragState state, bool& accept)>;
using TEndDragEvent = std::function<void(vcl::TObject* sender, vcl::TObject* target, int x, int y)>;
using TStartDragEvent = std::function<void(vcl::TObject* sender, vcl::TObject*& drag_object)>;

class TMMPanel : public TMMCustomPanel {
  VCL_DECLARE_CLASS(TMMPanel, TMMCustomPanel)
 public:
  explicit TMMPanel(vcl::TComponent* owner) : TMMCustomPanel(owner) {}

  using TMMCustomPanel::Bevel;
  using TMMCustomPanel::SetBevel;

  bool Ctl3D() const { return ctl3d_; }
  void SetCtl3D(bool value) { ctl3d_ = value; }
  bool ParentCtl3D() const { return parent_ctl3d_; }
  void SetParentCtl3D(bool value) { parent_ctl3d_ = value; }
  vcl::TCursor DragCursor() const { return drag_cursor_; }
  void SetDragCursor(vcl::TCursor value) { drag_cursor_ = value; }
  TDragMode DragMode() const { return drag_mode_; }
  void SetDragMode(TDragMode value) { drag_mode_ = value; }

  TDragDropEvent OnDragDrop;
  TDragOverEvent OnDragOver;
  TEndDragEvent OnEndDrag;
  TStartDragEvent OnStartDrag;

 private:
  bool ctl3d_ = true;
  bool parent_ctl3d_ = true;
  vcl::TCursor drag_cursor_ = vcl::crDrag;
  TDragMode drag_mode_ = dmManual;
};

// ---- TMMGraphicControl ----

// A windowless control painted as its bevel around a fill of Color, or
// around nothing when Transparent.
class TMMGraphicControl : public TMMBevelControl<vcl::TGraphicControl> {
  VCL_DECLARE_CLASS(TMMGraphicControl, vcl::TGraphicControl)
 public:
  explicit TMMGraphicControl(vcl::TComponent* owner);

 protected:
  // Transparent controls are not opaque and leave the inside unfilled.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);

  void Paint() override;

 private:
  bool transparent_ = false;
};

// ---- TMMCommonDialog ----

// Base of the wave open and save dialogs: the class library's dialog base.
class TMMCommonDialog : public vcl::TCommonDialog {
  VCL_DECLARE_CLASS(TMMCommonDialog, vcl::TCommonDialog)
 public:
  explicit TMMCommonDialog(vcl::TComponent* owner) : vcl::TCommonDialog(owner) {}
};

}  // namespace engine
