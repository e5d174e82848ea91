// The verdict on one directory that may hold the client: whether its IDB folder has a database of
// the main kind, how recent that database is, and whether the update accepts the build recorded
// in its version record. Accepted candidates are offered to the installation search.
#pragma once

// 1 when a database of the main kind was found in directory\IDB, judged or not; an accepted one
// with a time stamp is offered to the search.
int CheckCandidate(const char* directory);

// 1 when the database's build (and minor version) is in the payload's accepted_builds.
int JudgeBuild(const char* database_path);
