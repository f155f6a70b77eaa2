#pragma once
// The plug-in stage: a chain member that runs one module of a loaded DSP
// plug-in library on the 16-bit PCM buffers passing it. Pushed buffers are
// processed in place; pulled data goes through a buffer of the stage's own,
// because a module may change the number of samples, and is handed out in
// the sizes asked for. Every call into the plug-in is made under the stage's
// lock.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/MMDSPObj.h"
#include "engine/MMObj.h"
#include "engine/MMPlgDSP.h"
#include "engine/MMWaveHdr.h"

namespace engine {

class EMMPlugInError : public vcl::Exception {
 public:
  using Exception::Exception;
};

class TMMDSPPlugin : public TMMDSPComponent {
  VCL_DECLARE_CLASS(TMMDSPPlugin, TMMDSPComponent)
 public:
  explicit TMMDSPPlugin(vcl::TComponent* owner);
  ~TMMDSPPlugin() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value) { enabled_ = value; }

  // Replaces the loaded plug-in; False when FileName is no plug-in, which
  // leaves the stage without one.
  bool LoadPlugin(const std::string& FileName);
  void UnloadPlugin();
  bool HasPlugin() const { return plugin_ != nullptr; }
  // The loaded plug-in's description, or null.
  const TMMDSPPluginInfo* PluginInfo() const { return plugin_.get(); }

  // Opens the loaded library for use with ParentWnd as the modules' parent.
  void OpenPlugin(plat::HWND ParentWnd);
  // OpenPlugin for the top-level form that owns the stage.
  void OpenPluginForOwner();

  int32_t ModuleIndex() const { return module_index_; }
  // Raises "Invalid Module index" outside 0..ModuleCount-1 or without a plug-in.
  void SetModuleIndex(int32_t value);
  bool ModuleInitialized() const;

  void InitModule();
  void QuitModule();
  // Clears the pull state and restarts the initialised module.
  void RestartModule();

  bool StageOpened() const { return stage_opened_; }
  bool StageStarted() const { return stage_started_; }

  void ChangeDesignMode(bool value) override;
  void SetFormat(const plat::WAVEFORMATEX* format) override;
  void Opened() override;
  void Closed() override;
  void Started() override;
  void Stopped() override;
  void Reset() override;
  void BufferReady(plat::WAVEHDR* lpwh) override;
  void BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers) override;

 private:
  // Holds the lock for a scope; does nothing while there is none (design mode).
  class Guard {
   public:
    explicit Guard(TMMCriticalSection* lock) : lock_(lock) {
      if (lock_) lock_->Acquire();
    }
    ~Guard() {
      if (lock_) lock_->Release();
    }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

   private:
    TMMCriticalSection* lock_;
  };

  bool ValidModuleIndex() const;
  TMMDSPModuleEntry* SelectedEntry();
  // Runs the module over `bytes` of data; a module that is not initialised,
  // fails or faults leaves the data as it was. Capacity bounds the result.
  int32_t Process(char* data, int32_t bytes, int32_t capacity);
  void ResetPullState();
  void PullThroughModule(TMMWaveHdr* buffer, bool& more_buffers);
  void RefillPullBuffer(TMMWaveHdr* buffer);

  std::unique_ptr<TMMCriticalSection> lock_;
  bool enabled_ = true;
  bool stage_opened_ = false;
  bool stage_started_ = false;
  int32_t module_index_ = 0;
  PMMDSPPluginInfo plugin_;
  TMMWaveHdr pull_hdr_{};
  int32_t pull_capacity_ = 0;
  int32_t pull_read_pos_ = 0;
  bool more_from_input_ = false;
  bool input_ended_ = false;
  bool fault_reported_ = false;  // the module's last fault went to the application
  // The data as it was before the module ran, to give back when it fails.
  std::vector<char> backup_;
};

}  // namespace engine
