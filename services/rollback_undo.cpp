// Undoing a rollback journal, and the recovery of one that an earlier run left behind. A journal
// is obeyed only where it was written and only whole: its identity must name the folder it is
// found in and this machine's Windows and system directories, and every record must lie inside
// those folders or the product's registry keys. Each undo is safe to repeat; each one done is
// marked in the journal, so that a rollback cut off or unable to finish is picked up exactly
// where it stopped.
#include "services/rollback_undo.h"

#include <cstring>

#include "platform/registry.h"
#include "platform/system.h"
#include "services/journal_records.h"
#include "services/paths.h"
#include "services/setup_state.h"
#include "services/update_log.h"

const char kJournalName[] = "VNTSETUP.RBK";
const char kAsideExtension[] = "RBK";

namespace {

const int kBlockedMax = 64;   // paths whose undo failed in one pass
const int kDeferredMax = 16;  // directories that hold the journal
const char kKeptBase[] = "VNTSETUP.";

struct Pass {
  char blocked[kBlockedMax][kPathBuffer];
  int blocked_count;
  char left[kBlockedMax][kPathBuffer];  // files changed since the run: left as they are
  int left_count;
  int halted;         // more paths failed than can be told apart: nothing older is undone
  int stamp_waiting;  // a stamp marked undone, not yet flushed
  unsigned restored;
  unsigned failed;
};

// The paths a pass has met so far, as a filter of two bits a path: a path met always tests as
// met, and one not met rarely does, which only costs a stamp its check.
const uint32_t kSeenBits = 1u << 19;
uint8_t g_seen[kSeenBits / 8];

uint32_t PathHash(const char* path) {
  uint32_t hash = 2166136261u;
  for (const char* at = path; *at != '\0'; ++at) {
    hash = (hash ^ static_cast<uint8_t>(UpperCaseOf(*at))) * 16777619u;
  }
  return hash;
}

// Marks the path met; 1 when it had been met (or seemed to) already.
int MeetPath(const char* path) {
  uint32_t hash = PathHash(path);
  uint32_t bits[2] = {hash % kSeenBits, (hash * 0x9E3779B1u >> 13) % kSeenBits};
  int met = 1;
  for (uint32_t bit : bits) {
    uint8_t mask = static_cast<uint8_t>(1u << (bit & 7));
    if ((g_seen[bit >> 3] & mask) == 0) met = 0;
    g_seen[bit >> 3] = static_cast<uint8_t>(g_seen[bit >> 3] | mask);
  }
  return met;
}

struct NotRestoredList {
  char first[kPathBuffer];
  unsigned count;
};
NotRestoredList g_not_restored;

// Deletes path when it is there; 1 when it is not there afterwards.
int RemoveFile(const char* path) {
  return !PathExists(path) || PlatDeleteFile(path);
}

// Writes the before-image's bytes back at their offset.
int WriteImage(const JournalRecord& record) {
  PlatFile file = PlatOpenFile(record.first, kOpenReadWrite);
  if (file == kPlatNoFile) return 0;
  int written = PlatSeekFile(file, record.number, kSeekBegin) == record.number &&
                PlatWriteFile(file, record.data, record.data_length) == record.data_length;
  return PlatCloseFile(file) && written;
}

// Cuts the file back to its original length and gives it back its last-write time.
int CutToLength(const JournalRecord& record) {
  PlatFile file = PlatOpenFile(record.first, kOpenReadWrite);
  if (file == kPlatNoFile) return 0;
  int cut = PlatSetFileSize(file, record.number);
  uint32_t time = record.data_length == 4 ? JournalGet32(record.data) : 0;
  if (time != 0) PlatSetFileDosTime(file, time);
  return PlatCloseFile(file) && cut;
}

// Gives the registry value its old text back, or deletes it when it had none.
int RestoreRegistryValue(const JournalRecord& record) {
  int had_value = (record.flags & kJournalHadValue) != 0;
  PlatRegKey key;
  uint32_t code = PlatRegOpenKey(record.number, record.first, &key);
  if (code == kRegFileNotFound) {
    if (!had_value) return 1;  // no key, so no value either
    code = PlatRegCreateKey(record.number, record.first, &key);
  }
  if (code != kRegSuccess) return 0;
  char old[kJournalImageMax + 1];
  memcpy(old, record.data, record.data_length);
  old[record.data_length] = '\0';
  code = had_value ? PlatRegSetString(key, record.second, old)
                   : PlatRegDeleteValue(key, record.second);
  PlatRegCloseKey(key);
  return code == kRegSuccess || (!had_value && code == kRegFileNotFound);
}

// Deletes a key the run made, once nothing is left in it.
int RemoveRegistryKey(const JournalRecord& record) {
  PlatRegKey key;
  uint32_t code = PlatRegOpenKey(record.number, record.first, &key);
  if (code == kRegFileNotFound) return 1;
  if (code != kRegSuccess) return 0;
  PlatRegKeyInfo info = {};
  code = PlatRegQueryInfoKey(key, &info);
  PlatRegCloseKey(key);
  if (code != kRegSuccess || info.values != 0) return 0;
  code = PlatRegDeleteKey(record.number, record.first);
  if (code == kRegFileNotFound) return 1;
  if (code != kRegSuccess) return 0;
  LogLine("Removed registry key %s", record.first);
  return 1;
}

// Undoes one record; 1 when what it recorded is as before. Doing it again is harmless.
int Undo(const JournalRecord& record) {
  switch (record.kind) {
    case kJournalDirectory:
    case kJournalCreated:
      if (!PathExists(record.first)) return 1;
      if (record.kind == kJournalDirectory ? !PlatRemoveDirectory(record.first)
                                           : !PlatDeleteFile(record.first)) {
        return 0;
      }
      LogLine("Removed %s", record.first);
      return 1;
    case kJournalMoved:
    case kJournalCopied: {
      if (!PathExists(record.second)) return 1;  // never made, or already put back
      // The copy comes back under the name the file had on disk (win.ini stays win.ini).
      char original[kPathBuffer];
      SpellAsOnDisk(record.first, original);
      if ((record.flags & kJournalAside) != 0) {
        if (!RemoveFile(record.first)) return 0;
      } else if (PathExists(record.first)) {
        return 1;  // a rename already put back: the source is there again
      }
      if (!PlatMoveFile(record.second, original)) return 0;
      LogLine("Restored %s", record.first);
      return 1;
    }
    case kJournalLength:
      if (!CutToLength(record)) return 0;
      LogLine("Restored %s", record.first);
      return 1;
    case kJournalBefore:
      return WriteImage(record);
    case kJournalRegKey:
      return RemoveRegistryKey(record);
    case kJournalRegValue:
      if (!RestoreRegistryValue(record)) return 0;
      LogLine("Restored registry value %s\\%s", record.first, record.second);
      return 1;
    default:
      return 0;
  }
}

int Listed(const char list[][kPathBuffer], int count, const char* path) {
  for (int i = 0; i < count; ++i) {
    if (NamesEqual(list[i], path)) return 1;
  }
  return 0;
}

// A record that could not be undone: its path keeps it and everything older on it.
void Block(Pass* pass, const JournalRecord& record) {
  LogLine("Couldn't restore %s", record.first);
  ++pass->failed;
  if (g_not_restored.count++ == 0) strcpy(g_not_restored.first, record.first);
  if (Listed(pass->blocked, pass->blocked_count, record.first)) return;
  if (pass->blocked_count >= kBlockedMax) {
    pass->halted = 1;
    return;
  }
  strcpy(pass->blocked[pass->blocked_count++], record.first);
}

void NoteSkipped(const JournalRecord& record) {
  if (g_not_restored.count++ == 0) strcpy(g_not_restored.first, record.first);
}

// A stamp that no newer record of its file voids: the file is undone only while it is as the
// run left it (or gone). One changed since is left, with every older record of its path.
void CheckStamp(Pass* pass, PlatFile file, const JournalRecord& record) {
  uint32_t length;
  uint32_t time;
  if (!JournalFileStamp(record.first, &length, &time) ||
      (length == record.number && time == JournalGet32(record.data))) {
    // Marked before the file changes: a later pass must not take the undo's own change for
    // the client's.
    if (JournalPutByte(file, record.offset + kJournalStateAt, kJournalUndone)) {
      pass->stamp_waiting = 1;
    }
    return;
  }
  if (pass->left_count >= kBlockedMax) {
    pass->halted = 1;
    return;
  }
  strcpy(pass->left[pass->left_count++], record.first);
  LogLine("Left %s as it is: it has changed since the setup", record.first);
  NoteSkipped(record);
}

// A record of a file left as it is: never undone, its moved-aside copy kept for the user.
void LeaveUndone(PlatFile file, const JournalRecord& record) {
  if ((record.flags & kJournalAside) != 0 && PathExists(record.second)) {
    LogLine("Kept its earlier copy as %s", record.second);
  }
  JournalPutByte(file, record.offset + kJournalStateAt, kJournalUndone);
}

int KeptName(const char* directory, char* out) {
  for (int number = 1; number <= 999; ++number) {
    char name[16];
    strcpy(name, kKeptBase);
    name[9] = static_cast<char>('0' + number / 100);
    name[10] = static_cast<char>('0' + number / 10 % 10);
    name[11] = static_cast<char>('0' + number % 10);
    name[12] = '\0';
    if (JoinPath(out, directory, name, nullptr) != nullptr && !PathExists(out)) return 1;
  }
  return 0;
}

// A journal that is not obeyed: said in the log and kept under a name no recovery looks for.
int KeepAside(const char* dir, const char* journal_path, const char* reason) {
  LogLine("Not obeying the setup journal %s: %s", journal_path, reason);
  char kept[kPathBuffer];
  if (KeptName(dir, kept) && PlatMoveFile(journal_path, kept)) {
    LogLine("Kept it as %s", kept);
    return 0;
  }
  LogLine("Couldn't keep it aside");
  return -1;
}

// 1 when a record lies where the journal's run could have made it.
int RecordAllowed(const JournalRecord& record, const JournalRoots& roots) {
  switch (record.kind) {
    case kJournalDirectory:
      return JournalPathInside(record.first, roots, (record.flags & kJournalHoldsJournal) != 0);
    case kJournalCreated:
    case kJournalLength:
    case kJournalBefore:
      return JournalPathInside(record.first, roots, 0);
    case kJournalStamp:
      return JournalPathInside(record.first, roots, 0) &&
             record.data_length == (record.number == kJournalNoFile ? 0u : 4u);
    case kJournalMoved:
    case kJournalCopied: {
      if (!JournalPathInside(record.first, roots, 0) ||
          !JournalPathInside(record.second, roots, 0)) {
        return 0;
      }
      if ((record.flags & kJournalAside) == 0) return record.kind == kJournalMoved;
      char from[kPathBuffer];
      char to[kPathBuffer];
      GetDirectoryPart(from, record.first);
      GetDirectoryPart(to, record.second);
      char extension[4];
      GetShortExtension(extension, record.second);
      return NamesEqual(from, to) && GetFileNamePart(record.second)[0] == '~' &&
             NamesEqual(extension, kAsideExtension);
    }
    case kJournalRegKey:
    case kJournalRegValue:
      return JournalKeyOwned(record.number, record.first);
    default:
      return 0;
  }
}

// 1 when the folder names are the same, a closing "\" apart.
int SameFolder(const char* a, const char* b) {
  size_t a_length = strlen(a);
  size_t b_length = strlen(b);
  while (a_length > 3 && a[a_length - 1] == '\\') --a_length;
  while (b_length > 3 && b[b_length - 1] == '\\') --b_length;
  if (a_length != b_length) return 0;
  for (size_t i = 0; i < a_length; ++i) {
    if (UpperCaseOf(a[i]) != UpperCaseOf(b[i])) return 0;
  }
  return 1;
}

enum Verdict { kObey, kCommitted, kBornTorn, kForeign };

// Reads the journal through: whose it is, whether it is whole and committed, where its whole
// records end. *reason tells why a foreign one is not obeyed.
Verdict Judge(PlatFile file, const char* dir, uint32_t* end, const char** reason) {
  JournalForgetReads();
  uint32_t size = PlatGetFileSize(file);
  JournalRecord record;
  uint32_t declared;
  *end = 0;
  *reason = "it cannot be read whole";
  if (size == kPlatFileError) return kForeign;
  if (!JournalRead(file, 0, size, &record, &declared) || record.kind != kJournalIdentity) {
    // Torn while it was made (the identity is flushed before any change): nothing was changed
    // under it yet. Anything else is no journal of this program.
    return size == 0 || declared > size ? kBornTorn : kForeign;
  }
  char system_dir[kPathBuffer];
  if (PlatGetSystemDirectory(system_dir, sizeof system_dir) == 0) system_dir[0] = '\0';
  char journal_system[kPathBuffer];
  memcpy(journal_system, record.data, record.data_length);
  journal_system[record.data_length] = '\0';
  if (!SameFolder(record.first, dir) || !SameFolder(record.second, g_setup.windows_dir) ||
      !SameFolder(journal_system, system_dir)) {
    *reason = "it was written for another folder";
    return kForeign;
  }
  uint32_t durable = record.number;
  Verdict verdict = record.mark == kJournalCommitted ? kCommitted : kObey;
  if (size < durable) {
    *reason = "it has been cut short";
    return kForeign;
  }
  char folder[kPathBuffer];
  strcpy(folder, record.first);
  JournalRoots roots = {folder, g_setup.windows_dir, system_dir};
  uint32_t offset = record.size;
  while (JournalRead(file, offset, size, &record, &declared)) {
    if (!RecordAllowed(record, roots)) {
      *reason = "it names something outside the setup's folders";
      return kForeign;
    }
    offset += record.size;
  }
  // Past the last flush an interruption may have torn what was being written; before it, not.
  if (offset < durable) return kForeign;
  *end = offset;
  return verdict;
}

}  // namespace

int IsKeptJournalName(const char* name) {
  if (strlen(name) != 12) return 0;
  for (int i = 0; i < 9; ++i) {
    if (UpperCaseOf(name[i]) != kKeptBase[i]) return 0;
  }
  for (int i = 9; i < 12; ++i) {
    if (name[i] < '0' || name[i] > '9') return 0;
  }
  return 1;
}

const char* NotRestored(unsigned* count) {
  *count = g_not_restored.count;
  return g_not_restored.first;
}

int UndoJournal(PlatFile file, const char* journal_path, uint32_t end) {
  Pass pass = {};
  memset(g_seen, 0, sizeof g_seen);
  JournalForgetReads();
  char deferred[kDeferredMax][kPathBuffer];
  int deferred_count = 0;
  int marks_waiting = 0;
  uint32_t journal_end = end;
  JournalRecord record;
  uint32_t declared;
  uint32_t first_change = JournalRead(file, 0, end, &record, &declared) ? record.size : end;
  for (uint32_t offset = JournalRecordBefore(file, end);
       offset != kJournalNoFile && offset >= first_change && end > first_change;
       end = offset, offset = JournalRecordBefore(file, end)) {
    if (!JournalRead(file, offset, end, &record, &declared)) {
      ++pass.failed;  // read whole a moment ago: the disk fails now
      pass.halted = 1;
      break;
    }
    int fresh_stamp = record.kind == kJournalStamp && record.state != kJournalUndone &&
                      record.number != kJournalNoFile;
    if (MeetPath(record.first)) fresh_stamp = 0;  // a newer record voids it
    if (record.kind == kJournalMoved && (record.flags & kJournalAside) == 0) {
      MeetPath(record.second);
    }
    if (record.state == kJournalUndone) continue;
    if (record.kind == kJournalStamp) {
      if (fresh_stamp && !pass.halted) CheckStamp(&pass, file, record);
      continue;
    }
    if (Listed(pass.left, pass.left_count, record.first)) {
      LeaveUndone(file, record);
      continue;
    }
    if (pass.halted || Listed(pass.blocked, pass.blocked_count, record.first)) {
      ++pass.failed;
      NoteSkipped(record);
      continue;
    }
    if (record.kind == kJournalDirectory && (record.flags & kJournalHoldsJournal) != 0 &&
        deferred_count < kDeferredMax) {
      strcpy(deferred[deferred_count++], record.first);
      continue;
    }
    // A mark lost to an interruption only repeats an undo, which is harmless for the undo itself;
    // but a file that comes back must never meet again a newer record of its path (a removal,
    // a before-image), so the marks made so far reach the disk before a file is moved back, and
    // once a file's length is back; and a stamp's mark before its file is changed.
    int moves_back = (record.kind == kJournalMoved || record.kind == kJournalCopied) &&
                     PathExists(record.second);
    int rewrites = moves_back || record.kind == kJournalLength || record.kind == kJournalBefore;
    if (((moves_back && marks_waiting) || (rewrites && pass.stamp_waiting)) &&
        PlatFlushFile(file)) {
      marks_waiting = 0;
      pass.stamp_waiting = 0;
    }
    if (!Undo(record)) {
      Block(&pass, record);
      continue;
    }
    if (record.kind != kJournalBefore) ++pass.restored;
    if (!JournalPutByte(file, offset + kJournalStateAt, kJournalUndone)) {
      LogLine("Couldn't write the rollback journal");
    }
    marks_waiting = 1;
    if (record.kind == kJournalLength && PlatFlushFile(file)) marks_waiting = 0;
  }
  if (pass.failed != 0) {
    // The files kept back are stamped as they are now: the next pass undoes them only while
    // nobody has changed them since.
    for (int i = 0; i < pass.blocked_count; ++i) {
      uint32_t length;
      uint32_t time;
      if (JournalFileStamp(pass.blocked[i], &length, &time) &&
          !JournalStampAt(file, &journal_end, pass.blocked[i], length, time)) {
        break;
      }
    }
  }
  PlatFlushFile(file);
  PlatCloseFile(file);
  if (pass.failed != 0) {
    LogLine("Rollback incomplete: %u restored, %u not restored", pass.restored, pass.failed);
    return 0;
  }
  if (!PlatDeleteFile(journal_path)) {
    // Everything is back and marked undone: the next run removes the journal.
    LogLine("Couldn't remove %s", journal_path);
    LogLine("Rollback incomplete: %u restored, the journal not removed", pass.restored);
    if (g_not_restored.count++ == 0) strcpy(g_not_restored.first, journal_path);
    return 0;
  }
  for (int i = 0; i < deferred_count; ++i) {
    if (PathExists(deferred[i]) && PlatRemoveDirectory(deferred[i])) {
      LogLine("Removed %s", deferred[i]);
      ++pass.restored;
    }
  }
  if (pass.left_count != 0) {
    LogLine("Rollback done: %u restored, %u changed since and left as they are", pass.restored,
            static_cast<unsigned>(pass.left_count));
    return 0;
  }
  LogLine("Rollback done: %u restored", pass.restored);
  return 1;
}

void FinishCommit(PlatFile file, const char* journal_path, uint32_t end) {
  JournalRecord record;
  uint32_t declared;
  int left = 0;
  JournalForgetReads();
  for (uint32_t offset = 0; JournalRead(file, offset, end, &record, &declared);
       offset += record.size) {
    const char* path = nullptr;
    if ((record.flags & kJournalAside) != 0) path = record.second;
    if ((record.flags & kJournalTemporary) != 0) path = record.first;
    if (path != nullptr && !RemoveFile(path)) {
      LogLine("Couldn't remove %s", path);
      left = 1;
    }
  }
  PlatCloseFile(file);
  // A file that stayed is removed by the next run, which finds the journal committed.
  if (!left) PlatDeleteFile(journal_path);
}

int RecoverUnfinishedRun(const char* dir) {
  char journal_path[kPathBuffer];
  if (JoinPath(journal_path, dir, kJournalName, nullptr) == nullptr || !PathExists(journal_path)) {
    return 0;
  }
  PlatFile file = PlatOpenFile(journal_path, kOpenReadWrite);
  if (file == kPlatNoFile) {
    int kept = KeepAside(dir, journal_path, "it cannot be opened for writing");
    if (kept < 0 && g_setup.rollback_result == 0) g_setup.rollback_result = 2;
    return kept;
  }
  uint32_t end;
  const char* reason;
  switch (Judge(file, dir, &end, &reason)) {
    case kBornTorn:
      PlatCloseFile(file);
      PlatDeleteFile(journal_path);
      return 0;
    case kForeign:
      PlatCloseFile(file);
      return KeepAside(dir, journal_path, reason);
    case kCommitted:
      LogLine("Finishing the setup that completed in %s", dir);
      FinishCommit(file, journal_path, end);
      return PathExists(journal_path) ? -1 : 1;
    case kObey:
      break;
  }
  LogLine("Rolling back the unfinished setup in %s", dir);
  // Files the client changed since are left as they are: nothing of that run is left to do.
  if (UndoJournal(file, journal_path, end) || !PathExists(journal_path)) return 1;
  if (g_setup.rollback_result == 0) g_setup.rollback_result = 2;
  return -1;
}
