#include "files/MMCstDlg.h"

#include <algorithm>
#include <cstring>

#include "engine/MMDIB.h"
#include "engine/MMMulDiv.h"
#include "engine/MMPCMSup.h"
#include "engine/MMUtilsBitmaps.h"
#include "engine/MMWavOut.h"
#include "engine/MMWaveIO.h"
#include "files/MMACMDlg.h"
#include "platform/gdi/Colors.h"
#include "platform/gdi/Gdi.h"
#include "platform/mm/WaveDevices.h"
#include "platform/user/Button.h"
#include "platform/user/Controls.h"
#include "platform/user/Cursor.h"
#include "platform/user/Geometry.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "platform/user/Static.h"
#include "platform/user/Subclass.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"

namespace files {

namespace {

// Library messages of the dialogs.
constexpr uint16_t kMsgOpenTitle = 1;
constexpr uint16_t kMsgSaveTitle = 2;
constexpr uint16_t kMsgFilter = 4;
constexpr uint16_t kMsgInvalidWaveFile = 5;
constexpr uint16_t kMsgUnknown = 6;
constexpr uint16_t kMsgPreview = 7;

std::string DialogMessage(uint16_t n) {
  std::string text = engine::LoadLibraryMessage(n);
  if (!text.empty()) return text;
  switch (n) {
    case kMsgOpenTitle:
      return "Open Wave File";
    case kMsgSaveTitle:
      return "Save Wave File";
    case kMsgFilter:
      return "Wave Files(*.wav)|*.wav";
    case kMsgInvalidWaveFile:
      return "Invalid WaveFile...";
    case kMsgUnknown:
      return "Unknown";
    case kMsgPreview:
      return "Preview";
    default:
      return {};
  }
}

constexpr size_t kMaxTitle = 79;
constexpr plat::UINT_PTR kViewTimerId = 99;
constexpr plat::UINT kViewDelayMs = 50;
constexpr int64_t kProgressFileSize = 2097152;
constexpr plat::DWORD kSingleBuffer = 260;
constexpr plat::DWORD kMultiBuffer = 65519;

const std::vector<TMMDialogItem> kWaveOpenTemplate = {
    {plat::WC_BUTTONA, "Play", kPlayButtonId, plat::BS_PUSHBUTTON | plat::WS_TABSTOP, 222, 0, 50, 14},
    {plat::WC_BUTTONA, "Vorschau", kPreviewBoxId, plat::BS_AUTOCHECKBOX | plat::WS_TABSTOP, 224, 17, 46, 11},
    {plat::WC_STATICA, "Unknown", kFormatTextId, plat::SS_LEFT | plat::SS_NOPREFIX, 54, 0, 159, 8},
    {plat::WC_STATICA, "", kWavePanelId, plat::SS_LEFT, 54, 17, 155, 22},
    {plat::WC_STATICA, "Format:", -1, plat::SS_LEFT, 5, 0, 27, 8},
    {plat::WC_STATICA, "", kPicturePanelId, plat::SS_LEFT, 5, 17, 24, 22},
    {plat::WC_BUTTONA, "Auto Play", kAutoPlayBoxId, plat::BS_AUTOCHECKBOX | plat::WS_TABSTOP, 224, 30, 46,
     11},
};

// The explorer dialog goes in the middle of the screen, at a third of the free height.
void CentreWindow(plat::HWND hwnd) {
  plat::RECT r;
  if (!hwnd || !plat::GetWindowRect(hwnd, &r)) return;
  const plat::SIZE screen = plat::user::ScreenSize();
  const int w = r.right - r.left, h = r.bottom - r.top;
  plat::SetWindowPos(hwnd, nullptr, (screen.cx - w) / 2, (screen.cy - h) / 3, 0, 0,
                     plat::SWP_NOSIZE | plat::SWP_NOZORDER | plat::SWP_NOACTIVATE);
}

// "folder\0name\0name\0\0" (or one full name) into full names.
std::vector<std::string> SplitSelection(const char* buffer, size_t size) {
  std::vector<std::string> parts;
  size_t at = 0;
  while (at < size && buffer[at] != 0) {
    const size_t n = strnlen(buffer + at, size - at);
    parts.emplace_back(buffer + at, n);
    at += n + 1;
  }
  if (parts.size() <= 1) return parts;
  std::vector<std::string> names;
  std::string folder = parts.front();
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
  for (size_t i = 1; i < parts.size(); ++i) {
    const std::string& name = parts[i];
    const bool absolute =
        (!name.empty() && (name[0] == '\\' || name[0] == '/')) || (name.size() > 1 && name[1] == ':');
    names.push_back(absolute ? name : folder + name);
  }
  return names;
}

// The last of the names, which may each be quoted.
std::string LastName(const std::string& names) {
  const size_t close = names.rfind('"');
  if (close == std::string::npos) return names;
  const size_t open = close > 0 ? names.rfind('"', close - 1) : std::string::npos;
  if (open == std::string::npos) return names;
  return names.substr(open + 1, close - open - 1);
}

// File names compare as the layer finds files: exactly, else without letter case.
bool IsSameName(const std::string& a, const std::string& b) { return vcl::UpperCase(a) == vcl::UpperCase(b); }

}  // namespace

const std::vector<TMMDialogItem>* FindDialogTemplate(const std::string& name) {
  if (vcl::UpperCase(name) == "CUSTOMWAVEOPENDLG") return &kWaveOpenTemplate;
  return nullptr;
}

// ---- TMMCustomOpenDialog ------------------------------------------------------

VCL_IMPLEMENT_CLASS(TMMCustomOpenDialog)

TMMCustomOpenDialog::TMMCustomOpenDialog(vcl::TComponent* owner)
    : TMMCommonDialog(owner),
      strings_(std::make_unique<vcl::TStringList>()),
      files_(std::make_unique<vcl::TStringList>()),
      file_ok_list_(std::make_unique<vcl::TStringList>()) {}

TMMCustomOpenDialog::~TMMCustomOpenDialog() = default;

void TMMCustomOpenDialog::SetInitialDir(const std::string& value) {
  std::string dir = value;
  const size_t n = dir.size();
  if (n > 1 && (dir[n - 1] == '\\' || dir[n - 1] == '/') && dir[n - 2] != ':') dir.pop_back();
  initial_dir_ = dir;
}

plat::HWND TMMCustomOpenDialog::Item(int id) const {
  return wnd_ ? plat::user::ChildById(wnd_, id) : nullptr;
}

bool TMMCustomOpenDialog::Execute() {
  files_->Clear();
  const bool multi = options_.Contains(vcl::ofAllowMultiSelect);
  vcl::TFileRequest request(filter_, filter_index_, file_name_, (multi ? kMultiBuffer : kSingleBuffer) + 2,
                            initial_dir_, title_.substr(0, std::min(title_.size(), kMaxTitle)), default_ext_);
  plat::OPENFILENAMEA& ofn = request.ofn;
  ofn.hwndOwner = OwnerWindow();
  ofn.lpfnHook = &TMMCustomOpenDialog::Hook;
  ofn.lCustData = reinterpret_cast<plat::LPARAM>(this);
  ofn.Flags = plat::OFN_ENABLEHOOK | plat::OFN_EXPLORER | vcl::OpenOptionFlags(options_);
  if (options_ex_.Contains(ofExNoPlacesBar)) ofn.FlagsEx |= plat::OFN_EX_NOPLACESBAR;
  if (!template_.empty()) {
    ofn.Flags |= plat::OFN_ENABLETEMPLATE;
    ofn.lpTemplateName = template_.c_str();
  }
  file_ok_list_->Clear();
  if (!RunDialog(&ofn)) return false;

  if (multi) {
    for (const std::string& name : SplitSelection(request.File().data(), request.File().size()))
      files_->Add(name);
    file_name_ = files_->Count() > 0 ? files_->Strings(0) : std::string();
  } else {
    file_name_ = request.File().data();
    files_->Add(file_name_);
  }
  if (ofn.Flags & plat::OFN_READONLY)
    options_.Include(vcl::ofReadOnly);
  else
    options_.Exclude(vcl::ofReadOnly);
  if (ofn.Flags & plat::OFN_EXTENSIONDIFFERENT)
    options_.Include(vcl::ofExtensionDifferent);
  else
    options_.Exclude(vcl::ofExtensionDifferent);
  filter_index_ = static_cast<int>(ofn.nFilterIndex);
  return true;
}

plat::UINT_PTR TMMCustomOpenDialog::Hook(plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam,
                                         plat::LPARAM lparam) {
  auto* self = reinterpret_cast<TMMCustomOpenDialog*>(plat::GetWindowLongPtrA(hwnd, plat::DWLP_USER));
  // What the dialog's own handling raises is reported here: it must not
  // unwind through the platform's dialog.
  try {
    switch (message) {
      case plat::WM_INITDIALOG: {
        const auto* ofn = reinterpret_cast<const plat::OPENFILENAMEA*>(lparam);
        self = reinterpret_cast<TMMCustomOpenDialog*>(ofn->lCustData);
        plat::SetWindowLongPtrA(hwnd, plat::DWLP_USER, reinterpret_cast<plat::LONG_PTR>(self));
        self->wnd_ = hwnd;
        self->CreateTemplateItems();
        self->DoShow();
        return 0;
      }
      case plat::WM_DESTROY:
        if (self) {
          self->DoClose();
          self->wnd_ = nullptr;
        }
        return 0;
      case plat::WM_NOTIFY: {
        if (!self) return 0;
        const auto* notify = reinterpret_cast<const plat::OFNOTIFYA*>(lparam);
        if (notify->hdr.code == plat::CDN_INITDONE) {
          CentreWindow(plat::GetParent(hwnd));
        } else if (notify->hdr.code == plat::CDN_FILEOK) {
          self->FileOK(*notify);
          return 1;
        } else if (notify->hdr.code == plat::CDN_SELCHANGE) {
          std::vector<char> path(8192, '\0');
          plat::SendMessageA(plat::GetParent(hwnd), plat::CDM_GETFILEPATH, path.size(),
                             reinterpret_cast<plat::LPARAM>(path.data()));
          self->DoSelectionChange(path.data());
        }
        return 0;
      }
      case plat::WM_COMMAND:
        if (self)
          self->DoCommand(reinterpret_cast<plat::HWND>(lparam), plat::HIWORD(wparam), plat::LOWORD(wparam));
        return 0;
      default:
        return 0;
    }
  } catch (const vcl::Exception&) {
    vcl::ReportException(self);
    return 0;
  }
}

void TMMCustomOpenDialog::FileOK(const plat::OFNOTIFYA& notify) {
  bool accept = true;
  const char* buffer = notify.lpOFN ? notify.lpOFN->lpstrFile : nullptr;
  if (buffer && options_.Contains(vcl::ofAllowMultiSelect)) {
    file_ok_list_->Clear();
    for (const std::string& name : SplitSelection(buffer, notify.lpOFN->nMaxFile)) file_ok_list_->Add(name);
    for (int i = 0; i < file_ok_list_->Count() && accept; ++i) DoFileOK(file_ok_list_->Strings(i), accept);
  } else {
    DoFileOK(buffer ? buffer : "", accept);
  }
  plat::SetWindowLongPtrA(wnd_, plat::DWLP_MSGRESULT, accept ? 0 : 1);
}

void TMMCustomOpenDialog::CreateTemplateItems() {
  const std::vector<TMMDialogItem>* items = FindDialogTemplate(template_);
  if (!items) return;
  plat::HFONT font = static_cast<plat::HFONT>(plat::GetStockObject(plat::DEFAULT_GUI_FONT));
  for (const TMMDialogItem& item : *items) {
    plat::RECT r{item.x, item.y, item.x + item.cx, item.y + item.cy};
    plat::MapDialogRect(wnd_, &r);
    plat::HWND control = plat::CreateWindowExA(
        0, item.class_name, item.text, plat::WS_CHILD | plat::WS_VISIBLE | item.style, r.left, r.top,
        r.right - r.left, r.bottom - r.top, wnd_,
        reinterpret_cast<plat::HMENU>(static_cast<intptr_t>(item.id)), nullptr, nullptr);
    if (control) plat::SendMessageA(control, plat::WM_SETFONT, reinterpret_cast<plat::WPARAM>(font), 0);
  }
}

void TMMCustomOpenDialog::DoShow() {
  if (OnShow) OnShow(this);
}

void TMMCustomOpenDialog::DoClose() {
  if (OnClose) OnClose(this);
}

void TMMCustomOpenDialog::DoFileOK(const std::string& file_name, bool& accept) {
  if (OnFileOK) OnFileOK(this, file_name, accept);
}

void TMMCustomOpenDialog::DoSelectionChange(const std::string& file_name) {
  if (OnSelectionChange) OnSelectionChange(this, file_name);
}

void TMMCustomOpenDialog::DoCommand(plat::HWND wnd, int notify_code, int control_id) {
  if (OnCommand) OnCommand(this, wnd, notify_code, control_id);
}

// ---- TMMWaveOpenDialog --------------------------------------------------------

namespace {

const std::vector<std::string> kOptionExNames = {"ofExNoPlacesBar"};

}  // namespace

VCL_IMPLEMENT_CLASS(
    TMMWaveOpenDialog, EventProp("OnFileOK", &TMMWaveOpenDialog::OnFileOK),
    StrProp("FileName", &TMMWaveOpenDialog::FileName, &TMMWaveOpenDialog::SetFileName).Default(""),
    StrProp("Filter", &TMMWaveOpenDialog::Filter, &TMMWaveOpenDialog::SetFilter),
    IntProp("FilterIndex", &TMMWaveOpenDialog::FilterIndex, &TMMWaveOpenDialog::SetFilterIndex).Default(1),
    StrProp("InitialDir", &TMMWaveOpenDialog::InitialDir, &TMMWaveOpenDialog::SetInitialDir).Default(""),
    StrProp("Title", &TMMWaveOpenDialog::Title, &TMMWaveOpenDialog::SetTitle),
    SetOfProp("Options", &TMMWaveOpenDialog::Options, &TMMWaveOpenDialog::SetOptions, vcl::OpenOptionNames())
        .Default(vcl::TOpenOptions{vcl::ofHideReadOnly, vcl::ofNoNetworkButton}),
    ColorProp("Color", &TMMWaveOpenDialog::Color, &TMMWaveOpenDialog::SetColor).Default(0),
    ColorProp("ForeColor", &TMMWaveOpenDialog::ForeColor, &TMMWaveOpenDialog::SetForeColor).Default(65280),
    ColorProp("LocatorColor", &TMMWaveOpenDialog::LocatorColor, &TMMWaveOpenDialog::SetLocatorColor)
        .Default(255),
    BoolProp("Preview", &TMMWaveOpenDialog::Preview, &TMMWaveOpenDialog::SetPreview).Default(false),
    BoolProp("AutoPlay", &TMMWaveOpenDialog::AutoPlay, &TMMWaveOpenDialog::SetAutoPlay).Default(false),
    IntProp("DeviceID", &TMMWaveOpenDialog::DeviceID, &TMMWaveOpenDialog::SetDeviceID)
        .Default(engine::MapperId)
        .Idents(engine::DeviceIdIdents()))

TMMWaveOpenDialog::TMMWaveOpenDialog(vcl::TComponent* owner) : TMMCustomOpenDialog(owner) {
  SetOptions(vcl::TOpenOptions{vcl::ofHideReadOnly, vcl::ofNoNetworkButton});
  SetOptionsEx(TOpenOptionsEx{ofExNoPlacesBar});
  SetTitle(DialogMessage(kMsgOpenTitle));
  SetDefaultExt("wav");
  SetFilter(DialogMessage(kMsgFilter));
  SetTemplate("CustomWaveOpenDlg");
}

TMMWaveOpenDialog::~TMMWaveOpenDialog() { DoClose(); }

bool TMMWaveOpenDialog::Playing() const {
  return player_ && (player_->State() & engine::TMMWaveOut::kStarted) != 0;
}

int32_t TMMWaveOpenDialog::PreviewBufferSize(const plat::WAVEFORMATEX* format) {
  int32_t size = 32768;
  if (!format) return size;
  const plat::DWORD rate = format->nSamplesPerSec;
  if (rate < 15001)
    size = 512;
  else if (rate < 24001)
    size = 1024;
  else if (rate < 32001)
    size = 2048;
  else if (rate < 48001)
    size = 3072;
  const int bits = format->wBitsPerSample;
  if (bits == 1)
    size /= 16;
  else if (bits >= 2 && bits <= 4)
    size /= 8;
  else if (bits >= 5 && bits <= 7)
    size /= 4;
  else if (bits >= 9 && bits <= 16)
    size *= 2;
  else if (bits == 8 || bits > 16)
    size *= 4;
  return size;
}

void TMMWaveOpenDialog::DoShow() {
  wave_panel_ = Item(kWavePanelId);
  picture_panel_ = Item(kPicturePanelId);
  if (wave_panel_)
    plat::SetWindowSubclass(wave_panel_, &PanelProc, kWavePanelId, reinterpret_cast<plat::DWORD_PTR>(this));
  if (picture_panel_)
    plat::SetWindowSubclass(picture_panel_, &PanelProc, kPicturePanelId,
                            reinterpret_cast<plat::DWORD_PTR>(this));
  if (!preview_file_) {
    const plat::RECT view = ViewRect();
    view_.assign(static_cast<size_t>(std::max<int>(view.right - view.left, 0)) * 4, 0);
    preview_file_ = std::make_unique<TMMWaveFile>(nullptr);
    preview_file_->Wave()->SetTimeFormat(engine::tfByte);
    preview_file_->Wave()->SetIOBufferSize(131072);
    converter_ = std::make_unique<TMMADPCMConverter>(nullptr);
    converter_->SetInput(preview_file_.get());
    player_ = std::make_unique<engine::TMMWaveOut>(nullptr);
    player_->SetInput(converter_.get());
    player_->OnStart = [this](vcl::TObject* sender) { PlayerStarted(sender); };
    player_->OnStop = [this](vcl::TObject* sender) { PlayerStopped(sender); };
    player_->SetBufferSize(32768);
    player_->SetNumBuffers(10);
    player_->SetTimeFormat(engine::tfByte);
    has_output_ = plat::waveOutGetNumDevs() > 0;
    if (has_output_)
      player_->SetDeviceID(device_id_);
    else
      plat::EnableWindow(Item(kAutoPlayBoxId), plat::FALSE);
    timer_ = std::make_unique<vcl::TTimer>(nullptr);
    timer_->SetEnabled(false);
    timer_->SetInterval(kViewDelayMs);
    timer_->OnTimer = [this](vcl::TObject* sender) { TimerTick(sender); };
  }
  plat::EnableWindow(Item(kPlayButtonId), plat::FALSE);
  plat::EnableWindow(Item(kPreviewBoxId), plat::FALSE);
  plat::SetWindowTextA(Item(kPreviewBoxId), DialogMessage(kMsgPreview).c_str());
  plat::CheckDlgButton(DialogWindow(), kPreviewBoxId, preview_ ? plat::BST_CHECKED : plat::BST_UNCHECKED);
  plat::CheckDlgButton(DialogWindow(), kAutoPlayBoxId, auto_play_ ? plat::BST_CHECKED : plat::BST_UNCHECKED);
  inherited::DoShow();
}

void TMMWaveOpenDialog::DoClose() {
  view_.clear();
  picture_.clear();
  if (player_) {
    player_->OnStop = nullptr;
    player_->OnStart = nullptr;
    player_->Close();
  }
  player_.reset();
  converter_.reset();
  if (preview_file_) preview_file_->Wave()->FreeWave();
  preview_file_.reset();
  timer_.reset();
  if (wave_panel_ && plat::IsWindow(wave_panel_)) {
    plat::KillTimer(wave_panel_, kViewTimerId);
    plat::RemoveWindowSubclass(wave_panel_, &PanelProc, kWavePanelId);
  }
  if (picture_panel_ && plat::IsWindow(picture_panel_))
    plat::RemoveWindowSubclass(picture_panel_, &PanelProc, kPicturePanelId);
  wave_panel_ = picture_panel_ = nullptr;
  view_pending_ = false;
  locator_ = -1;
  inherited::DoClose();
}

void TMMWaveOpenDialog::DoSelectionChange(const std::string& file_name) {
  const std::string name = LastName(file_name);
  if (preview_file_ && !IsSameName(name, preview_file_->Wave()->FileName())) {
    ClosePlayer();
    picture_.clear();
    TMMWave* wave = preview_file_->Wave();
    bool attached = false;
    if (!name.empty() && engine::IsWaveFile(name.c_str(), 1)) {
      // The file may have changed since it was tested: then it is not shown.
      try {
        wave->SetFileName(name);
        attached = true;
      } catch (const vcl::Exception&) {
      }
    }
    if (attached) {
      converter_->SetEnabled(converter_->CanConvert());
      engine::TWaveIORec* rec = nullptr;
      if (engine::WaveReadInfo(rec, name.c_str(), engine::MakeFOURCC('W', 'A', 'V', 'E'),
                               engine::RIFF_INFO_ONLY) == engine::WIOERR_NOERROR) {
        for (const engine::TRIFFDispEntry* e = rec->lpDisp ? rec->lpDisp->First : nullptr; e; e = e->Next) {
          if (e->ClipboardFormat != engine::CF_DIB || !e->Data) continue;
          const auto* bytes = static_cast<const uint8_t*>(e->Data);
          picture_.assign(bytes, bytes + e->DataSize);
          break;
        }
        engine::WaveFreeInfo(rec);
      }
    } else {
      wave->FreeWave();
    }
  }
  view_pending_ = true;
  if (wave_panel_) plat::SetTimer(wave_panel_, kViewTimerId, kViewDelayMs, nullptr);
  inherited::DoSelectionChange(file_name);
}

bool TMMWaveOpenDialog::IsPCMWave() const {
  const plat::WAVEFORMATEX* f = preview_file_ ? preview_file_->Wave()->GetPWaveFormat() : nullptr;
  return f && f->wFormatTag == plat::WAVE_FORMAT_PCM;
}

bool TMMWaveOpenDialog::CanPlay() const {
  if (!has_output_ || !preview_file_ || preview_file_->Wave()->IsEmpty()) return false;
  const plat::WAVEFORMATEX* f = converter_->GetFormat();
  return f && player_->QueryFormat(device_id_, f);
}

void TMMWaveOpenDialog::UpdatePanel() {
  if (!preview_file_) return;
  if (picture_panel_) plat::InvalidateRect(picture_panel_, nullptr, plat::TRUE);
  plat::HWND preview_box = Item(kPreviewBoxId);
  plat::EnableWindow(preview_box, plat::FALSE);
  TMMWave* wave = preview_file_->Wave();
  if (!wave->FileName().empty()) {
    std::string tag, text;
    GetWaveFormatText(wave->GetPWaveFormat(), tag, text);
    const std::string line = tag + "; " + text + "; " + std::to_string(wave->FileSize() / 1024) + " KB";
    plat::SetWindowTextA(Item(kFormatTextId), line.c_str());
    const plat::WAVEFORMATEX* f = wave->GetPWaveFormat();
    if (IsPCMWave() && !wave->IsEmpty() && f->nChannels <= 2) {
      plat::EnableWindow(preview_box, plat::TRUE);
      if (preview_)
        BuildView();
      else if (wave_panel_)
        plat::InvalidateRect(wave_panel_, nullptr, plat::TRUE);
    } else if (wave_panel_) {
      plat::InvalidateRect(wave_panel_, nullptr, plat::TRUE);
    }
    if (CanPlay() && !Playing()) {
      player_->SetBufferSize(PreviewBufferSize(converter_->GetFormat()));
      plat::EnableWindow(Item(kPlayButtonId), plat::TRUE);
      if (auto_play_) StartPlayer();
    } else {
      plat::EnableWindow(Item(kPlayButtonId), plat::FALSE);
    }
  } else {
    plat::SetWindowTextA(Item(kFormatTextId), DialogMessage(kMsgUnknown).c_str());
    plat::EnableWindow(Item(kPlayButtonId), plat::FALSE);
    if (wave_panel_) plat::InvalidateRect(wave_panel_, nullptr, plat::TRUE);
  }
}

plat::RECT TMMWaveOpenDialog::ViewRect() const {
  plat::RECT r{0, 0, 0, 0};
  if (wave_panel_) plat::GetClientRect(wave_panel_, &r);
  plat::InflateRect(&r, -2, -2);
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

// Full scale spans the area from its top row to its bottom row.
int TMMWaveOpenDialog::ViewY(int value) const {
  const plat::RECT r = ViewRect();
  const int h = std::max<int>(r.bottom - r.top, 1);
  return r.bottom - 1 - engine::MulDiv32(std::clamp(value, -32767, 32767) + 32767, h - 1, 65534);
}

void TMMWaveOpenDialog::DrawColumn(plat::HDC dc, int column) {
  const plat::RECT r = ViewRect();
  const size_t at = static_cast<size_t>(column) * 4;
  if (at + 3 >= view_.size()) return;
  const int16_t* v = &view_[at];
  const int low = std::min({v[0], v[1], v[2], v[3]}), high = std::max({v[0], v[1], v[2], v[3]});
  const int x = r.left + column;
  // Joined to the previous column, then down this one's span.
  if (column > 0) {
    const int16_t* p = &view_[at - 4];
    const int prev_high = std::max({p[0], p[1], p[2], p[3]});
    plat::MoveToEx(dc, x - 1, ViewY(prev_high), nullptr);
    plat::LineTo(dc, x, ViewY(high));
  } else {
    plat::MoveToEx(dc, x, ViewY(high), nullptr);
  }
  plat::LineTo(dc, x, ViewY(low) + 1);
}

void TMMWaveOpenDialog::BuildView() {
  std::fill(view_.begin(), view_.end(), 0);
  TMMWave* wave = preview_file_->Wave();
  if (wave->IsEmpty() || !preview_ || !wave_panel_) return;
  const plat::RECT r = ViewRect();
  const int columns = static_cast<int>(view_.size() / 4);
  if (columns == 0) return;
  const int64_t data_size = wave->DataSize();
  const int32_t chunk =
      static_cast<int32_t>(std::clamp<int64_t>(data_size / columns / 4 * 4, 4, INT32_MAX / 4 * 4));
  std::vector<uint8_t> buffer(static_cast<size_t>(chunk));
  plat::HCURSOR old_cursor = plat::SetCursor(plat::LoadCursorA(nullptr, plat::IDC_WAIT));
  plat::InvalidateRect(wave_panel_, nullptr, plat::TRUE);
  plat::UpdateWindow(wave_panel_);
  wave->OpenFile();
  wave->SetPosition(0);
  const plat::WAVEFORMATEX* f = wave->GetPWaveFormat();
  plat::HDC dc = plat::GetDC(wave_panel_);
  plat::HPEN pen = plat::CreatePen(plat::PS_SOLID, 1, vcl::ColorToRGB(fore_color_));
  plat::HGDIOBJ old_pen = plat::SelectObject(dc, pen);
  try {
    for (int column = 0; column < columns; ++column) {
      const int32_t got = wave->ReadData(buffer.data(), chunk);
      if (got <= 0) break;
      int16_t l1, l2, r1, r2;
      engine::FindMinMaxOrdered(f, buffer.data(), got, l1, l2, r1, r2);
      int16_t* v = &view_[static_cast<size_t>(column) * 4];
      v[0] = l1, v[1] = l2, v[2] = r1, v[3] = r2;
      if (f->wBitsPerSample == 8)
        for (int k = 0; k < 4; ++k) v[k] = static_cast<int16_t>(((v[k] & 0xFF) << 8) ^ 0x8000);
      DrawColumn(dc, column);
      if (wave->FileSize() > kProgressFileSize && column + 1 < columns) {
        // The column that comes next shows how far the reading has got.
        plat::MoveToEx(dc, r.left + column + 1, r.top, nullptr);
        plat::LineTo(dc, r.left + column + 1, r.bottom);
      }
      plat::GdiFlush();
    }
  } catch (...) {
    plat::SelectObject(dc, old_pen);
    plat::DeleteObject(pen);
    plat::ReleaseDC(wave_panel_, dc);
    wave->CloseFile();
    plat::SetCursor(old_cursor);
    throw;
  }
  plat::SelectObject(dc, old_pen);
  plat::DeleteObject(pen);
  plat::ReleaseDC(wave_panel_, dc);
  wave->CloseFile();
  plat::SetCursor(old_cursor);
  plat::InvalidateRect(wave_panel_, nullptr, plat::FALSE);
}

void TMMWaveOpenDialog::PaintWave(plat::HDC dc) {
  plat::RECT client;
  plat::GetClientRect(wave_panel_, &client);
  plat::HBRUSH back = plat::CreateSolidBrush(vcl::ColorToRGB(color_));
  plat::FillRect(dc, &client, back);
  plat::DeleteObject(back);
  plat::RECT frame = client;
  plat::DrawEdge(dc, &frame, plat::EDGE_SUNKEN, plat::BF_RECT);
  TMMWave* wave = preview_file_ ? preview_file_->Wave() : nullptr;
  const bool blank = !wave || wave->FileName().empty() || !preview_ || !IsPCMWave() || wave->IsEmpty();
  if (blank) {
    plat::HPEN grey = plat::CreatePen(plat::PS_SOLID, 1, plat::RGB(128, 128, 128));
    plat::HGDIOBJ old = plat::SelectObject(dc, grey);
    const int middle = (client.top + client.bottom) / 2;
    plat::MoveToEx(dc, client.left + 5, middle, nullptr);
    plat::LineTo(dc, client.right - 5, middle);
    plat::SelectObject(dc, old);
    plat::DeleteObject(grey);
  } else if (!view_pending_) {
    plat::HPEN pen = plat::CreatePen(plat::PS_SOLID, 1, vcl::ColorToRGB(fore_color_));
    plat::HGDIOBJ old = plat::SelectObject(dc, pen);
    for (int column = 0; column < static_cast<int>(view_.size() / 4); ++column) DrawColumn(dc, column);
    plat::SelectObject(dc, old);
    plat::DeleteObject(pen);
  }
  locator_ = -1;
}

void TMMWaveOpenDialog::PaintPicture(plat::HDC dc) {
  plat::RECT client;
  plat::GetClientRect(picture_panel_, &client);
  // The panel takes the colour the dialog shows at its top left.
  plat::HDC dialog_dc = plat::GetDC(DialogWindow());
  const plat::COLORREF face = plat::GetPixel(dialog_dc, 0, 0);
  plat::ReleaseDC(DialogWindow(), dialog_dc);
  plat::HBRUSH brush =
      plat::CreateSolidBrush(face == plat::CLR_INVALID ? plat::GetSysColor(plat::COLOR_BTNFACE) : face);
  plat::FillRect(dc, &client, brush);
  plat::DeleteObject(brush);
  if (!preview_file_ || preview_file_->Wave()->FileName().empty()) return;
  plat::RECT inner = client;
  plat::InflateRect(&inner, -2, -2);
  if (!picture_.empty() && engine::StretchDrawDIB(picture_.data(), picture_.size(), dc, inner)) return;
  vcl::TBitmap bitmap;
  try {
    bitmap.LoadFromResourceName(nullptr, "BMP_WAVE");
  } catch (const vcl::Exception&) {
    return;
  }
  plat::HBITMAP handle = bitmap.Handle();
  if (handle)
    engine::DrawTransparentBitmap(dc, handle, inner.left, inner.top, engine::GetTransparentColor(handle));
}

void TMMWaveOpenDialog::DrawLocatorLine(int64_t position) {
  const int64_t size = preview_file_->Wave()->DataSize();
  if (size <= 0 || !wave_panel_) return;
  const plat::RECT r = ViewRect();
  const int w = r.right - r.left;
  const int x = r.left + static_cast<int>(std::clamp<int64_t>(position * w / size, 0, w));
  plat::HDC dc = plat::GetDC(wave_panel_);
  plat::HPEN pen = plat::CreatePen(plat::PS_SOLID, 1, vcl::ColorToRGB(locator_color_));
  plat::HGDIOBJ old = plat::SelectObject(dc, pen);
  const int rop = plat::SetROP2(dc, plat::R2_XORPEN);
  plat::MoveToEx(dc, x, r.top, nullptr);
  plat::LineTo(dc, x, r.bottom);
  plat::SetROP2(dc, rop);
  plat::SelectObject(dc, old);
  plat::DeleteObject(pen);
  plat::ReleaseDC(wave_panel_, dc);
}

void TMMWaveOpenDialog::MoveLocator(int64_t position) {
  if (!preview_ || !IsPCMWave() || position == locator_) return;
  if (locator_ >= 0) DrawLocatorLine(locator_);
  locator_ = position;
  if (locator_ >= 0) DrawLocatorLine(locator_);
}

void TMMWaveOpenDialog::TimerTick(vcl::TObject*) {
  if (Playing()) MoveLocator(player_->GetPosition());
}

void TMMWaveOpenDialog::PlayerStarted(vcl::TObject*) {
  locator_ = -1;
  if (timer_) timer_->SetEnabled(true);
  plat::SetWindowTextA(Item(kPlayButtonId), "Stop");
}

void TMMWaveOpenDialog::PlayerStopped(vcl::TObject*) {
  if (timer_) timer_->SetEnabled(false);
  MoveLocator(-1);
  plat::SetWindowTextA(Item(kPlayButtonId), "Play");
}

void TMMWaveOpenDialog::StartPlayer() {
  if (!player_ || Playing() || !CanPlay()) return;
  player_->SetBufferSize(PreviewBufferSize(converter_->GetFormat()));
  player_->Start();
}

void TMMWaveOpenDialog::ClosePlayer() {
  if (player_) player_->Close();
}

void TMMWaveOpenDialog::DoCommand(plat::HWND wnd, int notify_code, int control_id) {
  switch (control_id) {
    case kPlayButtonId:
      if (has_output_) {
        if (Playing())
          ClosePlayer();
        else
          StartPlayer();
      }
      break;
    case kPreviewBoxId:
      preview_ = plat::IsDlgButtonChecked(DialogWindow(), kPreviewBoxId) == plat::BST_CHECKED;
      if (preview_) ClosePlayer();
      UpdatePanel();
      break;
    case kAutoPlayBoxId:
      auto_play_ = plat::IsDlgButtonChecked(DialogWindow(), kAutoPlayBoxId) == plat::BST_CHECKED;
      if (auto_play_)
        StartPlayer();
      else
        ClosePlayer();
      break;
    default:
      break;
  }
  inherited::DoCommand(wnd, notify_code, control_id);
}

void TMMWaveOpenDialog::DoFileOK(const std::string& file_name, bool& accept) {
  if (ChecksWaveFile()) {
    accept = engine::IsWaveFile(file_name.c_str(), 1);
    if (!accept) {
      plat::MessageBoxA(DialogWindow() ? plat::GetParent(DialogWindow()) : nullptr,
                        DialogMessage(kMsgInvalidWaveFile).c_str(), "Error",
                        plat::MB_OK | plat::MB_ICONERROR);
      return;
    }
  }
  inherited::DoFileOK(file_name, accept);
}

plat::LRESULT TMMWaveOpenDialog::PanelProc(plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam,
                                           plat::LPARAM lparam, plat::UINT_PTR id, plat::DWORD_PTR ref_data) {
  auto* self = reinterpret_cast<TMMWaveOpenDialog*>(ref_data);
  try {
    if (message == plat::WM_PAINT) {
      plat::PAINTSTRUCT ps;
      plat::HDC dc = plat::BeginPaint(hwnd, &ps);
      if (id == kWavePanelId)
        self->PaintWave(dc);
      else
        self->PaintPicture(dc);
      plat::EndPaint(hwnd, &ps);
      return 0;
    }
    if (message == plat::WM_ERASEBKGND) return 1;
    if (message == plat::WM_TIMER && id == kWavePanelId && wparam == kViewTimerId) {
      plat::KillTimer(hwnd, kViewTimerId);
      self->view_pending_ = false;
      self->UpdatePanel();
      return 0;
    }
  } catch (const vcl::Exception&) {
    vcl::ReportException(self);
    return 0;
  }
  return plat::DefSubclassProc(hwnd, message, wparam, lparam);
}

// ---- TMMWaveSaveDialog --------------------------------------------------------

VCL_IMPLEMENT_CLASS(TMMWaveSaveDialog)

TMMWaveSaveDialog::TMMWaveSaveDialog(vcl::TComponent* owner) : TMMWaveOpenDialog(owner) {
  SetTitle(DialogMessage(kMsgSaveTitle));
}

}  // namespace files
