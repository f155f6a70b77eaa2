#include "platform/vcl/Dialogs.h"

#include <charconv>
#include <cstring>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/user/Focus.h"
#include "platform/user/MessageBox.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Printers.h"
#include "platform/vcl/TypInfo.h"

namespace vcl {

namespace {

// The layer's button sets, in the order MessageDlg prefers them.
struct ButtonSet {
  TMsgDlgButtons buttons;
  plat::UINT type;
};

const ButtonSet kSets[] = {
    {{mbOK}, plat::MB_OK},
    {{mbOK, mbCancel}, plat::MB_OKCANCEL},
    {{mbYes, mbNo}, plat::MB_YESNO},
    {{mbYes, mbNo, mbCancel}, plat::MB_YESNOCANCEL},
    {{mbRetry, mbCancel}, plat::MB_RETRYCANCEL},
    {{mbAbort, mbRetry, mbIgnore}, plat::MB_ABORTRETRYIGNORE},
};

// The smallest set holding every requested button the layer can show.
plat::UINT TypeFor(TMsgDlgButtons buttons) {
  const TMsgDlgButtons shown =
      buttons * TMsgDlgButtons{mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore};
  for (const ButtonSet& set : kSets)
    if ((shown - set.buttons).Empty() && !(shown * set.buttons).Empty()) return set.type;
  if (shown.Contains(mbYes) || shown.Contains(mbNo))
    return shown.Contains(mbCancel) ? plat::MB_YESNOCANCEL : plat::MB_YESNO;
  return plat::MB_OK;
}

std::string TitleFor(TMsgDlgType type) {
  switch (type) {
    case mtWarning:
      return "Warning";
    case mtError:
      return "Error";
    case mtInformation:
      return "Information";
    case mtConfirmation:
      return "Confirmation";
    default:
      return Application ? Application->Title() : std::string();
  }
}

plat::UINT IconFor(TMsgDlgType type) {
  switch (type) {
    case mtWarning:
      return plat::MB_ICONWARNING;
    case mtError:
      return plat::MB_ICONERROR;
    case mtInformation:
      return plat::MB_ICONINFORMATION;
    case mtConfirmation:
      return plat::MB_ICONQUESTION;
    default:
      return 0;
  }
}

plat::HWND ActiveOwner() { return plat::GetActiveWindow(); }

}  // namespace

TModalResult MessageDlg(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons, int) {
  // The layer's ID* answers are the class library's modal results.
  return plat::MessageBoxA(ActiveOwner(), msg.c_str(), TitleFor(type).c_str(),
                           TypeFor(buttons) | IconFor(type));
}

void ShowMessage(const std::string& msg) {
  const std::string title = Application ? Application->Title() : std::string();
  plat::MessageBoxA(ActiveOwner(), msg.c_str(), title.c_str(), plat::MB_OK);
}

void UseMessageBoxSink() {
  SetMessageBoxSink([](const std::string& text, const std::string& caption, unsigned flags) {
    return plat::MessageBoxA(ActiveOwner(), text.c_str(), caption.c_str(), flags);
  });
}

void RegisterDialogsUnit(plat::UnitTable& table) {
  table.Register(
      "Dialogs", plat::rankPlatform + 60,
      [] {
        RegisterDialogClasses();
        UseMessageBoxSink();
      },
      [] { SetMessageBoxSink(nullptr); });
}

// ---- components ---------------------------------------------------------------

plat::HWND TCommonDialog::OwnerWindow() const { return ActiveOwner(); }

VCL_IMPLEMENT_CLASS(TCommonDialog, EventProp("OnShow", &TCommonDialog::OnShow),
                    EventProp("OnClose", &TCommonDialog::OnClose))

TOpenDialog::TOpenDialog(TComponent* owner) : TCommonDialog(owner), files_(std::make_unique<TStringList>()) {}

plat::DWORD OpenOptionFlags(TOpenOptions options) {
  static constexpr plat::DWORD kFlags[] = {plat::OFN_READONLY,
                                           plat::OFN_OVERWRITEPROMPT,
                                           plat::OFN_HIDEREADONLY,
                                           plat::OFN_NOCHANGEDIR,
                                           plat::OFN_SHOWHELP,
                                           plat::OFN_NOVALIDATE,
                                           plat::OFN_ALLOWMULTISELECT,
                                           plat::OFN_EXTENSIONDIFFERENT,
                                           plat::OFN_PATHMUSTEXIST,
                                           plat::OFN_FILEMUSTEXIST,
                                           plat::OFN_CREATEPROMPT,
                                           plat::OFN_SHAREAWARE,
                                           plat::OFN_NOREADONLYRETURN,
                                           plat::OFN_NOTESTFILECREATE,
                                           plat::OFN_NONETWORKBUTTON,
                                           plat::OFN_NOLONGNAMES,
                                           0,
                                           plat::OFN_NODEREFERENCELINKS,
                                           plat::OFN_ENABLEINCLUDENOTIFY,
                                           plat::OFN_ENABLESIZING,
                                           plat::OFN_DONTADDTORECENT,
                                           plat::OFN_FORCESHOWHIDDEN};
  plat::DWORD flags = 0;
  for (int i = 0; i <= ofForceShowHidden; ++i)
    if (options.Contains(static_cast<TOpenOption>(i))) flags |= kFlags[i];
  return flags;
}

TFileRequest::TFileRequest(const std::string& filter, int filter_index, const std::string& file_name,
                           size_t file_chars, const std::string& initial_dir, const std::string& title,
                           const std::string& default_ext)
    : filter_(filter),
      file_(file_chars, '\0'),
      initial_dir_(initial_dir),
      title_(title),
      default_ext_(default_ext) {
  for (char& c : filter_)
    if (c == '|') c = '\0';
  filter_.push_back('\0');
  filter_.push_back('\0');
  if (!file_.empty()) std::strncpy(file_.data(), file_name.c_str(), file_.size() - 1);
  ofn.lpstrFilter = filter.empty() ? nullptr : filter_.data();
  ofn.nFilterIndex = static_cast<plat::DWORD>(filter_index);
  ofn.lpstrFile = file_.data();
  ofn.nMaxFile = static_cast<plat::DWORD>(file_.size());
  ofn.lpstrInitialDir = initial_dir_.empty() ? nullptr : initial_dir_.c_str();
  ofn.lpstrTitle = title_.empty() ? nullptr : title_.c_str();
  ofn.lpstrDefExt = default_ext_.empty() ? nullptr : default_ext_.c_str();
}

bool TOpenDialog::Execute() {
  TFileRequest request(filter_, filter_index_, file_name_,
                       options_.Contains(ofAllowMultiSelect) ? 65520 : 262, initial_dir_, title_,
                       default_ext_);
  plat::OPENFILENAMEA& ofn = request.ofn;
  ofn.hwndOwner = OwnerWindow();
  ofn.Flags = plat::OFN_EXPLORER | OpenOptionFlags(options_);
  if (OnShow) OnShow(this);
  const bool ok = Save() ? plat::GetSaveFileNameA(&ofn) : plat::GetOpenFileNameA(&ofn);
  if (OnClose) OnClose(this);
  if (!ok) return false;
  file_name_ = request.File().data();
  files_->Clear();
  files_->Add(file_name_);
  filter_index_ = static_cast<int>(ofn.nFilterIndex);
  if (ofn.Flags & plat::OFN_EXTENSIONDIFFERENT)
    options_.Include(ofExtensionDifferent);
  else
    options_.Exclude(ofExtensionDifferent);
  return true;
}

const std::vector<std::string>& OpenOptionNames() {
  static const std::vector<std::string> names = {
      "ofReadOnly",         "ofOverwritePrompt",    "ofHideReadOnly",        "ofNoChangeDir",
      "ofShowHelp",         "ofNoValidate",         "ofAllowMultiSelect",    "ofExtensionDifferent",
      "ofPathMustExist",    "ofFileMustExist",      "ofCreatePrompt",        "ofShareAware",
      "ofNoReadOnlyReturn", "ofNoTestFileCreate",   "ofNoNetworkButton",     "ofNoLongNames",
      "ofOldStyleDialog",   "ofNoDereferenceLinks", "ofEnableIncludeNotify", "ofEnableSizing",
      "ofDontAddToRecent",  "ofForceShowHidden"};
  return names;
}

VCL_IMPLEMENT_CLASS(
    TOpenDialog, StrProp("DefaultExt", &TOpenDialog::DefaultExt, &TOpenDialog::SetDefaultExt).Default(""),
    StrProp("FileName", &TOpenDialog::FileName, &TOpenDialog::SetFileName).Default(""),
    StrProp("Filter", &TOpenDialog::Filter, &TOpenDialog::SetFilter).Default(""),
    IntProp("FilterIndex", &TOpenDialog::FilterIndex, &TOpenDialog::SetFilterIndex).Default(1),
    StrProp("InitialDir", &TOpenDialog::InitialDir, &TOpenDialog::SetInitialDir).Default(""),
    SetOfProp("Options", &TOpenDialog::Options, &TOpenDialog::SetOptions, OpenOptionNames())
        .Default(TOpenOptions{ofHideReadOnly, ofEnableSizing}),
    StrProp("Title", &TOpenDialog::Title, &TOpenDialog::SetTitle).Default(""))

VCL_IMPLEMENT_CLASS(TSaveDialog)

TColorDialog::TColorDialog(TComponent* owner)
    : TCommonDialog(owner), custom_(std::make_unique<TStringList>()) {}

namespace {
// Stored forms and hand-edited files may hold anything after "ColorX=": only
// a whole hexadecimal number of up to 32 bits counts, anything else is white.
plat::COLORREF CustomColorOf(const std::string& text) {
  uint32_t value = 0;
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value, 16);
  if (text.empty() || error != std::errc() || stop != end) return plat::RGB(255, 255, 255);
  return value;
}
}  // namespace

bool TColorDialog::Execute() {
  plat::COLORREF custom[16];
  for (int i = 0; i < 16; ++i)
    custom[i] = CustomColorOf(custom_->Values(std::string("Color") + static_cast<char>('A' + i)));
  static constexpr plat::DWORD kFlags[] = {plat::CC_FULLOPEN, plat::CC_PREVENTFULLOPEN, plat::CC_SHOWHELP,
                                           plat::CC_SOLIDCOLOR, plat::CC_ANYCOLOR};
  plat::CHOOSECOLORA cc;
  cc.hwndOwner = OwnerWindow();
  cc.rgbResult = ColorToRGB(color_);
  cc.lpCustColors = custom;
  cc.Flags = plat::CC_RGBINIT;
  for (int i = 0; i <= cdAnyColor; ++i)
    if (options_.Contains(static_cast<TColorDialogOption>(i))) cc.Flags |= kFlags[i];
  if (OnShow) OnShow(this);
  const bool ok = plat::ChooseColorA(&cc);
  if (OnClose) OnClose(this);
  if (!ok) return false;
  color_ = static_cast<TColor>(cc.rgbResult);
  char hex[16];
  for (int i = 0; i < 16; ++i) {
    std::snprintf(hex, sizeof hex, "%06X", static_cast<unsigned>(custom[i]));
    custom_->SetValues(std::string("Color") + static_cast<char>('A' + i), hex);
  }
  return true;
}

VCL_IMPLEMENT_CLASS(TColorDialog,
                    ColorProp("Color", &TColorDialog::Color, &TColorDialog::SetColor).Default(clBlack),
                    ObjProp("CustomColors", &TColorDialog::CustomColors, &TColorDialog::SetCustomColors),
                    SetOfProp("Options", &TColorDialog::Options, &TColorDialog::SetOptions,
                              {"cdFullOpen", "cdPreventFullOpen", "cdShowHelp", "cdSolidColor", "cdAnyColor"})
                        .Default(TColorDialogOptions{}))

bool TPrintDialog::Execute() {
  TPrinter* printer = Printer();
  plat::PRINTDLGA pd;
  pd.hwndOwner = OwnerWindow();
  pd.nCopies = static_cast<plat::WORD>(copies_ > 0 ? copies_ : printer->Copies());
  pd.hDevMode = plat::GlobalAlloc(plat::GHND, sizeof(plat::DEVMODEA));
  if (auto* mode = static_cast<plat::DEVMODEA*>(plat::GlobalLock(pd.hDevMode))) {
    *mode = plat::DEVMODEA{};
    const std::string name = printer->Printers()->Strings(printer->PrinterIndex());
    std::strncpy(mode->dmDeviceName, name.c_str(), sizeof mode->dmDeviceName - 1);
    plat::GlobalUnlock(pd.hDevMode);
  }
  if (OnShow) OnShow(this);
  const bool ok = plat::PrintDlgA(&pd);
  if (OnClose) OnClose(this);
  if (ok) {
    if (auto* mode = static_cast<plat::DEVMODEA*>(plat::GlobalLock(pd.hDevMode))) {
      printer->SetPrinterIndex(std::max(0, printer->Printers()->IndexOf(mode->dmDeviceName)));
      plat::GlobalUnlock(pd.hDevMode);
    }
    copies_ = pd.nCopies;
    printer->SetCopies(pd.nCopies);
  }
  if (pd.hDevMode) plat::GlobalFree(pd.hDevMode);
  if (pd.hDevNames) plat::GlobalFree(pd.hDevNames);
  return ok;
}

VCL_IMPLEMENT_CLASS(TPrintDialog,
                    IntProp("Copies", &TPrintDialog::Copies, &TPrintDialog::SetCopies).Default(0))

void RegisterDialogClasses() {
  RegisterClasses({TOpenDialog::StaticClass(), TSaveDialog::StaticClass(), TColorDialog::StaticClass(),
                   TPrintDialog::StaticClass()});
}

}  // namespace vcl
