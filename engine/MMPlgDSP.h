#pragma once
// DSP plug-in libraries: a library exports a header entry whose header hands
// out processing modules. This unit reads a library's description and module
// list, opens the library for use and drives one module at a time.
//
// The records exchanged with a library are declared here once; the plug-ins
// include this header too. They keep the field order of the libraries' 32-bit
// records with native pointer and handle sizes.
#include <array>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "platform/kernel/Types.h"
#include "platform/mm/MMSystem.h"

namespace engine {

struct TMMDSPStandardModule;
struct TMMDSPOwnModule;

extern "C" {

// Header returned by a library's header entry.
struct TMMDSPHeader {
  int32_t Version;  // below MMDSPMinVersion the library is refused
  const char* Description;
  // Module `index`, or null past the last one. The pointer is a
  // TMMDSPStandardModule or a TMMDSPOwnModule depending on the entry the
  // header came from.
  void* (*GetModule)(int32_t index);
};

using TMMDSPHeaderEntry = TMMDSPHeader* (*)();

// Modules of libraries found through MMDSPStandardEntry.
struct TMMDSPStandardModule {
  const char* Description;
  plat::HWND ParentWnd;                           // set when the library is opened
  plat::HINSTANCE Instance;                       // set when the library is opened
  void (*Config)(TMMDSPStandardModule* module);   // never called by the host
  int32_t (*Init)(TMMDSPStandardModule* module);  // 0 means success
  // Processes `count` frames of 16-bit samples in place and returns the new
  // frame count.
  int32_t (*ModifySamples)(TMMDSPStandardModule* module, int16_t* samples, int32_t count,
                           int32_t bits_per_sample, int32_t channels, int32_t sample_rate);
  void (*Quit)(TMMDSPStandardModule* module);
};

// Modules of libraries found through MMDSPOwnEntry or MMDSPOwnAltEntry.
struct TMMDSPOwnModule {
  const char* Description;
  plat::HWND ParentWnd;      // set when the library is opened
  plat::HINSTANCE Instance;  // set when the library is opened
  int32_t SampleRate;        // these three are set before init and restart
  int32_t Channels;
  int32_t BufferSamples;  // frames per buffer
  int32_t Reserved1;
  int32_t (*Init)(TMMDSPOwnModule* module);     // 0 means success
  int32_t (*Restart)(TMMDSPOwnModule* module);  // 0 means success
  // Processes one buffer of BufferSamples frames in place.
  void (*Process)(TMMDSPOwnModule* module, int16_t* samples);
  void* Reserved2[2];
  void (*Quit)(TMMDSPOwnModule* module);
};

}  // extern "C"

// Header entries, looked up in this order; the first two give the library's
// own layout, the last the standard one.
inline constexpr const char* MMDSPOwnEntry = "winampDSPGetHeader";
inline constexpr const char* MMDSPOwnAltEntry = "MMPlugInDSPGetHeader";
inline constexpr const char* MMDSPStandardEntry = "winampDSPGetHeader2";

inline constexpr int32_t MMDSPMinVersion = 16;
inline constexpr int MMDSPMaxModules = 100;

struct TMMDSPModuleEntry {
  std::string Name;
  bool Initialized = false;
  // At most one is set, and only while the library is open.
  TMMDSPOwnModule* OwnModule = nullptr;
  TMMDSPStandardModule* StandardModule = nullptr;
};

// The description of one library and, while it is open, its modules.
// Destroying an open record closes the library first.
struct TMMDSPPluginInfo {
  TMMDSPPluginInfo() = default;
  TMMDSPPluginInfo(const TMMDSPPluginInfo&) = delete;
  TMMDSPPluginInfo& operator=(const TMMDSPPluginInfo&) = delete;
  ~TMMDSPPluginInfo();

  std::string FileName;  // upper case
  plat::HMODULE Handle = nullptr;
  std::string Description;
  std::array<TMMDSPModuleEntry, MMDSPMaxModules> Modules;
  int32_t ModuleCount = 0;
  bool Opened = false;
  TMMDSPHeader* Header = nullptr;
};

using PMMDSPPluginInfo = std::unique_ptr<TMMDSPPluginInfo>;

// Loads the library, reads its description and module names and frees it
// again. Null for a file that is no loadable plug-in.
PMMDSPPluginInfo ReadDSPPluginInfo(const std::string& FileName);
// Opens the library for use and binds the modules; True when open.
bool LoadDSPPlugin(TMMDSPPluginInfo* Info, plat::HWND ParentWnd);
// Quits every module and frees the library; the description stays.
void CloseDSPPlugin(TMMDSPPluginInfo* Info);
// Closes and frees the record; Info becomes null.
void FreeDSPPluginInfo(PMMDSPPluginInfo& Info);

// The module routines never raise: a fault inside the plug-in counts as a
// failure (False, or 0 bytes); ProcessDSPModule hands the fault to Fault when given.
//
// Result: the entry's Initialized. A null Format means 22050 Hz mono.
bool InitDSPModule(TMMDSPModuleEntry& Entry, const plat::WAVEFORMATEX* Format, int32_t BufferSize);
bool RestartDSPModule(TMMDSPModuleEntry& Entry, const plat::WAVEFORMATEX* Format, int32_t BufferSize);
// Runs the module over Bytes bytes of Data in place; the result is the number
// of valid bytes afterwards. A standard module may change the frame count;
// its result is kept within BufferLength bytes (Bytes when not given).
int32_t ProcessDSPModule(TMMDSPModuleEntry& Entry, void* Data, int32_t Bytes,
                         const plat::WAVEFORMATEX* Format, int32_t BufferLength = -1,
                         std::exception_ptr* Fault = nullptr);
void QuitDSPModule(TMMDSPModuleEntry& Entry);

}  // namespace engine
