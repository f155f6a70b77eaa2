#include "platform/backend/Png.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace plat::backend {

namespace {

// libpng reports errors by longjmp, so nothing here owns C++ objects.
bool WriteRows(std::FILE* file, int width, int height, png_bytep* rows) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WritePng(const Surface& surface, const std::string& path, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  if (surface.width <= 0 || surface.height <= 0 || !surface.bits) return fail("empty surface");
  std::vector<uint8_t> pixels(static_cast<size_t>(surface.width) * surface.height * 3);
  std::vector<png_bytep> rows(static_cast<size_t>(surface.height));
  std::vector<uint32_t> values(static_cast<size_t>(surface.width));
  for (int y = 0; y < surface.height; ++y) {
    uint8_t* out = &pixels[static_cast<size_t>(y) * surface.width * 3];
    rows[static_cast<size_t>(y)] = out;
    surface.GetRow(0, y, surface.width, values.data());
    for (int x = 0; x < surface.width; ++x) {
      const COLORREF c = surface.ToColor(values[static_cast<size_t>(x)]);
      out[x * 3 + 0] = GetRValue(c);
      out[x * 3 + 1] = GetGValue(c);
      out[x * 3 + 2] = GetBValue(c);
    }
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return fail(path + ": " + std::strerror(errno));
  const bool written = WriteRows(file, surface.width, surface.height, rows.data());
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    std::remove(path.c_str());
    return fail(path + ": could not write the PNG");
  }
  return true;
}

}  // namespace plat::backend
