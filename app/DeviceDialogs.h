#pragma once
// The device dialogs: fDrvIn ("Input Preferences": input device, delivery
// mode, sample rate), fDrvOut ("Output Preferences": output device and
// delivery mode) and fmulti ("Multi Mode Input Setup": the input device of
// each of the channel pairs 1&2 .. 7&8). Main thread only.
//
// Device ids are places in the platform's device list, and that list moves
// when a device is plugged in or taken away. So each stored id has its
// device's name beside it ("DeviceName in", "DeviceName out", "DeviceName
// rec", "multi_1 name" .. "multi_4 name"); a stored device is found again by
// its name, and one that is gone falls back to the mapper.
#include <set>
#include <string>
#include <vector>

#include "app/AppForms.h"
#include "engine/MMDSPObj.h"
#include "engine/MMObj.h"

namespace vcl {
class TButton;
class TComboBox;
class TRadioButton;
class TRadioGroup;
}  // namespace vcl

namespace app {

// The names of the devices 0 .. count - 1 of the input or the output list.
std::vector<std::string> WaveDeviceNames(bool input);

// The device a stored id and name stand for in the list `names`: the mapper
// stays the mapper; the id itself while its device has the stored name (or no
// name was stored and the id is in the list); else the device of that name.
// InvalidId when neither is there.
engine::TMMDeviceId FindStoredDevice(int id, const std::string& name, const std::vector<std::string>& names);

// Reads the id under `id_key` and the name under `name_key` and resolves them;
// a device that is gone gives the mapper and a message naming `what`.
// `current` is the default of the id. With `told`, a gone device is named
// once: the stored values it has told of are kept there.
engine::TMMDeviceId ReadStoredDevice(const std::string& id_key, const std::string& name_key, int current,
                                     bool input, const char* what, std::set<std::string>* told = nullptr);
// Writes the id under `id_key` and its device's name under `name_key`.
void WriteStoredDevice(const std::string& id_key, const std::string& name_key, engine::TMMDeviceId id,
                       bool input);

// A device list: the mapper first, then the devices; empty without devices.
void FillDeviceCombo(vcl::TComboBox* combo, bool input);
// The entry of a device id in such a list; the mapper's for an id the list lacks.
int DeviceComboIndex(const vcl::TComboBox* combo, engine::TMMDeviceId id);

// The controls the input and output dialogs share: the device list, the
// delivery-mode buttons, OK and Cancel.
struct TDeviceChoice {
  vcl::TComboBox* PlayCombo = nullptr;
  vcl::TRadioButton* radioWindow = nullptr;
  vcl::TRadioButton* radioThread = nullptr;
  vcl::TRadioButton* radioInterrupt = nullptr;
  vcl::TButton* btnOk = nullptr;
  vcl::TButton* btnCancel = nullptr;

  void BindChoice(vcl::TComponent* form);
  // Lists the devices and selects `id` and `mode`; driver callbacks cannot be chosen.
  void ShowChoice(bool input, engine::TMMDeviceId id, engine::TMMCBMode mode);
  // The selected device (InvalidId for an empty list) and delivery mode.
  engine::TMMDeviceId ChosenDevice() const;
  engine::TMMCBMode ChosenMode() const;
};

class TfDrvIn : public vcl::TForm, public TDeviceChoice {
  VCL_DECLARE_CLASS(TfDrvIn, vcl::TForm)
 public:
  explicit TfDrvIn(vcl::TComponent* owner);
  ~TfDrvIn() override;

  vcl::TRadioGroup* rg_sample = nullptr;

  void FormShow(vcl::TObject* sender);
  void btnOkClick(vcl::TObject* sender);
  void btnCancelClick(vcl::TObject* sender);
  void rg_sampleClick(vcl::TObject* sender);
  void FormClose(vcl::TObject* sender, vcl::TCloseAction& action);

 protected:
  void Loaded() override;
};

class TfDrvOut : public vcl::TForm, public TDeviceChoice {
  VCL_DECLARE_CLASS(TfDrvOut, vcl::TForm)
 public:
  explicit TfDrvOut(vcl::TComponent* owner);
  ~TfDrvOut() override;

  void FormShow(vcl::TObject* sender);
  void btnOkClick(vcl::TObject* sender);
  void btnCancelClick(vcl::TObject* sender);

 protected:
  void Loaded() override;
};

class Tfmulti : public vcl::TForm {
  VCL_DECLARE_CLASS(Tfmulti, vcl::TForm)
 public:
  explicit Tfmulti(vcl::TComponent* owner);
  ~Tfmulti() override;

  // cb_1 .. cb_4.
  vcl::TComboBox* cb[4] = {};

  void FormShow(vcl::TObject* sender);
  void btnOkClick(vcl::TObject* sender);
  void btnCancelClick(vcl::TObject* sender);

 protected:
  void Loaded() override;
};

// The registry names of pair 1..4's device id and name.
std::string MultiKey(int pair);
std::string MultiNameKey(int pair);

// Set by the main block.
extern TfDrvIn* fDrvIn;
extern TfDrvOut* fDrvOut;
extern Tfmulti* fmulti;

}  // namespace app
