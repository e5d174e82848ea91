// The update builder: from two release trees of the client, the manifest and files of the
// update payload that turns an installation of the old release into the new one
// (docs/update-builder.md).
#pragma once

#include <string>
#include <vector>

struct UpdateOptions {
  std::string old_tree;
  std::string new_tree;
  std::string output;                 // the folder to write: new or empty
  std::string options_file;           // a manifest of [header] fields and lists; may be empty
  std::vector<std::string> settings;  // FIELD=VALUE for [header], applied after the file
};

struct UpdateReport {
  size_t files_added = 0, files_changed = 0, files_removed = 0;
  size_t records_added = 0, records_changed = 0, records_gone = 0;
  size_t entries = 0;  // [files] lines of the manifest written
  // What the update will not make as the new release has it, one line each.
  std::vector<std::string> warnings;
};

// Writes OUTPUT/payload.ini and the files it names under OUTPUT/files (IDB/MERGE.DB among them
// when records changed). False with a message naming the file or the option at fault.
bool MakeUpdate(const UpdateOptions& options, UpdateReport* report, std::string* error);
