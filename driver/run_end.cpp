// FinishRun and LaunchFollowOn. The success branch is taken when the run was neither given up
// nor stopped; its steps that act on the installation are skipped after a fatal error.
#include "driver/run_end.h"

#include "driver/browser.h"
#include "driver/programs.h"
#include "platform/format.h"
#include "platform/profile.h"
#include "services/errors.h"
#include "services/fatal_report.h"
#include "services/paths.h"
#include "services/rollback.h"
#include "services/setup_state.h"
#include "ui/dialog_ids.h"
#include "ui/dialog_manager.h"
#include "ui/frame_window.h"

namespace {

const int kDialogFollowOn = 219;
const int kDialogDiskFullProgram = 226;
const int kButtonStartFollowOn = 412;
const int kButtonStartDiskFullProgram = 413;
const uint32_t kFollowOnStarted = 32;  // WinExec results below this mean failure

void WriteVersionFile() {
  char path[kPathBuffer];
  if (JoinPath(path, g_setup.dest_dir, "VERSION.INF", nullptr) == nullptr ||
      !KeepCopyBeforeChange(path)) {
    return;
  }
  if (!PlatWritePrivateProfileString("Application Information", "Application", "vnt.exe", path) ||
      !PlatWritePrivateProfileString("Application Information", "Version", g_setup.version_text,
                                     path)) {
    FailWith(kErrorProfileWrite);  // the run is rolled back: the file may be damaged
  }
}

// The completion dialog, then the restart question when a restart is wanted.
void ShowCompletion() {
  if (!g_setup.suppress_finish) {
    int installed = g_setup.follow_on_program[0] == '\0' && g_setup.install_mode;
    ShowDialog(installed ? kDialogInstalled : kDialogUpdated, nullptr);
  }
  if (g_setup.reboot_requested && ShowDialog(kDialogRestart, nullptr) != kButtonOk) {
    g_setup.reboot_requested = 0;
    g_setup.restart_declined = 1;
  }
}

// The closing box of a run that did not finish, in place of dialog 222: nothing in it may say
// that Velnet was installed or updated.
void ShowUnfinished() {
  g_setup.unfinished_shown = 1;
  if (g_setup.rollback_result == 2) {
    unsigned count;
    const char* first = NotRestored(&count);
    ShowError(
        "Setup did not finish, and it could not put back everything it had changed.\n\nThe "
        "file update.log lists what could not be restored: %s%s.",
        first[0] != '\0' ? first : "the setup's journal", count > 1 ? " and more" : "");
    return;
  }
  ShowError("Setup did not finish.\n\nYour computer has been left as it was before Setup started.");
}

void OfferDiskFullProgram() {
  ClearErrorNumber();
  if (ShowDialog(kDialogDiskFullProgram, nullptr) != kButtonStartDiskFullProgram) return;
  char source_dir[kPathBuffer];
  char program[kPathBuffer];
  GetDirectoryPart(source_dir, g_setup.install_file);
  if (!IsRelativeInside(g_setup.disk_full_program) ||
      FormatText(program, sizeof program, "%s\\%s", source_dir, g_setup.disk_full_program) >=
          static_cast<int>(sizeof program) - 1) {
    return;
  }
  PlatProcess process = RunProgram(program, nullptr, kShowNormal);
  if (process != nullptr) PlatCloseProcess(process);
}

}  // namespace

void LaunchFollowOn() {
  for (;;) {
    if (ShowDialog(kDialogFollowOn, nullptr) != kButtonStartFollowOn) {
      g_setup.follow_on_launched = 0;
      return;
    }
    g_setup.follow_on_launched = 1;
    // -P takes the rest of a command line, so the restart request goes in front of it.
    char command[kPathBuffer * 2];
    if (FormatText(command, sizeof command, "%s%s -P %s", g_setup.follow_on_program,
                   g_setup.reboot_requested ? " -R" : "",
                   g_setup.dest_dir) >= static_cast<int>(sizeof command) - 1) {
      g_setup.follow_on_launched = 0;
      return;
    }
    if (PlatWinExec(command, kShow) >= kFollowOnStarted) return;
  }
}

int FinishRun() {
  if (!g_setup.setup_aborted && !g_setup.install_stopped) {
    if (g_setup.error_number == 0) {
      if (g_setup.write_version_file == 1) WriteVersionFile();
      CallProductLibrary();
      int finished = InstallBrowser();
      // The run has made its last change: what it set aside goes, or everything goes back.
      if (g_setup.error_number != 0 || !CommitRun()) RollBackRun();
      if (!finished) return 0;  // Windows ended the session during an installer's wait
    }
    if (g_setup.follow_on_program[0] != '\0' && g_setup.error_number == 0) LaunchFollowOn();
    if (!g_setup.follow_on_launched && g_setup.error_number == 0) ShowCompletion();
  } else if (g_setup.install_mode) {
    if (!g_setup.suppress_finish) ShowUnfinished();
    ClearErrorNumber();
  }
  if (g_setup.offer_disk_full_program) OfferDiskFullProgram();
  return 1;
}

void ReportUnfinishedRun() {
  if (g_setup.rollback_result != 0 && !g_setup.unfinished_shown) ShowUnfinished();
}
