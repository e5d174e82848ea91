// Files by path on the simulated machine: attributes, directories, move, delete and copy, with
// the refusals Windows makes: a read-only file is neither deleted, moved nor copied over, a file
// that is open is neither deleted nor moved, and an existing destination stops a move. On a drive
// whose free space is tracked, a copy or a move from another drive needs the clusters free.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/files.h"
#include "platform/host/host_backend.h"

namespace {

int IsReadOnly(const struct stat& info) {
  return (info.st_mode & S_IWUSR) == 0;
}

int IsOpen(const struct stat& info) {
  int exclusive;
  return HostFileOpenCount(info.st_dev, info.st_ino, &exclusive) > 0;
}

int SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

int MoveBytes(int from, int to) {
  char buffer[16384];
  for (;;) {
    ssize_t got = read(from, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return got == 0;
    for (ssize_t put = 0; put < got;) {
      ssize_t moved = write(to, buffer + put, static_cast<size_t>(got - put));
      if (moved < 0 && errno == EINTR) continue;
      if (moved < 0) return 0;
      put += moved;
    }
  }
}

// CopyFileA's copy: the bytes, the last-write time and the read-only attribute. A destination
// left half written is removed.
int CopyHostFile(const char* from, const char* to, const struct stat& from_info) {
  int source = open(from, O_RDONLY | O_CLOEXEC);
  if (source < 0) return 0;
  int target = open(to, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (target < 0) {
    close(source);
    return 0;
  }
  struct stat target_info;
  const struct timespec times[2] = {from_info.st_atim, from_info.st_mtim};
  int ok = MoveBytes(source, target) && futimens(target, times) == 0 &&
           fstat(target, &target_info) == 0 &&
           (!IsReadOnly(from_info) ||
            fchmod(target, target_info.st_mode & 07777 & ~(S_IWUSR | S_IWGRP | S_IWOTH)) == 0);
  close(source);
  if (close(target) != 0) ok = 0;
  if (!ok) unlink(to);
  return ok;
}

// The host path a move goes to when the destination names the source itself in other letters:
// the destination folder plus the last component as written (a change of case only).
int CaseRenameTarget(const HostResolvedPath& to, char* out, size_t size) {
  const char* slash = strrchr(to.host, '/');
  const char* name = strrchr(to.windows, '\\');
  if (slash == nullptr || name == nullptr || !HostCopyText(out, size, to.host)) return 0;
  out[slash - to.host + 1] = '\0';
  return HostAppendText(out, size, name + 1);
}

}  // namespace

uint32_t HostAttributes(const struct stat& info) {
  if (S_ISDIR(info.st_mode)) return kAttrDirectory;
  return kAttrArchive | (IsReadOnly(info) ? kAttrReadOnly : 0);
}

uint32_t PlatGetFileAttributes(const char* path) {
  HostResolvedPath resolved;
  struct stat info;
  if (!HostResolvePath(path, &resolved) || stat(resolved.host, &info) != 0) {
    return kPlatNoAttributes;
  }
  return HostAttributes(info);
}

int PlatSetFileAttributes(const char* path, uint32_t attributes) {
  HostResolvedPath resolved;
  struct stat info;
  if (!HostResolvePath(path, &resolved) || stat(resolved.host, &info) != 0) return 0;
  if (S_ISDIR(info.st_mode)) return 1;  // a directory's read-only mark changes nothing
  mode_t mode = info.st_mode & 07777;
  mode = (attributes & kAttrReadOnly) != 0 ? (mode & ~(S_IWUSR | S_IWGRP | S_IWOTH))
                                           : (mode | S_IWUSR);
  return chmod(resolved.host, mode) == 0;
}

int PlatCreateDirectory(const char* path) {
  HostResolvedPath resolved;
  if (!HostResolvePath(path, &resolved)) return 0;
  int listing = HostListingBefore(resolved.host);
  if (mkdir(resolved.host, 0777) != 0) return 0;
  HostListingAfter(listing, resolved.host, 1);
  return 1;
}

int PlatRemoveDirectory(const char* path) {
  HostResolvedPath resolved;
  return HostResolvePath(path, &resolved) && rmdir(resolved.host) == 0;
}

int PlatDeleteFile(const char* path) {
  HostResolvedPath resolved;
  struct stat info;
  if (!HostResolvePath(path, &resolved)) return 0;
  HostFaultFires(kFaultPowerCut, resolved.windows);
  if (HostFaultFires(kFaultReadOnly, resolved.windows)) return 0;
  if (stat(resolved.host, &info) != 0 || !S_ISREG(info.st_mode) || IsReadOnly(info) ||
      IsOpen(info)) {
    return 0;
  }
  int listing = HostListingBefore(resolved.host);
  if (unlink(resolved.host) != 0) return 0;
  HostListingAfter(listing, resolved.host, 0);
  HostFreeResize(resolved.windows, static_cast<uint64_t>(info.st_size), 0);
  return 1;
}

int PlatMoveFile(const char* from, const char* to) {
  HostResolvedPath source;
  HostResolvedPath target;
  struct stat source_info;
  struct stat target_info;
  if (!HostResolvePath(from, &source) || !HostResolvePath(to, &target)) return 0;
  HostFaultFires(kFaultPowerCut, target.windows);
  if (HostFaultFires(kFaultReadOnly, source.windows)) return 0;
  if (stat(source.host, &source_info) != 0) return 0;
  int is_file = S_ISREG(source_info.st_mode);
  if (is_file && (IsReadOnly(source_info) || IsOpen(source_info))) return 0;
  char destination[kHostPathMax];
  if (stat(target.host, &target_info) == 0) {
    if (!SameFile(source_info, target_info) ||
        !CaseRenameTarget(target, destination, sizeof destination)) {
      return 0;
    }
  } else if (!HostCopyText(destination, sizeof destination, target.host)) {
    return 0;
  }
  uint64_t size = is_file ? static_cast<uint64_t>(source_info.st_size) : 0;
  // As on Windows, a folder does not move to another drive; a file needs the clusters there.
  int other_drive = source.windows[0] != target.windows[0];
  if (other_drive && (HostFreeTracked(source.windows) || HostFreeTracked(target.windows)) &&
      (!is_file || HostFreeRoom(target.windows, 0, size) < size)) {
    return 0;
  }
  int source_listing = HostListingBefore(source.host);
  int target_listing = HostListingBefore(destination);
  // Across host file systems a file is copied and the original removed, as MoveFileA does
  // between drives.
  int moved = rename(source.host, destination) == 0 ||
              (errno == EXDEV && is_file && CopyHostFile(source.host, destination, source_info) &&
               unlink(source.host) == 0);
  if (moved) {
    HostListingAfter(source_listing, source.host, 0);
    HostListingAfter(target_listing, destination, 1);
  }
  if (moved && other_drive) {
    HostFreeResize(source.windows, size, 0);
    HostFreeResize(target.windows, 0, size);
  }
  return moved;
}

int PlatCopyFile(const char* from, const char* to, int fail_if_exists) {
  HostResolvedPath source;
  HostResolvedPath target;
  struct stat source_info;
  struct stat target_info;
  if (!HostResolvePath(from, &source) || !HostResolvePath(to, &target)) return 0;
  HostFaultFires(kFaultPowerCut, target.windows);
  int held_alone;
  if (stat(source.host, &source_info) != 0 || !S_ISREG(source_info.st_mode)) return 0;
  HostFileOpenCount(source_info.st_dev, source_info.st_ino, &held_alone);
  if (held_alone) return 0;
  int replaces = stat(target.host, &target_info) == 0;
  if (replaces && (fail_if_exists || !S_ISREG(target_info.st_mode) || IsReadOnly(target_info) ||
                   IsOpen(target_info) || SameFile(source_info, target_info))) {
    return 0;
  }
  uint64_t old_size = replaces ? static_cast<uint64_t>(target_info.st_size) : 0;
  uint64_t size = static_cast<uint64_t>(source_info.st_size);
  if (HostFreeRoom(target.windows, old_size, size) < size) return 0;
  int listing = HostListingBefore(target.host);
  int copied = CopyHostFile(source.host, target.host, source_info);
  HostFreeSettle(target.windows, target.host, old_size);  // a failed copy removes the target
  if (!copied) return 0;
  HostListingAfter(listing, target.host, 1);
  return 1;
}

// Temporary names as Windows makes them. An unused number for unique 0 is searched from a
// starting point that moves on with every call, and the file is created at once to claim it.
uint32_t PlatGetTempFileName(const char* dir, const char* prefix, uint32_t unique, char* out) {
  static uint32_t next_pick = 1;
  out[0] = '\0';
  uint32_t tries = unique != 0 ? 1 : 0xFFFF;
  for (uint32_t i = 0; i < tries; ++i) {
    uint32_t number = unique != 0 ? unique : (next_pick + i - 1) % 0xFFFF + 1;
    int length = snprintf(out, kPathBuffer, "%s\\%.3s%04X.TMP", dir, prefix, number & 0xFFFF);
    if (length < 0 || length >= static_cast<int>(kPathBuffer)) break;
    if (unique != 0) return unique;
    if (PlatGetFileAttributes(out) != kPlatNoAttributes) continue;
    PlatFile file = PlatCreateFile(out);
    if (file == kPlatNoFile) break;
    PlatCloseFile(file);
    next_pick = number % 0xFFFF + 1;
    return number;
  }
  out[0] = '\0';
  return 0;
}
