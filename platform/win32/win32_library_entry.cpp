// The entry point of dunzipnt.dll, in place of a C runtime's, and zlib's default allocation
// routines, which the library never uses (each extraction passes its own) but zlib's inflate
// names: both take their memory from the Windows heap like the rest of the program.
#include <windows.h>

#include "platform/global_memory.h"

extern "C" BOOL WINAPI LibraryStart(HINSTANCE, DWORD, LPVOID) {
  return TRUE;
}

extern "C" void* zcalloc(void*, unsigned items, unsigned size) {
  unsigned long long bytes = static_cast<unsigned long long>(items) * size;
  return bytes > 0xFFFFFFFFu ? nullptr : PlatAllocMemory(static_cast<uint32_t>(bytes));
}

extern "C" void zcfree(void*, void* block) {
  PlatFreeMemory(block);
}
