#include "app/DeviceDialogs.h"

#include "app/MainForm.h"
#include "app/Settings.h"
#include "engine/MMWavIn.h"
#include "engine/MMWavOut.h"
#include "files/MMWRec.h"
#include "platform/mm/WaveDevices.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/StdCtrls.h"

namespace app {

TfDrvIn* fDrvIn = nullptr;
TfDrvOut* fDrvOut = nullptr;
Tfmulti* fmulti = nullptr;

std::vector<std::string> WaveDeviceNames(bool input) {
  const int count = static_cast<int>(input ? plat::waveInGetNumDevs() : plat::waveOutGetNumDevs());
  std::vector<std::string> names;
  for (int id = 0; id < count; ++id)
    names.push_back(input ? engine::GetWaveInDeviceName(id) : engine::GetWaveOutDeviceName(id));
  return names;
}

engine::TMMDeviceId FindStoredDevice(int id, const std::string& name, const std::vector<std::string>& names) {
  if (id == engine::MapperId) return engine::MapperId;
  const int count = static_cast<int>(names.size());
  const bool in_list = id >= 0 && id < count;
  if (name.empty()) return in_list ? id : engine::InvalidId;
  if (in_list && names[static_cast<size_t>(id)] == name) return id;
  for (int i = 0; i < count; ++i)
    if (names[static_cast<size_t>(i)] == name) return i;
  return engine::InvalidId;
}

engine::TMMDeviceId ReadStoredDevice(const std::string& id_key, const std::string& name_key, int current,
                                     bool input, const char* what, std::set<std::string>* told) {
  const int id = ReadInteger(id_key, current);
  const std::string name = ReadString(name_key, "");
  const engine::TMMDeviceId found = FindStoredDevice(id, name, WaveDeviceNames(input));
  if (found != engine::InvalidId) return found;
  if (told && !told->insert(id_key + '\n' + std::to_string(id) + '\n' + name).second) return engine::MapperId;
  std::string stored = std::to_string(id);
  if (!name.empty()) stored += " (\"" + name + "\")";
  vcl::ShowMessage(std::string("The stored ") + what + " device " + stored +
                   " is not present; the default device is used.");
  return engine::MapperId;
}

void WriteStoredDevice(const std::string& id_key, const std::string& name_key, engine::TMMDeviceId id,
                       bool input) {
  WriteInteger(id_key, id);
  std::string name;
  if (id >= 0) name = input ? engine::GetWaveInDeviceName(id) : engine::GetWaveOutDeviceName(id);
  WriteString(name_key, name);
}

void FillDeviceCombo(vcl::TComboBox* combo, bool input) {
  combo->Items()->Clear();
  const std::vector<std::string> names = WaveDeviceNames(input);
  if (names.empty()) return;
  combo->Items()->Add(input ? engine::GetWaveInDeviceName(engine::MapperId)
                            : engine::GetWaveOutDeviceName(engine::MapperId));
  for (const std::string& name : names) combo->Items()->Add(name);
}

int DeviceComboIndex(const vcl::TComboBox* combo, engine::TMMDeviceId id) {
  // A device the list no longer has selects the mapper, so OK never stores a
  // device that is not there.
  const int index = id + 1;
  if (combo->Items()->Count() == 0) return -1;
  return index >= 0 && index < combo->Items()->Count() ? index : 0;
}

void TDeviceChoice::BindChoice(vcl::TComponent* form) {
  PlayCombo = RequireComponent<vcl::TComboBox>(form, "PlayCombo");
  radioWindow = RequireComponent<vcl::TRadioButton>(form, "radioWindow");
  radioThread = RequireComponent<vcl::TRadioButton>(form, "radioThread");
  radioInterrupt = RequireComponent<vcl::TRadioButton>(form, "radioInterrupt");
  btnOk = RequireComponent<vcl::TButton>(form, "btnOk");
  btnCancel = RequireComponent<vcl::TButton>(form, "btnCancel");
}

void TDeviceChoice::ShowChoice(bool input, engine::TMMDeviceId id, engine::TMMCBMode mode) {
  FillDeviceCombo(PlayCombo, input);
  PlayCombo->SetItemIndex(DeviceComboIndex(PlayCombo, id));
  // The devices here refuse driver callbacks.
  radioInterrupt->SetEnabled(false);
  radioWindow->SetChecked(mode == engine::cmWindow);
  radioInterrupt->SetChecked(mode == engine::cmCallback);
  radioThread->SetChecked(mode == engine::cmThread);
}

engine::TMMDeviceId TDeviceChoice::ChosenDevice() const {
  const int index = PlayCombo->ItemIndex();
  return index < 0 ? engine::InvalidId : index - 1;
}

engine::TMMCBMode TDeviceChoice::ChosenMode() const {
  if (radioWindow->Checked()) return engine::cmWindow;
  return radioThread->Checked() ? engine::cmThread : engine::cmCallback;
}

std::string MultiKey(int pair) { return "multi_" + std::to_string(pair); }
std::string MultiNameKey(int pair) { return MultiKey(pair) + " name"; }

// ---- input dialog ----

TfDrvIn::TfDrvIn(vcl::TComponent* owner) : vcl::TForm(owner) { InitAppForm(this, fDrvIn); }

TfDrvIn::~TfDrvIn() {
  if (fDrvIn == this) fDrvIn = nullptr;
}

void TfDrvIn::Loaded() {
  vcl::TForm::Loaded();
  BindChoice(this);
  rg_sample = RequireComponent<vcl::TRadioGroup>(this, "rg_sample");
}

void TfDrvIn::FormShow(vcl::TObject*) {
  ShowChoice(true, FrmMain->MMWaveIn1->DeviceID(), FrmMain->MMWaveIn1->CallBackMode());
}

void TfDrvIn::btnOkClick(vcl::TObject*) {
  const engine::TMMDeviceId id = ChosenDevice();
  FrmMain->MMWaveIn1->SetDeviceID(id);
  // A running recording keeps its device; it takes the new one once stopped.
  files::TMMWaveRecorder* recorder = FrmMain->wavRecorder;
  if (recorder->DeviceID() != id && (recorder->DeviceState() & files::TMMWaveRecorder::kClosed))
    recorder->SetDeviceID(id);
  FrmMain->MMWaveIn1->SetCallBackMode(ChosenMode());
  Close();
}

void TfDrvIn::btnCancelClick(vcl::TObject*) { Close(); }

void TfDrvIn::rg_sampleClick(vcl::TObject*) {
  engine::TMMWaveIn* in = FrmMain->MMWaveIn1;
  if (rg_sample->ItemIndex() == 0) in->SetSampleRate(44100);
  if (rg_sample->ItemIndex() == 1) in->SetSampleRate(48000);
  if (FrmMain->wavRecorder->DeviceState() & files::TMMWaveRecorder::kClosed)
    FrmMain->wavRecorder->SetSampleRate(in->SampleRate());
  FrmMain->MMGenerator1->SetSampleRate(in->SampleRate());
}

void TfDrvIn::FormClose(vcl::TObject*, vcl::TCloseAction&) {
  WriteInteger("Samplerate", rg_sample->ItemIndex());
  WriteStoredDevice("DeviceID in", "DeviceName in", FrmMain->MMWaveIn1->DeviceID(), true);
  WriteInteger("CBMode in", FrmMain->MMWaveIn1->CallBackMode());
  WriteStoredDevice("DeviceID rec", "DeviceName rec", FrmMain->wavRecorder->DeviceID(), true);
  FrmMain->rg_octaveClick(FrmMain->rg_octave);
}

// ---- output dialog ----

TfDrvOut::TfDrvOut(vcl::TComponent* owner) : vcl::TForm(owner) { InitAppForm(this, fDrvOut); }

TfDrvOut::~TfDrvOut() {
  if (fDrvOut == this) fDrvOut = nullptr;
}

void TfDrvOut::Loaded() {
  vcl::TForm::Loaded();
  BindChoice(this);
}

void TfDrvOut::FormShow(vcl::TObject*) {
  ShowChoice(false, FrmMain->MMWaveOut1->DeviceID(), FrmMain->MMWaveOut1->CallBackMode());
}

void TfDrvOut::btnOkClick(vcl::TObject*) {
  FrmMain->MMWaveOut1->SetDeviceID(ChosenDevice());
  FrmMain->MMWaveOut1->SetCallBackMode(ChosenMode());
  WriteStoredDevice("DeviceID out", "DeviceName out", FrmMain->MMWaveOut1->DeviceID(), false);
  WriteInteger("CBMode out", FrmMain->MMWaveOut1->CallBackMode());
  Close();
}

void TfDrvOut::btnCancelClick(vcl::TObject*) { Close(); }

// ---- multi-driver dialog ----

Tfmulti::Tfmulti(vcl::TComponent* owner) : vcl::TForm(owner) { InitAppForm(this, fmulti); }

Tfmulti::~Tfmulti() {
  if (fmulti == this) fmulti = nullptr;
}

void Tfmulti::Loaded() {
  vcl::TForm::Loaded();
  for (int k = 0; k < 4; ++k) cb[k] = RequireComponent<vcl::TComboBox>(this, "cb_" + std::to_string(k + 1));
}

void Tfmulti::FormShow(vcl::TObject*) {
  for (vcl::TComboBox* combo : cb) combo->Items()->Clear();
  const std::vector<std::string> names = WaveDeviceNames(true);
  if (names.empty()) return;
  for (int k = 0; k < 4; ++k) {
    FillDeviceCombo(cb[k], true);
    // A pair whose device moved is shown at its new place; one that is gone shows the mapper.
    const int id = ReadInteger(MultiKey(k + 1), 0);
    engine::TMMDeviceId found = FindStoredDevice(id, ReadString(MultiNameKey(k + 1), ""), names);
    if (found == engine::InvalidId) found = engine::MapperId;
    cb[k]->SetItemIndex(DeviceComboIndex(cb[k], found));
  }
}

void Tfmulti::btnOkClick(vcl::TObject*) {
  for (int k = 0; k < 4; ++k)
    WriteStoredDevice(MultiKey(k + 1), MultiNameKey(k + 1), cb[k]->ItemIndex() - 1, true);
  Close();
}

void Tfmulti::btnCancelClick(vcl::TObject*) { Close(); }

}  // namespace app

using app::TfDrvIn;
using app::TfDrvOut;
using app::Tfmulti;
VCL_IMPLEMENT_CLASS(TfDrvIn, Method("FormShow", &TfDrvIn::FormShow),
                    Method("btnOkClick", &TfDrvIn::btnOkClick),
                    Method("btnCancelClick", &TfDrvIn::btnCancelClick),
                    Method("rg_sampleClick", &TfDrvIn::rg_sampleClick),
                    Method("FormClose", &TfDrvIn::FormClose))
VCL_IMPLEMENT_CLASS(TfDrvOut, Method("FormShow", &TfDrvOut::FormShow),
                    Method("btnOkClick", &TfDrvOut::btnOkClick),
                    Method("btnCancelClick", &TfDrvOut::btnCancelClick))
VCL_IMPLEMENT_CLASS(Tfmulti, Method("FormShow", &Tfmulti::FormShow),
                    Method("btnOkClick", &Tfmulti::btnOkClick),
                    Method("btnCancelClick", &Tfmulti::btnCancelClick))
