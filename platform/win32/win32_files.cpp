// Files for the Win32 backend: thin wrappers over _lopen/_lcreat/_lread/_lwrite/_lclose,
// CreateFileA, SetFilePointer, GetFileSize, GetFileTime and the path operations of kernel32.
// A PlatFile holds the HFILE (the file's HANDLE as an integer), so both kinds of open share
// the same read, write, seek and close.
#include <windows.h>

#include "platform/files.h"

static HFILE ToHfile(PlatFile file) {
  return static_cast<HFILE>(file);
}

static HANDLE ToHandle(PlatFile file) {
  return reinterpret_cast<HANDLE>(file);
}

static uint32_t DosTimeOf(const FILETIME* time) {
  WORD date = 0;
  WORD clock = 0;
  if (!FileTimeToDosDateTime(time, &date, &clock)) return 0;
  return (static_cast<uint32_t>(date) << 16) | clock;
}

PlatFile PlatOpenFile(const char* path, PlatOpenMode mode) {
  return _lopen(path, static_cast<int>(mode));
}

PlatFile PlatCreateFile(const char* path) {
  return _lcreat(path, 0);
}

PlatFile PlatOpenExclusive(const char* path) {
  HANDLE handle =
      CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  return reinterpret_cast<PlatFile>(handle);
}

PlatFile PlatOpenExclusiveReadWrite(const char* path) {
  HANDLE handle = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
  return reinterpret_cast<PlatFile>(handle);
}

uint32_t PlatReadFile(PlatFile file, void* buffer, uint32_t count) {
  return _lread(ToHfile(file), buffer, count);
}

uint32_t PlatWriteFile(PlatFile file, const void* buffer, uint32_t count) {
  return _lwrite(ToHfile(file), static_cast<LPCCH>(buffer), count);
}

// The offset is unsigned: it goes out as a 64-bit distance with a zero high part, and a
// position beyond 4 GB is a failure.
uint32_t PlatSeekFile(PlatFile file, uint32_t offset, PlatSeekOrigin origin) {
  LONG high = 0;
  DWORD low =
      SetFilePointer(ToHandle(file), static_cast<LONG>(offset), &high, static_cast<DWORD>(origin));
  if (high != 0) return kPlatFileError;
  return low;
}

int PlatCloseFile(PlatFile file) {
  return _lclose(ToHfile(file)) != HFILE_ERROR;
}

uint32_t PlatGetFileSize(PlatFile file) {
  return GetFileSize(ToHandle(file), nullptr);
}

int PlatFlushFile(PlatFile file) {
  return FlushFileBuffers(ToHandle(file)) != 0;
}

int PlatSetFileSize(PlatFile file, uint32_t size) {
  LONG high = 0;
  if (SetFilePointer(ToHandle(file), static_cast<LONG>(size), &high, FILE_BEGIN) != size ||
      high != 0) {
    return 0;
  }
  return SetEndOfFile(ToHandle(file)) != 0;
}

uint32_t PlatGetFileDosTime(PlatFile file) {
  FILETIME written;
  if (!GetFileTime(ToHandle(file), nullptr, nullptr, &written)) return 0;
  return DosTimeOf(&written);
}

int PlatSetFileDosTime(PlatFile file, uint32_t dos_time) {
  FILETIME written;
  if (!DosDateTimeToFileTime(static_cast<WORD>(dos_time >> 16), static_cast<WORD>(dos_time),
                             &written)) {
    return 0;
  }
  return SetFileTime(ToHandle(file), nullptr, nullptr, &written) != 0;
}

uint32_t PlatGetFileAttributes(const char* path) {
  return GetFileAttributesA(path);
}

int PlatSetFileAttributes(const char* path, uint32_t attributes) {
  return SetFileAttributesA(path, attributes) != 0;
}

int PlatCreateDirectory(const char* path) {
  return CreateDirectoryA(path, nullptr) != 0;
}

int PlatRemoveDirectory(const char* path) {
  return RemoveDirectoryA(path) != 0;
}

int PlatMoveFile(const char* from, const char* to) {
  return MoveFileA(from, to) != 0;
}

int PlatDeleteFile(const char* path) {
  return DeleteFileA(path) != 0;
}

int PlatCopyFile(const char* from, const char* to, int fail_if_exists) {
  return CopyFileA(from, to, fail_if_exists ? TRUE : FALSE) != 0;
}

uint32_t PlatGetTempFileName(const char* dir, const char* prefix, uint32_t unique, char* out) {
  return GetTempFileNameA(dir, prefix, unique, out);
}

// The find state is the search HANDLE itself; FindFirstFileA never returns null for a search.
static_assert(sizeof(WIN32_FIND_DATAA::cFileName) == kPathBuffer, "name buffers differ");

static void CopyFound(const WIN32_FIND_DATAA* from, PlatFindData* to) {
  to->attributes = from->dwFileAttributes;
  to->size = from->nFileSizeLow;
  to->dos_time = DosTimeOf(&from->ftLastWriteTime);
  CopyMemory(to->name, from->cFileName, kPathBuffer);
  to->name[kPathBuffer - 1] = '\0';
}

PlatFind PlatFindFirst(const char* pattern, PlatFindData* found) {
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA(pattern, &data);
  if (search == INVALID_HANDLE_VALUE) return nullptr;
  CopyFound(&data, found);
  return search;
}

// FindFirstFileExA asked for no short names (FindExInfoBasic), where kernel32 has it and takes
// that level; otherwise the search of FindFirstFileA.
PlatFind PlatFindFirstNames(const char* pattern, PlatFindData* found) {
  typedef HANDLE(WINAPI * FindFirstEx)(LPCSTR, FINDEX_INFO_LEVELS, LPVOID, FINDEX_SEARCH_OPS,
                                       LPVOID, DWORD);
  static FARPROC find_first_ex = GetProcAddress(GetModuleHandleA("KERNEL32"), "FindFirstFileExA");
  if (find_first_ex == nullptr) return PlatFindFirst(pattern, found);
  WIN32_FIND_DATAA data;
  HANDLE search = reinterpret_cast<FindFirstEx>(reinterpret_cast<void*>(find_first_ex))(
      pattern, FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) {
    // An older system refuses the level; any other failure is the search's own answer.
    return GetLastError() == ERROR_INVALID_PARAMETER ? PlatFindFirst(pattern, found) : nullptr;
  }
  CopyFound(&data, found);
  return search;
}

int PlatFindNext(PlatFind find, PlatFindData* found) {
  WIN32_FIND_DATAA data;
  if (!FindNextFileA(static_cast<HANDLE>(find), &data)) return 0;
  CopyFound(&data, found);
  return 1;
}

void PlatFindClose(PlatFind find) {
  if (find != nullptr) FindClose(static_cast<HANDLE>(find));
}
