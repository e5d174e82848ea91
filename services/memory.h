// The program's only dynamic memory. AllocBlock never returns null: while memory is short it
// asks the user to free some and retry, and ends the program when the user declines. The
// counters live_blocks and peak_blocks of g_setup follow every block.
#pragma once

#include <cstdint>

void* AllocBlock(uint32_t size);  // zero-filled
int FreeBlock(void* block);       // returns 1; a null block is ignored
