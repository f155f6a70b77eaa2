#include "app/Units.h"

#include "app/AppForms.h"
#include "app/Corre.h"
#include "app/FileToolForms.h"
#include "app/InfoForm.h"
#include "app/LeqWindow.h"
#include "app/MainForm.h"
#include "app/OutfitL.h"
#include "app/PeakForm.h"
#include "app/PrintPage.h"
#include "app/ReportInfo.h"
#include "app/SavBin.h"
#include "app/SetupPrint.h"
#include "app/SpecBack.h"
#include "app/SpectrumOutfit.h"
#include "app/VstForm.h"
#include "controls/ControlUnits.h"
#include "displays/DisplayUnits.h"
#include "engine/EngineUnits.h"
#include "files/FileUnits.h"
#include "platform/kernel/Drives.h"
#include "platform/kernel/UnitTable.h"
#include "platform/mm/MMUnits.h"
#include "platform/registry/CdImages.h"
#include "platform/user/UserModule.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/ExtTimer.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Jpeg.h"
#include "platform/vcl/Menus.h"
#include "platform/vcl/StdCtrls.h"
#include "skin/SkinUnits.h"
#include "utility/UtilityUnits.h"

namespace app {

void RegisterAllUnits() {
  plat::UnitTable& table = plat::Units();
  plat::RegisterMultimediaUnits(table);
  table.Register("USER32", plat::rankPlatform + 50, plat::RegisterUserModule);
  table.Register(
      "CdImages", plat::rankPlatform + 55, [] { plat::LoadCdImagesFromRegistry(); }, plat::ClearCdImages);
  vcl::RegisterJpegUnit(table);
  vcl::RegisterDialogsUnit(table);
  table.Register("Menus", plat::rankPlatform + 80, vcl::RegisterMenuClasses);
  table.Register("StdCtrls", plat::rankPlatform + 81, vcl::RegisterStdControlClasses);
  // The application object and the screen exist before the engine's units
  // start, which fill the screen's cursor table.
  table.Register(
      "Forms", plat::rankPlatform + 900,
      [] {
        vcl::InitApplication();
        vcl::InitForms();
      },
      [] {
        vcl::DoneForms();
        vcl::DoneApplication();
      });
  engine::RegisterEngineUnits(table);
  displays::RegisterDisplayUnits(table);
  files::RegisterFileUnits(table);
  controls::RegisterControlUnits(table);
  skin::RegisterSkinUnits(table);
  // The classes the windows' descriptions name that no other unit registers.
  table.Register("AppForms", plat::rankApp + 10, [] {
    vcl::RegisterClasses({vcl::TPanel::StaticClass(), vcl::TBevel::StaticClass(), vcl::TTimer::StaticClass(),
                          TFrmMain::StaticClass(), TFrmInfo::StaticClass()});
  });
  table.Register("OutfitSpec", plat::rankApp + 20, RegisterOutfitSpecForm);
  table.Register("OutfitL", plat::rankApp + 21, [] {
    vcl::RegisterClasses({vcl::TGroupBox::StaticClass(), vcl::TRadioGroup::StaticClass(),
                          vcl::TLabel::StaticClass(), vcl::TButton::StaticClass(), TfOutfitL::StaticClass()});
  });
  table.Register("CorreAndPeak", plat::rankApp + 30, [] {
    vcl::RegisterClasses({TfCorre::StaticClass(), TfPeak::StaticClass()});
  });
  table.Register("FrozenSpectra", plat::rankApp + 31, [] {
    vcl::RegisterClasses({TFrmSavBin::StaticClass(), TfSpecBack::StaticClass()});
  });
  table.Register("FileTools", plat::rankApp + 33, RegisterFileToolForms);
  table.Register("LeqWindows", plat::rankApp + 32, [] {
    vcl::RegisterClasses({TfSetting::StaticClass(), TfReport::StaticClass()});
  });
  table.Register("InfoWindows", plat::rankApp + 33, [] {
    vcl::RegisterClasses({TfVst::StaticClass(), TForm1::StaticClass()});
  });
  table.Register("PrintPage", plat::rankApp + 34, [] {
    vcl::RegisterClasses({TfSetupPrint::StaticClass(), TfPrint::StaticClass()});
  });
  utility::RegisterUtilityUnits(table);
}

}  // namespace app
