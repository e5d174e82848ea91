// The six commands of vntpack. Each prints its faults on standard error, naming the field,
// entry or file, its warnings there too and its summary on standard output (as loud as the
// report asks), and returns the process exit status: 0 on success, 1 otherwise (warnings
// included when they count as errors).
#pragma once

#include <map>
#include <string>

#include "tools/common/tool_report.h"
#include "tools/vntpack/update_builder.h"

struct BuildOptions {
  std::string manifest;
  std::string output;
  // The dunzipnt.dll to store as the first entry (with "library = yes"): a Win32 DLL for
  // SETUP.EXE, or with for_host the host's own library for the host setup.
  std::string library;
  bool for_host = false;
  std::map<std::string, std::string> files;  // entry name -> source, over the manifest's
};
int BuildCommand(const BuildOptions& options, ToolReport* report);

struct AttachOptions {
  std::string program;
  std::string payload;
  std::string marker_text;
  std::string output;
};
int AttachCommand(const AttachOptions& options, const ToolReport& report);

// list, extract and verify read the payload of a stand-alone payload file or of a program
// that carries one, and extract through the host dunzipnt.dll at library. verify also checks the
// stored dunzipnt.dll against the program that carries it, or against SETUP.EXE for a
// stand-alone payload (the host setup with for_host).
int ListCommand(const std::string& file, const ToolReport& report);
int ExtractCommand(const std::string& file, const std::string& folder, const std::string& library,
                   const ToolReport& report);
int VerifyCommand(const std::string& file, const std::string& library, bool for_host,
                  ToolReport* report);

// Writes the update's manifest and files (MakeUpdate), reports the warnings on standard error
// and a summary on standard output; with a payload file (build.output), builds it too.
int UpdateCommand(const UpdateOptions& options, const BuildOptions& build, ToolReport* report);
