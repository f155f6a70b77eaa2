// The program's own DSP plug-in: one module, a one-pole low-pass at 2 kHz on
// every channel of 16-bit audio, which takes the edge off hiss and cymbals.
//
// Its small window is optional. A module linked with its own copy of the
// window layer would hold a second, invisible window system, so the window
// layer and the registry are bound weakly to the program's own: where the
// program exports them, initialisation opens the window and quit closes it;
// elsewhere the module filters without a window.
#include <cmath>
#include <cstdint>
#include <numbers>

#include "engine/MMPlgDSP.h"
#include "platform/registry/Registry.h"
#include "platform/user/Geometry.h"
#include "platform/user/Window.h"

namespace plat {
HWND CreateWindowExA(DWORD ex_style, const char* class_name, const char* window_name, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance, void* param)
    __attribute__((weak));
BOOL ShowWindow(HWND hwnd, int command) __attribute__((weak));
BOOL DestroyWindow(HWND hwnd) __attribute__((weak));
BOOL IsWindow(HWND hwnd) __attribute__((weak));
LONG RegOpenKeyExA(HKEY key, const char* sub_key, DWORD options, REGSAM desired, HKEY* result)
    __attribute__((weak));
LONG RegQueryValueExA(HKEY key, const char* value_name, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* data_size) __attribute__((weak));
LONG RegCloseKey(HKEY key) __attribute__((weak));
}  // namespace plat

using engine::TMMDSPHeader;
using engine::TMMDSPStandardModule;

namespace {

constexpr double kCutoffHz = 2000.0;
constexpr int32_t kMaxChannels = 8;
constexpr const char* kTitle = "Low-pass 2 kHz";
// The host's plug-in switch writes "visible" here when it turns the plug-in on.
constexpr const char* kSettingsKey = "Software\\WinAmp\\VST Host DSP Plugin";

struct Filter {
  double state[kMaxChannels] = {};
  bool primed = false;  // the first sample seeds the state, so a stream starts without a click
};

Filter filter;
plat::HWND window = nullptr;

bool WindowLayerBound() {
  return plat::CreateWindowExA && plat::ShowWindow && plat::DestroyWindow && plat::IsWindow;
}

// True unless the host has the value and it is 0; a host without a registry
// shows the window.
bool WindowWanted() {
  if (!plat::RegOpenKeyExA || !plat::RegQueryValueExA || !plat::RegCloseKey) return true;
  plat::HKEY key = nullptr;
  if (plat::RegOpenKeyExA(plat::HKEY_CURRENT_USER, kSettingsKey, 0, plat::KEY_READ, &key) !=
      plat::ERROR_SUCCESS)
    return false;
  plat::DWORD value = 0;
  plat::DWORD type = 0;
  plat::DWORD size = sizeof(value);
  const bool read =
      plat::RegQueryValueExA(key, "visible", nullptr, &type, reinterpret_cast<plat::BYTE*>(&value), &size) ==
          plat::ERROR_SUCCESS &&
      type == plat::REG_DWORD;
  plat::RegCloseKey(key);
  return read && value != 0;
}

void OpenWindow(plat::HWND owner, plat::HINSTANCE instance) {
  if (!WindowLayerBound() || window) return;
  // The owner keeps it above the main window and takes it along when it goes.
  window =
      plat::CreateWindowExA(0, "Static", kTitle, plat::WS_OVERLAPPED | plat::WS_CAPTION | plat::WS_SYSMENU,
                            40, 40, 220, 60, owner, nullptr, instance, nullptr);
  if (window && WindowWanted()) plat::ShowWindow(window, plat::SW_SHOW);
}

void CloseWindow() {
  // The user or the owner may have closed it already.
  if (window && WindowLayerBound() && plat::IsWindow(window)) plat::DestroyWindow(window);
  window = nullptr;
}

int32_t Init(TMMDSPStandardModule* module) {
  filter = Filter{};
  OpenWindow(module->ParentWnd, module->Instance);
  return 0;
}

int32_t ModifySamples(TMMDSPStandardModule*, int16_t* samples, int32_t count, int32_t bits, int32_t channels,
                      int32_t rate) {
  if (!samples || count <= 0) return count;
  // Anything but 16-bit audio of a shape we keep state for goes by untouched.
  if (bits != 16 || channels < 1 || channels > kMaxChannels || rate <= 0) return count;
  const double a = 1.0 - std::exp(-2.0 * std::numbers::pi * kCutoffHz / rate);
  if (!filter.primed) {
    for (int32_t c = 0; c < channels; ++c) filter.state[c] = samples[c];
    filter.primed = true;
  }
  for (int32_t i = 0; i < count; ++i) {
    for (int32_t c = 0; c < channels; ++c) {
      int16_t& s = samples[i * channels + c];
      filter.state[c] += a * (s - filter.state[c]);
      s = static_cast<int16_t>(std::lround(filter.state[c]));
    }
  }
  return count;
}

void Quit(TMMDSPStandardModule*) { CloseWindow(); }

TMMDSPStandardModule module_record = {kTitle, nullptr, nullptr, nullptr, Init, ModifySamples, Quit};

void* GetModule(int32_t index) { return index == 0 ? &module_record : nullptr; }

TMMDSPHeader header = {16, "Quellix DSP plug-in", GetModule};

}  // namespace

extern "C" TMMDSPHeader* winampDSPGetHeader2() { return &header; }
