#pragma once
// Chain components that change the wave format of what passes through them
// with the compression manager: TMMACMConverter into a format set from
// outside, TMMPCMConverter into PCM (the manager's suggestion for the input,
// or one built from its own properties). Equal formats or a disabled
// converter pass the data through. Both work pushed and pulled.
#include <cstdint>

#include "engine/MMACMSup.h"
#include "engine/MMDSPObj.h"
#include "engine/MMTypes.h"
#include "engine/MMUtils.h"
#include "engine/MMWaveHdr.h"
#include "platform/vcl/Classes.h"

namespace files {

class EMMConverterError : public vcl::Exception {
 public:
  using Exception::Exception;
};

enum TMMConvertQuality : uint8_t { cqHigh, cqLow };

enum TMMRequiredParam : uint8_t { rpBits, rpChannels, rpSampleRate };
using TMMRequiredParams = vcl::TSet<TMMRequiredParam>;

class TMMACMConverter : public engine::TMMDSPComponent {
  VCL_DECLARE_CLASS(TMMACMConverter, engine::TMMDSPComponent)
 public:
  explicit TMMACMConverter(vcl::TComponent* owner);
  ~TMMACMConverter() override;

  void Loaded() override;
  // The format to convert into; ignored for null and while loading.
  void SetFormat(const plat::WAVEFORMATEX* format) override;
  void SetInputFormat(const plat::WAVEFORMATEX* format) override;
  void Opened() override;
  void Closed() override;
  void Started() override;
  void Stopped() override;
  void Reset() override;
  void BufferReady(plat::WAVEHDR* lpwh) override;
  void BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers) override;

  // Works out the target format.
  virtual void SuggestFormat();

  // Takes effect at the next format update and the next open.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value) { enabled_ = value; }
  TMMConvertQuality Quality() const { return quality_; }
  void SetQuality(TMMConvertQuality value) { quality_ = value; }

  bool FormatsDiffer() const { return formats_differ_; }
  bool CanConvert() const { return can_convert_; }
  // A conversion exists: the formats differ and the chain is open.
  bool Converting() const { return conversion_ != nullptr; }
  // The conversion failed; the stream has ended until the chain is closed.
  bool Failed() const { return failed_; }

 protected:
  const plat::WAVEFORMATEX* InputFormat() const { return input_format_; }
  const plat::WAVEFORMATEX* RequestedFormat() const { return requested_format_; }
  // Takes ownership of a GlobalAllocZeroed block (or null).
  void SetTargetFormat(plat::WAVEFORMATEX* format);
  const plat::WAVEFORMATEX* TargetFormat() const { return target_format_; }
  void UpdateConversionFormat();
  // Why Opened refuses a stream the formats alone allow; empty when it does not.
  virtual std::string RefusalReason() const { return {}; }

 private:
  bool RealTime() const { return quality_ == cqLow; }
  [[noreturn]] void Fail(const std::string& message);
  void DropUnread();
  // Passes the conversion's unread output down in buffers of BufferSize.
  void DeliverOutput();

  bool enabled_ = true;
  bool opened_ = false;
  bool started_ = false;
  int32_t block_size_ = 0;
  plat::WAVEFORMATEX* input_format_ = nullptr;
  plat::WAVEFORMATEX* requested_format_ = nullptr;
  plat::WAVEFORMATEX* target_format_ = nullptr;
  bool formats_differ_ = false;
  bool can_convert_ = false;
  engine::TMMACMConversion* conversion_ = nullptr;
  bool more_buffers_ = false;
  bool end_of_input_ = false;
  bool failed_ = false;
  TMMConvertQuality quality_ = cqLow;
  engine::TMMWaveHdr own_header_{};
};

class TMMPCMConverter : public TMMACMConverter {
  VCL_DECLARE_CLASS(TMMPCMConverter, TMMACMConverter)
 public:
  explicit TMMPCMConverter(vcl::TComponent* owner);

  // Outside design time a format that is not valid PCM raises.
  void SetFormat(const plat::WAVEFORMATEX* format) override;
  void SuggestFormat() override;

  bool AutoConvert() const { return auto_convert_; }
  void SetAutoConvert(bool value);
  engine::TMMBits BitLength() const { return bit_length_; }
  void SetBitLength(engine::TMMBits value);
  // mMono or mStereo; anything else is ignored.
  engine::TMMMode Mode() const { return mode_; }
  void SetMode(engine::TMMMode value);
  // Clamped to 8000..88200.
  int32_t SampleRate() const { return sample_rate_; }
  void SetSampleRate(int32_t value);
  TMMRequiredParams Required() const { return required_; }
  void SetRequired(TMMRequiredParams value);

 protected:
  std::string RefusalReason() const override;

 private:
  void Resuggest();

  bool auto_convert_ = true;
  engine::TMMBits bit_length_ = engine::b8Bit;
  engine::TMMMode mode_ = engine::mMono;
  int32_t sample_rate_ = 11025;
  TMMRequiredParams required_{rpBits, rpChannels, rpSampleRate};
};

// The PCM the chain takes for a PCM input it cannot: 16 bits for wider
// samples, a rate halved until the devices take it. Channels stay.
plat::WAVEFORMATEX PlayablePCMFormat(const plat::WAVEFORMATEX& input);

}  // namespace files
