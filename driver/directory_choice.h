// The checks on the destination directory before anything is installed: whether the update fits
// on its drive, asked again while the user makes room, and the user's own choice of directory.
#pragma once

// 1 when the update fits on the drive of dest_dir; 0 when it does not and the user declined to
// try again (the caller then gives up the run).
int CheckDiskSpace();

// Shows directory dialog template_id (208 to review, 215 when nothing was found) with text in
// its caption field, until the user cancels or types a directory that is valid, exists, holds an
// accepted installation and has room. 1 and dest_dir updated, or 0 and dest_dir unchanged.
int ChooseDirectory(int template_id, const char* text);
