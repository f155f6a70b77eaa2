#include "platform/gdi/PngWriter.h"

#include <png.h>

#include <fstream>

#include "platform/gdi/DeviceContext.h"

namespace plat {

namespace {

void Append(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void Flush(png_structp) {}

}  // namespace

bool EncodePng(const Surface& s, std::vector<uint8_t>* out) {
  if (out == nullptr || s.bits == nullptr || s.width <= 0 || s.height <= 0) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  std::vector<uint8_t> bytes;
  std::vector<png_byte> row(static_cast<size_t>(s.width) * 3);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &bytes, Append, Flush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(s.width), static_cast<png_uint_32>(s.height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < s.height; ++y) {
    for (int x = 0; x < s.width; ++x) {
      COLORREF c = s.ToColor(s.Get(x, y));
      row[3 * x] = GetRValue(c);
      row[3 * x + 1] = GetGValue(c);
      row[3 * x + 2] = GetBValue(c);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  *out = std::move(bytes);
  return true;
}

bool SaveSurfacePng(const Surface& surface, const std::string& path) {
  std::vector<uint8_t> bytes;
  if (!EncodePng(surface, &bytes)) return false;
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(f);
}

bool SaveBitmapPng(HBITMAP bitmap, const std::string& path) {
  GdiLock lock;
  auto* bm = LookupAs<BitmapObject>(bitmap, OBJ_BITMAP);
  return bm != nullptr && SaveSurfacePng(bm->surface, path);
}

bool SaveDCPng(HDC hdc, const std::string& path) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  Surface* s = dc != nullptr ? dc->GetSurface() : nullptr;
  return s != nullptr && SaveSurfacePng(*s, path);
}

}  // namespace plat
