// The few memory and string routines that the core and the compiler call, and the compiler's
// 64-bit division, for SETUP.EXE and dunzipnt.dll, which link no C runtime (Windows 95 as first
// shipped has no MSVCRT.DLL) and no libgcc. Built without link-time optimisation and without
// turning loops into calls, so that each routine stays a routine and never calls itself.
#include <cstddef>
#include <cstdint>

#include "platform/wide_division.h"

#define VNT_RUNTIME extern "C" __attribute__((used, optimize("no-tree-loop-distribute-patterns")))

VNT_RUNTIME void* memcpy(void* to, const void* from, size_t count) {
  unsigned char* out = static_cast<unsigned char*>(to);
  const unsigned char* in = static_cast<const unsigned char*>(from);
  while (count-- != 0) *out++ = *in++;
  return to;
}

VNT_RUNTIME void* memmove(void* to, const void* from, size_t count) {
  unsigned char* out = static_cast<unsigned char*>(to);
  const unsigned char* in = static_cast<const unsigned char*>(from);
  if (out <= in || out >= in + count) return memcpy(to, from, count);
  while (count-- != 0) out[count] = in[count];
  return to;
}

VNT_RUNTIME void* memset(void* to, int value, size_t count) {
  unsigned char* out = static_cast<unsigned char*>(to);
  while (count-- != 0) *out++ = static_cast<unsigned char>(value);
  return to;
}

VNT_RUNTIME int memcmp(const void* a, const void* b, size_t count) {
  const unsigned char* x = static_cast<const unsigned char*>(a);
  const unsigned char* y = static_cast<const unsigned char*>(b);
  for (; count != 0; --count, ++x, ++y) {
    if (*x != *y) return *x - *y;
  }
  return 0;
}

VNT_RUNTIME size_t strlen(const char* text) {
  const char* end = text;
  while (*end != '\0') ++end;
  return static_cast<size_t>(end - text);
}

VNT_RUNTIME char* strcpy(char* to, const char* from) {
  char* out = to;
  while ((*out++ = *from++) != '\0') {
  }
  return to;
}

VNT_RUNTIME int strncmp(const char* a, const char* b, size_t count) {
  for (; count != 0; --count, ++a, ++b) {
    unsigned char x = static_cast<unsigned char>(*a);
    unsigned char y = static_cast<unsigned char>(*b);
    if (x != y || x == '\0') return x - y;
  }
  return 0;
}

VNT_RUNTIME int strcmp(const char* a, const char* b) {
  return strncmp(a, b, static_cast<size_t>(-1));
}

VNT_RUNTIME char* strchr(const char* text, int c) {
  for (;; ++text) {
    if (*text == static_cast<char>(c)) return const_cast<char*>(text);
    if (*text == '\0') return nullptr;
  }
}

VNT_RUNTIME char* strrchr(const char* text, int c) {
  const char* found = nullptr;
  for (;; ++text) {
    if (*text == static_cast<char>(c)) found = text;
    if (*text == '\0') return const_cast<char*>(found);
  }
}

VNT_RUNTIME size_t strcspn(const char* text, const char* stops) {
  size_t length = 0;
  while (text[length] != '\0' && strchr(stops, text[length]) == nullptr) ++length;
  return length;
}

VNT_RUNTIME char* strpbrk(const char* text, const char* stops) {
  text += strcspn(text, stops);
  return *text != '\0' ? const_cast<char*>(text) : nullptr;
}

VNT_RUNTIME uint64_t __udivdi3(uint64_t number, uint64_t divisor) {
  uint64_t rest;
  return DivideWide(number, divisor, &rest);
}

VNT_RUNTIME uint64_t __umoddi3(uint64_t number, uint64_t divisor) {
  uint64_t rest;
  DivideWide(number, divisor, &rest);
  return rest;
}

// Signed: the magnitudes divided; the quotient negative when the signs differ, the remainder
// with the sign of the number (C's truncating division).
VNT_RUNTIME int64_t __divdi3(int64_t number, int64_t divisor) {
  uint64_t magnitude = number < 0 ? 0 - static_cast<uint64_t>(number) : number;
  uint64_t by = divisor < 0 ? 0 - static_cast<uint64_t>(divisor) : divisor;
  uint64_t rest;
  uint64_t quotient = DivideWide(magnitude, by, &rest);
  return static_cast<int64_t>((number < 0) != (divisor < 0) ? 0 - quotient : quotient);
}

VNT_RUNTIME int64_t __moddi3(int64_t number, int64_t divisor) {
  uint64_t magnitude = number < 0 ? 0 - static_cast<uint64_t>(number) : number;
  uint64_t by = divisor < 0 ? 0 - static_cast<uint64_t>(divisor) : divisor;
  uint64_t rest;
  DivideWide(magnitude, by, &rest);
  return static_cast<int64_t>(number < 0 ? 0 - rest : rest);
}
