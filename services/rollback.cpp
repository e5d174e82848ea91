// The rollback journal: records appended and flushed before each change, read back newest first
// to undo the run, or forward to remove what was set aside when the run succeeds.
//
// A record: "RK", kind, flags, first text length (16 bits), second text length (16 bits), a
// number (32 bits), data length (32 bits); the two texts without terminators; the data; a 32-bit
// FNV-1a sum of all that. A record cut short by an interruption fails its sum and ends the
// journal: the change it announced was never made.
#include "services/rollback.h"

#include <cstring>

#include "platform/registry.h"
#include "services/errors.h"
#include "services/paths.h"
#include "services/setup_state.h"
#include "services/update_log.h"

const char kJournalName[] = "VNTSETUP.RBK";
const char kAsideExtension[] = "RBK";

namespace {

enum RecordKind : uint8_t {
  kRecordDirectory = 1,  // text: a directory the run created
  kRecordCreated = 2,    // text: a file the run creates where there was none
  kRecordMoved = 3,      // texts: a file moved from the first path to the second
  kRecordCopied = 4,     // texts: a file, and the copy of it kept aside before it was changed
  kRecordLength = 5,     // text: a file, number: its length, data: its DOS time, before the run
  kRecordBefore = 6,     // text: a file, number: an offset, data: its bytes before the run
  kRecordRegKey = 7,     // text: a registry key the run makes, number: its root
  kRecordRegValue = 8,   // texts: a key and a value name, number: the root, data: the old text
};
const uint8_t kFlagAside = 1;         // a move whose target is a moved-aside file
const uint8_t kFlagHoldsJournal = 2;  // a directory that holds the journal: removed last
const uint8_t kFlagTemporary = 4;     // a file the run means to delete again: removed at the end
const uint8_t kFlagHadValue = 8;      // the registry value existed (its old text is the data)

const uint32_t kHeaderSize = 16;
const uint32_t kSumSize = 4;
const uint32_t kImageChunk = 32768;  // the most bytes of one before-image record
const uint32_t kRecordMax = 65536;   // records one journal holds
const int kOriginalMax = 4;          // files with a kept original length
const int kKeptMax = 8;              // files copied aside before a change in place
const int kDeferredMax = 16;         // directories that hold the journal
const uint32_t kNoLength = 0xFFFFFFFFu;

struct Record {
  uint8_t kind;
  uint8_t flags;
  char first[kPathBuffer];
  char second[kPathBuffer];
  uint32_t number;
  uint32_t data_length;
  const uint8_t* data;  // inside the record buffer
};

// The run's journal; its open file is g_setup.journal_file.
struct Journal {
  char path[kPathBuffer];
  uint32_t end;
  uint32_t next_aside;
  char originals[kOriginalMax][kPathBuffer];
  uint32_t original_lengths[kOriginalMax];
  int original_count;
  char kept[kKeptMax][kPathBuffer];
  int kept_count;
};

Journal g_journal;  // filled by BeginRollback
uint8_t g_buffer[kHeaderSize + 2 * kPathBuffer + kImageChunk + kSumSize];
uint32_t g_offsets[kRecordMax];

uint32_t Get16(const uint8_t* at) {
  return static_cast<uint32_t>(at[0] | (at[1] << 8));
}

uint32_t Get32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
         (static_cast<uint32_t>(at[2]) << 16) | (static_cast<uint32_t>(at[3]) << 24);
}

void Put16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

void Put32(uint8_t* at, uint32_t value) {
  Put16(at, value & 0xFFFF);
  Put16(at + 2, value >> 16);
}

uint32_t SumOf(const uint8_t* bytes, uint32_t count) {
  uint32_t sum = 2166136261u;
  for (uint32_t i = 0; i < count; ++i) sum = (sum ^ bytes[i]) * 16777619u;
  return sum;
}

int JournalFailed() {
  LogLine("Couldn't write the rollback journal");
  return FailWith(kErrorRollbackJournal);
}

// Lays out a record's header and texts in the buffer; its data goes to the returned place.
uint8_t* StartRecord(uint8_t kind, uint8_t flags, const char* first, const char* second,
                     uint32_t number) {
  uint32_t first_length = static_cast<uint32_t>(strlen(first));
  uint32_t second_length = second != nullptr ? static_cast<uint32_t>(strlen(second)) : 0;
  g_buffer[0] = 'R';
  g_buffer[1] = 'K';
  g_buffer[2] = kind;
  g_buffer[3] = flags;
  Put16(g_buffer + 4, first_length);
  Put16(g_buffer + 6, second_length);
  Put32(g_buffer + 8, number);
  memcpy(g_buffer + kHeaderSize, first, first_length);
  if (second_length != 0) memcpy(g_buffer + kHeaderSize + first_length, second, second_length);
  return g_buffer + kHeaderSize + first_length + second_length;
}

// Appends the record laid out in the buffer, with data_length bytes of data, and flushes it.
int FinishRecord(uint32_t data_length) {
  if (g_setup.journal_file == kPlatNoFile) return 1;
  Put32(g_buffer + 12, data_length);
  uint32_t size = kHeaderSize + Get16(g_buffer + 4) + Get16(g_buffer + 6) + data_length;
  Put32(g_buffer + size, SumOf(g_buffer, size));
  size += kSumSize;
  if (static_cast<uint64_t>(g_journal.end) + size >= kPlatFileError ||
      PlatSeekFile(g_setup.journal_file, g_journal.end, kSeekBegin) != g_journal.end) {
    return JournalFailed();
  }
  if (PlatWriteFile(g_setup.journal_file, g_buffer, size) != size ||
      !PlatFlushFile(g_setup.journal_file)) {
    PlatSetFileSize(g_setup.journal_file, g_journal.end);
    return JournalFailed();
  }
  g_journal.end += size;
  return 1;
}

int AddRecord(uint8_t kind, uint8_t flags, const char* first, const char* second, uint32_t number) {
  if (g_setup.journal_file == kPlatNoFile) return 1;
  StartRecord(kind, flags, first, second, number);
  return FinishRecord(0);
}

// Reads the record at offset of the journal; 1 when it is whole and its sum is right.
int ReadRecord(PlatFile file, uint32_t offset, uint32_t file_size, Record* record, uint32_t* size) {
  if (offset >= file_size || file_size - offset < kHeaderSize + kSumSize ||
      PlatSeekFile(file, offset, kSeekBegin) != offset ||
      PlatReadFile(file, g_buffer, kHeaderSize) != kHeaderSize || g_buffer[0] != 'R' ||
      g_buffer[1] != 'K') {
    return 0;
  }
  uint32_t first_length = Get16(g_buffer + 4);
  uint32_t second_length = Get16(g_buffer + 6);
  uint32_t data_length = Get32(g_buffer + 12);
  if (first_length >= kPathBuffer || second_length >= kPathBuffer || data_length > kImageChunk) {
    return 0;
  }
  uint32_t body = first_length + second_length + data_length + kSumSize;
  if (file_size - offset - kHeaderSize < body ||
      PlatReadFile(file, g_buffer + kHeaderSize, body) != body) {
    return 0;
  }
  uint32_t summed = kHeaderSize + body - kSumSize;
  if (Get32(g_buffer + summed) != SumOf(g_buffer, summed)) return 0;
  record->kind = g_buffer[2];
  record->flags = g_buffer[3];
  record->number = Get32(g_buffer + 8);
  memcpy(record->first, g_buffer + kHeaderSize, first_length);
  record->first[first_length] = '\0';
  memcpy(record->second, g_buffer + kHeaderSize + first_length, second_length);
  record->second[second_length] = '\0';
  record->data_length = data_length;
  record->data = g_buffer + kHeaderSize + first_length + second_length;
  *size = summed + kSumSize;
  return 1;
}

// The offsets of the journal's whole records, in order; their count.
uint32_t ScanJournal(PlatFile file, uint32_t* end) {
  uint32_t file_size = PlatGetFileSize(file);
  uint32_t count = 0;
  uint32_t offset = 0;
  Record record;
  uint32_t size;
  while (file_size != kPlatFileError && count < kRecordMax &&
         ReadRecord(file, offset, file_size, &record, &size)) {
    g_offsets[count++] = offset;
    offset += size;
  }
  *end = offset;
  return count;
}

// A name for a file set aside in the directory of path: ~RBnnnnn.RBK, not yet taken.
int AsideName(const char* path, char* out) {
  char directory[kPathBuffer];
  GetDirectoryPart(directory, path);
  for (; g_journal.next_aside < 100000; ++g_journal.next_aside) {
    char name[16];
    unsigned number = g_journal.next_aside;
    name[0] = '~';
    name[1] = 'R';
    name[2] = 'B';
    for (int i = 7; i >= 3; --i, number /= 10) name[i] = static_cast<char>('0' + number % 10);
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

// Deletes path when it is there; 1 when it is not there afterwards.
int RemoveFile(const char* path) {
  return !PathExists(path) || PlatDeleteFile(path);
}

// Writes the before-image's bytes back at their offset.
int WriteImage(const Record& record) {
  PlatFile file = PlatOpenFile(record.first, kOpenReadWrite);
  if (file == kPlatNoFile) return 0;
  int written = PlatSeekFile(file, record.number, kSeekBegin) == record.number &&
                PlatWriteFile(file, record.data, record.data_length) == record.data_length;
  return PlatCloseFile(file) && written;
}

// Cuts the file back to its original length and gives it back its last-write time.
int CutToLength(const Record& record) {
  PlatFile file = PlatOpenFile(record.first, kOpenReadWrite);
  if (file == kPlatNoFile) return 0;
  int cut = PlatSetFileSize(file, record.number);
  uint32_t time = record.data_length == 4 ? Get32(record.data) : 0;
  if (time != 0) PlatSetFileDosTime(file, time);
  return PlatCloseFile(file) && cut;
}

// Gives the registry value its old text back, or deletes it when it had none.
int RestoreRegistryValue(const Record& record) {
  PlatRegKey key;
  if (PlatRegOpenKey(record.number, record.first, &key) != kRegSuccess) {
    return (record.flags & kFlagHadValue) == 0;  // no key, so no value either
  }
  char old[kImageChunk + 1];
  memcpy(old, record.data, record.data_length);
  old[record.data_length] = '\0';
  uint32_t code = (record.flags & kFlagHadValue) != 0 ? PlatRegSetString(key, record.second, old)
                                                      : PlatRegDeleteValue(key, record.second);
  PlatRegCloseKey(key);
  return code == kRegSuccess || code == kRegFileNotFound;
}

// Undoes one record. 1 when what it recorded is as before.
int Undo(const Record& record) {
  switch (record.kind) {
    case kRecordDirectory:
      if (!PathExists(record.first)) return 1;
      if (!PlatRemoveDirectory(record.first)) return 0;
      LogLine("Removed %s", record.first);
      return 1;
    case kRecordCreated:
      if (!PathExists(record.first)) return 1;
      if (!PlatDeleteFile(record.first)) return 0;
      LogLine("Removed %s", record.first);
      return 1;
    case kRecordMoved:
    case kRecordCopied:
      if (!PathExists(record.second)) return 1;  // the move or copy was never made
      if (!RemoveFile(record.first) || !PlatMoveFile(record.second, record.first)) return 0;
      LogLine("Restored %s", record.first);
      return 1;
    case kRecordLength:
      if (!CutToLength(record)) return 0;
      LogLine("Restored %s", record.first);
      return 1;
    case kRecordBefore:
      return WriteImage(record);
    case kRecordRegKey: {
      uint32_t code = PlatRegDeleteKey(record.number, record.first);
      if (code == kRegFileNotFound) return 1;
      if (code != kRegSuccess) return 0;
      LogLine("Removed registry key %s", record.first);
      return 1;
    }
    case kRecordRegValue:
      if (!RestoreRegistryValue(record)) return 0;
      LogLine("Restored registry value %s\\%s", record.first, record.second);
      return 1;
    default:
      return 0;
  }
}

// Undoes the journal's records, newest first, then removes the journal (and the directories that
// held it) when everything was undone. 1 when everything was.
int UndoJournal(PlatFile file, const char* journal_path) {
  uint32_t end;
  uint32_t count = ScanJournal(file, &end);
  uint32_t file_size = PlatGetFileSize(file);
  unsigned restored = 0;
  unsigned failed = 0;
  char deferred[kDeferredMax][kPathBuffer];
  int deferred_count = 0;
  for (uint32_t i = count; i-- > 0;) {
    Record record;
    uint32_t size;
    if (!ReadRecord(file, g_offsets[i], file_size, &record, &size)) {
      ++failed;
      continue;
    }
    if (record.kind == kRecordDirectory && (record.flags & kFlagHoldsJournal) != 0 &&
        deferred_count < kDeferredMax) {
      strcpy(deferred[deferred_count++], record.first);
      continue;
    }
    if (Undo(record)) {
      if (record.kind != kRecordBefore) ++restored;
    } else {
      LogLine("Couldn't restore %s", record.first);
      ++failed;
    }
  }
  PlatCloseFile(file);
  if (failed != 0) {
    LogLine("Rollback incomplete: %u restored, %u not restored", restored, failed);
    return 0;
  }
  if (!PlatDeleteFile(journal_path)) {
    // Everything is back, but a journal left would be undone again by the next run: harmless,
    // and that run removes it.
    LogLine("Couldn't remove %s", journal_path);
    LogLine("Rollback incomplete: %u restored, the journal not removed", restored);
    return 0;
  }
  for (int i = 0; i < deferred_count; ++i) {
    if (PathExists(deferred[i]) && PlatRemoveDirectory(deferred[i])) {
      LogLine("Removed %s", deferred[i]);
      ++restored;
    }
  }
  LogLine("Rollback done: %u restored", restored);
  return 1;
}

// The file's length before the run, noted (and journalled) the first time the run changes it;
// kNoLength with error 42 when it cannot be.
uint32_t OriginalLength(PlatFile file, const char* path) {
  for (int i = 0; i < g_journal.original_count; ++i) {
    if (NamesEqual(g_journal.originals[i], path)) return g_journal.original_lengths[i];
  }
  uint32_t length = PlatGetFileSize(file);
  if (length == kPlatFileError || g_journal.original_count >= kOriginalMax) {
    JournalFailed();
    return kNoLength;
  }
  Put32(StartRecord(kRecordLength, 0, path, nullptr, length), PlatGetFileDosTime(file));
  if (!FinishRecord(4)) return kNoLength;
  strcpy(g_journal.originals[g_journal.original_count], path);
  g_journal.original_lengths[g_journal.original_count++] = length;
  return length;
}

}  // namespace

int RollbackActive() {
  return g_setup.journal_file != kPlatNoFile;
}

int BeginRollback(const char* dest_dir) {
  g_setup.changes_begun = 1;
  if (g_setup.journal_file != kPlatNoFile) return 1;  // the run's journal goes on
  char journal_path[kPathBuffer];
  if (JoinPath(journal_path, dest_dir, kJournalName, nullptr) == nullptr) return JournalFailed();
  if (PathExists(journal_path) && RecoverUnfinishedRun(dest_dir) != 1) return JournalFailed();
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
  g_journal = Journal{"", 0, 1, {}, {}, 0, {}, 0};
  strcpy(g_journal.path, journal_path);
  g_setup.journal_file = PlatCreateFile(journal_path);
  int started = g_setup.journal_file != kPlatNoFile;
  for (int i = 0; started && i < created_count; ++i) {
    started = AddRecord(kRecordDirectory, kFlagHoldsJournal, created[i], nullptr, 0);
  }
  if (started) return 1;
  if (g_setup.journal_file != kPlatNoFile) {
    PlatCloseFile(g_setup.journal_file);
    g_setup.journal_file = kPlatNoFile;
    PlatDeleteFile(journal_path);
  }
  for (int i = created_count; i-- > 0;) PlatRemoveDirectory(created[i]);
  g_setup.rollback_result = 1;  // nothing stays changed
  return JournalFailed();
}

namespace {

// SetAsideBeforeReplace, the new file's record carrying flags.
int SetAside(const char* path, uint8_t flags) {
  if (g_setup.journal_file == kPlatNoFile) {
    PlatDeleteFile(path);  // without a journal the old file simply goes
    return 1;
  }
  if (!PathExists(path)) return AddRecord(kRecordCreated, flags, path, nullptr, 0);
  char aside[kPathBuffer];
  if (!AsideName(path, aside) || !AddRecord(kRecordMoved, kFlagAside, path, aside, 0)) {
    return JournalFailed();
  }
  if (PlatMoveFile(path, aside)) return 1;
  LogLine("Couldn't set aside %s", path);
  return 0;
}

}  // namespace

int SetAsideBeforeReplace(const char* path) {
  return SetAside(path, 0);
}

int SetAsideTemporary(const char* path) {
  return SetAside(path, kFlagTemporary);
}

int DeleteSettingAside(const char* path) {
  if (g_setup.journal_file == kPlatNoFile) return PlatDeleteFile(path);
  if (!PathExists(path)) return 0;
  char aside[kPathBuffer];
  if (!AsideName(path, aside) || !AddRecord(kRecordMoved, kFlagAside, path, aside, 0)) return 0;
  return PlatMoveFile(path, aside);
}

int MoveJournalled(const char* from, const char* to) {
  return AddRecord(kRecordMoved, 0, from, to, 0) && MoveFileTo(from, to);
}

int KeepCopyBeforeChange(const char* path) {
  if (g_setup.journal_file == kPlatNoFile) return 1;
  for (int i = 0; i < g_journal.kept_count; ++i) {
    if (NamesEqual(g_journal.kept[i], path)) return 1;
  }
  if (g_journal.kept_count >= kKeptMax) return JournalFailed();
  strcpy(g_journal.kept[g_journal.kept_count++], path);
  if (!PathExists(path)) return AddRecord(kRecordCreated, 0, path, nullptr, 0);
  char copy[kPathBuffer];
  if (!AsideName(path, copy) || !AddRecord(kRecordCopied, kFlagAside, path, copy, 0) ||
      !PlatCopyFile(path, copy, 1)) {
    return JournalFailed();
  }
  return 1;
}

int CreateDirectoryJournalled(const char* path) {
  char partial[kPathBuffer];
  size_t at = 0;
  while (NextDirectoryPrefix(path, &at, partial)) {
    if (PathExists(partial)) continue;
    if (!AddRecord(kRecordDirectory, 0, partial, nullptr, 0)) return 0;
    PlatCreateDirectory(partial);
  }
  return PathExists(path);
}

int SaveBeforeImage(PlatFile file, const char* path, uint32_t offset, uint32_t count) {
  if (g_setup.journal_file == kPlatNoFile) return 1;
  uint32_t original = OriginalLength(file, path);
  uint32_t length = PlatGetFileSize(file);
  if (original == kNoLength || length == kPlatFileError) return JournalFailed();
  if (offset >= original) return 1;  // appended bytes: cutting the file back undoes them
  uint32_t last = count > original - offset ? original : offset + count;
  if (last > length) last = length;  // bytes already cut away were saved when they were cut
  uint32_t position = PlatSeekFile(file, 0, kSeekCurrent);
  for (uint32_t at = offset; at < last;) {
    uint32_t piece = last - at > kImageChunk ? kImageChunk : last - at;
    uint8_t* data = StartRecord(kRecordBefore, 0, path, nullptr, at);
    if (PlatSeekFile(file, at, kSeekBegin) != at || PlatReadFile(file, data, piece) != piece ||
        !FinishRecord(piece)) {
      PlatSeekFile(file, position, kSeekBegin);
      return JournalFailed();
    }
    at += piece;
  }
  return position != kPlatFileError && PlatSeekFile(file, position, kSeekBegin) == position
             ? 1
             : JournalFailed();
}

int NoteRegistryValue(uintptr_t root, const char* subkey, const char* value_name,
                      const char* old_text) {
  if (g_setup.journal_file == kPlatNoFile) return 1;
  char partial[kPathBuffer];
  size_t at = 0;
  size_t length = strlen(subkey);
  if (length >= kPathBuffer || strlen(value_name) >= kPathBuffer) return JournalFailed();
  // Every key along subkey that is missing is made by the write: noted, from the top.
  for (size_t i = 0; i <= length; ++i) {
    if (subkey[i] != '\\' && subkey[i] != '\0') continue;
    memcpy(partial, subkey, i);
    partial[i] = '\0';
    at = i;
    PlatRegKey key;
    uint32_t code = PlatRegOpenKey(root, partial, &key);
    if (code == kRegSuccess) {
      PlatRegCloseKey(key);
    } else if (code != kRegFileNotFound) {
      return JournalFailed();  // a key that cannot be looked at might exist: never note it as new
    } else if (!AddRecord(kRecordRegKey, 0, partial, nullptr, static_cast<uint32_t>(root))) {
      return 0;
    }
  }
  uint32_t old_length = old_text != nullptr ? static_cast<uint32_t>(strlen(old_text)) : 0;
  if (at != length || old_length > kImageChunk) return JournalFailed();
  uint8_t* data = StartRecord(kRecordRegValue, old_text != nullptr ? kFlagHadValue : 0, subkey,
                              value_name, static_cast<uint32_t>(root));
  memcpy(data, old_text != nullptr ? old_text : "", old_length);
  return FinishRecord(old_length);
}

int IsRollbackFile(const char* name) {
  char extension[4];
  GetShortExtension(extension, name);  // emptied when the extension is longer than three
  return NamesEqual(GetFileNamePart(name), kJournalName) ||
         (GetFileNamePart(name)[0] == '~' && NamesEqual(extension, kAsideExtension));
}

void RollBackRun() {
  if (g_setup.journal_file == kPlatNoFile) return;
  if (g_setup.error_number != 0) {
    LogLine("Rolling back (error #%u)", static_cast<unsigned>(g_setup.error_number));
  } else {
    LogLine("Rolling back (%s)", g_setup.install_stopped ? "stopped" : "given up");
  }
  PlatFile file = g_setup.journal_file;
  g_setup.journal_file = kPlatNoFile;
  g_setup.rollback_result = UndoJournal(file, g_journal.path) ? 1 : 2;
}

void CommitRun() {
  if (g_setup.journal_file == kPlatNoFile) return;
  uint32_t end;
  uint32_t count = ScanJournal(g_setup.journal_file, &end);
  uint32_t file_size = PlatGetFileSize(g_setup.journal_file);
  for (uint32_t i = 0; i < count; ++i) {
    Record record;
    uint32_t size;
    if (!ReadRecord(g_setup.journal_file, g_offsets[i], file_size, &record, &size)) continue;
    if ((record.flags & kFlagAside) != 0 && PathExists(record.second)) {
      PlatDeleteFile(record.second);
    } else if ((record.flags & kFlagTemporary) != 0 && PathExists(record.first)) {
      PlatDeleteFile(record.first);
    }
  }
  // Emptied first: should its deletion fail, a later run finds nothing to undo.
  PlatSetFileSize(g_setup.journal_file, 0);
  PlatCloseFile(g_setup.journal_file);
  g_setup.journal_file = kPlatNoFile;
  PlatDeleteFile(g_journal.path);
}

int RecoverUnfinishedRun(const char* dir) {
  char journal_path[kPathBuffer];
  if (JoinPath(journal_path, dir, kJournalName, nullptr) == nullptr || !PathExists(journal_path)) {
    return 0;
  }
  PlatFile file = PlatOpenFile(journal_path, kOpenRead);
  if (file == kPlatNoFile) {
    LogLine("Couldn't open the unfinished setup's journal %s", journal_path);
    return -1;
  }
  LogLine("Rolling back the unfinished setup in %s", dir);
  return UndoJournal(file, journal_path) ? 1 : -1;
}
