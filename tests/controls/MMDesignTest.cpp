// The designer in the running program: the stored client height applied
// after loading, the Update pulse, the frame recomputed on ShowButton, what is
// stored, and a form that is never hooked unless design mode is entered.
#include <gtest/gtest.h>

#include <string>

#include "ControlTestSupport.h"
#include "controls/MMDesign.h"
#include "controls/MMHook.h"
#include "platform/user/NonClient.h"
#include "platform/user/Subclass.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/FormWriter.h"

namespace controls {
namespace {

class MMDesignTest : public testing::FormsTest {
 protected:
  static void SetUpTestSuite() { vcl::RegisterClass(TMMDesigner::StaticClass()); }
};

std::string FormText(int runtime_height) {
  return "object Main: TForm\n"
         "  ClientWidth = 300\n"
         "  ClientHeight = 120\n"
         "  object Designer1: TMMDesigner\n"
         "    Active = False\n"
         "    RuntimeHeight = " +
         std::to_string(runtime_height) +
         "\n"
         "  end\n"
         "end\n";
}

TEST_F(MMDesignTest, ALoadedFormTakesTheRuntimeHeightOnlyWhenAboveZero) {
  struct Case {
    int runtime_height, client_height;
  } cases[] = {{-1, 120}, {0, 120}, {200, 200}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.runtime_height);
    vcl::TForm form(nullptr);
    vcl::ReadFormText(&form, FormText(c.runtime_height));
    EXPECT_EQ(form.ClientHeight(), c.client_height);
    auto* designer = dynamic_cast<TMMDesigner*>(form.FindComponent("Designer1"));
    ASSERT_NE(designer, nullptr);
    EXPECT_FALSE(designer->Active());
    // The running program never hooks the form.
    EXPECT_FALSE(designer->Hooked());
    EXPECT_TRUE(HookList().empty());
  }
}

TEST_F(MMDesignTest, StoresOnlyWhatDiffersBesidesUpdateAndRuntimeHeight) {
  vcl::TForm form(nullptr);
  form.SetName("Main");
  auto* designer = new TMMDesigner(&form);
  designer->SetName("Designer1");
  // The designer's own part of the description.
  auto designer_text = [&form] {
    const std::string all = vcl::WriteFormText(&form);
    return all.substr(all.find("object Designer1"));
  };
  std::string text = designer_text();
  EXPECT_NE(text.find("Update = False"), std::string::npos);
  EXPECT_NE(text.find("RuntimeHeight = -1"), std::string::npos);
  for (const char* name : {"Active", "Color", "LineWidth", "Margin", "AutoUpdate", "Sound", "ShowButton"})
    EXPECT_EQ(text.find(std::string(name) + " ="), std::string::npos) << name;
  designer->SetColor(vcl::clBlue);
  designer->SetMargin(9);
  text = designer_text();
  EXPECT_NE(text.find("Color = clBlue"), std::string::npos);
  EXPECT_NE(text.find("Margin = 9"), std::string::npos);
}

TEST_F(MMDesignTest, UpdateIsAPulseThatLeavesTheDesignerActive) {
  vcl::TForm form(nullptr);
  TMMDesigner designer(&form);
  designer.SetActive(false);
  designer.SetUpdate(true);
  EXPECT_TRUE(designer.Active());
  EXPECT_FALSE(designer.Update());
}

plat::LRESULT CountFrames(plat::HWND hwnd, plat::UINT msg, plat::WPARAM wparam, plat::LPARAM lparam,
                          plat::UINT_PTR, plat::DWORD_PTR ref_data) {
  if (msg == plat::WM_NCCALCSIZE) ++*reinterpret_cast<int*>(ref_data);
  return plat::DefSubclassProc(hwnd, msg, wparam, lparam);
}

TEST_F(MMDesignTest, ShowButtonMakesTheFormRecomputeItsFrame) {
  vcl::TForm form(nullptr);
  auto* designer = new TMMDesigner(&form);
  int frames = 0;
  plat::SetWindowSubclass(form.Handle(), &CountFrames, 1, reinterpret_cast<plat::DWORD_PTR>(&frames));
  designer->SetShowButton(true);
  EXPECT_EQ(frames, 1);
  designer->SetShowButton(true);
  EXPECT_EQ(frames, 1);
  designer->SetShowButton(false);
  EXPECT_EQ(frames, 2);
  plat::RemoveWindowSubclass(form.Handle(), &CountFrames, 1);

  vcl::TComponent not_a_form(nullptr);
  EXPECT_THROW(TMMDesigner{&not_a_form}, EMMHookError);
}

TEST_F(MMDesignTest, DesignModeHooksTheFormAndLeavingItUnhooks) {
  vcl::TForm form(nullptr);
  auto* designer = new TMMDesigner(&form);
  designer->SetDesignMode(true);
  EXPECT_TRUE(designer->Hooked());
  EXPECT_EQ(designer->Handle(), form.Handle());
  designer->SetDesignMode(false);
  EXPECT_FALSE(designer->Hooked());
  designer->SetDesignMode(true);
  delete designer;
  EXPECT_TRUE(HookList().empty());
}

}  // namespace
}  // namespace controls
