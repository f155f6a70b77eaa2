#include "files/MMMPEG.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "engine/MMWaveIO.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/Modules.h"
#include "platform/vcl/Application.h"

namespace files {

namespace {

constexpr uint16_t kMsgUnableToLoad = 40;
constexpr uint16_t kMsgChangeWhileOpen = 60;
constexpr plat::FOURCC kWaveForm = engine::MakeFOURCC('W', 'A', 'V', 'E');
constexpr uint32_t kWaveReadFlags = 1;
constexpr int32_t kScratchBytes = 9216;

// The decoder's entries, bound by name in this order.
struct MpegEntries {
  mpeg_Version_t Version;
  mpeg_Init_t Init;
  mpeg_Done_t Done;
  mpeg_SetDecryptCallback_t SetDecryptCallback;
  mpeg_SetDecryptMode_t SetDecryptMode;
  mpeg_Clear_t Clear;
  mpeg_SetTrailingHeader_t SetTrailingHeader;
  mpeg_SetFileOffset_t SetFileOffset;
  mpeg_SetExactPosition_t SetExactPosition;
  mpeg_SetFileName_t SetFileName;
  mpeg_GetFileName_t GetFileName;
  mpeg_GetEmpty_t GetEmpty;
  mpeg_GetFileInfo_t GetFileInfo;
  mpeg_SetChannelMode_t SetChannelMode;
  mpeg_GetChannelMode_t GetChannelMode;
  mpeg_SetPosition_t SetPosition;
  mpeg_GetPosition_t GetPosition;
  mpeg_OpenFile_t OpenFile;
  mpeg_CloseFile_t CloseFile;
  mpeg_ResetFile_t ResetFile;
  mpeg_ReadDataBytes_t ReadDataBytes;
  mpeg_ReadDataBytesEx_t ReadDataBytesEx;
  mpeg_AbortReadData_t AbortReadData;
  mpeg_GetDone_t GetDone;
  mpeg_ScanFile_t ScanFile;
  mpeg_ScanFileEx_t ScanFileEx;
  mpeg_EncryptFile_t EncryptFile;
  mpeg_ReadID3Tag_t ReadID3Tag;
  mpeg_GetErrorText_t GetErrorText;
};

constexpr const char* kEntryNames[] = {"mpeg_Version",
                                       "mpeg_Init",
                                       "mpeg_Done",
                                       "mpeg_SetDecryptCallback",
                                       "mpeg_SetDecryptMode",
                                       "mpeg_Clear",
                                       "mpeg_SetTrailingHeader",
                                       "mpeg_SetFileOffset",
                                       "mpeg_SetExactPosition",
                                       "mpeg_SetFileName",
                                       "mpeg_GetFileName",
                                       "mpeg_GetEmpty",
                                       "mpeg_GetFileInfo",
                                       "mpeg_SetChannelMode",
                                       "mpeg_GetChannelMode",
                                       "mpeg_SetPosition",
                                       "mpeg_GetPosition",
                                       "mpeg_OpenFile",
                                       "mpeg_CloseFile",
                                       "mpeg_ResetFile",
                                       "mpeg_ReadDataBytes",
                                       "mpeg_ReadDataBytesEx",
                                       "mpeg_AbortReadData",
                                       "mpeg_GetDone",
                                       "mpeg_ScanFile",
                                       "mpeg_ScanFileEx",
                                       "mpeg_EncryptFile",
                                       "mpeg_ReadID3Tag",
                                       "mpeg_GetErrorText"};
static_assert(sizeof(kEntryNames) / sizeof(kEntryNames[0]) * sizeof(void*) == sizeof(MpegEntries));

struct Loader {
  std::recursive_mutex lock;
  std::string module_name = "MMMPEG32.DLL";
  plat::HMODULE module = nullptr;
  bool loaded = false;
  MpegEntries entries{};
  // Decoders made by live objects: the module stays until the last is done.
  int users = 0;
  bool unload_pending = false;
};

void FreeDecoderModule(Loader& l) {
  if (l.module) plat::FreeLibrary(l.module);
  l.module = nullptr;
  l.loaded = false;
  l.unload_pending = false;
  l.entries = MpegEntries{};
}

Loader& TheLoader() {
  static Loader loader;
  return loader;
}

const MpegEntries& Api() { return TheLoader().entries; }

void ShowLoaderError(const std::string& text) {
  vcl::ShowMessageBox(text, "Error", vcl::MB_OK | vcl::MB_ICONSTOP);
}

// The file LoadLibrary looked for, named in the error so a user sees what is missing.
std::string ModuleFilePath(const std::string& name) {
  std::string lower = name;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  if (lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".dll") == 0)
    lower.replace(lower.size() - 4, 4, ".so");
  return plat::GetProgramFolder() + lower;
}

std::string ErrorText(int32_t code) {
  char buffer[256] = {};
  if (!LoadMpegDecoder() || Api().GetErrorText(code, buffer, sizeof buffer) != 0) return {};
  buffer[sizeof buffer - 1] = 0;
  return buffer;
}

// ID3v1 text: cut at the first zero byte, blanks trimmed, Latin-1 to UTF-8.
std::string TagText(const uint8_t* p, size_t length) {
  size_t n = 0;
  while (n < length && p[n] != 0) ++n;
  while (n > 0 && (p[n - 1] == ' ' || p[n - 1] == '\t')) --n;
  size_t start = 0;
  while (start < n && (p[start] == ' ' || p[start] == '\t')) ++start;
  std::string out;
  for (size_t i = start; i < n; ++i) {
    if (p[i] < 0x80) {
      out += static_cast<char>(p[i]);
    } else {
      out += static_cast<char>(0xC0 | p[i] >> 6);
      out += static_cast<char>(0x80 | (p[i] & 0x3F));
    }
  }
  return out;
}

void TagFromImage(const uint8_t* image, TMMTagInfo& tag) {
  tag = TMMTagInfo{};
  tag.Title = TagText(image + kId3Title, 30);
  tag.Artist = TagText(image + kId3Artist, 30);
  tag.Album = TagText(image + kId3Album, 30);
  tag.Year = TagText(image + kId3Year, 4);
  tag.Comment = TagText(image + kId3Comment, 28);
  // A zero byte, then the track number, read as one 16-bit value. An older
  // tag whose comment runs over these bytes has no track.
  if (image[kId3Zero] == 0) tag.Track = static_cast<uint16_t>(image[kId3Zero] | image[kId3Track] << 8);
  tag.Genre = image[kId3Genre];
  tag.GenreName = MpegGenreName(tag.Genre);
  tag.Flag = 0;
}

// A RIFF WAVE header: its format tag, or -1 for no wave file.
int32_t WaveFormatTag(const std::string& file_name) {
  engine::TWaveIORec* rec = nullptr;
  if (engine::WaveReadInfo(rec, file_name.c_str(), kWaveForm, kWaveReadFlags) != engine::WIOERR_NOERROR)
    return -1;
  const int32_t tag = rec->wfx.wFormatTag;
  engine::WaveFreeInfo(rec);
  return tag;
}

bool IsMpegTag(int32_t tag) { return tag == 0x50 || tag == 0x55; }

bool NameUsable(const std::string& file_name) {
  if (file_name.empty()) return false;
  const std::string upper = vcl::UpperCase(file_name);
  return upper.find("RESOURCE://") != std::string::npos || upper.find("POINTER://") != std::string::npos ||
         plat::GetFileAttributesA(file_name.c_str()) != plat::INVALID_FILE_ATTRIBUTES;
}

// A decoder instance for one question, released in every case.
class TempDecoder {
 public:
  TempDecoder() {
    int32_t error = 0;
    handle_ = Api().Init(&error, nullptr, nullptr);
  }
  ~TempDecoder() {
    if (handle_) Api().Done(&handle_);
  }
  TempDecoder(const TempDecoder&) = delete;
  TempDecoder& operator=(const TempDecoder&) = delete;
  TMpegHandle get() const { return handle_; }

 private:
  TMpegHandle handle_ = nullptr;
};

}  // namespace

bool LoadMpegDecoder() {
  Loader& l = TheLoader();
  std::lock_guard guard(l.lock);
  l.unload_pending = false;
  if (l.loaded) return true;
  l.module = plat::LoadLibraryA(l.module_name.c_str());
  if (!l.module) {
    ShowLoaderError("Unable to load " + l.module_name + " (" + ModuleFilePath(l.module_name) + ")");
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
  if (!complete || l.entries.Version() < kMpegDecoderVersion) {
    plat::FreeLibrary(l.module);
    l.module = nullptr;
    l.entries = MpegEntries{};
    ShowLoaderError("Invalid Mpeg Decoder DLL version");
    return false;
  }
  l.loaded = true;
  return true;
}

// An object that outlives the unit (a window freed after the units are shut
// down) still gives its decoder back; the module goes with the last one.
void UnloadMpegDecoder() {
  Loader& l = TheLoader();
  std::lock_guard guard(l.lock);
  if (l.users > 0) {
    l.unload_pending = true;
    return;
  }
  FreeDecoderModule(l);
}

void SetMpegDecoderModule(const std::string& name) {
  Loader& l = TheLoader();
  std::lock_guard guard(l.lock);
  FreeDecoderModule(l);
  l.module_name = name;
}

bool IsMpegFile(const std::string& file_name) { return IsMpegFileEx(file_name, nullptr, nullptr, 0); }

bool IsMpegFileEx(const std::string& file_name, const TMMDecryptCallback&, void*, int32_t) {
  if (file_name.empty() || !LoadMpegDecoder() || !NameUsable(file_name)) return false;
  const int32_t tag = WaveFormatTag(file_name);
  if (tag >= 0) return IsMpegTag(tag);
  TempDecoder decoder;
  if (!decoder.get()) return false;
  return Api().SetFileName(decoder.get(), plat::ResolvePath(file_name).c_str()) == 0 &&
         Api().GetEmpty(decoder.get()) == 0;
}

bool GetMpegFileInfo(const std::string& file_name, TMpegInfoRecord& info, bool scan, int32_t, void*,
                     const TMMDecryptCallback&) {
  if (file_name.empty() || !LoadMpegDecoder() || !NameUsable(file_name)) return false;
  const int32_t tag = WaveFormatTag(file_name);
  if (tag >= 0 && !IsMpegTag(tag)) return false;
  TempDecoder decoder;
  const TMpegHandle h = decoder.get();
  if (!h || Api().SetFileName(h, plat::ResolvePath(file_name).c_str()) != 0 || Api().GetEmpty(h) != 0 ||
      Api().OpenFile(h) != 0)
    return false;
  Api().CloseFile(h);
  bool ok = Api().GetFileInfo(h, &info) == 0;
  if (ok && scan && info.BitRate == 0 &&
      plat::GetFileAttributesA(vcl::ChangeFileExt(file_name, ".scn").c_str()) ==
          plat::INVALID_FILE_ATTRIBUTES) {
    Api().ScanFile(h, 1, nullptr, nullptr);
    ok = Api().GetFileInfo(h, &info) == 0;
  }
  return ok;
}

// ---- TMMMpeg ----

VCL_IMPLEMENT_CLASS(
    TMMMpeg, EventProp("OnChange", &TMMMpeg::OnChange),
    IntProp("TrailingHeader", &TMMMpeg::TrailingHeader, &TMMMpeg::SetTrailingHeader).Default(0),
    StrProp("FileName", &TMMMpeg::FileName, &TMMMpeg::SetFileName).Default(""),
    EnumProp("Version", &TMMMpeg::Version, &TMMMpeg::IgnoreWrite, {"v2LSF", "v1"}).Stored(false),
    IntProp("Layer", &TMMMpeg::Layer, &TMMMpeg::IgnoreWrite).Stored(false),
    EnumProp("Mode", &TMMMpeg::Mode, &TMMMpeg::IgnoreWrite,
             {"smStereo", "smJointStereo", "smDualChannel", "smSingleChannel"})
        .Stored(false),
    IntProp("BitRate", &TMMMpeg::BitRate, &TMMMpeg::IgnoreWrite).Stored(false),
    IntProp("SampleRate", &TMMMpeg::SampleRate, &TMMMpeg::IgnoreWrite).Stored(false),
    IntProp("Frames", &TMMMpeg::Frames, &TMMMpeg::IgnoreWrite).Stored(false),
    IntProp("Time", &TMMMpeg::Time, &TMMMpeg::IgnoreWrite).Stored(false),
    EnumProp("ChannelMode", &TMMMpeg::ChannelMode, &TMMMpeg::SetChannelMode,
             {"cmLeft", "cmRight", "cmBoth", "cmDownMix"})
        .Default(cmBoth),
    BoolProp("Exactposition", &TMMMpeg::Exactposition, &TMMMpeg::SetExactposition).Default(false))

TMMMpeg::TMMMpeg() {
  if (!LoadMpegDecoder())
    throw EMMMpegError(engine::LoadLibraryMessage(kMsgUnableToLoad) + " " + TheLoader().module_name);
  int32_t error = 0;
  handle_ = Api().Init(&error, &TMMMpeg::ChangeCallback, this);
  if (!handle_) throw EMMMpegError(ErrorText(error));
  std::lock_guard guard(TheLoader().lock);
  ++TheLoader().users;
}

TMMMpeg::~TMMMpeg() {
  if (!handle_) return;
  Loader& l = TheLoader();
  std::lock_guard guard(l.lock);
  if (l.loaded) Api().Done(&handle_);
  if (--l.users == 0 && l.unload_pending) FreeDecoderModule(l);
}

void TMMMpeg::ChangeCallback(void* user) { static_cast<TMMMpeg*>(user)->Changed(); }

void TMMMpeg::Check(int32_t code, const std::string& suffix) const {
  if (code != 0) throw EMMMpegError(ErrorText(code) + suffix);
}

bool TMMMpeg::IsEmpty() const { return Api().GetEmpty(handle_) != 0; }

bool TMMMpeg::Done() const { return Api().GetDone(handle_) != 0; }

void TMMMpeg::BuildFormat() {
  pcm_format_ = plat::WAVEFORMATEX{};
  if (IsEmpty()) return;
  const bool mono = info_.Mode == smSingleChannel || ChannelMode() != cmBoth;
  pcm_format_.wFormatTag = plat::WAVE_FORMAT_PCM;
  pcm_format_.nChannels = mono ? 1 : 2;
  pcm_format_.nSamplesPerSec = static_cast<plat::DWORD>(info_.SampleRate);
  pcm_format_.wBitsPerSample = 16;
  pcm_format_.nBlockAlign = static_cast<plat::WORD>(pcm_format_.nChannels * 2);
  pcm_format_.nAvgBytesPerSec = pcm_format_.nSamplesPerSec * pcm_format_.nBlockAlign;
}

void TMMMpeg::Changed() {
  if (!IsEmpty()) {
    Check(Api().GetFileInfo(handle_, &info_));
    BuildFormat();
  } else {
    info_ = TMpegInfoRecord{};
    pcm_format_ = plat::WAVEFORMATEX{};
  }
  inherited::Changed();
}

void TMMMpeg::Assign(const vcl::TPersistent* source) {
  if (!source) {
    Changed();
    return;
  }
  if (const auto* other = dynamic_cast<const TMMMpeg*>(source)) {
    Clear();
    SetTrailingHeader(other->TrailingHeader());
    SetFileName(other->FileName());
    SetChannelMode(other->ChannelMode());
    if (!IsEmpty()) SetPosition(other->GetPosition());
    return;
  }
  inherited::Assign(source);
}

void TMMMpeg::Clear() {
  opened_ = false;
  Api().CloseFile(handle_);
  Api().Clear(handle_);
  Changed();
}

void TMMMpeg::Open() {
  if (IsEmpty() || opened_) return;
  Check(Api().OpenFile(handle_));
  opened_ = true;
}

void TMMMpeg::Close() {
  if (!opened_) return;
  opened_ = false;
  Check(Api().CloseFile(handle_));
}

void TMMMpeg::Reset() {
  if (opened_) Check(Api().ResetFile(handle_));
}

int32_t TMMMpeg::ReadData(void* buffer, int32_t size) {
  if (!opened_) return 0;
  const int32_t n = Api().ReadDataBytes(handle_, buffer, size);
  if (n < 0) Check(-n);
  return n;
}

void TMMMpeg::Abort() {
  if (opened_) Api().AbortReadData(handle_);
}

void TMMMpeg::SetPosition(int32_t frame) {
  const int32_t back = opened_ ? 2 : 0;
  Check(Api().SetPosition(handle_, std::max(frame - back, 0)), ": " + std::to_string(frame));
  if (!opened_) return;
  // Decoding the frames before the target rebuilds the bit reservoir.
  std::vector<uint8_t> scratch(kScratchBytes);
  const int32_t bytes = std::min(FrameBytes(), kScratchBytes);
  for (int i = 0; i < 10 && bytes > 0 && GetPosition() < frame && !Done(); ++i)
    ReadData(scratch.data(), bytes);
}

int32_t TMMMpeg::GetPosition() const { return Api().GetPosition(handle_); }

void TMMMpeg::SetTimePosition(int32_t ms) {
  const double frame_time = FrameTime();
  SetPosition(frame_time > 0 ? static_cast<int32_t>(std::nearbyint(ms / frame_time)) : 0);
}

int32_t TMMMpeg::GetTimePosition() const {
  return static_cast<int32_t>(std::nearbyint(GetPosition() * FrameTime()));
}

int32_t TMMMpeg::FrameBytes() const {
  if (IsEmpty()) return 0;
  const auto r = static_cast<int32_t>(std::nearbyint(pcm_format_.nAvgBytesPerSec * info_.FrameTime / 1000.0));
  return r / 4 * 4;
}

const plat::WAVEFORMATEX* TMMMpeg::PCMFormat() const { return IsEmpty() ? nullptr : &pcm_format_; }

void TMMMpeg::ScanFile(int32_t mode) {
  if (IsEmpty()) return;
  Check(Api().ScanFile(handle_, mode, nullptr, nullptr));
  Check(Api().GetFileInfo(handle_, &info_));
}

void TMMMpeg::ScanFileEx(int32_t a, int32_t b) {
  if (IsEmpty()) return;
  Check(Api().ScanFileEx(handle_, a, b));
  Check(Api().GetFileInfo(handle_, &info_));
}

void TMMMpeg::EncryptFile(const std::string& file_name, int32_t a, int32_t b, int32_t c) {
  if (!IsEmpty()) Check(Api().EncryptFile(handle_, file_name.c_str(), a, b, c));
}

bool TMMMpeg::ReadTagInfo(TMMTagInfo& tag) const {
  if (IsEmpty()) return false;
  uint8_t image[kMpegId3Size] = {};
  if (Api().ReadID3Tag(handle_, image) == 0) return false;
  TagFromImage(image, tag);
  return true;
}

void TMMMpeg::SetTrailingHeader(int32_t value) {
  if (value == trailing_header_) return;
  trailing_header_ = value;
  Check(Api().SetTrailingHeader(handle_, value));
}

std::string TMMMpeg::FileName() const {
  // The module keeps the whole name however long it is.
  std::vector<char> buffer(256);
  int32_t rc = Api().GetFileName(handle_, buffer.data(), static_cast<int32_t>(buffer.size()));
  if (rc < 0) {
    buffer.resize(static_cast<size_t>(-rc));
    rc = Api().GetFileName(handle_, buffer.data(), static_cast<int32_t>(buffer.size()));
  }
  Check(rc);
  // The module holds the resolved path; the caller gets back the name it gave.
  const std::string name = buffer.data();
  return !name.empty() && name == resolved_name_ ? given_name_ : name;
}

void TMMMpeg::SetFileName(const std::string& name) {
  Close();
  given_name_.clear();
  resolved_name_ = name.empty() ? std::string() : plat::ResolvePath(name);
  Check(Api().SetFileName(handle_, resolved_name_.c_str()));
  given_name_ = name;
}

TChannelMode TMMMpeg::ChannelMode() const {
  uint8_t mode = cmBoth;
  Check(Api().GetChannelMode(handle_, &mode));
  return static_cast<TChannelMode>(mode);
}

void TMMMpeg::SetChannelMode(TChannelMode value) {
  if (opened_) throw EMMMpegError(engine::LoadLibraryMessage(kMsgChangeWhileOpen));
  Check(Api().SetChannelMode(handle_, value));
  BuildFormat();
  Changed();
}

void TMMMpeg::SetExactposition(bool value) {
  exact_position_ = value;
  Check(Api().SetExactPosition(handle_, value ? 1 : 0));
}

// ---- TMMMPEGFile ----

VCL_IMPLEMENT_CLASS(
    TMMMPEGFile, EventProp("OnChange", &TMMMPEGFile::OnChange), EventProp("OnError", &TMMMPEGFile::OnError),
    engine::DSPOutputProp(),
    StrProp("FileName", &TMMMPEGFile::FileNameProp, &TMMMPEGFile::SetFileName).Default(""),
    BoolProp("Enabled", &TMMMPEGFile::Enabled, &TMMMPEGFile::SetEnabledProp).Default(true),
    IntProp("BitRate", &TMMMPEGFile::BitRateProp, &TMMMPEGFile::IgnoreWrite).Stored(false),
    IntProp("SampleRate", &TMMMPEGFile::SampleRateProp, &TMMMPEGFile::IgnoreWrite).Stored(false),
    IntProp("Channels", &TMMMPEGFile::ChannelsProp, &TMMMPEGFile::IgnoreWrite).Stored(false),
    IntProp("TrailingHeader", &TMMMPEGFile::TrailingHeaderProp, &TMMMPEGFile::SetTrailingHeaderProp)
        .Default(0),
    EnumProp("Version", &TMMMPEGFile::Version, &TMMMPEGFile::IgnoreWrite, {"v2LSF", "v1"}).Stored(false),
    IntProp("Layer", &TMMMPEGFile::Layer, &TMMMPEGFile::IgnoreWrite).Stored(false),
    EnumProp("Mode", &TMMMPEGFile::Mode, &TMMMPEGFile::IgnoreWrite,
             {"smStereo", "smJointStereo", "smDualChannel", "smSingleChannel"})
        .Stored(false),
    IntProp("PlayBackRate", &TMMMPEGFile::SampleRateProp, &TMMMPEGFile::IgnoreWrite).Stored(false),
    IntProp("Frames", &TMMMPEGFile::Frames, &TMMMPEGFile::IgnoreWrite).Stored(false),
    IntProp("Time", &TMMMPEGFile::Time, &TMMMPEGFile::IgnoreWrite).Stored(false),
    EnumProp("ChannelMode", &TMMMPEGFile::ChannelMode, &TMMMPEGFile::SetChannelMode,
             {"cmLeft", "cmRight", "cmBoth", "cmDownMix"})
        .Default(cmBoth),
    BoolProp("Exactposition", &TMMMPEGFile::Exactposition, &TMMMPEGFile::SetExactposition).Default(false))

TMMMPEGFile::TMMMPEGFile(vcl::TComponent* owner) : TMMCustomFile(owner), mpeg_(std::make_unique<TMMMpeg>()) {
  mpeg_->OnChange = [this](vcl::TObject*) { MpegChanged(); };
}

TMMMPEGFile::~TMMMPEGFile() {
  try {
    Closed();
  } catch (const vcl::Exception&) {
    // The decoder is freed below either way; a failing close has no one to tell.
  }
  mpeg_->OnChange = nullptr;
}

void TMMMPEGFile::MpegChanged() {
  SetFormat(mpeg_->PCMFormat());
  DoChange();
}

bool TMMMPEGFile::CanOpenFile(const std::string& file_name, const TMMDecryptCallback& decrypt, void* user,
                              int32_t decrypt_mode) {
  const std::string ext = vcl::ExtractFileExt(file_name);
  if (!ext.empty() && vcl::UpperCase(GetExtensions()).find(vcl::UpperCase(ext)) == std::string::npos)
    return false;
  return IsMpegFileEx(file_name, decrypt, user, decrypt_mode);
}

bool TMMMPEGFile::GetFileInfo(const std::string& file_name, TMMFileInfo& info, bool scan,
                              int32_t decrypt_mode, void* user, const TMMDecryptCallback& decrypt) {
  TMpegInfoRecord record{};
  if (!GetMpegFileInfo(file_name, record, scan, decrypt_mode, user, decrypt)) return false;
  info = TMMFileInfo{};
  info.FileType = ftMpeg;
  info.Length = record.PlayTime;
  info.Layer = record.Layer;
  info.BitRate = record.BitRate;
  info.FrameTime = record.FrameTime;
  if (std::memcmp(record.Tag, "TAG", 3) == 0) TagFromImage(record.Tag, info.Tag);
  return true;
}

void TMMMPEGFile::Assign(const vcl::TPersistent* source) {
  if (!source) {
    DoChange();
    return;
  }
  if (const auto* other = dynamic_cast<const TMMMPEGFile*>(source)) {
    mpeg_->Clear();
    mpeg_->Assign(other->mpeg_.get());
    return;
  }
  inherited::Assign(source);
}

void TMMMPEGFile::SetFileName(const std::string& name) {
  Closed();
  mpeg_->SetFileName(name);
}

void TMMMPEGFile::SetPosition(int64_t pos) {
  mpeg_->SetPosition(static_cast<int32_t>(std::clamp<int64_t>(pos, 0, INT32_MAX)));
}

void TMMMPEGFile::SetTimePosition(int64_t ms) {
  mpeg_->SetTimePosition(static_cast<int32_t>(std::clamp<int64_t>(ms, 0, INT32_MAX)));
}

int32_t TMMMPEGFile::GetChannels() {
  const plat::WAVEFORMATEX* format = mpeg_->PCMFormat();
  return format ? format->nChannels : 0;
}

void TMMMPEGFile::Opened() {
  inherited::Opened();
  if (opened_) return;
  mpeg_->Open();
  opened_ = mpeg_->Opened();
  saved_frame_ = mpeg_->GetPosition();
}

void TMMMPEGFile::Started() {
  inherited::Started();
  if (!opened_ || started_) return;
  started_ = true;
  mpeg_->SetPosition(saved_frame_);
}

void TMMMPEGFile::Stopped() {
  started_ = false;
  inherited::Stopped();
}

void TMMMPEGFile::Closed() {
  if (opened_) {
    Stopped();
    mpeg_->Close();
    opened_ = false;
  }
  inherited::Closed();
}

void TMMMPEGFile::BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers) {
  try {
    if (mpeg_->IsEmpty()) {
      lpwh->dwBytesRecorded = 0;
      return;
    }
    if (!started_ || !GetEnabled()) {
      std::memset(lpwh->lpData, 0, lpwh->dwBufferLength);
      lpwh->dwBytesRecorded = lpwh->dwBufferLength;
      more_buffers = true;
      return;
    }
    const auto want = static_cast<int32_t>(std::min<plat::DWORD>(lpwh->dwBufferLength, INT32_MAX));
    lpwh->dwBytesRecorded = static_cast<plat::DWORD>(mpeg_->ReadData(lpwh->lpData, want));
    if (lpwh->dwBytesRecorded == 0) return;
    if (!mpeg_->Done()) {
      more_buffers = true;
      return;
    }
    if (LoopAtEnd(lpwh, more_buffers)) mpeg_->Reset();
  } catch (const vcl::Exception&) {
    bool handled = false;
    if (OnError) OnError(this, handled);
    if (!handled) throw;
    // Nothing undecoded goes on as sound: the stream ends here.
    lpwh->dwBytesRecorded = 0;
    more_buffers = false;
  }
}

}  // namespace files
