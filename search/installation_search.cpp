// FindInstallation, the depth-first drive scan and CheckChosenDirectory. The scan
// pumps messages after every directory, so that Exit in dialog 202 is seen promptly.
#include "search/installation_search.h"

#include <cstring>

#include "integration/registry_entries.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/profile.h"
#include "platform/system.h"
#include "search/candidate_verdict.h"
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

void ScanDirectory(const char* directory) {
  if (SearchStopRequested()) return;
  PlatSetItemText(g_search_dialog, kControlPath, directory);
  char program[kPathBuffer];
  int found = JoinPath(program, directory, kProgramFile, nullptr) != nullptr &&
              FileExists(program) && CheckCandidate(directory);
  PumpMessages();
  if (found) return;  // judged or not, nothing below an installation is looked at

  char pattern[kPathBuffer];
  if (JoinPath(pattern, directory, "*.*", nullptr) == nullptr) return;
  PlatFindData entry;
  PlatFind find = PlatFindFirst(pattern, &entry);
  if (find == nullptr) return;
  do {
    if ((entry.attributes & kAttrDirectory) == 0 || entry.name[0] == '.') continue;
    char child[kPathBuffer];
    if (JoinPath(child, directory, entry.name, nullptr) != nullptr) ScanDirectory(child);
  } while (!SearchStopRequested() && PlatFindNext(find, &entry));
  PlatFindClose(find);
}

void ScanFixedDrives() {
  g_best_candidate.path[0] = '\0';
  for (char letter = 'A'; letter <= 'Z' && !SearchStopRequested(); ++letter) {
    char root[4];
    FormatText(root, sizeof root, "%c:\\", letter);
    if (PlatGetDriveType(root) == kDriveFixed) ScanDirectory(root);
  }
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
