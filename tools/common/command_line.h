// The host tools' command-line parsing with CLI11, and its exit status for a wrong command line.
#pragma once

#include <CLI/CLI.hpp>

const int kUsageStatus = 2;

// Parses the command line: -1 when the tool goes on; otherwise the status to exit with, after
// CLI11 has printed the help (0) or what is wrong (kUsageStatus).
inline int ParseCommandLine(CLI::App& app, int argc, char** argv) {
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& help) {
    return app.exit(help);
  } catch (const CLI::ParseError& error) {
    app.exit(error);
    return kUsageStatus;
  }
  return -1;
}
