// A CD module of the right version that lacks every other entry.
#include <cstdint>

extern "C" __attribute__((visibility("default"))) int32_t cdda_Version() { return 20; }
