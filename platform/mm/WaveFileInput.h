#pragma once
// The file input: a capture device that plays a wave file as if it were
// heard, over and over. The file comes from QUELLIX_AUDIO_FILE or from
// SetFileInputPath.
#include <memory>
#include <string>
#include <vector>

#include "platform/mm/WaveDriver.h"

namespace plat::wave {

std::shared_ptr<WaveDevice> MakeFileInputDevice();

// Reads the format and the samples of a PCM RIFF WAVE file. The one place
// that knows the file layout, so it can move onto the file layer later.
bool ReadWaveFile(const std::string& path, WAVEFORMATEX* format, std::vector<BYTE>* data);

}  // namespace plat::wave

namespace plat::wavedev {

// The file the file input plays from its next open; empty goes back to the
// environment variable.
void SetFileInputPath(const std::string& path);

}  // namespace plat::wavedev
