// The database index: an array of packed entries that doubles when full, and an open-addressing
// hash table (linear probing) of entry numbers, rebuilt at each doubling. Entries are never
// removed, so the table needs no tombstones. A slot also holds the top bits of its GID's hash,
// so that a probe steps over the slots of other GIDs without reading their entries. While the scan
// adds entries the table is not kept: it is built once, at the seal, where the GIDs met twice are
// sorted out in the same pass.
#include "database/db_index.h"

#include <cstring>

#include "services/memory.h"

namespace {

const uint32_t kFirstCapacity = 64;
const uint32_t kLengthBits = 0x1FFFF;
const int kFlagsShift = 17;
const uint32_t kOffsetFieldDiffers = 1u << 25;

// A slot: the entry's number + 1 in its low bits (0: empty), the hash's tag in the others.
const uint32_t kNumberBits = 0x7FFFFF;
static_assert(kDbIndexCapacity <= kNumberBits, "every entry number fits a slot");

uint32_t HashOf(uint32_t gid) {
  return gid * 0x9E3779B1u;
}

uint32_t TagOf(uint32_t gid) {
  return HashOf(gid) & ~kNumberBits;
}

// The slot that holds the GID's entry number, or the empty slot where it would go.
uint32_t ProbeFor(const DbIndex* index, uint32_t gid) {
  uint32_t hash = HashOf(gid);
  uint32_t tag = hash & ~kNumberBits;
  uint32_t slot = (hash ^ (hash >> 15)) & (index->slot_count - 1);
  for (uint32_t held; (held = index->slots[slot]) != 0;
       slot = (slot + 1) & (index->slot_count - 1)) {
    if ((held & ~kNumberBits) == tag && index->entries[(held & kNumberBits) - 1].gid == gid) break;
  }
  return slot;
}

// The entry in the slot ProbeFor found, or null for an empty one.
DbIndexEntry* EntryIn(const DbIndex* index, uint32_t slot) {
  uint32_t number = index->slots[slot] & kNumberBits;
  return number != 0 ? &index->entries[number - 1] : nullptr;
}

// Puts the entry number + 1 into the empty slot ProbeFor found for the GID.
void Fill(DbIndex* index, uint32_t slot, uint32_t gid, uint32_t number) {
  index->slots[slot] = TagOf(gid) | number;
}

// An empty hash table for the index's capacity, at most two thirds full.
void MakeTable(DbIndex* index) {
  index->slot_count = 1;
  while (index->slot_count < index->capacity + index->capacity / 2) index->slot_count *= 2;
  index->slots = static_cast<uint32_t*>(AllocBlock(index->slot_count * sizeof(uint32_t)));
}

// Gives the index room for capacity entries (capacity at least the count, at most
// kDbIndexCapacity) and, unless the scan is still adding, rebuilds the hash table. The old table
// goes before the new entries come, so that at no time are more than the two entry arrays held.
void Resize(DbIndex* index, uint32_t capacity) {
  FreeBlock(index->slots);
  index->slots = nullptr;
  DbIndexEntry* entries = static_cast<DbIndexEntry*>(AllocBlock(capacity * sizeof(DbIndexEntry)));
  if (index->count != 0) memcpy(entries, index->entries, index->count * sizeof(DbIndexEntry));
  FreeBlock(index->entries);
  index->entries = entries;
  index->capacity = capacity;
  if (index->adding) return;
  MakeTable(index);
  for (uint32_t i = 0; i < index->count; ++i) {
    uint32_t gid = index->entries[i].gid;
    Fill(index, ProbeFor(index, gid), gid, i + 1);
  }
}

// Doubles the capacity, up to kDbIndexCapacity.
int Grow(DbIndex* index) {
  if (index->capacity >= kDbIndexCapacity) return 0;
  uint32_t capacity = index->capacity == 0 ? kFirstCapacity : index->capacity * 2;
  Resize(index, capacity < kDbIndexCapacity ? capacity : kDbIndexCapacity);
  return 1;
}

}  // namespace

DbIndexEntry IndexEntryOf(const DbRecordHeader& header, uint32_t position) {
  uint32_t length = header.length > kDbMaxDataLength ? kDbLongLength : header.length;
  uint32_t differs = header.offset != position ? kOffsetFieldDiffers : 0;
  return DbIndexEntry{header.gid, position,
                      length | static_cast<uint32_t>(header.flags) << kFlagsShift | differs};
}

uint32_t IndexLength(const DbIndexEntry& entry) {
  return entry.state & kLengthBits;
}

uint8_t IndexFlags(const DbIndexEntry& entry) {
  return static_cast<uint8_t>(entry.state >> kFlagsShift);
}

int IndexOffsetFieldTrue(const DbIndexEntry& entry) {
  return (entry.state & kOffsetFieldDiffers) == 0;
}

int IndexAdd(DbIndex* index, const DbIndexEntry& entry) {
  if (index->slots != nullptr) return IndexPut(index, entry);  // sealed already
  if (index->count == index->capacity) {
    if (index->capacity >= kDbIndexCapacity) {
      // Entries met twice may leave room: sealed now, every later one is looked up.
      IndexSeal(index, 0);
      return IndexPut(index, entry);
    }
    index->adding = 1;  // no table is made for what the seal builds anyway
    Grow(index);
  }
  index->adding = 1;
  index->entries[index->count++] = entry;
  return 1;
}

void IndexSeal(DbIndex* index, uint32_t extra) {
  uint64_t wanted = static_cast<uint64_t>(index->count) + extra;
  if (wanted > kDbIndexCapacity) wanted = kDbIndexCapacity;
  if (wanted > index->capacity) Resize(index, static_cast<uint32_t>(wanted));
  if (!index->adding) return;
  index->adding = 0;
  MakeTable(index);
  // In file order: a GID met again replaces the header of the entry it already has; a new one
  // moves down to the next kept place, which never lies past its own.
  uint32_t kept = 0;
  for (uint32_t i = 0; i < index->count; ++i) {
    DbIndexEntry entry = index->entries[i];
    uint32_t slot = ProbeFor(index, entry.gid);
    DbIndexEntry* held = EntryIn(index, slot);
    if (held != nullptr) {
      *held = entry;
      continue;
    }
    index->entries[kept++] = entry;
    Fill(index, slot, entry.gid, kept);
  }
  index->count = kept;
}

DbIndexEntry* IndexFind(const DbIndex* index, uint32_t gid) {
  if (index->count == 0) return nullptr;
  return EntryIn(index, ProbeFor(index, gid));
}

int IndexPut(DbIndex* index, const DbIndexEntry& entry) {
  uint32_t slot = 0;
  if (index->slots != nullptr) {
    slot = ProbeFor(index, entry.gid);
    DbIndexEntry* held = EntryIn(index, slot);
    if (held != nullptr) {
      *held = entry;
      return 1;
    }
  }
  if (index->count == index->capacity) {
    if (!Grow(index)) return 0;
    slot = ProbeFor(index, entry.gid);
  }
  index->entries[index->count++] = entry;
  Fill(index, slot, entry.gid, index->count);
  return 1;
}

void IndexRelease(DbIndex* index) {
  FreeBlock(index->entries);
  FreeBlock(index->slots);
  memset(index, 0, sizeof *index);
}
