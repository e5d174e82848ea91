// The program's own files in a destination: the rollback journal (VNTSETUP.RBK, or VNTSETUP.nnn
// kept aside), the files it sets aside (~RBnnnnn.RBK), the folder a SYSTEM file is extracted into
// when its name is taken (~RBSYS.RBK), and the temporary archives (DECnnnn.TMP). No payload entry
// may have one of these names; and whether the journal can be made in a folder at all.
#pragma once

// The folder, in dest_dir, into which a SYSTEM file is extracted when dest_dir holds something
// under the file's own name.
extern const char kSystemStagingName[];

// 1 when the name (its last component) is one of the program's own, without regard to case.
int IsProgramFileName(const char* name);

// Why the journal cannot be made in dir (its path would pass 259 characters, or a folder or a
// read-only file has its name there), or null when it can.
const char* JournalPlaceFault(const char* dir);
// JournalPlaceFault, and when it finds a fault: logs it and stores error 42. 1 when the journal
// can be made.
int CheckJournalPlace(const char* dir);
