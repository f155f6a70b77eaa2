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
  ASSERT_TRUE(engine::ACMLoaded);
  EXPECT_NE(engine::ACMHandle, nullptr);
  const void* bound[] = {(void*)engine::acmGetVersion,           (void*)engine::acmMetrics,
                         (void*)engine::acmDriverEnum,           (void*)engine::acmDriverDetailsA,
                         (void*)engine::acmDriverAddA,           (void*)engine::acmDriverRemove,
                         (void*)engine::acmDriverOpen,           (void*)engine::acmDriverClose,
                         (void*)engine::acmDriverMessage,        (void*)engine::acmDriverID,
                         (void*)engine::acmDriverPriority,       (void*)engine::acmFormatTagDetailsA,
                         (void*)engine::acmFormatTagEnumA,       (void*)engine::acmFormatChooseA,
                         (void*)engine::acmFormatDetailsA,       (void*)engine::acmFormatEnumA,
                         (void*)engine::acmFormatSuggest,        (void*)engine::acmFilterTagDetailsA,
                         (void*)engine::acmFilterTagEnumA,       (void*)engine::acmFilterChooseA,
                         (void*)engine::acmFilterDetailsA,       (void*)engine::acmFilterEnumA,
                         (void*)engine::acmStreamOpen,           (void*)engine::acmStreamClose,
                         (void*)engine::acmStreamSize,           (void*)engine::acmStreamConvert,
                         (void*)engine::acmStreamReset,          (void*)engine::acmStreamPrepareHeader,
                         (void*)engine::acmStreamUnprepareHeader};
  for (size_t i = 0; i < std::size(bound); ++i) EXPECT_NE(bound[i], nullptr) << "entry " << i;
  EXPECT_EQ(engine::acmGetVersion(), plat::acmGetVersion());

  engine::UnloadACM();
  EXPECT_FALSE(engine::ACMLoaded);
  EXPECT_EQ(engine::ACMHandle, nullptr);
  EXPECT_EQ(engine::acmStreamOpen, nullptr);
}

TEST_F(MMACMTest, VersionBelowTwoLeavesTheLibraryUnused) {
  plat::RegisterBuiltinModule("MSACM32.DLL",
                              {{"acmGetVersion", reinterpret_cast<plat::FARPROC>(&OldVersion)},
                               {"acmStreamOpen", reinterpret_cast<plat::FARPROC>(&plat::acmStreamOpen)}});
  engine::LoadACM();
  EXPECT_FALSE(engine::ACMLoaded);
  EXPECT_NE(engine::ACMHandle, nullptr);
  EXPECT_EQ(engine::acmStreamOpen, nullptr);
  plat::WAVEFORMATEX pcm{1, 1, 8000, 16000, 2, 16, 0};
  plat::WAVEFORMATEX mulaw{7, 1, 8000, 8000, 1, 8, 0};
  EXPECT_FALSE(engine::CanConvertFormat(&mulaw, &pcm, true));
  EXPECT_EQ(engine::CreateACMConversion(&mulaw, &pcm, nullptr, 1000, true), nullptr);
}

TEST_F(MMACMTest, MissingVersionEntryFreesTheLibrary) {
  plat::RegisterBuiltinModule("MSACM32.DLL", {});
  engine::LoadACM();
  EXPECT_FALSE(engine::ACMLoaded);
  EXPECT_EQ(engine::ACMHandle, nullptr);
  EXPECT_EQ(engine::acmGetVersion, nullptr);
}

TEST_F(MMACMTest, MissingStreamEntriesMakeConversionUnavailableNotACrash) {
  plat::RegisterBuiltinModule("MSACM32.DLL",
                              {{"acmGetVersion", reinterpret_cast<plat::FARPROC>(&NewVersion)}});
  engine::LoadACM();
  EXPECT_TRUE(engine::ACMLoaded);
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
  EXPECT_TRUE(engine::ACMLoaded);
  engine::MMACMFinalize();
  EXPECT_TRUE(engine::ACMLoaded);
  engine::MMACMFinalize();
  EXPECT_FALSE(engine::ACMLoaded);
  engine::MMACMFinalize();  // unbalanced stop is harmless
  EXPECT_FALSE(engine::ACMLoaded);
}

}  // namespace
