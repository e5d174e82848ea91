// Scratch space for the host tools: a fresh folder under TMPDIR (or /tmp) removed with
// everything in it when done, and a scratch simulated machine in such a folder on which the
// program's own code runs (its Z: drive is the host's "/", as on every machine by default), with
// the Z: path by which that code reaches a host file.
#pragma once

#include <string>

struct ScratchFolder {
  std::string path;  // empty when no folder could be made
  explicit ScratchFolder(const char* prefix);
  ~ScratchFolder();
};

struct ScratchMachine {
  ScratchFolder folder;
  bool open;
  explicit ScratchMachine(const char* prefix);
  ~ScratchMachine();
};

// The host path as a path of the scratch machine's Z: drive ("/a/b" is "Z:\a\b"); false when
// it cannot be made absolute or passes the 259 characters of a path.
bool HostPathOnZ(const std::string& host, std::string* out);
