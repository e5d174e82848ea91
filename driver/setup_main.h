// The run of the setup program from start to end, called by the backend's entry point
// (WinMain on Win32, main on the host) with the command line that follows the program name.
#pragma once

#include "platform/types.h"

// Returns the process exit status: 0 for a run that ended as planned (also a refusal),
// 1 for a run that ended with a fatal error number.
int SetupMain(PlatInstance instance, const char* command_line);
