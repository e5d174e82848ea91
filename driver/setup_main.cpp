// SetupMain: the run from the single-instance test to the final log: the start-up chain (the
// payload and the frame window), the interactive part with the installation, and the ending.
// Between the two come the tests of the machine.
#include "platform/program_entry.h"

#include "driver/browser.h"
#include "driver/environment_checks.h"
#include "driver/options.h"
#include "driver/programs.h"
#include "driver/run_end.h"
#include "driver/run_setup.h"
#include "integration/progman_dde.h"
#include "payload/install_files.h"
#include "payload/payload_reader.h"
#include "platform/system.h"
#include "services/errors.h"
#include "services/fatal_report.h"
#include "services/log_copy.h"
#include "services/rollback.h"
#include "services/setup_state.h"
#include "services/update_log.h"
#include "ui/frame_window.h"

namespace {

// Another setup already showing its frame, or the client running, ends the run at once. A
// silent run shows nothing and says why in c:\update.log, written at once as in crash mode.
int AnotherProgramRunning() {
  PlatWindow other_setup = PlatFindWindow("_VNTSETUP_Frame");
  int client = other_setup == nullptr &&
               (PlatFindWindow("VNT Frame") != nullptr ||
                PlatFindWindow("VNT Frame25") != nullptr || PlatModuleLoaded("DIZI.EXE"));
  if (other_setup == nullptr && !client) return 0;
  if (g_setup.silent) g_setup.crash_mode = 1;
  if (other_setup == nullptr) {
    ShowError("Please exit Velnet before running the Setup program.");
  } else if (g_setup.silent) {
    LogLine("Another setup is running; nothing was done");
  } else {
    PlatSetForegroundWindow(other_setup);
  }
  if (g_setup.silent) FlushLog();
  return 1;
}

// The exit status, past the refusals of the first step (0, or 9 in a silent run):
// 0 updated or installed; 1 could not start (a fatal error, or a bad directory, before anything
// changed); 2 the user left before anything changed; 3 refused by a test of the machine or the
// later-disk check; 4 failed during the installation, rolled back (also a silent run's Cancel);
// 5 cancelled by the user during the installation, rolled back; 6 the rollback could not
// finish; 7 updated, but the restart it needs was declined; 8 nothing to update: no
// installation this update accepts was found, and none was chosen instead.
int ExitStatus() {
  int failed = g_setup.error_number != 0 || g_setup.cleared_error != 0;
  int stopped = g_setup.setup_aborted || g_setup.install_stopped;
  if (g_setup.rollback_result == 2) return 6;  // also an earlier run's, found unfinished
  if (g_setup.changes_begun) {
    // A silent run's Cancel was no user's choice: the run failed.
    if (g_setup.rollback_result == 1) return stopped && !g_setup.silent ? 5 : 4;
    if (failed || stopped) return 6;
    return g_setup.restart_declined ? 7 : 0;
  }
  if (failed || g_setup.not_started) return 1;
  if (g_setup.refused) return 3;
  if (g_setup.nothing_found) return 8;
  return stopped ? 2 : 0;
}

// The run's last word: the exit status, also written to the -L copy of the log.
int EndRun(int status) {
  EndLogCopy(status);
  return status;
}

}  // namespace

int SetupMain(PlatInstance instance, const char* command_line) {
  ResetSetupState();
  ReadEarlyOptions(command_line);
  if (!StartLogCopy(command_line)) LogLine("Cannot copy the log to %s", g_setup.log_copy_path);
  // A silent run says that it was not run (9); an interactive one keeps 0.
  if (AnotherProgramRunning()) return EndRun(g_setup.silent ? 9 : 0);

  g_setup.instance = instance;
  PlatGetWindowsDirectory(g_setup.windows_dir, kStatePath);
  ParseOptions(command_line);
  g_setup.not_started = g_setup.setup_aborted;
  LogOptions();
  RegisterDdeClientClass();

  int read = g_setup.error_number == 0 && OpenPayload() && ReadPayloadHeader();
  if (read) CopyLogVersion();
  int started = read && CreateFrameWindow(g_setup.frame_title);
  if (started) {
    if (g_setup.check_hardware) CheckHardware();
    if (g_setup.ie_build_required != 0 && g_setup.ie_installers.count == 0) {
      CheckBrowserPrerequisite();
    }
    int accepted = CheckPlatform() && !g_setup.setup_aborted;
    g_setup.refused = !accepted && !g_setup.not_started;
    if (accepted) RunSetup();
  } else if (g_setup.error_number == 0) {
    // The OLE check failed: its message box told the user, and the run goes no further.
    g_setup.setup_aborted = 1;
    g_setup.refused = !g_setup.not_started;
  }
  ClosePayload();
  DeleteLeftArchives();
  // A run that failed or was given up after the installation began puts everything back.
  if (g_setup.error_number != 0 || g_setup.install_stopped || g_setup.setup_aborted) {
    RollBackRun();
  }
  if (!FinishRun()) {
    FlushLog();  // Windows is ending the session: the log is all that is still written
    return EndRun(0);
  }
  DestroyFrameWindow();

  LogLine("Peak handles = %u", static_cast<unsigned>(g_setup.peak_blocks));
  ReportFatalError();
  ReportUnfinishedRun();
  FlushLog();
  UnregisterDdeClientClass();
  ReleasePayloadHeader();
  int status = EndRun(ExitStatus());  // before a restart ends the process
  if (!g_setup.follow_on_launched && g_setup.reboot_requested) RestartWindows();
  return status;
}
