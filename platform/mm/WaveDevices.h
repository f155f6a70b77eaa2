#pragma once
// The wave-device driver interface: capture and playback devices, their
// capabilities, buffer headers and notices. Devices are numbered 0..n-1 per
// direction in one table (see WaveDriver.h for the kinds behind it).
#include <cstdint>
#include <string>

#include "platform/kernel/Types.h"
#include "platform/mm/MMErrors.h"
#include "platform/mm/MMSystem.h"

namespace plat {

constexpr UINT WAVE_MAPPER = static_cast<UINT>(-1);
constexpr UINT MAXPNAMELEN = 32;

// waveInOpen / waveOutOpen flags.
constexpr DWORD WAVE_FORMAT_QUERY = 0x0001;
constexpr DWORD WAVE_ALLOWSYNC = 0x0002;
constexpr DWORD WAVE_MAPPED = 0x0004;
constexpr DWORD WAVE_FORMAT_DIRECT = 0x0008;
constexpr DWORD CALLBACK_TYPEMASK = 0x00070000;
constexpr DWORD CALLBACK_NULL = 0x00000000;
constexpr DWORD CALLBACK_WINDOW = 0x00010000;
constexpr DWORD CALLBACK_TASK = 0x00020000;
constexpr DWORD CALLBACK_THREAD = CALLBACK_TASK;
constexpr DWORD CALLBACK_FUNCTION = 0x00030000;
constexpr DWORD CALLBACK_EVENT = 0x00050000;

// Notices: the callback function gets WIM_* / WOM_*, windows and threads the
// MM_* messages with wParam = handle and lParam = header.
constexpr UINT MM_WOM_OPEN = 0x3BB;
constexpr UINT MM_WOM_CLOSE = 0x3BC;
constexpr UINT MM_WOM_DONE = 0x3BD;
constexpr UINT MM_WIM_OPEN = 0x3BE;
constexpr UINT MM_WIM_CLOSE = 0x3BF;
constexpr UINT MM_WIM_DATA = 0x3C0;
constexpr UINT WOM_OPEN = MM_WOM_OPEN;
constexpr UINT WOM_CLOSE = MM_WOM_CLOSE;
constexpr UINT WOM_DONE = MM_WOM_DONE;
constexpr UINT WIM_OPEN = MM_WIM_OPEN;
constexpr UINT WIM_CLOSE = MM_WIM_CLOSE;
constexpr UINT WIM_DATA = MM_WIM_DATA;

// Standard formats of the capability records: rate class (11.025, 22.05,
// 44.1 kHz), mono or stereo, 8 or 16 bits.
constexpr DWORD WAVE_INVALIDFORMAT = 0x00000000;
constexpr DWORD WAVE_FORMAT_1M08 = 0x00000001;
constexpr DWORD WAVE_FORMAT_1S08 = 0x00000002;
constexpr DWORD WAVE_FORMAT_1M16 = 0x00000004;
constexpr DWORD WAVE_FORMAT_1S16 = 0x00000008;
constexpr DWORD WAVE_FORMAT_2M08 = 0x00000010;
constexpr DWORD WAVE_FORMAT_2S08 = 0x00000020;
constexpr DWORD WAVE_FORMAT_2M16 = 0x00000040;
constexpr DWORD WAVE_FORMAT_2S16 = 0x00000080;
constexpr DWORD WAVE_FORMAT_4M08 = 0x00000100;
constexpr DWORD WAVE_FORMAT_4S08 = 0x00000200;
constexpr DWORD WAVE_FORMAT_4M16 = 0x00000400;
constexpr DWORD WAVE_FORMAT_4S16 = 0x00000800;
constexpr DWORD WAVE_FORMAT_STANDARD_ALL = 0x00000FFF;

// Output capability flags.
constexpr DWORD WAVECAPS_PITCH = 0x0001;
constexpr DWORD WAVECAPS_PLAYBACKRATE = 0x0002;
constexpr DWORD WAVECAPS_VOLUME = 0x0004;
constexpr DWORD WAVECAPS_LRVOLUME = 0x0008;
constexpr DWORD WAVECAPS_SYNC = 0x0010;
constexpr DWORD WAVECAPS_SAMPLEACCURATE = 0x0020;

// Header flags.
constexpr DWORD WHDR_DONE = 0x00000001;
constexpr DWORD WHDR_PREPARED = 0x00000002;
constexpr DWORD WHDR_BEGINLOOP = 0x00000004;
constexpr DWORD WHDR_ENDLOOP = 0x00000008;
constexpr DWORD WHDR_INQUEUE = 0x00000010;

// Time formats of MMTIME.
constexpr UINT TIME_MS = 0x0001;
constexpr UINT TIME_SAMPLES = 0x0002;
constexpr UINT TIME_BYTES = 0x0004;
constexpr UINT TIME_SMPTE = 0x0008;
constexpr UINT TIME_MIDI = 0x0010;
constexpr UINT TIME_TICKS = 0x0020;

constexpr UINT MAXERRORLENGTH = 256;

// A buffer lent to a device. The device owns it from add/write until it
// comes back with WHDR_DONE set; the caller owns it otherwise.
struct WAVEHDR {
  char* lpData = nullptr;
  DWORD dwBufferLength = 0;
  DWORD dwBytesRecorded = 0;
  DWORD_PTR dwUser = 0;
  DWORD dwFlags = 0;
  DWORD dwLoops = 0;
  WAVEHDR* lpNext = nullptr;
  DWORD_PTR reserved = 0;
};
using PWAVEHDR = WAVEHDR*;
using LPWAVEHDR = WAVEHDR*;

struct WAVEINCAPSA {
  WORD wMid = 0;
  WORD wPid = 0;
  UINT vDriverVersion = 0;
  char szPname[MAXPNAMELEN] = {};
  DWORD dwFormats = 0;
  WORD wChannels = 0;
  WORD wReserved1 = 0;
};

struct WAVEOUTCAPSA {
  WORD wMid = 0;
  WORD wPid = 0;
  UINT vDriverVersion = 0;
  char szPname[MAXPNAMELEN] = {};
  DWORD dwFormats = 0;
  WORD wChannels = 0;
  WORD wReserved1 = 0;
  DWORD dwSupport = 0;
};

struct MMTIME {
  UINT wType = 0;
  union {
    DWORD ms;
    DWORD sample;
    DWORD cb;
    DWORD ticks;
    struct {
      BYTE hour, min, sec, frame, fps, dummy;
      BYTE pad[2];
    } smpte;
    struct {
      DWORD songptrpos;
    } midi;
  } u = {};
};

using LPWAVEINCALLBACK = void (*)(HWAVEIN handle, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                  DWORD_PTR param2);
using LPWAVEOUTCALLBACK = void (*)(HWAVEOUT handle, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                   DWORD_PTR param2);

// Capture.
UINT waveInGetNumDevs();
MMRESULT waveInGetDevCapsA(UINT device_id, WAVEINCAPSA* caps, UINT size);
MMRESULT waveInGetErrorTextA(MMRESULT error, char* text, UINT size);
MMRESULT waveInOpen(HWAVEIN* handle, UINT device_id, const WAVEFORMATEX* format, DWORD_PTR callback,
                    DWORD_PTR instance, DWORD flags);
MMRESULT waveInClose(HWAVEIN handle);
MMRESULT waveInPrepareHeader(HWAVEIN handle, WAVEHDR* header, UINT size);
MMRESULT waveInUnprepareHeader(HWAVEIN handle, WAVEHDR* header, UINT size);
MMRESULT waveInAddBuffer(HWAVEIN handle, WAVEHDR* header, UINT size);
MMRESULT waveInStart(HWAVEIN handle);
// Returns the buffer being filled, with what it holds so far.
MMRESULT waveInStop(HWAVEIN handle);
// Returns every queued buffer in order and sets the position to 0.
MMRESULT waveInReset(HWAVEIN handle);
MMRESULT waveInGetPosition(HWAVEIN handle, MMTIME* time, UINT size);
MMRESULT waveInGetID(HWAVEIN handle, UINT* device_id);

// Playback.
UINT waveOutGetNumDevs();
MMRESULT waveOutGetDevCapsA(UINT device_id, WAVEOUTCAPSA* caps, UINT size);
MMRESULT waveOutGetErrorTextA(MMRESULT error, char* text, UINT size);
MMRESULT waveOutOpen(HWAVEOUT* handle, UINT device_id, const WAVEFORMATEX* format, DWORD_PTR callback,
                     DWORD_PTR instance, DWORD flags);
MMRESULT waveOutClose(HWAVEOUT handle);
MMRESULT waveOutPrepareHeader(HWAVEOUT handle, WAVEHDR* header, UINT size);
MMRESULT waveOutUnprepareHeader(HWAVEOUT handle, WAVEHDR* header, UINT size);
MMRESULT waveOutWrite(HWAVEOUT handle, WAVEHDR* header, UINT size);
MMRESULT waveOutPause(HWAVEOUT handle);
MMRESULT waveOutRestart(HWAVEOUT handle);
MMRESULT waveOutReset(HWAVEOUT handle);
// Ends the loop being played after its current pass.
MMRESULT waveOutBreakLoop(HWAVEOUT handle);
MMRESULT waveOutGetPosition(HWAVEOUT handle, MMTIME* time, UINT size);
// Low word left, high word right; the handle may also be a device id.
MMRESULT waveOutGetVolume(HWAVEOUT handle, DWORD* volume);
MMRESULT waveOutSetVolume(HWAVEOUT handle, DWORD volume);
MMRESULT waveOutGetID(HWAVEOUT handle, UINT* device_id);

// Set-up of the device table and the virtual devices (start-up and tests).
namespace wavedev {

// Builds the table again from the environment (QUELLIX_AUDIO=virtual hides
// the real devices). Refused (false) while a device is open.
bool RebuildDeviceTable();
// The id of the device with this name in the table, or WAVE_MAPPER.
UINT FindWaveInDevice(const std::string& name);
UINT FindWaveOutDevice(const std::string& name);
// The table id the mapper stands for, or WAVE_MAPPER when the table is empty.
UINT MappedWaveInDevice();
UINT MappedWaveOutDevice();
// Captured bytes of an open input that found no buffer, or came from the
// device faster than they could be taken.
uint64_t LostCaptureBytes(HWAVEIN handle);
// True when the device of this id is a real device (the sound card).
bool IsRealWaveInDevice(UINT device_id);
bool IsRealWaveOutDevice(UINT device_id);

}  // namespace wavedev

}  // namespace plat
