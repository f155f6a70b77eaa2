#include "app/AppForms.h"

#include <cctype>
#include <string>

#include "app/Corre.h"
#include "app/DeviceDialogs.h"
#include "app/FileToolForms.h"
#include "app/InfoForm.h"
#include "app/LeqWindow.h"
#include "app/MainForm.h"
#include "app/OutfitL.h"
#include "app/PeakForm.h"
#include "app/ReportInfo.h"
#include "app/SavBin.h"
#include "app/SetupPrint.h"
#include "app/SpecBack.h"
#include "app/SpectrumOutfit.h"
#include "app/VstForm.h"
#include "platform/kernel/Resources.h"
#include "platform/user/Paint.h"
#include "platform/vcl/Application.h"

namespace app {

TFrmInfo* FrmInfo = nullptr;

void InitAppForm(vcl::TCustomForm* form) {
  std::string name = form->ClassName();
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  plat::HRSRC found = plat::FindResourceA(nullptr, name.c_str(), plat::RT_RCDATA);
  if (!found) throw EAppFormError("The description of " + form->ClassName() + " is missing");
  const auto* text = static_cast<const char*>(plat::LockResource(plat::LoadResource(nullptr, found)));
  vcl::RegisterFormResource(form->ClassName(), std::string(text, plat::SizeofResource(nullptr, found)));
  vcl::InitForm(form);
}

void ShowStartupWindow() {
  FrmInfo = new TFrmInfo(vcl::Application);
  FrmInfo->Show();
  plat::UpdateWindow(FrmInfo->Handle());
}

void CreateForms() {
  // The main window first: it becomes the application's main form. Then the
  // dialogs in this order; each one is added here as it is built:
  // fDrvOut (built), FrmSavBin (built), fOutfitSpec (built), fDrvIn (built), fNormalize (built), fConvert
  // (built), fSplit (built), fSwap (built), fEncode (built), fSpecBack (built), fCorre, fSetupPrint (built),
  // fOutfitL, fSetting, fReport, fVst, fPeak, Form1, fmulti (built).
  vcl::ApplicationCreateForm(FrmMain);
  vcl::ApplicationCreateForm(fDrvOut);
  vcl::ApplicationCreateForm(FrmSavBin);
  vcl::ApplicationCreateForm(fOutfitSpec);
  vcl::ApplicationCreateForm(fDrvIn);
  vcl::ApplicationCreateForm(fNormalize);
  vcl::ApplicationCreateForm(fConvert);
  vcl::ApplicationCreateForm(fSplit);
  vcl::ApplicationCreateForm(fSwap);
  vcl::ApplicationCreateForm(fEncode);
  fNormalize->SetDialogs(FrmMain->OpenMp3, FrmMain->recWavDlg);
  fConvert->SetDialogs(FrmMain->OpenMp3, FrmMain->recWavDlg);
  fSwap->SetOpenDialog(fSplit->OpenDialog);
  fOutfitSpec->SetMainSpectrum(FrmMain->MMSpectrum1);
  fOutfitSpec->SetOscope(FrmMain->MMOscope1);
  vcl::ApplicationCreateForm(fSpecBack);
  fOutfitSpec->SetBackgroundSpectrum(fSpecBack->SpeckBack);
  fOutfitSpec->SetRefreshBackground([] {
    if (fSpecBack) fSpecBack->RefreshSpectrumBackground();
  });
  vcl::ApplicationCreateForm(fCorre);
  vcl::ApplicationCreateForm(fSetupPrint);
  vcl::ApplicationCreateForm(fOutfitL);
  vcl::ApplicationCreateForm(fSetting);
  fSetting->SetMeasurement(&FrmMain->Leq());
  fSetting->SetSaveDialog(FrmMain->SaveDialog1);
  fSetting->SetWeightingGroup(FrmMain->rg_filter);
  fSetting->FollowPlayer(FrmMain);
  vcl::ApplicationCreateForm(fReport);
  vcl::ApplicationCreateForm(fVst);
  vcl::ApplicationCreateForm(fPeak);
  vcl::ApplicationCreateForm(Form1);
  vcl::ApplicationCreateForm(fmulti);
}

}  // namespace app
