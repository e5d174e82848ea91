// The run's side of the rollback journal: every change is announced by a record that is flushed
// before the change is made (the records of one change, and a database's before-images, go
// together in one flush), and the run is committed by one flushed mark in the journal's identity
// before anything set aside is removed. The file format is services/journal_records.h; the undo
// and the recovery of a journal are services/rollback_undo.cpp.
#include "services/rollback.h"

#include <cstring>

#include "platform/registry.h"
#include "platform/system.h"
#include "services/journal_records.h"
#include "services/paths.h"
#include "services/setup_state.h"
#include "services/update_log.h"

namespace {

const int kOriginalMax = 4;         // files with a kept original length
const int kKeptMax = 8;             // files copied aside before a change in place
const int kDeferredMax = 16;        // directories made for the destination itself
const uint32_t kAsideMax = 360000;  // ~RB00001 to ~RBZ9999: the first digit runs on to Z
const uint32_t kNoLength = 0xFFFFFFFFu;

// What the run's journal remembers besides its file (g_writer).
struct Journal {
  char path[kPathBuffer];
  char folder[kPathBuffer];
  char system_dir[kPathBuffer];
  uint32_t next_aside;
  char originals[kOriginalMax][kPathBuffer];
  uint32_t original_lengths[kOriginalMax];
  int original_count;
  char kept[kKeptMax][kPathBuffer];
  int kept_stamped[kKeptMax];  // stamped since its copy was kept: its next change voids that
  int kept_count;
  char finishing[kPathBuffer];  // the file the run made last: stamped when it goes on
  char changing[kPathBuffer];   // the database the run writes: stamped when it is closed
};
Journal g_journal;  // filled by BeginRollback

int Active() {
  return g_setup.journal_file != kPlatNoFile;
}

JournalRoots Roots() {
  return JournalRoots{g_journal.folder, g_setup.windows_dir, g_journal.system_dir};
}

// A stamp of the file at path as it is now; nothing when it is not there. Not flushed: it rides
// with the next flush.
int Stamp(const char* path) {
  uint32_t length;
  uint32_t time;
  if (!JournalFileStamp(path, &length, &time)) return 1;
  for (int i = 0; i < g_journal.kept_count; ++i) {
    if (NamesEqual(g_journal.kept[i], path)) g_journal.kept_stamped[i] = 1;
  }
  uint8_t data[4];
  JournalPut32(data, time);
  return JournalAppend(kJournalStamp, 0, path, nullptr, length, data, 4);
}

// The file the run made last is finished once the run notes a change of another path (next;
// null: of no file): stamped then, so that a later rollback can tell whether it is still the
// run's.
int StampFinished(const char* next) {
  if (g_journal.finishing[0] == '\0' ||
      (next != nullptr && NamesEqual(next, g_journal.finishing))) {
    return 1;
  }
  int stamped = Stamp(g_journal.finishing);
  g_journal.finishing[0] = '\0';
  return stamped;
}

// A record whose paths lie where a recovery will accept them; the writer refuses, before the
// change, what the reader would refuse to undo.
int Note(uint8_t kind, uint8_t flags, const char* first, const char* second, uint32_t number) {
  JournalRoots roots = Roots();
  int holds = (flags & kJournalHoldsJournal) != 0;
  if (!JournalPathInside(first, roots, holds) ||
      (second != nullptr && !JournalPathInside(second, roots, 0))) {
    LogLine("Outside the setup's folders: %s", first);
    return JournalFailed();
  }
  return StampFinished(first) && JournalAppend(kind, flags, first, second, number, nullptr, 0);
}

// A name for a file set aside in the directory of path: ~RBnnnnn.RBK, not yet taken.
int AsideName(const char* path, char* out) {
  static const char kFirstDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  char directory[kPathBuffer];
  GetDirectoryPart(directory, path);
  for (; g_journal.next_aside < kAsideMax; ++g_journal.next_aside) {
    char name[16];
    unsigned number = g_journal.next_aside;
    name[0] = '~';
    name[1] = 'R';
    name[2] = 'B';
    for (int i = 7; i >= 4; --i, number /= 10) name[i] = static_cast<char>('0' + number % 10);
    name[3] = kFirstDigits[number];
    name[8] = '.';
    strcpy(name + 9, kAsideExtension);
    if (JoinPath(out, directory, name, nullptr) == nullptr) return 0;
    if (!PathExists(out)) {
      ++g_journal.next_aside;
      return 1;
    }
  }
  return 0;
}

// The file's length before the run, noted (and journalled) the first time the run changes it;
// kNoLength with error 42 when it cannot be.
uint32_t OriginalLength(PlatFile file, const char* path) {
  for (int i = 0; i < g_journal.original_count; ++i) {
    if (NamesEqual(g_journal.originals[i], path)) return g_journal.original_lengths[i];
  }
  uint32_t length = PlatGetFileSize(file);
  if (length == kPlatFileError || g_journal.original_count >= kOriginalMax ||
      !JournalPathInside(path, Roots(), 0)) {
    JournalFailed();
    return kNoLength;
  }
  uint8_t time[4];
  JournalPut32(time, PlatGetFileDosTime(file));
  if (!JournalAppend(kJournalLength, 0, path, nullptr, length, time, 4)) return kNoLength;
  strcpy(g_journal.originals[g_journal.original_count], path);
  g_journal.original_lengths[g_journal.original_count++] = length;
  return length;
}

// Makes the journal in the destination, its identity and the directories made for it flushed
// before anything else changes: a journal without a whole identity governed no change.
// 1, or 0 (error 42) with nothing left.
int MakeJournal(const char* dest_dir, char created[][kPathBuffer], int created_count) {
  g_journal = Journal{};
  g_journal.next_aside = 1;
  strcpy(g_journal.folder, dest_dir);
  if (PlatGetSystemDirectory(g_journal.system_dir, kPathBuffer) == 0) {
    g_journal.system_dir[0] = '\0';
  }
  if (JoinPath(g_journal.path, dest_dir, kJournalName, nullptr) == nullptr) return 0;
  g_writer = JournalWriter{0, 0, 0};
  g_setup.journal_file = PlatCreateFile(g_journal.path);
  if (g_setup.journal_file == kPlatNoFile) return 0;
  int made =
      JournalAppend(kJournalIdentity, 0, dest_dir, g_setup.windows_dir, 0, g_journal.system_dir,
                    static_cast<uint32_t>(strlen(g_journal.system_dir)));
  for (int i = 0; made && i < created_count; ++i) {
    made = Note(kJournalDirectory, kJournalHoldsJournal, created[i], nullptr, 0);
  }
  if (made && JournalDurable()) return 1;
  PlatCloseFile(g_setup.journal_file);
  g_setup.journal_file = kPlatNoFile;
  PlatDeleteFile(g_journal.path);
  return 0;
}

}  // namespace

int RollbackActive() {
  return Active();
}

int BeginRollback(const char* dest_dir) {
  if (Active()) return 1;  // the run's journal goes on
  char journal_path[kPathBuffer];
  if (JoinPath(journal_path, dest_dir, kJournalName, nullptr) == nullptr) return JournalFailed();
  RecoverUnfinishedRun(dest_dir);
  if (PathExists(journal_path)) {
    // An earlier run's changes are still to be put back there: nothing new starts over them.
    LogLine("The unfinished setup in %s must be put back first", dest_dir);
    if (g_setup.rollback_result == 0) g_setup.rollback_result = 2;
    g_setup.setup_aborted = 1;
    return 0;
  }
  // The directories of dest_dir that are missing, from the top; made before the journal can be.
  char created[kDeferredMax][kPathBuffer];
  int created_count = 0;
  char partial[kPathBuffer];
  size_t at = 0;
  while (NextDirectoryPrefix(dest_dir, &at, partial)) {
    if (!PathExists(partial) && created_count < kDeferredMax && PlatCreateDirectory(partial)) {
      strcpy(created[created_count++], partial);
    }
  }
  if (MakeJournal(dest_dir, created, created_count)) {
    g_setup.changes_begun = 1;
    return 1;
  }
  for (int i = created_count; i-- > 0;) PlatRemoveDirectory(created[i]);
  g_setup.changes_begun = 1;
  g_setup.rollback_result = 1;  // nothing stays changed
  return JournalFailed();
}

int MakeJournalDurable() {
  return !Active() || JournalDurable();
}

namespace {

// SetAsideBeforeReplace, the new file's record carrying flags; durable when it returns, unless
// durable is 0 (the next journalled change flushes it, before the caller makes the file).
int SetAside(const char* path, uint8_t flags, int durable) {
  if (!Active()) {
    PlatDeleteFile(path);  // without a journal the old file simply goes
    return 1;
  }
  if (!PathExists(path)) {
    if (!Note(kJournalCreated, flags, path, nullptr, 0)) return 0;
    if ((flags & kJournalTemporary) == 0) strcpy(g_journal.finishing, path);
    return !durable || JournalDurable();
  }
  char aside[kPathBuffer];
  if (!AsideName(path, aside) || !Note(kJournalMoved, kJournalAside, path, aside, 0) ||
      !JournalDurable()) {
    return g_setup.install_stopped ? 0 : JournalFailed();
  }
  strcpy(g_journal.finishing, path);
  if (PlatMoveFile(path, aside)) return 1;
  LogLine("Couldn't set aside %s", path);
  return 0;
}

}  // namespace

int SetAsideBeforeReplace(const char* path) {
  return SetAside(path, 0, 1);
}

int SetAsideTemporary(const char* path) {
  return SetAside(path, kJournalTemporary, 0);
}

int DeleteSettingAside(const char* path) {
  if (!Active()) return PlatDeleteFile(path);
  if (!PathExists(path)) return 0;
  char aside[kPathBuffer];
  if (!AsideName(path, aside) || !Note(kJournalMoved, kJournalAside, path, aside, 0) ||
      !JournalDurable()) {
    return 0;
  }
  return PlatMoveFile(path, aside);
}

int MoveJournalled(const char* from, const char* to) {
  if (Active() && (!Note(kJournalMoved, 0, from, to, 0) || !JournalDurable())) return 0;
  return MoveFileTo(from, to);
}

int KeepCopyBeforeChange(const char* path) {
  if (!Active()) return 1;
  // A file changed in place is changed again without a record each time: never stamped.
  if (NamesEqual(g_journal.finishing, path)) g_journal.finishing[0] = '\0';
  for (int i = 0; i < g_journal.kept_count; ++i) {
    if (!NamesEqual(g_journal.kept[i], path)) continue;
    if (!g_journal.kept_stamped[i]) return 1;
    g_journal.kept_stamped[i] = 0;
    return JournalAppend(kJournalStamp, 0, path, nullptr, kJournalNoFile, nullptr, 0) &&
           JournalDurable();
  }
  if (g_journal.kept_count >= kKeptMax) return JournalFailed();
  strcpy(g_journal.kept[g_journal.kept_count++], path);
  if (!PathExists(path)) return Note(kJournalCreated, 0, path, nullptr, 0) && JournalDurable();
  char copy[kPathBuffer];
  if (!AsideName(path, copy) || !Note(kJournalCopied, kJournalAside, path, copy, 0) ||
      !JournalDurable() || !PlatCopyFile(path, copy, 1)) {
    return JournalFailed();
  }
  return 1;
}

int CreateDirectoryJournalled(const char* path) {
  char partial[kPathBuffer];
  size_t at = 0;
  while (NextDirectoryPrefix(path, &at, partial)) {
    if (PathExists(partial)) continue;
    if (Active() && (!Note(kJournalDirectory, 0, partial, nullptr, 0) || !JournalDurable())) {
      return 0;
    }
    PlatCreateDirectory(partial);
  }
  return PathExists(path);
}

namespace {

// The original length of the file written through SaveBeforeImage (kNoLength with error 42):
// noted the first time, and the file's earlier stamp voided the first time in a row.
uint32_t BeginChange(PlatFile file, const char* path) {
  uint32_t original = OriginalLength(file, path);
  if (original == kNoLength || NamesEqual(g_journal.changing, path)) return original;
  // A stamp of an earlier change no longer holds: an append leaves no record of its own.
  if (!StampFinished(path) ||
      !JournalAppend(kJournalStamp, 0, path, nullptr, kJournalNoFile, nullptr, 0)) {
    return kNoLength;
  }
  strcpy(g_journal.changing, path);
  return original;
}

}  // namespace

int SaveKnownBefore(PlatFile file, const char* path, uint32_t offset, const void* bytes,
                    uint32_t count) {
  if (!Active()) return 1;
  uint32_t original = BeginChange(file, path);
  if (original == kNoLength) return 0;
  if (offset >= original) return 1;
  if (count > original - offset) count = original - offset;
  return JournalAppend(kJournalBefore, 0, path, nullptr, offset, bytes, count);
}

int SaveBeforeImage(PlatFile file, const char* path, uint32_t offset, uint32_t count) {
  if (!Active()) return 1;
  uint32_t original = BeginChange(file, path);
  if (original == kNoLength) return 0;
  uint32_t length = PlatGetFileSize(file);
  if (length == kPlatFileError) return JournalFailed();
  if (offset >= original) return 1;  // appended bytes: cutting the file back undoes them
  uint32_t last = count > original - offset ? original : offset + count;
  if (last > length) last = length;  // bytes already cut away were saved when they were cut
  uint32_t position = PlatSeekFile(file, 0, kSeekCurrent);
  for (uint32_t at = offset; at < last;) {
    uint32_t piece = last - at > kJournalImageMax ? kJournalImageMax : last - at;
    uint8_t* data = JournalReserve(kJournalBefore, 0, path, nullptr, at, piece);
    if (data == nullptr) return 0;
    if (PlatSeekFile(file, at, kSeekBegin) != at || PlatReadFile(file, data, piece) != piece) {
      JournalDrop();
      PlatSeekFile(file, position, kSeekBegin);
      return JournalFailed();
    }
    JournalSeal();
    at += piece;
  }
  return position != kPlatFileError && PlatSeekFile(file, position, kSeekBegin) == position
             ? 1
             : JournalFailed();
}

int NoteFileLeft(const char* path) {
  if (!Active() || !NamesEqual(g_journal.changing, path)) return 1;
  g_journal.changing[0] = '\0';
  return Stamp(path);
}

int NoteRegistryValue(uintptr_t root, const char* subkey, const char* value_name,
                      const char* old_text) {
  if (!Active()) return 1;
  if (!StampFinished(nullptr)) return 0;
  char partial[kPathBuffer];
  size_t length = strlen(subkey);
  uint32_t root_number = static_cast<uint32_t>(root);
  if (length >= kPathBuffer || strlen(value_name) >= kPathBuffer ||
      !JournalKeyOwned(root_number, subkey)) {
    return JournalFailed();
  }
  // Every key along subkey that is missing is made by the write: noted, from the top.
  for (size_t i = 0; i <= length; ++i) {
    if (subkey[i] != '\\' && subkey[i] != '\0') continue;
    memcpy(partial, subkey, i);
    partial[i] = '\0';
    PlatRegKey key;
    uint32_t code = PlatRegOpenKey(root, partial, &key);
    if (code == kRegSuccess) {
      PlatRegCloseKey(key);
    } else if (code != kRegFileNotFound) {
      return JournalFailed();  // a key that cannot be looked at might exist: never note it as new
    } else if (!JournalAppend(kJournalRegKey, 0, partial, nullptr, root_number, nullptr, 0)) {
      return 0;
    }
  }
  uint32_t old_length = old_text != nullptr ? static_cast<uint32_t>(strlen(old_text)) : 0;
  if (old_length > kJournalImageMax) return JournalFailed();
  return JournalAppend(kJournalRegValue, old_text != nullptr ? kJournalHadValue : 0, subkey,
                       value_name, root_number, old_text, old_length) &&
         JournalDurable();
}

int IsRollbackFile(const char* name) {
  char extension[4];
  GetShortExtension(extension, name);  // emptied when the extension is longer than three
  const char* file_name = GetFileNamePart(name);
  return NamesEqual(file_name, kJournalName) || IsKeptJournalName(file_name) ||
         (file_name[0] == '~' && NamesEqual(extension, kAsideExtension));
}

void RollBackRun() {
  if (!Active()) return;
  if (g_setup.error_number != 0) {
    LogLine("Rolling back (error #%u)", static_cast<unsigned>(g_setup.error_number));
  } else {
    LogLine("Rolling back (%s)", g_setup.install_stopped ? "stopped" : "given up");
  }
  // Records still waiting announce changes that were never made; written out when they can be.
  if (!JournalDurable()) g_writer.used = 0;
  PlatFile file = g_setup.journal_file;
  g_setup.journal_file = kPlatNoFile;
  g_setup.reboot_requested = 0;  // what asked for the restart is undone
  g_setup.rollback_result = UndoJournal(file, g_journal.path, g_writer.written) ? 1 : 2;
}

int CommitRun() {
  if (!Active()) return 1;
  // The commit point: once the mark is on the disk, the run stands, whatever happens next.
  if (!JournalDurable() ||
      !JournalPutByte(g_setup.journal_file, kJournalCommitAt, kJournalCommitted) ||
      !PlatFlushFile(g_setup.journal_file)) {
    return JournalFailed();  // not committed: the run is rolled back
  }
  PlatFile file = g_setup.journal_file;
  g_setup.journal_file = kPlatNoFile;
  FinishCommit(file, g_journal.path, g_writer.written);
  return 1;
}
