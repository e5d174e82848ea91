// Files by path and by handle, with Win32 semantics (the _l* calls, CreateFileA, FindFirstFileA).
//
// Contract: a path is a Windows path ("C:\DIR\FILE.EXT"); names compare without regard to case.
// Every open returns kPlatNoFile on failure and the caller closes what it opened with
// PlatCloseFile. Counts and positions are 32-bit; kPlatFileError (0xFFFFFFFF) is the failure
// value of reads, writes and seeks. Nothing here shows a message or stores an error number.
#pragma once

#include <cstdint>

#include "platform/types.h"

typedef intptr_t PlatFile;
const PlatFile kPlatNoFile = -1;  // HFILE_ERROR and INVALID_HANDLE_VALUE alike
const uint32_t kPlatFileError = 0xFFFFFFFFu;

enum PlatOpenMode { kOpenRead = 0, kOpenWrite = 1, kOpenReadWrite = 2 };  // OF_READ, OF_WRITE, ...
enum PlatSeekOrigin { kSeekBegin = 0, kSeekCurrent = 1, kSeekEnd = 2 };

// File attributes, as Win32 reports them; kPlatNoAttributes means "does not exist".
const uint32_t kAttrReadOnly = 0x01;
const uint32_t kAttrHidden = 0x02;
const uint32_t kAttrSystem = 0x04;
const uint32_t kAttrDirectory = 0x10;
const uint32_t kAttrArchive = 0x20;
const uint32_t kAttrNormal = 0x80;
const uint32_t kPlatNoAttributes = 0xFFFFFFFFu;

// _lopen: an existing file, for reading, writing or both; the position starts at 0.
PlatFile PlatOpenFile(const char* path, PlatOpenMode mode);
// _lcreat with normal attributes: creates the file, or empties an existing one; read-write.
PlatFile PlatCreateFile(const char* path);
// CreateFileA(GENERIC_READ, no sharing, OPEN_EXISTING): fails while the file is open elsewhere.
PlatFile PlatOpenExclusive(const char* path);
// CreateFileA(GENERIC_READ | GENERIC_WRITE, no sharing, OPEN_EXISTING, write-through): an
// existing file to read and change that no other open can reach while it is held.
PlatFile PlatOpenExclusiveReadWrite(const char* path);
// _lread / _lwrite: the number of bytes moved (a short count at end of file or disk full), or
// kPlatFileError. A write of 0 bytes is not used by the core.
uint32_t PlatReadFile(PlatFile file, void* buffer, uint32_t count);
uint32_t PlatWriteFile(PlatFile file, const void* buffer, uint32_t count);
// Moves to offset bytes past the origin; returns the new absolute position or kPlatFileError.
uint32_t PlatSeekFile(PlatFile file, uint32_t offset, PlatSeekOrigin origin);
// _lclose / CloseHandle: 1, or 0 when the close failed (the handle is gone either way).
int PlatCloseFile(PlatFile file);
// GetFileSize (low 32 bits), or kPlatFileError.
uint32_t PlatGetFileSize(PlatFile file);
// SetFilePointer to size, then SetEndOfFile: the file ends at size, cut or extended. 1 or 0;
// the position afterwards is size.
int PlatSetFileSize(PlatFile file, uint32_t size);
// FlushFileBuffers: what was written reaches the disk before the call returns. 1 or 0.
int PlatFlushFile(PlatFile file);
// GetFileTime then FileTimeToDosDateTime of the last-write time, without any conversion to
// local time: DOS date in the high 16 bits, DOS time in the low 16. 0 on failure.
uint32_t PlatGetFileDosTime(PlatFile file);
// DosDateTimeToFileTime then SetFileTime of the last-write time, the same DOS time read back by
// PlatGetFileDosTime. 1, or 0 when the DOS time is no valid date or the time cannot be set.
int PlatSetFileDosTime(PlatFile file, uint32_t dos_time);

// GetFileAttributesA / SetFileAttributesA.
uint32_t PlatGetFileAttributes(const char* path);
int PlatSetFileAttributes(const char* path, uint32_t attributes);
// CreateDirectoryA: 1 when created; 0 when it exists already or cannot be made.
int PlatCreateDirectory(const char* path);
// RemoveDirectoryA: 1 when the empty directory was removed; 0 when it is missing or not empty.
int PlatRemoveDirectory(const char* path);
// MoveFileA, DeleteFileA, CopyFileA: 1 or 0.
int PlatMoveFile(const char* from, const char* to);
int PlatDeleteFile(const char* path);
int PlatCopyFile(const char* from, const char* to, int fail_if_exists);
// GetTempFileNameA: out (kPathBuffer bytes) becomes dir + "\" + the first three characters of
// prefix + unique in four hexadecimal digits + ".TMP". With unique 0 an unused number is chosen
// and the empty file is created; otherwise nothing is created. Returns the number used, or 0
// when no name could be made.
uint32_t PlatGetTempFileName(const char* dir, const char* prefix, uint32_t unique, char* out);

// FindFirstFileA / FindNextFileA / FindClose. Wildcards "*" and "?" in the last component,
// matched case-insensitively; "." and ".." are reported for every directory but a drive root.
struct PlatFindData {
  uint32_t attributes;
  uint32_t size;      // low 32 bits
  uint32_t dos_time;  // last-write time, DOS date high, DOS time low
  char name[kPathBuffer];
};
typedef void* PlatFind;  // null when nothing matched or the pattern's directory is missing
PlatFind PlatFindFirst(const char* pattern, PlatFindData* found);
// PlatFindFirst for a walk that needs only the names and the directory attribute: the other
// attributes, the size and the time may be left 0 (the host reads no status of an entry whose
// kind its folder listing gives; Windows is asked for no short names where it can be).
PlatFind PlatFindFirstNames(const char* pattern, PlatFindData* found);
int PlatFindNext(PlatFind find, PlatFindData* found);
void PlatFindClose(PlatFind find);
