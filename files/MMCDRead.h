#pragma once
// Digital audio from CD drives through the module "MMCDDA32.DLL": the loader
// that binds it, the process-wide list of CD drives with their media lock
// counts, and TMMCDReader, the chain source that reads a range of frames
// (a track) as 16-bit stereo PCM at 44100 Hz.
//
// The reader runs on the thread that pulls buffers; Abort may come from any
// thread and only raises a flag the read loop and the module look at.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "engine/MMDSPObj.h"
#include "files/MMCDATyp.h"

namespace files {

class EMMCDDAError : public vcl::Exception {
 public:
  using Exception::Exception;
};

enum TCDDeviceType : uint8_t {
  dtAUTO,
  dtATAPI,
  dtCYBER,
  dtDEC,
  dtGRUNDIG,
  dtHITACHI,
  dtHP,
  dtIBM,
  dtIMS,
  dtKODAK,
  dtMATSHITA,
  dtMITSUMI,
  dtMP,
  dtMS,
  dtNEC,
  dtPANASONIC,
  dtPHILIPS,
  dtPIONEER,
  dtPLASMON,
  dtPLEXTOR,
  dtRICOH,
  dtSONY,
  dtTOSHIBA,
  dtTEAC,
  dtYAMAHA
};

// cmNormal names start and count in every read; cmBurst and cmSync let the
// module stream a range set up once (cmSync through error correction).
enum TMMCDCopyMode : uint8_t { cmNormal, cmBurst, cmSync };

struct TMMCDDeviceInfo {
  std::string DeviceName;
  char DriveLetter = 0;
  TCDDeviceType DeviceType = dtAUTO;
};

// Binds the module once per process; a failure shows the error box and a
// later call tries again.
bool LoadCDDriver();
// The unit's shut-down: frees the module and the drive list.
void UnloadCDDriver();
// The module the loader loads; tests point it at broken modules. Unloads a
// loaded module first.
void SetCDDriverModule(const std::string& name);

// The CD drives of the system, asked of the platform for the roots d:\ to
// z:\, each with a count of the readers that hold its media locked. The
// counts are guarded: readers on different threads may lock one drive.
class TMMCDDrives {
 public:
  TMMCDDrives();
  bool Contains(char letter) const;
  // True when the call takes the count from 0 to 1: the media is to be locked.
  bool Lock(char letter);
  // True when the call takes the count to 0 (never below): to be unlocked.
  bool Unlock(char letter);
  int LockCount(char letter) const;

 private:
  mutable std::mutex lock_;
  std::vector<std::pair<char, int>> drives_;
};

// Made on first use.
TMMCDDrives& CDDrives();
// Asks the platform again (drives configured later); counts of drives that
// remain are kept.
void RescanCDDrives();

class TMMCDReader : public engine::TMMDSPComponent {
  VCL_DECLARE_CLASS(TMMCDReader, engine::TMMDSPComponent)
 public:
  explicit TMMCDReader(vcl::TComponent* owner);
  ~TMMCDReader() override;

  // Published.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value) { enabled_ = value; }
  int32_t BlockCount() const { return block_count_; }
  // 1 .. kMaxBlockCount: a count of 0 or less would read nothing, forever.
  void SetBlockCount(int32_t value);
  TMMCDCopyMode CopyMode() const { return copy_mode_; }
  void SetCopyMode(TMMCDCopyMode value);
  engine::TMMDeviceId DeviceID() const { return device_id_; }
  void SetDeviceID(engine::TMMDeviceId value);
  std::string DeviceName() const;
  std::string DriveLetter() const;
  TCDDeviceType DeviceType() const;
  void SetDeviceType(TCDDeviceType value);
  int32_t CopyVolume() const { return copy_volume_; }
  void SetCopyVolume(int32_t value);
  bool IgnoreSpeed() const { return ignore_speed_; }
  void SetIgnoreSpeed(bool value);
  void IgnoreWrite(const std::string&) {}

  const std::vector<TMMCDDeviceInfo>& Devices() const { return devices_; }
  const std::vector<std::pair<std::string, int32_t>>& Speeds() const { return speeds_; }

  bool DeviceReady();
  void LockMedia(bool lock);
  bool MediaLocked() const { return locked_; }
  void StopAudio();
  bool ReadTOC();
  bool ReadCDText();
  // The table of contents read last; 0 tracks unless it was read.
  int32_t TrackCount() const;
  int32_t TrackNumber(int32_t index) const;
  uint32_t TrackStartMSF(int32_t index) const;
  uint32_t TrackLengthMSF(int32_t index) const;
  bool TrackIsAudio(int32_t index) const;
  // CD-TEXT read last: blocks (languages) and per entry (0 = the disc,
  // else the track number) its title and performer.
  int32_t CDTextBlocks() const { return text_blocks_; }
  std::string CDTextTitle(int32_t block, int32_t entry) const;
  std::string CDTextPerformer(int32_t block, int32_t entry) const;

  void SetRange(uint32_t start_msf, uint32_t length_msf);
  // Raises for an index outside the table of contents.
  void SelectTrack(int32_t index);
  // Kept within the range.
  void SetPosition(int32_t frame);
  bool SetSpeed(int32_t speed);
  int32_t FindDevice(char letter) const;
  int32_t RangeStart() const { return range_start_; }
  int32_t RangeEnd() const { return range_end_; }
  int32_t CurrentFrame() const { return current_; }
  int32_t FramesPerRead() const { return frames_per_read_; }
  bool DeviceOpened() const { return dev_opened_; }
  bool Reading() const { return dev_started_; }

  void Open();
  void Close();
  void Start();
  void Stop();
  void Abort();
  // Bytes copied to `buffer`; 0 unless opened and started.
  int32_t ReadData(void* buffer, int32_t size);
  // ReadData between OnDataRead and OnDataReadEnd.
  int32_t Read(void* buffer, int32_t size);

  void SetFormat(const plat::WAVEFORMATEX* format) override;
  void Opened() override;
  void Closed() override;
  void Started() override;
  void Stopped() override;
  void Reset() override;
  void BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers) override;

  vcl::TNotifyEvent OnDataRead;
  vcl::TNotifyEvent OnDataReadEnd;

  static constexpr int32_t kMaxBlockCount = 256;

 private:
  void CheckInit() const;
  void Check(int32_t code) const;
  void CheckClosed() const;
  void FreeText();
  void EmptyBlock();
  bool ReadFrames(void* buffer, int32_t frames);
  const uint8_t* Entry(int32_t index) const;
  const char* TextAt(int32_t block, int32_t offset) const;

  TCDHandle handle_ = nullptr;
  int32_t init_error_ = 0;
  std::vector<TMMCDDeviceInfo> devices_;
  std::vector<uint8_t> toc_;
  TCDTextInfo text_{};
  int32_t text_blocks_ = 0;
  std::vector<std::pair<std::string, int32_t>> speeds_;
  uint16_t speed_ = kCDSpeedMax;
  bool enabled_ = true;
  int32_t block_count_ = 10;
  TMMCDCopyMode copy_mode_ = cmNormal;
  engine::TMMDeviceId device_id_ = engine::InvalidId;
  int32_t copy_volume_ = 16384;
  bool ignore_speed_ = false;
  bool dev_opened_ = false;
  bool dev_started_ = false;
  std::atomic<bool> aborted_{false};
  bool locked_ = false;
  bool toc_valid_ = false;
  int32_t frames_per_read_ = 0;
  int32_t range_start_ = 0;
  int32_t current_ = 0;
  int32_t range_end_ = 0;
  int32_t position_ = 0;
  std::vector<uint8_t> block_;
  int32_t block_filled_ = 0;
  int32_t block_read_ = 0;
};

}  // namespace files
