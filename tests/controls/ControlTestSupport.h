#pragma once
// Shared by the control tests: small 24-bit DIBs whose pixels depend on a
// seed, so two of them differ everywhere and a copy can be compared byte for
// byte through its saved image; and a fixture with the application and the
// screen for tests that make forms.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/vcl/Application.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/Streams.h"

namespace controls::testing {

inline std::unique_ptr<vcl::TBitmap> PatternBitmap(int width, int height, int seed) {
  auto bitmap = std::make_unique<vcl::TBitmap>();
  bitmap->SetPixelFormat(vcl::pf24bit);
  bitmap->SetSize(width, height);
  for (int y = 0; y < height; ++y) {
    auto* row = static_cast<uint8_t*>(bitmap->ScanLine(y));
    for (int x = 0; x < width; ++x) {
      // Blocks of flat colour with a gradient: both runs and copies occur.
      row[3 * x + 0] = static_cast<uint8_t>(seed * 37 + (x / 11) * 20);
      row[3 * x + 1] = static_cast<uint8_t>(seed * 91 + y * 3);
      row[3 * x + 2] = static_cast<uint8_t>((x + y + seed) % 7 == 0 ? 255 : seed * 13);
    }
  }
  return bitmap;
}

// Pixels that no coder can shorten.
inline std::unique_ptr<vcl::TBitmap> NoiseBitmap(int width, int height, uint32_t seed) {
  auto bitmap = std::make_unique<vcl::TBitmap>();
  bitmap->SetPixelFormat(vcl::pf24bit);
  bitmap->SetSize(width, height);
  uint32_t state = seed * 2654435761u + 1;
  for (int y = 0; y < height; ++y) {
    auto* row = static_cast<uint8_t*>(bitmap->ScanLine(y));
    for (int i = 0; i < width * 3; ++i) {
      state = state * 1664525u + 1013904223u;
      row[i] = static_cast<uint8_t>(state >> 24);
    }
  }
  return bitmap;
}

// The image as the bitmap saves it.
inline std::vector<uint8_t> ImageOf(vcl::TBitmap& bitmap) {
  vcl::TMemoryStream stream;
  bitmap.SaveToStream(stream);
  return {stream.Memory(), stream.Memory() + stream.Size()};
}

class FormsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vcl::InitApplication();
    vcl::InitForms();
  }
  void TearDown() override {
    vcl::DoneForms();
    vcl::DoneApplication();
  }
};

}  // namespace controls::testing
