// The open simulated machine's record: its root directory, its description from machine.ini,
// and the transcript that records what a real system would have shown or done.
#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "platform/host/host_backend.h"

HostMachineRecord g_machine;

int HostMachineFile(const char* name, char* out, size_t size) {
  return g_machine.open && HostCopyText(out, size, g_machine.root) &&
         HostAppendText(out, size, "/") && HostAppendText(out, size, name);
}

const HostMachineInfo& HostInfo() {
  if (!g_machine.info_ready) {
    HostMachineDefaults(&g_machine.info);
    g_machine.info_ready = 1;
  }
  return g_machine.info;
}

int HostIsTerminal(int descriptor) {
  static int known[3];  // 0: not asked yet, 1: a terminal, 2: not one
  if (descriptor < 0 || descriptor > 2) return isatty(descriptor);
  if (known[descriptor] == 0) known[descriptor] = isatty(descriptor) ? 1 : 2;
  return known[descriptor] == 1;
}

const char* HostMachineRoot() {
  return g_machine.open ? g_machine.root : nullptr;
}

void HostTranscript(const char* format, ...) {
  char path[kHostPathMax];
  if (!HostMachineFile("transcript.txt", path, sizeof path)) return;
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
