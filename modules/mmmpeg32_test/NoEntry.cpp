// A decoder module of the right version that lacks every other entry.
#include <cstdint>

extern "C" __attribute__((visibility("default"))) int32_t mpeg_Version() { return 25; }
