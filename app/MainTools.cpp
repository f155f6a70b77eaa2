// The main window's "Mp3/wav tools" menu: each item shows its tool window modally.
#include "app/FileToolForms.h"
#include "app/MainForm.h"

namespace app {

void TFrmMain::ConvertMp3toWav1Click(vcl::TObject*) {
  if (fConvert) fConvert->ShowModal();
}

void TFrmMain::ConvertWavtoMp31Click(vcl::TObject*) {
  if (fEncode) fEncode->ShowModal();
}

void TFrmMain::Normalizewavefiles1Click(vcl::TObject*) {
  if (fNormalize) fNormalize->ShowModal();
}

void TFrmMain::SplittStereointo2monofiles1Click(vcl::TObject*) {
  if (fSplit) fSplit->ShowModal();
}

void TFrmMain::SwapClick(vcl::TObject*) {
  if (fSwap) fSwap->ShowModal();
}

}  // namespace app
