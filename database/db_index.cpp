// The database index: an array of packed entries that doubles when full, and an open-addressing
// hash table (linear probing) of entry numbers, rebuilt at each doubling. Entries are never
// removed, so the table needs no tombstones. While the scan
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

uint32_t SlotOf(uint32_t gid, uint32_t slot_count) {
  uint32_t mixed = gid * 0x9E3779B1u;
  return (mixed ^ (mixed >> 15)) & (slot_count - 1);
}

// The slot that holds the GID's entry number, or the empty slot where it would go.
uint32_t ProbeFor(const DbIndex* index, uint32_t gid) {
  uint32_t slot = SlotOf(gid, index->slot_count);
  while (index->slots[slot] != 0 && index->entries[index->slots[slot] - 1].gid != gid) {
    slot = (slot + 1) & (index->slot_count - 1);
  }
  return slot;
}

// The entry in the slot ProbeFor found, or null for an empty one.
DbIndexEntry* EntryIn(const DbIndex* index, uint32_t slot) {
  uint32_t number = index->slots[slot];
  return number != 0 ? &index->entries[number - 1] : nullptr;
}

// Builds the hash table for the capacity (at most two thirds full) from the entries, in their
// order: a GID met again gives its entry to the one already held, which keeps its place; every
// other entry moves down to the next kept place, which never lies past its own.
void BuildTable(DbIndex* index) {
  index->adding = 0;
  index->slot_count = 1;
  while (index->slot_count < index->capacity + index->capacity / 2) index->slot_count *= 2;
  index->slots = static_cast<uint32_t*>(AllocBlock(index->slot_count * sizeof(uint32_t)));
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
    index->slots[slot] = kept;
  }
  index->count = kept;
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
  if (!index->adding) BuildTable(index);
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
  if (index->slots == nullptr && index->count < kDbIndexCapacity) {
    index->adding = 1;  // no table is made for what the seal builds anyway
    if (index->count == index->capacity) Grow(index);
    index->entries[index->count++] = entry;
    return 1;
  }
  // At the capacity GIDs met twice may leave room: sealed now, every later entry is looked up.
  IndexSeal(index, 0);
  return IndexPut(index, entry);
}

void IndexSeal(DbIndex* index, uint32_t extra) {
  uint64_t wanted = static_cast<uint64_t>(index->count) + extra;
  if (wanted > kDbIndexCapacity) wanted = kDbIndexCapacity;
  if (wanted > index->capacity) Resize(index, static_cast<uint32_t>(wanted));
  if (index->adding) BuildTable(index);
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
  index->slots[slot] = index->count;
  return 1;
}

void IndexRelease(DbIndex* index) {
  FreeBlock(index->entries);
  FreeBlock(index->slots);
  memset(index, 0, sizeof *index);
}
