// The command line: -C, -D, -L file, -M, -P directory, -R, -S, -V and -X file, each a word beginning
// with "-" or "/" and a case-insensitive letter. Only the blank separates words.
#pragma once

// Fills the option fields of g_setup from the text after the program name (null: no change).
// An argument of -P or -X longer than a path field is refused, never shortened: -X then stores
// error 3 (the payload file cannot be opened), -P gives up the run with the invalid-directory
// message.
void ParseOptions(const char* command_line);

// The options that the first step's refusals obey, read before the options themselves: -S (a
// silent run shows nothing) and -L FILE (the log copied to FILE), each before any -P.
void ReadEarlyOptions(const char* command_line);

// The option log lines, in their order, for the options that are set.
void LogOptions();
