#pragma once
// The file work of the tool windows (fConvert, fEncode, fNormalize, fSplit,
// fSwap), testable without a window: names and size texts, progress, the
// normaliser's two passes, splitting and swapping channels.
//
// No tool writes over its input, and no output looks complete before it is:
// every output is written under a hidden temporary name in its target's
// folder (TToolOutput) and takes the target's name only once it is whole.
// A kill, a full disk or a cancel leaves the target as it was.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace files {
class TMMWave;
}

namespace app {

extern const char* const kNotValidInputText;  // "This is not a valid input file!"
extern const char* const kSameFileText;       // the output would replace the input
extern const char* const kNormalizeBitsText;  // neither 8 nor 16 bits per sample

// The name without folder, its last three characters replaced by "Mp3"
// ("take.wav" -> "take.Mp3", "take.wave" -> "take.wMp3").
std::string MakeMp3FileName(const std::string& file_name);
// Three blanks, the size in KiB, " kb"; a missing file has the size 0.
std::string FileSizeKbText(const std::string& file_name);
// The split and swap windows' text: the name, two blanks, bytes div 1024, " kb".
std::string DataSizeText(const std::string& name, int64_t bytes);
// The name of a channel file: the source's full name cut at the last "." of
// its file name, `suffix`, then the extension ("/r/take.wav", "_L" ->
// "/r/take_L.wav"); a name without extension gets the suffix at its end.
std::string ChannelFileName(const std::string& source, const std::string& suffix);
// The encoder's bit rate (kbit/s) of a bit-rate box entry; `current` for no entry.
int32_t EncoderBitrate(int index, int32_t current);
// Round(done * 100 / total), 0 for no total, held within 0..100.
int32_t ProgressPercent(int64_t done, int64_t total);
// Whether two names name the same file (under any spelling or link).
bool SameFile(const std::string& a, const std::string& b);

// An output written under a temporary name beside its target. Commit gives
// it the target's name; an output neither committed nor kept is removed.
class TToolOutput {
 public:
  TToolOutput() = default;
  explicit TToolOutput(const std::string& target) { Begin(target); }
  ~TToolOutput() { Discard(); }
  TToolOutput(const TToolOutput&) = delete;
  TToolOutput& operator=(const TToolOutput&) = delete;

  void Begin(const std::string& target);
  const std::string& Target() const { return target_; }
  // The name to write to; empty when none is under way.
  const std::string& Temporary() const { return temporary_; }
  // False (and the temporary removed) when the file is missing or cannot take the target's name.
  bool Commit();
  void Discard();

 private:
  std::string target_;
  std::string temporary_;
};

using TToolProgress = std::function<void(int32_t percent)>;

// The stored sample farthest from silence over all channels, and what the
// normaliser makes of it.
struct TWavePeak {
  int32_t peak = 0;       // as stored: signed for 16 bits, the byte for 8 bits
  int32_t magnitude = 0;  // distance from silence
  int32_t limit = 0;      // 32767 or 127
};

enum class TNormalizeCheck { Pcm, NotPcm, OtherBits };
// Whether the open wave can be normalised: PCM with 8 or 16 bits.
TNormalizeCheck CheckNormalizable(const files::TMMWave& wave);
// The first pass over the data of `source` (its file attached, time format bytes).
TWavePeak FindWavePeak(files::TMMWave& source, const TToolProgress& progress);
// limit / magnitude, or nothing for a silent file or one at full scale.
std::optional<long double> NormalizeGain(const TWavePeak& peak);
// The gain as the window shows it: "%7.4f" and " db".
std::string GainText(long double gain);
// One stored sample scaled, rounded to nearest (ties to even) and clamped.
int32_t ScaleSample16(int32_t sample, long double gain);
int32_t ScaleSample8(int32_t sample, long double gain);
// The second pass: every sample of `source` scaled into a new file `target`
// written through `destination`. False when the output could not be written
// whole (the target then keeps what it was).
bool WriteScaledWave(files::TMMWave& source, files::TMMWave& destination, const std::string& target,
                     long double gain, const TToolProgress& progress);

// Whether the open wave is PCM, 16 bits per sample and two channels.
bool IsStereo16(const files::TMMWave& wave);
// Asked before a file that exists is replaced; false keeps it and writes nothing.
using TConfirmReplace = std::function<bool(const std::string& file_name)>;

struct TChannelFiles {
  bool written = false;
  bool attempted = false;   // past the checks and questions: false written means it failed
  std::string left, right;  // split: both; swap: left only
  int64_t bytes = 0;        // data bytes of each output
};
// Splits a 16-bit stereo wave into "_L" and "_R" mono files.
TChannelFiles SplitWave(files::TMMWave& source, files::TMMWave& left, files::TMMWave& right,
                        const TConfirmReplace& confirm);
// Writes "_Swap": every frame's two 16-bit values exchanged.
TChannelFiles SwapWave(files::TMMWave& source, files::TMMWave& destination, const TConfirmReplace& confirm);

}  // namespace app
