// The update builder: from two release trees of the client, the manifest and files of the
// update payload that turns an installation of the old release into the new one
// (docs/update-builder.md).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct UpdateOptions {
  std::string old_tree;
  std::string new_tree;
  std::string output;                 // the folder to write: new or empty
  std::string options_file;           // a manifest of [header] fields and lists; may be empty
  std::vector<std::string> settings;  // FIELD=VALUE for [header], applied after the file
  // The last-write time given to IDB\MERGE.DB, and so its member's time, in seconds since 1970
  // (SOURCE_DATE_EPOCH); -1: the time of the new release's IDB\MAIN.IDX, which it is made from.
  int64_t merge_time = -1;
};

struct UpdateReport {
  size_t files_added = 0, files_changed = 0, files_removed = 0;
  size_t records_added = 0, records_changed = 0, records_gone = 0;
  size_t folders_added = 0;
  size_t entries = 0;  // the entries of the payload the manifest makes, the library included
  // What the update will not make as the new release has it, and what its runs of the setup
  // will not find or match, one line each.
  std::vector<std::string> warnings;
  std::vector<std::string> details;  // every file added, changed, deleted, every folder added
};

// Writes OUTPUT/payload.ini and the files it names under OUTPUT/files (IDB/MERGE.DB among them
// when records changed). The same trees and options give the same files and times. False with a
// message naming the file or the option at fault.
bool MakeUpdate(const UpdateOptions& options, UpdateReport* report, std::string* error);
