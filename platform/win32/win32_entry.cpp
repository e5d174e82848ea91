// The entry point of SETUP.EXE: hands the instance and the command line (the text after the
// program name) to the core's SetupMain and ends the process with its result.
#include <windows.h>

#include "platform/program_entry.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
  return SetupMain(instance, command_line);
}
