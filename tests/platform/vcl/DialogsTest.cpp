// The class library's dialogs over the layer's scripted dialogs, a page
// printed through TPrinter and a form printed as a page.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/user/MessageBox.h"
#include "platform/user/Printing.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/Printers.h"
#include "support/PdfPages.h"
#include "support/TempDir.h"

namespace vcl {
namespace {

namespace fs = std::filesystem;

// Answers every dialog with `answer` and keeps what was asked.
struct ScriptedAnswers {
  explicit ScriptedAnswers(std::vector<plat::DialogAnswer> answers) : answers(std::move(answers)) {
    plat::SetDialogScript([this](const plat::DialogRequest& r) -> std::optional<plat::DialogAnswer> {
      asked.push_back(r);
      if (next >= this->answers.size()) return std::nullopt;
      return this->answers[next++];
    });
  }
  ~ScriptedAnswers() { plat::SetDialogScript(nullptr); }
  std::vector<plat::DialogAnswer> answers;
  std::vector<plat::DialogRequest> asked;
  size_t next = 0;
};

plat::DialogAnswer Press(int id) {
  plat::DialogAnswer a;
  a.button = id;
  return a;
}

TEST(MessageDlgTest, ButtonsTitlesAndResults) {
  struct Case {
    TMsgDlgType type;
    TMsgDlgButtons buttons;
    int press;
    TModalResult expected;
    plat::UINT flags;
    const char* title;
  };
  const std::vector<Case> cases = {
      {mtConfirmation,
       {mbYes, mbNo},
       plat::IDYES,
       mrYes,
       plat::MB_YESNO | plat::MB_ICONQUESTION,
       "Confirmation"},
      {mtWarning, mbYesNoCancel, plat::IDCANCEL, mrCancel, plat::MB_YESNOCANCEL | plat::MB_ICONWARNING,
       "Warning"},
      {mtError, {mbOK}, plat::IDOK, mrOk, plat::MB_OK | plat::MB_ICONERROR, "Error"},
      {mtInformation,
       {mbOK, mbCancel},
       plat::IDOK,
       mrOk,
       plat::MB_OKCANCEL | plat::MB_ICONINFORMATION,
       "Information"},
      {mtWarning, {mbYes, mbNo, mbHelp}, plat::IDNO, mrNo, plat::MB_YESNO | plat::MB_ICONWARNING, "Warning"},
  };
  for (const Case& c : cases) {
    ScriptedAnswers script({Press(c.press)});
    EXPECT_EQ(MessageDlg("Save changes?", c.type, c.buttons, 0), c.expected) << c.title;
    ASSERT_EQ(script.asked.size(), 1u);
    EXPECT_EQ(script.asked[0].flags, c.flags);
    EXPECT_EQ(script.asked[0].title, c.title);
  }
}

TEST(MessageDlgTest, ApplicationMessagesGoThroughTheLayer) {
  UseMessageBoxSink();
  ScriptedAnswers script({Press(plat::IDNO)});
  TApplication app(nullptr);
  EXPECT_EQ(app.MessageBox("Quit?", "Q", plat::MB_YESNO), plat::IDNO);
  ASSERT_EQ(script.asked.size(), 1u);
  EXPECT_EQ(script.asked[0].text, "Quit?");
  SetMessageBoxSink(nullptr);
}

TEST(FileDialogsTest, ExecuteReturnsTheScriptedNameWithTheDefaultExtension) {
  const fs::path folder = fs::temp_directory_path() / ("quellix-vcl-dialogs-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  std::ofstream(folder / "taken.wav") << "x";
  plat::DialogAnswer name;
  name.file_name = "song";
  name.filter_index = 2;  // the type picked from the drop-down list
  {
    ScriptedAnswers script({name});
    TOpenDialog open(nullptr);
    open.SetFilter("Wave Files(*.wav)|*.wav|All|*.*");
    open.SetDefaultExt("wav");
    open.SetInitialDir(folder.string());
    open.SetTitle("Open Wave File");
    ASSERT_TRUE(open.Execute());
    EXPECT_EQ(fs::path(open.FileName()), folder / "song.wav");
    EXPECT_EQ(open.Files()->Count(), 1);
    EXPECT_EQ(open.FilterIndex(), 2);
    EXPECT_EQ(script.asked[0].choices, (std::vector<std::string>{"Wave Files(*.wav)", "All"}));
  }
  name.file_name = "taken";
  ScriptedAnswers script({name, Press(plat::IDNO)});
  TSaveDialog save(nullptr);
  save.SetDefaultExt("wav");
  save.SetInitialDir(folder.string());
  save.SetOptions(TOpenOptions{ofOverwritePrompt});
  EXPECT_FALSE(save.Execute());
  EXPECT_EQ(save.FileName(), "");
  fs::remove_all(folder);
}

TEST(ColorDialogTest, ReturnsTheChosenColourAndKeepsCustomColours) {
  plat::DialogAnswer pick;
  pick.color = plat::RGB(10, 20, 30);
  pick.custom_colors = {plat::RGB(0x11, 0x22, 0x33)};
  ScriptedAnswers script({pick});
  TColorDialog dialog(nullptr);
  dialog.SetColor(clRed);
  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.Color(), static_cast<TColor>(plat::RGB(10, 20, 30)));
  EXPECT_EQ(dialog.CustomColors()->Values("ColorA"), "332211");
}

TEST(ColorDialogTest, OptionsReachTheDialogAndBadCustomColoursOfferWhite) {
  struct Case {
    TColorDialogOptions options;
    plat::DWORD flags;
  };
  for (const Case& c :
       {Case{{}, 0}, Case{{cdFullOpen}, plat::CC_FULLOPEN},
        Case{{cdPreventFullOpen, cdSolidColor}, plat::CC_PREVENTFULLOPEN | plat::CC_SOLIDCOLOR}}) {
    plat::DialogAnswer pick;
    pick.color = plat::RGB(1, 2, 3);
    ScriptedAnswers script({pick});
    TColorDialog dialog(nullptr);
    dialog.SetOptions(c.options);
    // What a stored form may hold: junk, nothing, too many digits, a sign, a good entry.
    for (const char* line : {"ColorA=zz", "ColorB=", "ColorC=123456789AB", "ColorD=-1", "ColorE=00FF00"})
      dialog.CustomColors()->Add(line);
    ASSERT_TRUE(dialog.Execute());
    ASSERT_EQ(script.asked.size(), 1u);
    EXPECT_EQ(script.asked[0].flags, plat::CC_RGBINIT | c.flags);
    for (const char* name : {"ColorA", "ColorB", "ColorC", "ColorD", "ColorP"})
      EXPECT_EQ(dialog.CustomColors()->Values(name), "FFFFFF") << name;
    EXPECT_EQ(dialog.CustomColors()->Values("ColorE"), "00FF00");
  }
}

TEST(PrinterTest, PrintsPagesThroughTheCanvas) {
  if (std::system("command -v pdftoppm >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "pdftoppm (poppler-utils) missing";
  const fs::path pdf = fs::temp_directory_path() / ("quellix-printer-" + std::to_string(::getpid()) + ".pdf");
  TPrinter printer;
  EXPECT_EQ(printer.Printers()->Strings(0), plat::user::kPdfPrinterName);
  printer.SetPrinterIndex(0);
  printer.SetFileName(pdf.string());
  printer.SetTitle("Spectrum");
  EXPECT_EQ(printer.PageWidth(), 1240);
  printer.SetOrientation(poLandscape);
  EXPECT_EQ(printer.PageWidth(), 1754);
  printer.SetOrientation(poPortrait);
  printer.BeginDoc();
  EXPECT_THROW(printer.BeginDoc(), EPrinter);
  printer.Canvas()->Brush()->SetColor(clBlue);
  printer.Canvas()->FillRect(Rect(100, 100, 400, 400));
  printer.NewPage();
  EXPECT_EQ(printer.PageNumber(), 2);
  printer.EndDoc();
  EXPECT_FALSE(printer.Printing());
  // Two pages; the first shows the blue square.
  const std::string info = "pdfinfo '" + pdf.string() + "' 2>/dev/null | grep -q 'Pages: *2'";
  if (std::system("command -v pdfinfo >/dev/null 2>&1") == 0) {
    EXPECT_EQ(std::system(info.c_str()), 0);
  }
  const fs::path out = pdf.parent_path() / ("quellix-printer-page-" + std::to_string(::getpid()));
  const std::string render =
      "pdftoppm -r 150 -f 1 -l 1 -singlefile '" + pdf.string() + "' '" + out.string() + "'";
  ASSERT_EQ(std::system(render.c_str()), 0);
  std::ifstream in(out.string() + ".ppm", std::ios::binary);
  std::string magic;
  int width = 0, height = 0, max = 0;
  in >> magic >> width >> height >> max;
  in.get();
  in.seekg(static_cast<std::streamoff>(3) * (250 * width + 250), std::ios::cur);
  unsigned char px[3] = {};
  in.read(reinterpret_cast<char*>(px), 3);
  EXPECT_LT(px[0], 60);
  EXPECT_GT(px[2], 200);
  fs::remove(pdf);
  fs::remove(out.string() + ".ppm");
  EXPECT_THROW(printer.EndDoc(), EPrinter);
}

// A form, never shown, printed on the PDF printer whose file the scripted
// save dialog names: its picture fills the page's width with its proportions kept.
TEST(FormPrintTest, PrintsTheFormsPictureFittedToOnePage) {
  if (!testsupport::HavePdfTools()) GTEST_SKIP() << "pdftoppm or pdfinfo (poppler-utils) missing";
  testsupport::TempDir folder;
  InitApplication();
  InitForms();
  std::unique_ptr<TPrinter> old(SetPrinter(new TPrinter));
  Printer()->SetPrinterIndex(0);
  Printer()->SetTitle("kept");
  {
    TForm form(nullptr);
    form.SetBorderStyle(bsNone);
    form.SetColor(clWhite);
    form.SetCaption("Form page");
    // Half the size of a 766 x 996 page window: 1240 x 1612 at 150 dpi on A4.
    form.SetClientWidth(383);
    form.SetClientHeight(498);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBevelOuter(bvNone);
    panel->SetColor(clBlue);
    panel->SetBounds(0, 0, 100, 100);
    form.OnPaint = [&form](TObject*) {
      form.Canvas()->Brush()->SetColor(clRed);
      form.Canvas()->FillRect(Rect(343, 458, 383, 498));
    };

    std::unique_ptr<TBitmap> image = form.GetFormImage();
    EXPECT_EQ(image->Width(), 383);
    EXPECT_EQ(image->Height(), 498);
    EXPECT_EQ(ColorToRGB(image->Canvas()->Pixels(50, 50)), ColorToRGB(clBlue));
    EXPECT_EQ(ColorToRGB(image->Canvas()->Pixels(380, 495)), ColorToRGB(clRed));

    // A cancelled file choice prints nothing and says nothing.
    {
      ScriptedAnswers cancel({Press(plat::IDCANCEL)});
      EXPECT_THROW(form.Print(), EAbort);
      EXPECT_TRUE(Printer()->Aborted());
      EXPECT_FALSE(Printer()->Printing());
    }

    const fs::path pdf = folder.path() / "form.pdf";
    plat::DialogAnswer save;
    save.file_name = pdf.string();
    ScriptedAnswers script({save});
    form.Print();
    ASSERT_EQ(script.asked.size(), 1u);
    EXPECT_EQ(script.asked[0].kind, plat::DialogKind::Save);
  }
  EXPECT_EQ(Printer()->Title(), "kept");
  const fs::path pdf = folder.path() / "form.pdf";
  EXPECT_EQ(testsupport::PdfPageCount(pdf), 1);
  std::optional<testsupport::RenderedPage> page = testsupport::RenderPdfPage(pdf, 150);
  ASSERT_TRUE(page.has_value());
  // A4 at 150 dpi; the renderer rounds the paper's points up.
  EXPECT_NEAR(page->width, 1240, 1);
  EXPECT_NEAR(page->height, 1754, 1);
  struct Probe {
    int x, y;
    uint32_t rgb;
    const char* what;
  };
  const Probe probes[] = {
      {100, 100, 0x0000FF, "the panel, a child window"},
      {330, 330, 0xFFFFFF, "the form beside the panel"},
      {1235, 1605, 0xFF0000, "the painted corner at the page's right edge"},
      {1100, 1470, 0xFFFFFF, "the form beside the corner"},
      {1235, 1625, 0xFFFFFF, "the paper below the picture"},
  };
  for (const Probe& p : probes) EXPECT_EQ(page->Pixel(p.x, p.y), p.rgb) << p.what;
  delete SetPrinter(old.release());
  DoneForms();
  DoneApplication();
}

}  // namespace
}  // namespace vcl
