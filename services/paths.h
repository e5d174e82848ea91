// Path and file helpers shared by every subsystem. Paths are ANSI byte strings with "\" as the
// separator, held in buffers of kPathBuffer (260) bytes. A result that would not fit is never
// shortened: the routine fails instead and leaves its output empty.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/types.h"

// dest_dir, or dest_dir + "\" + name; out holds kPathBuffer bytes. Null when it does not fit.
char* MakeDestinationPath(char* out, const char* name);

// Joins the parts (ended by a null part) with single backslashes, skipping empty parts and
// removing one trailing backslash after each part: "C:\" and "X" give "C:\X", "C:\" alone gives
// "C:". With a null out the result is a new block from AllocBlock that the caller frees. Returns
// the result, or null (out emptied) when it is longer than 259 characters.
char* JoinPath(char* out, ...) __attribute__((sentinel));

// The path up to, not including, its last "\"; empty when it has none.
void GetDirectoryPart(char* out, const char* path);
// The text after the last "\" (the whole path when there is none); points into path.
const char* GetFileNamePart(const char* path);
// The text after the last "." of the path when it is at most 3 characters long (out holds 4
// bytes); otherwise out is emptied and null is returned.
char* GetShortExtension(char* out, const char* path);
// The first 8 characters of the last component, up to its first "." (out holds 9 bytes).
char* GetShortBaseName(char* out, const char* path);

// 1 for a relative path that stays inside the directory it is relative to: it does not begin
// with "\" or "/", carries no drive and has no ".." component (either separator counts).
int IsRelativeInside(const char* path);

// The letter in upper case (ASCII letters; every other character as it is).
char UpperCaseOf(char c);
// 1 when the two names are equal without regard to case (ASCII letters).
int NamesEqual(const char* a, const char* b);

// The root of the drive (0 = A:) as "X:\"; root holds 4 bytes.
void DriveRoot(int drive, char root[4]);

// Creates every directory along the path; 1 when the last creation succeeded.
// The directories of path from the top, one per call ("C:\A", then "C:\A\B", ...): *at starts
// at 0 and moves on; out holds kPathBuffer bytes. 0 when none is left.
int NextDirectoryPrefix(const char* path, size_t* at, char* out);
int CreateDirectoryPath(const char* path);
// 1 when the file can be opened for reading (a directory cannot).
int FileExists(const char* path);
// 1 when the file or directory exists.
int PathExists(const char* path);
// 1 when path names a directory.
int IsFolder(const char* path);
// The path into out (kPathBuffer bytes) with its last component spelled as the disk spells the
// existing file (a file system that keeps case, as Wine's does, may hold "win.ini" for
// WIN.INI); as given when it does not exist, or when its other spelling does not fit.
void SpellAsOnDisk(const char* path, char* out);
// 1 for a drive path ("X:\...") of printable characters none of which is * + = ; : " ? / < > ,
int IsValidDirectoryName(const char* path);
int MoveFileTo(const char* from, const char* to);
// Last-write time as DOS date (high 16 bits) and time (low 16 bits); 0 when the file cannot be
// opened exclusively (also when it is open elsewhere).
uint32_t GetFileDosTime(const char* path);
// The file's size (low 32 bits); 0 when it cannot be opened exclusively.
uint32_t GetFileSizeByName(const char* path);
