// Other programs the run deals with: starting one (browser installers, the disk-full helper,
// the 16-bit setup), asking the product's optional library insmac32.dll whether Windows must
// restart, and the restart itself.
#pragma once

#include "platform/processes.h"

// Starts the program with the show state; the new process, or null when it did not start. The
// caller waits on it and closes it, or just closes it.
PlatProcess RunProgram(const char* path, const char* command_line, int show_state);

// Loads dest_dir\insmac32.dll when there is one and sets reboot_requested when its verdict says
// so (a library that exports none of its entry points asks for a restart too).
void CallProductLibrary();

// Asks Windows to restart, forcing programs to close; the program ends after this.
void RestartWindows();
