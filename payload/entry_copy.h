// Copying entry data out of the open payload file, through the reader's one 32,768-byte copy
// buffer, and WriteBlock, the one way the program writes data: a write that falls short asks
// for more disk space and, on Retry, writes the same block again at the same position.
#pragma once

#include <cstdint>

#include "payload/payload_reader.h"
#include "platform/files.h"
#include "platform/types.h"

// Writes length bytes at the file's current position. On a short write: back to that position,
// AskMoreDiskSpace, and again on Retry. On Cancel sets install_stopped (and
// offer_disk_full_program when disk_full_program is set) and returns 0. Also 0, without a
// question, when the position cannot be found again (a retry would write in the wrong place).
int WriteBlock(PlatFile file, const void* buffer, uint16_t length);

// Copies the entry's whole data block into file at its current position. Returns 1, or 0 with
// error 7 (the entry's data cannot be reached), 8 (it is cut short) or 9 (a write was given up).
int CopyEntryData(PlatFile file, const PayloadEntry& entry);
// The same, and after each block sends GM_SETPOS with (base + bytes copied before the block) /
// divisor to the gauge of dialog (none when dialog is null). A divisor of 0 counts as 1.
int CopyEntryDataWithProgress(PlatFile file, const PayloadEntry& entry, PlatWindow dialog,
                              uint32_t base, uint32_t divisor);
