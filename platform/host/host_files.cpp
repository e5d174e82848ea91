// Files by handle on the simulated machine: POSIX descriptors underneath, Win32 semantics on top.
// A table of open files gives out the handles and remembers each file's Windows path (for the
// fault plan) and identity, so that an exclusive open excludes every other open of the file. The
// read-only attribute (no owner write bit) is honoured here, since root may write anything; on a
// drive whose free space is tracked a write gets only the clusters that are free.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "platform/files.h"
#include "platform/host/host_backend.h"

namespace {

const int kOpenFileMax = 64;
const PlatFile kFirstHandle = 0x100;  // handles are 0x100 + slot, never a small descriptor

struct OpenFile {
  int used;
  int descriptor;
  dev_t device;
  ino_t inode;
  int exclusive;
  char windows[kPathBuffer];
};
OpenFile g_files[kOpenFileMax];

OpenFile* Lookup(PlatFile file) {
  if (file < kFirstHandle || file >= kFirstHandle + kOpenFileMax) return nullptr;
  OpenFile* entry = &g_files[file - kFirstHandle];
  return entry->used ? entry : nullptr;
}

int IsReadOnly(const struct stat& info) {
  return (info.st_mode & S_IWUSR) == 0;
}

// The file is in a free slot, no exclusive holder stands in the way and, when it is opened for
// writing, it is not read-only. Takes the descriptor: it is closed when the file cannot be
// admitted.
PlatFile Admit(int descriptor, const HostResolvedPath& path, int exclusive, int writes) {
  struct stat info;
  int slot = 0;
  while (slot < kOpenFileMax && g_files[slot].used) ++slot;
  int held_alone = 0;
  int holders = 0;
  int known = descriptor >= 0 && fstat(descriptor, &info) == 0;
  if (known) holders = HostFileOpenCount(info.st_dev, info.st_ino, &held_alone);
  if (!known || slot == kOpenFileMax || !S_ISREG(info.st_mode) || held_alone ||
      (exclusive && holders > 0) || (writes && IsReadOnly(info))) {
    if (descriptor >= 0) close(descriptor);
    return kPlatNoFile;
  }
  OpenFile& entry = g_files[slot];
  entry.used = 1;
  entry.descriptor = descriptor;
  entry.device = info.st_dev;
  entry.inode = info.st_ino;
  entry.exclusive = exclusive;
  HostCopyText(entry.windows, sizeof entry.windows, path.windows);
  return kFirstHandle + slot;
}

// The bytes of a write of count at the file's position that its drive's free clusters hold;
// size is the file's size before the write.
uint32_t RoomToWrite(const OpenFile& entry, uint64_t size, uint32_t count) {
  off_t position = lseek(entry.descriptor, 0, SEEK_CUR);
  if (position < 0 || count == 0) return count;
  uint64_t start = static_cast<uint64_t>(position);
  uint64_t end = start + count;
  if (end <= size) return count;
  uint64_t room = HostFreeRoom(entry.windows, size, end);
  if (room >= end) return count;
  return room > start ? static_cast<uint32_t>(room - start) : 0;
}

}  // namespace

int HostFileOpenCount(dev_t device, ino_t inode, int* exclusive) {
  int count = 0;
  *exclusive = 0;
  for (const OpenFile& entry : g_files) {
    if (!entry.used || entry.device != device || entry.inode != inode) continue;
    ++count;
    if (entry.exclusive) *exclusive = 1;
  }
  return count;
}

void HostCloseAllFiles() {
  for (int slot = 0; slot < kOpenFileMax; ++slot) {
    if (!g_files[slot].used) continue;
    HostTranscript("file-left-open \"%s\"", g_files[slot].windows);
    PlatCloseFile(kFirstHandle + slot);
  }
}

PlatFile PlatOpenFile(const char* path, PlatOpenMode mode) {
  HostResolvedPath resolved;
  if (!HostResolvePath(path, &resolved)) return kPlatNoFile;
  int cannot_open = HostFaultFires(kFaultCannotOpen, resolved.windows);
  int writes = mode == kOpenWrite || mode == kOpenReadWrite;
  if (writes && HostFaultFires(kFaultReadOnly, resolved.windows)) return kPlatNoFile;
  if (cannot_open) return kPlatNoFile;
  int flags = mode == kOpenWrite ? O_WRONLY : (mode == kOpenReadWrite ? O_RDWR : O_RDONLY);
  return Admit(open(resolved.host, flags | O_CLOEXEC), resolved, 0, writes);
}

PlatFile PlatCreateFile(const char* path) {
  HostResolvedPath resolved;
  if (!HostResolvePath(path, &resolved)) return kPlatNoFile;
  HostFaultFires(kFaultPowerCut, resolved.windows);
  int cannot_open = HostFaultFires(kFaultCannotOpen, resolved.windows);
  int read_only = HostFaultFires(kFaultReadOnly, resolved.windows);
  struct stat info;
  uint64_t old_size = 0;
  if (cannot_open || read_only) return kPlatNoFile;
  if (stat(resolved.host, &info) == 0) {
    int held_alone;
    HostFileOpenCount(info.st_dev, info.st_ino, &held_alone);
    if (!S_ISREG(info.st_mode) || IsReadOnly(info) || held_alone) return kPlatNoFile;
    old_size = static_cast<uint64_t>(info.st_size);
  }
  int listing = HostListingBefore(resolved.host);
  PlatFile file =
      Admit(open(resolved.host, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666), resolved, 0, 0);
  // The open truncates even when the file is then not admitted.
  HostFreeSettle(resolved.windows, resolved.host, old_size);
  if (file != kPlatNoFile) HostListingAfter(listing, resolved.host, 1);
  return file;
}

PlatFile PlatOpenExclusive(const char* path) {
  HostResolvedPath resolved;
  if (!HostResolvePath(path, &resolved)) return kPlatNoFile;
  int cannot_open = HostFaultFires(kFaultCannotOpen, resolved.windows);
  int in_use = HostFaultFires(kFaultInUse, resolved.windows);
  if (cannot_open || in_use) return kPlatNoFile;
  return Admit(open(resolved.host, O_RDONLY | O_CLOEXEC), resolved, 1, 0);
}

PlatFile PlatOpenExclusiveReadWrite(const char* path) {
  HostResolvedPath resolved;
  if (!HostResolvePath(path, &resolved)) return kPlatNoFile;
  int cannot_open = HostFaultFires(kFaultCannotOpen, resolved.windows);
  int in_use = HostFaultFires(kFaultInUse, resolved.windows);
  int read_only = HostFaultFires(kFaultReadOnly, resolved.windows);
  if (cannot_open || in_use || read_only) return kPlatNoFile;
  return Admit(open(resolved.host, O_RDWR | O_SYNC | O_CLOEXEC), resolved, 1, 1);
}

uint32_t PlatReadFile(PlatFile file, void* buffer, uint32_t count) {
  OpenFile* entry = Lookup(file);
  if (entry == nullptr) return kPlatFileError;
  uint32_t done = 0;
  while (done < count) {
    ssize_t moved = read(entry->descriptor, static_cast<char*>(buffer) + done, count - done);
    if (moved < 0 && errno == EINTR) continue;
    if (moved < 0) return kPlatFileError;
    if (moved == 0) break;
    done += static_cast<uint32_t>(moved);
  }
  return done;
}

uint32_t PlatWriteFile(PlatFile file, const void* buffer, uint32_t count) {
  OpenFile* entry = Lookup(file);
  if (entry == nullptr) return kPlatFileError;
  HostFaultFires(kFaultPowerCut, entry->windows);
  uint32_t allowed = HostFaultFires(kFaultDiskFull, entry->windows) ? count / 2 : count;
  // Another handle may have grown the file since: the size is asked of the file each time.
  struct stat before;
  int tracked = HostFreeTracked(entry->windows) && fstat(entry->descriptor, &before) == 0;
  if (tracked) allowed = RoomToWrite(*entry, static_cast<uint64_t>(before.st_size), allowed);
  uint32_t done = 0;
  int failed = 0;
  while (done < allowed) {
    ssize_t moved =
        write(entry->descriptor, static_cast<const char*>(buffer) + done, allowed - done);
    if (moved < 0 && errno == EINTR) continue;
    if (moved < 0 && errno == ENOSPC) break;  // the host disk is full: a short count
    if (moved < 0) {
      failed = 1;
      break;
    }
    done += static_cast<uint32_t>(moved);
  }
  struct stat after;
  if (tracked && fstat(entry->descriptor, &after) == 0) {
    HostFreeResize(entry->windows, static_cast<uint64_t>(before.st_size),
                   static_cast<uint64_t>(after.st_size));
  }
  return failed ? kPlatFileError : done;
}

uint32_t PlatSeekFile(PlatFile file, uint32_t offset, PlatSeekOrigin origin) {
  OpenFile* entry = Lookup(file);
  if (entry == nullptr) return kPlatFileError;
  off_t base = 0;
  struct stat info;
  if (origin == kSeekCurrent) {
    base = lseek(entry->descriptor, 0, SEEK_CUR);
  } else if (origin == kSeekEnd) {
    base = fstat(entry->descriptor, &info) == 0 ? info.st_size : -1;
  } else if (origin != kSeekBegin) {
    return kPlatFileError;
  }
  if (base < 0) return kPlatFileError;
  // kPlatFileError itself is no position: the target must stay below it.
  uint64_t target = static_cast<uint64_t>(base) + offset;
  if (target >= kPlatFileError) return kPlatFileError;
  if (lseek(entry->descriptor, static_cast<off_t>(target), SEEK_SET) < 0) return kPlatFileError;
  return static_cast<uint32_t>(target);
}

int PlatCloseFile(PlatFile file) {
  OpenFile* entry = Lookup(file);
  if (entry == nullptr) return 0;
  entry->used = 0;
  return close(entry->descriptor) == 0;
}

uint32_t PlatGetFileSize(PlatFile file) {
  OpenFile* entry = Lookup(file);
  struct stat info;
  if (entry == nullptr || fstat(entry->descriptor, &info) != 0) return kPlatFileError;
  return static_cast<uint32_t>(static_cast<uint64_t>(info.st_size) & 0xFFFFFFFFu);
}

int PlatSetFileSize(PlatFile file, uint32_t size) {
  OpenFile* entry = Lookup(file);
  if (entry != nullptr) HostFaultFires(kFaultPowerCut, entry->windows);
  struct stat before;
  int tracked =
      entry != nullptr && HostFreeTracked(entry->windows) && fstat(entry->descriptor, &before) == 0;
  uint64_t old_size = tracked ? static_cast<uint64_t>(before.st_size) : 0;
  if (tracked && HostFreeRoom(entry->windows, old_size, size) < size) return 0;
  if (entry == nullptr || ftruncate(entry->descriptor, static_cast<off_t>(size)) != 0) return 0;
  if (tracked) HostFreeResize(entry->windows, old_size, size);
  return lseek(entry->descriptor, static_cast<off_t>(size), SEEK_SET) >= 0;
}

// Every write already went to the host's kernel (no buffer in between), and a simulated power
// cut ends only the process: nothing written is lost, so the flush need not wait for the host's
// disk.
int PlatFlushFile(PlatFile file) {
  return Lookup(file) != nullptr;
}

uint32_t PlatGetFileDosTime(PlatFile file) {
  OpenFile* entry = Lookup(file);
  struct stat info;
  if (entry == nullptr || fstat(entry->descriptor, &info) != 0) return 0;
  return HostDosTime(info.st_mtime);
}

int PlatSetFileDosTime(PlatFile file, uint32_t dos_time) {
  OpenFile* entry = Lookup(file);
  uint32_t date = dos_time >> 16;
  uint32_t day = date & 31;
  uint32_t month = (date >> 5) & 15;
  uint32_t hours = (dos_time >> 11) & 31;
  uint32_t minutes = (dos_time >> 5) & 63;
  uint32_t seconds = (dos_time & 31) * 2;
  if (entry == nullptr || day == 0 || month == 0 || month > 12 || hours > 23 || minutes > 59 ||
      seconds > 59) {
    return 0;
  }
  struct tm parts = {};
  parts.tm_year = static_cast<int>((date >> 9) + 1980 - 1900);
  parts.tm_mon = static_cast<int>(month - 1);
  parts.tm_mday = static_cast<int>(day);
  parts.tm_hour = static_cast<int>(hours);
  parts.tm_min = static_cast<int>(minutes);
  parts.tm_sec = static_cast<int>(seconds);
  const struct timespec times[2] = {{0, UTIME_OMIT}, {timegm(&parts), 0}};
  return futimens(entry->descriptor, times) == 0;
}

uint32_t HostDosTime(time_t utc) {
  struct tm parts;
  if (gmtime_r(&utc, &parts) == nullptr) return 0;
  int year = parts.tm_year + 1900;
  if (year < 1980 || year > 2107) return 0;
  uint32_t date =
      static_cast<uint32_t>(((year - 1980) << 9) | ((parts.tm_mon + 1) << 5) | parts.tm_mday);
  uint32_t time_of_day =
      static_cast<uint32_t>((parts.tm_hour << 11) | (parts.tm_min << 5) | (parts.tm_sec / 2));
  return (date << 16) | time_of_day;
}
