#include "app/MainForm.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "app/AppForms.h"
#include "app/Corre.h"
#include "app/DeviceDialogs.h"
#include "app/InfoForm.h"
#include "app/OutfitL.h"
#include "app/Settings.h"
#include "engine/MMUtils.h"
#include "platform/mm/WaveDevices.h"
#include "platform/user/Geometry.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/SysUtils.h"

namespace app {

TFrmMain* FrmMain = nullptr;

namespace {

constexpr const char* kPluginFile = "dsp_vst.dll";
constexpr const char* kPluginMissing =
    "Im very sorry, but this file dsp_vst.dll is not in the program directory.";

engine::TMMCBMode ValidMode(int stored, engine::TMMCBMode current) {
  return ValidCallBackMode(stored) ? static_cast<engine::TMMCBMode>(stored) : current;
}

// Smaller than this, stored bounds are what a collapsed or broken store
// holds (a minimised window's size, say), not a size the user chose; larger
// than this many work areas, or further away, they are garbage.
constexpr int kMinStoredWidth = 200;
constexpr int kMinStoredHeight = 150;
constexpr int kMaxStoredAreas = 8;

// The main window takes the bounds the last run stored, brought onto this
// screen's work area; bounds missing or unusable leave the description's.
void PlaceAtStoredBounds(vcl::TCustomForm* form) {
  constexpr int kMissing = std::numeric_limits<int>::min();
  const int left = ReadInteger("left", kMissing);
  const int top = ReadInteger("top", kMissing);
  const int width = ReadInteger("wide", kMissing);
  const int height = ReadInteger("hei", kMissing);
  if (left == kMissing || top == kMissing || width == kMissing || height == kMissing) return;
  const vcl::TRect area = vcl::Screen->WorkAreaRect();
  const int far_x = kMaxStoredAreas * std::max(area.right - area.left, 1);
  const int far_y = kMaxStoredAreas * std::max(area.bottom - area.top, 1);
  if (width < kMinStoredWidth || height < kMinStoredHeight || width > far_x || height > far_y ||
      std::abs(int64_t{left} - area.left) > far_x || std::abs(int64_t{top} - area.top) > far_y)
    return;
  form->SetPosition(vcl::poDesigned);
  form->SetBoundsRect(vcl::MoveOntoWorkArea(vcl::Bounds(left, top, width, height)));
}

}  // namespace

TFrmMain::TFrmMain(vcl::TComponent* owner) : vcl::TForm(owner) { InitAppForm(this, FrmMain); }

TFrmMain::~TFrmMain() {
  // A scan still running ends here, while the controls its handlers write are
  // still there: the stop that freeing the chain would make comes too late.
  if (fields_bound_) {
    Trigger->OnStop = nullptr;
    Trigger->Close();
  }
  if (FrmMain == this) FrmMain = nullptr;
}

void TFrmMain::Loaded() {
  vcl::TForm::Loaded();
  // Each field takes its component; a name the description lacks is a build fault.
#define QUELLIX_FRMMAIN_BIND(Type, Name)            \
  Name = dynamic_cast<Type*>(FindComponent(#Name)); \
  if (!Name) throw EAppFormError("The main window's description has no " #Name " of class " #Type);
  QUELLIX_FRMMAIN_COMPONENTS(QUELLIX_FRMMAIN_BIND)
#undef QUELLIX_FRMMAIN_BIND
  fields_bound_ = true;
  CreateWorkshopLink();
}

void TFrmMain::FormCreate(vcl::TObject*) {
  startup_done_ = false;
  PlaceAtStoredBounds(this);
  WriteRecordHeader(true);
  OnLoopRecordRestart = [this](vcl::TObject* sender) { LoopRecordRestart(sender); };
  OnPlayerOutputStop = [this](vcl::TObject*) { FinishTestSignal(); };
}

void TFrmMain::ReadDeviceSettings() {
  sound_in_ = ReadBool("soundIn", sound_in_);
  sound_out_ = ReadBool("soundOut", sound_out_);
  if (fDrvIn) {
    // A value past the list selects its last entry.
    const int rate = ReadInteger("Samplerate", 0);
    if (ValidItemIndex(rate))
      fDrvIn->rg_sample->SetItemIndex(std::min(rate, fDrvIn->rg_sample->Items()->Count() - 1));
    fDrvIn->rg_sampleClick(this);
  }
  // Devices are found again by their stored names; one that is gone gives the
  // mapper, and the user hears why.
  MMWaveOut1->SetDeviceID(ReadStoredDevice("DeviceID out", "DeviceName out", MMWaveOut1->DeviceID(), false,
                                           "output", &devices_told_));
  MMWaveOut1->SetCallBackMode(
      ValidMode(ReadInteger("CBMode out", MMWaveOut1->CallBackMode()), MMWaveOut1->CallBackMode()));
  MMWaveIn1->SetDeviceID(
      ReadStoredDevice("DeviceID in", "DeviceName in", MMWaveIn1->DeviceID(), true, "input", &devices_told_));
  MMWaveIn1->SetCallBackMode(
      ValidMode(ReadInteger("CBMode in", MMWaveIn1->CallBackMode()), MMWaveIn1->CallBackMode()));
  wavRecorder->SetDeviceID(ReadStoredDevice("DeviceID rec", "DeviceName rec", wavRecorder->DeviceID(), true,
                                            "recording", &devices_told_));
  const int mode = ReadInteger("Set Oct", rg_octave->ItemIndex());
  if (mode >= 0 && mode < rg_octave->Items()->Count()) rg_octave->SetItemIndex(mode);
  // The first start asks for the input device, then for the output device.
  if (!sound_in_ && fDrvIn) {
    fDrvIn->ShowModal();
    wavRecorder->SetDeviceID(MMWaveIn1->DeviceID());
    sound_in_ = true;
    WriteBool("soundIn", true);
  }
  if (!sound_out_ && fDrvOut) {
    OutputDevice1Click(this);
    sound_out_ = true;
    WriteBool("soundOut", true);
  }
}

void TFrmMain::FormShow(vcl::TObject*) {
  StartCorrelation();
  SetZoomEdits(false);
  MMSpectrum1->SetCustomFreqLabels(true);
  rg_octave->SetItemIndex(2);
  rg_octaveClick(rg_octave);
  LoadDefaultProject();
  // The default project may have brought another averaging length: the speed wins.
  if (fCorre) fCorre->rg_correlationClick(fCorre);
  ckbLeavePeakClick(ckbLeavePeak);
  spLevelChange(this);
  compare_trigger_count_ = 50;
  try {
    ReadDeviceSettings();
  } catch (const vcl::Exception&) {
    // Reported, then start-up goes on with the analysis as the description has it.
    vcl::Application->HandleException(this);
  }
  MMSpectrum1->SetShowInfo(true);
  MMSpectrum1->SetDisplayPeak(true);
  Panel3->SetColor(vcl::clBlack);
  LineIn1Click(this);
  MMPeakDetect1->SetMeterScale(4);
  MMPeakDetect1->SetReferenceMinus18(false);
  MMPeakDetect1->SetIntegration(false);
  if (fOutfitL) fOutfitL->MMLEDSpin4Change(this);
  LoadPlugin();
}

void TFrmMain::LoadPlugin() {
  // Start-up never waits on the plug-in: without it the stage passes buffers
  // through, its button is off, and the start-up timer still ends start-up.
  if (!DSPPlugin->LoadPlugin(kPluginFile)) {
    btn_run->SetEnabled(false);
    vcl::MessageDlg(kPluginMissing, vcl::mtError, {vcl::mbOK}, 0);
  }
  Timer2->SetEnabled(true);
}

void TFrmMain::Timer2Timer(vcl::TObject*) {
  if (fOutfitL) fOutfitL->ResetBallistics();
  if (rg_octave->OnClick) rg_octave->OnClick(rg_octave);
  if (fOutfitL) fOutfitL->ApplyStoredBallistics();
  if (FrmInfo) FrmInfo->Close();
  Timer2->SetEnabled(false);
  startup_done_ = true;
}

void TFrmMain::FormResize(vcl::TObject*) {
  // The description sizes the window while its controls are still being read.
  if (!fields_bound_) return;
  MMSpectrum1->SetAlign(vcl::alClient);
  for (vcl::TControl* panel :
       {static_cast<vcl::TControl*>(pan_buttons), static_cast<vcl::TControl*>(pan_analyzer),
        static_cast<vcl::TControl*>(PanGenerat), static_cast<vcl::TControl*>(PanFFreq),
        static_cast<vcl::TControl*>(PanData), static_cast<vcl::TControl*>(PanPlayer),
        static_cast<vcl::TControl*>(PanAverage), static_cast<vcl::TControl*>(PanCali)})
    panel->SetLeft((Width() - panel->Width()) / 2);
  pan_overOL->SetLeft(pan_Level->Left());
  const int x = (Width() - 100 - Image4->Width()) / 2;
  Image4->SetLeft(x + 35);
  Image1->SetLeft(x - 90);
  Lab_Min->SetLeft(Image1->Left() + 31);
  Lab_Max->SetLeft(Image1->Left() + 66);
  lab_cor_p2->SetLeft(Image1->Left() + 38);
  lab_cor_p->SetLeft(Image1->Left() + 73);
  MMLevelScale1->SetHeight(pan_Level->Height());
  MMLevelScale1->SetTop(10);
  for (displays::TMMLevel* level : {MMLevel1, MMLevel5, MMLevel6, MMLevel2}) {
    level->SetHeight(pan_Level->Height());
    level->SetTop(11);
  }
  ima_nordic1->SetHeight(pan_Level->Height() - 4);
  // The scale picture is redrawn for the new height.
  if (startup_done_ && fOutfitL) fOutfitL->ApplyStoredBallistics();
  MMSpectrum1->SetAlign(vcl::alNone);
  tResize->SetEnabled(true);
}

void TFrmMain::tResizeTimer(vcl::TObject*) {
  tResize->SetEnabled(false);
  if (btn_full->OnClick) btn_full->OnClick(btn_full);
}

void TFrmMain::FormClose(vcl::TObject*, vcl::TCloseAction&) {
  SaveDefaultProject();
  // The normal bounds, which a maximised or minimised window keeps for its restore.
  vcl::TRect normal = BoundsRect();
  plat::WINDOWPLACEMENT placement;
  if (HandleAllocated() && plat::GetWindowPlacement(Handle(), &placement))
    normal = placement.rcNormalPosition;
  WriteInteger("top", normal.top);
  WriteInteger("left", normal.left);
  WriteInteger("wide", normal.right - normal.left);
  WriteInteger("hei", normal.bottom - normal.top);
  // Output first: in compare mode it is fed by the generator, the input by the device.
  MMWaveOut1->Close();
  MMWaveIn1->Close();
}

void TFrmMain::Exit1Click(vcl::TObject*) { Close(); }

}  // namespace app

using app::TFrmMain;
VCL_IMPLEMENT_CLASS(
    TFrmMain,
    // lifecycle
    Method("FormCreate", &TFrmMain::FormCreate), Method("FormShow", &TFrmMain::FormShow),
    Method("FormResize", &TFrmMain::FormResize), Method("FormClose", &TFrmMain::FormClose),
    Method("Timer2Timer", &TFrmMain::Timer2Timer), Method("tResizeTimer", &TFrmMain::tResizeTimer),
    Method("Exit1Click", &TFrmMain::Exit1Click),
    // routing
    Method("LineIn1Click", &TFrmMain::LineIn1Click), Method("Button25Click", &TFrmMain::Button25Click),
    Method("Frequ1Click", &TFrmMain::Frequ1Click), Method("btn_restartClick", &TFrmMain::btn_restartClick),
    // settings and projects
    Method("SaveProject1Click", &TFrmMain::SaveProject1Click),
    Method("LoadPrject1Click", &TFrmMain::LoadPrject1Click),
    Method("SaveasDefault1Click", &TFrmMain::SaveasDefault1Click),
    // bands
    Method("MMConnector1Trigger", &TFrmMain::MMConnector1Trigger),
    Method("rg_octaveClick", &TFrmMain::rg_octaveClick), Method("rg_zoomClick", &TFrmMain::rg_zoomClick),
    Method("spin_DecayAChange", &TFrmMain::spin_DecayAChange),
    Method("ckbLeavePeakClick", &TFrmMain::ckbLeavePeakClick),
    Method("cb_flatClick", &TFrmMain::cb_flatClick),
    // setup page and keys
    // generator and compare
    Method("SpinFreq1Change", &TFrmMain::SpinFreq1Change),
    Method("RadioGroup2Click", &TFrmMain::RadioGroup2Click),
    Method("MMSpinButton5Change", &TFrmMain::MMSpinButton5Change),
    Method("MMSpinButton6Change", &TFrmMain::MMSpinButton6Change),
    Method("spLevelChange", &TFrmMain::spLevelChange),
    Method("MMSpinButton7Change", &TFrmMain::MMSpinButton7Change),
    Method("Button1Click", &TFrmMain::Button1Click), Method("Button2Click", &TFrmMain::Button2Click),
    Method("btn_scompClick", &TFrmMain::btn_scompClick), Method("Button21Click", &TFrmMain::Button21Click),
    Method("CheckBox8Click", &TFrmMain::CheckBox8Click),
    Method("MMConnector3Trigger", &TFrmMain::MMConnector3Trigger),
    // level meters
    Method("conect2Trigger", &TFrmMain::conect2Trigger), Method("Lab_lClick", &TFrmMain::Lab_lClick),
    Method("MMLevel1GainOverflow", &TFrmMain::MMLevel1GainOverflow),
    Method("MMLevel2GainOverflow", &TFrmMain::MMLevel2GainOverflow),
    Method("TimerOverTimer", &TFrmMain::TimerOverTimer),
    Method("DisplayCorrelationMeter1Click", &TFrmMain::DisplayCorrelationMeter1Click),
    Method("ChangeLevelMeterwithRMSMeter1Click", &TFrmMain::ChangeLevelMeterwithRMSMeter1Click),
    Method("MMLEDSpin2Change", &TFrmMain::MMLEDSpin2Change),
    Method("MMLEDSpin19Change", &TFrmMain::MMLEDSpin19Change),
    Method("LevelSettings1Click", &TFrmMain::LevelSettings1Click),
    // setup page and keys
    Method("MMSpinButton1Change", &TFrmMain::MMSpinButton1Change),
    Method("MMSpinButton2Change", &TFrmMain::MMSpinButton2Change),
    Method("MMSpinButton3Change", &TFrmMain::MMSpinButton3Change),
    Method("MMSpinButton4Change", &TFrmMain::MMSpinButton4Change),
    Method("MMLEDSpin3Change", &TFrmMain::MMLEDSpin3Change),
    Method("sp_peaksChange", &TFrmMain::sp_peaksChange), Method("CheckBox1Click", &TFrmMain::CheckBox1Click),
    Method("CheckBox2Click", &TFrmMain::CheckBox2Click), Method("CheckBox5Click", &TFrmMain::CheckBox5Click),
    Method("CheckBox6Click", &TFrmMain::CheckBox6Click), Method("Dots1Click", &TFrmMain::Dots1Click),
    Method("Lines1Click", &TFrmMain::Lines1Click),
    Method("VerticalLines1Click", &TFrmMain::VerticalLines1Click),
    Method("Bars1Click", &TFrmMain::Bars1Click), Method("Peaks1Click", &TFrmMain::Peaks1Click),
    Method("Sroll1Click", &TFrmMain::Sroll1Click), Method("Rectangular1Click", &TFrmMain::Rectangular1Click),
    Method("Hammiing1Click", &TFrmMain::Hammiing1Click), Method("Hanning1Click", &TFrmMain::Hanning1Click),
    Method("Backman1Click", &TFrmMain::Backman1Click), Method("Gausian1Click", &TFrmMain::Gausian1Click),
    Method("Welch1Click", &TFrmMain::Welch1Click), Method("Parzen1Click", &TFrmMain::Parzen1Click),
    Method("Spectrum1Click", &TFrmMain::Spectrum1Click), Method("btn_fullClick", &TFrmMain::btn_fullClick),
    Method("btn_averageClick", &TFrmMain::btn_averageClick),
    Method("btn_CompareClick", &TFrmMain::btn_CompareClick),
    Method("btn_GeneratorClick", &TFrmMain::btn_GeneratorClick),
    Method("btn_PeakDClick", &TFrmMain::btn_PeakDClick),
    Method("btn_rec_PeaksClick", &TFrmMain::btn_rec_PeaksClick),
    Method("btn_wavPlayerClick", &TFrmMain::btn_wavPlayerClick),
    Method("btn_analyzerClick", &TFrmMain::btn_analyzerClick),
    Method("btn_runClick", &TFrmMain::btn_runClick), Method("FormKeyDown", &TFrmMain::FormKeyDown),
    Method("FormKeyPress", &TFrmMain::FormKeyPress),
    // correlation meter
    Method("t_correTimer", &TFrmMain::t_correTimer), Method("lab_cor_pClick", &TFrmMain::lab_cor_pClick),
    Method("CorrelationSettings1Click", &TFrmMain::CorrelationSettings1Click),
    // peak frequency and note
    Method("Timer3Timer", &TFrmMain::Timer3Timer), Method("DisplayNote1Click", &TFrmMain::DisplayNote1Click),
    Method("lab_frqClick", &TFrmMain::lab_frqClick), Method("Show1Click", &TFrmMain::Show1Click),
    // peak detector and records
    Method("Timer1Timer", &TFrmMain::Timer1Timer), Method("MMLEDSpin16Change", &TFrmMain::MMLEDSpin16Change),
    Method("MMLEDSpin17Change", &TFrmMain::MMLEDSpin17Change),
    Method("RadioGroup1Click", &TFrmMain::RadioGroup1Click), Method("Button3Click", &TFrmMain::Button3Click),
    Method("Button4Click", &TFrmMain::Button4Click), Method("Button5Click", &TFrmMain::Button5Click),
    Method("Button6Click", &TFrmMain::Button6Click), Method("Button7Click", &TFrmMain::Button7Click),
    Method("Button8Click", &TFrmMain::Button8Click), Method("Button9Click", &TFrmMain::Button9Click),
    Method("Button10Click", &TFrmMain::Button10Click),
    // frozen spectra and backgrounds
    Method("StoreFreeed1Click", &TFrmMain::StoreFreeed1Click),
    Method("StoreFreezedSpectrum21Click", &TFrmMain::StoreFreezedSpectrum21Click),
    Method("StoreFreezedSpectrum31Click", &TFrmMain::StoreFreezedSpectrum31Click),
    Method("StoreFreezedSpectrum41Click", &TFrmMain::StoreFreezedSpectrum41Click),
    Method("LoadfreezedSpectrum11Click", &TFrmMain::LoadfreezedSpectrum11Click),
    Method("LoadfreezedSpectrum12Click", &TFrmMain::LoadfreezedSpectrum12Click),
    Method("LoadfreezedSpectrum13Click", &TFrmMain::LoadfreezedSpectrum13Click),
    Method("LoadfreezedSpectrum41Click", &TFrmMain::LoadfreezedSpectrum41Click),
    Method("LoadBackground11Click", &TFrmMain::LoadBackground11Click),
    Method("LoadBackground21Click", &TFrmMain::LoadBackground21Click),
    Method("LoadBackground31Click", &TFrmMain::LoadBackground31Click),
    Method("LoadBackground41Click", &TFrmMain::LoadBackground41Click),
    Method("AnalyzerEditor1Click", &TFrmMain::AnalyzerEditor1Click),
    Method("ClearfreezedSpectrumbackground1Click", &TFrmMain::ClearfreezedSpectrumbackground1Click),
    Method("btn_freezeClick", &TFrmMain::btn_freezeClick),
    // player and recorder
    Method("WavePlayer1Click", &TFrmMain::WavePlayer1Click),
    Method("btn_ejectClick", &TFrmMain::btn_ejectClick), Method("btn_playClick", &TFrmMain::btn_playClick),
    Method("btn_pauseClick", &TFrmMain::btn_pauseClick), Method("btn_stopClick", &TFrmMain::btn_stopClick),
    Method("btn_backwardClick", &TFrmMain::btn_backwardClick),
    Method("btn_forwardClick", &TFrmMain::btn_forwardClick), Method("bntRecClick", &TFrmMain::bntRecClick),
    Method("bntloopClick", &TFrmMain::bntloopClick), Method("TrackBarTrack", &TFrmMain::TrackBarTrack),
    Method("TrackBarTrackEnd", &TFrmMain::TrackBarTrackEnd),
    Method("TrackBarChange", &TFrmMain::TrackBarChange), Method("WaveTimerTimer", &TFrmMain::WaveTimerTimer),
    Method("MMWaveOut1Start", &TFrmMain::MMWaveOut1Start),
    Method("MMWaveOut1Pause", &TFrmMain::MMWaveOut1Pause),
    Method("MMWaveOut1Restart", &TFrmMain::MMWaveOut1Restart),
    Method("MMWaveOut1Stop", &TFrmMain::MMWaveOut1Stop),
    Method("MMWaveOut1Close", &TFrmMain::MMWaveOut1Close),
    Method("MMWaveIn1Close", &TFrmMain::MMWaveIn1Close),
    // file scans and result slots
    Method("TriggerBufferReady", &TFrmMain::TriggerBufferReady),
    Method("TriggerStop", &TFrmMain::TriggerStop), Method("Button14Click", &TFrmMain::Button14Click),
    Method("Button15Click", &TFrmMain::Button15Click), Method("Button16Click", &TFrmMain::Button16Click),
    Method("Button17Click", &TFrmMain::Button17Click), Method("Button18Click", &TFrmMain::Button18Click),
    Method("Button19Click", &TFrmMain::Button19Click), Method("rg_FileClick", &TFrmMain::rg_FileClick),
    Method("rg_ShowClick", &TFrmMain::rg_ShowClick), Method("rg_compClick", &TFrmMain::rg_compClick),
    Method("cb_F1Change", &TFrmMain::cb_F1Change), Method("cb_F2Change", &TFrmMain::cb_F2Change),
    Method("cb_F3Change", &TFrmMain::cb_F3Change), Method("cb_F4Change", &TFrmMain::cb_F4Change),
    Method("cb_F5Change", &TFrmMain::cb_F5Change), Method("cb_F6Change", &TFrmMain::cb_F6Change),
    Method("File121Click", &TFrmMain::File121Click), Method("File131Click", &TFrmMain::File131Click),
    Method("File141Click", &TFrmMain::File141Click),
    // test signals
    Method("btn_pnClick", &TFrmMain::btn_pnClick), Method("btn_wnClick", &TFrmMain::btn_wnClick),
    Method("btn_swwepClick", &TFrmMain::btn_swwepClick),
    // device dialogs and input pairs
    Method("InputDevice1Click", &TFrmMain::InputDevice1Click),
    Method("OutputDevice1Click", &TFrmMain::OutputDevice1Click), Method("S1Click", &TFrmMain::S1Click),
    Method("S2Click", &TFrmMain::S2Click), Method("S3Click", &TFrmMain::S3Click),
    Method("StartAudioDriver2NumPad21Click", &TFrmMain::StartAudioDriver2NumPad21Click),
    Method("StartAudioDriver2NumPad22Click", &TFrmMain::StartAudioDriver2NumPad22Click),
    // exports
    Method("Button11Click", &TFrmMain::Button11Click), Method("Button12Click", &TFrmMain::Button12Click),
    Method("Button13Click", &TFrmMain::Button13Click), Method("btn_jpgClick", &TFrmMain::btn_jpgClick),
    Method("btn_txtClick", &TFrmMain::btn_txtClick), Method("btn_txt2Click", &TFrmMain::btn_txt2Click),
    Method("btn_txt3Click", &TFrmMain::btn_txt3Click), Method("Button22Click", &TFrmMain::Button22Click),
    Method("Button23Click", &TFrmMain::Button23Click), Method("Button24Click", &TFrmMain::Button24Click),
    // file tools
    Method("ConvertMp3toWav1Click", &TFrmMain::ConvertMp3toWav1Click),
    Method("ConvertWavtoMp31Click", &TFrmMain::ConvertWavtoMp31Click),
    Method("Normalizewavefiles1Click", &TFrmMain::Normalizewavefiles1Click),
    Method("SplittStereointo2monofiles1Click", &TFrmMain::SplittStereointo2monofiles1Click),
    Method("SwapClick", &TFrmMain::SwapClick),
    // Leq
    Method("LEQcalculator1Click", &TFrmMain::LEQcalculator1Click),
    // information windows and shell links
    Method("About1Click", &TFrmMain::About1Click), Method("H1Click", &TFrmMain::H1Click),
    Method("HelpFile1Click", &TFrmMain::HelpFile1Click),
    Method("SetupforInput1Click", &TFrmMain::SetupforInput1Click),
    Method("Updatecheck1Click", &TFrmMain::Updatecheck1Click),
    Method("HomepageVantorel1Click", &TFrmMain::HomepageVantorel1Click),
    Method("Label20Click", &TFrmMain::Label20Click),
    // print page
    Method("PrinterSetup1Click", &TFrmMain::PrinterSetup1Click),
    Method("PrinterDiablog1Click", &TFrmMain::PrinterDiablog1Click))
