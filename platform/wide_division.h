// Division of 64-bit numbers by shifting and subtracting, for the 32-bit Win32 program, which
// carries its own in place of libgcc's (platform/win32/win32_runtime.cpp); written out here so
// that the host tests can hold it against the machine's own division.
#pragma once

#include <cstdint>

// The quotient of number / divisor, and the remainder in *rest. A divisor of 0 gives a
// quotient of all ones and the number as the remainder (the loop's own result, no trap).
inline uint64_t DivideWide(uint64_t number, uint64_t divisor, uint64_t* rest) {
  uint64_t quotient = 0;
  uint64_t remainder = 0;
  for (int bit = 63; bit >= 0; --bit) {
    uint64_t carried = remainder >> 63;  // the bit the shift pushes out still counts
    remainder = (remainder << 1) | ((number >> bit) & 1);
    if (carried != 0 || remainder >= divisor) {
      remainder -= divisor;
      quotient |= uint64_t{1} << bit;
    }
  }
  *rest = remainder;
  return quotient;
}
