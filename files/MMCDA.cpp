#include "files/MMCDA.h"

#include <algorithm>
#include <cstdio>

#include "engine/MMUtils.h"
#include "files/MMMPType.h"
#include "platform/kernel/Files.h"
#include "platform/registry/Registry.h"

namespace files {

namespace {

constexpr const char* kDevicesKey = "Software\\Kestrova\\CDAFile\\Devices\\";
constexpr uint8_t kGenreOther = 12;

bool HasCdaExtension(const std::string& name) { return vcl::UpperCase(vcl::ExtractFileExt(name)) == ".CDA"; }

bool IsFile(const std::string& name) {
  const plat::DWORD attributes = plat::GetFileAttributesA(name.c_str());
  return attributes != plat::INVALID_FILE_ATTRIBUTES && (attributes & plat::FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// "Track10" -> 9: past "Track", one leading '0' dropped; Track00 and
// Track01 both give 0; -1 when no number follows.
int32_t TrackIndexOf(const std::string& name) {
  std::string base = vcl::ExtractFileName(name);
  base = base.substr(0, base.size() - vcl::ExtractFileExt(base).size());
  std::string digits = base.size() > 5 ? base.substr(5) : std::string();
  if (!digits.empty() && digits[0] == '0') digits.erase(0, 1);
  if (digits.empty() || digits.size() > 3 ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return -1;
  const int32_t n = std::stoi(digits);
  return n > 0 ? n - 1 : n;
}

}  // namespace

using vcl::published::BoolProp;
using vcl::published::EventProp;
using vcl::published::StrProp;

VCL_IMPLEMENT_CLASS(TMMCDAFile, EventProp("OnChange", &TMMCDAFile::OnChange), engine::DSPOutputProp(),
                    StrProp("FileName", &TMMCDAFile::FileNameProp, &TMMCDAFile::SetFileName).Default(""),
                    BoolProp("Enabled", &TMMCDAFile::Enabled, &TMMCDAFile::SetEnabledProp).Default(true))

TMMCDAFile::TMMCDAFile(vcl::TComponent* owner)
    : TMMCustomFile(owner), reader_(std::make_unique<TMMCDReader>(nullptr)) {
  // This component publishes no Input; its reader is linked above it once.
  SetConnectableAsInput(true);
  reader_->SetOutput(this);
  SetConnectableAsInput(false);
  SetFormat(reader_->GetFormat());
}

TMMCDAFile::~TMMCDAFile() {
  if (!opened_) return;
  try {
    reader_->LockMedia(false);
    reader_->Stop();
    reader_->Close();
  } catch (const vcl::Exception&) {
    // The reader is freed below either way; a failing close has no one to tell.
  }
}

bool TMMCDAFile::CanOpenFile(const std::string& file_name, const TMMDecryptCallback&, void*, int32_t) {
  return HasCdaExtension(file_name) && IsFile(file_name);
}

bool TMMCDAFile::GetFileInfo(const std::string& file_name, TMMFileInfo& info, bool, int32_t, void*,
                             const TMMDecryptCallback&) {
  if (!CanOpenFile(file_name, nullptr, nullptr, 0)) return false;
  try {
    TMMCDAFile file(nullptr);
    file.SetFileName(file_name);
    info = TMMFileInfo{};
    info.FileType = ftCDA;
    info.Length = file.GetTime();
    info.BitRate = file.TMMCustomFile::GetBitRate();
    file.ReadTagInfo(info.Tag);
  } catch (const vcl::Exception&) {
    // No module, no disc or no such track: the answer is that there is no information.
    return false;
  }
  return true;
}

void TMMCDAFile::CloseTrack() {
  if (opened_) {
    reader_->LockMedia(false);
    reader_->Stop();
    reader_->Close();
    opened_ = false;
  }
  const bool had_name = !file_name_.empty();
  file_name_.clear();
  track_ = -1;
  if (had_name) DoChange();
}

void TMMCDAFile::SetFileName(const std::string& name) {
  if (ComponentState().Contains(vcl::csDestroying) || name == file_name_) return;
  CloseTrack();
  if (name.empty()) return;
  if (!HasCdaExtension(name)) throw EMMAudioError("This is not a valid CDA file");
  const int32_t track = TrackIndexOf(name);
  const int32_t device = reader_->FindDevice(name[0]);
  if (device < 0) throw EMMAudioError("Unable to load CDA file");
  reader_->SetDeviceID(device);
  const std::string key = kDevicesKey + reader_->DeviceName();
  const int32_t type = engine::RegReadVariant(plat::HKEY_CURRENT_USER, key, "Type",
                                              static_cast<int32_t>(reader_->DeviceType()))
                           .AsInteger();
  if (type >= dtAUTO && type <= dtYAMAHA) reader_->SetDeviceType(static_cast<TCDDeviceType>(type));
  reader_->SetSpeed(engine::RegReadVariant(plat::HKEY_CURRENT_USER, key, "Speed", int32_t{-1}).AsInteger());
  // The track must be one of the disc's and hold audio: anything else would
  // read the lead-in or play a data track as noise.
  if (track >= 0 && reader_->ReadTOC() && track < reader_->TrackCount() && reader_->TrackIsAudio(track)) {
    file_name_ = name;
    track_ = track;
    reader_->SetBlockCount(10);
    reader_->SelectTrack(track);
    reader_->LockMedia(true);
    opened_ = true;
    DoChange();
    return;
  }
  track_ = -1;
  file_name_.clear();
  throw EMMAudioError("Unable to load CDA file");
}

void TMMCDAFile::SetEnabled(bool value) {
  TMMCustomFile::SetEnabled(value);
  reader_->SetEnabled(value);
}

int32_t TMMCDAFile::GetTime() {
  return IsEmpty() ? 0 : static_cast<int32_t>(MSFToMilliseconds(reader_->TrackLengthMSF(track_)));
}

int64_t TMMCDAFile::GetPosition() {
  if (IsEmpty()) return 0;
  const int32_t frames = std::max(reader_->CurrentFrame() - reader_->RangeStart(), 0);
  return MSFToMilliseconds(FramesToPackedMSF(static_cast<uint32_t>(frames)));
}

void TMMCDAFile::SetPosition(int64_t ms) {
  if (IsEmpty()) return;
  // The player passes positions on as asked: below 0 would be the previous track.
  const auto limited = static_cast<uint32_t>(std::clamp<int64_t>(ms, 0, GetTime()));
  reader_->SetPosition(reader_->RangeStart() + static_cast<int32_t>(MSFToFrames(MillisecondsToMSF(limited))));
}

void TMMCDAFile::AbortRead() {
  if (!IsEmpty()) reader_->Abort();
}

void TMMCDAFile::ReadTagInfo(TMMTagInfo& tag) {
  tag = TMMTagInfo{};
  tag.Genre = kGenreOther;
  tag.GenreName = MpegGenreName(kGenreOther);
  // Every track reads its own entry; the disc's entry gives the album.
  if (track_ >= 0 && track_ < reader_->TrackCount() && reader_->ReadCDText()) {
    const int32_t entry = reader_->TrackNumber(track_);
    tag.Album = reader_->CDTextTitle(0, 0);
    tag.Title = reader_->CDTextTitle(0, entry);
    tag.Artist = reader_->CDTextPerformer(0, entry);
  }
  if (tag.Title.empty() && tag.Artist.empty()) {
    char text[24];
    std::snprintf(text, sizeof text, "Track %.2d", track_ + 1);
    tag.Title = text;
  }
}

}  // namespace files
