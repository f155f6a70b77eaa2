// Disc images listed in the registry become drives of the drive model.
#include <gtest/gtest.h>

#include "RegistryFixture.h"
#include "platform/kernel/Drives.h"
#include "platform/registry/CdImages.h"

namespace regtest {
namespace {

class CdImagesTest : public RegistryTest {};

TEST_F(CdImagesTest, LettersNamingCueSheetsAreListedAndTheRestPassedOver) {
  plat::ClearCdImages();
  EXPECT_EQ(plat::LoadCdImagesFromRegistry(), 0u);  // no key
  plat::HKEY key = Create(plat::kCdImagesKey);
  auto set = [&](const char* name, const std::string& text) {
    ASSERT_EQ(
        plat::RegSetValueExA(key, name, 0, plat::REG_SZ, reinterpret_cast<const plat::BYTE*>(text.c_str()),
                             static_cast<plat::DWORD>(text.size() + 1)),
        plat::ERROR_SUCCESS);
  };
  set("K", "/discs/k.cue");
  set("l", "/discs/l.cue");
  set("C", "/discs/c.cue");    // the file system's own letter
  set("KL", "/discs/kl.cue");  // no letter
  SetDword(key, "M", 1);
  plat::RegCloseKey(key);
  EXPECT_EQ(plat::LoadCdImagesFromRegistry(), 2u);
  EXPECT_EQ(plat::GetDriveTypeA("K:\\"), plat::DRIVE_CDROM);
  EXPECT_EQ(plat::GetDriveTypeA("L:\\"), plat::DRIVE_CDROM);
  EXPECT_EQ(plat::GetDriveTypeA("M:\\"), plat::DRIVE_NO_ROOT_DIR);
  plat::ClearCdImages();
  EXPECT_EQ(plat::GetDriveTypeA("K:\\"), plat::DRIVE_NO_ROOT_DIR);
}

}  // namespace
}  // namespace regtest
