// PrepareDestDir, CarryOverFiles and IsPreserved, with their log lines. None of them reports a
// failure to the user: the log tells what happened. What they create or move is journalled.
#include "payload/destination.h"

#include <cstring>

#include "platform/files.h"
#include "services/own_files.h"
#include "services/paths.h"
#include "services/payload_header.h"
#include "services/rollback.h"
#include "services/setup_state.h"
#include "services/update_log.h"

namespace {

// The new name of a found file: a replacement "*.EXT" gives the found name that extension (a
// name without a dot keeps its name); any other replacement is the new name itself. Returns 0
// when the result does not fit or is not a plain name (it must not lead out of its directory).
int ReplacedName(const char* found, const char* replacement, char* out) {
  if (strpbrk(replacement, "\\/:") != nullptr) return 0;
  if (replacement[0] != '*') return JoinPath(out, replacement, nullptr) != nullptr;
  const char* dot = strchr(found, '.');
  if (dot == nullptr) return JoinPath(out, found, nullptr) != nullptr;
  size_t kept = static_cast<size_t>(dot - found) + 1;
  const char* extension = replacement[1] != '\0' ? replacement + 2 : replacement + 1;
  if (kept + strlen(extension) >= kPathBuffer) return 0;
  memcpy(out, found, kept);
  strcpy(out + kept, extension);
  return 1;
}

// Moves one found file to its new name. Source and target naming the same file is left alone:
// deleting the target first would delete the only copy.
void RenameFound(const char* source_dir, const char* subdir, const char* found,
                 const char* replacement) {
  char name[kPathBuffer];
  char source[kPathBuffer];
  char target[kPathBuffer];
  // The program's own files (the journal, what it set aside) are never renamed, nor renamed onto.
  if (IsProgramFileName(found) || !ReplacedName(found, replacement, name) ||
      IsProgramFileName(name) || JoinPath(source, source_dir, subdir, found, nullptr) == nullptr ||
      JoinPath(target, g_setup.dest_dir, subdir, name, nullptr) == nullptr) {
    LogLine("Rename failed");
    return;
  }
  LogLine("Rename: %s -> %s", source, target);
  if (NamesEqual(source, target)) return;
  if (!SetAsideBeforeReplace(target) || !MoveJournalled(source, target)) LogLine("Rename failed");
}

void CarryOverPair(const char* pattern, const char* replacement) {
  const char* source_dir = g_setup.merge_dir[0] != '\0' ? g_setup.merge_dir : g_setup.dest_dir;
  char subdir[kPathBuffer];
  char wanted[kPathBuffer];
  if (!IsRelativeInside(pattern)) {
    LogLine("Rename failed");
    return;
  }
  GetDirectoryPart(subdir, pattern);
  if (JoinPath(wanted, source_dir, pattern, nullptr) == nullptr) return;
  PlatFindData found;
  PlatFind find = PlatFindFirst(wanted, &found);
  if (find == nullptr) return;
  do {
    if ((found.attributes & kAttrDirectory) != 0) continue;  // "." and ".." included
    RenameFound(source_dir, subdir, found.name, replacement);
  } while (PlatFindNext(find, &found));
  PlatFindClose(find);
}

int SameShortPart(const char* pattern_part, const char* name_part) {
  return pattern_part[0] == '*' || NamesEqual(pattern_part, name_part);
}

int MatchesPreservePattern(const char* pattern, const char* name) {
  char pattern_dir[kPathBuffer];
  char name_dir[kPathBuffer];
  GetDirectoryPart(pattern_dir, pattern);
  GetDirectoryPart(name_dir, name);
  if (!NamesEqual(pattern_dir, name_dir)) return 0;
  char pattern_base[9];
  char name_base[9];
  if (!SameShortPart(GetShortBaseName(pattern_base, pattern), GetShortBaseName(name_base, name))) {
    return 0;
  }
  char pattern_extension[4];
  char name_extension[4];
  GetShortExtension(pattern_extension, pattern);
  GetShortExtension(name_extension, name);
  return SameShortPart(pattern_extension, name_extension);
}

}  // namespace

void PrepareDestDir() {
  g_setup.dest_prepared = 1;
  LogLine("Preparing dest dir");
  // A fresh installation names a directory that may not exist yet.
  CreateDirectoryJournalled(g_setup.dest_dir);
  const TextList& subdirs = g_payload.dest_subdirs;
  for (uint16_t i = 0; i < subdirs.count; ++i) {
    char path[kPathBuffer];
    if (!IsRelativeInside(subdirs.items[i])) continue;  // it would lead out of the destination
    if (MakeDestinationPath(path, subdirs.items[i]) != nullptr) CreateDirectoryJournalled(path);
  }
  CarryOverFiles();
}

void CarryOverFiles() {
  const PairList& pairs = g_payload.carry_over;
  for (uint16_t i = 0; i < pairs.count; ++i) {
    if (pairs.second[i][0] != '\0') CarryOverPair(pairs.first[i], pairs.second[i]);
  }
}

int IsPreserved(const char* name) {
  const PairList& pairs = g_payload.carry_over;
  for (uint16_t i = 0; i < pairs.count; ++i) {
    if (pairs.second[i][0] == '\0' && MatchesPreservePattern(pairs.first[i], name)) return 1;
  }
  return 0;
}
