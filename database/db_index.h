// The index of an open database: one header copy per live GID, kept in the order of each GID's
// first appearance (the newest last), with a hash table by GID so that a lookup does not walk
// every entry. Two blocks from AllocBlock however many records the file has.
#pragma once

#include <cstdint>

#include "database/database.h"

// The entry of the GID, or null.
DbRecordHeader* IndexFind(const DbIndex* index, uint32_t gid);
// Replaces the copy of the header's GID (the entry keeps its place) or adds it as the newest.
// 0, changing nothing, when a new entry would pass kDbIndexCapacity.
int IndexPut(DbIndex* index, const DbRecordHeader& header);
// Releases both blocks and empties the index.
void IndexRelease(DbIndex* index);
