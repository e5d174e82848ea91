// The update's warnings about the setup's search, its Program Manager item and its patterns. The
// patterns are matched by the setup's own code: the preserve test it installs by, and the file
// search (FindFirstFile) its renames and deletions use, on a scratch machine whose Z: drive
// shows the release trees.
#include "tools/vntpack/update_checks.h"

#include "payload/destination.h"
#include "platform/files.h"
#include "services/paths.h"
#include "services/payload_header.h"
#include "tools/common/scratch_machine.h"
#include "tools/vntpack/manifest.h"

namespace {

const char kProgramFile[] = "DIZI.EXE";  // the file by which the drive scan knows a release

bool HasFile(const ReleaseTree& tree, const std::string& name) {
  for (const TreeFile& file : tree.files) {
    if (SameNameNoCase(file.name, name)) return true;
  }
  return false;
}

// Whether the setup's file search finds a file (not a folder) for pattern in the tree's folder.
bool SearchFindsFile(const ReleaseTree& tree, const std::string& pattern) {
  std::string root;
  char path[kPathBuffer];
  if (!HostPathOnZ(tree.root, &root) ||
      JoinPath(path, root.c_str(), pattern.c_str(), nullptr) == nullptr) {
    return false;
  }
  PlatFindData found;
  PlatFind find = PlatFindFirst(path, &found);
  if (find == nullptr) return false;
  bool file = (found.attributes & kAttrDirectory) == 0;
  while (!file && PlatFindNext(find, &found)) file = (found.attributes & kAttrDirectory) == 0;
  PlatFindClose(find);
  return file;
}

// Whether the preserve pattern keeps a file of the tree, by the setup's own preserve test run on
// a carry-over list of that one pattern.
bool PreservesFile(const ReleaseTree& tree, const std::string& pattern) {
  std::string first = pattern;
  char empty[1] = {'\0'};
  char* firsts[1] = {&first[0]};
  char* seconds[1] = {empty};
  PairList kept = g_payload.carry_over;
  g_payload.carry_over = {1, firsts, seconds};
  bool preserved = false;
  for (const TreeFile& file : tree.files) preserved = preserved || IsPreserved(file.name.c_str());
  g_payload.carry_over = kept;
  return preserved;
}

void CheckSearch(const ReleaseTree& old_tree, const ReleaseTree& new_tree,
                 std::vector<std::string>* warnings) {
  if (!HasFile(old_tree, kProgramFile)) {
    warnings->push_back(old_tree.root +
                        " has no DIZI.EXE at its top, the file by which the setup's drive scan "
                        "finds an installation: this update finds it only through its \"AppPath\" "
                        "entries (registry or win.ini) or with -P");
  }
  if (!HasFile(new_tree, kProgramFile)) {
    warnings->push_back(new_tree.root +
                        " has no DIZI.EXE at its top, the file by which the setup's drive scan "
                        "finds an installation: once installed, the next update finds it only "
                        "through its \"AppPath\" entries (registry or win.ini) or with -P");
  }
}

void CheckItemProgram(const ReleaseTree& new_tree, const std::string& program,
                      std::vector<std::string>* warnings) {
  if (program.empty() || (HasFile(new_tree, program) && !IsSystemEntry(program))) return;
  warnings->push_back("item_program " + program + " names no file of " + new_tree.root +
                      ": the Program Manager item would start nothing");
}

void CheckPatterns(const ReleaseTree& old_tree, const ReleaseTree& new_tree,
                   const PayloadLayout& header, size_t given_deletes,
                   std::vector<std::string>* warnings) {
  if (header.carry_over.empty() && given_deletes == 0) return;
  ScratchMachine machine("vntpack-machine");
  for (const auto& pair : header.carry_over) {
    const std::string& pattern = pair.first;
    if (pair.second.empty()) {
      if (!PreservesFile(old_tree, pattern) && !PreservesFile(new_tree, pattern)) {
        warnings->push_back("[carry_over] " + pattern +
                            " matches no file of either release; it keeps only a file the client "
                            "makes itself");
      }
    } else if (!IsRelativeInside(pattern.c_str())) {
      warnings->push_back("[carry_over] " + pattern +
                          " leads out of the installation; the setup renames nothing by it");
    } else if (machine.open && !SearchFindsFile(old_tree, pattern)) {
      warnings->push_back("[carry_over] " + pattern + " = " + pair.second +
                          " finds no file of the old release; it renames only a file the "
                          "client makes itself");
    }
  }
  for (size_t i = 0; i < given_deletes && i < header.dest_deletes.size(); ++i) {
    const std::string& pattern = header.dest_deletes[i];
    if (!IsRelativeInside(pattern.c_str())) {
      warnings->push_back("[dest_deletes] " + pattern +
                          " leads out of the installation; the setup passes over it");
    } else if (machine.open && !SearchFindsFile(old_tree, pattern) &&
               !SearchFindsFile(new_tree, pattern)) {
      warnings->push_back("[dest_deletes] " + pattern +
                          " matches no file of either release; it deletes only files the client "
                          "makes itself");
    }
  }
}

}  // namespace

void CheckWhatTheSetupMeets(const ReleaseTree& old_tree, const ReleaseTree& new_tree,
                            const PayloadLayout& header, size_t given_deletes,
                            std::vector<std::string>* warnings) {
  CheckSearch(old_tree, new_tree, warnings);
  CheckItemProgram(new_tree, header.item_program, warnings);
  CheckPatterns(old_tree, new_tree, header, given_deletes, warnings);
}
