#pragma once
// The big peak window (form fPeak, "Max Peak Frequency"): the main window's
// peak frequency in a large font, on top of the other windows. Its bounds
// live under their own registry key and stay within the window's size limits.
#include "app/AppForms.h"

namespace vcl {
class TLabel;
class TTimer;
}  // namespace vcl

namespace app {

// Where the window keeps its bounds, beside the program's own key.
extern const char* const kPeakWindowKey;

class TfPeak : public vcl::TForm {
  VCL_DECLARE_CLASS(TfPeak, vcl::TForm)
 public:
  static constexpr int kMinWidth = 450;
  static constexpr int kMaxWidth = 695;
  static constexpr int kMinHeight = 199;
  static constexpr int kMaxHeight = 250;

  explicit TfPeak(vcl::TComponent* owner);
  ~TfPeak() override;

  vcl::TLabel* Label1 = nullptr;
  vcl::TTimer* Timer1 = nullptr;

  void FormCreate(vcl::TObject* sender);
  void FormShow(vcl::TObject* sender);
  void FormResize(vcl::TObject* sender);
  void FormDestroy(vcl::TObject* sender);
  void Timer1Timer(vcl::TObject* sender);

  void Dispatch(vcl::TMessage& message) override;

 protected:
  void Loaded() override;
  bool CanResize(int& width, int& height) override;

 private:
  void ReadBounds();
};

// Set by the main block.
extern TfPeak* fPeak;

}  // namespace app
