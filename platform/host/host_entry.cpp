// The host `setup` program: opens the simulated machine named by VNT_MACHINE, turns its
// arguments into the Windows command line (the text after the program name) and runs the
// core's SetupMain on it. Exit status 64 means there was no machine to run on.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/host/host_machine.h"
#include "platform/program_entry.h"

namespace {

const int kNoMachineStatus = 64;

// argv[1..] joined with single blanks; null when out of memory.
char* JoinArguments(int argc, char** argv) {
  size_t size = 1;
  for (int i = 1; i < argc; ++i) size += strlen(argv[i]) + 1;
  char* line = static_cast<char*>(malloc(size));
  if (line == nullptr) return nullptr;
  line[0] = '\0';
  char* at = line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) *at++ = ' ';
    size_t length = strlen(argv[i]);
    memcpy(at, argv[i], length + 1);
    at += length;
  }
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  const char* root = getenv(HOST_MACHINE_VARIABLE);
  struct stat info;
  if (root == nullptr || stat(root, &info) != 0 || !S_ISDIR(info.st_mode)) {
    fprintf(stderr, "setup: set " HOST_MACHINE_VARIABLE
                    " to the directory of a simulated machine (see docs/host-machine.md)\n");
    return kNoMachineStatus;
  }
  char* command_line = JoinArguments(argc, argv);
  if (command_line == nullptr || !HostMachineOpen(root)) {
    fprintf(stderr, "setup: cannot open the simulated machine %s\n", root);
    free(command_line);
    return kNoMachineStatus;
  }
  // The core only passes the instance back to the platform layer; any non-null value serves.
  static char instance;
  int status = SetupMain(&instance, command_line);
  HostMachineClose();
  free(command_line);
  return status;
}
