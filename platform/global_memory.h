// Process memory, with GlobalAlloc semantics. Only AllocBlock (services/memory.h) calls these;
// everything else in the core takes its memory from AllocBlock.
//
// Contract: PlatAllocMemory returns a zero-filled, locked block, or null when the allocation or
// the lock failed (the caller decides whether to ask the user). PlatFreeMemory takes exactly a
// pointer that PlatAllocMemory returned. PlatFatalAppExit shows its text and ends the process.
#pragma once

#include <cstdint>

void* PlatAllocMemory(uint32_t size);  // GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT) + GlobalLock
void PlatFreeMemory(void* block);      // GlobalHandle, GlobalUnlock, GlobalFree
[[noreturn]] void PlatFatalAppExit(const char* text);  // FatalAppExitA
