#include "files/MMACMCvt.h"

#include <algorithm>
#include <cstring>

#include "engine/MMObj.h"
#include "engine/MMPCMSup.h"
#include "engine/MMWaveIO.h"
#include "platform/vcl/TypInfo.h"

namespace files {

namespace {

using engine::TMMWaveHdr;
using plat::WAVEFORMATEX;

constexpr uint16_t kInvalidWaveFormatMessage = 62;
constexpr const char* kUnableToConvert = "Unable to convert to destination format";
constexpr int32_t kMaxBlockSize = 8192;
constexpr int32_t kMinBlockRequest = 65536;
constexpr int kMaxFailedTries = 5;
// A stream that takes more than a second of input without giving any is not
// a filter filling up: the conversion has failed.
constexpr int32_t kMinStallBytes = 65536;
constexpr int32_t kMinRate = 8000;
constexpr int32_t kMaxRate = 88200;
// The highest rate the devices take.
constexpr plat::DWORD kMaxDeviceRate = 100000;
constexpr int kMaxPlayableChannels = 4;

WAVEFORMATEX* CopyOf(const WAVEFORMATEX& f) { return engine::CopyWaveFormat(&f); }

}  // namespace

WAVEFORMATEX PlayablePCMFormat(const WAVEFORMATEX& input) {
  int32_t bits = input.wBitsPerSample <= 8 ? 8 : 16;
  plat::DWORD rate = input.nSamplesPerSec;
  while (rate > kMaxDeviceRate) rate /= 2;
  WAVEFORMATEX f{};
  engine::BuildPCMFormat(f, bits, input.nChannels, static_cast<int32_t>(rate));
  return f;
}

// ---- TMMACMConverter ----

VCL_IMPLEMENT_CLASS(TMMACMConverter, engine::DSPInputProp(), engine::DSPOutputProp(),
                    vcl::published::BoolProp("Enabled", &TMMACMConverter::Enabled,
                                             &TMMACMConverter::SetEnabled)
                        .Default(true),
                    vcl::published::EnumProp("Quality", &TMMACMConverter::Quality,
                                             &TMMACMConverter::SetQuality, {"cqHigh", "cqLow"})
                        .Default(cqLow))

TMMACMConverter::TMMACMConverter(vcl::TComponent* owner) : engine::TMMDSPComponent(owner) {}

TMMACMConverter::~TMMACMConverter() {
  Closed();
  engine::GlobalFreeAndNil(input_format_);
  engine::GlobalFreeAndNil(requested_format_);
  engine::GlobalFreeAndNil(target_format_);
}

void TMMACMConverter::Loaded() {
  // The base would hand the own format back to SetFormat as a request.
  engine::TMMCustomDSPComponent::Loaded();
  UpdateConversionFormat();
}

void TMMACMConverter::SetTargetFormat(WAVEFORMATEX* format) {
  engine::GlobalFreeAndNil(target_format_);
  target_format_ = format;
}

void TMMACMConverter::SuggestFormat() {
  SetTargetFormat(nullptr);
  if (enabled_ && requested_format_) SetTargetFormat(engine::CopyWaveFormat(requested_format_));
}

void TMMACMConverter::UpdateConversionFormat() {
  formats_differ_ = false;
  can_convert_ = false;
  if (input_format_ && enabled_) {
    SuggestFormat();
    if (engine::WaveFormatsDiffer(input_format_, target_format_)) {
      formats_differ_ = true;
      if (engine::CanConvertFormat(input_format_, target_format_, RealTime())) {
        can_convert_ = true;
        engine::TMMDSPComponent::SetFormat(target_format_);
        return;
      }
    }
  }
  engine::TMMDSPComponent::SetFormat(input_format_);
}

void TMMACMConverter::SetFormat(const WAVEFORMATEX* format) {
  if (!format || FormatFrozen()) return;
  // The own format may come back here from a descendant's writer.
  engine::ReplaceWaveFormat(requested_format_, format);
  UpdateConversionFormat();
}

void TMMACMConverter::SetInputFormat(const WAVEFORMATEX* format) {
  if (format == input_format_) return;
  engine::ReplaceWaveFormat(input_format_, format);
  UpdateConversionFormat();
}

void TMMACMConverter::Fail(const std::string& message) {
  failed_ = true;
  throw EMMConverterError(message);
}

void TMMACMConverter::Opened() {
  if (!opened_ && enabled_) {
    const std::string refusal = RefusalReason();
    if (!refusal.empty()) throw EMMConverterError(refusal);
  }
  if (!opened_ && enabled_ && formats_differ_) {
    if (can_convert_) {
      block_size_ = std::min(kMaxBlockSize, std::max(BufferSize(), kMinBlockRequest));
      conversion_ = engine::CreateACMConversion(input_format_, GetFormat(), nullptr, block_size_, RealTime());
      if (!conversion_) can_convert_ = false;
    }
    if (!can_convert_) throw EMMConverterError(kUnableToConvert);
    // Whole source blocks.
    block_size_ = conversion_->SourceSize;
    opened_ = true;
    failed_ = false;
  }
  inherited::Opened();
}

void TMMACMConverter::Started() {
  inherited::Started();
  if (opened_ && !started_) {
    started_ = true;
    more_buffers_ = false;
    end_of_input_ = false;
  }
}

void TMMACMConverter::DropUnread() {
  if (conversion_) conversion_->DestRead = conversion_->DestLength;
}

void TMMACMConverter::Stopped() {
  if (started_) {
    started_ = false;
    DropUnread();
  }
  inherited::Stopped();
}

void TMMACMConverter::Reset() {
  inherited::Reset();
  if (conversion_) {
    engine::ResetACMConversion(conversion_);
    end_of_input_ = false;
  }
}

void TMMACMConverter::Closed() {
  if (opened_) {
    if (started_) {
      started_ = false;
      DropUnread();
    }
    opened_ = false;
    failed_ = false;
    engine::FreeACMConversion(conversion_);
  }
  inherited::Closed();
}

void TMMACMConverter::DeliverOutput() {
  while (started_ && conversion_->DestRead < conversion_->DestLength) {
    const int32_t n = std::min(conversion_->DestLength - conversion_->DestRead, std::max(BufferSize(), 1));
    own_header_ = TMMWaveHdr{};
    own_header_.lpData = static_cast<char*>(conversion_->DestBuffer) + conversion_->DestRead;
    own_header_.dwBufferLength = static_cast<plat::DWORD>(n);
    own_header_.dwBytesRecorded = static_cast<plat::DWORD>(n);
    conversion_->DestRead += n;
    inherited::BufferReady(&own_header_);
  }
}

void TMMACMConverter::BufferReady(plat::WAVEHDR* lpwh) {
  if (!opened_) {
    inherited::BufferReady(lpwh);
    return;
  }
  if (!started_ || !Output() || failed_) return;
  if (!formats_differ_ || !can_convert_ || !conversion_) {
    inherited::BufferReady(lpwh);
    return;
  }
  const int32_t total = engine::ValidBytes(lpwh);
  const auto* data = reinterpret_cast<const uint8_t*>(lpwh->lpData);
  for (int32_t pos = 0; pos < total && started_;) {
    const int32_t n = std::min(total - pos, block_size_);
    std::memcpy(conversion_->SourceBuffer, data + pos, static_cast<size_t>(n));
    pos += n;
    int32_t result = 0;
    try {
      result = engine::ACMConvertBlock(conversion_, n);
    } catch (...) {
      failed_ = true;
      throw;
    }
    if (result <= 0 && !conversion_->SourceLeft && !conversion_->NoOutput) Fail(kUnableToConvert);
    if (result > 0) DeliverOutput();
  }
}

void TMMACMConverter::BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers) {
  if (!opened_) {
    inherited::BufferLoad(lpwh, more_buffers);
    return;
  }
  if (!started_ || !Input()) return;
  if (failed_) {
    // A failed stream has ended; its bytes never go on as if converted.
    more_buffers = false;
    return;
  }
  if (!formats_differ_ || !can_convert_ || !conversion_) {
    inherited::BufferLoad(lpwh, more_buffers);
    return;
  }
  auto* hdr = static_cast<TMMWaveHdr*>(lpwh);
  auto* data = reinterpret_cast<uint8_t*>(hdr->lpData);
  const int32_t length = static_cast<int32_t>(std::min<plat::DWORD>(hdr->dwBufferLength, INT32_MAX));
  int32_t recorded = std::min(engine::ValidBytes(hdr), length);
  int32_t wanted = length - recorded;
  int tries = 0;
  int64_t stalled = 0;
  const int64_t max_stalled = std::max<int64_t>(input_format_->nAvgBytesPerSec, kMinStallBytes);
  for (;;) {
    const int32_t n = std::min(conversion_->DestLength - conversion_->DestRead, wanted);
    if (n > 0) {
      std::memcpy(data + recorded,
                  static_cast<const uint8_t*>(conversion_->DestBuffer) + conversion_->DestRead,
                  static_cast<size_t>(n));
      conversion_->DestRead += n;
      recorded += n;
      wanted -= n;
      hdr->dwBytesRecorded = static_cast<plat::DWORD>(recorded);
    }
    if (hdr->LoopMark != 0 || !started_ || wanted <= 0) break;

    int32_t got = 0;
    if (!end_of_input_) {
      own_header_ = TMMWaveHdr{};
      own_header_.lpData = static_cast<char*>(conversion_->SourceBuffer);
      own_header_.dwBufferLength = static_cast<plat::DWORD>(block_size_);
      engine::CopyLoopFields(*hdr, own_header_);
      more_buffers_ = false;
      inherited::BufferLoad(&own_header_, more_buffers_);
      engine::CopyLoopFields(own_header_, *hdr);
      got = engine::ValidBytes(&own_header_);
      if (!more_buffers_ || got == 0) end_of_input_ = true;
    }
    if (!started_) break;
    if (got > 0) {
      int32_t result = 0;
      try {
        result = engine::ACMConvertBlock(conversion_, got);
      } catch (...) {
        failed_ = true;
        throw;
      }
      if (result > 0) {
        tries = 0;
        stalled = 0;
        continue;
      }
      // Input taken (or carried) without output yet: a resampler filling its
      // filter, or a partial block waiting for the rest. That is progress.
      if (result == 0 && (conversion_->NoOutput || conversion_->SourceLeft) &&
          (stalled += got) <= max_stalled)
        continue;
      if (end_of_input_) {
        const int32_t flushed = engine::ACMConvertEnd(conversion_, 0);
        if (flushed > 0) continue;
        // A refused last block is lost data, not the end of the stream.
        if (flushed < 0 || result < 0) Fail(kUnableToConvert);
        break;
      }
      if (++tries >= kMaxFailedTries) Fail(kUnableToConvert);
      continue;
    }
    // Input over: the streams give out what they still hold.
    const int32_t flushed = engine::ACMConvertEnd(conversion_, 0);
    if (flushed > 0) continue;
    if (flushed < 0) Fail(kUnableToConvert);
    break;
  }
  more_buffers = more_buffers_ || conversion_->DestRead < conversion_->DestLength || conversion_->SourceLeft;
}

// ---- TMMPCMConverter ----

VCL_IMPLEMENT_CLASS(
    TMMPCMConverter,
    vcl::published::BoolProp("AutoConvert", &TMMPCMConverter::AutoConvert, &TMMPCMConverter::SetAutoConvert)
        .Default(true),
    vcl::published::IntProp("SampleRate", &TMMPCMConverter::SampleRate, &TMMPCMConverter::SetSampleRate)
        .Default(11025),
    vcl::published::EnumProp("BitLength", &TMMPCMConverter::BitLength, &TMMPCMConverter::SetBitLength,
                             {"b8Bit", "b16Bit"})
        .Default(engine::b8Bit),
    vcl::published::EnumProp("Mode", &TMMPCMConverter::Mode, &TMMPCMConverter::SetMode,
                             {"mMono", "mStereo", "mMultiChannel"})
        .Default(engine::mMono),
    vcl::published::SetOfProp("Required", &TMMPCMConverter::Required, &TMMPCMConverter::SetRequired,
                              {"rpBits", "rpChannels", "rpSampleRate"})
        .Default(TMMRequiredParams{rpBits, rpChannels, rpSampleRate}))

TMMPCMConverter::TMMPCMConverter(vcl::TComponent* owner) : TMMACMConverter(owner) {}

void TMMPCMConverter::SetFormat(const WAVEFORMATEX* format) {
  if (!format || FormatFrozen()) return;
  if (!DesignMode() && !engine::IsValidPCMFormat(format))
    throw EMMConverterError(engine::LoadLibraryMessage(kInvalidWaveFormatMessage));
  TMMACMConverter::SetFormat(format);
}

std::string TMMPCMConverter::RefusalReason() const {
  const WAVEFORMATEX* in = InputFormat();
  if (in && in->nChannels > kMaxPlayableChannels)
    return "Unable to convert to destination format: " + std::to_string(in->nChannels) +
           " channels (at most 4 can be played)";
  return {};
}

void TMMPCMConverter::SuggestFormat() {
  SetTargetFormat(nullptr);
  if (!Enabled()) return;
  const WAVEFORMATEX* in = InputFormat();
  WAVEFORMATEX f{};
  if (in) {
    // More channels than the chain plays: no target, Opened refuses the stream.
    if (in->nChannels > kMaxPlayableChannels) return;
    engine::SuggestPCMFormat(in, f);
    if (f.wFormatTag == 0) return;
    // PCM the devices cannot take (wide samples, high rates) goes to a form
    // they can, through the manager.
    if (!engine::IsValidPCMFormat(&f)) f = PlayablePCMFormat(f);
    if (!auto_convert_) {
      int32_t bits = f.wBitsPerSample;
      int32_t channels = f.nChannels;
      int32_t rate = static_cast<int32_t>(f.nSamplesPerSec);
      if (required_.Contains(rpBits)) bits = (bit_length_ + 1) * 8;
      if (required_.Contains(rpChannels)) channels = mode_ + 1;
      if (required_.Contains(rpSampleRate)) rate = sample_rate_;
      engine::BuildPCMFormat(f, bits, channels, rate);
    }
  } else {
    engine::BuildPCMFormat(f, (bit_length_ + 1) * 8, mode_ + 1, sample_rate_);
  }
  if (f.wFormatTag != 0) SetTargetFormat(CopyOf(f));
}

void TMMPCMConverter::Resuggest() {
  SuggestFormat();
  SetFormat(TargetFormat() ? TargetFormat() : InputFormat());
}

void TMMPCMConverter::SetAutoConvert(bool value) {
  if (value == auto_convert_) return;
  auto_convert_ = value;
  Resuggest();
}

void TMMPCMConverter::SetBitLength(engine::TMMBits value) {
  if (value == bit_length_) return;
  bit_length_ = value;
  Resuggest();
}

void TMMPCMConverter::SetMode(engine::TMMMode value) {
  if (value == mode_ || value >= engine::mMultiChannel) return;
  mode_ = value;
  Resuggest();
}

void TMMPCMConverter::SetSampleRate(int32_t value) {
  value = std::clamp(value, kMinRate, kMaxRate);
  if (value == sample_rate_) return;
  sample_rate_ = value;
  Resuggest();
}

void TMMPCMConverter::SetRequired(TMMRequiredParams value) {
  if (value == required_) return;
  required_ = value;
  Resuggest();
}

}  // namespace files
