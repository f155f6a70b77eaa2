#include "utility/qelShell.h"

#include <strings.h>

#include <cstring>

#include "platform/registry/Registry.h"
#include "platform/shell/Associations.h"
#include "platform/shell/FileOperation.h"
#include "platform/user/FindWindow.h"
#include "platform/user/Geometry.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Window.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/TypInfo.h"
#include "utility/qelConsts.h"
#include "utility/qelSysUtils.h"
#include "utility/qelVclUtils.h"

namespace utility {

// ---- file operation ---------------------------------------------------------------

namespace {
const std::vector<std::string> kFlagIdents = {"fofAllowUndo",      "fofFilesOnly",     "fofNoConfirmation",
                                              "fofNoConfirmMkDir", "fofNoErrorUI",     "fofRenameCollision",
                                              "fofSilent",         "fofSimpleProgress"};
constexpr plat::FILEOP_FLAGS kFlagValues[] = {
    plat::FOF_ALLOWUNDO, plat::FOF_FILESONLY,         plat::FOF_NOCONFIRMATION, plat::FOF_NOCONFIRMMKDIR,
    plat::FOF_NOERRORUI, plat::FOF_RENAMEONCOLLISION, plat::FOF_SILENT,         plat::FOF_SIMPLEPROGRESS};
constexpr plat::UINT kFunctions[] = {plat::FO_COPY, plat::FO_DELETE, plat::FO_MOVE, plat::FO_RENAME};

// Names each ended by a NUL, with one more at the end.
std::string NulList(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& name : names) out += name + '\0';
  return out + '\0';
}
}  // namespace

VCL_IMPLEMENT_CLASS(
    TqelFileOperation, ObjProp("FileList", &TqelFileOperation::FileList, &TqelFileOperation::SetFileList),
    StrProp("DestFolder", &TqelFileOperation::DestFolder, &TqelFileOperation::SetDestFolder),
    StrProp("ProgressTitle", &TqelFileOperation::ProgressTitle, &TqelFileOperation::SetProgressTitle),
    EnumProp("Operation", &TqelFileOperation::Operation, &TqelFileOperation::SetOperation,
             {"fotCopy", "fotDelete", "fotMove", "fotRename"})
        .Default(fotCopy),
    SetOfProp("Options", &TqelFileOperation::Options, &TqelFileOperation::SetOptions, kFlagIdents)
        .Default(TqelFileOperationFlags{fofAllowUndo, fofFilesOnly, fofRenameCollision}),
    EventProp("OnError", &TqelFileOperation::OnError))

TqelFileOperation::TqelFileOperation(vcl::TComponent* owner)
    : TqelComponent(owner), file_list_(std::make_unique<vcl::TStringList>()) {}

TqelFileOperation::~TqelFileOperation() = default;

bool TqelFileOperation::ExecuteOperation(TqelFileOperationType operation) {
  if (file_list_->Count() == 0) return true;
  plat::SHFILEOPSTRUCTA op;
  auto* control = dynamic_cast<vcl::TWinControl*>(Owner());
  op.hwnd = control && control->HandleAllocated() ? control->Handle() : nullptr;
  op.wFunc = kFunctions[operation];
  bool multi = file_list_->Text().find('=') != std::string::npos;
  for (int i = 0; i < 8; ++i)
    if (options_.Contains(static_cast<TqelFileOperationFlag>(i))) op.fFlags |= kFlagValues[i];
  if (multi) op.fFlags |= plat::FOF_MULTIDESTFILES;
  op.lpszProgressTitle = progress_title_.c_str();
  std::vector<std::string> sources, targets;
  for (int i = 0; i < file_list_->Count(); ++i) {
    std::string line = file_list_->Strings(i);
    if (!multi) {
      sources.push_back(line);
      continue;
    }
    size_t eq = line.find('=');
    std::string source = line.substr(0, eq);
    std::string dest = eq == std::string::npos ? std::string() : line.substr(eq + 1);
    dest = ExpandRelativePath(dest_folder_, dest);
    std::string name = ExtractNamePart(dest);
    if (name.find_first_of("*?") != std::string::npos) dest = ApplyFileMask(source, dest);
    sources.push_back(source);
    targets.push_back(dest);
  }
  if (!multi) targets.push_back(dest_folder_);
  std::string from = NulList(sources), to = NulList(targets);
  op.pFrom = from.c_str();
  op.pTo = to.c_str();
  int result = plat::SHFileOperationA(&op);
  if (result != 0 && result != plat::kFileOperationCancelled) {
    std::string text;
    GetErrorText(result, text);
    DoError(text);
  }
  return result == 0;
}

void TqelFileOperation::GetErrorText(int code, std::string& text) {
  text.clear();
  if (code == 0) return;
  char buffer[1024];
  text = strerror_r(code, buffer, sizeof buffer);
}

bool TqelFileOperation::DoError(const std::string& text) {
  bool handled = false;
  if (OnError) OnError(this, text, handled);
  return handled;
}

// ---- file association -------------------------------------------------------------

namespace {
const char* const kVerbNames[] = {"open", "opennew", "edit", "print", "printto"};

std::string ReadDefault(plat::HKEY root, const std::string& key) {
  plat::HKEY handle = nullptr;
  if (plat::RegOpenKeyExA(root, key.c_str(), 0, plat::KEY_READ, &handle) != plat::ERROR_SUCCESS) return "";
  plat::DWORD size = 0;
  std::string value;
  if (plat::RegQueryValueExA(handle, "", nullptr, nullptr, nullptr, &size) == plat::ERROR_SUCCESS &&
      size > 0) {
    value.resize(size);
    plat::RegQueryValueExA(handle, "", nullptr, nullptr, reinterpret_cast<plat::BYTE*>(value.data()), &size);
    value.resize(strnlen(value.data(), value.size()));
  }
  plat::RegCloseKey(handle);
  return value;
}

bool WriteDefault(const std::string& key, const std::string& value) {
  plat::HKEY handle = nullptr;
  if (plat::RegCreateKeyA(plat::HKEY_CLASSES_ROOT, key.c_str(), &handle) != plat::ERROR_SUCCESS) return false;
  plat::LONG result =
      plat::RegSetValueExA(handle, "", 0, plat::REG_SZ, reinterpret_cast<const plat::BYTE*>(value.c_str()),
                           static_cast<plat::DWORD>(value.size() + 1));
  plat::RegCloseKey(handle);
  return result == plat::ERROR_SUCCESS;
}

bool IsNumber(const std::string& text) {
  if (text.empty()) return false;
  size_t i = text[0] == '-' || text[0] == '+' ? 1 : 0;
  if (i == text.size()) return false;
  for (; i < text.size(); ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return text.size() < 10;
}
}  // namespace

#define QEL_VERB_PROPS(Name)                                                                               \
  StrProp(#Name "Command", &TqelFileAssociation::Name##Command, &TqelFileAssociation::Set##Name##Command), \
      StrProp(#Name "CommandDescription", &TqelFileAssociation::Name##CommandDescription,                  \
              &TqelFileAssociation::Set##Name##CommandDescription)

VCL_IMPLEMENT_CLASS(
    TqelFileAssociation,
    StrProp("Extension", &TqelFileAssociation::Extension, &TqelFileAssociation::SetExtension),
    StrProp("ExtDescription", &TqelFileAssociation::ExtDescription, &TqelFileAssociation::SetExtDescription),
    StrProp("FileDescription", &TqelFileAssociation::FileDescription,
            &TqelFileAssociation::SetFileDescription),
    StrProp("IconFile", &TqelFileAssociation::IconFile, &TqelFileAssociation::SetIconFile),
    IntProp("IconIndex", &TqelFileAssociation::IconIndex, &TqelFileAssociation::SetIconIndex).Default(0),
    BoolProp("ReadOnly", &TqelFileAssociation::ReadOnly, &TqelFileAssociation::SetReadOnly).Default(true),
    QEL_VERB_PROPS(Open), QEL_VERB_PROPS(OpenNew), QEL_VERB_PROPS(Edit), QEL_VERB_PROPS(Print),
    QEL_VERB_PROPS(PrintTo))
#undef QEL_VERB_PROPS

TqelFileAssociation::TqelFileAssociation(vcl::TComponent* owner) : TqelComponent(owner) {}

TqelFileAssociation::~TqelFileAssociation() = default;

bool TqelFileAssociation::Busy() const {
  return ComponentState().Contains(vcl::csLoading) || ComponentState().Contains(vcl::csDestroying);
}

template <class T>
void TqelFileAssociation::Write(T& field, const T& value) {
  if (read_only_ && !Designing()) return;
  if (field == value) return;
  field = value;
  Changed();
}

void TqelFileAssociation::SetExtension(const std::string& value) {
  extension_ = !value.empty() && value[0] != '.' ? "." + value : value;
  Refresh();
}

// Only the shared stock icons are taken here: nothing to free.
void TqelFileAssociation::SetIcons(plat::HICON large, plat::HICON small) {
  large_icon_ = large;
  small_icon_ = small;
}

void TqelFileAssociation::ParseDefaultIcon(const std::string& value, std::string& file, int& index) {
  // Only the text after the last comma can be the index: a comma may be
  // part of the path.
  file = value;
  index = 0;
  size_t comma = value.rfind(',');
  if (comma == std::string::npos) return;
  std::string number = value.substr(comma + 1);
  if (!IsNumber(number)) return;
  index = std::stoi(number);
  file = value.substr(0, comma);
}

bool TqelFileAssociation::Refresh() {
  if (Busy()) return false;
  ext_description_.clear();
  file_description_.clear();
  icon_file_.clear();
  icon_index_ = 0;
  SetIcons(nullptr, nullptr);
  for (int v = 0; v < kVerbs; ++v) {
    commands_[v].clear();
    descriptions_[v].clear();
  }
  bool found = false;
  if (!extension_.empty() && extension_ != ".") {
    ext_description_ = ReadDefault(plat::HKEY_CLASSES_ROOT, extension_);
    plat::HKEY type_key = nullptr;
    if (!ext_description_.empty() && plat::RegOpenKeyExA(plat::HKEY_CLASSES_ROOT, ext_description_.c_str(), 0,
                                                         plat::KEY_READ, &type_key) == plat::ERROR_SUCCESS) {
      plat::RegCloseKey(type_key);
      found = true;
      file_description_ = ReadDefault(plat::HKEY_CLASSES_ROOT, ext_description_);
      ParseDefaultIcon(ReadDefault(plat::HKEY_CLASSES_ROOT, ext_description_ + "\\DefaultIcon"), icon_file_,
                       icon_index_);
      for (int v = 0; v < kVerbs; ++v) {
        std::string key = ext_description_ + "\\shell\\" + kVerbNames[v];
        descriptions_[v] = ReadDefault(plat::HKEY_CLASSES_ROOT, key);
        commands_[v] = ReadDefault(plat::HKEY_CLASSES_ROOT, key + "\\command");
      }
    }
  }
  // Icons are not read out of program files here: the desktop's stock
  // icons stand for the file's.
  if (!large_icon_ && !small_icon_) {
    plat::HICON large = nullptr, small = nullptr;
    GetShellIcon(strcasecmp(extension_.c_str(), ".exe") == 0 ? 2 : 0, &large, &small);
    SetIcons(large, small);
  }
  return found;
}

bool TqelFileAssociation::Register() {
  if (Busy() || extension_.empty()) return false;
  if (extension_[0] != '.') extension_ = "." + extension_;
  if (ext_description_.empty()) ext_description_ = extension_.substr(1) + "file";
  if (!WriteDefault(extension_, ext_description_) || !WriteDefault(ext_description_, file_description_))
    return false;
  if (!icon_file_.empty() &&
      !WriteDefault(ext_description_ + "\\DefaultIcon", icon_file_ + "," + std::to_string(icon_index_)))
    return false;
  plat::FileAssociation desktop{extension_, ext_description_, file_description_, icon_file_, {}};
  for (int v = 0; v < kVerbs; ++v) {
    if (commands_[v].empty()) continue;
    std::string key = ext_description_ + "\\shell\\" + kVerbNames[v];
    if (!WriteDefault(key, descriptions_[v]) || !WriteDefault(key + "\\command", commands_[v])) return false;
    desktop.verbs.push_back({kVerbNames[v], descriptions_[v], commands_[v]});
  }
  // The registry holds the association; the desktop gets what it can take.
  plat::ExportFileAssociation(desktop);
  plat::SHChangeNotify(plat::SHCNE_ASSOCCHANGED, plat::SHCNF_IDLIST, nullptr, nullptr);
  return true;
}

bool TqelFileAssociation::Unregister() {
  if (Busy()) return false;
  if (!extension_.empty() && extension_[0] != '.') extension_ = "." + extension_;
  plat::HKEY key = nullptr;
  if (plat::RegOpenKeyExA(plat::HKEY_CLASSES_ROOT, extension_.c_str(), 0, plat::KEY_READ, &key) !=
      plat::ERROR_SUCCESS)
    return true;
  plat::RegCloseKey(key);
  bool deleted = plat::RegDeleteTreeA(plat::HKEY_CLASSES_ROOT, extension_.c_str()) == plat::ERROR_SUCCESS;
  plat::RemoveFileAssociation(extension_);
  plat::SHChangeNotify(plat::SHCNE_ASSOCCHANGED, plat::SHCNF_IDLIST, nullptr, nullptr);
  Refresh();
  return deleted;
}

void TqelFileAssociation::Changed() {
  if (Busy()) return;
  if (!Designing()) {
    Register();
    return;
  }
  if (read_only_) {
    plat::MessageBoxA(nullptr, SqelReadOnly, SqelWarning, plat::MB_OK | plat::MB_ICONWARNING);
    return;
  }
  if (!Register())
    plat::MessageBoxA(nullptr, SqelCannotWriteRegistry, SqelError, plat::MB_OK | plat::MB_ICONERROR);
}

void TqelFileAssociation::Loaded() {
  TqelComponent::Loaded();
  // The stored values are what was there when the description was written:
  // the registry says what holds now.
  if (!extension_.empty()) Refresh();
}

// ---- start button -----------------------------------------------------------------

VCL_IMPLEMENT_CLASS(TqelStartButtonProperties)

TqelStartButtonProperties::TqelStartButtonProperties(vcl::TComponent* owner) : TqelComponent(owner) {
  if (plat::HWND tray = plat::FindWindowA("Shell_TrayWnd", nullptr))
    button_ = plat::FindWindowExA(tray, nullptr, "Button", nullptr);
}

plat::RECT TqelStartButtonProperties::ReadBounds() {
  plat::WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  if (button_ && plat::GetWindowPlacement(button_, &placement)) rect_ = placement.rcNormalPosition;
  return rect_;
}

void TqelStartButtonProperties::SetBounds(int left, int top, int width, int height) {
  if (left == rect_.left && top == rect_.top && width == Width() && height == Height()) return;
  if (button_)
    plat::SetWindowPos(button_, nullptr, left, top, width, height, plat::SWP_NOZORDER | plat::SWP_NOACTIVATE);
}

bool TqelStartButtonProperties::Enabled() const { return button_ && plat::IsWindowEnabled(button_); }

void TqelStartButtonProperties::SetEnabled(bool value) {
  if (button_) plat::EnableWindow(button_, value);
}

bool TqelStartButtonProperties::Visible() const { return button_ && plat::IsWindowVisible(button_); }

void TqelStartButtonProperties::SetVisible(bool value) {
  if (button_) plat::ShowWindow(button_, value ? plat::SW_SHOW : plat::SW_HIDE);
}

}  // namespace utility
