#include "utility/qelFileStorage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "platform/kernel/Files.h"
#include "platform/kernel/ScopeGuard.h"
#include "platform/mm/PlaySound.h"
#include "platform/user/MessageBox.h"
#include "platform/vcl/TypInfo.h"
#include "utility/qelConsts.h"
#include "utility/qelSysUtils.h"

namespace utility {

namespace {
constexpr uint64_t kMaxData = 0xFFFFFFFFull;

// Writes all of `size` bytes to a new file beside `path`, then renames it
// over `path`; false (with nothing left behind) when any step fails.
bool ReplaceFile(const std::string& path, const uint8_t* data, size_t size) {
  std::string temp = path + ".XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = true;
  for (size_t done = 0; ok && done < size;) {
    ssize_t n = ::write(fd, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  // The new file gets the mode a plain create would have given it.
  mode_t mask = ::umask(0);
  ::umask(mask);
  ok = ok && ::fchmod(fd, 0666 & ~mask) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}
}  // namespace

VCL_IMPLEMENT_CLASS(TqelCustomFileStorage,
                    BinaryProp("FileData", &TqelCustomFileStorage::ReadData,
                               &TqelCustomFileStorage::WriteData, &TqelCustomFileStorage::HasData))

VCL_IMPLEMENT_CLASS(
    TqelFileStorage, StrProp("SaveName", &TqelFileStorage::SaveName, &TqelFileStorage::SetSaveName),
    StrProp("FileName", &TqelFileStorage::FileName, &TqelFileStorage::SetFileName),
    IntProp("DataSize", &TqelFileStorage::DataSize, &TqelFileStorage::SetDataSize).Stored(false),
    BoolProp("AutoSave", &TqelFileStorage::AutoSave, &TqelFileStorage::SetAutoSave).Default(false),
    EventProp("OnLoad", &TqelFileStorage::OnLoad), EventProp("OnSave", &TqelFileStorage::OnSave),
    EventProp("OnConfirmOverride", &TqelFileStorage::OnConfirmOverride))

TqelCustomFileStorage::TqelCustomFileStorage(vcl::TComponent* owner)
    : TqelComponent(owner), data_(std::make_unique<vcl::TMemoryStream>()) {}

TqelCustomFileStorage::~TqelCustomFileStorage() = default;

void TqelCustomFileStorage::SetFileName(const std::string& value) {
  if (value == file_name_) return;
  file_name_ = value;
  if (Designing() && !Reading()) Load();
}

void TqelCustomFileStorage::SetSaveName(const std::string& value) {
  if (value == save_name_) return;
  save_name_ = value;
  if (Designing() && !Reading() && !CanCreateFile(save_name_)) auto_save_ = false;
}

void TqelCustomFileStorage::SetAutoSave(bool value) {
  if (value == auto_save_) return;
  if (value && Designing() && !Reading() && !CanCreateFile(save_name_)) {
    plat::MessageBoxA(nullptr, SqelWrongSaveName, SqelWarning, plat::MB_OK | plat::MB_ICONWARNING);
    return;
  }
  auto_save_ = value;
}

void TqelCustomFileStorage::Clear() {
  DataChanging();
  data_size_ = 0;
  data_->SetSize(0);
}

bool TqelCustomFileStorage::LoadFromFile(const std::string& name) {
  auto fresh = std::make_unique<vcl::TMemoryStream>();
  bool result = false;
  try {
    std::string path = plat::ResolvePath(name);
    std::error_code error;
    if (!name.empty() && std::filesystem::is_regular_file(path, error)) {
      uintmax_t size = std::filesystem::file_size(path, error);
      // DataSize counts in 32 bits: a larger file cannot be held.
      if (!error && size <= kMaxData) {
        std::ifstream in(path, std::ios::binary);
        if (!in) throw EqelFileStorage(SqelCannotLoad, {name});
        fresh->SetSize(static_cast<int64_t>(size));
        if (!in.read(reinterpret_cast<char*>(fresh->Memory()), static_cast<std::streamsize>(size)))
          throw EqelFileStorage(SqelCannotLoad, {name});
        result = true;
      }
    }
  } catch (const EqelFileStorage&) {
    throw;
  } catch (const std::exception&) {
    throw EqelFileStorage(SqelCannotLoad, {name});
  }
  if (result) {
    DataChanging();
    data_ = std::move(fresh);
    data_size_ = static_cast<uint32_t>(data_->Size());
  }
  if (OnLoad) OnLoad(this, result);
  return result;
}

bool TqelCustomFileStorage::SaveToFile(const std::string& name) {
  std::string path = plat::ResolvePath(name);
  std::error_code error;
  bool allowed = true;
  if (!name.empty() && std::filesystem::exists(path, error) && OnConfirmOverride)
    OnConfirmOverride(this, allowed);
  if (allowed) {
    if (name.empty() || !ReplaceFile(path, data_->Memory(), data_size_))
      throw EqelFileStorage(SqelCannotSave, {name});
  }
  if (OnSave) OnSave(this, allowed);
  return allowed;
}

void TqelCustomFileStorage::ReadData(vcl::TStream& stream) {
  uint32_t count = 0;
  stream.ReadBuffer(&count, 4);
  // A damaged description must not make us allocate or read beyond itself.
  if (static_cast<int64_t>(count) > stream.Size() - stream.Position())
    throw vcl::EReadError("Stream read error");
  DataChanging();
  data_->SetSize(count);
  if (count) stream.ReadBuffer(data_->Memory(), count);
  data_size_ = count;
}

void TqelCustomFileStorage::WriteData(vcl::TStream& stream) const {
  uint32_t count = data_size_;
  stream.WriteBuffer(&count, 4);
  if (count) stream.WriteBuffer(data_->Memory(), count);
}

void TqelCustomFileStorage::Loaded() {
  TqelComponent::Loaded();
  if (Designing() || !auto_save_) return;
  try {
    Save();
  } catch (const EqelFileStorage&) {
    if (OnSave) OnSave(this, false);
  }
}

// ---- wave sound -------------------------------------------------------------

VCL_IMPLEMENT_CLASS(
    TqelWav, BoolProp("AsyncPlay", &TqelWav::AsyncPlay, &TqelWav::SetAsyncPlay).Default(true),
    BoolProp("Looped", &TqelWav::Looped, &TqelWav::SetLooped).Default(false),
    BoolProp("NoDefaultSound", &TqelWav::NoDefaultSound, &TqelWav::SetNoDefaultSound).Default(true),
    BoolProp("NoStopSound", &TqelWav::NoStopSound, &TqelWav::SetNoStopSound).Default(false),
    BoolProp("NoWaitIfBusy", &TqelWav::NoWaitIfBusy, &TqelWav::SetNoWaitIfBusy).Default(true),
    EnumProp("PlayFrom", &TqelWav::PlayFrom, &TqelWav::SetPlayFrom,
             {"pfFile", "pfResource", "pfDFM", "pfSystemEvent"})
        .Default(pfFile),
    StrProp("FileName", &TqelWav::FileName, &TqelWav::SetFileName).Stored(&TqelWav::FileNameStored),
    StrProp("ResourceName", &TqelWav::ResourceName, &TqelWav::SetResourceName)
        .Stored(&TqelWav::ResourceNameStored),
    StrProp("EventAlias", &TqelWav::EventAlias, &TqelWav::SetEventAlias).Stored(&TqelWav::EventAliasStored),
    IntProp("DataSize", &TqelWav::DataSize, &TqelWav::SetDataSize).Stored(false),
    EventProp("OnPlayBefore", &TqelWav::OnPlayBefore), EventProp("OnPlayAfter", &TqelWav::OnPlayAfter))

TqelWav::TqelWav(vcl::TComponent* owner) : TqelCustomFileStorage(owner) {}

TqelWav::~TqelWav() { Stop(); }

bool TqelWav::MayPlay() const { return playing_ || (started_async_ && plat::IsSoundPlaying()); }

void TqelWav::Replay() {
  Stop();
  Play();
}

void TqelWav::DataChanging() {
  // The player holds its own copy; stopping first keeps what plays and what
  // is stored in step.
  if (play_from_ == pfDFM && MayPlay()) Stop();
}

void TqelWav::SetAsyncPlay(bool value) {
  if (value == async_play_) return;
  async_play_ = value;
  if (!Reading() && value && MayPlay()) Stop();
}

void TqelWav::SetLooped(bool value) {
  if (value == looped_) return;
  looped_ = value;
  if (Reading() || !MayPlay()) return;
  Stop();
  if (value) Play();
}

void TqelWav::SetNoWaitIfBusy(bool value) {
  if (value == no_wait_if_busy_) return;
  no_wait_if_busy_ = value;
  if (!Reading() && value && MayPlay()) Replay();
}

void TqelWav::SetPlayFrom(TqelWavPlayFrom value) {
  if (value == play_from_) return;
  if (!Reading() && MayPlay()) Stop();
  play_from_ = value;
  // While the description is read the stored bytes arrive by themselves.
  if (Reading()) return;
  if (value == pfDFM)
    Load();
  else
    Clear();
}

void TqelWav::SetResourceName(const std::string& value) {
  if (value == resource_name_) return;
  resource_name_ = value;
  if (!Reading() && play_from_ == pfResource && MayPlay()) Replay();
}

void TqelWav::SetEventAlias(const std::string& value) {
  if (value == event_alias_) return;
  event_alias_ = value;
  if (Reading() || play_from_ != pfSystemEvent) return;
  if (MayPlay())
    Replay();
  else
    Stop();
}

void TqelWav::SetFileName(const std::string& value) {
  if (value == FileName()) return;
  TqelCustomFileStorage::SetFileName(value);
  if (Reading() || play_from_ != pfDFM) return;
  if (MayPlay())
    Replay();
  else
    Stop();
}

plat::DWORD TqelWav::PrepareFlags() {
  plat::DWORD flags = 0;
  if (async_play_) flags |= plat::SND_ASYNC;
  if (looped_) flags |= plat::SND_LOOP;
  if (no_default_sound_) flags |= plat::SND_NODEFAULT;
  if (no_stop_sound_) flags |= plat::SND_NOSTOP;
  if (no_wait_if_busy_) flags |= plat::SND_NOWAIT;
  static const plat::DWORD kSource[] = {plat::SND_FILENAME, plat::SND_RESOURCE, plat::SND_MEMORY,
                                        plat::SND_ALIAS};
  return flags | kSource[play_from_];
}

bool TqelWav::Play() {
  plat::DWORD flags = PrepareFlags();
  const char* sound = nullptr;
  bool valid = true;
  switch (play_from_) {
    case pfFile:
      sound = FileName().c_str();
      break;
    case pfResource:
      sound = resource_name_.c_str();
      break;
    case pfDFM:
      // The player trusts an image's own length: hand it only a whole one.
      sound = reinterpret_cast<const char*>(Data().Memory());
      valid = plat::ParseWaveImage(Data().Memory(), DataSize(), nullptr);
      break;
    case pfSystemEvent:
      sound = event_alias_.c_str();
      break;
  }
  playing_ = true;
  plat::ScopeExit done([this] { playing_ = false; });
  if (OnPlayBefore) OnPlayBefore(this);
  bool result = valid && plat::PlaySoundA(sound, nullptr, flags);
  if (result && (flags & plat::SND_ASYNC)) started_async_ = true;
  if (OnPlayAfter) OnPlayAfter(this);
  return result;
}

void TqelWav::Stop() {
  playing_ = false;
  started_async_ = false;
  plat::PlaySoundA(nullptr, nullptr, 0);
}

}  // namespace utility
