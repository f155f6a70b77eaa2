#include "app/SpectrumOutfit.h"

#include <string_view>

#include "controls/MMColBtn.h"
#include "controls/MMLEDSpin.h"
#include "displays/MMOscope.h"
#include "displays/MMSpectrum.h"
#include "engine/MMUtils.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/Resources.h"
#include "platform/registry/Registry.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/ExtTimer.h"
#include "platform/vcl/ImageCtrls.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/Streams.h"
#include "skin/SkinData.h"
#include "skin/SkinReader.h"
#include "skin/WinSkinData.h"

namespace app {

TfOutfitSpec* fOutfitSpec = nullptr;

namespace {

constexpr const char* kSettingsKey = "Vantorel\\Sonavex Pro Lab";

constexpr std::array<const char*, 14> kSkinFiles = {
    "mxskin11.SKN", "mxskin20.skn", "mxskin15.skn", "mxskin60.skn", "mxskin24.skn",
    "mxskin28.skn", "mxskin29.SKN", "mxskin30.skn", "mxskin35.skn", "mxskin40.skn",
    "mxskin47.skn", "mxskin56.skn", "mxskin59.skn", "mxskin67.skn"};

void WriteSetting(const std::string& name, const plat::Variant& value) {
  engine::RegWriteVariant(plat::HKEY_CURRENT_USER, kSettingsKey, name, value);
}

// Whether the package at `path` reads and holds a description, as the skin
// component needs to take it.
bool SkinPackageLoads(const std::string& path) {
  try {
    vcl::TFileStream file(path, vcl::fmOpenRead);
    skin::TSkinReader reader;
    if (reader.Load(file) != skin::TSkinLoadStatus::Ok) return false;
    skin::TParsedSkin parsed;
    return parsed.LoadFromPackage(reader);
  } catch (const vcl::Exception&) {
    return false;
  }
}

template <class T>
T* Find(vcl::TComponent* form, const std::string& name) {
  auto* found = dynamic_cast<T*>(form->FindComponent(name));
  if (!found) throw EOutfitSpecError("The outfit dialog's description lacks " + name);
  return found;
}

}  // namespace

VCL_IMPLEMENT_CLASS(TfOutfitSpec, Method("FormShow", &TfOutfitSpec::FormShow),
                    Method("FormClose", &TfOutfitSpec::FormClose),
                    Method("Timer1Timer", &TfOutfitSpec::Timer1Timer),
                    Method("MMLEDSpin55Change", &TfOutfitSpec::MMLEDSpin55Change),
                    Method("MMLEDSpin1Change", &TfOutfitSpec::MMLEDSpin1Change),
                    Method("MMLEDSpin2Change", &TfOutfitSpec::MMLEDSpin2Change),
                    Method("MMLEDSpin3Change", &TfOutfitSpec::MMLEDSpin3Change),
                    Method("MMLEDSpin4Change", &TfOutfitSpec::MMLEDSpin4Change),
                    Method("MMLEDSpin5Change", &TfOutfitSpec::MMLEDSpin5Change),
                    Method("MMLEDSpin6Change", &TfOutfitSpec::MMLEDSpin6Change),
                    Method("MMLEDSpin7Change", &TfOutfitSpec::MMLEDSpin7Change),
                    Method("MMLEDSpin8Change", &TfOutfitSpec::MMLEDSpin8Change),
                    Method("MMLEDSpin9Change", &TfOutfitSpec::MMLEDSpin9Change),
                    Method("MMColorButton1Change", &TfOutfitSpec::MMColorButton1Change),
                    Method("MMColorButton2Change", &TfOutfitSpec::MMColorButton2Change),
                    Method("MMColorButton3Change", &TfOutfitSpec::MMColorButton3Change),
                    Method("MMColorButton4Change", &TfOutfitSpec::MMColorButton4Change),
                    Method("MMColorButton5Change", &TfOutfitSpec::MMColorButton5Change),
                    Method("MMColorButton6Change", &TfOutfitSpec::MMColorButton6Change),
                    Method("MMColorButton7Change", &TfOutfitSpec::MMColorButton7Change),
                    Method("MMColorButton8Change", &TfOutfitSpec::MMColorButton8Change),
                    Method("MMColorButton9Change", &TfOutfitSpec::MMColorButton9Change),
                    Method("MMColorButton10Change", &TfOutfitSpec::MMColorButton10Change),
                    Method("MMColorButton11Change", &TfOutfitSpec::MMColorButton11Change),
                    Method("RadioGroup1Click", &TfOutfitSpec::RadioGroup1Click),
                    Method("rg_skinClick", &TfOutfitSpec::rg_skinClick),
                    Method("Button1Click", &TfOutfitSpec::Button1Click),
                    Method("Button2Click", &TfOutfitSpec::Button2Click))

TfOutfitSpec::TfOutfitSpec(vcl::TComponent* owner) : TForm(owner) {
  vcl::InitForm(this);
  using controls::TMMLEDSpin;
  MMLEDSpin55 = Find<TMMLEDSpin>(this, "MMLEDSpin55");
  MMLEDSpin1 = Find<TMMLEDSpin>(this, "MMLEDSpin1");
  MMLEDSpin2 = Find<TMMLEDSpin>(this, "MMLEDSpin2");
  MMLEDSpin3 = Find<TMMLEDSpin>(this, "MMLEDSpin3");
  MMLEDSpin4 = Find<TMMLEDSpin>(this, "MMLEDSpin4");
  MMLEDSpin5 = Find<TMMLEDSpin>(this, "MMLEDSpin5");
  MMLEDSpin6 = Find<TMMLEDSpin>(this, "MMLEDSpin6");
  MMLEDSpin7 = Find<TMMLEDSpin>(this, "MMLEDSpin7");
  MMLEDSpin8 = Find<TMMLEDSpin>(this, "MMLEDSpin8");
  MMLEDSpin9 = Find<TMMLEDSpin>(this, "MMLEDSpin9");
  for (size_t i = 1; i < MMColorButton.size(); ++i)
    MMColorButton[i] = Find<controls::TMMColorButton>(this, "MMColorButton" + std::to_string(i));
  RadioGroup1 = Find<vcl::TRadioGroup>(this, "RadioGroup1");
  Button1 = Find<vcl::TButton>(this, "Button1");
  Button2 = Find<vcl::TButton>(this, "Button2");
  rg_skin = Find<vcl::TRadioGroup>(this, "rg_skin");
  Timer1 = Find<vcl::TTimer>(this, "Timer1");
  skin_index_ = rg_skin->ItemIndex();
  Button1->SetEnabled(false);
}

TfOutfitSpec::~TfOutfitSpec() {
  if (fOutfitSpec == this) fOutfitSpec = nullptr;
}

std::string TfOutfitSpec::SkinFileName(int index) {
  if (index < 0 || index >= static_cast<int>(kSkinFiles.size())) return {};
  return std::string("skins\\") + kSkinFiles[static_cast<size_t>(index)];
}

void TfOutfitSpec::Link(displays::TMMSpectrum*& slot, displays::TMMSpectrum* spectrum) {
  if (slot == spectrum) return;
  slot = spectrum;
  if (slot) slot->FreeNotification(this);
}

void TfOutfitSpec::SetMainSpectrum(displays::TMMSpectrum* spectrum) { Link(main_, spectrum); }

void TfOutfitSpec::SetBackgroundSpectrum(displays::TMMSpectrum* spectrum) { Link(background_, spectrum); }

void TfOutfitSpec::SetOscope(displays::TMMOscope* oscope) {
  if (oscope_ == oscope) return;
  oscope_ = oscope;
  if (oscope_) oscope_->FreeNotification(this);
}

void TfOutfitSpec::SetRefreshBackground(std::function<void()> refresh) {
  refresh_background_ = std::move(refresh);
  Button1->SetEnabled(static_cast<bool>(refresh_background_));
}

void TfOutfitSpec::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  TForm::Notification(component, operation);
  if (operation != vcl::opRemove) return;
  if (component == main_) main_ = nullptr;
  if (component == background_) background_ = nullptr;
  if (component == oscope_) oscope_ = nullptr;
}

void TfOutfitSpec::RefreshBackground() {
  if (refresh_background_) refresh_background_();
}

// ---- shown, closed, the first tick ------------------------------------------------------------

void TfOutfitSpec::FormShow(vcl::TObject*) { Timer1->SetEnabled(true); }

void TfOutfitSpec::FormClose(vcl::TObject*, vcl::TCloseAction&) {
  WriteSetting("Lines/Bars", static_cast<int32_t>(RadioGroup1->ItemIndex()));
}

void TfOutfitSpec::Timer1Timer(vcl::TObject*) {
  for (controls::TMMLEDSpin* spin : {MMLEDSpin55, MMLEDSpin1, MMLEDSpin2, MMLEDSpin3, MMLEDSpin4, MMLEDSpin5,
                                     MMLEDSpin6, MMLEDSpin7, MMLEDSpin8, MMLEDSpin9})
    spin->SetPanelColor(vcl::clBlack);
  Timer1->SetEnabled(false);
}

// ---- main spectrum ------------------------------------------------------------------------------

void TfOutfitSpec::MMLEDSpin55Change(vcl::TObject*) {
  if (main_) main_->SetPoint1(MMLEDSpin55->Value());
}
void TfOutfitSpec::MMLEDSpin1Change(vcl::TObject*) {
  if (main_) main_->SetPoint2(MMLEDSpin1->Value());
}
void TfOutfitSpec::MMLEDSpin4Change(vcl::TObject*) {
  if (main_) main_->SetSpace(MMLEDSpin4->Value());
}
void TfOutfitSpec::MMLEDSpin3Change(vcl::TObject*) {
  if (main_) main_->SetSpotHeight(MMLEDSpin3->Value());
}
void TfOutfitSpec::MMLEDSpin2Change(vcl::TObject*) {
  if (main_) main_->SetSpotSpace(MMLEDSpin2->Value());
}

void TfOutfitSpec::MMColorButton1Change(vcl::TObject*) {
  const vcl::TColor color = MMColorButton[1]->Value();
  if (main_) main_->SetBar1Color(color);
  if (oscope_) oscope_->SetForegroundColor(color);
}
void TfOutfitSpec::MMColorButton2Change(vcl::TObject*) {
  if (main_) main_->SetBar2Color(MMColorButton[2]->Value());
}
void TfOutfitSpec::MMColorButton3Change(vcl::TObject*) {
  if (main_) main_->SetBar3Color(MMColorButton[3]->Value());
}
void TfOutfitSpec::MMColorButton4Change(vcl::TObject*) {
  if (main_) main_->SetGridColor(MMColorButton[4]->Value());
}
void TfOutfitSpec::MMColorButton5Change(vcl::TObject*) {
  if (!main_) return;
  main_->SetScaleLineColor(MMColorButton[5]->Value());
  main_->SetScaleTextColor(MMColorButton[5]->Value());
}
void TfOutfitSpec::MMColorButton11Change(vcl::TObject*) {
  if (main_) main_->SetColor(MMColorButton[11]->Value());
}

// ---- background spectrum ------------------------------------------------------------------------

void TfOutfitSpec::MMLEDSpin5Change(vcl::TObject*) {
  if (background_) background_->SetPoint1(MMLEDSpin5->Value());
}
void TfOutfitSpec::MMLEDSpin6Change(vcl::TObject*) {
  if (background_) background_->SetPoint2(MMLEDSpin6->Value());
}
void TfOutfitSpec::MMLEDSpin9Change(vcl::TObject*) {
  if (background_) background_->SetSpace(MMLEDSpin9->Value());
}
void TfOutfitSpec::MMLEDSpin8Change(vcl::TObject*) {
  if (background_) background_->SetSpotHeight(MMLEDSpin8->Value());
}
void TfOutfitSpec::MMLEDSpin7Change(vcl::TObject*) {
  if (background_) background_->SetSpotSpace(MMLEDSpin7->Value());
}

void TfOutfitSpec::SetBackgroundBarColor(int index, vcl::TColor color) {
  if (background_) {
    switch (index) {
      case 1:
        background_->SetBar1Color(color);
        background_->SetInactive1Color(color);
        break;
      case 2:
        background_->SetBar2Color(color);
        background_->SetInactive2Color(color);
        break;
      default:
        background_->SetBar3Color(color);
        background_->SetInactive3Color(color);
        break;
    }
  }
  RefreshBackground();
}

void TfOutfitSpec::MMColorButton6Change(vcl::TObject*) {
  SetBackgroundBarColor(1, MMColorButton[6]->Value());
}
void TfOutfitSpec::MMColorButton7Change(vcl::TObject*) {
  SetBackgroundBarColor(2, MMColorButton[7]->Value());
}
void TfOutfitSpec::MMColorButton8Change(vcl::TObject*) {
  SetBackgroundBarColor(3, MMColorButton[8]->Value());
}
void TfOutfitSpec::MMColorButton9Change(vcl::TObject*) {
  if (background_) background_->SetGridColor(MMColorButton[9]->Value());
  RefreshBackground();
}
void TfOutfitSpec::MMColorButton10Change(vcl::TObject*) {
  if (background_) {
    background_->SetScaleLineColor(MMColorButton[10]->Value());
    background_->SetScaleTextColor(MMColorButton[10]->Value());
  }
  RefreshBackground();
}

void TfOutfitSpec::RadioGroup1Click(vcl::TObject*) {
  WriteSetting("Lines/Bars", static_cast<int32_t>(RadioGroup1->ItemIndex()));
  RefreshBackground();
}

void TfOutfitSpec::Button1Click(vcl::TObject*) { RefreshBackground(); }

// ---- skins --------------------------------------------------------------------------------------

void TfOutfitSpec::rg_skinClick(vcl::TObject*) {
  if (restoring_skin_index_) return;
  const int index = rg_skin->ItemIndex();
  const std::string file = SkinFileName(index);
  if (file.empty()) return;
  const std::string name = file.substr(file.find('\\') + 1);
  const std::string path =
      (skin_folder_.empty() ? plat::GetProgramFolder() + "skins\\" : skin_folder_) + name;
  if (!SkinPackageLoads(path)) {
    // The skin component would drop the skin in use and take none.
    restoring_skin_index_ = true;
    rg_skin->SetItemIndex(skin_index_);
    restoring_skin_index_ = false;
    vcl::ShowMessage("The skin file " + path + " cannot be read; the skin stays as it was.");
    return;
  }
  skin_file_ = path;
  skin_index_ = index;
  vcl::TCustomForm* main = vcl::ApplicationMainForm();
  // The main window's skin component loads the package and repaints every
  // skinned window in it.
  if (auto* skin_data = main ? dynamic_cast<skin::TSkinData*>(main->FindComponent("SkinData1")) : nullptr) {
    skin_data->SetSkinFile(skin_file_);
  }
  WriteSetting("skin 1", name);
  WriteSetting("skin_form", static_cast<int32_t>(main ? main->Color() : Color()));
}

void TfOutfitSpec::Button2Click(vcl::TObject*) {
  WriteSetting("skin", skin_file_);
  Close();
}

// ---- registration -------------------------------------------------------------------------------

void RegisterOutfitSpecForm() {
  vcl::RegisterClasses({vcl::TTimer::StaticClass(), vcl::TLabel::StaticClass(), vcl::TGroupBox::StaticClass(),
                        vcl::TRadioGroup::StaticClass(), vcl::TButton::StaticClass(),
                        TfOutfitSpec::StaticClass()});
  const char* name = "TfOutfitSpec";
  plat::HRSRC res = plat::FindResourceA(nullptr, name, plat::RT_RCDATA);
  if (!res) throw EOutfitSpecError(std::string("Resource ") + name + " not found");
  const auto* data = static_cast<const char*>(plat::LockResource(plat::LoadResource(nullptr, res)));
  vcl::RegisterFormResource(name, std::string(data, plat::SizeofResource(nullptr, res)));
}

}  // namespace app
