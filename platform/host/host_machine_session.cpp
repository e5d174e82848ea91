// Opening and closing the simulated machine. Opening reads machine.ini and the registry;
// closing closes the files, registry keys, atoms, DDE memory and printer left open and resets
// the answer script, the fault plan, the tracked free space, the windows and the drawing record.
#include <sys/stat.h>

#include <cstdlib>

#include "platform/host/host_backend.h"

int HostMachineOpen(const char* root) {
  HostMachineClose();
  char real[kHostPathMax];
  struct stat info;
  if (root == nullptr || realpath(root, real) == nullptr || stat(real, &info) != 0 ||
      !S_ISDIR(info.st_mode) || !HostCopyText(g_machine.root, sizeof g_machine.root, real)) {
    return 0;
  }
  g_machine.open = 1;
  char ini[kHostPathMax];
  if (!HostMachineFile("machine.ini", ini, sizeof ini)) {
    HostMachineClose();
    return 0;
  }
  HostReadMachineIni(ini, &g_machine.info);
  HostLoadRegistry();
  // Mounts are kept as real paths so that the program's own file maps back through them.
  for (HostDrive& drive : g_machine.info.drives) {
    if (drive.mounted && realpath(drive.mount, real) != nullptr) {
      HostCopyText(drive.mount, sizeof drive.mount, real);
    }
  }
  return 1;
}

void HostMachineClose() {
  if (g_machine.open) HostCloseAllFiles();
  HostCloseRegistry();
  HostCloseDde();
  HostClosePrinter();
  g_machine.open = 0;
  g_machine.root[0] = '\0';
  HostMachineDefaults(&g_machine.info);
  g_machine.info_ready = 1;
  HostFaultClear();
  HostFreeReset();
  HostScriptRewind();
  HostForgetListings();
  HostResetWindows();
  HostClearDrawCalls();
}
