// Form printing: the form's picture, painted off screen, on one printed page.
#include "platform/kernel/ScopeGuard.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/Printers.h"

namespace vcl {

namespace {

// The largest rectangle of the image's proportions on the page, at its top-left.
TRect FitToPage(int width, int height, int page_width, int page_height) {
  if (width <= 0 || height <= 0) return Rect(0, 0, 0, 0);
  const int64_t w = width, h = height, pw = page_width, ph = page_height;
  if (pw * h <= ph * w) return Rect(0, 0, page_width, static_cast<int>((h * pw + w / 2) / w));
  return Rect(0, 0, static_cast<int>((w * ph + h / 2) / h), page_height);
}

}  // namespace

std::unique_ptr<TBitmap> TCustomForm::GetFormImage() {
  auto image = std::make_unique<TBitmap>();
  image->SetPixelFormat(pf24bit);
  image->SetSize(ClientWidth(), ClientHeight());
  PaintTo(image->Canvas()->Handle(), 0, 0);
  return image;
}

void TCustomForm::Print() {
  std::unique_ptr<TBitmap> image = GetFormImage();
  TPrinter* printer = Printer();
  {
    // The document is named by the caption; the printer keeps its own title.
    plat::ScopeExit restore([printer, title = printer->Title()] { printer->SetTitle(title); });
    printer->SetTitle(Caption());
    printer->BeginDoc();
  }
  try {
    const TRect page =
        FitToPage(image->Width(), image->Height(), printer->PageWidth(), printer->PageHeight());
    printer->Canvas()->StretchDraw(page, image.get());
    printer->EndDoc();
  } catch (...) {
    if (printer->Printing()) printer->Abort();
    throw;
  }
}

}  // namespace vcl
