#include "displays/MMDIBDisp.h"

#include "platform/gdi/Gdi.h"
#include "platform/kernel/ScopeGuard.h"
#include "platform/user/Paint.h"
#include "platform/vcl/TypInfo.h"

namespace displays {

VCL_IMPLEMENT_CLASS(TMMDIBGraphicControl,
                    IntProp("Tag2", &TMMDIBGraphicControl::Tag2, &TMMDIBGraphicControl::SetTag2).Default(0))

TMMDIBGraphicControl::TMMDIBGraphicControl(vcl::TComponent* owner)
    : engine::TMMGraphicControl(owner),
      dib_canvas_(std::make_unique<TMMDIBCanvas>(this)),
      background_(std::make_unique<vcl::TBitmap>()) {
  background_->OnChange = [this](vcl::TObject* sender) { BackGroundChanged(sender); };
  dib_canvas_->SetBounds(0, 0, Width(), Height());
}

TMMDIBGraphicControl::~TMMDIBGraphicControl() {
  background_->OnChange = nullptr;
  background_.reset();
  dib_canvas_.reset();
}

plat::HPALETTE TMMDIBGraphicControl::GetPalette() const {
  return dib_canvas_->PaletteRealize() ? dib_canvas_->Palette() : nullptr;
}

void TMMDIBGraphicControl::SetBounds(int left, int top, int width, int height) {
  inherited::SetBounds(left, top, width, height);
  // The base constructor sizes the control before the canvas exists.
  if (dib_canvas_) dib_canvas_->SetBounds(left, top, width, height);
}

void TMMDIBGraphicControl::SetPaletteRealize(bool value) {
  if (value == dib_canvas_->PaletteRealize()) return;
  dib_canvas_->SetPaletteRealize(value);
  Invalidate();
}

void TMMDIBGraphicControl::SetPaletteMapped(bool value) {
  if (value == dib_canvas_->PaletteMapped()) return;
  dib_canvas_->SetPaletteMapped(value);
  Invalidate();
}

void TMMDIBGraphicControl::SetBitsPerPixel(int32_t value) {
  dib_canvas_->SetBitsPerPixel(value);
  Invalidate();
}

void TMMDIBGraphicControl::ApplyBackGround() {
  dib_canvas_->SetBackGroundBitmap(background_in_use_ ? background_.get() : nullptr);
  Invalidate();
}

void TMMDIBGraphicControl::SetUseBackGroundDIB(bool value) {
  if (ComponentState().Contains(vcl::csLoading)) {
    // The picture may come later in the description.
    requested_background_use_ = value;
    return;
  }
  if (value == background_in_use_) return;
  background_in_use_ = value && !background_->Empty();
  SetPaletteRealize(background_in_use_);
  ApplyBackGround();
}

void TMMDIBGraphicControl::BackGroundChanged(vcl::TObject*) {
  if (ComponentState().Contains(vcl::csLoading)) return;
  if (DesignMode()) {
    // In the designer a new picture switches itself on and an empty one off.
    background_in_use_ = !background_->Empty();
    SetPaletteRealize(background_in_use_);
    if (!background_in_use_) SetPaletteMapped(false);
  }
  ApplyBackGround();
}

void TMMDIBGraphicControl::Loaded() {
  inherited::Loaded();
  SetUseBackGroundDIB(requested_background_use_);
}

void TMMDIBGraphicControl::DrawBackGround() {
  if (dib_canvas_->PixelBits() && dib_canvas_->BackGroundBits()) {
    TMMDIBCanvas::DIB_CopyRect(dib_canvas_->BackGroundBits(), 0, 0, dib_canvas_->Width(),
                               dib_canvas_->Height(), 0, 0);
  } else {
    dib_canvas_->DIB_SetTColor(Color());
    TMMDIBCanvas::DIB_Clear();
  }
}

void TMMDIBGraphicControl::DrawNow(const TMMDrawNowProc& callback, void* arg) {
  DrawControlNow(*this, [&] {
    // Drawn at once, onto what the display itself last put there.
    TScreenKept kept(dib_canvas_.get(), Canvas()->Handle());
    callback(arg);
  });
}

void DrawControlNow(vcl::TGraphicControl& control, const std::function<void()>& paint) {
  vcl::TWinControl* parent = control.Parent();
  if (!control.Visible() || !parent || !parent->HandleAllocated()) return;
  const plat::HWND window = parent->Handle();
  const plat::HDC dc = plat::GetDC(window);
  if (!dc) return;
  auto* canvas = static_cast<vcl::TControlCanvas*>(control.Canvas());
  // Locked first: another thread may be drawing with a DC the canvas
  // fetched for itself, which would otherwise be released under it.
  canvas->Lock();
  canvas->FreeHandle();
  plat::ScopeExit release([&] {
    canvas->SetHandle(nullptr);
    plat::ReleaseDC(window, dc);
    canvas->Unlock();
  });
  const int left = control.Left();
  const int top = control.Top();
  const plat::RECT r{left, top, left + control.Width(), top + control.Height()};
  if (!plat::RectVisible(dc, &r)) return;
  plat::POINT origin{};
  plat::GetWindowOrgEx(dc, &origin);
  plat::SetWindowOrgEx(dc, origin.x - left, origin.y - top, nullptr);
  plat::IntersectClipRect(dc, 0, 0, control.Width(), control.Height());
  canvas->SetHandle(dc);
  // The screen is given only the part that was drawn.
  plat::SetBoundsRect(dc, nullptr, plat::DCB_ENABLE | plat::DCB_RESET);
  paint();
}

}  // namespace displays
