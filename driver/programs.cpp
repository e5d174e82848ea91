// RunProgram, CallProductLibrary and RestartWindows. The product library's entry points take
// their argument and return an int, called with the C convention on both targets.
#include "driver/programs.h"

#include <cstdint>

#include "platform/modules.h"
#include "services/paths.h"
#include "services/setup_state.h"

namespace {

typedef int32_t (*DoNotReboot)(int32_t);
typedef int32_t (*InstallVntmac)(PlatWindow);
typedef int32_t (*CheckRebootFlag)();

}  // namespace

PlatProcess RunProgram(const char* path, const char* command_line, int show_state) {
  return PlatCreateProcess(path, command_line, show_state);
}

void CallProductLibrary() {
  char path[kPathBuffer];
  if (JoinPath(path, g_setup.dest_dir, "insmac32.dll", nullptr) == nullptr) return;
  PlatModule library = PlatLoadLibrary(path);
  if (library == nullptr) return;
  int32_t verdict = 0x7FFFFFFF;
  if (PlatProcedure entry = PlatGetProcAddress(library, "do_not_reboot")) {
    verdict = reinterpret_cast<DoNotReboot>(entry)(1);
  }
  if (PlatProcedure entry = PlatGetProcAddress(library, "install_vntmac")) {
    verdict = reinterpret_cast<InstallVntmac>(entry)(g_setup.frame_window);
  }
  if (PlatProcedure entry = PlatGetProcAddress(library, "check_reboot_flag")) {
    verdict = reinterpret_cast<CheckRebootFlag>(entry)();
  }
  if (verdict != 0) g_setup.reboot_requested = 1;
  PlatFreeLibrary(library);
}

void RestartWindows() {
  PlatExitWindows(kExitReboot | kExitForce);
}
