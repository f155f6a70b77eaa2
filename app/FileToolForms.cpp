#include "app/FileToolForms.h"

#include "controls/MMGauge.h"
#include "engine/MMTrigg.h"
#include "engine/MMUtils.h"
#include "files/MMAudioFile.h"
#include "files/MMCstDlg.h"
#include "files/MMLame.h"
#include "files/MMWave.h"
#include "platform/registry/Registry.h"
#include "platform/user/Messages.h"
#include "platform/user/WindowMessages.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/StdCtrls.h"

namespace app {

TfConvert* fConvert = nullptr;
TfEncode* fEncode = nullptr;
TfNormalize* fNormalize = nullptr;
TfSplit* fSplit = nullptr;
TfSwap* fSwap = nullptr;

namespace {

// Posted by a pump thread: the latest percentage waits in the window.
constexpr plat::UINT kProgressMessage = plat::WM_APP + 0x118;
const char* const kEncoderKey = "Vantorel\\Mp3 Encoder";

void ShowError(const std::string& text) { vcl::MessageDlg(text, vcl::mtError, {vcl::mbOK}, 0); }

void ShowIncomplete(const std::string& target) {
  ShowError("The file " + target + " could not be written completely; nothing was saved.");
}

// Wait cursor for a tool's run; the arrow comes back however it ends.
struct WaitCursor {
  WaitCursor() { vcl::Screen->SetCursor(vcl::crHourGlass); }
  ~WaitCursor() { vcl::Screen->SetCursor(vcl::crDefault); }
};

// A tool's source is let go when the tool is done, so nothing holds the file as read.
struct ReleaseSource {
  files::TMMWave* wave;
  ~ReleaseSource() {
    if (wave->Opened()) {
      try {
        wave->CloseFile();
      } catch (...) {
      }
    }
    wave->FreeWave();
  }
};

void Pause10ms() { engine::DelayMS(10, true); }

// Opens the source of a split or a swap and shows its size text; a file of
// other than 16-bit stereo PCM gets the message instead.
bool OpenChannelSource(files::TMMWave& source, const std::string& file_name, vcl::TLabel* label) {
  source.SetFileName(file_name);
  if (!IsStereo16(source)) {
    ShowError(kNotValidInputText);
    return false;
  }
  label->SetCaption(DataSizeText(file_name, source.SamplesToBytes(source.LengthSamples())));
  return true;
}

}  // namespace

bool ConfirmReplace(const std::string& file_name) {
  return vcl::MessageDlg("The file " + file_name + " exists. Replace it?", vcl::mtConfirmation,
                         {vcl::mbYes, vcl::mbNo}, 0) == vcl::mrYes;
}

// ---- pump windows ----

void TToolPumpForm::WndProc(vcl::TMessage& message) {
  if (message.Msg == kProgressMessage) {
    const int32_t percent = posted_.exchange(-1);
    if (percent >= 0 && running_) ShowProgress(percent);
    return;
  }
  vcl::TForm::WndProc(message);
}

void TToolPumpForm::PostProgress(int32_t percent) {
  // One message stands for every percentage posted before it is handled.
  if (posted_.exchange(percent) < 0) plat::PostMessageA(window_, kProgressMessage, 0, 0);
}

void TToolPumpForm::BeginRun(engine::TMMTrigger* trigger, const std::string& target) {
  window_ = Handle();
  posted_ = -1;
  failed_ = false;
  cancelled_ = false;
  output_.Begin(target);
  trigger->OnError = [this](vcl::TObject*) { failed_ = true; };
}

void TToolPumpForm::EndRun(bool complete) {
  running_ = false;
  if (complete && !cancelled_ && output_.Commit()) return;
  output_.Discard();
  if (!cancelled_) ShowIncomplete(output_.Target());
}

void TToolPumpForm::RefuseSameFile() { ShowError(kSameFileText); }

void TToolPumpForm::AbandonRun(engine::TMMTrigger* trigger) {
  trigger->OnStop = nullptr;
  trigger->OnBufferFilled = nullptr;
  trigger->Close();
}

// ---- MP3 to wave ----

TfConvert::TfConvert(vcl::TComponent* owner) : TToolPumpForm(owner) { InitAppForm(this, fConvert); }

TfConvert::~TfConvert() {
  AbandonRun(Trigger);
  if (fConvert == this) fConvert = nullptr;
}

void TfConvert::Loaded() {
  vcl::TForm::Loaded();
  AudioFile = RequireComponent<files::TMMAudioFile>(this, "AudioFile");
  Trigger = RequireComponent<engine::TMMTrigger>(this, "Trigger");
  WaveFile = RequireComponent<files::TMMWaveFile>(this, "WaveFile");
  labSource = RequireComponent<vcl::TLabel>(this, "labSource");
  labDec = RequireComponent<vcl::TLabel>(this, "labDec");
  btnConvert = RequireComponent<vcl::TButton>(this, "btnConvert");
  Gauge = RequireComponent<controls::TMMGauge>(this, "Gauge");
  // The tool writes the decoded stream as it is, without the player's fades.
  AudioFile->SetFadesOn(false);
}

void TfConvert::btnConvertClick(vcl::TObject*) {
  if (!open_ || !save_ || !open_->Execute()) return;
  const std::string source = open_->FileName();
  labSource->SetCaption(vcl::ExtractFileName(source));
  if (!save_->Execute()) return;
  Convert(source, save_->FileName());
}

bool TfConvert::Convert(const std::string& source, const std::string& target) {
  if (running_) return false;
  if (SameFile(source, target)) {
    RefuseSameFile();
    return false;
  }
  AudioFile->SetFileName(source);
  labSource->SetCaption(vcl::ExtractFileName(source));
  length_ms_ = AudioFile->Handler() ? AudioFile->Handler()->GetTime() : 0;
  AudioFile->SetPosition(0);
  BeginRun(Trigger, target);
  WaveFile->Wave()->SetFileName(output_.Temporary());
  labDec->SetCaption(vcl::ExtractFileName(target));
  running_ = true;
  try {
    Trigger->Start();
  } catch (...) {
    running_ = false;
    Trigger->Close();
    output_.Discard();
    btnConvert->SetEnabled(true);
    throw;
  }
  return true;
}

void TfConvert::TriggerStart(vcl::TObject*) { btnConvert->SetEnabled(false); }

void TfConvert::TriggerBufferReady(vcl::TObject*, plat::WAVEHDR*) {
  // The wave sink closes itself when the disk is full: the run ends there.
  if (!WaveFile->FileOpened()) {
    failed_ = true;
    Trigger->Stop();
    return;
  }
  PostProgress(ProgressPercent(AudioFile->GetPosition(), length_ms_));
}

void TfConvert::ShowProgress(int32_t percent) { Gauge->SetProgress(percent); }

void TfConvert::TriggerStop(vcl::TObject*) {
  // Before the close: a sink that closed by itself did not take everything.
  const bool complete = running_ && !failed_ && WaveFile->FileOpened();
  Trigger->Close();
  btnConvert->SetEnabled(true);
  Gauge->SetProgress(0);
  if (running_) EndRun(complete);
}

// ---- wave to MP3 ----

TfEncode::TfEncode(vcl::TComponent* owner) : TToolPumpForm(owner) { InitAppForm(this, fEncode); }

TfEncode::~TfEncode() {
  cancelled_ = true;
  AbandonRun(Trigger);
  if (fEncode == this) fEncode = nullptr;
}

void TfEncode::Loaded() {
  vcl::TForm::Loaded();
  WaveFile = RequireComponent<files::TMMWaveFile>(this, "WaveFile");
  Trigger = RequireComponent<engine::TMMTrigger>(this, "Trigger");
  MP3Encoder = RequireComponent<files::TMMMP3Encoder>(this, "MP3Encoder");
  OpenDialog = RequireComponent<vcl::TOpenDialog>(this, "OpenDialog");
  cbBitRate = RequireComponent<vcl::TComboBox>(this, "cbBitRate");
  edName = RequireComponent<vcl::TEdit>(this, "edName");
  rgPrivat = RequireComponent<vcl::TRadioButton>(this, "rgPrivat");
  rgOriginal = RequireComponent<vcl::TRadioButton>(this, "rgOriginal");
  btnEncode = RequireComponent<vcl::TButton>(this, "btnEncode");
  btnCancel = RequireComponent<vcl::TButton>(this, "btnCancel");
  Timer = RequireComponent<vcl::TTimer>(this, "Timer");
  Gauge = RequireComponent<controls::TMMGauge>(this, "Gauge");
  labSource = RequireComponent<vcl::TLabel>(this, "labSource");
  labDec = RequireComponent<vcl::TLabel>(this, "labDec");
  // The progress comes from the pump, which reads the source.
  Trigger->OnBufferFilled = [this](vcl::TObject*, plat::WAVEHDR*) {
    // The encoder stops taking data when its file cannot take more.
    if (!MP3Encoder->EncoderOpened()) {
      failed_ = true;
      Trigger->Stop();
      return;
    }
    const files::TMMWave* wave = WaveFile->Wave();
    progress_ = ProgressPercent(wave->GetPosition(), wave->DataSize());
  };
}

void TfEncode::FormShow(vcl::TObject*) {
  cbBitRate->SetItemIndex(5);
  const int stored = engine::RegReadVariant(plat::HKEY_CURRENT_USER, kEncoderKey, "Mp3 Encode BitRate",
                                            plat::Variant(int32_t{5}))
                         .AsInteger();
  if (stored >= 0 && stored < cbBitRate->Items()->Count()) cbBitRate->SetItemIndex(stored);
}

void TfEncode::btnEncodeClick(vcl::TObject*) {
  OpenDialog->SetInitialDir(engine::RegReadVariant(plat::HKEY_CURRENT_USER, kEncoderKey, "Mp3 Encode",
                                                   plat::Variant(OpenDialog->InitialDir()))
                                .AsString());
  if (!OpenDialog->Execute()) return;
  const std::string source = OpenDialog->FileName();
  OpenDialog->SetInitialDir(vcl::ExtractFilePath(source));
  engine::RegWriteVariant(plat::HKEY_CURRENT_USER, kEncoderKey, "Mp3 Encode",
                          plat::Variant(OpenDialog->InitialDir()));
  Encode(source);
}

bool TfEncode::Encode(const std::string& source) {
  if (running_) return false;
  MP3Encoder->SetBitrate(EncoderBitrate(cbBitRate->ItemIndex(), MP3Encoder->Bitrate()));
  engine::RegWriteVariant(plat::HKEY_CURRENT_USER, kEncoderKey, "Mp3 Encode BitRate",
                          plat::Variant(int32_t{cbBitRate->ItemIndex()}));
  const std::string target = vcl::ExtractFilePath(source) + MakeMp3FileName(source);
  // "x.Mp3" would be its own output.
  if (SameFile(source, target)) {
    RefuseSameFile();
    return false;
  }
  WaveFile->Wave()->SetFileName(source);
  labSource->SetCaption(vcl::ExtractFileName(source) + FileSizeKbText(source));
  edName->SetText(vcl::ExtractFileName(source));
  MP3Encoder->SetPrivat(rgPrivat->Checked());
  MP3Encoder->SetOriginal(rgOriginal->Checked());
  source_ = source;
  progress_ = 0;
  BeginRun(Trigger, target);
  MP3Encoder->SetFileName(output_.Temporary());
  running_ = true;
  try {
    Trigger->Start();
  } catch (...) {
    running_ = false;
    Trigger->Close();
    output_.Discard();
    WaveFile->Wave()->FreeWave();
    btnEncode->SetEnabled(true);
    btnCancel->SetEnabled(false);
    throw;
  }
  return true;
}

void TfEncode::TriggerStart(vcl::TObject*) {
  btnEncode->SetEnabled(false);
  btnCancel->SetEnabled(true);
  Timer->SetEnabled(true);
}

void TfEncode::TimerTimer(vcl::TObject*) { Gauge->SetProgress(running_ ? progress_.load() : 0); }

void TfEncode::TriggerStop(vcl::TObject*) {
  bool complete = running_ && !failed_ && MP3Encoder->EncoderOpened();
  try {
    Trigger->Close();
  } catch (const std::exception&) {
    complete = false;
  }
  // The encoder hands its finished file over at the close; an encoder that
  // failed to finish it left nothing under the temporary name.
  btnEncode->SetEnabled(true);
  btnCancel->SetEnabled(false);
  progress_ = 0;
  Gauge->SetProgress(0);
  WaveFile->Wave()->FreeWave();
  if (!running_) return;
  EndRun(complete);
  const std::string mp3 = MakeMp3FileName(source_);
  labDec->SetCaption(mp3 + FileSizeKbText(vcl::ExtractFilePath(source_) + mp3));
}

void TfEncode::btnCancelClick(vcl::TObject*) {
  if (!running_) return;
  cancelled_ = true;
  Trigger->Stop();
}

void TfEncode::FormClose(vcl::TObject*, vcl::TCloseAction&) {
  if (running_) cancelled_ = true;
  Trigger->Close();
}

// ---- normalise ----

TfNormalize::TfNormalize(vcl::TComponent* owner) : vcl::TForm(owner) { InitAppForm(this, fNormalize); }

TfNormalize::~TfNormalize() {
  if (fNormalize == this) fNormalize = nullptr;
}

void TfNormalize::Loaded() {
  vcl::TForm::Loaded();
  SrcFile = RequireComponent<files::TMMWaveFile>(this, "SrcFile");
  DstFile = RequireComponent<files::TMMWaveFile>(this, "DstFile");
  Gauge = RequireComponent<controls::TMMGauge>(this, "Gauge");
  Label2 = RequireComponent<vcl::TLabel>(this, "Label2");
  LabGain = RequireComponent<vcl::TLabel>(this, "LabGain");
  labSource = RequireComponent<vcl::TLabel>(this, "labSource");
  labdest = RequireComponent<vcl::TLabel>(this, "labdest");
  btnFile = RequireComponent<vcl::TButton>(this, "btnFile");
}

void TfNormalize::btnFileClick(vcl::TObject*) {
  if (!open_ || !open_->Execute()) return;
  labSource->SetCaption(open_->FileName());
  NormalizeWaveFile(this, open_->FileName());
}

void TfNormalize::NormalizeWaveFile(vcl::TObject*, const std::string& file_name) {
  files::TMMWave* source = SrcFile->Wave();
  source->SetFileName(file_name);
  ReleaseSource release{source};
  const TNormalizeCheck check = CheckNormalizable(*source);
  if (check == TNormalizeCheck::NotPcm) return;
  if (check == TNormalizeCheck::OtherBits) {
    ShowError(kNormalizeBitsText);
    return;
  }
  WaitCursor wait;
  Gauge->SetCaption("Scanning...");
  Gauge->SetVisible(true);
  const TToolProgress progress = [this](int32_t percent) { Gauge->SetProgress(percent); };
  const TWavePeak peak = FindWavePeak(*source, progress);
  Label2->SetCaption(std::to_string(peak.peak));
  Label2->Repaint();
  // A silent file has no gain, and one at full scale needs none: nothing is written.
  const std::optional<long double> gain = NormalizeGain(peak);
  if (!gain) return;
  LabGain->SetCaption(GainText(*gain));
  if (!save_) return;
  save_->SetTitle("Save Normalized File as");
  if (!save_->Execute()) return;
  const std::string target = save_->FileName();
  if (SameFile(file_name, target)) {
    ShowError(kSameFileText);
    return;
  }
  labdest->SetCaption(target);
  Gauge->SetCaption("Normalize...");
  if (!WriteScaledWave(*source, *DstFile->Wave(), target, *gain, progress)) ShowIncomplete(target);
  DstFile->Wave()->FreeWave();
}

// ---- split and swap ----

TfSplit::TfSplit(vcl::TComponent* owner) : vcl::TForm(owner) { InitAppForm(this, fSplit); }

TfSplit::~TfSplit() {
  if (fSplit == this) fSplit = nullptr;
}

void TfSplit::Loaded() {
  vcl::TForm::Loaded();
  SrcFile = RequireComponent<files::TMMWaveFile>(this, "SrcFile");
  LeftFile = RequireComponent<files::TMMWaveFile>(this, "LeftFile");
  RightFile = RequireComponent<files::TMMWaveFile>(this, "RightFile");
  OpenDialog = RequireComponent<vcl::TOpenDialog>(this, "OpenDialog");
  labSource = RequireComponent<vcl::TLabel>(this, "labSource");
  labdest = RequireComponent<vcl::TLabel>(this, "labdest");
  Label2 = RequireComponent<vcl::TLabel>(this, "Label2");
  Button1 = RequireComponent<vcl::TButton>(this, "Button1");
}

void TfSplit::Button1Click(vcl::TObject*) {
  if (OpenDialog->Execute()) SplitFile(OpenDialog->FileName());
}

void TfSplit::SplitFile(const std::string& file_name) {
  files::TMMWave* source = SrcFile->Wave();
  ReleaseSource release{source};
  if (!OpenChannelSource(*source, file_name, labSource)) return;
  Pause10ms();
  WaitCursor wait;
  const TChannelFiles out = SplitWave(*source, *LeftFile->Wave(), *RightFile->Wave(), ConfirmReplace);
  LeftFile->Wave()->FreeWave();
  RightFile->Wave()->FreeWave();
  if (!out.written) {
    if (out.attempted) ShowIncomplete(out.left);
    return;
  }
  labdest->SetCaption(DataSizeText(out.left, out.bytes));
  Pause10ms();
  Label2->SetCaption(DataSizeText(out.right, out.bytes));
  Pause10ms();
}

TfSwap::TfSwap(vcl::TComponent* owner) : vcl::TForm(owner) { InitAppForm(this, fSwap); }

TfSwap::~TfSwap() {
  if (fSwap == this) fSwap = nullptr;
}

void TfSwap::Loaded() {
  vcl::TForm::Loaded();
  SrcFile = RequireComponent<files::TMMWaveFile>(this, "SrcFile");
  DstFile = RequireComponent<files::TMMWaveFile>(this, "DstFile");
  labSource = RequireComponent<vcl::TLabel>(this, "labSource");
  labdest = RequireComponent<vcl::TLabel>(this, "labdest");
  Button1 = RequireComponent<vcl::TButton>(this, "Button1");
}

void TfSwap::Button1Click(vcl::TObject*) {
  if (open_ && open_->Execute()) SwapFile(open_->FileName());
}

void TfSwap::SwapFile(const std::string& file_name) {
  files::TMMWave* source = SrcFile->Wave();
  ReleaseSource release{source};
  // Only 16-bit stereo frames can be swapped, as the split tool checks.
  if (!OpenChannelSource(*source, file_name, labSource)) return;
  WaitCursor wait;
  const TChannelFiles out = SwapWave(*source, *DstFile->Wave(), ConfirmReplace);
  DstFile->Wave()->FreeWave();
  if (!out.written) {
    if (out.attempted) ShowIncomplete(out.left);
    return;
  }
  labdest->SetCaption(DataSizeText(out.left, out.bytes));
}

void RegisterFileToolForms() {
  vcl::RegisterClasses({TfConvert::StaticClass(), TfEncode::StaticClass(), TfNormalize::StaticClass(),
                        TfSplit::StaticClass(), TfSwap::StaticClass()});
}

VCL_IMPLEMENT_CLASS(TToolPumpForm)
VCL_IMPLEMENT_CLASS(TfConvert, Method("btnConvertClick", &TfConvert::btnConvertClick),
                    Method("TriggerStart", &TfConvert::TriggerStart),
                    Method("TriggerStop", &TfConvert::TriggerStop),
                    Method("TriggerBufferReady", &TfConvert::TriggerBufferReady))
VCL_IMPLEMENT_CLASS(TfEncode, Method("FormShow", &TfEncode::FormShow),
                    Method("btnEncodeClick", &TfEncode::btnEncodeClick),
                    Method("TriggerStart", &TfEncode::TriggerStart),
                    Method("TriggerStop", &TfEncode::TriggerStop),
                    Method("btnCancelClick", &TfEncode::btnCancelClick),
                    Method("FormClose", &TfEncode::FormClose), Method("TimerTimer", &TfEncode::TimerTimer))
VCL_IMPLEMENT_CLASS(TfNormalize, Method("btnFileClick", &TfNormalize::btnFileClick))
VCL_IMPLEMENT_CLASS(TfSplit, Method("Button1Click", &TfSplit::Button1Click))
VCL_IMPLEMENT_CLASS(TfSwap, Method("Button1Click", &TfSwap::Button1Click))

}  // namespace app
