// RunSetup and InstallUpdate. Install mode runs now; the search for an existing installation,
// the Welcome dialog and the database merge join them as they are built.
#include "driver/run_setup.h"

#include <cstring>

#include "driver/directory_choice.h"
#include "driver/setup_state.h"
#include "payload/install_files.h"

void RunSetup() {
  if (!g_setup.install_mode) return;
  strcpy(g_setup.dest_dir, g_setup.install_dir);
  if (!CheckDiskSpace()) {
    g_setup.setup_aborted = 1;
    return;
  }
  InstallUpdate();
}

int InstallUpdate() {
  if (!InstallFiles()) return 0;
  DeleteListedFiles();
  return 1;
}
