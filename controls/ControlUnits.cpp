#include "controls/ControlUnits.h"

#include "controls/MMBmpBtn.h"
#include "controls/MMBmpCtl.h"
#include "controls/MMBmpLst.h"
#include "controls/MMColBtn.h"
#include "controls/MMDesign.h"
#include "controls/MMEdit.h"
#include "controls/MMGauge.h"
#include "controls/MMHook.h"
#include "controls/MMLEDLbl.h"
#include "controls/MMLEDSpin.h"
#include "controls/MMLEDs.h"
#include "controls/MMLabel.h"
#include "controls/MMSlider.h"
#include "controls/MMSpeedBtn.h"
#include "controls/MMSpin.h"
#include "platform/vcl/Classes.h"

namespace controls {

void RegisterControlClasses() {
  // One line per control class, in the order the units were added.
  vcl::RegisterClass(TMMBitmapList::StaticClass());
  vcl::RegisterClass(TMMPanelFill::StaticClass());
  vcl::RegisterClass(TMMWndProcComponent::StaticClass());
  vcl::RegisterClass(TMMDesigner::StaticClass());
  vcl::RegisterClass(TMMNumberEdit::StaticClass());
  vcl::RegisterClass(TMMGauge::StaticClass());
  vcl::RegisterClass(TMMLabel::StaticClass());
  vcl::RegisterClass(TMMLED::StaticClass());
  vcl::RegisterClass(TMMLEDMode::StaticClass());
  vcl::RegisterClass(TMMLEDDigit::StaticClass());
  vcl::RegisterClass(TMMLEDPanel::StaticClass());
  vcl::RegisterClass(TMMLEDLABEL::StaticClass());
  vcl::RegisterClass(TMMBitmapButton::StaticClass());
  vcl::RegisterClass(TMMSlider::StaticClass());
  vcl::RegisterClass(TMMColorButton::StaticClass());
  vcl::RegisterClass(TMMSpeedButton::StaticClass());
  vcl::RegisterClass(TMMSpinButton::StaticClass());
  vcl::RegisterClass(TMMLEDSpin::StaticClass());
}

void RegisterControlUnits(plat::UnitTable& table) {
  table.Register("MMControlComponents", plat::rankControls + 30, RegisterControlClasses);
}

}  // namespace controls
