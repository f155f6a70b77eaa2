#pragma once
// Playing a whole wave sound: PlaySoundA and sndPlaySoundA over the wave
// output (the default device). One sound plays at a time: it is written to
// the device during the call, a player thread closes the device at its end;
// a new sound replaces the one playing, a null sound stops it.
// Every image is copied before it plays, so a caller may free or change its
// memory as soon as the call returns. Event sounds (aliases) go to an event
// sound sink; without one an alias is unknown.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/kernel/Types.h"
#include "platform/mm/MMSystem.h"

namespace plat {

constexpr DWORD SND_SYNC = 0x0000;
constexpr DWORD SND_ASYNC = 0x0001;
constexpr DWORD SND_NODEFAULT = 0x0002;
constexpr DWORD SND_MEMORY = 0x0004;
constexpr DWORD SND_LOOP = 0x0008;
constexpr DWORD SND_NOSTOP = 0x0010;
constexpr DWORD SND_PURGE = 0x0040;
constexpr DWORD SND_NOWAIT = 0x2000;
constexpr DWORD SND_ALIAS = 0x10000;
constexpr DWORD SND_FILENAME = 0x20000;
// Holds the SND_MEMORY bit: test for it first.
constexpr DWORD SND_RESOURCE = 0x40004;

// sound: a file name, a resource name of type "WAVE" in module, a RIFF WAVE
// image in memory (its RIFF size bounds what is read) or an event alias, by
// the flags; null stops what plays. FALSE when the sound cannot be found or
// read, with SND_LOOP but not SND_ASYNC, with SND_NOSTOP while a sound plays,
// and when the output device cannot be opened: nothing ever waits for a busy
// device, so SND_NOWAIT changes nothing. A sound that is not found plays the
// default event sound unless SND_NODEFAULT is given.
BOOL PlaySoundA(const char* sound, HMODULE module, DWORD flags);
// Without SND_MEMORY the name is an alias when the alias table knows it,
// else a file name.
BOOL sndPlaySoundA(const char* sound, UINT flags);

// The parts of a RIFF WAVE image: its format and where its samples lie.
struct WaveImage {
  WAVEFORMATEX format{};
  size_t data_offset = 0;
  size_t data_size = 0;  // whole blocks only
};
// False unless the image is a RIFF WAVE with a usable PCM format and a data
// chunk, every chunk lying inside `size` bytes.
bool ParseWaveImage(const uint8_t* bytes, size_t size, WaveImage* image);

// The desktop's event sound for an alias (".Default" -> "bell", ...); empty
// when the alias is unknown.
std::string EventSoundForAlias(const std::string& alias);
// Plays an event sound by its sound-theme name; true when it was played.
using EventSoundSink = std::function<bool(const std::string& event_id)>;
// Empty: no event sounds.
void SetEventSoundSink(EventSoundSink sink);

// True while the player has a sound that has not ended (playing or about to).
bool IsSoundPlaying();

}  // namespace plat
