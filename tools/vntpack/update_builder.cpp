// Building an update from two release trees: the files compared byte by byte, the main
// databases' live records compared by GID and bytes, the header taken from the options and the
// two releases' version records.
#include "tools/vntpack/update_builder.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "database/db_format.h"
#include "tools/common/whole_files.h"
#include "tools/vntdb/record_diff.h"
#include "tools/vntpack/manifest.h"
#include "tools/vntpack/member_archive.h"
#include "tools/vntpack/release_tree.h"
#include "tools/vntpack/update_checks.h"

namespace fs = std::filesystem;

namespace {

const char kMergeEntry[] = "IDB\\MERGE.DB";
const size_t kValueListMax = 64;

bool Fail(std::string* error, const std::string& message) {
  *error = message;
  return false;
}

// The options: the file's sections, then the settings, over a manifest whose library is on.
bool ReadOptions(const UpdateOptions& options, Manifest* manifest, std::string* error) {
  manifest->library = true;
  if (!options.options_file.empty()) {
    std::ifstream file(options.options_file, std::ios::binary);
    if (!file) return Fail(error, options.options_file + ": cannot be read");
    std::string folder = fs::path(options.options_file).parent_path().string();
    if (!ApplyManifestText(file, folder.empty() ? folder : folder + "/", {}, manifest, error)) {
      return Fail(error, options.options_file + ": " + *error);
    }
    if (!manifest->files.empty()) {
      return Fail(error, options.options_file + ": [files] is made from the trees, not given");
    }
  }
  for (const std::string& setting : options.settings) {
    if (!SetHeaderSetting(setting, &manifest->header, error)) {
      return Fail(error, "--set " + setting + ": " + *error);
    }
  }
  if (manifest->header.db_version_stamp != 0) {
    return Fail(error, "db_version_stamp is taken from the new release's version record");
  }
  return true;
}

bool ReadDatabase(const ReleaseTree& tree, std::vector<LiveRecord>* records, std::string* error) {
  uint32_t kind = 0;
  if (!ReadLiveRecords(tree.database, records, &kind, error)) return false;
  if (kind != kDbMainKind) {
    return Fail(error, tree.database + ": of kind " + HexText(kind) + ", not the main database's " +
                           HexText(kDbMainKind));
  }
  return true;
}

const LiveRecord* FindRecord(const std::vector<LiveRecord>& records, uint32_t gid) {
  for (const LiveRecord& record : records) {
    if (record.gid == gid) return &record;
  }
  return nullptr;
}

// Data byte 1 (the build) and byte 2 (the minor version) of a version record, 0 when missing.
void VersionOf(const LiveRecord* record, unsigned* build, unsigned* minor) {
  *build = record != nullptr && record->data.size() > 1 ? static_cast<uint8_t>(record->data[1]) : 0;
  *minor = record != nullptr && record->data.size() > 2 ? static_cast<uint8_t>(record->data[2]) : 0;
}

bool IsVersionText(const std::string& data) {
  if (data.empty() || data.size() > 31) return false;
  for (char c : data) {
    if (c < 0x20 || c > 0x7E) return false;
  }
  return true;
}

// Accepted builds, version stamp and version text from the two releases' records.
bool TakeVersions(const std::vector<LiveRecord>& old_records,
                  const std::vector<LiveRecord>& new_records, PayloadLayout* header,
                  UpdateReport* report, std::string* error) {
  unsigned build = 0;
  unsigned minor = 0;
  VersionOf(FindRecord(old_records, kGidVersion), &build, &minor);
  std::vector<uint16_t> accepted = {static_cast<uint16_t>(minor != 0 ? minor << 8 | build : build)};
  for (uint16_t value : header->accepted_builds) {
    if (std::find(accepted.begin(), accepted.end(), value) == accepted.end()) {
      accepted.push_back(value);
    }
  }
  if (accepted.size() > kValueListMax) return Fail(error, "[accepted_builds]: more than 64 values");
  header->accepted_builds = accepted;
  const LiveRecord* version = FindRecord(new_records, kGidVersion);
  VersionOf(version, &build, &minor);
  if (version != nullptr && version->data.size() > 2) {
    header->db_version_stamp = static_cast<uint16_t>(minor << 8 | build);
  }
  const LiveRecord* text = FindRecord(new_records, kGidVersionText);
  if (header->version_text.empty()) {
    if (text != nullptr && IsVersionText(text->data)) header->version_text = text->data;
  } else if (text == nullptr || text->data != header->version_text) {
    report->warnings.push_back(
        "version_text \"" + header->version_text + "\" is written into the database as GID " +
        HexText(kGidVersionText) + ", which the new release has with other bytes or not at all");
  }
  return true;
}

// Names that are a file in one tree and a folder in the other, which one update cannot turn
// into each other: installing comes before deleting, and neither removes a folder.
bool CheckKinds(const ReleaseTree& old_tree, const ReleaseTree& new_tree, std::string* error) {
  std::map<std::string, std::string> old_files;
  std::map<std::string, std::string> old_folders;
  for (const TreeFile& file : old_tree.files) old_files[UpperName(file.name)] = file.path;
  for (const std::string& folder : old_tree.folders) old_folders[UpperName(folder)] = folder;
  for (const TreeFile& file : new_tree.files) {
    if (old_folders.count(UpperName(file.name)) != 0) {
      return Fail(error, file.path + ": a file where the old release has a folder");
    }
  }
  for (const std::string& folder : new_tree.folders) {
    auto found = old_files.find(UpperName(folder));
    if (found != old_files.end()) {
      return Fail(error, found->second + ": a file where the new release has a folder");
    }
  }
  return true;
}

bool SameBytes(const TreeFile& a, const TreeFile& b, bool* same, std::string* error) {
  std::string left;
  std::string right;
  if (!ReadWholeFile(a.path, &left)) return Fail(error, a.path + ": cannot be read");
  if (!ReadWholeFile(b.path, &right)) return Fail(error, b.path + ": cannot be read");
  *same = left == right;
  return true;
}

int64_t ModifiedSeconds(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? static_cast<int64_t>(info.st_mtime) : 0;
}

// The entry's file under OUTPUT/files, with the source's last-write time (the member's time).
bool CopyEntryFile(const TreeFile& file, const std::string& output, std::string* source,
                   std::string* error) {
  std::string relative = file.name;
  for (char& c : relative) c = c == '\\' ? '/' : c;
  *source = "files/" + relative;
  fs::path target = fs::path(output) / *source;
  std::error_code failure;
  fs::create_directories(target.parent_path(), failure);
  if (!failure) fs::copy_file(file.path, target, fs::copy_options::overwrite_existing, failure);
  if (!failure) fs::last_write_time(target, fs::last_write_time(file.path), failure);
  if (failure)
    return Fail(error, target.string() + ": cannot be written (" + failure.message() + ")");
  return true;
}

bool ListedNoCase(const std::vector<std::string>& list, const std::string& name) {
  for (const std::string& item : list) {
    if (SameNameNoCase(item, name)) return true;
  }
  return false;
}

// The files: entries for every new or changed file (and the guide), deletions for the old
// release's files the new one lacks, subfolders for the new release's new folders.
bool CompareFiles(const ReleaseTree& old_tree, const ReleaseTree& new_tree,
                  const std::string& output, Manifest* manifest, UpdateReport* report,
                  std::string* error) {
  std::map<std::string, const TreeFile*> old_files;
  std::map<std::string, const TreeFile*> new_files;
  for (const TreeFile& file : old_tree.files) old_files[UpperName(file.name)] = &file;
  for (const TreeFile& file : new_tree.files) new_files[UpperName(file.name)] = &file;
  PayloadLayout& header = manifest->header;
  bool guide_found = header.guide_entry.empty();
  for (const TreeFile& file : new_tree.files) {
    std::string upper = UpperName(file.name);
    if (upper == kMergeEntry) {
      return Fail(error, file.path + ": the name of the update's own merge database");
    }
    bool guide = SameNameNoCase(file.name, header.guide_entry);
    guide_found = guide_found || guide;
    auto old_file = old_files.find(upper);
    bool same = false;
    if (old_file != old_files.end() && !SameBytes(*old_file->second, file, &same, error)) {
      return false;
    }
    if (same && !guide) continue;
    if (IsSystemEntry(file.name)) {
      std::string top = UpperName(LastComponent(file.name));
      for (const auto* files : {&old_files, &new_files}) {
        if (files->count(top) != 0) {
          return Fail(error, file.path +
                                 ": the setup extracts a SYSTEM file into the top "
                                 "folder first, where a file of that name belongs to "
                                 "the release");
        }
      }
      if (old_file != old_files.end() && !same &&
          DosTimeOfFile(ModifiedSeconds(file.path)) <=
              DosTimeOfFile(ModifiedSeconds(old_file->second->path))) {
        report->warnings.push_back(file.name +
                                   " changed but is not newer than the old release's copy; the "
                                   "setup keeps a system file that is as new");
      }
    }
    ManifestFile entry = {file.name, std::string()};
    if (!CopyEntryFile(file, output, &entry.source, error)) return false;
    manifest->files.push_back(entry);
    if (old_file == old_files.end()) {
      ++report->files_added;
      report->details.push_back("added    " + file.name);
    } else if (!same) {
      ++report->files_changed;
      report->details.push_back("changed  " + file.name);
    }
  }
  if (!guide_found) {
    return Fail(error, "guide_entry " + header.guide_entry + " names no file of " + new_tree.root);
  }
  for (const TreeFile& file : old_tree.files) {
    if (new_files.count(UpperName(file.name)) != 0) continue;
    if (IsSystemEntry(file.name)) {
      report->warnings.push_back(file.name +
                                 " is gone from the new release; the setup leaves system "
                                 "files in place");
      continue;
    }
    ++report->files_removed;
    report->details.push_back("deleted  " + file.name);
    if (!ListedNoCase(header.dest_deletes, file.name)) header.dest_deletes.push_back(file.name);
  }
  std::map<std::string, bool> old_folders;
  for (const std::string& folder : old_tree.folders) old_folders[UpperName(folder)] = true;
  for (const std::string& folder : new_tree.folders) {
    if (old_folders.count(UpperName(folder)) != 0 || UpperName(folder) == "SYSTEM") continue;
    ++report->folders_added;
    report->details.push_back("folder   " + folder);
    if (!ListedNoCase(header.dest_subdirs, folder)) header.dest_subdirs.push_back(folder);
  }
  return true;
}

// IDB\MERGE.DB of the records that changed, as an entry in its place among the others.
// Its last-write time is merge_time, which makes its member's time (see UpdateOptions).
bool CompareRecords(const std::vector<LiveRecord>& old_records,
                    const std::vector<LiveRecord>& new_records, int64_t merge_time,
                    const std::string& output, Manifest* manifest, UpdateReport* report,
                    std::string* error) {
  std::vector<ChangedRecord> changes = DiffRecords(old_records, new_records);
  for (const ChangedRecord& change : changes) {
    size_t* counts[] = {&report->records_added, &report->records_changed, &report->records_gone};
    ++*counts[change.change];
  }
  for (const std::string& warning : MergeWarnings(changes)) report->warnings.push_back(warning);
  if (report->records_added + report->records_changed == 0) return true;
  std::error_code failure;
  fs::create_directories(fs::path(output) / "files/IDB", failure);
  std::string path = output + "/files/IDB/MERGE.DB";
  struct timespec times[2] = {{static_cast<time_t>(merge_time), 0},
                              {static_cast<time_t>(merge_time), 0}};
  if (failure || !WriteWholeFile(path, BuildDatabase(MergeLayout(changes))) ||
      utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) {
    return Fail(error, path + ": cannot be written");
  }
  report->details.push_back("merge    " + std::string(kMergeEntry) + ", " +
                            std::to_string(report->records_added + report->records_changed) +
                            " records");
  ManifestFile entry = {kMergeEntry, "files/IDB/MERGE.DB"};
  auto place =
      std::find_if(manifest->files.begin(), manifest->files.end(),
                   [](const ManifestFile& f) { return ReleaseOrder(kMergeEntry, f.name); });
  manifest->files.insert(place, entry);
  return true;
}

std::string Summary(const UpdateOptions& options, const UpdateReport& report) {
  std::ostringstream out;
  out << "The update from " << options.old_tree << " to " << options.new_tree
      << ", made by vntpack update.\nBuild it with: vntpack build payload.ini -o UPDATE.PAY "
         "--library DLL (the Win32 dunzipnt.dll)\n"
      << report.files_added << " files added, " << report.files_changed << " changed, "
      << report.files_removed << " removed; " << report.records_added << " records added, "
      << report.records_changed << " changed, " << report.records_gone << " gone\n";
  for (const std::string& warning : report.warnings) out << "warning: " << warning << "\n";
  return out.str();
}

}  // namespace

bool MakeUpdate(const UpdateOptions& options, UpdateReport* report, std::string* error) {
  *report = UpdateReport();
  Manifest manifest;
  if (!ReadOptions(options, &manifest, error)) return false;
  ReleaseTree old_tree;
  ReleaseTree new_tree;
  bool version_file = manifest.header.write_version_file == 1;
  if (!ReadReleaseTree(options.old_tree, version_file, &old_tree, error) ||
      !ReadReleaseTree(options.new_tree, version_file, &new_tree, error) ||
      !CheckKinds(old_tree, new_tree, error)) {
    return false;
  }
  std::vector<LiveRecord> old_records;
  std::vector<LiveRecord> new_records;
  if (!ReadDatabase(old_tree, &old_records, error) ||
      !ReadDatabase(new_tree, &new_records, error)) {
    return false;
  }
  std::error_code failure;
  if (fs::exists(options.output, failure) && !fs::is_empty(options.output, failure)) {
    return Fail(error, options.output + ": not empty; name a new or empty folder");
  }
  fs::create_directories(options.output, failure);
  if (failure) return Fail(error, options.output + ": cannot be made");
  size_t given_deletes = manifest.header.dest_deletes.size();
  int64_t merge_time =
      options.merge_time >= 0 ? options.merge_time : ModifiedSeconds(new_tree.database);
  if (!TakeVersions(old_records, new_records, &manifest.header, report, error) ||
      !CompareFiles(old_tree, new_tree, options.output, &manifest, report, error) ||
      !CompareRecords(old_records, new_records, merge_time, options.output, &manifest, report,
                      error)) {
    return false;
  }
  CheckWhatTheSetupMeets(old_tree, new_tree, manifest.header, given_deletes, &report->warnings);
  if (report->files_added + report->files_changed + report->files_removed + report->records_added +
          report->records_changed + report->records_gone + report->folders_added ==
      0) {
    report->warnings.push_back(
        "the two releases hold the same files, folders and records: the update changes nothing");
  }
  report->entries = manifest.files.size() + (manifest.library ? 1 : 0);
  std::string path = options.output + "/payload.ini";
  if (!WriteWholeFile(path, ManifestText(manifest, Summary(options, *report)))) {
    return Fail(error, path + ": cannot be written");
  }
  Manifest written;
  if (!ReadManifest(path, {}, &written, error)) {
    return Fail(error, path + " does not read back: " + *error);
  }
  return true;
}
