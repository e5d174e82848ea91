// The six commands of vntpack. Each prints its faults on standard error, naming the field,
// entry or file, and returns the process exit status: 0 on success, 1 otherwise.
#pragma once

#include <map>
#include <string>

#include "tools/vntpack/update_builder.h"

struct BuildOptions {
  std::string manifest;
  std::string output;
  std::string library;                       // the dunzipnt.dll to store as the first entry
  std::map<std::string, std::string> files;  // entry name -> source, over the manifest's
};
int BuildCommand(const BuildOptions& options);

int AttachCommand(const std::string& program, const std::string& payload,
                  const std::string& marker_text, const std::string& output);

// list, extract and verify read the payload of a stand-alone payload file or of a program
// that carries one, and extract through the dunzipnt.dll at library.
int ListCommand(const std::string& file);
int ExtractCommand(const std::string& file, const std::string& folder, const std::string& library);
int VerifyCommand(const std::string& file, const std::string& library);

// Writes the update's manifest and files (MakeUpdate), reports the warnings on standard error
// and a summary on standard output; with a payload file, builds it too, with the library.
int UpdateCommand(const UpdateOptions& options, const std::string& payload,
                  const std::string& library);
