// A CD module one version too old; its entries are never called.
#include <cstdint>

extern "C" {
#define ENTRY(name) \
  __attribute__((visibility("default"))) int32_t name() { return 0; }
__attribute__((visibility("default"))) int32_t cdda_Version() { return 19; }
ENTRY(cdda_Init)
ENTRY(cdda_Done)
ENTRY(cdda_GetNumDevices)
ENTRY(cdda_SetDeviceID)
ENTRY(cdda_SetDeviceType)
ENTRY(cdda_GetDeviceName)
ENTRY(cdda_GetDriveLetter)
ENTRY(cdda_OpenDevice)
ENTRY(cdda_CloseDevice)
ENTRY(cdda_GetDeviceReady)
ENTRY(cdda_GetDeviceStatus)
ENTRY(cdda_GetDeviceCaps)
ENTRY(cdda_ReadTOC)
ENTRY(cdda_ReadCDText)
ENTRY(cdda_FreeCDText)
ENTRY(cdda_ReadISRC)
ENTRY(cdda_ReadUPC)
ENTRY(cdda_SetSpeed)
ENTRY(cdda_LockMedia)
ENTRY(cdda_LoadMedia)
ENTRY(cdda_GetPosition)
ENTRY(cdda_GetCurrentTrack)
ENTRY(cdda_PlayAudio)
ENTRY(cdda_StopAudio)
ENTRY(cdda_PauseAudio)
ENTRY(cdda_ResumeAudio)
ENTRY(cdda_AbortReading)
ENTRY(cdda_ReadAudio)
ENTRY(cdda_InitBurstCopy)
ENTRY(cdda_DoneBurstCopy)
ENTRY(cdda_ReadAudioBurst)
ENTRY(cdda_InitSyncCopy)
ENTRY(cdda_DoneSyncCopy)
ENTRY(cdda_ReadAudioSync)
ENTRY(cdda_GetErrorText)
}
