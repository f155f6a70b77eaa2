#include "files/MMAudReg.h"

#include "files/MMAudio.h"
#include "files/MMWave.h"

namespace files {

void RegisterAudioFileClasses() { RegisterFileClass(FileClassOf<TMMWaveFile>(), 5); }

}  // namespace files
