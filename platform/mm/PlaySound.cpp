#include "platform/mm/PlaySound.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/kernel/Files.h"
#include "platform/kernel/Resources.h"
#include "platform/kernel/WaitCore.h"
#include "platform/mm/WaveDevices.h"

namespace plat {

namespace {

uint32_t Le32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// One sound with its own copy of the image, and the device it plays on.
struct Sound {
  std::vector<uint8_t> bytes;
  WaveImage image;
  bool loop = false;
  HWAVEOUT out = nullptr;
  WAVEHDR header;
  bool done = false;  // guarded by the wait core's mutex
};

// The process's one sound. The caller opens the device and writes the sound
// itself, so it plays from the moment of the call; the player thread waits
// for its end (or a stop) and closes the device. Waits go through the
// layer's wait core, so a manual clock never runs ahead of them. Never
// destroyed: a sound may still be stopping while the program shuts down.
class Player {
 public:
  // False with no_stop while a sound plays, or when the device cannot be
  // opened; a synchronous play returns when the sound has ended.
  bool Play(const std::shared_ptr<Sound>& sound, bool no_stop, bool wait) {
    std::unique_lock lock(waitcore::Mutex());
    if (no_stop && PlayingHeld()) return false;
    StopHeld(lock);
    lock.unlock();
    if (waveOutOpen(&sound->out, WAVE_MAPPER, &sound->image.format, reinterpret_cast<DWORD_PTR>(&Done),
                    reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION) != MMSYSERR_NOERROR)
      return false;
    sound->header.lpData = reinterpret_cast<char*>(sound->bytes.data() + sound->image.data_offset);
    sound->header.dwBufferLength = static_cast<DWORD>(sound->image.data_size);
    if (sound->loop) {
      sound->header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
      sound->header.dwLoops = 0xFFFFFFFFu;
    }
    waveOutPrepareHeader(sound->out, &sound->header, sizeof(WAVEHDR));
    lock.lock();
    done_count_ = 0;
    current_ = sound;
    if (!started_) {
      started_ = true;
      std::thread([this] { Run(); }).detach();
    }
    lock.unlock();
    waveOutWrite(sound->out, &sound->header, sizeof(WAVEHDR));
    lock.lock();
    waitcore::NotifyAll();
    if (wait) waitcore::WaitUntil(lock, waitcore::kNoDeadline, [&] { return sound->done; });
    return true;
  }

  void Stop() {
    std::unique_lock lock(waitcore::Mutex());
    StopHeld(lock);
  }

  bool Busy() {
    std::lock_guard lock(waitcore::Mutex());
    return PlayingHeld();
  }

 private:
  // A sound whose end the device has told of is over, while the player
  // thread may still be closing its device: that thread is not counted by a
  // manual clock as it waits for the device's worker to end, nor after a
  // change of the clock until it waits again.
  bool PlayingHeld() const { return current_ && done_count_ == 0; }

  void StopHeld(std::unique_lock<std::mutex>& lock) {
    if (!current_) return;
    stop_ = true;
    waitcore::NotifyAll();
    waitcore::WaitUntil(lock, waitcore::kNoDeadline, [&] { return !current_; });
  }

  void Run() {
    std::unique_lock lock(waitcore::Mutex());
    for (;;) {
      waitcore::WaitUntilFollowed(lock, waitcore::kNoDeadline,
                                  [&] { return current_ && (done_count_ > 0 || stop_); });
      std::shared_ptr<Sound> sound = current_;
      if (done_count_ == 0) {
        lock.unlock();
        waveOutReset(sound->out);
        lock.lock();
        waitcore::WaitUntilFollowed(lock, waitcore::kNoDeadline, [&] { return done_count_ > 0; });
      }
      lock.unlock();
      waveOutUnprepareHeader(sound->out, &sound->header, sizeof(WAVEHDR));
      waveOutClose(sound->out);
      lock.lock();
      current_.reset();
      stop_ = false;
      sound->done = true;
      waitcore::NotifyAll();
    }
  }

  static void Done(HWAVEOUT, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR) {
    if (message != WOM_DONE) return;
    auto* self = reinterpret_cast<Player*>(instance);
    std::lock_guard lock(waitcore::Mutex());
    ++self->done_count_;
    waitcore::NotifyAll();
  }

  // All guarded by the wait core's mutex.
  std::shared_ptr<Sound> current_;
  bool stop_ = false;
  int done_count_ = 0;
  bool started_ = false;
};

Player& ThePlayer() {
  static auto* player = new Player;
  return *player;
}

struct EventSounds {
  std::mutex mutex;
  EventSoundSink sink;
};
EventSounds& Events() {
  static auto* events = new EventSounds;
  return *events;
}

bool PlayEvent(const std::string& event_id) {
  EventSoundSink sink;
  {
    std::lock_guard lock(Events().mutex);
    sink = Events().sink;
  }
  return sink && sink(event_id);
}

// A RIFF chunk cannot describe more than this.
constexpr uintmax_t kMaxImage = 0xFFFFFFFFull + 8;

bool ReadFileImage(const char* name, std::vector<uint8_t>& bytes) {
  std::ifstream in(ResolvePath(name), std::ios::binary | std::ios::ate);
  if (!in) return false;
  std::streamoff size = in.tellg();
  if (size < 0 || static_cast<uintmax_t>(size) > kMaxImage) return false;
  bytes.resize(static_cast<size_t>(size));
  in.seekg(0);
  return static_cast<bool>(in.read(reinterpret_cast<char*>(bytes.data()), size));
}

bool ReadResourceImage(const char* name, HMODULE module, std::vector<uint8_t>& bytes) {
  HRSRC resource = FindResourceA(module, name, "WAVE");
  if (!resource) return false;
  HGLOBAL loaded = LoadResource(module, resource);
  const auto* data = static_cast<const uint8_t*>(LockResource(loaded));
  if (!data) return false;
  bytes.assign(data, data + SizeofResource(module, resource));
  return true;
}

// The caller's image, as far as its RIFF header says it reaches.
bool CopyMemoryImage(const char* sound, std::vector<uint8_t>& bytes) {
  const auto* data = reinterpret_cast<const uint8_t*>(sound);
  if (std::memcmp(data, "RIFF", 4) != 0) return false;
  bytes.assign(data, data + 8 + static_cast<size_t>(Le32(data + 4)));
  return true;
}

BOOL NotFound(DWORD flags) {
  if (!(flags & SND_NODEFAULT)) PlayEvent("bell");
  return FALSE;
}

}  // namespace

bool ParseWaveImage(const uint8_t* bytes, size_t size, WaveImage* image) {
  if (!bytes || size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0)
    return false;
  const size_t limit = std::min<uint64_t>(size, 8ull + Le32(bytes + 4));
  WaveImage found;
  bool have_format = false, have_data = false;
  size_t pos = 12;
  while (limit >= 8 && pos <= limit - 8) {
    const uint8_t* chunk = bytes + pos;
    const size_t body = pos + 8;
    const uint32_t length = Le32(chunk + 4);
    if (length > limit - body) return false;
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      if (length < 16) return false;
      const uint8_t* f = bytes + body;
      found.format.wFormatTag = Le16(f);
      found.format.nChannels = Le16(f + 2);
      found.format.nSamplesPerSec = Le32(f + 4);
      found.format.nAvgBytesPerSec = Le32(f + 8);
      found.format.nBlockAlign = Le16(f + 12);
      found.format.wBitsPerSample = Le16(f + 14);
      found.format.cbSize = 0;
      have_format = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      found.data_offset = body;
      found.data_size = length;
      have_data = true;
    }
    pos = body + length + (length & 1);
  }
  if (!have_format || !have_data) return false;
  const WAVEFORMATEX& f = found.format;
  const bool pcm_bits =
      f.wBitsPerSample == 8 || f.wBitsPerSample == 16 || f.wBitsPerSample == 24 || f.wBitsPerSample == 32;
  if (f.wFormatTag != WAVE_FORMAT_PCM || f.nChannels == 0 || f.nChannels > 8 || !pcm_bits ||
      f.nSamplesPerSec == 0 || f.nSamplesPerSec > 384000 ||
      f.nBlockAlign != f.nChannels * f.wBitsPerSample / 8)
    return false;
  found.format.nAvgBytesPerSec = f.nSamplesPerSec * f.nBlockAlign;
  found.data_size -= found.data_size % f.nBlockAlign;
  if (image) *image = found;
  return true;
}

std::string EventSoundForAlias(const std::string& alias) {
  static const std::pair<const char*, const char*> kAliases[] = {
      {".Default", "bell"},
      {"SystemDefault", "bell"},
      {"SystemAsterisk", "dialog-information"},
      {"SystemExclamation", "dialog-warning"},
      {"SystemHand", "dialog-error"},
      {"SystemQuestion", "dialog-question"},
      {"SystemStart", "desktop-login"},
      {"SystemExit", "desktop-logout"},
  };
  for (const auto& [name, event] : kAliases)
    if (alias.size() == std::strlen(name) && std::equal(alias.begin(), alias.end(), name, [](char a, char b) {
          return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
        }))
      return event;
  return {};
}

void SetEventSoundSink(EventSoundSink sink) {
  std::lock_guard lock(Events().mutex);
  Events().sink = std::move(sink);
}

bool IsSoundPlaying() { return ThePlayer().Busy(); }

BOOL PlaySoundA(const char* sound, HMODULE module, DWORD flags) {
  if (!sound || (flags & SND_PURGE)) {
    ThePlayer().Stop();
    return TRUE;
  }
  // A loop that waited for its own end would never return.
  if ((flags & SND_LOOP) && !(flags & SND_ASYNC)) return FALSE;
  if (flags & SND_ALIAS && (flags & SND_RESOURCE) != SND_RESOURCE && !(flags & SND_MEMORY)) {
    std::string event = EventSoundForAlias(sound);
    if (event.empty()) return NotFound(flags);
    return PlayEvent(event) ? TRUE : FALSE;
  }
  auto image = std::make_shared<Sound>();
  bool read;
  if ((flags & SND_RESOURCE) == SND_RESOURCE)
    read = ReadResourceImage(sound, module, image->bytes);
  else if (flags & SND_MEMORY)
    read = CopyMemoryImage(sound, image->bytes);
  else
    read = ReadFileImage(sound, image->bytes);
  if (!read || !ParseWaveImage(image->bytes.data(), image->bytes.size(), &image->image))
    return NotFound(flags);
  if (image->image.data_size == 0) return TRUE;  // silence: nothing to play
  image->loop = (flags & SND_LOOP) != 0;
  return ThePlayer().Play(image, (flags & SND_NOSTOP) != 0, !(flags & SND_ASYNC)) ? TRUE : FALSE;
}

BOOL sndPlaySoundA(const char* sound, UINT flags) {
  const DWORD kept = flags & (SND_ASYNC | SND_NODEFAULT | SND_MEMORY | SND_LOOP | SND_NOSTOP);
  if (!sound || (flags & SND_MEMORY)) return PlaySoundA(sound, nullptr, kept);
  if (!EventSoundForAlias(sound).empty()) return PlaySoundA(sound, nullptr, kept | SND_ALIAS);
  return PlaySoundA(sound, nullptr, kept | SND_FILENAME);
}

}  // namespace plat
