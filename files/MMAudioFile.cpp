#include "files/MMAudioFile.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "engine/MMWaveHdr.h"
#include "engine/MMWaveIO.h"
#include "platform/kernel/Files.h"
#include "platform/vcl/TypInfo.h"

namespace files {

namespace {

constexpr int32_t kMaxVolume = 32768;
constexpr int32_t kUnity = 16384;
constexpr int32_t kTailBytes = 4;
// A handled error silences its buffer; this many in a row end the play
// instead of reporting an error for every buffer the output asks for.
constexpr int kMaxConsecutiveErrors = 3;

bool NameExists(const std::string& name) {
  std::error_code ec;
  // The platform knows files the file system does not hold (CD tracks).
  if (std::filesystem::exists(name, ec) ||
      plat::GetFileAttributesA(name.c_str()) != plat::INVALID_FILE_ATTRIBUTES)
    return true;
  std::string upper = name;
  std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
  return upper.find("RESOURCE://") != std::string::npos || upper.find("POINTER://") != std::string::npos;
}

}  // namespace

VCL_IMPLEMENT_CLASS(TMMBaseAudioFile)
VCL_IMPLEMENT_CLASS(TMMCustomAudioFile)

using vcl::published::BoolProp;
using vcl::published::EnumProp;
using vcl::published::EventProp;
using vcl::published::IntProp;
using vcl::published::StrProp;

VCL_IMPLEMENT_CLASS(TMMAudioFile, EventProp("OnFileLoading", &TMMAudioFile::OnFileLoading),
                    EventProp("OnFileLoaded", &TMMAudioFile::OnFileLoaded),
                    EventProp("OnChange", &TMMAudioFile::OnChange),
                    EventProp("OnError", &TMMAudioFile::OnError), engine::DSPOutputProp(),
                    StrProp("FileName", &TMMAudioFile::FileName, &TMMAudioFile::SetFileName),
                    BoolProp("Enabled", &TMMAudioFile::Enabled, &TMMAudioFile::SetEnabled).Default(true),
                    IntProp("MpegTrailingHeader", &TMMAudioFile::MpegTrailingHeader,
                            &TMMAudioFile::SetMpegTrailingHeader),
                    EnumProp("FileType", &TMMAudioFile::GetFileType, &TMMAudioFile::SetFileType,
                             {"ftNone", "ftWave", "ftMpeg", "ftWMA", "ftVorbis", "ftCDA"}),
                    IntProp("Volume", &TMMAudioFile::Volume, &TMMAudioFile::SetVolume).Default(kUnity),
                    IntProp("Panning", &TMMAudioFile::Panning, &TMMAudioFile::SetPanning).Default(0))

TMMCustomAudioFile::TMMCustomAudioFile(vcl::TComponent* owner) : TMMBaseAudioFile(owner) {
  pcm_ = new TMMPCMConverter(this);
  // This component publishes no Input; it may be linked below for this once.
  SetConnectableAsInput(true);
  pcm_->SetOutput(this);
  SetConnectableAsInput(false);
  adpcm_ = new TMMADPCMConverter(this);
  adpcm_->SetOutput(pcm_);
}

TMMCustomAudioFile::~TMMCustomAudioFile() {
  std::lock_guard guard(lock_);
  Closed();
  delete handler_;
  handler_ = nullptr;
  delete adpcm_;
  adpcm_ = nullptr;
  delete pcm_;
  pcm_ = nullptr;
}

// ---- File ----

std::string TMMCustomAudioFile::GetFileName() const {
  std::lock_guard guard(lock_);
  return IsEmpty() ? std::string() : handler_->GetFileName();
}

std::string TMMCustomAudioFile::GetFilter() const { return BuildAudioFileFilter(true); }

TMMAudioFileType TMMCustomAudioFile::GetFileType() const {
  std::lock_guard guard(lock_);
  if (IsEmpty()) return ftNone;
  for (const TMMFileClass* cls : RegisteredFileClasses())
    if (cls->Class == handler_->ClassType()) return cls->FileTypeId();
  return ftNone;
}

bool TMMCustomAudioFile::IsEmpty() const {
  std::lock_guard guard(lock_);
  return handler_ == nullptr || handler_->IsEmpty();
}

int32_t TMMCustomAudioFile::GetBlockSize() const {
  std::lock_guard guard(lock_);
  return IsEmpty() ? 0 : handler_->GetBlockSize();
}

int32_t TMMCustomAudioFile::GetSampleRate() const {
  std::lock_guard guard(lock_);
  return IsEmpty() ? 0 : handler_->GetSampleRate();
}

int32_t TMMCustomAudioFile::GetBitRate() const {
  std::lock_guard guard(lock_);
  return IsEmpty() ? 0 : handler_->GetBitRate();
}

void TMMCustomAudioFile::SetEnabled(bool value) {
  std::lock_guard guard(lock_);
  if (value == enabled_) return;
  enabled_ = value;
  if (handler_) handler_->SetEnabled(value);
}

int32_t TMMCustomAudioFile::MpegTrailingHeader() const {
  std::lock_guard guard(lock_);
  return GetFileType() == ftMpeg ? handler_->GetTrailingHeader() : 0;
}

void TMMCustomAudioFile::SetMpegTrailingHeader(int32_t value) {
  std::lock_guard guard(lock_);
  if (GetFileType() == ftMpeg) handler_->SetTrailingHeader(value);
}

void TMMCustomAudioFile::OpenFile(const std::string& name, TMMAudioFileType file_type) {
  if (ComponentState().Contains(vcl::csDestroying)) return;
  std::lock_guard guard(lock_);
  if (handler_ && name == GetFileName()) return;
  CloseFile();
  if (name.empty() || !NameExists(name)) return;
  if (file_type != ftNone) {
    if (const TMMFileClass* cls = FindFileClass(file_type)) {
      CreateHandler(*cls, name);
      return;
    }
  }
  for (const TMMFileClass* cls : RegisteredFileClasses()) {
    if (cls->CanOpenFile && cls->CanOpenFile(name, TMMDecryptCallback(), nullptr, 0)) {
      CreateHandler(*cls, name);
      return;
    }
  }
  LinkHandler(nullptr);
  throw EMMAudioError("This is not a valid Audiofile");
}

void TMMCustomAudioFile::CreateHandler(const TMMFileClass& cls, const std::string& name) {
  handler_ = cls.Create(this);
  handler_->SetEnabled(enabled_);
  handler_->OnChanged = [this](vcl::TObject*) { DoChange(); };
  try {
    DoFileLoading();
    handler_->SetFileName(name);
    fade_out_start_ = handler_->GetTime();
    LinkHandler(handler_);
    ResetPosition();
    DoFileLoaded();
  } catch (...) {
    LinkHandler(nullptr);
    delete handler_;
    handler_ = nullptr;
    throw;
  }
}

// The ADPCM converter decodes only what it knows; anything else passes it
// untouched for the PCM converter to take.
void TMMCustomAudioFile::LinkHandler(TMMCustomFile* handler) {
  adpcm_->SetInput(handler);
  if (handler) adpcm_->SetEnabled(adpcm_->CanConvert());
}

void TMMCustomAudioFile::ResetConverters() {
  adpcm_->Reset();
  pcm_->Reset();
}

void TMMCustomAudioFile::CloseFile() {
  std::lock_guard guard(lock_);
  if (handler_) {
    handler_->SetFileName(std::string());
    LinkHandler(nullptr);
    delete handler_;
    handler_ = nullptr;
  }
  bytes_delivered_ = 0;
  seek_while_stopped_.reset();
  fade_in_ = fade_out_ = fade_out_start_ = data_end_ = play_end_ = 0;
  fade_out_at_end_ = true;
}

// ---- Position and fades ----

int64_t TMMCustomAudioFile::MsToBytes(int64_t ms) const {
  const plat::WAVEFORMATEX* f = GetFormat();
  if (!f || f->nAvgBytesPerSec == 0 || f->nBlockAlign == 0) return 0;
  return ms < 0 ? -engine::WaveTimeToBytes64(f, -ms) : engine::WaveTimeToBytes64(f, ms);
}

int32_t TMMCustomAudioFile::BytesToEnd(int32_t from_ms) const {
  return static_cast<int32_t>(std::clamp<int64_t>(MsToBytes(int64_t{play_end_} - from_ms), 0, INT32_MAX));
}

int32_t TMMCustomAudioFile::GetPosition() {
  std::lock_guard guard(lock_);
  const plat::WAVEFORMATEX* f = GetFormat();
  if (started_ && f && f->nAvgBytesPerSec > 0)
    return run_start_ +
           static_cast<int32_t>((bytes_delivered_ * 1000 + f->nAvgBytesPerSec / 2) / f->nAvgBytesPerSec);
  return IsEmpty() ? 0 : static_cast<int32_t>(handler_->GetTimePosition());
}

void TMMCustomAudioFile::SetPosition(int32_t ms) {
  std::lock_guard guard(lock_);
  ms = std::min(ms, play_end_);
  if (!IsEmpty()) handler_->SetTimePosition(ms);
  if (!started_) seek_while_stopped_ = ms;
  if (started_) {
    end_of_data_ = tail_given_ = false;
    bytes_delivered_ = 0;
    run_start_ = ms;
    bytes_to_end_ = BytesToEnd(ms);
    ResetConverters();
    UpdateFadeList();
  }
}

void TMMCustomAudioFile::ResetPosition() {
  std::lock_guard guard(lock_);
  run_start_ = 0;
  data_end_ = play_end_ = fade_out_start_;
}

int32_t TMMCustomAudioFile::DataEnd() const {
  std::lock_guard guard(lock_);
  return data_end_;
}

void TMMCustomAudioFile::SetVolume(int32_t value) {
  std::lock_guard guard(lock_);
  if (value == volume_) return;
  volume_ = std::clamp(value, 0, kMaxVolume);
  if (started_) UpdateFadeList();
}

void TMMCustomAudioFile::SetPanning(int32_t value) {
  std::lock_guard guard(lock_);
  if (value == panning_) return;
  panning_ = std::clamp(value, -kMaxVolume, kMaxVolume);
  if (started_) UpdateFadeList();
}

void TMMCustomAudioFile::SetFadeTimes(int32_t fade_in, int32_t fade_out, int32_t fade_out_start) {
  std::lock_guard guard(lock_);
  fade_in_ = fade_in;
  fade_out_ = fade_out;
  if (fade_out_at_end_)
    fade_out_start_ = std::max(play_end_ - fade_out, fade_in);
  else
    fade_out_start_ = std::max(std::min(fade_out_start, play_end_ - 1), fade_in);
  UpdateFadeList();
}

void TMMCustomAudioFile::FadeOutFrom(int32_t duration) {
  std::lock_guard guard(lock_);
  if (!started_) return;
  const plat::WAVEFORMATEX* f = GetFormat();
  silence_byte_ = f && f->wBitsPerSample == 8 ? 128 : 0;
  fading_out_ = true;
  saved_fade_out_start_ = fade_out_start_;
  saved_fade_out_ = fade_out_;
  const int32_t pos = GetPosition();
  fade_out_start_ = pos;
  fade_out_ = std::min(duration, play_end_ - pos);
  UpdateFadeList();
}

void TMMCustomAudioFile::UndoFadeOutFrom() {
  if (fading_out_) {
    fade_out_start_ = saved_fade_out_start_;
    fade_out_ = saved_fade_out_;
  }
  fading_out_ = false;
  fade_out_inside_ = false;
}

void TMMCustomAudioFile::PanGains(int32_t gain, int32_t& left, int32_t& right) const {
  left = right = gain;
  if (panning_ > 0)
    left = static_cast<int32_t>(int64_t{kMaxVolume - panning_} * left / kMaxVolume);
  else
    right = static_cast<int32_t>(int64_t{kMaxVolume + panning_} * right / kMaxVolume);
}

void TMMCustomAudioFile::UpdateFadeList() {
  std::lock_guard guard(lock_);
  if (IsEmpty() || !GetFormat() || !fades_on_) return;
  fades_.Clear();
  const int32_t s = std::max(std::min(fade_out_start_, play_end_ - 1), 1);
  const int32_t fi = std::max(std::min(fade_in_, s - 1), 0);
  fade_out_inside_ = s < play_end_ - 1;
  int32_t l = 0;
  int32_t r = 0;
  PanGains(volume_, l, r);
  auto add = [this](int64_t ms, int32_t gain, int32_t left, int32_t right) {
    TMMFadeRecord p;
    p.Position = MsToBytes(ms);
    p.Gain = gain;
    p.LeftGain = left;
    p.RightGain = right;
    fades_.AddPoint(p);
  };
  add(0, 0, 0, 0);
  if (run_start_ > 0) add(run_start_, 0, 0, 0);
  add(int64_t{run_start_} + fi + 1, volume_, l, r);
  add(s, volume_, l, r);
  add(int64_t{s} + fade_out_, 0, 0, 0);
  add(int64_t{data_end_} + 10000, 0, 0, 0);
  fades_.SortPoints();
  const int64_t pos = MsToBytes(GetPosition());
  PanGains(fades_.GainAt(pos), l, r);
  fades_.SetWalk(pos, l, r);
}

// ---- Chain ----

engine::TMMDSPComponent* TMMCustomAudioFile::ChainTop() {
  engine::TMMDSPComponent* top = this;
  while (top->Input()) top = top->Input();
  return top;
}

void TMMCustomAudioFile::WalkChain(TNotify notify) {
  for (engine::TMMDSPComponent* c = ChainTop(); c; c = c == this ? nullptr : c->Output()) (c->*notify)();
}

void TMMCustomAudioFile::OpenChain(int32_t buffer_size) {
  std::lock_guard guard(lock_);
  if (opened_ || Output()) return;
  for (engine::TMMDSPComponent* c = ChainTop(); c; c = c == this ? nullptr : c->Output()) {
    c->SetBufferSize(buffer_size);
    c->Opened();
  }
}

void TMMCustomAudioFile::StartChain() {
  std::lock_guard guard(lock_);
  if (!started_) WalkChain(&engine::TMMDSPComponent::Started);
}

void TMMCustomAudioFile::StopChain() {
  std::lock_guard guard(lock_);
  if (started_) WalkChain(&engine::TMMDSPComponent::Stopped);
}

void TMMCustomAudioFile::ResetChain() {
  std::lock_guard guard(lock_);
  if (opened_ && started_) WalkChain(&engine::TMMDSPComponent::Reset);
}

void TMMCustomAudioFile::CloseChain() {
  std::lock_guard guard(lock_);
  if (opened_) WalkChain(&engine::TMMDSPComponent::Closed);
}

int32_t TMMCustomAudioFile::ReadBuffer(void* buffer, int32_t size, bool& more_buffers) {
  std::lock_guard guard(lock_);
  more_buffers = false;
  if (!opened_ || !started_ || size <= 0) return 0;
  engine::TMMWaveHdr hdr{};
  hdr.lpData = static_cast<char*>(buffer);
  hdr.dwBufferLength = static_cast<plat::DWORD>(size);
  BufferLoad(&hdr, more_buffers);
  return static_cast<int32_t>(hdr.dwBytesRecorded);
}

void TMMCustomAudioFile::AbortRead() {
  std::lock_guard guard(lock_);
  if (opened_ && started_ && handler_) handler_->AbortRead();
}

void TMMCustomAudioFile::Opened() {
  std::lock_guard guard(lock_);
  if (!opened_) {
    end_of_data_ = tail_given_ = false;
    opened_ = true;
  }
  inherited::Opened();
}

void TMMCustomAudioFile::Closed() {
  std::lock_guard guard(lock_);
  if (opened_) {
    end_of_data_ = tail_given_ = true;
    opened_ = false;
  }
  inherited::Closed();
}

void TMMCustomAudioFile::Started() {
  std::lock_guard guard(lock_);
  if (!started_ && !IsEmpty()) {
    end_of_data_ = tail_given_ = false;
    bytes_delivered_ = 0;
    consecutive_errors_ = 0;
    if (seek_while_stopped_) handler_->SetTimePosition(*seek_while_stopped_);
    seek_while_stopped_.reset();
    run_start_ = GetPosition();
    bytes_to_end_ = BytesToEnd(run_start_);
    UpdateFadeList();
    started_ = true;
  }
  inherited::Started();
}

void TMMCustomAudioFile::Reset() {
  std::lock_guard guard(lock_);
  if (opened_) {
    end_of_data_ = tail_given_ = false;
    run_start_ = GetPosition();
    bytes_delivered_ = 0;
    bytes_to_end_ = BytesToEnd(run_start_);
    UndoFadeOutFrom();
    UpdateFadeList();
  }
  inherited::Reset();
}

void TMMCustomAudioFile::Stopped() {
  std::lock_guard guard(lock_);
  if (started_) {
    end_of_data_ = tail_given_ = true;
    UndoFadeOutFrom();
    started_ = false;
  }
  inherited::Stopped();
}

void TMMCustomAudioFile::PullLocked(engine::TMMWaveHdr* hdr, bool& more_buffers) {
  const int32_t want = static_cast<int32_t>(std::min<plat::DWORD>(hdr->dwBufferLength, INT32_MAX));
  if (want > 0 && !end_of_data_) {
    const bool looping = hdr->Looping != 0;
    hdr->Looping = 0;
    inherited::BufferLoad(hdr, more_buffers);
    hdr->Looping = looping ? -1 : 0;
    const int32_t got = engine::ValidBytes(hdr);
    hdr->dwBytesRecorded = static_cast<plat::DWORD>(got);
    bytes_delivered_ += got;
    if (fades_on_) fades_.ApplyFade(GetFormat(), hdr->lpData, got);
  } else {
    hdr->dwBytesRecorded = 0;
  }
  if (hdr->dwBytesRecorded == 0 || !more_buffers ||
      (fade_out_inside_ && GetPosition() >= fade_out_start_ + fade_out_)) {
    more_buffers = false;
    end_of_data_ = true;
    if (!fading_out_ && hdr->Looping != 0) {
      bool loop = true;
      if (hdr->LoopCount > 0) {
        --hdr->LoopsLeft;
        loop = hdr->LoopsLeft >= 0;
      }
      if (loop) {
        SetPosition(0);
        run_start_ = 0;
        ResetConverters();
        more_buffers = true;
        hdr->LoopMark = -1;
        end_of_data_ = false;
      }
    }
    if (hdr->dwBytesRecorded == 0 && end_of_data_ && !tail_given_ && hdr->dwBufferLength >= kTailBytes) {
      std::memset(hdr->lpData, silence_byte_, kTailBytes);
      hdr->dwBytesRecorded = kTailBytes;
      tail_given_ = true;
    }
  }
}

void TMMCustomAudioFile::BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers) {
  std::lock_guard guard(lock_);
  if (!opened_ || !started_) return;
  auto* hdr = static_cast<engine::TMMWaveHdr*>(lpwh);
  try {
    PullLocked(hdr, more_buffers);
    consecutive_errors_ = 0;
  } catch (...) {
    bool handled = false;
    DoError(handled);
    if (!handled) throw;
    // Never what the buffer happened to hold: silence, and a persistent
    // error ends the play.
    const plat::WAVEFORMATEX* f = GetFormat();
    std::memset(hdr->lpData, f && f->wBitsPerSample == 8 ? 128 : 0, hdr->dwBufferLength);
    hdr->dwBytesRecorded = hdr->dwBufferLength;
    more_buffers = true;
    if (++consecutive_errors_ >= kMaxConsecutiveErrors) {
      end_of_data_ = tail_given_ = true;
      more_buffers = false;
    }
  }
}

// ---- Events ----

void TMMCustomAudioFile::DoFileLoading() {
  if (OnFileLoading) OnFileLoading(this);
}

void TMMCustomAudioFile::DoFileLoaded() {
  if (OnFileLoaded) OnFileLoaded(this);
}

void TMMCustomAudioFile::DoChange() {
  if (OnChange) OnChange(this);
}

void TMMCustomAudioFile::DoError(bool& handled) {
  if (OnError) OnError(this, handled);
}

}  // namespace files
