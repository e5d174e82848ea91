// The verdict on one directory that may hold the client: whether its IDB folder has a database of
// the main kind, how recent that database is, and whether the update accepts the build recorded
// in its version record. The most recent accepted candidate is kept for the installation search.
#pragma once

#include <cstdint>

#include "services/setup_state.h"

// The most recent accepted candidate so far; a time of 0 when there is none.
struct BestCandidate {
  uint32_t time;
  char path[kStatePath];
};
extern BestCandidate g_best_candidate;

// 1 when a database of the main kind was found in directory\IDB, judged or not; an accepted one
// with a time stamp is offered to the search.
int CheckCandidate(const char* directory);

// 1 when the database's build (and minor version) is in the payload's accepted_builds.
int JudgeBuild(const char* database_path);

// Keeps the candidate when it is more recent than the best so far (an equal time does not
// replace the earlier one).
void OfferCandidate(uint32_t time, const char* directory);
