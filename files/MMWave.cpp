#include "files/MMWave.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "engine/MMACMSup.h"
#include "engine/MMDSPObj.h"
#include "engine/MMMulDiv.h"
#include "engine/MMUtils.h"
#include "engine/MMWaveHdr.h"
#include "files/MMFileGuard.h"
#include "platform/kernel/Files.h"
#include "platform/vcl/TypInfo.h"

namespace files {

namespace {

constexpr plat::FOURCC kWaveForm = engine::MakeFOURCC('W', 'A', 'V', 'E');
// The header read's flag for a wave the program reads as a sound file.
constexpr uint32_t kWaveReadFlags = 1;

constexpr uint16_t kMsgUnknown = 6;
constexpr uint16_t kMsgWaveFilter = 4;
constexpr uint16_t kMsgErrorReading = 130;
constexpr uint16_t kMsgInvalidWave = 133;
constexpr uint16_t kMsgIOBuffer = 137;
constexpr uint16_t kMsgUnableToOpen = 138;
constexpr uint16_t kMsgUnableToCreate = 139;
constexpr uint16_t kMsgSeekError = 147;

// The library message, or its text where the program's strings are missing.
std::string Message(uint16_t n) {
  std::string text = engine::LoadLibraryMessage(n);
  if (!text.empty()) return text;
  switch (n) {
    case kMsgUnknown:
      return "Unknown";
    case kMsgWaveFilter:
      return "Wave Files(*.wav)|*.wav";
    case kMsgErrorReading:
      return "Error reading wave file";
    case kMsgInvalidWave:
      return "Invalid wave file...";
    case kMsgIOBuffer:
      return "Unable to setup file IO buffer";
    case kMsgUnableToOpen:
      return "Unable to open wave file";
    case kMsgUnableToCreate:
      return "Unable to create wave file";
    case kMsgSeekError:
      return "Error seeking file position";
    default:
      return {};
  }
}

[[noreturn]] void Raise(uint16_t n) { throw EMMWaveError(Message(n)); }

int64_t SamplesToMs(const plat::WAVEFORMATEX* f, int64_t samples) {
  return engine::MulDivRound64(samples, 1000, f->nSamplesPerSec);
}
int64_t MsToSamples(const plat::WAVEFORMATEX* f, int64_t ms) {
  return engine::MulDivRound64(ms, f->nSamplesPerSec, 1000);
}

// The name qualified to a full path; the name itself where that fails.
std::string ExpandName(const std::string& name) {
  if (name.empty()) return name;
  std::string buffer(std::max<size_t>(plat::MAX_PATH, name.size()) + 1, '\0');
  std::memcpy(buffer.data(), name.c_str(), name.size());
  if (!engine::WaveParseFileName(buffer.data())) return name;
  return buffer.c_str();
}

// Marks a call of the component for the one-thread-at-a-time rule; the same
// thread may come back in (an event handler of the call).
class BusyScope {
 public:
  explicit BusyScope(std::atomic<std::thread::id>& owner) : owner_(owner) {
    std::thread::id expected{};
    const std::thread::id me = std::this_thread::get_id();
    acquired_ = owner.compare_exchange_strong(expected, me);
    assert((acquired_ || expected == me) && "a wave file is used by two threads at once");
  }
  ~BusyScope() {
    if (acquired_) owner_.store(std::thread::id{});
  }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  std::atomic<std::thread::id>& owner_;
  bool acquired_ = false;
};

}  // namespace

// ---- TMMWave ----

VCL_IMPLEMENT_CLASS(
    TMMWave,
    EnumProp("TimeFormat", &TMMWave::TimeFormat, &TMMWave::SetTimeFormat,
             {"tfMillisecond", "tfByte", "tfSample"})
        .Default(engine::tfSample),
    BoolProp("FileMustExist", &TMMWave::FileMustExist, &TMMWave::SetFileMustExist).Default(true),
    StrProp("FileName", &TMMWave::FileName, &TMMWave::SetFileName),
    IntProp("BitLength", &TMMWave::BitLength, &TMMWave::IgnoreWrite).Stored(false),
    EnumProp("Mode", &TMMWave::Mode, &TMMWave::IgnoreWriteMode, {"mMono", "mStereo", "mMultiChannel"})
        .Stored(false),
    IntProp("FormatTag", &TMMWave::FormatTag, &TMMWave::IgnoreWrite).Stored(false),
    StrProp("FormatString", &TMMWave::FormatString, &TMMWave::IgnoreWriteText).Stored(false),
    IntProp("SampleRate", &TMMWave::SampleRate, &TMMWave::IgnoreWrite).Stored(false),
    IntProp("FileSize", &TMMWave::FileSize, &TMMWave::IgnoreWrite).Stored(false),
    IntProp("DataSize", &TMMWave::DataSize, &TMMWave::IgnoreWrite).Stored(false),
    IntProp("IOBufferSize", &TMMWave::IOBufferSize, &TMMWave::SetIOBufferSize).Default(32768))

TMMWave::TMMWave() = default;

TMMWave::~TMMWave() { ReleaseWave(); }

void TMMWave::Assign(const vcl::TPersistent* source) {
  if (source == nullptr) {
    FreeWave();
    SetCutList(nullptr);
    return;
  }
  const auto* other = dynamic_cast<const TMMWave*>(source);
  if (other == nullptr) {
    inherited::Assign(source);
    return;
  }
  ReleaseWave();
  file_must_exist_ = other->file_must_exist_;
  hold_changes_ = true;
  try {
    if (!other->file_name_.empty()) {
      SetFileName(other->file_name_);
    } else if (other->GetPWaveFormat() != nullptr) {
      engine::TWaveIORec* rec = nullptr;
      if (engine::WaveCreateInfo(rec, other->GetPWaveFormat()) == engine::WIOERR_NOERROR) AttachRecord(rec);
    } else {
      Changed();
    }
    SetTimeFormat(other->time_format_);
    region_start_ = other->region_start_;
    region_end_ = other->region_end_;
    position_ = other->position_;
    SetIOBufferSize(other->io_buffer_size_);
    SetCutList(other->cut_list_);
  } catch (...) {
    hold_changes_ = false;
    throw;
  }
  hold_changes_ = false;
  if (change_pending_) Changed();
}

void TMMWave::SetTimeFormat(TMMTimeFormats value) {
  if (value == time_format_) return;
  time_format_ = value;
  BuildPlayRanges();
}

void TMMWave::SetFileMustExist(bool value) { file_must_exist_ = value; }

int32_t TMMWave::BitLength() const { return rec_ ? rec_->wfx.wBitsPerSample : 0; }

engine::TMMMode TMMWave::Mode() const {
  if (!rec_ || rec_->wfx.nChannels <= 1) return engine::mMono;
  return rec_->wfx.nChannels == 2 ? engine::mStereo : engine::mMultiChannel;
}

int32_t TMMWave::FormatTag() const { return rec_ ? rec_->wfx.wFormatTag : 0; }

std::string TMMWave::FormatString() const {
  return rec_ ? engine::GetFormatTagName(&rec_->wfx) : Message(kMsgUnknown);
}

int32_t TMMWave::SampleRate() const { return rec_ ? static_cast<int32_t>(rec_->wfx.nSamplesPerSec) : 11025; }

int64_t TMMWave::FileSize() const { return rec_ ? rec_->dwFileSize : 0; }

int64_t TMMWave::DataSize() const { return rec_ ? SamplesToTimeFormat(rec_->dwLength) : 0; }

int64_t TMMWave::LengthSamples() const { return rec_ ? rec_->dwLength : 0; }

void TMMWave::SetIOBufferSize(int32_t value) {
  if (value == io_buffer_size_) return;
  io_buffer_size_ = std::max(value, 8192);
  if (rec_ && rec_->hmmio != nullptr &&
      engine::WaveSetIOBuffer(rec_, io_buffer_size_) != engine::WIOERR_NOERROR)
    Raise(kMsgIOBuffer);
}

plat::WAVEFORMATEX* TMMWave::GetPWaveFormat() const { return rec_ ? &rec_->wfx : nullptr; }

int64_t TMMWave::SamplesToBytes(int64_t samples) const {
  return rec_ ? engine::WaveIOSamplesToBytes(rec_, samples) : 0;
}

int64_t TMMWave::BytesToSamples(int64_t bytes) const {
  return rec_ ? engine::WaveIOBytesToSamples(rec_, bytes) : 0;
}

int64_t TMMWave::SamplesToTimeFormat(int64_t samples) const {
  if (!rec_) return 0;
  switch (time_format_) {
    case engine::tfMillisecond:
      return SamplesToMs(&rec_->wfx, samples);
    case engine::tfByte:
      return SamplesToBytes(samples);
    default:
      return samples;
  }
}

int64_t TMMWave::TimeFormatToSamples(int64_t value) const {
  if (!rec_) return 0;
  switch (time_format_) {
    case engine::tfMillisecond:
      return MsToSamples(&rec_->wfx, value);
    case engine::tfByte:
      return BytesToSamples(value);
    default:
      return value;
  }
}

void TMMWave::SetCutList(TMMCutList* list) {
  cut_list_ = list;
  BuildPlayRanges();
}

void TMMWave::SetFileName(const std::string& name) {
  const std::string full = ExpandName(name);
  if (!name.empty() && full == file_name_ && engine::GetFileSizeByName(full) == FileSize()) return;
  if (name.empty()) {
    FreeWave();
    return;
  }
  if (engine::WaveFileExists(full.c_str())) {
    engine::TWaveIORec* rec = nullptr;
    if (engine::WaveReadInfo(rec, full.c_str(), kWaveForm, kWaveReadFlags) != engine::WIOERR_NOERROR)
      Raise(kMsgInvalidWave);
    ReleaseWave();
    rec_ = rec;
    region_start_ = rec->dwFirstSample;
    region_end_ = rec->dwLastSample;
    position_ = rec->dwPosition;
    bytes_left_ = rec->dwBytesLeft;
    file_name_ = full;
    NoteFileReader(this, full);
    BuildPlayRanges();
    Changed();
  } else if (!file_must_exist_) {
    ReleaseWave();
    file_name_ = full;
    Changed();
  } else {
    Raise(kMsgErrorReading);
  }
}

void TMMWave::AttachRecord(engine::TWaveIORec* rec) {
  if (rec == rec_) return;
  ReleaseWave();
  rec_ = rec;
  region_start_ = rec->dwFirstSample;
  region_end_ = rec->dwLastSample;
  bytes_left_ = rec->dwBytesLeft;
  position_ = rec->dwPosition;
  if ((rec->dwFlags & engine::RIFF_PLAINFILE) != 0 && rec->lpFileName != nullptr)
    file_name_ = rec->lpFileName;
  BuildPlayRanges();
  Changed();
}

void TMMWave::BuildPlayRanges() {
  play_ranges_.Clear();
  if (GetPWaveFormat() == nullptr) return;
  int64_t s = LogicalToFile(region_start_);
  const int64_t e = LogicalToFile(region_end_);
  auto add = [this](int64_t start, int64_t length) {
    TMMCutRange r;
    r.Start = start;
    r.StartBytes = SamplesToBytes(start);
    r.Length = length;
    r.LengthBytes = SamplesToBytes(length);
    play_ranges_.AddRange(r);
  };
  const int32_t count = cut_list_ ? cut_list_->Count() : 0;
  if (count == 0) {
    add(s, e - s);
    return;
  }
  auto start = [this](int32_t i) { return cut_list_->GetRange(i).Start; };
  auto end = [this](int32_t i) { return cut_list_->GetRange(i).Start + cut_list_->GetRange(i).Length; };
  int32_t i = 0;
  while (i < count && s > end(i)) ++i;
  if (i < count && s >= start(i)) s = std::max(s, end(i));
  bool added = false;
  for (;;) {
    const bool last = !(i < count && start(i) < e);
    // Past the last cut, or at a cut from the region's end on, the rest runs to the end.
    const int64_t len = last ? e - s : start(i) - s;
    if (len > 0) {
      add(s, len);
      added = true;
    }
    if (last) break;
    // A cut that a longer, earlier cut covers must not move s back into cut data.
    s = std::max(s, end(i));
    ++i;
  }
  if (!added) add(s, 0);
}

void TMMWave::CreateFile(const std::string& name, const plat::WAVEFORMATEX* format) {
  if (name.empty() || format == nullptr) return;
  const std::string full = ExpandName(name);
  if (IsFileOpenForReading(full, this))
    throw EMMWaveError(Message(kMsgUnableToCreate) + ": \"" + full + "\" is open for reading");
  const std::string temp = TemporaryFileName(full);
  engine::TWaveIORec* rec = nullptr;
  if (engine::WaveCreateInfo(rec, format) != engine::WIOERR_NOERROR ||
      engine::WaveCreateFile(rec, temp.c_str()) != engine::WIOERR_NOERROR) {
    if (rec != nullptr) engine::WaveFreeInfo(rec);
    Raise(kMsgUnableToCreate);
  }
  // Observers hear of the new file once it carries its name.
  hold_changes_ = true;
  AttachRecord(rec);
  file_name_ = full;
  temp_name_ = temp;
  hold_changes_ = false;
  if (change_pending_) Changed();
  if (engine::WaveSetIOBuffer(rec_, io_buffer_size_) != engine::WIOERR_NOERROR) Raise(kMsgIOBuffer);
}

void TMMWave::OpenFileForUpdate() {
  if (!rec_ || file_name_.empty()) return;
  if (IsFileOpenForReading(file_name_, this))
    throw EMMWaveError(Message(kMsgUnableToOpen) + ": \"" + file_name_ + "\" is open for reading");
  const std::string temp = TemporaryFileName(file_name_);
  std::error_code ec;
  std::filesystem::copy_file(plat::ResolvePath(file_name_), temp, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    Raise(kMsgUnableToOpen);
  }
  if (opened_) FinishFile();
  RenameRecord(temp);
  temp_name_ = temp;
  ForgetFileReader(this);
  try {
    OpenFile();
  } catch (...) {
    RenameRecord(file_name_);
    std::filesystem::remove(temp, ec);
    temp_name_.clear();
    throw;
  }
}

void TMMWave::RenameRecord(const std::string& name) {
  engine::GlobalFreeAndNil(rec_->lpFileName);
  rec_->lpFileName = static_cast<char*>(engine::GlobalAllocZeroed(name.size() + 1));
  std::memcpy(rec_->lpFileName, name.c_str(), name.size());
}

void TMMWave::OpenFile() {
  if (!rec_) return;
  if (engine::WaveOpenFile(rec_) != engine::WIOERR_NOERROR) Raise(kMsgUnableToOpen);
  if (engine::WaveSetIOBuffer(rec_, io_buffer_size_) != engine::WIOERR_NOERROR) Raise(kMsgIOBuffer);
  BuildPlayRanges();
  StartHook(0);
  opened_ = true;
  // In samples: a round trip through milliseconds could move the position.
  SeekTo(position_);
}

bool TMMWave::FinishFile() {
  bool ok = true;
  if (rec_) ok = engine::WaveCloseFile(rec_) == engine::WIOERR_NOERROR;
  opened_ = false;
  position_ = 0;
  bytes_left_ = 0;
  if (temp_name_.empty()) return ok;
  const std::string temp = temp_name_;
  temp_name_.clear();
  if (ok && ReplaceFileWith(temp, file_name_)) {
    RenameRecord(file_name_);
    return true;
  }
  std::error_code ec;
  std::filesystem::remove(temp, ec);
  if (rec_) RenameRecord(file_name_);
  return false;
}

void TMMWave::CloseFile() {
  if (!FinishFile()) Raise(kMsgUnableToCreate);
}

int64_t TMMWave::GetPosition() const { return rec_ ? SamplesToTimeFormat(position_) : -1; }

void TMMWave::SetPosition(int64_t pos) {
  if (!rec_) return;
  position_ = TimeFormatToSamples(pos);
  if (!opened_) return;
  SeekTo(position_);
}

void TMMWave::SeekTo(int64_t sample) {
  int64_t total = 0;
  for (int32_t i = 0; i < play_ranges_.Count(); ++i) total += play_ranges_.GetRange(i).Length;
  if (play_ranges_.Count() == 0) total = region_end_ - region_start_;
  const int64_t p = std::clamp<int64_t>(LogicalToFile(sample), 0, std::max<int64_t>(total, 0));
  play_bytes_ = SamplesToBytes(total);
  bytes_left_ = play_bytes_ - SamplesToBytes(p);
  current_range_ = -1;
  bytes_left_in_range_ = -1;
  StartHook(1);
  int64_t acc = 0;
  int32_t i = 0;
  for (;; ++i) {
    if (i >= play_ranges_.Count()) Raise(kMsgSeekError);
    acc += play_ranges_.GetRange(i).Length;
    if (acc >= p) break;
  }
  const TMMCutRange& r = play_ranges_.GetRange(i);
  const int64_t target = FileToLogical(r.Start + r.Length - (acc - p));
  if (engine::WaveSeek(rec_, target) != engine::WIOERR_NOERROR &&
      engine::WaveSeek(rec_, target) != engine::WIOERR_NOERROR)
    Raise(kMsgSeekError);
  bytes_left_in_range_ = SamplesToBytes(acc - p);
  current_range_ = i;
}

int32_t TMMWave::ReadRaw(void* buffer, int32_t size) { return engine::WaveRead(rec_, buffer, size); }

uint8_t TMMWave::SilenceByte() const {
  return rec_ && rec_->wfx.wFormatTag == plat::WAVE_FORMAT_PCM && rec_->wfx.wBitsPerSample == 8 ? 128 : 0;
}

int32_t TMMWave::ReadData(void* buffer, int32_t size) {
  if (!rec_ || bytes_left_ <= 0 || buffer == nullptr || size <= 0) return -1;
  auto* out = static_cast<uint8_t*>(buffer);
  int64_t want = std::min<int64_t>(size, bytes_left_);
  int64_t got = 0;
  while (want > 0) {
    if (bytes_left_in_range_ > 0) {
      // A read error inside the data ends it as a truncated file does.
      const int32_t n = ReadRaw(out + got, static_cast<int32_t>(std::min(want, bytes_left_in_range_)));
      if (n <= 0) break;
      want -= n;
      got += n;
      bytes_left_in_range_ -= n;
    } else if (current_range_ + 1 < play_ranges_.Count()) {
      ++current_range_;
      const TMMCutRange& r = play_ranges_.GetRange(current_range_);
      bytes_left_in_range_ = r.LengthBytes;
      if (engine::WaveSeek(rec_, FileToLogical(r.Start)) != engine::WIOERR_NOERROR) break;
    } else {
      bytes_left_ = 0;
      break;
    }
  }
  if (got > 0) {
    bytes_left_ = std::max<int64_t>(bytes_left_ - got, 0);
    position_ = FileToLogical(BytesToSamples(play_bytes_ - bytes_left_));
    return static_cast<int32_t>(got);
  }
  // Nothing came although data was left: one block of silence, never more
  // than the caller's buffer holds, so the last buffer is not empty.
  const int32_t n = std::min<int32_t>(size, std::max<int32_t>(rec_->wfx.nBlockAlign, 1));
  std::memset(out, SilenceByte(), static_cast<size_t>(n));
  bytes_left_ = 0;
  bytes_left_in_range_ = 0;
  int64_t total = 0;
  for (int32_t i = 0; i < play_ranges_.Count(); ++i) total += play_ranges_.GetRange(i).Length;
  position_ = total;
  return n;
}

int32_t TMMWave::WriteData(const void* buffer, int32_t size) {
  if (!rec_) return -1;
  const int32_t n = engine::WaveWrite(rec_, buffer, size);
  region_end_ = rec_->dwLastSample;
  BuildPlayRanges();
  return n;
}

void TMMWave::FreeWave() {
  if (file_name_.empty() && rec_ == nullptr) return;
  ReleaseWave();
  Changed();
}

void TMMWave::ReleaseWave() {
  // Nothing plays from a wave object in this program, so there is no sound to stop.
  FinishFile();
  file_name_.clear();
  if (rec_) engine::WaveFreeInfo(rec_);
  ForgetFileReader(this);
  play_ranges_.Clear();
  region_start_ = region_end_ = position_ = bytes_left_ = play_bytes_ = 0;
  current_range_ = -1;
  bytes_left_in_range_ = 0;
}

void TMMWave::Changed() {
  if (hold_changes_) {
    change_pending_ = true;
    return;
  }
  change_pending_ = false;
  inherited::Changed();
  observable_.NotifyObservers(this);
}

void TMMWave::DoProgress(int64_t cur_byte, int64_t num_bytes, bool& cancel) {
  if (OnProgress) OnProgress(this, cur_byte, num_bytes, cancel);
}

// ---- TMMCustomWaveFile ----

VCL_IMPLEMENT_CLASS(TMMCustomWaveFile)

TMMCustomWaveFile::TMMCustomWaveFile(vcl::TComponent* owner) : TMMCustomFile(owner), wave_(new TMMWave) {
  observer_.OnNotify = [this](engine::TMMObserver*, void*) { DoChange(); };
  wave_->AddObserver(&observer_);
}

TMMCustomWaveFile::~TMMCustomWaveFile() {
  try {
    Closed();
  } catch (const vcl::Exception&) {
    // Nobody is left to hear it; the target keeps its old content.
  }
  wave_->OnChange = nullptr;
  wave_->RemoveObserver(&observer_);
  wave_.reset();
}

void TMMCustomWaveFile::SetWave(TMMWave* value) {
  if (value != wave_.get()) wave_->Assign(value);
}

bool TMMCustomWaveFile::CanOpenFile(const std::string& file_name, const TMMDecryptCallback&, void*, int32_t) {
  const std::string ext = vcl::ExtractFileExt(file_name);
  if (!ext.empty() && vcl::UpperCase(GetExtensions()).find(vcl::UpperCase(ext)) == std::string::npos)
    return false;
  return engine::IsWaveFile(file_name.c_str(), kWaveReadFlags);
}

bool TMMCustomWaveFile::GetFileInfo(const std::string& file_name, TMMFileInfo& info, bool, int32_t, void*,
                                    const TMMDecryptCallback&) {
  engine::TWaveIORec* rec = nullptr;
  if (engine::WaveReadInfo(rec, file_name.c_str(), kWaveForm, kWaveReadFlags) != engine::WIOERR_NOERROR)
    return false;
  info = TMMFileInfo{};
  info.FileType = ftWave;
  info.Length = static_cast<int32_t>(std::min<int64_t>(SamplesToMs(&rec->wfx, rec->dwLength), INT32_MAX));
  info.Tag.Title = vcl::ExtractFileName(file_name);
  engine::WaveFreeInfo(rec);
  return true;
}

std::string TMMCustomWaveFile::GetFilter() { return Message(kMsgWaveFilter); }

int32_t TMMCustomWaveFile::GetBlockSize() { return GetFormat() ? GetFormat()->nBlockAlign : 0; }

bool TMMCustomWaveFile::IsEmpty() { return !wave_ || wave_->IsEmpty(); }

int32_t TMMCustomWaveFile::GetTime() {
  if (!GetFormat() || !wave_->GetPWaveFormat()) return 0;
  return static_cast<int32_t>(
      std::min<int64_t>(SamplesToMs(wave_->GetPWaveFormat(), wave_->LengthSamples()), INT32_MAX));
}

std::string TMMCustomWaveFile::GetFileName() { return wave_->FileName(); }

void TMMCustomWaveFile::SetFileName(const std::string& name) { wave_->SetFileName(name); }

int64_t TMMCustomWaveFile::GetPosition() { return wave_->GetPosition(); }

void TMMCustomWaveFile::SetPosition(int64_t pos) {
  BusyScope busy(busy_);
  wave_->SetPosition(pos);
}

int64_t TMMCustomWaveFile::GetTimePosition() {
  const plat::WAVEFORMATEX* f = wave_->GetPWaveFormat();
  return f ? SamplesToMs(f, wave_->PositionSamples()) : 0;
}

void TMMCustomWaveFile::SetTimePosition(int64_t ms) {
  const plat::WAVEFORMATEX* f = wave_->GetPWaveFormat();
  if (!f) return;
  BusyScope busy(busy_);
  wave_->SetPosition(wave_->SamplesToTimeFormat(MsToSamples(f, ms)));
}

void TMMCustomWaveFile::SetFormat(const plat::WAVEFORMATEX* format) {
  inherited::SetFormat(format);
  const plat::WAVEFORMATEX* f = GetFormat();
  silence_ = f && f->wFormatTag == plat::WAVE_FORMAT_PCM && f->wBitsPerSample == 8 ? 128 : 0;
}

void TMMCustomWaveFile::DoChange() {
  if (OnChange) OnChange(this);
  if (wave_->FileMustExist() || wave_->GetPWaveFormat() != nullptr) SetFormat(wave_->GetPWaveFormat());
  if (OnChanged) OnChanged(this);
}

void TMMCustomWaveFile::DoOpen() {
  if (OnOpen) OnOpen(this);
}

void TMMCustomWaveFile::DoClose() {
  if (OnClose) OnClose(this);
}

void TMMCustomWaveFile::Opened() {
  inherited::Opened();
  if (file_opened_) return;
  if (Input() != nullptr) {
    SetFormat(Input()->GetFormat());
    if (GetFormat() != nullptr && !wave_->FileName().empty()) {
      if (!overwrite_existing_ && !wave_->IsEmpty()) {
        // Writing another format into the old data would corrupt the file.
        if (engine::WaveFormatsDiffer(wave_->GetPWaveFormat(), GetFormat()))
          throw EMMWaveError(Message(kMsgUnableToOpen) + ": \"" + wave_->FileName() +
                             "\" holds another format than the one to be written");
        wave_->OpenFileForUpdate();
      } else {
        wave_->CreateFile(wave_->FileName(), GetFormat());
      }
      bytes_written_ = 0;
      file_opened_ = true;
    }
  } else {
    if (!wave_->IsEmpty()) wave_->OpenFile();
    start_position_ = wave_->GetPosition();
    file_opened_ = true;
  }
  if (file_opened_ && OnOpen) engine::DSPSynchronize([this] { DoOpen(); });
}

void TMMCustomWaveFile::Started() {
  inherited::Started();
  if (file_started_ || !file_opened_) return;
  file_started_ = true;
  if (Input() == nullptr) wave_->SetPosition(start_position_);
  wave_->StartHook(0);
}

void TMMCustomWaveFile::Stopped() {
  if (file_opened_ && file_started_) file_started_ = false;
  inherited::Stopped();
}

void TMMCustomWaveFile::Reset() {
  inherited::Reset();
  if (file_opened_ && file_started_) wave_->Rewind();
}

void TMMCustomWaveFile::Closed() {
  if (file_opened_) {
    Stopped();
    const plat::WAVEFORMATEX* f = GetFormat();
    if (Input() != nullptr && f != nullptr && !wave_->FileName().empty() && bytes_written_ == 0 &&
        wave_->GetPWaveFormat() != nullptr) {
      // The data chunk is never left empty: one frame of the format's silence.
      std::vector<uint8_t> frame(std::max<size_t>(f->nBlockAlign, 1), static_cast<uint8_t>(silence_));
      if (wave_->WriteData(frame.data(), static_cast<int32_t>(frame.size())) > 0)
        bytes_written_ += static_cast<int64_t>(frame.size());
    }
    CloseFileAndNotify();
  }
  inherited::Closed();
}

void TMMCustomWaveFile::CloseFileAndNotify() {
  file_opened_ = false;
  file_started_ = false;
  try {
    wave_->CloseFile();
  } catch (...) {
    if (OnClose) engine::DSPSynchronize([this] { DoClose(); });
    throw;
  }
  if (OnClose) engine::DSPSynchronize([this] { DoClose(); });
}

bool TMMCustomWaveFile::WriteBuffer(const plat::WAVEHDR* lpwh) {
  const int32_t bytes = engine::ValidBytes(lpwh);
  const int64_t needed = static_cast<int64_t>(wave_->IOBufferSize()) + bytes + 10240;
  if (!engine::HasDiskFreeSpace(wave_->FileName(), needed)) return false;
  const int32_t written = wave_->WriteData(lpwh->lpData, bytes);
  if (written <= 0) return false;
  bytes_written_ += written;
  return true;
}

void TMMCustomWaveFile::BufferReady(plat::WAVEHDR* lpwh) {
  bool failed = false;
  {
    BusyScope busy(busy_);
    failed = file_started_ && GetEnabled() && Input() != nullptr && !wave_->FileName().empty() &&
             lpwh->dwBytesRecorded != 0 && !WriteBuffer(lpwh);
  }
  // Out of room, or past what a wave file can hold: the file closes complete
  // up to the last buffer written and the chain goes on. Closing runs OnClose
  // on the main thread, which may use this component meanwhile.
  if (failed) Closed();
  inherited::BufferReady(lpwh);
}

void TMMCustomWaveFile::BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers) {
  if (Input() != nullptr) {
    inherited::BufferLoad(lpwh, more_buffers);
    bool failed = false;
    {
      BusyScope busy(busy_);
      failed = file_started_ && GetEnabled() && !wave_->FileName().empty() && lpwh->dwBytesRecorded > 0 &&
               !WriteBuffer(lpwh);
    }
    if (failed) Closed();
    return;
  }
  BusyScope busy(busy_);
  if (wave_->IsEmpty()) {
    lpwh->dwBytesRecorded = 0;
    return;
  }
  if (!file_started_ || !GetEnabled()) {
    std::memset(lpwh->lpData, static_cast<uint8_t>(silence_), lpwh->dwBufferLength);
    lpwh->dwBytesRecorded = lpwh->dwBufferLength;
    more_buffers = true;
    return;
  }
  const int32_t want = static_cast<int32_t>(std::min<plat::DWORD>(lpwh->dwBufferLength, INT32_MAX));
  const int32_t n = wave_->ReadData(lpwh->lpData, want);
  lpwh->dwBytesRecorded = static_cast<plat::DWORD>(std::max(n, 0));
  if (lpwh->dwBytesRecorded == 0) return;
  if (wave_->BytesLeft() > 0) {
    more_buffers = true;
    return;
  }
  // This buffer ends the data.
  if (!LoopAtEnd(lpwh, more_buffers)) return;
  wave_->SetPosition(0);
  wave_->Rewind();
  if (OnLooping) OnLooping(this);
}

// ---- TMMWaveFile ----

VCL_IMPLEMENT_CLASS(
    TMMWaveFile, ObjProp("Wave", &TMMWaveFile::Wave, &TMMWaveFile::SetWave),
    EventProp("OnChange", &TMMWaveFile::OnChange), EventProp("OnChanged", &TMMWaveFile::OnChanged),
    EventProp("OnOpen", &TMMWaveFile::OnOpen), EventProp("OnClose", &TMMWaveFile::OnClose),
    EventProp("OnLooping", &TMMWaveFile::OnLooping), engine::DSPInputProp(), engine::DSPOutputProp(),
    BoolProp("Enabled", &TMMWaveFile::Enabled, &TMMWaveFile::SetEnabledProp).Default(true),
    BoolProp("OverwriteExisting", &TMMWaveFile::OverwriteExisting, &TMMWaveFile::SetOverwriteExisting)
        .Default(true))

}  // namespace files
