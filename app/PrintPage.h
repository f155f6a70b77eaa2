#pragma once
// The printed page (form fPrint, "Print Sonavex"): a white, borderless
// 766 x 996 window, never shown, that draws the frozen spectrum with the main
// spectrum's settings under the print setup's heading and production line,
// above its memo, and prints its picture as one page as it is created.
// Main thread only.
#include <array>
#include <cstdint>

#include "app/AppForms.h"
#include "app/Bands.h"

namespace vcl {
class TLabel;
}  // namespace vcl
namespace displays {
class TMMSpectrum;
}  // namespace displays

namespace app {

class TfPrint : public vcl::TForm {
  VCL_DECLARE_CLASS(TfPrint, vcl::TForm)
 public:
  static constexpr int kPageWidth = 766;
  static constexpr int kPageHeight = 996;

  // Reads its description, builds the page and prints it (FormCreate).
  explicit TfPrint(vcl::TComponent* owner);
  ~TfPrint() override;

  vcl::TLabel* Label1 = nullptr;   // main heading
  vcl::TLabel* labProd = nullptr;  // production line
  vcl::TLabel* Label5 = nullptr;   // memo text
  // Made by FormCreate, owned by the page.
  displays::TMMSpectrum* Spectrum = nullptr;

  void FormCreate(vcl::TObject* sender);

 protected:
  void Loaded() override;

 private:
  void CreateSpectrum();
  void CopyMainSettings();
};

// The page being built and printed; null otherwise.
extern TfPrint* fPrint;

}  // namespace app
