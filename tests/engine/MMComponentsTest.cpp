#include <gtest/gtest.h>

#include "engine/MMComponents.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/TypInfo.h"

TEST(ComponentClasses, AudioComponentsAreFoundByName) {
  engine::RegisterComponentClasses();
  for (const char* name : {"TMMWaveIn", "TMMWaveOut", "TMMTrigger", "TMMHiTimer", "TMMPeakDetect",
                           "TMMGenerator", "TMMDSPPlugin"})
    EXPECT_NE(vcl::GetClass(name), nullptr) << name;
}
