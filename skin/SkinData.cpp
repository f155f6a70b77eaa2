#include "skin/SkinData.h"

#include <cstring>

#include "platform/gdi/Font.h"
#include "platform/gdi/Text.h"
#include "platform/kernel/Modules.h"
#include "platform/user/Input.h"
#include "platform/user/Screen.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/TypInfo.h"
#include "skin/WinSkinDlg.h"

namespace skin {

VCL_IMPLEMENT_CLASS(
    TSkinData, BoolProp("Active", &TSkinData::Active, &TSkinData::SetActive).Default(false),
    IntProp("DisableTag", &TSkinData::DisableTag, &TSkinData::SetDisableTag).Default(99),
    SetOfProp("SkinControls", &TSkinData::SkinControls, &TSkinData::SetSkinControls,
              {"xcMainMenu", "xcPopupMenu",   "xcMenuItem",   "xcToolbar",   "xcControlbar", "xcCombo",
               "xcCheckBox", "xcRadioButton", "xcProgress",   "xcScrollbar", "xcEdit",       "xcButton",
               "xcBitBtn",   "xcSpeedButton", "xcSpin",       "xcPanel",     "xcGroupBox",   "xcStatusBar",
               "xcTab",      "xcTrackBar",    "xcSystemMenu", "xcFastReport"}),
    SetOfProp("Options", &TSkinData::Options, &TSkinData::SetOptions,
              {"xoMDIScrollbar", "xoMenuMerge", "xoTransparent", "xoPreview", "xoParentBackGround",
               "xoNoFocusRect", "xoToolbarBK", "xoMDIChildBorder", "xoMenuBG"}),
    ObjProp("Skin3rd", &TSkinData::Skin3rd, &TSkinData::SetSkin3rd),
    StrProp("SkinFile", &TSkinData::SkinFile, &TSkinData::SetSkinFile),
    StrProp("SkinStore", &TSkinData::SkinStore, &TSkinData::SetSkinStore).Stored(false),
    EnumProp("SkinFormtype", &TSkinData::SkinFormtype, &TSkinData::SetSkinFormtype,
             {"sfMainform", "sfOnlyThisForm", "sfDialog", "sfDLL"})
        .Default(sfMainform),
    StrProp("Version", &TSkinData::Version, &TSkinData::SetVersion).Stored(false),
    BoolProp("MenuUpdate", &TSkinData::MenuUpdate, &TSkinData::SetMenuUpdate).Default(true),
    BoolProp("MenuMerge", &TSkinData::MenuMerge, &TSkinData::SetMenuMerge).Default(false),
    EventProp("OnFormSkin", &TSkinData::OnFormSkin), EventProp("OnSkinChanged", &TSkinData::OnSkinChanged),
    EventProp("OnSkinControl", &TSkinData::OnSkinControl),
    BinaryProp("SkinStream", &TSkinData::ReadSkinStream, &TSkinData::WriteSkinStream,
               &TSkinData::HasSkinStream))

const std::vector<std::string>& DefaultSkin3rd() {
  static const std::vector<std::string> lines = [] {
    std::vector<std::string> l = {"TPngBitBtn=pngbitbtn", "TVirtualStringTree=scrollbar",
                                  "TVirtualDrawTree=scrollbar", "TTBXDockablePanel=Panel"};
    auto add = [&l](const char* kind, std::initializer_list<const char*> classes) {
      for (const char* c : classes) l.push_back(std::string(c) + "=" + kind);
    };
    add("scrollbar", {"TAdvPanelGroup", "THTMLViewer", "TDBCtrlGrid", "TImageEnMView", "TImageEnView",
                      "TAdvMemo", "TDBAdvMemo"});
    add("Panel", {"TControlBar", "TTBDock", "TTBToolbar", "TRzGroup", "TLMDCalculator", "TLMDGROUPBOX",
                  "TLMDSIMPLEPANEL", "TLMDDBCalendar", "TLMDButtonPanel", "TLMDLMDCalculator",
                  "TLMDHeaderPanel", "TLMDTechnicalLine", "TLMDLMDClock", "TLMDTrackbar"});
    add("combobox", {"TComboboxex",          "TcxDBLookupComboBox",    "TcxDBComboBox",
                     "TcxDBDateEdit",        "TcxDBImageComboBox",     "TcxDBCalcEdit",
                     "TcxDBBlobEdit",        "TcxDBPopupEdit",         "TcxDBFontNameComboBox",
                     "TcxDBShellComboBox",   "TRxLookupEdit",          "TRxDBLookupCombo",
                     "TRzDateTimeEdit",      "TRzColorEdit",           "TRzDateTimePicker",
                     "TRzDBDateTimeEdit",    "TRzDbColorEdit",         "TRzDBDateTimePicker",
                     "TLMDListCombobox",     "TLMDCheckListCombobox",  "TLMDHeaderListCombobox",
                     "TLMDImageCombobox",    "TLMDColorCombobox",      "TLMDFontCombobox",
                     "TLMDFontSizeCombobox", "TLMDFontSizeCombobox",   "TLMDPrinterCombobox",
                     "TLMDDriveCombobox",    "TLMDCalculatorComboBox", "TLMDTrackBarComboBox",
                     "TLMDCalendarComboBox", "TLMDTreeComboBox",       "TDBLookupCombobox",
                     "TWWDBCombobox",        "TWWDBCombobox",          "TWWDBLookupCombo",
                     "TWWKeyCombo",          "TWWTempKeyCombo",        "TWWDBDateTimePicker"});
    add("speedbutton", {"TRxSpeedButton", "TfrSpeedButton", "TfrTBButton"});
    add("button", {"TRzButton"});
    add("bitbtn", {"TRzBitbtn", "TLMDButton", "TcxButton"});
    add("menubtn", {"TRzMenuButton"});
    add("checkgroup", {"TRzCheckGroup", "TLMDCheckGroup", "TLMDDBCheckGroup"});
    add("radiogroup", {"TRzRadioGroup", "TRzDBRadioGroup", "TLMDRADIOGROUP", "TLMDDBRADIOGROUP",
                       "TWWRADIOGROUP", "TcxDBRadioGroup", "TcxRadioGroup"});
    add("radiobutton", {"TRzDBRadioButton", "TLMDRadiobutton"});
    add("groupbox", {"TLMDGroupBox", "TcxGroupbox"});
    add("checkbox", {"TDBCheckboxEh", "TDBCheckboxEh", "TLMDCHECKBOX", "TLMDDBCHECKBOX"});
    add("Edit", {"TRzButtonEdit",     "TLMDCalculatorEdit", "TLMDEDIT",           "TLMDMASKEDIT",
                 "TLMDBROWSEEDIT",    "TLMDEXTSPINEDIT",    "TLMDCALENDAREDIT",   "TLMDFILEOPENEDIT",
                 "TLMDFILESAVEEDIT",  "TLMDCOLOREDIT",      "TLMDDBEDIT",         "TLMDDBMASKEDIT",
                 "TLMDDBEXTSPINEDIT", "TLMDDBSPINEDIT",     "TLMDDBEDITDBLookup", "TLMDEDITDBLookup",
                 "TWWDBEDIT",         "TOVCPICTUREFIELD",   "TOVCDBPICTUREFIELD", "TOVCSLIDEREDIT",
                 "TOVCDBSLIDEREDIT",  "TOVCSIMPLEFIELD",    "TOVCDBSIMPLEFIELD",  "TO32DBFLEXEDIT",
                 "TOVCNUMERICFIELD",  "TOVCDBNUMERICFIELD"});
    return l;
  }();
  return lines;
}

TSkinData::TSkinData(vcl::TComponent* owner)
    : vcl::TComponent(owner),
      skin3rd_(std::make_unique<vcl::TStringList>()),
      skin_(std::make_unique<TParsedSkin>()),
      caption_font_(std::make_unique<vcl::TFont>()) {
  skin_controls_ = TSkinControlTypes::FromBits((uint64_t{1} << (xcFastReport + 1)) - 1);
  skin_controls_.Exclude(xcMenuItem).Exclude(xcFastReport);
  for (const std::string& line : DefaultSkin3rd()) skin3rd_->Add(line);
}

vcl::TCustomImageList* TSkinData::MenuGlyphs() {
  if (!menu_glyphs_) {
    menu_glyphs_ = std::make_unique<vcl::TImageList>(nullptr);
    menu_glyphs_->SetWidth(16);
    menu_glyphs_->SetHeight(16);
    vcl::TBitmap strip;
    try {
      strip.LoadFromResourceName(nullptr, "ZIZEVOVAVUR");
    } catch (const vcl::Exception&) {
      return menu_glyphs_.get();
    }
    if (!strip.Empty()) menu_glyphs_->AddMasked(&strip, vcl::clWhite);
  }
  return menu_glyphs_.get();
}

TSkinData::~TSkinData() {
  if (TSkinManage* manager = SkinManager()) manager->RemoveSkinData(this);
}

void TSkinData::SetSkin3rd(vcl::TStringList* value) {
  if (value) skin3rd_->Assign(value);
}

bool TSkinData::LoadSkin() {
  not_loaded_ = true;
  store_.SetPosition(0);
  TSkinReader reader;
  last_status_ = reader.Load(store_);
  if (last_status_ != TSkinLoadStatus::Ok) return false;
  // A package without a description would take every frame away.
  auto parsed = std::make_unique<TParsedSkin>();
  if (!parsed->LoadFromPackage(reader)) {
    last_status_ = TSkinLoadStatus::Corrupt;
    return false;
  }
  skin_ = std::move(parsed);
  not_loaded_ = false;
  return true;
}

void TSkinData::ReadSkinStream(vcl::TStream& stream) {
  uint32_t n = 0;
  int64_t left = stream.Size() - stream.Position();
  if (left < 4) return;
  stream.ReadBuffer(&n, 4);
  left -= 4;
  // A length past the bytes held is a damaged description: no package.
  if (n == 0 || static_cast<int64_t>(n) > left || n > kSkinMaxPackageSize) {
    stream.Seek(left, vcl::soFromCurrent);
    return;
  }
  store_.Clear();
  store_.SetSize(n);
  store_.SetPosition(0);
  std::vector<uint8_t> bytes(n);
  stream.ReadBuffer(bytes.data(), n);
  store_.WriteBuffer(bytes.data(), n);
  LoadSkin();
}

void TSkinData::WriteSkinStream(vcl::TStream& stream) const {
  auto& store = const_cast<vcl::TMemoryStream&>(store_);
  uint32_t n = static_cast<uint32_t>(store.Size());
  stream.WriteBuffer(&n, 4);
  if (n > 0) stream.WriteBuffer(store.Memory(), n);
}

void TSkinData::SetSkinFile(const std::string& value) {
  not_loaded_ = true;
  skin_file_ = value;
  std::vector<uint8_t> bytes;
  try {
    vcl::TFileStream file(value, vcl::fmOpenRead);
    int64_t size = file.Size();
    if (size <= 0 || size > kSkinMaxPackageSize) return;
    bytes.resize(static_cast<size_t>(size));
    file.ReadBuffer(bytes.data(), size);
  } catch (const vcl::Exception&) {
    return;  // a missing file says nothing; the component stays not loaded
  }
  store_.Clear();
  store_.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  bool ok = LoadSkin();
  if (last_status_ == TSkinLoadStatus::OlderFormat) vcl::ShowMessage(kOlderSkinText);
  if (ok && form_type_ == sfMainform) ApplySkin();
}

void TSkinData::ApplySkin() {
  if (ComponentState().Contains(vcl::csLoading)) return;
  TSkinManage* manager = SkinManager();
  if (!manager) {
    Loaded();
    manager = SkinManager();
  }
  manager->SetCurrentSkinData(this);
  manager->RefreshSkinData();
  if (manager->State() == 1) manager->ScheduleAction(3, 250);
}

void TSkinData::SetActive(bool value) {
  if (value == active_) return;
  active_ = value;
  if (ComponentState().Contains(vcl::csLoading) || ComponentState().Contains(vcl::csReading)) return;
  TSkinManage* manager = SkinManager();
  if (!manager) return;
  switch (form_type_) {
    case sfMainform:
      if (value) {
        if (not_loaded_) return;
        manager->SetCurrentSkinData(this);
        manager->ScheduleAction(1, 250);
        manager->SetState(1);
      } else {
        manager->SetCurrentSkinData(this);
        manager->ScheduleAction(2, 250);
      }
      break;
    case sfOnlyThisForm:
      if (value && not_loaded_) return;
      manager->SetCurrentSkinData(this);
      manager->ScheduleAction(value ? 1 : 2, 250);
      break;
    default:
      break;
  }
}

void TSkinData::Loaded() {
  vcl::TComponent::Loaded();
  if (!SkinGetScrollBarInfoBound()) skin_controls_.Exclude(xcScrollbar);
  TSkinManage& manager = CreateSkinManager();
  manager.AddSkinData(this);

  plat::NONCLIENTMETRICSA metrics;
  if (plat::SystemParametersInfoA(plat::SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
    caption_font_->SetHandle(plat::CreateFontIndirectA(&metrics.lfCaptionFont));

  if (form_type_ == sfMainform) {
    manager.InstallHook();
    if (active_) {
      if (not_loaded_) {
        active_ = false;
      } else {
        manager.SetCurrentSkinData(this);
        manager.ScheduleAction(1, 250);
      }
    }
    if (skin_controls_.Contains(xcMainMenu))
      skin_controls_.Exclude(xcMenuItem);
    else
      skin_controls_.Exclude(xcSystemMenu);
  } else {
    manager.SetActive(true);
    manager.SetState(manager.State() + 1);
    if (auto* form = dynamic_cast<vcl::TWinControl*>(Owner()); form && form->HandleAllocated())
      manager.SkinForm(form->Handle());
  }
}

// Entry points of the window layer's module.
namespace {

using TGetScrollBarInfo = plat::BOOL (*)(plat::HWND, plat::LONG, plat::SCROLLBARINFO*);
using TTrackMouseEvent = plat::BOOL (*)(plat::TRACKMOUSEEVENT*);

struct EntryPoints {
  plat::HMODULE module = nullptr;
  TGetScrollBarInfo scroll_bar_info = nullptr;
  TTrackMouseEvent track_mouse = nullptr;
  TGetComboBoxInfo combo_box_info = nullptr;
};
EntryPoints entry_points;

}  // namespace

void InitSkinDataUnit() {
  vcl::RegisterClass(TSkinData::StaticClass());
  BindSkinEntryPoints();
}

void BindSkinEntryPoints() {
  UnbindSkinEntryPoints();
  EntryPoints& e = entry_points;
  e.module = plat::LoadLibraryA("user32.dll");
  if (!e.module) return;
  e.scroll_bar_info = reinterpret_cast<TGetScrollBarInfo>(plat::GetProcAddress(e.module, "GetScrollBarInfo"));
  e.track_mouse = reinterpret_cast<TTrackMouseEvent>(plat::GetProcAddress(e.module, "TrackMouseEvent"));
  e.combo_box_info = reinterpret_cast<TGetComboBoxInfo>(plat::GetProcAddress(e.module, "GetComboBoxInfo"));
}

void UnbindSkinEntryPoints() {
  if (entry_points.module) plat::FreeLibrary(entry_points.module);
  entry_points = EntryPoints{};
}

bool SkinGetScrollBarInfoBound() { return entry_points.scroll_bar_info != nullptr; }

bool SkinScrollBarInfo(plat::HWND window, plat::LONG object_id, plat::SCROLLBARINFO* info) {
  return entry_points.scroll_bar_info && entry_points.scroll_bar_info(window, object_id, info);
}

void SkinTrackMouseLeave(plat::HWND window) {
  if (!entry_points.track_mouse) return;
  plat::TRACKMOUSEEVENT track;
  track.cbSize = sizeof track;
  track.dwFlags = plat::TME_LEAVE;
  track.hwndTrack = window;
  entry_points.track_mouse(&track);
}

TGetComboBoxInfo SkinGetComboBoxInfo() { return entry_points.combo_box_info; }

int SkinDrawText(plat::HDC dc, const std::string& text, plat::RECT* rect, plat::UINT format) {
  return plat::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), rect, format);
}

vcl::TControl* FindControlOfWindow(plat::HWND window) {
  return window ? vcl::TWinControl::FindControl(window) : nullptr;
}

}  // namespace skin
