#include "platform/vcl/Printers.h"

#include <algorithm>

#include "platform/user/Printing.h"

namespace vcl {

TPrinter::TPrinter() = default;

TPrinter::~TPrinter() {
  if (printing_) Abort();
  FreeDC();
}

TStrings* TPrinter::Printers() {
  if (!printers_) {
    printers_ = std::make_unique<TStringList>();
    for (const std::string& name : plat::user::PrinterNames()) printers_->Add(name);
  }
  return printers_.get();
}

int TPrinter::PrinterIndex() {
  if (index_ < 0) {
    const std::string name = plat::user::DefaultPrinterName();
    index_ = std::max(0, Printers()->IndexOf(name));
  }
  return index_;
}

void TPrinter::SetPrinterIndex(int value) {
  if (printing_) throw EPrinter("Printing in progress");
  if (value >= Printers()->Count()) throw EPrinter("Printer selected is not valid");
  if (value == index_) return;
  index_ = value;
  FreeDC();
}

void TPrinter::SetOrientation(TPrinterOrientation value) {
  if (printing_) throw EPrinter("Printing in progress");
  if (value == orientation_) return;
  orientation_ = value;
  FreeDC();
}

void TPrinter::FreeDC() {
  if (canvas_) canvas_->SetHandle(nullptr);
  if (dc_) plat::DeleteDC(dc_);
  dc_ = nullptr;
}

plat::HDC TPrinter::Handle() {
  if (!dc_) {
    plat::DEVMODEA mode;
    mode.dmFields = plat::DM_ORIENTATION | plat::DM_COPIES;
    mode.dmOrientation = orientation_ == poLandscape ? plat::DMORIENT_LANDSCAPE : plat::DMORIENT_PORTRAIT;
    mode.dmCopies = static_cast<short>(std::max(1, copies_));
    const std::string name = Printers()->Strings(PrinterIndex());
    dc_ = plat::CreateDCA("winspool", name.c_str(), nullptr, &mode);
    if (!dc_) throw EPrinter("Printer selected is not valid");
  }
  return dc_;
}

int TPrinter::PageWidth() { return plat::user::PrinterDeviceCaps(Handle(), plat::HORZRES); }
int TPrinter::PageHeight() { return plat::user::PrinterDeviceCaps(Handle(), plat::VERTRES); }

TCanvas* TPrinter::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TCanvas>();
  if (!canvas_->HandleAllocated()) canvas_->SetHandle(Handle());
  return canvas_.get();
}

void TPrinter::BeginDoc() {
  if (printing_) throw EPrinter("Printing in progress");
  FreeDC();  // copies and orientation as set now
  plat::DOCINFOA info;
  info.lpszDocName = title_.c_str();
  info.lpszOutput = file_name_.empty() ? nullptr : file_name_.c_str();
  const int job = plat::StartDocA(Handle(), &info);
  if (job == plat::SP_APPABORT) {
    // The user cancelled the choice of the output file: nothing to report.
    aborted_ = true;
    throw EAbort("Printing cancelled");
  }
  if (job <= 0) throw EPrinter("Printing could not be started");
  printing_ = true;
  aborted_ = false;
  page_number_ = 1;
  plat::StartPage(dc_);
  Canvas()->Refresh();
}

void TPrinter::NewPage() {
  if (!printing_) throw EPrinter("Printer is not currently printing");
  plat::EndPage(dc_);
  plat::StartPage(dc_);
  ++page_number_;
  Canvas()->Refresh();
}

void TPrinter::EndDoc() {
  if (!printing_) throw EPrinter("Printer is not currently printing");
  canvas_->SetHandle(nullptr);
  plat::EndPage(dc_);
  const int result = plat::EndDoc(dc_);
  printing_ = false;
  page_number_ = 0;
  if (result <= 0) throw EPrinter("The document could not be printed");
}

void TPrinter::Abort() {
  if (!printing_) throw EPrinter("Printer is not currently printing");
  if (canvas_) canvas_->SetHandle(nullptr);
  plat::AbortDoc(dc_);
  printing_ = false;
  aborted_ = true;
  page_number_ = 0;
}

namespace {
TPrinter* the_printer = nullptr;
}

TPrinter* Printer() {
  if (!the_printer) the_printer = new TPrinter();
  return the_printer;
}

TPrinter* SetPrinter(TPrinter* printer) {
  TPrinter* old = the_printer;
  the_printer = printer;
  return old;
}

}  // namespace vcl
