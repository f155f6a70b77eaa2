// Message boxes, the common dialogs answered by the dialog script and by
// keys, and printed pages rendered back from their PDF.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/backend/Backend.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/gdi/Colors.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Surface.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/user/ComboBox.h"
#include "platform/user/CommonDialogs.h"
#include "platform/user/Controls.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Hooks.h"
#include "platform/user/Input.h"
#include "platform/user/ListBox.h"
#include "platform/user/Menu.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Messages.h"
#include "platform/user/Printing.h"

using namespace plat;
namespace fs = std::filesystem;

namespace {

// Answers dialogs from a list in order and records what they asked.
class Script {
 public:
  explicit Script(std::vector<DialogAnswer> answers) : answers_(std::move(answers)) {
    SetDialogScript([this](const DialogRequest& r) -> std::optional<DialogAnswer> {
      asked.push_back(r);
      EXPECT_TRUE(IsWindowVisible(r.dialog));
      if (next_ >= answers_.size()) return std::nullopt;
      return answers_[next_++];
    });
  }
  ~Script() { SetDialogScript(nullptr); }
  std::vector<DialogRequest> asked;

 private:
  std::vector<DialogAnswer> answers_;
  size_t next_ = 0;
};

DialogAnswer Button(int id) {
  DialogAnswer a;
  a.button = id;
  return a;
}
DialogAnswer File(const std::string& name, int filter = 0) {
  DialogAnswer a;
  a.file_name = name;
  a.filter_index = filter;
  return a;
}

// A file dialog's request for a name in `folder`, with its own buffer.
struct FileRequest {
  FileRequest(const fs::path& start, const char* filter, const char* default_ext) : folder(start.string()) {
    ofn.lpstrInitialDir = folder.c_str();
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrDefExt = default_ext;
  }
  FileRequest(const FileRequest&) = delete;
  FileRequest& operator=(const FileRequest&) = delete;
  std::string folder;
  char file[260] = {};
  OPENFILENAMEA ofn;
};

class Dialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("quellix-dialogs-" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    std::ofstream(folder_ / "existing.txt") << "x";
  }
  void TearDown() override { fs::remove_all(folder_); }
  fs::path folder_;
};

TEST_F(Dialogs, MessageBoxReturnsTheScriptedButtonOnlyWhenItHasIt) {
  struct Case {
    UINT type;
    std::vector<DialogAnswer> answers;
    int expected;
  };
  const std::vector<Case> cases = {
      {MB_YESNO | MB_ICONQUESTION, {Button(IDNO)}, IDNO},
      {MB_OKCANCEL, {Button(IDOK)}, IDOK},
      {MB_OK, {}, IDOK},  // no answer: what Esc gives
      {MB_YESNOCANCEL, {}, IDCANCEL},
      {MB_YESNO | MB_DEFBUTTON2, {}, IDNO},                 // no Esc button: the default
      {MB_YESNO, {Button(IDRETRY), Button(IDYES)}, IDYES},  // not offered: asked again
  };
  for (const Case& c : cases) {
    Script script(c.answers);
    EXPECT_EQ(MessageBoxA(nullptr, "Replace the file?", "Quellix", c.type), c.expected) << c.type;
    ASSERT_FALSE(script.asked.empty());
    EXPECT_EQ(script.asked[0].kind, DialogKind::MessageBox);
    EXPECT_EQ(script.asked[0].text, "Replace the file?");
    EXPECT_EQ(script.asked[0].flags, c.type);
  }
}

TEST_F(Dialogs, MessageBoxAnswersKeys) {
  auto* screen = dynamic_cast<backend::HeadlessBackend*>(&backend::Current());
  if (!screen) GTEST_SKIP() << "needs the headless backend";
  struct Case {
    UINT type;
    UINT vk;
    int expected;
  };
  for (const Case& c : {Case{MB_YESNO, 'N', IDNO}, Case{MB_OKCANCEL, VK_ESCAPE, IDCANCEL},
                        Case{MB_YESNOCANCEL | MB_DEFBUTTON2, VK_RETURN, IDNO}}) {
    screen->InjectKey(c.vk, true);
    screen->InjectKey(c.vk, false);
    EXPECT_EQ(MessageBoxA(nullptr, "Text", "Caption", c.type), c.expected);
  }
}

TEST_F(Dialogs, MessageBeepSoundsThroughTheBackendInOrder) {
  auto* screen = dynamic_cast<backend::HeadlessBackend*>(&backend::Current());
  if (!screen) GTEST_SKIP() << "needs the headless backend";
  const size_t before = screen->Beeps().size();
  EXPECT_TRUE(MessageBeep(0));
  EXPECT_TRUE(MessageBeep(MB_ICONEXCLAMATION));
  EXPECT_TRUE(MessageBeep(MB_OKBEEP));
  const std::vector<UINT> beeps = screen->Beeps();
  ASSERT_EQ(beeps.size(), before + 3);
  EXPECT_EQ(std::vector<UINT>(beeps.begin() + static_cast<long>(before), beeps.end()),
            (std::vector<UINT>{0, MB_ICONEXCLAMATION, MB_OKBEEP}));
}

TEST_F(Dialogs, FiltersAndPatterns) {
  auto parsed = user::ParseFilter("Text|*.txt|Waves|*.wav;*.WAV|All|*.*", true);
  ASSERT_EQ(parsed.size(), 3u);
  EXPECT_EQ(parsed[1], (std::pair<std::string, std::string>{"Waves", "*.wav;*.WAV"}));
  EXPECT_EQ(user::ParseFilter("Text\0*.txt\0\0", false).size(), 1u);
  EXPECT_TRUE(user::ParseFilter("Odd|", true).size() == 1u);
  EXPECT_TRUE(user::MatchesPatterns("Song.WAV", "*.mp3; *.wav"));
  EXPECT_FALSE(user::MatchesPatterns("song.wav.txt", "*.wav"));
  EXPECT_TRUE(user::MatchesPatterns("noext", "*.*"));
}

struct FileCase {
  const char* name;
  bool save;
  DWORD flags;
  std::vector<DialogAnswer> answers;
  BOOL result;
  std::string file;  // relative to the folder, when result is TRUE
  int message_boxes;
};

TEST_F(Dialogs, FileDialogsValidateTheScriptedName) {
  const std::vector<FileCase> cases = {
      {"default extension added", false, 0, {File("notes")}, TRUE, "notes.txt", 0},
      {"own extension kept", false, 0, {File("notes.md")}, TRUE, "notes.md", 0},
      {"must exist: missing, then cancel",
       false,
       OFN_FILEMUSTEXIST,
       {File("missing"), Button(IDOK)},
       FALSE,
       "",
       1},
      {"must exist: present", false, OFN_FILEMUSTEXIST, {File("existing")}, TRUE, "existing.txt", 0},
      {"overwrite prompt: no cancels",
       true,
       OFN_OVERWRITEPROMPT,
       {File("existing"), Button(IDNO)},
       FALSE,
       "",
       1},
      {"overwrite prompt: yes",
       true,
       OFN_OVERWRITEPROMPT,
       {File("existing"), Button(IDYES)},
       TRUE,
       "existing.txt",
       1},
      {"new file saves without asking", true, OFN_OVERWRITEPROMPT, {File("fresh")}, TRUE, "fresh.txt", 0},
      {"missing folder", true, OFN_PATHMUSTEXIST, {File("nowhere/x")}, FALSE, "", 1},
      {"cancel", false, 0, {Button(IDCANCEL)}, FALSE, "", 0},
  };
  for (const FileCase& c : cases) {
    SCOPED_TRACE(c.name);
    Script script(c.answers);
    FileRequest request(folder_, "Text\0*.txt\0All\0*.*\0", "txt");
    OPENFILENAMEA& ofn = request.ofn;
    const char* file = request.file;
    ofn.lpstrTitle = "Pick";
    ofn.Flags = c.flags;
    const BOOL ok = c.save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    EXPECT_EQ(ok, c.result);
    if (ok) {
      EXPECT_EQ(fs::path(file), folder_ / c.file);
      EXPECT_STREQ(file + ofn.nFileOffset, c.file.c_str());
    }
    int boxes = 0;
    for (auto& r : script.asked) boxes += r.kind == DialogKind::MessageBox;
    EXPECT_EQ(boxes, c.message_boxes);
    ASSERT_FALSE(script.asked.empty());
    EXPECT_EQ(script.asked[0].kind, c.save ? DialogKind::Save : DialogKind::Open);
    EXPECT_EQ(script.asked[0].title, "Pick");
    EXPECT_EQ(script.asked[0].choices, (std::vector<std::string>{"Text", "All"}));
  }
}

TEST_F(Dialogs, HookGetsInitDialogAndNotificationsAndCanRefuse) {
  static std::vector<UINT> seen;
  static HWND hook_window = nullptr;
  static HWND child = nullptr;
  static std::string path_at_ok;
  static bool refuse_first = true;
  seen.clear();
  auto hook = [](HWND hwnd, UINT message, WPARAM, LPARAM lparam) -> UINT_PTR {
    if (message == WM_INITDIALOG) {
      hook_window = hwnd;
      seen.push_back(WM_INITDIALOG);
      // The hook's area is a child dialog of the file dialog, as skins and callers look for it.
      char class_name[32] = {};
      GetClassNameA(hwnd, class_name, sizeof class_name);
      EXPECT_STREQ(class_name, kDialogClass);
      EXPECT_TRUE(GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD);
      GetClassNameA(GetParent(hwnd), class_name, sizeof class_name);
      EXPECT_STREQ(class_name, kDialogClass);
      EXPECT_EQ(reinterpret_cast<OPENFILENAMEA*>(lparam)->lCustData, 42);
      // A caller's control in the dialog's child area, as a preview panel would be.
      child = CreateWindowExA(0, kDialogClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 100, 40, hwnd, nullptr,
                              nullptr, nullptr);
      return 1;
    }
    if (message == WM_NOTIFY) {
      auto* notify = reinterpret_cast<OFNOTIFYA*>(lparam);
      seen.push_back(notify->hdr.code);
      if (notify->hdr.code == CDN_FILEOK) {
        char path[512] = {};
        SendMessageA(GetParent(hwnd), CDM_GETFILEPATH, sizeof path, reinterpret_cast<LPARAM>(path));
        path_at_ok = notify->lpOFN->lpstrFile;
        if (refuse_first) {
          refuse_first = false;
          SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, 1);
          return 1;
        }
      }
    }
    return 0;
  };
  Script script({File("first", 2), File("second")});
  FileRequest request(folder_, "Text\0*.txt\0All\0*.*\0", "wav");
  OPENFILENAMEA& ofn = request.ofn;
  const char* file = request.file;
  ofn.Flags = OFN_EXPLORER | OFN_ENABLEHOOK;
  ofn.lpfnHook = hook;
  ofn.lCustData = 42;
  ASSERT_TRUE(GetOpenFileNameA(&ofn));
  EXPECT_EQ(fs::path(file), folder_ / "second.wav");
  EXPECT_EQ(ofn.nFilterIndex, 2u);
  EXPECT_EQ(path_at_ok, file);
  EXPECT_NE(hook_window, nullptr);
  EXPECT_FALSE(IsWindow(child));  // went with the dialog
  EXPECT_EQ(seen, (std::vector<UINT>{WM_INITDIALOG, CDN_INITDONE, CDN_FOLDERCHANGE, CDN_TYPECHANGE,
                                     CDN_FILEOK, CDN_FILEOK}));
}

TEST_F(Dialogs, DialogUnitsFollowTheDialogFont) {
  const DWORD units = static_cast<DWORD>(GetDialogBaseUnits());
  const int cx = LOWORD(units), cy = HIWORD(units);
  EXPECT_GE(cx, 4);
  EXPECT_LE(cx, 10);
  EXPECT_GE(cy, 10);
  EXPECT_LE(cy, 20);
  RECT r{4, 8, 276, 43};
  ASSERT_TRUE(MapDialogRect(nullptr, &r));
  EXPECT_EQ(r.left, cx);
  EXPECT_EQ(r.top, cy);
  EXPECT_EQ(r.right, 276 * cx / 4);
  EXPECT_EQ(r.bottom, 43 * cy / 8);
  // A child template of that size fits the file dialogs' hook area.
  EXPECT_LE(r.bottom, kFileDialogChildHeight);
  EXPECT_FALSE(MapDialogRect(nullptr, nullptr));
}

TEST_F(Dialogs, TooSmallBufferFailsWithTheSizeNeeded) {
  Script script({File("a-rather-long-file-name")});
  char file[8] = {};
  OPENFILENAMEA ofn;
  const std::string folder = folder_.string();
  ofn.lpstrInitialDir = folder.c_str();
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  EXPECT_FALSE(GetSaveFileNameA(&ofn));
  EXPECT_EQ(CommDlgExtendedError(), FNERR_BUFFERTOOSMALL);
}

// What a user does in a file dialog: rows of the folder list (".." first,
// then folders, then files), keys, text, and the drop-down list of file types.
struct UserStep {
  enum Kind { DoubleClickRow, ClickRow, Press, ShiftPress, Text, OpenTypes, ClickType } kind;
  int row = 0;  // or the virtual key, or the type's index
  std::string text{};
};
UserStep DoubleClick(int row) { return {UserStep::DoubleClickRow, row}; }
UserStep Click(int row) { return {UserStep::ClickRow, row}; }
UserStep Press(int vk) { return {UserStep::Press, vk}; }
UserStep ShiftPress(int vk) { return {UserStep::ShiftPress, vk}; }
UserStep Type(const std::string& text) { return {UserStep::Text, 0, text}; }
UserStep OpenTypes() { return {UserStep::OpenTypes}; }
UserStep ClickType(int index) { return {UserStep::ClickType, index}; }

// Plays the steps on the headless screen, each once the dialog has handled
// the input of the one before, as a person waits to see what a click did.
class FileDialogInput {
 public:
  explicit FileDialogInput(const std::vector<UserStep>& steps) : steps_(steps) {
    current_ = this;
    filter_ = SetWindowsHookExA(WH_MSGFILTER, &Filter, nullptr, GetCurrentThreadId());
  }
  ~FileDialogInput() {
    UnhookWindowsHookEx(filter_);
    current_ = nullptr;
  }
  FileDialogInput(const FileDialogInput&) = delete;
  FileDialogInput& operator=(const FileDialogInput&) = delete;
  bool Finished() const { return next_ == steps_.size(); }

  // The file dialog's hook: finds the dialog once it has started.
  static UINT_PTR Hook(HWND hwnd, UINT message, WPARAM, LPARAM lparam) {
    if (message == WM_NOTIFY && reinterpret_cast<OFNOTIFYA*>(lparam)->hdr.code == CDN_INITDONE && current_)
      current_->dialog_ = GetParent(hwnd);
    return 0;
  }

 private:
  static LRESULT Filter(int code, WPARAM wparam, LPARAM lparam) {
    FileDialogInput* self = current_;
    if (code == MSGF_DIALOGBOX && self && self->dialog_ && !self->Finished() &&
        HIWORD(GetQueueStatus(QS_INPUT | QS_POSTMESSAGE)) == 0)
      self->Play(self->steps_[self->next_++]);
    return CallNextHookEx(nullptr, code, wparam, lparam);
  }

  HWND Control(int id) const {
    for (HWND child = GetWindow(dialog_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
      if (GetDlgCtrlID(child) == id) return child;
    ADD_FAILURE() << "no control " << id;
    return nullptr;
  }

  void Play(const UserStep& step) {
    auto& screen = dynamic_cast<backend::HeadlessBackend&>(backend::Current());
    auto press = [&](int vk) {
      screen.InjectKey(static_cast<UINT>(vk), true);
      screen.InjectKey(static_cast<UINT>(vk), false);
    };
    const HWND list = Control(kFileDialogListId), type = Control(kFileDialogTypeId);
    const int row_height = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    POINT row{10, step.row * row_height + row_height / 2};
    ClientToScreen(list, &row);
    RECT field, dropped;
    GetWindowRect(type, &field);
    SendMessageA(type, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    const int item = static_cast<int>(SendMessageA(type, CB_GETITEMHEIGHT, 0, 0));
    switch (step.kind) {
      case UserStep::DoubleClickRow:
        screen.InjectClick(row);
        [[fallthrough]];
      case UserStep::ClickRow:
        screen.InjectClick(row);
        break;
      case UserStep::ShiftPress:
        screen.InjectKey(VK_SHIFT, true);
        press(step.row);
        screen.InjectKey(VK_SHIFT, false);
        break;
      case UserStep::Press:
        press(step.row);
        break;
      case UserStep::Text:
        screen.InjectText(step.text);
        break;
      case UserStep::OpenTypes:
        screen.InjectClick(POINT{field.right - 8, (field.top + field.bottom) / 2});
        break;
      case UserStep::ClickType:
        screen.InjectClick(POINT{dropped.left + 10, dropped.top + 1 + step.row * item + item / 2});
        break;
    }
  }

  static inline FileDialogInput* current_ = nullptr;
  const std::vector<UserStep>& steps_;
  size_t next_ = 0;
  HWND dialog_ = nullptr;
  HHOOK filter_ = nullptr;
};

TEST_F(Dialogs, FileDialogsFollowTheUsersClicksAndKeys) {
  auto* screen = dynamic_cast<backend::HeadlessBackend*>(&backend::Current());
  if (!screen) GTEST_SKIP() << "needs the headless backend";
  fs::create_directories(folder_ / "sub");
  std::ofstream(folder_ / "sub" / "inner.txt") << "x";
  std::ofstream(folder_ / "tune.wav") << "x";
  struct Case {
    const char* name;
    bool save;
    const char* start;  // below the test's folder
    std::vector<UserStep> steps;
    std::string file;  // below the test's folder; empty when cancelled
    DWORD filter_index;
  };
  // Rows in the test's folder: "..", "[sub]", then the files of the type.
  const std::vector<Case> cases = {
      {"double clicks open a folder, then pick a file",
       false,
       "",
       {DoubleClick(1), DoubleClick(1)},
       "sub/inner.txt",
       1},
      {"the parent folder from the list, then a typed name",
       false,
       "sub",
       {DoubleClick(0), Press(VK_TAB), Type("existing"), Press(VK_RETURN)},
       "existing.txt",
       1},
      {"Enter on a selected folder opens it",
       true,
       "",
       {Click(1), Press(VK_RETURN), Press(VK_TAB), Type("new"), Press(VK_RETURN)},
       "sub/new.txt",
       1},
      {"a folder typed into the path field",
       true,
       "",
       {ShiftPress(VK_TAB), ShiftPress(VK_TAB), Type((fs::path("sub") / "").string()), Press(VK_RETURN),
        Press(VK_TAB), Press(VK_TAB), Type("typed"), Press(VK_RETURN)},
       "sub/typed.txt",
       1},
      {"the type list filters the files",
       false,
       "",
       {OpenTypes(), ClickType(1), DoubleClick(2)},
       "tune.wav",
       2},
      {"Escape cancels", false, "", {Click(2), Press(VK_ESCAPE)}, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FileDialogInput input(c.steps);
    FileRequest request(folder_ / c.start, "Text\0*.txt\0Waves\0*.wav\0", "txt");
    OPENFILENAMEA& ofn = request.ofn;
    const char* file = request.file;
    ofn.Flags = OFN_EXPLORER | OFN_ENABLEHOOK;
    ofn.lpfnHook = &FileDialogInput::Hook;
    const BOOL ok = c.save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    EXPECT_TRUE(input.Finished());
    EXPECT_EQ(ok, c.file.empty() ? FALSE : TRUE);
    if (ok) {
      EXPECT_EQ(fs::path(file), folder_ / c.file);
      EXPECT_EQ(ofn.nFilterIndex, c.filter_index);
    }
  }
}

// What the dialogs show when they first ask: read from the dialog's own
// surface, in its client coordinates.
COLORREF ShownPixel(HWND dialog, HWND control, int x, int y) {
  POINT p{x, y};
  MapWindowPoints(control, nullptr, &p, 1);
  RECT window;
  GetWindowRect(dialog, &window);
  const Surface* surface = backend::Current().WindowSurface(dialog);
  if (!surface) return CLR_INVALID;
  return surface->ToColor(surface->Get(p.x - window.left, p.y - window.top));
}

TEST_F(Dialogs, AChildDialogShowsTheDialogFaceUnderItsControls) {
  if (!dynamic_cast<backend::HeadlessBackend*>(&backend::Current()))
    GTEST_SKIP() << "needs the headless backend";
  WNDCLASSA wc;
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "QuellixChildDialogHost";
  RegisterClassA(&wc);
  HWND top = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 10, 10, 200, 120, nullptr,
                             nullptr, nullptr, nullptr);
  ASSERT_NE(top, nullptr);
  auto hook = [](HWND, UINT, WPARAM, LPARAM) -> UINT_PTR { return 0; };
  HWND child = user::CreateChildDialog(top, hook, 0, WS_VISIBLE, 0, 40, 200, 80);
  ASSERT_NE(child, nullptr);
  UpdateWindow(top);
  UpdateWindow(child);
  EXPECT_EQ(ShownPixel(top, child, 5, 5), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(ShownPixel(top, child, 190, 70), GetSysColor(COLOR_BTNFACE));
  DestroyWindow(top);
}

TEST_F(Dialogs, DialogsShowTheirFieldsAndAReadableChoice) {
  if (!dynamic_cast<backend::HeadlessBackend*>(&backend::Current()))
    GTEST_SKIP() << "needs the headless backend";
  std::vector<std::string> failures;
  SetDialogScript([&](const DialogRequest& r) -> std::optional<DialogAnswer> {
    // Every paint still pending first, as a person sees the dialog a moment later.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    if (r.kind == DialogKind::Open) {
      // Every field of the file dialog is painted, the name field too.
      for (int id : {kFileDialogFolderId, kFileDialogNameId}) {
        HWND field = nullptr;
        for (HWND child = GetWindow(r.dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
          if (GetDlgCtrlID(child) == id) field = child;
        RECT client;
        GetClientRect(field, &client);
        const COLORREF inside = ShownPixel(r.dialog, field, client.right - 2, client.bottom / 2);
        if (inside != GetSysColor(COLOR_WINDOW))
          failures.push_back("field " + std::to_string(id) + " shows " + std::to_string(inside));
      }
    }
    if (r.kind == DialogKind::Print) {
      // The chosen printer's name is drawn in the highlight's text colour, not the window's.
      int text = 0, dark = 0;
      for (int y = 26; y < 40; ++y)
        for (int x = 18; x < 120; ++x) {
          const COLORREF c = ShownPixel(r.dialog, r.dialog, x, y);
          text += c == GetSysColor(COLOR_HIGHLIGHTTEXT);
          dark += c == GetSysColor(COLOR_WINDOWTEXT);
        }
      if (dark > 0) failures.push_back("window text on the highlight");
      if (text == 0) failures.push_back("no printer name on the highlight");
    }
    return Button(IDCANCEL);
  });
  FileRequest request(folder_, nullptr, nullptr);
  EXPECT_FALSE(GetOpenFileNameA(&request.ofn));
  PRINTDLGA pd;
  EXPECT_FALSE(PrintDlgA(&pd));
  SetDialogScript(nullptr);
  EXPECT_TRUE(failures.empty()) << ::testing::PrintToString(failures);
}

TEST_F(Dialogs, ColorDialogReturnsTheChosenColourAndCustomColours) {
  COLORREF custom[16] = {};
  DialogAnswer pick;
  pick.color = RGB(12, 34, 56);
  pick.custom_colors = {RGB(1, 2, 3), RGB(4, 5, 6)};
  {
    Script script({pick});
    CHOOSECOLORA cc;
    cc.rgbResult = RGB(255, 0, 0);
    cc.Flags = CC_RGBINIT | CC_FULLOPEN;
    cc.lpCustColors = custom;
    ASSERT_TRUE(ChooseColorA(&cc));
    EXPECT_EQ(cc.rgbResult, RGB(12, 34, 56));
    EXPECT_EQ(custom[1], RGB(4, 5, 6));
    EXPECT_EQ(custom[2], 0u);
  }
  Script cancel({Button(IDCANCEL)});
  CHOOSECOLORA cc;
  cc.rgbResult = RGB(255, 0, 0);
  cc.lpCustColors = custom;
  EXPECT_FALSE(ChooseColorA(&cc));
  EXPECT_EQ(cc.rgbResult, RGB(255, 0, 0));
}

// The PPM pixel at (x, y) of the first page rendered at `dpi`.
bool RenderedPixel(const fs::path& pdf, int dpi, int x, int y, int rgb[3]) {
  const fs::path out = pdf.parent_path() / "page";
  const std::string command = "pdftoppm -r " + std::to_string(dpi) + " -f 1 -l 1 -singlefile '" +
                              pdf.string() + "' '" + out.string() + "' 2>/dev/null";
  if (std::system(command.c_str()) != 0) return false;
  std::ifstream in(out.string() + ".ppm", std::ios::binary);
  std::string magic;
  int width = 0, height = 0, max = 0;
  in >> magic >> width >> height >> max;
  in.get();
  if (magic != "P6" || x >= width || y >= height) return false;
  in.seekg(static_cast<std::streamoff>(3) * (static_cast<std::streamoff>(y) * width + x), std::ios::cur);
  unsigned char pixel[3];
  in.read(reinterpret_cast<char*>(pixel), 3);
  for (int i = 0; i < 3; ++i) rgb[i] = pixel[i];
  return static_cast<bool>(in);
}

TEST_F(Dialogs, PrintedPageComesBackFromThePdf) {
  if (std::system("command -v pdftoppm >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "pdftoppm (poppler-utils) missing";
  // The print dialog picks the built-in printer and hands back its DC.
  Script script({DialogAnswer{}});
  PRINTDLGA pd;
  pd.Flags = PD_RETURNDC;
  ASSERT_TRUE(PrintDlgA(&pd));
  ASSERT_NE(pd.hDC, nullptr);
  ASSERT_FALSE(script.asked.empty());
  EXPECT_EQ(script.asked[0].choices.front(), user::kPdfPrinterName);
  auto* names = static_cast<DEVNAMES*>(GlobalLock(pd.hDevNames));
  EXPECT_STREQ(reinterpret_cast<char*>(names) + names->wDeviceOffset, user::kPdfPrinterName);
  GlobalUnlock(pd.hDevNames);

  HDC dc = pd.hDC;
  EXPECT_EQ(user::PrinterDeviceCaps(dc, LOGPIXELSX), 150);
  EXPECT_EQ(user::PrinterDeviceCaps(dc, HORZRES), 1240);  // A4 at 150 dpi
  EXPECT_EQ(user::PrinterDeviceCaps(dc, VERTRES), 1754);
  EXPECT_EQ(user::PrinterDeviceCaps(dc, HORZSIZE), 210);

  const fs::path pdf = folder_ / "page.pdf";
  const std::string output = pdf.string();
  DOCINFOA doc;
  doc.lpszDocName = "Test page";
  doc.lpszOutput = output.c_str();
  ASSERT_GT(StartDocA(dc, &doc), 0);
  ASSERT_GT(StartPage(dc), 0);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  RECT box{150, 300, 600, 700};
  FillRect(dc, &box, red);
  DeleteObject(red);
  ASSERT_GT(EndPage(dc), 0);
  ASSERT_GT(EndDoc(dc), 0);
  DeleteDC(dc);
  GlobalFree(pd.hDevMode);
  GlobalFree(pd.hDevNames);

  int inside[3] = {}, outside[3] = {};
  ASSERT_TRUE(RenderedPixel(pdf, 150, 375, 500, inside));
  ASSERT_TRUE(RenderedPixel(pdf, 150, 100, 100, outside));
  EXPECT_GT(inside[0], 200);
  EXPECT_LT(inside[1], 60);
  EXPECT_LT(inside[2], 60);
  EXPECT_GT(outside[1], 200);  // white paper
}

TEST_F(Dialogs, PrintersRefuseUnknownNamesAndAbortLeavesNoFile) {
  EXPECT_EQ(CreateDCA("winspool", "No such printer", nullptr, nullptr), nullptr);
  DEVMODEA mode;
  mode.dmFields = DM_ORIENTATION;
  mode.dmOrientation = DMORIENT_LANDSCAPE;
  HDC dc = CreateDCA(nullptr, user::kPdfPrinterName, nullptr, &mode);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(user::PrinterDeviceCaps(dc, HORZRES), 1754);
  EXPECT_EQ(StartPage(dc), SP_ERROR);  // no document
  const std::string output = (folder_ / "aborted.pdf").string();
  DOCINFOA doc;
  doc.lpszOutput = output.c_str();
  ASSERT_GT(StartDocA(dc, &doc), 0);
  StartPage(dc);
  EXPECT_GT(AbortDoc(dc), 0);
  EXPECT_FALSE(fs::exists(output));
  // Without an output file the PDF printer asks where to write; cancelled, no document.
  Script script({Button(IDCANCEL)});
  DOCINFOA ask;
  EXPECT_EQ(StartDocA(dc, &ask), SP_APPABORT);
  DeleteDC(dc);
}

}  // namespace
