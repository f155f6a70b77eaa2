#pragma once
// The tool windows of the "Mp3/wav tools" menu: fConvert (MP3 to wave),
// fEncode (wave to MP3), fNormalize, fSplit (stereo into two mono files) and
// fSwap (left and right exchanged). Converting and encoding pump through a
// trigger on its own thread; the rest runs in the button's handler. The file
// work is in app/FileTools; these windows ask for the files and show the results.
#include <atomic>
#include <cstdint>
#include <string>

#include "app/AppForms.h"
#include "app/FileTools.h"
#include "platform/mm/WaveDevices.h"

namespace vcl {
class TButton;
class TComboBox;
class TEdit;
class TLabel;
class TOpenDialog;
class TRadioButton;
class TTimer;
struct TMessage;
}  // namespace vcl
namespace controls {
class TMMGauge;
}
namespace engine {
class TMMTrigger;
}
namespace files {
class TMMAudioFile;
class TMMMP3Encoder;
class TMMWaveFile;
class TMMWaveSaveDialog;
}  // namespace files

namespace app {

// What converting and encoding share: the output under a temporary name, the
// progress the pump thread posts to the window, and how a run ends.
class TToolPumpForm : public vcl::TForm {
  VCL_DECLARE_CLASS(TToolPumpForm, vcl::TForm)
 public:
  explicit TToolPumpForm(vcl::TComponent* owner) : vcl::TForm(owner) {}

  bool Running() const { return running_; }
  // The target of the last run and whether it was written whole.
  const std::string& OutputName() const { return output_.Target(); }

 protected:
  void WndProc(vcl::TMessage& message) override;
  // On the pump thread: hands a percentage to the main thread.
  void PostProgress(int32_t percent);
  virtual void ShowProgress(int32_t) {}
  // Called before the trigger starts: the window's handle for the posts.
  void BeginRun(engine::TMMTrigger* trigger, const std::string& target);
  // The run's end on the main thread: the output takes its name when the run
  // went through, else it is removed and, unless cancelled, an error shown.
  void EndRun(bool complete);
  // Said where a refused choice of output is.
  static void RefuseSameFile();
  // A run under way ends without a window to report to; its output goes.
  static void AbandonRun(engine::TMMTrigger* trigger);

  TToolOutput output_;
  std::atomic<bool> failed_{false};  // a pump cycle failed or the output stopped taking data
  bool cancelled_ = false;
  bool running_ = false;

 private:
  plat::HWND window_ = nullptr;
  std::atomic<int32_t> posted_{-1};
};

class TfConvert : public TToolPumpForm {
  VCL_DECLARE_CLASS(TfConvert, TToolPumpForm)
 public:
  explicit TfConvert(vcl::TComponent* owner);
  ~TfConvert() override;

  files::TMMAudioFile* AudioFile = nullptr;
  engine::TMMTrigger* Trigger = nullptr;
  files::TMMWaveFile* WaveFile = nullptr;
  vcl::TLabel* labSource = nullptr;
  vcl::TLabel* labDec = nullptr;
  vcl::TButton* btnConvert = nullptr;
  controls::TMMGauge* Gauge = nullptr;

  // The main window's MP3 open dialog and wave save dialog; set by the main block.
  void SetDialogs(vcl::TOpenDialog* open, files::TMMWaveSaveDialog* save) {
    open_ = open;
    save_ = save;
  }
  // Starts converting `source` into the wave file `target`; false when refused.
  bool Convert(const std::string& source, const std::string& target);

  void btnConvertClick(vcl::TObject* sender);
  void TriggerStart(vcl::TObject* sender);
  void TriggerStop(vcl::TObject* sender);
  void TriggerBufferReady(vcl::TObject* sender, plat::WAVEHDR* header);

 protected:
  void Loaded() override;
  void ShowProgress(int32_t percent) override;

 private:
  vcl::TOpenDialog* open_ = nullptr;
  files::TMMWaveSaveDialog* save_ = nullptr;
  int64_t length_ms_ = 0;
};

class TfEncode : public TToolPumpForm {
  VCL_DECLARE_CLASS(TfEncode, TToolPumpForm)
 public:
  explicit TfEncode(vcl::TComponent* owner);
  ~TfEncode() override;

  files::TMMWaveFile* WaveFile = nullptr;
  engine::TMMTrigger* Trigger = nullptr;
  files::TMMMP3Encoder* MP3Encoder = nullptr;
  vcl::TOpenDialog* OpenDialog = nullptr;
  vcl::TComboBox* cbBitRate = nullptr;
  vcl::TEdit* edName = nullptr;
  vcl::TRadioButton* rgPrivat = nullptr;
  vcl::TRadioButton* rgOriginal = nullptr;
  vcl::TButton* btnEncode = nullptr;
  vcl::TButton* btnCancel = nullptr;
  vcl::TTimer* Timer = nullptr;
  controls::TMMGauge* Gauge = nullptr;
  vcl::TLabel* labSource = nullptr;
  vcl::TLabel* labDec = nullptr;

  // Starts encoding the wave file `source` beside it; false when refused.
  bool Encode(const std::string& source);

  void FormShow(vcl::TObject* sender);
  void btnEncodeClick(vcl::TObject* sender);
  void TriggerStart(vcl::TObject* sender);
  void TriggerStop(vcl::TObject* sender);
  void btnCancelClick(vcl::TObject* sender);
  void FormClose(vcl::TObject* sender, vcl::TCloseAction& action);
  void TimerTimer(vcl::TObject* sender);

 protected:
  void Loaded() override;

 private:
  std::string source_;
  std::atomic<int32_t> progress_{0};
};

class TfNormalize : public vcl::TForm {
  VCL_DECLARE_CLASS(TfNormalize, vcl::TForm)
 public:
  explicit TfNormalize(vcl::TComponent* owner);
  ~TfNormalize() override;

  files::TMMWaveFile* SrcFile = nullptr;
  files::TMMWaveFile* DstFile = nullptr;
  controls::TMMGauge* Gauge = nullptr;
  vcl::TLabel* Label2 = nullptr;
  vcl::TLabel* LabGain = nullptr;
  vcl::TLabel* labSource = nullptr;
  vcl::TLabel* labdest = nullptr;
  vcl::TButton* btnFile = nullptr;

  void SetDialogs(vcl::TOpenDialog* open, files::TMMWaveSaveDialog* save) {
    open_ = open;
    save_ = save;
  }
  void btnFileClick(vcl::TObject* sender);
  void NormalizeWaveFile(vcl::TObject* sender, const std::string& file_name);

 protected:
  void Loaded() override;

 private:
  vcl::TOpenDialog* open_ = nullptr;
  files::TMMWaveSaveDialog* save_ = nullptr;
};

class TfSplit : public vcl::TForm {
  VCL_DECLARE_CLASS(TfSplit, vcl::TForm)
 public:
  explicit TfSplit(vcl::TComponent* owner);
  ~TfSplit() override;

  files::TMMWaveFile* SrcFile = nullptr;
  files::TMMWaveFile* LeftFile = nullptr;
  files::TMMWaveFile* RightFile = nullptr;
  vcl::TOpenDialog* OpenDialog = nullptr;
  vcl::TLabel* labSource = nullptr;
  vcl::TLabel* labdest = nullptr;
  vcl::TLabel* Label2 = nullptr;
  vcl::TButton* Button1 = nullptr;

  void Button1Click(vcl::TObject* sender);
  void SplitFile(const std::string& file_name);

 protected:
  void Loaded() override;
};

class TfSwap : public vcl::TForm {
  VCL_DECLARE_CLASS(TfSwap, vcl::TForm)
 public:
  explicit TfSwap(vcl::TComponent* owner);
  ~TfSwap() override;

  files::TMMWaveFile* SrcFile = nullptr;
  files::TMMWaveFile* DstFile = nullptr;
  vcl::TLabel* labSource = nullptr;
  vcl::TLabel* labdest = nullptr;
  vcl::TButton* Button1 = nullptr;

  // The split window's open dialog; set by the main block.
  void SetOpenDialog(vcl::TOpenDialog* open) { open_ = open; }
  void Button1Click(vcl::TObject* sender);
  void SwapFile(const std::string& file_name);

 protected:
  void Loaded() override;

 private:
  vcl::TOpenDialog* open_ = nullptr;
};

// Asks before `file_name` is replaced.
bool ConfirmReplace(const std::string& file_name);
// Registers the windows' classes.
void RegisterFileToolForms();

// Set by the main block.
extern TfConvert* fConvert;
extern TfEncode* fEncode;
extern TfNormalize* fNormalize;
extern TfSplit* fSplit;
extern TfSwap* fSwap;

}  // namespace app
