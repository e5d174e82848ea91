// The entry point of SETUP.EXE, in place of a C runtime's start-up: takes the command line from
// Windows, skips the program's name, hands the rest and the instance to the core's SetupMain and
// ends the process with its result.
#include <windows.h>

#include "platform/command_line.h"
#include "platform/program_entry.h"

extern "C" void WINAPI SetupStart() {
  ExitProcess(
      static_cast<UINT>(SetupMain(GetModuleHandleA(nullptr), SkipProgramName(GetCommandLineA()))));
}
