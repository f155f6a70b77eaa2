// Forms: modal loops, closing, the main form and the application's loop,
// client sizes from descriptions, key preview and the screen's form list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/backend/Backend.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/kernel/Clock.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Icon.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/ExtTimer.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Menus.h"

using namespace vcl;
using plat::backend::HeadlessBackend;

namespace {

class FormsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::clock::UseManual();
    InitApplication();
    InitForms();
  }
  void TearDown() override {
    Application->OnIdle = nullptr;
    DoneForms();
    Pump();
    DoneApplication();
    plat::clock::UseReal();
  }

  static void Pump() {
    plat::user::PumpBackendEvents(0);
    plat::MSG msg;
    while (plat::PeekMessageA(&msg, nullptr, 0, 0, plat::PM_REMOVE)) plat::DispatchMessageA(&msg);
  }

  // Idle time moves the manual clock on, so timers fire inside modal loops.
  void TickWhenIdle() {
    Application->OnIdle = [](TObject*, bool& done) {
      plat::clock::AdvanceMs(50);
      done = false;
    };
  }

  HeadlessBackend* Screen() { return dynamic_cast<HeadlessBackend*>(&plat::backend::Current()); }
};

struct ModalCase {
  const char* name;
  // Runs on each timer tick inside the modal loop.
  std::function<void(TForm* dialog, int tick)> on_tick;
  std::function<void(TObject*, bool&)> close_query;
  TModalResult expected;
  int expected_ticks;
};

TEST_F(FormsTest, ModalFormRunsItsOwnLoopUntilItHasAResult) {
  const ModalCase cases[] = {
      {"result set", [](TForm* d, int) { d->SetModalResult(mrOk); }, nullptr, mrOk, 1},
      {"closed", [](TForm* d, int) { d->Close(); }, nullptr, mrCancel, 1},
      {"close refused once", [](TForm* d, int) { d->SetModalResult(mrYes); },
       [n = std::make_shared<int>(0)](TObject*, bool& can_close) { can_close = ++*n > 1; }, mrYes, 2},
  };
  TForm* main = nullptr;
  ApplicationCreateForm(main);
  main->Show();
  Pump();
  ASSERT_TRUE(plat::IsWindowEnabled(main->Handle()));
  for (const ModalCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto* dialog = new TForm(Application);
    dialog->SetBorderStyle(bsDialog);
    dialog->OnCloseQuery = c.close_query;
    std::vector<bool> main_enabled;
    int ticks = 0;
    auto* timer = new TTimer(dialog);
    timer->SetInterval(100);
    timer->OnTimer = [&](TObject*) {
      main_enabled.push_back(plat::IsWindowEnabled(main->Handle()) != 0);
      c.on_tick(dialog, ++ticks);
    };
    TickWhenIdle();
    EXPECT_EQ(dialog->ShowModal(), c.expected);
    Application->OnIdle = nullptr;
    timer->SetEnabled(false);
    EXPECT_EQ(ticks, c.expected_ticks);
    EXPECT_EQ(main_enabled, std::vector<bool>(static_cast<size_t>(c.expected_ticks), false));
    EXPECT_TRUE(plat::IsWindowEnabled(main->Handle()));
    EXPECT_FALSE(dialog->Visible());
    EXPECT_FALSE(dialog->FormState().Contains(fsModal));
    delete dialog;
  }
  // A shown form cannot become modal.
  EXPECT_THROW(main->ShowModal(), EInvalidOperation);
}

TEST_F(FormsTest, ClosingTheMainFormEndsTheApplicationLoop) {
  TForm* main = nullptr;
  TForm* second = nullptr;
  ApplicationCreateForm(main);
  ApplicationCreateForm(second);
  EXPECT_EQ(ApplicationMainForm(), main);
  EXPECT_EQ(vcl::Screen->FormCount(), 2);
  std::vector<std::string> log;
  main->OnShow = [&](TObject*) {
    log.push_back("show");
    plat::PostMessageA(main->Handle(), plat::WM_CLOSE, 0, 0);
  };
  main->OnClose = [&](TObject*, TCloseAction& action) {
    log.push_back(action == caHide ? "close caHide" : "close other");
  };
  ApplicationRun();
  EXPECT_TRUE(Application->Terminated());
  EXPECT_EQ(log, (std::vector<std::string>{"show", "close caHide"}));
}

TEST_F(FormsTest, CloseActionDecidesWhatClosingDoes) {
  TForm* main = nullptr;
  ApplicationCreateForm(main);
  const std::pair<TCloseAction, const char*> cases[] = {
      {caNone, "stays"}, {caHide, "hidden"}, {caMinimize, "minimised"}, {caFree, "freed"}};
  for (const auto& [action, outcome] : cases) {
    SCOPED_TRACE(outcome);
    auto* form = new TForm(Application);
    bool destroyed = false;
    form->OnDestroy = [&](TObject*) { destroyed = true; };
    form->OnClose = [a = action](TObject*, TCloseAction& act) { act = a; };
    form->Show();
    Pump();
    form->Close();
    Pump();
    switch (action) {
      case caNone:
        EXPECT_TRUE(form->Visible());
        break;
      case caHide:
        EXPECT_FALSE(form->Visible());
        break;
      case caMinimize:
        EXPECT_EQ(form->WindowState(), wsMinimized);
        EXPECT_TRUE(plat::IsIconic(form->Handle()));
        break;
      case caFree:
        EXPECT_TRUE(destroyed);
        break;
    }
    if (action != caFree) delete form;
  }
  EXPECT_FALSE(Application->Terminated());
}

class TSizedForm : public TForm {
  VCL_DECLARE_CLASS(TSizedForm, TForm)
 public:
  explicit TSizedForm(TComponent* owner) : TForm(owner) { InitForm(this); }
  std::vector<std::string> keys;
  void FormKeyDown(TObject*, uint16_t& key, TShiftState) {
    keys.push_back("form " + std::to_string(key));
    if (key == plat::VK_ESCAPE) key = 0;
  }
};

}  // namespace

VCL_IMPLEMENT_CLASS(TSizedForm, Method("FormKeyDown", &TSizedForm::FormKeyDown))

namespace {

TEST_F(FormsTest, DescriptionGivesClientSizeInsideTheFrameAndKeyPreview) {
  RegisterClasses({TPanel::StaticClass()});
  RegisterFormResource("TSizedForm", R"(object SizedForm: TSizedForm
  Left = 50
  Top = 40
  Caption = 'Sized'
  ClientHeight = 200
  ClientWidth = 300
  KeyPreview = True
  Position = poScreenCenter
  OnKeyDown = FormKeyDown
  object Field: TPanel
    Left = 10
    Top = 10
    Width = 100
    Height = 30
    TabOrder = 0
  end
end
)");
  TSizedForm* form = nullptr;
  ApplicationCreateForm(form);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->ClientWidth(), 300);
  EXPECT_EQ(form->ClientHeight(), 200);
  EXPECT_GT(form->Width(), 300);
  EXPECT_GT(form->Height(), 200);
  char title[32] = {};
  plat::GetWindowTextA(form->Handle(), title, sizeof title);
  EXPECT_STREQ(title, "Sized");

  form->Show();
  Pump();
  // Centred on the screen at its first showing.
  EXPECT_EQ(form->Left(), (vcl::Screen->Width() - form->Width()) / 2);
  EXPECT_EQ(vcl::Screen->ActiveForm(), form);

  auto* field = dynamic_cast<TPanel*>(form->FindComponent("Field"));
  std::vector<std::string>& keys = form->keys;
  field->OnKeyDown = [&keys](TObject*, uint16_t& key, TShiftState) {
    keys.push_back("field " + std::to_string(key));
  };
  field->SetFocus();
  Pump();
  ASSERT_TRUE(field->Focused());
  // The form sees keys first; a key it clears goes no further.
  const std::pair<plat::UINT, std::vector<std::string>> cases[] = {
      {plat::VK_F2, {"form 113", "field 113"}},
      {plat::VK_ESCAPE, {"form 27"}},
  };
  for (const auto& [vk, expected] : cases) {
    keys.clear();
    ASSERT_NE(Screen(), nullptr);
    Screen()->InjectKey(vk, true);
    Screen()->InjectKey(vk, false);
    Pump();
    EXPECT_EQ(keys, expected);
  }
}

}  // namespace

namespace {

// A skin that draws its own bar takes the menu off the window and puts it
// back when the form hears that the items changed.
TEST_F(FormsTest, MenuChangesReachTheFormAndPutTheBarBack) {
  RegisterMenuClasses();
  TForm* main = nullptr;
  ApplicationCreateForm(main);
  auto* bar = new TMainMenu(main);
  auto* file = new TMenuItem(main);
  file->SetCaption("&File");
  bar->Items()->Add(file);
  main->SetMenu(bar);
  const plat::HWND hwnd = main->Handle();
  ASSERT_EQ(plat::GetMenu(hwnd), bar->Handle());

  std::vector<plat::LPARAM> notices;
  TWndMethod previous = main->WindowProc;
  main->WindowProc = [&](TMessage& m) {
    if (m.Msg == CM_MENUCHANGED) notices.push_back(m.LParam);
    previous(m);
  };
  plat::SetMenu(hwnd, nullptr);
  file->SetCaption("&Datei");
  EXPECT_EQ(notices, (std::vector<plat::LPARAM>{reinterpret_cast<plat::LPARAM>(bar)}));
  EXPECT_EQ(plat::GetMenu(hwnd), bar->Handle());
  char text[32] = {};
  plat::GetMenuStringA(bar->Handle(), 0, text, sizeof text, plat::MF_BYPOSITION);
  EXPECT_STREQ(text, "&Datei");
  main->WindowProc = previous;
}

}  // namespace

namespace {

// Without a program icon among the resources the system's application icon stands in.
TEST_F(FormsTest, FormsShowTheApplicationsIcon) {
  TForm* main = nullptr;
  ApplicationCreateForm(main);
  const plat::HWND app = ApplicationHandle();
  const plat::LRESULT big = plat::SendMessageA(app, plat::WM_GETICON, plat::ICON_BIG, 0);
  EXPECT_NE(big, 0);
  EXPECT_EQ(plat::SendMessageA(main->Handle(), plat::WM_GETICON, plat::ICON_BIG, 0), big);
  EXPECT_EQ(plat::SendMessageA(main->Handle(), plat::WM_GETICON, plat::ICON_SMALL2, 0),
            plat::SendMessageA(app, plat::WM_GETICON, plat::ICON_SMALL2, 0));
}

}  // namespace
