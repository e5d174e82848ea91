// Process memory for the Win32 backend: movable zero-filled global blocks, locked for the
// whole of their life, and the fatal exit of kernel32.
#include <windows.h>

#include "platform/global_memory.h"

void* PlatAllocMemory(uint32_t size) {
  HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  if (handle == nullptr) return nullptr;
  void* block = GlobalLock(handle);
  if (block == nullptr) GlobalFree(handle);
  return block;
}

void PlatFreeMemory(void* block) {
  if (block == nullptr) return;
  HGLOBAL handle = GlobalHandle(block);
  if (handle == nullptr) return;
  GlobalUnlock(handle);
  GlobalFree(handle);
}

// FatalAppExitA shows the text and ends the process; ExitProcess covers a system on which
// it comes back.
void PlatFatalAppExit(const char* text) {
  FatalAppExitA(0, text);
  ExitProcess(1);
}
