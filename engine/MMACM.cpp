#include "engine/MMACM.h"

#include <cstdint>

#include "platform/kernel/Modules.h"

namespace engine {

namespace {

int init_count = 0;

TACMEntryPoints entries;

template <class F>
void Bind(F& entry, const char* name) {
  entry = reinterpret_cast<F>(plat::GetProcAddress(entries.Handle, name));
}

// Old loaders reported failure as a small number instead of a handle.
bool HandleValid(plat::HMODULE handle) { return reinterpret_cast<uintptr_t>(handle) >= 32; }

}  // namespace

const TACMEntryPoints& ACM() { return entries; }

void LoadACM() {
  UnloadACM();
  // There is no error box to suppress here: a missing library just fails the load.
  entries.Handle = plat::LoadLibraryA("MSACM32.DLL");
  if (!HandleValid(entries.Handle)) {
    entries.Handle = nullptr;
    return;
  }
  Bind(entries.acmGetVersion, "acmGetVersion");
  if (entries.acmGetVersion == nullptr) {
    plat::FreeLibrary(entries.Handle);
    entries.Handle = nullptr;
    return;
  }
  if (plat::HIWORD(entries.acmGetVersion()) < 0x0200) return;
  entries.Loaded = true;
  Bind(entries.acmMetrics, "acmMetrics");
  Bind(entries.acmDriverEnum, "acmDriverEnum");
  Bind(entries.acmDriverDetailsA, "acmDriverDetailsA");
  Bind(entries.acmDriverAddA, "acmDriverAddA");
  Bind(entries.acmDriverRemove, "acmDriverRemove");
  Bind(entries.acmDriverOpen, "acmDriverOpen");
  Bind(entries.acmDriverClose, "acmDriverClose");
  Bind(entries.acmDriverMessage, "acmDriverMessage");
  Bind(entries.acmDriverID, "acmDriverID");
  Bind(entries.acmDriverPriority, "acmDriverPriority");
  Bind(entries.acmFormatTagDetailsA, "acmFormatTagDetailsA");
  Bind(entries.acmFormatTagEnumA, "acmFormatTagEnumA");
  Bind(entries.acmFormatChooseA, "acmFormatChooseA");
  Bind(entries.acmFormatDetailsA, "acmFormatDetailsA");
  Bind(entries.acmFormatEnumA, "acmFormatEnumA");
  Bind(entries.acmFormatSuggest, "acmFormatSuggest");
  Bind(entries.acmFilterTagDetailsA, "acmFilterTagDetailsA");
  Bind(entries.acmFilterTagEnumA, "acmFilterTagEnumA");
  Bind(entries.acmFilterChooseA, "acmFilterChooseA");
  Bind(entries.acmFilterDetailsA, "acmFilterDetailsA");
  Bind(entries.acmFilterEnumA, "acmFilterEnumA");
  Bind(entries.acmStreamOpen, "acmStreamOpen");
  Bind(entries.acmStreamClose, "acmStreamClose");
  Bind(entries.acmStreamSize, "acmStreamSize");
  Bind(entries.acmStreamConvert, "acmStreamConvert");
  Bind(entries.acmStreamReset, "acmStreamReset");
  Bind(entries.acmStreamPrepareHeader, "acmStreamPrepareHeader");
  Bind(entries.acmStreamUnprepareHeader, "acmStreamUnprepareHeader");
}

void UnloadACM() {
  if (HandleValid(entries.Handle)) plat::FreeLibrary(entries.Handle);
  entries = TACMEntryPoints{};
}

bool ACMUsable() {
  return entries.Loaded && entries.acmGetVersion != nullptr &&
         plat::HIWORD(entries.acmGetVersion()) >= 0x0200;
}

void MMACMInitialize() {
  if (init_count++ == 0) LoadACM();
}

void MMACMFinalize() {
  if (init_count == 0) return;
  if (--init_count == 0) UnloadACM();
}

}  // namespace engine
