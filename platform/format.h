// wsprintfA-style formatting, one implementation for both targets so that every message and log
// line reads the same everywhere, and bounded: the output is cut to fit, never overrun.
//
// Conversions: %% %c %s %d %i %u %x %X, with the flags "-", "0" and "#", a width, a precision
// for %s, and the size prefixes "l" and "h". As on Win32, "l" means 32 bits: integer arguments
// are read as int or unsigned int whatever the prefix, so callers pass 32-bit values. An unknown
// conversion character is copied as it stands.
#pragma once

#include <cstdarg>
#include <cstdint>

// Formats into out (size bytes including the NUL, size >= 1). Returns the number of characters
// written, cut at size - 1, or -1 when the format is null (out is then empty).
int FormatTextV(char* out, uint32_t size, const char* format, va_list args);
// (No printf format checking: "%lu" with a 32-bit argument is right here and wrong to printf.)
int FormatText(char* out, uint32_t size, const char* format, ...);
