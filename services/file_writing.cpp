// WriteBlock, the disk-full retry of every write, and FitsOnDrive, the room test by clusters.
#include "services/file_writing.h"

#include "platform/system.h"
#include "services/errors.h"
#include "services/paths.h"
#include "services/setup_state.h"

namespace {

// Writes the block, which starts at position, asking for room again after each short write.
int WriteFrom(PlatFile file, uint32_t position, const void* buffer, uint16_t length) {
  for (;;) {
    if (PlatWriteFile(file, buffer, length) == length) return 1;
    if (position == kPlatFileError || PlatSeekFile(file, position, kSeekBegin) != position) {
      return 0;
    }
    if (!AskMoreDiskSpace()) break;
  }
  g_setup.install_stopped = 1;
  if (g_setup.disk_full_program[0] != '\0') g_setup.offer_disk_full_program = 1;
  return 0;
}

}  // namespace

int WriteBlock(PlatFile file, const void* buffer, uint16_t length) {
  if (length == 0) return 1;
  return WriteFrom(file, PlatSeekFile(file, 0, kSeekCurrent), buffer, length);
}

int WriteBlockAt(PlatFile file, uint32_t position, const void* buffer, uint16_t length) {
  if (position == kPlatFileError || PlatSeekFile(file, position, kSeekBegin) != position) return 0;
  return length == 0 || WriteFrom(file, position, buffer, length);
}

int WriteBlockHere(PlatFile file, uint32_t position, const void* buffer, uint16_t length) {
  return length == 0 || WriteFrom(file, position, buffer, length);
}

int FitsOnDrive(int drive, uint32_t byte_count) {
  char root[4];
  DriveRoot(drive, root);
  PlatDiskSpace space;
  if (!PlatGetDiskFreeSpace(root, &space)) return 0;
  uint64_t clusters;
  if (space.bytes_per_sector != 0 && space.sectors_per_cluster != 0) {
    uint64_t sectors =
        (static_cast<uint64_t>(byte_count) + space.bytes_per_sector) / space.bytes_per_sector;
    clusters = (sectors + space.sectors_per_cluster) / space.sectors_per_cluster;
  } else {
    clusters = byte_count / kDefaultClusterSize;
  }
  return clusters < space.free_clusters;
}

uint64_t RoomOnDrive(int drive) {
  char root[4];
  DriveRoot(drive, root);
  PlatDiskSpace space;
  if (!PlatGetDiskFreeSpace(root, &space) || space.free_clusters <= 2) return 0;
  uint32_t cluster_size = space.bytes_per_sector * space.sectors_per_cluster;
  if (cluster_size == 0) cluster_size = kDefaultClusterSize;
  return static_cast<uint64_t>(space.free_clusters - 2) * cluster_size / 2;
}
