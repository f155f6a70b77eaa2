#pragma once
// Base of the displays that draw into memory: a windowless control with its
// bevel, a DIB canvas kept at the control's size, an optional background
// picture copied under each frame, and DrawNow, which paints straight onto
// the parent's window when new data arrive instead of waiting for WM_PAINT.
#include <functional>
#include <memory>

#include "displays/MMDIBCv.h"
#include "engine/MMVisual.h"

namespace displays {

// A paint method bound to a display and the argument DrawNow passes it.
using TMMDrawNowProc = std::function<void(void* arg)>;

// Runs paint at once with the control's Canvas bound to the parent's window
// DC, moved and clipped to the control, from whichever thread delivers data;
// the canvas stays locked meanwhile. Nothing when the control is hidden, has
// no parent window or lies wholly outside what the parent shows.
void DrawControlNow(vcl::TGraphicControl& control, const std::function<void()>& paint);

class TMMDIBGraphicControl : public engine::TMMGraphicControl {
  VCL_DECLARE_CLASS(TMMDIBGraphicControl, engine::TMMGraphicControl)
 public:
  explicit TMMDIBGraphicControl(vcl::TComponent* owner);
  ~TMMDIBGraphicControl() override;

  int Tag2() const { return tag2_; }
  void SetTag2(int value) { tag2_ = value; }

  TMMDIBCanvas* DIBCanvas() const { return dib_canvas_.get(); }
  int32_t BitsPerPixel() const { return dib_canvas_->BitsPerPixel(); }
  // The canvas's palette while PaletteRealize, else none.
  plat::HPALETTE GetPalette() const;

  // The canvas follows the control's size.
  void SetBounds(int left, int top, int width, int height) override;

  // Paints at once through the control's Canvas, on the parent's window DC
  // moved and clipped to the control, from whichever thread delivers data.
  // Nothing when the control is hidden, has no parent window or lies wholly
  // outside what the parent shows.
  void DrawNow(const TMMDrawNowProc& callback, void* arg);

 protected:
  // Descendants publish these.
  vcl::TBitmap* BackGroundDIB() const { return background_.get(); }
  void SetBackGroundDIB(vcl::TBitmap* value) { background_->Assign(value); }
  bool UseBackGroundDIB() const { return background_in_use_; }
  void SetUseBackGroundDIB(bool value);
  bool PaletteRealize() const { return dib_canvas_->PaletteRealize(); }
  void SetPaletteRealize(bool value);
  bool PaletteMapped() const { return dib_canvas_->PaletteMapped(); }
  void SetPaletteMapped(bool value);

  // 8 or 24, else EMMDIBError from the canvas and nothing changes.
  virtual void SetBitsPerPixel(int32_t value);
  // Inside a drawing pass: the background picture over the whole DIB, or a
  // clear to Color without one.
  virtual void DrawBackGround();

  void Loaded() override;
  void BackGroundChanged(vcl::TObject* sender);

 private:
  void ApplyBackGround();

  int tag2_ = 0;
  std::unique_ptr<TMMDIBCanvas> dib_canvas_;
  std::unique_ptr<vcl::TBitmap> background_;
  bool background_in_use_ = false;
  // UseBackGroundDIB as read from a description, applied by Loaded.
  bool requested_background_use_ = false;
};

}  // namespace displays
