// The skin data component and the skin manager: defaults, the stored package
// and skin files (good, missing, older, damaged, without a description), the
// optional entry points, which windows get skinned, the scheduled actions,
// and the component going away while its windows are skinned.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/kernel/Modules.h"
#include "platform/user/MessageBox.h"
#include "platform/user/UserModule.h"
#include "platform/vcl/TypInfo.h"
#include "skin/SkinFormFixture.h"

using namespace skin;
using namespace skin_test;

namespace {

class TPreviewForm : public vcl::TForm {
  VCL_DECLARE_CLASS(TPreviewForm, vcl::TForm)
 public:
  using vcl::TForm::TForm;
};
VCL_IMPLEMENT_CLASS(TPreviewForm)

class SkinDataTest : public SkinScreenTest {
 protected:
  void TearDown() override {
    plat::SetDialogScript(nullptr);
    std::filesystem::remove_all(dir_);
    SkinScreenTest::TearDown();
  }
  std::string WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::filesystem::create_directories(dir_);
    std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  // Counts the message boxes shown, answering each.
  int* CountMessages() {
    plat::SetDialogScript([this](const plat::DialogRequest& r) -> std::optional<plat::DialogAnswer> {
      if (r.kind == plat::DialogKind::MessageBox) {
        ++messages_;
        last_message_ = r.text;
      }
      return plat::DialogAnswer{};
    });
    return &messages_;
  }

  std::filesystem::path dir_ = std::filesystem::temp_directory_path() / "quellix-skin-data-test";
  int messages_ = 0;
  std::string last_message_;
};

TEST_F(SkinDataTest, DefaultsAndTheSwitchesLoadedSettles) {
  TSkinData data(nullptr);
  EXPECT_EQ(data.DisableTag(), 99);
  EXPECT_FALSE(data.SkinControls().Contains(xcMenuItem));
  EXPECT_FALSE(data.SkinControls().Contains(xcFastReport));
  EXPECT_TRUE(data.SkinControls().Contains(xcSystemMenu));
  EXPECT_EQ(data.Options(), (TSkinOptions{xoPreview, xoToolbarBK}));
  ASSERT_EQ(data.Skin3rd()->Count(), 116);
  EXPECT_EQ(data.Skin3rd()->Strings(0), "TPngBitBtn=pngbitbtn");
  EXPECT_EQ(data.Skin3rd()->Strings(3), "TTBXDockablePanel=Panel");
  EXPECT_EQ(data.Skin3rd()->Strings(115), "TOVCDBNUMERICFIELD=Edit");
  vcl::SetStrProp(&data, "Version", "1.0");
  EXPECT_EQ(vcl::GetStrProp(&data, "Version"), "3.94.01.25");
  EXPECT_TRUE(data.NotLoaded());

  struct Case {
    TSkinControlTypes before;
    bool menu_item, system_menu;
  };
  for (const Case& c : {Case{{xcMainMenu, xcMenuItem, xcSystemMenu}, false, true},
                        Case{{xcMenuItem, xcSystemMenu}, true, false}}) {
    TSkinData d(nullptr);
    d.SetSkinControls(c.before);
    d.Loaded();
    EXPECT_EQ(d.SkinControls().Contains(xcMenuItem), c.menu_item);
    EXPECT_EQ(d.SkinControls().Contains(xcSystemMenu), c.system_menu);
  }
  // Only one hook, however many main components load.
  EXPECT_TRUE(SkinManager()->HookInstalled());
}

TEST_F(SkinDataTest, TheStoredPackageIsTrustedOnlyAsFarAsItsBytes) {
  const std::vector<uint8_t> good = TestSkinPackage();
  struct Case {
    const char* name;
    std::vector<uint8_t> stored;
    bool loaded;
  };
  auto with_length = [](uint32_t n, const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> out(4);
    memcpy(out.data(), &n, 4);
    out.insert(out.end(), bytes.begin(), bytes.end());
    return out;
  };
  TestSkinOptions no_description;
  no_description.with_description = false;
  const Case cases[] = {
      {"good", with_length(static_cast<uint32_t>(good.size()), good), true},
      {"empty", with_length(0, {}), false},
      {"length past the bytes", with_length(1000, std::vector<uint8_t>(10, 1)), false},
      {"no description",
       with_length(static_cast<uint32_t>(TestSkinPackage(no_description).size()),
                   TestSkinPackage(no_description)),
       false},
      {"damaged", with_length(200, std::vector<uint8_t>(200, 0xA5)), false},
  };
  for (const Case& c : cases) {
    TSkinData data(nullptr);
    vcl::TMemoryStream stream;
    stream.WriteBuffer(c.stored.data(), static_cast<int64_t>(c.stored.size()));
    stream.SetPosition(0);
    data.ReadSkinStream(stream);
    EXPECT_EQ(!data.NotLoaded(), c.loaded) << c.name;
    EXPECT_EQ(stream.Position(), stream.Size()) << c.name;
    data.SetActive(true);
    data.Loaded();
    EXPECT_EQ(data.Active(), c.loaded) << c.name;
    if (!c.loaded) continue;
    // Written back the same way.
    vcl::TMemoryStream out;
    data.WriteSkinStream(out);
    ASSERT_EQ(out.Size(), static_cast<int64_t>(c.stored.size()));
    EXPECT_EQ(memcmp(out.Memory(), c.stored.data(), c.stored.size()), 0);
  }
  EXPECT_EQ(SkinManager()->TimerRunning(), false);  // nothing shown yet: no timer
}

TEST_F(SkinDataTest, SkinFilesLoadRefreshOrStaySilent) {
  int* messages = CountMessages();
  data_ = NewSkinData(TestSkinPackage());
  vcl::TForm* form = NewSizeableForm();
  ShowAndSkin(form);
  ASSERT_NE(SkinOf(form), nullptr);
  int changed = 0;
  data_->OnSkinChanged = [&changed](vcl::TObject*) { ++changed; };

  TestSkinOptions wide;
  wide.personality = "LeftFrame=1\n";  // left border 8 wide
  data_->SetSkinFile(WriteFile("wide.skn", TestSkinPackage(wide)));
  EXPECT_FALSE(data_->NotLoaded());
  EXPECT_EQ(SkinManager()->PendingAction(), 3);
  SkinManager()->Tick();
  Pump();
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(SkinOf(form)->BorderLeft(), 8);
  EXPECT_EQ(SkinManager()->CurrentSkinData(), nullptr);

  data_->SetSkinFile((dir_ / "missing.skn").string());
  EXPECT_TRUE(data_->NotLoaded());
  EXPECT_EQ(*messages, 0);
  EXPECT_EQ(SkinOf(form)->BorderLeft(), 8);  // the old look stays
  vcl::TForm* later = NewSizeableForm();
  ShowAndSkin(later);
  EXPECT_EQ(SkinOf(later), nullptr);

  std::vector<uint8_t> older = skinpack::LzhCompress(Container({{"skin.ini", "[Personality]\n"}}, 19999));
  data_->SetSkinFile(WriteFile("older.skn", older));
  EXPECT_EQ(*messages, 1);
  EXPECT_EQ(last_message_, kOlderSkinText);
  EXPECT_TRUE(data_->NotLoaded());
}

TEST_F(SkinDataTest, WithoutTheScrollBarEntryPointScrollBarsAreNotSkinned) {
  plat::RegisterBuiltinModule("USER32.DLL", {});
  BindSkinEntryPoints();
  TSkinData bare(nullptr);
  bare.Loaded();
  EXPECT_FALSE(bare.SkinControls().Contains(xcScrollbar));
  SkinTrackMouseLeave(nullptr);  // does nothing
  EXPECT_FALSE(SkinScrollBarInfo(nullptr, 0, nullptr));
  plat::RegisterUserModule();
  BindSkinEntryPoints();
  TSkinData bound(nullptr);
  bound.Loaded();
  EXPECT_TRUE(bound.SkinControls().Contains(xcScrollbar));
  EXPECT_NE(SkinGetComboBoxInfo(), nullptr);
}

class SkinManageTest : public SkinDataTest {};

TEST_F(SkinManageTest, DecidesWhichWindowsAreSkinned) {
  data_ = NewSkinData(TestSkinPackage());
  TSkinManage& m = *SkinManager();
  EXPECT_EQ(m.State(), 0);
  EXPECT_FALSE(m.TimerRunning());
  std::vector<std::string> asked;

  struct Case {
    const char* name;
    std::function<vcl::TForm*()> make;
    bool skinned;
  };
  const Case cases[] = {
      {"plain form", [this] { return NewSizeableForm(); }, true},
      {"tag 99",
       [this] {
         vcl::TForm* f = NewSizeableForm();
         f->SetTag(99);
         return f;
       },
       false},
      {"zero size", [this] { return NewSizeableForm(0, 0); }, false},
      {"preview class",
       [] {
         auto* f = new TPreviewForm(vcl::Application);
         f->SetBounds(10, 10, 200, 100);
         return f;
       },
       true},
  };
  data_->SetDisableTag(5);  // the manager's test is the fixed 99
  for (const Case& c : cases) {
    vcl::TForm* f = c.make();
    ShowAndSkin(f);
    EXPECT_EQ(SkinOf(f) != nullptr, c.skinned) << c.name;
    if (SkinOf(f)) {
      EXPECT_EQ(plat::SendMessageA(f->Handle(), SKM_ISSKINNED, 0, 0), 1);
      EXPECT_FALSE(m.SkinForm(f->Handle())) << "a second skin for " << c.name;
    }
  }
  EXPECT_EQ(m.State(), 1);

  data_->SetOptions(TSkinOptions{xoToolbarBK});
  auto* preview = new TPreviewForm(vcl::Application);
  preview->SetBounds(10, 10, 200, 100);
  ShowAndSkin(preview);
  EXPECT_EQ(SkinOf(preview), nullptr);

  data_->OnFormSkin = [&asked](vcl::TObject*, const std::string& name, bool& do_skin) {
    asked.push_back(name);
    do_skin = name != "TForm";
  };
  data_->SetOptions(TSkinOptions{xoPreview});
  vcl::TForm* refused = NewSizeableForm();
  ShowAndSkin(refused);
  EXPECT_EQ(SkinOf(refused), nullptr);
  EXPECT_EQ(asked, std::vector<std::string>{"TForm"});
}

TEST_F(SkinManageTest, OnlyTheLastScheduledActionRuns) {
  data_ = NewSkinData(TestSkinPackage());
  std::vector<vcl::TForm*> forms;
  for (int i = 0; i < 3; ++i) {
    forms.push_back(NewSizeableForm(300 + 10 * i, 200));
    ShowAndSkin(forms.back());
  }
  TSkinManage& m = *SkinManager();
  ASSERT_EQ(m.FormCount(), 3);
  int changed = 0;
  data_->OnSkinChanged = [&changed](vcl::TObject*) { ++changed; };

  data_->SetActive(false);
  data_->SetActive(true);
  EXPECT_EQ(m.PendingAction(), 1);
  EXPECT_TRUE(m.TimerRunning());
  m.Tick();
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(m.FormCount(), 3);
  EXPECT_EQ(m.CurrentSkinData(), nullptr);

  // Unskin all: every window back to its own frame with its client area.
  std::vector<int> clients;
  for (vcl::TForm* f : forms) clients.push_back(f->ClientWidth() * 10000 + f->ClientHeight());
  data_->SetActive(false);
  m.Tick();
  Pump();
  EXPECT_EQ(m.FormCount(), 0);
  EXPECT_TRUE(m.HookInstalled());
  for (size_t i = 0; i < forms.size(); ++i) {
    EXPECT_EQ(forms[i]->ClientWidth() * 10000 + forms[i]->ClientHeight(), clients[i]);
    EXPECT_NE(plat::SendMessageA(forms[i]->Handle(), SKM_ISSKINNED, 0, 0), 1);
  }
}

TEST_F(SkinManageTest, TheComponentGoesWhileItsWindowsAreSkinned) {
  data_ = NewSkinData(TestSkinPackage());
  vcl::TForm* form = NewSizeableForm();
  ShowAndSkin(form);
  ASSERT_NE(SkinOf(form), nullptr);
  const int client_width = form->ClientWidth();
  data_->SetActive(false);  // an action of it is pending
  data_.reset();
  TSkinManage& m = *SkinManager();
  EXPECT_EQ(m.MainSkinData(), nullptr);
  EXPECT_EQ(m.CurrentSkinData(), nullptr);
  EXPECT_FALSE(m.TimerRunning());
  EXPECT_EQ(m.FormCount(), 0);
  EXPECT_EQ(form->ClientWidth(), client_width);
  plat::SendMessageA(form->Handle(), plat::WM_NCPAINT, 1, 0);  // its own frame again
  vcl::TForm* later = NewSizeableForm();
  ShowAndSkin(later);
  EXPECT_EQ(SkinOf(later), nullptr);
  m.Tick();  // nothing left to act on
}

}  // namespace
