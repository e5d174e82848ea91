// Database merge speed: the host `setup -X PAYLOAD -P C:\VELNET` whose payload carries only
// IDB\MERGE.DB, merging into a MAIN.IDX made here at run time. Runs of every configuration
// alternate; each row prints the median and range of its runs and the ratio to its target:
//   - the whole run, MERGE records into MAIN records (target 1.0 s);
//   - opening MAIN records: one record into MAIN, less one record into an empty database;
//   - per merged record: SMALL into SMALL, less one record into SMALL (target 10 us);
//   - peak memory per main-database record: the merge's peak resident memory less that of one
//     record into an empty database, divided by MAIN (target 32 bytes).
// Half the merged GIDs are new and half replace a record of the main database (most with
// another length, so superseded and appended; a few in place). Build with host-release.
//   merge_bench [MAIN=1000000] [MERGE=100000] [SMALL=25000] [RUNS=5] [WORK_DIR]
//   merge_bench wine [SMALL=25000] [RUNS=5]     SETUP.EXE under Wine (merge_wine.cpp)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/merge_data.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc > 1 && strcmp(argv[1], "wine") == 0) return MergeWine(argc - 1, argv + 1);
  uint32_t main_count = argc > 1 ? static_cast<uint32_t>(strtoul(argv[1], nullptr, 10)) : 1000000;
  uint32_t merge_count = argc > 2 ? static_cast<uint32_t>(strtoul(argv[2], nullptr, 10)) : 100000;
  uint32_t small_count = argc > 3 ? static_cast<uint32_t>(strtoul(argv[3], nullptr, 10)) : 25000;
  int runs = argc > 4 ? atoi(argv[4]) : 5;
  std::string work = argc > 5 ? argv[5] : BENCH_WORK_DIR "/merge";
  if (main_count == 0 || main_count > 1000000 || merge_count == 0 || small_count == 0 || runs < 1) {
    fprintf(stderr, "usage: merge_bench [MAIN (1-1000000)] [MERGE] [SMALL] [RUNS] [WORK_DIR]\n");
    return 2;
  }
  work = fs::absolute(work).lexically_normal().string();
  std::vector<Case> cases = {
      {"big", main_count, merge_count, {}, {}, {}},
      {"open", main_count, 1, {}, {}, {}},
      {"empty", 0, 1, {}, {}, {}},
      {"small", small_count, small_count, {}, {}, {}},
      {"small-open", small_count, 1, {}, {}, {}},
  };
  for (const Case& c : cases) {
    if (!MakeCase(work, c)) {
      fprintf(stderr, "merge_bench: cannot make the data of %s in %s\n", c.name.c_str(),
              work.c_str());
      return 1;
    }
  }
  for (int run = 0; run < runs; ++run) {
    for (Case& c : cases) {
      if (!RunCase(work, &c)) return 1;
    }
  }
  const Case& big = cases[0];
  const Case& open = cases[1];
  const Case& empty = cases[2];
  const Case& small = cases[3];
  const Case& small_open = cases[4];
  printf("%d alternating runs; main %u records, merge %u; small %u into %u\n", runs, main_count,
         merge_count, small_count, small_count);
  // Each row twice: by the clock, and by the processor time the runs used (user and system),
  // which other work on a shared machine disturbs less.
  for (int processor = 0; processor < 2; ++processor) {
    auto figures = [processor](const Case& c) {
      return processor != 0 ? c.processor_seconds : c.seconds;
    };
    printf("%s\n", processor != 0 ? "processor time:" : "time:");
    std::string whole =
        "setup -P, " + std::to_string(merge_count) + " into " + std::to_string(main_count);
    Row(whole.c_str(), SpreadOf(figures(big)), "s", 1, 1.0);
    std::string opening = "opening " + std::to_string(main_count) + " records";
    Spread open_spread = SpreadOf(Differences(figures(open), figures(empty), 1));
    printf("%-44s %s\n", opening.c_str(), Describe(open_spread, "s").c_str());
    Row("merge per record (host)",
        SpreadOf(Differences(figures(small), figures(small_open), small_count)), "us", 1e6, 10);
  }
  Row("peak memory per main-database record",
      SpreadOf(Differences(big.peak_bytes, empty.peak_bytes, main_count)), "bytes", 1, 32);
  return 0;
}
