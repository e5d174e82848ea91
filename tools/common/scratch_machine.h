// Scratch space for the host tools: a fresh folder under TMPDIR (or /tmp) removed with
// everything in it when done, and a scratch simulated machine in such a folder on which the
// program's own code runs (its Z: drive is the host's "/", as on every machine by default).
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
