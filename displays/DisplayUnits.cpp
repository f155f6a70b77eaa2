#include "displays/DisplayUnits.h"

#include "displays/MMConect.h"
#include "displays/MMLevel.h"
#include "displays/MMLevelScale.h"
#include "displays/MMLight.h"
#include "displays/MMMeter.h"
#include "displays/MMOscope.h"
#include "displays/MMSpectrogram.h"
#include "displays/MMSpectrum.h"
#include "platform/vcl/Classes.h"

namespace displays {

void RegisterDisplayClasses() {
  // One line per display class, in the order the units were added.
  vcl::RegisterClass(TMMLevelScale::StaticClass());
  vcl::RegisterClass(TMMMeter::StaticClass());
  vcl::RegisterClass(TMMLevel::StaticClass());
  vcl::RegisterClass(TMMConnector::StaticClass());
  vcl::RegisterClass(TMMLight::StaticClass());
  vcl::RegisterClass(TMMSpectrogram::StaticClass());
  vcl::RegisterClass(TMMSpectrum::StaticClass());
  vcl::RegisterClass(TMMOscope::StaticClass());
}

void RegisterDisplayUnits(plat::UnitTable& table) {
  table.Register("MMDisplayComponents", plat::rankDisplays + 30, RegisterDisplayClasses);
}

}  // namespace displays
