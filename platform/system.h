// The machine and the program itself: Windows directory, the program's file and payload marker,
// windows and modules that exist, drives and their free space, and a pause.
//
// Contract: text results go into a caller's buffer of the given size (NUL included) and the
// length is returned; 0 means failure and leaves the buffer empty. A result that does not fit
// is a failure, never a shortened text.
#pragma once

#include <cstdint>

#include "platform/types.h"

// GetWindowsDirectoryA and GetSystemDirectoryA.
uint32_t PlatGetWindowsDirectory(char* out, uint32_t size);
uint32_t PlatGetSystemDirectory(char* out, uint32_t size);

// GetVersionExA's platform id (0 Win32s, 1 Windows 95, 2 Windows NT), GetSystemInfo's
// dwProcessorType (586 for a Pentium) and GlobalMemoryStatus's dwTotalPhys.
uint32_t PlatGetPlatformId();
uint32_t PlatGetProcessorType();
uint32_t PlatGetTotalPhysicalMemory();
// GetModuleFileNameA(NULL): the program's own file, as a Windows path.
uint32_t PlatGetModuleFileName(char* out, uint32_t size);

// The 28-byte payload marker: tag "_DaduZ_" and NUL, 32-bit payload offset, 16-byte marker text.
// On Win32 it is RCDATA resource 100; on the host it lies inside the program file where vntpack
// finds and patches it. Returns 1 and fills out, or 0 when there is no marker.
const uint32_t kPayloadMarkerSize = 28;
int PlatReadPayloadMarker(uint8_t out[kPayloadMarkerSize]);
// The marker resource of another program file (a SETUP.EXE that carries a payload), read as
// Windows reads a module's resources; 0 when the file is no image or holds no marker.
int PlatReadProgramMarker(const char* program, uint8_t out[kPayloadMarkerSize]);

// FindWindowA(class, NULL) and GetModuleHandleA(name) != NULL: 1 when present.
PlatWindow PlatFindWindow(const char* window_class);
// SetForegroundWindow on the window's last active popup (GetLastActivePopup: the window itself
// when it has none), so that a frame brought forward brings its open dialog in front of it.
int PlatSetForegroundWindow(PlatWindow window);
int PlatModuleLoaded(const char* module_name);

// GetDriveTypeA of a root such as "C:\".
enum PlatDriveType {
  kDriveUnknown = 0,
  kDriveNoRootDir = 1,
  kDriveRemovable = 2,
  kDriveFixed = 3,
  kDriveRemote = 4,
  kDriveCdRom = 5,
  kDriveRamDisk = 6
};
PlatDriveType PlatGetDriveType(const char* root);

// GetDiskFreeSpaceA of a root. When the cluster size times the free clusters does not fit in
// 32 bits, free_clusters is lowered so that it does (a big disk never reads as nearly full).
struct PlatDiskSpace {
  uint32_t sectors_per_cluster;
  uint32_t bytes_per_sector;
  uint32_t free_clusters;
  uint32_t total_clusters;
};
int PlatGetDiskFreeSpace(const char* root, PlatDiskSpace* space);

// GetTickCount: milliseconds since a fixed moment, wrapping at 32 bits (the host's monotonic
// clock, which PlatSleep does not advance).
uint32_t PlatGetTickCount();

// Sleep: the program does nothing for that many milliseconds (the host does not wait).
void PlatSleep(uint32_t milliseconds);

// GetLocalTime: the date and time now, on the machine's clock.
struct PlatLocalTime {
  uint16_t year;
  uint16_t month;
  uint16_t day;
  uint16_t hour;
  uint16_t minute;
  uint16_t second;
};
void PlatGetLocalTime(PlatLocalTime* now);
