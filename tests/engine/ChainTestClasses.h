#pragma once
// Chain classes for the chain, segment and form tests: a source device, a
// passive member, a sink device, an internal member that publishes no Input,
// and a root to own them. Every notification goes into one log.
#include <string>
#include <vector>

#include "engine/MMDSPObj.h"
#include "platform/vcl/TypInfo.h"

namespace enginetest {

using namespace engine;

std::vector<std::string>& ChainLog();
std::string JoinedChainLog();
void RegisterChainTestClasses();

// A 16-bit PCM format at 44100 Hz.
plat::WAVEFORMATEX PcmFormat(int channels);

class TTestChainForm : public vcl::TComponent {
  VCL_DECLARE_CLASS(TTestChainForm, vcl::TComponent)
 public:
  explicit TTestChainForm(vcl::TComponent* owner) : vcl::TComponent(owner) {}
};

// A passive member: logs "Name.Note[buffer size]".
class TTestPassive : public TMMDSPComponent {
  VCL_DECLARE_CLASS(TTestPassive, TMMDSPComponent)
 public:
  explicit TTestPassive(vcl::TComponent* owner) : TMMDSPComponent(owner) {}
  void Opened() override;
  void Closed() override;
  void Started() override;
  void Paused() override;
  void Restarted() override;
  void Stopped() override;
  void Reset() override;
  void Looped() override;
  using TMMDSPComponent::SetConnectableAsInput;
};

// A device: logs "Name>Note" on entry and "Name<Note" once its own state is set.
class TTestDevice : public TMMCustomSoundComponent {
  VCL_DECLARE_CLASS(TTestDevice, TMMCustomSoundComponent)
 public:
  explicit TTestDevice(vcl::TComponent* owner) : TMMCustomSoundComponent(owner) {}
  void SetNumBuffers(int32_t value) override { num_buffers_ = value; }
  int32_t NumBuffers() const override { return num_buffers_; }
  void SetDeviceID(TMMDeviceId value) override { device_id_ = value; }
  TMMDeviceId DeviceID() const override { return device_id_; }
  void SetProductName(const std::string& value) override { product_ = value; }
  std::string ProductName() const override { return product_; }
  void SetCallBackMode(TMMCBMode value) override { mode_ = value; }
  TMMCBMode CallBackMode() const override { return mode_; }

  // The format this device produces: 0 channels for none.
  int Channels() const { return channels_; }
  void SetChannels(int value);

  void Opened() override;
  void Closed() override;
  void Started() override;
  void Paused() override;
  void Restarted() override;
  void Stopped() override;
  void Reset() override;
  void Looped() override;

 private:
  int32_t num_buffers_ = 2;
  TMMDeviceId device_id_ = 0;
  std::string product_;
  TMMCBMode mode_ = cmWindow;
  int channels_ = 0;
};

// A source device: publishes Output only, like the wave input.
class TTestSource : public TTestDevice {
  VCL_DECLARE_CLASS(TTestSource, TTestDevice)
 public:
  explicit TTestSource(vcl::TComponent* owner) : TTestDevice(owner) {}
};

// A device in the middle or at the end of a chain: publishes both links.
class TTestSink : public TTestDevice {
  VCL_DECLARE_CLASS(TTestSink, TTestDevice)
 public:
  explicit TTestSink(vcl::TComponent* owner) : TTestDevice(owner) {}
};

// An internal member that publishes Output only and is linked below another
// component through ConnectableAsInput.
class TTestInternal : public TMMDSPComponent {
  VCL_DECLARE_CLASS(TTestInternal, TMMDSPComponent)
 public:
  explicit TTestInternal(vcl::TComponent* owner) : TMMDSPComponent(owner) {}
  using TMMDSPComponent::SetConnectableAsInput;
};

// A chain component that publishes no link at all.
class TTestUnlinkable : public TMMDSPComponent {
  VCL_DECLARE_CLASS(TTestUnlinkable, TMMDSPComponent)
 public:
  explicit TTestUnlinkable(vcl::TComponent* owner) : TMMDSPComponent(owner) {}
};

}  // namespace enginetest
