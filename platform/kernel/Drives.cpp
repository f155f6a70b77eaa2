#include "platform/kernel/Drives.h"

#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/kernel/CueSheet.h"
#include "platform/kernel/Files.h"

namespace plat {

namespace {

constexpr int kMaxDeviceNodes = 16;

char UpperLetter(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool CdLetter(char c) { return c >= 'D' && c <= 'Z'; }

struct ImageList {
  std::mutex mutex;
  std::map<char, std::string> images;
};

ImageList& Images() {
  static ImageList list;
  return list;
}

// The audio tracks in a device's table of contents; none without a disc.
std::vector<int> DeviceAudioTracks(const std::string& node) {
  std::vector<int> tracks;
  const int fd = open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return tracks;
  cdrom_tochdr header{};
  if (ioctl(fd, CDROMREADTOCHDR, &header) == 0) {
    for (int t = header.cdth_trk0; t <= header.cdth_trk1 && t <= 99; ++t) {
      cdrom_tocentry entry{};
      entry.cdte_track = static_cast<uint8_t>(t);
      entry.cdte_format = CDROM_LBA;
      if (ioctl(fd, CDROMREADTOCENTRY, &entry) == 0 && (entry.cdte_ctrl & CDROM_DATA_TRACK) == 0)
        tracks.push_back(t);
    }
  }
  close(fd);
  return tracks;
}

// "E:", "E:/", "e:\" and the like: the letter, upper case; 0 for anything else.
char DriveOf(const std::string& path, std::string* rest = nullptr) {
  if (path.size() < 2 || path[1] != ':') return 0;
  const char letter = UpperLetter(path[0]);
  if (letter < 'A' || letter > 'Z') return 0;
  if (rest) {
    *rest = path.substr(2);
    std::replace(rest->begin(), rest->end(), '\\', '/');
  }
  return letter;
}

bool IsCdDrive(char letter) {
  if (!CdLetter(letter)) return false;
  for (const CdDrive& d : CdDrives())
    if (d.letter == letter) return true;
  return false;
}

std::string TrackFileName(int track) {
  char name[16];
  std::snprintf(name, sizeof name, "Track%02d.cda", track);
  return name;
}

}  // namespace

bool SetCdImage(char letter, const std::string& cue_path) {
  letter = UpperLetter(letter);
  if (!CdLetter(letter)) return false;
  ImageList& list = Images();
  std::lock_guard lock(list.mutex);
  if (cue_path.empty())
    list.images.erase(letter);
  else
    list.images[letter] = cue_path;
  return true;
}

void ClearCdImages() {
  ImageList& list = Images();
  std::lock_guard lock(list.mutex);
  list.images.clear();
}

std::vector<CdDrive> CdDrives() {
  std::map<char, CdDrive> drives;
  {
    ImageList& list = Images();
    std::lock_guard lock(list.mutex);
    for (const auto& [letter, path] : list.images) drives[letter] = CdDrive{letter, path, true};
  }
  // The environment's images go before the listed ones: a test's choice wins.
  for (char letter = 'D'; letter <= 'Z'; ++letter) {
    const std::string name = std::string("QUELLIX_CDROM_") + letter;
    const char* value = std::getenv(name.c_str());
    if (value && *value) drives[letter] = CdDrive{letter, value, true};
  }
  char next = 'D';
  for (int i = 0; i < kMaxDeviceNodes; ++i) {
    const std::string node = "/dev/sr" + std::to_string(i);
    struct stat st {};
    if (stat(node.c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) continue;
    while (next <= 'Z' && drives.count(next)) ++next;
    if (next > 'Z') break;
    drives[next] = CdDrive{next, node, false};
  }
  std::vector<CdDrive> out;
  for (auto& [letter, drive] : drives) out.push_back(std::move(drive));
  return out;
}

std::vector<int> CdAudioTracks(char letter) {
  letter = UpperLetter(letter);
  for (const CdDrive& d : CdDrives()) {
    if (d.letter != letter) continue;
    if (!d.image) return DeviceAudioTracks(d.path);
    CueSheet sheet;
    std::string data_path, error;
    int64_t sectors = 0;
    std::vector<int> tracks;
    if (ReadCueImage(d.path, sheet, data_path, sectors, error))
      for (const CueTrack& t : sheet.tracks)
        if (t.audio) tracks.push_back(t.number);
    return tracks;
  }
  return {};
}

UINT GetDriveTypeA(const char* root_path) {
  if (!root_path) return DRIVE_FIXED;
  std::string rest;
  const char letter = DriveOf(root_path, &rest);
  if (letter == 0) {
    // A folder of the file system as a root.
    struct stat st {};
    return stat(root_path, &st) == 0 && S_ISDIR(st.st_mode) ? DRIVE_FIXED : DRIVE_NO_ROOT_DIR;
  }
  if (!rest.empty() && rest != "/") return DRIVE_NO_ROOT_DIR;
  if (letter == 'C') return DRIVE_FIXED;
  return IsCdDrive(letter) ? DRIVE_CDROM : DRIVE_NO_ROOT_DIR;
}

bool CdPathAttributes(const std::string& path, DWORD& attributes) {
  std::string rest;
  const char letter = DriveOf(path, &rest);
  if (!IsCdDrive(letter)) return false;
  attributes = INVALID_FILE_ATTRIBUTES;
  while (!rest.empty() && rest[0] == '/') rest.erase(0, 1);
  if (rest.empty()) {
    attributes = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY;
    return true;
  }
  for (int track : CdAudioTracks(letter)) {
    const std::string name = TrackFileName(track);
    if (rest.size() == name.size() && std::equal(rest.begin(), rest.end(), name.begin(), [](char a, char b) {
          return UpperLetter(a) == UpperLetter(b);
        })) {
      attributes = FILE_ATTRIBUTE_READONLY;
      return true;
    }
  }
  return true;
}

bool CdFolderNames(const std::string& folder, std::vector<std::string>& names) {
  std::string rest;
  const char letter = DriveOf(folder, &rest);
  if (!IsCdDrive(letter)) return false;
  names.clear();
  while (!rest.empty() && rest[0] == '/') rest.erase(0, 1);
  if (!rest.empty()) return true;  // a CD has no folders here
  for (int track : CdAudioTracks(letter)) names.push_back(TrackFileName(track));
  return true;
}

BOOL GetCdDrive(DWORD index, char* letter, char* path, DWORD path_size, BOOL* image) {
  const std::vector<CdDrive> drives = CdDrives();
  if (index >= drives.size() || !path || path_size <= drives[index].path.size()) return FALSE;
  if (letter) *letter = drives[index].letter;
  if (image) *image = drives[index].image ? TRUE : FALSE;
  std::memcpy(path, drives[index].path.c_str(), drives[index].path.size() + 1);
  return TRUE;
}

}  // namespace plat
