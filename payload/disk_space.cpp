// The disk-space estimate and the per-write room test. The estimate is carried and compared in
// 64 bits; the figures it logs and reports are held at 0xFFFFFFFF, so that a large payload
// never wraps round into a small need.
#include "payload/disk_space.h"

#include "payload/extraction_library.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/system.h"
#include "services/file_writing.h"
#include "services/paths.h"
#include "services/payload_header.h"
#include "services/setup_state.h"
#include "services/update_log.h"

namespace {

const uint32_t kMergePieceAllowance = 5 * 1048576;

uint32_t Saturated(int64_t value) {
  if (value < 0) return 0;
  return value > 0xFFFFFFFF ? 0xFFFFFFFFu : static_cast<uint32_t>(value);
}

uint16_t FirstCountedEntry() {
  return g_extraction.library_in_payload ? 1 : 0;
}

}  // namespace

uint32_t ClusterSpan(uint32_t size, uint32_t cluster_size) {
  if (cluster_size == 0) cluster_size = kDefaultClusterSize;
  uint64_t clusters = (static_cast<uint64_t>(size) + cluster_size) / cluster_size;
  return Saturated(static_cast<int64_t>(clusters * cluster_size));
}

namespace {

// The gross need in 64 bits: never below 0, never held.
uint64_t SpaceNeeded(uint32_t cluster_size) {
  int64_t sum = 0;
  for (uint16_t i = FirstCountedEntry(); i < g_payload.entry_count; ++i) {
    const PayloadEntry& entry = *g_payload.entries[i];
    uint32_t span = ClusterSpan(entry.unpacked_size, cluster_size);
    sum += NamesEqual(entry.name, "IDB\\MERGE.DB") ? 2 * static_cast<int64_t>(span) : span;
  }
  sum += static_cast<int64_t>(g_payload.extra_space_kb) * 1024 - g_payload.db_pieces_b_size -
         g_payload.db_pieces_a_size;
  return sum < 0 ? 0 : static_cast<uint64_t>(sum);
}

// The savings in 64 bits.
uint64_t ExistingSavings(uint32_t cluster_size, const char* directory) {
  uint64_t sum = 0;
  for (uint16_t i = FirstCountedEntry(); i < g_payload.entry_count; ++i) {
    const PayloadEntry& entry = *g_payload.entries[i];
    char path[kPathBuffer];
    if (NamesEqual(entry.name, "IDB\\MAIN.IDX") ||
        JoinPath(path, directory, entry.name, nullptr) == nullptr || !FileExists(path)) {
      continue;
    }
    uint32_t existing = ClusterSpan(GetFileSizeByName(path), cluster_size);
    uint32_t replacement = ClusterSpan(entry.unpacked_size, cluster_size);
    sum += existing < replacement ? existing : replacement;
  }
  return sum;
}

}  // namespace

uint32_t ComputeSpaceNeeded(uint32_t cluster_size) {
  return Saturated(static_cast<int64_t>(SpaceNeeded(cluster_size)));
}

int32_t ComputeExistingSavings(uint32_t cluster_size, const char* directory) {
  uint64_t sum = ExistingSavings(cluster_size, directory);
  return sum > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int32_t>(sum);
}

int EstimateDiskSpace(int drive, const char* directory, uint32_t* need) {
  if (need != nullptr) *need = 0;
  char root[4];
  DriveRoot(drive, root);
  uint32_t attributes = PlatGetFileAttributes(root);
  if (attributes == kPlatNoAttributes || (attributes & kAttrReadOnly) != 0) {
    LogLine("%s not writable", root);
    return 0;
  }
  PlatDiskSpace space;
  if (!PlatGetDiskFreeSpace(root, &space)) return 0;
  uint32_t cluster_size = space.bytes_per_sector * space.sectors_per_cluster;
  if (cluster_size == 0) cluster_size = kDefaultClusterSize;
  uint64_t free_space = static_cast<uint64_t>(cluster_size) * space.free_clusters;
  LogLine("Drive %c: cluster size = %lu, free space = %lu", 'A' + drive, cluster_size,
          Saturated(static_cast<int64_t>(free_space)));

  // The whole estimate is carried in 64 bits; the log shows its figures held at 0xFFFFFFFF.
  uint64_t total = SpaceNeeded(cluster_size);
  if (g_payload.db_pieces_a.count >= 1) total += kMergePieceAllowance;
  uint64_t savings = ExistingSavings(cluster_size, directory);
  LogLine("Space needed = %lu, extra from old = %lu, existing savings = %lu",
          Saturated(static_cast<int64_t>(total)), 0u,
          static_cast<uint32_t>(savings > 0x7FFFFFFF ? 0x7FFFFFFF : savings));
  if (total > savings) total -= savings;
  uint32_t held_total = Saturated(static_cast<int64_t>(total));
  LogLine("Total = %lu", held_total);
  if (need != nullptr) *need = held_total;
  if (total < free_space) {
    LogLine("It'll fit");
    return 1;
  }
  LogLine("Won't fit");
  return 0;
}
