#include "app/PeakForm.h"

#include <algorithm>

#include "engine/MMUtils.h"
#include "platform/registry/Registry.h"
#include "platform/user/Geometry.h"
#include "platform/vcl/ExtTimer.h"
#include "platform/vcl/StdCtrls.h"

namespace app {

TfPeak* fPeak = nullptr;
const char* const kPeakWindowKey = "Vantorel\\Sonavex Pro Live 2013";

namespace {

int ReadBound(const char* name, int current) {
  return engine::RegReadVariant(plat::HKEY_CURRENT_USER, kPeakWindowKey, name,
                                plat::Variant(int32_t{current}))
      .AsInteger();
}

void WriteBound(const char* name, int value) {
  engine::RegWriteVariant(plat::HKEY_CURRENT_USER, kPeakWindowKey, name, plat::Variant(int32_t{value}));
}

}  // namespace

TfPeak::TfPeak(vcl::TComponent* owner) : vcl::TForm(owner) { InitAppForm(this, fPeak); }

TfPeak::~TfPeak() {
  // The bounds are stored while the window is still whole.
  BeforeDestruction();
  if (fPeak == this) fPeak = nullptr;
}

void TfPeak::Loaded() {
  vcl::TForm::Loaded();
  Label1 = dynamic_cast<vcl::TLabel*>(FindComponent("Label1"));
  Timer1 = dynamic_cast<vcl::TTimer*>(FindComponent("Timer1"));
  if (!Label1 || !Timer1) throw EAppFormError("The description of TfPeak lacks one of its controls");
}

bool TfPeak::CanResize(int& width, int& height) {
  width = std::clamp(width, kMinWidth, kMaxWidth);
  height = std::clamp(height, kMinHeight, kMaxHeight);
  return vcl::TForm::CanResize(width, height);
}

void TfPeak::Dispatch(vcl::TMessage& message) {
  vcl::TForm::Dispatch(message);
  // Sizing the window by its frame keeps to the same limits.
  if (message.Msg == plat::WM_GETMINMAXINFO) {
    auto* info = reinterpret_cast<plat::MINMAXINFO*>(message.LParam);
    info->ptMinTrackSize = plat::POINT{kMinWidth, kMinHeight};
    info->ptMaxTrackSize = plat::POINT{kMaxWidth, kMaxHeight};
  }
}

void TfPeak::ReadBounds() {
  SetBounds(ReadBound("peak.x", Left()), ReadBound("peak.y", Top()), ReadBound("peak.w", Width()),
            ReadBound("peak.h", Height()));
}

void TfPeak::FormCreate(vcl::TObject*) {
  // Without stored bounds the window starts at the smallest size in the corner.
  SetBounds(ReadBound("peak.x", 0), ReadBound("peak.y", 0), ReadBound("peak.w", 0), ReadBound("peak.h", 0));
}

void TfPeak::FormShow(vcl::TObject*) { ReadBounds(); }

void TfPeak::FormResize(vcl::TObject*) {
  if (Label1) Label1->Font()->SetSize((Width() - 330) / 8 + 50);
}

void TfPeak::FormDestroy(vcl::TObject*) {
  WriteBound("peak.x", Left());
  WriteBound("peak.y", Top());
  WriteBound("peak.w", Width());
  WriteBound("peak.h", Height());
}

void TfPeak::Timer1Timer(vcl::TObject*) {
  SetColor(vcl::clBlack);
  Timer1->SetEnabled(false);
}

}  // namespace app

using app::TfPeak;
VCL_IMPLEMENT_CLASS(TfPeak, Method("FormCreate", &TfPeak::FormCreate), Method("FormShow", &TfPeak::FormShow),
                    Method("FormResize", &TfPeak::FormResize), Method("FormDestroy", &TfPeak::FormDestroy),
                    Method("Timer1Timer", &TfPeak::Timer1Timer))
