// CheckDiskSpace: the disk-space estimate with its Retry/Cancel question; ChooseDirectory: the
// directory dialogs and the checks on what the user typed.
#include "driver/directory_choice.h"

#include <cstdint>
#include <cstring>

#include "payload/disk_space.h"
#include "search/installation_search.h"
#include "services/errors.h"
#include "services/paths.h"
#include "services/setup_state.h"
#include "ui/dialog_ids.h"
#include "ui/dialog_manager.h"

namespace {

// The drive index of a path's first letter (0 for A:); -1 for a path without a drive letter.
int DriveOf(const char* path) {
  char letter = UpperCaseOf(path[0]);
  return letter >= 'A' && letter <= 'Z' ? letter - 'A' : -1;
}

// The working copy starts as dest_dir; one too long for the dialog's field starts empty.
void ResetWorkingCopy(char* working) {
  working[0] = '\0';
  if (strlen(g_setup.dest_dir) < kEditTextSize) strcpy(working, g_setup.dest_dir);
}

}  // namespace

int CheckDiskSpace() {
  for (;;) {
    uint32_t need = 0;
    int drive = DriveOf(g_setup.dest_dir);
    if (drive >= 0 && EstimateRoomForRun(drive, g_setup.dest_dir, &need)) return 1;
    if (!AskRetryCancel("There is not enough disk space to update Velnet.  At least %lu free "
                        "bytes are required for this update.\n\nTo make more disk space "
                        "available, switch to the Windows Explorer to delete any unnecessary "
                        "files on your hard disk.  Then, return to Setup and select 'Try  "
                        "Again'.\n\nSelecting 'Cancel' will exit Setup.",
                        need)) {
      return 0;
    }
  }
}

int ChooseDirectory(int template_id, const char* text) {
  char working[kEditTextSize];
  ResetWorkingCopy(working);
  for (;;) {
    intptr_t result = ShowEditDialog(template_id, working, text);
    // A dialog that cannot be shown counts as Cancel: nothing was chosen.
    if (result == kButtonCancel || result < 0) return 0;
    if (result == kButtonRestore) {
      ResetWorkingCopy(working);
      continue;
    }
    if (!IsValidDirectoryName(working) || !PathExists(working) || !CheckChosenDirectory(working)) {
      ShowError(
          "You've entered a directory name that is not valid.\n\nPlease check your typing "
          "and try again.");
      continue;
    }
    if (!EstimateRoomForRun(DriveOf(working), working, nullptr)) {
      ShowError(
          "There isn't enough room on the drive you specified to update Velnet.\n\nPlease "
          "make more space available to continue.");
      continue;
    }
    strcpy(g_setup.dest_dir, working);
    return 1;
  }
}
