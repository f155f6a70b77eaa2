#pragma once
// Skinned header controls (alone, or the column titles of a list view):
// each item drawn from the skin's `Headerbar` element, frame 1 normal and
// frame 2 for the item under the mouse, the space right of the last item
// filled with frame 1. Without a `Headerbar` image the header paints
// itself. Main thread only.
#include <vector>

#include "skin/WinSubClass.h"

namespace skin {

class TSkinHeader : public TSkinControl {
 public:
  explicit TSkinHeader(vcl::TComponent* subject = nullptr) : TSkinControl(subject) {}

  void AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                     vcl::TCanvas* canvas) override;
  void AttachWindow(plat::HWND handle, TSkinData* skin_data, TWinSkinForm* skin_form,
                    vcl::TCanvas* canvas) override;
  void DrawControl(plat::HDC dc, const vcl::TRect& rect) override;
  // The DrawImageText alignment of an item's format.
  static int Alignment(int format);

  // The items of the last paint, 3 pixels in from each side: where the
  // mouse makes an item hot.
  std::vector<vcl::TRect> ItemRects;
  int HotIndex = -1;

 protected:
  bool PreProcessMessage(vcl::TMessage& message) override;
  void PostProcessMessage(vcl::TMessage& message) override;

 private:
  bool HasImage() const;
};

}  // namespace skin
