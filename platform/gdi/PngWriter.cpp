#include "platform/gdi/PngWriter.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

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

bool SaveSurfacePng(const Surface& surface, const std::string& path, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  std::vector<uint8_t> bytes;
  if (!EncodePng(surface, &bytes)) return fail("empty surface");
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return fail(path + ": " + std::strerror(errno));
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    std::remove(path.c_str());
    return fail(path + ": could not write the PNG");
  }
  return true;
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
