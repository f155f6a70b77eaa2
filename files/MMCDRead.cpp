#include "files/MMCDRead.h"

#include <algorithm>
#include <cstring>

#include "engine/MMPCMSup.h"
#include "platform/kernel/Drives.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/Modules.h"
#include "platform/vcl/Application.h"

namespace files {

namespace {

constexpr uint16_t kMsgUnableToLoad = 40;
constexpr uint16_t kMsgChangeWhileOpen = 60;
constexpr uint16_t kMsgInvalidDeviceId = 61;
constexpr int32_t kBlockFrameBytes = 2368;
constexpr int32_t kUnity = 16384;
constexpr int32_t kMaxVolume = 32768;

// The module's entries, bound by name in this order.
struct CDEntries {
  cdda_Version_t Version;
  cdda_Init_t Init;
  cdda_Done_t Done;
  cdda_GetNumDevices_t GetNumDevices;
  cdda_SetDeviceID_t SetDeviceID;
  cdda_SetDeviceType_t SetDeviceType;
  cdda_GetDeviceName_t GetDeviceName;
  cdda_GetDriveLetter_t GetDriveLetter;
  cdda_OpenDevice_t OpenDevice;
  cdda_CloseDevice_t CloseDevice;
  cdda_GetDeviceReady_t GetDeviceReady;
  cdda_GetDeviceStatus_t GetDeviceStatus;
  cdda_GetDeviceCaps_t GetDeviceCaps;
  cdda_ReadTOC_t ReadTOC;
  cdda_ReadCDText_t ReadCDText;
  cdda_FreeCDText_t FreeCDText;
  cdda_ReadISRC_t ReadISRC;
  cdda_ReadUPC_t ReadUPC;
  cdda_SetSpeed_t SetSpeed;
  cdda_LockMedia_t LockMedia;
  cdda_LoadMedia_t LoadMedia;
  cdda_GetPosition_t GetPosition;
  cdda_GetCurrentTrack_t GetCurrentTrack;
  cdda_PlayAudio_t PlayAudio;
  cdda_StopAudio_t StopAudio;
  cdda_PauseAudio_t PauseAudio;
  cdda_ResumeAudio_t ResumeAudio;
  cdda_AbortReading_t AbortReading;
  cdda_ReadAudio_t ReadAudio;
  cdda_InitBurstCopy_t InitBurstCopy;
  cdda_DoneBurstCopy_t DoneBurstCopy;
  cdda_ReadAudioBurst_t ReadAudioBurst;
  cdda_InitSyncCopy_t InitSyncCopy;
  cdda_DoneSyncCopy_t DoneSyncCopy;
  cdda_ReadAudioSync_t ReadAudioSync;
  cdda_GetErrorText_t GetErrorText;
};

constexpr const char* kEntryNames[] = {"cdda_Version",
                                       "cdda_Init",
                                       "cdda_Done",
                                       "cdda_GetNumDevices",
                                       "cdda_SetDeviceID",
                                       "cdda_SetDeviceType",
                                       "cdda_GetDeviceName",
                                       "cdda_GetDriveLetter",
                                       "cdda_OpenDevice",
                                       "cdda_CloseDevice",
                                       "cdda_GetDeviceReady",
                                       "cdda_GetDeviceStatus",
                                       "cdda_GetDeviceCaps",
                                       "cdda_ReadTOC",
                                       "cdda_ReadCDText",
                                       "cdda_FreeCDText",
                                       "cdda_ReadISRC",
                                       "cdda_ReadUPC",
                                       "cdda_SetSpeed",
                                       "cdda_LockMedia",
                                       "cdda_LoadMedia",
                                       "cdda_GetPosition",
                                       "cdda_GetCurrentTrack",
                                       "cdda_PlayAudio",
                                       "cdda_StopAudio",
                                       "cdda_PauseAudio",
                                       "cdda_ResumeAudio",
                                       "cdda_AbortReading",
                                       "cdda_ReadAudio",
                                       "cdda_InitBurstCopy",
                                       "cdda_DoneBurstCopy",
                                       "cdda_ReadAudioBurst",
                                       "cdda_InitSyncCopy",
                                       "cdda_DoneSyncCopy",
                                       "cdda_ReadAudioSync",
                                       "cdda_GetErrorText"};
static_assert(std::size(kEntryNames) == 36 &&
              sizeof(kEntryNames) / sizeof(kEntryNames[0]) * sizeof(void*) == sizeof(CDEntries));

struct Loader {
  std::recursive_mutex lock;
  std::string module_name = "MMCDDA32.DLL";
  plat::HMODULE module = nullptr;
  bool loaded = false;
  CDEntries entries{};
  std::unique_ptr<TMMCDDrives> drives;
};

Loader& TheLoader() {
  static Loader loader;
  return loader;
}

const CDEntries& Api() { return TheLoader().entries; }

void ShowLoaderError(const std::string& text) {
  vcl::ShowMessageBox(text, "Error", vcl::MB_OK | vcl::MB_ICONSTOP);
}

std::string ErrorText(int32_t code) {
  char buffer[256] = {};
  if (!TheLoader().loaded || Api().GetErrorText(code, buffer, sizeof buffer) != 0) return {};
  buffer[sizeof buffer - 1] = 0;
  return buffer;
}

char UpperLetter(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

uint32_t Le32(const uint8_t* p) {
  uint32_t v = 0;
  std::memcpy(&v, p, 4);
  return v;
}

}  // namespace

bool LoadCDDriver() {
  Loader& l = TheLoader();
  std::lock_guard guard(l.lock);
  if (l.loaded) return true;
  l.module = plat::LoadLibraryA(l.module_name.c_str());
  if (!l.module) {
    ShowLoaderError("Unable to load " + l.module_name);
    return false;
  }
  auto* slots = reinterpret_cast<plat::FARPROC*>(&l.entries);
  bool complete = true;
  for (size_t i = 0; i < std::size(kEntryNames); ++i) {
    slots[i] = plat::GetProcAddress(l.module, kEntryNames[i]);
    complete = complete && slots[i] != nullptr;
  }
  // A module that lacks an entry counts as the wrong version: calling the
  // missing entry later would crash.
  if (!complete || l.entries.Version() < kCDDAVersion) {
    plat::FreeLibrary(l.module);
    l.module = nullptr;
    l.entries = CDEntries{};
    ShowLoaderError("Invalid CDDA DLL version");
    return false;
  }
  l.loaded = true;
  return true;
}

void UnloadCDDriver() {
  Loader& l = TheLoader();
  std::lock_guard guard(l.lock);
  if (l.module) plat::FreeLibrary(l.module);
  l.module = nullptr;
  l.loaded = false;
  l.entries = CDEntries{};
  l.drives.reset();
}

void SetCDDriverModule(const std::string& name) {
  UnloadCDDriver();
  std::lock_guard guard(TheLoader().lock);
  TheLoader().module_name = name;
}

// ---- TMMCDDrives ----

TMMCDDrives::TMMCDDrives() {
  for (char c = 'd'; c <= 'z'; ++c) {
    const char root[] = {c, ':', '\\', 0};
    if (plat::GetDriveTypeA(root) == plat::DRIVE_CDROM) drives_.emplace_back(UpperLetter(c), 0);
  }
}

bool TMMCDDrives::Contains(char letter) const {
  std::lock_guard guard(lock_);
  letter = UpperLetter(letter);
  return std::any_of(drives_.begin(), drives_.end(), [&](const auto& d) { return d.first == letter; });
}

bool TMMCDDrives::Lock(char letter) {
  std::lock_guard guard(lock_);
  letter = UpperLetter(letter);
  for (auto& [l, count] : drives_)
    if (l == letter) return ++count == 1;
  return false;
}

bool TMMCDDrives::Unlock(char letter) {
  std::lock_guard guard(lock_);
  letter = UpperLetter(letter);
  for (auto& [l, count] : drives_) {
    if (l != letter || count == 0) continue;
    return --count == 0;
  }
  return false;
}

int TMMCDDrives::LockCount(char letter) const {
  std::lock_guard guard(lock_);
  letter = UpperLetter(letter);
  for (const auto& [l, count] : drives_)
    if (l == letter) return count;
  return 0;
}

TMMCDDrives& CDDrives() {
  Loader& l = TheLoader();
  std::lock_guard guard(l.lock);
  if (!l.drives) l.drives = std::make_unique<TMMCDDrives>();
  return *l.drives;
}

void RescanCDDrives() {
  Loader& l = TheLoader();
  std::lock_guard guard(l.lock);
  auto fresh = std::make_unique<TMMCDDrives>();
  if (l.drives)
    for (char c = 'D'; c <= 'Z'; ++c)
      for (int i = l.drives->LockCount(c); i > 0 && fresh->Contains(c); --i) fresh->Lock(c);
  l.drives = std::move(fresh);
}

// ---- TMMCDReader ----

using vcl::published::BoolProp;
using vcl::published::EnumProp;
using vcl::published::EventProp;
using vcl::published::IntProp;
using vcl::published::StrProp;

VCL_IMPLEMENT_CLASS(
    TMMCDReader, EventProp("OnDataRead", &TMMCDReader::OnDataRead),
    EventProp("OnDataReadEnd", &TMMCDReader::OnDataReadEnd), engine::DSPOutputProp(),
    BoolProp("Enabled", &TMMCDReader::Enabled, &TMMCDReader::SetEnabled).Default(true),
    IntProp("BlockCount", &TMMCDReader::BlockCount, &TMMCDReader::SetBlockCount).Default(10),
    EnumProp("CopyMode", &TMMCDReader::CopyMode, &TMMCDReader::SetCopyMode, {"cmNormal", "cmBurst", "cmSync"})
        .Default(cmNormal),
    IntProp("DeviceID", &TMMCDReader::DeviceID, &TMMCDReader::SetDeviceID)
        .Default(engine::InvalidId)
        .Idents(engine::DeviceIdIdents()),
    StrProp("DeviceName", &TMMCDReader::DeviceName, &TMMCDReader::IgnoreWrite).Stored(false),
    StrProp("DriveLetter", &TMMCDReader::DriveLetter, &TMMCDReader::IgnoreWrite).Stored(false),
    EnumProp("DeviceType", &TMMCDReader::DeviceType, &TMMCDReader::SetDeviceType,
             {"dtAUTO", "dtATAPI",     "dtCYBER",   "dtDEC",      "dtGRUNDIG", "dtHITACHI", "dtHP",
              "dtIBM",  "dtIMS",       "dtKODAK",   "dtMATSHITA", "dtMITSUMI", "dtMP",      "dtMS",
              "dtNEC",  "dtPANASONIC", "dtPHILIPS", "dtPIONEER",  "dtPLASMON", "dtPLEXTOR", "dtRICOH",
              "dtSONY", "dtTOSHIBA",   "dtTEAC",    "dtYAMAHA"})
        .Stored(false),
    IntProp("CopyVolume", &TMMCDReader::CopyVolume, &TMMCDReader::SetCopyVolume).Default(kUnity),
    BoolProp("IgnoreSpeed", &TMMCDReader::IgnoreSpeed, &TMMCDReader::SetIgnoreSpeed).Default(false))

TMMCDReader::TMMCDReader(vcl::TComponent* owner) : engine::TMMDSPComponent(owner), toc_(kCDTOCBytes, 0) {
  plat::WAVEFORMATEX f{};
  f.wFormatTag = plat::WAVE_FORMAT_PCM;
  f.nChannels = 2;
  f.nSamplesPerSec = 44100;
  f.wBitsPerSample = 16;
  f.nBlockAlign = 4;
  f.nAvgBytesPerSec = 44100 * 4;
  inherited::SetFormat(&f);
  if (!LoadCDDriver())
    throw EMMCDDAError(engine::LoadLibraryMessage(kMsgUnableToLoad) + " " + TheLoader().module_name);
  handle_ = Api().Init(&init_error_);
  if (!handle_) throw EMMCDDAError(ErrorText(init_error_));
  const int32_t count = std::min(Api().GetNumDevices(handle_), kCDMaxDevices);
  for (int32_t i = 0; i < count; ++i) {
    char name[kCDDeviceNameBytes] = {};
    char letter = 0;
    if (Api().GetDeviceName(handle_, i, name, sizeof name) != 0 ||
        Api().GetDriveLetter(handle_, i, &letter) != 0)
      continue;
    name[sizeof name - 1] = 0;
    devices_.push_back(TMMCDDeviceInfo{name, UpperLetter(letter), dtAUTO});
  }
  speeds_ = {{"Default", kCDSpeedMax}};
}

TMMCDReader::~TMMCDReader() {
  try {
    Stop();
    Close();
  } catch (const vcl::Exception&) {
    // The handle is released below either way; a failing close has no one to tell.
  }
  if (TheLoader().loaded && handle_) {
    LockMedia(false);
    FreeText();
    Api().Done(&handle_);
  }
}

void TMMCDReader::CheckInit() const {
  if (init_error_ != 0) throw EMMCDDAError(ErrorText(init_error_));
}

void TMMCDReader::Check(int32_t code) const {
  if (code != 0) throw EMMCDDAError(ErrorText(code));
}

void TMMCDReader::CheckClosed() const {
  if (dev_opened_) throw EMMCDDAError(engine::LoadLibraryMessage(kMsgChangeWhileOpen));
}

void TMMCDReader::SetBlockCount(int32_t value) { block_count_ = std::clamp(value, 1, kMaxBlockCount); }

void TMMCDReader::SetCopyMode(TMMCDCopyMode value) {
  CheckClosed();
  copy_mode_ = value;
}

void TMMCDReader::SetIgnoreSpeed(bool value) {
  CheckClosed();
  ignore_speed_ = value;
}

void TMMCDReader::SetCopyVolume(int32_t value) { copy_volume_ = std::clamp(value, 0, kMaxVolume); }

void TMMCDReader::SetDeviceID(engine::TMMDeviceId value) {
  CheckClosed();
  if (value < 0) value = engine::InvalidId;
  if (value == device_id_) return;
  CheckInit();
  if (value >= static_cast<int32_t>(devices_.size()))
    throw EMMCDDAError(engine::LoadLibraryMessage(kMsgInvalidDeviceId));
  LockMedia(false);
  const int32_t rc = Api().SetDeviceID(handle_, value);
  if (value >= 0) {
    Check(rc);
    Check(Api().SetDeviceType(handle_, devices_[static_cast<size_t>(value)].DeviceType, 0));
  }
  FreeText();
  std::fill(toc_.begin(), toc_.end(), 0);
  toc_valid_ = false;
  speeds_ = {{"Default", kCDSpeedMax}};
  device_id_ = value;
}

std::string TMMCDReader::DeviceName() const {
  if (device_id_ < 0) return engine::LoadLibraryMessage(kMsgInvalidDeviceId);
  return devices_[static_cast<size_t>(device_id_)].DeviceName;
}

std::string TMMCDReader::DriveLetter() const {
  if (device_id_ < 0) return engine::LoadLibraryMessage(kMsgInvalidDeviceId);
  return std::string(1, devices_[static_cast<size_t>(device_id_)].DriveLetter);
}

TCDDeviceType TMMCDReader::DeviceType() const {
  return device_id_ < 0 ? dtAUTO : devices_[static_cast<size_t>(device_id_)].DeviceType;
}

void TMMCDReader::SetDeviceType(TCDDeviceType value) {
  CheckInit();
  Check(Api().SetDeviceType(handle_, value, 0));
  if (device_id_ >= 0) devices_[static_cast<size_t>(device_id_)].DeviceType = value;
}

bool TMMCDReader::SetSpeed(int32_t speed) {
  CheckClosed();
  CheckInit();
  speed_ = static_cast<uint16_t>(speed);
  return Api().SetSpeed(handle_, speed_) == 0;
}

int32_t TMMCDReader::FindDevice(char letter) const {
  letter = UpperLetter(letter);
  for (size_t i = 0; i < devices_.size(); ++i)
    if (devices_[i].DriveLetter == letter) return static_cast<int32_t>(i);
  return -1;
}

bool TMMCDReader::DeviceReady() {
  CheckInit();
  return device_id_ >= 0 && Api().GetDeviceReady(handle_) == 0;
}

void TMMCDReader::LockMedia(bool lock) {
  if (lock == locked_) return;
  locked_ = lock;
  if (device_id_ < 0) return;
  const char letter = devices_[static_cast<size_t>(device_id_)].DriveLetter;
  // A drive that cannot be locked still reads; the lock only keeps the tray shut.
  if (lock ? CDDrives().Lock(letter) : CDDrives().Unlock(letter)) Api().LockMedia(handle_, lock ? 1 : 0);
}

void TMMCDReader::StopAudio() {
  CheckInit();
  Check(Api().StopAudio(handle_));
}

bool TMMCDReader::ReadTOC() {
  std::fill(toc_.begin(), toc_.end(), 0);
  toc_valid_ = DeviceReady() && Api().ReadTOC(handle_, toc_.data()) == 0;
  return toc_valid_;
}

void TMMCDReader::FreeText() {
  if (text_blocks_ > 0 || std::any_of(std::begin(text_), std::end(text_), [](uint8_t* p) { return p; }))
    Api().FreeCDText(handle_, &text_);
  std::fill(std::begin(text_), std::end(text_), nullptr);
  text_blocks_ = 0;
}

bool TMMCDReader::ReadCDText() {
  if (!DeviceReady()) return false;
  FreeText();
  const bool read = Api().ReadCDText(handle_, &text_) == 0;
  int32_t n = 0;
  while (n < kCDTextBlocks - 1 && text_[n]) ++n;
  text_blocks_ = read ? n : 0;
  return text_blocks_ > 0;
}

int32_t TMMCDReader::TrackCount() const {
  return toc_valid_ ? std::min<int32_t>(toc_[1], kCDTOCMaxTracks) : 0;
}

const uint8_t* TMMCDReader::Entry(int32_t index) const {
  if (index < 0 || index >= TrackCount()) return nullptr;
  return toc_.data() + 4 + index * kCDTOCEntryBytes;
}

int32_t TMMCDReader::TrackNumber(int32_t index) const {
  const uint8_t* e = Entry(index);
  return e ? e[kTOCNumber] : 0;
}

uint32_t TMMCDReader::TrackStartMSF(int32_t index) const {
  const uint8_t* e = Entry(index);
  return e ? Le32(e + kTOCStart) : 0;
}

uint32_t TMMCDReader::TrackLengthMSF(int32_t index) const {
  const uint8_t* e = Entry(index);
  return e ? Le32(e + kTOCLength) : 0;
}

bool TMMCDReader::TrackIsAudio(int32_t index) const {
  const uint8_t* e = Entry(index);
  return e && e[kTOCAudio] != 0;
}

const char* TMMCDReader::TextAt(int32_t block, int32_t offset) const {
  if (block < 0 || block >= text_blocks_ || offset < 0 || offset + kCDTextFieldBytes > kCDTextBlockBytes)
    return nullptr;
  return reinterpret_cast<const char*>(text_[block] + offset);
}

std::string TMMCDReader::CDTextTitle(int32_t block, int32_t entry) const {
  const char* p = TextAt(block, kCDTextTitle + kCDTextEntryBytes * entry);
  return p ? std::string(p, strnlen(p, kCDTextFieldBytes)) : std::string();
}

std::string TMMCDReader::CDTextPerformer(int32_t block, int32_t entry) const {
  const char* p = TextAt(block, kCDTextPerformer + kCDTextEntryBytes * entry);
  return p ? std::string(p, strnlen(p, kCDTextFieldBytes)) : std::string();
}

void TMMCDReader::SetRange(uint32_t start_msf, uint32_t length_msf) {
  CheckClosed();
  range_start_ = static_cast<int32_t>(MSFToFrames(start_msf)) - kCDLeadInFrames;
  range_end_ = range_start_ + static_cast<int32_t>(MSFToFrames(length_msf));
  position_ = current_ = range_start_;
}

void TMMCDReader::SelectTrack(int32_t index) {
  if (!Entry(index)) throw EMMCDDAError("Invalid track number " + std::to_string(index + 1));
  SetRange(TrackStartMSF(index), TrackLengthMSF(index));
}

void TMMCDReader::SetPosition(int32_t frame) {
  if (dev_opened_ && copy_mode_ != cmNormal)
    throw EMMCDDAError(engine::LoadLibraryMessage(kMsgChangeWhileOpen));
  // Never outside the range: before it lies the previous track.
  position_ = current_ = std::clamp(frame, range_start_, std::max(range_start_, range_end_));
  if (dev_started_) EmptyBlock();
}

void TMMCDReader::EmptyBlock() { block_filled_ = block_read_ = 0; }

void TMMCDReader::Open() {
  if (dev_opened_) return;
  CheckInit();
  Api().StopAudio(handle_);
  frames_per_read_ = block_count_ >= 14 && copy_mode_ == cmSync ? block_count_ / 2 : block_count_;
  block_.assign(static_cast<size_t>(frames_per_read_) * kBlockFrameBytes, 0);
  EmptyBlock();
  current_ = position_;
  Api().CloseDevice(handle_);
  Check(Api().OpenDevice(handle_, 1));
  // Images and some drives have no speeds; they read all the same.
  Api().SetSpeed(handle_, ignore_speed_ ? kCDSpeedMax : speed_);
  dev_opened_ = true;
}

void TMMCDReader::Start() {
  if (!dev_opened_ || dev_started_) return;
  EmptyBlock();
  current_ = position_;
  LockMedia(true);
  if (copy_mode_ == cmBurst)
    Check(Api().InitBurstCopy(handle_, frames_per_read_, current_, range_end_ - current_));
  if (copy_mode_ == cmSync)
    Check(Api().InitSyncCopy(handle_, frames_per_read_, current_, range_end_ - current_));
  aborted_ = false;
  dev_started_ = true;
}

void TMMCDReader::Stop() {
  if (!dev_started_) return;
  dev_started_ = false;
  LockMedia(false);
  if (copy_mode_ == cmBurst) Api().DoneBurstCopy(handle_);
  if (copy_mode_ == cmSync) Api().DoneSyncCopy(handle_);
}

void TMMCDReader::Close() {
  if (!dev_opened_) return;
  dev_opened_ = false;
  block_.clear();
  block_.shrink_to_fit();
  EmptyBlock();
  Check(Api().CloseDevice(handle_));
}

void TMMCDReader::Abort() {
  if (!dev_started_ || aborted_.exchange(true)) return;
  Api().AbortReading(handle_);
}

bool TMMCDReader::ReadFrames(void* buffer, int32_t frames) {
  int32_t rc = 0;
  switch (copy_mode_) {
    case cmNormal:
      rc = Api().ReadAudio(handle_, buffer, current_, frames);
      break;
    case cmBurst:
      rc = Api().ReadAudioBurst(handle_, buffer);
      break;
    case cmSync:
      rc = Api().ReadAudioSync(handle_, buffer);
      break;
  }
  if (rc != 0) {
    if (!dev_started_ || aborted_) return false;
    Check(rc);
  }
  if (copy_volume_ != kUnity)
    engine::ApplyPCMGain(GetFormat(), buffer, frames * kCDFrameBytes, copy_volume_, copy_volume_);
  return true;
}

int32_t TMMCDReader::ReadData(void* buffer, int32_t size) {
  if (!dev_opened_ || !dev_started_ || size <= 0) return 0;
  aborted_ = false;
  auto* out = static_cast<uint8_t*>(buffer);
  int32_t wanted = size;
  const int32_t held = std::min(wanted, block_filled_ - block_read_);
  if (held > 0) {
    std::memcpy(out, block_.data() + block_read_, static_cast<size_t>(held));
    block_read_ += held;
    out += held;
    wanted -= held;
  }
  while (wanted > 0 && dev_started_ && !aborted_ && current_ < range_end_) {
    const int32_t frames = std::min(frames_per_read_, range_end_ - current_);
    const int32_t bytes = frames * kCDFrameBytes;
    if (wanted < bytes) {
      if (!ReadFrames(block_.data(), frames)) break;
      std::memcpy(out, block_.data(), static_cast<size_t>(wanted));
      block_filled_ = bytes;
      block_read_ = wanted;
      out += wanted;
      wanted = 0;
    } else {
      if (!ReadFrames(out, frames)) break;
      out += bytes;
      wanted -= bytes;
    }
    current_ += frames;
  }
  return size - wanted;
}

int32_t TMMCDReader::Read(void* buffer, int32_t size) {
  if (!dev_opened_) return ReadData(buffer, size);
  if (OnDataRead) OnDataRead(this);
  const int32_t n = ReadData(buffer, size);
  if (OnDataReadEnd) OnDataReadEnd(this);
  return n;
}

void TMMCDReader::SetFormat(const plat::WAVEFORMATEX* format) {
  const plat::WAVEFORMATEX* own = GetFormat();
  if (format && own && format != own && std::memcmp(format, own, sizeof(plat::WAVEFORMATEX)) != 0)
    throw EMMCDDAError("It's not allowed to change the WaveFormat");
  inherited::SetFormat(own);
}

void TMMCDReader::Opened() {
  inherited::Opened();
  Open();
}

void TMMCDReader::Closed() {
  Close();
  inherited::Closed();
}

void TMMCDReader::Started() {
  Start();
  inherited::Started();
}

void TMMCDReader::Stopped() {
  Stop();
  inherited::Stopped();
}

void TMMCDReader::Reset() {
  if (dev_started_) EmptyBlock();
  inherited::Reset();
}

void TMMCDReader::BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers) {
  const auto size = static_cast<int32_t>(std::min<plat::DWORD>(lpwh->dwBufferLength, INT32_MAX));
  if (!enabled_) {
    std::memset(lpwh->lpData, 0, lpwh->dwBufferLength);
    lpwh->dwBytesRecorded = lpwh->dwBufferLength;
    more_buffers = true;
    return;
  }
  lpwh->dwBytesRecorded = static_cast<plat::DWORD>(Read(lpwh->lpData, size));
  more_buffers = current_ < range_end_ || block_read_ < block_filled_;
}

}  // namespace files
