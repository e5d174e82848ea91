// The machine and the program for the Win32 backend: directories, version, processor, memory,
// the program's own file and payload marker resource, windows, modules, drives and free space,
// a pause and the local time.
// Text results that do not fit the caller's buffer are failures with an empty buffer.
#include <windows.h>

#include "platform/system.h"

// The resource that holds the payload marker (ui/resources/setup.rc).
static const WORD kPayloadMarkerResource = 100;

// Applies the "does not fit is a failure" rule to the length a Get...DirectoryA call returned:
// 0 on failure, or a length that does not leave room for the NUL.
static uint32_t FittedLength(char* out, uint32_t size, uint32_t length) {
  if (length == 0 || length >= size) {
    if (size > 0) out[0] = '\0';
    return 0;
  }
  return length;
}

uint32_t PlatGetWindowsDirectory(char* out, uint32_t size) {
  if (size == 0) return 0;
  return FittedLength(out, size, GetWindowsDirectoryA(out, size));
}

uint32_t PlatGetSystemDirectory(char* out, uint32_t size) {
  if (size == 0) return 0;
  return FittedLength(out, size, GetSystemDirectoryA(out, size));
}

uint32_t PlatGetPlatformId() {
  OSVERSIONINFOA version;
  ZeroMemory(&version, sizeof(version));
  version.dwOSVersionInfoSize = sizeof(version);
  if (!GetVersionExA(&version)) return 0;
  return version.dwPlatformId;
}

uint32_t PlatGetProcessorType() {
  SYSTEM_INFO info;
  ZeroMemory(&info, sizeof(info));
  GetSystemInfo(&info);
  return info.dwProcessorType;
}

uint32_t PlatGetTotalPhysicalMemory() {
  MEMORYSTATUS status;
  ZeroMemory(&status, sizeof(status));
  status.dwLength = sizeof(status);
  GlobalMemoryStatus(&status);
  return status.dwTotalPhys;
}

// GetModuleFileNameA reports a cut name in different ways on different systems (a count of
// size or size - 1, with or without the NUL), so it reads into a buffer twice the longest path
// and any count that reaches its end is a failure.
uint32_t PlatGetModuleFileName(char* out, uint32_t size) {
  if (size == 0) return 0;
  out[0] = '\0';
  char name[2 * kPathBuffer];
  DWORD length = GetModuleFileNameA(nullptr, name, sizeof(name));
  if (length == 0 || length >= sizeof(name) - 1 || length >= size) return 0;
  CopyMemory(out, name, length);
  out[length] = '\0';
  return length;
}

// The marker resource of a module: the program's own (null) or a program file loaded as data.
static int ReadMarkerResource(HMODULE module, uint8_t out[kPayloadMarkerSize]) {
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(kPayloadMarkerResource), RT_RCDATA);
  if (found == nullptr) return 0;
  DWORD size = SizeofResource(module, found);
  HGLOBAL loaded = LoadResource(module, found);
  if (loaded == nullptr) return 0;
  const void* bytes = LockResource(loaded);
  int ok = bytes != nullptr && size >= kPayloadMarkerSize;
  if (ok) CopyMemory(out, bytes, kPayloadMarkerSize);
  FreeResource(loaded);
  return ok;
}

int PlatReadPayloadMarker(uint8_t out[kPayloadMarkerSize]) {
  return ReadMarkerResource(nullptr, out);
}

int PlatReadProgramMarker(const char* program, uint8_t out[kPayloadMarkerSize]) {
  // As data only: nothing of the program runs, and an image of another processor loads too.
  HMODULE module = LoadLibraryExA(program, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) return 0;
  int ok = ReadMarkerResource(module, out);
  FreeLibrary(module);
  return ok;
}

PlatWindow PlatFindWindow(const char* window_class) {
  return FindWindowA(window_class, nullptr);
}

int PlatSetForegroundWindow(PlatWindow window) {
  return SetForegroundWindow(GetLastActivePopup(static_cast<HWND>(window))) != 0;
}

int PlatModuleLoaded(const char* module_name) {
  return GetModuleHandleA(module_name) != nullptr;
}

PlatDriveType PlatGetDriveType(const char* root) {
  UINT type = GetDriveTypeA(root);
  if (type > kDriveRamDisk) return kDriveUnknown;
  return static_cast<PlatDriveType>(type);
}

// Lowers a cluster count so that clusters times the cluster size fits in 32 bits.
static uint32_t ClampClusters(uint32_t clusters, uint64_t cluster_bytes) {
  uint64_t most = 0xFFFFFFFFull / cluster_bytes;
  return clusters > most ? static_cast<uint32_t>(most) : clusters;
}

int PlatGetDiskFreeSpace(const char* root, PlatDiskSpace* space) {
  DWORD sectors = 0;
  DWORD bytes = 0;
  DWORD free_clusters = 0;
  DWORD total_clusters = 0;
  if (!GetDiskFreeSpaceA(root, &sectors, &bytes, &free_clusters, &total_clusters)) return 0;
  space->sectors_per_cluster = sectors;
  space->bytes_per_sector = bytes;
  space->free_clusters = free_clusters;
  space->total_clusters = total_clusters;
  uint64_t cluster_bytes = static_cast<uint64_t>(sectors) * bytes;
  if (cluster_bytes > 0) {
    space->free_clusters = ClampClusters(free_clusters, cluster_bytes);
    space->total_clusters = ClampClusters(total_clusters, cluster_bytes);
  }
  return 1;
}

uint32_t PlatGetTickCount() {
  return GetTickCount();
}

void PlatSleep(uint32_t milliseconds) {
  Sleep(milliseconds);
}

void PlatGetLocalTime(PlatLocalTime* now) {
  SYSTEMTIME time;
  GetLocalTime(&time);
  now->year = time.wYear;
  now->month = time.wMonth;
  now->day = time.wDay;
  now->hour = time.wHour;
  now->minute = time.wMinute;
  now->second = time.wSecond;
}
