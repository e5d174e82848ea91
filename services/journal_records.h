// The rollback journal's file (VNTSETUP.RBK): its records, written through a buffer that is
// flushed once per group of changes, read forward to check and backward to undo.
//
// The file is a sequence of records, each:
//
//   0  "RK"
//   2  kind (8 bits)                         JournalKind
//   3  flags (8 bits)                        kJournalAside ...
//   4  state (8 bits)                        0 to undo, 'U' undone (rewritten in place)
//   5  0 (the identity's commit mark)
//   6  first text length (16 bits)           at most 259
//   8  second text length (16 bits)          at most 259
//  10  number (32 bits)
//  14  data length (32 bits)                 at most 32768
//  18  the first text, the second text (no terminators), the data
//   .  the record's whole size (32 bits)     so that the file can be read from its end
//   .  FNV-1a sum (32 bits) of the record before it, bytes 4 and 5 taken as 0
//
// The first record is the identity: the folder the journal was written for, the Windows
// directory (texts) and the system directory (data) of that run. Three of its fields are
// rewritten in place, need no room on the disk and are left out of its sum:
// - its number, the journal's durable length, after each flush, so that a journal cut shorter
//   than what was once flushed is told from one whose last, unflushed records were torn;
// - byte 5, the commit mark 'C', flushed when the run has succeeded: the one step that commits
//   it. Recovery then only removes what was set aside, and never undoes anything;
// Byte 4 of the identity is reserved (0).
//
// A stamp records a file as the run left it (its length and DOS time), written when the run goes
// on to another file. It describes the file only while no newer record names the same path: a
// stamp with the length kJournalNoFile is written before a change that needs no other record (an
// append), and a rollback marks a stamp undone before it changes the file. An undo that meets a
// stamp its file no longer matches leaves that file, and the records under it, as they are: the
// client has used the file since.
// All numbers are little-endian.
#pragma once

#include <cstdint>

#include "platform/files.h"
#include "services/paths.h"

enum JournalKind : uint8_t {
  kJournalIdentity = 1,   // texts: the folder, the Windows directory; data: the system directory
  kJournalDirectory = 2,  // text: a directory the run created
  kJournalCreated = 3,    // text: a file the run creates where there was none
  kJournalMoved = 4,      // texts: a file moved from the first path to the second
  kJournalCopied = 5,     // texts: a file, and its copy kept aside before it was changed
  kJournalLength = 6,     // text: a file, number: its length, data: its DOS time, before the run
  kJournalBefore = 7,     // text: a file, number: an offset, data: its bytes before the run
  kJournalRegKey = 8,     // text: a registry key the run makes, number: its root
  kJournalRegValue = 9,   // texts: a key and a value name, number: the root, data: the old text
  kJournalStamp = 10,     // text: a file as the setup left it, number: its length
                          // (kJournalNoFile: no stamp, the file is being changed), data: its
                          // DOS time
};
const uint8_t kJournalAside = 1;         // a move or copy whose target is a moved-aside file
const uint8_t kJournalHoldsJournal = 2;  // a directory that holds the journal: removed last
const uint8_t kJournalTemporary = 4;     // a file the run deletes again: removed at the commit
const uint8_t kJournalHadValue = 8;      // the registry value existed (its old text is the data)

const uint8_t kJournalUndone = 'U';
const uint8_t kJournalCommitted = 'C';
const uint32_t kJournalStateAt = 4;     // a record's state
const uint32_t kJournalCommitAt = 5;    // the identity's commit mark
const uint32_t kJournalDurableAt = 10;  // the identity's durable length
const uint32_t kJournalNoFile = 0xFFFFFFFFu;
const uint32_t kJournalImageMax = 32768;  // the most data bytes of one record

struct JournalRecord {
  uint32_t offset;  // where the record starts in the file
  uint32_t size;    // its whole size
  uint8_t kind;
  uint8_t flags;
  uint8_t state;
  uint8_t mark;  // the identity: its commit mark
  char first[kPathBuffer];
  char second[kPathBuffer];
  uint32_t number;
  uint32_t data_length;
  const uint8_t* data;  // inside the reader's buffer, valid until the next read
};

// The journal being written (its open file is g_setup.journal_file): how far it is written and
// flushed, and the records not yet written out.
struct JournalWriter {
  uint32_t written;  // bytes in the file
  uint32_t durable;  // bytes flushed
  uint32_t used;     // bytes waiting in the buffer
};
extern JournalWriter g_writer;

// The size of a record whose texts together are text_length characters long.
uint32_t JournalRecordSize(uint32_t text_length, uint32_t data_length);
// Logs that the journal cannot be written and stores error 42; 0.
int JournalFailed();
// A little-endian 32-bit number of a record.
uint32_t JournalGet32(const uint8_t* at);
void JournalPut32(uint8_t* at, uint32_t value);

// Lays out a record at the end of the buffer (writing the buffer out first when it is full) and
// returns where its data_length bytes of data go; null (error 42 stored) when the journal cannot
// be written. The record counts once JournalSeal has summed it.
uint8_t* JournalReserve(uint8_t kind, uint8_t flags, const char* first, const char* second,
                        uint32_t number, uint32_t data_length);
void JournalSeal();
// Drops the record reserved last (its data could not be had).
void JournalDrop();
// A whole record with its data. 1, or 0 with error 42.
int JournalAppend(uint8_t kind, uint8_t flags, const char* first, const char* second,
                  uint32_t number, const void* data, uint32_t data_length);
// Writes out what waits and flushes it, then notes the durable length in the identity: after
// this, every record appended so far survives an interruption. 1, or 0 (error 42, or a Cancel in
// the disk-full question, which stops the run).
int JournalDurable();

// Reads the record at offset of the file, which ends at limit, through a window of the file
// (see JournalForgetReads); 1 when it is whole, its sum is right and its texts are plain. *declared
// gets the size its header announces (0 when not even the header is there).
int JournalRead(PlatFile file, uint32_t offset, uint32_t limit, JournalRecord* record,
                uint32_t* declared);
// The offset of the record that ends at end; kJournalNoFile when there is none.
uint32_t JournalRecordBefore(PlatFile file, uint32_t end);
// Starts a walk through a journal file: what the reader holds of an earlier one is dropped.
void JournalForgetReads();
// Rewrites one byte of the file in place (a state, a mark); not flushed. 1 or 0.
int JournalPutByte(PlatFile file, uint32_t offset, uint8_t value);
// Writes a stamp of the file at path at *end of the journal file, which then ends after it, and
// moves *end on; not flushed. 1 or 0.
int JournalStampAt(PlatFile file, uint32_t* end, const char* path, uint32_t length,
                   uint32_t dos_time);
// The length and DOS time of the file at path; 0 when it cannot be opened (not there, a
// directory, held by another program).
int JournalFileStamp(const char* path, uint32_t* length, uint32_t* dos_time);

// The folders a journal's paths may name: the one it was written for, and the Windows and
// system directories of its run.
struct JournalRoots {
  const char* folder;
  const char* windows;
  const char* system;
};
// 1 when the path lies inside one of the roots (below it, by plain components: no "." or ".."
// component, no "/", no wildcard); a directory that holds the journal may also be the folder
// itself or one above it.
int JournalPathInside(const char* path, const JournalRoots& roots, int holds_journal);
// 1 when the registry key is one the run may write or make: one of the product's two keys, a key
// below them, or a key along them (which a rollback deletes only when it is empty).
int JournalKeyOwned(uint32_t root, const char* key);
