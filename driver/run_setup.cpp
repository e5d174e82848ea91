// RunSetup and InstallUpdate: in install mode the given directory is checked for room and
// installed into; otherwise the installation to update is searched for (or asked for), the
// Welcome dialog offers Update, Review and Exit, and Update installs.
#include "driver/run_setup.h"

#include <cstring>

#include "database/merge.h"
#include "driver/directory_choice.h"
#include "integration/progman_dde.h"
#include "payload/install_files.h"
#include "platform/format.h"
#include "search/installation_search.h"
#include "services/errors.h"
#include "services/own_files.h"
#include "services/paths.h"
#include "services/rollback.h"
#include "services/setup_state.h"
#include "ui/confirmations.h"
#include "ui/dialog_ids.h"
#include "ui/dialog_manager.h"
#include "ui/dialog_procs.h"

namespace {

// Checks the room on the drive and installs; a declined disk-space question gives the run up.
void UpdateAfterDiskCheck() {
  if (!CheckDiskSpace()) {
    g_setup.setup_aborted = 1;
    return;
  }
  InstallUpdate();
}

void WelcomeLoop() {
  for (;;) {
    intptr_t result = ShowDialog(kDialogWelcome, g_setup.welcome_text);
    if (result == kButtonUpdate) {
      UpdateAfterDiskCheck();
      return;
    }
    if (result == kButtonReview) {
      if (ChooseDirectory(kDialogReview, nullptr)) {
        InstallUpdate();
        return;
      }
    } else if (ConfirmExit(nullptr)) {
      return;
    }
  }
}

}  // namespace

void RunSetup() {
  if (g_setup.install_mode) {
    strcpy(g_setup.dest_dir, g_setup.install_dir);
    // A folder that cannot hold the journal is left before anything changes (error 42, logged).
    if (!CheckJournalPlace(g_setup.dest_dir)) return;
    RecoverUnfinishedRun(g_setup.dest_dir);  // a run interrupted there is put back first
    UpdateAfterDiskCheck();
    return;
  }
  if (g_setup.later_disk_marker[0] != '\0') {
    ShowError(
        "This is not the first disk of the setup program.\nPlease insert Disk 1 and run "
        "SETUP.EXE");
    g_setup.setup_aborted = 1;
    g_setup.refused = 1;
    return;
  }
  FindInstallation(g_setup.dest_dir);
  if (g_setup.setup_aborted) return;
  if (g_setup.dest_dir[0] == '\0' && !ChooseDirectory(kDialogNotFound, g_setup.not_found_text)) {
    g_setup.setup_aborted = 1;
    g_setup.nothing_found = 1;
    return;
  }
  WelcomeLoop();
}

int InstallUpdate() {
  if (!InstallFiles()) return 0;
  if (!MergeDatabase()) return 0;
  DeleteListedFiles();
  if (g_setup.item_program[0] != '\0' && g_setup.suppress_finish != 1 &&
      IsRelativeInside(g_setup.item_program)) {
    char command_line[2 * kPathBuffer];
    FormatText(command_line, sizeof command_line, "%s\\%s", g_setup.dest_dir, g_setup.item_program);
    AddProgmanItem(g_setup.group_name, g_setup.item_title, command_line);
  }
  return 1;
}
