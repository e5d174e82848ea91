// Processes on the simulated machine: nothing is started. What Windows would have started, and
// a restart it was asked for, go to the transcript; a program whose file exists on the machine
// counts as started and has ended by the time anyone waits for it.
#include <cstring>

#include "platform/files.h"
#include "platform/host/host_backend.h"
#include "platform/processes.h"

namespace {

// The one token handed out for a started program; it ends at once, so one is enough.
int g_process_token;

int ProgramExists(const char* path) {
  uint32_t attributes = PlatGetFileAttributes(path);
  return attributes != kPlatNoAttributes && (attributes & kAttrDirectory) == 0;
}

}  // namespace

PlatProcess PlatCreateProcess(const char* path, const char* command_line, int show_state) {
  int started = path != nullptr && ProgramExists(path);
  HostTranscript("run-program \"%s\" command=\"%s\" show=%d %s", path != nullptr ? path : "",
                 command_line != nullptr ? command_line : "", show_state,
                 started ? "started" : "not-found");
  return started ? &g_process_token : nullptr;
}

int PlatWaitForProcess(PlatProcess process, uint32_t) {
  return process != nullptr;
}

void PlatCloseProcess(PlatProcess) {}

uint32_t PlatWinExec(const char* command_line, int show_state) {
  // The program is the command line's first word.
  char program[kPathBuffer];
  size_t length = strcspn(command_line, " ");
  int started = length < sizeof program;
  if (started) {
    memcpy(program, command_line, length);
    program[length] = '\0';
    started = ProgramExists(program);
  }
  HostTranscript("winexec \"%s\" show=%d %s", command_line, show_state,
                 started ? "started" : "not-found");
  return started ? 33 : 2;  // 2: ERROR_FILE_NOT_FOUND
}

int PlatExitWindows(uint32_t flags) {
  HostTranscript("exit-windows 0x%X", flags);
  return 1;
}
