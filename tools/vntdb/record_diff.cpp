// Comparing two databases' live records by GID and bytes.
#include "tools/vntdb/record_diff.h"

#include <unordered_map>
#include <unordered_set>

std::vector<ChangedRecord> DiffRecords(const std::vector<LiveRecord>& old_records,
                                       const std::vector<LiveRecord>& new_records) {
  std::unordered_map<uint32_t, const LiveRecord*> old_by_gid;
  for (const LiveRecord& record : old_records) old_by_gid[record.gid] = &record;
  std::unordered_set<uint32_t> new_gids;
  std::vector<ChangedRecord> changes;
  for (const LiveRecord& record : new_records) {
    new_gids.insert(record.gid);
    auto found = old_by_gid.find(record.gid);
    if (found != old_by_gid.end() && found->second->data == record.data) continue;
    ChangedRecord change;
    change.change = found == old_by_gid.end() ? kRecordAdded : kRecordChanged;
    change.record = record;
    if (found != old_by_gid.end()) change.old_length = found->second->data.size();
    changes.push_back(change);
  }
  for (const LiveRecord& record : old_records) {
    if (new_gids.count(record.gid) != 0) continue;
    ChangedRecord change;
    change.change = kRecordGone;
    change.record = record;
    changes.push_back(change);
  }
  return changes;
}

DatabaseLayout MergeLayout(const std::vector<ChangedRecord>& changes) {
  DatabaseLayout layout;
  for (const ChangedRecord& change : changes) {
    if (change.change == kRecordGone) continue;
    layout.records.push_back(MakeRecord(change.record.gid, change.record.data, change.record.type));
  }
  return layout;
}

std::vector<std::string> MergeWarnings(const std::vector<ChangedRecord>& changes) {
  std::vector<std::string> warnings;
  for (const ChangedRecord& change : changes) {
    std::string gid = "GID " + HexText(change.record.gid);
    if (change.change == kRecordGone) {
      warnings.push_back(gid + " is gone from the new database; a merge cannot remove it");
    } else if (change.record.data.empty()) {
      warnings.push_back(gid +
                         " is empty in the new database; a merge does not write empty records");
    }
  }
  return warnings;
}
