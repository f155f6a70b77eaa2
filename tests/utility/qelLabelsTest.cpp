// Descriptors (notices, current entries, what Assign copies), the turned
// label's geometry and measuring, and the active label's states, defaults,
// sizes and pixels.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "displays/ScreenTestSupport.h"
#include "platform/gdi/TextLayout.h"
#include "platform/user/Input.h"
#include "utility/qelLabels.h"

namespace utility {
namespace {

TEST(qelLabelGeometry, TurnedSizesAndOrigins) {
  struct Case {
    int angle, width, height, x, y;
  };
  const Case cases[] = {
      {0, 100, 20, 0, 0},    {30, 97, 67, 0, 50},   {45, 85, 85, 0, 71},     {60, 67, 97, 0, 87},
      {90, 20, 100, 0, 100}, {135, 85, 85, 71, 85}, {180, 100, 20, 100, 20}, {225, 85, 85, 85, 14},
      {270, 20, 100, 20, 0}, {315, 85, 85, 14, 0},  {330, 97, 67, 10, 0},
  };
  for (const Case& c : cases) {
    TqelRotatedLayout layout = RotatedLayout(100, 20, c.angle);
    EXPECT_EQ(layout.width, c.width) << c.angle;
    EXPECT_EQ(layout.height, c.height) << c.angle;
    EXPECT_EQ(layout.origin.x, c.x) << c.angle;
    EXPECT_EQ(layout.origin.y, c.y) << c.angle;
  }
}

TEST(qelLabelGeometry, StatesFollowTheMouse) {
  struct Case {
    bool enabled, visible, active, inside, down;
    TqelRunTimeState state;
  };
  const Case cases[] = {
      {false, true, true, true, true, rtsDisabled}, {true, false, true, true, false, rtsNormal},
      {true, true, false, true, true, rtsNormal},   {true, true, true, false, false, rtsNormal},
      {true, true, true, true, false, rtsSelected}, {true, true, true, true, true, rtsActive},
      {true, true, true, false, true, rtsSelected},
  };
  for (const Case& c : cases)
    EXPECT_EQ(StateFor(c.enabled, c.visible, c.active, c.inside, c.down), c.state)
        << c.enabled << c.visible << c.active << c.inside << c.down;
}

TEST(qelPropertyDesc, NoticesOnlyOnChangeProcedureFirst) {
  std::string log;
  TqelTextDecorationDesc desc(nullptr, [&] { log += "p"; });
  desc.SetOnChange([&](vcl::TObject* sender) {
    EXPECT_EQ(sender, &desc);
    log += "e";
  });
  desc.SetColor(vcl::clBlack);  // the value it has
  desc.SetStyle({});
  EXPECT_EQ(log, "");
  desc.SetColor(vcl::clRed);
  desc.SetStyle({vcl::fsBold});
  EXPECT_EQ(log, "pepe");

  log.clear();
  desc.Assign(&desc);
  EXPECT_EQ(log, "");
  vcl::TFont font;
  try {
    desc.Assign(&font);
    ADD_FAILURE() << "a font was taken";
  } catch (const vcl::EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TFont to a TqelTextDecorationDesc");
  }
}

TEST(qelPropertyDesc, CurrentEntryAndOneNoticePerSetAssign) {
  int notices = 0;
  TqelRunTimeColorDecorationDesc set(nullptr, [&] { ++notices; });
  set.Selected()->SetColor(vcl::clYellow);
  set.SetState(rtsSelected);
  EXPECT_EQ(set.Current()->Color(), vcl::clYellow);
  set.SetNormalOnly(true);
  EXPECT_EQ(set.Current(), set.Normal());

  TqelRunTimeColorDecorationDesc other(nullptr, nullptr);
  other.Active()->SetVisible(false);
  other.SetSizeX(3);
  notices = 0;
  set.Assign(&other);
  EXPECT_EQ(notices, 1);
  EXPECT_FALSE(set.Active()->Visible());
  EXPECT_EQ(set.SizeX(), 3);
  EXPECT_EQ(set.State(), rtsNormal);
}

class qelLabels : public displaytest::ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    NewForm();
  }
  template <class T>
  T* NewLabel(const std::string& caption) {
    auto* label = new T(form_);
    label->SetParent(form_);
    label->SetCaption(caption);
    return label;
  }
};

// Exposes the measuring rules.
class TProbeLabel : public TqelLabel {
 public:
  using TqelCustomLabel::MeasuredCaption;
  using TqelCustomLabel::MeasureFlags;
  using TqelLabel::TqelLabel;
};

TEST_F(qelLabels, AnglesAndMeasuringRules) {
  auto* label = NewLabel<TProbeLabel>("Hello");
  EXPECT_EQ(label->Font()->Name(), "Arial");
  EXPECT_EQ(label->Font()->Size(), 9);
  const int width = label->Width(), height = label->Height();
  const std::pair<int, int> angles[] = {{-30, 330}, {725, 5}, {360, 0}, {90, 90}};
  for (const auto& [given, stored] : angles) {
    label->SetAngle(given);
    EXPECT_EQ(label->Angle(), stored) << given;
  }
  EXPECT_EQ(label->Width(), height);  // turned on its side
  EXPECT_EQ(label->Height(), width);
  EXPECT_EQ(label->TextOrigin().y, width);

  label->SetCaption("");
  EXPECT_EQ(label->MeasuredCaption(), " ");
  label->SetCaption("&");
  EXPECT_EQ(label->MeasuredCaption(), "& ");
  EXPECT_FALSE(label->MeasureFlags() & plat::DT_NOPREFIX);
  label->SetShowAccelChar(false);
  EXPECT_EQ(label->MeasuredCaption(), "&");
  EXPECT_TRUE(label->MeasureFlags() & plat::DT_NOPREFIX);
}

TEST_F(qelLabels, ActiveLabelDefaults) {
  auto* label = NewLabel<TqelActiveLabel>("Link");
  EXPECT_EQ(label->Font()->Size(), 16);
  EXPECT_TRUE(label->Active());
  EXPECT_TRUE(label->AutoSize());
  EXPECT_EQ(label->RuntimeState(), rtsNormal);
  struct Row {
    const char* set;
    std::vector<int64_t> values;
    std::vector<int64_t> expected;
  };
  auto colors = [](TqelRunTimeColorDecorationDesc* d) {
    return std::vector<int64_t>{
        d->Normal()->Color(),   d->Selected()->Color(),   d->Active()->Color(), d->Disabled()->Color(),
        d->Normal()->Visible(), d->Disabled()->Visible(), d->SizeX(),           d->SizeY()};
  };
  TqelActiveLabelTextDecorations* t = label->TextDecorations();
  TqelActiveLabelCursors* c = label->Cursors();
  TqelActiveLabelColors* k = label->Colors();
  const int64_t u = vcl::TFontStyles{vcl::fsUnderline}.Bits();
  const Row rows[] = {
      {"Borders",
       colors(label->Borders()),
       {vcl::clWhite, vcl::clYellow, vcl::clLime, vcl::clBtnHighlight, true, true, 1, 1}},
      {"Shadows",
       colors(label->Shadows()),
       {vcl::clBtnShadow, vcl::clBtnShadow, vcl::clBtnShadow, vcl::clBtnHighlight, false, false, 1, 1}},
      {"TextDecorations",
       {t->Normal()->Color(), t->Selected()->Color(), t->Active()->Color(), t->Disabled()->Color(),
        static_cast<int64_t>(t->Normal()->Style().Bits()),
        static_cast<int64_t>(t->Selected()->Style().Bits()),
        static_cast<int64_t>(t->Active()->Style().Bits()),
        static_cast<int64_t>(t->Disabled()->Style().Bits())},
       {vcl::clBlack, vcl::clBlue, vcl::clRed, vcl::clBtnShadow, 0, u, u, 0}},
      {"Cursors",
       {c->Normal(), c->Selected(), c->Active(), c->Disabled()},
       {vcl::crDefault, vcl::crHandPoint, vcl::crHandPoint, vcl::crDefault}},
      {"Colors",
       {k->Normal(), k->Selected(), k->Active(), k->Disabled()},
       {vcl::clBtnFace, vcl::clBtnFace, vcl::clBtnFace, vcl::clBtnFace}},
  };
  for (const Row& row : rows) EXPECT_EQ(row.values, row.expected) << row.set;
}

TEST_F(qelLabels, StateReachesEverySetInOrderAndTheCursor) {
  auto* label = NewLabel<TqelActiveLabel>("Link");
  std::string log;
  auto record = [&](const char* name) { return [&log, name](vcl::TObject*) { log += name; }; };
  label->Borders()->SetOnChange(record("B"));
  label->Colors()->SetOnChange(record("C"));
  label->Cursors()->SetOnChange(record("K"));
  label->Shadows()->SetOnChange(record("S"));
  label->TextDecorations()->SetOnChange(record("T"));
  label->SetRuntimeState(rtsSelected);
  EXPECT_EQ(log, "BCKST");
  const std::pair<TqelRunTimeState, vcl::TCursor> cursors[] = {
      {rtsActive, vcl::crHandPoint}, {rtsDisabled, vcl::crDefault}, {rtsNormal, vcl::crDefault}};
  for (const auto& [state, cursor] : cursors) {
    label->SetRuntimeState(state);
    EXPECT_EQ(label->Cursor(), cursor) << state;
  }
}

TEST_F(qelLabels, PressDragOutAndRelease) {
  auto* label = NewLabel<TqelActiveLabel>("Link");
  std::vector<TqelRunTimeState> seen;
  int moves = 0;
  label->OnMouseMove = [&](vcl::TObject*, vcl::TShiftState, int, int) { ++moves; };
  auto step = [&](plat::UINT msg, int x, int y) {
    label->Perform(msg, 0, plat::MAKELPARAM(static_cast<plat::WORD>(x), static_cast<plat::WORD>(y)));
    seen.push_back(label->RuntimeState());
  };
  label->Perform(vcl::CM_MOUSEENTER, 0, 0);
  step(plat::WM_MOUSEMOVE, 2, 2);
  step(plat::WM_LBUTTONDOWN, 2, 2);
  step(plat::WM_MOUSEMOVE, 2, 500);
  step(plat::WM_LBUTTONUP, 2, 500);
  EXPECT_EQ(seen, (std::vector<TqelRunTimeState>{rtsSelected, rtsActive, rtsSelected, rtsNormal}));
  EXPECT_EQ(moves, 2);  // the published event still fires

  label->SetActive(false);
  seen.clear();
  step(plat::WM_MOUSEMOVE, 2, 2);
  step(plat::WM_LBUTTONDOWN, 2, 2);
  EXPECT_EQ(seen, (std::vector<TqelRunTimeState>{rtsNormal, rtsNormal}));
  label->SetEnabled(false);
  EXPECT_EQ(label->RuntimeState(), rtsDisabled);
}

TEST_F(qelLabels, AutoSizeTakesBordersAndShadows) {
  auto* plain = NewLabel<TqelActiveLabel>("Size");
  plain->Borders()->Normal()->SetVisible(false);
  auto* shadowed = NewLabel<TqelActiveLabel>("Size");
  shadowed->Shadows()->Normal()->SetVisible(true);
  shadowed->Shadows()->SetSizeX(2);
  shadowed->Shadows()->SetSizeY(2);
  // The text measured alone, with the label's font.
  vcl::TBitmap probe;
  probe.Canvas()->SetFont(plain->Font());
  vcl::TSize text = probe.Canvas()->TextExtent("Size");
  EXPECT_EQ(plain->Width(), text.cx + 2);
  EXPECT_EQ(plain->Height(), text.cy + 2);
  EXPECT_EQ(shadowed->Width(), text.cx + 4);
  EXPECT_EQ(shadowed->Height(), text.cy + 4);
}

TEST_F(qelLabels, OutlinedTextInTheStatesColours) {
  auto* label = NewLabel<TqelActiveLabel>("HH");
  struct Case {
    TqelRunTimeState state;
    vcl::TColor text, border;
  };
  const Case cases[] = {{rtsNormal, vcl::clBlack, vcl::clWhite}, {rtsSelected, vcl::clBlue, vcl::clYellow}};
  for (const Case& c : cases) {
    label->SetRuntimeState(c.state);
    vcl::TCanvas* canvas = label->Picture().Canvas();
    int glyph = 0, outlined = 0;
    for (int y = 1; y + 1 < label->Height(); ++y)
      for (int x = 1; x + 1 < label->Width(); ++x) {
        if (canvas->Pixels(x, y) != c.text) continue;
        ++glyph;
        // The outline is drawn at the four diagonals of each glyph pixel.
        for (int d : {-1, 1})
          for (int e : {-1, 1})
            if (canvas->Pixels(x + d, y + e) == c.border) ++outlined;
      }
    EXPECT_GT(glyph, 10) << c.state;
    EXPECT_GT(outlined, 0) << c.state;
  }
}

TEST_F(qelLabels, AssignCopiesValuesNotOwners) {
  auto* a = NewLabel<TqelActiveLabel>("A");
  auto* b = NewLabel<TqelActiveLabel>("B");
  int b_notices = 0;
  b->Borders()->SetOnChange([&](vcl::TObject*) { ++b_notices; });
  b->Borders()->Normal()->SetColor(vcl::clRed);
  b_notices = 0;
  a->SetBorders(b->Borders());
  EXPECT_EQ(a->Borders()->Normal()->Color(), vcl::clRed);
  EXPECT_EQ(a->Borders()->Owner(), a);
  EXPECT_EQ(b_notices, 0);
  delete b;
  const int width = a->Width();
  a->Borders()->SetSizeX(3);  // lays A out again, and only A
  EXPECT_EQ(a->Width(), width + 4);
}

// Counts the desktop notices that reach it.
class TNoticeLabel : public TqelActiveLabel {
 public:
  using TqelActiveLabel::TqelActiveLabel;
  int colours = 0, settings = 0;

 protected:
  void Dispatch(vcl::TMessage& message) override {
    if (message.Msg == vcl::CM_SYSCOLORCHANGE) ++colours;
    if (message.Msg == vcl::CM_WININICHANGE) ++settings;
    TqelActiveLabel::Dispatch(message);
  }
};

TEST_F(qelLabels, DesktopNoticesReachTheLabels) {
  auto* label = NewLabel<TNoticeLabel>("Link");
  plat::SendMessageA(form_->Handle(), plat::WM_SETTINGCHANGE, 0, 0);
  plat::SendMessageA(form_->Handle(), plat::WM_SYSCOLORCHANGE, 0, 0);
  EXPECT_EQ(label->settings, 1);
  EXPECT_EQ(label->colours, 1);
}

}  // namespace
}  // namespace utility
