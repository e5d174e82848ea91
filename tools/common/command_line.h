// The host tools' command-line parsing with CLI11: the options every tool shares (--version, -q,
// -v and, where a tool warns, --warnings-as-errors), and the exit status of a wrong command line.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "tools/common/tool_report.h"

const int kUsageStatus = 2;

// The release of the host tools, which --version prints.
const char kToolsVersion[] = "1.1";

// --version, -q and -v (whose help says what it adds) on the tool's command line, taken after a
// subcommand as well (each subcommand falls through to them); with warnings,
// --warnings-as-errors too.
inline void AddReportOptions(CLI::App* app, ToolReport* report, const char* verbose_help,
                             bool warnings) {
  app->set_version_flag("--version",
                        report->tool + " (Velnet setup tools) " + std::string(kToolsVersion));
  app->fallthrough();
  CLI::Option* quiet = app->add_flag_callback(
      "-q,--quiet", [report] { report->verbosity = 0; },
      "print only errors and warnings, no summary");
  app->add_flag_callback(
         "-v,--verbose", [report] { report->verbosity = 2; }, verbose_help)
      ->excludes(quiet);
  if (warnings) {
    app->add_flag("--warnings-as-errors", report->warnings_as_errors,
                  "end with status 1, writing no payload, when there is any warning");
  }
}

// Parses the command line: -1 when the tool goes on; otherwise the status to exit with, after
// CLI11 has printed the help or the version (0) or what is wrong (kUsageStatus).
inline int ParseCommandLine(CLI::App& app, int argc, char** argv) {
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& done) {
    return app.exit(done);
  } catch (const CLI::ParseError& error) {
    app.exit(error);
    return kUsageStatus;
  }
  return -1;
}
