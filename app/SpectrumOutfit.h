#pragma once
// The "Outfit preference" dialog: geometry and colours of the main spectrum
// and of the background renderer's spectrum, the background drawing kind and
// the choice of program skin. Each control writes the linked displays'
// properties at once; the dialog keeps no copy of its own. Main thread only.
#include <array>
#include <functional>
#include <string>

#include "platform/vcl/Forms.h"
#include "platform/vcl/SysUtils.h"

namespace vcl {
class TButton;
class TRadioGroup;
class TTimer;
}  // namespace vcl
namespace controls {
class TMMLEDSpin;
class TMMColorButton;
}  // namespace controls
namespace displays {
class TMMSpectrum;
class TMMOscope;
}  // namespace displays

namespace app {

// A description that lacks a control the dialog works with, or is missing.
class EOutfitSpecError : public vcl::Exception {
 public:
  using Exception::Exception;
};

class TfOutfitSpec : public vcl::TForm {
  VCL_DECLARE_CLASS(TfOutfitSpec, vcl::TForm)
 public:
  explicit TfOutfitSpec(vcl::TComponent* owner);
  ~TfOutfitSpec() override;

  // Components of the description, found once it is read.
  controls::TMMLEDSpin* MMLEDSpin55 = nullptr;
  controls::TMMLEDSpin* MMLEDSpin1 = nullptr;
  controls::TMMLEDSpin* MMLEDSpin2 = nullptr;
  controls::TMMLEDSpin* MMLEDSpin3 = nullptr;
  controls::TMMLEDSpin* MMLEDSpin4 = nullptr;
  controls::TMMLEDSpin* MMLEDSpin5 = nullptr;
  controls::TMMLEDSpin* MMLEDSpin6 = nullptr;
  controls::TMMLEDSpin* MMLEDSpin7 = nullptr;
  controls::TMMLEDSpin* MMLEDSpin8 = nullptr;
  controls::TMMLEDSpin* MMLEDSpin9 = nullptr;
  // MMColorButton[1..11]; index 0 is unused so the numbers read as named.
  std::array<controls::TMMColorButton*, 12> MMColorButton{};
  vcl::TRadioGroup* RadioGroup1 = nullptr;
  vcl::TButton* Button1 = nullptr;
  vcl::TButton* Button2 = nullptr;
  vcl::TRadioGroup* rg_skin = nullptr;
  vcl::TTimer* Timer1 = nullptr;

  // The displays the dialog edits. Links clear themselves when a target is freed.
  void SetMainSpectrum(displays::TMMSpectrum* spectrum);
  void SetOscope(displays::TMMOscope* oscope);
  // The background renderer's spectrum and its redraw; "Refresh Background"
  // is enabled only while a redraw is attached.
  void SetBackgroundSpectrum(displays::TMMSpectrum* spectrum);
  void SetRefreshBackground(std::function<void()> refresh);
  displays::TMMSpectrum* MainSpectrum() const { return main_; }

  // The skin file last chosen in rg_skin (empty until one is chosen); the
  // choice loads it into the main window's skin component. A package that
  // cannot be read is never chosen: the user is told, and rg_skin and the
  // skin stay as they were.
  const std::string& SkinFile() const { return skin_file_; }
  // The skin file of an rg_skin index, relative to the program folder.
  static std::string SkinFileName(int index);
  // The folder the skin files are read from, ending in a separator; the
  // program's "skins" folder by default.
  void SetSkinFolder(const std::string& folder) { skin_folder_ = folder; }

  // Handlers bound by the description.
  void FormShow(vcl::TObject* sender);
  void FormClose(vcl::TObject* sender, vcl::TCloseAction& action);
  void Timer1Timer(vcl::TObject* sender);
  void MMLEDSpin55Change(vcl::TObject* sender);
  void MMLEDSpin1Change(vcl::TObject* sender);
  void MMLEDSpin2Change(vcl::TObject* sender);
  void MMLEDSpin3Change(vcl::TObject* sender);
  void MMLEDSpin4Change(vcl::TObject* sender);
  void MMLEDSpin5Change(vcl::TObject* sender);
  void MMLEDSpin6Change(vcl::TObject* sender);
  void MMLEDSpin7Change(vcl::TObject* sender);
  void MMLEDSpin8Change(vcl::TObject* sender);
  void MMLEDSpin9Change(vcl::TObject* sender);
  void MMColorButton1Change(vcl::TObject* sender);
  void MMColorButton2Change(vcl::TObject* sender);
  void MMColorButton3Change(vcl::TObject* sender);
  void MMColorButton4Change(vcl::TObject* sender);
  void MMColorButton5Change(vcl::TObject* sender);
  void MMColorButton6Change(vcl::TObject* sender);
  void MMColorButton7Change(vcl::TObject* sender);
  void MMColorButton8Change(vcl::TObject* sender);
  void MMColorButton9Change(vcl::TObject* sender);
  void MMColorButton10Change(vcl::TObject* sender);
  void MMColorButton11Change(vcl::TObject* sender);
  void RadioGroup1Click(vcl::TObject* sender);
  void rg_skinClick(vcl::TObject* sender);
  void Button1Click(vcl::TObject* sender);
  void Button2Click(vcl::TObject* sender);

 protected:
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;

 private:
  void Link(displays::TMMSpectrum*& slot, displays::TMMSpectrum* spectrum);
  // Redraws the background when a renderer is attached.
  void RefreshBackground();
  // Writes the background spectrum's bar and inactive colour of one index,
  // then redraws the background.
  void SetBackgroundBarColor(int index, vcl::TColor color);

  displays::TMMSpectrum* main_ = nullptr;
  displays::TMMSpectrum* background_ = nullptr;
  displays::TMMOscope* oscope_ = nullptr;
  std::function<void()> refresh_background_;
  std::string skin_folder_;
  std::string skin_file_;
  // The rg_skin index of the skin in use, restored when a choice fails.
  int skin_index_ = -1;
  bool restoring_skin_index_ = false;
};

// The dialog's description and the classes it streams; called once at start.
void RegisterOutfitSpecForm();

// Set by the main block.
extern TfOutfitSpec* fOutfitSpec;

}  // namespace app
