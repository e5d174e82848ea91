// The copy of the run's log that -L FILE asks for, written for an administrator's script: the
// date and the command line, the payload's version text once the payload is read, every log
// line as update.log gets it, and the exit status. Without -L nothing is written.
#pragma once

#include <cstdint>

// Makes the copy and writes its heading (the date and the command line); 0 when the copy
// cannot be made (nothing more is tried then). Without -L, 1 and nothing is done.
int StartLogCopy(const char* command_line);

// "Version: ..." with the payload's version text, once the payload header is read.
void CopyLogVersion();

// Appends log text to the copy.
void CopyLogText(const char* text, uint32_t length);

// Ends the copy with the version line (when the payload was never read) and the exit status.
void EndLogCopy(int status);
