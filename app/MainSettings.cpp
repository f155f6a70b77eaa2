// The main window's settings: project files and the registry values kept
// with them, the default project read at start and written on close, and the
// three "&File" commands. A project keys the window's LED spins, spin buttons
// and check boxes by their component index, so it fits this layout of the
// window; the outfit dialogs' values are kept by name.
#include <climits>
#include <iterator>
#include <optional>

#include "app/DeviceDialogs.h"
#include "app/MainForm.h"
#include "app/Projects.h"
#include "app/Settings.h"
#include "platform/kernel/Files.h"
#include "platform/mm/WaveDevices.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/IniFiles.h"
#include "platform/vcl/TypInfo.h"

namespace app {

namespace {

constexpr const char* kLedSpins = "TmmLedSpin";
constexpr const char* kSpinButtons = "TMMSpinButton";
constexpr const char* kCheckBoxes = "TCheckBox";
constexpr const char* kProjectFilter = "Sonavex Projects |*.prj";
constexpr const char* kProjectExt = "prj";
// rg_octave's last entry, "Zoom Frequencies".
constexpr int kZoomMode = 6;
// A registry read that finds nothing gives this, which no stored setting holds.
constexpr int kMissing = INT_MIN;

// A project value of an outfit dialog (or, with no form, of the main window),
// in the order a project is written. Radio groups keep their index; spins and
// colour buttons their value.
struct OutfitKey {
  const char* section;
  const char* key;
  const char* form;  // null: the main window
  const char* control;
  int default_value;
  bool read = true;
};

// Between "Bar12" and "Bar13" the registry value "Lines/Bars" is read.
constexpr size_t kLinesBarsAfter = 22;
constexpr OutfitKey kOutfitKeys[] = {
    {"Color", "Color1", "fOutfitSpec", "MMColorButton1", -1},
    {"Color", "Color2", "fOutfitSpec", "MMColorButton2", -1},
    {"Color", "Color3", "fOutfitSpec", "MMColorButton3", -1},
    {"Color", "Color4", "fOutfitSpec", "MMColorButton4", -1},
    {"Color", "Color5", "fOutfitSpec", "MMColorButton5", -1},
    {"Color", "Color6", "fOutfitSpec", "MMColorButton6", -1},
    {"Color", "Color7", "fOutfitSpec", "MMColorButton7", -1},
    {"Color", "Color8", "fOutfitSpec", "MMColorButton8", -1},
    {"Color", "Color9", "fOutfitSpec", "MMColorButton9", -1},
    {"Color", "Color10", "fOutfitSpec", "MMColorButton10", -1},
    {"Bars", "Bar1", "fOutfitSpec", "MMLEDSpin1", -1},
    {"Bars", "Bar2", "fOutfitSpec", "MMLEDSpin2", -1},
    {"Bars", "Bar3", "fOutfitSpec", "MMLEDSpin3", -1},
    {"Bars", "Bar4", "fOutfitSpec", "MMLEDSpin4", 8},
    {"Bars", "Bar5", "fOutfitSpec", "MMLEDSpin55", -1},
    {"Bars", "Bar6", "fOutfitSpec", "MMLEDSpin5", -1},
    {"Bars", "Bar7", "fOutfitSpec", "MMLEDSpin6", -1},
    {"Bars", "Bar8", "fOutfitSpec", "MMLEDSpin9", -1},
    {"Bars", "Bar9", "fOutfitSpec", "MMLEDSpin8", -1},
    {"Bars", "Bar10", "fOutfitSpec", "MMLEDSpin7", -1},
    {"Bars", "Bar11", nullptr, "MMLEDSpin10", -1},
    {"Bars", "Bar12", nullptr, "MMLEDSpin11", -1},
    {"Bars", "Bar13", "fOutfitL", "MMColorButton14", -1},
    {"Bars", "Bar14", "fOutfitL", "MMColorButton12", -1},
    {"Bars", "Bar15", "fOutfitL", "MMColorButton13", -1},
    {"Bars1", "Bar1", "fOutfitL", "MMColorButton1", -1},
    {"Bars1", "Bar2", "fOutfitL", "MMColorButton2", -1},
    {"Bars1", "Bar3", "fOutfitL", "MMColorButton3", -1},
    {"OL Top", "Top1", "fOutfitL", "ol_top", 58},
    {"OL Buton", "Top2", "fOutfitL", "ol_button", 41},
    {"NRPeak", "Peak", "fOutfitL", "sp_peaks", 0},
    {"Space", "Spa", "fOutfitL", "MMLEDSpin5", 0},
    {"Decay", "deca", "fOutfitL", "MMLEDSpin4", 10},
    // Written for the record; the ballistics come back through the registry.
    {"Ballistic", "deca", "fOutfitL", "rg_Meter", 0, false},
    {"integeration", "decaint", "fOutfitL", "rg_integral", 0},
    {"integerationrefer", "decaintref", "fOutfitL", "rg_referenz", 0},
};
static_assert(std::string_view(kOutfitKeys[kLinesBarsAfter - 1].key) == "Bar12");

// A control of one of the program's windows, found by names, so the settings
// do not depend on which dialogs the program has; null when it has not.
vcl::TComponent* WindowControl(vcl::TComponent* main, const char* form, const char* control) {
  if (!form) return main->FindComponent(control);
  if (!vcl::Screen) return nullptr;
  for (int i = 0; i < vcl::Screen->FormCount(); ++i) {
    vcl::TCustomForm* window = vcl::Screen->Forms(i);
    if (window->Name() == form) return window->FindComponent(control);
  }
  return nullptr;
}

bool IsChoice(const vcl::TComponent* control) { return vcl::IsPublishedProp(control, "ItemIndex"); }

int ControlValue(const vcl::TComponent* control) {
  return static_cast<int>(vcl::GetOrdProp(control, IsChoice(control) ? "ItemIndex" : "Value"));
}

// As the user's change: the control runs its handler when the value changes.
// A choice below 0 would select nothing and is refused.
void SetControlValue(vcl::TComponent* control, int value) {
  if (IsChoice(control)) {
    if (ValidItemIndex(value)) vcl::SetOrdProp(control, "ItemIndex", value);
    return;
  }
  vcl::SetOrdProp(control, "Value", value);
}

// The number an edit holds, or none while its text is not a number.
std::optional<int> EditValue(const controls::TMMNumberEdit* edit) {
  try {
    return edit->Value();
  } catch (const vcl::EConvertError&) {
    return std::nullopt;
  }
}

std::string RangeKey(const char* kind, size_t range) { return std::string(kind) + std::to_string(range + 1); }

}  // namespace

std::array<controls::TMMNumberEdit*, 4> TFrmMain::RangeStarts() const {
  return {ne_start1, ne_start2, ne_start3, ne_start4};
}

std::array<controls::TMMNumberEdit*, 4> TFrmMain::RangeEnds() const {
  return {ne_end1, ne_end2, ne_end3, ne_end4};
}

// ---- writing -------------------------------------------------------------------------------------

void TFrmMain::SaveSettingsFile(const std::string& file_name) {
  // The file is built in memory over what it holds now and replaces the old
  // one whole; the registry part follows only once the file is written.
  vcl::TMemIniFile ini(file_name);
  for (int i = 0; i < ComponentCount(); ++i) {
    vcl::TComponent* c = Components(i);
    const std::string index = std::to_string(i);
    if (auto* led = dynamic_cast<controls::TMMLEDSpin*>(c))
      ini.WriteInteger(kLedSpins, "LedSpin" + index, led->Value());
    else if (auto* spin = dynamic_cast<controls::TMMSpinButton*>(c))
      ini.WriteInteger(kSpinButtons, "SpinBnt" + index, spin->Value());
    else if (auto* check = dynamic_cast<vcl::TCheckBox*>(c))
      ini.WriteBool(kCheckBoxes, "Checked" + index, check->Checked());
  }
  for (const OutfitKey& k : kOutfitKeys)
    if (vcl::TComponent* control = WindowControl(this, k.form, k.control))
      ini.WriteInteger(k.section, k.key, ControlValue(control));
  ini.UpdateFile();

  if (vcl::TComponent* lines = WindowControl(this, "fOutfitSpec", "RadioGroup1"))
    WriteInteger("Lines/Bars", ControlValue(lines));
  SaveCorrelationSettings();
  WriteStoredDevice("DeviceID in", "DeviceName in", MMWaveIn1->DeviceID(), true);
  WriteInteger("CBMode in", MMWaveIn1->CallBackMode());
  WriteStoredDevice("DeviceID out", "DeviceName out", MMWaveOut1->DeviceID(), false);
  WriteInteger("CBMode out", MMWaveOut1->CallBackMode());
  WriteStoredDevice("RecID in", "RecName in", wavRecorder->DeviceID(), true);
  for (size_t i = 0; i < BinSlotFiles.size(); ++i)
    WriteString("BinData" + std::to_string(i), BinSlotFiles[i]);
  WriteInteger("spLevel", spLevel->Value());
  const controls::TMMColorButton* slots[] = {cb_F1, cb_F2, cb_F3, cb_F4, cb_F5, cb_F6};
  for (size_t i = 0; i < std::size(slots); ++i)
    WriteInteger("cb_f" + std::to_string(i + 1), slots[i]->Value());
  WriteInteger("rg_ovtave", rg_octave->ItemIndex());
  WriteInteger("rg_filter", rg_filter->ItemIndex());
  WriteInteger("rg_filter1", rg_zoom->ItemIndex());
  for (size_t i = 0; i < RangeStarts().size(); ++i) {
    if (auto start = EditValue(RangeStarts()[i])) WriteInteger(RangeKey("ne_start", i), *start);
    if (auto stop = EditValue(RangeEnds()[i])) WriteInteger(RangeKey("ne_stop", i), *stop);
  }
  if (vcl::TComponent* meter = WindowControl(this, "fOutfitL", "rg_Meter"))
    WriteInteger("Ballistic", ControlValue(meter));
  if (vcl::TComponent* skin = WindowControl(this, "fOutfitSpec", "rg_skin"))
    WriteInteger("Skin", ControlValue(skin));
  WriteBool("Show RMS", DisplayRMSLevelMeter1->Checked());
  WriteBool("Show Note", DisplayNote1->Checked());
  WriteInteger("dela", MMLEDSpin3->Value());
}

// The correlation meter's averaging length and colours, and its dialog's speed.
void TFrmMain::SaveCorrelationSettings() {
  WriteInteger("average_c", CorrelationAverage());
  WriteInteger("c_bar_o", correlation_colors_.zero);
  WriteInteger("c_bar_m", correlation_colors_.below);
  WriteInteger("c_bar_p", correlation_colors_.above);
  WriteInteger("c_line", correlation_colors_.line);
  if (vcl::TComponent* speed = WindowControl(this, "fCorre", "rg_correlation"))
    WriteInteger("speed c", ControlValue(speed));
}

void TFrmMain::LoadCorrelationSettings() {
  SetCorrelationAverage(ReadInteger("average_c", 199));
  if (vcl::TComponent* speed = WindowControl(this, "fCorre", "rg_correlation"))
    SetControlValue(speed, ReadInteger("speed c", ControlValue(speed)));
  ReadCorrelationColors(correlation_colors_);
}

// ---- reading -------------------------------------------------------------------------------------

void TFrmMain::LoadSettingsFile(const std::string& file_name) {
  plat::SetCurrentDirectoryA(ProjectsFolder().c_str());
  TProjectReader project(file_name);
  for (int i = 0; i < ComponentCount(); ++i) {
    vcl::TComponent* c = Components(i);
    const std::string index = std::to_string(i);
    if (auto* led = dynamic_cast<controls::TMMLEDSpin*>(c))
      led->SetValue(project.Integer(kLedSpins, "LedSpin" + index, -1));
    else if (auto* spin = dynamic_cast<controls::TMMSpinButton*>(c))
      spin->SetValue(project.Integer(kSpinButtons, "SpinBnt" + index, -1));
    else if (auto* check = dynamic_cast<vcl::TCheckBox*>(c))
      check->SetChecked(project.Bool(kCheckBoxes, "Checked" + index, true));
  }
  for (size_t i = 0; i < std::size(kOutfitKeys); ++i) {
    if (i == kLinesBarsAfter)
      if (vcl::TComponent* lines = WindowControl(this, "fOutfitSpec", "RadioGroup1"))
        SetControlValue(lines, ReadInteger("Lines/Bars", ControlValue(lines)));
    const OutfitKey& k = kOutfitKeys[i];
    if (!k.read) continue;
    if (vcl::TComponent* control = WindowControl(this, k.form, k.control))
      SetControlValue(control, project.Integer(k.section, k.key, k.default_value));
  }

  LoadCorrelationSettings();
  MMWaveOut1->Close();
  MMWaveIn1->Close();
  // Devices are found again by their stored names, a gone one falls back to
  // the mapper; a delivery mode the devices do not know keeps what the device has.
  MMWaveOut1->SetDeviceID(ReadStoredDevice("DeviceID out", "DeviceName out", MMWaveOut1->DeviceID(), false,
                                           "output", &devices_told_));
  if (int mode = ReadInteger("CBMode out", MMWaveOut1->CallBackMode()); ValidCallBackMode(mode))
    MMWaveOut1->SetCallBackMode(static_cast<engine::TMMCBMode>(mode));
  MMWaveIn1->SetDeviceID(
      ReadStoredDevice("DeviceID in", "DeviceName in", MMWaveIn1->DeviceID(), true, "input", &devices_told_));
  if (int mode = ReadInteger("CBMode in", MMWaveIn1->CallBackMode()); ValidCallBackMode(mode))
    MMWaveIn1->SetCallBackMode(static_cast<engine::TMMCBMode>(mode));
  // A recording goes on with its device; its device may change only while it is closed.
  const engine::TMMDeviceId recorder =
      ReadStoredDevice("RecID in", "RecName in", wavRecorder->DeviceID(), true, "recording", &devices_told_);
  if (wavRecorder->DeviceState() == files::TMMWaveRecorder::kClosed) wavRecorder->SetDeviceID(recorder);

  MMLEDSpin3->SetValue(ReadInteger("dela", MMLEDSpin3->Value()));
  for (size_t i = 0; i < BinSlotFiles.size(); ++i)
    BinSlotFiles[i] = ReadString("BinData" + std::to_string(i), BinSlotFiles[i]);
  spLevel->SetValue(ReadInteger("spLevel", spLevel->Value()));
  const char* slot_labels[] = {"MMLEDLABEL11", "MMLEDLABEL21", "MMLEDLABEL31", "MMLEDLABEL41"};
  for (size_t i = 0; i < std::size(slot_labels); ++i)
    if (vcl::TComponent* label = WindowControl(this, "FrmSavBin", slot_labels[i]))
      vcl::SetStrProp(label, "Caption", vcl::UpperCase(vcl::ExtractFileName(BinSlotFiles[i])));
  ApplyDisplaySettings();

  controls::TMMColorButton* slots[] = {cb_F1, cb_F2, cb_F3, cb_F4, cb_F5, cb_F6};
  for (size_t i = 0; i < std::size(slots); ++i)
    slots[i]->SetValue(ReadInteger("cb_f" + std::to_string(i + 1), slots[i]->Value()));
  // The zoom ranges first, so a zoom choice builds its bands from the loaded
  // ranges; a range with equal ends has no bands and is refused.
  bool ranges_changed = false;
  for (size_t i = 0; i < RangeStarts().size(); ++i) {
    controls::TMMNumberEdit* start_edit = RangeStarts()[i];
    controls::TMMNumberEdit* end_edit = RangeEnds()[i];
    const int start = ReadInteger(RangeKey("ne_start", i), EditValue(start_edit).value_or(kMissing));
    const int stop = ReadInteger(RangeKey("ne_stop", i), EditValue(end_edit).value_or(kMissing));
    if (start == kMissing || stop == kMissing || start == stop) continue;
    if (start == EditValue(start_edit) && stop == EditValue(end_edit)) continue;
    start_edit->SetValue(start);
    end_edit->SetValue(stop);
    ranges_changed = true;
  }
  const int zoom_before = rg_zoom->ItemIndex();
  if (int zoom = ReadInteger("rg_filter1", zoom_before); ValidItemIndex(zoom)) rg_zoom->SetItemIndex(zoom);
  const bool zoom_clicked = rg_zoom->ItemIndex() != zoom_before;
  if (int mode = ReadInteger("rg_ovtave", rg_octave->ItemIndex()); ValidItemIndex(mode))
    rg_octave->SetItemIndex(mode);
  if (int filter = ReadInteger("rg_filter", rg_filter->ItemIndex()); ValidItemIndex(filter))
    rg_filter->SetItemIndex(filter);
  // Showing a zoom range whose ends changed while its choice did not: the
  // bands are built again from the loaded ends.
  if (ranges_changed && !zoom_clicked && rg_octave->ItemIndex() == kZoomMode && rg_zoom->OnClick)
    rg_zoom->OnClick(rg_zoom);
  if (vcl::TComponent* skin = WindowControl(this, "fOutfitSpec", "rg_skin"))
    SetControlValue(skin, ReadInteger("Skin", ControlValue(skin)));
  DisplayRMSLevelMeter1->SetChecked(ReadBool("Show RMS", DisplayRMSLevelMeter1->Checked()));
  DisplayNote1->SetChecked(ReadBool("Show Note", DisplayNote1->Checked()));

  if (const std::string rejected = project.RejectedMessage(); !rejected.empty()) vcl::ShowMessage(rejected);
}

// ---- start and close -----------------------------------------------------------------------------

void TFrmMain::LoadDefaultProject() {
  try {
    PrepareProjectsFolder();
    LoadSettingsFile(DefaultProjectPath());
  } catch (const vcl::Exception&) {
    // Said once; start-up goes on with what was restored.
    vcl::Application->HandleException(this);
  }
  DisplayRMSLevelMeter1->SetChecked(ReadBool("RMS", DisplayRMSLevelMeter1->Checked()));
  DisplayNote1->SetChecked(ReadBool("Note", DisplayNote1->Checked()));
  DisplayCorrelationMeter1->SetChecked(ReadBool("CORRE", DisplayCorrelationMeter1->Checked()));
  spLevel->SetValue(ReadInteger("spLevel", spLevel->Value()));
}

void TFrmMain::SaveDefaultProject() {
  try {
    SaveSettingsFile(DefaultProjectPath());
  } catch (const vcl::Exception&) {
    // Said once; the window still closes and the rest of the settings are kept.
    vcl::Application->HandleException(this);
  }
  WriteInteger("spLevel", spLevel->Value());
  WriteBool("RMS", DisplayRMSLevelMeter1->Checked());
  WriteBool("Note", DisplayNote1->Checked());
  WriteBool("CORRE", DisplayCorrelationMeter1->Checked());
}

// ---- "&File" commands ------------------------------------------------------------------------------

void TFrmMain::SaveProject1Click(vcl::TObject*) {
  SaveDialog1->SetInitialDir(ProjectsFolder());
  SaveDialog1->SetFilter(kProjectFilter);
  SaveDialog1->SetDefaultExt(kProjectExt);
  SaveDialog1->SetTitle("Save Sonavex Project File Data");
  if (SaveDialog1->Execute()) SaveSettingsFile(SaveDialog1->FileName());
}

void TFrmMain::LoadPrject1Click(vcl::TObject*) {
  PrepareProjectsFolder();
  const std::string folder = ProjectsFolder();
  plat::SetCurrentDirectoryA(folder.c_str());
  LoadDialog1->SetFilter(kProjectFilter);
  LoadDialog1->SetDefaultExt(kProjectExt);
  LoadDialog1->SetTitle("Load Sonavex Project File Data");
  plat::SetCurrentDirectoryA(folder.c_str());
  if (LoadDialog1->Execute()) LoadSettingsFile(LoadDialog1->FileName());
}

void TFrmMain::SaveasDefault1Click(vcl::TObject*) {
  SaveSettingsFile(DefaultProjectPath());
  vcl::ShowMessage("All settings are saved as default!");
}

}  // namespace app
