// Exports of the average page's result pairs (a JPEG of the pair, the
// spreadsheet text, the equaliser files) and the JPEG of the live view. Each
// file is written whole under a temporary name and renamed when done, and
// handed to the desktop only once its save was confirmed.
#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/Exports.h"
#include "app/MainForm.h"
#include "app/Projects.h"
#include "app/SpecBack.h"
#include "platform/kernel/Files.h"
#include "platform/shell/ShellExecute.h"
#include "platform/user/Geometry.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/TypInfo.h"

namespace app {

namespace {

constexpr const char* kEqualiserProgram = "eq.exe";
constexpr const char* kViewValuesFile = "default_jpg.sav";

// The save dialog's starting folder for one export, the old one again afterwards.
class TInitialDir {
 public:
  TInitialDir(vcl::TSaveDialog* dialog, const std::string& folder)
      : dialog_(dialog), old_(dialog->InitialDir()) {
    dialog_->SetInitialDir(folder);
  }
  ~TInitialDir() { dialog_->SetInitialDir(old_); }
  TInitialDir(const TInitialDir&) = delete;
  TInitialDir& operator=(const TInitialDir&) = delete;

 private:
  vcl::TSaveDialog* dialog_;
  std::string old_;
};

}  // namespace

std::array<std::string, 2> TFrmMain::ExportPairFiles(int pair) const {
  const int show = rg_Show->ItemIndex();
  if (show != 0 && show != 1) return {};
  auto name = [show](int slot) { return show == 0 ? ScanAverageFile("", slot) : ScanHighestFile("", slot); };
  return {name(pair + 1), name(pair + 4)};
}

void TFrmMain::OpenExport(const std::string& file_name) {
  plat::ShellExecuteA(Handle(), "open", file_name.c_str(), nullptr, nullptr, plat::SW_SHOWNORMAL);
}

bool TFrmMain::SaveAnalyzerPictureJpg() {
  // A missing or broken picture raises before the dialog opens.
  vcl::TBitmap picture;
  picture.LoadFromFile(AnalyzerPictureFile());
  SaveDialog1->SetFilter("Sonavex screen shot |*.jpg");
  SaveDialog1->SetDefaultExt("jpg");
  SaveDialog1->SetTitle("Save Sonavex screen shot as jpg");
  if (!SaveDialog1->Execute()) return false;
  SaveJpegPicture(picture, SaveDialog1->FileName(), kJpegQuality);
  return true;
}

bool TFrmMain::SavePairJpg() { return SaveAnalyzerPictureJpg(); }

bool TFrmMain::SaveViewJpg() {
  if (!fSpecBack) return false;
  SaveGraphicFile(*fSpecBack->WindowImage(), AnalyzerPictureFile());
  return SaveAnalyzerPictureJpg();
}

void TFrmMain::CreatePairJpg(int pair) {
  const std::array<std::string, 2> files = ExportPairFiles(pair);
  if (!files[0].empty() && fSpecBack)
    fSpecBack->ComposePairBackground(PeakDataFolder() + files[0], PeakDataFolder() + files[1]);
  if (SavePairJpg()) OpenExport(SaveDialog1->FileName());
}

void TFrmMain::btn_jpgClick(vcl::TObject*) {
  bool saved = false;
  {
    TWaitCursor wait;
    // The view stays as saved until "Restart".
    MMConnector1->SetRefreshOnStop(false);
    MMConnector1->SetAutoTrigger(false);
    PreparePeakDataFolder();
    const std::string values = PeakDataFolder() + kViewValuesFile;
    MMSpectrum1->SaveToFile(values);
    fSpecBack->RenderBackgroundForExport(values);
    saved = SaveViewJpg();
  }
  if (saved) OpenExport(SaveDialog1->FileName());
  vcl::TBitmap none;
  vcl::SetObjectProp(MMSpectrum1, "BackGroundDIB", &none);
}

bool TFrmMain::ExportXls(const std::string& first, const std::string& second) {
  std::vector<int32_t> first_values(kXlsTableSize);
  std::vector<int32_t> second_values(kXlsTableSize);
  ReadExportTable(PeakDataFolder() + first, first_values);
  ReadExportTable(PeakDataFolder() + second, second_values);
  SaveDialog1->SetFilter("Sonavex Excel export |*.xls");
  SaveDialog1->SetTitle("Save Sonavex Excel export");
  SaveDialog1->SetDefaultExt("xls");
  const std::string folder = ExcelExportFolder();
  plat::CreateDirectoryA(folder.c_str());
  plat::SetCurrentDirectoryA(folder.c_str());
  TInitialDir start(SaveDialog1, folder);
  if (!SaveDialog1->Execute()) return false;
  // Write errors say nothing, as for every export text.
  WriteExportLines(
      SaveDialog1->FileName(),
      XlsExportLines(first_values, second_values, MMSpectrum1->FFTLength() / 2, bands_.Table().Centres));
  return true;
}

void TFrmMain::ExportPairXls(int pair) {
  const std::array<std::string, 2> files = ExportPairFiles(pair);
  if (files[0].empty()) return;
  if (ExportXls(files[0], files[1])) OpenExport(SaveDialog1->FileName());
}

void TFrmMain::CreateEqFiles(const std::string& first, const std::string& second) {
  std::vector<int32_t> first_values(kEqTableSize);
  std::vector<int32_t> second_values(kEqTableSize);
  ReadExportTable(PeakDataFolder() + first, first_values);
  ReadExportTable(PeakDataFolder() + second, second_values);
  // The equaliser's own 32 bands; the display's band table stays as it is.
  TBandTable table;
  BuildBandTable(table, kEqBandCount, 20, MMSpectrum1->SampleRate() / 2);
  MMPeakDetect1->SetEnabled(true);
  // Without a format the detector has no bins yet; they will be those of the
  // rate the spectrum shows.
  float bin_width = MMPeakDetect1->BinWidth();
  if (bin_width <= 0.0f && MMPeakDetect1->FFTLength() > 0)
    bin_width =
        static_cast<float>(MMSpectrum1->SampleRate()) / static_cast<float>(MMPeakDetect1->FFTLength());
  const std::array<int32_t, kEqBandLines> bins = EqBandBins(table, bin_width, MMPeakDetect1->FFTLength() / 2);
  WriteExportLines(PeakDataFolder() + "eq_q.sav", EqFileLines(first_values, bins));
  WriteExportLines(PeakDataFolder() + "eq_n.sav", EqFileLines(second_values, bins));
  // The band display rests until a display mode is chosen again.
  bands_.SetBands(0, 0, 0);
}

void TFrmMain::CreatePairEq(int pair) {
  const std::array<std::string, 2> files = ExportPairFiles(pair);
  if (!files[0].empty()) CreateEqFiles(files[0], files[1]);
  // The equaliser is ours only by name: when it is not beside the program, nothing is said.
  int error = 0;
  const char* path = std::getenv("PATH");
  if (plat::ShellOpenCommand("open", kEqualiserProgram, "", plat::GetProgramFolder(),
                             plat::GetProgramFolder(), path ? path : "", &error))
    plat::ShellExecuteA(Handle(), "open", kEqualiserProgram, nullptr, nullptr, plat::SW_SHOWNORMAL);
}

void TFrmMain::Button11Click(vcl::TObject*) { CreatePairJpg(0); }
void TFrmMain::Button12Click(vcl::TObject*) { CreatePairJpg(1); }
void TFrmMain::Button13Click(vcl::TObject*) { CreatePairJpg(2); }
void TFrmMain::btn_txtClick(vcl::TObject*) { ExportPairXls(0); }
void TFrmMain::btn_txt2Click(vcl::TObject*) { ExportPairXls(1); }
void TFrmMain::btn_txt3Click(vcl::TObject*) { ExportPairXls(2); }
void TFrmMain::Button22Click(vcl::TObject*) { CreatePairEq(0); }
void TFrmMain::Button23Click(vcl::TObject*) { CreatePairEq(1); }
void TFrmMain::Button24Click(vcl::TObject*) { CreatePairEq(2); }

}  // namespace app
