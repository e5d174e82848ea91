// The update log, update.log: one escaped ASCII line per LogLine call, ended by CR LF. Lines
// are collected in memory and written by FlushLog (into dest_dir, or c:\update.log after a
// fatal error); in crash mode each line goes to c:\update.log at once.
#pragma once

#include <cstdint>

// Formats (wsprintfA-style, cut at 511 characters), escapes and records one line. Never fails
// visibly: a line that cannot be stored or written is lost.
void LogLine(const char* format, ...);

// Writes the collected lines to the chosen file and releases the buffer; closes the crash-mode
// file. The first write of a run starts the file afresh, later ones append.
void FlushLog();

// Escapes text into out (capacity bytes): printable ASCII as itself, line feed as \n, carriage
// return as \r, any other byte as a backslash and three decimal digits. Stops before an escape
// that would not fit together with the NUL; returns the length written.
uint32_t EscapeLogText(const char* text, char* out, uint32_t capacity);
