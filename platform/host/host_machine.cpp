// The open simulated machine: its root directory, its description from machine.ini, and the
// transcript that records what a real system would have shown or done. Opening a machine
// resets the answer script and the fault plan and reads its registry; closing it closes the
// files, registry keys, atoms and DDE memory left open.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "platform/host/host_backend.h"

namespace {

struct Machine {
  int open;
  char root[kHostPathMax];  // the real path of the machine directory
  int info_ready;
  HostMachineInfo info;
};
Machine g_machine;

// root + "/" + name into out; 0 when no machine is open or the path does not fit.
int MachineFile(const char* name, char* out, size_t size) {
  return g_machine.open && HostCopyText(out, size, g_machine.root) &&
         HostAppendText(out, size, "/") && HostAppendText(out, size, name);
}

}  // namespace

const HostMachineInfo& HostInfo() {
  if (!g_machine.info_ready) {
    HostMachineDefaults(&g_machine.info);
    g_machine.info_ready = 1;
  }
  return g_machine.info;
}

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
  if (!MachineFile("machine.ini", ini, sizeof ini)) {
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
  HostScriptRewind();
  HostResetWindows();
  HostClearDrawCalls();
}

const char* HostMachineRoot() {
  return g_machine.open ? g_machine.root : nullptr;
}

void HostTranscript(const char* format, ...) {
  char path[kHostPathMax];
  if (!MachineFile("transcript.txt", path, sizeof path)) return;
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  int length = vsnprintf(nullptr, 0, format, args);
  va_end(args);
  char* line = length >= 0 ? static_cast<char*>(malloc(static_cast<size_t>(length) + 2)) : nullptr;
  if (line != nullptr) {
    vsnprintf(line, static_cast<size_t>(length) + 1, format, again);
    line[length] = '\n';
    int file = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (file >= 0) {
      ssize_t written = write(file, line, static_cast<size_t>(length) + 1);
      (void)written;  // a transcript that cannot be written is no reason to change the run
      close(file);
    }
    free(line);
  }
  va_end(again);
}
