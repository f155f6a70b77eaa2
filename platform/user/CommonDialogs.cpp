#include "platform/user/CommonDialogs.h"

#include <fnmatch.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "platform/gdi/Colors.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/user/ComboBox.h"
#include "platform/user/Controls.h"
#include "platform/user/Edit.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/ListBox.h"
#include "platform/user/Menu.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "platform/user/Printing.h"
#include "platform/user/Screen.h"

namespace plat {

namespace fs = std::filesystem;

namespace {

thread_local DWORD t_extended_error = 0;

// The caller's hook gets a child dialog of its own below the dialog's fields,
// where it places its controls (a preview, say).
HWND CreateHookArea(HWND dialog, LPOFNHOOKPROC hook, int y, int width, int height) {
  return user::CreateChildDialog(dialog, hook, WS_EX_CONTROLPARENT, WS_VISIBLE | WS_CLIPSIBLINGS, 0, y, width,
                                 height);
}

// A common dialog comes up centred on the window it belongs to, or on the
// work area when that window is not on the screen, and wholly on the work area.
void CentreOnOwner(HWND dialog, HWND owner) {
  const RECT area = user::WorkArea();
  RECT around = area;
  if (owner && IsWindow(owner)) owner = GetAncestor(owner, GA_ROOT);
  if (owner && IsWindow(owner) && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &around);
  RECT r;
  if (!GetWindowRect(dialog, &r)) return;
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  const int x = around.left + (around.right - around.left - width) / 2;
  const int y = around.top + (around.bottom - around.top - height) / 2;
  SetWindowPos(dialog, nullptr, std::clamp(x, area.left, std::max(area.left, area.right - width)),
               std::clamp(y, area.top, std::max(area.top, area.bottom - height)), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

void DrawLabel(HDC dc, const std::string& text, RECT r,
               UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX, int color = COLOR_WINDOWTEXT) {
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(color));
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  DrawTextA(dc, text.c_str(), -1, &r, format);
}

// ---- open and save ------------------------------------------------------------

constexpr int kWidth = 460;
constexpr int kMargin = 8;
constexpr int kLabelWidth = 82;
constexpr int kFieldHeight = 21;
constexpr int kFolderTop = 8;
constexpr int kListTop = 36;
constexpr int kListHeight = 200;
constexpr int kNameTop = kListTop + kListHeight + 8;
constexpr int kTypeTop = kNameTop + 28;
constexpr int kButtonWidth = 76;
constexpr int kContentHeight = kTypeTop + kFieldHeight + 10;

std::string WindowText(HWND hwnd) {
  const int length = GetWindowTextLengthA(hwnd);
  std::string text(static_cast<size_t>(std::max(length, 0)) + 1, '\0');
  GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()));
  text.resize(std::strlen(text.c_str()));
  return text;
}

// An absolute folder without a trailing separator, so its parent is one step up.
std::string CleanFolder(const fs::path& folder) {
  fs::path clean = folder.lexically_normal();
  if (clean.filename().empty() && clean.has_relative_path()) clean = clean.parent_path();
  return clean.string();
}

// One row of the folder list: the parent folder (".."), a folder or a file.
struct FileEntry {
  fs::path path;
  bool folder = false;
  bool parent = false;
};

class FileDialog : public user::ModalDialog {
 public:
  FileDialog(OPENFILENAMEA* ofn, bool save) : ofn_(ofn), save_(save) {
    filters_ = user::ParseFilter(ofn->lpstrFilter, false);
    filter_ =
        filters_.empty()
            ? 0
            : std::clamp<int>(static_cast<int>(ofn->nFilterIndex), 1, static_cast<int>(filters_.size())) - 1;
    std::string initial = ofn->lpstrFile ? ofn->lpstrFile : "";
    if (ofn->lpstrInitialDir && *ofn->lpstrInitialDir) folder_ = ofn->lpstrInitialDir;
    if (!initial.empty()) {
      fs::path p(initial);
      if (p.has_parent_path() && p.is_absolute()) {
        folder_ = p.parent_path().string();
        initial = p.filename().string();
      }
    }
    std::error_code ec;
    folder_ = CleanFolder(folder_.empty() ? fs::current_path(ec) : fs::absolute(folder_, ec));
    initial_name_ = initial;
  }

  int Execute() {
    const std::string title = Title();
    const bool hook = (ofn_->Flags & OFN_ENABLEHOOK) && ofn_->lpfnHook;
    RECT window{0, 0, kWidth, kContentHeight + (hook ? kFileDialogChildHeight : 0)};
    // Clipped to its controls: the dialog's own painting never covers a field
    // that painted before it (the focused name field does, when it takes the focus).
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    AdjustWindowRectEx(&window, style, FALSE, WS_EX_DLGMODALFRAME);
    if (RegisterStandardControls())
      hwnd_ = CreateDialogWindow(ofn_->hwndOwner, title.c_str(), style, WS_EX_DLGMODALFRAME,
                                 window.right - window.left, window.bottom - window.top);
    if (!hwnd_ || !CreateControls()) {
      if (hwnd_) DestroyWindow(hwnd_);
      t_extended_error = CDERR_INITIALIZATION;
      return FALSE;
    }
    CentreOnOwner(hwnd_, ofn_->hwndOwner);
    SetName(initial_name_);
    ShowFolder();
    if (hook) {
      hook_area_ = CreateHookArea(hwnd_, ofn_->lpfnHook, kContentHeight, kWidth, kFileDialogChildHeight);
      SendMessageA(hook_area_, WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(ofn_));
      Notify(CDN_INITDONE);
      Notify(CDN_FOLDERCHANGE);
    }
    DialogRequest request;
    request.kind = save_ ? DialogKind::Save : DialogKind::Open;
    request.title = title;
    request.text = folder_;
    request.flags = ofn_->Flags;
    for (auto& f : filters_) request.choices.push_back(f.first);
    return Run(hwnd_, ofn_->hwndOwner, request);
  }

  bool Message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override {
    *result = 0;
    switch (message) {
      case WM_ERASEBKGND:
        *result = 1;
        return true;
      case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        Paint(dc);
        EndPaint(hwnd, &ps);
        return true;
      }
      case WM_SETFOCUS:
        // The dialog itself takes no keys: its last focused control does.
        if (focus_ && IsWindow(focus_)) SetFocus(focus_);
        return true;
      case WM_COMMAND:
        Command(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
        return true;
      case CDM_GETFILEPATH:
      case CDM_GETFOLDERPATH:
      case CDM_GETSPEC: {
        const std::string text = message == CDM_GETFOLDERPATH ? folder_
                                 : message == CDM_GETSPEC     ? Name()
                                                              : Resolve(Name()).string();
        auto* out = reinterpret_cast<char*>(lparam);
        const size_t size = static_cast<size_t>(wparam);
        if (out && size) {
          const size_t n = std::min(text.size(), size - 1);
          std::memcpy(out, text.data(), n);
          out[n] = 0;
        }
        *result = static_cast<LRESULT>(text.size() + 1);
        return true;
      }
      default:
        return false;
    }
  }

  void Apply(const DialogAnswer& answer) override {
    if (answer.filter_index > 0 && answer.filter_index <= static_cast<int>(filters_.size()))
      ChooseFilter(answer.filter_index - 1);
    if (!answer.file_name.empty()) SetName(answer.file_name);
    Ok();
  }

  void Cancel() override { End(FALSE); }

  // Enter acts on the control that has the focus; Tab walks the controls.
  bool Key(const MSG& msg) override {
    const HWND focus = GetFocus();
    const bool dropped = SendMessageA(type_, CB_GETDROPPEDSTATE, 0, 0) != 0;
    if (msg.message == WM_CHAR)
      return !dropped && (msg.wParam == '\r' || msg.wParam == '\t' || msg.wParam == 0x1B);
    if (msg.message != WM_KEYDOWN || dropped) return false;
    switch (msg.wParam) {
      case VK_RETURN:
        if (focus == folder_edit_)
          EnterTypedFolder();
        else if (focus == list_)
          OpenEntry(static_cast<int>(SendMessageA(list_, LB_GETCURSEL, 0, 0)));
        else if (focus == cancel_)
          Cancel();
        else
          Ok();
        return true;
      case VK_ESCAPE:
        Cancel();
        return true;
      case VK_TAB:
        NextControl((GetKeyState(VK_SHIFT) & 0x8000) ? -1 : 1);
        return true;
      case VK_UP:
      case VK_DOWN:
        // From the name field the arrows walk the list, as they always have.
        if (focus != name_edit_) return false;
        SendMessageA(list_, WM_KEYDOWN, msg.wParam, msg.lParam);
        return true;
      default:
        return false;
    }
  }

 private:
  bool CreateControls() {
    auto make = [&](const char* cls, DWORD style, DWORD ex_style, int id, int x, int y, int w, int h) {
      return CreateWindowExA(ex_style, cls, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, x, y, w, h, hwnd_,
                             reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
    };
    const int field_left = kMargin + kLabelWidth;
    const int field_width = kWidth - kMargin - kButtonWidth - 8 - field_left;
    const int button_left = kWidth - kMargin - kButtonWidth;
    folder_edit_ = make(WC_EDITA, ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, kFileDialogFolderId, field_left,
                        kFolderTop, kWidth - kMargin - field_left, kFieldHeight);
    list_ = make(WC_LISTBOXA, LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL, WS_EX_CLIENTEDGE,
                 kFileDialogListId, kMargin, kListTop, kWidth - 2 * kMargin, kListHeight);
    name_edit_ = make(WC_EDITA, ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, kFileDialogNameId, field_left, kNameTop,
                      field_width, kFieldHeight);
    type_ = make(WC_COMBOBOXA, CBS_DROPDOWNLIST | WS_VSCROLL, 0, kFileDialogTypeId, field_left, kTypeTop,
                 field_width, kFieldHeight + 120);
    ok_ = user::CreateDialogButton(hwnd_, IDOK, save_ ? "&Save" : "&Open", button_left, kNameTop - 1,
                                   kButtonWidth, 23, true);
    cancel_ = user::CreateDialogButton(hwnd_, IDCANCEL, "Cancel", button_left, kTypeTop - 1, kButtonWidth, 23,
                                       false);
    if (!folder_edit_ || !list_ || !name_edit_ || !type_ || !ok_ || !cancel_) return false;
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    for (HWND control : {folder_edit_, list_, name_edit_, type_})
      SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    for (const auto& f : filters_)
      SendMessageA(type_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f.first.c_str()));
    if (!filters_.empty()) SendMessageA(type_, CB_SETCURSEL, static_cast<WPARAM>(filter_), 0);
    focus_ = name_edit_;
    return true;
  }

  void Command(int id, WORD code, HWND from) {
    if (from == ok_ || (!from && id == IDOK)) Ok();
    if (from == cancel_ || (!from && id == IDCANCEL)) Cancel();
    if (from == list_ && code == LBN_SELCHANGE)
      SelectEntry(static_cast<int>(SendMessageA(list_, LB_GETCURSEL, 0, 0)));
    if (from == list_ && code == LBN_DBLCLK)
      OpenEntry(static_cast<int>(SendMessageA(list_, LB_GETCURSEL, 0, 0)));
    if (from == type_ && code == CBN_SELCHANGE)
      ChooseFilter(static_cast<int>(SendMessageA(type_, CB_GETCURSEL, 0, 0)));
    if (from && code == EN_SETFOCUS) focus_ = from;
    if (from == list_ && code == LBN_SETFOCUS) focus_ = from;
    if (from == type_ && code == CBN_SETFOCUS) focus_ = from;
  }

  // Tab order: folder, list, name, type, OK, Cancel.
  void NextControl(int step) {
    const HWND order[] = {folder_edit_, list_, name_edit_, type_, ok_, cancel_};
    constexpr int count = static_cast<int>(std::size(order));
    const HWND focus = GetFocus();
    int at = 2;
    for (int i = 0; i < count; ++i)
      if (order[i] == focus || IsChild(order[i], focus)) at = i;
    focus_ = order[(at + step + count) % count];
    SetFocus(focus_);
    // A field reached with Tab is selected whole, so typing replaces it.
    if (focus_ == folder_edit_ || focus_ == name_edit_) SendMessageA(focus_, EM_SETSEL, 0, -1);
  }

  std::string Name() const { return name_edit_ ? WindowText(name_edit_) : initial_name_; }

  fs::path Resolve(const std::string& name) const {
    fs::path p(name);
    return p.is_absolute() ? p : fs::path(folder_) / p;
  }

  void SetName(const std::string& name) {
    SetWindowTextA(name_edit_, name.c_str());
    SendMessageA(name_edit_, EM_SETSEL, 0, -1);
  }

  void SelectEntry(int row) {
    if (row < 0 || row >= static_cast<int>(entries_.size())) return;
    if (!entries_[row].folder) SetName(entries_[row].path.filename().string());
    Notify(CDN_SELCHANGE);
  }

  // A double click or Enter on a row: folders open, a file is chosen.
  void OpenEntry(int row) {
    if (row < 0 || row >= static_cast<int>(entries_.size())) {
      Ok();
      return;
    }
    if (entries_[row].folder) {
      ChangeFolder(entries_[row].path);
      return;
    }
    SetName(entries_[row].path.filename().string());
    Ok();
  }

  void ChooseFilter(int index) {
    if (index < 0 || index >= static_cast<int>(filters_.size()) || index == filter_) return;
    filter_ = index;
    if (SendMessageA(type_, CB_GETCURSEL, 0, 0) != index)
      SendMessageA(type_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    Refresh();
    Notify(CDN_TYPECHANGE);
  }

  // The folder typed into the path field, relative to the one shown.
  void EnterTypedFolder() {
    const std::string typed = WindowText(folder_edit_);
    std::error_code ec;
    const fs::path path = Resolve(typed);
    if (!typed.empty() && fs::is_directory(path, ec)) {
      ChangeFolder(path);
      return;
    }
    MessageBoxA(hwnd_, (typed + "\nPath does not exist.\nCheck the path and try again.").c_str(),
                Title().c_str(), MB_OK | MB_ICONWARNING);
    ShowFolder();
  }

  // The path field and the list show folder_.
  void ShowFolder() {
    SetWindowTextA(folder_edit_, folder_.c_str());
    Refresh();
  }

  void Refresh() {
    entries_.clear();
    std::error_code ec;
    const std::string patterns = filters_.empty() ? "*" : filters_[filter_].second;
    const fs::path folder(folder_);
    if (folder.has_parent_path() && folder.parent_path() != folder)
      entries_.push_back(FileEntry{folder.parent_path(), true, true});
    std::vector<FileEntry> folders, files;
    for (auto it = fs::directory_iterator(folder_, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
      const std::string name = it->path().filename().string();
      if (!(ofn_->Flags & OFN_FORCESHOWHIDDEN) && !name.empty() && name[0] == '.') continue;
      std::error_code kind_error;
      if (it->is_directory(kind_error))
        folders.push_back(FileEntry{it->path(), true, false});
      else if (user::MatchesPatterns(name, patterns))
        files.push_back(FileEntry{it->path(), false, false});
    }
    auto by_path = [](const FileEntry& a, const FileEntry& b) { return a.path < b.path; };
    std::sort(folders.begin(), folders.end(), by_path);
    std::sort(files.begin(), files.end(), by_path);
    entries_.insert(entries_.end(), folders.begin(), folders.end());
    entries_.insert(entries_.end(), files.begin(), files.end());
    SendMessageA(list_, LB_RESETCONTENT, 0, 0);
    for (const FileEntry& e : entries_) {
      const std::string text = e.parent   ? std::string("..")
                               : e.folder ? "[" + e.path.filename().string() + "]"
                                          : e.path.filename().string();
      SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
  }

  void Paint(HDC dc) {
    RECT client;
    GetClientRect(hwnd_, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    DrawLabel(dc, "Look &in:", RECT{kMargin, kFolderTop, kMargin + kLabelWidth, kFolderTop + kFieldHeight},
              DT_SINGLELINE | DT_VCENTER);
    DrawLabel(dc, "File &name:", RECT{kMargin, kNameTop, kMargin + kLabelWidth, kNameTop + kFieldHeight},
              DT_SINGLELINE | DT_VCENTER);
    DrawLabel(dc, "Files of &type:", RECT{kMargin, kTypeTop, kMargin + kLabelWidth, kTypeTop + kFieldHeight},
              DT_SINGLELINE | DT_VCENTER);
  }

  // WM_NOTIFY to the hook; its DWLP_MSGRESULT is the answer.
  LONG_PTR Notify(UINT code) {
    if (!hook_area_) return 0;
    OFNOTIFYA notify;
    notify.hdr.hwndFrom = hwnd_;
    notify.hdr.code = code;
    notify.lpOFN = ofn_;
    SetWindowLongPtrA(hook_area_, DWLP_MSGRESULT, 0);
    SendMessageA(hook_area_, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
    return GetWindowLongPtrA(hook_area_, DWLP_MSGRESULT);
  }

  bool Ask(const std::string& text, UINT type, int yes) {
    return MessageBoxA(hwnd_, text.c_str(), Title().c_str(), type) == yes;
  }
  std::string Title() const { return ofn_->lpstrTitle ? ofn_->lpstrTitle : (save_ ? "Save As" : "Open"); }

  void Ok() {
    const std::string name = Name();
    if (name.empty()) {
      const int row = static_cast<int>(SendMessageA(list_, LB_GETCURSEL, 0, 0));
      if (row >= 0 && row < static_cast<int>(entries_.size()) && entries_[row].folder)
        ChangeFolder(entries_[row].path);
      return;
    }
    fs::path path = Resolve(name);
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
      ChangeFolder(path);
      return;
    }
    // A name without an extension gets the default one.
    const std::string def = ofn_->lpstrDefExt ? ofn_->lpstrDefExt : "";
    bool extension_different = false;
    if (!def.empty()) {
      if (!path.has_extension())
        path += "." + def;
      else
        extension_different = Lower(path.extension().string()) != "." + Lower(def);
    }
    const std::string full = path.lexically_normal().string();
    if (!(ofn_->Flags & OFN_NOVALIDATE)) {
      if ((ofn_->Flags & (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST)) &&
          !fs::is_directory(path.parent_path(), ec)) {
        MessageBoxA(hwnd_, (full + "\nPath does not exist.\nCheck the path and try again.").c_str(),
                    Title().c_str(), MB_OK | MB_ICONWARNING);
        return;
      }
      if (!save_ && (ofn_->Flags & OFN_FILEMUSTEXIST) && !fs::exists(path, ec)) {
        MessageBoxA(hwnd_, (full + "\nFile not found.\nCheck the file name and try again.").c_str(),
                    Title().c_str(), MB_OK | MB_ICONWARNING);
        return;
      }
      if (save_ && (ofn_->Flags & OFN_OVERWRITEPROMPT) && fs::exists(path, ec) &&
          !Ask(full + " already exists.\nDo you want to replace it?", MB_YESNO | MB_ICONWARNING, IDYES))
        return;
    }
    // The buffer the hook sees is the one the caller gets.
    if (!Store(full, extension_different)) {
      End(FALSE);
      return;
    }
    if (Notify(CDN_FILEOK)) return;
    End(TRUE);
  }

  void ChangeFolder(const fs::path& folder) {
    std::error_code ec;
    const fs::path canonical = fs::weakly_canonical(folder, ec);
    folder_ = CleanFolder(ec ? folder : canonical);
    SetName("");
    ShowFolder();
    Notify(CDN_FOLDERCHANGE);
  }

  bool Store(const std::string& full, bool extension_different) {
    if (!ofn_->lpstrFile || ofn_->nMaxFile <= full.size()) {
      t_extended_error = FNERR_BUFFERTOOSMALL;
      // The first two bytes tell the size the buffer needs.
      if (ofn_->lpstrFile && ofn_->nMaxFile >= 2) {
        const WORD needed = static_cast<WORD>(std::min<size_t>(full.size() + 1, 0xFFFF));
        std::memcpy(ofn_->lpstrFile, &needed, sizeof needed);
      }
      return false;
    }
    std::memcpy(ofn_->lpstrFile, full.c_str(), full.size() + 1);
    const size_t slash = full.find_last_of('/');
    ofn_->nFileOffset = static_cast<WORD>(slash == std::string::npos ? 0 : slash + 1);
    const size_t dot = full.find_last_of('.');
    ofn_->nFileExtension =
        static_cast<WORD>(dot == std::string::npos || dot < ofn_->nFileOffset ? full.size() : dot + 1);
    if (ofn_->lpstrFileTitle && ofn_->nMaxFileTitle > 0) {
      const std::string title = full.substr(ofn_->nFileOffset);
      const size_t n = std::min<size_t>(title.size(), ofn_->nMaxFileTitle - 1);
      std::memcpy(ofn_->lpstrFileTitle, title.data(), n);
      ofn_->lpstrFileTitle[n] = 0;
    }
    ofn_->nFilterIndex = static_cast<DWORD>(filter_ + 1);
    if (extension_different)
      ofn_->Flags |= OFN_EXTENSIONDIFFERENT;
    else
      ofn_->Flags &= ~OFN_EXTENSIONDIFFERENT;
    return true;
  }

  OPENFILENAMEA* ofn_;
  bool save_;
  HWND hwnd_ = nullptr;
  HWND hook_area_ = nullptr;
  HWND folder_edit_ = nullptr;
  HWND list_ = nullptr;
  HWND name_edit_ = nullptr;
  HWND type_ = nullptr;
  HWND ok_ = nullptr;
  HWND cancel_ = nullptr;
  HWND focus_ = nullptr;  // the control the dialog's focus goes to
  std::vector<std::pair<std::string, std::string>> filters_;
  int filter_ = 0;
  std::string folder_;
  std::string initial_name_;
  std::vector<FileEntry> entries_;
};

BOOL RunFileDialog(OPENFILENAMEA* ofn, bool save) {
  t_extended_error = 0;
  if (!ofn || ofn->lStructSize < sizeof(OPENFILENAMEA) - 12) {
    t_extended_error = CDERR_STRUCTSIZE;
    return FALSE;
  }
  FileDialog dialog(ofn, save);
  return dialog.Execute();
}

// ---- colour --------------------------------------------------------------------

constexpr COLORREF kBasicColors[48] = {
    RGB(255, 128, 128), RGB(255, 255, 128), RGB(128, 255, 128), RGB(0, 255, 128),   RGB(128, 255, 255),
    RGB(0, 128, 255),   RGB(255, 128, 192), RGB(255, 128, 255), RGB(255, 0, 0),     RGB(255, 255, 0),
    RGB(128, 255, 0),   RGB(0, 255, 64),    RGB(0, 255, 255),   RGB(0, 128, 192),   RGB(128, 128, 192),
    RGB(255, 0, 255),   RGB(128, 64, 64),   RGB(255, 128, 64),  RGB(0, 255, 0),     RGB(0, 128, 128),
    RGB(0, 64, 128),    RGB(128, 128, 255), RGB(128, 0, 64),    RGB(255, 0, 128),   RGB(128, 0, 0),
    RGB(255, 128, 0),   RGB(0, 128, 0),     RGB(0, 128, 64),    RGB(0, 0, 255),     RGB(0, 0, 160),
    RGB(128, 0, 128),   RGB(128, 0, 255),   RGB(64, 0, 0),      RGB(128, 64, 0),    RGB(0, 64, 0),
    RGB(0, 64, 64),     RGB(0, 0, 128),     RGB(0, 0, 64),      RGB(64, 0, 64),     RGB(64, 0, 128),
    RGB(0, 0, 0),       RGB(128, 128, 0),   RGB(128, 128, 64),  RGB(128, 128, 128), RGB(64, 128, 128),
    RGB(192, 192, 192), RGB(64, 0, 64),     RGB(255, 255, 255)};

class ColorDialog : public user::ModalDialog {
 public:
  explicit ColorDialog(CHOOSECOLORA* cc) : cc_(cc) {
    color_ = (cc->Flags & CC_RGBINIT) ? cc->rgbResult : RGB(0, 0, 0);
    for (int i = 0; i < 48; ++i)
      if (kBasicColors[i] == color_) selected_ = i;
  }
  int Execute() {
    hwnd_ = CreateDialogWindow(cc_->hwndOwner, "Color", WS_POPUP | WS_CAPTION | WS_SYSMENU,
                               WS_EX_DLGMODALFRAME, 240, 300);
    if (!hwnd_) return FALSE;
    user::CreateDialogButton(hwnd_, IDOK, "OK", 20, 240, 76, 23, true);
    user::CreateDialogButton(hwnd_, IDCANCEL, "Cancel", 110, 240, 76, 23, false);
    CentreOnOwner(hwnd_, cc_->hwndOwner);
    DialogRequest request;
    request.kind = DialogKind::Color;
    request.title = "Color";
    request.flags = cc_->Flags;
    return Run(hwnd_, cc_->hwndOwner, request);
  }
  bool Message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override {
    *result = 0;
    switch (message) {
      case WM_ERASEBKGND:
        *result = 1;
        return true;
      case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        Paint(dc);
        EndPaint(hwnd, &ps);
        return true;
      }
      case WM_LBUTTONDOWN: {
        const int col = (GET_X_LPARAM(lparam) - 8) / 26;
        const int row = (GET_Y_LPARAM(lparam) - 8) / 22;
        if (col >= 0 && col < 8 && row >= 0 && row < 6) Pick(row * 8 + col);
        return true;
      }
      case WM_COMMAND:
        if (LOWORD(wparam) == IDOK) Ok();
        if (LOWORD(wparam) == IDCANCEL) Cancel();
        return true;
      default:
        return false;
    }
  }
  void Apply(const DialogAnswer& answer) override {
    color_ = answer.color;
    if (cc_->lpCustColors)
      for (size_t i = 0; i < answer.custom_colors.size() && i < 16; ++i)
        cc_->lpCustColors[i] = answer.custom_colors[i];
    Ok();
  }
  void Cancel() override { End(FALSE); }
  bool Key(const MSG& msg) override {
    if (msg.message != WM_KEYDOWN) return msg.message == WM_CHAR;
    const int i = selected_ < 0 ? 0 : selected_;
    switch (msg.wParam) {
      case VK_RETURN:
        Ok();
        break;
      case VK_ESCAPE:
        Cancel();
        break;
      case VK_RIGHT:
        Pick((i + 1) % 48);
        break;
      case VK_LEFT:
        Pick((i + 47) % 48);
        break;
      case VK_DOWN:
        Pick((i + 8) % 48);
        break;
      case VK_UP:
        Pick((i + 40) % 48);
        break;
      default:
        break;
    }
    return true;
  }

 private:
  void Pick(int index) {
    selected_ = index;
    color_ = kBasicColors[index];
    InvalidateRect(hwnd_, nullptr, FALSE);
  }
  void Ok() {
    cc_->rgbResult = color_;
    End(TRUE);
  }
  void Paint(HDC dc) {
    RECT client;
    GetClientRect(hwnd_, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    auto swatch = [&](RECT r, COLORREF c, bool on) {
      if (on) FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      InflateRect(&r, -2, -2);
      HBRUSH brush = CreateSolidBrush(c);
      FillRect(dc, &r, brush);
      DeleteObject(brush);
    };
    for (int i = 0; i < 48; ++i)
      swatch(RECT{8 + (i % 8) * 26, 8 + (i / 8) * 22, 8 + (i % 8) * 26 + 24, 8 + (i / 8) * 22 + 20},
             kBasicColors[i], i == selected_);
    for (int i = 0; cc_->lpCustColors && i < 16; ++i)
      swatch(RECT{8 + (i % 8) * 26, 150 + (i / 8) * 22, 8 + (i % 8) * 26 + 24, 150 + (i / 8) * 22 + 20},
             cc_->lpCustColors[i], false);
    swatch(RECT{8, 200, 210, 230}, color_, true);
  }

  CHOOSECOLORA* cc_;
  HWND hwnd_ = nullptr;
  COLORREF color_ = 0;
  int selected_ = -1;
};

// ---- print ---------------------------------------------------------------------

HGLOBAL MakeDevNames(const std::string& printer, bool is_default) {
  const std::string driver = "winspool";
  const std::string output = printer == user::kPdfPrinterName ? "FILE:" : printer;
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT,
                            sizeof(DEVNAMES) + driver.size() + printer.size() + output.size() + 3);
  char* base = static_cast<char*>(GlobalLock(mem));
  auto* names = reinterpret_cast<DEVNAMES*>(base);
  size_t at = sizeof(DEVNAMES);
  auto put = [&](const std::string& s) {
    std::memcpy(base + at, s.c_str(), s.size() + 1);
    const WORD offset = static_cast<WORD>(at);
    at += s.size() + 1;
    return offset;
  };
  names->wDriverOffset = put(driver);
  names->wDeviceOffset = put(printer);
  names->wOutputOffset = put(output);
  names->wDefault = is_default ? DN_DEFAULTPRN : 0;
  GlobalUnlock(mem);
  return mem;
}

class PrintDialog : public user::ModalDialog {
 public:
  explicit PrintDialog(PRINTDLGA* pd) : pd_(pd), printers_(user::PrinterNames()) {
    if (pd->hDevMode)
      if (auto* mode = static_cast<DEVMODEA*>(GlobalLock(pd->hDevMode))) {
        for (size_t i = 0; i < printers_.size(); ++i)
          if (printers_[i] == mode->dmDeviceName) selected_ = static_cast<int>(i);
        GlobalUnlock(pd->hDevMode);
      }
    copies_ = std::max<int>(1, pd->nCopies);
  }
  int Execute() {
    if (!(pd_->Flags & PD_RETURNDEFAULT)) {
      HWND hwnd = CreateDialogWindow(pd_->hwndOwner, (pd_->Flags & PD_PRINTSETUP) ? "Print Setup" : "Print",
                                     WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, 340, 220);
      if (!hwnd) return FALSE;
      hwnd_ = hwnd;
      user::CreateDialogButton(hwnd, IDOK, "OK", 160, 160, 76, 23, true);
      user::CreateDialogButton(hwnd, IDCANCEL, "Cancel", 244, 160, 76, 23, false);
      CentreOnOwner(hwnd, pd_->hwndOwner);
      DialogRequest request;
      request.kind = DialogKind::Print;
      request.title = "Print";
      request.flags = pd_->Flags;
      request.choices = printers_;
      if (!Run(hwnd, pd_->hwndOwner, request)) return FALSE;
    }
    const std::string printer = printers_[selected_];
    if (pd_->hDevNames) GlobalFree(pd_->hDevNames);
    pd_->hDevNames = MakeDevNames(printer, selected_ == 0);
    if (!pd_->hDevMode) pd_->hDevMode = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DEVMODEA));
    if (auto* mode = static_cast<DEVMODEA*>(GlobalLock(pd_->hDevMode))) {
      const DEVMODEA fresh;
      if (mode->dmSize != sizeof(DEVMODEA)) *mode = fresh;
      std::memset(mode->dmDeviceName, 0, sizeof mode->dmDeviceName);
      std::strncpy(mode->dmDeviceName, printer.c_str(), sizeof mode->dmDeviceName - 1);
      mode->dmCopies = static_cast<short>(copies_);
      mode->dmFields |= DM_COPIES | DM_ORIENTATION | DM_PAPERSIZE;
      GlobalUnlock(pd_->hDevMode);
    }
    pd_->nCopies = static_cast<WORD>(copies_);
    if (pd_->Flags & (PD_RETURNDC | PD_RETURNIC)) {
      auto* mode = static_cast<DEVMODEA*>(GlobalLock(pd_->hDevMode));
      pd_->hDC = CreateDCA("winspool", printer.c_str(), nullptr, mode);
      GlobalUnlock(pd_->hDevMode);
    }
    return TRUE;
  }
  bool Message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override {
    *result = 0;
    switch (message) {
      case WM_ERASEBKGND:
        *result = 1;
        return true;
      case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT client;
        GetClientRect(hwnd, &client);
        FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
        DrawLabel(dc, "Printer:", RECT{8, 4, 330, 22});
        for (size_t i = 0; i < printers_.size() && i < 6; ++i) {
          RECT r{16, 24 + static_cast<LONG>(i) * 18, 320, 42 + static_cast<LONG>(i) * 18};
          const bool chosen = static_cast<int>(i) == selected_;
          if (chosen) FillRect(dc, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
          DrawLabel(dc, printers_[i], r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX,
                    chosen ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
        }
        DrawLabel(dc, "Copies: " + std::to_string(copies_), RECT{8, 136, 200, 154});
        EndPaint(hwnd, &ps);
        return true;
      }
      case WM_LBUTTONDOWN: {
        const int row = (GET_Y_LPARAM(lparam) - 24) / 18;
        if (row >= 0 && row < static_cast<int>(printers_.size())) selected_ = row;
        InvalidateRect(hwnd, nullptr, FALSE);
        return true;
      }
      case WM_COMMAND:
        End(LOWORD(wparam) == IDOK ? TRUE : FALSE);
        return true;
      default:
        return false;
    }
  }
  void Apply(const DialogAnswer& answer) override {
    if (!answer.printer.empty()) {
      auto it = std::find(printers_.begin(), printers_.end(), answer.printer);
      if (it == printers_.end()) return;  // not offered: the script is asked again
      selected_ = static_cast<int>(it - printers_.begin());
    }
    if (answer.copies > 0) copies_ = answer.copies;
    End(TRUE);
  }
  void Cancel() override { End(FALSE); }
  bool Key(const MSG& msg) override {
    if (msg.message != WM_KEYDOWN) return msg.message == WM_CHAR;
    if (msg.wParam == VK_RETURN) End(TRUE);
    if (msg.wParam == VK_ESCAPE) End(FALSE);
    if (msg.wParam == VK_DOWN || msg.wParam == VK_UP) {
      selected_ =
          std::clamp(selected_ + (msg.wParam == VK_DOWN ? 1 : -1), 0, static_cast<int>(printers_.size()) - 1);
      InvalidateRect(hwnd_, nullptr, FALSE);
    }
    return true;
  }

 private:
  PRINTDLGA* pd_;
  std::vector<std::string> printers_;
  HWND hwnd_ = nullptr;
  int selected_ = 0;
  int copies_ = 1;
};

}  // namespace

BOOL GetOpenFileNameA(OPENFILENAMEA* ofn) { return RunFileDialog(ofn, false); }
BOOL GetSaveFileNameA(OPENFILENAMEA* ofn) { return RunFileDialog(ofn, true); }
DWORD CommDlgExtendedError() { return t_extended_error; }

BOOL ChooseColorA(CHOOSECOLORA* cc) {
  if (!cc) return FALSE;
  ColorDialog dialog(cc);
  return dialog.Execute();
}

BOOL PrintDlgA(PRINTDLGA* pd) {
  if (!pd) return FALSE;
  PrintDialog dialog(pd);
  return dialog.Execute();
}

namespace user {

std::vector<std::pair<std::string, std::string>> ParseFilter(const char* filter, bool bar_separated) {
  std::vector<std::string> parts;
  if (filter) {
    if (bar_separated) {
      std::string text(filter);
      size_t start = 0;
      for (;;) {
        const size_t bar = text.find('|', start);
        parts.push_back(text.substr(start, bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
      }
    } else {
      for (const char* p = filter; *p; p += std::strlen(p) + 1) parts.emplace_back(p);
    }
  }
  std::vector<std::pair<std::string, std::string>> pairs;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) pairs.emplace_back(parts[i], parts[i + 1]);
  return pairs;
}

bool MatchesPatterns(const std::string& name, const std::string& patterns) {
  size_t start = 0;
  const std::string lower = Lower(name);
  for (;;) {
    const size_t semi = patterns.find(';', start);
    std::string pattern = Lower(patterns.substr(start, semi - start));
    while (!pattern.empty() && pattern.front() == ' ') pattern.erase(pattern.begin());
    if (pattern == "*.*") pattern = "*";
    if (!pattern.empty() && fnmatch(pattern.c_str(), lower.c_str(), 0) == 0) return true;
    if (semi == std::string::npos) return false;
    start = semi + 1;
  }
}

}  // namespace user

}  // namespace plat
