// The program's way in: SetupMain, the whole run, which the core defines and the backend's entry
// point (WinMain on Win32, main on the host) calls with the command line that follows the
// program name.
#pragma once

#include "platform/types.h"

// Returns the process exit status: 0 for a run that ended as planned (also a refusal),
// 1 for a run that ended with a fatal error number.
int SetupMain(PlatInstance instance, const char* command_line);
