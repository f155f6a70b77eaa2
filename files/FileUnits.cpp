#include "files/FileUnits.h"

#include "files/LameEnc.h"
#include "files/MMACMCvt.h"
#include "files/MMADCvt.h"
#include "files/MMAudReg.h"
#include "files/MMAudio.h"
#include "files/MMAudioFile.h"
#include "files/MMCDA.h"
#include "files/MMCDRead.h"
#include "files/MMCstDlg.h"
#include "files/MMEnvelp.h"
#include "files/MMLame.h"
#include "files/MMMPEG.h"
#include "files/MMObjLst.h"
#include "files/MMWRec.h"
#include "files/MMWave.h"
#include "platform/vcl/Classes.h"

namespace files {

void RegisterFileClasses() {
  // One line per file component class, in the order the units were added.
  vcl::RegisterClass(TMMWaveFile::StaticClass());
  vcl::RegisterClass(TMMACMConverter::StaticClass());
  vcl::RegisterClass(TMMPCMConverter::StaticClass());
  vcl::RegisterClass(TMMAudioFile::StaticClass());
  vcl::RegisterClass(TMMADPCMConverter::StaticClass());
  vcl::RegisterClass(TMMMP3Encoder::StaticClass());
  vcl::RegisterClass(TMMMPEGFile::StaticClass());
  vcl::RegisterClass(TMMCDReader::StaticClass());
  vcl::RegisterClass(TMMCDAFile::StaticClass());
  vcl::RegisterClass(TMMWaveOpenDialog::StaticClass());
  vcl::RegisterClass(TMMWaveSaveDialog::StaticClass());
  vcl::RegisterClass(TMMWaveRecorder::StaticClass());
}

void RegisterFileUnits(plat::UnitTable& table) {
  table.Register("MMObjLst", plat::rankFiles + 10, RegisterEnvelopeItems, ClearItemClasses);
  table.Register("MMAudReg", plat::rankFiles + 20, RegisterAudioFileClasses, ClearFileClasses);
  // The decoder module is loaded on first use and freed at shut-down.
  table.Register("MMMPEG", plat::rankFiles + 25, nullptr, UnloadMpegDecoder);
  table.Register("MMCDRead", plat::rankFiles + 26, nullptr, UnloadCDDriver);
  table.Register("MMFileComponents", plat::rankFiles + 30, RegisterFileClasses);
  table.Register(
      "LameEnc", plat::rankFiles + 40, [] {}, FreeLameEncoder);
}

}  // namespace files
