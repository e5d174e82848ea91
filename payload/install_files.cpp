// InstallFiles, InstallSystemFile and DeleteListedFiles. Every file the installation creates,
// replaces or deletes goes through the rollback journal first; a stop leaves the loop at once and
// the run's rollback puts everything back.
#include "payload/install_files.h"

#include <cstring>

#include "integration/game_pif.h"
#include "payload/destination.h"
#include "payload/entry_copy.h"
#include "payload/extraction_library.h"
#include "payload/stored_member.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/system.h"
#include "services/errors.h"
#include "services/memory.h"
#include "services/own_files.h"
#include "services/paths.h"
#include "services/payload_header.h"
#include "services/rollback.h"
#include "services/setup_state.h"
#include "services/update_log.h"
#include "ui/confirmations.h"
#include "ui/dialog_ids.h"
#include "ui/dialog_manager.h"
#include "ui/dialog_procs.h"
#include "ui/gauge_messages.h"

namespace {

const uint32_t kUnitsOf10Above = 10000000;
const size_t kShownPathLength = 30;
const size_t kShownTailLength = 24;

// Unzip results and what the loop does with them.
const int32_t kUnzipOk = 0;
const int32_t kUnzipSkipped = 49;
const int32_t kUnzipNoMemory = 4;
const int32_t kUnzipNoMemoryToo = 5;
const int32_t kUnzipCannotCreate = 28;
const int32_t kUnzipDiskFull = 50;

// Temporary archives whose deletion failed, by entry index (their names follow from it).
const uint16_t kLeftArchivesMax = 256;
struct LeftArchives {
  uint16_t count;
  uint16_t entry_index[kLeftArchivesMax];
};
LeftArchives g_left_archives;

// The paths of one entry: where it is installed, where its member is extracted to, and the
// temporary archive its packed data is copied into.
struct EntryPaths {
  char target[kPathBuffer];
  char output_dir[kPathBuffer];
  char archive[kPathBuffer];
  int system;  // the entry's directory part is "SYSTEM"
  int staged;  // a SYSTEM file extracted into the staging folder: dest_dir has its name taken
};

void UpperCase(char* text) {
  for (; *text != '\0'; ++text) *text = UpperCaseOf(*text);
}

// 1 for an entry of the system directory: its directory part is "SYSTEM".
int IsSystemEntry(const char* name) {
  char subdir[kPathBuffer];
  GetDirectoryPart(subdir, name);
  return NamesEqual(subdir, "SYSTEM");
}

int MakeEntryPaths(uint16_t index, const char* name, EntryPaths* paths) {
  char subdir[kPathBuffer];
  GetDirectoryPart(subdir, name);
  paths->system = IsSystemEntry(name);
  const char* installed_name = paths->system ? GetFileNamePart(name) : name;
  const char* output_subdir = paths->system ? "" : subdir;
  if (MakeDestinationPath(paths->target, installed_name) == nullptr ||
      MakeDestinationPath(paths->output_dir, output_subdir) == nullptr) {
    return 0;
  }
  // A SYSTEM file goes into the system directory only: when something in dest_dir has its name,
  // it is extracted into a folder of the program's own, so that what is there is left alone.
  paths->staged = paths->system && PathExists(paths->target);
  if (paths->staged &&
      (MakeDestinationPath(paths->output_dir, kSystemStagingName) == nullptr ||
       JoinPath(paths->target, paths->output_dir, installed_name, nullptr) == nullptr)) {
    return 0;
  }
  return PlatGetTempFileName(g_setup.dest_dir, "dec", index, paths->archive) != 0;
}

// 0 with error 46 when something of the wrong kind stands on the way to the file at path: a
// folder where the file goes (setting it aside would hide everything in it), or a file where
// one of its folders must be (nothing could be extracted there).
int RefuseWrongKinds(const char* path) {
  char part[kPathBuffer];
  size_t at = 0;
  while (NextDirectoryPrefix(path, &at, part)) {
    int folder = IsFolder(part);
    int file = strlen(part) == strlen(path);
    if (file ? folder : (PathExists(part) && !folder)) {
      LogLine("Not installing %s: a %s", part, folder ? "folder" : "file");
      return FailWith(kErrorEntryIsFolder);
    }
  }
  return 1;
}

// 1 for an entry whose data block is the file itself: the library as the first entry, the guide.
int IsStoredEntry(uint16_t index, const PayloadEntry& entry) {
  return (index == 0 && NamesEqual(entry.name, kExtractionLibraryName)) ||
         NamesEqual(entry.name, g_payload.guide_entry);
}

// Before anything changes: the journal can be made in dest_dir, no entry the loop installs there
// would replace a folder or needs a folder where a file is, and every member archive holds the
// entry's own file name (compared without regard to case). 0 with error 42, 46 or 45.
int CheckEntriesBeforeChanges() {
  if (!CheckJournalPlace(g_setup.dest_dir)) return 0;
  for (uint16_t i = 0; i < g_payload.entry_count; ++i) {
    const PayloadEntry& entry = *g_payload.entries[i];
    if (IsPreserved(entry.name)) continue;
    char target[kPathBuffer];
    if (!IsSystemEntry(entry.name) && MakeDestinationPath(target, entry.name) != nullptr &&
        !RefuseWrongKinds(target)) {
      return 0;
    }
    char member[kStoredNameMax + 1];
    if (!IsStoredEntry(i, entry) && ReadStoredMemberName(entry, member) &&
        !NamesEqual(member, GetFileNamePart(entry.name))) {
      LogLine("Not installing %s: it holds %s", entry.name, member);
      return FailWith(kErrorMemberName);
    }
  }
  return 1;
}

// Control 503 shows the file being installed: its path in upper case, or "..." and its last
// 24 characters when the path is longer than 30 (a SYSTEM file then shows its name only).
void ShowCurrentFile(PlatWindow dialog, const EntryPaths& paths, const char* name) {
  char shown[kPathBuffer];
  size_t length = strlen(paths.target);
  if (length <= kShownPathLength) {
    strcpy(shown, paths.target);
  } else if (paths.system) {
    strcpy(shown, GetFileNamePart(name));
  } else {
    strcpy(shown, "...");
    strcpy(shown + 3, paths.target + length - kShownTailLength);
  }
  UpperCase(shown);
  PlatSetItemText(dialog, kControlText, shown);
}

// Copies the entry's packed data into a new file at path (the target itself for the stored
// guide, else the temporary archive). Returns 0 with the error stored.
int WriteEntryData(const PayloadEntry& entry, const char* path, PlatWindow dialog,
                   uint32_t progress, uint32_t divisor) {
  PlatFile file = PlatCreateFile(path);
  if (file == kPlatNoFile) return FailWith(kErrorTempCreate);
  int copied = CopyEntryDataWithProgress(file, entry, dialog, progress, divisor);
  int closed = PlatCloseFile(file);
  if (!copied) return 0;
  return closed ? 1 : FailWith(kErrorTempClose);
}

// Extracts the member, asking for memory or disk space and trying again while the user agrees.
// Returns 0 with error 1000 + result stored (and the disk-full program offered when the user
// gave up on disk space).
int ExtractEntry(PlatWindow dialog, const EntryPaths& paths, const char* name) {
  for (;;) {
    PlatDeleteFile(paths.target);
    int32_t result = ExtractMember(dialog, paths.archive, paths.output_dir, GetFileNamePart(name));
    if (result == kUnzipOk || result == kUnzipSkipped) return 1;
    int retry = 0;
    if (result == kUnzipNoMemory || result == kUnzipNoMemoryToo) {
      retry = AskMoreMemory();
    } else if (result == kUnzipCannotCreate || result == kUnzipDiskFull) {
      retry = AskMoreDiskSpace();
      if (!retry && g_setup.disk_full_program[0] != '\0') g_setup.offer_disk_full_program = 1;
    }
    if (!retry) {
      LogLine("Cannot install %s: the extraction failed with %d", paths.target,
              static_cast<int>(result));
      return FailWith(static_cast<uint16_t>(kErrorUnzipBase + result));
    }
  }
}

// The library must have made the one file the entry names, with the entry's size: 21 when it
// did not, 47 when the file is there but another program holds it. The failure names the file.
int CheckExtracted(const char* target, uint32_t size) {
  if (!FileExists(target)) {
    LogLine("Cannot install %s: the extraction made no such file", target);
    return FailWith(kErrorSizeMismatch);
  }
  PlatFile file = PlatOpenExclusive(target);
  if (file == kPlatNoFile) {
    LogLine("Cannot install %s: another program is using it", target);
    return FailWith(kErrorFileInUse);
  }
  uint32_t made = PlatGetFileSize(file);
  PlatCloseFile(file);
  if (made != size) {
    LogLine("Cannot install %s: %lu bytes made of %lu", target, static_cast<unsigned long>(made),
            static_cast<unsigned long>(size));
    return FailWith(kErrorSizeMismatch);
  }
  return 1;
}

// Installs one entry; 0 when the loop must stop (an error stored, or the user stopped).
int InstallEntry(uint16_t index, const PayloadEntry& entry, PlatWindow dialog, uint32_t progress,
                 uint32_t divisor) {
  EntryPaths paths;
  if (!MakeEntryPaths(index, entry.name, &paths)) return FailWith(kErrorTempCreate);
  if (!RefuseWrongKinds(paths.target)) return 0;  // made so by this run's earlier entries
  ShowCurrentFile(dialog, paths, entry.name);
  if (NamesEqual(entry.name, "DOSGAME.EXE")) CreateGamePif();
  CreateDirectoryJournalled(paths.output_dir);
  if (!SetAsideTemporary(paths.archive) || !SetAsideBeforeReplace(paths.target)) {
    LogLine("Cannot install %s: the file there cannot be moved aside", paths.target);
    return FailWith(kErrorSetAside);
  }

  int guide = NamesEqual(entry.name, g_payload.guide_entry);
  if (!WriteEntryData(entry, guide ? paths.target : paths.archive, dialog, progress, divisor)) {
    return 0;
  }
  PumpMessages();
  if (g_setup.install_stopped) return 0;
  if (!guide) {
    if (!ExtractEntry(dialog, paths, entry.name) ||
        !CheckExtracted(paths.target, entry.unpacked_size)) {
      return 0;
    }
    if (!PlatDeleteFile(paths.archive) && g_left_archives.count < kLeftArchivesMax) {
      g_left_archives.entry_index[g_left_archives.count++] = index;
    }
  }
  if (paths.system && !InstallSystemFile(paths.target)) return FailWith(kErrorSystemCopy);
  if (paths.staged) PlatRemoveDirectory(paths.output_dir);
  return 1;
}

void DeleteMatches(const char* base, const TextList& patterns) {
  for (uint16_t i = 0; i < patterns.count; ++i) {
    char pattern[kPathBuffer];
    char directory[kPathBuffer];
    if (!IsRelativeInside(patterns.items[i]) ||
        JoinPath(pattern, base, patterns.items[i], nullptr) == nullptr) {
      continue;
    }
    GetDirectoryPart(directory, pattern);
    PlatFindData found;
    PlatFind find = PlatFindFirst(pattern, &found);
    if (find == nullptr) continue;
    do {
      if (strcmp(found.name, ".") == 0 || strcmp(found.name, "..") == 0) continue;
      if (IsRollbackFile(found.name)) continue;
      char path[kPathBuffer];
      if (JoinPath(path, directory, found.name, nullptr) != nullptr && DeleteSettingAside(path)) {
        LogLine("Deleted file %s", path);
      }
    } while (PlatFindNext(find, &found));
    PlatFindClose(find);
  }
}

}  // namespace

int InstallFiles() {
  g_left_archives.count = 0;
  if (!CheckEntriesBeforeChanges() || !BeginRollback(g_setup.dest_dir)) return 0;
  PrepareDestDir();
  if (!PlaceExtractionLibrary() || !LoadExtractionLibrary()) return 0;
  LogLine("Installing files");
  g_setup.install_stopped = 0;

  int dialog_id = g_setup.install_mode ? kDialogInstallProgress : kDialogUpdateProgress;
  PlatWindow dialog = OpenModelessDialog(dialog_id, ProgressDialogProc);
  uint32_t range =
      g_payload.total_unpacked - g_payload.db_pieces_b_size - g_payload.db_pieces_a_size;
  uint32_t divisor = range > kUnitsOf10Above ? 10 : 1;
  SendGaugeRange(dialog, range / divisor);

  uint16_t first = g_extraction.library_in_payload ? 1 : 0;
  uint32_t progress = first == 1 ? g_payload.entries[0]->unpacked_size : 0;
  for (uint16_t i = first; i < g_payload.entry_count; ++i) {
    const PayloadEntry& entry = *g_payload.entries[i];
    if (g_setup.dest_prepared && IsPreserved(entry.name)) {
      LogLine("Not installing %s (preserved)", entry.name);
      progress += entry.unpacked_size;
      continue;
    }
    if (NamesEqual(entry.name, "IDB\\MERGE.DB")) strcpy(g_setup.merge_dir, g_setup.dest_dir);
    SendGaugePosition(dialog, progress / divisor);
    if (!InstallEntry(i, entry, dialog, progress, divisor)) break;
    progress += entry.unpacked_size;
    PumpMessages();
    if (g_setup.install_stopped) break;
  }
  if (progress == g_payload.total_unpacked) {
    SendGaugePosition(dialog, g_payload.total_unpacked / divisor);
  }
  if (dialog != nullptr) CloseModelessDialog(dialog_id);

  if (g_setup.error_number != 0) return 0;
  if (g_setup.install_stopped) {
    LogLine("User stopped install");
    if (!g_setup.install_mode && g_setup.disk_full_program[0] == '\0') {
      ShowDialog(kDialogStopped, nullptr);
    }
    return 0;
  }
  return 1;
}

int InstallSystemFile(const char* path) {
  const char* name = GetFileNamePart(path);
  char system_dir[kPathBuffer];
  char target[kPathBuffer];
  if (PlatGetSystemDirectory(system_dir, sizeof system_dir) == 0 ||
      JoinPath(target, system_dir, name, nullptr) == nullptr) {
    return 0;
  }
  // Missing there, the file goes to windows_dir\SYSTEM; where that is another folder (the
  // system directory of a later Windows), a copy already in it is tested like the other.
  if (!FileExists(target) &&
      JoinPath(target, g_setup.windows_dir, "SYSTEM", name, nullptr) == nullptr) {
    return 0;
  }
  if (!RefuseWrongKinds(target)) return 0;
  if (FileExists(target)) {
    uint32_t current = GetFileDosTime(target);
    uint32_t install = GetFileDosTime(path);
    LogLine("System file %s exists (current=%lu, install=%lu)", target, current, install);
    if (install <= current) {
      LogLine("Retaining existing");
      return PlatDeleteFile(path);
    }
    LogLine("Replacing existing");
    while (PlatModuleLoaded(name)) {
      LogLine("In use; prompt");
      if (!AskRetryCancel("Setup needs to install a new version of a system file that is "
                          "currently in use.\n\nPlease close any open applications, then select "
                          "'Retry' below to continue.")) {
        g_setup.install_stopped = 1;
        return 1;
      }
    }
    g_setup.reboot_requested = 1;
  }
  if (!SetAsideBeforeReplace(target)) return 0;
  LogLine("Copy %s -> %s", path, target);
  if (!PlatCopyFile(path, target, 0)) {
    LogLine("Copy failed");
    return 0;
  }
  return PlatDeleteFile(path);
}

void DeleteListedFiles() {
  DeleteMatches(g_setup.windows_dir, g_payload.windows_deletes);
  DeleteMatches(g_setup.dest_dir, g_payload.dest_deletes);
}

void DeleteLeftArchives() {
  for (uint16_t i = 0; i < g_left_archives.count; ++i) {
    char archive[kPathBuffer];
    if (PlatGetTempFileName(g_setup.dest_dir, "dec", g_left_archives.entry_index[i], archive) !=
        0) {
      PlatDeleteFile(archive);
    }
  }
  g_left_archives.count = 0;
}
