#pragma once
// Components that keep a file's bytes inside themselves: loaded from a file,
// stored in the form description they sit on (FileData: a 32-bit count and
// the bytes), saved back to a file; and a wave sound played from a file, a
// program resource, its own stored bytes or a desktop event.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/kernel/Types.h"
#include "platform/vcl/Streams.h"
#include "utility/qelComponents.h"

namespace utility {

class EqelFileStorage : public vcl::Exception {
 public:
  using Exception::Exception;
};

using TqelFileStorageOnFileOperation = std::function<void(vcl::TObject* sender, bool successful)>;
using TqelFileStorageOnConfirmOverride = std::function<void(vcl::TObject* sender, bool& override_file)>;

class TqelCustomFileStorage : public TqelComponent {
  VCL_DECLARE_CLASS(TqelCustomFileStorage, TqelComponent)
 public:
  explicit TqelCustomFileStorage(vcl::TComponent* owner);
  ~TqelCustomFileStorage() override;

  vcl::TMemoryStream& Data() { return *data_; }
  uint32_t DataSize() const { return data_size_; }
  // Writing the size does nothing; it is published to be seen.
  void SetDataSize(uint32_t) {}
  const std::string& FileName() const { return file_name_; }
  virtual void SetFileName(const std::string& value);
  const std::string& SaveName() const { return save_name_; }
  void SetSaveName(const std::string& value);
  bool AutoSave() const { return auto_save_; }
  virtual void SetAutoSave(bool value);

  // False (and OnLoad(False)) for a missing file or one of 4 GiB or more;
  // a failed read raises EqelFileStorage. The old bytes stay unless the
  // whole file was read.
  virtual bool LoadFromFile(const std::string& name);
  // The file is written beside the target and renamed over it, so a failed
  // save leaves the old file whole; failures raise EqelFileStorage.
  virtual bool SaveToFile(const std::string& name);
  bool Load() { return LoadFromFile(file_name_); }
  bool Save() { return SaveToFile(save_name_); }
  virtual void Clear();

  // FileData: a count that runs past the description is a read error.
  void ReadData(vcl::TStream& stream);
  void WriteData(vcl::TStream& stream) const;
  bool HasData() const { return true; }

  // Saves the bytes read from the description when AutoSave is on; a failure
  // there is reported through OnSave(False), not raised out of the reading.
  void Loaded() override;

  TqelFileStorageOnFileOperation OnLoad;
  TqelFileStorageOnFileOperation OnSave;
  TqelFileStorageOnConfirmOverride OnConfirmOverride;

 protected:
  bool Reading() const { return ComponentState().Contains(vcl::csLoading); }
  bool Designing() const { return ComponentState().Contains(vcl::csDesigning); }
  // Called before the bytes are replaced or dropped.
  virtual void DataChanging() {}

 private:
  std::unique_ptr<vcl::TMemoryStream> data_;
  uint32_t data_size_ = 0;
  std::string file_name_;
  std::string save_name_;
  bool auto_save_ = false;
};

class TqelFileStorage : public TqelCustomFileStorage {
  VCL_DECLARE_CLASS(TqelFileStorage, TqelCustomFileStorage)
 public:
  using TqelCustomFileStorage::TqelCustomFileStorage;
};

enum TqelWavPlayFrom { pfFile, pfResource, pfDFM, pfSystemEvent };

class TqelWav : public TqelCustomFileStorage {
  VCL_DECLARE_CLASS(TqelWav, TqelCustomFileStorage)
 public:
  explicit TqelWav(vcl::TComponent* owner);
  ~TqelWav() override;

  bool AsyncPlay() const { return async_play_; }
  void SetAsyncPlay(bool value);
  bool Looped() const { return looped_; }
  void SetLooped(bool value);
  bool NoDefaultSound() const { return no_default_sound_; }
  void SetNoDefaultSound(bool value) { no_default_sound_ = value; }
  bool NoStopSound() const { return no_stop_sound_; }
  void SetNoStopSound(bool value) { no_stop_sound_ = value; }
  bool NoWaitIfBusy() const { return no_wait_if_busy_; }
  void SetNoWaitIfBusy(bool value);
  TqelWavPlayFrom PlayFrom() const { return play_from_; }
  void SetPlayFrom(TqelWavPlayFrom value);
  const std::string& ResourceName() const { return resource_name_; }
  void SetResourceName(const std::string& value);
  const std::string& EventAlias() const { return event_alias_; }
  void SetEventAlias(const std::string& value);
  void SetFileName(const std::string& value) override;

  // The PlaySound flags of the next play.
  plat::DWORD PrepareFlags();
  // PlaySound's result; stored bytes that are no wave image are not played.
  bool Play();
  // Stops every sound of the process, as a null sound does.
  void Stop();
  // True inside OnPlayBefore and OnPlayAfter.
  bool Playing() const { return playing_; }

  vcl::TNotifyEvent OnPlayBefore;
  vcl::TNotifyEvent OnPlayAfter;

 protected:
  void DataChanging() override;

 private:
  bool FileNameStored() const { return play_from_ == pfFile; }
  bool ResourceNameStored() const { return play_from_ == pfResource; }
  bool EventAliasStored() const { return play_from_ == pfSystemEvent; }
  // Playing now, or an asynchronous sound this component started may still play.
  bool MayPlay() const;
  void Replay();

  bool async_play_ = true;
  bool looped_ = false;
  bool no_default_sound_ = true;
  bool no_stop_sound_ = false;
  bool no_wait_if_busy_ = true;
  TqelWavPlayFrom play_from_ = pfFile;
  std::string resource_name_ = "WAVE1";
  std::string event_alias_ = ".Default";
  bool playing_ = false;
  bool started_async_ = false;
};

}  // namespace utility
