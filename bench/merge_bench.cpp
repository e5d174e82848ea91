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
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "database/db_format.h"

namespace fs = std::filesystem;

namespace {

const uint32_t kGidBase = 0x00100000;

void PutU32(std::string* out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out->push_back(static_cast<char>(value >> shift));
}

// A current-form database of the main kind with the given GIDs; a record's data length follows
// from its GID and the salt, 16 to 79 bytes.
bool WriteDatabase(const std::string& path, const std::vector<uint32_t>& gids, uint32_t salt) {
  std::string bytes(kDbSignature, sizeof kDbSignature);
  PutU32(&bytes, kDbMainKind);
  bytes.append(12, '\0');
  for (uint32_t gid : gids) {
    uint32_t length = 16 + (gid * 13 + salt) % 64;
    uint32_t offset = static_cast<uint32_t>(bytes.size());
    bytes += "R2D2";
    PutU32(&bytes, gid);
    PutU32(&bytes, length);
    bytes.push_back('b');
    bytes.push_back(static_cast<char>(kDbFlagWritten));
    PutU32(&bytes, 0);
    PutU32(&bytes, 0);
    PutU32(&bytes, offset);
    for (uint32_t i = 0; i < length; ++i) bytes.push_back(static_cast<char>('a' + (gid + i) % 26));
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return out.good();
}

std::vector<uint32_t> MainGids(uint32_t count) {
  std::vector<uint32_t> gids;
  for (uint32_t i = 0; i < count; ++i) gids.push_back(kGidBase + i);
  return gids;
}

// Even records replace a main record (7919 is prime to the counts used, so no GID repeats),
// odd ones are new.
std::vector<uint32_t> MergeGids(uint32_t count, uint32_t main_count) {
  std::vector<uint32_t> gids;
  for (uint32_t i = 0; i < count; ++i) {
    uint64_t existing = main_count == 0 ? 0 : (uint64_t{i} * 7919) % main_count;
    gids.push_back(i % 2 == 0 && main_count != 0 ? kGidBase + static_cast<uint32_t>(existing)
                                                 : kGidBase + main_count + i);
  }
  return gids;
}

struct Case {
  std::string name;
  uint32_t main_records;
  uint32_t merge_records;
  std::vector<double> seconds;
  std::vector<double> processor_seconds;
  std::vector<double> peak_bytes;
};

// Makes a case's main database and its payload, unless a run with the same figures made them.
bool MakeCase(const std::string& work, const Case& c) {
  std::string dir = work + "/" + c.name;
  std::string stamp = dir + "/made.txt";
  // The payload carries the extraction library of the build: made again when vntpack is newer.
  std::string figures =
      std::to_string(c.main_records) + " " + std::to_string(c.merge_records) + " " +
      std::to_string(fs::last_write_time(VNTPACK_PROGRAM).time_since_epoch().count());
  std::ifstream old_stamp(stamp);
  std::string old_figures((std::istreambuf_iterator<char>(old_stamp)), {});
  if (old_figures == figures) return true;
  fs::create_directories(dir);
  std::ofstream(dir + "/merge.ini", std::ios::trunc)
      << "[payload]\nlibrary = yes\n\n[header]\nframe_title = Velnet Setup\n\n[files]\n"
      << "IDB\\MERGE.DB = MERGE.DB\n";
  if (!WriteDatabase(dir + "/MAIN.IDX", MainGids(c.main_records), 0) ||
      !WriteDatabase(dir + "/MERGE.DB", MergeGids(c.merge_records, c.main_records), 5) ||
      !RunCommand("'" VNTPACK_PROGRAM "' build '" + dir + "/merge.ini' -o '" + dir +
                  "/MERGE.PAY' --for-host >/dev/null")) {
    return false;
  }
  std::ofstream(stamp, std::ios::trunc) << figures;
  return true;
}

// One run of the case on a fresh copy of its main database.
bool RunCase(const std::string& work, Case* c) {
  std::string dir = work + "/" + c->name;
  std::string machine = dir + "/machine";
  fs::remove_all(machine);
  fs::create_directories(machine + "/C/VELNET/IDB");
  fs::create_directories(machine + "/C/WINDOWS/SYSTEM");  // the run records itself in WIN.INI
  fs::copy_file(dir + "/MAIN.IDX", machine + "/C/VELNET/IDB/MAIN.IDX");
  RunCommand("sync");
  Measured run = MeasureCommand(
      "env VNT_MACHINE='" + machine + "' '" + SetupProgram(SETUP_PROGRAM) + "' -X '" +
      WindowsPath(dir + "/MERGE.PAY") + "' -P 'C:\\VELNET' </dev/null >/dev/null 2>&1");
  if (run.seconds < 0 || fs::exists(machine + "/C/VELNET/IDB/MERGE.DB")) {
    fprintf(stderr, "merge_bench: setup failed in %s (see update.log under %s/C)\n",
            c->name.c_str(), machine.c_str());
    return false;
  }
  c->seconds.push_back(run.seconds);
  c->processor_seconds.push_back(run.processor_seconds);
  c->peak_bytes.push_back(static_cast<double>(run.peak_kilobytes) * 1024);
  return true;
}

// The differences of two cases' runs, pairwise (runs alternate, so pairs ran close in time).
std::vector<double> Differences(const std::vector<double>& a, const std::vector<double>& b,
                                double divisor) {
  std::vector<double> out;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) out.push_back((a[i] - b[i]) / divisor);
  return out;
}

void Row(const char* what, const Spread& spread, const char* unit, double scale, double target) {
  printf("%-44s %s   target %.3g %s, ratio %.2f\n", what, Describe(spread, unit, scale).c_str(),
         target, unit, spread.median * scale / target);
}

}  // namespace

int main(int argc, char** argv) {
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
