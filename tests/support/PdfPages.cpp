#include "support/PdfPages.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace testsupport {

namespace {

std::string Quoted(const std::filesystem::path& path) {
  std::string q = "'";
  for (char c : path.string()) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

}  // namespace

bool HavePdfTools() {
  return std::system("command -v pdftoppm >/dev/null 2>&1 && command -v pdfinfo >/dev/null 2>&1") == 0;
}

int PdfPageCount(const std::filesystem::path& pdf) {
  const std::string command = "pdfinfo " + Quoted(pdf) + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  int pages = -1;
  char line[512];
  while (std::fgets(line, sizeof line, pipe))
    if (std::sscanf(line, "Pages: %d", &pages) == 1) break;
  while (std::fgets(line, sizeof line, pipe)) {
  }
  pclose(pipe);
  return pages;
}

uint32_t RenderedPage::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0xFFFFFFFFu;
  const size_t at = 3 * (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x));
  return (uint32_t{rgb[at]} << 16) | (uint32_t{rgb[at + 1]} << 8) | rgb[at + 2];
}

std::optional<RenderedPage> RenderPdfPage(const std::filesystem::path& pdf, int dpi, int page) {
  const std::filesystem::path out = pdf.string() + "-page" + std::to_string(page);
  const std::string command = "pdftoppm -r " + std::to_string(dpi) + " -f " + std::to_string(page) + " -l " +
                              std::to_string(page) + " -singlefile " + Quoted(pdf) + " " + Quoted(out) +
                              " 2>/dev/null";
  if (std::system(command.c_str()) != 0) return std::nullopt;
  const std::filesystem::path ppm = out.string() + ".ppm";
  std::ifstream in(ppm, std::ios::binary);
  std::string magic;
  int max = 0;
  RenderedPage result;
  in >> magic >> result.width >> result.height >> max;
  in.get();
  if (magic != "P6" || max != 255 || result.width <= 0 || result.height <= 0) return std::nullopt;
  result.rgb.resize(3 * static_cast<size_t>(result.width) * static_cast<size_t>(result.height));
  in.read(reinterpret_cast<char*>(result.rgb.data()), static_cast<std::streamsize>(result.rgb.size()));
  const bool whole = static_cast<bool>(in);
  in.close();
  std::error_code ignored;
  std::filesystem::remove(ppm, ignored);
  if (!whole) return std::nullopt;
  return result;
}

}  // namespace testsupport
