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

int ReadHeaderAt(const Database* db, uint64_t position, DbRecordHeader* header) {
  uint8_t bytes[kDbLargestRecordHeader];
  if (!ReadAt(db->file, position, bytes, DbRecordHeaderSize(db->form))) return 0;
  DecodeRecordHeader(bytes, db->form, header);
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
  uint64_t position = DbFileHeaderSize(db->form);
  DbRecordHeader header;
  while (ReadHeaderAt(db, position, &header)) {
    if (header.magic != kDbRecordMagic && !Resynchronise(db, position, &position, &header)) {
      return 0;
    }
    if ((header.flags & kDbFlagSuperseded) == 0) {
      header.offset = static_cast<uint32_t>(position);
      if (!IndexPut(&db->index, header)) return 0;
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

// Writes the header in the file's form at its offset field's position, its old bytes journalled
// first.
int WriteHeader(Database* db, const DbRecordHeader& header) {
  uint8_t bytes[kDbLargestRecordHeader];
  uint32_t count = EncodeRecordHeader(header, db->form, bytes);
  return SaveBeforeImage(db->file, db->path, header.offset, count) &&
         PlatSeekFile(db->file, header.offset, kSeekBegin) == header.offset &&
         WriteBlock(db->file, bytes, static_cast<uint16_t>(count));
}

int WriteData(Database* db, const void* data, uint16_t length) {
  if (length == 0) return 1;
  uint32_t position = PlatSeekFile(db->file, 0, kSeekCurrent);
  return position != kPlatFileError && SaveBeforeImage(db->file, db->path, position, length) &&
         WriteBlock(db->file, data, length);
}

// Waits, asking the user, until the drive has room for the record; 0 after Cancel.
int WaitForRoom(const Database* db, uint32_t bytes) {
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
  return 1;
}

// Appends the record at the end of the records, and only then marks the record it replaces
// superseded: a failure on the way leaves the old record live and the file cut back to where
// it was.
int Append(Database* db, DbRecordHeader header, const void* data, const DbRecordHeader* old) {
  uint32_t header_size = DbRecordHeaderSize(db->form);
  uint64_t end = static_cast<uint64_t>(db->end) + header_size + header.length;
  if (db->end == kNoAppend || end >= kPlatFileError) return 0;
  if (old == nullptr && db->index.count >= kDbIndexCapacity) return 0;
  if (!WaitForRoom(db, header_size + header.length)) return 0;
  PlatCloseFile(db->file);
  db->file = PlatOpenFile(db->path, kOpenReadWrite);
  if (db->file == kPlatNoFile) return 0;
  header.offset = db->end;
  if (!WriteHeader(db, header) || !WriteData(db, data, static_cast<uint16_t>(header.length))) {
    if (SaveBeforeImage(db->file, db->path, db->end, kPlatFileError)) {
      PlatSetFileSize(db->file, db->end);
    }
    return 0;
  }
  if (old != nullptr) {
    DbRecordHeader superseded = *old;
    superseded.flags |= kDbFlagSuperseded;
    // Should this fail, both records are live and the later one, the new, is the one read.
    WriteHeader(db, superseded);
  }
  IndexPut(&db->index, header);
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
  *database = nullptr;
  if (strlen(path) >= kStatePath) return 2;
  PlatFile file = PlatOpenFile(path, kOpenReadWrite);
  if (file == kPlatNoFile) return 2;
  Database* db = static_cast<Database*>(AllocBlock(sizeof(Database)));
  db->file = file;
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
  if (database->file != kPlatNoFile) PlatCloseFile(database->file);
  if (database->companion_path[0] != '\0') DeleteSettingAside(database->companion_path);
  IndexRelease(&database->index);
  FreeBlock(database);
  return 1;
}

uint8_t* DbRead(Database* database, uint32_t gid, uint8_t* buffer, uint32_t capacity,
                uint32_t* length) {
  if (length != nullptr) *length = 0;
  if (database == nullptr) return nullptr;
  const DbRecordHeader* entry = IndexFind(&database->index, gid);
  if (entry == nullptr || entry->length > kDbMaxDataLength) return nullptr;
  if (buffer != nullptr && entry->length > capacity) return nullptr;
  uint8_t* data = buffer != nullptr ? buffer : static_cast<uint8_t*>(AllocBlock(entry->length + 1));
  uint64_t position = static_cast<uint64_t>(entry->offset) + DbRecordHeaderSize(database->form);
  if (!ReadAt(database->file, position, data, entry->length)) {
    if (buffer == nullptr) FreeBlock(data);
    return nullptr;
  }
  if ((entry->flags & kDbFlagScrambled) != 0) UnscrambleData(data, entry->length);
  if (length != nullptr) *length = entry->length;
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
  const DbRecordHeader* old = IndexFind(&database->index, gid);
  if (old == nullptr || old->length != length) return Append(database, header, data, old);
  header.offset = old->offset;
  if (!WriteHeader(database, header)) return 0;
  IndexPut(&database->index, header);
  return WriteData(database, data, length);
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
    DbRecordHeader entry = database->index.entries[i];
    if (!visitor(database, entry.gid, entry.length, context)) break;
  }
  return 1;
}

uint32_t DbCount(const Database* database) {
  return database != nullptr ? database->index.count : 0;
}
