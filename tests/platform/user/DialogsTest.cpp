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
#include "platform/gdi/Gdi.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/user/CommonDialogs.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
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
    char file[260] = {};
    OPENFILENAMEA ofn;
    const std::string folder = folder_.string();
    ofn.lpstrInitialDir = folder.c_str();
    ofn.lpstrFilter = "Text\0*.txt\0All\0*.*\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrDefExt = "txt";
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
  char file[260] = {};
  OPENFILENAMEA ofn;
  const std::string folder = folder_.string();
  ofn.lpstrInitialDir = folder.c_str();
  ofn.lpstrFilter = "Text\0*.txt\0All\0*.*\0";
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  ofn.lpstrDefExt = "wav";
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
