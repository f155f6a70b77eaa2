#include "files/MMLame.h"

#include <algorithm>
#include <cstring>

#include "engine/MMObj.h"
#include "engine/MMUtils.h"
#include "files/MMFileGuard.h"
#include "platform/kernel/Files.h"
#include "platform/vcl/TypInfo.h"

namespace files {

using plat::WAVEFORMATEX;
using vcl::Exception;

namespace {

constexpr uint16_t kChangeWhileOpenMessage = 60;
// A write needs its bytes and this much more free on the disk.
constexpr int64_t kDiskReserve = 10240;

// The record's preset numbers, in the order of TMMPreset.
constexpr int32_t kPresetNumbers[] = {-1, 0,  1,    2,    3,    4,    5,    6,    7,    8,    9,    10,
                                      11, 12, 1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 10000};
static_assert(std::size(kPresetNumbers) == prStudio + 1);

// The rates an MPEG layer 3 stream can have.
constexpr uint32_t kMpegRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};

int32_t Flag(bool value) { return value ? -1 : 0; }

}  // namespace

VCL_IMPLEMENT_CLASS(
    TMMMP3Encoder, engine::DSPInputProp(), engine::DSPOnBufferReadyProp(),
    vcl::published::EnumProp("MpegVersion", &TMMMP3Encoder::MpegVersion, &TMMMP3Encoder::SetMpegVersion,
                             {"v1", "v2", "v25"})
        .Default(TMMMpegVersion::v1),
    vcl::published::EnumProp("ChannelMode", &TMMMP3Encoder::ChannelMode, &TMMMP3Encoder::SetChannelMode,
                             {"cmAuto", "cmStereo", "cmJointStereo", "cmDualChannel", "cmMono"})
        .Default(cmAuto),
    vcl::published::IntProp("Bitrate", &TMMMP3Encoder::Bitrate, &TMMMP3Encoder::SetBitrate).Default(160),
    vcl::published::IntProp("BitrateMax", &TMMMP3Encoder::BitrateMax, &TMMMP3Encoder::SetBitrateMax)
        .Default(320),
    vcl::published::IntProp("SampleRate", &TMMMP3Encoder::SampleRate, &TMMMP3Encoder::SetSampleRate)
        .Default(0),
    vcl::published::IntProp("Quality", &TMMMP3Encoder::Quality, &TMMMP3Encoder::SetQuality).Default(2),
    vcl::published::BoolProp("Copyright", &TMMMP3Encoder::Copyright, &TMMMP3Encoder::SetCopyright)
        .Default(false),
    vcl::published::BoolProp("Privat", &TMMMP3Encoder::Privat, &TMMMP3Encoder::SetPrivat).Default(false),
    vcl::published::BoolProp("CRC", &TMMMP3Encoder::CRC, &TMMMP3Encoder::SetCRC).Default(false),
    vcl::published::BoolProp("Original", &TMMMP3Encoder::Original, &TMMMP3Encoder::SetOriginal)
        .Default(false),
    vcl::published::EnumProp("Preset", &TMMMP3Encoder::Preset, &TMMMP3Encoder::SetPreset,
                             {"prNoPreset",
                              "prNormalQuality",
                              "prLowQuality",
                              "prHighQuality",
                              "prVoiceQuality",
                              "prR3Mix",
                              "prVeryHighQuality",
                              "prStandard",
                              "prFastStandard",
                              "prExtreme",
                              "prFastExtreme",
                              "prInsane",
                              "prABR",
                              "prCBR",
                              "prPhone",
                              "prSW",
                              "prAM",
                              "prFM",
                              "prVoice",
                              "prRadio",
                              "prTape",
                              "prHifi",
                              "prCD",
                              "prStudio"})
        .Default(prNoPreset),
    vcl::published::BoolProp("VBREnabled", &TMMMP3Encoder::VBREnabled, &TMMMP3Encoder::SetVBREnabled)
        .Default(false),
    vcl::published::BoolProp("WriteVBRHeader", &TMMMP3Encoder::WriteVBRHeader,
                             &TMMMP3Encoder::SetWriteVBRHeader)
        .Default(true),
    vcl::published::IntProp("VBRQuality", &TMMMP3Encoder::VBRQuality, &TMMMP3Encoder::SetVBRQuality)
        .Default(5),
    vcl::published::EnumProp("VBRMethod", &TMMMP3Encoder::VBRMethod, &TMMMP3Encoder::SetVBRMethod,
                             {"vbrNone", "vbrDefault", "vbrOld", "vbrNew", "vbrMTRH", "vbrABR"})
        .Default(vbrDefault),
    vcl::published::BoolProp("StrictISO", &TMMMP3Encoder::StrictISO, &TMMMP3Encoder::SetStrictISO)
        .Default(false),
    vcl::published::BoolProp("NoBitRes", &TMMMP3Encoder::NoBitRes, &TMMMP3Encoder::SetNoBitRes)
        .Default(false),
    vcl::published::StrProp("FileName", &TMMMP3Encoder::FileName, &TMMMP3Encoder::SetFileName),
    vcl::published::EnumProp("FileType", &TMMMP3Encoder::FileType, &TMMMP3Encoder::SetFileType,
                             {"ftWAV", "ftRAW"})
        .Default(ftRAW))

TMMMP3Encoder::TMMMP3Encoder(vcl::TComponent* owner)
    : engine::TMMDSPComponent(owner), wave_(std::make_unique<TMMWave>()) {}

TMMMP3Encoder::~TMMMP3Encoder() {
  // A file that cannot be completed here keeps its temporary name; nobody is
  // left to tell.
  try {
    Closed();
  } catch (const std::exception&) {
  }
}

void TMMMP3Encoder::SetFileName(const std::string& value) {
  if (value == file_name_) return;
  if (encoder_open_) throw Exception(engine::LoadLibraryMessage(kChangeWhileOpenMessage));
  file_name_ = value;
}

void TMMMP3Encoder::SetFileType(TMMFileType value) {
  if (value == file_type_) return;
  if (encoder_open_) throw Exception(engine::LoadLibraryMessage(kChangeWhileOpenMessage));
  file_type_ = value;
}

TBEConfig TMMMP3Encoder::BuildConfig(const WAVEFORMATEX& input) const {
  TBEConfig c{};
  c.dwConfig = BE_CONFIG_LAME;
  c.dwStructVersion = BE_CONFIG_VERSION;
  c.dwStructSize = BE_CONFIG_SIZE;
  c.dwSampleRate = input.nSamplesPerSec;
  c.dwReSampleRate = sample_rate_;
  if (input.nChannels == 1) {
    c.nMode = BE_MP3_MODE_MONO;
  } else {
    static constexpr int32_t kModes[] = {0, BE_MP3_MODE_STEREO, BE_MP3_MODE_JSTEREO, BE_MP3_MODE_DUALCHANNEL,
                                         BE_MP3_MODE_STEREO};
    c.nMode = channel_mode_ == cmAuto ? (bitrate_ <= 128 ? BE_MP3_MODE_JSTEREO : BE_MP3_MODE_STEREO)
                                      : kModes[channel_mode_];
  }
  c.dwBitrate = static_cast<uint32_t>(bitrate_);
  c.dwMaxBitrate = static_cast<uint32_t>(bitrate_max_);
  c.nPreset = kPresetNumbers[preset_];
  static constexpr uint32_t kVersions[] = {1, 0, 2};
  c.dwMpegVersion = kVersions[static_cast<int>(mpeg_version_)];
  c.bPrivate = Flag(privat_);
  c.bCRC = Flag(crc_);
  c.bCopyright = Flag(copyright_);
  c.bOriginal = Flag(original_);
  c.bWriteVBRHeader = Flag(write_vbr_header_);
  c.bEnableVBR = Flag(vbr_enabled_);
  c.nVBRQuality = vbr_quality_;
  c.dwVbrAbr_bps = preset_ == prABR || vbr_method_ == vbrABR ? static_cast<uint32_t>(bitrate_) : 0;
  c.nVbrMethod = static_cast<int32_t>(vbr_method_) - 1;
  c.bNoRes = Flag(no_bit_res_);
  c.bStrictIso = Flag(strict_iso_);
  c.nQuality = static_cast<uint16_t>(quality_);
  return c;
}

plat::MPEGLAYER3WAVEFORMAT TMMMP3Encoder::BuildWaveFormat(const WAVEFORMATEX& input) const {
  plat::MPEGLAYER3WAVEFORMAT f{};
  // The rate the stream is written at, which is the input's unless asked otherwise.
  const uint32_t rate = sample_rate_ ? sample_rate_ : input.nSamplesPerSec;
  f.wfx.wFormatTag = plat::WAVE_FORMAT_MPEGLAYER3;
  f.wfx.nChannels = input.nChannels;
  f.wfx.nSamplesPerSec = rate;
  f.wfx.nAvgBytesPerSec = static_cast<uint32_t>(bitrate_) * 1000 / 8;
  f.wfx.nBlockAlign = 1;
  f.wfx.wBitsPerSample = 0;
  f.wfx.cbSize = plat::MPEGLAYER3_WFX_EXTRA_BYTES;
  f.wID = plat::MPEGLAYER3_ID_MPEG;
  f.fdwFlags = vbr_enabled_ ? plat::MPEGLAYER3_FLAG_PADDING_ISO : plat::MPEGLAYER3_FLAG_PADDING_OFF;
  const uint64_t samples_per_frame = rate >= 32000 ? 1152 : 576;
  f.nBlockSize = rate ? static_cast<uint16_t>(samples_per_frame * f.wfx.nAvgBytesPerSec / rate) : 0;
  f.nFramesPerBlock = 1;
  f.nCodecDelay = 0;
  return f;
}

void TMMMP3Encoder::Opened() {
  engine::TMMDSPComponent::Opened();
  const WAVEFORMATEX* format = GetFormat();
  if (encoder_open_ || !format || !Input()) return;
  if (!LoadLameEncoder())
    throw Exception("Unable to load Lame Encoder DLL (Lame_Enc.dll): " + LameEncoderFileName() +
                    " is missing");
  // Calling an entry the module lacks would crash the pushing thread.
  if (const std::string missing = MissingLameEntry(); !missing.empty())
    throw Exception("Unable to load Lame Encoder DLL (Lame_Enc.dll): it has no entry " + missing);
  if (format->wFormatTag != plat::WAVE_FORMAT_PCM || format->wBitsPerSample != 16 || format->nChannels < 1 ||
      format->nChannels > 2)
    throw Exception("Unsupported Input Format");
  const uint32_t rate = sample_rate_ ? sample_rate_ : format->nSamplesPerSec;
  if (std::find(std::begin(kMpegRates), std::end(kMpegRates), rate) == std::end(kMpegRates))
    throw Exception("Unsupported Input Format: MP3 cannot keep a sample rate of " + std::to_string(rate) +
                    " Hz");

  TBEConfig config = BuildConfig(*format);
  block_align_ = 2u * format->nChannels;
  if (!file_name_.empty()) CreateOutput(*format);
  uint32_t buffer_size = 0;
  if (LameEncoder().beInitStream(&config, &chunk_samples_, &buffer_size, &stream_) != BE_ERR_SUCCESSFUL) {
    stream_ = nullptr;
    Release();
    throw Exception("Unable to initialize stream");
  }
  chunk_bytes_ = chunk_samples_ * 2;
  output_.assign(buffer_size, 0);
  input_.assign(chunk_bytes_, 0);
  fill_ = 0;
  encoder_open_ = true;
}

void TMMMP3Encoder::CreateOutput(const WAVEFORMATEX& input) {
  // The target is replaced only when the new file is complete, and never
  // while something reads it.
  if (IsFileOpenForReading(file_name_)) throw Exception("Unable to create file: it is open for reading");
  temp_name_ = TemporaryFileName(file_name_);
  if (file_type_ == ftRAW) {
    raw_file_ = std::fopen(plat::ResolvePath(temp_name_).c_str(), "wb");
    if (!raw_file_) {
      temp_name_.clear();
      throw Exception("Unable to create file");
    }
    return;
  }
  const plat::MPEGLAYER3WAVEFORMAT format = BuildWaveFormat(input);
  try {
    wave_->CreateFile(temp_name_, &format.wfx);
  } catch (const std::exception& e) {
    temp_name_.clear();
    throw Exception(std::string("Unable to create file: ") + e.what());
  }
}

void TMMMP3Encoder::Started() {
  engine::TMMDSPComponent::Started();
  if (encoder_open_ && !encoding_) {
    encoding_ = true;
    fill_ = 0;
  }
}

uint32_t TMMMP3Encoder::EncodeChunk(const uint8_t* data, uint32_t samples) {
  uint32_t bytes = 0;
  if (LameEncoder().beEncodeChunk(stream_, samples, reinterpret_cast<const int16_t*>(data), output_.data(),
                                  &bytes) != BE_ERR_SUCCESSFUL)
    throw Exception("Unable to encode data");
  return bytes;
}

void TMMMP3Encoder::BufferReady(plat::WAVEHDR* lpwh) {
  if (!encoding_ || !Input() || !lpwh) return;
  uint32_t bytes = static_cast<uint32_t>(engine::ValidBytes(lpwh));
  const auto* data = reinterpret_cast<const uint8_t*>(lpwh->lpData);
  if (fill_ > 0) {
    const uint32_t take = std::min(chunk_bytes_ - fill_, bytes);
    std::memcpy(input_.data() + fill_, data, take);
    fill_ += take;
    data += take;
    bytes -= take;
    if (fill_ == chunk_bytes_) {
      fill_ = 0;
      if (!WriteOutput(EncodeChunk(input_.data(), chunk_samples_))) return Abort();
    }
  }
  while (bytes >= chunk_bytes_) {
    if (!WriteOutput(EncodeChunk(data, chunk_samples_))) return Abort();
    data += chunk_bytes_;
    bytes -= chunk_bytes_;
  }
  if (bytes > 0) {
    std::memcpy(input_.data() + fill_, data, bytes);
    fill_ += bytes;
  }
}

bool TMMMP3Encoder::WriteOutput(uint32_t bytes) {
  if (bytes == 0) return true;
  if (!file_name_.empty()) {
    if (!engine::HasDiskFreeSpace(file_name_, static_cast<int64_t>(bytes) + kDiskReserve)) return false;
    const bool written =
        file_type_ == ftRAW
            ? std::fwrite(output_.data(), 1, bytes, raw_file_) == bytes
            : wave_->WriteData(output_.data(), static_cast<int32_t>(bytes)) == static_cast<int32_t>(bytes);
    if (!written) return false;
  }
  header_ = {};
  header_.lpData = reinterpret_cast<char*>(output_.data());
  header_.dwBufferLength = static_cast<plat::DWORD>(output_.size());
  header_.dwBytesRecorded = bytes;
  engine::TMMDSPComponent::BufferReady(&header_);
  return true;
}

void TMMMP3Encoder::Stopped() {
  if (encoder_open_ && encoding_) {
    encoding_ = false;
    // A trailing part of a sample frame cannot be encoded.
    const uint32_t whole = fill_ / block_align_ * block_align_;
    fill_ = 0;
    if (whole > 0 && !WriteOutput(EncodeChunk(input_.data(), whole / 2))) return Abort();
    uint32_t out = 0;
    if (LameEncoder().beDeinitStream(stream_, output_.data(), &out) != BE_ERR_SUCCESSFUL)
      throw Exception("Unable to deinitialize stream");
    if (!WriteOutput(out)) return Abort();
  }
  engine::TMMDSPComponent::Stopped();
}

std::string TMMMP3Encoder::FinishOutput() {
  std::string failure;
  if (raw_file_) {
    if (std::fclose(raw_file_) != 0) failure = "Unable to write file";
    raw_file_ = nullptr;
  }
  if (wave_->Opened() || !wave_->FileName().empty()) {
    try {
      wave_->CloseFile();
    } catch (const std::exception& e) {
      failure = e.what();
    }
    wave_->FreeWave();
  }
  return failure;
}

void TMMMP3Encoder::Abort() {
  // Nothing more is written; the file keeps what it has.
  encoding_ = false;
  Closed();
}

void TMMMP3Encoder::Release() {
  FinishOutput();
  if (stream_) LameEncoder().beCloseStream(stream_);
  stream_ = nullptr;
  if (!temp_name_.empty()) std::remove(plat::ResolvePath(temp_name_).c_str());
  temp_name_.clear();
  input_.clear();
  output_.clear();
}

void TMMMP3Encoder::Closed() {
  if (encoder_open_) {
    Stopped();
    std::string failure = FinishOutput();
    if (stream_) {
      // The tag is taken while the stream is still open, and written over
      // the first frame of the finished file before it takes the target's place.
      if (!temp_name_.empty() && failure.empty()) {
        const std::string path = plat::ResolvePath(temp_name_);
        const TLameEncoder& lame = LameEncoder();
        const uint32_t result = lame.beWriteInfoTag     ? lame.beWriteInfoTag(stream_, path.c_str())
                                : lame.beWriteVBRHeader ? lame.beWriteVBRHeader(path.c_str())
                                                        : BE_ERR_SUCCESSFUL;
        if (result != BE_ERR_SUCCESSFUL && lame.beWriteInfoTag) failure = "Unable to write the info tag";
      }
      LameEncoder().beCloseStream(stream_);
      stream_ = nullptr;
    }
    if (!temp_name_.empty()) {
      if (failure.empty() && !ReplaceFileWith(temp_name_, file_name_))
        failure = "Unable to replace " + file_name_ + " with the encoded file";
      else if (failure.empty())
        temp_name_.clear();
    }
    const std::string kept = temp_name_;
    temp_name_.clear();
    input_.clear();
    output_.clear();
    fill_ = 0;
    encoder_open_ = false;
    engine::TMMDSPComponent::Closed();
    if (!failure.empty()) {
      throw Exception(failure + (kept.empty() ? "" : " (the encoded data is in " + kept + ")"));
    }
    return;
  }
  engine::TMMDSPComponent::Closed();
}

}  // namespace files
