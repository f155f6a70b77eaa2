#include "app/SavBin.h"

#include "app/MainForm.h"
#include "app/Projects.h"
#include "controls/MMLEDLbl.h"
#include "platform/vcl/Dialogs.h"

namespace app {

TFrmSavBin* FrmSavBin = nullptr;

TFrmSavBin::TFrmSavBin(vcl::TComponent* owner) : vcl::TForm(owner) { InitAppForm(this, FrmSavBin); }

TFrmSavBin::~TFrmSavBin() {
  if (FrmSavBin == this) FrmSavBin = nullptr;
}

void TFrmSavBin::Loaded() {
  vcl::TForm::Loaded();
  const char* names[] = {"MMLEDLABEL11", "MMLEDLABEL21", "MMLEDLABEL31", "MMLEDLABEL41"};
  for (size_t i = 0; i < SlotLabels.size(); ++i)
    SlotLabels[i] = RequireComponent<controls::TMMLEDLABEL>(this, names[i]);
}

void TFrmSavBin::ShowSlotFile(int slot, const std::string& file_name) {
  SlotLabels.at(static_cast<size_t>(slot - 1))->SetCaption(vcl::UpperCase(vcl::ExtractFileName(file_name)));
}

void TFrmSavBin::LoadSlot(int slot) {
  // The dialog keeps the filter and title it was last given.
  vcl::TOpenDialog* dialog = FrmMain->LoadDialog1;
  dialog->SetInitialDir(PeakDataFolder());
  if (!dialog->Execute()) return;
  ShowSlotFile(slot, dialog->FileName());
  FrmMain->BinSlotFiles.at(static_cast<size_t>(slot - 1)) = dialog->FileName();
  FrmMain->FrozenFileName = dialog->FileName();
}

void TFrmSavBin::SpeedButton7Click(vcl::TObject*) { LoadSlot(1); }
void TFrmSavBin::SpeedButton9Click(vcl::TObject*) { LoadSlot(2); }
void TFrmSavBin::SpeedButton11Click(vcl::TObject*) { LoadSlot(3); }
void TFrmSavBin::SpeedButton13Click(vcl::TObject*) { LoadSlot(4); }

}  // namespace app

using app::TFrmSavBin;
VCL_IMPLEMENT_CLASS(TFrmSavBin, Method("SpeedButton7Click", &TFrmSavBin::SpeedButton7Click),
                    Method("SpeedButton9Click", &TFrmSavBin::SpeedButton9Click),
                    Method("SpeedButton11Click", &TFrmSavBin::SpeedButton11Click),
                    Method("SpeedButton13Click", &TFrmSavBin::SpeedButton13Click))
