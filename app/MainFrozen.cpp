// Frozen spectra: the main spectrum's values stored into and loaded from the
// four slots' value files in the peak-data folder, slot files rendered as the
// spectrum's background by fSpecBack, and "Freeze".
#include <optional>

#include "app/MainForm.h"
#include "app/Projects.h"
#include "app/SavBin.h"
#include "app/SpecBack.h"
#include "platform/kernel/Files.h"
#include "platform/vcl/TypInfo.h"

namespace app {

void TFrmMain::StoreFrozenSpectrum(int slot) {
  std::optional<TWaitCursor> wait(std::in_place);
  SaveDialog1->SetDefaultExt("sav");
  SaveDialog1->SetFilter("Sonavex Peak Data |*.sav");
  SaveDialog1->SetTitle("Save Sonavex Peak Data");
  // Without its folder the spectrum is not saved and the current directory
  // stays; file errors of the store say nothing.
  const bool folder = PreparePeakDataFolder();
  const std::string latest = PeakDataFolder() + "default.sav";
  if (folder) {
    MMSpectrum1->SaveToFile(latest);
    plat::SetCurrentDirectoryA(PeakDataFolder().c_str());
  }
  wait.reset();
  if (!SaveDialog1->Execute()) return;
  // By its full name, so no "default.sav" of another folder is taken. A
  // name that exists keeps its file: the rename refuses to replace it.
  plat::MoveFileA(latest.c_str(), SaveDialog1->FileName().c_str());
  BinSlotFiles.at(static_cast<size_t>(slot - 1)) = SaveDialog1->FileName();
}

void TFrmMain::LoadFrozenSpectrum(int slot) {
  TWaitCursor wait;
  MMWaveIn1->Close();
  MMSpectrum1->SetEnabled(true);
  const std::string& file = BinSlotFiles.at(static_cast<size_t>(slot - 1));
  if (!file.empty()) {
    // Disabled, the spectrum shows the loaded values instead of new input.
    MMSpectrum1->SetEnabled(false);
    MMSpectrum1->LoadFromFile(file);
    MMSpectrum1->DrawValues();
    MMSpectrum1->Invalidate();
    return;
  }
  if (FrmSavBin) FrmSavBin->Show();
  MMWaveIn1->Start();
  MMSpectrum1->SetEnabled(true);
}

void TFrmMain::LoadFrozenBackground(int slot) {
  if (fSpecBack) fSpecBack->LoadSpectrumBackground(BinSlotFiles.at(static_cast<size_t>(slot - 1)));
}

void TFrmMain::StoreFreeed1Click(vcl::TObject*) { StoreFrozenSpectrum(1); }
void TFrmMain::StoreFreezedSpectrum21Click(vcl::TObject*) { StoreFrozenSpectrum(2); }
void TFrmMain::StoreFreezedSpectrum31Click(vcl::TObject*) { StoreFrozenSpectrum(3); }
void TFrmMain::StoreFreezedSpectrum41Click(vcl::TObject*) { StoreFrozenSpectrum(4); }
void TFrmMain::LoadfreezedSpectrum11Click(vcl::TObject*) { LoadFrozenSpectrum(1); }
void TFrmMain::LoadfreezedSpectrum12Click(vcl::TObject*) { LoadFrozenSpectrum(2); }
void TFrmMain::LoadfreezedSpectrum13Click(vcl::TObject*) { LoadFrozenSpectrum(3); }
void TFrmMain::LoadfreezedSpectrum41Click(vcl::TObject*) { LoadFrozenSpectrum(4); }
void TFrmMain::LoadBackground11Click(vcl::TObject*) { LoadFrozenBackground(1); }
void TFrmMain::LoadBackground21Click(vcl::TObject*) { LoadFrozenBackground(2); }
void TFrmMain::LoadBackground31Click(vcl::TObject*) { LoadFrozenBackground(3); }
void TFrmMain::LoadBackground41Click(vcl::TObject*) { LoadFrozenBackground(4); }

void TFrmMain::AnalyzerEditor1Click(vcl::TObject*) {
  if (FrmSavBin) FrmSavBin->Show();
}

void TFrmMain::ClearfreezedSpectrumbackground1Click(vcl::TObject*) {
  vcl::SetOrdProp(MMSpectrum1, "UseBackGroundDIB", 0);
}

void TFrmMain::btn_freezeClick(vcl::TObject*) {
  MMConnector1->SetRefreshOnStop(false);
  MMConnector1->SetAutoTrigger(false);
}

}  // namespace app
