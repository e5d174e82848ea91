// Listings of host folders for the case-insensitive name lookup: each folder read once and held
// as a hash table by upper-cased name, so that looking up a name that is not there costs no
// rescan of the folder. The backend's own creates, deletes and moves update the listing of their
// folder; any other change (a program, a test, the host) shows in the folder's modification time,
// checked at every use, and makes the folder be read again.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

#include "platform/host/host_backend.h"

namespace {

const int kListingMax = 8;  // folders held at once; the least recently used gives way

struct ListedName {
  uint32_t offset;  // in the pool
  uint32_t hash;    // of the upper-cased name
  int live;         // 0 once deleted (its slot stays, as probing runs over it)
};

struct Listing {
  int used;
  uint64_t last_use;
  char dir[kHostPathMax];
  dev_t device;
  ino_t inode;
  struct timespec modified;
  char* pool;
  uint32_t pool_used;
  uint32_t pool_size;
  ListedName* names;
  uint32_t count;  // names held, the deleted ones included
  uint32_t capacity;
  uint32_t* slots;  // name number + 1, 0 for empty; a power of two, at least twice capacity
  uint32_t slot_count;
};

Listing g_listings[kListingMax];
uint64_t g_use_clock;

uint32_t HashName(const char* name) {
  uint32_t hash = 2166136261u;
  for (; *name != '\0'; ++name)
    hash = (hash ^ static_cast<unsigned char>(HostUpper(*name))) * 16777619u;
  return hash;
}

void Forget(Listing* listing) {
  free(listing->pool);
  free(listing->names);
  free(listing->slots);
  memset(listing, 0, sizeof *listing);
}

int SameTime(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// 1 when the folder is still the one listed and unchanged since.
int Current(const Listing& listing, const struct stat& info) {
  return listing.device == info.st_dev && listing.inode == info.st_ino &&
         SameTime(listing.modified, info.st_mtim);
}

void Remember(Listing* listing, const struct stat& info) {
  listing->device = info.st_dev;
  listing->inode = info.st_ino;
  listing->modified = info.st_mtim;
}

// Rebuilds the slots for a capacity of at least count + 1 live names, dropping deleted ones.
int Rehash(Listing* listing) {
  uint32_t live = 0;
  for (uint32_t i = 0; i < listing->count; ++i) live += listing->names[i].live != 0;
  uint32_t capacity = 16;
  while (capacity < (live + 1) * 2) capacity *= 2;
  uint32_t slot_count = capacity * 2;
  ListedName* names = static_cast<ListedName*>(malloc(capacity * sizeof(ListedName)));
  uint32_t* slots = static_cast<uint32_t*>(calloc(slot_count, sizeof(uint32_t)));
  if (names == nullptr || slots == nullptr) {
    free(names);
    free(slots);
    return 0;
  }
  uint32_t kept = 0;
  for (uint32_t i = 0; i < listing->count; ++i) {
    if (!listing->names[i].live) continue;
    names[kept] = listing->names[i];
    uint32_t slot = names[kept].hash & (slot_count - 1);
    while (slots[slot] != 0) slot = (slot + 1) & (slot_count - 1);
    slots[slot] = ++kept;
  }
  free(listing->names);
  free(listing->slots);
  listing->names = names;
  listing->count = kept;
  listing->capacity = capacity;
  listing->slots = slots;
  listing->slot_count = slot_count;
  return 1;
}

// The number of the live name spelt exactly so, or -1.
int64_t FindExact(const Listing& listing, const char* name, uint32_t hash) {
  if (listing.slot_count == 0) return -1;
  for (uint32_t slot = hash & (listing.slot_count - 1); listing.slots[slot] != 0;
       slot = (slot + 1) & (listing.slot_count - 1)) {
    const ListedName& entry = listing.names[listing.slots[slot] - 1];
    if (entry.live && entry.hash == hash && strcmp(listing.pool + entry.offset, name) == 0) {
      return listing.slots[slot] - 1;
    }
  }
  return -1;
}

int Add(Listing* listing, const char* name) {
  uint32_t hash = HashName(name);
  if (FindExact(*listing, name, hash) >= 0) return 1;
  if (listing->count == listing->capacity && !Rehash(listing)) return 0;
  size_t length = strlen(name) + 1;
  if (listing->pool_used + length > listing->pool_size) {
    size_t size = listing->pool_size == 0 ? 4096 : listing->pool_size;
    while (listing->pool_used + length > size) size *= 2;
    if (size > UINT32_MAX) return 0;
    char* grown = static_cast<char*>(realloc(listing->pool, size));
    if (grown == nullptr) return 0;
    listing->pool = grown;
    listing->pool_size = static_cast<uint32_t>(size);
  }
  memcpy(listing->pool + listing->pool_used, name, length);
  ListedName& entry = listing->names[listing->count];
  entry = ListedName{listing->pool_used, hash, 1};
  listing->pool_used += static_cast<uint32_t>(length);
  uint32_t slot = hash & (listing->slot_count - 1);
  while (listing->slots[slot] != 0) slot = (slot + 1) & (listing->slot_count - 1);
  listing->slots[slot] = ++listing->count;
  return 1;
}

void Remove(Listing* listing, const char* name) {
  int64_t number = FindExact(*listing, name, HashName(name));
  if (number >= 0) listing->names[number].live = 0;
}

// Reads the folder into a free (or the least recently used) listing; null when it cannot be read.
Listing* ReadFolder(const char* dir, const struct stat& info) {
  Listing* listing = &g_listings[0];
  for (Listing& candidate : g_listings) {
    if (!candidate.used) {
      listing = &candidate;
      break;
    }
    if (candidate.last_use < listing->last_use) listing = &candidate;
  }
  Forget(listing);
  DIR* folder = opendir(dir);
  if (folder == nullptr || !HostCopyText(listing->dir, sizeof listing->dir, dir)) {
    if (folder != nullptr) closedir(folder);
    return nullptr;
  }
  listing->used = 1;
  Remember(listing, info);
  int ok = Rehash(listing);
  while (const struct dirent* entry = ok ? readdir(folder) : nullptr) {
    if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0) {
      ok = Add(listing, entry->d_name);
    }
  }
  closedir(folder);
  if (!ok) {
    Forget(listing);
    return nullptr;
  }
  return listing;
}

Listing* Held(const char* dir) {
  for (Listing& listing : g_listings) {
    if (listing.used && strcmp(listing.dir, dir) == 0) return &listing;
  }
  return nullptr;
}

// The folder part of a host path into dir and its last component; 0 when it has none.
int SplitPath(const char* path, char* dir, size_t size, const char** name) {
  const char* slash = strrchr(path, '/');
  if (slash == nullptr || slash[1] == '\0') return 0;
  size_t length = slash == path ? 1 : static_cast<size_t>(slash - path);
  if (length >= size) return 0;
  memcpy(dir, path, length);
  dir[length] = '\0';
  *name = slash + 1;
  return 1;
}

}  // namespace

int HostFindOnDisk(const char* dir, const char* name, char* found, size_t size) {
  struct stat info;
  if (stat(dir, &info) != 0 || !S_ISDIR(info.st_mode)) return 0;
  Listing* listing = Held(dir);
  if (listing != nullptr && !Current(*listing, info)) {
    Forget(listing);
    listing = nullptr;
  }
  if (listing == nullptr) listing = ReadFolder(dir, info);
  if (listing == nullptr) return 0;
  listing->last_use = ++g_use_clock;
  uint32_t hash = HashName(name);
  const char* best = nullptr;
  for (uint32_t slot = hash & (listing->slot_count - 1); listing->slots[slot] != 0;
       slot = (slot + 1) & (listing->slot_count - 1)) {
    const ListedName& entry = listing->names[listing->slots[slot] - 1];
    const char* listed = listing->pool + entry.offset;
    if (entry.live && entry.hash == hash && HostSameNoCase(listed, name) &&
        (best == nullptr || strcmp(listed, best) < 0)) {
      best = listed;
    }
  }
  return best != nullptr && HostCopyText(found, size, best);
}

int HostListingBefore(const char* path) {
  char dir[kHostPathMax];
  const char* name;
  struct stat info;
  if (!SplitPath(path, dir, sizeof dir, &name)) return -1;
  Listing* listing = Held(dir);
  if (listing == nullptr) return -1;
  if (stat(dir, &info) != 0 || !Current(*listing, info)) {
    Forget(listing);
    return -1;
  }
  return static_cast<int>(listing - g_listings);
}

void HostListingAfter(int held, const char* path, int present) {
  char dir[kHostPathMax];
  const char* name;
  struct stat info;
  if (held < 0 || held >= kListingMax || !SplitPath(path, dir, sizeof dir, &name)) return;
  Listing* listing = &g_listings[held];
  if (!listing->used || strcmp(listing->dir, dir) != 0) return;
  int ok = stat(dir, &info) == 0;
  if (ok && present) ok = Add(listing, name);
  if (ok && !present) Remove(listing, name);
  if (ok) {
    Remember(listing, info);
  } else {
    Forget(listing);
  }
}

void HostForgetListings() {
  for (Listing& listing : g_listings) Forget(&listing);
}
