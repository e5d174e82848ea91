// The helpers through which the program writes its files: WriteBlock, the one way data is
// written, with the disk-full retry; and FitsOnDrive, the room test made before a write that
// would grow a file. The installation and the database both write through them.
#pragma once

#include <cstdint>

#include "platform/files.h"

// The cluster size taken when the drive reports none.
const uint32_t kDefaultClusterSize = 8192;

// Writes length bytes at the file's current position. On a short write: back to that position,
// AskMoreDiskSpace, and again on Retry. On Cancel sets install_stopped (and
// offer_disk_full_program when disk_full_program is set) and returns 0. Also 0, without a
// question, when the position cannot be found again (a retry would write in the wrong place).
int WriteBlock(PlatFile file, const void* buffer, uint16_t length);
// WriteBlock at a position the caller knows: the file is moved there first (0 when it cannot
// be), which spares finding the position out.
int WriteBlockAt(PlatFile file, uint32_t position, const void* buffer, uint16_t length);
// WriteBlock where the caller knows the file stands already (at position, where the last write
// ended): the file is neither asked nor moved before the write.
int WriteBlockHere(PlatFile file, uint32_t position, const void* buffer, uint16_t length);

// 1 when byte_count bytes fit into the free clusters of the drive (0 = A:).
int FitsOnDrive(int drive, uint32_t byte_count);
// Bytes that writes may take on the drive before it is asked again: half of its free space
// beyond two clusters, so that FitsOnDrive would pass each of them and another program's use
// of the drive in the meantime still leaves room; 0 when the drive cannot be examined.
uint64_t RoomOnDrive(int drive);
