// Copying entry data out of the open payload file, through the reader's one 32,768-byte copy
// buffer; every block is written with WriteBlock (services/file_writing.h).
#pragma once

#include <cstdint>

#include "platform/files.h"
#include "platform/types.h"
#include "services/payload_header.h"

// Copies the entry's whole data block into file at its current position. Returns 1, or 0 with
// error 7 (the entry's data cannot be reached), 8 (it is cut short) or 9 (a write was given up).
int CopyEntryData(PlatFile file, const PayloadEntry& entry);
// The same, and after each block sends GM_SETPOS with (base + bytes copied before the block) /
// divisor to the gauge of dialog (none when dialog is null). A divisor of 0 counts as 1.
int CopyEntryDataWithProgress(PlatFile file, const PayloadEntry& entry, PlatWindow dialog,
                              uint32_t base, uint32_t divisor);
