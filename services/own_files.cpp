// IsProgramFileName and the test of the journal's place.
#include "services/own_files.h"

#include "platform/files.h"
#include "services/errors.h"
#include "services/paths.h"
#include "services/rollback.h"
#include "services/update_log.h"

const char kSystemStagingName[] = "~RBSYS.RBK";

namespace {

int IsHexDigit(char c) {
  char upper = UpperCaseOf(c);
  return (c >= '0' && c <= '9') || (upper >= 'A' && upper <= 'F');
}

// DECnnnn.TMP, nnnn four hexadecimal digits: the temporary archive of an entry.
int IsTemporaryArchiveName(const char* name) {
  static const char kShape[] = "DEC####.TMP";
  for (int i = 0; kShape[i] != '\0'; ++i) {
    if (kShape[i] == '#' ? !IsHexDigit(name[i]) : UpperCaseOf(name[i]) != kShape[i]) return 0;
  }
  return name[sizeof kShape - 1] == '\0';
}

}  // namespace

int IsProgramFileName(const char* name) {
  return IsRollbackFile(name) || IsTemporaryArchiveName(GetFileNamePart(name));
}

const char* JournalPlaceFault(const char* dir) {
  char journal[kPathBuffer];
  if (JoinPath(journal, dir, kJournalName, nullptr) == nullptr) {
    return "the path is too long";
  }
  if (IsFolder(journal)) return "a folder has its name";
  uint32_t attributes = PlatGetFileAttributes(journal);
  if (attributes != kPlatNoAttributes && (attributes & kAttrReadOnly) != 0) {
    return "a file there is read-only";
  }
  return nullptr;
}

int CheckJournalPlace(const char* dir) {
  const char* fault = JournalPlaceFault(dir);
  if (fault == nullptr) return 1;
  LogLine("No journal can be kept in %s: %s", dir, fault);
  return FailWith(kErrorRollbackJournal);
}
