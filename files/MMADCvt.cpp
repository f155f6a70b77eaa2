#include "files/MMADCvt.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/MMPCMSup.h"
#include "engine/MMUtils.h"
#include "engine/MMWaveIO.h"
#include "platform/vcl/TypInfo.h"

namespace files {

namespace {

using engine::TMMWaveHdr;
using plat::WAVEFORMATEX;

constexpr const char* kUnableToConvert = "Unable to convert to destination format";
constexpr int32_t kSourceBlock = 4096;
constexpr int32_t kStepExpansion = 4;  // 16-bit bytes per code byte

bool IsStepTag(const WAVEFORMATEX& f) {
  // Tag 3 is also 32-bit float, which the compression manager decodes.
  return (f.wFormatTag == WAVE_FORMAT_STEP_WRAP && f.wBitsPerSample == 4) ||
         f.wFormatTag == WAVE_FORMAT_STEP_SAT_A || f.wFormatTag == WAVE_FORMAT_STEP_SAT_B;
}

// The PCM an input decodes to here; false when it is not decoded here.
bool TargetFor(const WAVEFORMATEX* input, engine::TMMBits bits, ADPCMWAVEFORMAT& target) {
  if (input == nullptr || input->nSamplesPerSec == 0) return false;
  const int32_t pcm_bits = (bits + 1) * 8;
  if (input->wFormatTag == plat::WAVE_FORMAT_ADPCM)
    return IsDecodableMSADPCMFormat(input) && SuggestMSADPCMFormat(input, target, pcm_bits, -1, -1) &&
           target.wfx.wFormatTag == plat::WAVE_FORMAT_PCM;
  if (IsStepTag(*input) && (input->nChannels == 1 || input->nChannels == 2)) {
    target = ADPCMWAVEFORMAT{};
    engine::BuildPCMFormat(target.wfx, pcm_bits, input->nChannels,
                           static_cast<int32_t>(input->nSamplesPerSec));
    return true;
  }
  return false;
}

}  // namespace

VCL_IMPLEMENT_CLASS(TMMADPCMConverter, engine::DSPInputProp(), engine::DSPOutputProp(),
                    vcl::published::EnumProp("BitLength", &TMMADPCMConverter::BitLength,
                                             &TMMADPCMConverter::SetBitLength, {"b8Bit", "b16Bit"})
                        .Default(engine::b16Bit),
                    vcl::published::BoolProp("Enabled", &TMMADPCMConverter::Enabled,
                                             &TMMADPCMConverter::SetEnabled)
                        .Default(true))

TMMADPCMConverter::TMMADPCMConverter(vcl::TComponent* owner) : engine::TMMDSPComponent(owner) {}

TMMADPCMConverter::~TMMADPCMConverter() {
  Closed();
  engine::GlobalFreeAndNil(input_format_);
  engine::GlobalFreeAndNil(target_format_);
}

void TMMADPCMConverter::Loaded() {
  // The base would hand the own format back to SetFormat, which ignores it.
  engine::TMMCustomDSPComponent::Loaded();
  UpdateConversionFormat();
}

void TMMADPCMConverter::SetInputFormat(const WAVEFORMATEX* format) {
  if (format == input_format_) return;
  engine::ReplaceWaveFormat(input_format_, format);
  UpdateConversionFormat();
}

void TMMADPCMConverter::SetBitLength(engine::TMMBits value) {
  if (value == bit_length_) return;
  bit_length_ = value;
  UpdateConversionFormat();
}

void TMMADPCMConverter::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  // The player switches the converter after linking a new handler; the
  // format handed down must follow at once, not at the next relink.
  if (!opened_) UpdateConversionFormat();
}

bool TMMADPCMConverter::CanConvert() const {
  if (input_format_ == nullptr) return false;
  if (input_format_->wFormatTag == plat::WAVE_FORMAT_PCM) return true;
  ADPCMWAVEFORMAT target{};
  return TargetFor(input_format_, bit_length_, target);
}

void TMMADPCMConverter::SuggestFormat() {
  engine::GlobalFreeAndNil(target_format_);
  ADPCMWAVEFORMAT target{};
  if (enabled_ && TargetFor(input_format_, bit_length_, target))
    target_format_ = engine::CopyWaveFormat(&target.wfx);
}

void TMMADPCMConverter::UpdateConversionFormat() {
  non_pcm_ = false;
  can_convert_ = false;
  if (input_format_ && enabled_ && input_format_->wFormatTag != plat::WAVE_FORMAT_PCM) {
    non_pcm_ = true;
    SuggestFormat();
    if (target_format_ && target_format_->wFormatTag == plat::WAVE_FORMAT_PCM) {
      can_convert_ = true;
      engine::TMMDSPComponent::SetFormat(target_format_);
      return;
    }
  }
  engine::TMMDSPComponent::SetFormat(input_format_);
}

void TMMADPCMConverter::Opened() {
  if (!opened_ && enabled_ && non_pcm_) {
    if (can_convert_) {
      if (input_format_->wFormatTag == plat::WAVE_FORMAT_ADPCM) {
        // Whole blocks only, at least one however large.
        const int32_t align = input_format_->nBlockAlign;
        const int32_t blocks = std::max(kSourceBlock / align, 1);
        source_block_ = blocks * align;
        dest_block_ = blocks * MSADPCMBlockOutputBytes(input_format_, target_format_->wBitsPerSample);
      } else {
        source_block_ = kSourceBlock;
        dest_block_ = kStepExpansion * kSourceBlock;
      }
      try {
        source_.assign(static_cast<size_t>(source_block_), 0);
        dest_.assign(static_cast<size_t>(dest_block_), 0);
      } catch (const std::bad_alloc&) {
        can_convert_ = false;
      }
    }
    if (!can_convert_) throw EMMADPCMError(kUnableToConvert);
    opened_ = true;
  }
  inherited::Opened();
}

void TMMADPCMConverter::Closed() {
  if (opened_) {
    Stopped();
    opened_ = false;
    std::vector<uint8_t>().swap(source_);
    std::vector<uint8_t>().swap(dest_);
  }
  inherited::Closed();
}

void TMMADPCMConverter::Started() {
  inherited::Started();
  if (opened_ && !started_) {
    started_ = true;
    more_buffers_ = false;
    end_of_input_ = false;
    decoded_length_ = 0;
    read_position_ = 0;
    carried_ = 0;
    state_ = TStepADPCMState{};
  }
}

void TMMADPCMConverter::Stopped() {
  if (started_) {
    started_ = false;
    read_position_ = decoded_length_;
  }
  inherited::Stopped();
}

void TMMADPCMConverter::Reset() {
  inherited::Reset();
  // After a seek the stream starts afresh at a block or code boundary.
  read_position_ = decoded_length_;
  carried_ = 0;
  end_of_input_ = false;
  state_ = TStepADPCMState{};
}

int32_t TMMADPCMConverter::DecodeBlocks(int32_t bytes) {
  const int32_t align = input_format_->nBlockAlign;
  const int32_t block_out = MSADPCMBlockOutputBytes(input_format_, target_format_->wBitsPerSample);
  // A part block waits for the rest, unless the input has ended.
  const int32_t whole = end_of_input_ ? bytes : bytes / align * align;
  const uint8_t silence = target_format_->wBitsPerSample == 8 ? 0x80 : 0;
  int32_t out = 0;
  for (int32_t offset = 0; offset < whole; offset += align) {
    const int32_t length = std::min(align, whole - offset);
    int32_t n = DecodeMSADPCM(input_format_, target_format_, source_.data() + offset, dest_.data() + out,
                              length, dest_block_ - out);
    if (n == 0 && length == align) {
      // A block that does not decode is silence, and the others still play.
      std::memset(dest_.data() + out, silence, static_cast<size_t>(block_out));
      n = block_out;
    }
    out += n;
  }
  carried_ = bytes - whole;
  if (carried_ > 0) std::memmove(source_.data(), source_.data() + whole, static_cast<size_t>(carried_));
  return out;
}

int32_t TMMADPCMConverter::Decode(int32_t bytes) {
  if (input_format_->wFormatTag == plat::WAVE_FORMAT_ADPCM) return DecodeBlocks(bytes);
  const bool stereo = input_format_->nChannels == 2;
  const bool wrap = input_format_->wFormatTag == WAVE_FORMAT_STEP_WRAP;
  auto* src = source_.data();
  auto* dst = dest_.data();
  int32_t n = 0;
  if (wrap) {
    n = stereo ? DecodeStepWrapStereo(state_, bytes, dst, src) : DecodeStepWrapMono(state_, bytes, dst, src);
  } else {
    n = stereo ? DecodeStepSatStereo(state_, bytes, dst, src) : DecodeStepSatMono(state_, bytes, dst, src);
  }
  // In place: each 8-bit sample lands at or before the 16-bit one it comes from.
  if (n > 0 && bit_length_ == engine::b8Bit) n = engine::ConvertPCMBits(8, dst, 16, dst, n);
  return n;
}

void TMMADPCMConverter::BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers) {
  if (!opened_ || !started_ || !enabled_) {
    inherited::BufferLoad(lpwh, more_buffers);
    return;
  }
  if (!Input()) return;
  auto* hdr = static_cast<TMMWaveHdr*>(lpwh);
  auto* data = reinterpret_cast<uint8_t*>(hdr->lpData);
  hdr->dwBytesRecorded = 0;
  int32_t wanted = static_cast<int32_t>(std::min<plat::DWORD>(hdr->dwBufferLength, INT32_MAX));
  int32_t recorded = 0;
  for (;;) {
    const int32_t n = std::min(decoded_length_ - read_position_, wanted);
    if (n > 0) {
      std::memcpy(data + recorded, dest_.data() + read_position_, static_cast<size_t>(n));
      read_position_ += n;
      recorded += n;
      wanted -= n;
      hdr->dwBytesRecorded = static_cast<plat::DWORD>(recorded);
    }
    if (hdr->LoopMark != 0 || !started_ || wanted <= 0) break;

    int32_t got = 0;
    if (!end_of_input_) {
      own_header_ = TMMWaveHdr{};
      own_header_.lpData = reinterpret_cast<char*>(source_.data() + carried_);
      own_header_.dwBufferLength = static_cast<plat::DWORD>(source_block_ - carried_);
      engine::CopyLoopFields(*hdr, own_header_);
      more_buffers_ = false;
      inherited::BufferLoad(&own_header_, more_buffers_);
      engine::CopyLoopFields(own_header_, *hdr);
      got = engine::ValidBytes(&own_header_);
      if (!more_buffers_ || got == 0) end_of_input_ = true;
    }
    if (!started_) break;
    if (got == 0 && carried_ == 0) break;
    const int32_t total = carried_ + got;
    carried_ = 0;
    decoded_length_ = Decode(total);
    read_position_ = 0;
    // A part block or a carried byte gives nothing yet; the next pull completes it.
    if (decoded_length_ == 0 && end_of_input_ && carried_ == 0) break;
  }
  more_buffers = more_buffers_ || read_position_ < decoded_length_;
}

}  // namespace files
