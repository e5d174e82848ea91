// The database merge of an update: the records of the installed IDB\MERGE.DB carried into the
// client's IDB\MAIN.IDX, the version stamped, then the installation directory recorded in the
// profile and the registry, the help contents and the uninstall entry registered.
#pragma once

// 1 when the whole step succeeded; 0 with error_number set (22 to 25, 29) or install_stopped
// set by a Cancel in a disk-full question. Records already written stay written.
int MergeDatabase();
