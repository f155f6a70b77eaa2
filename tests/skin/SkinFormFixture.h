#pragma once
// A small skin built as a package in the test: borders 4 / 22 / 4 / 4 of
// two frames each (active, inactive) in their own colours, a title with a
// text shift, and caption buttons of four 16 x 14 frames. The fixture makes
// a skin data component with it and forms on the headless screen.
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "displays/ScreenTestSupport.h"
#include "platform/user/Geometry.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "platform/user/UserModule.h"
#include "platform/vcl/Graphics.h"
#include "skin/SkinData.h"
#include "skin/SkinDraw.h"
#include "skin/SkinPackageFixtures.h"
#include "skin/WinSkinDlg.h"
#include "skin/WinSkinForm.h"

namespace skin_test {

inline constexpr vcl::TColor kLeftActive = 0x0000FF, kLeftInactive = 0x000080;
inline constexpr vcl::TColor kRightActive = 0x00FF00, kTopActive = 0xFF0000, kTopInactive = 0x800000;
inline constexpr vcl::TColor kBottomActive = 0x00FFFF;
// Caption button frames 1..4.
inline constexpr vcl::TColor kButtonFrames[] = {0xFFFF00, 0x008080, 0x808000, 0x808080};

// A BMP member of `frames` equal parts (side by side, or stacked), part k in
// colours[k]; then single pixels.
inline std::string FramesBmp(int width, int height, int frames, bool stacked,
                             const std::vector<vcl::TColor>& colours,
                             const std::vector<std::tuple<int, int, vcl::TColor>>& dots = {}) {
  vcl::TBitmap bitmap;
  bitmap.SetPixelFormat(vcl::pf24bit);
  bitmap.SetSize(width, height);
  for (int k = 0; k < frames; ++k) {
    bitmap.Canvas()->Brush()->SetColor(colours[static_cast<size_t>(k)]);
    vcl::TRect r = stacked ? vcl::Rect(0, k * height / frames, width, (k + 1) * height / frames)
                           : vcl::Rect(k * width / frames, 0, (k + 1) * width / frames, height);
    bitmap.Canvas()->FillRect(r);
  }
  for (auto [x, y, c] : dots) bitmap.Canvas()->SetPixels(x, y, c);
  vcl::TMemoryStream out;
  bitmap.SaveToStream(out);
  return std::string(reinterpret_cast<const char*>(out.Memory()), static_cast<size_t>(out.Size()));
}

// The face and shadow colours of the control tests' skins.
inline constexpr const char* kControlColours = "[Colours]\nButtonFace=32,64,96\nButtonShadow=48,32,16\n";

struct TestSkinOptions {
  // Extra description lines for [Personality]; the first of equal keys
  // counts, so these win over the defaults.
  std::string personality;
  // Caption button sections, each "[ButtonX]\nkey=value...".
  std::string buttons =
      "[ButtonClose]\nAction=0\nAlign=1\nXcoord=22\nYcoord=4\nframe=4\nButtonImage=buttons.bmp\n"
      "[ButtonMax]\nAction=1\nAlign=1\nXcoord=40\nYcoord=4\nframe=4\nButtonImage=buttons.bmp\n"
      "[ButtonMin]\nAction=2\nAlign=1\nXcoord=58\nYcoord=4\nframe=4\nButtonImage=buttons.bmp\n";
  std::vector<std::tuple<int, int, vcl::TColor>> left_dots;
  bool with_description = true;
  // Further members, named in `personality`.
  std::vector<Member> extra;
};

inline std::vector<uint8_t> TestSkinPackage(const TestSkinOptions& o = {}) {
  std::string ini = "[Personality]\n" + o.personality +
                    "Left=left.bmp\nLeftFrame=2\nLeftTrans=0\nRight=right.bmp\nRightFrame=2\nRightTrans=0\n"
                    "Top=top.bmp\nTopFrame=2\nTopTrans=0\nBottom=bottom.bmp\nBottomFrame=2\nBottomTrans=0\n"
                    "TextShift=8\nTextRightClip=60\nTextAlignment=0\n" +
                    o.buttons;
  std::vector<Member> members;
  if (o.with_description) members.push_back({"skin.ini", ini});
  members.push_back({"left.bmp", FramesBmp(8, 60, 2, false, {kLeftActive, kLeftInactive}, o.left_dots)});
  members.push_back({"right.bmp", FramesBmp(8, 60, 2, false, {kRightActive, kRightActive})});
  members.push_back({"top.bmp", FramesBmp(96, 44, 2, true, {kTopActive, kTopInactive})});
  members.push_back({"bottom.bmp", FramesBmp(96, 8, 2, true, {kBottomActive, kBottomActive})});
  members.push_back(
      {"buttons.bmp", FramesBmp(64, 14, 4, false, {std::begin(kButtonFrames), std::end(kButtonFrames)})});
  members.insert(members.end(), o.extra.begin(), o.extra.end());
  return skinpack::LzhCompress(Container(members));
}

// A skin data component holding `package` as its stored skin, loaded the way
// a form description loads it.
inline std::unique_ptr<skin::TSkinData> NewSkinData(const std::vector<uint8_t>& package, bool active = true) {
  auto data = std::make_unique<skin::TSkinData>(nullptr);
  vcl::TMemoryStream stored;
  uint32_t n = static_cast<uint32_t>(package.size());
  stored.WriteBuffer(&n, 4);
  stored.WriteBuffer(package.data(), n);
  stored.SetPosition(0);
  data->ReadSkinStream(stored);
  data->SetActive(active);
  data->Loaded();
  return data;
}

class SkinScreenTest : public displaytest::ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    // The optional entry points the skin looks up, as the program has them.
    plat::RegisterUserModule();
    skin::BindSkinEntryPoints();
  }
  void TearDown() override {
    data_.reset();
    skin::FreeSkinManager();
    skin::UnbindSkinEntryPoints();
    skin::FreeSkinWorkBitmap();
    ScreenTest::TearDown();
  }

  // A sizeable form with a caption at (100, 50), 640 x 480, shown.
  vcl::TForm* NewSizeableForm(int width = 640, int height = 480) {
    auto* form = new vcl::TForm(vcl::Application);
    form->SetBounds(100, 50, width, height);
    form->SetCaption("Quellix");
    return form;
  }
  void ShowAndSkin(vcl::TForm* form) {
    form->Show();
    Pump();
  }

  skin::TWinSkinForm* SkinOf(vcl::TForm* form) {
    return skin::SkinManager() ? skin::SkinManager()->FindForm(form->Handle()) : nullptr;
  }
  uint32_t WindowPixel(vcl::TForm* form, int x, int y) {
    return Screen()->PresentedPixel(form->Handle(), x, y);
  }
  // A pixel of a window on the form, in that window's own coordinates, after
  // what is pending has been handled.
  uint32_t ChildPixel(vcl::TForm* form, plat::HWND child, int x, int y) {
    Pump();
    return PresentedChildPixel(form, child, x, y);
  }
  // The same as it stands on the screen now.
  uint32_t PresentedChildPixel(vcl::TForm* form, plat::HWND child, int x, int y) {
    plat::RECT outer{}, inner{};
    plat::GetWindowRect(form->Handle(), &outer);
    plat::GetWindowRect(child, &inner);
    return Screen()->PresentedPixel(form->Handle(), inner.left - outer.left + x, inner.top - outer.top + y);
  }

  // Presses the left button at a screen point and lets it go once the
  // platform's tracking runs.
  void ClickAndHold(plat::POINT at) {
    Screen()->InjectMouseMove(at);
    Pump();
    static plat::backend::HeadlessBackend* screen = nullptr;
    screen = Screen();
    plat::SetTimer(nullptr, 0, 50, [](plat::HWND, plat::UINT, plat::UINT_PTR id, plat::DWORD) {
      plat::KillTimer(nullptr, id);
      screen->InjectMouseButton(plat::backend::MouseButton::Left, false);
    });
    Screen()->InjectMouseButton(plat::backend::MouseButton::Left, true);
    Pump();
    Pump();
  }

  std::unique_ptr<skin::TSkinData> data_;
};

// A shown 320 x 240 form wearing a skin, with controls placed on it, their
// companions attached and their pixels read back.
class SkinControlFormTest : public SkinScreenTest {
 protected:
  void TearDown() override {
    delete form_;
    SkinScreenTest::TearDown();
  }
  // The skin of `o` with the control colours, and a w x h form wearing it.
  void SkinTheForm(const TestSkinOptions& o, int width = 320, int height = 240) {
    MakeTheForm(o, width, height);
    ShowTheForm();
  }
  // The skin data and the form, not yet shown: controls placed before the
  // form shows are found by the skin's walk over them.
  void MakeTheForm(TestSkinOptions o, int width = 320, int height = 240) {
    o.buttons += kControlColours;
    data_ = NewSkinData(TestSkinPackage(o));
    form_ = NewSizeableForm(width, height);
  }
  // The real pointer onto a point of the control.
  void MoveTo(vcl::TWinControl* control, int x, int y) {
    plat::RECT c{};
    plat::GetWindowRect(control->Handle(), &c);
    Screen()->InjectMouseMove(plat::POINT{c.left + x, c.top + y});
  }
  // A point as a mouse message carries it.
  static plat::LPARAM Point(int x, int y) {
    return static_cast<plat::LPARAM>(plat::MAKELONG(static_cast<plat::WORD>(x), static_cast<plat::WORD>(y)));
  }
  // Shows the form; its skin walks the controls at once.
  void ShowTheForm() {
    ShowAndSkin(form_);
    skin_form_ = SkinOf(form_);
    ASSERT_NE(skin_form_, nullptr);
  }
  template <class C>
  C* Place(C* control, int x, int y, int w, int h, vcl::TWinControl* parent = nullptr) {
    control->SetParent(parent ? parent : form_);
    control->SetBounds(x, y, w, h);
    return control;
  }
  template <class S>
  S* Skin(S* companion, bool colour = false) {
    companion->AttachControl(skin_form_, data_.get(), colour, skin_form_->WorkCanvas());
    Pump();
    return companion;
  }
  // A companion on a bare window of the form, its first picture painted.
  template <class S>
  S* SkinWindow(S* companion, plat::HWND window) {
    companion->AttachWindow(window, data_.get(), skin_form_, skin_form_->WorkCanvas());
    plat::InvalidateRect(window, nullptr, plat::TRUE);
    Pump();
    return companion;
  }
  // A pixel of a control, in its window's coordinates.
  uint32_t At(vcl::TWinControl* control, int x, int y) { return ChildPixel(form_, control->Handle(), x, y); }

  vcl::TForm* form_ = nullptr;
  skin::TWinSkinForm* skin_form_ = nullptr;
};

}  // namespace skin_test
