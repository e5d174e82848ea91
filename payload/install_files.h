// The installation loop: every payload file put into dest_dir under its rule (preserved files
// left alone, SYSTEM files into the system directory when newer, the guide written straight,
// the PIF for the DOS game), with the progress dialog, the user's Cancel between files and the
// size check; and the deletion of obsolete files after the database update.
#pragma once

// Returns 1 when every entry was dealt with and the user did not stop; otherwise 0, with
// error_number or install_stopped (or both) set.
int InstallFiles();

// Moves an extracted SYSTEM file from dest_dir into the system directory when it is newer than
// the installed one (or copies it into windows_dir\SYSTEM when there is none). Returns 0 when
// the copy, or the deletion of the extracted copy, fails.
int InstallSystemFile(const char* path);

// Deletes the files that windows_deletes matches under windows_dir, then those that
// dest_deletes matches under dest_dir, logging each file deleted.
void DeleteListedFiles();

// Tries once more to delete the temporary archives whose deletion failed during InstallFiles
// (the first 256 of them), and forgets them.
void DeleteLeftArchives();
