#pragma once
// TMMADPCMConverter: a pulled chain component that decodes the ADPCM formats
// the file units know (tag 2 with the standard coefficients; the step
// families: tag 3 with 4 bits, tags 0x33 and 0x206, mono or stereo) into
// PCM. Other inputs pass through. Tag-2 input is pulled and decoded in whole
// blocks; a block that does not decode becomes silence of its length, so no
// undecoded byte ever goes on as PCM. Pushed buffers pass through.
#include <cstdint>
#include <vector>

#include "engine/MMDSPObj.h"
#include "engine/MMTypes.h"
#include "engine/MMWaveHdr.h"
#include "files/MMADPCM.h"
#include "files/MMAntex.h"
#include "platform/vcl/Classes.h"

namespace files {

class EMMADPCMError : public vcl::Exception {
 public:
  using Exception::Exception;
};

class TMMADPCMConverter : public engine::TMMDSPComponent {
  VCL_DECLARE_CLASS(TMMADPCMConverter, engine::TMMDSPComponent)
 public:
  explicit TMMADPCMConverter(vcl::TComponent* owner);
  ~TMMADPCMConverter() override;

  void Loaded() override;
  // The own format follows the input; it cannot be set from outside.
  void SetFormat(const plat::WAVEFORMATEX*) override {}
  void SetInputFormat(const plat::WAVEFORMATEX* format) override;
  void Opened() override;
  void Closed() override;
  void Started() override;
  void Stopped() override;
  void Reset() override;
  void BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers) override;

  // Works out the PCM target for the input.
  virtual void SuggestFormat();

  engine::TMMBits BitLength() const { return bit_length_; }
  void SetBitLength(engine::TMMBits value);
  // Applied at once while closed, at the next open otherwise.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  // The input is PCM or one of the formats decoded here.
  bool CanConvert() const;

  // The bytes one pull asks of the input and the room its decode takes.
  int32_t SourceBlockSize() const { return source_block_; }
  int32_t DestBlockSize() const { return dest_block_; }

 private:
  void UpdateConversionFormat();
  // Decodes the source buffer's `bytes` into the destination buffer and
  // returns the bytes made; keeps a tag-2 part block for the next pull.
  int32_t Decode(int32_t bytes);
  int32_t DecodeBlocks(int32_t bytes);

  bool enabled_ = true;
  engine::TMMBits bit_length_ = engine::b16Bit;
  bool opened_ = false;
  bool started_ = false;
  plat::WAVEFORMATEX* input_format_ = nullptr;
  plat::WAVEFORMATEX* target_format_ = nullptr;
  bool non_pcm_ = false;
  bool can_convert_ = false;
  std::vector<uint8_t> source_;
  std::vector<uint8_t> dest_;
  int32_t source_block_ = 0;
  int32_t dest_block_ = 0;
  int32_t carried_ = 0;  // bytes of a part tag-2 block at the front of source_
  int32_t decoded_length_ = 0;
  int32_t read_position_ = 0;
  bool more_buffers_ = false;
  bool end_of_input_ = false;
  engine::TMMWaveHdr own_header_{};
  TStepADPCMState state_;
};

}  // namespace files
