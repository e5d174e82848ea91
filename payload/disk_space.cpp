// The disk-space estimate and the per-write room test. The estimate is carried and compared in
// 64 bits; the figures it logs and reports are held at 0xFFFFFFFF, so that a large payload
// never wraps round into a small need.
#include "payload/disk_space.h"

#include <cstring>

#include "payload/extraction_library.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/system.h"
#include "services/file_writing.h"
#include "services/journal_records.h"
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

// What the rollback keeps until the run has succeeded, which the estimate above (made for a run
// that deletes old copies as it goes) does not count: the old copies it credited, moved aside
// instead; the journal's records of every entry (its file or its moved-aside copy, its stamp,
// its temporary archive); the before-images of MAIN.IDX (at most the merge file's records, each
// with a record of its own); and the copies of the files changed in place on this drive.
uint64_t RollbackReserve(uint32_t cluster_size, const char* directory, uint64_t credited) {
  const uint32_t kSmallestRecord = 22;  // the header of a database record of the older form
  uint32_t directory_length = static_cast<uint32_t>(strlen(directory));
  uint64_t journal = JournalRecordSize(3 * kPathBuffer, kPathBuffer);  // its identity
  for (uint16_t i = 0; i < g_payload.entry_count; ++i) {
    const PayloadEntry& entry = *g_payload.entries[i];
    uint32_t path_length = directory_length + 1 + static_cast<uint32_t>(strlen(entry.name));
    journal += 4 * static_cast<uint64_t>(JournalRecordSize(2 * path_length + 16, 4));
    if (NamesEqual(entry.name, "IDB\\MERGE.DB")) {
      uint64_t records = entry.unpacked_size / kSmallestRecord + 1;
      journal += entry.unpacked_size + records * JournalRecordSize(directory_length + 13, 0);
    }
  }
  uint64_t reserve = credited + ClusterSpan(Saturated(static_cast<int64_t>(journal)), cluster_size);
  static const char* const kChangedInPlace[] = {"WIN.INI", "Help\\Windows.cnt", "DOSGAME.PIF"};
  for (const char* name : kChangedInPlace) {
    char path[kPathBuffer];
    if (JoinPath(path, g_setup.windows_dir, name, nullptr) != nullptr &&
        UpperCaseOf(path[0]) == UpperCaseOf(directory[0]) && FileExists(path)) {
      reserve += ClusterSpan(GetFileSizeByName(path), cluster_size);
    }
  }
  char version_file[kPathBuffer];
  if (JoinPath(version_file, directory, "VERSION.INF", nullptr) != nullptr &&
      FileExists(version_file)) {
    reserve += ClusterSpan(GetFileSizeByName(version_file), cluster_size);
  }
  return reserve;
}

}  // namespace

uint32_t ComputeSpaceNeeded(uint32_t cluster_size) {
  return Saturated(static_cast<int64_t>(SpaceNeeded(cluster_size)));
}

int32_t ComputeExistingSavings(uint32_t cluster_size, const char* directory) {
  uint64_t sum = ExistingSavings(cluster_size, directory);
  return sum > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int32_t>(sum);
}

namespace {

// EstimateDiskSpace, and with rollback set the rollback's reserve on top (RollbackReserve).
int Estimate(int drive, const char* directory, uint32_t* need, int rollback) {
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
  uint64_t credited = total > savings ? savings : 0;
  total -= credited;
  uint32_t held_total = Saturated(static_cast<int64_t>(total));
  LogLine("Total = %lu", held_total);
  if (need != nullptr) *need = held_total;
  if (total >= free_space) {
    LogLine("Won't fit");
    return 0;
  }
  // The log of a run that fits stays as it is; the reserve is told only when it decides.
  uint64_t reserve = rollback ? RollbackReserve(cluster_size, directory, credited) : 0;
  if (total + reserve >= free_space) {
    LogLine("Kept for the rollback until the end = %lu", Saturated(static_cast<int64_t>(reserve)));
    if (need != nullptr) *need = Saturated(static_cast<int64_t>(total + reserve));
    LogLine("Won't fit");
    return 0;
  }
  LogLine("It'll fit");
  return 1;
}

}  // namespace

int EstimateDiskSpace(int drive, const char* directory, uint32_t* need) {
  return Estimate(drive, directory, need, 0);
}

int EstimateRoomForRun(int drive, const char* directory, uint32_t* need) {
  return Estimate(drive, directory, need, 1);
}
