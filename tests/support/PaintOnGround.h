#pragma once
// Paints a control onto a 24-bit bitmap filled with a ground colour, through
// the control's own canvas, so a test reads what Paint drew and where it left
// the ground alone. Header only: the test programs that use it link the class
// library themselves.
#include <memory>

#include "platform/vcl/Colors.h"
#include "platform/vcl/GraphicsBitmap.h"

namespace testsupport {

// `control` exposes Paint (a probe subclass) and a Canvas.
template <class C>
std::unique_ptr<vcl::TBitmap> PaintOnGround(C& control, vcl::TColor ground) {
  auto bitmap = std::make_unique<vcl::TBitmap>();
  bitmap->SetPixelFormat(vcl::pf24bit);
  bitmap->SetSize(control.Width(), control.Height());
  bitmap->Canvas()->Brush()->SetColor(ground);
  bitmap->Canvas()->FillRect(vcl::Rect(0, 0, control.Width(), control.Height()));
  control.Canvas()->SetHandle(bitmap->Canvas()->Handle());
  control.Paint();
  control.Canvas()->SetHandle(nullptr);
  return bitmap;
}

}  // namespace testsupport
