#pragma once
// The MP3 encoder as a chain sink: 16-bit PCM pushed into it is encoded by
// the encoder module and written to a plain MP3 file or a RIFF WAVE file
// holding MPEG layer 3 data; every encoded block also goes to OnBufferReady.
//
// The output keeps the input's sample rate unless SampleRate asks for
// another; a rate the encoder cannot write is refused at Opened. The file is
// written under a temporary name and replaces the target when it is closed,
// with the info tag over its first frame (never over the RIFF header).
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/MMDSPObj.h"
#include "files/LameEnc.h"
#include "files/MMWave.h"
#include "platform/mm/MMSystem.h"

namespace files {

enum class TMMMpegVersion : uint8_t { v1, v2, v25 };
enum TMMChannelMode : uint8_t { cmAuto, cmStereo, cmJointStereo, cmDualChannel, cmMono };
enum TMMPreset : uint8_t {
  prNoPreset,
  prNormalQuality,
  prLowQuality,
  prHighQuality,
  prVoiceQuality,
  prR3Mix,
  prVeryHighQuality,
  prStandard,
  prFastStandard,
  prExtreme,
  prFastExtreme,
  prInsane,
  prABR,
  prCBR,
  prPhone,
  prSW,
  prAM,
  prFM,
  prVoice,
  prRadio,
  prTape,
  prHifi,
  prCD,
  prStudio
};
enum TMMVBRMethod : uint8_t { vbrNone, vbrDefault, vbrOld, vbrNew, vbrMTRH, vbrABR };
enum TMMFileType : uint8_t { ftWAV, ftRAW };
using TMMQuality = int32_t;  // 0..9

class TMMMP3Encoder : public engine::TMMDSPComponent {
  VCL_DECLARE_CLASS(TMMMP3Encoder, engine::TMMDSPComponent)
 public:
  explicit TMMMP3Encoder(vcl::TComponent* owner);
  ~TMMMP3Encoder() override;

  void Opened() override;
  void Closed() override;
  void Started() override;
  void Stopped() override;
  void BufferReady(plat::WAVEHDR* lpwh) override;

  // The stream configuration for an input of this format.
  TBEConfig BuildConfig(const plat::WAVEFORMATEX& input) const;
  // The layer 3 wave format of the RIFF form for an input of this format.
  plat::MPEGLAYER3WAVEFORMAT BuildWaveFormat(const plat::WAVEFORMATEX& input) const;

  TMMMpegVersion MpegVersion() const { return mpeg_version_; }
  void SetMpegVersion(TMMMpegVersion value) { mpeg_version_ = value; }
  TMMChannelMode ChannelMode() const { return channel_mode_; }
  void SetChannelMode(TMMChannelMode value) { channel_mode_ = value; }
  int32_t Bitrate() const { return bitrate_; }
  void SetBitrate(int32_t value) { bitrate_ = value; }
  int32_t BitrateMax() const { return bitrate_max_; }
  void SetBitrateMax(int32_t value) { bitrate_max_ = value; }
  uint32_t SampleRate() const { return sample_rate_; }
  void SetSampleRate(uint32_t value) { sample_rate_ = value; }
  TMMQuality Quality() const { return quality_; }
  void SetQuality(TMMQuality value) { quality_ = value; }
  bool Copyright() const { return copyright_; }
  void SetCopyright(bool value) { copyright_ = value; }
  bool Privat() const { return privat_; }
  void SetPrivat(bool value) { privat_ = value; }
  bool CRC() const { return crc_; }
  void SetCRC(bool value) { crc_ = value; }
  bool Original() const { return original_; }
  void SetOriginal(bool value) { original_ = value; }
  TMMPreset Preset() const { return preset_; }
  void SetPreset(TMMPreset value) { preset_ = value; }
  bool VBREnabled() const { return vbr_enabled_; }
  void SetVBREnabled(bool value) { vbr_enabled_ = value; }
  bool WriteVBRHeader() const { return write_vbr_header_; }
  void SetWriteVBRHeader(bool value) { write_vbr_header_ = value; }
  TMMQuality VBRQuality() const { return vbr_quality_; }
  void SetVBRQuality(TMMQuality value) { vbr_quality_ = value; }
  TMMVBRMethod VBRMethod() const { return vbr_method_; }
  void SetVBRMethod(TMMVBRMethod value) { vbr_method_ = value; }
  bool StrictISO() const { return strict_iso_; }
  void SetStrictISO(bool value) { strict_iso_ = value; }
  bool NoBitRes() const { return no_bit_res_; }
  void SetNoBitRes(bool value) { no_bit_res_ = value; }
  std::string FileName() const { return file_name_; }
  // Both raise while the encoder is open.
  void SetFileName(const std::string& value);
  TMMFileType FileType() const { return file_type_; }
  void SetFileType(TMMFileType value);

  bool EncoderOpened() const { return encoder_open_; }

 private:
  // Encodes 16-bit samples into the output buffer; the bytes it holds then.
  uint32_t EncodeChunk(const uint8_t* data, uint32_t samples);
  // Writes the output buffer's first `bytes`; false when the file took them
  // not (disk full or a write error).
  bool WriteOutput(uint32_t bytes);
  void CreateOutput(const plat::WAVEFORMATEX& input);
  // Closes the file; returns why the output could not be completed, or empty.
  std::string FinishOutput();
  // Ends the encoding after a failed write: closes without flushing.
  void Abort();
  void Release();

  TMMMpegVersion mpeg_version_ = TMMMpegVersion::v1;
  TMMChannelMode channel_mode_ = cmAuto;
  int32_t bitrate_ = 160;
  int32_t bitrate_max_ = 320;
  uint32_t sample_rate_ = 0;
  TMMQuality quality_ = 2;
  bool copyright_ = false;
  bool privat_ = false;
  bool crc_ = false;
  bool original_ = false;
  TMMPreset preset_ = prNoPreset;
  bool vbr_enabled_ = false;
  bool write_vbr_header_ = true;
  TMMQuality vbr_quality_ = 5;
  TMMVBRMethod vbr_method_ = vbrDefault;
  bool strict_iso_ = false;
  bool no_bit_res_ = false;
  std::string file_name_;
  TMMFileType file_type_ = ftRAW;

  std::unique_ptr<TMMWave> wave_;
  std::FILE* raw_file_ = nullptr;
  std::string temp_name_;  // what is written until it replaces file_name_
  bool encoder_open_ = false;
  bool encoding_ = false;
  TBEStream stream_ = nullptr;
  uint32_t chunk_samples_ = 0;
  uint32_t chunk_bytes_ = 0;
  uint32_t block_align_ = 2;
  std::vector<uint8_t> input_;
  uint32_t fill_ = 0;
  std::vector<uint8_t> output_;
  plat::WAVEHDR header_{};
};

}  // namespace files
