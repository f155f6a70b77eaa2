#include "app/LeqWindow.h"

#include <filesystem>

#include "app/MainForm.h"
#include "app/Projects.h"
#include "app/ReportInfo.h"
#include "platform/kernel/Files.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/ExtTimer.h"
#include "platform/vcl/ImageCtrls.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/Streams.h"

namespace app {

TfSetting* fSetting = nullptr;
const char* const kExcelExportFolderName = "Analyzer Excel export";

namespace {

// The memo's text as one line of the report.
std::string OneLine(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

}  // namespace

TfSetting::TfSetting(vcl::TComponent* owner) : vcl::TForm(owner) { InitAppForm(this, fSetting); }

TfSetting::~TfSetting() {
  if (player_ && player_ == FrmMain) {
    player_->OnPlayerStart = nullptr;
    player_->OnPlayerOutputClose = nullptr;
  }
  if (fSetting == this) fSetting = nullptr;
}

void TfSetting::FollowPlayer(TFrmMain* main) {
  player_ = main;
  main->OnPlayerStart = [this, main](vcl::TObject* sender) {
    if (main->LeqActive()) bt_start_leqClick(sender);
  };
  main->OnPlayerOutputClose = [this](vcl::TObject*) { Timer_LEQ->SetEnabled(false); };
}

void TfSetting::Loaded() {
  vcl::TForm::Loaded();
  PageControl1 = RequireComponent<vcl::TPageControl>(this, "PageControl1");
  TabSheet1 = RequireComponent<vcl::TTabSheet>(this, "TabSheet1");
  lab_LEQ_60 = RequireComponent<vcl::TLabel>(this, "lab_LEQ_60");
  lab_sec = RequireComponent<vcl::TLabel>(this, "lab_sec");
  lab_leq_now = RequireComponent<vcl::TLabel>(this, "lab_leq_now");
  bt_start_leq = RequireComponent<vcl::TButton>(this, "bt_start_leq");
  btn_stop_leq = RequireComponent<vcl::TButton>(this, "btn_stop_leq");
  btn_write = RequireComponent<vcl::TButton>(this, "btn_write");
  btn_report = RequireComponent<vcl::TButton>(this, "btn_report");
  btn_save = RequireComponent<vcl::TButton>(this, "btn_save");
  rg_filter = RequireComponent<vcl::TRadioGroup>(this, "rg_filter");
  memo_leq = RequireComponent<vcl::TMemo>(this, "memo_leq");
  Timer_LEQ = RequireComponent<vcl::TTimer>(this, "Timer_LEQ");
}

void TfSetting::ShowLeqNow(double level) {
  lab_leq_now->SetCaption(vcl::Format("%7.1f", {level + TLeqMeasurement::kOffset}) + " dB");
}

void TfSetting::bt_start_leqClick(vcl::TObject*) {
  lab_LEQ_60->SetCaption("0.0 dB");
  std::string location, person, memo;
  if (fReport) {
    location = fReport->Edit1->Text();
    person = fReport->Edit2->Text();
    memo = OneLine(fReport->memo_memo->Lines()->Text());
  }
  for (const std::string& line : LeqReportHeader(vcl::DateTimeToStr(vcl::Now()), location, person, memo))
    memo_leq->Lines()->Add(line);
  if (measurement_) {
    measurement_->Restart();
    measurement_->SetActive(true);
  }
  leq_mean_ = 0.0;
  Timer_LEQ->SetEnabled(true);
}

void TfSetting::btn_stop_leqClick(vcl::TObject*) {
  lab_sec->SetCaption(LeqSecondsText(leq_seconds_));
  if (measurement_) {
    measurement_->SetActive(false);
    measurement_->Clear();
  }
  CloseCsvLog();
  Timer_LEQ->SetEnabled(false);
  for (const std::string& line :
       LeqReportFooter(vcl::DateTimeToStr(vcl::Now()), leq_mean_, leq_seconds_, leq_max_level_))
    memo_leq->Lines()->Add(line);
  leq_seconds_ = 0;
  leq_mean_ = 0.0;
}

void TfSetting::Timer_LEQTimer(vcl::TObject*) {
  if (measurement_) {
    if (const std::optional<double> mean = measurement_->Mean()) {
      leq_mean_ = *mean;
      lab_LEQ_60->SetCaption(vcl::Format("%7.1f", {leq_mean_}) + " dB");
    }
  }
  lab_sec->SetCaption(LeqSecondsText(leq_seconds_ + 1));
  ++leq_seconds_;
  if (measurement_ && leq_max_level_ < measurement_->Now()) leq_max_level_ = measurement_->Now();
  if (csv_log_) {
    const std::string line =
        LeqCsvLine(vcl::TimeToStr(vcl::Now()), leq_mean_, leq_max_level_, lab_sec->Caption()) + "\r\n";
    // Each line reaches the file as it is written, so a crash loses no second.
    csv_log_->WriteBuffer(line.data(), static_cast<int64_t>(line.size()));
  }
}

bool TfSetting::ChooseExportFile(const char* filter, const char* title, const char* extension) {
  if (!save_dialog_) return false;
  const std::string folder = UserDataFolder() + kExcelExportFolderName;
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  // Without the folder the dialog opens in the current one.
  save_dialog_->SetInitialDir(plat::SetCurrentDirectoryA(folder.c_str()) ? folder : std::string());
  save_dialog_->SetFilter(filter);
  save_dialog_->SetTitle(title);
  save_dialog_->SetDefaultExt(extension);
  return save_dialog_->Execute();
}

void TfSetting::btn_writeClick(vcl::TObject*) {
  if (!ChooseExportFile("Sonavex Excel export |*.csv", "Save Sonavex Excel export", "csv")) return;
  // A second log closes the first, so none of its lines is lost.
  CloseCsvLog();
  csv_log_ = std::make_unique<vcl::TFileStream>(save_dialog_->FileName(), vcl::fmCreate);
}

void TfSetting::btn_saveClick(vcl::TObject*) {
  if (!ChooseExportFile("Sonavex export |*.txt", "Save Sonavex text file export", "txt")) return;
  // The report replaces an earlier file only once it is whole.
  SaveLinesWhole(*memo_leq->Lines(), save_dialog_->FileName());
}

void TfSetting::btn_reportClick(vcl::TObject*) {
  if (fReport) fReport->Show();
}

void TfSetting::rg_filterClick(vcl::TObject*) {
  if (weighting_) weighting_->SetItemIndex(rg_filter->ItemIndex());
}

void TfSetting::btn_closeClick(vcl::TObject*) { Close(); }

void TfSetting::CloseCsvLog() { csv_log_.reset(); }

}  // namespace app

using app::TfSetting;
VCL_IMPLEMENT_CLASS(TfSetting, Method("bt_start_leqClick", &TfSetting::bt_start_leqClick),
                    Method("btn_stop_leqClick", &TfSetting::btn_stop_leqClick),
                    Method("Timer_LEQTimer", &TfSetting::Timer_LEQTimer),
                    Method("btn_writeClick", &TfSetting::btn_writeClick),
                    Method("btn_saveClick", &TfSetting::btn_saveClick),
                    Method("btn_reportClick", &TfSetting::btn_reportClick),
                    Method("rg_filterClick", &TfSetting::rg_filterClick))
