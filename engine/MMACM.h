#pragma once
// Binding of the audio compression manager: the library is loaded by name at
// start-up and its entry points bound one by one, so the program also runs
// where it is missing or too old. Callers test ACMUsable before use.
#include "platform/kernel/Types.h"
#include "platform/mm/Acm.h"

namespace engine {

// The loaded library and its entry points, each null until bound.
struct TACMEntryPoints {
  plat::HMODULE Handle = nullptr;
  bool Loaded = false;
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
};

// The one binding of the library; all empty while it is not loaded.
const TACMEntryPoints& ACM();

// Loads "MSACM32.DLL", checks for version 2.00 or later and binds the entry
// points. Safe to call again after UnloadACM.
void LoadACM();
// Frees the library and clears every binding.
void UnloadACM();
// True when the library is loaded at version 2.00 or later.
bool ACMUsable();

// Unit start-up and shut-down: load on the first initialisation, unload on the last.
void MMACMInitialize();
void MMACMFinalize();

}  // namespace engine
