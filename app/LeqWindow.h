#pragma once
// The "LEQ (m) calculator" window (form fSetting): starts and stops a Leq
// measurement, shows its mean and elapsed seconds once a second, logs one line
// a second into a CSV file while one is open, and writes the report into its
// memo, which it saves as text. The levels come from the main window's refresh
// passes (TLeqMeasurement); the window only averages and reports. Main thread only.
#include <memory>

#include "app/AppForms.h"
#include "app/Leq.h"

namespace vcl {
class TButton;
class TFileStream;
class TLabel;
class TMemo;
class TPageControl;
class TRadioGroup;
class TSaveDialog;
class TTabSheet;
class TTimer;
}  // namespace vcl

namespace app {

// Where the log and the saved reports go, in the user's data folder.
extern const char* const kExcelExportFolderName;  // "Analyzer Excel export"

class TfSetting : public vcl::TForm {
  VCL_DECLARE_CLASS(TfSetting, vcl::TForm)
 public:
  explicit TfSetting(vcl::TComponent* owner);
  ~TfSetting() override;

  vcl::TPageControl* PageControl1 = nullptr;
  vcl::TTabSheet* TabSheet1 = nullptr;
  vcl::TLabel* lab_LEQ_60 = nullptr;
  vcl::TLabel* lab_sec = nullptr;
  vcl::TLabel* lab_leq_now = nullptr;
  vcl::TButton* bt_start_leq = nullptr;
  vcl::TButton* btn_stop_leq = nullptr;
  vcl::TButton* btn_write = nullptr;
  vcl::TButton* btn_report = nullptr;
  vcl::TButton* btn_save = nullptr;
  vcl::TRadioGroup* rg_filter = nullptr;
  vcl::TMemo* memo_leq = nullptr;
  vcl::TTimer* Timer_LEQ = nullptr;

  // The measurement the main window's passes feed, its save dialog and its
  // weighting group; set by the main block.
  void SetMeasurement(TLeqMeasurement* measurement) { measurement_ = measurement; }
  void SetSaveDialog(vcl::TSaveDialog* dialog) { save_dialog_ = dialog; }
  void SetWeightingGroup(vcl::TRadioGroup* group) { weighting_ = group; }
  // The main window's Play starts a measurement while the collection is
  // active; the close of its wave output stops the timer.
  void FollowPlayer(TFrmMain* main);

  // "Start" and "Stop"; the player's Play and the end of a test signal run them too.
  void bt_start_leqClick(vcl::TObject* sender);
  void btn_stop_leqClick(vcl::TObject* sender);
  void Timer_LEQTimer(vcl::TObject* sender);
  void btn_writeClick(vcl::TObject* sender);
  void btn_saveClick(vcl::TObject* sender);
  void btn_reportClick(vcl::TObject* sender);
  void rg_filterClick(vcl::TObject* sender);
  void btn_closeClick(vcl::TObject* sender);

  // The "LEQ now" read-out of a pass level (without the offset).
  void ShowLeqNow(double level);

  double LeqMean() const { return leq_mean_; }
  double LeqMaxLevel() const { return leq_max_level_; }
  int LeqSeconds() const { return leq_seconds_; }
  bool CsvLogOpen() const { return csv_log_ != nullptr; }

 protected:
  void Loaded() override;

 private:
  // Runs the save dialog in the export folder; false when cancelled.
  bool ChooseExportFile(const char* filter, const char* title, const char* extension);
  void CloseCsvLog();

  TLeqMeasurement* measurement_ = nullptr;
  vcl::TSaveDialog* save_dialog_ = nullptr;
  vcl::TRadioGroup* weighting_ = nullptr;
  TFrmMain* player_ = nullptr;
  double leq_mean_ = 0.0;
  // The highest pass level seen at a tick since the window was created.
  double leq_max_level_ = TLeqMeasurement::SilenceLevel();
  int leq_seconds_ = 0;
  std::unique_ptr<vcl::TFileStream> csv_log_;
};

// Set by the main block.
extern TfSetting* fSetting;

}  // namespace app
