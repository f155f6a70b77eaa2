// Loading and binding of the compression manager library.
#include <gtest/gtest.h>

#include "engine/MMACM.h"
#include "engine/MMACMSup.h"
#include "platform/kernel/Modules.h"

namespace {

plat::DWORD OldVersion() { return 0x01000000; }
plat::DWORD NewVersion() { return 0x02000000; }

class MMACMTest : public ::testing::Test {
 protected:
  void TearDown() override {
    engine::UnloadACM();
    plat::RegisterAcmModule();  // later tests get the real library again
  }
};

TEST_F(MMACMTest, LoadsAndBindsEveryEntryPoint) {
  plat::RegisterAcmModule();
  engine::LoadACM();
  ASSERT_TRUE(engine::ACM().Loaded);
  EXPECT_NE(engine::ACM().Handle, nullptr);
  const void* bound[] = {
      (void*)engine::ACM().acmGetVersion,           (void*)engine::ACM().acmMetrics,
      (void*)engine::ACM().acmDriverEnum,           (void*)engine::ACM().acmDriverDetailsA,
      (void*)engine::ACM().acmDriverAddA,           (void*)engine::ACM().acmDriverRemove,
      (void*)engine::ACM().acmDriverOpen,           (void*)engine::ACM().acmDriverClose,
      (void*)engine::ACM().acmDriverMessage,        (void*)engine::ACM().acmDriverID,
      (void*)engine::ACM().acmDriverPriority,       (void*)engine::ACM().acmFormatTagDetailsA,
      (void*)engine::ACM().acmFormatTagEnumA,       (void*)engine::ACM().acmFormatChooseA,
      (void*)engine::ACM().acmFormatDetailsA,       (void*)engine::ACM().acmFormatEnumA,
      (void*)engine::ACM().acmFormatSuggest,        (void*)engine::ACM().acmFilterTagDetailsA,
      (void*)engine::ACM().acmFilterTagEnumA,       (void*)engine::ACM().acmFilterChooseA,
      (void*)engine::ACM().acmFilterDetailsA,       (void*)engine::ACM().acmFilterEnumA,
      (void*)engine::ACM().acmStreamOpen,           (void*)engine::ACM().acmStreamClose,
      (void*)engine::ACM().acmStreamSize,           (void*)engine::ACM().acmStreamConvert,
      (void*)engine::ACM().acmStreamReset,          (void*)engine::ACM().acmStreamPrepareHeader,
      (void*)engine::ACM().acmStreamUnprepareHeader};
  for (size_t i = 0; i < std::size(bound); ++i) EXPECT_NE(bound[i], nullptr) << "entry " << i;
  EXPECT_EQ(engine::ACM().acmGetVersion(), plat::acmGetVersion());

  engine::UnloadACM();
  EXPECT_FALSE(engine::ACM().Loaded);
  EXPECT_EQ(engine::ACM().Handle, nullptr);
  EXPECT_EQ(engine::ACM().acmStreamOpen, nullptr);
}

TEST_F(MMACMTest, VersionBelowTwoLeavesTheLibraryUnused) {
  plat::RegisterBuiltinModule("MSACM32.DLL",
                              {{"acmGetVersion", reinterpret_cast<plat::FARPROC>(&OldVersion)},
                               {"acmStreamOpen", reinterpret_cast<plat::FARPROC>(&plat::acmStreamOpen)}});
  engine::LoadACM();
  EXPECT_FALSE(engine::ACM().Loaded);
  EXPECT_NE(engine::ACM().Handle, nullptr);
  EXPECT_EQ(engine::ACM().acmStreamOpen, nullptr);
  plat::WAVEFORMATEX pcm{1, 1, 8000, 16000, 2, 16, 0};
  plat::WAVEFORMATEX mulaw{7, 1, 8000, 8000, 1, 8, 0};
  EXPECT_FALSE(engine::CanConvertFormat(&mulaw, &pcm, true));
  EXPECT_EQ(engine::CreateACMConversion(&mulaw, &pcm, nullptr, 1000, true), nullptr);
}

TEST_F(MMACMTest, MissingVersionEntryFreesTheLibrary) {
  plat::RegisterBuiltinModule("MSACM32.DLL", {});
  engine::LoadACM();
  EXPECT_FALSE(engine::ACM().Loaded);
  EXPECT_EQ(engine::ACM().Handle, nullptr);
  EXPECT_EQ(engine::ACM().acmGetVersion, nullptr);
}

TEST_F(MMACMTest, MissingStreamEntriesMakeConversionUnavailableNotACrash) {
  plat::RegisterBuiltinModule("MSACM32.DLL",
                              {{"acmGetVersion", reinterpret_cast<plat::FARPROC>(&NewVersion)}});
  engine::LoadACM();
  EXPECT_TRUE(engine::ACM().Loaded);
  plat::WAVEFORMATEX pcm{1, 1, 8000, 16000, 2, 16, 0};
  plat::WAVEFORMATEX mulaw{7, 1, 8000, 8000, 1, 8, 0};
  EXPECT_FALSE(engine::CanConvertFormat(&mulaw, &pcm, true));
  EXPECT_EQ(engine::CreateACMConversion(&mulaw, &pcm, nullptr, 1000, true), nullptr);
  plat::WAVEFORMATEX out;
  engine::SuggestPCMFormat(&mulaw, out);
  EXPECT_EQ(out.wFormatTag, 0);
}

TEST_F(MMACMTest, UnitLoadsOnFirstStartAndUnloadsOnLastStop) {
  plat::RegisterAcmModule();
  engine::MMACMInitialize();
  engine::MMACMInitialize();
  EXPECT_TRUE(engine::ACM().Loaded);
  engine::MMACMFinalize();
  EXPECT_TRUE(engine::ACM().Loaded);
  engine::MMACMFinalize();
  EXPECT_FALSE(engine::ACM().Loaded);
  engine::MMACMFinalize();  // unbalanced stop is harmless
  EXPECT_FALSE(engine::ACM().Loaded);
}

}  // namespace
