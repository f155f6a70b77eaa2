#pragma once
// Printed PDF files read back with the poppler tools: the page count and a
// page rendered to RGB pixels.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace testsupport {

// True when pdftoppm and pdfinfo can be run.
bool HavePdfTools();

// The "Pages:" pdfinfo reports; -1 when the file cannot be read.
int PdfPageCount(const std::filesystem::path& pdf);

struct RenderedPage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;            // rows top down, three bytes a pixel
  uint32_t Pixel(int x, int y) const;  // 0xRRGGBB
};

// Page `page` (1-based) rendered at `dpi`; nothing when pdftoppm fails.
std::optional<RenderedPage> RenderPdfPage(const std::filesystem::path& pdf, int dpi, int page = 1);

}  // namespace testsupport
