// CheckHardware and CheckPlatform.
#include "driver/environment_checks.h"

#include <cstring>

#include "driver/programs.h"
#include "platform/system.h"
#include "services/errors.h"
#include "services/paths.h"
#include "services/setup_state.h"
#include "ui/dialog_ids.h"
#include "ui/dialog_manager.h"

namespace {

const uint32_t kPentium = 586;
const uint32_t kLeastMemory = 16000000;
const int kDialogOldMachine = 227;
const int kDialogOtherSetup = 228;
const int kButtonRunOldSetup = 412;
const int kButtonRunSiblingSetup = 414;

const uint32_t kPlatformWin32s = 0;
const uint32_t kPlatformWindowsNt = 2;

// Starts the 16-bit setup at path (not waited for) and gives the run up.
void RunOldSetup(const char* path) {
  PlatProcess process = RunProgram(path, nullptr, kShowNormal);
  if (process != nullptr) PlatCloseProcess(process);
  g_setup.setup_aborted = 1;
}

// Shows one of the two dialogs; the choice that starts the 16-bit setup runs program_path.
void AskAboutOldSetup(int dialog_id, int run_button, const char* program_path) {
  intptr_t result = ShowDialog(dialog_id, nullptr);
  if (result == run_button) {
    RunOldSetup(program_path);
  } else if (result == kButtonCancel) {
    g_setup.setup_aborted = 1;
  }
}

}  // namespace

void CheckHardware() {
  char source_dir[kPathBuffer];
  GetDirectoryPart(source_dir, g_setup.install_file);
  if (PlatGetProcessorType() < kPentium || PlatGetTotalPhysicalMemory() < kLeastMemory) {
    char path[kPathBuffer];
    if (JoinPath(path, source_dir, "VNT31\\SETUP16.EXE", nullptr) == nullptr) path[0] = '\0';
    AskAboutOldSetup(kDialogOldMachine, kButtonRunOldSetup, path);
  }
  if (g_setup.setup_aborted) return;
  // The sibling folder VNT31 of a source folder such as A:\DISK1\ (its last five characters
  // removed); a source folder shorter than that has no sibling, and nothing is started.
  char sibling[kPathBuffer] = "";
  size_t length = strlen(source_dir);
  if (length >= 5 && length - 5 + sizeof "VNT31\\SETUP16.EXE" <= kPathBuffer) {
    memcpy(sibling, source_dir, length - 5);
    strcpy(sibling + length - 5, "VNT31\\SETUP16.EXE");
  }
  AskAboutOldSetup(kDialogOtherSetup, kButtonRunSiblingSetup, sibling);
}

int CheckPlatform() {
  uint32_t platform = PlatGetPlatformId();
  if (platform == kPlatformWin32s) {
    ShowError(
        "This version of Velnet must be installed on\nthe Windows 95 operating system or "
        "higher.");
  } else if (platform == kPlatformWindowsNt) {
    ShowError("This version of Velnet will only run under\nthe Windows 95 operating system.");
  } else {
    return 1;
  }
  g_setup.setup_aborted = 1;
  return 0;
}
