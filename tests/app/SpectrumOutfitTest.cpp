// The outfit dialog: each control writes its display's property, the
// background group redraws the background, the registry values it stores,
// and the main spectrum drawn in the chosen colours on the headless screen.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/SpectrumOutfit.h"
#include "controls/ControlUnits.h"
#include "controls/MMColBtn.h"
#include "controls/MMLEDSpin.h"
#include "displays/MMOscope.h"
#include "displays/MMSpectrum.h"
#include "engine/MMUtils.h"
#include "platform/backend/Backend.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Files.h"
#include "platform/registry/Registry.h"
#include "platform/user/Input.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/ExtTimer.h"
#include "platform/vcl/ImageCtrls.h"
#include "platform/vcl/StdCtrls.h"
#include "resources/ProgramResources.h"
#include "skin/SkinData.h"
#include "support/TempDir.h"

namespace {

using app::TfOutfitSpec;
using displays::TMMSpectrum;

constexpr const char* kKey = "Vantorel\\Sonavex Pro Lab";

uint32_t Rgb(vcl::TColor c) {
  auto v = static_cast<uint32_t>(vcl::ColorToRGB(c));
  return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

class OutfitSpecTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterProgramResources();
    controls::RegisterControlClasses();
    app::RegisterOutfitSpecForm();
  }
  void SetUp() override {
    plat::clock::UseManual();
    plat::RegistrySetStorePath(dir_.File("registry.reg"));
    plat::SetDialogScript([this](const plat::DialogRequest& request) -> std::optional<plat::DialogAnswer> {
      messages_.push_back(request.text);
      return plat::DialogAnswer{};
    });
    vcl::InitApplication();
    vcl::InitForms();
    // The main window, which the skin choice looks for.
    vcl::ApplicationCreateForm(vcl::TForm::StaticClass(),
                               [this](vcl::TCustomForm* form) { host_ = static_cast<vcl::TForm*>(form); });
    host_->SetBorderStyle(vcl::bsNone);
    host_->SetBounds(0, 0, 400, 200);
    spectrum_ = new TMMSpectrum(host_);
    spectrum_->SetParent(host_);
    spectrum_->SetBounds(0, 0, 300, 150);
    background_ = new TMMSpectrum(host_);
    oscope_ = new displays::TMMOscope(host_);
    dialog_ = new TfOutfitSpec(vcl::Application);
    dialog_->SetMainSpectrum(spectrum_);
    dialog_->SetBackgroundSpectrum(background_);
    dialog_->SetOscope(oscope_);
  }
  void TearDown() override {
    vcl::DoneForms();
    Pump();
    vcl::DoneApplication();
    plat::SetDialogScript({});
    plat::RegistrySetStorePath("");
    plat::clock::UseReal();
  }

  static void Pump() {
    plat::user::PumpBackendEvents(0);
    plat::MSG msg;
    while (plat::PeekMessageA(&msg, nullptr, 0, 0, plat::PM_REMOVE)) plat::DispatchMessageA(&msg);
  }

  static plat::Variant Read(const std::string& name, const plat::Variant& def) {
    return engine::RegReadVariant(plat::HKEY_CURRENT_USER, kKey, name, def);
  }

  testsupport::TempDir dir_;
  vcl::TForm* host_ = nullptr;
  TMMSpectrum* spectrum_ = nullptr;
  TMMSpectrum* background_ = nullptr;
  displays::TMMOscope* oscope_ = nullptr;
  TfOutfitSpec* dialog_ = nullptr;
  std::vector<std::string> messages_;
};

TEST_F(OutfitSpecTest, DescriptionGivesTheDefaultsOfEveryControl) {
  struct Spin {
    controls::TMMLEDSpin* spin;
    int min, max, value;
  };
  const TfOutfitSpec& d = *dialog_;
  const Spin spins[] = {{d.MMLEDSpin55, 1, 99, 85}, {d.MMLEDSpin1, 1, 99, 86}, {d.MMLEDSpin4, 0, 9, 1},
                        {d.MMLEDSpin3, 0, 50, 1},   {d.MMLEDSpin2, 0, 5, 0},   {d.MMLEDSpin5, 1, 99, 85},
                        {d.MMLEDSpin6, 1, 99, 86},  {d.MMLEDSpin9, 0, 9, 1},   {d.MMLEDSpin8, 0, 50, 1},
                        {d.MMLEDSpin7, 0, 5, 0}};
  for (const Spin& s : spins) {
    SCOPED_TRACE(s.spin->Name());
    EXPECT_EQ(s.spin->MinValue(), s.min);
    EXPECT_EQ(s.spin->MaxValue(), s.max);
    EXPECT_EQ(s.spin->Value(), s.value);
  }
  const vcl::TColor colors[] = {vcl::clYellow, vcl::clYellow, vcl::clRed,  vcl::clSilver,
                                vcl::clBlack,  vcl::clTeal,   vcl::clTeal, vcl::clRed,
                                vcl::clGray,   vcl::clBlack,  vcl::clGray};
  for (int i = 1; i <= 11; ++i) EXPECT_EQ(d.MMColorButton[i]->Value(), colors[i - 1]) << "MMColorButton" << i;
  EXPECT_EQ(d.RadioGroup1->ItemIndex(), 1);
  EXPECT_EQ(d.rg_skin->Items()->Count(), 14);
  EXPECT_EQ(d.rg_skin->ItemIndex(), 9);
  EXPECT_FALSE(d.Timer1->Enabled());
  EXPECT_EQ(d.Timer1->Interval(), 500u);
  EXPECT_EQ(d.FormStyle(), vcl::fsStayOnTop);
  EXPECT_EQ(d.BorderStyle(), vcl::bsToolWindow);
}

TEST_F(OutfitSpecTest, EachControlWritesItsDisplay) {
  struct Case {
    const char* name;
    std::function<void(TfOutfitSpec&)> change;
    std::function<bool()> holds;
  };
  TMMSpectrum& m = *spectrum_;
  TMMSpectrum& b = *background_;
  const Case cases[] = {
      {"OL Point 1", [](auto& d) { d.MMLEDSpin55->SetValue(40); }, [&] { return m.Point1() == 40; }},
      {"OL Point 2", [](auto& d) { d.MMLEDSpin1->SetValue(60); }, [&] { return m.Point2() == 60; }},
      {"Space", [](auto& d) { d.MMLEDSpin4->SetValue(3); }, [&] { return m.Space() == 3; }},
      {"Spot Height", [](auto& d) { d.MMLEDSpin3->SetValue(4); }, [&] { return m.SpotHeight() == 4; }},
      {"Spot Space", [](auto& d) { d.MMLEDSpin2->SetValue(2); }, [&] { return m.SpotSpace() == 2; }},
      {"Bar Color 1 also colours the scope", [](auto& d) { d.MMColorButton[1]->SetValue(vcl::clLime); },
       [&] { return m.Bar1Color() == vcl::clLime && oscope_->ForegroundColor() == vcl::clLime; }},
      {"Bar Color 2", [](auto& d) { d.MMColorButton[2]->SetValue(vcl::clBlue); },
       [&] { return m.Bar2Color() == vcl::clBlue; }},
      {"Bar Color 3", [](auto& d) { d.MMColorButton[3]->SetValue(vcl::clFuchsia); },
       [&] { return m.Bar3Color() == vcl::clFuchsia; }},
      {"Grid Color", [](auto& d) { d.MMColorButton[4]->SetValue(vcl::clNavy); },
       [&] { return m.GridColor() == vcl::clNavy; }},
      {"Scale Text: lines and text", [](auto& d) { d.MMColorButton[5]->SetValue(vcl::clMaroon); },
       [&] { return m.ScaleLineColor() == vcl::clMaroon && m.ScaleTextColor() == vcl::clMaroon; }},
      {"Spectrum Background", [](auto& d) { d.MMColorButton[11]->SetValue(vcl::clNavy); },
       [&] { return m.Color() == vcl::clNavy; }},
      {"background OL Point 1", [](auto& d) { d.MMLEDSpin5->SetValue(30); },
       [&] { return b.Point1() == 30; }},
      {"background OL Point 2", [](auto& d) { d.MMLEDSpin6->SetValue(50); },
       [&] { return b.Point2() == 50; }},
      {"background Space", [](auto& d) { d.MMLEDSpin9->SetValue(5); }, [&] { return b.Space() == 5; }},
      {"background Spot Height", [](auto& d) { d.MMLEDSpin8->SetValue(7); },
       [&] { return b.SpotHeight() == 7; }},
      {"background Spot Space", [](auto& d) { d.MMLEDSpin7->SetValue(3); },
       [&] { return b.SpotSpace() == 3; }},
      {"background bar 1 and inactive 1", [](auto& d) { d.MMColorButton[6]->SetValue(vcl::clLime); },
       [&] { return b.Bar1Color() == vcl::clLime && b.Inactive1Color() == vcl::clLime; }},
      {"background bar 2 and inactive 2", [](auto& d) { d.MMColorButton[7]->SetValue(vcl::clBlue); },
       [&] { return b.Bar2Color() == vcl::clBlue && b.Inactive2Color() == vcl::clBlue; }},
      {"background bar 3 and inactive 3", [](auto& d) { d.MMColorButton[8]->SetValue(vcl::clOlive); },
       [&] { return b.Bar3Color() == vcl::clOlive && b.Inactive3Color() == vcl::clOlive; }},
      {"background grid", [](auto& d) { d.MMColorButton[9]->SetValue(vcl::clPurple); },
       [&] { return b.GridColor() == vcl::clPurple; }},
      {"background scale", [](auto& d) { d.MMColorButton[10]->SetValue(vcl::clWhite); },
       [&] { return b.ScaleLineColor() == vcl::clWhite && b.ScaleTextColor() == vcl::clWhite; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(c.holds());
    c.change(*dialog_);
    EXPECT_TRUE(c.holds());
  }
  // Spins clamp like the user's arrows do.
  dialog_->MMLEDSpin55->SetValue(500);
  EXPECT_EQ(m.Point1(), 99);
}

TEST_F(OutfitSpecTest, BackgroundGroupRedrawsTheBackgroundOnlyWhileARendererIsAttached) {
  EXPECT_FALSE(dialog_->Button1->Enabled());
  int redraws = 0;
  dialog_->SetRefreshBackground([&] { ++redraws; });
  EXPECT_TRUE(dialog_->Button1->Enabled());
  dialog_->MMColorButton[6]->SetValue(vcl::clLime);
  dialog_->MMColorButton[9]->SetValue(vcl::clLime);
  dialog_->MMColorButton[10]->SetValue(vcl::clLime);
  dialog_->RadioGroup1->SetItemIndex(0);
  dialog_->Button1Click(dialog_->Button1);
  EXPECT_EQ(redraws, 5);
  // The geometry spins and the main group do not redraw it.
  dialog_->MMLEDSpin5->SetValue(10);
  dialog_->MMColorButton[1]->SetValue(vcl::clLime);
  EXPECT_EQ(redraws, 5);
  EXPECT_EQ(Read("Lines/Bars", -1).AsInteger(), 0);
}

TEST_F(OutfitSpecTest, LinksClearWhenTheDisplaysAreFreed) {
  delete background_;
  delete oscope_;
  dialog_->MMColorButton[6]->SetValue(vcl::clLime);
  dialog_->MMColorButton[1]->SetValue(vcl::clLime);
  EXPECT_EQ(spectrum_->Bar1Color(), vcl::clLime);
  delete spectrum_;
  EXPECT_EQ(dialog_->MainSpectrum(), nullptr);
  dialog_->MMColorButton[11]->SetValue(vcl::clLime);
}

TEST_F(OutfitSpecTest, ShowCloseAndSkinChoiceStoreTheirValues) {
  dialog_->RadioGroup1->SetItemIndex(0);
  dialog_->Show();
  Pump();
  EXPECT_TRUE(dialog_->Timer1->Enabled());
  dialog_->MMLEDSpin7->SetPanelColor(vcl::clNavy);
  plat::clock::AdvanceMs(500);
  Pump();
  EXPECT_FALSE(dialog_->Timer1->Enabled());
  EXPECT_EQ(dialog_->MMLEDSpin7->PanelColor(), vcl::clBlack);

  // The choice loads the package into the main window's SkinData1.
  const std::string skins = dir_.File("skins") + "/";
  std::filesystem::create_directory(skins);
  std::filesystem::copy_file(plat::GetProgramFolder() + "skins/mxskin67.skn", skins + "mxskin67.skn");
  dialog_->SetSkinFolder(skins);
  auto* skin_data = new skin::TSkinData(host_);
  skin_data->SetName("SkinData1");
  skin_data->SetSkinFormtype(skin::sfDialog);
  host_->SetColor(vcl::clTeal);
  dialog_->rg_skin->SetItemIndex(13);
  EXPECT_EQ(Read("skin 1", "").AsString(), "mxskin67.skn");
  EXPECT_EQ(Read("skin_form", -1).AsInteger(), static_cast<int>(vcl::clTeal));
  EXPECT_EQ(dialog_->SkinFile(), skins + "mxskin67.skn");
  EXPECT_FALSE(skin_data->NotLoaded());
  EXPECT_EQ(skin_data->Skin().SkinName, "Carbon");
  EXPECT_TRUE(messages_.empty());
  dialog_->RadioGroup1->SetItemIndex(1);
  plat::RegDeleteKeyA(plat::HKEY_CURRENT_USER, kKey);
  dialog_->Button2Click(dialog_->Button2);
  Pump();
  EXPECT_FALSE(dialog_->Visible());
  EXPECT_EQ(Read("skin", "").AsString(), dialog_->SkinFile());
  EXPECT_EQ(Read("Lines/Bars", -1).AsInteger(), 1);
  EXPECT_EQ(TfOutfitSpec::SkinFileName(0), "skins\\mxskin11.SKN");
  EXPECT_EQ(TfOutfitSpec::SkinFileName(14), "");
}

// A package that cannot be read is not chosen: the user is told, and the
// skin in use, the choice shown and the stored choice stay.
TEST_F(OutfitSpecTest, AnUnreadableSkinFileLeavesTheSkinAsItWas) {
  const std::string skins = dir_.File("skins") + "/";
  std::filesystem::create_directory(skins);
  const std::string good = plat::GetProgramFolder() + "skins/mxskin11.SKN";
  std::filesystem::copy_file(good, skins + "mxskin11.SKN");
  std::ofstream(skins + "mxskin15.skn").flush();
  std::ofstream(skins + "mxskin60.skn") << "not a skin package";
  dialog_->SetSkinFolder(skins);
  auto* skin_data = new skin::TSkinData(host_);
  skin_data->SetName("SkinData1");
  skin_data->SetSkinFormtype(skin::sfDialog);
  dialog_->rg_skin->SetItemIndex(0);
  ASSERT_EQ(skin_data->Skin().SkinName, "Graphite");
  ASSERT_TRUE(messages_.empty());

  struct Case {
    const char* what;
    int index;
    const char* file;
  };
  const Case cases[] = {
      {"missing", 1, "mxskin20.skn"}, {"empty", 2, "mxskin15.skn"}, {"not a package", 3, "mxskin60.skn"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    messages_.clear();
    dialog_->rg_skin->SetItemIndex(c.index);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_NE(messages_[0].find(skins + c.file), std::string::npos) << messages_[0];
    EXPECT_EQ(dialog_->rg_skin->ItemIndex(), 0);
    EXPECT_EQ(dialog_->SkinFile(), skins + "mxskin11.SKN");
    EXPECT_EQ(Read("skin 1", "").AsString(), "mxskin11.SKN");
    EXPECT_FALSE(skin_data->NotLoaded());
    EXPECT_EQ(skin_data->SkinFile(), skins + "mxskin11.SKN");
    EXPECT_EQ(skin_data->Skin().SkinName, "Graphite");
  }
}

TEST_F(OutfitSpecTest, MainSpectrumIsDrawnInTheChosenColours) {
  TMMSpectrum& s = *spectrum_;
  s.SetDrawAmpScale(false);
  s.SetDrawFreqScale(false);
  s.SetDrawGrid(false);
  s.SetDrawInactive(false);
  s.SetKind(displays::skBars);
  dialog_->MMLEDSpin4->SetValue(0);
  dialog_->MMColorButton[1]->SetValue(vcl::clLime);
  dialog_->MMColorButton[11]->SetValue(vcl::clNavy);
  host_->Show();
  Pump();
  auto* screen = dynamic_cast<plat::backend::HeadlessBackend*>(&plat::backend::Current());
  ASSERT_NE(screen, nullptr);
  auto at = [&](int x, int y) {
    plat::UpdateWindow(host_->Handle());
    Pump();
    return screen->PresentedPixel(host_->Handle(), x, y);
  };
  const int bottom = s.Height() - 4;
  // Nothing to show: the ground is the background colour.
  EXPECT_EQ(at(150, bottom), Rgb(vcl::clNavy));
  for (int k = 0; k < s.FFTLength() / 2; ++k) s.SetDisplayValue(k, 1 << 24);
  s.Invalidate();
  EXPECT_EQ(at(150, bottom), Rgb(vcl::clLime));
  dialog_->MMColorButton[1]->SetValue(vcl::clRed);
  EXPECT_EQ(at(150, bottom), Rgb(vcl::clRed));
}

}  // namespace
