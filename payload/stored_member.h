// The stored name of the member inside an entry's member archive, read from the payload before
// anything is written for the entry, so that a member named unlike its entry is never extracted.
#pragma once

#include "services/payload_header.h"

// The longest member name read, and the buffer it needs.
const uint32_t kStoredNameMax = 255;

// The member's stored name, read from the entry's data block as the payload format lays it out:
// the end record without comment at the block's end, then the one central-directory entry.
// 1 with the name in name (kStoredNameMax + 1 bytes); 0 when the block holds no archive of that
// shape (name emptied): the library then judges the archive itself.
int ReadStoredMemberName(const PayloadEntry& entry, char* name);
