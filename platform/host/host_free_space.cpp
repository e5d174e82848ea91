// The free space of the drives whose [free] figure machine.ini marks with track=1. The figure is
// what is free when the machine opens; from then on every file on the drive that grows takes
// whole clusters of it and every file that shrinks or goes away gives them back. Only the changes
// are counted, never what the drive holds, so no call walks a directory.
#include <sys/stat.h>

#include <cinttypes>

#include "platform/host/host_backend.h"

namespace {

// Clusters the files of each drive took since the machine opened; negative when they gave back
// more than they took.
int64_t g_taken[kHostDriveCount];

int Tracked(int drive) {
  if (drive < 0 || drive >= kHostDriveCount) return 0;
  const HostDrive& entry = HostInfo().drives[drive];
  return entry.has_free && entry.track_free;
}

// The drive of a full Windows path ("C:\..."), or -1.
int PathDrive(const char* windows_path) {
  if (windows_path == nullptr || windows_path[0] == '\0' || windows_path[1] != ':') return -1;
  return HostUpper(windows_path[0]) - 'A';
}

// The clusters a file of that size occupies.
uint64_t Span(uint64_t size, uint32_t cluster_bytes) {
  return size / cluster_bytes + (size % cluster_bytes != 0 ? 1 : 0);
}

uint64_t FreeClusters(int drive) {
  const HostDrive& entry = HostInfo().drives[drive];
  uint64_t at_open = entry.free_bytes / entry.cluster_bytes;
  int64_t taken = g_taken[drive];
  if (taken >= 0) {
    uint64_t used = static_cast<uint64_t>(taken);
    return used < at_open ? at_open - used : 0;
  }
  uint64_t given = 0 - static_cast<uint64_t>(taken);
  return given < UINT64_MAX - at_open ? at_open + given : UINT64_MAX;
}

}  // namespace

void HostFreeReset() {
  for (int64_t& taken : g_taken) taken = 0;
}

int HostFreeTracked(const char* windows_path) {
  return Tracked(PathDrive(windows_path));
}

int HostFreeBytes(int drive, uint64_t* bytes) {
  if (!Tracked(drive)) return 0;
  uint32_t cluster_bytes = HostInfo().drives[drive].cluster_bytes;
  uint64_t clusters = FreeClusters(drive);
  *bytes = clusters < UINT64_MAX / cluster_bytes ? clusters * cluster_bytes : UINT64_MAX;
  return 1;
}

uint64_t HostFreeRoom(const char* windows_path, uint64_t before, uint64_t after) {
  int drive = PathDrive(windows_path);
  if (!Tracked(drive) || after <= before) return after;
  uint32_t cluster_bytes = HostInfo().drives[drive].cluster_bytes;
  uint64_t held = Span(before, cluster_bytes);
  uint64_t needs = Span(after, cluster_bytes) - held;
  uint64_t free_clusters = FreeClusters(drive);
  if (needs <= free_clusters) return after;
  HostTranscript("disk-full \"%s\" needs=%" PRIu64 " free=%" PRIu64, windows_path, needs,
                 free_clusters);
  return (held + free_clusters) * cluster_bytes;
}

void HostFreeResize(const char* windows_path, uint64_t before, uint64_t after) {
  int drive = PathDrive(windows_path);
  if (!Tracked(drive)) return;
  uint32_t cluster_bytes = HostInfo().drives[drive].cluster_bytes;
  g_taken[drive] += static_cast<int64_t>(Span(after, cluster_bytes)) -
                    static_cast<int64_t>(Span(before, cluster_bytes));
}

void HostFreeSettle(const char* windows_path, const char* host_path, uint64_t before) {
  struct stat info;
  if (!HostFreeTracked(windows_path)) return;
  uint64_t now = stat(host_path, &info) == 0 && S_ISREG(info.st_mode)
                     ? static_cast<uint64_t>(info.st_size)
                     : 0;
  HostFreeResize(windows_path, before, now);
}
