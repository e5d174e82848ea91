// The database operations: DbFind, DbOpen with its scan and resynchronisation, DbRead, DbWrite
// with the room test and the superseding of replaced records, DbForEach, DbCount and DbClose.
// Every position is checked against the 32-bit range before it is used, so a damaged length
// never leads a read or a write outside the file or a buffer.
#include "database/database.h"

#include <cstring>

#include "database/db_index.h"
#include "services/errors.h"
#include "services/file_writing.h"
#include "services/memory.h"
#include "services/paths.h"
#include "services/rollback.h"
#include "services/update_log.h"

namespace {

// The append position of a database whose last record runs past the end of the file: a record
// appended at the end would lie inside that record's data and be lost to the next scan.
const uint32_t kNoAppend = kPlatFileError;

// Reads exactly count bytes at position; 1, or 0 for a failed seek or a short read.
int ReadAt(PlatFile file, uint64_t position, void* buffer, uint32_t count) {
  if (position >= kPlatFileError ||
      PlatSeekFile(file, static_cast<uint32_t>(position), kSeekBegin) != position) {
    return 0;
  }
  return count == 0 || PlatReadFile(file, buffer, count) == count;
}

// The scan, and the reading of records, go through a window of kScanWindow bytes of one
// database's file, so that small records come many to a read rather than a seek and a read
// each. Any write to that database, and its closing, empty the window.
const uint32_t kScanWindow = 65536;
struct ScanReader {
  const Database* owner;  // the database whose bytes are held; null for none
  uint64_t start;         // the file position of bytes[0]
  uint32_t filled;        // bytes held
  uint8_t bytes[kScanWindow];
};
ScanReader g_scan;

void ForgetWindow(const Database* db) {
  if (g_scan.owner == db) g_scan.owner = nullptr;
}

// Fills the window from position on; 0 when the seek fails or the read gives nothing.
int FillWindow(const Database* db, uint64_t position) {
  g_scan.owner = nullptr;
  if (position >= kPlatFileError ||
      PlatSeekFile(db->file, static_cast<uint32_t>(position), kSeekBegin) != position) {
    return 0;
  }
  uint32_t got = PlatReadFile(db->file, g_scan.bytes, kScanWindow);
  if (got == kPlatFileError) return 0;
  g_scan.owner = db;
  g_scan.start = position;
  g_scan.filled = got;
  return 1;
}

// 1 when the window holds the count bytes at position of the database.
int WindowHolds(const Database* db, uint64_t position, uint32_t count) {
  return g_scan.owner == db && position >= g_scan.start &&
         position + count <= g_scan.start + g_scan.filled;
}

// The header at position, from the window when it holds the whole header; 0 when fewer than a
// header's bytes are left there (or the seek fails).
int ReadHeaderAt(const Database* db, uint64_t position, DbRecordHeader* header) {
  uint32_t size = DbRecordHeaderSize(db->form);
  if (!WindowHolds(db, position, size) &&
      (!FillWindow(db, position) || !WindowHolds(db, position, size))) {
    return 0;
  }
  DecodeRecordHeader(g_scan.bytes + (position - g_scan.start), db->form, header);
  return 1;
}

// The position right after the record that starts at position.
uint64_t NextRecord(const Database* db, uint64_t position, const DbRecordHeader& header) {
  return position + DbRecordHeaderSize(db->form) + header.length;
}

// After a header with a wrong magic at bad: the first later position K whose header and the
// header after its data both have the right magic. 1 with *position = K and *header read there.
int Resynchronise(const Database* db, uint64_t bad, uint64_t* position, DbRecordHeader* header) {
  LogLine("Resyncing record");
  for (uint64_t candidate = bad + 1;; ++candidate) {
    if (!ReadHeaderAt(db, candidate, header)) return 0;
    if (header->magic != kDbRecordMagic) continue;
    DbRecordHeader following;
    if (!ReadHeaderAt(db, NextRecord(db, candidate, *header), &following)) return 0;
    if (following.magic == kDbRecordMagic) {
      *position = candidate;
      return 1;
    }
  }
}

// Builds the index from the first record to the first place where no whole header is left.
int ScanRecords(Database* db) {
  uint32_t size = PlatSeekFile(db->file, 0, kSeekEnd);
  if (size == kPlatFileError) return 0;
  ForgetWindow(db);
  uint64_t position = DbFileHeaderSize(db->form);
  DbRecordHeader header;
  while (ReadHeaderAt(db, position, &header)) {
    if (header.magic != kDbRecordMagic) {
      uint64_t bad = position;
      if (!Resynchronise(db, bad, &position, &header)) return 0;
      if (position - bad > db->skipped) db->skipped = static_cast<uint32_t>(position - bad);
    }
    if ((header.flags & kDbFlagSuperseded) == 0 &&
        !IndexAdd(&db->index, IndexEntryOf(header, static_cast<uint32_t>(position)))) {
      return 0;
    }
    position = NextRecord(db, position, header);
  }
  db->end = position <= size ? static_cast<uint32_t>(position) : kNoAppend;
  return 1;
}

// The path with everything after the last "." of its file name replaced by "ind"; empty when
// the name has no ".", when the result does not fit, or when it would be the path itself.
void MakeCompanionPath(const char* path, char* out) {
  out[0] = '\0';
  const char* dot = strrchr(GetFileNamePart(path), '.');
  if (dot == nullptr) return;
  size_t kept = static_cast<size_t>(dot - path) + 1;
  if (kept + 3 >= kStatePath) return;
  memcpy(out, path, kept);
  strcpy(out + kept, "ind");
  if (NamesEqual(out, path)) out[0] = '\0';
}

// The drive index of the path's first letter (A = 0); -1 when it does not start with one.
int DriveOf(const char* path) {
  char letter = UpperCaseOf(path[0]);
  return letter >= 'A' && letter <= 'Z' ? letter - 'A' : -1;
}

// Where the flags byte lies in a record header of the file's form.
uint32_t FlagsAt(const Database* db) {
  return db->form == kDbCurrentForm ? 13 : 9;
}

// Set while DbWriteJournalled writes: the old bytes were journalled, and flushed, for the batch.
int g_journalled_ahead = 0;

// Before count bytes at offset are overwritten (or the file is cut there, count 0xFFFFFFFF):
// their old bytes journalled and flushed, unless the batch's were.
int Protect(Database* db, uint32_t offset, uint32_t count) {
  return g_journalled_ahead ||
         (SaveBeforeImage(db->file, db->path, offset, count) && MakeJournalDurable());
}

// A record on its way to the file: its header in the file's form followed by its data, so that
// both go out in one write.
uint8_t g_record[kDbLargestRecordHeader + kDbMaxDataLength];

// WriteBlock at position: without moving the file when it stands there (here), else moved first.
int WriteBlockOf(const Database* db, int here, uint32_t position, const void* bytes,
                 uint16_t count) {
  return here ? WriteBlockHere(db->file, position, bytes, count)
              : WriteBlockAt(db->file, position, bytes, count);
}

// Writes the header (in the file's form, at its offset field's position) and the data: in one
// block when together they fit WriteBlock's 16-bit count, else one after the other. The old
// bytes of the whole range go into the rollback journal first.
int WriteRecord(Database* db, const DbRecordHeader& header, const void* data) {
  ForgetWindow(db);
  uint32_t size = EncodeRecordHeader(header, db->form, g_record);
  uint16_t length = static_cast<uint16_t>(header.length);
  if (!Protect(db, header.offset, size + length)) return 0;
  // Appends follow each other: the file is where the last one ended, and is not moved there.
  int here = db->at == header.offset;
  db->at = kPlatFileError;
  int written;
  if (size + length > 0xFFFF) {
    written = WriteBlockOf(db, here, header.offset, g_record, static_cast<uint16_t>(size)) &&
              WriteBlockHere(db->file, header.offset + size, data, length);
  } else {
    if (length != 0) memcpy(g_record + size, data, length);
    written = WriteBlockOf(db, here, header.offset, g_record, static_cast<uint16_t>(size + length));
  }
  if (written) db->at = header.offset + size + length;
  return written;
}

// Marks the record of the entry superseded in the file: its header as the index knows it, with
// the superseded flag. Where the header's offset field already holds its position that is the
// flags byte alone; otherwise the header is read, corrected and written whole. The old bytes go
// into the rollback journal first.
int WriteSuperseded(Database* db, const DbIndexEntry& entry) {
  ForgetWindow(db);
  db->at = kPlatFileError;
  uint8_t flags = static_cast<uint8_t>(IndexFlags(entry) | kDbFlagSuperseded);
  uint32_t at = entry.offset + FlagsAt(db);
  if (IndexOffsetFieldTrue(entry)) {
    return Protect(db, at, 1) && WriteBlockAt(db->file, at, &flags, 1);
  }
  uint8_t bytes[kDbLargestRecordHeader];
  uint32_t size = DbRecordHeaderSize(db->form);
  DbRecordHeader header;
  if (!ReadAt(db->file, entry.offset, bytes, size)) return 0;
  DecodeRecordHeader(bytes, db->form, &header);
  header.flags = flags;
  header.offset = entry.offset;
  EncodeRecordHeader(header, db->form, bytes);
  return Protect(db, entry.offset, size) &&
         WriteBlockAt(db->file, entry.offset, bytes, static_cast<uint16_t>(size));
}

// Writes the superseded marks that a batch's appends left; their old bytes were journalled, and
// flushed, with the batch.
void WriteMarks(Database* db) {
  int journalled = g_journalled_ahead;
  g_journalled_ahead = 1;
  for (uint32_t i = 0; i < db->mark_count; ++i) WriteSuperseded(db, db->marks[i]);
  g_journalled_ahead = journalled;
  db->mark_count = 0;
}

// Marks the replaced record superseded: at once, or, in a journalled batch, later (when
// kDbMarksMax wait, or at the close), so that the appends follow each other without a move of
// the file between them. A record waiting for its mark is no longer indexed, so nothing writes
// it in between.
void Supersede(Database* db, const DbIndexEntry& old) {
  if (!g_journalled_ahead) {
    WriteSuperseded(db, old);
    return;
  }
  if (db->mark_count == kDbMarksMax) WriteMarks(db);
  db->marks[db->mark_count++] = old;
}

// Waits, asking the user, until the drive has room for the record; 0 after Cancel. The drive is
// asked only when the room it gave last time, less what the appends took since, runs low.
int WaitForRoom(Database* db, uint32_t bytes) {
  if (db->room > bytes) {
    db->room -= bytes;
    return 1;
  }
  int drive = DriveOf(db->path);
  if (drive < 0) return 1;  // no drive to test; WriteBlock still catches a full disk
  while (!FitsOnDrive(drive, bytes)) {
    if (!AskRetryCancel("There is not enough disk space to continue!\n\nPlease delete one or "
                        "more files from drive %c: and then select Retry to continue.",
                        'A' + drive)) {
      g_setup.install_stopped = 1;
      if (g_setup.disk_full_program[0] != '\0') g_setup.offer_disk_full_program = 1;
      return 0;
    }
  }
  db->room = RoomOnDrive(drive);
  return 1;
}

// Appends the record at the end of the records, and only then marks the record it replaces
// superseded: a failure on the way leaves the old record live and the file cut back to where
// it was.
int Append(Database* db, DbRecordHeader header, const void* data, DbIndexEntry* old) {
  uint32_t header_size = DbRecordHeaderSize(db->form);
  uint64_t end = static_cast<uint64_t>(db->end) + header_size + header.length;
  if (db->end == kNoAppend || end >= kPlatFileError) return 0;
  if (old == nullptr && db->index.count >= kDbIndexCapacity) return 0;
  if (!WaitForRoom(db, header_size + header.length)) return 0;
  // The file is opened anew for its first append; when that fails, the handle held so far
  // stays, so that later reads still see the file. Nothing else opens it in between.
  if (!db->reopened) {
    PlatFile reopened = PlatOpenFile(db->path, kOpenReadWrite);
    if (reopened == kPlatNoFile) return 0;
    PlatCloseFile(db->file);
    db->file = reopened;
    db->reopened = 1;
    db->at = kPlatFileError;
  }
  header.offset = db->end;
  if (!WriteRecord(db, header, data)) {
    if (Protect(db, db->end, kPlatFileError)) PlatSetFileSize(db->file, db->end);
    db->at = kPlatFileError;
    return 0;
  }
  // Should this fail, both records are live and the later one, the new, is the one read.
  // The GID's entry, found by the caller, takes the new header without a second lookup.
  if (old != nullptr) {
    Supersede(db, *old);
    *old = IndexEntryOf(header, header.offset);
  } else {
    IndexPut(&db->index, IndexEntryOf(header, header.offset));
  }
  db->end = static_cast<uint32_t>(end);
  return 1;
}

}  // namespace

char* DbFind(const char* directory, uint32_t kind, char* out) {
  out[0] = '\0';
  char pattern[kPathBuffer];
  if (JoinPath(pattern, directory, "*.*", nullptr) == nullptr) return nullptr;
  PlatFindData found;
  PlatFind find = PlatFindFirst(pattern, &found);
  if (find == nullptr) return nullptr;
  char* result = nullptr;
  do {
    char path[kPathBuffer];
    if (JoinPath(path, directory, found.name, nullptr) == nullptr) continue;
    PlatFile file = PlatOpenFile(path, kOpenRead);
    if (file == kPlatNoFile) continue;
    uint8_t bytes[kDbCurrentFileHeader];
    uint32_t count = PlatReadFile(file, bytes, sizeof bytes);
    PlatCloseFile(file);
    if (count != kPlatFileError && IsDatabaseOfKind(bytes, count, kind)) {
      strcpy(out, path);
      result = out;
    }
  } while (result == nullptr && PlatFindNext(find, &found));
  PlatFindClose(find);
  return result;
}

int DbOpen(const char* path, Database** database) {
  return DbOpenWithRoom(path, 0, database);
}

int DbOpenWithRoom(const char* path, uint32_t extra, Database** database) {
  *database = nullptr;
  if (strlen(path) >= kStatePath) return 2;
  PlatFile file = PlatOpenFile(path, kOpenReadWrite);
  if (file == kPlatNoFile) return 2;
  Database* db = static_cast<Database*>(AllocBlock(sizeof(Database)));
  db->file = file;
  db->at = kPlatFileError;
  db->journalled_end = kPlatFileError;
  uint8_t head[kDbOlderFileHeader];
  db->form = ReadAt(file, 0, head, sizeof head) && IsOlderFormFile(head, sizeof head)
                 ? kDbOlderForm
                 : kDbCurrentForm;
  strcpy(db->path, path);
  MakeCompanionPath(path, db->companion_path);
  if (!ScanRecords(db)) {
    DbClose(db);
    return 1;
  }
  IndexSeal(&db->index, extra);
  *database = db;
  return 0;
}

int DbOpenKind(const char* directory, uint32_t kind, Database** database) {
  *database = nullptr;
  char path[kPathBuffer];
  if (DbFind(directory, kind, path) == nullptr) return 2;
  return DbOpen(path, database);
}

int DbClose(Database* database) {
  if (database == nullptr) return 0;
  ForgetWindow(database);
  WriteMarks(database);
  if (database->file != kPlatNoFile) PlatCloseFile(database->file);
  NoteFileLeft(database->path);
  if (database->companion_path[0] != '\0') DeleteSettingAside(database->companion_path);
  IndexRelease(&database->index);
  FreeBlock(database);
  return 1;
}

uint8_t* DbRead(Database* database, uint32_t gid, uint8_t* buffer, uint32_t capacity,
                uint32_t* length) {
  if (length != nullptr) *length = 0;
  if (database == nullptr) return nullptr;
  const DbIndexEntry* entry = IndexFind(&database->index, gid);
  if (entry == nullptr) return nullptr;
  uint32_t data_length = IndexLength(*entry);
  if (data_length > kDbMaxDataLength) return nullptr;
  if (buffer != nullptr && data_length > capacity) return nullptr;
  uint8_t* data = buffer != nullptr ? buffer : static_cast<uint8_t*>(AllocBlock(data_length + 1));
  uint64_t position = static_cast<uint64_t>(entry->offset) + DbRecordHeaderSize(database->form);
  // A window that ends with the record serves the records before it too, which a visit from
  // the newest reads next.
  uint64_t end = position + data_length;
  if (!WindowHolds(database, position, data_length) &&
      data_length <= kScanWindow - kDbLargestRecordHeader) {
    FillWindow(database, end > kScanWindow ? end - kScanWindow : 0);
  }
  database->at = kPlatFileError;
  if (WindowHolds(database, position, data_length)) {
    if (data_length != 0) memcpy(data, g_scan.bytes + (position - g_scan.start), data_length);
  } else if (!ReadAt(database->file, position, data, data_length)) {
    if (buffer == nullptr) FreeBlock(data);
    return nullptr;
  }
  if ((IndexFlags(*entry) & kDbFlagScrambled) != 0) UnscrambleData(data, data_length);
  if (length != nullptr) *length = data_length;
  return data;
}

int DbWrite(Database* database, uint32_t gid, const void* data, uint16_t length, char type) {
  if (database == nullptr || (data == nullptr && length != 0)) return 0;
  DbRecordHeader header = {};
  header.magic = kDbRecordMagic;
  header.gid = gid;
  header.length = length;
  header.type = static_cast<uint8_t>(type != 0 ? type : 'b');
  header.flags = header.type == 'p' ? 0 : kDbFlagWritten;
  DbIndexEntry* old = IndexFind(&database->index, gid);
  if (old == nullptr || IndexLength(*old) != length) return Append(database, header, data, old);
  header.offset = old->offset;
  if (!WriteRecord(database, header, data)) return 0;
  *old = IndexEntryOf(header, header.offset);
  return 1;
}

int DbJournalWrite(Database* database, uint32_t gid, uint16_t length) {
  if (database == nullptr) return 0;
  const DbIndexEntry* old = IndexFind(&database->index, gid);
  uint32_t header_size = DbRecordHeaderSize(database->form);
  if (old != nullptr && IndexLength(*old) == length) {
    return SaveBeforeImage(database->file, database->path, old->offset, header_size + length);
  }
  // Appended where the records end (whatever lies from there on: once a batch), and the old
  // record's header marked superseded.
  if (database->journalled_end != database->end) {
    if (!SaveBeforeImage(database->file, database->path, database->end, kPlatFileError)) return 0;
    database->journalled_end = database->end;
  }
  if (old == nullptr) return 1;
  if (IndexOffsetFieldTrue(*old)) {
    // Only the flags byte is rewritten, and the index knows what it holds.
    uint8_t flags = IndexFlags(*old);
    return SaveKnownBefore(database->file, database->path, old->offset + FlagsAt(database), &flags,
                           1);
  }
  return SaveBeforeImage(database->file, database->path, old->offset, header_size);
}

int DbWriteJournalled(Database* database, uint32_t gid, const void* data, uint16_t length,
                      char type) {
  g_journalled_ahead = 1;
  int written = DbWrite(database, gid, data, length, type);
  g_journalled_ahead = 0;
  return written;
}

int DbWriteText(Database* database, uint32_t gid, const char* text) {
  size_t length = strlen(text);
  if (length > kDbMaxDataLength) return 0;
  return DbWrite(database, gid, text, static_cast<uint16_t>(length), 't');
}

int DbForEach(Database* database, DbVisitor visitor, void* context) {
  if (database == nullptr) return 0;
  // By number, newest first: a write during the visit may move the entries or add new ones.
  for (uint32_t i = database->index.count; i-- > 0;) {
    DbIndexEntry entry = database->index.entries[i];
    if (!visitor(database, entry.gid, IndexLength(entry), context)) break;
  }
  return 1;
}

uint32_t DbCount(const Database* database) {
  return database != nullptr ? database->index.count : 0;
}
