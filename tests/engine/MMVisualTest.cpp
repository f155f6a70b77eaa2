// Visual bases: painting inside the bevel, the panel's variants, child
// alignment inside the bevel, a panel read from a description on the headless
// screen, and the library cursors as real cursors chosen through WM_SETCURSOR.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/MMObj.h"
#include "engine/MMVisual.h"
#include "platform/backend/Backend.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/kernel/Resources.h"
#include "platform/user/Cursor.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/FormWriter.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/TypInfo.h"
#include "resources/ProgramResources.h"
#include "support/PaintOnGround.h"

using namespace engine;
using vcl::TColor;

namespace {

// Opens the protected parts the descendants publish.
class TProbePanel : public TMMPanel {
  VCL_DECLARE_CLASS(TProbePanel, TMMPanel)
 public:
  using TMMCustomPanel::FillBorder;
  using TMMCustomPanel::OnCustomPaint;
  using TMMCustomPanel::OnPaintBackground;
  using TMMCustomPanel::Paint;
  using TMMCustomPanel::SetFillBorder;
  using TMMPanel::TMMPanel;
  void ChangeDesignMode(bool value) override {
    TMMPanel::ChangeDesignMode(value);
    design_changes.push_back(value);
  }
  std::vector<bool> design_changes;
};

class TProbeGraphic : public TMMGraphicControl {
  VCL_DECLARE_CLASS(TProbeGraphic, TMMGraphicControl)
 public:
  using TMMGraphicControl::Bevel;
  using TMMGraphicControl::Paint;
  using TMMGraphicControl::SetTransparent;
  using TMMGraphicControl::TMMGraphicControl;
};

class TProbeCustom : public TMMCustomControl {
  VCL_DECLARE_CLASS(TProbeCustom, TMMCustomControl)
 public:
  using TMMCustomControl::Bevel;
  using TMMCustomControl::Paint;
  using TMMCustomControl::TMMCustomControl;
};

class TVisForm : public vcl::TForm {
  VCL_DECLARE_CLASS(TVisForm, vcl::TForm)
 public:
  explicit TVisForm(vcl::TComponent* owner) : vcl::TForm(owner) { vcl::InitForm(this); }
};

}  // namespace

VCL_IMPLEMENT_CLASS(TProbePanel)
VCL_IMPLEMENT_CLASS(TProbeGraphic)
VCL_IMPLEMENT_CLASS(TProbeCustom)
VCL_IMPLEMENT_CLASS(TVisForm)

namespace {

// A bevel of every band, 6 pixels on each side: single border, raised outer
// bevel of 2 (yellow light, blue shadow), a red border of 3.
const char* const kVisForm = R"(object VisForm: TVisForm
  Left = 60
  Top = 40
  BorderStyle = bsNone
  ClientWidth = 200
  ClientHeight = 120
  Color = clWhite
  object Panel1: TMMPanel
    Left = 10
    Top = 10
    Width = 100
    Height = 60
    Bevel.BevelOuter = bvRaised
    Bevel.BevelOuterWidth = 2
    Bevel.BorderStyle = bsSingle
    Bevel.BorderWidth = 3
    Bevel.BorderColor = clRed
    Bevel.OuterLightColor = clYellow
    Bevel.OuterShadowColor = clBlue
    Color = clLime
    Ctl3D = False
    Cursor = 2005
    DragMode = dmAutomatic
    object Inner: TMMPanel
      Align = alClient
      Bevel.BevelOuter = bvNone
      Color = clAqua
    end
  end
end
)";

constexpr TColor kGround = 0x030201;  // no band or fill uses it

std::string Str(const plat::RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

uint32_t Rgb(TColor c) {
  auto v = static_cast<uint32_t>(vcl::ColorToRGB(c));
  return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

class MMVisualTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterProgramResources();
    MMVisualInitialize();
  }
  void SetUp() override {
    vcl::InitApplication();
    vcl::InitForms();
    LoadLibraryCursors();
  }
  void TearDown() override {
    vcl::DoneForms();
    Pump();
    vcl::DoneApplication();
  }

  static void Pump() {
    plat::user::PumpBackendEvents(0);
    plat::MSG msg;
    while (plat::PeekMessageA(&msg, nullptr, 0, 0, plat::PM_REMOVE)) plat::DispatchMessageA(&msg);
  }

  TVisForm* ShowVisForm() {
    vcl::RegisterFormResource("TVisForm", kVisForm);
    auto* form = new TVisForm(vcl::Application);
    form->Show();
    plat::UpdateWindow(form->Handle());
    Pump();
    return form;
  }

  plat::backend::HeadlessBackend* Screen() {
    return dynamic_cast<plat::backend::HeadlessBackend*>(&plat::backend::Current());
  }

  template <class C>
  static std::unique_ptr<vcl::TBitmap> PaintOnGround(C& control) {
    return testsupport::PaintOnGround(control, kGround);
  }
};

// ---- painting ---------------------------------------------------------------

struct PanelPaintCase {
  const char* name;
  std::function<void(TProbePanel&)> setup;
  TColor border;  // at (1, 1), inside the lowered outer bevel
  TColor inside;  // at the centre
  TColor edge;    // at (0, 0)
};

TEST_F(MMVisualTest, PanelPaintsBevelThenFillOrLeavesItToItsEvents) {
  const PanelPaintCase cases[] = {
      {"border filled", [](TProbePanel&) {}, vcl::clRed, vcl::clLime, vcl::clBtnShadow},
      {"border reserved, not painted", [](TProbePanel& p) { p.SetFillBorder(false); }, kGround, vcl::clLime,
       vcl::clBtnShadow},
      {"background event replaces the fill",
       [](TProbePanel& p) {
         p.OnPaintBackground = [](vcl::TObject*, vcl::TCanvas* canvas, const vcl::TRect& r) {
           canvas->Brush()->SetColor(vcl::clFuchsia);
           canvas->FillRect(r);
         };
       },
       vcl::clRed, vcl::clFuchsia, vcl::clBtnShadow},
      {"custom paint replaces everything",
       [](TProbePanel& p) {
         p.SetCaption("Hidden");
         p.OnCustomPaint = [](vcl::TObject*) {};
       },
       kGround, kGround, kGround},
  };
  for (const PanelPaintCase& c : cases) {
    SCOPED_TRACE(c.name);
    TProbePanel panel(nullptr);
    panel.SetBounds(0, 0, 20, 12);
    panel.Bevel()->SetBorderWidth(2);
    panel.Bevel()->SetBorderColor(vcl::clRed);
    panel.SetColor(vcl::clLime);
    c.setup(panel);
    auto bitmap = PaintOnGround(panel);
    EXPECT_EQ(bitmap->Canvas()->Pixels(0, 0), static_cast<TColor>(vcl::ColorToRGB(c.edge)));
    EXPECT_EQ(bitmap->Canvas()->Pixels(1, 1), static_cast<TColor>(vcl::ColorToRGB(c.border)));
    EXPECT_EQ(bitmap->Canvas()->Pixels(2, 2), static_cast<TColor>(vcl::ColorToRGB(c.border)));
    EXPECT_EQ(bitmap->Canvas()->Pixels(10, 6), static_cast<TColor>(vcl::ColorToRGB(c.inside)));
  }
}

TEST_F(MMVisualTest, ControlsFillInsideTheBevelUnlessTransparent) {
  TProbeGraphic graphic(nullptr);
  TProbeCustom custom(nullptr);
  for (vcl::TControl* control :
       {static_cast<vcl::TControl*>(&graphic), static_cast<vcl::TControl*>(&custom)}) {
    control->SetBounds(0, 0, 12, 10);
    control->SetColor(vcl::clBlue);
    EXPECT_TRUE(control->ControlStyle().Contains(vcl::csOpaque));
  }
  graphic.Bevel()->SetBevelInner(bvRaised);
  EXPECT_EQ(graphic.BevelExtent(), 2);
  EXPECT_EQ(Str(graphic.BevelClientRect()), Str(vcl::Rect(2, 2, 10, 8)));
  auto painted = PaintOnGround(graphic);
  EXPECT_EQ(painted->Canvas()->Pixels(1, 1), static_cast<TColor>(vcl::ColorToRGB(vcl::clBtnHighlight)));
  EXPECT_EQ(painted->Canvas()->Pixels(5, 5), vcl::clBlue);
  auto custom_painted = PaintOnGround(custom);
  EXPECT_EQ(custom_painted->Canvas()->Pixels(0, 0), static_cast<TColor>(vcl::ColorToRGB(vcl::clBtnShadow)));
  EXPECT_EQ(custom_painted->Canvas()->Pixels(5, 5), vcl::clBlue);

  graphic.SetTransparent(true);
  EXPECT_FALSE(graphic.ControlStyle().Contains(vcl::csOpaque));
  auto see_through = PaintOnGround(graphic);
  EXPECT_EQ(see_through->Canvas()->Pixels(1, 1), static_cast<TColor>(vcl::ColorToRGB(vcl::clBtnHighlight)));
  EXPECT_EQ(see_through->Canvas()->Pixels(5, 5), kGround);
  graphic.SetTransparent(false);
  EXPECT_TRUE(graphic.ControlStyle().Contains(vcl::csOpaque));
}

// ---- bevel ownership, alignment, design mode ---------------------------------

TEST_F(MMVisualTest, PanelKeepsChildrenInsideItsBevelAndRealignsWhenItChanges) {
  TProbePanel panel(nullptr);
  panel.SetBounds(0, 0, 100, 60);
  // The class library's own edges are off: only the TMMBevel counts.
  EXPECT_EQ(panel.BevelOuter(), vcl::bvNone);
  EXPECT_EQ(panel.BevelInner(), vcl::bvNone);
  auto* child = new TProbePanel(&panel);
  child->SetParent(&panel);
  child->SetAlign(vcl::alClient);
  EXPECT_EQ(Str(child->BoundsRect()), Str(vcl::Rect(1, 1, 99, 59)));

  TMMBevel wide;
  wide.SetBorderWidth(4);
  wide.SetBorderStyle(bsSingle);
  TMMBevel* owned = panel.Bevel();
  panel.SetBevel(&wide);
  // Written by copy: the panel keeps its own bevel.
  EXPECT_EQ(panel.Bevel(), owned);
  EXPECT_EQ(panel.Bevel()->BorderWidth(), 4);
  EXPECT_EQ(panel.BevelExtent(), 6);
  EXPECT_EQ(Str(child->BoundsRect()), Str(vcl::Rect(6, 6, 94, 54)));
  panel.Bevel()->SetBevelOuter(bvNone);
  EXPECT_EQ(Str(child->BoundsRect()), Str(vcl::Rect(5, 5, 95, 55)));
}

TEST_F(MMVisualTest, DesignModeReachesChildrenAndChangesOnlyOnADifferentValue) {
  TProbePanel panel(nullptr);
  auto* child = new TProbePanel(&panel);
  panel.SetDesignMode(false);
  panel.SetDesignMode(true);
  panel.SetDesignMode(true);
  EXPECT_EQ(panel.design_changes, std::vector<bool>{true});
  EXPECT_TRUE(child->DesignMode());
  panel.SetDesignMode(false);
  EXPECT_FALSE(child->DesignMode());
  EXPECT_EQ(panel.design_changes, (std::vector<bool>{true, false}));
}

// Every base keeps the design state of itself and what it owns in step and
// reports a change only when the value differs; a bevel change repaints.
template <class Base>
class TCountingDesign : public Base {
 public:
  explicit TCountingDesign(vcl::TComponent* owner) : Base(owner) {}
  void ChangeDesignMode(bool value) override {
    Base::ChangeDesignMode(value);
    changes.push_back(value);
  }
  std::vector<bool> changes;
};

template <class Base>
void CheckDesignMode(const char* name) {
  SCOPED_TRACE(name);
  TCountingDesign<Base> control(nullptr);
  auto* owned = new TProbePanel(&control);
  for (bool value : {false, true, true, false}) control.SetDesignMode(value);
  EXPECT_EQ(control.changes, (std::vector<bool>{true, false}));
  control.SetDesignMode(true);
  EXPECT_TRUE(control.DesignMode());
  EXPECT_TRUE(owned->DesignMode());
  control.SetDesignMode(false);
  EXPECT_FALSE(owned->DesignMode());
}

TEST_F(MMVisualTest, EveryBaseSwitchesDesignModeForItselfAndWhatItOwns) {
  CheckDesignMode<TMMWinControl>("TMMWinControl");
  CheckDesignMode<TMMCustomControl>("TMMCustomControl");
  CheckDesignMode<TMMCustomPanel>("TMMCustomPanel");
  CheckDesignMode<TMMGraphicControl>("TMMGraphicControl");
}

template <class Base>
class TCountingChanges : public Base {
 public:
  explicit TCountingChanges(vcl::TComponent* owner) : Base(owner) {}
  using Base::Bevel;
  using Base::SetBevel;
  int changes = 0;

 protected:
  void Changed() override {
    ++changes;
    Base::Changed();
  }
};

template <class Base>
void CheckBevelChangeRepaints(const char* name) {
  SCOPED_TRACE(name);
  TCountingChanges<Base> control(nullptr);
  control.Bevel()->SetBorderWidth(3);
  EXPECT_EQ(control.changes, 1);
  TMMBevel other;
  other.SetBevelOuter(bvNone);
  control.SetBevel(&other);
  // Written by copy into the control's own bevel.
  EXPECT_GE(control.changes, 2);
  EXPECT_NE(control.Bevel(), &other);
  EXPECT_EQ(control.BevelExtent(), other.BevelExtent());
}

TEST_F(MMVisualTest, EveryBevelledBaseRepaintsWhenItsBevelChanges) {
  CheckBevelChangeRepaints<TMMCustomControl>("TMMCustomControl");
  CheckBevelChangeRepaints<TMMCustomPanel>("TMMCustomPanel");
  CheckBevelChangeRepaints<TMMGraphicControl>("TMMGraphicControl");
}

// ---- from a description ------------------------------------------------------

TEST_F(MMVisualTest, PanelFromDescriptionPaintsItsBevelOnScreen) {
  ASSERT_NE(Screen(), nullptr);
  TVisForm* form = ShowVisForm();
  auto* panel = dynamic_cast<TMMPanel*>(form->FindComponent("Panel1"));
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->Bevel()->BevelExtent(), 6);
  EXPECT_FALSE(panel->Ctl3D());
  EXPECT_EQ(panel->DragMode(), dmAutomatic);
  EXPECT_EQ(panel->Cursor(), 2005);

  struct Probe {
    int x, y;
    TColor color;
    const char* what;
  };
  // Panel1 at (10, 10) of the form, 100 x 60; its child fills the inside.
  const Probe probes[] = {
      {10, 10, vcl::clWindowFrame, "single border"},
      {11, 11, vcl::clYellow, "raised outer bevel, top-left"},
      {12, 40, vcl::clYellow, "raised outer bevel, left edge"},
      {107, 67, vcl::clBlue, "raised outer bevel, bottom-right"},
      {13, 13, vcl::clRed, "border band"},
      {15, 40, vcl::clRed, "border band, left"},
      {16, 16, vcl::clAqua, "aligned child inside the bevel"},
      {60, 40, vcl::clAqua, "child"},
      {5, 5, vcl::clWhite, "form"},
  };
  for (const Probe& p : probes) {
    SCOPED_TRACE(p.what);
    EXPECT_EQ(Screen()->PresentedPixel(form->Handle(), p.x, p.y), Rgb(p.color));
  }

  // Written back, the bevel and the kept values come out again.
  const std::string written = vcl::WriteFormText(panel);
  EXPECT_NE(written.find("Bevel.BorderColor = clRed"), std::string::npos) << written;
  EXPECT_NE(written.find("DragMode = dmAutomatic"), std::string::npos) << written;
}

// ---- library cursors ----------------------------------------------------------

TEST_F(MMVisualTest, LibraryCursorsAreRealDistinctCursorsInTheScreensTable) {
  std::set<plat::HCURSOR> handles;
  const plat::HCURSOR arrow = vcl::Screen->Cursors(vcl::crArrow);
  for (const TLibraryCursor& cursor : LibraryCursors()) {
    SCOPED_TRACE(cursor.number);
    ASSERT_NE(cursor.handle, nullptr);
    EXPECT_NE(cursor.handle, arrow);
    EXPECT_EQ(vcl::Screen->Cursors(cursor.number), cursor.handle);
    // Loading again gives the same shared cursor.
    EXPECT_EQ(LoadLibraryCursor(static_cast<uint16_t>(cursor.number - 2000)), cursor.handle);
    handles.insert(cursor.handle);
  }
  EXPECT_EQ(handles.size(), 31u);
  EXPECT_EQ(LoadLibraryCursor(32), nullptr);
}

TEST_F(MMVisualTest, CursorNumberOnAControlIsWhatTheLayerShowsOverIt) {
  ASSERT_NE(Screen(), nullptr);
  TVisForm* form = ShowVisForm();
  auto* inner = dynamic_cast<TMMPanel*>(form->FindComponent("Inner"));
  ASSERT_NE(inner, nullptr);
  inner->SetCursor(2004);
  const plat::HCURSOR hand = LibraryCursors()[2005 - 2001].handle;
  const plat::HCURSOR grab = LibraryCursors()[2004 - 2001].handle;

  struct Case {
    plat::POINT client;  // in the form
    plat::HCURSOR expected;
    const char* what;
  };
  const Case cases[] = {
      {{12, 12}, hand, "Panel1's bevel: Cursor = 2005"},
      {{60, 40}, grab, "the child's own cursor"},
      {{150, 100}, vcl::Screen->Cursors(vcl::crArrow), "the form"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    plat::POINT p = c.client;
    plat::ClientToScreen(form->Handle(), &p);
    Screen()->InjectMouseMove(p);
    Pump();
    EXPECT_EQ(plat::GetCursor(), c.expected);
  }

  // The shown image is the drawn pointing hand: opaque at the fingertip,
  // which is its hot spot, and see-through in the corner.
  Screen()->InjectMouseMove([&] {
    plat::POINT p{12, 12};
    plat::ClientToScreen(form->Handle(), &p);
    return p;
  }());
  Pump();
  auto image = Screen()->CustomCursor();
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->width, 32);
  EXPECT_EQ(image->height, 32);
  EXPECT_EQ(image->hot_spot.x, 12);
  EXPECT_EQ(image->hot_spot.y, 1);
  EXPECT_EQ(image->pixels[1 * 32 + 12], 0xFF000000u);
  EXPECT_EQ(image->pixels[0], 0u);
}

TEST_F(MMVisualTest, SelectionCursorsHaveTheirHotSpotsOnThePicture) {
  struct HotSpot {
    int number, x, y;
  };
  // The cursors the displays and the slider name, and where they point.
  const HotSpot spots[] = {{2003, 15, 15}, {2004, 15, 15}, {2005, 12, 1}, {2009, 15, 15}};
  plat::HDC dc = plat::GetDC(nullptr);
  for (const HotSpot& s : spots) {
    SCOPED_TRACE(s.number);
    plat::SetCursor(vcl::Screen->Cursors(s.number));
    auto image = Screen()->CustomCursor();
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->hot_spot.x, s.x);
    EXPECT_EQ(image->hot_spot.y, s.y);
    EXPECT_EQ(image->pixels[static_cast<size_t>(s.y) * 32 + s.x] >> 24, 0xFFu);
    // Black with a white rim: both show, and most of the square is see-through.
    int black = 0, white = 0, clear = 0;
    for (uint32_t pixel : image->pixels) {
      black += pixel == 0xFF000000u;
      white += pixel == 0xFFFFFFFFu;
      clear += pixel == 0;
    }
    EXPECT_GT(black, 0);
    EXPECT_GT(white, 0);
    EXPECT_GT(clear, 32 * 32 / 3);
  }
  plat::ReleaseDC(nullptr, dc);
  plat::SetCursor(vcl::Screen->Cursors(vcl::crArrow));
}

// A cursor resource of one image, for the damaged-resource cases.
std::vector<plat::BYTE> CursorFile(int width, int height, int bits, int hot_x, int hot_y) {
  std::vector<plat::BYTE> out;
  auto word = [&](unsigned v) {
    out.push_back(static_cast<plat::BYTE>(v));
    out.push_back(static_cast<plat::BYTE>(v >> 8));
  };
  auto dword = [&](unsigned v) {
    word(v & 0xFFFF);
    word(v >> 16);
  };
  const unsigned colours = bits == 1 ? 2 : 0;
  const unsigned xor_stride = (static_cast<unsigned>(width) * bits + 31) / 32 * 4;
  const unsigned and_stride = (static_cast<unsigned>(width) + 31) / 32 * 4;
  const unsigned image = 40 + colours * 4 + (xor_stride + and_stride) * height;
  word(0), word(2), word(1);
  out.insert(out.end(), {static_cast<plat::BYTE>(width), static_cast<plat::BYTE>(height), 0, 0});
  word(hot_x), word(hot_y), dword(image), dword(22);
  dword(40), dword(width), dword(2 * height), word(1), word(bits), dword(0), dword(0), dword(0), dword(0),
      dword(colours), dword(0);
  if (bits == 1) out.insert(out.end(), {0, 0, 0, 0, 255, 255, 255, 0});
  // Colour plane: bottom row first. At 32 bits the top-left pixel is
  // half-transparent red; at 1 bit everything is black. No mask bits set.
  for (int row = height - 1; row >= 0; --row)
    for (unsigned i = 0; i < xor_stride; ++i) {
      plat::BYTE b = 0;
      if (bits == 32 && row == 0 && i < 4) b = std::array<plat::BYTE, 4>{0, 0, 255, 128}[i];
      out.push_back(b);
    }
  out.insert(out.end(), static_cast<size_t>(and_stride) * height, 0);
  return out;
}

TEST_F(MMVisualTest, DamagedCursorResourceGivesNoCursorAndOthersStillLoad) {
  const plat::HCURSOR good = LoadLibraryCursor(31);
  ASSERT_NE(good, nullptr);
  struct Damage {
    const char* name;
    std::vector<plat::BYTE> data;
    bool loads;
  };
  auto truncated = CursorFile(32, 32, 1, 0, 0);
  truncated.resize(truncated.size() - 1);
  auto icon = CursorFile(32, 32, 1, 0, 0);
  icon[2] = 1;  // an icon directory, not a cursor
  auto far_offset = CursorFile(32, 32, 1, 0, 0);
  far_offset[18] = 0xFF;
  far_offset[19] = 0xFF;
  far_offset[20] = 0xFF;
  far_offset[21] = 0x7F;
  auto huge = CursorFile(32, 32, 1, 0, 0);
  huge[22 + 5] = 0x10;  // width 4096 + 32
  auto odd_height = CursorFile(32, 32, 1, 0, 0);
  odd_height[22 + 8] = 63;
  const Damage cases[] = {
      {"empty", {}, false},
      {"truncated mask", truncated, false},
      {"icon", icon, false},
      {"image offset past the end", far_offset, false},
      {"width beyond 256", huge, false},
      {"odd double height", odd_height, false},
      {"8 bits", CursorFile(32, 32, 8, 0, 0), false},
      {"32 bits with alpha", CursorFile(16, 16, 32, 40, 3), true},
  };
  for (const Damage& c : cases) {
    SCOPED_TRACE(c.name);
    // A table registered later is searched first, so it shadows cursor 2031.
    const plat::ResourceEntry entry{{plat::RT_CURSOR_ID, nullptr},
                                    {2031, nullptr},
                                    c.data.empty() ? nullptr : c.data.data(),
                                    static_cast<plat::DWORD>(c.data.size())};
    const plat::ResourceTable table{&entry, 1};
    plat::RegisterResourceTable(nullptr, table);
    const plat::HCURSOR loaded = LoadLibraryCursor(31);
    plat::UnregisterResourceTable(nullptr, table);
    EXPECT_EQ(loaded != nullptr, c.loads);
    if (!loaded) continue;
    plat::SetCursor(loaded);
    auto image = Screen()->CustomCursor();
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->width, 16);
    // A hot spot outside the picture is brought onto its edge.
    EXPECT_EQ(image->hot_spot.x, 15);
    EXPECT_EQ(image->hot_spot.y, 3);
    EXPECT_EQ(image->pixels[0], 0x80FF0000u);
    EXPECT_EQ(image->pixels[1], 0u);
    plat::SetCursor(nullptr);
  }
  EXPECT_EQ(LoadLibraryCursor(31), good);
}

}  // namespace
