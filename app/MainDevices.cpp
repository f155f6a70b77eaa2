// The main window's device menu: the input and output dialogs, the
// multi-driver set-up and the commands (also the number-pad keys 1..4) that
// switch the input to the device of a channel pair.
#include "app/DeviceDialogs.h"
#include "app/MainForm.h"
#include "app/Settings.h"
#include "platform/vcl/Dialogs.h"

namespace app {

void TFrmMain::InputDevice1Click(vcl::TObject*) {
  MMWaveIn1->Close();
  MMWaveOut1->Close();
  if (fDrvIn) fDrvIn->ShowModal();
  // A running recording keeps its device.
  if (wavRecorder->DeviceState() & files::TMMWaveRecorder::kClosed)
    wavRecorder->SetDeviceID(MMWaveIn1->DeviceID());
  // Closing the input turned the RMS meters off.
  DisplayCorrelationMeter1Click(this);
  WriteStoredDevice("DeviceID in", "DeviceName in", MMWaveIn1->DeviceID(), true);
  WriteStoredDevice("RecID in", "RecName in", wavRecorder->DeviceID(), true);
  WriteInteger("CBMode in", MMWaveIn1->CallBackMode());
  MMWaveIn1->Start();
}

void TFrmMain::OutputDevice1Click(vcl::TObject*) {
  MMWaveIn1->Close();
  MMWaveOut1->Close();
  if (fDrvOut) fDrvOut->ShowModal();
  WriteStoredDevice("DeviceID out", "DeviceName out", MMWaveOut1->DeviceID(), false);
  WriteInteger("CBMode out", MMWaveOut1->CallBackMode());
}

void TFrmMain::S1Click(vcl::TObject*) {
  if (fmulti) fmulti->Show();
}

void TFrmMain::StartAudioDriver(int pair) {
  MMWaveIn1->Close();
  MMWaveOut1->Close();
  const std::string what = "pair " + std::to_string(pair) + " input";
  MMWaveIn1->SetDeviceID(ReadStoredDevice(MultiKey(pair), MultiNameKey(pair), 0, true, what.c_str()));
  try {
    MMWaveIn1->Start();
  } catch (const vcl::Exception&) {
    MMWaveIn1->Close();
    vcl::MessageDlg("Can't start the sound driver!", vcl::mtWarning, {vcl::mbOK}, 0);
  }
}

void TFrmMain::S2Click(vcl::TObject*) { StartAudioDriver(1); }
void TFrmMain::S3Click(vcl::TObject*) { StartAudioDriver(2); }
void TFrmMain::StartAudioDriver2NumPad21Click(vcl::TObject*) { StartAudioDriver(3); }
void TFrmMain::StartAudioDriver2NumPad22Click(vcl::TObject*) { StartAudioDriver(4); }

}  // namespace app
