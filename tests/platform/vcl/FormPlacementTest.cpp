// Where forms come up: maximised when their description says so, centred
// where their Position asks for it, and their bounds through minimising,
// maximising and restoring by the caption's buttons.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "platform/backend/Backend.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/gdi/Colors.h"
#include "platform/kernel/Clock.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/NonClient.h"
#include "platform/user/Screen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/ExtTimer.h"
#include "platform/vcl/Forms.h"

using namespace vcl;
using plat::backend::HeadlessBackend;

namespace plat {
[[maybe_unused]] static bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }
[[maybe_unused]] static void PrintTo(const RECT& r, std::ostream* os) {
  *os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}
}  // namespace plat

namespace {

// A form read from whatever description the test registered last.
class TPlacedForm : public TForm {
  VCL_DECLARE_CLASS(TPlacedForm, TForm)
 public:
  explicit TPlacedForm(TComponent* owner) : TForm(owner) { InitForm(this); }
};

}  // namespace

VCL_IMPLEMENT_CLASS(TPlacedForm)

namespace {

// Each form gets a name of its own: forms of one owner must differ in name.
std::string Description(const std::string& extra) {
  static int made = 0;
  return "object PlacedForm" + std::to_string(++made) +
         ": TPlacedForm\n  Left = 100\n  Top = 80\n  Caption = 'Placed'\n"
         "  ClientWidth = 400\n  ClientHeight = 300\n" +
         extra + "end\n";
}

plat::POINT Centre(const TRect& r) { return plat::POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

class FormPlacement : public ::testing::Test {
 protected:
  void SetUp() override {
    screen_ = dynamic_cast<HeadlessBackend*>(&plat::backend::Current());
    if (!screen_) GTEST_SKIP() << "needs the headless backend";
    plat::clock::UseManual();
    InitApplication();
    InitForms();
    area_ = plat::user::WorkArea();
  }
  void TearDown() override {
    if (!screen_) return;
    Application->OnIdle = nullptr;
    DoneForms();
    Pump();
    DoneApplication();
    plat::clock::UseReal();
  }
  static void Pump() {
    for (int round = 0; round < 4; ++round) {
      plat::user::PumpBackendEvents(0);
      plat::MSG msg;
      while (plat::PeekMessageA(&msg, nullptr, 0, 0, plat::PM_REMOVE)) plat::DispatchMessageA(&msg);
    }
  }
  TPlacedForm* Make(const std::string& extra, TComponent* owner = nullptr) {
    RegisterFormResource("TPlacedForm", Description(extra));
    return new TPlacedForm(owner ? owner : Application);
  }
  static TRect OnScreen(TCustomForm* form) {
    plat::RECT r;
    plat::GetWindowRect(form->Handle(), &r);
    return r;
  }
  void ClickButton(TCustomForm* form, plat::LRESULT button) {
    const TRect window = OnScreen(form);
    const plat::RECT b = plat::WindowFrame::Of(form->Handle()).ButtonRect(button);
    screen_->InjectClick(
        plat::POINT{window.left + (b.left + b.right) / 2, window.top + (b.top + b.bottom) / 2});
    Pump();
  }
  // Which pixels inside the maximise button's edges show the glyph's colour.
  std::vector<bool> MaximiseButtonGlyph(TCustomForm* form) const {
    const plat::RECT b = plat::WindowFrame::Of(form->Handle()).ButtonRect(plat::HTMAXBUTTON);
    std::vector<bool> ink;
    for (int y = b.top + 2; y < b.bottom - 2; ++y)
      for (int x = b.left + 2; x < b.right - 2; ++x) {
        const uint32_t v = screen_->PresentedPixel(form->Handle(), x, y);
        ink.push_back(plat::RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF) ==
                      plat::GetSysColor(plat::COLOR_BTNTEXT));
      }
    return ink;
  }

  HeadlessBackend* screen_ = nullptr;
  plat::RECT area_{};
};

}  // namespace

// A form described maximised opens filling the work area with the restore
// glyph in its caption, though its window was made (and sized) before it
// showed; the button restores it to the described bounds.
TEST_F(FormPlacement, DescribedMaximisedFormOpensMaximisedWithTheRestoreGlyph) {
  TPlacedForm* normal = Make("");
  normal->Show();
  Pump();
  const std::vector<bool> maximise_glyph = MaximiseButtonGlyph(normal);
  const TRect described = normal->BoundsRect();
  delete normal;

  TPlacedForm* form = nullptr;
  RegisterFormResource("TPlacedForm", Description("  WindowState = wsMaximized\n"));
  ApplicationCreateForm(form);
  ASSERT_NE(form, nullptr);
  form->Show();
  Pump();
  EXPECT_TRUE(plat::IsZoomed(form->Handle()));
  EXPECT_EQ(form->WindowState(), wsMaximized);
  EXPECT_EQ(OnScreen(form), TRect(area_));
  const std::vector<bool> glyph = MaximiseButtonGlyph(form);
  EXPECT_GT(std::count(glyph.begin(), glyph.end(), true), 10);
  EXPECT_NE(glyph, maximise_glyph) << "the restore glyph shows";

  ClickButton(form, plat::HTMAXBUTTON);
  EXPECT_FALSE(plat::IsZoomed(form->Handle()));
  EXPECT_EQ(form->WindowState(), wsNormal);
  EXPECT_EQ(form->BoundsRect(), described);
  EXPECT_EQ(MaximiseButtonGlyph(form), maximise_glyph);
}

// Minimised by its button, a form keeps its normal bounds (what a program
// stores on closing); maximised, its placement keeps them for the restore.
TEST_F(FormPlacement, MinimiseAndMaximiseKeepTheNormalBounds) {
  TPlacedForm* form = nullptr;
  RegisterFormResource("TPlacedForm", Description(""));
  ApplicationCreateForm(form);
  form->Show();
  Pump();
  const TRect normal = form->BoundsRect();
  ClickButton(form, plat::HTMINBUTTON);
  ASSERT_TRUE(plat::IsIconic(form->Handle()));
  EXPECT_EQ(form->WindowState(), wsMinimized);
  EXPECT_EQ(form->BoundsRect(), normal);
  plat::ShowWindow(form->Handle(), plat::SW_RESTORE);
  Pump();
  EXPECT_EQ(form->WindowState(), wsNormal);
  EXPECT_EQ(form->BoundsRect(), normal);
  EXPECT_EQ(OnScreen(form), normal);
  ClickButton(form, plat::HTMAXBUTTON);
  ASSERT_TRUE(plat::IsZoomed(form->Handle()));
  plat::WINDOWPLACEMENT placement;
  plat::GetWindowPlacement(form->Handle(), &placement);
  EXPECT_EQ(TRect(placement.rcNormalPosition), normal);
}

// Position centres a form on the screen's work area, its owner form or the
// main form, wholly on the work area; a modal form comes up centred each time.
TEST_F(FormPlacement, PositionCentresTheFormWhereItAsks) {
  TPlacedForm* main = nullptr;
  RegisterFormResource("TPlacedForm", Description(""));
  ApplicationCreateForm(main);
  main->SetBounds(area_.left + 40, area_.top + 30, 500, 400);
  main->Show();
  TPlacedForm* owner = Make("");
  owner->SetBounds(area_.right - 520, area_.bottom - 420, 500, 400);
  owner->Show();
  Pump();
  const struct {
    const char* name;
    const char* position;
    TCustomForm* around;  // null: the work area
    bool modal;
  } cases[] = {
      {"screen centre", "poScreenCenter", nullptr, false},
      {"owner form centre", "poOwnerFormCenter", owner, false},
      {"main form centre", "poMainFormCenter", main, false},
      {"owner form centre, modal", "poOwnerFormCenter", owner, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TPlacedForm* form = Make(std::string("  Position = ") + c.position + "\n", owner);
    std::vector<TRect> shown;
    auto look = [&] {
      shown.push_back(OnScreen(form));
      form->SetBounds(area_.left, area_.top, form->Width(), form->Height());  // moved away by the user
    };
    if (c.modal) {
      // Shown twice, each time looked at and closed from a timer of its loop.
      auto* timer = new TTimer(form);
      timer->SetInterval(100);
      timer->OnTimer = [&](TObject*) {
        look();
        form->SetModalResult(mrOk);
      };
      Application->OnIdle = [](TObject*, bool& done) {
        plat::clock::AdvanceMs(50);
        done = false;
      };
      form->ShowModal();
      form->ShowModal();
      Application->OnIdle = nullptr;
      timer->SetEnabled(false);
    } else {
      form->Show();
      Pump();
      look();
    }
    ASSERT_FALSE(shown.empty());
    const plat::POINT want = Centre(c.around ? OnScreen(c.around) : TRect(area_));
    for (const TRect& r : shown) {
      plat::RECT inside;
      plat::RECT rect = r;
      plat::IntersectRect(&inside, &rect, &area_);
      EXPECT_EQ(TRect(inside), r) << "wholly on the work area";
      const plat::POINT got = Centre(r);
      // Pushed back from the work area's edge where it would reach past it.
      const int dx = std::min(0, area_.right - (want.x + form->Width() - form->Width() / 2));
      const int dy = std::min(0, area_.bottom - (want.y + form->Height() - form->Height() / 2));
      EXPECT_LE(std::abs(got.x - (want.x + dx)), 2);
      EXPECT_LE(std::abs(got.y - (want.y + dy)), 2);
    }
    delete form;
  }
}

// Bounds are brought onto the work area: moved in from off the screen and
// cut down to it when larger.
TEST_F(FormPlacement, MoveOntoWorkAreaBringsBoundsOntoTheScreen) {
  const TRect area = area_;
  const int w = area.right - area.left;
  const int h = area.bottom - area.top;
  const struct {
    const char* name;
    TRect given;
    TRect expected;
  } cases[] = {
      {"on the screen", Bounds(100, 80, 400, 300), Bounds(100, 80, 400, 300)},
      {"off to the left and above", Bounds(-3000, -500, 400, 300), Bounds(area.left, area.top, 400, 300)},
      {"past the right and the bottom", Bounds(area.right - 50, area.bottom - 10, 400, 300),
       Bounds(area.right - 400, area.bottom - 300, 400, 300)},
      {"larger than the screen", Bounds(-20, -20, w + 500, h + 300), Bounds(area.left, area.top, w, h)},
  };
  for (const auto& c : cases) EXPECT_EQ(MoveOntoWorkArea(c.given), c.expected) << c.name;
}
