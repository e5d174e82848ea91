// What both modes of merge_bench share: the databases it makes (a main database and a merge
// file of a case, with the shape described in merge_bench.cpp), a case's runs of the host setup,
// the pairwise differences of two cases' runs and the printing of a row against its target.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bench/bench_support.h"

// A current-form database of the main kind with the given GIDs; a record's data length follows
// from its GID and the salt, 16 to 79 bytes.
bool WriteDatabase(const std::string& path, const std::vector<uint32_t>& gids, uint32_t salt);
// The GIDs of a main database of count records.
std::vector<uint32_t> MainGids(uint32_t count);
// The GIDs of a merge file of count records into a main database of main_count: even ones
// replace a main record, odd ones are new.
std::vector<uint32_t> MergeGids(uint32_t count, uint32_t main_count);

struct Case {
  std::string name;
  uint32_t main_records;
  uint32_t merge_records;
  std::vector<double> seconds;
  std::vector<double> processor_seconds;
  std::vector<double> peak_bytes;
};

// Makes a case's MAIN.IDX, MERGE.DB, merge.ini and host payload MERGE.PAY in work/NAME, unless a
// run with the same figures made them.
bool MakeCase(const std::string& work, const Case& c);
// One run of the host setup on a fresh copy of the case's main database, which it leaves in
// work/NAME/machine; false (and a message) when the run failed.
bool RunCase(const std::string& work, Case* c);

// The differences of two cases' runs, pairwise (runs alternate, so pairs ran close in time).
std::vector<double> Differences(const std::vector<double>& a, const std::vector<double>& b,
                                double divisor);
// One line: what, the spread, its target and the ratio of the median to it.
void Row(const char* what, const Spread& spread, const char* unit, double scale, double target);

// The Wine mode: SETUP.EXE under Wine (see merge_wine.cpp); argv[0] is "wine".
int MergeWine(int argc, char** argv);
