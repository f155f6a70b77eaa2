// The controls' start-up makes their classes known by name, so a form
// description naming them reads.
#include <gtest/gtest.h>

#include <memory>

#include "ControlTestSupport.h"
#include "controls/ControlUnits.h"
#include "controls/MMBmpCtl.h"
#include "controls/MMDesign.h"
#include "platform/vcl/FormReader.h"

namespace controls {
namespace {

class ControlUnitsTest : public testing::FormsTest {};

TEST_F(ControlUnitsTest, StartUpRegistersTheControlClassesByName) {
  plat::UnitTable table;
  RegisterControlUnits(table);
  ASSERT_TRUE(table.IsRegistered("MMControlComponents"));
  table.Initialize();
  for (const char* name : {"TMMBitmapList", "TMMPanelFill", "TMMWndProcComponent", "TMMDesigner",
                           "TMMNumberEdit", "TMMGauge", "TMMLabel"})
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
                    "end\n");
  auto* fill = dynamic_cast<TMMPanelFill*>(form.FindComponent("Fill1"));
  ASSERT_NE(fill, nullptr);
  EXPECT_EQ(fill->BitmapList(), form.FindComponent("Glyphs"));
  EXPECT_NE(dynamic_cast<TMMDesigner*>(form.FindComponent("Designer1")), nullptr);
  table.Finalize();
}

}  // namespace
}  // namespace controls
