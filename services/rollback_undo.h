// The undo side of the rollback journal, shared by the run's journal and the recovery: the
// names a journal goes by, the undo of a whole journal and the end of a committed one.
#pragma once

#include <cstdint>

#include "platform/files.h"

// The journal's name in the destination directory, and the extension of every moved-aside file.
extern const char kJournalName[];
extern const char kAsideExtension[];
// 1 for VNTSETUP.nnn, the name of a journal that was kept aside unobeyed.
int IsKeptJournalName(const char* name);

// Undoes the journal's pending records (up to end), newest first, marking each one undone; a
// record that cannot be undone keeps its path and everything older on it for a later run. The
// journal (and the directories that held it) go when everything was undone. Closes file. 1 when
// everything was.
int UndoJournal(PlatFile file, const char* journal_path, uint32_t end);
// Removes what a committed run set aside (up to end), then the journal. Closes file.
void FinishCommit(PlatFile file, const char* journal_path, uint32_t end);

// A journal left in dir by a run that was interrupted: a committed run is finished, any other
// rolled back, and the journal removed. A journal written for another folder or machine, one
// that names anything outside its folders or the product's keys, or one that cannot be read
// whole is not obeyed: it is logged and kept aside (VNTSETUP.nnn). 1 when a journal was
// recovered whole, 0 when there was none to obey, -1 when it could not be recovered whole
// (rollback_result then 2; what is left is named in the log and by NotRestored).
int RecoverUnfinishedRun(const char* dir);
// The first thing a rollback could not put back ("" when none), and how many there were.
const char* NotRestored(unsigned* count);
