#pragma once
// The drive model: drive letters as the program's callers know them. "C:" is
// the whole file system; further letters name CD drives: disc images (a .cue
// sheet with its .bin) listed by the registry unit or, for tests, by
// QUELLIX_CDROM_<letter>=/path/disc.cue, and the machine's CD devices on the
// letters left free. Each audio track of a drive's disc is a file
// "X:\TrackNN.cda" for the file calls.
#include <string>
#include <vector>

#include "platform/kernel/Types.h"

namespace plat {

constexpr UINT DRIVE_UNKNOWN = 0;
constexpr UINT DRIVE_NO_ROOT_DIR = 1;
constexpr UINT DRIVE_REMOVABLE = 2;
constexpr UINT DRIVE_FIXED = 3;
constexpr UINT DRIVE_REMOTE = 4;
constexpr UINT DRIVE_CDROM = 5;
constexpr UINT DRIVE_RAMDISK = 6;

// The size the track files report, as a CD file system shows them.
constexpr DWORD kCdTrackFileBytes = 44;

struct CdDrive {
  char letter = 0;   // upper case
  std::string path;  // the .cue of an image or the device node
  bool image = false;
};

// "X:\" or "X:" (any case); null is the current folder's drive, C.
UINT GetDriveTypeA(const char* root_path);

// Lists (or with an empty path, drops) an image under a letter D..Z.
// Returns false for another letter.
bool SetCdImage(char letter, const std::string& cue_path);
// Drops every listed image (not those of the environment).
void ClearCdImages();

// The CD drives in letter order.
std::vector<CdDrive> CdDrives();
// The track numbers of the audio tracks on a drive's disc; none without a
// disc or for an image that cannot be read.
std::vector<int> CdAudioTracks(char letter);

// The hooks of the file calls. A path on a CD drive ("E:\..."): true, with
// what the call answers.
bool CdPathAttributes(const std::string& path, DWORD& attributes);
// A search folder ("E:" or "E:/") on a CD drive: true, with its track file names.
bool CdFolderNames(const std::string& folder, std::vector<std::string>& names);

// For modules that bind to the program's drive model at run time: drive
// `index` in letter order; FALSE past the end or when `path` is too small.
BOOL GetCdDrive(DWORD index, char* letter, char* path, DWORD path_size, BOOL* image);

}  // namespace plat
