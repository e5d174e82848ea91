// Windows paths of the simulated machine and the host files they stand for. A path is first made
// full and lexical ("C:\DIR\FILE", "." and ".." resolved, never above the drive root, trailing
// dots and blanks of every name dropped as Windows drops them), then each
// component is looked up case-insensitively in the drive's host folder; and back, for the
// program's own file.
#include <sys/stat.h>

#include <cstring>

#include "platform/device_names.h"
#include "platform/host/host_backend.h"

namespace {

int IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// Characters Windows refuses in a file or directory name.
int IsNameCharacter(char c) {
  if (static_cast<unsigned char>(c) < 0x20) return 0;
  return strchr("<>:\"|?*", c) == nullptr;
}

// Applies one component to a full path under construction ("X:\" plus components). Windows
// drops a name's trailing dots and blanks ("A.TXT. " is A.TXT); a component of nothing else is
// no component.
int ApplyComponent(const char* name, size_t length, char* out, size_t size) {
  size_t used = strlen(out);
  if (length == 2 && name[0] == '.' && name[1] == '.') {
    if (used > 3) {
      char* last = strrchr(out, '\\');
      *(last == out + 2 ? last + 1 : last) = '\0';
    }
    return 1;
  }
  length = KeptNameLength(name, length);
  if (length == 0) return 1;
  for (size_t i = 0; i < length; ++i) {
    if (!IsNameCharacter(name[i])) return 0;
  }
  size_t separator = used > 3 ? 1 : 0;
  if (used + separator + length >= size) return 0;
  if (separator) out[used++] = '\\';
  memcpy(out + used, name, length);
  out[used + length] = '\0';
  return 1;
}

int ApplyComponents(const char* text, char* out, size_t size) {
  while (*text != '\0') {
    while (IsSeparator(*text)) ++text;
    const char* start = text;
    while (*text != '\0' && !IsSeparator(*text)) ++text;
    if (!ApplyComponent(start, static_cast<size_t>(text - start), out, size)) return 0;
  }
  return 1;
}

// The on-disk name in dir that matches name without regard to case: the exact name when it
// exists, else the first case-insensitive match in byte order (deterministic). 1 when found.
int FindOnDisk(const char* dir, const char* name, char* found, size_t size) {
  char exact[kHostPathMax];
  struct stat info;
  if (HostCopyText(exact, sizeof exact, dir) && HostAppendText(exact, sizeof exact, "/") &&
      HostAppendText(exact, sizeof exact, name) && lstat(exact, &info) == 0) {
    return HostCopyText(found, size, name);
  }
  return HostFindOnDisk(dir, name, found, size);
}

}  // namespace

int HostFullPath(const char* windows_path, const char* current_dir, char* out, size_t size) {
  if (size > kPathBuffer) size = kPathBuffer;
  if (windows_path == nullptr || windows_path[0] == '\0' || size < 4) return 0;
  out[0] = '\0';
  const char* path = windows_path;
  char drive = HostUpper(current_dir[0]);
  const char* base = current_dir + 2;                          // the current directory's components
  if (IsSeparator(path[0]) && IsSeparator(path[1])) return 0;  // UNC and device paths
  if (path[0] != '\0' && path[1] == ':') {
    char letter = HostUpper(path[0]);
    if (letter < 'A' || letter > 'Z') return 0;
    if (letter != drive) base = "";  // other drives' current directory is their root
    drive = letter;
    path += 2;
  }
  if (IsSeparator(path[0])) base = "";
  out[0] = drive;
  out[1] = ':';
  out[2] = '\\';
  out[3] = '\0';
  if (!ApplyComponents(base, out, size) || !ApplyComponents(path, out, size)) {
    out[0] = '\0';
    return 0;
  }
  return 1;
}

int HostResolvePath(const char* windows_path, HostResolvedPath* out) {
  out->host[0] = '\0';
  if (!HostFullPath(windows_path, HostInfo().current_dir, out->windows, sizeof out->windows) ||
      !HostDriveFolder(out->windows[0] - 'A', out->host, sizeof out->host)) {
    out->windows[0] = '\0';
    return 0;
  }
  // A path whose every component exists as written is its own answer: one look instead of one
  // per component.
  char whole[kHostPathMax];
  struct stat info;
  if (HostCopyText(whole, sizeof whole, out->host) &&
      (out->windows[3] == '\0' || strcmp(whole, "/") == 0 ||
       HostAppendText(whole, sizeof whole, "/")) &&
      HostAppendText(whole, sizeof whole, out->windows + 3)) {
    for (char* c = whole + strlen(out->host); *c != '\0'; ++c) {
      if (*c == '\\') *c = '/';
    }
    if (lstat(whole, &info) == 0) return HostCopyText(out->host, sizeof out->host, whole);
  }
  int exists = 1;
  const char* component = out->windows + 3;
  while (*component != '\0') {
    const char* end = strchr(component, '\\');
    size_t length = end != nullptr ? static_cast<size_t>(end - component) : strlen(component);
    char name[kPathBuffer];
    memcpy(name, component, length);
    name[length] = '\0';
    char on_disk[kPathBuffer];
    exists = exists && FindOnDisk(out->host, name, on_disk, sizeof on_disk);
    int fits = (strcmp(out->host, "/") == 0 || HostAppendText(out->host, sizeof out->host, "/")) &&
               HostAppendText(out->host, sizeof out->host, exists ? on_disk : name);
    if (!fits) {
      out->windows[0] = '\0';
      out->host[0] = '\0';
      return 0;
    }
    component += length;
    if (*component == '\\') ++component;
  }
  return 1;
}

int HostMapPath(const char* windows_path, char* out, size_t size) {
  HostResolvedPath path;
  if (!HostResolvePath(windows_path, &path)) {
    if (size > 0) out[0] = '\0';
    return 0;
  }
  return HostCopyText(out, size, path.host);
}

int HostUnmapPath(const char* host_path, char* out, size_t size) {
  if (size > kPathBuffer) size = kPathBuffer;
  int best_drive = -1;
  size_t best_length = 0;
  for (int drive = 0; drive < kHostDriveCount; ++drive) {
    char folder[kHostPathMax];
    if (!HostDriveFolder(drive, folder, sizeof folder)) continue;
    size_t length = strlen(folder);
    if (strcmp(folder, "/") == 0) {
      length = 0;  // the host root contains every absolute path
    } else if (strncmp(host_path, folder, length) != 0 ||
               (host_path[length] != '/' && host_path[length] != '\0')) {
      continue;
    }
    if (host_path[0] == '/' && (best_drive < 0 || length > best_length)) {
      best_drive = drive;
      best_length = length;
    }
  }
  if (best_drive < 0 || size < 4) return 0;
  out[0] = static_cast<char>('A' + best_drive);
  out[1] = ':';
  out[2] = '\\';
  out[3] = '\0';
  const char* rest = host_path + best_length;
  while (*rest == '/') ++rest;
  size_t used = 3;
  for (; *rest != '\0'; ++rest) {
    if (used + 1 >= size || *rest == '\\') {
      out[0] = '\0';
      return 0;
    }
    out[used++] = *rest == '/' ? '\\' : *rest;
  }
  out[used] = '\0';
  return 1;
}

PlatDriveType HostDriveType(int drive) {
  if (drive < 0 || drive >= kHostDriveCount) return kDriveNoRootDir;
  const HostDrive& entry = HostInfo().drives[drive];
  if (entry.type != kDriveUnknown) return entry.type;
  if (entry.mounted) return kDriveRemote;  // a host directory lent to the machine
  const char* root = HostMachineRoot();
  char folder[kHostPathMax];
  char letter[3] = {'/', static_cast<char>('A' + drive), '\0'};
  struct stat info;
  if (root != nullptr && HostCopyText(folder, sizeof folder, root) &&
      HostAppendText(folder, sizeof folder, letter) && stat(folder, &info) == 0 &&
      S_ISDIR(info.st_mode)) {
    return kDriveFixed;
  }
  return kDriveNoRootDir;
}

int HostDriveFolder(int drive, char* out, size_t size) {
  const char* root = HostMachineRoot();
  if (size > 0) out[0] = '\0';
  if (root == nullptr || HostDriveType(drive) == kDriveNoRootDir) return 0;
  const HostDrive& entry = HostInfo().drives[drive];
  if (entry.mounted) return HostCopyText(out, size, entry.mount);
  char letter[3] = {'/', static_cast<char>('A' + drive), '\0'};
  return HostCopyText(out, size, root) && HostAppendText(out, size, letter);
}

int HostRootDrive(const char* root) {
  if (root == nullptr) return HostInfo().current_dir[0] - 'A';
  char letter = HostUpper(root[0]);
  if (letter < 'A' || letter > 'Z' || root[1] != ':') return -1;
  if (root[2] == '\0' || (IsSeparator(root[2]) && root[3] == '\0')) return letter - 'A';
  return -1;
}
