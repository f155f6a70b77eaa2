#pragma once
// Skinned up-down controls: each arrow button is one half of the control,
// drawn from the skin's `UpDown.Vert` element (upper half frames 1-4, lower
// half 5-8) or, for left/right arrows, `UpDown.Horz` (left 1-4, right 5-8),
// with the same frame of the element's glyph image centred on it. A half
// shows state 1 normal, 2 pressed, 3 disabled, 4 under the mouse. Without
// the element each half is a plain button with a small arrow. Main thread
// only.
#include "skin/WinSubClass.h"

namespace skin {

class TSkinUpDown : public TSkinControl {
 public:
  explicit TSkinUpDown(vcl::TComponent* subject = nullptr) : TSkinControl(subject) {}
  void DrawControl(plat::HDC dc, const vcl::TRect& rect) override;
  // The state (1-4) of a half for the cursor at `cursor`, both in the
  // control's coordinates.
  int HalfState(const vcl::TRect& half, plat::POINT cursor) const;

  // The up-down lies inside an edit (it keeps off the edit's edges).
  bool InsideEdit = false;
  // Left/right arrows whatever the style says.
  bool IsHorizontal = false;

 protected:
  bool PreProcessMessage(vcl::TMessage& message) override;

 private:
  // The half under the mouse at the last look (-1 none).
  int hot_half_ = -1;
  bool Horizontal() const;
  int HalfAt(plat::POINT client) const;
};

}  // namespace skin
