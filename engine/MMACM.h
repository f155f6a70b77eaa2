#pragma once
// Binding of the audio compression manager: the library is loaded by name at
// start-up and its entry points bound one by one, so the program also runs
// where it is missing or too old. Callers test ACMLoaded before use.
#include "platform/kernel/Types.h"
#include "platform/mm/Acm.h"

namespace engine {

extern plat::HMODULE ACMHandle;
extern bool ACMLoaded;

// One variable per entry point, null until bound.
extern decltype(&plat::acmGetVersion) acmGetVersion;
extern decltype(&plat::acmMetrics) acmMetrics;
extern decltype(&plat::acmDriverEnum) acmDriverEnum;
extern decltype(&plat::acmDriverDetailsA) acmDriverDetailsA;
extern decltype(&plat::acmDriverAddA) acmDriverAddA;
extern decltype(&plat::acmDriverRemove) acmDriverRemove;
extern decltype(&plat::acmDriverOpen) acmDriverOpen;
extern decltype(&plat::acmDriverClose) acmDriverClose;
extern decltype(&plat::acmDriverMessage) acmDriverMessage;
extern decltype(&plat::acmDriverID) acmDriverID;
extern decltype(&plat::acmDriverPriority) acmDriverPriority;
extern decltype(&plat::acmFormatTagDetailsA) acmFormatTagDetailsA;
extern decltype(&plat::acmFormatTagEnumA) acmFormatTagEnumA;
extern decltype(&plat::acmFormatChooseA) acmFormatChooseA;
extern decltype(&plat::acmFormatDetailsA) acmFormatDetailsA;
extern decltype(&plat::acmFormatEnumA) acmFormatEnumA;
extern decltype(&plat::acmFormatSuggest) acmFormatSuggest;
extern decltype(&plat::acmFilterTagDetailsA) acmFilterTagDetailsA;
extern decltype(&plat::acmFilterTagEnumA) acmFilterTagEnumA;
extern decltype(&plat::acmFilterChooseA) acmFilterChooseA;
extern decltype(&plat::acmFilterDetailsA) acmFilterDetailsA;
extern decltype(&plat::acmFilterEnumA) acmFilterEnumA;
extern decltype(&plat::acmStreamOpen) acmStreamOpen;
extern decltype(&plat::acmStreamClose) acmStreamClose;
extern decltype(&plat::acmStreamSize) acmStreamSize;
extern decltype(&plat::acmStreamConvert) acmStreamConvert;
extern decltype(&plat::acmStreamReset) acmStreamReset;
extern decltype(&plat::acmStreamPrepareHeader) acmStreamPrepareHeader;
extern decltype(&plat::acmStreamUnprepareHeader) acmStreamUnprepareHeader;

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
