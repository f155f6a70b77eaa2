// Encoder stand-in for the loader's tests: it has every entry but beEncodeChunk.
#include <cstdint>

extern "C" {
uint32_t beInitStream(void*, uint32_t*, uint32_t*, void**) { return 1; }
uint32_t beDeinitStream(void*, uint8_t*, uint32_t*) { return 1; }
uint32_t beCloseStream(void*) { return 0; }
void beVersion(void*) {}
}
