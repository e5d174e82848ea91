// The command line as the program receives it: Windows hands a process its whole command line,
// program name included, and the program's options are what follows that name.
#pragma once

// The text behind the program's name in line: a name that begins with a double quote runs to
// the closing quote (or the end), any other name to the first character at or below the blank;
// every character at or below the blank after it is skipped too. Points into line.
const char* SkipProgramName(const char* line);
