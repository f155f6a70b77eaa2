#include "platform/user/Printing.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>

namespace plat {

namespace {

struct PrinterDC {
  std::string printer;
  int dpi = 150;
  int width = 0;  // page pixels
  int height = 0;
  double paper_width_pt = 0;
  double paper_height_pt = 0;
  int copies = 1;
  HBITMAP page = nullptr;
  HGDIOBJ old_bitmap = nullptr;
  uint8_t* bits = nullptr;
  // The document being printed.
  cairo_surface_t* pdf = nullptr;
  std::string pdf_path;
  bool to_printer = false;  // send through lp at EndDoc
  std::string title;
  bool in_page = false;
};

std::mutex& Lock() {
  static std::mutex m;
  return m;
}
std::map<HDC, std::shared_ptr<PrinterDC>>& Printers() {
  static std::map<HDC, std::shared_ptr<PrinterDC>> m;
  return m;
}

std::shared_ptr<PrinterDC> Find(HDC hdc) {
  std::lock_guard lock(Lock());
  auto it = Printers().find(hdc);
  return it == Printers().end() ? nullptr : it->second;
}

// Records of DCs deleted meanwhile give their page bitmaps back.
void Purge() {
  std::vector<std::shared_ptr<PrinterDC>> gone;
  {
    std::lock_guard lock(Lock());
    for (auto it = Printers().begin(); it != Printers().end();) {
      if (GetObjectType(it->first) == 0) {
        gone.push_back(it->second);
        it = Printers().erase(it);
      } else {
        ++it;
      }
    }
  }
  for (auto& p : gone) {
    if (p->pdf) cairo_surface_destroy(p->pdf);
    DeleteObject(p->page);
  }
}

std::string Run(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
    pclose(pipe);
  }
  return out;
}

bool HaveCommand(const char* name) {
  return !Run(std::string("command -v ") + name + " 2>/dev/null").empty();
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

void CloseDocument(PrinterDC& p) {
  if (p.pdf) {
    cairo_surface_finish(p.pdf);
    cairo_surface_destroy(p.pdf);
    p.pdf = nullptr;
  }
}

}  // namespace

HDC CreateDCA(const char* driver, const char* device, const char* output, const DEVMODEA* mode) {
  Purge();
  if (driver && !device && std::string(driver) == "DISPLAY") return CreateCompatibleDC(nullptr);
  std::string name = device ? device : (mode ? mode->dmDeviceName : "");
  if (name.empty()) name = user::DefaultPrinterName();
  const auto names = user::PrinterNames();
  if (std::find(names.begin(), names.end(), name) == names.end()) return nullptr;
  auto p = std::make_shared<PrinterDC>();
  p->printer = name;
  p->title = output ? output : "";
  const bool landscape =
      mode && (mode->dmFields & DM_ORIENTATION) && mode->dmOrientation == DMORIENT_LANDSCAPE;
  const bool letter = mode && (mode->dmFields & DM_PAPERSIZE) && mode->dmPaperSize == DMPAPER_LETTER;
  if (mode && (mode->dmFields & DM_PRINTQUALITY) && mode->dmPrintQuality >= 72 && mode->dmPrintQuality <= 600)
    p->dpi = mode->dmPrintQuality;
  if (mode && (mode->dmFields & DM_COPIES) && mode->dmCopies > 0) p->copies = mode->dmCopies;
  double w_in = letter ? 8.5 : 210.0 / 25.4;
  double h_in = letter ? 11.0 : 297.0 / 25.4;
  if (landscape) std::swap(w_in, h_in);
  p->paper_width_pt = w_in * 72.0;
  p->paper_height_pt = h_in * 72.0;
  p->width = static_cast<int>(std::lround(w_in * p->dpi));
  p->height = static_cast<int>(std::lround(h_in * p->dpi));
  HDC hdc = CreateCompatibleDC(nullptr);
  if (!hdc) return nullptr;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = p->width;
  info.bmiHeader.biHeight = -p->height;  // top-down, as cairo reads it
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  p->page = CreateDIBSection(hdc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!p->page) {
    DeleteDC(hdc);
    return nullptr;
  }
  p->bits = static_cast<uint8_t*>(bits);
  p->old_bitmap = SelectObject(hdc, p->page);
  RECT all{0, 0, p->width, p->height};
  FillRect(hdc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  std::lock_guard lock(Lock());
  Printers()[hdc] = p;
  return hdc;
}

int StartDocA(HDC hdc, const DOCINFOA* info) {
  auto p = Find(hdc);
  if (!p || p->pdf) return SP_ERROR;
  p->title = info && info->lpszDocName ? info->lpszDocName : "Document";
  std::string output = info && info->lpszOutput ? info->lpszOutput : "";
  p->to_printer = false;
  if (output.empty() && p->printer == user::kPdfPrinterName) {
    char file[4096] = {};
    OPENFILENAMEA ofn;
    ofn.lpstrFilter = "PDF files\0*.pdf\0";
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrDefExt = "pdf";
    ofn.lpstrTitle = "Print to File";
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
    if (!GetSaveFileNameA(&ofn)) return SP_APPABORT;
    output = file;
  } else if (output.empty()) {
    char name[] = "/tmp/quellix-print-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) return SP_ERROR;
    close(fd);
    output = name;
    p->to_printer = true;
  }
  p->pdf_path = output;
  p->pdf = cairo_pdf_surface_create(output.c_str(), p->paper_width_pt, p->paper_height_pt);
  if (cairo_surface_status(p->pdf) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(p->pdf);
    p->pdf = nullptr;
    return SP_OUTOFDISK;
  }
  cairo_pdf_surface_set_metadata(p->pdf, CAIRO_PDF_METADATA_TITLE, p->title.c_str());
  static int job = 0;
  return ++job;
}

int StartPage(HDC hdc) {
  auto p = Find(hdc);
  if (!p || !p->pdf) return SP_ERROR;
  RECT all{0, 0, p->width, p->height};
  FillRect(hdc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  p->in_page = true;
  return 1;
}

int EndPage(HDC hdc) {
  auto p = Find(hdc);
  if (!p || !p->pdf || !p->in_page) return SP_ERROR;
  GdiFlush();
  // The page pixels are 32-bit BGRX rows, which is cairo's RGB24 here.
  cairo_surface_t* image =
      cairo_image_surface_create_for_data(p->bits, CAIRO_FORMAT_RGB24, p->width, p->height, p->width * 4);
  cairo_t* cr = cairo_create(p->pdf);
  cairo_scale(cr, 72.0 / p->dpi, 72.0 / p->dpi);
  cairo_set_source_surface(cr, image, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(image);
  cairo_surface_show_page(p->pdf);
  p->in_page = false;
  return cairo_surface_status(p->pdf) == CAIRO_STATUS_SUCCESS ? 1 : SP_ERROR;
}

int EndDoc(HDC hdc) {
  auto p = Find(hdc);
  if (!p || !p->pdf) return SP_ERROR;
  if (p->in_page) EndPage(hdc);
  CloseDocument(*p);
  if (p->to_printer) {
    const std::string command = "lp -s -d " + Quote(p->printer) + " -t " + Quote(p->title) + " -n " +
                                std::to_string(p->copies) + " " + Quote(p->pdf_path) + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    std::error_code ec;
    std::filesystem::remove(p->pdf_path, ec);
    if (status != 0) return SP_ERROR;
  }
  return 1;
}

int AbortDoc(HDC hdc) {
  auto p = Find(hdc);
  if (!p || !p->pdf) return SP_ERROR;
  CloseDocument(*p);
  std::error_code ec;
  std::filesystem::remove(p->pdf_path, ec);
  p->in_page = false;
  return 1;
}

namespace user {

std::vector<std::string> PrinterNames() {
  std::vector<std::string> names{kPdfPrinterName};
  static const bool have_lpstat = HaveCommand("lpstat");
  if (!have_lpstat) return names;
  const std::string out = Run("lpstat -e 2>/dev/null");
  size_t start = 0;
  while (start < out.size()) {
    size_t end = out.find('\n', start);
    if (end == std::string::npos) end = out.size();
    std::string line = out.substr(start, end - start);
    if (!line.empty() && line != kPdfPrinterName) names.push_back(line);
    start = end + 1;
  }
  return names;
}

std::string DefaultPrinterName() {
  static const bool have_lpstat = HaveCommand("lpstat");
  if (have_lpstat) {
    // "system default destination: NAME"
    const std::string out = Run("lpstat -d 2>/dev/null");
    const size_t colon = out.find(": ");
    if (colon != std::string::npos) {
      std::string name = out.substr(colon + 2);
      while (!name.empty() && (name.back() == '\n' || name.back() == ' ')) name.pop_back();
      const auto names = PrinterNames();
      if (std::find(names.begin(), names.end(), name) != names.end()) return name;
    }
  }
  return kPdfPrinterName;
}

bool IsPrinterDC(HDC hdc) { return Find(hdc) != nullptr; }

int PrinterDeviceCaps(HDC hdc, int index) {
  auto p = Find(hdc);
  if (!p) return GetDeviceCaps(hdc, index);
  switch (index) {
    case TECHNOLOGY:
      return 2;  // DT_RASPRINTER
    case HORZRES:
    case PHYSICALWIDTH:
      return p->width;
    case VERTRES:
    case PHYSICALHEIGHT:
      return p->height;
    case HORZSIZE:
      return static_cast<int>(std::lround(p->paper_width_pt / 72.0 * 25.4));
    case VERTSIZE:
      return static_cast<int>(std::lround(p->paper_height_pt / 72.0 * 25.4));
    case LOGPIXELSX:
    case LOGPIXELSY:
      return p->dpi;
    case PHYSICALOFFSETX:
    case PHYSICALOFFSETY:
      return 0;
    default:
      return GetDeviceCaps(hdc, index);
  }
}

}  // namespace user

}  // namespace plat
