#include "platform/vcl/HintWindow.h"

#include "platform/gdi/Text.h"
#include "platform/gdi/TextLayout.h"
#include "platform/user/Geometry.h"
#include "platform/vcl/TypInfo.h"

namespace vcl {

VCL_IMPLEMENT_CLASS(THintWindow)

namespace {
constexpr int kPadX = 3, kPadY = 2;
}  // namespace

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner) {
  SetVisible(false);
  SetColor(clInfoBk);
}

void THintWindow::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.Style = plat::WS_POPUP | plat::WS_BORDER;
  params.ExStyle = plat::WS_EX_TOOLWINDOW | plat::WS_EX_TOPMOST;
  params.WndParent = nullptr;
}

void THintWindow::ActivateHint(TPoint at, const std::string& hint) {
  SetCaption(hint);
  HandleNeeded();
  Canvas()->SetFont(Font());
  const TSize extent = Canvas()->TextExtent(hint);
  // Plus the border on both sides.
  const int width = extent.cx + 2 * kPadX + 2, height = extent.cy + 2 * kPadY + 2;
  SetBounds(at.x, at.y, width, height);
  plat::SetWindowPos(Handle(), plat::HWND_TOPMOST, at.x, at.y, width, height,
                     plat::SWP_SHOWWINDOW | plat::SWP_NOACTIVATE);
  Invalidate();
}

void THintWindow::ReleaseHint() {
  if (HandleAllocated())
    plat::SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                       plat::SWP_HIDEWINDOW | plat::SWP_NOACTIVATE | plat::SWP_NOMOVE | plat::SWP_NOSIZE |
                           plat::SWP_NOZORDER);
}

bool THintWindow::HintShowing() { return HandleAllocated() && plat::IsWindowVisible(Handle()); }

void THintWindow::Paint() {
  TCanvas* canvas = Canvas();
  TRect r = ClientRect();
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(Color());
  canvas->FillRect(r);
  canvas->SetFont(Font());
  canvas->Brush()->SetStyle(bsClear);
  const std::string text = Caption();
  plat::InflateRect(&r, -kPadX, -kPadY);
  plat::DrawTextA(canvas->Handle(), text.c_str(), static_cast<int>(text.size()), &r,
                  plat::DT_LEFT | plat::DT_NOPREFIX | plat::DT_SINGLELINE);
}

}  // namespace vcl
