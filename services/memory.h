// The program's only dynamic memory. AllocBlock never returns null: while memory is short it
// asks the user to free some and retry, and ends the program when the user declines. The
// counters live_blocks and peak_blocks of g_setup follow every block.
#pragma once

#include <cstdint>

// The out-of-memory question: 1 for Retry. It never logs (the log itself may be what needs the
// memory); a silent run answers Cancel.
int AskMoreMemory();

void* AllocBlock(uint32_t size);  // zero-filled
int FreeBlock(void* block);       // returns 1; a null block is ignored
