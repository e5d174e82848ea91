// The run's rollback: a write-ahead journal in the destination (VNTSETUP.RBK) that records every
// change the installation makes before it is made, so that a failed, cancelled or interrupted
// run can be put back, and that belongs to that one folder (services/journal_records.h). Files that
// the run replaces or deletes are moved aside on the same drive (renamed ~RBnnnnn.RBK in their own
// directory); files changed in place (WIN.INI, Windows.cnt, VERSION.INF) are copied aside; files
// and directories the run creates are noted; the main database keeps its original length and the
// bytes of every range before it is overwritten; registry values keep their old texts, and the keys
// the run makes are noted. Each record is flushed before the change it protects; the records of one
// change, and the before-images of one batch of database writes, are flushed together.
//
// While no journal is active (before the installation, in tools, in the search) every call here
// acts directly and journals nothing.
#pragma once

#include <cstdint>

#include "platform/files.h"
#include "services/rollback_undo.h"

// Starts the journal in dest_dir, creating the missing directories of dest_dir first (each one
// journalled); a journal already active goes on. An earlier run's journal there is recovered
// first; when it cannot be, nothing starts (setup_aborted, rollback_result 2). Sets
// changes_begun. 1, or 0 with error 42.
int BeginRollback(const char* dest_dir);
// 1 while a journal is active.
int RollbackActive();

// Before the run creates or replaces the file at path: an existing file is moved aside, a missing
// one is noted as new. 1, or 0 when the journal cannot be written (error 42) or the file cannot
// be moved (logged; the caller decides); the file is then as it was. Without a journal the file
// is deleted.
int SetAsideBeforeReplace(const char* path);
// SetAsideBeforeReplace for a file the run deletes again itself (a temporary archive): should
// that delete fail, the file is removed when the run succeeds.
int SetAsideTemporary(const char* path);
// Deletes the file by moving it aside (removed for good when the run succeeds). 1 when the file
// is gone from path.
int DeleteSettingAside(const char* path);
// Renames from to to (a missing to), journalled. 1 or 0.
int MoveJournalled(const char* from, const char* to);
// Before a file is changed in place: a copy aside (once per run and file), or a note that the
// file is new. 1, or 0 with error 42.
int KeepCopyBeforeChange(const char* path);
// CreateDirectoryPath with every directory it creates journalled. 1 when the directory exists.
int CreateDirectoryJournalled(const char* path);
// Before count bytes at offset of the open file are overwritten, or the file is cut to offset
// (count 0xFFFFFFFF): its original length (once) and the bytes of the range that lie within it.
// Not flushed: the writer calls MakeJournalDurable before it writes (once for a whole batch).
// 1, or 0 with error 42.
int SaveBeforeImage(PlatFile file, const char* path, uint32_t offset, uint32_t count);
// SaveBeforeImage of count bytes whose old values the caller knows (bytes): nothing is read.
int SaveKnownBefore(PlatFile file, const char* path, uint32_t offset, const void* bytes,
                    uint32_t count);
// Flushes what the journal holds; 1, or 0 (error 42, or a Cancel in the disk-full question).
int MakeJournalDurable();
// The file written through SaveBeforeImage has been closed: stamps it as the run left it, so
// that a later rollback cuts it back only while it is still the run's. 1, or 0 with error 42.
int NoteFileLeft(const char* path);

// Before the run sets a registry value (root: an HKEY root): the keys along subkey that the write
// will make, and the value's old text (null: it had none). 1, or 0 with error 42.
int NoteRegistryValue(uintptr_t root, const char* subkey, const char* value_name,
                      const char* old_text);

// 1 when the name is the journal or a moved-aside file (the delete lists leave them alone).
int IsRollbackFile(const char* name);

// Puts back everything the journal records, newest first, logging one line per thing restored
// and a summary. Sets rollback_result to 1 (all undone; journal and moved-aside files removed) or
// 2 (some things could not be restored; the journal keeps exactly those for the next run), and
// withdraws a restart the run had asked for. Nothing when no journal is active.
void RollBackRun();
// The run succeeded: commits it (one flushed mark), then removes the moved-aside files and the
// journal. 1, or 0 with error 42 when it cannot be committed (the journal stays active).
int CommitRun();
