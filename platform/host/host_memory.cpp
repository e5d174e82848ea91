// Process memory on the simulated machine: zero-filled blocks from the C heap, an allocation
// fault from the fault plan, and the fatal exit that a real system would show as a box.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/global_memory.h"
#include "platform/host/host_backend.h"

// Exit status of a process ended by PlatFatalAppExit.
const int kFatalExitStatus = 65;

void* PlatAllocMemory(uint32_t size) {
  if (HostFaultFires(kFaultAllocFails, nullptr)) return nullptr;
  // GlobalLock of a zero-byte moveable block fails: it has no memory to lock.
  if (size == 0) return nullptr;
  return calloc(size, 1);
}

void PlatFreeMemory(void* block) {
  free(block);
}

void PlatFatalAppExit(const char* text) {
  if (text == nullptr) text = "";
  char* field = HostEscapeText(text);
  HostTranscript("fatal-exit \"%s\"", field != nullptr ? field : "?");
  free(field);
  fprintf(stderr, "%s\n", text);
  fflush(stderr);
  _exit(kFatalExitStatus);
}
