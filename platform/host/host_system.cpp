// The simulated machine as the program sees it: Windows and system directories, platform,
// processor and memory from machine.ini; the program's own file as a Windows path; the window
// classes and modules that "exist"; drive types and free space (tracked when machine.ini asks,
// clamped to 32 bits); a pause that takes no time; the date from the host's clock.
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <ctime>

#include "platform/host/host_backend.h"
#include "platform/system.h"

namespace {

const uintptr_t kFirstWindow = 0x1000;  // window tokens are 0x1000 + the class's index

uint32_t CopyResult(char* out, uint32_t size, const char* text) {
  if (out == nullptr || !HostCopyText(out, size, text)) return 0;
  return static_cast<uint32_t>(strlen(text));
}

// The last component of a module name, with ".DLL" when it names no extension (as
// GetModuleHandleA reads a name).
int ModuleKey(const char* name, char* out, size_t size) {
  const char* base = name;
  for (const char* c = name; *c != '\0'; ++c) {
    if (*c == '\\' || *c == '/' || *c == ':') base = c + 1;
  }
  return HostCopyText(out, size, base) &&
         (strchr(base, '.') != nullptr || HostAppendText(out, size, ".DLL"));
}

// Clusters of cluster_bytes in bytes, lowered so that clusters times cluster_bytes fits 32 bits.
uint32_t Clusters(uint64_t bytes, uint32_t cluster_bytes) {
  uint64_t clusters = bytes / cluster_bytes;
  uint64_t most = UINT32_MAX / cluster_bytes;
  return static_cast<uint32_t>(clusters < most ? clusters : most);
}

}  // namespace

uint32_t PlatGetWindowsDirectory(char* out, uint32_t size) {
  return CopyResult(out, size, HostInfo().windows_dir);
}

uint32_t PlatGetSystemDirectory(char* out, uint32_t size) {
  return CopyResult(out, size, HostInfo().system_dir);
}

uint32_t PlatGetPlatformId() {
  return HostInfo().platform_id;
}
uint32_t PlatGetProcessorType() {
  return HostInfo().processor;
}
uint32_t PlatGetTotalPhysicalMemory() {
  return HostInfo().memory;
}

uint32_t PlatGetModuleFileName(char* out, uint32_t size) {
  char host[kHostPathMax];
  char windows[kPathBuffer];
  ssize_t length = readlink("/proc/self/exe", host, sizeof host);
  if (length > 0 && static_cast<size_t>(length) < sizeof host) host[length] = '\0';
  if (length <= 0 || static_cast<size_t>(length) >= sizeof host ||
      !HostUnmapPath(host, windows, sizeof windows)) {
    if (out != nullptr && size > 0) out[0] = '\0';
    return 0;
  }
  return CopyResult(out, size, windows);
}

PlatWindow PlatFindWindow(const char* window_class) {
  const HostMachineInfo& info = HostInfo();
  for (int i = 0; window_class != nullptr && i < info.class_count; ++i) {
    if (HostSameNoCase(info.classes[i], window_class)) {
      return reinterpret_cast<PlatWindow>(kFirstWindow + static_cast<uintptr_t>(i));
    }
  }
  return nullptr;
}

int HostListedWindow(PlatWindow window) {
  uintptr_t token = reinterpret_cast<uintptr_t>(window);
  if (token < kFirstWindow ||
      token >= kFirstWindow + static_cast<uintptr_t>(HostInfo().class_count)) {
    return -1;
  }
  return static_cast<int>(token - kFirstWindow);
}

int PlatSetForegroundWindow(PlatWindow window) {
  int listed = HostListedWindow(window);
  if (listed < 0) return 0;
  HostTranscript("set-foreground \"%s\"", HostInfo().classes[listed]);
  return 1;
}

int PlatModuleLoaded(const char* module_name) {
  const HostMachineInfo& info = HostInfo();
  char wanted[kHostNameMax];
  if (module_name == nullptr || !ModuleKey(module_name, wanted, sizeof wanted)) return 0;
  for (int i = 0; i < info.module_count; ++i) {
    char listed[kHostNameMax];
    if (ModuleKey(info.modules[i], listed, sizeof listed) && HostSameNoCase(listed, wanted)) {
      return 1;
    }
  }
  return 0;
}

PlatDriveType PlatGetDriveType(const char* root) {
  int drive = HostRootDrive(root);
  return drive < 0 ? kDriveNoRootDir : HostDriveType(drive);
}

int PlatGetDiskFreeSpace(const char* root, PlatDiskSpace* space) {
  int drive = HostRootDrive(root);
  char folder[kHostPathMax];
  struct statvfs host;
  if (drive < 0 || !HostDriveFolder(drive, folder, sizeof folder) || statvfs(folder, &host) != 0) {
    return 0;
  }
  const HostDrive& entry = HostInfo().drives[drive];
  uint64_t free_bytes =
      entry.has_free ? entry.free_bytes : static_cast<uint64_t>(host.f_bavail) * host.f_frsize;
  HostFreeBytes(drive, &free_bytes);
  uint64_t total_bytes =
      entry.has_total ? entry.total_bytes : static_cast<uint64_t>(host.f_blocks) * host.f_frsize;
  if (total_bytes < free_bytes) total_bytes = free_bytes;
  space->bytes_per_sector = 512;
  space->sectors_per_cluster = entry.cluster_bytes / 512;
  space->free_clusters = Clusters(free_bytes, entry.cluster_bytes);
  space->total_clusters = Clusters(total_bytes, entry.cluster_bytes);
  return 1;
}

uint32_t PlatGetTickCount() {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000 +
                               static_cast<uint64_t>(now.tv_nsec) / 1000000);
}

void PlatSleep(uint32_t) {}

void PlatGetLocalTime(PlatLocalTime* now) {
  time_t seconds = time(nullptr);
  struct tm local = {};
  localtime_r(&seconds, &local);
  now->year = static_cast<uint16_t>(local.tm_year + 1900);
  now->month = static_cast<uint16_t>(local.tm_mon + 1);
  now->day = static_cast<uint16_t>(local.tm_mday);
  now->hour = static_cast<uint16_t>(local.tm_hour);
  now->minute = static_cast<uint16_t>(local.tm_min);
  now->second = static_cast<uint16_t>(local.tm_sec);
}
