#include "files/MMAudReg.h"

#include "files/MMAudio.h"
#include "files/MMCDA.h"
#include "files/MMMPEG.h"
#include "files/MMWave.h"

namespace files {

void RegisterAudioFileClasses() {
  RegisterFileClass(FileClassOf<TMMMPEGFile>(), 1);
  RegisterFileClass(FileClassOf<TMMCDAFile>(), 4);
  RegisterFileClass(FileClassOf<TMMWaveFile>(), 5);
}

}  // namespace files
