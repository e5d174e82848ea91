// The destination directory around an installation: its preparation (subdirectories and the
// carry-over renaming) and the preserve patterns that keep files of the existing installation.
#pragma once

// Sets dest_prepared, creates dest_dir when it is missing and every directory of dest_subdirs
// under it, then runs the carry-over renaming.
void PrepareDestDir();

// For each carry_over pair with a replacement: moves the files that match the pattern, taken
// from merge_dir (from dest_dir while merge_dir is still empty), to their new names in dest_dir.
void CarryOverFiles();

// 1 when the entry name matches a preserve pattern (a carry_over pair without replacement): the
// same directory part, and the same short base name and short extension, each unless the
// pattern's begins with "*".
int IsPreserved(const char* name);
