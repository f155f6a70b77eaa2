// The print page on the headless main window: the frozen spectrum printed
// through the print setup window onto the PDF printer that the scripted
// print dialog chose, read back from the PDF by its pixels; and the prints
// that are refused.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "app/MainWindowFixture.h"
#include "app/PrintPage.h"
#include "app/Projects.h"
#include "app/Scans.h"
#include "app/SetupPrint.h"
#include "displays/MMSpectrum.h"
#include "platform/user/Printing.h"
#include "platform/vcl/ImageCtrls.h"
#include "platform/vcl/Printers.h"
#include "platform/vcl/StdCtrls.h"
#include "support/PdfPages.h"

namespace {

using app::FrmMain;
using app::fSetupPrint;

std::string ReadText(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Near(uint32_t rgb, uint32_t want) {
  for (int shift : {0, 8, 16}) {
    const int a = static_cast<int>((rgb >> shift) & 0xFF), b = static_cast<int>((want >> shift) & 0xFF);
    if (a - b > 24 || b - a > 24) return false;
  }
  return true;
}

// Pixels of the page's rectangle (in page-window pixels) near `rgb`.
int CountNear(const testsupport::RenderedPage& page, vcl::TRect area, uint32_t rgb) {
  // The page window fills the paper's width.
  const double scale = static_cast<double>(page.width) / app::TfPrint::kPageWidth;
  int found = 0;
  for (int y = static_cast<int>(area.top * scale); y < static_cast<int>(area.bottom * scale); ++y)
    for (int x = static_cast<int>(area.left * scale); x < static_cast<int>(area.right * scale); ++x)
      if (Near(page.Pixel(x, y), rgb)) ++found;
  return found;
}

class PrintPageTest : public mainwindow::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    // A printer of this test's own, so no choice of another test carries over.
    old_printer_.reset(vcl::SetPrinter(new vcl::TPrinter));
    plat::SetDialogScript([this](const plat::DialogRequest& request) -> std::optional<plat::DialogAnswer> {
      asked_.push_back(request);
      if (request.kind == plat::DialogKind::MessageBox) {
        messages_.push_back(request.text);
        return plat::DialogAnswer{};
      }
      if (answers_.empty()) return std::nullopt;
      plat::DialogAnswer answer = answers_.front();
      answers_.pop_front();
      return answer;
    });
  }
  void TearDown() override {
    vcl::Application->OnIdle = nullptr;
    delete vcl::SetPrinter(old_printer_.release());
    MainWindowTest::TearDown();
  }

  void AnswerFile(const std::string& name) {
    plat::DialogAnswer answer;
    answer.file_name = name;
    answers_.push_back(answer);
  }

  // A frozen spectrum: loud in the lower half of the main spectrum's bins, silent above.
  std::string FrozenFile() {
    EXPECT_TRUE(app::PreparePeakDataFolder());
    std::vector<int32_t> values(static_cast<size_t>(FrmMain->MMSpectrum1->FFTLength() / 2), 0);
    for (size_t i = 0; i < values.size() / 2; ++i) values[i] = 200000;
    const std::string name = app::PeakDataFolder() + "frozen.sav";
    EXPECT_TRUE(app::WriteValueFile(name, values));
    return name;
  }

  std::unique_ptr<vcl::TPrinter> old_printer_;
  std::deque<plat::DialogAnswer> answers_;
  std::vector<plat::DialogRequest> asked_;
};

TEST_F(PrintPageTest, TheFrozenSpectrumIsPrintedAsOnePdfPageInTheChosenColours) {
  if (!testsupport::HavePdfTools()) GTEST_SKIP() << "pdftoppm or pdfinfo (poppler-utils) missing";
  Start();
  ASSERT_NE(fSetupPrint, nullptr);
  // The input stopped, as for a frozen view: the modal loop then has idle time.
  FrmMain->MMWaveIn1->Close();
  const std::string frozen = FrozenFile();
  // Bars in a colour the white page must not show.
  FrmMain->MMSpectrum1->SetBar1Color(vcl::clLime);
  FrmMain->MMSpectrum1->SetBar2Color(vcl::clLime);
  FrmMain->MMSpectrum1->SetBar3Color(vcl::clLime);

  // "Printer Setup": the print dialog chooses the PDF printer.
  plat::DialogAnswer pdf_printer;
  pdf_printer.printer = plat::user::kPdfPrinterName;
  answers_.push_back(pdf_printer);
  FrmMain->PrinterSetup1->Click();
  ASSERT_FALSE(asked_.empty());
  EXPECT_EQ(asked_.back().kind, plat::DialogKind::Print);
  EXPECT_EQ(vcl::Printer()->Printers()->Strings(vcl::Printer()->PrinterIndex()), plat::user::kPdfPrinterName);

  AnswerFile(frozen);
  fSetupPrint->btnFreezClick(nullptr);
  EXPECT_EQ(fSetupPrint->labFreezed->Caption(), frozen);
  fSetupPrint->edMain->SetText("Hall 2");
  fSetupPrint->edProd->SetText("Line check");
  fSetupPrint->Memo1->Lines()->SetText("first line\r\nsecond line\r\n");

  // "Print Spectrum Setup" shows the window; in it "Print" is pressed with
  // either background, and the window closed.
  const std::string white_pdf = temp_.File("white.pdf");
  const std::string black_pdf = temp_.File("black.pdf");
  const int forms = vcl::Screen->FormCount();
  int prints = 0;
  vcl::Application->OnIdle = [&](vcl::TObject*, bool& done) {
    done = false;
    if (!fSetupPrint->Visible()) return;
    EXPECT_EQ(fSetupPrint->labFreezed->Caption(), frozen);
    fSetupPrint->rgBackground->SetItemIndex(1);
    AnswerFile(white_pdf);
    fSetupPrint->Button1->Click();
    fSetupPrint->rgBackground->SetItemIndex(0);
    AnswerFile(black_pdf);
    fSetupPrint->Button1->Click();
    prints = 2;
    fSetupPrint->SetModalResult(vcl::mrOk);
  };
  FrmMain->PrinterDiablog1->Click();
  vcl::Application->OnIdle = nullptr;
  ASSERT_EQ(prints, 2);
  EXPECT_TRUE(errors_.empty()) << errors_.front();
  EXPECT_EQ(ReadText(app::MemoFieldFile()), "first line\r\nsecond line\r\n");
  // Each page window went once printed.
  EXPECT_EQ(app::fPrint, nullptr);
  EXPECT_EQ(vcl::Screen->FormCount(), forms);

  struct Row {
    const std::string* pdf;
    uint32_t background;
    uint32_t bars;
    uint32_t absent;
  };
  // The runtime spectrum's own bar colour is aqua; the main spectrum's lime shows in neither.
  for (const Row& r :
       {Row{&white_pdf, 0xFFFFFF, 0x000000, 0x00FF00}, Row{&black_pdf, 0x000000, 0x00FFFF, 0x00FF00}}) {
    SCOPED_TRACE(*r.pdf);
    EXPECT_EQ(testsupport::PdfPageCount(*r.pdf), 1);
    const std::optional<testsupport::RenderedPage> page = testsupport::RenderPdfPage(*r.pdf, 150);
    ASSERT_TRUE(page.has_value());
    // Inside the spectrum's area, clear of its scales.
    const vcl::TRect spectrum{60, 230, 700, 600};
    EXPECT_GT(CountNear(*page, spectrum, r.background), 20000);
    EXPECT_GT(CountNear(*page, spectrum, r.bars), 20000);
    EXPECT_EQ(CountNear(*page, spectrum, r.absent), 0);
    // Heading, production line and memo are printed in black on the white page.
    for (const vcl::TRect text :
         {vcl::TRect{15, 24, 745, 88}, vcl::TRect{32, 180, 741, 201}, vcl::TRect{32, 672, 737, 720}})
      EXPECT_GT(CountNear(*page, text, 0x000000), 50) << text.top;
    EXPECT_EQ(CountNear(*page, vcl::TRect{32, 730, 737, 970}, 0x000000), 0) << "two memo lines only";
  }
}

TEST_F(PrintPageTest, APrintWithoutFrozenFileOrMemoFileIsRefused) {
  Start();
  // A project loaded through the shared open dialog is no frozen spectrum.
  AnswerFile(app::DefaultProjectPath());
  FrmMain->LoadPrject1Click(nullptr);
  ASSERT_EQ(FrmMain->LoadDialog1->FileName(), app::DefaultProjectPath());
  messages_.clear();
  fSetupPrint->Button1Click(nullptr);
  EXPECT_EQ(messages_, std::vector<std::string>{"Please select a freezed Background!"});
  EXPECT_FALSE(std::filesystem::exists(app::MemoFieldFile()));

  // A memo that cannot be written stops the print before any page.
  FrmMain->FrozenFileName = FrozenFile();
  std::filesystem::remove_all(app::PeakDataFolder());
  std::ofstream(app::UserDataFolder() + "Analyzer Peak Data") << "x";
  asked_.clear();
  EXPECT_THROW(fSetupPrint->Button1Click(nullptr), vcl::EFCreateError);
  EXPECT_TRUE(asked_.empty()) << "no file asked for a PDF";
  EXPECT_EQ(app::fPrint, nullptr);
}

}  // namespace
