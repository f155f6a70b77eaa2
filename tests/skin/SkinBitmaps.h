#pragma once
// Small bitmaps for pixel checks: built from rows of colours, read back as rows.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/vcl/Colors.h"
#include "platform/vcl/GraphicsBitmap.h"

namespace skin_test {

using Rows = std::vector<std::vector<vcl::TColor>>;

inline std::unique_ptr<vcl::TBitmap> MakeBitmap(const Rows& rows, vcl::TPixelFormat format = vcl::pf24bit) {
  auto bitmap = std::make_unique<vcl::TBitmap>();
  bitmap->SetPixelFormat(vcl::pf24bit);
  bitmap->SetSize(rows.empty() ? 0 : static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
  for (size_t y = 0; y < rows.size(); ++y)
    for (size_t x = 0; x < rows[y].size(); ++x)
      bitmap->Canvas()->SetPixels(static_cast<int>(x), static_cast<int>(y), rows[y][x]);
  bitmap->SetPixelFormat(format);
  return bitmap;
}

// A w x h bitmap of one colour.
inline std::unique_ptr<vcl::TBitmap> Filled(int w, int h, vcl::TColor colour) {
  return MakeBitmap(Rows(static_cast<size_t>(h), std::vector<vcl::TColor>(static_cast<size_t>(w), colour)));
}

inline Rows ReadRows(vcl::TBitmap& bitmap) {
  Rows rows(static_cast<size_t>(bitmap.Height()));
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x)
      rows[static_cast<size_t>(y)].push_back(bitmap.Canvas()->Pixels(x, y));
  return rows;
}

inline std::string Hex(vcl::TColor c) {
  char text[16];
  snprintf(text, sizeof text, "%06X", static_cast<unsigned>(c) & 0xFFFFFFu);
  return text;
}

}  // namespace skin_test
