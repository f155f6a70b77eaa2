#pragma once
// The analyser's main window: the component chain, the displays, the pages
// and the menus read from its description (resources/forms/MainForm.dfm), and the window's
// lifecycle. Feature handlers live in their own files (MainRouting.cpp,
// MainBands.cpp, MainSetup.cpp); each section below says whose they are.
//
// The order of the components in the description is the component index the
// project files key their values by, so it never changes: a component added
// later goes after the last one of the description.
#include <array>
#include <cstdint>
#include <exception>
#include <initializer_list>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "app/AppForms.h"
#include "app/Bands.h"
#include "app/Leq.h"
#include "app/MainReadouts.h"
#include "app/PeakRecords.h"
#include "app/Scans.h"
#include "controls/MMBmpBtn.h"
#include "controls/MMBmpCtl.h"
#include "controls/MMBmpLst.h"
#include "controls/MMColBtn.h"
#include "controls/MMDesign.h"
#include "controls/MMEdit.h"
#include "controls/MMGauge.h"
#include "controls/MMLEDLbl.h"
#include "controls/MMLEDSpin.h"
#include "controls/MMLEDs.h"
#include "controls/MMLabel.h"
#include "controls/MMSlider.h"
#include "controls/MMSpin.h"
#include "displays/MMConect.h"
#include "displays/MMLevel.h"
#include "displays/MMLevelScale.h"
#include "displays/MMOscope.h"
#include "displays/MMSpectrum.h"
#include "engine/MMFXGen.h"
#include "engine/MMPeak.h"
#include "engine/MMPlugIn.h"
#include "engine/MMTrigg.h"
#include "engine/MMWavIn.h"
#include "engine/MMWavOut.h"
#include "files/MMAudioFile.h"
#include "files/MMCstDlg.h"
#include "files/MMMPEG.h"
#include "files/MMWRec.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/ExtTimer.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/ImageCtrls.h"
#include "platform/vcl/Menus.h"
#include "platform/vcl/StdCtrls.h"

// Every component of the description, in its order: (class, name).
#define QUELLIX_FRMMAIN_COMPONENTS(X)                \
  X(engine::TMMWaveIn, MMWaveIn1)                    \
  X(displays::TMMConnector, MMConnector1)            \
  X(displays::TMMConnector, conect2)                 \
  X(engine::TMMPeakDetect, MMPeakDetect1)            \
  X(engine::TMMPeakDetect, MMPeakDetect2)            \
  X(engine::TMMDSPPlugin, DSPPlugin)                 \
  X(engine::TMMWaveOut, MMWaveOut1)                  \
  X(engine::TMMGenerator, MMGenerator1)              \
  X(displays::TMMConnector, MMConnector3)            \
  X(engine::TMMTrigger, Trigger)                     \
  X(controls::TMMDesigner, MMDesigner1)              \
  X(controls::TMMBitmapList, MMBitmapList1)          \
  X(vcl::TOpenDialog, LoadDialog1)                   \
  X(vcl::TSaveDialog, SaveDialog1)                   \
  X(vcl::TOpenDialog, OpenMp3)                       \
  X(vcl::TPrintDialog, PrintDialog1)                 \
  X(vcl::TTimer, Timer1)                             \
  X(vcl::TTimer, WaveTimer)                          \
  X(vcl::TTimer, t_corre)                            \
  X(vcl::TTimer, TimerOver)                          \
  X(vcl::TTimer, Timer2)                             \
  X(vcl::TTimer, Timer3)                             \
  X(vcl::TTimer, tResize)                            \
  X(vcl::TMainMenu, MainMenu1)                       \
  X(vcl::TMenuItem, File1)                           \
  X(vcl::TMenuItem, LoadPrject1)                     \
  X(vcl::TMenuItem, SaveProject1)                    \
  X(vcl::TMenuItem, SaveasDefault1)                  \
  X(vcl::TMenuItem, Exit1)                           \
  X(vcl::TMenuItem, AnalyzerFunctions1)              \
  X(vcl::TMenuItem, LineIn1)                         \
  X(vcl::TMenuItem, WavePlayer1)                     \
  X(vcl::TMenuItem, Frequ1)                          \
  X(vcl::TMenuItem, LEQcalculator1)                  \
  X(vcl::TMenuItem, DisplayMode1)                    \
  X(vcl::TMenuItem, Dots1)                           \
  X(vcl::TMenuItem, Lines1)                          \
  X(vcl::TMenuItem, VerticalLines1)                  \
  X(vcl::TMenuItem, Bars1)                           \
  X(vcl::TMenuItem, Peaks1)                          \
  X(vcl::TMenuItem, Sroll1)                          \
  X(vcl::TMenuItem, DisplayRMSLevelMeter1)           \
  X(vcl::TMenuItem, DisplayNote1)                    \
  X(vcl::TMenuItem, DisplayCorrelationMeter1)        \
  X(vcl::TMenuItem, ChangeLevelMeterwithRMSMeter1)   \
  X(vcl::TMenuItem, Show1)                           \
  X(vcl::TMenuItem, FilterMode1)                     \
  X(vcl::TMenuItem, Rectangular1)                    \
  X(vcl::TMenuItem, Hammiing1)                       \
  X(vcl::TMenuItem, Hanning1)                        \
  X(vcl::TMenuItem, Backman1)                        \
  X(vcl::TMenuItem, Gausian1)                        \
  X(vcl::TMenuItem, Welch1)                          \
  X(vcl::TMenuItem, Parzen1)                         \
  X(vcl::TMenuItem, AnalyzerData1)                   \
  X(vcl::TMenuItem, StoreFreeed1)                    \
  X(vcl::TMenuItem, StoreFreezedSpectrum21)          \
  X(vcl::TMenuItem, StoreFreezedSpectrum31)          \
  X(vcl::TMenuItem, StoreFreezedSpectrum41)          \
  X(vcl::TMenuItem, LoadfreezedSpectrum11)           \
  X(vcl::TMenuItem, LoadfreezedSpectrum12)           \
  X(vcl::TMenuItem, LoadfreezedSpectrum13)           \
  X(vcl::TMenuItem, LoadfreezedSpectrum41)           \
  X(vcl::TMenuItem, LoadBackground11)                \
  X(vcl::TMenuItem, LoadBackground21)                \
  X(vcl::TMenuItem, LoadBackground31)                \
  X(vcl::TMenuItem, LoadBackground41)                \
  X(vcl::TMenuItem, AnalyzerEditor1)                 \
  X(vcl::TMenuItem, ClearfreezedSpectrumbackground1) \
  X(vcl::TMenuItem, Average1)                        \
  X(vcl::TMenuItem, File121)                         \
  X(vcl::TMenuItem, File131)                         \
  X(vcl::TMenuItem, File141)                         \
  X(vcl::TMenuItem, Preferences1)                    \
  X(vcl::TMenuItem, StandardMixer1)                  \
  X(vcl::TMenuItem, InputDevice1)                    \
  X(vcl::TMenuItem, OutputDevice1)                   \
  X(vcl::TMenuItem, Spectrum1)                       \
  X(vcl::TMenuItem, CorrelationSettings1)            \
  X(vcl::TMenuItem, LevelSettings1)                  \
  X(vcl::TMenuItem, MultiAudioDrivers1)              \
  X(vcl::TMenuItem, SelectAudioDriver1)              \
  X(vcl::TMenuItem, StartAudioDriver2NumPad21)       \
  X(vcl::TMenuItem, StartAudioDriver2NumPad22)       \
  X(vcl::TMenuItem, StartAudioDriver3NumPad31)       \
  X(vcl::TMenuItem, StartAudioDriver4NumPad41)       \
  X(vcl::TMenuItem, Mp3wavtools1)                    \
  X(vcl::TMenuItem, ConvertMp3toWav1)                \
  X(vcl::TMenuItem, ConvertWavtoMp31)                \
  X(vcl::TMenuItem, Normalizewavefiles1)             \
  X(vcl::TMenuItem, SplittStereointo2monofiles1)     \
  X(vcl::TMenuItem, Swapleftwithrigthchannel1)       \
  X(vcl::TMenuItem, Printer1)                        \
  X(vcl::TMenuItem, PrinterSetup1)                   \
  X(vcl::TMenuItem, PrinterDiablog1)                 \
  X(vcl::TMenuItem, Info1)                           \
  X(vcl::TMenuItem, HelpFile1)                       \
  X(vcl::TMenuItem, H1)                              \
  X(vcl::TMenuItem, N1)                              \
  X(vcl::TMenuItem, ContacttoVantorel1)              \
  X(vcl::TMenuItem, HomepageVantorel1)               \
  X(vcl::TMenuItem, N2)                              \
  X(vcl::TMenuItem, About1)                          \
  X(vcl::TPanel, pan_top)                            \
  X(displays::TMMOscope, os_l)                       \
  X(displays::TMMOscope, os_r)                       \
  X(vcl::TLabel, lab_peak_caption)                   \
  X(vcl::TLabel, lab_frq)                            \
  X(vcl::TLabel, Label6)                             \
  X(vcl::TLabel, lab_note)                           \
  X(vcl::TImage, Image1)                             \
  X(vcl::TImage, Image4)                             \
  X(vcl::TLabel, Lab_Min)                            \
  X(vcl::TLabel, Lab_Max)                            \
  X(vcl::TLabel, lab_cor_p2)                         \
  X(vcl::TLabel, lab_cor_p)                          \
  X(vcl::TPanel, pan_overOL)                         \
  X(controls::TMMLED, LEDLeft)                       \
  X(controls::TMMLED, LEDRight)                      \
  X(vcl::TLabel, Lab_l)                              \
  X(vcl::TLabel, Lab_r)                              \
  X(vcl::TLabel, lab_ppm_l)                          \
  X(vcl::TLabel, lab_ppm_r)                          \
  X(vcl::TPanel, pan_Level)                          \
  X(displays::TMMLevelScale, MMLevelScale1)          \
  X(vcl::TImage, ima_nordic1)                        \
  X(displays::TMMLevel, MMLevel1)                    \
  X(displays::TMMLevel, MMLevel5)                    \
  X(displays::TMMLevel, MMLevel6)                    \
  X(displays::TMMLevel, MMLevel2)                    \
  X(vcl::TPanel, pan_menu2)                          \
  X(vcl::TPanel, pan_buttons)                        \
  X(vcl::TButton, btn_full)                          \
  X(vcl::TButton, btn_average)                       \
  X(vcl::TButton, btn_Compare)                       \
  X(vcl::TButton, btn_Generator)                     \
  X(vcl::TButton, btn_PeakD)                         \
  X(vcl::TButton, btn_rec_Peaks)                     \
  X(vcl::TButton, btn_wavPlayer)                     \
  X(vcl::TButton, btn_analyzer)                      \
  X(vcl::TButton, Button25)                          \
  X(vcl::TButton, btn_run)                           \
  X(vcl::TPanel, pan_main)                           \
  X(vcl::TPanel, pan_analyzer)                       \
  X(controls::TMMPanelFill, PanAna1)                 \
  X(vcl::TCheckBox, CheckBox1)                       \
  X(vcl::TCheckBox, CheckBox2)                       \
  X(vcl::TCheckBox, CheckBox5)                       \
  X(vcl::TCheckBox, CheckBox6)                       \
  X(vcl::TCheckBox, ckbLeavePeak)                    \
  X(vcl::TCheckBox, cb_flat)                         \
  X(vcl::TButton, btn_freeze)                        \
  X(vcl::TButton, btn_jpg)                           \
  X(vcl::TButton, btn_restart)                       \
  X(controls::TMMPanelFill, PAnAna2)                 \
  X(vcl::TLabel, Label_DisplayMode)                  \
  X(controls::TMMSpinButton, MMSpinButton1)          \
  X(controls::TMMLEDLABEL, LedLab1)                  \
  X(vcl::TLabel, Label_AnalyzerMode)                 \
  X(controls::TMMSpinButton, MMSpinButton2)          \
  X(controls::TMMLEDLABEL, LedLab)                   \
  X(vcl::TLabel, Label_AnalyzerWindow)               \
  X(controls::TMMSpinButton, MMSpinButton3)          \
  X(controls::TMMLEDLABEL, LedLab2)                  \
  X(vcl::TLabel, Label_DecayMode)                    \
  X(controls::TMMSpinButton, MMSpinButton4)          \
  X(controls::TMMLEDLABEL, LABDecay)                 \
  X(controls::TMMPanelFill, PanAna3)                 \
  X(vcl::TLabel, Label_PeakSpeed)                    \
  X(controls::TMMLEDSpin, MMLEDSpin3)                \
  X(controls::TMMLEDSpin, MMLEDSpin19)               \
  X(vcl::TLabel, Label_NumPeaks)                     \
  X(controls::TMMLEDSpin, sp_peaks)                  \
  X(vcl::TLabel, Label_SpecDecay)                    \
  X(controls::TMMLEDSpin, spin_DecayA)               \
  X(vcl::TLabel, Label_LevelDecay)                   \
  X(controls::TMMLEDSpin, MMLEDSpin2)                \
  X(vcl::TPanel, pan_octave)                         \
  X(vcl::TRadioGroup, rg_octave)                     \
  X(vcl::TRadioGroup, rg_filter)                     \
  X(vcl::TPanel, pan_zoom)                           \
  X(vcl::TRadioGroup, rg_zoom)                       \
  X(controls::TMMNumberEdit, ne_start1)              \
  X(controls::TMMNumberEdit, ne_start2)              \
  X(controls::TMMNumberEdit, ne_start3)              \
  X(controls::TMMNumberEdit, ne_start4)              \
  X(controls::TMMNumberEdit, ne_end1)                \
  X(controls::TMMNumberEdit, ne_end2)                \
  X(controls::TMMNumberEdit, ne_end3)                \
  X(controls::TMMNumberEdit, ne_end4)                \
  X(vcl::TPanel, PanAverage)                         \
  X(vcl::TRadioGroup, rg_File)                       \
  X(vcl::TRadioGroup, rg_Show)                       \
  X(vcl::TRadioGroup, rg_comp)                       \
  X(controls::TMMGauge, Gauge_avg)                   \
  X(vcl::TButton, Button14)                          \
  X(vcl::TButton, Button15)                          \
  X(vcl::TButton, Button16)                          \
  X(vcl::TButton, Button17)                          \
  X(vcl::TButton, Button18)                          \
  X(vcl::TButton, Button19)                          \
  X(controls::TMMColorButton, cb_F1)                 \
  X(controls::TMMColorButton, cb_F2)                 \
  X(controls::TMMColorButton, cb_F3)                 \
  X(controls::TMMColorButton, cb_F4)                 \
  X(controls::TMMColorButton, cb_F5)                 \
  X(controls::TMMColorButton, cb_F6)                 \
  X(vcl::TButton, Button11)                          \
  X(vcl::TButton, Button12)                          \
  X(vcl::TButton, Button13)                          \
  X(vcl::TButton, btn_txt)                           \
  X(vcl::TButton, btn_txt2)                          \
  X(vcl::TButton, btn_txt3)                          \
  X(vcl::TButton, Button22)                          \
  X(vcl::TButton, Button23)                          \
  X(vcl::TButton, Button24)                          \
  X(vcl::TButton, btn_pn)                            \
  X(vcl::TButton, btn_wn)                            \
  X(vcl::TButton, btn_swwep)                         \
  X(vcl::TPanel, PanCali)                            \
  X(vcl::TCheckBox, CheckBox8)                       \
  X(vcl::TLabel, Label_OutputLevel)                  \
  X(controls::TMMSpinButton, MMSpinButton7)          \
  X(vcl::TLabel, labDB2)                             \
  X(vcl::TButton, btn_scomp)                         \
  X(vcl::TButton, Button21)                          \
  X(displays::TMMLevel, mmLevel7)                    \
  X(displays::TMMLevel, mmLevel8)                    \
  X(controls::TMMLEDLABEL, LabIn)                    \
  X(controls::TMMLEDLABEL, LabOut)                   \
  X(vcl::TPanel, PanGenerat)                         \
  X(vcl::TLabel, Label_Frequency)                    \
  X(controls::TMMLEDSpin, SpinFreq1)                 \
  X(vcl::TRadioGroup, RadioGroup2)                   \
  X(controls::TMMSpinButton, MMSpinButton5)          \
  X(controls::TMMLEDLABEL, LEDWave1)                 \
  X(controls::TMMSpinButton, MMSpinButton6)          \
  X(controls::TMMLEDLABEL, MMLED1)                   \
  X(vcl::TLabel, Label_Level)                        \
  X(controls::TMMSpinButton, spLevel)                \
  X(vcl::TLabel, labDB)                              \
  X(vcl::TButton, Button1)                           \
  X(vcl::TButton, Button2)                           \
  X(displays::TMMOscope, MMOscope1)                  \
  X(vcl::TPanel, PanFFreq)                           \
  X(controls::TMMLEDSpin, freq1)                     \
  X(controls::TMMLEDLABEL, DBDisp)                   \
  X(controls::TMMLEDSpin, MMLEDSpin5)                \
  X(controls::TMMLEDLABEL, MMLEDLABEL1)              \
  X(controls::TMMLEDSpin, MMLEDSpin6)                \
  X(controls::TMMLEDLABEL, MMLEDLABEL2)              \
  X(controls::TMMLEDSpin, MMLEDSpin7)                \
  X(controls::TMMLEDLABEL, MMLEDLABEL3)              \
  X(controls::TMMLEDSpin, MMLEDSpin8)                \
  X(controls::TMMLEDLABEL, MMLEDLABEL4)              \
  X(controls::TMMLEDSpin, MMLEDSpin9)                \
  X(controls::TMMLEDLABEL, MMLEDLABEL5)              \
  X(controls::TMMLEDSpin, MMLEDSpin10)               \
  X(controls::TMMLEDLABEL, MMLEDLABEL6)              \
  X(controls::TMMLEDSpin, MMLEDSpin11)               \
  X(controls::TMMLEDLABEL, MMLEDLABEL7)              \
  X(controls::TMMLEDSpin, MMLEDSpin12)               \
  X(controls::TMMLEDLABEL, MMLEDLABEL8)              \
  X(controls::TMMLEDSpin, MMLEDSpin13)               \
  X(controls::TMMLEDLABEL, MMLEDLABEL9)              \
  X(controls::TMMLEDSpin, MMLEDSpin14)               \
  X(controls::TMMLEDLABEL, MMLEDLABEL10)             \
  X(controls::TMMLEDSpin, MMLEDSpin15)               \
  X(controls::TMMLEDLABEL, MMLEDLABEL11)             \
  X(vcl::TRadioGroup, RadioGroup1)                   \
  X(vcl::TLabel, Label_PeakInterval)                 \
  X(controls::TMMLEDSpin, MMLEDSpin16)               \
  X(vcl::TButton, Button9)                           \
  X(vcl::TButton, Button10)                          \
  X(controls::TMMLabel, MMLabel53)                   \
  X(vcl::TPanel, PanData)                            \
  X(vcl::TMemo, Memo1)                               \
  X(vcl::TLabel, Label_RecInterval)                  \
  X(controls::TMMLEDSpin, MMLEDSpin17)               \
  X(vcl::TCheckBox, CheckBox9)                       \
  X(vcl::TCheckBox, CheckBox10)                      \
  X(vcl::TCheckBox, CheckBox11)                      \
  X(vcl::TButton, Button3)                           \
  X(vcl::TButton, Button4)                           \
  X(vcl::TButton, Button5)                           \
  X(vcl::TButton, Button6)                           \
  X(vcl::TButton, Button7)                           \
  X(vcl::TButton, Button8)                           \
  X(vcl::TPanel, PanPlayer)                          \
  X(vcl::TPanel, Panel3)                             \
  X(controls::TMMBitmapButton, btn_backward)         \
  X(controls::TMMBitmapButton, btn_stop)             \
  X(controls::TMMBitmapButton, bntRec)               \
  X(controls::TMMBitmapButton, btn_play)             \
  X(controls::TMMBitmapButton, btn_pause)            \
  X(controls::TMMBitmapButton, btn_forward)          \
  X(controls::TMMBitmapButton, btn_eject)            \
  X(controls::TMMBitmapButton, bntloop1)             \
  X(controls::TMMNumberEdit, edts1)                  \
  X(controls::TMMNumberEdit, edte1)                  \
  X(controls::TMMBitmapButton, bntloop2)             \
  X(controls::TMMNumberEdit, edtS2)                  \
  X(controls::TMMNumberEdit, edte2)                  \
  X(controls::TMMBitmapButton, bntloop3)             \
  X(controls::TMMNumberEdit, edts3)                  \
  X(controls::TMMNumberEdit, edte3)                  \
  X(controls::TMMSlider, TrackBar)                   \
  X(vcl::TLabel, LabFile)                            \
  X(vcl::TLabel, labRec)                             \
  X(controls::TMMLEDPanel, MMLEDPanel6)              \
  X(vcl::TLabel, Label_Hz)                           \
  X(controls::TMMLEDPanel, MMLEDPanel7)              \
  X(vcl::TLabel, Label_Bit)                          \
  X(controls::TMMLEDPanel, MMLEDPanel1)              \
  X(vcl::TLabel, Label_kb)                           \
  X(controls::TMMLEDPanel, mpkbit)                   \
  X(vcl::TLabel, Label_kbit)                         \
  X(controls::TMMLEDMode, MMLEDMode2)                \
  X(vcl::TLabel, lblLayer)                           \
  X(vcl::TLabel, lblLayer2)                          \
  X(vcl::TLabel, Label_Time)                         \
  X(vcl::TLabel, Label10)                            \
  X(vcl::TLabel, Label_Remain)                       \
  X(vcl::TLabel, labLeft)                            \
  X(displays::TMMLevel, MMLevel3)                    \
  X(displays::TMMLevel, MMLevel4)                    \
  X(vcl::TPanel, PanTrigger)                         \
  X(displays::TMMSpectrum, MMSpectrum1)              \
  X(files::TMMWaveRecorder, wavRecorder)             \
  X(files::TMMWaveOpenDialog, MMWaveOpenDialog1)     \
  X(files::TMMWaveSaveDialog, recWavDlg)             \
  X(files::TMMAudioFile, waveplayer)                 \
  X(files::TMMMPEGFile, mp3file)

namespace app {

class TFrmMain : public vcl::TForm {
  VCL_DECLARE_CLASS(TFrmMain, vcl::TForm)
 public:
  explicit TFrmMain(vcl::TComponent* owner);
  ~TFrmMain() override;

#define QUELLIX_FRMMAIN_FIELD(Type, Name) Type* Name = nullptr;
  QUELLIX_FRMMAIN_COMPONENTS(QUELLIX_FRMMAIN_FIELD)
#undef QUELLIX_FRMMAIN_FIELD

  // ---- lifecycle (MainForm.cpp) ----
  void FormCreate(vcl::TObject* sender);
  void FormShow(vcl::TObject* sender);
  void FormResize(vcl::TObject* sender);
  void FormClose(vcl::TObject* sender, vcl::TCloseAction& action);
  void Timer2Timer(vcl::TObject* sender);
  void tResizeTimer(vcl::TObject* sender);
  void Exit1Click(vcl::TObject* sender);
  bool StartupDone() const { return startup_done_; }
  bool SoundIn() const { return sound_in_; }
  bool SoundOut() const { return sound_out_; }

  // ---- routing (MainRouting.cpp) ----
  void ApplySpectrumOutfit();
  void RouteRealtime();
  void RoutePlayer();
  void RouteCompare();
  void LineIn1Click(vcl::TObject* sender);
  void Button25Click(vcl::TObject* sender);
  void Frequ1Click(vcl::TObject* sender);
  void WavePlayer1Click(vcl::TObject* sender);
  void btn_restartClick(vcl::TObject* sender);

  // ---- bands (MainBands.cpp) ----
  void MMConnector1Trigger(vcl::TObject* sender);
  void rg_octaveClick(vcl::TObject* sender);
  void rg_zoomClick(vcl::TObject* sender);
  void spin_DecayAChange(vcl::TObject* sender);
  void ckbLeavePeakClick(vcl::TObject* sender);
  void cb_flatClick(vcl::TObject* sender);
  // Enables the zoom range controls; disabling also gives the spectrum's
  // scale the third-octave labels.
  void SetZoomEdits(bool enabled);
  // The bands of the display mode in force (none in the FFT modes).
  const TBandAnalyser& Bands() const { return bands_; }
  // While on, each pass keeps every spectrum column's highest display value.
  void SetCollectMaxBins(bool value);
  const std::array<int32_t, displays::TMMSpectrum::kMaxBins>& MaxBins() const { return max_bins_; }

 private:
  // Puts the mode controls back on the mode in force after a refused zoom range.
  void RefuseZoomRange();
  TBandAnalyser bands_;
  std::array<int32_t, engine::kMaxPeakFFTLength / 2> peak_bins_{};
  std::array<int32_t, kBandSlots> band_values_{};
  std::array<int32_t, displays::TMMSpectrum::kMaxBins> max_bins_{};
  bool collect_max_bins_ = false;
  int applied_mode_ = -1;
  int applied_zoom_ = -1;
  int flat_saved_mode_ = -1;
  bool restoring_mode_ = false;
  // When the bands were last drawn; none since the mode was applied.
  std::optional<int64_t> band_drawn_us_;

 public:
  // ---- setup page and keys (MainSetup.cpp) ----
  // The spectrum's display kind 0..5 and its read-out; another value changes nothing.
  void ApplyDisplayKind(int kind);
  // Kind, window, decay and bar colours again from the controls that hold them.
  void ApplyDisplaySettings();
  void MMSpinButton1Change(vcl::TObject* sender);
  void MMSpinButton2Change(vcl::TObject* sender);
  void MMSpinButton3Change(vcl::TObject* sender);
  void MMSpinButton4Change(vcl::TObject* sender);
  void MMLEDSpin3Change(vcl::TObject* sender);
  void sp_peaksChange(vcl::TObject* sender);
  void CheckBox1Click(vcl::TObject* sender);
  void CheckBox2Click(vcl::TObject* sender);
  void CheckBox5Click(vcl::TObject* sender);
  void CheckBox6Click(vcl::TObject* sender);
  void Dots1Click(vcl::TObject* sender);
  void Lines1Click(vcl::TObject* sender);
  void VerticalLines1Click(vcl::TObject* sender);
  void Bars1Click(vcl::TObject* sender);
  void Peaks1Click(vcl::TObject* sender);
  void Sroll1Click(vcl::TObject* sender);
  void Rectangular1Click(vcl::TObject* sender);
  void Hammiing1Click(vcl::TObject* sender);
  void Hanning1Click(vcl::TObject* sender);
  void Backman1Click(vcl::TObject* sender);
  void Gausian1Click(vcl::TObject* sender);
  void Welch1Click(vcl::TObject* sender);
  void Parzen1Click(vcl::TObject* sender);
  void Spectrum1Click(vcl::TObject* sender);
  void btn_fullClick(vcl::TObject* sender);
  void btn_averageClick(vcl::TObject* sender);
  void btn_CompareClick(vcl::TObject* sender);
  void btn_GeneratorClick(vcl::TObject* sender);
  void btn_PeakDClick(vcl::TObject* sender);
  void btn_rec_PeaksClick(vcl::TObject* sender);
  void btn_wavPlayerClick(vcl::TObject* sender);
  void btn_analyzerClick(vcl::TObject* sender);
  void btn_runClick(vcl::TObject* sender);
  void FormKeyDown(vcl::TObject* sender, uint16_t& key, vcl::TShiftState shift);
  void FormKeyPress(vcl::TObject* sender, char& key);

  // ---- settings and projects (MainSettings.cpp) ----
  // Writes the project file whole, replacing the old one only once the new one
  // is complete, then the registry values kept with a project. Raises
  // EIniFileException "Unable to write to <file>" (and writes no registry value)
  // when the file cannot be written.
  void SaveSettingsFile(const std::string& file_name);
  // Applies a project file and the registry values kept with projects as the
  // user's changes would; values that are no numbers take their defaults and
  // are named in one message. Leaves both devices closed.
  void LoadSettingsFile(const std::string& file_name);
  void SaveProject1Click(vcl::TObject* sender);
  void LoadPrject1Click(vcl::TObject* sender);
  void SaveasDefault1Click(vcl::TObject* sender);
  // The files of the four frozen-spectrum slots, kept with the projects.
  std::array<std::string, 4> BinSlotFiles;
  // ---- generator and compare (MainGenerator.cpp) ----
  void SpinFreq1Change(vcl::TObject* sender);
  void RadioGroup2Click(vcl::TObject* sender);
  void MMSpinButton5Change(vcl::TObject* sender);
  void MMSpinButton6Change(vcl::TObject* sender);
  void spLevelChange(vcl::TObject* sender);
  void MMSpinButton7Change(vcl::TObject* sender);
  void Button1Click(vcl::TObject* sender);
  void Button2Click(vcl::TObject* sender);
  void btn_scompClick(vcl::TObject* sender);
  void Button21Click(vcl::TObject* sender);
  void CheckBox8Click(vcl::TObject* sender);
  void MMConnector3Trigger(vcl::TObject* sender);

  // ---- level meters (MainLevels.cpp) ----
  // The refresh pass of the second connector: its steps in their order.
  void conect2Trigger(vcl::TObject* sender);
  // Peak read-outs and overload LEDs back to their reset state.
  void Lab_lClick(vcl::TObject* sender);
  void MMLevel1GainOverflow(vcl::TObject* sender);
  void MMLevel2GainOverflow(vcl::TObject* sender);
  void TimerOverTimer(vcl::TObject* sender);
  void DisplayCorrelationMeter1Click(vcl::TObject* sender);
  void ChangeLevelMeterwithRMSMeter1Click(vcl::TObject* sender);
  void MMLEDSpin2Change(vcl::TObject* sender);
  void MMLEDSpin19Change(vcl::TObject* sender);
  void LevelSettings1Click(vcl::TObject* sender);
  // Sizes the meters to the level panel and, for the scales 0..3, applies
  // that scale's sensitivity and redraws its picture (page switches call it).
  void LayoutLevelMeters();
  // Draws the scale picture of ballistics `index` on ima_nordic1.
  void DrawLevelScale(int index);
  // The eight meters in the order "mmLevel1".."mmLevel8".
  std::array<displays::TMMLevel*, 8> AllLevelMeters() const;
  int HeldLeft() const { return held_left_; }
  int HeldRight() const { return held_right_; }
  bool RmsSwap() const { return rms_swap_; }

  // ---- correlation meter (MainCorrelation.cpp) ----
  // First show: the stored averaging length and colours, the speed applied, the history restarted.
  void StartCorrelation();
  void UpdateCorrelation();
  void DrawCorrelationMeter(int value);
  int AverageCorrelation(int position);
  void DrawCorrelationBar(vcl::TImage* image, int min, int average, int position, int max);
  void t_correTimer(vcl::TObject* sender);
  void lab_cor_pClick(vcl::TObject* sender);
  void CorrelationSettings1Click(vcl::TObject* sender);
  int CorrelationAverage() const { return correlation_.average; }
  // Kept to the history's length; a new length restarts the average.
  void SetCorrelationAverage(int value);
  int CorrelationHistoryLength() const { return correlation_.history_length; }
  // The speed choice: averaging length, bar history length, and a restart.
  void SetCorrelationSpeed(int average, int history_length);
  const TCorrelationState& Correlation() const { return correlation_; }
  const TCorrelationColors& CorrelationColors() const { return correlation_colors_; }
  void SetCorrelationColors(const TCorrelationColors& colors);

  // ---- peak frequency and note (MainPeak.cpp) ----
  void Timer3Timer(vcl::TObject* sender);
  // The note step of a refresh pass, and the count every pass adds at its end.
  void UpdateNote();
  void CountNotePass() { ++peak_.note_counter; }
  void DisplayNote1Click(vcl::TObject* sender);
  void lab_frqClick(vcl::TObject* sender);
  void Show1Click(vcl::TObject* sender);
  const TPeakState& Peak() const { return peak_; }

  // ---- peak detector and records (MainRecords.cpp) ----
  void Timer1Timer(vcl::TObject* sender);
  void MMLEDSpin16Change(vcl::TObject* sender);
  void MMLEDSpin17Change(vcl::TObject* sender);
  void RadioGroup1Click(vcl::TObject* sender);
  void Button3Click(vcl::TObject* sender);
  void Button4Click(vcl::TObject* sender);
  void Button5Click(vcl::TObject* sender);
  void Button6Click(vcl::TObject* sender);
  void Button7Click(vcl::TObject* sender);
  void Button8Click(vcl::TObject* sender);
  void Button9Click(vcl::TObject* sender);
  void Button10Click(vcl::TObject* sender);
  // A loop start with its sync box checked: a fresh memo and a new band recording.
  void LoopRecordRestart(vcl::TObject* sender);
  // The memo's header; at start-up its title sits one space further in.
  void WriteRecordHeader(bool at_startup);
  const TRecordState& RecordState() const { return records_; }

 private:
  struct TDetectorPair {
    controls::TMMLEDSpin* spin;
    controls::TMMLEDLABEL* readout;
  };
  std::array<TDetectorPair, 12> DetectorPairs() const;
  TRecordStamp RecordStamp() const;
  void AddMemoLines(const std::vector<std::string>& lines);
  TRecordState records_;
  std::vector<int32_t> detector_values_ = std::vector<int32_t>(engine::kMaxPeakFFTLength / 2);

 public:
  // ---- player and recorder (MainPlayer.cpp) ----
  void btn_ejectClick(vcl::TObject* sender);
  void btn_playClick(vcl::TObject* sender);
  void btn_pauseClick(vcl::TObject* sender);
  void btn_stopClick(vcl::TObject* sender);
  void btn_backwardClick(vcl::TObject* sender);
  void btn_forwardClick(vcl::TObject* sender);
  void bntRecClick(vcl::TObject* sender);
  void bntloopClick(vcl::TObject* sender);
  void TrackBarTrack(vcl::TObject* sender);
  void TrackBarTrackEnd(vcl::TObject* sender);
  void TrackBarChange(vcl::TObject* sender);
  void WaveTimerTimer(vcl::TObject* sender);
  void MMWaveOut1Start(vcl::TObject* sender);
  void MMWaveOut1Pause(vcl::TObject* sender);
  void MMWaveOut1Restart(vcl::TObject* sender);
  void MMWaveOut1Stop(vcl::TObject* sender);
  void MMWaveOut1Close(vcl::TObject* sender);
  void MMWaveIn1Close(vcl::TObject* sender);
  // A scan or a test signal drives the player source and the output: while one
  // runs, the player page's transport, file, record and loop buttons and its
  // slider are off and their handlers do nothing. `keep_stop` leaves "Stop"
  // working, which ends a test signal.
  void SetPlayerLocked(bool locked, bool keep_stop = false);
  bool PlayerLocked() const { return player_locked_; }
  bool PlayerPaused() const { return player_paused_; }
  bool SliderTracking() const { return slider_tracking_; }
  // Loop 1..3 whose end the timer watches.
  bool LoopActive(int loop) const { return loop >= 1 && loop <= 3 && loop_active_[loop - 1]; }
  bool Recording() const;
  // Measurements that follow the player, set by their own windows: the start
  // of playing (not a resume) starts a Leq measurement that is active; the
  // output's stop finishes a running test signal; its close stops the Leq
  // timer; a loop start with its sync box checked restarts the peak record.
  vcl::TNotifyEvent OnPlayerStart;
  vcl::TNotifyEvent OnPlayerOutputStop;
  vcl::TNotifyEvent OnPlayerOutputClose;
  vcl::TNotifyEvent OnLoopRecordRestart;

 private:
  // The loop k (1..3) start and end in ms, from its two edits, within the file.
  int64_t LoopStartMs(int loop) const;
  int64_t LoopEndMs(int loop) const;
  int PlayingTime() const;
  // The file's read-outs once the player holds a file.
  void ShowPlayerFile();
  void FinishRecording();
  // Stops the recorder and lets go of its file name whatever happens; what
  // the stop raised is returned.
  std::exception_ptr StopRecorder();
  // Enabled states of the page from the lock, the recording and the file.
  void UpdatePlayerControls();
  // The output is fed from the player source, or routed so it is.
  void EnsurePlayerRoute();
  void StartLoop(int loop);
  bool slider_tracking_ = false;
  bool player_paused_ = false;
  std::array<bool, 3> loop_active_{};
  bool player_locked_ = false;
  bool keep_stop_ = false;
  // The output ran dry at the file's end while a loop was on: the next tick starts it again.
  bool loop_ran_dry_ = false;
  // The record file the user chose; the recorder records into no other.
  std::string chosen_record_file_;

 public:
  // ---- frozen spectra and backgrounds (MainFrozen.cpp) ----
  // Slot 1..4: the spectrum into "default.sav" and, under the name the save
  // dialog gives, into the slot; the slot's file into the spectrum; the
  // slot's file as the spectrum's background.
  void StoreFrozenSpectrum(int slot);
  void LoadFrozenSpectrum(int slot);
  void LoadFrozenBackground(int slot);
  void StoreFreeed1Click(vcl::TObject* sender);
  void StoreFreezedSpectrum21Click(vcl::TObject* sender);
  void StoreFreezedSpectrum31Click(vcl::TObject* sender);
  void StoreFreezedSpectrum41Click(vcl::TObject* sender);
  void LoadfreezedSpectrum11Click(vcl::TObject* sender);
  void LoadfreezedSpectrum12Click(vcl::TObject* sender);
  void LoadfreezedSpectrum13Click(vcl::TObject* sender);
  void LoadfreezedSpectrum41Click(vcl::TObject* sender);
  void LoadBackground11Click(vcl::TObject* sender);
  void LoadBackground21Click(vcl::TObject* sender);
  void LoadBackground31Click(vcl::TObject* sender);
  void LoadBackground41Click(vcl::TObject* sender);
  void AnalyzerEditor1Click(vcl::TObject* sender);
  void ClearfreezedSpectrumbackground1Click(vcl::TObject* sender);
  void btn_freezeClick(vcl::TObject* sender);

  // ---- device dialogs and input pairs (MainDevices.cpp) ----
  void InputDevice1Click(vcl::TObject* sender);
  void OutputDevice1Click(vcl::TObject* sender);
  void S1Click(vcl::TObject* sender);
  void S2Click(vcl::TObject* sender);
  void S3Click(vcl::TObject* sender);
  void StartAudioDriver2NumPad21Click(vcl::TObject* sender);
  void StartAudioDriver2NumPad22Click(vcl::TObject* sender);
  // Switches the input to the device stored for pair 1..4; only the input changes.
  void StartAudioDriver(int pair);

  // ---- file tools (MainTools.cpp) ----
  void ConvertMp3toWav1Click(vcl::TObject* sender);
  void ConvertWavtoMp31Click(vcl::TObject* sender);
  void Normalizewavefiles1Click(vcl::TObject* sender);
  void SplittStereointo2monofiles1Click(vcl::TObject* sender);
  void SwapClick(vcl::TObject* sender);

  // ---- file scans and result slots (MainScans.cpp) ----
  // Slot 1..6 of the next scan; the highest values start over.
  void SelectScanSlot(int slot);
  void LoadFileClick(vcl::TObject* sender);
  void btnStartClick(vcl::TObject* sender);
  // Scans the file into the slot selected before; a scan still running is dropped.
  void StartFileScan(const std::string& file_name);
  void TriggerBufferReady(vcl::TObject* sender, plat::WAVEHDR* header);
  void TriggerStop(vcl::TObject* sender);
  // The spectrum as lines in the colour of slot 1..6.
  void ApplyFileColour(int slot);
  void ResetCompareView();
  void Button14Click(vcl::TObject* sender);
  void Button15Click(vcl::TObject* sender);
  void Button16Click(vcl::TObject* sender);
  void Button17Click(vcl::TObject* sender);
  void Button18Click(vcl::TObject* sender);
  void Button19Click(vcl::TObject* sender);
  void rg_FileClick(vcl::TObject* sender);
  void rg_ShowClick(vcl::TObject* sender);
  void rg_compClick(vcl::TObject* sender);
  void cb_F1Change(vcl::TObject* sender);
  void cb_F2Change(vcl::TObject* sender);
  void cb_F3Change(vcl::TObject* sender);
  void cb_F4Change(vcl::TObject* sender);
  void cb_F5Change(vcl::TObject* sender);
  void cb_F6Change(vcl::TObject* sender);
  void File121Click(vcl::TObject* sender);
  void File131Click(vcl::TObject* sender);
  void File141Click(vcl::TObject* sender);
  // Main thread, on the refresh passes of the second connector: the gauge
  // shows how far the running scan has come.
  void PublishScanProgress();
  int ScanSlot() const { return scan_slot_; }
  bool ScanRunning() const { return scan_running_; }
  std::array<vcl::TButton*, kScanSlotCount> LoadFileButtons() const;
  std::array<controls::TMMColorButton*, kScanSlotCount> SlotColourButtons() const;
  // What the scan keeps: its rows' sums and highest values, and what it
  // computes a row with.
  static constexpr size_t ScanStateBytes() { return sizeof(TScanRows) + sizeof(TScanPass); }
  static constexpr size_t MaxBinsBytes() { return sizeof(int32_t) * displays::TMMSpectrum::kMaxBins; }

 private:
  void ScanIntoSlot(int slot);
  void StartScan();
  // A running scan is stopped, its pump waited for, and dropped.
  void StopScan();
  // The load, test and compare buttons, the pair menu and the player page
  // are off while a scan runs.
  void SetScanControls(bool enabled);
  void StoreSlotColour(int slot);
  void ComparePair(int pair);
  // The first connector's passes run on the pump thread while a scan runs,
  // one for every buffer, else on the main thread's refresh pace.
  void SetScanPasses(bool on_pump);
  // Pump thread, after the chain has taken a buffer: its row.
  void TriggerBufferPushed(vcl::TObject* sender, plat::WAVEHDR* header);
  // Main thread, before the pump starts: the band computation of a scan in a
  // band mode, from the mode in force (MainBands.cpp).
  void BeginScanBands();
  // Pump thread: the bands of the buffer the detector has just analysed,
  // shown on the spectrum (MainBands.cpp).
  std::span<const int32_t> ScanBandRow();
  // One pass of `bands` over the detector's latest bins into `values`, set on
  // the spectrum; the loudest band, or nothing without a format.
  std::optional<int32_t> PassBandsToSpectrum(TBandAnalyser& bands, std::span<int32_t> bins,
                                             TWeighting weighting, bool zoom, int32_t decay,
                                             std::span<int32_t> values);
  // Draws the spectrum's values unless it did less than a frame ago (`drawn_us`).
  void DrawBandsOnceAFrame(std::optional<int64_t>& drawn_us);
  // What the pump thread works with while a scan runs.
  struct TScanPass {
    std::array<int32_t, kMaxScanColumns> row{};
    bool bands_on = false;
    TBandAnalyser bands;
    TWeighting weighting = TWeighting::Off;
    bool zoom = false;
    int32_t decay = 0;
    std::optional<int64_t> drawn_us;
    std::array<int32_t, engine::kMaxPeakFFTLength / 2> bins{};
    std::array<int32_t, kBandSlots> values{};
  };
  TScanPass scan_pass_;
  TScanRows scan_rows_;
  int scan_slot_ = 0;
  bool scan_running_ = false;
  int64_t scan_length_ms_ = 0;

 public:
  // ---- exports (MainExports.cpp) ----
  void Button11Click(vcl::TObject* sender);
  void Button12Click(vcl::TObject* sender);
  void Button13Click(vcl::TObject* sender);
  void btn_jpgClick(vcl::TObject* sender);
  void btn_txtClick(vcl::TObject* sender);
  void btn_txt2Click(vcl::TObject* sender);
  void btn_txt3Click(vcl::TObject* sender);
  void Button22Click(vcl::TObject* sender);
  void Button23Click(vcl::TObject* sender);
  void Button24Click(vcl::TObject* sender);
  // "analyzer.bmp" as a JPEG under the name the save dialog gives, first the
  // picture of the pair or of the renderer window; false when the save was
  // not confirmed.
  bool SavePairJpg();
  bool SaveViewJpg();
  // The spreadsheet text of two result files of the peak-data folder (names
  // without folder) under the name the save dialog gives; false when the save
  // was not confirmed.
  bool ExportXls(const std::string& first, const std::string& second);
  // "eq_q.sav" and "eq_n.sav" from two result files of the peak-data folder.
  void CreateEqFiles(const std::string& first, const std::string& second);

 private:
  // The result file names of pair 0..2 of the kind "Show" selects; empty
  // without a kind.
  std::array<std::string, 2> ExportPairFiles(int pair) const;
  void CreatePairJpg(int pair);
  void ExportPairXls(int pair);
  void CreatePairEq(int pair);
  // Saves the JPEG of "analyzer.bmp" through the save dialog.
  bool SaveAnalyzerPictureJpg();
  // Hands a written export to the desktop's program for it.
  void OpenExport(const std::string& file_name);

 public:
  // ---- test signals (MainSignals.cpp) ----
  void btn_pnClick(vcl::TObject* sender);
  void btn_wnClick(vcl::TObject* sender);
  void btn_swwepClick(vcl::TObject* sender);
  // Plays the test file from TestSignalFolder() on the output while the
  // recorder records the input into TestRecordingFolder(); the spectrum shows both.
  void StartTestSignal(const std::string& play_name, const std::string& record_name);
  // The output's stop while a test signal runs: the recording ends and is
  // scanned into the test's result slot.
  void FinishTestSignal();
  bool TestSignalActive() const { return test_signal_active_; }
  int TestSignalKind() const { return test_signal_kind_; }
  // "Tones" beside the program, unless set (tests play their own files).
  std::string TestSignalFolder() const;
  void SetTestSignalFolder(const std::string& folder);
  // "Tones" in the user's data folder.
  static std::string TestRecordingFolder();

 private:
  // Kind 1..3: pink noise into slot 4, white noise into 5, the sweep into 6.
  void RunTestSignal(int kind);
  // A start that failed: the recorder and the output let go, the buttons back.
  void AbandonTestSignal();
  bool test_signal_active_ = false;
  uint8_t test_signal_kind_ = 1;
  std::string test_signal_folder_;

 public:
  // ---- Leq (MainLeq.cpp) ----
  // Shows the Leq window and starts collecting one level per pass.
  void LEQcalculator1Click(vcl::TObject* sender);
  // The Leq step of a pass of the second connector, and the pass count every pass adds at its end.
  void LeqStep();
  bool LeqActive() const { return leq_.Active(); }
  TLeqMeasurement& Leq() { return leq_; }

  // ---- information windows and shell links (MainInfo.cpp) ----
  void About1Click(vcl::TObject* sender);
  void H1Click(vcl::TObject* sender);
  void HelpFile1Click(vcl::TObject* sender);
  void SetupforInput1Click(vcl::TObject* sender);
  void Updatecheck1Click(vcl::TObject* sender);
  void HomepageVantorel1Click(vcl::TObject* sender);
  void Label20Click(vcl::TObject* sender);
  // The average page's link to the workshop; made at load, after the
  // description's components, so the indices projects key by stay.
  vcl::TLabel* Label20 = nullptr;
  void CreateWorkshopLink();

  // ---- print page (MainPrint.cpp) ----
  // "Print Spectrum Setup": the print setup window, modal.
  void PrinterSetup1Click(vcl::TObject* sender);
  // "Printer Setup": the platform's print dialog chooses the current printer.
  void PrinterDiablog1Click(vcl::TObject* sender);
  // The frozen spectrum file chosen or drawn last (a slot's file, a
  // background, the print setup's choice): the file the print page draws.
  // Projects and other files of the shared open dialog never take its place.
  std::string FrozenFileName;

 protected:
  void Loaded() override;

 private:
  void StartRealtime(bool from_run);
  void LoadPlugin();
  void ReadDeviceSettings();
  // Setup page and keys.
  void ChooseDisplayKind(int kind);
  void ChooseWindow(int window);
  void SetAllNumPeaks(int peaks);
  // Shows `panels` in the area below the spectrum and hides the other pages;
  // the spectrum takes the space left above them.
  void ShowPanels(std::initializer_list<vcl::TControl*> panels);
  void ShowPage(std::initializer_list<vcl::TControl*> panels);

  // settings and projects
  void LoadDefaultProject();
  void SaveDefaultProject();
  void SaveCorrelationSettings();
  void LoadCorrelationSettings();
  std::array<controls::TMMNumberEdit*, 4> RangeStarts() const;
  std::array<controls::TMMNumberEdit*, 4> RangeEnds() const;

  // ---- level meters ----
  void LevelPeakStep();
  void RmsStep();
  void Overload(controls::TMMLED* led);
  int held_left_ = -99;
  int held_right_ = -99;
  bool rms_swap_ = false;
  int rms_count_ = 72;

  bool fields_bound_ = false;
  bool startup_done_ = false;
  bool sound_in_ = false;
  bool sound_out_ = false;
  // Stored devices found gone, each told of once (start-up reads them twice).
  std::set<std::string> devices_told_;

  // Generator and compare.
  void ApplyGeneratorLevel(int value, controls::TMMSpinButton* other);
  // Trigger passes of the compare connector; the read-outs change every 250th.
  int compare_trigger_count_ = 50;
  bool level_in_step_ = false;
  // The picture under the correlation bars: black, with the scale in the rows below them.
  void DrawCorrelationScale();
  // The stored colours, each with its value in `colors` as the default.
  void ReadCorrelationColors(TCorrelationColors colors);
  TCorrelationState correlation_;
  TCorrelationColors correlation_colors_;
  TPeakState peak_;
  TLeqMeasurement leq_;
  // The first peak detector's bins as the Leq step last copied them.
  std::vector<int32_t> leq_bins_ = std::vector<int32_t>(engine::kMaxPeakFFTLength / 2);
};

extern TFrmMain* FrmMain;

}  // namespace app
