#include "engine/MMComponents.h"

#include "engine/MMFXGen.h"
#include "engine/MMHTimer.h"
#include "engine/MMPeak.h"
#include "engine/MMPlugIn.h"
#include "engine/MMTrigg.h"
#include "engine/MMWavIn.h"
#include "engine/MMWavOut.h"
#include "platform/vcl/Classes.h"

namespace engine {

void RegisterComponentClasses() {
  vcl::RegisterClasses({TMMWaveIn::StaticClass(), TMMWaveOut::StaticClass(), TMMTrigger::StaticClass(),
                        TMMHiTimer::StaticClass(), TMMPeakDetect::StaticClass(), TMMGenerator::StaticClass(),
                        TMMDSPPlugin::StaticClass()});
}

}  // namespace engine
