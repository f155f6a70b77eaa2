#pragma once
// The hidden background renderer (form fSpecBack, never shown): its spectrum
// SpeckBack draws a spectrum value file with the main spectrum's settings,
// and the window's image becomes the main spectrum's background picture or
// a picture for export. SpeckBack takes the main spectrum's size at every
// render, so a background lines up with the scales after any resize.
// Main thread only.
#include <memory>
#include <string>

#include "app/AppForms.h"

namespace vcl {
class TBitmap;
}  // namespace vcl
namespace displays {
class TMMSpectrum;
}  // namespace displays

namespace app {

// The picture of a pair of results, written by ComposePairBackground in the
// user's data folder.
std::string AnalyzerPictureFile();

class TfSpecBack : public vcl::TForm {
  VCL_DECLARE_CLASS(TfSpecBack, vcl::TForm)
 public:
  explicit TfSpecBack(vcl::TComponent* owner);
  ~TfSpecBack() override;

  displays::TMMSpectrum* SpeckBack = nullptr;

  void FormCreate(vcl::TObject* sender);

  // Draws the file in the kind of "Lines/Bars" with the outfit dialog's
  // background bar colours and installs it as the main spectrum's background.
  void LoadSpectrumBackground(const std::string& file_name);
  // Draws the file as lines in the main spectrum's bar colours and installs it.
  void LoadCompareBackground(const std::string& file_name);
  // The first file without scales under the second with them, in the colours
  // of the first two result slots, saved as AnalyzerPictureFile(); false when
  // the picture could not be written.
  bool ComposePairBackground(const std::string& first_file, const std::string& second_file);
  // Draws the file with the main spectrum's kind and scales for a picture
  // export; nothing is installed.
  void RenderBackgroundForExport(const std::string& file_name);
  // Draws the file the last render named again and installs it.
  void RefreshSpectrumBackground();

  // The window's client area as a bitmap, drawn now.
  std::unique_ptr<vcl::TBitmap> WindowImage();

 protected:
  void Loaded() override;

 private:
  // SpeckBack sized to the main spectrum and its settings copied;
  // `scales` copies the vertical and frequency scales too.
  void CopySettings(bool scales);
  void NoLabelsNoPeak();
  // The kind "Lines/Bars" names, the settings and the main spectrum's scale colours.
  void PrepareBackground();
  // Makes the peak-data folder current, names the file as the present
  // background and loads it into SpeckBack.
  void LoadFile(const std::string& file_name);
  void Install();
  void BackgroundOff();
};

// Set by the main block.
extern TfSpecBack* fSpecBack;

}  // namespace app
