// FindInstallation, the depth-first drive scan and CheckChosenDirectory. The scan
// pumps messages after every directory, so that Exit in dialog 202 is seen promptly. Each
// directory is enumerated once, asking only for names and the directory attribute: the one
// enumeration tells whether the program file is there and which subdirectories follow, whose
// names wait on a stack shared by the whole walk.
#include "search/installation_search.h"

#include <cstring>

#include "integration/registry_entries.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/profile.h"
#include "platform/system.h"
#include "search/candidate_verdict.h"
#include "services/memory.h"
#include "services/paths.h"
#include "services/setup_state.h"
#include "services/update_log.h"
#include "ui/confirmations.h"
#include "ui/dialog_ids.h"
#include "ui/dialog_manager.h"
#include "ui/dialog_procs.h"

namespace {

const char kProgramFile[] = "DIZI.EXE";

// Dialog 202 while the search shows in it where it looks.
PlatWindow g_search_dialog;

// 1 when directory\idb\main.idx exists: the sign that a recorded location is an installation.
int HasMainIndex(const char* directory) {
  char marker[kPathBuffer];
  return FormatText(marker, sizeof marker, "%s\\idb\\main.idx", directory) <
             static_cast<int>(sizeof marker) - 1 &&
         FileExists(marker);
}

// A location recorded by the client itself (registry or profile): logged, shown and judged.
void CheckRecordedLocation(const char* directory) {
  LogLine("AppPath = %s", directory);
  PlatSetItemText(g_search_dialog, kControlPath, directory);
  CheckCandidate(directory);
}

// The names of subdirectories still to be scanned, one terminated name after another: each
// directory's names above those of the directory that holds it.
struct NameStack {
  char* names;
  uint32_t used;
  uint32_t size;
};
NameStack g_pending;

int PushName(const char* name) {
  uint32_t length = static_cast<uint32_t>(strlen(name)) + 1;
  if (g_pending.used + length > g_pending.size) {
    uint32_t size = g_pending.size == 0 ? 4096 : g_pending.size;
    while (g_pending.used + length > size) {
      if (size > 0x40000000u) return 0;
      size *= 2;
    }
    char* names = static_cast<char*>(AllocBlock(size));
    if (g_pending.used != 0) memcpy(names, g_pending.names, g_pending.used);
    FreeBlock(g_pending.names);
    g_pending.names = names;
    g_pending.size = size;
  }
  memcpy(g_pending.names + g_pending.used, name, length);
  g_pending.used += length;
  return 1;
}

// Reads the directory once: 1 when an entry is named like the program file; its subdirectories
// (not those whose names begin with '.') pushed in the order of enumeration.
int ReadDirectory(const char* directory) {
  char pattern[kPathBuffer];
  if (JoinPath(pattern, directory, "*.*", nullptr) == nullptr) return 0;
  PlatFindData entry;
  PlatFind find = PlatFindFirstNames(pattern, &entry);
  if (find == nullptr) return 0;
  int has_program = 0;
  do {
    if (NamesEqual(entry.name, kProgramFile)) has_program = 1;
    if ((entry.attributes & kAttrDirectory) != 0 && entry.name[0] != '.') PushName(entry.name);
  } while (PlatFindNext(find, &entry));
  PlatFindClose(find);
  return has_program;
}

void ScanDirectory(const char* directory) {
  if (SearchStopRequested()) return;
  PlatSetItemText(g_search_dialog, kControlPath, directory);
  uint32_t first = g_pending.used;
  int found = ReadDirectory(directory) && CheckCandidate(directory);
  PumpMessages();
  // Judged or not, nothing below an installation is looked at.
  for (uint32_t at = first; !found && at < g_pending.used && !SearchStopRequested();) {
    char child[kPathBuffer];
    const char* name = g_pending.names + at;
    at += static_cast<uint32_t>(strlen(name)) + 1;
    if (JoinPath(child, directory, name, nullptr) != nullptr) ScanDirectory(child);
  }
  g_pending.used = first;
}

void ScanFixedDrives() {
  g_best_candidate.path[0] = '\0';
  for (int drive = 0; drive < 26 && !SearchStopRequested(); ++drive) {
    char root[4];
    DriveRoot(drive, root);
    if (PlatGetDriveType(root) == kDriveFixed) ScanDirectory(root);
  }
  FreeBlock(g_pending.names);
  g_pending = NameStack();
}

}  // namespace

int CheckChosenDirectory(const char* directory) {
  g_best_candidate.time = 0;
  return CheckCandidate(directory) && g_best_candidate.time != 0;
}

int FindInstallation(char* out) {
  out[0] = '\0';
  g_search_dialog = OpenModelessDialog(kDialogSearch, SearchDialogProc);
  if (g_search_dialog == nullptr) return 0;
  ClearSearchStopRequest();
  g_best_candidate.time = 0;

  g_best_candidate.path[0] = '\0';
  char recorded[kStatePath];
  if (RegReadString(kRegLocalMachine, kVelnetKey, kAppPathValue, recorded, sizeof recorded) ==
          kRegSuccess &&
      HasMainIndex(recorded)) {
    CheckRecordedLocation(recorded);
  } else {
    // The profile is asked only when the registry named no installation at all.
    PlatGetProfileString("DIZI", "AppPath", "", recorded, sizeof recorded);
    if (recorded[0] != '\0' && HasMainIndex(recorded)) CheckRecordedLocation(recorded);
  }
  if (g_best_candidate.time == 0) ScanFixedDrives();
  CloseModelessDialog(kDialogSearch);

  if (SearchStopRequested()) {
    LogLine("User aborted disk search");
    return 0;
  }
  if (g_best_candidate.time == 0) {
    LogLine("No previous ver found");
    return 0;
  }
  LogLine("Most recent = %s", g_best_candidate.path);
  strcpy(out, g_best_candidate.path);
  return 1;
}
