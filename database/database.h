// The client's record databases (IDB\MAIN.IDX, IDB\MERGE.DB): finding one of a kind in a
// directory, opening it with an index of its live records, reading, writing and enumerating
// records by GID, and closing. Operations that tell more than success give 0 (success),
// 1 (the file opened but cannot be read as a database) or 2 (not there).
#pragma once

#include <cstdint>

#include "database/db_format.h"
#include "platform/files.h"
#include "services/setup_state.h"

// The most live records one open database indexes; a file with more does not open (1).
const uint32_t kDbIndexCapacity = 0x400000;

// An index entry: what reading, writing and visiting a live record need of its header, in 12
// bytes. The header's other fields (type, fields A and B) are never needed again: a replaced
// record is marked superseded by rewriting its flags byte alone (see DbWrite).
struct DbIndexEntry {
  uint32_t gid;
  uint32_t offset;  // the position of the record header in the file
  uint32_t state;   // bits 0-16 the length (kDbLongLength: longer), bits 17-24 the flags byte,
                    // bit 25 set when the header's offset field differs from its position
};
// The length an entry holds for any record longer than kDbMaxDataLength.
const uint32_t kDbLongLength = kDbMaxDataLength + 1;

// The index: the entries in the order of each GID's first appearance, so that the newest is the
// last; and a hash table of entry numbers + 1 (0 = empty) by GID.
struct DbIndex {
  DbIndexEntry* entries;
  uint32_t count;
  uint32_t capacity;
  uint32_t* slots;      // null while the scan adds (see IndexAdd)
  uint32_t slot_count;  // a power of two, at least one and a half times the capacity
  int adding;           // 1 from the scan's first entry to the seal
};

// The most superseded marks journalled batches leave to be written after their appends.
const uint32_t kDbMarksMax = 1024;

struct Database {
  PlatFile file;  // open for reading and writing; kPlatNoFile after a failed reopen
  DbForm form;
  DbIndex index;
  uint32_t end;  // where the next record is appended: the end of the last record scanned
  uint32_t at;   // where the file's position is after the last append (kPlatFileError: unknown)
  uint32_t journalled_end;  // appends from here on need no more journalling in this batch
  uint64_t room;            // bytes the appends may still take before the drive is asked again
  int reopened;             // the file was opened anew for the first append
  // The records journalled batches' appends replaced, to be marked superseded later.
  DbIndexEntry marks[kDbMarksMax];
  uint32_t mark_count;
  // The longest span of bytes a resynchronisation of the scan stepped over (0: none); a span
  // that could hold a record header may have held a record.
  uint32_t skipped;
  char path[kStatePath];
  // The client's companion index file (the path with the extension "ind"), deleted on close
  // because it no longer matches; empty when the path has no extension to replace.
  char companion_path[kStatePath];
};

// The first entry of directory ("*.*", in the file system's order) that is a database of the
// kind; its path goes into out (kPathBuffer bytes). Null (out emptied) when there is none.
char* DbFind(const char* directory, uint32_t kind, char* out);

// Opens the database at path and scans it. 0: *database holds the open database; 1: the file
// opened but its records cannot be scanned (nothing stays open, the companion file is
// deleted); 2: the file cannot be opened for reading and writing (or its path is longer than 256
// characters). *database is null unless 0 is returned.
int DbOpen(const char* path, Database** database);
// DbOpen with room in the index for extra more records at once (a merge of that many), so that
// they need no growth of it.
int DbOpenWithRoom(const char* path, uint32_t extra, Database** database);
// DbFind, then DbOpen; 2 when no database of the kind is there.
int DbOpenKind(const char* directory, uint32_t kind, Database** database);
// Closes the file, deletes the companion file and releases everything; 0 for no database, else 1.
int DbClose(Database* database);

// The record's data, unscrambled: into buffer (capacity bytes) when one is given, otherwise into
// a new zero-filled block of length + 1 bytes that the caller releases with FreeBlock. Null
// when there is no such record, it is longer than kDbMaxDataLength or than the capacity, or its
// data cannot be read. *length (when asked) gets the data length, 0 on failure.
uint8_t* DbRead(Database* database, uint32_t gid, uint8_t* buffer, uint32_t capacity,
                uint32_t* length);
// Writes the record in the file's own form: in place when the GID has a record of the same
// length, otherwise appended (the old record, if any, then marked superseded). Type 0 means
// 'b'. Data may be null only for length 0. Returns 1 when header and data were written; on
// failure the file holds what it held before, except that an overwrite in place may be partly
// done. Cancel in a disk-full question sets install_stopped.
int DbWrite(Database* database, uint32_t gid, const void* data, uint16_t length, char type);
// A batch of writes is journalled once: DbJournalWrite for each record of the batch journals,
// without flushing, the old bytes its DbWrite will overwrite (its GID's record of the same
// length, or the header it marks superseded and whatever lies past the last record); after one
// MakeJournalDurable, DbWriteJournalled writes each record as DbWrite does, journalling nothing
// more, except that the records its appends replace are marked superseded later: when
// kDbMarksMax wait, or at DbClose.
// Every record of one batch has its own GID, and nothing else writes the database in between.
// 1, or 0 with error 42.
int DbJournalWrite(Database* database, uint32_t gid, uint16_t length);
int DbWriteJournalled(Database* database, uint32_t gid, const void* data, uint16_t length,
                      char type);
// DbWrite with type 't' and the text without its terminator; 0 for a text over 65535 characters.
int DbWriteText(Database* database, uint32_t gid, const char* text);

// Visits the live records from the newest; stops when the visitor returns 0. Records written
// during the visit are not visited. 0 for no database, else 1.
typedef int (*DbVisitor)(Database* database, uint32_t gid, uint32_t length, void* context);
int DbForEach(Database* database, DbVisitor visitor, void* context);
// The number of live records; 0 for no database.
uint32_t DbCount(const Database* database);
