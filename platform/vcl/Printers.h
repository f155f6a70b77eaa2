#pragma once
// TPrinter: the printers the layer offers, the chosen one's settings, and a
// canvas on its page for documents of one or more pages.
#include <memory>
#include <string>

#include "platform/gdi/Gdi.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/Lists.h"

namespace vcl {

VCL_DECLARE_EXCEPTION(EPrinter, Exception);

enum TPrinterOrientation { poPortrait, poLandscape };

class TPrinter : public TObject {
 public:
  TPrinter();
  ~TPrinter() override;

  // Printer names; the PDF printer is always there.
  TStrings* Printers();
  // -1 selects the default printer.
  int PrinterIndex();
  void SetPrinterIndex(int value);
  TPrinterOrientation Orientation() const { return orientation_; }
  void SetOrientation(TPrinterOrientation value);
  int Copies() const { return copies_; }
  void SetCopies(int value) { copies_ = value; }
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& value) { title_ = value; }
  // Where the PDF printer writes; empty asks with the save dialog.
  const std::string& FileName() const { return file_name_; }
  void SetFileName(const std::string& value) { file_name_ = value; }

  // Page size in device pixels of the chosen printer and orientation.
  int PageWidth();
  int PageHeight();
  int PageNumber() const { return page_number_; }
  bool Printing() const { return printing_; }
  bool Aborted() const { return aborted_; }

  // EPrinter when already printing or when the document cannot start;
  // EAbort (Aborted() true) when the user cancels the PDF file's name.
  void BeginDoc();
  void NewPage();
  void EndDoc();
  void Abort();
  // The page's canvas while printing; the printer's DC otherwise.
  TCanvas* Canvas();
  plat::HDC Handle();

 private:
  void FreeDC();
  std::unique_ptr<TStringList> printers_;
  int index_ = -1;
  TPrinterOrientation orientation_ = poPortrait;
  int copies_ = 1;
  std::string title_;
  std::string file_name_;
  plat::HDC dc_ = nullptr;
  std::unique_ptr<TCanvas> canvas_;
  int page_number_ = 0;
  bool printing_ = false;
  bool aborted_ = false;
};

// The process's printer, made on first use.
TPrinter* Printer();
// Replaces it (tests); returns the old one, which the caller then owns.
TPrinter* SetPrinter(TPrinter* printer);

}  // namespace vcl
