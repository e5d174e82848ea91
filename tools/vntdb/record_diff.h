// The records two releases of a database differ by, and the merge database that carries the
// difference: every live record of the new file that the old one lacks or holds with other
// bytes. The setup's merge writes each of them over the old database's record of its GID, so the
// merged file's live records are the new file's, except what a merge cannot do: remove a record
// (gone), or write an empty one (the merge passes over records without data).
#pragma once

#include <string>
#include <vector>

#include "tools/vntdb/database_writer.h"
#include "tools/vntdb/live_records.h"

enum RecordChange { kRecordAdded, kRecordChanged, kRecordGone };

struct ChangedRecord {
  RecordChange change;
  LiveRecord record;      // the new file's record; the old file's for a gone one
  size_t old_length = 0;  // the old record's length, for a changed one
};

// Added and changed records in the new file's order, then the gone ones in the old file's order.
std::vector<ChangedRecord> DiffRecords(const std::vector<LiveRecord>& old_records,
                                       const std::vector<LiveRecord>& new_records);

// The merge database: a current-form database of the main kind holding the added and changed
// records in order, each with its type, plain data and no flags.
DatabaseLayout MergeLayout(const std::vector<ChangedRecord>& changes);

// One line for every change a merge cannot make (a gone record, an empty added or changed one).
std::vector<std::string> MergeWarnings(const std::vector<ChangedRecord>& changes);
