// The host tools' warnings, summaries and closing status.
#include "tools/common/tool_report.h"

#include <cstdio>
#include <iostream>

int ReportError(const ToolReport& report, const std::string& message) {
  std::cerr << report.tool << ": " << message << "\n";
  return 1;
}

void ReportWarning(ToolReport* report, const std::string& message) {
  std::cerr << report->tool << ": warning: " << message << "\n";
  ++report->warnings;
}

void ReportLine(const ToolReport& report, int level, const std::string& line) {
  if (report.verbosity >= level) std::cout << line << "\n";
}

bool WarningsStopTheRun(const ToolReport& report) {
  if (!report.warnings_as_errors || report.warnings == 0) return false;
  ReportError(report, "error: " + CountOf(report.warnings, "warning", "warnings") +
                          ", treated as errors (--warnings-as-errors)");
  return true;
}

std::string CountOf(uint64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string SizeSummary(uint64_t entries, uint64_t bytes_in, uint64_t bytes_out) {
  std::string out = CountOf(entries, "entry", "entries") + ", " +
                    CountOf(bytes_in, "byte", "bytes") + " in, " +
                    CountOf(bytes_out, "byte", "bytes") + " out";
  if (bytes_in == 0) return out;
  char ratio[32];
  snprintf(ratio, sizeof ratio, " (%.1f%%)", 100.0 * static_cast<double>(bytes_out) / bytes_in);
  return out + ratio;
}
