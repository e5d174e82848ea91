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
#include "services/setup_state.h"
#include "services/update_log.h"
#include "ui/frame_window.h"

namespace {

// Another setup already showing its frame, or the client running, ends the run at once.
int AnotherProgramRunning() {
  PlatWindow other_setup = PlatFindWindow("_VNTSETUP_Frame");
  if (other_setup != nullptr) {
    PlatSetForegroundWindow(other_setup);
    return 1;
  }
  if (PlatFindWindow("VNT Frame") != nullptr || PlatFindWindow("VNT Frame25") != nullptr ||
      PlatModuleLoaded("DIZI.EXE")) {
    ShowError("Please exit Velnet before running the Setup program.");
    return 1;
  }
  return 0;
}

}  // namespace

int SetupMain(PlatInstance instance, const char* command_line) {
  ResetSetupState();
  if (AnotherProgramRunning()) return 0;

  g_setup.instance = instance;
  PlatGetWindowsDirectory(g_setup.windows_dir, kStatePath);
  ParseOptions(command_line);
  LogOptions();
  RegisterDdeClientClass();

  int started = g_setup.error_number == 0 && OpenPayload() && ReadPayloadHeader() &&
                CreateFrameWindow(g_setup.frame_title);
  if (started) {
    if (g_setup.check_hardware) CheckHardware();
    if (g_setup.ie_build_required != 0 && g_setup.ie_installers.count == 0) {
      CheckBrowserPrerequisite();
    }
    if (CheckPlatform() && !g_setup.setup_aborted) RunSetup();
  } else if (g_setup.error_number == 0) {
    // The OLE check failed: its message box told the user, and the run goes no further.
    g_setup.setup_aborted = 1;
  }
  ClosePayload();
  DeleteLeftArchives();
  if (!FinishRun()) {
    FlushLog();  // Windows is ending the session: the log is all that is still written
    return 0;
  }
  DestroyFrameWindow();

  LogLine("Peak handles = %u", static_cast<unsigned>(g_setup.peak_blocks));
  ReportFatalError();
  FlushLog();
  UnregisterDdeClientClass();
  ReleasePayloadHeader();
  if (!g_setup.follow_on_launched && g_setup.reboot_requested) RestartWindows();
  return g_setup.error_number != 0 ? 1 : 0;
}
