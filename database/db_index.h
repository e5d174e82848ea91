// The index of an open database: one small entry per live GID, kept in the order of each GID's
// first appearance (the newest last), with a hash table by GID so that a lookup does not walk
// every entry. Two blocks from AllocBlock however many records the file has.
#pragma once

#include <cstdint>

#include "database/database.h"

// The entry of a record header found at its position in the file.
DbIndexEntry IndexEntryOf(const DbRecordHeader& header, uint32_t position);
// The entry's data length (kDbLongLength for any length above kDbMaxDataLength), its flags
// byte, and whether the header's offset field holds the header's own position.
uint32_t IndexLength(const DbIndexEntry& entry);
uint8_t IndexFlags(const DbIndexEntry& entry);
int IndexOffsetFieldTrue(const DbIndexEntry& entry);

// The entry of the GID, or null.
DbIndexEntry* IndexFind(const DbIndex* index, uint32_t gid);
// Replaces the entry of the GID (the entry keeps its place) or adds it as the newest. 0,
// changing nothing, when a new entry would pass kDbIndexCapacity.
int IndexPut(DbIndex* index, const DbIndexEntry& entry);
// Makes room for count entries at once (at most kDbIndexCapacity), so that entries added up to
// that count need no growth.
void IndexReserve(DbIndex* index, uint32_t count);
// Releases both blocks and empties the index.
void IndexRelease(DbIndex* index);
