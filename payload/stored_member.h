// The stored name of the member inside an entry's member archive, read from the payload before
// anything is written for the entry, so that a member named unlike its entry is never extracted.
#pragma once

#include "services/payload_header.h"
#include "unzip/zip_records.h"

// The member's stored name, read from the entry's data block (its end record within the last
// 32,768 bytes, then its central-directory entry) into name (kMemberNameMax + 1 bytes). 0 when
// the block holds no archive whose name can be read that way (name emptied): the library then
// judges the archive itself.
int ReadStoredMemberName(const PayloadEntry& entry, char* name);
