#include "platform/mm/WaveDevices.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/mm/WaveDriver.h"
#include "platform/mm/WaveFaulty.h"
#include "platform/mm/WaveFileInput.h"
#include "platform/mm/WaveHost.h"
#include "platform/mm/WaveLoopback.h"
#include "platform/user/Window.h"

namespace plat {

namespace {

using wave::Call;
using wave::Direction;
using wave::WaveDevice;
using wave::WavePort;

struct Table {
  std::vector<std::shared_ptr<WaveDevice>> devices[2];
  size_t mapped[2] = {0, 0};
  bool built = false;
};

struct State {
  std::mutex mutex;
  Table table;
  std::map<uintptr_t, std::shared_ptr<WavePort>> ports;
  // Handle values are never reused, and stay clear of device ids.
  uintptr_t next_handle = 0x10000;
};

State& TheState() {
  static State* state = new State;  // device threads may outlive static destruction
  return *state;
}

int Index(Direction d) { return d == Direction::kIn ? 0 : 1; }

void BuildLocked(Table& table) {
  const char* audio = std::getenv("QUELLIX_AUDIO");
  const bool virtual_only = audio && std::strcmp(audio, "virtual") == 0;
  auto loopback = wave::MakeLoopbackDevices();
  auto faulty = wave::MakeFaultyDevices();
  wave::HostDevices host;
  if (!virtual_only) host = wave::ScanHostDevices();
  for (Direction d : {Direction::kIn, Direction::kOut}) {
    auto& list = table.devices[Index(d)];
    list = d == Direction::kIn ? std::move(host.in) : std::move(host.out);
    const size_t default_index = d == Direction::kIn ? host.default_in : host.default_out;
    const bool real = !list.empty();
    const size_t loopback_id = list.size();
    list.push_back(d == Direction::kIn ? loopback[1] : loopback[0]);
    if (d == Direction::kIn) list.push_back(wave::MakeFileInputDevice());
    list.push_back(d == Direction::kIn ? faulty[1] : faulty[0]);
    table.mapped[Index(d)] = real ? default_index : loopback_id;
  }
  table.built = true;
}

Table& TableLocked() {
  State& s = TheState();
  if (!s.table.built) BuildLocked(s.table);
  return s.table;
}

size_t DeviceCount(Direction d) {
  std::lock_guard lock(TheState().mutex);
  return TableLocked().devices[Index(d)].size();
}

// The device of an id (the mapper resolved), or null.
std::shared_ptr<WaveDevice> FindDevice(Direction d, UINT id, UINT* resolved) {
  std::lock_guard lock(TheState().mutex);
  Table& table = TableLocked();
  const auto& list = table.devices[Index(d)];
  if (id == WAVE_MAPPER) id = static_cast<UINT>(table.mapped[Index(d)]);
  if (id >= list.size()) return nullptr;
  if (resolved) *resolved = id;
  return list[id];
}

std::shared_ptr<WavePort> FindPort(Direction d, uintptr_t handle) {
  std::lock_guard lock(TheState().mutex);
  auto& ports = TheState().ports;
  auto it = ports.find(handle);
  if (it == ports.end() || it->second->direction() != d) return nullptr;
  return it->second;
}

wave::DeviceCaps CapsOf(Direction d, UINT id, MMRESULT* result) {
  auto device = FindDevice(d, id, nullptr);
  if (!device) {
    *result = MMSYSERR_BADDEVICEID;
    return {};
  }
  *result = device->Fault(Call::kGetDevCaps);
  wave::DeviceCaps caps = device->Caps();
  if (id == WAVE_MAPPER) caps.name = "Wave Mapper";
  return caps;
}

template <class CAPS>
void FillCaps(const wave::DeviceCaps& caps, CAPS* out) {
  out->wMid = caps.mid;
  out->wPid = caps.pid;
  out->vDriverVersion = caps.version;
  std::memset(out->szPname, 0, sizeof(out->szPname));
  std::strncpy(out->szPname, caps.name.c_str(), sizeof(out->szPname) - 1);
  out->dwFormats = caps.formats;
  out->wChannels = caps.channels;
}

MMRESULT Open(Direction d, uintptr_t* handle_out, UINT id, const WAVEFORMATEX* format, DWORD_PTR callback,
              DWORD_PTR instance, DWORD flags) {
  constexpr DWORD kKnownFlags =
      CALLBACK_TYPEMASK | WAVE_FORMAT_QUERY | WAVE_ALLOWSYNC | WAVE_MAPPED | WAVE_FORMAT_DIRECT;
  if (flags & ~kKnownFlags) return MMSYSERR_INVALFLAG;
  const DWORD type = flags & CALLBACK_TYPEMASK;
  if (type != CALLBACK_NULL && type != CALLBACK_FUNCTION && type != CALLBACK_EVENT &&
      type != CALLBACK_THREAD && type != CALLBACK_WINDOW)
    return MMSYSERR_INVALFLAG;
  const bool query = flags & WAVE_FORMAT_QUERY;
  if (!format || (!query && !handle_out)) return MMSYSERR_INVALPARAM;
  UINT resolved = 0;
  auto device = FindDevice(d, id, &resolved);
  if (!device) return MMSYSERR_BADDEVICEID;
  if (MMRESULT r = device->CheckFormat(*format)) return r;
  if (query) return MMSYSERR_NOERROR;
  if (type != CALLBACK_NULL && callback == 0) return MMSYSERR_INVALPARAM;
  if (type == CALLBACK_WINDOW && !IsWindow(reinterpret_cast<HWND>(callback))) return MMSYSERR_INVALPARAM;
  if (MMRESULT r = device->Fault(Call::kOpen)) return r;

  uintptr_t handle;
  {
    std::lock_guard lock(TheState().mutex);
    handle = TheState().next_handle;
    TheState().next_handle += 0x10;
  }
  auto port = std::make_shared<WavePort>(d, device, resolved, *format,
                                         wave::Callback{type, callback, instance}, handle);
  std::unique_ptr<wave::WaveStream> stream;
  if (MMRESULT r = device->Open(*format, *port, &stream)) return r;
  WavePort::Run(port, std::move(stream));
  {
    std::lock_guard lock(TheState().mutex);
    TheState().ports[handle] = port;
  }
  *handle_out = handle;
  port->DeliverNow(d == Direction::kIn ? WIM_OPEN : WOM_OPEN);
  return MMSYSERR_NOERROR;
}

MMRESULT Close(Direction d, uintptr_t handle) {
  auto port = FindPort(d, handle);
  if (!port) return MMSYSERR_INVALHANDLE;
  if (MMRESULT r = port->device().Fault(Call::kClose)) return r;
  if (MMRESULT r = port->Close()) return r;
  {
    std::lock_guard lock(TheState().mutex);
    TheState().ports.erase(handle);
  }
  port->DeliverNow(d == Direction::kIn ? WIM_CLOSE : WOM_CLOSE);
  return MMSYSERR_NOERROR;
}

MMRESULT HeaderCall(Direction d, uintptr_t handle, WAVEHDR* header, UINT size, Call call) {
  auto port = FindPort(d, handle);
  if (!port) return MMSYSERR_INVALHANDLE;
  if (!header || size < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
  if (MMRESULT r = port->device().Fault(call)) return r;
  switch (call) {
    case Call::kPrepare:
      if (!header->lpData) return MMSYSERR_INVALPARAM;
      return port->Prepare(header);
    case Call::kUnprepare:
      return port->Unprepare(header);
    default:
      if (!header->lpData && header->dwBufferLength > 0) return MMSYSERR_INVALPARAM;
      return port->Queue(header);
  }
}

MMRESULT PortCall(Direction d, uintptr_t handle, Call call) {
  auto port = FindPort(d, handle);
  if (!port) return MMSYSERR_INVALHANDLE;
  if (MMRESULT r = port->device().Fault(call)) return r;
  switch (call) {
    case Call::kStart:
      return port->Start();
    case Call::kStop:
      return port->Stop();
    case Call::kPause:
      return port->Pause();
    case Call::kRestart:
      return port->Restart();
    case Call::kReset:
      return port->Reset();
    case Call::kBreakLoop:
      return port->BreakLoop();
    default:
      return MMSYSERR_NOTSUPPORTED;
  }
}

MMRESULT GetPosition(Direction d, uintptr_t handle, MMTIME* time, UINT size) {
  auto port = FindPort(d, handle);
  if (!port) return MMSYSERR_INVALHANDLE;
  if (!time || size < sizeof(MMTIME)) return MMSYSERR_INVALPARAM;
  if (MMRESULT r = port->device().Fault(Call::kGetPosition)) return r;
  uint64_t bytes = 0;
  if (MMRESULT r = port->Position(&bytes)) return r;
  const WAVEFORMATEX& f = port->format();
  switch (time->wType) {
    case TIME_MS:
      time->u.ms = static_cast<DWORD>(bytes * 1000 / f.nAvgBytesPerSec);
      break;
    case TIME_SAMPLES:
      if (!port->device().PositionInBytesOnly()) {
        time->u.sample = static_cast<DWORD>(bytes / f.nBlockAlign);
        break;
      }
      [[fallthrough]];
    default:
      // Formats the devices do not keep come back in bytes, as callers expect.
      time->wType = TIME_BYTES;
      time->u.cb = static_cast<DWORD>(bytes);
      break;
  }
  return MMSYSERR_NOERROR;
}

MMRESULT GetId(Direction d, uintptr_t handle, UINT* id) {
  auto port = FindPort(d, handle);
  if (!port) return MMSYSERR_INVALHANDLE;
  if (!id) return MMSYSERR_INVALPARAM;
  *id = port->device_id();
  return MMSYSERR_NOERROR;
}

const char* ErrorText(MMRESULT error) {
  switch (error) {
    case MMSYSERR_NOERROR:
      return "The operation completed successfully.";
    case MMSYSERR_ERROR:
      return "An unspecified error occurred.";
    case MMSYSERR_BADDEVICEID:
      return "The device identifier is out of range.";
    case MMSYSERR_NOTENABLED:
      return "The driver could not be enabled.";
    case MMSYSERR_ALLOCATED:
      return "The device is already in use by another client.";
    case MMSYSERR_INVALHANDLE:
      return "The device handle is not valid.";
    case MMSYSERR_NODRIVER:
      return "No driver is installed for the device.";
    case MMSYSERR_NOMEM:
      return "Not enough memory is available for the operation.";
    case MMSYSERR_NOTSUPPORTED:
      return "The device does not support this operation.";
    case MMSYSERR_BADERRNUM:
      return "The error number is out of range.";
    case MMSYSERR_INVALFLAG:
      return "An invalid flag was passed.";
    case MMSYSERR_INVALPARAM:
      return "An invalid parameter was passed.";
    case MMSYSERR_HANDLEBUSY:
      return "The handle is in use by another thread.";
    case MMSYSERR_INVALIDALIAS:
      return "The alias is not valid.";
    case MMSYSERR_BADDB:
      return "The driver settings are damaged.";
    case MMSYSERR_KEYNOTFOUND:
      return "A driver setting was not found.";
    case MMSYSERR_READERROR:
      return "The driver settings could not be read.";
    case MMSYSERR_WRITEERROR:
      return "The driver settings could not be written.";
    case MMSYSERR_DELETEERROR:
      return "A driver setting could not be deleted.";
    case MMSYSERR_VALNOTFOUND:
      return "A driver setting value was not found.";
    case MMSYSERR_NODRIVERCB:
      return "The driver did not answer its callback.";
    case WAVERR_BADFORMAT:
      return "The device cannot use this wave format.";
    case WAVERR_STILLPLAYING:
      return "Buffers are still queued with the device.";
    case WAVERR_UNPREPARED:
      return "The buffer header has not been prepared.";
    case WAVERR_SYNC:
      return "The device works synchronously only.";
    default:
      return nullptr;
  }
}

MMRESULT GetErrorText(MMRESULT error, char* text, UINT size) {
  if (!text || size == 0) return MMSYSERR_INVALPARAM;
  const char* message = ErrorText(error);
  text[0] = '\0';
  if (!message) return MMSYSERR_BADERRNUM;
  std::strncpy(text, message, size - 1);
  text[size - 1] = '\0';
  return MMSYSERR_NOERROR;
}

uintptr_t H(HWAVEIN h) { return reinterpret_cast<uintptr_t>(h); }
uintptr_t H(HWAVEOUT h) { return reinterpret_cast<uintptr_t>(h); }

// Volume calls name an open output or, as callers may, a device id.
std::shared_ptr<WaveDevice> VolumeDevice(HWAVEOUT handle, MMRESULT* result) {
  std::shared_ptr<WaveDevice> device;
  if (auto port = FindPort(Direction::kOut, H(handle))) {
    device = port->shared_device();
  } else {
    device = FindDevice(Direction::kOut, static_cast<UINT>(H(handle)), nullptr);
  }
  *result = device ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
  return device;
}

}  // namespace

UINT waveInGetNumDevs() { return static_cast<UINT>(DeviceCount(Direction::kIn)); }
UINT waveOutGetNumDevs() { return static_cast<UINT>(DeviceCount(Direction::kOut)); }

MMRESULT waveInGetDevCapsA(UINT device_id, WAVEINCAPSA* caps, UINT size) {
  if (!caps || size == 0) return MMSYSERR_INVALPARAM;
  MMRESULT result;
  const auto info = CapsOf(Direction::kIn, device_id, &result);
  if (result) return result;
  WAVEINCAPSA full;
  FillCaps(info, &full);
  std::memcpy(caps, &full, std::min<size_t>(size, sizeof(full)));
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutGetDevCapsA(UINT device_id, WAVEOUTCAPSA* caps, UINT size) {
  if (!caps || size == 0) return MMSYSERR_INVALPARAM;
  MMRESULT result;
  const auto info = CapsOf(Direction::kOut, device_id, &result);
  if (result) return result;
  WAVEOUTCAPSA full;
  FillCaps(info, &full);
  full.dwSupport = info.support;
  std::memcpy(caps, &full, std::min<size_t>(size, sizeof(full)));
  return MMSYSERR_NOERROR;
}

MMRESULT waveInGetErrorTextA(MMRESULT error, char* text, UINT size) {
  return GetErrorText(error, text, size);
}
MMRESULT waveOutGetErrorTextA(MMRESULT error, char* text, UINT size) {
  return GetErrorText(error, text, size);
}

MMRESULT waveInOpen(HWAVEIN* handle, UINT device_id, const WAVEFORMATEX* format, DWORD_PTR callback,
                    DWORD_PTR instance, DWORD flags) {
  uintptr_t h = 0;
  const MMRESULT r =
      Open(Direction::kIn, handle ? &h : nullptr, device_id, format, callback, instance, flags);
  if (r == MMSYSERR_NOERROR && handle && !(flags & WAVE_FORMAT_QUERY)) *handle = reinterpret_cast<HWAVEIN>(h);
  return r;
}

MMRESULT waveOutOpen(HWAVEOUT* handle, UINT device_id, const WAVEFORMATEX* format, DWORD_PTR callback,
                     DWORD_PTR instance, DWORD flags) {
  uintptr_t h = 0;
  const MMRESULT r =
      Open(Direction::kOut, handle ? &h : nullptr, device_id, format, callback, instance, flags);
  if (r == MMSYSERR_NOERROR && handle && !(flags & WAVE_FORMAT_QUERY))
    *handle = reinterpret_cast<HWAVEOUT>(h);
  return r;
}

MMRESULT waveInClose(HWAVEIN handle) { return Close(Direction::kIn, H(handle)); }
MMRESULT waveOutClose(HWAVEOUT handle) { return Close(Direction::kOut, H(handle)); }

MMRESULT waveInPrepareHeader(HWAVEIN handle, WAVEHDR* header, UINT size) {
  return HeaderCall(Direction::kIn, H(handle), header, size, Call::kPrepare);
}
MMRESULT waveInUnprepareHeader(HWAVEIN handle, WAVEHDR* header, UINT size) {
  return HeaderCall(Direction::kIn, H(handle), header, size, Call::kUnprepare);
}
MMRESULT waveInAddBuffer(HWAVEIN handle, WAVEHDR* header, UINT size) {
  return HeaderCall(Direction::kIn, H(handle), header, size, Call::kQueue);
}
MMRESULT waveOutPrepareHeader(HWAVEOUT handle, WAVEHDR* header, UINT size) {
  return HeaderCall(Direction::kOut, H(handle), header, size, Call::kPrepare);
}
MMRESULT waveOutUnprepareHeader(HWAVEOUT handle, WAVEHDR* header, UINT size) {
  return HeaderCall(Direction::kOut, H(handle), header, size, Call::kUnprepare);
}
MMRESULT waveOutWrite(HWAVEOUT handle, WAVEHDR* header, UINT size) {
  return HeaderCall(Direction::kOut, H(handle), header, size, Call::kQueue);
}

MMRESULT waveInStart(HWAVEIN handle) { return PortCall(Direction::kIn, H(handle), Call::kStart); }
MMRESULT waveInStop(HWAVEIN handle) { return PortCall(Direction::kIn, H(handle), Call::kStop); }
MMRESULT waveInReset(HWAVEIN handle) { return PortCall(Direction::kIn, H(handle), Call::kReset); }
MMRESULT waveOutPause(HWAVEOUT handle) { return PortCall(Direction::kOut, H(handle), Call::kPause); }
MMRESULT waveOutRestart(HWAVEOUT handle) { return PortCall(Direction::kOut, H(handle), Call::kRestart); }
MMRESULT waveOutReset(HWAVEOUT handle) { return PortCall(Direction::kOut, H(handle), Call::kReset); }
MMRESULT waveOutBreakLoop(HWAVEOUT handle) { return PortCall(Direction::kOut, H(handle), Call::kBreakLoop); }

MMRESULT waveInGetPosition(HWAVEIN handle, MMTIME* time, UINT size) {
  return GetPosition(Direction::kIn, H(handle), time, size);
}
MMRESULT waveOutGetPosition(HWAVEOUT handle, MMTIME* time, UINT size) {
  return GetPosition(Direction::kOut, H(handle), time, size);
}

MMRESULT waveInGetID(HWAVEIN handle, UINT* device_id) { return GetId(Direction::kIn, H(handle), device_id); }
MMRESULT waveOutGetID(HWAVEOUT handle, UINT* device_id) {
  return GetId(Direction::kOut, H(handle), device_id);
}

MMRESULT waveOutGetVolume(HWAVEOUT handle, DWORD* volume) {
  if (!volume) return MMSYSERR_INVALPARAM;
  MMRESULT result;
  auto device = VolumeDevice(handle, &result);
  if (!device) return result;
  if (MMRESULT r = device->Fault(Call::kGetVolume)) return r;
  *volume = device->volume();
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutSetVolume(HWAVEOUT handle, DWORD volume) {
  MMRESULT result;
  auto device = VolumeDevice(handle, &result);
  if (!device) return result;
  if (MMRESULT r = device->Fault(Call::kSetVolume)) return r;
  device->set_volume(volume);
  return MMSYSERR_NOERROR;
}

namespace wavedev {

bool RebuildDeviceTable() {
  std::lock_guard lock(TheState().mutex);
  State& s = TheState();
  if (!s.ports.empty()) return false;
  BuildLocked(s.table);
  return true;
}

namespace {

UINT FindByName(Direction d, const std::string& name) {
  std::lock_guard lock(TheState().mutex);
  const auto& list = TableLocked().devices[Index(d)];
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i]->Caps().name == name) return static_cast<UINT>(i);
  return WAVE_MAPPER;
}

UINT Mapped(Direction d) {
  std::lock_guard lock(TheState().mutex);
  Table& table = TableLocked();
  return table.devices[Index(d)].empty() ? WAVE_MAPPER : static_cast<UINT>(table.mapped[Index(d)]);
}

bool IsReal(Direction d, UINT id) {
  auto device = FindDevice(d, id, nullptr);
  return device && device->IsReal();
}

}  // namespace

UINT FindWaveInDevice(const std::string& name) { return FindByName(Direction::kIn, name); }
uint64_t LostCaptureBytes(HWAVEIN handle) {
  auto port = FindPort(Direction::kIn, H(handle));
  if (!port) return 0;
  std::lock_guard lock(waitcore::Mutex());
  return port->lost();
}
UINT FindWaveOutDevice(const std::string& name) { return FindByName(Direction::kOut, name); }
UINT MappedWaveInDevice() { return Mapped(Direction::kIn); }
UINT MappedWaveOutDevice() { return Mapped(Direction::kOut); }
bool IsRealWaveInDevice(UINT device_id) {
  return device_id != WAVE_MAPPER && IsReal(Direction::kIn, device_id);
}
bool IsRealWaveOutDevice(UINT device_id) {
  return device_id != WAVE_MAPPER && IsReal(Direction::kOut, device_id);
}

}  // namespace wavedev

}  // namespace plat
