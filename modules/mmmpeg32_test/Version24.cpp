// A decoder module one version too old; its entries are never called.
#include <cstdint>

extern "C" {
#define ENTRY(name) \
  __attribute__((visibility("default"))) int32_t name() { return 0; }
__attribute__((visibility("default"))) int32_t mpeg_Version() { return 24; }
ENTRY(mpeg_Init)
ENTRY(mpeg_Done)
ENTRY(mpeg_SetDecryptCallback)
ENTRY(mpeg_SetDecryptMode)
ENTRY(mpeg_Clear)
ENTRY(mpeg_SetTrailingHeader)
ENTRY(mpeg_SetFileOffset)
ENTRY(mpeg_SetExactPosition)
ENTRY(mpeg_SetFileName)
ENTRY(mpeg_GetFileName)
ENTRY(mpeg_GetEmpty)
ENTRY(mpeg_GetFileInfo)
ENTRY(mpeg_SetChannelMode)
ENTRY(mpeg_GetChannelMode)
ENTRY(mpeg_SetPosition)
ENTRY(mpeg_GetPosition)
ENTRY(mpeg_OpenFile)
ENTRY(mpeg_CloseFile)
ENTRY(mpeg_ResetFile)
ENTRY(mpeg_ReadDataBytes)
ENTRY(mpeg_ReadDataBytesEx)
ENTRY(mpeg_AbortReadData)
ENTRY(mpeg_GetDone)
ENTRY(mpeg_ScanFile)
ENTRY(mpeg_ScanFileEx)
ENTRY(mpeg_EncryptFile)
ENTRY(mpeg_ReadID3Tag)
ENTRY(mpeg_GetErrorText)
}
