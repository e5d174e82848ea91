// What a host tool says besides its results, in the manner of the installer compilers: warnings
// on standard error as "TOOL: warning: ...", a closing summary on standard output ("N entries, X
// bytes in, Y bytes out (Z%)"), as much as -q and -v ask for; and the status that
// --warnings-as-errors makes of warnings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct ToolReport {
  std::string tool;   // "vntpack", the prefix of every line on standard error
  int verbosity = 1;  // 0 (-q): errors and warnings only; 1: the summary; 2 (-v): every entry
  bool warnings_as_errors = false;
  size_t warnings = 0;  // given so far
};

// "TOOL: message" on standard error; returns 1, the status of a failed command.
int ReportError(const ToolReport& report, const std::string& message);
// "TOOL: warning: message" on standard error, counted.
void ReportWarning(ToolReport* report, const std::string& message);
// The line on standard output when the verbosity is at least level (1 summary, 2 detail).
void ReportLine(const ToolReport& report, int level, const std::string& line);
// True when warnings were given and count as errors; says so on standard error. The command then
// writes nothing more and ends with status 1.
bool WarningsStopTheRun(const ToolReport& report);

// "1 entry", "2 entries": the count with the word that fits it.
std::string CountOf(uint64_t count, const char* one, const char* many);
// "N entries, X bytes in, Y bytes out (Z%)": the entries, the bytes they hold as installed and
// the bytes written, the last as a share of the first (left out when nothing went in).
std::string SizeSummary(uint64_t entries, uint64_t bytes_in, uint64_t bytes_out);
