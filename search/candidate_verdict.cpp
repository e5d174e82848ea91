// CheckCandidate and JudgeBuild, with their "CFA:" and "IAB:" log lines, and OfferCandidate.
#include "search/candidate_verdict.h"

#include <cstdint>
#include <cstring>

#include "database/database.h"
#include "services/memory.h"
#include "services/own_files.h"
#include "services/paths.h"
#include "services/payload_header.h"
#include "services/rollback.h"
#include "services/setup_state.h"
#include "services/update_log.h"

BestCandidate g_best_candidate;

namespace {

const uint32_t kVersionGid = 0x14000006;

// Build (data byte 1) and minor version (data byte 2) of the version record; 0 and 0 when the
// record is missing or cannot be read.
void ReadVersion(Database* database, uint8_t* build, uint8_t* minor) {
  *build = 0;
  *minor = 0;
  uint32_t length = 0;
  uint8_t* data = DbRead(database, kVersionGid, nullptr, 0, &length);
  if (data == nullptr) return;
  if (length > 1) *build = data[1];
  if (length > 2) *minor = data[2];
  FreeBlock(data);
}

int BuildAccepted(uint8_t build, uint8_t minor) {
  const ValueList& accepted = g_payload.accepted_builds;
  for (uint16_t i = 0; i < accepted.count; ++i) {
    uint16_t value = accepted.values[i];
    if (value < 256 ? build == value : ((minor << 8) | build) == value) return 1;
  }
  return 0;
}

// Judges the build of the database: 1 accepted, 0 not, -1 when the database cannot be opened;
// its version (minor version, then build, as the version stamp holds them) in version.
int Judge(const char* database_path, uint16_t* version) {
  Database* database = nullptr;
  if (DbOpen(database_path, &database) != 0) {
    LogLine("IAB:DBO failed on %s", database_path);
    return -1;
  }
  uint8_t build;
  uint8_t minor;
  ReadVersion(database, &build, &minor);
  DbClose(database);
  if (version != nullptr) *version = static_cast<uint16_t>(minor << 8 | build);
  int accepted = BuildAccepted(build, minor);
  LogLine("IAB:Verdict for %s (build %0X) = %s", database_path, static_cast<unsigned>(build),
          accepted ? "yes" : "no");
  return accepted;
}

// A silent run's one line per candidate, for the administrator who reads its log: the verdict,
// and the build of the database when it was read.
void TellVerdict(const char* directory, const char* verdict, int judged, uint16_t version) {
  if (!g_setup.silent) return;
  if (judged) {
    LogLine("Candidate %s: %s (build %0X)", directory, verdict,
            static_cast<unsigned>(version & 0xFF));
  } else {
    LogLine("Candidate %s: %s", directory, verdict);
  }
}

}  // namespace

int JudgeBuild(const char* database_path) {
  return Judge(database_path, nullptr) == 1;
}

int CheckCandidate(const char* directory) {
  // A run that was interrupted here is rolled back first, so that the folder is judged as it was.
  // Where no journal can be made (a folder or a read-only file has its name) there is none to
  // obey; the installation refuses that folder before changing anything.
  if (JournalPlaceFault(directory) == nullptr) RecoverUnfinishedRun(directory);
  char folder[kPathBuffer];
  char database_path[kPathBuffer];
  if (JoinPath(folder, directory, "IDB", nullptr) == nullptr) return 0;
  if (DbFind(folder, kDbMainKind, database_path) == nullptr) {
    // A main index whose header is no database's is damaged, not missing.
    int damaged = g_setup.silent && JoinPath(database_path, folder, "MAIN.IDX", nullptr) &&
                  FileExists(database_path);
    TellVerdict(directory, damaged ? "its database is damaged" : "no database", 0, 0);
    return 0;
  }
  uint32_t time = GetFileDosTime(database_path);
  if (time == 0) {
    TellVerdict(directory, "its database cannot be read", 0, 0);
    return 1;
  }
  LogLine("CFA:Time for %s = %lu", database_path, time);
  uint16_t version = 0;
  int verdict = Judge(database_path, &version);
  if (verdict == 1) OfferCandidate(time, directory);
  uint16_t stamp = g_payload.db_version_stamp;
  const char* text = verdict == 1                     ? "can be updated"
                     : verdict < 0                    ? "its database is damaged"
                     : stamp != 0 && version >= stamp ? "already up to date"
                     : stamp != 0                     ? "too old for this update"
                                                      : "not a build this update accepts";
  TellVerdict(directory, text, verdict >= 0, version);
  return 1;
}

void OfferCandidate(uint32_t time, const char* directory) {
  if (time <= g_best_candidate.time || strlen(directory) >= kStatePath) return;
  g_best_candidate.time = time;
  strcpy(g_best_candidate.path, directory);
}
