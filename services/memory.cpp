// AllocBlock and FreeBlock over the platform's global memory, with the out-of-memory question
// and the block counters.
#include "services/memory.h"

#include <cstring>

#include "platform/global_memory.h"
#include "platform/messages.h"
#include "services/message_box.h"
#include "services/setup_state.h"

int AskMoreMemory() {
  return PutUpMessageBox("Setup",
                         "There isn't enough memory available to continue.\n\nClose one or more "
                         "applications and select 'Retry' below.",
                         kMbTaskModal | kMbIconHand | kMbRetryCancel,
                         kMbIconExclamation) == kIdRetry;
}

void* AllocBlock(uint32_t size) {
  // A block of 0 bytes is still a block (Win32 would hand back a discarded handle for it).
  uint32_t bytes = size != 0 ? size : 1;
  void* block = PlatAllocMemory(bytes);
  while (block == nullptr) {
    if (!AskMoreMemory()) PlatFatalAppExit("Setup cannot continue.");
    block = PlatAllocMemory(bytes);
  }
  if (++g_setup.live_blocks > g_setup.peak_blocks) g_setup.peak_blocks = g_setup.live_blocks;
  memset(block, 0, bytes);
  return block;
}

int FreeBlock(void* block) {
  if (block == nullptr) return 1;
  PlatFreeMemory(block);
  --g_setup.live_blocks;
  return 1;
}
