// The controls' start-up makes their classes known by name, so a form
// description naming them reads.
#include <gtest/gtest.h>

#include <memory>

#include "ControlTestSupport.h"
#include "controls/ControlUnits.h"
#include "controls/MMBmpCtl.h"
#include "controls/MMDesign.h"
#include "controls/MMLEDLbl.h"
#include "controls/MMLEDs.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/FormWriter.h"
#include "resources/ProgramResources.h"

namespace controls {
namespace {

class ControlUnitsTest : public testing::FormsTest {
 protected:
  static void SetUpTestSuite() { RegisterProgramResources(); }
};

TEST_F(ControlUnitsTest, StartUpRegistersTheControlClassesByName) {
  plat::UnitTable table;
  RegisterControlUnits(table);
  ASSERT_TRUE(table.IsRegistered("MMControlComponents"));
  table.Initialize();
  for (const char* name :
       {"TMMBitmapList", "TMMPanelFill", "TMMWndProcComponent", "TMMDesigner", "TMMNumberEdit", "TMMGauge",
        "TMMLabel", "TMMLED", "TMMLEDMode", "TMMLEDDigit", "TMMLEDPanel", "TMMLEDLABEL", "TMMBitmapButton",
        "TMMSlider", "TMMSpeedButton", "TMMSpinButton", "TMMLEDSpin", "TMMColorButton"})
    EXPECT_NE(vcl::GetClass(name), nullptr) << name;

  vcl::TForm form(nullptr);
  vcl::ReadFormText(&form,
                    "object Main: TForm\n"
                    "  object Glyphs: TMMBitmapList\n"
                    "    Compressed = True\n"
                    "  end\n"
                    "  object Fill1: TMMPanelFill\n"
                    "    BitmapList = Glyphs\n"
                    "    BitmapIndex = 8\n"
                    "  end\n"
                    "  object Designer1: TMMDesigner\n"
                    "    RuntimeHeight = -1\n"
                    "  end\n"
                    "  object Level1: TMMLEDPanel\n"
                    "    NumDigits = 3\n"
                    "    MinValue = -99\n"
                    "    Value = -42\n"
                    "  end\n"
                    "  object Read1: TMMLEDLABEL\n"
                    "    FontSize = fs11x13\n"
                    "    Caption = '-12,5'\n"
                    "    Alignment = taCenter\n"
                    "  end\n"
                    "end\n");
  auto* fill = dynamic_cast<TMMPanelFill*>(form.FindComponent("Fill1"));
  ASSERT_NE(fill, nullptr);
  EXPECT_EQ(fill->BitmapList(), form.FindComponent("Glyphs"));
  EXPECT_NE(dynamic_cast<TMMDesigner*>(form.FindComponent("Designer1")), nullptr);
  // The panel arranges its digits once loaded and stores none of them.
  auto* level = dynamic_cast<TMMLEDPanel*>(form.FindComponent("Level1"));
  ASSERT_NE(level, nullptr);
  EXPECT_EQ(level->Value(), -42);
  EXPECT_EQ(level->Digit(2)->DisplayType(), ltMinus);
  EXPECT_EQ(level->Width(), 2 * level->BevelExtent() + 3 * 14 - 1);
  auto* read = dynamic_cast<TMMLEDLABEL*>(form.FindComponent("Read1"));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->NumChars(), 5);
  EXPECT_EQ(read->Width(), 6 + 5 * 11);
  const std::string written = vcl::WriteFormText(&form);
  EXPECT_EQ(written.find("TMMCustomLEDDigit"), std::string::npos) << written;
  table.Finalize();
}

}  // namespace
}  // namespace controls
