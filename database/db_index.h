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

// The scan's way in: the entry is added as the newest without its GID being looked up, and
// IndexSeal sorts out the GIDs met more than once, all at the end. 0, changing nothing, when a
// new entry would pass kDbIndexCapacity.
int IndexAdd(DbIndex* index, const DbIndexEntry& entry);
// Ends the adding: each GID keeps one entry, in the place of its first appearance with the
// header of its last, and the hash table is built once, with room for extra more entries (at
// most kDbIndexCapacity in all) that need no growth then.
void IndexSeal(DbIndex* index, uint32_t extra);

// The entry of the GID, or null. Lookups and puts need a sealed index.
DbIndexEntry* IndexFind(const DbIndex* index, uint32_t gid);
// Replaces the entry of the GID (the entry keeps its place) or adds it as the newest. 0,
// changing nothing, when a new entry would pass kDbIndexCapacity.
int IndexPut(DbIndex* index, const DbIndexEntry& entry);
// Releases both blocks and empties the index.
void IndexRelease(DbIndex* index);
