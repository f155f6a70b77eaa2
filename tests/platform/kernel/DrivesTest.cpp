// The drive model: cue sheets read and refused, drive types, and a disc
// image's tracks as files for the file calls.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/kernel/CueSheet.h"
#include "platform/kernel/Drives.h"
#include "platform/kernel/Files.h"
#include "support/TempDir.h"

namespace {

using namespace plat;

TEST(CueSheet, ReadsTracksTextAndByteOrder) {
  const std::string text =
      "REM made by hand\r\nTITLE \"A Disc\"\nPERFORMER Someone\nFILE \"x y.bin\" motorola\n"
      "  TRACK 01 AUDIO\n    TITLE \"One\"\n    INDEX 00 00:00:00\n    INDEX 01 00:00:10\n"
      "  TRACK 02 MODE1/2352\n    INDEX 01 01:02:03\n";
  CueSheet sheet;
  std::string error;
  ASSERT_TRUE(ParseCueSheet(text, sheet, error)) << error;
  EXPECT_EQ(sheet.file, "x y.bin");
  EXPECT_TRUE(sheet.big_endian);
  EXPECT_EQ(sheet.title, "A Disc");
  EXPECT_EQ(sheet.performer, "Someone");
  ASSERT_EQ(sheet.tracks.size(), 2u);
  EXPECT_EQ(sheet.tracks[0].start, 10);
  EXPECT_EQ(sheet.tracks[0].title, "One");
  EXPECT_TRUE(sheet.tracks[0].audio);
  EXPECT_EQ(sheet.tracks[1].start, (60 + 2) * 75 + 3);
  EXPECT_FALSE(sheet.tracks[1].audio);
}

TEST(CueSheet, RefusesWhatIsNoUsableSheet) {
  const char* const cases[] = {
      "",
      "TRACK 01 AUDIO\nINDEX 01 00:00:00\n",
      "FILE \"a.bin\" BINARY\n",
      "FILE \"a.bin\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n",
      "FILE \"a.bin\" BINARY\nFILE \"b.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n",
      "FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nTRACK 02 AUDIO\nINDEX 01 00:00:00\n",
      "FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 03 AUDIO\nINDEX 01 00:01:00\n",
      "FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:02:00\nTRACK 02 AUDIO\nINDEX 01 00:01:00\n",
      "FILE \"a.bin\" BINARY\nTRACK 00 AUDIO\nINDEX 01 00:00:00\n",
      "FILE \"a.bin\" BINARY\nTRACK 100 AUDIO\nINDEX 01 00:00:00\n",
      "FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:75\n",
      "FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 0:0\n",
      "FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 -1:00:00\n",
  };
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    CueSheet sheet;
    std::string error;
    EXPECT_FALSE(ParseCueSheet(text, sheet, error));
    EXPECT_FALSE(error.empty());
  }
  CueSheet sheet;
  std::string error;
  EXPECT_FALSE(ParseCueSheet(std::string(kCueMaxFileBytes + 1, ' '), sheet, error));
}

TEST(Drives, AnImageIsACdDriveWithItsAudioTracksAsFiles) {
  testsupport::TempDir dir;
  {
    std::ofstream(dir.File("disc.cue")) << "FILE \"disc.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
                                           "TRACK 02 MODE1/2352\nINDEX 01 00:01:00\nTRACK 03 AUDIO\n"
                                           "INDEX 01 00:02:00\n";
    std::ofstream bin(dir.File("disc.bin"), std::ios::binary);
    const std::string sectors(3 * 75 * kCueSectorBytes, '\0');
    bin.write(sectors.data(), static_cast<std::streamsize>(sectors.size()));
  }
  ClearCdImages();
  EXPECT_FALSE(SetCdImage('C', dir.File("disc.cue")));
  testsupport::ScopedEnv env("QUELLIX_CDROM_F", dir.File("disc.cue"));
  ASSERT_TRUE(SetCdImage('g', dir.File("missing.cue")));
  struct Case {
    const char* root;
    UINT type;
  };
  for (const Case& c :
       {Case{"F:\\", DRIVE_CDROM}, Case{"f:", DRIVE_CDROM}, Case{"G:\\", DRIVE_CDROM},
        Case{"C:\\", DRIVE_FIXED}, Case{"H:\\", DRIVE_NO_ROOT_DIR}, Case{"F:\\sub", DRIVE_NO_ROOT_DIR},
        Case{"/", DRIVE_FIXED}, Case{nullptr, DRIVE_FIXED}})
    EXPECT_EQ(GetDriveTypeA(c.root), c.type) << (c.root ? c.root : "null");

  // Audio tracks only, named by their numbers; a listed image that is
  // missing is an empty drive.
  EXPECT_EQ(CdAudioTracks('F'), (std::vector<int>{1, 3}));
  EXPECT_TRUE(CdAudioTracks('G').empty());
  EXPECT_EQ(GetFileAttributesA("F:\\Track01.cda"), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(GetFileAttributesA("f:\\track03.CDA"), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(GetFileAttributesA("F:\\"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY);
  for (const char* missing : {"F:\\Track02.cda", "F:\\Track04.cda", "G:\\Track01.cda", "F:\\x\\Track01.cda"})
    EXPECT_EQ(GetFileAttributesA(missing), INVALID_FILE_ATTRIBUTES) << missing;

  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA("F:\\*.cda", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  std::vector<std::string> names{data.cFileName};
  EXPECT_EQ(data.nFileSizeLow, kCdTrackFileBytes);
  while (FindNextFileA(find, &data)) names.emplace_back(data.cFileName);
  FindClose(find);
  EXPECT_EQ(names, (std::vector<std::string>{"Track01.cda", "Track03.cda"}));
  EXPECT_EQ(FindFirstFileA("G:\\*.*", &data), INVALID_HANDLE_VALUE);

  // What a module binding at run time sees.
  char letter = 0;
  char path[512];
  BOOL image = FALSE;
  ASSERT_TRUE(GetCdDrive(0, &letter, path, sizeof path, &image));
  EXPECT_EQ(letter, 'F');
  EXPECT_EQ(std::string(path), dir.File("disc.cue"));
  EXPECT_TRUE(image);
  EXPECT_FALSE(GetCdDrive(0, &letter, path, 4, &image));
  ClearCdImages();
  EXPECT_EQ(GetDriveTypeA("G:\\"), DRIVE_NO_ROOT_DIR);
}

}  // namespace
