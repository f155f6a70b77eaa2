#pragma once
// Printing: printer device contexts that draw into a page surface at the
// printer's resolution (150 dpi, A4 unless the settings say otherwise), and
// documents whose pages go into a PDF through cairo: the built-in "PDF file"
// printer writes the file, a CUPS printer gets it through `lp`.
#include <string>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/kernel/Types.h"
#include "platform/user/CommonDialogs.h"

namespace plat {

// GetDeviceCaps indices of printers.
constexpr int PHYSICALWIDTH = 110;
constexpr int PHYSICALHEIGHT = 111;
constexpr int PHYSICALOFFSETX = 112;
constexpr int PHYSICALOFFSETY = 113;

constexpr int SP_ERROR = -1;
constexpr int SP_APPABORT = -2;
constexpr int SP_OUTOFDISK = -4;

struct DOCINFOA {
  int cbSize = sizeof(DOCINFOA);
  const char* lpszDocName = nullptr;
  const char* lpszOutput = nullptr;  // a file: the PDF goes there instead of to the printer
  const char* lpszDatatype = nullptr;
  DWORD fwType = 0;
};

// `device` names a printer (user::PrinterNames); "DISPLAY" as driver gives a
// DC compatible with the screen. `mode` sets orientation, paper and copies.
HDC CreateDCA(const char* driver, const char* device, const char* output, const DEVMODEA* mode);
// Without an output file the PDF printer asks for one with the save dialog.
int StartDocA(HDC hdc, const DOCINFOA* info);
int StartPage(HDC hdc);
int EndPage(HDC hdc);
int EndDoc(HDC hdc);
int AbortDoc(HDC hdc);

}  // namespace plat

namespace plat::user {

inline constexpr const char* kPdfPrinterName = "PDF file";

// The PDF printer first, then the CUPS queues `lpstat -e` lists.
std::vector<std::string> PrinterNames();
// The default printer: CUPS's default when there is one, else the PDF printer.
std::string DefaultPrinterName();
bool IsPrinterDC(HDC hdc);
// GetDeviceCaps for a printer DC (page size in pixels, resolution, physical
// size and offsets); GetDeviceCaps itself for any other DC.
int PrinterDeviceCaps(HDC hdc, int index);

}  // namespace plat::user
