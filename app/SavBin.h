#pragma once
// The frozen-spectrum slot window (form FrmSavBin, "Load Keyboard short
// cut"): per slot 1..4 the name of its file on an LED label and a "Load"
// button that assigns an existing file to the slot.
#include <array>
#include <string>

#include "app/AppForms.h"

namespace controls {
class TMMLEDLABEL;
}  // namespace controls

namespace app {

class TFrmSavBin : public vcl::TForm {
  VCL_DECLARE_CLASS(TFrmSavBin, vcl::TForm)
 public:
  explicit TFrmSavBin(vcl::TComponent* owner);
  ~TFrmSavBin() override;

  // MMLEDLABEL11, MMLEDLABEL21, MMLEDLABEL31, MMLEDLABEL41.
  std::array<controls::TMMLEDLABEL*, 4> SlotLabels{};

  // Slot 1..4's label shows the name part of file_name in capitals.
  void ShowSlotFile(int slot, const std::string& file_name);

  void SpeedButton7Click(vcl::TObject* sender);
  void SpeedButton9Click(vcl::TObject* sender);
  void SpeedButton11Click(vcl::TObject* sender);
  void SpeedButton13Click(vcl::TObject* sender);

 protected:
  void Loaded() override;

 private:
  void LoadSlot(int slot);
};

// Set by the main block.
extern TFrmSavBin* FrmSavBin;

}  // namespace app
