// MergeDatabase: the merge file's records, visited newest first, are read in batches of a
// little over 64000 data bytes and written into the main database, each batch last-read first,
// under dialog 210 with its gauge. Every way out after the start closes what was opened. A merge
// file that cannot be read whole and a record that cannot be written fail the merge; the merge
// file is deleted only after a merge that wrote every record.
#include "database/merge.h"

#include <cstdint>

#include "database/database.h"
#include "integration/help_contents.h"
#include "integration/registry_entries.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "services/errors.h"
#include "services/memory.h"
#include "services/paths.h"
#include "services/payload_header.h"
#include "services/rollback.h"
#include "services/setup_state.h"
#include "services/update_log.h"
#include "ui/dialog_ids.h"
#include "ui/dialog_manager.h"
#include "ui/dialog_procs.h"
#include "ui/gauge_messages.h"

namespace {

const char kMergeFile[] = "IDB\\MERGE.DB";
const char kMainFile[] = "IDB\\MAIN.IDX";
const uint32_t kBatchBytes = 64000;

// A record read from the merge file and not yet written; its data lies at `at` in the batch's
// data block.
struct PendingRecord {
  uint32_t gid;
  uint32_t at;
  uint16_t length;
};
// A batch ends with the record that takes it past kBatchBytes; every merged record has data.
const uint32_t kBatchRecordsMax = kBatchBytes + 1;
const uint32_t kBatchDataMax = kBatchBytes + kDbMaxDataLength;

struct Merge {
  Database* source;
  Database* target;
  PlatWindow dialog;
  int dialog_open;
  uint32_t progress;
  PendingRecord* pending;  // the batch, in the order read (two blocks, made once a merge)
  uint8_t* data;
  uint32_t pending_count;
  uint32_t pending_total;
};

// Writes the pending records, the one read last first, their old bytes journalled together in one
// flush first. A Cancel in a disk-full question stops the flush and drops the rest; a record that
// cannot be written fails the merge (41).
void Flush(Merge* merge) {
  for (uint32_t i = merge->pending_count; i-- > 0;) {
    if (!DbJournalWrite(merge->target, merge->pending[i].gid, merge->pending[i].length)) break;
  }
  if (g_setup.error_number == 0) MakeJournalDurable();
  for (uint32_t i = merge->pending_count;
       i-- > 0 && !g_setup.install_stopped && g_setup.error_number == 0;) {
    const PendingRecord& record = merge->pending[i];
    char type = (record.gid >> 24) == 0x01 ? 'p' : 'b';
    if (DbWriteJournalled(merge->target, record.gid, merge->data + record.at, record.length,
                          type)) {
      LogLine("Wrote GID %lu (size %u)", record.gid, static_cast<unsigned>(record.length));
    } else {
      LogLine("Failed to write GID %lu", record.gid);
      if (!g_setup.install_stopped) FailWith(kErrorRecordWrite);
    }
    // The visit pumps once a record already; the writes of a batch need it only now and then.
    if (i % 16 == 0 && !g_setup.install_stopped) PumpMessagesWhenDue();
  }
  merge->pending_count = 0;
  merge->pending_total = 0;
}

int VisitSource(Database* source, uint32_t gid, uint32_t length, void* context) {
  Merge* merge = static_cast<Merge*>(context);
  if (g_setup.install_stopped || g_setup.error_number != 0) return 0;
  SendGaugePosition(merge->dialog, ++merge->progress);
  // The clock is asked every sixteenth record: a visit takes microseconds.
  if (merge->progress % 16 == 0) PumpMessagesWhenDue();
  if (length == 0) return 1;  // empty records are not merged
  if (length > kDbMaxDataLength ||
      DbRead(source, gid, merge->data + merge->pending_total, length, nullptr) == nullptr) {
    // The merge file is not read whole: the update's records would be lost with it.
    LogLine("Couldn't read GID %lu", gid);
    FailWith(kErrorMergeDatabaseRead);
    return 0;
  }
  merge->pending[merge->pending_count++] =
      PendingRecord{gid, merge->pending_total, static_cast<uint16_t>(length)};
  merge->pending_total += length;
  if (merge->pending_total > kBatchBytes) Flush(merge);
  return 1;
}

void CleanUp(Merge* merge) {
  FreeBlock(merge->pending);
  FreeBlock(merge->data);
  merge->pending = nullptr;
  merge->data = nullptr;
  DbClose(merge->target);
  DbClose(merge->source);
  merge->target = nullptr;
  merge->source = nullptr;
  if (merge->dialog_open) CloseModelessDialog(kDialogDatabaseProgress);
  merge->dialog_open = 0;
}

int GiveUp(Merge* merge, uint16_t error) {
  CleanUp(merge);
  return error != 0 ? FailWith(error) : 0;
}

// Opens the merge file and logs its version. 0 (error 40) when the file is there but cannot be
// opened as a database; a merge file that is missing is logged and the merge goes on without it.
int OpenSource(Merge* merge) {
  merge->dialog = OpenModelessDialog(kDialogDatabaseProgress, PassiveDialogProc);
  merge->dialog_open = merge->dialog != nullptr;
  SendGaugePosition(merge->dialog, 1);
  char path[kPathBuffer];
  if (JoinPath(path, g_setup.merge_dir, kMergeFile, nullptr) == nullptr) {
    LogLine("Couldn't open old db");
    return FailWith(kErrorMergeDatabaseRead);
  }
  if (DbOpen(path, &merge->source) != 0) {
    LogLine("Couldn't open old db");
    if (PathExists(path)) return FailWith(kErrorMergeDatabaseRead);
  } else if (merge->source->skipped >= DbRecordHeaderSize(merge->source->form)) {
    // The scan stepped over room for a record: the update's record there would be lost.
    LogLine("Old db damaged: %lu bytes skipped", merge->source->skipped);
    return FailWith(kErrorMergeDatabaseRead);
  } else {
    uint32_t length = 0;
    uint8_t* version = DbRead(merge->source, kGidVersion, nullptr, 0, &length);
    unsigned major = length > 1 ? version[1] : 0;
    unsigned minor = length > 2 ? version[2] : 0;
    FreeBlock(version);
    LogLine("Old version: %u.%u", major, minor);
  }
  SendGaugePosition(merge->dialog, 2);
  return 1;
}

// Data bytes 1 and 2 of the version record become the stamp's low and high byte. A record too
// short to hold them counts as missing (24).
int StampVersion(Merge* merge) {
  uint32_t length = 0;
  uint8_t* version = DbRead(merge->target, kGidVersion, nullptr, 0, &length);
  if (version == nullptr || length < 3) {
    FreeBlock(version);
    return GiveUp(merge, kErrorVersionMissing);
  }
  unsigned low = g_payload.db_version_stamp & 0xFF;
  unsigned high = g_payload.db_version_stamp >> 8;
  version[1] = static_cast<uint8_t>(low);
  version[2] = static_cast<uint8_t>(high);
  int written = DbWrite(merge->target, kGidVersion, version, static_cast<uint16_t>(length), 'b');
  FreeBlock(version);
  if (!written) return GiveUp(merge, kErrorVersionWrite);
  LogLine("New version: %u.%u", low, high);
  return 1;
}

// The profile, registry, help and uninstall entries. WIN.INI and Windows.cnt are copied aside
// first, so that a failed run can put them back; 0 (error 42) when they cannot be.
int RecordInstallation() {
  char win_ini[kPathBuffer];
  char contents[kPathBuffer];
  if (JoinPath(win_ini, g_setup.windows_dir, "WIN.INI", nullptr) == nullptr ||
      JoinPath(contents, g_setup.windows_dir, "Help\\Windows.cnt", nullptr) == nullptr ||
      !KeepCopyBeforeChange(win_ini) || !KeepCopyBeforeChange(contents)) {
    return FailWith(kErrorRollbackJournal);
  }
  // A write that fails may have left WIN.INI damaged: the run fails and the copy goes back.
  if (!PlatWriteProfileString("DIZI", "Installed", "US") ||
      !PlatWriteProfileString("DIZI", "AppPath", g_setup.dest_dir)) {
    return FailWith(kErrorProfileWrite);
  }
  RegSetStringChecked(kRegLocalMachine, kVelnetKey, kAppPathValue, g_setup.dest_dir);
  RegSetStringChecked(kRegCurrentUser, kVelnetKey, kAppPathValue, g_setup.dest_dir);
  RegisterHelpContents();
  RegisterUninstall();
  return 1;
}

}  // namespace

int MergeDatabase() {
  Merge merge = {};
  int merging = g_setup.merge_dir[0] != '\0';
  if (merging && !OpenSource(&merge)) return GiveUp(&merge, kErrorMergeDatabaseRead);
  PumpMessages();
  char path[kPathBuffer];
  // Every merged record may be new: the index is built once, with room for them all.
  if (JoinPath(path, g_setup.dest_dir, kMainFile, nullptr) == nullptr ||
      DbOpenWithRoom(path, DbCount(merge.source), &merge.target) != 0) {
    return GiveUp(&merge, kErrorMainDatabaseOpen);
  }
  if (merge.source != nullptr) {
    merge.pending =
        static_cast<PendingRecord*>(AllocBlock(kBatchRecordsMax * sizeof(PendingRecord)));
    merge.data = static_cast<uint8_t*>(AllocBlock(kBatchDataMax));
    SendGaugeRange(merge.dialog, DbCount(merge.source));
    DbForEach(merge.source, VisitSource, &merge);
    if (g_setup.install_stopped || g_setup.error_number != 0) return GiveUp(&merge, 0);
    Flush(&merge);
    if (g_setup.install_stopped || g_setup.error_number != 0) return GiveUp(&merge, 0);
  }
  if (g_payload.db_version_stamp != 0 && !StampVersion(&merge)) return 0;
  if (g_setup.version_text[0] != '\0' &&
      !DbWriteText(merge.target, kGidVersionText, g_setup.version_text)) {
    return GiveUp(&merge, kErrorVersionTextWrite);
  }
  if (g_reader.marker_text[0] != '\0' &&
      !DbWriteText(merge.target, kGidMarkerText, g_reader.marker_text)) {
    return GiveUp(&merge, kErrorMarkerTextWrite);
  }
  CleanUp(&merge);
  if (merging && JoinPath(path, g_setup.merge_dir, kMergeFile, nullptr) != nullptr) {
    DeleteSettingAside(path);
  }
  return RecordInstallation();
}
