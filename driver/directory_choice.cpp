// CheckDiskSpace: the disk-space estimate with its Retry/Cancel question.
#include "driver/directory_choice.h"

#include <cstdint>

#include "driver/errors.h"
#include "driver/setup_state.h"
#include "payload/disk_space.h"
#include "payload/paths.h"

namespace {

// The drive index of dest_dir's first letter (0 for A:); -1 for a path without a drive letter.
int DestinationDrive() {
  char letter = UpperCaseOf(g_setup.dest_dir[0]);
  return letter >= 'A' && letter <= 'Z' ? letter - 'A' : -1;
}

}  // namespace

int CheckDiskSpace() {
  for (;;) {
    uint32_t need = 0;
    int drive = DestinationDrive();
    if (drive >= 0 && EstimateDiskSpace(drive, g_setup.dest_dir, &need)) return 1;
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
