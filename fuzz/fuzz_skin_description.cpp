// Reads arbitrary bytes as a skin description over a package of a few small
// bitmaps. Whatever loads must hold frame counts of at least 1 and edges
// within one frame, so no painter divides by zero or copies a negative part.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/vcl/GraphicsBitmap.h"
#include "skin/SkinReader.h"
#include "skin/WinSkinData.h"
#include "skin/WinSkinIni.h"
#include "tools/skinpack/Container.h"

namespace {

std::vector<uint8_t> Bmp(int width, int height, vcl::TPixelFormat format) {
  vcl::TBitmap bitmap;
  bitmap.SetPixelFormat(format);
  bitmap.SetSize(width, height);
  vcl::TMemoryStream out;
  bitmap.SaveToStream(out);
  return std::vector<uint8_t>(out.Memory(), out.Memory() + out.Size());
}

// Members "a.bmp" .. "e.bmp" of assorted shapes and formats.
const skin::TSkinReader& Reader() {
  static skin::TSkinReader reader;
  static bool loaded = [] {
    const std::vector<std::vector<uint8_t>> images = {Bmp(40, 20, vcl::pf24bit), Bmp(8, 60, vcl::pf24bit),
                                                      Bmp(96, 44, vcl::pf8bit), Bmp(1, 1, vcl::pf1bit),
                                                      Bmp(380, 100, vcl::pf4bit)};
    std::vector<skinpack::SkinMember> members;
    for (size_t i = 0; i < images.size(); ++i)
      members.push_back({std::string(1, static_cast<char>('a' + i)) + ".bmp", images[i]});
    std::vector<uint8_t> package = skinpack::PackSkin(members);
    vcl::TMemoryStream stream;
    stream.WriteBuffer(package.data(), static_cast<int64_t>(package.size()));
    if (reader.Load(stream) != skin::TSkinLoadStatus::Ok) std::abort();
    return true;
  }();
  (void)loaded;
  return reader;
}

void Check(const skin::TDataSkinObject* e, bool stacked) {
  if (!e) return;
  if (e->Frame < 1) std::abort();
  if (e->Bitmap.Empty()) return;
  const int fw = stacked ? e->Bitmap.Width() : e->Bitmap.Width() / e->Frame;
  const int fh = stacked ? e->Bitmap.Height() / e->Frame : e->Bitmap.Height();
  if (fw < 1 || fh < 1) std::abort();
  if (e->LeftWidth < 0 || e->LeftWidth > fw || e->RightWidth < 0 || e->RightWidth > fw) std::abort();
  if (e->TopHeight < 0 || e->TopHeight > fh || e->BottomHeight < 0 || e->BottomHeight > fh) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  skin::TQuickIni ini;
  ini.LoadFromText(std::string_view(reinterpret_cast<const char*>(data), size));
  skin::TParsedSkin s;
  s.LoadDescription(ini, Reader());
  if (!s.Title || !s.Buttons || s.SysButtons.size() < 3) std::abort();
  Check(s.Top.get(), true);
  Check(s.Bottom.get(), true);
  Check(s.MenuBar.get(), true);
  const std::initializer_list<const skin::TDataSkinObject*> side_by_side = {
      s.Left.get(),          s.Right.get(),       s.Buttons.get(),   s.Tabs.get(),
      s.MenuItem.get(),      s.ScrollBar.get(),   s.Headerbar.get(), s.HorzScrollThumb.get(),
      s.ProgressChunk.get(), s.ComboButton.get(), s.SunkEdge.get(),  s.Track.get(),
      s.TrackVert.get(),     s.ComboArrow.get(),  s.Toolbar.get()};
  for (const skin::TDataSkinObject* e : side_by_side) Check(e, false);
  for (const auto& b : s.SysButtons) Check(b.get(), false);
  if (s.Buttons->RadioButtonFrame < 1 || s.Buttons->CheckButtonFrame < 1) std::abort();
  const int back = s.Title->Bitmap.Width();
  if (s.Title->TXTBackleft < 0 || s.Title->TXTBackleft > back || s.Title->TXTBackRight < 0 ||
      s.Title->TXTBackRight > back)
    std::abort();
  return 0;
}
