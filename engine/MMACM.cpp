#include "engine/MMACM.h"

#include <cstdint>

#include "platform/kernel/Modules.h"

namespace engine {

plat::HMODULE ACMHandle = nullptr;
bool ACMLoaded = false;

decltype(&plat::acmGetVersion) acmGetVersion = nullptr;
decltype(&plat::acmMetrics) acmMetrics = nullptr;
decltype(&plat::acmDriverEnum) acmDriverEnum = nullptr;
decltype(&plat::acmDriverDetailsA) acmDriverDetailsA = nullptr;
decltype(&plat::acmDriverAddA) acmDriverAddA = nullptr;
decltype(&plat::acmDriverRemove) acmDriverRemove = nullptr;
decltype(&plat::acmDriverOpen) acmDriverOpen = nullptr;
decltype(&plat::acmDriverClose) acmDriverClose = nullptr;
decltype(&plat::acmDriverMessage) acmDriverMessage = nullptr;
decltype(&plat::acmDriverID) acmDriverID = nullptr;
decltype(&plat::acmDriverPriority) acmDriverPriority = nullptr;
decltype(&plat::acmFormatTagDetailsA) acmFormatTagDetailsA = nullptr;
decltype(&plat::acmFormatTagEnumA) acmFormatTagEnumA = nullptr;
decltype(&plat::acmFormatChooseA) acmFormatChooseA = nullptr;
decltype(&plat::acmFormatDetailsA) acmFormatDetailsA = nullptr;
decltype(&plat::acmFormatEnumA) acmFormatEnumA = nullptr;
decltype(&plat::acmFormatSuggest) acmFormatSuggest = nullptr;
decltype(&plat::acmFilterTagDetailsA) acmFilterTagDetailsA = nullptr;
decltype(&plat::acmFilterTagEnumA) acmFilterTagEnumA = nullptr;
decltype(&plat::acmFilterChooseA) acmFilterChooseA = nullptr;
decltype(&plat::acmFilterDetailsA) acmFilterDetailsA = nullptr;
decltype(&plat::acmFilterEnumA) acmFilterEnumA = nullptr;
decltype(&plat::acmStreamOpen) acmStreamOpen = nullptr;
decltype(&plat::acmStreamClose) acmStreamClose = nullptr;
decltype(&plat::acmStreamSize) acmStreamSize = nullptr;
decltype(&plat::acmStreamConvert) acmStreamConvert = nullptr;
decltype(&plat::acmStreamReset) acmStreamReset = nullptr;
decltype(&plat::acmStreamPrepareHeader) acmStreamPrepareHeader = nullptr;
decltype(&plat::acmStreamUnprepareHeader) acmStreamUnprepareHeader = nullptr;

namespace {

int init_count = 0;

template <class F>
void Bind(F& variable, const char* name) {
  variable = reinterpret_cast<F>(plat::GetProcAddress(ACMHandle, name));
}

void ClearBindings() {
  acmGetVersion = nullptr;
  acmMetrics = nullptr;
  acmDriverEnum = nullptr;
  acmDriverDetailsA = nullptr;
  acmDriverAddA = nullptr;
  acmDriverRemove = nullptr;
  acmDriverOpen = nullptr;
  acmDriverClose = nullptr;
  acmDriverMessage = nullptr;
  acmDriverID = nullptr;
  acmDriverPriority = nullptr;
  acmFormatTagDetailsA = nullptr;
  acmFormatTagEnumA = nullptr;
  acmFormatChooseA = nullptr;
  acmFormatDetailsA = nullptr;
  acmFormatEnumA = nullptr;
  acmFormatSuggest = nullptr;
  acmFilterTagDetailsA = nullptr;
  acmFilterTagEnumA = nullptr;
  acmFilterChooseA = nullptr;
  acmFilterDetailsA = nullptr;
  acmFilterEnumA = nullptr;
  acmStreamOpen = nullptr;
  acmStreamClose = nullptr;
  acmStreamSize = nullptr;
  acmStreamConvert = nullptr;
  acmStreamReset = nullptr;
  acmStreamPrepareHeader = nullptr;
  acmStreamUnprepareHeader = nullptr;
}

// Old loaders reported failure as a small number instead of a handle.
bool HandleValid(plat::HMODULE handle) { return reinterpret_cast<uintptr_t>(handle) >= 32; }

}  // namespace

void LoadACM() {
  UnloadACM();
  // There is no error box to suppress here: a missing library just fails the load.
  ACMHandle = plat::LoadLibraryA("MSACM32.DLL");
  if (!HandleValid(ACMHandle)) {
    ACMHandle = nullptr;
    return;
  }
  Bind(acmGetVersion, "acmGetVersion");
  if (acmGetVersion == nullptr) {
    plat::FreeLibrary(ACMHandle);
    ACMHandle = nullptr;
    return;
  }
  if (plat::HIWORD(acmGetVersion()) < 0x0200) return;
  ACMLoaded = true;
  Bind(acmMetrics, "acmMetrics");
  Bind(acmDriverEnum, "acmDriverEnum");
  Bind(acmDriverDetailsA, "acmDriverDetailsA");
  Bind(acmDriverAddA, "acmDriverAddA");
  Bind(acmDriverRemove, "acmDriverRemove");
  Bind(acmDriverOpen, "acmDriverOpen");
  Bind(acmDriverClose, "acmDriverClose");
  Bind(acmDriverMessage, "acmDriverMessage");
  Bind(acmDriverID, "acmDriverID");
  Bind(acmDriverPriority, "acmDriverPriority");
  Bind(acmFormatTagDetailsA, "acmFormatTagDetailsA");
  Bind(acmFormatTagEnumA, "acmFormatTagEnumA");
  Bind(acmFormatChooseA, "acmFormatChooseA");
  Bind(acmFormatDetailsA, "acmFormatDetailsA");
  Bind(acmFormatEnumA, "acmFormatEnumA");
  Bind(acmFormatSuggest, "acmFormatSuggest");
  Bind(acmFilterTagDetailsA, "acmFilterTagDetailsA");
  Bind(acmFilterTagEnumA, "acmFilterTagEnumA");
  Bind(acmFilterChooseA, "acmFilterChooseA");
  Bind(acmFilterDetailsA, "acmFilterDetailsA");
  Bind(acmFilterEnumA, "acmFilterEnumA");
  Bind(acmStreamOpen, "acmStreamOpen");
  Bind(acmStreamClose, "acmStreamClose");
  Bind(acmStreamSize, "acmStreamSize");
  Bind(acmStreamConvert, "acmStreamConvert");
  Bind(acmStreamReset, "acmStreamReset");
  Bind(acmStreamPrepareHeader, "acmStreamPrepareHeader");
  Bind(acmStreamUnprepareHeader, "acmStreamUnprepareHeader");
}

void UnloadACM() {
  if (HandleValid(ACMHandle)) plat::FreeLibrary(ACMHandle);
  ACMHandle = nullptr;
  ACMLoaded = false;
  ClearBindings();
}

bool ACMUsable() { return ACMLoaded && acmGetVersion != nullptr && plat::HIWORD(acmGetVersion()) >= 0x0200; }

void MMACMInitialize() {
  if (init_count++ == 0) LoadACM();
}

void MMACMFinalize() {
  if (init_count == 0) return;
  if (--init_count == 0) UnloadACM();
}

}  // namespace engine
