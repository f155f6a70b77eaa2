#pragma once
// THintWindow: the small top-level window that shows a control's hint near
// the pointer. It never takes the focus; the application shows and hides it
// (TApplication::HintMouseMessage, CancelHint).
#include <string>

#include "platform/vcl/Controls.h"

namespace vcl {

class THintWindow : public TCustomControl {
  VCL_DECLARE_CLASS(THintWindow, TCustomControl)
 public:
  explicit THintWindow(TComponent* owner);

  // Shows `hint` with the window's top-left corner at the screen point.
  void ActivateHint(TPoint at, const std::string& hint);
  void ReleaseHint();
  bool HintShowing();

 protected:
  void CreateParams(TCreateParams& params) override;
  void Paint() override;
};

}  // namespace vcl
