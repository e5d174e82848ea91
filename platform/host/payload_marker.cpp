// The host program's payload marker. Linux programs carry no resources, so the 28 bytes that
// SETUP.EXE keeps as RCDATA 100 lie in an array of the program file instead: vntpack finds the
// tag (it occurs once in the program) and patches the payload offset and marker text in place.
// The array is read through volatile, so the compiler never folds the zero offset into the code.
#include "platform/system.h"

namespace {

// Tag and NUL, payload offset 0 (32-bit little-endian: no payload), 16 NUL bytes of marker text.
__attribute__((used)) volatile const uint8_t kMarker[kPayloadMarkerSize] = {
    '_', 'D', 'a', 'd', 'u', 'Z', '_', 0, 0, 0, 0, 0, 0, 0,
    0,   0,   0,   0,   0,   0,   0,   0, 0, 0, 0, 0, 0, 0};

}  // namespace

int PlatReadPayloadMarker(uint8_t out[kPayloadMarkerSize]) {
  for (uint32_t i = 0; i < kPayloadMarkerSize; ++i) out[i] = kMarker[i];
  return 1;
}
