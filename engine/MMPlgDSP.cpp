#include "engine/MMPlgDSP.h"

#include <algorithm>

#include "platform/kernel/Modules.h"

namespace engine {

namespace {

std::string UpperCase(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

std::string Text(const char* s) { return s ? std::string(s) : std::string(); }

// The header entry of a library, in the order that prefers the own layout
// when a library exports several.
TMMDSPHeaderEntry FindHeaderEntry(plat::HMODULE library, bool* standard) {
  *standard = false;
  for (const char* name : {MMDSPOwnEntry, MMDSPOwnAltEntry}) {
    if (plat::FARPROC proc = plat::GetProcAddress(library, name))
      return reinterpret_cast<TMMDSPHeaderEntry>(proc);
  }
  if (plat::FARPROC proc = plat::GetProcAddress(library, MMDSPStandardEntry)) {
    *standard = true;
    return reinterpret_cast<TMMDSPHeaderEntry>(proc);
  }
  return nullptr;
}

// The library's header, or null when it has none or one too old to use.
// Exceptions from the library pass to the caller.
TMMDSPHeader* CallHeaderEntry(plat::HMODULE library, bool* standard) {
  TMMDSPHeaderEntry entry = FindHeaderEntry(library, standard);
  TMMDSPHeader* header = entry ? entry() : nullptr;
  if (!header || header->Version < MMDSPMinVersion) return nullptr;
  return header;
}

// Calls GetModule for `index` unless the module list is full.
void* NextModule(const TMMDSPHeader& header, int32_t index) {
  if (index >= MMDSPMaxModules || !header.GetModule) return nullptr;
  return header.GetModule(index);
}

int32_t EntryCount(const TMMDSPPluginInfo& info) { return std::clamp(info.ModuleCount, 0, MMDSPMaxModules); }

void ClearModulePointers(TMMDSPPluginInfo& info) {
  for (TMMDSPModuleEntry& entry : info.Modules) {
    entry.OwnModule = nullptr;
    entry.StandardModule = nullptr;
  }
}

// Own modules learn the stream's shape through their fields. False when the
// format gives no whole frame to count the buffer in.
bool WriteOwnFormat(TMMDSPOwnModule& module, const plat::WAVEFORMATEX* format, int32_t buffer_size) {
  const int32_t rate = format ? static_cast<int32_t>(format->nSamplesPerSec) : 22050;
  const int32_t channels = format ? format->nChannels : 1;
  if (channels <= 0) return false;
  module.SampleRate = rate;
  module.Channels = channels;
  module.BufferSamples = buffer_size / (channels * 2);
  return true;
}

}  // namespace

TMMDSPPluginInfo::~TMMDSPPluginInfo() { CloseDSPPlugin(this); }

PMMDSPPluginInfo ReadDSPPluginInfo(const std::string& FileName) {
  plat::HMODULE library = plat::LoadLibraryA(FileName.c_str());
  if (!library) return nullptr;
  PMMDSPPluginInfo info;
  try {
    bool standard = false;
    if (TMMDSPHeader* header = CallHeaderEntry(library, &standard)) {
      auto record = std::make_unique<TMMDSPPluginInfo>();
      record->FileName = UpperCase(FileName);
      record->Description = Text(header->Description);
      while (void* module = NextModule(*header, record->ModuleCount)) {
        TMMDSPModuleEntry& entry = record->Modules[record->ModuleCount];
        entry.Name = Text(standard ? static_cast<TMMDSPStandardModule*>(module)->Description
                                   : static_cast<TMMDSPOwnModule*>(module)->Description);
        entry.Initialized = false;
        ++record->ModuleCount;
      }
      info = std::move(record);
    }
  } catch (...) {
    // A library that faults while describing itself is no usable plug-in.
    info.reset();
  }
  plat::FreeLibrary(library);
  return info;
}

bool LoadDSPPlugin(TMMDSPPluginInfo* Info, plat::HWND ParentWnd) {
  if (!Info) return false;
  if (Info->Opened) return true;
  Info->Handle = plat::LoadLibraryA(Info->FileName.c_str());
  if (!Info->Handle) return false;
  const int32_t described_count = Info->ModuleCount;
  try {
    bool standard = false;
    if (TMMDSPHeader* header = CallHeaderEntry(Info->Handle, &standard)) {
      Info->Header = header;
      Info->ModuleCount = 0;
      while (void* module = NextModule(*header, Info->ModuleCount)) {
        TMMDSPModuleEntry& entry = Info->Modules[Info->ModuleCount];
        entry.Initialized = false;
        entry.OwnModule = nullptr;
        entry.StandardModule = nullptr;
        if (standard) {
          auto* m = static_cast<TMMDSPStandardModule*>(module);
          m->ParentWnd = ParentWnd;
          m->Instance = Info->Handle;
          entry.StandardModule = m;
        } else {
          auto* m = static_cast<TMMDSPOwnModule*>(module);
          m->ParentWnd = ParentWnd;
          m->Instance = Info->Handle;
          entry.OwnModule = m;
        }
        ++Info->ModuleCount;
      }
      Info->Opened = true;
      return true;
    }
  } catch (...) {
    // Falls through to the clean-up below.
  }
  // Leave the record as it was read, so it can be opened again later.
  ClearModulePointers(*Info);
  Info->ModuleCount = described_count;
  Info->Header = nullptr;
  plat::FreeLibrary(Info->Handle);
  Info->Handle = nullptr;
  return false;
}

void CloseDSPPlugin(TMMDSPPluginInfo* Info) {
  if (!Info || !Info->Opened) return;
  const int32_t count = EntryCount(*Info);
  for (int32_t i = 0; i < count; ++i) QuitDSPModule(Info->Modules[i]);
  ClearModulePointers(*Info);
  Info->Header = nullptr;
  Info->Opened = false;
  if (Info->Handle) plat::FreeLibrary(Info->Handle);
  Info->Handle = nullptr;
}

void FreeDSPPluginInfo(PMMDSPPluginInfo& Info) {
  if (!Info) return;
  CloseDSPPlugin(Info.get());
  Info.reset();
}

bool InitDSPModule(TMMDSPModuleEntry& Entry, const plat::WAVEFORMATEX* Format, int32_t BufferSize) {
  if (Entry.Initialized || BufferSize <= 0) return Entry.Initialized;
  try {
    if (TMMDSPOwnModule* m = Entry.OwnModule) {
      if (WriteOwnFormat(*m, Format, BufferSize) && m->Init) Entry.Initialized = m->Init(m) == 0;
    } else if (TMMDSPStandardModule* m = Entry.StandardModule) {
      if (m->Init) Entry.Initialized = m->Init(m) == 0;
    }
  } catch (...) {
    Entry.Initialized = false;
  }
  return Entry.Initialized;
}

bool RestartDSPModule(TMMDSPModuleEntry& Entry, const plat::WAVEFORMATEX* Format, int32_t BufferSize) {
  if (!Entry.Initialized || BufferSize <= 0) return false;
  try {
    if (TMMDSPOwnModule* m = Entry.OwnModule) {
      if (!WriteOwnFormat(*m, Format, BufferSize)) return false;
      return m->Restart ? m->Restart(m) == 0 : true;
    }
    return Entry.StandardModule != nullptr;
  } catch (...) {
    return false;
  }
}

int32_t ProcessDSPModule(TMMDSPModuleEntry& Entry, void* Data, int32_t Bytes,
                         const plat::WAVEFORMATEX* Format, int32_t BufferLength, std::exception_ptr* Fault) {
  if (!Entry.Initialized || !Format || !Data || Bytes <= 0) return 0;
  const int32_t frame = (Format->wBitsPerSample / 8) * Format->nChannels;
  if (frame <= 0) return 0;
  try {
    if (TMMDSPOwnModule* m = Entry.OwnModule) {
      if (!m->Process) return 0;
      m->Process(m, static_cast<int16_t*>(Data));
      return Bytes;
    }
    if (TMMDSPStandardModule* m = Entry.StandardModule) {
      if (!m->ModifySamples) return 0;
      const int32_t n =
          m->ModifySamples(m, static_cast<int16_t*>(Data), Bytes / frame, Format->wBitsPerSample,
                           Format->nChannels, static_cast<int32_t>(Format->nSamplesPerSec));
      // A module's count is not trusted beyond the memory it was handed.
      const int32_t capacity = std::max(Bytes, BufferLength);
      return std::clamp(n, 0, capacity / frame) * frame;
    }
  } catch (...) {
    if (Fault) *Fault = std::current_exception();
  }
  return 0;
}

void QuitDSPModule(TMMDSPModuleEntry& Entry) {
  if (Entry.Initialized) {
    try {
      if (TMMDSPOwnModule* m = Entry.OwnModule) {
        if (m->Quit) m->Quit(m);
      } else if (TMMDSPStandardModule* m = Entry.StandardModule) {
        if (m->Quit) m->Quit(m);
      }
    } catch (...) {
      // The module is given up either way.
    }
  }
  Entry.Initialized = false;
}

}  // namespace engine
