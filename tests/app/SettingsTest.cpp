// Project files and the registry values kept with them: the keys pinned to
// the window's layout, a restart that restores what the user set, hostile
// files, a failing save on close, a save killed half-way, and the default
// project the program ships.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/AppForms.h"
#include "app/MainForm.h"
#include "app/MainWindowFixture.h"
#include "app/Projects.h"
#include "app/Settings.h"
#include "app/SpectrumOutfit.h"
#include "files/MMWRec.h"
#include "platform/mm/WaveDevices.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/TypInfo.h"
#include "support/TempDir.h"

extern char** environ;

namespace {

using app::FrmMain;
using mainwindow::Pump;
namespace fs = std::filesystem;

constexpr const char* kKillChildEnv = "QUELLIX_TEST_SAVE_LOOP";

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string Index(const char* name) {
  for (int i = 0; i < FrmMain->ComponentCount(); ++i)
    if (FrmMain->Components(i)->Name() == name) return std::to_string(i);
  ADD_FAILURE() << name << " is not on the main window";
  return "?";
}

// The outfit dialogs a project keeps values of, those the program has.
std::vector<vcl::TCustomForm*> Dialogs() {
  std::vector<vcl::TCustomForm*> found;
  for (int i = 0; i < vcl::Screen->FormCount(); ++i) {
    vcl::TCustomForm* form = vcl::Screen->Forms(i);
    if (form->Name() == "fOutfitSpec" || form->Name() == "fOutfitL") found.push_back(form);
  }
  return found;
}

// Every setting a project or the registry keeps, by a readable name, as text.
std::map<std::string, std::string> Settings() {
  std::map<std::string, std::string> all;
  app::TFrmMain* w = FrmMain;
  for (int i = 0; i < w->ComponentCount(); ++i) {
    vcl::TComponent* c = w->Components(i);
    if (auto* led = dynamic_cast<controls::TMMLEDSpin*>(c)) all[c->Name()] = std::to_string(led->Value());
    if (auto* spin = dynamic_cast<controls::TMMSpinButton*>(c))
      all[c->Name()] = std::to_string(spin->Value());
    if (auto* check = dynamic_cast<vcl::TCheckBox*>(c)) all[c->Name()] = check->Checked() ? "1" : "0";
    if (auto* button = dynamic_cast<controls::TMMColorButton*>(c))
      all[c->Name()] = std::to_string(button->Value());
    if (auto* edit = dynamic_cast<controls::TMMNumberEdit*>(c)) all[c->Name()] = edit->Text();
  }
  for (auto* group : {w->rg_octave, w->rg_filter, w->rg_zoom})
    all[group->Name()] = std::to_string(group->ItemIndex());
  for (auto* item : {w->DisplayRMSLevelMeter1, w->DisplayNote1, w->DisplayCorrelationMeter1})
    all[item->Name()] = item->Checked() ? "1" : "0";
  all["MMWaveIn1.DeviceID"] = std::to_string(w->MMWaveIn1->DeviceID());
  all["MMWaveOut1.DeviceID"] = std::to_string(w->MMWaveOut1->DeviceID());
  all["wavRecorder.DeviceID"] = std::to_string(w->wavRecorder->DeviceID());
  for (size_t i = 0; i < w->BinSlotFiles.size(); ++i)
    all["BinSlotFiles" + std::to_string(i)] = w->BinSlotFiles[i];
  // The outfit dialogs' values, as far as the program has these dialogs.
  for (const vcl::TCustomForm* dialog : Dialogs()) {
    for (int i = 0; i < dialog->ComponentCount(); ++i) {
      vcl::TComponent* c = dialog->Components(i);
      const std::string name = dialog->Name() + "." + c->Name();
      if (vcl::IsPublishedProp(c, "ItemIndex"))
        all[name] = std::to_string(vcl::GetOrdProp(c, "ItemIndex"));
      else if (dynamic_cast<controls::TMMLEDSpin*>(c) || dynamic_cast<controls::TMMColorButton*>(c))
        all[name] = std::to_string(vcl::GetOrdProp(c, "Value"));
    }
  }
  return all;
}

// A value other than the current one, inside the control's range.
int Other(int value, int min, int max) { return value < max ? value + 1 : min; }

class SettingsTest : public mainwindow::MainWindowTest {
 protected:
  fs::path Projects() const { return app::ProjectsFolder(); }
};

// Projects key these controls by their place among the window's components:
// a change of the window's layout that moves one of them would load stored
// values into other controls, so it fails here until it is made on purpose.
TEST_F(SettingsTest, ProjectKeysPinTheIndexedControls) {
  struct Pinned {
    int index;
    const char* name;
    const char* kind;
  };
  const Pinned pinned[] = {
      {145, "CheckBox1", "TCheckBox"},         {146, "CheckBox2", "TCheckBox"},
      {147, "CheckBox5", "TCheckBox"},         {148, "CheckBox6", "TCheckBox"},
      {149, "ckbLeavePeak", "TCheckBox"},      {150, "cb_flat", "TCheckBox"},
      {156, "MMSpinButton1", "TMMSpinButton"}, {159, "MMSpinButton2", "TMMSpinButton"},
      {162, "MMSpinButton3", "TMMSpinButton"}, {165, "MMSpinButton4", "TMMSpinButton"},
      {169, "MMLEDSpin3", "TMMLEDSpin"},       {170, "MMLEDSpin19", "TMMLEDSpin"},
      {172, "sp_peaks", "TMMLEDSpin"},         {174, "spin_DecayA", "TMMLEDSpin"},
      {176, "MMLEDSpin2", "TMMLEDSpin"},       {220, "CheckBox8", "TCheckBox"},
      {222, "MMSpinButton7", "TMMSpinButton"}, {232, "SpinFreq1", "TMMLEDSpin"},
      {234, "MMSpinButton5", "TMMSpinButton"}, {236, "MMSpinButton6", "TMMSpinButton"},
      {239, "spLevel", "TMMSpinButton"},       {245, "freq1", "TMMLEDSpin"},
      {247, "MMLEDSpin5", "TMMLEDSpin"},       {249, "MMLEDSpin6", "TMMLEDSpin"},
      {251, "MMLEDSpin7", "TMMLEDSpin"},       {253, "MMLEDSpin8", "TMMLEDSpin"},
      {255, "MMLEDSpin9", "TMMLEDSpin"},       {257, "MMLEDSpin10", "TMMLEDSpin"},
      {259, "MMLEDSpin11", "TMMLEDSpin"},      {261, "MMLEDSpin12", "TMMLEDSpin"},
      {263, "MMLEDSpin13", "TMMLEDSpin"},      {265, "MMLEDSpin14", "TMMLEDSpin"},
      {267, "MMLEDSpin15", "TMMLEDSpin"},      {271, "MMLEDSpin16", "TMMLEDSpin"},
      {278, "MMLEDSpin17", "TMMLEDSpin"},      {279, "CheckBox9", "TCheckBox"},
      {280, "CheckBox10", "TCheckBox"},        {281, "CheckBox11", "TCheckBox"},
  };
  app::CreateForms();
  std::vector<std::string> live, expected;
  for (int i = 0; i < FrmMain->ComponentCount(); ++i) {
    vcl::TComponent* c = FrmMain->Components(i);
    const std::string kind = c->ClassName();
    if (kind == "TCheckBox" || kind == "TMMSpinButton" || kind == "TMMLEDSpin")
      live.push_back(std::to_string(i) + " " + c->Name() + " " + kind);
  }
  for (const Pinned& p : pinned) expected.push_back(std::to_string(p.index) + " " + p.name + " " + p.kind);
  EXPECT_EQ(live, expected);
}

// What the user sets survives the program's end and the next start.
TEST_F(SettingsTest, RestartRestoresEverySetting) {
  Start();
  app::TFrmMain* w = FrmMain;
  for (int i = 0; i < w->ComponentCount(); ++i) {
    vcl::TComponent* c = w->Components(i);
    if (auto* led = dynamic_cast<controls::TMMLEDSpin*>(c)) {
      led->SetValue(Other(led->Value(), led->MinValue(), led->MaxValue()));
    } else if (auto* spin = dynamic_cast<controls::TMMSpinButton*>(c)) {
      spin->SetValue(Other(spin->Value(), spin->MinValue(), spin->MaxValue()));
    } else if (auto* check = dynamic_cast<vcl::TCheckBox*>(c)) {
      check->SetChecked(!check->Checked());
    }
  }
  // Choices first: the meters' ballistics choice brings its own overload points.
  ASSERT_EQ(Dialogs().size(), 2u) << "the program has both outfit dialogs";
  for (vcl::TCustomForm* dialog : Dialogs()) {
    for (int i = 0; i < dialog->ComponentCount(); ++i) {
      vcl::TComponent* c = dialog->Components(i);
      if (auto* group = dynamic_cast<vcl::TRadioGroup*>(c))
        group->SetItemIndex(Other(group->ItemIndex(), 0, group->Items()->Count() - 1));
    }
    for (int i = 0; i < dialog->ComponentCount(); ++i) {
      vcl::TComponent* c = dialog->Components(i);
      if (auto* led = dynamic_cast<controls::TMMLEDSpin*>(c))
        led->SetValue(Other(led->Value(), led->MinValue(), led->MaxValue()));
      // The spectrum's own background colour is the outfit dialog's, not the project's.
      if (auto* button = dynamic_cast<controls::TMMColorButton*>(c); button && c->Name() != "MMColorButton11")
        button->SetValue(0x123456 + i);
    }
  }
  w->rg_filter->SetItemIndex(2);
  w->ne_start2->SetValue(300);
  w->ne_end3->SetValue(2500);
  w->rg_zoom->SetItemIndex(1);
  w->rg_octave->SetItemIndex(1);
  for (auto* slot : {w->cb_F1, w->cb_F4, w->cb_F6}) slot->SetValue(slot->Value() ^ 0x00FF00);
  w->DisplayRMSLevelMeter1->SetChecked(!w->DisplayRMSLevelMeter1->Checked());
  w->DisplayNote1->SetChecked(!w->DisplayNote1->Checked());
  w->DisplayCorrelationMeter1->SetChecked(!w->DisplayCorrelationMeter1->Checked());
  w->BinSlotFiles = {"/data/one.sav", "", "C:\\old\\three.sav", ""};
  w->MMWaveIn1->Close();
  w->MMWaveIn1->SetDeviceID(0);
  w->wavRecorder->SetDeviceID(0);
  const auto before = Settings();
  Stop();

  Start();
  const auto after = Settings();
  for (const auto& [name, value] : before) EXPECT_EQ(after.at(name), value) << name;
  EXPECT_TRUE(FrmMain->MMWaveIn1->DeviceStarted());
  EXPECT_TRUE(errors_.empty()) << errors_.front();
  EXPECT_TRUE(messages_.empty()) << messages_.front();
}

// The first start copies the shipped default project into the user's
// folder; loading it leaves the window as its description made it, so the
// first start runs the twelfth-octave analysis with the generator's level.
TEST_F(SettingsTest, FirstStartTakesTheShippedDefaultProject) {
  ASSERT_TRUE(fs::is_regular_file(app::ShippedDefaultProject())) << app::ShippedDefaultProject();
  ASSERT_FALSE(fs::exists(Projects()));
  Start();
  EXPECT_EQ(ReadFile(app::DefaultProjectPath()), ReadFile(app::ShippedDefaultProject()));
  app::TFrmMain* w = FrmMain;
  EXPECT_EQ(w->rg_octave->ItemIndex(), 2);
  EXPECT_FALSE(w->cb_flat->Checked());
  EXPECT_EQ(w->spLevel->Value(), 8122);
  EXPECT_EQ(w->SpinFreq1->Value(), 1000);
  EXPECT_EQ(w->MMLEDSpin17->Value(), 500);
  EXPECT_EQ(w->MMLEDSpin3->Value(), 20);
  EXPECT_EQ(app::fOutfitSpec->MMColorButton[1]->Value(), vcl::clYellow);
  EXPECT_EQ(app::fOutfitSpec->MMLEDSpin4->Value(), 1);
  EXPECT_TRUE(messages_.empty()) << messages_.front();
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

// The shipped project is what the program's writer makes of the window's
// description now; a stale one fails here.
TEST_F(SettingsTest, ShippedDefaultProjectIsTheWritersTextOfTheDescription) {
  app::CreateForms();
  const fs::path written = temp_.File("fresh.prj");
  FrmMain->SaveSettingsFile(written.string());
  const std::string text = ReadFile(written);
  EXPECT_EQ(text, ReadFile(app::ShippedDefaultProject()));
  // Sections in the order their first control occurs, one entry a line, CR LF.
  const std::string start = "[TCheckBox]\r\nChecked" + Index("CheckBox1") + "=1\r\n";
  EXPECT_EQ(text.substr(0, start.size()), start);
  size_t at = 0;
  for (const char* section : {"[TMMSpinButton]", "[TmmLedSpin]", "[Color]", "[Bars]"}) {
    const size_t found = text.find(std::string("\r\n\r\n") + section + "\r\n");
    ASSERT_NE(found, std::string::npos) << section;
    EXPECT_GT(found, at) << section;
    at = found;
  }
  EXPECT_NE(text.find("\r\nLedSpin" + Index("SpinFreq1") + "=1000\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nSpinBnt" + Index("spLevel") + "=8122\r\n"), std::string::npos);
  EXPECT_FALSE(text.ends_with("\r\n\r\n"));
  // Saving again over the file gives the same bytes.
  FrmMain->SaveSettingsFile(written.string());
  EXPECT_EQ(ReadFile(written), text);
}

// The registry part of a save: each value under its name, in the order the
// program writes them, and the close's own values after them.
TEST_F(SettingsTest, SaveWritesTheRegistryValuesInTheirOrder) {
  Start();
  FrmMain->SaveSettingsFile(temp_.File("order.prj"));
  FrmMain->Close();
  Pump();
  const std::string store = ReadFile(temp_.File("registry.reg"));
  std::vector<std::string> names;
  for (size_t at = store.find("\n\""); at != std::string::npos; at = store.find("\n\"", at + 1))
    names.push_back(store.substr(at + 2, store.find('"', at + 2) - at - 2));
  const std::vector<std::string> in_order = {
      "Lines/Bars",  "average_c", "c_bar_o",      "c_bar_m",    "c_bar_p",    "c_line",    "speed c",
      "DeviceID in", "CBMode in", "DeviceID out", "CBMode out", "RecID in",   "BinData0",  "BinData1",
      "BinData2",    "BinData3",  "spLevel",      "cb_f1",      "cb_f2",      "cb_f3",     "cb_f4",
      "cb_f5",       "cb_f6",     "rg_ovtave",    "rg_filter",  "rg_filter1", "ne_start1", "ne_stop1",
      "ne_start2",   "ne_stop2",  "ne_start3",    "ne_stop3",   "ne_start4",  "ne_stop4",  "Skin",
      "Show RMS",    "Show Note", "dela",         "RMS",        "Note",       "CORRE",     "top",
      "left",        "wide",      "hei"};
  auto next = names.begin();
  for (const std::string& name : in_order) {
    next = std::find(next, names.end(), name);
    ASSERT_NE(next, names.end()) << name << " missing or out of order";
  }
  for (const char* line :
       {"\"DeviceID in\"=dword:ffffffff", "\"BinData0\"=\"\"", "\"spLevel\"=dword:00001fba",
        "\"ne_start1\"=dword:00000014", "\"ne_stop4\"=dword:00005dc0", "\"Skin\"=dword:00000009",
        "\"Show RMS\"=dword:00000001", "\"dela\"=dword:00000014"})
    EXPECT_NE(store.find(line), std::string::npos) << line;
}

// Values that are no numbers, out of range or missing: each control takes its
// default as the format has it, one message names what was not taken, and
// nothing is written.
TEST_F(SettingsTest, HostileProjectLoadsWithDefaultsAndOneMessage) {
  Start();
  const fs::path file = temp_.File("hostile.prj");
  FrmMain->SaveSettingsFile(file.string());
  std::string text = ReadFile(file);
  auto replace = [&text](const std::string& line, const std::string& with) {
    const size_t at = text.find("\r\n" + line + "\r\n");
    ASSERT_NE(at, std::string::npos) << line;
    text.replace(at + 2, line.size(), with);
  };
  replace("LedSpin" + Index("MMLEDSpin19") + "=1", "LedSpin" + Index("MMLEDSpin19") + "=abc");
  replace("SpinBnt" + Index("MMSpinButton3") + "=4", "SpinBnt" + Index("MMSpinButton3") + "=99999999999");
  replace("Checked" + Index("CheckBox1") + "=1", "Checked" + Index("CheckBox1") + "=yes");
  // The display mode at start sets the spectrum decay.
  replace("LedSpin" + Index("spin_DecayA") + "=" + std::to_string(FrmMain->spin_DecayA->Value()), "");
  replace("LedSpin" + Index("MMLEDSpin2") + "=7", "LedSpin" + Index("MMLEDSpin2") + "=70000");
  WriteFile(file, text);
  FrmMain->CheckBox1->SetChecked(false);
  auto expected = Settings();
  expected["MMLEDSpin19"] = "0";    // text: -1, clamped to the minimum
  expected["MMSpinButton3"] = "0";  // beyond 32 bits: -1, clamped
  expected["CheckBox1"] = "1";      // not a number: checked
  expected["spin_DecayA"] = "1";    // missing: -1, clamped
  expected["MMLEDSpin2"] = "12";    // a number past the range: clamped, no complaint
  const std::string registry = ReadFile(temp_.File("registry.reg"));
  messages_.clear();

  FrmMain->LoadSettingsFile(file.string());
  const auto loaded = Settings();
  for (const auto& [name, value] : expected) EXPECT_EQ(loaded.at(name), value) << name;
  ASSERT_EQ(messages_.size(), 1u);
  for (const std::string& part : {std::string("hostile.prj"), "LedSpin" + Index("MMLEDSpin19") + "=abc",
                                  "SpinBnt" + Index("MMSpinButton3") + "=99999999999",
                                  "Checked" + Index("CheckBox1") + "=yes", std::string("3 values")})
    EXPECT_NE(messages_[0].find(part), std::string::npos) << part << " in: " << messages_[0];
  EXPECT_EQ(messages_[0].find("=70000"), std::string::npos);
  EXPECT_EQ(ReadFile(file), text);
  EXPECT_EQ(ReadFile(temp_.File("registry.reg")), registry);
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

// How single entries read: the INI rules and the number rules of the format.
TEST_F(SettingsTest, ProjectEntriesReadByTheFormatsRules) {
  Start();
  const std::string led = "LedSpin" + Index("MMLEDSpin19");  // 0..50
  const std::string check = "Checked" + Index("cb_flat");
  struct Case {
    const char* what;
    std::string text;
    int led_value;
    bool checked;
    bool complaint;
  };
  const Case cases[] = {
      {"hexadecimal 0x", "[TmmLedSpin]\r\n" + led + "=0x10\r\n", 16, true, false},
      {"hexadecimal $", "[TmmLedSpin]\r\n" + led + "=$10\r\n", 16, true, false},
      {"blanks around", "[TmmLedSpin]\r\n" + led + " =  44 \r\n", 44, true, false},
      {"negative", "[TmmLedSpin]\r\n" + led + "=-5\r\n", 0, true, false},
      {"past the top", "[TmmLedSpin]\r\n" + led + "=300\r\n", 50, true, false},
      {"text", "[TmmLedSpin]\r\n" + led + "=abc\r\n", 0, true, true},
      {"first of two keys", "[TmmLedSpin]\r\n" + led + "=30\r\n" + led + "=40\r\n", 30, true, false},
      {"repeated section",
       "[TmmLedSpin]\r\nx=1\r\n[TCheckBox]\r\n" + check + "=0\r\n[TmmLedSpin]\r\n" + led + "=25\r\n", 25,
       false, false},
      {"other letter case", "[tmmledspin]\r\n" + std::string("ledspin") + led.substr(7) + "=12\r\n", 12, true,
       false},
      {"line without =", "[TmmLedSpin]\r\n" + led + "\r\n" + led + "=21\r\n", 21, true, false},
      {"check box 2", "[TCheckBox]\r\n" + check + "=2\r\n", 0, true, false},
      {"check box 0x0", "[TCheckBox]\r\n" + check + "=0x0\r\n", 0, false, false},
      {"no sections", "", 0, true, false},
  };
  const fs::path file = temp_.File("case.prj");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(file, c.text);
    FrmMain->MMLEDSpin19->SetValue(40);
    messages_.clear();
    FrmMain->LoadSettingsFile(file.string());
    EXPECT_EQ(FrmMain->MMLEDSpin19->Value(), c.led_value);
    EXPECT_EQ(FrmMain->cb_flat->Checked(), c.checked);
    EXPECT_EQ(messages_.size(), c.complaint ? 1u : 0u);
  }
  // After the file without sections: the outfit's colours -1, its main space 8.
  EXPECT_EQ(app::fOutfitSpec->MMColorButton[1]->Value(), -1);
  EXPECT_EQ(app::fOutfitSpec->MMLEDSpin4->Value(), 8);
  EXPECT_EQ(FrmMain->spLevel->Value(), 0);
}

// Stored registry values are checked before use: what does not fit keeps the
// current setting.
TEST_F(SettingsTest, StoredValuesThatDoNotFitKeepTheCurrentSetting) {
  Start();
  const fs::path file = temp_.File("plain.prj");
  FrmMain->SaveSettingsFile(file.string());
  struct Case {
    const char* what;
    std::function<void()> store;
    std::function<int()> setting;
    int expected;
  };
  app::TFrmMain* w = FrmMain;
  const Case cases[] = {
      {"zoom choice below 0", [] { app::WriteInteger("rg_filter1", -1); },
       [w] { return w->rg_zoom->ItemIndex(); }, w->rg_zoom->ItemIndex()},
      {"weighting past the end", [] { app::WriteInteger("rg_filter", 9); },
       [w] { return w->rg_filter->ItemIndex(); }, w->rg_filter->Items()->Count() - 1},
      {"unknown delivery mode", [] { app::WriteInteger("CBMode out", 3); },
       [w] { return static_cast<int>(w->MMWaveOut1->CallBackMode()); }, w->MMWaveOut1->CallBackMode()},
      {"device that is gone", [] { app::WriteInteger("DeviceID in", 99); },
       [w] { return w->MMWaveIn1->DeviceID(); }, w->MMWaveIn1->DeviceID()},
      {"level stored as text", [] { app::WriteString("spLevel", "9000"); },
       [w] { return w->spLevel->Value(); }, w->spLevel->Value()},
      {"skin file name under the skin choice's name", [] { app::WriteString("skin", "mxskin20.skn"); },
       [] { return app::fOutfitSpec->rg_skin->ItemIndex(); }, app::fOutfitSpec->rg_skin->ItemIndex()},
      {"name in other letter case", [] { app::WriteInteger("DELA", 33); },
       [w] { return w->MMLEDSpin3->Value(); }, 33},
      {"zoom range with equal ends",
       [] {
         app::WriteInteger("ne_start2", 700);
         app::WriteInteger("ne_stop2", 700);
       },
       [w] { return w->ne_start2->Value(); }, w->ne_start2->Value()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.store();
    FrmMain->LoadSettingsFile(file.string());
    EXPECT_EQ(c.setting(), c.expected);
  }
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

// A recording goes on with its device while a project loads; a closed
// recorder takes the project's.
TEST_F(SettingsTest, ARecordingKeepsItsDeviceWhileAProjectLoads) {
  Start();
  const fs::path file = temp_.File("plain.prj");
  FrmMain->SaveSettingsFile(file.string());
  files::TMMWaveRecorder* recorder = FrmMain->wavRecorder;
  ASSERT_EQ(recorder->DeviceID(), engine::MapperId);
  const auto loopback = static_cast<engine::TMMDeviceId>(plat::wavedev::FindWaveInDevice("Loopback Input"));
  FrmMain->MMWaveIn1->Close();
  recorder->SetDeviceID(loopback);
  recorder->Wave()->SetFileName(temp_.File("take.wav"));
  recorder->Record();
  ASSERT_NE(recorder->DeviceState() & files::TMMWaveRecorder::kStarted, 0);
  FrmMain->LoadSettingsFile(file.string());
  EXPECT_EQ(recorder->DeviceID(), loopback);
  EXPECT_NE(recorder->DeviceState() & files::TMMWaveRecorder::kStarted, 0);
  recorder->Stop();
  FrmMain->LoadSettingsFile(file.string());
  EXPECT_EQ(recorder->DeviceID(), engine::MapperId);
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

// The zoom choice builds its bands from the ranges of the project, not from
// the ranges shown before the load.
TEST_F(SettingsTest, ZoomChoiceSeesTheLoadedRanges) {
  Start();
  app::TFrmMain* w = FrmMain;
  const fs::path file = temp_.File("zoom.prj");
  w->SaveSettingsFile(file.string());
  std::vector<int> seen;  // ne_start4 at each zoom click
  w->rg_zoom->OnClick = [w, &seen](vcl::TObject*) {
    seen.push_back(w->ne_start4->Value());
    w->rg_octave->SetItemIndex(6);
  };
  struct Case {
    const char* what;
    int zoom_before, octave_before, stored_zoom, stored_octave, stored_start;
    std::vector<int> clicks;
  };
  const Case cases[] = {
      {"zoom choice changes", 0, 2, 3, 6, 900, {900}},
      {"same choice, new range", 3, 6, 3, 6, 800, {800}},
      {"same choice, same range", 3, 6, 3, 6, 800, {}},
      {"range changes outside zoom mode", 3, 2, 3, 2, 700, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    w->rg_zoom->SetItemIndex(c.zoom_before);
    w->rg_octave->SetItemIndex(c.octave_before);
    app::WriteInteger("rg_filter1", c.stored_zoom);
    app::WriteInteger("rg_ovtave", c.stored_octave);
    app::WriteInteger("ne_start4", c.stored_start);
    app::WriteInteger("ne_stop4", 1100);
    seen.clear();
    w->LoadSettingsFile(file.string());
    EXPECT_EQ(seen, c.clicks);
    EXPECT_EQ(w->ne_start4->Value(), c.stored_start);
  }
}

// A project that cannot be written says so once; on close the window still
// closes and keeps the registry values of the close.
TEST_F(SettingsTest, SaveErrorsAreReportedAndNeverKeepTheWindowOpen) {
  Start();
  // Only a folder can stand where the file should go, whoever runs the test.
  fs::create_directories(Projects() / "Blocked.prj");
  const std::string registry = ReadFile(temp_.File("registry.reg"));
  try {
    FrmMain->SaveSettingsFile((Projects() / "Blocked.prj").string());
    ADD_FAILURE() << "the save reported nothing";
  } catch (const vcl::EIniFileException& e) {
    EXPECT_NE(e.Message().find("Unable to write to"), std::string::npos) << e.Message();
  }
  EXPECT_EQ(ReadFile(temp_.File("registry.reg")), registry) << "a failed save wrote registry values";

  fs::remove(app::DefaultProjectPath());
  fs::create_directories(app::DefaultProjectPath());
  errors_.clear();
  messages_.clear();
  EXPECT_THROW(FrmMain->SaveasDefault1Click(FrmMain), vcl::EIniFileException);
  EXPECT_TRUE(messages_.empty()) << "success was reported: " << messages_.front();

  // The window opens maximised; the height stored is the restored window's.
  FrmMain->SetWindowState(vcl::wsNormal);
  FrmMain->SetHeight(333);
  FrmMain->Close();
  vcl::Application->ProcessMessages();
  EXPECT_TRUE(vcl::Application->Terminated()) << "the program goes on after the close";
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_NE(errors_[0].find("Unable to write to"), std::string::npos) << errors_[0];
  EXPECT_EQ(app::ReadInteger("hei", 0), 333);
  EXPECT_EQ(app::ReadInteger("spLevel", -1), FrmMain->spLevel->Value());
}

// Saved, loaded from the menu: both devices closed, the projects folder current.
TEST_F(SettingsTest, MenuSaveAndLoadGoThroughTheProjectsFolder) {
  Start();
  file_answers_.push_back((Projects() / "Mine.prj").string());
  FrmMain->MMLEDSpin3->SetValue(42);
  FrmMain->SaveProject1Click(FrmMain);
  ASSERT_TRUE(fs::is_regular_file(Projects() / "Mine.prj"));
  FrmMain->MMLEDSpin3->SetValue(5);
  file_answers_.push_back("Mine.prj");  // relative to the folder the dialog shows
  FrmMain->LoadPrject1Click(FrmMain);
  EXPECT_EQ(FrmMain->MMLEDSpin3->Value(), 42);
  EXPECT_FALSE(FrmMain->MMWaveIn1->DeviceStarted());
  EXPECT_EQ(fs::current_path(), fs::canonical(Projects()));
  ASSERT_EQ(file_dialogs_.size(), 2u);
  EXPECT_EQ(file_dialogs_[0].title, "Save Sonavex Project File Data");
  EXPECT_EQ(file_dialogs_[1].title, "Load Sonavex Project File Data");

  FrmMain->SaveasDefault1Click(FrmMain);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], "All settings are saved as default!");
  EXPECT_EQ(ReadFile(app::DefaultProjectPath()), ReadFile(Projects() / "Mine.prj"));
}

// The project fuzzer's saved inputs, loaded by the window: no crash, at most
// one message each.
TEST_F(SettingsTest, SavedFuzzInputsLoadIntoTheWindow) {
  Start();
  int files = 0;
  for (const auto& entry : fs::directory_iterator(QUELLIX_PROJECT_CORPUS)) {
    SCOPED_TRACE(entry.path().string());
    messages_.clear();
    FrmMain->LoadSettingsFile(entry.path().string());
    EXPECT_LE(messages_.size(), 1u);
    ++files;
  }
  EXPECT_GT(files, 0);
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

// Two whole projects, told apart by every spin and check box of the window.
void SetState(int state) {
  for (int i = 0; i < FrmMain->ComponentCount(); ++i) {
    vcl::TComponent* c = FrmMain->Components(i);
    if (auto* led = dynamic_cast<controls::TMMLEDSpin*>(c)) {
      led->SetEnabled(true);
      led->SetValue(state ? led->MaxValue() : led->MinValue());
    } else if (auto* spin = dynamic_cast<controls::TMMSpinButton*>(c)) {
      spin->SetValue(state ? spin->MaxValue() : spin->MinValue());
    } else if (auto* check = dynamic_cast<vcl::TCheckBox*>(c)) {
      check->SetChecked(state != 0);
    }
  }
}

// Run by the test below in a process of its own: saves the two projects in
// turn until it is killed.
TEST_F(SettingsTest, SaveLoopUntilKilled) {
  const char* file = std::getenv(kKillChildEnv);
  if (!file) GTEST_SKIP() << "started by KilledSaveLeavesTheOldOrTheNewFile";
  app::CreateForms();
  for (int round = 0;; ++round) {
    SetState(round % 2);
    FrmMain->SaveSettingsFile(file);
  }
}

TEST_F(SettingsTest, KilledSaveLeavesTheOldOrTheNewFile) {
  app::CreateForms();
  std::string whole[2];
  for (int state = 0; state < 2; ++state) {
    const fs::path path = temp_.File("state" + std::to_string(state) + ".prj");
    SetState(state);
    FrmMain->SaveSettingsFile(path.string());
    whole[state] = ReadFile(path);
  }
  ASSERT_NE(whole[0], whole[1]);

  const fs::path file = temp_.File("killed.prj");
  std::mt19937 random(20261211);
  for (int round = 0; round < 6; ++round) {
    fs::remove(file);
    testsupport::ScopedEnv child_env(kKillChildEnv, file.string());
    // The killed process cannot clean up after itself; its folders go with ours.
    testsupport::ScopedEnv child_temp("TMPDIR", temp_.path().string());
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    std::string filter = "--gtest_filter=SettingsTest.SaveLoopUntilKilled";
    char* argv[] = {const_cast<char*>(self.c_str()), filter.data(), nullptr};
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, self.c_str(), nullptr, nullptr, argv, environ), 0);
    // Killed once it has saved at least once, at a point of the loop left to chance.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!fs::exists(file) && std::chrono::steady_clock::now() < limit)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    std::this_thread::sleep_for(
        std::chrono::microseconds(std::uniform_int_distribution<>(0, 400000)(random)));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the saving process ended by itself";
    const std::string text = ReadFile(file);
    ASSERT_TRUE(text == whole[0] || text == whole[1]) << "round " << round << " left:\n" << text;
  }
}

}  // namespace
